// Picture saves through the atomic file: the stream over its temporary file and the error texts.
#include "imaging/io/oxsafesave.h"

#include "imaging/model/OrvexError.h"

namespace ox {

TSafeFileWriter::TSafeFileWriter(const std::string& target) : file_(target) {
  if (!file_.Ok()) throw EOrvexError("Cannot create file " + target + ": " + file_.Error());
  stream_ = std::make_unique<TOXFileStream>(file_.TempPath(), fmOpenReadWrite);
}

TSafeFileWriter::~TSafeFileWriter() { Discard(); }

void TSafeFileWriter::Discard() {
  stream_.reset();
  file_.Discard();
}

void TSafeFileWriter::Commit() {
  if (!file_.Ok()) return;
  // The stream's own descriptor is closed first, so that its buffered bytes reach the file being synced.
  stream_.reset();
  if (!file_.Commit()) throw EOrvexError("Cannot write file " + file_.Target() + ": " + file_.Error());
}

}  // namespace ox
