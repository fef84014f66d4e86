// Parsing of the vantrel-convert command line.
#include "tools/convert/ConvertOptions.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace vc {

namespace {

int ParseInt(const std::string& option, const std::string& text, int lo, int hi) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
    throw std::invalid_argument(option + " expects a whole number from " + std::to_string(lo) + " to " +
                                std::to_string(hi) + ", not '" + text + "'");
  return v;
}

ox::TResampleFilter ParseFilter(const std::string& name) {
  static const struct { const char* name; ox::TResampleFilter f; } filters[] = {
      {"nearest", ox::rfNearest}, {"linear", ox::rfLinear},   {"fastlinear", ox::rfFastLinear},
      {"triangle", ox::rfTriangle}, {"hermite", ox::rfHermite}, {"bell", ox::rfBell},
      {"bspline", ox::rfBSpline}, {"lanczos3", ox::rfLanczos3}, {"mitchell", ox::rfMitchell},
  };
  for (const auto& f : filters)
    if (name == f.name) return f.f;
  throw std::invalid_argument("unknown resize filter '" + name + "'");
}

TStep ParseResize(const std::string& text) {
  TStep s{TStep::Resize};
  std::string size = text;
  if (size_t colon = text.find(':'); colon != std::string::npos) {
    s.filter = ParseFilter(text.substr(colon + 1));
    size = text.substr(0, colon);
  }
  size_t x = size.find('x');
  if (x == std::string::npos) throw std::invalid_argument("--resize expects WxH[:filter], not '" + text + "'");
  s.width = ParseInt("--resize", size.substr(0, x), 1, 1 << 20);
  s.height = ParseInt("--resize", size.substr(x + 1), 1, 1 << 20);
  return s;
}

}  // namespace

const char* UsageText() {
  return R"(Usage: vantrel-convert [OPTIONS] INPUT OUTPUT
       vantrel-convert --info INPUT

Converts INPUT to OUTPUT; the output format follows OUTPUT's extension (.bmp .pbm .pgm .ppm .pxm .pcx
.tga .gif .tif .jpg .png ...). The input format follows INPUT's extension, or its content when the
extension is unknown.

Reading:
  --page N            TIFF page to read, from 0
  --frame N           GIF frame to read, from 0
  --index N           icon or cursor image to read, from 0
  --scale 1|2|4|8     JPEG: decode at 1/1, 1/2, 1/4 or 1/8 size
  --square-pixels     resample a picture whose two resolutions differ (a 204 x 98 dpi fax) to
                      square pixels; by default the file's pixel size is kept
Writing:
  --quality Q         JPEG quality 1..100 (default: the input JPEG's own, else 50)
  --progressive       JPEG progressive file
  --compression NAME  TIFF: none, huffman, g3, g3-2d, g4, lzw, packbits
                      BMP, PCX, Targa: rle or none
  --interlaced        GIF and PNG interlacing
  --bits B            output depth: 1, 4, 8 (palette) or 24
  --bmp-version V     win3, os2v1 or os2v2
  --png-level L       PNG deflate level 0..9
Processing, applied in the order given:
  --resize WxH[:F]    resample to W x H; F = lanczos3 (default), mitchell, bspline, bell, hermite,
                      triangle, linear, fastlinear, nearest
  --rotate DEG        rotate counter-clockwise by DEG degrees (antialiased); 90, 180, 270 are exact
  --flip h|v          mirror horizontally or vertically
  --gray              gray levels
  --negative          negative
Other:
  --info              print what the file's header tells, without decoding the picture
  --help              show this text
  --version           show the version

Exit status: 0 success, 1 the input could not be read, 2 bad command line, 3 the output could not be
written.
)";
}

TOptions ParseOptions(const std::vector<std::string>& args) {
  TOptions o;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") o.help = true;
    else if (a == "--version") o.version = true;
    else if (a == "--info") o.info = true;
    else if (a == "--page") o.page = ParseInt(a, value(), 0, 65535);
    else if (a == "--frame") o.frame = ParseInt(a, value(), 0, 65535);
    else if (a == "--index") o.index = ParseInt(a, value(), 0, 65535);
    else if (a == "--scale") {
      int s = ParseInt(a, value(), 1, 8);
      if (s != 1 && s != 2 && s != 4 && s != 8) throw std::invalid_argument("--scale expects 1, 2, 4 or 8");
      o.scale = s;
    } else if (a == "--quality") o.quality = ParseInt(a, value(), 1, 100);
    else if (a == "--square-pixels") o.squarePixels = true;
    else if (a == "--progressive") o.progressive = true;
    else if (a == "--compression") o.compression = value();
    else if (a == "--interlaced") o.interlaced = true;
    else if (a == "--bits") {
      int b = ParseInt(a, value(), 1, 24);
      if (b != 1 && b != 4 && b != 8 && b != 24) throw std::invalid_argument("--bits expects 1, 4, 8 or 24");
      o.bits = b;
    } else if (a == "--bmp-version") o.bmpVersion = value();
    else if (a == "--png-level") o.pngLevel = ParseInt(a, value(), 0, 9);
    else if (a == "--resize") o.steps.push_back(ParseResize(value()));
    else if (a == "--rotate") {
      const std::string& v = value();
      char* end = nullptr;
      TStep s{TStep::Rotate};
      s.angle = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !(s.angle > -100000 && s.angle < 100000))
        throw std::invalid_argument("--rotate expects an angle in degrees, not '" + v + "'");
      o.steps.push_back(s);
    } else if (a == "--flip") {
      const std::string& v = value();
      if (v != "h" && v != "v") throw std::invalid_argument("--flip expects h or v");
      TStep s{TStep::Flip};
      s.horizontal = v == "h";
      o.steps.push_back(s);
    } else if (a == "--gray") o.steps.push_back(TStep{TStep::Gray});
    else if (a == "--negative") o.steps.push_back(TStep{TStep::Negative});
    else if (a.size() > 1 && a[0] == '-') throw std::invalid_argument("unknown option " + a);
    else files.push_back(a);
  }
  if (o.help || o.version) return o;
  if (o.info) {
    if (files.size() != 1) throw std::invalid_argument("--info takes exactly one file");
    o.input = files[0];
    return o;
  }
  if (files.size() != 2) throw std::invalid_argument("expected an INPUT and an OUTPUT file");
  o.input = files[0];
  o.output = files[1];
  return o;
}

void ApplyParams(const TOptions& o, ox::TIOParamsVals& p, const std::string& ext) {
  if (o.page) p.TiffImageIndex = *o.page;
  if (o.frame) p.GifImageIndex = *o.frame;
  if (o.index) p.IcoImageIndex = p.CurImageIndex = *o.index;
  if (o.scale) p.JpegScaleMode = uint8_t(*o.scale == 1 ? 1 : *o.scale == 2 ? 2 : *o.scale == 4 ? 3 : 4);
  if (o.quality) p.JpegQuality = *o.quality;
  if (o.pngLevel) p.PngCompressionLevel = *o.pngLevel;
  p.JpegProgressive = o.progressive;
  p.GifInterlaced = p.PngInterlaced = o.interlaced;
  if (o.bits) {
    p.BitsPerSample = *o.bits == 24 ? 8 : *o.bits;
    p.SamplesPerPixel = *o.bits == 24 ? 3 : 1;
  }
  if (o.bmpVersion) {
    const std::string& v = *o.bmpVersion;
    if (v == "win3") p.BmpVersion = 1;
    else if (v == "os2v1") p.BmpVersion = 2;
    else if (v == "os2v2") p.BmpVersion = 3;
    else throw std::invalid_argument("--bmp-version expects win3, os2v1 or os2v2");
  }
  if (o.compression) {
    const std::string& c = *o.compression;
    if (ext == ".tif" || ext == ".tiff" || ext == ".fax") {
      static const char* names[] = {"none", "huffman", "g3", "g3-2d", "g4", "lzw"};
      int found = -1;
      for (int i = 0; i < 6; ++i)
        if (c == names[i]) found = i;
      if (c == "packbits") found = 8;
      if (found < 0) throw std::invalid_argument("unknown TIFF compression '" + c + "'");
      p.TiffCompression = uint8_t(found);
    } else if (c == "rle" || c == "none") {
      bool rle = c == "rle";
      p.BmpCompressed = p.PcxCompressed = p.TgaCompressed = rle;
    } else {
      throw std::invalid_argument("unknown compression '" + c + "' for " + (ext.empty() ? "this file" : ext));
    }
  }
}

}  // namespace vc
