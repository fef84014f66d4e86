// TSmallDialog: the Linux meaning of the dialogs' window rules (no maximize or minimize, opacity, centring).
#include "windows/SmallDialog.h"

#include <QEvent>
#include <QPushButton>

namespace app {

TSmallDialog::TSmallDialog(QWidget* owner, const QString& caption, int width, int height) : QDialog(owner) {
  // A fixed-size dialog without maximize and minimize buttons stands for the trimmed system menu.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(caption);
  setFixedSize(width, height);
  setModal(true);
}

void TSmallDialog::showEvent(QShowEvent* e) {
  setWindowOpacity(kOpacity);
  if (QWidget* owner = parentWidget()) {
    const QRect o = owner->frameGeometry();
    move(o.x() + (o.width() - width()) / 2, o.y() + (o.height() - height()) / 2);
  }
  QDialog::showEvent(e);
  FormActivate();
}

void TSmallDialog::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  // The first activation was run by the showing already.
  if (e->type() == QEvent::ActivationChange && isActiveWindow() && activatedOnce_) FormActivate();
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) activatedOnce_ = true;
}

void TSmallDialog::done(int result) {
  if (cancelButton_) cancelButton_->setFocus();
  activatedOnce_ = false;
  QDialog::done(result);
}

void TSmallDialog::AddOkCancel(int x, int y, QPushButton*& ok, QPushButton*& cancel, bool closes) {
  constexpr int kWidth = 81, kHeight = 30, kGap = 9;
  ok = new QPushButton("OK", this);
  ok->setGeometry(x, y, kWidth, kHeight);
  ok->setDefault(true);
  cancel = new QPushButton("Cancel", this);
  cancel->setGeometry(x + kWidth + kGap, y, kWidth, kHeight);
  SetCancelButton(cancel);
  if (!closes) return;
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int IntOf(const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok ? v : 0;
}

}  // namespace app
