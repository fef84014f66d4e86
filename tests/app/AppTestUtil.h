// A real main window on the offscreen platform, with recording doubles for everything outside the process.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/AppContext.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"
#include "platform/clipboard/ClipboardDouble.h"
#include "platform/print/PrinterDouble.h"
#include "platform/desktop/Desktop.h"
#include "platform/fs/Fs.h"
#include "platform/shell/Shell.h"
#include "platform/ui/UiDouble.h"
#include "platform/window/Window.h"
#include "tests/support/TempDir.h"

class TMainFrmTest : public ::testing::Test {
 protected:
  testsupport::TTempDir dir;
  platform::TUiDouble ui;
  platform::TShellDouble shell;
  platform::TDesktopDouble desktop;
  platform::TWindowDouble window;
  platform::TClipboardDouble clipboard;
  platform::TPrinterDouble printer;
  platform::TFsLinux fs{dir / "vantrel"};
  app::ViewerOptions options;
  // The desktop's recent list the main window writes to; none while empty.
  std::string recentlyUsedPath;
  std::unique_ptr<app::TAppContext> ctx;
  app::TMainFrm* frm = nullptr;

  std::string IniPath() const { return dir / "vantrel.ini"; }

  // Creates the window as the program start does and shows it (the first show runs).
  app::TMainFrm& Start(std::vector<std::string> args = {}, bool show = true) {
    frm = nullptr;
    ctx.reset();
    app::TAppSetup s;
    s.services.ui = &ui;
    s.services.shell = &shell;
    s.services.fs = &fs;
    s.services.desktop = &desktop;
    s.services.window = &window;
    s.services.clipboard = &clipboard;
    s.lentOptions = &options;
    s.services.printer = &printer;
    s.settingsPath = IniPath();
    s.args = std::move(args);
    s.startFolder = dir.path.string();
    s.homePage = "file:///usr/share/vantrel/welcome.html";
    s.recentlyUsedPath = recentlyUsedPath;
    ctx = std::make_unique<app::TAppContext>(s);
    frm = &ctx->MainFrm();
    if (show) frm->show();
    return *frm;
  }

  // Runs a menu command as the user's click does (check items flip first).
  void Click(const std::string& item) {
    QAction* a = frm->Item(item);
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
  }

  std::string Picture(const std::string& name, int w, int h, int seed = 0) {
    std::string path = dir / name;
    testsupport::WritePpm(path, w, h, seed);
    return path;
  }

  int Width() const { return frm->Orvex->Picture().Width(); }
  int Height() const { return frm->Orvex->Picture().Height(); }
  // Blue, green, red of pixel (x, y) of the view's picture.
  std::array<int, 3> Pixel(int x, int y) const {
    const uint8_t* p = frm->Orvex->Picture().ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
  }
};
