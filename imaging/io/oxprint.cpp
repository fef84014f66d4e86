// The print layout: placement arithmetic, gamma, tiled drawing onto a device and the preview page.
#include "imaging/io/oxprint.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "imaging/io/oxio.h"
#include "imaging/model/Rounding.h"

namespace ox {

namespace {

// Keeps the rectangle arithmetic far from the int range whatever a box holds.
constexpr double kMaxDevicePixels = 1e8;

int DevicePixels(double v) { return int(Trunc(std::clamp(v, -kMaxDevicePixels, kMaxDevicePixels))); }

bool ParseReal(const std::string& text, double& value) {
  size_t a = text.find_first_not_of(" \t");
  if (a == std::string::npos) return false;
  size_t b = text.find_last_not_of(" \t") + 1;
  const char* first = text.data() + a;
  const char* last = text.data() + b;
  if (*first == '+') ++first;
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

TPrintPlacement PlacePicture(int picW, int picH, double picDpiX, double picDpiY, double dpiX, double dpiY,
                             double pageW, double pageH, const TPrintLayout& l) {
  TPrintPlacement p;
  // Margins wider than the page leave no printable area rather than a negative one.
  const double availW = std::max(0.0, pageW - (l.LeftMargin + l.RightMargin));
  const double availH = std::max(0.0, pageH - (l.TopMargin + l.BottomMargin));
  switch (l.SizeMode) {
    case psmNormal:
      if (picDpiX > 0 && picDpiY > 0) p.W = picW / picDpiX, p.H = picH / picDpiY;
      break;
    case psmFitToPage: {
      if (picW <= 0 || picH <= 0 || dpiX <= 0 || dpiY <= 0) break;
      const double w = picW / dpiX, h = picH / dpiY;
      const double f = std::min(availW / w, availH / h);
      p.W = w * f;
      p.H = h * f;
      break;
    }
    case psmStretchToPage:
      p.W = availW;
      p.H = availH;
      break;
    case psmSpecifiedSize:
      p.W = l.SpecWidth;
      p.H = l.SpecHeight;
      break;
    default:
      break;
  }
  switch (l.HorzPos) {
    case ppNear: p.X = l.LeftMargin; break;
    case ppCenter: p.X = l.LeftMargin + (availW - p.W) / 2; break;
    case ppFar: p.X = l.LeftMargin + availW - p.W; break;
    default: p.X = 0; break;
  }
  switch (l.VertPos) {
    case ppNear: p.Y = l.TopMargin; break;
    case ppCenter: p.Y = l.TopMargin + (availH - p.H) / 2; break;
    case ppFar: p.Y = l.TopMargin + availH - p.H; break;
    default: p.Y = 0; break;
  }
  return p;
}

gfx::TRect PlacementRect(const TPrintPlacement& p, double dpiX, double dpiY) {
  const int left = DevicePixels(dpiX * p.X), top = DevicePixels(dpiY * p.Y);
  return {left, top, left + DevicePixels(dpiX * p.W), top + DevicePixels(dpiY * p.H)};
}

std::array<uint8_t, 256> GammaTable(double gamma) {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    if (gamma == 1 || gamma <= 0 || !std::isfinite(gamma)) {
      t[i] = uint8_t(i);
    } else {
      t[i] = uint8_t(std::clamp<int64_t>(Round(255 * std::pow(i / 255.0, 1 / gamma)), 0, 255));
    }
  }
  return t;
}

double ReadTolerant(const std::string& text, double fallback) {
  double v = 0;
  if (ParseReal(text, v)) return v;
  std::string swapped = text;
  const size_t comma = swapped.find(',');
  if (comma != std::string::npos) {
    swapped[comma] = '.';
  } else if (const size_t dot = swapped.find('.'); dot != std::string::npos) {
    swapped[dot] = ',';
  }
  if (ParseReal(swapped, v)) return v;
  return fallback;
}

std::string ShortestDecimal(double value) {
  char buf[64];
  // 15 significant digits drop the binary noise that repeated steps of 0.01 leave.
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

void PictureDpi(TOrvexIO& io, double& dpiX, double& dpiY) {
  if (TOXImageHolder* h = io.AttachedOrvex()) {
    dpiX = h->HolderDpiX();
    dpiY = h->HolderDpiY();
  } else {
    dpiX = io.Params.DpiX;
    dpiY = io.Params.DpiY;
  }
  if (dpiX <= 0) dpiX = io.Params.ScreenDpiX;
  if (dpiY <= 0) dpiY = io.Params.ScreenDpiY;
}

void PlaceAndDraw(TOrvexIO& io, TOXDrawTarget& target, double dpiX, double dpiY, double pageWidth,
                  double pageHeight, const TPrintLayout& layout) {
  gfx::TDib* picture = io.Bitmap();
  if (!picture || picture->Empty()) return;
  if (dpiX <= 0) dpiX = io.Params.ScreenDpiX;
  if (dpiY <= 0) dpiY = io.Params.ScreenDpiY;
  if (!(pageWidth > 0) || !(pageHeight > 0)) return;
  const int bits = picture->BitsPerPixel();
  if (io.AttachedOrvex() && bits != 1 && bits != 24) picture->SetPixelFormat(gfx::TPixelFormat::pf24bit);
  if (picture->BitsPerPixel() != 1 && picture->BitsPerPixel() != 24) return;
  double picDpiX = 0, picDpiY = 0;
  PictureDpi(io, picDpiX, picDpiY);
  const TPrintPlacement p =
      PlacePicture(picture->Width(), picture->Height(), picDpiX, picDpiY, dpiX, dpiY, pageWidth, pageHeight, layout);
  const gfx::TRect dest = PlacementRect(p, dpiX, dpiY);
  if (dest.IsEmpty()) return;

  TOXVirtualBitmap store;
  if (!store.Allocate(picture->Width(), picture->Height(), picture->BitsPerPixel())) return;
  store.CopyFromDib(*picture, 0, 0, picture->Width(), picture->Height());
  if (picture->BitsPerPixel() == 24 && layout.Gamma != 1 && layout.Gamma > 0) {
    const auto t = GammaTable(layout.Gamma);
    store.ForEachPixel(0, 0, picture->Width(), picture->Height(), [&t](int, int, uint8_t* px) {
      px[0] = t[px[0]];
      px[1] = t[px[1]];
      px[2] = t[px[2]];
    });
  }
  store.DrawTo(target, dest, {0, 0, picture->Width(), picture->Height()});
}

void PrintOnDevice(TOrvexIO& io, TOXDrawTarget& target, const TPrintDevice& device, const TPrintLayout& layout) {
  // A device without a resolution is taken at the screen's.
  const double dpiX = device.DpiX > 0 ? device.DpiX : io.Params.ScreenDpiX;
  const double dpiY = device.DpiY > 0 ? device.DpiY : io.Params.ScreenDpiY;
  PlaceAndDraw(io, target, dpiX, dpiY, device.PageWidth / dpiX, device.PageHeight / dpiY, layout);
}

void RenderPrintPreview(TOrvexIO& io, gfx::TDib& bitmap, int boxWidth, int boxHeight, const TPrintDevice& printer,
                        const TPrintLayout& layout) {
  auto whitePage = [&bitmap](int w, int h) {
    bitmap = gfx::TDib(std::max(w, 1), std::max(h, 1), gfx::TPixelFormat::pf24bit);
    bitmap.Canvas().Brush.Color = 0xFFFFFF;
    bitmap.Canvas().Brush.Style = gfx::TBrushStyle::bsSolid;
    bitmap.Canvas().FillRect({0, 0, bitmap.Width(), bitmap.Height()});
  };
  if (printer.PageWidth <= 0 || printer.PageHeight <= 0 || boxWidth <= 5 || boxHeight <= 5) {
    whitePage(1, 1);
    return;
  }
  const double s = std::min((boxWidth - 5) / (printer.PageWidth / 100.0), (boxHeight - 5) / (printer.PageHeight / 100.0));
  const double f = s / 100;
  const int pw = DevicePixels(printer.PageWidth * f), ph = DevicePixels(printer.PageHeight * f);
  const int dx = DevicePixels((printer.DpiX > 0 ? printer.DpiX : io.Params.ScreenDpiX) * f);
  const int dy = DevicePixels((printer.DpiY > 0 ? printer.DpiY : io.Params.ScreenDpiY) * f);
  whitePage(pw, ph);
  // Below one dot per inch nothing can be placed: the page stays white.
  if (pw <= 0 || ph <= 0 || dx <= 0 || dy <= 0) return;
  TOXCanvasTarget target(bitmap.Canvas());
  PlaceAndDraw(io, target, dx, dy, double(pw) / dx, double(ph) / dy, layout);
  gfx::TCanvas& c = bitmap.Canvas();
  c.Brush.Style = gfx::TBrushStyle::bsClear;
  c.Pen.Width = 1;
  c.Pen.Style = gfx::TPenStyle::psDash;
  c.Pen.Mode = gfx::TPenMode::pmNot;
  c.Rectangle({DevicePixels(dx * layout.LeftMargin), DevicePixels(dy * layout.TopMargin),
               DevicePixels(pw - dx * layout.RightMargin), DevicePixels(ph - dy * layout.BottomMargin)});
  c.Pen.Mode = gfx::TPenMode::pmCopy;
  c.Pen.Style = gfx::TPenStyle::psSolid;
  c.Brush.Style = gfx::TBrushStyle::bsSolid;
}

}  // namespace ox
