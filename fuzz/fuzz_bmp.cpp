// BMP reader through the stream load.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAs(data, size, ox::oxffBMP);
  return 0;
}
