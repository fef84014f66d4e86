// The main window's start, state in the settings file, captions, closing and opening files.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"

using platform::TMsgAnswer;
using testsupport::ReadFile;

TEST_F(TMainFrmTest, FirstStartOpensTheWallpaperAndTheHomePageOnce) {
  desktop.Wallpaper = Picture("wall.ppm", 30, 20);
  Start();
  EXPECT_EQ(frm->pos(), QPoint(100, 100));
  EXPECT_EQ(frm->size(), QSize(777, 600));
  EXPECT_EQ(frm->CurrentFile(), desktop.Wallpaper);
  EXPECT_EQ(Width(), 30);
  EXPECT_EQ(frm->windowTitle().toStdString(), desktop.Wallpaper + " - Vantrel");
  EXPECT_EQ(frm->ApplicationTitle().toStdString(), desktop.Wallpaper + " - Vantrel");
  EXPECT_FALSE(frm->ImageModified);
  QTest::qWait(150);
  ASSERT_EQ(shell.Log.size(), 1u);
  EXPECT_EQ(shell.Log[0], "url file:///usr/share/vantrel/welcome.html");
  frm->IdleSave();
  app::TIniFile ini(IniPath());
  EXPECT_FALSE(ini.ReadBool("Parameters", "Welcome", true));
  EXPECT_EQ(ini.ReadString("Parameters", "Path", ""), desktop.Wallpaper);
  EXPECT_EQ(ini.ReadString("History", "1", ""), desktop.Wallpaper);

  shell.Log.clear();
  Start();
  QTest::qWait(150);
  EXPECT_TRUE(shell.Log.empty());
  EXPECT_FALSE(frm->StartupTimer().isActive());
}

TEST_F(TMainFrmTest, ArgumentIsMadeAbsoluteAndWrittenToPath) {
  options.OpenLatsFileInNewSession = false;
  Picture("a.ppm", 8, 6);
  Picture("b.ppm", 9, 9);
  Start({"a.ppm", "b.ppm"});
  EXPECT_EQ(frm->CurrentFile(), dir / "a.ppm");
  EXPECT_EQ(Width(), 8);
  EXPECT_EQ(app::TIniFile(IniPath()).ReadString("Parameters", "Path", ""), dir / "a.ppm");
  EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(TMainFrmTest, MissingArgumentIsReportedAndSkipsTheRestOfTheFirstShow) {
  options.CaptionFileProgram = false;  // first show would switch the empty radio group back on
  options.AskToSaveChangesOnExit = false;
  Start({"missing.ppm"});
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].caption, "Vantrel");
  EXPECT_NE(ui.Boxes[0].text.find("missing.ppm"), std::string::npos);
  EXPECT_EQ(frm->CurrentFile(), "");
  EXPECT_FALSE(options.CaptionFileProgram);
  EXPECT_FALSE(frm->CheckChanged().isActive());
  EXPECT_EQ(frm->windowTitle(), "Vantrel");
}

TEST_F(TMainFrmTest, MaximizedPlacementKeepsTheNormalKeys) {
  {
    app::TIniFile ini(IniPath());
    ini.BeginUpdate();
    ini.WriteInteger("Position", "Left", 40);
    ini.WriteInteger("Position", "Top", 30);
    ini.WriteInteger("Position", "Width", 500);
    ini.WriteInteger("Position", "Height", 400);
    ini.WriteBool("Position", "Maximized", true);
    ini.WriteBool("Parameters", "Welcome", false);
    ini.EndUpdate();
  }
  Start();
  EXPECT_TRUE(frm->windowState() & Qt::WindowMaximized);
  frm->IdleSave();
  app::TIniFile ini(IniPath());
  EXPECT_TRUE(ini.ReadBool("Position", "Maximized", false));
  EXPECT_EQ(ini.ReadInteger("Position", "Left", 0), 40);
  EXPECT_EQ(ini.ReadInteger("Position", "Width", 0), 500);
  frm->showNormal();
  frm->IdleSave();
  EXPECT_FALSE(app::TIniFile(IniPath()).ReadBool("Position", "Maximized", true));
}

TEST_F(TMainFrmTest, CaptionRadioGroups) {
  struct TCase {
    bool app::ViewerOptions::*caption;
    bool app::ViewerOptions::*taskBar;
    std::string title, iconText;
  };
  const std::string f = "/p/x.png";
  const TCase cases[] = {
      {&app::ViewerOptions::CaptionFileProgram, &app::ViewerOptions::TaskBarProgramFile, f + " - Vantrel",
       "Vantrel - " + f},
      {&app::ViewerOptions::CaptionProgramFile, &app::ViewerOptions::TaskBarFile, "Vantrel - " + f, f},
      {&app::ViewerOptions::CaptionFile, &app::ViewerOptions::TaskBarProgram, f, "Vantrel"},
      {&app::ViewerOptions::CaptionProgram, &app::ViewerOptions::TaskBarFileProgram, "Vantrel", f + " - Vantrel"},
  };
  Start();
  for (const TCase& c : cases) {
    options.CaptionFileProgram = options.CaptionProgramFile = options.CaptionFile = options.CaptionProgram = false;
    options.TaskBarFileProgram = options.TaskBarProgramFile = options.TaskBarFile = options.TaskBarProgram = false;
    options.*c.caption = options.*c.taskBar = true;
    frm->UpdateCaptions(f);
    EXPECT_EQ(frm->windowTitle().toStdString(), c.title);
    EXPECT_EQ(frm->ApplicationTitle().toStdString(), c.iconText);
  }
  // Both groups empty in the file: the first show picks file-program for both.
  options.CaptionFileProgram = options.CaptionProgramFile = options.CaptionFile = options.CaptionProgram = false;
  options.TaskBarFileProgram = options.TaskBarProgramFile = options.TaskBarFile = options.TaskBarProgram = false;
  Start();
  EXPECT_TRUE(options.CaptionFileProgram);
  EXPECT_TRUE(options.TaskBarFileProgram);
}

TEST_F(TMainFrmTest, CloseQuestions) {
  struct TCase {
    bool minToTray, modified, confirmExit;
    std::vector<TMsgAnswer> answers;
    bool closes;
    size_t boxes;
  };
  const TCase cases[] = {
      {false, false, false, {}, true, 0},
      {true, true, true, {}, false, 0},
      {false, true, false, {TMsgAnswer::No}, true, 1},
      {false, true, false, {TMsgAnswer::Cancel}, false, 1},
      {false, true, true, {TMsgAnswer::No}, true, 1},
      {false, false, true, {TMsgAnswer::Yes}, true, 1},
      {false, false, true, {TMsgAnswer::No}, false, 1},
  };
  for (const TCase& c : cases) {
    options.MinToTrayOnClose = c.minToTray;
    options.ConfirmExit = c.confirmExit;
    Start();
    frm->ImageModified = c.modified;
    ui.Boxes.clear();
    ui.Answers.assign(c.answers.begin(), c.answers.end());
    EXPECT_EQ(frm->close(), c.closes);
    EXPECT_EQ(ui.Boxes.size(), c.boxes);
  }
}

TEST_F(TMainFrmTest, CloseWithYesSavesAndClosesOnlyWhenTheSaveWorked) {
  Start({Picture("a.ppm", 4, 4)});
  frm->ImageModified = true;
  ui.Answers = {TMsgAnswer::Yes};
  EXPECT_TRUE(frm->close());
  EXPECT_EQ(ui.Boxes[0].text, "Save changes in \"a.ppm\"?");
  EXPECT_FALSE(frm->ImageModified);

  // A folder by the file's name cannot be replaced: the save fails, the edits are kept and the window stays.
  std::filesystem::create_directory(dir / "b.ppm.d");
  Start();
  frm->UpdateCaptions(dir / "b.ppm.d");
  frm->ImageModified = true;
  ui.Boxes.clear();
  ui.Answers = {TMsgAnswer::Yes};
  EXPECT_FALSE(frm->close());
  EXPECT_TRUE(frm->ImageModified);
  EXPECT_EQ(ui.Boxes.size(), 2u);
}

TEST_F(TMainFrmTest, DropsOpenEveryFileInTurn) {
  options.AskToSaveChangesOnExit = false;
  Start();
  frm->OpenDroppedFiles({Picture("1.ppm", 3, 3), Picture("2.ppm", 4, 4), "3.ppm"});
  // A relative dropped name is taken against the start folder; a missing one is reported.
  EXPECT_EQ(ui.Boxes.size(), 1u);
  Picture("3.ppm", 5, 5);
  frm->OpenDroppedFiles({dir / "3.ppm"});
  EXPECT_EQ(Width(), 5);
  EXPECT_EQ(frm->RecentList[0], dir / "3.ppm");
  EXPECT_EQ(frm->RecentList[1], dir / "2.ppm");
  EXPECT_EQ(frm->RecentList[2], dir / "1.ppm");

  // The same through the window's own drop event (straight to the widget: the application passes drop
  // events on only while a real drag is running).
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir / "1.ppm"))});
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  EXPECT_TRUE(frm->acceptDrops());
  static_cast<QObject*>(frm)->event(&drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(Width(), 3);
  EXPECT_EQ(frm->RecentList[0], dir / "1.ppm");
}

TEST_F(TMainFrmTest, DropOnAModifiedPicture) {
  Start({Picture("a.ppm", 6, 6)});
  const std::string b = Picture("b.ppm", 7, 7);
  frm->ImageModified = true;
  ui.Answers = {TMsgAnswer::Cancel};
  frm->OpenDroppedFiles({b});
  EXPECT_EQ(frm->CurrentFile(), dir / "a.ppm");
  EXPECT_TRUE(frm->ImageModified);

  ui.Answers = {TMsgAnswer::Yes};
  frm->OpenDroppedFiles({b});
  EXPECT_EQ(frm->CurrentFile(), b);
  EXPECT_EQ(Width(), 7);
  EXPECT_FALSE(frm->ImageModified);
}

TEST_F(TMainFrmTest, LongDroppedPathIsUsedWhole) {
  options.AskToSaveChangesOnExit = false;
  Start();
  std::string folder = dir.path.string();
  while (folder.size() < 300) folder += "/" + std::string(40, 'd');
  std::filesystem::create_directories(folder);
  testsupport::WritePpm(folder + "/long.ppm", 5, 3);
  frm->OpenDroppedFiles({folder + "/long.ppm"});
  EXPECT_EQ(frm->CurrentFile(), folder + "/long.ppm");
  EXPECT_EQ(Width(), 5);
}

TEST_F(TMainFrmTest, FailedLoadKeepsThePictureAndTheCurrentFile) {
  Start({Picture("good.ppm", 6, 4, 7)});
  const auto before = Pixel(1, 1);
  struct TCase {
    std::string name, bytes;
  };
  const TCase cases[] = {
      {"bad.png", "\x89PNG\r\n\x1a\nnot really"},
      {"short.ppm", "P6\n100 100\n255\nabc"},
      {"unknown.xyz", "whatever"},
  };
  for (const TCase& c : cases) {
    testsupport::WriteFile(dir / c.name, c.bytes);
    ui.Boxes.clear();
    frm->OpenDroppedFiles({dir / c.name});
    ASSERT_EQ(ui.Boxes.size(), 1u) << c.name;
    EXPECT_EQ(ui.Boxes[0].caption, "Vantrel");
    EXPECT_NE(ui.Boxes[0].text.find(c.name), std::string::npos);
    EXPECT_EQ(frm->CurrentFile(), dir / "good.ppm") << c.name;
    EXPECT_EQ(Width(), 6);
    EXPECT_EQ(Pixel(1, 1), before);
    EXPECT_EQ(frm->RecentList[0], dir / "good.ppm");
  }
}

TEST_F(TMainFrmTest, StatusBarPanels) {
  Start();
  EXPECT_EQ(frm->StatusPanel(1).toStdString(), " / -1 bites");
  const std::string p = Picture("s.ppm", 4, 2);
  frm->OpenFile(p, app::kOpenCommandSteps);
  EXPECT_EQ(frm->StatusPanel(0), "4/2");
  EXPECT_EQ(frm->StatusPanel(1).toStdString(), "s.ppm / " + std::to_string(std::filesystem::file_size(p)) + " bites");
  std::filesystem::create_directory(dir / "folder.png");
  frm->UpdateCaptions(dir / "folder.png");
  EXPECT_EQ(frm->StatusPanel(1).toStdString(), "folder.png / -1 bites");
}

TEST_F(TMainFrmTest, IdleWritesAreOneWriteAndMenuStatesComeBack) {
  Start();
  Click("DragDropItem");
  Click("ScrollBarsItem");
  frm->IdleSave();
  const std::string once = ReadFile(IniPath());
  for (int i = 0; i < 20; ++i) frm->IdleSave();
  EXPECT_EQ(ReadFile(IniPath()), once);
  for (const char* key : {"Image on center window", "Stay on top", "Scroll Bars", "Tool Bar", "Status Bar",
                          "Tranparent", "Auto resize image", "Drag and Drop", "Welcome", "Icons in Menu",
                          "Context Menu"})
    EXPECT_NE(once.find(std::string(key) + "="), std::string::npos) << key;

  Start();
  EXPECT_FALSE(frm->Item("DragDropItem")->isChecked());
  EXPECT_FALSE(frm->acceptDrops());
  EXPECT_TRUE(frm->Item("ScrollBarsItem")->isChecked());
  EXPECT_EQ(frm->Orvex->ScrollBars(), ox::ssBoth);
}

TEST_F(TMainFrmTest, NewInstancesAndReload) {
  const std::string a = Picture("a.ppm", 3, 3), b = Picture("b.ppm", 4, 4);
  Start({a});
  ui.OpenResults = {{b}};
  Click("OpenInNewWindowItem");
  EXPECT_EQ(shell.Log.back(), "instance " + b);
  EXPECT_EQ(frm->CurrentFile(), a);
  Click("NewWindowItem");
  EXPECT_EQ(shell.Log.back(), "instance ");
  Click("OpenFolderItem");
  EXPECT_EQ(shell.Log.back(), "show " + a);

  testsupport::WritePpm(a, 9, 2);
  frm->ImageModified = true;
  Click("ReloadFileItem");
  EXPECT_EQ(Width(), 9);
  EXPECT_FALSE(frm->ImageModified);

  ui.OpenResults = {{b}};
  Click("OpenItem");
  EXPECT_EQ(frm->CurrentFile(), b);
  EXPECT_EQ(ui.Filters.back().substr(0, 13), "All graphics|");
}

TEST_F(TMainFrmTest, RecentAndBookmarkLists) {
  Start();
  const std::string a = Picture("a.ppm", 3, 3), b = Picture("b.ppm", 4, 4);
  frm->OpenFile(a, app::kOpenCommandSteps);
  frm->OpenFile(b, app::kOpenCommandSteps);
  frm->OpenFile(a, app::kOpenCommandSteps);
  EXPECT_EQ(frm->RecentList[0], a);
  EXPECT_EQ(frm->RecentList[1], b);
  EXPECT_EQ(frm->RecentList[2], "");
  EXPECT_TRUE(frm->Item("ReOpen2Item")->isVisible());
  EXPECT_FALSE(frm->Item("ReOpen3Item")->isVisible());
  std::filesystem::remove(b);
  Click("DeleteNotExistsRecentItem");
  EXPECT_EQ(frm->RecentList[0], a);
  EXPECT_EQ(frm->RecentList[1], "");

  Click("AddtoBookmarksItem");
  EXPECT_EQ(frm->BookmarkList[0], a);
  EXPECT_EQ(frm->Item("Fav1Item")->text().toStdString(), a);
  Click("DeleteAllItem");
  EXPECT_EQ(frm->BookmarkList[0], "");
}

TEST_F(TMainFrmTest, DroppedFilesGoToTheHomeCatalogWithoutOverwriting) {
  options.CopyOpenFileToHomeCatalog = true;
  options.AskToSaveChangesOnExit = false;
  std::filesystem::create_directory(dir / "home");
  Start({dir / "home"});  // a folder is no picture: reported at start, and it names the catalog
  ui.Boxes.clear();
  const std::string a = Picture("a.ppm", 3, 3, 1);
  frm->OpenDroppedFiles({a});
  EXPECT_EQ(ReadFile(dir / "home/a.ppm"), ReadFile(a));
  EXPECT_TRUE(ui.Boxes.empty());

  testsupport::WritePpm(a, 4, 4, 2);
  ui.Answers = {TMsgAnswer::No};
  frm->OpenDroppedFiles({a});
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_NE(ReadFile(dir / "home/a.ppm"), ReadFile(a));
  ui.Answers = {TMsgAnswer::Yes};
  frm->OpenDroppedFiles({a});
  EXPECT_EQ(ReadFile(dir / "home/a.ppm"), ReadFile(a));
  // The open command alone never copies.
  frm->OpenFile(Picture("b.ppm", 2, 2), app::kOpenCommandSteps);
  EXPECT_FALSE(std::filesystem::exists(dir / "home/b.ppm"));
}
