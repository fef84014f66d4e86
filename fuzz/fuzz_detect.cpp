// Content detection, then the stream load of whatever it detected.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallCoders();
  fuzz::Guarded([&] {
    ox::TOXMemoryStream stream = fuzz::StreamOf(data, size);
    gfx::TDib dib;
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.LoadFromStream(stream);
    fuzz::Touch(dib);
  });
  return 0;
}
