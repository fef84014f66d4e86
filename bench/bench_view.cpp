// Benchmark: one 1920x1080 back-buffer frame of a 6000x4000 picture, unfiltered, delayed and with Lanczos3.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "imaging/model/Rounding.h"
#include "imaging/view/OrvexRender.h"
#include "platform/system/SystemDouble.h"

namespace {

constexpr int kW = 1920, kH = 1080;

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

// The layout the view makes for a zoom with the picture centred; zoom 0 means fitted.
ox::TOXRenderInput Input(double zoom, const platform::ISystem& sys) {
  const gfx::TDib& pic = BigPicture();
  if (zoom == 0) zoom = std::min(kH / (pic.Height() / 100.0), kW / (pic.Width() / 100.0));
  ox::TOXRenderInput in;
  in.Image = &pic;
  in.System = &sys;
  in.Background = 0x808080;
  in.Center = true;
  ox::TOXViewGeometry& g = in.Geometry;
  g.ImageW = pic.Width();
  g.ImageH = pic.Height();
  g.ZoomPercent = zoom;
  g.ZoomFactor = zoom / 100;
  g.ZoomedW = int(ox::Round(pic.Width() * g.ZoomFactor));
  g.ZoomedH = int(ox::Round(pic.Height() * g.ZoomFactor));
  g.DrawW = std::min(g.ZoomedW, kW);
  g.DrawH = std::min(g.ZoomedH, kH);
  g.OffsetX = (kW - g.DrawW) / 2;
  g.OffsetY = (kH - g.DrawH) / 2;
  g.ScrollX = (g.ZoomedW - g.DrawW) / 3;
  g.ScrollY = (g.ZoomedH - g.DrawH) / 3;
  ox::ComputeVisibleRect(g);
  return in;
}

// Unfiltered path (the view without a zoom filter): state.range(0) is the zoom, 0 = fitted.
void BM_RenderFast(benchmark::State& state) {
  platform::TRecordingSystem sys;
  const ox::TOXRenderInput in = Input(double(state.range(0)), sys);
  gfx::TDib back(kW, kH, gfx::TPixelFormat::pf24bit);
  std::vector<uint8_t*> rows(kH);
  for (int y = 0; y < kH; ++y) rows[size_t(y)] = back.ScanLine(y);
  for (auto _ : state) {
    ox::RenderFastInto(back, rows.data(), {0, 0, kW, kH}, in);
    benchmark::DoNotOptimize(back.Bits());
  }
}
BENCHMARK(BM_RenderFast)->Arg(0)->Arg(50)->Arg(100)->Arg(250)->Unit(benchmark::kMillisecond);

// The filtered view while zooming or scrolling: the filter delay is running, so the nearest stretch draws.
void BM_RenderFullDelayed(benchmark::State& state) {
  platform::TRecordingSystem sys;
  ox::TOXRenderInput in = Input(double(state.range(0)), sys);
  in.Filter = ox::rfLanczos3;
  in.FilterDelay = 2;
  gfx::TDib back(kW, kH, gfx::TPixelFormat::pf24bit);
  for (auto _ : state) {
    ox::RenderFullInto(back, in);
    benchmark::DoNotOptimize(back.Bits());
  }
}
BENCHMARK(BM_RenderFullDelayed)->Arg(0)->Arg(250)->Unit(benchmark::kMillisecond);

// The filtered frame once the delay has run out.
void BM_RenderFullLanczos3(benchmark::State& state) {
  platform::TRecordingSystem sys;
  ox::TOXRenderInput in = Input(double(state.range(0)), sys);
  in.Filter = ox::rfLanczos3;
  gfx::TDib back(kW, kH, gfx::TPixelFormat::pf24bit);
  for (auto _ : state) {
    ox::RenderFullInto(back, in);
    benchmark::DoNotOptimize(back.Bits());
  }
}
BENCHMARK(BM_RenderFullLanczos3)->Arg(0)->Arg(50)->Arg(250)->Unit(benchmark::kMillisecond);

}  // namespace
