// platform::desktop: the current desktop wallpaper (read side; setting it comes with the wallpaper commands).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

class TDesktop {
 public:
  virtual ~TDesktop() = default;
  // Path of the picture the desktop shows, or empty when none can be found.
  virtual std::string ReadWallpaper() = 0;
};

class TDesktopDouble : public TDesktop {
 public:
  std::string Wallpaper;
  int Reads = 0;
  std::string ReadWallpaper() override {
    ++Reads;
    return Wallpaper;
  }
};

// Runs a program and returns its standard output ("" when it fails or takes longer than a second).
using TCommandRunner = std::function<std::string(const std::string& program, const std::vector<std::string>& args)>;

// Asks the desktops in turn: GNOME family (gsettings), Xfce (xfconf-query), KDE Plasma (its applet
// configuration file), then feh's ~/.fehbg.
class TDesktopLinux : public TDesktop {
 public:
  explicit TDesktopLinux(TCommandRunner run = {});
  std::string ReadWallpaper() override;

  // "'file:///a%20b.png'" -> "/a b.png"; plain paths pass through; empty for anything else.
  static std::string PathFromSetting(const std::string& value);

 private:
  TCommandRunner run_;
};

}  // namespace platform
