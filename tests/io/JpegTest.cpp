// JPEG codec against cjpeg/djpeg and ImageMagick outputs, plus the reader's and writer's own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/io/JPEGFilt.h"
#include "imaging/io/JPEGQuality.h"
#include "imaging/io/oxio.h"
#include "imaging/model/OrvexError.h"

using namespace ox;
namespace fs = std::filesystem;

namespace {

struct Pnm {
  int width = 0, height = 0, channels = 0;  // channels 1 (P5) or 3 (P6, red first)
  std::vector<uint8_t> data;
};

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Binary P5/P6 with maxval 255, as djpeg and ImageMagick write them.
Pnm ReadPnm(const fs::path& p) {
  Pnm r;
  std::vector<uint8_t> b = ReadFile(p);
  size_t pos = 0;
  auto token = [&] {
    std::string t;
    while (pos < b.size()) {
      if (b[pos] == '#') {
        while (pos < b.size() && b[pos] != '\n') ++pos;
      } else if (isspace(b[pos])) {
        ++pos;
      } else {
        break;
      }
    }
    while (pos < b.size() && !isspace(b[pos])) t += char(b[pos++]);
    ++pos;
    return t;
  };
  std::string magic = token();
  r.channels = magic == "P5" ? 1 : magic == "P6" ? 3 : 0;
  r.width = std::stoi(token());
  r.height = std::stoi(token());
  token();
  r.data.assign(b.begin() + long(pos), b.end());
  EXPECT_EQ(r.data.size(), size_t(r.width) * r.height * r.channels) << p;
  return r;
}

class TempDir {
 public:
  TempDir() {
    std::string t = (fs::temp_directory_path() / "vantrel-jpeg-XXXXXX").string();
    path_ = mkdtemp(t.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

bool Shell(const std::string& cmd) { return std::system((cmd + " 2>/dev/null").c_str()) == 0; }

// Standard output of a command, empty when it cannot run.
std::string ShellOutput(const std::string& cmd) {
  std::string out;
  FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// Smooth gradients with sharp edges and a little texture: every sampling and scaling path shows up.
Pnm TestPicture(int w, int h) {
  Pnm p{w, h, 3, std::vector<uint8_t>(size_t(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = &p.data[(size_t(y) * w + x) * 3];
      px[0] = uint8_t(x * 255 / w);
      px[1] = uint8_t(y * 255 / h);
      px[2] = uint8_t(((x / 9 + y / 7) % 2) ? 200 : 40 + (x * y) % 31);
    }
  return p;
}

void WritePpm(const fs::path& path, const Pnm& p) {
  std::string header = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), p.data.begin(), p.data.end());
  WriteFile(path, bytes);
}

gfx::TDib DibFromPnm(const Pnm& p) {
  gfx::TDib dib(p.width, p.height, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const uint8_t* s = &p.data[(size_t(y) * p.width + x) * 3];
      uint8_t* d = dib.ScanLine(y) + 3 * x;
      d[0] = s[2], d[1] = s[1], d[2] = s[0];
    }
  return dib;
}

// Largest channel difference between the DIB and the reference; 256, above every tolerance, when the sizes
// differ or the picture is empty.
int MaxDiff(const gfx::TDib& dib, const Pnm& ref) {
  if (dib.Width() != ref.width || dib.Height() != ref.height || dib.Empty()) return 256;
  int worst = 0;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x) {
      const uint8_t* d = dib.ScanLine(y) + 3 * x;
      for (int c = 0; c < 3; ++c) {
        int r = ref.data[(size_t(y) * ref.width + x) * ref.channels + (ref.channels == 3 ? c : 0)];
        worst = std::max(worst, std::abs(r - d[2 - c]));
      }
    }
  return worst;
}

struct Decoded {
  gfx::TDib dib;
  bool aborted = false;
  bool partial = false;  // the data ended after `rows` whole rows
  int64_t rows = 0;
};

Decoded Decode(const std::vector<uint8_t>& bytes, TIOParamsVals& params) {
  TOXMemoryStream s(bytes);
  Decoded r;
  TProgressRec progress;
  ReadJpegStream(s, &r.dib, params, false, progress);
  r.aborted = progress.IsAborted();
  r.partial = progress.PartialPicture();
  r.rows = progress.RowsDelivered;
  return r;
}

std::vector<uint8_t> Encode(const gfx::TDib& dib, TIOParamsVals& params, bool* aborted = nullptr) {
  TOXMemoryStream s;
  TProgressRec progress;
  WriteJpegStream(s, dib, params, progress);
  if (aborted) *aborted = progress.IsAborted();
  return s.Bytes();
}

// Marker codes of the header, up to the first scan.
std::vector<int> HeaderMarkers(const std::vector<uint8_t>& b) {
  std::vector<int> codes;
  size_t p = 2;
  while (p + 4 <= b.size() && b[p] == 0xFF && b[p + 1] != 0xDA) {
    codes.push_back(b[p + 1]);
    p += 2 + (size_t(b[p + 2]) << 8 | b[p + 3]);
  }
  return codes;
}

int CountOf(const std::vector<int>& v, int x) { return int(std::count(v.begin(), v.end(), x)); }

}  // namespace

// Every coding variant decodes to djpeg's pixels at every scale.
TEST(Jpeg, MatchesDjpegAtEveryScale) {
  TempDir dir;
  WritePpm(dir / "src.ppm", TestPicture(203, 141));
  const struct {
    const char* options;
    bool gray, progressive;
  } cases[] = {
      {"-quality 10 -sample 1x1", false, false},   {"-quality 50 -sample 2x1", false, false},
      {"-quality 75 -sample 2x2", false, false},   {"-quality 100 -sample 1x1", false, false},
      {"-grayscale -quality 80", true, false},      {"-progressive -quality 85", false, true},
      {"-optimize -quality 60", false, false},      {"-restart 1 -quality 70", false, false},
      {"-restart 2B -sample 2x2 -quality 90", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_TRUE(Shell(std::string("cjpeg ") + c.options + " -outfile " + (dir / "t.jpg").string() + " " +
                    (dir / "src.ppm").string()));
    const std::vector<uint8_t> jpeg = ReadFile(dir / "t.jpg");
    for (int mode = 1; mode <= 4; ++mode) {
      const int denom = 1 << (mode - 1);
      SCOPED_TRACE(denom);
      ASSERT_TRUE(Shell("djpeg -pnm -scale 1/" + std::to_string(denom) + " -outfile " + (dir / "ref.pnm").string() +
                      " " + (dir / "t.jpg").string()));
      const Pnm ref = ReadPnm(dir / "ref.pnm");
      TIOParamsVals params;
      params.JpegScaleMode = uint8_t(mode);
      Decoded d = Decode(jpeg, params);
      EXPECT_FALSE(d.aborted);
      EXPECT_EQ(MaxDiff(d.dib, ref), 0);
      EXPECT_EQ(params.Width, ref.width);
      EXPECT_EQ(params.Height, ref.height);
      EXPECT_EQ(params.JpegScaleDenominator, denom);
      EXPECT_EQ(params.JpegColorSpace, c.gray ? 1 : 2);
      EXPECT_EQ(params.SamplesPerPixel, c.gray ? 1 : 3);
      EXPECT_EQ(params.JpegProgressive, c.progressive);
      EXPECT_EQ(params.JpegWarningCount, 0);
    }
  }
}

// Arithmetic coding: decoded exactly when the library supports it, otherwise refused cleanly.
TEST(Jpeg, ArithmeticCodingAsTheLibraryAllows) {
  TempDir dir;
  WritePpm(dir / "src.ppm", TestPicture(64, 48));
  if (!Shell("cjpeg -arithmetic -outfile " + (dir / "a.jpg").string() + " " + (dir / "src.ppm").string()))
    GTEST_SKIP() << "cjpeg cannot write arithmetic coding";
  TIOParamsVals params;
  Decoded d = Decode(ReadFile(dir / "a.jpg"), params);
  if (Shell("djpeg -pnm -outfile " + (dir / "ref.pnm").string() + " " + (dir / "a.jpg").string())) {
    EXPECT_FALSE(d.aborted);
    EXPECT_EQ(MaxDiff(d.dib, ReadPnm(dir / "ref.pnm")), 0);
  } else {
    EXPECT_TRUE(d.aborted);
  }
}

// Adobe CMYK files store inverted ink; reading and writing follow the same rule as ImageMagick.
TEST(Jpeg, CmykRoundTripsWithImageMagick) {
  TempDir dir;
  const Pnm src = TestPicture(80, 60);
  WritePpm(dir / "src.ppm", src);
  ASSERT_TRUE(Shell("convert " + (dir / "src.ppm").string() + " -colorspace CMYK -quality 100 " +
                  (dir / "cmyk.jpg").string()));
  ASSERT_TRUE(Shell("convert " + (dir / "cmyk.jpg").string() + " -colorspace sRGB " + (dir / "ref.ppm").string()));
  TIOParamsVals params;
  Decoded d = Decode(ReadFile(dir / "cmyk.jpg"), params);
  EXPECT_FALSE(d.aborted);
  EXPECT_EQ(params.JpegColorSpace, 4);  // ImageMagick lets the library store CMYK as YCCK
  EXPECT_EQ(params.SamplesPerPixel, 4);
  EXPECT_LE(MaxDiff(d.dib, ReadPnm(dir / "ref.ppm")), 2);
  EXPECT_LE(MaxDiff(d.dib, src), 12);

  for (uint8_t space : {uint8_t(3), uint8_t(4)}) {
    SCOPED_TRACE(int(space));
    TIOParamsVals w;
    w.JpegColorSpace = space;
    w.JpegQuality = 100;
    const std::vector<uint8_t> ours = Encode(DibFromPnm(src), w);
    TIOParamsVals r;
    Decoded back = Decode(ours, r);
    EXPECT_FALSE(back.aborted);
    EXPECT_EQ(r.JpegColorSpace, space);
    // YCCK subsamples its chroma: only the unsubsampled CMYK file stays close to the source.
    if (space == 3) {
      EXPECT_LE(MaxDiff(back.dib, src), 12);
    }
    WriteFile(dir / "ours.jpg", ours);
    ASSERT_TRUE(Shell("convert " + (dir / "ours.jpg").string() + " -colorspace sRGB " + (dir / "im.ppm").string()));
    EXPECT_LE(MaxDiff(back.dib, ReadPnm(dir / "im.ppm")), 2);
  }
}

TEST(Jpeg, StartOfImageSearchCoversOneHundredPositions) {
  TIOParamsVals w;
  const std::vector<uint8_t> jpeg = Encode(gfx::TDib(16, 16, gfx::TPixelFormat::pf24bit), w);
  for (int lead : {0, 50, 99, 100}) {
    SCOPED_TRACE(lead);
    std::vector<uint8_t> bytes(size_t(lead), 0x55);
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    TOXMemoryStream s(bytes);
    s.SetPosition(0);
    EXPECT_EQ(JpegFindSOI(s), lead < 100 ? lead : -1);
    EXPECT_EQ(s.Position(), 0);
    TIOParamsVals params;
    Decoded d = Decode(bytes, params);
    EXPECT_EQ(d.aborted, lead >= 100);
    if (!d.aborted) {
      EXPECT_EQ(d.dib.Width(), 16);
    }
  }
  TIOParamsVals params;
  EXPECT_TRUE(Decode({}, params).aborted);
  EXPECT_TRUE(Decode({0xFF, 0xD8, 0xFF}, params).aborted);
}

TEST(Jpeg, AutomaticScaleKeepsTheRequestedSize) {
  TIOParamsVals w;
  const std::vector<uint8_t> jpeg = Encode(gfx::TDib(1600, 1200, gfx::TPixelFormat::pf24bit), w);
  const struct {
    int width, height, denom;
  } cases[] = {{160, 120, 8}, {500, 400, 2}, {2000, 1000, 1}, {0, 0, 1}, {400, 301, 2}};
  for (const auto& c : cases) {
    TIOParamsVals params;
    params.JpegScaleMode = 0;
    params.Width = c.width;
    params.Height = c.height;
    TOXMemoryStream s(jpeg);
    TProgressRec progress;
    ReadJpegStream(s, nullptr, params, true, progress);
    EXPECT_FALSE(progress.IsAborted());
    EXPECT_EQ(params.JpegScaleDenominator, c.denom) << c.width << "x" << c.height;
    EXPECT_EQ(params.Width, 1600 / c.denom);
    EXPECT_EQ(params.Height, 1200 / c.denom);
  }
}

// The JFIF density: dots per inch as given, dots per centimetre converted with the fraction dropped.
TEST(Jpeg, DensityFromTheJfifHeader) {
  TIOParamsVals w;
  w.DpiX = 200;
  w.DpiY = 100;
  std::vector<uint8_t> jpeg = Encode(gfx::TDib(8, 8, gfx::TPixelFormat::pf24bit), w);
  ASSERT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 10), "JFIF");
  TIOParamsVals params;
  Decode(jpeg, params);
  EXPECT_EQ(params.DpiX, 200);
  EXPECT_EQ(params.DpiY, 100);
  jpeg[13] = 2;
  jpeg[14] = 0, jpeg[15] = 118, jpeg[16] = 0, jpeg[17] = 118;
  Decode(jpeg, params);
  EXPECT_EQ(params.DpiX, 299);
  EXPECT_EQ(params.DpiY, 299);
}

// Markers travel from the reader to the writer without duplicating the headers the library writes.
TEST(Jpeg, MarkersAreKeptAndHeadersNotDuplicated) {
  TempDir dir;
  WritePpm(dir / "src.ppm", TestPicture(32, 32));
  ASSERT_TRUE(Shell("cjpeg -outfile " + (dir / "p.jpg").string() + " " + (dir / "src.ppm").string()));
  ASSERT_TRUE(Shell("wrjpgcom -comment \"kept comment\" " + (dir / "p.jpg").string() + " > " + (dir / "c.jpg").string()));
  TIOParamsVals params;
  Decoded d = Decode(ReadFile(dir / "c.jpg"), params);
  ASSERT_EQ(params.JpegMarkers.Count(), 1);
  EXPECT_EQ(params.JpegMarkers.MarkerType(0), 0xFE);
  const auto text = params.JpegMarkers.MarkerData(0);
  EXPECT_EQ(std::string(text.begin(), text.end()), "kept comment");

  const uint8_t app2[] = {'I', 'C', 'C', 0, 1, 2};
  params.JpegMarkers.Add(0xE2, app2, sizeof app2);
  std::vector<uint8_t> saved = Encode(d.dib, params);
  std::vector<int> codes = HeaderMarkers(saved);
  EXPECT_EQ(CountOf(codes, 0xE0), 1);
  EXPECT_EQ(CountOf(codes, 0xFE), 1);
  EXPECT_EQ(CountOf(codes, 0xE2), 1);
  TIOParamsVals again;
  Decode(saved, again);
  ASSERT_EQ(again.JpegMarkers.Count(), 2);
  const auto back = again.JpegMarkers.MarkerData(0);
  EXPECT_EQ(std::string(back.begin(), back.end()), "kept comment");

  // RGB files carry the library's Adobe block: a copy read from a file is not written a second time.
  TIOParamsVals rgb;
  rgb.JpegColorSpace = 0;
  std::vector<uint8_t> first = Encode(d.dib, rgb);
  ASSERT_EQ(CountOf(HeaderMarkers(first), 0xEE), 1);
  TIOParamsVals read;
  Decoded rd = Decode(first, read);
  EXPECT_EQ(read.JpegColorSpace, 0);
  EXPECT_EQ(CountOf(HeaderMarkers(Encode(rd.dib, read)), 0xEE), 1);
}

TEST(Jpeg, OverlongBlockIsRefusedBeforeWriting) {
  TIOParamsVals params;
  std::vector<uint8_t> big(65534, 7);
  params.JpegMarkers.Add(0xED, big.data(), big.size());
  bool aborted = false;
  EXPECT_TRUE(Encode(gfx::TDib(8, 8, gfx::TPixelFormat::pf24bit), params, &aborted).empty());
  EXPECT_TRUE(aborted);
  big.resize(65533);
  params.JpegMarkers.Replace(0, 0xED, big.data(), big.size());
  std::vector<uint8_t> ok = Encode(gfx::TDib(8, 8, gfx::TPixelFormat::pf24bit), params, &aborted);
  EXPECT_FALSE(aborted);
  TIOParamsVals back;
  Decode(ok, back);
  ASSERT_EQ(back.JpegMarkers.Count(), 1);
  EXPECT_EQ(back.JpegMarkers.MarkerData(0).size(), 65533u);
}

// A file cut in the middle is a partial picture: the rows decoded before the data ended are exactly the
// whole file's (djpeg of the uncut file), the rest are left for the caller to fill.
TEST(Jpeg, TruncatedFileDecodesItsRowsAndAborts) {
  TempDir dir;
  const Pnm src = TestPicture(120, 96);
  WritePpm(dir / "src.ppm", src);
  for (const char* sampling : {"2x2", "1x1", "2x1"}) {
    SCOPED_TRACE(sampling);
    ASSERT_TRUE(Shell(std::string("cjpeg -quality 90 -sample ") + sampling + " -outfile " + (dir / "t.jpg").string() +
                      " " + (dir / "src.ppm").string()));
    ASSERT_TRUE(Shell("djpeg -pnm -outfile " + (dir / "ref.pnm").string() + " " + (dir / "t.jpg").string()));
    const Pnm ref = ReadPnm(dir / "ref.pnm");
    const std::vector<uint8_t> full = ReadFile(dir / "t.jpg");
    for (int tenths : {3, 5, 8}) {
      SCOPED_TRACE(tenths);
      std::vector<uint8_t> cut(full.begin(), full.begin() + long(full.size() * tenths / 10));
      TIOParamsVals params;
      const Decoded d = Decode(cut, params);
      EXPECT_TRUE(d.aborted);
      EXPECT_TRUE(d.partial);
      EXPECT_GT(params.JpegWarningCount, 0);
      const gfx::TDib& dib = d.dib;
      ASSERT_EQ(dib.Width(), 120);
      ASSERT_EQ(dib.Height(), 96);
      const int rows = int(d.rows);
      EXPECT_GE(rows, 96 * tenths / 10 - 40);
      EXPECT_LT(rows, 96);
      gfx::TDib head(120, rows, gfx::TPixelFormat::pf24bit);
      for (int y = 0; y < rows; ++y) std::memcpy(head.ScanLine(y), dib.ScanLine(y), 360);
      Pnm top = ref;
      top.height = rows;
      top.data.resize(size_t(rows) * 120 * 3);
      EXPECT_EQ(MaxDiff(head, top), 0);
    }
  }
  // Cut inside the header: no picture at all.
  const std::vector<uint8_t> full = ReadFile(dir / "t.jpg");
  TIOParamsVals hp;
  const Decoded header = Decode(std::vector<uint8_t>(full.begin(), full.begin() + 40), hp);
  EXPECT_TRUE(header.aborted);
  EXPECT_FALSE(header.partial);
}

// Every row there: no end marker, or anything after the data, still makes a whole picture.
TEST(Jpeg, WholeRowsLoadWhateverFollowsThem) {
  TempDir dir;
  WritePpm(dir / "src.ppm", TestPicture(77, 53));
  for (const char* options : {"-quality 80", "-quality 95 -sample 1x1", "-progressive", "-restart 1"}) {
    SCOPED_TRACE(options);
    ASSERT_TRUE(Shell(std::string("cjpeg ") + options + " -outfile " + (dir / "t.jpg").string() + " " +
                      (dir / "src.ppm").string()));
    ASSERT_TRUE(Shell("djpeg -pnm -outfile " + (dir / "ref.pnm").string() + " " + (dir / "t.jpg").string()));
    const Pnm ref = ReadPnm(dir / "ref.pnm");
    const std::vector<uint8_t> full = ReadFile(dir / "t.jpg");
    ASSERT_EQ(full[full.size() - 2], 0xFF);
    ASSERT_EQ(full[full.size() - 1], 0xD9);
    const std::vector<uint8_t> noEnd(full.begin(), full.end() - 2);
    std::vector<uint8_t> junk = noEnd;
    for (int i = 0; i < 300; ++i) junk.push_back(uint8_t(i % 200));  // no marker byte among them
    std::vector<uint8_t> afterEnd = full;
    afterEnd.insert(afterEnd.end(), {'t', 'r', 'a', 'i', 'l'});
    for (const std::vector<uint8_t>& bytes : {noEnd, junk, afterEnd}) {
      TIOParamsVals params;
      Decoded d = Decode(bytes, params);
      EXPECT_FALSE(d.aborted);
      EXPECT_EQ(MaxDiff(d.dib, ref), 0);
    }
  }
}

TEST(Jpeg, WriterOptionsReadBack) {
  const gfx::TDib src = DibFromPnm(TestPicture(64, 40));
  TIOParamsVals w;
  w.JpegProgressive = true;
  w.JpegOptimizeCoding = true;
  w.JpegQuality = 95;
  w.JpegSmoothing = 10;
  w.DpiX = w.DpiY = 0;
  TIOParamsVals r;
  Decoded d = Decode(Encode(src, w), r);
  EXPECT_FALSE(d.aborted);
  EXPECT_TRUE(r.JpegProgressive);
  EXPECT_EQ(r.DpiX, kDefaultScreenDpi);

  TIOParamsVals g;
  g.JpegColorSpace = 1;
  TIOParamsVals gr;
  Decoded gd = Decode(Encode(src, g), gr);
  EXPECT_EQ(gr.JpegColorSpace, 1);
  const uint8_t* px = gd.dib.ScanLine(10) + 30;
  EXPECT_TRUE(px[0] == px[1] && px[1] == px[2]);

  // A 1-bit picture is written as its 24-bit form.
  gfx::TDib mono(17, 9, gfx::TPixelFormat::pf1bit);
  mono.SetPixelColor(3, 3, 0xFFFFFF);
  TIOParamsVals mr;
  Decoded md = Decode(Encode(mono, w), mr);
  EXPECT_EQ(md.dib.Width(), 17);
  EXPECT_GT(md.dib.ScanLine(3)[9], 128);
  EXPECT_LT(md.dib.ScanLine(8)[3 * 16], 64);
}

TEST(Jpeg, LibraryErrorInTheWriterRaises) {
  TIOParamsVals params;
  TOXMemoryStream s;
  TProgressRec progress;
  gfx::TDib wide(70000, 1, gfx::TPixelFormat::pf24bit);
  try {
    WriteJpegStream(s, wide, params, progress);
    ADD_FAILURE() << "no exception";
  } catch (const EOXJpegException& e) {
    EXPECT_STREQ(e.what(), "JPeg corrupted file");
    EXPECT_NE(dynamic_cast<const EOrvexError*>(&e), nullptr);
  }
  EXPECT_TRUE(progress.IsAborted());
}

TEST(Jpeg, ProgressReachesOneHundredAndUserAbortStops) {
  const gfx::TDib src = DibFromPnm(TestPicture(40, 100));
  TIOParamsVals w;
  const std::vector<uint8_t> jpeg = Encode(src, w);
  TIOParamsVals params;
  TOXMemoryStream s(jpeg);
  gfx::TDib dib;
  TProgressRec progress;
  int last = -1, calls = 0;
  progress.OnProgress = [&](TOrvexIO*, int p) {
    last = p;
    if (++calls == 3) progress.Abort();
  };
  ReadJpegStream(s, &dib, params, false, progress);
  EXPECT_TRUE(progress.IsAborted());
  EXPECT_EQ(calls, 3);
  EXPECT_LT(last, 100);
  TProgressRec full;
  full.OnProgress = [&](TOrvexIO*, int p) { last = p; };
  TOXMemoryStream s2(jpeg);
  ReadJpegStream(s2, &dib, params, false, full);
  EXPECT_EQ(last, 100);
  EXPECT_FALSE(full.IsAborted());
}

TEST(Jpeg, IptcFromTheApp13Block) {
  TIOParamsVals w;
  const char caption[] = "harbour at dusk";
  TOXIPTCInfoList list;
  list.Add(2, 120, caption, sizeof caption - 1);
  const std::vector<uint8_t> block = list.SaveToBuffer();
  w.JpegMarkers.Add(0xED, block.data(), block.size());
  TIOParamsVals r;
  Decode(Encode(gfx::TDib(8, 8, gfx::TPixelFormat::pf24bit), w), r);
  JpegReadMetadata(r);
  ASSERT_EQ(r.IptcRecords.Count(), 1);
  EXPECT_EQ(r.IptcRecords.Item(0).Dataset, 120);
  EXPECT_EQ(std::string(r.IptcRecords.Item(0).Data.begin(), r.IptcRecords.Item(0).Data.end()), caption);
}

// Only 1, 3 or 4 output components fit the picture: a two-component file is refused, not overrun.
TEST(Jpeg, UnknownComponentCountIsRefused) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = 16;
  cinfo.image_height = 8;
  cinfo.input_components = 2;
  cinfo.in_color_space = JCS_UNKNOWN;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, JCS_UNKNOWN);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(32, 128);
  for (int y = 0; y < 8; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + size);
  free(out);
  TIOParamsVals params;
  EXPECT_TRUE(Decode(bytes, params).aborted);
}

// A JFIF header that only gives the aspect ratio takes its resolution from the EXIF block.
TEST(Jpeg, ExifResolutionReplacesAnAspectRatio) {
  const uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0,
                          'I', 'I', 42, 0, 8, 0, 0, 0,                 // TIFF header, IFD at 8
                          3, 0,                                        // three entries
                          0x1A, 0x01, 5, 0, 1, 0, 0, 0, 50, 0, 0, 0,   // XResolution -> 50
                          0x1B, 0x01, 5, 0, 1, 0, 0, 0, 58, 0, 0, 0,   // YResolution -> 58
                          0x28, 0x01, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0,    // ResolutionUnit inches
                          0, 0, 0, 0,                                  // no next IFD
                          72, 0, 0, 0, 1, 0, 0, 0, 72, 0, 0, 0, 1, 0, 0, 0};
  TIOParamsVals w;
  w.JpegMarkers.Add(0xE1, exif, sizeof exif);
  std::vector<uint8_t> jpeg = Encode(gfx::TDib(8, 8, gfx::TPixelFormat::pf24bit), w);
  jpeg[13] = 0;
  jpeg[14] = 0, jpeg[15] = 1, jpeg[16] = 0, jpeg[17] = 1;
  TIOParamsVals r;
  Decode(jpeg, r);
  EXPECT_EQ(r.DpiX, 1);
  JpegReadMetadata(r);
  EXPECT_EQ(r.ExifResolutionUnit, 2);
  EXPECT_EQ(r.DpiX, 72);
  EXPECT_EQ(r.DpiY, 72);

  // With a real density in the JFIF header, EXIF does not override it.
  jpeg[13] = 1;
  jpeg[15] = 150, jpeg[17] = 150;
  TIOParamsVals d;
  Decode(jpeg, d);
  JpegReadMetadata(d);
  EXPECT_EQ(d.DpiX, 150);
}

// A photo saved again keeps the quality and chroma sampling it was made with, unless the caller sets them.
TEST(Jpeg, ResavedFileKeepsItsQualityAndSampling) {
  TempDir dir;
  WritePpm(dir / "src.ppm", TestPicture(96, 64));
  const bool identify = Shell("command -v identify >/dev/null");
  const struct {
    const char* options;
    int quality, sx, sy;
  } cases[] = {{"-quality 92", 92, 2, 2},
               {"-quality 92 -sample 1x1", 92, 1, 1},
               {"-quality 75 -sample 2x1", 75, 2, 1},
               {"-quality 30 -sample 1x1", 30, 1, 1},
               {"-quality 100", 100, 2, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string in = (dir / "in.jpg").string(), out = (dir / "out.jpg").string();
    ASSERT_TRUE(Shell(std::string("cjpeg ") + c.options + " -outfile " + in + " " + (dir / "src.ppm").string()));
    gfx::TDib dib;
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.LoadFromFile(in);
    ASSERT_FALSE(io.Aborted);
    EXPECT_EQ(io.Params.JpegQuality, c.quality);
    EXPECT_EQ(io.Params.JpegSamplingX, c.sx);
    EXPECT_EQ(io.Params.JpegSamplingY, c.sy);
    io.SaveToFile(out);
    ASSERT_FALSE(io.Aborted);
    TOrvexIO back;
    gfx::TDib again;
    back.SetAttachedBitmap(&again);
    back.LoadFromFile(out);
    ASSERT_FALSE(back.Aborted);
    EXPECT_NEAR(back.Params.JpegQuality, c.quality, 1);
    EXPECT_EQ(back.Params.JpegSamplingX, c.sx);
    EXPECT_EQ(back.Params.JpegSamplingY, c.sy);
    if (identify) {
      EXPECT_NEAR(std::atoi(ShellOutput("identify -format %Q " + out).c_str()), c.quality, 1);
      EXPECT_EQ(ShellOutput("identify -format %[jpeg:sampling-factor] " + out).substr(0, 3),
                std::to_string(c.sx) + "x" + std::to_string(c.sy));
    }
  }
  // What the caller sets after loading wins.
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFile((dir / "in.jpg").string());
  io.Params.JpegQuality = 60;
  io.Params.JpegSamplingX = 2;
  io.Params.JpegSamplingY = 1;
  io.SaveToFile((dir / "set.jpg").string());
  io.LoadFromFile((dir / "set.jpg").string());
  EXPECT_EQ(io.Params.JpegQuality, 60);
  EXPECT_EQ(io.Params.JpegSamplingX, 2);
  EXPECT_EQ(io.Params.JpegSamplingY, 1);
  if (!identify) GTEST_SKIP() << "ImageMagick identify missing: qualities checked with our own estimate only";
}

// The estimate gives back every quality from the standard tables, and the nearest one for other tables.
TEST(Jpeg, QualityEstimateOfTheStandardTables) {
  for (int q = 1; q <= 100; ++q) {
    uint16_t luma[64], chroma[64];
    ScaledJpegTables(q, luma, chroma);
    const int got = EstimateJpegQuality(luma, chroma);
    uint16_t l2[64], c2[64];
    ScaledJpegTables(got, l2, c2);
    // Qualities whose tables are equal cannot be told apart; the tables must be.
    EXPECT_TRUE(std::equal(luma, luma + 64, l2) && std::equal(chroma, chroma + 64, c2)) << q;
    ScaledJpegTables(EstimateJpegQuality(luma, nullptr), l2, c2);
    EXPECT_TRUE(std::equal(luma, luma + 64, l2)) << q;
  }
  uint16_t flat[64];
  std::fill(flat, flat + 64, 1);
  EXPECT_EQ(EstimateJpegQuality(flat, flat), 100);
}
