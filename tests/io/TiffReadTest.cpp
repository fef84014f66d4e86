// TIFF reader against libtiff's own decoding of the corpus and of pages Debian's tools generate.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "TiffTestUtil.h"
#include "imaging/io/PNGFilt.h"
#include "imaging/io/TIFFFilt.h"
#include "imaging/io/TIFFLzw.h"

using namespace ox;
using namespace tifftest;

namespace {

const std::string kLibtiff = std::string(VANTREL_CORPUS) + "/tiff/libtiff/";
const std::string kPillow = std::string(VANTREL_CORPUS) + "/tiff/pillow/";
const std::string kMalformed = std::string(VANTREL_CORPUS) + "/tiff/malformed/";

bool LoadPng(const std::string& path, Picture& pic) {
  TOXFileStream s(path, fmOpenRead);
  gfx::TDib dib;
  TIOParamsVals params;
  TProgressRec progress;
  ReadPNGStream(s, &dib, params, nullptr, false, progress);
  if (progress.IsAborted()) return false;
  pic = FromDib(dib);
  return true;
}

}  // namespace

TEST(TiffRead, CorpusMatchesLibtiff) {
  if (!HaveTool("tifftopnm")) GTEST_SKIP() << "tifftopnm missing";
  TempDir dir;
  // file, largest channel difference allowed
  const std::pair<const char*, int> files[] = {
      {"minisblack-1c-8b.tiff", 0},  {"minisblack-1c-16b.tiff", 0}, {"miniswhite-1c-1b.tiff", 0},
      {"palette-1c-1b.tiff", 0},     {"palette-1c-4b.tiff", 0},     {"palette-1c-8b.tiff", 0},
      {"rgb-3c-8b.tiff", 0},         {"rgb-3c-16b.tiff", 1},        {"32bpp-None-jpeg.tiff", 0},
      {"quad-lzw-compat.tiff", 0},   {"lzw-single-strip.tiff", 0},  {"testfax4.tiff", 0},
      {"deflate-last-strip-extra-data.tiff", 0},                    {"tiff_with_subifd_chain.tif", 0}};
  for (const auto& [name, tolerance] : files) {
    SCOPED_TRACE(name);
    Picture ref;
    ASSERT_TRUE(Reference(kLibtiff + name, dir, ref));
    gfx::TDib dib;
    TIOParamsVals params;
    ASSERT_TRUE(LoadTiff(kLibtiff + name, dib, params));
    EXPECT_LE(MaxDiff(FromDib(dib), ref), tolerance);
  }
}

TEST(TiffRead, JpegTilesMatchLibtiff) {
  if (!HaveTool("tiff2rgba")) GTEST_SKIP() << "tiff2rgba missing";
  TempDir dir;
  Picture ref;
  ASSERT_TRUE(ReferenceRgba(kLibtiff + "quad-tile.jpg.tiff", dir, ref));
  gfx::TDib dib;
  TIOParamsVals params;
  ASSERT_TRUE(LoadTiff(kLibtiff + "quad-tile.jpg.tiff", dib, params));
  EXPECT_EQ(params.TiffCompression, 7);
  EXPECT_LE(MeanDiff(FromDib(dib), ref), 1.0);
}

// Each strip of this page starts with an end-of-line code, which we skip and libtiff decodes as an empty
// first row of the strip; the pictures agree but for those rows.
TEST(TiffRead, Group3WithLeadingEolPerStrip) {
  if (!HaveTool("tifftopnm")) GTEST_SKIP() << "tifftopnm missing";
  TempDir dir;
  Picture ref;
  const std::string name = kLibtiff + "testfax3_bug54_1dnoEOL.tif";
  ASSERT_TRUE(Reference(name, dir, ref));
  gfx::TDib dib;
  TIOParamsVals params;
  ASSERT_TRUE(LoadTiff(name, dib, params));
  EXPECT_LE(MeanDiff(FromDib(dib), ref), 20.0);
  // A strip libtiff cannot decode at all still loads.
  EXPECT_TRUE(LoadTiff(kLibtiff + "testfax3_bug_513.tiff", dib, params));
}

TEST(TiffRead, PillowReferences) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"hopper_g4_500.tif", "hopper_bw_500.png", 0},
      {"g4-fillorder-test.tif", "g4-fillorder-test.png", 0},
      {"tiff_strip_planar_raw.tif", "tiff_adobe_deflate.png", 0},
      {"tiff_strip_planar_lzw.tiff", "tiff_adobe_deflate.png", 0},
      {"tiff_tiled_planar_raw.tif", "tiff_adobe_deflate.png", 0},
      {"tiff_tiled_planar_lzw.tiff", "tiff_adobe_deflate.png", 0},
      {"tiff_strip_planar_raw_with_overviews.tif", "tiff_adobe_deflate.png", 0},
      {"tiff_strip_planar_16bit_RGB.tiff", "tiff_16bit_RGB_target.png", 1},
      {"tiff_tiled_planar_16bit_RGB.tiff", "tiff_16bit_RGB_target.png", 1},
  };
  for (const auto& [tif, png, tolerance] : cases) {
    SCOPED_TRACE(tif);
    Picture ref;
    ASSERT_TRUE(LoadPng(kPillow + png, ref));
    gfx::TDib dib;
    TIOParamsVals params;
    ASSERT_TRUE(LoadTiff(kPillow + tif, dib, params));
    EXPECT_LE(MaxDiff(FromDib(dib), ref), tolerance);
  }
}

TEST(TiffRead, OrientationTurnsThePicture) {
  gfx::TDib upright;
  TIOParamsVals params;
  ASSERT_TRUE(LoadTiff(kPillow + "g4_orientation_1.tif", upright, params));
  const Picture want = FromDib(upright);
  for (int o = 2; o <= 8; ++o) {
    SCOPED_TRACE(o);
    const std::string name = kPillow + "g4_orientation_" + std::to_string(o) + ".tif";
    gfx::TDib dib;
    TIOParamsVals p;
    ASSERT_TRUE(LoadTiff(name, dib, p));
    EXPECT_EQ(p.TiffOrientation, o);
    EXPECT_LE(MeanDiff(FromDib(dib), want), 0.7 * 3);
    TIOParamsVals raw;
    raw.TiffAutoOrient = false;
    gfx::TDib stored;
    ASSERT_TRUE(LoadTiff(name, stored, raw));
    if (o >= 5) {
      EXPECT_EQ(stored.Width(), upright.Height());
    }
  }
}

TEST(TiffRead, CieLab) {
  const std::tuple<const char*, gfx::TRGB, int> cases[] = {
      {"lab.tif", {255, 255, 255}, 1}, {"lab-green.tif", {0, 152, 117}, 6}, {"lab-red.tif", {255, 0, 124}, 6}};
  for (const auto& [name, rgb, tolerance] : cases) {
    SCOPED_TRACE(name);
    gfx::TDib dib;
    TIOParamsVals params;
    ASSERT_TRUE(LoadTiff(kPillow + name, dib, params));
    EXPECT_EQ(params.TiffPhotometric, 7);
    const gfx::TColor c = dib.GetPixelColor(0, 0);
    EXPECT_NEAR(gfx::RedOf(c), rgb.r, tolerance);
    EXPECT_NEAR(gfx::GreenOf(c), rgb.g, tolerance);
    EXPECT_NEAR(gfx::BlueOf(c), rgb.b, tolerance);
  }
}

TEST(TiffRead, OldStyleJpeg) {
  Picture ref;
  ASSERT_TRUE(LoadPng(kPillow + "old-style-jpeg-compression.png", ref));
  for (const char* name : {"old-style-jpeg-compression.tif", "old-style-jpeg-compression-no-samplesperpixel.tif"}) {
    SCOPED_TRACE(name);
    gfx::TDib dib;
    TIOParamsVals params;
    ASSERT_TRUE(LoadTiff(kPillow + name, dib, params));
    EXPECT_LE(MeanDiff(FromDib(dib), ref), 2.0);
  }
}

TEST(TiffRead, MalformedFilesEndCleanly) {
  const char* names[] = {"crash-0c7e0e8e11ce787078f00b5b0ca409a167f070e0.tif", "crash-0da013a13571cc8eb457a39fee8db18f8a3c7127.tif",
                         "crash-0e16d3bfb83be87356d026d66919deaefca44dac.tif", "crash-1152ec2d1a1a71395b6f2ce6721c38924d025bf3.tif",
                         "crash-1185209cf7655b5aed8ae5e77784dfdd18ab59e9.tif", "crash-2020-10-test.tif",
                         "crash-338516dbd2f0e83caddb8ce256c22db3bd6dc40f.tif", "crash-4f085cc12ece8cde18758d42608bed6a2a2cfb1c.tif",
                         "crash-63b1dffefc8c075ddc606c0a2f5fdc15ece78863.tif", "crash-74d2a78403a5a59db1fb0a2b8735ac068a75f6e3.tif",
                         "crash-86214e58da443d2b80820cff9677a38a33dcbbca.tif", "crash-f46f5b2f43c370fe65706c11449f567ecc345e74.tif"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    gfx::TDib dib;
    TIOParamsVals params;
    TOXMask mask;
    LoadTiff(kMalformed + name, dib, params, 0, &mask);
  }
  // Pages no decoder of ours handles are failures, not blank pictures.
  for (const char* name : {"logluv-3c-16b.tiff", "webp_lossless_rgba_alpha_fully_opaque.tif",
                           "test_float64_predictor2_le_lzw.tif", "test_float64_predictor2_be_lzw.tif"}) {
    SCOPED_TRACE(name);
    gfx::TDib dib;
    TIOParamsVals params;
    EXPECT_FALSE(LoadTiff(kLibtiff + name, dib, params));
  }
}

// A photometric value without a number of ours (LogLuv, 32845) leaves the record's previous one.
TEST(TiffRead, UnknownPhotometricLeavesThePreviousValue) {
  for (uint8_t previous : {uint8_t(3), uint8_t(0)}) {
    gfx::TDib dib;
    TIOParamsVals params;
    params.TiffPhotometric = previous;
    LoadTiff(kLibtiff + "logluv-3c-16b.tiff", dib, params);
    EXPECT_EQ(params.TiffPhotometric, previous);
    EXPECT_GT(params.Width, 0);
  }
}

TEST(TiffRead, DirectoryChainsEndAtLoops) {
  const std::pair<const char*, int> files[] = {{"test_ifd_loop_to_self.tif", 1}, {"test_ifd_loop_to_first.tif", 2},
                                               {"test_two_ifds.tif", 2}, {"test_ifd_loop_subifd.tif", 5}};
  for (const auto& [name, pages] : files) {
    SCOPED_TRACE(name);
    TOXFileStream s(kLibtiff + name, fmOpenRead);
    EXPECT_EQ(TIFFGetPageCount(s), pages);
    gfx::TDib dib;
    TIOParamsVals params;
    EXPECT_TRUE(LoadTiff(kLibtiff + name, dib, params));
    EXPECT_EQ(params.TiffImageCount, pages);
  }
}

TEST(TiffRead, LzwWithoutHookAborts) {
  NoLzwCoders none;
  gfx::TDib dib;
  TIOParamsVals params;
  EXPECT_FALSE(LoadTiff(kLibtiff + "quad-lzw-compat.tiff", dib, params));
  // The record's own hook is enough.
  TIOParamsVals own;
  own.TiffLzwDecoder = TiffLzwDecode;
  EXPECT_TRUE(LoadTiff(kLibtiff + "quad-lzw-compat.tiff", dib, own));
  // A hook that fails aborts the page.
  TIOParamsVals failing;
  failing.TiffLzwDecoder = [](const uint8_t*, int64_t, int64_t, std::shared_ptr<void>&) -> const uint8_t* {
    return nullptr;
  };
  EXPECT_FALSE(LoadTiff(kLibtiff + "quad-lzw-compat.tiff", dib, failing));
}

TEST(TiffRead, EmptyAndForeignStreams) {
  for (const std::vector<uint8_t>& bytes :
       {std::vector<uint8_t>{}, std::vector<uint8_t>{'B', 'M', 0, 0, 0, 0, 0, 0},
        std::vector<uint8_t>{'I', 'I', 42, 0, 0, 0, 0, 0},          // no directory
        std::vector<uint8_t>{'I', 'I', 42, 0, 0xF0, 0xFF, 0, 0}}) {  // directory outside the stream
    TOXMemoryStream s(bytes);
    gfx::TDib dib;
    TIOParamsVals params;
    TProgressRec progress;
    int pages = -1;
    TIFFReadStream(&dib, s, pages, true, nullptr, false, progress, &params);
    EXPECT_TRUE(progress.IsAborted());
    EXPECT_EQ(pages, 0);
  }
}
