// JPEG reader, its EXIF and IPTC step included; plain and behind the "JFIF" header block.
#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::LoadAs(data, size, ox::oxffJPEG, false, [](ox::TOrvexIO& io) { io.Params.JpegScaleDenominator = 1; });
  fuzz::LoadAs(data, size, ox::oxffJPEG, true);
  return 0;
}
