// Geometric operations on a working picture: flip, rotate, canvas size, resample, crop and clear.
#pragma once

#include "imaging/model/oxmask.h"
#include "imaging/proc/oxprocregion.h"
#include "imaging/proc/oxresample.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Mirrors the whole picture: direction 0 left<->right, 1 top<->bottom. 24-bit and 1-bit only; false otherwise.
bool Flip(gfx::TDib& dib, int direction);

// Turns the picture by `angle` degrees counter-clockwise. 24-bit: quarter turns by row addressing, the
// residual (-45 ... 45) by three shears with 12-bit fractions, uncovered area in `background`.
// 1-bit: direct mapping, uncovered pixels set when background != 0. False when nothing was done
// (angle 0, empty picture, other formats, result too large).
bool Rotate(gfx::TDib& dib, double angle, bool antialias, gfx::TColor background, const TProcProgress& progress = {});

// Canvas size: keeps the top-left content, fills new area with background. Both sizes must be > 0.
bool ImageResize(gfx::TDib& dib, int width, int height, gfx::TColor background);

// Scales the picture. A negative width (height) keeps the aspect ratio from the other size; both
// negative, a size below 1 or an empty picture do nothing (false). rfNone is the nearest-pixel stretch;
// a 1-bit picture with a filter becomes 24-bit. An attached alpha mask follows (8-bit result).
bool Resample(gfx::TDib& dib, int width, int height, TResampleFilter filter, TOXMask* alpha = nullptr,
              const TProcProgress& progress = {});
// The size Resample would produce under the negative-size rules; false when it would stop.
bool ResampleSize(int srcWidth, int srcHeight, int& width, int& height);

// Replaces the picture by the selected pixels of the mask's box (24-bit and 1-bit); false without a
// non-empty mask.
bool CropSel(gfx::TDib& dib, const TOXMask* mask);
// Fills the whole picture with background.
bool Clear(gfx::TDib& dib, gfx::TColor background);
// Sets the selected pixels to background (24-bit and 1-bit); false without a non-empty mask.
bool ClearSel(gfx::TDib& dib, const TOXMask* mask, gfx::TColor background);

}  // namespace ox
