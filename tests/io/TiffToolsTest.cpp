// TIFF pages generated with Debian's tools (tiffcp, pnmtotiff) read back, and our writer's files read by libtiff.
#include <gtest/gtest.h>

#include "TiffTestUtil.h"
#include "imaging/io/TIFFDir.h"
#include "imaging/io/TIFFFilt.h"
#include "imaging/io/TIFFLzw.h"

using namespace ox;
using namespace tifftest;

namespace {

// Smooth colour ramps with a little deterministic noise, so that every coder has runs and literals.
Picture Pattern(int w, int h, bool gray) {
  Picture p;
  p.w = w, p.h = h;
  p.rgb.resize(size_t(w) * h * 3);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = (seed >> 16) % 7;
      uint8_t* d = p.rgb.data() + (size_t(y) * w + x) * 3;
      d[0] = uint8_t(x * 255 / w + noise);
      d[1] = uint8_t(gray ? d[0] : y * 255 / h);
      d[2] = uint8_t(gray ? d[0] : (x + y) * 2 + (x % 13 == 0 ? 100 : 0));
    }
  return p;
}

// Text-like bilevel picture: blocks, thin lines and long white runs.
Picture Bilevel(int w, int h) {
  Picture p;
  p.w = w, p.h = h;
  p.rgb.assign(size_t(w) * h * 3, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool black = ((x / 7 + y / 5) % 3 == 0 && x % 29 < 17) || x == y || (y % 23 == 0 && x > w / 2);
      if (black) std::memset(p.rgb.data() + (size_t(y) * w + x) * 3, 0, 3);
    }
  return p;
}

void WritePnm(const std::string& path, const Picture& p, char kind) {
  std::string head = std::string("P") + kind + "\n" + std::to_string(p.w) + " " + std::to_string(p.h) + "\n";
  if (kind != '4') head += "255\n";
  std::vector<uint8_t> b(head.begin(), head.end());
  for (int y = 0; y < p.h; ++y) {
    if (kind == '4') {
      std::vector<uint8_t> row(size_t((p.w + 7) / 8), 0);
      for (int x = 0; x < p.w; ++x)
        if (p.At(x, y)[0] == 0) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      b.insert(b.end(), row.begin(), row.end());
    } else {
      for (int x = 0; x < p.w; ++x) {
        if (kind == '5') b.push_back(p.At(x, y)[0]);
        else b.insert(b.end(), p.At(x, y), p.At(x, y) + 3);
      }
    }
  }
  WriteFile(path, b);
}

gfx::TDib ToDib(const Picture& p) {
  gfx::TDib dib(p.w, p.h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) {
      const uint8_t* s = p.At(x, y);
      uint8_t* d = dib.ScanLine(y) + x * 3;
      d[0] = s[2], d[1] = s[1], d[2] = s[0];
    }
  return dib;
}

bool HaveTools() { return HaveTool("tiffcp") && HaveTool("pnmtotiff") && HaveTool("tifftopnm"); }

}  // namespace

TEST(TiffTools, TiffcpVariantsDecodeExactly) {
  if (!HaveTools()) GTEST_SKIP() << "libtiff-tools or netpbm missing";
  TempDir dir;
  struct Source {
    const char* name;
    Picture pic;
    char kind;
  };
  const Source sources[] = {{"rgb", Pattern(97, 61, false), '6'}, {"gray", Pattern(83, 45, true), '5'}};
  const char* options[] = {"-c none",        "-c packbits",           "-c lzw",           "-c lzw:2",
                           "-c zip",         "-c zip:2",              "-c none -r 7",     "-c lzw -r 5 -B",
                           "-c packbits -L", "-c lzw -t -w 32 -l 16", "-c none -t -w 16 -l 16 -B",
                           "-c lzw:2 -p separate", "-c none -p separate -r 9", "-c lzw -p separate -t -w 32 -l 32"};
  for (const Source& s : sources) {
    const std::string pnm = dir / (std::string(s.name) + ".pnm"), base = dir / (std::string(s.name) + ".tif");
    WritePnm(pnm, s.pic, s.kind);
    ASSERT_TRUE(ShellTo("pnmtotiff -none '" + pnm + "'", base));
    for (const char* opt : options) {
      SCOPED_TRACE(std::string(s.name) + " " + opt);
      const std::string out = dir / "variant.tif";
      ASSERT_TRUE(Shell(std::string("tiffcp ") + opt + " '" + base + "' '" + out + "'"));
      gfx::TDib dib;
      TIOParamsVals params;
      ASSERT_TRUE(LoadTiff(out, dib, params));
      EXPECT_EQ(MaxDiff(FromDib(dib), s.pic), 0);
    }
  }
}

TEST(TiffTools, FaxAndBilevelPagesDecodeBitExactly) {
  if (!HaveTools()) GTEST_SKIP() << "libtiff-tools or netpbm missing";
  TempDir dir;
  const Picture pic = Bilevel(1728, 90);
  const std::string pbm = dir / "page.pbm", base = dir / "page.tif";
  WritePnm(pbm, pic, '4');
  ASSERT_TRUE(ShellTo("pnmtotiff -miniswhite -none '" + pbm + "'", base));
  const std::pair<const char*, int> options[] = {
      {"-c none", 0},       {"-c packbits", 8},       {"-c lzw", 5},          {"-c g3", 2},
      {"-c g3:2d", 3},      {"-c g3:fill", 2},        {"-c g3:2d:fill", 3},   {"-c g4", 4},
      {"-c g4 -r 16", 4},   {"-c g3:2d -r 7 -B", 3}, {"-c g4 -f lsb2msb", 4}};
  for (const auto& [opt, compression] : options) {
    SCOPED_TRACE(opt);
    const std::string out = dir / "fax.tif";
    ASSERT_TRUE(Shell(std::string("tiffcp ") + opt + " '" + base + "' '" + out + "'"));
    gfx::TDib dib;
    TIOParamsVals params;
    ASSERT_TRUE(LoadTiff(out, dib, params));
    EXPECT_EQ(dib.PixelFormat(), gfx::TPixelFormat::pf1bit);
    EXPECT_EQ(params.TiffCompression, compression);
    EXPECT_EQ(MaxDiff(FromDib(dib), pic), 0);
  }
}

// Fax pages at both photometric values look as libtiff shows them: pnmtotiff writes black-is-zero by
// default, and tiffcp codes the 0 bits (black there) with the white run codes.
TEST(TiffTools, FaxPagesOfBothPhotometricValuesMatchLibtiff) {
  if (!HaveTools()) GTEST_SKIP() << "libtiff-tools or netpbm missing";
  TempDir dir;
  const Picture pic = Bilevel(203, 41);
  const std::string pbm = dir / "page.pbm";
  WritePnm(pbm, pic, '4');
  const std::pair<const char*, int> sources[] = {{"", 1}, {"-miniswhite", 0}};
  for (const auto& [flag, photometric] : sources) {
    const std::string base = dir / "base.tif";
    ASSERT_TRUE(ShellTo(std::string("pnmtotiff -none ") + flag + " '" + pbm + "'", base));
    for (const char* opt : {"-c g3", "-c g3:2d", "-c g4", "-c none"}) {
      SCOPED_TRACE(std::string(opt) + " photometric " + std::to_string(photometric));
      const std::string out = dir / "fax.tif";
      ASSERT_TRUE(Shell(std::string("tiffcp ") + opt + " '" + base + "' '" + out + "'"));
      Picture ref;
      ASSERT_TRUE(Reference(out, dir, ref));
      ASSERT_EQ(MaxDiff(ref, pic), 0) << "tifftopnm disagrees with the source picture";
      gfx::TDib dib;
      TIOParamsVals params;
      ASSERT_TRUE(LoadTiff(out, dib, params));
      EXPECT_EQ(params.TiffPhotometric, photometric);
      EXPECT_EQ(MaxDiff(FromDib(dib), ref), 0);
    }
  }
}

TEST(TiffTools, MultiPageSelection) {
  if (!HaveTools()) GTEST_SKIP() << "libtiff-tools or netpbm missing";
  TempDir dir;
  const Picture a = Pattern(40, 30, false), b = Pattern(23, 17, true);
  WritePnm(dir / "a.ppm", a, '6');
  WritePnm(dir / "b.pgm", b, '5');
  ASSERT_TRUE(ShellTo("pnmtotiff -none '" + (dir / "a.ppm") + "'", dir / "a.tif"));
  ASSERT_TRUE(ShellTo("pnmtotiff -none '" + (dir / "b.pgm") + "'", dir / "b.tif"));
  const std::string multi = dir / "multi.tif";
  ASSERT_TRUE(Shell("tiffcp -c packbits '" + (dir / "a.tif") + "' '" + (dir / "b.tif") + "' '" + multi + "'"));
  {
    TOXFileStream s(multi, fmOpenRead);
    EXPECT_EQ(TIFFGetPageCount(s), 2);
    EXPECT_EQ(s.Position(), 0);
  }
  gfx::TDib dib;
  TIOParamsVals params;
  ASSERT_TRUE(LoadTiff(multi, dib, params, 1));
  EXPECT_EQ(params.TiffImageCount, 2);
  EXPECT_EQ(MaxDiff(FromDib(dib), b), 0);
  ASSERT_TRUE(LoadTiff(multi, dib, params, 0));
  EXPECT_EQ(MaxDiff(FromDib(dib), a), 0);
  EXPECT_FALSE(LoadTiff(multi, dib, params, 3));
  EXPECT_EQ(params.TiffImageCount, 2);
}

namespace {

struct WriteCase {
  const char* name;
  int bits, samples, compression, photometric;
  bool bilevelSource;
  int wantCompressionTag;
};

// Entries of the first directory of a file we wrote; checks their order and alignment on the way.
std::vector<TTiffEntry> WrittenDirectory(TTiffDirReader& r) {
  std::vector<TTiffEntry> entries;
  EXPECT_TRUE(r.ReadHeader());
  EXPECT_EQ(r.FirstOffset() % 2, 0u);
  EXPECT_TRUE(r.ReadDirectory(r.FirstOffset(), entries));
  for (size_t i = 1; i < entries.size(); ++i) EXPECT_LT(entries[i - 1].Tag, entries[i].Tag);
  for (const TTiffEntry& e : entries)
    if (int64_t(e.Count) * TiffTypeSize(e.Type) > 4) {
      EXPECT_EQ(r.U32(e.Value) % 2, 0u) << "tag " << e.Tag;
    }
  return entries;
}

}  // namespace

TEST(TiffTools, WriterFilesReadByLibtiff) {
  if (!HaveTool("tiffinfo") || !HaveTool("tifftopnm")) GTEST_SKIP() << "libtiff-tools missing";
  TempDir dir;
  const Picture colour = Pattern(75, 41, false), bilevel = Bilevel(203, 37);
  const WriteCase cases[] = {
      {"rgb none", 8, 3, 0, 2, false, 1},       {"rgb lzw", 8, 3, 5, 2, false, 5},
      {"rgb packbits", 8, 3, 8, 2, false, 32773}, {"rgb g4 falls back", 8, 3, 4, 2, false, 1},
      {"bilevel none", 1, 1, 0, 0, true, 1},    {"bilevel huffman", 1, 1, 1, 0, true, 2},
      {"bilevel g3", 1, 1, 2, 0, true, 3},      {"bilevel g3 2d", 1, 1, 3, 0, true, 3},
      {"bilevel g4", 1, 1, 4, 0, true, 4},      {"bilevel lzw", 1, 1, 5, 0, true, 5},
      {"bilevel packbits", 1, 1, 8, 0, true, 32773}, {"palette 8", 8, 1, 0, 2, false, 1},
      {"palette 4 lzw", 4, 1, 5, 2, false, 5},  {"palette 2 packbits", 2, 1, 8, 2, false, 32773},
      {"cmyk", 8, 3, 0, 5, false, 1},            {"16 bits become rgb", 16, 3, 0, 2, false, 1}};
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture& src = c.bilevelSource ? bilevel : colour;
    gfx::TDib dib = ToDib(src);
    if (c.bilevelSource) dib.SetPixelFormat(gfx::TPixelFormat::pf1bit);
    TIOParamsVals params;
    params.BitsPerSample = c.bits;
    params.SamplesPerPixel = c.samples;
    params.TiffCompression = uint8_t(c.compression);
    params.TiffPhotometric = uint8_t(c.photometric);
    params.DpiX = 300, params.DpiY = 150;
    params.TiffDocumentName = "doc";
    params.TiffImageDescription = "a description";
    params.TiffPageNumber = 1, params.TiffPageCount = 3;
    const std::string path = dir / "written.tif";
    {
      TOXFileStream s(path, fmCreate);
      TProgressRec progress;
      EXPECT_EQ(TIFFWriteStream(s, dib, progress, params), 1);
      EXPECT_FALSE(progress.IsAborted());
    }
    ASSERT_TRUE(Shell("tiffinfo -D '" + path + "'"));
    TOXMemoryStream ms(ReadFile(path));
    TTiffDirReader dirReader(ms, 0);
    TTiffDirReader* r = &dirReader;
    const std::vector<TTiffEntry> entries = WrittenDirectory(dirReader);
    EXPECT_EQ(r->Int(FindTag(entries, 259), 0), uint32_t(c.wantCompressionTag));
    EXPECT_EQ(r->Real(FindTag(entries, 282), 0), 300.0);
    EXPECT_EQ(r->Text(*FindTag(entries, 270)), "a description");
    // Our reader and libtiff agree on every written page, and lossless kinds give back the source.
    Picture ref;
    ASSERT_TRUE(Reference(path, dir, ref));
    gfx::TDib back;
    TIOParamsVals rp;
    ASSERT_TRUE(LoadTiff(path, back, rp));
    EXPECT_EQ(rp.TiffPageNumber, 1);
    EXPECT_EQ(rp.TiffPageCount, 3);
    EXPECT_EQ(rp.DpiY, 150);
    const Picture got = FromDib(back);
    if (c.photometric != 5) {
      EXPECT_LE(MaxDiff(got, ref), 1);
    }
    if (c.samples == 3 && c.photometric == 2) {
      EXPECT_EQ(MaxDiff(got, src), 0);
    }
    if (c.bilevelSource) {
      EXPECT_EQ(MaxDiff(got, src), 0);
    }
    if (c.photometric == 5) {
      EXPECT_LE(MaxDiff(got, src), 2);
    }
    if (c.samples == 1 && c.bits > 1) {
      EXPECT_EQ(params.TiffPhotometric, 3);
      EXPECT_EQ(params.ColorMapCount, 1 << c.bits);
      EXPECT_EQ(r->Int(FindTag(entries, 262), 0), 3u);
    }
  }
}

TEST(TiffTools, WriterWithoutLzwEncoderWritesUncompressed) {
  NoLzwCoders none;
  const Picture colour = Pattern(20, 10, false);
  gfx::TDib dib = ToDib(colour);
  TIOParamsVals params;
  params.TiffCompression = 5;
  TOXMemoryStream s;
  TProgressRec progress;
  ASSERT_EQ(TIFFWriteStream(s, dib, progress, params), 1);
  s.SetPosition(0);
  TTiffDirReader r(s, 0);
  ASSERT_TRUE(r.ReadHeader());
  std::vector<TTiffEntry> entries;
  ASSERT_TRUE(r.ReadDirectory(r.FirstOffset(), entries));
  EXPECT_EQ(r.Int(FindTag(entries, 259), 0), 1u);
  EXPECT_EQ(FindTag(entries, 317), nullptr);
  // Round trip through our own reader, Lab included.
  params.TiffCompression = 0;
  params.TiffPhotometric = 7;
  TOXMemoryStream lab;
  ASSERT_EQ(TIFFWriteStream(lab, dib, progress, params), 1);
  lab.SetPosition(0);
  gfx::TDib back;
  TIOParamsVals rp;
  int pages = 0;
  TIFFReadStream(&back, lab, pages, true, nullptr, false, progress, &rp);
  ASSERT_FALSE(progress.IsAborted());
  EXPECT_EQ(rp.TiffPhotometric, 7);
  EXPECT_LE(MaxDiff(FromDib(back), colour), 4);
}

TEST(TiffTools, ShortWriteAborts) {
  struct Full : TOXMemoryStream {
    int64_t Write(const void* b, int64_t n) override {
      const int64_t room = std::max<int64_t>(0, 100 - Size());
      return TOXMemoryStream::Write(b, std::min(n, room));
    }
  } s;
  gfx::TDib dib = ToDib(Pattern(30, 30, false));
  TIOParamsVals params;
  TProgressRec progress;
  EXPECT_EQ(TIFFWriteStream(s, dib, progress, params), 0);
  EXPECT_TRUE(progress.IsAborted());
}
