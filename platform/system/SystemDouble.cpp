// Recording test double of the system information service: fixed classic values, a settable clock, a call log.
#include "platform/system/SystemDouble.h"

namespace platform {

TRecordingSystem::TRecordingSystem() {
  using gfx::RGBColor;
  Colors = {RGBColor(200, 200, 200), RGBColor(58, 110, 165), RGBColor(10, 36, 106), RGBColor(128, 128, 128),
            RGBColor(212, 208, 200), RGBColor(255, 255, 255), RGBColor(0, 0, 0), RGBColor(0, 0, 0),
            RGBColor(0, 0, 0), RGBColor(255, 255, 255), RGBColor(212, 208, 200), RGBColor(212, 208, 200),
            RGBColor(128, 128, 128), RGBColor(10, 36, 106), RGBColor(255, 255, 255), RGBColor(212, 208, 200),
            RGBColor(128, 128, 128), RGBColor(128, 128, 128), RGBColor(0, 0, 0), RGBColor(212, 208, 200),
            RGBColor(255, 255, 255), RGBColor(64, 64, 64), RGBColor(212, 208, 200), RGBColor(0, 0, 0),
            RGBColor(255, 255, 225)};
}

gfx::TColor TRecordingSystem::SysColor(int index) const {
  Calls.push_back("SysColor " + std::to_string(index));
  return index >= 0 && index < scSysColorCount ? Colors[size_t(index)] : 0;
}

}  // namespace platform
