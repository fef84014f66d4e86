// Reader preparation shared by the decoders: the target DIB in the picture's size and format.
#pragma once

#include "platform/gfx/Dib.h"

namespace ox {

// Kept as it is when it already has the size and format (the decoder overwrites every pixel); otherwise the
// old pixels are freed first and one zeroed buffer taken: resizing would fill every new pixel one by one.
inline void PrepareDib(gfx::TDib& dib, int w, int h, gfx::TPixelFormat format) {
  if (dib.Width() == w && dib.Height() == h && dib.PixelFormat() == format) return;
  dib = gfx::TDib();
  dib = gfx::TDib(w, h, format);
}

}  // namespace ox
