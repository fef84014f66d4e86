// Benchmark: gray, negative, quarter and fine rotation and edge detection of a 6000x4000 24-bit picture.
#include <benchmark/benchmark.h>

#include <random>

#include "imaging/proc/oxcolourops.h"
#include "imaging/proc/oxgeometry.h"

namespace {

const gfx::TDib& BigPicture() {
  static const gfx::TDib pic = [] {
    gfx::TDib d(6000, 4000, gfx::TPixelFormat::pf24bit);
    std::mt19937 rng(1);
    // Smooth gradients with noise, closer to a photograph than pure noise.
    for (int y = 0; y < d.Height(); ++y) {
      uint8_t* r = d.ScanLine(y);
      for (int x = 0; x < d.Width(); ++x) {
        const int n = int(rng() >> 28);
        r[3 * x] = uint8_t((x / 24 + n) & 255);
        r[3 * x + 1] = uint8_t((y / 16 + n) & 255);
        r[3 * x + 2] = uint8_t(((x + y) / 40 + n) & 255);
      }
    }
    return d;
  }();
  return pic;
}

// Each iteration works on a fresh copy; the copy is excluded from the timing.
template <class Op>
void Run(benchmark::State& state, Op op) {
  gfx::TDib work;
  for (auto _ : state) {
    state.PauseTiming();
    work = BigPicture();
    state.ResumeTiming();
    op(work);
    benchmark::DoNotOptimize(work.Bits());
  }
}

void BM_Gray(benchmark::State& s) {
  Run(s, [](gfx::TDib& d) { ox::ConvertToGray(d, ox::WholeOf(d)); });
}
void BM_Negative(benchmark::State& s) {
  Run(s, [](gfx::TDib& d) { ox::Negative(d, ox::WholeOf(d)); });
}
void BM_Rotate90(benchmark::State& s) {
  Run(s, [](gfx::TDib& d) { ox::Rotate(d, 90, true, 0); });
}
void BM_Rotate17Antialias(benchmark::State& s) {
  Run(s, [](gfx::TDib& d) { ox::Rotate(d, 17, true, 0); });
}
void BM_EdgeDetect(benchmark::State& s) {
  Run(s, [](gfx::TDib& d) { ox::EdgeDetect(d, 7, 0, true, 0.9, 0.99); });
}

BENCHMARK(BM_Gray)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Negative)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate17Antialias)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeDetect)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
