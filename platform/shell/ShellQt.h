// The real shell: QDesktopServices, QProcess and the freedesktop file manager over D-Bus.
#pragma once

#include "platform/shell/Shell.h"

namespace platform {

class TShellQt : public TShell {
 public:
  bool OpenUrl(const std::string& url) override;
  bool OpenDocument(const std::string& path) override;
  bool StartNewInstance(const std::vector<std::string>& args) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;
  bool ShowInFolder(const std::string& path) override;
};

}  // namespace platform
