// TIFF reader (strips, tiles, planes, the sample formats and compressions) and the one-page writer.
#include "imaging/io/TIFFFilt.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imaging/io/CCITT.h"
#include "imaging/io/JPEGFilt.h"
#include "imaging/io/TIFFDir.h"
#include "imaging/io/TIFFJpeg.h"
#include "imaging/io/oxfailure.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/model/BitRun.h"
#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

enum TTag : uint16_t {
  tgImageWidth = 256, tgImageLength = 257, tgBitsPerSample = 258, tgCompression = 259, tgPhotometric = 262,
  tgFillOrder = 266, tgDocumentName = 269, tgImageDescription = 270, tgMake = 271, tgModel = 272,
  tgStripOffsets = 273, tgOrientation = 274, tgSamplesPerPixel = 277, tgRowsPerStrip = 278,
  tgStripByteCounts = 279, tgXResolution = 282, tgYResolution = 283, tgPlanarConfig = 284, tgPageName = 285,
  tgXPosition = 286, tgYPosition = 287, tgT4Options = 292, tgT6Options = 293, tgResolutionUnit = 296,
  tgPageNumber = 297, tgTransferFunction = 301, tgSoftware = 305, tgDateTime = 306, tgPredictor = 317,
  tgWhitePoint = 318, tgPrimaryChromaticities = 319, tgColorMap = 320, tgTileWidth = 322, tgTileLength = 323,
  tgTileOffsets = 324, tgTileByteCounts = 325, tgExtraSamples = 338, tgJPEGTables = 347, tgJPEGProc = 512,
  tgJPEGInterchangeFormat = 513, tgJPEGInterchangeFormatLength = 514, tgYCbCrCoefficients = 529,
  tgYCbCrPositioning = 531, tgReferenceBlackWhite = 532, tgExifIFD = 34665
};

// Raw compression tag values.
enum : int {
  cNone = 1, cHuffman = 2, cGroup3 = 3, cGroup4 = 4, cLzw = 5, cOldJpeg = 6, cJpeg = 7, cDeflate = 8,
  cPackBits = 32773, cDeflateOld = 32946
};

// PhotometricInterpretation values.
enum : int {
  pmWhiteIsZero = 0, pmBlackIsZero = 1, pmRGB = 2, pmPalette = 3, pmTransparencyMask = 4, pmSeparated = 5,
  pmYCbCr = 6, pmCIELab = 8
};

bool CompressionDecoded(int c) {
  switch (c) {
    case cNone: case cHuffman: case cGroup3: case cGroup4: case cLzw: case cOldJpeg: case cJpeg: case cDeflate:
    case cPackBits: case cDeflateOld: return true;
    default: return false;
  }
}

// Compressions met in the field that this reader does not decode, by name for the failure reason.
std::string CompressionName(int c) {
  struct TName { int value; const char* name; };
  static const TName names[] = {{9, "JBIG"}, {10, "JBIG colour"}, {32809, "ThunderScan"}, {34661, "JBIG"},
                                {34676, "SGI LogLuv"}, {34677, "SGI LogLuv 24"}, {34712, "JPEG 2000"},
                                {34887, "LERC"}, {34925, "LZMA"}, {50000, "Zstandard"}, {50001, "WebP"},
                                {52546, "JPEG XL"}};
  for (const TName& n : names)
    if (n.value == c) return " (" + std::string(n.name) + ")";
  return std::string();
}

// Values the standard gives Orientation and ResolutionUnit when the tags are absent.
constexpr uint32_t kOrientationTopLeft = 1, kResolutionUnitInch = 2;

// How the rows of a page become DIB pixels.
enum TKind { kNone, kBilevel, kRGB8, kRGB16, kRGB555, kPalette, kPaletteAlpha, kGray, kGray16, kCMYK8, kCMYK16, kLab8 };

uint8_t MapCompression(uint32_t c, uint32_t t4) {
  switch (c) {
    case 1: return 0;
    case 2: return 1;
    case 3: return (t4 & 1) ? 3 : 2;
    case 4: return 4;
    case 5: return 5;
    case 6: return 6;
    case 7: return 7;
    case 32773: return 8;
    default: return 9;
  }
}

// Copies the EXIF sub-directory and the page's own metadata tags into the record.
void ReadExifTags(TTiffDirReader& r, const std::vector<TTiffEntry>& ifd, const std::vector<TTiffEntry>& exif,
                  TIOParamsVals& p) {
  auto text = [&](const std::vector<TTiffEntry>& d, uint16_t tag) {
    const TTiffEntry* e = FindTag(d, tag);
    return e ? r.Text(*e) : std::string();
  };
  auto real = [&](const std::vector<TTiffEntry>& d, uint16_t tag) { return r.Real(FindTag(d, tag), 0.0); };
  auto integer = [&](const std::vector<TTiffEntry>& d, uint16_t tag, uint32_t absent = 0) {
    return int(r.Int(FindTag(d, tag), absent));
  };
  auto reals = [&](const std::vector<TTiffEntry>& d, uint16_t tag, double* out, size_t n) {
    std::fill(out, out + n, 0.0);
    if (const TTiffEntry* e = FindTag(d, tag)) {
      const std::vector<double> v = r.Reals(*e, uint32_t(n));
      std::copy(v.begin(), v.end(), out);
    }
  };
  p.ExifMake = text(ifd, tgMake);
  p.ExifModel = text(ifd, tgModel);
  // The two tags' own defaults when absent: top-left, inches.
  p.ExifOrientation = integer(ifd, tgOrientation, kOrientationTopLeft);
  p.ExifXResolution = real(ifd, tgXResolution);
  p.ExifYResolution = real(ifd, tgYResolution);
  p.ExifResolutionUnit = integer(ifd, tgResolutionUnit, kResolutionUnitInch);
  p.ExifSoftware = text(ifd, tgSoftware);
  p.ExifDateTime = text(ifd, tgDateTime);
  reals(ifd, tgWhitePoint, p.ExifWhitePoint.data(), 2);
  reals(ifd, tgPrimaryChromaticities, p.ExifPrimaryChromaticities.data(), 6);
  reals(ifd, tgYCbCrCoefficients, p.ExifYCbCrCoefficients.data(), 3);
  p.ExifYCbCrPositioning = integer(ifd, tgYCbCrPositioning);
  reals(ifd, tgReferenceBlackWhite, p.ExifReferenceBlackWhite.data(), 6);

  p.ExifCopyright = text(exif, 33432);
  p.ExifExposureTime = real(exif, 33434);
  p.ExifFNumber = real(exif, 33437);
  p.ExifExposureProgram = integer(exif, 34850);
  p.ExifISOSpeedRatings = {0, 0};
  if (const TTiffEntry* e = FindTag(exif, 34855)) {
    const std::vector<uint32_t> v = r.Ints(*e, 2);
    for (size_t i = 0; i < v.size(); ++i) p.ExifISOSpeedRatings[i] = int(v[i]);
  }
  auto version = [&](uint16_t tag) {
    const TTiffEntry* e = FindTag(exif, tag);
    if (!e) return std::string();
    std::vector<uint8_t> b = r.Bytes(*e, 4);
    return std::string(b.begin(), b.end());
  };
  p.ExifExifVersion = version(36864);
  p.ExifDateTimeOriginal = text(exif, 36867);
  p.ExifDateTimeDigitized = text(exif, 36868);
  p.ExifCompressedBitsPerPixel = real(exif, 37122);
  p.ExifShutterSpeedValue = real(exif, 37377);
  p.ExifApertureValue = real(exif, 37378);
  p.ExifBrightnessValue = real(exif, 37379);
  p.ExifExposureBiasValue = real(exif, 37380);
  p.ExifMaxApertureValue = real(exif, 37381);
  p.ExifSubjectDistance = real(exif, 37382);
  p.ExifMeteringMode = integer(exif, 37383);
  p.ExifLightSource = integer(exif, 37384);
  p.ExifFlash = integer(exif, 37385);
  p.ExifFocalLength = real(exif, 37386);
  p.ExifSubsecTime = text(exif, 37520);
  p.ExifSubsecTimeOriginal = text(exif, 37521);
  p.ExifSubsecTimeDigitized = text(exif, 37522);
  p.ExifFlashPixVersion = version(40960);
  p.ExifColorSpace = integer(exif, 40961);
  p.ExifPixelXDimension = integer(exif, 40962);
  p.ExifPixelYDimension = integer(exif, 40963);
  p.ExifRelatedSoundFile = text(exif, 40964);
  p.ExifFocalPlaneXResolution = real(exif, 41486);
  p.ExifFocalPlaneYResolution = real(exif, 41487);
  p.ExifFocalPlaneResolutionUnit = integer(exif, 41488);
  p.ExifExposureIndex = real(exif, 41493);
  p.ExifSensingMethod = integer(exif, 41495);
  p.ExifFileSource = integer(exif, 41728);
  p.ExifSceneType = integer(exif, 41729);
}

// Turns a picture so that it displays as the orientation value says.
template <class Get, class Set>
void Transform(int w, int h, int orientation, Get get, Set set) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int dx, dy;  // destination of source pixel (x, y)
      switch (orientation) {
        case 2: dx = w - 1 - x, dy = y; break;
        case 3: dx = w - 1 - x, dy = h - 1 - y; break;
        case 4: dx = x, dy = h - 1 - y; break;
        case 5: dx = y, dy = x; break;
        case 6: dx = h - 1 - y, dy = x; break;
        case 7: dx = h - 1 - y, dy = w - 1 - x; break;
        default: dx = y, dy = w - 1 - x; break;  // 8
      }
      set(dx, dy, get(x, y));
    }
}

void OrientDib(gfx::TDib& dib, int orientation) {
  const int w = dib.Width(), h = dib.Height();
  const bool swap = orientation >= 5;
  gfx::TDib out(swap ? h : w, swap ? w : h, dib.PixelFormat());
  out.SetPalette(dib.Palette());
  if (dib.PixelFormat() == gfx::TPixelFormat::pf1bit) {
    Transform(w, h, orientation, [&](int x, int y) { return GetBit(dib.ScanLine(y), x); },
              [&](int x, int y, bool v) { SetBit(out.ScanLine(y), x, v); });
  } else {
    Transform(w, h, orientation, [&](int x, int y) { return dib.ScanLine(y) + int64_t(x) * 3; },
              [&](int x, int y, const uint8_t* p) { std::memcpy(out.ScanLine(y) + int64_t(x) * 3, p, 3); });
  }
  dib = out;
}

void OrientMask(TOXMask& mask, int orientation) {
  if (mask.Data.empty() || mask.BitsPerPixel != 8) return;
  const int w = mask.Width, h = mask.Height;
  const bool swap = orientation >= 5;
  TOXMask out;
  out.Allocate(swap ? h : w, swap ? w : h, 8);
  Transform(w, h, orientation, [&](int x, int y) { return mask.Row(y)[x]; },
            [&](int x, int y, uint8_t v) { out.Row(y)[x] = v; });
  const bool full = mask.Full;
  mask.Assign(&out);
  mask.X1 = 0, mask.Y1 = 0, mask.X2 = out.Width - 1, mask.Y2 = out.Height - 1;
  mask.Full = full;
}

void InvertBilevelRows(gfx::TDib& dib) {
  uint8_t* bits = dib.Bits();
  for (size_t i = 0; i < dib.ByteSize(); ++i) bits[i] = uint8_t(~bits[i]);
}

// PackBits into out (size bytes); returns the bytes produced.
int64_t UnpackBits(const uint8_t* in, int64_t n, uint8_t* out, int64_t size) {
  int64_t i = 0, o = 0;
  while (i < n && o < size) {
    const int h = int8_t(in[i++]);
    if (h >= 0) {
      const int64_t len = std::min<int64_t>({h + 1, n - i, size - o});
      std::memcpy(out + o, in + i, size_t(len));
      i += h + 1;
      o += len;
    } else if (h != -128) {
      if (i >= n) break;
      const int64_t len = std::min<int64_t>(1 - h, size - o);
      std::memset(out + o, in[i++], size_t(len));
      o += len;
    }
  }
  return o;
}

// Inflates into out; false when the data is unusable before any output.
bool Inflate(const uint8_t* in, int64_t n, uint8_t* out, int64_t size) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  int64_t produced = 0;
  int rc = Z_OK;
  while (produced < size && rc == Z_OK) {
    const int64_t inLeft = n - int64_t(z.total_in);
    z.next_in = const_cast<uint8_t*>(in + z.total_in);
    z.avail_in = uInt(std::min<int64_t>(inLeft, 1 << 30));
    z.next_out = out + produced;
    z.avail_out = uInt(std::min<int64_t>(size - produced, 1 << 30));
    rc = inflate(&z, Z_NO_FLUSH);
    produced = int64_t(z.total_out);
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  if (produced < size) std::memset(out + produced, 0, size_t(size - produced));
  return produced > 0 || rc == Z_OK || rc == Z_STREAM_END;
}

struct TPage {
  TTiffDirReader& r;
  TOXStream& stream;
  TProgressRec& progress;
  gfx::TDib* dib = nullptr;
  TOXMask* mask = nullptr;

  int width = 0, height = 0, bps = 1, spp = 1;
  int compression = 1, photometric = 2, planar = 1, fillOrder = 1, predictor = 1, extra = 0;
  uint32_t t4 = 0;
  int64_t rowsPerStrip = 0;
  int64_t tileW = 0, tileH = 0;
  bool tiled = false;
  std::vector<uint32_t> offsets, counts;
  std::vector<gfx::TRGB> palette;
  bool molli = false;
  TTiffLzwDecoder lzw;
  std::shared_ptr<void> lzwState;
  std::vector<uint8_t> jpegTables;

  TKind kind = kNone;
  bool invert = false;
  bool alpha = false;
  bool alphaUsed = false;
  // The file ends inside (or before) the last strip or tile read; whole rows that strip still held.
  bool dataEnded = false;
  int64_t rowsInCutStrip = 0;
  uint8_t grayLut[256] = {};

  std::vector<uint8_t> comp, chunk, plane, unpacked;

  TPage(TTiffDirReader& reader, TOXStream& s, TProgressRec& p) : r(reader), stream(s), progress(p) {}
  ~TPage() {
    if (lzw && lzwState) lzw(nullptr, 0, 0, lzwState);
  }

  int ChunkSamples() const { return planar == 2 ? 1 : spp; }
  int64_t ChunkRowBytes(int64_t cw) const { return (cw * bps * ChunkSamples() + 7) / 8; }

  // Decoded samples of a strip or tile (in out, or in the LZW coder's own buffer), null on failure.
  const uint8_t* DecodeChunk(size_t index, int64_t cw, int64_t rows, std::vector<uint8_t>& out);
  void UndoPredictor(uint8_t* buf, int64_t cw, int64_t rows, int64_t rowBytes) const;
  void PutRows(const uint8_t* buf, int64_t cw, int64_t rows, int64_t x0, int64_t y0);
  void ConvertRow(const uint8_t* src, int64_t n, int64_t x0, int64_t y);
  bool Interleave(const std::vector<uint8_t>* planes, int64_t cw, int64_t rows);
  // One plane's samples kept in out.
  bool PlaneChunk(size_t index, int64_t cw, int64_t rows, std::vector<uint8_t>& out) {
    const uint8_t* d = DecodeChunk(index, cw, rows, out);
    if (d && d != out.data()) out.assign(d, d + ChunkRowBytes(cw) * rows);
    return d != nullptr;
  }
  bool ReadStrips();
  bool ReadTiles();
};

const uint8_t* TPage::DecodeChunk(size_t index, int64_t cw, int64_t rows, std::vector<uint8_t>& out) {
  if (index >= offsets.size()) return nullptr;
  const int64_t rowBytes = ChunkRowBytes(cw);
  const int64_t size = rowBytes * rows;
  if (compression != cLzw) out.assign(size_t(size), 0);
  const int64_t pos = r.Base() + int64_t(offsets[index]);
  const int64_t total = r.StreamSize();
  if (pos >= total) {
    dataEnded = true;
    return nullptr;
  }
  const uint32_t declared = index < counts.size() ? counts[index] : 0;
  int64_t n = declared ? std::min<int64_t>(declared, total - pos) : total - pos;
  if (declared > total - pos) {
    dataEnded = true;
    // Only raw rows can be counted whole; a cut coded strip is not trusted at all.
    rowsInCutStrip = compression == cNone && planar == 1 && rowBytes > 0 ? (total - pos) / rowBytes : 0;
  }
  if (compression == cNone) n = std::min(n, size);
  stream.SetPosition(pos);
  if (compression == cNone) {
    stream.Read(out.data(), n);
    return out.data();
  }
  comp.resize(size_t(n));
  n = std::max<int64_t>(0, stream.Read(comp.data(), n));
  const uint8_t* data = comp.data();
  switch (compression) {
    case cPackBits: UnpackBits(data, n, out.data(), size); break;
    case cLzw: {
      const uint8_t* res = lzw(data, n, size, lzwState);
      if (!res) return nullptr;
      if (predictor != 2) return res;
      out.assign(res, res + size);
      UndoPredictor(out.data(), cw, rows, rowBytes);
      break;
    }
    case cDeflate: case cDeflateOld:
      if (!Inflate(data, n, out.data(), size)) return nullptr;
      UndoPredictor(out.data(), cw, rows, rowBytes);
      break;
    case cHuffman: case cGroup3: case cGroup4: {
      if (bps != 1 || ChunkSamples() != 1 || cw > 0x7FFFFFFF) return nullptr;
      if (fillOrder == 2)
        for (int64_t i = 0; i < n; ++i) comp[size_t(i)] = uint8_t(BitReverse32(comp[size_t(i)]) >> 24);
      TFaxDecoder fax{int(cw)};
      int64_t bit = 0;
      for (int64_t y = 0; y < rows; ++y) {
        uint8_t* line = out.data() + y * rowBytes;
        if (compression == cHuffman) {
          const int64_t at = std::min(bit / 8, n);
          bit = (at + fax.DecodeLineMH(line, data + at, n - at)) * 8;
        } else if (compression == cGroup4 || (t4 & 1)) {
          bit = fax.DecodeLine2D(line, data, n, bit, (t4 & 4) != 0, compression == cGroup4);
        } else {
          bit = fax.DecodeLine1D(line, data, n, bit);
        }
        if (fax.Ended() || bit >= n * 8) {
          // Rows the data does not reach stay white.
          for (int64_t k = y + 1; k < rows; ++k) std::memset(out.data() + k * rowBytes, 0xFF, size_t(rowBytes));
          break;
        }
      }
      break;
    }
    case cJpeg: {
      const int comps = kind == kGray || kind == kBilevel ? 1 : kind == kCMYK8 ? 4 : 3;
      if (bps != 8 || ChunkSamples() != comps) return nullptr;
      if (!DecodeTiffJpeg(jpegTables.data(), jpegTables.size(), data, size_t(n), photometric, int(cw), int(rows),
                          comps, out.data(), rowBytes))
        return nullptr;
      break;
    }
    default: return nullptr;
  }
  return out.data();
}

void TPage::UndoPredictor(uint8_t* buf, int64_t cw, int64_t rows, int64_t rowBytes) const {
  if (predictor != 2) return;
  const int s = ChunkSamples();
  for (int64_t y = 0; y < rows; ++y) {
    uint8_t* row = buf + y * rowBytes;
    if (bps == 8 && s == 3) {
      // Three running sums instead of one chain through memory.
      uint8_t r = row[0], g = row[1], b = row[2];
      for (int64_t i = 3; i < cw * 3; i += 3) {
        r = uint8_t(r + row[i]), g = uint8_t(g + row[i + 1]), b = uint8_t(b + row[i + 2]);
        row[i] = r, row[i + 1] = g, row[i + 2] = b;
      }
    } else if (bps == 8) {
      for (int64_t i = s; i < cw * s; ++i) row[i] = uint8_t(row[i] + row[i - s]);
    } else if (bps == 16) {
      const bool be = r.BigEndian();
      for (int64_t i = s; i < cw * s; ++i) {
        uint8_t* p = row + i * 2;
        const uint8_t* q = p - s * 2;
        uint16_t v = be ? uint16_t((p[0] << 8) | p[1]) : LoadU16LE(p);
        const uint16_t u = be ? uint16_t((q[0] << 8) | q[1]) : LoadU16LE(q);
        v = uint16_t(v + u);
        if (be) p[0] = uint8_t(v >> 8), p[1] = uint8_t(v);
        else p[0] = uint8_t(v), p[1] = uint8_t(v >> 8);
      }
    }
  }
}

void TPage::ConvertRow(const uint8_t* src, int64_t n, int64_t x0, int64_t y) {
  uint8_t* d = dib->ScanLine(int(y)) + (kind == kBilevel ? 0 : x0 * 3);
  uint8_t* m = alpha && mask ? mask->Row(int(y)) + x0 : nullptr;
  if (kind == kBilevel) {
    CopyBitRun(d, x0, src, 0, n);
    return;
  }
  if (bps < 8) {
    // Sub-byte samples become one byte each, most significant bits first.
    const int64_t count = n * spp;
    unpacked.resize(size_t(count));
    const int mask8 = (1 << bps) - 1;
    for (int64_t i = 0; i < count; ++i) {
      // Samples of 3, 5, 6 or 7 bits may run on into the next byte of the row.
      const int64_t bit = i * bps, at = bit >> 3;
      const int offset = int(bit & 7);
      unsigned v = unsigned(src[at]) << 8;
      if (offset + bps > 8) v |= src[at + 1];
      unpacked[size_t(i)] = uint8_t((v >> (16 - bps - offset)) & unsigned(mask8));
    }
    src = unpacked.data();
  }
  const int s = spp;
  const int hi = r.BigEndian() ? 0 : 1;
  switch (kind) {
    case kRGB8:
      if (s == 3 && !m) {
        for (int64_t i = 0; i < n; ++i, d += 3, src += 3) d[0] = src[2], d[1] = src[1], d[2] = src[0];
      } else {
        for (int64_t i = 0; i < n; ++i, d += 3, src += s) {
          d[0] = src[2], d[1] = src[1], d[2] = src[0];
          if (m) m[i] = src[3], alphaUsed |= src[3] != 255;
        }
      }
      break;
    case kRGB16:
      for (int64_t i = 0; i < n; ++i, d += 3, src += s * 2) {
        d[0] = src[4 + hi], d[1] = src[2 + hi], d[2] = src[hi];
        if (m) m[i] = src[6 + hi], alphaUsed |= src[6 + hi] != 255;
      }
      break;
    case kRGB555:
      for (int64_t i = 0; i < n; ++i, d += 3, src += 2) {
        const int v = hi ? LoadU16LE(src) : (src[0] << 8) | src[1];
        d[2] = uint8_t(((v >> 10) & 31) * 8), d[1] = uint8_t(((v >> 5) & 31) * 8), d[0] = uint8_t((v & 31) * 8);
      }
      break;
    case kPalette:
      for (int64_t i = 0; i < n; ++i, d += 3, src += s) {
        const gfx::TRGB& c = palette[src[0]];
        d[0] = c.b, d[1] = c.g, d[2] = c.r;
      }
      break;
    case kPaletteAlpha:
      for (int64_t i = 0; i < n; ++i, d += 3, src += 2) {
        const gfx::TRGB& c = palette[src[0]];
        d[0] = c.b, d[1] = c.g, d[2] = c.r;
        if (mask) mask->Row(int(y))[x0 + i] = uint8_t(255 - src[1]), alphaUsed |= src[1] != 0;
      }
      break;
    case kGray:
      for (int64_t i = 0; i < n; ++i, d += 3, src += s) d[0] = d[1] = d[2] = grayLut[src[0]];
      break;
    case kGray16: {
      const int shift = molli ? 4 : 8;
      const bool whiteZero = photometric == pmWhiteIsZero;
      for (int64_t i = 0; i < n; ++i, d += 3, src += s * 2) {
        int v = hi ? LoadU16LE(src) : (src[0] << 8) | src[1];
        if (whiteZero) v = 65535 - v;
        d[0] = d[1] = d[2] = uint8_t(std::min(v >> shift, 255));
      }
      break;
    }
    case kCMYK8: case kCMYK16: {
      const int step = kind == kCMYK8 ? 1 : 2;
      const int o = kind == kCMYK8 ? 0 : hi;
      for (int64_t i = 0; i < n; ++i, d += 3, src += s * step) {
        const int k = 255 - src[3 * step + o];
        d[2] = uint8_t((255 - src[o]) * k / 255);
        d[1] = uint8_t((255 - src[step + o]) * k / 255);
        d[0] = uint8_t((255 - src[2 * step + o]) * k / 255);
      }
      break;
    }
    case kLab8:
      for (int64_t i = 0; i < n; ++i, d += 3, src += s) {
        const gfx::TRGB c = LabToRgb(uint32_t(src[0]) | (uint32_t(src[1]) << 8) | (uint32_t(src[2]) << 16));
        d[0] = c.b, d[1] = c.g, d[2] = c.r;
      }
      break;
    default: break;
  }
}

void TPage::PutRows(const uint8_t* buf, int64_t cw, int64_t rows, int64_t x0, int64_t y0) {
  const int64_t rowBytes = (cw * bps * spp + 7) / 8;
  const int64_t n = std::min<int64_t>(cw, width - x0);
  for (int64_t y = 0; y < rows && y0 + y < height; ++y) {
    if (progress.IsAborted()) return;
    ConvertRow(buf + y * rowBytes, n, x0, y0 + y);
    if (!tiled) progress.Step();
  }
}

// Planes of one strip or tile become chunky samples in chunk.
bool TPage::Interleave(const std::vector<uint8_t>* planes, int64_t cw, int64_t rows) {
  if (bps % 8 != 0) return false;
  const int bytes = bps / 8;
  const int64_t planeRow = cw * bytes, rowBytes = planeRow * spp;
  chunk.assign(size_t(rowBytes * rows), 0);
  for (int p = 0; p < spp; ++p) {
    const uint8_t* src = planes[p].data();
    for (int64_t y = 0; y < rows; ++y) {
      uint8_t* d = chunk.data() + y * rowBytes + p * bytes;
      const uint8_t* s = src + y * planeRow;
      for (int64_t x = 0; x < cw; ++x, d += bytes * spp, s += bytes) std::memcpy(d, s, size_t(bytes));
    }
  }
  return true;
}

bool TPage::ReadStrips() {
  const int64_t rps = rowsPerStrip;
  const int64_t perPlane = (height + rps - 1) / rps;
  std::vector<std::vector<uint8_t>> planes(planar == 2 ? size_t(spp) : 0);
  for (int64_t s = 0, y = 0; s < perPlane; ++s, y += rps) {
    if (progress.IsAborted()) return true;
    const int64_t rows = std::min(rps, height - y);
    const uint8_t* data = chunk.data();
    if (planar == 2) {
      for (int p = 0; p < spp; ++p)
        if (!PlaneChunk(size_t(p * perPlane + s), width, rows, planes[size_t(p)])) return false;
      if (!Interleave(planes.data(), width, rows)) return false;
      data = chunk.data();
    } else if (!(data = DecodeChunk(size_t(s), width, rows, chunk))) {
      return false;
    }
    PutRows(data, width, rows, 0, y);
    if (dataEnded) {
      progress.Delivered(y + std::min(rows, rowsInCutStrip));
      return false;
    }
  }
  return true;
}

bool TPage::ReadTiles() {
  const int64_t across = (width + tileW - 1) / tileW, down = (height + tileH - 1) / tileH;
  const int64_t perPlane = across * down;
  std::vector<std::vector<uint8_t>> planes(planar == 2 ? size_t(spp) : 0);
  for (int64_t t = 0; t < perPlane; ++t) {
    if (progress.IsAborted()) return true;
    const int64_t x0 = (t % across) * tileW, y0 = (t / across) * tileH;
    if (y0 >= height) break;
    const uint8_t* data = chunk.data();
    if (planar == 2) {
      for (int p = 0; p < spp; ++p)
        if (!PlaneChunk(size_t(p * perPlane + t), tileW, tileH, planes[size_t(p)])) return false;
      if (!Interleave(planes.data(), tileW, tileH)) return false;
      data = chunk.data();
    } else if (!(data = DecodeChunk(size_t(t), tileW, tileH, chunk))) {
      return false;
    }
    PutRows(data, tileW, tileH, x0, y0);
    if (dataEnded) return false;  // the rows of the tile rows before are whole
    if (t % across == across - 1)
      for (int64_t k = 0; k < tileH && y0 + k < height; ++k) progress.Step();
  }
  return true;
}

}  // namespace

namespace {

// The page's tags into the page and the parameters, with the orientation tag; false when the page cannot
// be read.
bool ReadPageTags(TTiffDirReader& r, const std::vector<TTiffEntry>& ifd, const std::vector<TTiffEntry>& exif, TPage& pg,
                  TIOParamsVals& p, int& orientation) {
  auto tag = [&](uint16_t t, uint32_t def) { return r.Int(FindTag(ifd, t), def); };
  auto text = [&](uint16_t t) {
    const TTiffEntry* e = FindTag(ifd, t);
    return e ? r.Text(*e) : std::string();
  };
  pg.width = int(std::min<uint32_t>(tag(tgImageWidth, 0), 0x7FFFFFFF));
  pg.height = int(std::min<uint32_t>(tag(tgImageLength, 0), 0x7FFFFFFF));
  if (const TTiffEntry* e = FindTag(ifd, tgBitsPerSample)) {
    const std::vector<uint32_t> v = r.Ints(*e, 64);
    if (!v.empty()) pg.bps = int(std::min<uint32_t>(v[0], 64));
    for (uint32_t b : v)
      if (b != v[0]) {
        FailUnsupported(pg.progress, "TIFF: samples of different sizes in one pixel are not supported");
        return false;
      }
  }
  pg.compression = int(tag(tgCompression, 1));
  pg.photometric = int(tag(tgPhotometric, 2));
  pg.fillOrder = int(tag(tgFillOrder, 1));
  pg.spp = int(std::min<uint32_t>(tag(tgSamplesPerPixel, 1), 64));
  if (pg.spp < 1) pg.spp = 1;
  pg.planar = tag(tgPlanarConfig, 1) == 2 ? 2 : 1;
  pg.t4 = tag(tgT4Options, 0);
  pg.predictor = int(tag(tgPredictor, 1));
  pg.extra = int(tag(tgExtraSamples, 0));
  const uint32_t rps = tag(tgRowsPerStrip, 0xFFFFFFFFu);
  pg.rowsPerStrip = rps == 0 || int64_t(rps) > pg.height ? pg.height : int64_t(rps);
  const int64_t tw = int32_t(tag(tgTileWidth, 0xFFFFFFFFu)), tl = int32_t(tag(tgTileLength, 0xFFFFFFFFu));
  pg.tiled = tw > 0 && tl > 0;
  pg.tileW = tw, pg.tileH = tl;
  orientation = int(tag(tgOrientation, kOrientationTopLeft));
  const std::string software = text(tgSoftware);
  pg.molli = software.rfind("Look@Molli v1.1", 0) == 0;

  // A bilevel page without a colour interpretation of its own is white-is-zero.
  if (pg.spp == 1 && pg.bps == 1 && pg.compression >= 1 && pg.compression <= 4 && pg.photometric == pmRGB)
    pg.photometric = pmWhiteIsZero;

  p.BitsPerSample = pg.bps;
  p.SamplesPerPixel = pg.spp;
  p.Width = pg.width;
  p.Height = pg.height;
  p.TiffOrientation = orientation;
  p.TiffCompression = MapCompression(uint32_t(pg.compression), pg.t4);
  if (pg.photometric >= 0 && pg.photometric <= 6) p.TiffPhotometric = uint8_t(pg.photometric);
  else if (pg.photometric == pmCIELab) p.TiffPhotometric = 7;  // other values leave the previous one
  p.TiffPlanarConfig = pg.planar;
  p.TiffDocumentName = text(tgDocumentName);
  p.TiffImageDescription = text(tgImageDescription);
  p.TiffPageName = text(tgPageName);
  p.TiffPageNumber = p.TiffPageCount = 0;
  if (const TTiffEntry* e = FindTag(ifd, tgPageNumber)) {
    const std::vector<uint32_t> v = r.Ints(*e, 2);
    if (v.size() > 0) p.TiffPageNumber = int(v[0]);
    if (v.size() > 1) p.TiffPageCount = int(v[1]);
  }
  const double f = tag(tgResolutionUnit, kResolutionUnitInch) == 3 ? 2.54 : 1.0;
  const double xres = r.Real(FindTag(ifd, tgXResolution), 0), yres = r.Real(FindTag(ifd, tgYResolution), 0);
  p.DpiX = TruncToInt(xres * f);
  p.DpiY = TruncToInt(yres * f);
  if (p.DpiX == 0) p.DpiX = p.ScreenDpiX;
  if (p.DpiY == 0) p.DpiY = p.ScreenDpiY;
  p.TiffXPosition = TruncToInt(r.Real(FindTag(ifd, tgXPosition), 0) * f);
  p.TiffYPosition = TruncToInt(r.Real(FindTag(ifd, tgYPosition), 0) * f);
  ReadExifTags(r, ifd, exif, p);

  return true;
}

// Palette: entries the tag holds, the rest black; a gray ramp without the tag.
void ReadPalette(TTiffDirReader& r, const std::vector<TTiffEntry>& ifd, TPage& pg, TIOParamsVals& p) {
  p.FreeColorMap();
  if (pg.photometric == pmPalette && pg.bps <= 8) {
    const int n = 1 << pg.bps;
    pg.palette.assign(256, gfx::TRGB{});
    if (const TTiffEntry* e = FindTag(ifd, tgColorMap)) {
      const std::vector<uint32_t> v = r.Ints(*e, uint32_t(3 * n));
      for (int i = 0; i < n; ++i) {
        gfx::TRGB& c = pg.palette[size_t(i)];
        if (size_t(i) < v.size()) c.r = uint8_t(v[size_t(i)] >> 8);
        if (size_t(n + i) < v.size()) c.g = uint8_t(v[size_t(n + i)] >> 8);
        if (size_t(2 * n + i) < v.size()) c.b = uint8_t(v[size_t(2 * n + i)] >> 8);
      }
      std::vector<TOXRGB>& map = p.SetColorMapCount(n);
      std::copy_n(pg.palette.begin(), n, map.begin());
    } else {
      for (int i = 0; i < n; ++i) {
        const uint8_t g = uint8_t(n > 1 ? i * 255 / (n - 1) : 0);
        pg.palette[size_t(i)] = {g, g, g};
      }
    }
  }

}

// How the page's samples become DIB pixels (kNone for layouts that are not read).
void ClassifyPage(TPage& pg) {
  // The sample layout decides how rows become pixels.
  const int ph = pg.photometric, bps = pg.bps, spp = pg.spp;
  const bool jpegRgb = pg.compression == cJpeg && ph == pmYCbCr;
  if (spp == 1 && bps == 1 && (ph == pmWhiteIsZero || ph == pmBlackIsZero)) {
    pg.kind = kBilevel;
    // The fax decoders set the bits of white-coded runs; those runs hold 0 bits, which the photometric
    // value then names: white for 0, black for 1. Raw bits are set for white only with black-is-zero.
    const bool ccitt = pg.compression >= cHuffman && pg.compression <= cGroup4;
    pg.invert = ccitt ? ph == pmBlackIsZero : ph == pmWhiteIsZero;
  } else if ((ph == pmRGB || jpegRgb) && spp >= 3 && bps == 8) {
    pg.kind = kRGB8;
  } else if (ph == pmRGB && spp >= 3 && bps == 16) {
    pg.kind = kRGB16;
  } else if (ph == pmRGB && spp == 1 && bps == 16) {
    pg.kind = kRGB555;
  } else if (ph == pmPalette && spp == 2 && bps == 8) {
    pg.kind = kPaletteAlpha;
  } else if (ph == pmPalette && spp == 1 && bps >= 1 && bps <= 8) {
    pg.kind = kPalette;
  } else if ((ph == pmWhiteIsZero || ph == pmBlackIsZero) && bps >= 1 && bps <= 8) {  // 0 bits per sample: no gray scale to map
    pg.kind = kGray;
    const int max = (1 << bps) - 1;
    for (int v = 0; v <= max; ++v) {
      const int g = v * 255 / max;
      pg.grayLut[v] = uint8_t(ph == pmWhiteIsZero ? 255 - g : g);
    }
  } else if ((ph == pmWhiteIsZero || ph == pmBlackIsZero) && bps == 16) {
    pg.kind = kGray16;
  } else if (ph == pmSeparated && spp >= 4 && (bps == 8 || bps == 16)) {
    pg.kind = bps == 8 ? kCMYK8 : kCMYK16;
  } else if (ph == pmCIELab && spp >= 3 && bps == 8) {
    pg.kind = kLab8;
  }
}

// Old-style JPEG: only the form that stores one whole JPEG stream is decoded; false when it cannot be.
bool ReadOldJpegPage(TTiffDirReader& r, const std::vector<TTiffEntry>& ifd, TPage& pg, TOXStream& stream,
                     gfx::TDib* dib, int64_t base, TProgressRec& progress) {
  const TTiffEntry* at = FindTag(ifd, tgJPEGInterchangeFormat);
  const int64_t start = base + int64_t(r.Int(at, 0));
  if (FindTag(ifd, tgJPEGProc) || !at) {
    FailUnsupported(progress, "TIFF: old-style JPEG without one whole JPEG stream is not supported");
    return false;
  }
  if (start >= r.StreamSize()) {
    FailDamaged(progress, "TIFF: the JPEG stream starts past the end of the file");
    return false;
  }
  const int64_t declared = r.Int(FindTag(ifd, tgJPEGInterchangeFormatLength), 0);
  const int64_t left = r.StreamSize() - start;
  const int64_t n = declared > 0 ? std::min(declared, left) : left;
  std::vector<uint8_t> jpeg(static_cast<size_t>(n));
  stream.SetPosition(start);
  jpeg.resize(size_t(std::max<int64_t>(0, stream.Read(jpeg.data(), n))));
  // The stream goes to the JPEG reader with a record of its own, so the page's parameters stay.
  TOXMemoryStream js(std::move(jpeg));
  TIOParamsVals jp;
  ReadJpegStream(js, dib, jp, false, progress);
  if (progress.IsAborted() || dib->Empty()) {
    FailDamaged(progress, "TIFF: the embedded JPEG stream cannot be read");
    return false;
  }
  if (pg.width > 0 && pg.height > 0 && (dib->Width() != pg.width || dib->Height() != pg.height))
    dib->SetSize(pg.width, pg.height);
  return true;
}

// The strips or tiles of the page into the DIB; false when the page cannot be read (a cut one can).
bool ReadPagePixels(TTiffDirReader& r, const std::vector<TTiffEntry>& ifd, TPage& pg, gfx::TDib* dib,
                    TProgressRec& progress) {
  const int ph = pg.photometric, bps = pg.bps, spp = pg.spp;
  if (pg.compression == cJpeg)
    if (const TTiffEntry* e = FindTag(ifd, tgJPEGTables)) pg.jpegTables = r.Bytes(*e);
  if (pg.kind == kNone) {
    FailUnsupported(progress, "TIFF: photometric " + std::to_string(ph) + " with " + std::to_string(spp) +
                                  " samples of " + std::to_string(bps) + " bits is not supported");
    return false;
  }
  const bool bilevelDib = pg.kind == kBilevel;
  if (!gfx::ImageSizeAllowed(pg.width, pg.height, bilevelDib ? 1 : 24)) {
    FailUnsupported(progress, "TIFF: " + std::to_string(pg.width) + " x " + std::to_string(pg.height) +
                                  " pixels is larger than this program reads");
    return false;
  }
  const int64_t chunkW = pg.tiled ? pg.tileW : pg.width, chunkH = pg.tiled ? pg.tileH : pg.rowsPerStrip;
  if (!gfx::ImageSizeAllowed(chunkW, chunkH, int64_t(bps) * spp)) {
    FailUnsupported(progress, "TIFF: a strip or tile is larger than this program reads");
    return false;
  }
  if (const TTiffEntry* e = FindTag(ifd, pg.tiled ? tgTileOffsets : tgStripOffsets)) pg.offsets = r.Ints(*e);
  if (const TTiffEntry* e = FindTag(ifd, pg.tiled ? tgTileByteCounts : tgStripByteCounts)) pg.counts = r.Ints(*e);
  if (pg.tiled && pg.offsets.empty()) {
    if (const TTiffEntry* e = FindTag(ifd, tgStripOffsets)) pg.offsets = r.Ints(*e);
    if (const TTiffEntry* e = FindTag(ifd, tgStripByteCounts)) pg.counts = r.Ints(*e);
  }
  if (pg.offsets.empty()) {
    FailDamaged(progress, "TIFF: the page has no strip or tile offsets");
    return false;
  }

  // A fresh buffer: resizing in place would fill every pixel with the brush colour first.
  dib->Assign(gfx::TDib(pg.width, pg.height, bilevelDib ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit));
  progress.StartPicture(pg.height);
  const bool ok = pg.tiled ? pg.ReadTiles() : pg.ReadStrips();
  if (!ok && !pg.dataEnded) {
    FailDamaged(progress, "TIFF: the compressed data of a strip or tile cannot be decoded");
    return false;
  }
  if (pg.invert) InvertBilevelRows(*dib);
  if (!ok) {
    // A cut page is filled before it is turned, while its rows are still the stored ones.
    progress.EndOfData();
    progress.FillMissingRows(*dib);
  }
  return true;
}

}  // namespace

void TIFFReadStream(gfx::TDib* dib, TOXStream& stream, int& numPages, bool relativeOffsets, TOXMask* alphaMask,
                    bool paramsOnly, TProgressRec& progress, TIOParamsVals* params) {
  numPages = 0;
  const int64_t base = relativeOffsets ? stream.Position() : 0;
  TTiffDirReader r(stream, base);
  if (!r.ReadHeader()) {
    FailDamaged(progress, "TIFF: the file header is not a TIFF header");
    return;
  }
  const std::vector<uint32_t> chain = r.WalkChain();
  numPages = int(chain.size());
  if (!params) return;
  params->TiffImageCount = numPages;
  const int index = params->TiffImageIndex;
  std::vector<TTiffEntry> ifd, exif;
  if (index < 0 || index >= numPages) {
    FailDamaged(progress, "TIFF: the file has no page " + std::to_string(index + 1));
    return;
  }
  if (!r.ReadDirectory(chain[size_t(index)], ifd)) {
    FailDamaged(progress, "TIFF: the directory of page " + std::to_string(index + 1) + " runs past the end of the file");
    return;
  }
  if (const TTiffEntry* e = FindTag(ifd, tgExifIFD)) r.ReadDirectory(r.Int(e, 0), exif);

  TPage pg(r, stream, progress);
  TIOParamsVals& p = *params;
  int orientation = kOrientationTopLeft;
  if (!ReadPageTags(r, ifd, exif, pg, p, orientation)) return;
  ReadPalette(r, ifd, pg, p);
  if (pg.compression == cLzw) {
    pg.lzw = p.TiffDecoder();
    if (!pg.lzw) {
      FailUnsupported(progress, "TIFF: no LZW decoder is installed");
      return;
    }
  }
  if (paramsOnly) return;

  if (alphaMask) {
    alphaMask->Allocate(std::max(pg.width, 1), std::max(pg.height, 1), 8);
    alphaMask->Fill(255);
  }
  if (!dib) return;
  if ((pg.width <= 0 || pg.height <= 0) && pg.compression != cOldJpeg) {
    FailDamaged(progress, "TIFF: the page has no width or height");
    return;
  }
  if (!CompressionDecoded(pg.compression)) {
    FailUnsupported(progress, "TIFF: compression " + std::to_string(pg.compression) + CompressionName(pg.compression) +
                                  " is not supported");
    return;
  }

  ClassifyPage(pg);
  pg.alpha = alphaMask && pg.extra == 2 && pg.spp >= 4 && (pg.kind == kRGB8 || pg.kind == kRGB16);
  pg.mask = alphaMask;
  pg.dib = dib;

  const bool read = pg.compression == cOldJpeg ? ReadOldJpegPage(r, ifd, pg, stream, dib, base, progress)
                                               : ReadPagePixels(r, ifd, pg, dib, progress);
  if (!read) return;
  if (alphaMask && pg.alphaUsed) alphaMask->Full = false;
  if (p.TiffAutoOrient && orientation >= 2 && orientation <= 8) {
    OrientDib(*dib, orientation);
    if (alphaMask) OrientMask(*alphaMask, orientation);
  }
}

namespace {

// One row PackBits-coded: runs of 4 to 128 equal bytes, literal groups of up to 128 bytes.
void PackBitsRow(const uint8_t* row, int64_t n, std::vector<uint8_t>& out) {
  out.clear();
  int64_t i = 0, lit = 0;  // literal group starts at lit
  auto flush = [&](int64_t end) {
    while (lit < end) {
      const int64_t len = std::min<int64_t>(end - lit, 128);
      out.push_back(uint8_t(len - 1));
      out.insert(out.end(), row + lit, row + lit + len);
      lit += len;
    }
  };
  while (i < n) {
    int64_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 4) {
      flush(i);
      out.push_back(uint8_t(1 - run));
      out.push_back(row[i]);
      i += run;
      lit = i;
    } else {
      i += run;
      if (i - lit >= 128) flush(lit + 128);
    }
  }
  flush(n);
}

struct TIfdWriter {
  struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint32_t value;
  };
  std::vector<Entry> entries;
  std::vector<uint8_t> extra;  // out-of-line values, placed at extraPos
  int64_t extraPos = 0;

  uint32_t Place(const std::vector<uint8_t>& bytes) {
    if (extra.size() & 1) extra.push_back(0);  // values start on word boundaries
    const uint32_t at = uint32_t(extraPos + int64_t(extra.size()));
    extra.insert(extra.end(), bytes.begin(), bytes.end());
    return at;
  }
  void Long(uint16_t tag, uint32_t v) { entries.push_back({tag, ttLong, 1, v}); }
  void Short(uint16_t tag, uint32_t v) { entries.push_back({tag, ttShort, 1, v & 0xFFFF}); }
  void Shorts(uint16_t tag, const std::vector<uint32_t>& v) {
    std::vector<uint8_t> b(v.size() * 2);
    for (size_t i = 0; i < v.size(); ++i) StoreU16LE(&b[2 * i], uint16_t(v[i]));
    if (b.size() <= 4) {
      b.resize(4, 0);
      entries.push_back({tag, ttShort, uint32_t(v.size()), LoadU32LE(b.data())});
    } else {
      entries.push_back({tag, ttShort, uint32_t(v.size()), Place(b)});
    }
  }
  void Rational(uint16_t tag, uint32_t num, uint32_t den) {
    std::vector<uint8_t> b(8);
    StoreU32LE(b.data(), num);
    StoreU32LE(b.data() + 4, den);
    entries.push_back({tag, ttRational, 1, Place(b)});
  }
  void Ascii(uint16_t tag, const std::string& text) {
    if (text.empty()) return;
    std::vector<uint8_t> b(text.begin(), text.end());
    b.push_back(0);
    if (b.size() <= 4) {
      b.resize(4, 0);
      entries.push_back({tag, ttAscii, uint32_t(text.size() + 1), LoadU32LE(b.data())});
    } else {
      entries.push_back({tag, ttAscii, uint32_t(text.size() + 1), Place(b)});
    }
  }
};

enum TOutKind { okBilevel, okRGB, okPalette, okCMYK, okLab };

// What the writer puts out for the parameters: the sample layout, its palette, and the compression.
struct TTiffPlan {
  TOutKind kind = okRGB;
  int bits = 8, samples = 3;
  std::vector<gfx::TRGB> palette;
  std::vector<uint8_t> indexes;
  bool grayPalette = false;
  int compression = 1;
  uint32_t t4 = 0;
  TFaxScheme scheme = fsGroup4;
  bool ccitt = false, predictor = false;
};

TTiffPlan PlanTiffOutput(const gfx::TDib& src, TIOParamsVals& p, bool bilevel) {
  TTiffPlan plan;
  std::vector<gfx::TRGB>& palette = plan.palette;
  std::vector<uint8_t>& indexes = plan.indexes;
  bool& grayPalette = plan.grayPalette;
  TOutKind& kind = plan.kind;
  int& compression = plan.compression;
  uint32_t& t4 = plan.t4;
  TFaxScheme& scheme = plan.scheme;
  if (p.SamplesPerPixel == 1 && !bilevel && p.BitsPerSample >= 1 && p.BitsPerSample <= 8) {
    p.TiffPhotometric = 3;
    QuantizeSource(src, 1 << p.BitsPerSample, palette, indexes);
    palette.resize(size_t(1) << p.BitsPerSample);
    grayPalette = GrayPalette(palette, p.BitsPerSample);
    if (p.TiffCompression != 5 && p.TiffCompression != 8) p.TiffCompression = 0;
  }
  if (p.TiffPhotometric == 3 && p.SamplesPerPixel > 1) p.TiffPhotometric = 2;
  if (p.BitsPerSample > 8) {
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 3;
    p.TiffPhotometric = 2;
  }
  if (bilevel) kind = okBilevel;
  else if (p.TiffPhotometric == 3 && !palette.empty()) kind = okPalette;
  else if (p.TiffPhotometric == 5) kind = okCMYK, p.SamplesPerPixel = 4;
  else if (p.TiffPhotometric == 7) kind = okLab;
  if (kind == okPalette && grayPalette) p.TiffPhotometric = 1;
  const int bits = plan.bits = kind == okPalette ? p.BitsPerSample : kind == okBilevel ? 1 : 8;
  const int samples = plan.samples = kind == okCMYK ? 4 : kind == okPalette || kind == okBilevel ? 1 : 3;

  const TTiffLzwEncoder& lzw = p.TiffEncoder();
  switch (p.TiffCompression) {
    case 1: case 2: case 3: case 4:
      if (kind == okBilevel) {
        compression = p.TiffCompression == 1 ? cHuffman : p.TiffCompression == 4 ? cGroup4 : cGroup3;
        t4 = p.TiffCompression == 3 ? 1 : 0;
        scheme = p.TiffCompression == 1 ? fsModifiedHuffman : p.TiffCompression == 2 ? fsGroup3_1D
                 : p.TiffCompression == 3 ? fsGroup3_2D : fsGroup4;
      }
      break;
    case 5: if (lzw) compression = cLzw; break;
    case 8: compression = cPackBits; break;
    default: break;
  }
  plan.ccitt = compression >= cHuffman && compression <= cGroup4;
  plan.predictor = compression == cLzw && bits == 8 && samples == 3 && kind != okPalette;

  return plan;
}

// One row of the picture in the file's sample layout.
void PackTiffRow(const TTiffPlan& plan, const uint8_t* s, int y, int w, int64_t rowBytes, std::vector<uint8_t>& row) {
  const TOutKind kind = plan.kind;
  const int bits = plan.bits;
  const bool ccitt = plan.ccitt, grayPalette = plan.grayPalette;
  const std::vector<gfx::TRGB>& palette = plan.palette;
  const std::vector<uint8_t>& indexes = plan.indexes;
  switch (kind) {
    case okBilevel:
      std::memcpy(row.data(), s, size_t(rowBytes));
      if (ccitt)
        for (uint8_t& b : row) b = uint8_t(~b);
      break;
    case okRGB:
      for (int x = 0; x < w; ++x) row[size_t(x) * 3] = s[x * 3 + 2], row[size_t(x) * 3 + 1] = s[x * 3 + 1], row[size_t(x) * 3 + 2] = s[x * 3];
      break;
    case okCMYK:
      for (int x = 0; x < w; ++x) {
        const int b = s[x * 3], g = s[x * 3 + 1], r = s[x * 3 + 2];
        int m = std::max({r, g, b});
        if (m == 0) m = 1;
        uint8_t* d = row.data() + size_t(x) * 4;
        d[0] = uint8_t(255 - r * 255 / m), d[1] = uint8_t(255 - g * 255 / m), d[2] = uint8_t(255 - b * 255 / m);
        d[3] = uint8_t(255 - std::max({r, g, b}));
      }
      break;
    case okLab:
      for (int x = 0; x < w; ++x) {
        const uint32_t lab = RgbToLab((uint32_t(s[x * 3 + 2]) << 16) | (uint32_t(s[x * 3 + 1]) << 8) | s[x * 3]);
        row[size_t(x) * 3] = uint8_t(lab), row[size_t(x) * 3 + 1] = uint8_t(lab >> 8), row[size_t(x) * 3 + 2] = uint8_t(lab >> 16);
      }
      break;
    case okPalette: {
      const uint8_t* ix = indexes.data() + size_t(y) * w;
      auto sample = [&](int x) { return grayPalette ? GraySample(palette[ix[x]].r, bits) : ix[x]; };
      if (bits == 8 && !grayPalette) {
        std::memcpy(row.data(), ix, size_t(w));
      } else {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x) {
          const int64_t bit = int64_t(x) * bits;
          row[size_t(bit >> 3)] |= uint8_t((sample(x) & ((1 << bits) - 1)) << (8 - bits - (bit & 7)));
        }
      }
      break;
    }
  }
  if (plan.predictor)
    for (int64_t i = rowBytes - 1; i >= 3; --i) row[size_t(i)] = uint8_t(row[size_t(i)] - row[size_t(i - 3)]);
}

// The directory after the strip (and the values that do not fit in it), then its offset in the header.
void WriteTiffDirectory(TOXWriter& out, const TTiffPlan& plan, TIOParamsVals& p, int w, int h, int64_t start,
                        int64_t stripPos, int64_t stripEnd) {
  const TOutKind kind = plan.kind;
  const int bits = plan.bits, samples = plan.samples, compression = plan.compression;
  const bool ccitt = plan.ccitt, predictor = plan.predictor, grayPalette = plan.grayPalette;
  const std::vector<gfx::TRGB>& palette = plan.palette;
  const uint32_t t4 = plan.t4;
  TIfdWriter ifd;
  ifd.extraPos = stripEnd + ((stripEnd - start) & 1);
  ifd.Long(tgImageWidth, uint32_t(w));
  ifd.Long(tgImageLength, uint32_t(h));
  ifd.Shorts(tgBitsPerSample, std::vector<uint32_t>(size_t(samples), uint32_t(bits)));
  ifd.Short(tgCompression, uint32_t(compression));
  int photometric = pmRGB;
  if (kind == okBilevel) photometric = ccitt ? pmWhiteIsZero : pmBlackIsZero;
  else if (kind == okPalette) photometric = grayPalette ? pmBlackIsZero : pmPalette;  // a gray palette goes out as gray levels
  else if (kind == okCMYK) photometric = pmSeparated;
  else if (kind == okLab) photometric = pmCIELab;
  ifd.Short(tgPhotometric, uint32_t(photometric));
  ifd.Ascii(tgDocumentName, p.TiffDocumentName);
  ifd.Ascii(tgImageDescription, p.TiffImageDescription);
  ifd.Long(tgStripOffsets, uint32_t(stripPos));
  ifd.Short(tgSamplesPerPixel, uint32_t(samples));
  ifd.Long(tgRowsPerStrip, uint32_t(h));
  ifd.Long(tgStripByteCounts, uint32_t(stripEnd - stripPos));
  ifd.Rational(tgXResolution, uint32_t(std::max(p.DpiX, 0)), 1);
  ifd.Rational(tgYResolution, uint32_t(std::max(p.DpiY, 0)), 1);
  ifd.Ascii(tgPageName, p.TiffPageName);
  ifd.Rational(tgXPosition, uint32_t(std::max<int64_t>(int64_t(p.TiffXPosition) * 10000, 0)), 10000);
  ifd.Rational(tgYPosition, uint32_t(std::max<int64_t>(int64_t(p.TiffYPosition) * 10000, 0)), 10000);
  if (compression == cGroup3) ifd.Long(tgT4Options, t4);
  ifd.Short(tgResolutionUnit, 2);
  if (p.TiffPageNumber || p.TiffPageCount)
    ifd.Shorts(tgPageNumber, {uint32_t(p.TiffPageNumber), uint32_t(p.TiffPageCount)});
  if (predictor) ifd.Short(tgPredictor, 2);
  if (kind == okPalette && !grayPalette) {
    std::vector<uint32_t> map;
    for (int c = 0; c < 3; ++c)
      for (const gfx::TRGB& e : palette) map.push_back(uint32_t(c == 0 ? e.r : c == 1 ? e.g : e.b) * 257);  // 255 -> 65535
    ifd.Shorts(tgColorMap, map);
    std::vector<TOXRGB>& out = p.SetColorMapCount(int(palette.size()));
    std::copy(palette.begin(), palette.end(), out.begin());
  }

  TOXStream& stream = out.Stream();
  if ((stripEnd - start) & 1) out.WriteU8(0);
  if (ifd.extra.size() & 1) ifd.extra.push_back(0);
  out.Write(ifd.extra.data(), int64_t(ifd.extra.size()));
  const int64_t ifdPos = stream.Position();
  out.WriteU16LE(uint16_t(ifd.entries.size()));
  for (const TIfdWriter::Entry& e : ifd.entries) {
    out.WriteU16LE(e.tag);
    out.WriteU16LE(e.type);
    out.WriteU32LE(e.count);
    if (e.type == ttShort && e.count == 1) out.WriteU16LE(uint16_t(e.value)), out.WriteU16LE(0);
    else out.WriteU32LE(e.value);
  }
  out.WriteU32LE(0);
  const int64_t end = stream.Position();
  stream.SetPosition(start + 4);
  out.WriteU32LE(uint32_t(ifdPos));
  stream.SetPosition(end);
}

}  // namespace

int TIFFWriteStream(TOXStream& target, const gfx::TDib& dib, TProgressRec& progress, TIOParamsVals& params) {
  TOXWriter out(target);
  TOXStream& stream = out.Checked();
  if (dib.Empty()) {
    FailUnsupported(progress, "TIFF: an empty picture cannot be written");
    return 0;
  }
  TIOParamsVals& p = params;
  bool bilevel = p.BitsPerSample == 1 && p.SamplesPerPixel == 1;
  gfx::TDib holder;
  const gfx::TDib& src = bilevel ? PrepareSource1(dib, holder) : PrepareSource24(dib, holder);
  const int w = src.Width(), h = src.Height();
  // Two colours other than black and white keep them in a 1-bit palette, unless fax coding was asked for.
  const bool faxCoding = p.TiffCompression >= 1 && p.TiffCompression <= 4;
  if (bilevel && !BlackWhite(src) && !faxCoding) bilevel = false;
  const TTiffPlan plan = PlanTiffOutput(src, p, bilevel);
  const TTiffLzwEncoder& lzw = p.TiffEncoder();

  const int64_t start = stream.Position();
  const uint8_t header[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
  stream.Write(header, 8);
  const int64_t stripPos = stream.Position();

  const int64_t rowBytes = (int64_t(w) * plan.bits * plan.samples + 7) / 8;
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes)), packed;
  std::shared_ptr<void> lzwState;
  std::unique_ptr<TFaxEncoder> fax;
  if (plan.ccitt) fax = std::make_unique<TFaxEncoder>(plan.scheme, w, stream);
  progress.SetRows(h);
  for (int y = 0; y < h && !progress.IsAborted(); ++y) {
    progress.Report(int(double(y) * progress.Per1));
    PackTiffRow(plan, src.ScanLine(y), y, w, rowBytes, row);
    if (plan.ccitt) {
      fax->EncodeRow(row.data());
    } else if (plan.compression == cLzw) {
      lzw(row.data(), rowBytes, stream, lzwState);
    } else if (plan.compression == cPackBits) {
      PackBitsRow(row.data(), rowBytes, packed);
      stream.Write(packed.data(), int64_t(packed.size()));
    } else {
      stream.Write(row.data(), rowBytes);
    }
    if (out.Failed()) FailOutput(progress, "TIFF: the output took fewer bytes than were written");
  }
  if (plan.ccitt) fax->Finish();
  if (plan.compression == cLzw) lzw(nullptr, 0, stream, lzwState);
  if (out.Failed()) FailOutput(progress, "TIFF: the output took fewer bytes than were written");
  if (progress.IsAborted()) return 0;
  WriteTiffDirectory(out, plan, p, w, h, start, stripPos, stream.Position());
  if (out.Failed()) {
    FailOutput(progress, "TIFF: the output took fewer bytes than were written");
    return 0;
  }
  return 1;
}

int TIFFGetPageCount(TOXStream& stream) {
  const int64_t pos = stream.Position();
  TProgressRec progress;
  int pages = 0;
  TIFFReadStream(nullptr, stream, pages, true, nullptr, true, progress, nullptr);
  stream.SetPosition(pos);
  return pages;
}

bool IsTIFFStream(TOXStream& stream) {
  const int64_t pos = stream.Position();
  uint8_t h[4] = {};
  const bool ok = stream.Read(h, 4) == 4 &&
                  ((h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0) ||
                   (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42));
  stream.SetPosition(pos);
  return ok;
}

bool HasTIFFByteOrderMark(TOXStream& stream) {
  uint8_t b[2];
  return PeekBytes(stream, b, 2, 8) && b[0] == b[1] && (b[0] == 'I' || b[0] == 'M');
}
}  // namespace ox
