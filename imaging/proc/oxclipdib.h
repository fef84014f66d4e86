// The packed DIB of clipboard exchange: encoding our pictures, and decoding what other programs offer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gfx/Dib.h"

namespace ox {

// 40-byte header, two colour entries for 1 bit, rows bottom-up padded to 4 bytes, 4 zero spare bytes.
// 1-bit pictures stay 1-bit; every other format is packed as 24-bit.
std::vector<uint8_t> EncodeClipboardDib(const gfx::TDib& dib);

// The block is untrusted: header sizes 40 and longer (V4, V5), colour tables bounded by 2^bits and the
// block, rows that must fit, negative heights read top-down, the size guard. False, `out` untouched, for
// anything that is not a decodable DIB.
bool DecodeClipboardDib(std::span<const uint8_t> block, gfx::TDib& out);

}  // namespace ox
