// The real window states on a Qt top-level widget (X11 and Wayland through the Qt platform plugin).
#pragma once

#include "platform/window/Window.h"

class QWidget;

namespace platform {

class TWindowQt : public TWindowControl {
 public:
  explicit TWindowQt(QWidget* window) : window_(window) {}
  void SetOpacity(int alpha) override;
  void SetStayOnTop(bool on) override;
  void SetFullScreen(bool on) override;
  bool IsFullScreen() const override;
  void SetTitleBarVisible(bool visible) override;

 private:
  void SetFlag(int flag, bool on);
  QWidget* window_;
};

}  // namespace platform
