// Targa codec: corpus references, netpbm and ImageMagick files both ways, extension area, malformed headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "PcxTgaTestUtil.h"
#include "imaging/io/TGAFilt.h"

using namespace ox;
using namespace pcxtga_test;

namespace {

const std::string kTgaDir = std::string(VANTREL_CORPUS) + "/tga/";

bool Decode(const std::vector<uint8_t>& bytes, gfx::TDib& dib, TIOParamsVals& p) {
  TOXMemoryStream s(bytes);
  TProgressRec pr;
  ReadTgaStream(s, &dib, p, false, pr);
  return !pr.IsAborted();
}

bool DecodeFile(const std::string& path, TRgb& out) {
  gfx::TDib dib;
  TIOParamsVals p;
  if (!Decode(ReadBytes(path), dib, p)) return false;
  out = FromDib(dib);
  return true;
}

// Reference channels reduced to 5 bits the way the references widened them, then widened as we do (x 8).
TRgb As5Bit(TRgb img) {
  for (uint8_t& v : img.Px) v = uint8_t(std::lround(v * 31 / 255.0) * 8);
  return img;
}

struct TTgaSpec {
  int IdLength = 0, MapType = 0, Type = 2, First = 0, MapLength = 0, EntrySize = 0, Width = 1, Height = 1, Depth = 24,
      Descriptor = 0;
};

std::vector<uint8_t> MakeTga(const TTgaSpec& s, const std::vector<uint8_t>& rest) {
  std::vector<uint8_t> b(18, 0);
  auto put16 = [&b](int at, int v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); };
  b[0] = uint8_t(s.IdLength), b[1] = uint8_t(s.MapType), b[2] = uint8_t(s.Type);
  put16(3, s.First), put16(5, s.MapLength), b[7] = uint8_t(s.EntrySize);
  put16(12, s.Width), put16(14, s.Height), b[16] = uint8_t(s.Depth), b[17] = uint8_t(s.Descriptor);
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

std::vector<uint8_t> Write(const TRgb& img, TIOParamsVals& p, TOXMemoryStream* into = nullptr) {
  TOXMemoryStream own;
  TOXMemoryStream& s = into ? *into : own;
  TProgressRec pr;
  WriteTgaStream(s, ToDib(img), p, pr);
  EXPECT_FALSE(pr.IsAborted());
  return s.Bytes();
}

TRgb Gray(TRgb img) {
  for (size_t i = 0; i < img.Px.size(); i += 3) std::memset(&img.Px[i], img.Px[i], 3);
  return img;
}

}  // namespace

TEST(TgaRead, ImageRsReferences) {
  struct Case {
    const char* name;
    bool fiveBit;
  } cases[] = {{"b5-attrib", true},   {"b5-cmap", true},      {"b5-noattrib", true}, {"b5-unused-cmap", true},
               {"bottom_left", false}, {"bottom_right", false}, {"top_left", false},   {"top_right", false},
               {"cbw8", false},        {"ubw8", false},         {"cmap_offset", false}, {"ctc24", false},
               {"utc24", false},       {"utc32", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRgb ours, ref;
    ASSERT_TRUE(DecodeFile(kTgaDir + "image-rs/" + c.name + ".tga", ours));
    ASSERT_TRUE(LoadPng(kTgaDir + "image-rs/reference/" + c.name + ".tga.png", ref));
    EXPECT_TRUE(ours == (c.fiveBit ? As5Bit(ref) : ref));
  }
  // Files without a reference decode like their twins.
  TRgb ccm8, ucm8, utc16, utc24;
  ASSERT_TRUE(DecodeFile(kTgaDir + "image-rs/ccm8.tga", ccm8));
  ASSERT_TRUE(DecodeFile(kTgaDir + "image-rs/ucm8.tga", ucm8));
  EXPECT_TRUE(ccm8 == ucm8);
  ASSERT_TRUE(DecodeFile(kTgaDir + "image-rs/utc16.tga", utc16));
  EXPECT_EQ(utc16.W, 128);
  if (HaveTool("/usr/bin/tgatoppm")) {
    TTempDir tmp;
    TRgb ref;
    ASSERT_TRUE(RunTool("tgatoppm " + kTgaDir + "image-rs/ucm8.tga > " + tmp / "u.ppm") && LoadPnm(tmp / "u.ppm", ref));
    EXPECT_TRUE(ucm8 == As5Bit(ref));
  }
}

TEST(TgaRead, PillowModeOriginCompressionMatrix) {
  for (const char* mode : {"l", "la", "p", "rgb", "rgba"})
    for (const char* origin : {"bl", "tl"})
      for (const char* comp : {"raw", "rle"}) {
        const std::string name = std::string("200x32_") + mode + "_" + origin + "_" + comp + ".tga";
        SCOPED_TRACE(name);
        TRgb ours, ref;
        ASSERT_TRUE(DecodeFile(kTgaDir + "pillow-common/" + name, ours));
        ASSERT_TRUE(LoadPng(kTgaDir + "pillow-common/200x32_" + mode + ".png", ref));
        EXPECT_TRUE(ours == ref);
      }
  TRgb one, ref;
  ASSERT_TRUE(LoadPng(kTgaDir + "pillow-common/1x1_l.png", ref));
  for (const char* name : {"1x1_l_bl_raw.tga", "1x1_l_bl_rle.tga", "1x1_l_tl_raw.tga", "1x1_l_tl_rle.tga"}) {
    ASSERT_TRUE(DecodeFile(kTgaDir + "pillow-common/" + name, one)) << name;
    EXPECT_TRUE(one == ref) << name;
  }
}

TEST(TgaRead, NetpbmAndImageMagickFiles) {
  if (!HaveTool("/usr/bin/pamtotga")) GTEST_SKIP() << "netpbm missing";
  TTempDir tmp;
  const TRgb photo = Pattern(61, 29, 0), sixteen = Pattern(37, 23, 16), gray = Gray(Pattern(33, 17, 0));
  struct Case {
    const char* options;
    const TRgb* image;
    int type;
  } cases[] = {{"-rgb", &photo, 10},         {"-rgb -norle", &photo, 2},   {"-cmap", &sixteen, 9},
               {"-cmap -norle", &sixteen, 1}, {"-mono", &gray, 11},         {"-mono -norle", &gray, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    SavePpm(tmp / "in.ppm", *c.image);
    ASSERT_TRUE(RunTool(std::string("pamtotga ") + c.options + " " + tmp / "in.ppm" + " > " + tmp / "out.tga"));
    const std::vector<uint8_t> bytes = ReadBytes(tmp / "out.tga");
    ASSERT_GT(bytes.size(), 18u);
    ASSERT_EQ(bytes[2], c.type);
    gfx::TDib dib;
    TIOParamsVals p;
    ASSERT_TRUE(Decode(bytes, dib, p));
    EXPECT_TRUE(FromDib(dib) == *c.image);
  }
  if (!HaveTool(kConvert)) return;
  for (const char* options : {"-compress RLE", "-compress None", "-type Palette -compress RLE"}) {
    SCOPED_TRACE(options);
    const TRgb& image = std::strstr(options, "Palette") ? sixteen : photo;
    SavePpm(tmp / "in.ppm", image);
    // Without a stated orientation this ImageMagick writes the top row first under a bottom-up descriptor.
    ASSERT_TRUE(RunTool(std::string(kConvert) + " " + tmp / "in.ppm" + " -orient TopLeft " + options + " " + tmp / "im.tga"));
    TRgb ours;
    ASSERT_TRUE(DecodeFile(tmp / "im.tga", ours));
    EXPECT_TRUE(ours == image);
  }
}

TEST(TgaWrite, FilesReadBackByNetpbmAndImageMagick) {
  if (!HaveTool("/usr/bin/tgatoppm")) GTEST_SKIP() << "netpbm missing";
  TTempDir tmp;
  const TRgb photo = Pattern(61, 29, 0), sixteen = Pattern(37, 23, 16), gray = Gray(Pattern(33, 17, 0));
  struct Case {
    int bits, samples;
    bool rle, grayLevel;
    const TRgb* image;
    bool exact;
  } cases[] = {{8, 3, true, false, &photo, true},     {8, 3, false, false, &photo, true},
               {8, 1, true, false, &sixteen, false}, {8, 1, false, false, &sixteen, false},
               {8, 1, true, true, &gray, false},     {8, 1, false, true, &gray, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << "x" << c.samples << (c.rle ? " rle" : " raw") << (c.grayLevel ? " gray" : ""));
    TIOParamsVals p;
    p.BitsPerSample = c.bits;
    p.SamplesPerPixel = c.samples;
    p.TgaCompressed = c.rle;
    p.TgaGrayLevel = c.grayLevel;
    WriteBytes(tmp / "ours.tga", Write(*c.image, p));
    TRgb ours, netpbm, magick;
    ASSERT_TRUE(DecodeFile(tmp / "ours.tga", ours));
    if (c.exact) {
      EXPECT_TRUE(ours == *c.image);
    }
    ASSERT_TRUE(RunTool("tgatoppm " + tmp / "ours.tga" + " > " + tmp / "n.ppm") && LoadPnm(tmp / "n.ppm", netpbm));
    EXPECT_TRUE(netpbm == ours);
    if (HaveTool(kConvert)) {
      ASSERT_TRUE(RunTool(std::string(kConvert) + " " + tmp / "ours.tga" + " -depth 8 ppm:" + tmp / "m.ppm") &&
                  LoadPnm(tmp / "m.ppm", magick));
      EXPECT_TRUE(magick == ours);
    }
  }
}

// 1 bit goes out packed and uncompressed; 16 colours as bytes with a 16-entry map, which other readers take.
TEST(TgaWrite, PackedAndSixteenColourDepths) {
  const TRgb sixteen = Pattern(37, 23, 16);
  for (int bits : {1, 4}) {
    SCOPED_TRACE(bits);
    TIOParamsVals p;
    p.BitsPerSample = bits;
    p.SamplesPerPixel = 1;
    p.TgaCompressed = true;
    const std::vector<uint8_t> b = Write(sixteen, p);
    EXPECT_EQ(p.TgaCompressed, bits != 1);
    EXPECT_EQ(b[2], bits == 1 ? 3 : 9);
    EXPECT_EQ(b[16], bits == 1 ? 1 : 8);
    if (bits == 4) {
      EXPECT_EQ(b[5] | (b[6] << 8), 16);
    }
    gfx::TDib dib;
    TIOParamsVals q;
    ASSERT_TRUE(Decode(b, dib, q));
    EXPECT_EQ(dib.Width(), 37);
    EXPECT_EQ(dib.Height(), 23);
    if (bits == 4) {
      // Every pixel is one of the 16 colours written into the map.
      ASSERT_EQ(q.ColorMapCount, 16);
      for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
          const gfx::TColor c = dib.GetPixelColor(x, y);
          EXPECT_NE(std::find(q.ColorMap.begin(), q.ColorMap.end(), TOXRGB{gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)}),
                    q.ColorMap.end());
        }
    }
  }
}

TEST(TgaWrite, ExtensionAreaAndFooterRoundTrip) {
  TIOParamsVals p;
  p.TgaImageId = "abcd";
  p.TgaAuthor = std::string(50, 'a');
  p.TgaJobName = "job";
  std::tm tm{};
  tm.tm_year = 2021 - 1900, tm.tm_mon = 6, tm.tm_mday = 14, tm.tm_hour = 13, tm.tm_min = 5, tm.tm_sec = 9;
  tm.tm_isdst = -1;
  p.TgaDate = std::mktime(&tm);
  p.TgaKeyColor = {10, 20, 30};
  p.TgaAspectRatio = 10.0;  // 100000 / 10000 does not fit 16 bits
  p.TgaGamma = 2.2;
  p.TgaXOrigin = 7;
  TOXMemoryStream s;
  const std::vector<uint8_t> lead(1000, 0xEE);
  s.Write(lead.data(), 1000);
  const std::vector<uint8_t> all = Write(Pattern(5, 3, 0), p, &s);
  const std::vector<uint8_t> b(all.begin() + 1000, all.end());
  EXPECT_EQ(b[0], 5);
  EXPECT_EQ(std::memcmp(&b[18], "abcd\0", 5), 0);
  const size_t ext = b[b.size() - 26] | (b[b.size() - 25] << 8);
  ASSERT_EQ(ext, b.size() - 26 - 495);  // counted from the start of the Targa data, not of the stream
  EXPECT_EQ(std::memcmp(&b[b.size() - 18], "TRUEVISION-XFILE.\0", 18), 0);
  auto u16 = [&](size_t at) { return b[ext + at] | (b[ext + at + 1] << 8); };
  EXPECT_EQ(u16(0), 495);
  EXPECT_EQ(b[ext + 2 + 40], 0);  // author cut to 40 characters
  EXPECT_EQ(u16(474), 10000);
  EXPECT_EQ(u16(476), 1000);
  EXPECT_EQ(u16(478), 22000);
  EXPECT_EQ(u16(480), 10000);
  EXPECT_EQ(b[ext + 470], 0);
  EXPECT_EQ(b[ext + 471], 10);

  TOXMemoryStream in(all);
  in.SetPosition(1000);
  gfx::TDib dib;
  TIOParamsVals q;
  TProgressRec pr;
  ReadTgaStream(in, &dib, q, false, pr);
  ASSERT_FALSE(pr.IsAborted());
  EXPECT_EQ(q.TgaImageId, "abcd");
  EXPECT_EQ(q.TgaAuthor, std::string(40, 'a'));
  EXPECT_EQ(q.TgaJobName, "job");
  EXPECT_EQ(q.TgaDate, p.TgaDate);
  EXPECT_EQ(q.TgaKeyColor, (TOXRGB{10, 20, 30}));
  EXPECT_DOUBLE_EQ(q.TgaAspectRatio, 10.0);
  EXPECT_DOUBLE_EQ(q.TgaGamma, 2.2);
  EXPECT_EQ(q.TgaXOrigin, 7);
  EXPECT_TRUE(FromDib(dib) == Pattern(5, 3, 0));
}

TEST(TgaWrite, LongImageIdAndHugeFractions) {
  TIOParamsVals p;
  p.TgaImageId = std::string(300, 'x');
  p.TgaGamma = 1e9;
  p.TgaAspectRatio = 0;
  const std::vector<uint8_t> b = Write(Pattern(2, 2, 0), p);
  EXPECT_EQ(b[0], 255);
  EXPECT_EQ(b[18 + 254], 0);
  const size_t ext = b.size() - 26 - 495;
  EXPECT_EQ(b[ext + 478] | (b[ext + 479] << 8), 65535);
  EXPECT_EQ(b[ext + 480] | (b[ext + 481] << 8), 1);
  EXPECT_EQ(b[ext + 474] | (b[ext + 476]), 0);
  gfx::TDib dib;
  TIOParamsVals q;
  ASSERT_TRUE(Decode(b, dib, q));
  EXPECT_EQ(q.TgaImageId, std::string(254, 'x'));
  EXPECT_DOUBLE_EQ(q.TgaAspectRatio, 1.0);  // 0 / 0 keeps the default
}

TEST(TgaRead, WithoutFooterTheDefaultsStay) {
  TIOParamsVals p;
  p.TgaAuthor = "old";
  p.TgaGamma = 1.0;
  gfx::TDib dib;
  const std::time_t before = std::time(nullptr);
  ASSERT_TRUE(Decode(ReadBytes(kTgaDir + "image-rs/b5-attrib.tga"), dib, p));
  EXPECT_EQ(p.TgaAuthor, "");
  EXPECT_EQ(p.TgaJobName, "");
  EXPECT_GE(p.TgaDate, before);
  EXPECT_DOUBLE_EQ(p.TgaAspectRatio, 1.0);
  EXPECT_DOUBLE_EQ(p.TgaGamma, 2.2);
  EXPECT_EQ(p.DpiX, kDefaultScreenDpi);
  EXPECT_EQ(p.BitsPerSample, 5);
  EXPECT_EQ(p.SamplesPerPixel, 3);
}

TEST(TgaDetect, HeaderTestAndAnymapExclusion) {
  std::vector<uint8_t> pgm = {'P', '5', '\n', '4', ' ', '4', '\n', '2', '5', '5', '\n'};
  pgm.resize(11 + 16, 0);
  pgm[16] = 32;  // passes the type (10) and depth tests
  TOXMemoryStream s(pgm);
  EXPECT_FALSE(TryTGA(s));
  TOXMemoryStream t(ReadBytes(kTgaDir + "image-rs/ctc24.tga"));
  t.SetPosition(0);
  EXPECT_TRUE(TryTGA(t));
  EXPECT_EQ(t.Position(), 0);
  TOXMemoryStream shortStream(std::vector<uint8_t>(10, 2));
  EXPECT_FALSE(TryTGA(shortStream));
  TOXMemoryStream badDepth(MakeTga({.Depth = 7}, {0}));
  EXPECT_FALSE(TryTGA(badDepth));
}

TEST(TgaRead, ColourMapEntriesAreAllConsumed) {
  // Entries 250..269: only those below 256 are kept, the rest are still skipped before the pixels.
  std::vector<uint8_t> map;
  for (int i = 0; i < 20; ++i) map.insert(map.end(), {uint8_t(i), uint8_t(i + 100), uint8_t(i + 200)});
  std::vector<uint8_t> rest = map;
  rest.insert(rest.end(), {251, 255, 0});
  std::vector<uint8_t> b = MakeTga({.MapType = 1, .Type = 1, .First = 250, .MapLength = 20, .EntrySize = 24, .Width = 3, .Depth = 8}, rest);
  gfx::TDib dib;
  TIOParamsVals p;
  ASSERT_TRUE(Decode(b, dib, p));
  EXPECT_EQ(p.ColorMapCount, 20);
  EXPECT_FALSE(p.TgaGrayLevel);
  EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(201, 101, 1));
  EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(205, 105, 5));
  EXPECT_EQ(dib.GetPixelColor(2, 0), gfx::RGBColor(28, 28, 60));  // untouched 3-3-2 entry
  // A map longer than 256 entries: ColorMap keeps 256, the pixels still start after the whole map.
  std::vector<uint8_t> big(300 * 3, 9);
  big.push_back(3);
  b = MakeTga({.MapType = 1, .Type = 1, .MapLength = 300, .EntrySize = 24, .Depth = 8}, big);
  ASSERT_TRUE(Decode(b, dib, p));
  EXPECT_EQ(p.ColorMapCount, 256);
  EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(9, 9, 9));
}

TEST(TgaRead, PacketsCrossingTheRowEndStayInTheRow) {
  // One run packet of 6 pixels and one raw packet of 3 pixels over rows of 2.
  std::vector<uint8_t> rest = {0x85, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  gfx::TDib dib;
  TIOParamsVals p;
  ASSERT_TRUE(Decode(MakeTga({.Type = 10, .Width = 2, .Height = 4, .Descriptor = 0x20}, rest), dib, p));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(dib.GetPixelColor(x, y), gfx::RGBColor(3, 2, 1));
  EXPECT_EQ(dib.GetPixelColor(0, 3), gfx::RGBColor(6, 5, 4));
  EXPECT_EQ(dib.GetPixelColor(1, 3), gfx::RGBColor(9, 8, 7));
  EXPECT_TRUE(p.TgaCompressed);
}

TEST(TgaRead, TruncatedPictureClearsTheRowsNotReached) {
  TIOParamsVals p;
  std::vector<uint8_t> bytes = Write(Pattern(40, 20, 0), p);
  gfx::TDib dib;
  ASSERT_TRUE(Decode(bytes, dib, p));
  bytes.resize(bytes.size() / 2);
  EXPECT_FALSE(Decode(bytes, dib, p));
  const TRgb got = FromDib(dib);
  EXPECT_TRUE(std::equal(got.Px.begin(), got.Px.begin() + 40 * 3 * 5, Pattern(40, 20, 0).Px.begin()));
  EXPECT_TRUE(std::all_of(got.Px.end() - 40 * 3, got.Px.end(), [](uint8_t v) { return v == 0; }));
}

TEST(TgaRead, FifteenAndSixteenBitPixels) {
  for (int depth : {15, 16}) {
    SCOPED_TRACE(depth);
    const std::vector<uint8_t> b = MakeTga({.Width = 3, .Depth = depth}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x80});
    TOXMemoryStream s(b);
    EXPECT_TRUE(TryTGA(s));
    gfx::TDib dib;
    TIOParamsVals p;
    ASSERT_TRUE(Decode(b, dib, p));
    EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(248, 0, 0));
    EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(0, 248, 0));
    EXPECT_EQ(dib.GetPixelColor(2, 0), gfx::RGBColor(0, 0, 248));  // the attribute bit is ignored
  }
}

TEST(TgaRead, DescriptorBitsFlipAndMirror) {
  // Pixels in file order: a b / c d.
  const std::vector<uint8_t> px = {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0};
  struct Case {
    int descriptor;
    int order[4];  // blue values at (0,0) (1,0) (0,1) (1,1)
  } cases[] = {{0x00, {3, 4, 1, 2}}, {0x20, {1, 2, 3, 4}}, {0x10, {4, 3, 2, 1}}, {0x30, {2, 1, 4, 3}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.descriptor);
    gfx::TDib dib;
    TIOParamsVals p;
    ASSERT_TRUE(Decode(MakeTga({.Width = 2, .Height = 2, .Descriptor = c.descriptor}, px), dib, p));
    EXPECT_EQ(gfx::BlueOf(dib.GetPixelColor(0, 0)), c.order[0]);
    EXPECT_EQ(gfx::BlueOf(dib.GetPixelColor(1, 0)), c.order[1]);
    EXPECT_EQ(gfx::BlueOf(dib.GetPixelColor(0, 1)), c.order[2]);
    EXPECT_EQ(gfx::BlueOf(dib.GetPixelColor(1, 1)), c.order[3]);
  }
}

TEST(TgaRead, MalformedFilesAbort) {
  std::vector<uint8_t> farFooter = MakeTga({}, {1, 2, 3});
  const uint8_t footer[26] = {0xF0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-',
                              'X', 'F', 'I', 'L', 'E', '.', 0};
  farFooter.insert(farFooter.end(), footer, footer + 26);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool ok;
  } cases[] = {
      {"width 0", MakeTga({.Width = 0}, {1, 2, 3}), false},
      {"height 0", MakeTga({.Height = 0}, {1, 2, 3}), false},
      {"type 4", MakeTga({.Type = 4}, {1, 2, 3}), false},
      {"depth 12", MakeTga({.Depth = 12}, {1, 2, 3}), false},
      {"above the size limit", MakeTga({.Width = 65535, .Height = 65535}, {1, 2, 3}), false},
      {"colour map cut short", MakeTga({.MapType = 1, .Type = 1, .MapLength = 10, .EntrySize = 24, .Depth = 8}, {1, 2}), false},
      {"image id cut short", MakeTga({.IdLength = 40}, {1, 2, 3}), false},
      {"raw pixels cut short", MakeTga({.Width = 4, .Height = 4}, std::vector<uint8_t>(20, 1)), false},
      {"packets cut short", MakeTga({.Type = 10, .Width = 50, .Height = 50}, {0xFF, 1, 2, 3, 0x05, 1}), false},
      {"shorter than a footer", MakeTga({}, {1, 2, 3}), true},
      {"extension offset past the end", farFooter, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gfx::TDib dib;
    TIOParamsVals p;
    EXPECT_EQ(Decode(c.bytes, dib, p), c.ok);
  }
}
