// TDib: the device-independent bitmap every working image lives in (bottom-up rows, 4-byte padding, BGR).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gfx {

class TCanvas;

// Pixel formats of a DIB; pfDevice is the device-dependent format (0 bits per pixel).
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

int BitsOf(TPixelFormat format);

struct TRGB {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TRGB&) const = default;
};

// Colour value 0x00BBGGRR (red in the low byte).
using TColor = uint32_t;
constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (uint32_t(b) << 16); }
constexpr uint8_t RedOf(TColor c) { return c & 0xFF; }
constexpr uint8_t GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t BlueOf(TColor c) { return (c >> 16) & 0xFF; }

class TDib {
 public:
  TDib();
  TDib(int width, int height, TPixelFormat format);
  ~TDib();
  TDib(const TDib& other);
  TDib& operator=(const TDib& other);
  // Moving hands over pixels, palette and flags; each object keeps its own canvas.
  TDib(TDib&& other) noexcept;
  TDib& operator=(TDib&& other) noexcept;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  // Resizing keeps the top-left part and fills new area with the canvas brush colour.
  void SetWidth(int w) { SetSize(w, height_); }
  void SetHeight(int h) { SetSize(width_, h); }
  void SetSize(int w, int h);

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the content to the new format.
  void SetPixelFormat(TPixelFormat format);
  int BitsPerPixel() const { return BitsOf(format_); }

  // Row y counted from the top; rows lie bottom-up in memory.
  uint8_t* ScanLine(int y) { return bits_.data() + RowOffset(y); }
  const uint8_t* ScanLine(int y) const { return bits_.data() + RowOffset(y); }
  int64_t RowLength() const { return rowLength_; }
  // Signed distance in bytes from ScanLine(y) to ScanLine(y + 1).
  int64_t RowStride() const { return -rowLength_; }
  uint8_t* Bits() { return bits_.data(); }
  size_t ByteSize() const { return bits_.size(); }

  // Palette for 1-, 4- and 8-bit formats (up to 256 entries).
  std::vector<TRGB>& Palette() { return palette_; }
  const std::vector<TRGB>& Palette() const { return palette_; }
  void SetPalette(const std::vector<TRGB>& palette);
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool m);

  TCanvas& Canvas();

  void Assign(const TDib& other);
  bool Modified = false;

  // Colour of pixel (x, y) as 0x00BBGGRR whatever the format; x, y must be inside.
  TColor GetPixelColor(int x, int y) const;
  void SetPixelColor(int x, int y, TColor c);

 private:
  int64_t RowOffset(int y) const { return rowLength_ * (int64_t(height_) - 1 - y); }
  void Reallocate(int w, int h, TPixelFormat f, bool keep, TColor fill);
  void DefaultPalette();
  void FillSpan(int y, int x0, int x1, TColor c);
  TColor GetPixelColorIn(int x, int y, const std::vector<TRGB>& pal) const;

  int width_ = 0, height_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  int64_t rowLength_ = 0;
  std::vector<uint8_t> bits_;
  std::vector<TRGB> palette_;
  bool monochrome_ = false;
  std::unique_ptr<TCanvas> canvas_;
};

}  // namespace gfx
