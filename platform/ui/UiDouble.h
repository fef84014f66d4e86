// A recording stand-in for platform::ui: answers scripted, every call logged.
#pragma once

#include <deque>

#include "platform/ui/Ui.h"

namespace platform {

class TUiDouble : public TUi {
 public:
  struct TBox {
    std::string caption, text;
    TMsgButtons buttons;
    TMsgKind kind;
  };
  std::vector<TBox> Boxes;
  std::deque<TMsgAnswer> Answers;          // next answers; Ok/Yes... when empty: DefaultAnswer
  TMsgAnswer DefaultAnswer = TMsgAnswer::Ok;
  std::deque<std::vector<std::string>> OpenResults;
  std::deque<std::string> SaveResults, FolderResults;
  std::vector<std::string> Filters;  // filters the choosers were opened with
  std::deque<std::optional<uint32_t>> ColorResults;
  std::vector<std::array<uint32_t, 16>> ColorCustoms;  // custom colours the colour chooser was opened with

  TMsgAnswer MessageBox(const std::string& caption, const std::string& text, TMsgButtons buttons,
                        TMsgKind kind) override {
    Boxes.push_back({caption, text, buttons, kind});
    if (Answers.empty()) return DefaultAnswer;
    TMsgAnswer a = Answers.front();
    Answers.pop_front();
    return a;
  }
  std::vector<std::string> ChooseFilesToOpen(const std::string&, const std::string& filter, const std::string&,
                                             bool) override {
    Filters.push_back(filter);
    return Pop(OpenResults);
  }
  std::string ChooseFileToSave(const std::string&, const std::string& filter, const std::string&, bool) override {
    Filters.push_back(filter);
    return Pop(SaveResults);
  }
  std::string ChooseFolder(const std::string&, const std::string&) override { return Pop(FolderResults); }
  std::optional<uint32_t> ChooseColor(uint32_t, const std::array<uint32_t, 16>& custom) override {
    ColorCustoms.push_back(custom);
    return Pop(ColorResults);
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& q) {
    if (q.empty()) return T{};
    T v = std::move(q.front());
    q.pop_front();
    return v;
  }
};

}  // namespace platform
