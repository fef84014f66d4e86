// Region clamping and the selection-restricted apply shared by the pixel operations.
#include "imaging/proc/oxprocregion.h"

#include <algorithm>

namespace ox {

gfx::TRect ClampRegion(const gfx::TDib& dib, const gfx::TRect& region) {
  gfx::TRect r{std::max(region.Left, 0), std::max(region.Top, 0), std::min(region.Right, dib.Width()),
               std::min(region.Bottom, dib.Height())};
  if (r.IsEmpty()) return {};
  return r;
}

gfx::TDib CopyBox(const gfx::TDib& dib, const gfx::TRect& box) {
  const gfx::TRect b = ClampRegion(dib, box);
  gfx::TDib out;
  if (b.IsEmpty()) return out;
  out = gfx::TDib(b.Width(), b.Height(), dib.PixelFormat());
  if (!dib.Palette().empty()) out.SetPalette(dib.Palette());
  out.Canvas().CopyRect({0, 0, b.Width(), b.Height()}, dib, b);
  return out;
}

void ApplyOnSelection(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask,
                      const std::function<void(gfx::TDib&, const gfx::TRect&)>& op) {
  if (dib.Empty()) return;
  if (!mask || mask->IsEmpty()) {
    const gfx::TRect r = ClampRegion(dib, region);
    if (!r.IsEmpty()) op(dib, r);
    return;
  }
  gfx::TDib box = CopyBox(dib, {mask->X1, mask->Y1, mask->X2 + 1, mask->Y2 + 1});
  if (box.Empty()) return;
  op(box, WholeOf(box));
  mask->CopyMasked(dib, box, true, false);
}

}  // namespace ox
