// Rows of palette indexes expanded to BGR pixels through a palette: 8-, 4- (high nibble first) and 1-bit.
#pragma once

#include <cstdint>

#include "platform/gfx/Dib.h"

namespace ox {

inline void PutBgr(uint8_t* out, const gfx::TRGB& c) {
  out[0] = c.b;
  out[1] = c.g;
  out[2] = c.r;
}

// `pal` must hold every index the row can carry (256, 16 or 2 entries).
inline void ExpandIndexes8(const uint8_t* in, int width, const gfx::TRGB* pal, uint8_t* out) {
  for (int x = 0; x < width; ++x, out += 3) PutBgr(out, pal[in[x]]);
}

inline void ExpandIndexes4(const uint8_t* in, int width, const gfx::TRGB* pal, uint8_t* out) {
  for (int x = 0; x < width; ++x, out += 3) PutBgr(out, pal[(x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4)]);
}

inline void ExpandIndexes1(const uint8_t* in, int width, const gfx::TRGB* pal, uint8_t* out) {
  for (int x = 0; x < width; ++x, out += 3) PutBgr(out, pal[(in[x >> 3] >> (7 - (x & 7))) & 1]);
}

}  // namespace ox
