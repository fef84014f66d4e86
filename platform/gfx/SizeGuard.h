// The one check every allocation of a picture from untrusted sizes goes through.
#pragma once

#include <cstdint>

namespace gfx {

// Largest pixel buffer a decoder or an operation may ask for (1 GiB); larger pictures are refused cleanly.
constexpr int64_t kMaxImageBytes = int64_t(1) << 30;

// Bytes of one row padded to 4 bytes, in 64 bits.
constexpr int64_t RowBytes(int64_t width, int64_t bits) { return ((width * bits + 31) / 32) * 4; }

// True when a width × height picture of `bits` per pixel may be allocated.
constexpr bool ImageSizeAllowed(int64_t width, int64_t height, int64_t bits) {
  if (width < 1 || height < 1 || bits < 1 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return false;
  return RowBytes(width, bits) <= kMaxImageBytes / height;
}

}  // namespace gfx
