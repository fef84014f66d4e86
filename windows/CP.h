// TBackgroundFrm ("Background"): a background style of the view or a plain colour, kept in [Background].
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "app/settings/IniFile.h"
#include "windows/SmallDialog.h"
#include "windows/WindowSetup.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace ox {
class TOrvexView;
}

namespace app {

struct TBackgroundFrmSetup : TWindowSetup {
  // The main window's view, which OK restyles.
  ox::TOrvexView* mainView = nullptr;
};

class TBackgroundFrm : public TSmallDialog {
 public:
  explicit TBackgroundFrm(const TBackgroundFrmSetup& setup);

  // The colour chooser's sixteen custom colours (0x00BBGGRR).
  static const std::array<uint32_t, 16> kCustomColors;

  QLabel* tx1;
  QComboBox* UniqueColorBox;
  QCheckBox* ch1;
  QLabel* tx2;
  QLineEdit* PreViewColor;
  QPushButton* ChooseColor;
  QPushButton* OK;
  QPushButton* Cancel;
  // The colour dialog's colour and the sample's text colour.
  uint32_t DialogColor() const { return dialogColor_; }
  uint32_t TextColor() const { return textColor_; }

  void FormActivate() override {}
  void OKClick();
  void CancelClick();
  void ChooseColorClick();
  void ch1Click();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  // The four keys into the record and the controls (creation and Cancel).
  void ReadKeys();
  void SetSample(uint32_t background, uint32_t text);

  TBackgroundFrmSetup setup_;
  std::unique_ptr<TIniFile> ini_;
  uint32_t dialogColor_ = 0, textColor_ = 0;
};

}  // namespace app
