// ToQColor and ToTColor: the system's colour values (0x00BBGGRR) to Qt's colours and back.
#pragma once

#include <QColor>

#include "platform/gfx/Dib.h"

namespace platform {

inline QColor ToQColor(gfx::TColor c) { return QColor(gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)); }
inline gfx::TColor ToTColor(const QColor& c) {
  return gfx::RGBColor(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

}  // namespace platform
