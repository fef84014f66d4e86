// Manual check of the view control in a real window: a generated 24-bit and a 1-bit picture side by side.
#include <QApplication>
#include <QHBoxLayout>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>

#include "imaging/view/OrvexView.h"
#include "platform/system/QtSystem.h"

namespace {

gfx::TDib Gradient(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = d.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const bool ring = int(std::hypot(x - w / 2.0, y - h / 2.0)) % 40 < 4;
      p[0] = uint8_t(255 * y / h), p[1] = ring ? 255 : uint8_t(128 * x / w), p[2] = uint8_t(255 * x / w);
    }
  }
  return d;
}

gfx::TDib Checker1(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf1bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (((x / 12) + (y / 12)) % 2 == 0 || x == y) d.SetPixelColor(x, y, 0xFFFFFF); else d.SetPixelColor(x, y, 0);
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  platform::TQtSystem system;
  QWidget window;
  auto* layout = new QHBoxLayout(&window);  // owned by the window
  auto* colour = new ox::TOrvexView(&window, &system);
  auto* mono = new ox::TOrvexView(&window, &system);
  layout->addWidget(colour);
  layout->addWidget(mono);
  const gfx::TDib g = Gradient(640, 480), c = Checker1(200, 150);
  colour->Assign(&g);
  colour->SetScrollBars(ox::ssBoth);
  colour->SetZoomFilter(ox::rfLanczos3);
  colour->SetZoomPercent(75);
  mono->Assign(&c);
  mono->SetCenter(true);
  mono->SetBackgroundStyle(ox::oxbsCropShadow);
  mono->SetZoomPercent(150);
  window.resize(820, 420);
  window.show();
  const QString shot = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (!shot.isEmpty()) {
    // After the delayed filter has ticked in, save what the window shows and quit.
    QTimer::singleShot(1200, &window, [&] {
      window.grab().save(shot);
      std::printf("zoom %.1f filter delay %d\n", colour->ZoomPercent(), colour->FilterDelay());
      app.quit();
    });
  }
  return app.exec();
}
