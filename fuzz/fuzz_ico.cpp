// Icon reader: the first and the second entry of the directory.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int index : {0, 1})
    fuzz::LoadAs(data, size, ox::oxffICO, false, [&](ox::TOrvexIO& io) { io.Params.IcoImageIndex = index; });
  return 0;
}
