// ViewerOptions: the options of the settings and background windows, one typed field per settings key.
#pragma once

#include <string>

#include "app/settings/IniFile.h"

namespace app {

struct ViewerOptions {
  // [Parameters], settings window
  bool OpenLatsFileInNewSession = true;
  bool ConfirmBeforeRemoveFile = true;
  bool ExitAfterRemoveFile = false;
  bool AskToSaveChangesOnExit = true;
  bool SwitchingToFullScreenOnF11 = true;
  bool CopyOpenFileToClipboard = false;
  bool MinToTray = false;
  bool RestoreFromTrayOnDblClick = true;
  bool MinToTrayOnClose = false;
  bool ConfirmExit = false;
  bool CopyOpenFileToHomeCatalog = false;
  bool ScreenSnap = false;
  bool OnStartProgramFullScreen = false;
  bool OnOpenFileFullScreen = false;
  bool OnFullScreenHideToolBar = true;
  bool OnFullScreenHideStatusBar = true;
  bool PreviewButtonInSaveDialog = false;
  bool SaveTransparentOnExit = false;
  bool AutoWidthWhenOpeningFile = true;
  bool OnFullScreenShowFilePath = true;
  bool ExitFromFullScreenOnEsc = true;
  bool ExitOnEsc = true;
  bool SwitchToAlwaysOnTopOnFullScreen = false;
  bool AskToOverwriteFileForSaveDialog = true;
  int TransparentValue = 195;  // 50 .. 255
  bool CaptionFileProgram = true;
  bool CaptionProgramFile = false;
  bool CaptionFile = false;
  bool CaptionProgram = false;
  bool TaskBarFileProgram = true;
  bool TaskBarProgramFile = false;
  bool TaskBarFile = false;
  bool TaskBarProgram = false;
  double IncreaseDecreaseScale = 10;  // 1 .. 100
  int DoubleClickArea = -1;
  int ColorLabelOnFullScreen = 65280;
  int StyleMenu = -1;
  // Snapshots kept for Undo and Redo; 1 is the single step of the original viewer.
  int UndoLevels = 10;  // 1 .. 100
  // The wheel zooms about the point under the cursor (off: about the centre).
  bool WheelZoomAtCursor = true;
  // "Increase..." and "Decrease..." step through the zoom ladder (off: by Increase/Decrease scale).
  bool ZoomLadder = true;
  // [Selection Options]
  bool SelAnimated = true;
  bool SelSizeable = true;
  bool SelMoveable = true;
  bool SelFilled = false;
  bool SelCutBorders = false;
  int SelMouseInteract = -1;
  // [Set External Editors]
  std::string ExternalEditor1, ExternalEditor2, ExternalEditor3;
  bool ShowOnlyFileNameToExternalEditor = false;
  // [Background]
  bool SwitchingOfBackgroundStyle = true;
  int UniqueColor = -1;  // -1: no selection, the solid style
  int BackgroundColor = 0;
  int TextColor = 0;  // the platform's window-text colour is set by the program before loading

  // Every field from the file, each with its default; numbers out of the controls' ranges are clamped, list
  // indices and colours out of theirs read as the default.
  void LoadOptions(const TIniFile& ini);
  // The settings window's fields from the file, each with its current value as the default.
  void ReadOptions(const TIniFile& ini);
  // The fields of the settings window (Parameters, Selection Options, Set External Editors), one batch.
  void SaveOptions(TIniFile& ini) const;
  void LoadBackground(const TIniFile& ini);
  void SaveBackground(TIniFile& ini) const;
};

}  // namespace app
