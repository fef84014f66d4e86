// The print dialogs' shared controls: tolerant reading, up/down steps, preview refresh, print and set-up.
#include "imaging/dialogs/oxprnform.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QResizeEvent>
#include <QShowEvent>
#include <QToolButton>
#include <algorithm>

#include "imaging/dialogs/oxprnform1.h"
#include "imaging/dialogs/oxprnform2.h"
#include "imaging/io/oxio.h"
#include "imaging/io/oxwords.h"
#include "imaging/view/OrvexView.h"
#include "platform/print/Printer.h"

namespace ox {

namespace {

enum TBoxIndex { kLeft, kTop, kRight, kBottom, kWidth, kHeight, kGamma };
constexpr double kLengthStep = 0.01;
constexpr double kGammaStep = 0.1;

}  // namespace

TPrintFormBase::TPrintFormBase(TOrvexIO& io, platform::TPrinter& printer, const TPrintDialogOptions& options,
                               QWidget* parent)
    : QDialog(parent), io_(io), printer_(printer), options_(options) {
  millimetres_ = options_.MeasureUnit == muInches &&
                 (options_.ShowMillimetres < 0 ? QLocale().measurementSystem() == QLocale::MetricSystem
                                               : options_.ShowMillimetres != 0);
}

std::string TPrintFormBase::Word(int number) const { return GetWord(number, TMsgLanguage(io_.MsgLanguage)); }

QString TPrintFormBase::GroupCaption(int number) const { return " " + QString::fromStdString(Word(number)) + " "; }

QString TPrintFormBase::MarginsCaption() const {
  const QString margins = QString::fromStdString(Word(92));
  if (options_.MeasureUnit == muCentimeters) return " " + margins + " (Cm) ";
  return " " + margins + " (" + QString::fromStdString(Word(93)) + ") ";
}

QString TPrintFormBase::UnitText() const {
  return options_.MeasureUnit == muCentimeters ? QString("Cm") : QString::fromStdString(Word(93));
}

void TPrintFormBase::MakeBox(int i, double step, bool length, const QString& initial) {
  TNumberBox& b = boxes_[i];
  b.Step = step;
  b.Length = length;
  b.Edit = new QLineEdit(initial, this);
  b.Edit->setFixedWidth(44);
  b.Up = new QToolButton(this);
  b.Up->setArrowType(Qt::UpArrow);
  b.Up->setFixedSize(16, 11);
  b.Down = new QToolButton(this);
  b.Down->setArrowType(Qt::DownArrow);
  b.Down->setFixedSize(16, 11);
  if (length && millimetres_) {
    b.Millimetres = new QLabel(this);
    QFont small = b.Millimetres->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    b.Millimetres->setFont(small);
  }
  connect(b.Edit, &QLineEdit::textChanged, this, [this] {
    UpdateMillimetres();
    Refresh(false);
  });
  connect(b.Up, &QToolButton::clicked, this, [this, i] { StepBox(i, 1); });
  connect(b.Down, &QToolButton::clicked, this, [this, i] { StepBox(i, -1); });
}

QWidget* TPrintFormBase::BoxWidget(QWidget* parent, const TNumberBox& b, bool millimetresBeside) const {
  auto* w = new QWidget(parent);
  auto* outer = millimetresBeside ? static_cast<QBoxLayout*>(new QHBoxLayout(w)) : new QVBoxLayout(w);
  outer->setContentsMargins(millimetresBeside ? 2 : 0, 0, millimetresBeside ? 2 : 0, 0);
  outer->setSpacing(millimetresBeside ? 1 : 0);
  auto* row = new QHBoxLayout;
  row->setSpacing(1);
  row->addWidget(b.Edit);
  auto* arrows = new QVBoxLayout;
  arrows->setSpacing(0);
  arrows->addWidget(b.Up);
  arrows->addWidget(b.Down);
  row->addLayout(arrows);
  if (!millimetresBeside) row->addStretch();
  outer->addLayout(row);
  if (b.Millimetres) outer->addWidget(b.Millimetres);
  return w;
}

void TPrintFormBase::MakeControls() {
  MakeBox(kLeft, kLengthStep, true, "1");
  MakeBox(kTop, kLengthStep, true, "1");
  MakeBox(kRight, kLengthStep, true, "1");
  MakeBox(kBottom, kLengthStep, true, "1");
  MakeBox(kWidth, kLengthStep, true, "6");
  MakeBox(kHeight, kLengthStep, true, "4");
  MakeBox(kGamma, kGammaStep, false, "1");
  widthUnit_ = new QLabel(UnitText(), this);
  heightUnit_ = new QLabel(UnitText(), this);

  sizeList_ = new QComboBox(this);
  for (int w = 98; w <= 101; ++w) sizeList_->addItem(QString::fromStdString(Word(w)));
  connect(sizeList_, &QComboBox::currentIndexChanged, this, [this] {
    UpdateSizeEnabled();
    Refresh(false);
  });

  positionGroup_ = new QButtonGroup(this);
  positionGroup_->setExclusive(true);
  for (int i = 0; i < 9; ++i) {
    auto* b = new QToolButton(this);
    b->setCheckable(true);
    b->setAutoRaise(false);
    b->setFixedSize(24, 24);
    b->setToolTip(QString::fromStdString(Word(110 + i)));
    // A dot where the picture goes on the page.
    static const char* const kGlyphs[9] = {"\u25E4", "\u25B2", "\u25E5", "\u25C0", "\u25A0",
                                           "\u25B6", "\u25E3", "\u25BC", "\u25E2"};
    b->setText(QString::fromUtf8(kGlyphs[i]));
    positionGroup_->addButton(b, i);
    positions_[i] = b;
  }
  positions_[4]->setChecked(true);
  connect(positionGroup_, &QButtonGroup::idClicked, this, [this] { Refresh(false); });

  view_ = new TOrvexView(this);
  view_->SetCenter(true);
  view_->SetBackgroundStyle(oxbsCropShadow);
  view_->SetScrollBars(ssNone);
  UpdateSizeEnabled();
  UpdateMillimetres();
}

void TPrintFormBase::UpdateSizeEnabled() {
  const bool specified = sizeList_->currentIndex() == psmSpecifiedSize;
  for (int i : {kWidth, kHeight}) {
    boxes_[i].Edit->setEnabled(specified);
    boxes_[i].Up->setEnabled(specified);
    boxes_[i].Down->setEnabled(specified);
    if (boxes_[i].Millimetres) boxes_[i].Millimetres->setEnabled(specified);
  }
  widthUnit_->setEnabled(specified);
  heightUnit_->setEnabled(specified);
}

void TPrintFormBase::UpdateMillimetres() {
  for (const TNumberBox& b : boxes_) {
    if (!b.Millimetres) continue;
    const double inches = ReadTolerant(b.Edit->text().toStdString(), &b == &boxes_[kWidth] || &b == &boxes_[kHeight] ? 1 : 0);
    b.Millimetres->setText(QLocale().toString(inches * kMmPerInch, 'f', 1) + " mm");
  }
}

void TPrintFormBase::StepBox(int i, int direction) {
  QLineEdit* edit = boxes_[i].Edit;
  const double fallback = i <= kBottom ? 0 : 1;
  const double v = std::max(0.0, ReadTolerant(edit->text().toStdString(), fallback) + direction * boxes_[i].Step);
  edit->setText(QString::fromStdString(ShortestDecimal(v)));
}

TPrintLayout TPrintFormBase::ReadLayout() const {
  TPrintLayout l;
  const double unit = options_.MeasureUnit == muCentimeters ? kCmPerInch : 1;
  auto read = [this](int i, double fallback) { return ReadTolerant(boxes_[i].Edit->text().toStdString(), fallback); };
  l.LeftMargin = read(kLeft, 0) / unit;
  l.TopMargin = read(kTop, 0) / unit;
  l.RightMargin = read(kRight, 0) / unit;
  l.BottomMargin = read(kBottom, 0) / unit;
  l.SpecWidth = read(kWidth, 1) / unit;
  l.SpecHeight = read(kHeight, 1) / unit;
  l.Gamma = read(kGamma, 1);
  int down = positionGroup_->checkedId();
  if (down < 0) down = 4;
  l.HorzPos = down % 3 == 0 ? ppNear : down % 3 == 2 ? ppFar : ppCenter;
  l.VertPos = down / 3 == 0 ? ppNear : down / 3 == 2 ? ppFar : ppCenter;
  l.SizeMode = sizeList_->currentIndex() < 0 ? psmFitToPage : sizeList_->currentIndex();
  return l;
}

void TPrintFormBase::Refresh(bool print) {
  if (!view_ || !sizeList_) return;  // still being made
  const TPrintLayout layout = ReadLayout();
  if (print) {
    printed_ = printer_.PrintPage([&](TOXDrawTarget& page) { PrintOnDevice(io_, page, printer_.Device(), layout); });
    if (!printed_ && !printer_.LastError().empty()) {
      if (options_.OnPrintError) {
        options_.OnPrintError(this, printer_.LastError());
      } else {
        QMessageBox::warning(this, QString::fromStdString(Word(91)), QString::fromStdString(printer_.LastError()));
      }
    }
    return;
  }
  const QRect box = view_->ClientRect();
  gfx::TDib page;
  RenderPrintPreview(io_, page, box.width(), box.height(), printer_.Device(), layout);
  view_->Assign(&page);
  view_->update();
  ++renders_;
}

void TPrintFormBase::PrinterSetup() {
  printer_.Setup();
  Refresh(false);
}

void TPrintFormBase::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (activated_) return;
  activated_ = true;
  // The first activation starts from "Fit to page".
  if (sizeList_->currentIndex() == psmFitToPage) {
    Refresh(false);
  } else {
    sizeList_->setCurrentIndex(psmFitToPage);
  }
}

void TPrintFormBase::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  if (activated_) Refresh(false);
}

bool ShowPrintDialog(TOrvexIO& io, int kind, platform::TPrinter& printer, const TPrintDialogOptions& options,
                     QWidget* parent) {
  std::unique_ptr<TPrintFormBase> form;
  if (kind == 0) {
    form = std::make_unique<Tfoxprnform2>(io, printer, options, parent);
  } else if (kind == 1) {
    form = std::make_unique<tfoxprnform1>(io, printer, options, parent);
  } else {
    return false;
  }
  if (options.OnIOPreview) options.OnIOPreview(io, *form);
  return form->exec() == QDialog::Accepted;
}

}  // namespace ox
