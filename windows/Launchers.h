// Freedesktop launchers of the program: on the desktop, in the applications menu, at login, in file managers.
#pragma once

#include <string>
#include <vector>

namespace app {

// The settings window's five shortcut buttons, by their control names.
enum class TLauncherPlace { Desktop, MenuPrograms, StartMenu, Startup, SendTo };

// Where the user's folders are.
struct TLauncherFolders {
  std::string desktop;      // XDG_DESKTOP_DIR
  std::string dataHome;     // XDG_DATA_HOME
  std::string configHome;   // XDG_CONFIG_HOME
  // Asks the desktop to trust the desktop's launcher (GNOME will not run one it does not trust).
  bool markTrusted = false;
  // The folders of this session: the XDG variables, user-dirs.dirs, then the standard's defaults.
  static TLauncherFolders FromEnvironment();
};

// The files `place` stands for.
std::vector<std::string> LauncherFiles(TLauncherPlace place, const TLauncherFolders& folders);

// Writes the launchers of `place` running `program`, replacing existing ones and creating missing folders;
// false when one could not be written (a program path with a line break cannot be written at all).
bool CreateLauncher(TLauncherPlace place, const std::string& program, const TLauncherFolders& folders);

}  // namespace app
