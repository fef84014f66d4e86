// platform::ui: message boxes and file and folder choosers as the windows ask for them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class TMsgButtons { Ok, YesNo, YesNoCancel, OkCancel };
enum class TMsgKind { Information, Warning, Error, Question };
enum class TMsgAnswer { Ok, Yes, No, Cancel };

class TUi {
 public:
  virtual ~TUi() = default;
  virtual TMsgAnswer MessageBox(const std::string& caption, const std::string& text, TMsgButtons buttons,
                                TMsgKind kind) = 0;
  // `filter` in the "Description|*.ext;*.ext2|..." form; empty results mean cancelled.
  virtual std::vector<std::string> ChooseFilesToOpen(const std::string& title, const std::string& filter,
                                                     const std::string& startPath, bool multiple) = 0;
  virtual std::string ChooseFileToSave(const std::string& title, const std::string& filter,
                                       const std::string& startPath, bool askOverwrite) = 0;
  virtual std::string ChooseFolder(const std::string& title, const std::string& startPath) = 0;
  // The colour chooser, fully expanded, with its sixteen custom colours preset (colours 0x00BBGGRR);
  // nothing when cancelled.
  virtual std::optional<uint32_t> ChooseColor(uint32_t initial, const std::array<uint32_t, 16>& custom) = 0;
};

// The filter text of the choosers converted to Qt's "Description (*.ext *.ext2);;..." form.
std::string QtFilterOf(const std::string& filter);

}  // namespace platform
