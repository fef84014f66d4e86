// TMetafile: loading, natural size, drawing onto a DIB through QPainter, and the I/O component's importer hook.
#include "platform/metafile/Metafile.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <fstream>

#include "imaging/io/oxio.h"
#include "imaging/io/oxioparams.h"
#include "platform/metafile/MetaFormats.h"

namespace platform {
namespace {

int Scaled(int64_t units, int dpi, double unitsPerInch) {
  const double v = std::fabs(double(units)) * dpi / unitsPerInch;
  return v >= 0x7FFFFFFF ? 0x7FFFFFFF : int(std::lround(v));
}

}  // namespace

bool TMetafile::LoadFromFile(const std::string& fileName, int dpiX, int dpiY) {
  bytes_.clear();
  info_ = TMetafileInfo();
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size <= 0 || size > kMaxMetafileBytes) return false;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return false;
  return LoadFromBytes(std::move(bytes), dpiX, dpiY);
}

bool TMetafile::LoadFromBytes(std::vector<uint8_t> bytes, int dpiX, int dpiY) {
  bytes_.clear();
  info_ = TMetafileInfo();
  if (bytes.empty() || int64_t(bytes.size()) > kMaxMetafileBytes) return false;
  const meta::TBytes data(bytes);
  meta::TEmfHeader eh;
  meta::TWmfHeader wh;
  if (meta::ReadEmfHeader(data, eh)) {
    info_.Enhanced = true;
    if (eh.Frame.width() > 0 && eh.Frame.height() > 0) {
      info_.NaturalWidth = Scaled(eh.Frame.width(), dpiX, 2540);
      info_.NaturalHeight = Scaled(eh.Frame.height(), dpiY, 2540);
    } else {
      info_.NaturalWidth = eh.Bounds.width();
      info_.NaturalHeight = eh.Bounds.height();
    }
  } else if (meta::ReadWmfHeader(data, wh)) {
    if (wh.Placeable) {
      // Files that leave the unit out are in twips, the most common unit.
      const double inch = wh.UnitsPerInch ? wh.UnitsPerInch : 1440;
      info_.NaturalWidth = Scaled(wh.Bounds.width(), dpiX, inch);
      info_.NaturalHeight = Scaled(wh.Bounds.height(), dpiY, inch);
    } else {
      info_.NaturalWidth = wh.Bounds.width();
      info_.NaturalHeight = wh.Bounds.height();
    }
  } else {
    return false;
  }
  bytes_ = std::move(bytes);
  return true;
}

void TMetafile::Draw(gfx::TDib& target, int width, int height) const {
  if (bytes_.empty() || target.Empty() || width <= 0 || height <= 0) return;
  const int w = target.Width(), h = target.Height();
  QImage img(w, h, QImage::Format_RGB32);
  if (img.isNull()) return;
  const bool bgr24 = target.PixelFormat() == gfx::TPixelFormat::pf24bit;
  const bool bgr32 = target.PixelFormat() == gfx::TPixelFormat::pf32bit;
  for (int y = 0; y < h; ++y) {
    QRgb* out = reinterpret_cast<QRgb*>(img.scanLine(y));
    const uint8_t* in = target.ScanLine(y);
    if (bgr24) {
      for (int x = 0; x < w; ++x) out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
    } else if (bgr32) {
      for (int x = 0; x < w; ++x) out[x] = qRgb(in[4 * x + 2], in[4 * x + 1], in[4 * x]);
    } else {
      for (int x = 0; x < w; ++x) {
        const gfx::TColor c = target.GetPixelColor(x, y);
        out[x] = qRgb(gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c));
      }
    }
  }
  {
    // Fonts need the GUI application; without one the picture is drawn without its text.
    const bool text = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    QPainter painter(&img);
    const meta::TBytes data(bytes_);
    if (info_.Enhanced) {
      meta::TEmfHeader eh;
      if (meta::ReadEmfHeader(data, eh)) meta::PlayEmf(data, eh, painter, img.size(), width, height, text);
    } else {
      meta::TWmfHeader wh;
      if (meta::ReadWmfHeader(data, wh)) meta::PlayWmf(data, wh, painter, img.size(), width, height, text);
    }
  }
  for (int y = 0; y < h; ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    uint8_t* out = target.ScanLine(y);
    if (bgr24 || bgr32) {
      const int step = bgr24 ? 3 : 4;
      for (int x = 0; x < w; ++x) {
        out[step * x] = uint8_t(qBlue(in[x]));
        out[step * x + 1] = uint8_t(qGreen(in[x]));
        out[step * x + 2] = uint8_t(qRed(in[x]));
      }
    } else {
      for (int x = 0; x < w; ++x) target.SetPixelColor(x, y, gfx::RGBColor(qRed(in[x]), qGreen(in[x]), qBlue(in[x])));
    }
  }
}

void InstallMetafileImporter() {
  ox::MetafileImporter.Load = [](const std::string& fileName, int dpiX, int dpiY, int& naturalWidth,
                                 int& naturalHeight, bool& enhanced, std::function<void(gfx::TDib&)>& draw) {
    auto mf = std::make_shared<TMetafile>();
    if (!mf->LoadFromFile(fileName, dpiX, dpiY)) return false;
    naturalWidth = mf->Info().NaturalWidth;
    naturalHeight = mf->Info().NaturalHeight;
    enhanced = mf->Info().Enhanced;
    // The picture is laid out one pixel larger than the DIB it lands in, as the import has always done.
    draw = [mf](gfx::TDib& target) { mf->Draw(target, target.Width() + 1, target.Height() + 1); };
    return true;
  };
}

}  // namespace platform
