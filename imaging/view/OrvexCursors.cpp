// The view's 18 cursors (ids 1778 ... 1795) loaded from the compiled-in pictures, and the Shift swaps.
#include "imaging/view/OrvexCursors.h"

#include <QPixmap>
#include <array>
#include <memory>

#include "imaging/view/OrvexTypes.h"

static void InitCursorResources() { Q_INIT_RESOURCE(cursors); }

namespace ox {

namespace {

struct TCursorEntry {
  const char* name;
  int hotX, hotY;
};

// In id order from 1778; the hot spots match the pictures drawn by assets/cursors/make-cursors.py.
constexpr std::array<TCursorEntry, 18> kCursors{{
    {"ZOOMMENO", 12, 12}, {"ZOOMPIU", 12, 12}, {"CROCE", 15, 15},  {"GOMMA", 5, 26},     {"MANO", 15, 15},
    {"PENNA", 3, 28},     {"CROCE1", 15, 15},  {"CROCE3", 15, 15}, {"MOVE2", 15, 15},    {"MOVEY", 15, 15},
    {"MOVE1", 15, 15},    {"MOVEX", 15, 15},   {"MOVE", 15, 15},   {"CROCE3+", 15, 15},  {"CROCE3-", 15, 15},
    {"CROCE2", 15, 15},   {"CROCE2+", 15, 15}, {"CROCE2-", 15, 15},
}};

constexpr int kFirst = crZoomOut;

}  // namespace

const char* CursorResourceName(int id) {
  const int i = id - kFirst;
  return i >= 0 && i < int(kCursors.size()) ? kCursors[size_t(i)].name : "";
}

const QCursor& ViewCursor(int id) {
  static const std::unique_ptr<std::array<QCursor, 18>> cursors = [] {
    InitCursorResources();
    auto list = std::make_unique<std::array<QCursor, 18>>();
    for (size_t i = 0; i < kCursors.size(); ++i) {
      const QPixmap pm(QStringLiteral(":/cursors/%1.png").arg(QLatin1String(kCursors[i].name)));
      (*list)[i] = pm.isNull() ? QCursor(Qt::CrossCursor) : QCursor(pm, kCursors[i].hotX, kCursors[i].hotY);
    }
    return list;
  }();
  static const QCursor arrow(Qt::ArrowCursor);
  const int i = id - kFirst;
  return i >= 0 && i < int(kCursors.size()) ? (*cursors)[size_t(i)] : arrow;
}

int ShiftedCursor(int id) {
  if (id == crCross3) return crCross3Plus;
  if (id == crCross2) return crCross2Plus;
  return id;
}

}  // namespace ox
