// Why a codec stopped: a reason that tells an unsupported feature from damaged data.
#pragma once

#include <string>

#include "imaging/io/oxioparams.h"

namespace ox {

// Damaged: the data contradicts its format. Unsupported: valid data using what this library does not read or
// write. Output: the target stream took fewer bytes than it was given.
enum class TFailureKind { None, Damaged, Unsupported, Output };

struct TCodecFailure {
  TFailureKind Kind = TFailureKind::None;
  std::string Text;  // "TIFF: compression 34712 (JPEG 2000) is not supported"
  explicit operator bool() const { return Kind != TFailureKind::None; }
};

// Collects the first reason given while it is the innermost scope on this thread. The codec boundary opens
// one around each codec call, so codecs keep their Aborted contract and only add the why.
class TFailureScope {
 public:
  TFailureScope();
  ~TFailureScope();
  TFailureScope(const TFailureScope&) = delete;
  TFailureScope& operator=(const TFailureScope&) = delete;

  const TCodecFailure& Failure() const { return failure_; }
  void Record(TFailureKind kind, std::string text);

 private:
  TCodecFailure failure_;
  TFailureScope* outer_;
};

// Stops the codec (Aborted) and records why. Text names the format first: "PCX: ...".
void FailDamaged(TProgressRec& progress, std::string text);
void FailUnsupported(TProgressRec& progress, std::string text);
void FailOutput(TProgressRec& progress, std::string text);
// Records a reason without stopping (for codecs whose stop is already under way).
void NoteFailure(TFailureKind kind, std::string text);

}  // namespace ox
