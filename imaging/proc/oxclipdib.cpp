// Packed DIB encoding, and the bounds-checked layout reader and decoder for blocks other programs offer.
#include "imaging/proc/oxclipdib.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/model/DibInfo.h"
#include "imaging/model/IndexedRows.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

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
  StoreU32LE(&block[0], 40);
  StoreU32LE(&block[4], uint32_t(w));
  StoreU32LE(&block[8], uint32_t(h));
  StoreU16LE(&block[12], 1);
  StoreU16LE(&block[14], uint16_t(bits));
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
  l.headerSize = LoadU32LE(p);
  if (!IsClipboardDibHeaderSize(l.headerSize) || l.headerSize > size) return false;
  TOXReader r(p, size);
  TDibInfo d;
  if (!ReadDibInfo(r, d)) return false;
  // A height of -2^31 has no positive counterpart in the header's own type.
  if (d.Width < 1 || d.Height == 0 || d.Height > INT32_MAX) return false;
  l.topDown = d.TopDown;
  l.width = int(d.Width);
  l.height = int(d.Height);
  l.bits = d.Bits;
  l.compression = d.Compression;
  const uint32_t used = d.ColorsUsed;
  if (!gfx::ImageSizeAllowed(l.width, l.height, 24)) return false;

  const bool bitFields = d.BitFields();
  if (!(l.compression == dcRgb || (bitFields && (l.bits == 16 || l.bits == 32)))) return false;
  if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 16 && l.bits != 24 && l.bits != 32) return false;
  std::copy_n(d.Masks, 3, l.masks);
  // The masks of a 40-byte header follow it.
  size_t offset = size_t(r.Position());
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
  const TDibChannel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
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
          ExpandIndexes1(src, w, table.data(), dst);
        }
        break;
      case 4: ExpandIndexes4(src, w, table.data(), dst); break;
      case 8: ExpandIndexes8(src, w, table.data(), dst); break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = LoadU16LE(src + 2 * x);
          put(x, gfx::TRGB{red(v), green(v), blue(v)});
        }
        break;
      case 24:
        std::memcpy(dst, src, size_t(3) * size_t(w));
        break;
      case 32:
        if (l.compression == 3) {
          for (int x = 0; x < w; ++x) {
            const uint32_t v = LoadU32LE(src + 4 * x);
            put(x, gfx::TRGB{red(v), green(v), blue(v)});
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
