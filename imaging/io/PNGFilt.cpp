// PNG codec on libpng 1.6 and zlib: stream read/write routines, transformations, alpha, background, palette.
#include "imaging/io/PNGFilt.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <png.h>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxlibcall.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/model/DibInfo.h"
#include "imaging/model/OrvexError.h"
#include "imaging/model/Rounding.h"
#include "imaging/proc/oxquantize.h"
#include "platform/gfx/Gray.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

// libpng reports errors by longjmp back to the innermost PngCall; the frames it unwinds hold nothing
// that needs a destructor.
// The error pointer is a string that keeps the library's text for the failure reason.
[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  if (auto* text = static_cast<std::string*>(png_get_error_ptr(png)); text && text->empty() && message) *text = message;
  png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

template <class F>
bool PngCall(png_structp png, F&& f) {
  if (setjmp(png_jmpbuf(png))) return false;
  f();
  return true;
}

// Reader state; it outlives every library call, so a longjmp never skips its destructor.
struct Reader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  TOXStream* stream = nullptr;
  std::exception_ptr streamError;
  // Raw bKGD payload, read by us so that the old x 256 form is not thrown away by the library.
  uint8_t bkgd[6] = {};
  size_t bkgdSize = 0;
  bool hasBkgd = false;
  std::vector<uint8_t> pixels;  // one row, or every row of an interlaced picture that needs conversion
  bool dataEnded = false;       // the stream had fewer bytes than the library asked for
  std::string message;          // the library's text for its error
  ~Reader() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

void ReadData(png_structp png, png_bytep data, size_t length) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  const int64_t n = ReadCaptured(*r->stream, data, int64_t(length), r->streamError);
  if (n != int64_t(length)) {
    r->dataEnded = !r->streamError;
    png_error(png, "Read error");
  }
}

constexpr png_alloc_size_t kMaxPngChunkBytes = png_alloc_size_t(16) << 20;

int ReadChunk(png_structp png, png_unknown_chunkp chunk) {
  auto* r = static_cast<Reader*>(png_get_user_chunk_ptr(png));
  if (std::memcmp(chunk->name, "bKGD", 4) != 0) return 0;
  r->bkgdSize = std::min(chunk->size, sizeof r->bkgd);
  // An empty chunk comes with no data pointer at all.
  if (r->bkgdSize > 0) std::memcpy(r->bkgd, chunk->data, r->bkgdSize);
  r->hasBkgd = true;
  return 1;
}

struct Writer {
  png_structp png = nullptr;
  png_infop info = nullptr;
  TOXStream* stream = nullptr;
  TProgressRec* progress = nullptr;
  std::exception_ptr streamError;
  std::vector<uint8_t> row;
  std::vector<uint8_t> indexes;
  std::string message;  // the library's text for its error
  ~Writer() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

void WriteData(png_structp png, png_bytep data, size_t length) {
  auto* w = static_cast<Writer*>(png_get_io_ptr(png));
  const int64_t n = WriteCaptured(*w->stream, data, int64_t(length), w->streamError);
  if (w->streamError) png_error(png, "Write error");
  if (n != int64_t(length)) FailOutput(*w->progress, "PNG: the output took fewer bytes than were written");
}

void FlushData(png_structp) {}

// A background sample in the file's bit depth as 8 bits. Samples above the depth's maximum are the
// x 256 form older files of this system carry.
uint8_t BackgroundSample(unsigned v, int bitDepth) {
  const unsigned max = (1u << bitDepth) - 1;
  if (v > max) return uint8_t(std::min(v >> 8, 255u));
  if (bitDepth == 16) return uint8_t(v >> 8);
  return uint8_t(v * 255 / max);
}

// The file's background as blue, green, red, or false when it has none we can use.
bool FileBackground(const Reader& r, int colorType, int bitDepth, TOXRGB& out) {
  if (!r.hasBkgd) return false;
  auto u16 = [&](size_t i) { return unsigned(r.bkgd[i]) << 8 | r.bkgd[i + 1]; };
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    int count = 0;
    if (r.bkgdSize < 1 || !png_get_PLTE(r.png, r.info, &palette, &count) || r.bkgd[0] >= count) return false;
    out = {palette[r.bkgd[0]].red, palette[r.bkgd[0]].green, palette[r.bkgd[0]].blue};
    return true;
  }
  if (colorType & PNG_COLOR_MASK_COLOR) {
    if (r.bkgdSize < 6) return false;
    out = {BackgroundSample(u16(0), bitDepth), BackgroundSample(u16(2), bitDepth), BackgroundSample(u16(4), bitDepth)};
    return true;
  }
  if (r.bkgdSize < 2) return false;
  const uint8_t g = BackgroundSample(u16(0), bitDepth);
  out = {g, g, g};
  return true;
}

// Blue, green, red, alpha rows into the DIB and the mask, or composed over the background.
void ConvertRow(const uint8_t* src, int width, uint8_t* dst, uint8_t* alpha, const TOXRGB& bg) {
  if (alpha) {
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = src[0], dst[1] = src[1], dst[2] = src[2];
      alpha[x] = src[3];
    }
    return;
  }
  const unsigned bb = bg.b, bgc = bg.g, br = bg.r;
  for (int x = 0; x < width; ++x, src += 4, dst += 3) {
    const unsigned a = src[3], na = 255 - a;
    dst[0] = uint8_t((src[0] * a + bb * na + 127) / 255);
    dst[1] = uint8_t((src[1] * a + bgc * na + 127) / 255);
    dst[2] = uint8_t((src[2] * a + br * na + 127) / 255);
  }
}

// The DIB as a w x h picture of the given format, kept as it is when it already is one: the decoder
// overwrites every pixel.
int DpiFromPpm(png_uint_32 ppm, int screen) {
  return DpiOfPelsPerMeter(int32_t(std::min<png_uint_32>(ppm, INT32_MAX)), screen);
}

png_uint_32 PpmFromDpi(int dpi) { return png_uint_32(std::max<int64_t>(0, Round(dpi * 100 / 2.54))); }

// The picture's own (colour, alpha) pairs when there are at most `limit`: entries that are not fully opaque
// come first, so that tRNS lists only them; one index per pixel, rows from the top. False when there are more.
bool OwnPalette(const gfx::TDib& src24, const TOXMask* alpha, int limit, std::vector<gfx::TRGB>& colours,
                std::vector<png_byte>& alphas, std::vector<uint8_t>& indexes) {
  const int w = src24.Width(), h = src24.Height();
  auto key = [&](int x, int y) {
    const uint8_t* p = src24.ScanLine(y) + 3 * x;
    const uint64_t a = alpha ? alpha->Row(y)[x] : 255;
    return (uint64_t(a == 255) << 32) | (a << 24) | (uint64_t(p[2]) << 16) | (uint64_t(p[1]) << 8) | p[0];
  };
  std::map<uint64_t, int> entries;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (entries.emplace(key(x, y), 0).second && int(entries.size()) > limit) return false;
  colours.clear();
  alphas.clear();
  for (auto& [k, index] : entries) {
    index = int(colours.size());
    colours.push_back(gfx::TRGB{uint8_t(k >> 16), uint8_t(k >> 8), uint8_t(k)});
    if (uint8_t(k >> 24) != 255) alphas.push_back(png_byte(k >> 24));
  }
  indexes.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) indexes[size_t(y) * size_t(w) + size_t(x)] = uint8_t(entries[key(x, y)]);
  return true;
}

}  // namespace

bool IsPNGStream(TOXStream& stream) {
  const int64_t start = stream.Position();
  png_byte sig[8];
  const int64_t n = stream.Read(sig, 8);
  stream.SetPosition(start);
  return n == 8 && png_sig_cmp(sig, 0, 8) == 0;
}

namespace {

// The picture as the header describes it and as the transformations deliver its rows.
struct TPngLayout {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0, passes = 1;
  size_t rowBytes = 0;
  int channels = 0;
};

// Up to the header; false when it cannot be read or describes a picture too large.
bool ReadPngInfo(Reader& r, TPngLayout& l) {
  png_structp png = r.png;
  return PngCall(png, [&] {
    png_set_read_fn(png, &r, ReadData);
    // libpng buffers a whole ancillary chunk at its declared length before reading it, and a length above its
    // limit is only a warning: a short file declaring a 2 GB text chunk had it allocated and cleared. The
    // chunks this reader never uses are skipped unread; unknown ones are held only up to a bound.
    png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
    static const png_byte kUnused[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0hIST\0pCAL\0sCAL\0tIME\0oFFs\0sTER\0cHRM\0gAMA\0sBIT\0sRGB";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, int(sizeof kUnused / 5));
    static const png_byte kBkgd[] = {'b', 'K', 'G', 'D', 0};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kBkgd, 1);
    png_set_read_user_chunk_fn(png, &r, ReadChunk);
    png_read_info(png, r.info);
    png_get_IHDR(png, r.info, &l.width, &l.height, &l.bitDepth, &l.colorType, &l.interlace, nullptr, nullptr);
  }) && gfx::ImageSizeAllowed(l.width, l.height, 24);
}

// The transformations to packed 1-bit rows or 8-bit BGR or BGRA; false when the rows would be anything else.
bool SetPngTransforms(Reader& r, TPngLayout& l) {
  png_structp png = r.png;
  png_infop info = r.info;
  const int bitDepth = l.bitDepth, colorType = l.colorType;
  const bool ok = PngCall(png, [&] {
    if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth >= 2) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth >= 2 && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    // Colour keys become alpha like an alpha channel; 1-bit pictures stay bilevel.
    if (bitDepth > 1 && png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (!(colorType & PNG_COLOR_MASK_COLOR) && bitDepth > 1) png_set_gray_to_rgb(png);
    if (bitDepth > 1) png_set_bgr(png);
    l.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    l.rowBytes = png_get_rowbytes(png, info);
    l.channels = png_get_channels(png, info);
  });
  if (!ok) return false;
  const bool bilevel = bitDepth == 1;
  const size_t expected = bilevel ? (size_t(l.width) + 7) / 8 : size_t(l.width) * size_t(l.channels);
  return (bilevel ? l.channels == 1 : (l.channels == 3 || l.channels == 4)) && l.rowBytes == expected;
}

// The parameters of the header; returns the number of palette entries.
int StorePngParams(const Reader& r, const TPngLayout& l, TIOParamsVals& params) {
  params.Width = int(l.width);
  params.Height = int(l.height);
  params.BitsPerSample = l.bitDepth;
  switch (l.colorType) {
    case PNG_COLOR_TYPE_RGB: params.SamplesPerPixel = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: params.SamplesPerPixel = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: params.SamplesPerPixel = 4; break;
    default: params.SamplesPerPixel = 1; break;
  }
  params.DpiX = DpiFromPpm(png_get_x_pixels_per_meter(r.png, r.info), params.ScreenDpiX);
  params.DpiY = DpiFromPpm(png_get_y_pixels_per_meter(r.png, r.info), params.ScreenDpiY);
  params.FreeColorMap();
  png_colorp palette = nullptr;
  int paletteCount = 0;
  if (l.colorType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(r.png, r.info, &palette, &paletteCount)) {
    std::vector<TOXRGB>& map = params.SetColorMapCount(paletteCount);
    for (int i = 0; i < paletteCount; ++i) map[size_t(i)] = {palette[i].red, palette[i].green, palette[i].blue};
  }
  params.PngInterlaced = l.interlace != PNG_INTERLACE_NONE;
  return paletteCount;
}

// The DIB in the rows' format, a two-colour picture with its palette, and the mask all opaque.
void PreparePngTarget(const TPngLayout& l, const TIOParamsVals& params, int paletteCount, gfx::TDib& dib,
                      TOXMask* mask) {
  const int w = int(l.width), h = int(l.height);
  const bool bilevel = l.bitDepth == 1;
  PrepareDib(dib, w, h, bilevel ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  // A two-colour palette picture keeps its colours; gray ones are black and white.
  if (bilevel && paletteCount >= 1)
    dib.SetPalette({params.ColorMap[0], paletteCount >= 2 ? params.ColorMap[1] : params.ColorMap[0]});
  else if (bilevel)
    dib.SetPalette({TOXRGB{0, 0, 0}, TOXRGB{255, 255, 255}});
  if (mask) {
    mask->Allocate(w, h, 8);
    mask->Fill(255);
    if (l.channels == 4) mask->Full = false;
  }
}

// The rows of every pass; direct rows land in the DIB, the others go through r.pixels (all of them when whole).
// False when the library fails.
bool ReadPngRows(Reader& r, const TPngLayout& l, bool direct, bool whole, gfx::TDib& dib, TOXMask* mask,
                 const TOXRGB& background, TProgressRec& progress) {
  png_structp png = r.png;
  const int w = int(l.width), h = int(l.height), passes = l.passes;
  const size_t rowBytes = l.rowBytes;
  bool ok = true;
  progress.StartPicture(h);
  progress.SetRows(int64_t(h) * passes);
  for (int pass = 0; pass < passes && ok && !progress.IsAborted(); ++pass) {
    for (int y = 0; y < h && !progress.IsAborted(); ++y) {
      png_bytep row = direct ? dib.ScanLine(y) : r.pixels.data() + (whole ? rowBytes * size_t(y) : 0);
      ok = PngCall(png, [&] { png_read_row(png, row, nullptr); });
      if (!ok) break;
      if (!direct && !whole) ConvertRow(row, w, dib.ScanLine(y), mask ? mask->Row(y) : nullptr, background);
      progress.Step();
      // Rows of an interlaced picture are whole only once its last pass has passed them.
      progress.Delivered(pass == passes - 1 ? y + 1 : 0);
    }
  }
  const int64_t rows = progress.RowsDelivered;
  if (whole)
    for (int y = 0; y < rows; ++y)
      ConvertRow(r.pixels.data() + rowBytes * size_t(y), w, dib.ScanLine(y), mask ? mask->Row(y) : nullptr,
                 background);
  return ok;
}

}  // namespace

void ReadPNGStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* mask, bool paramsOnly,
                   TProgressRec& progress) {
  if (!dib) paramsOnly = true;
  auto r = std::make_unique<Reader>();
  r->stream = &stream;
  r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r->message, PngError, PngWarning);
  if (r->png) r->info = png_create_info_struct(r->png);
  if (!r->png || !r->info) {
    FailUnsupported(progress, "PNG: the library could not be set up");
    return;
  }
  png_structp png = r->png;
  TPngLayout l;
  bool ok = ReadPngInfo(*r, l);
  TOXRGB background = params.PngBackground;
  if (ok) {
    if (!mask && FileBackground(*r, l.colorType, l.bitDepth, background)) params.PngBackground = background;
    ok = SetPngTransforms(*r, l);
  }
  if (!ok) {
    FailDamaged(progress, "PNG: " + (r->message.empty() ? std::string("the header cannot be read") : r->message));
    return;
  }
  const int paletteCount = StorePngParams(*r, l, params);
  if (paramsOnly) return;

  PreparePngTarget(l, params, paletteCount, *dib, mask);
  // Three-channel and bilevel rows land in the DIB itself, which also keeps earlier passes of an
  // interlaced picture. Four-channel rows go through a buffer: the whole picture when interlaced.
  const int h = int(l.height);
  const bool direct = l.channels != 4 && int64_t(l.rowBytes) <= dib->RowLength();
  const bool whole = !direct && l.passes > 1;
  if (!direct) {
    if (whole && int64_t(l.rowBytes) > gfx::kMaxImageBytes / h) {
      FailUnsupported(progress, "PNG: an interlaced picture this large is not supported");
      return;
    }
    r->pixels.assign(l.rowBytes * (whole ? size_t(h) : 1), 0);
  }
  ok = ReadPngRows(*r, l, direct, whole, *dib, mask, background, progress);
  // Every row is there: a file that ends before its end chunk is whole.
  if (ok && !progress.IsAborted() && !PngCall(png, [&] { png_read_end(png, nullptr); }) && !r->dataEnded)
    ok = false;
  if (!ok && r->dataEnded) progress.EndOfData();
  else if (!ok) FailDamaged(progress, "PNG: " + (r->message.empty() ? std::string("the data cannot be decoded") : r->message));
  std::exception_ptr streamError = r->streamError;
  r.reset();
  if (streamError) std::rethrow_exception(streamError);
}

namespace {

// How the picture goes out: colour type and depth, and the palette with its alphas when it has one.
struct TPngPlan {
  int colorType = PNG_COLOR_TYPE_RGB, depth = 8;
  bool twoColours = false, ownPalette = false;
  std::vector<png_color> plte;
  std::vector<gfx::TRGB> own;
  std::vector<png_byte> trns;
  std::unique_ptr<TOXQuantizer> quantizer;
};

// Palette: the picture's own colours and alphas when they fit; else entry 0 is the background (and the
// transparent entry) and the quantizer's colours follow. One index per pixel goes into indexes.
void PlanPngPalette(TPngPlan& p, const gfx::TDib& source, const TOXMask* alphaMask, const TIOParamsVals& params,
                    std::vector<uint8_t>& indexes) {
  const int w = source.Width(), h = source.Height();
  const int bits = std::clamp(params.BitsPerSample, 1, 8);
  if (!gfx::ImageSizeAllowed(w, h, 8)) throw EOrvexError(kPngErrorMessage);
  p.ownPalette = OwnPalette(source, alphaMask, 1 << bits, p.own, p.trns, indexes);
  if (p.ownPalette && p.trns.empty() && GrayPalette(p.own, 8)) {
    // A gray palette goes out as gray samples, in the requested depth when its levels allow.
    p.depth = (bits == 2 || bits == 4) && GrayPalette(p.own, bits) ? bits : 8;
    p.colorType = PNG_COLOR_TYPE_GRAY;
    for (uint8_t& v : indexes) v = uint8_t(GraySample(p.own[v].r, p.depth));
    return;
  }
  if (p.ownPalette) {
    for (const gfx::TRGB& c : p.own) p.plte.push_back({c.r, c.g, c.b});
    return;
  }
  const int colours = std::min(1 << bits, 255);
  std::vector<gfx::TRGB> pal;
  p.quantizer = std::make_unique<TOXQuantizer>(source, -1, colours, pal);
  p.plte.resize(size_t(std::min((1 << bits) + 1, 256)));
  p.plte[0] = {params.PngBackground.r, params.PngBackground.g, params.PngBackground.b};
  for (size_t i = 1; i < p.plte.size() && i - 1 < pal.size(); ++i) p.plte[i] = {pal[i - 1].r, pal[i - 1].g, pal[i - 1].b};
  if (alphaMask) p.trns = {0};
  indexes.resize(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = source.ScanLine(y);
    const uint8_t* m = alphaMask ? alphaMask->Row(y) : nullptr;
    uint8_t* d = indexes.data() + size_t(y) * size_t(w);
    for (int x = 0; x < w; ++x, s += 3)
      d[x] = (m && m[x] < kHalfOpaque) ? 0 : uint8_t(p.quantizer->IndexOf(gfx::TRGB{s[2], s[1], s[0]}) + 1);
  }
}

// The background in the image's own terms: a palette index, or samples in its bit depth.
png_color_16 PngBackgroundChunk(const TPngPlan& p, const TIOParamsVals& params,
                                const std::vector<gfx::TRGB>& sourcePalette) {
  png_color_16 bkgd{};
  const TOXRGB& bg = params.PngBackground;
  if (p.twoColours) {
    bkgd.index = gfx::TRGB{bg.r, bg.g, bg.b} == sourcePalette[1] ? 1 : 0;
  } else if (p.colorType == PNG_COLOR_TYPE_PALETTE && p.ownPalette) {
    bkgd.index = png_byte(NearestIndex(p.own.data(), int(p.own.size()), gfx::TRGB{bg.r, bg.g, bg.b}));
  } else if (p.colorType == PNG_COLOR_TYPE_PALETTE) {
    bkgd.index = png_byte(p.quantizer->IndexOf(bg) + 1);
  } else if (p.colorType == PNG_COLOR_TYPE_GRAY) {
    bkgd.gray = png_uint_16(gfx::GrayOf(bg.r, bg.g, bg.b) >> (8 - p.depth));
  } else {
    bkgd.red = bg.r, bkgd.green = bg.g, bkgd.blue = bg.b;
  }
  return bkgd;
}

// Header and ancillary chunks; passes receives the number of interlace passes. False when the library fails.
bool WritePngInfo(Writer& wr, const TPngPlan& p, const TIOParamsVals& params, int w, int h,
                  const std::vector<gfx::TRGB>& sourcePalette, int& passes) {
  png_structp png = wr.png;
  png_infop info = wr.info;
  const int colorType = p.colorType, depth = p.depth;
  const bool indexRows = !wr.indexes.empty();
  return PngCall(png, [&] {
    png_set_write_fn(png, &wr, WriteData, FlushData);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colorType,
                 params.PngInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_PLTE(png, info, p.plte.data(), int(p.plte.size()));
      if (!p.trns.empty()) png_set_tRNS(png, info, p.trns.data(), int(p.trns.size()), nullptr);
    }
    png_set_pHYs(png, info, PpmFromDpi(params.DpiX), PpmFromDpi(params.DpiY), PNG_RESOLUTION_METER);
    switch (params.PngFilter) {
      case 0: png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE); break;
      case 1: png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB); break;
      case 2: png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH); break;
      default: break;
    }
    const png_color_16 bkgd = PngBackgroundChunk(p, params, sourcePalette);
    png_set_bKGD(png, info, &bkgd);
    png_set_compression_level(png, std::clamp(params.PngCompressionLevel, 0, 9));
    if (colorType & PNG_COLOR_MASK_COLOR && colorType != PNG_COLOR_TYPE_PALETTE) png_set_bgr(png);
    png_write_info(png, info);
    if (depth < 8 && indexRows) png_set_packing(png);
    passes = png_set_interlace_handling(png);
  });
}

// The rows of every pass: indexes, BGR with the mask as alpha, or the source rows as they are.
bool WritePngRows(Writer& wr, int colorType, const gfx::TDib& source, const TOXMask* mask, int passes,
                  TProgressRec& progress) {
  const int w = source.Width(), h = source.Height();
  const bool indexRows = !wr.indexes.empty();
  bool ok = true;
  progress.SetRows(int64_t(h) * passes);
  for (int pass = 0; pass < passes && ok && !progress.IsAborted(); ++pass) {
    for (int y = 0; y < h && !progress.IsAborted(); ++y) {
      png_bytep row;
      if (indexRows) {
        row = wr.indexes.data() + size_t(y) * size_t(w);
      } else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
        const uint8_t* s = source.ScanLine(y);
        const uint8_t* m = mask->Row(y);
        uint8_t* d = wr.row.data();
        for (int x = 0; x < w; ++x, s += 3, d += 4) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = m[x];
        row = wr.row.data();
      } else {
        row = const_cast<png_bytep>(source.ScanLine(y));
      }
      ok = PngCall(wr.png, [&] { png_write_row(wr.png, row); });
      if (!ok) break;
      progress.Step();
    }
  }
  return ok;
}

}  // namespace

void WritePNGStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TOXMask* mask,
                    TProgressRec& progress) {
  auto wr = std::make_unique<Writer>();
  wr->stream = &stream;
  wr->progress = &progress;
  wr->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &wr->message, PngError, PngWarning);
  if (wr->png) wr->info = png_create_info_struct(wr->png);
  if (!wr->png || !wr->info) throw EOrvexError(kPngErrorMessage);

  // A 1-bit file needs a one-sample source; every other layout is written from 24-bit rows.
  gfx::TDib holder;
  const bool bilevelSource = params.BitsPerSample == 1 && params.SamplesPerPixel == 1;
  const gfx::TDib& source = bilevelSource ? PrepareSource1(dib, holder) : PrepareSource24(dib, holder);
  const int w = source.Width(), h = source.Height();
  const TOXMask* alphaMask = AlphaOf(mask, source);
  const bool alpha = alphaMask != nullptr;

  TPngPlan plan;
  if (params.SamplesPerPixel != 1) plan.colorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
  else if (!bilevelSource) plan.colorType = PNG_COLOR_TYPE_PALETTE;
  else plan.colorType = PNG_COLOR_TYPE_GRAY, plan.depth = 1;

  // Gray 1-bit means black for 0 and white for 1; any other two colours go out as a 1-bit palette.
  const std::vector<gfx::TRGB>& sourcePalette = source.Palette();
  plan.twoColours = plan.colorType == PNG_COLOR_TYPE_GRAY && sourcePalette.size() >= 2 &&
                    !(sourcePalette[0] == gfx::TRGB{0, 0, 0} && sourcePalette[1] == gfx::TRGB{255, 255, 255});
  if (plan.twoColours) {
    plan.colorType = PNG_COLOR_TYPE_PALETTE;
    for (size_t i = 0; i < 2; ++i) plan.plte.push_back({sourcePalette[i].r, sourcePalette[i].g, sourcePalette[i].b});
  }
  if (plan.colorType == PNG_COLOR_TYPE_PALETTE && !plan.twoColours)
    PlanPngPalette(plan, source, alphaMask, params, wr->indexes);
  if (plan.colorType == PNG_COLOR_TYPE_RGB_ALPHA) wr->row.resize(size_t(w) * 4);

  int passes = 1;
  bool ok = WritePngInfo(*wr, plan, params, w, h, sourcePalette, passes);
  ok = ok && WritePngRows(*wr, plan.colorType, source, mask, passes, progress);
  if (ok && !progress.IsAborted()) ok = PngCall(wr->png, [&] { png_write_end(wr->png, wr->info); });
  std::exception_ptr streamError = wr->streamError;
  const std::string message = wr->message;
  wr.reset();
  if (!ok) {
    FailOutput(progress, "PNG: " + (message.empty() ? std::string("the picture could not be encoded") : message));
    if (streamError) std::rethrow_exception(streamError);
    throw EOrvexError(kPngErrorMessage);
  }
}

}  // namespace ox
