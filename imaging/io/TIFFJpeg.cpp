// libjpeg decoding of JPEG-in-TIFF data; errors leave through longjmp, so no C++ objects live here.
#include "imaging/io/TIFFJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace ox {

namespace {

struct TErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<TErrorMgr*>(cinfo->err)->jump, 1); }
void OutputMessage(j_common_ptr) {}

// Runs the decode; the jmp_buf target has no locals with destructors.
bool Run(jpeg_decompress_struct& cinfo, TErrorMgr& err, const uint8_t* tables, size_t tablesLength,
         const uint8_t* data, size_t length, int photometric, int width, int rows, int components, uint8_t* out,
         int64_t rowBytes, JSAMPROW scratch, size_t scratchBytes) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  if (tables && tablesLength > 0) {
    jpeg_mem_src(&cinfo, const_cast<uint8_t*>(tables), static_cast<unsigned long>(tablesLength));
    jpeg_read_header(&cinfo, FALSE);
  }
  jpeg_mem_src(&cinfo, const_cast<uint8_t*>(data), static_cast<unsigned long>(length));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  if (components == 1) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (components == 4) {
    cinfo.jpeg_color_space = cinfo.num_components == 4 ? cinfo.jpeg_color_space : JCS_CMYK;
    cinfo.out_color_space = JCS_CMYK;
  } else {
    if (photometric == 2 && cinfo.num_components == 3) cinfo.jpeg_color_space = JCS_RGB;
    else if (photometric == 6 && cinfo.num_components == 3) cinfo.jpeg_color_space = JCS_YCbCr;
    cinfo.out_color_space = JCS_RGB;
  }
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != components ||
      size_t(cinfo.output_width) * size_t(components) > scratchBytes)
    return false;
  const size_t copy = size_t(cinfo.output_width < unsigned(width) ? cinfo.output_width : unsigned(width)) *
                      size_t(components);
  int y = 0;
  while (cinfo.output_scanline < cinfo.output_height && y < rows) {
    JSAMPROW row = scratch;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    std::memcpy(out + int64_t(y) * rowBytes, scratch, copy);
    ++y;
  }
  jpeg_abort_decompress(&cinfo);
  return true;
}

bool ReadSize(jpeg_decompress_struct& cinfo, TErrorMgr& err, const uint8_t* data, size_t length, int& width,
              int& height) {
  if (setjmp(err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<uint8_t*>(data), static_cast<unsigned long>(length));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
  width = int(cinfo.image_width);
  height = int(cinfo.image_height);
  return true;
}

}  // namespace

bool JpegDimensions(const uint8_t* data, size_t length, int& width, int& height) {
  width = height = 0;
  if (!data || length == 0) return false;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  TErrorMgr err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  const bool ok = ReadSize(cinfo, err, data, length, width, height);
  jpeg_destroy_decompress(&cinfo);
  return ok && width > 0 && height > 0;
}

bool DecodeTiffJpeg(const uint8_t* tables, size_t tablesLength, const uint8_t* data, size_t length, int photometric,
                    int width, int rows, int components, uint8_t* out, int64_t rowBytes) {
  if (!data || length == 0 || width <= 0 || rows <= 0) return false;
  // Rows wider than the chunk are cut; the scratch row holds the widest row a JPEG frame can have.
  const size_t scratchBytes = size_t(65535) * 4;
  JSAMPROW scratch = static_cast<JSAMPROW>(std::malloc(scratchBytes));
  if (!scratch) return false;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  TErrorMgr err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  const bool ok = Run(cinfo, err, tables, tablesLength, data, length, photometric, width, rows, components, out,
                      rowBytes, scratch, scratchBytes);
  jpeg_destroy_decompress(&cinfo);
  std::free(scratch);
  return ok;
}

}  // namespace ox
