// ConvertToGray and Negative: the gray level (GrayOf) on every channel, and inverted
// channels (or bits of a 1-bit picture), on a region or the selected pixels.
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"

namespace ox {

bool ConvertToGray(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask, const TProcProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  ApplyOnSelection(dib, region, mask, [&](gfx::TDib& d, const gfx::TRect& r) {
    const TRowProgress meter(progress, r.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint8_t* p = d.ScanLine(y) + 3 * int64_t(r.Left);
      const int n = r.Width();
      for (int x = 0; x < n; ++x, p += 3) {
        const uint32_t g = uint32_t(GrayOfBgr(p));
        p[0] = p[1] = p[2] = uint8_t(g);
      }
      meter.Row(y - r.Top);
    }
  });
  return true;
}

bool Negative(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask, const TProcProgress& progress) {
  const gfx::TPixelFormat f = dib.PixelFormat();
  if (f != gfx::TPixelFormat::pf24bit && f != gfx::TPixelFormat::pf1bit) return false;
  ApplyOnSelection(dib, region, mask, [&](gfx::TDib& d, const gfx::TRect& r) {
    const TRowProgress meter(progress, r.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint8_t* row = d.ScanLine(y);
      if (f == gfx::TPixelFormat::pf24bit) {
        uint8_t* p = row + 3 * int64_t(r.Left);
        const int64_t n = 3 * int64_t(r.Width());
        for (int64_t i = 0; i < n; ++i) p[i] = uint8_t(~p[i]);
      } else {
        // Partial bytes at both ends, whole bytes between.
        int x = r.Left;
        for (; x < r.Right && (x & 7); ++x) row[x >> 3] ^= uint8_t(0x80u >> (x & 7));
        for (; x + 8 <= r.Right; x += 8) row[x >> 3] = uint8_t(~row[x >> 3]);
        for (; x < r.Right; ++x) row[x >> 3] ^= uint8_t(0x80u >> (x & 7));
      }
      meter.Row(y - r.Top);
    }
  });
  return true;
}

}  // namespace ox
