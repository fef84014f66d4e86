#include "platform/fs/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

namespace {

struct TFd {
  int fd = -1;
  ~TFd() {
    if (fd >= 0) ::close(fd);
  }
};

bool WriteAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= size_t(w);
  }
  return true;
}

}  // namespace

bool CopyFileReplacing(const std::string& source, const std::string& target) {
  TFd in;
  in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string tmpl = target + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  TFd out;
  out.fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (out.fd < 0) return false;
  bool ok = ::fchmod(out.fd, st.st_mode & 07777) == 0;
  std::vector<char> buffer(1 << 20);
  while (ok) {
    ssize_t r = ::read(in.fd, buffer.data(), buffer.size());
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) ok = false;
    if (r <= 0) break;
    ok = WriteAll(out.fd, buffer.data(), size_t(r));
  }
  ok = ok && ::fsync(out.fd) == 0;
  ok = ::close(out.fd) == 0 && ok;
  out.fd = -1;
  if (!ok || ::rename(name.data(), target.c_str()) != 0) {
    ::unlink(name.data());
    return false;
  }
  return true;
}

}  // namespace platform
