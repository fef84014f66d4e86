// Out-of-line helpers of oxutils.h: DIB row length, integer power and the CIELab conversions.
#include "imaging/model/oxutils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/model/Rounding.h"

namespace ox {

int64_t DibRowLength(int64_t width, gfx::TPixelFormat format) { return RowLength(width, gfx::BitsOf(format)); }

double IntPower(double base, int exponent) {
  // Widen before negating so that INT_MIN does not overflow.
  int64_t e = exponent;
  const bool invert = e < 0;
  if (invert) e = -e;
  double result = 1.0;
  while (e > 0) {
    if (e & 1) result *= base;
    base *= base;
    e >>= 1;
  }
  return invert ? 1.0 / result : result;
}

namespace {

// D65 reference white, Y normalised to 1.
constexpr double kXn = 0.95047, kYn = 1.0, kZn = 1.08883;
constexpr double kDelta = 6.0 / 29.0;

double ToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double FromLinear(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }
double LabF(double t) { return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0; }
double LabFInv(double f) { return f > kDelta ? f * f * f : 3 * kDelta * kDelta * (f - 4.0 / 29.0); }

// Linear sRGB <-> XYZ; the rows are the sRGB primaries under D65.
double Lin(uint8_t v) { return ToLinear(v / 255.0); }

int64_t ClampI(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : v > hi ? hi : v; }

uint8_t Encode(double linear) { return ClampByte(Round(FromLinear(linear < 0 ? 0 : linear > 1 ? 1 : linear) * 255.0)); }

}  // namespace

namespace {

uint32_t PackLab(int64_t l, int64_t a, int64_t b) {
  l = ClampI(l, 0, 255);
  a = ClampI(a, -128, 127);
  b = ClampI(b, -128, 127);
  return uint32_t(l) | (uint32_t(uint8_t(int8_t(a))) << 8) | (uint32_t(uint8_t(int8_t(b))) << 16);
}

int DecodeError(uint32_t lab, uint32_t rgb) {
  const gfx::TRGB c = LabToRgb(lab);
  const int dr = std::abs(int(c.r) - int((rgb >> 16) & 0xFF)), dg = std::abs(int(c.g) - int((rgb >> 8) & 0xFF)),
            db = std::abs(int(c.b) - int(rgb & 0xFF));
  return std::max({dr, dg, db});
}

}  // namespace

uint32_t RgbToLab(uint32_t rgb) {
  const double r = Lin((rgb >> 16) & 0xFF), g = Lin((rgb >> 8) & 0xFF), b = Lin(rgb & 0xFF);
  const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
  const double fx = LabF(x / kXn), fy = LabF(y / kYn), fz = LabF(z / kZn);
  const int64_t l = Round((116 * fy - 16) * 255.0 / 100.0);
  const int64_t a = Round(500 * (fx - fy)), bb = Round(200 * (fy - fz));
  uint32_t best = PackLab(l, a, bb);
  // Saturated colours sit where one Lab step moves a near-zero channel by several levels; for them pick
  // the neighbouring code that decodes closest, so that a save and reload keeps the colour.
  int bestError = DecodeError(best, rgb);
  for (int dl = -1; dl <= 1 && bestError > 1; ++dl)
    for (int da = -1; da <= 1; ++da)
      for (int db = -1; db <= 1; ++db) {
        const uint32_t candidate = PackLab(l + dl, a + da, bb + db);
        if (const int e = DecodeError(candidate, rgb); e < bestError) {
          bestError = e;
          best = candidate;
        }
      }
  return best;
}

gfx::TRGB LabToRgb(uint32_t lab) {
  const double l = (lab & 0xFF) * 100.0 / 255.0;
  const double a = int8_t(uint8_t(lab >> 8)), b = int8_t(uint8_t(lab >> 16));
  const double fy = (l + 16) / 116;
  const double x = kXn * LabFInv(fy + a / 500), y = kYn * LabFInv(fy), z = kZn * LabFInv(fy - b / 200);
  const double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
  const double g = -0.9692660 * x + 1.8760108 * y + 0.0415560 * z;
  const double bl = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;
  return gfx::TRGB{Encode(r), Encode(g), Encode(bl)};
}

}  // namespace ox
