// Inputs the fuzz targets found (tests/data/fuzz, and corpus files that tripped them): each loads through the
// stream load without a crash and ends with the flag and size it should.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "imaging/io/GIFLzw.h"
#include "imaging/io/TIFFLzw.h"
#include "imaging/io/oxio.h"
#include "tests/FuzzFixture.h"

using namespace ox;

namespace {

struct TCase {
  const char* file;  // in tests/data/fuzz, or "corpus:" and a path inside the conformance images
  TOXFileFormat format;
  bool streamHeaders;
  bool aborted;
  int width, height;  // of the loaded picture; 0 x 0 for none
};

std::vector<uint8_t> Input(const std::string& name) {
  const std::string corpus = "corpus:";
  if (name.rfind(corpus, 0) != 0) return testdata::FuzzFixture(name);
  std::ifstream in(std::string(VANTREL_CORPUS) + "/" + name.substr(corpus.size()), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(FuzzFindings, LoadCleanly) {
  InstallTiffLzwCoders();
  InstallGifLzwCoders();
  const TCase cases[] = {
      // Resolution fields 6 x 481074 dpi: square pixels would have stretched 16 x 16 into 16 x 1.3 million.
      {"cur-huge-dpi-stretch.cur", oxffCUR, false, false, 16, 16},
      // 30 million pixels per metre across, 3 down: the same stretch from a BMP header.
      {"corpus:bmp/b/baddens1.bmp", oxffBMP, false, false, 127, 64},
      // An empty bKGD chunk hands the chunk callback no data pointer.
      {"png-empty-bkgd.png", oxffPNG, false, true, 0, 0},
      // 99 bytes declaring a 1.9 GB zTXt chunk, which libpng allocated and cleared before finding the end.
      {"png-2gb-ztxt-chunk.png", oxffPNG, false, true, 0, 0},
      // Gray with 0 bits per sample: the gray table divided by 2^0 - 1.
      {"tiff-zero-bits-per-sample.tif", oxffTIFF, false, true, 0, 0},
      // 3-bit samples that run on into the next byte were shifted by a negative count.
      {"tiff-3bit-samples-across-bytes.tif", oxffTIFF, false, false, 590, 88},
      // An EXIF resolution of 4e9 per centimetre overflowed its conversion to whole dots per inch.
      {"jpeg-exif-huge-resolution.jpg", oxffJPEG, false, false, 13, 7},
      // A Group 3 strip of zero bits without an end-of-line: every resynchronisation rescanned the run.
      {"tiff-g3-zero-fill-to-the-end.tif", oxffTIFF, false, false, 1728, 37},
      // A page turned by its orientation, 96 x 11 dpi: square pixels were worked out on the unturned axes
      // and stretched 3 x 53521 towards 53521 x 26 through a 2.9 GB work area.
      {"tiff-turned-page-nonsquare-dpi.tif", oxffTIFF, false, false, 26, 53521},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<uint8_t> bytes = Input(c.file);
    ASSERT_FALSE(bytes.empty());
    TOXMemoryStream stream(std::move(bytes));
    gfx::TDib dib;
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.StreamHeaders = c.streamHeaders;
    EXPECT_NO_THROW(io.LoadFromStreamFormat(stream, c.format));
    EXPECT_EQ(io.Aborted, c.aborted);
    EXPECT_EQ(dib.Width(), c.width);
    EXPECT_EQ(dib.Height(), c.height);
  }
}

// Samples of 3 bits cross byte boundaries: each one must come out whole.
TEST(FuzzFindings, ThreeBitGraySamplesAcrossBytes) {
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    const uint8_t e[12] = {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), 0, 1, 0, 0, 0,
                           uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    t.insert(t.end(), e, e + 12);
  };
  const uint32_t dataAt = 8 + 2 + 9 * 12 + 4;
  entry(256, 3, 8), entry(257, 3, 1), entry(258, 3, 3), entry(259, 3, 1), entry(262, 3, 1);
  entry(273, 4, dataAt), entry(277, 3, 1), entry(278, 3, 1), entry(279, 4, 3);
  t.insert(t.end(), {0, 0, 0, 0});
  // 000 001 010 011 100 101 110 111
  t.insert(t.end(), {0x05, 0x39, 0x77});
  TOXMemoryStream stream(std::move(t));
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromStreamFormat(stream, oxffTIFF);
  ASSERT_FALSE(io.Aborted);
  ASSERT_EQ(dib.Width(), 8);
  ASSERT_EQ(dib.PixelFormat(), gfx::TPixelFormat::pf24bit);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(dib.ScanLine(0)[3 * x], x * 255 / 7) << "sample " << x;
}

// An EXIF thumbnail directory claiming a huge picture is not decoded on every read of the JPEG. The fuzz
// input is only its EXIF block (no picture in it), so the block travels in a picture of its own: the read
// must succeed, with just the thumbnail left out.
TEST(FuzzFindings, HugeExifThumbnailIsSkipped) {
  InstallTiffLzwCoders();
  const std::vector<uint8_t> fuzz = testdata::FuzzFixture("jpeg-exif-huge-thumbnail.jpg");
  size_t at = 0;
  while (at + 4 < fuzz.size() && !(fuzz[at] == 0xFF && fuzz[at + 1] == 0xE1)) ++at;
  ASSERT_LT(at + 4, fuzz.size());
  const size_t length = size_t(fuzz[at + 2]) << 8 | fuzz[at + 3];
  ASSERT_LE(at + 2 + length, fuzz.size());
  gfx::TDib picture(8, 6, gfx::TPixelFormat::pf24bit);
  TOrvexIO writer;
  writer.SetAttachedBitmap(&picture);
  writer.Params.JpegMarkers.Add(0xE1, fuzz.data() + at + 4, length - 2);
  TOXMemoryStream stream;
  writer.SaveToStreamFormat(stream, oxffJPEG);
  ASSERT_FALSE(writer.Aborted);
  for (bool load : {false, true}) {
    SCOPED_TRACE(load ? "load" : "parameters");
    stream.SetPosition(0);
    gfx::TDib dib;
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    if (load) io.LoadFromStreamFormat(stream, oxffJPEG);
    else io.ReadParamsFromStreamFormat(stream, oxffJPEG);
    ASSERT_FALSE(io.Aborted);
    EXPECT_EQ(io.Params.FileType, oxffJPEG);
    EXPECT_EQ(io.Params.Width, 8);
    EXPECT_EQ(io.Params.ExifThumbnail.Width(), 1);
    EXPECT_EQ(io.Params.ExifThumbnail.Height(), 1);
  }
}

// An EXIF resolution of 4 billion per centimetre does not fit an int: it saturates instead of wrapping.
TEST(FuzzFindings, HugeExifResolutionSaturates) {
  TOXMemoryStream stream(testdata::FuzzFixture("jpeg-exif-huge-resolution.jpg"));
  ASSERT_GT(stream.Size(), 0);
  TOrvexIO io;
  io.ReadParamsFromStreamFormat(stream, oxffJPEG);
  ASSERT_FALSE(io.Aborted);
  EXPECT_DOUBLE_EQ(io.Params.ExifXResolution, 4e9);
  EXPECT_EQ(io.Params.DpiX, std::numeric_limits<int>::max());
  EXPECT_EQ(io.Params.DpiY, std::numeric_limits<int>::max());
}
