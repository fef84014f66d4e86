// tfoxprnform1: the full-window print preview with its tool bar and File menu.
#pragma once

#include "imaging/dialogs/oxprnform.h"

class QAction;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace ox {

class tfoxprnform1 : public TPrintFormBase {
 public:
  tfoxprnform1(TOrvexIO& io, platform::TPrinter& printer, const TPrintDialogOptions& options,
               QWidget* parent = nullptr);

  QToolBar* ToolBar() const { return toolBar_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  QAction* PrintItem() const { return printItem_; }
  QAction* PrintSetupItem() const { return setupItem_; }
  QAction* CloseItem() const { return closeItem_; }
  QToolButton* SetupButton() const { return setupButton_; }
  QToolButton* PrintButton() const { return printButton_; }
  QToolButton* CloseButton() const { return closeButton_; }

 private:
  QToolBar* toolBar_;
  QMenuBar* menuBar_;
  QAction *printItem_, *setupItem_, *closeItem_;
  QToolButton *setupButton_, *printButton_, *closeButton_;
};

}  // namespace ox
