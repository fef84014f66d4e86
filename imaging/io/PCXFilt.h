// PCX (PC Paintbrush) reader and writer: 1-, 4-, 8-bit one plane, 16 colours in four planes, 24 bits in three.
#pragma once

#include <cstdint>

#include "imaging/io/oxioparams.h"
#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Reads `dataLength` bytes of PCX data from the stream's position (the 256-colour palette is the last 768 of
// them). dib may be null when paramsOnly. Failure sets progress.Abort(); the DIB then holds the rows read.
void ReadPcxStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress,
                   int64_t dataLength);

// Writes the DIB at the output depth BitsPerSample x SamplesPerPixel (1, 4, 8 or 24), RLE when PcxCompressed.
void WritePcxStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress);

// Content test: the PCX mark and a known version at the start of a stream longer than the header.
bool IsPCXStream(TOXStream& stream);
}  // namespace ox
