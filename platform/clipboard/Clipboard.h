// platform::clipboard: pictures as packed DIB blocks, file lists for the file manager, and text.
#pragma once

#include <string>
#include <vector>

#include "imaging/proc/oxclipboard.h"

namespace platform {

class TClipboard : public ox::TOXClipboard {
 public:
  // Absolute paths offered to file managers; `cut` asks the one that pastes to move them. An empty
  // list still replaces what the clipboard held.
  virtual void SetFiles(const std::vector<std::string>& paths, bool cut) = 0;
  virtual void SetText(const std::string& text) = 0;
  // The clipboard's plain text, empty when it holds none.
  virtual std::string GetText() = 0;
  virtual void Clear() = 0;
};

}  // namespace platform
