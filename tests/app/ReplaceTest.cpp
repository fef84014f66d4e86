// Commands that replace or write the picture: the save question before each, Save As making the new file
// current, pictures read only in part, a picture's own background, and the progress bar.
#include <QAction>
#include <QProgressBar>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"
#include "imaging/io/GIFLzw.h"

using platform::TMsgAnswer;

namespace {

// The top-left pixel of a picture file as the I/O component reads it (blue, green, red).
gfx::TColor FilePixel(const std::string& path) {
  gfx::TDib dib;
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  io.LoadFromFile(path);
  EXPECT_FALSE(io.Aborted) << path;
  return dib.Empty() ? 0xFFFFFFFFu : dib.GetPixelColor(0, 0);
}

constexpr gfx::TColor kBlack = 0, kWhite = 0x00FFFFFF;

// A busy 128 x 128 JPEG (so the scan, not the tables, fills the file) and the same file cut after its
// first half.
struct TCutJpeg {
  std::string whole, cut, cutBytes;
};
TCutJpeg MakeCutJpeg(const std::string& folder) {
  gfx::TDib dib(128, 128, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x)
      dib.SetPixelColor(x, y, gfx::RGBColor(uint8_t(x * 37 ^ y * 11), uint8_t(x * y), uint8_t(x + y * 3)));
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&dib);
  TCutJpeg j{folder + "/whole.jpg", folder + "/cut.jpg", {}};
  io.SaveToFile(j.whole);
  const std::string bytes = testsupport::ReadFile(j.whole);
  j.cutBytes = bytes.substr(0, bytes.size() / 2);
  testsupport::WriteFile(j.cut, j.cutBytes);
  return j;
}

}  // namespace

// Every command that puts another picture in the place of an edited one asks first; Yes saves the edits to
// the current file, No drops them, Cancel keeps everything as it was.
TEST_F(TMainFrmTest, EveryReplacingCommandAsksAboutTheEdits) {
  struct TCommand {
    const char* item;
    bool reload;  // the command shows the current file again instead of b.ppm
  };
  const TCommand commands[] = {
      {"OpenItem", false}, {"ReOpen2Item", false}, {"Fav1Item", false}, {"ReloadFileItem", true},
      {"ShowDesktopImageItem", false},
  };
  options.AutoWidthWhenOpeningFile = false;
  for (const TCommand& c : commands) {
    for (TMsgAnswer answer : {TMsgAnswer::Yes, TMsgAnswer::No, TMsgAnswer::Cancel}) {
      SCOPED_TRACE(std::string(c.item) + " answer " + std::to_string(int(answer)));
      const std::string a = Picture("a.ppm", 6, 6), b = Picture("b.ppm", 7, 5);
      Start({a});
      frm->RecentList[1] = b;
      frm->RefreshRecentMenu();
      frm->BookmarkList[0] = b;
      frm->RefreshBookmarksMenu();
      desktop.Wallpaper = b;
      ui.OpenResults = {{b}};
      Click("NegativeItem");  // the top-left pixel turns from black to white
      ASSERT_TRUE(frm->ImageModified);
      ui.Boxes.clear();
      ui.Answers = {answer};

      Click(c.item);
      ASSERT_EQ(ui.Boxes.size(), 1u);
      EXPECT_EQ(ui.Boxes[0].caption, "Vantrel");
      EXPECT_EQ(ui.Boxes[0].text, "Save changes in \"a.ppm\"?");
      EXPECT_EQ(ui.Boxes[0].buttons, platform::TMsgButtons::YesNoCancel);
      EXPECT_EQ(FilePixel(a), answer == TMsgAnswer::Yes ? kWhite : kBlack);
      if (answer == TMsgAnswer::Cancel) {
        EXPECT_EQ(frm->CurrentFile(), a);
        EXPECT_TRUE(frm->ImageModified);
        EXPECT_EQ(frm->Orvex->Picture().GetPixelColor(0, 0), kWhite);
        continue;
      }
      EXPECT_EQ(frm->CurrentFile(), c.reload ? a : b);
      EXPECT_EQ(Width(), c.reload ? 6 : 7);
      EXPECT_FALSE(frm->ImageModified);
      if (c.reload) {
        EXPECT_EQ(frm->Orvex->Picture().GetPixelColor(0, 0), answer == TMsgAnswer::Yes ? kWhite : kBlack);
      }
    }
  }
}

// Unedited, nothing is asked; the desktop picture does not enter the recent list.
TEST_F(TMainFrmTest, ReplacingAnUneditedPictureAsksNothing) {
  const std::string a = Picture("a.ppm", 6, 6), b = Picture("b.ppm", 7, 5);
  Start({a});
  desktop.Wallpaper = b;
  ui.Boxes.clear();
  Click("ShowDesktopImageItem");
  EXPECT_TRUE(ui.Boxes.empty());
  EXPECT_EQ(frm->CurrentFile(), b);
  EXPECT_EQ(frm->RecentList[0], a);
  EXPECT_EQ(frm->RecentList[1], "");
  desktop.Wallpaper.clear();  // no wallpaper: nothing loaded, the captions name no file
  Click("ShowDesktopImageItem");
  EXPECT_EQ(frm->CurrentFile(), "");
  EXPECT_EQ(Width(), 7);
}

// After "Save As..." the new file is the one the window works on: "Save..." writes there, never to the
// file the user left.
TEST_F(TMainFrmTest, SaveAsMakesTheNewFileCurrent) {
  const std::string a = Picture("a.ppm", 6, 5);
  Start({a});
  const std::string original = testsupport::ReadFile(a);
  Click("NegativeItem");
  ui.SaveResults = {"new.bmp"};  // relative to the start folder
  Click("SaveAsItem");
  const std::string saved = dir / "new.bmp";
  EXPECT_EQ(frm->CurrentFile(), saved);
  EXPECT_EQ(frm->windowTitle().toStdString(), saved + " - Vantrel");
  EXPECT_EQ(frm->RecentList[0], saved);
  EXPECT_EQ(frm->RecentList[1], a);
  EXPECT_FALSE(frm->ImageModified);
  EXPECT_EQ(FilePixel(saved), kWhite);

  Click("NegativeItem");
  Click("SaveItem");
  EXPECT_FALSE(frm->ImageModified);
  EXPECT_EQ(FilePixel(saved), kBlack);
  EXPECT_EQ(testsupport::ReadFile(a), original);
}

// A picture whose data ended early is shown, named in a notice and made current; "Save..." asks before it
// puts the part over the file it came from.
TEST_F(TMainFrmTest, PartialPictureIsShownAndNotSavedOverItsFileUnasked) {
  options.AutoWidthWhenOpeningFile = false;
  const std::string a = Picture("a.ppm", 6, 6);
  const TCutJpeg jpeg = MakeCutJpeg(dir.path.string());
  gfx::TDib whole;
  {
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&whole);
    io.LoadFromFile(jpeg.whole);
    ASSERT_FALSE(io.Aborted);
  }
  const std::string& cut = jpeg.cut;
  Start({a});
  ui.Boxes.clear();
  ui.OpenResults = {{cut}};
  Click("OpenItem");
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].caption, "Vantrel");
  EXPECT_NE(ui.Boxes[0].text.find(cut), std::string::npos);
  EXPECT_EQ(ui.Boxes[0].buttons, platform::TMsgButtons::Ok);
  EXPECT_EQ(frm->CurrentFile(), cut);
  EXPECT_EQ(frm->RecentList[0], cut);
  ASSERT_EQ(Width(), 128);
  ASSERT_EQ(Height(), 128);
  EXPECT_EQ(frm->PartialFile(), cut);
  EXPECT_FALSE(frm->ImageModified);
  // The rows decoded before the data ended are those of the whole file.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 128; ++x) {
      const gfx::TColor c = whole.GetPixelColor(x, y);
      ASSERT_EQ(Pixel(x, y), (std::array<int, 3>{int(gfx::BlueOf(c)), int(gfx::GreenOf(c)), int(gfx::RedOf(c))}))
          << x << "," << y;
    }

  Click("NegativeItem");
  struct TCase {
    TMsgAnswer answer;
    bool written;
  };
  for (const TCase& c : {TCase{TMsgAnswer::No, false}, TCase{TMsgAnswer::Yes, true}}) {
    ui.Boxes.clear();
    ui.Answers = {c.answer};
    EXPECT_EQ(frm->SaveItemClick(), c.written);
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].buttons, platform::TMsgButtons::YesNo);
    EXPECT_NE(ui.Boxes[0].text.find("cut.jpg"), std::string::npos);
    EXPECT_EQ(frm->ImageModified, !c.written);
    EXPECT_EQ(testsupport::ReadFile(cut) == jpeg.cutBytes, !c.written);
  }
  // Once written, the file holds the picture: no further question, and it reads whole.
  EXPECT_EQ(frm->PartialFile(), "");
  ui.Boxes.clear();
  Click("NegativeItem");
  Click("SaveItem");
  EXPECT_TRUE(ui.Boxes.empty());
  frm->OpenFile(cut, app::kOpenCommandSteps);
  EXPECT_EQ(frm->PartialFile(), "");

  // Saved under another name, the partial file is left behind: "Save..." goes to the new file unasked.
  testsupport::WriteFile(cut, jpeg.cutBytes);
  frm->OpenFile(cut, app::kOpenCommandSteps);
  ASSERT_EQ(frm->PartialFile(), cut);
  ui.SaveResults = {dir / "elsewhere.jpg"};
  Click("SaveAsItem");
  ui.Boxes.clear();
  Click("NegativeItem");
  EXPECT_TRUE(frm->SaveItemClick());
  EXPECT_TRUE(ui.Boxes.empty());
  EXPECT_EQ(testsupport::ReadFile(cut), jpeg.cutBytes);
}

// A GIF's background colour is the view's background while that picture is shown, and only then.
TEST_F(TMainFrmTest, PictureBackgroundStaysWithItsPicture) {
  ox::InstallGifLzwCoders();  // as the program does at start
  const gfx::TColor gifBack = gfx::RGBColor(200, 10, 10);
  const std::string gif = dir / "back.gif";
  {
    gfx::TDib dib(4, 4, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) dib.SetPixelColor(x, y, (x + y) % 2 ? gifBack : gfx::RGBColor(10, 10, 200));
    ox::TOrvexIO io;
    io.SetAttachedBitmap(&dib);
    io.Params.GifBackgroundColor = {200, 10, 10};
    io.SaveToFile(gif);
    ASSERT_FALSE(io.Aborted);
  }
  // The background window loads its colour from the settings file when it is created.
  app::TIniFile(IniPath()).WriteInteger("Background", "Background color", 0x00112233);
  const std::string a = Picture("a.ppm", 6, 6);
  Start({a});
  EXPECT_EQ(frm->Orvex->Background(), 0x00112233u);
  frm->OpenFile(gif, app::kOpenCommandSteps);
  // The colour as the file holds it (the writer may have moved it to its palette's nearest entry).
  const ox::TOXRGB& read = frm->Orvex->IOComponent().Params.GifBackgroundColor;
  const gfx::TColor fileBack = gfx::RGBColor(read.r, read.g, read.b);
  EXPECT_NEAR(int(gfx::RedOf(fileBack)), 200, 2);
  EXPECT_EQ(frm->Orvex->Background(), fileBack);
  // A failed load keeps the GIF on screen, and its background with it.
  testsupport::WriteFile(dir / "bad.png", "\x89PNG\r\n\x1a\nnot really");
  EXPECT_FALSE(frm->OpenFile(dir / "bad.png", app::kOpenCommandSteps));
  EXPECT_EQ(frm->Orvex->Background(), fileBack);
  frm->OpenFile(a, app::kOpenCommandSteps);
  EXPECT_EQ(frm->Orvex->Background(), 0x00112233u);
}

TEST_F(TMainFrmTest, OpenFilterListsGifAndAllFiles) {
  Start();
  Click("OpenItem");
  ASSERT_FALSE(ui.Filters.empty());
  const std::string& f = ui.Filters.back();
  const std::string all = f.substr(0, f.find('|', f.find('|') + 1));
  EXPECT_NE(all.find("*.gif"), std::string::npos);
  EXPECT_NE(f.find("|CompuServe Bitmap (GIF)|*.gif|"), std::string::npos);
  EXPECT_EQ(f.substr(f.size() - 12), "|All files|*");
}

// The bar appears only once the work has run a third of a second, and goes when it ends.
TEST_F(TMainFrmTest, ProgressBarForLongWorkOnly) {
  options.AutoWidthWhenOpeningFile = false;
  const std::string a = Picture("a.ppm", 20, 40);
  Start({a});
  QProgressBar* bar = frm->ProgressBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isHidden());
  int64_t now = 0, step = 0;
  frm->Progress().Clock = [&] { return now += step; };
  std::vector<int> shown;
  QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) {
    if (!bar->isHidden()) shown.push_back(v);
  });

  Click("NegativeItem");  // the clock stands still: quick work
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(bar->isHidden());

  step = 100;  // every look at the clock is a tenth of a second later
  Click("NegativeItem");
  ASSERT_FALSE(shown.empty());
  EXPECT_GT(shown.front(), 0);  // the first reports came before the delay ran out
  EXPECT_EQ(shown.back(), 98);  // trunc(39 * 100 / 39.5) after the last row
  EXPECT_TRUE(bar->isHidden());

  // Saves and loads too.
  shown.clear();
  ui.SaveResults = {dir / "a.bmp"};
  Click("SaveAsItem");
  EXPECT_FALSE(shown.empty());
  shown.clear();
  Click("ReloadFileItem");
  EXPECT_FALSE(shown.empty());
  EXPECT_TRUE(bar->isHidden());
}
