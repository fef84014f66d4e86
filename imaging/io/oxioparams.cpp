// Defaults, copying and metadata clearing of the I/O parameter record; the process-wide hooks.
#include "imaging/io/oxioparams.h"

#include <cstring>

namespace ox {

int ScreenDpiX = 96;
int ScreenDpiY = 96;

TGifLzwDecoder DefaultGifLzwDecoder;
TGifLzwEncoder DefaultGifLzwEncoder;
TTiffLzwDecoder DefaultTiffLzwDecoder;
TTiffLzwEncoder DefaultTiffLzwEncoder;

void TProgressRec::FillMissingRows(gfx::TDib& dib) {
  if (RestFilled || !PartialPicture() || dib.Empty() || PictureRows != dib.Height()) return;
  RestFilled = true;
  const int h = dib.Height(), first = int(RowsDelivered);
  auto rowOf = [&](int k) { return BottomUp ? h - 1 - k : k; };
  const int y0 = rowOf(first);
  for (int x = 0; x < dib.Width(); ++x) dib.SetPixelColor(x, y0, FillColor);
  for (int k = first + 1; k < h; ++k)
    std::memcpy(dib.ScanLine(rowOf(k)), dib.ScanLine(y0), size_t(dib.RowLength()));
}

TIOParamsVals::TIOParamsVals(TOrvexIO* owner) : Owner(owner) { ResetParams(); }

std::vector<TOXRGB>& TIOParamsVals::SetColorMapCount(int count) {
  if (count < 0) count = 0;
  ColorMap.assign(size_t(count), TOXRGB{});
  ColorMapCount = count;
  return ColorMap;
}

void TIOParamsVals::ResetParams() {
  FreeColorMap();
  FileName.clear();
  FileType = oxffUnknown;
  BitsPerSample = 8;
  SamplesPerPixel = 3;
  TiffCompression = 0;
  TiffImageIndex = 0;
  TiffPhotometric = 2;
  TiffPlanarConfig = 1;
  TiffXPosition = TiffYPosition = 0;
  TiffDocumentName.clear();
  TiffImageDescription.clear();
  TiffPageName.clear();
  TiffPageNumber = TiffPageCount = 0;
  TiffOrientation = 1;
  TiffLzwDecoder = DefaultTiffLzwDecoder;
  TiffLzwEncoder = DefaultTiffLzwEncoder;
  TiffAutoOrient = true;
  GifVersion = "GIF89a";
  GifImageIndex = 0;
  GifLeft = GifTop = 0;
  GifDelayTime = 0;
  GifTransparent = false;
  GifTransparentColor = {};
  GifInterlaced = false;
  GifScreenWidth = GifScreenHeight = 0;
  GifBackgroundColor = {};
  GifAspectRatio = 0;
  GifLzwDecoder = DefaultGifLzwDecoder;
  GifLzwEncoder = DefaultGifLzwEncoder;
  JpegColorSpace = 2;
  JpegQuality = 50;
  JpegSamplingX = JpegSamplingY = 2;
  JpegDctMethod = 0;
  JpegOptimizeCoding = false;
  JpegSmoothing = 0;
  JpegProgressive = false;
  JpegScaleMode = 1;
  JpegScaleDenominator = 1;
  JpegWarningCount = 0;
  JpegLastMessage = 0;
  PcxVersion = 5;
  PcxCompressed = true;
  BmpVersion = 1;
  BmpCompressed = false;
  IcoImageIndex = 0;
  IcoBackground = {255, 255, 255};
  CurImageIndex = 0;
  CurBackground = {255, 255, 255};
  PngInterlaced = false;
  PngBackground = {};
  PngFilter = 0;
  PngCompressionLevel = 5;
  TgaXOrigin = TgaYOrigin = 0;
  TgaCompressed = true;
  TgaImageId.clear();
  TgaAuthor.clear();
  TgaDate = std::time(nullptr);
  TgaJobName.clear();
  TgaKeyColor = {};
  TgaAspectRatio = 1.0;
  TgaGamma = 2.2;
  TgaGrayLevel = false;
  GifImageCount = 0;
  TiffImageCount = 0;
  if (OwnerDefaults) OwnerDefaults(*this);
  JpegMarkers.Clear();
  IptcRecords.Clear();
  PxmComments.clear();
  CurHotSpotX = CurHotSpotY = 0;
  ClearMetadata();
}

void TIOParamsVals::ClearExif() {
  ExifImageDescription.clear();
  ExifMake.clear();
  ExifModel.clear();
  ExifOrientation = 0;
  ExifXResolution = ExifYResolution = 0;
  ExifResolutionUnit = 0;
  ExifSoftware.clear();
  ExifDateTime.clear();
  ExifWhitePoint = {};
  ExifPrimaryChromaticities = {};
  ExifYCbCrCoefficients = {};
  ExifYCbCrPositioning = 0;
  ExifReferenceBlackWhite = {};
  ExifCopyright.clear();
  ExifExposureTime = ExifFNumber = 0;
  ExifExposureProgram = 0;
  ExifISOSpeedRatings = {};
  ExifExifVersion.clear();
  ExifDateTimeOriginal.clear();
  ExifDateTimeDigitized.clear();
  ExifCompressedBitsPerPixel = ExifShutterSpeedValue = ExifApertureValue = 0;
  ExifBrightnessValue = ExifExposureBiasValue = ExifMaxApertureValue = ExifSubjectDistance = 0;
  ExifMeteringMode = ExifLightSource = ExifFlash = 0;
  ExifFocalLength = 0;
  ExifSubsecTime.clear();
  ExifSubsecTimeOriginal.clear();
  ExifSubsecTimeDigitized.clear();
  ExifFlashPixVersion.clear();
  ExifColorSpace = ExifPixelXDimension = ExifPixelYDimension = 0;
  ExifRelatedSoundFile.clear();
  ExifFocalPlaneXResolution = ExifFocalPlaneYResolution = 0;
  ExifFocalPlaneResolutionUnit = 0;
  ExifExposureIndex = 0;
  ExifSensingMethod = ExifFileSource = ExifSceneType = 0;
}

void TIOParamsVals::ClearMetadata() {
  ExifThumbnail = gfx::TDib(1, 1, gfx::TPixelFormat::pf24bit);
  ClearExif();
}

void TIOParamsVals::CopyParams(const TIOParamsVals& s) {
  // Field by field: Owner and OwnerDefaults stay with this record.
  BitsPerSample = s.BitsPerSample; SamplesPerPixel = s.SamplesPerPixel;
  Width = s.Width; Height = s.Height; DpiX = s.DpiX; DpiY = s.DpiY; FileType = s.FileType;
  TiffCompression = s.TiffCompression; TiffImageIndex = s.TiffImageIndex; TiffPhotometric = s.TiffPhotometric;
  TiffPlanarConfig = s.TiffPlanarConfig; TiffXPosition = s.TiffXPosition; TiffYPosition = s.TiffYPosition;
  TiffDocumentName = s.TiffDocumentName; TiffImageDescription = s.TiffImageDescription;
  TiffPageName = s.TiffPageName; TiffPageNumber = s.TiffPageNumber; TiffPageCount = s.TiffPageCount;
  TiffOrientation = s.TiffOrientation; TiffLzwDecoder = s.TiffLzwDecoder; TiffLzwEncoder = s.TiffLzwEncoder;
  TiffAutoOrient = s.TiffAutoOrient;
  GifVersion = s.GifVersion; GifImageIndex = s.GifImageIndex; GifLeft = s.GifLeft; GifTop = s.GifTop;
  GifDelayTime = s.GifDelayTime; GifTransparent = s.GifTransparent; GifTransparentColor = s.GifTransparentColor;
  GifInterlaced = s.GifInterlaced; GifScreenWidth = s.GifScreenWidth; GifScreenHeight = s.GifScreenHeight;
  GifBackgroundColor = s.GifBackgroundColor; GifAspectRatio = s.GifAspectRatio;
  GifLzwDecoder = s.GifLzwDecoder; GifLzwEncoder = s.GifLzwEncoder;
  JpegColorSpace = s.JpegColorSpace; JpegQuality = s.JpegQuality; JpegDctMethod = s.JpegDctMethod;
  JpegOptimizeCoding = s.JpegOptimizeCoding; JpegSmoothing = s.JpegSmoothing; JpegProgressive = s.JpegProgressive;
  JpegScaleMode = s.JpegScaleMode; JpegMarkers.Assign(s.JpegMarkers); JpegScaleDenominator = s.JpegScaleDenominator;
  JpegWarningCount = s.JpegWarningCount; JpegLastMessage = s.JpegLastMessage;
  JpegSamplingX = s.JpegSamplingX; JpegSamplingY = s.JpegSamplingY;
  PcxVersion = s.PcxVersion; PcxCompressed = s.PcxCompressed;
  BmpVersion = s.BmpVersion; BmpCompressed = s.BmpCompressed;
  IcoImageIndex = s.IcoImageIndex; IcoBackground = s.IcoBackground;
  CurImageIndex = s.CurImageIndex; CurHotSpotX = s.CurHotSpotX; CurHotSpotY = s.CurHotSpotY;
  CurBackground = s.CurBackground;
  PngInterlaced = s.PngInterlaced; PngBackground = s.PngBackground; PngFilter = s.PngFilter;
  PngCompressionLevel = s.PngCompressionLevel;
  TgaXOrigin = s.TgaXOrigin; TgaYOrigin = s.TgaYOrigin; TgaCompressed = s.TgaCompressed;
  TgaImageId = s.TgaImageId; TgaAuthor = s.TgaAuthor; TgaDate = s.TgaDate; TgaJobName = s.TgaJobName;
  TgaKeyColor = s.TgaKeyColor; TgaAspectRatio = s.TgaAspectRatio; TgaGamma = s.TgaGamma;
  TgaGrayLevel = s.TgaGrayLevel;
  IptcRecords.Assign(s.IptcRecords);
  PxmComments = s.PxmComments;
  ExifThumbnail.Assign(s.ExifThumbnail);
  ExifImageDescription = s.ExifImageDescription; ExifMake = s.ExifMake; ExifModel = s.ExifModel;
  ExifOrientation = s.ExifOrientation; ExifXResolution = s.ExifXResolution; ExifYResolution = s.ExifYResolution;
  ExifResolutionUnit = s.ExifResolutionUnit; ExifSoftware = s.ExifSoftware; ExifDateTime = s.ExifDateTime;
  ExifWhitePoint = s.ExifWhitePoint; ExifPrimaryChromaticities = s.ExifPrimaryChromaticities;
  ExifYCbCrCoefficients = s.ExifYCbCrCoefficients; ExifYCbCrPositioning = s.ExifYCbCrPositioning;
  ExifReferenceBlackWhite = s.ExifReferenceBlackWhite; ExifCopyright = s.ExifCopyright;
  ExifExposureTime = s.ExifExposureTime; ExifFNumber = s.ExifFNumber; ExifExposureProgram = s.ExifExposureProgram;
  ExifISOSpeedRatings = s.ExifISOSpeedRatings; ExifExifVersion = s.ExifExifVersion;
  ExifDateTimeOriginal = s.ExifDateTimeOriginal; ExifDateTimeDigitized = s.ExifDateTimeDigitized;
  ExifCompressedBitsPerPixel = s.ExifCompressedBitsPerPixel; ExifShutterSpeedValue = s.ExifShutterSpeedValue;
  ExifApertureValue = s.ExifApertureValue; ExifBrightnessValue = s.ExifBrightnessValue;
  ExifExposureBiasValue = s.ExifExposureBiasValue; ExifMaxApertureValue = s.ExifMaxApertureValue;
  ExifSubjectDistance = s.ExifSubjectDistance; ExifMeteringMode = s.ExifMeteringMode;
  ExifLightSource = s.ExifLightSource; ExifFlash = s.ExifFlash; ExifFocalLength = s.ExifFocalLength;
  ExifSubsecTime = s.ExifSubsecTime; ExifSubsecTimeOriginal = s.ExifSubsecTimeOriginal;
  ExifSubsecTimeDigitized = s.ExifSubsecTimeDigitized; ExifFlashPixVersion = s.ExifFlashPixVersion;
  ExifColorSpace = s.ExifColorSpace; ExifPixelXDimension = s.ExifPixelXDimension;
  ExifPixelYDimension = s.ExifPixelYDimension; ExifRelatedSoundFile = s.ExifRelatedSoundFile;
  ExifFocalPlaneXResolution = s.ExifFocalPlaneXResolution; ExifFocalPlaneYResolution = s.ExifFocalPlaneYResolution;
  ExifFocalPlaneResolutionUnit = s.ExifFocalPlaneResolutionUnit; ExifExposureIndex = s.ExifExposureIndex;
  ExifSensingMethod = s.ExifSensingMethod; ExifFileSource = s.ExifFileSource; ExifSceneType = s.ExifSceneType;
  FileName = s.FileName;
  ColorMap = s.ColorMap;
  ColorMapCount = s.ColorMapCount;
  GifImageCount = s.GifImageCount;
  TiffImageCount = s.TiffImageCount;
}

}  // namespace ox
