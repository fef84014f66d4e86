// A temporary folder removed with its owner, and small file helpers for tests that need real files.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

struct TTempDir {
  std::filesystem::path path;
  TTempDir() {
    char tmpl[] = "/tmp/vantrel-test-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TTempDir() { std::filesystem::remove_all(path); }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A binary PPM whose pixel (x, y) is (x*10, y*10, seed), so that every picture is told apart by its corner.
inline void WritePpm(const std::string& path, int w, int h, int seed = 0) {
  std::string bytes = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bytes += char((x * 10) & 255);
      bytes += char((y * 10) & 255);
      bytes += char(seed & 255);
    }
  WriteFile(path, bytes);
}

}  // namespace testsupport
