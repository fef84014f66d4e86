// Inputs the fuzz targets found (tests/data/fuzz, and corpus files that tripped them): each loads through the
// stream load without a crash and ends with the flag and size it should.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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
