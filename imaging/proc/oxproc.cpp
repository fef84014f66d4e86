// TOrvexProc: attachment, undo snapshots, the selection rule and the clipboard exchange.
#include "imaging/proc/oxproc.h"

#include <algorithm>
#include <cstring>

#include "imaging/proc/oxclipdib.h"
#include "imaging/proc/oxgeometry.h"
#include "imaging/proc/oxprocregion.h"
#include "platform/gfx/Canvas.h"

namespace ox {

void FillDibRect(gfx::TDib& dib, const gfx::TRect& r, gfx::TColor c) {
  const int x1 = std::max(0, r.Left), x2 = std::min(dib.Width(), r.Right);
  const int y1 = std::max(0, r.Top), y2 = std::min(dib.Height(), r.Bottom);
  if (x1 >= x2 || y1 >= y2) return;
  if (dib.PixelFormat() == gfx::TPixelFormat::pf24bit) {
    const uint8_t b = gfx::BlueOf(c), g = gfx::GreenOf(c), rd = gfx::RedOf(c);
    for (int y = y1; y < y2; ++y) {
      uint8_t* p = dib.ScanLine(y) + 3 * x1;
      for (int x = x1; x < x2; ++x, p += 3) p[0] = b, p[1] = g, p[2] = rd;
    }
    return;
  }
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) dib.SetPixelColor(x, y, c);
}

TOrvexProc::TOrvexProc() = default;

TOrvexProc::~TOrvexProc() {
  Leave();
  ClearAllUndo();
}

void TOrvexProc::Leave() {
  if (holder_) holder_->RemoveHolderListener(this);
}

void TOrvexProc::SetAttachedOrvex(TOXImageHolder* holder) {
  Leave();
  holder_ = holder;
  target_ = holder ? holder->HolderBitmap() : nullptr;
  mask_ = holder ? holder->HolderAlphaMask() : nullptr;
  if (holder_) holder_->AddHolderListener(this);
}

void TOrvexProc::SetTarget(gfx::TDib* dib) {
  if (!dib && holder_) return;
  Leave();
  holder_ = nullptr;
  mask_ = nullptr;
  target_ = dib;
}

void TOrvexProc::HolderBitmapReplaced(TOXImageHolder& holder) {
  target_ = holder.HolderBitmap();
  mask_ = holder.HolderAlphaMask();
}

void TOrvexProc::HolderDestroyed(TOXImageHolder& holder) {
  if (&holder != holder_) return;
  holder_ = nullptr;
  target_ = nullptr;
  mask_ = nullptr;
}

gfx::TColor TOrvexProc::Background() const { return holder_ ? holder_->HolderBackground() : background_; }

void TOrvexProc::SetBackground(gfx::TColor c) {
  if (holder_)
    holder_->SetHolderBackground(c);
  else
    background_ = c;
}

void TOrvexProc::Changed() {
  if (holder_)
    holder_->HolderImageChanged();
  else if (target_)
    target_->Modified = true;
}

bool TOrvexProc::GetRegion(int& x1, int& y1, int& x2, int& y2, TOXMask*& mask) {
  x1 = y1 = 0;
  x2 = target_ ? target_->Width() : 0;
  y2 = target_ ? target_->Height() : 0;
  mask = nullptr;
  if (!holder_) return false;
  mask = holder_->HolderSelectionMask();
  const bool has = holder_->HolderHasSelection();
  if (has && mask && !mask->IsEmpty()) {
    x1 = mask->X1, y1 = mask->Y1, x2 = mask->X2 + 1, y2 = mask->Y2 + 1;
  }
  return has;
}

// ---------------------------------------------------------------------------------------------- undo

std::unique_ptr<TOXBitmap> TOrvexProc::TakeSnapshot() const {
  if (!target_ || target_->Empty()) return nullptr;
  auto snap = std::make_unique<TOXBitmap>();
  // A temporary file that cannot be had keeps the snapshot in memory (TOXBitmap falls back itself).
  snap->SetLocation(location_);
  if (!snap->CopyFromDib(*target_)) return nullptr;
  return snap;
}

void TOrvexProc::Keep(std::unique_ptr<TOXBitmap> snapshot, const std::string& caption) {
  if (!snapshot) return;
  while (!undo_.empty() && int(undo_.size()) >= std::max(UndoLimit, 1)) undo_.erase(undo_.begin());
  undo_.push_back(TSnapshot{std::move(snapshot), caption});
  redo_.clear();
}

bool TOrvexProc::PushSnapshot() {
  auto snap = TakeSnapshot();
  if (!snap) return false;
  Keep(std::move(snap), {});
  return true;
}

void TOrvexProc::Edit(const std::string& caption, const std::function<bool()>& op) {
  if (!target_ || target_->Empty()) return;
  std::unique_ptr<TOXBitmap> before = AutoUndo ? TakeSnapshot() : nullptr;
  if (!op()) return;
  Keep(std::move(before), caption);
  Changed();
}

gfx::TColor TOrvexProc::FillColour() const {
  const gfx::TColor c = Background();
  if (!platform::IsSysColor(c)) return c & 0xFFFFFF;
  return System ? System->ResolveColor(c) : 0;
}

void TOrvexProc::StepSnapshot(std::vector<TSnapshot>& from, std::vector<TSnapshot>& to) {
  if (!target_ || target_->Empty() || from.empty()) return;
  auto replaced = TakeSnapshot();
  if (!replaced) return;
  TSnapshot back = std::move(from.back());
  from.pop_back();
  back.bitmap->CopyToDib(*target_);
  while (!to.empty() && int(to.size()) >= std::max(UndoLimit, 1)) to.erase(to.begin());
  to.push_back(TSnapshot{std::move(replaced), std::move(back.caption)});
  Changed();
}

void TOrvexProc::Redo() {
  if (UndoSteps) StepSnapshot(redo_, undo_);
}

void TOrvexProc::SaveUndo() { PushSnapshot(); }

void TOrvexProc::SaveUndoCaptioned(const std::string& caption) {
  if (PushSnapshot()) undo_.back().caption = caption;
}

void TOrvexProc::Undo() {
  if (UndoSteps)
    StepSnapshot(undo_, redo_);
  else
    UndoAt(0);
}

void TOrvexProc::UndoAt(int n) {
  if (!target_ || n < 0 || n >= int(undo_.size())) return;
  undo_[undo_.size() - 1 - size_t(n)].bitmap->CopyToDib(*target_);
  Changed();
}

void TOrvexProc::ClearUndo() {
  if (!undo_.empty()) undo_.pop_back();
}

void TOrvexProc::ClearAllUndo() {
  undo_.clear();
  redo_.clear();
}

std::string TOrvexProc::UndoCaption(int n) const {
  if (n < 0 || n >= int(undo_.size())) return {};
  return undo_[undo_.size() - 1 - size_t(n)].caption;
}

// ---------------------------------------------------------------------------------------------- selection rule

gfx::TDib TOrvexProc::SelectionCopy(const TOXMask* mask, int x1, int y1, int x2, int y2) {
  gfx::TDib box = CopyBox(*target_, gfx::TRect{x1, y1, x2, y2});
  if (mask && !mask->IsEmpty()) {
    gfx::TDib fresh(box.Width(), box.Height(), target_->PixelFormat());
    mask->CopyMasked(fresh, *target_, false, true);
    return fresh;
  }
  return box;
}

void TOrvexProc::FillSelected(const TOXMask* mask, int x1, int y1, int x2, int y2) {
  if (mask && !mask->IsEmpty())
    ox::ClearSel(*target_, mask, FillColour());
  else
    FillDibRect(*target_, gfx::TRect{x1, y1, x2, y2}, FillColour());
}

TOXMask* TOrvexProc::SelectionFor(int& x1, int& y1, int& x2, int& y2) {
  TOXMask* mask = nullptr;
  const bool has = GetRegion(x1, y1, x2, y2, mask);
  return has ? mask : nullptr;
}

void TOrvexProc::ApplyToSelection(const std::string& caption,
                                  const std::function<void(gfx::TDib&, const gfx::TRect&)>& op, bool bilevelToo) {
  if (!target_ || target_->Empty()) return;
  const gfx::TPixelFormat f = target_->PixelFormat();
  if (f != gfx::TPixelFormat::pf24bit && !(bilevelToo && f == gfx::TPixelFormat::pf1bit)) return;
  if (AutoUndo) SaveUndoCaptioned(caption);
  int x1, y1, x2, y2;
  TOXMask* mask = SelectionFor(x1, y1, x2, y2);
  ApplyOnSelection(*target_, gfx::TRect{x1, y1, x2, y2}, mask, op);
  Changed();
}

void TOrvexProc::Clear() {
  if (!target_ || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("Clear");
  ox::Clear(*target_, FillColour());
  Changed();
}

void TOrvexProc::ClearSel() {
  if (!target_ || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("ClearSel");
  int x1, y1, x2, y2;
  ox::ClearSel(*target_, SelectionFor(x1, y1, x2, y2), FillColour());
  Changed();
}

void TOrvexProc::CropSel() {
  if (!target_ || target_->Empty()) return;
  if (AutoUndo) SaveUndoCaptioned("CropSel");
  int x1, y1, x2, y2;
  ox::CropSel(*target_, SelectionFor(x1, y1, x2, y2));
  Changed();
}

// ---------------------------------------------------------------------------------------------- clipboard

void TOrvexProc::CopyToClipboard() {
  if (!Clipboard || !target_ || target_->Empty()) return;
  Clipboard->SetDib(EncodeClipboardDib(*target_));
}

void TOrvexProc::CopySelToClip() {
  if (!Clipboard || !target_ || target_->Empty()) return;
  int x1, y1, x2, y2;
  TOXMask* mask;
  if (!GetRegion(x1, y1, x2, y2, mask)) return CopyToClipboard();
  Clipboard->SetDib(EncodeClipboardDib(SelectionCopy(mask, x1, y1, x2, y2)));
}

void TOrvexProc::SelCutToClip() {
  if (!Clipboard || !target_ || target_->Empty()) return;
  int x1, y1, x2, y2;
  TOXMask* mask;
  if (!GetRegion(x1, y1, x2, y2, mask)) return;
  if (AutoUndo) SaveUndoCaptioned("SelCutToClip");
  Clipboard->SetDib(EncodeClipboardDib(SelectionCopy(mask, x1, y1, x2, y2)));
  FillSelected(mask, x1, y1, x2, y2);
  Changed();
}

void TOrvexProc::PasteFromClipboard() {
  if (!Clipboard || !target_) return;
  gfx::TDib pasted;
  if (!DecodeClipboardDib(Clipboard->GetDib(), pasted)) return;
  if (AutoUndo) SaveUndoCaptioned("PastFromClipboard");
  target_->Assign(pasted);
  Changed();
}

void TOrvexProc::PasteIntoSelection() {
  if (!Clipboard || !target_) return;
  int x1, y1, x2, y2;
  TOXMask* mask;
  if (!GetRegion(x1, y1, x2, y2, mask)) return PasteFromClipboard();
  gfx::TDib pasted;
  if (!DecodeClipboardDib(Clipboard->GetDib(), pasted)) return;
  if (AutoUndo) SaveUndoCaptioned("SelPasteFromClipStretch");
  target_->Canvas().StretchDraw(gfx::TRect{x1, y1, x2, y2}, pasted);
  Changed();
}

}  // namespace ox
