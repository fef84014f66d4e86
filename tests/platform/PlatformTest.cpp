// Platform stand-ins that hold logic of their own: chooser filters, wallpaper settings, file facts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/desktop/Desktop.h"
#include "platform/fs/FileCopy.h"
#include "platform/fs/Fs.h"
#include "platform/ui/Ui.h"

using namespace platform;

TEST(Platform, ChooserFilterInQtForm) {
  EXPECT_EQ(QtFilterOf("JPEG Bitmap (JPG)|*.jpg;*.jpeg|All files|*.*"), "JPEG Bitmap (JPG) (*.jpg *.jpeg);;All files (*.*)");
  EXPECT_EQ(QtFilterOf(""), "");
}

TEST(Platform, WallpaperSettingValues) {
  EXPECT_EQ(TDesktopLinux::PathFromSetting("'file:///home/u/My%20Pictures/a.jpg'\n"), "/home/u/My Pictures/a.jpg");
  EXPECT_EQ(TDesktopLinux::PathFromSetting("/usr/share/backgrounds/x.png"), "/usr/share/backgrounds/x.png");
  EXPECT_EQ(TDesktopLinux::PathFromSetting("''"), "");
  EXPECT_EQ(TDesktopLinux::PathFromSetting("'http://example.org/a.png'"), "");
}

TEST(Platform, WallpaperFromTheFirstDesktopThatAnswers) {
  char tmpl[] = "/tmp/vantrel-wall-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  std::string pic = dir + "/wall.png";
  std::ofstream(pic) << "x";
  std::vector<std::string> asked;
  TDesktopLinux desktop([&](const std::string& program, const std::vector<std::string>& args) -> std::string {
    asked.push_back(program + " " + args.back());
    if (program == "xfconf-query") return pic + "\n";
    return "";
  });
  EXPECT_EQ(desktop.ReadWallpaper(), pic);
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0], "gsettings picture-uri-dark");
  std::filesystem::remove_all(dir);
}

TEST(Platform, FileFacts) {
  char tmpl[] = "/tmp/vantrel-fs-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  std::string file = dir + "/a.bin";
  std::ofstream(file) << "12345";
  chmod(file.c_str(), 0444);
  TFsLinux fs(dir + "/vantrel");
  TFileFacts f = fs.Stat(file);
  EXPECT_TRUE(f.Exists);
  EXPECT_TRUE(f.ReadOnly);
  EXPECT_EQ(f.Size, 5);
  EXPECT_TRUE(fs.Stat(dir).IsFolder);
  EXPECT_FALSE(fs.Stat(dir + "/none").Exists);
  EXPECT_EQ(fs.SettingsPath(), dir + "/vantrel.ini");
  std::filesystem::remove_all(dir);
}

TEST(Platform, SettingsPathBesideAWritableExecutable) {
  char tmpl[] = "/tmp/vantrel-fs-XXXXXX";
  const std::filesystem::path dir = mkdtemp(tmpl);
  EXPECT_EQ(SettingsFilePath((dir / "vantrel").string()), (dir / "vantrel.ini").string());
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  EXPECT_EQ(SettingsFilePath("/proc/vantrel"), (dir / "vantrel" / "vantrel.ini").string());
  unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(dir);
}

// The copy follows the file replacement rule: through a link onto the file it names, with that file's bits.
TEST(Platform, CopyOntoALinkReplacesTheFileItNames) {
  char tmpl[] = "/tmp/vantrel-fs-XXXXXX";
  const std::filesystem::path dir = mkdtemp(tmpl);
  std::ofstream(dir / "source.png") << "new picture";
  std::ofstream(dir / "kept.png") << "old";
  chmod((dir / "kept.png").c_str(), 0640);
  std::filesystem::create_symlink("kept.png", dir / "link.png");
  ASSERT_TRUE(CopyFileReplacing((dir / "source.png").string(), (dir / "link.png").string()));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.png"));
  std::ifstream in(dir / "kept.png");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new picture");
  struct stat st {};
  stat((dir / "kept.png").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(CopyFileReplacing((dir / "missing.png").string(), (dir / "link.png").string()));
  std::filesystem::remove_all(dir);
}
