// The recent-file and bookmark lists: their rules, menus, keys in the settings file and the organizer.
#include <QAction>
#include <QListWidget>
#include <QTest>
#include <filesystem>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"
#include "windows/RF.h"

namespace {

// The keys "1".."n" of `section` as the settings file holds them.
std::vector<std::string> Keys(const std::string& ini, const char* section, int n) {
  app::TIniFile f(ini);
  std::vector<std::string> v;
  for (int i = 1; i <= n; ++i) v.push_back(f.ReadString(section, std::to_string(i), "?"));
  return v;
}

}  // namespace

TEST_F(TMainFrmTest, ListOperationsReachTheSettingsFile) {
  // One step: open picture p<n> (n >= 0), or run a menu item, or remove picture p<n> from the disk.
  struct TStep {
    int open = -1;
    const char* item = nullptr;
    int remove = -1;
  };
  struct TCase {
    const char* name;
    std::vector<TStep> steps;
    std::vector<int> recent;     // picture numbers of the first entries, the rest empty
    std::vector<int> bookmarks;  // the same for bookmarks
  };
  auto opens = [](int from, int to) {
    std::vector<TStep> v;
    for (int i = from; i <= to; ++i) v.push_back({i});
    return v;
  };
  auto join = [](std::vector<TStep> a, const std::vector<TStep>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const TCase cases[] = {
      {"eleventh drops the oldest", opens(0, 10), {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {}},
      {"reopened moves to the top", join(opens(0, 9), {{5}}), {5, 9, 8, 7, 6, 4, 3, 2, 1, 0}, {}},
      {"missing pruned, order kept",
       join(opens(0, 3), {{-1, nullptr, 1}, {-1, nullptr, 3}, {-1, "DeleteNotExistsRecentItem"}}),
       {2, 0},
       {}},
      {"delete all", join(opens(0, 2), {{-1, nullptr, 1}, {-1, "DeleteRecentItem"}}), {}, {}},
      {"bookmark moves to the top",
       {{0}, {-1, "AddtoBookmarksItem"}, {1}, {-1, "AddtoBookmarksItem"}, {0}, {-1, "AddtoBookmarksItem"}},
       {0, 1},
       {0, 1}},
      {"bookmarks pruned",
       {{0}, {-1, "AddtoBookmarksItem"}, {1}, {-1, "AddtoBookmarksItem"}, {2}, {-1, "AddtoBookmarksItem"},
        {-1, nullptr, 1}, {-1, "DeleteNotExistsItem"}},
       {2, 1, 0},
       {2, 0}},
      {"bookmarks delete all", {{0}, {-1, "AddtoBookmarksItem"}, {-1, "DeleteAllItem"}}, {0}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(IniPath());
    Start();
    auto pic = [&](int n) { return dir / ("p" + std::to_string(n) + ".ppm"); };
    for (int i = 0; i <= 10; ++i) Picture("p" + std::to_string(i) + ".ppm", 2, 2);
    for (const TStep& s : c.steps) {
      if (s.open >= 0) {
        ASSERT_TRUE(frm->OpenFile(pic(s.open), app::kOpenCommandSteps));
      }
      if (s.item) Click(s.item);
      if (s.remove >= 0) std::filesystem::remove(pic(s.remove));
    }
    frm->IdleSave();
    auto expect = [&](const std::vector<int>& nums, int n) {
      std::vector<std::string> v(n, "");
      for (size_t i = 0; i < nums.size(); ++i) v[i] = pic(nums[i]);
      return v;
    };
    EXPECT_EQ(Keys(IniPath(), "History", 10), expect(c.recent, 10));
    EXPECT_EQ(Keys(IniPath(), "Favourites", 30), expect(c.bookmarks, 30));
    // The menus mirror the lists: one visible item per entry, captioned with the path.
    for (int i = 0; i < 10; ++i) {
      QAction* a = frm->Item("ReOpen" + std::to_string(i + 1) + "Item");
      EXPECT_EQ(a->isVisible(), size_t(i) < c.recent.size());
      if (size_t(i) < c.recent.size()) {
        EXPECT_EQ(a->text().toStdString(), pic(c.recent[i]));
      }
    }
    for (int i = 0; i < 30; ++i)
      EXPECT_EQ(frm->Item("Fav" + std::to_string(i + 1) + "Item")->isVisible(), size_t(i) < c.bookmarks.size());
  }
}

TEST_F(TMainFrmTest, ThirtyFirstBookmarkDropsTheLastAndTheListsComeBackAtStart) {
  {
    app::TIniFile ini(IniPath());
    app::TIniUpdate batch(ini);
    for (int i = 1; i <= 30; ++i) ini.WriteString("Favourites", std::to_string(i), dir / ("b" + std::to_string(i)));
    ini.WriteString("History", "2", (dir / "r&d.ppm"));
    batch.Finish();
  }
  Start();
  EXPECT_EQ(frm->BookmarkList[29], dir / "b30");
  EXPECT_FALSE(frm->Item("ReOpen1Item")->isVisible());
  // A path's "&" is shown, not taken for a mnemonic.
  EXPECT_EQ(frm->Item("ReOpen2Item")->text().toStdString(), (dir / "r&&d.ppm"));
  const std::string a = Picture("a.ppm", 2, 2);
  frm->OpenFile(a, app::kOpenCommandSteps);
  Click("AddtoBookmarksItem");
  frm->IdleSave();
  const auto keys = Keys(IniPath(), "Favourites", 30);
  EXPECT_EQ(keys[0], a);
  EXPECT_EQ(keys[1], dir / "b1");
  EXPECT_EQ(keys[29], dir / "b29");
}

TEST_F(TMainFrmTest, BookmarkAndRecentItemsOpenTheirEntry) {
  options.AskToSaveChangesOnExit = false;
  Start();
  const std::string a = Picture("a.ppm", 5, 5), b = Picture("b.ppm", 7, 7);
  frm->BookmarkList[24] = a;
  frm->RefreshBookmarksMenu();
  Click("Fav25Item");
  EXPECT_EQ(frm->CurrentFile(), a);
  EXPECT_EQ(Width(), 5);
  // A bookmark opens without a recent entry.
  EXPECT_EQ(frm->RecentList[0], "");

  frm->RecentList[3] = b;
  frm->RefreshRecentMenu();
  Click("ReOpen4Item");
  EXPECT_EQ(frm->CurrentFile(), b);
  EXPECT_EQ(frm->RecentList[0], b);
  EXPECT_TRUE(ui.Boxes.empty());

  // A missing file: one message naming it, the picture stays.
  frm->RecentList[0] = dir / "gone.ppm";
  frm->RefreshRecentMenu();
  Click("ReOpen1Item");
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_NE(ui.Boxes[0].text.find(dir / "gone.ppm"), std::string::npos);
  EXPECT_EQ(frm->CurrentFile(), b);
}

TEST_F(TMainFrmTest, PathWithALineBreakStaysOutOfTheSettingsFile) {
  Start();
  const std::string odd = Picture("two\nlines.ppm", 3, 3);
  const std::string a = Picture("a.ppm", 2, 2);
  frm->OpenFile(a, app::kOpenCommandSteps);
  ASSERT_TRUE(frm->OpenFile(odd, app::kOpenCommandSteps));
  Click("AddtoBookmarksItem");
  frm->move(140, 120);
  frm->IdleSave();
  // The rest of the state is still written.
  app::TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString("History", "1", ""), a);
  EXPECT_EQ(ini.ReadString("Favourites", "1", "?"), "");
  EXPECT_EQ(ini.ReadString("Parameters", "Path", "?"), "");
  EXPECT_EQ(ini.ReadInteger("Position", "Left", 0), 140);
}

namespace {

// Runs the organizer as the user would: shown, driven by `act`, closed with `result`.
std::function<int(QDialog&)> Organize(std::function<void(app::TFavouritesFrm&)> act,
                                      int result = QDialog::Accepted) {
  return [act = std::move(act), result](QDialog& d) {
    auto& f = static_cast<app::TFavouritesFrm&>(d);
    d.show();
    act(f);
    d.hide();
    return result;
  };
}

void Select(app::TFavouritesFrm& f, int row) { f.FavouritesList->setCurrentRow(row); }

}  // namespace

TEST_F(TMainFrmTest, OrganizerEditsTheBookmarksOnlyOnOk) {
  Start();
  auto set = [&](std::vector<std::string> v) {
    frm->BookmarkList.fill("");
    std::copy(v.begin(), v.end(), frm->BookmarkList.begin());
    frm->RefreshBookmarksMenu();
  };
  auto bookmarks = [&](size_t n) { return std::vector<std::string>(frm->BookmarkList.begin(), frm->BookmarkList.begin() + n); };
  struct TCase {
    const char* name;
    std::function<void(app::TFavouritesFrm&)> act;
    int result;
    std::vector<std::string> after;  // the first four entries afterwards
  };
  const TCase cases[] = {
      {"up", [](auto& f) { Select(f, 2); f.UpClick(); EXPECT_EQ(f.FavouritesList->currentRow(), 1); },
       QDialog::Accepted, {"/b", "/d", "/c", ""}},
      {"down", [](auto& f) { Select(f, 0); f.DownClick(); }, QDialog::Accepted, {"/c", "/b", "/d", ""}},
      {"up on the first, down on the last", [](auto& f) { Select(f, 0); f.UpClick(); Select(f, 2); f.DownClick(); },
       QDialog::Accepted, {"/b", "/c", "/d", ""}},
      {"no selection", [](auto& f) { f.FavouritesList->clearSelection(); f.DelClick(); f.UpClick(); },
       QDialog::Accepted, {"/b", "/c", "/d", ""}},
      {"delete key", [](auto& f) {
         Select(f, 1);
         f.FavouritesList->setFocus();
         QTest::keyClick(f.FavouritesList, Qt::Key_Delete);
       }, QDialog::Accepted, {"/b", "/d", "", ""}},
      {"clear", [](auto& f) { f.ClearAllClick(); }, QDialog::Accepted, {"", "", "", ""}},
      {"cancel after deleting", [](auto& f) { Select(f, 0); f.DelClick(); f.ClearAllClick(); }, QDialog::Rejected,
       {"/b", "", "/c", "/d"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    set({"/b", "", "/c", "/d"});
    ctx->RunModal = Organize([&](app::TFavouritesFrm& f) {
      EXPECT_EQ(f.Lines(), (std::vector<std::string>{"/b", "/c", "/d"}));
      c.act(f);
    }, c.result);
    Click("OrganizeBookmarksItem");
    EXPECT_EQ(bookmarks(4), c.after);
    EXPECT_EQ(frm->Item("Fav1Item")->isVisible(), !c.after[0].empty());
  }

  // Esc in the list box is Cancel, after the edits.
  set({"/b", "/c"});
  ctx->RunModal = [](QDialog& d) {
    auto& f = static_cast<app::TFavouritesFrm&>(d);
    d.setResult(QDialog::Accepted);
    d.show();
    f.ClearAllClick();
    QTest::keyClick(f.FavouritesList, Qt::Key_Escape);
    const bool closed = !d.isVisible();
    d.hide();
    return closed ? d.result() : int(QDialog::Accepted);
  };
  Click("OrganizeBookmarksItem");
  EXPECT_EQ(bookmarks(2), (std::vector<std::string>{"/b", "/c"}));

  // Sorted once, sorted at every later showing; OK stores that order.
  set({"/b", "/A", "/c"});
  ctx->RunModal = Organize([](auto& f) { f.SortClick(); });
  Click("OrganizeBookmarksItem");
  EXPECT_EQ(bookmarks(3), (std::vector<std::string>{"/A", "/b", "/c"}));
  set({"/z", "/y", "/X"});
  ctx->RunModal = Organize([](auto&) {});
  Click("OrganizeBookmarksItem");
  EXPECT_EQ(bookmarks(3), (std::vector<std::string>{"/X", "/y", "/z"}));
  EXPECT_EQ(ctx->FavouritesFrm().size(), QSize(572, 449));
}
