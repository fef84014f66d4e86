// The INI file: parsing, case-insensitive look-ups, locked atomic rewrites.
#include "app/settings/IniFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/settings/FileLock.h"
#include "imaging/model/OrvexError.h"
#include "platform/gfx/AtomicFile.h"

namespace app {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

[[noreturn]] void WriteFailed(const std::string& path) { throw ox::EOrvexError("Unable to write to " + path); }

}  // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) { Reload(); }

void TIniFile::Reload() { lines_ = Parse(ReadWhole(path_)); }

std::vector<TIniFile::TLine> TIniFile::Parse(const std::string& text) {
  std::vector<TLine> lines;
  std::string section;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    TLine line;
    line.raw = raw;
    std::string t = Trim(raw);
    if (!t.empty() && t.front() == '[' && t.back() == ']') {
      section = Trim(t.substr(1, t.size() - 2));
      line.section = section;
    } else if (!t.empty() && t[0] != ';' && t[0] != '#' && t.find('=') != std::string::npos) {
      size_t eq = t.find('=');
      line.section = section;
      line.key = Trim(t.substr(0, eq));
      line.value = t.substr(eq + 1);
      if (line.key.empty()) line.section.clear();
    } else {
      line.section = section;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string TIniFile::Render(const std::vector<TLine>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l.key.empty() ? l.raw : l.key + "=" + l.value;
    out += "\n";
  }
  return out;
}

const TIniFile::TLine* TIniFile::Find(const std::string& section, const std::string& key) const {
  for (const auto& l : lines_)
    if (!l.key.empty() && SameName(l.section, section) && SameName(l.key, key)) return &l;
  return nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Find(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  for (const auto& l : lines_)
    if (!l.key.empty() && SameName(l.section, section)) keys.push_back(l.key);
  return keys;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  const TLine* l = Find(section, key);
  return l ? l->value : def;
}

long long TIniFile::ReadInteger(const std::string& section, const std::string& key, long long def) const {
  const TLine* l = Find(section, key);
  if (!l) return def;
  std::string t = Trim(l->value);
  long long v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return (ec == std::errc() && end == t.data() + t.size() && !t.empty()) ? v : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
  const TLine* l = Find(section, key);
  if (!l) return def;
  std::string t = Trim(l->value);
  for (auto& c : t)
    if (c == ',') c = '.';
  double v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return (ec == std::errc() && end == t.data() + t.size() && !t.empty()) ? v : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos || key.find_first_of("\r\n=") != std::string::npos ||
      section.find_first_of("\r\n]") != std::string::npos)
    throw ox::EOrvexError("Unable to write to " + path_ + ": the value of " + key + " holds a line break");
  pending_.push_back({{section, key}, value});
  if (updating_ == 0) Commit();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  WriteString(section, key, buf);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  pending_.push_back({{section, key}, std::nullopt});
  if (updating_ == 0) Commit();
}

void TIniFile::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) Commit();
}

void TIniFile::Apply(std::vector<TLine>& lines, const std::string& section, const std::string& key,
                     const std::optional<std::string>& value) {
  for (size_t i = 0; i < lines.size(); ++i) {
    TLine& l = lines[i];
    if (l.key.empty() || !SameName(l.section, section) || !SameName(l.key, key)) continue;
    if (value)
      l.value = *value;
    else
      lines.erase(lines.begin() + ptrdiff_t(i));
    return;
  }
  if (!value) return;
  // A new key goes after the last key line of its section, or into a new section at the end.
  auto isHeader = [](const TLine& l) {
    std::string t = Trim(l.raw);
    return l.key.empty() && !t.empty() && t[0] == '[';
  };
  ptrdiff_t insertAt = -1;
  for (size_t i = 0; i < lines.size(); ++i)
    if (SameName(lines[i].section, section) && (isHeader(lines[i]) || !lines[i].key.empty()))
      insertAt = ptrdiff_t(i) + 1;
  TLine line{section, key, *value, {}};
  if (insertAt >= 0) {
    lines.insert(lines.begin() + insertAt, line);
    return;
  }
  if (!lines.empty() && !(lines.back().key.empty() && Trim(lines.back().raw).empty()))
    lines.push_back(TLine{lines.back().section, {}, {}, ""});
  lines.push_back(TLine{section, {}, {}, "[" + section + "]"});
  lines.push_back(line);
}

void TIniFile::Commit() {
  if (pending_.empty()) return;
  // The idle pass rewrites every key many times a second: values that match what we hold cost no lock.
  bool changes = false;
  for (const auto& [name, value] : pending_) {
    const TLine* l = Find(name.first, name.second);
    if (value ? (!l || l->value != *value) : l != nullptr) {
      changes = true;
      break;
    }
  }
  if (!changes) {
    pending_.clear();
    return;
  }
  auto pending = std::move(pending_);
  pending_.clear();
  TFileLock lock(path_);
  if (!lock.Held()) WriteFailed(path_);
  const std::string before = ReadWhole(path_);
  std::vector<TLine> lines = Parse(before);
  for (const auto& [name, value] : pending) Apply(lines, name.first, name.second, value);
  const std::string after = Render(lines);
  lines_ = std::move(lines);
  if (after == before) return;

  gfx::TAtomicFile file(path_);
  if (!file.Write(after.data(), after.size()) || !file.Commit()) WriteFailed(path_);
}

}  // namespace app
