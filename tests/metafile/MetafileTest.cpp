// The metafile player: exact pixels of small built files, damaged records, the corpus, the importer hook.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "imaging/io/oxio.h"
#include "imaging/io/oxioparams.h"
#include "platform/gfx/Dib.h"
#include "platform/metafile/Metafile.h"

using namespace platform;

namespace {

// Text needs a GUI application; the offscreen platform needs no display.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_metafile";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QGuiApplication> app_;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct TBytes {
  std::vector<uint8_t> b;
  TBytes& U16(int v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); return *this; }
  TBytes& U32(uint32_t v) { U16(int(v & 0xFFFF)); return U16(int(v >> 16)); }
  size_t Size() const { return b.size(); }
};

// A WMF record: size in words, function, 16-bit parameters as stored (last argument first).
void Wmf(TBytes& out, int fn, std::initializer_list<int> words) {
  out.U32(uint32_t(3 + words.size())).U16(fn);
  for (int w : words) out.U16(w);
}

TBytes PlaceableHeader(int l, int t, int r, int b, int inch) {
  TBytes o;
  o.U32(0x9AC6CDD7).U16(0).U16(l).U16(t).U16(r).U16(b).U16(inch).U32(0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(o.b[i] | o.b[i + 1] << 8);
  o.U16(sum);
  o.U16(1).U16(9).U16(0x0300).U32(0).U16(4).U32(0).U16(0);
  return o;
}

// Red filled rectangle (10,10)-(50,40) without outline, blue line along y = 70 from x 0 to 90.
TBytes RectAndLineWmf() {
  TBytes w = PlaceableHeader(0, 0, 100, 100, 96);
  Wmf(w, 0x020B, {0, 0});
  Wmf(w, 0x020C, {100, 100});
  Wmf(w, 0x02FC, {0, 0x00FF, 0x0000, 0});  // solid red brush -> slot 0
  Wmf(w, 0x012D, {0});
  Wmf(w, 0x02FA, {5, 0, 0, 0, 0});         // null pen -> slot 1
  Wmf(w, 0x012D, {1});
  Wmf(w, 0x041B, {40, 50, 10, 10});        // bottom, right, top, left
  Wmf(w, 0x02FA, {0, 1, 0, 0x0000, 0x00FF});  // blue pen -> slot 2
  Wmf(w, 0x012D, {2});
  Wmf(w, 0x0214, {70, 0});
  Wmf(w, 0x0213, {70, 90});
  Wmf(w, 0x0000, {});
  return w;
}

void Emf(TBytes& out, uint32_t type, std::initializer_list<uint32_t> dwords) {
  out.U32(type).U32(uint32_t(8 + 4 * dwords.size()));
  for (uint32_t d : dwords) out.U32(d);
}

// Reference device 1000 x 1000 px on 254 x 254 mm, frame 0..2540 (0.01 mm): 100 x 100 reference pixels.
TBytes EmfHeader() {
  TBytes e;
  e.U32(1).U32(88);
  for (uint32_t v : {0u, 0u, 99u, 99u, 0u, 0u, 2540u, 2540u}) e.U32(v);
  e.U32(0x464D4520).U32(0x10000).U32(0).U32(0).U16(4).U16(0).U32(0).U32(0).U32(0);
  e.U32(1000).U32(1000).U32(254).U32(254);
  return e;
}

void EmfEof(TBytes& e) { Emf(e, 14, {0, 16, 20}); }

// Green rectangle (60,10)-(90,30), blue triangle (10,50) (40,50) (10,80), both without outline.
TBytes RectAndPolygonEmf(bool withEof = true) {
  TBytes e = EmfHeader();
  Emf(e, 39, {1, 0, 0x0000FF00, 0});  // brush 1: solid green
  Emf(e, 37, {1});
  Emf(e, 37, {0x80000008});           // stock null pen
  Emf(e, 43, {60, 10, 90, 30});
  Emf(e, 39, {2, 0, 0x00FF0000, 0});  // brush 2: solid blue
  Emf(e, 37, {2});
  Emf(e, 86, {0, 0, 0, 0, 3, 10 | 50u << 16, 40 | 50u << 16, 10 | 80u << 16});
  if (withEof) EmfEof(e);
  return e;
}

gfx::TDib White(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d.SetPixelColor(x, y, gfx::RGBColor(255, 255, 255));
  return d;
}

constexpr gfx::TColor kWhite = gfx::RGBColor(255, 255, 255), kRed = gfx::RGBColor(255, 0, 0),
                      kGreen = gfx::RGBColor(0, 255, 0), kBlue = gfx::RGBColor(0, 0, 255);

struct TProbe { int x, y; gfx::TColor c; };

void ExpectPixels(const gfx::TDib& d, std::initializer_list<TProbe> probes) {
  for (const TProbe& p : probes)
    EXPECT_EQ(d.GetPixelColor(p.x, p.y), p.c) << "at " << p.x << "," << p.y;
}

}  // namespace

TEST(Metafile, PlaceableWmfDrawsExactPixels) {
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromBytes(RectAndLineWmf().b));
  EXPECT_FALSE(mf.Info().Enhanced);
  EXPECT_EQ(mf.Info().NaturalWidth, 100 * ox::kDefaultScreenDpi / 96);
  EXPECT_EQ(mf.Info().NaturalHeight, 100 * ox::kDefaultScreenDpi / 96);
  gfx::TDib d = White(100, 100);
  mf.Draw(d, 100, 100);
  ExpectPixels(d, {{10, 10, kRed}, {49, 39, kRed}, {30, 25, kRed}, {9, 10, kWhite}, {50, 39, kWhite},
                   {49, 40, kWhite}, {30, 70, kBlue}, {0, 70, kBlue}, {30, 69, kWhite}, {30, 71, kWhite},
                   {95, 70, kWhite}});
  // Twice the size: every logical unit covers two pixels.
  gfx::TDib big = White(200, 200);
  mf.Draw(big, 200, 200);
  ExpectPixels(big, {{20, 20, kRed}, {99, 79, kRed}, {100, 79, kWhite}, {19, 20, kWhite}, {60, 140, kBlue}});
}

TEST(Metafile, PlainWmfTakesItsSizeFromTheWindow) {
  TBytes plain;
  const TBytes placeable = RectAndLineWmf();
  plain.b.assign(placeable.b.begin() + 22, placeable.b.end());
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromBytes(plain.b));
  EXPECT_EQ(mf.Info().NaturalWidth, 100);
  EXPECT_EQ(mf.Info().NaturalHeight, 100);
  gfx::TDib d = White(100, 100);
  mf.Draw(d, 100, 100);
  ExpectPixels(d, {{10, 10, kRed}, {49, 39, kRed}, {50, 39, kWhite}, {30, 70, kBlue}});
}

TEST(Metafile, EmfDrawsExactPixels) {
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromBytes(RectAndPolygonEmf().b));
  EXPECT_TRUE(mf.Info().Enhanced);
  EXPECT_EQ(mf.Info().NaturalWidth, ox::kDefaultScreenDpi);  // one inch frame
  gfx::TDib d = White(100, 100);
  mf.Draw(d, 100, 100);
  ExpectPixels(d, {{60, 10, kGreen}, {89, 29, kGreen}, {90, 20, kWhite}, {75, 30, kWhite}, {59, 20, kWhite},
                   {11, 51, kBlue}, {20, 60, kBlue}, {38, 78, kWhite}, {9, 60, kWhite}, {20, 49, kWhite}});
}

TEST(Metafile, ClippingAndSavedStates) {
  TBytes e = EmfHeader();
  Emf(e, 39, {1, 0, 0x000000FF, 0});
  Emf(e, 37, {1});
  Emf(e, 37, {0x80000008});
  Emf(e, 33, {});                     // save
  Emf(e, 30, {0, 0, 50, 100});        // keep the left half
  Emf(e, 29, {10, 10, 20, 20});       // but not this square
  Emf(e, 43, {0, 0, 100, 50});
  Emf(e, 34, {uint32_t(-1)});         // restore: no clip
  Emf(e, 43, {0, 60, 100, 70});
  EmfEof(e);
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromBytes(e.b));
  gfx::TDib d = White(100, 100);
  mf.Draw(d, 100, 100);
  ExpectPixels(d, {{5, 5, kRed}, {49, 40, kRed}, {50, 40, kWhite}, {15, 15, kWhite}, {20, 15, kRed},
                   {90, 65, kRed}});
}

TEST(Metafile, StretchedDibRecords) {
  // 2 x 2 bottom-up 24-bit DIB: bottom row red, green; top row blue, white; drawn at 40 x 40.
  TBytes dib;
  dib.U32(40).U32(2).U32(2).U16(1).U16(24).U32(0).U32(16).U32(0).U32(0).U32(0).U32(0);
  for (uint8_t v : {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}) dib.b.push_back(v);  // BGR rows, padded

  // WMF: StretchDIB to (10,10) 40 x 40.
  TBytes w = PlaceableHeader(0, 0, 100, 100, 96);
  w.U32(uint32_t(3 + 11 + dib.Size() / 2)).U16(0x0F43);
  w.U32(0x00CC0020).U16(0).U16(2).U16(2).U16(0).U16(0).U16(40).U16(40).U16(10).U16(10);
  w.b.insert(w.b.end(), dib.b.begin(), dib.b.end());
  Wmf(w, 0, {});
  // EMF: StretchDIBits to the same place.
  TBytes e = EmfHeader();
  const uint32_t fixed = 8 + 72;
  e.U32(81).U32(uint32_t(fixed + dib.Size()));
  for (uint32_t v : {0u, 0u, 0u, 0u, 10u, 10u, 0u, 0u, 2u, 2u, fixed, 40u, fixed + 40, 16u, 0u, 0x00CC0020u, 40u, 40u})
    e.U32(v);
  e.b.insert(e.b.end(), dib.b.begin(), dib.b.end());
  EmfEof(e);

  for (const TBytes* file : {&w, &e}) {
    TMetafile mf;
    ASSERT_TRUE(mf.LoadFromBytes(file->b));
    gfx::TDib d = White(100, 100);
    mf.Draw(d, 100, 100);
    ExpectPixels(d, {{10, 30, kRed}, {29, 49, kRed}, {30, 30, kGreen}, {49, 49, kGreen}, {10, 10, kBlue},
                     {30, 10, kWhite}, {9, 30, kWhite}, {50, 30, kWhite}, {20, 50, kWhite}});
  }
}

TEST(Metafile, DamagedRecordsAreSkippedOrEndPlayback) {
  struct Case {
    const char* name;
    std::function<void(TBytes&)> insert;  // written between the two rectangles
    bool secondDrawn;
  };
  const std::vector<Case> cases = {
      {"polygon count past the data", [](TBytes& e) { Emf(e, 3, {0, 0, 0, 0, 0xFFFFFFFF, 1, 2}); }, true},
      {"polypolygon counts past the data",
       [](TBytes& e) { Emf(e, 8, {0, 0, 0, 0, 0x40000000, 0x40000000, 5}); }, true},
      {"polypolygon counts not summing",
       [](TBytes& e) { Emf(e, 91, {0, 0, 0, 0, 2, 3, 0xFFFFFFFF, 4, 0, 0}); }, true},
      {"huge DIB", [](TBytes& e) {
         Emf(e, 81, {0, 0, 0, 0, 0, 0, 0, 0, 100000, 100000, 80, 40, 120, 4, 0, 0x00CC0020, 10, 10,
                     40, 100000, 100000, 0x00180001, 0, 0, 0, 0, 0, 0, 0});
       }, true},
      {"DIB offsets past the record", [](TBytes& e) {
         Emf(e, 81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0xFFFFFFF0, 40, 0xFFFFFFF8, 400, 0, 0x00CC0020, 10, 10});
       }, true},
      {"text offsets past the record", [](TBytes& e) {
         Emf(e, 84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 0xFFFFFFFF, 0xFFFFFFF0, 0, 0, 0, 0, 0, 0xFFFFFFF0});
       }, true},
      {"unknown record", [](TBytes& e) { Emf(e, 999, {1, 2, 3}); }, true},
      {"object index far out", [](TBytes& e) { Emf(e, 37, {0x7FFFFFFF}); Emf(e, 40, {0xFFFF}); }, true},
      {"restore beyond the saved states", [](TBytes& e) { Emf(e, 34, {uint32_t(-50)}); Emf(e, 34, {70}); }, true},
      {"non-finite world transform", [](TBytes& e) {
         Emf(e, 35, {0x7F800000, 0, 0, 0x7FC00000, 0, 0});
       }, true},
      {"zero record size", [](TBytes& e) { e.U32(43).U32(0); }, false},
      {"record size not a multiple of four", [](TBytes& e) { e.U32(43).U32(26); }, false},
      {"record size past the end", [](TBytes& e) { e.U32(43).U32(0x7FFFFFF0); }, false},
  };
  for (const Case& c : cases) {
    TBytes e = RectAndPolygonEmf(false);
    c.insert(e);
    Emf(e, 43, {10, 85, 30, 95});  // blue rectangle after the damage
    EmfEof(e);
    TMetafile mf;
    ASSERT_TRUE(mf.LoadFromBytes(e.b)) << c.name;
    gfx::TDib d = White(100, 100);
    mf.Draw(d, 100, 100);
    EXPECT_EQ(d.GetPixelColor(70, 20), kGreen) << c.name;
    EXPECT_EQ(d.GetPixelColor(20, 90), c.secondDrawn ? kBlue : kWhite) << c.name;
  }

  const std::vector<std::pair<const char*, std::function<void(TBytes&)>>> wmf = {
      {"polygon count past the data", [](TBytes& w) { Wmf(w, 0x0324, {32767, 1, 2}); }},
      {"polypolygon counts past the data", [](TBytes& w) { Wmf(w, 0x0538, {3, 30000, 30000, 30000}); }},
      {"text longer than its record", [](TBytes& w) { Wmf(w, 0x0A32, {5, 5, 30000, 6, 0, 0}); }},
      {"region with runaway scans", [](TBytes& w) { Wmf(w, 0x06FF, {0, 6, 0, 0, 0, 30000, 0, 0, 0, 9, 9, 40}); }},
      {"DIB claiming a huge picture",
       [](TBytes& w) { Wmf(w, 0x0F43, {0x20, 0xCC, 0, 1, 1, 0, 0, 5, 5, 0, 0, 40, 0, 0x7FFF, 0, 0x7FFF, 0, 1, 24}); }},
  };
  for (const auto& [name, insert] : wmf) {
    TBytes w = RectAndLineWmf();
    w.b.resize(w.b.size() - 6);  // drop the end record
    insert(w);
    Wmf(w, 0x041B, {90, 30, 80, 10});  // red rectangle after the damage (pen is blue now)
    Wmf(w, 0, {});
    TMetafile mf;
    ASSERT_TRUE(mf.LoadFromBytes(w.b)) << name;
    gfx::TDib d = White(100, 100);
    mf.Draw(d, 100, 100);
    EXPECT_EQ(d.GetPixelColor(20, 85), kRed) << name;
  }
  // A record whose size runs past the end stops playback there.
  TBytes w = RectAndLineWmf();
  w.b.resize(w.b.size() - 6);
  w.U32(0x7FFFFFFF).U16(0x041B);
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromBytes(w.b));
  gfx::TDib d = White(100, 100);
  mf.Draw(d, 100, 100);
  EXPECT_EQ(d.GetPixelColor(20, 20), kRed);
}

TEST(Metafile, EveryTruncationLoadsOrFailsCleanly) {
  for (const TBytes& file : {RectAndLineWmf(), RectAndPolygonEmf()}) {
    for (size_t n = 0; n < file.Size(); ++n) {
      TMetafile mf;
      std::vector<uint8_t> part(file.b.begin(), file.b.begin() + std::ptrdiff_t(n));
      if (!mf.LoadFromBytes(part)) {
        EXPECT_TRUE(mf.Empty());
        continue;
      }
      gfx::TDib d = White(20, 20);
      mf.Draw(d, 20, 20);
    }
  }
  TMetafile mf;
  EXPECT_FALSE(mf.LoadFromBytes({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}));
  EXPECT_FALSE(mf.LoadFromFile("/nonexistent/file.wmf"));
}

namespace {

const std::string kCorpusDir = std::string(VANTREL_CORPUS) + "/wmf/pillow/";

// Mean absolute channel difference between a drawn DIB and a reference picture of the same size.
double MeanDifference(const gfx::TDib& d, const QImage& ref) {
  const QImage r = ref.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) {
      const gfx::TColor c = d.GetPixelColor(x, y);
      const QRgb q = r.pixel(x, y);
      sum += std::abs(gfx::RedOf(c) - qRed(q)) + std::abs(gfx::GreenOf(c) - qGreen(q)) +
             std::abs(gfx::BlueOf(c) - qBlue(q));
    }
  return sum / (3.0 * d.Width() * d.Height());
}

QImage ToImage(const gfx::TDib& d) {
  QImage img(d.Width(), d.Height(), QImage::Format_RGB32);
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) {
      const gfx::TColor c = d.GetPixelColor(x, y);
      img.setPixel(x, y, qRgb(gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)));
    }
  return img;
}

}  // namespace

TEST(Metafile, CorpusFilesLoadAndDraw) {
  for (const char* file : {"drawing.wmf", "drawing.emf"}) {
    TMetafile mf;
    ASSERT_TRUE(mf.LoadFromFile(kCorpusDir + file)) << file;
    EXPECT_EQ(mf.Info().Enhanced, std::string(file).ends_with(".emf"));
    // Both are a little over an inch square (1369/1200 in and 28.99 mm).
    EXPECT_NEAR(mf.Info().NaturalWidth, 1.14 * ox::kDefaultScreenDpi, 2) << file;
    EXPECT_NEAR(mf.Info().NaturalHeight, 1.14 * ox::kDefaultScreenDpi, 2) << file;
    for (int scale : {1, 2}) {
      const int w = 82 * scale, h = 82 * scale;
      gfx::TDib d = White(w, h);
      mf.Draw(d, w, h);
      EXPECT_EQ(d.GetPixelColor(0, 0), kWhite) << file;
      // A red disc with a black rim: red in the middle, the rim left of it.
      const int cx = std::string(file).ends_with(".wmf") ? 55 * scale : 41 * scale;
      EXPECT_EQ(d.GetPixelColor(cx, cx), kRed) << file;
      if (const char* dump = std::getenv("VANTREL_METAFILE_DUMP"))
        ToImage(d).save(QString::fromStdString(std::string(dump) + "/" + file + "_" + std::to_string(scale) + ".png"));
    }
  }
}

TEST(Metafile, EmfMatchesItsReferenceRendering) {
  // Drawn at 72 x 144 dpi: 82 x 164 pixels; the reference comes from another rasteriser, so edges differ.
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromFile(kCorpusDir + "drawing.emf"));
  const QImage ref(QString::fromStdString(kCorpusDir + "drawing_emf_ref_72_144.png"));
  ASSERT_EQ(ref.size(), QSize(82, 164));
  gfx::TDib d = White(82, 164);
  mf.Draw(d, 82, 164);
  EXPECT_LT(MeanDifference(d, ref), 6.0);
}

TEST(Metafile, ImporterHookLoadsThroughTheIOComponent) {
  InstallMetafileImporter();
  gfx::TDib dib;
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.SetBackground(kWhite);
  io.LoadFromFileFormat(kCorpusDir + "drawing.wmf", ox::oxffWMF);
  ASSERT_FALSE(io.Aborted);
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromFile(kCorpusDir + "drawing.wmf"));
  EXPECT_EQ(dib.Width(), mf.Info().NaturalWidth - 1);
  EXPECT_EQ(dib.Height(), mf.Info().NaturalHeight - 1);
  EXPECT_EQ(io.Params.FileType, ox::oxffWMF);
  EXPECT_EQ(dib.GetPixelColor(0, 0), kWhite);
  int drawn = 0;
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) drawn += dib.GetPixelColor(x, y) != kWhite;
  EXPECT_GT(drawn, dib.Width() * dib.Height() / 10);
  io.ImportMetafile(kCorpusDir + "drawing.emf", 300, -1);
  ASSERT_FALSE(io.Aborted);
  EXPECT_EQ(io.Params.FileType, ox::oxffEMF);
  EXPECT_EQ(dib.Width(), 299);
  EXPECT_EQ(dib.Height(), 299);
  io.ImportMetafile(kCorpusDir + "LICENSE.pillow.txt");
  EXPECT_TRUE(io.Aborted);
}

TEST(Metafile, CurvedShapesAndText) {
  // Filled with the red brush, no outline: ellipse, pie (upper-right quarter, counter-clockwise from 3 to 12
  // o'clock), round rectangle; then black text on an opaque yellow box.
  TBytes w = PlaceableHeader(0, 0, 100, 100, 96);
  Wmf(w, 0x020C, {100, 100});
  Wmf(w, 0x02FC, {0, 0x00FF, 0x0000, 0});
  Wmf(w, 0x012D, {0});
  Wmf(w, 0x02FA, {5, 0, 0, 0, 0});
  Wmf(w, 0x012D, {1});
  Wmf(w, 0x0418, {40, 40, 0, 0});                      // ellipse (0,0)-(40,40)
  Wmf(w, 0x081A, {50, 80, 70, 100, 100, 100, 50, 50});  // pie in (50,50)-(100,100), from (100,70) to (80,50)
  Wmf(w, 0x061C, {10, 10, 40, 100, 0, 60});            // round rect (60,0)-(100,40), corners 10
  Wmf(w, 0x02FB, {uint16_t(-20), 0, 0, 0, 700, 0, 0, 0, 'D' | 'e' << 8, 'j' | 'a' << 8, 'V' | 'u' << 8,
                  ' ' | 'S' << 8, 'a' | 'n' << 8, 's', 0});
  Wmf(w, 0x012D, {2});
  Wmf(w, 0x0102, {2});                   // opaque background
  Wmf(w, 0x0201, {0xFFFF, 0x0000});      // yellow
  Wmf(w, 0x0521, {2, 'H' | 'H' << 8, 80, 5});
  Wmf(w, 0, {});
  TMetafile mf;
  ASSERT_TRUE(mf.LoadFromBytes(w.b));
  gfx::TDib d = White(100, 100);
  mf.Draw(d, 100, 100);
  ExpectPixels(d, {{20, 20, kRed}, {2, 2, kWhite}, {37, 37, kWhite}, {20, 1, kRed},
                   {85, 60, kRed}, {60, 85, kWhite}, {60, 60, kWhite}, {85, 85, kWhite},
                   {80, 20, kRed}, {60, 0, kWhite}, {99, 39, kWhite}, {60, 20, kRed}});
  if (const char* dump = std::getenv("VANTREL_METAFILE_DUMP"))
    ToImage(d).save(QString::fromStdString(std::string(dump) + "/shapes.png"));
  int dark = 0, yellow = 0;
  for (int y = 80; y < 100; ++y)
    for (int x = 5; x < 40; ++x) {
      const gfx::TColor c = d.GetPixelColor(x, y);
      dark += gfx::RedOf(c) < 100 && gfx::GreenOf(c) < 100;
      yellow += c == gfx::RGBColor(255, 255, 0);
    }
  EXPECT_GT(dark, 20);
  EXPECT_GT(yellow, 50);
}

TEST(Metafile, MutatedCorpusFilesNeverCrash) {
  // Deterministic byte mutations of both corpus files: whatever loads must draw without fault or hang.
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (const char* file : {"drawing.wmf", "drawing.emf"}) {
    TMetafile good;
    ASSERT_TRUE(good.LoadFromFile(kCorpusDir + file));
    std::ifstream in(kCorpusDir + file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int round = 0; round < 300; ++round) {
      std::vector<uint8_t> m = bytes;
      const int edits = 1 + int(next() % 6);
      for (int e = 0; e < edits; ++e) {
        const size_t at = next() % m.size();
        const uint32_t kind = next() % 3;
        m[at] = kind == 0 ? uint8_t(next()) : kind == 1 ? 0xFF : 0x00;
      }
      TMetafile mf;
      if (!mf.LoadFromBytes(m)) continue;
      gfx::TDib d = White(40, 40);
      mf.Draw(d, 40, 40);
    }
  }
}
