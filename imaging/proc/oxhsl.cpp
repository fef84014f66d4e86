// AdjustHSL (floating-point hue, saturation, lightness) and AdjustHSV (integer model, H 0..359, S and V
// 0..99) on a region: each pixel is converted, shifted with clamping, and converted back.
#include <algorithm>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"

namespace ox {

namespace {

double HueToChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  else if (t > 1) t -= 1;
  if (6 * t < 1) return p + (q - p) * 6 * t;
  if (2 * t < 1) return q;
  if (3 * t < 2) return p + (q - p) * (2.0 / 3.0 - t) * 6;
  return p;
}

template <class PixelFn>
bool ForEachPixel(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask, const TProcProgress& progress,
                  PixelFn fn) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  ApplyOnSelection(dib, region, mask, [&](gfx::TDib& d, const gfx::TRect& r) {
    const TRowProgress meter(progress, r.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint8_t* p = d.ScanLine(y) + 3 * int64_t(r.Left);
      for (int x = 0; x < r.Width(); ++x, p += 3) fn(p);
      meter.Row(y - r.Top);
    }
  });
  return true;
}

}  // namespace

bool AdjustHSL(gfx::TDib& dib, const gfx::TRect& region, int dh, int ds, int dl, const TOXMask* mask,
               const TProcProgress& progress) {
  return ForEachPixel(dib, region, mask, progress, [&](uint8_t* px) {
    const double r = px[2] / 255.0, g = px[1] / 255.0, b = px[0] / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
      const double d = mx - mn;
      s = l >= 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
      if (mx == r) h = (g - b) / d;
      else if (mx == g) h = (b - r) / d + 2;
      else h = (r - g) / d + 4;
      h /= 6;
      if (h < 0) h += 1;
    }
    const double h2 = std::clamp(h + dh / 360.0, 0.0, 1.0);
    const double s2 = std::clamp(s + ds / 100.0, 0.0, 1.0);
    const double l2 = std::clamp(l + dl / 100.0, 0.0, 1.0);
    double rr, gg, bb;
    if (s2 == 0) {
      rr = gg = bb = l2;
    } else {
      const double q = l2 <= 0.5 ? l2 * (1 + s2) : l2 + s2 - l2 * s2;
      const double p = 2 * l2 - q;
      rr = HueToChannel(p, q, h2 + 1.0 / 3.0);
      gg = HueToChannel(p, q, h2);
      bb = HueToChannel(p, q, h2 - 1.0 / 3.0);
    }
    px[2] = ClampByte(Trunc(rr * 255));
    px[1] = ClampByte(Trunc(gg * 255));
    px[0] = ClampByte(Trunc(bb * 255));
  });
}

bool AdjustHSV(gfx::TDib& dib, const gfx::TRect& region, int dh, int ds, int dv, const TOXMask* mask,
               const TProcProgress& progress) {
  std::array<uint8_t, 256> to99{};
  std::array<uint8_t, 100> from99{};
  for (int i = 0; i < 256; ++i) to99[i] = uint8_t(Round(i / 255.0 * 99));
  for (int i = 0; i < 100; ++i) from99[i] = ClampByte(Round(i / 99.0 * 255));
  return ForEachPixel(dib, region, mask, progress, [&](uint8_t* px) {
    const int R = to99[px[2]], G = to99[px[1]], B = to99[px[0]];
    const int V0 = std::max({R, G, B}), n = std::min({R, G, B}), d = V0 - n;
    const int S0 = V0 == 0 ? 0 : d * 99 / V0;
    int H0 = 0;
    if (S0 != 0) {
      if (V0 == R) H0 = (G - B) * 60 / d;
      else if (V0 == G) H0 = (B - R) * 60 / d + 120;
      else H0 = (R - G) * 60 / d + 240;
      if (H0 < 0) H0 += 360;
    }
    const int H = std::clamp(H0 + dh, 0, 359), S = std::clamp(S0 + ds, 0, 99), V = std::clamp(V0 + dv, 0, 99);
    uint8_t r, g, b;
    if (S == 0) {
      r = g = b = uint8_t(V);
    } else {
      const int sector = H / 60, f = H % 60, k = S * V;
      const uint8_t vv = uint8_t(V), p = uint8_t(V - k / 99), q = uint8_t(V - f * k / 5940),
                    t = uint8_t(V - k * (60 - f) / 5940);
      switch (sector) {
        case 0: r = vv, g = t, b = p; break;
        case 1: r = q, g = vv, b = p; break;
        case 2: r = p, g = vv, b = t; break;
        case 3: r = p, g = q, b = vv; break;
        case 4: r = t, g = p, b = vv; break;
        default: r = vv, g = p, b = q; break;
      }
    }
    px[2] = from99[r];
    px[1] = from99[g];
    px[0] = from99[b];
  });
}

}  // namespace ox
