// TIFF structure reader shared by the TIFF codec and EXIF: header, directory chain, typed tag values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/model/oxstreams.h"

namespace ox {

enum TTiffType : uint16_t {
  ttByte = 1, ttAscii = 2, ttShort = 3, ttLong = 4, ttRational = 5, ttSByte = 6, ttUndefined = 7,
  ttSShort = 8, ttSLong = 9, ttSRational = 10, ttFloat = 11, ttDouble = 12, ttIfd = 13
};

// Bytes of one value of a type; 0 for unknown types.
int TiffTypeSize(uint16_t type);

struct TTiffEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {};  // inline value, or the offset of the values in file byte order
};

// Directories are walked at most this far, whatever the chain says.
constexpr int kMaxTiffDirectories = 65536;

// One TIFF structure in a stream: offsets count from `base`. Every read is clamped to the stream.
class TTiffDirReader {
 public:
  TTiffDirReader(TOXStream& stream, int64_t base) : stream_(stream), base_(base) {}

  // Reads the 8-byte header at base; false when the byte order mark is neither "II" nor "MM" or it is short.
  bool ReadHeader();
  bool BigEndian() const { return bigEndian_; }
  uint32_t FirstOffset() const { return firstOffset_; }
  int64_t Base() const { return base_; }
  int64_t StreamSize() const { return size_; }

  // Directory offsets of the chain from FirstOffset(): it ends at offset 0, at an offset already visited,
  // at one whose entry count lies outside the stream, or after kMaxTiffDirectories directories.
  std::vector<uint32_t> WalkChain(uint32_t first);
  std::vector<uint32_t> WalkChain() { return WalkChain(firstOffset_); }
  // Entries of the directory at offset (as many as the stream holds); false when its count is unreadable.
  bool ReadDirectory(uint32_t offset, std::vector<TTiffEntry>& entries, uint32_t* next = nullptr);

  // Values of an entry, as many as its count and the stream allow, at most maxCount.
  std::vector<uint32_t> Ints(const TTiffEntry& e, uint32_t maxCount = 0xFFFFFFFFu);
  // First integer value, or def when there is none.
  uint32_t Int(const TTiffEntry* e, uint32_t def);
  // Rational or other numeric values as floating point (a zero denominator counts as 1).
  std::vector<double> Reals(const TTiffEntry& e, uint32_t maxCount = 0xFFFFFFFFu);
  double Real(const TTiffEntry* e, double def);
  // ASCII or UNDEFINED text with its full length, cut at the first zero byte.
  std::string Text(const TTiffEntry& e);
  // The raw bytes of the values (clamped to the stream).
  std::vector<uint8_t> Bytes(const TTiffEntry& e, uint32_t maxCount = 0xFFFFFFFFu);

  uint16_t U16(const uint8_t* p) const;
  uint32_t U32(const uint8_t* p) const;

  // Stream position and number of bytes of an entry's values after clamping to the stream.
  bool ValueSpan(const TTiffEntry& e, int64_t& pos, int64_t& bytes, uint32_t& count);

 private:
  // Exactly n bytes at a stream position, through the checked reader.
  bool ReadAt(int64_t pos, void* buffer, int64_t n);
  TOXStream& stream_;
  int64_t base_ = 0;
  int64_t size_ = 0;
  bool bigEndian_ = false;
  uint32_t firstOffset_ = 0;
};

// Entry with the tag, or null.
const TTiffEntry* FindTag(const std::vector<TTiffEntry>& entries, uint16_t tag);

}  // namespace ox
