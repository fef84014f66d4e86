// Tests of flip, rotate, canvas size, the resample size rules, crop and clear on small fixtures.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "ProcTestUtil.h"
#include "imaging/model/Rounding.h"
#include "imaging/proc/oxgeometry.h"

namespace {

using gfx::TDib;
using gfx::TPixelFormat;
using namespace proctest;

constexpr gfx::TColor kBg = gfx::RGBColor(1, 2, 3);

TDib Bilevel(int w, int h, const std::function<bool(int, int)>& on) {
  TDib d(w, h, TPixelFormat::pf1bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d.SetPixelColor(x, y, on(x, y) ? 0xFFFFFF : 0);
  return d;
}

TEST(Flip, MirrorsRowsOrColumns24) {
  const TDib src = Make24(3, 2, Distinct);
  TDib h = src, v = src;
  ASSERT_TRUE(ox::Flip(h, 0));
  ASSERT_TRUE(ox::Flip(v, 1));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(h.GetPixelColor(x, y), src.GetPixelColor(2 - x, y));
      EXPECT_EQ(v.GetPixelColor(x, y), src.GetPixelColor(x, 1 - y));
    }
}

TEST(Flip, Bilevel13WideMovesPixel0To12) {
  TDib d = Bilevel(13, 2, [](int x, int y) { return x == 0 || (y == 1 && x == 5); });
  ASSERT_TRUE(ox::Flip(d, 0));
  for (int x = 0; x < 13; ++x) {
    EXPECT_EQ(d.GetPixelColor(x, 0) != 0, x == 12) << x;
    EXPECT_EQ(d.GetPixelColor(x, 1) != 0, x == 12 || x == 7) << x;
  }
  ASSERT_TRUE(ox::Flip(d, 1));
  EXPECT_NE(d.GetPixelColor(12, 1), 0u);
  EXPECT_EQ(d.GetPixelColor(7, 1), 0u);
}

TEST(Flip, OtherFormatsAreRefused) {
  TDib d(4, 4, TPixelFormat::pf8bit);
  EXPECT_FALSE(ox::Flip(d, 0));
}

// Quarter turns: where destination (x, y) comes from in a w x h source.
struct QuarterCase {
  double angle;
  bool swapsSize;
  std::function<std::pair<int, int>(int x, int y, int w, int h)> from;
};

TEST(Rotate, QuarterTurnsMapEveryPixel) {
  const auto ccw = [](int x, int y, int w, int) { return std::pair{w - 1 - y, x}; };
  const auto cw = [](int x, int y, int, int h) { return std::pair{y, h - 1 - x}; };
  const auto half = [](int x, int y, int w, int h) { return std::pair{w - 1 - x, h - 1 - y}; };
  const QuarterCase cases[] = {{90, true, ccw},  {-270, true, ccw}, {450, true, ccw}, {-90, true, cw},
                               {270, true, cw},  {180, false, half}, {-180, false, half}};
  const TDib src = Make24(5, 3, Distinct);
  for (const auto& c : cases) {
    TDib d = src;
    ASSERT_TRUE(ox::Rotate(d, c.angle, true, kBg)) << c.angle;
    ASSERT_EQ(d.Width(), c.swapsSize ? 3 : 5) << c.angle;
    ASSERT_EQ(d.Height(), c.swapsSize ? 5 : 3) << c.angle;
    for (int y = 0; y < d.Height(); ++y)
      for (int x = 0; x < d.Width(); ++x) {
        const auto [sx, sy] = c.from(x, y, 5, 3);
        ASSERT_EQ(d.GetPixelColor(x, y), src.GetPixelColor(sx, sy)) << c.angle << " at " << x << "," << y;
      }
  }
}

TEST(Rotate, NinetyOfA200x100PutsTopLeftAtBottomLeft) {
  TDib d = Uniform(200, 100, 0);
  d.SetPixelColor(0, 0, 0xFFFFFF);
  TDib e = d;
  ASSERT_TRUE(ox::Rotate(d, 90, true, kBg));
  EXPECT_EQ(d.Width(), 100);
  EXPECT_EQ(d.Height(), 200);
  EXPECT_EQ(d.GetPixelColor(0, 199), 0xFFFFFFu);
  ASSERT_TRUE(ox::Rotate(e, -90, true, kBg));
  EXPECT_EQ(e.GetPixelColor(99, 0), 0xFFFFFFu);
}

TEST(Rotate, ZeroDoesNothingAndFullTurnsKeepThePicture) {
  const TDib src = Make24(4, 3, Distinct);
  TDib d = src;
  EXPECT_FALSE(ox::Rotate(d, 0, true, kBg));
  EXPECT_TRUE(SamePixels(d, src));
  EXPECT_TRUE(ox::Rotate(d, 360, true, kBg));
  EXPECT_TRUE(SamePixels(d, src));
  EXPECT_TRUE(ox::Rotate(d, -720.0004, false, kBg));  // the thousandths are cut off
  EXPECT_TRUE(SamePixels(d, src));
}

// The three-shear sizes written out from their definitions.
void ShearSizes(int W, int H, double deg, int64_t& w1, int64_t& w3, int64_t& h3) {
  const double th = deg * std::numbers::pi / 180, t = std::fabs(std::tan(th / 2)), s = std::fabs(std::sin(th));
  w1 = ox::Round(H * t + W + 1);
  const int64_t l = ox::Round((w1 - W) * s), h2 = ox::Round(s * w1 + H + 1), w = ox::Round(t * (h2 - H - l));
  h3 = ox::Round(h2 - 2 * l);
  w3 = ox::Round(t * h3 + w1 + 1 - 2 * w);
}

TEST(Rotate, ShearSizesAndUncoveredCorners) {
  int64_t w1, w3, h3;
  ShearSizes(100, 100, 30, w1, w3, h3);
  EXPECT_EQ(w1, 128);
  for (bool aa : {false, true}) {
    TDib d = Uniform(100, 100, gfx::RGBColor(201, 77, 13));
    ASSERT_TRUE(ox::Rotate(d, 30, aa, kBg));
    EXPECT_EQ(d.Width(), w3);
    EXPECT_EQ(d.Height(), h3);
    EXPECT_EQ(d.GetPixelColor(0, 0), kBg);
    EXPECT_EQ(d.GetPixelColor(d.Width() - 1, 0), kBg);
    EXPECT_EQ(d.GetPixelColor(0, d.Height() - 1), kBg);
    EXPECT_EQ(d.GetPixelColor(d.Width() - 1, d.Height() - 1), kBg);
    // A flat area stays exactly flat through the blends (odd channels included).
    EXPECT_EQ(d.GetPixelColor(d.Width() / 2, d.Height() / 2), gfx::RGBColor(201, 77, 13)) << aa;
  }
}

TEST(Rotate, SmallAnglesTurnTheRightWay) {
  // A bright pixel right of the centre moves up for a counter-clockwise turn, down for a clockwise one.
  for (double angle : {30.0, -30.0, 120.0}) {
    TDib d = Uniform(41, 41, 0);
    d.SetPixelColor(35, 20, 0xFFFFFF);
    ASSERT_TRUE(ox::Rotate(d, angle, false, 0));
    int bx = -1, by = -1;
    for (int y = 0; y < d.Height(); ++y)
      for (int x = 0; x < d.Width(); ++x)
        if (d.GetPixelColor(x, y) == 0xFFFFFF) bx = x, by = y;
    ASSERT_GE(bx, 0) << angle;
    const double cx = d.Width() / 2.0, cy = d.Height() / 2.0, a = angle * std::numbers::pi / 180;
    EXPECT_NEAR(bx, cx + 15 * std::cos(a), 2.5) << angle;
    EXPECT_NEAR(by, cy - 15 * std::sin(a), 2.5) << angle;
  }
}

TEST(Rotate, BilevelQuarterTurnsAndBackground) {
  const TDib src = Bilevel(4, 2, [](int x, int y) { return (x + 2 * y) % 3 == 0; });
  TDib l = src, r = src;
  ASSERT_TRUE(ox::Rotate(l, 90, true, 0));
  ASSERT_TRUE(ox::Rotate(r, -90, true, 0));
  ASSERT_EQ(l.PixelFormat(), TPixelFormat::pf1bit);
  ASSERT_EQ(l.Width(), 2);
  ASSERT_EQ(l.Height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(l.GetPixelColor(x, y), src.GetPixelColor(3 - y, x)) << x << "," << y;
      EXPECT_EQ(r.GetPixelColor(x, y), src.GetPixelColor(y, 1 - x)) << x << "," << y;
    }
  // Uncovered corners take the background bit.
  for (gfx::TColor bg : {gfx::TColor(0), gfx::TColor(0x123456)}) {
    TDib d = Bilevel(20, 20, [](int, int) { return false; });
    ASSERT_TRUE(ox::Rotate(d, 45, false, bg));
    EXPECT_EQ(d.Width(), 28);  // trunc(20 * 0.7071 * 2)
    EXPECT_EQ(d.GetPixelColor(0, 0) != 0, bg != 0);
    EXPECT_EQ(d.GetPixelColor(14, 14), 0u);
  }
}

TEST(ImageResize, GrowsWithBackgroundAndCropsFromTopLeft) {
  const TDib src = Make24(3, 2, Distinct);
  TDib big = src, small = src;
  ASSERT_TRUE(ox::ImageResize(big, 5, 4, kBg));
  ASSERT_EQ(big.Width(), 5);
  ASSERT_EQ(big.Height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(big.GetPixelColor(x, y), x < 3 && y < 2 ? src.GetPixelColor(x, y) : kBg) << x << "," << y;
  ASSERT_TRUE(ox::ImageResize(small, 2, 1, kBg));
  EXPECT_EQ(small.Width(), 2);
  EXPECT_EQ(small.GetPixelColor(1, 0), src.GetPixelColor(1, 0));
  for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-3, 4}, {4, -1}}) {
    TDib d = src;
    EXPECT_FALSE(ox::ImageResize(d, w, h, kBg));
    EXPECT_TRUE(SamePixels(d, src));
  }
}

TEST(Resample, NegativeSizeRules) {
  struct Case {
    int sw, sh, w, h;
    bool ok;
    int ew, eh;
  } cases[] = {
      {200, 100, -1, 50, true, 100, 50},  {200, 100, 100, -1, true, 100, 50}, {200, 100, -5, -5, false, 0, 0},
      {200, 1000, -1, 1, false, 0, 0},    {0, 100, -1, 50, false, 0, 0},      {200, 0, 100, -1, false, 0, 0},
      {200, 100, 0, 50, false, 0, 0},     {3, 7, -1, 10, true, 4, 10},
  };
  for (const auto& c : cases) {
    int w = c.w, h = c.h;
    EXPECT_EQ(ox::ResampleSize(c.sw, c.sh, w, h), c.ok) << c.sw << "x" << c.sh << " " << c.w << "," << c.h;
    if (c.ok) {
      EXPECT_EQ(w, c.ew);
      EXPECT_EQ(h, c.eh);
    }
  }
  TDib d = Make24(200, 100, Distinct);
  ASSERT_TRUE(ox::Resample(d, -1, 50, ox::rfTriangle));
  EXPECT_EQ(d.Width(), 100);
  EXPECT_EQ(d.Height(), 50);
  TDib empty;
  EXPECT_FALSE(ox::Resample(empty, -1, 50, ox::rfTriangle));
  TDib keep = Make24(4, 4, Distinct);
  EXPECT_FALSE(ox::Resample(keep, -1, -1, ox::rfNone));
  EXPECT_EQ(keep.Width(), 4);
}

TEST(Resample, NoneIsNearestAndBilevelBecomes24) {
  const TDib src = Make24(2, 2, Distinct);
  TDib d = src;
  ASSERT_TRUE(ox::Resample(d, 4, 4, ox::rfNone));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.GetPixelColor(x, y), src.GetPixelColor(x / 2, y / 2));
  TDib b = Bilevel(8, 8, [](int x, int) { return x >= 4; });
  TDib nb = b;
  ASSERT_TRUE(ox::Resample(nb, 4, 4, ox::rfNone));
  EXPECT_EQ(nb.PixelFormat(), TPixelFormat::pf1bit);
  ASSERT_TRUE(ox::Resample(b, 4, 4, ox::rfTriangle));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(b.GetPixelColor(0, 0), 0u);
  EXPECT_EQ(b.GetPixelColor(3, 3), 0xFFFFFFu);
}

TEST(Resample, AlphaMaskFollows) {
  TDib d = Make24(8, 8, Distinct);
  ox::TOXMask full;
  full.Allocate(8, 8, 8);
  full.Fill(255);
  ASSERT_TRUE(ox::Resample(d, 4, 2, ox::rfTriangle, &full));
  EXPECT_EQ(full.Width, 4);
  EXPECT_EQ(full.Height, 2);
  EXPECT_EQ(full.BitsPerPixel, 8);
  EXPECT_TRUE(full.Full);
  EXPECT_EQ(full.GetPixel(3, 1), 255);

  for (auto filter : {ox::rfNone, ox::rfTriangle}) {
    TDib e = Make24(8, 8, Distinct);
    ox::TOXMask half;
    half.Allocate(8, 8, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 4; x < 8; ++x) half.SetPixel(x, y, 255);
    ASSERT_TRUE(ox::Resample(e, 4, 4, filter, &half));
    EXPECT_EQ(half.Width, 4);
    EXPECT_FALSE(half.Full);
    EXPECT_EQ(half.GetPixel(0, 0), 0);
    EXPECT_EQ(half.GetPixel(3, 3), 255);
  }
}

TEST(CropAndClear, SelectionBoxAndPixels) {
  const TDib src = Make24(6, 5, Distinct);
  ox::TOXMask m = RectMask(6, 5, 1, 1, 4, 3);
  m.SetPixel(4, 3, 1);  // box grows to (1,1)-(4,3) inclusive
  TDib crop = src;
  ASSERT_TRUE(ox::CropSel(crop, &m));
  ASSERT_EQ(crop.Width(), 4);
  ASSERT_EQ(crop.Height(), 3);
  EXPECT_EQ(crop.GetPixelColor(0, 0), src.GetPixelColor(1, 1));
  EXPECT_EQ(crop.GetPixelColor(3, 2), src.GetPixelColor(4, 3));
  EXPECT_EQ(crop.GetPixelColor(3, 0), 0u);  // unselected pixels of the new picture

  TDib none = src;
  EXPECT_FALSE(ox::CropSel(none, nullptr));
  ox::TOXMask empty;
  empty.Allocate(6, 5, 1);
  EXPECT_FALSE(ox::CropSel(none, &empty));
  EXPECT_TRUE(SamePixels(none, src));

  TDib cleared = src;
  ASSERT_TRUE(ox::ClearSel(cleared, &m, kBg));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(cleared.GetPixelColor(x, y), m.IsSet(x, y) ? kBg : src.GetPixelColor(x, y)) << x << "," << y;

  TDib all = src;
  ASSERT_TRUE(ox::Clear(all, kBg));
  EXPECT_TRUE(SamePixels(all, Uniform(6, 5, kBg)));

  TDib bits = Bilevel(10, 3, [](int, int) { return false; });
  ox::TOXMask bm = RectMask(10, 3, 2, 0, 9, 1);
  ASSERT_TRUE(ox::ClearSel(bits, &bm, 0xFFFFFF));
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bits.GetPixelColor(x, 0) != 0, x >= 2 && x < 9) << x;
}

}  // namespace
