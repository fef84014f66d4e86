// Icons of the main window's items: the desktop's icon theme first, the style's own pictures after.
#pragma once

#include <QIcon>
#include <string>

namespace app {

// An empty icon for items that have none.
QIcon MenuIcon(const std::string& itemName);

}  // namespace app
