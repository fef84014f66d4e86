// Tfoxprnform2: the compact print dialog laid out in groups beside its preview.
#include "imaging/dialogs/oxprnform2.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "imaging/view/OrvexView.h"

namespace ox {

Tfoxprnform2::Tfoxprnform2(TOrvexIO& io, platform::TPrinter& printer, const TPrintDialogOptions& options,
                           QWidget* parent)
    : TPrintFormBase(io, printer, options, parent) {
  MakeControls();
  setWindowTitle(QString::fromStdString(Word(91)));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  margins_ = new QGroupBox(MarginsCaption(), this);
  auto* cross = new QGridLayout(margins_);
  auto labelled = [this](int word, const TNumberBox& b) {
    auto* w = new QWidget(this);
    auto* col = new QVBoxLayout(w);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(1);
    col->addWidget(new QLabel(QString::fromStdString(Word(word)), w));
    col->addWidget(BoxWidget(w, b, false));
    return w;
  };
  cross->addWidget(labelled(30, Boxes()[1]), 0, 1, Qt::AlignCenter);
  cross->addWidget(labelled(29, Boxes()[0]), 1, 0, Qt::AlignCenter);
  cross->addWidget(labelled(94, Boxes()[2]), 1, 2, Qt::AlignCenter);
  cross->addWidget(labelled(95, Boxes()[3]), 2, 1, Qt::AlignCenter);

  position_ = new QGroupBox(GroupCaption(96), this);
  auto* grid = new QGridLayout(position_);
  grid->setSpacing(2);
  for (int i = 0; i < 9; ++i) grid->addWidget(PositionButton(i), i / 3, i % 3);

  size_ = new QGroupBox(GroupCaption(97), this);
  auto* sizeGrid = new QGridLayout(size_);
  sizeGrid->addWidget(sizeList_, 0, 0, 1, 3);
  sizeGrid->addWidget(new QLabel(QString::fromStdString(Word(31)), size_), 1, 0);
  sizeGrid->addWidget(BoxWidget(size_, Boxes()[4], false), 1, 1);
  sizeGrid->addWidget(widthUnit_, 1, 2);
  sizeGrid->addWidget(new QLabel(QString::fromStdString(Word(32)), size_), 2, 0);
  sizeGrid->addWidget(BoxWidget(size_, Boxes()[5], false), 2, 1);
  sizeGrid->addWidget(heightUnit_, 2, 2);

  gamma_ = new QGroupBox(GroupCaption(102), this);
  auto* gammaRow = new QHBoxLayout(gamma_);
  gammaRow->addWidget(new QLabel(QString::fromStdString(Word(103)), gamma_));
  gammaRow->addWidget(BoxWidget(gamma_, Boxes()[6], false));
  gammaRow->addStretch();

  preview_ = new QGroupBox(GroupCaption(0), this);
  preview_->setMinimumWidth(200);
  auto* previewBox = new QVBoxLayout(preview_);
  previewBox->addWidget(view_);

  ok_ = new QPushButton(QString::fromStdString(Word(3)), this);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QString::fromStdString(Word(4)), this);
  setup_ = new QPushButton(QString::fromStdString(Word(104)), this);
  connect(ok_, &QPushButton::clicked, this, [this] {
    Refresh(true);
    if (PrintSucceeded()) accept();
  });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(setup_, &QPushButton::clicked, this, [this] { PrinterSetup(); });

  auto* left = new QVBoxLayout;
  left->addWidget(margins_);
  left->addWidget(position_);
  auto* middle = new QVBoxLayout;
  middle->addWidget(size_);
  middle->addWidget(gamma_);
  middle->addStretch();
  middle->addWidget(setup_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  middle->addLayout(buttons);
  auto* all = new QHBoxLayout(this);
  all->setSpacing(6);
  all->addLayout(left);
  all->addLayout(middle);
  all->addWidget(preview_, 1);

  setFixedSize(664, 356);
  if (QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

}  // namespace ox
