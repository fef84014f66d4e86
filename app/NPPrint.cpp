// The main window's print commands: the print dialog and preview on the view's picture or its selection.
#include <QMenu>

#include "app/NP.h"
#include "imaging/dialogs/oxprnform.h"
#include "imaging/io/oxio.h"
#include "imaging/view/Orvex.h"

namespace app {

void TMainFrm::BuildPrintItems(QMenu* file) {
  AddItem(file, "PriviewItem", "Preview...", {}, [this] { PriviewItemClick(); });
  AddItem(file, "PrintItem", "Print...", Qt::CTRL | Qt::Key_P, [this] { PrintItemClick(); });
  AddItem(file, "PrintSelItem", "Print selection...", Qt::SHIFT | Qt::Key_P, [this] { PrintSelItemClick(); });
}

void TMainFrm::PriviewItemClick() {
  if (Services().printer) ox::ShowPrintDialog(Orvex->IOComponent(), 1, *Services().printer, {}, this);
}

void TMainFrm::PrintItemClick() {
  if (Services().printer) ox::ShowPrintDialog(Orvex->IOComponent(), 0, *Services().printer, {}, this);
}

void TMainFrm::PrintSelItemClick() {
  if (!Orvex->HasSelection()) {
    Services().ui->MessageBox("Vantrel", "Please select an image region!", platform::TMsgButtons::Ok,
                              platform::TMsgKind::Information);
    return;
  }
  if (!Services().printer) return;
  gfx::TDib part;
  Orvex->CopySelectionTo(part);
  ox::TOrvexIO io;
  io.SetAttachedBitmap(&part);
  // The part prints at the picture's own resolution and in the view's dialog language.
  io.Params.DpiX = Orvex->DpiX();
  io.Params.DpiY = Orvex->DpiY();
  io.MsgLanguage = Orvex->IOComponent().MsgLanguage;
  ox::ShowPrintDialog(io, 0, *Services().printer, {}, this);
}

}  // namespace app
