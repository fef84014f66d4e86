// The DIB info header family (12-byte core to 124-byte) and its bit fields, read once for every DIB reader.
#pragma once

#include <cstdint>

#include "imaging/model/oxstreams.h"

namespace ox {

// Header sizes met in files and on the clipboard.
constexpr uint32_t kDibCoreHeaderSize = 12, kDibInfoHeaderSize = 40, kDibV2HeaderSize = 52, kDibV3HeaderSize = 56,
                   kOs2V2HeaderSize = 64, kDibV4HeaderSize = 108, kDibV5HeaderSize = 124;

// Compression values of the info header.
enum TDibCompression : uint32_t {
  dcRgb = 0, dcRle8 = 1, dcRle4 = 2, dcBitFields = 3, dcJpeg = 4, dcPng = 5,
  // OS/2 2.x (the 64-byte header) gives 3 and 4 other meanings: its values are moved up by kOs2Compression
  // so that they are never taken for the Windows ones.
  dcOs2Huffman1D = 103, dcOs2Rle24 = 104
};
constexpr uint32_t kOs2Compression = 100;

struct TDibInfo {
  uint32_t HeaderSize = 0;
  bool Core = false;              // the 12-byte header: 16-bit sizes, 3-byte colour entries
  int64_t Width = 0, Height = 0;  // Height without its sign, which TopDown keeps
  bool TopDown = false;
  int Planes = 1, Bits = 0;
  uint32_t Compression = dcRgb;
  uint32_t ImageSize = 0, ColorsUsed = 0;
  int32_t XPelsPerMeter = 0, YPelsPerMeter = 0;
  // Red, green and blue of 16- and 32-bit pixels: the file's for bit fields (after a 40-byte header, in
  // longer ones), else, or when all three are empty, the depth's plain layout.
  uint32_t Masks[3] = {0, 0, 0};
  bool MasksInHeader = false;

  int TableEntrySize() const { return Core ? 3 : 4; }
  bool BitFields() const { return Compression == dcBitFields; }
};

// Reads the header from its size field on and, for the bit fields of a 40-byte header, the three masks
// after it. Takes 12 and any size from 16 (the part past 64 bytes is skipped); false when the reader fails
// or the size is another one, with what was read in `info` (HeaderSize at least). Callers narrow the sizes
// and check the values their contract needs.
bool ReadDibInfo(TOXReader& r, TDibInfo& info);

// One channel of a bit-field pixel brought to 8 bits: the run of set bits from the mask's lowest one, cut
// to its top 8 bits or shifted up when narrower (a 5-bit 31 is 248).
class TDibChannel {
 public:
  explicit TDibChannel(uint32_t mask = 0);
  uint8_t operator()(uint32_t pixel) const {
    if (!bits_) return 0;
    const uint32_t v = ((pixel & mask_) >> shift_) & uint32_t((uint64_t(1) << bits_) - 1);
    return uint8_t(bits_ >= 8 ? v >> (bits_ - 8) : v << (8 - bits_));
  }

 private:
  uint32_t mask_ = 0;
  int shift_ = 0, bits_ = 0;
};

// Pixels per metre of a header as dots per inch; `fallback` for none or an absurd value.
int DpiOfPelsPerMeter(int32_t ppm, int fallback);

}  // namespace ox
