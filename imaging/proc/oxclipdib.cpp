// Packed DIB encoding and bounds-checked decoding.
#include "imaging/proc/oxclipdib.h"

#include <bit>
#include <cstring>

#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Width of the run of set bits starting at the lowest set bit; 0 for an empty mask.
int RunWidth(uint32_t mask) {
  if (mask == 0) return 0;
  return std::countr_one(mask >> std::countr_zero(mask));
}

// Shifts right by n, or left by -n, so that no shift count is ever negative.
uint32_t ShiftBy(uint32_t v, int n) { return n >= 0 ? (n >= 32 ? 0 : v >> n) : (-n >= 32 ? 0 : v << -n); }

}  // namespace

std::vector<uint8_t> EncodeClipboardDib(const gfx::TDib& source) {
  gfx::TDib copy;
  const gfx::TDib* dib = &source;
  const bool mono = source.PixelFormat() == gfx::TPixelFormat::pf1bit;
  if (!mono && source.PixelFormat() != gfx::TPixelFormat::pf24bit) {
    copy.Assign(source);
    copy.SetPixelFormat(gfx::TPixelFormat::pf24bit);
    dib = &copy;
  }
  const int w = dib->Width(), h = dib->Height();
  const int bits = mono ? 1 : 24;
  const int64_t row = ((int64_t(w) * bits + 31) / 32) * 4;
  const size_t tableBytes = mono ? 8 : 0;
  std::vector<uint8_t> block(40 + tableBytes + size_t(row) * size_t(h) + 4, 0);
  Put32(&block[0], 40);
  Put32(&block[4], uint32_t(w));
  Put32(&block[8], uint32_t(h));
  Put16(&block[12], 1);
  Put16(&block[14], uint16_t(bits));
  if (mono) Put32(&block[44], 0xFFFFFFFF);
  uint8_t* out = block.data() + 40 + tableBytes;
  const int64_t copyBytes = std::min<int64_t>(row, dib->RowLength());
  for (int y = h - 1; y >= 0; --y, out += row) std::memcpy(out, dib->ScanLine(y), size_t(copyBytes));
  return block;
}

bool DecodeClipboardDib(std::span<const uint8_t> block, gfx::TDib& out) {
  const size_t size = block.size();
  if (size < 40) return false;
  const uint8_t* p = block.data();
  const uint32_t headerSize = Get32(p);
  if (headerSize < 40 || headerSize > size) return false;
  const int32_t w = int32_t(Get32(p + 4));
  const int32_t rawH = int32_t(Get32(p + 8));
  const int bits = Get16(p + 14);
  const uint32_t compression = Get32(p + 16);
  uint32_t used = Get32(p + 32);
  if (w < 1 || rawH == 0 || rawH == INT32_MIN) return false;
  const bool topDown = rawH < 0;
  const int h = topDown ? -rawH : rawH;
  if (!gfx::ImageSizeAllowed(w, h, 24)) return false;

  const bool bitFields = compression == 3;
  if (!(compression == 0 || (bitFields && (bits == 16 || bits == 32)))) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;

  size_t offset = headerSize;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bitFields) {
    // A 40-byte header is followed by the masks; longer headers hold them at offset 40.
    size_t at = headerSize == 40 ? offset : 40;
    if (at + 12 > size) return false;
    for (int i = 0; i < 3; ++i) masks[i] = Get32(p + at + 4 * i);
    if (headerSize == 40) offset += 12;
  }
  std::vector<gfx::TRGB> table;
  if (bits <= 8) {
    const uint32_t max = 1u << bits;
    if (used == 0 || used > max) used = max;
    if (offset + size_t(used) * 4 > size) return false;
    table.assign(max, gfx::TRGB{});  // entries the block doesn't give are black
    for (uint32_t i = 0; i < used; ++i) table[i] = gfx::TRGB{p[offset + 4 * i + 2], p[offset + 4 * i + 1], p[offset + 4 * i]};
    offset += size_t(used) * 4;
  }
  const uint64_t row = ((uint64_t(w) * uint64_t(bits) + 31) / 32) * 4;
  if (offset > size || row * uint64_t(h) > size - offset) return false;

  gfx::TDib dib(w, h, bits == 1 ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  const int wr = RunWidth(masks[0]), wg = RunWidth(masks[1]), wb = RunWidth(masks[2]);
  for (int y = 0; y < h; ++y) {
    // Rows are stored bottom-up unless the height was negative.
    const uint8_t* src = p + offset + row * uint64_t(topDown ? y : h - 1 - y);
    uint8_t* dst = dib.ScanLine(y);
    switch (bits) {
      case 1:
        std::memcpy(dst, src, size_t(std::min<int64_t>(int64_t(row), dib.RowLength())));
        break;
      case 4:
        for (int x = 0; x < w; ++x) {
          const gfx::TRGB& c = table[(x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4)];
          dst[3 * x] = c.b, dst[3 * x + 1] = c.g, dst[3 * x + 2] = c.r;
        }
        break;
      case 8:
        for (int x = 0; x < w; ++x) {
          const gfx::TRGB& c = table[src[x]];
          dst[3 * x] = c.b, dst[3 * x + 1] = c.g, dst[3 * x + 2] = c.r;
        }
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = Get16(src + 2 * x);
          dst[3 * x + 2] = uint8_t(ShiftBy(v & masks[0], wr + wg + wb - 8));
          dst[3 * x + 1] = uint8_t(ShiftBy(v & masks[1], wg + wb - 8));
          dst[3 * x] = uint8_t(ShiftBy((v & 0xFF) & (masks[2] & 0xFF), -(8 - wb)));
        }
        break;
      case 24:
        std::memcpy(dst, src, size_t(3) * size_t(w));
        break;
      case 32:
        for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
        break;
    }
  }
  out = std::move(dib);
  return true;
}

}  // namespace ox
