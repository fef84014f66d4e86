// What the two print dialogs share: the layout controls, their reading, the preview refresh and the print
// command; and ShowPrintDialog, the I/O component's entry to them.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "imaging/io/oxprint.h"

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

namespace platform {
class TPrinter;
}

namespace ox {

class TOrvexIO;
class TOrvexView;

struct TPrintDialogOptions {
  TMeasureUnit MeasureUnit = muInches;
  // Millimetres beside the inch values; by default where the locale measures in metric units.
  int ShowMillimetres = -1;  // -1: from QLocale::measurementSystem
  // Called with the dialog before it shows (the component's OnIOPreview).
  std::function<void(TOrvexIO& io, QDialog& dialog)> OnIOPreview;
  // A print the printer refused; by default a warning box. The dialog stays open.
  std::function<void(QWidget* dialog, const std::string& text)> OnPrintError;
};

// An edit box holding a number with its up/down buttons (and the millimetre label where shown).
struct TNumberBox {
  QLineEdit* Edit = nullptr;
  QToolButton* Up = nullptr;
  QToolButton* Down = nullptr;
  QLabel* Millimetres = nullptr;
  double Step = 0.01;
  bool Length = true;  // a length shows millimetres; gamma does not
};

class TPrintFormBase : public QDialog {
 public:
  TPrintFormBase(TOrvexIO& io, platform::TPrinter& printer, const TPrintDialogOptions& options, QWidget* parent);

  // The values as the boxes, buttons and list give them (lengths in inches).
  TPrintLayout ReadLayout() const;
  // Reads the values and renders the preview; with `print`, prints the page instead.
  void Refresh(bool print);
  // Runs the printer's set-up dialog and refreshes.
  void PrinterSetup();

  TOrvexView* PreviewView() const { return view_; }
  // Left, top, right, bottom margin; width; height; gamma.
  const std::array<TNumberBox, 7>& Boxes() const { return boxes_; }
  QLineEdit* MarginBox(int i) const { return boxes_[i].Edit; }
  QLineEdit* WidthBox() const { return boxes_[4].Edit; }
  QLineEdit* HeightBox() const { return boxes_[5].Edit; }
  QLineEdit* GammaBox() const { return boxes_[6].Edit; }
  QComboBox* SizeList() const { return sizeList_; }
  // Row by row: top left, top centre, ..., bottom right.
  QAbstractButton* PositionButton(int i) const { return positions_[i]; }
  QLabel* WidthUnit() const { return widthUnit_; }
  QLabel* HeightUnit() const { return heightUnit_; }
  // How many previews were rendered; a test watches it follow the changes.
  int RenderCount() const { return renders_; }
  bool PrintSucceeded() const { return printed_; }

 protected:
  std::string Word(int number) const;
  // " word " as the group boxes show it.
  QString GroupCaption(int number) const;
  QString MarginsCaption() const;
  QString UnitText() const;
  // The edit box with its up/down buttons stacked beside it, and the millimetres under them (or beside
  // them, in a tool bar).
  QWidget* BoxWidget(QWidget* parent, const TNumberBox& box, bool millimetresBeside) const;
  // Makes the boxes, list, position buttons and view; the windows place them.
  void MakeControls();
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

  TOrvexIO& io_;
  platform::TPrinter& printer_;
  TPrintDialogOptions options_;
  std::array<TNumberBox, 7> boxes_{};
  QComboBox* sizeList_ = nullptr;
  std::array<QAbstractButton*, 9> positions_{};
  QButtonGroup* positionGroup_ = nullptr;
  QLabel* widthUnit_ = nullptr;
  QLabel* heightUnit_ = nullptr;
  TOrvexView* view_ = nullptr;

 private:
  void MakeBox(int i, double step, bool length, const QString& initial);
  void StepBox(int i, int direction);
  void UpdateSizeEnabled();
  void UpdateMillimetres();

  bool activated_ = false;
  bool millimetres_ = false;
  int renders_ = 0;
  bool printed_ = false;
};

// kind 0: the compact print dialog, 1: the full-window print preview; false for any other kind, and when
// the window closed otherwise than with OK.
bool ShowPrintDialog(TOrvexIO& io, int kind, platform::TPrinter& printer, const TPrintDialogOptions& options = {},
                     QWidget* parent = nullptr);

}  // namespace ox
