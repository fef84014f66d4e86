// Rotate: turns a picture by any angle; 24-bit by quarter turns plus three 12-bit fixed-point shears,
// 1-bit by mapping every destination pixel back to the source.
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxgeometry.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

using gfx::TDib;
using gfx::TPixelFormat;

// turns: 1 = 90° counter-clockwise, 2 = 180°, 3 = 90° clockwise. Tiles keep both sides in cache.
TDib QuarterTurn(const TDib& src, int turns) {
  const int w = src.Width(), h = src.Height();
  const int dw = turns == 2 ? w : h, dh = turns == 2 ? h : w;
  TDib out(dw, dh, TPixelFormat::pf24bit);
  std::vector<const uint8_t*> srows(h);
  for (int y = 0; y < h; ++y) srows[y] = src.ScanLine(y);
  if (turns == 2) {
    for (int y = 0; y < dh; ++y) {
      const uint8_t* s = srows[h - 1 - y] + 3 * int64_t(w - 1);
      uint8_t* d = out.ScanLine(y);
      for (int x = 0; x < dw; ++x, s -= 3, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
    return out;
  }
  constexpr int kTile = 32;
  for (int y0 = 0; y0 < dh; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, dh);
    for (int x0 = 0; x0 < dw; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, dw);
      for (int y = y0; y < y1; ++y) {
        uint8_t* d = out.ScanLine(y) + 3 * int64_t(x0);
        if (turns == 1) {
          // destination (x, y) = source (w - 1 - y, x)
          const int64_t sc = 3 * int64_t(w - 1 - y);
          for (int x = x0; x < x1; ++x, d += 3) {
            const uint8_t* s = srows[x] + sc;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
          }
        } else {
          // destination (x, y) = source (y, h - 1 - x)
          const int64_t sc = 3 * int64_t(y);
          for (int x = x0; x < x1; ++x, d += 3) {
            const uint8_t* s = srows[h - 1 - x] + sc;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
          }
        }
      }
    }
  }
  return out;
}

// round((p * f + c * (4096 - f) + 2048) / 4096), halves to even, clamped; f may be negative.
inline uint8_t Blend(int p, int c, int f) {
  const int n = p * f + c * (4096 - f) + 2048;
  int q = n >> 12;
  const int rem = n & 4095;
  q += (rem + (q & 1)) > 2048;
  return ClampByte(q);
}

// Blends a run of count pixels: the first with prev, each further one with its left neighbour.
inline void BlendRun(uint8_t* d, const uint8_t* s, int count, const uint8_t* prev, int f) {
  if (count <= 0) return;
  for (int c = 0; c < 3; ++c) d[c] = Blend(prev[c], s[c], f);
  const int64_t n = 3 * int64_t(count);
  for (int64_t j = 3; j < n; ++j) d[j] = Blend(s[j - 3], s[j], f);
}

void FillRow(uint8_t* row, int64_t width, const uint8_t* bg) {
  for (int64_t x = 0; x < width; ++x) std::memcpy(row + 3 * x, bg, 3);
}

bool ShearRotate(const TDib& t, double a, bool antialias, gfx::TColor background, const TProcProgress& progress,
                 TDib& result) {
  const double theta = a * std::numbers::pi / 180.0;
  const int W = t.Width(), H = t.Height();
  const double tn = std::fabs(std::sin(theta / 2) / std::cos(theta / 2));
  const double sn = std::fabs(std::sin(theta));
  const int64_t W1 = Round(H * tn + W + 1);
  const int64_t l = Round((W1 - W) * sn);
  const int64_t H2 = Round(sn * W1 + H + 1);
  const int64_t w = Round(tn * (H2 - H - l));
  const int64_t H3 = Round(H2 - 2 * l);
  const int64_t W3 = Round(tn * H3 + W1 + 1 - 2 * w);
  if (!gfx::ImageSizeAllowed(W1, H, 24) || !gfx::ImageSizeAllowed(W1, H3, 24) || !gfx::ImageSizeAllowed(W3, H3, 24))
    return false;
  const uint8_t bg[3] = {gfx::BlueOf(background), gfx::GreenOf(background), gfx::RedOf(background)};
  const double total = double(H) + double(W1) + double(H3) + 0.5;
  int64_t k = 0;
  auto step = [&] {
    if (progress) progress(int(Trunc(k * 100 / total)));
    ++k;
  };
  const int64_t row1 = 3 * W1;

  // Pass 1: rows of T sheared horizontally into B1 (W1 x H).
  std::vector<uint8_t> b1(size_t(row1 * H));
  for (int r = 0; r < H; ++r) {
    step();
    const double N = (theta > 0 ? r : H - r) * tn;
    const int64_t n = Round(N);
    const int f = int(Trunc((N - n) * 4096));
    uint8_t* d = b1.data() + r * row1;
    FillRow(d, W1, bg);
    const uint8_t* s = t.ScanLine(r);
    const int64_t xa = std::max<int64_t>(0, -n), xb = std::min<int64_t>(W, W1 - n);
    if (xb <= xa) continue;
    if (antialias) {
      BlendRun(d + 3 * (n + xa), s + 3 * xa, int(xb - xa), xa > 0 ? s + 3 * (xa - 1) : bg, f);
      if (f > 0 && n + W < W1 && n + W >= 0)
        for (int c = 0; c < 3; ++c) d[3 * (n + W) + c] = Blend(s[3 * (W - 1) + c], bg[c], f);
    } else {
      std::memcpy(d + 3 * (n + xa), s + 3 * xa, size_t(3 * (xb - xa)));
    }
  }

  // Pass 2: columns of B1 sheared vertically into B2 (W1 x H3), walked row by row for locality.
  std::vector<int64_t> colOffset(W1);
  std::vector<int> colFrac(W1);
  for (int64_t x = 0; x < W1; ++x) {
    const double N = (theta > 0 ? W1 - x : x) * sn;
    const int64_t R = Round(N);
    colFrac[x] = int(Round((N - R) * 4096));
    colOffset[x] = R - l;
  }
  std::vector<uint8_t> b2(size_t(row1 * H3));
  for (int64_t y = 0; y < H3; ++y) FillRow(b2.data() + y * row1, W1, bg);
  int64_t colsDone = 0;
  for (int r = 0; r < H; ++r) {
    for (const int64_t upTo = (int64_t(r) + 1) * W1 / H; colsDone < upTo; ++colsDone) step();
    const uint8_t* s = b1.data() + r * row1;
    const uint8_t* above = r > 0 ? s - row1 : nullptr;
    for (int64_t x = 0; x < W1; ++x) {
      const int64_t F = colOffset[x], U = r + F;
      if (U < 0 || U >= H3) continue;
      const uint8_t* sp = s + 3 * x;
      uint8_t* dp = b2.data() + U * row1 + 3 * x;
      if (antialias) {
        const uint8_t* p = (above && U - 1 >= 0) ? above + 3 * x : bg;
        const int f = colFrac[x];
        dp[0] = Blend(p[0], sp[0], f);
        dp[1] = Blend(p[1], sp[1], f);
        dp[2] = Blend(p[2], sp[2], f);
      } else {
        dp[0] = sp[0];
        dp[1] = sp[1];
        dp[2] = sp[2];
      }
    }
  }
  for (; colsDone < W1; ++colsDone) step();
  if (antialias) {
    const uint8_t* last = b1.data() + int64_t(H - 1) * row1;
    for (int64_t x = 0; x < W1; ++x) {
      const int64_t F = colOffset[x];
      const int f = colFrac[x];
      if (f <= 0 || F + H >= H3 || F + H < 0) continue;
      const uint8_t* p = F + H - 1 >= 0 ? last + 3 * x : bg;
      uint8_t* dp = b2.data() + (F + H) * row1 + 3 * x;
      for (int c = 0; c < 3; ++c) dp[c] = Blend(p[c], bg[c], f);
    }
  }
  b1.clear();
  b1.shrink_to_fit();

  // Pass 3: rows of B2 sheared horizontally into the result (W3 x H3).
  TDib out(int(W3), int(H3), TPixelFormat::pf24bit);
  for (int64_t r = 0; r < H3; ++r) {
    step();
    const double N = (theta > 0 ? double(r) : double(H3 - r)) * tn;
    const int64_t S = Round(N);
    const int f = int(Round((N - S) * 4096));
    const int64_t F = S - w;
    uint8_t* d = out.ScanLine(int(r));
    FillRow(d, W3, bg);
    const uint8_t* s = b2.data() + r * row1;
    const int64_t xa = std::max<int64_t>(0, -F), xb = std::min<int64_t>(W1, W3 - F);
    if (antialias) {
      if (xb > xa) BlendRun(d + 3 * (F + xa), s + 3 * xa, int(xb - xa), bg, f);
      if (f > 0 && F + W1 < W3 && F + W1 >= 0) {
        const uint8_t* p = (xb > xa && xb == W1) ? s + 3 * (W1 - 1) : bg;
        for (int c = 0; c < 3; ++c) d[3 * (F + W1) + c] = Blend(p[c], bg[c], f);
      }
    } else if (xb > xa) {
      std::memcpy(d + 3 * (F + xa), s + 3 * xa, size_t(3 * (xb - xa)));
    }
  }
  result = std::move(out);
  return true;
}

bool RotateBilevel(TDib& dib, double angle, gfx::TColor background, const TProcProgress& progress) {
  const int W = dib.Width(), H = dib.Height();
  const double b = angle / -57.295779513082320877;
  const double c = Trunc(std::cos(b) * 10000) / 10000.0, s = Trunc(std::sin(b) * 10000) / 10000.0;
  const int64_t W2 = Trunc(std::fabs(W * c) + std::fabs(H * s));
  const int64_t H2 = Trunc(std::fabs(-W * s) + std::fabs(c * H));
  if (!gfx::ImageSizeAllowed(W2, H2, 1)) return false;
  TDib out(int(W2), int(H2), TPixelFormat::pf1bit);
  out.SetPalette(dib.Palette());
  out.SetMonochrome(dib.Monochrome());
  const bool bgBit = background != 0;
  const double cx = W / 2.0 - 0.5, cy = H / 2.0 - 0.5, ox = W2 / 2.0 - 0.5, oy = H2 / 2.0 - 0.5;
  for (int64_t j = 0; j < H2; ++j) {
    if (progress) progress(int(Trunc(double(j) * 100 / double(H2))));
    uint8_t* d = out.ScanLine(int(j));
    const double dy = double(j) - oy;
    for (int64_t i = 0; i < W2; ++i) {
      const double dx = double(i) - ox;
      const int64_t sx = Trunc(cx + c * dx + s * dy), sy = Trunc(cy - s * dx + c * dy);
      const bool bit = (sx >= 0 && sx < W && sy >= 0 && sy < H) ? GetBit(dib.ScanLine(int(sy)), sx) : bgBit;
      SetBit(d, i, bit);
    }
  }
  dib = std::move(out);
  return true;
}

}  // namespace

bool Rotate(TDib& dib, double angle, bool antialias, gfx::TColor background, const TProcProgress& progress) {
  if (angle == 0 || dib.Empty() || !std::isfinite(angle)) return false;
  if (dib.PixelFormat() == TPixelFormat::pf1bit) return RotateBilevel(dib, angle, background, progress);
  if (dib.PixelFormat() != TPixelFormat::pf24bit) return false;

  double a = double(Mod<int64_t>(Trunc(angle * 1000), 360000)) / 1000;
  int turns = 0;
  while (a > 45) {
    ++turns;
    a -= 90;
  }
  while (a < -45) {
    --turns;
    a += 90;
  }
  turns = ((turns % 4) + 4) % 4;
  if (a == 0) {
    if (turns != 0) dib = QuarterTurn(dib, turns);
    return true;
  }
  TDib result;
  if (turns == 0) {
    if (!ShearRotate(dib, a, antialias, background, progress, result)) return false;
  } else {
    const TDib t = QuarterTurn(dib, turns);
    if (!ShearRotate(t, a, antialias, background, progress, result)) return false;
  }
  dib = std::move(result);
  return true;
}

}  // namespace ox
