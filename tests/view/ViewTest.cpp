// Geometry, zoom, scrolling, wheel, update blocks, delayed filter, subscribers and input of the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <vector>

#include "ViewTestUtil.h"
#include "imaging/view/Orvex.h"
#include "imaging/view/OrvexCursors.h"

using namespace vt;

namespace {

TEST(ZoomSteps, StepTable) {
  struct Case {
    double from, in, out;
  } cases[] = {{33, 50, 25}, {100, 200, 75}, {150, 250, 100}, {2, 5, 2}, {1.5, 2, 2}, {200, 300, 100}, {75, 100, 50}, {60, 75, 50}};
  for (const Case& c : cases) {
    EXPECT_EQ(ox::TOrvexView::ZoomInStep(c.from), c.in) << c.from;
    EXPECT_EQ(ox::TOrvexView::ZoomOutStep(c.from), c.out) << c.from;
  }
}

TEST_F(ViewFixture, ZoomToFitUsesOuterSizeAndStyleMargins) {
  Make(200, 100, Numbered(400, 100));
  struct Case {
    ox::TOXBackgroundStyle style;
    double zoom;
  } cases[] = {{ox::oxbsSolid, 50}, {ox::oxbsCropShadow, 47.5}, {ox::oxbsCropped, 49}};
  for (const Case& c : cases) {
    view->SetBackgroundStyle(c.style);
    view->SetZoomPercent(100);
    view->ZoomToFit();
    EXPECT_DOUBLE_EQ(view->ZoomPercent(), c.zoom) << c.style;
  }
  // With the sunken border the outer size still counts, not the client.
  view->SetBorderStyle(ox::bsSingle);
  view->SetBackgroundStyle(ox::oxbsSolid);
  view->SetZoomPercent(100);
  view->ZoomToFit();
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 50);
}

TEST_F(ViewFixture, AutoFitKeepsAtLeastOnePercent) {
  Make(1, 1, Numbered(1000, 1000));
  view->SetAutoFit(true);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 1);
  view->resize(50, 20);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 2);
}

TEST_F(ViewFixture, NoScrollBarsWhenThePictureFitsTheOuterSize) {
  view->SetBorderStyle(ox::bsSingle);  // client 96 x 96 inside a 100 x 100 control
  view->SetScrollBars(ox::ssBoth);
  Make(100, 100, Numbered(98, 98));
  int mx = -1, my = -1;
  view->MaxScroll(mx, my);
  EXPECT_EQ(mx, 0);
  EXPECT_EQ(my, 0);
  EXPECT_TRUE(view->HorzScrollBar()->isHidden());
  EXPECT_TRUE(view->VertScrollBar()->isHidden());

  Make(100, 100, Numbered(300, 98));
  view->MaxScroll(mx, my);
  EXPECT_FALSE(view->HorzScrollBar()->isHidden());
  EXPECT_EQ(mx, 300 - view->ExtentX());
  EXPECT_LT(view->ExtentY(), 96);  // the horizontal bar took its height
  EXPECT_GT(my, 0);                // ... so the picture no longer fits vertically
  EXPECT_FALSE(view->VertScrollBar()->isHidden());
  EXPECT_EQ(view->ExtentX() + view->VertScrollBar()->width(), 96);  // both bars settled in bounded passes
}

TEST_F(ViewFixture, ScrollBarRangesAndTrackingOff) {
  view->SetScrollBars(ox::ssBoth);
  Make(100, 100, Numbered(400, 400));
  int mx, my;
  view->MaxScroll(mx, my);
  QScrollBar* h = view->HorzScrollBar();
  const double scale = (view->ExtentX() + mx) / 65536.0;
  EXPECT_EQ(h->pageStep(), int(view->ExtentX() / scale));
  EXPECT_EQ(h->maximum() + h->pageStep(), 65536);

  view->HScrollParams.Tracking = false;
  view->ScrollRequest(Qt::Horizontal, ox::srThumbTrack, 20000);
  EXPECT_EQ(view->ScrollX(), 0);
  view->ScrollRequest(Qt::Horizontal, ox::srThumbPosition, 20000);
  EXPECT_EQ(view->ScrollX(), int(20000 * scale));
  EXPECT_EQ(h->value(), int(view->ScrollX() / scale));

  view->HScrollParams.Tracking = true;
  view->ScrollRequest(Qt::Horizontal, ox::srThumbTrack, 0);
  EXPECT_EQ(view->ScrollX(), 0);

  view->ScrollRequest(Qt::Horizontal, ox::srLineDown);
  EXPECT_EQ(view->ScrollX(), 1);
  view->HScrollParams.LineStep = 7;
  view->SetZoomPercent(200);
  const int before = view->ScrollX();
  view->ScrollRequest(Qt::Horizontal, ox::srLineDown);
  EXPECT_EQ(view->ScrollX(), before + 14);
  const int top = view->ScrollY();
  view->ScrollRequest(Qt::Vertical, ox::srPageDown);
  EXPECT_EQ(view->ScrollY(), top + view->ExtentY());
  view->ScrollRequest(Qt::Vertical, ox::srBottom);
  view->MaxScroll(mx, my);
  EXPECT_EQ(view->ScrollY(), my);
  view->ScrollRequest(Qt::Vertical, ox::srTop);
  EXPECT_EQ(view->ScrollY(), 0);
}

TEST_F(ViewFixture, WheelStepsBothVariations) {
  Make(100, 100, Numbered(1000, 1000));
  view->WheelNotch(+1);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 108);
  view->WheelNotch(-1);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 108 - 9);  // round(8.64)
  view->WheelParams.Variation = ox::oxwvAbsolute;
  view->WheelNotch(+1);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 107);
  view->WheelParams.InvertWheel = true;
  view->WheelNotch(+1);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 99);

  view->WheelParams = {};
  view->WheelParams.Action = ox::oxwaVScroll;
  view->SetZoomPercent(300);
  view->SetScrollXY(0, 0);
  view->WheelParams.Variation = ox::oxwvAbsolute;
  view->WheelNotch(+1);
  EXPECT_EQ(view->ScrollY(), 8 * 3);
  view->WheelParams.Variation = ox::oxwvPercentage;
  view->WheelNotch(+1);
  EXPECT_EQ(view->ScrollY(), 24 + 8);  // round(100 x 8 / 100)
  view->WheelNotch(-1);
  EXPECT_EQ(view->ScrollY(), 24);

  view->WheelParams.Action = ox::oxwaNone;
  EXPECT_FALSE(view->WheelNotch(+1));
}

TEST_F(ViewFixture, WheelEventTowardsTheUserZoomsIn) {
  Make(100, 100, Numbered(100, 100));
  QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.get(), &e);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 108);
}

TEST_F(ViewFixture, UpdateBlocksSuppressPaints) {
  Make(10, 10, Numbered(5, 5));
  int paints = 0;
  Render();
  const int renders = view->RenderCount();
  view->BeginUpdateBlock();
  view->BeginUpdateBlock();
  view->SetCenter(true);
  EXPECT_FALSE(view->PaintBackBuffer());
  view->EndUpdateBlock();
  EXPECT_FALSE(view->PaintBackBuffer());
  EXPECT_EQ(view->RenderCount(), renders);
  view->EndUpdateBlock();
  view->EndUpdateBlock();  // never below zero
  EXPECT_EQ(view->UpdateBlockCount(), 0);
  EXPECT_TRUE(view->PaintBackBuffer());
  EXPECT_EQ(view->RenderCount(), renders + 1);
  EXPECT_EQ(Px(view->BackBuffer(), 2, 2), gfx::RGBColor(10, 100, 200));  // now centred

  // A painted window fires OnPaint only when the block is closed.
  view->OnPaint = [&](ox::TOrvexView*) { ++paints; };
  view->BeginUpdateBlock();
  view->grab();
  EXPECT_EQ(paints, 0);
  view->EndUpdateBlockQuiet();
  view->grab();
  EXPECT_EQ(paints, 1);
}

TEST_F(ViewFixture, DelayedFilterTicksInAfterTwoTimerTicks) {
  Make(40, 40, Numbered(40, 40));
  view->SetZoomFilter(ox::rfLanczos3);
  Render();
  // Leaving 100 arms nothing; a step from another zoom does.
  view->SetZoomPercent(50);
  EXPECT_EQ(view->FilterDelay(), 0);
  view->SetZoomPercent(60);
  EXPECT_EQ(view->FilterDelay(), 2);
  gfx::TDib nearest(40, 40, gfx::TPixelFormat::pf24bit);
  const gfx::TDib fast = Render();
  ox::StretchNearest(nearest, {0, 0, 24, 24}, view->Picture(), {0, 0, 40, 40});
  EXPECT_EQ(Px(fast, 13, 7), Px(nearest, 13, 7));

  view->TimerTick();
  EXPECT_EQ(view->FilterDelay(), 1);
  const int renders = view->RenderCount();
  view->PaintBackBuffer();
  EXPECT_EQ(view->RenderCount(), renders);  // nothing asked for a new picture yet
  view->TimerTick();
  EXPECT_EQ(view->FilterDelay(), 0);
  gfx::TDib filtered;
  ASSERT_TRUE(ox::Resample(view->Picture(), filtered, 24, 24, ox::rfLanczos3));
  const gfx::TDib& f = Render();
  EXPECT_EQ(view->RenderCount(), renders + 1);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_EQ(Px(f, x, y), Px(filtered, x, y));

  // Scrolling delays the filter again; without DelayZoomFilter it is at once.
  view->SetZoomPercent(300);
  view->TimerTick();
  view->TimerTick();
  view->SetScrollXY(10, 10);
  EXPECT_EQ(view->FilterDelay(), 2);
  view->DelayZoomFilter = false;
  view->SetScrollXY(20, 20);
  EXPECT_EQ(view->FilterDelay(), 2);
  view->TimerTick();
  view->TimerTick();
  view->SetZoomPercent(200);
  EXPECT_EQ(view->FilterDelay(), 0);
  // Scrolling at 100 arms nothing either.
  view->DelayZoomFilter = true;
  view->SetZoomPercent(100);
  view->TimerTick();
  view->TimerTick();
  view->resize(20, 20);
  view->SetScrollXY(5, 5);
  ASSERT_EQ(view->ScrollX(), 5);
  EXPECT_EQ(view->FilterDelay(), 0);
}

TEST_F(ViewFixture, WritingTheSameZoomFiresNothing) {
  Make(50, 50, Numbered(100, 100));
  std::vector<int> changes;
  view->OnViewChange = [&](ox::TOrvexView*, int c) { changes.push_back(c); };
  view->SetZoomPercent(100);
  view->SetZoomPercent(0);
  view->SetZoomPercent(-5);
  EXPECT_TRUE(changes.empty());
  view->SetZoomPercent(200);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), 1);
  changes.clear();
  view->SetScrollXY(30, 40);
  EXPECT_EQ(changes, std::vector<int>{0});
  view->SetScrollXY(30, 40);
  view->SetScrollXY(-10, -10);  // clamps to 0, 0: one more change
  EXPECT_EQ(changes.size(), 2u);
  EXPECT_EQ(view->ScrollX(), 0);
}

TEST_F(ViewFixture, ZoomKeepsTheCentreAndZoomAroundPointCentresTheClickedPixel) {
  Make(100, 100, Numbered(1000, 1000));
  view->SetZoomPercent(200);  // centre column 50 stays in the centre: scroll 50 x 2 - 50
  EXPECT_EQ(view->ScrollX(), 50);
  EXPECT_EQ(view->ScrollY(), 50);
  EXPECT_EQ(view->ClientToImageX(80), 65);
  EXPECT_EQ(view->ClientToImageY(20), 35);
  view->ZoomAroundPoint(80, 20, 400);
  EXPECT_EQ(view->ScrollX(), 65 * 4 - 50);
  EXPECT_EQ(view->ScrollY(), 35 * 4 - 50);
  // The visible rectangle starts at round(52.5) = 52, so the centre maps back one pixel short.
  EXPECT_EQ(view->ClientToImageX(50), 64);
  EXPECT_EQ(view->ImageToClientX(65), 52);
}

TEST_F(ViewFixture, MouseZoomClicksAndHandlerOverride) {
  Make(100, 100, Numbered(100, 100));
  view->SetMouseInteract(ox::MouseBit(ox::miZoom));
  auto click = [&](Qt::MouseButton b) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), b, b, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(50, 50), QPointF(50, 50), b, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &press);
    QApplication::sendEvent(view.get(), &release);
  };
  click(Qt::LeftButton);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 200);
  click(Qt::RightButton);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 100);
  view->OnZoomIn = [](ox::TOrvexView*, double& z) { z = 100; };  // refused: stays
  click(Qt::LeftButton);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 100);
}

TEST_F(ViewFixture, DragScrollsInScrollMode) {
  Make(100, 100, Numbered(400, 400));
  view->SetMouseInteract(ox::MouseBit(ox::miScroll));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(60, 60), QPointF(60, 60), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), QPointF(40, 30), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 30), QPointF(30, 30), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view.get(), &press);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().cacheKey(), ox::ViewCursor(ox::crHand).pixmap().cacheKey());
  QApplication::sendEvent(view.get(), &move);
  EXPECT_EQ(view->ScrollX(), 20);
  EXPECT_EQ(view->ScrollY(), 30);
  QApplication::sendEvent(view.get(), &release);
  EXPECT_EQ(view->ScrollX(), 30);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ViewFixture, ShiftSwapsTheCursors) {
  EXPECT_EQ(view->ShownCursorId(), 1785);
  EXPECT_STREQ(ox::CursorResourceName(1785), "CROCE3");
  EXPECT_STREQ(ox::CursorResourceName(1782), "MANO");
  EXPECT_FALSE(ox::ViewCursor(1778).pixmap().isNull());
  EXPECT_FALSE(ox::ViewCursor(1795).pixmap().isNull());
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  QKeyEvent up(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
  QApplication::sendEvent(view.get(), &down);
  EXPECT_EQ(view->ShownCursorId(), 1791);
  QApplication::sendEvent(view.get(), &up);
  EXPECT_EQ(view->ShownCursorId(), 1785);
  view->SetCursorId(1793);
  QApplication::sendEvent(view.get(), &down);
  EXPECT_EQ(view->ShownCursorId(), 1794);
  EXPECT_EQ(view->cursor().pixmap().cacheKey(), ox::ViewCursor(1794).pixmap().cacheKey());
  QApplication::sendEvent(view.get(), &up);
  EXPECT_EQ(view->ShownCursorId(), 1793);
}

TEST_F(ViewFixture, AssignConvertsOtherFormatsAndCopiesViews) {
  gfx::TDib pal(3, 2, gfx::TPixelFormat::pf8bit);
  pal.SetPixelColor(1, 1, gfx::RGBColor(255, 0, 0));
  int images = 0;
  view->OnImageChange = [&](ox::TOrvexView*) { ++images; };
  view->Assign(&pal);
  EXPECT_EQ(view->Picture().PixelFormat(), gfx::TPixelFormat::pf24bit);
  EXPECT_EQ(view->Picture().GetPixelColor(1, 1), pal.GetPixelColor(1, 1));
  EXPECT_NE(pal.GetPixelColor(1, 1), pal.GetPixelColor(0, 0));
  EXPECT_EQ(images, 1);
  EXPECT_EQ(view->AlphaMask()->Width, 3);

  ox::TOrvex other(&parent, &sys);
  other.SetBackground(0x123456);
  other.SetDpi(300, 150);
  const gfx::TDib pic = Numbered(4, 4);
  other.Assign(&pic);
  other.AlphaMask()->SetPixel(1, 1, 7);
  view->Assign(&other);
  EXPECT_EQ(view->Picture().Width(), 4);
  EXPECT_EQ(view->AlphaMask()->GetPixel(1, 1), 7);
  EXPECT_EQ(view->Background(), 0x123456u);
  EXPECT_EQ(view->DpiX(), 300);
  EXPECT_EQ(view->DpiY(), 150);
  view->SetDpiX(0);
  EXPECT_EQ(view->DpiX(), 300);

  view->MakeBlank();
  EXPECT_EQ(view->Picture().Width(), 1);
  EXPECT_EQ(view->Picture().GetPixelColor(0, 0), 0x123456u);
  view->Assign(static_cast<const ox::TOrvexView*>(nullptr));
  EXPECT_EQ(view->Picture().Width(), 1);
}

TEST_F(ViewFixture, CopySelectionAndDrawVisible) {
  Make(4, 4, Numbered(8, 8));
  gfx::TDib out;
  EXPECT_FALSE(view->CopySelectionTo(out));
  view->SelectionMask().SetPixel(2, 3, 1);
  view->SelectionMask().SetPixel(4, 5, 1);
  ASSERT_TRUE(view->CopySelectionTo(out));
  EXPECT_EQ(out.Width(), 3);
  EXPECT_EQ(out.Height(), 3);
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(12, 103, 200));
  EXPECT_EQ(out.GetPixelColor(2, 2), gfx::RGBColor(14, 105, 200));

  view->SetScrollXY(2, 1);
  gfx::TDib canvas(6, 6, gfx::TPixelFormat::pf24bit);
  view->DrawVisibleTo(canvas.Canvas());
  EXPECT_EQ(canvas.GetPixelColor(0, 0), gfx::RGBColor(12, 101, 200));
  EXPECT_EQ(canvas.GetPixelColor(3, 3), gfx::RGBColor(15, 104, 200));
  EXPECT_EQ(canvas.GetPixelColor(4, 4), 0u);  // outside DrawW x DrawH: untouched
}

void Record(void* list, int code) { static_cast<std::vector<int>*>(list)->push_back(code); }
void Other(void* list, int code) { static_cast<std::vector<int>*>(list)->push_back(10 + code); }

TEST_F(ViewFixture, SubscribersHearChangesAndDestruction) {
  std::vector<int> got;
  view->Subscribe(&Record, &got);
  view->Subscribe(&Other, &got);
  view->Subscribe(&Record, &got);
  view->NotifySubscribers();
  EXPECT_EQ(got, (std::vector<int>{0, 10, 0}));
  got.clear();
  view->Unsubscribe(&Record);  // the first entry only
  view.reset();
  EXPECT_EQ(got, (std::vector<int>{11, 1}));
}

TEST(ViewWindow, ShownWindowCopiesTheBackBufferTopDown) {
  platform::TRecordingSystem sys;
  ox::TOrvexView view(nullptr, &sys);
  EXPECT_EQ(view.ExtentX(), 50);  // no window yet
  view.SetBackground(kBack);
  const gfx::TDib pic = Numbered(30, 20);
  view.Assign(&pic);
  view.resize(60, 40);
  view.show();
  const QImage shot = view.grab().toImage();
  const QRect c = view.ClientRect();
  EXPECT_EQ(c.topLeft(), QPoint(2, 2));
  EXPECT_EQ(view.ExtentX(), 56);
  EXPECT_EQ(shot.pixelColor(c.left() + 3, c.top() + 17), QColor(13, 117, 200));
  EXPECT_EQ(shot.pixelColor(c.left() + 40, c.top() + 5), QColor(0x10, 0x20, 0x30));
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(128, 128, 128));  // the sunken edge's shadow
}

}  // namespace

namespace {

TEST_F(ViewFixture, ScrollBarActionsGoThroughTheView) {
  view->SetScrollBars(ox::ssBoth);
  Make(100, 100, Numbered(400, 400));
  QScrollBar* v = view->VertScrollBar();
  v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(view->ScrollY(), 1);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(view->ScrollY(), 1 + view->ExtentY());
  v->triggerAction(QAbstractSlider::SliderToMaximum);
  int mx, my;
  view->MaxScroll(mx, my);
  EXPECT_EQ(view->ScrollY(), my);
  const double scale = (view->ExtentY() + my) / 65536.0;
  EXPECT_EQ(v->value(), int(my / scale));  // the thumb shows the view's offset, not the slider's own step
  v->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(view->ScrollY(), 0);
  EXPECT_EQ(v->value(), 0);
}

TEST_F(ViewFixture, SystemColoursResolveThroughTheService) {
  sys.Colors[platform::scBtnFace] = 0x00ABCDEF;
  view->SetBackground(platform::SysColorValue(platform::scBtnFace));
  Make(4, 4, Numbered(2, 2));
  EXPECT_EQ(Px(Render(), 3, 3), 0x00ABCDEFu);
  EXPECT_EQ(sys.ResolveColor(0x7F123456), 0x00123456u);  // only a top byte of 0xFF names a system colour
  EXPECT_EQ(view->DpiX(), 96);
}

}  // namespace
