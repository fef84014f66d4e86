// Fax line coders: code lengths of known cases, decoder edge cases and encoder/decoder round trips.
#include <gtest/gtest.h>

#include <string>

#include "imaging/io/CCITT.h"

using namespace ox;

namespace {

std::vector<uint8_t> FromBits(const std::string& bits) {
  std::vector<uint8_t> out((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] |= uint8_t(0x80 >> (i % 8));
  return out;
}

std::string ToBits(const std::vector<uint8_t>& bytes, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += ((bytes[i / 8] >> (7 - i % 8)) & 1) ? '1' : '0';
  return s;
}

// Rows with set bits black, pseudo-random runs of every length range.
std::vector<std::vector<uint8_t>> Rows(int width, int count, uint32_t seed) {
  std::vector<std::vector<uint8_t>> rows;
  for (int r = 0; r < count; ++r) {
    std::vector<uint8_t> row(size_t((width + 7) / 8), 0);
    int x = 0;
    bool black = r % 3 == 0;
    while (x < width) {
      seed = seed * 1103515245u + 12345u;
      const int kind = (seed >> 8) % 10;
      int run = kind < 6 ? int((seed >> 12) % 12) : kind < 9 ? int((seed >> 12) % 300) : int((seed >> 12) % 3000);
      if (r > 0 && kind == 0) run = 0;
      for (int i = 0; i < run && x < width; ++i, ++x)
        if (black) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      black = !black;
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(Ccitt, AllWhiteGroup4LineIsOneV0) {
  TOXMemoryStream s;
  TFaxEncoder enc(fsGroup4, 1728, s);
  std::vector<uint8_t> white(216, 0);
  ASSERT_TRUE(enc.EncodeRow(white.data()));
  ASSERT_TRUE(enc.Finish());
  // V0, then the end of the facsimile block, then padding.
  EXPECT_EQ(ToBits(s.Bytes(), 25), "1000000000001000000000001");
  TFaxDecoder dec(1728);
  std::vector<uint8_t> line(216, 0);
  dec.DecodeLine2D(line.data(), s.Memory(), s.Size(), 0, false, true);
  for (uint8_t b : line) EXPECT_EQ(b, 0xFF);
}

TEST(Ccitt, LongRunUsesRepeatedMakeupCodes) {
  TOXMemoryStream s;
  TFaxEncoder enc(fsModifiedHuffman, 3000, s);
  std::vector<uint8_t> white(375, 0);
  ASSERT_TRUE(enc.EncodeRow(white.data()));
  // 2560 make-up, 384 make-up, terminating 56, zero padding to the byte.
  EXPECT_EQ(ToBits(s.Bytes(), s.Size() * 8), "000000011111" "00110111" "01011001" "0000");
}

TEST(Ccitt, ModifiedHuffmanRowsStartOnByteBoundaries) {
  // Width 3. Row 1: white 1, black 1, white 1 (15 bits, one pad bit). Row 2: white 2, black 1, white 0.
  const std::vector<uint8_t> data = FromBits("000111" "010" "000111" "0" "0111" "010" "00110101" "0");
  TFaxDecoder dec(3);
  uint8_t line[1];
  const int64_t used = dec.DecodeLineMH(line, data.data(), int64_t(data.size()));
  EXPECT_EQ(used, 2);
  EXPECT_EQ(line[0] & 0xE0, 0xA0);
  dec.DecodeLineMH(line, data.data() + used, int64_t(data.size()) - used);
  EXPECT_EQ(line[0] & 0xE0, 0xC0);
}

TEST(Ccitt, Group3TwoDimensionalLinesTaggedOneDimensional) {
  // Every line: EOL, tag bit 1, one-dimensional codes (width 8: white 4 = 1011, black 4 = 011).
  std::string bits;
  for (int i = 0; i < 3; ++i) bits += "000000000001" "1" "1011" "011";
  const std::vector<uint8_t> data = FromBits(bits);
  TFaxDecoder dec(8);
  int64_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    uint8_t line[1] = {0};
    pos = dec.DecodeLine2D(line, data.data(), int64_t(data.size()), pos, false, false);
    EXPECT_EQ(line[0], 0xF0) << i;
  }
}

TEST(Ccitt, UncompressedModeDrawsItsBlackPixels) {
  // Extension 0000001 111, "1" (black), "01" (white, black), exit "0000001" with colour bit 0, then
  // horizontal white 5 (1100), black 0 (0000110111).
  const std::vector<uint8_t> data = FromBits("0000001111" "1" "01" "0000001" "0" "001" "1100" "0000110111");
  TFaxDecoder dec(8);
  uint8_t line[1];
  dec.DecodeLine2D(line, data.data(), int64_t(data.size()), 0, false, true);
  EXPECT_EQ(line[0], 0x5F);
}

TEST(Ccitt, CorruptDataStaysInsideTheLine) {
  // Vertical modes far to the right of the width and truncated data never write outside the row.
  const std::vector<uint8_t> data = FromBits("0000011" "0000011" "0000011" "011" "1" "0001" "001" "1");
  for (int width : {1, 2, 5, 9}) {
    TFaxDecoder dec(width);
    std::vector<uint8_t> line(size_t((width + 7) / 8) + 1, 0xAA);
    int64_t pos = 0;
    for (int i = 0; i < 4; ++i) pos = dec.DecodeLine2D(line.data(), data.data(), int64_t(data.size()), pos, true, true);
    EXPECT_EQ(line.back(), 0xAA);
    pos = dec.DecodeLine1D(line.data(), data.data(), int64_t(data.size()), 0);
    EXPECT_LE(pos, int64_t(data.size()) * 8);
    EXPECT_EQ(line.back(), 0xAA);
  }
}

TEST(Ccitt, FillRunningToTheEndIsReadOnce) {
  // 64 KiB of zero bits and no end-of-line: each resynchronisation used to scan the whole run again.
  const std::vector<uint8_t> data(65536, 0);
  TFaxDecoder dec(1728);
  std::vector<uint8_t> line(216, 0);
  EXPECT_EQ(dec.DecodeLine1D(line.data(), data.data(), int64_t(data.size()), 0), int64_t(data.size()) * 8);
  EXPECT_TRUE(dec.Ended());
  EXPECT_EQ(line, std::vector<uint8_t>(216, 0xFF));
}

TEST(Ccitt, EncodersRoundTrip) {
  const int width = 1811;
  const auto rows = Rows(width, 40, 7);
  for (TFaxScheme scheme : {fsModifiedHuffman, fsGroup3_1D, fsGroup3_2D, fsGroup4}) {
    SCOPED_TRACE(int(scheme));
    TOXMemoryStream s;
    TFaxEncoder enc(scheme, width, s);
    for (const auto& r : rows) ASSERT_TRUE(enc.EncodeRow(r.data()));
    ASSERT_TRUE(enc.Finish());
    TFaxDecoder dec(width);
    int64_t pos = 0;
    std::vector<uint8_t> line(rows[0].size());
    for (size_t i = 0; i < rows.size(); ++i) {
      if (scheme == fsModifiedHuffman) pos += dec.DecodeLineMH(line.data(), s.Memory() + pos, s.Size() - pos);
      else if (scheme == fsGroup3_1D) pos = dec.DecodeLine1D(line.data(), s.Memory(), s.Size(), pos);
      else pos = dec.DecodeLine2D(line.data(), s.Memory(), s.Size(), pos, false, scheme == fsGroup4);
      for (size_t b = 0; b + 1 < line.size(); ++b) ASSERT_EQ(uint8_t(~line[b]), rows[i][b]) << "row " << i;
      const uint8_t tail = uint8_t(0xFF << (8 - width % 8));
      ASSERT_EQ(uint8_t(~line.back()) & tail, rows[i].back() & tail) << "row " << i;
    }
  }
}
