// TResizeFrm ("Change Size"): a new width and height, optionally keeping the picture's aspect ratio.
#pragma once

#include "windows/SmallDialog.h"
#include "windows/WindowSetup.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace app {

struct TResizeFrmSetup : TWindowSetup {};

class TResizeFrm : public TSmallDialog {
 public:
  explicit TResizeFrm(const TResizeFrmSetup& setup);

  // Set by the caller before showing: the picture's size.
  int InitialWidth = 0, InitialHeight = 0;
  // Set while the dialog writes one of its own edits.
  bool Updating = false;

  QLineEdit* WidthEdit;
  QLineEdit* HeightEdit;
  QCheckBox* ch1;
  QComboBox* FilterBox;
  QPushButton* OK;
  QPushButton* Cancel;

  void FormActivate() override;
  void WidthEditChange();
  void HeightEditChange();
  // The edits read as integers, 0 for text that is not a number.
  int NewWidth() const;
  int NewHeight() const;

 private:
  // The other edit := round(typed × its initial ÷ the typed side's initial), halves to even.
  void KeepRatio(QLineEdit* typed, QLineEdit* other, int typedInitial, int otherInitial);
};

}  // namespace app
