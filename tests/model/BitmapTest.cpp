// Tests of TOXBitmap (locations, DIB conversions, round trips), the temporary-file mapping and TOXWorkBitmap.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/model/oxbitmap.h"
#include "imaging/model/oxutils.h"
#include "imaging/model/oxworkbitmap.h"
#include "platform/gfx/TempFileMap.h"

namespace ox {
namespace {

using gfx::TDib;
using gfx::TPixelFormat;
using Bytes = std::vector<uint8_t>;

const TOXBitmapLocation kLocations[] = {oxblMemory, oxblFile, oxblDib};

Bytes RowBytesOf(TOXBitmap& bmp, int y, int64_t n) {
  const uint8_t* row = bmp.Scanline(y);
  return Bytes(row, row + n);
}

TEST(BitmapTest, NewObjectIsEmptyAtTheFileLocation) {
  TOXBitmap bmp;
  EXPECT_TRUE(bmp.Empty());
  EXPECT_EQ(bmp.Location(), oxblFile);
  EXPECT_EQ(bmp.PixelFormat(), oxpfNone);
  EXPECT_EQ(bmp.Scanline(0), nullptr);
}

TEST(BitmapTest, DegenerateOrRefusedAllocationLeavesEmptyAndKeepsLocation) {
  struct Case { int w, h; TOXPixelFormat f; };
  const Case cases[] = {{0, 5, oxpf24RGB}, {5, 0, oxpf8Gray}, {-3, 5, oxpf1Bit}, {5, 5, oxpfNone},
                        {100000, 100000, oxpf24RGB}, {0x7FFFFFFF, 2, oxpf16Gray}};
  for (TOXBitmapLocation loc : kLocations) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "loc " << loc << " " << c.w << "x" << c.h << " f" << c.f);
      TOXBitmap bmp;
      bmp.SetLocation(loc);
      ASSERT_TRUE(bmp.Allocate(4, 4, oxpf8Palette));
      EXPECT_FALSE(bmp.Allocate(c.w, c.h, c.f));
      EXPECT_TRUE(bmp.Empty());
      EXPECT_EQ(bmp.PixelFormat(), oxpfNone);
      EXPECT_EQ(bmp.PaletteCount(), 0);
      EXPECT_EQ(bmp.Palette(), nullptr);
      EXPECT_EQ(bmp.Dib(), nullptr);
      EXPECT_EQ(bmp.Location(), loc);
    }
  }
}

TEST(BitmapTest, SixteenBitGrayBecomesEightBitOnlyInADib) {
  struct Case { TOXBitmapLocation loc; TOXPixelFormat format; int bits; int64_t rowLength; };
  const Case cases[] = {{oxblMemory, oxpf16Gray, 16, 12}, {oxblFile, oxpf16Gray, 16, 12}, {oxblDib, oxpf8Gray, 8, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loc);
    TOXBitmap bmp;
    bmp.SetLocation(c.loc);
    ASSERT_TRUE(bmp.Allocate(5, 3, oxpf16Gray));
    EXPECT_EQ(bmp.PixelFormat(), c.format);
    EXPECT_EQ(bmp.BitsPerPixel(), c.bits);
    EXPECT_EQ(bmp.RowLength(), c.rowLength);
  }
}

TEST(BitmapTest, LocationSurvivesFreeImageAndAFailedFileFallsBackToMemoryForGood) {
  TOXBitmap bmp;
  bmp.SetLocation(oxblDib);
  ASSERT_TRUE(bmp.Allocate(3, 3, oxpf24RGB));
  bmp.FreeImage();
  EXPECT_EQ(bmp.Location(), oxblDib);

  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", "/nonexistent/orvex-test-dir", 1);
  TOXBitmap fileBmp;
  EXPECT_TRUE(fileBmp.Allocate(7, 2, oxpf8Gray));
  EXPECT_EQ(fileBmp.Location(), oxblMemory);
  if (old) setenv("TMPDIR", saved.c_str(), 1);
  else unsetenv("TMPDIR");
  fileBmp.FreeImage();
  EXPECT_TRUE(fileBmp.Allocate(7, 2, oxpf8Gray));
  EXPECT_EQ(fileBmp.Location(), oxblMemory);
}

TEST(BitmapTest, MemoryRowsLieBottomUp) {
  TOXBitmap bmp;
  bmp.SetLocation(oxblMemory);
  ASSERT_TRUE(bmp.Allocate(3, 4, oxpf24RGB));
  EXPECT_EQ(bmp.Scanline(0) - bmp.Scanline(3), 3 * bmp.RowLength());
  EXPECT_EQ(bmp.Scanline(4), nullptr);
  EXPECT_EQ(bmp.Scanline(-1), nullptr);
}

TEST(BitmapTest, TwoScanlineCallsOnAFileObjectReachTheirOwnRows) {
  TOXBitmap bmp;
  // 1000 rows of 1000 bytes: row 900 lies at offset 900000, inside the 64 KiB block at 851968.
  ASSERT_TRUE(bmp.Allocate(1000, 1000, oxpf8Gray));
  ASSERT_EQ(bmp.Location(), oxblFile);
  for (int y : {0, 65, 66, 900, 999}) std::memset(bmp.Scanline(y), y & 255, 1000);
  for (int y : {999, 0, 66, 900, 65}) {
    SCOPED_TRACE(y);
    EXPECT_EQ(RowBytesOf(bmp, y, 1000), Bytes(1000, uint8_t(y & 255)));
  }
  uint8_t* first = bmp.Scanline(0);
  uint8_t* second = bmp.Scanline(900);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second[0], 900 & 255);  // only the second address is still to be used
  (void)first;
}

// Each DIB format converts to the expected format with exact pixels.
TEST(BitmapTest, CopyFromDibConvertsEveryFormat) {
  auto put16 = [](uint8_t* row, std::initializer_list<unsigned> words) {
    int i = 0;
    for (unsigned v : words) row[i++] = uint8_t(v), row[i++] = uint8_t(v >> 8);
  };
  struct Case {
    const char* name;
    TPixelFormat dibFormat;
    bool monochrome;
    int width;
    Bytes dibRow;
    TOXPixelFormat expected;
    Bytes row;  // the converted pixels (blue, green, red for 24 bits), without padding
  };
  std::vector<Case> cases = {
      {"1-bit mono", TPixelFormat::pf1bit, true, 10, {0xA5, 0xC0}, oxpf1Bit, {0xA5, 0xC0}},
      {"1-bit palette", TPixelFormat::pf1bit, false, 3, {0xA0}, oxpf8Palette, {1, 0, 1}},
      {"4-bit odd width", TPixelFormat::pf4bit, false, 3, {0x12, 0x3F}, oxpf8Palette, {1, 2, 3}},
      {"8-bit", TPixelFormat::pf8bit, false, 3, {7, 200, 0}, oxpf8Palette, {7, 200, 0}},
      {"15-bit", TPixelFormat::pf15bit, false, 4, {}, oxpf24RGB,
       {248, 248, 248, 0, 0, 248, 0, 248, 0, 248, 0, 0}},
      {"16-bit", TPixelFormat::pf16bit, false, 4, {}, oxpf24RGB,
       {248, 252, 248, 0, 0, 248, 0, 252, 0, 248, 0, 0}},
      {"24-bit", TPixelFormat::pf24bit, false, 2, {1, 2, 3, 4, 5, 6}, oxpf24RGB, {1, 2, 3, 4, 5, 6}},
      {"32-bit", TPixelFormat::pf32bit, false, 2, {1, 2, 3, 99, 4, 5, 6, 99}, oxpf24RGB, {1, 2, 3, 4, 5, 6}},
  };
  for (Case& c : cases) {
    for (TOXBitmapLocation loc : kLocations) {
      SCOPED_TRACE(testing::Message() << c.name << " at " << loc);
      TDib dib(c.width, 2, c.dibFormat);
      if (c.dibFormat == TPixelFormat::pf1bit && !c.monochrome)
        dib.SetPalette({{255, 0, 0}, {0, 0, 255}});
      for (int y = 0; y < 2; ++y) {
        if (c.dibFormat == TPixelFormat::pf15bit) put16(dib.ScanLine(y), {0x7FFF, 0x7C00, 0x03E0, 0x001F});
        else if (c.dibFormat == TPixelFormat::pf16bit) put16(dib.ScanLine(y), {0xFFFF, 0xF800, 0x07E0, 0x001F});
        else std::memcpy(dib.ScanLine(y), c.dibRow.data(), c.dibRow.size());
      }
      ASSERT_EQ(dib.Monochrome(), c.monochrome);
      TOXBitmap bmp;
      bmp.SetLocation(loc);
      ASSERT_TRUE(bmp.CopyFromDib(dib));
      EXPECT_EQ(bmp.PixelFormat(), c.expected);
      EXPECT_EQ(bmp.Width(), c.width);
      EXPECT_EQ(bmp.Height(), 2);
      for (int y = 0; y < 2; ++y) EXPECT_EQ(RowBytesOf(bmp, y, int64_t(c.row.size())), c.row);
    }
  }
}

TEST(BitmapTest, CopyFromDibReadsThePaletteAsBlueGreenRed) {
  TDib dib(2, 1, TPixelFormat::pf1bit);
  dib.SetPalette({{10, 20, 30}, {40, 50, 60}});
  TOXBitmap bmp;
  ASSERT_TRUE(bmp.CopyFromDib(dib));
  ASSERT_EQ(bmp.PaletteCount(), 256);
  EXPECT_EQ(Bytes(bmp.Palette(), bmp.Palette() + 9), (Bytes{30, 20, 10, 60, 50, 40, 0, 0, 0}));
}

// A palette shorter than the bits address is completed with black; a longer one is cut to 2^bits.
TEST(BitmapTest, CopyFromDibFillsShortPalettesBlackAndIgnoresExcessEntries) {
  TDib eight(2, 1, TPixelFormat::pf8bit);
  eight.Palette().assign(3, gfx::TRGB{9, 9, 9});
  TDib four(2, 1, TPixelFormat::pf4bit);
  four.Palette().assign(40, gfx::TRGB{7, 7, 7});
  struct Case { TDib* dib; int filled; };
  for (const Case& c : {Case{&eight, 3}, Case{&four, 16}}) {
    SCOPED_TRACE(c.filled);
    TOXBitmap bmp;
    ASSERT_TRUE(bmp.CopyFromDib(*c.dib));
    for (int i = 0; i < 256; ++i) {
      const uint8_t v = i < c.filled ? c.dib->Palette()[0].r : 0;
      ASSERT_EQ(Bytes(bmp.Palette() + 3 * i, bmp.Palette() + 3 * i + 3), Bytes(3, v)) << "entry " << i;
    }
  }
}

TEST(BitmapTest, CopyFromDibOfADeviceOrEmptyDibLeavesTheObjectEmpty) {
  TDib device(3, 3, TPixelFormat::pfDevice);
  TDib empty;
  for (const TDib* dib : {&device, &empty}) {
    TOXBitmap bmp;
    bmp.SetLocation(oxblMemory);
    ASSERT_TRUE(bmp.Allocate(2, 2, oxpf24RGB));
    EXPECT_FALSE(bmp.CopyFromDib(*dib));
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(bmp.Location(), oxblMemory);
  }
}

TEST(BitmapTest, CopyToDibSetsFormatPaletteAndPixels) {
  struct Case { TOXPixelFormat format; int bytes; TPixelFormat dibFormat; Bytes row; Bytes dibRow; };
  const Case cases[] = {
      {oxpf1Bit, 1, TPixelFormat::pf1bit, {0xA0}, {0xA0}},
      {oxpf8Palette, 3, TPixelFormat::pf8bit, {0, 1, 2}, {0, 1, 2}},
      {oxpf8Gray, 3, TPixelFormat::pf8bit, {5, 6, 7}, {5, 6, 7}},
      {oxpf16Gray, 6, TPixelFormat::pf8bit, {0xFF, 0x12, 0x00, 0x34, 0x80, 0xFE}, {0x12, 0x34, 0xFE}},
      {oxpf24RGB, 9, TPixelFormat::pf24bit, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TOXBitmap bmp;
    bmp.SetLocation(oxblMemory);
    ASSERT_TRUE(bmp.Allocate(3, 2, c.format));
    if (c.format == oxpf8Palette) {
      const uint8_t bgr[] = {1, 2, 3, 4, 5, 6};
      std::memcpy(bmp.Palette(), bgr, sizeof bgr);
    }
    for (int y = 0; y < 2; ++y) std::memcpy(bmp.Scanline(y), c.row.data(), c.row.size());
    TDib dib(9, 9, TPixelFormat::pf32bit);
    bmp.CopyToDib(dib);
    ASSERT_EQ(dib.PixelFormat(), c.dibFormat);
    ASSERT_EQ(dib.Width(), 3);
    ASSERT_EQ(dib.Height(), 2);
    for (int y = 0; y < 2; ++y)
      EXPECT_EQ(Bytes(dib.ScanLine(y), dib.ScanLine(y) + c.dibRow.size()), c.dibRow);
    if (c.format == oxpf1Bit) {
      EXPECT_TRUE(dib.Monochrome());
    }
    if (c.format == oxpf8Palette) {
      EXPECT_EQ(dib.Palette()[0], (gfx::TRGB{3, 2, 1}));
      EXPECT_EQ(dib.Palette()[1], (gfx::TRGB{6, 5, 4}));
      EXPECT_EQ(dib.Palette()[2], (gfx::TRGB{0, 0, 0}));
    }
    if (c.format == oxpf8Gray || c.format == oxpf16Gray) {
      EXPECT_EQ(dib.Palette()[0], (gfx::TRGB{0, 0, 0}));
      EXPECT_EQ(dib.Palette()[77], (gfx::TRGB{77, 77, 77}));
      EXPECT_EQ(dib.Palette()[255], (gfx::TRGB{255, 255, 255}));
    }
  }
  TOXBitmap empty;
  TDib dib(4, 4, TPixelFormat::pf24bit);
  empty.CopyToDib(dib);
  EXPECT_TRUE(dib.Empty());
}

TEST(BitmapTest, SetLocationToTheSameLocationKeepsTheStorage) {
  TOXBitmap bmp;
  bmp.SetLocation(oxblDib);
  ASSERT_TRUE(bmp.Allocate(4, 4, oxpf24RGB));
  const TDib* holder = bmp.Dib();
  bmp.SetLocation(oxblDib);
  EXPECT_EQ(bmp.Dib(), holder);
  bmp.SetLocation(oxblMemory);
  const uint8_t* row = bmp.Scanline(0);
  bmp.SetLocation(oxblMemory);
  EXPECT_EQ(bmp.Scanline(0), row);
}

uint8_t Pattern(int x, int y) { return uint8_t(x * 7 + y * 13 + (x * y >> 3)); }

// Pictures of several hundred KiB with odd widths: rows sit across 64 KiB view boundaries.
TEST(BitmapTest, RoundTripThroughEveryLocationPreservesRowsAndPalette) {
  struct Case { TOXPixelFormat format; int width; int height; };
  const Case cases[] = {{oxpf8Palette, 1001, 300}, {oxpf24RGB, 333, 400}, {oxpf1Bit, 4001, 700}, {oxpf8Gray, 77, 3000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TOXBitmap bmp;
    ASSERT_TRUE(bmp.Allocate(c.width, c.height, c.format));
    ASSERT_EQ(bmp.Location(), oxblFile);
    const int64_t used = (int64_t(c.width) * bmp.BitsPerPixel() + 7) / 8;
    ASSERT_GT(bmp.RowLength() * c.height, 3 * 65536);
    for (int y = 0; y < c.height; ++y) {
      uint8_t* row = bmp.Scanline(y);
      for (int64_t x = 0; x < bmp.RowLength(); ++x) row[x] = x < used ? Pattern(int(x), y) : 0;
    }
    Bytes palette;
    if (c.format == oxpf8Palette) {
      for (int i = 0; i < 768; ++i) bmp.Palette()[i] = uint8_t(255 - i);
      palette.assign(bmp.Palette(), bmp.Palette() + 768);
    }
    for (TOXBitmapLocation loc : {oxblMemory, oxblDib, oxblFile}) {
      SCOPED_TRACE(loc);
      bmp.SetLocation(loc);
      ASSERT_EQ(bmp.Location(), loc);
      ASSERT_EQ(bmp.PixelFormat(), c.format);
      ASSERT_EQ(bmp.Width(), c.width);
      ASSERT_EQ(bmp.Height(), c.height);
      for (int y = 0; y < c.height; ++y) {
        const uint8_t* row = bmp.Scanline(y);
        for (int64_t x = 0; x < used; ++x)
          if (row[x] != Pattern(int(x), y)) FAIL() << "pixel byte " << x << " of row " << y;
      }
      if (c.format == oxpf8Palette) {
        EXPECT_EQ(Bytes(bmp.Palette(), bmp.Palette() + 768), palette);
        if (loc == oxblDib) {
          EXPECT_EQ(bmp.Dib()->Palette()[1], (gfx::TRGB{255 - 5, 255 - 4, 255 - 3}));
        }
      }
    }
  }
}

TEST(BitmapTest, SixteenBitGrayMovedIntoADibKeepsTheHighBytes) {
  TOXBitmap bmp;
  ASSERT_TRUE(bmp.Allocate(3, 2, oxpf16Gray));
  const uint8_t row[] = {0x11, 0xA0, 0x22, 0xB0, 0x33, 0xC0};
  for (int y = 0; y < 2; ++y) std::memcpy(bmp.Scanline(y), row, sizeof row);
  bmp.SetLocation(oxblDib);
  EXPECT_EQ(bmp.PixelFormat(), oxpf8Gray);
  EXPECT_EQ(bmp.RowLength(), 4);
  for (int y = 0; y < 2; ++y) EXPECT_EQ(RowBytesOf(bmp, y, 3), (Bytes{0xA0, 0xB0, 0xC0}));
}

TEST(BitmapTest, MoveToHandsOverImageAndLocation) {
  TOXBitmap src, dst;
  src.SetLocation(oxblMemory);
  ASSERT_TRUE(src.Allocate(2, 2, oxpf8Palette));
  src.Palette()[0] = 42;
  src.Scanline(1)[1] = 9;
  ASSERT_TRUE(dst.Allocate(5, 5, oxpf24RGB));
  src.MoveTo(dst);
  EXPECT_TRUE(src.Empty());
  EXPECT_EQ(src.Location(), oxblMemory);
  EXPECT_EQ(dst.Location(), oxblMemory);
  EXPECT_EQ(dst.PixelFormat(), oxpf8Palette);
  EXPECT_EQ(dst.Palette()[0], 42);
  EXPECT_EQ(dst.Scanline(1)[1], 9);
}

TEST(TempFileMapTest, ReservesAnUnlinkedFileAndMapsAnyRange) {
  gfx::TTempFileMap map;
  ASSERT_TRUE(map.Create(300000));
  EXPECT_EQ(map.Size(), 300000);
  EXPECT_NE(map.FileName().find("/orvex"), std::string::npos);
  struct stat st;
  EXPECT_NE(stat(map.FileName().c_str(), &st), 0);
  std::memset(map.Map(70000, 200000), 0x5A, 200000);
  const uint8_t* view = map.Map(131071, 3);  // straddles a 64 KiB boundary
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(Bytes(view, view + 3), Bytes(3, 0x5A));
  EXPECT_EQ(map.Map(299999, 1)[0], 0);
  EXPECT_EQ(map.Map(299999, 2), nullptr);
  EXPECT_EQ(map.Map(-1, 1), nullptr);
  EXPECT_FALSE(gfx::TTempFileMap().Create(0));
}

TEST(WorkBitmapTest, PixelAddressesFollowTheDepth) {
  struct Case { int bits; int x; int64_t offset; int64_t rowLength; };
  const Case cases[] = {{1, 10, 1, 4}, {8, 5, 5, 12}, {24, 5, 15, 36}, {32, 5, 20, 44}, {64, 5, 40, 88}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    TOXWorkBitmap work(11, c.bits, 3);
    ASSERT_FALSE(work.Empty());
    EXPECT_EQ(work.RowLength(), c.rowLength);
    EXPECT_EQ(work.Row(0), work.Data() + 2 * c.rowLength);
    EXPECT_EQ(work.Row(2), work.Data());
    EXPECT_EQ(work.PixelPtr(0, c.x), work.Row(0) + c.offset);
    EXPECT_EQ(work.PixelPtr(0, 11), nullptr);
    EXPECT_EQ(work.Row(3), nullptr);
  }
  TOXWorkBitmap floats(4, 32, 2);
  *floats.FloatPtr(1, 3) = 1.5f;
  float back;
  std::memcpy(&back, floats.Row(1) + 12, 4);
  EXPECT_EQ(back, 1.5f);
}

TEST(WorkBitmapTest, AllocateKeepsAnUnchangedBlockAndRefusesBadRequests) {
  TOXWorkBitmap work(4, 8, 4);
  const uint8_t* data = work.Data();
  EXPECT_TRUE(work.Allocate(4, 4, 8));
  EXPECT_EQ(work.Data(), data);
  for (int bits : {0, 4, 16, 48}) EXPECT_FALSE(TOXWorkBitmap().Allocate(4, 4, bits)) << bits;
  EXPECT_FALSE(work.Allocate(100000, 100000, 64));
  EXPECT_TRUE(work.Empty());
  EXPECT_EQ(work.Row(0), nullptr);
  EXPECT_TRUE(TOXWorkBitmap(0, 8, 5).Empty());
}

}  // namespace
}  // namespace ox
