// The quality and chroma sampling a JPEG was made with, estimated from its own tables and components.
#pragma once

#include <cstdint>

namespace ox {

// Quality 1..100 whose scaled standard tables come closest to the file's: luma (and chroma when given),
// 64 entries each in natural order. Exact for files made with the standard tables at that quality.
int EstimateJpegQuality(const uint16_t* luma, const uint16_t* chroma);

// The standard luminance and chrominance tables scaled to `quality`, baseline (1..255), natural order.
void ScaledJpegTables(int quality, uint16_t luma[64], uint16_t chroma[64]);

}  // namespace ox
