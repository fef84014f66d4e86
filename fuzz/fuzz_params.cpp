// Parameters-only reading: detected from the content, and as every built-in format in turn.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallCoders();
  fuzz::Guarded([&] {
    ox::TOXMemoryStream stream = fuzz::StreamOf(data, size);
    ox::TOrvexIO io;
    io.ReadParamsFromStream(stream);
  });
  for (ox::TOXFileFormat f = ox::oxffTIFF; f <= ox::oxffPXM; ++f) {
    fuzz::Guarded([&] {
      ox::TOXMemoryStream stream = fuzz::StreamOf(data, size);
      ox::TOrvexIO io;
      io.ReadParamsFromStreamFormat(stream, f);
    });
  }
  return 0;
}
