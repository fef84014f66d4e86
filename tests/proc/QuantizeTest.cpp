// Quantizers (variance split, NeuQuant), bilevel helpers and the writer preparation built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <random>

#include "imaging/io/oxwriteprep.h"
#include "imaging/proc/oxquantize.h"

namespace {

using gfx::TDib;
using gfx::TPixelFormat;
using gfx::TRGB;
using namespace ox;

void Put(TDib& d, int x, int y, TRGB c) {
  uint8_t* p = d.ScanLine(y) + 3 * x;
  p[0] = c.b; p[1] = c.g; p[2] = c.r;
}
TRGB Get(const TDib& d, int x, int y) {
  const uint8_t* p = d.ScanLine(y) + 3 * x;
  return TRGB{p[2], p[1], p[0]};
}
TDib Filled(int w, int h, TRGB c) {
  TDib d(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Put(d, x, y, c);
  return d;
}
bool Bit(const TDib& d, int x, int y) { return (d.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) != 0; }

// Smooth gradients with texture: what a photo gives a quantizer to do.
TDib PhotoLike(int w, int h) {
  TDib d(w, h, TPixelFormat::pf24bit);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double fx = double(x) / w, fy = double(y) / h;
      auto ch = [&](double v) { return uint8_t(std::clamp(int(v) + noise(rng), 0, 255)); };
      Put(d, x, y, TRGB{ch(255 * fx), ch(128 + 100 * std::sin(6 * fy + 3 * fx)), ch(255 * (1 - fy) * (0.5 + 0.5 * fx))});
    }
  return d;
}

// Colours that fit are kept exactly, whichever method the count would choose; the other entries stay.
TEST(Quantizer, PicturesWhoseColoursFitKeepThem) {
  TDib d = Filled(5, 4, TRGB{13, 200, 77});
  std::vector<TRGB> pal(16, TRGB{1, 2, 3});
  TOXQuantizer q(d, -1, 16, pal);
  EXPECT_TRUE(q.Exact());
  EXPECT_EQ(q.Count(), 1);
  EXPECT_EQ(pal[0], (TRGB{13, 200, 77}));
  for (int i = 1; i < 16; ++i) EXPECT_EQ(pal[i], (TRGB{1, 2, 3}));
  EXPECT_EQ(q.IndexOf(TRGB{13, 200, 77}), 0);

  for (int n : {16, 128, 256}) {
    TDib m(n, 2, TPixelFormat::pf24bit);
    for (int x = 0; x < n; ++x)
      for (int y = 0; y < 2; ++y) Put(m, x, y, TRGB{uint8_t(x), uint8_t(x * 97 + 13), uint8_t(x * 31 + 5)});
    std::vector<TRGB> p;
    TOXQuantizer exact(m, -1, n, p);
    EXPECT_TRUE(exact.Exact()) << n;
    for (int x = 0; x < n; ++x) ASSERT_EQ(p[size_t(exact.IndexOf(Get(m, x, 1)))], Get(m, x, 1)) << n;
    std::vector<TRGB> fewer;
    EXPECT_FALSE(TOXQuantizer(m, -1, n - 1, fewer).Exact()) << n;
  }
}

// The first cut is searched from level 0 of the whole cube, not from the lowest level in use: here that puts
// the lone purple with the green, where a shrunk root box would have put it with the olive.
TEST(VarianceSplit, RootBoxSpansTheWholeCube) {
  TDib d(9, 1, TPixelFormat::pf24bit);
  for (int x = 0; x < 9; ++x) Put(d, x, 0, x < 4 ? TRGB{80, 120, 0} : x == 4 ? TRGB{200, 120, 200} : TRGB{160, 240, 64});
  std::vector<TRGB> pal;
  TOXQuantizer q(d, -1, 2, pal);
  EXPECT_FALSE(q.Exact());
  EXPECT_EQ(pal[0], (TRGB{80, 120, 0}));
  EXPECT_EQ(pal[1], (TRGB{168, 216, 88}));
}

TEST(VarianceSplit, SeparatesDistinctColoursEvenInWideRows) {
  // 65536 pixels: a pixel count cut to 16 bits would be 0 here.
  const TRGB colours[4] = {{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {240, 240, 240}};
  TDib d(65536, 1, TPixelFormat::pf24bit);
  for (int x = 0; x < d.Width(); ++x) Put(d, x, 0, colours[x % 4]);
  std::vector<TRGB> pal;
  TOXQuantizer q(d, -1, 4, pal);
  ASSERT_EQ(pal.size(), 4u);
  std::vector<int> seen;
  for (const TRGB& c : colours) {
    const int i = q.IndexOf(c);
    ASSERT_GE(i, 0);
    ASSERT_LT(i, 4);
    EXPECT_LE(std::abs(pal[i].r - c.r) + std::abs(pal[i].g - c.g) + std::abs(pal[i].b - c.b), 24);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), i), 0);
    seen.push_back(i);
  }
}

TEST(NeuQuant, TinyPicturesAndClampedCounts) {
  for (int n : {1, 3, 498, 499, 1500}) {
    TDib d(n, 1, TPixelFormat::pf24bit);
    for (int x = 0; x < n; ++x) Put(d, x, 0, TRGB{uint8_t(x * 7), uint8_t(x * 13), uint8_t(x * 29)});
    std::vector<TRGB> pal;
    TOXQuantizer q(d, -1, 1000, pal);
    EXPECT_EQ(pal.size(), 256u) << n;
    for (int x = 0; x < n; ++x) {
      const int i = q.IndexOf(Get(d, x, 0));
      EXPECT_GE(i, 0);
      EXPECT_LT(i, 256);
    }
  }
  std::vector<TRGB> pal;
  TOXQuantizer none(TDib(), -1, 200, pal);
  EXPECT_EQ(pal.size(), 200u);
}

TEST(NeuQuant, PhotoLikePictureStaysClose) {
  TDib d = PhotoLike(320, 240);
  TDib orig = d;
  std::vector<TRGB> pal;
  QuantizeInPlace(d, 256, pal);
  double err = 0;
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) {
      const TRGB a = Get(orig, x, y), b = Get(d, x, y);
      err += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    }
  err /= 3.0 * d.Width() * d.Height();
  EXPECT_LT(err, 6.5);  // mean absolute error per channel (measured 5.9; the noise alone is 3)
  // Every pixel now is a palette colour.
  for (int y = 0; y < d.Height(); y += 17)
    for (int x = 0; x < d.Width(); x += 13) EXPECT_NE(std::find(pal.begin(), pal.end(), Get(d, x, y)), pal.end());
}

TEST(Bilevel, OrderedDitherFollowsTheMatrixByColumnThenRow) {
  TDib d = Filled(16, 16, TRGB{128, 128, 128});
  DitherToBilevel(d);
  ASSERT_EQ(d.PixelFormat(), TPixelFormat::pf1bit);
  int white = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) white += Bit(d, x, y);
  EXPECT_EQ(white, 32);  // gray 128 -> level 32: half the matrix
  EXPECT_TRUE(Bit(d, 8, 8));
  EXPECT_FALSE(Bit(d, 7, 0));

  TDib e = Filled(8, 8, TRGB{200, 200, 200});  // level 50: column 0 row 3 has 40, column 3 row 0 has 60
  DitherToBilevel(e);
  EXPECT_TRUE(Bit(e, 0, 3));
  EXPECT_FALSE(Bit(e, 3, 0));
}

TEST(Bilevel, TwoColourBitmapPutsTheDarkerColourOnClearBits) {
  TDib d = Filled(10, 3, TRGB{255, 255, 255});
  Put(d, 4, 1, TRGB{0, 0, 0});
  TRGB c1, c2;
  auto b = TwoColourBitmap(d, c1, c2);
  ASSERT_TRUE(b);
  EXPECT_EQ(c1, (TRGB{0, 0, 0}));
  EXPECT_EQ(c2, (TRGB{255, 255, 255}));
  EXPECT_FALSE(Bit(*b, 4, 1));
  EXPECT_TRUE(Bit(*b, 0, 0));
  EXPECT_TRUE(Bit(*b, 9, 2));

  EXPECT_FALSE(TwoColourBitmap(Filled(4, 4, TRGB{9, 9, 9}), c1, c2));
  Put(d, 0, 2, TRGB{1, 2, 3});
  EXPECT_FALSE(TwoColourBitmap(d, c1, c2));
}

TEST(Bilevel, ExpandAndInvert) {
  TDib b(10, 2, TPixelFormat::pf1bit);
  std::memset(b.Bits(), 0, b.ByteSize());
  b.ScanLine(0)[0] = 0x81;
  b.ScanLine(1)[1] = 0x40;  // pixel 9
  TDib e;
  ExpandBilevel(b, e);
  ASSERT_EQ(e.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(Get(e, 0, 0), (TRGB{255, 255, 255}));
  EXPECT_EQ(Get(e, 1, 0), (TRGB{0, 0, 0}));
  EXPECT_EQ(Get(e, 7, 0), (TRGB{255, 255, 255}));
  EXPECT_EQ(Get(e, 9, 1), (TRGB{255, 255, 255}));
  EXPECT_EQ(Get(e, 8, 1), (TRGB{0, 0, 0}));
  InvertBilevel(b);
  EXPECT_EQ(b.ScanLine(0)[0], 0x7E);
}

TEST(Palette, NearestIndexAndSwap) {
  TRGB pal[3] = {{100, 0, 0}, {10, 10, 10}, {10, 10, 10}};
  EXPECT_EQ(NearestIndex(pal, 3, TRGB{12, 9, 10}), 1);
  EXPECT_EQ(NearestIndex(pal, 0, TRGB{12, 9, 10}), 0);
  SwapRedBlue(pal, 1);
  EXPECT_EQ(pal[0], (TRGB{0, 0, 100}));
}

TEST(WritePrep, SourcesAreNeverChanged) {
  TDib d = Filled(9, 2, TRGB{255, 255, 255});
  Put(d, 3, 0, TRGB{0, 0, 128});
  const TDib before = d;
  TDib holder;
  EXPECT_EQ(&PrepareSource24(d, holder), &d);
  const TDib& one = PrepareSource1(d, holder);
  ASSERT_EQ(one.PixelFormat(), TPixelFormat::pf1bit);
  ASSERT_EQ(one.Palette().size(), 2u);
  EXPECT_EQ(one.Palette()[0], (TRGB{0, 0, 128}));
  EXPECT_EQ(one.Palette()[1], (TRGB{255, 255, 255}));
  EXPECT_FALSE(Bit(one, 3, 0));
  EXPECT_TRUE(Bit(one, 4, 0));
  EXPECT_EQ(d.ScanLine(0)[9], before.ScanLine(0)[9]);

  TDib many = PhotoLike(16, 16);
  const TDib& dithered = PrepareSource1(many, holder);
  EXPECT_EQ(dithered.Palette()[0], (TRGB{0, 0, 0}));
  EXPECT_EQ(many.PixelFormat(), TPixelFormat::pf24bit);

  TDib b(5, 1, TPixelFormat::pf1bit);
  std::memset(b.Bits(), 0, b.ByteSize());
  b.ScanLine(0)[0] = 0x80;
  EXPECT_EQ(&PrepareSource1(b, holder), &b);
  const TDib& wide = PrepareSource24(b, holder);
  EXPECT_EQ(Get(wide, 0, 0), (TRGB{255, 255, 255}));
  EXPECT_EQ(Get(wide, 1, 0), (TRGB{0, 0, 0}));
}

TEST(WritePrep, QuantizeSourceGivesOneIndexPerPixelFromTheTop) {
  TDib d = Filled(3, 2, TRGB{0, 0, 0});
  Put(d, 2, 0, TRGB{255, 255, 0});
  std::vector<TRGB> pal;
  std::vector<uint8_t> idx;
  QuantizeSource(d, 16, pal, idx);
  ASSERT_EQ(idx.size(), 6u);
  EXPECT_EQ(pal[idx[2]], (TRGB{255, 255, 0}));
  EXPECT_EQ(pal[idx[5]], (TRGB{0, 0, 0}));
}

}  // namespace
