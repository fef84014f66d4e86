// The other program of the two-process clipboard check: puts or reads a test picture, either as plain Qt
// (QClipboard::setImage / image) or through our backend. Exit code 0 when the picture read is the one put.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

#include "imaging/proc/oxclipdib.h"
#include "platform/clipboard/ClipboardQt.h"

namespace {

constexpr int kW = 37, kH = 23;

QRgb Expected(int x, int y) { return qRgb((x * 7) & 255, (y * 13) & 255, ((x + y) * 3) & 255); }

QImage Pattern() {
  QImage img(kW, kH, QImage::Format_RGB32);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) img.setPixel(x, y, Expected(x, y));
  return img;
}

int Check(int w, int h, const std::function<QRgb(int, int)>& pixel) {
  if (w != kW || h != kH) {
    std::printf("fail: %d x %d\n", w, h);
    return 1;
  }
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (pixel(x, y) != Expected(x, y)) {
        std::printf("fail: pixel %d,%d is %08x\n", x, y, unsigned(pixel(x, y)));
        return 1;
      }
  std::printf("ok: %d x %d\n", w, h);
  return 0;
}

void PrintFormats() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  std::printf("offered:");
  if (mime)
    for (const QString& f : mime->formats()) std::printf(" %s", qPrintable(f));
  std::printf("\n");
}

// Keeps the clipboard served for `seconds` after saying it is ready.
int Serve(QGuiApplication& app, int seconds) {
  std::printf("ready\n");
  std::fflush(stdout);
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const char* mode = argc > 1 ? argv[1] : "";
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
  platform::TClipboardQt clipboard;
  if (!std::strcmp(mode, "qt-put")) {
    QGuiApplication::clipboard()->setImage(Pattern());
    return Serve(app, seconds);
  }
  if (!std::strcmp(mode, "our-put")) {
    const QImage img = Pattern();
    gfx::TDib dib(kW, kH, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const QRgb c = img.pixel(x, y);
        dib.SetPixelColor(x, y, gfx::RGBColor(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))));
      }
    clipboard.SetDib(ox::EncodeClipboardDib(dib));
    return Serve(app, seconds);
  }
  if (!std::strcmp(mode, "qt-get")) {
    PrintFormats();
    const QImage img = QGuiApplication::clipboard()->image();
    for (const char* format : {"image/png", "image/bmp"}) {
      const QImage one = QImage::fromData(QGuiApplication::clipboard()->mimeData()->data(format));
      std::printf("%s: ", format);
      if (Check(one.width(), one.height(), [&](int x, int y) { return one.pixel(x, y); })) return 1;
    }
    std::printf("image(): ");
    return Check(img.width(), img.height(), [&](int x, int y) { return img.pixel(x, y); });
  }
  if (!std::strcmp(mode, "our-get")) {
    PrintFormats();
    const std::vector<uint8_t> block = clipboard.GetDib();
    gfx::TDib dib;
    if (!ox::DecodeClipboardDib(block, dib)) {
      std::printf("fail: no picture (%zu bytes)\n", block.size());
      return 1;
    }
    std::printf("GetDib: %zu bytes, %d bits: ", block.size(), block[14]);
    return Check(dib.Width(), dib.Height(), [&](int x, int y) {
      const gfx::TColor c = dib.GetPixelColor(x, y);
      return qRgb(gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c));
    });
  }
  std::fprintf(stderr, "usage: clipboard-peer qt-put|our-put [seconds] | qt-get|our-get\n");
  return 2;
}
