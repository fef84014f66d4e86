// Opening files in the main window: the open sequence, its commands, drops and further instances.
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include "app/FileFilters.h"
#include "app/NP.h"
#include "imaging/view/Orvex.h"
#include "platform/fs/FileCopy.h"

namespace app {

std::string TMainFrm::AbsolutePath(const std::string& path) const {
  if (path.empty() || path.front() == '/') return path;
  QString base = setup_.startFolder.empty() ? QDir::currentPath() : QString::fromStdString(setup_.startFolder);
  return QDir::cleanPath(QDir(base).absoluteFilePath(QString::fromStdString(path))).toStdString();
}

std::string TMainFrm::RunIO(const std::function<void()>& op, const std::string& failure) {
  TProgressScope scope(*progress_);
  try {
    op();
  } catch (const std::exception& e) {
    return e.what();
  }
  // A picture whose data ended after some rows is shown: the caller tells the user.
  const ox::TOrvexIO& io = Orvex->IOComponent();
  return io.Aborted && !io.Partial ? failure : std::string();
}

bool TMainFrm::OpenFile(const std::string& path, unsigned steps) {
  const std::string previous = currentFile_;
  currentFile_ = path;
  bool partial = false;
  if (steps & osLoad) {
    // A failed load may have left part of the new picture behind; the previous one stays on screen, so
    // that nothing ever saves a half-read picture over the file it came from.
    const bool wasModified = ImageModified;
    gfx::TDib keepPicture = Orvex->Picture();
    ox::TOXMask keepAlpha = *Orvex->AlphaMask();
    const gfx::TColor keepBackground = Orvex->Background();
    // A GIF's or PNG's own background belongs to that picture only: every load starts from the user's.
    Orvex->SetBackground(gfx::TColor(Options().BackgroundColor));
    Orvex->IOComponent().Partial = false;
    std::string error = RunIO([&] { Orvex->LoadFromFile(currentFile_); },
                              "Cannot load \"" + path + "\": the file is damaged or its format is not known.");
    // The codec's own reason says which: what is damaged, or what this program does not read.
    if (const ox::TCodecFailure& why = Orvex->IOComponent().Failure; !error.empty() && why)
      error = "Cannot load \"" + path + "\": " + why.Text + ".";
    if (!error.empty()) {
      currentFile_ = previous;
      Orvex->Picture() = std::move(keepPicture);
      *Orvex->AlphaMask() = std::move(keepAlpha);
      Orvex->SetBackground(keepBackground);
      Orvex->HolderImageChanged();
      ImageModified = wasModified;
      if (!(steps & osQuiet)) ReportError(error);
      return false;
    }
    partial = Orvex->IOComponent().Partial;
    partialFile_ = partial ? currentFile_ : std::string();
    // The snapshots belong to the picture that was replaced: undoing into another file's window loses data.
    Orvex->ProcComponent().ClearAllUndo();
    RefreshUndoItems();
  }
  const ViewerOptions& o = Options();
  if (steps & osCaptions) UpdateCaptions(currentFile_);
  if (steps & osRecent) AddToRecent();
  if ((steps & osClipboard) && o.CopyOpenFileToClipboard) CopyFileToClipboard(currentFile_);
  if ((steps & osHomeCatalog) && o.CopyOpenFileToHomeCatalog) CopyToHomeCatalog();
  if ((steps & osFit) && o.AutoWidthWhenOpeningFile) Orvex->ZoomToFit();
  if (steps & osClearModified) ImageModified = false;
  if ((steps & osFullScreen) && o.OnOpenFileFullScreen && !fullScreenActive_) ToggleFullScreen();
  if (partial) {
    // At start-up the window is not on screen yet: the notice waits until it is, so it has the picture behind.
    if (!inFirstShow_)
      ReportPartial(currentFile_);
    else
      QTimer::singleShot(0, this, [this, file = currentFile_] { ReportPartial(file); });
  }
  return true;
}

void TMainFrm::ReportPartial(const std::string& path) {
  setup_.services.ui->MessageBox("Vantrel",
                                 "\"" + path + "\" is incomplete: the picture ends where its data ends, and only "
                                 "that part is shown.",
                                 platform::TMsgButtons::Ok, platform::TMsgKind::Warning);
}

void TMainFrm::OpenItemClick() {
  std::vector<std::string> chosen =
      setup_.services.ui->ChooseFilesToOpen("Open", OpenFilter(), currentFile_, false);
  if (chosen.empty() || chosen.front().empty()) return;
  if (!ConfirmReplace()) return;
  OpenFile(chosen.front(), kOpenCommandSteps);
}

void TMainFrm::OpenInNewWindowItemClick() {
  std::vector<std::string> chosen =
      setup_.services.ui->ChooseFilesToOpen("Open in new Window", OpenFilter(), currentFile_, false);
  if (chosen.empty() || chosen.front().empty()) return;
  setup_.services.shell->StartNewInstance({chosen.front()});
}

void TMainFrm::NewWindowItemClick() { setup_.services.shell->StartNewInstance({""}); }

void TMainFrm::ReloadFileItemClick() {
  if (!ConfirmReplace()) return;
  if (currentFile_.empty()) {
    UpdateCaptions(currentFile_);
    ImageModified = false;
    return;
  }
  OpenFile(currentFile_, kReloadSteps);
}

// The recent list is left as it is.
void TMainFrm::ShowDesktopImageItemClick() {
  if (!ConfirmReplace()) return;
  const std::string path = setup_.services.desktop ? setup_.services.desktop->ReadWallpaper() : std::string();
  if (path.empty()) {
    UpdateCaptions(path);
    ImageModified = false;
    return;
  }
  OpenFile(path, kDesktopImageSteps);
}

void TMainFrm::OpenFolderItemClick() {
  if (!currentFile_.empty()) setup_.services.shell->ShowInFolder(currentFile_);
}

void TMainFrm::DragDropItemClick() { setAcceptDrops(Item("DragDropItem")->isChecked()); }

void TMainFrm::dragEnterEvent(QDragEnterEvent* e) {
  if (acceptDrops() && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TMainFrm::dropEvent(QDropEvent* e) {
  std::vector<std::string> paths;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  if (paths.empty()) return;
  e->acceptProposedAction();
  OpenDroppedFiles(paths);
}

void TMainFrm::OpenDroppedFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    // Only the first file can meet a modified picture: every open clears the flag.
    if (Options().AskToSaveChangesOnExit && ImageModified && !AskToSaveChanges()) return;
    OpenFile(AbsolutePath(path), kDropSteps);
  }
}

// The home catalog is the folder named by the program's own first argument when that is a folder, else the
// user's pictures folder. Only into an existing folder, and never over a file without asking.
void TMainFrm::CopyToHomeCatalog() {
  QString folder;
  if (!setup_.args.empty() && QFileInfo(QString::fromStdString(AbsolutePath(setup_.args.front()))).isDir())
    folder = QString::fromStdString(AbsolutePath(setup_.args.front()));
  else
    folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
  QFileInfo source(QString::fromStdString(currentFile_));
  QString target = QDir(folder).filePath(source.fileName());
  if (QFileInfo(target).absoluteFilePath() == source.absoluteFilePath()) return;
  if (QFileInfo::exists(target)) {
    const std::string question = QString("\"%1\" already exists. Replace it?").arg(target).toStdString();
    if (setup_.services.ui->MessageBox("Vantrel", question, platform::TMsgButtons::YesNo,
                                       platform::TMsgKind::Question) != platform::TMsgAnswer::Yes)
      return;
  }
  if (!platform::CopyFileReplacing(source.absoluteFilePath().toStdString(), target.toStdString()))
    ReportError("Cannot copy \"" + currentFile_ + "\" to \"" + folder.toStdString() + "\".");
}

void TMainFrm::CopyFileToClipboard(const std::string& path) {
  if (setup_.services.clipboard && !path.empty()) setup_.services.clipboard->SetFiles({path}, false);
}

QString TMainFrm::StatusPanel(int index) const {
  if (index == 0) {
    const gfx::TDib& picture = Orvex->Picture();
    return QString("%1/%2").arg(picture.Width()).arg(picture.Height());
  }
  int32_t size = -1;
  if (!currentFile_.empty() && setup_.services.fs) {
    platform::TFileFacts facts = setup_.services.fs->Stat(currentFile_);
    if (facts.Exists && !facts.IsFolder) size = int32_t(uint32_t(uint64_t(facts.Size) & 0xFFFFFFFFu));
  }
  const std::string name = currentFile_.substr(currentFile_.find_last_of('/') + 1);
  return QString::fromStdString(name) + " / " + QString::number(size) + " bites";
}

}  // namespace app
