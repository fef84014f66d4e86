// Helpers of the TIFF tests: temporary folders, Debian tools, PNM references and picture comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/io/TIFFFilt.h"
#include "imaging/io/TIFFLzw.h"
#include "platform/gfx/Dib.h"

namespace tifftest {

// The built-in LZW coders taken away for one test and given back after it.
struct NoLzwCoders {
  NoLzwCoders() {
    ox::DefaultTiffLzwDecoder = nullptr;
    ox::DefaultTiffLzwEncoder = nullptr;
  }
  ~NoLzwCoders() { ox::InstallTiffLzwCoders(); }
};

struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/vantrel-tiff-XXXXXX";
    path = mkdtemp(tmpl) ? tmpl : "/tmp";
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline bool Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }
// Runs cmd with its standard output into the file out.
inline bool ShellTo(const std::string& cmd, const std::string& out) {
  return std::system((cmd + " > '" + out + "' 2>/dev/null").c_str()) == 0;
}
inline bool HaveTool(const char* name) { return Shell(std::string("command -v ") + name); }

// RGB picture, rows from the top.
struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return rgb.data() + (size_t(y) * w + x) * 3; }
};

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Binary PBM, PGM or PPM (16-bit samples reduced to their high byte).
inline bool ParsePnm(const std::vector<uint8_t>& b, Picture& pic) {
  size_t i = 0;
  auto skip = [&] {
    while (i < b.size()) {
      if (b[i] == '#') while (i < b.size() && b[i] != '\n') ++i;
      else if (isspace(b[i])) ++i;
      else break;
    }
  };
  auto num = [&] {
    skip();
    int v = 0;
    while (i < b.size() && isdigit(b[i])) v = v * 10 + (b[i++] - '0');
    return v;
  };
  if (b.size() < 2 || b[0] != 'P') return false;
  const char kind = char(b[1]);
  i = 2;
  pic.w = num();
  pic.h = num();
  const int maxval = kind == '4' ? 1 : num();
  ++i;
  pic.rgb.assign(size_t(pic.w) * pic.h * 3, 0);
  const int bytes = maxval > 255 ? 2 : 1;
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      uint8_t* d = pic.rgb.data() + (size_t(y) * pic.w + x) * 3;
      if (kind == '4') {
        const size_t at = i + size_t(y) * ((pic.w + 7) / 8) + x / 8;
        if (at >= b.size()) return false;
        d[0] = d[1] = d[2] = ((b[at] >> (7 - x % 8)) & 1) ? 0 : 255;
      } else {
        const int comps = kind == '5' ? 1 : 3;
        const size_t at = i + (size_t(y) * pic.w + x) * comps * bytes;
        if (at + comps * bytes > b.size()) return false;
        for (int c = 0; c < 3; ++c) {
          const uint8_t* s = b.data() + at + (comps == 1 ? 0 : c) * bytes;
          d[c] = bytes == 2 ? s[0] : uint8_t(maxval == 255 ? s[0] : s[0] * 255 / maxval);
        }
      }
    }
  return true;
}

inline bool LoadPnm(const std::string& path, Picture& pic) { return ParsePnm(ReadFile(path), pic); }

// What libtiff makes of a page (through tifftopnm).
inline bool Reference(const std::string& tiff, const TempDir& dir, Picture& pic) {
  const std::string out = dir / "ref.pnm";
  return std::system(("tifftopnm '" + tiff + "' > '" + out + "' 2>/dev/null").c_str()) == 0 && LoadPnm(out, pic);
}

// What libtiff's RGBA interface makes of a page (tiff2rgba, read back as an uncompressed RGBA page).
inline bool ReferenceRgba(const std::string& tiff, const TempDir& dir, Picture& pic);

inline Picture FromDib(const gfx::TDib& dib) {
  Picture p;
  p.w = dib.Width();
  p.h = dib.Height();
  p.rgb.resize(size_t(p.w) * p.h * 3);
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) {
      const gfx::TColor c = dib.GetPixelColor(x, y);
      uint8_t* d = p.rgb.data() + (size_t(y) * p.w + x) * 3;
      d[0] = gfx::RedOf(c), d[1] = gfx::GreenOf(c), d[2] = gfx::BlueOf(c);
    }
  return p;
}

// Largest channel difference (256 when the sizes differ or the pictures are empty).
inline int MaxDiff(const Picture& a, const Picture& b) {
  if (a.w != b.w || a.h != b.h || a.rgb.empty()) return 256;
  int m = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) m = std::max(m, std::abs(int(a.rgb[i]) - int(b.rgb[i])));
  return m;
}

inline double MeanDiff(const Picture& a, const Picture& b) {
  if (a.w != b.w || a.h != b.h || a.rgb.empty()) return 256;
  double s = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) s += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
  return s / double(a.rgb.size());
}

// Loads page `index` of a TIFF file; returns false when the reader aborted.
inline bool LoadTiff(const std::string& path, gfx::TDib& dib, ox::TIOParamsVals& params, int index = 0,
                     ox::TOXMask* mask = nullptr) {
  ox::TOXFileStream s(path, ox::fmOpenRead);
  ox::TProgressRec progress;
  params.TiffImageIndex = index;
  int pages = 0;
  ox::TIFFReadStream(&dib, s, pages, true, mask, false, progress, &params);
  return !progress.IsAborted();
}

inline bool ReferenceRgba(const std::string& tiff, const TempDir& dir, Picture& pic) {
  const std::string out = dir / "ref-rgba.tif";
  if (!Shell("tiff2rgba -c none '" + tiff + "' '" + out + "'")) return false;
  gfx::TDib dib;
  ox::TIOParamsVals params;
  if (!LoadTiff(out, dib, params)) return false;
  pic = FromDib(dib);
  return true;
}

}  // namespace tifftest
