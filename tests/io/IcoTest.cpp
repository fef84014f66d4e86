// Icon and cursor readers: directory tests, AND mask and background, hot spot, the image-rs fixtures.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "CodecTestUtil.h"
#include "imaging/io/ICOFilt.h"
#include "imaging/model/oxstreams.h"

namespace {

using namespace ox;
using namespace codectest;
using gfx::TDib;
using gfx::TPixelFormat;
using gfx::TRGB;

void P16(std::vector<uint8_t>& v, uint32_t x) { v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)}); }
void P32(std::vector<uint8_t>& v, uint32_t x) { v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8), uint8_t(x >> 16), uint8_t(x >> 24)}); }

// One image: w x h, bits, palette, XOR rows and AND rows (bottom-up, padded).
struct TIconImage {
  int w = 2, h = 2, bits = 8;
  std::vector<TRGB> palette;
  std::vector<uint8_t> xorRows, andRows;
  int hotX = 0, hotY = 0;
};

std::vector<uint8_t> MakeIcon(int type, const std::vector<TIconImage>& images) {
  std::vector<uint8_t> f;
  P16(f, 0); P16(f, uint32_t(type)); P16(f, uint32_t(images.size()));
  std::vector<std::vector<uint8_t>> blobs;
  for (const TIconImage& im : images) {
    std::vector<uint8_t> b;
    P32(b, 40); P32(b, uint32_t(im.w)); P32(b, uint32_t(im.h * 2)); P16(b, 1); P16(b, uint32_t(im.bits));
    P32(b, 0); P32(b, 0); P32(b, 0); P32(b, 0); P32(b, uint32_t(im.palette.size())); P32(b, 0);
    for (const TRGB& c : im.palette) b.insert(b.end(), {c.b, c.g, c.r, 0});
    b.insert(b.end(), im.xorRows.begin(), im.xorRows.end());
    b.insert(b.end(), im.andRows.begin(), im.andRows.end());
    blobs.push_back(b);
  }
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const TIconImage& im = images[i];
    // The entry's colour count sizes the table, 0 standing for 256 (as icon writers fill it in).
    f.insert(f.end(), {uint8_t(im.w), uint8_t(im.h), uint8_t(im.palette.size() >= 256 ? 0 : im.palette.size()), 0});
    P16(f, type == 2 ? uint32_t(im.hotX) : 1);
    P16(f, type == 2 ? uint32_t(im.hotY) : uint32_t(im.bits));
    P32(f, uint32_t(blobs[i].size()));
    P32(f, offset);
    offset += uint32_t(blobs[i].size());
  }
  for (auto& b : blobs) f.insert(f.end(), b.begin(), b.end());
  return f;
}

struct TRead {
  TDib dib{3, 3, TPixelFormat::pf24bit};
  TIOParamsVals params;
  TOXMask mask;
  bool aborted = false;
};

std::unique_ptr<TRead> Read(const std::vector<uint8_t>& bytes, bool cursor, int index = 0,
                            TRGB background = {255, 255, 255}) {
  auto r = std::make_unique<TRead>();
  TOXMemoryStream s(bytes);
  TProgressRec pr;
  if (cursor) {
    r->params.CurImageIndex = index;
    r->params.CurBackground = background;
    CURReadStream(s, &r->dib, r->params, &r->mask, pr, false);
  } else {
    r->params.IcoImageIndex = index;
    r->params.IcoBackground = background;
    ICOReadStream(s, &r->dib, r->params, &r->mask, pr, false);
  }
  r->aborted = pr.IsAborted();
  return r;
}

TRGB Px(const TDib& d, int x, int y) {
  const gfx::TColor c = d.GetPixelColor(x, y);
  return TRGB{gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)};
}

TIconImage EightBit() {
  TIconImage im;
  im.palette = {{0, 0, 0}, {200, 10, 10}, {10, 200, 10}};
  im.xorRows = {1, 2, 0, 0, 2, 1, 0, 0};           // bottom row: red, green; top row: green, red
  im.andRows = {0x40, 0, 0, 0, 0x00, 0, 0, 0};     // bottom row, second pixel transparent
  return im;
}

TEST(Icon, AndMaskGivesBackgroundAndZeroAlpha) {
  auto r = Read(MakeIcon(1, {EightBit()}), false, 0, TRGB{1, 2, 3});
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->dib.Width(), 2);
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{10, 200, 10}));
  EXPECT_EQ(Px(r->dib, 0, 1), (TRGB{200, 10, 10}));
  EXPECT_EQ(Px(r->dib, 1, 1), (TRGB{1, 2, 3}));
  EXPECT_EQ(r->mask.BitsPerPixel, 8);
  EXPECT_EQ(r->mask.GetPixel(1, 1), 0);
  EXPECT_EQ(r->mask.GetPixel(0, 1), 255);
  EXPECT_FALSE(r->mask.Full);
  EXPECT_EQ(r->params.ColorMapCount, 3);
}

TEST(Icon, OneBitAndFourBit) {
  TIconImage one;
  one.bits = 1;
  one.palette = {{0, 0, 0}, {255, 255, 255}};
  one.xorRows = {0x80, 0, 0, 0, 0x00, 0, 0, 0};
  one.andRows = {0xC0, 0, 0, 0, 0x00, 0, 0, 0};  // bottom row both transparent: white, then inverted
  auto r = Read(MakeIcon(1, {one}), false);
  ASSERT_FALSE(r->aborted);
  ASSERT_EQ(r->dib.PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(r->dib.ScanLine(1)[0] & 0xC0, 0x40);
  EXPECT_EQ(r->mask.GetPixel(0, 1), 0);

  TIconImage four;
  four.w = 3;
  four.bits = 4;
  four.palette = {{0, 0, 0}, {9, 9, 9}};
  four.xorRows = {0x10, 0x10, 0, 0, 0x01, 0x00, 0, 0};  // bottom: 1, 0, 1 (odd last pixel: high nibble)
  four.andRows = {0, 0, 0, 0, 0, 0, 0, 0};
  r = Read(MakeIcon(1, {four}), false);
  ASSERT_FALSE(r->aborted);
  ASSERT_EQ(r->dib.PixelFormat(), TPixelFormat::pf24bit);  // only 1-bit images stay bilevel
  EXPECT_EQ(Px(r->dib, 2, 1), (TRGB{9, 9, 9}));
  EXPECT_EQ(Px(r->dib, 1, 0), (TRGB{9, 9, 9}));
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{0, 0, 0}));
}

TEST(Icon, IndexOutOfRangeChangesNothing) {
  const auto f = MakeIcon(1, {EightBit(), EightBit(), EightBit()});
  auto r = Read(f, false, 3);
  EXPECT_FALSE(r->aborted);
  EXPECT_EQ(r->dib.Width(), 3);
  r = Read(f, false, -1);
  EXPECT_FALSE(r->aborted);
  EXPECT_EQ(r->dib.Width(), 3);
  r = Read(f, false, 2);
  EXPECT_FALSE(r->aborted);
  EXPECT_EQ(r->dib.Width(), 2);
}

TEST(Icon, MalformedEntriesAbort) {
  auto edit = [](std::function<void(std::vector<uint8_t>&)> change) {
    auto f = MakeIcon(1, {EightBit()});
    change(f);
    return Read(f, false)->aborted;
  };
  EXPECT_FALSE(edit([](auto&) {}));
  EXPECT_TRUE(edit([](auto& f) { f[18] = 0xFF; f[19] = 0x7F; }));          // offset past the end
  EXPECT_TRUE(edit([](auto& f) { f[16] = 1; }));                            // data size past the end
  EXPECT_TRUE(edit([](auto& f) { f[22 + 14] = 2; }));                        // 2 bits per pixel
  EXPECT_TRUE(edit([](auto& f) { f[22 + 14] = 0; f[12] = 0; f[8] = 0; }));  // no bit count, no colours
  EXPECT_TRUE(edit([](auto& f) { f.resize(f.size() - 9); }));               // pixels cut short
  EXPECT_TRUE(edit([](auto& f) { f.resize(30); }));
}

// The directory entry's colour count sizes the table; the header's own count is not used.
TEST(Icon, PaletteSizeFromTheDirectoryEntry) {
  std::vector<uint8_t> f = MakeIcon(1, {EightBit()});
  // Header colours-used (at 6 + 16 + 32) claims 200: the entry's 3 still place the rows right.
  f[22 + 32] = 200;
  auto r = Read(f, false, 0, TRGB{1, 2, 3});
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->params.ColorMapCount, 3);
  EXPECT_EQ(Px(r->dib, 0, 1), (TRGB{200, 10, 10}));
  EXPECT_EQ(Px(r->dib, 0, 0), (TRGB{10, 200, 10}));
}

// A cut icon keeps the rows it holds (from the bottom) as a partial picture; a stop ends the rows.
TEST(Icon, TruncatedIconKeepsItsRowsAndStopsOnAbort) {
  TIconImage tall = EightBit();
  tall.h = 4;
  tall.xorRows = {1, 1, 0, 0, 2, 2, 0, 0, 1, 2, 0, 0, 2, 1, 0, 0};
  tall.andRows.assign(16, 0);
  std::vector<uint8_t> f = MakeIcon(1, {tall});
  f.resize(f.size() - 16 - 2);  // the AND mask and half the top row are missing
  // The entry's data size must stay inside the file.
  const uint32_t size = uint32_t(f.size() - 22);
  for (int i = 0; i < 4; ++i) f[14 + i] = uint8_t(size >> (8 * i));
  TOXMemoryStream s(f);
  TDib dib;
  TIOParamsVals params;
  TProgressRec progress;
  ICOReadStream(s, &dib, params, nullptr, progress, false);
  EXPECT_TRUE(progress.IsAborted());
  EXPECT_TRUE(progress.PartialPicture());
  EXPECT_EQ(progress.RowsDelivered, 3);
  ASSERT_EQ(dib.Height(), 4);
  EXPECT_EQ(Px(dib, 0, 3), (TRGB{200, 10, 10}));
  EXPECT_EQ(Px(dib, 0, 1), (TRGB{200, 10, 10}));
  EXPECT_EQ(Px(dib, 1, 1), (TRGB{10, 200, 10}));

  TOXMemoryStream whole(MakeIcon(1, {tall}));
  TProgressRec stop;
  int reports = 0;
  stop.OnProgress = [&](TOrvexIO*, int) {
    if (++reports == 2) stop.Abort();
  };
  TDib stopped;
  ICOReadStream(whole, &stopped, params, nullptr, stop, false);
  EXPECT_EQ(stop.RowsDelivered, 1);
  EXPECT_FALSE(stop.PartialPicture());
}

// An icon file that is really a bitmap leaves no mask of an earlier icon behind.
TEST(Icon, BitmapInsideResetsTheMask) {
  std::vector<uint8_t> bmp = {'B', 'M'};
  P32(bmp, 14 + 40 + 8); P16(bmp, 0); P16(bmp, 0); P32(bmp, 14 + 40);
  P32(bmp, 40); P32(bmp, 2); P32(bmp, 1); P16(bmp, 1); P16(bmp, 24);
  for (int i = 0; i < 6; ++i) P32(bmp, 0);
  bmp.insert(bmp.end(), {1, 2, 3, 4, 5, 6, 0, 0});
  TOXMemoryStream s(bmp);
  TDib dib;
  TIOParamsVals params;
  TOXMask mask;
  mask.Allocate(5, 5, 8);
  mask.Fill(0);
  TProgressRec progress;
  ICOReadStream(s, &dib, params, &mask, progress, false);
  ASSERT_FALSE(progress.IsAborted());
  EXPECT_EQ(dib.Width(), 2);
  EXPECT_EQ(mask.Width, 2);
  EXPECT_EQ(mask.Height, 1);
  EXPECT_TRUE(mask.Full);
  EXPECT_EQ(mask.GetPixel(1, 0), 255);
}

TEST(Cursor, HotSpotAndBackground) {
  TIconImage im = EightBit();
  im.hotX = 1;
  im.hotY = 0;
  auto r = Read(MakeIcon(2, {im}), true, 0, TRGB{0, 0, 255});
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->params.CurHotSpotX, 1);
  EXPECT_EQ(r->params.CurHotSpotY, 0);
  EXPECT_EQ(r->params.BitsPerSample, 8);
  EXPECT_EQ(r->params.SamplesPerPixel, 1);
  EXPECT_EQ(Px(r->dib, 1, 1), (TRGB{0, 0, 255}));
}

TEST(IconDetection, DirectoryChecks) {
  const auto ico = MakeIcon(1, {EightBit(), EightBit()});
  const auto cur = MakeIcon(2, {EightBit()});
  auto test = [](std::vector<uint8_t> f, bool cursor) {
    TOXMemoryStream s(std::move(f));
    s.SetPosition(0);
    const bool ok = cursor ? IsCURStream(s) : IsICOStream(s);
    EXPECT_EQ(s.Position(), 0);
    return ok;
  };
  EXPECT_TRUE(test(ico, false));
  EXPECT_FALSE(test(ico, true));
  EXPECT_TRUE(test(cur, true));
  auto bad = ico;
  bad[6 + 16 + 3] = 1;  // reserved byte of the second entry
  EXPECT_FALSE(test(bad, false));
  bad = ico;
  bad[6 + 12] = 10;  // offset inside the directory
  bad[6 + 13] = 0;
  EXPECT_FALSE(test(bad, false));
  bad = ico;
  bad[4] = 0xFF;  // more entries than the stream holds
  bad[5] = 0xFF;
  bad.resize(40);
  EXPECT_FALSE(test(bad, false));
  EXPECT_FALSE(test(std::vector<uint8_t>(ico.begin(), ico.begin() + 22), false));
}

// image-rs fixtures: the reference shows the largest entry (then the deepest, then the first).
TEST(IconCorpus, MatchesReferences) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  const std::string dir = std::string(VANTREL_CORPUS) + "/ico/image-rs/";
  for (auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".ico") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::vector<uint8_t> f = ReadFile(entry.path().string());
    const int count = f[4] | (f[5] << 8);
    int best = 0;
    int64_t bestArea = -1;
    int bestBits = -1;
    for (int i = 0; i < count && size_t(6 + 16 * (i + 1)) <= f.size(); ++i) {
      const uint8_t* e = &f[size_t(6 + 16 * i)];
      const int64_t area = int64_t(e[0] ? e[0] : 256) * (e[1] ? e[1] : 256);
      const int bits = e[6] | (e[7] << 8);
      if (area > bestArea || (area == bestArea && bits > bestBits)) { best = i; bestArea = area; bestBits = bits; }
    }
    auto r = Read(f, false, best);
    const uint8_t* e = &f[size_t(6 + 16 * best)];
    const uint32_t off = uint32_t(e[12] | (e[13] << 8) | (e[14] << 16) | (e[15] << 24));
    if (std::memcmp(&f[off], "\x89PNG", 4) == 0) {
      EXPECT_TRUE(r->aborted);  // PNG-compressed entries are not decoded here
      continue;
    }
    if (name == "truncated_mask_32bpp.ico" || name == "bmp-32bpp-conflicting-and-mask.ico") {
      EXPECT_FALSE(r->aborted);  // 32-bit alpha wins over the AND mask, which may be missing
      if (name[0] == 'b') {
        EXPECT_EQ(r->mask.GetPixel(3, 3), 128);
      }
      continue;
    }
    ASSERT_FALSE(r->aborted);
    const std::string ref = dir + "reference/" + name + ".png";
    if (!std::filesystem::exists(ref)) {
      EXPECT_EQ(r->dib.Width(), 127);  // bmp_v5_with_icc.ico
      EXPECT_EQ(r->dib.Height(), 64);
      continue;
    }
    const std::vector<uint8_t> rgba = Shell("convert '" + ref + "' -depth 8 rgba:-");
    ASSERT_EQ(rgba.size(), size_t(r->dib.Width()) * r->dib.Height() * 4);
    const TRgbImage ours = FromDib(r->dib);
    int worst = 0, maskErrors = 0;
    for (int y = 0; y < r->dib.Height(); ++y)
      for (int x = 0; x < r->dib.Width(); ++x) {
        const size_t k = size_t(y) * r->dib.Width() + x;
        if (r->mask.GetPixel(x, y) != rgba[k * 4 + 3]) ++maskErrors;
        if (rgba[k * 4 + 3] == 0) continue;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(ours.rgb[k * 3 + c]) - rgba[k * 4 + c]));
      }
    EXPECT_EQ(worst, 0);
    EXPECT_EQ(maskErrors, 0);
  }
}

}  // namespace
