// PCX and Targa run-length 24-bit decoding speed (pixels per second) on a generated photographic picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "imaging/io/PCXFilt.h"
#include "imaging/io/TGAFilt.h"

using namespace ox;

namespace {

constexpr int kW = 3000, kH = 2000;

// Smooth gradients with noise and flat areas: runs and literals both occur, as in photographs and scans.
gfx::TDib Picture() {
  gfx::TDib dib(kW, kH, gfx::TPixelFormat::pf24bit);
  uint32_t seed = 12345;
  for (int y = 0; y < kH; ++y) {
    uint8_t* p = dib.ScanLine(y);
    for (int x = 0; x < kW; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      const bool flat = ((x / 64) + (y / 64)) % 3 == 0;
      const int noise = flat ? 0 : int(seed >> 29);
      p[0] = uint8_t(x / 12 + noise);
      p[1] = uint8_t(y / 8 + noise);
      p[2] = uint8_t((x + y) / 20);
    }
  }
  return dib;
}

template <class Write>
std::vector<uint8_t> Encoded(Write write) {
  TOXMemoryStream s;
  TIOParamsVals p;
  TProgressRec pr;
  write(s, Picture(), p, pr);
  return s.Bytes();
}

void BM_PcxRle24Decode(benchmark::State& state) {
  const std::vector<uint8_t> bytes =
      Encoded([](TOXStream& s, const gfx::TDib& d, TIOParamsVals& p, TProgressRec& pr) { WritePcxStream(s, d, p, pr); });
  gfx::TDib dib;
  TOXMemoryStream s(bytes);
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals p;
    TProgressRec pr;
    ReadPcxStream(s, &dib, p, false, pr, int64_t(bytes.size()));
    benchmark::DoNotOptimize(dib.Bits());
  }
  state.counters["MP/s"] = benchmark::Counter(double(kW) * kH / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["ratio"] = double(bytes.size()) / (double(kW) * kH * 3);
}

void BM_TgaRle24Decode(benchmark::State& state) {
  const std::vector<uint8_t> bytes =
      Encoded([](TOXStream& s, const gfx::TDib& d, TIOParamsVals& p, TProgressRec& pr) { WriteTgaStream(s, d, p, pr); });
  gfx::TDib dib;
  TOXMemoryStream s(bytes);
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals p;
    TProgressRec pr;
    ReadTgaStream(s, &dib, p, false, pr);
    benchmark::DoNotOptimize(dib.Bits());
  }
  state.counters["MP/s"] = benchmark::Counter(double(kW) * kH / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["ratio"] = double(bytes.size()) / (double(kW) * kH * 3);
}

}  // namespace

BENCHMARK(BM_PcxRle24Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaRle24Decode)->Unit(benchmark::kMillisecond);
