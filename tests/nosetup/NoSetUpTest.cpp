// A program that makes no set-up call at all reads LZW pictures: the built-in coders are the defaults.
// Its own executable, so that no other test of the process has touched the process-wide hooks first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/io/oxio.h"
#include "platform/gfx/Dib.h"
#include "tests/support/TempDir.h"

using namespace ox;

namespace {

const std::string kCorpus = VANTREL_CORPUS;

bool Load(const std::string& path, gfx::TDib& dib) {
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFile(path);
  return !io.Aborted;
}

}  // namespace

TEST(NoSetUp, ReadsAnLzwGif) {
  gfx::TDib dib;
  ASSERT_TRUE(Load(kCorpus + "/gif/pygif/all-blues.gif", dib));
  std::ifstream f(kCorpus + "/gif/pygif/all-blues.rgba", std::ios::binary);
  const std::vector<uint8_t> rgba{std::istreambuf_iterator<char>(f), {}};
  ASSERT_EQ(rgba.size(), size_t(16 * 16 * 4));
  ASSERT_EQ(dib.Width(), 16);
  ASSERT_EQ(dib.Height(), 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint8_t* p = &rgba[size_t(y * 16 + x) * 4];
      ASSERT_EQ(dib.GetPixelColor(x, y), gfx::RGBColor(p[0], p[1], p[2])) << x << "," << y;
    }
}

TEST(NoSetUp, ReadsAnLzwTiff) {
  const std::string lzw = kCorpus + "/tiff/libtiff/quad-lzw-compat.tiff";
  testsupport::TTempDir dir;
  const std::string plain = dir / "plain.tif";
  if (std::system(("tiffcp -c none '" + lzw + "' '" + plain + "' >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "tiffcp (libtiff-tools) is needed for the uncompressed reference";
  gfx::TDib got, want;
  ASSERT_TRUE(Load(lzw, got));
  ASSERT_TRUE(Load(plain, want));
  ASSERT_EQ(got.Width(), 512);
  ASSERT_EQ(got.Height(), 384);
  ASSERT_EQ(got.PixelFormat(), want.PixelFormat());
  for (int y = 0; y < got.Height(); ++y)
    ASSERT_EQ(std::memcmp(got.ScanLine(y), want.ScanLine(y), size_t(got.RowLength())), 0) << "row " << y;
}
