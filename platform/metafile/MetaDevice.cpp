// Drawing state and primitives shared by the WMF and EMF players, and the DIB decoder of their bitmap records.
#include "platform/metafile/MetaDevice.h"

#include <QFontMetricsF>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

#include "imaging/model/DibInfo.h"
#include "platform/gfx/SizeGuard.h"

namespace platform::meta {
namespace {

// Device coordinates stay far inside int range whatever the file's transforms produce.
constexpr double kCoordLimit = 1e7;

double Finite(double v) {
  if (!std::isfinite(v)) return 0;
  return std::clamp(v, -kCoordLimit, kCoordLimit);
}
int Px(double v) { return int(std::lround(Finite(v))); }
QPointF Clamped(QPointF p) { return {Finite(p.x()), Finite(p.y())}; }

QRect DeviceRectOf(QPointF a, QPointF b) {
  const int l = Px(std::min(a.x(), b.x())), r = Px(std::max(a.x(), b.x()));
  const int t = Px(std::min(a.y(), b.y())), btm = Px(std::max(a.y(), b.y()));
  return QRect(QPoint(l, t), QSize(r - l, btm - t));
}

QPainter::CompositionMode BltMode(uint32_t rop) {
  switch (rop) {
    case 0x008800C6: return QPainter::RasterOp_SourceAndDestination;
    case 0x00EE0086: return QPainter::RasterOp_SourceOrDestination;
    case 0x00660046: return QPainter::RasterOp_SourceXorDestination;
    case 0x00330008: return QPainter::RasterOp_NotSource;
    case 0x00440328: return QPainter::RasterOp_SourceAndNotDestination;
    case 0x001100A6: return QPainter::RasterOp_NotSourceAndNotDestination;
    case 0x00BB0226: return QPainter::RasterOp_NotSourceOrDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

}  // namespace

QImage DecodeDib(TBytes info, TBytes bits, bool paletteIndexes, bool alpha) {
  // The header through the one DIB header reader; metafiles carry the core header or one of 40 bytes on.
  ox::TOXReader r(info);
  ox::TDibInfo d;
  if (!ox::ReadDibInfo(r, d) || (d.HeaderSize != ox::kDibCoreHeaderSize && d.HeaderSize < ox::kDibInfoHeaderSize))
    return {};
  const uint32_t hs = d.HeaderSize;
  const int64_t w = d.Width, h = d.Height;
  const bool topDown = d.TopDown;
  const int bpp = d.Bits;
  const uint32_t comp = d.Compression, clrUsed = d.ColorsUsed;
  if (!gfx::ImageSizeAllowed(w, h, 32)) return {};
  const bool rle = (comp == ox::dcRle8 && bpp == 8) || (comp == ox::dcRle4 && bpp == 4);
  if (!(comp == ox::dcRgb || comp == ox::dcBitFields || rle)) return {};
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return {};
  if (comp == ox::dcBitFields && bpp != 16 && bpp != 32) return {};
  // The table follows the header, and the masks after a 40-byte one.
  const size_t tableAt = size_t(r.Position());
  const size_t entry = hs == 12 ? 3 : (paletteIndexes ? 2 : 4);
  size_t entries = clrUsed;
  if (bpp <= 8 && (entries == 0 || entries > (1u << bpp))) entries = entries == 0 ? (1u << bpp) : entries;
  if (hs == 12) entries = bpp <= 8 ? (1u << bpp) : 0;
  if (entries > 65536) return {};
  std::vector<QRgb> pal(256, qRgb(0, 0, 0));
  if (bpp <= 8) {
    const size_t n = std::min<size_t>(entries, 256);
    const TBytes table = Slice(info, tableAt, n * entry);
    if (table.size() != n * entry) return {};
    ox::TOXReader t(table);
    for (size_t i = 0; i < n; ++i) {
      if (paletteIndexes) {
        const int v = t.ReadU16LE() & 0xFF;  // no logical palette here: indexes become a gray ramp
        pal[i] = qRgb(v, v, v);
      } else {
        const uint8_t b = t.ReadU8(), g = t.ReadU8(), rr = t.ReadU8();
        if (entry == 4) t.ReadU8();
        pal[i] = qRgb(rr, g, b);
      }
    }
  }
  if (bits.size() == 0) {
    const size_t at = tableAt + entries * entry;
    if (at > info.size()) return {};
    bits = Slice(info, at, info.size() - at);
  }

  const int64_t stride = gfx::RowBytes(w, bpp);
  std::vector<uint8_t> indexes;
  if (rle) {
    // Runs may expand a lot, but not without bound: refuse pictures far larger than their data explains.
    if (w * h > std::min<int64_t>(std::max<int64_t>(int64_t(bits.size()), 64) * 256, int64_t(1) << 26)) return {};
    indexes.assign(size_t(w * h), 0);
    int64_t x = 0, y = 0;
    ox::TOXReader s(bits);
    auto put = [&](uint8_t v) {
      if (x < w && y < h) indexes[size_t(y * w + x)] = v;
      ++x;
    };
    while (s.Has(2) && y < h) {
      const uint8_t n = s.ReadU8(), c = s.ReadU8();
      if (n > 0) {
        for (int i = 0; i < n && x < w; ++i) put(bpp == 8 ? c : ((i & 1) ? c & 0xF : c >> 4));
      } else if (c == 0) {
        x = 0, ++y;
      } else if (c == 1) {
        break;
      } else if (c == 2) {
        x += s.ReadU8();
        y += s.ReadU8();
      } else {
        const size_t bytes = bpp == 8 ? c : (size_t(c) + 1) / 2;
        const TBytes lit = TakeBytes(s, bytes);
        if (lit.size() != bytes) break;
        for (int i = 0; i < c; ++i) {
          const uint8_t v = lit[bpp == 8 ? i : i / 2];
          put(bpp == 8 ? v : ((i & 1) ? v & 0xF : v >> 4));
        }
        s.Skip(bytes & 1);
      }
    }
  } else if (int64_t(bits.size()) / stride < h) {
    return {};  // the pixels must all be there: a header alone never buys a large allocation
  }

  QImage img(int(w), int(h), alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  if (img.isNull()) return {};
  img.fill(alpha ? 0u : 0xFF000000u);
  const ox::TDibChannel cr(d.Masks[0]), cg(d.Masks[1]), cb(d.Masks[2]);
  for (int64_t fy = 0; fy < h; ++fy) {
    QRgb* out = reinterpret_cast<QRgb*>(img.scanLine(int(topDown ? fy : h - 1 - fy)));
    if (rle) {
      const uint8_t* in = indexes.data() + fy * w;
      for (int64_t x = 0; x < w; ++x) out[x] = pal[in[x]];
      continue;
    }
    const uint8_t* in = bits.data() + fy * stride;
    switch (bpp) {
      case 1:
        for (int64_t x = 0; x < w; ++x) out[x] = pal[(in[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int64_t x = 0; x < w; ++x) out[x] = pal[(x & 1) ? in[x >> 1] & 0xF : in[x >> 1] >> 4];
        break;
      case 8:
        for (int64_t x = 0; x < w; ++x) out[x] = pal[in[x]];
        break;
      case 16:
        for (int64_t x = 0; x < w; ++x) {
          const uint32_t v = in[2 * x] | in[2 * x + 1] << 8;
          out[x] = qRgb(cr(v), cg(v), cb(v));
        }
        break;
      case 24:
        for (int64_t x = 0; x < w; ++x) out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        break;
      case 32:
        for (int64_t x = 0; x < w; ++x) {
          const uint32_t v = uint32_t(in[4 * x]) | uint32_t(in[4 * x + 1]) << 8 | uint32_t(in[4 * x + 2]) << 16 |
                             uint32_t(in[4 * x + 3]) << 24;
          if (alpha) {
            const uint32_t a = v >> 24;
            out[x] = qRgba(std::min<uint32_t>(cr(v), a), std::min<uint32_t>(cg(v), a), std::min<uint32_t>(cb(v), a), a);
          } else {
            out[x] = qRgb(cr(v), cg(v), cb(v));
          }
        }
        break;
    }
  }
  return img;
}

TMetaDevice::TMetaDevice(QPainter& painter, QSize deviceSize, bool textAllowed)
    : p_(painter), device_(QPoint(0, 0), deviceSize), textAllowed_(textAllowed) {
  p_.setRenderHint(QPainter::Antialiasing, false);
  p_.setRenderHint(QPainter::TextAntialiasing, true);
}

QTransform TMetaDevice::Xform() const {
  double sx = 1, sy = 1;
  switch (S.MapMode) {
    case MM_LOMETRIC: sx = 0.1, sy = -0.1; break;
    case MM_HIMETRIC: sx = 0.01, sy = -0.01; break;
    case MM_LOENGLISH: sx = 0.254, sy = -0.254; break;
    case MM_HIENGLISH: sx = 0.0254, sy = -0.0254; break;
    case MM_TWIPS: sx = 25.4 / 1440, sy = -25.4 / 1440; break;
    default: break;
  }
  if (S.MapMode >= MM_LOMETRIC && S.MapMode <= MM_TWIPS) {
    sx *= PxPerMmX;
    sy *= PxPerMmY;
  } else if (S.MapMode == MM_ISOTROPIC || S.MapMode == MM_ANISOTROPIC) {
    sx = S.VpExt.x() / (S.WinExt.x() == 0 ? 1 : S.WinExt.x());
    sy = S.VpExt.y() / (S.WinExt.y() == 0 ? 1 : S.WinExt.y());
    if (S.MapMode == MM_ISOTROPIC) {
      const double m = std::min(std::fabs(sx), std::fabs(sy));
      sx = std::copysign(m, sx);
      sy = std::copysign(m, sy);
    }
  }
  const QTransform page(sx, 0, 0, sy, S.VpOrg.x() - S.WinOrg.x() * sx, S.VpOrg.y() - S.WinOrg.y() * sy);
  const QTransform t = S.World * page * DeviceFromRef;
  for (double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()})
    if (!std::isfinite(v)) return QTransform();
  return t;
}

double TMetaDevice::ScaleX() const {
  const QTransform t = Xform();
  return std::hypot(t.m11(), t.m12());
}
double TMetaDevice::ScaleY() const {
  const QTransform t = Xform();
  return std::hypot(t.m21(), t.m22());
}

void TMetaDevice::SaveDC() {
  if (saved_.size() < 4096) saved_.push_back(S);
}

void TMetaDevice::RestoreDC(int relative) {
  const int64_t n = int64_t(saved_.size());
  int64_t keep;  // saved states left after the restore
  if (relative < 0) keep = n + relative;
  else keep = int64_t(relative) - 1;
  if (keep < 0 || keep >= n) return;
  S = saved_[size_t(keep)];
  saved_.resize(size_t(keep));
}

void TMetaDevice::ApplyRop2() {
  QPainter::CompositionMode m = QPainter::CompositionMode_SourceOver;
  switch (S.Rop2) {
    case 1: m = QPainter::RasterOp_ClearDestination; break;
    case 4: m = QPainter::RasterOp_NotSource; break;
    case 6: m = QPainter::RasterOp_NotDestination; break;
    case 7: m = QPainter::RasterOp_SourceXorDestination; break;
    case 9: m = QPainter::RasterOp_SourceAndDestination; break;
    case 11: m = QPainter::CompositionMode_Destination; break;
    case 15: m = QPainter::RasterOp_SourceOrDestination; break;
    case 16: m = QPainter::RasterOp_SetDestination; break;
    default: break;
  }
  p_.setCompositionMode(m);
}

void TMetaDevice::Prepare() {
  p_.setTransform(QTransform());
  ApplyRop2();
  if (S.HasClip) p_.setClipRegion(S.Clip);
  else p_.setClipping(false);
}

QPen TMetaDevice::DevicePen() const {
  QPen pen(QColor::fromRgb(S.Pen.Color));
  const double w = Finite(S.Pen.Width * ScaleX());
  const uint32_t style = S.Pen.Style;
  if (w >= 1.5) pen.setWidthF(std::min(w, 2.0 * (device_.width() + device_.height()) + 2));
  else pen.setWidth(0);
  switch (style & 0xF) {
    case 1: pen.setStyle(Qt::DashLine); break;
    case 2: case 8: pen.setStyle(Qt::DotLine); break;
    case 3: pen.setStyle(Qt::DashDotLine); break;
    case 4: pen.setStyle(Qt::DashDotDotLine); break;
    default: pen.setStyle(Qt::SolidLine); break;
  }
  switch (style & 0xF00) {
    case 0x100: pen.setCapStyle(Qt::SquareCap); break;
    case 0x200: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
  }
  switch (style & 0xF000) {
    case 0x1000: pen.setJoinStyle(Qt::BevelJoin); break;
    case 0x2000: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
  }
  return pen;
}

void TMetaDevice::FillWith(const QPainterPath& path, const TLogBrush& b) {
  if (!BrushVisible(b)) return;
  if (b.Style == 2) {
    if (S.BkMode == OPAQUE) p_.fillPath(path, QColor::fromRgb(S.BkColor));
    Qt::BrushStyle hs = Qt::HorPattern;
    switch (b.Hatch) {
      case 1: hs = Qt::VerPattern; break;
      case 2: hs = Qt::FDiagPattern; break;
      case 3: hs = Qt::BDiagPattern; break;
      case 4: hs = Qt::CrossPattern; break;
      case 5: hs = Qt::DiagCrossPattern; break;
      default: break;
    }
    p_.fillPath(path, QBrush(QColor::fromRgb(b.Color), hs));
  } else if ((b.Style == 3 || b.Style == 5 || b.Style == 6) && !b.Pattern.isNull()) {
    p_.fillPath(path, QBrush(b.Pattern));
  } else {
    p_.fillPath(path, QColor::fromRgb(b.Color));
  }
}

void TMetaDevice::DrawPath(const QPainterPath& path, bool stroke, bool fill) {
  if (path.isEmpty()) return;
  Prepare();
  QPainterPath p = path;
  p.setFillRule(S.PolyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
  if (fill) FillWith(p, S.Brush);
  if (stroke && PenVisible()) p_.strokePath(p, DevicePen());
}

void TMetaDevice::Shape(const QPainterPath& path) {
  if (inPath_) {
    path_.addPath(path);
    return;
  }
  DrawPath(path, true, true);
}

QPolygonF TMetaDevice::DeviceRounded(const QPolygonF& logical) const {
  const QTransform t = Xform();
  QPolygonF out;
  out.reserve(logical.size());
  for (const QPointF& pt : logical) {
    const QPointF d = t.map(pt);
    out.append(QPointF(Px(d.x()), Px(d.y())));
  }
  return out;
}

QRectF TMetaDevice::DeviceRect(QRectF logical) const {
  const QTransform t = Xform();
  return DeviceRectOf(t.map(logical.topLeft()), t.map(logical.bottomRight()));
}

void TMetaDevice::MoveTo(QPointF p) {
  S.CurPos = p;
  if (inPath_) path_.moveTo(Clamped(Map(p)));
}

void TMetaDevice::LineTo(QPointF p) {
  PolylineTo(QPolygonF({p}));
}

void TMetaDevice::Polyline(const QPolygonF& pts) {
  if (pts.isEmpty()) return;
  const QPolygonF d = DeviceRounded(pts);
  QPainterPath path(d[0]);
  for (qsizetype i = 1; i < d.size(); ++i) path.lineTo(d[i]);
  if (inPath_) path_.addPath(path);
  else DrawPath(path, true, false);
}

void TMetaDevice::PolylineTo(const QPolygonF& pts) {
  if (pts.isEmpty()) return;
  const QPolygonF d = DeviceRounded(pts);
  if (inPath_) {
    if (path_.elementCount() == 0) path_.moveTo(DeviceRounded(QPolygonF({S.CurPos}))[0]);
    for (const QPointF& q : d) path_.lineTo(q);
  } else {
    QPainterPath path(DeviceRounded(QPolygonF({S.CurPos}))[0]);
    for (const QPointF& q : d) path.lineTo(q);
    DrawPath(path, true, false);
  }
  S.CurPos = pts.back();
}

void TMetaDevice::PolyBezier(const QPolygonF& pts, bool fromCurrent) {
  QPolygonF all = pts;
  if (fromCurrent) all.prepend(S.CurPos);
  if (all.size() < 4) return;
  const QTransform t = Xform();
  QPainterPath path(Clamped(t.map(all[0])));
  for (qsizetype i = 1; i + 2 < all.size(); i += 3)
    path.cubicTo(Clamped(t.map(all[i])), Clamped(t.map(all[i + 1])), Clamped(t.map(all[i + 2])));
  if (fromCurrent) S.CurPos = all[1 + ((all.size() - 1) / 3) * 3 - 1];
  if (inPath_) {
    if (fromCurrent && path_.elementCount() > 0) path_.connectPath(path);
    else path_.addPath(path);
  } else {
    DrawPath(path, true, false);
  }
}

void TMetaDevice::Polygon(const std::vector<QPolygonF>& polys) {
  QPainterPath path;
  for (const QPolygonF& poly : polys) {
    if (poly.size() < 2) continue;
    path.addPolygon(DeviceRounded(poly));
    path.closeSubpath();
  }
  Shape(path);
}

void TMetaDevice::PolyPolyline(const std::vector<QPolygonF>& lines) {
  for (const QPolygonF& l : lines) Polyline(l);
}

void TMetaDevice::Rectangle(QRectF r) {
  const QTransform t = Xform();
  if (!t.isRotating()) {
    const QRect d = DeviceRectOf(t.map(r.topLeft()), t.map(r.bottomRight()));
    if (inPath_) {
      path_.addRect(d);
      path_.closeSubpath();
      return;
    }
    // The outline runs on the last pixel inside, as the fill ends before the right and bottom edges.
    Prepare();
    QPainterPath fill;
    fill.addRect(d);
    FillWith(fill, S.Brush);
    if (PenVisible() && d.width() > 0 && d.height() > 0) {
      QPainterPath frame;
      frame.addRect(QRectF(d.x(), d.y(), d.width() - 1, d.height() - 1));
      p_.strokePath(frame, DevicePen());
    }
    return;
  }
  Polygon({QPolygonF({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()})});
}

void TMetaDevice::RoundRect(QRectF r, QSizeF corner) {
  QPainterPath path;
  path.addRoundedRect(r.normalized(), std::fabs(corner.width()) / 2, std::fabs(corner.height()) / 2);
  Shape(Xform().map(path));
}

void TMetaDevice::Ellipse(QRectF r) {
  QPainterPath path;
  path.addEllipse(r.normalized());
  Shape(Xform().map(path));
}

void TMetaDevice::Arc(QRectF r, QPointF start, QPointF end, TArcKind kind) {
  const QTransform t = Xform();
  const QRectF d = DeviceRectOf(t.map(r.topLeft()), t.map(r.bottomRight()));
  const QPointF c = d.center(), s = t.map(start), e = t.map(end);
  const double rx = std::max(d.width() / 2, 1e-9), ry = std::max(d.height() / 2, 1e-9);
  // Angles on the ellipse where the radials through the two points cross it.
  const double a0 = std::atan2(-(s.y() - c.y()) / ry, (s.x() - c.x()) / rx) * 180 / M_PI;
  const double a1 = std::atan2(-(e.y() - c.y()) / ry, (e.x() - c.x()) / rx) * 180 / M_PI;
  double sweep = S.Clockwise ? a0 - a1 : a1 - a0;
  sweep = std::fmod(sweep + 720, 360);
  if (sweep <= 1e-9) sweep = 360;
  if (S.Clockwise) sweep = -sweep;
  QPainterPath path;
  if (kind == akPie) {
    path.moveTo(c);
    path.arcTo(d, a0, sweep);
    path.closeSubpath();
  } else {
    path.arcMoveTo(d, a0);
    if (kind == akArcTo) {
      QPainterPath lead(Clamped(t.map(S.CurPos)));
      lead.lineTo(path.currentPosition());
      path = lead;
    }
    path.arcTo(d, a0, sweep);
    if (kind == akChord) path.closeSubpath();
  }
  if (kind == akArcTo) {
    bool invertible = false;
    const QTransform inv = t.inverted(&invertible);
    if (invertible) S.CurPos = inv.map(path.currentPosition());
  }
  if (kind == akArc || kind == akArcTo) {
    if (inPath_) path_.addPath(path);
    else DrawPath(path, true, false);
  } else {
    Shape(path);
  }
}

void TMetaDevice::SetPixel(QPointF p, QRgb c) {
  if (inPath_) return;
  Prepare();
  const QPointF d = Map(p);
  p_.fillRect(QRect(Px(d.x()), Px(d.y()), 1, 1), QColor::fromRgb(c));
}

void TMetaDevice::FillLogicalRects(const std::vector<QRect>& rects, const TLogBrush& brush) {
  if (inPath_) return;
  Prepare();
  QPainterPath path;
  for (const QRect& r : rects) path.addRect(DeviceRect(QRectF(r.x(), r.y(), r.width(), r.height())));
  FillWith(path, brush);
}

void TMetaDevice::Text(QPointF ref, const QString& fullText, const std::vector<double>& dx, uint32_t options,
                       std::optional<QRectF> rect) {
  if (inPath_) return;
  Prepare();
  p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (rect && (options & ETO_OPAQUE)) p_.fillRect(DeviceRect(*rect), QColor::fromRgb(S.BkColor));
  if (!textAllowed_ || fullText.isEmpty()) return;
  // Longer runs cannot be on the picture anyway; the cap keeps one record from costing minutes.
  const QString text = fullText.left(32768);

  const double sx = ScaleX(), sy = ScaleY();
  double px = S.Font.Height == 0 ? 12.0 : std::fabs(S.Font.Height * sy);
  QFont font(S.Font.Face.isEmpty() ? QStringLiteral("Sans Serif") : S.Font.Face);
  font.setPixelSize(std::clamp(Px(px), 1, 2048));
  if (S.Font.Height > 0) {
    // A positive height is the cell (ascent + descent), not the em.
    const QFontMetricsF m(font);
    const double cell = m.ascent() + m.descent();
    if (cell > 0) font.setPixelSize(std::clamp(Px(px * px / cell), 1, 2048));
  }
  font.setWeight(QFont::Weight(std::clamp(S.Font.Weight == 0 ? 400 : S.Font.Weight, 100, 900)));
  font.setItalic(S.Font.Italic);
  font.setUnderline(S.Font.Underline);
  font.setStrikeOut(S.Font.StrikeOut);
  const QFontMetricsF fm(font);

  double width = 0;
  std::vector<double> adv;
  if (!dx.empty()) {
    for (double v : dx) adv.push_back(Finite(v * sx));
    for (qsizetype i = 0; i < text.size() && size_t(i) < adv.size(); ++i) width += adv[size_t(i)];
  } else {
    width = fm.horizontalAdvance(text);
  }
  const bool updateCp = S.TextAlign & TA_UPDATECP;
  const QPointF at = Clamped(Map(updateCp ? S.CurPos : ref));
  double x0 = 0, base = fm.ascent();
  if ((S.TextAlign & TA_CENTER) == TA_CENTER) x0 = -width / 2;
  else if (S.TextAlign & TA_RIGHT) x0 = -width;
  if ((S.TextAlign & TA_BASELINE) == TA_BASELINE) base = 0;
  else if (S.TextAlign & TA_BOTTOM) base = -fm.descent();

  p_.save();
  if (rect && (options & ETO_CLIPPED)) p_.setClipRect(DeviceRect(*rect), Qt::IntersectClip);
  p_.translate(at);
  p_.rotate(-S.Font.Escapement / 10.0);
  if (S.BkMode == OPAQUE && !(rect && (options & ETO_OPAQUE)))
    p_.fillRect(QRectF(x0, base - fm.ascent(), width, fm.ascent() + fm.descent()), QColor::fromRgb(S.BkColor));
  p_.setFont(font);
  p_.setPen(QColor::fromRgb(S.TextColor));
  if (adv.empty()) {
    p_.drawText(QPointF(x0, base), text);
  } else {
    double x = x0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      p_.drawText(QPointF(x, base), QString(text[i]));
      x += size_t(i) < adv.size() ? adv[size_t(i)] : fm.horizontalAdvance(text[i]);
    }
  }
  p_.restore();
  if (updateCp && sx > 0) S.CurPos.rx() += width / sx;
}

void TMetaDevice::StretchImage(const QImage& img, QRectF src, QRectF dst, uint32_t rop) {
  if (inPath_ || img.isNull()) return;
  const QTransform t = Xform();
  const QPointF a = t.map(dst.topLeft()), b = t.map(dst.bottomRight());
  const QRect target = DeviceRectOf(a, b);
  if (target.isEmpty()) return;
  QRect s = src.normalized().toRect() & img.rect();
  if (s.isEmpty()) return;
  QImage piece = img.copy(s);
  const bool mx = (b.x() < a.x()) != (src.width() < 0), my = (b.y() < a.y()) != (src.height() < 0);
  if (mx || my) piece = piece.mirrored(mx, my);
  Prepare();
  p_.setCompositionMode(BltMode(rop));
  p_.setRenderHint(QPainter::SmoothPixmapTransform, S.StretchMode == 4);
  p_.drawImage(target, piece);
}

void TMetaDevice::PatBlt(QRectF dst, uint32_t rop) {
  if (inPath_) return;
  const QRect d = DeviceRect(dst).toRect();
  if (d.isEmpty()) return;
  Prepare();
  QPainterPath path;
  path.addRect(d);
  switch (rop) {
    case 0x00000042: p_.fillRect(d, Qt::black); break;
    case 0x00FF0062: p_.fillRect(d, Qt::white); break;
    case 0x00550009:
      p_.setCompositionMode(QPainter::RasterOp_NotDestination);
      p_.fillRect(d, Qt::white);
      break;
    case 0x005A0049:
      p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      FillWith(path, S.Brush);
      break;
    case 0x00AA0029: break;  // destination unchanged
    default:
      p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
      FillWith(path, S.Brush);
      break;
  }
}

void TMetaDevice::IntersectClip(QRectF r) {
  const QRegion rr(DeviceRect(r).toRect());
  S.Clip = S.HasClip ? S.Clip.intersected(rr) : rr.intersected(device_);
  S.HasClip = true;
}

void TMetaDevice::ExcludeClip(QRectF r) {
  const QRegion rr(DeviceRect(r).toRect());
  S.Clip = (S.HasClip ? S.Clip : QRegion(device_)).subtracted(rr);
  S.HasClip = true;
}

void TMetaDevice::OffsetClip(QPointF d) {
  if (!S.HasClip) return;
  const QTransform t = Xform();
  const QPointF o = t.map(d) - t.map(QPointF(0, 0));
  S.Clip.translate(Px(o.x()), Px(o.y()));
}

void TMetaDevice::SelectClip(const QRegion& region, int mode) {
  const QRegion base = S.HasClip ? S.Clip : QRegion(device_);
  switch (mode) {
    case RGN_AND: S.Clip = base.intersected(region); break;
    case RGN_OR: S.Clip = base.united(region); break;
    case RGN_XOR: S.Clip = base.xored(region); break;
    case RGN_DIFF: S.Clip = base.subtracted(region); break;
    case RGN_COPY: S.Clip = region; break;
    default: return;
  }
  S.HasClip = true;
}

void TMetaDevice::ResetClip() {
  S.HasClip = false;
  S.Clip = QRegion();
}

QRegion TMetaDevice::LogicalRegion(const std::vector<QRect>& rects) const {
  QRegion out;
  for (const QRect& r : rects) out += DeviceRect(QRectF(r.x(), r.y(), r.width(), r.height())).toRect();
  return out;
}

QRegion TMetaDevice::RefRegion(const std::vector<QRect>& rects) const {
  QRegion out;
  for (const QRect& r : rects) {
    const QPointF a = DeviceFromRef.map(QPointF(r.topLeft())), b = DeviceFromRef.map(QPointF(r.x() + r.width(), r.y() + r.height()));
    out += DeviceRectOf(a, b);
  }
  return out;
}

void TMetaDevice::WidenPath() {
  QPainterPathStroker stroker(DevicePen());
  if (stroker.width() < 1) stroker.setWidth(1);
  path_ = stroker.createStroke(path_);
}

void TMetaDevice::SelectClipPath(int mode) {
  QPainterPath p = path_;
  p.setFillRule(S.PolyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
  QRegion region;
  for (const QPolygonF& poly : p.toFillPolygons()) region += QRegion(poly.toPolygon(), p.fillRule());
  SelectClip(region, mode);
  path_ = QPainterPath();
  inPath_ = false;
}

}  // namespace platform::meta
