// The main window's menus, tool bar, context menu and status bar.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <chrono>

#include "app/MenuIcons.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"

namespace app {

namespace {

// Runs `action` on a double click on the watched widget.
class TDoubleClickFilter : public QObject {
 public:
  TDoubleClickFilter(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonDblClick) {
      action_();
      return true;
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> action_;
};

// The three menu looks of `Style Menu`, in its order; the system's look has no sheet of its own.
const char* const kMenuStyles[] = {
    // Custom: a vertical gradient with a warm highlight.
    "QMenuBar, QMenu { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfbf5, stop:1 #e4dcc8);"
    " color: #202020; }"
    "QMenuBar::item:selected, QMenu::item:selected { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
    " stop:0 #ffd98a, stop:1 #f3a93b); color: black; }"
    "QMenu::item { padding: 4px 24px 4px 28px; } QMenu::separator { height: 1px; background: #b8ad92;"
    " margin: 3px 6px; }",
    // Office-like: a pale icon strip and a framed blue highlight.
    "QMenuBar { background: #f3f3f3; } QMenu { background: #fcfcfc; border: 1px solid #868686; }"
    "QMenu::item { padding: 4px 24px 4px 30px; border: 1px solid transparent; }"
    "QMenuBar::item:selected, QMenu::item:selected { background: #c1d2ee; border: 1px solid #316ac5;"
    " color: black; } QMenu::separator { height: 1px; background: #c5c5c5; margin: 3px 4px 3px 30px; }",
    "",
};

}  // namespace

QAction* TMainFrm::AddItem(QMenu* menu, const std::string& name, const QString& caption, const QKeySequence& key,
                           std::function<void()> handler, int checkState) {
  QAction* a = new QAction(caption, this);
  a->setObjectName(QString::fromStdString(name));
  if (!key.isEmpty()) {
    a->setShortcut(key);
    // Shortcuts work wherever the focus is inside the window, also with the menu bar hidden.
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
  }
  if (checkState >= 0) {
    a->setCheckable(true);
    a->setChecked(checkState != 0);
  }
  a->setIcon(MenuIcon(name));
  // Qt flips a check item before `triggered`, as the commands expect.
  if (handler) connect(a, &QAction::triggered, this, [h = std::move(handler)] { h(); });
  if (menu) menu->addAction(a);
  items_[name] = a;
  return a;
}

void TMainFrm::BuildMenus() {
  QMenuBar* bar = menuBar();

  QMenu* file = bar->addMenu("&File");
  AddItem(file, "OpenItem", "Open...", Qt::Key_O, [this] { OpenItemClick(); });
  AddItem(file, "OpenInNewWindowItem", "Open in new Window", Qt::SHIFT | Qt::Key_N,
          [this] { OpenInNewWindowItemClick(); });
  AddItem(file, "NewWindowItem", "Create Window", Qt::CTRL | Qt::Key_N, [this] { NewWindowItemClick(); });
  AddItem(file, "ReloadFileItem", "Reload from disk", Qt::SHIFT | Qt::Key_R, [this] { ReloadFileItemClick(); });
  AddItem(file, "OpenFolderItem", "Open Folder...", Qt::Key_F, [this] { OpenFolderItemClick(); });
  file->addSeparator();
  AddItem(file, "SaveItem", "Save...", Qt::Key_S, [this] { SaveItemClick(); });
  AddItem(file, "SaveAsItem", "Save As...", Qt::CTRL | Qt::SHIFT | Qt::Key_S, [this] { SaveAsItemClick(); });
  BuildPrintItems(file);
  file->addSeparator();
  QMenu* recent = file->addMenu("Recent Files");
  for (size_t i = 0; i < RecentList.size(); ++i)
    recentItems_.push_back(
        AddItem(recent, "ReOpen" + std::to_string(i + 1) + "Item", "", {}, [this, i] { ReOpenItemClick(i); }));
  recent->addSeparator();
  AddItem(recent, "DeleteNotExistsRecentItem", "Delete not exists", {},
          [this] { DeleteNotExistsRecentItemClick(); });
  AddItem(recent, "DeleteRecentItem", "Delete All", {}, [this] { DeleteRecentItemClick(); });
  BuildFolderMenu(file);
  file->addSeparator();
  AddItem(file, "ExitItem", "Close", Qt::ALT | Qt::Key_F4, [this] { ExitItemClick(); });

  BuildEditMenu(bar->addMenu("&Edit"));
  BuildImageMenu(bar->addMenu("&Image"));

  QMenu* tools = bar->addMenu("&Tools");
  AddItem(tools, "OnTopItem", "Always on Top", Qt::CTRL | Qt::Key_A, [this] { ApplyStayOnTop(); }, 0);
  AddItem(tools, "DragDropItem", "Drag && Drop", Qt::Key_F7, [this] { DragDropItemClick(); }, 1);
  tools->addSeparator();
  AddItem(tools, "ShowDesktopImageItem", "Show Desktop Image", {}, [this] { ShowDesktopImageItemClick(); });
  tools->addSeparator();
  AddItem(tools, "OptionsItem", "Parameters...", Qt::Key_P, [this] { OptionsItemClick(); });

  BuildViewMenu(bar->addMenu("&View"));

  QMenu* bookmarks = bar->addMenu("&Bookmarks");
  AddItem(bookmarks, "AddtoBookmarksItem", "Add to Bookmarks", Qt::CTRL | Qt::SHIFT | Qt::Key_D,
          [this] { AddToBookmarksItemClick(); });
  AddItem(bookmarks, "OrganizeBookmarksItem", "Organize Bookmarks", Qt::CTRL | Qt::SHIFT | Qt::Key_B,
          [this] { OrganizeBookmarksItemClick(); });
  bookmarks->addSeparator();
  AddItem(bookmarks, "DeleteNotExistsItem", "Delete not exists", {}, [this] {
    DeleteNotExistsBookmarksItemClick();
  });
  AddItem(bookmarks, "DeleteAllItem", "Delete All", {}, [this] { DeleteAllItemClick(); });
  bookmarks->addSeparator();
  for (size_t i = 0; i < BookmarkList.size(); ++i) {
    QAction* a = AddItem(bookmarks, "Fav" + std::to_string(i + 1) + "Item", "", {}, [this, i] { FavItemClick(i); });
    a->setIcon(MenuIcon("FavItem"));
    bookmarkItems_.push_back(a);
  }

  // Kept at the right end of the menu bar where the style allows it.
  QMenu* help = bar->addMenu("&Help");
  AddItem(help, "HomePageItem", "Vantrel Home Page", {}, [this] { HomePageItemClick(); });

  BuildContextMenu();
  connect(Orvex, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (useContextMenu_) contextMenu_->popup(Orvex->mapToGlobal(at));
  });
}

void TMainFrm::BuildContextMenu() {
  contextMenu_ = new QMenu(this);
  auto add = [this](QMenu* m, const char* name) {
    if (QAction* a = Item(name)) m->addAction(a);
  };
  add(contextMenu_, "FullScreenItem");
  contextMenu_->addSeparator();
  add(contextMenu_, "ZoomInItem");
  add(contextMenu_, "ZoomOutItem");
  contextMenu_->addSeparator();
  add(contextMenu_, "UndoItem");
  add(contextMenu_, "RedoItem");
  connect(contextMenu_, &QMenu::aboutToShow, this, [this] { RefreshUndoItems(); });
  add(contextMenu_, "ClearUndoItem");
  contextMenu_->addSeparator();
  add(contextMenu_, "CutItem");
  add(contextMenu_, "CopyItem");
  add(contextMenu_, "PasteItem");
  contextMenu_->addSeparator();
  QMenu* sel = contextMenu_->addMenu("Selected Object");
  for (const char* n : {"SelCopyToClipItem", "PasteInSelItem", "ClearSelItem", "CropSelItem"}) add(sel, n);
  contextMenu_->addSeparator();
  add(contextMenu_, "ExitItem");
}

void TMainFrm::BuildToolBar() {
  toolBar_ = addToolBar("Tool Bar");
  toolBar_->setObjectName("ToolBar");
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setIconSize(QSize(20, 20));
  auto button = [this](const char* item, const QString& hint) {
    QAction* a = Item(item);
    if (!a) return;
    toolBar_->addAction(a);
    if (auto* b = qobject_cast<QToolButton*>(toolBar_->widgetForAction(a))) {
      b->setToolTip(hint);
      b->setCursor(Qt::PointingHandCursor);
      b->setFixedWidth(29);
    }
  };
  button("OpenItem", "Open");
  button("SaveAsItem", "Save As");
  button("PrintItem", "Print");
  toolBar_->addSeparator();
  button("CutItem", "Cut");
  button("CopyItem", "Copy");
  button("PasteItem", "Paste");
  toolBar_->addSeparator();
  button("UndoItem", "Undo");
  button("RedoItem", "Redo");
  toolBar_->addSeparator();
  button("FullScreenItem", "Full screen");
  toolBar_->addSeparator();
  button("ZoomInItem", "Increase");
  button("ZoomOutItem", "Decrease");
  toolBar_->addSeparator();
  button("PrevPictureItem", "Previous picture");
  button("NextPictureItem", "Next picture");
  toolBar_->installEventFilter(new TDoubleClickFilter(toolBar_, [this] { OptionsItemClick(); }));
}

void TMainFrm::BuildStatusBar() {
  for (int i = 0; i < 2; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setFrameShape(QFrame::StyledPanel);
  }
  panels_[0]->setFixedWidth(115);
  // The file panel takes the rest of the bar, so that the name and size can be read.
  panels_[1]->setMinimumWidth(50);
  statusBar()->addWidget(panels_[0]);
  statusBar()->addWidget(panels_[1], 1);
  progressBar_ = new QProgressBar(this);
  progressBar_->setFixedWidth(160);
  progressBar_->setMaximumHeight(16);
  statusBar()->addPermanentWidget(progressBar_);
  progress_ = std::make_unique<TProgressShow>(progressBar_, [] {
    return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count());
  });
  Orvex->SetOnProgress([this](ox::TOrvexView*, int percent) { progress_->Report(percent); });
  BuildZoomPanel();
}

void TMainFrm::Busy(const std::function<void()>& work) {
  TProgressScope scope(*progress_);
  work();
}

void TMainFrm::ApplyMenuStyle() {
  const int style = Options().StyleMenu;
  // -1: the look the program starts with, the system's.
  const QString sheet = style >= 0 && style < int(std::size(kMenuStyles)) ? kMenuStyles[style] : "";
  menuBar()->setStyleSheet(sheet);
  for (QMenu* m : findChildren<QMenu*>()) m->setStyleSheet(sheet);
}

void TMainFrm::ApplyMenuIcons() {
  const bool show = !Item("IconsMenuItem") || Item("IconsMenuItem")->isChecked();
  for (auto& [name, action] : items_) action->setIconVisibleInMenu(show);
}

}  // namespace app
