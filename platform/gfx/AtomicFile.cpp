// Atomic file replacement: link resolution, permission transfer, temporary file and rename.
#include "platform/gfx/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace gfx {

namespace {

// Linux gives up on a path after this many links (ELOOP); so do we.
constexpr int kMaxLinkHops = 40;

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows links one by one rather than with realpath, so that a dangling link still names its target.
std::string FollowLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buf(size_t(st.st_size > 0 ? st.st_size : 255) + 1);
    ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n <= 0 || size_t(n) >= buf.size()) return path;
    std::string to(buf.data(), size_t(n));
    path = to[0] == '/' ? to : FolderOf(path) + "/" + to;
  }
  return path;
}

mode_t NewFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

TAtomicFile::TAtomicFile(const std::string& target) : target_(FollowLinks(target)) {
  std::string name = target_.substr(target_.find_last_of('/') + 1);
  std::string tmpl = FolderOf(target_) + "/." + name + ".vantrel-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  fd_ = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return;
  }
  temp_ = buf.data();
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    // Owner first: chown may clear set-id bits, which the chmod then restores. Not being allowed to give
    // the file away is normal for a user and leaves it ours.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)!::fchown(fd_, st.st_uid, st.st_gid);
    if (::fchmod(fd_, st.st_mode & 07777) != 0) Fail(errno);
  } else if (::fchmod(fd_, NewFileMode()) != 0) {
    Fail(errno);
  }
}

void TAtomicFile::Fail(int err) {
  if (error_.empty()) error_ = std::strerror(err);
}

bool TAtomicFile::Write(const void* data, size_t size) {
  if (fd_ < 0 || !error_.empty()) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Fail(n < 0 ? errno : ENOSPC);
      return false;
    }
    p += n;
    size -= size_t(n);
  }
  return true;
}

bool TAtomicFile::Commit() {
  if (fd_ < 0) return false;
  if (error_.empty() && ::fsync(fd_) != 0) Fail(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail(errno);
  if (error_.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
  if (!error_.empty()) {
    ::unlink(temp_.c_str());
    return false;
  }
  // The rename itself is durable only once the folder is synced; a folder that refuses leaves it pending.
  int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void TAtomicFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(temp_.c_str());
}

}  // namespace gfx
