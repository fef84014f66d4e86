// The print layout: placement of each size mode and position, gamma, tolerant reading and the preview page.
#include <gtest/gtest.h>

#include "imaging/io/oxio.h"
#include "imaging/io/oxprint.h"

using ox::TPrintLayout;

namespace {

struct TRecordingTarget : ox::TOXDrawTarget {
  std::vector<gfx::TRect> tiles;
  void StretchDib(const gfx::TRect& dest, const gfx::TDib&) override { tiles.push_back(dest); }
  gfx::TRect Bounds() const {
    gfx::TRect b{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
    for (const auto& r : tiles) {
      b.Left = std::min(b.Left, r.Left), b.Top = std::min(b.Top, r.Top);
      b.Right = std::max(b.Right, r.Right), b.Bottom = std::max(b.Bottom, r.Bottom);
    }
    return b;
  }
};

}  // namespace

TEST(PrintLayoutTest, SizeModesAndPositionsPlaceThePicture) {
  struct Case {
    int mode, horz, vert;
    double x, y, w, h;
  };
  // A 600 × 300 picture at 100 dpi on an 8.5 × 11 inch page printed at 300 dpi, margins 1 inch.
  const Case cases[] = {
      {ox::psmNormal, ox::ppNear, ox::ppNear, 1, 1, 6, 3},
      {ox::psmNormal, ox::ppFar, ox::ppFar, 1.5, 7, 6, 3},
      {ox::psmFitToPage, ox::ppCenter, ox::ppCenter, 1, 3.875, 6.5, 3.25},
      {ox::psmFitToPage, ox::ppNear, ox::ppFar, 1, 6.75, 6.5, 3.25},
      {ox::psmStretchToPage, ox::ppCenter, ox::ppCenter, 1, 1, 6.5, 9},
      {ox::psmSpecifiedSize, ox::ppFar, ox::ppNear, 1.5, 1, 6, 4},
      {ox::psmSpecifiedSize, ox::ppCenter, ox::ppCenter, 1.25, 3.5, 6, 4},
      {7, ox::ppCenter, ox::ppCenter, 4.25, 5.5, 0, 0},   // an unknown mode places nothing
      {ox::psmNormal, 5, -1, 0, 0, 6, 3},                 // unknown positions sit at the page edge
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " " << c.horz << " " << c.vert);
    TPrintLayout l;
    l.SizeMode = c.mode, l.HorzPos = c.horz, l.VertPos = c.vert;
    const auto p = ox::PlacePicture(600, 300, 100, 100, 300, 300, 8.5, 11, l);
    EXPECT_DOUBLE_EQ(p.X, c.x);
    EXPECT_DOUBLE_EQ(p.Y, c.y);
    EXPECT_DOUBLE_EQ(p.W, c.w);
    EXPECT_DOUBLE_EQ(p.H, c.h);
  }
  // Margins wider than the page leave no printable area: nothing negative is placed.
  TPrintLayout wide;
  wide.LeftMargin = wide.RightMargin = 5;
  wide.SizeMode = ox::psmStretchToPage;
  const auto p = ox::PlacePicture(600, 300, 100, 100, 300, 300, 8.5, 11, wide);
  EXPECT_EQ(p.W, 0);
  EXPECT_TRUE(ox::PlacementRect(p, 300, 300).IsEmpty());
  EXPECT_EQ(ox::PlacementRect({1.0 / 3, 0.999, 2, 1}, 300, 300), (gfx::TRect{100, 299, 700, 599}));
}

TEST(PrintLayoutTest, GammaAndTolerantReading) {
  EXPECT_EQ(ox::GammaTable(2)[128], 181);
  EXPECT_EQ(ox::GammaTable(2)[0], 0);
  EXPECT_EQ(ox::GammaTable(2)[255], 255);
  for (double g : {1.0, 0.0, -3.0}) {
    const auto t = ox::GammaTable(g);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(t[i], i);
  }
  EXPECT_DOUBLE_EQ(ox::ReadTolerant("0.5", 0), 0.5);
  EXPECT_DOUBLE_EQ(ox::ReadTolerant("0,5", 0), 0.5);
  EXPECT_DOUBLE_EQ(ox::ReadTolerant(" 2.54 ", 0) / ox::kCmPerInch, 1);
  EXPECT_DOUBLE_EQ(ox::ReadTolerant("abc", 1), 1);
  EXPECT_DOUBLE_EQ(ox::ReadTolerant("", 0), 0);
  EXPECT_DOUBLE_EQ(ox::ReadTolerant("1e999", 7), 7);
  EXPECT_EQ(ox::ShortestDecimal(0.01 + 0.01 + 0.01), "0.03");
  EXPECT_EQ(ox::ShortestDecimal(6), "6");
}

TEST(PrintLayoutTest, DrawsThroughTilesIntoThePlacedRectangle) {
  gfx::TDib pic(1300, 700, gfx::TPixelFormat::pf24bit);  // three tiles across, two down
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&pic);
  io.Params.DpiX = io.Params.DpiY = 0;  // the screen's resolution stands in
  TPrintLayout l;
  l.SizeMode = ox::psmNormal;
  l.HorzPos = l.VertPos = ox::ppNear;
  TRecordingTarget t;
  ox::PrintOnDevice(io, t, {600, 600, 4800, 6000}, l);
  EXPECT_EQ(t.tiles.size(), 6u);
  const int w = int(600.0 * 1300 / io.Params.ScreenDpiX), h = int(600.0 * 700 / io.Params.ScreenDpiY);
  EXPECT_EQ(t.Bounds(), (gfx::TRect{600, 600, 600 + w, 600 + h}));

  // A device without a resolution is taken at the screen's: the picture at one dot per pixel.
  TRecordingTarget screen;
  ox::PrintOnDevice(io, screen, {0, -5, 4800, 6000}, l);
  EXPECT_EQ(screen.Bounds(), (gfx::TRect{io.Params.ScreenDpiX, io.Params.ScreenDpiY, io.Params.ScreenDpiX + 1300, io.Params.ScreenDpiY + 700}));

  // No page or a picture of another depth: a white page, nothing drawn, nothing divided by 0.
  TRecordingTarget none;
  ox::PrintOnDevice(io, none, {600, 600, 0, 0}, l);
  gfx::TDib eight(10, 10, gfx::TPixelFormat::pf8bit);
  io.SetAttachedBitmap(&eight);
  ox::PrintOnDevice(io, none, {600, 600, 4800, 6000}, l);
  EXPECT_TRUE(none.tiles.empty());
}

TEST(PrintLayoutTest, PreviewShowsTheScaledPageWithAnInvertingFrame) {
  gfx::TDib pic(100, 50, gfx::TPixelFormat::pf24bit);  // black
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&pic);
  TPrintLayout l;  // fit to page, centred, margins 1
  gfx::TDib page;
  const ox::TPrintDevice letter{600, 600, 5100, 6600};  // 8.5 × 11 inches
  ox::RenderPrintPreview(io, page, 260, 330, letter, l);
  // s = min(255 / 51, 325 / 66) = 4.924…%: the page is 251 × 325, 29 dots per inch.
  EXPECT_EQ(page.Width(), 251);
  EXPECT_EQ(page.Height(), 325);
  EXPECT_EQ(page.BitsPerPixel(), 24);
  EXPECT_EQ(page.GetPixelColor(0, 0), 0xFFFFFFu);
  EXPECT_EQ(page.GetPixelColor(125, 162), 0u);  // the picture in the middle
  // The frame's top edge at y = 29 is dark on the white page.
  int dark = 0;
  for (int x = 29; x < 222; ++x) dark += page.GetPixelColor(x, 29) == 0u;
  EXPECT_GT(dark, 100);
  gfx::TDib black(400, 400, gfx::TPixelFormat::pf24bit);
  io.SetAttachedBitmap(&black);
  l.SizeMode = ox::psmStretchToPage;
  l.LeftMargin = l.TopMargin = l.RightMargin = l.BottomMargin = 0.5;
  ox::RenderPrintPreview(io, page, 260, 330, letter, l);
  // The frame's left edge at x = 14 inverts the black under it: dashes of white.
  int white = 0;
  for (int y = 20; y < 300; ++y) white += page.GetPixelColor(14, y) == 0xFFFFFFu;
  EXPECT_GT(white, 150);
  EXPECT_LT(white, 280);
  EXPECT_EQ(page.GetPixelColor(20, 60), 0u);

  // Boxes and pages too small for one dot give a white page.
  for (auto [bw, bh, dev] : {std::tuple{3, 3, letter}, std::tuple{260, 330, ox::TPrintDevice{600, 600, 0, 6600}},
                             std::tuple{8, 8, letter}}) {
    ox::RenderPrintPreview(io, page, bw, bh, dev, l);
    for (int y = 0; y < page.Height(); ++y)
      for (int x = 0; x < page.Width(); ++x) ASSERT_EQ(page.GetPixelColor(x, y), 0xFFFFFFu);
  }
}

TEST(PrintLayoutTest, OneBitPicturesPrintTheirOwnColoursWhicheverWayTheirPaletteRuns) {
  for (bool inverted : {false, true}) {
    SCOPED_TRACE(inverted);
    gfx::TDib pic(8, 8, gfx::TPixelFormat::pf1bit);
    if (inverted) pic.SetPalette({{255, 255, 255}, {0, 0, 0}});
    else pic.SetPalette({{0, 0, 0}, {255, 255, 255}});
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) pic.SetPixelColor(x, y, x < 4 ? 0 : 0xFFFFFF);  // left half black
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&pic);
    io.Params.DpiX = io.Params.DpiY = 8;
    TPrintLayout l;
    l.SizeMode = ox::psmNormal;
    l.HorzPos = l.VertPos = ox::ppNear;
    l.LeftMargin = l.TopMargin = l.RightMargin = l.BottomMargin = 0;
    gfx::TDib page(16, 16, gfx::TPixelFormat::pf24bit);
    page.Canvas().FillRect({0, 0, 16, 16});
    ox::TOXCanvasTarget t(page.Canvas());
    ox::PrintOnDevice(io, t, {16, 16, 16, 16}, l);
    EXPECT_EQ(page.GetPixelColor(2, 4), 0u);
    EXPECT_EQ(page.GetPixelColor(12, 4), 0xFFFFFFu);
  }
}
