// TOrvexProc's geometric and colour operations: snapshot, selection region, the pixel operation, Changed.
#include <cstdio>
#include <cstdlib>

#include "imaging/proc/oxgeometry.h"
#include "imaging/proc/oxproc.h"
#include "imaging/proc/oxquantize.h"

namespace ox {

namespace {

// "90", "-90", "17.5": the shortest text that reads back as the angle.
std::string AngleText(double angle) {
  char buf[32];
  for (int digits = 1; digits <= 17; ++digits) {
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
  if (!target_ || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("Flip");
  ox::Flip(*target_, direction);
  Changed();
}

void TOrvexProc::Rotate(double angle, bool antialias) {
  if (!target_ || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("Rotate " + AngleText(angle));
  ox::Rotate(*target_, angle, antialias, Background(), Progress());
  Changed();
}

void TOrvexProc::ImageResize(int width, int height) {
  if (!target_ || target_->Empty() || width <= 0 || height <= 0) return;
  if (AutoUndo) SaveUndoCaptioned("ImageResize " + std::to_string(width) + "," + std::to_string(height));
  ox::ImageResize(*target_, width, height, Background());
  Changed();
}

void TOrvexProc::Resample(int width, int height, TResampleFilter filter) {
  if (!target_ || target_->Empty()) return;
  int w = width, h = height;
  if (!ResampleSize(target_->Width(), target_->Height(), w, h)) return;
  if (AutoUndo) SaveUndoCaptioned("Resample " + std::to_string(w) + "," + std::to_string(h));
  ox::Resample(*target_, width, height, filter, mask_, Progress());
  Changed();
}

void TOrvexProc::ConvertToGray() {
  ApplyToSelection("ConvertToGray", [this](gfx::TDib& d, const gfx::TRect& r) { ox::ConvertToGray(d, r, nullptr, Progress()); });
}

void TOrvexProc::Negative() {
  ApplyToSelection("Negative", [this](gfx::TDib& d, const gfx::TRect& r) { ox::Negative(d, r, nullptr, Progress()); });
}

void TOrvexProc::EdgeDetect(int windowSize, int thinFactor, bool hysteresis, double smoothing, double ratio) {
  if (!target_ || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("EdgeDetect");
  ox::EdgeDetect(*target_, windowSize, thinFactor, hysteresis, smoothing, ratio, Progress());
  Changed();
}

void TOrvexProc::Contrast(double amount) {
  if (!target_ || target_->Empty()) return;
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
  if (!target_ || target_->PixelFormat() != gfx::TPixelFormat::pf24bit || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("ConvertTo " + std::to_string(colours));
  auto progress = Progress();
  if (colours > 2) {
    std::vector<gfx::TRGB> palette;
    QuantizeInPlace(*target_, colours, palette, progress);
  } else {
    DitherToBilevel(*target_, progress);
  }
  Changed();
}

}  // namespace ox
