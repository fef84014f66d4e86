// The main window's viewing comfort: stepping through the folder, actual size, the zoom filter, the zoom
// panel, the transparency and fitting toggles, and the undo captions.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>
#include <iterator>

#include "app/MainKeys.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"

namespace app {

namespace {

// The zoom filter chosen in View > "Zoom Filter": a TResampleFilter number.
constexpr const char* kZoomFilterKey = "Zoom Filter";
constexpr int kDefaultZoomFilter = ox::rfLanczos3;
// Captions in TResampleFilter order.
constexpr const char* kFilterCaptions[] = {"None",     "Triangle", "Hermite", "Bell",   "B-Spline",
                                           "Lanczos3", "Mitchell", "Nearest", "Linear", "Fast Linear"};
// Image pixels an arrow key moves (times the zoom's whole factor, as the scroll bars count).
constexpr int kKeyLineStep = 16;

bool Checked(const TMainFrm& f, const char* item) {
  QAction* a = f.Item(item);
  return a && a->isChecked();
}

// "Undo" + " Rotate" for the caption "Rotate 90": the operation without its values.
QString Captioned(const char* command, bool any, const std::string& caption) {
  const std::string op = any ? caption.substr(0, caption.find(' ')) : std::string();
  return QString::fromStdString(op.empty() ? std::string(command) : std::string(command) + " " + op);
}

}  // namespace

void TMainFrm::BuildFolderMenu(QMenu* file) {
  QMenu* folder = file->addMenu("Folder");
  AddItem(folder, "NextPictureItem", "Next Picture", Qt::Key_Space, [this] { StepPicture(TFolderStep::Next); });
  AddItem(folder, "PrevPictureItem", "Previous Picture", Qt::Key_Backspace,
          [this] { StepPicture(TFolderStep::Previous); });
  // Home and End reach these only while the picture fits; otherwise they scroll it.
  AddItem(folder, "FirstPictureItem", "First Picture", {}, [this] { StepPicture(TFolderStep::First); });
  AddItem(folder, "LastPictureItem", "Last Picture", {}, [this] { StepPicture(TFolderStep::Last); });
}

void TMainFrm::BuildComfortViewItems(QMenu* view) {
  QAction* actual = AddItem(view, "ActualSizeItem", "Actual Size", Qt::CTRL | Qt::Key_0, [this] { ActualSizeItemClick(); });
  actual->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_0), QKeySequence(Qt::Key_1)});
  QMenu* filters = view->addMenu("Zoom Filter");
  auto* group = new QActionGroup(this);
  for (int f = 0; f < int(std::size(kFilterCaptions)); ++f) {
    QAction* a = AddItem(filters, "ZoomFilter" + std::to_string(f) + "Item", kFilterCaptions[f], {},
                         [this, f] { SetZoomFilterItem(f); }, f == kDefaultZoomFilter ? 1 : 0);
    group->addAction(a);
    zoomFilterItems_.push_back(a);
  }
  AddItem(view, "EnlargeSmallItem", "Enlarge Small Pictures to Fit", {}, [this] { ApplyComfortOptions(); }, 0);
  AddItem(view, "ChessboardItem", "Transparency over Chessboard", {}, [this] { ApplyComfortOptions(); }, 1);
}

void TMainFrm::BuildZoomPanel() {
  zoomPanel_ = new QLabel(this);
  zoomPanel_->setFrameShape(QFrame::StyledPanel);
  zoomPanel_->setMinimumWidth(60);
  zoomPanel_->setAlignment(Qt::AlignCenter);
  statusBar()->addPermanentWidget(zoomPanel_);
  auto show = [this] {
    const double z = Orvex->ZoomPercent();
    zoomPanel_->setText(QString::number(z, 'f', z < 10 ? 1 : 0) + " %");
  };
  Orvex->OnViewChange = [show](ox::TOrvexView*, int change) {
    if (change == 1) show();
  };
  show();
}

void TMainFrm::ApplyComfortOptions() {
  const ViewerOptions& o = Options();
  Orvex->SetEnableAlphaChannel(true);
  Orvex->SetAlphaBackground(Checked(*this, "ChessboardItem") ? ox::oxabChessboard : ox::oxabBackground);
  Orvex->EnlargeToFit = Checked(*this, "EnlargeSmallItem");
  Orvex->WheelParams.AtCursor = o.WheelZoomAtCursor;
  Orvex->HScrollParams.LineStep = Orvex->VScrollParams.LineStep = kKeyLineStep;
  ox::TOrvexProc& proc = Orvex->ProcComponent();
  proc.UndoSteps = true;
  proc.UndoLimit = std::clamp(o.UndoLevels, 1, 100);
  int filter = kDefaultZoomFilter;
  try {
    filter = int(Ini().ReadInteger(kParameters, kZoomFilterKey, kDefaultZoomFilter));
  } catch (...) {
  }
  if (filter < 0 || filter >= int(std::size(kFilterCaptions))) filter = kDefaultZoomFilter;
  zoomFilterItems_[size_t(filter)]->setChecked(true);
  Orvex->SetZoomFilter(ox::TResampleFilter(filter));
  RefreshUndoItems();
}

void TMainFrm::SetZoomFilterItem(int filter) {
  Orvex->SetZoomFilter(ox::TResampleFilter(filter));
  try {
    Ini().WriteInteger(kParameters, kZoomFilterKey, filter);
  } catch (...) {
    // Chosen again at the next start, as the menu toggles are.
  }
}

void TMainFrm::ActualSizeItemClick() { Orvex->SetZoomPercent(100); }

bool TMainFrm::StepPicture(TFolderStep step) {
  const std::vector<std::string> candidates = folderSteps_.Candidates(currentFile_, step);
  if (candidates.empty()) return false;
  if (!ConfirmReplace()) return false;
  // A file that does not load is passed over for the one after it.
  for (const std::string& path : candidates)
    if (OpenFile(path, kOpenCommandSteps | osQuiet)) return true;
  return false;
}

bool TMainFrm::StepKey(int key) {
  TFolderStep step;
  switch (key) {
    case Qt::Key_PageDown: step = TFolderStep::Next; break;
    case Qt::Key_PageUp: step = TFolderStep::Previous; break;
    case Qt::Key_Home: step = TFolderStep::First; break;
    case Qt::Key_End: step = TFolderStep::Last; break;
    default: return false;
  }
  if (!Orvex->ScrollKey(key)) StepPicture(step);
  return true;
}

void TMainFrm::RefreshUndoItems() {
  const ox::TOrvexProc& proc = Orvex->ProcComponent();
  if (QAction* undo = Item("UndoItem")) undo->setText(Captioned("Undo", proc.UndoCount() > 0, proc.UndoCaption(0)));
  if (QAction* redo = Item("RedoItem")) redo->setText(Captioned("Redo", proc.RedoCount() > 0, proc.RedoCaption()));
}

}  // namespace app
