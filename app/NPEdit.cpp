// The main window's picture commands: saving, the Edit menu and the Image menu.
#include <QAction>
#include <QMenu>

#include "app/AppContext.h"
#include "app/FileFilters.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"

namespace app {

std::string TMainFrm::WritePicture(const std::string& path) {
  Orvex->IOComponent().Partial = false;
  return RunIO([&] { Orvex->SaveToFile(path); },
               "Cannot save \"" + path + "\": this format cannot hold the picture, or the file cannot be written.");
}

bool TMainFrm::SaveItemClick() {
  if (currentFile_.empty()) {
    SaveAsItemClick();
    return !ImageModified;
  }
  if (!partialFile_.empty() && partialFile_ == currentFile_) {
    const std::string name = currentFile_.substr(currentFile_.find_last_of('/') + 1);
    if (setup_.services.ui->MessageBox("Vantrel",
                                       "\"" + name + "\" was read only in part. Replace the file with the part "
                                       "shown?",
                                       platform::TMsgButtons::YesNo,
                                       platform::TMsgKind::Warning) != platform::TMsgAnswer::Yes)
      return false;
  }
  const std::string error = WritePicture(currentFile_);
  if (!error.empty()) {
    ReportError(error);
    return false;
  }
  ImageModified = false;
  partialFile_.clear();
  return true;
}

// The saved file becomes the current one, as in every editor, so that a later "Save..." never writes to
// the file the user has left.
void TMainFrm::SaveAsItemClick() {
  std::string path = setup_.services.ui->ChooseFileToSave("Save As", SaveFilter(), currentFile_,
                                                          Options().AskToOverwriteFileForSaveDialog);
  if (path.empty()) return;
  path = AbsolutePath(path);
  const std::string error = WritePicture(path);
  if (!error.empty()) {
    ReportError(error);
    return;
  }
  UpdateCaptions(path);
  AddToRecent();
  ImageModified = false;
  partialFile_.clear();
}

void TMainFrm::BuildEditMenu(QMenu* menu) {
  auto proc = [this](void (ox::TOrvexProc::*op)()) {
    return [this, op] { Busy([this, op] { (Orvex->ProcComponent().*op)(); }); };
  };
  AddItem(menu, "UndoItem", "Undo", Qt::CTRL | Qt::Key_Z, proc(&ox::TOrvexProc::Undo));
  AddItem(menu, "RedoItem", "Redo", Qt::CTRL | Qt::Key_Y, proc(&ox::TOrvexProc::Redo));
  AddItem(menu, "ClearUndoItem", "Clear Undo", {}, proc(&ox::TOrvexProc::ClearUndo));
  connect(menu, &QMenu::aboutToShow, this, [this] { RefreshUndoItems(); });
  menu->addSeparator();
  AddItem(menu, "CutItem", "Cut", Qt::CTRL | Qt::Key_X, proc(&ox::TOrvexProc::SelCutToClip));
  AddItem(menu, "CopyItem", "Copy", Qt::CTRL | Qt::Key_C, proc(&ox::TOrvexProc::CopyToClipboard));
  AddItem(menu, "PasteItem", "Paste", Qt::CTRL | Qt::Key_V, proc(&ox::TOrvexProc::PasteFromClipboard));
  menu->addSeparator();
  QMenu* sel = menu->addMenu("Selected Object");
  AddItem(sel, "SelCopyToClipItem", "Copy", Qt::CTRL | Qt::ALT | Qt::Key_C, proc(&ox::TOrvexProc::CopySelToClip));
  AddItem(sel, "PasteInSelItem", "Paste", Qt::CTRL | Qt::ALT | Qt::Key_V,
          proc(&ox::TOrvexProc::PasteIntoSelection));
  AddItem(sel, "ClearSelItem", "Clear", Qt::CTRL | Qt::ALT | Qt::Key_D, proc(&ox::TOrvexProc::ClearSel));
  AddItem(sel, "CropSelItem", "Crop", Qt::CTRL | Qt::ALT | Qt::Key_S, proc(&ox::TOrvexProc::CropSel));
}

void TMainFrm::FitAfterTurn() {
  if (QAction* a = Item("AutoResizeItem"); a && a->isChecked()) Orvex->ZoomToFit();
}

void TMainFrm::BuildImageMenu(QMenu* menu) {
  auto p = [this]() -> ox::TOrvexProc& { return Orvex->ProcComponent(); };
  // The turning commands fit the picture again afterwards when AutoResize is on.
  auto op = [this](std::function<void()> work, bool turns = false) {
    return [this, work = std::move(work), turns] {
      Busy(work);
      if (turns) FitAfterTurn();
    };
  };
  AddItem(menu, "RotateLeftItem", "Rotate Left", Qt::Key_L, op([p] { p().Rotate(90, true); }, true));
  AddItem(menu, "RotateRightItem", "Rotate Right", Qt::Key_R, op([p] { p().Rotate(-90, true); }, true));
  // V belongs to the thumbnails window once that exists; until then it flips.
  AddItem(menu, "VerticalItem", "Vertical Flip", Qt::Key_V, op([p] { p().Flip(1); }, true));
  AddItem(menu, "HorizomtalItem", "Horizontal Flip", Qt::Key_H, op([p] { p().Flip(0); }, true));
  AddItem(menu, "RotateItem", "Custom/Fine Rotate...", Qt::CTRL | Qt::Key_U, [this] { RotateItemClick(); });
  AddItem(menu, "ChangeSizeItem", "Change Size...", Qt::CTRL | Qt::Key_R, [this] { ChangeSizeItemClick(); });
  menu->addSeparator();
  AddItem(menu, "GrayItem", "Gray", Qt::Key_G, op([p] { p().ConvertToGray(); }));
  AddItem(menu, "NegativeItem", "Negative", Qt::Key_N, op([p] { p().Negative(); }));
  AddItem(menu, "EdgeItem", "Edge", {}, op([p] { p().EdgeDetect(7, 0, true, 0.9, 0.99); }));
  AddItem(menu, "HistogramItem", "Histogram...", Qt::SHIFT | Qt::Key_H, [this] { HistogramItemClick(); });
  menu->addSeparator();
  AddItem(menu, "CenterItem", "By Center", {}, [this] { Orvex->SetCenter(!Orvex->Center()); }, 1);
  AddItem(menu, "WidthItem", "Width", Qt::Key_W, [this] { Orvex->ZoomToFit(); });
  AddItem(menu, "AutoResizeItem", "AutoResize", {}, {}, 1);
  menu->addSeparator();
  AddItem(menu, "ClearItem", "Clear", Qt::CTRL | Qt::Key_Delete, op([p] { p().Clear(); }));
}

// Non-numeric text counts as 0; only a positive size changes the canvas.
void TMainFrm::ChangeSizeItemClick() {
  if (!setup_.context) return;
  const auto size = setup_.context->AskNewSize(Orvex->Picture().Width(), Orvex->Picture().Height());
  if (size && size->width > 0 && size->height > 0)
    Busy([&] { Orvex->ProcComponent().ImageResize(size->width, size->height); });
}

void TMainFrm::RotateItemClick() {
  if (!setup_.context) return;
  if (const auto turn = setup_.context->AskTurn(Orvex->Picture()))
    Busy([&] { Orvex->ProcComponent().Rotate(turn->angle, turn->smoothing); });
}

void TMainFrm::HistogramItemClick() {
  if (setup_.context) setup_.context->ShowHistogram(Orvex);
}

}  // namespace app
