// TAtomicFile: replaces a file by a complete new one or not at all (temporary file beside it + rename).
#pragma once

#include <cstddef>
#include <string>

namespace gfx {

// The one rule for every file this program rewrites (pictures, the settings file, copies):
// - a symbolic link is followed to the file it names (also a dangling one): that file is replaced and the
//   link stays a link;
// - the new file gets the old file's permission bits (and owner, where allowed); a new file gets 0666
//   less the umask;
// - until Commit succeeds the old file is untouched; a failed write, a failed Commit or destruction
//   without Commit removes the temporary file.
class TAtomicFile {
 public:
  explicit TAtomicFile(const std::string& target);
  ~TAtomicFile() { Discard(); }
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // False when the temporary file could not be made; Error() says why.
  bool Ok() const { return fd_ >= 0; }
  // The file that will be replaced: the target with its symbolic links followed.
  const std::string& Target() const { return target_; }
  // The temporary file, for writers that open it themselves (it is synced by Commit through its inode).
  const std::string& TempPath() const { return temp_; }
  // Appends bytes; a failure is remembered and makes Commit fail.
  bool Write(const void* data, size_t size);
  // Syncs, closes and renames over Target; false (temporary file removed, target untouched) on failure.
  bool Commit();
  void Discard();
  // strerror text of the first failure, empty while all went well.
  const std::string& Error() const { return error_; }

 private:
  void Fail(int err);

  std::string target_, temp_, error_;
  int fd_ = -1;
};

}  // namespace gfx
