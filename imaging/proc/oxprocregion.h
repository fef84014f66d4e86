// Shared plumbing of the pixel operations: progress callback, region clamping and the selection-restricted apply.
#pragma once

#include <functional>

#include "imaging/model/oxmask.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Receives the percentage done; may be empty.
using TProcProgress = std::function<void(int percent)>;

// The rectangle clipped to the picture (empty when nothing of it lies inside).
gfx::TRect ClampRegion(const gfx::TDib& dib, const gfx::TRect& region);
// The whole picture as a region.
inline gfx::TRect WholeOf(const gfx::TDib& dib) { return {0, 0, dib.Width(), dib.Height()}; }

// Row progress: after row k (0-based) of `rows`, per = trunc(k * 100 / (rows - 0.5)).
class TRowProgress {
 public:
  TRowProgress(const TProcProgress& cb, int rows) : cb_(cb), rows_(rows - 0.5) {}
  void Row(int k) const {
    if (cb_) cb_(int(k * 100.0 / rows_));
  }

 private:
  const TProcProgress& cb_;
  double rows_;
};

// Runs op(dib, rect) on the region of dib; with a non-empty selection mask, on a copy of the mask's box
// instead, written back through the mask so that only selected pixels change. The mask's box then takes
// the place of the region.
void ApplyOnSelection(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask,
                      const std::function<void(gfx::TDib&, const gfx::TRect&)>& op);

// A copy of the box of dib in dib's format (clipped to the picture).
gfx::TDib CopyBox(const gfx::TDib& dib, const gfx::TRect& box);

}  // namespace ox
