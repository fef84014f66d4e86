// Real system information backend on Qt: screens, the application palette and a steady clock.
#pragma once

#include "platform/system/SystemInfo.h"

namespace platform {

class TQtSystem final : public ISystem {
 public:
  // Asks the QGuiApplication at each call; without a screen, 96 DPI and a zero size.

  int ScreenWidth() const override;
  int ScreenHeight() const override;
  int LogicalDpiX() const override;
  int LogicalDpiY() const override;
  gfx::TColor SysColor(int index) const override;
  int Edge3DWidth() const override { return 2; }
  int Edge3DHeight() const override { return 2; }
  int64_t MonotonicMs() const override;
};

}  // namespace platform
