// JPEG-compressed TIFF strips and tiles decoded with libjpeg (tables from the JPEGTables tag).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ox {

// Decodes one JPEG stream (abbreviated when tables are given) into `rows` rows of `width` pixels with
// `components` 8-bit samples each (1 gray, 3 RGB, 4 CMYK), rowBytes apart. photometric is the TIFF value
// (6 YCbCr, 2 RGB, 5 CMYK, 0/1 gray). Rows the stream does not deliver stay as they were. False on an error.
bool DecodeTiffJpeg(const uint8_t* tables, size_t tablesLength, const uint8_t* data, size_t length, int photometric,
                    int width, int rows, int components, uint8_t* out, int64_t rowBytes);

// Frame size of a complete JPEG stream; false when its header cannot be read.
bool JpegDimensions(const uint8_t* data, size_t length, int& width, int& height);

}  // namespace ox
