// Windows bitmap codec: header parsing, row decoders (palette, bit fields, RLE4/RLE8) and the writer.
#include "imaging/io/BMPFilt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/model/DibInfo.h"
#include "imaging/model/IndexedRows.h"
#include "imaging/model/Rounding.h"
#include "imaging/proc/oxquantize.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

// The info header sizes a BMP file may carry: the core one, OS/2 2.x's 16 to 64 bytes, and V4 and V5.
bool BmpHeaderSize(uint32_t size) {
  return size == kDibCoreHeaderSize || (size >= 16 && size <= kOs2V2HeaderSize) || size == kDibV4HeaderSize ||
         size == kDibV5HeaderSize;
}

bool Decodable(const TDibInfo& h) {
  switch (h.Compression) {
    case dcRgb: return h.Bits == 1 || h.Bits == 4 || h.Bits == 8 || h.Bits == 16 || h.Bits == 24 || h.Bits == 32;
    case dcRle8: return h.Bits == 8 && !h.TopDown;
    case dcRle4: return h.Bits == 4 && !h.TopDown;
    case dcBitFields: return h.Bits == 16 || h.Bits == 32;
    default: return false;
  }
}

std::string CompressionName(uint32_t c) {
  switch (c) {
    case dcRgb: return "none";
    case dcRle8: return "RLE8";
    case dcRle4: return "RLE4";
    case dcBitFields: return "bit fields";
    case dcJpeg: return "JPEG";
    case dcPng: return "PNG";
    case dcOs2Huffman1D: return "OS/2 Huffman 1-D";
    case dcOs2Rle24: return "OS/2 RLE24";
    default: return std::to_string(c);
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

}  // namespace

namespace {

// One BMP read, stage by stage: file header, info header, colour table, then the pixels.
struct TBmpRead {
  TOXStream& Stream;
  TOXReader Rd;
  TIOParamsVals& Params;
  TProgressRec& Progress;
  int64_t Start = 0, DataSize = 0;
  uint32_t PixelOffset = 0;
  TDibInfo H;
  int64_t PaletteCount = 0;
  std::array<gfx::TRGB, 256> Lut{};
  int64_t Compressed = 0, Remaining = 0;

  TBmpRead(TOXStream& s, int64_t dataSize, TIOParamsVals& p, TProgressRec& r)
      : Stream(s), Rd(s), Params(p), Progress(r), Start(s.Position()), DataSize(dataSize) {}

  bool FileHeader();
  bool Info();
  bool ColourTable();
  bool LocatePixels();
  void Rle(gfx::TDib& dib);
  void Rows(gfx::TDib& dib);
};

bool TBmpRead::FileHeader() {
  uint8_t fh[14];
  if (!Rd.ReadInto(fh, 14) || fh[0] != 'B' || fh[1] != 'M') {
    FailDamaged(Progress, "BMP: the file does not start with a BMP file header");
    return false;
  }
  const uint32_t fileSize = LoadU32LE(fh + 2);
  PixelOffset = LoadU32LE(fh + 10);
  if (DataSize <= 0 && fileSize != 0) DataSize = fileSize;
  return true;
}

bool TBmpRead::Info() {
  const bool read = ReadDibInfo(Rd, H);
  Params.FreeColorMap();
  if (!read || !BmpHeaderSize(H.HeaderSize)) {
    if (read || !Rd.Failed())
      FailDamaged(Progress, "BMP: an info header of " + std::to_string(H.HeaderSize) + " bytes is not one BMP files use");
    else
      FailDamaged(Progress, "BMP: the info header runs past the end of the file");
    return false;
  }
  if (H.Core) {
    Params.BmpVersion = 2;
    Params.DpiX = Params.ScreenDpiX;
    Params.DpiY = Params.ScreenDpiY;
    if (H.Bits <= 8) PaletteCount = int64_t(1) << H.Bits;
  } else {
    Params.BmpVersion = H.HeaderSize == kOs2V2HeaderSize ? 3 : H.HeaderSize == kDibInfoHeaderSize ? 1 : 0;
    Params.DpiX = DpiOfPelsPerMeter(H.XPelsPerMeter, Params.ScreenDpiX);
    Params.DpiY = DpiOfPelsPerMeter(H.YPelsPerMeter, Params.ScreenDpiY);
    uint32_t used = H.ColorsUsed > 256 ? 0 : H.ColorsUsed;
    if (used == 0 && H.Bits <= 8) used = 1u << H.Bits;
    PaletteCount = used;
  }
  if (H.Planes != 1 || H.Width < 1 || H.Height == 0) {
    FailDamaged(Progress, "BMP: the info header gives " + std::to_string(H.Planes) + " planes of " +
                              std::to_string(H.Width) + " x " + std::to_string(H.Height) + " pixels");
    return false;
  }
  return true;
}

bool TBmpRead::ColourTable() {
  if (PaletteCount <= 0) return true;
  const int entrySize = H.TableEntrySize();
  std::vector<uint8_t> table = Rd.ReadBytes(PaletteCount * entrySize);
  if (Rd.Failed()) {
    FailDamaged(Progress, "BMP: the colour table runs past the end of the file");
    return false;
  }
  auto& map = Params.SetColorMapCount(int(PaletteCount));
  for (int64_t i = 0; i < PaletteCount; ++i) {
    const uint8_t* e = &table[size_t(i * entrySize)];
    map[size_t(i)] = gfx::TRGB{e[2], e[1], e[0]};
    if (i < 256) Lut[size_t(i)] = map[size_t(i)];
  }
  return true;
}

// Moves to the pixels and fills the parameters the file's depth and compression give.
bool TBmpRead::LocatePixels() {
  Params.BmpCompressed = H.Compression == dcRle8 || H.Compression == dcRle4;
  Params.Width = int(H.Width);
  Params.Height = int(H.Height);
  if (PixelOffset != 0) {
    if (int64_t(PixelOffset) > Stream.Size() - Start) {
      FailDamaged(Progress, "BMP: the pixels start past the end of the file");
      return false;
    }
    Stream.SetPosition(Start + PixelOffset);
  }
  Remaining = Rd.Remaining();
  Compressed = DataSize > 0 ? DataSize - (Stream.Position() - Start) : int64_t(H.ImageSize);
  if (Compressed <= 0 || Compressed > Remaining) Compressed = Remaining;

  switch (H.Bits) {
    case 1: Params.BitsPerSample = 1; Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4; Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8; Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5; Params.SamplesPerPixel = 3; break;
    default: Params.BitsPerSample = 8; Params.SamplesPerPixel = 3; break;
  }
  if (!Decodable(H)) {
    FailUnsupported(Progress, "BMP: compression " + CompressionName(H.Compression) + " at " + std::to_string(H.Bits) +
                                  " bits per pixel" + (H.TopDown ? " stored top-down" : "") + " is not supported");
    return false;
  }
  return true;
}

void TBmpRead::Rle(gfx::TDib& dib) {
  std::vector<uint8_t> data = Rd.ReadBytes(Compressed);
  switch (DecodeRLE(data, H.Compression == dcRle4, dib, Lut, Progress)) {
    case TRleEnd::Done: break;
    case TRleEnd::Broken: FailDamaged(Progress, "BMP: the run-length data moves past the picture's edge"); break;
    case TRleEnd::DataEnded: Progress.EndOfData(); break;
  }
}

void TBmpRead::Rows(gfx::TDib& dib) {
  const int w = int(H.Width), ht = int(H.Height);
  const int64_t rowLen = gfx::RowBytes(H.Width, H.Bits);
  std::vector<uint8_t> buf(H.Bits == 1 || H.Bits == 24 ? 0 : size_t(rowLen));
  const TDibChannel red(H.Masks[0]), green(H.Masks[1]), blue(H.Masks[2]);
  for (int i = 0; i < ht; ++i) {
    Progress.Report(int(Trunc(double(i) * (100.0 / ht))));
    if (Progress.IsAborted()) return;
    uint8_t* out = dib.ScanLine(H.TopDown ? i : ht - 1 - i);
    if (buf.empty()) {
      if (!Rd.ReadInto(out, rowLen)) break;
      Progress.Delivered(i + 1);
      continue;
    }
    if (!Rd.ReadInto(buf.data(), rowLen)) break;
    const uint8_t* in = buf.data();
    switch (H.Bits) {
      case 4: ExpandIndexes4(in, w, Lut.data(), out); break;
      case 8: ExpandIndexes8(in, w, Lut.data(), out); break;
      case 16:
        for (int x = 0; x < w; ++x, out += 3, in += 2) {
          const uint32_t p = LoadU16LE(in);
          out[0] = blue(p); out[1] = green(p); out[2] = red(p);
        }
        break;
      case 32:
        if (H.BitFields()) {
          for (int x = 0; x < w; ++x, out += 3, in += 4) {
            const uint32_t p = LoadU32LE(in);
            out[0] = blue(p); out[1] = green(p); out[2] = red(p);
          }
        } else {
          for (int x = 0; x < w; ++x, out += 3, in += 4) { out[0] = in[0]; out[1] = in[1]; out[2] = in[2]; }
        }
        break;
    }
    Progress.Delivered(i + 1);
  }
  if (Rd.Failed()) Progress.EndOfData();
}

}  // namespace

void BMPReadStream(TOXStream& stream, gfx::TDib* dib, int64_t dataSize, bool paramsOnly, TProgressRec& progress,
                   TIOParamsVals& params) {
  TBmpRead r(stream, dataSize, params, progress);
  if (!r.FileHeader() || !r.Info() || !r.ColourTable() || !r.LocatePixels()) return;
  if (paramsOnly || !dib) return;

  const TDibInfo& h = r.H;
  const int outBits = h.Bits == 1 ? 1 : 24;
  if (!gfx::ImageSizeAllowed(h.Width, h.Height, outBits) || !gfx::ImageSizeAllowed(h.Width, h.Height, h.Bits)) {
    FailUnsupported(progress, "BMP: " + std::to_string(h.Width) + " x " + std::to_string(h.Height) +
                                  " pixels is larger than this program reads");
    return;
  }
  // Refuse pictures far larger than the data could describe before allocating them: uncompressed rows
  // must mostly be there, and no real RLE stream expands a byte to thousands of pixels.
  const int64_t rowLen = gfx::RowBytes(h.Width, h.Bits);
  const bool rle = h.Compression == dcRle8 || h.Compression == dcRle4;
  const int64_t area = h.Width * h.Height;
  if ((rle && area > r.Compressed * 4096 + (int64_t(1) << 20)) ||
      (!rle && rowLen * h.Height > r.Remaining * 16 + (int64_t(1) << 20))) {
    FailDamaged(progress, "BMP: the file is far shorter than its header says");
    return;
  }
  *dib = gfx::TDib(int(h.Width), int(h.Height), outBits == 1 ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  progress.StartPicture(int(h.Height), !h.TopDown);
  if (rle) {
    r.Rle(*dib);
    return;
  }
  r.Rows(*dib);
  if (h.Bits == 1 && params.ColorMapCount == 2) {
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

namespace {

constexpr const char* kBmpShortWrite = "BMP: the output took fewer bytes than were written";

// What the writer's stages share: the headers are written first and completed once the pixels are out.
struct TBmpWrite {
  TBmpWrite(TOXStream& s, TProgressRec& p) : stream(s), out(s), progress(p) {}
  TOXStream& stream;
  TOXWriter out;
  TProgressRec& progress;
  bool core = false, compressed = false;
  int bits = 24, w = 0, h = 0;
  int64_t start = 0, rowLen = 0, pixelOffset = 0;
  uint32_t headerSize = 0;
  uint8_t fileHeader[14] = {'B', 'M'};
  uint8_t infoHeader[64] = {};
};

void FillBmpInfoHeader(TBmpWrite& c, const TIOParamsVals& params) {
  uint8_t* hd = c.infoHeader;
  c.headerSize = c.core ? kDibCoreHeaderSize : params.BmpVersion == 3 ? kOs2V2HeaderSize : kDibInfoHeaderSize;
  StoreU32LE(hd, c.headerSize);
  if (c.core) {
    StoreU16LE(hd + 4, uint16_t(c.w));
    StoreU16LE(hd + 6, uint16_t(c.h));
    StoreU16LE(hd + 8, 1);
    StoreU16LE(hd + 10, uint16_t(c.bits));
    return;
  }
  StoreU32LE(hd + 4, uint32_t(c.w));
  StoreU32LE(hd + 8, uint32_t(c.h));
  StoreU16LE(hd + 12, 1);
  StoreU16LE(hd + 14, uint16_t(c.bits));
  StoreU32LE(hd + 16, c.compressed ? (c.bits == 4 ? dcRle4 : dcRle8) : dcRgb);
  StoreU32LE(hd + 24, uint32_t(int32_t(Round(params.DpiX / 2.54 * 100))));
  StoreU32LE(hd + 28, uint32_t(int32_t(Round(params.DpiY / 2.54 * 100))));
  StoreU32LE(hd + 32, c.bits <= 8 ? 1u << c.bits : 0);
  StoreU32LE(hd + 36, 1u << c.bits);
}

// The colour table, then where the pixels start.
void PutBmpTable(TBmpWrite& c, const std::vector<gfx::TRGB>& pal) {
  std::vector<uint8_t> t;
  for (const gfx::TRGB& e : pal) {
    t.insert(t.end(), {e.b, e.g, e.r});
    if (!c.core) t.push_back(0);
  }
  c.out.Write(t.data(), int64_t(t.size()));
}

// Reports row i; false when the write is to stop there.
bool NextBmpRow(TBmpWrite& c, int i) {
  if (c.out.Failed()) return false;
  c.progress.Report(int(Trunc(double(i) * (100.0 / c.h))));
  return !c.progress.IsAborted();
}

void WriteBmpIndexed(TBmpWrite& c, const gfx::TDib& dib, TIOParamsVals& params) {
  gfx::TDib holder;
  const gfx::TDib& src = PrepareSource24(dib, holder);
  std::vector<gfx::TRGB> pal;
  std::vector<uint8_t> idx;
  QuantizeSource(src, 1 << c.bits, pal, idx);
  pal.resize(size_t(1) << c.bits);
  params.ColorMap = pal;
  params.ColorMapCount = int(pal.size());
  PutBmpTable(c, pal);
  c.pixelOffset = c.stream.Position() - c.start;
  const int w = c.w, h = c.h;
  std::vector<uint8_t> row;
  for (int i = 0; i < h && NextBmpRow(c, i); ++i) {
    const uint8_t* in = &idx[size_t(int64_t(h - 1 - i) * w)];
    row.clear();
    if (c.compressed) {
      if (c.bits == 8) BMPEncodeRLE8(in, w, row);
      else BMPEncodeRLE4(in, w, row);
    } else if (c.bits == 8) {
      row.assign(in, in + w);
      row.resize(size_t(c.rowLen), 0);
    } else {
      row.assign(size_t(c.rowLen), 0);
      for (int x = 0; x < w; ++x) row[size_t(x >> 1)] |= uint8_t((x & 1) ? in[x] & 0x0F : in[x] << 4);
    }
    c.out.Write(row.data(), int64_t(row.size()));
  }
  if (c.compressed) {
    const uint8_t endOfBitmap[2] = {0, 1};
    c.out.Write(endOfBitmap, 2);
  }
}

// Two-colour and 24-bit pictures go out as their rows are stored, bottom row first.
void WriteBmpRowsAsStored(TBmpWrite& c, const gfx::TDib& src) {
  c.pixelOffset = c.stream.Position() - c.start;
  for (int i = 0; i < c.h && NextBmpRow(c, i); ++i) c.out.Write(src.ScanLine(c.h - 1 - i), c.rowLen);
}

// Sizes and the pixel offset, now known, go into the headers at the start.
void CompleteBmpHeaders(TBmpWrite& c) {
  const int64_t end = c.stream.Position();
  StoreU32LE(c.fileHeader + 2, uint32_t(end - c.start));
  StoreU32LE(c.fileHeader + 10, uint32_t(c.pixelOffset));
  if (!c.core) StoreU32LE(c.infoHeader + 20, uint32_t(end - c.start - c.pixelOffset));
  c.stream.SetPosition(c.start);
  c.out.Write(c.fileHeader, 14);
  c.out.Write(c.infoHeader, c.headerSize);
  c.stream.SetPosition(end);
}

}  // namespace

void BMPWriteStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress) {
  TBmpWrite c(stream, progress);
  c.bits = params.BitsPerSample == 1 || params.BitsPerSample == 4 ? params.BitsPerSample
           : params.SamplesPerPixel == 1                          ? 8
                                                                  : 24;
  c.core = params.BmpVersion == 2;
  c.w = dib.Width();
  c.h = dib.Height();
  if (dib.Empty() || (c.core && (c.w > 0xFFFF || c.h > 0xFFFF))) {
    FailUnsupported(progress, "BMP: the header cannot describe this picture");
    return;
  }
  c.compressed = !c.core && params.BmpCompressed && (c.bits == 4 || c.bits == 8);
  c.start = stream.Position();
  c.out.Write(c.fileHeader, 14);
  FillBmpInfoHeader(c, params);
  c.out.Write(c.infoHeader, c.headerSize);

  progress.SetRows(c.h);
  c.rowLen = gfx::RowBytes(c.w, c.bits);
  gfx::TDib holder;
  if (c.bits == 4 || c.bits == 8) {
    WriteBmpIndexed(c, dib, params);
  } else if (c.bits == 1) {
    const gfx::TDib& src = PrepareSource1(dib, holder);
    std::vector<gfx::TRGB> pal = {gfx::TRGB{0, 0, 0}, gfx::TRGB{255, 255, 255}};
    if (src.Palette().size() >= 2) pal.assign(src.Palette().begin(), src.Palette().begin() + 2);
    params.ColorMap = pal;
    params.ColorMapCount = 2;
    PutBmpTable(c, pal);
    WriteBmpRowsAsStored(c, src);
  } else {
    WriteBmpRowsAsStored(c, PrepareSource24(dib, holder));
  }
  if (c.out.Failed()) FailOutput(progress, kBmpShortWrite);
  if (progress.IsAborted()) return;
  CompleteBmpHeaders(c);
  if (c.out.Failed()) FailOutput(progress, kBmpShortWrite);
}

bool IsBMPStream(TOXStream& stream) {
  uint8_t b[2];
  return PeekBytes(stream, b, 2, 14) && b[0] == 'B' && b[1] == 'M';
}
}  // namespace ox
