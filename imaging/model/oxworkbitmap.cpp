// TOXWorkBitmap allocation.
#include "imaging/model/oxworkbitmap.h"

#include "imaging/model/oxutils.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

TOXWorkBitmap::TOXWorkBitmap(int width, int bits, int height) {
  if (width > 0 && height > 0) Allocate(width, height, bits);
}

bool TOXWorkBitmap::Allocate(int width, int height, int bits) {
  if (data_ && width == width_ && height == height_ && bits == bitsPerPixel_) return true;
  FreeImage();
  const bool depthOk = bits == 1 || bits == 8 || bits == 24 || bits == 32 || bits == 64;
  if (!depthOk || !gfx::ImageSizeAllowed(width, height, bits)) return false;
  const int64_t rowLength = ox::RowLength(width, bits);
  // The byte array provides the storage in which the float users' objects begin their life.
  data_ = std::make_unique_for_overwrite<uint8_t[]>(size_t(rowLength * height));
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bits;
  rowLength_ = rowLength;
  return true;
}

void TOXWorkBitmap::FreeImage() {
  data_.reset();
  width_ = height_ = bitsPerPixel_ = 0;
  rowLength_ = 0;
}

}  // namespace ox
