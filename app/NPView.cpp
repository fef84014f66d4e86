// The View menu: bars, caption, menu icons, context menu, zoom steps, full screen, scroll bars, transparency.
#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/AppContext.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"

namespace app {

namespace {

bool Checked(const TMainFrm& f, const char* item) {
  QAction* a = f.Item(item);
  return a && a->isChecked();
}

}  // namespace

void TMainFrm::BuildViewMenu(QMenu* menu) {
  AddItem(menu, "ToolBarItem", "Show/hide toolbar", Qt::SHIFT | Qt::ALT | Qt::Key_T,
          [this] { toolBar_->setVisible(!toolBar_->isVisible()); }, 1);
  AddItem(menu, "StatusBarItem", "Show/hide status bar", Qt::SHIFT | Qt::ALT | Qt::Key_S,
          [this] { statusBar()->setVisible(!statusBar()->isVisible()); }, 1);
  AddItem(menu, "WinHeadItem", "Show/hide caption", Qt::SHIFT | Qt::ALT | Qt::Key_C,
          [this] { SetCaptionVisible(Checked(*this, "WinHeadItem")); }, 1);
  AddItem(menu, "IconsMenuItem", "Icons in Menu ", {}, [this] { ApplyMenuIcons(); }, 1);
  AddItem(menu, "ContextMenuItem", "Context Menu", Qt::Key_F6, [this] { ApplyContextMenu(); }, 1);
  menu->addSeparator();
  AddItem(menu, "ZoomInItem", "Increase...", Qt::CTRL | Qt::Key_I, [this] { ZoomStep(+1); });
  AddItem(menu, "ZoomOutItem", "Decrease...", Qt::CTRL | Qt::Key_D, [this] { ZoomStep(-1); });
  BuildComfortViewItems(menu);
  AddItem(menu, "FullScreenItem", "Full Screen", QKeySequence(Qt::Key_Return), [this] { ToggleFullScreen(); }, 0);
  // The keypad's Enter does the same.
  auto* enter = new QAction(this);
  enter->setShortcut(Qt::Key_Enter);
  connect(enter, &QAction::triggered, this, [this] { ToggleFullScreen(); });
  addAction(enter);
  AddItem(menu, "RefreshItem", "Update", Qt::Key_F5, [this] { Orvex->update(); });
  AddItem(menu, "ScrollBarsItem", "Scroll Bars", Qt::Key_B,
          [this] { Orvex->SetScrollBars(Checked(*this, "ScrollBarsItem") ? ox::ssBoth : ox::ssNone); }, 0);
  AddItem(menu, "BackgroundItem", "Background...", Qt::Key_C, [this] { BackgroundItemClick(); });
  AddItem(menu, "TranparentItem", "Transparent", Qt::Key_T, [this] {
    Services().window->SetOpacity(Checked(*this, "TranparentItem") ? Options().TransparentValue : 255);
  }, 0);
}

void TMainFrm::keyPressEvent(QKeyEvent* e) {
  const ViewerOptions& o = Options();
  const bool fullScreen = fullScreenActive_;
  bool used = false;
  if (e->key() == Qt::Key_Escape && !fullScreen && o.ExitOnEsc) {
    close();
    used = true;
  }
  if (e->key() == Qt::Key_Escape && fullScreen && o.ExitFromFullScreenOnEsc) {
    ToggleFullScreen();
    used = true;
  }
  if (e->key() == Qt::Key_F11 && o.SwitchingToFullScreenOnF11) {
    ToggleFullScreen();
    used = true;
  }
  if (!used) used = StepKey(e->key());
  if (!used) QMainWindow::keyPressEvent(e);
}

void TMainFrm::BackgroundItemClick() {
  if (setup_.context) setup_.context->ShowBackground();
}

void TMainFrm::OptionsItemClick() {
  if (setup_.context) setup_.context->ShowSettings();
}

void TMainFrm::ZoomStep(int direction) {
  if (Options().ZoomLadder) {
    const double z = Orvex->ZoomPercent();
    Orvex->SetZoomPercent(direction > 0 ? ox::TOrvexView::LadderZoomIn(z) : ox::TOrvexView::LadderZoomOut(z));
    return;
  }
  // The step is a whole number of percent; the view refuses zooms of 0 or less.
  const int step = int(Options().IncreaseDecreaseScale);
  const double zoom = Orvex->ZoomPercent() + direction * step;
  if (zoom > 0) Orvex->SetZoomPercent(zoom);
}

void TMainFrm::SetCaptionVisible(bool visible) {
  if (visible == captionVisible_) return;
  captionVisible_ = visible;
  Services().window->SetTitleBarVisible(visible);
  update();
}

// The window manager's full-screen state stands for the enlarged window: the client covers the screen,
// the menu bar goes with the bars the options hide, and every shortcut still works.
void TMainFrm::ToggleFullScreen() {
  fullScreenActive_ = !fullScreenActive_;
  const ViewerOptions& o = Options();
  if (fullScreenActive_) {
    if (o.OnFullScreenHideToolBar) toolBar_->hide();
    if (o.OnFullScreenHideStatusBar) statusBar()->hide();
    menuBar()->hide();
    if (o.SwitchToAlwaysOnTopOnFullScreen) Services().window->SetStayOnTop(true);
    if (o.OnFullScreenShowFilePath) {
      pathLabel_->setText(QString::fromStdString(currentFile_));
      pathLabel_->adjustSize();
      pathLabel_->show();
      pathLabel_->raise();
    }
    if (QAction* a = Item("FullScreenItem")) a->setChecked(true);
    savedBounds_ = QRect(pos(), size());
    Services().window->SetFullScreen(true);
  } else {
    Services().window->SetFullScreen(false);
    if (!savedBounds_.isNull()) {
      move(savedBounds_.topLeft());
      resize(savedBounds_.size());
    }
    if (QAction* a = Item("FullScreenItem")) a->setChecked(false);
    menuBar()->show();
    toolBar_->setVisible(Checked(*this, "ToolBarItem"));
    statusBar()->setVisible(Checked(*this, "StatusBarItem"));
    pathLabel_->hide();
    Services().window->SetStayOnTop(Checked(*this, "OnTopItem"));
  }
}

}  // namespace app
