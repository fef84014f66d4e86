// Writer preparation shared by every encoder: the 24-bit or 1-bit form of the caller's DIB, never changing it.
#pragma once

#include <vector>

#include "platform/gfx/Dib.h"

namespace ox {

// The DIB to encode as 24-bit: `source` itself when it is 24-bit, else a converted copy kept in `holder`.
const gfx::TDib& PrepareSource24(const gfx::TDib& source, gfx::TDib& holder);
// The DIB to encode as 1-bit with its two-entry palette (bit 0 = the darker colour): `source` itself when
// it is 1-bit, else the two-colour reduction or the ordered dither of a copy, kept in `holder`.
const gfx::TDib& PrepareSource1(const gfx::TDib& source, gfx::TDib& holder);
// Palette output with `colours` entries (2..256): palette and one index byte per pixel, rows from the top.
void QuantizeSource(const gfx::TDib& source24, int colours, std::vector<gfx::TRGB>& palette,
                    std::vector<uint8_t>& indexes);

}  // namespace ox
