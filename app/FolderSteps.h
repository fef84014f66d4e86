// TFolderSteps: the pictures of the current file's folder in natural name order, for next and previous.
#pragma once

#include <QFileSystemWatcher>
#include <string>
#include <vector>

namespace app {

enum class TFolderStep { Next, Previous, First, Last };

// "img2" before "img10"; case is ignored, then the plain bytes decide.
bool NaturalLess(const std::string& a, const std::string& b);

class TFolderSteps {
 public:
  TFolderSteps();

  // The files to try for `step` from `current`, nearest first: the rest of the folder in that direction, so
  // that a picture that fails to load is skipped for the one after it. Empty when there is nothing there.
  std::vector<std::string> Candidates(const std::string& current, TFolderStep step);
  // The folder's pictures (files whose extension the I/O component reads), listed once per folder and again
  // after the folder changed.
  const std::vector<std::string>& Files(const std::string& folder);

 private:
  QFileSystemWatcher watcher_;
  std::string folder_;
  std::vector<std::string> files_;
  bool stale_ = true;
};

}  // namespace app
