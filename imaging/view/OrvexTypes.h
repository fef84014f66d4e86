// Enumerations and small parameter records of the image view control.
#pragma once

#include <cstdint>

namespace ox {

enum TOXBackgroundStyle {
  oxbsSolid, oxbsHorizontal, oxbsVertical, oxbsFDiagonal, oxbsBDiagonal, oxbsCross, oxbsDiagCross,
  oxbsChessboard, oxbsDiagonals, oxbsCropped, oxbsCropShadow
};

// The styles in the order of the background list (alphabetical by name); index 9 is oxbsSolid.
constexpr TOXBackgroundStyle kBackgroundStyleList[] = {
    oxbsBDiagonal, oxbsChessboard, oxbsCropped, oxbsCropShadow, oxbsCross, oxbsDiagCross,
    oxbsDiagonals, oxbsFDiagonal, oxbsHorizontal, oxbsSolid, oxbsVertical};
constexpr int kBackgroundStyleCount = int(sizeof(kBackgroundStyleList) / sizeof(kBackgroundStyleList[0]));
constexpr int kSolidListIndex = 9;
// A list index outside the list (no selection) selects the solid style.
constexpr TOXBackgroundStyle BackgroundStyleOfListIndex(int index) {
  return index >= 0 && index < kBackgroundStyleCount ? kBackgroundStyleList[index] : oxbsSolid;
}

// What transparent parts of a picture with an alpha mask are drawn over.
enum TOXAlphaBackground { oxabBackground, oxabChessboard };

enum TOXScrollBars { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TOXBorderStyle { bsNone, bsSingle };

// Mouse modes, one bit each in TOXMouseInteract (bit 0 = miZoom).
enum TOXMouseInteractItem { miZoom, miScroll, miSelect, miSelectPolygon, miSelectCircle, miSelectZoom, miSelectMagicWand, miSelectLasso };
using TOXMouseInteract = uint8_t;
constexpr TOXMouseInteract MouseBit(TOXMouseInteractItem i) { return TOXMouseInteract(1u << i); }

enum TOXSelectionOption { oxsoAnimated, oxsoSizeable, oxsoMoveable, oxsoFilled, oxsoCutBorders };
using TOXSelectionOptions = uint8_t;
constexpr TOXSelectionOptions SelectionBit(TOXSelectionOption o) { return TOXSelectionOptions(1u << o); }

enum TOXSelectionBase { oxsbClientArea, oxsbBitmap };

struct TOXScrollBarParams {
  int LineStep = -1;     // -1: one image pixel
  int PageStep = -1;     // -1: one client extent
  bool Tracking = true;  // follow the thumb while it is dragged
};

enum TOXMouseWheelAction { oxwaNone, oxwaVScroll, oxwaZoom };
enum TOXMouseWheelVariation { oxwvAbsolute, oxwvPercentage };

struct TOXMouseWheelParams {
  bool InvertWheel = false;
  TOXMouseWheelAction Action = oxwaZoom;
  TOXMouseWheelVariation Variation = oxwvPercentage;
  int Value = 8;
  // Zooming keeps the picture's point under the cursor in place instead of the centre.
  bool AtCursor = false;
};

// What a scroll bar asks for.
enum TOXScrollRequest { srLineUp, srLineDown, srPageUp, srPageDown, srThumbTrack, srThumbPosition, srTop, srBottom, srEndScroll };

// Cursor ids registered by the view.
enum TOXCursorId : int {
  crZoomOut = 1778, crZoomIn, crCross, crEraser, crHand, crPen, crCross1, crCross3, crMove2, crMoveY, crMove1,
  crMoveX, crMove, crCross3Plus, crCross3Minus, crCross2, crCross2Plus, crCross2Minus
};

}  // namespace ox
