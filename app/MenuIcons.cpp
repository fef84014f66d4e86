#include "app/MenuIcons.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <map>

namespace app {

namespace {

struct TIconName {
  const char* theme;
  QStyle::StandardPixmap fallback;
};

const std::map<std::string, TIconName>& IconNames() {
  static const std::map<std::string, TIconName> names = {
      {"OpenItem", {"document-open", QStyle::SP_DialogOpenButton}},
      {"OpenInNewWindowItem", {"window-new", QStyle::SP_FileDialogNewFolder}},
      {"NewWindowItem", {"window-new", QStyle::SP_TitleBarNormalButton}},
      {"ReloadFileItem", {"view-refresh", QStyle::SP_BrowserReload}},
      {"OpenFolderItem", {"folder-open", QStyle::SP_DirOpenIcon}},
      {"SaveItem", {"document-save", QStyle::SP_DialogSaveButton}},
      {"SaveAsItem", {"document-save-as", QStyle::SP_DialogSaveButton}},
      {"PrintItem", {"document-print", QStyle::SP_FileDialogContentsView}},
      {"ExitItem", {"application-exit", QStyle::SP_DialogCloseButton}},
      {"UndoItem", {"edit-undo", QStyle::SP_ArrowBack}},
      {"RedoItem", {"edit-redo", QStyle::SP_ArrowForward}},
      {"PrevPictureItem", {"go-previous", QStyle::SP_ArrowLeft}},
      {"NextPictureItem", {"go-next", QStyle::SP_ArrowRight}},
      {"FirstPictureItem", {"go-first", QStyle::SP_MediaSkipBackward}},
      {"LastPictureItem", {"go-last", QStyle::SP_MediaSkipForward}},
      {"ActualSizeItem", {"zoom-original", QStyle::SP_CustomBase}},
      {"ClearUndoItem", {"edit-clear", QStyle::SP_DialogResetButton}},
      {"CutItem", {"edit-cut", QStyle::SP_CustomBase}},
      {"CopyItem", {"edit-copy", QStyle::SP_CustomBase}},
      {"PasteItem", {"edit-paste", QStyle::SP_CustomBase}},
      {"ClearSelItem", {"edit-clear", QStyle::SP_DialogResetButton}},
      {"CropSelItem", {"image-crop", QStyle::SP_CustomBase}},
      {"RotateLeftItem", {"object-rotate-left", QStyle::SP_CustomBase}},
      {"RotateRightItem", {"object-rotate-right", QStyle::SP_CustomBase}},
      {"VerticalItem", {"object-flip-vertical", QStyle::SP_ArrowDown}},
      {"HorizomtalItem", {"object-flip-horizontal", QStyle::SP_ArrowRight}},
      {"WidthItem", {"zoom-fit-best", QStyle::SP_CustomBase}},
      {"ClearItem", {"edit-clear-all", QStyle::SP_TrashIcon}},
      {"ZoomInItem", {"zoom-in", QStyle::SP_CustomBase}},
      {"ZoomOutItem", {"zoom-out", QStyle::SP_CustomBase}},
      {"FullScreenItem", {"view-fullscreen", QStyle::SP_TitleBarMaxButton}},
      {"RefreshItem", {"view-refresh", QStyle::SP_BrowserReload}},
      {"OnTopItem", {"go-top", QStyle::SP_ArrowUp}},
      {"AddtoBookmarksItem", {"bookmark-new", QStyle::SP_CustomBase}},
      {"FavItem", {"starred", QStyle::SP_FileIcon}},
      {"DeleteAllItem", {"edit-delete", QStyle::SP_TrashIcon}},
      {"DeleteRecentItem", {"edit-delete", QStyle::SP_TrashIcon}},
      {"HomePageItem", {"go-home", QStyle::SP_DirHomeIcon}},
  };
  return names;
}

QIcon Themed(const QString& name) {
  // Adwaita ships its action icons as symbolic ones only.
  QIcon icon = QIcon::fromTheme(name);
  if (icon.isNull()) icon = QIcon::fromTheme(name + "-symbolic");
  return icon;
}

}  // namespace

QIcon MenuIcon(const std::string& itemName) {
  auto it = IconNames().find(itemName);
  if (it == IconNames().end()) return {};
  QIcon icon = Themed(it->second.theme);
  // Our own pictures for what the themes lack.
  if (icon.isNull()) {
    const QString own = QString(":/icons/%1.svg").arg(it->second.theme);
    if (QFile::exists(own)) icon = QIcon(own);
  }
  if (icon.isNull() && it->second.fallback != QStyle::SP_CustomBase && qApp)
    icon = QApplication::style()->standardIcon(it->second.fallback);
  return icon;
}

}  // namespace app
