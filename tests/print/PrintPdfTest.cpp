// Printing for real: QPrinter writes PDF files (directly, or through a CUPS queue with the cups-pdf printer),
// pdftoppm rasterises them at the printer's resolution, and the picture must sit where the layout says.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/TempDir.h"
#include "imaging/io/oxio.h"
#include "imaging/io/oxprint.h"
#include "platform/print/PrinterQt.h"

namespace {

constexpr int kDpi = 300;

bool RunCommand(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }
bool Have(const std::string& tool) { return RunCommand("command -v " + tool + " >/dev/null 2>&1"); }
bool CupsRunning() { return RunCommand("lpstat -r 2>/dev/null | grep -q 'is running'"); }

// A cupsd of our own in the foreground, stopped by its id when the test ends.
struct TCupsd {
  pid_t pid = 0;
  bool Start() {
    char name[] = "cupsd", flag[] = "-f";
    char* argv[] = {name, flag, nullptr};
    // A clean signal state: the filters it runs wait for their own children.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    // Its own session and no terminal, as a daemon has.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    for (int fd = 0; fd < 3; ++fd) posix_spawn_file_actions_addopen(&files, fd, "/dev/null", O_RDWR, 0);
    const int failed = posix_spawnp(&pid, "cupsd", &files, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (failed != 0) return false;
    // Its socket answers shortly after; a daemon that ended at once (no rights, port taken) answers never.
    for (int i = 0; i < 100 && !CupsRunning(); ++i) {
      if (waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = 0;
        return false;
      }
      usleep(100000);
    }
    return CupsRunning();
  }
  ~TCupsd() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
};

// A binary PGM as rows of gray levels.
struct TGray {
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  uint8_t At(int x, int y) const { return px[size_t(y) * w + x]; }
};

TGray ReadPgm(const std::string& path) {
  TGray g;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> g.w >> g.h >> maxval;
  in.get();
  if (magic != "P5" || g.w <= 0 || g.h <= 0) return {};
  g.px.resize(size_t(g.w) * g.h);
  in.read(reinterpret_cast<char*>(g.px.data()), std::streamsize(g.px.size()));
  return g;
}

// The first page at the printer's resolution in gray.
TGray Rasterise(const std::string& pdf, const std::string& stem) {
  const std::string cmd =
      "pdftoppm -r " + std::to_string(kDpi) + " -gray -singlefile '" + pdf + "' '" + stem + "' 2>/dev/null";
  if (!RunCommand(cmd)) return {};
  return ReadPgm(stem + ".pgm");
}

// Box of the pixels darker than mid gray, right and bottom excluded.
gfx::TRect DarkBox(const TGray& g) {
  gfx::TRect b{g.w, g.h, 0, 0};
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x)
      if (g.At(x, y) < 128) {
        b.Left = std::min(b.Left, x), b.Top = std::min(b.Top, y);
        b.Right = std::max(b.Right, x + 1), b.Bottom = std::max(b.Bottom, y + 1);
      }
  return b;
}

void ExpectWithinOneDot(const gfx::TRect& got, const gfx::TRect& want) {
  EXPECT_NEAR(got.Left, want.Left, 1);
  EXPECT_NEAR(got.Top, want.Top, 1);
  EXPECT_NEAR(got.Right, want.Right, 1);
  EXPECT_NEAR(got.Bottom, want.Bottom, 1);
}

class PrintPdfTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!Have("pdftoppm")) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    picture = gfx::TDib(600, 300, gfx::TPixelFormat::pf24bit);  // black
    io.SetAttachedBitmap(&picture);
    io.Params.DpiX = io.Params.DpiY = 100;
  }
  // Letter with quarter-inch margins at 300 dpi, as every page below is set up.
  void SetUpPage(platform::TPrinterQt& printer) {
    printer.Qt().setResolution(kDpi);
    printer.Qt().setPageSize(QPageSize(QPageSize::Letter));
    printer.Qt().setPageMargins(QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch);
  }
  // Where the layout puts the picture on the whole sheet, in dots.
  gfx::TRect Expected(platform::TPrinterQt& printer, const ox::TPrintLayout& l) {
    const ox::TPrintDevice d = printer.Device();
    const auto p = ox::PlacePicture(picture.Width(), picture.Height(), 100, 100, d.DpiX, d.DpiY,
                                    double(d.PageWidth) / d.DpiX, double(d.PageHeight) / d.DpiY, l);
    gfx::TRect r = ox::PlacementRect(p, d.DpiX, d.DpiY);
    const QPoint origin = printer.Qt().pageLayout().paintRectPixels(kDpi).topLeft();
    return {r.Left + origin.x(), r.Top + origin.y(), r.Right + origin.x(), r.Bottom + origin.y()};
  }
  gfx::TRect PrintAndMeasure(platform::TPrinterQt& printer, const ox::TPrintLayout& l, const std::string& name) {
    const std::string pdf = dir / (name + ".pdf");
    printer.AskPdfFile = [pdf] { return pdf; };
    EXPECT_TRUE(printer.PrintPage([&](ox::TOXDrawTarget& t) { ox::PrintOnDevice(io, t, printer.Device(), l); }))
        << printer.LastError();
    EXPECT_FALSE(std::filesystem::exists(pdf + ".part"));
    const TGray g = Rasterise(pdf, dir / name);
    EXPECT_EQ(g.w, 2550);  // 8.5 inches
    EXPECT_EQ(g.h, 3300);
    return DarkBox(g);
  }

  testsupport::TTempDir dir;
  gfx::TDib picture;
  ox::TOrvexIO io;
};

}  // namespace

TEST_F(PrintPdfTest, EachSizeModeAndPositionLandsWhereTheLayoutSays) {
  platform::TPrinterQt printer;
  printer.UseQueue("");
  SetUpPage(printer);
  const ox::TPrintDevice d = printer.Device();
  EXPECT_EQ(d.DpiX, kDpi);
  EXPECT_EQ(d.PageWidth, 2400);  // 8 inches inside the quarter-inch margins
  struct Case {
    int mode, horz, vert;
    double left, top, right, bottom;
  };
  const Case cases[] = {
      {ox::psmNormal, ox::ppNear, ox::ppNear, 1, 1, 1, 1},
      {ox::psmNormal, ox::ppFar, ox::ppFar, 0.5, 0.75, 1.25, 2},
      {ox::psmFitToPage, ox::ppCenter, ox::ppCenter, 1, 1, 1, 1},
      {ox::psmFitToPage, ox::ppNear, ox::ppFar, 0, 0, 0, 0},
      {ox::psmStretchToPage, ox::ppCenter, ox::ppCenter, 1.5, 2, 0.5, 1},
      {ox::psmSpecifiedSize, ox::ppFar, ox::ppNear, 1, 1, 1, 1},
      {ox::psmSpecifiedSize, ox::ppCenter, ox::ppFar, 0.3, 0.7, 0.9, 1.1},
      {ox::psmNormal, ox::ppCenter, ox::ppNear, 2, 3, 0, 0},
      {ox::psmSpecifiedSize, ox::ppNear, ox::ppCenter, 1, 1, 1, 1},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " position " << c.horz << "," << c.vert);
    ox::TPrintLayout l;
    l.SizeMode = c.mode, l.HorzPos = c.horz, l.VertPos = c.vert;
    l.LeftMargin = c.left, l.TopMargin = c.top, l.RightMargin = c.right, l.BottomMargin = c.bottom;
    l.SpecWidth = 2.5, l.SpecHeight = 3.2;
    ExpectWithinOneDot(PrintAndMeasure(printer, l, "case" + std::to_string(n++)), Expected(printer, l));
  }
}

TEST_F(PrintPdfTest, GammaBrightensTheMidTonesOfAGrayRamp) {
  picture = gfx::TDib(256, 8, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 256; ++x) picture.SetPixelColor(x, y, gfx::RGBColor(uint8_t(x), uint8_t(x), uint8_t(x)));
  platform::TPrinterQt printer;
  printer.UseQueue("");
  SetUpPage(printer);
  ox::TPrintLayout l;
  l.SizeMode = ox::psmSpecifiedSize;
  l.SpecWidth = 2400.0 / 300, l.SpecHeight = 1;  // the printable width: 9.375 dots for each level
  l.LeftMargin = l.RightMargin = l.TopMargin = 0;
  l.HorzPos = l.VertPos = ox::ppNear;
  for (double gamma : {1.0, 2.0}) {
    SCOPED_TRACE(gamma);
    l.Gamma = gamma;
    const std::string name = "ramp" + std::to_string(int(gamma));
    const std::string pdf = dir / (name + ".pdf");
    printer.AskPdfFile = [pdf] { return pdf; };
    ASSERT_TRUE(printer.PrintPage([&](ox::TOXDrawTarget& t) { ox::PrintOnDevice(io, t, printer.Device(), l); }));
    const TGray g = Rasterise(pdf, dir / name);
    ASSERT_GT(g.w, 0);
    const QPoint origin = printer.Qt().pageLayout().paintRectPixels(kDpi).topLeft();
    const auto t = ox::GammaTable(gamma);
    for (int level : {0, 32, 64, 128, 192, 255}) {
      const int x = origin.x() + int((level + 0.5) * 2400 / 256);
      EXPECT_NEAR(g.At(x, origin.y() + 150), t[level], 2) << level;
    }
  }
  EXPECT_EQ(ox::GammaTable(2)[128], 181);
}

// Once through the system's printing: a cups-pdf queue on a cupsd this test starts when none runs.
TEST_F(PrintPdfTest, ThroughACupsQueueWithTheCupsPdfPrinter) {
  if (geteuid() != 0) GTEST_SKIP() << "cupsd and the cups-pdf backend need root to run here";
  if (!Have("cupsd") || !Have("lpadmin") || !std::filesystem::exists("/usr/lib/cups/backend/cups-pdf"))
    GTEST_SKIP() << "cups or printer-driver-cups-pdf is not installed";
  const std::string ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
  if (!std::filesystem::exists(ppd)) GTEST_SKIP() << "the cups-pdf PPD is missing";
  TCupsd cupsd;
  if (!CupsRunning() && !cupsd.Start()) GTEST_SKIP() << "cupsd could not be started on this machine";
  const std::string queue = "VantrelCheck";
  if (!RunCommand("lpadmin -p " + queue + " -v cups-pdf:/ -P " + ppd + " -E >/dev/null 2>&1"))
    GTEST_SKIP() << "lpadmin could not add a cups-pdf queue";
  const passwd* pw = getpwuid(geteuid());
  const std::filesystem::path out = std::string(pw ? pw->pw_dir : "/root") + "/PDF";
  const std::string title = "vantrel-cups-" + std::to_string(getpid());

  platform::TPrinterQt printer;
  printer.UseQueue(queue);
  printer.Qt().setDocName(QString::fromStdString(title));
  SetUpPage(printer);
  ox::TPrintLayout l;  // fit to page, centred, margins 1
  const bool printed =
      printer.PrintPage([&](ox::TOXDrawTarget& t) { ox::PrintOnDevice(io, t, printer.Device(), l); });
  EXPECT_TRUE(printed) << printer.LastError();
  // The queue works on its own: wait (bounded) until it holds no job, then cups-pdf has written the file.
  for (int i = 0; printed && i < 1200 && RunCommand("lpstat -o " + queue + " 2>/dev/null | grep -q ."); ++i)
    usleep(100000);
  std::string pdf;
  std::error_code ec;
  for (const auto& f : std::filesystem::directory_iterator(out, ec))
    if (f.path().filename().string().rfind(title, 0) == 0 && f.path().extension() == ".pdf") pdf = f.path();
  RunCommand("lpadmin -x " + queue + " >/dev/null 2>&1");
  ASSERT_FALSE(pdf.empty()) << "cups-pdf wrote no file named " << title << " into " << out;
  const TGray g = Rasterise(pdf, dir / "cups");
  std::filesystem::remove(pdf);
  ASSERT_GT(g.w, 0) << pdf;
  // cups-pdf lays the page on its own paper: compare the picture's size and its centre to the layout's.
  const gfx::TRect got = DarkBox(g);
  const gfx::TRect want = Expected(printer, l);
  EXPECT_NEAR(got.Width(), want.Width(), 2);
  EXPECT_NEAR(got.Height(), want.Height(), 2);
  EXPECT_NEAR((got.Left + got.Right) / 2.0, g.w / 2.0, g.w / 50.0);
}
