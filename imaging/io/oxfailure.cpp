// The innermost failure scope of each thread, and the codecs' ways to fail with a reason.
#include "imaging/io/oxfailure.h"

namespace ox {

namespace {
thread_local TFailureScope* innermost = nullptr;
}

TFailureScope::TFailureScope() : outer_(innermost) { innermost = this; }

TFailureScope::~TFailureScope() { innermost = outer_; }

void TFailureScope::Record(TFailureKind kind, std::string text) {
  // The first reason is the cause; later ones are its consequences.
  if (failure_ || kind == TFailureKind::None) return;
  failure_.Kind = kind;
  failure_.Text = std::move(text);
}

void NoteFailure(TFailureKind kind, std::string text) {
  if (innermost) innermost->Record(kind, std::move(text));
}

void FailDamaged(TProgressRec& progress, std::string text) {
  NoteFailure(TFailureKind::Damaged, std::move(text));
  progress.Abort();
}

void FailUnsupported(TProgressRec& progress, std::string text) {
  NoteFailure(TFailureKind::Unsupported, std::move(text));
  progress.Abort();
}

}  // namespace ox

namespace ox {

void FailOutput(TProgressRec& progress, std::string text) {
  NoteFailure(TFailureKind::Output, std::move(text));
  progress.Abort();
}

}  // namespace ox
