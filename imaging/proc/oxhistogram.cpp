// GetHistogram (red, green, blue and gray-level counts over a region) and MeanColour (per-channel mean
// of a whole picture, summed in 64 bits).
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"

namespace ox {

bool GetHistogram(const gfx::TDib& dib, const gfx::TRect& region, THistogram& histogram) {
  histogram = THistogram{};
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit || dib.Empty()) return false;
  const gfx::TRect r = ClampRegion(dib, region);
  for (int y = r.Top; y < r.Bottom; ++y) {
    const uint8_t* p = dib.ScanLine(y) + 3 * int64_t(r.Left);
    for (int x = r.Left; x < r.Right; ++x, p += 3) {
      ++histogram.Blue[p[0]];
      ++histogram.Green[p[1]];
      ++histogram.Red[p[2]];
      ++histogram.Gray[GrayOfBgr(p)];
    }
  }
  return true;
}

gfx::TRGB MeanColour(const gfx::TDib& dib) {
  if (dib.Empty()) return {128, 128, 128};
  uint64_t sum[3] = {0, 0, 0};
  const int w = dib.Width(), h = dib.Height();
  const bool rgb = dib.PixelFormat() == gfx::TPixelFormat::pf24bit;
  for (int y = 0; y < h; ++y) {
    if (rgb) {
      const uint8_t* p = dib.ScanLine(y);
      uint64_t b = 0, g = 0, r = 0;
      for (int x = 0; x < w; ++x, p += 3) {
        b += p[0];
        g += p[1];
        r += p[2];
      }
      sum[0] += b, sum[1] += g, sum[2] += r;
    } else {
      for (int x = 0; x < w; ++x) {
        const gfx::TColor c = dib.GetPixelColor(x, y);
        sum[0] += gfx::BlueOf(c), sum[1] += gfx::GreenOf(c), sum[2] += gfx::RedOf(c);
      }
    }
  }
  const uint64_t n = uint64_t(w) * uint64_t(h);
  return {uint8_t(sum[2] / n), uint8_t(sum[1] / n), uint8_t(sum[0] / n)};
}

}  // namespace ox
