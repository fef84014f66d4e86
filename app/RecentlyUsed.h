// The desktop's own list of recently used files (recently-used.xbel), shared by every program of the session.
#pragma once

#include <QDateTime>
#include <string>

namespace app {

struct TRecentUse {
  std::string file;      // absolute path
  std::string mimeType;
  std::string appName;   // "Vantrel"
  std::string exec;      // the command line with %u, e.g. "'/usr/bin/vantrel' %u"
  QDateTime when;
};

// Adds or refreshes the entry of `use` in the list at `xbelPath`, keeping every other program's entries.
// False, the list left as it was, when the list is no XBEL or could not be written.
bool AddRecentlyUsed(const std::string& xbelPath, const TRecentUse& use);

// The list of this session: $XDG_DATA_HOME/recently-used.xbel, else ~/.local/share/recently-used.xbel.
std::string RecentlyUsedPath();

}  // namespace app
