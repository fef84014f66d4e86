// Windows bitmap codec: header parsing, row decoders (palette, bit fields, RLE4/RLE8) and the writer.
#include "imaging/io/BMPFilt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imaging/io/oxwriteprep.h"
#include "imaging/model/Rounding.h"
#include "imaging/proc/oxquantize.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
inline void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void Put32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }

int DpiFromPpm(int32_t ppm, int screen) {
  const int64_t dpi = Round(double(ppm) / 100.0 * 2.54);
  return dpi <= 0 || dpi > 1000000 ? screen : int(dpi);
}

// One channel of a bit-field pixel: the run of set bits from the lowest one, brought to 8 bits.
struct TChannel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit TChannel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    bits = std::countr_one(m >> shift);
  }
  uint8_t operator()(uint32_t p) const {
    if (!bits) return 0;
    const uint32_t v = ((p & mask) >> shift) & uint32_t((uint64_t(1) << bits) - 1);
    return uint8_t(bits >= 8 ? v >> (bits - 8) : v << (8 - bits));
  }
};

struct TBmpHeader {
  int64_t width = 0, height = 0;
  bool topDown = false;
  int planes = 1, bits = 0, compression = 0;
  uint32_t imageSize = 0, colorsUsed = 0;
  int32_t xres = 0, yres = 0;
  uint32_t masks[3] = {0, 0, 0};
  bool core = false;
  bool masksInHeader = false;
};

bool Decodable(const TBmpHeader& h) {
  switch (h.compression) {
    case 0: return h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 || h.bits == 32;
    case 1: return h.bits == 8 && !h.topDown;
    case 2: return h.bits == 4 && !h.topDown;
    case 3: return h.bits == 16 || h.bits == 32;
    default: return false;
  }
}

enum class TRleEnd { Done, Broken, DataEnded };

// RLE4/RLE8 into a 24-bit DIB through the palette, counting the rows finished from the bottom.
TRleEnd DecodeRLE(const std::vector<uint8_t>& d, bool four, gfx::TDib& dib, const std::array<gfx::TRGB, 256>& lut,
                  TProgressRec& progress) {
  const int w = dib.Width(), h = dib.Height();
  const size_t n = d.size();
  int64_t x = 0, row = 0;  // row 0 is the bottom
  uint8_t* line = dib.ScanLine(h - 1);
  // Encoders may run rows on to their padded length; pixels past the edge are dropped.
  auto put = [&](uint8_t index) {
    if (x < w) {
      const gfx::TRGB& c = lut[index];
      uint8_t* p = line + 3 * x;
      p[0] = c.b; p[1] = c.g; p[2] = c.r;
      ++x;
    }
  };
  size_t i = 0;
  while (i + 1 < n) {
    const uint8_t a = d[i], b = d[i + 1];
    i += 2;
    if (a > 0) {
      if (four) {
        for (int k = 0; k < a && x < w; ++k) put((k & 1) ? (b & 0x0F) : (b >> 4));
      } else {
        for (int k = 0; k < a && x < w; ++k) put(b);
      }
      continue;
    }
    if (b == 0) {  // end of line
      x = 0;
      if (++row >= h) return TRleEnd::Done;
      progress.Delivered(row);
      line = dib.ScanLine(int(h - 1 - row));
      progress.Report(int(Trunc(double(row) * (100.0 / h))));
      if (progress.IsAborted()) return TRleEnd::Done;
      continue;
    }
    if (b == 1) return TRleEnd::Done;  // end of bitmap
    if (b == 2) {
      if (i + 2 > n) return TRleEnd::DataEnded;
      x += d[i];
      row += d[i + 1];
      i += 2;
      if (x > w || row > h || (row == h && x > 0)) return TRleEnd::Broken;
      if (row == h) return TRleEnd::Done;
      progress.Delivered(row);
      line = dib.ScanLine(int(h - 1 - row));
      continue;
    }
    const size_t bytes = four ? (size_t(b) + 1) / 2 : b;
    const size_t padded = bytes + (bytes & 1);
    const size_t have = std::min(bytes, n - i);
    if (four) {
      for (int k = 0; k < b && size_t(k / 2) < have && x < w; ++k) put((k & 1) ? (d[i + k / 2] & 0x0F) : (d[i + k / 2] >> 4));
    } else {
      for (size_t k = 0; k < have && x < w; ++k) put(d[i + k]);
    }
    if (have < bytes) return TRleEnd::DataEnded;
    i += padded;
  }
  return TRleEnd::DataEnded;  // before the end-of-bitmap code
}

// ---------------------------------------------------------------------------------------------------------

class TBmpWriter {
 public:
  TBmpWriter(TOXStream& s, TProgressRec& p) : s_(s), progress_(p) {}
  void Put(const void* data, size_t n) {
    if (!ok_) return;
    if (s_.Write(data, int64_t(n)) != int64_t(n)) {
      ok_ = false;
      progress_.Abort();
    }
  }
  void Put(const std::vector<uint8_t>& v) { Put(v.data(), v.size()); }
  bool Ok() const { return ok_; }

 private:
  TOXStream& s_;
  TProgressRec& progress_;
  bool ok_ = true;
};

}  // namespace

void BMPReadStream(TOXStream& stream, gfx::TDib* dib, int64_t dataSize, bool paramsOnly, TProgressRec& progress,
                   TIOParamsVals& params) {
  const int64_t start = stream.Position();
  TOXReader rd(stream);
  uint8_t fh[14];
  if (!rd.ReadInto(fh, 14) || fh[0] != 'B' || fh[1] != 'M') {
    progress.Abort();
    return;
  }
  const uint32_t fileSize = Le32(fh + 2), offset = Le32(fh + 10);
  if (dataSize <= 0 && fileSize != 0) dataSize = fileSize;

  TBmpHeader h;
  const uint32_t hsize = rd.ReadU32LE();
  params.FreeColorMap();
  if (rd.Failed()) {
    progress.Abort();
    return;
  }
  int paletteEntrySize = 4;
  int64_t paletteCount = 0;
  if (hsize == 12) {
    uint8_t b[8];
    rd.ReadInto(b, 8);
    h.core = true;
    h.width = Le16(b);
    h.height = Le16(b + 2);
    h.planes = Le16(b + 4);
    h.bits = Le16(b + 6);
    params.BmpVersion = 2;
    params.DpiX = params.ScreenDpiX;
    params.DpiY = params.ScreenDpiY;
    paletteEntrySize = 3;
    if (h.bits <= 8) paletteCount = int64_t(1) << h.bits;
  } else if ((hsize >= 16 && hsize <= 64) || hsize == 108 || hsize == 124) {
    uint8_t b[64] = {};
    Put32(b, hsize);
    rd.ReadInto(b + 4, std::min<uint32_t>(hsize, 64) - 4);
    if (hsize > 64) rd.Skip(hsize - 64);
    params.BmpVersion = hsize == 64 ? 3 : hsize == 40 ? 1 : 0;
    h.width = int32_t(Le32(b + 4));
    h.height = int32_t(Le32(b + 8));
    h.planes = Le16(b + 12);
    h.bits = Le16(b + 14);
    h.compression = int(Le32(b + 16));
    h.imageSize = Le32(b + 20);
    h.xres = int32_t(Le32(b + 24));
    h.yres = int32_t(Le32(b + 28));
    h.colorsUsed = Le32(b + 32);
    params.DpiX = DpiFromPpm(h.xres, params.ScreenDpiX);
    params.DpiY = DpiFromPpm(h.yres, params.ScreenDpiY);
    if (hsize >= 52) {
      h.masksInHeader = true;
      for (int c = 0; c < 3; ++c) h.masks[c] = Le32(b + 40 + 4 * c);
    }
    // OS/2 2.x uses 3 and 4 for Huffman 1-D and RLE24, which are not decoded.
    if (hsize == 64 && h.compression >= 3) h.compression = 100 + h.compression;
    uint32_t used = h.colorsUsed > 256 ? 0 : h.colorsUsed;
    if (used == 0 && h.bits <= 8) used = 1u << h.bits;
    paletteCount = used;
  } else {
    progress.Abort();
    return;
  }
  if (rd.Failed() || h.planes != 1 || h.width < 1 || h.height == 0) {
    progress.Abort();
    return;
  }
  if (h.height < 0) {
    h.topDown = true;
    h.height = -h.height;
  }
  // Masks of a 40-byte header follow it, before the colour table.
  if (h.compression == 3 && !h.masksInHeader)
    for (auto& m : h.masks) m = rd.ReadU32LE();
  std::array<gfx::TRGB, 256> lut{};
  if (paletteCount > 0) {
    std::vector<uint8_t> table = rd.ReadBytes(paletteCount * paletteEntrySize);
    if (rd.Failed()) {
      progress.Abort();
      return;
    }
    auto& map = params.SetColorMapCount(int(paletteCount));
    for (int64_t i = 0; i < paletteCount; ++i) {
      const uint8_t* e = &table[size_t(i * paletteEntrySize)];
      map[size_t(i)] = gfx::TRGB{e[2], e[1], e[0]};
      if (i < 256) lut[size_t(i)] = map[size_t(i)];
    }
  }
  params.BmpCompressed = h.compression == 1 || h.compression == 2;
  params.Width = int(h.width);
  params.Height = int(h.height);

  if (offset != 0) {
    if (int64_t(offset) > stream.Size() - start) {
      progress.Abort();
      return;
    }
    stream.SetPosition(start + offset);
  }
  const int64_t remaining = rd.Remaining();
  int64_t compressed = dataSize > 0 ? dataSize - (stream.Position() - start) : int64_t(h.imageSize);
  if (compressed <= 0 || compressed > remaining) compressed = remaining;

  switch (h.bits) {
    case 1: params.BitsPerSample = 1; params.SamplesPerPixel = 1; break;
    case 4: params.BitsPerSample = 4; params.SamplesPerPixel = 1; break;
    case 8: params.BitsPerSample = 8; params.SamplesPerPixel = 1; break;
    case 16: params.BitsPerSample = 5; params.SamplesPerPixel = 3; break;
    default: params.BitsPerSample = 8; params.SamplesPerPixel = 3; break;
  }
  if (!Decodable(h)) {
    progress.Abort();
    return;
  }
  if (paramsOnly || !dib) return;

  const int outBits = h.bits == 1 ? 1 : 24;
  if (!gfx::ImageSizeAllowed(h.width, h.height, outBits) || !gfx::ImageSizeAllowed(h.width, h.height, h.bits)) {
    progress.Abort();
    return;
  }
  // Refuse pictures far larger than the data could describe before allocating them: uncompressed rows
  // must mostly be there, and no real RLE stream expands a byte to thousands of pixels.
  const int64_t rowLen = gfx::RowBytes(h.width, h.bits);
  const bool rle = h.compression == 1 || h.compression == 2;
  const int64_t area = h.width * h.height;
  if ((rle && area > compressed * 4096 + (int64_t(1) << 20)) ||
      (!rle && rowLen * h.height > remaining * 16 + (int64_t(1) << 20))) {
    progress.Abort();
    return;
  }
  const int w = int(h.width), ht = int(h.height);
  *dib = gfx::TDib(w, ht, outBits == 1 ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  progress.StartPicture(ht, !h.topDown);

  if (rle) {
    std::vector<uint8_t> data = rd.ReadBytes(compressed);
    switch (DecodeRLE(data, h.compression == 2, *dib, lut, progress)) {
      case TRleEnd::Done: break;
      case TRleEnd::Broken: progress.Abort(); break;
      case TRleEnd::DataEnded: progress.EndOfData(); break;
    }
    return;
  }

  std::vector<uint8_t> buf(h.bits == 1 || h.bits == 24 ? 0 : size_t(rowLen));
  TChannel red(h.compression == 3 ? h.masks[0] : 0x7C00), green(h.compression == 3 ? h.masks[1] : 0x03E0),
      blue(h.compression == 3 ? h.masks[2] : 0x001F);
  for (int i = 0; i < ht; ++i) {
    progress.Report(int(Trunc(double(i) * (100.0 / ht))));
    if (progress.IsAborted()) return;
    uint8_t* out = dib->ScanLine(h.topDown ? i : ht - 1 - i);
    if (buf.empty()) {
      if (!rd.ReadInto(out, rowLen)) break;
      progress.Delivered(i + 1);
      continue;
    }
    if (!rd.ReadInto(buf.data(), rowLen)) break;
    const uint8_t* in = buf.data();
    switch (h.bits) {
      case 4:
        for (int x = 0; x < w; ++x, out += 3) {
          const gfx::TRGB& c = lut[(x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4)];
          out[0] = c.b; out[1] = c.g; out[2] = c.r;
        }
        break;
      case 8:
        for (int x = 0; x < w; ++x, out += 3) {
          const gfx::TRGB& c = lut[in[x]];
          out[0] = c.b; out[1] = c.g; out[2] = c.r;
        }
        break;
      case 16:
        for (int x = 0; x < w; ++x, out += 3, in += 2) {
          const uint32_t p = Le16(in);
          out[0] = blue(p); out[1] = green(p); out[2] = red(p);
        }
        break;
      case 32:
        if (h.compression == 3) {
          for (int x = 0; x < w; ++x, out += 3, in += 4) {
            const uint32_t p = Le32(in);
            out[0] = blue(p); out[1] = green(p); out[2] = red(p);
          }
        } else {
          for (int x = 0; x < w; ++x, out += 3, in += 4) { out[0] = in[0]; out[1] = in[1]; out[2] = in[2]; }
        }
        break;
    }
    progress.Delivered(i + 1);
  }
  if (rd.Failed()) progress.EndOfData();
  if (h.bits == 1 && params.ColorMapCount == 2) {
    const gfx::TRGB black{0, 0, 0}, white{255, 255, 255};
    if (params.ColorMap[0] == white && params.ColorMap[1] == black)
      InvertBilevel(*dib);
    else if (!(params.ColorMap[0] == black && params.ColorMap[1] == white))
      // Any other two colours stay the picture's own.
      dib->SetPalette({params.ColorMap[0], params.ColorMap[1]});
  }
}

// ---------------------------------------------------------------------------------------------------------

namespace {

// Pending literal bytes (or pixels) in pieces of at most 255.
void FlushLiteral(const uint8_t* p, int n, bool four, std::vector<uint8_t>& out) {
  while (n > 0) {
    const int k = std::min(n, 255);
    if (k == 1) {
      out.insert(out.end(), {1, uint8_t(four ? p[0] << 4 : p[0])});
    } else if (k == 2) {
      if (four) out.insert(out.end(), {2, uint8_t((p[0] << 4) | (p[1] & 0x0F))});
      else out.insert(out.end(), {1, p[0], 1, p[1]});
    } else {
      out.push_back(0);
      out.push_back(uint8_t(k));
      size_t bytes = 0;
      if (four) {
        for (int j = 0; j < k; j += 2, ++bytes)
          out.push_back(uint8_t((p[j] << 4) | (j + 1 < k ? (p[j + 1] & 0x0F) : 0)));
      } else {
        out.insert(out.end(), p, p + k);
        bytes = size_t(k);
      }
      if (bytes & 1) out.push_back(0);
    }
    p += k;
    n -= k;
  }
}

void EncodeRLE(const uint8_t* row, int count, bool four, std::vector<uint8_t>& out) {
  int i = 0, literal = 0;
  while (i < count) {
    int run = 1;
    while (i + run < count && run < 255 && row[i + run] == row[i]) ++run;
    if (run >= 2) {
      FlushLiteral(row + literal, i - literal, four, out);
      out.push_back(uint8_t(run));
      out.push_back(four ? uint8_t((row[i] << 4) | (row[i] & 0x0F)) : row[i]);
      i += run;
      literal = i;
    } else {
      ++i;
      if (i - literal == 255) {
        FlushLiteral(row + literal, 255, four, out);
        literal = i;
      }
    }
  }
  FlushLiteral(row + literal, count - literal, four, out);
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

void BMPEncodeRLE8(const uint8_t* row, int count, std::vector<uint8_t>& out) { EncodeRLE(row, count, false, out); }
void BMPEncodeRLE4(const uint8_t* row, int count, std::vector<uint8_t>& out) { EncodeRLE(row, count, true, out); }

void BMPWriteStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress) {
  const int bits = params.BitsPerSample == 1 || params.BitsPerSample == 4 ? params.BitsPerSample
                   : params.SamplesPerPixel == 1                          ? 8
                                                                          : 24;
  const bool core = params.BmpVersion == 2;
  const int w = dib.Width(), h = dib.Height();
  if (dib.Empty() || (core && (w > 0xFFFF || h > 0xFFFF))) {
    progress.Abort();
    return;
  }
  const bool compressed = !core && params.BmpCompressed && (bits == 4 || bits == 8);
  TBmpWriter out(stream, progress);
  const int64_t start = stream.Position();
  uint8_t fh[14] = {'B', 'M'};
  out.Put(fh, 14);

  const uint32_t hsize = core ? 12 : params.BmpVersion == 3 ? 64 : 40;
  uint8_t hd[64] = {};
  Put32(hd, hsize);
  if (core) {
    Put16(hd + 4, uint32_t(w));
    Put16(hd + 6, uint32_t(h));
    Put16(hd + 8, 1);
    Put16(hd + 10, uint32_t(bits));
  } else {
    Put32(hd + 4, uint32_t(w));
    Put32(hd + 8, uint32_t(h));
    Put16(hd + 12, 1);
    Put16(hd + 14, uint32_t(bits));
    Put32(hd + 16, compressed ? (bits == 4 ? 2 : 1) : 0);
    Put32(hd + 24, uint32_t(int32_t(Round(params.DpiX / 2.54 * 100))));
    Put32(hd + 28, uint32_t(int32_t(Round(params.DpiY / 2.54 * 100))));
    Put32(hd + 32, bits <= 8 ? 1u << bits : 0);
    Put32(hd + 36, 1u << bits);
  }
  out.Put(hd, hsize);

  auto putTable = [&](const std::vector<gfx::TRGB>& pal) {
    std::vector<uint8_t> t;
    for (const gfx::TRGB& c : pal) {
      t.insert(t.end(), {c.b, c.g, c.r});
      if (!core) t.push_back(0);
    }
    out.Put(t);
  };

  progress.SetRows(h);
  int64_t pixelOffset = 0;
  const int64_t rowLen = gfx::RowBytes(w, bits);
  gfx::TDib holder;
  if (bits == 4 || bits == 8) {
    const gfx::TDib& src = PrepareSource24(dib, holder);
    std::vector<gfx::TRGB> pal;
    std::vector<uint8_t> idx;
    QuantizeSource(src, 1 << bits, pal, idx);
    pal.resize(size_t(1) << bits);
    params.ColorMap = pal;
    params.ColorMapCount = int(pal.size());
    putTable(pal);
    pixelOffset = stream.Position() - start;
    std::vector<uint8_t> row;
    for (int i = 0; i < h && out.Ok(); ++i) {
      progress.Report(int(Trunc(double(i) * (100.0 / h))));
      if (progress.IsAborted()) break;
      const uint8_t* in = &idx[size_t(int64_t(h - 1 - i) * w)];
      row.clear();
      if (compressed) {
        if (bits == 8) BMPEncodeRLE8(in, w, row);
        else BMPEncodeRLE4(in, w, row);
      } else if (bits == 8) {
        row.assign(in, in + w);
        row.resize(size_t(rowLen), 0);
      } else {
        row.assign(size_t(rowLen), 0);
        for (int x = 0; x < w; ++x) row[size_t(x >> 1)] |= uint8_t((x & 1) ? in[x] & 0x0F : in[x] << 4);
      }
      out.Put(row);
    }
    if (compressed) {
      const uint8_t eob[2] = {0, 1};
      out.Put(eob, 2);
    }
  } else if (bits == 1) {
    const gfx::TDib& src = PrepareSource1(dib, holder);
    std::vector<gfx::TRGB> pal = {gfx::TRGB{0, 0, 0}, gfx::TRGB{255, 255, 255}};
    if (src.Palette().size() >= 2) pal.assign(src.Palette().begin(), src.Palette().begin() + 2);
    params.ColorMap = pal;
    params.ColorMapCount = 2;
    putTable(pal);
    pixelOffset = stream.Position() - start;
    for (int i = 0; i < h && out.Ok(); ++i) {
      progress.Report(int(Trunc(double(i) * (100.0 / h))));
      if (progress.IsAborted()) break;
      out.Put(src.ScanLine(h - 1 - i), size_t(rowLen));
    }
  } else {
    const gfx::TDib& src = PrepareSource24(dib, holder);
    pixelOffset = stream.Position() - start;
    for (int i = 0; i < h && out.Ok(); ++i) {
      progress.Report(int(Trunc(double(i) * (100.0 / h))));
      if (progress.IsAborted()) break;
      out.Put(src.ScanLine(h - 1 - i), size_t(rowLen));
    }
  }
  if (progress.IsAborted() || !out.Ok()) return;

  const int64_t end = stream.Position();
  Put32(fh + 2, uint32_t(end - start));
  Put32(fh + 10, uint32_t(pixelOffset));
  if (!core) Put32(hd + 20, uint32_t(end - start - pixelOffset));
  stream.SetPosition(start);
  out.Put(fh, 14);
  out.Put(hd, hsize);
  stream.SetPosition(end);
}

}  // namespace ox
