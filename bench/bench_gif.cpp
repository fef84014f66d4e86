// GIF decode speed on a 2000 x 2000 picture of 256 colours, beside netpbm's giftopnm on the same file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "imaging/io/GIFFilt.h"
#include "imaging/io/GIFLzw.h"

namespace {

// Smooth areas with noise: roughly the code lengths of a photo reduced to 256 colours.
const std::vector<uint8_t>& TestFile() {
  static const std::vector<uint8_t> bytes = [] {
    ox::InstallGifLzwCoders();
    const int n = 2000;
    gfx::TDib dib(n, n, gfx::TPixelFormat::pf24bit);
    std::mt19937 rng(1);
    for (int y = 0; y < n; ++y) {
      uint8_t* p = dib.ScanLine(y);
      for (int x = 0; x < n; ++x, p += 3) {
        p[0] = uint8_t((x / 7 + (rng() & 15)) & 255);
        p[1] = uint8_t((y / 5 + (rng() & 15)) & 255);
        p[2] = uint8_t(((x + y) / 11) & 255);
      }
    }
    ox::TIOParamsVals params;
    params.BitsPerSample = 8;
    ox::TOXMemoryStream s;
    ox::TProgressRec progress;
    ox::WriteGifStream(s, dib, params, progress);
    return s.Bytes();
  }();
  return bytes;
}

void BM_GifDecode2000x2000(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = TestFile();
  gfx::TDib dib;
  ox::TOXMask mask;
  for (auto _ : state) {
    ox::TIOParamsVals params;
    ox::TOXMemoryStream s(bytes);
    ox::TProgressRec progress;
    ox::ReadGifStream(s, &dib, nullptr, &mask, false, progress, params);
    benchmark::DoNotOptimize(dib.Bits());
  }
  state.counters["MP/s"] =
      benchmark::Counter(double(state.iterations()) * 4.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GifDecode2000x2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with a new DIB and mask every time (the first load into an empty view).
void BM_GifDecode2000x2000FreshDib(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = TestFile();
  for (auto _ : state) {
    gfx::TDib dib;
    ox::TOXMask mask;
    ox::TIOParamsVals params;
    ox::TOXMemoryStream s(bytes);
    ox::TProgressRec progress;
    ox::ReadGifStream(s, &dib, nullptr, &mask, false, progress, params);
    benchmark::DoNotOptimize(dib.Bits());
  }
  state.counters["MP/s"] =
      benchmark::Counter(double(state.iterations()) * 4.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GifDecode2000x2000FreshDib)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same file through giftopnm (process start included), for the ratio.
void BM_Giftopnm2000x2000(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "vantrel-bench.gif").string();
  {
    std::ofstream f(path, std::ios::binary);
    const auto& b = TestFile();
    f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }
  if (std::system("command -v giftopnm >/dev/null") != 0) {
    state.SkipWithError("giftopnm missing");
    return;
  }
  const std::string cmd = "giftopnm " + path + " > /dev/null";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(cmd.c_str()));
  state.counters["MP/s"] =
      benchmark::Counter(double(state.iterations()) * 4.0, benchmark::Counter::kIsRate);
  std::filesystem::remove(path);
}
BENCHMARK(BM_Giftopnm2000x2000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
