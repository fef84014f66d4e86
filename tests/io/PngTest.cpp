// PNG codec against the PngSuite expectations, and the writer's layouts, chunks and failures.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/io/PNGFilt.h"
#include "imaging/model/OrvexError.h"

using namespace ox;
namespace fs = std::filesystem;

namespace {

const fs::path kSuite = fs::path(VANTREL_CORPUS) / "png";

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<int> ReadJsonArray(const fs::path& p) {
  std::vector<uint8_t> text = ReadFile(p);
  text.push_back(0);
  std::vector<int> values;
  const char* s = reinterpret_cast<const char*>(text.data());
  while (*s) {
    if (*s >= '0' && *s <= '9') {
      char* end;
      values.push_back(int(std::strtol(s, &end, 10)));
      s = end;
    } else {
      ++s;
    }
  }
  return values;
}

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};

std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  size_t p = 8;
  while (p + 12 <= png.size()) {
    const size_t len = size_t(png[p]) << 24 | size_t(png[p + 1]) << 16 | size_t(png[p + 2]) << 8 | png[p + 3];
    if (p + 12 + len > png.size()) break;
    out.push_back({std::string(png.begin() + long(p) + 4, png.begin() + long(p) + 8),
                   std::vector<uint8_t>(png.begin() + long(p) + 8, png.begin() + long(p + 8 + len))});
    p += 12 + len;
  }
  return out;
}

const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& type) {
  for (const Chunk& c : chunks)
    if (c.type == type) return &c;
  return nullptr;
}

std::vector<uint8_t> Serialize(const std::vector<Chunk>& chunks) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const Chunk& c : chunks) {
    const uint32_t len = uint32_t(c.data.size());
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(len >> s));
    const size_t start = out.size();
    out.insert(out.end(), c.type.begin(), c.type.end());
    out.insert(out.end(), c.data.begin(), c.data.end());
    const uint32_t crc = uint32_t(crc32(0, out.data() + start, uInt(out.size() - start)));
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(crc >> s));
  }
  return out;
}

// The file's background as 8-bit red, green, blue, the way the PNG standard defines the chunk.
bool SuiteBackground(const std::vector<Chunk>& chunks, TOXRGB& bg) {
  const Chunk* b = Find(chunks, "bKGD");
  const Chunk* h = Find(chunks, "IHDR");
  if (!b) return false;
  const int depth = h->data[8], type = h->data[9];
  auto sample = [&](size_t i) {
    const int v = b->data[i] << 8 | b->data[i + 1];
    return uint8_t(depth == 16 ? v >> 8 : v * 255 / ((1 << depth) - 1));
  };
  if (type == 3) {
    const Chunk* plte = Find(chunks, "PLTE");
    const uint8_t* e = plte->data.data() + 3 * b->data[0];
    bg = {e[0], e[1], e[2]};
  } else if (type & 2) {
    bg = {sample(0), sample(2), sample(4)};
  } else {
    bg = {sample(0), sample(0), sample(0)};
  }
  return true;
}

struct Result {
  gfx::TDib dib;
  TOXMask mask;
  bool aborted = false;
};

Result Decode(const std::vector<uint8_t>& bytes, TIOParamsVals& params, bool withMask) {
  TOXMemoryStream s(bytes);
  Result r;
  TProgressRec progress;
  ReadPNGStream(s, &r.dib, params, withMask ? &r.mask : nullptr, false, progress);
  r.aborted = progress.IsAborted();
  return r;
}

std::vector<uint8_t> Encode(const gfx::TDib& dib, TIOParamsVals& params, TOXMask* mask = nullptr) {
  TOXMemoryStream s;
  TProgressRec progress;
  WritePNGStream(s, dib, params, mask, progress);
  EXPECT_FALSE(progress.IsAborted());
  return s.Bytes();
}

// Zlib stream of the IDAT chunks, inflated.
std::vector<uint8_t> ImageData(const std::vector<Chunk>& chunks, uint8_t& zlibFlags) {
  std::vector<uint8_t> z;
  for (const Chunk& c : chunks)
    if (c.type == "IDAT") z.insert(z.end(), c.data.begin(), c.data.end());
  zlibFlags = z.size() > 1 ? z[1] : 0;
  std::vector<uint8_t> out(1 << 20);
  uLongf n = uLongf(out.size());
  EXPECT_EQ(uncompress(out.data(), &n, z.data(), uLong(z.size())), Z_OK);
  out.resize(n);
  return out;
}

gfx::TDib Picture(int w, int h) {
  gfx::TDib dib(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = dib.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 5), p[2] = uint8_t((x ^ y) * 3);
    }
  return dib;
}

TOXMask AlphaRamp(int w, int h) {
  TOXMask m;
  m.Allocate(w, h, 8);
  m.Fill(255);
  m.Full = false;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.Row(y)[x] = uint8_t((x * 37 + y * 11) & 0xFF);
  return m;
}

}  // namespace

// Every valid PngSuite file decodes to its expected pixels, with the alpha in the mask or composed over
// the background; the corrupt ones are refused.
TEST(Png, SuiteDecodesToTheExpectedPixels) {
  int decoded = 0, rejected = 0;
  for (const auto& entry : fs::directory_iterator(kSuite / "png")) {
    const std::string name = entry.path().stem().string();
    if (entry.path().extension() != ".png") continue;
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = ReadFile(entry.path());
    if (name[0] == 'x') {
      for (bool withMask : {false, true}) {
        TIOParamsVals params;
        EXPECT_TRUE(Decode(bytes, params, withMask).aborted);
      }
      ++rejected;
      continue;
    }
    const std::vector<Chunk> chunks = Chunks(bytes);
    const int depth = Find(chunks, "IHDR")->data[8];
    const bool sixteen = depth == 16;
    // 16-bit files: the 8-bit expectation when the suite has one, else the high bytes.
    const fs::path to8 = kSuite / "json" / (name + "_to8.json");
    std::vector<int> want = ReadJsonArray(sixteen && fs::exists(to8) ? to8 : kSuite / "json" / (name + ".json"));
    if (sixteen && !fs::exists(to8))
      for (int& v : want) v >>= 8;
    const int tolerance = sixteen ? 1 : 0;

    TIOParamsVals kept;
    Result a = Decode(bytes, kept, true);
    ASSERT_FALSE(a.aborted);
    const int w = a.dib.Width(), h = a.dib.Height();
    ASSERT_EQ(want.size(), size_t(w) * h * 4);
    EXPECT_EQ(kept.BitsPerSample, depth);
    EXPECT_EQ(kept.PngInterlaced, name[3] == 'i');
    if (depth == 1) {
      // Bilevel files stay 1-bit, in black and white or in their palette's two colours.
      ASSERT_EQ(a.dib.PixelFormat(), gfx::TPixelFormat::pf1bit);
      int bad = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int* px = &want[(size_t(y) * w + x) * 4];
          bad += a.dib.GetPixelColor(x, y) != gfx::RGBColor(uint8_t(px[0]), uint8_t(px[1]), uint8_t(px[2]));
        }
      EXPECT_EQ(bad, 0) << name;
      ++decoded;
      continue;
    }
    ASSERT_EQ(a.dib.PixelFormat(), gfx::TPixelFormat::pf24bit);

    TIOParamsVals composed;
    composed.PngBackground = {10, 200, 30};
    TOXRGB bg = composed.PngBackground;
    const bool fileBg = SuiteBackground(chunks, bg);
    Result c = Decode(bytes, composed, false);
    ASSERT_FALSE(c.aborted);
    if (fileBg) {
      EXPECT_EQ(composed.PngBackground, bg);
    }

    int worstKept = 0, worstAlpha = 0, worstComposed = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int* px = &want[(size_t(y) * w + x) * 4];
        const uint8_t* k = a.dib.ScanLine(y) + 3 * x;
        const uint8_t* o = c.dib.ScanLine(y) + 3 * x;
        const int alpha = px[3];
        const int bgc[3] = {bg.r, bg.g, bg.b};
        worstAlpha = std::max(worstAlpha, std::abs(a.mask.Row(y)[x] - alpha));
        for (int ch = 0; ch < 3; ++ch) {
          worstKept = std::max(worstKept, std::abs(k[2 - ch] - px[ch]));
          const int expect = (px[ch] * alpha + bgc[ch] * (255 - alpha) + 127) / 255;
          worstComposed = std::max(worstComposed, std::abs(o[2 - ch] - expect));
        }
      }
    EXPECT_LE(worstKept, tolerance);
    EXPECT_LE(worstAlpha, tolerance);
    EXPECT_LE(worstComposed, 2 * tolerance);
    ++decoded;
  }
  EXPECT_EQ(rejected, 14);
  EXPECT_EQ(decoded, 161);
}

TEST(Png, SignatureTestRestoresThePosition) {
  const std::vector<uint8_t> png = ReadFile(kSuite / "png" / "basn2c08.png");
  std::vector<uint8_t> bytes = {1, 2, 3};
  bytes.insert(bytes.end(), png.begin(), png.end());
  TOXMemoryStream s(bytes);
  s.SetPosition(3);
  EXPECT_TRUE(IsPNGStream(s));
  EXPECT_EQ(s.Position(), 3);
  s.SetPosition(2);
  EXPECT_FALSE(IsPNGStream(s));
  EXPECT_EQ(s.Position(), 2);
  TOXMemoryStream shortStream(std::vector<uint8_t>(png.begin(), png.begin() + 5));
  shortStream.SetPosition(1);
  EXPECT_FALSE(IsPNGStream(shortStream));
  EXPECT_EQ(shortStream.Position(), 1);
}

TEST(Png, ParamsOnlyLeavesPicturesAlone) {
  TIOParamsVals params;
  TOXMemoryStream s(ReadFile(kSuite / "png" / "basi3p04.png"));
  TProgressRec progress;
  ReadPNGStream(s, nullptr, params, nullptr, true, progress);
  EXPECT_FALSE(progress.IsAborted());
  EXPECT_EQ(params.Width, 32);
  EXPECT_EQ(params.BitsPerSample, 4);
  EXPECT_EQ(params.SamplesPerPixel, 1);
  EXPECT_EQ(params.ColorMapCount, 15);
  EXPECT_TRUE(params.PngInterlaced);
}

// Width and height are checked before anything is allocated; cut files end with Aborted.
TEST(Png, OversizedAndTruncatedFilesAbort) {
  std::vector<Chunk> chunks = Chunks(ReadFile(kSuite / "png" / "basn2c08.png"));
  Chunk& ihdr = chunks[0];
  ihdr.data[0] = 0, ihdr.data[1] = 0x01, ihdr.data[2] = 0x86, ihdr.data[3] = 0xA0;  // 100000
  ihdr.data[4] = 0, ihdr.data[5] = 0x01, ihdr.data[6] = 0x86, ihdr.data[7] = 0xA0;
  TIOParamsVals params;
  EXPECT_TRUE(Decode(Serialize(chunks), params, true).aborted);

  const std::vector<uint8_t> full = ReadFile(kSuite / "png" / "basi6a08.png");
  for (size_t cut : {size_t(0), size_t(7), size_t(40), full.size() / 2}) {
    TIOParamsVals p;
    EXPECT_TRUE(Decode(std::vector<uint8_t>(full.begin(), full.begin() + long(cut)), p, true).aborted) << cut;
  }
  // Every row is there, only the end chunk is cut: the picture is whole.
  TIOParamsVals p;
  EXPECT_FALSE(Decode(std::vector<uint8_t>(full.begin(), full.end() - 5), p, true).aborted);
}

// The background chunk is written per the standard and read back; the old x 256 form is still understood.
TEST(Png, BackgroundChunkBothForms) {
  TIOParamsVals w;
  w.PngBackground = {200, 100, 50};
  std::vector<Chunk> chunks = Chunks(Encode(Picture(8, 8), w));
  const Chunk* b = Find(chunks, "bKGD");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->data, (std::vector<uint8_t>{0, 200, 0, 100, 0, 50}));
  TIOParamsVals r;
  Decode(Serialize(chunks), r, false);
  EXPECT_EQ(r.PngBackground, (TOXRGB{200, 100, 50}));

  for (Chunk& c : chunks)
    if (c.type == "bKGD") c.data = {200, 0, 100, 0, 50, 0};
  TIOParamsVals old;
  Result res = Decode(Serialize(chunks), old, false);
  EXPECT_FALSE(res.aborted);
  EXPECT_EQ(old.PngBackground, (TOXRGB{200, 100, 50}));

  // With a mask the file's background is not used.
  TIOParamsVals masked;
  masked.PngBackground = {1, 2, 3};
  Decode(Serialize(chunks), masked, true);
  EXPECT_EQ(masked.PngBackground, (TOXRGB{1, 2, 3}));
}

// Palette output: entry 0 is the background (transparent with a mask), pixel indexes start at 1.
TEST(Png, PaletteOutput) {
  gfx::TDib src = Picture(40, 30);
  TIOParamsVals w;
  w.SamplesPerPixel = 1;
  w.BitsPerSample = 8;
  w.PngBackground = {9, 8, 7};
  std::vector<Chunk> chunks = Chunks(Encode(src, w));
  EXPECT_EQ(Find(chunks, "IHDR")->data[9], 3);
  EXPECT_EQ(Find(chunks, "IHDR")->data[8], 8);
  const Chunk* plte = Find(chunks, "PLTE");
  ASSERT_EQ(plte->data.size(), 256u * 3);
  EXPECT_EQ(plte->data[0], 9);
  EXPECT_EQ(plte->data[2], 7);
  EXPECT_EQ(Find(chunks, "tRNS"), nullptr);
  EXPECT_EQ(Find(chunks, "bKGD")->data.size(), 1u);
  uint8_t flags;
  const std::vector<uint8_t> raw = ImageData(chunks, flags);
  ASSERT_EQ(raw.size(), 30u * 41);
  for (int y = 0; y < 30; ++y)
    for (int x = 1; x <= 40; ++x) ASSERT_GE(raw[size_t(y) * 41 + x], 1) << x << "," << y;
  TIOParamsVals r;
  Result back = Decode(Serialize(chunks), r, false);
  int worst = 0;
  for (int y = 0; y < 30; ++y)
    for (int i = 0; i < 120; ++i) worst = std::max(worst, std::abs(back.dib.ScanLine(y)[i] - src.ScanLine(y)[i]));
  EXPECT_LE(worst, 48);

  // Four bits: 16 colours after the background; pixels below half opacity get entry 0.
  TIOParamsVals w4;
  w4.SamplesPerPixel = 1;
  w4.BitsPerSample = 4;
  TOXMask mask = AlphaRamp(40, 30);
  chunks = Chunks(Encode(src, w4, &mask));
  EXPECT_EQ(Find(chunks, "PLTE")->data.size(), 17u * 3);
  ASSERT_NE(Find(chunks, "tRNS"), nullptr);
  EXPECT_EQ(Find(chunks, "tRNS")->data, std::vector<uint8_t>{0});
  TIOParamsVals r4;
  Result b4 = Decode(Serialize(chunks), r4, true);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(b4.mask.Row(y)[x], mask.Row(y)[x] < 128 ? 0 : 255);
}

TEST(Png, FilterAndCompressionLevel) {
  const struct {
    int filter, level, rowFilter, flevel;
  } cases[] = {{2, 9, 4, 3}, {1, 6, 1, 2}, {0, 1, 0, 0}};
  for (const auto& c : cases) {
    TIOParamsVals w;
    w.PngFilter = uint8_t(c.filter);
    w.PngCompressionLevel = c.level;
    uint8_t flags;
    const std::vector<uint8_t> raw = ImageData(Chunks(Encode(Picture(20, 10), w)), flags);
    ASSERT_EQ(raw.size(), 10u * 61);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(raw[size_t(y) * 61], c.rowFilter) << c.filter;
    EXPECT_EQ(flags >> 6, c.flevel) << c.level;
  }
}

// Alpha goes out only when the mask holds transparency, and comes back exactly, interlaced or not.
TEST(Png, AlphaRoundTrip) {
  const gfx::TDib src = Picture(37, 23);
  TOXMask opaque;
  opaque.Allocate(37, 23, 8);
  opaque.Fill(255);
  opaque.Full = false;
  TIOParamsVals w;
  EXPECT_EQ(Find(Chunks(Encode(src, w, &opaque)), "IHDR")->data[9], 2);

  TOXMask mask = AlphaRamp(37, 23);
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced);
    TIOParamsVals wi;
    wi.PngInterlaced = interlaced;
    wi.DpiX = 300;
    wi.DpiY = 72;
    const std::vector<uint8_t> png = Encode(src, wi, &mask);
    EXPECT_EQ(Find(Chunks(png), "IHDR")->data[9], 6);
    TIOParamsVals r;
    Result back = Decode(png, r, true);
    ASSERT_FALSE(back.aborted);
    EXPECT_EQ(r.PngInterlaced, interlaced);
    EXPECT_EQ(r.SamplesPerPixel, 4);
    EXPECT_EQ(r.DpiX, 300);
    EXPECT_EQ(r.DpiY, 72);
    EXPECT_FALSE(back.mask.Full);
    for (int y = 0; y < 23; ++y) {
      ASSERT_EQ(std::memcmp(back.dib.ScanLine(y), src.ScanLine(y), 37 * 3), 0) << y;
      ASSERT_EQ(std::memcmp(back.mask.Row(y), mask.Row(y), 37), 0) << y;
    }
  }
}

// Two colours other than black and white survive a load and a save (red/yellow, and white before black).
TEST(Png, TwoColourBilevelKeepsItsColours) {
  for (const std::vector<gfx::TRGB>& palette :
       {std::vector<gfx::TRGB>{{255, 0, 0}, {255, 255, 0}}, std::vector<gfx::TRGB>{{255, 255, 255}, {0, 0, 0}}}) {
    gfx::TDib two(11, 4, gfx::TPixelFormat::pf1bit);
    two.SetPalette(palette);
    for (int x = 0; x < 11; x += 2) two.SetPixelColor(x, x % 4, gfx::RGBColor(palette[1].r, palette[1].g, palette[1].b));
    TIOParamsVals w;
    w.BitsPerSample = 1;
    w.SamplesPerPixel = 1;
    const std::vector<uint8_t> png = Encode(two, w);
    EXPECT_EQ(Find(Chunks(png), "IHDR")->data[9], 3);  // palette
    TIOParamsVals r;
    Result back = Decode(png, r, false);
    ASSERT_EQ(back.dib.PixelFormat(), gfx::TPixelFormat::pf1bit);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 11; ++x) EXPECT_EQ(back.dib.GetPixelColor(x, y), two.GetPixelColor(x, y)) << x << "," << y;
  }
}

TEST(Png, BilevelRoundTrip) {
  gfx::TDib mono(13, 5, gfx::TPixelFormat::pf1bit);
  for (int x = 0; x < 13; x += 3) mono.SetPixelColor(x, x % 5, 0xFFFFFF);
  TIOParamsVals w;
  w.BitsPerSample = 1;
  w.SamplesPerPixel = 1;
  const std::vector<uint8_t> png = Encode(mono, w);
  EXPECT_EQ(Find(Chunks(png), "IHDR")->data[8], 1);
  EXPECT_EQ(Find(Chunks(png), "IHDR")->data[9], 0);
  TIOParamsVals r;
  Result back = Decode(png, r, false);
  ASSERT_EQ(back.dib.PixelFormat(), gfx::TPixelFormat::pf1bit);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) EXPECT_EQ(back.dib.GetPixelColor(x, y), mono.GetPixelColor(x, y)) << x << "," << y;
}

namespace {
// Accepts `room` bytes, then nothing.
class ShortStream : public TOXMemoryStream {
 public:
  explicit ShortStream(int64_t room) : room_(room) {}
  int64_t Write(const void* b, int64_t n) override {
    const int64_t k = std::min(n, room_);
    room_ -= k;
    return TOXMemoryStream::Write(b, k);
  }

 private:
  int64_t room_;
};
}  // namespace

TEST(Png, WriterFailures) {
  TIOParamsVals params;
  ShortStream s(100);
  TProgressRec progress;
  WritePNGStream(s, Picture(64, 64), params, nullptr, progress);
  EXPECT_TRUE(progress.IsAborted());

  TOXMemoryStream m;
  TProgressRec p2;
  EXPECT_THROW(WritePNGStream(m, gfx::TDib(), params, nullptr, p2), EOrvexError);
  EXPECT_TRUE(p2.IsAborted());
}
