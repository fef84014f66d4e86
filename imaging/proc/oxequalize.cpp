// Equalize: histogram equalization of a 24-bit picture from its gray-level histogram; each pixel keeps,
// lifts or lowers its channels by the level's output range, or takes its 3 x 3 neighbourhood mean.
#include <algorithm>
#include <vector>

#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"

namespace ox {

namespace {
}  // namespace

bool Equalize(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask, const TProcProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  ApplyOnSelection(dib, region, mask, [&](gfx::TDib& d, const gfx::TRect& r) {
    const int w = d.Width(), h = d.Height();
    std::array<int64_t, 256> hist{};
    for (int y = 0; y < h; ++y) {
      const uint8_t* p = d.ScanLine(y);
      for (int x = 0; x < w; ++x, p += 3) ++hist[GrayOfBgr(p)];
    }
    // At least 1, or pictures under 256 pixels would never leave the inner loop.
    const int64_t avg = std::max<int64_t>(int64_t(w) * h / 256, 1);
    std::array<uint8_t, 256> L{}, R{};
    int64_t s = 0, z = 0;
    for (int k = 0; k < 256; ++k) {
      L[k] = ClampByte(z);
      s += hist[k];
      if (s > avg) {
        const int64_t steps = (s - 1) / avg;  // the smallest count that leaves s <= avg
        s -= steps * avg;
        z += steps;
      }
      R[k] = ClampByte(z);
    }
    const TRowProgress meter(progress, r.Height());
    std::vector<uint8_t> out(size_t(3) * r.Width() * r.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
      const uint8_t* rows[3] = {d.ScanLine(std::max(y - 1, 0)), d.ScanLine(y), d.ScanLine(std::min(y + 1, h - 1))};
      uint8_t* o = out.data() + size_t(3) * r.Width() * (y - r.Top);
      for (int x = r.Left; x < r.Right; ++x, o += 3) {
        const uint8_t* px = rows[1] + 3 * int64_t(x);
        const int g = GrayOfBgr(px);
        const int64_t xs[3] = {3 * int64_t(std::max(x - 1, 0)), 3 * int64_t(x), 3 * int64_t(std::min(x + 1, w - 1))};
        uint8_t m[3];
        for (int c = 0; c < 3; ++c) {
          int sum = 0;
          for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) sum += rows[j][xs[i] + c];
          m[c] = uint8_t(sum / 9);
        }
        const int K = GrayOfBgr(m);
        const uint8_t* src = px;
        const std::array<uint8_t, 256>* t = nullptr;
        if (L[g] == R[g]) t = &L;
        else if (K > R[g]) t = &R;
        else if (K < L[g]) t = &L;
        else src = m;
        for (int c = 0; c < 3; ++c) o[c] = t ? (*t)[src[c]] : src[c];
      }
      meter.Row(y - r.Top);
    }
    for (int y = r.Top; y < r.Bottom; ++y)
      std::copy_n(out.data() + size_t(3) * r.Width() * (y - r.Top), size_t(3) * r.Width(), d.ScanLine(y) + 3 * int64_t(r.Left));
  });
  return true;
}

}  // namespace ox
