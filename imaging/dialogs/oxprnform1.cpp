// tfoxprnform1: the print preview window; the tool bar holds every layout control, the view the page.
#include "imaging/dialogs/oxprnform1.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "imaging/view/OrvexView.h"

namespace ox {

tfoxprnform1::tfoxprnform1(TOrvexIO& io, platform::TPrinter& printer, const TPrintDialogOptions& options,
                           QWidget* parent)
    : TPrintFormBase(io, printer, options, parent) {
  MakeControls();
  setWindowTitle(QString::fromStdString(Word(91)));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);

  menuBar_ = new QMenuBar(this);
  QMenu* file = menuBar_->addMenu("File");
  printItem_ = file->addAction(QString::fromStdString(Word(91)), this, [this] { Refresh(true); });
  setupItem_ = file->addAction(QString::fromStdString(Word(104)), this, [this] { PrinterSetup(); });
  file->addSeparator();
  closeItem_ = file->addAction(QString::fromStdString(Word(119)), this, &QDialog::accept);

  toolBar_ = new QToolBar(this);
  auto ToolBox = [this](const TNumberBox& b, const QString& hint) {
    b.Edit->setToolTip(hint);
    return BoxWidget(toolBar_, b, true);
  };
  // Hints 105 to 108: left, top, right, bottom margin.
  for (int i = 0; i < 4; ++i) toolBar_->addWidget(ToolBox(Boxes()[i], QString::fromStdString(Word(105 + i))));
  toolBar_->addSeparator();
  sizeList_->setToolTip(QString::fromStdString(Word(109)));
  toolBar_->addWidget(sizeList_);
  toolBar_->addWidget(ToolBox(Boxes()[4], QString::fromStdString(Word(31))));
  toolBar_->addWidget(ToolBox(Boxes()[5], QString::fromStdString(Word(32))));
  toolBar_->addSeparator();
  for (int i = 0; i < 9; ++i) toolBar_->addWidget(PositionButton(i));
  toolBar_->addSeparator();
  toolBar_->addWidget(ToolBox(Boxes()[6], QString::fromStdString(Word(102))));
  toolBar_->addSeparator();
  auto tool = [this](const QString& hint, QStyle::StandardPixmap icon, const QString& text) {
    auto* b = new QToolButton(toolBar_);
    b->setToolTip(hint);
    if (text.isEmpty()) b->setIcon(style()->standardIcon(icon)); else b->setText(text);
    toolBar_->addWidget(b);
    return b;
  };
  setupButton_ = tool(QString::fromStdString(Word(104)), QStyle::SP_FileDialogDetailedView, {});
  printButton_ = tool(QString::fromStdString(Word(91)), QStyle::SP_DialogSaveButton, {});
  closeButton_ = tool({}, QStyle::SP_DialogCloseButton, QString::fromStdString(Word(119)));
  connect(setupButton_, &QToolButton::clicked, this, [this] { PrinterSetup(); });
  connect(printButton_, &QToolButton::clicked, this, [this] { Refresh(true); });
  connect(closeButton_, &QToolButton::clicked, this, &QDialog::accept);
  widthUnit_->hide();
  heightUnit_->hide();

  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(0, 0, 0, 0);
  all->setSpacing(0);
  all->setMenuBar(menuBar_);
  all->addWidget(toolBar_);
  all->addWidget(view_, 1);
  resize(846, 480);
  setWindowState(Qt::WindowMaximized);
}

}  // namespace ox
