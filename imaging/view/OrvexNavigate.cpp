// TOrvexView: moving around a picture: the zoom ladder, zoom about a point, key scrolling, middle-button pan.
#include <QGuiApplication>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "imaging/view/OrvexCursors.h"
#include "imaging/view/OrvexView.h"

namespace ox {

namespace {

// Every rung a viewer user expects, 100 % among them.
constexpr double kLadder[] = {1,   2,   3,   5,   7,   10,  15,  20,   25,   33,   50,   67,
                              100, 150, 200, 300, 400, 600, 800, 1200, 1600, 2400, 3200};
// Zooms that came from fitting differ from a rung by rounding only.
constexpr double kRungTolerance = 1e-6;

}  // namespace

double TOrvexView::LadderZoomIn(double zoom) {
  for (double r : kLadder)
    if (r > zoom + kRungTolerance) return r;
  return zoom * 2;
}

double TOrvexView::LadderZoomOut(double zoom) {
  double best = zoom;
  for (double r : kLadder)
    if (r < zoom - kRungTolerance) best = r;
  if (zoom > kLadder[std::size(kLadder) - 1] * 2) best = zoom / 2;
  return best;
}

double TOrvexView::FitZoom(double w, double h) const {
  const double z = std::min(h / (image_.Height() / 100.0), w / (image_.Width() / 100.0));
  return EnlargeToFit ? z : std::min(z, 100.0);
}

void TOrvexView::ZoomKeepingPoint(int x, int y, double z) {
  if (!(z > 0) || z == zoom_ || !std::isfinite(z)) return;
  // The picture's point (in image pixels, with its fraction) under the cursor now.
  const double ix = (x - offsetX_ + scrollX_) * invZoom_, iy = (y - offsetY_ + scrollY_) * invZoom_;
  BeginUpdateBlock();
  SetZoomPercent(z);
  SetScrollXY(int(std::lround(ix * zoomFactor_ - (x - offsetX_))), int(std::lround(iy * zoomFactor_ - (y - offsetY_))));
  EndUpdateBlock();
}

bool TOrvexView::ScrollKey(int key) {
  int maxX, maxY;
  MaxScroll(maxX, maxY);
  if (maxX == 0 && maxY == 0) return false;
  // Page keys move along the axis that scrolls, the vertical one first.
  const Qt::Orientation pageAxis = maxY > 0 ? Qt::Vertical : Qt::Horizontal;
  switch (key) {
    case Qt::Key_Left: ScrollRequest(Qt::Horizontal, srLineUp); break;
    case Qt::Key_Right: ScrollRequest(Qt::Horizontal, srLineDown); break;
    case Qt::Key_Up: ScrollRequest(Qt::Vertical, srLineUp); break;
    case Qt::Key_Down: ScrollRequest(Qt::Vertical, srLineDown); break;
    case Qt::Key_PageUp: ScrollRequest(pageAxis, srPageUp); break;
    case Qt::Key_PageDown: ScrollRequest(pageAxis, srPageDown); break;
    case Qt::Key_Home: SetScrollXY(0, 0); break;
    case Qt::Key_End: SetScrollXY(maxX, maxY); break;
    default: return false;
  }
  return true;
}

bool TOrvexView::PanPress(QMouseEvent* e, QPoint raw) {
  if (e->button() != Qt::MiddleButton || panning_ || buttonDown_) return panning_;
  panning_ = true;
  panX_ = raw.x();
  panY_ = raw.y();
  panScrollX_ = scrollX_;
  panScrollY_ = scrollY_;
  QGuiApplication::setOverrideCursor(ViewCursor(crHand));
  return true;
}

bool TOrvexView::PanMove(QPoint raw) {
  if (!panning_) return false;
  SetScrollXY(panScrollX_ + panX_ - raw.x(), panScrollY_ + panY_ - raw.y());
  return true;
}

bool TOrvexView::PanRelease(QMouseEvent* e, QPoint raw) {
  if (!panning_) return false;
  if (e->button() != Qt::MiddleButton) return true;
  PanMove(raw);
  panning_ = false;
  QGuiApplication::restoreOverrideCursor();
  return true;
}

}  // namespace ox
