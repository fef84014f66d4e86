// TTempFileMap: an anonymous temporary file fully reserved on disk and mapped one view at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gfx {

// Views start at multiples of this, so that any offset of a huge file can be reached with a small view.
constexpr int64_t kMapGranularity = 65536;

class TTempFileMap {
 public:
  TTempFileMap() = default;
  ~TTempFileMap() { Close(); }
  TTempFileMap(const TTempFileMap&) = delete;
  TTempFileMap& operator=(const TTempFileMap&) = delete;
  TTempFileMap(TTempFileMap&& other) noexcept { *this = static_cast<TTempFileMap&&>(other); }
  TTempFileMap& operator=(TTempFileMap&& other) noexcept;

  // Creates a file of `size` bytes in $TMPDIR (or /tmp), unlinked at once and with every block reserved,
  // so that a full disk shows up here and not as a fault on a later write. False (nothing left behind)
  // on any failure; the caller then keeps its pixels in memory.
  bool Create(int64_t size);
  // Unmaps the view and closes the file; the data is gone.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int64_t Size() const { return size_; }
  // Path the file had before it was unlinked.
  const std::string& FileName() const { return fileName_; }

  // Address of bytes [offset, offset + length) of the file, valid until the next Map or Close.
  // Null when the range lies outside the file or the mapping fails.
  uint8_t* Map(int64_t offset, int64_t length);

 private:
  void Unmap();

  int fd_ = -1;
  int64_t size_ = 0;
  void* view_ = nullptr;
  size_t viewLength_ = 0;
  std::string fileName_;
};

}  // namespace gfx
