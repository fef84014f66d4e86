// Tests of the rounding words and the shared image helpers, Lab round trip included.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

#include "imaging/model/Rounding.h"
#include "imaging/model/oxutils.h"

namespace ox {
namespace {

TEST(RoundingTest, WordsMatchTheirDefinitions) {
  struct Case { double v; int64_t round, trunc, floor, ceil; };
  const Case cases[] = {
      {2.5, 2, 2, 2, 3},      {3.5, 4, 3, 3, 4},      {-2.5, -2, -2, -3, -2}, {-3.5, -4, -3, -4, -3},
      {0.5, 0, 0, 0, 1},      {-0.5, 0, 0, -1, 0},    {2.4999, 2, 2, 2, 3},   {-2.7, -3, -2, -3, -2},
      {1e300, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(Round(c.v), c.round);
    EXPECT_EQ(Trunc(c.v), c.trunc);
    EXPECT_EQ(Floor(c.v), c.floor);
    EXPECT_EQ(Ceil(c.v), c.ceil);
  }
  EXPECT_EQ(Trunc(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(Div(-7, 2), -3);
  EXPECT_EQ(Mod(-7, 2), -1);
  EXPECT_EQ(Mod(7, -2), 1);
  EXPECT_EQ(Shr(-7, 1), -4);
  EXPECT_EQ(Shr(int64_t(-1) << 40, 40), -1);
}

TEST(UtilsTest, RowLengthsArePaddedToFourBytesIn64Bits) {
  EXPECT_EQ(RowLength(1, 1), 4);
  EXPECT_EQ(RowLength(33, 1), 8);
  EXPECT_EQ(RowLength(3, 24), 12);
  EXPECT_EQ(RowLength(5, 8), 8);
  EXPECT_EQ(RowLength(0, 24), 0);
  EXPECT_EQ(RowLength(1'000'000'000, 24), 3'000'000'000LL);
  EXPECT_EQ(DibRowLength(3, gfx::TPixelFormat::pf24bit), 12);
  EXPECT_EQ(DibRowLength(9, gfx::TPixelFormat::pf4bit), 8);
  EXPECT_EQ(DibRowLength(100, gfx::TPixelFormat::pfDevice), 0);
}

TEST(UtilsTest, GrayUsesIntegerWeights) {
  EXPECT_EQ(GrayOf(gfx::RGBColor(255, 255, 255)), 255);  // gray keeps its level though the weights sum to 99
  EXPECT_EQ(GrayOf(gfx::RGBColor(255, 0, 0)), 53);
  EXPECT_EQ(GrayOf(gfx::RGBColor(0, 255, 0)), 181);
  EXPECT_EQ(GrayOf(gfx::RGBColor(0, 0, 255)), 17);
  EXPECT_EQ(GrayOf(gfx::RGBColor(10, 20, 30)), (210 + 1420 + 210) / 100);
}

TEST(UtilsTest, BitsAreMostSignificantFirst) {
  uint8_t row[2] = {0, 0xFF};
  SetBit(row, 0, true);
  SetBit(row, 7, true);
  SetBit(row, 9, false);
  EXPECT_EQ(row[0], 0x81);
  EXPECT_EQ(row[1], 0xBF);
  EXPECT_TRUE(GetBit(row, 0));
  EXPECT_FALSE(GetBit(row, 1));
  EXPECT_TRUE(GetBit(row, 8));
  EXPECT_FALSE(GetBit(row, 9));
}

TEST(UtilsTest, ClampingAndOrdering) {
  EXPECT_EQ(Clamp(5, 0, 3), 3);
  EXPECT_EQ(Clamp(-5, 0, 3), 0);
  EXPECT_EQ(ClampByte(-1), 0);
  EXPECT_EQ(ClampByte(256), 255);
  EXPECT_EQ(ClampByte(int64_t(1) << 40), 255);
  EXPECT_EQ(ClampByte(77), 77);
  EXPECT_DOUBLE_EQ(Min(1.5, -2.0), -2.0);
  EXPECT_DOUBLE_EQ(Max(1.5, -2.0), 1.5);
  int x1 = 9, y1 = 1, x2 = 2, y2 = 5;
  OrderRect(x1, y1, x2, y2);
  EXPECT_EQ((std::array{x1, y1, x2, y2}), (std::array{2, 1, 9, 5}));
}

TEST(UtilsTest, BitTricks) {
  EXPECT_EQ(ByteSwap16(0x1234), 0x3412);
  EXPECT_EQ(ByteSwap32(0x12345678u), 0x78563412u);
  EXPECT_EQ(BitReverse32(1u), 0x80000000u);
  EXPECT_EQ(BitReverse32(0x0000000Fu), 0xF0000000u);
  EXPECT_EQ(BitReverse32(0x12345678u), 0x1E6A2C48u);
  EXPECT_DOUBLE_EQ(IntPower(2.0, 10), 1024.0);
  EXPECT_DOUBLE_EQ(IntPower(2.0, -2), 0.25);
  EXPECT_DOUBLE_EQ(IntPower(-3.0, 3), -27.0);
  EXPECT_DOUBLE_EQ(IntPower(5.0, 0), 1.0);
}

TEST(LabTest, KnownValues) {
  struct Case { uint32_t rgb; int l, a, b; };
  const Case exact[] = {
      {0x000000, 0, 0, 0}, {0xFFFFFF, 255, 0, 0}, {0x808080, 137, 0, 0}, {0x336699, 107, 0, -33}};
  for (const Case& c : exact) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.rgb);
    const uint32_t lab = RgbToLab(c.rgb);
    EXPECT_EQ(int(lab & 0xFF), c.l);
    EXPECT_EQ(int(int8_t(lab >> 8)), c.a);
    EXPECT_EQ(int(int8_t(lab >> 16)), c.b);
    EXPECT_EQ(lab >> 24, 0u);
  }
  // Saturated colours may take a neighbouring code that decodes closer: L* 53.2, a* 80.1, b* 67.2 for red,
  // b* -107.9 for blue.
  const Case near[] = {{0xFF0000, 136, 80, 67}, {0x0000FF, 82, 79, -108}};
  for (const Case& c : near) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.rgb);
    const uint32_t lab = RgbToLab(c.rgb);
    EXPECT_NEAR(int(lab & 0xFF), c.l, 1);
    EXPECT_NEAR(int(int8_t(lab >> 8)), c.a, 1);
    EXPECT_NEAR(int(int8_t(lab >> 16)), c.b, 1);
  }
}

TEST(LabTest, CommonColoursRoundTrip) {
  const uint32_t colours[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF,
                              0xFF00FF, 0x808080, 0x404040, 0xC0C0C0, 0x101010, 0x7F3F1F, 0x336699,
                              0xCC9966, 0x20A040, 0x800000, 0x000080, 0x05050A};
  for (const uint32_t c : colours) {
    SCOPED_TRACE(::testing::Message() << std::hex << c);
    const gfx::TRGB back = LabToRgb(RgbToLab(c));
    EXPECT_LE(std::abs(int(back.r) - int((c >> 16) & 0xFF)), 2);
    EXPECT_LE(std::abs(int(back.g) - int((c >> 8) & 0xFF)), 2);
    EXPECT_LE(std::abs(int(back.b) - int(c & 0xFF)), 2);
  }
}

TEST(LabTest, WholeGamutRoundTripsClosely) {
  // 8-bit Lab cannot hold every saturated colour to two levels; no colour may drift further than four.
  int worst = 0;
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 17) {
        const gfx::TRGB t = LabToRgb(RgbToLab(uint32_t(r << 16 | g << 8 | b)));
        worst = std::max({worst, std::abs(t.r - r), std::abs(t.g - g), std::abs(t.b - b)});
      }
  EXPECT_LE(worst, 4);
}

TEST(LabTest, OutOfGamutValuesClampPerChannel) {
  // L 255 with the most extreme a and b lies far outside sRGB.
  const gfx::TRGB c = LabToRgb(0xFF | (0x7Fu << 8) | (0x80u << 16));
  EXPECT_EQ(c.r, 255);
  EXPECT_EQ(c.b, 255);
  EXPECT_EQ(LabToRgb(0), (gfx::TRGB{0, 0, 0}));
}

}  // namespace
}  // namespace ox
