// Copying a file into a gfx::TAtomicFile, so that the target is the old file or the whole copy.
#include "platform/fs/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/gfx/AtomicFile.h"

namespace platform {

namespace {

struct TFd {
  int fd = -1;
  ~TFd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

bool CopyFileReplacing(const std::string& source, const std::string& target) {
  TFd in;
  in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (in.fd < 0 || ::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  gfx::TAtomicFile out(target);
  if (!out.Ok()) return false;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t r = ::read(in.fd, buffer.data(), buffer.size());
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) break;
    if (!out.Write(buffer.data(), size_t(r))) return false;
  }
  return out.Commit();
}

}  // namespace platform
