// Recording test double of the system information service: fixed classic values, a settable clock, a call log.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/system/SystemInfo.h"

namespace platform {

class TRecordingSystem final : public ISystem {
 public:
  TRecordingSystem();

  int ScreenW = 1024, ScreenH = 768;
  int DpiX = 96, DpiY = 96;
  int EdgeW = 2, EdgeH = 2;
  int64_t NowMs = 0;  // tests advance it by hand
  std::array<gfx::TColor, scSysColorCount> Colors{};
  mutable std::vector<std::string> Calls;

  int ScreenWidth() const override { return Log("ScreenWidth"), ScreenW; }
  int ScreenHeight() const override { return Log("ScreenHeight"), ScreenH; }
  int LogicalDpiX() const override { return Log("LogicalDpiX"), DpiX; }
  int LogicalDpiY() const override { return Log("LogicalDpiY"), DpiY; }
  gfx::TColor SysColor(int index) const override;
  int Edge3DWidth() const override { return Log("Edge3DWidth"), EdgeW; }
  int Edge3DHeight() const override { return Log("Edge3DHeight"), EdgeH; }
  int64_t MonotonicMs() const override { return Log("MonotonicMs"), NowMs; }

 private:
  void Log(const char* what) const { Calls.emplace_back(what); }
};

}  // namespace platform
