// Tfoxprnform2: the compact print dialog (margins, position, size, gamma, preview, OK/Cancel/Printer Setup).
#pragma once

#include "imaging/dialogs/oxprnform.h"

class QGroupBox;
class QPushButton;

namespace ox {

class Tfoxprnform2 : public TPrintFormBase {
 public:
  Tfoxprnform2(TOrvexIO& io, platform::TPrinter& printer, const TPrintDialogOptions& options,
               QWidget* parent = nullptr);

  QGroupBox* MarginsGroup() const { return margins_; }
  QGroupBox* PositionGroup() const { return position_; }
  QGroupBox* SizeGroup() const { return size_; }
  QGroupBox* GammaGroup() const { return gamma_; }
  QGroupBox* PreviewGroup() const { return preview_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* SetupButton() const { return setup_; }

 private:
  QGroupBox *margins_, *position_, *size_, *gamma_, *preview_;
  QPushButton *ok_, *cancel_, *setup_;
};

}  // namespace ox
