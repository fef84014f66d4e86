// Quality estimate of a JPEG from its quantization tables.
#include "imaging/io/JPEGQuality.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace ox {

namespace {

// The example tables of the JPEG standard (Annex K), natural order.
constexpr uint16_t kStdLuma[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,  14, 13, 16, 24, 40,  57,
    69, 56, 14, 17, 22,  29,  51,  87,  80, 62, 18, 22, 37,  56,  68,  109, 103, 77, 24, 35, 55, 64,
    81, 104, 113, 92, 49, 64, 78,  87,  103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
constexpr uint16_t kStdChroma[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

constexpr int kMaxBaselineQuant = 255;

uint16_t Scaled(uint16_t base, int quality) {
  const long scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
  return uint16_t(std::clamp<long>((long(base) * scale + 50) / 100, 1, kMaxBaselineQuant));
}

}  // namespace

void ScaledJpegTables(int quality, uint16_t luma[64], uint16_t chroma[64]) {
  quality = std::clamp(quality, 1, 100);
  for (int i = 0; i < 64; ++i) {
    luma[i] = Scaled(kStdLuma[i], quality);
    chroma[i] = Scaled(kStdChroma[i], quality);
  }
}

int EstimateJpegQuality(const uint16_t* luma, const uint16_t* chroma) {
  int best = 50;
  long bestError = std::numeric_limits<long>::max();
  // From the top, so that of equal tables the highest quality wins.
  for (int q = 100; q >= 1; --q) {
    uint16_t l[64], c[64];
    ScaledJpegTables(q, l, c);
    long error = 0;
    for (int i = 0; i < 64; ++i) {
      error += std::abs(long(luma[i]) - long(l[i]));
      if (chroma) error += std::abs(long(chroma[i]) - long(c[i]));
    }
    if (error < bestError) bestError = error, best = q;
  }
  return best;
}

}  // namespace ox
