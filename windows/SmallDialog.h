// TSmallDialog: what the small modal dialogs share: fixed size, centred on the main window, Esc cancels.
#pragma once

#include <QDialog>

class QPushButton;

namespace app {

class TSmallDialog : public QDialog {
 public:
  TSmallDialog(QWidget* owner, const QString& caption, int width, int height);

  // Every activation: the first showing and each return to the dialog while it is open.
  virtual void FormActivate() {}
  // The button that gets the focus when the dialog closes.
  void SetCancelButton(QPushButton* b) { cancelButton_ = b; }
  // "OK" (the default button) and "Cancel" side by side from (x, y); the Cancel button is the one above.
  // With `closes` they accept and reject the dialog; else their owner connects them.
  void AddOkCancel(int x, int y, QPushButton*& ok, QPushButton*& cancel, bool closes = true);

  // Window opacity 240 of 255 while shown (a no-op without a compositor).
  static constexpr double kOpacity = 240.0 / 255.0;

 protected:
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  void done(int result) override;

 private:
  QPushButton* cancelButton_ = nullptr;
  bool activatedOnce_ = false;
};

// The integer in `text`, 0 when it is not one.
int IntOf(const QString& text);

}  // namespace app
