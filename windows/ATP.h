// TAttrForm ("Information"): the current file's names, size and date, and its attributes.
#pragma once

#include <string>

#include "windows/SmallDialog.h"
#include "windows/WindowSetup.h"

class QCheckBox;
class QLineEdit;

namespace app {

struct TAttrFormSetup : TWindowSetup {};

class TAttrForm : public TSmallDialog {
 public:
  explicit TAttrForm(const TAttrFormSetup& setup);

  QLineEdit* PathEd;
  QLineEdit* DirParh;
  QLineEdit* PathNameEd;
  QLineEdit* SizeEd;
  QLineEdit* ChangeFileEd;
  // Read Only is the file's lack of write permission; Hidden shows a name starting with a dot (shown, not
  // changed: changing it would rename the file); Linux file systems have no Archive or System attribute.
  QCheckBox* ChReadOnly;
  QCheckBox* ChArchive;
  QCheckBox* ChSystem;
  QCheckBox* ChHidden;
  QPushButton* OK;
  QPushButton* Cancel;

  // Fills the fields and the attributes from the file at `path`.
  void ShowFile(const std::string& path);

 private:
  platform::TFs* fs_;
};

}  // namespace app
