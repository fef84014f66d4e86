// TMetafile: a Windows metafile (placeable or plain WMF) or enhanced metafile, loaded and drawn onto a DIB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/model/oxholder.h"
#include "platform/gfx/Dib.h"

namespace platform {

struct TMetafileInfo {
  bool Enhanced = false;
  // Size in pixels at the resolution given to the load when the file says how large it is (in device
  // units when it does not).
  int NaturalWidth = 0, NaturalHeight = 0;
};

// Largest metafile read into memory (the whole file is parsed in place).
constexpr int64_t kMaxMetafileBytes = int64_t(256) << 20;

class TMetafile {
 public:
  // False (and the object empty) when the data is not a metafile we can play. dpiX x dpiY: the screen the
  // natural size is measured for.
  bool LoadFromFile(const std::string& fileName, int dpiX = ox::kDefaultScreenDpi, int dpiY = ox::kDefaultScreenDpi);
  bool LoadFromBytes(std::vector<uint8_t> bytes, int dpiX = ox::kDefaultScreenDpi, int dpiY = ox::kDefaultScreenDpi);
  bool Empty() const { return bytes_.empty(); }
  TMetafileInfo Info() const { return info_; }

  // Draws the picture stretched to width x height at (0, 0) over what the DIB holds; whatever falls outside
  // the DIB is cut. Damaged records are skipped; playback stops at the first record that overruns the data.
  void Draw(gfx::TDib& target, int width, int height) const;

 private:
  std::vector<uint8_t> bytes_;
  TMetafileInfo info_;
};

// Makes ox::MetafileImporter use TMetafile (the I/O component's metafile import).
void InstallMetafileImporter();

}  // namespace platform
