// The recent-file and bookmark lists of the main window and their menus.
#include <QAction>
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QFileInfo>
#include <QMenu>
#include <algorithm>

#include "app/AppContext.h"
#include "app/NP.h"
#include "app/RecentlyUsed.h"

namespace app {

namespace {

// Moves `path` to the front, or inserts it there (the last entry falls off a full list).
template <size_t N>
void MoveToFront(std::array<std::string, N>& list, const std::string& path) {
  auto it = std::find(list.begin(), list.end(), path);
  if (it == list.end()) it = list.end() - 1;
  std::rotate(list.begin(), it, it + 1);
  list.front() = path;
}

// Non-empty entries that `drop` picks become empty slots at the end; the others keep their order.
template <size_t N, typename Pred>
void DropEntries(std::array<std::string, N>& list, Pred drop) {
  auto end = std::stable_partition(list.begin(), list.end(),
                                   [&](const std::string& s) { return s.empty() || !drop(s); });
  std::for_each(end, list.end(), [](std::string& s) { s.clear(); });
  std::stable_partition(list.begin(), list.end(), [](const std::string& s) { return !s.empty(); });
}

template <size_t N>
void RefreshItems(const std::vector<QAction*>& items, const std::array<std::string, N>& list) {
  for (size_t i = 0; i < N && i < items.size(); ++i) {
    // A path may hold "&": shown as it is, not as a mnemonic.
    items[i]->setText(QString::fromStdString(list[i]).replace("&", "&&"));
    items[i]->setVisible(!list[i].empty());
  }
}

}  // namespace

bool StorablePath(const std::string& path) { return path.find_first_of("\r\n") == std::string::npos; }

// A path with a line break would make every later write of the settings file fail: it is kept out of the lists.
void TMainFrm::AddToRecent() {
  if (currentFile_.empty() || !StorablePath(currentFile_)) return;
  MoveToFront(RecentList, currentFile_);
  RefreshRecentMenu();
  if (!setup_.recentlyUsedPath.empty()) {
    // The desktop's list is a courtesy to the file manager: a failure there is no failure of the open.
    const QString exec = "'" + QCoreApplication::applicationFilePath() + "' %u";
    AddRecentlyUsed(setup_.recentlyUsedPath,
                    {currentFile_, QMimeDatabase().mimeTypeForFile(QString::fromStdString(currentFile_)).name().toStdString(),
                     "Vantrel", exec.toStdString(), QDateTime::currentDateTimeUtc()});
  }
}

void TMainFrm::RefreshRecentMenu() { RefreshItems(recentItems_, RecentList); }

void TMainFrm::RefreshBookmarksMenu() { RefreshItems(bookmarkItems_, BookmarkList); }

void TMainFrm::ReOpenItemClick(size_t i) {
  if (i >= RecentList.size() || RecentList[i].empty()) return;
  const std::string path = RecentList[i];
  if (!ConfirmReplace() || !OpenFile(path, kOpenCommandSteps)) return;
  if (!QFileInfo::exists(QString::fromStdString(path)))
    setup_.services.ui->MessageBox("Vantrel", "File \"" + path + "\" not found!", platform::TMsgButtons::Ok,
                                   platform::TMsgKind::Error);
}

void TMainFrm::DeleteNotExistsRecentItemClick() {
  DropEntries(RecentList, [](const std::string& s) { return !QFileInfo::exists(QString::fromStdString(s)); });
  RefreshRecentMenu();
}

void TMainFrm::DeleteRecentItemClick() {
  RecentList.fill(std::string());
  RefreshRecentMenu();
}

void TMainFrm::AddToBookmarksItemClick() {
  if (currentFile_.empty() || !StorablePath(currentFile_)) return;
  MoveToFront(BookmarkList, currentFile_);
  RefreshBookmarksMenu();
}

void TMainFrm::OrganizeBookmarksItemClick() {
  if (setup_.context && setup_.context->OrganizeBookmarks(BookmarkList)) RefreshBookmarksMenu();
}

void TMainFrm::FavItemClick(size_t i) {
  if (i >= BookmarkList.size() || BookmarkList[i].empty() || !ConfirmReplace()) return;
  const std::string path = BookmarkList[i];
  OpenFile(path, osLoad | osCaptions | osClearModified);
}

void TMainFrm::DeleteNotExistsBookmarksItemClick() {
  DropEntries(BookmarkList, [](const std::string& s) { return !QFileInfo::exists(QString::fromStdString(s)); });
  RefreshBookmarksMenu();
}

void TMainFrm::DeleteAllItemClick() {
  BookmarkList.fill(std::string());
  RefreshBookmarksMenu();
}

}  // namespace app
