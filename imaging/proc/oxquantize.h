// Colour quantization (variance split below 128 colours, NeuQuant from 128) and the bilevel helpers that
// palette encoders share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gfx/Dib.h"

namespace ox {

// Packed colour R * 65536 + G * 256 + B.
constexpr uint32_t PackRGB(const gfx::TRGB& c) { return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b; }

// Percent callback of the long helpers below (may be empty).
using TQuantProgress = std::function<void(int percent)>;

class TOXQuantizer {
 public:
  // source: a 24-bit DIB; quality -1 = automatic, else 0..100 (NeuQuant only); colourCount 1..256 (clamped).
  // palette receives the chosen colours; entries the method does not choose keep the caller's values
  // (palette is grown to colourCount entries when shorter). A picture with no more distinct colours than
  // colourCount gets exactly its own colours, ascending by packed value, and keeps every pixel.
  TOXQuantizer(const gfx::TDib& source, int quality, int colourCount, std::vector<gfx::TRGB>& palette);
  ~TOXQuantizer();
  TOXQuantizer(const TOXQuantizer&) = delete;
  TOXQuantizer& operator=(const TOXQuantizer&) = delete;

  // Palette index for a packed colour.
  int IndexOf(uint32_t packed) const;
  int IndexOf(const gfx::TRGB& c) const { return IndexOf(PackRGB(c)); }
  // Palette entries chosen (0 for an empty picture).
  int Count() const;
  // Whether the palette holds the picture's own colours.
  bool Exact() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Replaces every pixel of a 24-bit DIB by palette[IndexOf(pixel)] (quality automatic).
void QuantizeInPlace(gfx::TDib& dib, int colours, std::vector<gfx::TRGB>& palette, const TQuantProgress& progress = {});
// Replaces a 24-bit picture by its 1-bit ordered dither (palette black, white).
void DitherToBilevel(gfx::TDib& dib, const TQuantProgress& progress = {});
// A 1-bit DIB when the 24-bit picture has exactly two colours (clear bits = the darker colour1), else null.
std::unique_ptr<gfx::TDib> TwoColourBitmap(const gfx::TDib& dib, gfx::TRGB& colour1, gfx::TRGB& colour2);
// Entry with the smallest sum of absolute channel differences (first on ties); 0 when every sum >= 1000.
int NearestIndex(const gfx::TRGB* palette, int count, const gfx::TRGB& colour);
void SwapRedBlue(gfx::TRGB* palette, int count);
// Inverts every bit of a 1-bit picture.
void InvertBilevel(gfx::TDib& dib);
// dib24 := 24-bit copy of a 1-bit picture, set bits white, clear bits black.
void ExpandBilevel(const gfx::TDib& dib1, gfx::TDib& dib24);

}  // namespace ox
