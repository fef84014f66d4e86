// TOXBitmap storage in its three locations, row access and the conversions from and to a DIB.
#include "imaging/model/oxbitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/model/oxutils.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

int BitsOf(TOXPixelFormat format) {
  switch (format) {
    case oxpf1Bit: return 1;
    case oxpf8Palette:
    case oxpf8Gray: return 8;
    case oxpf16Gray: return 16;
    case oxpf24RGB: return 24;
    case oxpfNone: return 0;
  }
  return 0;
}

namespace {

gfx::TPixelFormat DibFormatOf(TOXPixelFormat format) {
  switch (format) {
    case oxpf1Bit: return gfx::TPixelFormat::pf1bit;
    case oxpf24RGB: return gfx::TPixelFormat::pf24bit;
    default: return gfx::TPixelFormat::pf8bit;
  }
}

std::vector<gfx::TRGB> GrayPalette() {
  std::vector<gfx::TRGB> pal(256);
  for (int i = 0; i < 256; ++i) pal[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  return pal;
}

// The high byte of each little-endian 16-bit gray pixel.
void HighBytes(const uint8_t* src, uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x) dst[x] = src[2 * x + 1];
}

}  // namespace

bool TOXBitmap::Allocate(int width, int height, TOXPixelFormat format) {
  FreeImage();
  if (width <= 0 || height <= 0 || format == oxpfNone) return false;
  // A DIB has no 16-bit gray; its pixels keep only the high byte.
  if (location_ == oxblDib && format == oxpf16Gray) format = oxpf8Gray;
  const int bits = BitsOf(format);
  if (!gfx::ImageSizeAllowed(width, height, bits)) return false;
  const int64_t rowLength = ox::RowLength(width, bits);
  const int64_t size = rowLength * height;

  if (location_ == oxblFile && !file_.Create(size)) location_ = oxblMemory;
  if (location_ == oxblMemory) memory_ = std::make_unique_for_overwrite<uint8_t[]>(size_t(size));
  if (location_ == oxblDib) dib_ = std::make_unique<gfx::TDib>(width, height, DibFormatOf(format));

  width_ = width;
  height_ = height;
  bitsPerPixel_ = bits;
  rowLength_ = rowLength;
  pixelFormat_ = format;
  if (format == oxpf8Palette) {
    palette_.assign(256 * 3, 0);
    paletteCount_ = 256;
  }
  return true;
}

void TOXBitmap::FreeImage() {
  file_.Close();
  memory_.reset();
  dib_.reset();
  palette_ = {};
  paletteCount_ = 0;
  width_ = height_ = bitsPerPixel_ = 0;
  rowLength_ = 0;
  pixelFormat_ = oxpfNone;
}

uint8_t* TOXBitmap::Scanline(int row) {
  if (row < 0 || row >= height_) return nullptr;
  if (memory_) return memory_.get() + rowLength_ * (int64_t(height_) - 1 - row);
  if (dib_) return dib_->ScanLine(row);
  // Out of address space for one row view: the same failure as running out of memory.
  uint8_t* view = file_.Map(rowLength_ * row, rowLength_);
  if (!view) throw std::bad_alloc();
  return view;
}

void TOXBitmap::CopyToDib(gfx::TDib& dib) {
  if (Empty()) {
    dib.SetSize(0, 0);
    return;
  }
  // Built aside and assigned at the end: growing the DIB in place would fill every pixel first,
  // and the DIB may be our own holder.
  gfx::TDib out(width_, height_, DibFormatOf(pixelFormat_));
  if (pixelFormat_ == oxpf1Bit) {
    out.SetMonochrome(true);
  } else if (pixelFormat_ == oxpf8Palette) {
    std::vector<gfx::TRGB> pal(paletteCount_);
    for (int i = 0; i < paletteCount_; ++i) pal[i] = {palette_[3 * i + 2], palette_[3 * i + 1], palette_[3 * i]};
    out.SetPalette(pal);
  } else if (pixelFormat_ != oxpf24RGB) {
    out.SetPalette(GrayPalette());
  }
  const size_t bytes = size_t(std::min(rowLength_, out.RowLength()));
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = Scanline(y);
    if (pixelFormat_ == oxpf16Gray) HighBytes(src, out.ScanLine(y), width_);
    else std::memcpy(out.ScanLine(y), src, bytes);
  }
  dib.Assign(out);
}

bool TOXBitmap::CopyFromDib(const gfx::TDib& dib) {
  if (&dib == dib_.get()) {
    const gfx::TDib copy(dib);
    return CopyFromDib(copy);
  }
  using gfx::TPixelFormat;
  const TPixelFormat dibFormat = dib.PixelFormat();
  TOXPixelFormat format = oxpf24RGB;
  int entries = 0;
  switch (dibFormat) {
    case TPixelFormat::pf1bit:
      if (dib.Monochrome()) format = oxpf1Bit;
      else format = oxpf8Palette, entries = 2;
      break;
    case TPixelFormat::pf4bit: format = oxpf8Palette, entries = 16; break;
    case TPixelFormat::pf8bit: format = oxpf8Palette, entries = 256; break;
    case TPixelFormat::pfDevice: format = oxpfNone; break;
    default: break;
  }
  if (dib.Empty() || !Allocate(dib.Width(), dib.Height(), format)) {
    FreeImage();
    return false;
  }
  // A DIB may carry fewer entries than its bits address; the missing ones stay black.
  const int present = int(std::min<size_t>(dib.Palette().size(), size_t(entries)));
  for (int i = 0; i < present; ++i) {
    const gfx::TRGB& c = dib.Palette()[i];
    palette_[3 * i] = c.b;
    palette_[3 * i + 1] = c.g;
    palette_[3 * i + 2] = c.r;
  }
  if (location_ == oxblDib) UpdateDibPalette();

  const int w = width_;
  const size_t rowBytes = size_t(std::min(rowLength_, dib.RowLength()));
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = dib.ScanLine(y);
    uint8_t* dst = Scanline(y);
    int64_t used = rowLength_;  // bytes written by the conversion; the padding after them is zeroed
    switch (dibFormat) {
      case TPixelFormat::pf1bit:
        if (format == oxpf1Bit) {
          std::memcpy(dst, src, rowBytes);
          used = int64_t(rowBytes);
        } else {
          for (int x = 0; x < w; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
          used = w;
        }
        break;
      case TPixelFormat::pf4bit:
        for (int x = 0; x + 1 < w; x += 2) {
          dst[x] = src[x >> 1] >> 4;
          dst[x + 1] = src[x >> 1] & 15;
        }
        if (w & 1) dst[w - 1] = src[w >> 1] >> 4;
        used = w;
        break;
      case TPixelFormat::pf15bit:
        for (int x = 0; x < w; ++x) {
          const unsigned v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[3 * x] = uint8_t((v & 31) << 3);
          dst[3 * x + 1] = uint8_t(((v >> 5) & 31) << 3);
          dst[3 * x + 2] = uint8_t(((v >> 10) & 31) << 3);
        }
        used = int64_t(3) * w;
        break;
      case TPixelFormat::pf16bit:
        for (int x = 0; x < w; ++x) {
          const unsigned v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[3 * x] = uint8_t((v & 31) << 3);
          dst[3 * x + 1] = uint8_t(((v >> 5) & 63) << 2);
          dst[3 * x + 2] = uint8_t((v >> 11) << 3);
        }
        used = int64_t(3) * w;
        break;
      case TPixelFormat::pf32bit:
        for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
        used = int64_t(3) * w;
        break;
      default:  // 8 and 24 bits: same layout
        std::memcpy(dst, src, rowBytes);
        used = int64_t(rowBytes);
        break;
    }
    if (used < rowLength_) std::memset(dst + used, 0, size_t(rowLength_ - used));
  }
  return true;
}

void TOXBitmap::MoveTo(TOXBitmap& other) {
  if (&other == this) return;
  other.FreeImage();
  other.width_ = width_;
  other.height_ = height_;
  other.bitsPerPixel_ = bitsPerPixel_;
  other.rowLength_ = rowLength_;
  other.pixelFormat_ = pixelFormat_;
  other.palette_ = std::move(palette_);
  other.paletteCount_ = paletteCount_;
  other.file_ = std::move(file_);
  other.memory_ = std::move(memory_);
  other.dib_ = std::move(dib_);
  other.location_ = location_;
  FreeImage();
}

void TOXBitmap::SetLocation(TOXBitmapLocation location) {
  if (location == location_) return;
  TOXBitmap old;
  MoveTo(old);
  location_ = location;
  if (old.Empty()) return;
  if (!Allocate(old.width_, old.height_, old.pixelFormat_)) {
    old.MoveTo(*this);
    return;
  }
  const bool narrowed = pixelFormat_ != old.pixelFormat_;  // 16-bit gray into a DIB
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = old.Scanline(y);
    if (narrowed) HighBytes(src, Scanline(y), width_);
    else std::memcpy(Scanline(y), src, size_t(rowLength_));
  }
  if (paletteCount_ > 0) palette_ = old.palette_;
  UpdateDibPalette();
}

void TOXBitmap::UpdateDibPalette() {
  if (!dib_ || paletteCount_ == 0) return;
  std::vector<gfx::TRGB> pal(paletteCount_);
  for (int i = 0; i < paletteCount_; ++i) pal[i] = {palette_[3 * i + 2], palette_[3 * i + 1], palette_[3 * i]};
  dib_->SetPalette(pal);
}

}  // namespace ox
