// Speed of the BMP and portable-anymap codecs (24-bit rows) and of 256-colour quantization.
#include <benchmark/benchmark.h>

#include "imaging/io/BMPFilt.h"
#include "imaging/io/PXMFilt.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/proc/oxquantize.h"

namespace {

using namespace ox;

gfx::TDib Picture(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  uint32_t seed = 1;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = d.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      p[0] = uint8_t(x * 255 / w + (seed >> 29));
      p[1] = uint8_t(y * 255 / h + (seed >> 28));
      p[2] = uint8_t((x + y) * 127 / (w + h) + (seed >> 27));
    }
  }
  return d;
}

constexpr int kW = 2000, kH = 2000;

std::vector<uint8_t> Encode(bool bmp, const gfx::TDib& d) {
  TOXMemoryStream s;
  TIOParamsVals p;
  TProgressRec pr;
  if (bmp) BMPWriteStream(s, d, p, pr);
  else PXMWriteStream(s, d, p, pr);
  return s.Bytes();
}

void Read(benchmark::State& state, bool bmp) {
  const std::vector<uint8_t> bytes = Encode(bmp, Picture(kW, kH));
  gfx::TDib dib;
  TIOParamsVals p;
  for (auto _ : state) {
    TOXMemoryStream s(bytes);
    TProgressRec pr;
    if (bmp) BMPReadStream(s, &dib, 0, false, pr, p);
    else PXMReadStream(s, &dib, p, false, pr);
    benchmark::DoNotOptimize(dib.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void Write(benchmark::State& state, bool bmp) {
  const gfx::TDib d = Picture(kW, kH);
  TOXMemoryStream s;
  s.SetSize(int64_t(kW) * kH * 3 + 4096);
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals p;
    TProgressRec pr;
    if (bmp) BMPWriteStream(s, d, p, pr);
    else PXMWriteStream(s, d, p, pr);
    benchmark::DoNotOptimize(s.Memory());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_BmpRead24(benchmark::State& s) { Read(s, true); }
void BM_BmpWrite24(benchmark::State& s) { Write(s, true); }
void BM_PpmRead(benchmark::State& s) { Read(s, false); }
void BM_PpmWrite(benchmark::State& s) { Write(s, false); }

void BM_Quantize(benchmark::State& state) {
  const gfx::TDib d = Picture(kW, kH);
  const int colours = int(state.range(0));
  for (auto _ : state) {
    std::vector<gfx::TRGB> pal;
    std::vector<uint8_t> idx;
    QuantizeSource(d, colours, pal, idx);
    benchmark::DoNotOptimize(idx.data());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_BmpWrite8Rle(benchmark::State& state) {
  const gfx::TDib d = Picture(kW, kH);
  for (auto _ : state) {
    TOXMemoryStream s;
    TIOParamsVals p;
    p.SamplesPerPixel = 1;
    p.BmpCompressed = true;
    TProgressRec pr;
    BMPWriteStream(s, d, p, pr);
    benchmark::DoNotOptimize(s.Memory());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

}  // namespace

BENCHMARK(BM_BmpRead24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpWrite24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quantize)->Arg(256)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpWrite8Rle)->Unit(benchmark::kMillisecond);
