// GIF LZW: variable-width codes from minimum code size + 1 up to 12 bits, clear and end-of-information codes.
#include "imaging/io/GIFLzw.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/oxioparams.h"

namespace ox {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;

// File order of the rows of an interlaced picture: every 8th from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1.
std::vector<int> InterlacedRows(int height) {
  static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  std::vector<int> rows;
  rows.reserve(size_t(height));
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

// The sub-blocks' bytes joined, up to the zero-length terminator or the end of the stream; a cut-off last
// block keeps the bytes that are there. The stream is read in large pieces and left just after the
// terminator. Eight zero bytes follow the data so codes can be fetched 64 bits at a time.
size_t ReadSubBlocks(TOXStream& stream, std::vector<uint8_t>& data) {
  data.clear();
  std::vector<uint8_t> chunk(65536);
  int blockLeft = 0;
  bool done = false;
  while (!done) {
    const int64_t got = stream.Read(chunk.data(), int64_t(chunk.size()));
    if (got <= 0) break;
    int64_t i = 0;
    while (i < got) {
      if (blockLeft > 0) {
        const int64_t n = std::min<int64_t>(blockLeft, got - i);
        data.insert(data.end(), chunk.begin() + i, chunk.begin() + i + n);
        blockLeft -= int(n);
        i += n;
      } else {
        blockLeft = chunk[size_t(i++)];
        if (blockLeft == 0) {
          done = true;
          break;
        }
      }
    }
    if (done && i < got) stream.Seek(i - got, soCurrent);
  }
  const size_t size = data.size();
  data.resize(size + 8, 0);
  return size;
}

struct TCodeTable {
  uint16_t prefix[kMaxCodes];
  uint8_t suffix[kMaxCodes];
  uint8_t first[kMaxCodes];
  uint16_t length[kMaxCodes];
};

// Decodes into out[0 .. total); returns the pixels produced, or -1 when not even the first code is valid.
// Decoding stops at the end code, at the end of the data, when the picture is full or at an invalid code.
int64_t DecodeCodes(const uint8_t* data, size_t size, int minCodeSize, uint8_t* out, int64_t total) {
  const int clear = 1 << minCodeSize, eoi = clear + 1;
  auto table = std::make_unique<TCodeTable>();
  TCodeTable& t = *table;
  for (int i = 0; i < clear; ++i) {
    t.prefix[i] = 0;
    // Minimum code sizes above 8 give single-pixel codes no byte can hold: they end at 255.
    t.suffix[i] = uint8_t(std::min(i, 255));
    t.first[i] = t.suffix[i];
    t.length[i] = 1;
  }
  int next = clear + 2, width = minCodeSize + 1;
  uint32_t mask = (1u << width) - 1;
  int prev = -1;
  uint64_t bit = 0;
  const uint64_t endBit = uint64_t(size) * 8;
  int64_t pos = 0;
  uint8_t spill[kMaxCodes];

  while (pos < total && bit + uint64_t(width) <= endBit) {
    uint64_t word;
    std::memcpy(&word, data + (bit >> 3), 8);
    const int code = int((word >> (bit & 7)) & mask);
    bit += uint64_t(width);

    if (code == clear) {
      next = clear + 2;
      width = minCodeSize + 1;
      mask = (1u << width) - 1;
      prev = -1;
      continue;
    }
    if (code == eoi) break;
    if (prev < 0) {
      // Right after a clear (or at the start of data that has none) only single-pixel codes are valid.
      if (code > clear) return pos == 0 ? -1 : pos;
      out[pos++] = t.suffix[code];
      prev = code;
      continue;
    }
    if (code > next || (code == next && next >= kMaxCodes)) return pos == 0 ? -1 : pos;
    if (next < kMaxCodes) {
      const uint8_t head = code < next ? t.first[code] : t.first[prev];
      t.prefix[next] = uint16_t(prev);
      t.suffix[next] = head;
      t.first[next] = t.first[prev];
      t.length[next] = uint16_t(t.length[prev] + 1);
      ++next;
      if (next == (1 << width) && width < kMaxCodeBits) {
        ++width;
        mask = (1u << width) - 1;
      }
    }
    const int len = t.length[code];
    const bool fits = pos + len <= total;
    uint8_t* p = (fits ? out + pos : spill) + len;
    int c = code;
    while (c >= clear) {
      *--p = t.suffix[c];
      c = t.prefix[c];
    }
    *--p = t.suffix[c];
    if (fits) {
      pos += len;
    } else {
      std::memcpy(out + pos, spill, size_t(total - pos));
      pos = total;
    }
    prev = code;
  }
  return pos;
}

class TBitWriter {
 public:
  void Put(int code, int width) {
    acc_ |= uint64_t(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      bytes.push_back(uint8_t(acc_));
      acc_ >>= 8;
      count_ -= 8;
    }
  }
  void Flush() {
    if (count_ > 0) bytes.push_back(uint8_t(acc_));
    acc_ = 0;
    count_ = 0;
  }
  std::vector<uint8_t> bytes;

 private:
  uint64_t acc_ = 0;
  int count_ = 0;
};

// Open-addressing dictionary of (prefix code, pixel) -> code, sized for a load below 1/4.
class TEncoderTable {
 public:
  static constexpr uint32_t kSize = 16384;
  void Clear() { std::fill(std::begin(keys_), std::end(keys_), 0u); }
  // Slot of key; keys_[slot] == 0 when absent.
  uint32_t Find(uint32_t key) const {
    uint32_t h = (key * 2654435761u) >> 18;
    while (keys_[h] != 0 && keys_[h] != key + 1) h = (h + 1) & (kSize - 1);
    return h;
  }
  bool Has(uint32_t slot) const { return keys_[slot] != 0; }
  int Code(uint32_t slot) const { return codes_[slot]; }
  void Insert(uint32_t slot, uint32_t key, int code) {
    keys_[slot] = key + 1;
    codes_[slot] = uint16_t(code);
  }

 private:
  uint32_t keys_[kSize] = {};
  uint16_t codes_[kSize] = {};
};

}  // namespace

void GifLzwDecode(TOXStream& stream, int height, int width, uint8_t* pixels, bool interlaced) {
  const int64_t start = stream.Position();
  uint8_t minCodeSize = 0;
  if (stream.Read(&minCodeSize, 1) != 1) return;
  std::vector<uint8_t> data;
  const size_t size = ReadSubBlocks(stream, data);
  if (minCodeSize < 1 || minCodeSize > kMaxCodeBits - 1 || width <= 0 || height <= 0 || pixels == nullptr) {
    stream.SetPosition(start);
    return;
  }
  const int64_t total = int64_t(width) * height;
  int64_t produced;
  if (!interlaced) {
    produced = DecodeCodes(data.data(), size, minCodeSize, pixels, total);
  } else {
    std::vector<uint8_t> fileOrder(static_cast<size_t>(total));
    produced = DecodeCodes(data.data(), size, minCodeSize, fileOrder.data(), total);
    const std::vector<int> rows = InterlacedRows(height);
    for (int i = 0; i < height && int64_t(i) * width < produced; ++i) {
      const int64_t n = std::min<int64_t>(width, produced - int64_t(i) * width);
      std::memcpy(pixels + int64_t(rows[size_t(i)]) * width, fileOrder.data() + int64_t(i) * width, size_t(n));
    }
  }
  if (produced < 0) stream.SetPosition(start);
}

void GifLzwEncode(TOXStream& stream, int height, int width, int bitsPerPixel, const uint8_t* pixels, bool interlaced) {
  const int bits = std::clamp(bitsPerPixel, 1, 8);
  const int minCodeSize = std::max(2, bits);
  const int clear = 1 << minCodeSize, eoi = clear + 1;
  const uint8_t valueMask = uint8_t((1 << bits) - 1);
  TBitWriter out;
  auto table = std::make_unique<TEncoderTable>();
  int next = clear + 2, codeWidth = minCodeSize + 1;
  out.Put(clear, codeWidth);

  if (width > 0 && height > 0 && pixels != nullptr) {
    std::vector<int> rows;
    if (interlaced) rows = InterlacedRows(height);
    int prefix = -1;
    for (int i = 0; i < height; ++i) {
      const uint8_t* row = pixels + int64_t(interlaced ? rows[size_t(i)] : i) * width;
      for (int x = 0; x < width; ++x) {
        const int c = row[x] & valueMask;
        if (prefix < 0) {
          prefix = c;
          continue;
        }
        const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(c);
        const uint32_t slot = table->Find(key);
        if (table->Has(slot)) {
          prefix = table->Code(slot);
          continue;
        }
        out.Put(prefix, codeWidth);
        if (next < kMaxCodes) {
          table->Insert(slot, key, next++);
          if (next > (1 << codeWidth) && codeWidth < kMaxCodeBits) ++codeWidth;
        } else {
          out.Put(clear, codeWidth);
          table->Clear();
          next = clear + 2;
          codeWidth = minCodeSize + 1;
        }
        prefix = c;
      }
    }
    if (prefix >= 0) {
      out.Put(prefix, codeWidth);
      // The decoder adds an entry for this last code too; the end code follows at the width that gives.
      if (next < kMaxCodes && ++next > (1 << codeWidth) && codeWidth < kMaxCodeBits) ++codeWidth;
    }
  }
  out.Put(eoi, codeWidth);
  out.Flush();

  const std::vector<uint8_t>& bytes = out.bytes;
  std::vector<uint8_t> blocks;
  blocks.reserve(bytes.size() + bytes.size() / 255 + 3);
  blocks.push_back(uint8_t(minCodeSize));
  for (size_t i = 0; i < bytes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - i);
    blocks.push_back(uint8_t(n));
    blocks.insert(blocks.end(), bytes.begin() + int64_t(i), bytes.begin() + int64_t(i + n));
  }
  blocks.push_back(0);
  stream.Write(blocks.data(), int64_t(blocks.size()));
}

void InstallGifLzwCoders() {
  DefaultGifLzwDecoder = GifLzwDecode;
  DefaultGifLzwEncoder = GifLzwEncode;
}

}  // namespace ox
