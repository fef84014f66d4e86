// Prints the header facts and the EXIF fields that are set.
#include "tools/convert/ConvertInfo.h"

#include <type_traits>

namespace vc {

namespace {

template <typename T>
void Field(std::ostream& out, const char* name, const T& value) {
  if constexpr (std::is_same_v<T, std::string>) {
    if (!value.empty()) out << name << ": " << value << "\n";
  } else {
    if (value != T{}) out << name << ": " << value << "\n";
  }
}

}  // namespace

bool PrintInfo(ox::TOrvexIO& io, const std::string& fileName, std::ostream& out) {
  io.ReadParamsFromFile(fileName);
  if (io.Params.FileType == ox::oxffUnknown) {
    // A wrong or missing extension: the content decides. Without a reader for the content, the
    // extension's reader said why the file is not one of its kind.
    const ox::TCodecFailure byExtension = io.Failure;
    io.ReadParamsFromFileFormat(fileName, ox::DetectFileFormat(fileName, false));
    if (!io.Failure) io.Failure = byExtension;
  }
  const ox::TIOParamsVals& p = io.Params;
  if (p.FileType == ox::oxffUnknown) return false;
  out << "File: " << fileName << "\n";
  out << "Format: " << ox::DescribeParams(p) << "\n";
  out << "Size: " << p.Width << " x " << p.Height << "\n";
  out << "Bits per sample: " << p.BitsPerSample << "\n";
  out << "Samples per pixel: " << p.SamplesPerPixel << "\n";
  out << "Resolution: " << p.DpiX << " x " << p.DpiY << " dpi\n";
  if (p.ColorMapCount > 0) out << "Palette entries: " << p.ColorMapCount << "\n";
  if (p.FileType == ox::oxffTIFF) out << "Pages: " << p.TiffImageCount << "\n";
  if (p.FileType == ox::oxffGIF) out << "Frames: " << p.GifImageCount << "\n";
  Field(out, "EXIF image description", p.ExifImageDescription);
  Field(out, "EXIF make", p.ExifMake);
  Field(out, "EXIF model", p.ExifModel);
  Field(out, "EXIF orientation", p.ExifOrientation);
  Field(out, "EXIF x resolution", p.ExifXResolution);
  Field(out, "EXIF y resolution", p.ExifYResolution);
  Field(out, "EXIF software", p.ExifSoftware);
  Field(out, "EXIF date/time", p.ExifDateTime);
  Field(out, "EXIF copyright", p.ExifCopyright);
  Field(out, "EXIF exposure time", p.ExifExposureTime);
  Field(out, "EXIF f-number", p.ExifFNumber);
  Field(out, "EXIF ISO speed", p.ExifISOSpeedRatings[0]);
  Field(out, "EXIF date/time original", p.ExifDateTimeOriginal);
  Field(out, "EXIF focal length", p.ExifFocalLength);
  Field(out, "EXIF flash", p.ExifFlash);
  Field(out, "EXIF pixel x dimension", p.ExifPixelXDimension);
  Field(out, "EXIF pixel y dimension", p.ExifPixelYDimension);
  return true;
}

}  // namespace vc
