// platform::Services: the bundle of platform stand-ins handed to the windows (real in main, doubles in tests).
#pragma once

#include "platform/clipboard/Clipboard.h"
#include "platform/desktop/Desktop.h"
#include "platform/fs/Fs.h"
#include "platform/print/Printer.h"
#include "platform/shell/Shell.h"
#include "platform/system/SystemInfo.h"
#include "platform/ui/Ui.h"
#include "platform/window/Window.h"

namespace platform {

struct Services {
  TUi* ui = nullptr;
  TShell* shell = nullptr;
  TFs* fs = nullptr;
  TDesktop* desktop = nullptr;
  TClipboard* clipboard = nullptr;
  // Screen, system colours, clock; the view makes its own Qt one when this is null.
  const ISystem* system = nullptr;
  // Null: the print commands do nothing.
  TPrinter* printer = nullptr;
  // The main window's own window control is made by the window itself from this factory's result.
  TWindowControl* window = nullptr;
};

}  // namespace platform
