// One DIB info header through every DIB reader: a file, an icon entry, a clipboard block and a metafile
// record give the same picture, bit-field channels widened alike.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "imaging/io/BMPFilt.h"
#include "imaging/io/ICOFilt.h"
#include "imaging/io/oxioparams.h"
#include "imaging/proc/oxclipdib.h"
#include "platform/gfx/Dib.h"
#include "platform/gfx/SizeGuard.h"
#include "platform/metafile/MetaDevice.h"

namespace {

using Pixels = std::vector<gfx::TRGB>;  // top-down

void P16(std::vector<uint8_t>& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void P32(std::vector<uint8_t>& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }

struct TBlock {
  int width = 0, height = 0, bits = 0;
  std::vector<uint32_t> masks;      // bit fields after the 40-byte header
  std::vector<gfx::TRGB> table;     // colour entries
  std::vector<uint8_t> rows;        // bottom row first, padded
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b;
    P32(b, 40);
    P32(b, uint32_t(width));
    P32(b, uint32_t(height));
    P16(b, 1);
    P16(b, uint16_t(bits));
    P32(b, masks.empty() ? 0 : 3);
    P32(b, uint32_t(rows.size()));
    P32(b, 2835);
    P32(b, 2835);
    P32(b, uint32_t(table.size()));
    P32(b, 0);
    for (uint32_t m : masks) P32(b, m);
    for (const gfx::TRGB& c : table) b.insert(b.end(), {c.b, c.g, c.r, 0});
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
  }
};

Pixels OfDib(const gfx::TDib& d) {
  Pixels p;
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) {
      const uint8_t* s = d.ScanLine(y) + 3 * x;
      p.push_back({s[2], s[1], s[0]});
    }
  return p;
}

Pixels ViaFile(const TBlock& block) {
  std::vector<uint8_t> file = {'B', 'M'};
  const std::vector<uint8_t> info = block.Bytes();
  P32(file, uint32_t(14 + info.size()));
  P32(file, 0);
  P32(file, uint32_t(14 + info.size() - block.rows.size()));
  file.insert(file.end(), info.begin(), info.end());
  ox::TOXMemoryStream s(file);
  gfx::TDib dib;
  ox::TIOParamsVals params;
  ox::TProgressRec progress;
  ox::BMPReadStream(s, &dib, 0, false, progress, params);
  EXPECT_FALSE(progress.IsAborted());
  return OfDib(dib);
}

Pixels ViaIcon(const TBlock& block) {
  std::vector<uint8_t> info = block.Bytes();
  // The entry's AND mask: every pixel opaque.
  info.insert(info.end(), size_t(gfx::RowBytes(block.width, 1) * block.height), 0);
  std::vector<uint8_t> file;
  P16(file, 0);
  P16(file, 1);
  P16(file, 1);
  file.insert(file.end(), {uint8_t(block.width), uint8_t(block.height), 0, 0});
  P16(file, 1);
  P16(file, uint16_t(block.bits));
  P32(file, uint32_t(info.size()));
  P32(file, 22);
  file.insert(file.end(), info.begin(), info.end());
  ox::TOXMemoryStream s(file);
  gfx::TDib dib;
  ox::TIOParamsVals params;
  ox::TProgressRec progress;
  ox::ICOReadStream(s, &dib, params, nullptr, progress, false);
  EXPECT_FALSE(progress.IsAborted());
  return OfDib(dib);
}

Pixels ViaClipboard(const TBlock& block) {
  const std::vector<uint8_t> b = block.Bytes();
  gfx::TDib dib;
  EXPECT_TRUE(ox::DecodeClipboardDib(b, dib));
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit) dib.SetPixelFormat(gfx::TPixelFormat::pf24bit);
  return OfDib(dib);
}

Pixels ViaMetafile(const TBlock& block) {
  const std::vector<uint8_t> b = block.Bytes();
  const QImage img = platform::meta::DecodeDib(platform::meta::TBytes(b.data(), b.size()), {}, false);
  Pixels p;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = img.pixel(x, y);
      p.push_back({uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))});
    }
  return p;
}

}  // namespace

TEST(DibInfo, PaletteHeaderGivesOnePictureEverywhere) {
  TBlock b;
  b.width = 3, b.height = 2, b.bits = 8;
  b.table.assign(256, gfx::TRGB{});
  b.table[1] = {200, 10, 20};
  b.table[2] = {5, 250, 60};
  b.table[3] = {90, 80, 255};
  b.rows = {3, 2, 1, 0, /* top row */ 1, 1, 2, 0};
  const Pixels expected = {{200, 10, 20}, {200, 10, 20}, {5, 250, 60}, {90, 80, 255}, {5, 250, 60}, {200, 10, 20}};
  EXPECT_EQ(ViaFile(b), expected);
  EXPECT_EQ(ViaIcon(b), expected);
  EXPECT_EQ(ViaClipboard(b), expected);
  EXPECT_EQ(ViaMetafile(b), expected);
}

TEST(DibInfo, BitFieldChannelsWidenAlikeEverywhere) {
  // 5-6-5: a full 5-bit channel is 248 and a full 6-bit one 252 for every reader (the metafile player once
  // made 255 of them, so one picture had two colours).
  TBlock b;
  b.width = 2, b.height = 2, b.bits = 16;
  b.masks = {0xF800, 0x07E0, 0x001F};
  b.rows = {0x1F, 0x00, 0xFF, 0xFF, /* top row */ 0x00, 0xF8, 0xE0, 0x07};
  const Pixels expected = {{248, 0, 0}, {0, 252, 0}, {0, 0, 248}, {248, 252, 248}};
  EXPECT_EQ(ViaFile(b), expected);
  EXPECT_EQ(ViaClipboard(b), expected);
  EXPECT_EQ(ViaMetafile(b), expected);
}
