// TSafeFileWriter: writes a file beside its target and renames it over the target only when complete.
#pragma once

#include <memory>
#include <string>

#include "imaging/model/oxstreams.h"

namespace ox {

// The temporary file is created in the target's folder (so the rename stays on one file system) and takes
// the target's permissions. Without Commit, the destructor removes it and the target stays untouched.
class TSafeFileWriter {
 public:
  // Raises EOrvexError when the folder does not accept a new file.
  explicit TSafeFileWriter(const std::string& target);
  ~TSafeFileWriter();
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  TOXStream& Stream() { return *stream_; }
  // Flushes, then replaces the target; raises EOrvexError (and removes the temporary file) on failure.
  void Commit();
  void Discard();

 private:
  std::string target_, temp_;
  std::unique_ptr<TOXFileStream> stream_;
  bool done_ = false;
};

}  // namespace ox
