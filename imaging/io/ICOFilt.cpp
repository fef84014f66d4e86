// Icon and cursor codec: directory checks, the bitmap of one entry and its AND mask.
#include "imaging/io/ICOFilt.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/io/BMPFilt.h"
#include "imaging/model/Rounding.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

bool TestDirectory(TOXStream& stream, int type) {
  const int64_t pos = stream.Position();
  TOXReader rd(stream);
  bool ok = rd.Remaining() >= 23;
  if (ok) {
    uint8_t h[6];
    rd.ReadInto(h, 6);
    const int count = Le16(h + 4);
    ok = Le16(h) == 0 && Le16(h + 2) == type && count != 0;
    for (int i = 0; ok && i < count; ++i) {
      uint8_t e[16];
      if (!rd.ReadInto(e, 16)) {
        ok = false;
        break;
      }
      const int64_t after = stream.Position() - pos;
      ok = e[3] == 0 && Le32(e + 8) != 0 && int64_t(Le32(e + 12)) >= after;
    }
  }
  stream.SetPosition(pos);
  return ok;
}

struct TEntry {
  int width = 0, height = 0, colours = 0, planes = 0, bitCount = 0;
  uint32_t size = 0, offset = 0;
};

void ReadIconOrCursor(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* alpha, TProgressRec& progress,
                      bool paramsOnly, bool cursor) {
  const int64_t start = stream.Position();
  TOXReader rd(stream);
  uint8_t h[6];
  if (!rd.ReadInto(h, 6)) {
    progress.Abort();
    return;
  }
  if (!cursor && h[0] == 'B' && h[1] == 'M') {
    stream.SetPosition(start);
    BMPReadStream(stream, dib, stream.Size() - start, paramsOnly, progress, params);
    // A bitmap has no transparency: the previous picture's mask must not stay.
    if (alpha && dib && !paramsOnly && !dib->Empty()) {
      alpha->Allocate(dib->Width(), dib->Height(), 8);
      alpha->Fill(255);
    }
    return;
  }
  const int count = Le16(h + 4);
  const int index = cursor ? params.CurImageIndex : params.IcoImageIndex;
  if (index < 0 || index >= count) return;
  TEntry e;
  for (int i = 0; i <= index; ++i) {
    uint8_t b[16];
    if (!rd.ReadInto(b, 16)) {
      progress.Abort();
      return;
    }
    e = TEntry{b[0], b[1], b[2], Le16(b + 4), Le16(b + 6), Le32(b + 8), Le32(b + 12)};
  }
  if (e.size < 40 || int64_t(e.offset) + e.size > stream.Size() - start) {
    progress.Abort();
    return;
  }
  stream.SetPosition(start + e.offset);
  uint8_t bh[40];
  rd.ReadInto(bh, 40);
  const uint32_t hsize = Le32(bh);
  // PNG-compressed entries and headers that are not bitmap headers are not decoded.
  if (rd.Failed() || hsize < 40 || hsize > 124 || !rd.Skip(hsize - 40)) {
    progress.Abort();
    return;
  }
  const int32_t hw = int32_t(Le32(bh + 4)), hh = int32_t(Le32(bh + 8));
  const int hbits = Le16(bh + 14);
  auto dpi = [](int32_t ppm, int screen) {
    const int64_t v = Round(double(ppm) / 100.0 * 2.54);
    return v < 1 || v > 1000000 ? screen : int(v);
  };
  params.DpiX = dpi(int32_t(Le32(bh + 24)), params.ScreenDpiX);
  params.DpiY = dpi(int32_t(Le32(bh + 28)), params.ScreenDpiY);

  const int entryColours = e.colours == 255 ? 256 : e.colours;
  int bits = hbits;
  if (bits == 0 && !cursor) bits = e.bitCount;  // a cursor's field is the hot spot
  if (bits == 0 && entryColours > 0) {
    while ((1 << bits) < entryColours) ++bits;
    bits = std::max(bits, 1);
  }
  if (bits == 0) {
    progress.Abort();
    return;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
    progress.Abort();
    return;
  }
  // The directory entry's colour count sizes the table, as icon loaders do; the header's is not used.
  const int paletteSize = bits > 8 ? 0 : entryColours > 0 ? entryColours : 1 << bits;
  if (cursor) {
    params.SamplesPerPixel = 1;
    params.BitsPerSample = bits;
    params.CurHotSpotX = e.planes;
    params.CurHotSpotY = e.bitCount;
  } else if (bits > 8) {
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 3;
  } else {
    params.BitsPerSample = bits;
    params.SamplesPerPixel = 1;
  }

  int64_t w = e.width ? e.width : hw;
  int64_t ht = e.height ? e.height : hh / 2;
  if (!cursor && hw != 0 && w != hw && hw < 2048 && hh < 2048) {
    w = hw;
    ht = hh / 2;
  }
  if (!gfx::ImageSizeAllowed(w, ht, 32)) {
    progress.Abort();
    return;
  }

  std::array<gfx::TRGB, 256> lut{};
  params.FreeColorMap();
  if (paletteSize > 0) {
    std::vector<uint8_t> table = rd.ReadBytes(int64_t(paletteSize) * 4);
    if (rd.Failed()) {
      progress.Abort();
      return;
    }
    auto& map = params.SetColorMapCount(paletteSize);
    for (int i = 0; i < paletteSize; ++i) map[size_t(i)] = lut[size_t(i)] = gfx::TRGB{table[4 * i + 2], table[4 * i + 1], table[4 * i]};
  }
  params.Width = int(w);
  params.Height = int(ht);
  if (paramsOnly || !dib) return;

  const int iw = int(w), ih = int(ht);
  const int64_t xorLen = gfx::RowBytes(iw, bits), andLen = gfx::RowBytes(iw, 1);
  // A cut icon keeps the rows it holds (from the bottom).
  const int xorRows = int(std::min<int64_t>(ih, xorLen > 0 ? rd.Remaining() / xorLen : 0));
  std::vector<uint8_t> xorData = rd.ReadBytes(xorLen * xorRows);
  if (rd.Failed() || xorRows == 0) {
    progress.EndOfData();
    return;
  }
  *dib = gfx::TDib(iw, ih, bits == 1 ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  if (alpha) {
    alpha->Allocate(iw, ih, 8);
    alpha->Fill(255);
    alpha->X1 = 0;
    alpha->Y1 = 0;
    alpha->X2 = iw - 1;
    alpha->Y2 = ih - 1;
    alpha->Full = false;
  }
  const gfx::TRGB bg = cursor ? params.CurBackground : params.IcoBackground;
  progress.StartPicture(ih, true);

  // 32-bit pictures carry their own alpha; the AND mask counts only when every alpha is 0.
  bool ownAlpha = false;
  if (bits == 32)
    for (size_t i = 3; i < xorData.size() && !ownAlpha; i += 4) ownAlpha = xorData[i] != 0;
  std::vector<uint8_t> andData;
  if (!ownAlpha && xorRows == ih) andData = rd.ReadBytes(andLen * ih);
  const bool andMissing = !ownAlpha && andData.empty();

  for (int i = 0; i < xorRows; ++i) {
    progress.Report(int(Trunc(double(i) * (100.0 / ih))));
    if (progress.IsAborted()) break;
    const int y = ih - 1 - i;
    const uint8_t* in = &xorData[size_t(i * xorLen)];
    const uint8_t* andRow = andData.empty() ? nullptr : &andData[size_t(i * andLen)];
    uint8_t* out = dib->ScanLine(y);
    auto transparent = [&](int x) { return andRow && (andRow[x >> 3] & (0x80 >> (x & 7))); };
    if (bits == 1) {
      std::memcpy(out, in, size_t(xorLen));
      for (int x = 0; x < iw; ++x)
        if (transparent(x)) {
          if (alpha) alpha->SetPixel(x, y, 0);
          if (bg == gfx::TRGB{255, 255, 255}) out[x >> 3] ^= uint8_t(0x80 >> (x & 7));
        }
      progress.Delivered(i + 1);
      continue;
    }
    for (int x = 0; x < iw; ++x, out += 3) {
      gfx::TRGB c;
      int a = 255;
      switch (bits) {
        case 4: c = lut[(x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4)]; break;
        case 8: c = lut[in[x]]; break;
        case 24: c = gfx::TRGB{in[3 * x + 2], in[3 * x + 1], in[3 * x]}; break;
        default:
          c = gfx::TRGB{in[4 * x + 2], in[4 * x + 1], in[4 * x]};
          if (ownAlpha) a = in[4 * x + 3];
          break;
      }
      if (transparent(x)) a = 0;
      if (a == 0) c = bg;
      if (alpha && a != 255) alpha->SetPixel(x, y, a);
      out[0] = c.b;
      out[1] = c.g;
      out[2] = c.r;
    }
    progress.Delivered(i + 1);
  }
  if (xorRows < ih) progress.EndOfData();
  else if (andMissing) progress.Abort();  // the picture itself stays decoded, without a mask
}

}  // namespace

bool IsICOStream(TOXStream& stream) { return TestDirectory(stream, 1); }
bool IsCURStream(TOXStream& stream) { return TestDirectory(stream, 2); }

void ICOReadStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* alpha, TProgressRec& progress,
                   bool paramsOnly) {
  ReadIconOrCursor(stream, dib, params, alpha, progress, paramsOnly, false);
}

void CURReadStream(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* alpha, TProgressRec& progress,
                   bool paramsOnly) {
  ReadIconOrCursor(stream, dib, params, alpha, progress, paramsOnly, true);
}

}  // namespace ox
