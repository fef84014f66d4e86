// Exact pixels of the unfiltered and filtered renders and of the background styles.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewTestUtil.h"

using namespace vt;
using gfx::RGBColor;

namespace {

struct ZoomCase {
  double zoom;
  bool center;
  int offX, offY;  // where the picture starts
  int scale;       // screen pixels per image pixel (>0) or image pixels per screen pixel (<0)
  int shownW, shownH;
};

class ZoomRender : public ViewFixture, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomRender, PicturePixelsAndBackground) {
  const ZoomCase c = GetParam();
  Make(12, 10, Numbered(4, 4));
  view->SetCenter(c.center);
  view->SetZoomPercent(c.zoom);
  const gfx::TDib& bb = Render();
  for (int y = 0; y < bb.Height(); ++y)
    for (int x = 0; x < bb.Width(); ++x) {
      const int dx = x - c.offX, dy = y - c.offY;
      gfx::TColor want = kBack;
      if (dx >= 0 && dy >= 0 && dx < c.shownW && dy < c.shownH) {
        const int ix = c.scale > 0 ? dx / c.scale : dx * -c.scale, iy = c.scale > 0 ? dy / c.scale : dy * -c.scale;
        want = RGBColor(uint8_t(10 + ix), uint8_t(100 + iy), 200);
      }
      ASSERT_EQ(Px(bb, x, y), want) << "at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Zooms, ZoomRender,
                         ::testing::Values(ZoomCase{100, false, 0, 0, 1, 4, 4}, ZoomCase{100, true, 4, 3, 1, 4, 4},
                                           ZoomCase{200, false, 0, 0, 2, 8, 8}, ZoomCase{200, true, 2, 1, 2, 8, 8},
                                           ZoomCase{50, false, 0, 0, -2, 2, 2}, ZoomCase{50, true, 5, 4, -2, 2, 2}));

TEST_F(ViewFixture, EnlargedPictureShowsThePartlyVisibleLastPixel) {
  Make(5, 5, Numbered(4, 4));
  view->SetZoomPercent(300);  // 12 x 12 zoomed; the third pixel is only partly visible
  const gfx::TDib& bb = Render();
  EXPECT_EQ(Px(bb, 4, 4), RGBColor(11, 101, 200));
  EXPECT_EQ(Px(bb, 2, 0), RGBColor(10, 100, 200));
  EXPECT_EQ(Px(bb, 3, 3), RGBColor(10, 100, 200));  // 14-bit steps truncate 3 x 1/3 to column 0
}

TEST_F(ViewFixture, OneBitPictureIsBlackAndWhiteWhateverItsPalette) {
  gfx::TDib mono(3, 1, gfx::TPixelFormat::pf1bit);
  mono.SetPalette({{200, 0, 0}, {0, 0, 200}});
  mono.ScanLine(0)[0] = 0b10100000;
  Make(3, 1, mono);
  const gfx::TDib& bb = Render();
  EXPECT_EQ(Px(bb, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Px(bb, 1, 0), 0u);
  EXPECT_EQ(Px(bb, 2, 0), 0xFFFFFFu);
}

TEST_F(ViewFixture, ZoomTooSmallForAnyPixelPaintsOnlyTheBackground) {
  Make(20, 20, Numbered(10, 10));
  view->SetZoomPercent(4);  // 10 x 0.04 rounds to 0 screen pixels
  const gfx::TDib& bb = Render();
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(Px(bb, x, y), kBack);
}

TEST_F(ViewFixture, PixelPictureAndMismatchedAlphaDrawNothing) {
  Make(4, 4, Numbered(1, 1));
  EXPECT_EQ(Px(Render(), 0, 0), kBack);  // a 1 x 1 picture is a blank one

  Make(4, 4, Numbered(2, 2));
  view->SetEnableAlphaChannel(true);
  view->AlphaMask()->Allocate(3, 3, 8);
  view->AlphaMask()->Fill(0);
  view->UpdateLayout();
  EXPECT_EQ(Px(Render(), 0, 0), kBack);
}

// Background styles: pixel checks at the places that define each pattern.
TEST_F(ViewFixture, HatchesAlignToTheClientOrigin) {
  Make(16, 16, Numbered(1, 1));
  const gfx::TColor gap = sys.Colors[platform::scWindow];
  struct Case {
    ox::TOXBackgroundStyle style;
    int x, y;
    bool line;
  } cases[] = {{ox::oxbsHorizontal, 3, 8, true},  {ox::oxbsHorizontal, 3, 9, false}, {ox::oxbsVertical, 8, 5, true},
               {ox::oxbsVertical, 9, 5, false},   {ox::oxbsFDiagonal, 10, 10, true}, {ox::oxbsFDiagonal, 10, 11, false},
               {ox::oxbsBDiagonal, 9, 14, true},  {ox::oxbsBDiagonal, 9, 9, false},  {ox::oxbsCross, 8, 3, true},
               {ox::oxbsCross, 3, 8, true},       {ox::oxbsCross, 3, 3, false},      {ox::oxbsDiagCross, 12, 11, true},
               {ox::oxbsDiagCross, 12, 12, true}, {ox::oxbsDiagCross, 12, 13, false}};
  for (const Case& c : cases) {
    view->SetBackgroundStyle(c.style);
    EXPECT_EQ(Px(Render(), c.x, c.y), c.line ? kBack : gap) << c.style << " at " << c.x << "," << c.y;
  }
}

TEST_F(ViewFixture, ChessboardDiagonalsAndComplements) {
  Make(40, 40, Numbered(1, 1));
  view->SetBackgroundStyle(ox::oxbsChessboard);
  const gfx::TColor comp = 0x00CFDFEF;
  const gfx::TDib& bb = Render();
  EXPECT_EQ(Px(bb, 0, 0), comp);
  EXPECT_EQ(Px(bb, 15, 15), comp);
  EXPECT_EQ(Px(bb, 16, 0), kBack);
  EXPECT_EQ(Px(bb, 0, 16), kBack);
  EXPECT_EQ(Px(bb, 16, 16), comp);

  view->SetBackgroundStyle(ox::oxbsDiagonals);
  const gfx::TDib& d = Render();
  EXPECT_EQ(Px(d, 5, 5), comp);
  EXPECT_EQ(Px(d, 5, 35), comp);
  EXPECT_EQ(Px(d, 5, 6), kBack);

  // The default background is a system colour: its complement is a plain near-white.
  view->SetBackground(platform::SysColorValue(platform::scBtnFace));
  view->SetBackgroundStyle(ox::oxbsChessboard);
  const gfx::TDib& s = Render();
  EXPECT_EQ(Px(s, 0, 0), 0x00FFFFF0u);
  EXPECT_EQ(Px(s, 16, 0), sys.Colors[platform::scBtnFace]);
}

TEST_F(ViewFixture, CroppedEdgeAndShadowRamp) {
  Make(20, 20, Numbered(6, 4));
  view->SetCenter(true);  // picture at (7, 8) - (13, 12)
  view->SetBackgroundStyle(ox::oxbsCropped);
  const gfx::TDib& e = Render();
  EXPECT_EQ(Px(e, 5, 6), sys.Colors[platform::scBtnShadow]);
  EXPECT_EQ(Px(e, 6, 7), sys.Colors[platform::sc3DDkShadow]);
  EXPECT_EQ(Px(e, 13, 12), sys.Colors[platform::sc3DLight]);
  EXPECT_EQ(Px(e, 14, 13), sys.Colors[platform::scBtnHighlight]);
  EXPECT_EQ(Px(e, 2, 2), sys.Colors[platform::scBtnFace]);
  EXPECT_EQ(Px(e, 7, 8), RGBColor(10, 100, 200));

  Make(24, 24, Numbered(10, 10));  // picture at (7, 7) - (17, 17)
  view->SetBackgroundStyle(ox::oxbsCropShadow);
  const gfx::TDib& s = Render();
  for (int k = 0; k < 6; ++k) {
    const auto g = uint8_t(std::trunc(255.0 * std::exp(k / 6.0 - 1.0)));
    EXPECT_EQ(Px(s, 17 + k, 14), RGBColor(g, g, g)) << k;  // vertical line from top + 6
    EXPECT_EQ(Px(s, 14, 17 + k), RGBColor(g, g, g)) << k;  // horizontal line from left + 6
  }
  EXPECT_EQ(Px(s, 17, 12), sys.Colors[platform::scBtnFace]);  // above top + 6
  EXPECT_EQ(Px(s, 12, 17), sys.Colors[platform::scBtnFace]);  // left of left + 6
  EXPECT_EQ(Px(s, 22, 21), RGBColor(215, 215, 215));
  EXPECT_EQ(Px(s, 22, 22), RGBColor(215, 215, 215));
  EXPECT_EQ(Px(s, 23, 22), sys.Colors[platform::scBtnFace]);
}

// Alpha blending over every style: what lies under the picture with alpha 0 is the background d; with alpha a
// each channel becomes d + ((s - d) * a) shr 8.
TEST_F(ViewFixture, AlphaBlendsOverEveryBackgroundStyle) {
  Make(24, 20, Numbered(16, 12));
  view->SetCenter(true);
  view->SetEnableAlphaChannel(true);
  for (int st = ox::oxbsSolid; st <= ox::oxbsCropShadow; ++st) {
    view->SetBackgroundStyle(ox::TOXBackgroundStyle(st));
    view->AlphaMask()->Fill(0);
    view->UpdateLayout();
    const gfx::TDib under = Render();
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) view->AlphaMask()->SetPixel(x, y, (x * 37 + y * 11) % 256);
    view->AlphaMask()->Full = false;
    view->UpdateLayout();
    const gfx::TDib& bb = Render();
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) {
        const int a = (x * 37 + y * 11) % 256;
        const gfx::TColor d = Px(under, 4 + x, 4 + y), s = RGBColor(uint8_t(10 + x), uint8_t(100 + y), 200);
        auto mix = [a](int dc, int sc) { return uint8_t(dc + ((sc - dc) * a >> 8)); };
        const gfx::TColor want = RGBColor(mix(gfx::RedOf(d), gfx::RedOf(s)), mix(gfx::GreenOf(d), gfx::GreenOf(s)),
                                          mix(gfx::BlueOf(d), gfx::BlueOf(s)));
        ASSERT_EQ(Px(bb, 4 + x, 4 + y), want) << "style " << st << " at " << x << "," << y;
      }
  }
}

TEST_F(ViewFixture, OneBitAlphaBlendsOnTheRedChannel) {
  gfx::TDib mono(2, 1, gfx::TPixelFormat::pf1bit);
  mono.ScanLine(0)[0] = 0b10000000;
  Make(2, 1, mono);
  view->SetEnableAlphaChannel(true);
  view->AlphaMask()->SetPixel(0, 0, 128);
  view->AlphaMask()->SetPixel(1, 0, 128);
  view->AlphaMask()->Full = false;
  view->UpdateLayout();
  const gfx::TDib& bb = Render();
  const int d = 0x10;
  const int set = d + (((255 - d) * 128) >> 8), clear = d - ((128 * d + 255) >> 8);
  EXPECT_EQ(Px(bb, 0, 0), RGBColor(uint8_t(set), uint8_t(set), uint8_t(set)));
  EXPECT_EQ(Px(bb, 1, 0), RGBColor(uint8_t(clear), uint8_t(clear), uint8_t(clear)));
}

TEST_F(ViewFixture, FilteredRenderResamplesAndBoxAveragesOneBit) {
  gfx::TDib stripes(8, 8, gfx::TPixelFormat::pf1bit);
  for (int y = 0; y < 8; ++y) stripes.ScanLine(y)[0] = 0b11001100;
  Make(8, 8, stripes);
  view->SetZoomFilter(ox::rfTriangle);
  view->SetZoomPercent(50);
  while (view->FilterDelay() > 0) view->TimerTick();
  const gfx::TDib& bb = Render();
  EXPECT_EQ(Px(bb, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(Px(bb, 1, 0), 0u);
  EXPECT_EQ(Px(bb, 4, 4), kBack);

  // A two-colour picture mixes its own colours: red and blue stripes, half of each under every pixel.
  for (int y = 0; y < 8; ++y) stripes.ScanLine(y)[0] = 0b10101010;
  stripes.SetPalette({gfx::TRGB{255, 0, 0}, gfx::TRGB{0, 0, 255}});
  Make(8, 8, stripes);
  view->SetZoomPercent(50);
  while (view->FilterDelay() > 0) view->TimerTick();
  EXPECT_EQ(Px(Render(), 0, 0), RGBColor(127, 0, 127));

  Make(8, 8, Numbered(8, 8));
  view->SetZoomPercent(100);
  view->SetZoomPercent(50);
  while (view->FilterDelay() > 0) view->TimerTick();
  gfx::TDib want;
  ASSERT_TRUE(ox::Resample(view->Picture(), want, 4, 4, ox::rfTriangle));
  const gfx::TDib& f = Render();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(Px(f, x, y), Px(want, x, y));
}

}  // namespace
