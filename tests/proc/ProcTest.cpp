// The processing component: undo snapshots, the selection rule, clear/crop and the clipboard exchange,
// with a holder double that owns a selection mask and a clipboard double that stores the packed blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/proc/oxclipdib.h"
#include "imaging/proc/oxproc.h"
#include "platform/clipboard/ClipboardDouble.h"
#include "platform/system/SystemInfo.h"

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

namespace {

// The holder's picture: 8 x 6 in `format`, painted (24-bit) or striped (1-bit).
void Prepare(THolderDouble& h, gfx::TPixelFormat format) {
  h.dib = gfx::TDib(8, 6, format);
  if (format == gfx::TPixelFormat::pf24bit) {
    Paint(h.dib);
    return;
  }
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) h.dib.SetPixelColor(x, y, (x + y) % 3 ? gfx::RGBColor(255, 255, 255) : 0);
}

bool SameDib(const gfx::TDib& a, const gfx::TDib& b) {
  if (a.PixelFormat() != b.PixelFormat() || a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixelColor(x, y) != b.GetPixelColor(x, y)) return false;
  return true;
}

struct TSystemStub : platform::ISystem {
  int ScreenWidth() const override { return 800; }
  int ScreenHeight() const override { return 600; }
  int LogicalDpiX() const override { return 96; }
  int LogicalDpiY() const override { return 96; }
  gfx::TColor SysColor(int index) const override { return index == platform::scBtnFace ? 0x00C0D0E0 : 0; }
  int Edge3DWidth() const override { return 2; }
  int Edge3DHeight() const override { return 2; }
  int64_t MonotonicMs() const override { return 0; }
};

}  // namespace

// Every operation records its snapshot under its caption and announces the change; one that does nothing
// (an angle of 0, sizes it cannot use, a format it does not handle) leaves neither trace nor change.
TEST(ProcOperations, SnapshotCaptionAndChangeRules) {
  using F = gfx::TPixelFormat;
  struct TCase {
    const char* name;
    F format;
    std::function<void(TOrvexProc&)> op;
    const char* caption;  // null: nothing recorded, nothing changed
    int w, h;             // the size afterwards
  };
  const TCase cases[] = {
      {"Rotate 0", F::pf24bit, [](TOrvexProc& p) { p.Rotate(0, true); }, nullptr, 8, 6},
      {"Rotate 0 bilevel", F::pf1bit, [](TOrvexProc& p) { p.Rotate(0, false); }, nullptr, 8, 6},
      {"Rotate 360", F::pf24bit, [](TOrvexProc& p) { p.Rotate(360, false); }, "Rotate 360", 8, 6},
      {"Rotate 90", F::pf24bit, [](TOrvexProc& p) { p.Rotate(90, true); }, "Rotate 90", 6, 8},
      {"Rotate -90 bilevel", F::pf1bit, [](TOrvexProc& p) { p.Rotate(-90, true); }, "Rotate -90", 6, 8},
      {"Rotate 12.5", F::pf24bit, [](TOrvexProc& p) { p.Rotate(12.5, false); }, "Rotate 12.5", -1, -1},
      {"Resample height", F::pf24bit, [](TOrvexProc& p) { p.Resample(-1, 3, rfNone); }, "Resample -1,3", 4, 3},
      {"Resample width", F::pf1bit, [](TOrvexProc& p) { p.Resample(16, -1, rfTriangle); }, "Resample 16,-1", 16, 12},
      {"Resample filtered", F::pf24bit, [](TOrvexProc& p) { p.Resample(5, 7, rfLanczos3); }, "Resample 5,7", 5, 7},
      {"Resample nothing", F::pf24bit, [](TOrvexProc& p) { p.Resample(-1, -1, rfNone); }, nullptr, 8, 6},
      {"ImageResize", F::pf24bit, [](TOrvexProc& p) { p.ImageResize(10, 2); }, "ImageResize 10,2", 10, 2},
      {"ImageResize bilevel", F::pf1bit, [](TOrvexProc& p) { p.ImageResize(3, 9); }, "ImageResize 3,9", 3, 9},
      {"ImageResize 0", F::pf24bit, [](TOrvexProc& p) { p.ImageResize(0, 5); }, nullptr, 8, 6},
      {"EdgeDetect", F::pf24bit, [](TOrvexProc& p) { p.EdgeDetect(7, 0, true, 0.9, 0.99); }, "EdgeDetect", 8, 6},
      {"EdgeDetect bilevel", F::pf1bit, [](TOrvexProc& p) { p.EdgeDetect(7, 0, true, 0.9, 0.99); }, nullptr, 8, 6},
      {"ConvertTo 16", F::pf24bit, [](TOrvexProc& p) { p.ConvertTo(16); }, "ConvertTo 16", 8, 6},
      {"ConvertTo 2", F::pf24bit, [](TOrvexProc& p) { p.ConvertTo(2); }, "ConvertTo 2", 8, 6},
      {"ConvertTo bilevel", F::pf1bit, [](TOrvexProc& p) { p.ConvertTo(16); }, nullptr, 8, 6},
      {"Flip bilevel", F::pf1bit, [](TOrvexProc& p) { p.Flip(0); }, "Flip", 8, 6},
      {"Negative bilevel", F::pf1bit, [](TOrvexProc& p) { p.Negative(); }, "Negative", 8, 6},
      {"ConvertToGray bilevel", F::pf1bit, [](TOrvexProc& p) { p.ConvertToGray(); }, nullptr, 8, 6},
      {"Contrast bilevel", F::pf1bit, [](TOrvexProc& p) { p.Contrast(20); }, nullptr, 8, 6},
      {"AddRGB bilevel", F::pf1bit, [](TOrvexProc& p) { p.AddRGB(5, 5, 5); }, nullptr, 8, 6},
      {"Equalize bilevel", F::pf1bit, [](TOrvexProc& p) { p.Equalize(); }, nullptr, 8, 6},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    THolderDouble h;
    Prepare(h, c.format);
    const gfx::TDib before = h.dib;
    TOrvexProc proc;
    proc.SetAttachedOrvex(&h);
    c.op(proc);
    if (!c.caption) {
      EXPECT_EQ(proc.UndoCount(), 0);
      EXPECT_EQ(h.changes, 0);
      EXPECT_TRUE(SameDib(h.dib, before));
      continue;
    }
    ASSERT_EQ(proc.UndoCount(), 1);
    EXPECT_EQ(proc.UndoCaption(0), c.caption);
    EXPECT_EQ(h.changes, 1);
    if (c.w > 0) {
      EXPECT_EQ(h.dib.Width(), c.w);
      EXPECT_EQ(h.dib.Height(), c.h);
    }
    proc.Undo();
    EXPECT_TRUE(SameDib(h.dib, before));
  }
}

TEST(ProcOperations, RotateByZeroLeavesABareTargetUnmodified) {
  gfx::TDib dib(4, 3, gfx::TPixelFormat::pf24bit);
  dib.Modified = false;
  TOrvexProc proc;
  proc.SetTarget(&dib);
  proc.Rotate(0, true);
  EXPECT_FALSE(dib.Modified);
  proc.Rotate(180, true);
  EXPECT_TRUE(dib.Modified);
}

TEST(ProcOperations, ConvertToPaletteHandsBackThePalette) {
  THolderDouble h;
  const gfx::TColor colours[] = {gfx::RGBColor(200, 10, 10), gfx::RGBColor(10, 200, 10), gfx::RGBColor(10, 10, 200)};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) h.dib.SetPixelColor(x, y, colours[(x + y) % 3]);
  TOrvexProc proc;
  proc.SetAttachedOrvex(&h);
  std::vector<gfx::TRGB> palette{{1, 2, 3}};
  proc.ConvertToPalette(16, palette);
  EXPECT_EQ(proc.UndoCaption(0), "ConvertToPalette");
  EXPECT_EQ(h.dib.PixelFormat(), gfx::TPixelFormat::pf24bit);
  ASSERT_FALSE(palette.empty());
  EXPECT_LE(palette.size(), 16u);
  // Every pixel's colour is one of the palette's.
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const gfx::TColor c = h.dib.GetPixelColor(x, y);
      const gfx::TRGB rgb{gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c)};
      EXPECT_NE(std::find(palette.begin(), palette.end(), rgb), palette.end()) << x << "," << y;
    }

  proc.ConvertToPalette(2, palette);
  EXPECT_EQ(h.dib.PixelFormat(), gfx::TPixelFormat::pf1bit);
  EXPECT_EQ(palette, (std::vector<gfx::TRGB>{{0, 0, 0}, {255, 255, 255}}));
  // A 1-bit picture is not reduced again, and the palette says so by being empty.
  proc.ConvertToPalette(2, palette);
  EXPECT_TRUE(palette.empty());
  EXPECT_EQ(proc.UndoCount(), 1);
}

TEST(ProcOperations, HistogramCountsTheSelectionBox) {
  THolderDouble h;
  Paint(h.dib);  // red 10 x, green 20 y
  TOrvexProc proc;
  proc.SetAttachedOrvex(&h);
  THistogram all;
  ASSERT_TRUE(proc.GetHistogram(all));
  EXPECT_EQ(all.Red[20], 6u);  // column 2
  EXPECT_EQ(all.Blue[200], 48u);
  h.SelectRect(2, 1, 5, 4);
  THistogram box;
  ASSERT_TRUE(proc.GetHistogram(box));
  EXPECT_EQ(box.Blue[200], 9u);
  EXPECT_EQ(box.Red[20], 3u);
  EXPECT_EQ(box.Green[0], 0u);  // row 0 lies outside
  EXPECT_EQ(box.Green[20], 3u);
  h.dib = gfx::TDib(4, 4, gfx::TPixelFormat::pf1bit);
  EXPECT_FALSE(proc.GetHistogram(box));
}

// A system colour as Background fills with the colour the system gives it, or black without a system.
TEST(ProcOperations, SystemColourBackgroundIsResolved) {
  TSystemStub system;
  for (bool withSystem : {true, false}) {
    SCOPED_TRACE(withSystem);
    THolderDouble h;
    h.background = platform::SysColorValue(platform::scBtnFace);
    TOrvexProc proc;
    proc.SetAttachedOrvex(&h);
    if (withSystem) proc.System = &system;
    const gfx::TColor expected = withSystem ? 0x00C0D0E0 : 0;
    proc.ImageResize(10, 6);
    EXPECT_EQ(h.dib.GetPixelColor(9, 5), expected);
    proc.Rotate(90, false);
    proc.Clear();
    EXPECT_EQ(h.dib.GetPixelColor(0, 0), expected);
    h.SelectRect(1, 1, 3, 3);
    h.dib.SetPixelColor(1, 1, gfx::RGBColor(1, 2, 3));
    proc.ClearSel();
    EXPECT_EQ(h.dib.GetPixelColor(1, 1), expected);
  }
}
