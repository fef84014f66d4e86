// Enhanced metafile header and record player.
#include <QString>
#include <bit>
#include <cmath>

#include "platform/metafile/MetaDevice.h"
#include "platform/metafile/MetaFormats.h"
#include "platform/metafile/MetaRecords.h"

namespace platform::meta {
namespace {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kStock = 0x80000000;

float F32(ox::TOXReader& r) { return std::bit_cast<float>(r.ReadU32LE()); }

class TEmfPlayer {
 public:
  TEmfPlayer(QPainter& painter, QSize device, bool text, int handles) : dc_(painter, device, text) {
    objects_.resize(size_t(std::clamp(handles, 1, 65536)));
  }
  TMetaDevice& DC() { return dc_; }
  void Play(uint32_t type, TBytes rec);

 private:
  static QPointF Pt(ox::TOXReader& r) {
    const int x = r.ReadI32LE(), y = r.ReadI32LE();
    return QPointF(x, y);
  }
  static QRectF Box(ox::TOXReader& r) {
    const int l = r.ReadI32LE(), t = r.ReadI32LE(), rt = r.ReadI32LE(), b = r.ReadI32LE();
    return QRectF(QPointF(l, t), QPointF(rt, b));
  }
  static QPolygonF Points(ox::TOXReader& r, uint32_t n, bool small) {
    QPolygonF poly;
    if (!r.Has(size_t(n) * (small ? 4 : 8))) return poly;
    poly.reserve(qsizetype(n));
    for (uint32_t i = 0; i < n; ++i) {
      const int x = small ? r.ReadI16LE() : r.ReadI32LE();
      const int y = small ? r.ReadI16LE() : r.ReadI32LE();
      poly.append(QPointF(x, y));
    }
    return poly;
  }
  // Record-relative offsets count the 8-byte type and size in front of `r`.
  TBytes Part(uint32_t off, uint32_t len) const {
    if (off < 8 || len == 0) return {};
    return Slice(rec_, size_t(off) - 8, len);
  }
  static std::vector<QRect> RegionRects(TBytes bytes) {
    std::vector<QRect> out;
    ox::TOXReader r(bytes);
    r.Skip(8);
    const uint32_t n = r.ReadU32LE();
    r.Skip(20);
    if (r.Failed() || !r.Has(size_t(n) * 16)) return out;
    out.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
      const int l = r.ReadI32LE(), t = r.ReadI32LE(), rt = r.ReadI32LE(), b = r.ReadI32LE();
      if (rt > l && b > t) out.push_back(QRect(l, t, rt - l, b - t));
    }
    return out;
  }
  TGdiObject* Slot(uint32_t i) {
    if (i >= 65536) return nullptr;
    if (i >= objects_.size()) objects_.resize(size_t(i) + 1);
    return &objects_[i];
  }
  void Select(uint32_t i);
  void Polys(ox::TOXReader& r, bool small, bool polygon);
  void Blt(uint32_t type, ox::TOXReader& r);
  void StretchDib(uint32_t type, ox::TOXReader& r);
  void TextOut(uint32_t type, ox::TOXReader& r);

  TMetaDevice dc_;
  std::vector<TGdiObject> objects_;
  TBytes rec_;  // the record playing
};

void TEmfPlayer::Select(uint32_t i) {
  TDCState& s = dc_.S;
  if (i & kStock) {
    switch (i & ~kStock) {
      case 0: case 18: s.Brush = TLogBrush{0, qRgb(255, 255, 255), 0, {}}; break;
      case 1: s.Brush = TLogBrush{0, qRgb(192, 192, 192), 0, {}}; break;
      case 2: s.Brush = TLogBrush{0, qRgb(128, 128, 128), 0, {}}; break;
      case 3: s.Brush = TLogBrush{0, qRgb(64, 64, 64), 0, {}}; break;
      case 4: s.Brush = TLogBrush{0, qRgb(0, 0, 0), 0, {}}; break;
      case 5: s.Brush = TLogBrush{1, qRgb(0, 0, 0), 0, {}}; break;
      case 6: s.Pen = TLogPen{0, 0, qRgb(255, 255, 255)}; break;
      case 7: case 19: s.Pen = TLogPen{0, 0, qRgb(0, 0, 0)}; break;
      case 8: s.Pen = TLogPen{5, 0, qRgb(0, 0, 0)}; break;
      case 10: case 11: case 12: case 13: case 14: case 16: case 17: s.Font = TLogFont(); break;
      default: break;
    }
    return;
  }
  if (i >= objects_.size()) return;
  const TGdiObject& o = objects_[i];
  switch (o.Kind) {
    case TGdiObject::okPen: s.Pen = o.Pen; break;
    case TGdiObject::okBrush: s.Brush = o.Brush; break;
    case TGdiObject::okFont: s.Font = o.Font; break;
    default: break;
  }
}

void TEmfPlayer::Polys(ox::TOXReader& r, bool small, bool polygon) {
  r.Skip(16);
  const uint32_t n = r.ReadU32LE(), total = r.ReadU32LE();
  if (r.Failed() || !r.Has(size_t(n) * 4)) return;
  std::vector<uint32_t> counts(n);
  uint64_t sum = 0;
  for (uint32_t& c : counts) sum += (c = r.ReadU32LE());
  if (sum != total || !r.Has(size_t(sum) * (small ? 4 : 8))) return;
  std::vector<QPolygonF> polys;
  polys.reserve(n);
  for (uint32_t c : counts) polys.push_back(Points(r, c, small));
  if (polygon) dc_.Polygon(polys);
  else dc_.PolyPolyline(polys);
}

void TEmfPlayer::Blt(uint32_t type, ox::TOXReader& r) {
  // BITBLT, STRETCHBLT, ALPHABLEND, TRANSPARENTBLT share one layout; the stretching ones add the source size.
  r.Skip(16);
  const int xd = r.ReadI32LE(), yd = r.ReadI32LE(), wd = r.ReadI32LE(), hd = r.ReadI32LE();
  const uint32_t rop = r.ReadU32LE();
  const int xs = r.ReadI32LE(), ys = r.ReadI32LE();
  r.Skip(24 + 4);  // source transform, background colour
  const uint32_t usage = r.ReadU32LE(), offBmi = r.ReadU32LE(), cbBmi = r.ReadU32LE(), offBits = r.ReadU32LE(), cbBits = r.ReadU32LE();
  int ws = wd, hs = hd;
  if (type != emrBitBlt) ws = r.ReadI32LE(), hs = r.ReadI32LE();
  if (r.Failed()) return;
  const QRectF dst(xd, yd, wd, hd);
  if (cbBmi == 0) {
    dc_.PatBlt(dst, rop);
    return;
  }
  const bool alphaBlend = type == emrAlphaBlend;
  const bool srcAlpha = alphaBlend && ((rop >> 24) & 1);
  QImage img = DecodeDib(Part(offBmi, cbBmi), Part(offBits, cbBits), usage == 1, srcAlpha);
  if (img.isNull()) return;
  uint32_t mode = rop;
  if (alphaBlend) {
    const int constant = (rop >> 16) & 0xFF;
    if (constant < 255) {
      img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      QImage faded(img.size(), QImage::Format_ARGB32_Premultiplied);
      faded.fill(Qt::transparent);
      QPainter fp(&faded);
      fp.setOpacity(constant / 255.0);
      fp.drawImage(0, 0, img);
      fp.end();
      img = faded;
    }
    mode = 0x00CC0020;
  } else if (type == emrTransparentBlt) {
    // The "raster operation" of a transparent blit is the colour to leave out.
    const QRgb key = ColorRef(rop) & 0xFFFFFF;
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
      for (int x = 0; x < img.width(); ++x)
        if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
    }
    mode = 0x00CC0020;
  }
  dc_.StretchImage(img, QRectF(xs, ys, ws, hs), dst, mode);
}

void TEmfPlayer::StretchDib(uint32_t type, ox::TOXReader& r) {
  r.Skip(16);
  const int xd = r.ReadI32LE(), yd = r.ReadI32LE(), xs = r.ReadI32LE(), ys = r.ReadI32LE(), ws = r.ReadI32LE(), hs = r.ReadI32LE();
  const uint32_t offBmi = r.ReadU32LE(), cbBmi = r.ReadU32LE(), offBits = r.ReadU32LE(), cbBits = r.ReadU32LE(), usage = r.ReadU32LE();
  uint32_t rop = 0x00CC0020;
  int wd = ws, hd = hs;
  if (type == emrStretchDIBits) {
    rop = r.ReadU32LE();
    wd = r.ReadI32LE();
    hd = r.ReadI32LE();
  }
  if (r.Failed()) return;
  const QImage img = DecodeDib(Part(offBmi, cbBmi), Part(offBits, cbBits), usage == 1);
  if (img.isNull()) return;
  // The source rectangle of a device-independent bitmap counts its rows from the bottom.
  const QRectF src(xs, img.height() - ys - hs, ws, hs);
  dc_.StretchImage(img, src, QRectF(xd, yd, wd, hd), rop);
}

void TEmfPlayer::TextOut(uint32_t type, ox::TOXReader& r) {
  r.Skip(16 + 12);
  const QPointF ref = Pt(r);
  const uint32_t n = r.ReadU32LE(), offString = r.ReadU32LE(), options = r.ReadU32LE();
  const QRectF rect = Box(r);
  const uint32_t offDx = r.ReadU32LE();
  if (r.Failed() || n > (1u << 20)) return;
  const bool wide = type == emrExtTextOutW;
  const TBytes strBytes = Part(offString, n * (wide ? 2 : 1));
  if (n && strBytes.size() != n * (wide ? 2u : 1u)) return;
  ox::TOXReader str(strBytes);
  QString text;
  text.reserve(qsizetype(n));
  for (uint32_t i = 0; i < n; ++i) text.append(QChar(wide ? str.ReadU16LE() : str.ReadU8()));
  std::vector<double> dx;
  const uint32_t step = (options & 0x2000) ? 2 : 1;  // ETO_PDY: x and y advances
  const TBytes dxBytes = Part(offDx, n * 4 * step);
  ox::TOXReader d(dxBytes);
  if (n && dxBytes.size() == size_t(n) * 4 * step)
    for (uint32_t i = 0; i < n; ++i) {
      dx.push_back(d.ReadI32LE());
      if (step == 2) d.ReadI32LE();
    }
  std::optional<QRectF> clip;
  if (options & (ETO_OPAQUE | ETO_CLIPPED)) clip = rect;
  dc_.Text(ref, text, dx, options, clip);
}

void TEmfPlayer::Play(uint32_t type, TBytes rec) {
  rec_ = rec;
  ox::TOXReader r(rec);
  TDCState& s = dc_.S;
  switch (type) {
    case emrPolyBezier: case emrPolygon: case emrPolyline: case emrPolyBezierTo: case emrPolylineTo:
    case emrPolyBezier16: case emrPolygon16: case emrPolyline16: case emrPolyBezierTo16: case emrPolylineTo16: {
      const bool small = type >= 85;
      const uint32_t kind = small ? type - 83 : type;
      r.Skip(16);
      const uint32_t n = r.ReadU32LE();
      const QPolygonF pts = Points(r, n, small);
      if (pts.isEmpty()) break;
      if (kind == 2) dc_.PolyBezier(pts, false);
      else if (kind == 3) dc_.Polygon({pts});
      else if (kind == 4) dc_.Polyline(pts);
      else if (kind == 5) dc_.PolyBezier(pts, true);
      else dc_.PolylineTo(pts);
      break;
    }
    case emrPolyPolyline: Polys(r, false, false); break;
    case emrPolyPolygon: Polys(r, false, true); break;
    case emrPolyPolyline16: Polys(r, true, false); break;
    case emrPolyPolygon16: Polys(r, true, true); break;
    case emrSetWindowExtEx: if (r.Has(8)) s.WinExt = Pt(r); break;
    case emrSetWindowOrgEx: if (r.Has(8)) s.WinOrg = Pt(r); break;
    case emrSetViewportExtEx: if (r.Has(8)) s.VpExt = Pt(r); break;
    case emrSetViewportOrgEx: if (r.Has(8)) s.VpOrg = Pt(r); break;
    case emrSetPixelV: {
      if (!r.Has(12)) break;
      const QPointF p = Pt(r);
      dc_.SetPixel(p, ColorRef(r.ReadU32LE()));
      break;
    }
    case emrSetMapMode: if (r.Has(4)) s.MapMode = int(r.ReadU32LE()); break;
    case emrSetBkMode: if (r.Has(4)) s.BkMode = int(r.ReadU32LE()); break;
    case emrSetPolyFillMode: if (r.Has(4)) s.PolyFillMode = int(r.ReadU32LE()); break;
    case emrSetRop2: if (r.Has(4)) s.Rop2 = int(r.ReadU32LE()); break;
    case emrSetStretchBltMode: if (r.Has(4)) s.StretchMode = int(r.ReadU32LE()); break;
    case emrSetTextAlign: if (r.Has(4)) s.TextAlign = int(r.ReadU32LE()); break;
    case emrSetTextColor: if (r.Has(4)) s.TextColor = ColorRef(r.ReadU32LE()); break;
    case emrSetBkColor: if (r.Has(4)) s.BkColor = ColorRef(r.ReadU32LE()); break;
    case emrOffsetClipRgn: if (r.Has(8)) dc_.OffsetClip(Pt(r)); break;
    case emrMoveToEx: if (r.Has(8)) dc_.MoveTo(Pt(r)); break;
    case emrExcludeClipRect: if (r.Has(16)) dc_.ExcludeClip(Box(r)); break;
    case emrIntersectClipRect: if (r.Has(16)) dc_.IntersectClip(Box(r)); break;
    case emrScaleViewportExtEx:
    case emrScaleWindowExtEx: {
      const int xn = r.ReadI32LE(), xd = r.ReadI32LE(), yn = r.ReadI32LE(), yd = r.ReadI32LE();
      if (r.Failed() || !xd || !yd) break;
      QPointF& e = type == emrScaleViewportExtEx ? s.VpExt : s.WinExt;
      e = QPointF(e.x() * xn / xd, e.y() * yn / yd);
      break;
    }
    case emrSaveDC: dc_.SaveDC(); break;
    case emrRestoreDC: if (r.Has(4)) dc_.RestoreDC(r.ReadI32LE()); break;
    case emrSetWorldTransform:
    case emrModifyWorldTransform: {
      double m[6];
      for (double& v : m) v = F32(r);
      const uint32_t mode = type == emrModifyWorldTransform ? r.ReadU32LE() : 4;
      if (r.Failed()) break;
      bool finite = true;
      for (double v : m) finite = finite && std::isfinite(v) && std::fabs(v) < 1e9;
      if (!finite) break;
      const QTransform x(m[0], m[1], m[2], m[3], m[4], m[5]);
      if (mode == 1) s.World = QTransform();
      else if (mode == 2) s.World = x * s.World;
      else if (mode == 3) s.World = s.World * x;
      else if (mode == 4) s.World = x;
      break;
    }
    case emrSelectObject: if (r.Has(4)) Select(r.ReadU32LE()); break;
    case emrCreatePen: {
      TGdiObject* o = Slot(r.ReadU32LE());
      TGdiObject obj;
      obj.Kind = TGdiObject::okPen;
      obj.Pen.Style = r.ReadU32LE();
      obj.Pen.Width = r.ReadI32LE();
      r.ReadI32LE();
      obj.Pen.Color = ColorRef(r.ReadU32LE());
      if (o && !r.Failed()) *o = obj;
      break;
    }
    case emrExtCreatePen: {
      TGdiObject* o = Slot(r.ReadU32LE());
      r.Skip(16);
      TGdiObject obj;
      obj.Kind = TGdiObject::okPen;
      obj.Pen.Style = r.ReadU32LE();
      obj.Pen.Width = r.ReadU32LE() & 0x7FFFFFFF;
      const uint32_t brushStyle = r.ReadU32LE();
      obj.Pen.Color = ColorRef(r.ReadU32LE());
      if (brushStyle == 1) obj.Pen.Style = (obj.Pen.Style & ~0xFu) | 5;
      // A geometric pen is as wide as it says; a cosmetic one is one pixel.
      if (!(obj.Pen.Style & 0x10000)) obj.Pen.Width = 0;
      if (o && !r.Failed()) *o = obj;
      break;
    }
    case emrCreateBrushIndirect: {
      TGdiObject* o = Slot(r.ReadU32LE());
      TGdiObject obj;
      obj.Kind = TGdiObject::okBrush;
      obj.Brush.Style = r.ReadU32LE();
      obj.Brush.Color = ColorRef(r.ReadU32LE());
      obj.Brush.Hatch = r.ReadU32LE();
      if (obj.Brush.Style > 2) obj.Brush.Style = 0;
      if (o && !r.Failed()) *o = obj;
      break;
    }
    case emrCreateMonoBrush:
    case emrCreateDIBPatternBrushPt: {
      TGdiObject* o = Slot(r.ReadU32LE());
      const uint32_t usage = r.ReadU32LE(), offBmi = r.ReadU32LE(), cbBmi = r.ReadU32LE(), offBits = r.ReadU32LE(), cbBits = r.ReadU32LE();
      if (!o || r.Failed()) break;
      TGdiObject obj;
      obj.Kind = TGdiObject::okBrush;
      obj.Brush.Style = 5;
      obj.Brush.Pattern = DecodeDib(Part(offBmi, cbBmi), Part(offBits, cbBits), usage == 1);
      if (obj.Brush.Pattern.isNull()) obj.Brush.Style = 0, obj.Brush.Color = qRgb(128, 128, 128);
      *o = obj;
      break;
    }
    case emrExtCreateFontIndirectW: {
      TGdiObject* o = Slot(r.ReadU32LE());
      TGdiObject obj;
      obj.Kind = TGdiObject::okFont;
      TLogFont& f = obj.Font;
      f.Height = r.ReadI32LE();
      f.Width = r.ReadI32LE();
      f.Escapement = r.ReadI32LE();
      r.ReadI32LE();
      f.Weight = r.ReadI32LE();
      f.Italic = r.ReadU8();
      f.Underline = r.ReadU8();
      f.StrikeOut = r.ReadU8();
      f.CharSet = r.ReadU8();
      r.Skip(4);
      if (!o || r.Failed()) break;
      for (int i = 0; i < 32 && r.Has(2); ++i) {
        const uint16_t c = r.ReadU16LE();
        if (!c) break;
        f.Face.append(QChar(c));
      }
      *o = obj;
      break;
    }
    case emrDeleteObject: {
      const uint32_t i = r.ReadU32LE();
      if (!r.Failed() && i < objects_.size()) objects_[i] = TGdiObject();
      break;
    }
    case emrAngleArc: {
      const QPointF c = Pt(r);
      const double radius = r.ReadU32LE(), a0 = F32(r), sweep = F32(r);
      if (r.Failed() || !std::isfinite(a0) || !std::isfinite(sweep)) break;
      // Line to the start of the arc, then the arc, as a polyline in logical space.
      const double sw = std::clamp(sweep, -3600.0, 3600.0);
      const int steps = std::clamp(int(std::fabs(sw) / 5) + 1, 1, 720);
      QPolygonF pts;
      for (int i = 0; i <= steps; ++i) {
        const double a = (a0 + sw * i / steps) * M_PI / 180;
        pts.append(c + QPointF(radius * std::cos(a), -radius * std::sin(a)));
      }
      dc_.PolylineTo(pts);
      break;
    }
    case emrEllipse: if (r.Has(16)) dc_.Ellipse(Box(r)); break;
    case emrRectangle: if (r.Has(16)) dc_.Rectangle(Box(r)); break;
    case emrRoundRect: {
      if (!r.Has(24)) break;
      const QRectF b = Box(r);
      const QPointF corner = Pt(r);
      dc_.RoundRect(b, QSizeF(corner.x(), corner.y()));
      break;
    }
    case emrArc: case emrChord: case emrPie: case emrArcTo: {
      if (!r.Has(32)) break;
      const QRectF b = Box(r);
      const QPointF start = Pt(r), end = Pt(r);
      const TMetaDevice::TArcKind kind = type == emrArc ? TMetaDevice::akArc
                                         : type == emrChord ? TMetaDevice::akChord
                                         : type == emrPie ? TMetaDevice::akPie
                                                      : TMetaDevice::akArcTo;
      dc_.Arc(b, start, end, kind);
      break;
    }
    case emrLineTo: if (r.Has(8)) dc_.LineTo(Pt(r)); break;
    case emrSetArcDirection: if (r.Has(4)) s.Clockwise = r.ReadU32LE() == 2; break;
    case emrBeginPath: dc_.BeginPath(); break;
    case emrEndPath: dc_.EndPath(); break;
    case emrCloseFigure: dc_.CloseFigure(); break;
    case emrFillPath: dc_.FillPath(); break;
    case emrStrokeAndFillPath: dc_.StrokeAndFillPath(); break;
    case emrStrokePath: dc_.StrokePath(); break;
    case emrWidenPath: dc_.WidenPath(); break;
    case emrSelectClipPath: if (r.Has(4)) dc_.SelectClipPath(int(r.ReadU32LE())); break;
    case emrAbortPath: dc_.AbortPath(); break;
    case emrFillRgn:
    case emrPaintRgn: {
      r.Skip(16);
      const uint32_t cb = r.ReadU32LE();
      const uint32_t brush = type == emrFillRgn ? r.ReadU32LE() : 0;
      if (r.Failed()) break;
      const std::vector<QRect> rects = RegionRects(TakeBytes(r, std::min<size_t>(cb, size_t(r.Remaining()))));
      TLogBrush b = s.Brush;
      if (type == emrFillRgn) {
        if (brush & kStock) {
          const TLogBrush keep = s.Brush;
          Select(brush);
          b = s.Brush;
          s.Brush = keep;
        } else if (brush < objects_.size() && objects_[brush].Kind == TGdiObject::okBrush) {
          b = objects_[brush].Brush;
        } else {
          break;
        }
      }
      dc_.FillLogicalRects(rects, b);
      break;
    }
    case emrExtSelectClipRgn: {
      const uint32_t cb = r.ReadU32LE(), mode = r.ReadU32LE();
      if (r.Failed()) break;
      if (cb == 0 || cb < 32) {
        if (mode == RGN_COPY) dc_.ResetClip();
        break;
      }
      dc_.SelectClip(dc_.RefRegion(RegionRects(TakeBytes(r, std::min<size_t>(cb, size_t(r.Remaining()))))), int(mode));
      break;
    }
    case emrBitBlt: case emrStretchBlt: case emrAlphaBlend: case emrTransparentBlt: Blt(type, r); break;
    case emrSetDIBitsToDevice: case emrStretchDIBits: StretchDib(type, r); break;
    case emrExtTextOutA: case emrExtTextOutW: TextOut(type, r); break;
    default: break;
  }
}

}  // namespace

bool ReadEmfHeader(TBytes d, TEmfHeader& h) {
  h = TEmfHeader();
  ox::TOXReader r(d);
  const uint32_t type = r.ReadU32LE(), size = r.ReadU32LE();
  const int bl = r.ReadI32LE(), bt = r.ReadI32LE(), br = r.ReadI32LE(), bb = r.ReadI32LE();
  const int fl = r.ReadI32LE(), ft = r.ReadI32LE(), fr = r.ReadI32LE(), fb = r.ReadI32LE();
  const uint32_t sig = r.ReadU32LE();
  r.Skip(12);
  h.Handles = r.ReadU16LE();
  r.Skip(14);
  h.DeviceW = r.ReadI32LE();
  h.DeviceH = r.ReadI32LE();
  h.MillimetersW = r.ReadI32LE();
  h.MillimetersH = r.ReadI32LE();
  if (r.Failed() || type != emrHeader || sig != kEmfSignature || size < 88 || size > d.size() || size % 4) return false;
  auto rect = [](int64_t l, int64_t t, int64_t rr, int64_t b) {
    const int64_t x = std::min(l, rr), y = std::min(t, b);
    return QRect(int(x), int(y), int(std::min<int64_t>(std::abs(rr - l), 0x7FFFFFFF)),
                 int(std::min<int64_t>(std::abs(b - t), 0x7FFFFFFF)));
  };
  h.Bounds = rect(bl, bt, br, bb);
  h.Frame = rect(fl, ft, fr, fb);
  return true;
}

void PlayEmf(TBytes data, const TEmfHeader& h, QPainter& painter, QSize device, double width, double height,
             bool text) {
  TEmfPlayer player(painter, device, text, h.Handles);
  TMetaDevice& dc = player.DC();
  const bool metric = h.DeviceW > 0 && h.DeviceH > 0 && h.MillimetersW > 0 && h.MillimetersH > 0;
  dc.PxPerMmX = metric ? double(h.DeviceW) / h.MillimetersW : 96 / 25.4;
  dc.PxPerMmY = metric ? double(h.DeviceH) / h.MillimetersH : 96 / 25.4;
  // The frame (0.01 mm) in reference pixels is what fills the destination; the bounds stand in without one.
  QRectF frame(h.Frame.x() * dc.PxPerMmX / 100, h.Frame.y() * dc.PxPerMmY / 100, h.Frame.width() * dc.PxPerMmX / 100,
               h.Frame.height() * dc.PxPerMmY / 100);
  if (frame.width() <= 0 || frame.height() <= 0) frame = QRectF(h.Bounds);
  if (frame.width() <= 0 || frame.height() <= 0) frame = QRectF(h.Bounds.x(), h.Bounds.y(), 1, 1);
  dc.DeviceFromRef = QTransform::fromTranslate(-frame.x(), -frame.y()) *
                     QTransform::fromScale(width / frame.width(), height / frame.height());
  size_t pos = 0;
  while (pos + 8 <= data.size()) {
    ox::TOXReader head(Slice(data, pos, 8));
    const uint32_t type = head.ReadU32LE(), size = head.ReadU32LE();
    if (size < 8 || size % 4 || size > data.size() - pos || type == emrEof) break;
    if (type != emrHeader) player.Play(type, Slice(data, pos + 8, size - 8));
    pos += size;
  }
}

}  // namespace platform::meta
