// The I/O component: registry look-ups, content detection, dispatch through the registry's extension point,
// safe file saves, square pixels and the parameter descriptions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "imaging/io/oxio.h"

using namespace ox;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void Spit(const fs::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary);
  f << bytes;
}

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/vantrel-io-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path); }
};

TOXMemoryStream StreamOf(const std::string& bytes) { return TOXMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end())); }

// A registered test format "XYZ": header "XYZ" + width byte + height byte + one gray byte per pixel.
constexpr TOXFileFormat kXyz = 10001;

void RegisterXyzOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  TOXFileFormatInfo info;
  info.FormatId = kXyz;
  info.Description = "Test Gray";
  info.Extensions = "xyz;xy2";
  info.DetectProc = [](TOXStream& s) {
    char b[3] = {};
    return s.Read(b, 3) == 3 && b[0] == 'X' && b[1] == 'Y' && b[2] == 'Z';
  };
  info.ReadProc = [](TOXStream& s, gfx::TDib* dib, TIOParamsVals& p, bool paramsOnly, TProgressRec& progress) {
    TOXReader r(s);
    r.Skip(3);
    int w = r.ReadU8(), h = r.ReadU8();
    if (r.Failed() || w == 0 || h == 0) return progress.Abort();
    p.Width = w;
    p.Height = h;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    if (paramsOnly) return;
    dib->SetPixelFormat(gfx::TPixelFormat::pf24bit);
    dib->SetSize(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t g = r.ReadU8();
        dib->SetPixelColor(x, y, gfx::RGBColor(g, g, g));
      }
    if (r.Failed()) progress.Abort();
  };
  info.WriteProc = [](TOXStream& s, gfx::TDib& dib, TIOParamsVals&, TProgressRec& progress) {
    std::string out = "XYZ";
    out += char(dib.Width());
    out += char(dib.Height());
    for (int y = 0; y < dib.Height(); ++y)
      for (int x = 0; x < dib.Width(); ++x) out += char(gfx::RedOf(dib.GetPixelColor(x, y)));
    if (dib.Width() == 13) return progress.Abort();  // lets a test make a save fail half-way
    s.Write(out.data(), int64_t(out.size()));
  };
  RegisterFileFormat(info);
}

}  // namespace

TEST(Registry, LookupsByIdAndExtension) {
  EXPECT_EQ(FindFormatById(oxffTGA)->Description, "Targa Bitmap");
  EXPECT_EQ(FindFormatById(0), nullptr);
  EXPECT_EQ(FindFormatByExtension("jpe")->FormatId, oxffJPEG);
  EXPECT_EQ(FindFormatByExtension(".PIX")->FormatId, oxffTGA);
  EXPECT_EQ(FindFormatByExtension("jfif"), nullptr);
  EXPECT_EQ(FormatExtension(oxffTIFF, 2), "FAX");
  EXPECT_EQ(FormatExtension(oxffTIFF, 3), "");
  EXPECT_EQ(FormatExtensionCount(oxffTGA), 6);
  EXPECT_TRUE(IsKnownFileExtension("/x/picture.pix"));
  EXPECT_TRUE(IsKnownFileExtension("photo.JPG"));
  EXPECT_FALSE(IsKnownFileExtension("image.jfif"));
  EXPECT_FALSE(IsKnownFileExtension("/some.dir/noextension"));
}

TEST(Dispatch, ExtensionTables) {
  struct Row { const char* ext; TOXFileFormat load, save; };
  const Row rows[] = {{".jpg", oxffJPEG, oxffJPEG}, {".jpe", oxffJPEG, oxffJPEG}, {".fax", oxffTIFF, oxffTIFF},
                      {".rle", oxffBMP, oxffBMP},   {".ico", oxffICO, 0},          {".cur", oxffCUR, 0},
                      {".wmf", oxffWMF, 0},         {".win", oxffTGA, oxffTGA},    {".pix", 0, 0},
                      {".pbm", oxffPXM, oxffPXM},   {".jfif", 0, 0},               {"", 0, 0}};
  for (const auto& r : rows) {
    EXPECT_EQ(LoadFormatOfExtension(r.ext), r.load) << r.ext;
    EXPECT_EQ(SaveFormatOfExtension(r.ext), r.save) << r.ext;
  }
  EXPECT_EQ(LowerExtension("/a/photo.JPG"), ".jpg");
}

TEST(Detection, HeaderRulesWithExactSizes) {
  struct Row { std::string bytes; TOXFileFormat expected; };
  std::string bm14 = "BM" + std::string(12, '\0');
  std::string pcx129(129, '\0');
  pcx129[0] = 10, pcx129[1] = 5;
  std::string notPcx = pcx129;
  notPcx[1] = 6;
  const Row rows[] = {
      {bm14 + "x", oxffBMP},
      {bm14, oxffUnknown},
      {pcx129, oxffPCX},
      {notPcx, oxffUnknown},
      {std::string("GIF89a") + std::string(8, '\0'), oxffGIF},
      {std::string("GIF89a") + std::string(7, '\0'), oxffUnknown},
      {std::string("JFIF\0", 5) + std::string(8, '\0'), oxffJPEG},
      {std::string("PCX2\0", 5) + std::string(8, '\0'), oxffPCX},
      {std::string("PCX\0x", 5), oxffPCX},
      {std::string("TIFF\0", 5) + std::string(8, '\0'), oxffTIFF},
      {std::string("II*\0", 4) + std::string(5, '\0'), oxffTIFF},
      {std::string("MM\0*") + std::string(4, '\0'), oxffUnknown},
      {"", oxffUnknown},
  };
  for (const auto& r : rows) {
    TOXMemoryStream s = StreamOf(r.bytes);
    EXPECT_EQ(DetectStreamFormat(s), r.expected) << r.bytes.size();
    EXPECT_EQ(s.Position(), 0);
  }
}

TEST(Detection, RestoresAnInnerPosition) {
  TOXMemoryStream s = StreamOf("junk" + std::string("BM") + std::string(20, '\0'));
  s.SetPosition(4);
  EXPECT_EQ(DetectStreamFormat(s), oxffBMP);
  EXPECT_EQ(s.Position(), 4);
}

TEST(Dispatch, RegisteredFormatLoadsSavesAndDetects) {
  RegisterXyzOnce();
  TempDir dir;
  fs::path file = dir.path / "gray.xyz";
  Spit(file, std::string("XYZ\x02\x01\x10\x20", 7));
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFile(file);
  ASSERT_FALSE(io.Aborted);
  EXPECT_EQ(dib.Width(), 2);
  EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(0x20, 0x20, 0x20));
  EXPECT_EQ(io.Params.FileType, kXyz);
  EXPECT_EQ(io.Params.FileName, file.string());
  EXPECT_TRUE(dib.Modified);

  TOXMemoryStream s = StreamOf(std::string("XYZ\x01\x01\x7f", 6));
  EXPECT_EQ(DetectStreamFormat(s), kXyz);
  io.LoadFromStream(s);
  ASSERT_FALSE(io.Aborted);
  EXPECT_EQ(io.Params.FileName, "");
  EXPECT_EQ(dib.Width(), 1);

  fs::path out = dir.path / "out.xy2";
  io.SaveToFile(out);
  EXPECT_FALSE(io.Aborted);
  EXPECT_EQ(Slurp(out), std::string("XYZ\x01\x01\x7f", 6));

  io.ReadParamsFromFile(file);
  EXPECT_EQ(io.Params.FileType, kXyz);
  EXPECT_EQ(io.Params.Width, 2);
  EXPECT_EQ(dib.Width(), 1);  // params-only reading never touches the picture
}

TEST(Dispatch, UnknownNamesAndFormatsAbort) {
  RegisterXyzOnce();
  TempDir dir;
  gfx::TDib dib(2, 2, gfx::TPixelFormat::pf24bit);
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  for (const char* name : {"image.jfif", "noextension", "picture.pix"}) {
    io.LoadFromFile(dir.path / name);
    EXPECT_TRUE(io.Aborted) << name;
  }
  io.LoadFromFileFormat(dir.path / "x", 4242);
  EXPECT_TRUE(io.Aborted);
  EXPECT_EQ(io.Params.FileType, 0);
  for (const char* name : {"icon.ico", "x.wmf", "x.jfif"}) {
    io.SaveToFile(dir.path / name);
    EXPECT_TRUE(io.Aborted) << name;
    EXPECT_FALSE(fs::exists(dir.path / name)) << name;
  }
  io.ReadParamsFromFile(dir.path / "missing.xyz");
  EXPECT_EQ(io.Params.FileType, 0);
}

TEST(SafeSave, FailedSaveLeavesTheTargetByteIdentical) {
  RegisterXyzOnce();
  TempDir dir;
  fs::path target = dir.path / "keep.xyz";
  Spit(target, "original bytes");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  gfx::TDib dib(13, 1, gfx::TPixelFormat::pf24bit);  // the test writer aborts on width 13
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.SaveToFile(target);
  EXPECT_TRUE(io.Aborted);
  EXPECT_EQ(Slurp(target), "original bytes");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);

  dib.SetSize(2, 1);
  io.SaveToFile(target);
  EXPECT_FALSE(io.Aborted);
  EXPECT_EQ(Slurp(target).substr(0, 3), "XYZ");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(SquarePixels, AdjustDpiExamples) {
  struct Row { int dpiX, dpiY, w, h, newW, newH, outDpiX, outDpiY; };
  const Row rows[] = {{72, 144, 300, 200, 300, 100, 72, 72}, {144, 72, 200, 300, 100, 300, 72, 72},
                      {96, 96, 30, 20, 30, 20, 96, 96}, {1, 100000, 50, 40, 50, 40, 1, 100000},
                      // More than 16 times longer: a damaged resolution field, left alone.
                      {6, 481074, 16, 16, 16, 16, 6, 481074}, {1700, 100, 40, 30, 40, 30, 1700, 100},
                      {1600, 100, 40, 30, 40, 480, 1600, 1600}};
  for (const auto& r : rows) {
    gfx::TDib dib(r.w, r.h, gfx::TPixelFormat::pf24bit);
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.Params.Width = r.w, io.Params.Height = r.h, io.Params.DpiX = r.dpiX, io.Params.DpiY = r.dpiY;
    io.AdjustDpi();
    EXPECT_EQ(dib.Width(), r.newW);
    EXPECT_EQ(dib.Height(), r.newH);
    EXPECT_EQ(io.Params.DpiX, r.outDpiX);
    EXPECT_EQ(io.Params.DpiY, r.outDpiY);
  }
}

// A page turned by its orientation tag: the bitmap's axes are the stored ones swapped, and so are the
// resolutions. Stored 300 x 200 at 72 x 144 dpi is 300 x 100 square; turned, that is 100 x 300.
TEST(SquarePixels, TurnedPageStretchesItsStoredAxis) {
  gfx::TDib dib(200, 300, gfx::TPixelFormat::pf24bit);
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.Params.Width = 300, io.Params.Height = 200, io.Params.DpiX = 72, io.Params.DpiY = 144;
  io.AdjustDpi();
  EXPECT_EQ(dib.Width(), 100);
  EXPECT_EQ(dib.Height(), 300);
  EXPECT_EQ(io.Params.Width, 300);
  EXPECT_EQ(io.Params.Height, 100);
  EXPECT_EQ(io.Params.DpiX, 72);
  EXPECT_EQ(io.Params.DpiY, 72);
}

TEST(Describe, FormatsAndOptions) {
  TIOParamsVals p;
  p.FileType = oxffJPEG;
  EXPECT_EQ(DescribeParams(p), "JPEG Bitmap (JPG) YCbCr");
  p.FileType = oxffTIFF;
  p.TiffCompression = 4;
  EXPECT_EQ(DescribeParams(p), "TIFF Bitmap (TIF) Group 4 Fax");
  p.TiffCompression = 9;
  EXPECT_EQ(DescribeParams(p), "TIFF Bitmap (TIF)");
  p.FileType = oxffTGA;
  p.TgaCompressed = false;
  EXPECT_EQ(DescribeParams(p), "Targa Bitmap (TGA) Uncompressed");
  p.FileType = oxffBMP;
  p.BmpVersion = 2;
  EXPECT_EQ(DescribeParams(p), "Windows Bitmap (BMP) OS/2 v.1");
  p.FileType = 0;
  EXPECT_EQ(DescribeParams(p), "");
}

TEST(Metafile, SizingRule) {
  TempDir dir;
  MetafileImporter.Load = [](const std::string&, int, int, int& w, int& h, bool& enhanced, std::function<void(gfx::TDib&)>& draw) {
    w = 6000, h = 3000, enhanced = false;
    draw = [](gfx::TDib& d) { d.SetPixelColor(0, 0, gfx::RGBColor(1, 2, 3)); };
    return true;
  };
  gfx::TDib dib;
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFileFormat(dir.path / "big.wmf", oxffWMF);
  EXPECT_FALSE(io.Aborted);
  EXPECT_EQ(dib.Width(), 2799);
  EXPECT_EQ(dib.Height(), 1399);
  EXPECT_EQ(io.Params.FileType, oxffWMF);
  EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(1, 2, 3));
  MetafileImporter.Load = [](const std::string&, int, int, int& w, int& h, bool&, std::function<void(gfx::TDib&)>&) {
    w = 0, h = 10;
    return true;
  };
  io.ImportMetafile(dir.path / "zero.wmf", 100, -1);
  EXPECT_TRUE(io.Aborted);
  MetafileImporter.Load = {};
}

namespace {

gfx::TDib Gradient(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) d.SetPixelColor(x, y, gfx::RGBColor(uint8_t(x * 255 / w), uint8_t(y * 255 / h), 90));
  return d;
}

}  // namespace

TEST(Dispatch, RealCodecsByExtensionAndContent) {
  TempDir dir;
  gfx::TDib dib = Gradient(40, 30);
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.SaveToFile(dir.path / "photo.JPG");
  ASSERT_FALSE(io.Aborted);
  io.SaveToFile(dir.path / "lying.jpg.png");
  ASSERT_FALSE(io.Aborted);
  fs::rename(dir.path / "lying.jpg.png", dir.path / "lying.jpg");

  gfx::TDib back;
  TOrvexIO in;
  in.SetAttachedBitmap(&back);
  in.LoadFromFile(dir.path / "photo.JPG");
  EXPECT_FALSE(in.Aborted);
  EXPECT_EQ(in.Params.FileType, oxffJPEG);
  EXPECT_EQ(back.Width(), 40);

  in.ReadParamsFromFile(dir.path / "lying.jpg");  // PNG content under a JPEG name
  EXPECT_EQ(in.Params.FileType, oxffUnknown);
  EXPECT_EQ(DetectFileFormat(dir.path / "lying.jpg", false), oxffPNG);
  in.ReadParamsFromFile(dir.path / "photo.JPG");
  EXPECT_EQ(in.Params.FileType, oxffJPEG);
  EXPECT_EQ(in.Params.Width, 40);
}

TEST(StreamHeaders, BlocksWrittenAndReadForPcxAndJpeg) {
  for (TOXFileFormat f : {oxffPCX, oxffJPEG}) {
    gfx::TDib dib = Gradient(16, 8);
    TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.StreamHeaders = true;
    TOXMemoryStream s;
    s.Write("lead", 4);
    io.SaveToStreamFormat(s, f);
    ASSERT_FALSE(io.Aborted) << f;
    const int64_t end = s.Position();
    s.Write("tail", 4);
    const uint8_t* m = s.Memory() + 4;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m), 4), f == oxffPCX ? "PCX2" : "JFIF");
    const uint32_t length = m[8] | m[9] << 8 | m[10] << 16 | uint32_t(m[11]) << 24;
    EXPECT_EQ(int64_t(length), end - 4 - 12);

    s.SetPosition(4);
    EXPECT_EQ(DetectStreamFormat(s), f);
    gfx::TDib back;
    TOrvexIO in;
    in.SetAttachedBitmap(&back);
    in.StreamHeaders = true;
    in.LoadFromStream(s);
    EXPECT_FALSE(in.Aborted) << f;
    EXPECT_EQ(back.Width(), 16);
    EXPECT_EQ(s.Position(), end) << f;  // placed after the block's data
  }
}

TEST(StreamHeaders, PcxWithoutBlockIsRefusedWhenBlocksAreExpected) {
  gfx::TDib dib = Gradient(4, 4);
  TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  TOXMemoryStream s;
  io.SaveToStreamFormat(s, oxffPCX);
  s.SetPosition(0);
  io.StreamHeaders = true;
  io.LoadFromStreamFormat(s, oxffPCX);
  EXPECT_TRUE(io.Aborted);
}
