// The paged stores: the DIB list against an in-memory model, block reuse and re-creation, tiles and drawing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "../support/TempDir.h"
#include "imaging/model/oxvirtual.h"
#include "platform/gfx/SizeGuard.h"

using ox::TOXVirtualBitmap;
using ox::TOXVirtualDIBList;

namespace {

gfx::TDib Noise(std::mt19937& rng, int w, int h, gfx::TPixelFormat f) {
  gfx::TDib d(w, h, f);
  for (int y = 0; y < h; ++y)
    for (int64_t i = 0; i < gfx::RowBytes(w, d.BitsPerPixel()); ++i) d.ScanLine(y)[i] = uint8_t(rng());
  return d;
}

// The picture as the store keeps it: 1 and 24 bits as they are, every other depth in 24 bits.
gfx::TDib Stored(const gfx::TDib& d) {
  gfx::TDib s(d);
  if (s.BitsPerPixel() != 1 && s.BitsPerPixel() != 24) s.SetPixelFormat(gfx::TPixelFormat::pf24bit);
  return s;
}

void ExpectSame(const gfx::TDib& a, const gfx::TDib& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.BitsPerPixel(), b.BitsPerPixel());
  for (int y = 0; y < a.Height(); ++y) ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.RowLength())), 0) << y;
}

// Open descriptors of this process that point to a file of `dir`, unlinked or not.
int DescriptorsInto(const std::filesystem::path& dir) {
  int n = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (!ec && target.rfind(dir.string() + "/", 0) == 0) ++n;
  }
  return n;
}

}  // namespace

TEST(VirtualDIBListTest, RandomOperationsAgreeWithAnInMemoryModel) {
  testsupport::TTempDir dir;
  std::mt19937 rng(2604);
  const gfx::TPixelFormat formats[] = {gfx::TPixelFormat::pf1bit,  gfx::TPixelFormat::pf4bit,
                                       gfx::TPixelFormat::pf8bit,  gfx::TPixelFormat::pf16bit,
                                       gfx::TPixelFormat::pf24bit, gfx::TPixelFormat::pf32bit};
  {
    TOXVirtualDIBList store(dir.path.string());
    std::map<TOXVirtualDIBList::Entry*, gfx::TDib> model;
    std::map<TOXVirtualDIBList::Entry*, gfx::TDib*> lent;
    size_t most = 0;
    for (int step = 0; step < 400; ++step) {
      SCOPED_TRACE(step);
      const int op = int(rng() % 10);
      if (op < 4 || model.empty()) {
        gfx::TDib d = Noise(rng, 1 + int(rng() % 300), 1 + int(rng() % 40), formats[rng() % 6]);
        auto* e = store.AddDib(d);
        ASSERT_NE(e, nullptr);
        model[e] = Stored(d);
      } else {
        auto it = std::next(model.begin(), long(rng() % model.size()));
        auto* e = it->first;
        if (op < 6) {
          gfx::TDib* dib = store.GetDib(e);
          ASSERT_NE(dib, nullptr);
          ExpectSame(*dib, it->second);
          if (lent.count(e)) {
            EXPECT_EQ(lent[e], dib);
            store.ReleaseDib(dib, false);  // the second loan of the same DIB
          } else {
            lent[e] = dib;
          }
        } else if (op < 8 && lent.count(e)) {
          gfx::TDib* dib = lent[e];
          const bool grow = rng() % 3 == 0;
          if (grow) dib->SetSize(dib->Width() + 70, dib->Height() + 3);
          dib->SetPixelColor(0, 0, 0x00FFFFFF);
          const int64_t before = store.EntryOffset(e);
          it->second = *dib;
          store.ReleaseDib(dib, true);
          lent.erase(e);
          // A grown picture moves to a new block; its old one is not handed out again.
          if (grow) {
            EXPECT_NE(store.EntryOffset(e), before);
          }
        } else if (op < 8) {
          EXPECT_EQ(store.ImageWidth(e), it->second.Width());
          EXPECT_EQ(store.ImageHeight(e), it->second.Height());
          EXPECT_EQ(store.ImageBits(e), it->second.BitsPerPixel());
          const auto h = store.ImageHeader(e);
          EXPECT_EQ(h[0], 40);
          EXPECT_EQ(h[44], 0xFF);
        } else {
          if (lent.count(e)) {
            store.ReleaseDib(lent[e], false);
            lent.erase(e);
          }
          store.DeleteImage(e);
          model.erase(it);
          if (model.empty()) {
            // Re-created: the next picture starts at the beginning of a fresh file, and no stale free block
            // of the old file is handed out.
            EXPECT_EQ(store.FreeBlockCount(), 0u);
            auto* first = store.AddImage(10, 10, 24);
            ASSERT_NE(first, nullptr);
            EXPECT_EQ(store.EntryOffset(first), 0);
            store.DeleteImage(first);
          }
        }
      }
      ASSERT_EQ(store.Count(), model.size());
      most = std::max(most, model.size());
      ASSERT_LE(store.MappedCount(), size_t(ox::kVirtualMaxMapped));
    }
    // Every picture still reads back, each one being mapped again in turn.
    for (auto& [e, d] : model) {
      if (lent.count(e)) continue;
      gfx::TDib* dib = store.GetDib(e);
      ASSERT_NE(dib, nullptr);
      ExpectSame(*dib, d);
      store.ReleaseDib(dib, false);
    }
    EXPECT_GT(most, size_t(ox::kVirtualMaxMapped));
    for (auto& [e, dib] : lent) store.ReleaseDib(dib, false);
    for (auto& [e, d] : model) store.DeleteImage(e);
    EXPECT_EQ(store.FreeBlockCount(), 0u);
    EXPECT_EQ(store.EntryOffset(store.AddImage(3, 3, 1)), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));  // unlinked from the start
    EXPECT_EQ(DescriptorsInto(dir.path), 1);
  }
  EXPECT_EQ(DescriptorsInto(dir.path), 0);
}

TEST(VirtualDIBListTest, BlocksFollowTheGranularityAndTheEleventhMappingUnmapsTheOldest) {
  TOXVirtualDIBList store;
  // Room made beforehand: growing the file would unmap every view.
  ASSERT_TRUE(store.ReserveBlocks(200, 100, 11, 24));
  auto* one = store.AddImage(1, 1, 24);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(TOXVirtualDIBList::BlockSizeFor(1, 1, 24), 65536);
  std::vector<TOXVirtualDIBList::Entry*> entries{one};
  for (int i = 1; i < 11; ++i) entries.push_back(store.AddImage(200, 100, 24));
  EXPECT_EQ(store.MappedCount(), 10u);
  EXPECT_FALSE(store.IsMapped(one));
  EXPECT_TRUE(store.IsMapped(entries[10]));
  EXPECT_EQ(store.ImageWidth(one), 1);  // mapped again, the next oldest goes
  EXPECT_TRUE(store.IsMapped(one));
  EXPECT_FALSE(store.IsMapped(entries[1]));
  // A deleted block is reused by a picture that fits in it.
  const int64_t freed = store.EntryOffset(entries[5]);
  store.DeleteImage(entries[5]);
  EXPECT_EQ(store.EntryOffset(store.AddImage(10, 10, 1)), freed);
}

TEST(VirtualDIBListTest, RefusesSizesBeyondTheGuardAndCapsReservations) {
  TOXVirtualDIBList store;
  EXPECT_EQ(store.AddImage(0, 10, 24), nullptr);
  EXPECT_EQ(store.AddImage(70000, 70000, 24), nullptr);  // 14 GB: beyond the guard, not a wrapped size
  EXPECT_EQ(store.AddImage(10, 10, 8), nullptr);
  EXPECT_EQ(TOXVirtualDIBList::BlockSizeFor(0x7FFFFFFF, 0x7FFFFFFF, 24), 0);
  const int64_t size = store.FileSize();
  EXPECT_FALSE(store.ReserveBlocks(20000, 20000, 2000000000, 24));  // no such free space: nothing reserved
  EXPECT_EQ(store.FileSize(), size);
  EXPECT_TRUE(store.ReserveBlocks(100, 100, 20, 24));
  EXPECT_EQ(store.FileSize(), size + 20 * 65536);
  EXPECT_NE(store.AddImage(100, 100, 24), nullptr);
}

TEST(VirtualBitmapTest, TilesHoldThePictureAndDrawMeetsWithoutGaps) {
  std::mt19937 rng(7);
  for (auto f : {gfx::TPixelFormat::pf1bit, gfx::TPixelFormat::pf8bit, gfx::TPixelFormat::pf24bit}) {
    gfx::TDib src = Noise(rng, 1100, 530, f);
    if (f == gfx::TPixelFormat::pf8bit) {
      std::vector<gfx::TRGB> gray(256);
      for (int i = 0; i < 256; ++i) gray[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
      src.SetPalette(gray);
    }
    TOXVirtualBitmap vb;
    ASSERT_TRUE(vb.Allocate(src.Width(), src.Height(), src.BitsPerPixel()));
    EXPECT_EQ(vb.TilesAcross() * vb.TileW() >= 1100, true);
    EXPECT_EQ(vb.TileOffset(1, 1) % gfx::kMapGranularity, 0);
    vb.CopyFromDib(src, 0, 0, src.Width(), src.Height());
    gfx::TDib out(src.Width(), src.Height(), gfx::TPixelFormat::pf24bit);
    ox::TOXCanvasTarget target(out.Canvas());
    vb.DrawTo(target, {0, 0, out.Width(), out.Height()}, {0, 0, src.Width(), src.Height()});
    for (int y = 0; y < src.Height(); y += 13)
      for (int x = 0; x < src.Width(); x += 3) ASSERT_EQ(out.GetPixelColor(x, y), src.GetPixelColor(x, y));
  }
}

TEST(VirtualBitmapTest, OneBitShrinksToGrayAndForEachPixelWritesBitsBack) {
  gfx::TDib lines(400, 4, gfx::TPixelFormat::pf1bit);
  lines.SetPalette({{0, 0, 0}, {255, 255, 255}});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 400; ++x) lines.SetPixelColor(x, y, x % 2 ? 0xFFFFFF : 0);
  TOXVirtualBitmap vb;
  ASSERT_TRUE(vb.Allocate(400, 4, 1));
  vb.CopyFromDib(lines, 0, 0, 400, 4);
  gfx::TDib out(100, 1, gfx::TPixelFormat::pf24bit);
  ox::TOXCanvasTarget target(out.Canvas());
  vb.DrawTo(target, {0, 0, 100, 1}, {0, 0, 400, 4});
  EXPECT_EQ(out.GetPixelColor(50, 0), 0x7F7F7Fu);  // 1-pixel stripes average to mid gray
  int ones = 0;
  vb.ForEachPixel(0, 0, 4, 1, [&](int, int, uint8_t* p) {
    ones += *p != 0;
    *p = 1;
  });
  EXPECT_EQ(ones, 2);
  vb.ForEachPixel(0, 0, 4, 1, [&](int, int, uint8_t* p) { EXPECT_EQ(*p, 1); });
  EXPECT_FALSE(vb.Allocate(0x7FFFFFFF, 0x7FFFFFFF, 24));
  EXPECT_FALSE(vb.Allocate(10, 10, 16));
}

TEST(VirtualDIBListTest, HoldsHundredsOfThumbnailsWithTenViews) {
  TOXVirtualDIBList store;
  EXPECT_TRUE(store.ReserveBlocks(100, 75, 500, 24));
  std::vector<TOXVirtualDIBList::Entry*> entries;
  for (int i = 0; i < 500; ++i) {
    gfx::TDib thumb(100, 75, gfx::TPixelFormat::pf24bit);
    thumb.SetPixelColor(0, 0, gfx::TColor(i));
    entries.push_back(store.AddDib(thumb));
    ASSERT_NE(entries.back(), nullptr) << i;
  }
  EXPECT_EQ(store.FileSize(), ox::kVirtualFileStart + 500 * 65536);  // the reservation sufficed
  EXPECT_EQ(store.MappedCount(), size_t(ox::kVirtualMaxMapped));
  for (int i = 0; i < 500; i += 37) {
    gfx::TDib* dib = store.GetDib(entries[i]);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->GetPixelColor(0, 0), gfx::TColor(i));
    store.ReleaseDib(dib, false);
  }
}
