// Tests of the IPTC dataset list and its resource byte layout.
#include <gtest/gtest.h>

#include <string>

#include "imaging/model/oxiptc.h"

namespace ox {
namespace {

uint32_t BE32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

TEST(IptcTest, SaveWritesHeaderSkipsVersionAndPadsOddSize) {
  TOXIPTCInfoList list;
  const uint8_t version[] = {0, 4};
  list.Add(2, 0, version, sizeof version);
  list.Add(2, 5, "Cat", 3);
  EXPECT_TRUE(list.UserChanged);
  const std::vector<uint8_t> buf = list.SaveToBuffer();
  const std::vector<uint8_t> expected = {
      'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0,  // signature
      '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 8,                    // resource 0x0404, 8 bytes
      28, 2, 5, 0, 3, 'C', 'a', 't',                                       // dataset 2:5
  };
  EXPECT_EQ(buf, expected);  // 34 bytes: already even

  list.Add(2, 25, "ab", 2);
  const std::vector<uint8_t> odd = list.SaveToBuffer();
  ASSERT_EQ(odd.size(), 26u + 8 + 7 + 1);
  EXPECT_EQ(BE32(odd, 22), 15u);  // padding is not counted
  EXPECT_EQ(odd.back(), 0);
}

TEST(IptcTest, LargeDatasetUsesExtendedLengthAndRoundTrips) {
  TOXIPTCInfoList list;
  std::vector<uint8_t> big(40000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
  list.Add(2, 120, big.data(), big.size());
  list.Add(2, 105, "Title", 5);
  const std::vector<uint8_t> buf = list.SaveToBuffer();
  const std::vector<uint8_t> header(buf.begin() + 26, buf.begin() + 35);
  EXPECT_EQ(header, (std::vector<uint8_t>{28, 2, 120, 0x80, 0x04, 0x00, 0x00, 0x9C, 0x40}));

  TOXIPTCInfoList back;
  back.LoadFromBuffer(buf);
  EXPECT_FALSE(back.UserChanged);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Item(0).Record, 2);
  EXPECT_EQ(back.Item(0).Dataset, 120);
  EXPECT_EQ(back.Item(0).Data, big);
  EXPECT_EQ(std::string(back.Item(1).Data.begin(), back.Item(1).Data.end()), "Title");
}

TEST(IptcTest, HeaderByteCountEqualToTagDoesNotStartADataset) {
  // 5 + 23 = 28 bytes of datasets: the byte count's last byte is the tag value.
  TOXIPTCInfoList list;
  const std::string text(23, 'x');
  list.Add(2, 80, text.data(), text.size());
  TOXIPTCInfoList back;
  back.LoadFromBuffer(list.SaveToBuffer());
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Item(0).Dataset, 80);
  EXPECT_EQ(back.Item(0).Data.size(), 23u);
}

TEST(IptcTest, LoadSkipsLeadingBytesAndStopsAtTheFirstBadDataset) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int count;
  };
  const Case cases[] = {
      {"leading junk", {1, 2, 28, 2, 5, 0, 1, 'A', 28, 2, 6, 0, 1, 'B'}, 2},
      {"second dataset runs past end", {28, 2, 5, 0, 1, 'A', 28, 2, 6, 0, 9, 'B'}, 1},
      {"non-tag byte ends reading", {28, 2, 5, 0, 1, 'A', 0, 28, 2, 6, 0, 1, 'B'}, 1},
      {"extended length cut short", {28, 2, 5, 0x80, 0x04, 0, 0}, 0},
      {"extended length past end", {28, 2, 5, 0x80, 0x04, 0, 0, 0, 9, 'A'}, 0},
      {"huge extended length", {28, 2, 5, 0x80, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 'A'}, 0},
      {"only a header", {28, 2, 5, 0, 0}, 0},
      {"empty", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TOXIPTCInfoList list;
    list.Add(1, 1, "old", 3);
    list.LoadFromBuffer(c.bytes);
    EXPECT_EQ(list.Count(), c.count);
    EXPECT_FALSE(list.UserChanged);
  }
}

TEST(IptcTest, AssignCopiesItemsAndFlag) {
  TOXIPTCInfoList a, b;
  a.Add(2, 5, "x", 1);
  b.Assign(a);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_TRUE(b.UserChanged);
  a.Clear();
  EXPECT_EQ(b.Item(0).Data[0], 'x');
}

}  // namespace
}  // namespace ox
