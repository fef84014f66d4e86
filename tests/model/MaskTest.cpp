// Tests of TOXMask (pixels, flags, polygon fill, masked copy, translation, inverted drawing) and CopyBitRun.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "imaging/model/BitRun.h"
#include "imaging/model/oxmask.h"

using ox::TOXMask;
using ox::TOXPoint;

namespace {

using PixelSet = std::set<std::pair<int, int>>;

PixelSet SetPixels(const TOXMask& m) {
  PixelSet s;
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x)
      if (m.IsSet(x, y)) s.insert({x, y});
  return s;
}

PixelSet Rect(int x1, int y1, int x2, int y2) {
  PixelSet s;
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) s.insert({x, y});
  return s;
}

std::vector<TOXPoint> RectPoly(int x1, int y1, int x2, int y2) { return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}; }

void FillDib(gfx::TDib& dib, uint8_t v) {
  for (int y = 0; y < dib.Height(); ++y) std::memset(dib.ScanLine(y), v, size_t(dib.RowLength()));
}

}  // namespace

TEST(MaskState, NewMaskIsEmptyAndReadsZero) {
  TOXMask m;
  m.Allocate(13, 5, 1);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(m.RowLength, 4);
  EXPECT_TRUE(SetPixels(m).empty());
  EXPECT_FALSE(m.Full);
  TOXMask a;
  a.Allocate(13, 5, 8);
  EXPECT_EQ(a.RowLength, 13);
  EXPECT_TRUE(SetPixels(a).empty());
  EXPECT_EQ(a.GetPixel(-1, 0), 0);
  EXPECT_EQ(a.GetPixel(13, 0), 0);
}

TEST(MaskState, FullFlagRules) {
  TOXMask a;
  a.Allocate(4, 4, 8);
  a.Fill(255);
  EXPECT_TRUE(a.Full);
  a.SetPixel(1, 1, 255);
  EXPECT_TRUE(a.Full);
  a.SetPixel(1, 1, 254);
  EXPECT_FALSE(a.Full);
  a.SetPixel(1, 1, 255);
  EXPECT_FALSE(a.Full) << "Full never comes back from a single pixel";
  a.Fill(128);
  EXPECT_FALSE(a.Full);

  TOXMask b;
  b.Allocate(4, 4, 1);
  b.Fill(0);
  EXPECT_TRUE(b.Full);
  b.SetPixel(0, 0, 0);
  EXPECT_TRUE(b.Full);
}

TEST(MaskState, PixelsAndBoundingBox) {
  TOXMask m;
  m.Allocate(20, 10, 1);
  m.SetPixel(9, 3, 1);
  m.SetPixel(2, 7, 77);
  EXPECT_EQ(m.GetPixel(9, 3), 64);  // bit 1 of byte 1
  EXPECT_EQ(m.Row(3)[1], 0x40);
  EXPECT_EQ((std::vector<int>{m.X1, m.Y1, m.X2, m.Y2}), (std::vector<int>{2, 3, 9, 7}));
  m.SetPixel(9, 3, 0);
  EXPECT_FALSE(m.IsSet(9, 3));
  EXPECT_EQ((std::vector<int>{m.X1, m.Y1, m.X2, m.Y2}), (std::vector<int>{2, 3, 9, 7})) << "clearing never shrinks";
  m.SetPixel(20, 0, 1);
  m.SetPixel(0, -1, 1);
  EXPECT_EQ(m.X2, 9);
  EXPECT_EQ(m.Y1, 3);
  // Rows lie bottom-up.
  EXPECT_EQ(m.Row(7), m.Data.data() + 2 * 4);

  TOXMask c;
  c.Assign(&m);
  EXPECT_EQ(SetPixels(c), SetPixels(m));
  EXPECT_EQ(c.X1, 2);
  c.Assign(nullptr);
  EXPECT_EQ(c.Width, 20);

  m.Clear();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_TRUE(SetPixels(m).empty());
  m.FreeImage();
  EXPECT_EQ(m.Width, 0);
  EXPECT_EQ(m.RowLength, 0);
  m.SetPixel(0, 0, 1);
  EXPECT_EQ(m.GetPixel(0, 0), 0);
}

TEST(MaskSpan, ClampsColumnsAndSkipsRowsOutside) {
  TOXMask m;
  m.Allocate(20, 3, 1);
  EXPECT_EQ(m.FillSpan(0, -4, 1, 12), 13);  // 1 bit sets whatever the value
  EXPECT_EQ(SetPixels(m), Rect(0, 1, 13, 2));
  EXPECT_EQ(m.FillSpan(1, 5, 1, 4), 0);
  EXPECT_EQ(m.FillSpan(1, 25, 0, 30), 0);
  EXPECT_EQ(m.FillSpan(1, 0, -1, 19), 0);
  EXPECT_EQ(m.FillSpan(1, 0, 3, 19), 0);
  EXPECT_EQ(SetPixels(m), Rect(0, 1, 13, 2));
  EXPECT_EQ(m.FillSpan(1, 3, 2, 5), 3);
  EXPECT_EQ(m.Row(2)[0], 0x1C);

  TOXMask a;
  a.Allocate(6, 2, 8);
  a.Fill(255);
  EXPECT_EQ(a.FillSpan(9, 4, 0, 100), 2);
  EXPECT_EQ(a.Row(0)[3], 255);
  EXPECT_EQ(a.Row(0)[4], 9);
  EXPECT_EQ(a.Row(0)[5], 9);
  EXPECT_FALSE(a.Full);
}

TEST(MaskPolygon, RectangleFillsExclusiveBorders) {
  TOXMask m;
  m.Allocate(16, 12, 1);
  auto r = RectPoly(3, 2, 11, 7);
  m.FillPolygons(1, r);
  EXPECT_EQ(SetPixels(m), Rect(3, 2, 11, 7));
  EXPECT_EQ((std::vector<int>{m.X1, m.Y1, m.X2, m.Y2}), (std::vector<int>{3, 2, 10, 6}));

  TOXMask a;
  a.Allocate(16, 12, 8);
  a.FillPolygons(200, r);
  EXPECT_EQ(a.GetPixel(3, 2), 200);
  EXPECT_EQ(a.GetPixel(11, 2), 0);
}

TEST(MaskPolygon, DegenerateRectangleLeavesMaskEmpty) {
  TOXMask m;
  m.Allocate(16, 12, 1);
  m.SetPixel(1, 1, 1);
  auto r = RectPoly(5, 2, 5, 9);
  m.FillPolygons(1, r);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_TRUE(SetPixels(m).empty());
}

TEST(MaskPolygon, TrianglesMatchBruteForce) {
  struct Case {
    std::vector<TOXPoint> pts;
    bool (*inside)(int x, int y);
  };
  const Case cases[] = {
      {{{0, 0}, {8, 8}, {0, 8}}, [](int x, int y) { return y < 8 && x < y; }},
      // Half-way crossings round toward the upper vertex's column.
      {{{0, 0}, {4, 8}, {0, 8}}, [](int x, int y) { return y < 8 && x < y / 2; }},
      {{{8, 0}, {8, 8}, {0, 8}}, [](int x, int y) { return y < 8 && x >= 8 - y && x < 8; }},
      // Apex at the top: both edges start at one point, ordered by slope.
      {{{4, 0}, {8, 4}, {0, 4}}, [](int x, int y) { return y < 4 && x >= 4 - y && x < 4 + y; }},
  };
  for (const Case& c : cases) {
    TOXMask m;
    m.Allocate(10, 10, 1);
    m.FillPolygons(1, c.pts);
    PixelSet expected;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        if (c.inside(x, y)) expected.insert({x, y});
    EXPECT_EQ(SetPixels(m), expected) << "triangle with first vertex " << c.pts[0].x << "," << c.pts[0].y;
  }
}

TEST(MaskPolygon, SeparatedPolygonsUniteAndClip) {
  TOXMask m;
  m.Allocate(12, 10, 1);
  std::vector<TOXPoint> pts = RectPoly(1, 1, 5, 4);
  pts.push_back({ox::kPolygonSeparator, 0});
  for (const TOXPoint& p : RectPoly(3, 2, 7, 6)) pts.push_back(p);
  pts.push_back({ox::kPolygonSeparator, 0});
  for (const TOXPoint& p : RectPoly(9, -5, 20, 2)) pts.push_back(p);  // leaves the mask
  m.FillPolygons(1, pts);
  PixelSet expected = Rect(1, 1, 5, 4);
  for (auto p : Rect(3, 2, 7, 6)) expected.insert(p);
  for (auto p : Rect(9, 0, 12, 2)) expected.insert(p);
  EXPECT_EQ(SetPixels(m), expected);
  EXPECT_EQ((std::vector<int>{m.X1, m.Y1, m.X2, m.Y2}), (std::vector<int>{1, 0, 11, 5}));
}

TEST(MaskCopy, AlphaBlendRoundsDown) {
  struct Case {
    uint8_t s, d, a, expected;
  };
  // d + ((s - d) * a) shr 8, the shift rounding toward minus infinity.
  const Case cases[] = {{10, 200, 100, 125}, {200, 10, 100, 84}, {0, 255, 255, 0}, {255, 0, 255, 254},
                        {77, 33, 0, 33},     {1, 2, 1, 1},       {90, 90, 200, 90}};
  for (const Case& c : cases) {
    TOXMask m;
    m.Allocate(2, 1, 8);
    m.SetPixel(0, 0, c.a);
    m.SetPixel(1, 0, 1);
    gfx::TDib src(2, 1, gfx::TPixelFormat::pf24bit), dst(2, 1, gfx::TPixelFormat::pf24bit);
    FillDib(src, c.s);
    FillDib(dst, c.d);
    m.CopyMasked(dst, src, false, false);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(dst.ScanLine(0)[k], c.expected) << int(c.s) << " " << int(c.d) << " " << int(c.a);
  }
}

TEST(MaskCopy, OneBitMaskCopiesSelectedPixelsClippedToBothDibs) {
  TOXMask m;
  m.Allocate(8, 8, 1);
  auto r = RectPoly(1, 1, 8, 8);
  m.FillPolygons(1, r);
  m.SetPixel(2, 2, 0);
  // The box (1,1)-(7,7) exceeds both DIBs; nothing outside them may be touched.
  gfx::TDib src(5, 6, gfx::TPixelFormat::pf24bit), dst(4, 3, gfx::TPixelFormat::pf24bit);
  FillDib(src, 0xAA);
  FillDib(dst, 0x11);
  m.CopyMasked(dst, src, false, true);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t want = (x == 1 && y == 1) ? 0x11 : 0xAA;  // mask (2,2) lands on dest (1,1)
      EXPECT_EQ(dst.ScanLine(y)[3 * x + 2], want) << x << "," << y;
    }

  gfx::TDib s1(8, 8, gfx::TPixelFormat::pf1bit), d1(3, 8, gfx::TPixelFormat::pf1bit);
  FillDib(s1, 0xFF);
  FillDib(d1, 0x00);
  m.CopyMasked(d1, s1, false, false);
  EXPECT_EQ(d1.ScanLine(0)[0], 0x00);
  EXPECT_EQ(d1.ScanLine(1)[0], 0x60);  // columns 1, 2; column 3 is outside the DIB
  EXPECT_EQ(d1.ScanLine(2)[0], 0x40);

  gfx::TDib mixed(8, 8, gfx::TPixelFormat::pf1bit);
  FillDib(mixed, 0);
  m.CopyMasked(mixed, src, false, false);
  EXPECT_EQ(mixed.ScanLine(3)[0], 0);
}

TEST(MaskTranslate, OneBitMovesRunsAndLimitsAtBorders) {
  TOXMask m;
  m.Allocate(16, 4, 1);
  m.FillSpan(1, 11, 1, 15);
  m.SetPixel(11, 1, 1);
  m.SetPixel(15, 2, 1);
  int dx = -6, dy = 1;
  m.Translate(dx, dy, false);
  EXPECT_EQ(dx, -6);
  PixelSet expected = Rect(5, 2, 10, 3);
  expected.insert({9, 3});
  EXPECT_EQ(SetPixels(m), expected);
  EXPECT_EQ((std::vector<int>{m.X1, m.Y1, m.X2, m.Y2}), (std::vector<int>{5, 2, 9, 3}));
}

TEST(MaskTranslate, RightBorderWithAndWithoutCut) {
  auto make = [] {
    TOXMask m;
    m.Allocate(16, 4, 1);
    auto r = RectPoly(12, 1, 16, 3);
    m.FillPolygons(1, r);
    return m;
  };
  TOXMask stop = make();
  int dx = 3, dy = 0;
  stop.Translate(dx, dy, false);
  EXPECT_EQ(dx, 0) << "the move stops at the border";
  EXPECT_EQ(SetPixels(stop), Rect(12, 1, 16, 3));

  TOXMask cut = make();
  dx = 3;
  dy = 0;
  cut.Translate(dx, dy, true);
  EXPECT_EQ(dx, 3);
  EXPECT_EQ(SetPixels(cut), Rect(15, 1, 16, 3));
  EXPECT_EQ((std::vector<int>{cut.X1, cut.Y1, cut.X2, cut.Y2}), (std::vector<int>{15, 1, 15, 2}));

  TOXMask gone = make();
  dx = 0;
  dy = 9;
  gone.Translate(dx, dy, true);
  EXPECT_TRUE(gone.IsEmpty());
  EXPECT_TRUE(SetPixels(gone).empty());
}

TEST(MaskTranslate, EightBitCutKeepsInsideBytes) {
  TOXMask a;
  a.Allocate(5, 3, 8);
  a.SetPixel(0, 0, 10);
  a.SetPixel(3, 0, 20);
  a.SetPixel(4, 1, 30);
  int dx = 2, dy = 1;
  a.Translate(dx, dy, true);
  EXPECT_EQ(a.GetPixel(2, 1), 10);
  EXPECT_EQ(a.GetPixel(4, 1), 0) << "column 3 leaves the image";
  EXPECT_EQ(a.GetPixel(1, 0), 0);
  int total = 0;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) total += a.GetPixel(x, y);
  EXPECT_EQ(total, 10);
  EXPECT_EQ((std::vector<int>{a.X1, a.Y1, a.X2, a.Y2}), (std::vector<int>{2, 1, 4, 2}));
}

TEST(MaskDraw, InvertedStretchesSelectionOntoRgbRows) {
  TOXMask m;
  m.Allocate(2, 2, 1);
  m.SetPixel(1, 0, 1);
  gfx::TDib dib(5, 5, gfx::TPixelFormat::pf24bit);
  FillDib(dib, 0x30);
  m.DrawInverted(dib, gfx::TRect{1, 1, 5, 5}, gfx::TRect{0, 0, 2, 2});
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool inv = x >= 3 && y >= 1 && y <= 2;
      EXPECT_EQ(dib.ScanLine(y)[3 * x + 1], inv ? 0xCF : 0x30) << x << "," << y;
    }
  // Partly off the DIB: clipped, and the 8-bit or empty mask draws nothing.
  m.DrawInverted(dib, gfx::TRect{-4, -4, 8, 8}, gfx::TRect{0, 0, 2, 2});
  TOXMask a;
  a.Allocate(2, 2, 8);
  a.SetPixel(0, 0, 255);
  gfx::TDib copy(dib);
  a.DrawInverted(dib, gfx::TRect{0, 0, 5, 5}, gfx::TRect{0, 0, 2, 2});
  EXPECT_EQ(std::memcmp(copy.Bits(), dib.Bits(), dib.ByteSize()), 0);
}

TEST(BitRun, MatchesBitByBitReference) {
  struct Case {
    int64_t dst, src, n;
  };
  const Case cases[] = {{0, 0, 8},  {3, 5, 1},  {7, 0, 2},   {1, 6, 13},  {5, 5, 20},
                        {0, 7, 40}, {6, 2, 0},  {2, 3, 57},  {8, 1, 16},  {4, 0, 4}};
  auto get = [](const uint8_t* p, int64_t i) { return (p[i >> 3] >> (7 - (i & 7))) & 1; };
  for (const Case& c : cases) {
    // The source holds exactly the bytes of the run, so a read past it shows under the sanitizer.
    const int64_t first = c.src >> 3, end = c.n ? ((c.src + c.n + 7) >> 3) : first + 1;
    std::vector<uint8_t> srcBytes(size_t(end - first));
    for (size_t i = 0; i < srcBytes.size(); ++i) srcBytes[i] = uint8_t(0x9D * (i + 3) ^ 0x5A);
    const uint8_t* src = srcBytes.data() - first;
    std::vector<uint8_t> dst(12), ref(12);
    for (size_t i = 0; i < dst.size(); ++i) dst[i] = ref[i] = uint8_t(0x37 * i + 0xC1);
    for (int64_t i = 0; i < c.n; ++i) {
      const int64_t d = c.dst + i;
      const uint8_t bit = uint8_t(0x80 >> (d & 7));
      ref[size_t(d >> 3)] = get(src, c.src + i) ? uint8_t(ref[size_t(d >> 3)] | bit) : uint8_t(ref[size_t(d >> 3)] & ~bit);
    }
    ox::CopyBitRun(dst.data(), c.dst, src, c.src, c.n);
    EXPECT_EQ(dst, ref) << "dst " << c.dst << " src " << c.src << " n " << c.n;
  }
}
