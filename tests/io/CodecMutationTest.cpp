// Mutated and cut corpus files through the BMP, icon, cursor and anymap readers: each must end cleanly.
#include <gtest/gtest.h>

#include <random>

#include "CodecTestUtil.h"
#include "imaging/io/BMPFilt.h"
#include "imaging/io/ICOFilt.h"
#include "imaging/io/PXMFilt.h"
#include "imaging/model/oxstreams.h"

namespace {

using namespace ox;
using namespace codectest;

void Decode(const std::vector<uint8_t>& bytes) {
  for (int kind = 0; kind < 4; ++kind) {
    TOXMemoryStream s(bytes);
    gfx::TDib dib;
    TIOParamsVals p;
    TOXMask mask;
    TProgressRec pr;
    switch (kind) {
      case 0: BMPReadStream(s, &dib, 0, false, pr, p); break;
      case 1: if (IsICOStream(s)) ICOReadStream(s, &dib, p, &mask, pr, false); break;
      case 2: CURReadStream(s, &dib, p, &mask, pr, false); break;
      default: if (IsPXMStream(s)) PXMReadStream(s, &dib, p, false, pr); break;
    }
    if (!pr.IsAborted() && !dib.Empty()) {
      EXPECT_GT(dib.ByteSize(), 0u);
    }
  }
}

TEST(CodecMutation, ReadersSurviveFlippedBytesAndCuts) {
  const std::string c = VANTREL_CORPUS;
  const std::vector<std::string> seeds = {
      c + "/bmp/g/pal8rle.bmp", c + "/bmp/g/pal4rle.bmp", c + "/bmp/g/rgb16-565pal.bmp", c + "/bmp/g/pal8os2.bmp",
      c + "/bmp/g/rgb32bf.bmp", c + "/ico/image-rs/smile.ico", c + "/ico/image-rs/bmp-32bpp-alpha.ico",
      c + "/pnm/image-rs/pgm/l8a.pgm", c + "/pnm/image-rs/ppm/r16b.ppm", c + "/pnm/image-rs/pbm/l1a.pbm"};
  std::mt19937 rng(12345);
  for (const std::string& path : seeds) {
    SCOPED_TRACE(path);
    const std::vector<uint8_t> seed = ReadFile(path);
    ASSERT_FALSE(seed.empty());
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> m = seed;
      const int flips = 1 + int(rng() % 6);
      for (int k = 0; k < flips; ++k) {
        // Headers hold most of the decisions: aim there more often.
        const size_t at = rng() % 2 ? rng() % std::min<size_t>(m.size(), 64) : rng() % m.size();
        m[at] = uint8_t(rng() % 3 == 0 ? 0xFF : rng());
      }
      if (rng() % 4 == 0) m.resize(rng() % m.size());
      Decode(m);
    }
  }
}

}  // namespace
