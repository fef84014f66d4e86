// TSetFrm ("Environment Options"): the settings window, editor and keeper of the viewer's options.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/settings/IniFile.h"
#include "windows/Launchers.h"
#include "windows/SmallDialog.h"
#include "windows/WindowSetup.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace app {

struct TSetFrmSetup : TWindowSetup {
  // The main window's current file: OK applies the options group to it only while there is one.
  std::function<std::string()> currentFile;
  // Applies the options group to the main window (captions, snapping, timer, label colour, mouse, menus).
  std::function<void()> applyOptions;
  // The "Delete All" commands of the recent-files and bookmarks menus.
  std::function<void()> clearRecent, clearBookmarks;
  // The launchers' program and folders; this process's file and the session's folders when not given.
  std::string programPath;
  std::optional<TLauncherFolders> launcherFolders;
};

class TSetFrm : public TSmallDialog {
 public:
  explicit TSetFrm(const TSetFrmSetup& setup);

  QTabWidget* PageControl;
  // ch1 .. ch30 by their numbers (index 0 unused), rb1 .. rb8 likewise.
  std::array<QCheckBox*, 31> ch{};
  std::array<QRadioButton*, 9> rb{};
  QPushButton* ColorPathBox;
  QSpinBox* ScaleEdit;
  QSlider* TransparentBar;
  QComboBox* DoubleClickAreaBox;
  QComboBox* MouseInteractBox;
  QComboBox* StyleMenuBox;
  std::array<QLineEdit*, 3> ExternalEditors{};
  std::array<QPushButton*, 3> Browser{};
  // The "Shortcut" group: captions "Desktop", "Start Menu", "Menu Programs", "Startup", "Send To".
  QPushButton* Desktop;
  QPushButton* MenuPrograms;
  QPushButton* StartMenu;
  QPushButton* Startup;
  QPushButton* SendTo;
  QPushButton* RecentFiles;
  QPushButton* Bookmarks;
  QPushButton* ExternalEditorsClear;
  // Beyond the original options: undo depth and the zoom behaviour.
  QSpinBox* UndoLevelsEdit;
  QCheckBox* WheelZoomAtCursorBox;
  QCheckBox* ZoomLadderBox;
  QPushButton* OK;
  QPushButton* Cancel;

  // The colour ColorPathBox shows (0x00BBGGRR).
  uint32_t PathColor() const { return pathColor_; }
  void SetPathColor(uint32_t colour);

  void OKClick();
  void CancelClick();
  void ch2Click();
  void ColorPathBoxClick();
  void BrowserClick(int i);
  void ExternalEditorsClick();
  // Writes the launchers of one shortcut button; nothing is reported.
  void ShortcutClick(TLauncherPlace place);

 protected:
  void showEvent(QShowEvent* e) override;
  void done(int result) override;

 private:
  // Every control from the record, and the record from every control.
  void ControlsFromOptions();
  void OptionsFromControls();
  // Re-reads the record from the file and puts it into the controls (creation, Cancel, every close).
  void ReadKeys();

  TSetFrmSetup setup_;
  std::unique_ptr<TIniFile> ini_;
  uint32_t pathColor_ = 0;
  // OK could not write the file: the closing keeps the confirmed options instead of re-reading them.
  bool keepConfirmed_ = false;
};

}  // namespace app
