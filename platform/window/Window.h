// platform::window: what the main window asks of the window manager (opacity, stay-on-top, full screen).
#pragma once

namespace platform {

class TWindowControl {
 public:
  virtual ~TWindowControl() = default;
  // 0 .. 255; 255 is opaque.
  virtual void SetOpacity(int alpha) = 0;
  virtual void SetStayOnTop(bool on) = 0;
  // The window manager's full-screen state; leaving it restores the previous placement.
  virtual void SetFullScreen(bool on) = 0;
  virtual bool IsFullScreen() const = 0;
  virtual void SetTitleBarVisible(bool visible) = 0;
};

// Records the requested states.
class TWindowDouble : public TWindowControl {
 public:
  int Opacity = 255;
  bool StayOnTop = false, FullScreen = false, TitleBar = true;
  int Calls = 0;
  void SetOpacity(int alpha) override { Opacity = alpha, ++Calls; }
  void SetStayOnTop(bool on) override { StayOnTop = on, ++Calls; }
  void SetFullScreen(bool on) override { FullScreen = on, ++Calls; }
  bool IsFullScreen() const override { return FullScreen; }
  void SetTitleBarVisible(bool visible) override { TitleBar = visible, ++Calls; }
};

}  // namespace platform
