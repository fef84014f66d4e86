// Small helpers shared by all image code: row lengths, gray level, 1-bit access, clamping, bit tricks, Lab.
#pragma once

#include <cstdint>

#include "platform/gfx/Dib.h"
#include "platform/gfx/Gray.h"

namespace ox {

// Bytes per row padded to a multiple of 4, as in a DIB.
constexpr int64_t RowLength(int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }
int64_t DibRowLength(int64_t width, gfx::TPixelFormat format);

// Gray level of a colour value 0x00BBGGRR; the one luminance formula of the system.
constexpr int GrayOf(gfx::TColor c) { return gfx::GrayOfColor(c); }
using gfx::GrayOf;
using gfx::GrayOfBgr;

// Pixel x of a 1-bit row; the leftmost pixel is the most significant bit.
inline bool GetBit(const uint8_t* row, int64_t x) { return (row[x >> 3] & (0x80u >> (x & 7))) != 0; }
inline void SetBit(uint8_t* row, int64_t x, bool on) {
  const uint8_t mask = uint8_t(0x80u >> (x & 7));
  if (on) row[x >> 3] |= mask;
  else row[x >> 3] &= uint8_t(~mask);
}

constexpr int Min(int a, int b) { return a < b ? a : b; }
constexpr int Max(int a, int b) { return a > b ? a : b; }
constexpr int Clamp(int v, int low, int high) { return Min(Max(v, low), high); }
constexpr double Min(double a, double b) { return a < b ? a : b; }
constexpr double Max(double a, double b) { return a > b ? a : b; }
constexpr uint8_t ClampByte(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : uint8_t(v); }

constexpr void Swap(int& a, int& b) { const int t = a; a = b; b = t; }
// Makes (x1, y1) the top-left and (x2, y2) the bottom-right corner.
constexpr void OrderRect(int& x1, int& y1, int& x2, int& y2) {
  if (x1 > x2) Swap(x1, x2);
  if (y1 > y2) Swap(y1, y2);
}

constexpr uint16_t ByteSwap16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
constexpr uint32_t ByteSwap32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
// Bit 0 becomes bit 31 and so on.
constexpr uint32_t BitReverse32(uint32_t v) {
  v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
  v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
  v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
  return ByteSwap32(v);
}

// base^exponent by repeated squaring; a negative exponent gives the reciprocal.
double IntPower(double base, int exponent);

// 8-bit CIELab (D65, sRGB), the packing the TIFF codec stores: L in byte 0 (L* x 255 / 100),
// a* in byte 1 and b* in byte 2 as signed bytes (-128..127).
// RgbToLab takes a 24-bit pixel read as a little-endian integer, i.e. 0x00RRGGBB.
uint32_t RgbToLab(uint32_t rgb);
// Inverse of RgbToLab; colours outside sRGB are clamped per channel.
gfx::TRGB LabToRgb(uint32_t lab);

}  // namespace ox
