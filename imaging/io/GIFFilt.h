// GIF reader (one frame, chosen by GifImageIndex), single-frame writer and frame counter; LZW through the hooks.
#pragma once

#include <string>

#include "imaging/io/oxioparams.h"
#include "imaging/model/oxmask.h"
#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Reads frame params.GifImageIndex into dib (1-bit for a black/white two-colour frame, else 24-bit) and its
// transparency into alphaMask (8-bit, 0 = transparent; may be null). dib may be null when paramsOnly.
// imageCount (may be null) receives the frames counted, as GifImageCount does. Failure sets
// progress.Abort() and leaves dib as it was.
void ReadGifStream(TOXStream& stream, gfx::TDib* dib, int* imageCount, TOXMask* alphaMask, bool paramsOnly,
                   TProgressRec& progress, TIOParamsVals& params);
// Opens the file for reading; EOrvexError when it cannot be opened.
void ReadGifFile(const std::string& fileName, gfx::TDib* dib, int* imageCount, TOXMask* alphaMask, bool paramsOnly,
                 TProgressRec& progress, TIOParamsVals& params);

// Writes dib as a one-frame GIF of 2^BitsPerSample colours (1..8 bits) with a graphic control extension.
// With an alpha mask, its pixels below half opacity go out as the transparent index (GifTransparent is set
// to whether there are any); without one, GifTransparent makes the index of GifTransparentColor transparent.
void WriteGifStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress,
                    const TOXMask* mask = nullptr);
// Creates (truncates) the file first; EOrvexError when it cannot be created.
void WriteGifFile(const std::string& fileName, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress,
                  const TOXMask* mask = nullptr);

// Frames before the trailer or the end of the data; 0 when the file cannot be read or is not a GIF.
int GifFrameCount(TOXStream& stream);
int GifFrameCount(const std::string& fileName);

// Content test: "GIF" at the start of a stream long enough for the screen descriptor.
bool IsGIFStream(TOXStream& stream);
}  // namespace ox
