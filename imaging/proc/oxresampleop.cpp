// Resample of a working picture: the negative-size rules, the nearest-pixel stretch for rfNone and the
// alpha mask that follows the picture to its new size.
#include <algorithm>
#include <vector>

#include "imaging/proc/oxgeometry.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

bool ResampleSize(int srcWidth, int srcHeight, int& width, int& height) {
  if (srcWidth <= 0 || srcHeight <= 0 || (width < 0 && height < 0)) return false;
  int64_t w = width, h = height;
  if (w < 0) w = int64_t(srcWidth) * h / srcHeight;
  if (h < 0) h = w * srcHeight / srcWidth;
  if (w < 1 || h < 1 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  width = int(w);
  height = int(h);
  return true;
}

namespace {

// The alpha plane scaled with the picture's filter; filtered kernels run on a gray 24-bit copy.
void ResampleAlpha(TOXMask& alpha, int w, int h, TResampleFilter filter) {
  if (alpha.Full || alpha.Data.empty()) {
    alpha.Allocate(w, h, 8);
    alpha.Fill(255);
    return;
  }
  const int sw = alpha.Width, sh = alpha.Height;
  std::vector<uint8_t> src(size_t(sw) * sh);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) src[size_t(y) * sw + x] = alpha.BitsPerPixel == 8 ? alpha.Row(y)[x] : (alpha.IsSet(x, y) ? 255 : 0);
  std::vector<uint8_t> dst(size_t(w) * h, 255);
  bool done = false;
  if (filter == rfNone || filter == rfFastLinear) {
    done = FastLinearAlpha(src.data(), sw, sh, sw, dst.data(), w, h, w);
  } else {
    gfx::TDib gray(sw, sh, gfx::TPixelFormat::pf24bit), out;
    for (int y = 0; y < sh; ++y) {
      uint8_t* r = gray.ScanLine(y);
      for (int x = 0; x < sw; ++x) r[3 * x] = r[3 * x + 1] = r[3 * x + 2] = src[size_t(y) * sw + x];
    }
    if (ResampleFiltered(gray, out, w, h, filter) && out.Width() == w && out.Height() == h) {
      for (int y = 0; y < h; ++y) {
        const uint8_t* r = out.ScanLine(y);
        for (int x = 0; x < w; ++x) dst[size_t(y) * w + x] = r[3 * x];
      }
      done = true;
    }
  }
  if (!done) std::fill(dst.begin(), dst.end(), 255);
  TOXMask fresh;
  fresh.Allocate(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (dst[size_t(y) * w + x]) fresh.SetPixel(x, y, dst[size_t(y) * w + x]);
  fresh.Full = !done || std::all_of(dst.begin(), dst.end(), [](uint8_t v) { return v == 255; });
  alpha = std::move(fresh);
}

}  // namespace

bool Resample(gfx::TDib& dib, int width, int height, TResampleFilter filter, TOXMask* alpha,
              const TProcProgress& progress) {
  if (dib.Empty() || !ResampleSize(dib.Width(), dib.Height(), width, height)) return false;
  gfx::TDib out;
  if (filter == rfNone) {
    if (!gfx::ImageSizeAllowed(width, height, dib.BitsPerPixel())) return false;
    out = gfx::TDib(width, height, dib.PixelFormat());
    if (!dib.Palette().empty()) out.SetPalette(dib.Palette());
    out.SetMonochrome(dib.Monochrome());
    out.Canvas().StretchMode = gfx::TStretchMode::smNearest;
    out.Canvas().StretchDraw({0, 0, width, height}, dib);
  } else {
    if (!gfx::ImageSizeAllowed(width, height, 24)) return false;
    if (!Resample(static_cast<const gfx::TDib&>(dib), out, width, height, filter, progress)) return false;
  }
  dib = std::move(out);
  if (alpha) ResampleAlpha(*alpha, width, height, filter);
  return true;
}

}  // namespace ox
