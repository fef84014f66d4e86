// The Qt system backend: screen values, palette colours and the clock.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

#include "platform/system/QtSystem.h"

namespace {

TEST(QtSystem, ReportsScreenPaletteAndClock) {
  platform::TQtSystem sys;
  EXPECT_GT(sys.ScreenWidth(), 0);
  EXPECT_GT(sys.ScreenHeight(), 0);
  EXPECT_GT(sys.LogicalDpiX(), 0);
  const QColor face = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
  EXPECT_EQ(sys.ResolveColor(platform::SysColorValue(platform::scBtnFace)),
            gfx::RGBColor(uint8_t(face.red()), uint8_t(face.green()), uint8_t(face.blue())));
  EXPECT_EQ(sys.SysColor(999), 0u);
  const int64_t t0 = sys.MonotonicMs();
  EXPECT_GE(sys.MonotonicMs(), t0);
}

}  // namespace
