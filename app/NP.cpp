// The main window's life: creation, first show, the idle routine, the timers, closing and destruction.
#include "app/NP.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/MainKeys.h"
#include "imaging/view/Orvex.h"
#include "platform/ui/QtColor.h"
#include "platform/window/WindowQt.h"

namespace app {

TMainFrm::TMainFrm(TMainFrmSetup setup)
    : Orvex(new ox::TOrvex(this, setup.services.system)), setup_(std::move(setup)) {
  setWindowTitle("Vantrel");
  setWindowIconText("Vantrel");
  setGeometry(198, 120, 739, 650);
  if (!setup_.services.window) {
    ownWindow_ = std::make_unique<platform::TWindowQt>(this);
    setup_.services.window = ownWindow_.get();
  }

  Orvex->SetBackground(0);
  Orvex->SetCenter(true);
  Orvex->SetMouseInteract(ox::MouseBit(ox::miSelect));
  Orvex->OnImageChange = [this](ox::TOrvexView*) { OrvexImageChange(); };
  Orvex->ProcComponent().Clipboard = setup_.services.clipboard;
  Orvex->setContextMenuPolicy(Qt::CustomContextMenu);
  setCentralWidget(Orvex);
  // The keys that scroll a zoomed picture work from the start, before any click on it.
  Orvex->setFocus();

  pathLabel_ = new QLabel("Path", Orvex);
  pathLabel_->move(8, 8);
  QFont bold = pathLabel_->font();
  bold.setBold(true);
  pathLabel_->setFont(bold);
  pathLabel_->setAttribute(Qt::WA_TranslucentBackground);
  pathLabel_->hide();

  startupTimer_.setInterval(50);
  connect(&startupTimer_, &QTimer::timeout, this, [this] { StartupTimerTick(); });
  checkChanged_.setInterval(10);
  connect(&checkChanged_, &QTimer::timeout, this, [this] { CheckChangedTimer(); });

  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  FormCreate();
}

TMainFrm::~TMainFrm() {
  // Leaving full screen gives the window its saved bounds back before it goes.
  if (fullScreenActive_) setup_.services.window->SetFullScreen(false);
  disconnect(idle_);
}

void TMainFrm::FormCreate() {
  ini_ = std::make_unique<TIniFile>(setup_.settingsPath);
  ReadState();
  wallpaperPath_ = setup_.services.desktop ? setup_.services.desktop->ReadWallpaper() : std::string();
  RefreshRecentMenu();
  RefreshBookmarksMenu();
  ApplyComfortOptions();
  ConnectIdle();
}

void TMainFrm::ReadState() {
  const TIniFile& ini = *ini_;
  move(int(ini.ReadInteger(kPosition, "Left", 100)), int(ini.ReadInteger(kPosition, "Top", 100)));
  resize(int(ini.ReadInteger(kPosition, "Width", 777)), int(ini.ReadInteger(kPosition, "Height", 600)));
  if (ini.ReadBool(kPosition, "Maximized", false)) setWindowState(windowState() | Qt::WindowMaximized);
  for (size_t i = 0; i < RecentList.size(); ++i) RecentList[i] = ini.ReadString(kHistory, std::to_string(i + 1), "");
  for (size_t i = 0; i < BookmarkList.size(); ++i)
    BookmarkList[i] = ini.ReadString(kFavourites, std::to_string(i + 1), "");
  for (const TMainKey& k : MainKeys())
    if (QAction* a = Item(k.item)) a->setChecked(ini.ReadBool(kParameters, k.key, a->isChecked()));
  if (ini.ReadBool(kParameters, "Welcome", true)) startupTimer_.start();
}

// Qt has no idle event: the dispatcher's about-to-block moment is the same thing, and modal loops share it.
void TMainFrm::ConnectIdle() {
  if (auto* d = QAbstractEventDispatcher::instance(thread()))
    idle_ = connect(d, &QAbstractEventDispatcher::aboutToBlock, this, [this] { IdleSave(); });
}

void TMainFrm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!firstShowDone_) {
    firstShowDone_ = true;
    inFirstShow_ = true;
    FormShow();
    inFirstShow_ = false;
  }
}

void TMainFrm::FormShow() {
  ViewerOptions& o = Options();
  if (o.OnStartProgramFullScreen && !fullScreenActive_) ToggleFullScreen();
  if (!RunFirstShowFile()) return;
  if (!o.CaptionFileProgram && !o.CaptionProgramFile && !o.CaptionFile && !o.CaptionProgram)
    o.CaptionFileProgram = true;
  if (!o.TaskBarFileProgram && !o.TaskBarProgramFile && !o.TaskBarFile && !o.TaskBarProgram)
    o.TaskBarFileProgram = true;
  ApplyViewOptions();
  ImageModified = false;
}

// The start-up file; false when a command-line file failed, which skips the rest of the first show.
bool TMainFrm::RunFirstShowFile() {
  const std::vector<std::string>& args = setup_.args;
  // A further instance started by "Create Window" gets one empty argument: a plain start.
  if (args.empty() || args.front().empty()) {
    if (!Options().OpenLatsFileInNewSession) return true;
    try {
      std::string path = ini_->ReadString(kParameters, "Path", wallpaperPath_);
      if (!path.empty()) OpenFile(path, kOpenCommandSteps | osQuiet);
    } catch (...) {
    }
    return true;
  }
  if (!OpenFile(AbsolutePath(args.front()), kOpenCommandSteps)) return false;
  try {
    ini_->WriteString(kParameters, "Path", currentFile_);
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
  return true;
}

void TMainFrm::ApplyViewOptions() {
  ViewerOptions& o = Options();
  Orvex->SetCenter(Item("CenterItem") ? Item("CenterItem")->isChecked() : true);
  Orvex->SetScrollBars(Item("ScrollBarsItem") && Item("ScrollBarsItem")->isChecked() ? ox::ssBoth : ox::ssNone);
  toolBar_->setVisible(!Item("ToolBarItem") || Item("ToolBarItem")->isChecked());
  statusBar()->setVisible(!Item("StatusBarItem") || Item("StatusBarItem")->isChecked());
  SetPathLabelColour(o.ColorLabelOnFullScreen);
  ApplyBackground();
  checkChanged_.setInterval(10);
  if (o.AskToSaveChangesOnExit)
    checkChanged_.stop();
  else
    checkChanged_.start();
  ApplyContextMenu();
  if (o.DoubleClickArea == -1) o.DoubleClickArea = 0;
  if (o.SelMouseInteract == -1) o.SelMouseInteract = 1;
  ApplyMouseOptions();
  ApplyMenuIcons();
  setAcceptDrops(Item("DragDropItem")->isChecked());
  ApplyStayOnTop();
  ApplyComfortOptions();
  ApplyMenuStyle();
  if (!o.SaveTransparentOnExit) {
    if (QAction* t = Item("TranparentItem")) t->setChecked(false);
  } else {
    QAction* t = Item("TranparentItem");
    setup_.services.window->SetOpacity(t && t->isChecked() ? 196 : 255);
  }
}

void TMainFrm::ApplySettings() {
  const ViewerOptions& o = Options();
  UpdateCaptions(currentFile_);
  if (o.AskToSaveChangesOnExit)
    checkChanged_.stop();
  else
    checkChanged_.start();
  SetPathLabelColour(o.ColorLabelOnFullScreen);
  ApplyMouseOptions();
  ApplyMenuStyle();
}

void TMainFrm::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  if (!Options().ScreenSnap || fullScreenActive_ || isMaximized() || !isVisible() || !screen()) return;
  constexpr int kSnapDistance = 12;
  const QRect area = screen()->availableGeometry();
  const QRect f = frameGeometry();
  QPoint to = f.topLeft();
  if (std::abs(f.left() - area.left()) < kSnapDistance) to.setX(area.left());
  else if (std::abs(f.right() - area.right()) < kSnapDistance) to.setX(area.right() - f.width() + 1);
  if (std::abs(f.top() - area.top()) < kSnapDistance) to.setY(area.top());
  else if (std::abs(f.bottom() - area.bottom()) < kSnapDistance) to.setY(area.bottom() - f.height() + 1);
  if (to != f.topLeft()) move(to);
}

void TMainFrm::ApplyBackground() {
  const ViewerOptions& o = Options();
  Orvex->SetBackground(gfx::TColor(o.BackgroundColor));
  Orvex->SetBackgroundStyle(o.SwitchingOfBackgroundStyle ? ox::BackgroundStyleOfListIndex(o.UniqueColor)
                                                         : ox::oxbsSolid);
}

void TMainFrm::ApplyMouseOptions() {
  const ViewerOptions& o = Options();
  static const ox::TOXMouseInteractItem kModes[] = {ox::miScroll, ox::miSelect, ox::miSelectPolygon,
                                                    ox::miSelectCircle, ox::miSelectZoom, ox::miSelectMagicWand,
                                                    ox::miSelectLasso};
  if (o.SelMouseInteract >= 0 && o.SelMouseInteract < int(std::size(kModes)))
    Orvex->SetMouseInteract(ox::MouseBit(kModes[o.SelMouseInteract]));
  ox::TOXSelectionOptions sel = Orvex->SelectionOptions();
  auto set = [&](ox::TOXSelectionOption opt, bool on) {
    sel = on ? ox::TOXSelectionOptions(sel | ox::SelectionBit(opt))
             : ox::TOXSelectionOptions(sel & ~ox::SelectionBit(opt));
  };
  set(ox::oxsoAnimated, o.SelAnimated);
  set(ox::oxsoSizeable, o.SelSizeable);
  set(ox::oxsoMoveable, o.SelMoveable);
  set(ox::oxsoFilled, o.SelFilled);
  set(ox::oxsoCutBorders, o.SelCutBorders);
  Orvex->SetSelectionOptions(sel);
}

void TMainFrm::ApplyContextMenu() {
  QAction* item = Item("ContextMenuItem");
  useContextMenu_ = !item || item->isChecked();
}

void TMainFrm::ApplyStayOnTop() {
  QAction* item = Item("OnTopItem");
  setup_.services.window->SetStayOnTop(item && item->isChecked());
}

void TMainFrm::SetPathLabelColour(int colour) {
  QPalette p = pathLabel_->palette();
  p.setColor(QPalette::WindowText, platform::ToQColor(gfx::TColor(colour)));
  pathLabel_->setPalette(p);
}

void TMainFrm::UpdateCaptions(const std::string& path) {
  currentFile_ = path;
  const ViewerOptions& o = Options();
  const QString file = QString::fromStdString(path), program = "Vantrel";
  const QString fileProgram = file + " - " + program, programFile = program + " - " + file;
  if (o.CaptionFileProgram) setWindowTitle(fileProgram);
  if (o.TaskBarFileProgram) setWindowIconText(fileProgram);
  if (o.CaptionProgramFile) setWindowTitle(programFile);
  if (o.TaskBarProgramFile) setWindowIconText(programFile);
  if (o.CaptionFile) setWindowTitle(file);
  if (o.TaskBarFile) setWindowIconText(file);
  if (o.CaptionProgram) setWindowTitle(program);
  if (o.TaskBarProgram) setWindowIconText(program);
}

void TMainFrm::IdleSave() {
  // A message box opened by a command spins its own loop: never write from inside our own write.
  if (inIdle_ || !ini_) return;
  inIdle_ = true;
  for (int i = 0; i < 2; ++i) {
    QString text = StatusPanel(i);
    if (panels_[i]->text() != text) panels_[i]->setText(text);
  }
  try {
    TIniFile& ini = *ini_;
    TIniUpdate batch(ini);
    if (isMaximized()) {
      ini.WriteBool(kPosition, "Maximized", true);
    } else {
      // In full screen the placement to come back to is the one before it.
      const QRect r = fullScreenActive_ && !savedBounds_.isNull() ? savedBounds_ : QRect(pos(), size());
      ini.WriteBool(kPosition, "Maximized", false);
      ini.WriteInteger(kPosition, "Left", r.x());
      ini.WriteInteger(kPosition, "Top", r.y());
      ini.WriteInteger(kPosition, "Height", r.height());
      ini.WriteInteger(kPosition, "Width", r.width());
    }
    for (size_t i = 0; i < RecentList.size(); ++i) ini.WriteString(kHistory, std::to_string(i + 1), RecentList[i]);
    for (size_t i = 0; i < BookmarkList.size(); ++i)
      ini.WriteString(kFavourites, std::to_string(i + 1), BookmarkList[i]);
    for (const TMainKey& k : MainKeys()) {
      if (k.item == std::string("Welcome"))
        ini.WriteBool(kParameters, "Welcome", startupTimer_.isActive());
      else if (QAction* a = Item(k.item))
        ini.WriteBool(kParameters, k.key, a->isChecked());
    }
    if (Options().OpenLatsFileInNewSession)
      ini.WriteString(kParameters, "Path", StorablePath(currentFile_) ? currentFile_ : std::string());
    batch.Finish();
  } catch (...) {
    // The user's state is written again at the next idle moment.
  }
  inIdle_ = false;
}

void TMainFrm::StartupTimerTick() {
  startupTimer_.stop();
  HomePageItemClick();
}

void TMainFrm::HomePageItemClick() {
  if (setup_.services.shell && !setup_.homePage.empty()) setup_.services.shell->OpenUrl(setup_.homePage);
}

void TMainFrm::CheckChangedTimer() { ImageModified = false; }

void TMainFrm::OrvexImageChange() {
  ImageModified = true;
  RefreshUndoItems();
}

bool TMainFrm::AskToSaveChanges() {
  const std::string name = currentFile_.substr(currentFile_.find_last_of('/') + 1);
  platform::TMsgAnswer a = setup_.services.ui->MessageBox("Vantrel", "Save changes in \"" + name + "\"?",
                                                          platform::TMsgButtons::YesNoCancel,
                                                          platform::TMsgKind::Question);
  if (a == platform::TMsgAnswer::Cancel) return false;
  if (a == platform::TMsgAnswer::Yes) {
    raise();
    activateWindow();
    SaveItemClick();
    return !ImageModified;
  }
  return true;
}

// One question for every command that replaces the picture, as for a drop.
bool TMainFrm::ConfirmReplace() {
  return !(Options().AskToSaveChangesOnExit && ImageModified) || AskToSaveChanges();
}

bool TMainFrm::FormCloseQuery() {
  const ViewerOptions& o = Options();
  if (o.MinToTrayOnClose) {
    // Without a notification-area icon yet, the window goes to the task bar instead.
    showMinimized();
    return false;
  }
  if (ImageModified) return AskToSaveChanges();
  if (o.ConfirmExit)
    return setup_.services.ui->MessageBox("Vantrel", "Are you sure, what do you want to exit?",
                                          platform::TMsgButtons::YesNo,
                                          platform::TMsgKind::Question) == platform::TMsgAnswer::Yes;
  return true;
}

void TMainFrm::closeEvent(QCloseEvent* e) {
  if (FormCloseQuery()) {
    e->accept();
    disconnect(idle_);
  } else {
    e->ignore();
  }
}

void TMainFrm::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (QAction* a = Item("AutoResizeItem"); a && a->isChecked()) Orvex->ZoomToFit();
}

void TMainFrm::ReportError(const std::string& text) {
  setup_.services.ui->MessageBox("Vantrel", text, platform::TMsgButtons::Ok, platform::TMsgKind::Error);
}

QAction* TMainFrm::Item(const std::string& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

}  // namespace app
