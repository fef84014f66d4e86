// The GIF LZW coders: the built-in defaults behind the GIF codec's hooks.
#pragma once

#include <cstdint>

#include "imaging/model/oxstreams.h"

namespace ox {

// Decodes one image's data (minimum-code-size byte, sub-blocks, terminator) into width x height indexes,
// rows from the top in display order. Codes past the end of the image are dropped; pixels the data does not
// reach keep the buffer's previous values; minimum code sizes 1 to 11 are accepted. When the data cannot be
// decoded at all (another minimum code size, a first code that is not in the table) the stream is put back
// where it was, which the codec reads as a failed decode.
void GifLzwDecode(TOXStream& stream, int height, int width, uint8_t* pixels, bool interlaced);

// Writes the minimum-code-size byte, the data sub-blocks and the terminator for width x height indexes of
// bitsPerPixel bits (1..8; higher bits of an index are ignored), rows from the top.
void GifLzwEncode(TOXStream& stream, int height, int width, int bitsPerPixel, const uint8_t* pixels, bool interlaced);

// Makes the two coders above DefaultGifLzwDecoder and DefaultGifLzwEncoder again; they are the defaults
// from the start, so only a program that replaced them needs this.
void InstallGifLzwCoders();

}  // namespace ox
