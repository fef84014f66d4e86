// The Qt system backend: screen values, palette colours, the clock and the resolution it publishes to codecs.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>

#include "imaging/io/oxioparams.h"
#include "platform/system/QtSystem.h"

namespace {

TEST(QtSystem, ReportsScreenPaletteAndClock) {
  ox::ScreenDpiX = ox::ScreenDpiY = 0;
  platform::TQtSystem sys;
  EXPECT_GT(sys.ScreenWidth(), 0);
  EXPECT_GT(sys.ScreenHeight(), 0);
  EXPECT_GT(sys.LogicalDpiX(), 0);
  EXPECT_EQ(ox::ScreenDpiX, sys.LogicalDpiX());
  EXPECT_EQ(ox::ScreenDpiY, sys.LogicalDpiY());
  const QColor face = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
  EXPECT_EQ(sys.ResolveColor(platform::SysColorValue(platform::scBtnFace)),
            gfx::RGBColor(uint8_t(face.red()), uint8_t(face.green()), uint8_t(face.blue())));
  EXPECT_EQ(sys.SysColor(999), 0u);
  const int64_t t0 = sys.MonotonicMs();
  EXPECT_GE(sys.MonotonicMs(), t0);
}

}  // namespace
