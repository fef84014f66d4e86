// Lossless writes: every writer keeps a picture whose colours fit its output (read back by the reference
// tools and by our readers), gray stays gray, and palette alpha and the GIF transparent index survive.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CodecTestUtil.h"
#include "imaging/io/GIFFilt.h"
#include "imaging/io/GIFLzw.h"
#include "imaging/io/PNGFilt.h"
#include "imaging/io/oxio.h"
#include "imaging/model/oxutils.h"
#include "imaging/proc/oxproc.h"

using namespace ox;
using namespace codectest;

namespace {

constexpr int kW = 40, kH = 24;

enum TKind { kTwoColours, k16Colours, k256Colours, kGray, kTrueColour };

struct TCase {
  TKind kind;
  const char* name;
  int bits, samples;  // what a reader of such a file puts in the parameter record
};

constexpr TCase kCases[] = {
    {kTwoColours, "two colours", 1, 1}, {k16Colours, "16 colours", 4, 1}, {k256Colours, "256 colours", 8, 1},
    {kGray, "8-bit gray", 8, 1},        {kTrueColour, "true colour", 8, 3},
};

struct TFormat {
  const char* ext;
  const char* tool;  // netpbm reader printing PNM on stdout, beside ImageMagick
  bool trueColour;
};

constexpr TFormat kFormats[] = {
    {"bmp", "bmptopnm", true}, {"pcx", "pcxtoppm", true}, {"gif", "giftopnm", false},
    {"png", "pngtopnm", true}, {"tif", "tifftopnm", true}, {"tga", "tgatoppm", true},
    {"ppm", "pnmtopnm", true},
};

// Colours deliberately off the multiples of 8 that a 15-bit reduction would produce.
TRgbImage Input(TKind kind) {
  TRgbImage img{kW, kH, {}};
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int i = y * kW + x;
      uint8_t r = 0, g = 0, b = 0;
      switch (kind) {
        case kTwoColours: {
          const bool on = ((x / 3) + (y / 2)) % 3 == 0;
          r = on ? 201 : 23, g = on ? 37 : 94, b = on ? 45 : 163;
          break;
        }
        case k16Colours: {
          const int k = (x / 5 + y * 3) % 16;
          r = uint8_t(k * 37 + 5), g = uint8_t(k * 91 + 3), b = uint8_t(k * 53 + 11);
          break;
        }
        case k256Colours: {
          const int k = i % 256;
          r = uint8_t(k), g = uint8_t(k * 97 + 13), b = uint8_t(k * 31 + 201);
          break;
        }
        case kGray: r = g = b = uint8_t(i == 0 ? 255 : (i * 7) % 256); break;
        case kTrueColour: r = uint8_t(x * 6 + y), g = uint8_t(y * 10 + x % 3), b = uint8_t((x * y) % 251); break;
      }
      img.rgb.insert(img.rgb.end(), {r, g, b});
    }
  return img;
}

std::vector<uint8_t> AsPpm(const TRgbImage& img) {
  const std::string head = "P6\n" + std::to_string(img.width) + " " + std::to_string(img.height) + "\n255\n";
  std::vector<uint8_t> out(head.begin(), head.end());
  out.insert(out.end(), img.rgb.begin(), img.rgb.end());
  return out;
}

// "" when the pictures are equal, else what differs first.
std::string Difference(const TRgbImage& got, const TRgbImage& want) {
  if (got.width != want.width || got.height != want.height || got.rgb.size() != want.rgb.size())
    return "size " + std::to_string(got.width) + "x" + std::to_string(got.height);
  for (size_t i = 0; i < got.rgb.size(); i += 3)
    if (got.rgb[i] != want.rgb[i] || got.rgb[i + 1] != want.rgb[i + 1] || got.rgb[i + 2] != want.rgb[i + 2]) {
      auto rgb = [&](const TRgbImage& m) {
        return std::to_string(m.rgb[i]) + "," + std::to_string(m.rgb[i + 1]) + "," + std::to_string(m.rgb[i + 2]);
      };
      const size_t p = i / 3;
      return "pixel (" + std::to_string(p % size_t(want.width)) + ", " + std::to_string(p / size_t(want.width)) +
             ") is " + rgb(got) + ", not " + rgb(want);
    }
  return "";
}

TRgbImage ReadOurs(const std::string& path) {
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFile(path);
  if (io.Aborted) return {};
  return FromDib(dib);
}

class WriterRoundTrip : public ::testing::Test {
 protected:
  // Opens the picture from a PPM, as a reader of a file with that depth would describe it, and saves it.
  bool Save(const TRgbImage& input, int bits, int samples, const std::string& out) {
    const std::string source = dir / "in.ppm";
    WriteFile(source, AsPpm(input));
    gfx::TDib dib;
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.LoadFromFile(source);
    if (io.Aborted) return false;
    io.Params.BitsPerSample = bits;
    io.Params.SamplesPerPixel = samples;
    io.SaveToFile(out);
    return !io.Aborted;
  }
  TTempDir dir;
};

TEST_F(WriterRoundTrip, EveryWriterKeepsPicturesWhoseColoursFit) {
  const bool magick = HaveTool("convert");
  if (!magick) std::printf("ImageMagick absent: only netpbm and our readers check the files\n");
  for (const TCase& c : kCases) {
    const TRgbImage input = Input(c.kind);
    for (const TFormat& f : kFormats) {
      if (c.kind == kTrueColour && !f.trueColour) continue;  // GIF holds 256 colours at most
      SCOPED_TRACE(std::string(c.name) + " as " + f.ext);
      const std::string out = dir / (std::string("out.") + f.ext);
      ASSERT_TRUE(Save(input, c.bits, c.samples, out));

      EXPECT_EQ(Difference(ReadOurs(out), input), "") << "our reader";
      if (magick) {
        bool ok = false;
        const TRgbImage back = ParsePnm(Shell("convert '" + out + "' -depth 8 ppm:-", &ok));
        EXPECT_TRUE(ok);
        EXPECT_EQ(Difference(back, input), "") << "ImageMagick";
      }
      if (HaveTool(f.tool)) {
        bool ok = false;
        const TRgbImage back = ParsePnm(Shell(std::string(f.tool) + " '" + out + "'", &ok));
        EXPECT_TRUE(ok);
        EXPECT_EQ(Difference(back, input), "") << f.tool;
      }
    }
  }
}

// A picture of gray pixels only goes out as gray where the format has gray, a colour palette never does.
TEST_F(WriterRoundTrip, GrayOnlyForGrayPictures) {
  struct TRow {
    TKind kind;
    const char* ext;
    std::string magic;
  };
  const TRow rows[] = {{kGray, "ppm", "P5"}, {k16Colours, "ppm", "P6"}, {k256Colours, "pgm", "P6"}};
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.ext + std::string(" ") + r.magic);
    const std::string out = dir / (std::string("out.") + r.ext);
    ASSERT_TRUE(Save(Input(r.kind), 8, 1, out));
    const std::vector<uint8_t> bytes = ReadFile(out);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), r.magic);
  }
  if (!HaveTool("tiffinfo")) GTEST_SKIP() << "tiffinfo absent: the TIFF photometric is not checked";
  for (const TKind kind : {kGray, k16Colours}) {
    ASSERT_TRUE(Save(Input(kind), 8, 1, dir / "out.tif"));
    const std::vector<uint8_t> info = Shell("tiffinfo '" + (dir / "out.tif") + "'");
    const std::string text(info.begin(), info.end());
    EXPECT_NE(text.find(kind == kGray ? "min-is-black" : "palette color"), std::string::npos) << text;
  }
}

TEST(GrayLevel, GrayPixelsKeepTheirLevelAndColourIsWeighted) {
  for (int v : {0, 1, 128, 254, 255}) EXPECT_EQ(GrayOf(gfx::RGBColor(uint8_t(v), uint8_t(v), uint8_t(v))), v);
  EXPECT_EQ(GrayOf(gfx::RGBColor(255, 0, 0)), 53);
  EXPECT_EQ(GrayOf(gfx::RGBColor(0, 255, 0)), 181);
  EXPECT_EQ(GrayOf(gfx::RGBColor(10, 20, 30)), (210 + 1420 + 210) / 100);
  EXPECT_EQ(GrayOf(gfx::RGBColor(255, 255, 254)), (255 * 92 + 254 * 7) / 100);

  // The Gray command: white and mid gray unchanged, colour weighted.
  gfx::TDib dib(3, 1, gfx::TPixelFormat::pf24bit);
  dib.SetPixelColor(0, 0, gfx::RGBColor(255, 255, 255));
  dib.SetPixelColor(1, 0, gfx::RGBColor(77, 77, 77));
  dib.SetPixelColor(2, 0, gfx::RGBColor(200, 100, 50));
  TOrvexProc proc;
  proc.SetTarget(&dib);
  proc.ConvertToGray();
  const int weighted = (200 * 21 + 100 * 71 + 50 * 7) / 100;
  EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(255, 255, 255));
  EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(77, 77, 77));
  EXPECT_EQ(dib.GetPixelColor(2, 0), gfx::RGBColor(uint8_t(weighted), uint8_t(weighted), uint8_t(weighted)));
}

// Alpha per pixel: clear, 60 % opaque, opaque, over three colours.
void Transparency(gfx::TDib& dib, TOXMask& mask) {
  dib = gfx::TDib(12, 6, gfx::TPixelFormat::pf24bit);
  mask.Allocate(12, 6, 8);
  mask.Fill(255);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) {
      dib.SetPixelColor(x, y, x < 4 ? gfx::RGBColor(250, 10, 10) : x < 8 ? gfx::RGBColor(10, 250, 10) : gfx::RGBColor(0, 0, 0));
      mask.Row(y)[x] = x < 4 ? 0 : x < 8 ? 153 : 255;
    }
  mask.Full = false;
}

TEST(PaletteAlpha, PngTrnsComesBackAsItWasRead) {
  gfx::TDib dib;
  TOXMask mask;
  Transparency(dib, mask);
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  TOXMemoryStream file;
  TProgressRec progress;
  WritePNGStream(file, dib, params, &mask, progress);
  ASSERT_FALSE(progress.IsAborted());

  for (int pass = 0; pass < 2; ++pass) {  // written, then read and written again
    TOXMemoryStream in(std::vector<uint8_t>(file.Memory(), file.Memory() + file.Size()));
    gfx::TDib back;
    TOXMask backMask;
    TIOParamsVals read;
    TProgressRec rp;
    ReadPNGStream(in, &back, read, &backMask, false, rp);
    ASSERT_FALSE(rp.IsAborted());
    EXPECT_EQ(read.SamplesPerPixel, 1) << "still a palette file";
    for (int x = 0; x < 12; ++x) {
      EXPECT_EQ(backMask.Row(3)[x], mask.Row(3)[x]) << "pass " << pass << " x " << x;
      if (mask.Row(3)[x]) {
        EXPECT_EQ(back.GetPixelColor(x, 3), dib.GetPixelColor(x, 3)) << "pass " << pass << " x " << x;
      }
    }
    file = TOXMemoryStream();
    TProgressRec wp;
    WritePNGStream(file, back, read, &backMask, wp);
    ASSERT_FALSE(wp.IsAborted());
  }
}

class GifTransparency : public WriterRoundTrip {};

// The transparent index keeps its pixels, and an opaque pixel of the transparent entry's colour stays opaque.
TEST_F(GifTransparency, TransparentIndexComesBackAsItWasRead) {
  gfx::TDib dib;
  TOXMask mask;
  Transparency(dib, mask);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) mask.Row(y)[x] = x < 4 ? 0 : 255;
  TIOParamsVals params;
  params.BitsPerSample = 2;
  params.GifTransparentColor = {0, 0, 0};  // also the colour of opaque pixels
  TOXMemoryStream file;
  TProgressRec progress;
  WriteGifStream(file, dib, params, progress, &mask);
  ASSERT_FALSE(progress.IsAborted());

  for (int pass = 0; pass < 2; ++pass) {
    TOXMemoryStream in(std::vector<uint8_t>(file.Memory(), file.Memory() + file.Size()));
    gfx::TDib back;
    TOXMask backMask;
    TIOParamsVals read;
    TProgressRec rp;
    ReadGifStream(in, &back, nullptr, &backMask, false, rp, read);
    ASSERT_FALSE(rp.IsAborted());
    EXPECT_TRUE(read.GifTransparent);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 12; ++x) {
        ASSERT_EQ(backMask.Row(y)[x], mask.Row(y)[x]) << "pass " << pass << " x " << x;
        if (x >= 4) {
          ASSERT_EQ(back.GetPixelColor(x, y), dib.GetPixelColor(x, y)) << "pass " << pass << " x " << x;
        }
      }
    file = TOXMemoryStream();
    TProgressRec wp;
    WriteGifStream(file, back, read, wp, &backMask);
    ASSERT_FALSE(wp.IsAborted());
  }
}

}  // namespace
