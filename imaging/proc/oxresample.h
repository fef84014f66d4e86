// Resampling of 24-bit and 1-bit pictures to another size with the filters of TResampleFilter.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/gfx/Dib.h"

namespace ox {

enum TResampleFilter { rfNone, rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfNearest, rfLinear, rfFastLinear };

// Receives the percentage done; may be empty.
using TResampleProgress = std::function<void(int percent)>;

// Kernel value and support radius of a filtered filter (rfTriangle ... rfLinear); 0 for the others.
double FilterKernel(TResampleFilter filter, double x);
double FilterRadius(TResampleFilter filter);

// Each function returns false, leaving dst untouched, when it has nothing to do (empty or
// unsuitable source, destination size below 1, unsupported filter).

// 24-bit source to 24-bit destination, two separable floating-point passes.
bool ResampleFiltered(const gfx::TDib& src, gfx::TDib& dst, int newW, int newH, TResampleFilter filter,
                      const TResampleProgress& progress = {});
// 1-bit source to 24-bit gray destination.
bool ResampleBilevel(const gfx::TDib& src, gfx::TDib& dst, int newW, int newH, TResampleFilter filter,
                     const TResampleProgress& progress = {});

// Fixed-point linear enlarging / box-averaging reduction.
bool FastLinear24(const gfx::TDib& src, gfx::TDib& dst, int newW, int newH);
// 1-bit source to 24-bit gray destination.
bool FastLinearBilevel(const gfx::TDib& src, gfx::TDib& dst, int newW, int newH);
// One 8-bit plane to another; strides are signed byte distances between consecutive rows.
bool FastLinearAlpha(const uint8_t* src, int sw, int sh, int64_t srcStride, uint8_t* dst, int dw, int dh,
                     int64_t dstStride);

// Picks the routine for the source format and filter; other formats go through a 24-bit copy.
bool Resample(const gfx::TDib& src, gfx::TDib& dst, int newW, int newH, TResampleFilter filter,
              const TResampleProgress& progress = {});

}  // namespace ox
