// The two print dialogs offscreen on a printer double: texts, initial values, enabled state, up/down steps,
// the preview following each change, and the print and close commands.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "imaging/dialogs/oxprnform1.h"
#include "imaging/dialogs/oxprnform2.h"
#include "imaging/io/oxio.h"
#include "imaging/io/oxwords.h"
#include "imaging/view/OrvexView.h"
#include "platform/print/PrinterDouble.h"

namespace {

class PrintDialogsTest : public testing::Test {
 protected:
  void SetUp() override {
    picture = gfx::TDib(120, 60, gfx::TPixelFormat::pf24bit);  // black
    io.SetAttachedBitmap(&picture);
    io.MsgLanguage = ox::msEnglish;
    options.ShowMillimetres = 0;
    options.OnPrintError = [this](QWidget*, const std::string& text) { errors.push_back(text); };
  }
  // The page the preview shows now.
  std::vector<uint8_t> PreviewBytes(ox::TPrintFormBase& f) {
    const gfx::TDib& d = f.PreviewView()->Picture();
    return std::vector<uint8_t>(d.ScanLine(d.Height() - 1), d.ScanLine(d.Height() - 1) + d.RowLength() * d.Height());
  }
  void Show(QWidget& w) {
    w.show();
    QApplication::processEvents();
  }

  gfx::TDib picture;
  ox::TOrvexIO io;
  platform::TPrinterDouble printer;
  ox::TPrintDialogOptions options;
  std::vector<std::string> errors;
};

}  // namespace

TEST_F(PrintDialogsTest, CompactDialogStartsFromItsDefaultsWithTheWordTableTexts) {
  ox::Tfoxprnform2 f(io, printer, options);
  Show(f);
  EXPECT_EQ(f.windowTitle(), "Print");
  EXPECT_EQ(f.size(), QSize(664, 356));
  EXPECT_EQ(f.MarginsGroup()->title(), " Margins (inches) ");
  EXPECT_EQ(f.PositionGroup()->title(), " Position ");
  EXPECT_EQ(f.SizeGroup()->title(), " Size ");
  EXPECT_EQ(f.GammaGroup()->title(), " Gamma correction ");
  EXPECT_EQ(f.PreviewGroup()->title(), " Preview ");
  EXPECT_EQ(f.OkButton()->text(), "OK");
  EXPECT_EQ(f.CancelButton()->text(), "Cancel");
  EXPECT_EQ(f.SetupButton()->text(), "Print Setup");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.MarginBox(i)->text(), "1");
  EXPECT_EQ(f.WidthBox()->text(), "6");
  EXPECT_EQ(f.HeightBox()->text(), "4");
  EXPECT_EQ(f.GammaBox()->text(), "1");
  EXPECT_EQ(f.WidthUnit()->text(), "inches");
  ASSERT_EQ(f.SizeList()->count(), 4);
  EXPECT_EQ(f.SizeList()->itemText(0), "Normal");
  EXPECT_EQ(f.SizeList()->itemText(3), "Specified size");
  // The first activation chose "Fit to page" and drew the page.
  EXPECT_EQ(f.SizeList()->currentIndex(), ox::psmFitToPage);
  EXPECT_GE(f.RenderCount(), 1);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(f.PositionButton(i)->isChecked(), i == 4) << i;
  EXPECT_EQ(f.PositionButton(0)->toolTip(), "Top Left");
  // Width and height only for "Specified size".
  for (auto* w : std::initializer_list<QWidget*>{f.WidthBox(), f.HeightBox(), f.WidthUnit(), f.HeightUnit(),
                                                 f.Boxes()[4].Up, f.Boxes()[5].Down})
    EXPECT_FALSE(w->isEnabled());
  f.SizeList()->setCurrentIndex(ox::psmSpecifiedSize);
  EXPECT_TRUE(f.WidthBox()->isEnabled());
  EXPECT_TRUE(f.HeightUnit()->isEnabled());
  EXPECT_TRUE(f.Boxes()[4].Up->isEnabled());
}

TEST_F(PrintDialogsTest, ThePreviewFollowsEachChangeAndTheValuesReadTolerantly) {
  ox::Tfoxprnform2 f(io, printer, options);
  Show(f);
  const gfx::TDib& page = f.PreviewView()->Picture();
  EXPECT_EQ(page.BitsPerPixel(), 24);
  EXPECT_GT(page.Width(), 50);
  // Each change renders again, and the page shows it.
  int step = 0;
  auto changes = [&](const std::function<void()>& change) {
    SCOPED_TRACE(++step);
    const int before = f.RenderCount();
    const auto bytes = PreviewBytes(f);
    change();
    EXPECT_EQ(f.RenderCount(), before + 1);
    EXPECT_NE(PreviewBytes(f), bytes);
  };
  changes([&] { f.MarginBox(0)->setText("2"); });
  changes([&] { f.PositionButton(0)->click(); });
  changes([&] { f.SizeList()->setCurrentIndex(ox::psmStretchToPage); });
  changes([&] { f.MarginBox(3)->setText("0,5"); });
  changes([&] { f.MarginBox(1)->setText("3"); });
  const int renders = f.RenderCount();
  f.Boxes()[1].Up->click();  // a step too small to show at this scale, but read again all the same
  EXPECT_EQ(f.RenderCount(), renders + 1);
  f.SizeList()->setCurrentIndex(ox::psmSpecifiedSize);
  changes([&] { f.WidthBox()->setText("3"); });
  changes([&] {
    printer.OnSetup = [](platform::TPrinterDouble& p) {
      p.Page = {50, 50, 550, 425};  // landscape
      return true;
    };
    f.SetupButton()->click();
  });
  EXPECT_EQ(printer.Log.back(), "setup ok");

  const ox::TPrintLayout l = f.ReadLayout();
  EXPECT_DOUBLE_EQ(l.LeftMargin, 2);
  EXPECT_DOUBLE_EQ(l.TopMargin, 3.01);
  EXPECT_DOUBLE_EQ(l.BottomMargin, 0.5);
  EXPECT_DOUBLE_EQ(l.SpecWidth, 3);
  EXPECT_EQ(l.HorzPos, ox::ppNear);
  EXPECT_EQ(l.VertPos, ox::ppNear);
  EXPECT_EQ(l.SizeMode, ox::psmSpecifiedSize);
  f.WidthBox()->setText("wide");
  f.MarginBox(2)->setText("");
  f.GammaBox()->setText("x");
  EXPECT_DOUBLE_EQ(f.ReadLayout().SpecWidth, 1);
  EXPECT_DOUBLE_EQ(f.ReadLayout().RightMargin, 0);
  EXPECT_DOUBLE_EQ(f.ReadLayout().Gamma, 1);

  // Up and down: 0.01 for lengths, 0.1 for gamma, never below 0.
  f.MarginBox(2)->setText("0");
  f.Boxes()[2].Down->click();
  EXPECT_EQ(f.MarginBox(2)->text(), "0");
  f.Boxes()[2].Up->click();
  f.Boxes()[2].Up->click();
  f.Boxes()[2].Up->click();
  EXPECT_EQ(f.MarginBox(2)->text(), "0.03");
  f.GammaBox()->setText("1");
  f.Boxes()[6].Up->click();
  EXPECT_EQ(f.GammaBox()->text(), "1.1");
}

TEST_F(PrintDialogsTest, CentimetresAndMillimetres) {
  options.MeasureUnit = ox::muCentimeters;
  {
    ox::Tfoxprnform2 f(io, printer, options);
    Show(f);
    EXPECT_EQ(f.MarginsGroup()->title(), " Margins (Cm) ");
    EXPECT_EQ(f.WidthUnit()->text(), "Cm");
    f.MarginBox(0)->setText("2.54");
    EXPECT_DOUBLE_EQ(f.ReadLayout().LeftMargin, 1);
    EXPECT_EQ(f.Boxes()[0].Millimetres, nullptr);  // centimetres need no millimetres beside them
  }
  options.MeasureUnit = ox::muInches;
  options.ShowMillimetres = 1;
  io.MsgLanguage = ox::msGerman;
  ox::Tfoxprnform2 f(io, printer, options);
  Show(f);
  EXPECT_EQ(f.windowTitle().toStdString(), ox::GetWord(91, ox::msGerman));
  ASSERT_NE(f.Boxes()[0].Millimetres, nullptr);
  EXPECT_EQ(f.Boxes()[6].Millimetres, nullptr);  // gamma is no length
  f.MarginBox(0)->setText("2");
  EXPECT_TRUE(f.Boxes()[0].Millimetres->text().contains("50")) << f.Boxes()[0].Millimetres->text().toStdString();
  EXPECT_TRUE(f.Boxes()[0].Millimetres->text().endsWith("mm"));
}

TEST_F(PrintDialogsTest, OkPrintsTheLayoutAndAFailedPrintKeepsTheDialogOpen) {
  ox::Tfoxprnform2 f(io, printer, options);
  Show(f);
  printer.FailPrint = true;
  f.OkButton()->click();
  EXPECT_TRUE(f.isVisible());
  ASSERT_EQ(errors.size(), 1u);
  printer.FailPrint = false;
  f.OkButton()->click();
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(printer.Log.back(), "print 850x1100");
  // Fit to page, centred, margins 1 on letter at 100 dpi: 650 × 325 dots from (100, 387).
  const gfx::TDib& p = printer.Printed;
  EXPECT_EQ(p.GetPixelColor(100, 387), 0u);
  EXPECT_EQ(p.GetPixelColor(749, 711), 0u);
  EXPECT_EQ(p.GetPixelColor(99, 387), 0xFFFFFFu);
  EXPECT_EQ(p.GetPixelColor(750, 711), 0xFFFFFFu);
  EXPECT_EQ(p.GetPixelColor(100, 386), 0xFFFFFFu);
  EXPECT_EQ(p.GetPixelColor(100, 712), 0xFFFFFFu);
}

TEST_F(PrintDialogsTest, FullWindowPreviewHasItsToolBarMenuAndStaysOpenAfterPrinting) {
  ox::tfoxprnform1 f(io, printer, options);
  Show(f);
  EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
  const char* const hints[4] = {"Left Margin", "Top Margin", "Right Margin", "Bottom Margin"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(f.MarginBox(i)->toolTip(), hints[i]);
    EXPECT_EQ(f.MarginBox(i)->text(), "1");
  }
  EXPECT_EQ(f.SizeList()->toolTip(), "Location/size");
  EXPECT_EQ(f.PositionButton(4)->toolTip(), "Center");
  EXPECT_EQ(f.PositionButton(8)->toolTip(), "Bottom Right");
  EXPECT_TRUE(f.PositionButton(4)->isChecked());
  EXPECT_EQ(f.GammaBox()->toolTip(), "Gamma correction");
  EXPECT_EQ(f.SetupButton()->toolTip(), "Print Setup");
  EXPECT_EQ(f.PrintButton()->toolTip(), "Print");
  EXPECT_EQ(f.CloseButton()->text(), "Close");
  EXPECT_FALSE(f.WidthBox()->isEnabled());
  EXPECT_EQ(f.PrintItem()->text(), "Print");
  EXPECT_EQ(f.PrintSetupItem()->text(), "Print Setup");
  EXPECT_EQ(f.CloseItem()->text(), "Close");
  // The view fills the window below the tool bar; the page fits it.
  EXPECT_GT(f.PreviewView()->width(), f.width() / 2);
  const QRect box = f.PreviewView()->ClientRect();
  const gfx::TDib& page = f.PreviewView()->Picture();
  EXPECT_LE(page.Width(), box.width() - 5);
  EXPECT_LE(page.Height(), box.height() - 5);
  // The scale in percent that fits the page with a 5-pixel allowance.
  const double scale = std::min((box.width() - 5) / (850 / 100.0), (box.height() - 5) / (1100 / 100.0)) / 100;
  EXPECT_EQ(page.Width(), int(850 * scale));
  EXPECT_EQ(page.Height(), int(1100 * scale));

  f.PrintButton()->click();
  EXPECT_TRUE(f.isVisible());
  f.PrintItem()->trigger();
  EXPECT_EQ(printer.Log.size(), 2u);
  f.CloseItem()->trigger();
  EXPECT_EQ(f.result(), QDialog::Accepted);
}

TEST_F(PrintDialogsTest, ShowPrintDialogRunsEitherWindowModally) {
  EXPECT_FALSE(ox::ShowPrintDialog(io, 2, printer, options));
  int previewed = 0;
  options.OnIOPreview = [&](ox::TOrvexIO& sender, QDialog&) { previewed += &sender == &io; };
  QTimer::singleShot(0, [] {
    auto* f = dynamic_cast<ox::tfoxprnform1*>(QApplication::activeModalWidget());
    ASSERT_NE(f, nullptr);
    f->CloseButton()->click();
  });
  EXPECT_TRUE(ox::ShowPrintDialog(io, 1, printer, options));
  QTimer::singleShot(0, [] {
    auto* f = dynamic_cast<ox::Tfoxprnform2*>(QApplication::activeModalWidget());
    ASSERT_NE(f, nullptr);
    f->CancelButton()->click();
  });
  EXPECT_FALSE(ox::ShowPrintDialog(io, 0, printer, options));
  EXPECT_EQ(previewed, 2);
  EXPECT_TRUE(printer.Log.empty());
}
