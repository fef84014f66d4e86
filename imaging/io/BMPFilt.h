// Windows bitmap reader and writer (core, Windows 3, OS/2 2.x and longer headers; RLE4, RLE8, bit fields).
#pragma once

#include <cstdint>

#include "imaging/io/oxioparams.h"
#include "platform/gfx/Dib.h"

namespace ox {

// Reads a BMP at the stream position. dataSize: bytes of BMP data when the caller knows them, else 0 (the
// file header's size field is used). dib may be null with paramsOnly. Failure sets progress.Abort().
void BMPReadStream(TOXStream& stream, gfx::TDib* dib, int64_t dataSize, bool paramsOnly, TProgressRec& progress,
                   TIOParamsVals& params);
// Writes the DIB as a BMP (BmpVersion, BmpCompressed, BitsPerSample, SamplesPerPixel, DpiX, DpiY); fills
// ColorMap with the palette written. A short write or a picture the chosen version cannot hold sets Abort.
void BMPWriteStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress);

// One row of 8-bit indexes as RLE8 (ends with 0, 0) and of 4-bit indexes (one per byte) as RLE4.
void BMPEncodeRLE8(const uint8_t* row, int count, std::vector<uint8_t>& out);
void BMPEncodeRLE4(const uint8_t* row, int count, std::vector<uint8_t>& out);

// Content test: "BM" at the start of a stream longer than the file header.
bool IsBMPStream(TOXStream& stream);
}  // namespace ox
