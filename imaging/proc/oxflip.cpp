// Flip: mirrors a 24-bit or 1-bit picture left to right or top to bottom.
// Rows are copied whole for the vertical mirror; the horizontal one reverses pixels (bits) within each row.
#include <cstring>

#include "imaging/model/oxutils.h"
#include "imaging/proc/oxgeometry.h"

namespace ox {

bool Flip(gfx::TDib& dib, int direction) {
  const gfx::TPixelFormat f = dib.PixelFormat();
  if (dib.Empty() || (f != gfx::TPixelFormat::pf24bit && f != gfx::TPixelFormat::pf1bit)) return false;
  const int w = dib.Width(), h = dib.Height();
  gfx::TDib out(w, h, f);
  if (f == gfx::TPixelFormat::pf1bit) {
    out.SetPalette(dib.Palette());
    out.SetMonochrome(dib.Monochrome());
  }
  const size_t rowBytes = size_t(dib.RowLength());
  for (int y = 0; y < h; ++y) {
    if (direction != 0) {
      std::memcpy(out.ScanLine(y), dib.ScanLine(h - 1 - y), rowBytes);
      continue;
    }
    const uint8_t* s = dib.ScanLine(y);
    uint8_t* d = out.ScanLine(y);
    if (f == gfx::TPixelFormat::pf24bit) {
      const uint8_t* sp = s + 3 * int64_t(w - 1);
      for (int x = 0; x < w; ++x, sp -= 3, d += 3) {
        d[0] = sp[0];
        d[1] = sp[1];
        d[2] = sp[2];
      }
    } else {
      for (int x = 0; x < w; ++x) SetBit(d, x, GetBit(s, w - 1 - x));
    }
  }
  dib = std::move(out);
  return true;
}

}  // namespace ox
