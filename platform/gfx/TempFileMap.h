// TTempFileMap: an anonymous temporary file fully reserved on disk and mapped one view at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gfx {

// Views start at multiples of this, so that any offset of a huge file can be reached with a small view.
constexpr int64_t kMapGranularity = 65536;

// One mapped range of a TTempFileMap, unmapped when the object goes; any number may exist at once.
class TFileView {
 public:
  TFileView() = default;
  ~TFileView() { Reset(); }
  TFileView(const TFileView&) = delete;
  TFileView& operator=(const TFileView&) = delete;
  TFileView(TFileView&& other) noexcept { *this = static_cast<TFileView&&>(other); }
  TFileView& operator=(TFileView&& other) noexcept;

  uint8_t* Data() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  void Reset();

 private:
  friend class TTempFileMap;
  void* base_ = nullptr;
  size_t length_ = 0;
  uint8_t* data_ = nullptr;
};

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
  // `directory` empty: $TMPDIR or /tmp.
  bool Create(int64_t size, const std::string& directory = {});
  // Extends the file to `size` bytes, reserved like the first ones; views made before stay valid.
  bool Grow(int64_t size);
  // Unmaps the view and closes the file; the data is gone.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int64_t Size() const { return size_; }
  // Path the file had before it was unlinked.
  const std::string& FileName() const { return fileName_; }

  // Address of bytes [offset, offset + length) of the file, valid until the next Map or Close.
  // Null when the range lies outside the file or the mapping fails.
  uint8_t* Map(int64_t offset, int64_t length);
  // A view of its own, beside the one of Map; empty on the same failures.
  TFileView MapView(int64_t offset, int64_t length) const;

 private:
  int fd_ = -1;
  int64_t size_ = 0;
  TFileView view_;
  std::string fileName_;
};

}  // namespace gfx
