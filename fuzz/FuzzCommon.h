// Shared setup of the libFuzzer targets: the coders a program installs, and one stream load of a format.
#pragma once

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

// Stream load of `format` into a fresh DIB; `prepare` may set parameters first, `after` sees the result.
template <class Prepare, class After>
void LoadAs(const uint8_t* data, size_t size, ox::TOXFileFormat format, bool streamHeaders, Prepare&& prepare,
            After&& after) {
  InstallCoders();
  Guarded([&] {
    ox::TOXMemoryStream stream = StreamOf(data, size);
    gfx::TDib dib;
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.StreamHeaders = streamHeaders;
    prepare(io);
    io.LoadFromStreamFormat(stream, format);
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
