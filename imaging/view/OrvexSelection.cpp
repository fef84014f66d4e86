// The view's selection: its record of polygons, the mouse drag states, grips, moving, auto-scroll and the ants.
#include "imaging/view/OrvexSelection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "imaging/model/Rounding.h"
#include "imaging/view/OrvexView.h"

namespace ox {

namespace {

int MirrorH(int g) {
  constexpr int m[8] = {1, 0, 3, 2, 5, 4, 6, 7};
  return g >= 0 && g < 8 ? m[g] : g;
}
int MirrorV(int g) {
  constexpr int m[8] = {3, 2, 1, 0, 4, 5, 7, 6};
  return g >= 0 && g < 8 ? m[g] : g;
}

// Distance from p to the segment a-b; far ends count as 1 000 000 so that huge coordinates never square.
double SegmentDistance(int64_t px, int64_t py, int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  const double vx = double(bx - ax), vy = double(by - ay);
  const double len2 = vx * vx + vy * vy;
  const double t = len2 > 0 ? ((px - ax) * vx + (py - ay) * vy) / len2 : -1;
  if (t >= 0 && t <= 1) return std::abs((px - ax) * vy - (py - ay) * vx) / std::sqrt(len2);
  const int64_t ex = t < 0 ? ax : bx, ey = t < 0 ? ay : by;
  if (std::llabs(px - ex) > 45000 || std::llabs(py - ey) > 45000) return 1000000;
  return std::hypot(double(px - ex), double(py - ey));
}

void PutPixel(gfx::TDib& dib, int64_t x, int64_t y, gfx::TColor c) {
  if (x < 0 || y < 0 || x >= dib.Width() || y >= dib.Height()) return;
  uint8_t* p = dib.ScanLine(int(y)) + 3 * x;
  p[0] = gfx::BlueOf(c), p[1] = gfx::GreenOf(c), p[2] = gfx::RedOf(c);
}

// Nearest integer to n / d (d > 0), halves away from zero.
int64_t RoundDiv(int64_t n, int64_t d) { return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)); }

}  // namespace

// ---------------------------------------------------------------- record

void TOXSelectionRecord::Clear() {
  Points.clear();
  BoxX1 = BoxY1 = BoxX2 = BoxY2 = 0;
}

void TOXSelectionRecord::Add(int x, int y) {
  Points.push_back({x, y});
  UpdateBox();
}

void TOXSelectionRecord::AddSeparator() {
  Points.push_back({kPolygonSeparator, 0});
}

void TOXSelectionRecord::RemoveLastPolygon() {
  while (!Points.empty() && Points.back().x != kPolygonSeparator) Points.pop_back();
  if (!Points.empty()) Points.pop_back();
  UpdateBox();
}

bool TOXSelectionRecord::IsSingleRect() const {
  if (Points.size() != 4) return false;
  for (const TOXPoint& p : Points)
    if (p.x == kPolygonSeparator) return false;
  // A collapsed edge is both vertical and horizontal, so a rectangle without width or height still counts.
  auto alternates = [this](bool horizontalFirst) {
    for (size_t i = 0; i < 4; ++i) {
      const TOXPoint& a = Points[i];
      const TOXPoint& b = Points[(i + 1) % 4];
      if ((i % 2 == 0) == horizontalFirst ? a.y != b.y : a.x != b.x) return false;
    }
    return true;
  };
  return alternates(true) || alternates(false);
}

void TOXSelectionRecord::UpdateBox() {
  bool any = false;
  for (const TOXPoint& p : Points) {
    if (p.x == kPolygonSeparator) continue;
    if (!any) {
      BoxX1 = BoxX2 = p.x;
      BoxY1 = BoxY2 = p.y;
      any = true;
    } else {
      BoxX1 = std::min(BoxX1, p.x), BoxX2 = std::max(BoxX2, p.x);
      BoxY1 = std::min(BoxY1, p.y), BoxY2 = std::max(BoxY2, p.y);
    }
  }
  if (!any) BoxX1 = BoxY1 = BoxX2 = BoxY2 = 0;
}

// ---------------------------------------------------------------- programmatic selection

void TOrvexSelection::SelBox(int& x1, int& y1, int& x2, int& y2) const {
  if (RectDragging || Grip >= 0) {
    x1 = Record.BoxX1, y1 = Record.BoxY1, x2 = Record.BoxX2 - 1, y2 = Record.BoxY2 - 1;
    return;
  }
  const TOXMask& m = view_.SelectionMask();
  x1 = m.X1, y1 = m.Y1, x2 = m.X2, y2 = m.Y2;
}

void TOrvexSelection::Changed() { view_.SelectionRedraw(); }

bool TOrvexSelection::MakeRect(int x1, int y1, int x2, int y2, bool append, bool square, bool client) {
  if (x1 == x2 || y1 == y2) return false;
  const int w = view_.Picture().Width(), h = view_.Picture().Height();
  if (w <= 0 || h <= 0) return false;
  if (client) {
    x1 = view_.ClientToImageX(x1), y1 = view_.ClientToImageY(y1);
    x2 = view_.ClientToImageX(x2), y2 = view_.ClientToImageY(y2);
  }
  HasSelection = true;
  if (append && Record.Count() > 0) Record.AddSeparator();
  else Record.Clear();
  int64_t bottom = y2;
  if (square) bottom = int64_t(x2) + y1 - x1;  // the height follows the width, in the direction of the x movement
  int ax = std::clamp(x1, 0, w - 1), bx = std::clamp(x2, 0, w - 1);
  int ay = std::clamp(y1, 0, h - 1), by = int(std::clamp<int64_t>(bottom, 0, h - 1));
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  ++bx, ++by;
  Record.Add(ax, ay);
  Record.Add(bx, ay);
  Record.Add(bx, by);
  Record.Add(ax, by);
  Record.Visible = true;
  Changed();
  return true;
}

void TOrvexSelection::AddPoint(int x, int y, bool client) {
  if (client) x = view_.ClientToImageX(x), y = view_.ClientToImageY(y);
  Record.Add(std::clamp(x, 0, std::max(view_.Picture().Width(), 0)),
             std::clamp(y, 0, std::max(view_.Picture().Height(), 0)));
  Record.Visible = true;
  // The processing component follows HasSelection; a polygon under way is a selection too.
  HasSelection = true;
  if (Record.Count() > 2) view_.SelectionMask().FillPolygons(1, Record.Points);
  Changed();
}

void TOrvexSelection::End() {
  TOXMask& m = view_.SelectionMask();
  m.FillPolygons(1, Record.Points);
  if (m.IsEmpty()) {
    HasSelection = false;
    Record.Clear();
  }
  Changed();
}

void TOrvexSelection::Clear() {
  const bool shown = HasSelection || Record.Visible;
  HasSelection = false;
  Record.Visible = false;
  Record.Clear();
  view_.SelectionMask().Clear();
  RectDragging = false;
  Grip = Moving = -1;
  view_.SetHoverCursor(-1);
  if (shown && view_.UpdateBlockCount() == 0) Changed();
}

void TOrvexSelection::Drop() {
  HasSelection = false;
  Record.Visible = false;
  Record.Clear();
  RectDragging = false;
  Grip = Moving = -1;
}

// ---------------------------------------------------------------- grips and moving

bool TOrvexSelection::OnSelectedPixel(int x, int y) const {
  if (!HasSelection) return false;
  const TOXViewGeometry g = view_.Geometry();
  if (x < g.OffsetX || y < g.OffsetY || x >= g.OffsetX + g.DrawW || y >= g.OffsetY + g.DrawH) return false;
  return view_.SelectionMask().IsSet(view_.ClientToImageX(x), view_.ClientToImageY(y));
}

int TOrvexSelection::GripAt(int x, int y) const {
  if (!Record.Visible || !Record.Sizeable || RectDragging || !Record.IsSingleRect()) return -1;
  for (const TOXPoint& p : Record.Points) {
    const int cx = view_.ImageToClientX(p.x), cy = view_.ImageToClientY(p.y);
    if (std::abs(int64_t(x) - cx) <= kGripHalf && std::abs(int64_t(y) - cy) <= kGripHalf) {
      // By the corner it is, whatever order another mode stored the corners in.
      const bool left = p.x == Record.BoxX1, top = p.y == Record.BoxY1;
      return top ? (left ? 0 : 1) : (left ? 3 : 2);
    }
  }
  const int64_t l = view_.ImageToClientX(Record.BoxX1), r = view_.ImageToClientX(Record.BoxX2);
  const int64_t t = view_.ImageToClientY(Record.BoxY1), b = view_.ImageToClientY(Record.BoxY2);
  if (SegmentDistance(x, y, l, t, l, b) < 3) return 4;
  if (SegmentDistance(x, y, r, t, r, b) < 3) return 5;
  if (SegmentDistance(x, y, l, t, r, t) < 3) return 6;
  if (SegmentDistance(x, y, l, b, r, b) < 3) return 7;
  return -1;
}

int TOrvexSelection::Resize(int g, int x, int y, bool constrain) {
  if (!Record.IsSingleRect() || g < 0 || g > 7) return g;
  const int w = view_.Picture().Width(), h = view_.Picture().Height();
  int64_t c = view_.ClientToImageX(x), d = view_.ClientToImageY(y);
  int e = g;
  if (constrain) {
    const double sx1 = gripStartX1_, sy1 = gripStartY1_, sx2 = gripStartX2_, sy2 = gripStartY2_;
    const double bw = sx2 - sx1 + 1, bh = sy2 - sy1 + 1;
    // A box without width or height has no proportion to keep (and both are divisors below).
    if (bw <= 0 || bh <= 0) return g;
    const double m = bw / bh;
    const double cc = double(c), dd = double(d);
    switch (g) {
      case 0: case 4: e = 0; d = Round((m + m * sy2 + cc - sx2 - 1) / m); break;
      // Top-right and bottom-left mirror the other two corners, so that every corner keeps the proportion.
      case 1: e = 1; d = Round((m + m * sy2 + sx1 - cc - 1) / m); break;
      case 2: case 5: e = 2; d = Round((m * sy1 + cc - sx1 + 1 - m) / m); break;
      case 3: e = 3; d = Round((m * sy1 + sx2 - cc + 1 - m) / m); break;
      case 6: e = 0; c = Round(m * dd - m * sy2 - m + sx2 + 1); break;
      default: e = 2; c = Round(m + m * dd - m * sy1 + sx1 - 1); break;
    }
  }
  if (e == 1 || e == 2 || e == 5) ++c;
  if (e == 2 || e == 3 || e == 7) ++d;
  int64_t x1 = Record.BoxX1, y1 = Record.BoxY1, x2 = Record.BoxX2, y2 = Record.BoxY2;
  if (e == 0 || e == 3 || e == 4) x1 = c == x2 ? c - 1 : c;
  if (e == 1 || e == 2 || e == 5) x2 = c == x1 ? c + 1 : c;
  if (e == 0 || e == 1 || e == 6) y1 = d == y2 ? d - 1 : d;
  if (e == 2 || e == 3 || e == 7) y2 = d == y1 ? d + 1 : d;
  int ng = g;
  if (x2 < x1) ng = MirrorH(ng);
  if (y2 < y1) ng = MirrorV(ng);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::clamp<int64_t>(x1, 0, w), x2 = std::clamp<int64_t>(x2, 0, w);
  y1 = std::clamp<int64_t>(y1, 0, h), y2 = std::clamp<int64_t>(y2, 0, h);
  Record.Clear();
  Record.Add(int(x1), int(y1));
  Record.Add(int(x2), int(y1));
  Record.Add(int(x2), int(y2));
  Record.Add(int(x1), int(y2));
  Record.Visible = true;
  Changed();
  return ng;
}

void TOrvexSelection::MoveBy(int dx, int dy) {
  int mx = dx, my = dy;
  view_.SelectionMask().Translate(mx, my, (view_.SelectionOptions() & SelectionBit(oxsoCutBorders)) != 0);
  if (mx == 0 && my == 0) return;
  const int w = view_.Picture().Width(), h = view_.Picture().Height();
  for (TOXPoint& p : Record.Points) {
    if (p.x == kPolygonSeparator) continue;
    p.x = int(std::clamp<int64_t>(int64_t(p.x) + mx, 0, w));
    p.y = int(std::clamp<int64_t>(int64_t(p.y) + my, 0, h));
  }
  Record.UpdateBox();
  Changed();
}

// ---------------------------------------------------------------- mouse

void TOrvexSelection::ButtonDown(int x, int y) {
  PressX = LastX = x;
  PressY = LastY = y;
  CountAtPress = Record.Count();
  Grip = GripAt(x, y);
  Moving = OnSelectedPixel(x, y) && (view_.SelectionOptions() & SelectionBit(oxsoMoveable)) ? 0 : -1;
  if (Grip < 0 && Moving < 0) {
    RectDragging = true;
    if (view_.OnSelectionChanging) view_.OnSelectionChanging(&view_);
  }
  if (Grip >= 0) {
    gripStartX1_ = Record.BoxX1, gripStartY1_ = Record.BoxY1;
    gripStartX2_ = Record.BoxX2 - 1, gripStartY2_ = Record.BoxY2 - 1;
  }
}

bool TOrvexSelection::AutoScrollStep(int rawX, int rawY) {
  const TOXViewGeometry g = view_.Geometry();
  auto outside = [](int v, int lo, int hi) { return v < lo ? v - lo : v > hi ? v - hi : 0; };
  const int ax = outside(rawX, g.OffsetX, g.OffsetX + g.DrawW - 1);
  const int ay = outside(rawY, g.OffsetY, g.OffsetY + g.DrawH - 1);
  if (ax == 0 && ay == 0) return false;
  const int oldX = view_.ScrollX(), oldY = view_.ScrollY();
  view_.SetScrollXY(int(std::clamp<int64_t>(int64_t(oldX) + ax, INT32_MIN, INT32_MAX)),
                    int(std::clamp<int64_t>(int64_t(oldY) + ay, INT32_MIN, INT32_MAX)));
  const int nx = view_.ScrollX(), ny = view_.ScrollY();
  if (nx == oldX && ny == oldY) return false;
  // The anchors stay on their image pixels: by what the view really scrolled, which a clamp may have cut short.
  PressX += oldX - nx;
  PressY += oldY - ny;
  view_.ShiftMouseAnchors(nx - oldX, ny - oldY);
  return true;
}

bool TOrvexSelection::DragTo(int x, int y, int rawX, int rawY, bool shift, bool alt) {
  if (!Dragging()) return false;
  const bool scrolled = AutoScrollStep(rawX, rawY);
  if (Grip >= 0) {
    Grip = Resize(Grip, x, y, alt);
  } else if (Moving >= 0) {
    const int dx = view_.ClientToImageX(x) - view_.ClientToImageX(LastX);
    const int dy = view_.ClientToImageY(y) - view_.ClientToImageY(LastY);
    MoveBy(dx, dy);
    LastX = x, LastY = y;
  } else {
    if (shift) {
      if (Record.Count() != CountAtPress) Record.RemoveLastPolygon();
      MakeRect(PressX, PressY, x, y, true, alt, true);
    } else {
      MakeRect(PressX, PressY, x, y, false, alt, true);
    }
  }
  if (view_.OnSelectionChanging) view_.OnSelectionChanging(&view_);
  return scrolled;
}

void TOrvexSelection::ButtonUp(int x, int y) {
  if (x == PressX && y == PressY && Grip < 0 && Moving < 0) {
    Clear();
  } else {
    if (RectDragging || Grip >= 0) End();
    RectDragging = false;
    Grip = Moving = -1;
    if (view_.OnSelectionChange) view_.OnSelectionChange(&view_);
    view_.UpdateLayout();
  }
  RectDragging = false;
  Grip = Moving = -1;
}

int TOrvexSelection::Hover(int x, int y) {
  const int g = GripAt(x, y);
  if (view_.OnMouseInResizingGrip) view_.OnMouseInResizingGrip(&view_, g);
  int cursor = -1;
  switch (g) {
    case 0: case 2: cursor = crMove2; break;
    case 1: case 3: cursor = crMove1; break;
    case 4: case 5: cursor = crMoveX; break;
    case 6: case 7: cursor = crMoveY; break;
    default: break;
  }
  const bool inSel = OnSelectedPixel(x, y);
  if (g < 0 && inSel && (view_.SelectionOptions() & SelectionBit(oxsoMoveable))) cursor = crMove;
  if (inSel && view_.OnMouseInSel) view_.OnMouseInSel(&view_);
  LastX = x, LastY = y;
  return cursor;
}

// ---------------------------------------------------------------- marching ants

bool TOrvexSelection::TimerStep() {
  if (!Record.Animated || Dragging()) return false;
  Record.Phase = (Record.Phase + 1) % 6;
  ++TickCounter;
  return Record.Visible;
}

int TOrvexSelection::ToClientX(int x) const {
  const TOXViewGeometry g = view_.Geometry();
  const double r = g.ZoomedW > 0 ? double(g.ImageW) / g.ZoomedW : 1;
  return int(std::clamp<int64_t>(Round(g.ZoomFactor * double(Round(-g.ScrollX * r) + x) + g.OffsetX), INT32_MIN / 2,
                                 INT32_MAX / 2));
}

int TOrvexSelection::ToClientY(int y) const {
  const TOXViewGeometry g = view_.Geometry();
  const double r = g.ZoomedH > 0 ? double(g.ImageH) / g.ZoomedH : 1;
  return int(std::clamp<int64_t>(Round(g.ZoomFactor * double(Round(-g.ScrollY * r) + y) + g.OffsetY), INT32_MIN / 2,
                                 INT32_MAX / 2));
}

void TOrvexSelection::DrawPolygons(gfx::TDib& frame) {
  const auto& pts = Record.Points;
  Record.PhaseCounter = Record.Phase;
  const int64_t fw = frame.Width(), fh = frame.Height();
  // One edge from a, the pixel at b left to the next edge; 3 pixels of one colour, 3 of the other.
  auto edge = [&](int64_t ax, int64_t ay, int64_t bx, int64_t by) {
    const int64_t dx = bx - ax, dy = by - ay, steps = std::max(std::llabs(dx), std::llabs(dy));
    if (steps == 0) return;
    // Only the steps that can land on the frame are walked; the dash pattern still counts the others.
    double lo = 0, hi = double(steps - 1);
    auto limit = [&](int64_t a, int64_t d, int64_t size) {
      if (d == 0) {
        if (a < 0 || a >= size) hi = -1;
        return;
      }
      double k0 = (-1 - a) * double(steps) / double(d), k1 = (size - a) * double(steps) / double(d);
      if (k0 > k1) std::swap(k0, k1);
      lo = std::max(lo, std::floor(k0)), hi = std::min(hi, std::ceil(k1));
    };
    limit(ax, dx, fw);
    limit(ay, dy, fh);
    for (int64_t k = int64_t(lo); k <= int64_t(hi); ++k) {
      const int64_t phase = (Record.PhaseCounter + k) % 6;
      PutPixel(frame, ax + RoundDiv(k * dx, steps), ay + RoundDiv(k * dy, steps),
               phase < 3 ? Record.AntColour1 : Record.AntColour2);
    }
    Record.PhaseCounter = int((Record.PhaseCounter + steps) % 6);
  };
  size_t start = 0;
  for (size_t i = 0; i <= pts.size(); ++i) {
    if (i < pts.size() && pts[i].x != kPolygonSeparator) continue;
    const size_t n = i - start;
    for (size_t k = 0; n >= 2 && k < n; ++k) {
      const TOXPoint& a = pts[start + k];
      const TOXPoint& b = pts[start + (k + 1) % n];
      edge(ToClientX(a.x), ToClientY(a.y), ToClientX(b.x), ToClientY(b.y));
    }
    start = i + 1;
  }
}

void TOrvexSelection::DrawGrips(gfx::TDib& frame) {
  const int l = view_.ImageToClientX(Record.BoxX1), r = view_.ImageToClientX(Record.BoxX2);
  const int t = view_.ImageToClientY(Record.BoxY1), b = view_.ImageToClientY(Record.BoxY2);
  const int mx = int((int64_t(l) + r) / 2), my = int((int64_t(t) + b) / 2);
  const int at[8][2] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, my}, {r, my}, {mx, t}, {mx, b}};
  gfx::TCanvas& cv = frame.Canvas();
  cv.Pen = {GripPen, gfx::TPenStyle::psSolid, gfx::TPenMode::pmCopy, 1};
  cv.Brush = {GripBrush, gfx::TBrushStyle::bsSolid};
  for (const auto& p : at) {
    if (p[0] < -kGripHalf || p[1] < -kGripHalf || p[0] > frame.Width() + kGripHalf || p[1] > frame.Height() + kGripHalf)
      continue;
    cv.Rectangle({p[0] - kGripHalf, p[1] - kGripHalf, p[0] + kGripHalf + 1, p[1] + kGripHalf + 1});
  }
}

void TOrvexSelection::DrawOverlay(gfx::TDib& frame, bool outlineAllowed) {
  if (!Record.Visible || frame.Empty()) return;
  const TOXMask& mask = view_.SelectionMask();
  if (RectDragging || Grip >= 0 || mask.IsEmpty()) {
    DrawPolygons(frame);
  } else if (outlineAllowed) {
    const TOXViewGeometry g = view_.Geometry();
    mask.DrawOutline(frame, {g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH},
                     {g.SrcX, g.SrcY, g.SrcX + g.SrcW, g.SrcY + g.SrcH}, TickCounter, Record.AntColour1,
                     Record.AntColour2);
  }
  if (Record.Sizeable && Record.IsSingleRect()) DrawGrips(frame);
}

}  // namespace ox
