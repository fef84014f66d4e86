// Cut files through the I/O component: a partial picture (rows, then the background) told apart from a
// failed one in every codec, and which formats' resolutions lead to the square-pixel step on load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "CodecTestUtil.h"
#include "imaging/io/oxio.h"

using namespace ox;
using namespace codectest;

namespace {

constexpr gfx::TColor kFill = 0x00336699;  // 0x00BBGGRR

struct TLoad {
  gfx::TDib dib;
  bool aborted = false, partial = false;
  int64_t rows = 0, of = 0;
};

TLoad LoadBytes(const std::vector<uint8_t>& bytes, TOXFileFormat format) {
  TLoad r;
  TOrvexIO io;
  io.SetAttachedBitmap(&r.dib);
  io.SetBackground(kFill);
  TOXMemoryStream s(bytes);
  io.LoadFromStreamFormat(s, format);
  r.aborted = io.Aborted;
  r.partial = io.Partial;
  r.rows = io.RowsRead;
  r.of = io.RowsExpected;
  return r;
}

std::vector<uint8_t> Save(const gfx::TDib& dib, TOXFileFormat format, const std::function<void(TIOParamsVals&)>& set) {
  gfx::TDib copy = dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&copy);
  set(io.Params);
  TOXMemoryStream s;
  io.SaveToStreamFormat(s, format);
  EXPECT_FALSE(io.Aborted);
  return s.Bytes();
}

// An uncompressed RGB TIFF whose directory comes before its strips, as scanners write it, so that a cut
// file keeps its directory (writers that put it last lose it to any cut).
std::vector<uint8_t> TiffDirectoryFirst(const gfx::TDib& dib, int rowsPerStrip) {
  const int w = dib.Width(), h = dib.Height(), strips = (h + rowsPerStrip - 1) / rowsPerStrip;
  std::vector<uint8_t> b = {'I', 'I', 42, 0, 8, 0, 0, 0};
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  const int entries = 9;
  const size_t bps = 8 + 2 + entries * 12 + 4, offsets = bps + 6, counts = offsets + 4 * size_t(strips),
               data = counts + 4 * size_t(strips);
  b.resize(data + size_t(w) * h * 3, 0);
  put(8, entries, 2);
  const uint32_t table[entries][4] = {{256, 4, 1, uint32_t(w)},        {257, 4, 1, uint32_t(h)},
                                      {258, 3, 3, uint32_t(bps)},      {259, 3, 1, 1},
                                      {262, 3, 1, 2},                  {273, 4, uint32_t(strips), uint32_t(offsets)},
                                      {277, 3, 1, 3},                  {278, 4, 1, uint32_t(rowsPerStrip)},
                                      {279, 4, uint32_t(strips), uint32_t(counts)}};
  for (int i = 0; i < entries; ++i) {
    const size_t e = 10 + size_t(i) * 12;
    put(e, table[i][0], 2), put(e + 2, table[i][1], 2), put(e + 4, table[i][2], 4);
    put(e + 8, table[i][3], table[i][1] == 3 && table[i][2] == 1 ? 2 : 4);
  }
  for (int i = 0; i < 3; ++i) put(bps + size_t(i) * 2, 8, 2);
  for (int k = 0; k < strips; ++k) {
    const int rows = std::min(rowsPerStrip, h - k * rowsPerStrip);
    put(offsets + size_t(k) * 4, uint32_t(data + size_t(k) * rowsPerStrip * w * 3), 4);
    put(counts + size_t(k) * 4, uint32_t(rows * w * 3), 4);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = dib.ScanLine(y) + 3 * x;
      uint8_t* d = b.data() + data + (size_t(y) * w + x) * 3;
      d[0] = p[2], d[1] = p[1], d[2] = p[0];
    }
  return b;
}

bool RowIs(const gfx::TDib& dib, int y, gfx::TColor c) {
  for (int x = 0; x < dib.Width(); ++x)
    if (dib.GetPixelColor(x, y) != c) return false;
  return true;
}

bool RowsEqual(const gfx::TDib& a, const gfx::TDib& b, int y) {
  for (int x = 0; x < a.Width(); ++x)
    if (a.GetPixelColor(x, y) != b.GetPixelColor(x, y)) return false;
  return true;
}

}  // namespace

// Every codec: a file cut short loads its whole rows as the uncut file does, the rest in the background
// colour, with Partial beside Aborted; a file cut inside its header is a plain failure.
TEST(PartialPicture, CutFilesKeepTheirRowsInEveryCodec) {
  // Large enough that the PNG decoder, which takes its data in 8 KiB pieces, meets rows before the cut.
  const gfx::TDib picture = TestPicture(160, 120);
  const struct {
    const char* name;
    TOXFileFormat format;
    bool bottomUp;
    std::function<void(TIOParamsVals&)> set;  // writer options; none for a file made here
  } rows[] = {
      {"bmp", oxffBMP, true, [](TIOParamsVals&) {}},
      {"bmp rle8", oxffBMP, true, [](TIOParamsVals& p) { p.BitsPerSample = 8, p.SamplesPerPixel = 1, p.BmpCompressed = true; }},
      {"png", oxffPNG, false, [](TIOParamsVals& p) { p.PngCompressionLevel = 0; }},
      {"pcx", oxffPCX, false, [](TIOParamsVals&) {}},
      {"tiff", oxffTIFF, false, nullptr},
      {"tga", oxffTGA, false, [](TIOParamsVals&) {}},
      {"ppm", oxffPXM, false, [](TIOParamsVals&) {}},
      {"jpeg", oxffJPEG, false, [](TIOParamsVals& p) { p.JpegQuality = 90; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<uint8_t> full = row.set ? Save(picture, row.format, row.set) : TiffDirectoryFirst(picture, 8);
    const TLoad whole = LoadBytes(full, row.format);
    ASSERT_FALSE(whole.aborted);
    EXPECT_FALSE(whole.partial);
    for (int percent : {35, 70}) {
      SCOPED_TRACE(percent);
      const std::vector<uint8_t> cut(full.begin(), full.begin() + long(full.size() * percent / 100));
      const TLoad part = LoadBytes(cut, row.format);
      EXPECT_TRUE(part.aborted);
      ASSERT_TRUE(part.partial);
      EXPECT_EQ(part.of, 120);
      ASSERT_GT(part.rows, 0);
      ASSERT_LT(part.rows, 120);
      ASSERT_EQ(part.dib.Width(), 160);
      ASSERT_EQ(part.dib.Height(), 120);
      for (int k = 0; k < 120; ++k) {
        const int y = row.bottomUp ? 119 - k : k;
        if (k < part.rows) EXPECT_TRUE(RowsEqual(part.dib, whole.dib, y)) << "row " << y;
        else EXPECT_TRUE(RowIs(part.dib, y, kFill)) << "row " << y;
      }
    }
    const std::vector<uint8_t> header(full.begin(), full.begin() + 20);
    const TLoad failed = LoadBytes(header, row.format);
    EXPECT_TRUE(failed.aborted);
    EXPECT_FALSE(failed.partial);
  }
}

// A second load clears what the first one said.
TEST(PartialPicture, FlagsBelongToTheLastLoad) {
  const gfx::TDib picture = TestPicture(40, 30);
  const std::vector<uint8_t> full = Save(picture, oxffPXM, [](TIOParamsVals&) {});
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  TOXMemoryStream cut(std::vector<uint8_t>(full.begin(), full.begin() + long(full.size() / 2)));
  io.LoadFromStreamFormat(cut, oxffPXM);
  ASSERT_TRUE(io.Partial);
  TOXMemoryStream whole(full);
  io.LoadFromStreamFormat(whole, oxffPXM);
  EXPECT_FALSE(io.Aborted);
  EXPECT_FALSE(io.Partial);
  EXPECT_EQ(io.RowsRead, 0);
}

// A user's stop is no partial picture, whatever the rows read so far.
TEST(PartialPicture, StoppedLoadIsNotPartial) {
  const std::vector<uint8_t> full = Save(TestPicture(40, 30), oxffBMP, [](TIOParamsVals&) {});
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  int calls = 0;
  io.OnProgress = [&](TOrvexIO* sender, int) {
    if (++calls == 10) sender->Aborted = true;
  };
  TOXMemoryStream s(full);
  io.LoadFromStreamFormat(s, oxffBMP);
  EXPECT_TRUE(io.Aborted);
  EXPECT_FALSE(io.Partial);
}

// netpbm stores the picture's own size in the PCX resolution fields: such a file keeps its pixel size,
// while a 204 x 98 dpi fax page still gets square pixels on load.
TEST(SquarePixels, PcxResolutionsAreNotPixelShapes) {
  if (!HaveTool("ppmtopcx")) GTEST_SKIP() << "netpbm missing";
  TTempDir dir;
  const gfx::TDib picture = TestPicture(90, 40);
  WriteFile(dir / "in.ppm", ToPpm(picture));
  bool ok = false;
  const std::vector<uint8_t> pcx = Shell("ppmtopcx '" + (dir / "in.ppm") + "'", &ok);
  ASSERT_TRUE(ok);
  ASSERT_GE(pcx.size(), 128u);
  ASSERT_NE(pcx[12] | pcx[13] << 8, pcx[14] | pcx[15] << 8) << "the fixture needs two different resolutions";
  WriteFile(dir / "in.pcx", pcx);
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFile(dir / "in.pcx");
  ASSERT_FALSE(io.Aborted);
  EXPECT_EQ(dib.Width(), 90);
  EXPECT_EQ(dib.Height(), 40);
  EXPECT_EQ(MaxDiff(FromDib(dib), FromDib(picture)), 0);

  gfx::TDib fax(170, 50, gfx::TPixelFormat::pf24bit);
  const std::vector<uint8_t> tiff = Save(fax, oxffTIFF, [](TIOParamsVals& p) { p.DpiX = 204, p.DpiY = 98; });
  TOXMemoryStream s(tiff);
  io.LoadFromStreamFormat(s, oxffTIFF);
  ASSERT_FALSE(io.Aborted);
  EXPECT_EQ(dib.Width(), 170);
  EXPECT_EQ(dib.Height(), 50 * 204 / 98);
  EXPECT_EQ(io.Params.DpiY, 204);
}
