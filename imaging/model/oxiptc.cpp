// IPTC dataset list and its image-resource byte layout (see oxiptc.h).
#include "imaging/model/oxiptc.h"

#include <algorithm>
#include <cstring>

namespace ox {

namespace {

constexpr uint8_t kTag = 28;
constexpr size_t kHeaderSize = 26;
constexpr size_t kCountOffset = 22;
// Everything of the resource header up to the byte count.
constexpr uint8_t kHeaderStart[kCountOffset] = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3',
                                                '.', '0', 0,   '8', 'B', 'I', 'M', 4,   4,   0,   0};

void PutBE32(uint8_t* p, uint64_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

uint32_t GetBE32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

int TOXIPTCInfoList::Add(uint8_t record, uint8_t dataset, const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  items_.push_back({record, dataset, p ? std::vector<uint8_t>(p, p + length) : std::vector<uint8_t>(length)});
  UserChanged = true;
  return int(items_.size()) - 1;
}

void TOXIPTCInfoList::Assign(const TOXIPTCInfoList& source) {
  items_ = source.items_;
  UserChanged = source.UserChanged;
}

std::vector<uint8_t> TOXIPTCInfoList::SaveToBuffer() const {
  std::vector<uint8_t> out(kHeaderSize, 0);
  std::copy(kHeaderStart, kHeaderStart + kCountOffset, out.begin());
  for (const TItem& item : items_) {
    if (item.Record == 2 && item.Dataset == 0) continue;
    const uint64_t len = item.Data.size();
    out.push_back(kTag);
    out.push_back(item.Record);
    out.push_back(item.Dataset);
    if (len < 32768) {
      out.push_back(uint8_t(len >> 8));
      out.push_back(uint8_t(len));
    } else {
      // Extended dataset: the length field announces a 4-byte length.
      const uint8_t ext[6] = {0x80, 0x04, 0, 0, 0, 0};
      out.insert(out.end(), ext, ext + 6);
      PutBE32(out.data() + out.size() - 4, len);
    }
    out.insert(out.end(), item.Data.begin(), item.Data.end());
  }
  PutBE32(out.data() + kCountOffset, out.size() - kHeaderSize);
  if (out.size() % 2) out.push_back(0);
  return out;
}

void TOXIPTCInfoList::LoadFromBuffer(const uint8_t* buffer, size_t length) {
  Clear();
  UserChanged = false;
  if (!buffer) return;
  uint64_t pos = 0;
  // Skip our own resource header: its byte count may itself contain the tag byte.
  if (length >= kHeaderSize && std::memcmp(buffer, kHeaderStart, kCountOffset) == 0) pos = kHeaderSize;
  while (pos < length && buffer[pos] != kTag) ++pos;
  while (pos < length && buffer[pos] == kTag && length - pos > 5) {
    const uint8_t* p = buffer + pos;
    uint64_t header = 5;
    uint64_t len = uint64_t(p[3]) << 8 | p[4];
    if (p[3] & 0x80) {
      header = 9;
      if (length - pos < header) break;
      len = GetBE32(p + 5);
    }
    if (len > length - pos - header) break;
    items_.push_back({p[1], p[2], std::vector<uint8_t>(p + header, p + header + len)});
    pos += header + len;
  }
  UserChanged = false;
}

}  // namespace ox
