// EXIF reading entry point; the TIFF directory reader it needs arrives with the TIFF codec.
#include "imaging/io/oxexif.h"

namespace ox {

bool ReadExifData(const uint8_t*, size_t, TIOParamsVals&) { return false; }

}  // namespace ox
