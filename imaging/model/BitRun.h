// CopyBitRun: copying a run of bits between 1-bit rows (leftmost pixel in the most significant bit).
#pragma once

#include <cstdint>

namespace ox {

// Copies n bits from bit offset srcBit of src to bit offset dstBit of dst. Destination bits outside the
// run keep their values; only the source bytes holding the run are read. The runs must not overlap.
void CopyBitRun(uint8_t* dst, int64_t dstBit, const uint8_t* src, int64_t srcBit, int64_t n);

}  // namespace ox
