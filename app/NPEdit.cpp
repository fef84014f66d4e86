// The main window's picture commands: saving, the Edit menu and the Image menu.
#include <QAction>
#include <QMenu>

#include "app/FileFilters.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"

namespace app {

std::string TMainFrm::WritePicture(const std::string& path) {
  return RunIO([&] { Orvex->SaveToFile(path); },
               "Cannot save \"" + path + "\": this format cannot hold the picture, or the file cannot be written.");
}

bool TMainFrm::SaveItemClick() {
  if (CurrentFile.empty()) {
    SaveAsItemClick();
    return !ImageModified;
  }
  const std::string error = WritePicture(CurrentFile);
  if (!error.empty()) {
    ReportError(error);
    return false;
  }
  ImageModified = false;
  return true;
}

// The chosen name gets the picture; the current file, captions and the modified flag stay as they were.
// With no current file yet, the saved file becomes the current one so that the edits count as saved.
void TMainFrm::SaveAsItemClick() {
  std::string path = setup_.services.ui->ChooseFileToSave("Save As", SaveFilter(), CurrentFile,
                                                          Options().AskToOverwriteFileForSaveDialog);
  if (path.empty()) return;
  path = AbsolutePath(path);
  const std::string error = WritePicture(path);
  if (!error.empty()) {
    ReportError(error);
    return;
  }
  if (CurrentFile.empty()) {
    UpdateCaptions(path);
    AddToRecent();
    ImageModified = false;
  }
}

void TMainFrm::BuildEditMenu(QMenu* menu) {
  auto proc = [this](void (ox::TOrvexProc::*op)()) {
    return [this, op] { (Orvex->ProcComponent().*op)(); };
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
  AddItem(menu, "RotateLeftItem", "Rotate Left", Qt::Key_L, [this, p] {
    p().Rotate(90, true);
    FitAfterTurn();
  });
  AddItem(menu, "RotateRightItem", "Rotate Right", Qt::Key_R, [this, p] {
    p().Rotate(-90, true);
    FitAfterTurn();
  });
  // V belongs to the thumbnails window once that exists; until then it flips.
  AddItem(menu, "VerticalItem", "Vertical Flip", Qt::Key_V, [this, p] {
    p().Flip(1);
    FitAfterTurn();
  });
  AddItem(menu, "HorizomtalItem", "Horizontal Flip", Qt::Key_H, [this, p] {
    p().Flip(0);
    FitAfterTurn();
  });
  menu->addSeparator();
  AddItem(menu, "GrayItem", "Gray", Qt::Key_G, [p] { p().ConvertToGray(); });
  AddItem(menu, "NegativeItem", "Negative", Qt::Key_N, [p] { p().Negative(); });
  AddItem(menu, "EdgeItem", "Edge", {}, [p] { p().EdgeDetect(7, 0, true, 0.9, 0.99); });
  menu->addSeparator();
  AddItem(menu, "CenterItem", "By Center", {}, [this] { Orvex->SetCenter(!Orvex->Center()); }, 1);
  AddItem(menu, "WidthItem", "Width", Qt::Key_W, [this] { Orvex->ZoomToFit(); });
  AddItem(menu, "AutoResizeItem", "AutoResize", {}, {}, 1);
  menu->addSeparator();
  AddItem(menu, "ClearItem", "Clear", Qt::CTRL | Qt::Key_Delete, [p] { p().Clear(); });
}

}  // namespace app
