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

namespace ox {

class TOrvexProc;
using TOXProcProgressEvent = std::function<void(TOrvexProc* sender, int percent)>;

class TOrvexProc : private TOXHolderListener {
 public:
  TOrvexProc();
  ~TOrvexProc() override;
  TOrvexProc(const TOrvexProc&) = delete;
  TOrvexProc& operator=(const TOrvexProc&) = delete;

  bool AutoUndo = true;
  int UndoLimit = 1;
  TOXProcProgressEvent OnProgress;
  int MsgLanguage = 0;
  // Where picture exchange goes; without one the clipboard operations do nothing.
  TOXClipboard* Clipboard = nullptr;

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
  // `op` receives the DIB and the rectangle to work on.
  void ApplyToSelection(const std::string& caption, const std::function<void(gfx::TDib&, const gfx::TRect&)>& op);
  // Progress of row loops: trunc(rows done * 100 / (rows - 1 + 0.5)).
  void ReportRows(int64_t done, int64_t rows);

 private:
  void HolderBitmapReplaced(TOXImageHolder& holder) override;
  void HolderDestroyed(TOXImageHolder& holder) override;
  void Leave();
  bool PushSnapshot();
  // A copy of the box of Target; pixels outside the selection are those of a new DIB.
  gfx::TDib SelectionCopy(const TOXMask* mask, int x1, int y1, int x2, int y2);
  void FillSelected(const TOXMask* mask, int x1, int y1, int x2, int y2);

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
};

// Fills a rectangle of a 24-bit or 1-bit DIB with a colour (1 bit: white when the colour is light).
void FillDibRect(gfx::TDib& dib, const gfx::TRect& r, gfx::TColor c);

}  // namespace ox
