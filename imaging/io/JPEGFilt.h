// JPEG codec on the system's libjpeg: start-of-image search, reader, writer and the metadata step.
#pragma once

#include <cstdint>

#include "imaging/io/oxioparams.h"
#include "imaging/model/OrvexError.h"
#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Message of the exception the writer raises when the library fails.
inline constexpr const char* kJpegErrorMessage = "JPeg corrupted file";

// What a failure of the JPEG library raises.
class EOXJpegException : public EOrvexError {
 public:
  EOXJpegException() : EOrvexError(kJpegErrorMessage) {}
};

// Looks for FF D8 FF starting at each of the next 100 positions; the position is restored.
// Returns the stream position of the first match, or -1.
int64_t JpegFindSOI(TOXStream& stream);

// Decodes the JPEG at the stream position into a 24-bit DIB (dib may be null with paramsOnly).
// Failure sets progress.Abort(); nothing is thrown for bad data. Data that ends after some rows gives a
// partial picture (progress.EndOfData with the rows that were whole); a picture whose rows are all there
// is complete whatever follows them. Sets JpegQuality and JpegSampling from the file's own tables.
void ReadJpegStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly,
                    TProgressRec& progress);

// Encodes a 24-bit or 1-bit DIB. A library error sets Aborted and raises EOXJpegException;
// a short write sets Aborted.
void WriteJpegStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress);

// After a JPEG load or parameter read: IPTC from APP13, EXIF from APP1, and the EXIF resolution when the
// JFIF header only gave an aspect ratio.
void JpegReadMetadata(TIOParamsVals& params);

}  // namespace ox
