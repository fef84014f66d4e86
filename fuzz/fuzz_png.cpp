// PNG reader.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAs(data, size, ox::oxffPNG);
  return 0;
}
