// EXIF blocks built here: directory values, rationals, the sub-directory, the thumbnail and broken chains.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/io/JPEGFilt.h"
#include "imaging/io/TIFFLzw.h"
#include "imaging/io/oxexif.h"

using namespace ox;

namespace {

// Little- or big-endian TIFF structure assembled directory by directory; offsets are absolute.
struct TiffBuilder {
  bool be;
  std::vector<uint8_t> b;
  explicit TiffBuilder(bool bigEndian) : be(bigEndian) {
    b = be ? std::vector<uint8_t>{'M', 'M', 0, 42, 0, 0, 0, 0} : std::vector<uint8_t>{'I', 'I', 42, 0, 0, 0, 0, 0};
  }
  void Put16(size_t at, uint32_t v) {
    if (be) b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v);
    else b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    if (be) Put16(at, v >> 16), Put16(at + 2, v & 0xFFFF);
    else Put16(at, v & 0xFFFF), Put16(at + 2, v >> 16);
  }
  size_t Append(const std::vector<uint8_t>& data) {
    if (b.size() & 1) b.push_back(0);
    const size_t at = b.size();
    b.insert(b.end(), data.begin(), data.end());
    return at;
  }
  std::vector<uint8_t> Words(std::initializer_list<uint32_t> v, int size) {
    std::vector<uint8_t> out(v.size() * size_t(size));
    const size_t base = b.size();
    b.resize(base + out.size());
    size_t i = 0;
    for (uint32_t x : v) {
      if (size == 2) Put16(base + i, x);
      else Put32(base + i, x);
      i += size_t(size);
    }
    std::copy(b.begin() + long(base), b.end(), out.begin());
    b.resize(base);
    return out;
  }
  struct Entry {
    uint16_t tag, type;
    uint32_t count;
    std::vector<uint8_t> data;  // values in file order
  };
  // Writes a directory; returns its offset and the position of its next-offset field.
  size_t Directory(const std::vector<Entry>& entries, size_t* nextField) {
    std::vector<std::pair<size_t, size_t>> outOfLine;
    if (b.size() & 1) b.push_back(0);
    const size_t at = b.size();
    b.resize(at + 2 + entries.size() * 12 + 4, 0);
    Put16(at, uint32_t(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      const size_t p = at + 2 + i * 12;
      Put16(p, e.tag), Put16(p + 2, e.type), Put32(p + 4, e.count);
      if (e.data.size() <= 4) std::copy(e.data.begin(), e.data.end(), b.begin() + long(p + 8));
      else outOfLine.push_back({p + 8, i});
    }
    *nextField = at + 2 + entries.size() * 12;
    for (auto [field, i] : outOfLine) Put32(field, uint32_t(Append(entries[i].data)));
    return at;
  }
  Entry Ascii(uint16_t tag, const std::string& s) {
    std::vector<uint8_t> d(s.begin(), s.end());
    d.push_back(0);
    return {tag, 2, uint32_t(d.size()), d};
  }
  Entry Short(uint16_t tag, std::initializer_list<uint32_t> v) { return {tag, 3, uint32_t(v.size()), Words(v, 2)}; }
  Entry Long(uint16_t tag, uint32_t v) { return {tag, 4, 1, Words({v}, 4)}; }
  Entry Rational(uint16_t tag, uint32_t n, uint32_t d) { return {tag, 5, 1, Words({n, d}, 4)}; }
};

std::vector<uint8_t> SmallJpeg(int w, int h) {
  gfx::TDib dib(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) std::memset(dib.ScanLine(y), 90 + y, size_t(w) * 3);
  TOXMemoryStream s;
  TIOParamsVals params;
  TProgressRec progress;
  WriteJpegStream(s, dib, params, progress);
  return s.Bytes();
}

}  // namespace

TEST(Exif, DirectoryValuesSubDirectoryAndThumbnail) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(be ? "MM" : "II");
    TiffBuilder t(be);
    size_t next0, next1, nextExif;
    const size_t exifIfd = t.Directory(
        {t.Rational(33434, 1, 250), t.Rational(33437, 28, 10), t.Short(34855, {100, 200}),
         {36864, 7, 4, {'0', '2', '3', '0'}}, t.Ascii(36867, "2024:01:02 03:04:05"), t.Short(37385, {16}),
         t.Rational(37386, 50, 0), t.Short(40961, {1}), t.Long(40962, 640)},
        &nextExif);
    const size_t ifd0 = t.Directory({t.Ascii(270, "A picture"), t.Ascii(271, "Maker"), t.Ascii(272, "M1"),
                                     t.Short(274, {6}), t.Rational(282, 300, 1), t.Rational(283, 72, 0),
                                     t.Short(296, {2}), t.Ascii(305, "Soft"), t.Long(34665, uint32_t(exifIfd))},
                                    &next0);
    const std::vector<uint8_t> jpeg = SmallJpeg(8, 6);
    const size_t jpegAt = t.Append(jpeg);
    const size_t ifd1 = t.Directory({t.Short(259, {6}), t.Long(513, uint32_t(jpegAt)), t.Long(514, uint32_t(jpeg.size()))},
                                    &next1);
    t.Put32(4, uint32_t(ifd0));
    t.Put32(next0, uint32_t(ifd1));
    TIOParamsVals p;
    ASSERT_TRUE(ReadExifData(t.b.data(), t.b.size(), p));
    EXPECT_EQ(p.ExifImageDescription, "A picture");
    EXPECT_EQ(p.ExifMake, "Maker");
    EXPECT_EQ(p.ExifModel, "M1");
    EXPECT_EQ(p.ExifOrientation, 6);
    EXPECT_EQ(p.ExifXResolution, 300.0);
    EXPECT_EQ(p.ExifYResolution, 72.0);  // a zero denominator counts as 1
    EXPECT_EQ(p.ExifResolutionUnit, 2);
    EXPECT_EQ(p.ExifSoftware, "Soft");
    EXPECT_DOUBLE_EQ(p.ExifExposureTime, 1.0 / 250);
    EXPECT_DOUBLE_EQ(p.ExifFNumber, 2.8);
    EXPECT_EQ(p.ExifISOSpeedRatings[0], 100);
    EXPECT_EQ(p.ExifISOSpeedRatings[1], 200);
    EXPECT_EQ(p.ExifExifVersion, "0230");
    EXPECT_EQ(p.ExifDateTimeOriginal, "2024:01:02 03:04:05");
    EXPECT_EQ(p.ExifFlash, 16);
    EXPECT_EQ(p.ExifFocalLength, 50.0);
    EXPECT_EQ(p.ExifColorSpace, 1);
    EXPECT_EQ(p.ExifPixelXDimension, 640);
    EXPECT_EQ(p.ExifThumbnail.Width(), 8);
    EXPECT_EQ(p.ExifThumbnail.Height(), 6);
  }
}

// Orientation and ResolutionUnit have defaults of their own: top-left and inches when the tags are absent.
TEST(Exif, AbsentOrientationAndUnitTakeTheirDefaults) {
  TiffBuilder t(false);
  size_t next;
  const size_t ifd = t.Directory({t.Ascii(271, "Maker"), t.Rational(282, 72, 1)}, &next);
  t.Put32(4, uint32_t(ifd));
  TIOParamsVals p;
  p.ExifOrientation = 8;
  p.ExifResolutionUnit = 3;
  ASSERT_TRUE(ReadExifData(t.b.data(), t.b.size(), p));
  EXPECT_EQ(p.ExifOrientation, 1);
  EXPECT_EQ(p.ExifResolutionUnit, 2);
}

TEST(Exif, BrokenStructuresEndCleanly) {
  TiffBuilder t(false);
  size_t next0, next1;
  const size_t ifd0 = t.Directory({t.Ascii(271, "Loop"), t.Long(34665, 0xFFFFFF00u)}, &next0);
  const size_t ifd1 = t.Directory({t.Short(259, {6}), t.Long(513, 0x7FFFFFF0u), t.Long(514, 0xFFFFFFFFu)}, &next1);
  t.Put32(4, uint32_t(ifd0));
  t.Put32(next0, uint32_t(ifd1));
  t.Put32(next1, uint32_t(ifd0));  // the chain turns back
  TIOParamsVals p;
  ASSERT_TRUE(ReadExifData(t.b.data(), t.b.size(), p));
  EXPECT_EQ(p.ExifMake, "Loop");
  EXPECT_EQ(p.ExifThumbnail.Width(), 1);
  // Counts far beyond the block are cut to it; cut blocks and foreign data are refused or read partly.
  std::vector<uint8_t> big = t.b;
  big[size_t(ifd0) + 2 + 4] = 0xFF, big[size_t(ifd0) + 2 + 5] = 0xFF, big[size_t(ifd0) + 2 + 6] = 0xFF;
  EXPECT_TRUE(ReadExifData(big.data(), big.size(), p));
  for (size_t n = 0; n < t.b.size(); ++n) ReadExifData(t.b.data(), n, p);
  const uint8_t junk[] = {'X', 'X', 42, 0, 8, 0, 0, 0, 0, 0};
  EXPECT_FALSE(ReadExifData(junk, sizeof junk, p));
}

TEST(TiffLzw, RoundTripAcrossTableResets) {
  std::vector<uint8_t> data(300000);
  uint32_t seed = 1;
  for (size_t i = 0; i < data.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = i < 100000 ? uint8_t(seed >> 24) : uint8_t((i / 7) % 13 + (seed >> 30));
  }
  TOXMemoryStream s;
  std::shared_ptr<void> enc;
  for (size_t at = 0; at < data.size(); at += 1000) TiffLzwEncode(data.data() + at, 1000, s, enc);
  TiffLzwEncode(nullptr, 0, s, enc);
  std::shared_ptr<void> dec;
  const uint8_t* out = TiffLzwDecode(s.Memory(), s.Size(), int64_t(data.size()), dec);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::memcmp(out, data.data(), data.size()), 0);
  // Asking for more than the codes hold gives zeroes; truncated codes never overrun.
  out = TiffLzwDecode(s.Memory(), s.Size() / 2, int64_t(data.size()) + 10, dec);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out[data.size() + 9], 0);
  TiffLzwDecode(nullptr, 0, 0, dec);
  EXPECT_EQ(dec, nullptr);
}
