// Benchmark: each filter scaling a 6000x4000 24-bit picture to 1920x1280.
#include <benchmark/benchmark.h>

#include <random>

#include "imaging/proc/oxresample.h"

namespace {

const gfx::TDib& BigPicture() {
  static const gfx::TDib pic = [] {
    gfx::TDib d(6000, 4000, gfx::TPixelFormat::pf24bit);
    std::mt19937 rng(1);
    for (int y = 0; y < d.Height(); ++y) {
      uint8_t* r = d.ScanLine(y);
      for (int x = 0; x < d.Width() * 3; ++x) r[x] = uint8_t(rng() >> 24);
    }
    return d;
  }();
  return pic;
}

void BM_Resample(benchmark::State& state) {
  const auto filter = static_cast<ox::TResampleFilter>(state.range(0));
  const gfx::TDib& src = BigPicture();
  gfx::TDib dst;
  for (auto _ : state) {
    ox::Resample(src, dst, 1920, 1280, filter);
    benchmark::DoNotOptimize(dst.Bits());
  }
}

BENCHMARK(BM_Resample)
    ->ArgName("filter")
    ->DenseRange(ox::rfTriangle, ox::rfFastLinear)
    ->Unit(benchmark::kMillisecond);

}  // namespace
