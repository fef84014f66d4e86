// Window states through QWidget: changing window flags re-creates the native window, so it is shown again.
#include "platform/window/WindowQt.h"

#include <QWidget>

#include <algorithm>

namespace platform {

void TWindowQt::SetOpacity(int alpha) { window_->setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0); }

void TWindowQt::SetFlag(int flag, bool on) {
  const bool visible = window_->isVisible();
  Qt::WindowFlags flags = window_->windowFlags();
  flags.setFlag(Qt::WindowType(flag), on);
  if (flags == window_->windowFlags()) return;
  window_->setWindowFlags(flags);
  if (visible) window_->show();
}

void TWindowQt::SetStayOnTop(bool on) { SetFlag(Qt::WindowStaysOnTopHint, on); }

void TWindowQt::SetFullScreen(bool on) {
  if (on)
    window_->showFullScreen();
  else if (window_->isFullScreen())
    window_->showNormal();
}

bool TWindowQt::IsFullScreen() const { return window_->isFullScreen(); }

void TWindowQt::SetTitleBarVisible(bool visible) { SetFlag(Qt::FramelessWindowHint, !visible); }

}  // namespace platform
