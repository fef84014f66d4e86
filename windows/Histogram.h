// THistogramFrm ("Histogram"): the histogram of the main picture; channel and style kept between showings.
#pragma once

#include <memory>

#include "windows/SmallDialog.h"
#include "windows/WindowSetup.h"

class QComboBox;

namespace ox {
class THistogramBox;
class TOrvexProc;
class TOXImageHolder;
}  // namespace ox

namespace app {

struct THistogramFrmSetup : TWindowSetup {};

class THistogramFrm : public TSmallDialog {
 public:
  explicit THistogramFrm(const THistogramFrmSetup& setup);
  ~THistogramFrm() override;

  ox::THistogramBox* HistogramBox;
  QComboBox* CannalBox;
  QComboBox* StyleBox;
  // Captioned "Close".
  QPushButton* Cancel;

  // The processing component the caller attaches to its view; the box draws its counts.
  ox::TOrvexProc& OrvexProc() { return *proc_; }
  // Attaches the component to `view` and refreshes the box.
  void Attach(ox::TOXImageHolder* view);

  void CannalBoxChange();
  void StyleBoxChange();

 private:
  std::unique_ptr<ox::TOrvexProc> proc_;
};

}  // namespace app
