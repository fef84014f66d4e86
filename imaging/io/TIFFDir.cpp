// TIFF header, directory chain and tag values, every read clamped to the stream.
#include "imaging/io/TIFFDir.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace ox {

int TiffTypeSize(uint16_t type) {
  switch (type) {
    case ttByte: case ttAscii: case ttSByte: case ttUndefined: return 1;
    case ttShort: case ttSShort: return 2;
    case ttLong: case ttSLong: case ttFloat: case ttIfd: return 4;
    case ttRational: case ttSRational: case ttDouble: return 8;
    default: return 0;
  }
}

const TTiffEntry* FindTag(const std::vector<TTiffEntry>& entries, uint16_t tag) {
  for (const TTiffEntry& e : entries)
    if (e.Tag == tag) return &e;
  return nullptr;
}

uint16_t TTiffDirReader::U16(const uint8_t* p) const {
  return bigEndian_ ? uint16_t((p[0] << 8) | p[1]) : LoadU16LE(p);
}

uint32_t TTiffDirReader::U32(const uint8_t* p) const {
  return bigEndian_ ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3] : LoadU32LE(p);
}

bool TTiffDirReader::ReadAt(int64_t pos, void* buffer, int64_t n) {
  if (pos < 0) return false;
  stream_.SetPosition(pos);
  TOXReader r(stream_);
  return r.ReadInto(buffer, n);
}

bool TTiffDirReader::ReadHeader() {
  size_ = stream_.Size();
  uint8_t h[8];
  if (!ReadAt(base_, h, 8)) return false;
  if (h[0] == 'I' && h[1] == 'I') bigEndian_ = false;
  else if (h[0] == 'M' && h[1] == 'M') bigEndian_ = true;
  else return false;
  firstOffset_ = U32(h + 4);
  return true;
}

std::vector<uint32_t> TTiffDirReader::WalkChain(uint32_t first) {
  std::vector<uint32_t> chain;
  std::unordered_set<uint32_t> seen;
  uint32_t offset = first;
  while (offset != 0 && int(chain.size()) < kMaxTiffDirectories && !seen.count(offset)) {
    const int64_t pos = base_ + int64_t(offset);
    uint8_t b[2];
    if (!ReadAt(pos, b, 2)) break;
    seen.insert(offset);
    chain.push_back(offset);
    uint8_t n[4];
    if (!ReadAt(pos + 2 + int64_t(U16(b)) * 12, n, 4)) break;
    offset = U32(n);
  }
  return chain;
}

bool TTiffDirReader::ReadDirectory(uint32_t offset, std::vector<TTiffEntry>& entries, uint32_t* next) {
  entries.clear();
  if (next) *next = 0;
  const int64_t pos = base_ + int64_t(offset);
  uint8_t b[12];
  if (!ReadAt(pos, b, 2)) return false;
  const int64_t count = std::min<int64_t>(U16(b), (size_ - pos - 2) / 12);
  std::vector<uint8_t> raw(size_t(count) * 12);
  if (count > 0 && !ReadAt(pos + 2, raw.data(), count * 12)) return false;
  entries.resize(size_t(count));
  for (int64_t i = 0; i < count; ++i) {
    const uint8_t* p = raw.data() + i * 12;
    TTiffEntry& e = entries[size_t(i)];
    e.Tag = U16(p);
    e.Type = U16(p + 2);
    e.Count = U32(p + 4);
    std::memcpy(e.Value, p + 8, 4);
  }
  if (next && ReadAt(pos + 2 + count * 12, b, 4)) *next = U32(b);
  return true;
}

bool TTiffDirReader::ValueSpan(const TTiffEntry& e, int64_t& pos, int64_t& bytes, uint32_t& count) {
  const int size = TiffTypeSize(e.Type);
  pos = 0;
  bytes = 0;
  count = 0;
  if (size == 0 || e.Count == 0) return false;
  const int64_t total = int64_t(e.Count) * size;
  if (total <= 4) {
    pos = -1;  // inline
    bytes = total;
    count = e.Count;
    return true;
  }
  pos = base_ + int64_t(U32(e.Value));
  if (pos >= size_) return false;
  const int64_t avail = (size_ - pos) / size;
  count = uint32_t(std::min<int64_t>(e.Count, avail));
  bytes = int64_t(count) * size;
  return count > 0;
}

std::vector<uint8_t> TTiffDirReader::Bytes(const TTiffEntry& e, uint32_t maxCount) {
  int64_t pos, bytes;
  uint32_t count;
  std::vector<uint8_t> out;
  if (!ValueSpan(e, pos, bytes, count)) return out;
  if (count > maxCount) {
    bytes = bytes / count * maxCount;
    count = maxCount;
  }
  if (pos < 0) return std::vector<uint8_t>(e.Value, e.Value + bytes);
  out.resize(size_t(bytes));
  stream_.SetPosition(pos);
  TOXReader r(stream_);
  out.resize(size_t(r.ReadUpTo(out.data(), bytes)));
  return out;
}

std::vector<uint32_t> TTiffDirReader::Ints(const TTiffEntry& e, uint32_t maxCount) {
  std::vector<uint32_t> out;
  const int size = TiffTypeSize(e.Type);
  if (size == 0) return out;
  const std::vector<uint8_t> raw = Bytes(e, maxCount);
  const size_t n = std::min<size_t>(raw.size() / size, maxCount);
  out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = raw.data() + i * size;
    switch (e.Type) {
      case ttByte: case ttUndefined: case ttAscii: out[i] = p[0]; break;
      case ttSByte: out[i] = uint32_t(int32_t(int8_t(p[0]))); break;
      case ttShort: out[i] = U16(p); break;
      case ttSShort: out[i] = uint32_t(int32_t(int16_t(U16(p)))); break;
      case ttRational: case ttSRational: {
        const uint32_t den = U32(p + 4);
        out[i] = den ? U32(p) / den : U32(p);
        break;
      }
      case ttDouble: case ttFloat: out[i] = 0; break;
      default: out[i] = U32(p); break;
    }
  }
  return out;
}

uint32_t TTiffDirReader::Int(const TTiffEntry* e, uint32_t def) {
  if (!e) return def;
  const std::vector<uint32_t> v = Ints(*e, 1);
  return v.empty() ? def : v[0];
}

std::vector<double> TTiffDirReader::Reals(const TTiffEntry& e, uint32_t maxCount) {
  std::vector<double> out;
  const int size = TiffTypeSize(e.Type);
  if (size == 0) return out;
  const std::vector<uint8_t> raw = Bytes(e, maxCount);
  const size_t n = std::min<size_t>(raw.size() / size, maxCount);
  out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = raw.data() + i * size;
    switch (e.Type) {
      case ttRational: {
        const uint32_t den = U32(p + 4);
        out[i] = double(U32(p)) / double(den ? den : 1);
        break;
      }
      case ttSRational: {
        const int32_t den = int32_t(U32(p + 4));
        out[i] = double(int32_t(U32(p))) / double(den ? den : 1);
        break;
      }
      case ttFloat: {
        const uint32_t bits = U32(p);
        float f;
        std::memcpy(&f, &bits, 4);
        out[i] = f;
        break;
      }
      case ttDouble: {
        const uint64_t bits = bigEndian_ ? (uint64_t(U32(p)) << 32) | U32(p + 4) : (uint64_t(U32(p + 4)) << 32) | U32(p);
        double d;
        std::memcpy(&d, &bits, 8);
        out[i] = d;
        break;
      }
      case ttSByte: out[i] = int8_t(p[0]); break;
      case ttSShort: out[i] = int16_t(U16(p)); break;
      case ttSLong: out[i] = int32_t(U32(p)); break;
      case ttShort: out[i] = U16(p); break;
      case ttLong: case ttIfd: out[i] = U32(p); break;
      default: out[i] = p[0]; break;
    }
  }
  return out;
}

double TTiffDirReader::Real(const TTiffEntry* e, double def) {
  if (!e) return def;
  const std::vector<double> v = Reals(*e, 1);
  return v.empty() ? def : v[0];
}

std::string TTiffDirReader::Text(const TTiffEntry& e) {
  const std::vector<uint8_t> raw = Bytes(e);
  std::string s(raw.begin(), raw.end());
  const size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

}  // namespace ox
