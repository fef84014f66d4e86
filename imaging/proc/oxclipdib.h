// The packed DIB of clipboard exchange: encoding our pictures, and decoding what other programs offer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/gfx/Dib.h"

namespace ox {

// 40-byte header, for 1 bit the fixed table black, white, rows bottom-up padded to 4 bytes, 4 zeroed spare
// bytes. Black-and-white 1-bit pictures stay 1-bit (bits flipped when their own table is white, black);
// every other picture, 1-bit ones of two other colours included, is packed as 24-bit.
std::vector<uint8_t> EncodeClipboardDib(const gfx::TDib& dib);

// Where the parts of a packed DIB lie, once its header has been checked against the block.
struct TClipDibLayout {
  uint32_t headerSize = 0;  // 40, 52, 56, 108 or 124
  int width = 0, height = 0;
  bool topDown = false;     // negative height in the header
  int bits = 0;
  uint32_t compression = 0;  // 0 plain, 3 bit fields
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue for 16 and 32 bits
  size_t tableOffset = 0, tableEntries = 0;      // colour entries present in the block
  size_t pixelOffset = 0;
  uint64_t rowBytes = 0;
};

// Header sizes of the DIB header family a clipboard block may carry.
bool IsClipboardDibHeaderSize(uint32_t headerSize);

// The header part: a known header size, a supported bit count and compression, the size guard, masks
// and colour table inside the block. Says where the rows begin without asking that they fit.
bool ReadClipboardDibHeader(std::span<const uint8_t> block, TClipDibLayout& layout);
// The header part and rows that fit the block: everything the decoder relies on.
bool ReadClipboardDibLayout(std::span<const uint8_t> block, TClipDibLayout& layout);

// The block is untrusted and checked by ReadClipboardDibLayout. 1-bit pictures whose table is black and
// white (either order) stay 1-bit; everything else becomes 24-bit. False, `out` untouched, for anything
// that is not a decodable DIB.
bool DecodeClipboardDib(std::span<const uint8_t> block, gfx::TDib& out);

}  // namespace ox
