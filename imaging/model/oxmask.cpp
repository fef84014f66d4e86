// TOXMask: pixels, bounding box, polygon scan conversion, masked copy, translation and inverted drawing.
#include "imaging/model/oxmask.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/model/BitRun.h"
#include "platform/gfx/SizeGuard.h"

namespace ox {

namespace {

constexpr uint8_t kBit[8] = {128, 64, 32, 16, 8, 4, 2, 1};

// Nearest integer to num / den (den > 0), an exact half going toward zero: what the edge stepping yields.
int64_t RoundHalfTowardZero(int64_t num, int64_t den) {
  int64_t q = num / den;
  const int64_t r = num % den;
  if (2 * (r < 0 ? -r : r) > den) q += num < 0 ? -1 : 1;
  return q;
}

struct TEdge {
  int x0, y0, y1;  // upper end, larger y (excluded)
  int64_t dx, dy;  // dy > 0
};

}  // namespace

void TOXMask::Allocate(int width, int height, int bits) {
  FreeImage();
  EmptyBox();
  Full = false;
  if (width <= 0 || height <= 0) return;
  Width = width;
  Height = height;
  BitsPerPixel = bits;
  if (bits != 1 && bits != 8) return;
  if (!gfx::ImageSizeAllowed(width, height, bits)) {
    FreeImage();
    throw std::bad_alloc();
  }
  RowLength = bits == 1 ? gfx::RowBytes(width, 1) : int64_t(width);
  Data.assign(size_t(RowLength * height), 0);
}

void TOXMask::FreeImage() {
  Data.clear();
  Data.shrink_to_fit();
  Width = Height = BitsPerPixel = 0;
  RowLength = 0;
}

void TOXMask::Assign(const TOXMask* other) {
  if (!other || other == this) return;
  Allocate(other->Width, other->Height, other->BitsPerPixel);
  if (Data.size() == other->Data.size()) Data = other->Data;
  X1 = other->X1;
  Y1 = other->Y1;
  X2 = other->X2;
  Y2 = other->Y2;
  Full = other->Full;
}

void TOXMask::EmptyBox() {
  X1 = Y1 = kEmptyBoxCoord;
  X2 = Y2 = 0;
}

void TOXMask::ClampBox() {
  X1 = std::clamp(X1, 0, std::max(Width - 1, 0));
  X2 = std::clamp(X2, 0, std::max(Width - 1, 0));
  Y1 = std::clamp(Y1, 0, std::max(Height - 1, 0));
  Y2 = std::clamp(Y2, 0, std::max(Height - 1, 0));
}

uint8_t* TOXMask::Row(int y) {
  if (!HasData() || y < 0 || y >= Height) return nullptr;
  return Data.data() + RowLength * (int64_t(Height) - 1 - y);
}

const uint8_t* TOXMask::Row(int y) const { return const_cast<TOXMask*>(this)->Row(y); }

void TOXMask::SetPixel(int x, int y, int value) {
  if (!Inside(x, y)) return;
  if (value != 0) {
    X1 = std::min(X1, x);
    X2 = std::max(X2, x);
    Y1 = std::min(Y1, y);
    Y2 = std::max(Y2, y);
  }
  UpdateFull(value);
  uint8_t* row = Row(y);
  if (BitsPerPixel == 1) {
    if (value != 0)
      row[x >> 3] |= kBit[x & 7];
    else
      row[x >> 3] &= uint8_t(~kBit[x & 7]);
  } else {
    row[x] = uint8_t(value);
  }
}

int TOXMask::GetPixel(int x, int y) const {
  if (!Inside(x, y)) return 0;
  const uint8_t* row = Row(y);
  return BitsPerPixel == 1 ? (row[x >> 3] & kBit[x & 7]) : row[x];
}

int64_t TOXMask::FillSpan(int value, int x1, int y, int x2) {
  // A row outside the mask is skipped rather than clamped onto the border row.
  if (!HasData() || y < 0 || y >= Height) return 0;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, Width - 1);
  if (x2 < x1) return 0;
  UpdateFull(value);
  uint8_t* row = Row(y);
  const int64_t n = int64_t(x2) - x1 + 1;
  if (BitsPerPixel == 1) {
    // Set bits whatever the value: a selection polygon only ever adds.
    const int64_t b1 = x1 >> 3, b2 = x2 >> 3;
    const uint8_t first = uint8_t(0xFFu >> (x1 & 7));
    const uint8_t last = uint8_t(0xFFu << (7 - (x2 & 7)));
    if (b1 == b2) {
      row[b1] |= uint8_t(first & last);
    } else {
      row[b1] |= first;
      if (b2 > b1 + 1) std::memset(row + b1 + 1, 0xFF, size_t(b2 - b1 - 1));
      row[b2] |= last;
    }
  } else {
    std::memset(row + x1, uint8_t(value), size_t(n));
  }
  return n;
}

void TOXMask::Fill(int value) {
  if (!Data.empty()) std::memset(Data.data(), uint8_t(value), Data.size());
  Full = BitsPerPixel != 8 || value == 255;
}

void TOXMask::Clear() {
  Fill(0);
  EmptyBox();
}

void TOXMask::FillPolygons(int value, std::span<const TOXPoint> points) {
  Clear();
  size_t start = 0;
  for (size_t i = 0; i <= points.size(); ++i) {
    if (i == points.size() || points[i].x == kPolygonSeparator) {
      if (i > start) FillPolygon(value, points.subspan(start, i - start));
      start = i + 1;
    }
  }
}

int64_t TOXMask::FillPolygon(int value, std::span<const TOXPoint> poly) {
  if (!HasData() || poly.size() < 2) return 0;
  const int sx1 = X1, sy1 = Y1, sx2 = X2, sy2 = Y2;
  int ymin = kEmptyBoxCoord, ymax = -kEmptyBoxCoord;
  for (const TOXPoint& p : poly) {
    X1 = std::min(X1, p.x);
    X2 = std::max(X2, p.x - 1);
    Y1 = std::min(Y1, p.y);
    Y2 = std::max(Y2, p.y - 1);
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  ClampBox();

  std::vector<TEdge> edges;
  edges.reserve(poly.size());
  for (size_t i = 0; i < poly.size(); ++i) {
    TOXPoint a = poly[i], b = poly[(i + 1) % poly.size()];
    if (a.y == b.y) continue;
    if (a.y > b.y) std::swap(a, b);
    edges.push_back({a.x, a.y, b.y, int64_t(b.x) - a.x, int64_t(b.y) - a.y});
  }
  std::sort(edges.begin(), edges.end(), [](const TEdge& l, const TEdge& r) { return l.y0 < r.y0; });

  // x of an edge at a row is exact (no accumulated steps), so rows above the mask can be skipped outright.
  const int yFirst = std::max(ymin, 0), yEnd = std::min(ymax, Height);
  struct TCross {
    int64_t x;
    const TEdge* e;
  };
  std::vector<const TEdge*> active;
  std::vector<TCross> cross;
  size_t next = 0;
  int64_t filled = 0;
  for (int y = yFirst; y < yEnd; ++y) {
    std::erase_if(active, [y](const TEdge* e) { return e->y1 <= y; });
    while (next < edges.size() && edges[next].y0 <= y) {
      if (edges[next].y1 > y) active.push_back(&edges[next]);
      ++next;
    }
    cross.clear();
    for (const TEdge* e : active) cross.push_back({e->x0 + RoundHalfTowardZero(e->dx * (y - e->y0), e->dy), e});
    std::sort(cross.begin(), cross.end(), [](const TCross& l, const TCross& r) {
      if (l.x != r.x) return l.x < r.x;
      return l.e->dx * r.e->dy < r.e->dx * l.e->dy;
    });
    for (size_t k = 0; k + 1 < cross.size(); k += 2) {
      const int64_t a = std::clamp<int64_t>(cross[k].x, -1, Width);
      const int64_t b = std::clamp<int64_t>(cross[k + 1].x - 1, -1, Width);
      filled += FillSpan(value, int(a), y, int(b));
    }
  }
  if (filled == 0) {
    // Nothing of this polygon was drawn: the box is what the earlier polygons made it.
    X1 = sx1;
    Y1 = sy1;
    X2 = sx2;
    Y2 = sy2;
  }
  return filled;
}

void TOXMask::CopyMasked(gfx::TDib& dest, const gfx::TDib& source, bool sourceAtBoxOrigin,
                         bool destAtBoxOrigin) const {
  if (!HasData() || IsEmpty() || X2 < X1 || Y2 < Y1) return;
  const gfx::TPixelFormat f = source.PixelFormat();
  if (dest.PixelFormat() != f || (f != gfx::TPixelFormat::pf24bit && f != gfx::TPixelFormat::pf1bit)) return;
  if (source.Empty() || dest.Empty()) return;
  // Mask (x, y) reads source (x - sox, y - soy) and writes dest (x - dox, y - doy).
  const int64_t sox = sourceAtBoxOrigin ? X1 : 0, soy = sourceAtBoxOrigin ? Y1 : 0;
  const int64_t dox = destAtBoxOrigin ? X1 : 0, doy = destAtBoxOrigin ? Y1 : 0;
  const int64_t xlo = std::max({int64_t(X1), int64_t(0), sox, dox});
  const int64_t xhi = std::min({int64_t(X2), int64_t(Width) - 1, source.Width() - 1 + sox, dest.Width() - 1 + dox});
  const int64_t ylo = std::max({int64_t(Y1), int64_t(0), soy, doy});
  const int64_t yhi = std::min({int64_t(Y2), int64_t(Height) - 1, source.Height() - 1 + soy, dest.Height() - 1 + doy});
  if (xhi < xlo || yhi < ylo) return;
  const bool rgb = f == gfx::TPixelFormat::pf24bit;
  for (int64_t y = ylo; y <= yhi; ++y) {
    const uint8_t* m = Row(int(y));
    const uint8_t* s = source.ScanLine(int(y - soy));
    uint8_t* d = dest.ScanLine(int(y - doy));
    for (int64_t x = xlo; x <= xhi; ++x) {
      const int a = BitsPerPixel == 1 ? ((m[x >> 3] & kBit[x & 7]) ? 256 : 0) : m[x];
      if (a == 0) continue;
      const int64_t sx = x - sox, dx = x - dox;
      if (rgb) {
        const uint8_t* sp = s + 3 * sx;
        uint8_t* dp = d + 3 * dx;
        if (a == 256) {
          dp[0] = sp[0];
          dp[1] = sp[1];
          dp[2] = sp[2];
        } else {
          for (int c = 0; c < 3; ++c) dp[c] = uint8_t(dp[c] + (((sp[c] - dp[c]) * a) >> 8));
        }
      } else {
        const uint8_t bit = kBit[dx & 7];
        if (s[sx >> 3] & kBit[sx & 7])
          d[dx >> 3] |= bit;
        else
          d[dx >> 3] &= uint8_t(~bit);
      }
    }
  }
}

void TOXMask::Translate(int& dx, int& dy, bool cutBorders) {
  if (!HasData() || IsEmpty()) return;
  ClampBox();
  int64_t x1 = X1, y1 = Y1, x2 = X2, y2 = Y2;
  const int64_t w = Width, h = Height;
  if (cutBorders) {
    if (x1 + dx < 0) x1 = -int64_t(dx);
    if (x2 + dx >= w) x2 = w - 1 - dx;
    if (y1 + dy < 0) y1 = -int64_t(dy);
    if (y2 + dy >= h) y2 = h - 1 - dy;
    if (x2 < x1 || y2 < y1) {
      // Everything leaves the image: keep no stray box around an empty mask.
      Clear();
      return;
    }
  } else {
    if (x1 + dx < 0) dx = int(-x1);
    if (x2 + dx >= w) dx = int(w - 1 - x2);
    if (y1 + dy < 0) dy = int(-y1);
    if (y2 + dy >= h) dy = int(h - 1 - y2);
  }
  if (dx == 0 && dy == 0) return;
  const std::vector<uint8_t> old = Data;
  std::fill(Data.begin(), Data.end(), 0);
  const int64_t n = x2 - x1 + 1;
  for (int64_t y = y1; y <= y2; ++y) {
    const int64_t ty = y + dy;
    if (ty < 0 || ty >= h) continue;
    const uint8_t* src = old.data() + RowLength * (h - 1 - y);
    uint8_t* dst = Row(int(ty));
    if (BitsPerPixel == 1) {
      CopyBitRun(dst, x1 + dx, src, x1, n);
    } else {
      const int64_t lo = std::max(x1, -int64_t(dx)), hi = std::min(x2, w - 1 - dx);
      if (hi >= lo) std::memcpy(dst + lo + dx, src + lo, size_t(hi - lo + 1));
    }
  }
  X1 = int(std::clamp<int64_t>(x1 + dx, 0, w - 1));
  X2 = int(std::clamp<int64_t>(x2 + dx, 0, w - 1));
  Y1 = int(std::clamp<int64_t>(y1 + dy, 0, h - 1));
  Y2 = int(std::clamp<int64_t>(y2 + dy, 0, h - 1));
}

void TOXMask::DrawInverted(gfx::TDib& dib, const gfx::TRect& dest, const gfx::TRect& source) const {
  if (BitsPerPixel != 1 || !HasData() || IsEmpty()) return;
  if (dib.PixelFormat() != gfx::TPixelFormat::pf24bit || dib.Empty()) return;
  if (dest.IsEmpty() || source.IsEmpty()) return;
  const int64_t dw = dest.Width(), dh = dest.Height(), sw = source.Width(), sh = source.Height();
  const int64_t cx1 = std::max<int64_t>(dest.Left, 0), cx2 = std::min<int64_t>(dest.Right, dib.Width());
  const int64_t cy1 = std::max<int64_t>(dest.Top, 0), cy2 = std::min<int64_t>(dest.Bottom, dib.Height());
  if (cx2 <= cx1 || cy2 <= cy1) return;
  // Nearest-pixel stretch: destination column -> mask column, -1 where it falls outside the mask.
  std::vector<int64_t> col(size_t(cx2 - cx1));
  for (int64_t x = cx1; x < cx2; ++x) {
    const int64_t mx = source.Left + (x - dest.Left) * sw / dw;
    col[size_t(x - cx1)] = (mx >= 0 && mx < Width) ? mx : -1;
  }
  for (int64_t y = cy1; y < cy2; ++y) {
    const int64_t my = source.Top + (y - dest.Top) * sh / dh;
    if (my < 0 || my >= Height) continue;
    const uint8_t* m = Row(int(my));
    uint8_t* d = dib.ScanLine(int(y));
    for (int64_t x = cx1; x < cx2; ++x) {
      const int64_t mx = col[size_t(x - cx1)];
      if (mx < 0 || !(m[mx >> 3] & kBit[mx & 7])) continue;
      uint8_t* p = d + 3 * x;
      p[0] ^= 0xFF;
      p[1] ^= 0xFF;
      p[2] ^= 0xFF;
    }
  }
}

}  // namespace ox
