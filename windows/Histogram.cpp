// THistogramFrm: the box, the channel and style lists, and the processing component attached by the caller.
#include "windows/Histogram.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "imaging/proc/oxproc.h"
#include "imaging/view/HistogramBox.h"

namespace app {

namespace {

constexpr gfx::TColor kSilver = 0xC0C0C0;

}  // namespace

THistogramFrm::THistogramFrm(const THistogramFrmSetup& setup)
    : TSmallDialog(setup.owner, "Histogram", 345, 245), proc_(std::make_unique<ox::TOrvexProc>()) {
  auto* fr1 = new QFrame(this);
  fr1->setFrameShape(QFrame::StyledPanel);
  fr1->setGeometry(16, 12, 313, 129);
  auto* layout = new QVBoxLayout(fr1);
  layout->setContentsMargins(1, 1, 1, 1);
  HistogramBox = new ox::THistogramBox(fr1);
  HistogramBox->SetBackground(kSilver);
  layout->addWidget(HistogramBox);
  HistogramBox->SetAttachedOrvexProc(proc_.get());

  auto* canalLabel = new QLabel("Canal:", this);
  canalLabel->setGeometry(16, 152, 60, 25);
  CannalBox = new QComboBox(this);
  CannalBox->setGeometry(80, 150, 130, 27);
  CannalBox->addItems({"RGB (Gray)", "Red", "Green", "Blue"});
  auto* styleLabel = new QLabel("Style:", this);
  styleLabel->setGeometry(16, 188, 60, 25);
  StyleBox = new QComboBox(this);
  StyleBox->setGeometry(80, 186, 130, 27);
  StyleBox->addItems({"Bars", "Lines"});
  CannalBox->setCurrentIndex(0);
  StyleBox->setCurrentIndex(0);

  Cancel = new QPushButton("Close", this);
  Cancel->setGeometry(248, 203, 81, 30);
  Cancel->setDefault(true);
  SetCancelButton(Cancel);
  connect(Cancel, &QPushButton::clicked, this, &QDialog::accept);
  connect(CannalBox, &QComboBox::currentIndexChanged, this, [this] { CannalBoxChange(); });
  connect(StyleBox, &QComboBox::currentIndexChanged, this, [this] { StyleBoxChange(); });
}

THistogramFrm::~THistogramFrm() { HistogramBox->SetAttachedOrvexProc(nullptr); }

void THistogramFrm::Attach(ox::TOXImageHolder* view) {
  proc_->SetAttachedOrvex(view);
  HistogramBox->Update();
}

void THistogramFrm::CannalBoxChange() {
  static const ox::THistogramKind kKinds[] = {ox::hkGray, ox::hkRed, ox::hkGreen, ox::hkBlue};
  const int i = CannalBox->currentIndex();
  if (i >= 0 && i < int(std::size(kKinds))) HistogramBox->SetHistogramKind(kKinds[i]);
}

void THistogramFrm::StyleBoxChange() {
  HistogramBox->SetHistogramStyle(StyleBox->currentIndex() == 0 ? ox::hsBars : ox::hsLines);
}

}  // namespace app
