// Reading the wallpaper setting of the common Linux desktops.
#include "platform/desktop/Desktop.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

std::string PercentDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Runs without a shell; output capped, a second at most.
std::string RunCommand(const std::string& program, const std::vector<std::string>& args) {
  std::string cmd = "timeout 1 " + program;
  for (const auto& a : args) {
    std::string quoted = "'";
    for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    cmd += " " + quoted + "'";
  }
  cmd += " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {};
  std::string out;
  char buf[1024];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0 && out.size() < 65536) out.append(buf, n);
  int status = pclose(p);
  return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? out : std::string();
}

bool Exists(const std::string& path) { return !path.empty() && ::access(path.c_str(), R_OK) == 0; }

std::string Home() {
  const char* h = std::getenv("HOME");
  return h ? h : "";
}

}  // namespace

TDesktopLinux::TDesktopLinux(TCommandRunner run) : run_(run ? std::move(run) : TCommandRunner(RunCommand)) {}

std::string TDesktopLinux::PathFromSetting(const std::string& raw) {
  std::string v = Trim(raw);
  if (v.size() >= 2 && (v.front() == '\'' || v.front() == '"') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  if (v.rfind("file://", 0) == 0) return PercentDecode(v.substr(7));
  if (!v.empty() && v.front() == '/') return v;
  return {};
}

std::string TDesktopLinux::ReadWallpaper() {
  for (const char* key : {"picture-uri-dark", "picture-uri"}) {
    std::string p = PathFromSetting(run_("gsettings", {"get", "org.gnome.desktop.background", key}));
    if (Exists(p)) return p;
  }
  {
    std::string p = PathFromSetting(
        run_("xfconf-query", {"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitor0/workspace0/last-image"}));
    if (Exists(p)) return p;
  }
  {
    std::ifstream kde(Home() + "/.config/plasma-org.kde.plasma.desktop-appletsrc");
    std::string line;
    while (std::getline(kde, line))
      if (line.rfind("Image=", 0) == 0) {
        std::string p = PathFromSetting(line.substr(6));
        if (Exists(p)) return p;
      }
  }
  {
    std::ifstream feh(Home() + "/.fehbg");
    std::string line;
    while (std::getline(feh, line)) {
      size_t q = line.rfind('\'');
      size_t p = q == std::string::npos ? q : line.rfind('\'', q - 1);
      if (p != std::string::npos && q > p) {
        std::string path = line.substr(p + 1, q - p - 1);
        if (Exists(path)) return path;
      }
    }
  }
  return {};
}

}  // namespace platform
