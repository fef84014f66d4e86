// TOrvexProc's geometric and colour operations: snapshot, selection region, the pixel operation, Changed.
#include <cstdio>
#include <cstdlib>

#include "imaging/proc/oxgeometry.h"
#include "imaging/proc/oxproc.h"
#include "imaging/proc/oxquantize.h"

namespace ox {

namespace {

// "90", "-90", "17.5": a text that reads back as the angle. From 15 digits up, so that a whole angle is
// never written with an exponent ("9e+01").
std::string AngleText(double angle) {
  char buf[32];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, angle);
    if (std::strtod(buf, nullptr) == angle) break;
  }
  return buf;
}

}  // namespace

TProcProgressFn TOrvexProc::Progress() {
  if (!OnProgress) return {};
  return [this](int percent) { OnProgress(this, percent); };
}

void TOrvexProc::Flip(int direction) {
  Edit("Flip", [&] { return ox::Flip(*target_, direction); });
}

void TOrvexProc::Rotate(double angle, bool antialias) {
  Edit("Rotate " + AngleText(angle),
       [&] { return ox::Rotate(*target_, angle, antialias, FillColour(), Progress()); });
}

void TOrvexProc::ImageResize(int width, int height) {
  Edit("ImageResize " + std::to_string(width) + "," + std::to_string(height),
       [&] { return ox::ImageResize(*target_, width, height, FillColour()); });
}

void TOrvexProc::Resample(int width, int height, TResampleFilter filter) {
  Edit("Resample " + std::to_string(width) + "," + std::to_string(height),
       [&] { return ox::Resample(*target_, width, height, filter, mask_, Progress()); });
}

void TOrvexProc::ConvertToGray() {
  ApplyToSelection("ConvertToGray", [this](gfx::TDib& d, const gfx::TRect& r) { ox::ConvertToGray(d, r, nullptr, Progress()); });
}

void TOrvexProc::Negative() {
  ApplyToSelection(
      "Negative", [this](gfx::TDib& d, const gfx::TRect& r) { ox::Negative(d, r, nullptr, Progress()); }, true);
}

void TOrvexProc::EdgeDetect(int windowSize, int thinFactor, bool hysteresis, double smoothing, double ratio) {
  Edit("EdgeDetect",
       [&] { return ox::EdgeDetect(*target_, windowSize, thinFactor, hysteresis, smoothing, ratio, Progress()); });
}

void TOrvexProc::Contrast(double amount) {
  if (!target_ || target_->Empty() || target_->PixelFormat() != gfx::TPixelFormat::pf24bit) return;
  const gfx::TRGB mean = MeanColour(*target_);
  ApplyToSelection("Contrast", [&](gfx::TDib& d, const gfx::TRect& r) {
    ox::Contrast(d, r, amount, mean.r, mean.g, mean.b, nullptr, Progress());
  });
}

void TOrvexProc::AddRGB(int dr, int dg, int db) {
  ApplyToSelection("AddRGB", [&](gfx::TDib& d, const gfx::TRect& r) { ox::AddRGB(d, r, dr, dg, db, nullptr, Progress()); });
}

void TOrvexProc::AdjustHSL(int dh, int ds, int dl) {
  ApplyToSelection("AdjustHSL", [&](gfx::TDib& d, const gfx::TRect& r) { ox::AdjustHSL(d, r, dh, ds, dl, nullptr, Progress()); });
}

void TOrvexProc::AdjustHSV(int dh, int ds, int dv) {
  ApplyToSelection("AdjustHSV", [&](gfx::TDib& d, const gfx::TRect& r) { ox::AdjustHSV(d, r, dh, ds, dv, nullptr, Progress()); });
}

void TOrvexProc::Equalize() {
  ApplyToSelection("Equalize", [&](gfx::TDib& d, const gfx::TRect& r) { ox::Equalize(d, r, nullptr, Progress()); });
}

void TOrvexProc::ApplyFilter(const TUserFilter& kernel) {
  ApplyToSelection("ApplyFilter", [&](gfx::TDib& d, const gfx::TRect& r) { ox::ApplyFilter(d, r, kernel, nullptr, Progress()); });
}

void TOrvexProc::ConvertTo(int colours) {
  std::vector<gfx::TRGB> palette;
  Reduce("ConvertTo " + std::to_string(colours), colours, palette);
}

void TOrvexProc::ConvertToPalette(int colours, std::vector<gfx::TRGB>& palette) {
  palette.clear();
  Reduce("ConvertToPalette", colours, palette);
}

void TOrvexProc::Reduce(const std::string& caption, int colours, std::vector<gfx::TRGB>& palette) {
  if (!target_ || target_->PixelFormat() != gfx::TPixelFormat::pf24bit) return;
  Edit(caption, [&] {
    if (colours > 2) {
      QuantizeInPlace(*target_, colours, palette, Progress());
    } else {
      DitherToBilevel(*target_, Progress());
      palette = {gfx::TRGB{0, 0, 0}, gfx::TRGB{255, 255, 255}};
    }
    return true;
  });
}

bool TOrvexProc::GetHistogram(THistogram& histogram) {
  if (!target_ || target_->PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  int x1, y1, x2, y2;
  TOXMask* mask;
  GetRegion(x1, y1, x2, y2, mask);
  return ox::GetHistogram(*target_, gfx::TRect{x1, y1, x2, y2}, histogram);
}

}  // namespace ox
