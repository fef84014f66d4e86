// Rotate: turns a picture by any angle; 24-bit by quarter turns plus three 12-bit fixed-point shears,
// 1-bit by mapping every destination pixel back to the source.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <memory>
#include <numbers>
#include <vector>

#include <sys/mman.h>

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

// (p * f + c * (4096 - f) + 2048) div 4096, clamped; f may be negative. The 2048 already rounds, so the
// quotient is floored: rounding it once more would lift every odd channel of a flat area by one.
inline uint8_t Blend(int p, int c, int f) { return ClampByte(((c << 12) + f * (p - c) + 2048) >> 12); }

// Blends a run of count pixels: the first with prev, each further one with its left neighbour.
inline void BlendRun(uint8_t* d, const uint8_t* s, int count, const uint8_t* prev, int f) {
  if (count <= 0) return;
  for (int c = 0; c < 3; ++c) d[c] = Blend(prev[c], s[c], f);
  const int64_t n = 3 * int64_t(count);
  for (int64_t j = 3; j < n; ++j) d[j] = Blend(s[j - 3], s[j], f);
}

// A large scratch block on 2 MiB boundaries, offered to the kernel for huge pages: first touches of
// tens of megabytes in 4 KiB pages cost more than the shearing itself.
class TScratch {
 public:
  explicit TScratch(size_t n) {
    constexpr size_t kHuge = size_t(2) << 20;
    const size_t size = (n + kHuge - 1) / kHuge * kHuge;
    data_.reset(static_cast<uint8_t*>(std::aligned_alloc(kHuge, size)));
    if (!data_) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(data_.get(), size, MADV_HUGEPAGE);
#endif
  }
  uint8_t* Data() { return data_.get(); }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, Free> data_;
};

// Fills width pixels with bg, doubling the filled span with each copy.
void FillRow(uint8_t* row, int64_t width, const uint8_t* bg) {
  if (width <= 0) return;
  std::memcpy(row, bg, 3);
  const int64_t n = 3 * width;
  for (int64_t done = 3; done < n;) {
    const int64_t chunk = std::min(done, n - done);
    std::memcpy(row + done, row, size_t(chunk));
    done += chunk;
  }
}

// One rotation by three shears. Pass 1 shears a row of T horizontally into a row of B1 (W1 wide); pass 2
// shears the columns of B1 vertically into B2 (W1 x H3); pass 3 shears the rows of B2 horizontally into
// the result (W3 x H3). Pass 2 only needs B1 rows r and r - 1, so the passes run together on a two-row
// buffer, walked row by row for locality, and B2 is a ring of rows: B1 row r writes B2 rows r + min F ...
// r + max F, so every row above r + min F is complete and goes through pass 3 at once. This keeps a
// 100 MB buffer out of the way.
struct TShear {
  const TDib& t;
  double theta;
  bool antialias;
  uint8_t bg[3];
  const TProcProgress& progress;
  int W = 0, H = 0;
  double tn = 0, sn = 0;
  int64_t W1 = 0, l = 0, H2 = 0, w = 0, H3 = 0, W3 = 0, row1 = 0;
  std::vector<int64_t> colOffset;
  std::vector<int> colFrac;
  int64_t minF = 0, maxF = 0, ringRows = 1;
  std::unique_ptr<uint8_t[]> rows1;
  std::unique_ptr<TScratch> ring;
  TDib out;
  // Progress: the steps of the three passes (H, W1 and H3 of them) spread over the rows of the joint walk.
  double total = 0;
  int64_t k = 0, units = 0, steps = 0, unitsDone = 0;
  int64_t inited = 0, emitted = 0;

  TShear(const TDib& src, double a, bool aa, gfx::TColor background, const TProcProgress& p)
      : t(src), theta(a * std::numbers::pi / 180.0), antialias(aa),
        bg{gfx::BlueOf(background), gfx::GreenOf(background), gfx::RedOf(background)}, progress(p) {}

  // The sizes of the three passes; false when one is larger than the size guard allows.
  bool Geometry() {
    W = t.Width(), H = t.Height();
    tn = std::fabs(std::sin(theta / 2) / std::cos(theta / 2));
    sn = std::fabs(std::sin(theta));
    W1 = Round(H * tn + W + 1);
    l = Round((W1 - W) * sn);
    H2 = Round(sn * W1 + H + 1);
    w = Round(tn * (H2 - H - l));
    H3 = Round(H2 - 2 * l);
    W3 = Round(tn * H3 + W1 + 1 - 2 * w);
    if (!gfx::ImageSizeAllowed(W1, H, 24) || !gfx::ImageSizeAllowed(W1, H3, 24) ||
        !gfx::ImageSizeAllowed(W3, H3, 24))
      return false;
    total = double(H) + double(W1) + double(H3) + 0.5;
    row1 = 3 * W1;
    colOffset.resize(size_t(W1));
    colFrac.resize(size_t(W1));
    for (int64_t x = 0; x < W1; ++x) {
      const double N = (theta > 0 ? W1 - x : x) * sn;
      const int64_t R = Round(N);
      colFrac[x] = int(Round((N - R) * 4096));
      colOffset[x] = R - l;
    }
    minF = *std::min_element(colOffset.begin(), colOffset.end());
    maxF = *std::max_element(colOffset.begin(), colOffset.end());
    ringRows = std::min<int64_t>(maxF - minF + 2, H3);
    rows1.reset(new uint8_t[size_t(2 * row1)]);
    ring = std::make_unique<TScratch>(size_t(row1 * ringRows));
    out = TDib(int(W3), int(H3), TPixelFormat::pf24bit);
    units = int64_t(H) + H3, steps = int64_t(H) + W1 + H3;
    return true;
  }

  void Step() {
    if (progress) progress(int(Trunc(k * 100 / total)));
    ++k;
  }
  void UnitDone() {
    ++unitsDone;
    for (const int64_t upTo = unitsDone * steps / units; k < upTo;) Step();
  }
  uint8_t* RingRow(int64_t U) { return ring->Data() + (U % ringRows) * row1; }
  void InitUpTo(int64_t upTo) {
    for (upTo = std::min(upTo, H3); inited < upTo; ++inited) FillRow(RingRow(inited), W1, bg);
  }

  // Pass 1: row r of T sheared horizontally into d, a row of B1.
  void ShearRow(int r, uint8_t* d) {
    const double N = (theta > 0 ? r : H - r) * tn;
    const int64_t n = Round(N);
    const int f = int(Trunc((N - n) * 4096));
    FillRow(d, W1, bg);
    const uint8_t* s = t.ScanLine(r);
    const int64_t xa = std::max<int64_t>(0, -n), xb = std::min<int64_t>(W, W1 - n);
    if (xb <= xa) return;
    if (antialias) {
      BlendRun(d + 3 * (n + xa), s + 3 * xa, int(xb - xa), xa > 0 ? s + 3 * (xa - 1) : bg, f);
      if (f > 0 && n + W < W1 && n + W >= 0)
        for (int c = 0; c < 3; ++c) d[3 * (n + W) + c] = Blend(s[3 * (W - 1) + c], bg[c], f);
    } else {
      std::memcpy(d + 3 * (n + xa), s + 3 * xa, size_t(3 * (xb - xa)));
    }
  }

  // Pass 2: the columns of B1 row r (`above` is row r - 1, or null) into the ring rows of B2.
  void ShearColumns(int r, const uint8_t* s, const uint8_t* above) {
    // Locals, not members: the pixel stores may alias anything of char type.
    const int64_t* offsets = colOffset.data();
    const int* fracs = colFrac.data();
    uint8_t* ringData = ring->Data();
    const int64_t rows = ringRows, stride = row1, lowF = minF, h3 = H3, w1 = W1;
    const bool aa = antialias;
    const uint8_t b0 = bg[0], b1 = bg[1], b2 = bg[2];
    // Ring slot of row r + F without a division per pixel: F - min F is below the ring's height.
    const int64_t base = ((r + lowF) % rows + rows) % rows;
    for (int64_t x = 0; x < w1; ++x) {
      const int64_t F = offsets[x], U = r + F;
      if (U < 0 || U >= h3) continue;
      int64_t slot = base + (F - lowF);
      if (slot >= rows) slot -= rows;
      const uint8_t* sp = s + 3 * x;
      uint8_t* dp = ringData + slot * stride + 3 * x;
      if (aa) {
        const bool fromAbove = above && U - 1 >= 0;
        const uint8_t* p = fromAbove ? above + 3 * x : nullptr;
        const int f = fracs[x];
        dp[0] = Blend(p ? p[0] : b0, sp[0], f);
        dp[1] = Blend(p ? p[1] : b1, sp[1], f);
        dp[2] = Blend(p ? p[2] : b2, sp[2], f);
      } else {
        dp[0] = sp[0];
        dp[1] = sp[1];
        dp[2] = sp[2];
      }
    }
  }

  // Pass 2's antialiased lower edge: the last B1 row blended into the background below it.
  void LowerEdge() {
    InitUpTo(H + maxF + 1);
    const uint8_t* last = rows1.get() + ((H - 1) & 1) * row1;
    for (int64_t x = 0; x < W1; ++x) {
      const int64_t F = colOffset[x];
      const int f = colFrac[x];
      if (f <= 0 || F + H >= H3 || F + H < 0) continue;
      const uint8_t* p = F + H - 1 >= 0 ? last + 3 * x : bg;
      uint8_t* dp = RingRow(F + H) + 3 * x;
      for (int c = 0; c < 3; ++c) dp[c] = Blend(p[c], bg[c], f);
    }
  }

  // Pass 3: row r of B2 sheared horizontally into the result.
  void Pass3Row(int64_t r, const uint8_t* s) {
    const double N = (theta > 0 ? double(r) : double(H3 - r)) * tn;
    const int64_t S = Round(N);
    const int f = int(Round((N - S) * 4096));
    const int64_t F = S - w;
    uint8_t* d = out.ScanLine(int(r));
    const int64_t xa = std::max<int64_t>(0, -F), xb = std::min<int64_t>(W1, W3 - F);
    // Only the parts no source pixel covers get the background.
    if (xb > xa) {
      FillRow(d, F + xa, bg);
      FillRow(d + 3 * (F + xb), W3 - (F + xb), bg);
    } else {
      FillRow(d, W3, bg);
    }
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
  void EmitUpTo(int64_t upTo) {
    for (upTo = std::min(upTo, H3); emitted < upTo; ++emitted) {
      InitUpTo(emitted + 1);
      Pass3Row(emitted, RingRow(emitted));
      UnitDone();
    }
  }
};

bool ShearRotate(const TDib& t, double a, bool antialias, gfx::TColor background, const TProcProgress& progress,
                 TDib& result) {
  TShear sh(t, a, antialias, background, progress);
  if (!sh.Geometry()) return false;
  for (int r = 0; r < sh.H; ++r) {
    sh.EmitUpTo(r + sh.minF);
    sh.InitUpTo(r + sh.maxF + 1);
    uint8_t* s = sh.rows1.get() + (r & 1) * sh.row1;
    sh.ShearRow(r, s);
    sh.ShearColumns(r, s, r > 0 ? sh.rows1.get() + ((r - 1) & 1) * sh.row1 : nullptr);
    sh.UnitDone();
  }
  if (antialias) sh.LowerEdge();
  sh.EmitUpTo(sh.H3);
  result = std::move(sh.out);
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
