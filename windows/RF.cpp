// TFavouritesFrm: reorders, sorts and deletes bookmark lines; the main window takes them back after OK.
#include "windows/RF.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QKeyEvent>
#include <algorithm>

#include "windows/SmallDialog.h"

namespace app {

namespace {

constexpr int kPanelWidth = 92;
constexpr int kButtonLeft = 8, kButtonWidth = 76, kButtonHeight = 25;
// The gaps between the bottoms of OK and Cancel and the panel's bottom edge.
constexpr int kOkFromBottom = 40, kCancelFromBottom = 10;

}  // namespace

TFavouritesFrm::TFavouritesFrm(const TFavouritesFrmSetup& setup) : QDialog(setup.owner) {
  setWindowTitle("Organize Bookmarks...");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setModal(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FavouritesList = new QListWidget(this);
  FavouritesList->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(FavouritesList, 1);
  fr1 = new QWidget(this);
  fr1->setFixedWidth(kPanelWidth);
  layout->addWidget(fr1);

  auto button = [this](const char* caption, int top, void (TFavouritesFrm::*handler)()) {
    auto* b = new QPushButton(caption, fr1);
    b->setGeometry(kButtonLeft, top, kButtonWidth, kButtonHeight);
    if (handler) connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    return b;
  };
  Up = button("Up", 8, &TFavouritesFrm::UpClick);
  Down = button("Down", 40, &TFavouritesFrm::DownClick);
  Sort = button("Sort", 80, &TFavouritesFrm::SortClick);
  Del = button("Delete", 112, &TFavouritesFrm::DelClick);
  ClearAll = button("Clear", 144, &TFavouritesFrm::ClearAllClick);
  OK = button("OK", 0, nullptr);
  Cancel = button("Cancel", 0, nullptr);
  OK->setDefault(true);
  connect(OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
  // The window's key handler serves every control; Esc is the dialog's own Cancel.
  installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  resize(kClientWidth, kClientHeight);
}

void TFavouritesFrm::SetLines(const std::vector<std::string>& lines) {
  FavouritesList->clear();
  for (const std::string& s : lines) FavouritesList->addItem(QString::fromStdString(s));
  if (sorted_) SortLines();
}

std::vector<std::string> TFavouritesFrm::Lines() const {
  std::vector<std::string> v;
  for (int i = 0; i < FavouritesList->count(); ++i) v.push_back(FavouritesList->item(i)->text().toStdString());
  return v;
}

void TFavouritesFrm::MoveSelected(int by) {
  const int i = FavouritesList->currentRow();
  const int to = i + by;
  if (i < 0 || !FavouritesList->currentItem()->isSelected() || to < 0 || to >= FavouritesList->count()) return;
  QListWidgetItem* item = FavouritesList->takeItem(i);
  FavouritesList->insertItem(to, item);
  FavouritesList->setCurrentRow(to);
}

void TFavouritesFrm::UpClick() { MoveSelected(-1); }
void TFavouritesFrm::DownClick() { MoveSelected(+1); }

void TFavouritesFrm::SortClick() {
  sorted_ = true;
  SortLines();
}

// Alphabetical without regard to letter case; equal lines keep their order.
void TFavouritesFrm::SortLines() {
  std::vector<std::string> v = Lines();
  std::stable_sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
  });
  FavouritesList->clear();
  for (const std::string& s : v) FavouritesList->addItem(QString::fromStdString(s));
}

void TFavouritesFrm::DelClick() {
  QListWidgetItem* item = FavouritesList->currentItem();
  if (!item || !item->isSelected()) return;
  delete FavouritesList->takeItem(FavouritesList->row(item));
}

void TFavouritesFrm::ClearAllClick() { FavouritesList->clear(); }

bool TFavouritesFrm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
    DelClick();
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void TFavouritesFrm::showEvent(QShowEvent* e) {
  setWindowOpacity(TSmallDialog::kOpacity);
  if (QWidget* owner = parentWidget()) {
    const QRect o = owner->frameGeometry();
    move(o.x() + (o.width() - width()) / 2, o.y() + (o.height() - height()) / 2);
  }
  QDialog::showEvent(e);
}

void TFavouritesFrm::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  const int bottom = fr1->height();
  OK->move(kButtonLeft, bottom - kOkFromBottom - kButtonHeight);
  Cancel->move(kButtonLeft, bottom - kCancelFromBottom - kButtonHeight);
}

// The next showing starts at the size the main window sets.
void TFavouritesFrm::done(int result) {
  Cancel->setFocus();
  if (isMaximized()) showNormal();
  QDialog::done(result);
}

}  // namespace app
