// The one file replacement rule: links followed, permission bits kept, a cut write never replaces the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/gfx/AtomicFile.h"
#include "tests/support/TempDir.h"

using gfx::TAtomicFile;
using testsupport::ReadFile;
using testsupport::TTempDir;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Only the files a test made itself: no temporary file may be left beside them.
size_t Entries(const fs::path& dir) { return size_t(std::distance(fs::directory_iterator(dir), {})); }

bool Replace(const std::string& path, const std::string& bytes) {
  TAtomicFile f(path);
  return f.Ok() && f.Write(bytes.data(), bytes.size()) && f.Commit();
}

}  // namespace

TEST(AtomicFile, LinksAreFollowedAndPermissionBitsKept) {
  struct Case {
    const char* what;
    const char* link;    // written through; empty: the file itself
    const char* target;  // relative to the test folder; the link's text is relative to the link's folder
    mode_t mode;         // of an existing target; 0: the target does not exist yet
  };
  const Case cases[] = {
      {"plain file", "", "a.ini", 0640},
      {"plain file, unusual bits", "", "b.ini", 0604},
      {"link to a file", "l.ini", "c.ini", 0600},
      {"link into another folder", "m.ini", "sub/d.ini", 0644},
      {"dangling link", "n.ini", "e.ini", 0},
      {"link to a link", "o.ini", "p.ini", 0640},  // p.ini links on to f.ini below
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTempDir dir;
    fs::create_directories(dir.path / "sub");
    std::string target = dir / c.target;
    if (std::string(c.target) == "p.ini") {
      fs::create_symlink("f.ini", target);
      target = dir / "f.ini";
    }
    if (c.mode) {
      WriteFile(target, "old");
      ::chmod(target.c_str(), c.mode);
    }
    std::string written = target;
    if (*c.link) {
      written = dir / c.link;
      fs::create_symlink(c.target, written);
    }
    ASSERT_TRUE(Replace(written, "new"));
    EXPECT_EQ(ReadFile(target), "new");
    if (*c.link) {
      EXPECT_TRUE(IsLink(written));
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(ModeOf(target), c.mode ? c.mode : (0666 & ~mask));
  }
}

TEST(AtomicFile, NothingReplacedWithoutCommit) {
  TTempDir dir;
  const std::string file = dir / "picture.bmp";
  WriteFile(file, "good");
  {
    TAtomicFile f(file);
    ASSERT_TRUE(f.Ok());
    ASSERT_TRUE(f.Write("half", 4));
    EXPECT_TRUE(fs::exists(f.TempPath()));
  }  // the writer gave up (an exception, a failed encoder)
  EXPECT_EQ(ReadFile(file), "good");
  EXPECT_EQ(Entries(dir.path), 1u);
}

// The file system refuses the rest of the data (here: a file size limit, as a full disk would).
TEST(AtomicFile, CutWriteNeverReplacesTheFile) {
  TTempDir dir;
  const std::string file = dir / "settings.ini";
  WriteFile(file, "good");
  rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool wrote, committed;
  std::string error;
  {
    TAtomicFile f(file);
    const std::string big(4000, 'x');
    wrote = f.Write(big.data(), big.size());
    committed = f.Commit();
    error = f.Error();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(wrote);
  EXPECT_FALSE(committed);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(file), "good");
  EXPECT_EQ(Entries(dir.path), 1u);
}

TEST(AtomicFile, FolderWithoutRoomForANewFile) {
  TAtomicFile f("/proc/vantrel-no-such-place/x.ini");
  EXPECT_FALSE(f.Ok());
  EXPECT_FALSE(f.Error().empty());
  EXPECT_FALSE(f.Write("x", 1));
  EXPECT_FALSE(f.Commit());
}
