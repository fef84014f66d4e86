// TOXMask: the 1-bit selection / 8-bit alpha plane of an image, with the bounding box of its written pixels.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"

namespace ox {

struct TOXPoint {
  int x = 0, y = 0;
};

// A point with this x ends one polygon and starts the next in FillPolygons.
constexpr int kPolygonSeparator = 0xFFFFF;
constexpr int kEmptyBoxCoord = 2147483647;

class TOXMask {
 public:
  int Width = 0, Height = 0;
  int BitsPerPixel = 0;
  int64_t RowLength = 0;
  std::vector<uint8_t> Data;  // rows bottom-up
  // Inclusive bounding box of the pixels written non-zero; it never shrinks when pixels are cleared.
  int X1 = kEmptyBoxCoord, Y1 = kEmptyBoxCoord, X2 = 0, Y2 = 0;
  bool Full = false;  // an 8-bit mask known to be entirely 255; always true for 1 bit after Fill

  void Allocate(int width, int height, int bits);
  void FreeImage();
  void Assign(const TOXMask* other);

  void SetPixel(int x, int y, int value);
  int GetPixel(int x, int y) const;  // 1 bit: 0 or the bit's mask (128 ... 1)
  bool IsSet(int x, int y) const { return GetPixel(x, y) != 0; }
  int64_t FillSpan(int value, int x1, int y, int x2);
  void Fill(int value);
  bool IsEmpty() const { return X1 == kEmptyBoxCoord; }
  void Clear();
  uint8_t* Row(int y);
  const uint8_t* Row(int y) const;

  // Clears, then fills the union of the polygons (right and bottom borders exclusive).
  void FillPolygons(int value, std::span<const TOXPoint> points);
  // Copies the selected pixels of source into dest (both 24-bit or both 1-bit), clipped to both DIBs.
  void CopyMasked(gfx::TDib& dest, const gfx::TDib& source, bool sourceAtBoxOrigin, bool destAtBoxOrigin) const;
  // Moves the content; without cutBorders dx, dy are limited so that the box stays inside.
  void Translate(int& dx, int& dy, bool cutBorders);
  // Inverts the 24-bit pixels of dib under the selected pixels of source stretched onto dest.
  void DrawInverted(gfx::TDib& dib, const gfx::TRect& dest, const gfx::TRect& source) const;
  // Marching ants: source stretched onto dest of a 24-bit dib with 14-bit steps; a selected screen pixel with
  // an unselected neighbour is drawn, c2 where (x + y + tick) has bit 2 clear and c1 elsewhere.
  void DrawOutline(gfx::TDib& dib, const gfx::TRect& dest, const gfx::TRect& source, int tick, gfx::TColor c1,
                   gfx::TColor c2) const;

 private:
  bool HasData() const { return !Data.empty(); }
  bool Inside(int x, int y) const { return HasData() && x >= 0 && y >= 0 && x < Width && y < Height; }
  void EmptyBox();
  void ClampBox();
  void UpdateFull(int value) { Full = Full && (BitsPerPixel != 8 || value == 255); }
  int64_t FillPolygon(int value, std::span<const TOXPoint> poly);
};

}  // namespace ox
