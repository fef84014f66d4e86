// The view's 18 cursors (ids 1778 ... 1795) loaded from the compiled-in pictures, and the Shift swaps.
#pragma once

#include <QCursor>

namespace ox {

// Resource name of a cursor id ("CROCE3" for 1785); empty outside the range.
const char* CursorResourceName(int id);
// The registered cursor of an id; the arrow for ids outside the range. Needs a QGuiApplication.
const QCursor& ViewCursor(int id);
// The cursor shown for id while Shift is held (1785 -> 1791, 1793 -> 1794; others stay).
int ShiftedCursor(int id);

}  // namespace ox
