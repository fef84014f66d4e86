// Portable anymap (PBM, PGM, PPM in text and binary forms): header tokens, reader, writer, content test.
#pragma once

#include <string>

#include "imaging/io/oxioparams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Next header token: a run of letters and digits (the byte ending it is consumed), or a comment "#text"
// (trimmed, its line end consumed); empty at the end of the stream.
std::string PXMNextToken(TOXStream& stream);

// True when the stream holds a P1..P6 header with a positive width and height; the position is restored.
bool IsPXMStream(TOXStream& stream);
// Reads P1..P6 (maximum up to 65535; two-byte samples above 255). Comments go to PxmComments.
void PXMReadStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress);
// Writes P4 (1-bit DIB, or BitsPerSample = SamplesPerPixel = 1), P5 (8 bits, 1 sample) or P6.
void PXMWriteStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress);

}  // namespace ox
