// Tests of the colour operations and filters: exact pixels on small fixtures, regions and selections.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

#include "ProcTestUtil.h"
#include "imaging/proc/oxcolourops.h"

namespace {

using gfx::RGBColor;
using gfx::TDib;
using gfx::TPixelFormat;
using namespace proctest;

TEST(ConvertToGray, PrimariesAndRegion) {
  const gfx::TColor in[] = {RGBColor(255, 0, 0), RGBColor(0, 255, 0), RGBColor(0, 0, 255), RGBColor(10, 200, 99)};
  const int out[] = {53, 181, 17, (10 * 21 + 200 * 71 + 99 * 7) / 100};
  TDib d = Make24(4, 2, [&](int x, int) { return in[x]; });
  ASSERT_TRUE(ox::ConvertToGray(d, {0, 0, 4, 1}));
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(d.GetPixelColor(x, 0), RGBColor(out[x], out[x], out[x])) << x;
    EXPECT_EQ(d.GetPixelColor(x, 1), in[x]) << "outside the region";
  }
  TDib p(2, 2, TPixelFormat::pf8bit);
  EXPECT_FALSE(ox::ConvertToGray(p, ox::WholeOf(p)));
}

TEST(ConvertToGray, SelectionChangesOnlySelectedPixels) {
  const TDib src = Make24(5, 4, Distinct);
  TDib d = src;
  ox::TOXMask m;
  m.Allocate(5, 4, 1);
  m.SetPixel(1, 1, 1);
  m.SetPixel(3, 2, 1);
  ASSERT_TRUE(ox::ConvertToGray(d, ox::WholeOf(d), &m));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const gfx::TColor c = src.GetPixelColor(x, y);
      const int g = (gfx::RedOf(c) * 21 + gfx::GreenOf(c) * 71 + gfx::BlueOf(c) * 7) / 100;
      EXPECT_EQ(d.GetPixelColor(x, y), m.IsSet(x, y) ? RGBColor(g, g, g) : c) << x << "," << y;
    }
}

TEST(Negative, ChannelsAndBitsInsideTheBoxOnly) {
  TDib d = Make24(3, 3, Distinct);
  const TDib src = d;
  ASSERT_TRUE(ox::Negative(d, {1, 1, 3, 3}));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(d.GetPixelColor(x, y), x >= 1 && y >= 1 ? (~src.GetPixelColor(x, y) & 0xFFFFFF) : src.GetPixelColor(x, y));

  // 1-bit, 21 wide: partial bytes at both ends of the box and a whole byte between.
  TDib b(21, 2, TPixelFormat::pf1bit);
  ASSERT_TRUE(ox::Negative(b, {3, 0, 19, 1}));
  for (int x = 0; x < 21; ++x) {
    EXPECT_EQ(b.GetPixelColor(x, 0) != 0, x >= 3 && x < 19) << x;
    EXPECT_EQ(b.GetPixelColor(x, 1), 0u) << x;
  }
  // With a selection mask the box comes from the mask.
  TDib c(21, 2, TPixelFormat::pf1bit);
  ox::TOXMask m = RectMask(21, 2, 5, 1, 9, 2);
  ASSERT_TRUE(ox::Negative(c, ox::WholeOf(c), &m));
  for (int x = 0; x < 21; ++x) EXPECT_EQ(c.GetPixelColor(x, 1) != 0, x >= 5 && x < 9) << x;
}

TEST(Contrast, ZeroKeepsMinusHundredGivesMeanAndStretching) {
  const TDib src = Make24(4, 3, Distinct);
  TDib d = src;
  ASSERT_TRUE(ox::Contrast(d, ox::WholeOf(d), 0, 100, 110, 120));
  EXPECT_TRUE(SamePixels(d, src));
  ASSERT_TRUE(ox::Contrast(d, ox::WholeOf(d), -100, 100, 110, 120));
  EXPECT_TRUE(SamePixels(d, Uniform(4, 3, RGBColor(100, 110, 120))));
  // k = 6: 128 + trunc((100 - 128) * 6) = -40 -> 0; 130 -> 140; 200 -> 255.
  TDib e = Make24(3, 1, [](int x, int) { return RGBColor(x == 0 ? 100 : x == 1 ? 130 : 200, 128, 0); });
  ASSERT_TRUE(ox::Contrast(e, ox::WholeOf(e), 50, 128, 128, 128));
  EXPECT_EQ(e.GetPixelColor(0, 0), RGBColor(0, 128, 0));
  EXPECT_EQ(e.GetPixelColor(1, 0), RGBColor(140, 128, 0));
  EXPECT_EQ(e.GetPixelColor(2, 0), RGBColor(255, 128, 0));
  // Negative amounts use the square root: k = 1 - 2/10 = 0.8, 128 + trunc(-28 * 0.8) = 106.
  TDib f = Uniform(1, 1, RGBColor(100, 100, 100));
  ASSERT_TRUE(ox::Contrast(f, ox::WholeOf(f), -4, 128, 128, 128));
  EXPECT_EQ(f.GetPixelColor(0, 0), RGBColor(106, 106, 106));
}

TEST(AddRGB, ClampsPerChannel) {
  TDib d = Uniform(2, 1, RGBColor(250, 5, 100));
  ASSERT_TRUE(ox::AddRGB(d, {1, 0, 2, 1}, 10, -10, 3));
  EXPECT_EQ(d.GetPixelColor(0, 0), RGBColor(250, 5, 100));
  EXPECT_EQ(d.GetPixelColor(1, 0), RGBColor(255, 0, 103));
}

TEST(AdjustHSL, HueIsClampedAndLightnessSaturationShift) {
  struct Case {
    gfx::TColor in;
    int dh, ds, dl;
    gfx::TColor out;
  } cases[] = {
      {RGBColor(255, 0, 0), 0, 0, 0, RGBColor(255, 0, 0)},
      {RGBColor(255, 0, 0), 120, 0, 0, RGBColor(0, 255, 0)},
      {RGBColor(255, 0, 0), -30, 0, 0, RGBColor(255, 0, 0)},  // clamped at 0, not wrapped to magenta
      {RGBColor(255, 0, 0), 0, -100, 0, RGBColor(127, 127, 127)},
      {RGBColor(30, 60, 90), 0, 0, -100, RGBColor(0, 0, 0)},
  };
  for (const auto& c : cases) {
    TDib d = Uniform(1, 1, c.in);
    ASSERT_TRUE(ox::AdjustHSL(d, ox::WholeOf(d), c.dh, c.ds, c.dl));
    EXPECT_EQ(d.GetPixelColor(0, 0), c.out) << c.dh << " " << c.ds << " " << c.dl;
  }
}

TEST(AdjustHSV, IntegerModel) {
  struct Case {
    gfx::TColor in;
    int dh, ds, dv;
    gfx::TColor out;
  } cases[] = {
      {RGBColor(255, 0, 0), 0, 0, 0, RGBColor(255, 0, 0)},
      {RGBColor(128, 64, 32), 0, 0, 0, RGBColor(129, 64, 33)},  // the 0 ... 99 quantisation
      {RGBColor(128, 64, 32), 0, 0, -99, RGBColor(0, 0, 0)},
      {RGBColor(128, 64, 32), 0, -99, 0, RGBColor(129, 129, 129)},
      {RGBColor(255, 0, 0), 120, 0, 0, RGBColor(0, 255, 0)},
      {RGBColor(255, 0, 0), 400, 0, 0, RGBColor(255, 0, 5)},  // H clamped to 359: sector 5, q = 99 - 59*9801 div 5940 = 2
      {RGBColor(0, 0, 0), 10, 50, 0, RGBColor(0, 0, 0)},
  };
  for (const auto& c : cases) {
    TDib d = Uniform(1, 1, c.in);
    ASSERT_TRUE(ox::AdjustHSV(d, ox::WholeOf(d), c.dh, c.ds, c.dv));
    EXPECT_EQ(d.GetPixelColor(0, 0), c.out) << std::hex << c.in << std::dec << " " << c.dh << " " << c.ds << " " << c.dv;
  }
}

TEST(ApplyFilter, IdentityBlurEdgesAndWideWeights) {
  const TDib src = Make24(4, 3, Distinct);
  TDib d = src;
  ox::TUserFilter id;
  id.Weights[4] = 1;
  ASSERT_TRUE(ox::ApplyFilter(d, ox::WholeOf(d), id));
  EXPECT_TRUE(SamePixels(d, src));

  // Box blur: the corner repeats its nearest rows and columns.
  TDib g = Make24(3, 3, [](int x, int y) { return RGBColor(uint8_t(9 * (y * 3 + x)), 0, 0); });
  ox::TUserFilter box;
  box.Weights.fill(1);
  box.Divisor = 9;
  ASSERT_TRUE(ox::ApplyFilter(g, ox::WholeOf(g), box));
  EXPECT_EQ(gfx::RedOf(g.GetPixelColor(1, 1)), 36);  // (0+9+...+72) / 9
  // (0,0): rows {0,0,1}, columns {0,0,1} -> 4*0 + 2*9 + 2*27 + 36 = 108, div 9 = 12
  EXPECT_EQ(gfx::RedOf(g.GetPixelColor(0, 0)), 12);

  // Weights near the 32-bit limit: the products and sums need 64 bits.
  constexpr int32_t big = std::numeric_limits<int32_t>::max();
  TDib w = Uniform(2, 2, RGBColor(255, 7, 0));
  ox::TUserFilter wide;
  wide.Weights[4] = big;
  wide.Divisor = big;
  ASSERT_TRUE(ox::ApplyFilter(w, ox::WholeOf(w), wide));
  EXPECT_EQ(w.GetPixelColor(1, 1), RGBColor(255, 7, 0));
  wide.Weights.fill(big);
  ASSERT_TRUE(ox::ApplyFilter(w, ox::WholeOf(w), wide));
  EXPECT_EQ(w.GetPixelColor(0, 0), RGBColor(255, 63, 0));
  // A negative divisor flips the sign.
  ox::TUserFilter neg;
  neg.Weights[4] = -1;
  neg.Divisor = -1;
  TDib n = Uniform(1, 1, RGBColor(40, 50, 60));
  ASSERT_TRUE(ox::ApplyFilter(n, ox::WholeOf(n), neg));
  EXPECT_EQ(n.GetPixelColor(0, 0), RGBColor(40, 50, 60));
}

TEST(ApplyFilter, RegionIsComputedFromTheUnchangedPicture) {
  const TDib src = Make24(5, 1, [](int x, int) { return RGBColor(uint8_t(x * 50), 0, 0); });
  TDib d = src;
  ox::TUserFilter left;  // each pixel takes its left neighbour
  left.Weights[3] = 1;
  ASSERT_TRUE(ox::ApplyFilter(d, {1, 0, 4, 1}, left));
  const int expect[] = {0, 0, 50, 100, 200};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(gfx::RedOf(d.GetPixelColor(x, 0)), expect[x]) << x;
}

TEST(UserFilterFile, RoundTripSignatureAndShortFiles) {
  ox::TUserFilter k;
  for (int i = 0; i < 9; ++i) k.Weights[i] = (i - 4) * 1000003;
  k.Divisor = -7;
  const auto bytes = ox::SerializeUserFilter(k);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 3);
  EXPECT_EQ(bytes[2], 3);
  EXPECT_EQ(bytes[39], 0xF9);  // -7 little-endian
  ox::TUserFilter back;
  ASSERT_TRUE(ox::ParseUserFilter(bytes, back));
  EXPECT_EQ(back, k);

  ox::TUserFilter untouched;
  auto bad = bytes;
  bad[2] = 4;
  EXPECT_FALSE(ox::ParseUserFilter(bad, untouched));
  EXPECT_FALSE(ox::ParseUserFilter(std::span<const uint8_t>(bytes.data(), 42), untouched));
  EXPECT_EQ(untouched, ox::TUserFilter{});

  const auto dir = std::filesystem::temp_directory_path() / ("vantrel_filter_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = (dir / "f.flt").string();
  ASSERT_TRUE(ox::SaveUserFilter(path.c_str(), k));
  EXPECT_EQ(std::filesystem::file_size(path), 43u);
  ASSERT_TRUE(ox::LoadUserFilter(path.c_str(), back));
  EXPECT_EQ(back, k);
  std::filesystem::resize_file(path, 40);
  EXPECT_FALSE(ox::LoadUserFilter(path.c_str(), untouched));
  EXPECT_FALSE(ox::LoadUserFilter((dir / "missing").string().c_str(), untouched));
  std::filesystem::remove_all(dir);
}

TEST(Threshold, PerChannelAndTheNoOpCase) {
  TDib d = Make24(3, 1, [](int x, int) { return RGBColor(uint8_t(x * 100), uint8_t(200 - x * 100), 150); });
  const TDib src = d;
  ASSERT_TRUE(ox::Threshold(d, ox::WholeOf(d), 0, 0xFFFFFF, 0, 0xFFFFFF));
  EXPECT_TRUE(SamePixels(d, src));
  // down (100, 100, 100), up (150, 150, 149): <= down -> 0, > up -> 255.
  ASSERT_TRUE(ox::Threshold(d, ox::WholeOf(d), RGBColor(100, 100, 100), RGBColor(150, 150, 149), 0, 0xFFFFFF));
  EXPECT_EQ(d.GetPixelColor(0, 0), RGBColor(0, 255, 255));
  EXPECT_EQ(d.GetPixelColor(1, 0), RGBColor(0, 0, 255));
  EXPECT_EQ(d.GetPixelColor(2, 0), RGBColor(255, 0, 255));
}

TEST(StretchLevels, TablesRoundHalvesToEven) {
  TDib d = Make24(3, 1, [](int x, int) { return RGBColor(x == 0 ? 64 : x == 1 ? 128 : 200, 10, 255); });
  ASSERT_TRUE(ox::StretchLevels(d, ox::WholeOf(d), RGBColor(0, 10, 0), RGBColor(128, 255, 0)));
  EXPECT_EQ(gfx::RedOf(d.GetPixelColor(0, 0)), 128);  // round(127.5) = 128
  EXPECT_EQ(gfx::RedOf(d.GetPixelColor(1, 0)), 255);
  EXPECT_EQ(gfx::RedOf(d.GetPixelColor(2, 0)), 255);
  EXPECT_EQ(gfx::GreenOf(d.GetPixelColor(0, 0)), 0);   // at low
  EXPECT_EQ(gfx::BlueOf(d.GetPixelColor(0, 0)), 255);  // high 0 counts as 1
  // Nothing happens when the clamped high equals low.
  TDib e = Make24(3, 2, Distinct);
  const TDib src = e;
  ASSERT_TRUE(ox::StretchLevels(e, ox::WholeOf(e), RGBColor(1, 1, 1), 0));
  EXPECT_TRUE(SamePixels(e, src));
}

TEST(Equalize, SmallPicturesFinishAndLevelsSpread) {
  // 16 pixels: avg would be 0 and the level walk would never end.
  TDib d = Uniform(4, 4, RGBColor(100, 100, 100));
  ASSERT_TRUE(ox::Equalize(d, ox::WholeOf(d)));
  EXPECT_TRUE(SamePixels(d, Uniform(4, 4, RGBColor(15, 15, 15))));

  // 512 pixels, half black, half white: avg 2, so black spans levels [0, 127] and white [127, 255]; flat
  // pixels keep their value, those beside the border take their neighbourhood mean (gray 84 lies inside).
  TDib two = Make24(32, 16, [](int x, int) { return x < 16 ? 0u : 0xFFFFFFu; });
  ASSERT_TRUE(ox::Equalize(two, ox::WholeOf(two)));
  EXPECT_EQ(two.GetPixelColor(0, 0), 0u);
  EXPECT_EQ(two.GetPixelColor(31, 15), RGBColor(255, 255, 255));
  EXPECT_EQ(two.GetPixelColor(15, 3), RGBColor(85, 85, 85));
  EXPECT_EQ(two.GetPixelColor(16, 3), RGBColor(170, 170, 170));
}

TEST(Histogram, CountsTheRegion) {
  TDib d = Make24(3, 2, [](int x, int y) { return RGBColor(uint8_t(x), uint8_t(100 * y), 255); });
  ox::THistogram h;
  ASSERT_TRUE(ox::GetHistogram(d, {1, 0, 3, 2}, h));
  EXPECT_EQ(h.Red[0], 0u);
  EXPECT_EQ(h.Red[1], 2u);
  EXPECT_EQ(h.Red[2], 2u);
  EXPECT_EQ(h.Green[0], 2u);
  EXPECT_EQ(h.Blue[255], 4u);
  EXPECT_EQ(h.Green[100], 2u);
  EXPECT_EQ(h.Gray[18], 2u);  // (1 or 2, 0, 255)
  EXPECT_EQ(h.Gray[89], 2u);  // (1 or 2, 100, 255)
  uint32_t total = 0;
  for (auto v : h.Gray) total += v;
  EXPECT_EQ(total, 4u);
}

TEST(MeanColour, TruncatedMeansAndEmptyPicture) {
  TDib d = Make24(3, 1, [](int x, int) { return RGBColor(uint8_t(x), uint8_t(10 * x), 255); });
  EXPECT_EQ(ox::MeanColour(d), (gfx::TRGB{1, 10, 255}));
  TDib e = Make24(2, 1, [](int x, int) { return RGBColor(uint8_t(x), 0, 0); });
  EXPECT_EQ(ox::MeanColour(e).r, 0);  // 1 / 2 truncated
  EXPECT_EQ(ox::MeanColour(TDib{}), (gfx::TRGB{128, 128, 128}));
}

TEST(Progress, RowFormulaOverTheRegion) {
  TDib d = Make24(3, 4, Distinct);
  std::vector<int> seen;
  ASSERT_TRUE(ox::Negative(d, {0, 0, 3, 4}, nullptr, [&](int p) { seen.push_back(p); }));
  EXPECT_EQ(seen, (std::vector<int>{0, 28, 57, 85}));  // trunc(k * 100 / 3.5)
}

}  // namespace
