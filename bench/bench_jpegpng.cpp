// JPEG and PNG readers beside minimal decode loops on the same libraries and the same files.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "imaging/io/JPEGFilt.h"
#include "imaging/io/PNGFilt.h"

using namespace ox;

namespace {

// A photo-like picture: gradients, edges and a little deterministic noise.
gfx::TDib Picture(int w, int h) {
  gfx::TDib dib(w, h, gfx::TPixelFormat::pf24bit);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = dib.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      const int n = int(seed >> 28);
      p[0] = uint8_t((x * 255 / w + n) & 0xFF);
      p[1] = uint8_t((y * 255 / h + ((x / 40 + y / 30) % 2) * 60 + n) & 0xFF);
      p[2] = uint8_t(((x + y) * 128 / (w + h) + n) & 0xFF);
    }
  }
  return dib;
}

const std::vector<uint8_t>& BigJpeg() {
  static const std::vector<uint8_t> bytes = [] {
    TIOParamsVals params;
    params.JpegQuality = 90;
    TOXMemoryStream s;
    TProgressRec progress;
    WriteJpegStream(s, Picture(6000, 4000), params, progress);
    return s.Bytes();
  }();
  return bytes;
}

const std::vector<uint8_t>& BigPng() {
  static const std::vector<uint8_t> bytes = [] {
    TIOParamsVals params;
    params.PngFilter = 5;  // the library's adaptive choice, as most files are written
    params.PngCompressionLevel = 6;
    TOXMemoryStream s;
    TProgressRec progress;
    WritePNGStream(s, Picture(3000, 2000), params, nullptr, progress);
    return s.Bytes();
  }();
  return bytes;
}

void BM_JpegReader(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = BigJpeg();
  gfx::TDib dib;
  TOXMemoryStream s(jpeg);
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals params;
    TProgressRec progress;
    ReadJpegStream(s, &dib, params, false, progress);
    benchmark::DoNotOptimize(dib.Bits());
  }
}
BENCHMARK(BM_JpegReader)->Unit(benchmark::kMillisecond);

// As a load into a new view image: the DIB is allocated on every run.
void BM_JpegReaderNewDib(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = BigJpeg();
  TOXMemoryStream s(jpeg);
  for (auto _ : state) {
    gfx::TDib dib;
    s.SetPosition(0);
    TIOParamsVals params;
    TProgressRec progress;
    ReadJpegStream(s, &dib, params, false, progress);
    benchmark::DoNotOptimize(dib.Bits());
  }
}
BENCHMARK(BM_JpegReaderNewDib)->Unit(benchmark::kMillisecond);

struct JpegJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// The least a program can do: memory source, BGR output, rows straight into one buffer.
void BM_JpegMinimalLoop(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = BigJpeg();
  std::vector<uint8_t> out;
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    JpegJump err;
    cinfo.err = jpeg_std_error(&err.pub);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), (unsigned long)jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t(cinfo.output_width) * 3;
    out.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rows[4];
      for (int i = 0; i < 4; ++i)
        rows[i] = out.data() + stride * std::min<size_t>(cinfo.output_scanline + i, cinfo.output_height - 1);
      jpeg_read_scanlines(&cinfo, rows, JDIMENSION(std::max(1, cinfo.rec_outbuf_height)));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_JpegMinimalLoop)->Unit(benchmark::kMillisecond);

void BM_JpegReaderEighth(benchmark::State& state) {
  const std::vector<uint8_t>& jpeg = BigJpeg();
  gfx::TDib dib;
  TOXMemoryStream s(jpeg);
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals params;
    params.JpegScaleMode = 4;
    TProgressRec progress;
    ReadJpegStream(s, &dib, params, false, progress);
    benchmark::DoNotOptimize(dib.Bits());
  }
}
BENCHMARK(BM_JpegReaderEighth)->Unit(benchmark::kMillisecond);

void BM_PngReader(benchmark::State& state) {
  const std::vector<uint8_t>& png = BigPng();
  gfx::TDib dib;
  TOXMemoryStream s(png);
  for (auto _ : state) {
    s.SetPosition(0);
    TIOParamsVals params;
    TProgressRec progress;
    ReadPNGStream(s, &dib, params, nullptr, false, progress);
    benchmark::DoNotOptimize(dib.Bits());
  }
}
BENCHMARK(BM_PngReader)->Unit(benchmark::kMillisecond);

struct MemSource {
  const uint8_t* data;
  size_t size, pos;
};

void ReadMem(png_structp png, png_bytep out, size_t n) {
  auto* m = static_cast<MemSource*>(png_get_io_ptr(png));
  if (m->pos + n > m->size) png_error(png, "short");
  std::memcpy(out, m->data + m->pos, n);
  m->pos += n;
}

// libpng's own row loop from memory into one buffer.
void BM_PngMinimalLoop(benchmark::State& state) {
  const std::vector<uint8_t>& png = BigPng();
  std::vector<uint8_t> out;
  for (auto _ : state) {
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    MemSource src{png.data(), png.size(), 0};
    if (setjmp(png_jmpbuf(p))) {
      png_destroy_read_struct(&p, &info, nullptr);
      state.SkipWithError("libpng failed");
      break;
    }
    png_set_read_fn(p, &src, ReadMem);
    png_read_info(p, info);
    png_set_bgr(p);
    png_read_update_info(p, info);
    const size_t stride = png_get_rowbytes(p, info);
    const png_uint_32 h = png_get_image_height(p, info);
    out.resize(stride * h);
    for (png_uint_32 y = 0; y < h; ++y) png_read_row(p, out.data() + stride * y, nullptr);
    png_read_end(p, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PngMinimalLoop)->Unit(benchmark::kMillisecond);

}  // namespace
