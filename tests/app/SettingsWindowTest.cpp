// The settings window: every option through its control to the settings file and back, and OK's effects.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"
#include "imaging/view/OrvexView.h"
#include "windows/SP.h"

namespace {

struct TCheckKey {
  int number;
  const char* caption;
  const char* section;
  const char* key;
  bool designed;
};

const char* const kP = "Parameters";
const TCheckKey kChecks[] = {
    {1, "Remember current file for next launch", kP, "Open lats file in new session", true},
    {4, "Ask to Save changes on exit if file change", kP, "Ask to Save changes on exit if file change", true},
    {14, "Enabled Full Screen Mode on opens files", kP, "On open file full screen mode", false},
    {13, "Enabled Full Screen Mode on launch", kP, "On start program full screen mode", false},
    {15, "Hide toolbar", kP, "On full screen mode hide tool bar", true},
    {16, "Hide status bar", kP, "On full screen mode hide status bar", true},
    {25, "Show File Path", kP, "On full screen mode show file path", true},
    {29, "Always on Top", kP, "Switch to \"Always on Top\" on full screen", false},
    {2, "Ask me before Deleting file", kP, "Confirm before remove file", true},
    {3, "Close Vantrel after file delete", kP, "Exit after remove file", false},
    {10, "Confirmation Exit", kP, "Confirm exit", false},
    {17, "Show Preview in Save Image Dialog", kP, "Preview button in Save Image Dialog", false},
    {19, "Auto width when opening a file", kP, "Auto width when opening a file", true},
    {18, "Save Transparent on Exit", kP, "Save transparent on exit", false},
    {12, "Screen Snap", kP, "Screen snap", false},
    {5, "Switching to full screen on pressing F11", kP, "Switching to full screen on pressing F11", true},
    {27, "Exit from full screen on Esc down", kP, "Exit from full screen on Esc down", true},
    {28, "Exit from Vantrel on Esc down", kP, "Exit from Vantrel on Esc down", true},
    {7, "Minimize to tray", kP, "Min to tray", false},
    {8, "Double Click on tray icon to Open Window", kP, "Restore from tray on dbl click", true},
    {9, "Minimize to tray on Close Window", kP, "Min to tray on close", false},
    {6, "Copy open file to Windows Clipboard", kP, "Copy open file to Windows Clipboard", false},
    {11, "Copy open file to home catalog on drag and drop", kP, "Copy open file to home catalog", false},
    {30, "Ask to overwrite file for Save Dialog", kP, "Ask to overwrite file for Save Dialog", true},
    {20, "Animated", "Selection Options", "Animated", true},
    {21, "Sizeable", "Selection Options", "Sizeable", true},
    {22, "Moveable", "Selection Options", "Moveable", true},
    {23, "Filled", "Selection Options", "Filled", false},
    {24, "Cut Borders", "Selection Options", "Cut Borders", false},
    {26, "Show only file name to external editor in main menu", "Set External Editors",
     "Show only file name to external editor in main menu", false},
};

// Shows the window as the user would, runs `act` in it, and closes it the way `act` did (or not at all).
std::function<int(QDialog&)> Drive(std::function<void(app::TSetFrm&)> act) {
  return [act = std::move(act)](QDialog& d) {
    d.setResult(-1);
    d.show();
    act(static_cast<app::TSetFrm&>(d));
    d.hide();
    return d.result();
  };
}

}  // namespace

class TSetFrmTest : public TMainFrmTest {
 protected:
  app::TSetFrm& Frm() { return ctx->SetFrm(); }
  // Opens the window through Tools > "Parameters..." and runs `act` in it.
  void Open(std::function<void(app::TSetFrm&)> act) {
    ctx->RunModal = Drive(std::move(act));
    Click("OptionsItem");
  }
  app::TIniFile File() const { return app::TIniFile(IniPath()); }
};

TEST_F(TSetFrmTest, PagesInOrderAndCheckBoxesWithTheirCaptionsAndDesignedStates) {
  Start();
  app::TSetFrm& f = Frm();
  EXPECT_EQ(f.windowTitle(), "Environment Options");
  const char* pages[] = {"General", "Advanced", "Caption", "Selection Options", "Other"};
  ASSERT_EQ(f.PageControl->count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.PageControl->tabText(i), pages[i]);
  for (const TCheckKey& c : kChecks) {
    ASSERT_NE(f.ch[c.number], nullptr) << c.number;
    EXPECT_EQ(f.ch[c.number]->text(), c.caption);
    EXPECT_EQ(f.ch[c.number]->isChecked(), c.designed) << c.caption;
  }
  EXPECT_TRUE(f.rb[1]->isChecked());
  EXPECT_TRUE(f.rb[5]->isChecked());
  EXPECT_EQ(f.rb[2]->text(), "Vantrel - C:\\Picture\\image.bmp");
  EXPECT_EQ(f.rb[5]->text(), "Picture\\image.bmp - Vantrel");
  EXPECT_EQ(f.TransparentBar->value(), 195);
  EXPECT_EQ(f.ScaleEdit->value(), 10);
  EXPECT_EQ(f.PathColor(), 65280u);
  // No selection until the window is shown; then the defaults are picked.
  EXPECT_EQ(f.StyleMenuBox->currentIndex(), -1);
  Open([](app::TSetFrm& w) {
    EXPECT_EQ(w.DoubleClickAreaBox->currentText(), "None");
    EXPECT_EQ(w.MouseInteractBox->currentText(), "Select");
    EXPECT_EQ(w.StyleMenuBox->currentText(), "System");
    EXPECT_EQ(w.PageControl->currentIndex(), 0);
  });
}

TEST_F(TSetFrmTest, EveryCheckBoxRoundTripsThroughOkAndCancel) {
  Start();
  for (const TCheckKey& c : kChecks) {
    SCOPED_TRACE(c.key);
    // OK writes the flipped state.
    Open([&](app::TSetFrm& f) {
      f.ch[c.number]->setChecked(!c.designed);
      f.OKClick();
    });
    EXPECT_EQ(File().ReadBool(c.section, c.key, c.designed), !c.designed);
    // An edit cancelled comes back from the file.
    Open([&](app::TSetFrm& f) {
      f.ch[c.number]->setChecked(c.designed);
      f.CancelClick();
    });
    EXPECT_EQ(Frm().ch[c.number]->isChecked(), !c.designed);
    EXPECT_EQ(File().ReadBool(c.section, c.key, c.designed), !c.designed);
  }
}

TEST_F(TSetFrmTest, OtherControlsRoundTripAndEveryCloseDiscardsEdits) {
  Start();
  ui.OpenResults = {{"/usr/bin/editor-two"}, {"/usr/bin/chosen-then-cancelled"}};
  ui.ColorResults = {0x0000FF};
  Open([](app::TSetFrm& f) {
    f.TransparentBar->setValue(120);
    f.ScaleEdit->setValue(37);
    f.DoubleClickAreaBox->setCurrentIndex(8);
    f.ColorPathBoxClick();
    f.StyleMenuBox->setCurrentIndex(1);
    f.MouseInteractBox->setCurrentIndex(5);
    f.ExternalEditors[0]->setText("/opt/one");
    f.BrowserClick(1);
    f.ExternalEditors[2]->setText("/opt/three");
    f.rb[3]->setChecked(true);
    f.rb[8]->setChecked(true);
    f.OKClick();
  });
  {
    const app::TIniFile ini = File();
    EXPECT_EQ(ini.ReadInteger("Parameters", "Transparent value", 0), 120);
    EXPECT_EQ(ini.ReadFloat("Parameters", "Increase/Decrease scale", 0), 37.0);
    EXPECT_EQ(ini.ReadInteger("Parameters", "Double click area", -1), 8);
    EXPECT_EQ(ini.ReadInteger("Parameters", "Color label on full screen mode", 0), 255);
    EXPECT_EQ(ini.ReadInteger("Parameters", "Style Menu", -1), 1);
    EXPECT_EQ(ini.ReadInteger("Selection Options", "Mouse Interact", -1), 5);
    EXPECT_EQ(ini.ReadString("Set External Editors", "1", ""), "/opt/one");
    EXPECT_EQ(ini.ReadString("Set External Editors", "2", ""), "/usr/bin/editor-two");
    EXPECT_EQ(ini.ReadString("Set External Editors", "3", ""), "/opt/three");
    const char* captions[] = {"Caption File-Program", "Caption Program-File", "Caption File", "Caption Program"};
    const char* taskBar[] = {"Task Bar File-Program", "Task Bar Program-File", "Task Bar File", "Task Bar Program"};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(ini.ReadBool("Parameters", captions[i], false), i == 2) << captions[i];
      EXPECT_EQ(ini.ReadBool("Parameters", taskBar[i], false), i == 3) << taskBar[i];
    }
  }
  EXPECT_EQ(options.TransparentValue, 120);
  EXPECT_TRUE(options.CaptionFile);

  // Cancel, Esc and the close box each throw every edit away, a path chosen with "Browser" too.
  const std::function<void(app::TSetFrm&)> closes[] = {
      [](app::TSetFrm& f) { f.CancelClick(); },
      [](app::TSetFrm& f) { QTest::keyClick(f.ScaleEdit, Qt::Key_Escape); },
      [](app::TSetFrm& f) { f.close(); },
  };
  for (const auto& close : closes) {
    Open([&](app::TSetFrm& f) {
      f.TransparentBar->setValue(60);
      f.ScaleEdit->setValue(5);
      f.MouseInteractBox->setCurrentIndex(0);
      f.ExternalEditorsClick();
      if (!ui.OpenResults.empty()) f.BrowserClick(0);
      f.rb[1]->setChecked(true);
      close(f);
      EXPECT_FALSE(f.isVisible());
    });
    app::TSetFrm& f = Frm();
    EXPECT_EQ(f.TransparentBar->value(), 120);
    EXPECT_EQ(f.ScaleEdit->value(), 37);
    EXPECT_EQ(f.MouseInteractBox->currentIndex(), 5);
    EXPECT_EQ(f.ExternalEditors[0]->text(), "/opt/one");
    EXPECT_TRUE(f.rb[3]->isChecked());
    EXPECT_FALSE(f.rb[1]->isChecked());
    EXPECT_EQ(options.TransparentValue, 120);
  }
}

TEST_F(TSetFrmTest, TheWindowLoadsTheOptionsAtStart) {
  {
    app::TIniFile ini(IniPath());
    app::TIniUpdate batch(ini);
    ini.WriteInteger("Parameters", "Transparent value", 99);
    ini.WriteBool("Parameters", "Confirm exit", true);
    ini.WriteInteger("Parameters", "Double click area", 42);  // outside the list: no selection
    batch.Finish();
  }
  Start();
  EXPECT_EQ(options.TransparentValue, 99);
  EXPECT_TRUE(options.ConfirmExit);
  EXPECT_EQ(Frm().TransparentBar->value(), 99);
  EXPECT_TRUE(Frm().ch[10]->isChecked());
  Open([](app::TSetFrm& f) { EXPECT_EQ(f.DoubleClickAreaBox->currentIndex(), 0); });
}

TEST_F(TSetFrmTest, OkAppliesTheOptionsGroupAtOnceOnlyWithAFileOpen) {
  options.AskToSaveChangesOnExit = true;
  Start();
  auto edit = [](app::TSetFrm& f) {
    f.rb[2]->setChecked(true);
    f.ch[4]->setChecked(false);
    f.SetPathColor(0xFF0000);  // blue
    f.MouseInteractBox->setCurrentIndex(0);
    f.ch[23]->setChecked(true);
    f.ch[20]->setChecked(false);
    f.StyleMenuBox->setCurrentIndex(0);
    f.OKClick();
  };
  // No file: stored, nothing changes in the main window.
  Open(edit);
  EXPECT_TRUE(options.CaptionProgramFile);
  EXPECT_EQ(frm->windowTitle(), "Vantrel");
  EXPECT_FALSE(frm->CheckChanged().isActive());
  EXPECT_TRUE(frm->menuBar()->styleSheet().isEmpty());

  const std::string a = Picture("a.ppm", 4, 4);
  frm->OpenFile(a, app::kOpenCommandSteps);
  frm->setWindowTitle("stale");
  Open(edit);
  EXPECT_EQ(frm->windowTitle().toStdString(), "Vantrel - " + a);
  EXPECT_TRUE(frm->CheckChanged().isActive());
  EXPECT_EQ(frm->PathLabel()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(frm->Orvex->MouseInteract(), ox::MouseBit(ox::miScroll));
  const ox::TOXSelectionOptions sel = frm->Orvex->SelectionOptions();
  EXPECT_TRUE(sel & ox::SelectionBit(ox::oxsoFilled));
  EXPECT_FALSE(sel & ox::SelectionBit(ox::oxsoAnimated));
  EXPECT_TRUE(sel & ox::SelectionBit(ox::oxsoMoveable));
  EXPECT_FALSE(frm->menuBar()->styleSheet().isEmpty());
}

TEST_F(TSetFrmTest, ClearButtonsActAtOnceEvenWhenCancelled) {
  Start();
  const std::string a = Picture("a.ppm", 4, 4);
  frm->OpenFile(a, app::kOpenCommandSteps);
  Click("AddtoBookmarksItem");
  Open([](app::TSetFrm& f) {
    f.RecentFiles->click();
    f.Bookmarks->click();
    f.CancelClick();
  });
  EXPECT_EQ(frm->RecentList[0], "");
  EXPECT_EQ(frm->BookmarkList[0], "");
  EXPECT_FALSE(frm->Item("ReOpen1Item")->isVisible());
  EXPECT_FALSE(frm->Item("Fav1Item")->isVisible());
}

TEST_F(TSetFrmTest, DeleteQuestionOffGreysCloseAfterDeleteAndKeepsItsMark) {
  Start();
  Open([](app::TSetFrm& f) {
    f.ch[3]->setChecked(true);
    f.ch[2]->setChecked(false);
    EXPECT_FALSE(f.ch[3]->isEnabled());
    EXPECT_TRUE(f.ch[3]->isChecked());
    f.OKClick();
  });
  EXPECT_FALSE(options.ConfirmBeforeRemoveFile);
  EXPECT_TRUE(options.ExitAfterRemoveFile);
  EXPECT_FALSE(Frm().ch[3]->isEnabled());
}

TEST_F(TSetFrmTest, ToolBarDoubleClickAndKeyPOpenTheFirstPage) {
  Start();
  int shown = 0;
  ctx->RunModal = Drive([&](app::TSetFrm& f) {
    ++shown;
    EXPECT_EQ(f.PageControl->currentIndex(), 0);
    f.PageControl->setCurrentIndex(3);
    f.CancelClick();
  });
  QTest::mouseDClick(frm->ToolBar(), Qt::LeftButton, {}, QPoint(frm->ToolBar()->width() - 3, 5));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(frm->Item("OptionsItem")->shortcut(), QKeySequence(Qt::Key_P));
  EXPECT_EQ(frm->Item("OptionsItem")->text(), "Parameters...");
  Click("OptionsItem");
  EXPECT_EQ(shown, 2);
}

TEST_F(TSetFrmTest, ScreenSnapPullsAWindowNearAnEdgeOntoIt) {
  Start();
  ASSERT_NE(frm->screen(), nullptr);
  const QRect area = frm->screen()->availableGeometry();
  frm->move(area.left() + 5, area.top() + 40);
  EXPECT_EQ(frm->frameGeometry().topLeft(), QPoint(area.left() + 5, area.top() + 40));  // off: left alone
  options.ScreenSnap = true;
  frm->move(area.left() + 6, area.top() + 40);
  EXPECT_EQ(frm->frameGeometry().topLeft(), QPoint(area.left(), area.top() + 40));
  frm->move(area.left() + 60, area.top() + 60);
  EXPECT_EQ(frm->frameGeometry().topLeft(), QPoint(area.left() + 60, area.top() + 60));
}
