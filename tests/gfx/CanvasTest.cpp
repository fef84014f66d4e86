// Tests of TCanvas: exact pixels of fills, hatches, frames, pen lines, clipping and stretching on small DIBs.
#include "platform/gfx/Canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gfx {
namespace {

constexpr TColor kWhite = 0xFFFFFF, kBlack = 0, kRed = RGBColor(255, 0, 0), kBlue = RGBColor(0, 0, 255),
                 kGreen = RGBColor(0, 255, 0);

char Letter(TColor c) {
  switch (c) {
    case kWhite: return '.';
    case kBlack: return '#';
    case kRed: return 'R';
    case kBlue: return 'B';
    case kGreen: return 'G';
    default: return '?';
  }
}

std::vector<std::string> Picture(TCanvas& cv, const TDib& d) {
  std::vector<std::string> rows;
  for (int y = 0; y < d.Height(); ++y) {
    std::string s;
    for (int x = 0; x < d.Width(); ++x) s += Letter(cv.GetPixel(x, y));
    rows.push_back(s);
  }
  return rows;
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { Clear(kWhite); }
  void Clear(TColor c) {
    cv.Brush = {c, TBrushStyle::bsSolid};
    cv.FillRect({0, 0, d.Width(), d.Height()});
  }
  std::vector<std::string> Pic() { return Picture(cv, d); }

  TDib d{10, 6, TPixelFormat::pf24bit};
  TCanvas cv{d};
};

TEST_F(CanvasTest, SolidFillIsClippedToTheDibAndClearBrushDrawsNothing) {
  cv.Brush = {kRed, TBrushStyle::bsSolid};
  cv.FillRect({-2, -1, 3, 2});
  cv.FillRect({8, 4, 20, 20});
  cv.Brush = {kBlue, TBrushStyle::bsClear};
  cv.FillRect({0, 0, 10, 6});
  cv.Brush = {kBlue, TBrushStyle::bsSolid};
  cv.FillRect({5, 5, 5, 6});  // empty
  EXPECT_EQ(Pic(), (std::vector<std::string>{"RRR.......", "RRR.......", "..........", "..........",
                                             "........RR", "........RR"}));
  // The 24-bit layout: blue, green, red.
  EXPECT_EQ(d.ScanLine(0)[0], 0);
  EXPECT_EQ(d.ScanLine(0)[2], 255);
}

struct HatchCase {
  TBrushStyle style;
  std::vector<std::string> expected;
};

class HatchTest : public CanvasTest, public ::testing::WithParamInterface<HatchCase> {};

// The rectangle starts at x = 1, so an unaligned pattern would show a shift; non-hatch pixels keep their red.
TEST_P(HatchTest, PatternIsAlignedToTheCanvasOriginAndLeavesTheRestAlone) {
  Clear(kRed);
  cv.Brush = {kBlack, GetParam().style};
  cv.FillRect({1, 0, 10, 6});
  EXPECT_EQ(Pic(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, HatchTest,
    ::testing::Values(
        HatchCase{TBrushStyle::bsHorizontal, {"R#########", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR"}},
        HatchCase{TBrushStyle::bsVertical, {"RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R"}},
        HatchCase{TBrushStyle::bsFDiagonal, {"RRRRRRRR#R", "R#RRRRRRR#", "RR#RRRRRRR", "RRR#RRRRRR", "RRRR#RRRRR", "RRRRR#RRRR"}},
        HatchCase{TBrushStyle::bsBDiagonal, {"RRRRRRR#RR", "RRRRRR#RRR", "RRRRR#RRRR", "RRRR#RRRRR", "RRR#RRRRRR", "RR#RRRRRRR"}},
        HatchCase{TBrushStyle::bsCross, {"R#########", "RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R", "RRRRRRRR#R"}},
        HatchCase{TBrushStyle::bsDiagCross, {"RRRRRRR##R", "R#RRRR#RR#", "RR#RR#RRRR", "RRR##RRRRR", "RRR##RRRRR", "RR#RR#RRRR"}},
        HatchCase{TBrushStyle::bsClear, {"RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR", "RRRRRRRRRR"}}));

TEST_F(CanvasTest, FrameRectDrawsAOnePixelOutlineInTheBrushColour) {
  cv.Brush = {kBlack, TBrushStyle::bsSolid};
  cv.FrameRect({1, 1, 9, 5});
  cv.Brush = {kRed, TBrushStyle::bsSolid};
  cv.FrameRect({9, 0, 10, 1});  // one pixel
  EXPECT_EQ(Pic(), (std::vector<std::string>{".........R", ".########.", ".#......#.", ".#......#.",
                                             ".########.", ".........."}));
}

TEST_F(CanvasTest, RectangleHasPenOutlineAndBrushInside) {
  cv.Pen.Color = kBlack;
  cv.Brush = {kRed, TBrushStyle::bsSolid};
  cv.Rectangle({0, 0, 5, 4});
  cv.Pen.Color = kBlue;
  cv.Pen.Width = 2;
  cv.Brush.Color = kGreen;
  cv.Rectangle({5, 0, 10, 6});
  EXPECT_EQ(Pic(), (std::vector<std::string>{"#####BBBBB", "#RRR#BBBBB", "#RRR#BBGBB", "#####BBGBB",
                                             ".....BBBBB", ".....BBBBB"}));
}

TEST_F(CanvasTest, RectangleWithClearPenFillsTheWholeRectangle) {
  cv.Pen.Style = TPenStyle::psClear;
  cv.Brush = {kRed, TBrushStyle::bsSolid};
  cv.Rectangle({1, 1, 3, 3});
  EXPECT_EQ(Pic(), (std::vector<std::string>{"..........", ".RR.......", ".RR.......", "..........",
                                             "..........", ".........."}));
}

TEST_F(CanvasTest, LinesExcludeTheirLastPointAndContinueFromIt) {
  cv.Pen.Color = kBlack;
  cv.MoveTo(0, 0);
  cv.LineTo(9, 3);  // shallow: Bresenham steps
  cv.Pen.Color = kRed;
  cv.LineTo(9, 0);  // continues at (9, 3) upward, (9, 0) left out
  cv.Pen.Color = kBlue;
  cv.MoveTo(4, 5);
  cv.LineTo(0, 5);  // right to left
  cv.MoveTo(3, 3);
  cv.LineTo(3, 3);  // zero length draws nothing
  EXPECT_EQ(Pic(), (std::vector<std::string>{"##........", "..###....R", ".....###.R", "........#R",
                                             "..........", ".BBBB....."}));
}

TEST_F(CanvasTest, LinesAreClippedToTheDib) {
  cv.Pen.Color = kBlack;
  cv.MoveTo(-3, -3);
  cv.LineTo(3, 3);
  cv.MoveTo(8, 4);
  cv.LineTo(14, 4);
  EXPECT_EQ(Pic(), (std::vector<std::string>{"#.........", ".#........", "..#.......", "..........",
                                             "........##", ".........."}));
}

TEST_F(CanvasTest, PenStylesDashTheLine) {
  struct Case {
    TPenStyle style;
    std::string row;
  };
  for (const Case& c : {Case{TPenStyle::psSolid, "##########"}, Case{TPenStyle::psDot, "#.#.#.#.#."},
                        Case{TPenStyle::psDash, "######..##"}, Case{TPenStyle::psDashDot, "######..#."},
                        Case{TPenStyle::psClear, ".........."}}) {
    Clear(kWhite);
    cv.Pen.Style = c.style;
    cv.Pen.Color = kBlack;
    cv.MoveTo(0, 2);
    cv.LineTo(10, 2);
    EXPECT_EQ(Pic()[2], c.row) << int(c.style);
  }
}

TEST_F(CanvasTest, WidePenStampsASquareOnEveryPoint) {
  cv.Pen.Width = 3;
  cv.Pen.Color = kBlack;
  cv.MoveTo(2, 2);
  cv.LineTo(6, 2);
  EXPECT_EQ(Pic(), (std::vector<std::string>{"..........", ".######...", ".######...", ".######...",
                                             "..........", ".........."}));
}

TEST_F(CanvasTest, XorAndNotPenModes) {
  // A varied background, so that a wrong byte order or a lost channel shows up.
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) cv.SetPixel(x, y, RGBColor(uint8_t(x * 25), uint8_t(y * 40), uint8_t(x * y)));
  TDib before(d);
  TCanvas old(before);
  const TColor was = cv.GetPixel(3, 1);

  cv.Pen.Mode = TPenMode::pmXor;
  cv.Pen.Color = RGBColor(0x0F, 0xF0, 0x55);
  cv.MoveTo(0, 1);
  cv.LineTo(10, 1);
  EXPECT_EQ(cv.GetPixel(3, 1), was ^ RGBColor(0x0F, 0xF0, 0x55));
  cv.Brush.Style = TBrushStyle::bsClear;
  cv.Rectangle({2, 2, 8, 6});
  cv.MoveTo(0, 1);
  cv.LineTo(10, 1);
  cv.Pen.Width = 2;
  cv.Rectangle({2, 2, 8, 6});
  cv.Pen.Width = 1;
  cv.Rectangle({2, 2, 8, 6});
  cv.Pen.Width = 2;
  cv.Rectangle({2, 2, 8, 6});  // every ring pixel once per call: the first and this one cancel
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(cv.GetPixel(x, y), old.GetPixel(x, y)) << x << "," << y;

  cv.Pen = {kRed, TPenStyle::psSolid, TPenMode::pmNot, 1};
  cv.MoveTo(3, 1);
  cv.LineTo(4, 1);
  EXPECT_EQ(cv.GetPixel(3, 1), ~was & 0xFFFFFF);
}

TEST_F(CanvasTest, ClipExclusionIsRespectedByEveryDrawingCallUntilReset) {
  cv.ExcludeClipRect({2, 1, 5, 4});
  cv.ExcludeClipRect({7, 0, 9, 2});
  cv.Brush = {kRed, TBrushStyle::bsSolid};
  cv.FillRect({0, 0, 10, 2});
  cv.Pen.Color = kBlack;
  cv.MoveTo(0, 3);
  cv.LineTo(10, 3);
  cv.SetPixel(3, 2, kBlue);
  cv.SetPixel(0, 2, kBlue);
  cv.Brush.Color = kGreen;
  cv.FrameRect({2, 4, 6, 5});
  TDib src(2, 1, TPixelFormat::pf24bit);
  TCanvas(src).SetPixel(0, 0, kBlue);
  TCanvas(src).SetPixel(1, 0, kBlue);
  cv.Draw(4, 2, src);
  cv.StretchDraw({8, 1, 10, 2}, src);
  EXPECT_EQ(Pic(), (std::vector<std::string>{"RRRRRRR..R", "RR...RR..B", "B....B....", "##...#####",
                                             "..GGGG....", ".........."}));
  cv.ResetClip();
  cv.FillRect({0, 0, 10, 6});
  EXPECT_EQ(Pic(), std::vector<std::string>(6, "GGGGGGGGGG"));
}

TEST_F(CanvasTest, DrawCopiesAtAPointClippedToTheDib) {
  TDib src(3, 2, TPixelFormat::pf24bit);
  TCanvas s(src);
  s.Brush = {kRed, TBrushStyle::bsSolid};
  s.FillRect({0, 0, 3, 2});
  s.SetPixel(0, 0, kBlue);
  s.SetPixel(2, 1, kGreen);
  cv.Draw(-1, 5, src);
  cv.Draw(8, 0, src);
  cv.CopyRect({4, 2, 6, 3}, src, {1, 1, 3, 2});  // part of the source, same size
  EXPECT_EQ(Pic(), (std::vector<std::string>{"........BR", "........RR", "....RG....", "..........",
                                             "..........", "RR........"}));
}

// Source 4×2: the left 2×2 block has overlapping bits, the right one is white with one black pixel.
TDib ShrinkSource() {
  TDib src(4, 2, TPixelFormat::pf24bit);
  TCanvas s(src);
  s.SetPixel(0, 0, RGBColor(0xF0, 0xFF, 0x0F));
  s.SetPixel(1, 0, RGBColor(0xFF, 0x3C, 0x0F));
  s.SetPixel(0, 1, RGBColor(0xF3, 0xFF, 0xFF));
  s.SetPixel(1, 1, RGBColor(0xFF, 0xFF, 0x1F));
  s.SetPixel(2, 0, kWhite);
  s.SetPixel(3, 0, kWhite);
  s.SetPixel(2, 1, kWhite);
  s.SetPixel(3, 1, kBlack);
  return src;
}

TEST(CanvasStretch, HalvingReducesEachBoxByTheStretchMode) {
  struct Case {
    TStretchMode mode;
    TColor left, right;
  };
  const TDib src = ShrinkSource();
  for (const Case& c : {Case{TStretchMode::smNearest, RGBColor(0xF0, 0xFF, 0x0F), kWhite},
                        Case{TStretchMode::smDefault, RGBColor(0xF0, 0x3C, 0x0F), kBlack},
                        Case{TStretchMode::smHalftone, RGBColor(248, 206, 79), RGBColor(191, 191, 191)}}) {
    TDib d(3, 2, TPixelFormat::pf24bit);
    TCanvas cv(d);
    cv.Brush.Color = kRed;
    cv.FillRect({0, 0, 3, 2});
    cv.StretchMode = c.mode;
    cv.StretchDraw({1, 1, 3, 2}, src);
    EXPECT_EQ(cv.GetPixel(1, 1), c.left) << int(c.mode);
    EXPECT_EQ(cv.GetPixel(2, 1), c.right) << int(c.mode);
    EXPECT_EQ(cv.GetPixel(0, 1), kRed);
    EXPECT_EQ(cv.GetPixel(1, 0), kRed);
  }
}

TEST(CanvasStretch, DoublingRepeatsEverySourcePixelInEveryMode) {
  TDib src(2, 2, TPixelFormat::pf24bit);
  TCanvas s(src);
  s.SetPixel(0, 0, kRed);
  s.SetPixel(1, 0, kBlue);
  s.SetPixel(0, 1, kGreen);
  s.SetPixel(1, 1, kBlack);
  for (TStretchMode mode : {TStretchMode::smNearest, TStretchMode::smDefault, TStretchMode::smHalftone}) {
    TDib d(5, 4, TPixelFormat::pf24bit);
    TCanvas cv(d);
    cv.FillRect({0, 0, 5, 4});
    cv.StretchMode = mode;
    cv.CopyRect({1, 0, 5, 4}, src, {0, 0, 2, 2});
    EXPECT_EQ(Picture(cv, d), (std::vector<std::string>{".RRBB", ".RRBB", ".GG##", ".GG##"})) << int(mode);
  }
}

class MonoCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d.SetMonochrome(true);
    cv.Brush = {kWhite, TBrushStyle::bsSolid};
    cv.FillRect({0, 0, 10, 2});
  }
  TDib d{10, 2, TPixelFormat::pf1bit};
  TCanvas cv{d};
};

TEST_F(MonoCanvasTest, ColoursMapToBlackOrWhiteByGrayLevel) {
  cv.Brush.Color = RGBColor(127, 127, 127);
  cv.FillRect({0, 0, 3, 1});
  cv.Brush.Color = RGBColor(130, 130, 130);  // gray level 128: white
  cv.FillRect({1, 0, 2, 1});
  cv.SetPixel(9, 1, RGBColor(0, 0, 255));  // gray 7: black
  // Leftmost pixel in the most significant bit; the padding bits beyond the width are not touched.
  EXPECT_EQ(d.ScanLine(0)[0], 0x5F);
  EXPECT_EQ(d.ScanLine(0)[1] & 0xC0, 0xC0);
  EXPECT_EQ(d.ScanLine(1)[1] & 0xC0, 0x80);
  EXPECT_EQ(cv.GetPixel(0, 0), kBlack);
  EXPECT_EQ(cv.GetPixel(1, 0), kWhite);
}

TEST_F(MonoCanvasTest, PenModesAndLinesOnBits) {
  cv.Pen = {kBlack, TPenStyle::psSolid, TPenMode::pmCopy, 1};
  cv.MoveTo(0, 0);
  cv.LineTo(4, 0);
  cv.Pen.Mode = TPenMode::pmNot;
  cv.MoveTo(2, 0);
  cv.LineTo(6, 0);
  cv.Pen = {kWhite, TPenStyle::psSolid, TPenMode::pmXor, 1};
  cv.MoveTo(0, 1);
  cv.LineTo(3, 1);
  cv.Pen.Color = kBlack;  // xor with black changes nothing
  cv.LineTo(8, 1);
  EXPECT_EQ(Picture(cv, d), (std::vector<std::string>{"##..##....", "###......."}));
}

TEST_F(MonoCanvasTest, ShrinkingInDefaultModeLetsBlackWin) {
  TDib src(4, 2, TPixelFormat::pf1bit);
  src.SetMonochrome(true);
  TCanvas s(src);
  s.Brush.Color = kWhite;
  s.FillRect({0, 0, 4, 2});
  s.SetPixel(3, 1, kBlack);
  for (auto [mode, right] : {std::pair{TStretchMode::smNearest, kWhite}, std::pair{TStretchMode::smDefault, kBlack}}) {
    cv.StretchMode = mode;
    cv.StretchDraw({0, 0, 2, 1}, src);
    EXPECT_EQ(cv.GetPixel(0, 0), kWhite);
    EXPECT_EQ(cv.GetPixel(1, 0), right) << int(mode);
  }
}

TEST(CanvasPalette, TwoColourPaletteTakesTheNearestEntry) {
  TDib d(4, 1, TPixelFormat::pf1bit);
  d.SetPalette({{255, 0, 0}, {0, 0, 255}});
  d.SetMonochrome(false);
  TCanvas cv(d);
  cv.SetPixel(0, 0, RGBColor(200, 0, 60));
  cv.SetPixel(1, 0, RGBColor(60, 0, 200));
  EXPECT_EQ(cv.GetPixel(0, 0), kRed);
  EXPECT_EQ(cv.GetPixel(1, 0), kBlue);
}

TEST(CanvasOtherFormats, DrawThroughTheDibPixelAccess) {
  TDib d(3, 2, TPixelFormat::pf32bit);
  TCanvas cv(d);
  cv.Brush.Color = kGreen;
  cv.FillRect({0, 0, 3, 2});
  cv.SetPixel(1, 1, kRed);
  EXPECT_EQ(cv.GetPixel(0, 0), kGreen);
  EXPECT_EQ(cv.GetPixel(1, 1), kRed);
  EXPECT_EQ(cv.GetPixel(3, 0), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace gfx
