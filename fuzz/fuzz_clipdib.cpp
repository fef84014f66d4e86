// The clipboard's packed-DIB decoder.
#include <cstdlib>
#include <cstring>
#include <span>

#include "fuzz/FuzzCommon.h"
#include "imaging/proc/oxclipdib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Same cap as the file readers (FuzzCommon.h): width and height of the info header.
  if (size >= 12) {
    int32_t w, h;
    std::memcpy(&w, data + 4, 4);
    std::memcpy(&h, data + 8, 4);
    if (std::llabs(int64_t(w) * int64_t(h)) > fuzz::kMaxFuzzPixels) return 0;
  }
  fuzz::Guarded([&] {
    gfx::TDib dib;
    if (ox::DecodeClipboardDib(std::span<const uint8_t>(data, size), dib)) fuzz::Touch(dib);
  });
  return 0;
}
