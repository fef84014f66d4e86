// The processing component: undo snapshots, the selection rule, clear/crop and the clipboard exchange,
// with a holder double that owns a selection mask and a clipboard double that stores the packed blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/proc/oxclipdib.h"
#include "imaging/proc/oxproc.h"
#include "platform/clipboard/ClipboardDouble.h"

using namespace ox;
using platform::TClipboardDouble;

namespace {

struct THolderDouble : TOXImageHolder {
  gfx::TDib dib{8, 6, gfx::TPixelFormat::pf24bit};
  TOXMask selection;
  bool hasSelection = false;
  gfx::TColor background = gfx::RGBColor(9, 8, 7);
  int changes = 0;
  gfx::TDib* HolderBitmap() override { return &dib; }
  TOXMask* HolderAlphaMask() override { return nullptr; }
  gfx::TColor HolderBackground() const override { return background; }
  void SetHolderBackground(gfx::TColor c) override { background = c; }
  int HolderDpiX() const override { return 96; }
  int HolderDpiY() const override { return 96; }
  void SetHolderResolution(int, int) override {}
  void HolderImageChanged() override { ++changes; }
  bool HolderHasSelection() const override { return hasSelection; }
  TOXMask* HolderSelectionMask() override { return &selection; }
  void SelectRect(int x1, int y1, int x2, int y2) {
    selection.Allocate(dib.Width(), dib.Height(), 1);
    selection.Clear();
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) selection.SetPixel(x, y, 1);
    hasSelection = true;
  }
};

void Paint(gfx::TDib& d) {
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) d.SetPixelColor(x, y, gfx::RGBColor(uint8_t(10 * x), uint8_t(20 * y), 200));
}

}  // namespace

TEST(ProcUndo, LimitOneKeepsTheLastStateAndUndoRepeats) {
  for (TOXBitmapLocation loc : {oxblFile, oxblMemory}) {
    gfx::TDib dib(4, 3, gfx::TPixelFormat::pf24bit);
    TOrvexProc proc;
    proc.SetTarget(&dib);
    proc.SetUndoLocation(loc);
    proc.SetBackground(gfx::RGBColor(1, 1, 1));
    proc.Clear();
    proc.SetBackground(gfx::RGBColor(2, 2, 2));
    proc.Clear();
    EXPECT_EQ(proc.UndoCount(), 1);
    EXPECT_EQ(proc.UndoCaption(0), "Clear");
    proc.Undo();
    EXPECT_EQ(dib.GetPixelColor(3, 2), gfx::RGBColor(1, 1, 1));
    dib.SetPixelColor(0, 0, 0);
    proc.Undo();  // the snapshot stays: a second undo restores the same state
    EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(1, 1, 1));
    proc.ClearUndo();
    dib.SetPixelColor(0, 0, 0);
    proc.Undo();
    EXPECT_EQ(dib.GetPixelColor(0, 0), 0u);
  }
}

TEST(ProcUndo, DeeperStackAndUndoAt) {
  gfx::TDib dib(2, 2, gfx::TPixelFormat::pf24bit);
  TOrvexProc proc;
  proc.SetTarget(&dib);
  proc.UndoLimit = 3;
  for (int i = 1; i <= 4; ++i) {
    proc.SetBackground(gfx::RGBColor(uint8_t(i), 0, 0));
    proc.Clear();
  }
  ASSERT_EQ(proc.UndoCount(), 3);
  proc.UndoAt(2);  // the oldest kept snapshot: the state after the first clear
  EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(1, 0, 0));
  proc.UndoAt(3);  // beyond the stack: nothing
  EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(1, 0, 0));
}

TEST(ProcSelection, CutFillsExactlyTheRectangleAndCopiesIt) {
  THolderDouble view;
  Paint(view.dib);
  TClipboardDouble clip;
  TOrvexProc proc;
  proc.SetAttachedOrvex(&view);
  proc.Clipboard = &clip;
  view.SelectRect(2, 1, 5, 4);
  gfx::TDib before = view.dib;
  proc.SelCutToClip();
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      bool inside = x >= 2 && x < 5 && y >= 1 && y < 4;
      EXPECT_EQ(view.dib.GetPixelColor(x, y), inside ? view.background : before.GetPixelColor(x, y)) << x << "," << y;
    }
  gfx::TDib cut;
  ASSERT_TRUE(DecodeClipboardDib(clip.Dib, cut));
  EXPECT_EQ(cut.Width(), 3);
  EXPECT_EQ(cut.Height(), 3);
  EXPECT_EQ(cut.GetPixelColor(0, 0), before.GetPixelColor(2, 1));
  EXPECT_EQ(proc.UndoCaption(0), "SelCutToClip");
  EXPECT_EQ(view.changes, 1);

  proc.Undo();
  proc.CropSel();
  EXPECT_EQ(view.dib.Width(), 3);
  EXPECT_EQ(view.dib.GetPixelColor(2, 2), before.GetPixelColor(4, 3));
}

TEST(ProcSelection, ApplyRestrictsToSelectedPixels) {
  THolderDouble view;
  Paint(view.dib);
  gfx::TDib before = view.dib;
  TOrvexProc proc;
  proc.SetAttachedOrvex(&view);
  view.SelectRect(1, 1, 3, 2);
  proc.ApplyToSelection("Negative", [](gfx::TDib& d, const gfx::TRect& r) {
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) d.SetPixelColor(x, y, 0xFFFFFF ^ d.GetPixelColor(x, y));
  });
  EXPECT_EQ(view.dib.GetPixelColor(1, 1), 0xFFFFFF ^ before.GetPixelColor(1, 1));
  EXPECT_EQ(view.dib.GetPixelColor(2, 1), 0xFFFFFF ^ before.GetPixelColor(2, 1));
  EXPECT_EQ(view.dib.GetPixelColor(3, 1), before.GetPixelColor(3, 1));
  EXPECT_EQ(view.dib.GetPixelColor(1, 2), before.GetPixelColor(1, 2));
  view.hasSelection = false;
  proc.ClearSel();  // no selection: nothing but the snapshot
  EXPECT_EQ(view.dib.GetPixelColor(0, 0), before.GetPixelColor(0, 0));
}

TEST(ProcClipboard, PasteStretchesIntoTheSelectionAndReplacesWithout) {
  THolderDouble view;
  TClipboardDouble clip;
  TOrvexProc proc;
  proc.SetAttachedOrvex(&view);
  proc.Clipboard = &clip;
  gfx::TDib big(100, 50, gfx::TPixelFormat::pf24bit);
  big.Canvas().Brush.Color = gfx::RGBColor(0, 255, 0);
  big.Canvas().FillRect(gfx::TRect{0, 0, 100, 50});
  clip.SetDib(EncodeClipboardDib(big));
  view.dib.SetSize(20, 20);
  view.SelectRect(5, 5, 15, 15);
  proc.PasteIntoSelection();
  EXPECT_EQ(view.dib.GetPixelColor(5, 5), gfx::RGBColor(0, 255, 0));
  EXPECT_EQ(view.dib.GetPixelColor(14, 14), gfx::RGBColor(0, 255, 0));
  EXPECT_NE(view.dib.GetPixelColor(15, 15), gfx::RGBColor(0, 255, 0));
  EXPECT_EQ(proc.UndoCaption(0), "SelPasteFromClipStretch");
  view.hasSelection = false;
  proc.PasteIntoSelection();
  EXPECT_EQ(view.dib.Width(), 100);
  EXPECT_EQ(proc.UndoCaption(0), "PastFromClipboard");
}

TEST(ClipboardDib, RoundTripsAndLayout) {
  gfx::TDib rgb(5, 3, gfx::TPixelFormat::pf24bit);
  Paint(rgb);
  std::vector<uint8_t> block = EncodeClipboardDib(rgb);
  EXPECT_EQ(block.size(), 40u + 16 * 3 + 4);
  EXPECT_EQ(std::vector<uint8_t>(block.end() - 4, block.end()), std::vector<uint8_t>(4, 0));
  gfx::TDib back;
  ASSERT_TRUE(DecodeClipboardDib(block, back));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(back.GetPixelColor(x, 2), rgb.GetPixelColor(x, 2));

  gfx::TDib mono(9, 2, gfx::TPixelFormat::pf1bit);
  mono.SetPixelColor(8, 1, 0xFFFFFF);
  block = EncodeClipboardDib(mono);
  EXPECT_EQ(block[14], 1);
  ASSERT_TRUE(DecodeClipboardDib(block, back));
  EXPECT_EQ(back.PixelFormat(), gfx::TPixelFormat::pf1bit);
  EXPECT_EQ(back.GetPixelColor(8, 1), 0xFFFFFFu);
  EXPECT_EQ(back.GetPixelColor(7, 1), 0u);
}

namespace {

// A DIB block as other programs write it: header of `headerSize` bytes, optional masks/table, rows.
std::vector<uint8_t> ForeignDib(int headerSize, int w, int h, int bits, int compression, std::vector<uint8_t> extra,
                                std::vector<uint8_t> rows, uint32_t used = 0) {
  std::vector<uint8_t> b(size_t(headerSize), 0);
  auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); };
  put32(0, uint32_t(headerSize));
  put32(4, uint32_t(w));
  put32(8, uint32_t(h));
  b[12] = 1;
  b[14] = uint8_t(bits);
  put32(16, uint32_t(compression));
  put32(32, used);
  b.insert(b.end(), extra.begin(), extra.end());
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

}  // namespace

TEST(ClipboardDib, ForeignLayouts) {
  gfx::TDib out;
  // V5 header, 32-bit bit fields with the masks inside the header, top-down.
  auto v5 = ForeignDib(124, 1, 2, 32, 3, {}, {1, 2, 3, 0xFF, 4, 5, 6, 0xFF});
  ASSERT_TRUE(DecodeClipboardDib(v5, out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(6, 5, 4));  // bottom-up: the first row is the bottom one
  auto topDown = ForeignDib(124, 1, -2, 32, 3, {}, {1, 2, 3, 0xFF, 4, 5, 6, 0xFF});
  ASSERT_TRUE(DecodeClipboardDib(topDown, out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(3, 2, 1));
  // 16-bit 5-6-5 bit fields after a 40-byte header: pure red and pure green.
  auto rgb565 = ForeignDib(40, 2, 1, 16, 3, {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}, {0, 0xF8, 0xE0, 0x07});
  ASSERT_TRUE(DecodeClipboardDib(rgb565, out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(248, 0, 0));
  EXPECT_EQ(out.GetPixelColor(1, 0), gfx::RGBColor(0, 252, 0));
  // 8-bit with a two-entry table: indexes past the table are black.
  auto pal = ForeignDib(40, 3, 1, 8, 0, {10, 20, 30, 0, 40, 50, 60, 0}, {1, 0, 200, 0}, 2);
  ASSERT_TRUE(DecodeClipboardDib(pal, out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(60, 50, 40));
  EXPECT_EQ(out.GetPixelColor(2, 0), 0u);
}

TEST(ClipboardDib, TableFoundByTheHeadersOwnSize) {
  gfx::TDib out;
  const std::vector<uint8_t> table = {10, 20, 30, 0, 40, 50, 60, 0};
  for (int headerSize : {40, 52, 56, 108, 124}) {
    ASSERT_TRUE(DecodeClipboardDib(ForeignDib(headerSize, 2, 1, 8, 0, table, {1, 0, 0, 0}, 2), out)) << headerSize;
    EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(60, 50, 40)) << headerSize;
    EXPECT_EQ(out.GetPixelColor(1, 0), gfx::RGBColor(30, 20, 10)) << headerSize;
  }
  for (uint32_t headerSize : {12u, 64u, 41u}) {  // other header families are not taken for this one
    auto b = ForeignDib(40, 2, 1, 8, 0, table, {1, 0, 0, 0}, 2);
    b.resize(200, 0);
    b[0] = uint8_t(headerSize);
    EXPECT_FALSE(DecodeClipboardDib(b, out)) << headerSize;
  }
  // A deep picture may carry an optimisation table: its rows come after it.
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 1, 1, 24, 0, table, {1, 2, 3, 0}, 2), out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(3, 2, 1));
  // A count past 2^bits is bounded by it: the rows follow 256 entries.
  std::vector<uint8_t> full(256 * 4, 0);
  full[255 * 4] = 9;
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 1, 1, 8, 0, full, {255, 0, 0, 0}, 1000), out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(0, 0, 9));
}

TEST(ClipboardDib, OneBitTablesAndMasksAnywhere) {
  gfx::TDib out;
  // White-black tables keep the bits (flipped); a coloured pair goes to 24 bits through the table.
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 3, 1, 1, 0, {255, 255, 255, 0, 0, 0, 0, 0}, {0xA0, 0, 0, 0}), out));
  EXPECT_EQ(out.PixelFormat(), gfx::TPixelFormat::pf1bit);
  EXPECT_TRUE(out.Monochrome());
  EXPECT_EQ(out.GetPixelColor(0, 0), 0u);
  EXPECT_EQ(out.GetPixelColor(1, 0), 0xFFFFFFu);
  EXPECT_EQ(out.GetPixelColor(2, 0), 0u);
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 2, 1, 1, 0, {0, 0, 255, 0, 255, 0, 0, 0}, {0x40, 0, 0, 0}), out));
  EXPECT_EQ(out.PixelFormat(), gfx::TPixelFormat::pf24bit);
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(255, 0, 0));
  EXPECT_EQ(out.GetPixelColor(1, 0), gfx::RGBColor(0, 0, 255));
  // Our own 1-bit pictures always carry the table black, white (readers that ignore it see the same
  // picture): a white-first one has its bits flipped, one of two other colours goes as 24-bit.
  gfx::TDib inverted(4, 1, gfx::TPixelFormat::pf1bit);
  inverted.SetPalette({{255, 255, 255}, {0, 0, 0}});
  inverted.ScanLine(0)[0] = 0x50;
  std::vector<uint8_t> block = EncodeClipboardDib(inverted);
  EXPECT_EQ(block[14], 1);
  EXPECT_EQ(std::vector<uint8_t>(block.begin() + 40, block.begin() + 48), (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_EQ(block[48] & 0xF0, 0xA0);  // white pixels 0 and 2 are set bits
  ASSERT_TRUE(DecodeClipboardDib(block, out));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(out.GetPixelColor(x, 0), inverted.GetPixelColor(x, 0)) << x;
  gfx::TDib coloured(4, 1, gfx::TPixelFormat::pf1bit);
  coloured.SetPalette({{255, 0, 0}, {0, 0, 255}});
  coloured.ScanLine(0)[0] = 0x50;
  block = EncodeClipboardDib(coloured);
  EXPECT_EQ(block[14], 24);
  ASSERT_TRUE(DecodeClipboardDib(block, out));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(out.GetPixelColor(x, 0), coloured.GetPixelColor(x, 0)) << x;

  auto masks = [](uint32_t r, uint32_t g, uint32_t b) {
    std::vector<uint8_t> m;
    for (uint32_t v : {r, g, b})
      for (int i = 0; i < 4; ++i) m.push_back(uint8_t(v >> (8 * i)));
    return m;
  };
  // 5-5-5 with blue on top, 10-bit channels, bytes in red-green-blue order.
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 1, 1, 16, 3, masks(0x001F, 0x03E0, 0x7C00), {0x00, 0x7C, 0, 0}), out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(0, 0, 248));
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 1, 1, 32, 3, masks(0x3FF00000, 0x000FFC00, 0x000003FF), {0x00, 0x00, 0xF8, 0x3F}), out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(255, 128, 0));
  ASSERT_TRUE(DecodeClipboardDib(ForeignDib(40, 1, 1, 32, 3, masks(0xFF, 0xFF00, 0xFF0000), {10, 20, 30, 0xFF}), out));
  EXPECT_EQ(out.GetPixelColor(0, 0), gfx::RGBColor(10, 20, 30));
  // Masks wider than the pixel or empty decode to something, without a fault.
  EXPECT_TRUE(DecodeClipboardDib(ForeignDib(40, 1, 1, 16, 3, masks(0xFFFFFFFF, 0, 0x80000000), {0xFF, 0xFF, 0, 0}), out));
}

TEST(ClipboardDib, MalformedBlocksDecodeToNothing) {
  gfx::TDib out(3, 3, gfx::TPixelFormat::pf24bit);
  std::vector<std::vector<uint8_t>> bad = {
      {},
      std::vector<uint8_t>(39, 0),
      ForeignDib(40, 100000, 100000, 24, 0, {}, {0, 0, 0, 0}),          // huge: size guard and short rows
      ForeignDib(40, 4, 4, 24, 0, {}, std::vector<uint8_t>(47, 0)),     // one byte short of the rows
      ForeignDib(40, 1, 1, 8, 0, std::vector<uint8_t>(16, 0), {0, 0, 0, 0}, 200),  // table past the block
      ForeignDib(40, 0, 1, 24, 0, {}, {0, 0, 0, 0}),
      ForeignDib(40, 1, 1, 24, 1, {}, {0, 0, 0, 0}),                    // RLE is not a clipboard layout
      ForeignDib(40, 1, 1, 16, 3, {0xFF}, {0, 0, 0, 0}),                // masks cut short
      ForeignDib(40, -1, 1, 24, 0, {}, {0, 0, 0, 0}),
      ForeignDib(40, 1, INT32_MIN, 24, 0, {}, {0, 0, 0, 0}),
      ForeignDib(40, 1, 1, 24, 0, {}, {0, 0, 0, 0}, 0xFFFFFFFF),        // optional table past the block
      ForeignDib(40, 1, 1, 7, 0, {}, {0, 0, 0, 0}),
  };
  auto longHeader = ForeignDib(40, 1, 1, 24, 0, {}, {0, 0, 0, 0});
  longHeader[0] = 200;  // a header said to be longer than the block
  bad.push_back(longHeader);
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_FALSE(DecodeClipboardDib(bad[i], out)) << i;
    EXPECT_EQ(out.Width(), 3) << i;
  }
  TClipboardDouble clip;
  clip.Dib = bad[4];
  gfx::TDib target(2, 2, gfx::TPixelFormat::pf24bit);
  TOrvexProc proc;
  proc.SetTarget(&target);
  proc.Clipboard = &clip;
  proc.PasteFromClipboard();
  EXPECT_EQ(target.Width(), 2);
  EXPECT_EQ(proc.UndoCount(), 0);
}
