// File facts through stat(2) (read-only means no write bit at all) and where the settings file lies.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/fs/Fs.h"

namespace platform {

namespace {

// Tried for real: permission bits say nothing for root or on read-only mounts.
bool FolderAcceptsFiles(const std::string& dir) {
  std::string tmpl = dir + "/.vantrel-probe-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(name.data());
  return true;
}

}  // namespace

std::string SettingsFilePath(const std::string& executablePath) {
  namespace fs = std::filesystem;
  fs::path exe(executablePath);
  fs::path dir = exe.parent_path();
  if (!dir.empty() && FolderAcceptsFiles(dir.string())) return (dir / exe.stem()).string() + ".ini";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  fs::path base = (xdg && *xdg) ? fs::path(xdg) : fs::path(std::getenv("HOME") ? std::getenv("HOME") : "/tmp") / ".config";
  std::error_code ec;
  fs::create_directories(base / "vantrel", ec);
  return (base / "vantrel" / "vantrel.ini").string();
}

std::string TFsLinux::SettingsPath() { return SettingsFilePath(exe_); }

TFileFacts TFsLinux::Stat(const std::string& path) {
  TFileFacts f;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return f;
  f.Exists = true;
  f.IsFolder = S_ISDIR(st.st_mode);
  f.ReadOnly = (st.st_mode & 0222) == 0;
  f.Size = st.st_size;
  f.Modified = st.st_mtime;
  return f;
}

}  // namespace platform
