// TDib storage, format conversion, resizing and pixel access.
#include "platform/gfx/Dib.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <cstring>
#include <stdexcept>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Gray.h"
#include "platform/gfx/SizeGuard.h"

namespace gfx {

int BitsOf(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit: return 15;
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    case TPixelFormat::pfDevice: return 0;
  }
  return 0;
}

namespace {
// Device-dependent pixels are held as 32-bit so that they can be drawn, but report 0 bits.
int StorageBits(TPixelFormat f) { return f == TPixelFormat::pfDevice ? 32 : BitsOf(f); }
int PaletteSize(TPixelFormat f) {
  switch (f) {
    case TPixelFormat::pf1bit: return 2;
    case TPixelFormat::pf4bit: return 16;
    case TPixelFormat::pf8bit: return 256;
    default: return 0;
  }
}
}  // namespace

TDib::TDib() = default;
TDib::TDib(int width, int height, TPixelFormat format) : format_(format) {
  DefaultPalette();
  Reallocate(width, height, format, false, 0);
}
TDib::~TDib() = default;
TDib::TDib(const TDib& other) { Assign(other); }
TDib& TDib::operator=(const TDib& other) {
  if (this != &other) Assign(other);
  return *this;
}

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kHugeFrom = size_t(4) << 20;
}  // namespace

uint8_t* TPixelAllocator::allocate(size_t n) {
  if (n < kHugeFrom) return static_cast<uint8_t*>(::operator new(n));
  const size_t size = (n + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, size);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(p, size, MADV_HUGEPAGE);
#endif
  return static_cast<uint8_t*>(p);
}

void TPixelAllocator::deallocate(uint8_t* p, size_t n) noexcept {
  if (n < kHugeFrom) ::operator delete(p);
  else std::free(p);
}

TDib::TDib(TDib&& other) noexcept { *this = std::move(other); }
TDib& TDib::operator=(TDib&& other) noexcept {
  if (this == &other) return *this;
  width_ = other.width_;
  height_ = other.height_;
  format_ = other.format_;
  rowLength_ = other.rowLength_;
  bits_ = std::move(other.bits_);
  palette_ = std::move(other.palette_);
  monochrome_ = other.monochrome_;
  other.width_ = other.height_ = 0;
  other.rowLength_ = 0;
  other.bits_.clear();
  return *this;
}

void TDib::Assign(const TDib& other) {
  if (this == &other) return;
  width_ = other.width_;
  height_ = other.height_;
  format_ = other.format_;
  rowLength_ = other.rowLength_;
  bits_ = other.bits_;
  palette_ = other.palette_;
  monochrome_ = other.monochrome_;
}

TCanvas& TDib::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>(*this);
  return *canvas_;
}

void TDib::DefaultPalette() {
  int n = PaletteSize(format_);
  palette_.assign(n, TRGB{});
  if (n == 2) {
    palette_[1] = {255, 255, 255};
    monochrome_ = true;
  } else {
    for (int i = 0; i < n; ++i) {
      uint8_t v = uint8_t(i * 255 / (n - 1));
      palette_[i] = {v, v, v};
    }
  }
}

void TDib::SetPalette(const std::vector<TRGB>& palette) {
  size_t n = PaletteSize(format_);
  palette_.assign(n, TRGB{});
  std::copy_n(palette.begin(), std::min(n, palette.size()), palette_.begin());
  monochrome_ = n == 2 && palette_[0] == TRGB{0, 0, 0} && palette_[1] == TRGB{255, 255, 255};
}

void TDib::SetMonochrome(bool m) {
  monochrome_ = m;
  if (m && format_ == TPixelFormat::pf1bit) palette_ = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
}

void TDib::SetSize(int w, int h) {
  TColor fill = canvas_ ? canvas_->Brush.Color : 0xFFFFFF;
  Reallocate(w, h, format_, true, fill);
}

void TDib::Reallocate(int w, int h, TPixelFormat f, bool keep, TColor fill) {
  if (w <= 0 || h <= 0) {
    width_ = height_ = 0;
    rowLength_ = 0;
    bits_.clear();
    return;
  }
  if (!ImageSizeAllowed(w, h, StorageBits(f))) throw std::length_error("Picture too large");
  TDib old;
  if (keep) {
    old.width_ = width_;
    old.height_ = height_;
    old.rowLength_ = rowLength_;
    old.format_ = format_;
    old.bits_.swap(bits_);
  }
  width_ = w;
  height_ = h;
  format_ = f;
  rowLength_ = RowBytes(w, StorageBits(f));
  bits_.assign(size_t(rowLength_ * h), 0);
  if (!keep) return;
  int cw = std::min(w, old.width_), ch = std::min(h, old.height_);
  int64_t bytes = (int64_t(cw) * StorageBits(f) + 7) / 8;
  // Whole bytes are copied; the bits past the kept width in the last byte are refilled below.
  for (int y = 0; y < ch; ++y) std::memcpy(ScanLine(y), old.ScanLine(y), size_t(std::min(bytes, rowLength_)));
  if (cw < w)
    for (int y = 0; y < ch; ++y) FillSpan(y, cw, w, fill);
  if (ch >= h) return;
  // New rows are all alike: encode one, then copy it (nothing to do when it encodes to the zeroes
  // the buffer already holds).
  FillSpan(ch, 0, w, fill);
  const uint8_t* first = ScanLine(ch);
  bool zero = true;
  for (int64_t i = 0; i < rowLength_ && zero; ++i) zero = first[i] == 0;
  if (zero) return;
  for (int y = ch + 1; y < h; ++y) std::memcpy(ScanLine(y), first, size_t(rowLength_));
}

void TDib::FillSpan(int y, int x0, int x1, TColor c) {
  if (x0 >= x1) return;
  // Encode the colour once (palette search included), then repeat its bits along the row.
  SetPixelColor(x0, y, c);
  uint8_t* row = ScanLine(y);
  const int bits = BitsOf(format_) ? BitsOf(format_) : 32;
  if (bits >= 8) {
    const int bpp = (bits + 7) / 8;
    for (int x = x0 + 1; x < x1; ++x) std::memcpy(row + int64_t(x) * bpp, row + int64_t(x0) * bpp, size_t(bpp));
    return;
  }
  const int shift0 = 8 - bits - (x0 * bits) % 8;
  const unsigned value = (row[(x0 * bits) / 8] >> shift0) & ((1u << bits) - 1);
  for (int x = x0 + 1; x < x1; ++x) {
    const int64_t bit = int64_t(x) * bits;
    const int shift = 8 - bits - int(bit % 8);
    uint8_t& byte = row[bit / 8];
    byte = uint8_t((byte & ~(((1u << bits) - 1) << shift)) | (value << shift));
  }
}

TColor TDib::GetPixelColorIn(int x, int y, const std::vector<TRGB>& pal) const {
  const uint8_t* row = ScanLine(y);
  auto fromPal = [&](int i) {
    if (i >= int(pal.size())) return TColor(0);
    return RGBColor(pal[i].r, pal[i].g, pal[i].b);
  };
  switch (format_) {
    case TPixelFormat::pf1bit: return fromPal((row[x >> 3] >> (7 - (x & 7))) & 1);
    case TPixelFormat::pf4bit: return fromPal((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4);
    case TPixelFormat::pf8bit: return fromPal(row[x]);
    case TPixelFormat::pf15bit: {
      unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
      return RGBColor(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3);
    }
    case TPixelFormat::pf16bit: {
      unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
      return RGBColor((v >> 11) << 3, ((v >> 5) & 63) << 2, (v & 31) << 3);
    }
    case TPixelFormat::pf24bit: return RGBColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case TPixelFormat::pf32bit:
    case TPixelFormat::pfDevice: return RGBColor(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
  }
  return 0;
}

TColor TDib::GetPixelColor(int x, int y) const { return GetPixelColorIn(x, y, palette_); }

namespace {
int NearestEntry(const std::vector<TRGB>& pal, TColor c) {
  int best = 0;
  long bestD = -1;
  for (int i = 0; i < int(pal.size()); ++i) {
    long dr = long(pal[i].r) - RedOf(c), dg = long(pal[i].g) - GreenOf(c), db = long(pal[i].b) - BlueOf(c);
    long d = dr * dr + dg * dg + db * db;
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return best;
}
}  // namespace

void TDib::SetPixelColor(int x, int y, TColor c) {
  uint8_t* row = ScanLine(y);
  uint8_t r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  switch (format_) {
    case TPixelFormat::pf1bit: {
      uint8_t m = uint8_t(0x80 >> (x & 7));
      // Monochrome pictures split at mid gray; others take the nearer of their two entries.
      bool set = monochrome_ ? GrayOf(r, g, b) >= 128 : NearestEntry(palette_, c) != 0;
      if (set) row[x >> 3] |= m; else row[x >> 3] &= uint8_t(~m);
      break;
    }
    case TPixelFormat::pf4bit: {
      uint8_t i = uint8_t(NearestEntry(palette_, c));
      uint8_t& byte = row[x >> 1];
      byte = (x & 1) ? uint8_t((byte & 0xF0) | i) : uint8_t((byte & 0x0F) | (i << 4));
      break;
    }
    case TPixelFormat::pf8bit: row[x] = uint8_t(NearestEntry(palette_, c)); break;
    case TPixelFormat::pf15bit: {
      unsigned v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case TPixelFormat::pf16bit: {
      unsigned v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case TPixelFormat::pf24bit: row[3 * x] = b; row[3 * x + 1] = g; row[3 * x + 2] = r; break;
    case TPixelFormat::pf32bit:
    case TPixelFormat::pfDevice: row[4 * x] = b; row[4 * x + 1] = g; row[4 * x + 2] = r; row[4 * x + 3] = 0; break;
  }
}

void TDib::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  TDib old(*this);
  format_ = format;
  DefaultPalette();
  Reallocate(old.width_, old.height_, format, false, 0);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) SetPixelColor(x, y, old.GetPixelColor(x, y));
}

}  // namespace gfx
