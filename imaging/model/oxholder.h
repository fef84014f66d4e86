// TOXImageHolder: what the I/O and processing components need of the control that shows their picture.
#pragma once

#include <algorithm>
#include <vector>

#include "imaging/model/oxmask.h"
#include "platform/gfx/Dib.h"

namespace ox {

// The resolution of pictures whose file names none, when no screen says otherwise.
constexpr int kDefaultScreenDpi = 96;

class TOXImageHolder;

// Told when a holder replaces its DIB or is destroyed.
class TOXHolderListener {
 public:
  virtual ~TOXHolderListener() = default;
  virtual void HolderBitmapReplaced(TOXImageHolder& holder) = 0;
  virtual void HolderDestroyed(TOXImageHolder& holder) = 0;
};

class TOXImageHolder {
 public:
  virtual ~TOXImageHolder() {
    auto listeners = listeners_;
    for (auto* l : listeners) l->HolderDestroyed(*this);
  }
  virtual gfx::TDib* HolderBitmap() = 0;
  // The 8-bit alpha plane shown with the picture, or null.
  virtual TOXMask* HolderAlphaMask() = 0;
  virtual gfx::TColor HolderBackground() const = 0;
  virtual void SetHolderBackground(gfx::TColor c) = 0;
  // A thumbnail grid keeps its own background whatever the loader says.
  virtual bool KeepsOwnBackground() const { return false; }
  virtual int HolderDpiX() const = 0;
  virtual int HolderDpiY() const = 0;
  virtual void SetHolderResolution(int dpiX, int dpiY) = 0;
  // The logical resolution of the screen the picture is shown on, which pictures without one take.
  virtual int HolderScreenDpiX() const { return kDefaultScreenDpi; }
  virtual int HolderScreenDpiY() const { return kDefaultScreenDpi; }
  // Repaint and signal the image change.
  virtual void HolderImageChanged() = 0;
  // The selection the processing component restricts its operations to; none by default.
  virtual bool HolderHasSelection() const { return false; }
  virtual TOXMask* HolderSelectionMask() { return nullptr; }

  void AddHolderListener(TOXHolderListener* l) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
  }
  void RemoveHolderListener(TOXHolderListener* l) { std::erase(listeners_, l); }

 protected:
  // Holders call this after replacing their DIB or mask.
  void NotifyBitmapReplaced() {
    auto listeners = listeners_;
    for (auto* l : listeners) l->HolderBitmapReplaced(*this);
  }

 private:
  std::vector<TOXHolderListener*> listeners_;
};

}  // namespace ox
