// The clipboard's packed-DIB decoder.
#include <span>

#include "fuzz/FuzzCommon.h"
#include "imaging/proc/oxclipdib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Guarded([&] {
    gfx::TDib dib;
    if (ox::DecodeClipboardDib(std::span<const uint8_t>(data, size), dib)) fuzz::Touch(dib);
  });
  return 0;
}
