// Targa reader, writer and content test: header, colour map, run-length packets, extension area and footer.
#include "imaging/io/TGAFilt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/model/IndexedRows.h"
#include "imaging/model/Rounding.h"
#include "platform/gfx/Gray.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

constexpr int kHeaderSize = 18;
constexpr int kFooterSize = 26;
constexpr int kExtensionSize = 495;
constexpr char kSignature[] = "TRUEVISION-XFILE.";  // 17 characters, then a zero byte

// Image types of the header; the run-length forms are the plain ones plus kRleFlag.
enum TTgaImageType : uint8_t {
  ttNoImage = 0, ttColorMapped = 1, ttTrueColor = 2, ttGray = 3,
  ttRleColorMapped = 9, ttRleTrueColor = 10, ttRleGray = 11
};
constexpr uint8_t kRleFlag = 8;

// Fields of the extension area, by byte offset.
enum TTgaExtension : int {
  teSize = 0, teAuthor = 2, teMonth = 367, teDay = 369, teYear = 371, teHour = 373, teMinute = 375,
  teSecond = 377, teJobName = 379, teKeyColor = 471, teAspectRatio = 474, teGamma = 478
};
constexpr int kExtensionTextSize = 41;  // author and job name, with their zero byte

// The footer: the extension area's offset, then the signature.
constexpr int kFooterSignatureAt = 8;

struct TTgaHeader {
  uint8_t IdLength = 0, ColorMapType = 0, ImageType = 0;
  uint16_t FirstEntry = 0, MapLength = 0;
  uint8_t EntrySize = 0;
  uint16_t XOrigin = 0, YOrigin = 0, Width = 0, Height = 0;
  uint8_t Depth = 0, Descriptor = 0;
};

TTgaHeader ParseHeader(const uint8_t* b) {
  TTgaHeader h;
  TOXReader r(b, kHeaderSize);
  r.LE(h.IdLength, h.ColorMapType, h.ImageType, h.FirstEntry, h.MapLength, h.EntrySize, h.XOrigin, h.YOrigin,
       h.Width, h.Height, h.Depth, h.Descriptor);
  return h;
}

bool TypeAndDepthValid(const TTgaHeader& h) {
  const int t = h.ImageType, d = h.Depth;
  return (t == ttColorMapped || t == ttTrueColor || t == ttGray || t == ttRleColorMapped || t == ttRleTrueColor ||
          t == ttRleGray) &&
         (d == 1 || d == 4 || d == 8 || d == 15 || d == 16 || d == 24 || d == 32);
}

bool IsGrayType(const TTgaHeader& h) { return h.ImageType == ttGray || h.ImageType == ttRleGray; }

gfx::TRGB Colour16(unsigned v) {
  return {uint8_t(((v >> 10) & 31) * 8), uint8_t(((v >> 5) & 31) * 8), uint8_t((v & 31) * 8)};
}

// Text of a zero-terminated field of at most n bytes.
std::string FieldText(const uint8_t* p, size_t n) {
  const void* z = std::memchr(p, 0, n);
  return std::string(reinterpret_cast<const char*>(p), z ? size_t(static_cast<const uint8_t*>(z) - p) : n);
}

// Local date and time, or -1 when the fields do not name one.
std::time_t EncodeDate(int month, int day, int year, int hour, int minute, int second) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1 || hour > 23 || minute > 59 || second > 59) return -1;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  // mktime normalises 31 February into March: such a date is refused.
  if (t == std::time_t(-1) || tm.tm_mday != day || tm.tm_mon != month - 1) return -1;
  return t;
}

// Decodes units (pixels, or bytes of packed 1- and 4-bit rows) of one row; a packet longer than the row
// continues on the next row, as older writers expect, and never writes past the row.
struct TTgaRowDecoder {
  TOXReader& In;
  int UnitSize = 1;
  bool Rle = false;
  int Left = 0;  // units left in the current packet
  bool Run = false;
  uint8_t Value[4] = {};
  bool Truncated = false;

  // Copies n bytes; false (the rest zeroed) when the data ends first.
  bool Read(uint8_t* dst, size_t n) {
    const int64_t got = In.ReadUpTo(dst, int64_t(n));
    if (got == int64_t(n)) return true;
    std::memset(dst + got, 0, n - size_t(got));
    return false;
  }

  void Decode(uint8_t* out, int n) {
    if (!Rle) {
      if (!Read(out, size_t(n) * UnitSize)) Truncated = true;
      return;
    }
    int i = 0;
    auto end = [&]() {
      std::memset(out + size_t(i) * UnitSize, 0, size_t(n - i) * UnitSize);
      Truncated = true;
    };
    while (i < n) {
      if (Left == 0) {
        const int h = In.NextByte();
        if (h < 0) return end();
        Left = (h & 127) + 1;
        Run = (h & 128) != 0;
        if (Run && !Read(Value, size_t(UnitSize))) return end();
      }
      const int k = std::min(Left, n - i);
      uint8_t* dst = out + size_t(i) * UnitSize;
      if (!Run) {
        if (!Read(dst, size_t(k) * UnitSize)) {
          Truncated = true;  // Read zeroed the rest of the packet
          i += k;
          return end();
        }
      } else if (UnitSize == 1) {
        std::memset(dst, Value[0], size_t(k));
      } else if (UnitSize == 3) {
        for (int j = 0; j < k; ++j, dst += 3) {
          dst[0] = Value[0];
          dst[1] = Value[1];
          dst[2] = Value[2];
        }
      } else {
        for (int j = 0; j < k; ++j, dst += UnitSize) std::memcpy(dst, Value, size_t(UnitSize));
      }
      i += k;
      Left -= k;
    }
  }
};

struct TTgaInfo {
  TTgaHeader H;
  std::array<gfx::TRGB, 256> Palette{};  // work palette
};

// The footer and the extension area of the file that starts at `start` into params (defaults without them).
void ReadTgaExtension(TOXStream& stream, int64_t start, TIOParamsVals& params) {
  const int64_t size = stream.Size();
  bool footer = false;
  uint32_t extOffset = 0;
  if (size - start >= kFooterSize) {
    uint8_t f[kFooterSize];
    stream.SetPosition(size - kFooterSize);
    TOXReader r(stream);
    if (r.ReadInto(f, kFooterSize) && std::memcmp(f + kFooterSignatureAt, kSignature, 17) == 0) {
      footer = true;
      extOffset = LoadU32LE(f);
    }
  }

  params.TgaAuthor.clear();
  params.TgaJobName.clear();
  params.TgaDate = std::time(nullptr);
  params.TgaKeyColor = {};
  params.TgaAspectRatio = 1.0;
  params.TgaGamma = 2.2;

  // An extension area must lie wholly inside the stream.
  if (footer && extOffset != 0 && int64_t(extOffset) <= size - start - kExtensionSize) {
    uint8_t e[kExtensionSize];
    stream.SetPosition(start + extOffset);
    TOXReader r(stream);
    if (r.ReadInto(e, kExtensionSize)) {
      auto u16 = [&e](int at) { return int(LoadU16LE(e + at)); };
      params.TgaAuthor = FieldText(e + teAuthor, kExtensionTextSize);
      const int month = u16(teMonth), day = u16(teDay), year = u16(teYear);
      if (month != 0 && day != 0 && year != 0) {
        const std::time_t t = EncodeDate(month, day, year, u16(teHour), u16(teMinute), u16(teSecond));
        if (t != std::time_t(-1)) params.TgaDate = t;
      }
      params.TgaJobName = FieldText(e + teJobName, kExtensionTextSize);
      params.TgaKeyColor = {e[teKeyColor], e[teKeyColor + 1], e[teKeyColor + 2]};
      // Each ratio is a numerator and a denominator.
      if (u16(teAspectRatio) != 0 && u16(teAspectRatio + 2) != 0)
        params.TgaAspectRatio = double(u16(teAspectRatio)) / double(u16(teAspectRatio + 2));
      if (u16(teGamma) != 0 && u16(teGamma + 2) != 0) params.TgaGamma = double(u16(teGamma)) / double(u16(teGamma + 2));
    }
  }

}

// The colour map after the header and image id (every entry consumed; indexes below 256 kept), or the
// gray ramp and black and white of maps the file does not carry; false when the map runs past the end.
bool ReadTgaColourMap(TOXReader& r, TIOParamsVals& params, TTgaInfo& info, TProgressRec& progress) {
  const TTgaHeader& h = info.H;
  for (int j = 0; j < 8; ++j)
    for (int k = 0; k < 8; ++k)
      for (int l = 0; l < 4; ++l)
        info.Palette[32 * j + 4 * k + l] = {uint8_t(32 * j + 28), uint8_t(32 * k + 28), uint8_t(64 * l + 60)};

  params.FreeColorMap();
  if (h.ColorMapType == 1) {
    // Every entry is consumed so the pixels start where they should; only indexes below 256 are kept.
    const int entryBytes = (h.EntrySize + 7) / 8;
    for (int i = 0; i < h.MapLength; ++i) {
      const int index = h.FirstEntry + i;
      uint8_t e[4] = {};
      if (entryBytes > 4 || index >= 256 || !(h.EntrySize == 15 || h.EntrySize == 16 || h.EntrySize == 24 || h.EntrySize == 32)) {
        if (!r.Skip(entryBytes)) break;
        continue;
      }
      if (!r.ReadInto(e, entryBytes)) break;
      if (entryBytes == 2) info.Palette[index] = Colour16(LoadU16LE(e));
      else info.Palette[index] = {e[2], e[1], e[0]};
    }
    const int count = std::min<int>(h.MapLength, 256);
    auto& map = params.SetColorMapCount(count);
    std::copy(info.Palette.begin(), info.Palette.begin() + count, map.begin());
    params.TgaGrayLevel = false;
  } else {
    if (h.Depth == 8) {
      for (int i = 0; i < 256; ++i) info.Palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
      params.TgaGrayLevel = true;
    } else if (h.Depth == 1) {
      info.Palette[0] = {0, 0, 0};
      info.Palette[1] = {255, 255, 255};
    }
  }
  if (r.Failed()) {
    FailDamaged(progress, "TGA: the colour map runs past the end of the file");
    return false;
  }
  params.TgaCompressed = h.ImageType & kRleFlag;
  return true;
}

// Reads the footer, the extension area and the header into params; false (with the reason) when the header
// is invalid.
bool ReadTgaHeader(TOXStream& stream, TIOParamsVals& params, TTgaInfo& info, TProgressRec& progress) {
  const int64_t start = stream.Position();
  ReadTgaExtension(stream, start, params);
  stream.SetPosition(start);
  TOXReader r(stream);
  uint8_t hb[kHeaderSize];
  if (!r.ReadInto(hb, kHeaderSize)) {
    FailDamaged(progress, "TGA: the file is shorter than its 18-byte header");
    return false;
  }
  TTgaHeader& h = info.H;
  h = ParseHeader(hb);
  params.TgaXOrigin = h.XOrigin;
  params.TgaYOrigin = h.YOrigin;
  if (!TypeAndDepthValid(h)) {
    FailUnsupported(progress, "TGA: image type " + std::to_string(h.ImageType) + " at " + std::to_string(h.Depth) +
                                  " bits per pixel is not supported");
    return false;
  }

  // The writer ends the field with a zero byte; the text stops there.
  uint8_t id[255];
  if (!r.ReadInto(id, h.IdLength)) {
    FailDamaged(progress, "TGA: the image id runs past the end of the file");
    return false;
  }
  params.TgaImageId = FieldText(id, h.IdLength);

  return ReadTgaColourMap(r, params, info, progress);
}

// One row of n pixels of ps bytes (1 or 3) as run-length packets.
void EncodeRow(const uint8_t* px, int n, int ps, std::vector<uint8_t>& out) {
  auto same = [px, ps](int a, int b) { return std::memcmp(px + size_t(a) * ps, px + size_t(b) * ps, size_t(ps)) == 0; };
  int i = 0;
  while (i < n) {
    int run = 1;
    while (run < 128 && i + run < n && same(i + run, i)) ++run;
    if (run >= 2) {
      out.push_back(uint8_t(128 + run - 1));
      out.insert(out.end(), px + size_t(i) * ps, px + size_t(i + 1) * ps);
      i += run;
      continue;
    }
    int count = 0;
    while (count < 128 && i + count < n && (i + count == n - 1 || !same(i + count, i + count + 1))) ++count;
    out.push_back(uint8_t(count - 1));
    out.insert(out.end(), px + size_t(i) * ps, px + size_t(i + count) * ps);
    i += count;
  }
}

// numerator / denominator for value with the denominator 10000, smaller when the numerator would not fit.
void Fraction(double value, uint8_t* at) {
  int64_t num = 0, den = 0;
  if (value > 0 && std::isfinite(value)) {
    den = 10000;
    num = Trunc(value * double(den));
    while (num > 0xFFFF && den > 1) {
      den /= 10;
      num = Trunc(value * double(den));
    }
    if (num > 0xFFFF) num = 0xFFFF;
  }
  StoreU16LE(at, uint16_t(num));
  StoreU16LE(at + 2, uint16_t(den));
}

void MirrorBits(uint8_t* row, int width) {
  for (int a = 0, b = width - 1; a < b; ++a, --b) {
    const int ba = (row[a >> 3] >> (7 - (a & 7))) & 1;
    const int bb = (row[b >> 3] >> (7 - (b & 7))) & 1;
    if (ba != bb) {
      row[a >> 3] ^= uint8_t(0x80 >> (a & 7));
      row[b >> 3] ^= uint8_t(0x80 >> (b & 7));
    }
  }
}

}  // namespace

bool TryTGA(TOXStream& stream) {
  const int64_t pos = stream.Position();
  uint8_t b[kHeaderSize];
  TOXReader r(stream);
  const bool read = r.ReadInto(b, kHeaderSize);
  stream.SetPosition(pos);
  if (!read || !TypeAndDepthValid(ParseHeader(b))) return false;
  const bool anymap = b[0] == 'P' && b[1] >= '2' && b[1] <= '6' && (b[2] == ' ' || b[2] == '#' || b[2] == '\n');
  return !anymap;
}

void ReadTgaStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress) {
  TTgaInfo info;
  if (!ReadTgaHeader(stream, params, info, progress)) return;
  const TTgaHeader& h = info.H;
  const bool oneBit = h.Depth == 1;
  if (h.Width == 0 || h.Height == 0) {
    FailDamaged(progress, "TGA: the header gives the picture no width or height");
    return;
  }
  if (!gfx::ImageSizeAllowed(h.Width, h.Height, oneBit ? 1 : 24)) {
    FailUnsupported(progress, "TGA: " + std::to_string(h.Width) + " x " + std::to_string(h.Height) +
                                  " pixels is larger than this program reads");
    return;
  }
  params.Width = h.Width;
  params.Height = h.Height;
  params.DpiX = params.ScreenDpiX;
  params.DpiY = params.ScreenDpiY;
  switch (h.Depth) {
    case 1: params.BitsPerSample = 1, params.SamplesPerPixel = 1; break;
    case 4: params.BitsPerSample = 4, params.SamplesPerPixel = 1; break;
    case 8: params.BitsPerSample = 8, params.SamplesPerPixel = 1; break;
    case 15:
    case 16: params.BitsPerSample = 5, params.SamplesPerPixel = 3; break;
    case 24: params.BitsPerSample = 8, params.SamplesPerPixel = 3; break;
    default: params.BitsPerSample = 8, params.SamplesPerPixel = 4; break;
  }
  if (paramsOnly || !dib) return;

  const int width = h.Width, height = h.Height;
  // Every row is written below.
  PrepareDib(*dib, width, height, oneBit ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);

  // Packed depths are decoded byte by byte.
  int units = width, unitSize = (h.Depth + 7) / 8;
  if (h.Depth == 1) units = (width + 7) / 8, unitSize = 1;
  else if (h.Depth == 4) units = (width + 1) / 2, unitSize = 1;
  TOXReader in(stream, TOXReader::Buffered);
  TTgaRowDecoder dec{in};
  dec.UnitSize = unitSize;
  dec.Rle = h.ImageType & kRleFlag;
  std::vector<uint8_t> rowBuf(size_t(units) * unitSize, 0);

  const bool topDown = (h.Descriptor & 0x20) != 0;
  const bool mirror = (h.Descriptor & 0x10) != 0;
  const bool gray16 = h.Depth == 16 && IsGrayType(h);
  const gfx::TRGB* pal = info.Palette.data();
  progress.StartPicture(height, !topDown);
  for (int n = 0; n < height; ++n) {
    const int y = topDown ? n : height - 1 - n;
    uint8_t* dst = dib->ScanLine(y);
    if (h.Depth == 24) {
      dec.Decode(dst, units);
    } else if (h.Depth == 1) {
      dec.Decode(dst, units);
    } else {
      dec.Decode(rowBuf.data(), units);
      const uint8_t* s = rowBuf.data();
      switch (h.Depth) {
        case 4: ExpandIndexes4(s, width, pal, dst); break;
        case 8: ExpandIndexes8(s, width, pal, dst); break;
        case 15:
        case 16:
          if (gray16) {  // gray and alpha bytes
            for (int x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = s[x * 2];
          } else {
            for (int x = 0; x < width; ++x, dst += 3) {
              PutBgr(dst, Colour16(LoadU16LE(s + x * 2)));
            }
          }
          break;
        default:
          for (int x = 0; x < width; ++x, dst += 3) {
            dst[0] = s[x * 4], dst[1] = s[x * 4 + 1], dst[2] = s[x * 4 + 2];
          }
          break;
      }
    }
    if (mirror) {
      uint8_t* row = dib->ScanLine(y);
      if (oneBit) {
        MirrorBits(row, width);
      } else {
        for (int a = 0, b = width - 1; a < b; ++a, --b) std::swap_ranges(row + a * 3, row + a * 3 + 3, row + b * 3);
      }
    }
    progress.Step();
    if (dec.Truncated) {
      for (int m = n + 1; m < height; ++m)
        std::memset(dib->ScanLine(topDown ? m : height - 1 - m), 0, size_t(dib->RowLength()));
      progress.Delivered(n);  // the row the data ended in is not whole
      progress.EndOfData();
      return;
    }
  }
}

namespace {

// What the writer's stages share: the depth written and, for 8 bits, the palette and one index per pixel.
struct TTgaWrite {
  int width = 0, height = 0, depth = 24, colours = 256;
  bool gray = false, mapped = false, rle = false;
  std::vector<gfx::TRGB> palette;
  std::vector<uint8_t> indexes;
};

void WriteTgaHead(TOXWriter& out, const TTgaWrite& c, const TIOParamsVals& params) {
  const std::string id = params.TgaImageId.substr(0, 254);
  uint8_t hb[kHeaderSize] = {};
  auto put16 = [&hb](int at, int v) { StoreU16LE(hb + at, uint16_t(v)); };
  hb[0] = uint8_t(id.size() + 1);
  if (c.mapped) {
    hb[1] = 1;
    hb[2] = c.rle ? ttRleColorMapped : ttColorMapped;
    put16(5, c.colours);
    hb[7] = 24;
  } else {
    hb[2] = c.depth == 24 ? (c.rle ? ttRleTrueColor : ttTrueColor) : (c.rle ? ttRleGray : ttGray);
  }
  put16(8, params.TgaXOrigin);
  put16(10, params.TgaYOrigin);
  put16(12, c.width);
  put16(14, c.height);
  hb[16] = uint8_t(c.depth);
  hb[17] = 32;
  out.Write(hb, kHeaderSize);
  out.Write(id.c_str(), int64_t(id.size()) + 1);
  if (c.mapped) {
    std::vector<uint8_t> map;
    for (const gfx::TRGB& e : c.palette) map.insert(map.end(), {e.b, e.g, e.r});
    out.Write(map.data(), int64_t(map.size()));
  }
}

// Rows top first: bits as stored, gray levels or indexes, or blue-green-red pixels, run-length coded if asked.
void WriteTgaRows(TOXWriter& out, const TTgaWrite& c, const gfx::TDib& src, TProgressRec& progress) {
  const int width = c.width;
  std::array<uint8_t, 256> grayOf{};
  if (c.gray)
    for (int i = 0; i < 256; ++i) grayOf[i] = uint8_t(gfx::GrayOf(c.palette[i]));
  std::vector<uint8_t> row(size_t(width) * 3), packed;
  packed.reserve(size_t(width) * 4 + 16);
  progress.SetRows(c.height);
  for (int y = 0; y < c.height; ++y) {
    packed.clear();
    const uint8_t* line = src.ScanLine(y);
    int n = width, ps = 1;
    const uint8_t* px = row.data();
    switch (c.depth) {
      case 1: n = (width + 7) / 8; px = line; break;
      case 8: {
        const uint8_t* idx = c.indexes.data() + size_t(y) * width;
        if (c.gray) {
          for (int x = 0; x < width; ++x) row[x] = grayOf[idx[x]];
        } else {
          px = idx;
        }
        break;
      }
      default: ps = 3, px = line; break;
    }
    if (c.rle && (c.depth == 8 || c.depth == 24)) {
      EncodeRow(px, n, ps, packed);
      out.Write(packed.data(), int64_t(packed.size()));
    } else {
      out.Write(px, int64_t(n) * ps);
    }
    progress.Step();
  }
}

// The extension area, then the footer that points at it from the picture's start.
void WriteTgaExtensionAndFooter(TOXWriter& out, int64_t start, const TIOParamsVals& params) {
  const int64_t extPos = out.Stream().Position();
  uint8_t e[kExtensionSize] = {};
  auto e16 = [&e](int at, int v) { StoreU16LE(e + at, uint16_t(v)); };
  e16(teSize, kExtensionSize);
  const std::string author = params.TgaAuthor.substr(0, 40), job = params.TgaJobName.substr(0, 40);
  std::memcpy(e + teAuthor, author.data(), author.size());
  std::memcpy(e + teJobName, job.data(), job.size());
  std::tm tm{};
  const std::time_t date = params.TgaDate;
  if (localtime_r(&date, &tm)) {
    e16(teMonth, tm.tm_mon + 1);
    e16(teDay, tm.tm_mday);
    e16(teYear, tm.tm_year + 1900);
    e16(teHour, tm.tm_hour);
    e16(teMinute, tm.tm_min);
    e16(teSecond, tm.tm_sec);
  }
  e[teKeyColor] = params.TgaKeyColor.r;
  e[teKeyColor + 1] = params.TgaKeyColor.g;
  e[teKeyColor + 2] = params.TgaKeyColor.b;
  Fraction(params.TgaAspectRatio, e + teAspectRatio);
  Fraction(params.TgaGamma, e + teGamma);
  out.Write(e, kExtensionSize);

  uint8_t f[kFooterSize] = {};
  StoreU32LE(f, uint32_t(extPos - start));
  std::memcpy(f + kFooterSignatureAt, kSignature, 17);
  out.Write(f, kFooterSize);
}

}  // namespace

void WriteTgaStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress) {
  const auto format = dib.PixelFormat();
  if ((format != gfx::TPixelFormat::pf24bit && format != gfx::TPixelFormat::pf1bit) || dib.Empty() ||
      dib.Width() > 0xFFFF || dib.Height() > 0xFFFF) {
    FailUnsupported(progress, "TGA: the header cannot describe this picture");
    return;
  }
  TOXWriter out(stream);
  TTgaWrite c;
  c.width = dib.Width();
  c.height = dib.Height();
  const int64_t start = stream.Position();

  if (params.SamplesPerPixel == 1) {
    if (params.BitsPerSample == 1) c.depth = 1;
    else if (params.BitsPerSample == 4) c.depth = 4;
    else if (params.BitsPerSample == 8) c.depth = 8;
  }
  gfx::TDib holder;
  const gfx::TDib& src = c.depth == 1 ? PrepareSource1(dib, holder) : PrepareSource24(dib, holder);
  // 1-bit Targa pictures are black and white; two other colours go out colour-mapped. Few programs read
  // 4-bit indexes, so 16 colours go out as bytes with a 16-entry map.
  if (c.depth == 1 && !BlackWhite(src)) c.depth = 8;
  c.colours = c.depth == 4 ? 16 : 256;
  if (c.depth == 4) c.depth = 8;
  if (c.depth == 1) params.TgaCompressed = false;
  if (c.depth == 8) {
    QuantizeSource(src, c.colours, c.palette, c.indexes);
    c.palette.resize(size_t(c.colours));
    auto& map = params.SetColorMapCount(c.colours);
    std::copy(c.palette.begin(), c.palette.end(), map.begin());
  }
  // A gray palette goes out as gray samples, one with colour entries never does.
  c.gray = c.depth == 8 && GrayPalette(c.palette, 8);
  params.TgaGrayLevel = c.gray;
  c.mapped = c.depth == 8 && !c.gray;
  c.rle = params.TgaCompressed;

  WriteTgaHead(out, c, params);
  WriteTgaRows(out, c, src, progress);
  WriteTgaExtensionAndFooter(out, start, params);
  if (out.Failed()) FailOutput(progress, "TGA: the output took fewer bytes than were written");
}

}  // namespace ox
