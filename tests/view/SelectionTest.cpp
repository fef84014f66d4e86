// Mouse selection of the view: rectangles, append, grips, moving, auto-scroll, events, ants, zoom and scroll modes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <vector>

#include "ViewTestUtil.h"
#include "imaging/proc/oxclipdib.h"
#include "imaging/view/Orvex.h"
#include "imaging/view/OrvexCursors.h"

using namespace vt;

namespace {

constexpr gfx::TColor kBlack = 0x000000, kWhite = 0xFFFFFF, kGray = 0x808080;

void Send(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton b, Qt::MouseButtons held,
          Qt::KeyboardModifiers m) {
  QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), b, held, m);
  QApplication::sendEvent(w, &e);
}

struct Mouse {
  QWidget* w;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
  void Press(int x, int y, Qt::MouseButton b = Qt::LeftButton) { Send(w, QEvent::MouseButtonPress, x, y, b, b, mods); }
  void Move(int x, int y) { Send(w, QEvent::MouseMove, x, y, Qt::NoButton, Qt::LeftButton, mods); }
  void Hover(int x, int y) { Send(w, QEvent::MouseMove, x, y, Qt::NoButton, Qt::NoButton, mods); }
  void Release(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    Send(w, QEvent::MouseButtonRelease, x, y, b, Qt::NoButton, mods);
  }
  void Drag(int x1, int y1, int x2, int y2) {
    Press(x1, y1);
    Move(x2, y2);
    Release(x2, y2);
  }
  void Click(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    Press(x, y, b);
    Release(x, y, b);
  }
};

// Inclusive box and pixel count of the selection mask.
struct MaskBox {
  int x1, y1, x2, y2;
  int64_t count;
};
MaskBox Box(const ox::TOXMask& m) {
  MaskBox b{m.X1, m.Y1, m.X2, m.Y2, 0};
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x) b.count += m.IsSet(x, y) ? 1 : 0;
  return b;
}

gfx::TDib Uniform(int w, int h, gfx::TColor c) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d.SetPixelColor(x, y, c);
  return d;
}

gfx::TColor At(const QImage& img, int x, int y) {
  const QRgb p = img.pixel(x, y);
  return gfx::RGBColor(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

class SelectionFixture : public ViewFixture {
 protected:
  Mouse mouse;
  int changing = 0, change = 0, inSel = 0;
  std::vector<int> grips;

  void SetUp() override {
    ViewFixture::SetUp();
    mouse.w = view.get();
    view->SetMouseInteract(ox::MouseBit(ox::miSelect));
    view->OnSelectionChanging = [this](ox::TOrvexView*) { ++changing; };
    view->OnSelectionChange = [this](ox::TOrvexView*) { ++change; };
    view->OnMouseInSel = [this](ox::TOrvexView*) { ++inSel; };
    view->OnMouseInResizingGrip = [this](ox::TOrvexView*, int g) { grips.push_back(g); };
  }
  // A rectangle in image pixels, inclusive of both corners.
  void SelectImageRect(int x1, int y1, int x2, int y2) {
    view->SelectionBase = ox::oxsbBitmap;
    view->SelectRect(x1, y1, x2, y2, false);
    view->SelectionBase = ox::oxsbClientArea;
  }
  QImage Grab() { return view->grab().toImage(); }
};

TEST_F(SelectionFixture, DragMakesTheRectangleAtAnyZoom) {
  struct Case {
    double zoom;
    int x1, y1, x2, y2;  // client drag
    MaskBox box;
  } cases[] = {
      {100, 10, 5, 20, 15, {10, 5, 20, 15, 11 * 11}},
      {100, 20, 15, 10, 5, {10, 5, 20, 15, 11 * 11}},  // dragged up and left
      {200, 10, 10, 31, 21, {5, 5, 15, 10, 11 * 6}},
      {100, 10, 10, 200, 300, {10, 10, 49, 39, 40 * 30}},  // beyond the picture: up to its edge
  };
  for (const Case& c : cases) {
    Make(100, 100, Numbered(50, 40));
    view->ClearSelection();
    view->SetZoomPercent(c.zoom);
    changing = change = 0;
    mouse.Press(c.x1, c.y1);
    mouse.Move(c.x2, c.y2);
    EXPECT_EQ(view->Selection().Record.Count(), 4);
    EXPECT_EQ(view->SelX2(), c.box.x2) << "from the record while dragging";
    mouse.Release(c.x2, c.y2);
    ASSERT_TRUE(view->HasSelection()) << c.zoom;
    const MaskBox b = Box(view->SelectionMask());
    EXPECT_EQ(b.x1, c.box.x1);
    EXPECT_EQ(b.y1, c.box.y1);
    EXPECT_EQ(b.x2, c.box.x2);
    EXPECT_EQ(b.y2, c.box.y2);
    EXPECT_EQ(b.count, c.box.count);
    EXPECT_EQ(view->SelX1(), c.box.x1);
    EXPECT_EQ(view->SelY2(), c.box.y2);
    EXPECT_EQ(changing, 2);  // press and move
    EXPECT_EQ(change, 1);
  }
}

TEST_F(SelectionFixture, DegenerateDragsAndClicks) {
  Make(100, 100, Numbered(50, 40));
  mouse.Drag(10, 10, 10, 30);  // no width
  EXPECT_FALSE(view->HasSelection());
  EXPECT_TRUE(view->SelectionMask().IsEmpty());

  // A click outside the region removes it without OnSelectionChange ...
  SelectImageRect(10, 10, 21, 21);  // the middle is clear of the grips
  change = 0;
  mouse.Click(30, 30);
  EXPECT_FALSE(view->HasSelection());
  EXPECT_TRUE(view->SelectionMask().IsEmpty());
  EXPECT_EQ(view->Selection().Record.Count(), 0);
  EXPECT_EQ(change, 0);

  // ... a click inside a movable region keeps it and fires it ...
  SelectImageRect(10, 10, 21, 21);  // the middle is clear of the grips
  mouse.Click(16, 16);
  EXPECT_TRUE(view->HasSelection());
  EXPECT_EQ(Box(view->SelectionMask()).count, 144);
  EXPECT_EQ(change, 1);

  // ... and without oxsoMoveable a click anywhere removes it.
  view->SetSelectionOptions(ox::SelectionBit(ox::oxsoAnimated) | ox::SelectionBit(ox::oxsoSizeable));
  mouse.Click(16, 16);
  EXPECT_FALSE(view->HasSelection());
  EXPECT_EQ(change, 1);
}

TEST_F(SelectionFixture, ShiftAppendsAndAltMakesSquares) {
  Make(100, 100, Numbered(50, 40));
  mouse.Drag(2, 2, 6, 6);  // columns and rows 2 ... 6
  mouse.mods = Qt::ShiftModifier;
  mouse.Press(20, 20);
  mouse.Move(25, 25);
  mouse.Move(30, 22);  // replaces only the rectangle this drag appended
  mouse.Release(30, 22);
  EXPECT_EQ(view->Selection().Record.Count(), 9);
  ox::TOXMask& m = view->SelectionMask();
  EXPECT_EQ(Box(m).count, 25 + 11 * 3);
  EXPECT_TRUE(m.IsSet(2, 2));
  EXPECT_TRUE(m.IsSet(30, 22));
  EXPECT_FALSE(m.IsSet(25, 25));

  mouse.mods = Qt::NoModifier;
  mouse.Drag(10, 30, 12, 32);  // a plain drag replaces everything
  EXPECT_EQ(view->Selection().Record.Count(), 4);
  EXPECT_EQ(Box(m).count, 9);

  mouse.mods = Qt::AltModifier;
  mouse.Drag(10, 10, 14, 30);  // the height follows the width
  const MaskBox b = Box(m);
  EXPECT_EQ(b.y2 - b.y1, b.x2 - b.x1);
  EXPECT_EQ(b.count, 25);
}

TEST_F(SelectionFixture, GripsResizeFlipAndShowTheirCursors) {
  Make(100, 100, Numbered(60, 60));
  struct Case {
    int px, py;   // press on the grip
    int grip;     // found there
    int mx, my;   // dragged to
    int heldAfter;
    MaskBox box;
  } cases[] = {
      {30, 30, 2, 40, 35, 2, {10, 10, 40, 35, 31 * 26}},  // bottom-right corner
      {30, 20, 5, 35, 0, 5, {10, 10, 35, 29, 26 * 20}},   // right side: only the width changes
      {20, 10, 6, 0, 5, 6, {10, 5, 29, 29, 20 * 25}},     // top side: only the height
      {10, 20, 4, 50, 20, 5, {30, 10, 49, 29, 20 * 20}},  // left side past the right one: flips
  };
  for (const Case& c : cases) {
    SelectImageRect(10, 10, 29, 29);  // record box (10, 10)-(30, 30)
    grips.clear();
    mouse.Hover(c.px, c.py);
    ASSERT_EQ(grips.size(), 1u);
    EXPECT_EQ(grips[0], c.grip);
    mouse.Press(c.px, c.py);
    EXPECT_EQ(view->Selection().Grip, c.grip);
    mouse.Move(c.mx, c.my);
    EXPECT_EQ(view->Selection().Grip, c.heldAfter);
    mouse.Release(c.mx, c.my);
    const MaskBox b = Box(view->SelectionMask());
    EXPECT_EQ(b.x1, c.box.x1) << c.grip;
    EXPECT_EQ(b.y1, c.box.y1) << c.grip;
    EXPECT_EQ(b.x2, c.box.x2) << c.grip;
    EXPECT_EQ(b.y2, c.box.y2) << c.grip;
    EXPECT_EQ(b.count, c.box.count) << c.grip;
  }

  SelectImageRect(10, 10, 29, 29);
  struct Hover {
    int x, y, cursor;
  } hovers[] = {{10, 10, ox::crMove2}, {30, 10, ox::crMove1}, {10, 20, ox::crMoveX}, {20, 30, ox::crMoveY},
                {20, 20, ox::crMove}, {50, 50, ox::crCross3}};
  for (const Hover& h : hovers) {
    mouse.Hover(h.x, h.y);
    EXPECT_EQ(view->cursor().pixmap().cacheKey(), ox::ViewCursor(h.cursor).pixmap().cacheKey()) << h.x << "," << h.y;
  }
  // Without oxsoSizeable no grip is found and the edge shows the view's cursor.
  view->SetSelectionOptions(ox::SelectionBit(ox::oxsoAnimated));
  grips.clear();
  mouse.Hover(10, 10);
  EXPECT_EQ(grips, std::vector<int>{-1});
  EXPECT_EQ(view->cursor().pixmap().cacheKey(), ox::ViewCursor(ox::crCross3).pixmap().cacheKey());
}

TEST_F(SelectionFixture, AltGripsKeepTheProportionAndSurviveAFlatBox) {
  Make(100, 100, Numbered(60, 60));
  mouse.mods = Qt::AltModifier;
  struct Case {
    int px, py, mx, my;
    MaskBox box;
  } cases[] = {
      {30, 20, 49, 20, {10, 10, 49, 29, 40 * 20}},  // bottom-right
      {30, 10, 49, 10, {10, 0, 49, 19, 40 * 20}},   // top-right: as tall as the other corners make it
      {10, 20, 0, 20, {0, 10, 29, 24, 30 * 15}},    // bottom-left
      {10, 10, 0, 10, {0, 5, 29, 19, 30 * 15}},     // top-left
  };
  for (const Case& c : cases) {
    SelectImageRect(10, 10, 29, 19);  // 20 x 10
    mouse.Drag(c.px, c.py, c.mx, c.my);
    const MaskBox b = Box(view->SelectionMask());
    EXPECT_EQ(b.x1, c.box.x1) << c.px << "," << c.py;
    EXPECT_EQ(b.y1, c.box.y1) << c.px << "," << c.py;
    EXPECT_EQ(b.x2, c.box.x2) << c.px << "," << c.py;
    EXPECT_EQ(b.y2, c.box.y2) << c.px << "," << c.py;
    EXPECT_EQ(b.count, c.box.count);
  }

  // A rectangle collapsed to no height or no width has no proportion: the constrained grip leaves it alone.
  for (const std::vector<ox::TOXPoint>& flat :
       {std::vector<ox::TOXPoint>{{10, 20}, {30, 20}, {30, 20}, {10, 20}},
        std::vector<ox::TOXPoint>{{30, 10}, {30, 10}, {30, 30}, {30, 30}}}) {
    ox::TOXSelectionRecord& r = view->Selection().Record;
    r.Clear();
    for (const ox::TOXPoint& p : flat) r.Add(p.x, p.y);
    r.Visible = true;
    ASSERT_TRUE(r.IsSingleRect());
    mouse.Press(30, 20);
    ASSERT_GE(view->Selection().Grip, 0);
    mouse.Move(45, 50);
    EXPECT_EQ(r.BoxX1, flat[0].x);
    EXPECT_EQ(r.BoxX2, flat[2].x);
    EXPECT_EQ(r.BoxY1, flat[0].y);
    EXPECT_EQ(r.BoxY2, flat[2].y);
    mouse.Release(45, 50);
  }
}

TEST_F(SelectionFixture, MovingStopsAtTheEdgeOrCutsTheBorder) {
  struct Case {
    bool cut;
    MaskBox box;
    int recordX2;
  } cases[] = {{false, {38, 10, 49, 21, 144}, 50}, {true, {44, 10, 49, 21, 72}, 50}};
  for (const Case& c : cases) {
    Make(100, 100, Numbered(50, 40));
    ox::TOXSelectionOptions o = view->SelectionOptions();
    view->SetSelectionOptions(c.cut ? o | ox::SelectionBit(ox::oxsoCutBorders) : o);
    SelectImageRect(10, 10, 21, 21);
    change = changing = 0;
    mouse.Press(16, 16);
    EXPECT_EQ(view->Selection().Moving, 0);
    mouse.Move(50, 16);
    mouse.Move(80, 16);  // clamped to the picture: no further move
    mouse.Release(80, 16);
    const MaskBox b = Box(view->SelectionMask());
    EXPECT_EQ(b.x1, c.box.x1) << c.cut;
    EXPECT_EQ(b.x2, c.box.x2) << c.cut;
    EXPECT_EQ(b.y1, c.box.y1) << c.cut;
    EXPECT_EQ(b.count, c.box.count) << c.cut;
    EXPECT_EQ(view->Selection().Record.BoxX1, c.box.x1);
    EXPECT_EQ(view->Selection().Record.BoxX2, c.recordX2);
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(change, 1);
    EXPECT_TRUE(view->HasSelection());
  }
}

TEST_F(SelectionFixture, DraggingOutsideScrollsTheViewAndKeepsTheAnchor) {
  Make(100, 100, Numbered(300, 300));
  mouse.Press(50, 50);
  mouse.Move(150, 60);  // 51 pixels right of the last shown column
  EXPECT_EQ(view->ScrollX(), 51);
  EXPECT_EQ(view->ScrollY(), 0);
  EXPECT_EQ(view->Selection().PressX, -1);  // the press pixel moved with the picture
  mouse.Release(150, 60);
  const MaskBox b = Box(view->SelectionMask());
  EXPECT_EQ(b.x1, 50);
  EXPECT_EQ(b.x2, 151);
  EXPECT_EQ(b.y1, 50);
  EXPECT_EQ(b.y2, 60);

  // While moving a region, the scrolled distance moves the anchor too, so the region follows the pointer.
  view->SetScrollXY(0, 0);
  SelectImageRect(40, 40, 59, 59);
  mouse.Press(50, 50);
  mouse.Move(50, 130);  // 31 below the window: scrolls 31; the region follows the clamped pointer (50) and the scroll
  EXPECT_EQ(view->ScrollY(), 31);
  mouse.Release(50, 130);
  EXPECT_EQ(view->SelY1(), 40 + 50 + 31);
}

TEST_F(SelectionFixture, HoverEventsAndClearing) {
  Make(100, 100, Numbered(50, 40));
  SelectImageRect(10, 10, 21, 21);
  grips.clear();
  mouse.Hover(16, 16);
  mouse.Hover(40, 30);
  EXPECT_EQ(inSel, 1);
  EXPECT_EQ(grips, (std::vector<int>{-1, -1}));
  mouse.Hover(22, 22);
  EXPECT_EQ(grips.back(), 2);

  view->ClearSelection();
  EXPECT_FALSE(view->HasSelection());
  EXPECT_FALSE(view->Selection().Record.Visible);
  EXPECT_EQ(view->cursor().pixmap().cacheKey(), ox::ViewCursor(ox::crCross3).pixmap().cacheKey());

  // Another picture size drops the selection.
  SelectImageRect(1, 1, 5, 5);
  const gfx::TDib other = Numbered(30, 30);
  view->Assign(&other);
  EXPECT_FALSE(view->HasSelection());
  EXPECT_EQ(view->SelectionMask().Width, 30);
  EXPECT_TRUE(view->SelectionMask().IsEmpty());
}

TEST_F(SelectionFixture, PointsAndProgrammaticRectangles) {
  Make(100, 100, Numbered(50, 40));
  view->SetZoomPercent(200);
  view->SelectRect(10, 10, 30, 20, false);  // client pixels
  EXPECT_EQ(view->SelX1(), 5);
  EXPECT_EQ(view->SelX2(), 15);
  EXPECT_EQ(view->SelY2(), 10);
  view->SelectionBase = ox::oxsbBitmap;
  view->SelectRect(30, 30, 34, 34, true);
  EXPECT_EQ(Box(view->SelectionMask()).count, 11 * 6 + 25);

  view->ClearSelection();
  for (const ox::TOXPoint& p : {ox::TOXPoint{0, 0}, {10, 0}, {10, 100}, {0, 100}}) view->AddSelectionPoint(p.x, p.y);
  EXPECT_TRUE(view->HasSelection());
  EXPECT_EQ(view->Selection().Record.Points[2].y, 40);  // clamped to the picture
  view->EndSelection();
  EXPECT_EQ(Box(view->SelectionMask()).count, 10 * 40);

  view->ClearSelection();
  view->AddSelectionPoint(3, 3);
  view->AddSelectionPoint(3, 9);
  view->EndSelection();  // nothing to fill: no selection
  EXPECT_FALSE(view->HasSelection());
  EXPECT_EQ(view->Selection().Record.Count(), 0);
}

TEST_F(SelectionFixture, ZoomToSelectionCentresIt) {
  Make(100, 100, Numbered(200, 200));
  SelectImageRect(40, 60, 59, 69);  // 20 x 10
  view->ZoomToSelection();
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 500);
  EXPECT_EQ(view->ScrollX(), 200);
  EXPECT_EQ(view->ScrollY(), 300 - 25);
  EXPECT_FALSE(view->HasSelection());

  // From the picture's corner too, and a box one pixel wide is left alone.
  view->SetZoomPercent(100);
  SelectImageRect(0, 0, 49, 24);
  view->ZoomToSelection();
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 200);
  EXPECT_EQ(view->ScrollX(), 0);
  view->SelectRect(10, 10, 11, 100, false);  // at zoom 200: one image column
  ASSERT_EQ(view->SelX1(), view->SelX2());
  view->ZoomToSelection();
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 200);
  EXPECT_TRUE(view->HasSelection());
}

TEST(MouseInteract, NewModesDecideWhatStays) {
  using ox::MouseBit;
  const auto z = MouseBit(ox::miZoom), sc = MouseBit(ox::miScroll), se = MouseBit(ox::miSelect);
  const auto poly = MouseBit(ox::miSelectPolygon), wand = MouseBit(ox::miSelectMagicWand);
  const auto circle = MouseBit(ox::miSelectCircle);
  struct Case {
    ox::TOXMouseInteract from, to, result;
  } cases[] = {
      {0, uint8_t(z | se), uint8_t(z | se)},
      {se, uint8_t(se | sc), sc},             // scroll new: select goes
      {z, uint8_t(z | sc | se), uint8_t(z | sc)},
      {se, uint8_t(se | poly), poly},
      {poly, uint8_t(poly | z), z},           // zoom new: polygon goes
      {circle, uint8_t(circle | z | wand), uint8_t(circle | z)},  // zoom is looked at before the wand
      {uint8_t(z | se), se, se},              // only removed: as given
  };
  for (const Case& c : cases) EXPECT_EQ(ox::TOrvexView::CombineMouseInteract(c.from, c.to), c.result) << int(c.to);
}

TEST_F(SelectionFixture, ZoomAndSelectTogether) {
  Make(100, 100, Numbered(100, 100));
  view->SetMouseInteract(ox::MouseBit(ox::miZoom) | ox::MouseBit(ox::miSelect));
  view->SetZoomFilter(ox::rfTriangle);
  SelectImageRect(10, 10, 19, 19);
  mouse.Press(50, 50);
  EXPECT_EQ(view->ZoomFilter(), ox::rfNone);  // unfiltered while a button is down
  mouse.Release(50, 50);
  EXPECT_EQ(view->ZoomFilter(), ox::rfTriangle);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 200);
  EXPECT_FALSE(view->HasSelection());
  mouse.Click(50, 50, Qt::RightButton);
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 100);
  EXPECT_FALSE(view->Selection().RectDragging);
  mouse.Drag(10, 10, 30, 30);  // a drag selects and does not zoom
  EXPECT_DOUBLE_EQ(view->ZoomPercent(), 100);
  EXPECT_TRUE(view->HasSelection());
}

TEST_F(SelectionFixture, MarchingAntsAreDrawnOnScreenAndMove) {
  Make(60, 60, Uniform(40, 40, kGray));
  view->SetSelectionOptions(ox::SelectionBit(ox::oxsoAnimated) | ox::SelectionBit(ox::oxsoMoveable));  // no grips
  mouse.Drag(10, 10, 29, 19);
  const QImage a = Grab();
  auto ant = [](gfx::TColor c) { return c == kBlack || c == kWhite; };
  for (int x = 10; x <= 29; ++x) {
    EXPECT_TRUE(ant(At(a, x, 10))) << x;
    EXPECT_TRUE(ant(At(a, x, 19))) << x;
  }
  for (int y = 10; y <= 19; ++y) EXPECT_TRUE(ant(At(a, 10, y)) && ant(At(a, 29, y))) << y;
  EXPECT_EQ(At(a, 15, 15), kGray);  // inside
  EXPECT_EQ(At(a, 9, 10), kGray);   // outside
  EXPECT_EQ(At(a, 30, 10), kGray);
  EXPECT_EQ(Px(view->BackBuffer(), 10, 10), kGray);  // the picture itself stays clean
  // Diagonal stripes four pixels wide: white where x + y + ticks has bit 2 clear.
  auto stripe = [this](int x, int y) { return ((x + y + view->Selection().TickCounter) & 4) ? kBlack : kWhite; };
  for (int x = 10; x <= 29; ++x) EXPECT_EQ(At(a, x, 10), stripe(x, 10)) << x;

  const int ticks = view->Selection().TickCounter;
  view->TimerTick();
  view->TimerTick();
  EXPECT_EQ(view->Selection().TickCounter, ticks + 2);
  const QImage b = Grab();
  for (int x = 10; x <= 29; ++x) EXPECT_EQ(At(b, x, 10), stripe(x, 10)) << x;
  EXPECT_NE(a, b);

  // While a rectangle is dragged, its edges carry dashes of three pixels.
  mouse.Press(5, 30);
  mouse.Move(40, 50);
  const QImage d = Grab();
  std::vector<gfx::TColor> top;
  for (int x = 5; x < 17; ++x) top.push_back(At(d, x, 30));
  const int phase = view->Selection().Record.Phase;
  std::vector<gfx::TColor> want;
  for (int i = 0; i < 12; ++i) want.push_back((phase + i) % 6 < 3 ? kBlack : kWhite);
  EXPECT_EQ(top, want);
  mouse.Release(40, 50);
}

TEST_F(SelectionFixture, OutlineStopsAtTheWindowWhereTheSelectionGoesOn) {
  Make(50, 50, Uniform(200, 200, kGray));
  view->SetSelectionOptions(ox::SelectionBit(ox::oxsoMoveable));
  SelectImageRect(10, 10, 150, 30);
  const QImage a = Grab();
  EXPECT_NE(At(a, 10, 20), kGray);  // the selection's own left edge
  EXPECT_EQ(At(a, 49, 20), kGray);  // the window's right edge: the selection goes on
  EXPECT_NE(At(a, 49, 10), kGray);  // its top edge still runs to the window's edge
  view->SetScrollXY(120, 0);        // now its right edge (column 150) is at client 30
  const QImage b = Grab();
  EXPECT_NE(At(b, 30, 20), kGray);
  EXPECT_EQ(At(b, 0, 20), kGray);
}

TEST_F(SelectionFixture, GripsAndTheFilledSelection) {
  Make(60, 60, Uniform(40, 40, kGray));
  SelectImageRect(5, 5, 34, 34);  // corners at client (5, 5) and (35, 35)
  const QImage a = Grab();
  EXPECT_EQ(At(a, 35, 35), kWhite);  // the bottom-right grip: white inside ...
  EXPECT_EQ(At(a, 40, 35), kBlack);  // ... black at its edge
  EXPECT_EQ(At(a, 20, 30), kBlack);  // the bottom side's grip
  EXPECT_EQ(At(a, 12, 12), kGray);

  view->SetSelectionOptions(view->SelectionOptions() | ox::SelectionBit(ox::oxsoFilled));
  const QImage b = Grab();
  EXPECT_EQ(At(b, 12, 12), 0x7F7F7Fu);  // inverted
  EXPECT_EQ(Px(view->BackBuffer(), 12, 12), 0x7F7F7Fu);
  EXPECT_EQ(At(b, 37, 12), kGray);
}

TEST(OrvexSelection, ProcessingKeepsToTheSelection) {
  QWidget parent;
  parent.resize(200, 200);
  ox::TOrvex view(&parent);
  view.SetBorderStyle(ox::bsNone);
  view.resize(100, 100);
  view.Assign(&static_cast<const gfx::TDib&>(Numbered(40, 30)));
  view.SetMouseInteract(ox::MouseBit(ox::miSelect));
  Mouse mouse{&view};
  mouse.Drag(5, 5, 14, 9);  // columns 5 ... 14, rows 5 ... 9
  ASSERT_TRUE(view.HasSelection());

  view.ProcComponent().Negative();
  EXPECT_EQ(view.Picture().GetPixelColor(5, 5), gfx::RGBColor(255 - 15, 255 - 105, 55));
  EXPECT_EQ(view.Picture().GetPixelColor(14, 9), gfx::RGBColor(255 - 24, 255 - 109, 55));
  EXPECT_EQ(view.Picture().GetPixelColor(15, 9), gfx::RGBColor(25, 109, 200));
  EXPECT_EQ(view.Picture().GetPixelColor(5, 4), gfx::RGBColor(15, 104, 200));
  EXPECT_TRUE(view.HasSelection());  // same size: the selection stays

  struct Clip : ox::TOXClipboard {
    std::vector<uint8_t> block;
    std::vector<uint8_t> GetDib() override { return block; }
    void SetDib(std::vector<uint8_t> packed) override { block = std::move(packed); }
  } clip;
  view.ProcComponent().Clipboard = &clip;
  view.ProcComponent().CopySelToClip();
  gfx::TDib copied;
  ASSERT_TRUE(ox::DecodeClipboardDib(clip.block, copied));
  EXPECT_EQ(copied.Width(), 10);
  EXPECT_EQ(copied.Height(), 5);
  EXPECT_EQ(copied.GetPixelColor(0, 0), view.Picture().GetPixelColor(5, 5));
  view.ProcComponent().Clipboard = nullptr;

  view.SetBackground(0x000000);
  view.ProcComponent().ClearSel();
  EXPECT_EQ(view.Picture().GetPixelColor(7, 7), 0u);
  EXPECT_EQ(view.Picture().GetPixelColor(4, 7), gfx::RGBColor(14, 107, 200));

  view.ProcComponent().CropSel();
  EXPECT_EQ(view.Picture().Width(), 10);
  EXPECT_EQ(view.Picture().Height(), 5);
  EXPECT_FALSE(view.HasSelection());  // the picture changed size
}

}  // namespace
