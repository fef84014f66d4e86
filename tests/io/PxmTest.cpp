// Portable anymap: tokens, the six raster forms, malformed headers, the writer, netpbm round trips, corpus.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "CodecTestUtil.h"
#include "imaging/io/PXMFilt.h"
#include "imaging/model/oxstreams.h"

namespace {

using namespace ox;
using namespace codectest;
using gfx::TDib;
using gfx::TPixelFormat;
using gfx::TRGB;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

struct TRead {
  TDib dib;
  TIOParamsVals params;
  bool aborted = false;
};

std::unique_ptr<TRead> Read(const std::vector<uint8_t>& bytes) {
  auto r = std::make_unique<TRead>();
  TOXMemoryStream s(bytes);
  TProgressRec pr;
  PXMReadStream(s, &r->dib, r->params, false, pr);
  r->aborted = pr.IsAborted();
  return r;
}

std::vector<uint8_t> Write(const TDib& dib, int bps, int spp, std::vector<std::string> comments = {}) {
  TIOParamsVals p;
  p.BitsPerSample = bps;
  p.SamplesPerPixel = spp;
  p.PxmComments = std::move(comments);
  TOXMemoryStream s;
  TProgressRec pr;
  PXMWriteStream(s, dib, p, pr);
  EXPECT_FALSE(pr.IsAborted());
  return s.Bytes();
}

TRGB Px(const TDib& d, int x, int y) {
  const gfx::TColor c = d.GetPixelColor(x, y);
  return TRGB{gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)};
}
uint8_t Gray(const TDib& d, int x, int y) { return Px(d, x, y).r; }

TEST(PxmTokens, CommentsWordsAndEnds) {
  TOXMemoryStream s(Bytes("  P2\n#  a note \r12 ab3,7"));
  EXPECT_EQ(PXMNextToken(s), "P2");
  EXPECT_EQ(PXMNextToken(s), "#a note");
  EXPECT_EQ(PXMNextToken(s), "12");
  EXPECT_EQ(PXMNextToken(s), "ab3");
  EXPECT_EQ(PXMNextToken(s), "7");
  EXPECT_EQ(PXMNextToken(s), "");
}

TEST(PxmRead, TextAndBinaryForms) {
  auto r = Read(Bytes("P1\n# c1\n3 2\n0 1 0\n1#x 0\n10"));
  ASSERT_FALSE(r->aborted);
  ASSERT_EQ(r->dib.PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(r->params.PxmComments, (std::vector<std::string>{"c1"}));
  EXPECT_EQ(Gray(r->dib, 0, 0), 255);
  EXPECT_EQ(Gray(r->dib, 1, 0), 0);
  EXPECT_EQ(Gray(r->dib, 0, 1), 0);
  EXPECT_EQ(Gray(r->dib, 1, 1), 0);
  EXPECT_EQ(Gray(r->dib, 2, 1), 255);

  r = Read(Bytes("P2 3 1 15\n15 0 20"));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Gray(r->dib, 0, 0), 255);
  EXPECT_EQ(Gray(r->dib, 1, 0), 0);
  EXPECT_EQ(Gray(r->dib, 2, 0), 255);  // above the maximum

  r = Read(Bytes("P3 1 1 255 10 20 30"));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{10, 20, 30}));
  EXPECT_EQ(r->params.SamplesPerPixel, 3);

  std::string p5 = "P5 3 2 100\n";
  p5 += std::string{char(50), char(100), char(0), char(50), char(50), char(50)};
  r = Read(Bytes(p5));
  ASSERT_FALSE(r->aborted);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(Gray(r->dib, x, 1), 127);
  EXPECT_EQ(Gray(r->dib, 1, 0), 255);

  std::string p6 = "P6 1 1 127\n";
  p6 += std::string{char(127), char(0), char(64)};
  r = Read(Bytes(p6));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{255, 0, 128}));

  std::string p6w = "P6 1 1 1000\n";
  p6w += std::string{char(0x03), char(0xE8), char(0), char(0), char(0x01), char(0xF4)};  // 1000, 0, 500
  r = Read(Bytes(p6w));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{255, 0, 127}));

  std::string p4 = "P4 10 1\n";
  p4 += std::string{char(0x80), char(0x40)};
  r = Read(Bytes(p4));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(Gray(r->dib, 0, 0), 0);
  EXPECT_EQ(Gray(r->dib, 1, 0), 255);
  EXPECT_EQ(Gray(r->dib, 9, 0), 0);
}

TEST(PxmRead, MalformedFilesAbort) {
  for (const char* text : {"", "P7 1 1 255\n", "P2 2", "P2 0 2 255 ", "P2 2 -1 255", "P2 1 1 0 0", "P5 99999999999 1 255 ",
                           "P5 4294967297 1 255 ", "P5 2 2 255\nab", "P1 4 4 0101", "P2 3 1 255 1 2", "P3 1 1 70000 1 1 1",
                           "P6 100000 100000 255\n", "X6 1 1 255"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(Read(Bytes(text))->aborted);
  }
}

TEST(PxmTest, DetectsHeaders) {
  auto test = [](const std::string& s) {
    TOXMemoryStream m(Bytes(s));
    const bool ok = IsPXMStream(m);
    EXPECT_EQ(m.Position(), 0);
    return ok;
  };
  EXPECT_TRUE(test("P6\n# x\n3 4\n255\n"));
  EXPECT_TRUE(test("P4 1 1"));
  EXPECT_FALSE(test("P6 0 4 255"));
  EXPECT_FALSE(test("P8 3 4 255"));
  EXPECT_FALSE(test("BM"));
}

TEST(PxmWrite, HeadersAndRows) {
  TDib bw(10, 2, TPixelFormat::pf1bit);
  std::memset(bw.Bits(), 0, bw.ByteSize());
  bw.ScanLine(0)[0] = 0x80;
  const auto pbm = Write(bw, 8, 3);
  EXPECT_EQ(std::string(pbm.begin(), pbm.begin() + 8), "P4 10 2\n");
  EXPECT_EQ(pbm.size(), 8u + 4u);  // 2 bytes per row
  EXPECT_EQ(pbm[8], 0x7F);

  TDib c(2, 1, TPixelFormat::pf24bit);
  c.SetPixelColor(0, 0, gfx::RGBColor(100, 200, 50));
  c.SetPixelColor(1, 0, gfx::RGBColor(1, 2, 3));
  // One sample per pixel is gray for gray pictures only: colour stays colour.
  const auto colour = Write(c, 8, 1, {"made by hand"});
  const std::string head = "P6 \n# made by hand\n2 1 255\n";
  ASSERT_EQ(colour.size(), head.size() + 6);
  EXPECT_EQ(std::string(colour.begin(), colour.begin() + long(head.size())), head);
  EXPECT_EQ(colour[head.size()], 100);
  TDib g(2, 1, TPixelFormat::pf24bit);
  g.SetPixelColor(0, 0, gfx::RGBColor(255, 255, 255));
  g.SetPixelColor(1, 0, gfx::RGBColor(7, 7, 7));
  const auto pgm = Write(g, 8, 1);
  EXPECT_EQ(std::vector<uint8_t>(pgm.begin(), pgm.end()),
            (std::vector<uint8_t>{'P', '5', ' ', '2', ' ', '1', ' ', '2', '5', '5', '\n', 255, 7}));

  const auto ppm = Write(c, 8, 3);
  EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + 12), "P6 2 1 255\n" + std::string(1, char(100)));

  // Bilevel: two colours other than black and white keep their colours; black and white give P4.
  const auto two = Write(c, 1, 1);
  EXPECT_EQ(std::string(two.begin(), two.begin() + 2), "P6");
  TDib bw2(2, 1, TPixelFormat::pf24bit);
  bw2.SetPixelColor(1, 0, gfx::RGBColor(255, 255, 255));
  const auto pbm2 = Write(bw2, 1, 1);
  EXPECT_EQ(std::string(pbm2.begin(), pbm2.begin() + 2), "P4");
  EXPECT_EQ(pbm2.back() & 0xC0, 0x80);
}

TEST(PxmRoundTrip, NetpbmReadsOursAndWeReadItsPlainForms) {
  if (!HaveTool("pnmtoplainpnm")) GTEST_SKIP() << "netpbm missing";
  TTempDir tmp;
  const TDib src = TestPicture(23, 9);
  TDib bw(23, 9, TPixelFormat::pf1bit);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 23; ++x) bw.SetPixelColor(x, y, (x * y) % 3 ? 0xFFFFFF : 0);
  struct TCase { const TDib* dib; int bps, spp; };
  for (const TCase c : {TCase{&src, 8, 3}, {&src, 8, 1}, {&bw, 1, 1}}) {
    const auto ours = Write(*c.dib, c.bps, c.spp, {"round trip"});
    WriteFile(tmp / "a.pnm", ours);
    bool ok = false;
    const auto plain = Shell("pnmtoplainpnm " + tmp / "a.pnm", &ok);
    ASSERT_TRUE(ok);
    auto fromPlain = Read(plain);
    auto fromOurs = Read(ours);
    ASSERT_FALSE(fromPlain->aborted);
    ASSERT_FALSE(fromOurs->aborted);
    EXPECT_EQ(fromOurs->params.PxmComments, (std::vector<std::string>{"round trip"}));
    EXPECT_EQ(MaxDiff(FromDib(fromPlain->dib), FromDib(fromOurs->dib)), 0);
    if (c.spp == 3) {
      EXPECT_EQ(MaxDiff(FromDib(fromOurs->dib), FromDib(src)), 0);
    }
    if (c.bps == 1) {
      EXPECT_EQ(MaxDiff(FromDib(fromOurs->dib), FromDib(bw)), 0);
    }
    // And the binary form netpbm makes of it again.
    const auto binary = Shell("pnmtoplainpnm " + tmp / "a.pnm" + " | pnmtopnm", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(MaxDiff(FromDib(Read(binary)->dib), FromDib(fromOurs->dib)), 0);
  }
}

TEST(PxmCorpus, MatchesReferences) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  const std::string dir = std::string(VANTREL_CORPUS) + "/pnm/image-rs/";
  for (const char* sub : {"pbm", "pgm", "ppm", "pam"})
    for (auto& e : std::filesystem::directory_iterator(dir + sub)) {
      const std::string name = e.path().filename().string();
      SCOPED_TRACE(name);
      auto r = Read(ReadFile(e.path().string()));
      if (std::string(sub) == "pam") {
        EXPECT_TRUE(r->aborted);  // P7 is not a portable anymap of this codec
        continue;
      }
      ASSERT_FALSE(r->aborted);
      const std::vector<uint8_t> rgb = Shell("convert '" + dir + "reference/" + sub + "/" + name + ".png' -depth 8 rgb:-");
      const TRgbImage ours = FromDib(r->dib);
      ASSERT_EQ(rgb.size(), ours.rgb.size());
      int worst = 0;
      for (size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(int(rgb[i]) - ours.rgb[i]));
      EXPECT_LE(worst, 1);  // our samples are truncated, the reference's rounded
    }
}

}  // namespace
