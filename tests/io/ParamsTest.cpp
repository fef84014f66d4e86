// The parameter record: defaults, owner defaults, deep copies and metadata clearing.
#include <gtest/gtest.h>

#include "imaging/io/oxioparams.h"

using namespace ox;

TEST(IOParams, DefaultsAndOwnerDefaults) {
  TIOParamsVals p;
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.JpegQuality, 50);
  EXPECT_EQ(p.GifVersion, "GIF89a");
  EXPECT_EQ(p.IcoBackground, (TOXRGB{255, 255, 255}));
  EXPECT_EQ(p.ExifThumbnail.Width(), 1);
  p.OwnerDefaults = [](TIOParamsVals& r) { r.Width = 640; r.Height = 480; r.DpiX = 72; r.DpiY = 150; };
  p.JpegQuality = 90;
  p.SetColorMapCount(4);
  p.ResetParams();
  EXPECT_EQ(p.JpegQuality, 50);
  EXPECT_EQ(p.ColorMapCount, 0);
  EXPECT_EQ(p.Width, 640);
  EXPECT_EQ(p.DpiY, 150);
}

TEST(IOParams, CopyIsDeepAndKeepsOwner) {
  TIOParamsVals a, b;
  a.SetColorMapCount(2)[1] = TOXRGB{1, 2, 3};
  a.PxmComments = {"# hello"};
  uint8_t block[3] = {1, 2, 3};
  a.JpegMarkers.Add(0xE1, block, 3);
  a.ExifThumbnail.SetSize(4, 3);
  a.ExifMake = "maker";
  a.ExifISOSpeedRatings = {100, 200};
  a.TiffLzwDecoder = [](const uint8_t*, int64_t, int64_t, std::shared_ptr<void>&) -> const uint8_t* { return nullptr; };
  b.CopyParams(a);
  a.ColorMap[1] = TOXRGB{};
  EXPECT_EQ(b.ColorMap[1], (TOXRGB{1, 2, 3}));
  EXPECT_EQ(b.ColorMapCount, 2);
  EXPECT_EQ(b.JpegMarkers.Count(), 1);
  EXPECT_EQ(b.ExifThumbnail.Width(), 4);
  EXPECT_EQ(b.ExifMake, "maker");
  EXPECT_EQ(b.ExifISOSpeedRatings[1], 200);
  EXPECT_TRUE(bool(b.TiffLzwDecoder));
  b.ClearMetadata();
  EXPECT_EQ(b.ExifThumbnail.Width(), 1);
  EXPECT_TRUE(b.ExifMake.empty());
  EXPECT_EQ(b.JpegMarkers.Count(), 1);  // markers are not metadata fields
}

TEST(IOParams, ProgressFactorOnlyForRows) {
  TProgressRec p;
  p.SetRows(0);
  EXPECT_EQ(p.Per1, 0.0);
  int last = -1;
  p.OnProgress = [&](TOrvexIO*, int per) { last = per; };
  p.SetRows(3);
  p.Step();
  EXPECT_EQ(last, 33);
  EXPECT_FALSE(p.IsAborted());
  p.Abort();
  EXPECT_TRUE(p.IsAborted());
}
