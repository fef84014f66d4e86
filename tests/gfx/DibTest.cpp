// TDib contract: row layout, resizing with the brush colour, format conversion, Assign.
#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"
#include "platform/gfx/SizeGuard.h"

using namespace gfx;

TEST(Dib, RowsAreBottomUpAndPadded) {
  TDib d(5, 3, TPixelFormat::pf24bit);
  EXPECT_EQ(d.RowLength(), 16);
  EXPECT_EQ(d.ScanLine(1) - d.ScanLine(0), -16);
  EXPECT_EQ(d.ScanLine(2), d.Bits());
  TDib m(33, 2, TPixelFormat::pf1bit);
  EXPECT_EQ(m.RowLength(), 8);
  EXPECT_TRUE(m.Monochrome());
}

TEST(Dib, ResizeKeepsTopLeftAndFillsWithBrush) {
  TDib d(2, 2, TPixelFormat::pf24bit);
  d.SetPixelColor(0, 0, RGBColor(1, 2, 3));
  d.SetPixelColor(1, 1, RGBColor(4, 5, 6));
  d.Canvas().Brush.Color = RGBColor(9, 9, 9);
  d.SetSize(3, 3);
  EXPECT_EQ(d.GetPixelColor(0, 0), RGBColor(1, 2, 3));
  EXPECT_EQ(d.GetPixelColor(1, 1), RGBColor(4, 5, 6));
  EXPECT_EQ(d.GetPixelColor(2, 0), RGBColor(9, 9, 9));
  EXPECT_EQ(d.GetPixelColor(0, 2), RGBColor(9, 9, 9));
  d.SetSize(0, 3);
  EXPECT_TRUE(d.Empty());
}

TEST(Dib, ResizeOneBitKeepsBitsAndFillsPartialByte) {
  TDib d(3, 1, TPixelFormat::pf1bit);
  d.SetPixelColor(0, 0, 0xFFFFFF);
  d.Canvas().Brush.Color = 0xFFFFFF;
  d.SetWidth(10);
  EXPECT_EQ(d.GetPixelColor(0, 0), 0xFFFFFFu);
  EXPECT_EQ(d.GetPixelColor(1, 0), 0u);
  EXPECT_EQ(d.GetPixelColor(3, 0), 0xFFFFFFu);
  EXPECT_EQ(d.GetPixelColor(9, 0), 0xFFFFFFu);
}

TEST(Dib, FormatChangeConvertsContent) {
  struct Case { TPixelFormat f; TColor in, out; };
  const Case cases[] = {
      {TPixelFormat::pf15bit, RGBColor(255, 255, 255), RGBColor(248, 248, 248)},
      {TPixelFormat::pf16bit, RGBColor(255, 255, 255), RGBColor(248, 252, 248)},
      {TPixelFormat::pf32bit, RGBColor(10, 20, 30), RGBColor(10, 20, 30)},
      {TPixelFormat::pf1bit, RGBColor(200, 200, 200), RGBColor(255, 255, 255)},
      {TPixelFormat::pf8bit, RGBColor(0, 0, 0), RGBColor(0, 0, 0)},
  };
  for (const auto& c : cases) {
    TDib d(3, 2, TPixelFormat::pf24bit);
    d.SetPixelColor(2, 1, c.in);
    d.SetPixelFormat(c.f);
    EXPECT_EQ(d.PixelFormat(), c.f);
    EXPECT_EQ(d.GetPixelColor(2, 1), c.out) << BitsOf(c.f);
  }
}

TEST(Dib, AssignCopiesEverything) {
  TDib a(4, 3, TPixelFormat::pf8bit);
  a.Palette()[7] = {1, 2, 3};
  a.ScanLine(2)[3] = 7;
  TDib b;
  b.Assign(a);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(b.GetPixelColor(3, 2), RGBColor(1, 2, 3));
}

TEST(SizeGuard, RefusesEmptyAndHugePictures) {
  EXPECT_FALSE(ImageSizeAllowed(0, 10, 24));
  EXPECT_FALSE(ImageSizeAllowed(10, -1, 24));
  EXPECT_FALSE(ImageSizeAllowed(100000, 100000, 24));
  EXPECT_TRUE(ImageSizeAllowed(6000, 4000, 24));
  EXPECT_THROW(TDib(70000, 70000, TPixelFormat::pf24bit), std::length_error);
}

TEST(Dib, ResizeFillsNewAreaInEveryFormat) {
  const TPixelFormat formats[] = {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                  TPixelFormat::pf15bit, TPixelFormat::pf16bit, TPixelFormat::pf24bit,
                                  TPixelFormat::pf32bit};
  for (TPixelFormat f : formats) {
    TDib d(3, 2, f);
    d.SetPixelColor(2, 1, 0xFFFFFF);
    d.Canvas().Brush.Color = 0xFFFFFF;
    d.SetSize(7, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) {
        const bool old = x < 3 && y < 2;
        const TColor want = !old || (x == 2 && y == 1) ? d.GetPixelColor(2, 1) : 0u;
        EXPECT_EQ(d.GetPixelColor(x, y), want) << BitsOf(f) << " at " << x << "," << y;
      }
    EXPECT_NE(d.GetPixelColor(6, 2), 0u) << BitsOf(f);
  }
}
