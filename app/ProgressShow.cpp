// The delayed progress bar of the main window's status bar.
#include "app/ProgressShow.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <algorithm>

namespace app {

TProgressShow::TProgressShow(QProgressBar* bar, TClock clock) : Clock(std::move(clock)), bar_(bar) {
  bar_->setRange(0, 100);
  bar_->hide();
}

void TProgressShow::Begin() {
  if (depth_++ == 0) start_ = Clock();
}

void TProgressShow::End() {
  if (depth_ == 0 || --depth_ > 0) return;
  bar_->hide();
  bar_->setValue(0);
}

void TProgressShow::Report(int percent) {
  if (depth_ == 0) return;
  if (bar_->isHidden()) {
    if (Clock() - start_ < kShowAfterMs) return;
    bar_->show();
    // The work runs inside an event handler: only the bar's own layout request is handled here, so that no
    // input or timer runs in the middle of the work.
    if (QWidget* owner = bar_->parentWidget()) QCoreApplication::sendPostedEvents(owner, QEvent::LayoutRequest);
  }
  const int value = std::clamp(percent, 0, 100);
  if (value == bar_->value()) return;
  bar_->setValue(value);
  bar_->repaint();
}

}  // namespace app
