// Tests of the memory, file and measuring streams and of the checked reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/model/OrvexError.h"
#include "imaging/model/oxstreams.h"

namespace ox {
namespace {

TEST(MemoryStreamTest, SeekReadWriteSemantics) {
  TOXMemoryStream s;
  EXPECT_EQ(s.Write("abcdef", 6), 6);
  EXPECT_EQ(s.Position(), 6);
  EXPECT_EQ(s.Seek(-2, soEnd), 4);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 2);  // short read at the end
  EXPECT_EQ(std::string(buf, 2), "ef");
  EXPECT_EQ(s.Read(buf, 1), 0);
  EXPECT_EQ(s.Seek(-3, soCurrent), 3);
  EXPECT_EQ(s.Seek(-100, soCurrent), 0);  // never below 0
  s.SetPosition(8);                        // past the end: the gap reads as zeroes
  EXPECT_EQ(s.Write("Z", 1), 1);
  EXPECT_EQ(s.Size(), 9);
  EXPECT_EQ(s.Bytes()[6], 0);
  EXPECT_EQ(s.Bytes()[8], 'Z');
  s.SetPosition(1);
  EXPECT_EQ(s.Write("XY", 2), 2);  // overwrite keeps the size
  EXPECT_EQ(s.Size(), 9);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Memory()), 4), "aXYd");
  s.SetPosition(9);
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(s.Size(), 3);
}

TEST(NulStreamTest, MeasuresWithoutStoring) {
  TNulStream s;
  EXPECT_EQ(s.Write(nullptr, 100), 100);
  EXPECT_EQ(s.Size(), 100);
  EXPECT_EQ(s.Seek(10, soBeginning), 10);
  EXPECT_EQ(s.Write(nullptr, 5), 5);
  EXPECT_EQ(s.Size(), 100);  // a write inside does not grow it
  EXPECT_EQ(s.Seek(30, soEnd), 70);  // from the end counts backwards
  EXPECT_EQ(s.Seek(0, soEnd), 100);
  EXPECT_EQ(s.Read(nullptr, 20), 20);
  EXPECT_EQ(s.Size(), 120);
  EXPECT_EQ(s.Seek(-5, soCurrent), 115);
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vantrel-streams-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(FileStreamTest, RoundTripThroughDisk) {
  const std::string path = (dir_ / "data.bin").string();
  {
    TOXFileStream out(path, fmCreate);
    EXPECT_EQ(out.Write("hello world", 11), 11);
    EXPECT_EQ(out.Size(), 11);
    out.SetSize(5);
    EXPECT_EQ(out.Position(), 5);
  }
  {
    TOXFileStream rw(path, fmOpenReadWrite);
    EXPECT_EQ(rw.Seek(0, soEnd), 5);
    EXPECT_EQ(rw.Write("!", 1), 1);
  }
  TOXFileStream in(path, fmOpenRead);
  EXPECT_EQ(in.Size(), 6);
  EXPECT_EQ(in.Seek(-4, soEnd), 2);
  char buf[16] = {};
  EXPECT_EQ(in.Read(buf, sizeof buf), 4);
  EXPECT_EQ(std::string(buf, 4), "llo!");
  EXPECT_EQ(in.Write("x", 1), 0);  // read-only
}

TEST_F(FileStreamTest, FailuresRaiseWithTheFileName) {
  const std::string missing = (dir_ / "missing.bin").string();
  try {
    TOXFileStream s(missing, fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EOrvexError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + missing + "\""), std::string::npos);
  }
  const std::string inMissingDir = (dir_ / "no" / "such.bin").string();
  try {
    TOXFileStream s(inMissingDir, fmCreate);
    FAIL() << "created a file in a missing folder";
  } catch (const EOrvexError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot create file"), std::string::npos);
  }
}

TEST(ReaderTest, ReadsBothByteOrders) {
  TOXMemoryStream s({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D});
  TOXReader r(s);
  EXPECT_EQ(r.ReadU8(), 0x01);
  EXPECT_EQ(r.ReadU16LE(), 0x0302);
  EXPECT_EQ(r.ReadU16BE(), 0x0405);
  EXPECT_EQ(r.ReadU32LE(), 0x09080706u);
  EXPECT_EQ(r.ReadU32BE(), 0x0A0B0C0Du);
  EXPECT_EQ(r.Remaining(), 0);
  EXPECT_FALSE(r.Failed());
}

TEST(ReaderTest, ShortDataFailsStickyWithoutOverrun) {
  TOXMemoryStream s({0xAA, 0xBB, 0xCC});
  TOXReader r(s);
  EXPECT_EQ(r.ReadU16BE(), 0xAABB);
  EXPECT_EQ(r.ReadU32LE(), 0u);  // only one byte left
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(s.Position(), 2);  // the failed read consumed nothing
  EXPECT_EQ(r.ReadU8(), 0);    // sticky even though a byte remains
  EXPECT_TRUE(r.ReadBytes(1).empty());
  EXPECT_EQ(s.Position(), 2);
}

TEST(ReaderTest, BlockReadsCheckTheirLengthFirst) {
  TOXMemoryStream s({1, 2, 3, 4, 5});
  {
    TOXReader r(s);
    EXPECT_EQ(r.ReadBytes(3), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(r.Skip(1));
    EXPECT_EQ(r.Remaining(), 1);
    EXPECT_FALSE(r.Failed());
  }
  const int64_t bogus[] = {INT64_MAX, -1, 2};
  for (const int64_t n : bogus) {
    SCOPED_TRACE(n);
    s.SetPosition(4);
    TOXReader r(s);
    EXPECT_TRUE(r.ReadBytes(n).empty());  // no huge allocation for a lying length
    EXPECT_TRUE(r.Failed());
    s.SetPosition(4);
    TOXReader q(s);
    uint8_t buf[2] = {9, 9};
    EXPECT_FALSE(q.ReadInto(buf, n));
    EXPECT_FALSE(TOXReader(s).Skip(n));
    EXPECT_EQ(s.Position(), 4);
  }
}

TEST(ReaderTest, ReadsAFileStream) {
  char tmpl[] = "/tmp/vantrel-reader-XXXXXX";
  const int fd = mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "\x12\x34\x56", 3), 3);
  close(fd);
  {
    TOXFileStream f(tmpl, fmOpenRead);
    TOXReader r(f);
    EXPECT_EQ(r.ReadU16BE(), 0x1234);
    EXPECT_EQ(r.ReadU16BE(), 0);
    EXPECT_TRUE(r.Failed());
  }
  unlink(tmpl);
}

}  // namespace
}  // namespace ox
