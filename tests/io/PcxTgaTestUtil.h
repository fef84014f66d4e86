// Helpers of the PCX and Targa tests: reference pictures (PNG, PPM), external tools, temporary folders.
#pragma once

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/model/oxstreams.h"
#include "platform/gfx/Dib.h"

namespace pcxtga_test {

// Pixels as R, G, B, rows from the top.
struct TRgb {
  int W = 0, H = 0;
  std::vector<uint8_t> Px;
  const uint8_t* At(int x, int y) const { return Px.data() + (size_t(y) * W + x) * 3; }
  bool operator==(const TRgb&) const = default;
};

inline TRgb FromDib(const gfx::TDib& dib) {
  TRgb r{dib.Width(), dib.Height(), {}};
  r.Px.reserve(size_t(r.W) * r.H * 3);
  for (int y = 0; y < r.H; ++y)
    for (int x = 0; x < r.W; ++x) {
      const gfx::TColor c = dib.GetPixelColor(x, y);
      r.Px.insert(r.Px.end(), {gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)});
    }
  return r;
}

// Any PNG expanded to 8-bit RGB (alpha dropped).
inline bool LoadPng(const std::string& path, TRgb& out) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
  img.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> buf(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) return false;
  out = TRgb{int(img.width), int(img.height), std::move(buf)};
  return true;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Binary P5 or P6 with maxval 255, as netpbm and ImageMagick write them.
inline bool LoadPnm(const std::string& path, TRgb& out) {
  const std::vector<uint8_t> b = ReadBytes(path);
  size_t p = 0;
  auto token = [&]() {
    while (p < b.size() && (isspace(b[p]) || b[p] == '#')) {
      if (b[p] == '#')
        while (p < b.size() && b[p] != '\n') ++p;
      else ++p;
    }
    std::string t;
    while (p < b.size() && !isspace(b[p])) t += char(b[p++]);
    return t;
  };
  const std::string magic = token();
  if (magic != "P5" && magic != "P6") return false;
  const int w = std::atoi(token().c_str()), h = std::atoi(token().c_str()), maxval = std::atoi(token().c_str());
  ++p;
  const int ch = magic == "P6" ? 3 : 1;
  if (maxval != 255 || w <= 0 || h <= 0 || b.size() - p < size_t(w) * h * ch) return false;
  out = TRgb{w, h, {}};
  for (size_t i = 0; i < size_t(w) * h; ++i)
    for (int c = 0; c < 3; ++c) out.Px.push_back(b[p + i * ch + (ch == 3 ? c : 0)]);
  return true;
}

inline void SavePpm(const std::string& path, const TRgb& img) {
  std::string head = "P6\n" + std::to_string(img.W) + " " + std::to_string(img.H) + "\n255\n";
  std::vector<uint8_t> bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), img.Px.begin(), img.Px.end());
  WriteBytes(path, bytes);
}

inline bool HaveTool(const char* path) { return access(path, X_OK) == 0; }
inline constexpr const char* kConvert = "/usr/bin/convert-im6.q16";

inline bool RunTool(const std::string& cmd) { return std::system((cmd + " 2>/dev/null").c_str()) == 0; }

// A fresh folder under the system temporary folder, removed with the object.
struct TTempDir {
  std::string Path;
  TTempDir() {
    std::string t = (std::filesystem::temp_directory_path() / "pcxtga-XXXXXX").string();
    if (mkdtemp(t.data())) Path = t;
  }
  ~TTempDir() {
    std::error_code ec;
    if (!Path.empty()) std::filesystem::remove_all(Path, ec);
  }
  std::string operator/(const std::string& name) const { return Path + "/" + name; }
};

// A w x h picture of `colours` distinct colours in bands, or smooth gradients when colours is 0.
inline TRgb Pattern(int w, int h, int colours) {
  TRgb r{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (colours > 0) {
        const int i = ((x / 3) + (y / 2) * 5) % colours;
        r.Px.insert(r.Px.end(), {uint8_t(i * 53 % 256), uint8_t(255 - i * 17), uint8_t(i * 97 % 256)});
      } else {
        r.Px.insert(r.Px.end(), {uint8_t(x * 7 + y), uint8_t(y * 5), uint8_t((x ^ y) * 3)});
      }
    }
  return r;
}

inline gfx::TDib ToDib(const TRgb& img) {
  gfx::TDib dib(img.W, img.H, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < img.H; ++y) {
    uint8_t* d = dib.ScanLine(y);
    for (int x = 0; x < img.W; ++x) {
      const uint8_t* s = img.At(x, y);
      d[x * 3] = s[2], d[x * 3 + 1] = s[1], d[x * 3 + 2] = s[0];
    }
  }
  return dib;
}

}  // namespace pcxtga_test
