// Program start: the platform services, the application context with its windows, and the message loop.
#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QIcon>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "app/AppContext.h"
#include "app/Assets.h"
#include "app/NP.h"
#include "app/RecentlyUsed.h"
#include "app/settings/ViewerOptions.h"
#include "imaging/dialogs/WordsLocale.h"
#include "platform/clipboard/ClipboardQt.h"
#include "platform/desktop/Desktop.h"
#include "platform/fs/Fs.h"
#include "platform/metafile/Metafile.h"
#include "platform/print/PrinterQt.h"
#include "platform/shell/ShellQt.h"
#include "platform/system/QtSystem.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/UiQt.h"

namespace {

QWidget* g_mainWindow = nullptr;
QWidget* MainWindow() { return g_mainWindow; }

// Qt aborts without a word of its own when no display can be reached; say what is missing instead.
bool HasDisplay() {
  auto set = [](const char* v) { return std::getenv(v) && *std::getenv(v); };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasDisplay()) {
    std::fprintf(stderr,
                 "vantrel: no display to show the viewer on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Start it from a desktop session, or under a virtual one: xvfb-run -a vantrel FILE\n");
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("vantrel");
  // Outside a desktop session Qt knows only the bare hicolor theme; Adwaita holds every icon we use.
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor") QIcon::setThemeName("Adwaita");
  QIcon::setFallbackThemeName("Adwaita");

  platform::InstallMetafileImporter();
  InstallSystemWordLanguage();

  const std::string exe = QCoreApplication::applicationFilePath().toStdString();
  const std::string icon = app::AssetPath(exe, "vantrel.svg");
  if (!icon.empty()) QApplication::setWindowIcon(QIcon(QString::fromStdString(icon)));

  platform::TUiQt ui(&MainWindow);
  platform::TShellQt shell;
  platform::TFsLinux fs(exe);
  platform::TDesktopLinux desktop;
  platform::TClipboardQt clipboard;
  platform::TQtSystem system;
  platform::TPrinterQt printer(&MainWindow);

  app::TAppSetup setup;
  setup.services.ui = &ui;
  setup.services.shell = &shell;
  setup.services.fs = &fs;
  setup.services.desktop = &desktop;
  setup.services.clipboard = &clipboard;
  setup.services.system = &system;
  setup.services.printer = &printer;
  setup.settingsPath = fs.SettingsPath();
  const QStringList args = QCoreApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) setup.args.push_back(args[i].toStdString());
  setup.startFolder = QDir::currentPath().toStdString();
  setup.recentlyUsedPath = app::RecentlyUsedPath();
  const std::string welcome = app::AssetPath(exe, "welcome.html");
  if (!welcome.empty()) setup.homePage = QUrl::fromLocalFile(QString::fromStdString(welcome)).toString().toStdString();

  // The settings window loads the options when it is made; the background window loads its own fields.
  const QColor text = QApplication::palette().color(QPalette::WindowText);
  setup.options.TextColor = int(platform::ToTColor(text));
  app::TAppContext context(std::move(setup));
  g_mainWindow = &context.MainFrm();
  context.MainFrm().show();
  const int rc = QApplication::exec();
  g_mainWindow = nullptr;
  return rc;
}
