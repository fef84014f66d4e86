// TIFF reading speed: 24-bit uncompressed and LZW pages, and a Group 4 fax page.
#include <benchmark/benchmark.h>

#include <cstring>

#include "imaging/io/CCITT.h"
#include "imaging/io/TIFFFilt.h"
#include "imaging/io/TIFFLzw.h"

using namespace ox;

namespace {

// A photo-like 24-bit picture: smooth gradients with mild noise.
gfx::TDib Photo(int w, int h) {
  gfx::TDib dib(w, h, gfx::TPixelFormat::pf24bit);
  uint32_t seed = 1;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = dib.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed = seed * 1103515245u + 12345u;
      const int n = (seed >> 29);
      p[0] = uint8_t(x * 255 / w + n), p[1] = uint8_t(y * 255 / h), p[2] = uint8_t((x + y) / 8 + n);
    }
  }
  return dib;
}

std::vector<uint8_t> Encode(const gfx::TDib& dib, int compression, int bits) {
  TIOParamsVals params;
  params.TiffCompression = uint8_t(compression);
  params.BitsPerSample = bits;
  params.SamplesPerPixel = bits == 1 ? 1 : 3;
  TOXMemoryStream s;
  TProgressRec progress;
  TIFFWriteStream(s, dib, progress, params);
  return s.Bytes();
}

void ReadPage(benchmark::State& state, const std::vector<uint8_t>& file, int64_t pixels) {
  gfx::TDib dib;
  for (auto _ : state) {
    TOXMemoryStream s(file);
    TIOParamsVals params;
    TProgressRec progress;
    int pages = 0;
    TIFFReadStream(&dib, s, pages, true, nullptr, false, progress, &params);
    if (progress.IsAborted()) state.SkipWithError("aborted");
    benchmark::DoNotOptimize(dib.Bits());
  }
  state.counters["MP/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReadUncompressed24(benchmark::State& state) {
  static const std::vector<uint8_t> file = Encode(Photo(3000, 2000), 0, 8);
  ReadPage(state, file, 3000 * 2000);
}

void BM_ReadLzw24(benchmark::State& state) {
  InstallTiffLzwCoders();
  static const std::vector<uint8_t> file = Encode(Photo(3000, 2000), 5, 8);
  ReadPage(state, file, 3000 * 2000);
}

// A text-like letter page: lines of glyph-sized blocks on white.
void BM_ReadGroup4Page(benchmark::State& state) {
  static const std::vector<uint8_t> file = [] {
    gfx::TDib page(1728, 2200, gfx::TPixelFormat::pf1bit);
    for (int y = 0; y < 2200; ++y) {
      uint8_t* row = page.ScanLine(y);
      std::memset(row, 0xFF, 216);
      if (y % 40 < 24 && y > 150 && y < 2050)
        for (int x = 120; x < 1600; ++x)
          if ((x / 9 + y / 6) % 5 != 0 && (x % 9) < 6 && ((x * 7 + y) % 11) < 8) row[x >> 3] &= uint8_t(~(0x80 >> (x & 7)));
    }
    return Encode(page, 4, 1);
  }();
  ReadPage(state, file, 1728 * 2200);
}

}  // namespace

BENCHMARK(BM_ReadUncompressed24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLzw24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGroup4Page)->Unit(benchmark::kMillisecond);
