// LZW coders for TIFF strips: the built-in defaults behind the TIFF coder hooks.
#pragma once

#include "imaging/io/oxioparams.h"

namespace ox {

// Decodes one strip or tile (codes MSB first with the early width change, or the old LSB-first variant);
// the result always has decodedSize bytes, zero-filled past the end of the codes. nullptr data ends.
const uint8_t* TiffLzwDecode(const uint8_t* data, int64_t length, int64_t decodedSize, std::shared_ptr<void>& state);
// Encodes a strip row by row into stream; nullptr row writes the last code, the end code and the last byte.
void TiffLzwEncode(const uint8_t* row, int64_t count, TOXStream& stream, std::shared_ptr<void>& state);

// Sets DefaultTiffLzwDecoder and DefaultTiffLzwEncoder to the coders above again; they are the defaults
// from the start, so only a program that replaced them needs this.
void InstallTiffLzwCoders();

}  // namespace ox
