// TProgressShow: the status bar's progress bar, shown only for work that runs longer than a third of a second.
#pragma once

#include <cstdint>
#include <functional>

class QProgressBar;

namespace app {

class TProgressShow {
 public:
  static constexpr int64_t kShowAfterMs = 333;
  // Milliseconds from any fixed start.
  using TClock = std::function<int64_t()>;

  TProgressShow(QProgressBar* bar, TClock clock);

  // Work starts and ends; work started inside other work counts as part of it.
  void Begin();
  void End();
  // A report of the running work; reports outside Begin ... End are ignored.
  void Report(int percent);

  TClock Clock;

 private:
  QProgressBar* bar_;
  int depth_ = 0;
  int64_t start_ = 0;
};

// Begin at construction, End at destruction.
class TProgressScope {
 public:
  explicit TProgressScope(TProgressShow& show) : show_(show) { show_.Begin(); }
  ~TProgressScope() { show_.End(); }
  TProgressScope(const TProgressScope&) = delete;
  TProgressScope& operator=(const TProgressScope&) = delete;

 private:
  TProgressShow& show_;
};

}  // namespace app
