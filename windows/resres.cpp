// TResizeFrm: the two size edits kept in proportion through the initial size, rounding halves to even.
#include "windows/resres.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "imaging/model/Rounding.h"

namespace app {

TResizeFrm::TResizeFrm(const TResizeFrmSetup& setup) : TSmallDialog(setup.owner, "Change Size", 203, 293) {
  auto* fr1 = new QGroupBox("Pixels", this);
  fr1->setGeometry(8, 8, 187, 97);
  auto* widthLabel = new QLabel("Width", fr1);
  widthLabel->setGeometry(12, 26, 60, 21);
  WidthEdit = new QLineEdit("0", fr1);
  WidthEdit->setGeometry(80, 24, 95, 25);
  auto* heightLabel = new QLabel("Height", fr1);
  heightLabel->setGeometry(12, 60, 60, 21);
  HeightEdit = new QLineEdit("0", fr1);
  HeightEdit->setGeometry(80, 58, 95, 25);

  auto* fr2 = new QGroupBox(this);
  fr2->setGeometry(8, 112, 187, 125);
  ch1 = new QCheckBox("Aspect ratio", fr2);
  ch1->setGeometry(12, 12, 165, 24);
  ch1->setChecked(true);
  auto* filterLabel = new QLabel("Filter", fr2);
  filterLabel->setGeometry(12, 46, 165, 20);
  FilterBox = new QComboBox(fr2);
  FilterBox->setGeometry(12, 70, 163, 27);
  // The first seven resampling filters in their order: the index is a TResampleFilter.
  FilterBox->addItems({"None", "Triangle", "Hermite", "Bell", "BSpline", "Lanczos3", "Mitchell"});

  AddOkCancel(16, 251, OK, Cancel);
  connect(WidthEdit, &QLineEdit::textChanged, this, [this] { WidthEditChange(); });
  connect(HeightEdit, &QLineEdit::textChanged, this, [this] { HeightEditChange(); });
}

void TResizeFrm::FormActivate() {
  Updating = true;
  WidthEdit->setText(QString::number(InitialWidth));
  HeightEdit->setText(QString::number(InitialHeight));
  Updating = false;
  FilterBox->setCurrentIndex(0);
}

void TResizeFrm::WidthEditChange() { KeepRatio(WidthEdit, HeightEdit, InitialWidth, InitialHeight); }
void TResizeFrm::HeightEditChange() { KeepRatio(HeightEdit, WidthEdit, InitialHeight, InitialWidth); }

// With no initial size on the typed side (the dialog's state, not a picture's) there is no ratio to keep.
void TResizeFrm::KeepRatio(QLineEdit* typed, QLineEdit* other, int typedInitial, int otherInitial) {
  if (!ch1->isChecked() || Updating || typedInitial == 0) return;
  const int v = IntOf(typed->text());
  Updating = true;
  other->setText(QString::number(ox::Round(double(v) * otherInitial / typedInitial)));
  Updating = false;
}

int TResizeFrm::NewWidth() const { return IntOf(WidthEdit->text()); }
int TResizeFrm::NewHeight() const { return IntOf(HeightEdit->text()); }

}  // namespace app
