// EXIF: the TIFF structure of an APP1 block read with the TIFF reader into the EXIF fields and the thumbnail.
#include "imaging/io/oxexif.h"

#include <vector>

#include "imaging/io/TIFFFilt.h"

namespace ox {

// Thumbnails are a few hundred pixels across; 4 Mi pixels leaves room for large previews.
constexpr int64_t kMaxExifThumbnailPixels = int64_t(1) << 22;

bool ReadExifData(const uint8_t* data, size_t length, TIOParamsVals& params) {
  if (!data || length < 8) return false;
  TOXMemoryStream stream(std::vector<uint8_t>(data, data + length));
  TIOParamsVals tmp;
  tmp.TiffImageIndex = 0;
  int pages = 0;
  {
    TProgressRec progress;
    TIFFReadStream(nullptr, stream, pages, true, nullptr, true, progress, &tmp);
    if (progress.IsAborted()) return false;
  }
  params.ExifImageDescription = tmp.TiffImageDescription;
  params.ExifMake = tmp.ExifMake;
  params.ExifModel = tmp.ExifModel;
  params.ExifOrientation = tmp.ExifOrientation;
  params.ExifXResolution = tmp.ExifXResolution;
  params.ExifYResolution = tmp.ExifYResolution;
  params.ExifResolutionUnit = tmp.ExifResolutionUnit;
  params.ExifSoftware = tmp.ExifSoftware;
  params.ExifDateTime = tmp.ExifDateTime;
  params.ExifWhitePoint = tmp.ExifWhitePoint;
  params.ExifPrimaryChromaticities = tmp.ExifPrimaryChromaticities;
  params.ExifYCbCrCoefficients = tmp.ExifYCbCrCoefficients;
  params.ExifYCbCrPositioning = tmp.ExifYCbCrPositioning;
  params.ExifReferenceBlackWhite = tmp.ExifReferenceBlackWhite;
  params.ExifCopyright = tmp.ExifCopyright;
  params.ExifExposureTime = tmp.ExifExposureTime;
  params.ExifFNumber = tmp.ExifFNumber;
  params.ExifExposureProgram = tmp.ExifExposureProgram;
  params.ExifISOSpeedRatings = tmp.ExifISOSpeedRatings;
  params.ExifExifVersion = tmp.ExifExifVersion;
  params.ExifDateTimeOriginal = tmp.ExifDateTimeOriginal;
  params.ExifDateTimeDigitized = tmp.ExifDateTimeDigitized;
  params.ExifCompressedBitsPerPixel = tmp.ExifCompressedBitsPerPixel;
  params.ExifShutterSpeedValue = tmp.ExifShutterSpeedValue;
  params.ExifApertureValue = tmp.ExifApertureValue;
  params.ExifBrightnessValue = tmp.ExifBrightnessValue;
  params.ExifExposureBiasValue = tmp.ExifExposureBiasValue;
  params.ExifMaxApertureValue = tmp.ExifMaxApertureValue;
  params.ExifSubjectDistance = tmp.ExifSubjectDistance;
  params.ExifMeteringMode = tmp.ExifMeteringMode;
  params.ExifLightSource = tmp.ExifLightSource;
  params.ExifFlash = tmp.ExifFlash;
  params.ExifFocalLength = tmp.ExifFocalLength;
  params.ExifSubsecTime = tmp.ExifSubsecTime;
  params.ExifSubsecTimeOriginal = tmp.ExifSubsecTimeOriginal;
  params.ExifSubsecTimeDigitized = tmp.ExifSubsecTimeDigitized;
  params.ExifFlashPixVersion = tmp.ExifFlashPixVersion;
  params.ExifColorSpace = tmp.ExifColorSpace;
  params.ExifPixelXDimension = tmp.ExifPixelXDimension;
  params.ExifPixelYDimension = tmp.ExifPixelYDimension;
  params.ExifRelatedSoundFile = tmp.ExifRelatedSoundFile;
  params.ExifFocalPlaneXResolution = tmp.ExifFocalPlaneXResolution;
  params.ExifFocalPlaneYResolution = tmp.ExifFocalPlaneYResolution;
  params.ExifFocalPlaneResolutionUnit = tmp.ExifFocalPlaneResolutionUnit;
  params.ExifExposureIndex = tmp.ExifExposureIndex;
  params.ExifSensingMethod = tmp.ExifSensingMethod;
  params.ExifFileSource = tmp.ExifFileSource;
  params.ExifSceneType = tmp.ExifSceneType;

  // The second directory holds the thumbnail (usually an embedded JPEG stream).
  if (pages > 1) {
    tmp.TiffImageIndex = 1;
    tmp.TiffAutoOrient = false;
    // A directory claiming a picture far beyond thumbnail size is not decoded: every load and every
    // parameters-only read of the JPEG would pay for it.
    TProgressRec sizing;
    stream.SetPosition(0);
    TIFFReadStream(nullptr, stream, pages, true, nullptr, true, sizing, &tmp);
    if (!sizing.IsAborted() && int64_t(tmp.Width) * tmp.Height <= kMaxExifThumbnailPixels) {
      gfx::TDib thumb;
      TProgressRec progress;
      stream.SetPosition(0);
      TIFFReadStream(&thumb, stream, pages, true, nullptr, false, progress, &tmp);
      if (!progress.IsAborted() && !thumb.Empty()) params.ExifThumbnail = thumb;
    }
  }
  return true;
}

}  // namespace ox
