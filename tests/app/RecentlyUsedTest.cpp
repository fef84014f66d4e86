// The desktop's recent list: our entries merged into it without harm to other programs' entries.
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QXmlStreamReader>
#include <fstream>

#include "AppTestUtil.h"
#include "app/RecentlyUsed.h"

namespace {

struct TEntry {
  std::string href, mime, app;
  int count = 0;
};

// The bookmarks of a list; `valid` false when it is no well-formed XBEL.
std::vector<TEntry> Entries(const std::string& path, bool& valid) {
  QFile f(QString::fromStdString(path));
  valid = f.open(QIODevice::ReadOnly);
  std::vector<TEntry> v;
  if (!valid) return v;
  QXmlStreamReader r(&f);
  while (!r.atEnd()) {
    r.readNext();
    if (!r.isStartElement()) continue;
    if (r.name() == QLatin1String("bookmark")) {
      v.emplace_back();
      v.back().href = r.attributes().value("href").toString().toStdString();
    }
    if (v.empty()) continue;
    if (r.name() == QLatin1String("mime-type") &&
        r.namespaceUri() == QLatin1String("http://www.freedesktop.org/standards/shared-mime-info"))
      v.back().mime = r.attributes().value("type").toString().toStdString();
    if (r.name() == QLatin1String("application") &&
        r.namespaceUri() == QLatin1String("http://www.freedesktop.org/standards/desktop-bookmarks")) {
      v.back().app = r.attributes().value("name").toString().toStdString();
      v.back().count = r.attributes().value("count").toInt();
    }
  }
  valid = !r.hasError();
  return v;
}

app::TRecentUse Use(const std::string& file) {
  return {file, "image/png", "Vantrel", "'/usr/bin/vantrel' %u", QDateTime::fromSecsSinceEpoch(1700000000)};
}

}  // namespace

TEST_F(TMainFrmTest, RecentlyUsedKeepsOtherProgramsAndCountsOurOpens) {
  const std::string xbel = dir / "share/recently-used.xbel";
  {
    std::filesystem::create_directories(dir / "share");
    std::ofstream f(xbel);
    f << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<xbel version=\"1.0\" xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
         "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <bookmark href=\"file:///home/u/notes.txt\" added=\"2024-01-01T00:00:00Z\" modified=\"2024-01-01T00:00:00Z\""
         " visited=\"2024-01-01T00:00:00Z\"><info><metadata owner=\"http://freedesktop.org\">"
         "<mime:mime-type type=\"text/plain\"/><bookmark:applications><bookmark:application name=\"Editor\""
         " exec=\"&apos;editor %u&apos;\" modified=\"2024-01-01T00:00:00Z\" count=\"3\"/></bookmark:applications>"
         "</metadata></info></bookmark>\n</xbel>\n";
  }
  ASSERT_TRUE(app::AddRecentlyUsed(xbel, Use("/pics/a b.png")));
  ASSERT_TRUE(app::AddRecentlyUsed(xbel, Use("/pics/a b.png")));
  bool valid = false;
  const std::vector<TEntry> v = Entries(xbel, valid);
  EXPECT_TRUE(valid);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].href, "file:///home/u/notes.txt");
  EXPECT_EQ(v[0].app, "Editor");
  EXPECT_EQ(v[0].count, 3);
  EXPECT_EQ(v[1].href, "file:///pics/a%20b.png");
  EXPECT_EQ(v[1].mime, "image/png");
  EXPECT_EQ(v[1].app, "Vantrel");
  EXPECT_EQ(v[1].count, 2);
}

TEST_F(TMainFrmTest, RecentlyUsedLeavesAListItCannotReadAlone) {
  const std::string xbel = dir / "recently-used.xbel";
  const std::string broken = "<xbel version=\"1.0\"><bookmark href=\"file:///x\">";
  for (const std::string& text : {broken, std::string("<other/>")}) {
    {
      std::ofstream f(xbel);
      f << text;
    }
    EXPECT_FALSE(app::AddRecentlyUsed(xbel, Use("/pics/a.png")));
    EXPECT_EQ(testsupport::ReadFile(xbel), text);
  }
}

TEST_F(TMainFrmTest, RecentlyUsedStaysValidWhenTwoProcessesAddAtOnce) {
  const std::string xbel = dir / "recently-used.xbel";
  constexpr int kEach = 25;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      bool ok = true;
      for (int i = 0; i < kEach; ++i) ok = app::AddRecentlyUsed(xbel, Use("/p/" + std::to_string(c) + "-" + std::to_string(i) + ".png")) && ok;
      ::_exit(ok ? 0 : 1);
    }
  }
  for (pid_t p : children) {
    int status = 0;
    ::waitpid(p, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  bool valid = false;
  EXPECT_EQ(Entries(xbel, valid).size(), size_t(2 * kEach));
  EXPECT_TRUE(valid);
}

TEST_F(TMainFrmTest, OpenedFilesReachTheDesktopsRecentList) {
  recentlyUsedPath = dir / "data/recently-used.xbel";
  Start();
  const std::string a = Picture("a.ppm", 2, 2);
  frm->OpenFile(a, app::kOpenCommandSteps);
  frm->OpenFile(a, app::kReloadSteps);  // no recent step: not counted
  bool valid = false;
  const std::vector<TEntry> v = Entries(recentlyUsedPath, valid);
  EXPECT_TRUE(valid);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].href, "file://" + a);
  EXPECT_EQ(v[0].mime, "image/x-portable-pixmap");
  EXPECT_EQ(v[0].count, 1);
}
