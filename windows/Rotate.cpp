// TRotateFrm: the preview is recomputed from the reduced copy at each change of the angle or smoothing.
#include "windows/Rotate.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "imaging/proc/oxresample.h"
#include "imaging/view/Orvex.h"

namespace app {

namespace {

constexpr gfx::TColor kWhite = 0xFFFFFF;
constexpr int kPreviewWidth = 281, kPreviewHeight = 217;

}  // namespace

TRotateFrm::TRotateFrm(const TRotateFrmSetup& setup) : TSmallDialog(setup.owner, "Rotate", 345, 357) {
  auto* fr1 = new QGroupBox(this);
  fr1->setGeometry(8, 4, 329, 301);
  OrvexView = new ox::TOrvex(fr1);
  OrvexView->setGeometry(24, 16, kPreviewWidth, kPreviewHeight);
  OrvexView->SetBackground(kWhite);
  OrvexView->SetCenter(true);
  OrvexView->setFocusPolicy(Qt::NoFocus);
  // Corners uncovered by the turn are white; the preview keeps no undo.
  OrvexView->ProcComponent().SetBackground(kWhite);
  OrvexView->ProcComponent().AutoUndo = false;

  auto* cornerLabel = new QLabel("Corner:", fr1);
  cornerLabel->setGeometry(24, 248, 60, 25);
  CornerEdit = new QLineEdit("0", fr1);
  CornerEdit->setGeometry(88, 246, 64, 27);
  CornerEdit->installEventFilter(this);
  Up = new QToolButton(fr1);
  Up->setArrowType(Qt::UpArrow);
  Up->setGeometry(153, 246, 18, 13);
  Down = new QToolButton(fr1);
  Down->setArrowType(Qt::DownArrow);
  Down->setGeometry(153, 260, 18, 13);
  Up->setAutoRepeat(true);
  Down->setAutoRepeat(true);
  ch1 = new QCheckBox("Smoothing", fr1);
  ch1->setGeometry(190, 247, 120, 25);

  AddOkCancel(160, 317, OK, Cancel);
  connect(CornerEdit, &QLineEdit::textChanged, this, [this] { CornerEditChange(); });
  connect(ch1, &QCheckBox::clicked, this, [this] { CornerEditChange(); });
  connect(Up, &QToolButton::clicked, this, [this] { SetPosition(position_ + 1); });
  connect(Down, &QToolButton::clicked, this, [this] { SetPosition(position_ - 1); });
}

void TRotateFrm::SetPicture(const gfx::TDib& picture) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= kPreviewWidth && h <= kPreviewHeight) {
    source_.Assign(picture);
  } else {
    const double scale = std::min(double(kPreviewWidth) / w, double(kPreviewHeight) / h);
    const int rw = std::max(1, int(w * scale)), rh = std::max(1, int(h * scale));
    if (!ox::Resample(picture, source_, rw, rh, ox::rfTriangle)) source_.Assign(picture);
  }
  CornerEditChange();
}

void TRotateFrm::SetPosition(int degrees) {
  CornerEdit->setText(QString::number(std::clamp(degrees, kMinAngle, kMaxAngle)));
}

bool TRotateFrm::Smoothing() const { return ch1->isChecked(); }

void TRotateFrm::FormActivate() {
  ch1->setChecked(false);
  position_ = 0;
  if (CornerEdit->text() == "0")
    CornerEditChange();
  else
    CornerEdit->setText("0");
}

void TRotateFrm::CornerEditChange() {
  const int angle = IntOf(CornerEdit->text());
  if (angle >= kMinAngle && angle <= kMaxAngle) {
    bool whole = false;
    CornerEdit->text().trimmed().toInt(&whole);
    if (whole) position_ = angle;
  }
  OrvexView->Assign(&source_);
  if (angle != 0 && source_.Width() > 0) OrvexView->ProcComponent().Rotate(angle, ch1->isChecked());
  OrvexView->ZoomToFit();
}

bool TRotateFrm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == CornerEdit && e->type() == QEvent::KeyPress) {
    const QString text = static_cast<QKeyEvent*>(e)->text();
    if (text.size() == 1 && text[0].isPrint() && !QString("+-0123456789").contains(text[0])) return true;
  }
  return TSmallDialog::eventFilter(watched, e);
}

}  // namespace app
