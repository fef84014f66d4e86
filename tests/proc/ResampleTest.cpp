// Tests of the filtered and fast linear resamplers against direct evaluations of their formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/proc/oxresample.h"

namespace {

using gfx::TDib;
using gfx::TPixelFormat;
using namespace ox;

// Kernels written out independently of the library.
double RefKernel(TResampleFilter f, double s) {
  const double x = std::fabs(s);
  auto sinc = [](double v) { return v == 0 ? 1.0 : std::sin(std::numbers::pi * v) / (std::numbers::pi * v); };
  switch (f) {
    case rfTriangle: return x < 1 ? 1 - x : 0;
    case rfHermite: return x < 1 ? (2 * x - 3) * x * x + 1 : 0;
    case rfBell: return x < 0.5 ? 0.75 - x * x : x < 1.5 ? 0.5 * (x - 1.5) * (x - 1.5) : 0;
    case rfBSpline: return x < 1 ? 0.5 * x * x * x - x * x + 2.0 / 3.0 : x < 2 ? (2 - x) * (2 - x) * (2 - x) / 6 : 0;
    case rfLanczos3: return x < 3 ? sinc(x) * sinc(x / 3) : 0;
    case rfMitchell:
      return x < 1   ? (7 * x * x * x - 12 * x * x + 16.0 / 3.0) / 6
             : x < 2 ? (-7.0 / 3.0 * x * x * x + 12 * x * x - 20 * x + 32.0 / 3.0) / 6
                     : 0;
    case rfNearest: return s > -0.5 && s <= 0.5 ? 1 : 0;
    case rfLinear: return s >= -1 && s < 0 ? 1 + s : (s >= 0 && s < 1 ? 1 - s : 0);
    default: return 0;
  }
}

double RefRadius(TResampleFilter f) {
  switch (f) {
    case rfBell: return 1.5;
    case rfBSpline: case rfMitchell: return 2;
    case rfLanczos3: return 3;
    default: return 1;
  }
}

// One output sample of one pass, evaluated directly; get(k) reads source position k.
template <class Get>
double RefSample(TResampleFilter f, int nSrc, int nDst, int i, Get get) {
  const double scale = double(nDst) / double(nSrc);
  const double center = i / scale;
  const double width = scale >= 1 ? RefRadius(f) : RefRadius(f) / scale;
  double sum = 0;
  for (int j = int(std::floor(center - width)); j <= int(std::ceil(center + width)); ++j) {
    const double w = scale >= 1 ? RefKernel(f, center - j) : RefKernel(f, (center - j) * scale) * scale;
    if (w == 0) continue;
    int k = j < 0 ? -j : (j >= nSrc ? 2 * nSrc - j - 1 : j);
    k = std::min(std::max(k, 0), nSrc - 1);
    sum += w * get(k);
  }
  return sum;
}

uint8_t RefByte(double v, bool round) {
  if (round) v = std::nearbyint(v);
  return v > 255 ? 255 : (v < 0 ? 0 : uint8_t(v));
}

// Planes are stored as [channel][y][x] doubles-free bytes.
using Plane = std::vector<uint8_t>;

Plane RefFilter(const Plane& in, int sw, int sh, int dw, int dh, TResampleFilter f, bool round) {
  Plane mid(size_t(dw) * sh), out(size_t(dw) * dh);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < dw; ++x)
      mid[size_t(y) * dw + x] = RefByte(RefSample(f, sw, dw, x, [&](int k) { return in[size_t(y) * sw + k]; }), round);
  for (int x = 0; x < dw; ++x)
    for (int y = 0; y < dh; ++y)
      out[size_t(y) * dw + x] = RefByte(RefSample(f, sh, dh, y, [&](int k) { return mid[size_t(k) * dw + x]; }), round);
  return out;
}

TDib RandomDib24(int w, int h, unsigned seed) {
  TDib d(w, h, TPixelFormat::pf24bit);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) d.ScanLine(y)[x] = uint8_t(rng() & 0xFF);
  return d;
}

TDib RandomDib1(int w, int h, unsigned seed) {
  TDib d(w, h, TPixelFormat::pf1bit);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int64_t b = 0; b < d.RowLength(); ++b) d.ScanLine(y)[b] = uint8_t(rng() & 0xFF);
  return d;
}

Plane Channel(const TDib& d, int c) {
  Plane p(size_t(d.Width()) * d.Height());
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) p[size_t(y) * d.Width() + x] = d.ScanLine(y)[x * 3 + c];
  return p;
}

Plane Bits(const TDib& d) {
  Plane p(size_t(d.Width()) * d.Height());
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x)
      p[size_t(y) * d.Width() + x] = (d.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
  return p;
}

struct Size4 {
  int sw, sh, dw, dh;
};
const Size4 kSizes[] = {{7, 5, 13, 9}, {11, 8, 4, 3}, {9, 6, 3, 14}, {2, 2, 5, 1}, {1, 6, 4, 3}};

const TResampleFilter kFiltered[] = {rfTriangle, rfHermite, rfBell,    rfBSpline,
                                     rfLanczos3, rfMitchell, rfNearest, rfLinear};

class FilteredTest : public ::testing::TestWithParam<TResampleFilter> {};

TEST_P(FilteredTest, MatchesDirectEvaluation24) {
  for (const Size4& s : kSizes) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh);
    const TDib src = RandomDib24(s.sw, s.sh, 42);
    TDib dst;
    ASSERT_TRUE(ResampleFiltered(src, dst, s.dw, s.dh, GetParam()));
    ASSERT_EQ(dst.Width(), s.dw);
    ASSERT_EQ(dst.Height(), s.dh);
    ASSERT_EQ(dst.PixelFormat(), TPixelFormat::pf24bit);
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(Channel(dst, c), RefFilter(Channel(src, c), s.sw, s.sh, s.dw, s.dh, GetParam(), false)) << "channel " << c;
  }
}

TEST_P(FilteredTest, BilevelMatchesDirectEvaluationWithRounding) {
  for (const Size4& s : kSizes) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh);
    const TDib src = RandomDib1(s.sw, s.sh, 7);
    TDib dst;
    ASSERT_TRUE(ResampleBilevel(src, dst, s.dw, s.dh, GetParam()));
    ASSERT_EQ(dst.PixelFormat(), TPixelFormat::pf24bit);
    const Plane expected = RefFilter(Bits(src), s.sw, s.sh, s.dw, s.dh, GetParam(), true);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Channel(dst, c), expected) << "channel " << c;
  }
}

INSTANTIATE_TEST_SUITE_P(AllFilters, FilteredTest, ::testing::ValuesIn(kFiltered));

// Hand-worked row: centre i/2 without offset, the right edge mirrored back onto the last pixel,
// the midpoint truncated.
TEST(Resample, TriangleEnlargeByHand) {
  TDib src(2, 2, TPixelFormat::pf24bit);
  for (int y = 0; y < 2; ++y) {
    std::memset(src.ScanLine(y), 10, 3);
    std::memset(src.ScanLine(y) + 3, 21, 3);
  }
  TDib dst;
  ASSERT_TRUE(ResampleFiltered(src, dst, 4, 2, rfTriangle));
  for (int y = 0; y < 2; ++y) {
    const uint8_t* r = dst.ScanLine(y);
    EXPECT_EQ(std::vector<uint8_t>(r, r + 12), (std::vector<uint8_t>{10, 10, 10, 15, 15, 15, 21, 21, 21, 21, 21, 21}));
  }
}

TEST(Resample, OvershootIsClamped) {
  // Lanczos ringing around a hard edge leaves the 0…255 range on both sides.
  TDib src(8, 2, TPixelFormat::pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) std::memset(src.ScanLine(y) + x * 3, x < 4 ? 0 : 255, 3);
  TDib dst;
  ASSERT_TRUE(ResampleFiltered(src, dst, 29, 2, rfLanczos3));
  EXPECT_EQ(Channel(dst, 0), RefFilter(Channel(src, 0), 8, 2, 29, 2, rfLanczos3, false));
}

TEST(Resample, ProgressRunsThroughBothPasses) {
  const TDib src = RandomDib24(7, 5, 1);
  std::vector<int> seen;
  TDib dst;
  ASSERT_TRUE(ResampleFiltered(src, dst, 13, 9, rfBell, [&](int p) { seen.push_back(p); }));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), 5);  // trunc(1 * 100 / 18.5)
  EXPECT_EQ(seen.back(), 97);  // trunc(18 * 100 / 18.5)
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  // 27 is trunc(5 * 100 / 18.5): the last row of the first pass.
  EXPECT_NE(std::find(seen.begin(), seen.end(), 27), seen.end());
}

TEST(Resample, NothingHappensForTinyOrEmptyInput) {
  const TDib tiny24 = RandomDib24(1, 1, 3);
  const TDib tiny1 = RandomDib1(1, 1, 3);
  const TDib src24 = RandomDib24(6, 4, 3);
  const TDib src1 = RandomDib1(6, 4, 3);
  TDib dst = RandomDib24(3, 2, 9);
  const TDib before = dst;
  int calls = 0;
  auto count = [&](int) { ++calls; };
  EXPECT_FALSE(ResampleFiltered(tiny24, dst, 4, 4, rfTriangle, count));
  EXPECT_FALSE(ResampleBilevel(tiny1, dst, 4, 4, rfTriangle, count));
  EXPECT_FALSE(ResampleFiltered(TDib(), dst, 4, 4, rfTriangle, count));
  for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-1, -1}}) {
    EXPECT_FALSE(ResampleFiltered(src24, dst, w, h, rfLanczos3, count));
    EXPECT_FALSE(ResampleBilevel(src1, dst, w, h, rfLanczos3, count));
    EXPECT_FALSE(FastLinear24(src24, dst, w, h));
    EXPECT_FALSE(FastLinearBilevel(src1, dst, w, h));
    EXPECT_FALSE(Resample(src24, dst, w, h, rfMitchell, count));
    uint8_t plane[4] = {};
    EXPECT_FALSE(FastLinearAlpha(plane, 2, 2, 2, plane, w, h, 2));
  }
  EXPECT_FALSE(ResampleFiltered(src24, dst, 4, 4, rfFastLinear));
  EXPECT_FALSE(ResampleFiltered(src1, dst, 4, 4, rfTriangle));  // wrong source format
  EXPECT_FALSE(Resample(src24, dst, 4, 4, rfNone));
  EXPECT_EQ(calls, 0);
  ASSERT_EQ(dst.Width(), 3);
  EXPECT_EQ(Channel(dst, 0), Channel(before, 0));
}

// A tall narrow picture made wide keeps every source row at the new width in the first pass: 53521 x 53521
// bytes for a 3 x 53521 source and a 53521 x 26 result, far past what a picture may hold. Refused up front.
TEST(FastLinear, WorkAreaPastTheSizeGuardIsRefused) {
  TDib dst = RandomDib24(3, 2, 9);
  EXPECT_FALSE(FastLinearBilevel(TDib(3, 53521, TPixelFormat::pf1bit), dst, 53521, 26));
  EXPECT_FALSE(FastLinear24(TDib(3, 53521, TPixelFormat::pf24bit), dst, 53521, 26));
  EXPECT_EQ(dst.Width(), 3);
}

std::vector<uint8_t> Alpha(const std::vector<uint8_t>& in, int sw, int sh, int dw, int dh) {
  std::vector<uint8_t> out(size_t(dw) * dh, 0xCD);
  EXPECT_TRUE(FastLinearAlpha(in.data(), sw, sh, sw, out.data(), dw, dh, dw));
  return out;
}

TEST(FastLinear, EnlargeInterpolatesWithTruncatedFixedPoint) {
  EXPECT_EQ(Alpha({10, 21}, 2, 1, 4, 1), (std::vector<uint8_t>{10, 15, 21, 21}));
  // (10 - 21) * 65536 div 131072 truncates toward zero: 21 - 5.
  EXPECT_EQ(Alpha({21, 10}, 2, 1, 4, 1), (std::vector<uint8_t>{21, 16, 10, 10}));
  // Vertical axis, 3 -> 7: centres 0, 3/7, 6/7, 9/7, ...
  const auto col = Alpha({0, 100, 200}, 1, 3, 1, 7);
  EXPECT_EQ(col, (std::vector<uint8_t>{0, 42, 85, 128, 171, 200, 200}));
}

TEST(FastLinear, ReduceAveragesInclusiveRanges) {
  // 6 -> 3: ranges 0..2, 2..4, and 4..4 for the last pixel.
  EXPECT_EQ(Alpha({0, 10, 20, 30, 40, 50}, 6, 1, 3, 1), (std::vector<uint8_t>{10, 30, 40}));
  EXPECT_EQ(Alpha({0, 10, 20, 30, 40, 50}, 1, 6, 1, 3), (std::vector<uint8_t>{10, 30, 40}));
  // Integer average (1 + 2 + 2) / 3; the last pixel stops at the range start, so 9 is never read.
  EXPECT_EQ(Alpha({1, 2, 2, 9}, 4, 1, 2, 1), (std::vector<uint8_t>{1, 2}));
}

// 10 million samples of 255 fall into the first output pixel: their sum passes 2^31.
TEST(FastLinear, ReduceSumsLongRangesWithoutOverflow) {
  const int n = 20'000'000;
  const std::vector<uint8_t> plane(size_t(n), 255);
  EXPECT_EQ(Alpha(plane, n, 1, 2, 1), (std::vector<uint8_t>{255, 255}));
  EXPECT_EQ(Alpha(plane, 1, n, 1, 2), (std::vector<uint8_t>{255, 255}));
}

TEST(FastLinear, AxisOfScaleOneIsCopied) {
  std::mt19937 rng(5);
  std::vector<uint8_t> src(5 * 3);
  for (auto& v : src) v = uint8_t(rng());
  // Width kept, height doubled: rows 0, 2, 4 land on source rows 0, 1, 2 unchanged.
  const auto tall = Alpha(src, 5, 3, 5, 6);
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(std::vector<uint8_t>(tall.begin() + r * 10, tall.begin() + r * 10 + 5),
              std::vector<uint8_t>(src.begin() + r * 5, src.begin() + r * 5 + 5));
  // Height kept, width reduced: rows stay independent.
  const auto narrow = Alpha(src, 5, 3, 2, 3);
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(std::vector<uint8_t>(narrow.begin() + r * 2, narrow.begin() + r * 2 + 2),
              Alpha(std::vector<uint8_t>(src.begin() + r * 5, src.begin() + r * 5 + 5), 5, 1, 2, 1));
  EXPECT_EQ(Alpha(src, 5, 3, 5, 3), src);
}

TEST(FastLinear, ColourAndBilevelFollowThePlaneRule) {
  for (const Size4& s : kSizes) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh);
    const TDib src24 = RandomDib24(s.sw, s.sh, 11);
    TDib dst;
    ASSERT_TRUE(FastLinear24(src24, dst, s.dw, s.dh));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Channel(dst, c), Alpha(Channel(src24, c), s.sw, s.sh, s.dw, s.dh));
    const TDib src1 = RandomDib1(s.sw, s.sh, 11);
    ASSERT_TRUE(FastLinearBilevel(src1, dst, s.dw, s.dh));
    const auto gray = Alpha(Bits(src1), s.sw, s.sh, s.dw, s.dh);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Channel(dst, c), gray);
  }
}

TEST(FastLinear, AlphaHonoursNegativeStrides) {
  // Bottom-up storage: row 0 is the last one in memory.
  const std::vector<uint8_t> mem = {200, 100, 0, 0};  // rows (top first): {0, 0}, {200, 100}
  std::vector<uint8_t> out(4 * 2, 0);
  ASSERT_TRUE(FastLinearAlpha(mem.data() + 2, 2, 2, -2, out.data() + 4, 4, 2, -4));
  EXPECT_EQ(out, (std::vector<uint8_t>{200, 150, 100, 100, 0, 0, 0, 0}));
}

TEST(Resample, DispatchesByFormatAndFilter) {
  const TDib src24 = RandomDib24(7, 5, 21);
  const TDib src1 = RandomDib1(7, 5, 21);
  TDib a, b;
  ASSERT_TRUE(Resample(src24, a, 4, 9, rfHermite));
  ASSERT_TRUE(ResampleFiltered(src24, b, 4, 9, rfHermite));
  EXPECT_EQ(Channel(a, 1), Channel(b, 1));
  ASSERT_TRUE(Resample(src24, a, 4, 9, rfFastLinear));
  ASSERT_TRUE(FastLinear24(src24, b, 4, 9));
  EXPECT_EQ(Channel(a, 2), Channel(b, 2));
  ASSERT_TRUE(Resample(src1, a, 4, 9, rfBSpline));
  ASSERT_TRUE(ResampleBilevel(src1, b, 4, 9, rfBSpline));
  EXPECT_EQ(Channel(a, 0), Channel(b, 0));
  ASSERT_TRUE(Resample(src1, a, 4, 9, rfFastLinear));
  ASSERT_TRUE(FastLinearBilevel(src1, b, 4, 9));
  EXPECT_EQ(Channel(a, 0), Channel(b, 0));
  // Other formats are resampled from a 24-bit copy.
  TDib src8 = src24;
  src8.SetPixelFormat(TPixelFormat::pf8bit);
  TDib as24 = src8;
  as24.SetPixelFormat(TPixelFormat::pf24bit);
  ASSERT_TRUE(Resample(src8, a, 3, 3, rfMitchell));
  ASSERT_TRUE(ResampleFiltered(as24, b, 3, 3, rfMitchell));
  EXPECT_EQ(Channel(a, 0), Channel(b, 0));
}

TEST(Resample, SourceMayBeItsOwnDestination) {
  TDib pic = RandomDib24(7, 5, 8);
  const TDib copy = pic;
  TDib expected;
  ASSERT_TRUE(ResampleFiltered(copy, expected, 13, 9, rfLanczos3));
  ASSERT_TRUE(ResampleFiltered(pic, pic, 13, 9, rfLanczos3));
  EXPECT_EQ(Channel(pic, 0), Channel(expected, 0));
}

}  // namespace
