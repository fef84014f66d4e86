// System information service: screen size and logical DPI, system colours, 3D edge metrics, monotonic clock.
#pragma once

#include <cstdint>

#include "platform/gfx/SysColors.h"

namespace platform {

// The system colours come from TSysColors, which the core uses on its own.
class ISystem : public TSysColors {
 public:
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  virtual int LogicalDpiX() const = 0;
  virtual int LogicalDpiY() const = 0;
  // Width and height of a sunken three-dimensional edge.
  virtual int Edge3DWidth() const = 0;
  virtual int Edge3DHeight() const = 0;
  // Milliseconds from an arbitrary start; never goes backwards.
  virtual int64_t MonotonicMs() const = 0;
};

}  // namespace platform
