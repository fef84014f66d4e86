// TMetaDevice: the drawing state both metafile players share (objects, mapping, clipping, paths) over QPainter.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <optional>
#include <span>
#include <vector>

#include "imaging/model/oxstreams.h"

namespace platform::meta {

// A metafile or a part of one; the file's bytes outlive every player.
using TBytes = std::span<const uint8_t>;

// The n bytes at offset `at` of d; empty when any of them lie outside.
inline TBytes Slice(TBytes d, size_t at, size_t n) {
  return at > d.size() || n > d.size() - at ? TBytes() : d.subspan(at, n);
}
// The next n bytes of a reader over memory, which moves past them; empty (and the reader failed) when fewer remain.
inline TBytes TakeBytes(ox::TOXReader& r, size_t n) {
  size_t available = 0;
  const uint8_t* at = r.Window(available);
  return r.Skip(int64_t(n)) && n <= available ? TBytes(at, n) : TBytes();
}

struct TLogPen {
  uint32_t Style = 0;  // PS_* with end-cap and join bits
  double Width = 0;    // logical units; 0 = one device pixel
  QRgb Color = 0xFF000000;
};

struct TLogBrush {
  uint32_t Style = 0;  // 0 solid, 1 null, 2 hatched, 3/5/6 pattern
  QRgb Color = 0xFFFFFFFF;
  uint32_t Hatch = 0;
  QImage Pattern;
};

struct TLogFont {
  int Height = 0, Width = 0, Escapement = 0, Weight = 400;
  bool Italic = false, Underline = false, StrikeOut = false;
  int CharSet = 0;
  QString Face;
};

struct TGdiObject {
  enum TKind { okNone, okPen, okBrush, okFont, okRegion, okOther } Kind = okNone;
  TLogPen Pen;
  TLogBrush Brush;
  TLogFont Font;
  std::vector<QRect> Region;  // logical rectangles (WMF regions)
};

// Mapping modes, background modes and text alignment flags as the files store them.
enum { MM_TEXT = 1, MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH, MM_TWIPS, MM_ISOTROPIC, MM_ANISOTROPIC };
enum { TRANSPARENT = 1, OPAQUE = 2 };
enum { TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24 };
enum { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };
enum { RGN_AND = 1, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY };

struct TDCState {
  TLogPen Pen;
  TLogBrush Brush;
  TLogFont Font;
  QRgb TextColor = 0xFF000000, BkColor = 0xFFFFFFFF;
  int BkMode = OPAQUE, TextAlign = 0, PolyFillMode = 1, Rop2 = 13, StretchMode = 1;
  bool Clockwise = false;
  QPointF CurPos;
  bool HasClip = false;
  QRegion Clip;  // device pixels
  int MapMode = MM_TEXT;
  QPointF WinOrg{0, 0}, WinExt{1, 1}, VpOrg{0, 0}, VpExt{1, 1};
  QTransform World;
};

// Colour value 0x00BBGGRR as the files store it (palette-index forms fall back to their low 24 bits).
inline QRgb ColorRef(uint32_t c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// A DIB (info header, colour table, pixels) as an RGB32 image (ARGB32 premultiplied when `alpha`);
// null when the header, sizes or data do not agree. `bits` may be empty: the pixels follow the table then.
QImage DecodeDib(TBytes info, TBytes bits, bool paletteIndexes, bool alpha = false);

class TMetaDevice {
 public:
  TMetaDevice(QPainter& painter, QSize deviceSize, bool textAllowed);

  TDCState S;
  // Reference-device pixels to target pixels (identity for WMF); set by the player before drawing.
  QTransform DeviceFromRef;
  // Pixels per millimetre of the reference device, for the metric mapping modes.
  double PxPerMmX = 96 / 25.4, PxPerMmY = 96 / 25.4;
  // WMF playback pins the viewport to the destination: viewport and mapping-mode records are ignored.
  bool LockViewport = false;

  QTransform Xform() const;  // logical -> target pixels
  QPointF Map(QPointF p) const { return Xform().map(p); }
  double ScaleX() const;     // target pixels per logical unit, along x and y
  double ScaleY() const;

  void SaveDC();
  void RestoreDC(int relative);  // negative: that many levels back; positive: that absolute level

  // Geometry; logical coordinates. Inside a path bracket it is added to the path instead of drawn.
  void MoveTo(QPointF p);
  void LineTo(QPointF p);
  void Polyline(const QPolygonF& pts);
  void PolylineTo(const QPolygonF& pts);
  void PolyBezier(const QPolygonF& pts, bool fromCurrent);
  void Polygon(const std::vector<QPolygonF>& polys);
  void PolyPolyline(const std::vector<QPolygonF>& lines);
  void Rectangle(QRectF r);
  void RoundRect(QRectF r, QSizeF corner);
  void Ellipse(QRectF r);
  enum TArcKind { akArc, akChord, akPie, akArcTo };
  void Arc(QRectF r, QPointF start, QPointF end, TArcKind kind);
  void SetPixel(QPointF p, QRgb c);
  void FillLogicalRects(const std::vector<QRect>& rects, const TLogBrush& brush);

  // Text at a logical reference point; dx (logical advances) may be empty; rect used with ETO_* options.
  void Text(QPointF ref, const QString& text, const std::vector<double>& dx, uint32_t options,
            std::optional<QRectF> rect);

  // Bitmap into a logical destination rectangle (negative sizes mirror); src in image pixels from the top.
  void StretchImage(const QImage& img, QRectF src, QRectF dst, uint32_t rop);
  void PatBlt(QRectF dst, uint32_t rop);

  // Clipping. Logical rectangles; device regions for the enhanced metafile's region records.
  void IntersectClip(QRectF r);
  void ExcludeClip(QRectF r);
  void OffsetClip(QPointF d);
  void SelectClip(const QRegion& deviceRegion, int mode);
  void ResetClip();
  QRegion LogicalRegion(const std::vector<QRect>& rects) const;
  QRegion RefRegion(const std::vector<QRect>& rects) const;  // reference-device rectangles

  // Path bracket of the enhanced metafile.
  void BeginPath() { inPath_ = true; path_ = QPainterPath(); }
  void EndPath() { inPath_ = false; }
  void AbortPath() { inPath_ = false; path_ = QPainterPath(); }
  void CloseFigure() { if (inPath_) path_.closeSubpath(); }
  void FillPath() { DrawPath(path_, false, true); path_ = QPainterPath(); }
  void StrokePath() { DrawPath(path_, true, false); path_ = QPainterPath(); }
  void StrokeAndFillPath() { DrawPath(path_, true, true); path_ = QPainterPath(); }
  void WidenPath();
  void SelectClipPath(int mode);

 private:
  void Prepare();
  QPen DevicePen() const;
  bool PenVisible() const { return (S.Pen.Style & 0xF) != 5; }
  bool BrushVisible(const TLogBrush& b) const { return b.Style != 1; }
  void FillWith(const QPainterPath& devicePath, const TLogBrush& brush);
  void DrawPath(const QPainterPath& devicePath, bool stroke, bool fill);
  // Adds closed geometry to the path bracket or draws it with the brush and pen.
  void Shape(const QPainterPath& devicePath);
  void ApplyRop2();
  QPolygonF DeviceRounded(const QPolygonF& logical) const;
  QRectF DeviceRect(QRectF logical) const;

  QPainter& p_;
  QRect device_;
  bool textAllowed_;
  std::vector<TDCState> saved_;
  bool inPath_ = false;
  QPainterPath path_;
};

}  // namespace platform::meta
