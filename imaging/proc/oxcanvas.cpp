// Canvas operations: canvas size (ImageResize), crop to the selection, clear the picture or the selection.
// Uncovered or cleared area takes the background colour; the selection goes through the mask.
#include "imaging/proc/oxgeometry.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {
bool MaskCopyFormat(const gfx::TDib& dib) {
  return dib.PixelFormat() == gfx::TPixelFormat::pf24bit || dib.PixelFormat() == gfx::TPixelFormat::pf1bit;
}

gfx::TDib NewLike(const gfx::TDib& dib, int w, int h) {
  gfx::TDib out(w, h, dib.PixelFormat());
  if (!dib.Palette().empty()) out.SetPalette(dib.Palette());
  out.SetMonochrome(dib.Monochrome());
  return out;
}
}  // namespace

bool ImageResize(gfx::TDib& dib, int width, int height, gfx::TColor background) {
  if (width <= 0 || height <= 0 || !gfx::ImageSizeAllowed(width, height, dib.BitsPerPixel())) return false;
  dib.Canvas().Brush.Color = background;
  dib.SetSize(width, height);
  return true;
}

bool CropSel(gfx::TDib& dib, const TOXMask* mask) {
  if (!mask || mask->IsEmpty() || dib.Empty() || !MaskCopyFormat(dib)) return false;
  const int w = mask->X2 - mask->X1 + 1, h = mask->Y2 - mask->Y1 + 1;
  if (w <= 0 || h <= 0) return false;
  gfx::TDib out = NewLike(dib, w, h);
  mask->CopyMasked(out, dib, false, true);
  dib = std::move(out);
  return true;
}

bool Clear(gfx::TDib& dib, gfx::TColor background) {
  if (dib.Empty()) return false;
  gfx::TCanvas& canvas = dib.Canvas();
  const gfx::TBrush old = canvas.Brush;
  canvas.Brush = {background, gfx::TBrushStyle::bsSolid};
  canvas.FillRect(WholeOf(dib));
  canvas.Brush = old;
  return true;
}

bool ClearSel(gfx::TDib& dib, const TOXMask* mask, gfx::TColor background) {
  if (!mask || mask->IsEmpty() || dib.Empty() || !MaskCopyFormat(dib)) return false;
  const int w = mask->X2 - mask->X1 + 1, h = mask->Y2 - mask->Y1 + 1;
  if (w <= 0 || h <= 0) return false;
  gfx::TDib fill = NewLike(dib, w, h);
  Clear(fill, background);
  mask->CopyMasked(dib, fill, true, false);
  return true;
}

}  // namespace ox
