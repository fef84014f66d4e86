// TSafeFileWriter: a picture save as a stream over a gfx::TAtomicFile, so a failed save keeps the old file.
#pragma once

#include <memory>
#include <string>

#include "imaging/model/oxstreams.h"
#include "platform/gfx/AtomicFile.h"

namespace ox {

// The rules (symbolic links, permissions, cut writes) are those of gfx::TAtomicFile. Without Commit, the
// destructor removes the temporary file and the target stays untouched.
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
  gfx::TAtomicFile file_;
  std::unique_ptr<TOXFileStream> stream_;
};

}  // namespace ox
