// Reading the DIB info header and widening its bit-field channels.
#include "imaging/model/DibInfo.h"

#include <algorithm>
#include <bit>

#include "imaging/model/Rounding.h"

namespace ox {

bool ReadDibInfo(TOXReader& r, TDibInfo& info) {
  TDibInfo& d = info;
  d = TDibInfo{};
  d.HeaderSize = r.ReadU32LE();
  if (r.Failed()) return false;
  if (d.HeaderSize == kDibCoreHeaderSize) {
    uint16_t w = 0, h = 0, planes = 0, bits = 0;
    r.LE(w, h, planes, bits);
    d.Core = true;
    d.Width = w, d.Height = h, d.Planes = planes, d.Bits = bits;
  } else if (d.HeaderSize >= 16) {
    // Fields a short header leaves out read as zero.
    uint8_t b[kOs2V2HeaderSize] = {};
    StoreU32LE(b, d.HeaderSize);
    r.ReadInto(b + 4, std::min<uint32_t>(d.HeaderSize, kOs2V2HeaderSize) - 4);
    if (d.HeaderSize > kOs2V2HeaderSize) r.Skip(d.HeaderSize - kOs2V2HeaderSize);
    TOXReader f(b, sizeof b);
    f.Skip(4);
    int32_t w = 0, h = 0;
    uint16_t planes = 0, bits = 0;
    f.LE(w, h, planes, bits, d.Compression, d.ImageSize, d.XPelsPerMeter, d.YPelsPerMeter, d.ColorsUsed);
    f.Skip(4);  // colours important
    f.LE(d.Masks[0], d.Masks[1], d.Masks[2]);
    d.Width = w, d.Planes = planes, d.Bits = bits;
    d.TopDown = h < 0;
    d.Height = d.TopDown ? -int64_t(h) : h;
    d.MasksInHeader = d.HeaderSize >= kDibV2HeaderSize;
    if (d.HeaderSize == kOs2V2HeaderSize && d.Compression >= dcBitFields) d.Compression += kOs2Compression;
    if (d.BitFields() && !d.MasksInHeader) r.LE(d.Masks[0], d.Masks[1], d.Masks[2]);
  } else {
    return false;
  }
  if (r.Failed()) return false;
  if (!d.BitFields() || (d.Masks[0] | d.Masks[1] | d.Masks[2]) == 0) {
    if (d.Bits == 32) d.Masks[0] = 0xFF0000, d.Masks[1] = 0xFF00, d.Masks[2] = 0xFF;
    else d.Masks[0] = 0x7C00, d.Masks[1] = 0x03E0, d.Masks[2] = 0x001F;
  }
  return true;
}

TDibChannel::TDibChannel(uint32_t mask) : mask_(mask) {
  if (!mask) return;
  shift_ = std::countr_zero(mask);
  bits_ = std::countr_one(mask >> shift_);
}

int DpiOfPelsPerMeter(int32_t ppm, int fallback) {
  const int64_t dpi = Round(double(ppm) / 100.0 * 2.54);
  return dpi <= 0 || dpi > 1000000 ? fallback : int(dpi);
}

}  // namespace ox
