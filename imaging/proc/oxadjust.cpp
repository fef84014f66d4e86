// Table-driven colour adjustments on a region: contrast around a mean, RGB offsets, threshold and level
// stretching. Each builds per-channel tables of 256 entries once and maps the pixels through them.
#include <cmath>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxcolourops.h"

namespace ox {

namespace {

// Per-channel tables indexed by byte value; [0] blue, [1] green, [2] red (pixel order).
using TChannelTables = std::array<std::array<uint8_t, 256>, 3>;

bool MapThrough(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask, const TProcProgress& progress,
                const TChannelTables& t) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  ApplyOnSelection(dib, region, mask, [&](gfx::TDib& d, const gfx::TRect& r) {
    const TRowProgress meter(progress, r.Height());
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint8_t* p = d.ScanLine(y) + 3 * int64_t(r.Left);
      for (int x = 0; x < r.Width(); ++x, p += 3) {
        p[0] = t[0][p[0]];
        p[1] = t[1][p[1]];
        p[2] = t[2][p[2]];
      }
      meter.Row(y - r.Top);
    }
  });
  return true;
}

// Channel c (0 blue, 1 green, 2 red) of a colour value 0x00BBGGRR.
int ChannelOf(gfx::TColor c, int ch) { return ch == 0 ? gfx::BlueOf(c) : ch == 1 ? gfx::GreenOf(c) : gfx::RedOf(c); }

}  // namespace

bool Contrast(gfx::TDib& dib, const gfx::TRect& region, double amount, int meanR, int meanG, int meanB,
              const TOXMask* mask, const TProcProgress& progress) {
  const double k = amount < 0 ? 1 - std::sqrt(-amount) / 10 : amount / 10 + 1;
  const int means[3] = {meanB, meanG, meanR};
  TChannelTables t;
  for (int ch = 0; ch < 3; ++ch)
    for (int v = 0; v < 256; ++v) t[ch][v] = ClampByte(means[ch] + Trunc((v - means[ch]) * k));
  return MapThrough(dib, region, mask, progress, t);
}

bool AddRGB(gfx::TDib& dib, const gfx::TRect& region, int dr, int dg, int db, const TOXMask* mask,
            const TProcProgress& progress) {
  const int64_t add[3] = {db, dg, dr};
  TChannelTables t;
  for (int ch = 0; ch < 3; ++ch)
    for (int v = 0; v < 256; ++v) t[ch][v] = ClampByte(v + add[ch]);
  return MapThrough(dib, region, mask, progress, t);
}

bool Threshold(gfx::TDib& dib, const gfx::TRect& region, gfx::TColor down, gfx::TColor up, gfx::TColor newDown,
               gfx::TColor newUp, const TOXMask* mask, const TProcProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  if ((down & 0xFFFFFF) == 0 && (up & 0xFFFFFF) == 0xFFFFFF) return true;
  TChannelTables t;
  for (int ch = 0; ch < 3; ++ch)
    for (int v = 0; v < 256; ++v)
      t[ch][v] = uint8_t(v <= ChannelOf(down, ch) ? ChannelOf(newDown, ch) : v > ChannelOf(up, ch) ? ChannelOf(newUp, ch) : v);
  return MapThrough(dib, region, mask, progress, t);
}

bool StretchLevels(gfx::TDib& dib, const gfx::TRect& region, gfx::TColor low, gfx::TColor high, const TOXMask* mask,
                   const TProcProgress& progress) {
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) return false;
  const gfx::TColor clampedHigh = gfx::RGBColor(uint8_t(std::max<int>(gfx::RedOf(high), 1)),
                                                uint8_t(std::max<int>(gfx::GreenOf(high), 1)),
                                                uint8_t(std::max<int>(gfx::BlueOf(high), 1)));
  if (clampedHigh == (low & 0xFFFFFF)) return true;
  TChannelTables t;
  for (int ch = 0; ch < 3; ++ch) {
    const int lo = ChannelOf(low, ch), hi = std::max(ChannelOf(high, ch), 1);
    const double span = lo == 255 ? 1 : 255 - lo;
    std::array<uint8_t, 256> a{}, b{};
    for (int i = 0; i < 256; ++i) {
      a[i] = ClampByte(Round((i - lo) / span * 255));
      b[i] = ClampByte(Round(double(i) / hi * 255));
    }
    for (int i = 0; i < 256; ++i) t[ch][i] = b[a[i]];
  }
  return MapThrough(dib, region, mask, progress, t);
}

}  // namespace ox
