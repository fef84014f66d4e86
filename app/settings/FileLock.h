// TFileLock: the lock every rewrite of a shared file takes, so that instances never interleave their writes.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace app {

// Holds an exclusive lock on "<file>.lock" for the lifetime of the object.
class TFileLock {
 public:
  explicit TFileLock(const std::string& path) {
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~TFileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace app
