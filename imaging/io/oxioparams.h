// TIOParamsVals (plain fields in TIOParamsData): what a codec learned about an image or must know to write it; format ids, coder hooks,
// the progress context every codec receives.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/oxcontainers.h"
#include "imaging/model/oxholder.h"
#include "imaging/model/oxiptc.h"
#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace ox {

class TOrvexIO;

using TOXFileFormat = int;
constexpr TOXFileFormat oxffUnknown = 0;
constexpr TOXFileFormat oxffTIFF = 1;
constexpr TOXFileFormat oxffGIF = 2;
constexpr TOXFileFormat oxffJPEG = 3;
constexpr TOXFileFormat oxffPCX = 4;
constexpr TOXFileFormat oxffBMP = 5;
constexpr TOXFileFormat oxffICO = 6;
constexpr TOXFileFormat oxffCUR = 7;
constexpr TOXFileFormat oxffPNG = 8;
constexpr TOXFileFormat oxffWMF = 9;
constexpr TOXFileFormat oxffEMF = 10;
constexpr TOXFileFormat oxffTGA = 11;
constexpr TOXFileFormat oxffPXM = 12;

// Colours of the record are blue, green, red triples; gfx::TRGB holds them by name.
using TOXRGB = gfx::TRGB;

// GIF coder hooks. The decoder starts at the minimum-code-size byte, consumes the data sub-blocks and their
// terminator, and stores width x height palette indexes, rows from the top in display order. The encoder
// writes the minimum-code-size byte, the sub-blocks and the terminator.
using TGifLzwDecoder = std::function<void(TOXStream& stream, int height, int width, uint8_t* pixels, bool interlaced)>;
using TGifLzwEncoder =
    std::function<void(TOXStream& stream, int height, int width, int bitsPerPixel, const uint8_t* pixels, bool interlaced)>;

// TIFF coder hooks; `state` belongs to one strip sequence or one encoded page and is dropped by its owner.
// Decoder: called once per strip or tile with the compressed bytes and the decoded size, and once more with
// data == nullptr to end; returns the decoded bytes (valid until the next call) or nullptr on failure.
// Encoder: called once per row and once with row == nullptr to flush; writes to stream.
using TTiffLzwDecoder =
    std::function<const uint8_t*(const uint8_t* data, int64_t length, int64_t decodedSize, std::shared_ptr<void>& state)>;
using TTiffLzwEncoder =
    std::function<void(const uint8_t* row, int64_t count, TOXStream& stream, std::shared_ptr<void>& state)>;

// The built-in coders (GIFLzw, TIFFLzw) from the start, so no program needs a set-up call; a program may
// put its own in their place. Without a decoder LZW data does not decode; without a TIFF encoder TIFF
// is written uncompressed.
extern TGifLzwDecoder DefaultGifLzwDecoder;
extern TGifLzwEncoder DefaultGifLzwEncoder;
extern TTiffLzwDecoder DefaultTiffLzwDecoder;
extern TTiffLzwEncoder DefaultTiffLzwEncoder;

// (Sender, percent)
using TOXProgressEvent = std::function<void(TOrvexIO* sender, int percent)>;

// Handed to every codec call: the handler, the row factor and the abort flag tested once per row.
struct TProgressRec {
  TOXProgressEvent OnProgress;  // empty: no reports
  TOrvexIO* Sender = nullptr;
  int64_t Val = 0;               // rows done
  double Per1 = 0;               // percent per row: 100 / rows, 0 without rows
  bool* Aborted = nullptr;       // never null inside a codec call
  bool LocalAborted = false;     // target of Aborted when the caller has no flag of its own

  // How far the picture got, so that a cut file can be told from a broken one: the rows a reader has
  // completed in the bitmap (from the top, or from the bottom for bottom-up files) out of PictureRows,
  // and whether its data ended before the picture did.
  int64_t PictureRows = 0;
  int64_t RowsDelivered = 0;
  bool BottomUp = false;
  bool DataEnded = false;
  gfx::TColor FillColor = 0;     // what the rows a cut file lacks become
  bool RestFilled = false;

  TProgressRec() : Aborted(&LocalAborted) {}
  TProgressRec(const TProgressRec&) = delete;
  TProgressRec& operator=(const TProgressRec&) = delete;

  // Sets the factor for `rows` rows (no division for rows <= 0).
  void SetRows(int64_t rows) { Per1 = rows > 0 ? 100.0 / double(rows) : 0.0; }
  // A reader starts decoding a picture of `rows` rows: the factor and the delivery count begin.
  void StartPicture(int64_t rows, bool bottomUp = false) {
    SetRows(rows);
    Val = 0;
    PictureRows = rows;
    RowsDelivered = 0;
    BottomUp = bottomUp;
  }
  void Report(int percent) const {
    if (OnProgress) OnProgress(Sender, percent);
  }
  // One more row of the picture done: reports trunc(Val * Per1).
  void Step() {
    ++Val;
    Delivered(Val);
    Report(int(double(Val) * Per1));
  }
  // `rows` rows of the picture are complete in the bitmap.
  void Delivered(int64_t rows) { RowsDelivered = rows < 0 ? 0 : rows > PictureRows ? PictureRows : rows; }
  // The data ran out before the picture was complete; stops the reader like Abort.
  void EndOfData() {
    DataEnded = true;
    Abort();
  }
  // The data ended after some rows: the bitmap holds a partial picture rather than a failed one.
  bool PartialPicture() const { return DataEnded && RowsDelivered > 0 && RowsDelivered < PictureRows; }
  // Gives the rows a partial picture lacks FillColor (once; nothing for a whole or failed picture).
  void FillMissingRows(gfx::TDib& dib);
  bool IsAborted() const { return *Aborted; }
  void Abort() { *Aborted = true; }
};

// The EXIF fields (all but the thumbnail): plain values that a reader of the EXIF block fills as one.
struct TExifData {
  std::string ExifImageDescription, ExifMake, ExifModel;
  int ExifOrientation = 0;
  double ExifXResolution = 0, ExifYResolution = 0;
  int ExifResolutionUnit = 0;
  std::string ExifSoftware, ExifDateTime;
  std::array<double, 2> ExifWhitePoint{};
  std::array<double, 6> ExifPrimaryChromaticities{};
  std::array<double, 3> ExifYCbCrCoefficients{};
  int ExifYCbCrPositioning = 0;
  std::array<double, 6> ExifReferenceBlackWhite{};
  std::string ExifCopyright;
  double ExifExposureTime = 0, ExifFNumber = 0;
  int ExifExposureProgram = 0;
  std::array<int, 2> ExifISOSpeedRatings{};
  std::string ExifExifVersion, ExifDateTimeOriginal, ExifDateTimeDigitized;
  double ExifCompressedBitsPerPixel = 0, ExifShutterSpeedValue = 0, ExifApertureValue = 0,
         ExifBrightnessValue = 0, ExifExposureBiasValue = 0, ExifMaxApertureValue = 0, ExifSubjectDistance = 0;
  int ExifMeteringMode = 0, ExifLightSource = 0, ExifFlash = 0;
  double ExifFocalLength = 0;
  std::string ExifSubsecTime, ExifSubsecTimeOriginal, ExifSubsecTimeDigitized, ExifFlashPixVersion;
  int ExifColorSpace = 0, ExifPixelXDimension = 0, ExifPixelYDimension = 0;
  std::string ExifRelatedSoundFile;
  double ExifFocalPlaneXResolution = 0, ExifFocalPlaneYResolution = 0;
  int ExifFocalPlaneResolutionUnit = 0;
  double ExifExposureIndex = 0;
  int ExifSensingMethod = 0, ExifFileSource = 0, ExifSceneType = 0;
};

// Every plain field of the parameter record. Copying it copies them all (deeply: the colour map, markers,
// IPTC records and thumbnail are values), so a new field is added here once and is copied everywhere.
struct TIOParamsData : TExifData {
  int BitsPerSample = 8;
  int SamplesPerPixel = 3;
  int Width = 0, Height = 0;
  int DpiX = 96, DpiY = 96;
  TOXFileFormat FileType = oxffUnknown;
  // TIFF
  uint8_t TiffCompression = 0;
  int TiffImageIndex = 0;
  uint8_t TiffPhotometric = 2;
  int TiffPlanarConfig = 1;
  int TiffXPosition = 0, TiffYPosition = 0;
  std::string TiffDocumentName, TiffImageDescription, TiffPageName;
  int TiffPageNumber = 0, TiffPageCount = 0;
  int TiffOrientation = 1;
  TTiffLzwDecoder TiffLzwDecoder;
  TTiffLzwEncoder TiffLzwEncoder;
  bool TiffAutoOrient = true;
  // GIF
  std::string GifVersion = "GIF89a";
  int GifImageIndex = 0;
  int GifLeft = 0, GifTop = 0;
  int GifDelayTime = 0;
  bool GifTransparent = false;
  TOXRGB GifTransparentColor{};
  bool GifInterlaced = false;
  int GifScreenWidth = 0, GifScreenHeight = 0;
  TOXRGB GifBackgroundColor{};
  int GifAspectRatio = 0;
  TGifLzwDecoder GifLzwDecoder;
  TGifLzwEncoder GifLzwEncoder;
  // JPEG
  uint8_t JpegColorSpace = 2;
  int JpegQuality = 50;  // a JPEG read sets it to the quality its own tables were made with
  // Luma sampling against chroma, across and down (2, 2 = 4:2:0; 2, 1 = 4:2:2; 1, 1 = 4:4:4): what a
  // colour JPEG read was sampled with, and what the writer samples YCbCr files with.
  int JpegSamplingX = 2, JpegSamplingY = 2;
  uint8_t JpegDctMethod = 0;
  bool JpegOptimizeCoding = false;
  int JpegSmoothing = 0;
  bool JpegProgressive = false;
  uint8_t JpegScaleMode = 1;
  TOXMarkerList JpegMarkers;
  int JpegScaleDenominator = 1;
  int JpegWarningCount = 0;
  int JpegLastMessage = 0;
  // PCX
  int PcxVersion = 5;
  bool PcxCompressed = true;
  // BMP, icon, cursor
  uint8_t BmpVersion = 1;
  bool BmpCompressed = false;
  int IcoImageIndex = 0;
  TOXRGB IcoBackground{255, 255, 255};
  int CurImageIndex = 0;
  int CurHotSpotX = 0, CurHotSpotY = 0;
  TOXRGB CurBackground{255, 255, 255};
  // PNG
  bool PngInterlaced = false;
  TOXRGB PngBackground{};
  uint8_t PngFilter = 0;
  int PngCompressionLevel = 5;
  // Targa
  int TgaXOrigin = 0, TgaYOrigin = 0;
  bool TgaCompressed = true;
  std::string TgaImageId, TgaAuthor;
  std::time_t TgaDate = 0;
  std::string TgaJobName;
  TOXRGB TgaKeyColor{};
  double TgaAspectRatio = 1.0;
  double TgaGamma = 2.2;
  bool TgaGrayLevel = false;
  // Metadata
  TOXIPTCInfoList IptcRecords;
  std::vector<std::string> PxmComments;
  gfx::TDib ExifThumbnail;
  // Results of the last read
  std::string FileName;
  std::vector<TOXRGB> ColorMap;
  int ColorMapCount = 0;
  int GifImageCount = 0;
  int TiffImageCount = 0;
};

class TIOParamsVals : public TIOParamsData {
 public:
  explicit TIOParamsVals(TOrvexIO* owner = nullptr);
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  // Defaults of every field; Width/Height and DpiX/DpiY come from the owner's DIB and view when it has them.
  void ResetParams();
  // ExifThumbnail back to 1 x 1 and every EXIF field empty or 0.
  void ClearMetadata();
  // Deep copy of every field except Owner and OwnerDefaults.
  void CopyParams(const TIOParamsVals& source) { static_cast<TIOParamsData&>(*this) = source; }

  void FreeColorMap() { ColorMap.clear(); ColorMapCount = 0; }
  // Replaces ColorMap by count entries (black) and returns them.
  std::vector<TOXRGB>& SetColorMapCount(int count);

  TOrvexIO* Owner = nullptr;
  // Set by the owner: fills Width/Height and DpiX/DpiY from its DIB and view during ResetParams, and
  // ScreenDpiX/Y.
  std::function<void(TIOParamsVals&)> OwnerDefaults;
  // The resolution a codec gives a picture whose file names none: the owner's screen (the I/O component
  // takes it from its view at every operation), else kDefaultScreenDpi. Not copied by CopyParams.
  int ScreenDpiX = kDefaultScreenDpi, ScreenDpiY = kDefaultScreenDpi;

  // Hooks of the record, else the process-wide defaults.
  const TGifLzwDecoder& GifDecoder() const { return GifLzwDecoder ? GifLzwDecoder : DefaultGifLzwDecoder; }
  const TGifLzwEncoder& GifEncoder() const { return GifLzwEncoder ? GifLzwEncoder : DefaultGifLzwEncoder; }
  const TTiffLzwDecoder& TiffDecoder() const { return TiffLzwDecoder ? TiffLzwDecoder : DefaultTiffLzwDecoder; }
  const TTiffLzwEncoder& TiffEncoder() const { return TiffLzwEncoder ? TiffLzwEncoder : DefaultTiffLzwEncoder; }
};

}  // namespace ox
