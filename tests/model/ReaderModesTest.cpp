// The reader's buffered and in-memory modes, its window, At and Sub, and the checked writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "imaging/model/oxstreams.h"

using namespace ox;

namespace {

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + i / 251);
  return v;
}

// Takes the first `room` bytes written, then no more.
class TFullStream : public TOXMemoryStream {
 public:
  explicit TFullStream(int64_t room) : room_(room) {}
  int64_t Write(const void* buffer, int64_t n) override {
    const int64_t k = std::clamp<int64_t>(room_ - Position(), 0, n);
    return TOXMemoryStream::Write(buffer, k);
  }

 private:
  int64_t room_;
};

}  // namespace

TEST(ReaderModes, EveryModeReadsTheSameValues) {
  const std::vector<uint8_t> bytes = {0xFE, 0x01, 0x80, 0xFF, 0x7F, 0x12, 0x34, 0x56, 0x80, 0x00, 0x00, 0x01,
                                      0xAA, 0xBB, 0xCC, 0x00, 0x01, 0x02, 0x03};
  TOXMemoryStream a(bytes), b(bytes);
  TOXReader direct(a), buffered(b, TOXReader::Buffered), memory(bytes.data(), bytes.size());
  for (TOXReader* r : {&direct, &buffered, &memory}) {
    SCOPED_TRACE(r == &direct ? "direct" : r == &buffered ? "buffered" : "memory");
    EXPECT_EQ(r->ReadI8(), -2);
    EXPECT_EQ(r->ReadI16LE(), -32767);
    EXPECT_EQ(r->ReadI16BE(), -129);
    EXPECT_EQ(r->ReadU24LE(), 0x563412u);
    EXPECT_EQ(r->ReadI32BE(), int32_t(0x80000001u));
    uint8_t tag = 0;
    uint16_t word = 0;
    int32_t rest = 0;
    r->LE(tag, word);
    EXPECT_EQ(tag, 0xAA);
    EXPECT_EQ(word, 0xCCBB);
    r->BE(rest);
    EXPECT_EQ(rest, 0x00010203);
    EXPECT_EQ(r->Remaining(), 0);
    EXPECT_FALSE(r->Failed());
    EXPECT_EQ(r->NextByte(), -1);  // the end of the data, found by reading
    EXPECT_TRUE(r->Failed());
  }
}

TEST(ReaderModes, BufferedStopsAtItsLimitAndSyncsTheStream) {
  const std::vector<uint8_t> bytes = Counting(200000);
  TOXMemoryStream s(bytes);
  s.SetPosition(10);
  TOXReader r(s, TOXReader::Buffered, 150000);
  EXPECT_EQ(r.Remaining(), 150000);
  EXPECT_EQ(r.ReadU8(), bytes[10]);
  std::vector<uint8_t> big(100000);  // larger than one read-ahead block
  ASSERT_TRUE(r.ReadInto(big.data(), int64_t(big.size())));
  EXPECT_TRUE(std::equal(big.begin(), big.end(), bytes.begin() + 11));
  EXPECT_EQ(r.Position(), 100001);
  r.Sync();
  EXPECT_EQ(s.Position(), 10 + 100001);

  // Past the limit: nothing is copied by ReadInto, ReadUpTo copies what there is; both fail.
  uint8_t buf[60000];
  std::fill(std::begin(buf), std::end(buf), 0xEE);
  EXPECT_FALSE(r.ReadInto(buf, sizeof buf));
  EXPECT_EQ(buf[0], 0xEE);
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.ReadU8(), 0);  // sticky

  s.SetPosition(10);
  TOXReader q(s, TOXReader::Buffered, 150000);
  ASSERT_TRUE(q.Skip(149990));
  EXPECT_EQ(q.ReadUpTo(buf, 20), 10);
  EXPECT_EQ(buf[9], bytes[10 + 149999]);
  EXPECT_TRUE(q.Failed());
}

TEST(ReaderModes, WindowWalksEveryByteAcrossBlocks) {
  const std::vector<uint8_t> bytes = Counting(70001);
  TOXMemoryStream s(bytes);
  TOXReader r(s, TOXReader::Buffered);
  uint64_t sum = 0;
  size_t seen = 0, n = 0;
  for (const uint8_t* p = r.Window(n); n > 0; p = r.Window(n)) {
    const size_t k = std::min<size_t>(n, 999);  // takes part of each window
    sum = std::accumulate(p, p + k, sum);
    seen += k;
    r.Consume(k);
  }
  EXPECT_EQ(seen, bytes.size());
  EXPECT_EQ(sum, std::accumulate(bytes.begin(), bytes.end(), uint64_t(0)));
  EXPECT_FALSE(r.Failed());
}

TEST(ReaderModes, AtAndSubCountFromTheReadersStart) {
  const std::vector<uint8_t> bytes = Counting(300);
  TOXMemoryStream a(bytes), b(bytes);
  a.SetPosition(100);
  b.SetPosition(100);
  TOXReader direct(a), buffered(b, TOXReader::Buffered), memory(bytes.data() + 100, 200);
  for (TOXReader* r : {&direct, &buffered, &memory}) {
    SCOPED_TRACE(r == &direct ? "direct" : r == &buffered ? "buffered" : "memory");
    ASSERT_TRUE(r->At(150));
    EXPECT_EQ(r->ReadU8(), bytes[250]);
    ASSERT_TRUE(r->At(2));
    TOXReader sub = r->Sub(4);
    EXPECT_EQ(r->Position(), 6);
    EXPECT_EQ(sub.ReadU32BE(), uint32_t(bytes[102]) << 24 | uint32_t(bytes[103]) << 16 | bytes[104] << 8 | bytes[105]);
    EXPECT_EQ(sub.ReadU8(), 0);  // the sub-reader ends where its bytes do
    EXPECT_TRUE(sub.Failed());
    EXPECT_FALSE(r->Failed());
    EXPECT_TRUE(r->At(200));   // the end itself is a place
    EXPECT_FALSE(r->At(201));  // past it is not, and the failure sticks
    EXPECT_TRUE(r->Failed());
    EXPECT_FALSE(r->At(0));
    TOXReader none = r->Sub(1);
    EXPECT_TRUE(none.Failed());
  }
}

TEST(WriterTest, AShortWriteFailsAndSticks) {
  TFullStream s(5);
  TOXWriter w(s);
  w.WriteU16LE(0x0201);
  w.WriteU16BE(0x0304);
  EXPECT_FALSE(w.Failed());
  w.WriteU32LE(0x08070605);  // only one byte fits
  EXPECT_TRUE(w.Failed());
  const int64_t size = s.Size();
  EXPECT_FALSE(w.Write("x", 1));
  EXPECT_EQ(s.Size(), size);
  EXPECT_EQ(s.Bytes()[0], 1);
  EXPECT_EQ(s.Bytes()[2], 3);
}

// Encoders that write to a stream themselves fail the writer through Checked(), and seek on the target.
TEST(WriterTest, ShortWritesThroughTheCheckedStreamFailTheWriter) {
  TFullStream s(6);
  TOXWriter w(s);
  TOXStream& checked = w.Checked();
  EXPECT_EQ(checked.Write("abcd", 4), 4);
  EXPECT_FALSE(w.Failed());
  EXPECT_EQ(checked.Position(), 4);
  checked.SetPosition(1);
  w.WriteU8('B');
  EXPECT_EQ(s.Bytes()[1], 'B');
  checked.SetPosition(4);
  EXPECT_EQ(checked.Write("efgh", 4), 2);
  EXPECT_TRUE(w.Failed());
}

TEST(ReaderTest, HasTellsWhetherTheBytesAreThere) {
  const uint8_t bytes[3] = {1, 2, 3};
  TOXReader r(std::span<const uint8_t>(bytes, 3));
  EXPECT_TRUE(r.Has(3));
  EXPECT_FALSE(r.Has(4));
  EXPECT_FALSE(r.Has(-1));
  r.ReadU16LE();
  EXPECT_TRUE(r.Has(1));
  EXPECT_FALSE(r.Has(2));
}
