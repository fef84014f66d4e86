// The parameter record: defaults, owner defaults, deep copies and metadata clearing.
#include <gtest/gtest.h>

#include <map>
#include <string>

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

// ---------------------------------------------------------------------------------------------------------
// Copying: every plain field of the record, whatever its type.

namespace {

// One change and one description per field type, so that the field list below is all a new field needs.
void Change(bool& v) { v = !v; }
void Change(std::string& v) { v += "-changed"; }
void Change(double& v) { v += 0.5; }
void Change(gfx::TDib& v) { v.SetSize(3, 2); }
void Change(TOXRGB& v) { v.r ^= 0x5A; }
void Change(TOXMarkerList& v) { v.Add(0xE5, "m", 1); }
void Change(TOXIPTCInfoList& v) { v.Add(2, 5, "t", 1); }
void Change(std::vector<std::string>& v) { v.push_back("# note"); }
void Change(std::vector<TOXRGB>& v) { v.push_back(TOXRGB{1, 2, 3}); }
template <class T, size_t N> void Change(std::array<T, N>& v) { for (auto& e : v) e += T(3); }
void Change(TGifLzwDecoder& v) { v = [](TOXStream&, int, int, uint8_t*, bool) {}; }
void Change(TGifLzwEncoder& v) { v = [](TOXStream&, int, int, int, const uint8_t*, bool) {}; }
void Change(TTiffLzwDecoder& v) {
  v = [](const uint8_t*, int64_t, int64_t, std::shared_ptr<void>&) -> const uint8_t* { return nullptr; };
}
void Change(TTiffLzwEncoder& v) { v = [](const uint8_t*, int64_t, TOXStream&, std::shared_ptr<void>&) {}; }
template <class T> requires std::is_integral_v<T> void Change(T& v) { v = T(v + 7); }

std::string Text(bool v) { return v ? "1" : "0"; }
std::string Text(const std::string& v) { return v; }
std::string Text(double v) { return std::to_string(v); }
std::string Text(const gfx::TDib& v) { return std::to_string(v.Width()) + "x" + std::to_string(v.Height()); }
std::string Text(const TOXRGB& v) { return std::to_string(v.r) + "," + std::to_string(v.g) + "," + std::to_string(v.b); }
std::string Text(const TOXMarkerList& v) { return std::to_string(v.Count()); }
std::string Text(const TOXIPTCInfoList& v) { return std::to_string(v.Count()) + Text(v.UserChanged); }
std::string Text(const std::vector<std::string>& v) { return std::to_string(v.size()); }
std::string Text(const std::vector<TOXRGB>& v) { return v.empty() ? "" : Text(v.back()); }
template <class T, size_t N> std::string Text(const std::array<T, N>& v) { return std::to_string(double(v[0] + v[N - 1])); }
template <class F> requires requires(F f) { f.target_type(); } std::string Text(const F& v) { return v.target_type().name(); }
template <class T> requires std::is_integral_v<T> std::string Text(T v) { return std::to_string(int64_t(v)); }

#define EVERY_FIELD(X) \
  X(ExifImageDescription) X(ExifMake) X(ExifModel) X(ExifOrientation) X(ExifXResolution) X(ExifYResolution) \
  X(ExifResolutionUnit) X(ExifSoftware) X(ExifDateTime) X(ExifWhitePoint) X(ExifPrimaryChromaticities) \
  X(ExifYCbCrCoefficients) X(ExifYCbCrPositioning) X(ExifReferenceBlackWhite) X(ExifCopyright) \
  X(ExifExposureTime) X(ExifFNumber) X(ExifExposureProgram) X(ExifISOSpeedRatings) X(ExifExifVersion) \
  X(ExifDateTimeOriginal) X(ExifDateTimeDigitized) X(ExifCompressedBitsPerPixel) X(ExifShutterSpeedValue) \
  X(ExifApertureValue) X(ExifBrightnessValue) X(ExifExposureBiasValue) X(ExifMaxApertureValue) \
  X(ExifSubjectDistance) X(ExifMeteringMode) X(ExifLightSource) X(ExifFlash) X(ExifFocalLength) \
  X(ExifSubsecTime) X(ExifSubsecTimeOriginal) X(ExifSubsecTimeDigitized) X(ExifFlashPixVersion) \
  X(ExifColorSpace) X(ExifPixelXDimension) X(ExifPixelYDimension) X(ExifRelatedSoundFile) \
  X(ExifFocalPlaneXResolution) X(ExifFocalPlaneYResolution) X(ExifFocalPlaneResolutionUnit) \
  X(ExifExposureIndex) X(ExifSensingMethod) X(ExifFileSource) X(ExifSceneType) X(BitsPerSample) \
  X(SamplesPerPixel) X(Width) X(Height) X(DpiX) X(DpiY) X(FileType) X(TiffCompression) X(TiffImageIndex) \
  X(TiffPhotometric) X(TiffPlanarConfig) X(TiffXPosition) X(TiffYPosition) X(TiffDocumentName) \
  X(TiffImageDescription) X(TiffPageName) X(TiffPageNumber) X(TiffPageCount) X(TiffOrientation) \
  X(TiffLzwDecoder) X(TiffLzwEncoder) X(TiffAutoOrient) X(GifVersion) X(GifImageIndex) X(GifLeft) X(GifTop) \
  X(GifDelayTime) X(GifTransparent) X(GifTransparentColor) X(GifInterlaced) X(GifScreenWidth) \
  X(GifScreenHeight) X(GifBackgroundColor) X(GifAspectRatio) X(GifLzwDecoder) X(GifLzwEncoder) \
  X(JpegColorSpace) X(JpegQuality) X(JpegSamplingX) X(JpegSamplingY) X(JpegDctMethod) X(JpegOptimizeCoding) \
  X(JpegSmoothing) X(JpegProgressive) X(JpegScaleMode) X(JpegMarkers) X(JpegScaleDenominator) \
  X(JpegWarningCount) X(JpegLastMessage) X(PcxVersion) X(PcxCompressed) X(BmpVersion) X(BmpCompressed) \
  X(IcoImageIndex) X(IcoBackground) X(CurImageIndex) X(CurHotSpotX) X(CurHotSpotY) X(CurBackground) \
  X(PngInterlaced) X(PngBackground) X(PngFilter) X(PngCompressionLevel) X(TgaXOrigin) X(TgaYOrigin) \
  X(TgaCompressed) X(TgaImageId) X(TgaAuthor) X(TgaDate) X(TgaJobName) X(TgaKeyColor) X(TgaAspectRatio) \
  X(TgaGamma) X(TgaGrayLevel) X(IptcRecords) X(PxmComments) X(ExifThumbnail) X(FileName) X(ColorMap) \
  X(ColorMapCount) X(GifImageCount) X(TiffImageCount)

std::map<std::string, std::string> Describe(const TIOParamsData& d) {
  std::map<std::string, std::string> m;
#define DESCRIBE(f) m[#f] = Text(d.f);
  EVERY_FIELD(DESCRIBE)
#undef DESCRIBE
  return m;
}

}  // namespace

TEST(IOParams, CopyCarriesEveryFieldAndNothingOfTheOwner) {
  TIOParamsVals source, target;
  const auto defaults = Describe(source);
#define CHANGE(f) Change(source.f);
  EVERY_FIELD(CHANGE)
#undef CHANGE
  const auto changed = Describe(source);
  for (const auto& [name, text] : changed) EXPECT_NE(text, defaults.at(name)) << name << " was not changed";
  bool ownerCalled = false;
  target.OwnerDefaults = [&](TIOParamsVals&) { ownerCalled = true; };
  target.CopyParams(source);
  EXPECT_EQ(Describe(target), changed);
  EXPECT_EQ(target.Owner, nullptr);
  EXPECT_FALSE(ownerCalled);
  EXPECT_TRUE(bool(target.OwnerDefaults));
  // and back: a copy of the defaults undoes every change
  TIOParamsVals fresh;
  target.CopyParams(fresh);
  EXPECT_EQ(Describe(target), defaults);
}
