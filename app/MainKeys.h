// The main window's own settings keys: sections, and the [Parameters] keys that mirror its check items.
#pragma once

#include <span>

namespace app {

inline constexpr const char* kPosition = "Position";
inline constexpr const char* kHistory = "History";
inline constexpr const char* kFavourites = "Favourites";
inline constexpr const char* kParameters = "Parameters";

struct TMainKey {
  const char* key;
  const char* item;  // the check item it mirrors; "Welcome" is the start-up timer's state
};

// In the order the idle routine writes them.
inline std::span<const TMainKey> MainKeys() {
  static constexpr TMainKey keys[] = {
      {"Image on center window", "CenterItem"}, {"Stay on top", "OnTopItem"},
      {"Scroll Bars", "ScrollBarsItem"},        {"Tool Bar", "ToolBarItem"},
      {"Status Bar", "StatusBarItem"},          {"Tranparent", "TranparentItem"},
      {"Auto resize image", "AutoResizeItem"},  {"Drag and Drop", "DragDropItem"},
      {"Welcome", "Welcome"},                   {"Icons in Menu", "IconsMenuItem"},
      {"Context Menu", "ContextMenuItem"},
      {"Enlarge small pictures to fit", "EnlargeSmallItem"},
      {"Transparency over chessboard", "ChessboardItem"},
  };
  return keys;
}

}  // namespace app
