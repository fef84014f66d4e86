// Writer preparation shared by every encoder: the 24-bit or 1-bit form of the caller's DIB, never changing it.
#pragma once

#include <vector>

#include "imaging/model/oxmask.h"
#include "platform/gfx/Dib.h"

namespace ox {

// The DIB to encode as 24-bit: `source` itself when it is 24-bit, else a converted copy kept in `holder`.
const gfx::TDib& PrepareSource24(const gfx::TDib& source, gfx::TDib& holder);
// The DIB to encode as 1-bit with its two-entry palette (bit 0 = the darker colour): `source` itself when
// it is 1-bit, else the two-colour reduction or the ordered dither of a copy, kept in `holder`.
const gfx::TDib& PrepareSource1(const gfx::TDib& source, gfx::TDib& holder);
// Palette output with `colours` entries (2..256): palette and one index byte per pixel, rows from the top.
// A picture with no more colours than that keeps exactly its own (see TOXQuantizer).
void QuantizeSource(const gfx::TDib& source24, int colours, std::vector<gfx::TRGB>& palette,
                    std::vector<uint8_t>& indexes);
// Whether a 1-bit picture's palette is black then white, the only two colours of gray-only bilevel forms.
bool BlackWhite(const gfx::TDib& dib1);
// Whether every entry is gray with a level that `bits`-bit gray samples hold exactly, so the palette can
// go out as gray; a palette with a colour entry never does.
bool GrayPalette(const std::vector<gfx::TRGB>& palette, int bits);
// The `bits`-bit gray sample of a level that GrayPalette accepted.
constexpr int GraySample(int level, int bits) { return level / (255 / ((1 << bits) - 1)); }
// Alpha values below this count as clear where a format keeps only clear and opaque.
constexpr uint8_t kHalfOpaque = 128;
// The mask when it is an 8-bit alpha mask of the picture's size with a pixel that is not fully opaque.
const TOXMask* AlphaOf(const TOXMask* mask, const gfx::TDib& dib);
// Whether every pixel of a picture is gray (R = G = B).
bool AllGray(const gfx::TDib& dib);

}  // namespace ox
