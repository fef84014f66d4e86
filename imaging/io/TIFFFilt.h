// TIFF codec: page reader (params-only mode and page counting included) and single-page writer.
#pragma once

#include <cstdint>

#include "imaging/io/oxioparams.h"
#include "imaging/model/oxmask.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Reads page params->TiffImageIndex of the TIFF at the stream position. relativeOffsets: offsets count from
// that position (else from the start of the stream). numPages receives the number of directories.
// Without params only the pages are counted. Failure sets progress.Abort().
void TIFFReadStream(gfx::TDib* dib, TOXStream& stream, int& numPages, bool relativeOffsets, TOXMask* alphaMask,
                    bool paramsOnly, TProgressRec& progress, TIOParamsVals* params);

// Number of directories of the TIFF at the stream position (0 when it is none); the position is restored.
int TIFFGetPageCount(TOXStream& stream);

// Writes dib as a one-page TIFF at the stream position, offsets counted from the start of the stream.
// Returns the pages written (1, or 0 on failure with progress.Abort()).
int TIFFWriteStream(TOXStream& stream, const gfx::TDib& dib, TProgressRec& progress, TIOParamsVals& params);

// Content test: a TIFF byte order mark and the number 42 at the stream position; the position is restored.
bool IsTIFFStream(TOXStream& stream);

// Content test of detection: a byte order mark ("II" or "MM") at the start of a stream longer than the header.
bool HasTIFFByteOrderMark(TOXStream& stream);
}  // namespace ox
