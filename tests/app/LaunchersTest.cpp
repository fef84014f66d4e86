// The program's launchers: where each shortcut button writes, and that desktop tools accept what it wrote.
#include <sys/stat.h>

#include <QPushButton>
#include <cstdlib>
#include <fstream>

#include "AppTestUtil.h"
#include "windows/Launchers.h"
#include "windows/SP.h"

using app::TLauncherPlace;

namespace {

bool HasTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool Executable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IXUSR);
}

// Sets environment variables for one test and puts the old values back.
class TEnv {
 public:
  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    ::setenv(name, value.c_str(), 1);
  }
  ~TEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) ::setenv(it->first, it->second->c_str(), 1);
      else ::unsetenv(it->first);
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

}  // namespace

TEST_F(TMainFrmTest, EachLauncherLandsWhereTheDesktopLooksAndIsValid) {
  app::TLauncherFolders folders;
  folders.desktop = dir / "home/Schreibtisch";
  folders.dataHome = dir / "home/.local/share";
  folders.configHome = dir / "home/.config";
  // A program path with the characters the Exec key reserves.
  const std::string program = dir / "bin dir/it's 100% \"vantrel\"";
  struct TCase {
    TLauncherPlace place;
    std::vector<std::string> files;
    bool executable;
  };
  const TCase cases[] = {
      {TLauncherPlace::Desktop, {dir / "home/Schreibtisch/Vantrel.desktop"}, true},
      {TLauncherPlace::MenuPrograms, {dir / "home/.local/share/applications/Vantrel.desktop"}, false},
      {TLauncherPlace::StartMenu, {dir / "home/.local/share/applications/Vantrel.desktop"}, false},
      {TLauncherPlace::Startup, {dir / "home/.config/autostart/Vantrel.desktop"}, false},
      {TLauncherPlace::SendTo,
       {dir / "home/.local/share/nautilus/scripts/Open in Vantrel",
        dir / "home/.local/share/kio/servicemenus/vantrel-open.desktop"},
       true},
  };
  const bool validate = HasTool("desktop-file-validate");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.files[0]);
    EXPECT_EQ(app::LauncherFiles(c.place, folders), c.files);
    // Written twice: an existing launcher is replaced.
    ASSERT_TRUE(app::CreateLauncher(c.place, "/old/path", folders));
    ASSERT_TRUE(app::CreateLauncher(c.place, program, folders));
    for (const std::string& f : c.files) {
      const std::string text = testsupport::ReadFile(f);
      EXPECT_EQ(text.find("/old/path"), std::string::npos);
      EXPECT_EQ(Executable(f), c.executable) << f;
      if (f.ends_with(".desktop") && text.find("Type=Application") != std::string::npos) {
        EXPECT_NE(text.find("Exec=\"" + (dir / "bin dir/it's 100%% \\\\\"vantrel\\\\\"") + "\""), std::string::npos)
            << text;
        if (validate) {
          EXPECT_EQ(std::system(("desktop-file-validate '" + f + "'").c_str()), 0) << text;
        }
      }
    }
  }
  if (!validate) GTEST_SKIP() << "desktop-file-validate is not installed; the entries were not validated";
}

TEST_F(TMainFrmTest, SendToScriptPassesTheFileToTheProgram) {
  app::TLauncherFolders folders{dir / "d", dir / "data", dir / "config"};
  // The "program" records its arguments.
  const std::string program = dir / "it's prog";
  {
    std::ofstream p(program);
    p << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (dir / "args") << "'\n";
  }
  ::chmod(program.c_str(), 0755);
  ASSERT_TRUE(app::CreateLauncher(TLauncherPlace::SendTo, program, folders));
  const std::string script = app::LauncherFiles(TLauncherPlace::SendTo, folders)[0];
  ASSERT_EQ(std::system(("'" + script + "' '" + (dir / "a b.png") + "' other.png").c_str()), 0);
  EXPECT_EQ(testsupport::ReadFile(dir / "args"), dir / "a b.png" + "\n");
}

TEST_F(TMainFrmTest, LauncherFoldersFollowTheSessionAndTheButtonsWriteThere) {
  TEnv env;
  env.Set("HOME", dir / "home");
  env.Set("XDG_DATA_HOME", dir / "data");
  env.Set("XDG_CONFIG_HOME", dir / "config");
  ::unsetenv("XDG_DESKTOP_DIR");
  std::filesystem::create_directories(dir / "config");
  {
    std::ofstream dirs(dir / "config/user-dirs.dirs");
    dirs << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n";
  }
  app::TLauncherFolders f = app::TLauncherFolders::FromEnvironment();
  EXPECT_EQ(f.desktop, dir / "home/Bureau");
  EXPECT_EQ(f.dataHome, dir / "data");
  std::filesystem::remove(dir / "config/user-dirs.dirs");
  EXPECT_EQ(app::TLauncherFolders::FromEnvironment().desktop, dir / "home/Desktop");

  Start();
  ctx->SetFrm().MenuPrograms->click();
  ctx->SetFrm().Startup->click();
  EXPECT_TRUE(std::filesystem::exists(dir / "data/applications/Vantrel.desktop"));
  EXPECT_TRUE(std::filesystem::exists(dir / "config/autostart/Vantrel.desktop"));
  EXPECT_EQ(ctx->SetFrm().MenuPrograms->text(), "Start Menu");
  EXPECT_EQ(ctx->SetFrm().StartMenu->text(), "Menu Programs");
}

TEST_F(TMainFrmTest, ProgramPathWithALineBreakWritesNoLauncher) {
  app::TLauncherFolders folders{dir / "d", dir / "data", dir / "config"};
  EXPECT_FALSE(app::CreateLauncher(TLauncherPlace::Startup, "/bin/a\nExec=evil", folders));
  EXPECT_FALSE(std::filesystem::exists(dir / "config/autostart/Vantrel.desktop"));
}
