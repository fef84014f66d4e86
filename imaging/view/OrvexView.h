// TOrvexView: the single-image view control (zoom, fit, centring, scroll bars, wheel, background, back buffer).
#pragma once

#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/model/oxmask.h"
#include "imaging/proc/oxresample.h"
#include "imaging/view/OXView.h"
#include "imaging/view/OrvexRender.h"
#include "imaging/view/OrvexSelection.h"
#include "imaging/view/OrvexTypes.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"

class QImage;
class QScrollBar;

namespace ox {

class TOrvexView : public TOXView {
  Q_OBJECT

 public:
  explicit TOrvexView(QWidget* parent = nullptr, const platform::ISystem* system = nullptr);
  ~TOrvexView() override;

  // --- image ---
  gfx::TDib* Image() override { return &image_; }
  gfx::TDib& Picture() { return image_; }
  TOXMask* AlphaMask() override { return &alphaMask_; }
  TOXMask& SelectionMask() { return selectionMask_; }
  void NotifyImageChange() override;
  void SetBackground(gfx::TColor c) override;
  void FillBackground();
  void MakeBlank();
  // Null source: FillBackground.
  void Assign(const TOrvexView* source);
  void Assign(const gfx::TDib* source);
  // Copies the selected pixels (box of the selection mask) into dib; false when nothing is selected.
  bool CopySelectionTo(gfx::TDib& dib) const;
  // Draws the shown part of the picture at (0, 0) with size DrawW x DrawH.
  void DrawVisibleTo(gfx::TCanvas& canvas);

  // --- geometry and zoom ---
  double ZoomPercent() const { return zoom_; }
  void SetZoomPercent(double z);
  void ZoomToFit();
  void ZoomAroundPoint(int x, int y, double z);
  int ScrollX() const { return scrollX_; }
  int ScrollY() const { return scrollY_; }
  void SetScrollXY(int x, int y);
  void SetScrollX(int x) { SetScrollXY(x, scrollY_); }
  void SetScrollY(int y) { SetScrollXY(scrollX_, y); }
  void MaxScroll(int& maxX, int& maxY) const;
  int ClientToImageX(int x) const;
  int ClientToImageY(int y) const;
  int ImageToClientX(int x) const;
  int ImageToClientY(int y) const;
  virtual int ExtentX() const;
  virtual int ExtentY() const;
  virtual bool HasParentWindow() const;
  // Client area in widget coordinates (inside the border, beside the shown scroll bars).
  QRect ClientRect() const;
  void UpdateLayout();
  void BeginUpdateBlock() override;
  void EndUpdateBlock() override;
  void EndUpdateBlockQuiet() override;
  int UpdateBlockCount() const { return updateBlock_; }
  // The geometry of the last layout with the visible rectangle of the current scroll position.
  TOXViewGeometry Geometry() const;

  // The mouse zoom steps: 2, 5, 10, 25, 33, 50, 75, 100, then by 100.
  static double ZoomInStep(double zoom);
  static double ZoomOutStep(double zoom);
  // The zoom ladder of the zoom commands: 1 ... 100 ... 3200 % (doubling above); a zoom between rungs goes
  // to the next one. Zoom out at or below the lowest rung gives the zoom back unchanged.
  static double LadderZoomIn(double zoom);
  static double LadderZoomOut(double zoom);
  // Sets the zoom so that the picture's point under client (x, y) stays there (as far as scrolling allows).
  void ZoomKeepingPoint(int x, int y, double z);
  // Arrows, Page Up/Down, Home and End scroll a picture that does not fit by LineStep and PageStep (Home
  // and End: to the top-left and the bottom-right). False, leaving the key to the window, when it fits.
  bool ScrollKey(int key);
  // A zoom click at client (x, y), as the left or right button in miZoom does.
  void ZoomInAt(int x, int y);
  void ZoomOutAt(int x, int y);

  // --- published properties ---
  TResampleFilter ZoomFilter() const { return zoomFilter_; }
  void SetZoomFilter(TResampleFilter f);
  bool DelayZoomFilter = true;
  TOXScrollBars ScrollBars() const { return scrollBars_; }
  virtual void SetScrollBars(TOXScrollBars s);
  bool Center() const { return center_; }
  void SetCenter(bool c);
  // Off: fitting never zooms beyond 100 %, so that small pictures keep their size.
  bool EnlargeToFit = true;
  TOXAlphaBackground AlphaBackground() const { return alphaBackground_; }
  void SetAlphaBackground(TOXAlphaBackground b);
  bool AutoFit() const { return autoFit_; }
  void SetAutoFit(bool a);
  TOXBackgroundStyle BackgroundStyle() const { return bgStyle_; }
  void SetBackgroundStyle(TOXBackgroundStyle s);
  TOXMouseInteract MouseInteract() const { return mouseInteract_; }
  // A newly added mode decides which of the others stay (see CombineMouseInteract).
  virtual void SetMouseInteract(TOXMouseInteract m);
  static TOXMouseInteract CombineMouseInteract(TOXMouseInteract oldSet, TOXMouseInteract newSet);
  TOXSelectionOptions SelectionOptions() const { return selectionOptions_; }
  void SetSelectionOptions(TOXSelectionOptions o);
  // Whether SelectRect and AddSelectionPoint take client or image pixels.
  TOXSelectionBase SelectionBase = oxsbClientArea;
  bool EnableAlphaChannel() const { return enableAlpha_; }
  void SetEnableAlphaChannel(bool e);
  int CursorId() const { return cursorId_; }
  void SetCursorId(int id);
  // The cursor id on screen now (after the Shift swap).
  int ShownCursorId() const;
  TOXScrollBarParams HScrollParams, VScrollParams;
  TOXMouseWheelParams WheelParams;

  // --- selection ---
  bool HasSelection() const { return selection_.HasSelection; }
  // Inclusive box of the selection in image pixels.
  int SelX1() const;
  int SelY1() const;
  int SelX2() const;
  int SelY2() const;
  // The rectangle as a mouse drag makes it (client or image pixels per SelectionBase), then rasterised.
  virtual void SelectRect(int x1, int y1, int x2, int y2, bool append);
  virtual void AddSelectionPoint(int x, int y);
  // Rasterises the record into the selection mask; an empty result is no selection.
  virtual void EndSelection();
  void ClearSelection();
  // Zooms and scrolls so that the selection fills the view, then removes it.
  void ZoomToSelection();
  const TOrvexSelection& Selection() const { return selection_; }
  TOrvexSelection& Selection() { return selection_; }

  // --- events ---
  std::function<void(TOrvexView* sender)> OnSelectionChanging, OnSelectionChange, OnMouseInSel;
  std::function<void(TOrvexView* sender, int grip)> OnMouseInResizingGrip;  // -1: no grip
  std::function<void(TOrvexView* sender)> OnImageChange;
  std::function<void(TOrvexView* sender, int change)> OnViewChange;  // 0 scrolled, 1 zoomed
  std::function<void(TOrvexView* sender, double& newZoom)> OnZoomIn, OnZoomOut;
  std::function<void(TOrvexView* sender)> OnPaint;
  std::function<void(TOrvexView* sender, int percent)> OnProgress;
  virtual void SetOnProgress(std::function<void(TOrvexView*, int)> handler) { OnProgress = std::move(handler); }
  virtual const std::function<void(TOrvexView*, int)>& GetOnProgress() const { return OnProgress; }

  // --- scrolling, wheel, timer (the handlers the widget events call) ---
  void ScrollRequest(Qt::Orientation bar, TOXScrollRequest request, int position = 0);
  // One wheel notch; direction +1 towards the user, -1 away. False when the wheel is left to the platform.
  // `at` is the cursor in client pixels, for WheelParams.AtCursor.
  bool WheelNotch(int direction, const QPoint* at = nullptr);
  void TimerTick();
  int FilterDelay() const { return filterDelay_; }
  QScrollBar* HorzScrollBar() const { return hbar_; }
  QScrollBar* VertScrollBar() const { return vbar_; }

  // --- rendering into a 24-bit DIB of the client's size ---
  virtual void RenderFast(gfx::TDib& dib, uint8_t* const* rowTable, const gfx::TRect& rect);
  virtual void RenderFull(gfx::TDib& target);
  // The picture as rendered, without the selection outline drawn over it on screen.
  const gfx::TDib& BackBuffer() const { return backBuffer_; }
  // Renders when needed and brings the back buffer up to date, as a paint does (false when suppressed).
  bool PaintBackBuffer();
  int RenderCount() const { return renderCount_; }

 protected:
  virtual void ViewChanged(int change);
  // The view scrolled by (dx, dy) under a drag: the anchors kept in client pixels follow the picture.
  virtual void ShiftMouseAnchors(int dx, int dy);
  void BorderChanged() override { UpdateLayout(); }

  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  bool event(QEvent* e) override;

 private:
  friend class TOrvexSelection;
  // The outline changed: compose it again (and render again when the selection is shown filled).
  void SelectionRedraw();
  // A cursor of the selection hover in place of the view's own; -1 restores it.
  void SetHoverCursor(int id);
  void ComposeScreen();
  void FinishRender(gfx::TDib& dib, const TOXViewGeometry& g);
  QPoint ClampToPicture(QPoint p) const;
  bool SelectModeOn() const;
  void AutoScrollTick();
  // One layout pass; true when a scroll bar appeared or vanished and the extents changed.
  bool LayoutPass();
  void PlaceScrollBars();
  void MoveThumbs();
  void ArmFilterDelay();
  void PaintNow();
  void ApplyCursor();
  TOXRenderInput RenderInput(const TOXViewGeometry& g) const;
  void CropMargins(int& mx, int& my) const;
  void Invalidate();
  int ScrollBarExtent() const;
  void MouseReleasedAt(int x, int y, Qt::MouseButton button);
  // The middle button pans in every mouse mode; true when the event was a pan's.
  bool PanPress(QMouseEvent* e, QPoint raw);
  bool PanMove(QPoint raw);
  bool PanRelease(QMouseEvent* e, QPoint raw);
  // The fitting zoom for a client of w x h, limited to 100 % unless EnlargeToFit.
  double FitZoom(double w, double h) const;

  gfx::TDib image_;
  TOXMask selectionMask_, alphaMask_;
  double zoom_ = 100, zoomFactor_ = 1, invZoom_ = 1;
  int scrollX_ = 0, scrollY_ = 0;
  int zoomedW_ = 0, zoomedH_ = 0, drawW_ = 0, drawH_ = 0, offsetX_ = 0, offsetY_ = 0;
  double hScale_ = 1, vScale_ = 1;
  gfx::TDib backBuffer_;
  std::vector<uint8_t*> rows_;
  std::unique_ptr<QImage> screen_;  // the back buffer converted for the window
  bool dirty_ = true;
  int updateBlock_ = 0;
  int filterDelay_ = 0, selectionDelay_ = 0;
  int lastImageW_ = -1, lastImageH_ = -1;
  TResampleFilter zoomFilter_ = rfNone;
  TOXScrollBars scrollBars_ = ssNone;
  bool center_ = false, autoFit_ = false, enableAlpha_ = false;
  TOXBackgroundStyle bgStyle_ = oxbsSolid;
  TOXMouseInteract mouseInteract_ = 0;
  TOXSelectionOptions selectionOptions_ = SelectionBit(oxsoAnimated) | SelectionBit(oxsoSizeable) | SelectionBit(oxsoMoveable);
  TOrvexSelection selection_{*this};
  gfx::TDib frame_;  // back buffer with the outline over it
  bool overlayDirty_ = true;
  int hoverCursor_ = -1;
  QTimer autoScrollTimer_;
  QPoint lastRaw_;
  Qt::KeyboardModifiers lastModifiers_;
  int cursorId_ = crCross3;
  bool shiftDown_ = false;
  bool hbarShown_ = false, vbarShown_ = false;
  QScrollBar* hbar_ = nullptr;
  QScrollBar* vbar_ = nullptr;
  QTimer timer_;
  int renderCount_ = 0;
  bool destroying_ = false;
  // Mouse state.
  bool buttonDown_ = false, moved_ = false, scrolling_ = false, selecting_ = false;
  int pressX_ = 0, pressY_ = 0, pressScrollX_ = 0, pressScrollY_ = 0;
  TResampleFilter savedFilter_ = rfNone;
  bool filterSaved_ = false;
  bool panning_ = false;
  int panX_ = 0, panY_ = 0, panScrollX_ = 0, panScrollY_ = 0;
  TOXAlphaBackground alphaBackground_ = oxabBackground;
  int wheelRemainder_ = 0;
};

}  // namespace ox
