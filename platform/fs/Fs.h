// platform::fs: what the windows ask of the file system (the settings path, file facts).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

namespace platform {

struct TFileFacts {
  bool Exists = false, IsFolder = false, ReadOnly = false;
  int64_t Size = 0;
  std::time_t Modified = 0;
};

// Beside the executable when that folder is writable, else $XDG_CONFIG_HOME/vantrel/vantrel.ini
// (~/.config when unset).
std::string SettingsFilePath(const std::string& executablePath);

class TFs {
 public:
  virtual ~TFs() = default;
  virtual std::string SettingsPath() = 0;
  virtual TFileFacts Stat(const std::string& path) = 0;
};

// The real file system; the settings file beside the executable when its folder is writable.
class TFsLinux : public TFs {
 public:
  explicit TFsLinux(std::string executablePath) : exe_(std::move(executablePath)) {}
  std::string SettingsPath() override;
  TFileFacts Stat(const std::string& path) override;

 private:
  std::string exe_;
};

}  // namespace platform
