// TOXView: base window of the image views: background colour, border, resolution, mouse enter/leave, subscribers.
#include "imaging/view/OXView.h"

#include <QPainter>

#include "platform/system/QtSystem.h"
#include "platform/ui/QtColor.h"

namespace ox {

using platform::ToQColor;

TOXView::TOXView(QWidget* parent, const platform::ISystem* system)
    : QWidget(parent),
      ownSystem_(system ? nullptr : std::make_unique<platform::TQtSystem>()),
      system_(system ? system : ownSystem_.get()) {
  dpiX_ = system_->LogicalDpiX();
  dpiY_ = system_->LogicalDpiY();
  // Opaque: every pixel of the client comes from the back buffer, so Qt need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

TOXView::~TOXView() {
  const auto list = std::move(subscribers_);
  for (const TSubscriber& s : list) s.proc(s.subscriber, 1);
}

void TOXView::SetBackground(gfx::TColor c) { background_ = c; }

void TOXView::SetBorderStyle(TOXBorderStyle s) {
  if (s == borderStyle_) return;
  borderStyle_ = s;
  BorderChanged();
}

void TOXView::SetCtl3D(bool on) {
  if (on == ctl3D_) return;
  ctl3D_ = on;
  BorderChanged();
}

int TOXView::BorderWidth() const {
  if (borderStyle_ == bsNone) return 0;
  return ctl3D_ ? system_->Edge3DWidth() : 1;
}

void TOXView::SetDpiX(int v) {
  if (v != 0) dpiX_ = v;
}
void TOXView::SetDpiY(int v) {
  if (v != 0) dpiY_ = v;
}
void TOXView::SetDpi(int x, int y) {
  SetDpiX(x);
  SetDpiY(y);
}

void TOXView::Subscribe(TOXSubscriberProc proc, void* subscriber) {
  if (proc) subscribers_.push_back({proc, subscriber});
}

void TOXView::Unsubscribe(TOXSubscriberProc proc) {
  for (auto it = subscribers_.begin(); it != subscribers_.end(); ++it)
    if (it->proc == proc) {
      subscribers_.erase(it);
      return;
    }
}

void TOXView::NotifySubscribers() {
  // A callback may unsubscribe itself; work on a copy.
  const auto list = subscribers_;
  for (const TSubscriber& s : list) s.proc(s.subscriber, 0);
}

void TOXView::PaintBorder(QPainter& p) const {
  const int w = width(), h = height();
  if (borderStyle_ == bsNone || w < 2 || h < 2) return;
  auto ring = [&](int i, gfx::TColor tl, gfx::TColor br) {
    p.setPen(ToQColor(tl));
    p.drawLine(i, i, w - 2 - i, i);
    p.drawLine(i, i, i, h - 2 - i);
    p.setPen(ToQColor(br));
    p.drawLine(i, h - 1 - i, w - 1 - i, h - 1 - i);
    p.drawLine(w - 1 - i, i, w - 1 - i, h - 1 - i);
  };
  if (!ctl3D_) {
    ring(0, system_->SysColor(platform::scWindowFrame), system_->SysColor(platform::scWindowFrame));
    return;
  }
  ring(0, system_->SysColor(platform::scBtnShadow), system_->SysColor(platform::scBtnHighlight));
  ring(1, system_->SysColor(platform::sc3DDkShadow), system_->SysColor(platform::sc3DLight));
  // Wider edges of other metrics are filled with the face colour.
  for (int i = 2; i < BorderWidth(); ++i) ring(i, system_->SysColor(platform::scBtnFace), system_->SysColor(platform::scBtnFace));
}

void TOXView::enterEvent(QEnterEvent* e) {
  QWidget::enterEvent(e);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TOXView::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  if (OnMouseLeave) OnMouseLeave(this);
}

}  // namespace ox
