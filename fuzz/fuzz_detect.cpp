// Content detection, then the stream load of whatever it detected.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAs(data, size, ox::oxffUnknown, false, [](ox::TOrvexIO&) {});
  return 0;
}
