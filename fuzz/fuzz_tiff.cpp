// TIFF reader with the LZW coders: the page counter, then every page (up to 8), plain and with the header block.
#include <algorithm>

#include "fuzz/FuzzCommon.h"
#include "imaging/io/TIFFFilt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallCoders();
  int pages = 0;
  fuzz::Guarded([&] {
    ox::TOXMemoryStream stream = fuzz::StreamOf(data, size);
    pages = ox::TIFFGetPageCount(stream);
  });
  for (int page = 0; page < std::clamp(pages, 1, 8); ++page)
    fuzz::LoadAs(data, size, ox::oxffTIFF, false, [&](ox::TOrvexIO& io) { io.Params.TiffImageIndex = page; });
  fuzz::LoadAs(data, size, ox::oxffTIFF, true);
  return 0;
}
