// GIF reader with the LZW coders installed: the first frame, then the last frame the count reports.
#include <algorithm>

#include "fuzz/FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int frames = 0;
  fuzz::LoadAs(data, size, ox::oxffGIF, false, [](ox::TOrvexIO& io) { io.Params.GifImageIndex = 0; },
               [&](ox::TOrvexIO& io) { frames = io.Params.GifImageCount; });
  if (frames > 1)
    fuzz::LoadAs(data, size, ox::oxffGIF, false,
                 [&](ox::TOrvexIO& io) { io.Params.GifImageIndex = std::min(frames, 64) - 1; });
  return 0;
}
