// The main window's viewing comfort: stepping through the folder, zoom commands and panel, the fit and
// transparency toggles, the zoom filter key, undo levels with redo and their captions.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <filesystem>
#include <map>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"

using platform::TMsgAnswer;

namespace {

void Key(QWidget* w, int key) {
  QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

class TComfortTest : public TMainFrmTest {
 protected:
  // A folder of pictures told apart by their widths, with files that must be passed over.
  std::string Folder() {
    std::filesystem::create_directory(dir / "pics");
    for (auto [name, w] : {std::pair{"img1.ppm", 3}, {"img2.ppm", 4}, {"Img3.PPM", 5}, {"img10.ppm", 6}})
      Picture(std::string("pics/") + name, w, 2);
    testsupport::WriteFile(dir / "pics/img4.ppm", "P6\nnot a picture");
    testsupport::WriteFile(dir / "pics/broken0.ppm", "");
    testsupport::WriteFile(dir / "pics/notes.txt", "P6\n1 1\n255\nabc");
    return dir / "pics";
  }
  std::string Name() const { return frm->CurrentFile().substr(frm->CurrentFile().find_last_of('/') + 1); }
};

TEST_F(TComfortTest, StepsThroughTheFolderInNaturalOrderPassingOverUnreadableFiles) {
  const std::string pics = Folder();
  Start({pics + "/img1.ppm"});
  struct Step {
    const char* how;
    std::string name;
    int width;
  } steps[] = {
      {"NextPictureItem", "img2.ppm", 4}, {"Space", "Img3.PPM", 5},    {"PageDown", "img10.ppm", 6},  // img4 skipped
      {"Space", "img10.ppm", 6},          {"Backspace", "Img3.PPM", 5}, {"PageUp", "img2.ppm", 4},
      {"End", "img10.ppm", 6},            {"Home", "img1.ppm", 3},      {"PrevPictureItem", "img1.ppm", 3},
      {"LastPictureItem", "img10.ppm", 6}, {"FirstPictureItem", "img1.ppm", 3},
  };
  // Page and Home/End keys reach the window because the fitted picture leaves them; Space and Backspace are
  // the items' shortcuts.
  const std::map<std::string, int> keys = {
      {"PageDown", Qt::Key_PageDown}, {"PageUp", Qt::Key_PageUp}, {"Home", Qt::Key_Home}, {"End", Qt::Key_End}};
  for (const Step& s : steps) {
    const std::string how = s.how;
    if (keys.count(how))
      Key(frm->Orvex, keys.at(how));
    else
      Click(how == "Space" ? "NextPictureItem" : how == "Backspace" ? "PrevPictureItem" : how);
    EXPECT_EQ(Name(), s.name) << s.how;
    EXPECT_EQ(Width(), s.width) << s.how;
  }
  EXPECT_TRUE(ui.Boxes.empty());
  EXPECT_EQ(frm->Item("NextPictureItem")->shortcut(), QKeySequence(Qt::Key_Space));
  EXPECT_EQ(frm->Item("PrevPictureItem")->shortcut(), QKeySequence(Qt::Key_Backspace));

  // A picture that appears in the folder is found by the next step.
  Picture("pics/img11.ppm", 7, 2);
  QCoreApplication::processEvents();
  Click("LastPictureItem");
  EXPECT_EQ(Name(), "img11.ppm");
}

TEST_F(TComfortTest, SteppingAsksBeforeReplacingAModifiedPicture) {
  const std::string pics = Folder();
  struct Case {
    TMsgAnswer answer;
    std::string name;
    bool modified;
  } cases[] = {{TMsgAnswer::Cancel, "img2.ppm", true}, {TMsgAnswer::No, "Img3.PPM", false},
               {TMsgAnswer::Yes, "Img3.PPM", false}};
  for (const Case& c : cases) {
    Start({pics + "/img2.ppm"});
    Click("NegativeItem");
    ASSERT_TRUE(frm->ImageModified);
    ui.Boxes.clear();
    ui.Answers = {c.answer};
    Click("NextPictureItem");
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].text, "Save changes in \"img2.ppm\"?");
    EXPECT_EQ(Name(), c.name);
    EXPECT_EQ(frm->ImageModified, c.modified);
  }
  // "Yes" wrote the negative into img2.ppm before moving on.
  Click("PrevPictureItem");
  EXPECT_EQ(Name(), "img2.ppm");
  EXPECT_EQ(Pixel(1, 1), (std::array<int, 3>{255, 255 - 10, 255 - 10}));
}

TEST_F(TComfortTest, ZoomLadderActualSizeAndThePanel) {
  Start({Picture("big.ppm", 1600, 1200)});
  const double fitted = frm->Orvex->ZoomPercent();
  ASSERT_LT(fitted, 100);
  EXPECT_EQ(frm->ZoomPanel()->text(), QString::number(fitted, 'f', 0) + " %");
  while (frm->Orvex->ZoomPercent() < 100) Click("ZoomInItem");
  EXPECT_EQ(frm->Orvex->ZoomPercent(), 100);
  EXPECT_EQ(frm->ZoomPanel()->text(), "100 %");
  Click("ZoomInItem");
  EXPECT_EQ(frm->Orvex->ZoomPercent(), 150);
  Click("ZoomOutItem");
  Click("ZoomOutItem");
  EXPECT_EQ(frm->Orvex->ZoomPercent(), 67);
  Click("ActualSizeItem");
  EXPECT_EQ(frm->Orvex->ZoomPercent(), 100);
  EXPECT_EQ(frm->ZoomPanel()->text(), "100 %");
  const QList<QKeySequence> keys = frm->Item("ActualSizeItem")->shortcuts();
  EXPECT_TRUE(keys.contains(QKeySequence(Qt::CTRL | Qt::Key_0)));
  EXPECT_TRUE(keys.contains(QKeySequence(Qt::Key_1)));

  // The ladder off: the settings' step, as before.
  options.ZoomLadder = false;
  Click("ZoomInItem");
  EXPECT_EQ(frm->Orvex->ZoomPercent(), 110);
}

TEST_F(TComfortTest, SmallPicturesKeepTheirSizeUnlessEnlargingIsOn) {
  Start({Picture("small.ppm", 64, 48)});
  EXPECT_EQ(frm->Orvex->ZoomPercent(), 100);
  Click("EnlargeSmallItem");
  Click("WidthItem");
  EXPECT_GT(frm->Orvex->ZoomPercent(), 500);
  frm->IdleSave();
  EXPECT_TRUE(app::TIniFile(IniPath()).ReadBool("Parameters", "Enlarge small pictures to fit", false));
  // Read back at the next start.
  Start({dir / "small.ppm"});
  EXPECT_GT(frm->Orvex->ZoomPercent(), 500);
}

TEST_F(TComfortTest, ZoomFilterAndTransparencyChoicesAreKept) {
  Start();
  EXPECT_EQ(frm->Orvex->ZoomFilter(), ox::rfLanczos3);
  EXPECT_TRUE(frm->Orvex->DelayZoomFilter);
  EXPECT_TRUE(frm->Orvex->EnableAlphaChannel());
  EXPECT_EQ(frm->Orvex->AlphaBackground(), ox::oxabChessboard);
  Click("ZoomFilter0Item");
  Click("ChessboardItem");
  EXPECT_EQ(frm->Orvex->ZoomFilter(), ox::rfNone);
  EXPECT_EQ(frm->Orvex->AlphaBackground(), ox::oxabBackground);
  frm->IdleSave();
  app::TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadInteger("Parameters", "Zoom Filter", -1), 0);
  EXPECT_FALSE(ini.ReadBool("Parameters", "Transparency over chessboard", true));
  Start();
  EXPECT_EQ(frm->Orvex->ZoomFilter(), ox::rfNone);
  EXPECT_TRUE(frm->Item("ZoomFilter0Item")->isChecked());
  EXPECT_FALSE(frm->Item("ZoomFilter5Item")->isChecked());
  EXPECT_EQ(frm->Orvex->AlphaBackground(), ox::oxabBackground);
}

TEST_F(TComfortTest, UndoLevelsRedoAndTheirCaptions) {
  const std::string pics = Folder();
  Start({pics + "/img10.ppm"});
  EXPECT_EQ(frm->Item("UndoItem")->text(), "Undo");
  EXPECT_EQ(frm->Item("RedoItem")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
  for (int i = 0; i < 10; ++i) Click("NegativeItem");
  Click("RotateLeftItem");
  EXPECT_EQ(frm->Item("UndoItem")->text(), "Undo Rotate");
  Click("UndoItem");
  EXPECT_EQ(Width(), 6);
  EXPECT_EQ(frm->Item("UndoItem")->text(), "Undo Negative");
  EXPECT_EQ(frm->Item("RedoItem")->text(), "Redo Rotate");
  // Ten levels: nine negatives more can be undone, each flipping the picture back once.
  const auto original = std::array<int, 3>{0, 10, 50};  // blue, green, red of pixel (5, 1)
  for (int i = 0; i < 9; ++i) Click("UndoItem");
  EXPECT_NE(Pixel(5, 1), original);  // the first negative is beyond the ten kept
  Click("UndoItem");
  EXPECT_NE(Pixel(5, 1), original);
  for (int i = 0; i < 10; ++i) Click("RedoItem");
  EXPECT_EQ(Height(), 6);  // turned again
  EXPECT_EQ(frm->Item("RedoItem")->text(), "Redo");

  // Another picture starts without the old one's snapshots.
  Click("PrevPictureItem");
  Click("UndoItem");
  EXPECT_EQ(Name(), "Img3.PPM");
  EXPECT_EQ(Width(), 5);
  EXPECT_EQ(frm->Item("UndoItem")->text(), "Undo");

  // Fewer levels from the settings.
  options.UndoLevels = 2;
  Start({pics + "/img10.ppm"});
  for (int i = 0; i < 3; ++i) Click("NegativeItem");
  for (int i = 0; i < 3; ++i) Click("UndoItem");
  EXPECT_NE(Pixel(5, 1), original);  // three negatives, two undone
}
