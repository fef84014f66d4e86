// TFolderSteps: the pictures of the current file's folder in natural name order, for next and previous.
#include "app/FolderSteps.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cctype>

#include "imaging/io/oxio.h"

namespace app {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// -1, 0 or 1 for a against b, digit runs by their value, other characters without case.
int NaturalCompare(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') ++i0;
      while (j0 < b.size() && b[j0] == '0') ++j0;
      size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && IsDigit(a[i1])) ++i1;
      while (j1 < b.size() && IsDigit(b[j1])) ++j1;
      // More significant digits is the larger number; equal lengths compare digit by digit.
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0 ? -1 : 1;
      if (int c = a.compare(i0, i1 - i0, b, j0, j1 - j0); c != 0) return c < 0 ? -1 : 1;
      i = i1;
      j = j1;
      continue;
    }
    const int ca = std::tolower(static_cast<unsigned char>(a[i])), cb = std::tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return 0;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, std::max<size_t>(slash, 1));
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  const int c = NaturalCompare(a, b);
  return c != 0 ? c < 0 : a < b;
}

TFolderSteps::TFolderSteps() {
  QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { stale_ = true; });
}

const std::vector<std::string>& TFolderSteps::Files(const std::string& folder) {
  if (folder == folder_ && !stale_) return files_;
  if (folder != folder_) {
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    folder_ = folder;
    watcher_.addPath(QString::fromStdString(folder));
  }
  stale_ = false;
  files_.clear();
  const QFileInfoList entries = QDir(QString::fromStdString(folder)).entryInfoList(QDir::Files | QDir::Hidden);
  for (const QFileInfo& f : entries) {
    const std::string name = f.fileName().toStdString();
    if (ox::LoadFormatOfExtension(ox::LowerExtension(name)) != ox::oxffUnknown) files_.push_back(name);
  }
  std::sort(files_.begin(), files_.end(), NaturalLess);
  return files_;
}

std::vector<std::string> TFolderSteps::Candidates(const std::string& current, TFolderStep step) {
  if (current.empty()) return {};
  const std::string folder = FolderOf(current);
  const std::string name = current.substr(current.find_last_of('/') + 1);
  const std::vector<std::string>& files = Files(folder);
  // Where the current name stands in the order, also when it is no longer there (deleted, renamed).
  const auto lower = std::lower_bound(files.begin(), files.end(), name, NaturalLess);
  const bool present = lower != files.end() && *lower == name;
  const auto after = present ? lower + 1 : lower;
  std::vector<std::string> names;
  switch (step) {
    case TFolderStep::Next: names.assign(after, files.end()); break;
    case TFolderStep::Previous: names.assign(std::make_reverse_iterator(lower), files.rend()); break;
    case TFolderStep::First: names.assign(files.begin(), lower); break;
    case TFolderStep::Last: names.assign(files.rbegin(), std::make_reverse_iterator(after)); break;
  }
  const std::string prefix = folder == "/" ? folder : folder + "/";
  std::vector<std::string> paths;
  for (const std::string& n : names) paths.push_back(prefix + n);
  return paths;
}

}  // namespace app
