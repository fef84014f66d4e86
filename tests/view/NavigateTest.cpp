// Moving around a picture: zoom ladder, key scrolling, middle-button pan, wheel zoom at the cursor, the fit
// rule and the chessboard under transparent parts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "ViewTestUtil.h"

using namespace vt;

namespace {

TEST(ZoomLadder, StepsPassThroughHundred) {
  struct Case {
    double from, in, out;
  } cases[] = {{100, 150, 67}, {37.5, 50, 33}, {67, 100, 50}, {1, 2, 1}, {0.5, 1, 0.5}, {3200, 6400, 2400}, {10000, 20000, 5000}};
  for (const Case& c : cases) {
    EXPECT_EQ(ox::TOrvexView::LadderZoomIn(c.from), c.in) << c.from;
    EXPECT_EQ(ox::TOrvexView::LadderZoomOut(c.from), c.out) << c.from;
  }
  // From any fitted zoom both directions meet 100 exactly.
  for (double start : {13.7, 41.0, 333.3}) {
    double z = start;
    while (z < 100) z = ox::TOrvexView::LadderZoomIn(z);
    EXPECT_EQ(z, start < 100 ? 100 : start) << start;
    z = start;
    while (z > 100) z = ox::TOrvexView::LadderZoomOut(z);
    EXPECT_EQ(z, start > 100 ? 100 : start) << start;
  }
}

void Key(QWidget* w, int key, bool* accepted = nullptr) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
  if (accepted) *accepted = e.isAccepted();
}

TEST_F(ViewFixture, KeysScrollAZoomedPictureByLineAndPageSteps) {
  Make(100, 80, Numbered(100, 100));  // at 400 %: 400 x 400, scrolls to 300 x 320
  view->SetZoomPercent(400);
  view->SetScrollXY(0, 0);
  struct Case {
    int key, lineStep, x, y;
  } cases[] = {
      {Qt::Key_Right, -1, 4, 0},     // one picture pixel: 4 screen pixels
      {Qt::Key_Right, 16, 68, 0},    // 16 picture pixels
      {Qt::Key_Down, 16, 68, 64},    {Qt::Key_Left, 16, 4, 64},
      {Qt::Key_PageDown, 16, 4, 144},  // one client height
      {Qt::Key_PageUp, 16, 4, 64},   {Qt::Key_End, 16, 300, 320},
      {Qt::Key_Up, 16, 300, 256},    {Qt::Key_Home, 16, 0, 0},
  };
  for (const Case& c : cases) {
    view->HScrollParams.LineStep = view->VScrollParams.LineStep = c.lineStep;
    bool accepted = false;
    Key(view.get(), c.key, &accepted);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(view->ScrollX(), c.x) << c.key;
    EXPECT_EQ(view->ScrollY(), c.y) << c.key;
  }
  // A picture that fits leaves the keys to the window.
  view->SetZoomPercent(50);
  for (int key : {Qt::Key_PageDown, Qt::Key_Home, Qt::Key_Right}) {
    bool accepted = true;
    Key(view.get(), key, &accepted);
    EXPECT_FALSE(accepted) << key;
  }
}

TEST_F(ViewFixture, MiddleDragPansInEveryMouseMode) {
  Make(100, 100, Numbered(100, 100));
  for (ox::TOXMouseInteractItem mode : {ox::miSelect, ox::miZoom, ox::miSelectLasso, ox::miScroll}) {
    view->SetMouseInteract(ox::MouseBit(mode));
    view->SetZoomPercent(100);
    view->SetZoomPercent(400);
    view->SetScrollXY(100, 100);
    auto send = [&](QEvent::Type t, QPointF at, Qt::MouseButton b, Qt::MouseButtons held) {
      QMouseEvent e(t, at, at, b, held, Qt::NoModifier);
      QApplication::sendEvent(view.get(), &e);
    };
    send(QEvent::MouseButtonPress, {60, 60}, Qt::MiddleButton, Qt::MiddleButton);
    send(QEvent::MouseMove, {40, 30}, Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(view->ScrollX(), 120) << mode;
    EXPECT_EQ(view->ScrollY(), 130) << mode;
    send(QEvent::MouseButtonRelease, {70, 90}, Qt::MiddleButton, Qt::NoButton);
    EXPECT_EQ(view->ScrollX(), 90) << mode;
    EXPECT_EQ(view->ScrollY(), 70) << mode;
    EXPECT_DOUBLE_EQ(view->ZoomPercent(), 400) << mode;  // no zoom click in miZoom
    EXPECT_FALSE(view->HasSelection()) << mode;
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << mode;
  }
}

// The picture's pixel under client (x, y) as the render shows it: Numbered pictures name their coordinates.
std::pair<int, int> Under(const gfx::TDib& bb, int x, int y) {
  const gfx::TColor c = Px(bb, x, y);
  return {gfx::RedOf(c) - 10, gfx::GreenOf(c) - 100};
}

TEST_F(ViewFixture, WheelZoomKeepsThePointUnderTheCursor) {
  Make(100, 100, Numbered(200, 150));
  view->SetCenter(true);
  view->WheelParams.AtCursor = true;
  struct Case {
    int x, y, notches;  // notches > 0 towards the user (zoom in)
  } cases[] = {{30, 70, 1}, {30, 70, 5}, {80, 20, -2}, {50, 50, 12}};
  for (const Case& c : cases) {
    view->SetZoomPercent(100);
    view->SetScrollXY(40, 20);
    const auto before = Under(Render(), c.x, c.y);
    for (int i = 0; i < std::abs(c.notches); ++i) {
      QWheelEvent e(QPointF(c.x, c.y), QPointF(c.x, c.y), QPoint(), QPoint(0, c.notches > 0 ? -120 : 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view.get(), &e);
    }
    ASSERT_NE(view->ZoomPercent(), 100);
    const auto after = Under(Render(), c.x, c.y);
    EXPECT_LE(std::abs(after.first - before.first), 1) << c.x << "," << c.y << " x" << c.notches;
    EXPECT_LE(std::abs(after.second - before.second), 1) << c.x << "," << c.y << " x" << c.notches;
  }
  // Without it the centre stays, as before.
  view->WheelParams.AtCursor = false;
  view->SetZoomPercent(100);
  view->SetScrollXY(40, 20);
  const auto centre = Under(Render(), 50, 50);
  QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.get(), &e);
  const auto after = Under(Render(), 50, 50);
  EXPECT_LE(std::abs(after.first - centre.first), 1);
  EXPECT_LE(std::abs(after.second - centre.second), 1);
}

TEST_F(ViewFixture, FittingEnlargesSmallPicturesOnlyWhenAsked) {
  struct Case {
    int w, h;
    bool enlarge;
    double zoom;
  } cases[] = {{64, 48, false, 100}, {64, 48, true, 312.5}, {400, 100, false, 50}, {400, 100, true, 50}};
  for (const Case& c : cases) {
    Make(200, 200, Numbered(c.w, c.h));
    view->EnlargeToFit = c.enlarge;
    view->SetZoomPercent(7);
    view->ZoomToFit();
    EXPECT_DOUBLE_EQ(view->ZoomPercent(), c.zoom) << c.w << "x" << c.h << " " << c.enlarge;
    view->SetAutoFit(true);
    EXPECT_DOUBLE_EQ(view->ZoomPercent(), c.zoom) << "AutoFit " << c.w << "x" << c.h << " " << c.enlarge;
    view->SetAutoFit(false);
  }
}

TEST_F(ViewFixture, HalfTransparentPictureOverTheChessboard) {
  // White, half transparent except its last 8 columns; the chessboard is 0x666666 then 0x999999 from (0, 0).
  gfx::TDib white(40, 40, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) white.SetPixelColor(x, y, 0xFFFFFF);
  Make(40, 40, white);
  view->SetEnableAlphaChannel(true);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) view->AlphaMask()->Row(y)[x] = x < 32 ? 128 : 255;
  view->AlphaMask()->Full = false;
  view->DelayZoomFilter = false;
  const uint8_t onDark = uint8_t(0x66 + ((255 - 0x66) * 128 >> 8)), onLight = uint8_t(0x99 + ((255 - 0x99) * 128 >> 8));
  const uint8_t onBack = uint8_t(0x10 + ((255 - 0x10) * 128 >> 8));  // the red of kBack
  struct Case {
    ox::TResampleFilter filter;
    double zoom;
  } cases[] = {{ox::rfNone, 100}, {ox::rfLanczos3, 100}, {ox::rfLanczos3, 200}, {ox::rfNone, 200}};
  for (const Case& c : cases) {
    view->SetZoomFilter(c.filter);
    view->SetZoomPercent(c.zoom);
    view->SetScrollXY(0, 0);
    view->SetAlphaBackground(ox::oxabChessboard);
    const gfx::TDib& bb = Render();
    const std::string what = std::to_string(c.filter) + " at " + std::to_string(int(c.zoom));
    EXPECT_NEAR(gfx::RedOf(Px(bb, 4, 4)), onDark, 1) << what;
    EXPECT_NEAR(gfx::RedOf(Px(bb, 20, 4)), onLight, 1) << what;
    EXPECT_NEAR(gfx::RedOf(Px(bb, 20, 20)), onDark, 1) << what;
    EXPECT_NEAR(gfx::BlueOf(Px(bb, 20, 4)), onLight, 1) << what;
    view->SetAlphaBackground(ox::oxabBackground);
    EXPECT_NEAR(gfx::RedOf(Px(Render(), 4, 4)), onBack, 1) << what;
    EXPECT_NEAR(gfx::RedOf(Px(Render(), 20, 4)), onBack, 1) << what;
  }
  view->SetZoomFilter(ox::rfNone);
  view->SetZoomPercent(100);
  // Opaque columns show the picture (the blend's shift by 8 leaves full alpha one level short).
  EXPECT_GE(gfx::RedOf(Px(Render(), 36, 4)), 254);
}

TEST_F(ViewFixture, OneBitStripesMixToGrayAtUnevenReductions) {
  gfx::TDib stripes(120, 8, gfx::TPixelFormat::pf1bit);
  for (int y = 0; y < 8; ++y)
    for (int b = 0; b < 15; ++b) stripes.ScanLine(y)[b] = 0b10101010;
  Make(120, 8, stripes);
  view->SetZoomFilter(ox::rfLanczos3);
  view->SetZoomPercent(100);
  view->SetZoomPercent(58);  // 120 columns onto 70: one and five sevenths under each
  while (view->FilterDelay() > 0) view->TimerTick();
  const gfx::TDib& bb = Render();
  for (int x = 0; x < 70; ++x) {
    const int v = gfx::RedOf(Px(bb, x, 2));
    // Between 5/12 and 7/12 set, as a footprint of 12/7 pixels over 1-pixel stripes can hold.
    EXPECT_GE(v, 106) << x;
    EXPECT_LE(v, 149) << x;
  }
}

}  // namespace
