// Portable bitmap, graymap and pixmap reader (plain and raw).
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAs(data, size, ox::oxffPXM);
  return 0;
}
