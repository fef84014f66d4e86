// TBackgroundFrm: the style list or the colour chooser, stored by OK and applied to the main view at once.
#include "windows/CP.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <random>

#include "imaging/view/OrvexView.h"
#include "platform/ui/QtColor.h"

namespace app {

const std::array<uint32_t, 16> TBackgroundFrm::kCustomColors = {
    0xB2B2B2, 0xE8BFF9, 0xC1E9B6, 0xCEBFAE, 0x955826, 0xE2E4E7, 0x32C80D, 0xE3C499,
    0xEDEDFA, 0x769276, 0xC5CEE2, 0xB9C6C1, 0x8DEFBE, 0xCED8B8, 0xF5DE81, 0x98CBB4};

namespace {

// The sample's text colour after a choice: a pseudo-random colour value below this bound.
constexpr uint32_t kTextColorBound = 1234567;

}  // namespace

TBackgroundFrm::TBackgroundFrm(const TBackgroundFrmSetup& setup)
    : TSmallDialog(setup.owner, "Background", 305, 238), setup_(setup) {
  auto* fr1 = new QGroupBox("Background Style", this);
  fr1->setGeometry(8, 6, 289, 184);
  QFont bold = font();
  bold.setBold(true);
  tx1 = new QLabel("Unique Color", fr1);
  tx1->setFont(bold);
  tx1->setGeometry(12, 24, 200, 20);
  UniqueColorBox = new QComboBox(fr1);
  UniqueColorBox->setGeometry(12, 46, 265, 27);
  UniqueColorBox->addItems({"oxbsBDiagonal", "oxbsChessboard", "oxbsCropped", "oxbsCropShadow", "oxbsCross",
                            "oxbsDiagCross", "oxbsDiagonals", "oxbsFDiagonal", "oxbsHorizontal", "oxbsSolid",
                            "oxbsVertical"});
  UniqueColorBox->setCurrentIndex(-1);
  ch1 = new QCheckBox("Switching between background style", fr1);
  ch1->setGeometry(12, 80, 265, 22);
  ch1->setChecked(true);
  tx2 = new QLabel("Standard Windows Colors", fr1);
  tx2->setFont(bold);
  tx2->setGeometry(12, 110, 265, 20);
  PreViewColor = new QLineEdit("Color", fr1);
  PreViewColor->setReadOnly(true);
  PreViewColor->setAlignment(Qt::AlignCenter);
  PreViewColor->setFocusPolicy(Qt::NoFocus);
  PreViewColor->setGeometry(12, 134, 170, 30);
  ChooseColor = new QPushButton("Choose", fr1);
  ChooseColor->setGeometry(192, 134, 85, 30);

  AddOkCancel(124, 200, OK, Cancel, false);
  connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
  connect(ChooseColor, &QPushButton::clicked, this, [this] { ChooseColorClick(); });
  connect(ch1, &QCheckBox::toggled, this, [this] { ch1Click(); });

  // FormCreate: the window keeps its settings object until the program ends.
  if (!setup_.settingsPath.empty()) ini_ = std::make_unique<TIniFile>(setup_.settingsPath);
  ReadKeys();
}

void TBackgroundFrm::ReadKeys() {
  ViewerOptions& o = *setup_.options;
  if (ini_) o.LoadBackground(*ini_);
  ch1->setChecked(o.SwitchingOfBackgroundStyle);
  UniqueColorBox->setCurrentIndex(o.UniqueColor >= 0 && o.UniqueColor < ox::kBackgroundStyleCount ? o.UniqueColor
                                                                                                   : -1);
  dialogColor_ = uint32_t(o.BackgroundColor) & 0xFFFFFF;
  SetSample(dialogColor_, uint32_t(o.TextColor) & 0xFFFFFF);
  ch1Click();
}

void TBackgroundFrm::SetSample(uint32_t background, uint32_t text) {
  textColor_ = text;
  QPalette p = PreViewColor->palette();
  p.setColor(QPalette::Base, platform::ToQColor(background));
  p.setColor(QPalette::Text, platform::ToQColor(text));
  PreViewColor->setPalette(p);
}

void TBackgroundFrm::showEvent(QShowEvent* e) {
  if (UniqueColorBox->currentIndex() < 0) UniqueColorBox->setCurrentIndex(ox::kSolidListIndex);
  SetSample(dialogColor_, textColor_);
  ch1Click();
  TSmallDialog::showEvent(e);
}

void TBackgroundFrm::ch1Click() {
  const bool styles = ch1->isChecked();
  UniqueColorBox->setEnabled(styles);
  tx1->setEnabled(styles);
  PreViewColor->setEnabled(!styles);
  ChooseColor->setEnabled(!styles);
  tx2->setEnabled(!styles);
}

void TBackgroundFrm::ChooseColorClick() {
  if (!setup_.services.ui) return;
  const std::optional<uint32_t> chosen = setup_.services.ui->ChooseColor(dialogColor_, kCustomColors);
  if (!chosen) return;
  dialogColor_ = *chosen & 0xFFFFFF;
  static std::mt19937 random{std::random_device{}()};
  SetSample(dialogColor_, std::uniform_int_distribution<uint32_t>(0, kTextColorBound - 1)(random));
}

void TBackgroundFrm::OKClick() {
  ViewerOptions& o = *setup_.options;
  o.SwitchingOfBackgroundStyle = ch1->isChecked();
  o.UniqueColor = UniqueColorBox->currentIndex();
  o.BackgroundColor = int(dialogColor_);
  o.TextColor = int(textColor_);
  if (ox::TOrvexView* view = setup_.mainView) {
    if (!o.SwitchingOfBackgroundStyle) {
      view->SetBackgroundStyle(ox::oxbsSolid);
      view->SetBackground(gfx::TColor(dialogColor_));
    } else if (o.UniqueColor >= 0) {
      view->SetBackgroundStyle(ox::BackgroundStyleOfListIndex(o.UniqueColor));
    }
  }
  try {
    if (ini_) o.SaveBackground(*ini_);
  } catch (const std::exception& e) {
    // The choice is applied; tell the user it will not come back at the next start.
    if (setup_.services.ui)
      setup_.services.ui->MessageBox("Vantrel", e.what(), platform::TMsgButtons::Ok, platform::TMsgKind::Error);
  }
  accept();
}

void TBackgroundFrm::CancelClick() {
  ReadKeys();
  reject();
}

}  // namespace app
