// The filter strings of the main window's open and save choosers ("Description|*.ext;...|...").
#pragma once

#include <string>

namespace app {

// The open chooser's filter: every format the viewer opens, then all files.
const std::string& OpenFilter();
// Every format the I/O component can write, from the format registry, in registry order.
std::string SaveFilter();

}  // namespace app
