// Pixel paths of the image view: visible rectangle, background styles, the unfiltered and the filtered render.
#include "imaging/view/OrvexRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/Rounding.h"

namespace ox {

using gfx::TBrushStyle;
using gfx::TColor;
using gfx::TDib;
using gfx::TPixelFormat;
using gfx::TRect;

void ComputeVisibleRect(TOXViewGeometry& g) {
  g.SrcX = g.SrcY = g.SrcW = g.SrcH = 0;
  if (g.ZoomedW > 0) {
    const double r = double(g.ImageW) / g.ZoomedW;
    g.SrcX = int(Round(g.ScrollX * r));
    g.SrcW = int(Round(r * g.DrawW));
    if (g.SrcX + g.SrcW > g.ImageW) g.SrcW -= 1;
  }
  if (g.ZoomedH > 0) {
    const double r = double(g.ImageH) / g.ZoomedH;
    g.SrcY = int(Round(g.ScrollY * r));
    g.SrcH = int(Round(r * g.DrawH));
    if (g.SrcY + g.SrcH > g.ImageH) g.SrcH -= 1;
  }
  // Rounding of odd zooms must never reach outside the picture.
  g.SrcX = std::clamp(g.SrcX, 0, std::max(g.ImageW, 0));
  g.SrcY = std::clamp(g.SrcY, 0, std::max(g.ImageH, 0));
  g.SrcW = std::clamp(g.SrcW, 0, g.ImageW - g.SrcX);
  g.SrcH = std::clamp(g.SrcH, 0, g.ImageH - g.SrcY);

  if (g.ZoomPercent <= 100) {
    g.DestW = g.DrawW;
    g.DestH = g.DrawH;
    return;
  }
  g.DestW = int(Trunc(g.SrcW * g.ZoomFactor));
  if (g.DestW < g.DrawW && g.SrcX + g.SrcW + 1 <= g.ImageW) g.DestW = int(Trunc(++g.SrcW * g.ZoomFactor));
  g.DestH = int(Trunc(g.SrcH * g.ZoomFactor));
  if (g.DestH < g.DrawH && g.SrcY + g.SrcH + 1 <= g.ImageH) g.DestH = int(Trunc(++g.SrcH * g.ZoomFactor));
}

TColor ComplementColor(TColor c) {
  const TColor n = ~c;
  // The complement of a plain colour would read as a system colour; only its RGB part is meant.
  return platform::IsSysColor(n) ? (n & 0xFFFFFF) : n;
}

namespace {

void HLine(gfx::TCanvas& cv, int x0, int x1, int y, TColor c) {
  cv.Pen = {c, gfx::TPenStyle::psSolid, gfx::TPenMode::pmCopy, 1};
  cv.MoveTo(x0, y);
  cv.LineTo(x1, y);
}
void VLine(gfx::TCanvas& cv, int x, int y0, int y1, TColor c) {
  cv.Pen = {c, gfx::TPenStyle::psSolid, gfx::TPenMode::pmCopy, 1};
  cv.MoveTo(x, y0);
  cv.LineTo(x, y1);
}

void Fill(gfx::TCanvas& cv, const TRect& r, TColor c, TBrushStyle s = TBrushStyle::bsSolid) {
  cv.Brush = {c, s};
  cv.FillRect(r);
}

// Sunken edge of width 2: shadow and dark shadow top-left, highlight and light bottom-right.
void SunkenEdge(gfx::TCanvas& cv, const TRect& r, const platform::ISystem& sys) {
  const TColor shadow = sys.SysColor(platform::scBtnShadow), hilite = sys.SysColor(platform::scBtnHighlight);
  const TColor dark = sys.SysColor(platform::sc3DDkShadow), light = sys.SysColor(platform::sc3DLight);
  auto ring = [&](TRect q, TColor tl, TColor br) {
    if (q.IsEmpty()) return;
    HLine(cv, q.Left, q.Right - 1, q.Top, tl);
    VLine(cv, q.Left, q.Top, q.Bottom - 1, tl);
    HLine(cv, q.Left, q.Right, q.Bottom - 1, br);
    VLine(cv, q.Right - 1, q.Top, q.Bottom - 1, br);
  };
  ring(r, shadow, hilite);
  ring({r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, dark, light);
}

}  // namespace

void PaintBackground(gfx::TCanvas& cv, int w, int h, const TRect& pic, TOXBackgroundStyle style, TColor color,
                     const platform::ISystem& sys) {
  const TRect all{0, 0, w, h};
  const TColor c = sys.ResolveColor(color);
  const TColor face = sys.SysColor(platform::scBtnFace);
  switch (style) {
    case oxbsSolid: Fill(cv, all, c); return;
    case oxbsHorizontal: case oxbsVertical: case oxbsFDiagonal: case oxbsBDiagonal: case oxbsCross:
    case oxbsDiagCross: {
      static constexpr TBrushStyle kHatch[] = {TBrushStyle::bsHorizontal, TBrushStyle::bsVertical,
                                               TBrushStyle::bsFDiagonal, TBrushStyle::bsBDiagonal,
                                               TBrushStyle::bsCross, TBrushStyle::bsDiagCross};
      // Hatch gaps get the window colour so that nothing of an earlier frame shows through them.
      Fill(cv, all, sys.SysColor(platform::scWindow));
      Fill(cv, all, c, kHatch[style - oxbsHorizontal]);
      return;
    }
    case oxbsChessboard: {
      const TColor first = sys.ResolveColor(ComplementColor(color));
      for (int y = 0, row = 0; y < h; y += 16, ++row)
        for (int x = 0, col = 0; x < w; x += 16, ++col) Fill(cv, {x, y, x + 16, y + 16}, ((row + col) & 1) ? c : first);
      return;
    }
    case oxbsDiagonals: {
      Fill(cv, all, c);
      const TColor pen = sys.ResolveColor(ComplementColor(color));
      cv.Pen = {pen, gfx::TPenStyle::psSolid, gfx::TPenMode::pmCopy, 1};
      cv.MoveTo(0, 0);
      cv.LineTo(w, h);
      cv.MoveTo(0, h);
      cv.LineTo(w, 0);
      return;
    }
    case oxbsCropped: {
      Fill(cv, all, face);
      if (pic.Width() >= 2 && pic.Height() >= 2) {
        const int ew = sys.Edge3DWidth(), eh = sys.Edge3DHeight();
        SunkenEdge(cv, {pic.Left - ew, pic.Top - eh, pic.Right + ew, pic.Bottom + eh}, sys);
      }
      return;
    }
    case oxbsCropShadow: {
      Fill(cv, all, face);
      if (pic.Width() >= 2 && pic.Height() >= 2) {
        for (int k = 0; k < 6; ++k) {
          const auto g = uint8_t(Trunc(255.0 * std::exp(k / 6.0 - 1.0)));
          const TColor gray = gfx::RGBColor(g, g, g);
          VLine(cv, pic.Right + k, pic.Top + 6, pic.Bottom + k, gray);
          HLine(cv, pic.Left + 6, pic.Right + 1 + k, pic.Bottom + k, gray);
        }
      }
      return;
    }
  }
}

namespace {

// Leaves only rect drawable on the canvas.
void ClipTo(gfx::TCanvas& cv, const TDib& dib, const TRect& r) {
  const int W = dib.Width(), H = dib.Height();
  cv.ExcludeClipRect({0, 0, W, r.Top});
  cv.ExcludeClipRect({0, r.Bottom, W, H});
  cv.ExcludeClipRect({0, r.Top, r.Left, r.Bottom});
  cv.ExcludeClipRect({r.Right, r.Top, W, r.Bottom});
}

inline int Bit1(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

TColor Colour1(const TDib& dib, int bit) {
  const auto& pal = dib.Palette();
  if (dib.Monochrome() || pal.size() < 2) return bit ? 0xFFFFFF : 0;
  return gfx::RGBColor(pal[bit].r, pal[bit].g, pal[bit].b);
}

// rect of the canvas (the rest untouched) gets what transparent parts of the picture show through to.
void PaintUnderlay(gfx::TCanvas& cv, const TDib& dib, const TRect& r, const TOXRenderInput& in) {
  if (r.IsEmpty()) return;
  ClipTo(cv, dib, r);
  const TRect pic{in.Geometry.OffsetX, in.Geometry.OffsetY, in.Geometry.OffsetX + in.Geometry.DestW,
                  in.Geometry.OffsetY + in.Geometry.DestH};
  if (in.AlphaChessboard)
    PaintBackground(cv, dib.Width(), dib.Height(), pic, oxbsChessboard, kAlphaChessboardColor, *in.System);
  else
    PaintBackground(cv, dib.Width(), dib.Height(), pic, in.Style, in.Background, *in.System);
  cv.ResetClip();
}

TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

}  // namespace

void RenderFastInto(TDib& dib, uint8_t* const* rows, const TRect& rectIn, const TOXRenderInput& in) {
  const TOXViewGeometry& g = in.Geometry;
  const TDib& img = *in.Image;
  const TRect rect{std::max(rectIn.Left, 0), std::max(rectIn.Top, 0), std::min(rectIn.Right, dib.Width()),
                   std::min(rectIn.Bottom, dib.Height())};
  if (rect.IsEmpty()) return;
  const bool blend = in.Alpha != nullptr && in.AlphaSizeOk;
  // A zoom so small that nothing of the picture reaches the screen leaves only the background.
  const bool nothing = g.DestW <= 0 || g.DestH <= 0 || g.SrcW <= 0 || g.SrcH <= 0;

  if (g.OffsetX > 0 || g.OffsetY > 0 || g.DestW < dib.Width() || g.DestH < dib.Height() || blend || nothing) {
    gfx::TCanvas& cv = dib.Canvas();
    ClipTo(cv, dib, rect);
    PaintBackground(cv, dib.Width(), dib.Height(), {g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH},
                    in.Style, in.Background, *in.System);
    cv.ResetClip();
    if (blend && in.AlphaChessboard)
      PaintUnderlay(cv, dib, Intersect(rect, {g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH}), in);
  }
  if (nothing || img.Empty() || (img.Width() == 1 && img.Height() == 1) || !in.AlphaSizeOk) return;

  const int64_t stepY = Trunc(double(g.SrcH) / g.DestH * 16384.0);
  const int64_t stepX = Trunc(double(g.SrcW) / g.DestW * 16384.0);
  const int lastRow = std::min(g.OffsetY + g.DestH - 1, dib.Height() - 1);
  const int lastCol = std::min(g.OffsetX + g.DestW - 1, dib.Width() - 1);
  const int y0 = std::max(g.OffsetY, rect.Top), y1 = std::min(lastRow, rect.Bottom - 1);
  const int x0 = std::max(g.OffsetX, rect.Left), x1 = std::min(lastCol, rect.Right - 1);
  if (y0 > y1 || x0 > x1) return;

  // Source column of every written destination column.
  const int ncols = x1 - x0 + 1;
  std::vector<int> srcCol(static_cast<size_t>(ncols));
  for (int i = 0; i < ncols; ++i) {
    const int64_t c = int64_t(x0 + i) - g.OffsetX;
    srcCol[size_t(i)] = int(std::min<int64_t>(stepX * c / 16384 + g.SrcX, img.Width() - 1));
  }
  const TPixelFormat fmt = img.PixelFormat();
  const bool oneBit = fmt == TPixelFormat::pf1bit;
  const bool block = fmt == TPixelFormat::pf24bit && !blend && stepX == 16384 && stepY == 16384;
  // A blended row repeats the row above only over a plain background.
  const bool reuseRows = in.Style == oxbsSolid && !(blend && in.AlphaChessboard);

  int prevSrc = -1;
  for (int i = y0; i <= y1; ++i) {
    const int sy = int(std::min<int64_t>(stepY * (i - g.OffsetY) / 16384 + g.SrcY, img.Height() - 1));
    uint8_t* d = rows[i] + int64_t(x0) * 3;
    if (sy == prevSrc && reuseRows) {
      std::memcpy(d, rows[i - 1] + int64_t(x0) * 3, size_t(ncols) * 3);
      continue;
    }
    prevSrc = sy;
    const uint8_t* s = img.ScanLine(sy);
    const uint8_t* a = blend ? in.Alpha->Row(sy) : nullptr;
    if (block) {
      std::memcpy(d, s + int64_t(srcCol[0]) * 3, size_t(ncols) * 3);
    } else if (oneBit && !a) {
      for (int k = 0; k < ncols; ++k, d += 3) d[0] = d[1] = d[2] = Bit1(s, srcCol[size_t(k)]) ? 255 : 0;
    } else if (oneBit) {
      for (int k = 0; k < ncols; ++k, d += 3) {
        const int sx = srcCol[size_t(k)], al = a[sx];
        int v = d[2];
        v = Bit1(s, sx) ? v + (((255 - v) * al) >> 8) : v - ((al * v + 255) >> 8);
        d[0] = d[1] = d[2] = uint8_t(v);
      }
    } else if (fmt == TPixelFormat::pf24bit && a) {
      for (int k = 0; k < ncols; ++k, d += 3) {
        const int sx = srcCol[size_t(k)], al = a[sx];
        const uint8_t* p = s + int64_t(sx) * 3;
        for (int ch = 0; ch < 3; ++ch) d[ch] = uint8_t(d[ch] + Shr((p[ch] - d[ch]) * al, 8));
      }
    } else if (fmt == TPixelFormat::pf24bit) {
      for (int k = 0; k < ncols; ++k, d += 3) {
        const uint8_t* p = s + int64_t(srcCol[size_t(k)]) * 3;
        d[0] = p[0], d[1] = p[1], d[2] = p[2];
      }
    } else {
      // Formats the view does not keep itself (a caller changed the image): slow but correct.
      for (int k = 0; k < ncols; ++k, d += 3) {
        const TColor c = img.GetPixelColor(srcCol[size_t(k)], sy);
        d[0] = gfx::BlueOf(c), d[1] = gfx::GreenOf(c), d[2] = gfx::RedOf(c);
      }
    }
  }
}

void StretchNearest(TDib& target, const TRect& dest, const TDib& img, const TRect& source) {
  if (dest.IsEmpty() || source.IsEmpty() || img.Empty() || target.Empty()) return;
  const int cx0 = std::max(dest.Left, 0), cx1 = std::min(dest.Right, target.Width());
  const int cy0 = std::max(dest.Top, 0), cy1 = std::min(dest.Bottom, target.Height());
  if (cx0 >= cx1 || cy0 >= cy1) return;
  const int64_t dw = dest.Width(), dh = dest.Height(), sw = source.Width(), sh = source.Height();
  std::vector<int> cols(static_cast<size_t>(cx1 - cx0));
  for (int x = cx0; x < cx1; ++x)
    cols[size_t(x - cx0)] = int(std::clamp<int64_t>(source.Left + (x - dest.Left) * sw / dw, 0, img.Width() - 1));
  const TPixelFormat fmt = img.PixelFormat();
  const TColor c0 = fmt == TPixelFormat::pf1bit ? Colour1(img, 0) : 0, c1 = fmt == TPixelFormat::pf1bit ? Colour1(img, 1) : 0;
  int prevSrc = -1;
  for (int y = cy0; y < cy1; ++y) {
    const int sy = int(std::clamp<int64_t>(source.Top + (y - dest.Top) * sh / dh, 0, img.Height() - 1));
    uint8_t* d = target.ScanLine(y) + int64_t(cx0) * 3;
    if (sy == prevSrc) {
      std::memcpy(d, target.ScanLine(y - 1) + int64_t(cx0) * 3, cols.size() * 3);
      continue;
    }
    prevSrc = sy;
    const uint8_t* s = img.ScanLine(sy);
    for (size_t k = 0; k < cols.size(); ++k, d += 3) {
      TColor c;
      if (fmt == TPixelFormat::pf24bit) {
        const uint8_t* p = s + int64_t(cols[k]) * 3;
        d[0] = p[0], d[1] = p[1], d[2] = p[2];
        continue;
      }
      c = fmt == TPixelFormat::pf1bit ? (Bit1(s, cols[k]) ? c1 : c0) : img.GetPixelColor(cols[k], sy);
      d[0] = gfx::BlueOf(c), d[1] = gfx::GreenOf(c), d[2] = gfx::RedOf(c);
    }
  }
}

void Blit24(TDib& target, int x, int y, const TDib& pic) {
  const int x0 = std::max(x, 0), x1 = std::min(x + pic.Width(), target.Width());
  const int y0 = std::max(y, 0), y1 = std::min(y + pic.Height(), target.Height());
  if (x0 >= x1 || pic.PixelFormat() != TPixelFormat::pf24bit) return;
  for (int row = y0; row < y1; ++row)
    std::memcpy(target.ScanLine(row) + int64_t(x0) * 3, pic.ScanLine(row - y) + int64_t(x0 - x) * 3, size_t(x1 - x0) * 3);
}

namespace {

// Mean (0 or 255 per pixel) of blocks of a 1-bit rectangle into a 24-bit gray picture. Each output pixel
// averages its footprint, pixels on its edges by the share they lie inside, so that 1-pixel stripes mix to
// an even gray at any ratio; at whole ratios this is the plain mean of trunc(SrcW / DestW) pixels.
void BoxReduce1(const TDib& img, const TRect& src, int w, int h, TDib& out) {
  out = TDib(w, h, TPixelFormat::pf24bit);
  const int64_t sw = src.Width(), sh = src.Height();
  // Source pixel i of n spans [i * n', (i + 1) * n') and output pixel o spans [o * s, (o + 1) * s) when both
  // are scaled to s * n' units; the overlap is the source pixel's weight.
  struct TSpan {
    int first, last;  // source pixels, relative to the rectangle, last excluded
  };
  auto span = [](int64_t o, int64_t s, int64_t n) {
    return TSpan{int(o * s / n), int(std::min<int64_t>(((o + 1) * s + n - 1) / n, s))};
  };
  auto weight = [](int64_t i, int64_t o, int64_t s, int64_t n) {
    return std::max<int64_t>(std::min((i + 1) * n, (o + 1) * s) - std::max(i * n, o * s), 0);
  };
  std::vector<TSpan> cols(static_cast<size_t>(w));
  for (int ox = 0; ox < w; ++ox) cols[size_t(ox)] = span(ox, sw, w);
  std::vector<int64_t> sums(static_cast<size_t>(w));
  const int64_t n = sw * sh;
  const TColor c0 = Colour1(img, 0), c1 = Colour1(img, 1);
  const int64_t blue0 = gfx::BlueOf(c0), green0 = gfx::GreenOf(c0), red0 = gfx::RedOf(c0);
  const int64_t blue1 = gfx::BlueOf(c1), green1 = gfx::GreenOf(c1), red1 = gfx::RedOf(c1);
  for (int oy = 0; oy < h; ++oy) {
    const TSpan rows = span(oy, sh, h);
    std::fill(sums.begin(), sums.end(), 0);
    for (int y = rows.first; y < rows.last; ++y) {
      const uint8_t* s = img.ScanLine(src.Top + y);
      const int64_t wy = weight(y, oy, sh, h);
      for (int ox = 0; ox < w; ++ox) {
        int64_t set = 0;
        for (int x = cols[size_t(ox)].first; x < cols[size_t(ox)].last; ++x)
          if (Bit1(s, src.Left + x)) set += weight(x, ox, sw, w);
        sums[size_t(ox)] += set * wy;
      }
    }
    uint8_t* d = out.ScanLine(oy);
    for (int ox = 0; ox < w; ++ox, d += 3) {
      const int64_t k = sums[size_t(ox)];
      // The share of set bits mixes the picture's two colours (black and white for most).
      d[0] = uint8_t((blue0 * (n - k) + blue1 * k) / n);
      d[1] = uint8_t((green0 * (n - k) + green1 * k) / n);
      d[2] = uint8_t((red0 * (n - k) + red1 * k) / n);
    }
  }
}

}  // namespace

bool ZoomFiltered(const TDib& img, const TRect& src, int w, int h, bool reduce1bit, TResampleFilter filter, TDib& out) {
  if (w < 1 || h < 1 || src.IsEmpty() || img.Empty()) return false;
  if (reduce1bit && img.PixelFormat() == TPixelFormat::pf1bit) {
    BoxReduce1(img, src, w, h, out);
    return true;
  }
  bool ok;
  if (src.Left == 0 && src.Top == 0 && src.Width() == img.Width() && src.Height() == img.Height()) {
    ok = Resample(img, out, w, h, filter);
  } else {
    TDib part(src.Width(), src.Height(), img.PixelFormat());
    if (img.PixelFormat() == TPixelFormat::pf1bit || img.PixelFormat() == TPixelFormat::pf24bit) {
      part.SetPalette(img.Palette());
      part.SetMonochrome(img.Monochrome());
      const int bits = img.BitsPerPixel();
      for (int y = 0; y < src.Height(); ++y) {
        const uint8_t* s = img.ScanLine(src.Top + y);
        uint8_t* d = part.ScanLine(y);
        if (bits == 24) {
          std::memcpy(d, s + int64_t(src.Left) * 3, size_t(src.Width()) * 3);
        } else {
          for (int x = 0; x < src.Width(); ++x) {
            const uint8_t m = uint8_t(0x80 >> (x & 7));
            d[x >> 3] = Bit1(s, src.Left + x) ? (d[x >> 3] | m) : (d[x >> 3] & ~m);
          }
        }
      }
    } else {
      part = TDib(src.Width(), src.Height(), TPixelFormat::pf24bit);
      part.Canvas().CopyRect({0, 0, src.Width(), src.Height()}, img, src);
    }
    ok = Resample(part, out, w, h, filter);
  }
  return ok && out.PixelFormat() == TPixelFormat::pf24bit;
}

namespace {

// The alpha mask's source rectangle as a 24-bit gray picture, so that it zooms as the picture does.
TDib AlphaPicture(const TOXMask& mask, const TRect& src) {
  TDib out(src.Width(), src.Height(), TPixelFormat::pf24bit);
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* a = mask.Row(src.Top + y) + src.Left;
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < src.Width(); ++x, d += 3) d[0] = d[1] = d[2] = a[x];
  }
  return out;
}

// Picture and alpha zoomed alike to the destination size: filtered, or nearest pixel.
bool ZoomLayer(const TDib& img, const TRect& source, const TOXViewGeometry& g, bool filtered, TResampleFilter filter,
               TDib& out) {
  if (filtered) {
    const bool reduce1 = g.ZoomPercent < 100 && img.PixelFormat() == TPixelFormat::pf1bit;
    if (ZoomFiltered(img, source, g.DestW, g.DestH, reduce1, filter, out)) return true;
  }
  out = TDib(g.DestW, g.DestH, TPixelFormat::pf24bit);
  StretchNearest(out, {0, 0, g.DestW, g.DestH}, img, source);
  return true;
}

// The filtered render of a picture with transparent parts: what lies under it first, then the picture mixed
// in by its zoomed alpha, as the unfiltered render mixes it.
void RenderFullBlended(TDib& target, const TOXRenderInput& in, const TRect& source, bool filtered) {
  const TOXViewGeometry& g = in.Geometry;
  gfx::TCanvas& cv = target.Canvas();
  PaintUnderlay(cv, target, Intersect({0, 0, target.Width(), target.Height()},
                                      {g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH}), in);
  TDib layer, alpha;
  ZoomLayer(*in.Image, source, g, filtered, in.Filter, layer);
  ZoomLayer(AlphaPicture(*in.Alpha, source), {0, 0, source.Width(), source.Height()}, g, filtered, in.Filter, alpha);
  if (layer.PixelFormat() != TPixelFormat::pf24bit || alpha.PixelFormat() != TPixelFormat::pf24bit) return;
  const int x0 = std::max(g.OffsetX, 0), x1 = std::min(g.OffsetX + std::min(layer.Width(), alpha.Width()), target.Width());
  const int y0 = std::max(g.OffsetY, 0), y1 = std::min(g.OffsetY + std::min(layer.Height(), alpha.Height()), target.Height());
  for (int y = y0; y < y1; ++y) {
    const uint8_t* s = layer.ScanLine(y - g.OffsetY) + int64_t(x0 - g.OffsetX) * 3;
    const uint8_t* a = alpha.ScanLine(y - g.OffsetY) + int64_t(x0 - g.OffsetX) * 3;
    uint8_t* d = target.ScanLine(y) + int64_t(x0) * 3;
    for (int x = x0; x < x1; ++x, s += 3, a += 3, d += 3)
      for (int ch = 0; ch < 3; ++ch) d[ch] = uint8_t(d[ch] + Shr((s[ch] - d[ch]) * a[0], 8));
  }
}

}  // namespace

void RenderFullInto(TDib& target, const TOXRenderInput& in) {
  const TOXViewGeometry& g = in.Geometry;
  const TDib& img = *in.Image;
  const int ex = target.Width(), ey = target.Height();
  gfx::TCanvas& cv = target.Canvas();
  if (img.Empty()) {
    PaintBackground(cv, ex, ey, {0, 0, 0, 0}, in.Style, in.Background, *in.System);
    return;
  }
  const TRect pic = in.Center ? TRect{g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH}
                              : TRect{0, 0, g.DestW, g.DestH};
  if (g.DestW < ex || g.DestH < ey) {
    cv.ExcludeClipRect(pic);
    PaintBackground(cv, ex, ey, pic, in.Style, in.Background, *in.System);
    cv.ResetClip();
  }
  if (g.DestW <= 0 || g.DestH <= 0 || g.SrcW <= 0 || g.SrcH <= 0) return;
  const bool filtered = in.Filter != rfNone && in.FilterDelay < 1 && g.ZoomPercent != 100 && img.Width() >= 2 &&
                        img.Height() >= 2 && g.SrcW > 3 && g.SrcH > 3;
  const TRect source{g.SrcX, g.SrcY, g.SrcX + g.SrcW, g.SrcY + g.SrcH};
  if (in.Alpha && in.AlphaSizeOk) {
    RenderFullBlended(target, in, source, filtered);
    return;
  }
  if (filtered) {
    TDib zoomed;
    const bool reduce1 = g.ZoomPercent < 100 && img.PixelFormat() == TPixelFormat::pf1bit;
    if (ZoomFiltered(img, source, g.DestW, g.DestH, reduce1, in.Filter, zoomed)) {
      Blit24(target, g.OffsetX, g.OffsetY, zoomed);
      return;
    }
  }
  StretchNearest(target, {g.OffsetX, g.OffsetY, g.OffsetX + g.DestW, g.OffsetY + g.DestH}, img, source);
}

}  // namespace ox
