// Icon and cursor codec: directory checks, the bitmap of one entry and its AND mask.
#include "imaging/io/ICOFilt.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/io/BMPFilt.h"
#include "imaging/io/oxfailure.h"
#include "imaging/model/DibInfo.h"
#include "imaging/model/IndexedRows.h"
#include "imaging/model/Rounding.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

bool TestDirectory(TOXStream& stream, int type) {
  const int64_t pos = stream.Position();
  TOXReader rd(stream);
  bool ok = rd.Remaining() >= 23;
  if (ok) {
    uint8_t h[6];
    rd.ReadInto(h, 6);
    const int count = LoadU16LE(h + 4);
    ok = LoadU16LE(h) == 0 && LoadU16LE(h + 2) == type && count != 0;
    for (int i = 0; ok && i < count; ++i) {
      uint8_t e[16];
      if (!rd.ReadInto(e, 16)) {
        ok = false;
        break;
      }
      const int64_t after = stream.Position() - pos;
      ok = e[3] == 0 && LoadU32LE(e + 8) != 0 && int64_t(LoadU32LE(e + 12)) >= after;
    }
  }
  stream.SetPosition(pos);
  return ok;
}

struct TEntry {
  int width = 0, height = 0, colours = 0, planes = 0, bitCount = 0;
  uint32_t size = 0, offset = 0;
};

// One icon or cursor read, stage by stage: directory, the entry's info header, colour table, then the
// XOR pixels and the AND mask.
struct TIconRead {
  TOXStream& Stream;
  TOXReader Rd;
  TIOParamsVals& Params;
  TProgressRec& Progress;
  bool Cursor;
  const char* Tag;
  int64_t Start;
  TEntry E;
  TDibInfo H;
  int Bits = 0, PaletteSize = 0;
  int64_t Width = 0, Height = 0;
  std::array<gfx::TRGB, 256> Lut{};

  TIconRead(TOXStream& s, TIOParamsVals& p, TProgressRec& r, bool cursor)
      : Stream(s), Rd(s), Params(p), Progress(r), Cursor(cursor), Tag(cursor ? "CUR: " : "ICO: "),
        Start(s.Position()) {}

  // False when there is nothing to read; `bitmap` when the file is a plain BMP instead.
  bool Directory(bool& bitmap);
  bool Info();
  bool ColourTable();
  void Pixels(gfx::TDib& dib, TOXMask* alpha);
  void Fail(const std::string& what) { FailDamaged(Progress, Tag + what); }
};

bool TIconRead::Directory(bool& bitmap) {
  uint8_t h[6];
  if (!Rd.ReadInto(h, 6)) {
    Fail("the file is shorter than its directory header");
    return false;
  }
  bitmap = !Cursor && h[0] == 'B' && h[1] == 'M';
  if (bitmap) return false;
  const int count = LoadU16LE(h + 4);
  const int index = Cursor ? Params.CurImageIndex : Params.IcoImageIndex;
  if (index < 0 || index >= count) return false;
  for (int i = 0; i <= index; ++i) {
    uint8_t b[16];
    if (!Rd.ReadInto(b, 16)) {
      Fail("the directory runs past the end of the file");
      return false;
    }
    E = TEntry{b[0], b[1], b[2], LoadU16LE(b + 4), LoadU16LE(b + 6), LoadU32LE(b + 8), LoadU32LE(b + 12)};
  }
  if (E.size < kDibInfoHeaderSize || int64_t(E.offset) + E.size > Stream.Size() - Start) {
    Fail("entry " + std::to_string(index + 1) + " lies outside the file");
    return false;
  }
  Stream.SetPosition(Start + E.offset);
  return true;
}

bool TIconRead::Info() {
  // PNG-compressed entries and headers that are not bitmap headers are not decoded.
  const bool read = ReadDibInfo(Rd, H);
  if (!read || H.HeaderSize < kDibInfoHeaderSize || H.HeaderSize > kDibV5HeaderSize) {
    if (H.HeaderSize == 0x474E5089)  // "\x89PNG" read as a header size
      FailUnsupported(Progress, std::string(Tag) + "PNG-compressed entries are not supported");
    else
      Fail("the entry's bitmap header is damaged");
    return false;
  }
  Params.DpiX = DpiOfPelsPerMeter(H.XPelsPerMeter, Params.ScreenDpiX);
  Params.DpiY = DpiOfPelsPerMeter(H.YPelsPerMeter, Params.ScreenDpiY);

  const int entryColours = E.colours == 255 ? 256 : E.colours;
  int bits = H.Bits;
  if (bits == 0 && !Cursor) bits = E.bitCount;  // a cursor's field is the hot spot
  if (bits == 0 && entryColours > 0) {
    while ((1 << bits) < entryColours) ++bits;
    bits = std::max(bits, 1);
  }
  if (bits == 0) {
    Fail("the entry has no bit count");
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
    FailUnsupported(Progress, std::string(Tag) + std::to_string(bits) + " bits per pixel are not supported");
    return false;
  }
  Bits = bits;
  // The directory entry's colour count sizes the table, as icon loaders do; the header's is not used.
  PaletteSize = bits > 8 ? 0 : entryColours > 0 ? entryColours : 1 << bits;
  if (Cursor) {
    Params.SamplesPerPixel = 1;
    Params.BitsPerSample = bits;
    Params.CurHotSpotX = E.planes;
    Params.CurHotSpotY = E.bitCount;
  } else if (bits > 8) {
    Params.BitsPerSample = 8;
    Params.SamplesPerPixel = 3;
  } else {
    Params.BitsPerSample = bits;
    Params.SamplesPerPixel = 1;
  }

  // The header's height covers the XOR and the AND bitmaps.
  const int64_t hw = H.Width, hh = H.TopDown ? -H.Height : H.Height;
  Width = E.width ? E.width : hw;
  Height = E.height ? E.height : hh / 2;
  if (!Cursor && hw != 0 && Width != hw && hw < 2048 && hh < 2048) {
    Width = hw;
    Height = hh / 2;
  }
  if (!gfx::ImageSizeAllowed(Width, Height, 32)) {
    Fail("the entry's size is out of range");
    return false;
  }
  return true;
}

bool TIconRead::ColourTable() {
  Params.FreeColorMap();
  if (PaletteSize > 0) {
    std::vector<uint8_t> table = Rd.ReadBytes(int64_t(PaletteSize) * 4);
    if (Rd.Failed()) {
      Fail("the colour table runs past the end of the file");
      return false;
    }
    auto& map = Params.SetColorMapCount(PaletteSize);
    for (int i = 0; i < PaletteSize; ++i) map[size_t(i)] = Lut[size_t(i)] = gfx::TRGB{table[4 * i + 2], table[4 * i + 1], table[4 * i]};
  }
  Params.Width = int(Width);
  Params.Height = int(Height);
  return true;
}

void TIconRead::Pixels(gfx::TDib& dib, TOXMask* alpha) {
  const int iw = int(Width), ih = int(Height), bits = Bits;
  const int64_t xorLen = gfx::RowBytes(iw, bits), andLen = gfx::RowBytes(iw, 1);
  // A cut icon keeps the rows it holds (from the bottom).
  const int xorRows = int(std::min<int64_t>(ih, xorLen > 0 ? Rd.Remaining() / xorLen : 0));
  std::vector<uint8_t> xorData = Rd.ReadBytes(xorLen * xorRows);
  if (Rd.Failed() || xorRows == 0) {
    Progress.EndOfData();
    return;
  }
  dib = gfx::TDib(iw, ih, bits == 1 ? gfx::TPixelFormat::pf1bit : gfx::TPixelFormat::pf24bit);
  if (alpha) {
    alpha->Allocate(iw, ih, 8);
    alpha->Fill(255);
    alpha->X1 = 0;
    alpha->Y1 = 0;
    alpha->X2 = iw - 1;
    alpha->Y2 = ih - 1;
    alpha->Full = false;
  }
  const gfx::TRGB bg = Cursor ? Params.CurBackground : Params.IcoBackground;
  Progress.StartPicture(ih, true);

  // 32-bit pictures carry their own alpha; the AND mask counts only when every alpha is 0.
  bool ownAlpha = false;
  if (bits == 32)
    for (size_t i = 3; i < xorData.size() && !ownAlpha; i += 4) ownAlpha = xorData[i] != 0;
  std::vector<uint8_t> andData;
  if (!ownAlpha && xorRows == ih) andData = Rd.ReadBytes(andLen * ih);
  const bool andMissing = !ownAlpha && andData.empty();

  for (int i = 0; i < xorRows; ++i) {
    Progress.Report(int(Trunc(double(i) * (100.0 / ih))));
    if (Progress.IsAborted()) break;
    const int y = ih - 1 - i;
    const uint8_t* in = &xorData[size_t(i * xorLen)];
    const uint8_t* andRow = andData.empty() ? nullptr : &andData[size_t(i * andLen)];
    uint8_t* out = dib.ScanLine(y);
    auto transparent = [&](int x) { return andRow && (andRow[x >> 3] & (0x80 >> (x & 7))); };
    if (bits == 1) {
      std::memcpy(out, in, size_t(xorLen));
      for (int x = 0; x < iw; ++x)
        if (transparent(x)) {
          if (alpha) alpha->SetPixel(x, y, 0);
          if (bg == gfx::TRGB{255, 255, 255}) out[x >> 3] ^= uint8_t(0x80 >> (x & 7));
        }
      Progress.Delivered(i + 1);
      continue;
    }
    for (int x = 0; x < iw; ++x, out += 3) {
      gfx::TRGB c;
      int a = 255;
      switch (bits) {
        case 4: c = Lut[(x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4)]; break;
        case 8: c = Lut[in[x]]; break;
        case 24: c = gfx::TRGB{in[3 * x + 2], in[3 * x + 1], in[3 * x]}; break;
        default:
          c = gfx::TRGB{in[4 * x + 2], in[4 * x + 1], in[4 * x]};
          if (ownAlpha) a = in[4 * x + 3];
          break;
      }
      if (transparent(x)) a = 0;
      if (a == 0) c = bg;
      if (alpha && a != 255) alpha->SetPixel(x, y, a);
      PutBgr(out, c);
    }
    Progress.Delivered(i + 1);
  }
  if (xorRows < ih) Progress.EndOfData();
  else if (andMissing) Fail("the AND mask runs past the end of the file");  // the picture stays, without a mask
}

void ReadIconOrCursor(TOXStream& stream, gfx::TDib* dib, TIOParamsVals& params, TOXMask* alpha, TProgressRec& progress,
                      bool paramsOnly, bool cursor) {
  TIconRead r(stream, params, progress, cursor);
  bool bitmap = false;
  if (!r.Directory(bitmap)) {
    if (!bitmap) return;
    stream.SetPosition(r.Start);
    BMPReadStream(stream, dib, stream.Size() - r.Start, paramsOnly, progress, params);
    // A bitmap has no transparency: the previous picture's mask must not stay.
    if (alpha && dib && !paramsOnly && !dib->Empty()) {
      alpha->Allocate(dib->Width(), dib->Height(), 8);
      alpha->Fill(255);
    }
    return;
  }
  if (!r.Info() || !r.ColourTable() || paramsOnly || !dib) return;
  r.Pixels(*dib, alpha);
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
