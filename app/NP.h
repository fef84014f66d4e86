// TMainFrm: the viewer's main window. It owns the view, the current file, the recent and bookmark lists,
// and keeps its own state in the settings file at every idle moment.
#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgressShow.h"
#include "app/FolderSteps.h"
#include "app/settings/IniFile.h"
#include "app/settings/ViewerOptions.h"
#include "platform/Services.h"

class QAction;
class QLabel;
class QProgressBar;
class QMenu;
class QToolBar;

namespace ox {
class TOrvex;
}

namespace app {

class TAppContext;

// False for a path the settings file cannot hold (it has a line break).
bool StorablePath(const std::string& path);

// What the program start hands to the main window.
struct TMainFrmSetup {
  platform::Services services;
  // How the main window reaches the other windows.
  TAppContext* context = nullptr;
  // Kept by the settings window; read at the moment of use.
  ViewerOptions* options = nullptr;
  std::string settingsPath;
  // The command line without the program name.
  std::vector<std::string> args;
  // Relative command-line and dropped paths are resolved against it.
  std::string startFolder;
  // The welcome page the start-up timer opens (a file: URL).
  std::string homePage;
  // The desktop's recent list the opened files are added to; none when empty.
  std::string recentlyUsedPath;
};

// The steps of the open sequence; each command runs its own subset.
enum TOpenStep : unsigned {
  osLoad = 1, osCaptions = 2, osRecent = 4, osClipboard = 8, osHomeCatalog = 16, osFit = 32,
  osClearModified = 64, osFullScreen = 128,
  // The remembered file at start: a failure is ignored without a message.
  osQuiet = 256
};
constexpr unsigned kOpenCommandSteps =
    osLoad | osCaptions | osRecent | osClipboard | osFit | osClearModified | osFullScreen;
constexpr unsigned kDropSteps = kOpenCommandSteps | osHomeCatalog;
constexpr unsigned kReloadSteps = osLoad | osCaptions | osClearModified;
constexpr unsigned kDesktopImageSteps = osLoad | osCaptions | osFit | osClearModified;

class TMainFrm : public QMainWindow {
 public:
  explicit TMainFrm(TMainFrmSetup setup);
  ~TMainFrm() override;

  // --- state ---
  // Set by the open sequence and UpdateCaptions only.
  const std::string& CurrentFile() const { return currentFile_; }
  bool ImageModified = false;
  std::array<std::string, 10> RecentList;
  std::array<std::string, 30> BookmarkList;
  bool FullScreenActive() const { return fullScreenActive_; }
  const QRect& SavedBounds() const { return savedBounds_; }
  ox::TOrvex* const Orvex;

  // --- operations other windows call ---
  void UpdateCaptions(const std::string& path);
  // The task-bar title: on Linux the window's icon text.
  QString ApplicationTitle() const { return windowIconText(); }
  void AddToRecent();
  void RefreshRecentMenu();
  void RefreshBookmarksMenu();

  // --- the open sequence ---
  // Makes `path` current and runs `steps`; false when the load failed (reported, CurrentFile restored).
  bool OpenFile(const std::string& path, unsigned steps);
  // Relative paths are taken against the start-up folder.
  std::string AbsolutePath(const std::string& path) const;
  void OpenDroppedFiles(const std::vector<std::string>& paths);
  // The question before a drop or a close; false when the user cancelled or the save failed.
  bool AskToSaveChanges();
  // Before a command replaces the picture: asks when there are edits to lose; false when it must not go on.
  bool ConfirmReplace();
  // The file that was read only in part and is still current, else empty.
  const std::string& PartialFile() const { return partialFile_; }

  // --- commands ---
  void OpenItemClick();
  void OpenInNewWindowItemClick();
  void NewWindowItemClick();
  void ReloadFileItemClick();
  void OpenFolderItemClick();
  void DragDropItemClick();
  void ReOpenItemClick(size_t i);
  void ShowDesktopImageItemClick();
  void DeleteNotExistsRecentItemClick();
  void DeleteRecentItemClick();
  void AddToBookmarksItemClick();
  void OrganizeBookmarksItemClick();
  void FavItemClick(size_t i);
  void DeleteNotExistsBookmarksItemClick();
  void DeleteAllItemClick();
  // False when nothing was written (reported); ImageModified stays set then.
  bool SaveItemClick();
  void SaveAsItemClick();
  // File > "Preview...", "Print...", "Print selection..." (NPPrint.cpp).
  void PriviewItemClick();
  void PrintItemClick();
  void PrintSelItemClick();
  void CopyFileToClipboard(const std::string& path);
  void ExitItemClick() { close(); }
  void HomePageItemClick();
  void ToggleFullScreen();
  // +1 "Increase...", -1 "Decrease...".
  void ZoomStep(int direction);
  void SetCaptionVisible(bool visible);
  // Image > "Change Size...", "Custom/Fine Rotate...", "Histogram..."; View > "Background...".
  void ChangeSizeItemClick();
  void RotateItemClick();
  void HistogramItemClick();
  void BackgroundItemClick();
  // Tools > "Parameters...", also the tool bar's double click.
  void OptionsItemClick();
  // The settings window's OK with a file open: its group of options onto this window at once.
  void ApplySettings();

  // --- viewing comfort ---
  // Opens the next, previous, first or last readable picture of the current file's folder after the save
  // question; false when none was opened.
  bool StepPicture(TFolderStep step);
  void ActualSizeItemClick();
  // "Undo <operation>" and "Redo <operation>" from the processing component's stacks.
  void RefreshUndoItems();
  QLabel* ZoomPanel() const { return zoomPanel_; }

  // --- message-driven handlers ---
  void FormShow();
  void IdleSave();
  void CheckChangedTimer();
  void StartupTimerTick();
  bool FormCloseQuery();
  void OrvexImageChange();
  bool FirstShowDone() const { return firstShowDone_; }
  QTimer& StartupTimer() { return startupTimer_; }
  QTimer& CheckChanged() { return checkChanged_; }

  // The status-bar panels as the idle routine writes them.
  QString StatusPanel(int index) const;
  // Menu items by their item names ("OpenItem", "DragDropItem", ...).
  QAction* Item(const std::string& name) const;
  QMenu* ContextMenu() const { return contextMenu_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QLabel* PathLabel() const { return pathLabel_; }
  QProgressBar* ProgressBar() const { return progressBar_; }
  // Loads, saves and picture operations show their progress through it; its clock may be replaced.
  TProgressShow& Progress() { return *progress_; }
  ViewerOptions& Options() const { return *setup_.options; }
  platform::Services& Services() { return setup_.services; }
  TIniFile& Ini() { return *ini_; }

  // Runs a load or save of the I/O component: empty when it worked, else the error's text or `failure`.
  std::string RunIO(const std::function<void()>& op, const std::string& failure);
  // Saves the view's picture to `path`; empty when it worked, else what to tell the user.
  std::string WritePicture(const std::string& path);
  // The application's default error report.
  void ReportError(const std::string& text);

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  // "Screen snap": a window dropped near a screen edge moves onto it.
  void moveEvent(QMoveEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  // Esc and F11 reach here from the window and the view when no shortcut took them.
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void FormCreate();
  void BuildMenus();
  void BuildEditMenu(QMenu* menu);
  void BuildPrintItems(QMenu* file);
  void BuildImageMenu(QMenu* menu);
  void BuildViewMenu(QMenu* menu);
  void BuildContextMenu();
  void BuildToolBar();
  void BuildStatusBar();
  void ReadState();
  void ApplyViewOptions();
  void ApplyBackground();
  void ApplyMouseOptions();
  void ApplyContextMenu();
  void ApplyStayOnTop();
  void ApplyMenuIcons();
  void SetPathLabelColour(int colour);
  // The look of every menu by `Style Menu`: custom gradient, office-like or the system's (NPMenus.cpp).
  void ApplyMenuStyle();
  // "AutoResize" fits the picture again after it turned.
  void FitAfterTurn();
  bool RunFirstShowFile();
  void CopyToHomeCatalog();
  // Adds a menu item: its name, caption, shortcut and handler; check items flip before the handler runs.
  QAction* AddItem(QMenu* menu, const std::string& name, const QString& caption, const QKeySequence& key,
                   std::function<void()> handler, int checkState = -1);
  void ConnectIdle();
  // Runs a picture operation with the progress bar.
  void Busy(const std::function<void()>& work);
  // Tells the user that `path` was read only in part.
  void ReportPartial(const std::string& path);
  // Viewing comfort (NPComfort.cpp): the folder submenu, the View menu's zoom items and the zoom panel.
  void BuildFolderMenu(QMenu* file);
  void BuildComfortViewItems(QMenu* view);
  void BuildZoomPanel();
  // The comfort options and menu toggles onto the view and the processing component.
  void ApplyComfortOptions();
  void SetZoomFilterItem(int filter);
  // Page Up/Down, Home and End when the view did not scroll with them; false for other keys.
  bool StepKey(int key);

  TMainFrmSetup setup_;
  std::string currentFile_;
  bool fullScreenActive_ = false;
  QRect savedBounds_;
  std::unique_ptr<TIniFile> ini_;
  std::unique_ptr<platform::TWindowControl> ownWindow_;
  std::map<std::string, QAction*> items_;
  QMenu* contextMenu_ = nullptr;
  std::vector<QAction*> recentItems_, bookmarkItems_;
  QToolBar* toolBar_ = nullptr;
  QLabel* pathLabel_ = nullptr;
  QLabel* panels_[2] = {nullptr, nullptr};
  QProgressBar* progressBar_ = nullptr;
  std::unique_ptr<TProgressShow> progress_;
  std::string partialFile_;
  QTimer startupTimer_, checkChanged_;
  QMetaObject::Connection idle_;
  std::string wallpaperPath_;
  bool firstShowDone_ = false;
  bool inFirstShow_ = false;  // the window is not on screen yet
  bool inIdle_ = false;
  bool useContextMenu_ = true;
  bool captionVisible_ = true;
  TFolderSteps folderSteps_;
  QLabel* zoomPanel_ = nullptr;
  std::vector<QAction*> zoomFilterItems_;
};

}  // namespace app
