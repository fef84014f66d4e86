// Packed DIB encoding, and the bounds-checked layout reader and decoder for blocks other programs offer.
#include "imaging/proc/oxclipdib.h"

#include <algorithm>
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

// One channel of a bit-field pixel scaled to 8 bits. Masks at any position work, so shifts never go
// negative; for the usual 5-5-5, 5-6-5 and 8-8-8 layouts this is the plain shift of the channel's bits.
uint8_t Channel(uint32_t v, uint32_t mask) {
  const int width = RunWidth(mask);
  if (width == 0) return 0;
  uint32_t c = (v & mask) >> std::countr_zero(mask);
  if (width < 32) c &= (uint32_t(1) << width) - 1;
  return uint8_t(width >= 8 ? c >> (width - 8) : c << (8 - width));
}

void PutEntry(uint8_t* p, const gfx::TRGB& c) {
  p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = 0;
}

constexpr gfx::TRGB kBlack{0, 0, 0}, kWhite{255, 255, 255};

}  // namespace

std::vector<uint8_t> EncodeClipboardDib(const gfx::TDib& source) {
  gfx::TDib copy;
  const gfx::TDib* dib = &source;
  // Many programs ignore the table of a 1-bit block, so it is always black, white with the bits to
  // match; a picture of two other colours travels as 24-bit to keep them.
  const auto& pal = source.Palette();
  const bool oneBit = source.PixelFormat() == gfx::TPixelFormat::pf1bit;
  const bool whiteFirst = oneBit && pal.size() >= 2 && pal[0] == kWhite && pal[1] == kBlack;
  const bool mono = oneBit && (pal.size() < 2 || whiteFirst || (pal[0] == kBlack && pal[1] == kWhite));
  if (!mono && source.PixelFormat() != gfx::TPixelFormat::pf24bit) {
    copy.Assign(source);
    copy.SetPixelFormat(gfx::TPixelFormat::pf24bit);
    dib = &copy;
  }
  const int w = dib->Width(), h = dib->Height();
  const int bits = mono ? 1 : 24;
  const int64_t row = gfx::RowBytes(w, bits);
  const size_t tableBytes = mono ? 8 : 0;
  // Zero-filled, the 4 spare bytes after the last row included: nothing of our memory leaves the process.
  std::vector<uint8_t> block(40 + tableBytes + size_t(row) * size_t(h) + 4, 0);
  Put32(&block[0], 40);
  Put32(&block[4], uint32_t(w));
  Put32(&block[8], uint32_t(h));
  Put16(&block[12], 1);
  Put16(&block[14], uint16_t(bits));
  if (mono) {
    PutEntry(&block[40], kBlack);
    PutEntry(&block[44], kWhite);
  }
  uint8_t* out = block.data() + 40 + tableBytes;
  const int64_t copyBytes = std::min<int64_t>(row, dib->RowLength());
  for (int y = h - 1; y >= 0; --y, out += row) {
    std::memcpy(out, dib->ScanLine(y), size_t(copyBytes));
    if (whiteFirst)
      for (int64_t i = 0; i < copyBytes; ++i) out[i] = uint8_t(~out[i]);
  }
  return block;
}

bool IsClipboardDibHeaderSize(uint32_t headerSize) {
  return headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124;
}

bool ReadClipboardDibHeader(std::span<const uint8_t> block, TClipDibLayout& layout) {
  const size_t size = block.size();
  if (size < 40) return false;
  const uint8_t* p = block.data();
  TClipDibLayout l;
  l.headerSize = Get32(p);
  if (!IsClipboardDibHeaderSize(l.headerSize) || l.headerSize > size) return false;
  const int32_t w = int32_t(Get32(p + 4));
  const int32_t rawH = int32_t(Get32(p + 8));
  l.bits = Get16(p + 14);
  l.compression = Get32(p + 16);
  const uint32_t used = Get32(p + 32);
  if (w < 1 || rawH == 0 || rawH == INT32_MIN) return false;
  l.topDown = rawH < 0;
  l.width = w;
  l.height = l.topDown ? -rawH : rawH;
  if (!gfx::ImageSizeAllowed(l.width, l.height, 24)) return false;

  const bool bitFields = l.compression == 3;
  if (!(l.compression == 0 || (bitFields && (l.bits == 16 || l.bits == 32)))) return false;
  if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 16 && l.bits != 24 && l.bits != 32) return false;

  size_t offset = l.headerSize;
  if (bitFields) {
    // A 40-byte header is followed by the masks; longer headers hold them at offset 40.
    const size_t at = l.headerSize == 40 ? offset : 40;
    if (at + 12 > size) return false;
    uint32_t m[3];
    for (int i = 0; i < 3; ++i) m[i] = Get32(p + at + 4 * i);
    // Masks left empty mean the plain layout of the depth.
    if (m[0] | m[1] | m[2]) std::copy_n(m, 3, l.masks);
    else if (l.bits == 32) l.masks[0] = 0xFF0000, l.masks[1] = 0xFF00, l.masks[2] = 0xFF;
    if (l.headerSize == 40) offset += 12;
  }
  // The table follows the header (and masks). Up to 8 bits it holds at most 2^bits entries; deeper
  // pictures may carry an optional table the rows come after.
  uint64_t entries = used;
  if (l.bits <= 8) {
    const uint32_t max = 1u << l.bits;
    if (entries == 0 || entries > max) entries = max;
  }
  if (entries > (size - offset) / 4) return false;
  l.tableOffset = offset;
  l.tableEntries = size_t(entries);
  offset += size_t(entries) * 4;

  l.rowBytes = uint64_t(gfx::RowBytes(l.width, l.bits));
  l.pixelOffset = offset;
  layout = l;
  return true;
}

bool ReadClipboardDibLayout(std::span<const uint8_t> block, TClipDibLayout& layout) {
  TClipDibLayout l;
  if (!ReadClipboardDibHeader(block, l)) return false;
  if (l.rowBytes * uint64_t(l.height) > block.size() - l.pixelOffset) return false;
  layout = l;
  return true;
}

bool DecodeClipboardDib(std::span<const uint8_t> block, gfx::TDib& out) {
  TClipDibLayout l;
  if (!ReadClipboardDibLayout(block, l)) return false;
  const uint8_t* p = block.data();
  const int w = l.width, h = l.height;

  std::vector<gfx::TRGB> table;
  if (l.bits <= 8) {
    table.assign(size_t(1) << l.bits, gfx::TRGB{});  // entries the block doesn't give are black
    for (size_t i = 0; i < l.tableEntries; ++i) {
      const uint8_t* e = p + l.tableOffset + 4 * i;
      table[i] = gfx::TRGB{e[2], e[1], e[0]};
    }
  }
  // 1-bit rows are kept as bits when the two colours are black and white; inverted tables flip the bits,
  // any other pair of colours goes through the table into 24 bits.
  const bool monoPlain = l.bits == 1 && table[0] == kBlack && table[1] == kWhite;
  const bool monoInverted = l.bits == 1 && table[0] == kWhite && table[1] == kBlack;
  const bool keepBits = monoPlain || monoInverted;

  gfx::TDib dib(w, h, keepBits ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  const size_t rowCopy = size_t(std::min<uint64_t>(l.rowBytes, uint64_t(dib.RowLength())));
  for (int y = 0; y < h; ++y) {
    // Rows are stored bottom-up unless the height was negative.
    const uint8_t* src = p + l.pixelOffset + l.rowBytes * uint64_t(l.topDown ? y : h - 1 - y);
    uint8_t* dst = dib.ScanLine(y);
    auto put = [dst](int x, const gfx::TRGB& c) { dst[3 * x] = c.b, dst[3 * x + 1] = c.g, dst[3 * x + 2] = c.r; };
    switch (l.bits) {
      case 1:
        if (keepBits) {
          std::memcpy(dst, src, rowCopy);
          if (monoInverted)
            for (size_t i = 0; i < rowCopy; ++i) dst[i] = uint8_t(~dst[i]);
        } else {
          for (int x = 0; x < w; ++x) put(x, table[(src[x >> 3] >> (7 - (x & 7))) & 1]);
        }
        break;
      case 4:
        for (int x = 0; x < w; ++x) put(x, table[(x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4)]);
        break;
      case 8:
        for (int x = 0; x < w; ++x) put(x, table[src[x]]);
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = Get16(src + 2 * x);
          put(x, gfx::TRGB{Channel(v, l.masks[0]), Channel(v, l.masks[1]), Channel(v, l.masks[2])});
        }
        break;
      case 24:
        std::memcpy(dst, src, size_t(3) * size_t(w));
        break;
      case 32:
        if (l.compression == 3) {
          for (int x = 0; x < w; ++x) {
            const uint32_t v = Get32(src + 4 * x);
            put(x, gfx::TRGB{Channel(v, l.masks[0]), Channel(v, l.masks[1]), Channel(v, l.masks[2])});
          }
        } else {
          for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
        }
        break;
    }
  }
  out = std::move(dib);
  return true;
}

}  // namespace ox
