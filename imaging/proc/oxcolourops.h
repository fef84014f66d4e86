// Colour operations and filters on a region of a 24-bit picture (gray, negative, adjustments, user
// filter, levels, equalization, edge detection, histogram and mean colour).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "imaging/model/oxmask.h"
#include "imaging/proc/oxprocregion.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Every region operation works on `region` (right and bottom excluded, clipped to the picture); with a
// non-empty selection mask it works on the mask's box and changes only selected pixels. Progress after
// each row: trunc(row * 100 / (rows - 0.5)). They return false (and change nothing) for a format they
// do not handle.

bool ConvertToGray(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask = nullptr,
                   const TProcProgress& progress = {});
// 24-bit and 1-bit.
bool Negative(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask = nullptr,
              const TProcProgress& progress = {});

// c := ClampByte(m + trunc((c - m) * k)), k from amount (-100 ... 100).
bool Contrast(gfx::TDib& dib, const gfx::TRect& region, double amount, int meanR, int meanG, int meanB,
              const TOXMask* mask = nullptr, const TProcProgress& progress = {});
bool AddRGB(gfx::TDib& dib, const gfx::TRect& region, int dr, int dg, int db, const TOXMask* mask = nullptr,
            const TProcProgress& progress = {});
// dh in degrees, ds and dl in percent.
bool AdjustHSL(gfx::TDib& dib, const gfx::TRect& region, int dh, int ds, int dl, const TOXMask* mask = nullptr,
               const TProcProgress& progress = {});
// Integer model: H 0 ... 359, S and V 0 ... 99.
bool AdjustHSV(gfx::TDib& dib, const gfx::TRect& region, int dh, int ds, int dv, const TOXMask* mask = nullptr,
               const TProcProgress& progress = {});

// Colours 0x00BBGGRR, per channel.
bool Threshold(gfx::TDib& dib, const gfx::TRect& region, gfx::TColor down, gfx::TColor up, gfx::TColor newDown,
               gfx::TColor newUp, const TOXMask* mask = nullptr, const TProcProgress& progress = {});
bool StretchLevels(gfx::TDib& dib, const gfx::TRect& region, gfx::TColor low, gfx::TColor high,
                   const TOXMask* mask = nullptr, const TProcProgress& progress = {});
// Histogram equalization from the gray levels of the whole picture, applied to the region.
bool Equalize(gfx::TDib& dib, const gfx::TRect& region, const TOXMask* mask = nullptr,
              const TProcProgress& progress = {});

// 3 x 3 weights (row above, own row, row below) and a divisor (0 means 1).
struct TUserFilter {
  std::array<int32_t, 9> Weights{};
  int32_t Divisor = 0;
  bool operator==(const TUserFilter&) const = default;
};
constexpr int kUserFilterFileSize = 43;
bool ApplyFilter(gfx::TDib& dib, const gfx::TRect& region, const TUserFilter& kernel, const TOXMask* mask = nullptr,
                 const TProcProgress& progress = {});
// Filter files: bytes 1, 3, 3, then the nine weights and the divisor as 32-bit little-endian integers.
// False (kernel untouched) for a wrong signature or fewer than 43 bytes.
bool ParseUserFilter(std::span<const uint8_t> bytes, TUserFilter& kernel);
std::array<uint8_t, kUserFilterFileSize> SerializeUserFilter(const TUserFilter& kernel);
bool LoadUserFilter(const char* path, TUserFilter& kernel);
bool SaveUserFilter(const char* path, const TUserFilter& kernel);

// Four counters per level over the region (no mask): red, green, blue and gray level.
struct THistogram {
  std::array<uint32_t, 256> Red{}, Green{}, Blue{}, Gray{};
};
bool GetHistogram(const gfx::TDib& dib, const gfx::TRect& region, THistogram& histogram);
// Per-channel mean of all pixels, truncated; 128 for each channel of an empty picture.
gfx::TRGB MeanColour(const gfx::TDib& dib);

// Edge detection of a 24-bit picture; the picture becomes 1-bit, edges black on white. Progress after
// each of its six stages.
bool EdgeDetect(gfx::TDib& dib, int windowSize, int thinFactor, bool hysteresis, double smoothing, double ratio,
                const TProcProgress& progress = {});

}  // namespace ox
