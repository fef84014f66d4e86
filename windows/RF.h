// TFavouritesFrm ("Organize Bookmarks..."): the modal editor of the main window's bookmark list.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "windows/WindowSetup.h"

class QListWidget;
class QPushButton;
class QWidget;

namespace app {

struct TFavouritesFrmSetup : TWindowSetup {};

class TFavouritesFrm : public QDialog {
 public:
  explicit TFavouritesFrm(const TFavouritesFrmSetup& setup);

  // The window's client size before each showing.
  static constexpr int kClientWidth = 572, kClientHeight = 449;

  QListWidget* FavouritesList;
  QWidget* fr1;
  QPushButton* Up;
  QPushButton* Down;
  QPushButton* Sort;
  QPushButton* Del;
  QPushButton* ClearAll;
  QPushButton* OK;
  QPushButton* Cancel;

  // Replaces the lines (sorted while the sorted mode is on); the working copy the main window fills.
  void SetLines(const std::vector<std::string>& lines);
  std::vector<std::string> Lines() const;
  // Once switched on by "Sort", for the rest of the run.
  bool Sorted() const { return sorted_; }

  void UpClick();
  void DownClick();
  void SortClick();
  void DelClick();
  void ClearAllClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void MoveSelected(int by);
  void SortLines();

  bool sorted_ = false;
};

}  // namespace app
