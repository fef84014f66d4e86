// GIF container: header, colour tables, graphic control extension, image descriptor; LZW through the hooks.
#include "imaging/io/GIFFilt.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxwriteprep.h"
#include "imaging/io/oxreadprep.h"
#include "imaging/proc/oxquantize.h"
#include "platform/gfx/Gray.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

using gfx::TRGB;

// A colour table as the file gives it, plus a full 256-entry lookup so that any byte index (background,
// transparent, pixel) finds a colour: black past the file's entries.
struct TGifPalette {
  int bits = 0;  // 2^bits entries in the file, 0 when there is no table
  std::vector<TRGB> entries;
  std::array<TRGB, 256> lookup{};

  bool Present() const { return bits > 0; }
  int Count() const { return 1 << bits; }
  void Build() {
    lookup.fill(TRGB{});
    for (size_t i = 0; i < entries.size() && i < lookup.size(); ++i) lookup[i] = entries[i];
  }
};

bool ReadTable(TOXReader& reader, int sizeField, TGifPalette& pal) {
  pal.bits = (sizeField & 7) + 1;
  std::vector<uint8_t> rgb = reader.ReadBytes(int64_t(3) << pal.bits);
  if (reader.Failed()) return false;
  pal.entries.resize(size_t(pal.Count()));
  for (size_t i = 0; i < pal.entries.size(); ++i) pal.entries[i] = TRGB{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  pal.Build();
  return true;
}

// Stand-in table of a file without any colour table: 256 gray levels.
TGifPalette GrayRamp() {
  TGifPalette pal;
  pal.bits = 8;
  pal.entries.resize(256);
  for (int i = 0; i < 256; ++i) pal.entries[size_t(i)] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
  pal.Build();
  return pal;
}

// Skips sub-blocks up to a zero length or the end of the stream.
void SkipSubBlocks(TOXReader& reader) {
  for (;;) {
    const uint8_t n = reader.ReadU8();
    if (reader.Failed() || n == 0) return;
    if (!reader.Skip(std::min<int64_t>(n, reader.Remaining())) || reader.Remaining() == 0) return;
  }
}

// Reads one block introducer; the end of the stream (or a failed read before) counts as the trailer.
uint8_t NextIntroducer(TOXReader& reader) {
  const uint8_t b = reader.ReadU8();
  return reader.Failed() ? uint8_t(';') : b;
}

struct TImageDescriptor {
  int left = 0, top = 0, width = 0, height = 0;
  uint8_t flags = 0;
  TGifPalette local;
};

bool ReadDescriptor(TOXReader& reader, TImageDescriptor& d) {
  d.left = reader.ReadU16LE();
  d.top = reader.ReadU16LE();
  d.width = reader.ReadU16LE();
  d.height = reader.ReadU16LE();
  d.flags = reader.ReadU8();
  if (reader.Failed()) return false;
  if (d.flags & 0x80) return ReadTable(reader, d.flags, d.local);
  return true;
}

struct TGraphicControl {
  uint8_t flags = 0;
  int delay = 0;
  uint8_t transparentIndex = 0;
};

// The extension's first sub-block holds the values; a block shorter than 4 bytes leaves the missing ones 0,
// anything after them (and any further sub-block) is skipped.
void ReadGraphicControl(TOXReader& reader, TGraphicControl& gc) {
  const uint8_t n = reader.ReadU8();
  if (reader.Failed() || n == 0) return;
  uint8_t v[4] = {};
  const int64_t take = std::min<int64_t>(std::min<int64_t>(n, 4), reader.Remaining());
  if (take > 0) reader.ReadInto(v, take);
  gc = TGraphicControl{v[0], LoadU16LE(v + 1), v[3]};
  if (n > take) reader.Skip(std::min<int64_t>(n - take, reader.Remaining()));
  SkipSubBlocks(reader);
}

// Fills the DIB and the mask from the decoded indexes.
void StoreFrame(const std::vector<uint8_t>& indexes, int w, int h, const TGifPalette& pal, bool transparent,
                int transparentIndex, gfx::TDib& dib, TOXMask* mask) {
  const bool bilevel = pal.bits == 1 && pal.entries[0] == TRGB{0, 0, 0} && pal.entries[1] == TRGB{255, 255, 255};
  // Every pixel is written below, so a DIB of the right shape is reused; any other is emptied first so that
  // neither the format change nor the resize converts or keeps old pixels.
  gfx::TDib& out = dib;
  const gfx::TPixelFormat format = bilevel ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit;
  PrepareDib(out, w, h, format);
  if (bilevel) out.SetPalette({TRGB{0, 0, 0}, TRGB{255, 255, 255}});
  uint32_t bgr[256];
  for (int i = 0; i < 256; ++i) {
    const TRGB& c = pal.lookup[size_t(i)];
    bgr[i] = uint32_t(c.b) | (uint32_t(c.g) << 8) | (uint32_t(c.r) << 16);
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = indexes.data() + int64_t(y) * w;
    uint8_t* dst = out.ScanLine(y);
    if (bilevel) {
      std::memset(dst, 0, size_t((w + 7) / 8));
      for (int x = 0; x < w; ++x)
        if (src[x] != 0) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
    } else {
      // Four bytes per store; the last pixel's store is kept to three so it never crosses the row.
      for (int x = 0; x + 1 < w; ++x, dst += 3) std::memcpy(dst, &bgr[src[x]], 4);
      const uint32_t last = bgr[src[w - 1]];
      dst[0] = uint8_t(last);
      dst[1] = uint8_t(last >> 8);
      dst[2] = uint8_t(last >> 16);
    }
  }
  if (mask) {
    if (mask->Width != w || mask->Height != h || mask->BitsPerPixel != 8 || mask->Data.empty()) mask->Allocate(w, h, 8);
    mask->Fill(255);
    mask->X1 = 0;
    mask->Y1 = 0;
    mask->X2 = w - 1;
    mask->Y2 = h - 1;
    if (transparent) {
      bool any = false;
      for (int y = 0; y < h; ++y) {
        const uint8_t* src = indexes.data() + int64_t(y) * w;
        uint8_t* m = mask->Row(y);
        for (int x = 0; x < w; ++x)
          if (src[x] == transparentIndex) {
            m[x] = 0;
            any = true;
          }
      }
      if (any) mask->Full = false;
    }
  }
}

constexpr const char* kShortWrite = "GIF: the output took fewer bytes than were written";
constexpr uint8_t kTrailer = 0x3B;  // the byte that ends the file

// What the reader's stages share.
struct TGifRead {
  TGifRead(TOXStream& s, TProgressRec& p, TIOParamsVals& v) : stream(s), reader(s), progress(p), params(v) {}
  TOXStream& stream;
  TOXReader reader;
  TProgressRec& progress;
  TIOParamsVals& params;
  TGifPalette global;
  uint8_t backgroundIndex = 0;
};

// The header, the logical screen and its global colour table; false (with the reason) when they cannot be read.
bool ReadGifScreen(TGifRead& c) {
  TIOParamsVals& params = c.params;
  uint8_t header[13];
  if (!c.reader.ReadInto(header, 13) || std::memcmp(header, "GIF", 3) != 0) {
    FailDamaged(c.progress, "GIF: the file does not start with a GIF header");
    return false;
  }
  params.GifVersion.assign(reinterpret_cast<const char*>(header), 6);
  params.GifScreenWidth = LoadU16LE(header + 6);
  params.GifScreenHeight = LoadU16LE(header + 8);
  params.GifAspectRatio = header[12];
  params.DpiX = params.ScreenDpiX;
  params.DpiY = params.ScreenDpiY;
  params.SamplesPerPixel = 1;
  const uint8_t screenFlags = header[10];
  c.backgroundIndex = header[11];
  if ((screenFlags & 0x80) && !ReadTable(c.reader, screenFlags, c.global)) {
    FailDamaged(c.progress, "GIF: the global colour table runs past the end of the file");
    return false;
  }
  // Without a global table there is no background colour in the file: black rather than the last file's.
  params.GifBackgroundColor = c.global.lookup[c.backgroundIndex];
  return true;
}

// The frame asked for: its parameters, and its pixels unless only those are wanted. False ends the reading.
bool ReadGifFrame(TGifRead& c, const TImageDescriptor& d, const TGraphicControl& gc, bool paramsOnly, gfx::TDib* dib,
                  TOXMask* alphaMask) {
  TIOParamsVals& params = c.params;
  TProgressRec& progress = c.progress;
  progress.Report(30);
  if (progress.IsAborted()) return false;
  const TGifPalette& pal = d.local.Present() ? d.local : c.global.Present() ? c.global : GrayRamp();
  params.GifTransparentColor = pal.lookup[gc.transparentIndex];
  params.GifLeft = d.left;
  params.GifTop = d.top;
  params.Width = d.width;
  params.Height = d.height;
  params.GifDelayTime = gc.delay;
  params.GifTransparent = (gc.flags & 1) != 0;
  params.GifInterlaced = (d.flags & 0x40) != 0;
  if (!gfx::ImageSizeAllowed(d.width, d.height, 24)) {
    FailUnsupported(progress, "GIF: a frame of " + std::to_string(d.width) + " x " + std::to_string(d.height) +
                                  " pixels is larger than this program reads");
    return false;
  }

  std::vector<uint8_t> indexes;
  if (!paramsOnly) {
    // Pixels the data does not reach stay the background.
    indexes.assign(size_t(int64_t(d.width) * d.height), c.backgroundIndex);
    const int64_t before = c.stream.Position();
    const TGifLzwDecoder& decode = params.GifDecoder();
    if (!decode) {
      FailUnsupported(progress, "GIF: no LZW decoder is installed");
      return false;
    }
    decode(c.stream, d.height, d.width, indexes.data(), params.GifInterlaced);
    if (c.stream.Position() == before) {
      FailDamaged(progress, "GIF: the frame's compressed data cannot be read");
      return false;
    }
    progress.Report(70);
    if (progress.IsAborted()) return false;
  } else {
    c.reader.ReadU8();
    SkipSubBlocks(c.reader);
  }

  params.BitsPerSample = pal.bits;
  params.SetColorMapCount(pal.Count()) = pal.entries;
  params.ColorMapCount = pal.Count();
  if (!paramsOnly && dib != nullptr)
    StoreFrame(indexes, d.width, d.height, pal, params.GifTransparent, gc.transparentIndex, *dib, alphaMask);
  return true;
}

}  // namespace

void ReadGifStream(TOXStream& stream, gfx::TDib* dib, int* imageCount, TOXMask* alphaMask, bool paramsOnly,
                   TProgressRec& progress, TIOParamsVals& params) {
  progress.Report(0);
  if (progress.IsAborted()) return;
  TGifRead c(stream, progress, params);
  if (!ReadGifScreen(c)) return;
  TOXReader& reader = c.reader;

  if (reader.Remaining() == 0) FailDamaged(progress, "GIF: the file ends after its header");
  int frames = 0;
  TGraphicControl gc;
  while (!progress.IsAborted()) {
    const uint8_t introducer = NextIntroducer(reader);
    if (introducer == ';') break;
    if (introducer == '!') {
      const uint8_t label = reader.ReadU8();
      if (label == 0xF9 && frames == params.GifImageIndex)
        ReadGraphicControl(reader, gc);
      else
        SkipSubBlocks(reader);
      continue;
    }
    if (introducer != ',') continue;

    TImageDescriptor d;
    if (!ReadDescriptor(reader, d)) break;  // cut off inside the descriptor: the end of the data
    if (frames != params.GifImageIndex) {
      reader.ReadU8();
      SkipSubBlocks(reader);
      ++frames;
      continue;
    }
    if (!ReadGifFrame(c, d, gc, paramsOnly, dib, alphaMask)) break;
    ++frames;
  }
  params.GifImageCount = frames;
  if (imageCount) *imageCount = frames;
  if (!progress.IsAborted()) progress.Report(100);
}

void ReadGifFile(const std::string& fileName, gfx::TDib* dib, int* imageCount, TOXMask* alphaMask, bool paramsOnly,
                 TProgressRec& progress, TIOParamsVals& params) {
  TOXFileStream stream(fileName, fmOpenRead);
  ReadGifStream(stream, dib, imageCount, alphaMask, paramsOnly, progress, params);
}

namespace {

// The picture as the file stores it: a palette and one index per pixel.
struct TGifIndexed {
  std::vector<TRGB> palette;
  std::vector<uint8_t> indexes;
  int backgroundIndex = 0, transparentIndex = 0;
};

// A two-colour picture keeps its two colours (or black and white of the dither) in the order of the bits.
bool IndexTwoColours(const gfx::TDib& dib, const TIOParamsVals& params, TProgressRec& progress, TGifIndexed& g) {
  const int w = dib.Width(), h = dib.Height();
  gfx::TDib holder;
  const gfx::TDib& src = PrepareSource1(dib, holder);
  g.palette = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  if (src.Palette().size() >= 2) g.palette.assign(src.Palette().begin(), src.Palette().begin() + 2);
  for (int y = 0; y < h; ++y) {
    if (progress.IsAborted()) return false;
    const uint8_t* row = src.ScanLine(y);
    uint8_t* out = g.indexes.data() + int64_t(y) * w;
    for (int x = 0; x < w; ++x) out[x] = uint8_t((row[x >> 3] >> (7 - (x & 7))) & 1);
  }
  g.backgroundIndex = NearestIndex(g.palette.data(), 2, params.GifBackgroundColor);
  g.transparentIndex = NearestIndex(g.palette.data(), 2, params.GifTransparentColor);
  return true;
}

// Other pictures through the quantizer; with clear pixels (keyed) one index is kept for them alone.
bool IndexByQuantizer(const gfx::TDib& dib, const TOXMask* alpha, bool keyed, int colours, const TIOParamsVals& params,
                      TProgressRec& progress, TGifIndexed& g) {
  const int w = dib.Width(), h = dib.Height();
  auto clear = [alpha](int x, int y) { return alpha->Row(y)[x] < kHalfOpaque; };
  gfx::TDib holder, opaque;
  const gfx::TDib* src = &PrepareSource24(dib, holder);
  if (keyed) {
    // Clear pixels take an opaque pixel's colour, so they add none to the palette.
    opaque = *src;
    const uint8_t* fill = nullptr;
    for (int y = 0; y < h && !fill; ++y)
      for (int x = 0; x < w && !fill; ++x)
        if (!clear(x, y)) fill = src->ScanLine(y) + 3 * x;
    for (int y = 0; fill && y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (clear(x, y)) std::memcpy(opaque.ScanLine(y) + 3 * x, fill, 3);
    src = &opaque;
  }
  g.palette.assign(size_t(colours), TRGB{});
  TOXQuantizer quantizer(*src, -1, keyed ? std::max(colours - 1, 1) : colours, g.palette);
  g.palette.resize(size_t(colours));
  if (keyed) {
    g.transparentIndex = std::min(quantizer.Count(), colours - 1);
    g.palette[size_t(g.transparentIndex)] =
        TRGB{params.GifTransparentColor.r, params.GifTransparentColor.g, params.GifTransparentColor.b};
  } else {
    g.transparentIndex = quantizer.IndexOf(params.GifTransparentColor);
  }
  for (int y = 0; y < h; ++y) {
    if (progress.IsAborted()) return false;
    const uint8_t* p = src->ScanLine(y);
    uint8_t* out = g.indexes.data() + int64_t(y) * w;
    for (int x = 0; x < w; ++x, p += 3)
      out[x] = keyed && clear(x, y) ? uint8_t(g.transparentIndex)
                                    : uint8_t(quantizer.IndexOf((uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]));
  }
  g.backgroundIndex = quantizer.IndexOf(params.GifBackgroundColor);
  return true;
}

// Header, logical screen, global table, graphic control extension and image descriptor.
void WriteGifHead(TOXWriter& out, const TIOParamsVals& params, const TGifIndexed& g, int w, int h, int bits) {
  std::string version = params.GifVersion.substr(0, 6);
  if (version.size() < 6) version += std::string("GIF89a").substr(version.size());
  out.Write(version.data(), 6);
  out.WriteU16LE(uint16_t(w));
  out.WriteU16LE(uint16_t(h));
  out.WriteU8(uint8_t(0x80 + (bits - 1) * 16 + (bits - 1)));
  out.WriteU8(uint8_t(g.backgroundIndex));
  out.WriteU8(0);
  for (const TRGB& e : g.palette) {
    const uint8_t rgb[3] = {e.r, e.g, e.b};
    out.Write(rgb, 3);
  }
  // Graphic control extension, written for GIF87a too.
  const uint8_t control[4] = {0x21, 0xF9, 0x04, uint8_t(8 + (params.GifTransparent ? 1 : 0))};
  out.Write(control, 4);
  out.WriteU16LE(uint16_t(params.GifDelayTime));
  out.WriteU8(uint8_t(g.transparentIndex));
  out.WriteU8(0);
  out.WriteU8(0x2C);
  out.WriteU16LE(uint16_t(params.GifLeft));
  out.WriteU16LE(uint16_t(params.GifTop));
  out.WriteU16LE(uint16_t(w));
  out.WriteU16LE(uint16_t(h));
  out.WriteU8(params.GifInterlaced ? 64 : 0);
}

}  // namespace

void WriteGifStream(TOXStream& stream, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress,
                    const TOXMask* mask) {
  progress.Report(0);
  if (progress.IsAborted()) return;
  const int w = dib.Width(), h = dib.Height();
  if (dib.Empty() || w > 65535 || h > 65535) {
    FailUnsupported(progress, "GIF: the header cannot describe this picture");
    return;
  }
  const int bits = std::clamp(params.BitsPerSample, 1, 8);
  const int colours = 1 << bits;

  TGifIndexed g;
  g.indexes.resize(size_t(int64_t(w) * h));
  // Pixels below half opacity share one index of their own, so no opaque colour is ever keyed out.
  const TOXMask* alpha = AlphaOf(mask, dib);
  bool keyed = false;
  for (int y = 0; alpha && y < h && !keyed; ++y)
    for (int x = 0; x < w && !keyed; ++x) keyed = alpha->Row(y)[x] < kHalfOpaque;
  const bool transparent = mask ? keyed : params.GifTransparent;
  const bool indexed = bits == 1 && !keyed ? IndexTwoColours(dib, params, progress, g)
                                           : IndexByQuantizer(dib, alpha, keyed, colours, params, progress, g);
  if (!indexed) return;
  params.GifTransparent = transparent;

  progress.Report(30);
  if (progress.IsAborted()) return;
  TOXWriter out(stream);
  WriteGifHead(out, params, g, w, h, bits);
  if (out.Failed()) {
    FailOutput(progress, kShortWrite);
    return;
  }

  progress.Report(70);
  if (progress.IsAborted()) return;
  const TGifLzwEncoder& encode = params.GifEncoder();
  if (!encode) {
    FailUnsupported(progress, "GIF: no LZW encoder is installed");
    return;
  }
  const int64_t before = stream.Position();
  encode(out.Checked(), h, w, bits, g.indexes.data(), params.GifInterlaced);
  if (stream.Position() == before) {
    FailOutput(progress, "GIF: the output took none of the compressed data");
    return;
  }
  out.WriteU8(kTrailer);
  if (out.Failed()) {
    FailOutput(progress, kShortWrite);
    return;
  }
  params.SetColorMapCount(colours) = g.palette;
  progress.Report(100);
}

void WriteGifFile(const std::string& fileName, const gfx::TDib& dib, TIOParamsVals& params, TProgressRec& progress,
                  const TOXMask* mask) {
  TOXFileStream stream(fileName, fmCreate);
  WriteGifStream(stream, dib, params, progress, mask);
}

int GifFrameCount(TOXStream& stream) {
  TOXReader reader(stream);
  uint8_t header[13];
  if (!reader.ReadInto(header, 13) || std::memcmp(header, "GIF", 3) != 0) return 0;
  if (header[10] & 0x80) reader.Skip(std::min<int64_t>(int64_t(3) << ((header[10] & 7) + 1), reader.Remaining()));
  int frames = 0;
  for (;;) {
    const uint8_t introducer = NextIntroducer(reader);
    if (introducer == ';') break;
    if (introducer == '!') {
      reader.ReadU8();
      SkipSubBlocks(reader);
    } else if (introducer == ',') {
      TImageDescriptor d;
      if (!ReadDescriptor(reader, d)) break;
      ++frames;
      reader.ReadU8();
      SkipSubBlocks(reader);
    }
  }
  return frames;
}

int GifFrameCount(const std::string& fileName) {
  try {
    TOXFileStream stream(fileName, fmOpenRead);
    return GifFrameCount(stream);
  } catch (...) {
    return 0;
  }
}

bool IsGIFStream(TOXStream& stream) {
  uint8_t b[3];
  return PeekBytes(stream, b, 3, 13) && std::memcmp(b, "GIF", 3) == 0;
}
}  // namespace ox
