// The option record's keys, defaults and ranges in one table, read and written the same way.
#include "app/settings/ViewerOptions.h"

#include <algorithm>
#include <variant>

namespace app {

namespace {

using TField = std::variant<bool ViewerOptions::*, int ViewerOptions::*, double ViewerOptions::*,
                            std::string ViewerOptions::*>;

struct TKey {
  const char* section;
  const char* key;
  TField field;
  double lo = 0, hi = 0;  // the control's range when lo < hi
  // A list index or a colour outside its range reads as the default (no selection); other numbers clamp.
  bool outsideIsDefault = false;
};

constexpr double kMaxColour = 0xFFFFFF;

const char* const kParams = "Parameters";
const char* const kSel = "Selection Options";
const char* const kEditors = "Set External Editors";

const TKey kOptionKeys[] = {
    {kParams, "Open lats file in new session", &ViewerOptions::OpenLatsFileInNewSession},
    {kParams, "Confirm before remove file", &ViewerOptions::ConfirmBeforeRemoveFile},
    {kParams, "Exit after remove file", &ViewerOptions::ExitAfterRemoveFile},
    {kParams, "Ask to Save changes on exit if file change", &ViewerOptions::AskToSaveChangesOnExit},
    {kParams, "Switching to full screen on pressing F11", &ViewerOptions::SwitchingToFullScreenOnF11},
    {kParams, "Copy open file to Windows Clipboard", &ViewerOptions::CopyOpenFileToClipboard},
    {kParams, "Min to tray", &ViewerOptions::MinToTray},
    {kParams, "Restore from tray on dbl click", &ViewerOptions::RestoreFromTrayOnDblClick},
    {kParams, "Min to tray on close", &ViewerOptions::MinToTrayOnClose},
    {kParams, "Confirm exit", &ViewerOptions::ConfirmExit},
    {kParams, "Copy open file to home catalog", &ViewerOptions::CopyOpenFileToHomeCatalog},
    {kParams, "Screen snap", &ViewerOptions::ScreenSnap},
    {kParams, "On start program full screen mode", &ViewerOptions::OnStartProgramFullScreen},
    {kParams, "On open file full screen mode", &ViewerOptions::OnOpenFileFullScreen},
    {kParams, "On full screen mode hide tool bar", &ViewerOptions::OnFullScreenHideToolBar},
    {kParams, "On full screen mode hide status bar", &ViewerOptions::OnFullScreenHideStatusBar},
    {kParams, "Preview button in Save Image Dialog", &ViewerOptions::PreviewButtonInSaveDialog},
    {kParams, "Save transparent on exit", &ViewerOptions::SaveTransparentOnExit},
    {kParams, "Auto width when opening a file", &ViewerOptions::AutoWidthWhenOpeningFile},
    {kParams, "On full screen mode show file path", &ViewerOptions::OnFullScreenShowFilePath},
    {kParams, "Exit from full screen on Esc down", &ViewerOptions::ExitFromFullScreenOnEsc},
    {kParams, "Exit from Vantrel on Esc down", &ViewerOptions::ExitOnEsc},
    {kParams, "Switch to \"Always on Top\" on full screen", &ViewerOptions::SwitchToAlwaysOnTopOnFullScreen},
    {kParams, "Ask to overwrite file for Save Dialog", &ViewerOptions::AskToOverwriteFileForSaveDialog},
    {kParams, "Transparent value", &ViewerOptions::TransparentValue, 50, 255},
    {kParams, "Caption File-Program", &ViewerOptions::CaptionFileProgram},
    {kParams, "Caption Program-File", &ViewerOptions::CaptionProgramFile},
    {kParams, "Caption File", &ViewerOptions::CaptionFile},
    {kParams, "Caption Program", &ViewerOptions::CaptionProgram},
    {kParams, "Task Bar File-Program", &ViewerOptions::TaskBarFileProgram},
    {kParams, "Task Bar Program-File", &ViewerOptions::TaskBarProgramFile},
    {kParams, "Task Bar File", &ViewerOptions::TaskBarFile},
    {kParams, "Task Bar Program", &ViewerOptions::TaskBarProgram},
    {kParams, "Increase/Decrease scale", &ViewerOptions::IncreaseDecreaseScale, 1, 100},
    {kParams, "Double click area", &ViewerOptions::DoubleClickArea, 0, 9, true},
    {kParams, "Color label on full screen mode", &ViewerOptions::ColorLabelOnFullScreen, 0, kMaxColour, true},
    {kParams, "Style Menu", &ViewerOptions::StyleMenu, 0, 2, true},
    {kParams, "Undo levels", &ViewerOptions::UndoLevels, 1, 100},
    {kParams, "Wheel zoom at cursor", &ViewerOptions::WheelZoomAtCursor},
    {kParams, "Zoom ladder", &ViewerOptions::ZoomLadder},
    {kSel, "Animated", &ViewerOptions::SelAnimated},
    {kSel, "Sizeable", &ViewerOptions::SelSizeable},
    {kSel, "Moveable", &ViewerOptions::SelMoveable},
    {kSel, "Filled", &ViewerOptions::SelFilled},
    {kSel, "Cut Borders", &ViewerOptions::SelCutBorders},
    {kSel, "Mouse Interact", &ViewerOptions::SelMouseInteract, 0, 6, true},
    {kEditors, "1", &ViewerOptions::ExternalEditor1},
    {kEditors, "2", &ViewerOptions::ExternalEditor2},
    {kEditors, "3", &ViewerOptions::ExternalEditor3},
    {kEditors, "Show only file name to external editor in main menu", &ViewerOptions::ShowOnlyFileNameToExternalEditor},
};

const TKey kBackgroundKeys[] = {
    {"Background", "Switching of background style", &ViewerOptions::SwitchingOfBackgroundStyle},
    {"Background", "Unique Color", &ViewerOptions::UniqueColor, 0, 10, true},
    {"Background", "Background color", &ViewerOptions::BackgroundColor, 0, kMaxColour, true},
    {"Background", "Text color", &ViewerOptions::TextColor, 0, kMaxColour, true},
};

// Defaults are the values the fields hold before reading.
void Read(ViewerOptions& o, const TIniFile& ini, const TKey& k) {
  std::visit(
      [&](auto member) {
        using T = std::remove_reference_t<decltype(o.*member)>;
        T& field = o.*member;
        if constexpr (std::is_same_v<T, bool>) {
          field = ini.ReadBool(k.section, k.key, field);
        } else if constexpr (std::is_same_v<T, int>) {
          long long v = ini.ReadInteger(k.section, k.key, field);
          const bool outside = k.lo < k.hi && (v < (long long)k.lo || v > (long long)k.hi);
          if (outside && k.outsideIsDefault) v = field;
          else if (outside) v = std::clamp<long long>(v, (long long)k.lo, (long long)k.hi);
          field = int(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
        } else if constexpr (std::is_same_v<T, double>) {
          double v = ini.ReadFloat(k.section, k.key, field);
          field = k.lo < k.hi ? std::clamp(v, k.lo, k.hi) : v;
        } else {
          field = ini.ReadString(k.section, k.key, field);
        }
      },
      k.field);
}

void Write(const ViewerOptions& o, TIniFile& ini, const TKey& k) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(o.*member)>;
        const T& field = o.*member;
        if constexpr (std::is_same_v<T, bool>) ini.WriteBool(k.section, k.key, field);
        else if constexpr (std::is_same_v<T, int>) ini.WriteInteger(k.section, k.key, field);
        else if constexpr (std::is_same_v<T, double>) ini.WriteFloat(k.section, k.key, field);
        else ini.WriteString(k.section, k.key, field);
      },
      k.field);
}

template <size_t N>
void WriteBatch(const ViewerOptions& o, TIniFile& ini, const TKey (&keys)[N]) {
  TIniUpdate batch(ini);
  for (const auto& k : keys) Write(o, ini, k);
  batch.Finish();
}

}  // namespace

void ViewerOptions::LoadOptions(const TIniFile& ini) {
  ViewerOptions defaults;
  defaults.TextColor = TextColor;
  for (const auto& k : kOptionKeys) {
    std::visit([&](auto member) { this->*member = defaults.*member; }, k.field);
    Read(*this, ini, k);
  }
  LoadBackground(ini);
}

void ViewerOptions::ReadOptions(const TIniFile& ini) {
  for (const auto& k : kOptionKeys) Read(*this, ini, k);
}

void ViewerOptions::SaveOptions(TIniFile& ini) const { WriteBatch(*this, ini, kOptionKeys); }

void ViewerOptions::LoadBackground(const TIniFile& ini) {
  ViewerOptions defaults;
  defaults.TextColor = TextColor;
  for (const auto& k : kBackgroundKeys) {
    std::visit([&](auto member) { this->*member = defaults.*member; }, k.field);
    Read(*this, ini, k);
  }
}

void ViewerOptions::SaveBackground(TIniFile& ini) const { WriteBatch(*this, ini, kBackgroundKeys); }

}  // namespace app
