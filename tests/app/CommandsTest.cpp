// The picture and window commands of the main window, run through their menu items.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"
#include "imaging/proc/oxclipdib.h"

using platform::TMsgAnswer;

TEST_F(TMainFrmTest, PictureCommandsAndUndo) {
  struct TCase {
    const char* item;
    int w, h;
    int x, y;                   // the pixel checked
    std::array<int, 3> colour;  // its red, green, blue after the command
  };
  // The source pixel (x, y) is red x*10, green y*10, blue 0 (see WritePpm); the picture is 4 x 2.
  const TCase cases[] = {
      {"RotateLeftItem", 2, 4, 0, 0, {30, 0, 0}},    // the top-right corner comes to the top left
      {"RotateRightItem", 2, 4, 0, 0, {0, 10, 0}},   // the bottom-left corner
      {"HorizomtalItem", 4, 2, 0, 0, {30, 0, 0}},
      {"VerticalItem", 4, 2, 0, 0, {0, 10, 0}},
      {"NegativeItem", 4, 2, 0, 0, {255, 255, 255}},
      {"ClearItem", 4, 2, 3, 1, {0, 0, 0}},          // was (30, 10, 0); the view's background is black
  };
  options.AutoWidthWhenOpeningFile = false;
  for (const TCase& c : cases) {
    Start({Picture("p.ppm", 4, 2)});
    frm->ImageModified = false;
    Click(c.item);
    EXPECT_EQ(Width(), c.w) << c.item;
    EXPECT_EQ(Height(), c.h) << c.item;
    // PPM and the DIB disagree on channel order: our pixels are stored blue, green, red.
    auto px = Pixel(c.x, c.y);
    EXPECT_EQ((std::array<int, 3>{px[2], px[1], px[0]}), c.colour) << c.item;
    EXPECT_TRUE(frm->ImageModified) << c.item;
    EXPECT_EQ(frm->Orvex->ProcComponent().UndoCount(), 1) << c.item;
    Click("UndoItem");
    EXPECT_EQ(Width(), 4) << c.item;
    auto back = Pixel(3, 1);
    EXPECT_EQ((std::array<int, 3>{back[2], back[1], back[0]}), (std::array<int, 3>{30, 10, 0})) << c.item;
  }
  Click("GrayItem");
  Click("ClearUndoItem");
  EXPECT_EQ(frm->Orvex->ProcComponent().UndoCount(), 0);
}

TEST_F(TMainFrmTest, ZoomSteps) {
  options.ZoomLadder = false;  // the settings' step in place of the ladder
  Start({Picture("p.ppm", 40, 30)});
  frm->Orvex->SetZoomPercent(5);
  Click("ZoomOutItem");
  EXPECT_DOUBLE_EQ(frm->Orvex->ZoomPercent(), 5);
  Click("ZoomInItem");
  EXPECT_DOUBLE_EQ(frm->Orvex->ZoomPercent(), 15);
  options.IncreaseDecreaseScale = 25;
  Click("ZoomInItem");
  EXPECT_DOUBLE_EQ(frm->Orvex->ZoomPercent(), 40);
}

TEST_F(TMainFrmTest, AutoResizeFitsAfterTurns) {
  options.AutoWidthWhenOpeningFile = false;
  Start({Picture("p.ppm", 400, 100)});
  frm->resize(300, 400);
  frm->Orvex->SetZoomPercent(100);
  Click("RotateLeftItem");
  const double fitted = frm->Orvex->ZoomPercent();
  EXPECT_NE(fitted, 100);
  frm->Orvex->SetZoomPercent(100);
  Click("HorizomtalItem");
  EXPECT_DOUBLE_EQ(frm->Orvex->ZoomPercent(), fitted);
  Click("AutoResizeItem");  // off
  frm->Orvex->SetZoomPercent(100);
  Click("RotateRightItem");
  EXPECT_DOUBLE_EQ(frm->Orvex->ZoomPercent(), 100);
}

TEST_F(TMainFrmTest, FullScreenStepsFollowTheOptions) {
  options.OnFullScreenHideToolBar = true;
  options.OnFullScreenHideStatusBar = true;
  options.SwitchToAlwaysOnTopOnFullScreen = true;
  Start({Picture("p.ppm", 8, 8)});
  Click("StatusBarItem");  // hidden before full screen
  EXPECT_FALSE(frm->statusBar()->isVisible());
  const QRect before(frm->pos(), frm->size());
  Click("FullScreenItem");
  EXPECT_TRUE(frm->FullScreenActive());
  EXPECT_TRUE(window.FullScreen);
  EXPECT_TRUE(window.StayOnTop);
  EXPECT_FALSE(frm->ToolBar()->isVisible());
  EXPECT_TRUE(frm->PathLabel()->isVisible());
  EXPECT_EQ(frm->PathLabel()->text().toStdString(), dir / "p.ppm");
  EXPECT_TRUE(frm->Item("FullScreenItem")->isChecked());
  EXPECT_EQ(frm->SavedBounds(), before);
  frm->resize(1500, 1000);  // as the window manager does for full screen
  frm->IdleSave();
  EXPECT_EQ(app::TIniFile(IniPath()).ReadInteger("Position", "Width", 0), before.width());

  Click("FullScreenItem");
  EXPECT_FALSE(window.FullScreen);
  EXPECT_FALSE(window.StayOnTop);
  EXPECT_TRUE(frm->ToolBar()->isVisible());
  EXPECT_FALSE(frm->statusBar()->isVisible());
  EXPECT_FALSE(frm->PathLabel()->isVisible());
  EXPECT_FALSE(frm->Item("FullScreenItem")->isChecked());
}

TEST_F(TMainFrmTest, BarsCaptionTransparencyAndMenuIcons) {
  Start();
  Click("WinHeadItem");
  EXPECT_FALSE(window.TitleBar);
  Click("WinHeadItem");
  EXPECT_TRUE(window.TitleBar);
  const int calls = window.Calls;
  frm->SetCaptionVisible(true);  // already shown: nothing to do
  EXPECT_EQ(window.Calls, calls);

  Click("ToolBarItem");
  EXPECT_FALSE(frm->ToolBar()->isVisible());
  Click("ToolBarItem");
  EXPECT_TRUE(frm->ToolBar()->isVisible());

  options.TransparentValue = 120;
  Click("TranparentItem");
  EXPECT_EQ(window.Opacity, 120);
  Click("TranparentItem");
  EXPECT_EQ(window.Opacity, 255);

  Click("IconsMenuItem");
  EXPECT_FALSE(frm->Item("OpenItem")->isIconVisibleInMenu());
  Click("IconsMenuItem");
  EXPECT_TRUE(frm->Item("OpenItem")->isIconVisibleInMenu());

  Click("ScrollBarsItem");
  EXPECT_EQ(frm->Orvex->ScrollBars(), ox::ssBoth);
  Click("CenterItem");
  EXPECT_FALSE(frm->Orvex->Center());
}

TEST_F(TMainFrmTest, SaveAndSaveAs) {
  Start({Picture("p.ppm", 6, 5)});
  Click("NegativeItem");
  ui.SaveResults = {dir / "copy.bmp"};
  Click("SaveAsItem");
  EXPECT_TRUE(std::filesystem::exists(dir / "copy.bmp"));
  EXPECT_EQ(frm->CurrentFile(), dir / "copy.bmp");
  EXPECT_FALSE(frm->ImageModified);
  EXPECT_NE(ui.Filters.back().find("Windows Bitmap (BMP;DIB;RLE)|*.bmp;*.dib;*.rle"), std::string::npos);
  EXPECT_EQ(ui.Filters.back().find("Windows Icon"), std::string::npos);  // read only

  frm->ImageModified = true;
  Click("SaveItem");
  EXPECT_FALSE(frm->ImageModified);
  frm->OpenFile(dir / "copy.bmp", app::kReloadSteps);
  auto px = Pixel(0, 0);
  EXPECT_EQ(px[0], 255);  // the negative reached the file

  // A save that fails is reported and keeps the edits marked.
  frm->UpdateCaptions(dir / "p.unknownformat");
  frm->ImageModified = true;
  ui.Boxes.clear();
  Click("SaveItem");
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].caption, "Vantrel");
  EXPECT_TRUE(frm->ImageModified);
}

TEST_F(TMainFrmTest, SaveWithoutAFileAsksForOne) {
  Start({Picture("p.ppm", 6, 5)});
  frm->UpdateCaptions("");  // as after a paste into an empty window
  frm->ImageModified = true;
  ui.SaveResults = {dir / "new.png"};
  Click("SaveItem");
  EXPECT_TRUE(std::filesystem::exists(dir / "new.png"));
  EXPECT_EQ(frm->CurrentFile(), dir / "new.png");
  EXPECT_FALSE(frm->ImageModified);
  // Cancelled: nothing written, the edits stay marked.
  frm->UpdateCaptions("");
  frm->ImageModified = true;
  Click("SaveItem");
  EXPECT_TRUE(frm->ImageModified);
}

TEST_F(TMainFrmTest, ClipboardCommands) {
  options.CopyOpenFileToClipboard = true;
  Start({Picture("a.ppm", 5, 3)});
  ASSERT_EQ(clipboard.Files.size(), 1u);  // the opened file, for the file manager
  EXPECT_EQ(clipboard.Files[0], dir / "a.ppm");
  Click("CopyItem");
  ASSERT_FALSE(clipboard.Dib.empty());
  frm->OpenFile(Picture("b.ppm", 9, 9), app::kReloadSteps);
  Click("PasteItem");
  EXPECT_EQ(Width(), 5);
  EXPECT_EQ(Height(), 3);
  EXPECT_TRUE(frm->ImageModified);
  Click("UndoItem");
  EXPECT_EQ(Width(), 9);
  // A block another program offers that is not a picture: no paste.
  clipboard.Dib = {1, 2, 3};
  Click("PasteItem");
  EXPECT_EQ(Width(), 9);
}

TEST_F(TMainFrmTest, EscapeAndF11) {
  Start();
  auto key = [&](int k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(frm->Orvex, &press);
  };
  key(Qt::Key_F11);
  EXPECT_TRUE(frm->FullScreenActive());
  key(Qt::Key_Escape);  // leaves full screen, does not close
  EXPECT_FALSE(frm->FullScreenActive());
  EXPECT_TRUE(frm->isVisible());
  options.SwitchingToFullScreenOnF11 = false;
  key(Qt::Key_F11);
  EXPECT_FALSE(frm->FullScreenActive());
  key(Qt::Key_Escape);
  EXPECT_FALSE(frm->isVisible());
}

TEST_F(TMainFrmTest, SelectedObjectCommands) {
  options.AutoWidthWhenOpeningFile = false;
  Start({Picture("p.ppm", 10, 8)});
  frm->Orvex->SelectionBase = ox::oxsbBitmap;
  // Source pixel (x, y) is red 10 x, green 10 y; as stored: blue, green, red.
  auto source = [](int x, int y) { return std::array<int, 3>{0, 10 * y, 10 * x}; };
  frm->Orvex->SelectRect(2, 1, 6, 5, false);
  ASSERT_TRUE(frm->Orvex->HasSelection());
  Click("SelCopyToClipItem");
  gfx::TDib copied;
  ASSERT_TRUE(ox::DecodeClipboardDib(clipboard.Dib, copied));
  // A rectangle made as the mouse makes it holds both corners: columns 2 to 6, rows 1 to 5.
  EXPECT_EQ(copied.Width(), 5);
  EXPECT_EQ(copied.Height(), 5);
  auto at = [](const gfx::TDib& d, int x, int y) {
    const uint8_t* p = d.ScanLine(y) + 3 * x;
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(at(copied, 0, 0), source(2, 1));
  EXPECT_EQ(at(copied, 4, 4), source(6, 5));

  Click("ClearSelItem");
  EXPECT_EQ(Pixel(3, 2), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(Pixel(6, 5), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(Pixel(7, 5), source(7, 5));
  EXPECT_EQ(Pixel(6, 6), source(6, 6));
  EXPECT_EQ(Pixel(8, 7), source(8, 7));
  Click("UndoItem");
  frm->Orvex->SelectRect(2, 1, 6, 5, false);
  Click("CropSelItem");
  EXPECT_EQ(Width(), 5);
  EXPECT_EQ(Height(), 5);
  EXPECT_EQ(Pixel(0, 0), source(2, 1));
  EXPECT_EQ(Pixel(4, 4), source(6, 5));
}
