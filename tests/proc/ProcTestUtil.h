// Small picture and mask builders shared by the processing tests.
#pragma once

#include <initializer_list>
#include <vector>

#include "imaging/model/oxmask.h"
#include "platform/gfx/Dib.h"

namespace proctest {

// A 24-bit picture whose pixel (x, y) is colour(x, y).
template <class F>
gfx::TDib Make24(int w, int h, F colour) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d.SetPixelColor(x, y, colour(x, y));
  return d;
}

// A distinct colour per position.
inline gfx::TColor Distinct(int x, int y) { return gfx::RGBColor(uint8_t(10 + x * 20), uint8_t(5 + y * 30), uint8_t(x * 7 + y * 3)); }

inline gfx::TDib Uniform(int w, int h, gfx::TColor c) {
  return Make24(w, h, [c](int, int) { return c; });
}

// A 1-bit mask of the picture's size with the given rectangle (right and bottom excluded) selected.
inline ox::TOXMask RectMask(int w, int h, int x1, int y1, int x2, int y2) {
  ox::TOXMask m;
  m.Allocate(w, h, 1);
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) m.SetPixel(x, y, 1);
  return m;
}

inline bool SamePixels(const gfx::TDib& a, const gfx::TDib& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixelColor(x, y) != b.GetPixelColor(x, y)) return false;
  return true;
}

}  // namespace proctest
