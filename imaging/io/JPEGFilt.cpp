// JPEG codec on libjpeg (6.2 interface): stream source and destination managers, reader, writer, metadata.
#include "imaging/io/JPEGFilt.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/io/JPEGQuality.h"
#include "imaging/io/oxexif.h"
#include "imaging/io/oxfailure.h"
#include "imaging/io/oxlibcall.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/model/OrvexError.h"
#include "imaging/model/Rounding.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
// A marker's length field counts itself, so its payload is at most 65533 bytes.
constexpr size_t kMaxMarkerData = 65533;

// The library reports fatal errors by longjmp back to the innermost JpegCall; nothing that needs a
// destructor may live in the frames it unwinds.
struct ErrorMgr {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  void (*stdEmit)(j_common_ptr, int) = nullptr;
  bool dataEnded = false;  // set by the source manager when it made up the end-of-image marker
  // Output rows complete when the decoder first lacked data (a warning after the data ended), or -1.
  int64_t rowsBeforeGap = -1;
};

void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorMgr*>(cinfo->err)->jump, 1); }
// Warnings are counted by the library and reported through the parameter record, never printed.
void OutputMessage(j_common_ptr) {}

// Once the data has ended, a scan that runs into the end marker (or must look for a restart marker past
// it) lacks bytes: the rows put out before are whole, later ones are made up. Other warnings, such as
// bytes after the last scan, take nothing from the picture.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorMgr*>(cinfo->err);
  const int code = err->pub.msg_code;
  if (level < 0 && err->dataEnded && err->rowsBeforeGap < 0 && (code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC) &&
      cinfo->is_decompressor)
    err->rowsBeforeGap = int64_t(reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline);
  err->stdEmit(cinfo, level);
}

void InitErrorMgr(ErrorMgr& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  err.stdEmit = err.pub.emit_message;
  err.pub.emit_message = EmitMessage;
}

// The library's text for its last error or warning, or `otherwise` when it has none.
std::string LibraryMessage(jpeg_decompress_struct& cinfo, const char* otherwise) {
  if (cinfo.err->msg_code == 0) return otherwise;
  char text[JMSG_LENGTH_MAX] = {};
  (*cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&cinfo), text);
  return text[0] ? std::string(text) : std::string(otherwise);
}

// Runs f with the library's errors caught: false when the library failed.
template <class F>
bool JpegCall(ErrorMgr& err, F&& f) {
  if (setjmp(err.jump)) return false;
  f();
  return true;
}

struct SourceMgr {
  jpeg_source_mgr pub;
  TOXStream* stream = nullptr;
  JOCTET* buffer = nullptr;
  bool startOfFile = true;
  bool eofInserted = false;
  std::exception_ptr streamError;
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<SourceMgr*>(cinfo->src)->startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceMgr*>(cinfo->src);
  int64_t n = ReadCaptured(*src->stream, src->buffer, int64_t(kBufferSize), src->streamError);
  if (src->streamError) ERREXIT(cinfo, JERR_FILE_READ);
  if (n <= 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A cut file ends with a fake end-of-image marker: the library then finishes the picture itself.
    reinterpret_cast<ErrorMgr*>(cinfo->err)->dataEnded = true;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
    src->eofInserted = true;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = size_t(n);
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<SourceMgr*>(cinfo->src);
  if (count <= 0) return;
  while (count > long(src->pub.bytes_in_buffer)) {
    count -= long(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

struct DestMgr {
  jpeg_destination_mgr pub;
  TOXStream* stream = nullptr;
  JOCTET* buffer = nullptr;
  TProgressRec* progress = nullptr;
  std::exception_ptr streamError;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kBufferSize;
}

// Writes n bytes; a short write sets Aborted, which stops the row loop.
void Flush(j_compress_ptr cinfo, size_t n) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  if (n == 0) return;
  const int64_t written = WriteCaptured(*dest->stream, dest->buffer, int64_t(n), dest->streamError);
  if (dest->streamError) ERREXIT(cinfo, JERR_FILE_WRITE);
  if (written != int64_t(n)) FailOutput(*dest->progress, "JPEG: the output took fewer bytes than were written");
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  Flush(cinfo, kBufferSize);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  Flush(cinfo, kBufferSize - dest->pub.free_in_buffer);
}

J_DCT_METHOD DctMethod(int method) {
  switch (method) {
    case 1: return JDCT_IFAST;
    case 2: return JDCT_FLOAT;
    default: return JDCT_ISLOW;
  }
}

// Everything the reader keeps across library calls lives here, outside the frames a longjmp unwinds.
struct Decoder {
  jpeg_decompress_struct cinfo{};
  ErrorMgr err{};
  SourceMgr src;
  std::vector<JOCTET> input = std::vector<JOCTET>(kBufferSize);
  std::vector<uint8_t> rowBuffer;
  std::vector<JSAMPROW> rows;
  bool created = false;

  ~Decoder() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

struct Encoder {
  jpeg_compress_struct cinfo{};
  ErrorMgr err{};
  DestMgr dest;
  std::vector<JOCTET> output = std::vector<JOCTET>(kBufferSize);
  std::vector<uint8_t> rowBuffer;
  bool created = false;

  ~Encoder() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

// Saved markers in file order; the leading APP0 is the JFIF header the writer regenerates.
void RebuildMarkers(jpeg_decompress_struct& cinfo, TOXMarkerList& markers) {
  markers.Clear();
  bool first = true;
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
    if (!(first && m->marker == JPEG_APP0)) markers.Add(m->marker, m->data, m->data_length);
    first = false;
  }
}

bool StartsWith(std::span<const uint8_t> data, const char* text, size_t n) {
  return data.size() >= n && std::memcmp(data.data(), text, n) == 0;
}

// C, M, Y, K as stored (inverted ink) to blue, green, red.
void CmykRowToBgr(const uint8_t* src, uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    const unsigned k = src[3];
    dst[0] = uint8_t(src[2] * k / 255);
    dst[1] = uint8_t(src[1] * k / 255);
    dst[2] = uint8_t(src[0] * k / 255);
  }
}

void GrayRowToBgr(const uint8_t* src, uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = src[x];
}

void BgrRowToCmyk(const uint8_t* src, uint8_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 3, dst += 4) {
    const unsigned b = src[0], g = src[1], r = src[2];
    unsigned m = std::max({r, g, b});
    if (m == 0) m = 1;
    dst[0] = uint8_t(r * 255 / m);
    dst[1] = uint8_t(g * 255 / m);
    dst[2] = uint8_t(b * 255 / m);
    dst[3] = uint8_t(m);
  }
}

// Luma sampling factors of a colour file against its chroma; the defaults when the file has no such pair.
void ReadSampling(const jpeg_decompress_struct& cinfo, TIOParamsVals& params) {
  params.JpegSamplingX = params.JpegSamplingY = 2;
  const bool ycc = cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_YCCK;
  if (!ycc || cinfo.num_components < 3 || !cinfo.comp_info) return;
  const jpeg_component_info& y = cinfo.comp_info[0];
  const jpeg_component_info& c = cinfo.comp_info[1];
  if (c.h_samp_factor < 1 || c.v_samp_factor < 1 || y.h_samp_factor % c.h_samp_factor != 0 ||
      y.v_samp_factor % c.v_samp_factor != 0)
    return;
  params.JpegSamplingX = y.h_samp_factor / c.h_samp_factor;
  params.JpegSamplingY = y.v_samp_factor / c.v_samp_factor;
}

// The quality the file's tables were made with, so that saving it again keeps it.
void ReadQuality(const jpeg_decompress_struct& cinfo, TIOParamsVals& params) {
  if (!cinfo.comp_info || cinfo.num_components < 1) return;
  const int lumaNo = cinfo.comp_info[0].quant_tbl_no;
  const JQUANT_TBL* luma = lumaNo >= 0 && lumaNo < NUM_QUANT_TBLS ? cinfo.quant_tbl_ptrs[lumaNo] : nullptr;
  if (!luma) return;
  const JQUANT_TBL* chroma = nullptr;
  if (cinfo.num_components >= 3) {
    const int no = cinfo.comp_info[1].quant_tbl_no;
    if (no != lumaNo && no >= 0 && no < NUM_QUANT_TBLS) chroma = cinfo.quant_tbl_ptrs[no];
  }
  params.JpegQuality = EstimateJpegQuality(luma->quantval, chroma ? chroma->quantval : nullptr);
}

// Sampling of the luma (and K) component for YCbCr and YCCK files; chroma stays 1 x 1.
void WriteSampling(jpeg_compress_struct& cinfo, const TIOParamsVals& params) {
  if (cinfo.jpeg_color_space != JCS_YCbCr && cinfo.jpeg_color_space != JCS_YCCK) return;
  const int sx = params.JpegSamplingX, sy = params.JpegSamplingY;
  // The library takes factors 1..4 and at most 10 blocks per MCU (8 + the two chroma ones).
  if (sx < 1 || sy < 1 || sx > 4 || sy > 4 || sx * sy > 8) return;
  cinfo.comp_info[0].h_samp_factor = sx;
  cinfo.comp_info[0].v_samp_factor = sy;
  if (cinfo.jpeg_color_space == JCS_YCCK) {
    cinfo.comp_info[3].h_samp_factor = sx;
    cinfo.comp_info[3].v_samp_factor = sy;
  }
}

int ScaleDenominator(const jpeg_decompress_struct& cinfo, const TIOParamsVals& params) {
  switch (params.JpegScaleMode) {
    case 2: return 2;
    case 3: return 4;
    case 4: return 8;
    case 0:
      if (params.Width > 0 && params.Height > 0) {
        for (int d : {8, 4, 2})
          if (double(cinfo.image_width) / d >= params.Width && double(cinfo.image_height) / d >= params.Height)
            return d;
      }
      return 1;
    default: return 1;
  }
}

}  // namespace

int64_t JpegFindSOI(TOXStream& stream) {
  const int64_t start = stream.Position();
  uint8_t buf[102];
  const int64_t n = stream.Read(buf, sizeof buf);
  stream.SetPosition(start);
  for (int64_t p = 0; p < 100 && p + 2 < n; ++p)
    if (buf[p] == 0xFF && buf[p + 1] == 0xD8 && buf[p + 2] == 0xFF) return start + p;
  return -1;
}

namespace {

// The library's decoder over the stream, up to its header; false when the header cannot be read.
bool StartJpegDecoder(Decoder& d, TOXStream& stream) {
  jpeg_decompress_struct& cinfo = d.cinfo;
  InitErrorMgr(d.err);
  cinfo.err = &d.err.pub;
  d.src.stream = &stream;
  d.src.buffer = d.input.data();
  d.src.pub.init_source = InitSource;
  d.src.pub.fill_input_buffer = FillInputBuffer;
  d.src.pub.skip_input_data = SkipInputData;
  d.src.pub.resync_to_restart = jpeg_resync_to_restart;
  d.src.pub.term_source = TermSource;

  d.created = true;
  return JpegCall(d.err, [&] {
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = long(gfx::kMaxImageBytes);
    cinfo.src = &d.src.pub;
    jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&cinfo, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
  });
}

// The parameters the header gives, the output colour space and scale; false when the output size is unusable.
bool ReadJpegParams(Decoder& d, TIOParamsVals& params) {
  jpeg_decompress_struct& cinfo = d.cinfo;
  // The file's colour space, its number in the parameters, what the library delivers, and the samples.
  struct TSpace {
    J_COLOR_SPACE file;
    int number;
    J_COLOR_SPACE out;
    int samples;
  };
  static constexpr TSpace kSpaces[] = {{JCS_GRAYSCALE, 1, JCS_EXT_BGR, 1},
                                       {JCS_RGB, 0, JCS_EXT_BGR, 3},
                                       {JCS_YCbCr, 2, JCS_EXT_BGR, 3},
                                       {JCS_CMYK, 3, JCS_CMYK, 4},
                                       {JCS_YCCK, 4, JCS_CMYK, 4}};
  params.BitsPerSample = 8;
  for (const TSpace& space : kSpaces)
    if (space.file == cinfo.jpeg_color_space) {
      params.JpegColorSpace = space.number;
      cinfo.out_color_space = space.out;
      params.SamplesPerPixel = space.samples;
    }
  cinfo.dct_method = DctMethod(params.JpegDctMethod);
  ReadQuality(cinfo, params);
  ReadSampling(cinfo, params);
  if (cinfo.density_unit == 2) {
    params.DpiX = int(cinfo.X_density * 2.54);
    params.DpiY = int(cinfo.Y_density * 2.54);
  } else {
    params.DpiX = cinfo.X_density;
    params.DpiY = cinfo.Y_density;
  }
  params.FreeColorMap();
  params.JpegProgressive = cinfo.progressive_mode != 0;
  const int denom = ScaleDenominator(cinfo, params);
  cinfo.scale_num = 1;
  cinfo.scale_denom = unsigned(denom);
  params.JpegScaleDenominator = denom;
  if (!JpegCall(d.err, [&] { jpeg_calc_output_dimensions(&cinfo); })) return false;
  const int comps = cinfo.output_components;
  return (comps == 1 || comps == 3 || comps == 4) && gfx::ImageSizeAllowed(cinfo.output_width, cinfo.output_height, 24);
}

// The rows into dib; false when the library fails. complete says whether every row came, without a gap.
bool DecodeJpegRows(Decoder& d, gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress, bool& complete) {
  jpeg_decompress_struct& cinfo = d.cinfo;
  if (!JpegCall(d.err, [&] { jpeg_start_decompress(&cinfo); })) return false;
  const int width = int(cinfo.output_width), height = int(cinfo.output_height);
  const int comps = cinfo.output_components;
  params.Width = width;
  params.Height = height;
  PrepareDib(dib, width, height, gfx::TPixelFormat::pf24bit);
  const bool direct = comps == 3;
  const int batch = std::max(1, cinfo.rec_outbuf_height);
  const size_t rowBytes = size_t(width) * size_t(comps);
  if (!direct) d.rowBuffer.resize(rowBytes * size_t(batch));
  d.rows.resize(size_t(batch));
  progress.StartPicture(height);
  int done = 0;
  bool ok = true;
  while (done < height && !progress.IsAborted()) {
    const int n = std::min(batch, height - done);
    for (int i = 0; i < n; ++i)
      d.rows[size_t(i)] = direct ? dib.ScanLine(done + i) : d.rowBuffer.data() + rowBytes * size_t(i);
    JDIMENSION got = 0;
    ok = JpegCall(d.err, [&] { got = jpeg_read_scanlines(&cinfo, d.rows.data(), JDIMENSION(n)); });
    if (!ok || got == 0) break;
    if (!direct)
      for (int i = 0; i < int(got); ++i) {
        if (comps == 4) CmykRowToBgr(d.rows[size_t(i)], dib.ScanLine(done + i), width);
        else GrayRowToBgr(d.rows[size_t(i)], dib.ScanLine(done + i), width);
      }
    done += int(got);
    progress.Val = done;
    progress.Delivered(done);
    progress.Report(int(done * progress.Per1));
  }
  const int64_t gap = d.err.rowsBeforeGap;
  complete = ok && done == height && (gap < 0 || gap >= height);
  if (ok && gap >= 0 && gap < height) {
    progress.Delivered(gap);
    progress.EndOfData();
  } else if (!complete) {
    FailDamaged(progress, "JPEG: " + LibraryMessage(cinfo, "the picture ends before its last row"));
  }
  return ok;
}

}  // namespace

void ReadJpegStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly,
                    TProgressRec& progress) {
  params.JpegWarningCount = 0;
  params.JpegLastMessage = 0;
  const int64_t soi = JpegFindSOI(stream);
  if (soi < 0) {
    FailDamaged(progress, "JPEG: no start-of-image marker in the first bytes");
    return;
  }
  stream.SetPosition(soi);
  if (!dib) paramsOnly = true;

  auto d = std::make_unique<Decoder>();
  jpeg_decompress_struct& cinfo = d->cinfo;
  bool ok = StartJpegDecoder(*d, stream) && ReadJpegParams(*d, params);
  bool complete = false;
  // Parameters only: the output size is known without starting, which would read a progressive file whole.
  if (ok && paramsOnly) {
    params.Width = int(cinfo.output_width);
    params.Height = int(cinfo.output_height);
  } else if (ok) {
    ok = DecodeJpegRows(*d, *dib, params, progress, complete);
  }
  if (!ok) FailDamaged(progress, "JPEG: " + LibraryMessage(cinfo, "the data cannot be decoded"));

  RebuildMarkers(cinfo, params.JpegMarkers);
  if (complete && JpegCall(d->err, [&] { jpeg_finish_decompress(&cinfo); }) && !d->src.eofInserted &&
      d->src.pub.bytes_in_buffer > 0)
    stream.Seek(-int64_t(d->src.pub.bytes_in_buffer), soCurrent);  // leave the stream after the picture
  if (d->err.pub.num_warnings > 0) {
    params.JpegWarningCount = int(d->err.pub.num_warnings);
    params.JpegLastMessage = d->err.pub.last_jpeg_message;
  }
  std::exception_ptr streamError = d->src.streamError;
  d.reset();
  if (streamError) std::rethrow_exception(streamError);
}

void WriteJpegStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress) {
  gfx::TDib holder;
  const gfx::TDib* source = &dib;
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) {
    holder = dib;
    holder.SetPixelFormat(gfx::TPixelFormat::pf24bit);
    source = &holder;
  }
  // The library would fail half-way through the file on an over-long block: refuse before writing.
  for (int i = 0; i < params.JpegMarkers.Count(); ++i)
    if (params.JpegMarkers.MarkerData(i).size() > kMaxMarkerData) {
      FailUnsupported(progress, "JPEG: marker " + std::to_string(i + 1) + " holds more than one marker can carry");
      return;
    }

  auto e = std::make_unique<Encoder>();
  jpeg_compress_struct& cinfo = e->cinfo;
  InitErrorMgr(e->err);
  cinfo.err = &e->err.pub;
  e->dest.stream = &stream;
  e->dest.buffer = e->output.data();
  e->dest.progress = &progress;
  e->dest.pub.init_destination = InitDestination;
  e->dest.pub.empty_output_buffer = EmptyOutputBuffer;
  e->dest.pub.term_destination = TermDestination;

  const int width = source->Width(), height = source->Height();
  const bool cmyk = params.JpegColorSpace == 3 || params.JpegColorSpace == 4;
  e->created = true;
  bool ok = JpegCall(e->err, [&] {
    jpeg_create_compress(&cinfo);
    cinfo.dest = &e->dest.pub;
  });
  if (ok && !progress.IsAborted()) {
    ok = JpegCall(e->err, [&] {
      cinfo.image_width = JDIMENSION(std::max(width, 0));
      cinfo.image_height = JDIMENSION(std::max(height, 0));
      cinfo.input_components = cmyk ? 4 : 3;
      cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
      jpeg_set_defaults(&cinfo);
      switch (params.JpegColorSpace) {
        case 1: jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE); break;
        case 2: jpeg_set_colorspace(&cinfo, JCS_YCbCr); break;
        case 3: jpeg_set_colorspace(&cinfo, JCS_CMYK); break;
        case 4: jpeg_set_colorspace(&cinfo, JCS_YCCK); break;
        default: jpeg_set_colorspace(&cinfo, JCS_RGB); break;
      }
      WriteSampling(cinfo, params);
      cinfo.density_unit = 1;
      cinfo.X_density = UINT16(std::clamp(params.DpiX ? params.DpiX : params.ScreenDpiX, 1, 65535));
      cinfo.Y_density = UINT16(std::clamp(params.DpiY ? params.DpiY : params.ScreenDpiY, 1, 65535));
      cinfo.dct_method = DctMethod(params.JpegDctMethod);
      cinfo.optimize_coding = params.JpegOptimizeCoding ? TRUE : FALSE;
      cinfo.smoothing_factor = std::clamp(params.JpegSmoothing, 0, 100);
      jpeg_set_quality(&cinfo, std::clamp(params.JpegQuality, 1, 100), TRUE);
      if (params.JpegProgressive) jpeg_simple_progression(&cinfo);
      jpeg_start_compress(&cinfo, TRUE);
      for (int i = 0; i < params.JpegMarkers.Count(); ++i) {
        const uint8_t type = params.JpegMarkers.MarkerType(i);
        const auto data = params.JpegMarkers.MarkerData(i);
        // The library writes its own JFIF and Adobe headers for the colour space it encodes.
        if (type == JPEG_APP0 + 14 && StartsWith(data, "Adobe", 5)) continue;
        if (type == JPEG_APP0 && cinfo.write_JFIF_header && StartsWith(data, "JFIF", 5)) continue;
        jpeg_write_marker(&cinfo, type, data.data(), unsigned(data.size()));
      }
    });
    if (ok) {
      if (cmyk) e->rowBuffer.resize(size_t(width) * 4);
      progress.SetRows(height);
      for (int y = 0; y < height && !progress.IsAborted(); ++y) {
        JSAMPROW row;
        if (cmyk) {
          BgrRowToCmyk(source->ScanLine(y), e->rowBuffer.data(), width);
          row = e->rowBuffer.data();
        } else {
          row = const_cast<JSAMPROW>(source->ScanLine(y));
        }
        ok = JpegCall(e->err, [&] { jpeg_write_scanlines(&cinfo, &row, 1); });
        if (!ok) break;
        progress.Val = y + 1;
        progress.Report(int((y + 1) * progress.Per1));
      }
      if (ok && !progress.IsAborted()) ok = JpegCall(e->err, [&] { jpeg_finish_compress(&cinfo); });
    }
  }
  std::exception_ptr streamError = e->dest.streamError;
  e.reset();
  if (!ok) {
    FailOutput(progress, "JPEG: the picture could not be encoded");
    if (streamError) std::rethrow_exception(streamError);
    throw EOXJpegException();
  }
}

void JpegReadMetadata(TIOParamsVals& params) {
  const TOXMarkerList& markers = params.JpegMarkers;
  const int iptc = markers.IndexOfType(0xED);
  if (iptc >= 0) {
    const auto data = markers.MarkerData(iptc);
    params.IptcRecords.LoadFromBuffer(data.data(), data.size());
  }
  bool exif = false;
  for (int i = 0; i < markers.Count(); ++i) {
    const auto data = markers.MarkerData(i);
    if (markers.MarkerType(i) == 0xE1 && data.size() >= 6 && StartsWith(data, "Exif", 5)) {
      exif = ReadExifData(data.data() + 6, data.size() - 6, params);
      break;
    }
  }
  if (exif && params.DpiX == 1 && params.DpiY == 1) {
    const double f = params.ExifResolutionUnit == 3 ? 2.54 : 1.0;
    params.DpiX = TruncToInt(params.ExifXResolution * f);
    params.DpiY = TruncToInt(params.ExifYResolution * f);
  }
}

}  // namespace ox
