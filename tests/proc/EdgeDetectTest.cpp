// Tests of the edge detector: flat pictures, a step edge, thinning, tiny pictures and extreme windows.
#include <gtest/gtest.h>

#include <vector>

#include "ProcTestUtil.h"
#include "imaging/proc/oxcolourops.h"

namespace {

using gfx::TDib;
using namespace proctest;

int CountBlack(const TDib& d) {
  int n = 0;
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) n += d.GetPixelColor(x, y) == 0;
  return n;
}

TDib Step(int w, int h) {
  return Make24(w, h, [w](int x, int) { return x < w / 2 ? 0x202020u : 0xE0E0E0u; });
}

TEST(EdgeDetect, FlatPicturesGiveAllWhite) {
  for (auto [w, h] : {std::pair{40, 30}, {5, 5}, {1, 1}, {1, 30}}) {
    TDib d = Uniform(w, h, 0x3070B0);
    ASSERT_TRUE(ox::EdgeDetect(d, 7, 0, true, 0.9, 0.99)) << w << "x" << h;
    EXPECT_EQ(d.PixelFormat(), gfx::TPixelFormat::pf1bit);
    EXPECT_EQ(d.Width(), w);
    EXPECT_EQ(d.Height(), h);
    EXPECT_EQ(CountBlack(d), 0) << w << "x" << h;
  }
}

TEST(EdgeDetect, StepEdgeIsOneDarkSideColumn) {
  TDib d = Step(40, 30);
  std::vector<int> seen;
  ASSERT_TRUE(ox::EdgeDetect(d, 7, 0, true, 0.9, 0.99, [&](int p) { seen.push_back(p); }));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(d.GetPixelColor(x, y) == 0, x == 19 && y < 29) << x << "," << y;  // last row always white
  EXPECT_EQ(seen, (std::vector<int>{16, 33, 50, 66, 83, 100}));
}

TEST(EdgeDetect, ThinningDropsPixelsAlongTheTrace) {
  TDib plain = Step(40, 30), thin = Step(40, 30);
  ASSERT_TRUE(ox::EdgeDetect(plain, 7, 0, true, 0.9, 0.99));
  ASSERT_TRUE(ox::EdgeDetect(thin, 7, 2, true, 0.9, 0.99));
  const int a = CountBlack(plain), b = CountBlack(thin);
  EXPECT_GT(b, 0);
  EXPECT_LT(b, a);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      if (thin.GetPixelColor(x, y) == 0) {
        EXPECT_EQ(plain.GetPixelColor(x, y), 0u) << x << "," << y;
      }
}

TEST(EdgeDetect, TinyPicturesWideWindowsAndOtherFormats) {
  // Pictures under the 27-pixel border wrap more than once; windows wider than the border are limited.
  for (int window : {0, 7, 49, 1000, -5}) {
    TDib d = Make24(7, 3, Distinct);
    ASSERT_TRUE(ox::EdgeDetect(d, window, 3, false, 0.5, 0.5)) << window;
    EXPECT_EQ(d.Width(), 7);
    EXPECT_EQ(d.Height(), 3);
  }
  TDib big = Step(60, 50);
  ASSERT_TRUE(ox::EdgeDetect(big, 1000, 0, true, 0.9, 0.99));
  TDib bits(8, 8, gfx::TPixelFormat::pf1bit);
  EXPECT_FALSE(ox::EdgeDetect(bits, 7, 0, true, 0.9, 0.99));
  TDib empty;
  EXPECT_FALSE(ox::EdgeDetect(empty, 7, 0, true, 0.9, 0.99));
}

}  // namespace
