// PCX reader, as a plain stream and behind the stream header block ("PCX2" and the older 4-byte form).
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAs(data, size, ox::oxffPCX, false);
  fuzz::LoadAs(data, size, ox::oxffPCX, true);
  return 0;
}
