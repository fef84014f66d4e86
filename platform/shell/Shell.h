// platform::shell: handing URLs, documents and folders to the desktop, and starting new instances.
#pragma once

#include <string>
#include <vector>

namespace platform {

class TShell {
 public:
  virtual ~TShell() = default;
  virtual bool OpenUrl(const std::string& url) = 0;
  virtual bool OpenDocument(const std::string& path) = 0;
  // A further instance of this program with the given arguments.
  virtual bool StartNewInstance(const std::vector<std::string>& args) = 0;
  virtual bool StartProgram(const std::string& program, const std::vector<std::string>& args) = 0;
  // The file selected in its folder by the file manager, or the folder opened when none can select.
  virtual bool ShowInFolder(const std::string& path) = 0;
};

class TShellDouble : public TShell {
 public:
  std::vector<std::string> Log;  // "url <x>", "open <x>", "instance <args>", "run <prog> <args>", "show <x>"
  bool Result = true;
  bool OpenUrl(const std::string& url) override { return Record("url " + url); }
  bool OpenDocument(const std::string& path) override { return Record("open " + path); }
  bool StartNewInstance(const std::vector<std::string>& args) override { return Record("instance" + Join(args)); }
  bool StartProgram(const std::string& program, const std::vector<std::string>& args) override {
    return Record("run " + program + Join(args));
  }
  bool ShowInFolder(const std::string& path) override { return Record("show " + path); }

 private:
  bool Record(std::string s) {
    Log.push_back(std::move(s));
    return Result;
  }
  static std::string Join(const std::vector<std::string>& args) {
    std::string s;
    for (const auto& a : args) s += " " + a;
    return s;
  }
};

}  // namespace platform
