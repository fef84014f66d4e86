// Windows metafile (placeable and plain) header and record player.
#include <QString>

#include "platform/metafile/MetaDevice.h"
#include "platform/metafile/MetaFormats.h"
#include "platform/metafile/MetaRecords.h"

namespace platform::meta {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
// A plain file that never sets a window is played in this logical square.
constexpr int kDefaultExtent = 1000;

// 8-bit text in the Western code page; bytes 0x80-0x9F hold its extra characters.
QString Ansi(TBytes b, size_t n) {
  static const char16_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  QString s;
  n = std::min(n, b.size());
  s.reserve(qsizetype(n));
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = b[i];
    s.append(c >= 0x80 && c < 0xA0 ? QChar(kHigh[c - 0x80]) : QChar(c));
  }
  return s;
}

class TWmfPlayer {
 public:
  TWmfPlayer(QPainter& painter, QSize device, bool text, int objects) : dc_(painter, device, text) {
    objects_.resize(size_t(objects));
  }
  TMetaDevice& DC() { return dc_; }
  void Play(uint16_t fn, TBytes rec);

 private:
  void Create(TGdiObject obj) {
    for (TGdiObject& slot : objects_)
      if (slot.Kind == TGdiObject::okNone) {
        slot = std::move(obj);
        return;
      }
    if (objects_.size() < 65536) objects_.push_back(std::move(obj));
  }
  const TGdiObject* Object(uint16_t i) const {
    return i < objects_.size() && objects_[i].Kind != TGdiObject::okNone ? &objects_[i] : nullptr;
  }
  static QPointF Pt(ox::TOXReader& r) {
    const int y = r.ReadI16LE(), x = r.ReadI16LE();
    return QPointF(x, y);
  }
  // Parameters stored bottom, right, top, left.
  static QRectF BoxBRTL(ox::TOXReader& r) {
    const int b = r.ReadI16LE(), rt = r.ReadI16LE(), t = r.ReadI16LE(), l = r.ReadI16LE();
    return QRectF(QPointF(l, t), QPointF(rt, b));
  }
  static QPolygonF Points(ox::TOXReader& r, int n) {
    QPolygonF poly;
    if (n <= 0 || !r.Has(size_t(n) * 4)) return poly;
    poly.reserve(n);
    for (int i = 0; i < n; ++i) {
      const int x = r.ReadI16LE(), y = r.ReadI16LE();
      poly.append(QPointF(x, y));
    }
    return poly;
  }
  void Dib(ox::TOXReader& r, bool palIdx, QRectF src, QRectF dst, uint32_t rop, bool bottomUpSrc);
  TGdiObject Region(TBytes bytes);

  TMetaDevice dc_;
  std::vector<TGdiObject> objects_;
};

void TWmfPlayer::Dib(ox::TOXReader& r, bool palIdx, QRectF src, QRectF dst, uint32_t rop, bool bottomUpSrc) {
  const QImage img = DecodeDib(TakeBytes(r, size_t(r.Remaining())), {}, palIdx);
  if (img.isNull()) return;
  // Device-independent sources count their rows from the bottom.
  if (bottomUpSrc) src.moveTop(img.height() - src.top() - src.height());
  dc_.StretchImage(img, src, dst, rop);
}

TGdiObject TWmfPlayer::Region(TBytes bytes) {
  ox::TOXReader r(bytes);
  TGdiObject obj;
  obj.Kind = TGdiObject::okRegion;
  r.Skip(10);
  const int scans = r.ReadI16LE();
  r.ReadI16LE();
  const int l = r.ReadI16LE(), t = r.ReadI16LE(), rt = r.ReadI16LE(), b = r.ReadI16LE();
  for (int s = 0; s < scans && !r.Failed() && obj.Region.size() < 100000; ++s) {
    const int count = r.ReadU16LE(), top = r.ReadU16LE(), bottom = r.ReadU16LE();
    if (!r.Has(size_t(count) * 2 + 2)) break;
    for (int i = 0; i + 1 < count; i += 2) {
      const int x0 = r.ReadI16LE(), x1 = r.ReadI16LE();
      if (x1 > x0 && bottom > top) obj.Region.push_back(QRect(x0, top, x1 - x0, bottom - top));
    }
    if (count & 1) r.Skip(2);
    r.ReadU16LE();
  }
  if (obj.Region.empty() && rt > l && b > t) obj.Region.push_back(QRect(l, t, rt - l, b - t));
  return obj;
}

void TWmfPlayer::Play(uint16_t fn, TBytes rec) {
  ox::TOXReader r(rec);
  TDCState& s = dc_.S;
  switch (fn) {
    case wmfSetBkMode: s.BkMode = r.ReadU16LE(); break;
    case wmfSetRop2: s.Rop2 = r.ReadU16LE(); break;
    case wmfSetPolyFillMode: s.PolyFillMode = r.ReadU16LE(); break;
    case wmfSetStretchBltMode: s.StretchMode = r.ReadU16LE(); break;
    case wmfSetTextAlign: s.TextAlign = r.ReadU16LE(); break;
    case wmfSetBkColor: if (r.Has(4)) s.BkColor = ColorRef(r.ReadU32LE()); break;
    case wmfSetTextColor: if (r.Has(4)) s.TextColor = ColorRef(r.ReadU32LE()); break;
    case wmfSetWindowOrg: if (r.Has(4)) s.WinOrg = Pt(r); break;
    case wmfSetWindowExt: if (r.Has(4)) s.WinExt = Pt(r); break;
    case wmfOffsetWindowOrg: if (r.Has(4)) s.WinOrg += Pt(r); break;
    case wmfScaleWindowExt: {  // scale window extent
      const int yd = r.ReadI16LE(), yn = r.ReadI16LE(), xd = r.ReadI16LE(), xn = r.ReadI16LE();
      if (!r.Failed() && xd && yd) s.WinExt = QPointF(s.WinExt.x() * xn / xd, s.WinExt.y() * yn / yd);
      break;
    }
    case wmfLineTo: if (r.Has(4)) dc_.LineTo(Pt(r)); break;
    case wmfMoveTo: if (r.Has(4)) dc_.MoveTo(Pt(r)); break;
    case wmfPolygon:
    case wmfPolyline: {
      const int n = r.ReadI16LE();
      const QPolygonF poly = Points(r, n);
      if (poly.isEmpty()) break;
      if (fn == wmfPolygon) dc_.Polygon({poly});
      else dc_.Polyline(poly);
      break;
    }
    case wmfPolyPolygon: {
      const int n = r.ReadU16LE();
      if (!r.Has(size_t(n) * 2)) break;
      std::vector<int> counts(static_cast<size_t>(n));
      size_t total = 0;
      for (int& c : counts) total += size_t(c = r.ReadU16LE());
      if (!r.Has(total * 4)) break;
      std::vector<QPolygonF> polys;
      for (int c : counts) polys.push_back(Points(r, c));
      dc_.Polygon(polys);
      break;
    }
    case wmfRectangle: if (r.Has(8)) dc_.Rectangle(BoxBRTL(r)); break;
    case wmfEllipse: if (r.Has(8)) dc_.Ellipse(BoxBRTL(r)); break;
    case wmfRoundRect: {
      if (!r.Has(12)) break;
      const int h = r.ReadI16LE(), w = r.ReadI16LE();
      dc_.RoundRect(BoxBRTL(r), QSizeF(w, h));
      break;
    }
    case wmfArc:
    case wmfPie:
    case wmfChord: {
      if (!r.Has(16)) break;
      const QPointF end = Pt(r), start = Pt(r);
      const QRectF box = BoxBRTL(r);
      dc_.Arc(box, start, end, fn == wmfArc ? TMetaDevice::akArc : fn == wmfPie ? TMetaDevice::akPie : TMetaDevice::akChord);
      break;
    }
    case wmfSetPixel: {
      if (!r.Has(8)) break;
      const QRgb c = ColorRef(r.ReadU32LE());
      dc_.SetPixel(Pt(r), c);
      break;
    }
    case wmfExcludeClipRect: if (r.Has(8)) dc_.ExcludeClip(BoxBRTL(r)); break;
    case wmfIntersectClipRect: if (r.Has(8)) dc_.IntersectClip(BoxBRTL(r)); break;
    case wmfOffsetClipRgn: if (r.Has(4)) dc_.OffsetClip(Pt(r)); break;
    case wmfSelectClipRegion: {
      const TGdiObject* o = r.Has(2) ? Object(r.ReadU16LE()) : nullptr;
      if (o && o->Kind == TGdiObject::okRegion) dc_.SelectClip(dc_.LogicalRegion(o->Region), RGN_COPY);
      else dc_.ResetClip();
      break;
    }
    case wmfFillRegion:
    case wmfPaintRegion: {
      const TGdiObject* rgn = r.Has(2) ? Object(r.ReadU16LE()) : nullptr;
      const TGdiObject* brush = fn == wmfFillRegion && r.Has(2) ? Object(r.ReadU16LE()) : nullptr;
      if (!rgn || rgn->Kind != TGdiObject::okRegion) break;
      if (fn == wmfFillRegion && (!brush || brush->Kind != TGdiObject::okBrush)) break;
      dc_.FillLogicalRects(rgn->Region, brush ? brush->Brush : s.Brush);
      break;
    }
    case wmfTextOut: {
      const int n = r.ReadI16LE();
      if (n < 0 || !r.Has(size_t(n) + (n & 1) + 4)) break;
      const QString text = Ansi(TakeBytes(r, size_t(n)), size_t(n));
      r.Skip(size_t(n & 1));
      dc_.Text(Pt(r), text, {}, 0, std::nullopt);
      break;
    }
    case wmfExtTextOut: {
      if (!r.Has(8)) break;
      const QPointF at = Pt(r);
      const int n = r.ReadI16LE();
      const uint16_t opts = r.ReadU16LE();
      std::optional<QRectF> rect;
      if (opts & (ETO_OPAQUE | ETO_CLIPPED)) {
        if (!r.Has(8)) break;
        const int l = r.ReadI16LE(), t = r.ReadI16LE(), rt = r.ReadI16LE(), b = r.ReadI16LE();
        rect = QRectF(QPointF(l, t), QPointF(rt, b));
      }
      if (n < 0 || !r.Has(size_t(n))) break;
      const QString text = Ansi(TakeBytes(r, size_t(n)), size_t(n));
      r.Skip(std::min<int64_t>(n & 1, r.Remaining()));
      std::vector<double> dx;
      if (r.Has(size_t(n) * 2))
        for (int i = 0; i < n; ++i) dx.push_back(r.ReadI16LE());
      dc_.Text(at, text, dx, opts, rect);
      break;
    }
    case wmfPatBlt: {
      if (!r.Has(12)) break;
      const uint32_t rop = r.ReadU32LE();
      const int h = r.ReadI16LE(), w = r.ReadI16LE();
      const QPointF at = Pt(r);
      dc_.PatBlt(QRectF(at, QSizeF(w, h)), rop);
      break;
    }
    case wmfStretchDib: {
      if (!r.Has(22)) break;
      const uint32_t rop = r.ReadU32LE();
      const bool palIdx = r.ReadU16LE() == 1;
      const int sh = r.ReadI16LE(), sw = r.ReadI16LE(), sy = r.ReadI16LE(), sx = r.ReadI16LE();
      const int dh = r.ReadI16LE(), dw = r.ReadI16LE(), dy = r.ReadI16LE(), dx = r.ReadI16LE();
      Dib(r, palIdx, QRectF(sx, sy, sw, sh), QRectF(dx, dy, dw, dh), rop, true);
      break;
    }
    case wmfDibStretchBlt:
    case wmfDibBitBlt: {
      const bool stretch = fn == wmfDibStretchBlt;
      const size_t bare = stretch ? 22 : 18;  // the record without a bitmap has one reserved word more
      if (rec.size() < bare) break;
      const uint32_t rop = r.ReadU32LE();
      int sh = 0, sw = 0;
      if (stretch) sh = r.ReadI16LE(), sw = r.ReadI16LE();
      const int sy = r.ReadI16LE(), sx = r.ReadI16LE();
      if (rec.size() == bare) {
        r.Skip(2);
        const int dh = r.ReadI16LE(), dw = r.ReadI16LE(), dy = r.ReadI16LE(), dx = r.ReadI16LE();
        dc_.PatBlt(QRectF(dx, dy, dw, dh), rop);
        break;
      }
      const int dh = r.ReadI16LE(), dw = r.ReadI16LE(), dy = r.ReadI16LE(), dx = r.ReadI16LE();
      if (!stretch) sh = dh, sw = dw;
      Dib(r, false, QRectF(sx, sy, sw, sh), QRectF(dx, dy, dw, dh), rop, false);
      break;
    }
    case wmfSetDIBitsToDevice: {
      if (!r.Has(18)) break;
      const bool palIdx = r.ReadU16LE() == 1;
      r.Skip(4);  // scan count and first scan: the whole picture is given here
      const int sy = r.ReadI16LE(), sx = r.ReadI16LE(), h = r.ReadI16LE(), w = r.ReadI16LE(), dy = r.ReadI16LE(), dx = r.ReadI16LE();
      Dib(r, palIdx, QRectF(sx, sy, w, h), QRectF(dx, dy, w, h), 0x00CC0020, true);
      break;
    }
    case wmfCreatePenIndirect: {
      TGdiObject o;
      o.Kind = TGdiObject::okPen;
      o.Pen.Style = r.ReadU16LE();
      o.Pen.Width = r.ReadI16LE();
      r.ReadI16LE();
      o.Pen.Color = ColorRef(r.ReadU32LE());
      Create(o);
      break;
    }
    case wmfCreateBrushIndirect: {
      TGdiObject o;
      o.Kind = TGdiObject::okBrush;
      o.Brush.Style = r.ReadU16LE();
      o.Brush.Color = ColorRef(r.ReadU32LE());
      o.Brush.Hatch = r.ReadU16LE();
      if (o.Brush.Style > 2) o.Brush.Style = 0;
      Create(o);
      break;
    }
    case wmfCreateFontIndirect: {
      TGdiObject o;
      o.Kind = TGdiObject::okFont;
      TLogFont& f = o.Font;
      f.Height = r.ReadI16LE();
      f.Width = r.ReadI16LE();
      f.Escapement = r.ReadI16LE();
      r.ReadI16LE();
      f.Weight = r.ReadI16LE();
      f.Italic = r.ReadU8();
      f.Underline = r.ReadU8();
      f.StrikeOut = r.ReadU8();
      f.CharSet = r.ReadU8();
      r.Skip(4);
      const TBytes face = TakeBytes(r, std::min<size_t>(32, size_t(r.Remaining())));
      QString name = Ansi(face, face.size());
      if (const qsizetype z = name.indexOf(QChar(0)); z >= 0) name.truncate(z);
      f.Face = name;
      Create(o);
      break;
    }
    case wmfDibCreatePatternBrush: {
      TGdiObject o;
      o.Kind = TGdiObject::okBrush;
      r.ReadU16LE();
      const bool palIdx = r.ReadU16LE() == 1;
      o.Brush.Style = 5;
      o.Brush.Pattern = DecodeDib(TakeBytes(r, size_t(r.Remaining())), {}, palIdx);
      if (o.Brush.Pattern.isNull()) o.Brush.Style = 0, o.Brush.Color = qRgb(128, 128, 128);
      Create(o);
      break;
    }
    case wmfCreatePatternBrush: {  // old device-dependent pattern: kept as a gray brush so the slot numbers stay right
      TGdiObject o;
      o.Kind = TGdiObject::okBrush;
      o.Brush.Color = qRgb(128, 128, 128);
      Create(o);
      break;
    }
    case wmfCreatePalette: {
      TGdiObject o;
      o.Kind = TGdiObject::okOther;
      Create(o);
      break;
    }
    case wmfCreateRegion: Create(Region(rec)); break;
    case wmfSelectObject: {
      const TGdiObject* o = r.Has(2) ? Object(r.ReadU16LE()) : nullptr;
      if (!o) break;
      switch (o->Kind) {
        case TGdiObject::okPen: s.Pen = o->Pen; break;
        case TGdiObject::okBrush: s.Brush = o->Brush; break;
        case TGdiObject::okFont: s.Font = o->Font; break;
        case TGdiObject::okRegion: dc_.SelectClip(dc_.LogicalRegion(o->Region), RGN_COPY); break;
        default: break;
      }
      break;
    }
    case wmfDeleteObject: {
      const uint16_t i = r.ReadU16LE();
      if (!r.Failed() && i < objects_.size()) objects_[i] = TGdiObject();
      break;
    }
    case wmfSaveDC: dc_.SaveDC(); break;
    case wmfRestoreDC: if (r.Has(2)) dc_.RestoreDC(r.ReadI16LE()); break;
    default: break;  // mapping mode and viewport records: the viewport is the destination
  }
}

}  // namespace

bool ReadWmfHeader(TBytes d, TWmfHeader& h) {
  h = TWmfHeader();
  if (d.size() >= 22 && ox::TOXReader(Slice(d, 0, 4)).ReadU32LE() == kPlaceableKey) {
    ox::TOXReader p(Slice(d, 0, 22));
    p.Skip(6);
    const int l = p.ReadI16LE(), t = p.ReadI16LE(), r = p.ReadI16LE(), b = p.ReadI16LE();
    h.Placeable = true;
    h.Bounds = QRect(QPoint(std::min(l, r), std::min(t, b)), QSize(std::abs(r - l), std::abs(b - t)));
    h.UnitsPerInch = p.ReadU16LE();
    d = Slice(d, 22, d.size() - 22);
  }
  ox::TOXReader m(d);
  const uint16_t type = m.ReadU16LE(), headerWords = m.ReadU16LE(), version = m.ReadU16LE();
  m.ReadU32LE();
  h.Objects = m.ReadU16LE();
  if (m.Failed() || (type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
    return false;
  h.RecordsAt = (h.Placeable ? 22 : 0) + 18;
  if (!h.Placeable) {
    // The first window the records set gives the picture's extent.
    const TBytes all = d;
    size_t pos = 18;
    bool org = false, ext = false;
    QPoint o(0, 0);
    QSize e(kDefaultExtent, kDefaultExtent);
    while (pos + 6 <= all.size() && !(org && ext)) {
      ox::TOXReader rec(Slice(all, pos, 6));
      const uint32_t words = rec.ReadU32LE();
      const uint16_t fn = rec.ReadU16LE();
      if (words < 3 || words > (all.size() - pos) / 2 || fn == wmfEof) break;
      const TBytes argBytes = Slice(all, pos + 6, 4);
      ox::TOXReader args(argBytes);
      if (argBytes.size() == 4 && (fn == wmfSetWindowOrg || fn == wmfSetWindowExt)) {
        const int y = args.ReadI16LE(), x = args.ReadI16LE();
        if (fn == wmfSetWindowOrg && !org) o = QPoint(x, y), org = true;
        if (fn == wmfSetWindowExt && !ext && x != 0 && y != 0) e = QSize(std::abs(x), std::abs(y)), ext = true;
      }
      pos += size_t(words) * 2;
    }
    h.Bounds = QRect(o, e);
  }
  return true;
}

void PlayWmf(TBytes data, const TWmfHeader& h, QPainter& painter, QSize device, double width, double height,
             bool text) {
  TWmfPlayer player(painter, device, text, h.Objects);
  TMetaDevice& dc = player.DC();
  dc.LockViewport = true;
  dc.S.MapMode = MM_ANISOTROPIC;
  dc.S.WinOrg = h.Bounds.topLeft();
  dc.S.WinExt = QPointF(h.Bounds.width() ? h.Bounds.width() : 1, h.Bounds.height() ? h.Bounds.height() : 1);
  dc.S.VpOrg = QPointF(0, 0);
  dc.S.VpExt = QPointF(width, height);
  size_t pos = h.RecordsAt;
  while (pos + 6 <= data.size()) {
    ox::TOXReader head(Slice(data, pos, 6));
    const uint32_t words = head.ReadU32LE();
    const uint16_t fn = head.ReadU16LE();
    if (words < 3 || words > (data.size() - pos) / 2 || fn == wmfEof) break;
    player.Play(fn, Slice(data, pos + 6, size_t(words) * 2 - 6));
    pos += size_t(words) * 2;
  }
}

}  // namespace platform::meta
