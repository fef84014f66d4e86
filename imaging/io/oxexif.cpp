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
  static_cast<TExifData&>(params) = tmp;
  // The block's own description tag is read as the TIFF one.
  params.ExifImageDescription = tmp.TiffImageDescription;

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
