// The settings file: defaults and reading rules, the option record, and writes that survive crashes and
// concurrent instances.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/settings/IniFile.h"
#include "app/settings/ViewerOptions.h"
#include "imaging/model/OrvexError.h"

using namespace app;
namespace fs = std::filesystem;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/vantrel-ini-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string File(const char* name = "vantrel.ini") const { return (path / name).string(); }
};

std::string Slurp(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST(IniFile, ReadingRules) {
  TempDir dir;
  std::ofstream(dir.File()) << "[Parameters]\r\nTransparent value=abc\r\nTool Bar=2\nscale=12,5\n[position]\nLeft = -7\n";
  TIniFile ini(dir.File());
  EXPECT_EQ(ini.ReadInteger("Parameters", "Transparent value", 195), 195);
  EXPECT_TRUE(ini.ReadBool("Parameters", "Tool Bar", false));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Parameters", "scale", 1), 12.5);
  EXPECT_EQ(ini.ReadInteger("Position", "left", 100), -7);  // names compare without case
  EXPECT_EQ(ini.ReadString("History", "1", ""), "");
  EXPECT_FALSE(ini.ValueExists("Position", "Top"));
}

TEST(IniFile, WritesKeepOtherLinesAndSkipNoChange) {
  TempDir dir;
  std::ofstream(dir.File()) << "; kept comment\n[Position]\nLeft=1\n\n[Other]\nx=y\n";
  TIniFile ini(dir.File());
  ini.WriteInteger("Position", "Top", 5);
  ini.WriteString("History", "1", "/a b/c.png");
  EXPECT_EQ(Slurp(dir.File()), "; kept comment\n[Position]\nLeft=1\nTop=5\n\n[Other]\nx=y\n\n[History]\n1=/a b/c.png\n");
  struct stat before {}, after {};
  stat(dir.File().c_str(), &before);
  ini.WriteInteger("Position", "Top", 5);
  stat(dir.File().c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);  // nothing changed: the file was not replaced
  EXPECT_THROW(ini.WriteString("History", "2", "two\nlines"), ox::EOrvexError);
  EXPECT_EQ(TIniFile(dir.File()).ReadString("History", "2", "none"), "none");
}

TEST(IniFile, BatchWritesOnceAndUnwritableFolderReports) {
  TempDir dir;
  TIniFile ini(dir.File());
  ini.BeginUpdate();
  for (int i = 1; i <= 10; ++i) ini.WriteString("History", std::to_string(i), "");
  EXPECT_FALSE(fs::exists(dir.File()));
  ini.EndUpdate();
  EXPECT_EQ(TIniFile(dir.File()).ReadSection("History").size(), 10u);

  TIniFile bad("/proc/vantrel-no-such-dir/vantrel.ini");
  try {
    bad.WriteBool("Parameters", "Welcome", false);
    FAIL() << "write into a missing folder succeeded";
  } catch (const ox::EOrvexError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to /proc/vantrel-no-such-dir/vantrel.ini");
  }
}

TEST(ViewerOptions, DefaultsClampingAndRoundTrip) {
  TempDir dir;
  ViewerOptions o;
  o.LoadOptions(TIniFile(dir.File()));
  EXPECT_TRUE(o.OpenLatsFileInNewSession);
  EXPECT_EQ(o.TransparentValue, 195);
  EXPECT_EQ(o.DoubleClickArea, -1);
  EXPECT_EQ(o.StyleMenu, -1);
  EXPECT_EQ(o.ColorLabelOnFullScreen, 65280);
  std::ofstream(dir.File()) << "[Parameters]\nTransparent value=7\nIncrease/Decrease scale=900\n"
                               "Switch to \"Always on Top\" on full screen=1\n[Selection Options]\nFilled=1\n";
  o.LoadOptions(TIniFile(dir.File()));
  EXPECT_EQ(o.TransparentValue, 50);
  EXPECT_DOUBLE_EQ(o.IncreaseDecreaseScale, 100);
  EXPECT_TRUE(o.SwitchToAlwaysOnTopOnFullScreen);
  EXPECT_TRUE(o.SelFilled);

  o.ExternalEditor2 = "/usr/bin/gimp";
  o.ConfirmExit = true;
  TIniFile ini(dir.File());
  o.SaveOptions(ini);
  ViewerOptions back;
  back.LoadOptions(TIniFile(dir.File()));
  EXPECT_EQ(back.ExternalEditor2, "/usr/bin/gimp");
  EXPECT_TRUE(back.ConfirmExit);
  EXPECT_EQ(TIniFile(dir.File()).ReadString("Parameters", "Tranparent", "absent"), "absent");  // not a record key
}

// A list index outside its list reads as no selection (-1), a colour outside 0..0xFFFFFF as its default;
// values inside their ranges are kept.
TEST(ViewerOptions, ListIndicesAndColoursOutsideTheirRanges) {
  struct TCase {
    const char* section;
    const char* key;
    int ViewerOptions::*field;
    const char* stored;
    int expected;
  };
  const TCase cases[] = {
      {"Background", "Unique Color", &ViewerOptions::UniqueColor, "11", -1},
      {"Background", "Unique Color", &ViewerOptions::UniqueColor, "-3", -1},
      {"Background", "Unique Color", &ViewerOptions::UniqueColor, "10", 10},
      {"Background", "Background color", &ViewerOptions::BackgroundColor, "16777216", 0},
      {"Background", "Background color", &ViewerOptions::BackgroundColor, "65280", 65280},
      {"Parameters", "Double click area", &ViewerOptions::DoubleClickArea, "10", -1},
      {"Parameters", "Double click area", &ViewerOptions::DoubleClickArea, "9", 9},
      {"Parameters", "Style Menu", &ViewerOptions::StyleMenu, "3", -1},
      {"Parameters", "Color label on full screen mode", &ViewerOptions::ColorLabelOnFullScreen, "-5", 65280},
      {"Selection Options", "Mouse Interact", &ViewerOptions::SelMouseInteract, "7", -1},
      {"Selection Options", "Mouse Interact", &ViewerOptions::SelMouseInteract, "6", 6},
  };
  for (const TCase& c : cases) {
    TempDir dir;
    std::ofstream(dir.File()) << "[" << c.section << "]\n" << c.key << "=" << c.stored << "\n";
    ViewerOptions o;
    o.LoadOptions(TIniFile(dir.File()));
    EXPECT_EQ(o.*c.field, c.expected) << c.key << "=" << c.stored;
  }
}

// Two processes write disjoint keys at the same time: every key of both must be in the file.
TEST(IniFile, ConcurrentInstancesLoseNoKey) {
  TempDir dir;
  const int kKeys = 60;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  auto writer = [&](const char* section) {
    TIniFile ini(dir.File());
    for (int i = 0; i < kKeys; ++i) ini.WriteInteger(section, std::to_string(i), i);
  };
  if (child == 0) {
    writer("Child");
    _exit(0);
  }
  writer("Parent");
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  TIniFile ini(dir.File());
  EXPECT_EQ(ini.ReadSection("Child").size(), size_t(kKeys));
  EXPECT_EQ(ini.ReadSection("Parent").size(), size_t(kKeys));
}

// A writer killed at any moment leaves a complete file: either the old content or a newer complete one.
TEST(IniFile, KilledWriterLeavesACompleteFile) {
  TempDir dir;
  {
    TIniFile ini(dir.File());
    ini.BeginUpdate();
    for (int i = 0; i < 200; ++i) ini.WriteString("Big", std::to_string(i), std::string(100, 'a'));
    ini.EndUpdate();
  }
  for (int round = 0; round < 5; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TIniFile ini(dir.File());
      for (int n = 0;; ++n) {
        ini.BeginUpdate();
        for (int i = 0; i < 200; ++i) ini.WriteString("Big", std::to_string(i), std::string(100, char('b' + n % 20)));
        ini.EndUpdate();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(15 + 10 * round));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    TIniFile ini(dir.File());
    ASSERT_EQ(ini.ReadSection("Big").size(), 200u);
    const std::string first = ini.ReadString("Big", "0", "");
    EXPECT_EQ(ini.ReadString("Big", "199", ""), first);  // one write's content, never a mix
  }
}

// A settings file reached through a link (kept in a synced folder, say) stays a link after a write.
TEST(IniFile, WritesThroughALinkKeepTheLink) {
  TempDir dir;
  std::ofstream(dir.File("real.ini")) << "[A]\nx=1\n";
  fs::create_symlink("real.ini", dir.File());
  TIniFile ini(dir.File());
  ini.WriteInteger("A", "x", 2);
  EXPECT_TRUE(fs::is_symlink(dir.File()));
  EXPECT_EQ(Slurp(dir.File("real.ini")), "[A]\nx=2\n");
}
