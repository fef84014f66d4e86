// PCX reader and writer: header, plane-line run-length coding, the trailing 256-colour palette.
#include "imaging/io/PCXFilt.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/model/IndexedRows.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

constexpr int kHeaderSize = 128;
constexpr uint8_t kManufacturer = 10;  // the first byte of every PCX file
constexpr uint8_t kLastVersion = 5;
constexpr int kPaletteSize = 768;
constexpr uint8_t kPaletteMark = 12;  // the byte before the trailing 256-colour palette

struct TPcxHeader {
  uint8_t Manufacturer = 0, Version = 0, Encoding = 0, BitsPerPixel = 0;
  uint16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0, HRes = 0, VRes = 0;
  std::array<uint8_t, 48> Palette{};
  uint8_t Planes = 0;
  uint16_t BytesPerLine = 0, PaletteInfo = 0;
};

bool ReadHeader(TOXReader& r, TPcxHeader& h) {
  h.Manufacturer = r.ReadU8();
  h.Version = r.ReadU8();
  h.Encoding = r.ReadU8();
  h.BitsPerPixel = r.ReadU8();
  h.XMin = r.ReadU16LE();
  h.YMin = r.ReadU16LE();
  h.XMax = r.ReadU16LE();
  h.YMax = r.ReadU16LE();
  h.HRes = r.ReadU16LE();
  h.VRes = r.ReadU16LE();
  r.ReadInto(h.Palette.data(), 48);
  r.ReadU8();
  h.Planes = r.ReadU8();
  h.BytesPerLine = r.ReadU16LE();
  h.PaletteInfo = r.ReadU16LE();
  r.Skip(58);
  return !r.Failed();
}

// Produces plane lines from the reader's data; a run may carry over from one line into the next.
class TPcxLineDecoder {
 public:
  TPcxLineDecoder(TOXReader& in, bool rle) : in_(in), rle_(rle) {}

  // Fills out[0, n); false when the data ends first.
  bool Decode(uint8_t* out, int n) {
    int i = 0;
    if (!rle_) return in_.ReadUpTo(out, n) == n;
    if (runCount_ > 0) {
      const int k = std::min(runCount_, n);
      std::memset(out, runValue_, size_t(k));
      i = k;
      runCount_ -= k;
    }
    // Locals, not members: stores through `out` may alias anything of char type.
    size_t len = 0, pos = 0;
    const uint8_t* b = in_.Window(len);
    while (i < n) {
      if (pos == len) {
        in_.Consume(pos);
        b = in_.Window(len);
        pos = 0;
        if (len == 0) return false;
      }
      const uint8_t c = b[pos++];
      if (c < 192) {
        out[i++] = c;
        continue;
      }
      if (pos == len) {
        in_.Consume(pos);
        b = in_.Window(len);
        pos = 0;
        if (len == 0) return false;
      }
      const uint8_t v = b[pos++];
      const int count = c & 63;
      const int k = std::min(count, n - i);
      std::memset(out + i, v, size_t(k));
      i += k;
      if (count > k) {
        runCount_ = count - k;
        runValue_ = v;
      }
    }
    in_.Consume(pos);
    return true;
  }

 private:
  TOXReader& in_;
  bool rle_;
  int runCount_ = 0;
  uint8_t runValue_ = 0;
};

// Rows [from, to) that the data did not reach.
void ClearRows(gfx::TDib& dib, int from, int to) {
  for (int y = from; y < to; ++y) std::memset(dib.ScanLine(y), 0, size_t(dib.RowLength()));
}

// n source bytes taken every `step` bytes; an odd n gets a zero byte so the line fills the even bytes per line.
void EncodeLine(const uint8_t* src, int n, int step, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < n) {
    const uint8_t v = src[int64_t(i) * step];
    int run = 1;
    while (run < 63 && i + run < n && src[int64_t(i + run) * step] == v) ++run;
    if (run > 1 || v >= 192) {
      out.push_back(uint8_t(192 + run));
      out.push_back(v);
    } else {
      out.push_back(v);
    }
    i += run;
  }
  if (n & 1) out.push_back(0);
}

}  // namespace

namespace {

enum TPcxKind { kUnsupported, k8, k4, k1, kRgb, kPlanes4 };

// One PCX read, stage by stage: header, colour tables, then the plane lines.
struct TPcxRead {
  TOXStream& Stream;
  TIOParamsVals& Params;
  TProgressRec& Progress;
  int64_t Start, Length = 0;
  TPcxHeader H;
  int64_t Width = 0, Height = 0;
  std::array<gfx::TRGB, 256> Pal256{};
  std::array<gfx::TRGB, 16> Pal16{};

  TPcxRead(TOXStream& s, TIOParamsVals& p, TProgressRec& r) : Stream(s), Params(p), Progress(r), Start(s.Position()) {}
  bool Header();
  void ColourTables(int64_t dataLength);
  void Pixels(gfx::TDib& dib);
};

bool TPcxRead::Header() {
  TOXReader reader(Stream);
  TPcxHeader& h = H;
  if (!ReadHeader(reader, h)) {
    FailDamaged(Progress, "PCX: the file is shorter than its 128-byte header");
    return false;
  }
  if (h.Manufacturer != kManufacturer) {
    FailDamaged(Progress, "PCX: the header does not start with the PCX mark");
    return false;
  }
  if (h.BitsPerPixel > 8 || h.Encoding > 1) {
    FailUnsupported(Progress, "PCX: " + std::to_string(h.BitsPerPixel) + " bits per pixel with encoding " +
                                  std::to_string(h.Encoding) + " is not supported");
    return false;
  }
  Width = int64_t(h.XMax) - h.XMin + 1;
  Height = int64_t(h.YMax) - h.YMin + 1;
  const int bpp = h.BitsPerPixel, planes = h.Planes, bpl = h.BytesPerLine;
  const bool oneBit = bpp == 1 && planes == 1;
  // A plane line must hold the row it describes.
  if (Width < 1 || Height < 1 || planes == 0 || bpl == 0 || bpp == 0 || int64_t(bpl) * 8 < Width * bpp ||
      !gfx::ImageSizeAllowed(Width, Height, oneBit ? 1 : 24)) {
    FailDamaged(Progress, "PCX: the header's size, planes and line length do not describe a picture");
    return false;
  }
  Params.DpiX = h.HRes;
  Params.DpiY = h.VRes;
  if (Params.DpiX == 0 || Params.DpiY == 0) {
    Params.DpiX = Params.ScreenDpiX;
    Params.DpiY = Params.ScreenDpiY;
  }
  return true;
}

// The 16 colours of the header and the 256 at the end of the data, into the parameters.
void TPcxRead::ColourTables(int64_t dataLength) {
  const int bpp = H.BitsPerPixel, planes = H.Planes;
  // The data cannot reach past the stream, whatever the caller says.
  Length = std::max<int64_t>(0, std::min(dataLength, Stream.Size() - Start));
  if (planes == 1 && bpp > 4 && Length >= kHeaderSize + kPaletteSize) {
    uint8_t raw[kPaletteSize];
    Stream.SetPosition(Start + Length - kPaletteSize);
    TOXReader palReader(Stream);
    if (palReader.ReadInto(raw, kPaletteSize))
      for (int i = 0; i < 256; ++i) Pal256[i] = {raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]};
    Stream.SetPosition(Start + kHeaderSize);
  }
  for (int i = 0; i < 16; ++i) Pal16[i] = {H.Palette[i * 3], H.Palette[i * 3 + 1], H.Palette[i * 3 + 2]};

  Params.BitsPerSample = bpp;
  Params.SamplesPerPixel = planes;
  Params.Width = int(Width);
  Params.Height = int(Height);
  Params.FreeColorMap();
  if (bpp == 8 && planes == 1) {
    auto& map = Params.SetColorMapCount(256);
    std::copy(Pal256.begin(), Pal256.end(), map.begin());
  } else if (bpp == 1 && planes == 4) {
    auto& map = Params.SetColorMapCount(16);
    std::copy(Pal16.begin(), Pal16.end(), map.begin());
    Params.BitsPerSample = 4;
    Params.SamplesPerPixel = 1;
  } else if (bpp < 8) {
    const int n = std::min(16, 1 << bpp);
    auto& map = Params.SetColorMapCount(n);
    std::copy(Pal16.begin(), Pal16.begin() + n, map.begin());
  }
}

void TPcxRead::Pixels(gfx::TDib& dib) {
  const int bpp = H.BitsPerPixel, planes = H.Planes, bpl = H.BytesPerLine;
  const bool oneBit = bpp == 1 && planes == 1;
  const int64_t width = Width, height = Height;
  TProgressRec& progress = Progress;
  const std::array<gfx::TRGB, 256>& pal256 = Pal256;
  const std::array<gfx::TRGB, 16>& pal16 = Pal16;
  TPcxKind kind = kUnsupported;
  if (planes == 1 && bpp == 8) kind = k8;
  else if (planes == 1 && bpp == 4) kind = k4;
  else if (planes == 1 && bpp == 1) kind = k1;
  else if (planes == 3 && bpp == 8) kind = kRgb;
  else if (planes == 4 && bpp == 1) kind = kPlanes4;
  if (kind == kUnsupported) {
    FailUnsupported(progress, "PCX: " + std::to_string(planes) + " planes of " + std::to_string(bpp) +
                                  " bits are not supported");
    return;
  }

  PrepareDib(dib, int(width), int(height), oneBit ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  TOXReader data(Stream, TOXReader::Buffered, std::max<int64_t>(0, Length - kHeaderSize));
  TPcxLineDecoder dec(data, H.Encoding == 1);

  // Each plane line is as long as the longer of the file's line and what the store step reads; the excess
  // stays zero.
  const int need = kind == k8 || kind == kRgb ? int(width) : kind == k4 ? int((width + 1) / 2) : int((width + 7) / 8);
  const int lineLen = std::max(bpl, need);
  std::vector<uint8_t> lines(size_t(lineLen) * planes, 0);
  const int w = int(width);

  progress.StartPicture(height);
  for (int y = 0; y < height; ++y) {
    progress.Report(int(double(y) * progress.Per1));
    if (progress.IsAborted()) return;
    for (int p = 0; p < planes; ++p) {
      if (!dec.Decode(lines.data() + size_t(p) * lineLen, bpl)) {
        ClearRows(dib, y, int(height));
        progress.EndOfData();
        return;
      }
    }
    uint8_t* dst = dib.ScanLine(y);
    const uint8_t* l0 = lines.data();
    switch (kind) {
      case k8: ExpandIndexes8(l0, w, pal256.data(), dst); break;
      case k4: ExpandIndexes4(l0, w, pal16.data(), dst); break;
      case k1:
        std::memcpy(dst, l0, size_t(need));
        break;
      case kRgb: {
        const uint8_t* g = l0 + lineLen;
        const uint8_t* b = g + lineLen;
        for (int x = 0; x < w; ++x, dst += 3) {
          dst[0] = b[x];
          dst[1] = g[x];
          dst[2] = l0[x];
        }
        break;
      }
      case kPlanes4:
        for (int x = 0; x < w; ++x, dst += 3) {
          const int byte = x >> 3, shift = 7 - (x & 7);
          int idx = 0;
          for (int k = 0; k < 4; ++k) idx |= ((lines[size_t(k) * lineLen + byte] >> shift) & 1) << k;
          PutBgr(dst, pal16[idx]);
        }
        break;
      default:
        break;
    }
    progress.Delivered(y + 1);
  }
}

}  // namespace

void ReadPcxStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress,
                   int64_t dataLength) {
  TPcxRead r(stream, params, progress);
  if (!r.Header()) return;
  r.ColourTables(dataLength);
  if (paramsOnly || !dib) return;
  r.Pixels(*dib);
}

namespace {

// What the writer's stages share: the layout of a line and the picture as indexes where it has a palette.
struct TPcxWrite {
  int d = 24;  // bits per pixel
  int width = 0, height = 0;
  int bits = 8, planes = 3, bpl = 0;
  bool rle = true;
  std::vector<gfx::TRGB> palette;
  std::vector<uint8_t> indexes;
};

// Bits and planes for the depth, and the even length of a plane line.
void PlanPcxLines(TPcxWrite& c, const gfx::TDib& src) {
  const int width = c.width;
  switch (c.d) {
    case 1:
      c.bits = 1, c.planes = 1, c.bpl = (width + 7) / 8;
      // A 1-bit source keeps the DIB meaning of its bits: set is white.
      c.palette[0] = {0, 0, 0};
      c.palette[1] = {255, 255, 255};
      if (src.Palette().size() >= 2) {
        c.palette[0] = src.Palette()[0];
        c.palette[1] = src.Palette()[1];
      }
      break;
    case 4: c.bits = 4, c.planes = 1, c.bpl = (width + 1) / 2; break;
    case 8: c.bits = 8, c.planes = 1, c.bpl = width; break;
    default: c.bits = 8, c.planes = 3, c.bpl = width; break;
  }
  if (c.bpl & 1) ++c.bpl;
}

void FillPcxHeader(const TPcxWrite& c, const TIOParamsVals& params, uint8_t (&header)[kHeaderSize]) {
  auto put16 = [&](int at, int v) { StoreU16LE(header + at, uint16_t(std::clamp(v, 0, 0xFFFF))); };
  header[0] = kManufacturer;
  header[1] = uint8_t(params.PcxVersion);
  header[2] = params.PcxCompressed ? 1 : 0;
  header[3] = uint8_t(c.bits);
  put16(8, c.width - 1);
  put16(10, c.height - 1);
  put16(12, params.DpiX);
  put16(14, params.DpiY);
  if (c.d == 1 || c.d == 4)
    for (int i = 0; i < 16; ++i) {
      header[16 + i * 3] = c.palette[i].r;
      header[17 + i * 3] = c.palette[i].g;
      header[18 + i * 3] = c.palette[i].b;
    }
  header[65] = uint8_t(c.planes);
  put16(66, c.bpl);
  put16(68, c.d == 24 ? 0 : 1);
}

// Row y as the file stores it, every plane line after the other; raw is a zeroed scratch line per plane.
void EncodePcxRow(const TPcxWrite& c, const uint8_t* row, int y, std::vector<uint8_t>& raw, std::vector<uint8_t>& line) {
  const int width = c.width, bpl = c.bpl;
  line.clear();
  switch (c.d) {
    case 1: {
      const int n = (width + 7) / 8;
      if (c.rle) EncodeLine(row, n, 1, line);
      else {
        std::memcpy(raw.data(), row, size_t(n));
        line.assign(raw.begin(), raw.begin() + bpl);
      }
      break;
    }
    case 4: {
      const uint8_t* idx = c.indexes.data() + size_t(y) * width;
      std::fill(raw.begin(), raw.end(), 0);
      for (int x = 0; x < width; ++x) raw[x >> 1] |= (x & 1) ? (idx[x] & 15) : uint8_t((idx[x] & 15) << 4);
      if (c.rle) EncodeLine(raw.data(), (width + 1) / 2, 1, line);
      else line.assign(raw.begin(), raw.begin() + bpl);
      break;
    }
    case 8: {
      const uint8_t* idx = c.indexes.data() + size_t(y) * width;
      if (c.rle) EncodeLine(idx, width, 1, line);
      else {
        std::memcpy(raw.data(), idx, size_t(width));
        line.assign(raw.begin(), raw.begin() + bpl);
      }
      break;
    }
    default:
      for (int p = 0; p < 3; ++p) {
        const uint8_t* channel = row + (2 - p);  // red, green, blue from blue-green-red pixels
        if (c.rle) EncodeLine(channel, width, 3, line);
        else {
          for (int x = 0; x < width; ++x) raw[x] = channel[x * 3];
          line.insert(line.end(), raw.begin(), raw.begin() + bpl);
        }
      }
      break;
  }
}

// The 256-colour palette after the pixels, behind its mark.
void PutPcxPalette256(TOXWriter& out, const std::vector<gfx::TRGB>& palette) {
  uint8_t tail[1 + kPaletteSize];
  tail[0] = kPaletteMark;
  for (int i = 0; i < 256; ++i) {
    tail[1 + i * 3] = palette[i].r;
    tail[2 + i * 3] = palette[i].g;
    tail[3 + i * 3] = palette[i].b;
  }
  out.Write(tail, sizeof tail);
}

}  // namespace

void WritePcxStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress) {
  TPcxWrite c;
  c.d = params.BitsPerSample == 1 ? 1 : params.BitsPerSample * params.SamplesPerPixel;
  // Refused before anything is written: the header could not describe the picture.
  if (c.d != 1 && c.d != 4 && c.d != 8 && c.d != 24) {
    FailUnsupported(progress, "PCX: " + std::to_string(c.d) + " bits per pixel cannot be written");
    return;
  }
  if (dib.Empty() || dib.Width() > 0x10000 || dib.Height() > 0x10000) {
    FailUnsupported(progress, "PCX: the header cannot describe a picture of this size");
    return;
  }
  TOXWriter out(stream);
  c.width = dib.Width();
  c.height = dib.Height();

  gfx::TDib holder;
  const gfx::TDib& src = c.d == 1 ? PrepareSource1(dib, holder) : PrepareSource24(dib, holder);
  // Readers take 1-bit pictures as black and white: two other colours go out with the 16-entry palette.
  if (c.d == 1 && !BlackWhite(src)) c.d = 4;
  if (c.d == 4 || c.d == 8) QuantizeSource(src, c.d == 4 ? 16 : 256, c.palette, c.indexes);
  c.palette.resize(c.d == 8 ? 256 : 16);
  PlanPcxLines(c, src);
  if (c.bpl > 0xFFFF) {
    FailUnsupported(progress, "PCX: the header cannot describe a line this long");
    return;
  }
  uint8_t header[kHeaderSize] = {};
  FillPcxHeader(c, params, header);
  out.Write(header, kHeaderSize);

  c.rle = params.PcxCompressed;
  std::vector<uint8_t> line;
  line.reserve(size_t(c.bpl) * 2 * c.planes + 2);
  std::vector<uint8_t> raw(size_t(c.bpl) * c.planes, 0);
  progress.SetRows(c.height);
  for (int y = 0; y < c.height; ++y) {
    progress.Report(int(double(y) * progress.Per1));
    if (progress.IsAborted() || out.Failed()) break;
    EncodePcxRow(c, src.ScanLine(y), y, raw, line);
    out.Write(line.data(), int64_t(line.size()));
  }
  if (c.d == 8 && !progress.IsAborted() && !out.Failed()) PutPcxPalette256(out, c.palette);
  if (out.Failed()) FailOutput(progress, "PCX: the output took fewer bytes than were written");
}

bool IsPCXStream(TOXStream& stream) {
  uint8_t b[2];
  return PeekBytes(stream, b, 2, kHeaderSize) && b[0] == kManufacturer && b[1] <= kLastVersion;
}
}  // namespace ox
