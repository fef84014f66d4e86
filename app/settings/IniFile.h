// TIniFile: the settings file, shared by several windows and several running instances.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace app {

// Reads come from the copy loaded at construction (refreshed after every write). Each write, or each batch
// between BeginUpdate and EndUpdate, takes the lock file, re-reads the file so that keys other instances
// wrote survive, applies only its own changes and replaces the file atomically (temporary file + rename).
// A write that changes nothing leaves the file alone. A failed write raises EOrvexError
// "Unable to write to <path>".
class TIniFile {
 public:
  explicit TIniFile(std::string path);

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Text that is not a whole number reads as the default.
  long long ReadInteger(const std::string& section, const std::string& key, long long def) const;
  // True for any non-zero integer.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  // Accepts "." or "," as the decimal separator.
  double ReadFloat(const std::string& section, const std::string& key, double def) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSection(const std::string& section) const;

  // Values holding a line break are refused (EOrvexError): they would corrupt the file.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, long long value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  void DeleteKey(const std::string& section, const std::string& key);

  // Nested batches: the file is written once, when the outermost EndUpdate runs.
  void BeginUpdate() { ++updating_; }
  void EndUpdate();
  // Picks up what other instances wrote.
  void Reload();

  // Line model of an INI text, kept in file order so that a rewrite changes only the touched lines.
  struct TLine {
    std::string section, key, value, raw;  // key empty: a section header, comment or blank line
  };
  static std::vector<TLine> Parse(const std::string& text);
  static std::string Render(const std::vector<TLine>& lines);

 private:
  void Commit();
  static void Apply(std::vector<TLine>& lines, const std::string& section, const std::string& key,
                    const std::optional<std::string>& value);
  const TLine* Find(const std::string& section, const std::string& key) const;

  std::string path_;
  std::vector<TLine> lines_;
  // Pending changes in order; nullopt deletes.
  std::vector<std::pair<std::pair<std::string, std::string>, std::optional<std::string>>> pending_;
  int updating_ = 0;
};

// One batch of writes (BeginUpdate now, EndUpdate at the end). Finish writes the file and raises its failure;
// a batch ended by an exception, or never finished, still writes what it holds and keeps quiet about it.
class TIniUpdate {
 public:
  explicit TIniUpdate(TIniFile& ini) : ini_(&ini) { ini.BeginUpdate(); }
  ~TIniUpdate() {
    if (!ini_) return;
    try {
      ini_->EndUpdate();
    } catch (...) {
    }
  }
  TIniUpdate(const TIniUpdate&) = delete;
  TIniUpdate& operator=(const TIniUpdate&) = delete;
  void Finish() { std::exchange(ini_, nullptr)->EndUpdate(); }

 private:
  TIniFile* ini_;
};

}  // namespace app
