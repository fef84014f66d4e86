// TOXBitmap: a self-describing pixel buffer held in memory, in a mapped temporary file or inside a DIB.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/Dib.h"
#include "platform/gfx/TempFileMap.h"

namespace ox {

enum TOXPixelFormat { oxpfNone, oxpf1Bit, oxpf8Palette, oxpf8Gray, oxpf16Gray, oxpf24RGB };
enum TOXBitmapLocation { oxblMemory, oxblFile, oxblDib };

int BitsOf(TOXPixelFormat format);

class TOXBitmap {
 public:
  // Empty, at the file location.
  TOXBitmap() = default;
  ~TOXBitmap() = default;
  TOXBitmap(const TOXBitmap&) = delete;
  TOXBitmap& operator=(const TOXBitmap&) = delete;

  // Frees the current image and creates width x height pixels of `format` at the current location.
  // False, and the object empty, for a zero size, oxpfNone or a picture the size guard refuses.
  // A temporary file that cannot be created switches the object to memory for good.
  bool Allocate(int width, int height, TOXPixelFormat format);
  // Releases the storage; the location stays.
  void FreeImage();
  bool Empty() const { return width_ == 0; }

  // Row `row` counted from the top; null outside the picture. At the file location the address is
  // valid only until the next Scanline call on this object.
  uint8_t* Scanline(int row);

  // Replaces the DIB's content with this picture (16-bit gray becomes 8-bit gray).
  void CopyToDib(gfx::TDib& dib);
  // Replaces this picture with the DIB's content; false (object empty) for an empty or device-dependent DIB.
  bool CopyFromDib(const gfx::TDib& dib);
  // Hands the image and its location to `other`, freeing other's image first; this object ends empty.
  void MoveTo(TOXBitmap& other);

  TOXBitmapLocation Location() const { return location_; }
  // Moves the pixels and the palette to the new location.
  void SetLocation(TOXBitmapLocation location);
  // Writes the palette into the DIB (DIB location with a palette only).
  void UpdateDibPalette();

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int64_t RowLength() const { return rowLength_; }
  TOXPixelFormat PixelFormat() const { return pixelFormat_; }
  // 256 entries stored blue, green, red; null unless the format is oxpf8Palette.
  uint8_t* Palette() { return palette_.empty() ? nullptr : palette_.data(); }
  const uint8_t* Palette() const { return palette_.empty() ? nullptr : palette_.data(); }
  int PaletteCount() const { return paletteCount_; }
  // The pixel holder at the DIB location, else null.
  gfx::TDib* Dib() { return dib_.get(); }

 private:
  void SetFormat(int width, int height, TOXPixelFormat format);

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int64_t rowLength_ = 0;
  TOXPixelFormat pixelFormat_ = oxpfNone;
  std::vector<uint8_t> palette_;
  int paletteCount_ = 0;
  gfx::TTempFileMap file_;
  std::unique_ptr<uint8_t[]> memory_;
  std::unique_ptr<gfx::TDib> dib_;
  TOXBitmapLocation location_ = oxblFile;
};

}  // namespace ox
