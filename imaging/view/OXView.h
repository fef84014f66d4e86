// TOXView: base window of the image views: background colour, border, resolution, mouse enter/leave, subscribers.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/model/oxmask.h"
#include "imaging/view/OrvexTypes.h"
#include "platform/gfx/Dib.h"
#include "platform/system/SystemInfo.h"

class QPainter;

namespace ox {

class TOXView : public QWidget {
  Q_OBJECT

 public:
  // Called with code 0 when the shown image object changes and with code 1 when the view goes away.
  using TOXSubscriberProc = void (*)(void* subscriber, int code);

  // system: where colours, metrics and the screen resolution come from (the services' one); a Qt backend
  // of the view's own when null.
  explicit TOXView(QWidget* parent = nullptr, const platform::ISystem* system = nullptr);
  ~TOXView() override;

  gfx::TColor Background() const { return background_; }
  virtual void SetBackground(gfx::TColor c);

  TOXBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TOXBorderStyle s);
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool on);
  // Pixels the border takes on each side.
  int BorderWidth() const;

  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  virtual void SetDpiX(int v);
  virtual void SetDpiY(int v);
  virtual void SetDpi(int x, int y);

  virtual gfx::TDib* Image() { return nullptr; }
  virtual TOXMask* AlphaMask() = 0;
  virtual void BeginUpdateBlock() = 0;
  virtual void EndUpdateBlock() = 0;
  virtual void EndUpdateBlockQuiet() = 0;
  virtual void NotifyImageChange() {}

  void Subscribe(TOXSubscriberProc proc, void* subscriber);
  // Removes the first entry with that callback.
  void Unsubscribe(TOXSubscriberProc proc);
  void NotifySubscribers();

  std::function<void(TOXView* sender)> OnMouseEnter, OnMouseLeave;

  const platform::ISystem& System() const { return *system_; }

 protected:
  // The border changed: the derived view lays itself out again.
  virtual void BorderChanged() { update(); }
  void PaintBorder(QPainter& p) const;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  struct TSubscriber {
    TOXSubscriberProc proc;
    void* subscriber;
  };
  std::unique_ptr<platform::ISystem> ownSystem_;
  const platform::ISystem* system_;
  gfx::TColor background_ = platform::SysColorValue(platform::scBtnFace);
  TOXBorderStyle borderStyle_ = bsSingle;
  bool ctl3D_ = true;
  int dpiX_ = 96, dpiY_ = 96;
  std::vector<TSubscriber> subscribers_;
};

}  // namespace ox
