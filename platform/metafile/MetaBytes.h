// TMetaBytes: little-endian reads from a byte range that never pass its end (short reads give 0 and fail).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform::meta {

class TMetaBytes {
 public:
  TMetaBytes() = default;
  TMetaBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Size() const { return size_; }
  size_t Pos() const { return pos_; }
  size_t Remaining() const { return size_ - pos_; }
  bool Failed() const { return failed_; }
  const uint8_t* Data() const { return data_; }
  const uint8_t* Here() const { return data_ + pos_; }

  bool Has(size_t n) const { return n <= size_ - pos_; }
  void Seek(size_t pos) {
    if (pos > size_) { failed_ = true; pos_ = size_; } else pos_ = pos;
  }
  bool Skip(size_t n) {
    if (!Has(n)) { failed_ = true; pos_ = size_; return false; }
    pos_ += n;
    return true;
  }
  uint8_t U8() { uint8_t v = 0; Take(&v, 1); return v; }
  uint16_t U16() { uint8_t b[2] = {}; Take(b, 2); return uint16_t(b[0] | b[1] << 8); }
  int16_t I16() { return int16_t(U16()); }
  uint32_t U32() {
    uint8_t b[4] = {};
    Take(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  }
  int32_t I32() { return int32_t(U32()); }
  float F32() { uint32_t u = U32(); float f; std::memcpy(&f, &u, 4); return f; }

  // A sub-range of n bytes from here (empty and Failed when fewer remain); the position moves past it.
  TMetaBytes Sub(size_t n) {
    if (!Has(n)) { failed_ = true; pos_ = size_; return {}; }
    TMetaBytes s(data_ + pos_, n);
    pos_ += n;
    return s;
  }
  // n bytes starting at absolute offset `at`, without moving; empty when outside.
  TMetaBytes At(size_t at, size_t n) const {
    if (at > size_ || n > size_ - at) return {};
    return TMetaBytes(data_ + at, n);
  }

 private:
  void Take(uint8_t* dst, size_t n) {
    if (!Has(n)) { failed_ = true; pos_ = size_; return; }
    std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
  }
  const uint8_t* data_ = nullptr;
  size_t size_ = 0, pos_ = 0;
  bool failed_ = false;
};

}  // namespace platform::meta
