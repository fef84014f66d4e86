// PCX codec: corpus files, files made by netpbm and ImageMagick, our files read by them, hand-built fixtures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "PcxTgaTestUtil.h"
#include "imaging/io/PCXFilt.h"

using namespace ox;
using namespace pcxtga_test;

namespace {

const std::string kPcxDir = std::string(VANTREL_CORPUS) + "/pcx/";

bool Decode(const std::vector<uint8_t>& bytes, gfx::TDib& dib, TIOParamsVals& p, int64_t length = -1) {
  TOXMemoryStream s(bytes);
  TProgressRec pr;
  ReadPcxStream(s, &dib, p, false, pr, length < 0 ? int64_t(bytes.size()) : length);
  return !pr.IsAborted();
}

bool DecodeFile(const std::string& path, TRgb& out) {
  gfx::TDib dib;
  TIOParamsVals p;
  if (!Decode(ReadBytes(path), dib, p)) return false;
  out = FromDib(dib);
  return true;
}

struct TPcxSpec {
  int Bpp = 8, Planes = 1, XMin = 0, YMin = 0, XMax = 0, YMax = 0, Bpl = 0, Encoding = 1, HRes = 72, VRes = 72;
};

std::vector<uint8_t> MakePcx(const TPcxSpec& s, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b(128, 0);
  auto put16 = [&b](int at, int v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); };
  b[0] = 10, b[1] = 5, b[2] = uint8_t(s.Encoding), b[3] = uint8_t(s.Bpp);
  put16(4, s.XMin), put16(6, s.YMin), put16(8, s.XMax), put16(10, s.YMax), put16(12, s.HRes), put16(14, s.VRes);
  b[65] = uint8_t(s.Planes);
  put16(66, s.Bpl);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// 769 trailing bytes: 12, then entry i = (i, 2i, 3i).
void AppendPalette(std::vector<uint8_t>& b) {
  b.push_back(12);
  for (int i = 0; i < 256; ++i) b.insert(b.end(), {uint8_t(i), uint8_t(i * 2), uint8_t(i * 3)});
}

}  // namespace

TEST(PcxRead, CorpusFilesMatchNetpbm) {
  struct Case {
    const char* name;
    int w, h;
  } cases[] = {{"pillow/pil184.pcx", 447, 144}, {"pillow/odd_stride.pcx", 371, 150}, {"pillow/p_4_planes.pcx", 1, 1}};
  TTempDir tmp;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRgb ours;
    ASSERT_TRUE(DecodeFile(kPcxDir + c.name, ours));
    EXPECT_EQ(ours.W, c.w);
    EXPECT_EQ(ours.H, c.h);
    if (!HaveTool("/usr/bin/pcxtoppm")) continue;
    TRgb ref;
    ASSERT_TRUE(RunTool("pcxtoppm '" + kPcxDir + c.name + "' > " + tmp / "ref.ppm") && LoadPnm(tmp / "ref.ppm", ref));
    EXPECT_TRUE(ours == ref);
  }
  TRgb bw;
  ASSERT_TRUE(DecodeFile(kPcxDir + "pillow/pil184.pcx", bw));
  for (uint8_t v : bw.Px) ASSERT_TRUE(v == 0 || v == 255);
  TRgb one;
  ASSERT_TRUE(DecodeFile(kPcxDir + "pillow/p_4_planes.pcx", one));
  EXPECT_EQ(std::vector<uint8_t>(one.Px.begin(), one.Px.end()), (std::vector<uint8_t>{255, 0, 0}));  // entry 3
}

TEST(PcxRead, MalformedCorpusFilesAbort) {
  for (const char* name : {"01r_00.pcx", "ossfuzz-4836216264589312.pcx", "pcx_overrun.bin", "pcx_overrun2.bin"}) {
    SCOPED_TRACE(name);
    gfx::TDib dib;
    TIOParamsVals p;
    EXPECT_FALSE(Decode(ReadBytes(kPcxDir + "malformed/" + name), dib, p));
  }
}

TEST(PcxRead, NetpbmAndImageMagickFiles) {
  if (!HaveTool("/usr/bin/ppmtopcx")) GTEST_SKIP() << "netpbm missing";
  TTempDir tmp;
  const TRgb sixteen = Pattern(37, 23, 16), photo = Pattern(61, 29, 0);
  // One-bit lines carry no colours of their own: set bits are white.
  TRgb two = Pattern(37, 23, 2);
  for (size_t i = 0; i < two.Px.size(); i += 3) std::memset(&two.Px[i], two.Px[i] == 0 ? 0 : 255, 3);
  struct Case {
    const char* options;
    const TRgb* image;
    int bpp, planes;
  } cases[] = {{"-24bit", &photo, 8, 3},         {"-24bit", &sixteen, 8, 3}, {"-8bit", &sixteen, 8, 1},
               {"-packed", &sixteen, 4, 1},      {"-planes=4", &sixteen, 1, 4}, {"", &two, 1, 1},
               {"-packed", &two, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    SavePpm(tmp / "in.ppm", *c.image);
    ASSERT_TRUE(RunTool(std::string("ppmtopcx ") + c.options + " " + tmp / "in.ppm" + " > " + tmp / "out.pcx"));
    const std::vector<uint8_t> bytes = ReadBytes(tmp / "out.pcx");
    ASSERT_GT(bytes.size(), 128u);
    ASSERT_EQ(bytes[3], c.bpp);
    ASSERT_EQ(bytes[65], c.planes);
    gfx::TDib dib;
    TIOParamsVals p;
    ASSERT_TRUE(Decode(bytes, dib, p));
    EXPECT_TRUE(FromDib(dib) == *c.image);
  }
  if (!HaveTool(kConvert)) return;
  for (const TRgb* image : {&photo, &sixteen}) {
    SavePpm(tmp / "in.ppm", *image);
    ASSERT_TRUE(RunTool(std::string(kConvert) + " " + tmp / "in.ppm" + " " + tmp / "im.pcx"));
    TRgb ours;
    ASSERT_TRUE(DecodeFile(tmp / "im.pcx", ours));
    EXPECT_TRUE(ours == *image);
  }
}

TEST(PcxWrite, FilesReadBackByNetpbmAndImageMagick) {
  if (!HaveTool("/usr/bin/pcxtoppm")) GTEST_SKIP() << "netpbm missing";
  TTempDir tmp;
  const TRgb photo = Pattern(61, 29, 0), sixteen = Pattern(37, 23, 16);
  struct Case {
    int bits, samples;
    bool rle;
    const TRgb* image;
    bool exact;  // the depth holds every colour of the picture
  } cases[] = {{8, 3, true, &photo, true},      {8, 3, false, &photo, true}, {8, 1, true, &sixteen, false},
               {8, 1, false, &sixteen, false}, {4, 1, true, &sixteen, false}, {4, 1, false, &sixteen, false},
               {1, 1, true, &photo, false},     {1, 1, false, &photo, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << "x" << c.samples << (c.rle ? " rle" : " raw"));
    TIOParamsVals p;
    p.BitsPerSample = c.bits;
    p.SamplesPerPixel = c.samples;
    p.PcxCompressed = c.rle;
    TOXMemoryStream s;
    TProgressRec pr;
    WritePcxStream(s, ToDib(*c.image), p, pr);
    ASSERT_FALSE(pr.IsAborted());
    WriteBytes(tmp / "ours.pcx", s.Bytes());
    TRgb ours, netpbm, magick;
    ASSERT_TRUE(DecodeFile(tmp / "ours.pcx", ours));
    if (c.exact) {
      EXPECT_TRUE(ours == *c.image);
    }
    if (c.rle) {  // netpbm reads run-length files only
      ASSERT_TRUE(RunTool("pcxtoppm " + tmp / "ours.pcx" + " > " + tmp / "n.ppm") && LoadPnm(tmp / "n.ppm", netpbm));
      EXPECT_TRUE(netpbm == ours);
    }
    // ImageMagick draws the set bits of one-bit files black whatever the palette says.
    if (HaveTool(kConvert) && c.bits != 1) {
      ASSERT_TRUE(RunTool(std::string(kConvert) + " " + tmp / "ours.pcx" + " -depth 8 ppm:" + tmp / "m.ppm") &&
                  LoadPnm(tmp / "m.ppm", magick));
      EXPECT_TRUE(magick == ours);
    }
  }
}

TEST(PcxRead, RunCarriesIntoTheNextLine) {
  TPcxSpec s;
  s.XMax = 5, s.YMax = 1, s.Bpl = 6;
  std::vector<uint8_t> b = MakePcx(s, {1, 2, 0xC5, 7, 3, 4, 5, 6, 9});
  AppendPalette(b);
  gfx::TDib dib;
  TIOParamsVals p;
  ASSERT_TRUE(Decode(b, dib, p));
  const int expect[2][6] = {{1, 2, 7, 7, 7, 7}, {7, 3, 4, 5, 6, 9}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dib.GetPixelColor(x, y), gfx::RGBColor(expect[y][x], expect[y][x] * 2, expect[y][x] * 3));
  EXPECT_EQ(p.ColorMapCount, 256);
}

TEST(PcxRead, HeaderFields) {
  TPcxSpec s;
  s.XMin = 10, s.XMax = 13, s.YMax = 0, s.Bpl = 4, s.HRes = 300, s.VRes = 0;
  std::vector<uint8_t> b = MakePcx(s, {0xC4, 1});
  AppendPalette(b);
  TOXMemoryStream st(b);
  TIOParamsVals p;
  TProgressRec pr;
  ReadPcxStream(st, nullptr, p, true, pr, int64_t(b.size()));
  ASSERT_FALSE(pr.IsAborted());
  EXPECT_EQ(p.Width, 4);
  EXPECT_EQ(p.Height, 1);
  EXPECT_EQ(p.DpiX, kDefaultScreenDpi);
  EXPECT_EQ(p.DpiY, kDefaultScreenDpi);
  EXPECT_EQ(p.ColorMap[5], (TOXRGB{5, 10, 15}));
}

TEST(PcxRead, BadHeadersAbort) {
  struct Case {
    const char* what;
    TPcxSpec spec;
  } cases[] = {
      {"xmax below xmin", {.XMin = 5, .XMax = 4, .YMax = 0, .Bpl = 2}},
      {"ymax below ymin", {.YMin = 3, .XMax = 1, .YMax = 2, .Bpl = 2}},
      {"no planes", {.Planes = 0, .XMax = 1, .Bpl = 2}},
      {"no bytes per line", {.XMax = 1, .Bpl = 0}},
      {"line shorter than the row", {.XMax = 9, .Bpl = 4}},
      {"encoding 2", {.XMax = 1, .Bpl = 2, .Encoding = 2}},
      {"9 bits", {.Bpp = 9, .XMax = 1, .Bpl = 4}},
      {"picture above the size limit", {.Planes = 3, .XMax = 65535, .YMax = 65535, .Bpl = 65535}},
      {"two planes of one bit", {.Bpp = 1, .Planes = 2, .XMax = 7, .Bpl = 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gfx::TDib dib;
    TIOParamsVals p;
    EXPECT_FALSE(Decode(MakePcx(c.spec, std::vector<uint8_t>(64, 0)), dib, p));
  }
}

TEST(PcxRead, PaletteNeverReadFromBeforeTheData) {
  // The PCX data sits at 1000 in a stream whose earlier bytes look like a palette; the caller's data length
  // is too short to hold one, so the colour map stays black.
  TPcxSpec s;
  s.XMax = 1, s.YMax = 0, s.Bpl = 2;
  std::vector<uint8_t> pcx = MakePcx(s, {5, 6});
  std::vector<uint8_t> bytes(1000, 0x77);
  bytes.insert(bytes.end(), pcx.begin(), pcx.end());
  TOXMemoryStream st(bytes);
  st.SetPosition(1000);
  gfx::TDib dib;
  TIOParamsVals p;
  TProgressRec pr;
  ReadPcxStream(st, &dib, p, false, pr, int64_t(pcx.size()));
  ASSERT_FALSE(pr.IsAborted());
  EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(0, 0, 0));
  // A length beyond the stream: the palette is the last 768 bytes the stream really has.
  std::vector<uint8_t> b = MakePcx(s, {5, 6});
  AppendPalette(b);
  ASSERT_TRUE(Decode(b, dib, p, int64_t(b.size()) + 5000));
  EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(6, 12, 18));
}

TEST(PcxRead, TruncatedDataAbortsKeepingTheRowsRead) {
  const TRgb photo = Pattern(40, 20, 0);
  TIOParamsVals p;
  TOXMemoryStream s;
  TProgressRec pr;
  WritePcxStream(s, ToDib(photo), p, pr);
  std::vector<uint8_t> bytes = s.Bytes();
  gfx::TDib dib;
  ASSERT_TRUE(Decode(bytes, dib, p));  // the next load reuses this buffer
  bytes.resize(128 + (bytes.size() - 128) / 2);
  EXPECT_FALSE(Decode(bytes, dib, p));
  ASSERT_EQ(dib.Width(), 40);
  const TRgb got = FromDib(dib);
  EXPECT_TRUE(std::equal(got.Px.begin(), got.Px.begin() + 40 * 3 * 5, photo.Px.begin()));
  // Rows the data did not reach hold nothing of the earlier picture.
  EXPECT_TRUE(std::all_of(got.Px.end() - 40 * 3, got.Px.end(), [](uint8_t v) { return v == 0; }));
}

TEST(PcxWrite, OddWidthLinesArePadded) {
  TRgb img{3, 1, {10, 20, 30, 40, 50, 60, 70, 80, 90}};
  TIOParamsVals p;
  TOXMemoryStream s;
  TProgressRec pr;
  WritePcxStream(s, ToDib(img), p, pr);
  const std::vector<uint8_t>& b = s.Bytes();
  ASSERT_EQ(b.size(), 128u + 12u);
  EXPECT_EQ(b[65], 3);
  EXPECT_EQ(b[66], 4);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 128, b.end()),
            (std::vector<uint8_t>{10, 40, 70, 0, 20, 50, 80, 0, 30, 60, 90, 0}));
  // Runs and bytes of 192 and above are written as counted pairs.
  TRgb runs{4, 1, {200, 0, 0, 200, 0, 0, 200, 0, 0, 5, 0, 0}};
  TOXMemoryStream s2;
  WritePcxStream(s2, ToDib(runs), p, pr);
  EXPECT_EQ(std::vector<uint8_t>(s2.Bytes().begin() + 128, s2.Bytes().begin() + 131), (std::vector<uint8_t>{195, 200, 5}));
}

TEST(PcxWrite, UnsupportedDepthWritesNothing) {
  TIOParamsVals p;
  p.BitsPerSample = 2;
  p.SamplesPerPixel = 1;
  TOXMemoryStream s;
  TProgressRec pr;
  WritePcxStream(s, ToDib(Pattern(4, 4, 3)), p, pr);
  EXPECT_TRUE(pr.IsAborted());
  EXPECT_EQ(s.Size(), 0);
}
