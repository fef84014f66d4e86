// A recording stand-in for platform::clipboard: keeps exactly what was put and offers what a test set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clipboard/Clipboard.h"

namespace platform {

class TClipboardDouble : public TClipboard {
 public:
  // What the clipboard holds now; a test may set any of them to play another program.
  std::vector<uint8_t> Dib;
  std::vector<std::string> Files;
  bool Cut = false;
  std::string Text;
  // Every call in order: "dib <bytes>", "files <n> copy|cut", "text <text>", "clear".
  std::vector<std::string> Log;

  std::vector<uint8_t> GetDib() override { return Dib; }
  void SetDib(std::vector<uint8_t> packed) override {
    Log.push_back("dib " + std::to_string(packed.size()));
    Reset();
    Dib = std::move(packed);
  }
  void SetFiles(const std::vector<std::string>& paths, bool cut) override {
    Log.push_back("files " + std::to_string(paths.size()) + (cut ? " cut" : " copy"));
    Reset();
    Files = paths;
    Cut = cut;
  }
  void SetText(const std::string& text) override {
    Log.push_back("text " + text);
    Reset();
    Text = text;
  }
  std::string GetText() override { return Text; }
  void Clear() override {
    Log.push_back("clear");
    Reset();
  }

 private:
  // One owner at a time, as on the real clipboard: putting anything replaces all that was there.
  void Reset() {
    Dib.clear();
    Files.clear();
    Cut = false;
    Text.clear();
  }
};

}  // namespace platform
