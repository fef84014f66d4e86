// Atomic file replacement for image saves.
#include "imaging/io/oxsafesave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "imaging/model/OrvexError.h"

namespace ox {

namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t CurrentUmask() {
  mode_t m = ::umask(0);
  ::umask(m);
  return m;
}

}  // namespace

TSafeFileWriter::TSafeFileWriter(const std::string& target) : target_(target) {
  // Replace what a symbolic link points to, not the link.
  char resolved[PATH_MAX];
  if (::realpath(target.c_str(), resolved)) target_ = resolved;
  std::string tmpl = FolderOf(target_) + "/.vantrel-save-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw EOrvexError("Cannot create file " + target + ": " + std::strerror(errno));
  temp_ = name.data();
  struct stat st {};
  mode_t mode = (::stat(target_.c_str(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(fd, mode);
  ::close(fd);
  try {
    stream_ = std::make_unique<TOXFileStream>(temp_, fmOpenReadWrite);
  } catch (...) {
    ::unlink(temp_.c_str());
    throw;
  }
}

TSafeFileWriter::~TSafeFileWriter() { Discard(); }

void TSafeFileWriter::Discard() {
  if (done_) return;
  done_ = true;
  stream_.reset();
  ::unlink(temp_.c_str());
}

void TSafeFileWriter::Commit() {
  if (done_) return;
  stream_.reset();
  int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
  bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    int err = errno;
    Discard();
    throw EOrvexError("Cannot write file " + target_ + ": " + std::strerror(err));
  }
  done_ = true;
}

}  // namespace ox
