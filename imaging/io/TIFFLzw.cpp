// TIFF LZW: table decoder copying strings out of the output itself, hashed encoder.
#include "imaging/io/TIFFLzw.h"

#include <cstring>
#include <vector>

namespace ox {

namespace {

constexpr int kClear = 256, kEnd = 257, kFirst = 258, kMaxCodes = 4096;

struct TDecodeState {
  std::vector<uint8_t> out;
  uint32_t offset[kMaxCodes];
  uint16_t length[kMaxCodes];
};

// Strings are runs of the output already written: entry k is (offset, length) into out.
void Decode(TDecodeState& s, const uint8_t* data, int64_t length, int64_t size, bool lsbFirst) {
  uint8_t* out = s.out.data();
  int64_t pos = 0;
  uint64_t acc = 0;
  int accBits = 0;
  int64_t in = 0;
  int bits = 9;
  int next = kFirst;
  int prev = -1;
  int64_t prevPos = 0;
  const int early = lsbFirst ? 0 : 1;
  while (pos < size) {
    while (accBits < bits && in < length) {
      if (lsbFirst) acc |= uint64_t(data[in++]) << accBits;
      else acc = (acc << 8) | data[in++];
      accBits += 8;
    }
    if (accBits < bits) break;
    int code;
    if (lsbFirst) {
      code = int(acc & ((1u << bits) - 1));
      acc >>= bits;
    } else {
      code = int((acc >> (accBits - bits)) & ((1u << bits) - 1));
    }
    accBits -= bits;
    if (code == kClear) {
      bits = 9;
      next = kFirst;
      prev = -1;
      continue;
    }
    if (code == kEnd) break;
    int64_t len;
    if (code < 256) {
      out[pos] = uint8_t(code);
      len = 1;
    } else if (code < next) {
      len = s.length[code];
      std::memcpy(out + pos, out + s.offset[code], size_t(len));
    } else if (code == next && prev >= 0) {
      const int64_t plen = prev < 256 ? 1 : s.length[prev];
      std::memcpy(out + pos, out + prevPos, size_t(plen));
      out[pos + plen] = out[prevPos];
      len = plen + 1;
    } else {
      break;  // corrupt code
    }
    if (prev >= 0 && next < kMaxCodes) {
      const int64_t plen = prev < 256 ? 1 : s.length[prev];
      s.offset[next] = uint32_t(prevPos);
      s.length[next] = uint16_t(plen + 1);
      ++next;
    }
    prev = code;
    prevPos = pos;
    pos += len;
    if (next + early >= (1 << bits) && bits < 12) ++bits;
  }
  if (pos < size) std::memset(out + pos, 0, size_t(size - pos));
}

struct TEncodeState {
  // Open hash of (prefix << 8 | byte) -> code.
  static constexpr int kHashSize = 9001;
  int32_t keys[kHashSize];
  int16_t codes[kHashSize];
  int prefix = -1;
  int next = kFirst;
  int bits = 9;
  uint64_t acc = 0;
  int accBits = 0;
  std::vector<uint8_t> out;
  bool started = false;

  void ClearTable() {
    std::memset(keys, 0xFF, sizeof keys);
    next = kFirst;
  }
  void Put(int code) {
    acc = (acc << bits) | uint32_t(code);
    accBits += bits;
    while (accBits >= 8) {
      accBits -= 8;
      out.push_back(uint8_t(acc >> accBits));
    }
  }
};

}  // namespace

const uint8_t* TiffLzwDecode(const uint8_t* data, int64_t length, int64_t decodedSize, std::shared_ptr<void>& state) {
  if (!data) {
    state.reset();
    return nullptr;
  }
  if (decodedSize < 0 || length < 0) return nullptr;
  if (!state) state = std::make_shared<TDecodeState>();
  auto& s = *static_cast<TDecodeState*>(state.get());
  // Slack for the longest string so that a copy never needs a bound check.
  const size_t need = size_t(decodedSize) + kMaxCodes + 8;
  if (s.out.size() < need) s.out.resize(need);
  const bool lsbFirst = length >= 2 && data[0] == 0 && (data[1] & 1);
  Decode(s, data, length, decodedSize, lsbFirst);
  return s.out.data();
}

void TiffLzwEncode(const uint8_t* row, int64_t count, TOXStream& stream, std::shared_ptr<void>& state) {
  if (!state) {
    if (!row) return;
    state = std::make_shared<TEncodeState>();
  }
  auto& s = *static_cast<TEncodeState*>(state.get());
  if (!s.started) {
    s.ClearTable();
    s.Put(kClear);
    s.started = true;
  }
  if (row) {
    for (int64_t i = 0; i < count; ++i) {
      const int c = row[i];
      if (s.prefix < 0) {
        s.prefix = c;
        continue;
      }
      const int32_t key = (s.prefix << 8) | c;
      int h = int((uint32_t(key) * 2654435761u) % TEncodeState::kHashSize);
      while (s.keys[h] != -1 && s.keys[h] != key) h = h + 1 == TEncodeState::kHashSize ? 0 : h + 1;
      if (s.keys[h] == key) {
        s.prefix = s.codes[h];
        continue;
      }
      s.Put(s.prefix);
      s.keys[h] = key;
      s.codes[h] = int16_t(s.next++);
      s.prefix = c;
      if (s.next == kMaxCodes - 2) {
        s.Put(kClear);
        s.ClearTable();
        s.bits = 9;
      } else if (s.next > (1 << s.bits) - 1 && s.bits < 12) {
        ++s.bits;
      }
    }
  } else {
    if (s.prefix >= 0) {
      s.Put(s.prefix);
      // The decoder adds an entry for this code too and may widen (or clear) before reading the end code.
      const int next = s.next + 1;
      if (next == kMaxCodes - 2) {
        s.Put(kClear);
        s.bits = 9;
      } else if (next > (1 << s.bits) - 1 && s.bits < 12) {
        ++s.bits;
      }
    }
    s.Put(kEnd);
    if (s.accBits > 0) {
      s.out.push_back(uint8_t(s.acc << (8 - s.accBits)));
      s.accBits = 0;
    }
  }
  if (!s.out.empty()) {
    stream.Write(s.out.data(), int64_t(s.out.size()));
    s.out.clear();
  }
  if (!row) state.reset();
}

void InstallTiffLzwCoders() {
  DefaultTiffLzwDecoder = TiffLzwDecode;
  DefaultTiffLzwEncoder = TiffLzwEncode;
}

}  // namespace ox
