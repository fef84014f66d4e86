// Separable filtered resampling and the fixed-point fast linear scaler.
#include "imaging/proc/oxresample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

using gfx::TDib;
using gfx::TPixelFormat;

double Sinc(double x) {
  if (x == 0) return 1;
  const double px = std::numbers::pi * x;
  return std::sin(px) / px;
}

// Source positions and weights of every destination index of one axis, flattened so the
// pixel loops only multiply and add.
struct TContribTable {
  std::vector<int64_t> start;  // n_dst + 1 entries into index/weight
  std::vector<int32_t> index;
  std::vector<double> weight;
};

TContribTable BuildContribs(int nSrc, int nDst, TResampleFilter filter) {
  TContribTable t;
  t.start.reserve(size_t(nDst) + 1);
  const double scale = double(nDst) / double(nSrc);
  const double radius = FilterRadius(filter);
  const bool enlarge = scale >= 1;
  const double width = enlarge ? radius : radius / scale;
  for (int i = 0; i < nDst; ++i) {
    t.start.push_back(int64_t(t.index.size()));
    const double center = i / scale;
    const int64_t lo = int64_t(std::floor(center - width));
    const int64_t hi = int64_t(std::ceil(center + width));
    for (int64_t j = lo; j <= hi; ++j) {
      const double w = enlarge ? FilterKernel(filter, center - double(j))
                               : FilterKernel(filter, (center - double(j)) * scale) * scale;
      if (w == 0) continue;
      int64_t k = j < 0 ? -j : (j >= nSrc ? 2 * int64_t(nSrc) - j - 1 : j);
      k = std::clamp<int64_t>(k, 0, nSrc - 1);
      t.index.push_back(int32_t(k));
      t.weight.push_back(w);
    }
  }
  t.start.push_back(int64_t(t.index.size()));
  return t;
}

template <bool Round>
inline uint8_t ToByte(double v) {
  if constexpr (Round) v = std::nearbyint(v);
  if (v > 255) return 255;
  if (v < 0) return 0;
  return uint8_t(v);
}

// Reports trunc(k * 100 / total) whenever it changes.
class TProgressMeter {
 public:
  TProgressMeter(const TResampleProgress& cb, int64_t total) : cb_(cb), total_(double(total) + 0.5) {}
  void Step(int64_t k) {
    if (!cb_) return;
    const int per = int(double(k) * 100 / total_);
    if (per != last_) {
      last_ = per;
      cb_(per);
    }
  }

 private:
  const TResampleProgress& cb_;
  double total_;
  int last_ = -1;
};

// Horizontal pass of one row of C-channel bytes.
template <int C, bool Round>
void FilterRow(const uint8_t* in, uint8_t* out, int dw, const TContribTable& t) {
  const int32_t* idx = t.index.data();
  const double* wt = t.weight.data();
  for (int i = 0; i < dw; ++i) {
    double acc[C] = {};
    for (int64_t k = t.start[size_t(i)], e = t.start[size_t(i) + 1]; k < e; ++k) {
      const uint8_t* p = in + int64_t(idx[k]) * C;
      const double w = wt[k];
      for (int c = 0; c < C; ++c) acc[c] += w * p[c];
    }
    for (int c = 0; c < C; ++c) out[int64_t(i) * C + c] = ToByte<Round>(acc[c]);
  }
}

// Horizontal pass of one 24-bit row. The row is widened to four doubles per pixel first so that
// the three channel sums run as vector operations; each sum still adds in the same order.
template <bool Round>
void FilterRowRGB(const uint8_t* in, int sw, double* wide, uint8_t* out, int dw, const TContribTable& t) {
  for (int x = 0; x < sw; ++x) {
    wide[4 * x] = in[3 * x];
    wide[4 * x + 1] = in[3 * x + 1];
    wide[4 * x + 2] = in[3 * x + 2];
    wide[4 * x + 3] = 0;
  }
  const int32_t* idx = t.index.data();
  const double* wt = t.weight.data();
  for (int i = 0; i < dw; ++i) {
    double acc[4] = {};
    for (int64_t k = t.start[size_t(i)], e = t.start[size_t(i) + 1]; k < e; ++k) {
      const double* p = wide + int64_t(idx[k]) * 4;
      const double w = wt[k];
      for (int c = 0; c < 4; ++c) acc[c] += w * p[c];
    }
    for (int c = 0; c < 3; ++c) out[int64_t(i) * 3 + c] = ToByte<Round>(acc[c]);
  }
}

// Both passes on C-channel rows: `rowOf(y, buf)` returns source row y (as C bytes per pixel),
// `emit(y, bytes)` stores destination row y from dw * C bytes.
template <int C, bool Round, class RowOf, class Emit>
void FilterPasses(int sw, int sh, int dw, int dh, TResampleFilter filter, const TResampleProgress& progress,
                  RowOf rowOf, Emit emit) {
  const TContribTable tx = BuildContribs(sw, dw, filter);
  const TContribTable ty = BuildContribs(sh, dh, filter);
  const int64_t lineLen = int64_t(dw) * C;
  std::vector<uint8_t> mid(size_t(lineLen) * size_t(sh));
  TProgressMeter meter(progress, int64_t(sh) + dw);
  std::vector<double> wide(C == 3 ? size_t(sw) * 4 : 0);
  for (int y = 0; y < sh; ++y) {
    if constexpr (C == 3)
      FilterRowRGB<Round>(rowOf(y), sw, wide.data(), mid.data() + lineLen * y, dw, tx);
    else
      FilterRow<C, Round>(rowOf(y), mid.data() + lineLen * y, dw, tx);
    meter.Step(y + 1);
  }
  // Row-wise vertical pass: each contributing intermediate row is swept once per destination row,
  // adding in the same order a per-pixel evaluation would.
  std::vector<double> acc(static_cast<size_t>(lineLen));
  std::vector<uint8_t> line(static_cast<size_t>(lineLen));
  for (int y = 0; y < dh; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0);
    double* a = acc.data();
    for (int64_t k = ty.start[size_t(y)], e = ty.start[size_t(y) + 1]; k < e; ++k) {
      const uint8_t* r = mid.data() + lineLen * ty.index[size_t(k)];
      const double w = ty.weight[size_t(k)];
      for (int64_t x = 0; x < lineLen; ++x) a[x] += w * r[x];
    }
    for (int64_t x = 0; x < lineLen; ++x) line[size_t(x)] = ToByte<Round>(a[x]);
    emit(y, line.data());
    meter.Step(int64_t(sh) + int64_t(y + 1) * dw / dh);
  }
}

bool FilteredFilter(TResampleFilter f) { return f >= rfTriangle && f <= rfLinear; }

bool DestinationAllowed(int w, int h) { return gfx::ImageSizeAllowed(w, h, 24); }

// The filtered passes need a source of the expected format at least 2 pixels long on one axis.
bool FilteredArgsOk(const TDib& src, TPixelFormat format, int newW, int newH, TResampleFilter filter) {
  if (!FilteredFilter(filter) || src.PixelFormat() != format || src.Empty()) return false;
  if (src.Width() < 2 && src.Height() < 2) return false;
  return newW >= 1 && newH >= 1 && DestinationAllowed(newW, newH);
}

// Pixel x of a 1-bit row, most significant bit first, as 0 or 255.
inline uint8_t BitValue(const uint8_t* row, int x) { return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0; }

void WriteGray(TDib& dst, int y, const uint8_t* gray) {
  uint8_t* o = dst.ScanLine(y);
  for (int x = 0, w = dst.Width(); x < w; ++x, o += 3) o[0] = o[1] = o[2] = gray[x];
}

// Fast linear per-axis table: enlarging holds left/right/fraction, reducing the averaged range.
struct TFastAxis {
  enum { kCopy, kEnlarge, kReduce } mode = kCopy;
  std::vector<int32_t> a, b;
  std::vector<int64_t> frac;
};

constexpr int64_t kFracOne = 131072;

TFastAxis BuildFastAxis(int nSrc, int nDst) {
  TFastAxis t;
  if (nSrc == nDst) return t;  // an axis of scale 1 is copied, not averaged with its neighbour
  const double scale = double(nDst) / double(nSrc);
  t.a.resize(size_t(nDst));
  t.b.resize(size_t(nDst));
  if (scale > 1) {
    t.mode = TFastAxis::kEnlarge;
    t.frac.resize(size_t(nDst));
    for (int i = 0; i < nDst; ++i) {
      const double c = i / scale;
      const int left = int(c);
      t.a[size_t(i)] = left;
      t.b[size_t(i)] = std::min(left + 1, nSrc - 1);
      t.frac[size_t(i)] = int64_t((c - left) * double(kFracOne));
    }
  } else {
    t.mode = TFastAxis::kReduce;
    for (int i = 0; i < nDst; ++i) {
      const int first = std::min(int(i / scale), nSrc - 1);
      const int last = int(std::min(i + 1, nDst - 1) / scale + 1e-10);
      t.a[size_t(i)] = first;
      t.b[size_t(i)] = std::clamp(last, first, nSrc - 1);
    }
  }
  return t;
}

inline uint8_t Lerp(int a, int b, int64_t frac) { return uint8_t(a + int64_t(b - a) * frac / kFracOne); }

template <int C>
void FastRow(const uint8_t* in, uint8_t* out, int dw, const TFastAxis& t) {
  if (t.mode == TFastAxis::kCopy) {
    std::memcpy(out, in, size_t(dw) * C);
    return;
  }
  for (int i = 0; i < dw; ++i) {
    const uint8_t* pa = in + int64_t(t.a[size_t(i)]) * C;
    uint8_t* o = out + int64_t(i) * C;
    if (t.mode == TFastAxis::kEnlarge) {
      const uint8_t* pb = in + int64_t(t.b[size_t(i)]) * C;
      for (int c = 0; c < C; ++c) o[c] = Lerp(pa[c], pb[c], t.frac[size_t(i)]);
    } else {
      const int n = t.b[size_t(i)] - t.a[size_t(i)] + 1;
      // 64 bits: a reduced axis may average more than eight million samples into one.
      int64_t sum[C] = {};
      for (int k = 0; k < n; ++k)
        for (int c = 0; c < C; ++c) sum[c] += pa[int64_t(k) * C + c];
      for (int c = 0; c < C; ++c) o[c] = uint8_t(sum[c] / n);
    }
  }
}

// Both fast linear passes on planes of C bytes per pixel with signed row strides.
template <int C>
void FastPlanes(const uint8_t* src, int sw, int sh, int64_t srcStride, uint8_t* dst, int dw, int dh,
                int64_t dstStride) {
  const int64_t lineLen = int64_t(dw) * C;
  if (sw == dw && sh == dh) {
    for (int y = 0; y < sh; ++y) std::memcpy(dst + dstStride * y, src + srcStride * y, size_t(lineLen));
    return;
  }
  const TFastAxis tx = BuildFastAxis(sw, dw);
  const TFastAxis ty = BuildFastAxis(sh, dh);
  std::vector<uint8_t> work(size_t(lineLen) * size_t(sh));
  for (int y = 0; y < sh; ++y) FastRow<C>(src + srcStride * y, work.data() + lineLen * y, dw, tx);
  std::vector<int64_t> sum(static_cast<size_t>(lineLen));
  for (int y = 0; y < dh; ++y) {
    uint8_t* o = dst + dstStride * y;
    if (ty.mode == TFastAxis::kCopy) {
      std::memcpy(o, work.data() + lineLen * y, size_t(lineLen));
    } else if (ty.mode == TFastAxis::kEnlarge) {
      const uint8_t* ra = work.data() + lineLen * ty.a[size_t(y)];
      const uint8_t* rb = work.data() + lineLen * ty.b[size_t(y)];
      const int64_t f = ty.frac[size_t(y)];
      for (int64_t x = 0; x < lineLen; ++x) o[x] = Lerp(ra[x], rb[x], f);
    } else {
      std::fill(sum.begin(), sum.end(), 0);
      const int first = ty.a[size_t(y)], last = ty.b[size_t(y)];
      for (int r = first; r <= last; ++r) {
        const uint8_t* row = work.data() + lineLen * r;
        for (int64_t x = 0; x < lineLen; ++x) sum[size_t(x)] += row[x];
      }
      const int n = last - first + 1;
      for (int64_t x = 0; x < lineLen; ++x) o[x] = uint8_t(sum[size_t(x)] / n);
    }
  }
}

}  // namespace

double FilterRadius(TResampleFilter filter) {
  switch (filter) {
    case rfTriangle: case rfHermite: case rfNearest: case rfLinear: return 1;
    case rfBell: return 1.5;
    case rfBSpline: case rfMitchell: return 2;
    case rfLanczos3: return 3;
    default: return 0;
  }
}

double FilterKernel(TResampleFilter filter, double x) {
  const double ax = std::fabs(x);
  switch (filter) {
    case rfTriangle: return ax < 1 ? 1 - ax : 0;
    case rfHermite: return ax < 1 ? (2 * ax - 3) * ax * ax + 1 : 0;
    case rfBell:
      if (ax < 0.5) return 0.75 - ax * ax;
      if (ax < 1.5) return 0.5 * (ax - 1.5) * (ax - 1.5);
      return 0;
    case rfBSpline:
      if (ax < 1) return 0.5 * ax * ax * ax - ax * ax + 2.0 / 3.0;
      if (ax < 2) return (2 - ax) * (2 - ax) * (2 - ax) / 6;
      return 0;
    case rfLanczos3: return ax < 3 ? Sinc(ax) * Sinc(ax / 3) : 0;
    case rfMitchell:
      if (ax < 1) return (7 * ax * ax * ax - 12 * ax * ax + 16.0 / 3.0) / 6;
      if (ax < 2) return (-7.0 / 3.0 * ax * ax * ax + 12 * ax * ax - 20 * ax + 32.0 / 3.0) / 6;
      return 0;
    case rfNearest: return (x > -0.5 && x <= 0.5) ? 1 : 0;
    case rfLinear:
      if (x >= -1 && x < 0) return 1 + x;
      if (x >= 0 && x < 1) return 1 - x;
      return 0;
    default: return 0;
  }
}

bool ResampleFiltered(const TDib& src, TDib& dst, int newW, int newH, TResampleFilter filter,
                      const TResampleProgress& progress) {
  if (!FilteredArgsOk(src, TPixelFormat::pf24bit, newW, newH, filter)) return false;
  TDib out(newW, newH, TPixelFormat::pf24bit);
  const int64_t lineLen = int64_t(newW) * 3;
  FilterPasses<3, false>(
      src.Width(), src.Height(), newW, newH, filter, progress, [&](int y) { return src.ScanLine(y); },
      [&](int y, const uint8_t* line) { std::memcpy(out.ScanLine(y), line, size_t(lineLen)); });
  dst = out;
  return true;
}

bool ResampleBilevel(const TDib& src, TDib& dst, int newW, int newH, TResampleFilter filter,
                     const TResampleProgress& progress) {
  if (!FilteredArgsOk(src, TPixelFormat::pf1bit, newW, newH, filter)) return false;
  TDib out(newW, newH, TPixelFormat::pf24bit);
  std::vector<uint8_t> expanded(size_t(src.Width()));
  FilterPasses<1, true>(
      src.Width(), src.Height(), newW, newH, filter, progress,
      [&](int y) {
        const uint8_t* row = src.ScanLine(y);
        for (int x = 0; x < src.Width(); ++x) expanded[size_t(x)] = BitValue(row, x);
        return static_cast<const uint8_t*>(expanded.data());
      },
      [&](int y, const uint8_t* line) { WriteGray(out, y, line); });
  dst = out;
  return true;
}

bool FastLinearAlpha(const uint8_t* src, int sw, int sh, int64_t srcStride, uint8_t* dst, int dw, int dh,
                     int64_t dstStride) {
  if (!src || !dst || sw < 1 || sh < 1 || dw < 1 || dh < 1) return false;
  FastPlanes<1>(src, sw, sh, srcStride, dst, dw, dh, dstStride);
  return true;
}

bool FastLinear24(const TDib& src, TDib& dst, int newW, int newH) {
  if (src.PixelFormat() != TPixelFormat::pf24bit || src.Empty()) return false;
  if (newW < 1 || newH < 1 || !DestinationAllowed(newW, newH)) return false;
  // The first pass holds every source row stretched to the new width.
  if (!DestinationAllowed(newW, src.Height())) return false;
  TDib out(newW, newH, TPixelFormat::pf24bit);
  FastPlanes<3>(src.ScanLine(0), src.Width(), src.Height(), src.RowStride(), out.ScanLine(0), newW, newH,
                out.RowStride());
  dst = out;
  return true;
}

bool FastLinearBilevel(const TDib& src, TDib& dst, int newW, int newH) {
  if (src.PixelFormat() != TPixelFormat::pf1bit || src.Empty()) return false;
  if (newW < 1 || newH < 1 || !DestinationAllowed(newW, newH)) return false;
  const int sw = src.Width(), sh = src.Height();
  // The source at a byte a pixel and its rows stretched to the new width: bounded like a picture.
  if (!gfx::ImageSizeAllowed(sw, sh, 8) || !gfx::ImageSizeAllowed(newW, sh, 8)) return false;
  std::vector<uint8_t> plane(size_t(sw) * size_t(sh));
  for (int y = 0; y < sh; ++y) {
    const uint8_t* row = src.ScanLine(y);
    for (int x = 0; x < sw; ++x) plane[size_t(y) * size_t(sw) + size_t(x)] = BitValue(row, x);
  }
  std::vector<uint8_t> gray(size_t(newW) * size_t(newH));
  FastPlanes<1>(plane.data(), sw, sh, sw, gray.data(), newW, newH, newW);
  TDib out(newW, newH, TPixelFormat::pf24bit);
  for (int y = 0; y < newH; ++y) WriteGray(out, y, gray.data() + int64_t(y) * newW);
  dst = out;
  return true;
}

bool Resample(const TDib& src, TDib& dst, int newW, int newH, TResampleFilter filter,
              const TResampleProgress& progress) {
  if (filter == rfNone || newW < 1 || newH < 1 || src.Empty()) return false;
  if (src.PixelFormat() == TPixelFormat::pf1bit)
    return filter == rfFastLinear ? FastLinearBilevel(src, dst, newW, newH)
                                  : ResampleBilevel(src, dst, newW, newH, filter, progress);
  if (src.PixelFormat() != TPixelFormat::pf24bit) {
    if (!DestinationAllowed(src.Width(), src.Height())) return false;
    TDib copy(src);
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    return Resample(copy, dst, newW, newH, filter, progress);
  }
  return filter == rfFastLinear ? FastLinear24(src, dst, newW, newH)
                                : ResampleFiltered(src, dst, newW, newH, filter, progress);
}

}  // namespace ox
