// File facts through stat(2); read-only means no write bit at all.
#include <sys/stat.h>

#include "app/settings/IniFile.h"
#include "platform/fs/Fs.h"

namespace platform {

std::string TFsLinux::SettingsPath() { return app::SettingsFilePath(exe_); }

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
