// The small image dialogs and the background window, offscreen, alone and through the main window's items.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "AppTestUtil.h"
#include "app/settings/IniFile.h"
#include "imaging/proc/oxproc.h"
#include "imaging/view/HistogramBox.h"
#include "platform/gfx/Gray.h"
#include "windows/ATP.h"
#include "windows/CP.h"
#include "windows/Histogram.h"
#include "windows/Rotate.h"
#include "windows/resres.h"

namespace {

// Runs a dialog as the user would: shown (so its activation runs), driven by `act`, closed with `result`.
std::function<int(QDialog&)> Drive(std::function<void(QDialog&)> act, int result = QDialog::Accepted) {
  return [act = std::move(act), result](QDialog& d) {
    d.show();
    act(d);
    d.hide();
    return result;
  };
}

}  // namespace

TEST_F(TMainFrmTest, ChangeSizeKeepsTheAspectRatio) {
  Start();
  app::TResizeFrm& f = ctx->ResizeFrm();
  f.InitialWidth = 640;
  f.InitialHeight = 480;
  f.show();
  EXPECT_EQ(f.WidthEdit->text(), "640");
  EXPECT_EQ(f.HeightEdit->text(), "480");
  struct TCase {
    bool width;  // typed into the width (else the height)
    const char* typed;
    const char* other;
  };
  // 1.5 -> 2, 4.5 -> 4, 7.5 -> 8: halves go to the even neighbour.
  const TCase cases[] = {{true, "800", "600"}, {false, "100", "133"}, {true, "2", "2"}, {true, "6", "4"},
                         {true, "10", "8"},    {true, "abc", "0"},    {false, "", "0"}};
  for (const TCase& c : cases) {
    (c.width ? f.WidthEdit : f.HeightEdit)->setText(c.typed);
    EXPECT_EQ((c.width ? f.HeightEdit : f.WidthEdit)->text(), c.other) << c.typed;
  }
  // Unchecked, the edits are independent; checking again recomputes nothing until one changes.
  f.ch1->setChecked(false);
  f.HeightEdit->setText("480");
  f.WidthEdit->setText("300");
  EXPECT_EQ(f.HeightEdit->text(), "480");
  f.ch1->setChecked(true);
  EXPECT_EQ(f.HeightEdit->text(), "480");
  // Every activation goes back to the initial size and the first filter.
  f.FilterBox->setCurrentIndex(5);
  f.FormActivate();
  EXPECT_EQ(f.WidthEdit->text(), "640");
  EXPECT_EQ(f.HeightEdit->text(), "480");
  EXPECT_EQ(f.FilterBox->currentIndex(), 0);
  EXPECT_EQ(f.FilterBox->count(), 7);
  // A zero initial size has no ratio: nothing is divided by it.
  f.InitialWidth = 0;
  f.InitialHeight = 0;
  f.FormActivate();
  f.WidthEdit->setText("50");
  f.HeightEdit->setText("70");
  EXPECT_EQ(f.WidthEdit->text(), "50");
  // Esc cancels.
  f.show();
  QTest::keyClick(f.WidthEdit, Qt::Key_Escape);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.result(), QDialog::Rejected);
}

TEST_F(TMainFrmTest, ChangeSizeItemResizesTheCanvasWithUndo) {
  options.AutoWidthWhenOpeningFile = false;
  Start({Picture("p.ppm", 64, 48)});
  struct TCase {
    const char* width;
    int result;
    int w, h;  // the picture afterwards
  };
  const TCase cases[] = {{"32", QDialog::Accepted, 32, 24},
                         {"0", QDialog::Accepted, 64, 48},
                         {"x", QDialog::Accepted, 64, 48},
                         {"32", QDialog::Rejected, 64, 48}};
  for (const TCase& c : cases) {
    ctx->RunModal = Drive([&](QDialog&) { ctx->ResizeFrm().WidthEdit->setText(c.width); }, c.result);
    Click("ChangeSizeItem");
    EXPECT_EQ(Width(), c.w) << c.width;
    EXPECT_EQ(Height(), c.h) << c.width;
    if (Width() != 64) Click("UndoItem");
    EXPECT_EQ(Width(), 64);
  }
  EXPECT_EQ(frm->Item("ChangeSizeItem")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
}

TEST_F(TMainFrmTest, RotateFiltersKeysAndPreviewsEachPicture) {
  options.AutoWidthWhenOpeningFile = false;
  Start({Picture("p.ppm", 40, 20)});
  app::TRotateFrm& f = ctx->RotateFrm();
  f.SetPicture(frm->Orvex->Picture());
  f.show();
  f.CornerEdit->clear();
  QTest::keyClicks(f.CornerEdit, "12a");
  EXPECT_EQ(f.CornerEdit->text(), "12");
  EXPECT_EQ(f.Position(), 12);
  // Pasted text can still bring other characters: the preview counts it as 0, the position stays.
  f.CornerEdit->setText("1x");
  EXPECT_EQ(f.Position(), 12);
  EXPECT_EQ(f.OrvexView->Picture().Width(), 40);
  f.hide();

  // A first run ending at 90 degrees turns the main picture, with undo.
  ctx->RunModal = Drive([&](QDialog&) {
    EXPECT_EQ(f.Position(), 0);
    f.CornerEdit->setText("90");
    EXPECT_EQ(f.OrvexView->Picture().Width(), 20);  // the live preview
  });
  Click("RotateItem");
  EXPECT_EQ(Width(), 20);
  EXPECT_EQ(Height(), 40);
  EXPECT_EQ(frm->Orvex->ProcComponent().UndoCount(), 1);
  Click("UndoItem");
  EXPECT_EQ(Width(), 40);

  // The next showing, for another picture, previews it unturned; a large one is previewed reduced.
  frm->OpenFile(Picture("q.ppm", 1000, 500), app::kOpenCommandSteps);
  ctx->RunModal = Drive([&](QDialog&) {
    EXPECT_EQ(f.CornerEdit->text(), "0");
    EXPECT_FALSE(f.Smoothing());
    EXPECT_EQ(f.OrvexView->Picture().Width(), 281);
    EXPECT_EQ(f.OrvexView->Picture().Height(), 140);
  }, QDialog::Rejected);
  Click("RotateItem");
  EXPECT_EQ(Width(), 1000);
}

TEST_F(TMainFrmTest, HistogramCountsKeptChannelAndStyle) {
  options.AutoWidthWhenOpeningFile = false;
  Start({Picture("p.ppm", 7, 5, 200)});
  // Against a direct count of the picture's pixels.
  ox::THistogram direct;
  const gfx::TDib& pic = frm->Orvex->Picture();
  for (int y = 0; y < pic.Height(); ++y)
    for (int x = 0; x < pic.Width(); ++x) {
      const uint8_t* p = pic.ScanLine(y) + 3 * x;
      ++direct.Blue[p[0]], ++direct.Green[p[1]], ++direct.Red[p[2]], ++direct.Gray[gfx::GrayOfBgr(p)];
    }
  app::THistogramFrm& f = ctx->HistogramFrm();
  ctx->RunModal = Drive([&](QDialog&) {
    f.CannalBox->setCurrentIndex(2);
    f.StyleBox->setCurrentIndex(1);
  });
  Click("HistogramItem");
  const ox::THistogram& counts = f.HistogramBox->Counts();
  EXPECT_EQ(counts.Red, direct.Red);
  EXPECT_EQ(counts.Green, direct.Green);
  EXPECT_EQ(counts.Blue, direct.Blue);
  EXPECT_EQ(counts.Gray, direct.Gray);
  ctx->RunModal = Drive([&](QDialog&) {});
  Click("HistogramItem");
  EXPECT_EQ(f.CannalBox->currentIndex(), 2);
  EXPECT_EQ(f.HistogramBox->HistogramKind(), ox::hkGreen);
  EXPECT_EQ(f.HistogramBox->HistogramStyle(), ox::hsLines);
}

TEST(HistogramBoxTest, WhitePictureDrawsOneFullBarAtTheRightEnd) {
  gfx::TDib white(4, 3, gfx::TPixelFormat::pf24bit);
  for (int y = 0; y < 3; ++y) std::fill_n(white.ScanLine(y), 12, uint8_t(255));
  ox::TOrvexProc proc;
  proc.SetTarget(&white);
  ox::THistogramBox box;
  box.resize(256, 100);
  box.SetLabels(0);
  box.SetCompBar(false);
  box.SetBackground(0xFFFFFF);
  box.SetAttachedOrvexProc(&proc);
  const QImage& img = box.Image();
  EXPECT_EQ(img.pixel(255, 0), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(255, 99), qRgb(0, 0, 0));
  // Empty levels leave only the bottom row of their column.
  EXPECT_EQ(img.pixel(254, 98), qRgb(255, 255, 255));
  // Without a component only the background is drawn.
  box.SetAttachedOrvexProc(nullptr);
  EXPECT_EQ(box.Image().pixel(255, 0), qRgb(255, 255, 255));
}

TEST_F(TMainFrmTest, BackgroundChoicesReachViewAndFileAndComeBack) {
  Start();
  app::TBackgroundFrm& f = ctx->BackgroundFrm();
  // First run: the solid style shown, the style switch on, black.
  ctx->RunModal = Drive([&](QDialog&) {
    EXPECT_EQ(f.UniqueColorBox->currentText(), "oxbsSolid");
    EXPECT_TRUE(f.ch1->isChecked());
    EXPECT_FALSE(f.ChooseColor->isEnabled());
    f.ch1->setChecked(false);
    EXPECT_TRUE(f.ChooseColor->isEnabled());
    ui.ColorResults.push_back(0x123456);
    f.ChooseColorClick();
    f.OKClick();
  });
  Click("BackgroundItem");
  ASSERT_EQ(ui.ColorCustoms.size(), 1u);
  EXPECT_EQ(ui.ColorCustoms[0], app::TBackgroundFrm::kCustomColors);
  EXPECT_EQ(ui.ColorCustoms[0][0], 0xB2B2B2u);
  EXPECT_EQ(frm->Orvex->BackgroundStyle(), ox::oxbsSolid);
  EXPECT_EQ(frm->Orvex->Background(), 0x123456u);
  EXPECT_LT(f.TextColor(), 1234567u);
  {
    app::TIniFile ini(IniPath());
    EXPECT_EQ(ini.ReadInteger("Background", "Background color", -1), 0x123456);
    EXPECT_FALSE(ini.ReadBool("Background", "Switching of background style", true));
  }
  // The next start applies the colour at the first show.
  options = app::ViewerOptions{};
  Start();
  EXPECT_EQ(frm->Orvex->Background(), 0x123456u);
  EXPECT_FALSE(options.SwitchingOfBackgroundStyle);

  // With the styles on, OK changes the style only; the colour stays.
  ctx->RunModal = Drive([&](QDialog&) {
    ctx->BackgroundFrm().ch1->setChecked(true);
    ctx->BackgroundFrm().UniqueColorBox->setCurrentIndex(1);
    ctx->BackgroundFrm().OKClick();
  });
  Click("BackgroundItem");
  EXPECT_EQ(frm->Orvex->BackgroundStyle(), ox::oxbsChessboard);
  EXPECT_EQ(frm->Orvex->Background(), 0x123456u);
  options = app::ViewerOptions{};
  Start();
  EXPECT_EQ(frm->Orvex->BackgroundStyle(), ox::oxbsChessboard);

  // Cancel reads the stored choice back into the controls; Esc and the close box keep the change.
  ctx->BackgroundFrm().UniqueColorBox->setCurrentIndex(4);
  ctx->BackgroundFrm().CancelClick();
  EXPECT_EQ(ctx->BackgroundFrm().UniqueColorBox->currentIndex(), 1);
}

TEST_F(TMainFrmTest, StoredStyleIndexOutOfRangeSelectsSolid) {
  for (const char* stored : {"42", "-7", "11"}) {
    {
      app::TIniFile ini(IniPath());
      ini.WriteInteger("Background", "Unique Color", std::stoll(stored));
      ini.WriteInteger("Background", "Background color", 0x7FFFFFFF);
    }
    options = app::ViewerOptions{};
    Start();
    EXPECT_EQ(options.UniqueColor, -1) << stored;
    EXPECT_EQ(options.BackgroundColor, 0) << stored;
    frm->Orvex->SetBackgroundStyle(ox::oxbsCross);
    ctx->BackgroundFrm().show();
    EXPECT_EQ(ctx->BackgroundFrm().UniqueColorBox->currentIndex(), 9) << stored;
    ctx->BackgroundFrm().OKClick();
    EXPECT_EQ(frm->Orvex->BackgroundStyle(), ox::oxbsSolid) << stored;
  }
}

TEST_F(TMainFrmTest, InformationShowsNamesAndLinuxAttributes) {
  Start();
  const std::string hidden = Picture(".hidden.ppm", 2, 2), plain = Picture("plain.ppm", 2, 2);
  std::filesystem::permissions(hidden, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  app::TAttrForm& f = ctx->AttrForm();
  f.ShowFile(hidden);
  EXPECT_EQ(f.PathEd->text().toStdString(), ".hidden.ppm");
  EXPECT_EQ(f.PathNameEd->text().toStdString(), hidden);
  EXPECT_EQ(f.DirParh->text().toStdString(), dir.path.string() + "/");
  EXPECT_TRUE(f.ChReadOnly->isChecked());
  EXPECT_TRUE(f.ChHidden->isChecked());
  EXPECT_FALSE(f.ChArchive->isEnabled());
  EXPECT_FALSE(f.ChSystem->isEnabled());
  EXPECT_TRUE(f.ChReadOnly->isEnabled());
  EXPECT_FALSE(f.SizeEd->text().isEmpty());
  f.ShowFile(plain);
  EXPECT_FALSE(f.ChReadOnly->isChecked());
  EXPECT_FALSE(f.ChHidden->isChecked());
  std::filesystem::permissions(hidden, std::filesystem::perms::owner_all);
}
