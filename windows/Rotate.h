// TRotateFrm ("Rotate"): an angle from -359 to 359 degrees with a live preview of the turned picture.
#pragma once

#include "platform/gfx/Dib.h"
#include "windows/SmallDialog.h"
#include "windows/WindowSetup.h"

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace ox {
class TOrvex;
}

namespace app {

struct TRotateFrmSetup : TWindowSetup {};

class TRotateFrm : public TSmallDialog {
 public:
  explicit TRotateFrm(const TRotateFrmSetup& setup);

  static constexpr int kMinAngle = -359, kMaxAngle = 359;

  ox::TOrvex* OrvexView;
  QLineEdit* CornerEdit;
  QToolButton* Up;
  QToolButton* Down;
  QCheckBox* ch1;
  QPushButton* OK;
  QPushButton* Cancel;

  // The picture of this showing; the preview turns a copy reduced to its own size, so typing stays instant.
  void SetPicture(const gfx::TDib& picture);
  // The up-down position: follows the edit while it holds a whole number in range.
  int Position() const { return position_; }
  void SetPosition(int degrees);
  bool Smoothing() const;

  void FormActivate() override;
  void CornerEditChange();

 protected:
  // CornerEditKeyPress: only backspace, "+", "-" and digits reach the edit.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  gfx::TDib source_;
  int position_ = 0;
};

}  // namespace app
