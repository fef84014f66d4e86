// Writer preparation: 24-bit and 1-bit forms of the caller's DIB and the palette reduction.
#include "imaging/io/oxwriteprep.h"

#include <algorithm>

#include "imaging/proc/oxquantize.h"

namespace ox {

const gfx::TDib& PrepareSource24(const gfx::TDib& source, gfx::TDib& holder) {
  if (source.PixelFormat() == gfx::TPixelFormat::pf24bit) return source;
  if (source.PixelFormat() == gfx::TPixelFormat::pf1bit && BlackWhite(source)) {
    ExpandBilevel(source, holder);
  } else {
    holder = source;
    holder.SetPixelFormat(gfx::TPixelFormat::pf24bit);
  }
  return holder;
}

const gfx::TDib& PrepareSource1(const gfx::TDib& source, gfx::TDib& holder) {
  if (source.PixelFormat() == gfx::TPixelFormat::pf1bit) return source;
  gfx::TDib converted;
  const gfx::TDib& dib24 = PrepareSource24(source, converted);
  gfx::TRGB c1, c2;
  if (auto two = TwoColourBitmap(dib24, c1, c2)) {
    holder = *two;
    holder.SetPalette({c1, c2});
    return holder;
  }
  holder = dib24;
  DitherToBilevel(holder);
  holder.SetPalette({gfx::TRGB{0, 0, 0}, gfx::TRGB{255, 255, 255}});
  return holder;
}

void QuantizeSource(const gfx::TDib& source24, int colours, std::vector<gfx::TRGB>& palette,
                    std::vector<uint8_t>& indexes) {
  gfx::TDib converted;
  const gfx::TDib& dib = PrepareSource24(source24, converted);
  const int w = dib.Width(), h = dib.Height();
  TOXQuantizer q(dib, -1, colours, palette);
  indexes.resize(size_t(int64_t(w) * h));
  uint8_t* out = indexes.data();
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = dib.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) *out++ = uint8_t(q.IndexOf((uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]));
  }
}

bool BlackWhite(const gfx::TDib& dib1) {
  const auto& pal = dib1.Palette();
  return pal.size() >= 2 && pal[0] == gfx::TRGB{0, 0, 0} && pal[1] == gfx::TRGB{255, 255, 255};
}

bool GrayPalette(const std::vector<gfx::TRGB>& palette, int bits) {
  if (bits < 1 || bits > 8) return false;
  const int step = 255 / ((1 << bits) - 1);
  return std::all_of(palette.begin(), palette.end(),
                     [step](const gfx::TRGB& c) { return c.r == c.g && c.g == c.b && c.r % step == 0; });
}

const TOXMask* AlphaOf(const TOXMask* mask, const gfx::TDib& dib) {
  if (!mask || mask->BitsPerPixel != 8 || mask->Width != dib.Width() || mask->Height != dib.Height() ||
      mask->Data.empty() || mask->Full)
    return nullptr;
  for (int y = 0; y < mask->Height; ++y) {
    const uint8_t* row = mask->Row(y);
    for (int x = 0; x < mask->Width; ++x)
      if (row[x] != 255) return mask;
  }
  return nullptr;
}

bool AllGray(const gfx::TDib& dib) {
  gfx::TDib converted;
  const gfx::TDib& d = PrepareSource24(dib, converted);
  for (int y = 0; y < d.Height(); ++y) {
    const uint8_t* p = d.ScanLine(y);
    for (int x = 0; x < d.Width(); ++x, p += 3)
      if (p[0] != p[1] || p[1] != p[2]) return false;
  }
  return true;
}

}  // namespace ox
