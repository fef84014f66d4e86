// TAppContext: made once in main(); owns the options and the settings file's path, creates the windows in
// the system's order, and is how the main window reaches the other windows.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/settings/ViewerOptions.h"
#include "platform/Services.h"

namespace gfx {
class TDib;
}
namespace ox {
class TOXImageHolder;
}

namespace app {

class TMainFrm;
class TAttrForm;
class TResizeFrm;
class TRotateFrm;
class THistogramFrm;
class TBackgroundFrm;
class TFavouritesFrm;
class TSetFrm;

struct TAppSetup {
  platform::Services services;
  // The record's values at the start (the program loads the settings window's fields into it).
  ViewerOptions options;
  // Tests keep the record themselves to change options while the windows run; else the context's own.
  ViewerOptions* lentOptions = nullptr;
  std::string settingsPath;
  std::vector<std::string> args;
  std::string startFolder;
  std::string homePage;
  // The desktop's recent list; none when empty.
  std::string recentlyUsedPath;
};

class TAppContext {
 public:
  explicit TAppContext(TAppSetup setup);
  ~TAppContext();
  TAppContext(const TAppContext&) = delete;
  TAppContext& operator=(const TAppContext&) = delete;

  TMainFrm& MainFrm() { return *mainFrm_; }
  TSetFrm& SetFrm() { return *setFrm_; }
  ViewerOptions& Options() { return *options_; }
  const std::string& SettingsPath() const { return setup_.settingsPath; }

  TAttrForm& AttrForm() { return *attrForm_; }
  TResizeFrm& ResizeFrm() { return *resizeFrm_; }
  TRotateFrm& RotateFrm() { return *rotateFrm_; }
  THistogramFrm& HistogramFrm() { return *histogramFrm_; }
  TBackgroundFrm& BackgroundFrm() { return *backgroundFrm_; }
  TFavouritesFrm& FavouritesFrm() { return *favouritesFrm_; }

  // Shows a dialog modally and returns its result; tests put a function in its place that drives it.
  std::function<int(QDialog&)> RunModal = [](QDialog& d) { return d.exec(); };

  // --- what the main window asks of the other windows ---
  struct TSize {
    int width, height;
  };
  // The size dialog on the picture's size; the new size after OK (either may be 0 or negative).
  std::optional<TSize> AskNewSize(int width, int height);
  struct TTurn {
    int angle;
    bool smoothing;
  };
  // The rotate dialog previewing `picture`; the angle and smoothing after OK.
  std::optional<TTurn> AskTurn(const gfx::TDib& picture);
  // The histogram dialog attached to `view`.
  void ShowHistogram(ox::TOXImageHolder* view);
  // The background window, which restyles the main view on OK.
  void ShowBackground();
  // The settings window on its first page.
  void ShowSettings();
  // The bookmark organizer on the non-empty entries of `list`; after OK `list` holds its lines, padded with
  // empty entries; false after Cancel, `list` untouched.
  bool OrganizeBookmarks(std::array<std::string, 30>& list);

 private:
  TAppSetup setup_;
  ViewerOptions ownOptions_;
  ViewerOptions* options_;
  std::unique_ptr<TMainFrm> mainFrm_;
  std::unique_ptr<TSetFrm> setFrm_;
  std::unique_ptr<TAttrForm> attrForm_;
  std::unique_ptr<TResizeFrm> resizeFrm_;
  std::unique_ptr<TRotateFrm> rotateFrm_;
  std::unique_ptr<THistogramFrm> histogramFrm_;
  std::unique_ptr<TBackgroundFrm> backgroundFrm_;
  std::unique_ptr<TFavouritesFrm> favouritesFrm_;
};

}  // namespace app
