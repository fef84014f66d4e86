// Temporary-file mapping on POSIX: mkostemp, unlink, posix_fallocate, mmap of 64 KiB aligned views.
#include "platform/gfx/TempFileMap.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace gfx {

TTempFileMap& TTempFileMap::operator=(TTempFileMap&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    size_ = other.size_;
    view_ = std::move(other.view_);
    fileName_ = std::move(other.fileName_);
    other.fd_ = -1;
    other.size_ = 0;
    other.fileName_.clear();
  }
  return *this;
}

TFileView& TFileView::operator=(TFileView&& other) noexcept {
  if (this != &other) {
    Reset();
    base_ = other.base_;
    length_ = other.length_;
    data_ = other.data_;
    other.base_ = nullptr;
    other.length_ = 0;
    other.data_ = nullptr;
  }
  return *this;
}

void TFileView::Reset() {
  if (base_) munmap(base_, length_);
  base_ = nullptr;
  length_ = 0;
  data_ = nullptr;
}

bool TTempFileMap::Create(int64_t size, const std::string& directory) {
  Close();
  if (size <= 0) return false;
  const char* dir = std::getenv("TMPDIR");
  std::string path = !directory.empty() ? directory : (dir && *dir) ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  path += "orvexXXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // Unlinked at once: the file vanishes with the descriptor, even when the process dies.
  unlink(name.data());
  struct stat st {};
  if (posix_fallocate(fd, 0, off_t(size)) != 0 || fstat(fd, &st) != 0 || int64_t(st.st_size) != size) {
    close(fd);
    return false;
  }
  fd_ = fd;
  size_ = size;
  fileName_ = name.data();
  return true;
}

bool TTempFileMap::Grow(int64_t size) {
  if (fd_ < 0 || size < size_) return false;
  if (size == size_) return true;
  struct stat st {};
  if (posix_fallocate(fd_, 0, off_t(size)) != 0 || fstat(fd_, &st) != 0 || int64_t(st.st_size) != size) {
    // A partial extension is cut back, so the size we report is the one the file has.
    const bool cut = ftruncate(fd_, off_t(size_)) == 0;
    (void)cut;
    return false;
  }
  size_ = size;
  return true;
}

TFileView TTempFileMap::MapView(int64_t offset, int64_t length) const {
  TFileView v;
  if (fd_ < 0 || offset < 0 || length <= 0 || offset > size_ || length > size_ - offset) return v;
  const int64_t base = offset - offset % kMapGranularity;
  const int64_t delta = offset - base;
  void* view = mmap(nullptr, size_t(delta + length), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, off_t(base));
  if (view == MAP_FAILED) return v;
  v.base_ = view;
  v.length_ = size_t(delta + length);
  v.data_ = static_cast<uint8_t*>(view) + delta;
  return v;
}

void TTempFileMap::Close() {
  view_.Reset();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  size_ = 0;
  fileName_.clear();
}

uint8_t* TTempFileMap::Map(int64_t offset, int64_t length) {
  view_.Reset();
  view_ = MapView(offset, length);
  return view_.Data();
}

}  // namespace gfx
