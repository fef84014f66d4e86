// Targa reader, writer and content test: colour-mapped, true-colour and gray, raw or RLE, TGA 2.0 extension area.
#pragma once

#include "imaging/io/oxioparams.h"
#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// True when the 18 bytes at the position look like a Targa header and the stream is not a portable anymap.
// The position is restored.
bool TryTGA(TOXStream& stream);

// Reads a Targa picture from the stream's position; dib may be null when paramsOnly. Failure sets
// progress.Abort().
void ReadTgaStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress);

// Writes a 24-bit or 1-bit DIB with an extension area and footer; offsets count from the stream's position.
void WriteTgaStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress);

}  // namespace ox
