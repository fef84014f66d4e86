// The real message boxes and choosers on Qt Widgets.
#pragma once

#include "platform/ui/Ui.h"

class QWidget;

namespace platform {

class TUiQt : public TUi {
 public:
  // Dialogs are parented to the window `parent()` returns at the moment they open.
  explicit TUiQt(QWidget* (*parent)() = nullptr) : parent_(parent) {}
  TMsgAnswer MessageBox(const std::string& caption, const std::string& text, TMsgButtons buttons,
                        TMsgKind kind) override;
  std::vector<std::string> ChooseFilesToOpen(const std::string& title, const std::string& filter,
                                             const std::string& startPath, bool multiple) override;
  std::string ChooseFileToSave(const std::string& title, const std::string& filter, const std::string& startPath,
                               bool askOverwrite) override;
  std::string ChooseFolder(const std::string& title, const std::string& startPath) override;
  std::optional<uint32_t> ChooseColor(uint32_t initial, const std::array<uint32_t, 16>& custom) override;

 private:
  QWidget* Parent() const { return parent_ ? parent_() : nullptr; }
  QWidget* (*parent_)();
};

}  // namespace platform
