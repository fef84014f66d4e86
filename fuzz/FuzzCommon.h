// Shared setup of the libFuzzer targets: the coders a program installs, and one stream load of a format.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "imaging/io/GIFLzw.h"
#include "imaging/io/TIFFLzw.h"
#include "imaging/io/oxio.h"
#include "platform/gfx/SizeGuard.h"

namespace fuzz {

// The LZW coders are left to programs to install; the fuzz targets install them as the converter does.
inline void InstallCoders() {
  static const bool done = [] {
    ox::InstallTiffLzwCoders();
    ox::InstallGifLzwCoders();
    return true;
  }();
  (void)done;
}

inline ox::TOXMemoryStream StreamOf(const uint8_t* data, size_t size) {
  return ox::TOXMemoryStream(std::vector<uint8_t>(data, data + size));
}

// Exceptions are a reader's documented way to refuse a picture (too large, damaged); crashes are not.
template <class F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception&) {
  }
}

// Reads the ends of rows and the palette: a DIB whose buffer disagrees with its size shows up under ASan.
inline void Touch(const gfx::TDib& dib) {
  if (dib.Empty()) return;
  volatile uint8_t sink = 0;
  const int64_t rowBytes = gfx::RowBytes(dib.Width(), dib.BitsPerPixel());
  for (int y = 0; y < dib.Height(); y += 1 + dib.Height() / 64) {
    const uint8_t* row = dib.ScanLine(y);
    sink = sink + row[0] + row[rowBytes - 1];
  }
  for (const gfx::TRGB& c : dib.Palette()) sink = sink + c.r;
}

// Pictures the size guard allows but that take seconds to allocate and fill under the sanitizers: a small
// input claiming them is skipped (its header reading is still fuzzed), else every such input is a timeout.
constexpr int64_t kMaxFuzzPixels = int64_t(1) << 22;

// The square-pixel step after a load may stretch one side by the ratio of the resolutions.
inline bool TooLarge(const ox::TIOParamsVals& p) {
  double stretch = 1;
  if (p.DpiX > 0 && p.DpiY > 0) stretch = double(std::max(p.DpiX, p.DpiY)) / std::min(p.DpiX, p.DpiY);
  return double(p.Width) * p.Height * stretch > double(kMaxFuzzPixels) ||
         int64_t(p.GifScreenWidth) * p.GifScreenHeight > kMaxFuzzPixels;
}

// Stream load of `format` into a fresh DIB; `prepare` may set parameters first, `after` sees the result.
// format 0: the format content detection finds.
template <class Prepare, class After>
void LoadAs(const uint8_t* data, size_t size, ox::TOXFileFormat format, bool streamHeaders, Prepare&& prepare,
            After&& after) {
  InstallCoders();
  bool skip = false;
  // Parameters-only reading knows no header block: the size is looked up after the 12 bytes too.
  for (size_t offset : {size_t(0), size_t(streamHeaders ? 12 : 0)}) {
    if (offset > size) continue;
    Guarded([&] {
      ox::TOXMemoryStream stream = StreamOf(data + offset, size - offset);
      ox::TOrvexIO io;
      prepare(io);
      if (format)
        io.ReadParamsFromStreamFormat(stream, format);
      else
        io.ReadParamsFromStream(stream);
      skip = skip || TooLarge(io.Params);
    });
  }
  if (skip) return;
  Guarded([&] {
    ox::TOXMemoryStream stream = StreamOf(data, size);
    gfx::TDib dib;
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.StreamHeaders = streamHeaders;
    prepare(io);
    if (format)
      io.LoadFromStreamFormat(stream, format);
    else
      io.LoadFromStream(stream);
    Touch(dib);
    after(io);
  });
}

template <class Prepare>
void LoadAs(const uint8_t* data, size_t size, ox::TOXFileFormat format, bool streamHeaders, Prepare&& prepare) {
  LoadAs(data, size, format, streamHeaders, prepare, [](ox::TOrvexIO&) {});
}

inline void LoadAs(const uint8_t* data, size_t size, ox::TOXFileFormat format, bool streamHeaders = false) {
  LoadAs(data, size, format, streamHeaders, [](ox::TOrvexIO&) {});
}

}  // namespace fuzz
