// Shared fixture of the view tests: a borderless view in a parent widget with the recording system double.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "imaging/view/OrvexView.h"
#include "platform/system/SystemDouble.h"

namespace vt {

constexpr gfx::TColor kBack = 0x00302010;  // r 0x10, g 0x20, b 0x30

inline gfx::TColor Px(const gfx::TDib& d, int x, int y) {
  const uint8_t* p = d.ScanLine(y) + x * 3;
  return gfx::RGBColor(p[2], p[1], p[0]);
}

// A w x h 24-bit picture whose pixel (x, y) is RGB(10 + x, 100 + y, 200).
inline gfx::TDib Numbered(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d.SetPixelColor(x, y, gfx::RGBColor(uint8_t(10 + x), uint8_t(100 + y), 200));
  return d;
}

class ViewFixture : public ::testing::Test {
 protected:
  platform::TRecordingSystem sys;
  QWidget parent;
  std::unique_ptr<ox::TOrvexView> view;

  void SetUp() override {
    // Shown, so that resizing lays the view out at once as in a real window.
    parent.resize(400, 400);
    parent.show();
    view = std::make_unique<ox::TOrvexView>(&parent, &sys);
    view->show();
    view->SetBorderStyle(ox::bsNone);
    view->SetBackground(kBack);
  }
  void Make(int clientW, int clientH, const gfx::TDib& pic) {
    view->resize(clientW, clientH);
    view->Assign(&pic);
  }
  const gfx::TDib& Render() {
    EXPECT_TRUE(view->PaintBackBuffer());
    return view->BackBuffer();
  }
};

}  // namespace vt
