// TOrvex: the view with its own I/O and processing components, made on first use.
#pragma once

#include <memory>
#include <string>

#include "imaging/io/oxio.h"
#include "imaging/model/oxholder.h"
#include "imaging/proc/oxproc.h"
#include "imaging/view/OrvexView.h"

namespace ox {

class TOrvex : public TOrvexView, public TOXImageHolder {
  Q_OBJECT

 public:
  using TOrvexView::TOrvexView;
  ~TOrvex() override;

  // Attached to this view when first asked for.
  TOrvexIO& IOComponent();
  TOrvexProc& ProcComponent();
  // Puts `io` (a component that reads or writes in its own way) in the place of the view's own.
  void SetIOComponent(std::unique_ptr<TOrvexIO> io);

  // By file name, the format chosen by the extension; Aborted of the I/O component tells failure, and
  // Partial with it a picture cut short, which the view keeps and shows.
  void LoadFromFile(const std::string& fileName) { IOComponent().LoadFromFile(fileName); }
  void SaveToFile(const std::string& fileName) { IOComponent().SaveToFile(fileName); }

  // TOXImageHolder
  gfx::TDib* HolderBitmap() override { return &Picture(); }
  TOXMask* HolderAlphaMask() override { return AlphaMask(); }
  gfx::TColor HolderBackground() const override { return Background(); }
  void SetHolderBackground(gfx::TColor c) override { SetBackground(c); }
  int HolderDpiX() const override { return DpiX(); }
  int HolderDpiY() const override { return DpiY(); }
  void SetHolderResolution(int dpiX, int dpiY) override { SetDpi(dpiX, dpiY); }
  int HolderScreenDpiX() const override { return System().LogicalDpiX(); }
  int HolderScreenDpiY() const override { return System().LogicalDpiY(); }
  void HolderImageChanged() override {
    UpdateLayout();
    NotifyImageChange();
  }
  bool HolderHasSelection() const override { return HasSelection(); }
  TOXMask* HolderSelectionMask() override { return &SelectionMask(); }

 private:
  std::unique_ptr<TOrvexIO> io_;
  std::unique_ptr<TOrvexProc> proc_;
};

}  // namespace ox
