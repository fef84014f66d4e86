// TCanvas: fills, hatches, frames, pen lines, pixels and stretching on a TDib, clipped to the DIB and the exclusions.
#include "platform/gfx/Canvas.h"

#include "platform/gfx/Gray.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace gfx {

namespace {

// System colours (top byte 0xFF) are resolved before they reach the canvas; only RGB counts here.
constexpr TColor Rgb(TColor c) { return c & 0xFFFFFF; }

bool HatchBit(TBrushStyle s, int x, int y) {
  const int px = x & 7, py = y & 7;
  switch (s) {
    case TBrushStyle::bsHorizontal: return py == 0;
    case TBrushStyle::bsVertical: return px == 0;
    case TBrushStyle::bsFDiagonal: return px == py;
    case TBrushStyle::bsBDiagonal: return px + py == 7;
    case TBrushStyle::bsCross: return px == 0 || py == 0;
    case TBrushStyle::bsDiagCross: return px == py || px + py == 7;
    default: return true;
  }
}

// On/off run lengths of the dashed pens, in pixels, starting with "on".
struct TDashPattern {
  int runs[6];
  int count;
};
TDashPattern DashOf(TPenStyle s) {
  switch (s) {
    case TPenStyle::psDash: return {{6, 2, 0, 0, 0, 0}, 2};
    case TPenStyle::psDot: return {{1, 1, 0, 0, 0, 0}, 2};
    case TPenStyle::psDashDot: return {{6, 2, 1, 2, 0, 0}, 4};
    case TPenStyle::psDashDotDot: return {{6, 2, 1, 2, 1, 2}, 6};
    default: return {{1, 0, 0, 0, 0, 0}, 1};
  }
}

class TDashWalker {
 public:
  explicit TDashWalker(TPenStyle s) : p_(DashOf(s)) {}
  // True when the current pixel is drawn; advances to the next one.
  bool Next() {
    if (p_.count == 1) return true;
    const bool on = (run_ % 2) == 0;
    if (++pos_ >= p_.runs[run_]) {
      pos_ = 0;
      run_ = (run_ + 1) % p_.count;
    }
    return on;
  }

 private:
  TDashPattern p_;
  int run_ = 0, pos_ = 0;
};

// Pixel access shaped by the DIB format; 24-bit and 1-bit work on the rows, other formats go through the DIB.
class TPixels {
 public:
  explicit TPixels(TDib& dib) : dib_(dib), format_(dib.PixelFormat()) {}

  TPixelFormat Format() const { return format_; }

  int IndexOf(TColor c) const {
    c = Rgb(c);
    const auto& pal = dib_.Palette();
    if (dib_.Monochrome() || pal.size() < 2) return GrayOfColor(c) >= 128 ? 1 : 0;
    int best = 0;
    int64_t bestD = -1;
    for (int i = 0; i < 2; ++i) {
      const int dr = pal[i].r - RedOf(c), dg = pal[i].g - GreenOf(c), db = pal[i].b - BlueOf(c);
      const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
      if (bestD < 0 || d < bestD) best = i, bestD = d;
    }
    return best;
  }

  void Put(int x, int y, TColor c, TPenMode mode) {
    c = Rgb(c);
    if (format_ == TPixelFormat::pf24bit) {
      uint8_t* p = dib_.ScanLine(y) + int64_t(x) * 3;
      Apply24(p, c, mode);
    } else if (format_ == TPixelFormat::pf1bit) {
      Put1(dib_.ScanLine(y), x, IndexOf(c), mode);
    } else {
      const TColor old = dib_.GetPixelColor(x, y);
      dib_.SetPixelColor(x, y, Combine(old, c, mode));
    }
  }

  // Copies one colour into the run [x0, x1) of row y.
  void Span(int y, int x0, int x1, TColor c) {
    c = Rgb(c);
    if (format_ == TPixelFormat::pf24bit) {
      uint8_t* p = dib_.ScanLine(y) + int64_t(x0) * 3;
      const uint8_t b = BlueOf(c), g = GreenOf(c), r = RedOf(c);
      for (int x = x0; x < x1; ++x, p += 3) p[0] = b, p[1] = g, p[2] = r;
    } else if (format_ == TPixelFormat::pf1bit) {
      uint8_t* row = dib_.ScanLine(y);
      const int idx = IndexOf(c);
      for (int x = x0; x < x1; ++x) Put1(row, x, idx, TPenMode::pmCopy);
    } else {
      for (int x = x0; x < x1; ++x) dib_.SetPixelColor(x, y, c);
    }
  }

  static void Apply24(uint8_t* p, TColor c, TPenMode mode) {
    switch (mode) {
      case TPenMode::pmCopy: p[0] = BlueOf(c), p[1] = GreenOf(c), p[2] = RedOf(c); break;
      case TPenMode::pmXor: p[0] ^= BlueOf(c), p[1] ^= GreenOf(c), p[2] ^= RedOf(c); break;
      case TPenMode::pmNot: p[0] = ~p[0], p[1] = ~p[1], p[2] = ~p[2]; break;
    }
  }

  static void Put1(uint8_t* row, int x, int idx, TPenMode mode) {
    uint8_t& byte = row[x >> 3];
    const uint8_t mask = uint8_t(0x80 >> (x & 7));
    switch (mode) {
      case TPenMode::pmCopy: byte = idx ? (byte | mask) : (byte & ~mask); break;
      case TPenMode::pmXor: if (idx) byte ^= mask; break;
      case TPenMode::pmNot: byte ^= mask; break;
    }
  }

  static TColor Combine(TColor old, TColor c, TPenMode mode) {
    switch (mode) {
      case TPenMode::pmCopy: return c;
      case TPenMode::pmXor: return Rgb(old ^ c);
      case TPenMode::pmNot: return Rgb(~old);
    }
    return c;
  }

 private:
  TDib& dib_;
  TPixelFormat format_;
};

TColor ColorOf1(const TDib& dib, int bit) {
  const auto& pal = dib.Palette();
  if (dib.Monochrome() || pal.size() < 2) return bit ? 0xFFFFFF : 0;
  const TRGB e = pal[bit];
  return RGBColor(e.r, e.g, e.b);
}

TColor ReadPixel(const TDib& dib, int x, int y) {
  switch (dib.PixelFormat()) {
    case TPixelFormat::pf24bit: {
      const uint8_t* p = dib.ScanLine(y) + int64_t(x) * 3;
      return RGBColor(p[2], p[1], p[0]);
    }
    case TPixelFormat::pf1bit: return ColorOf1(dib, (dib.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1);
    default: return Rgb(dib.GetPixelColor(x, y));
  }
}

}  // namespace

// Visible runs of [x0, x1) on row y: inside the DIB and outside every excluded rectangle.
template <typename F>
static void ForEachSpan(const TDib& dib, const std::vector<TRect>& excluded, int y, int x0, int x1, F&& fn) {
  if (y < 0 || y >= dib.Height()) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, dib.Width());
  if (x0 >= x1) return;
  if (excluded.empty()) {
    fn(x0, x1);
    return;
  }
  // Few exclusions are expected; a small sweep over them per row keeps this simple.
  std::vector<std::pair<int, int>> runs{{x0, x1}}, next;
  for (const TRect& e : excluded) {
    if (e.IsEmpty() || y < e.Top || y >= e.Bottom) continue;
    next.clear();
    for (auto [a, b] : runs) {
      if (e.Right <= a || e.Left >= b) {
        next.emplace_back(a, b);
        continue;
      }
      if (e.Left > a) next.emplace_back(a, e.Left);
      if (e.Right < b) next.emplace_back(e.Right, b);
    }
    runs.swap(next);
    if (runs.empty()) return;
  }
  for (auto [a, b] : runs) fn(a, b);
}

static bool VisiblePoint(const TDib& dib, const std::vector<TRect>& excluded, int x, int y) {
  if (x < 0 || y < 0 || x >= dib.Width() || y >= dib.Height()) return false;
  for (const TRect& e : excluded)
    if (x >= e.Left && x < e.Right && y >= e.Top && y < e.Bottom) return false;
  return true;
}

void TCanvas::FillRect(const TRect& r) {
  if (r.IsEmpty() || dib_.Empty() || Brush.Style == TBrushStyle::bsClear) return;
  TPixels px(dib_);
  const TColor c = Brush.Color;
  const bool solid = Brush.Style == TBrushStyle::bsSolid;
  const int y0 = std::max(r.Top, 0), y1 = std::min(r.Bottom, dib_.Height());
  for (int y = y0; y < y1; ++y) {
    ForEachSpan(dib_, excluded_, y, r.Left, r.Right, [&](int a, int b) {
      if (solid) {
        px.Span(y, a, b, c);
        return;
      }
      for (int x = a; x < b; ++x)
        if (HatchBit(Brush.Style, x, y)) px.Put(x, y, c, TPenMode::pmCopy);
    });
  }
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.IsEmpty() || dib_.Empty() || Brush.Style == TBrushStyle::bsClear) return;
  TPixels px(dib_);
  const TColor c = Brush.Color;
  auto row = [&](int y) { ForEachSpan(dib_, excluded_, y, r.Left, r.Right, [&](int a, int b) { px.Span(y, a, b, c); }); };
  row(r.Top);
  if (r.Bottom - 1 > r.Top) row(r.Bottom - 1);
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    if (VisiblePoint(dib_, excluded_, r.Left, y)) px.Put(r.Left, y, c, TPenMode::pmCopy);
    if (r.Right - 1 > r.Left && VisiblePoint(dib_, excluded_, r.Right - 1, y)) px.Put(r.Right - 1, y, c, TPenMode::pmCopy);
  }
}

void TCanvas::Rectangle(const TRect& r) {
  if (r.IsEmpty() || dib_.Empty()) return;
  int w = Pen.Style == TPenStyle::psClear ? 0 : std::max(Pen.Width, 1);
  w = std::min({w, (r.Width() + 1) / 2, (r.Height() + 1) / 2});
  // The outline lies inside the rectangle as nested one-pixel rings, so no pixel is drawn twice (xor stays exact).
  const TPen saved = Pen;
  Pen.Width = 1;
  for (int i = 0; i < w; ++i) {
    const int l = r.Left + i, t = r.Top + i, rr = r.Right - 1 - i, b = r.Bottom - 1 - i;
    if (l == rr || t == b) {  // degenerate ring: a single line, both ends included
      MoveTo(l, t);
      if (l == rr) LineTo(l, b + 1); else LineTo(rr + 1, t);
      continue;
    }
    MoveTo(l, t);
    LineTo(rr, t);
    LineTo(rr, b);
    LineTo(l, b);
    LineTo(l, t);
  }
  Pen = saved;
  FillRect({r.Left + w, r.Top + w, r.Right - w, r.Bottom - w});
}

void TCanvas::MoveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

void TCanvas::LineTo(int x, int y) {
  const int x0 = penX_, y0 = penY_;
  penX_ = x;
  penY_ = y;
  if (Pen.Style == TPenStyle::psClear || dib_.Empty() || (x0 == x && y0 == y)) return;
  TPixels px(dib_);
  TDashWalker dash(Pen.Style);
  const int64_t dx = std::llabs(int64_t(x) - x0), dy = -std::llabs(int64_t(y) - y0);
  const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
  const int width = std::max(Pen.Width, 1);

  if (width == 1) {
    int64_t err = dx + dy;
    int cx = x0, cy = y0;
    while (cx != x || cy != y) {
      if (dash.Next() && VisiblePoint(dib_, excluded_, cx, cy)) px.Put(cx, cy, Pen.Color, Pen.Mode);
      const int64_t e2 = 2 * err;
      if (e2 >= dy) err += dy, cx += sx;
      if (e2 <= dx) err += dx, cy += sy;
    }
    return;
  }

  // Wide pens stamp a square on every point; marks collect the union first so xor and not touch each pixel once.
  const int half = (width - 1) / 2;
  const int64_t bx0 = std::max<int64_t>(std::min(x0, x) - half, 0);
  const int64_t by0 = std::max<int64_t>(std::min(y0, y) - half, 0);
  const int64_t bx1 = std::min<int64_t>(std::max(x0, x) - half + width, dib_.Width());
  const int64_t by1 = std::min<int64_t>(std::max(y0, y) - half + width, dib_.Height());
  if (bx0 >= bx1 || by0 >= by1) return;
  const int64_t bw = bx1 - bx0;
  std::vector<uint8_t> marks(size_t(bw * (by1 - by0)), 0);
  int64_t err = dx + dy;
  int cx = x0, cy = y0;
  while (cx != x || cy != y) {
    if (dash.Next()) {
      const int64_t sx0 = std::max<int64_t>(int64_t(cx) - half, bx0), sx1 = std::min<int64_t>(int64_t(cx) - half + width, bx1);
      const int64_t sy0 = std::max<int64_t>(int64_t(cy) - half, by0), sy1 = std::min<int64_t>(int64_t(cy) - half + width, by1);
      for (int64_t yy = sy0; yy < sy1; ++yy)
        for (int64_t xx = sx0; xx < sx1; ++xx) marks[size_t((yy - by0) * bw + (xx - bx0))] = 1;
    }
    const int64_t e2 = 2 * err;
    if (e2 >= dy) err += dy, cx += sx;
    if (e2 <= dx) err += dx, cy += sy;
  }
  for (int64_t yy = by0; yy < by1; ++yy)
    for (int64_t xx = bx0; xx < bx1; ++xx)
      if (marks[size_t((yy - by0) * bw + (xx - bx0))] && VisiblePoint(dib_, excluded_, int(xx), int(yy)))
        px.Put(int(xx), int(yy), Pen.Color, Pen.Mode);
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  if (!VisiblePoint(dib_, excluded_, x, y)) return;
  TPixels(dib_).Put(x, y, c, TPenMode::pmCopy);
}

TColor TCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= dib_.Width() || y >= dib_.Height()) return 0xFFFFFFFF;  // no pixel there
  return ReadPixel(dib_, x, y);
}

void TCanvas::Draw(int x, int y, const TDib& src) {
  CopyRect({x, y, x + src.Width(), y + src.Height()}, src, {0, 0, src.Width(), src.Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TDib& src) { CopyRect(dest, src, {0, 0, src.Width(), src.Height()}); }

void TCanvas::CopyRect(const TRect& dest, const TDib& src, const TRect& source) {
  if (dest.IsEmpty() || source.IsEmpty() || src.Empty() || dib_.Empty()) return;
  const int64_t dw = dest.Width(), dh = dest.Height(), sw = source.Width(), sh = source.Height();
  const int cx0 = std::max(dest.Left, 0), cx1 = std::min(dest.Right, dib_.Width());
  const int cy0 = std::max(dest.Top, 0), cy1 = std::min(dest.Bottom, dib_.Height());
  if (cx0 >= cx1 || cy0 >= cy1) return;

  // Source box [lo, hi) of every destination column of the visible part; at least one pixel when enlarging.
  const TStretchMode mode = (dw == sw && dh == sh) ? TStretchMode::smNearest : StretchMode;
  const int ncols = cx1 - cx0;
  std::vector<int> xlo(ncols), xhi(ncols);
  for (int i = 0; i < ncols; ++i) {
    const int64_t d = int64_t(cx0 + i) - dest.Left;
    const int64_t lo = source.Left + d * sw / dw;
    const int64_t hi = mode == TStretchMode::smNearest ? lo + 1 : std::max(lo + 1, source.Left + (d + 1) * sw / dw);
    xlo[i] = int(std::clamp<int64_t>(lo, 0, src.Width()));
    xhi[i] = int(std::clamp<int64_t>(hi, 0, src.Width()));
  }

  TPixels out(dib_);
  const bool fast24 = src.PixelFormat() == TPixelFormat::pf24bit && dib_.PixelFormat() == TPixelFormat::pf24bit;
  std::vector<uint64_t> sum(size_t(ncols) * 3);
  std::vector<uint64_t> count(ncols);
  std::vector<TColor> acc(ncols);

  for (int y = cy0; y < cy1; ++y) {
    const int64_t d = int64_t(y) - dest.Top;
    const int64_t ylo64 = source.Top + d * sh / dh;
    const int64_t yhi64 = mode == TStretchMode::smNearest ? ylo64 + 1 : std::max(ylo64 + 1, source.Top + (d + 1) * sh / dh);
    const int ylo = int(std::clamp<int64_t>(ylo64, 0, src.Height()));
    const int yhi = int(std::clamp<int64_t>(yhi64, 0, src.Height()));
    if (ylo >= yhi) continue;

    std::fill(sum.begin(), sum.end(), 0);
    std::fill(count.begin(), count.end(), 0);
    std::fill(acc.begin(), acc.end(), 0xFFFFFF);
    for (int sy = ylo; sy < yhi; ++sy) {
      const uint8_t* srow = src.ScanLine(sy);
      for (int i = 0; i < ncols; ++i) {
        for (int sx = xlo[i]; sx < xhi[i]; ++sx) {
          TColor c;
          if (src.PixelFormat() == TPixelFormat::pf24bit) {
            const uint8_t* p = srow + int64_t(sx) * 3;
            c = RGBColor(p[2], p[1], p[0]);
          } else {
            c = ReadPixel(src, sx, sy);
          }
          acc[i] &= c;
          sum[size_t(i) * 3] += RedOf(c);
          sum[size_t(i) * 3 + 1] += GreenOf(c);
          sum[size_t(i) * 3 + 2] += BlueOf(c);
          ++count[i];
        }
      }
    }

    auto colourAt = [&](int i) -> TColor {
      if (mode != TStretchMode::smHalftone) return acc[i];
      const uint64_t n = count[i], h = n / 2;
      return RGBColor(uint8_t((sum[size_t(i) * 3] + h) / n), uint8_t((sum[size_t(i) * 3 + 1] + h) / n),
                      uint8_t((sum[size_t(i) * 3 + 2] + h) / n));
    };
    ForEachSpan(dib_, excluded_, y, cx0, cx1, [&](int a, int b) {
      if (fast24) {
        uint8_t* p = dib_.ScanLine(y) + int64_t(a) * 3;
        for (int x = a; x < b; ++x, p += 3) {
          const int i = x - cx0;
          if (count[i] == 0) continue;
          const TColor c = colourAt(i);
          p[0] = BlueOf(c), p[1] = GreenOf(c), p[2] = RedOf(c);
        }
        return;
      }
      for (int x = a; x < b; ++x) {
        const int i = x - cx0;
        if (count[i] != 0) out.Put(x, y, colourAt(i), TPenMode::pmCopy);
      }
    });
  }
}

void TCanvas::ExcludeClipRect(const TRect& r) {
  if (!r.IsEmpty()) excluded_.push_back(r);
}

void TCanvas::ResetClip() { excluded_.clear(); }

}  // namespace gfx
