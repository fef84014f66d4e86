// Launchers as desktop entries, a GNOME Files script and a Dolphin service menu, each written atomically.
#include "windows/Launchers.h"

#include <sys/stat.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/gfx/AtomicFile.h"

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "Vantrel.desktop";
constexpr const char* kScriptName = "Open in Vantrel";
constexpr const char* kServiceMenuName = "vantrel-open.desktop";
constexpr mode_t kExecutable = 0755;
constexpr const char* kMimeTypes =
    "image/bmp;image/gif;image/jpeg;image/png;image/tiff;image/x-tga;image/x-pcx;image/x-portable-anymap;"
    "image/x-portable-bitmap;image/x-portable-graymap;image/x-portable-pixmap;image/vnd.microsoft.icon;";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// One argument of an Exec key: quoted, with the characters the quoting reserves escaped, then the value's
// own backslash escaping, and '%' doubled so it is no field code.
std::string ExecArgument(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : quoted) {
    if (c == '\\') out += "\\\\";
    else if (c == '%') out += "%%";
    else out += c;
  }
  return out;
}

// A value of the desktop entry: backslashes escaped.
std::string Value(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

// A single-quoted shell word.
std::string ShellWord(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ApplicationEntry(const std::string& program, bool withFile, bool autostart) {
  std::string e = "[Desktop Entry]\nType=Application\nVersion=1.4\nName=Vantrel\nGenericName=Image Viewer\n"
                  "Comment=View and edit pictures\n";
  e += "Exec=" + ExecArgument(program) + (withFile ? " %f" : "") + "\n";
  e += "Path=" + Value(fs::path(program).parent_path().string()) + "\n";
  e += "Icon=vantrel\nTerminal=false\nCategories=Graphics;Viewer;\n";
  if (withFile) e += std::string("MimeType=") + kMimeTypes + "\n";
  if (autostart) e += "X-GNOME-Autostart-enabled=true\n";
  return e;
}

std::string ServiceMenu(const std::string& program) {
  return std::string("[Desktop Entry]\nType=Service\nName=Vantrel\nMimeType=") + kMimeTypes +
         "\nActions=openInVantrel;\nX-KDE-ServiceTypes=KonqPopupMenu/Plugin\n\n"
         "[Desktop Action openInVantrel]\nName=Open in Vantrel\nIcon=vantrel\nExec=" +
         ExecArgument(program) + " %f\n";
}

std::string Script(const std::string& program) {
  return "#!/bin/sh\n# The file manager passes the selected files; the viewer opens the first.\nexec " +
         ShellWord(program) + " \"$1\"\n";
}

bool WriteFile(const std::string& path, const std::string& text, bool executable) {
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  gfx::TAtomicFile f(path);
  if (!f.Ok() || !f.Write(text.data(), text.size()) || !f.Commit()) return false;
  return !executable || ::chmod(f.Target().c_str(), kExecutable) == 0;
}

// The desktop folder named in user-dirs.dirs, "$HOME/..." expanded; empty when none is named.
std::string UserDirsDesktop(const std::string& configHome, const std::string& home) {
  std::ifstream in(fs::path(configHome) / "user-dirs.dirs");
  static const std::regex line(R"re(^\s*XDG_DESKTOP_DIR\s*=\s*"([^"]*)"\s*$)re");
  std::string s;
  std::smatch m;
  while (std::getline(in, s)) {
    if (!std::regex_match(s, m, line)) continue;
    std::string dir = m[1];
    if (dir.rfind("$HOME", 0) == 0) dir = home + dir.substr(5);
    if (!dir.empty() && dir.front() == '/') return dir;
  }
  return "";
}

}  // namespace

TLauncherFolders TLauncherFolders::FromEnvironment() {
  TLauncherFolders f;
  const std::string home = Env("HOME");
  f.dataHome = Env("XDG_DATA_HOME").empty() ? home + "/.local/share" : Env("XDG_DATA_HOME");
  f.configHome = Env("XDG_CONFIG_HOME").empty() ? home + "/.config" : Env("XDG_CONFIG_HOME");
  f.desktop = Env("XDG_DESKTOP_DIR");
  if (f.desktop.empty()) f.desktop = UserDirsDesktop(f.configHome, home);
  if (f.desktop.empty()) f.desktop = home + "/Desktop";
  f.markTrusted = true;
  return f;
}

std::vector<std::string> LauncherFiles(TLauncherPlace place, const TLauncherFolders& folders) {
  const fs::path data(folders.dataHome);
  switch (place) {
    case TLauncherPlace::Desktop:
      return {(fs::path(folders.desktop) / kFileName).string()};
    // The menu has one level for both: the two buttons write the same entry.
    case TLauncherPlace::MenuPrograms:
    case TLauncherPlace::StartMenu:
      return {(data / "applications" / kFileName).string()};
    case TLauncherPlace::Startup:
      return {(fs::path(folders.configHome) / "autostart" / kFileName).string()};
    case TLauncherPlace::SendTo:
      return {(data / "nautilus/scripts" / kScriptName).string(),
              (data / "kio/servicemenus" / kServiceMenuName).string()};
  }
  return {};
}

bool CreateLauncher(TLauncherPlace place, const std::string& program, const TLauncherFolders& folders) {
  if (program.empty() || program.find_first_of("\r\n") != std::string::npos) return false;
  const std::vector<std::string> files = LauncherFiles(place, folders);
  switch (place) {
    case TLauncherPlace::Desktop: {
      if (!WriteFile(files[0], ApplicationEntry(program, true, false), true)) return false;
      if (folders.markTrusted)
        QProcess::startDetached("gio", {"set", QString::fromStdString(files[0]), "metadata::trusted", "true"});
      return true;
    }
    case TLauncherPlace::MenuPrograms:
    case TLauncherPlace::StartMenu:
      return WriteFile(files[0], ApplicationEntry(program, true, false), false);
    case TLauncherPlace::Startup:
      return WriteFile(files[0], ApplicationEntry(program, false, true), false);
    case TLauncherPlace::SendTo: {
      const bool script = WriteFile(files[0], Script(program), true);
      return WriteFile(files[1], ServiceMenu(program), true) && script;
    }
  }
  return false;
}

}  // namespace app
