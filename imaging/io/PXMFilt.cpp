// Portable anymap codec: buffered token reading, the six raster forms, the P4/P5/P6 writer.
#include "imaging/io/PXMFilt.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/model/Rounding.h"
#include "imaging/proc/oxquantize.h"
#include "platform/gfx/Gray.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

inline bool IsAlnum(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\v' || s[a] == '\f')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\v' || s[b - 1] == '\f')) --b;
  return s.substr(a, b - a);
}

std::string Token(TOXReader& src) {
  int c;
  do c = src.NextByte();
  while (c >= 0 && !IsAlnum(c) && c != '#');
  if (c < 0) return {};
  std::string t;
  if (c == '#') {
    while ((c = src.NextByte()) >= 0 && c != '\n' && c != '\r') t += char(c);
    std::string comment(1, '#');
    comment.append(Trim(t));
    return comment;
  }
  t += char(c);
  while ((c = src.NextByte()) >= 0 && IsAlnum(c)) t += char(c);
  return t;
}

// A decimal number of at most INT_MAX, else -1.
int ParseNumber(const std::string& t) {
  if (t.empty() || t.size() > 10) return -1;
  int64_t v = 0;
  for (char c : t) {
    if (!IsDigit(c)) return -1;
    v = v * 10 + (c - '0');
  }
  return v > INT_MAX ? -1 : int(v);
}

// Next raster sample of a text map: comments are skipped; a word that is not a number counts as 0; -1 at
// the end of the stream.
int64_t TextSample(TOXReader& src) {
  for (;;) {
    int c;
    do c = src.NextByte();
    while (c >= 0 && !IsAlnum(c) && c != '#');
    if (c < 0) return -1;
    if (c == '#') {
      while ((c = src.NextByte()) >= 0 && c != '\n' && c != '\r') {}
      continue;
    }
    int64_t v = 0;
    bool number = true;
    for (; c >= 0 && IsAlnum(c); c = src.NextByte()) {
      if (!IsDigit(c)) number = false;
      else if (v < 1000000) v = v * 10 + (c - '0');
    }
    return number ? v : 0;
  }
}

struct THeader {
  int magic = 0, width = -1, height = -1, max = -1;
};

// Magic, width, height and maximum; comments go to `comments` when given. False when incomplete.
bool ReadHeader(TOXReader& src, THeader& h, std::vector<std::string>* comments, int tokenLimit) {
  int field = 0;
  for (int n = 0; n < tokenLimit; ++n) {
    const std::string t = Token(src);
    if (t.empty()) return false;
    if (t[0] == '#') {
      if (comments) comments->push_back(t.substr(1));
      continue;
    }
    if (field == 0) {
      if (t.size() != 2 || t[0] != 'P' || t[1] < '1' || t[1] > '6') return false;
      h.magic = t[1] - '0';
      if (h.magic == 1 || h.magic == 4) h.max = 1;
    } else if (field == 1) {
      h.width = ParseNumber(t);
    } else if (field == 2) {
      h.height = ParseNumber(t);
      if (h.magic == 1 || h.magic == 4) return true;
    } else {
      h.max = ParseNumber(t);
      return true;
    }
    ++field;
  }
  return false;
}

// Sample value -> 8 bits: trunc(v / max * 255), samples above the maximum 255.
std::vector<uint8_t> ScaleTable(int max, int entries) {
  std::vector<uint8_t> t(size_t(entries), 255);
  for (int v = 0; v <= max && v < entries; ++v) t[size_t(v)] = uint8_t(Trunc(double(v) / max * 255));
  return t;
}

}  // namespace

std::string PXMNextToken(TOXStream& stream) {
  TOXReader src(stream, TOXReader::Buffered);
  std::string t = Token(src);
  src.Sync();
  return t;
}

bool IsPXMStream(TOXStream& stream) {
  const int64_t pos = stream.Position();
  TOXReader src(stream, TOXReader::Buffered);
  THeader h;
  ReadHeader(src, h, nullptr, 501);
  stream.SetPosition(pos);
  return h.magic != 0 && h.width > 0 && h.height > 0;
}

namespace {

// The rows of a text map (P1 to P3): samples and comments, until the rows or the data end.
void ReadTextRaster(TOXReader& src, const THeader& h, const std::vector<uint8_t>& scale, gfx::TDib& dib,
                    TProgressRec& progress) {
  const int w = h.width, ht = h.height;
  const bool colour = h.magic == 3;
  auto scaled = [&](int64_t v) { return scale[size_t(std::min<int64_t>(v, 65535))]; };
  bool ended = false;
  for (int y = 0; y < ht && !ended && !progress.IsAborted(); ++y) {
    uint8_t* row = dib.ScanLine(y);
    if (h.magic == 1) {
      std::memset(row, 0, size_t(dib.RowLength()));
      for (int x = 0; x < w;) {
        const int c = src.NextByte();
        if (c < 0) { ended = true; break; }
        if (c == '#') {
          int d;
          while ((d = src.NextByte()) >= 0 && d != '\n' && d != '\r') {}
        } else if (c == '0') {
          row[x >> 3] |= uint8_t(0x80 >> (x & 7));
          ++x;
        } else if (c == '1') {
          ++x;
        }
      }
    } else {
      uint8_t* p = row;
      for (int x = 0; x < w && !ended; ++x, p += 3) {
        int64_t s[3];
        for (int c = 0; c < (colour ? 3 : 1); ++c)
          if ((s[c] = TextSample(src)) < 0) ended = true;
        if (ended) break;
        if (colour) { p[2] = scaled(s[0]); p[1] = scaled(s[1]); p[0] = scaled(s[2]); }
        else p[0] = p[1] = p[2] = scaled(s[0]);
      }
    }
    if (!ended) progress.Step();
  }
  src.Sync();
  if (ended) progress.EndOfData();
}

// The rows of a binary map (P4 to P6), of one or two bytes a sample.
void ReadBinaryRaster(TOXReader& src, TOXStream& stream, const THeader& h, const std::vector<uint8_t>& scale,
                      int64_t binaryRow, gfx::TDib& dib, TProgressRec& progress) {
  const int w = h.width, ht = h.height;
  const bool colour = h.magic == 6;
  const int bytesPerSample = h.max > 255 ? 2 : 1;
  // Whole rows go straight from the stream into the row buffer.
  src.Sync();
  TOXReader rd(stream);
  std::vector<uint8_t> buf(h.magic == 4 ? 0 : size_t(binaryRow));
  for (int y = 0; y < ht && !progress.IsAborted(); ++y) {
    uint8_t* row = dib.ScanLine(y);
    if (h.magic == 4) {
      if (!rd.ReadInto(row, binaryRow)) break;
      progress.Step();
      continue;
    }
    if (!rd.ReadInto(buf.data(), binaryRow)) break;
    const uint8_t* in = buf.data();
    uint8_t* p = row;
    if (bytesPerSample == 2) {
      if (colour) {
        for (int x = 0; x < w; ++x, p += 3, in += 6) {
          p[2] = scale[size_t(in[0] << 8 | in[1])];
          p[1] = scale[size_t(in[2] << 8 | in[3])];
          p[0] = scale[size_t(in[4] << 8 | in[5])];
        }
      } else {
        for (int x = 0; x < w; ++x, p += 3, in += 2) p[0] = p[1] = p[2] = scale[size_t(in[0] << 8 | in[1])];
      }
    } else if (colour) {
      if (h.max == 255) {
        for (int x = 0; x < w; ++x, p += 3, in += 3) { p[0] = in[2]; p[1] = in[1]; p[2] = in[0]; }
      } else {
        for (int x = 0; x < w; ++x, p += 3, in += 3) { p[0] = scale[in[2]]; p[1] = scale[in[1]]; p[2] = scale[in[0]]; }
      }
    } else {
      for (int x = 0; x < w; ++x, p += 3) p[0] = p[1] = p[2] = scale[in[x]];
    }
    progress.Step();
  }
  if (rd.Failed()) progress.EndOfData();
  if (h.magic == 4) InvertBilevel(dib);
}

}  // namespace

void PXMReadStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, bool paramsOnly, TProgressRec& progress) {
  params.PxmComments.clear();
  TOXReader src(stream, TOXReader::Buffered);
  THeader h;
  const bool complete = ReadHeader(src, h, &params.PxmComments, INT_MAX);
  src.Sync();
  if (!complete) {
    FailDamaged(progress, "PXM: the header ends before the size and the maximum value");
    return;
  }
  if (h.width <= 0 || h.height <= 0 || h.max <= 0 || h.max > 65535) {
    FailDamaged(progress, "PXM: the header's size or maximum value is out of range");
    return;
  }
  params.FreeColorMap();
  params.Width = h.width;
  params.Height = h.height;
  params.DpiX = params.ScreenDpiX;
  params.DpiY = params.ScreenDpiY;
  const bool bilevel = h.magic == 1 || h.magic == 4;
  const bool colour = h.magic == 3 || h.magic == 6;
  params.BitsPerSample = bilevel ? 1 : 8;
  params.SamplesPerPixel = colour ? 3 : 1;
  if (paramsOnly || !dib) return;
  if (!gfx::ImageSizeAllowed(h.width, h.height, bilevel ? 1 : 24)) {
    FailUnsupported(progress, "PXM: " + std::to_string(h.width) + " x " + std::to_string(h.height) +
                                  " pixels is larger than this program reads");
    return;
  }
  const int w = h.width, ht = h.height;
  // Most of the rows must be in the stream before anything is allocated for them; a cut file still
  // shows the rows it holds.
  const int bytesPerSample = h.max > 255 ? 2 : 1;
  const int64_t binaryRow = h.magic == 4 ? (int64_t(w) + 7) / 8 : int64_t(w) * (colour ? 3 : 1) * bytesPerSample;
  const int64_t left = src.Remaining();
  // Each text sample takes at least one byte.
  const int64_t needed = h.magic >= 4 ? binaryRow : int64_t(w) * (colour ? 3 : 1);
  if (needed > left || needed * ht > left * 16 + (int64_t(1) << 20)) {
    FailDamaged(progress, "PXM: the file is far shorter than its header says");
    return;
  }
  *dib = gfx::TDib(w, ht, bilevel ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  progress.StartPicture(ht);
  const std::vector<uint8_t> scale = ScaleTable(h.max, bytesPerSample == 2 || h.magic <= 3 ? 65536 : 256);
  if (h.magic <= 3)
    ReadTextRaster(src, h, scale, *dib, progress);
  else
    ReadBinaryRaster(src, stream, h, scale, binaryRow, *dib, progress);
}

void PXMWriteStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress) {
  if (dib.Empty()) {
    FailUnsupported(progress, "PXM: an empty picture cannot be written");
    return;
  }
  std::string comments;
  for (const std::string& line : params.PxmComments) comments += "\n# " + line + "\n";
  const int w = dib.Width(), h = dib.Height();
  const std::string size = std::to_string(w) + " " + std::to_string(h);
  gfx::TDib holder, holder24;
  TOXWriter writer(stream);
  auto put = [&](const void* data, size_t n) {
    if (writer.Write(data, int64_t(n))) return !progress.IsAborted();
    FailOutput(progress, "PXM: the output took fewer bytes than were written");
    return false;
  };
  progress.SetRows(h);
  std::vector<uint8_t> row;
  const bool oneSample = params.SamplesPerPixel == 1;
  const gfx::TDib& single = dib.PixelFormat() == gfx::TPixelFormat::pf1bit || (params.BitsPerSample == 1 && oneSample)
                                ? PrepareSource1(dib, holder)
                                : dib;
  // P4 holds black and white only; two other colours go out as gray or colour samples.
  if (single.PixelFormat() == gfx::TPixelFormat::pf1bit && BlackWhite(single)) {
    const gfx::TDib& src = single;
    const std::string head = "P4 " + comments + size + "\n";
    if (!put(head.data(), head.size())) return;
    const size_t n = (size_t(w) + 7) / 8;
    row.resize(n);
    for (int y = 0; y < h; ++y) {
      const uint8_t* in = src.ScanLine(y);
      for (size_t i = 0; i < n; ++i) row[i] = uint8_t(~in[i]);
      if (!put(row.data(), n)) return;
      progress.Step();
    }
    return;
  }
  const gfx::TDib& src = PrepareSource24(single, holder24);
  // One sample per pixel is gray only for a gray picture: colour entries of a palette never become gray.
  const bool gray = (oneSample || single.PixelFormat() == gfx::TPixelFormat::pf1bit) && AllGray(src);
  const std::string head = (gray ? "P5 " : "P6 ") + comments + size + " 255\n";
  if (!put(head.data(), head.size())) return;
  row.resize(size_t(w) * (gray ? 1 : 3));
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = src.ScanLine(y);
    uint8_t* out = row.data();
    if (gray) {
      for (int x = 0; x < w; ++x, in += 3) *out++ = uint8_t(gfx::GrayOfBgr(in));
    } else {
      for (int x = 0; x < w; ++x, in += 3, out += 3) { out[0] = in[2]; out[1] = in[1]; out[2] = in[0]; }
    }
    if (!put(row.data(), row.size())) return;
    progress.Step();
  }
}

}  // namespace ox
