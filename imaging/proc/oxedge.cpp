// EdgeDetect: edge detector with the infinite symmetric exponential smoothing filter, band-limited
// Laplacian zero crossings, adaptive gradient, histogram thresholds and hysteresis tracing; 1-bit result.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

constexpr int kBorder = 27;

// Non-negative remainder: the wrap border is wider than pictures under 27 pixels.
inline int Wrap(int v, int n) {
  const int m = v % n;
  return m < 0 ? m + n : m;
}

// One ISEF pass along a line of n samples at the given stride, in place; x is the unchanged input.
void IsefLine(float* y, const float* x, int64_t n, int64_t stride, float b1, float b2, float b) {
  float a = 0;
  for (int64_t i = 0; i < n; ++i) {
    a = b1 * x[i * stride] + (i == 0 ? 0.0f : b * a);
    y[i * stride] = a;
  }
  float bn = b2 * x[(n - 1) * stride];
  for (int64_t i = n - 2; i >= 0; --i) {
    y[i * stride] += bn;
    bn = b2 * x[i * stride] + b * bn;
  }
}

// The working rasters of one run: the picture with a wrapped border of kBorder pixels on every side.
struct TEdgeGrid {
  int W = 0, H = 0;
  int64_t nc = 0, nr = 0;
  size_t cells = 0;
  // The inner area, where every window stays within the border: lo0 <= row < rHi, lo0 <= column < cHi.
  int64_t lo0 = 25, rHi = 0, cHi = 0;
  std::vector<float> raw;    // gray levels; later the zero crossings' values
  std::vector<float> sm;     // the smoothed raster
  std::vector<uint8_t> bli;  // the band-limited Laplacian's sign; later the trace marks
};

// 1. Gray levels with a wrapped border, as floats (the unsmoothed raster).
void GrayWithBorder(const gfx::TDib& dib, TEdgeGrid& g) {
  const int W = g.W, H = g.H;
  const int64_t nc = g.nc, nr = g.nr;
  std::vector<float>& raw = g.raw;
  raw.assign(g.cells, 0.0f);
  std::vector<int> colOf(nc);
  for (int64_t c = 0; c < nc; ++c) colOf[c] = 3 * Wrap(int(c) - kBorder, W);
  for (int64_t r = 0; r < nr; ++r) {
    const uint8_t* s = dib.ScanLine(Wrap(int(r) - kBorder, H));
    float* d = raw.data() + r * nc;
    for (int64_t c = 0; c < nc; ++c) {
      const uint8_t* p = s + colOf[c];
      d[c] = float(GrayOfBgr(p));
    }
  }
}

// 2. Smoothing: vertical pass from the raw raster, then horizontal on its result.
void Smooth(TEdgeGrid& g, double smoothing) {
  const int64_t nc = g.nc, nr = g.nr;
  const std::vector<float>& raw = g.raw;
  std::vector<float>& sm = g.sm;
  sm.assign(g.cells, 0.0f);
  const float b = float(smoothing), b1 = float((1 - smoothing) / (1 + smoothing)), b2 = b * b1;
  // Vertical pass row by row (all columns at once) for locality.
  for (int64_t r = 0; r < nr; ++r) {
    const float* x = raw.data() + r * nc;
    float* y = sm.data() + r * nc;
    const float* prev = r > 0 ? y - nc : nullptr;
    for (int64_t c = 0; c < nc; ++c) y[c] = b1 * x[c] + (prev ? b * prev[c] : 0.0f);
  }
  std::vector<float> bn(nc);
  const float* last = raw.data() + (nr - 1) * nc;
  for (int64_t c = 0; c < nc; ++c) bn[c] = b2 * last[c];
  for (int64_t r = nr - 2; r >= 0; --r) {
    const float* x = raw.data() + r * nc;
    float* y = sm.data() + r * nc;
    for (int64_t c = 0; c < nc; ++c) {
      y[c] += bn[c];
      bn[c] = b2 * x[c] + b * bn[c];
    }
  }
  std::vector<float> line(nc);
  for (int64_t r = 0; r < nr; ++r) {
    float* y = sm.data() + r * nc;
    std::copy_n(y, nc, line.data());
    IsefLine(y, line.data(), nc, 1, b1, b2, b);
  }
}

// 3. Band-limited Laplacian on the inner area (rows and columns strictly between 24 and size - 25).
void BandLimitedLaplacian(TEdgeGrid& g) {
  const int64_t nc = g.nc, lo0 = g.lo0, rHi = g.rHi, cHi = g.cHi;
  const std::vector<float>& raw = g.raw;
  const std::vector<float>& sm = g.sm;
  std::vector<uint8_t>& bli = g.bli;
  bli.assign(g.cells, 0);
  for (int64_t r = lo0; r < rHi; ++r)
    for (int64_t c = lo0; c < cHi; ++c) bli[r * nc + c] = (sm[r * nc + c] - raw[r * nc + c]) > 0 ? 1 : 0;
}

// 4. Zero crossings valued by the adaptive gradient, into the raw raster, which is no longer needed.
void ZeroCrossings(TEdgeGrid& g, int windowSize) {
  const int64_t nc = g.nc, lo0 = g.lo0, rHi = g.rHi, cHi = g.cHi;
  const std::vector<float>& sm = g.sm;
  const std::vector<uint8_t>& bli = g.bli;
  std::vector<float>& value = g.raw;
  std::fill(value.begin(), value.end(), 0.0f);
  // The window stays within the border around the inner area.
  const int rad = std::clamp(windowSize / 2, 0, 24);
  // Per row, the window's column sums (smoothed values where bli is 0 and where it is 1, and the count of
  // 1s) for every column; a candidate then adds 2 * rad + 1 of them instead of (2 * rad + 1)^2 pixels.
  std::vector<double> col0(nc), col1(nc);
  std::vector<int> cnt1(nc);
  for (int64_t r = lo0; r < rHi; ++r) {
    bool sums = false;
    for (int64_t c = lo0; c < cHi; ++c) {
      const int64_t i = r * nc + c;
      if (bli[i] != 1) continue;
      const float dv = sm[i + nc] - sm[i - nc], dh = sm[i + 1] - sm[i - 1];
      const bool candidate = (bli[i + nc] == 0 && dv > 0) || (bli[i + 1] == 0 && dh > 0) ||
                             (bli[i - nc] == 0 && dv < 0) || (bli[i - 1] == 0 && dh < 0);
      if (!candidate) continue;
      if (!sums) {
        sums = true;
        std::fill(col0.begin(), col0.end(), 0.0);
        std::fill(col1.begin(), col1.end(), 0.0);
        std::fill(cnt1.begin(), cnt1.end(), 0);
        for (int64_t wr = r - rad; wr <= r + rad; ++wr) {
          const float* sr = sm.data() + wr * nc;
          const uint8_t* br = bli.data() + wr * nc;
          for (int64_t wc = lo0 - rad; wc < cHi + rad; ++wc) {
            const double v = sr[wc];
            const int one = br[wc];
            col1[wc] += one ? v : 0.0;
            col0[wc] += one ? 0.0 : v;
            cnt1[wc] += one;
          }
        }
      }
      double sum0 = 0, sum1 = 0;
      int n1 = 0;
      for (int64_t wc = c - rad; wc <= c + rad; ++wc) {
        sum0 += col0[wc];
        sum1 += col1[wc];
        n1 += cnt1[wc];
      }
      const int n0 = (2 * rad + 1) * (2 * rad + 1) - n1;
      const double m0 = sum0 != 0 ? sum0 / n0 : 0, m1 = sum1 != 0 ? sum1 / n1 : 0;
      value[i] = float(m0 - m1);
    }
  }
}

// 5. Thresholds from the histogram of the inner values: the high one, and the low one of hysteresis.
void Thresholds(const TEdgeGrid& g, bool hysteresis, double ratio, double& high, double& low) {
  const int64_t nc = g.nc, nr = g.nr, lo0 = g.lo0, rHi = g.rHi, cHi = g.cHi;
  const std::vector<float>& value = g.raw;
  float lo = std::fabs(value[20 * nc + 20]), hi = lo;
  for (int64_t r = lo0; r < rHi; ++r)
    for (int64_t c = lo0; c < cHi; ++c) {
      const float v = value[r * nc + c];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  const double scale = 256.0 / (double(hi) - lo + 1);
  std::array<int64_t, 256> hist{};
  for (int64_t r = lo0; r < rHi; ++r)
    for (int64_t c = lo0; c < cHi; ++c)
      ++hist[std::clamp<int64_t>(Trunc((value[r * nc + c] - lo) * scale), 0, 255)];
  const int64_t count = Trunc(double(nr) * ratio * double(nc));
  int k = 255;
  int64_t acc = hist[255];
  while (acc < count) {
    if (--k < 0) break;
    acc += hist[k];
  }
  high = k / scale + lo;
  low = hysteresis ? high / 2 : high;
}

// 6. Tracing. A trace follows the first traceable neighbour and stops at the first success, so each
// trace is a single path: walked iteratively, without recursion.
void Trace(TEdgeGrid& g, int thinFactor, double high, double low) {
  const int64_t nc = g.nc, nr = g.nr, lo0 = g.lo0, rHi = g.rHi, cHi = g.cHi;
  const std::vector<float>& value = g.raw;
  std::vector<uint8_t>& mark = g.bli;
  std::fill(mark.begin(), mark.end(), 0);
  static constexpr int kDr[8] = {0, 0, 1, 1, 1, -1, -1, -1};
  static constexpr int kDc[8] = {1, -1, 1, 0, -1, -1, 0, 1};
  auto traceable = [&](int64_t r, int64_t c) {
    return r >= 0 && r < nr && c >= 0 && c < nc && mark[r * nc + c] == 0 && value[r * nc + c] != 0;
  };
  auto markOf = [&](int64_t i) -> uint8_t { return value[i] > low ? 1 : 255; };
  for (int64_t r = lo0; r < rHi; ++r) {
    for (int64_t c = lo0; c < cHi; ++c) {
      if (!(value[r * nc + c] > high) || !traceable(r, c)) continue;
      int64_t cr = r, cc = c, depth = 0;
      mark[cr * nc + cc] = markOf(cr * nc + cc);
      for (;;) {
        int d = 0;
        while (d < 8 && !traceable(cr + kDr[d], cc + kDc[d])) ++d;
        if (d == 8) break;
        if (depth > 0 && thinFactor > 0 && depth % thinFactor != 0) mark[cr * nc + cc] = 255;
        cr += kDr[d];
        cc += kDc[d];
        ++depth;
        mark[cr * nc + cc] = markOf(cr * nc + cc);
      }
    }
  }
}

// 7. Output: edges (mark 1) black on white; column 0 and the last row white.
gfx::TDib EdgeOutput(const TEdgeGrid& g) {
  const int W = g.W, H = g.H;
  const int64_t nc = g.nc;
  const std::vector<uint8_t>& mark = g.bli;
  gfx::TDib out(W, H, gfx::TPixelFormat::pf1bit);
  for (int y = 0; y < H; ++y) {
    uint8_t* d = out.ScanLine(y);
    const uint8_t* m = mark.data() + (int64_t(y) + kBorder) * nc + kBorder;
    for (int x = 0; x < W; ++x) SetBit(d, x, !(m[x] == 1 && x != 0 && y != H - 1));
  }
  return out;
}

}  // namespace

bool EdgeDetect(gfx::TDib& dib, int windowSize, int thinFactor, bool hysteresis, double smoothing, double ratio,
                const TProcProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit || dib.Empty()) return false;
  TEdgeGrid g;
  g.W = dib.Width(), g.H = dib.Height();
  g.nc = int64_t(g.W) + 2 * kBorder, g.nr = int64_t(g.H) + 2 * kBorder;
  if (!gfx::ImageSizeAllowed(g.nc, g.nr, 32)) return false;
  g.cells = size_t(g.nc) * size_t(g.nr);
  g.rHi = g.nr - 25, g.cHi = g.nc - 25;
  auto stage = [&](int k) {
    if (progress) progress(k * 100 / 6);
  };
  GrayWithBorder(dib, g);
  stage(1);
  Smooth(g, smoothing);
  stage(2);
  BandLimitedLaplacian(g);
  stage(3);
  ZeroCrossings(g, windowSize);
  stage(4);
  double high = 0, low = 0;
  Thresholds(g, hysteresis, ratio, high, low);
  Trace(g, thinFactor, high, low);
  stage(5);
  dib = EdgeOutput(g);
  stage(6);
  return true;
}

}  // namespace ox
