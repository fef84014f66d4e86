// GrayOf: the one gray level of the system, for the graphics layer and the imaging code alike.
#pragma once

#include <cstdint>

#include "platform/gfx/Dib.h"

namespace gfx {

// A gray pixel keeps its level, so gray pictures survive every gray step unchanged; colour takes the
// weighted sum (the weights add up to 99, which would darken white).
constexpr int GrayOf(int r, int g, int b) { return r == g && g == b ? r : (r * 21 + g * 71 + b * 7) / 100; }
constexpr int GrayOf(const TRGB& c) { return GrayOf(c.r, c.g, c.b); }
// Colour value 0x00BBGGRR.
constexpr int GrayOfColor(TColor c) { return GrayOf(RedOf(c), GreenOf(c), BlueOf(c)); }
// A 24-bit pixel in memory order blue, green, red.
constexpr int GrayOfBgr(const uint8_t* p) { return GrayOf(p[2], p[1], p[0]); }

}  // namespace gfx
