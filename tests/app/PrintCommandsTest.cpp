// File > "Print...", "Print selection..." and "Preview..." on the printer double.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "AppTestUtil.h"
#include "imaging/dialogs/oxprnform1.h"
#include "imaging/dialogs/oxprnform2.h"
#include "imaging/view/Orvex.h"

namespace {

// Box of the printed page's pixels that are not white.
gfx::TRect InkBox(const gfx::TDib& page) {
  gfx::TRect b{page.Width(), page.Height(), 0, 0};
  for (int y = 0; y < page.Height(); ++y)
    for (int x = 0; x < page.Width(); ++x)
      if (page.GetPixelColor(x, y) != 0xFFFFFF) {
        b.Left = std::min(b.Left, x), b.Top = std::min(b.Top, y);
        b.Right = std::max(b.Right, x + 1), b.Bottom = std::max(b.Bottom, y + 1);
      }
  return b;
}

// Once the dialog is up: "Normal" size at the top left, then OK.
void PrintNormalSizeWhenShown() {
  QTimer::singleShot(0, [] {
    auto* f = dynamic_cast<ox::Tfoxprnform2*>(QApplication::activeModalWidget());
    ASSERT_NE(f, nullptr);
    f->SizeList()->setCurrentIndex(ox::psmNormal);
    f->PositionButton(0)->click();
    f->OkButton()->click();
  });
}

}  // namespace

TEST_F(TMainFrmTest, PrintCommandsOpenTheDialogsOnThePictureOrItsSelection) {
  Start({Picture("p.ppm", 80, 40)});
  frm->Orvex->SetDpi(100, 100);
  printer.Page = {100, 100, 850, 1100};

  Click("PrintSelItem");
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].caption, "Vantrel");
  EXPECT_EQ(ui.Boxes[0].text, "Please select an image region!");
  EXPECT_EQ(ui.Boxes[0].kind, platform::TMsgKind::Information);
  EXPECT_TRUE(printer.Log.empty());

  PrintNormalSizeWhenShown();
  Click("PrintItem");
  ASSERT_EQ(printer.Log.size(), 1u);
  EXPECT_EQ(InkBox(printer.Printed), (gfx::TRect{100, 100, 180, 140}));  // 80 × 40 at 100 dpi, margins 1 inch

  frm->Orvex->SelectionBase = ox::oxsbBitmap;
  frm->Orvex->SelectRect(10, 5, 29, 14, false);
  ASSERT_TRUE(frm->Orvex->HasSelection());
  PrintNormalSizeWhenShown();
  Click("PrintSelItem");
  ASSERT_EQ(printer.Log.size(), 2u);
  const gfx::TRect part = InkBox(printer.Printed);
  EXPECT_EQ(part.Left, 100);
  EXPECT_EQ(part.Top, 100);
  EXPECT_EQ(part.Width(), frm->Orvex->SelX2() - frm->Orvex->SelX1() + 1);
  EXPECT_EQ(part.Height(), frm->Orvex->SelY2() - frm->Orvex->SelY1() + 1);

  QTimer::singleShot(0, [] {
    auto* f = dynamic_cast<ox::tfoxprnform1*>(QApplication::activeModalWidget());
    ASSERT_NE(f, nullptr);
    f->CloseButton()->click();
  });
  Click("PriviewItem");
  EXPECT_EQ(printer.Log.size(), 2u);
  EXPECT_EQ(frm->Item("PrintItem")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  EXPECT_EQ(frm->Item("PrintSelItem")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_P));
}
