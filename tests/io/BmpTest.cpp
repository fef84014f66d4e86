// BMP reader and writer: hand-made fixtures, the bmpsuite corpus against ImageMagick, round trips with netpbm.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "CodecTestUtil.h"
#include "imaging/io/BMPFilt.h"
#include "imaging/model/oxstreams.h"

namespace {

using namespace ox;
using namespace codectest;
using gfx::TDib;
using gfx::TPixelFormat;
using gfx::TRGB;

void P16(std::vector<uint8_t>& v, uint32_t x) { v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)}); }
void P32(std::vector<uint8_t>& v, uint32_t x) { v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)}); }

struct TBmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 1, height = 1;
  int bits = 24, compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<TRGB> palette;
  std::vector<uint32_t> masks;  // after the header (40-byte header), or inside a longer one
  std::vector<uint8_t> pixels;
};

std::vector<uint8_t> MakeBmp(const TBmpSpec& s) {
  std::vector<uint8_t> h;
  P32(h, s.headerSize);
  if (s.headerSize == 12) {
    P16(h, uint32_t(s.width)); P16(h, uint32_t(s.height)); P16(h, 1); P16(h, uint32_t(s.bits));
  } else {
    P32(h, uint32_t(s.width)); P32(h, uint32_t(s.height)); P16(h, 1); P16(h, uint32_t(s.bits));
    P32(h, uint32_t(s.compression)); P32(h, uint32_t(s.pixels.size())); P32(h, 3780); P32(h, 3780);
    P32(h, s.colorsUsed); P32(h, 0);
    if (s.headerSize > 40) for (uint32_t m : s.masks) P32(h, m);
    h.resize(s.headerSize, 0);
    if (s.headerSize == 40) for (uint32_t m : s.masks) P32(h, m);
  }
  for (const TRGB& c : s.palette) {
    h.insert(h.end(), {c.b, c.g, c.r});
    if (s.headerSize != 12) h.push_back(0);
  }
  std::vector<uint8_t> f = {'B', 'M'};
  P32(f, uint32_t(14 + h.size() + s.pixels.size()));
  P32(f, 0);
  P32(f, uint32_t(14 + h.size()));
  f.insert(f.end(), h.begin(), h.end());
  f.insert(f.end(), s.pixels.begin(), s.pixels.end());
  return f;
}

struct TLoad {
  TDib dib;
  TIOParamsVals params;
  bool aborted = false;
};

std::unique_ptr<TLoad> Load(const std::vector<uint8_t>& bytes, int64_t dataSize = 0) {
  auto r = std::make_unique<TLoad>();
  TOXMemoryStream s(bytes);
  TProgressRec pr;
  BMPReadStream(s, &r->dib, dataSize, false, pr, r->params);
  r->aborted = pr.IsAborted();
  return r;
}

std::vector<uint8_t> Save(const TDib& dib, TIOParamsVals& p, bool* aborted = nullptr) {
  TOXMemoryStream s;
  TProgressRec pr;
  BMPWriteStream(s, dib, p, pr);
  if (aborted) *aborted = pr.IsAborted();
  return s.Bytes();
}

TRGB Px(const TDib& d, int x, int y) {
  const gfx::TColor c = d.GetPixelColor(x, y);
  return TRGB{gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)};
}

TEST(BmpRead, LongHeaderPaletteFollowsTheHeader) {
  TBmpSpec s;
  s.headerSize = 108;
  s.width = 2;
  s.bits = 8;
  s.palette.resize(256);
  s.palette[0] = {10, 20, 30};
  s.palette[255] = {200, 100, 50};
  s.pixels = {255, 0, 0, 0};
  auto r = Load(MakeBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->params.ColorMapCount, 256);
  EXPECT_EQ(r->params.BmpVersion, 0);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{200, 100, 50}));
  EXPECT_EQ(Px(r->dib, 1, 0), (TRGB{10, 20, 30}));
}

TEST(BmpRead, OneBitKeepsBlackBlackWhateverTheTable) {
  for (auto [pal, blackBitSet] : {std::pair{std::vector<TRGB>{{0, 0, 0}, {255, 255, 255}}, false},
                                  {std::vector<TRGB>{{255, 255, 255}, {0, 0, 0}}, true},
                                  {std::vector<TRGB>{{255, 0, 0}, {0, 0, 255}}, false}}) {
    TBmpSpec s;
    s.width = 3;
    s.bits = 1;
    s.palette = pal;
    s.pixels = {0x40, 0, 0, 0};  // pixel 1 uses entry 1
    auto r = Load(MakeBmp(s));
    ASSERT_FALSE(r->aborted);
    ASSERT_EQ(r->dib.PixelFormat(), TPixelFormat::pf1bit);
    const bool bit1 = (r->dib.ScanLine(0)[0] & 0x40) != 0;
    EXPECT_EQ(bit1, !blackBitSet);  // white, black: entry 1 (black) loads as a clear bit
    // Every table shows its own colours.
    EXPECT_EQ(r->dib.GetPixelColor(1, 0), gfx::RGBColor(pal[1].r, pal[1].g, pal[1].b));
    EXPECT_EQ(r->dib.GetPixelColor(0, 0), gfx::RGBColor(pal[0].r, pal[0].g, pal[0].b));
  }
}

TEST(BmpWrite, OneBitPictureKeepsItsTwoColours) {
  TDib d(4, 1, TPixelFormat::pf1bit);
  d.SetPalette({TRGB{255, 0, 0}, TRGB{255, 255, 0}});
  d.ScanLine(0)[0] = 0x50;
  TIOParamsVals p;
  p.BitsPerSample = 1;
  const std::vector<uint8_t> f = Save(d, p);
  EXPECT_EQ((std::vector<uint8_t>(f.begin() + 54, f.begin() + 62)), (std::vector<uint8_t>{0, 0, 255, 0, 0, 255, 255, 0}));
  EXPECT_EQ(f[62] & 0xF0, 0x50);
}

TEST(BmpRead, RleDeltaMovesFromTheCurrentPosition) {
  TBmpSpec s;
  s.width = 6;
  s.height = 3;
  s.bits = 8;
  s.compression = 1;
  s.colorsUsed = 3;
  s.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}};
  // bottom row: 2 red, delta (+2, +1), 1 green, end of line, end of bitmap
  s.pixels = {2, 1, 0, 2, 2, 1, 1, 2, 0, 0, 0, 1};
  auto r = Load(MakeBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 1, 2), (TRGB{255, 0, 0}));
  EXPECT_EQ(Px(r->dib, 4, 1), (TRGB{0, 255, 0}));
  EXPECT_EQ(Px(r->dib, 3, 1), (TRGB{0, 0, 0}));
}

TEST(BmpRead, BitFields565AndZeroMasks) {
  TBmpSpec s;
  s.width = 2;
  s.bits = 16;
  s.compression = 3;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.pixels = {0x00, 0xF8, 0xE0, 0x07};  // pure red, pure green
  auto r = Load(MakeBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{248, 0, 0}));
  EXPECT_EQ(Px(r->dib, 1, 0), (TRGB{0, 252, 0}));
  EXPECT_EQ(r->params.BitsPerSample, 5);

  s.masks = {0, 0xFFFF, 0};
  s.pixels = {0xFF, 0xFF, 0x00, 0x80};
  r = Load(MakeBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{0, 255, 0}));
  EXPECT_EQ(Px(r->dib, 1, 0), (TRGB{0, 128, 0}));
}

TEST(BmpRead, TopDownAndPaletteBounds) {
  TBmpSpec s;
  s.width = 1;
  s.height = -2;
  s.bits = 8;
  s.colorsUsed = 2;
  s.palette = {{1, 1, 1}, {2, 2, 2}};
  s.pixels = {1, 0, 0, 0, 200, 0, 0, 0};  // top row first; index 200 is not in the table
  auto r = Load(MakeBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{2, 2, 2}));
  EXPECT_EQ(Px(r->dib, 0, 1), (TRGB{0, 0, 0}));
}

TEST(BmpRead, MalformedHeadersAbort) {
  auto aborts = [](TBmpSpec s, std::function<void(std::vector<uint8_t>&)> edit = {}) {
    std::vector<uint8_t> f = MakeBmp(s);
    if (edit) edit(f);
    return Load(f)->aborted;
  };
  TBmpSpec ok;
  ok.pixels = {1, 2, 3, 0};
  EXPECT_FALSE(aborts(ok));
  EXPECT_TRUE(aborts(ok, [](auto& f) { f[0] = 'X'; }));
  TBmpSpec s = ok;
  s.width = 0;
  EXPECT_TRUE(aborts(s));
  s = ok;
  s.height = 0;
  EXPECT_TRUE(aborts(s));
  s = ok;
  s.bits = 2;
  EXPECT_TRUE(aborts(s));
  s = ok;
  s.compression = 4;  // embedded JPEG
  EXPECT_TRUE(aborts(s));
  s = ok;
  s.width = 100000;
  s.height = 100000;
  EXPECT_TRUE(aborts(s));  // the size guard, before any allocation
  s.width = 50000;
  s.height = 5000;
  EXPECT_TRUE(aborts(s));  // allowed size, but a few bytes cannot hold it: refused before allocating
  EXPECT_TRUE(aborts(ok, [](auto& f) { f.resize(f.size() - 2); }));  // truncated pixels
  EXPECT_TRUE(aborts(ok, [](auto& f) { f[14] = 66; }));              // header size
  s = ok;
  s.bits = 8;
  s.compression = 1;
  s.pixels = {1, 0, 0, 1};
  s.colorsUsed = 2;
  s.palette.resize(2);
  EXPECT_FALSE(aborts(s));
  s.height = -1;
  EXPECT_TRUE(aborts(s));  // top-down RLE
  s.height = 1;
  s.pixels = {0, 2, 9, 0, 0, 1};  // delta beyond the right edge
  EXPECT_TRUE(aborts(s));
  s.pixels = {0, 5, 1, 1};  // literal cut by the end of the data
  EXPECT_TRUE(aborts(s));
}

TEST(BmpWrite, CompressedEightBitLayout) {
  TDib d = TestPicture(13, 5);
  TIOParamsVals p;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.BmpCompressed = true;
  const std::vector<uint8_t> f = Save(d, p);
  ASSERT_GT(f.size(), 54u + 1024u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[30], 1);                                       // compression RLE8
  EXPECT_EQ(f[46] | (f[47] << 8), 256);                      // colours used
  EXPECT_EQ(uint32_t(f[2] | (f[3] << 8) | (f[4] << 16)), f.size());  // file size from the "B"
  EXPECT_EQ(f[10] | (f[11] << 8), 54 + 1024);                // pixel data right after the table
  EXPECT_EQ(f[f.size() - 2], 0);
  EXPECT_EQ(f[f.size() - 1], 1);
  EXPECT_EQ(f[f.size() - 3], 0);  // the last row ended with 0, 0
  EXPECT_EQ(f[f.size() - 4], 0);
  auto r = Load(f);
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->dib.Width(), 13);
  EXPECT_TRUE(r->params.BmpCompressed);
}

TEST(BmpWrite, OneBitUsesTheTwoColoursDarkerFirst) {
  TDib d(5, 2, TPixelFormat::pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) d.SetPixelColor(x, y, x == 2 ? gfx::RGBColor(0, 0, 128) : gfx::RGBColor(255, 255, 255));
  TIOParamsVals p;
  p.BitsPerSample = 1;
  const std::vector<uint8_t> f = Save(d, p);
  EXPECT_EQ((std::vector<uint8_t>(f.begin() + 54, f.begin() + 62)), (std::vector<uint8_t>{128, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_EQ(f[62] & 0xF8, 0xD8);  // 1, 1, 0, 1, 1: only the dark blue pixel has a clear bit
}

TEST(BmpWrite, CoreHeaderRefusesWideSizesAndShortWritesAbort) {
  TDib d(70000, 1, TPixelFormat::pf1bit);
  TIOParamsVals p;
  p.BmpVersion = 2;
  p.BitsPerSample = 1;
  bool aborted = false;
  Save(d, p, &aborted);
  EXPECT_TRUE(aborted);

  // A stream that takes only 100 bytes.
  struct TShort : TOXMemoryStream {
    int64_t Write(const void* b, int64_t n) override { return Position() + n > 100 ? 0 : TOXMemoryStream::Write(b, n); }
  } s;
  TProgressRec pr;
  TIOParamsVals q;
  BMPWriteStream(s, TestPicture(40, 40), q, pr);
  EXPECT_TRUE(pr.IsAborted());
}

TEST(BmpWrite, RleEncodersFollowTheirPieces) {
  std::vector<uint8_t> out;
  const uint8_t row8[] = {7, 7, 7, 1, 2, 3, 4, 4};
  BMPEncodeRLE8(row8, 8, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{3, 7, 0, 3, 1, 2, 3, 0, 2, 4, 0, 0}));
  out.clear();
  const uint8_t row4[] = {5, 5, 1, 2, 3, 9};
  BMPEncodeRLE4(row4, 6, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{2, 0x55, 0, 4, 0x12, 0x39, 0, 0}));
  out.clear();
  std::vector<uint8_t> ramp(600);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
  BMPEncodeRLE8(ramp.data(), 600, out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 255);
}

// ---------------------------------------------------------------------------------------------------------
// bmpsuite against ImageMagick.

std::string Corpus(const std::string& sub) { return std::string(VANTREL_CORPUS) + "/bmp/" + sub; }

std::vector<std::string> Files(const std::string& sub) {
  std::vector<std::string> v;
  for (auto& e : std::filesystem::directory_iterator(Corpus(sub)))
    if (e.path().extension() == ".bmp") v.push_back(e.path().string());
  std::sort(v.begin(), v.end());
  return v;
}

TEST(BmpCorpus, GoodFilesMatchImageMagick) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  for (const std::string& path : Files("g")) {
    SCOPED_TRACE(path);
    const std::vector<uint8_t> bytes = ReadFile(path);
    auto r = Load(bytes, int64_t(bytes.size()));
    ASSERT_FALSE(r->aborted);
    const TRgbImage ref = ParsePnm(Shell("convert '" + path + "' -depth 8 ppm:-"));
    ASSERT_GT(ref.width, 0);
    TRgbImage ours = FromDib(r->dib);
    int tolerance = 0;
    // Bilevel pictures keep their own two colours, so they compare like the others.
    if (r->params.BitsPerSample == 5) tolerance = 7;  // 5- and 6-bit fields keep zero low bits here
    EXPECT_LE(MaxDiff(ours, ref), tolerance);
  }
}

TEST(BmpCorpus, BadFilesAbortAndQuestionableOnesNeverCrash) {
  // Wrong but harmless fields (densities, sizes the data does not need, palette indexes outside the
  // table, a 16-bit picture with one empty mask) still give a picture.
  const std::set<std::string> decodable = {"badbitssize.bmp", "baddens1.bmp",      "baddens2.bmp",   "badfilesize.bmp",
                                           "badpalettesize.bmp", "pal8badindex.bmp", "rgb16-880.bmp"};
  for (const std::string& path : Files("b")) {
    SCOPED_TRACE(path);
    const std::vector<uint8_t> bytes = ReadFile(path);
    auto r = Load(bytes, int64_t(bytes.size()));
    EXPECT_EQ(r->aborted, !decodable.count(std::filesystem::path(path).filename().string()));
  }
  for (const char* sub : {"q", "x"})
    for (const std::string& path : Files(sub)) {
      const std::vector<uint8_t> bytes = ReadFile(path);
      Load(bytes, int64_t(bytes.size()));
      Load(bytes, 0);
      // Every prefix of a file must end cleanly too.
      for (size_t cut : {size_t(20), size_t(60), bytes.size() / 2}) Load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::min(cut, bytes.size())));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Round trips through netpbm and ImageMagick.

struct TWriteCase {
  int version, bits;
  bool compressed;
};

TEST(BmpRoundTrip, OurFilesReadByNetpbm) {
  if (!HaveTool("bmptopnm")) GTEST_SKIP() << "netpbm missing";
  TTempDir tmp;
  const TDib src = TestPicture(37, 21);
  for (const TWriteCase c : {TWriteCase{1, 24, false}, {3, 24, false}, {2, 24, false}, {1, 8, false}, {1, 8, true},
                             {2, 8, false}, {3, 8, true}, {1, 4, false}, {1, 4, true}, {2, 4, false}, {1, 1, false},
                             {2, 1, false}, {3, 1, false}}) {
    SCOPED_TRACE("version " + std::to_string(c.version) + " bits " + std::to_string(c.bits) + (c.compressed ? " rle" : ""));
    TIOParamsVals p;
    p.BmpVersion = uint8_t(c.version);
    p.BmpCompressed = c.compressed;
    p.BitsPerSample = c.bits == 24 ? 8 : c.bits;
    p.SamplesPerPixel = c.bits == 24 ? 3 : 1;
    const std::vector<uint8_t> f = Save(src, p);
    // Netpbm reads neither RLE nor the 64-byte header; ImageMagick reads both but takes 3-byte table
    // entries after a 64-byte header, where the format has 4.
    WriteFile(tmp / "w.bmp", f);
    const bool magick = c.compressed || c.version == 3;
    const TRgbImage theirs =
        ParsePnm(Shell(magick ? "convert " + tmp / "w.bmp" + " -depth 8 ppm:-" : "bmptopnm " + tmp / "w.bmp"));
    auto back = Load(f);
    ASSERT_FALSE(back->aborted);
    EXPECT_EQ(back->dib.Width(), 37);
    EXPECT_EQ(back->params.BmpVersion, c.version);
    TRgbImage ours = FromDib(back->dib);
    if (c.bits == 24) {
      EXPECT_EQ(ours, FromDib(src));
    }
    if (c.version != 3 || c.bits == 24) {
      EXPECT_EQ(MaxDiff(ours, theirs), 0);
    }
  }
}

TEST(BmpRoundTrip, FilesOfTheToolsReadBack) {
  if (!HaveTool("ppmtobmp") || !HaveTool("convert")) GTEST_SKIP() << "netpbm or ImageMagick missing";
  TTempDir tmp;
  WriteFile(tmp / "src.ppm", ToPpm(TestPicture(29, 17)));
  Shell("pnmquant 200 " + tmp / "src.ppm" + " > " + tmp / "q200.ppm");
  Shell("pnmquant 12 " + tmp / "src.ppm" + " > " + tmp / "q12.ppm");
  Shell("ppmtopgm " + tmp / "src.ppm" + " | pamthreshold | pamtopnm > " + tmp / "bw.pbm");
  const std::vector<std::string> commands = {
      "ppmtobmp -windows " + tmp / "src.ppm",
      "ppmtobmp -os2 " + tmp / "src.ppm",
      "ppmtobmp -windows " + tmp / "q200.ppm",
      "ppmtobmp -os2 " + tmp / "q200.ppm",
      "ppmtobmp -windows " + tmp / "q12.ppm",
      "ppmtobmp -os2 -bpp=4 " + tmp / "q12.ppm",
      "ppmtobmp -windows " + tmp / "bw.pbm",
      "ppmtobmp -os2 " + tmp / "bw.pbm",
      "convert " + tmp / "q200.ppm" + " -compress RLE bmp3:-",
      "convert " + tmp / "q12.ppm" + " -type Palette -compress RLE bmp3:-",
      "convert " + tmp / "src.ppm" + " bmp:-",
      "convert " + tmp / "src.ppm" + " -define bmp:subtype=RGB565 bmp:-",
  };
  for (const std::string& cmd : commands) {
    SCOPED_TRACE(cmd);
    bool ok = false;
    const std::vector<uint8_t> f = Shell(cmd, &ok);
    ASSERT_TRUE(ok);
    WriteFile(tmp / "t.bmp", f);
    auto r = Load(f, int64_t(f.size()));
    ASSERT_FALSE(r->aborted);
    const TRgbImage ref = ParsePnm(Shell("convert " + tmp / "t.bmp" + " -depth 8 ppm:-"));
    if (r->dib.PixelFormat() == TPixelFormat::pf1bit) {
      EXPECT_EQ(MaxDiff(FromDib(r->dib), ref), 0);  // netpbm writes black, white
      continue;
    }
    EXPECT_LE(MaxDiff(FromDib(r->dib), ref), r->params.BitsPerSample == 5 ? 7 : 0);
  }
}

}  // namespace
