// TOXWorkBitmap: a bare bottom-up work raster of 1, 8, 24, 32 or 64 bits per pixel for multi-pass algorithms.
#pragma once

#include <cstdint>
#include <memory>

namespace ox {

class TOXWorkBitmap {
 public:
  TOXWorkBitmap() = default;
  // Allocates when width > 0 and height > 0 (note the argument order).
  TOXWorkBitmap(int width, int bits, int height);
  TOXWorkBitmap(const TOXWorkBitmap&) = delete;
  TOXWorkBitmap& operator=(const TOXWorkBitmap&) = delete;

  // Keeps the block when nothing changes, else reallocates it (contents undefined). False, and the
  // object empty, for a zero size, an unsupported depth or a picture the size guard refuses.
  bool Allocate(int width, int height, int bits);
  void FreeImage();
  bool Empty() const { return !data_; }

  // Row y counted from the top; null outside.
  uint8_t* Row(int y) {
    return data_ && y >= 0 && y < height_ ? data_.get() + rowLength_ * (int64_t(height_) - 1 - y) : nullptr;
  }
  // The byte holding pixel x of row y (for 1 bit the byte with its bit); null outside.
  uint8_t* PixelPtr(int y, int x) {
    uint8_t* row = Row(y);
    if (!row || x < 0 || x >= width_) return nullptr;
    return bitsPerPixel_ == 1 ? row + (x >> 3) : row + int64_t(x) * (bitsPerPixel_ / 8);
  }
  // Pixel (x, y) of a 32-bit raster as a float.
  float* FloatPtr(int y, int x) { return reinterpret_cast<float*>(PixelPtr(y, x)); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int64_t RowLength() const { return rowLength_; }
  uint8_t* Data() { return data_.get(); }

 private:
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int64_t rowLength_ = 0;
  std::unique_ptr<uint8_t[]> data_;
};

}  // namespace ox
