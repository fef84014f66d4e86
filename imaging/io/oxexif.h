// EXIF: the TIFF structure of a JPEG APP1 block read into the EXIF fields of the parameter record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/io/oxioparams.h"

namespace ox {

// data/length: the APP1 payload after its "Exif\0\0" signature (a TIFF header and its directories).
// Fills the Exif* fields and ExifThumbnail; false when the block holds no readable TIFF structure.
bool ReadExifData(const uint8_t* data, size_t length, TIOParamsVals& params);

}  // namespace ox
