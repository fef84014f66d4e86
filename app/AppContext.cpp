// TAppContext: the windows created once in the system's order and the modal round trips to them.
#include "app/AppContext.h"

#include <QLineEdit>
#include <QTabWidget>

#include "app/NP.h"
#include "imaging/view/Orvex.h"
#include "windows/ATP.h"
#include "windows/CP.h"
#include "windows/Histogram.h"
#include "windows/RF.h"
#include "windows/SP.h"
#include "windows/Rotate.h"
#include "windows/resres.h"

namespace app {

TAppContext::TAppContext(TAppSetup setup)
    : setup_(std::move(setup)), ownOptions_(setup_.options),
      options_(setup_.lentOptions ? setup_.lentOptions : &ownOptions_) {
  TMainFrmSetup mainSetup;
  mainSetup.services = setup_.services;
  mainSetup.options = options_;
  mainSetup.settingsPath = setup_.settingsPath;
  mainSetup.args = setup_.args;
  mainSetup.startFolder = setup_.startFolder;
  mainSetup.homePage = setup_.homePage;
  mainSetup.recentlyUsedPath = setup_.recentlyUsedPath;
  mainSetup.context = this;
  mainFrm_ = std::make_unique<TMainFrm>(mainSetup);

  TWindowSetup common;
  common.services = setup_.services;
  common.options = options_;
  common.settingsPath = setup_.settingsPath;
  common.owner = mainFrm_.get();
  // The send and thumbnails windows come between the main window and the settings window, which loads the
  // options before the main window is first shown.
  TSetFrmSetup settings;
  static_cast<TWindowSetup&>(settings) = common;
  TMainFrm* main = mainFrm_.get();
  settings.currentFile = [main] { return main->CurrentFile(); };
  settings.applyOptions = [main] { main->ApplySettings(); };
  settings.clearRecent = [main] { main->DeleteRecentItemClick(); };
  settings.clearBookmarks = [main] { main->DeleteAllItemClick(); };
  setFrm_ = std::make_unique<TSetFrm>(settings);
  attrForm_ = std::make_unique<TAttrForm>(TAttrFormSetup{common});
  resizeFrm_ = std::make_unique<TResizeFrm>(TResizeFrmSetup{common});
  rotateFrm_ = std::make_unique<TRotateFrm>(TRotateFrmSetup{common});
  histogramFrm_ = std::make_unique<THistogramFrm>(THistogramFrmSetup{common});
  TBackgroundFrmSetup background{common};
  background.mainView = mainFrm_->Orvex;
  backgroundFrm_ = std::make_unique<TBackgroundFrm>(background);
  favouritesFrm_ = std::make_unique<TFavouritesFrm>(TFavouritesFrmSetup{common});
}

// The dialogs go before the main window that parents them.
TAppContext::~TAppContext() {
  favouritesFrm_.reset();
  backgroundFrm_.reset();
  histogramFrm_.reset();
  rotateFrm_.reset();
  resizeFrm_.reset();
  attrForm_.reset();
  setFrm_.reset();
  mainFrm_.reset();
}

std::optional<TAppContext::TSize> TAppContext::AskNewSize(int width, int height) {
  TResizeFrm& f = *resizeFrm_;
  f.InitialWidth = width;
  f.InitialHeight = height;
  if (RunModal(f) != QDialog::Accepted) return std::nullopt;
  return TSize{f.NewWidth(), f.NewHeight()};
}

std::optional<TAppContext::TTurn> TAppContext::AskTurn(const gfx::TDib& picture) {
  TRotateFrm& f = *rotateFrm_;
  f.SetPicture(picture);
  if (RunModal(f) != QDialog::Accepted) return std::nullopt;
  return TTurn{f.Position(), f.Smoothing()};
}

void TAppContext::ShowHistogram(ox::TOXImageHolder* view) {
  histogramFrm_->Attach(view);
  RunModal(*histogramFrm_);
}

void TAppContext::ShowBackground() { RunModal(*backgroundFrm_); }

void TAppContext::ShowSettings() {
  setFrm_->PageControl->setCurrentIndex(0);
  RunModal(*setFrm_);
}

bool TAppContext::OrganizeBookmarks(std::array<std::string, 30>& list) {
  TFavouritesFrm& f = *favouritesFrm_;
  f.resize(TFavouritesFrm::kClientWidth, TFavouritesFrm::kClientHeight);
  std::vector<std::string> lines;
  for (const std::string& s : list)
    if (!s.empty()) lines.push_back(s);
  f.SetLines(lines);
  if (RunModal(f) != QDialog::Accepted) return false;
  lines = f.Lines();
  for (size_t i = 0; i < list.size(); ++i) list[i] = i < lines.size() ? lines[i] : std::string();
  return true;
}

}  // namespace app
