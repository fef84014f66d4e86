// TOrvexView: the single-image view control (zoom, fit, centring, scroll bars, wheel, background, back buffer).
#include "imaging/view/OrvexView.h"

#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "imaging/model/Rounding.h"
#include "imaging/view/OrvexCursors.h"

namespace ox {

namespace {

constexpr double kZoomSteps[] = {2, 5, 10, 25, 33, 50, 75, 100};
constexpr int kScrollUnits = 65536;  // scroll bars run over 0 ... 65535

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_End: case Qt::Key_Home:
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down: return true;
    default: return false;
  }
}

}  // namespace

TOrvexView::TOrvexView(QWidget* parent, const platform::ISystem* system) : TOXView(parent, system) {
  image_ = gfx::TDib(0, 0, gfx::TPixelFormat::pf24bit);
  selectionMask_.Allocate(0, 0, 1);
  alphaMask_.Allocate(0, 0, 8);
  alphaMask_.Fill(255);
  hbar_ = new QScrollBar(Qt::Horizontal, this);  // owned by the widget tree
  vbar_ = new QScrollBar(Qt::Vertical, this);
  for (QScrollBar* bar : {hbar_, vbar_}) {
    bar->hide();
    bar->setTracking(false);  // values change only through ScrollRequest
    bar->setFocusPolicy(Qt::NoFocus);
    const Qt::Orientation o = bar->orientation();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, o](int action) {
      switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: ScrollRequest(o, srLineDown); break;
        case QAbstractSlider::SliderSingleStepSub: ScrollRequest(o, srLineUp); break;
        case QAbstractSlider::SliderPageStepAdd: ScrollRequest(o, srPageDown); break;
        case QAbstractSlider::SliderPageStepSub: ScrollRequest(o, srPageUp); break;
        case QAbstractSlider::SliderToMinimum: ScrollRequest(o, srTop); break;
        case QAbstractSlider::SliderToMaximum: ScrollRequest(o, srBottom); break;
        case QAbstractSlider::SliderMove: ScrollRequest(o, srThumbTrack, bar->sliderPosition()); return;
        default: return;
      }
      MoveThumbs();  // our position wins over the slider's own step
    });
    connect(bar, &QAbstractSlider::sliderReleased, this,
            [this, bar, o] { ScrollRequest(o, srThumbPosition, bar->sliderPosition()); });
  }
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);  // the grips and the selected pixels change the cursor without a button held
  resize(105, 105);
  ApplyCursor();
  connect(&timer_, &QTimer::timeout, this, &TOrvexView::TimerTick);
  timer_.start(210);
  // Auto-scroll goes on while the pointer is held outside the picture, also when it does not move.
  autoScrollTimer_.setInterval(50);
  connect(&autoScrollTimer_, &QTimer::timeout, this, &TOrvexView::AutoScrollTick);
  UpdateLayout();
}

TOrvexView::~TOrvexView() {
  destroying_ = true;
  timer_.stop();
  autoScrollTimer_.stop();
  if (scrolling_) QGuiApplication::restoreOverrideCursor();
  if (panning_) QGuiApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- image

void TOrvexView::NotifyImageChange() {
  if (OnImageChange) OnImageChange(this);
}

void TOrvexView::SetBackground(gfx::TColor c) {
  TOXView::SetBackground(c);
  UpdateLayout();
  NotifyImageChange();
}

void TOrvexView::FillBackground() {
  gfx::TCanvas& cv = image_.Canvas();
  cv.Brush = {System().ResolveColor(Background()), gfx::TBrushStyle::bsSolid};
  cv.FillRect({0, 0, image_.Width(), image_.Height()});
  UpdateLayout();
}

void TOrvexView::MakeBlank() {
  image_.SetSize(1, 1);
  FillBackground();
}

void TOrvexView::Assign(const TOrvexView* source) {
  if (!source) {
    FillBackground();
    return;
  }
  if (source == this) return;
  image_.Assign(source->image_);
  alphaMask_.Assign(&source->alphaMask_);
  TOXView::SetBackground(source->Background());
  SetDpi(source->DpiX(), source->DpiY());
  UpdateLayout();
  NotifyImageChange();
}

void TOrvexView::Assign(const gfx::TDib* source) {
  if (!source) {
    FillBackground();
    return;
  }
  const gfx::TPixelFormat f = source->PixelFormat();
  if (f == gfx::TPixelFormat::pf24bit || f == gfx::TPixelFormat::pf1bit) {
    image_.Assign(*source);
  } else {
    image_ = gfx::TDib(source->Width(), source->Height(), gfx::TPixelFormat::pf24bit);
    image_.Canvas().Draw(0, 0, *source);
  }
  UpdateLayout();
  NotifyImageChange();
}

bool TOrvexView::CopySelectionTo(gfx::TDib& dib) const {
  const TOXMask& m = selectionMask_;
  if (m.IsEmpty() || m.Width != image_.Width() || m.Height != image_.Height()) return false;
  dib = gfx::TDib(m.X2 - m.X1 + 1, m.Y2 - m.Y1 + 1, image_.PixelFormat());
  if (image_.PixelFormat() != gfx::TPixelFormat::pf24bit) {
    dib.SetPalette(image_.Palette());
    dib.SetMonochrome(image_.Monochrome());
  }
  m.CopyMasked(dib, image_, false, true);
  return true;
}

void TOrvexView::DrawVisibleTo(gfx::TCanvas& canvas) {
  if (image_.Empty() || zoomedW_ <= 0 || zoomedH_ <= 0 || drawW_ <= 0 || drawH_ <= 0) return;
  const TOXViewGeometry g = Geometry();
  const int sw = int(Round(double(image_.Width()) / zoomedW_ * drawW_));
  const int sh = int(Round(double(image_.Height()) / zoomedH_ * drawH_));
  const gfx::TRect src{g.SrcX, g.SrcY, std::min(g.SrcX + sw, image_.Width()), std::min(g.SrcY + sh, image_.Height())};
  if (src.IsEmpty()) return;
  if (zoomFilter_ != rfNone && zoom_ != 100) {
    gfx::TDib zoomed;
    if (ZoomFiltered(image_, src, drawW_, drawH_, false, zoomFilter_, zoomed)) {
      canvas.Draw(0, 0, zoomed);
      return;
    }
  }
  canvas.CopyRect({0, 0, drawW_, drawH_}, image_, src);
}

// ---------------------------------------------------------------- geometry

TOXViewGeometry TOrvexView::Geometry() const {
  TOXViewGeometry g;
  g.ImageW = image_.Width();
  g.ImageH = image_.Height();
  g.ZoomPercent = zoom_;
  g.ZoomFactor = zoomFactor_;
  g.ScrollX = scrollX_;
  g.ScrollY = scrollY_;
  g.ZoomedW = zoomedW_;
  g.ZoomedH = zoomedH_;
  g.DrawW = drawW_;
  g.DrawH = drawH_;
  g.OffsetX = offsetX_;
  g.OffsetY = offsetY_;
  ComputeVisibleRect(g);
  return g;
}

bool TOrvexView::HasParentWindow() const { return parentWidget() != nullptr || testAttribute(Qt::WA_WState_Created); }

int TOrvexView::ScrollBarExtent() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

QRect TOrvexView::ClientRect() const {
  const int b = BorderWidth(), ext = ScrollBarExtent();
  const int w = std::max(width() - 2 * b - (vbarShown_ ? ext : 0), 0);
  const int h = std::max(height() - 2 * b - (hbarShown_ ? ext : 0), 0);
  return QRect(b, b, w, h);
}

int TOrvexView::ExtentX() const { return HasParentWindow() ? ClientRect().width() : 50; }
int TOrvexView::ExtentY() const { return HasParentWindow() ? ClientRect().height() : 50; }

void TOrvexView::MaxScroll(int& maxX, int& maxY) const {
  const int64_t zw = Trunc(image_.Width() * zoomFactor_), zh = Trunc(image_.Height() * zoomFactor_);
  maxX = maxY = 0;
  if (zw < 1 || zh < 1) return;
  // A picture that fits the outer size needs no scroll bars, even when the client is smaller.
  if (width() >= zw && height() >= zh) return;
  maxX = int(std::clamp<int64_t>(zw - ExtentX(), 0, INT32_MAX));
  maxY = int(std::clamp<int64_t>(zh - ExtentY(), 0, INT32_MAX));
}

int TOrvexView::ClientToImageX(int x) const {
  const TOXViewGeometry g = Geometry();
  return int(Trunc((x - offsetX_) * invZoom_ + g.SrcX));
}
int TOrvexView::ClientToImageY(int y) const {
  const TOXViewGeometry g = Geometry();
  return int(Trunc((y - offsetY_) * invZoom_ + g.SrcY));
}
int TOrvexView::ImageToClientX(int x) const {
  return int(Round((double(Round(-scrollX_ * invZoom_)) + x) * zoomFactor_ + offsetX_));
}
int TOrvexView::ImageToClientY(int y) const {
  return int(Round((double(Round(-scrollY_ * invZoom_)) + y) * zoomFactor_ + offsetY_));
}

void TOrvexView::CropMargins(int& mx, int& my) const {
  mx = my = 0;
  if (bgStyle_ == oxbsCropped) mx = System().Edge3DWidth(), my = System().Edge3DHeight();
  else if (bgStyle_ == oxbsCropShadow) mx = my = 5;
}

void TOrvexView::ViewChanged(int change) {
  if (OnViewChange) OnViewChange(this, change);
}

// Only a change that starts from a zoom other than 100 waits for the filter.
void TOrvexView::ArmFilterDelay() {
  if (DelayZoomFilter && zoomFilter_ != rfNone && zoom_ != 100) filterDelay_ = selectionDelay_ = 2;
}

void TOrvexView::SetZoomPercent(double z) {
  if (!(z > 0) || z == zoom_ || !std::isfinite(z)) return;
  ArmFilterDelay();
  BeginUpdateBlock();
  const double f = z / 100;
  int maxX, maxY;
  MaxScroll(maxX, maxY);
  const int cx = ExtentX() / 2, cy = ExtentY() / 2;
  const double colX = double(Round((cx + scrollX_ - offsetX_) * invZoom_));
  const double colY = double(Round((cy + scrollY_ - offsetY_) * invZoom_));
  scrollX_ = int(std::clamp<int64_t>(Trunc(colX * f - cx), 0, maxX));
  scrollY_ = int(std::clamp<int64_t>(Trunc(colY * f - cy), 0, maxY));
  zoom_ = z;
  zoomFactor_ = f;
  invZoom_ = 100 / z;
  UpdateLayout();
  EndUpdateBlockQuiet();
  PaintNow();
  BeginUpdateBlock();
  UpdateLayout();
  EndUpdateBlockQuiet();
  ViewChanged(1);
}

void TOrvexView::ZoomToFit() {
  if (image_.Empty()) return;
  int mx, my;
  CropMargins(mx, my);
  SetZoomPercent(FitZoom(width() - 2.0 * mx, height() - 2.0 * my));
}

void TOrvexView::ZoomAroundPoint(int x, int y, double z) {
  BeginUpdateBlock();
  const int ix = ClientToImageX(x), iy = ClientToImageY(y);
  SetZoomPercent(z);
  SetScrollXY(int(Trunc(ix * z / 100 - ExtentX() / 2)), int(Trunc(iy * z / 100 - ExtentY() / 2)));
  EndUpdateBlock();
}

void TOrvexView::SetScrollXY(int x, int y) {
  int maxX, maxY;
  MaxScroll(maxX, maxY);
  x = std::clamp(x, 0, maxX);
  y = std::clamp(y, 0, maxY);
  if (x == scrollX_ && y == scrollY_) return;
  ArmFilterDelay();
  scrollX_ = x;
  scrollY_ = y;
  dirty_ = true;
  PaintNow();
  ViewChanged(0);
  MoveThumbs();
}

double TOrvexView::ZoomInStep(double zoom) {
  if (zoom >= 100) return zoom + 100;
  for (double s : kZoomSteps)
    if (s > zoom) return s;
  return 100;
}

double TOrvexView::ZoomOutStep(double zoom) {
  if (zoom >= 200) return zoom - 100;
  double best = 2;
  for (double s : kZoomSteps)
    if (s < zoom) best = s;
  return best;
}

void TOrvexView::ZoomInAt(int x, int y) {
  double z = ZoomInStep(zoom_);
  if (OnZoomIn) OnZoomIn(this, z);
  if (z != zoom_) ZoomAroundPoint(x, y, z);
}

void TOrvexView::ZoomOutAt(int x, int y) {
  double z = ZoomOutStep(zoom_);
  if (OnZoomOut) OnZoomOut(this, z);
  if (z != zoom_) ZoomAroundPoint(x, y, z);
}

// ---------------------------------------------------------------- selection

int TOrvexView::SelX1() const {
  int x1, y1, x2, y2;
  selection_.SelBox(x1, y1, x2, y2);
  return x1;
}
int TOrvexView::SelY1() const {
  int x1, y1, x2, y2;
  selection_.SelBox(x1, y1, x2, y2);
  return y1;
}
int TOrvexView::SelX2() const {
  int x1, y1, x2, y2;
  selection_.SelBox(x1, y1, x2, y2);
  return x2;
}
int TOrvexView::SelY2() const {
  int x1, y1, x2, y2;
  selection_.SelBox(x1, y1, x2, y2);
  return y2;
}

void TOrvexView::SelectRect(int x1, int y1, int x2, int y2, bool append) {
  if (selection_.MakeRect(x1, y1, x2, y2, append, false, SelectionBase == oxsbClientArea)) selection_.End();
}

void TOrvexView::AddSelectionPoint(int x, int y) { selection_.AddPoint(x, y, SelectionBase == oxsbClientArea); }

void TOrvexView::EndSelection() { selection_.End(); }

void TOrvexView::ClearSelection() { selection_.Clear(); }

void TOrvexView::ZoomToSelection() {
  if (!selection_.HasSelection) return;
  int x1, y1, x2, y2;
  selection_.SelBox(x1, y1, x2, y2);
  const int64_t w = int64_t(x2) - x1 + 1, h = int64_t(y2) - y1 + 1;
  if (w < 2 || h < 2) return;
  BeginUpdateBlock();
  ClearSelection();
  SetZoomPercent(std::min(ExtentY() / (h / 100.0), ExtentX() / (w / 100.0)));
  const double z = zoom_ / 100;
  const int64_t sx = Trunc(x1 * z) - (ExtentX() - Trunc(w * z)) / 2;
  const int64_t sy = Trunc(y1 * z) - (ExtentY() - Trunc(h * z)) / 2;
  SetScrollXY(int(std::clamp<int64_t>(sx, INT32_MIN, INT32_MAX)), int(std::clamp<int64_t>(sy, INT32_MIN, INT32_MAX)));
  EndUpdateBlock();
}

void TOrvexView::ShiftMouseAnchors(int dx, int dy) {
  selection_.LastX -= dx;
  selection_.RubberX -= dx;
  selection_.LastY -= dy;
  selection_.RubberY -= dy;
}

// ---------------------------------------------------------------- layout

void TOrvexView::BeginUpdateBlock() { ++updateBlock_; }

void TOrvexView::EndUpdateBlock() {
  if (updateBlock_ > 0) --updateBlock_;
  if (updateBlock_ == 0) UpdateLayout();
}

void TOrvexView::EndUpdateBlockQuiet() {
  if (updateBlock_ > 0) --updateBlock_;
}

bool TOrvexView::LayoutPass() {
  const int oldX = ExtentX(), oldY = ExtentY();
  const int w = image_.Width(), h = image_.Height();
  if (autoFit_ && !image_.Empty()) {
    int mx, my;
    CropMargins(mx, my);
    const double z = std::max(FitZoom(oldX - 2.0 * mx, oldY - 2.0 * my), 1.0);
    if (z != zoom_) {  // firing only on a change keeps handlers that lay out again from looping
      zoom_ = z;
      zoomFactor_ = z / 100;
      invZoom_ = 100 / z;
      ViewChanged(1);
    }
  }
  if (w != lastImageW_ || h != lastImageH_) {
    lastImageW_ = w;
    lastImageH_ = h;
    selection_.Drop();
    selectionMask_.Allocate(std::max(w, 0), std::max(h, 0), 1);
    if (alphaMask_.Width != w || alphaMask_.Height != h) {
      alphaMask_.Allocate(std::max(w, 0), std::max(h, 0), 8);
      alphaMask_.Fill(255);
    }
  }
  int maxX, maxY;
  MaxScroll(maxX, maxY);
  const int sx = std::clamp(scrollX_, 0, maxX), sy = std::clamp(scrollY_, 0, maxY);
  if (sx != scrollX_ || sy != scrollY_) {
    scrollX_ = sx;
    scrollY_ = sy;
    ViewChanged(0);
  }
  if (!HasParentWindow()) return false;
  const bool wantH = (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && maxX >= 1;
  const bool wantV = (scrollBars_ == ssVertical || scrollBars_ == ssBoth) && maxY >= 1;
  hbarShown_ = wantH;
  vbarShown_ = wantV;
  PlaceScrollBars();
  auto setBar = [](QScrollBar* bar, double scale, int extent, int pos) {
    const int page = int(std::clamp<int64_t>(Trunc(extent / scale), 1, kScrollUnits));
    const QSignalBlocker block(bar);
    bar->setRange(0, kScrollUnits - page);
    bar->setPageStep(page);
    bar->setValue(int(Trunc(pos / scale)));
  };
  if (wantH) {
    hScale_ = (double(ExtentX()) + maxX) / kScrollUnits;
    setBar(hbar_, hScale_, ExtentX(), scrollX_);
  }
  if (wantV) {
    vScale_ = (double(ExtentY()) + maxY) / kScrollUnits;
    setBar(vbar_, vScale_, ExtentY(), scrollY_);
  }
  return ExtentX() != oldX || ExtentY() != oldY;
}

void TOrvexView::UpdateLayout() {
  if (destroying_) return;
  // A bar that appears shrinks the client, which may call for the other bar; three passes settle every case,
  // and the bound keeps a picture on the edge from flipping the bars forever.
  for (int pass = 0; pass < 3 && LayoutPass(); ++pass) {
  }
  zoomedW_ = int(std::clamp<int64_t>(Round(image_.Width() * zoomFactor_), 0, INT32_MAX));
  zoomedH_ = int(std::clamp<int64_t>(Round(image_.Height() * zoomFactor_), 0, INT32_MAX));
  offsetX_ = offsetY_ = 0;
  drawW_ = std::min(zoomedW_, ExtentX());
  drawH_ = std::min(zoomedH_, ExtentY());
  if (center_ && drawW_ < ExtentX()) offsetX_ = (ExtentX() - drawW_) / 2;
  if (center_ && drawH_ < ExtentY()) offsetY_ = (ExtentY() - drawH_) / 2;
  Invalidate();
}

void TOrvexView::Invalidate() {
  dirty_ = true;
  if (HasParentWindow()) update();
}

void TOrvexView::PlaceScrollBars() {
  const int b = BorderWidth(), ext = ScrollBarExtent();
  const QRect c = ClientRect();
  hbar_->setGeometry(b, c.bottom() + 1, c.width(), ext);
  vbar_->setGeometry(c.right() + 1, b, ext, c.height());
  hbar_->setVisible(hbarShown_);
  vbar_->setVisible(vbarShown_);
}

void TOrvexView::MoveThumbs() {
  auto move = [](QScrollBar* bar, bool shown, double scale, int pos) {
    if (!shown || bar->isSliderDown() || scale <= 0) return;
    const QSignalBlocker block(bar);
    bar->setValue(int(Trunc(pos / scale)));
  };
  move(hbar_, hbarShown_, hScale_, scrollX_);
  move(vbar_, vbarShown_, vScale_, scrollY_);
}

// ---------------------------------------------------------------- properties

void TOrvexView::SetZoomFilter(TResampleFilter f) {
  zoomFilter_ = f;
  UpdateLayout();
}
void TOrvexView::SetScrollBars(TOXScrollBars s) {
  scrollBars_ = s;
  UpdateLayout();
}
void TOrvexView::SetCenter(bool c) {
  center_ = c;
  UpdateLayout();
}
void TOrvexView::SetAlphaBackground(TOXAlphaBackground b) {
  alphaBackground_ = b;
  UpdateLayout();
}
void TOrvexView::SetAutoFit(bool a) {
  autoFit_ = a;
  UpdateLayout();
}
void TOrvexView::SetBackgroundStyle(TOXBackgroundStyle s) {
  bgStyle_ = s;
  UpdateLayout();
}
TOXMouseInteract TOrvexView::CombineMouseInteract(TOXMouseInteract oldSet, TOXMouseInteract newSet) {
  const TOXMouseInteract added = newSet & ~oldSet;
  auto is = [added](TOXMouseInteractItem i) { return (added & MouseBit(i)) != 0; };
  const TOXMouseInteract zoom = MouseBit(miZoom);
  if (is(miScroll)) return newSet & (zoom | MouseBit(miScroll));
  if (is(miSelect)) return newSet & (zoom | MouseBit(miSelect));
  if (is(miSelectPolygon)) return newSet & MouseBit(miSelectPolygon);
  if (is(miSelectCircle)) return newSet & (zoom | MouseBit(miSelectCircle));
  if (is(miSelectLasso)) return newSet & (zoom | MouseBit(miSelectLasso));
  if (is(miSelectZoom)) return newSet & (zoom | MouseBit(miSelectZoom));
  if (is(miZoom)) return newSet & TOXMouseInteract(~(MouseBit(miSelectPolygon) | MouseBit(miSelectMagicWand)));
  if (is(miSelectMagicWand)) return newSet & MouseBit(miSelectMagicWand);
  return newSet;
}

void TOrvexView::SetMouseInteract(TOXMouseInteract m) {
  const TOXMouseInteract n = CombineMouseInteract(mouseInteract_, m);
  if (n == mouseInteract_) return;
  mouseInteract_ = n;
  if (!SelectModeOn()) SetHoverCursor(-1);
}

bool TOrvexView::SelectModeOn() const {
  return (mouseInteract_ & ~(MouseBit(miZoom) | MouseBit(miScroll))) != 0;
}

void TOrvexView::SetSelectionOptions(TOXSelectionOptions o) {
  selectionOptions_ = o;
  selection_.Record.Animated = (o & SelectionBit(oxsoAnimated)) != 0;
  selection_.Record.Sizeable = (o & SelectionBit(oxsoSizeable)) != 0;
  UpdateLayout();
}
void TOrvexView::SetEnableAlphaChannel(bool e) {
  enableAlpha_ = e;
  UpdateLayout();
}
void TOrvexView::SetCursorId(int id) {
  cursorId_ = id;
  ApplyCursor();
}
int TOrvexView::ShownCursorId() const { return shiftDown_ ? ShiftedCursor(cursorId_) : cursorId_; }
void TOrvexView::ApplyCursor() { setCursor(ViewCursor(hoverCursor_ >= 0 ? hoverCursor_ : ShownCursorId())); }

void TOrvexView::SetHoverCursor(int id) {
  if (hoverCursor_ == id) return;
  hoverCursor_ = id;
  ApplyCursor();
}

// ---------------------------------------------------------------- scrolling, wheel, timer

void TOrvexView::ScrollRequest(Qt::Orientation bar, TOXScrollRequest request, int position) {
  const bool horz = bar == Qt::Horizontal;
  const TOXScrollBarParams& p = horz ? HScrollParams : VScrollParams;
  const int extent = horz ? ExtentX() : ExtentY();
  const int cur = horz ? scrollX_ : scrollY_;
  const double scale = horz ? hScale_ : vScale_;
  const int64_t s = std::max<int64_t>(Trunc(zoomFactor_), 1);
  const int64_t line = p.LineStep == -1 ? s : s * p.LineStep;
  const int64_t page = p.PageStep == -1 ? extent : s * p.PageStep;
  int64_t v;
  switch (request) {
    case srLineUp: v = cur - line; break;
    case srLineDown: v = cur + line; break;
    case srPageUp: v = cur - page; break;
    case srPageDown: v = cur + page; break;
    case srThumbTrack:
      if (!p.Tracking) return;
      v = Trunc(position * scale);
      break;
    case srThumbPosition: v = Trunc(position * scale); break;
    case srTop: v = 0; break;
    case srBottom: {
      int mx, my;
      MaxScroll(mx, my);
      v = horz ? mx : my;
      break;
    }
    default: return;
  }
  const int nv = int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  if (horz) SetScrollX(nv); else SetScrollY(nv);
}

bool TOrvexView::WheelNotch(int direction, const QPoint* at) {
  const TOXMouseWheelParams& w = WheelParams;
  if (w.Action == oxwaNone) return false;
  const int dir = w.InvertWheel ? -direction : direction;
  if (w.Action == oxwaVScroll) {
    const int64_t amount = w.Variation == oxwvAbsolute
                               ? int64_t(dir) * w.Value * std::max<int64_t>(Trunc(zoomFactor_), 1)
                               : dir * std::max<int64_t>(Round(ExtentY() * double(w.Value) / 100), 1);
    SetScrollY(int(std::clamp<int64_t>(scrollY_ + amount, INT32_MIN, INT32_MAX)));
  } else {
    const double amount = w.Variation == oxwvAbsolute ? double(dir) * w.Value
                                                      : double(dir * std::max<int64_t>(Round(zoom_ * w.Value / 100), 1));
    if (w.AtCursor && at)
      ZoomKeepingPoint(at->x(), at->y(), zoom_ + amount);
    else
      SetZoomPercent(zoom_ + amount);
  }
  return true;
}

void TOrvexView::TimerTick() {
  bool ants = selection_.TimerStep();
  if (filterDelay_ > 0 && --filterDelay_ == 0) UpdateLayout();
  // The finished outline waits for the filtered picture; it comes back when the countdown ends.
  if (selectionDelay_ > 0 && --selectionDelay_ == 0) ants = ants || selection_.Record.Visible;
  if (ants) {
    overlayDirty_ = true;
    if (HasParentWindow()) update(ClientRect());
  }
}

// ---------------------------------------------------------------- rendering

TOXRenderInput TOrvexView::RenderInput(const TOXViewGeometry& g) const {
  TOXRenderInput in;
  in.Image = &image_;
  in.AlphaSizeOk = alphaMask_.Width == image_.Width() && alphaMask_.Height == image_.Height();
  in.Alpha = enableAlpha_ && !alphaMask_.Full && !alphaMask_.Data.empty() ? &alphaMask_ : nullptr;
  in.Geometry = g;
  in.Style = bgStyle_;
  in.Background = Background();
  in.System = &System();
  in.Filter = zoomFilter_;
  in.FilterDelay = filterDelay_;
  in.Center = center_;
  in.AlphaChessboard = alphaBackground_ == oxabChessboard;
  return in;
}

void TOrvexView::RenderFast(gfx::TDib& dib, uint8_t* const* rowTable, const gfx::TRect& rect) {
  const TOXViewGeometry g = Geometry();
  RenderFastInto(dib, rowTable, rect, RenderInput(g));
  FinishRender(dib, g);
}

void TOrvexView::RenderFull(gfx::TDib& target) {
  const TOXViewGeometry g = Geometry();
  RenderFullInto(target, RenderInput(g));
  FinishRender(target, g);
}

void TOrvexView::FinishRender(gfx::TDib& dib, const TOXViewGeometry& g) {
  if (!(selectionOptions_ & SelectionBit(oxsoFilled)) || !selection_.Record.Visible || !selection_.HasSelection) return;
  selectionMask_.DrawInverted(dib, {g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH},
                              {g.SrcX, g.SrcY, g.SrcX + g.SrcW, g.SrcY + g.SrcH});
}

bool TOrvexView::PaintBackBuffer() {
  const int ex = ExtentX(), ey = ExtentY();
  if (!HasParentWindow() || ex <= 0 || ey <= 0 || updateBlock_ > 0) return false;
  if (backBuffer_.Width() != ex || backBuffer_.Height() != ey || backBuffer_.PixelFormat() != gfx::TPixelFormat::pf24bit) {
    backBuffer_ = gfx::TDib(ex, ey, gfx::TPixelFormat::pf24bit);
    rows_.resize(size_t(ey));
    for (int y = 0; y < ey; ++y) rows_[size_t(y)] = backBuffer_.ScanLine(y);
    dirty_ = true;
  }
  bool rendered = false;
  if (dirty_) {
    // The whole buffer is rendered: a partial expose must not leave stale parts behind a cleared Dirty.
    if (zoomFilter_ != rfNone) RenderFull(backBuffer_);
    else RenderFast(backBuffer_, rows_.data(), {0, 0, ex, ey});
    dirty_ = false;
    ++renderCount_;
    rendered = true;
  }
  if (rendered || overlayDirty_ || !screen_ || screen_->width() != ex || screen_->height() != ey) ComposeScreen();
  return true;
}

void TOrvexView::ComposeScreen() {
  const int ex = backBuffer_.Width(), ey = backBuffer_.Height();
  const gfx::TDib* src = &backBuffer_;
  if (selection_.Record.Visible) {
    // The outline goes over a copy, so that the next tick starts again from the clean picture.
    if (frame_.Width() != ex || frame_.Height() != ey) frame_ = gfx::TDib(ex, ey, gfx::TPixelFormat::pf24bit);
    std::copy_n(backBuffer_.Bits(), backBuffer_.ByteSize(), frame_.Bits());
    selection_.DrawOverlay(frame_, selectionDelay_ == 0);
    src = &frame_;
  }
  if (!screen_ || screen_->width() != ex || screen_->height() != ey)
    screen_ = std::make_unique<QImage>(ex, ey, QImage::Format_RGB32);
  for (int y = 0; y < ey; ++y) {
    const uint8_t* s = src->ScanLine(y);
    auto* d = reinterpret_cast<uint32_t*>(screen_->scanLine(y));
    for (int x = 0; x < ex; ++x, s += 3) d[x] = 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
  }
  overlayDirty_ = false;
}

void TOrvexView::SelectionRedraw() {
  overlayDirty_ = true;
  if (selectionOptions_ & SelectionBit(oxsoFilled)) dirty_ = true;
  if (HasParentWindow()) update(ClientRect());
}

void TOrvexView::PaintNow() {
  if (isVisible() && updateBlock_ == 0) repaint(ClientRect());
}

void TOrvexView::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  PaintBorder(p);
  const QRect client = ClientRect();
  if (hbarShown_ && vbarShown_) {
    const gfx::TColor face = System().SysColor(platform::scBtnFace);
    p.fillRect(client.right() + 1, client.bottom() + 1, ScrollBarExtent(), ScrollBarExtent(),
               QColor(gfx::RedOf(face), gfx::GreenOf(face), gfx::BlueOf(face)));
  }
  const bool painted = PaintBackBuffer();
  const QRect area = e->rect() & client;
  if (screen_ && screen_->width() == client.width() && screen_->height() == client.height()) {
    p.drawImage(area.topLeft(), *screen_, area.translated(-client.topLeft()));
  } else if (!area.isEmpty()) {
    const gfx::TColor c = System().ResolveColor(Background());
    p.fillRect(area, QColor(gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)));
  }
  if (painted && OnPaint) OnPaint(this);
}

void TOrvexView::resizeEvent(QResizeEvent* e) {
  TOXView::resizeEvent(e);
  UpdateLayout();
}

// ---------------------------------------------------------------- input

void TOrvexView::wheelEvent(QWheelEvent* e) {
  if (WheelParams.Action == oxwaNone) {
    e->ignore();
    return;
  }
  wheelRemainder_ += e->angleDelta().y();
  const QPoint at = e->position().toPoint() - ClientRect().topLeft();
  while (std::abs(wheelRemainder_) >= 120) {
    const int away = wheelRemainder_ > 0 ? 1 : -1;  // Qt: positive turns away from the user
    wheelRemainder_ -= away * 120;
    WheelNotch(-away, &at);
  }
  e->accept();
}

QPoint TOrvexView::ClampToPicture(QPoint p) const {
  return {std::clamp(p.x(), offsetX_, offsetX_ + drawW_), std::clamp(p.y(), offsetY_, offsetY_ + drawH_)};
}

void TOrvexView::mousePressEvent(QMouseEvent* e) {
  e->accept();
  if (PanPress(e, e->position().toPoint() - ClientRect().topLeft())) return;
  const bool zoomMode = (mouseInteract_ & MouseBit(miZoom)) != 0;
  if (buttonDown_ || (!zoomMode && e->button() != Qt::LeftButton)) return;
  setFocus(Qt::MouseFocusReason);
  const QPoint raw = e->position().toPoint() - ClientRect().topLeft();
  const QPoint pt = ClampToPicture(raw);
  buttonDown_ = true;
  moved_ = false;
  pressX_ = pt.x();
  pressY_ = pt.y();
  pressScrollX_ = scrollX_;
  pressScrollY_ = scrollY_;
  lastRaw_ = raw;
  lastModifiers_ = e->modifiers();
  if (!(mouseInteract_ & MouseBit(miScroll)) && zoomFilter_ != rfNone) {
    savedFilter_ = zoomFilter_;
    filterSaved_ = true;
    SetZoomFilter(rfNone);
  }
  if ((mouseInteract_ & MouseBit(miSelect)) && e->button() == Qt::LeftButton) {
    selecting_ = true;
    selection_.ButtonDown(pt.x(), pt.y());
  }
  if ((mouseInteract_ & MouseBit(miScroll)) && e->button() == Qt::LeftButton) {
    scrolling_ = true;
    QGuiApplication::setOverrideCursor(ViewCursor(crHand));
  }
}

void TOrvexView::mouseMoveEvent(QMouseEvent* e) {
  const QPoint raw = e->position().toPoint() - ClientRect().topLeft();
  const QPoint pt = ClampToPicture(raw);
  if (PanMove(raw)) return;
  if (!buttonDown_) {
    if (SelectModeOn()) SetHoverCursor(selection_.Hover(pt.x(), pt.y()));
    return;
  }
  if (pt.x() != pressX_ || pt.y() != pressY_) moved_ = true;
  lastRaw_ = raw;
  lastModifiers_ = e->modifiers();
  if (scrolling_) {
    SetScrollXY(pressScrollX_ + pressX_ - raw.x(), pressScrollY_ + pressY_ - raw.y());
  } else if (selecting_) {
    const bool scrolled = selection_.DragTo(pt.x(), pt.y(), raw.x(), raw.y(), (e->modifiers() & Qt::ShiftModifier) != 0,
                                            (e->modifiers() & Qt::AltModifier) != 0);
    if (scrolled) autoScrollTimer_.start();
    else autoScrollTimer_.stop();
  }
}

void TOrvexView::AutoScrollTick() {
  if (!buttonDown_ || !selecting_) {
    autoScrollTimer_.stop();
    return;
  }
  const QPoint pt = ClampToPicture(lastRaw_);
  if (!selection_.DragTo(pt.x(), pt.y(), lastRaw_.x(), lastRaw_.y(), (lastModifiers_ & Qt::ShiftModifier) != 0,
                         (lastModifiers_ & Qt::AltModifier) != 0))
    autoScrollTimer_.stop();
}

void TOrvexView::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint raw = e->position().toPoint() - ClientRect().topLeft();
  const QPoint pt = ClampToPicture(raw);
  if (PanRelease(e, raw)) return;
  if (buttonDown_ && e->buttons() == Qt::NoButton) {
    lastRaw_ = raw;
    MouseReleasedAt(pt.x(), pt.y(), e->button());
  }
  e->accept();
}

void TOrvexView::MouseReleasedAt(int x, int y, Qt::MouseButton button) {
  buttonDown_ = false;
  autoScrollTimer_.stop();
  if (selecting_) {
    selecting_ = false;
    selection_.ButtonUp(x, y);
  }
  if (filterSaved_) {
    filterSaved_ = false;
    SetZoomFilter(savedFilter_);
  }
  if (scrolling_) {
    SetScrollXY(pressScrollX_ + pressX_ - lastRaw_.x(), pressScrollY_ + pressY_ - lastRaw_.y());
    scrolling_ = false;
    QGuiApplication::restoreOverrideCursor();
  }
  if (!moved_ && (mouseInteract_ & MouseBit(miZoom))) {
    if (button == Qt::LeftButton) ZoomInAt(x, y);
    else if (button == Qt::RightButton) ZoomOutAt(x, y);
  }
}

void TOrvexView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Shift || (e->modifiers() & Qt::ShiftModifier)) {
    shiftDown_ = true;
    ApplyCursor();
  }
  if (IsNavigationKey(e->key())) {
    // A picture that fits leaves the keys to the window (next and previous picture there).
    if (ScrollKey(e->key())) e->accept();
    else e->ignore();
  } else {
    TOXView::keyPressEvent(e);
  }
}

void TOrvexView::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Shift || !(e->modifiers() & Qt::ShiftModifier)) {
    shiftDown_ = false;
    ApplyCursor();
  }
  TOXView::keyReleaseEvent(e);
}

bool TOrvexView::event(QEvent* e) {
  if (e->type() == QEvent::PaletteChange || e->type() == QEvent::ApplicationPaletteChange) {
    // System colours may have changed under the background and the cropped styles.
    Invalidate();
  }
  if (e->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (IsNavigationKey(k->key())) {
      // The view takes these keys itself and runs its key-up handling for them.
      e->accept();
      if (!(k->modifiers() & Qt::ShiftModifier) && shiftDown_) {
        shiftDown_ = false;
        ApplyCursor();
      }
      return true;
    }
  }
  return TOXView::event(e);
}

void TOrvexView::focusOutEvent(QFocusEvent* e) {
  TOXView::focusOutEvent(e);
  update();
}

}  // namespace ox
