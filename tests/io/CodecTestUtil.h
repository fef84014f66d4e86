// Helpers of the codec tests: reading files, running the Debian tools, parsing their PPM/PGM output.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/io/oxioparams.h"
#include "platform/gfx/Dib.h"
#include "tests/support/TempDir.h"

namespace codectest {

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}
inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// stdout of a shell command; ok is false when it fails.
inline std::vector<uint8_t> Shell(const std::string& command, bool* ok = nullptr) {
  std::vector<uint8_t> out;
  FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) {
    if (ok) *ok = false;
    return out;
  }
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
  const int rc = pclose(p);
  if (ok) *ok = rc == 0;
  return out;
}

inline bool HaveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

// A picture as RGB triples, rows from the top.
struct TRgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  bool operator==(const TRgbImage&) const = default;
};

// Binary P4, or P5/P6 with maximum 255 (what the tools print); anything else gives an empty picture.
inline TRgbImage ParsePnm(const std::vector<uint8_t>& d) {
  TRgbImage img;
  size_t i = 0;
  auto token = [&]() {
    std::string t;
    while (i < d.size()) {
      if (d[i] == '#') { while (i < d.size() && d[i] != '\n') ++i; }
      else if (isspace(d[i])) ++i;
      else break;
    }
    while (i < d.size() && !isspace(d[i])) t += char(d[i++]);
    return t;
  };
  const std::string magic = token();
  if (magic != "P4" && magic != "P5" && magic != "P6") return img;
  const int w = std::atoi(token().c_str()), h = std::atoi(token().c_str());
  if (magic == "P4") {
    ++i;
    const size_t rowBytes = (size_t(std::max(w, 0)) + 7) / 8;
    if (w <= 0 || h <= 0 || d.size() < i + rowBytes * h) return img;
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t v = (d[i + y * rowBytes + x / 8] & (0x80 >> (x & 7))) ? 0 : 255;
        img.rgb.insert(img.rgb.end(), {v, v, v});
      }
    return img;
  }
  const int max = std::atoi(token().c_str());
  ++i;
  const size_t spp = magic == "P6" ? 3 : 1;
  if (max != 255 || w <= 0 || h <= 0 || d.size() < i + spp * size_t(w) * h) return img;
  img.width = w;
  img.height = h;
  img.rgb.resize(size_t(w) * h * 3);
  for (size_t k = 0; k < size_t(w) * h; ++k)
    for (size_t c = 0; c < 3; ++c) img.rgb[k * 3 + c] = d[i + k * spp + (spp == 3 ? c : 0)];
  return img;
}

inline TRgbImage FromDib(const gfx::TDib& dib) {
  TRgbImage img;
  img.width = dib.Width();
  img.height = dib.Height();
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) {
      const gfx::TColor c = dib.GetPixelColor(x, y);
      img.rgb.insert(img.rgb.end(), {gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)});
    }
  return img;
}

inline std::vector<uint8_t> ToPpm(const gfx::TDib& dib) {
  const TRgbImage img = FromDib(dib);
  const std::string head = "P6\n" + std::to_string(img.width) + " " + std::to_string(img.height) + "\n255\n";
  std::vector<uint8_t> out(head.begin(), head.end());
  out.insert(out.end(), img.rgb.begin(), img.rgb.end());
  return out;
}

// Largest channel difference; 256, above every tolerance, when the sizes differ or a picture is empty.
inline int MaxDiff(const TRgbImage& a, const TRgbImage& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 256;
  int m = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) m = std::max(m, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
  return m;
}

// A temporary folder removed with the fixture.
using TTempDir = testsupport::TTempDir;

// A picture with many colours, gradients and a few sharp edges.
inline gfx::TDib TestPicture(int w, int h) {
  gfx::TDib d(w, h, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = d.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      p[0] = uint8_t(x * 255 / std::max(w - 1, 1));
      p[1] = uint8_t(y * 255 / std::max(h - 1, 1));
      p[2] = uint8_t(((x / 4 + y / 4) & 1) ? 200 : 30);
    }
  }
  return d;
}

}  // namespace codectest
