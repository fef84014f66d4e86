// The view's selection: its record of polygons, the mouse drag states, grips, moving, auto-scroll and the ants.
#pragma once

#include <vector>

#include "imaging/model/oxmask.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"

namespace ox {

class TOrvexView;

// What the user drew, in image pixels; right and bottom exclusive as the mask's polygons are.
struct TOXSelectionRecord {
  std::vector<TOXPoint> Points;  // kPolygonSeparator in x ends one polygon
  gfx::TColor AntColour1 = 0x000000, AntColour2 = 0xFFFFFF;
  bool Animated = true, Sizeable = true;
  int Phase = 0;         // 0 ... 5
  int PhaseCounter = 0;  // dash position along the outline being drawn
  int BoxX1 = 0, BoxY1 = 0, BoxX2 = 0, BoxY2 = 0;
  bool Visible = false;

  int Count() const { return int(Points.size()); }
  void Clear();
  void Add(int x, int y);
  void AddSeparator();
  // Back to the last separator (which goes too).
  void RemoveLastPolygon();
  // Exactly four points whose edges alternate between vertical and horizontal.
  bool IsSingleRect() const;
  void UpdateBox();
};

// Grips: 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left, 4 left, 5 right, 6 top, 7 bottom side.
constexpr int kGripHalf = 5;

// The selection logic of one view; the view forwards its mouse events and selection calls here.
class TOrvexSelection {
 public:
  explicit TOrvexSelection(TOrvexView& view) : view_(view) {}

  TOXSelectionRecord Record;
  bool HasSelection = false;
  bool RectDragging = false;
  int Grip = -1;    // held grip
  int Moving = -1;  // 0 while the region is dragged
  int PressX = 0, PressY = 0, LastX = 0, LastY = 0;
  int RubberX = 0, RubberY = 0;  // the polygon modes' rubber band end
  int CountAtPress = 0;
  int TickCounter = 0;
  gfx::TColor GripPen = 0x000000, GripBrush = 0xFFFFFF;

  // Inclusive box in image pixels: of the mask, or of the record while a drag or grip is held.
  void SelBox(int& x1, int& y1, int& x2, int& y2) const;
  bool Dragging() const { return RectDragging || Grip >= 0 || Moving >= 0; }

  // Rectangle between two points (client or image pixels), replacing or appended; false when degenerate.
  bool MakeRect(int x1, int y1, int x2, int y2, bool append, bool square, bool client);
  void AddPoint(int x, int y, bool client);
  void End();
  void Clear();
  // The picture changed size: the selection is gone without a repaint of its own.
  void Drop();

  int GripAt(int x, int y) const;
  bool OnSelectedPixel(int x, int y) const;
  // Resizes the single rectangle by grip g held at client (x, y); returns the grip to go on with.
  int Resize(int g, int x, int y, bool constrain);
  void MoveBy(int dx, int dy);

  // Mouse handling in client pixels; the view has clamped (x, y) into the shown picture.
  void ButtonDown(int x, int y);
  // rawX, rawY: the unclamped pointer for auto-scroll. True while the pointer stays outside the picture.
  bool DragTo(int x, int y, int rawX, int rawY, bool shift, bool alt);
  void ButtonUp(int x, int y);
  // No button held; fires the hover events and returns the cursor id to show (-1: the view's own).
  int Hover(int x, int y);

  // One auto-scroll step toward a pointer outside the shown picture; true when the view scrolled.
  bool AutoScrollStep(int rawX, int rawY);
  // Timer step of the ants; true when the outline is to be drawn again.
  bool TimerStep();
  // The outline, the ants and the grips over the client picture (24-bit, client size).
  void DrawOverlay(gfx::TDib& frame, bool outlineAllowed);

 private:
  void Changed();  // the outline must be drawn again
  void DrawPolygons(gfx::TDib& frame);
  void DrawGrips(gfx::TDib& frame);
  int ToClientX(int x) const;
  int ToClientY(int y) const;

  TOrvexView& view_;
  int gripStartX1_ = 0, gripStartY1_ = 0, gripStartX2_ = 0, gripStartY2_ = 0;  // inclusive box at grip press
};

}  // namespace ox
