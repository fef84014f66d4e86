// vantrel-convert as a user runs it: exit codes and one-line messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct TRun {
  int status = -1;
  std::string output;  // stdout and stderr together
};

TRun Convert(const std::string& args) {
  TRun r;
  std::string cmd = std::string(VANTREL_CONVERT) + " " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.output.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/vantrel-cli-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

}  // namespace

TEST(Convert, HelpAndUsageErrors) {
  TRun help = Convert("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("Usage: vantrel-convert"), std::string::npos);
  struct Row { const char* args; const char* message; };
  const Row rows[] = {{"", "expected an INPUT and an OUTPUT"},
                      {"--bogus a b", "unknown option --bogus"},
                      {"--quality 0 a.bmp b.jpg", "--quality expects a whole number from 1 to 100"},
                      {"--resize 10y10 a b", "--resize expects WxH"},
                      {"--info", "--info takes exactly one file"}};
  for (const auto& r : rows) {
    TRun run = Convert(r.args);
    EXPECT_EQ(run.status, 2) << r.args;
    EXPECT_NE(run.output.find(r.message), std::string::npos) << run.output;
  }
}

TEST(Convert, UnreadableInputsNameTheFile) {
  TempDir dir;
  std::ofstream(dir / "garbage.bin") << "this is not a picture at all";
  std::ofstream(dir / "garbage.bmp") << "BM but too short";
  fs::create_directory(dir / "folder.png");
  struct Row { std::string in; const char* reason; };
  const Row rows[] = {{dir / "missing.bmp", "No such file"},
                      {dir / "garbage.bin", "not a picture"},
                      {dir / "garbage.bmp", "not a picture"},
                      {dir / "folder.png", "is a folder"}};
  for (const auto& r : rows) {
    TRun run = Convert("'" + r.in + "' '" + (dir / "out.bmp") + "'");
    EXPECT_EQ(run.status, 1) << r.in << ": " << run.output;
    EXPECT_NE(run.output.find("cannot read '" + r.in + "'"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(r.reason), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));
  }
  TRun info = Convert("--info '" + (dir / "garbage.bin") + "'");
  EXPECT_EQ(info.status, 1);
}

namespace {

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += char(b);
  return s;
}

// A little-endian TIFF of one 8 x 8 RGB page stored with `compression`.
std::string TiffWithCompression(int compression) {
  std::string t = Bytes({'I', 'I', 42, 0, 8, 0, 0, 0});
  const int tags[][3] = {{256, 3, 8}, {257, 3, 8}, {258, 3, 8}, {259, 3, compression}, {262, 3, 2},
                         {273, 4, 200}, {277, 3, 3}, {278, 3, 8}, {279, 4, 192}};
  t += Bytes({9, 0});
  for (const auto& tag : tags) {
    t += Bytes({tag[0] & 255, tag[0] >> 8, tag[1], 0, 1, 0, 0, 0});
    t += Bytes({tag[2] & 255, (tag[2] >> 8) & 255, 0, 0});
  }
  t += Bytes({0, 0, 0, 0});
  t.resize(200 + 192, '\x55');
  return t;
}

}  // namespace

// One reason per codec family: what is unsupported is named as such, what is damaged says where.
TEST(Convert, UnreadableInputsSayWhy) {
  TempDir dir;
  std::string bmp = Bytes({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0,
                           24, 0, 4, 0, 0, 0});
  bmp.resize(54 + 16, '\0');
  std::string pcx = Bytes({10, 5, 1, 8, 0, 0, 0, 0, 7, 0, 7, 0});
  pcx.resize(65, '\0');
  pcx += Bytes({2, 8, 0});  // two planes of eight bits
  pcx.resize(128 + 64, '\0');
  std::string tga = Bytes({0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0});
  tga.resize(18 + 48, '\0');
  struct Row { const char* name; std::string content; const char* reason; bool unsupported; };
  const Row rows[] = {
      {"page.tif", TiffWithCompression(34712), "TIFF: compression 34712 (JPEG 2000) is not supported", true},
      {"jpeg.bmp", bmp, "BMP: compression JPEG at 24 bits per pixel is not supported", true},
      {"planes.pcx", pcx, "PCX: 2 planes of 8 bits are not supported", true},
      {"type.tga", tga, "TGA: image type 32 at 24 bits per pixel is not supported", true},
      {"cut.gif", "GIF89a" + Bytes({4, 0, 4, 0, 0x87, 0, 0, 1, 2, 3}), "GIF: the global colour table runs past the end", false},
      {"cut.ppm", "P6 10", "PXM: the header ends before the size and the maximum value", false},
      {"none.jpg", "no marker here at all", "JPEG: no start-of-image marker", false},
      {"cut.png", Bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0}), "PNG: ", false},
      {"cut.ico", Bytes({0, 0, 1, 0, 2, 0, 16, 16}), "ICO: the directory runs past the end of the file", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::ofstream(dir / r.name, std::ios::binary) << r.content;
    TRun run = Convert("'" + (dir / r.name) + "' '" + (dir / "out.bmp") + "'");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find(r.reason), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("damaged") == std::string::npos, r.unsupported) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));
  }
  TRun info = Convert("--info '" + (dir / "cut.gif") + "'");
  EXPECT_EQ(info.status, 1);
  EXPECT_NE(info.output.find("GIF: the global colour table runs past the end"), std::string::npos) << info.output;
}

TEST(Convert, OutputWithoutWriterIsAUsageError) {
  TempDir dir;
  std::ofstream(dir / "in.bmp") << "x";
  TRun run = Convert("'" + (dir / "in.bmp") + "' '" + (dir / "out.ico") + "'");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("no writer for the extension '.ico'"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(dir / "out.ico"));
}

TEST(Convert, JpegRoundTripAndInfo) {
  TempDir dir;
  ASSERT_EQ(std::system(("convert -size 64x48 gradient:red-blue '" + (dir / "in.jpg") + "'").c_str()), 0);
  TRun info = Convert("--info '" + (dir / "in.jpg") + "'");
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Format: JPEG Bitmap (JPG)"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Size: 64 x 48"), std::string::npos) << info.output;

  TRun run = Convert("--quality 90 --resize 32x24:mitchell '" + (dir / "in.jpg") + "' '" + (dir / "out.jpeg") + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  TRun back = Convert("--info '" + (dir / "out.jpeg") + "'");
  EXPECT_NE(back.output.find("Size: 32 x 24"), std::string::npos) << back.output;

  // A JPEG under a name the library doesn't know is read by its content.
  fs::copy_file(dir / "in.jpg", dir / "photo.data");
  EXPECT_EQ(Convert("'" + (dir / "photo.data") + "' '" + (dir / "again.jpg") + "'").status, 0);
}

// Every format the tool writes, read back by the tool, and a few read by other programs' tools.
TEST(Convert, EveryWriterRoundTrips) {
  TempDir dir;
  ASSERT_EQ(std::system(("convert -size 48x32 gradient:red-blue '" + (dir / "in.ppm") + "'").c_str()), 0);
  const char* outputs[] = {"a.bmp", "a.pcx", "a.tga", "a.tif", "a.png", "a.gif", "a.jpg", "a.ppm", "a.pgm", "a.pbm"};
  for (const char* out : outputs) {
    TRun run = Convert("'" + (dir / "in.ppm") + "' '" + (dir / out) + "'");
    EXPECT_EQ(run.status, 0) << out << ": " << run.output;
    TRun info = Convert("--info '" + (dir / out) + "'");
    EXPECT_NE(info.output.find("Size: 48 x 32"), std::string::npos) << out << ": " << info.output;
  }
  EXPECT_EQ(std::system(("tifftopnm '" + (dir / "a.tif") + "' >/dev/null 2>&1").c_str()), 0);
  EXPECT_EQ(std::system(("giftopnm '" + (dir / "a.gif") + "' >/dev/null 2>&1").c_str()), 0);
  EXPECT_EQ(std::system(("bmptopnm '" + (dir / "a.bmp") + "' >/dev/null 2>&1").c_str()), 0);
  TRun lzw = Convert("--compression lzw --rotate 90 --flip h --gray '" + (dir / "in.ppm") + "' '" + (dir / "b.tif") + "'");
  EXPECT_EQ(lzw.status, 0) << lzw.output;
  EXPECT_NE(Convert("--info '" + (dir / "b.tif") + "'").output.find("Size: 32 x 48"), std::string::npos);
}

TEST(Convert, MetafileCorpusImports) {
  TempDir dir;
  const std::string wmf = std::string(VANTREL_CORPUS) + "/wmf";
  int seen = 0;
  for (const auto& entry : fs::recursive_directory_iterator(wmf)) {
    std::string ext = entry.path().extension().string();
    if (ext != ".wmf" && ext != ".emf") continue;
    ++seen;
    TRun run = Convert("'" + entry.path().string() + "' '" + (dir / "m.png") + "'");
    EXPECT_EQ(run.status, 0) << entry.path() << ": " << run.output;
  }
  EXPECT_GE(seen, 2);
}

// A cut file is no conversion: exit 1, naming the file and how far its data goes; no output is made.
TEST(Convert, CutInputNamesTheMissingRows) {
  TempDir dir;
  ASSERT_EQ(std::system(("convert -size 64x480 gradient:red-blue -quality 90 '" + (dir / "whole.jpg") + "'").c_str()), 0);
  std::ifstream in(dir / "whole.jpg", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::ofstream(dir / "photo.jpg", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  TRun run = Convert("'" + (dir / "photo.jpg") + "' '" + (dir / "out.png") + "'");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("cannot read '" + (dir / "photo.jpg") + "': the data ends after row "), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find(" of 480\n"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(dir / "out.png"));
  // The whole file without its end marker converts.
  std::ofstream(dir / "noend.jpg", std::ios::binary) << bytes.substr(0, bytes.size() - 2);
  EXPECT_EQ(Convert("'" + (dir / "noend.jpg") + "' '" + (dir / "out.png") + "'").status, 0);
}

// The file's pixel size is kept unless square pixels are asked for (a 204 x 98 dpi fax page).
TEST(Convert, SquarePixelsOnlyWhenAsked) {
  TempDir dir;
  ASSERT_EQ(std::system(("convert -size 100x40 xc:white -density 204x98 -units PixelsPerInch '" + (dir / "fax.tif") + "'").c_str()), 0);
  EXPECT_EQ(Convert("'" + (dir / "fax.tif") + "' '" + (dir / "kept.png") + "'").status, 0);
  EXPECT_NE(Convert("--info '" + (dir / "kept.png") + "'").output.find("Size: 100 x 40"), std::string::npos);
  EXPECT_EQ(Convert("--square-pixels '" + (dir / "fax.tif") + "' '" + (dir / "square.png") + "'").status, 0);
  const TRun info = Convert("--info '" + (dir / "square.png") + "'");
  EXPECT_NE(info.output.find("Size: 100 x 83"), std::string::npos) << info.output;
  EXPECT_NE(Convert("--help").output.find("--square-pixels"), std::string::npos);
}
