// Reader preparation shared by the decoders: the target DIB in the picture's size and format.
#pragma once

#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Kept as it is when it already has the size and format (the decoder overwrites every pixel); otherwise the
// old pixels are freed first and one zeroed buffer taken: resizing would fill every new pixel one by one.
inline void PrepareDib(gfx::TDib& dib, int w, int h, gfx::TPixelFormat format) {
  if (dib.Width() == w && dib.Height() == h && dib.PixelFormat() == format) return;
  dib = gfx::TDib();
  dib = gfx::TDib(w, h, format);
}

// The first n bytes from the stream's position, which is kept, for a content test; false when fewer are
// there or the whole stream is not longer than `longerThan` bytes.
inline bool PeekBytes(TOXStream& stream, uint8_t* out, int64_t n, int64_t longerThan) {
  const int64_t pos = stream.Position();
  TOXReader r(stream);
  const bool read = stream.Size() > longerThan && r.ReadInto(out, n);
  stream.SetPosition(pos);
  return read;
}

}  // namespace ox
