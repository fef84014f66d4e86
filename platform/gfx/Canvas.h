// TCanvas: our own rasterizer on a TDib for the drawing the core needs (fills, frames, lines, pixels, stretching).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/Dib.h"

namespace gfx {

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom excluded
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect&) const = default;
};

enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum class TPenMode { pmCopy, pmXor, pmNot };
// How StretchDraw/CopyRect reduce: nearest pixel, the platform's default shrink (and of kept pixels), halftone (box average).
enum class TStretchMode { smNearest, smDefault, smHalftone };

struct TBrush {
  TColor Color = 0xFFFFFF;
  TBrushStyle Style = TBrushStyle::bsSolid;
};
struct TPen {
  TColor Color = 0;
  TPenStyle Style = TPenStyle::psSolid;
  TPenMode Mode = TPenMode::pmCopy;
  int Width = 1;
};

class TCanvas {
 public:
  explicit TCanvas(TDib& dib) : dib_(dib) {}

  TBrush Brush;
  TPen Pen;
  TStretchMode StretchMode = TStretchMode::smNearest;

  // Hatch brushes are 8×8 patterns aligned to the canvas origin.
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void Rectangle(const TRect& r);  // pen outline, brush inside
  void MoveTo(int x, int y);
  void LineTo(int x, int y);       // last pixel excluded
  void SetPixel(int x, int y, TColor c);
  TColor GetPixel(int x, int y) const;
  void Draw(int x, int y, const TDib& src);
  void StretchDraw(const TRect& dest, const TDib& src);
  void CopyRect(const TRect& dest, const TDib& src, const TRect& source);

  // Clip exclusion: later drawing leaves these rectangles alone until ResetClip.
  void ExcludeClipRect(const TRect& r);
  void ResetClip();

  void Lock() { ++locks_; }
  void Unlock() { if (locks_ > 0) --locks_; }
  bool Locked() const { return locks_ > 0; }

 private:
  TDib& dib_;
  int penX_ = 0, penY_ = 0;
  std::vector<TRect> excluded_;
  int locks_ = 0;
};

}  // namespace gfx
