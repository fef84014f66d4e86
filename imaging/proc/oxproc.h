// TOrvexProc: the component every edit goes through: attachment, the selection rule, undo snapshots,
// clipboard exchange and the operations that share them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/oxbitmap.h"
#include "imaging/model/oxholder.h"
#include "imaging/proc/oxclipboard.h"
#include "imaging/proc/oxcolourops.h"
#include "imaging/proc/oxresample.h"
#include "platform/gfx/SysColors.h"

namespace ox {

class TOrvexProc;
using TOXProcProgressEvent = std::function<void(TOrvexProc* sender, int percent)>;
using TProcProgressFn = std::function<void(int percent)>;

class TOrvexProc : private TOXHolderListener {
 public:
  TOrvexProc();
  ~TOrvexProc() override;
  TOrvexProc(const TOrvexProc&) = delete;
  TOrvexProc& operator=(const TOrvexProc&) = delete;

  bool AutoUndo = true;
  int UndoLimit = 1;
  // True: Undo steps back through the snapshots and keeps the picture it replaces for Redo; a new edit
  // drops what Redo held. False: the newest snapshot stays and Undo restores it again.
  bool UndoSteps = false;
  TOXProcProgressEvent OnProgress;
  int MsgLanguage = 0;
  // Where picture exchange goes; without one the clipboard operations do nothing.
  TOXClipboard* Clipboard = nullptr;
  // Resolves a system colour given as Background; without one such a colour fills black.
  const platform::TSysColors* System = nullptr;

  TOXImageHolder* AttachedOrvex() const { return holder_; }
  void SetAttachedOrvex(TOXImageHolder* holder);
  // A DIB of its own; null while a holder is attached is ignored.
  void SetTarget(gfx::TDib* dib);
  gfx::TDib* Target() const { return target_; }
  TOXMask* AlphaMask() const { return mask_; }

  gfx::TColor Background() const;
  void SetBackground(gfx::TColor c);

  // Repaint and notify the holder, or mark the DIB modified.
  void Changed();
  // Region (x2, y2 exclusive) and selection mask; true when the holder has a selection.
  bool GetRegion(int& x1, int& y1, int& x2, int& y2, TOXMask*& mask);

  void SaveUndo();
  void SaveUndoCaptioned(const std::string& caption);
  void Undo();
  void UndoAt(int n);
  void ClearUndo();
  void ClearAllUndo();
  void SetUndoLocation(TOXBitmapLocation location) { location_ = location; }
  int UndoCount() const { return int(undo_.size()); }
  // 0 = newest.
  std::string UndoCaption(int n) const;
  // With UndoSteps: restores the picture the last Undo replaced.
  void Redo();
  int RedoCount() const { return int(redo_.size()); }
  std::string RedoCaption() const { return redo_.empty() ? std::string() : redo_.back().caption; }

  // Whole picture filled with Background.
  void Clear();
  // Selected pixels become Background.
  void ClearSel();
  // The picture becomes the selection's box (unselected pixels of the box from a new DIB).
  void CropSel();

  void CopyToClipboard();
  void CopySelToClip();
  void SelCutToClip();
  void PasteFromClipboard();
  void PasteIntoSelection();

  // The shared pattern of selection-aware operations: snapshot (with caption, when AutoUndo), region,
  // then `op` on the region in place, or on a cropped copy written back through the mask; then Changed.
  // `op` receives the DIB and the rectangle to work on. A 24-bit operation (`bilevelToo` false: 24-bit
  // only) does nothing at all on another format: no snapshot, no change notice.
  void ApplyToSelection(const std::string& caption, const std::function<void(gfx::TDib&, const gfx::TRect&)>& op,
                        bool bilevelToo = false);
  // Geometry: each pushes its snapshot (when AutoUndo), works on the whole picture and calls Changed.
  // direction 0 horizontal, 1 vertical.
  void Flip(int direction);
  // Positive angles turn counter-clockwise; uncovered area takes Background. An angle of 0 does nothing.
  void Rotate(double angle, bool antialias);
  // Canvas size: nothing is scaled; new area takes Background.
  void ImageResize(int width, int height);
  // Negative sizes keep the proportion (see ResampleSize); the snapshot's caption holds the sizes passed.
  void Resample(int width, int height, TResampleFilter filter);

  // Colour operations on the selection (or the whole picture).
  void ConvertToGray();
  void Negative();
  void EdgeDetect(int windowSize, int thinFactor, bool hysteresis, double smoothing, double ratio);
  void Contrast(double amount);
  void AddRGB(int dr, int dg, int db);
  void AdjustHSL(int dh, int ds, int dl);
  void AdjustHSV(int dh, int ds, int dv);
  void Equalize();
  void ApplyFilter(const TUserFilter& kernel);
  // Colour reduction of the picture itself: > 2 colours stay 24-bit, else the 1-bit ordered dither.
  void ConvertTo(int colours);
  // As ConvertTo, handing back the palette used (black and white for 2 colours or fewer).
  void ConvertToPalette(int colours, std::vector<gfx::TRGB>& palette);
  // Counts over the region (the selection's box when there is a selection; the mask is not applied).
  // 24-bit only; false otherwise.
  bool GetHistogram(THistogram& histogram);

 private:
  void HolderBitmapReplaced(TOXImageHolder& holder) override;
  void HolderDestroyed(TOXImageHolder& holder) override;
  void Leave();
  bool PushSnapshot();
  // A copy of Target for the undo stack (null when AutoUndo is off or there is nothing to copy).
  std::unique_ptr<TOXBitmap> TakeSnapshot() const;
  void Keep(std::unique_ptr<TOXBitmap> snapshot, const std::string& caption);
  // Runs `op` on Target; only when it changed something (true) is the snapshot kept and Changed called.
  void Edit(const std::string& caption, const std::function<bool()>& op);
  // ConvertTo and ConvertToPalette.
  void Reduce(const std::string& caption, int colours, std::vector<gfx::TRGB>& palette);
  // Background as a plain colour.
  gfx::TColor FillColour() const;
  struct TSnapshot;
  // Restores the newest snapshot of `from`; the picture it replaces goes to `to` under the same caption.
  void StepSnapshot(std::vector<TSnapshot>& from, std::vector<TSnapshot>& to);
  // A copy of the box of Target; pixels outside the selection are those of a new DIB.
  gfx::TDib SelectionCopy(const TOXMask* mask, int x1, int y1, int x2, int y2);
  void FillSelected(const TOXMask* mask, int x1, int y1, int x2, int y2);
  // The selection mask when the holder has a selection (region set either way), else null.
  TOXMask* SelectionFor(int& x1, int& y1, int& x2, int& y2);
  TProcProgressFn Progress();

  TOXImageHolder* holder_ = nullptr;
  gfx::TDib* target_ = nullptr;
  TOXMask* mask_ = nullptr;
  gfx::TColor background_ = 0;
  TOXBitmapLocation location_ = oxblFile;
  struct TSnapshot {
    std::unique_ptr<TOXBitmap> bitmap;
    std::string caption;
  };
  std::vector<TSnapshot> undo_;  // oldest first
  std::vector<TSnapshot> redo_;  // oldest first
};

// Fills a rectangle of a 24-bit or 1-bit DIB with a colour (1 bit: white when the colour is light).
void FillDibRect(gfx::TDib& dib, const gfx::TRect& r, gfx::TColor c);

}  // namespace ox
