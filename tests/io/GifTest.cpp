// GIF codec and LZW coders: corpus pictures by frame, hand-built files for the container rules, round trips
// through netpbm and ImageMagick, malformed input.
#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/io/GIFFilt.h"
#include "imaging/io/GIFLzw.h"

using namespace ox;
namespace fs = std::filesystem;
using gfx::TDib;
using gfx::TPixelFormat;
using gfx::TRGB;

namespace {

const fs::path kGif = fs::path(VANTREL_CORPUS) / "gif";

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Tests of the built-in coders, which need no installing.
using WithCoders = ::testing::Test;

struct Frame {
  bool aborted = false;
  TDib dib;
  TOXMask mask;
};

Frame ReadFrame(const std::vector<uint8_t>& bytes, TIOParamsVals& params, int index = 0) {
  Frame f;
  params.GifImageIndex = index;
  TOXMemoryStream s(bytes);
  TProgressRec progress;
  ReadGifStream(s, &f.dib, nullptr, &f.mask, false, progress, params);
  f.aborted = progress.IsAborted();
  return f;
}

// RGBA of a decoded pixel: alpha from the mask.
std::array<uint8_t, 4> PixelOf(const Frame& f, int x, int y) {
  const gfx::TColor c = f.dib.GetPixelColor(x, y);
  return {gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c), uint8_t(f.mask.GetPixel(x, y))};
}

// Every opaque pixel of the frame that lies on the screen must show on the composited canvas (frame n is
// painted last). Returns the number of pixels compared.
int CompareWithCanvas(const Frame& f, const TIOParamsVals& p, const uint8_t* canvas, int cw, int ch,
                      const std::string& what) {
  int compared = 0;
  for (int y = 0; y < f.dib.Height(); ++y)
    for (int x = 0; x < f.dib.Width(); ++x) {
      const int cx = p.GifLeft + x, cy = p.GifTop + y;
      if (cx >= cw || cy >= ch) continue;
      const auto px = PixelOf(f, x, y);
      if (px[3] == 0) continue;
      const uint8_t* e = canvas + (int64_t(cy) * cw + cx) * 4;
      EXPECT_EQ(e[3], 255) << what << " at " << x << "," << y;
      EXPECT_TRUE(px[0] == e[0] && px[1] == e[1] && px[2] == e[2])
          << what << " at " << x << "," << y << ": " << int(px[0]) << "," << int(px[1]) << "," << int(px[2])
          << " expected " << int(e[0]) << "," << int(e[1]) << "," << int(e[2]);
      ++compared;
      if (::testing::Test::HasFailure()) return compared;
    }
  return compared;
}

// A PNG as 8-bit RGBA rows, through libpng's simplified interface.
std::vector<uint8_t> PngRgba(const fs::path& path, int& w, int& h) {
  const std::vector<uint8_t> bytes = ReadFile(path);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> rgba;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return rgba;
  image.format = PNG_FORMAT_RGBA;
  rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
  w = int(image.width);
  h = int(image.height);
  return rgba;
}

using Ini = std::map<std::string, std::map<std::string, std::string>>;

Ini ReadIni(const fs::path& p) {
  Ini ini;
  std::ifstream f(p);
  std::string line, section;
  while (std::getline(f, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    auto trim = [](std::string s) {
      s.erase(0, s.find_first_not_of(" \t"));
      s.erase(s.find_last_not_of(" \t\r") + 1);
      return s;
    };
    ini[section][trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  return ini;
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream ss(s);
  std::string item;
  while (std::getline(ss, item, ','))
    if (!item.empty()) out.push_back(item);
  return out;
}

// Little-endian GIF assembly for hand-made cases; pixel data comes from our encoder.
struct GifBuilder {
  std::vector<uint8_t> b;
  void U8(int v) { b.push_back(uint8_t(v)); }
  void U16(int v) {
    U8(v & 255);
    U8(v >> 8);
  }
  void Header(int w, int h, const std::vector<TRGB>& global, int bg = 0, const char* version = "GIF89a") {
    b.insert(b.end(), version, version + 6);
    U16(w);
    U16(h);
    int bits = 0;
    while ((1 << bits) < int(global.size())) ++bits;
    U8(global.empty() ? 0 : 0x80 | (std::max(bits, 1) - 1));
    U8(bg);
    U8(0);
    Table(global);
  }
  void Table(const std::vector<TRGB>& t) {
    for (const TRGB& c : t) {
      U8(c.r);
      U8(c.g);
      U8(c.b);
    }
  }
  void Gce(int flags, int delay, int transparent) {
    b.insert(b.end(), {0x21, 0xF9, 0x04});
    U8(flags);
    U16(delay);
    U8(transparent);
    U8(0);
  }
  void Image(int left, int top, int w, int h, const std::vector<uint8_t>& idx, int bits,
             const std::vector<TRGB>& local = {}, bool interlaced = false) {
    U8(0x2C);
    U16(left);
    U16(top);
    U16(w);
    U16(h);
    int lbits = 0;
    while ((1 << lbits) < int(local.size())) ++lbits;
    U8((local.empty() ? 0 : 0x80 | (std::max(lbits, 1) - 1)) | (interlaced ? 0x40 : 0));
    Table(local);
    TOXMemoryStream s;
    GifLzwEncode(s, h, w, bits, idx.data(), interlaced);
    b.insert(b.end(), s.Bytes().begin(), s.Bytes().end());
  }
  void Trailer() { U8(0x3B); }
};

const std::vector<TRGB> kFour = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// LZW coders on their own

TEST(GifLzw, RoundTripsEveryDepthAndShape) {
  std::mt19937 rng(7);
  for (int bits = 1; bits <= 8; ++bits)
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {64, 64}, {300, 201}})
      for (bool interlaced : {false, true})
        for (bool runs : {false, true}) {
          std::vector<uint8_t> px(size_t(w * h));
          for (size_t i = 0; i < px.size(); ++i)
            px[i] = uint8_t(runs ? (i / 37) % (1u << bits) : rng() % (1u << bits));
          TOXMemoryStream s;
          GifLzwEncode(s, h, w, bits, px.data(), interlaced);
          const int64_t end = s.Position();
          s.Write("x", 1);  // whatever follows the image data stays unread
          s.SetPosition(0);
          std::vector<uint8_t> out(px.size(), 0xEE);
          GifLzwDecode(s, h, w, out.data(), interlaced);
          EXPECT_EQ(s.Position(), end) << bits << " " << w << "x" << h;
          EXPECT_EQ(out, px) << bits << " " << w << "x" << h << " interlaced " << interlaced << " runs " << runs;
        }
}

TEST(GifLzw, FailsWithoutConsumingWhenNothingDecodes) {
  // Minimum code size 2, first code 7: not in the table.
  for (std::vector<uint8_t> data : {std::vector<uint8_t>{2, 2, 0xFF, 0xFF, 0}, {12, 2, 0x10, 0x01, 0}, {0, 1, 0, 0},
                                    {0xFF, 1, 0, 0}}) {
    TOXMemoryStream s(data);
    uint8_t px[4] = {9, 9, 9, 9};
    GifLzwDecode(s, 2, 2, px, false);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(px[0], 9);
  }
}

TEST(GifLzw, ShortDataLeavesTheRestAndExtraDataIsDropped) {
  std::vector<uint8_t> px = {1, 2, 3, 0, 1, 2};
  TOXMemoryStream full;
  GifLzwEncode(full, 2, 3, 2, px.data(), false);
  // Decoding into a smaller picture drops the surplus pixels and still consumes the whole data.
  {
    full.SetPosition(0);
    std::vector<uint8_t> out(3, 0);
    GifLzwDecode(full, 1, 3, out.data(), false);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(full.Position(), full.Size());
  }
  // Into a larger one: the pixels past the data keep the caller's values.
  {
    full.SetPosition(0);
    std::vector<uint8_t> out(12, 7);
    GifLzwDecode(full, 4, 3, out.data(), false);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 0, 1, 2, 7, 7, 7, 7, 7, 7}));
  }
  // Data cut off inside a sub-block: what is there is used, nothing is read past the end.
  {
    std::vector<uint8_t> cut(full.Bytes().begin(), full.Bytes().end() - 2);
    TOXMemoryStream s(cut);
    std::vector<uint8_t> out(6, 7);
    GifLzwDecode(s, 2, 3, out.data(), false);
    EXPECT_EQ(s.Position(), int64_t(cut.size()));
    EXPECT_EQ(out[0], 1);
  }
}

// ---------------------------------------------------------------------------------------------------------
// Corpus: pygif expected canvases, gif-test-suite frame pictures

TEST_F(WithCoders, PygifFramesMatchTheExpectedCanvases) {
  const fs::path dir = kGif / "pygif";
  // Files whose frame this reader refuses on purpose (a frame of zero size; two of them also cut off their
  // local table, which ends the data before the frame).
  const std::set<std::string> refused = {"image-zero-height", "image-zero-size", "image-zero-width"};
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".conf") continue;
    const std::string name = entry.path().stem().string();
    Ini ini = ReadIni(entry.path());
    const auto frames = Split(ini["config"]["frames"]);
    if (frames.empty()) continue;
    const int cw = std::stoi(ini["config"]["width"]), ch = std::stoi(ini["config"]["height"]);
    const std::vector<uint8_t> bytes = ReadFile(dir / ini["config"]["input"]);
    ++files;
    // Where images without their own delay make up one shown frame, only the last image of the file can be
    // held against the last canvas.
    const int images = GifFrameCount(*std::make_unique<TOXMemoryStream>(bytes));
    const bool grouped = images > int(frames.size());
    for (size_t n = grouped ? frames.size() - 1 : 0; n < frames.size(); ++n) {
      SCOPED_TRACE(name + " frame " + std::to_string(n));
      const std::vector<uint8_t> canvas = ReadFile(dir / ini[frames[n]]["pixels"]);
      ASSERT_EQ(canvas.size(), size_t(cw) * ch * 4);
      TIOParamsVals p;
      Frame f = ReadFrame(bytes, p, grouped ? images - 1 : int(n));
      if (refused.count(name)) {
        EXPECT_TRUE(f.aborted || p.GifImageCount == 0);
        continue;
      }
      ASSERT_FALSE(f.aborted);
      if (int(n) >= p.GifImageCount) {
        // No image for this frame at all (no-data): the canvas shows nothing painted.
        for (size_t i = 3; i < canvas.size(); i += 4) EXPECT_EQ(canvas[i], 0);
        continue;
      }
      EXPECT_EQ(p.GifScreenWidth, cw);
      EXPECT_EQ(p.GifScreenHeight, ch);
      EXPECT_EQ(p.GifVersion, ini["config"]["version"]);
      if (!grouped && ini[frames[n]].count("delay")) {
        EXPECT_EQ(p.GifDelayTime, std::stoi(ini[frames[n]]["delay"]));
      }
      CompareWithCanvas(f, p, canvas.data(), cw, ch, name);
    }
  }
  EXPECT_GT(files, 70);
}

TEST_F(WithCoders, PygifFilesWithoutAPicture) {
  const fs::path dir = kGif / "pygif";
  struct Case {
    const char* name;
    bool aborted;
    int frames;
  };
  // invalid-colors: its one pixel index lies past the two-entry table; it reads as the lookup gives it.
  // plain-text: the image after the plain-text extension is an ordinary frame to this reader.
  for (const Case& c : {Case{"invalid-code", true, 0}, Case{"overflow-codes", true, 0},
                        Case{"overflow-codes-max", true, 0}, Case{"zero-size", false, 0}, Case{"zero-width", false, 0},
                        Case{"zero-height", false, 0}, Case{"max-size", false, 0}, Case{"invalid-colors", false, 1},
                        Case{"plain-text", false, 1}}) {
    SCOPED_TRACE(c.name);
    TIOParamsVals p;
    TDib before(3, 2, TPixelFormat::pf24bit);
    Frame f;
    f.dib = before;
    TOXMemoryStream s(ReadFile(dir / (std::string(c.name) + ".gif")));
    TProgressRec progress;
    ReadGifStream(s, &f.dib, nullptr, &f.mask, false, progress, p);
    EXPECT_EQ(progress.IsAborted(), c.aborted);
    if (c.aborted || c.frames == 0) {
      EXPECT_EQ(f.dib.Width(), 3);
    }
    if (!c.aborted) {
      EXPECT_EQ(p.GifImageCount, c.frames);
    }
  }
}

TEST_F(WithCoders, GifTestSuiteFramesMatchTheirPictures) {
  const fs::path dir = kGif / "gif-test-suite" / "gifs";
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".gif") continue;
    const std::string name = entry.path().stem().string();
    const std::vector<uint8_t> bytes = ReadFile(entry.path());
    const int count = GifFrameCount(entry.path().string());
    EXPECT_EQ(count, fs::exists(dir / "frames" / (name + ".png")) ? 1 : 4) << name;
    for (int n = 0; n < count; ++n) {
      const fs::path png = count == 1 ? dir / "frames" / (name + ".png")
                                      : dir / "frames" / (name + "-" + std::to_string(n) + ".png");
      SCOPED_TRACE(png.filename().string());
      int cw = 0, ch = 0;
      const std::vector<uint8_t> canvas = PngRgba(png, cw, ch);
      ASSERT_GT(cw, 0);
      TIOParamsVals p;
      Frame f = ReadFrame(bytes, p, n);
      ASSERT_FALSE(f.aborted);
      EXPECT_EQ(p.GifImageCount, count);
      if (p.GifLeft >= cw || p.GifTop >= ch) continue;  // the frame lies off the screen
      compared += CompareWithCanvas(f, p, canvas.data(), cw, ch, name);
    }
  }
  EXPECT_GT(compared, 13 * 1000);
}

TEST_F(WithCoders, MalformedAndCutOffFilesEndCleanly) {
  std::mt19937 rng(11);
  std::vector<fs::path> files;
  for (const char* sub : {"pygif", "gif-test-suite/gifs"})
    for (const auto& e : fs::directory_iterator(kGif / sub))
      if (e.path().extension() == ".gif") files.push_back(e.path());
  int aborted = 0, runs = 0;
  for (const fs::path& path : files) {
    const std::vector<uint8_t> bytes = ReadFile(path);
    if (bytes.size() > 20000) continue;  // the 65535-pixel-wide cases only take time here
    std::vector<std::vector<uint8_t>> variants;
    for (size_t cut : {size_t(5), size_t(13), bytes.size() / 2, bytes.size() - 1})
      if (cut < bytes.size()) variants.emplace_back(bytes.begin(), bytes.begin() + long(cut));
    for (int k = 0; k < 6; ++k) {
      std::vector<uint8_t> v = bytes;
      for (int j = 0; j < 4; ++j) v[13 + rng() % (v.size() - 13)] = uint8_t(rng());
      variants.push_back(std::move(v));
    }
    for (const auto& v : variants) {
      for (int index : {0, 1}) {
        TIOParamsVals p;
        p.GifImageIndex = index;
        TOXMemoryStream ps(v);
        TProgressRec pr;
        ReadGifStream(ps, nullptr, nullptr, nullptr, true, pr, p);
        // A damaged size field may ask for a large but allowed picture; that only costs time here.
        if (!pr.IsAborted() && int64_t(p.Width) * p.Height > (1 << 18)) continue;
        Frame f = ReadFrame(v, p, index);
        aborted += f.aborted;
        ++runs;
        if (!f.aborted && !f.dib.Empty() && p.GifImageCount > index) {
          EXPECT_EQ(f.dib.Width(), p.Width);
          EXPECT_EQ(f.mask.Width, p.Width);
        }
      }
      TOXMemoryStream s(v);
      GifFrameCount(s);
    }
  }
  EXPECT_GT(aborted, 0);
  EXPECT_GT(runs, 1000);
}

// ---------------------------------------------------------------------------------------------------------
// Reader rules on hand-built files

TEST(GifHooks, WithoutCodersReadAndWriteAbortButParamsAreRead) {
  // The built-in coders taken away for this test and given back after it.
  DefaultGifLzwDecoder = nullptr;
  DefaultGifLzwEncoder = nullptr;
  struct TGiveBack {
    ~TGiveBack() { InstallGifLzwCoders(); }
  } giveBack;
  GifBuilder g;
  g.Header(5, 4, kFour, 2);
  g.Image(1, 1, 3, 2, {0, 1, 2, 3, 2, 1}, 2);
  g.Image(0, 0, 5, 4, std::vector<uint8_t>(20, 1), 2);
  g.Trailer();

  TIOParamsVals p;
  TDib dib(2, 2, TPixelFormat::pf24bit);
  dib.SetPixelColor(0, 0, 0x123456);
  TOXMemoryStream s(g.b);
  TProgressRec progress;
  ReadGifStream(s, &dib, nullptr, nullptr, false, progress, p);
  EXPECT_TRUE(progress.IsAborted());
  EXPECT_EQ(dib.Width(), 2);
  EXPECT_EQ(dib.GetPixelColor(0, 0), 0x123456u);

  TIOParamsVals q;
  TOXMemoryStream s2(g.b);
  TProgressRec progress2;
  int count = -1;
  ReadGifStream(s2, nullptr, &count, nullptr, true, progress2, q);
  EXPECT_FALSE(progress2.IsAborted());
  EXPECT_EQ(q.Width, 3);
  EXPECT_EQ(q.Height, 2);
  EXPECT_EQ(q.GifImageCount, 2);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(q.GifScreenWidth, 5);
  EXPECT_EQ(q.GifScreenHeight, 4);
  EXPECT_EQ(q.ColorMapCount, 4);
  EXPECT_EQ(q.ColorMap[1], (TRGB{255, 0, 0}));
  EXPECT_EQ(q.GifBackgroundColor, (TRGB{0, 255, 0}));

  TOXMemoryStream out;
  TProgressRec wp;
  WriteGifStream(out, TDib(4, 4, TPixelFormat::pf24bit), q, wp);
  EXPECT_TRUE(wp.IsAborted());
  ASSERT_GT(out.Size(), 0);
  EXPECT_NE(out.Bytes().back(), 0x3B);
}

TEST_F(WithCoders, FrameByIndexTakesItsOwnControlExtensionAndTables) {
  const std::vector<TRGB> local = {{10, 20, 30}, {40, 50, 60}};
  GifBuilder g;
  g.Header(4, 4, kFour, 3);
  for (int i = 0; i < 5; ++i) {
    g.Gce(i == 2 ? 1 | 8 : 0, 10 * (i + 1), i == 2 ? 1 : 0);
    if (i == 2)
      g.Image(1, 2, 2, 2, {0, 1, 1, 0}, 1, local, true);
    else
      g.Image(0, 0, 4, 4, std::vector<uint8_t>(16, uint8_t(i % 4)), 2);
  }
  g.Trailer();

  TIOParamsVals p;
  Frame f = ReadFrame(g.b, p, 2);
  ASSERT_FALSE(f.aborted);
  EXPECT_EQ(p.GifImageCount, 5);
  EXPECT_EQ(p.GifDelayTime, 30);
  EXPECT_TRUE(p.GifTransparent);
  EXPECT_TRUE(p.GifInterlaced);
  EXPECT_EQ(p.GifLeft, 1);
  EXPECT_EQ(p.GifTop, 2);
  EXPECT_EQ(p.GifTransparentColor, local[1]);
  EXPECT_EQ(p.GifBackgroundColor, kFour[3]);  // always the global table
  EXPECT_EQ(p.BitsPerSample, 1);
  EXPECT_EQ(p.ColorMapCount, 2);
  EXPECT_EQ(p.ColorMap, local);
  ASSERT_EQ(f.dib.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(PixelOf(f, 0, 0), (std::array<uint8_t, 4>{10, 20, 30, 255}));
  EXPECT_EQ(PixelOf(f, 1, 0), (std::array<uint8_t, 4>{40, 50, 60, 0}));
  EXPECT_EQ(PixelOf(f, 0, 1), (std::array<uint8_t, 4>{40, 50, 60, 0}));
  EXPECT_EQ(PixelOf(f, 1, 1), (std::array<uint8_t, 4>{10, 20, 30, 255}));
  EXPECT_EQ(GifFrameCount(*std::make_unique<TOXMemoryStream>(g.b)), 5);

  // A frame index past the last leaves the DIB alone, without failing.
  TIOParamsVals q;
  Frame none;
  none.dib = TDib(7, 7, TPixelFormat::pf24bit);
  q.GifImageIndex = 5;
  TOXMemoryStream s(g.b);
  TProgressRec progress;
  ReadGifStream(s, &none.dib, nullptr, &none.mask, false, progress, q);
  EXPECT_FALSE(progress.IsAborted());
  EXPECT_EQ(none.dib.Width(), 7);
  EXPECT_EQ(q.GifImageCount, 5);
}

TEST_F(WithCoders, TwoColourFramesAndTheirDib) {
  const std::vector<TRGB> bw = {{0, 0, 0}, {255, 255, 255}}, wb = {{255, 255, 255}, {0, 0, 0}};
  std::vector<uint8_t> idx(9 * 2);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t((i * 7 + 1) % 3 == 0);
  idx[8] = 1;   // the ninth pixel of the first row
  idx[17] = 0;
  for (const auto& pal : {bw, wb}) {
    GifBuilder g;
    g.Header(9, 2, pal);
    g.Image(0, 0, 9, 2, idx, 1);
    g.Trailer();
    TIOParamsVals p;
    Frame f = ReadFrame(g.b, p);
    ASSERT_FALSE(f.aborted);
    EXPECT_EQ(f.dib.PixelFormat(), pal == bw ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 9; ++x) {
        const TRGB& c = pal[idx[size_t(y * 9 + x)]];
        EXPECT_EQ(f.dib.GetPixelColor(x, y), gfx::RGBColor(c.r, c.g, c.b)) << x << "," << y;
        EXPECT_EQ(f.mask.GetPixel(x, y), 255);  // no control extension: opaque, index 0 included
      }
  }
}

TEST_F(WithCoders, IndexesPastTheTablesAreBounded) {
  // Minimum code size 3 over a two-entry table: indexes 0..7 reach the reader.
  GifBuilder g;
  g.Header(8, 1, {{0, 0, 0}, {255, 255, 255}}, 200);
  g.Gce(1, 0, 250);
  g.Image(0, 0, 8, 1, {0, 1, 2, 3, 4, 5, 6, 7}, 3);
  g.Trailer();
  TIOParamsVals p;
  Frame f = ReadFrame(g.b, p);
  ASSERT_FALSE(f.aborted);
  ASSERT_EQ(f.dib.PixelFormat(), TPixelFormat::pf1bit);  // above 1 counts as 1
  for (int x = 0; x < 8; ++x) EXPECT_EQ(f.dib.GetPixelColor(x, 0), x == 0 ? 0u : 0xFFFFFFu);
  EXPECT_EQ(p.GifBackgroundColor, (TRGB{}));
  EXPECT_EQ(p.GifTransparentColor, (TRGB{}));

  // Four-entry table, 24-bit: indexes past it are black.
  GifBuilder h;
  h.Header(8, 1, kFour);
  h.Image(0, 0, 8, 1, {0, 1, 2, 3, 4, 5, 6, 7}, 3);
  h.Trailer();
  Frame f2 = ReadFrame(h.b, p);
  ASSERT_EQ(f2.dib.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(f2.dib.GetPixelColor(1, 0), gfx::RGBColor(255, 0, 0));
  for (int x = 4; x < 8; ++x) EXPECT_EQ(f2.dib.GetPixelColor(x, 0), 0u);

  // No table at all: a gray ramp of 256 levels.
  GifBuilder n;
  n.Header(3, 1, {});
  n.Image(0, 0, 3, 1, {0, 128, 255}, 8);
  n.Trailer();
  Frame f3 = ReadFrame(n.b, p);
  ASSERT_FALSE(f3.aborted);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.ColorMapCount, 256);
  EXPECT_EQ(f3.dib.GetPixelColor(1, 0), gfx::RGBColor(128, 128, 128));
  EXPECT_EQ(f3.dib.GetPixelColor(2, 0), 0xFFFFFFu);
}

TEST_F(WithCoders, ControlExtensionOfAnotherLengthAndShortImages) {
  GifBuilder g;
  g.Header(3, 2, kFour, 2);
  // Six bytes in the first sub-block and a second sub-block before the terminator.
  g.b.insert(g.b.end(), {0x21, 0xF9, 0x06, 0x01, 0x05, 0x00, 0x03, 0xAA, 0xBB, 0x02, 0xCC, 0xDD, 0x00});
  // Image data for 2 of the 6 pixels.
  g.U8(0x2C);
  g.U16(0), g.U16(0), g.U16(3), g.U16(2), g.U8(0);
  TOXMemoryStream part;
  const std::vector<uint8_t> two = {1, 3};
  GifLzwEncode(part, 1, 2, 2, two.data(), false);
  g.b.insert(g.b.end(), part.Bytes().begin(), part.Bytes().end());
  g.Trailer();
  TIOParamsVals p;
  Frame f = ReadFrame(g.b, p);
  ASSERT_FALSE(f.aborted);
  EXPECT_EQ(p.GifDelayTime, 5);
  EXPECT_TRUE(p.GifTransparent);
  EXPECT_EQ(p.GifTransparentColor, kFour[3]);
  EXPECT_EQ(p.GifImageCount, 1);
  EXPECT_EQ(f.dib.GetPixelColor(0, 0), gfx::RGBColor(255, 0, 0));
  EXPECT_EQ(f.mask.GetPixel(1, 0), 0);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(f.dib.GetPixelColor(i % 3, i / 3), gfx::RGBColor(0, 255, 0));  // background
}

TEST_F(WithCoders, ZeroSizedFramesAbortWithoutCallingTheDecoder) {
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {0, 0}}) {
    GifBuilder g;
    g.Header(5, 5, kFour);
    g.U8(0x2C);
    g.U16(0), g.U16(0), g.U16(w), g.U16(h), g.U8(0);
    g.b.insert(g.b.end(), {2, 2, 0x4C, 0x01, 0, 0x3B});
    TIOParamsVals p;
    int calls = 0;
    p.GifLzwDecoder = [&](TOXStream& s, int hh, int ww, uint8_t* px, bool il) {
      ++calls;
      GifLzwDecode(s, hh, ww, px, il);
    };
    Frame f = ReadFrame(g.b, p);
    EXPECT_TRUE(f.aborted);
    EXPECT_EQ(calls, 0);
  }
}

TEST_F(WithCoders, HeaderFailuresAndFrameCounter) {
  for (std::vector<uint8_t> bad : {std::vector<uint8_t>{}, {'G', 'I', 'F'}, {'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B},
                                   {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}}) {
    TIOParamsVals p;
    Frame f = ReadFrame(bad, p);
    EXPECT_TRUE(f.aborted) << bad.size();
    TOXMemoryStream s(bad);
    EXPECT_EQ(GifFrameCount(s), 0);
  }
  EXPECT_EQ(GifFrameCount((kGif / "nothing-here.gif").string()), 0);
  EXPECT_EQ(GifFrameCount((kGif / "pygif" / "animation.gif").string()), 4);
  EXPECT_EQ(GifFrameCount((kGif / "pygif" / "README.md").string()), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Writer

namespace {

std::vector<uint8_t> Write(const TDib& dib, TIOParamsVals& p, bool* aborted = nullptr) {
  TOXMemoryStream s;
  TProgressRec progress;
  std::vector<int> reports;
  progress.OnProgress = [&](TOrvexIO*, int v) { reports.push_back(v); };
  WriteGifStream(s, dib, p, progress);
  if (aborted) *aborted = progress.IsAborted();
  if (!progress.IsAborted()) {
    EXPECT_EQ(reports, (std::vector<int>{0, 30, 70, 100}));
  }
  return s.Bytes();
}

TDib Pattern(int w, int h, int colours) {
  TDib d(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int k = (x / 3 + y * 5) % colours;
      d.SetPixelColor(x, y, gfx::RGBColor(uint8_t(k * 37), uint8_t(255 - k * 11), uint8_t(k * 91)));
    }
  return d;
}

}  // namespace

TEST_F(WithCoders, WriterFieldsAndReadBack) {
  TIOParamsVals p;
  p.BitsPerSample = 4;
  p.GifVersion = "GIF87a";
  p.GifTransparent = true;
  p.GifTransparentColor = TRGB{0, 0, 0};
  p.GifDelayTime = 77;
  p.GifLeft = 3;
  p.GifTop = 9;
  p.GifInterlaced = true;
  const TDib src = Pattern(21, 13, 12);
  const std::vector<uint8_t> b = Write(src, p);
  ASSERT_GT(b.size(), 13u + 48 + 8 + 10);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF87a");
  EXPECT_EQ(b[10], 0x80 + 3 * 16 + 3);
  const size_t gce = 13 + 48;
  EXPECT_EQ(b[gce], 0x21);
  EXPECT_EQ(b[gce + 1], 0xF9);
  EXPECT_EQ(b[gce + 3], 8 + 1);
  EXPECT_EQ(b[gce + 4] | b[gce + 5] << 8, 77);
  EXPECT_EQ(b[gce + 8], 0x2C);
  EXPECT_EQ(b[gce + 17], 64);
  EXPECT_EQ(b.back(), 0x3B);

  TIOParamsVals q;
  Frame f = ReadFrame(b, q);
  ASSERT_FALSE(f.aborted);
  EXPECT_EQ(q.GifDelayTime, 77);
  EXPECT_TRUE(q.GifInterlaced);
  EXPECT_EQ(q.GifLeft, 3);
  EXPECT_EQ(q.GifTop, 9);
  EXPECT_EQ(q.BitsPerSample, 4);
  // Twelve colours in a sixteen-colour palette: each comes back close (the quantizer may round its channels).
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 21; ++x) {
      const gfx::TColor a = f.dib.GetPixelColor(x, y), e = src.GetPixelColor(x, y);
      EXPECT_NEAR(gfx::RedOf(a), gfx::RedOf(e), 8) << x << "," << y;
      EXPECT_NEAR(gfx::GreenOf(a), gfx::GreenOf(e), 8) << x << "," << y;
      EXPECT_NEAR(gfx::BlueOf(a), gfx::BlueOf(e), 8) << x << "," << y;
    }
}

TEST_F(WithCoders, WriterBitsScreenAndBilevel) {
  // BitsPerSample above 8 writes 256 colours; 0 and below one colour pair.
  for (auto [in, bits] : {std::pair{24, 8}, {8, 8}, {0, 1}, {-3, 1}, {1, 1}}) {
    TIOParamsVals p;
    p.BitsPerSample = in;
    const std::vector<uint8_t> b = Write(Pattern(10, 10, 4), p);
    ASSERT_GT(b.size(), 13u);
    EXPECT_EQ(b[10] & 7, bits - 1) << in;
  }
  bool aborted = false;
  TIOParamsVals p;
  Write(TDib(65536, 1, TPixelFormat::pf1bit), p, &aborted);
  EXPECT_TRUE(aborted);

  // Red and yellow at one bit keep their colours, the darker red on index 0.
  TDib ry(4, 1, TPixelFormat::pf24bit);
  for (int x = 0; x < 4; ++x) ry.SetPixelColor(x, 0, x % 2 ? gfx::RGBColor(255, 255, 0) : gfx::RGBColor(255, 0, 0));
  TIOParamsVals q;
  q.BitsPerSample = 1;
  const std::vector<uint8_t> b = Write(ry, q);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 13, b.begin() + 19), (std::vector<uint8_t>{255, 0, 0, 255, 255, 0}));
  TIOParamsVals r;
  Frame f = ReadFrame(b, r);
  EXPECT_EQ(f.dib.GetPixelColor(0, 0), gfx::RGBColor(255, 0, 0));
  EXPECT_EQ(f.dib.GetPixelColor(1, 0), gfx::RGBColor(255, 255, 0));

  // A 1-bit picture whose palette is white, black keeps its look.
  TDib inv(3, 1, TPixelFormat::pf1bit);
  inv.SetPalette({TRGB{255, 255, 255}, TRGB{0, 0, 0}});
  inv.ScanLine(0)[0] = 0x40;  // pixel 1 is black
  Frame g = ReadFrame(Write(inv, q), r);
  EXPECT_EQ(g.dib.GetPixelColor(0, 0), 0xFFFFFFu);
  EXPECT_EQ(g.dib.GetPixelColor(1, 0), 0u);
}

TEST_F(WithCoders, ShortWritesAbort) {
  class TLimited : public TOXMemoryStream {
   public:
    explicit TLimited(int64_t room) : room_(room) {}
    int64_t Write(const void* b, int64_t n) override {
      const int64_t k = std::min(n, room_ - Size());
      return k > 0 ? TOXMemoryStream::Write(b, k) : 0;
    }
    int64_t room_;
  };
  for (int64_t room : {5, 40, 700}) {
    TLimited s(room);
    TIOParamsVals p;
    TProgressRec progress;
    WriteGifStream(s, Pattern(30, 30, 200), p, progress);
    EXPECT_TRUE(progress.IsAborted()) << room;
  }
}

// ---------------------------------------------------------------------------------------------------------
// Reference tools: giftopnm and ImageMagick

namespace {

bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

// ImageMagick 6 itself, not any wrapper earlier on the path.
const char* kConvert = "/usr/bin/convert-im6.q16";

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("vantrel-gif-" + std::to_string(::getpid()) + "-" + std::to_string(std::rand()));
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

int Shell(const std::string& cmd) { return std::system((cmd + " 2>/dev/null").c_str()); }

// P6 or P5 with maxval 255, or P4; always returned as RGB.
bool ReadPnm(const fs::path& p, int& w, int& h, std::vector<uint8_t>& rgb) {
  std::ifstream f(p, std::ios::binary);
  std::string magic;
  int maxval = 255;
  f >> magic >> w >> h;
  if (magic != "P4") f >> maxval;
  f.get();
  if (magic == "P4") {
    const size_t stride = size_t(w + 7) / 8;
    std::vector<uint8_t> raw(stride * size_t(h));
    f.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()));
    rgb.resize(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool black = (raw[size_t(y) * stride + size_t(x / 8)] >> (7 - x % 8)) & 1;
        std::memset(&rgb[(size_t(y) * w + x) * 3], black ? 0 : 255, 3);
      }
    return bool(f);
  }
  if (!f || maxval != 255 || (magic != "P6" && magic != "P5")) return false;
  const size_t n = size_t(w) * h;
  std::vector<uint8_t> raw(magic == "P6" ? n * 3 : n);
  f.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()));
  rgb.resize(n * 3);
  for (size_t i = 0; i < n; ++i)
    for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = magic == "P6" ? raw[i * 3 + c] : raw[i];
  return bool(f);
}

}  // namespace

TEST_F(WithCoders, OurFilesReadByGiftopnmAndImageMagick) {
  if (!HaveTool("giftopnm") || !fs::exists(kConvert)) GTEST_SKIP() << "netpbm or ImageMagick missing";
  TempDir tmp;
  int n = 0;
  for (int bits : {1, 2, 5, 8})
    for (bool interlaced : {false, true}) {
      TIOParamsVals p;
      p.BitsPerSample = bits;
      p.GifInterlaced = interlaced;
      const TDib src = Pattern(37, 23, 1 << bits);
      const fs::path gif = tmp.path / ("o" + std::to_string(n++) + ".gif");
      WriteFile(gif, Write(src, p));
      TIOParamsVals q;
      Frame ours = ReadFrame(ReadFile(gif), q);
      ASSERT_FALSE(ours.aborted);
      for (const std::string& cmd : {"giftopnm " + gif.string() + " > " + gif.string() + ".ppm",
                                     std::string(kConvert) + " " + gif.string() + " ppm:" + gif.string() + ".ppm"}) {
        SCOPED_TRACE(cmd);
        ASSERT_EQ(Shell(cmd), 0);
        int w, h;
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(ReadPnm(gif.string() + ".ppm", w, h, rgb));
        ASSERT_EQ(w, 37);
        ASSERT_EQ(h, 23);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const gfx::TColor c = ours.dib.GetPixelColor(x, y);
            const uint8_t* e = rgb.data() + (y * w + x) * 3;
            ASSERT_TRUE(e[0] == gfx::RedOf(c) && e[1] == gfx::GreenOf(c) && e[2] == gfx::BlueOf(c)) << x << "," << y;
          }
      }
    }
  // Transparency as giftopnm sees it.
  TIOParamsVals p;
  p.BitsPerSample = 3;
  p.GifTransparent = true;
  TDib src = Pattern(9, 9, 6);
  const gfx::TColor key = src.GetPixelColor(0, 0);
  p.GifTransparentColor = TRGB{gfx::RedOf(key), gfx::GreenOf(key), gfx::BlueOf(key)};
  const fs::path gif = tmp.path / "t.gif";
  WriteFile(gif, Write(src, p));
  ASSERT_EQ(Shell("giftopnm -alphaout=" + gif.string() + ".pgm " + gif.string() + " > /dev/null"), 0);
  int w, h;
  std::vector<uint8_t> alpha;
  ASSERT_TRUE(ReadPnm(gif.string() + ".pgm", w, h, alpha));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(alpha[size_t(y * 9 + x) * 3], src.GetPixelColor(x, y) == key ? 0 : 255) << x << "," << y;
}

TEST_F(WithCoders, ImageMagickFilesReadByFrame) {
  if (!fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick missing";
  TempDir tmp;
  const std::string c = kConvert;
  const fs::path d = tmp.path;
  struct Case {
    std::string name, make;
    int frames;
  };
  const std::vector<Case> cases = {
      {"c2", c + " -size 33x17 pattern:checkerboard -colors 2 " + (d / "c2.gif").string(), 1},
      {"c7", c + " -size 40x30 plasma:fractal -seed 3 -colors 7 " + (d / "c7.gif").string(), 1},
      {"c256", c + " -size 120x90 gradient:red-blue -swirl 90 -colors 256 " + (d / "c256.gif").string(), 1},
      {"inter", c + " -size 61x47 plasma:fractal -seed 5 -colors 64 -interlace GIF " + (d / "inter.gif").string(), 1},
      {"transp", c + " -size 30x20 xc:none -fill red -draw 'circle 15,10 15,2' -fill blue -draw 'rectangle 0,0 6,6' " +
                     (d / "transp.gif").string(),
       1},
      {"anim", c + " -delay 12 -size 20x20 xc:red -page 25x25+3+4 -size 10x12 xc:lime -page +0+0 -size 25x25 " +
                   "plasma:fractal -colors 30 -page +5+5 -size 8x8 xc:none -fill blue -draw 'point 2,2' " +
                   (d / "anim.gif").string(),
       4},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ASSERT_EQ(Shell(k.make), 0);
    const fs::path gif = d / (k.name + ".gif");
    const std::vector<uint8_t> bytes = ReadFile(gif);
    EXPECT_EQ(GifFrameCount(gif.string()), k.frames);
    for (int n = 0; n < k.frames; ++n) {
      const fs::path raw = d / (k.name + std::to_string(n) + ".rgba");
      ASSERT_EQ(Shell(c + " '" + gif.string() + "[" + std::to_string(n) + "]' +repage -depth 8 rgba:" + raw.string()), 0);
      const std::vector<uint8_t> ref = ReadFile(raw);
      TIOParamsVals p;
      Frame f = ReadFrame(bytes, p, n);
      ASSERT_FALSE(f.aborted);
      EXPECT_EQ(p.GifImageCount, k.frames);
      ASSERT_EQ(ref.size(), size_t(p.Width) * p.Height * 4);
      int transparent = 0;
      for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
          const uint8_t* e = ref.data() + (int64_t(y) * p.Width + x) * 4;
          const auto px = PixelOf(f, x, y);
          ASSERT_EQ(px[3] == 0, e[3] == 0) << n << " at " << x << "," << y;
          transparent += px[3] == 0;
          if (e[3] != 0) {
            ASSERT_TRUE(px[0] == e[0] && px[1] == e[1] && px[2] == e[2]) << n << " at " << x << "," << y;
          }
        }
      if (k.name == "transp") {
        EXPECT_GT(transparent, 100);
      }
    }
  }
}
