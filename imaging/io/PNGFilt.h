// PNG codec on libpng 1.6 and zlib: signature test, reader and writer with the view's alpha mask.
#pragma once

#include "imaging/io/oxioparams.h"
#include "imaging/model/oxmask.h"
#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Message of the exception the writer raises when the library fails.
inline constexpr const char* kPngErrorMessage = "Error on creating PNG";

// True when the next 8 bytes are the PNG signature; the position is restored.
bool IsPNGStream(TOXStream& stream);

// Decodes into a 1-bit (1-bit gray or palette files) or 24-bit DIB. With a mask the alpha channel goes
// into it; without one transparent pixels are composed over the file's background or PngBackground.
// Failure sets progress.Abort(); only exceptions of the stream itself pass to the caller.
void ReadPNGStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* mask, bool paramsOnly,
                   TProgressRec& progress);

// Encodes RGB, RGB with alpha (from a mask that is not fully opaque), palette or 1-bit gray.
// A library error raises EOrvexError(kPngErrorMessage); a short write sets Aborted.
void WritePNGStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TOXMask* mask,
                    TProgressRec& progress);

}  // namespace ox
