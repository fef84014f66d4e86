// TWindowSetup: what the application context hands to every auxiliary window when it creates it.
#pragma once

#include <string>

#include "app/settings/ViewerOptions.h"
#include "platform/Services.h"

class QWidget;

namespace app {

struct TWindowSetup {
  platform::Services services;
  // Owned by the application context; windows that keep options load and save their fields here.
  ViewerOptions* options = nullptr;
  std::string settingsPath;
  // The main window: dialogs are centred on it and stay above it.
  QWidget* owner = nullptr;
};

}  // namespace app
