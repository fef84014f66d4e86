// Pixel paths of the image view: visible rectangle, background styles, the unfiltered and the filtered render.
#pragma once

#include <cstdint>

#include "imaging/model/oxmask.h"
#include "imaging/proc/oxresample.h"
#include "imaging/view/OrvexTypes.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"
#include "platform/system/SystemInfo.h"

namespace ox {

// Layout of the picture in the client area and the part of it that is visible.
struct TOXViewGeometry {
  int ImageW = 0, ImageH = 0;
  double ZoomPercent = 100, ZoomFactor = 1;
  int ScrollX = 0, ScrollY = 0;
  int ZoomedW = 0, ZoomedH = 0;
  int DrawW = 0, DrawH = 0;
  int OffsetX = 0, OffsetY = 0;
  int SrcX = 0, SrcY = 0, SrcW = 0, SrcH = 0;  // in image pixels
  int DestW = 0, DestH = 0;                    // on screen
};

// Fills SrcX ... DestH from the image size, zoom, scroll offsets and DrawW/DrawH.
void ComputeVisibleRect(TOXViewGeometry& g);

// The colour drawn against c by the chessboard and diagonal styles.
gfx::TColor ComplementColor(gfx::TColor c);

// Paints style over (0, 0)-(w, h) of the canvas; picture is where the image lies (for the cropped styles).
void PaintBackground(gfx::TCanvas& canvas, int w, int h, const gfx::TRect& picture, TOXBackgroundStyle style,
                     gfx::TColor color, const platform::ISystem& sys);

struct TOXRenderInput {
  const gfx::TDib* Image = nullptr;
  const TOXMask* Alpha = nullptr;  // set only when blending applies
  bool AlphaSizeOk = true;         // the alpha mask has the image's size
  TOXViewGeometry Geometry;        // visible rectangle already computed
  TOXBackgroundStyle Style = oxbsSolid;
  gfx::TColor Background = 0;
  const platform::ISystem* System = nullptr;
  // Filtered render only.
  TResampleFilter Filter = rfNone;
  int FilterDelay = 0;
  bool Center = false;
  // Transparent parts over the chessboard of kAlphaChessboardColor instead of the background style.
  bool AlphaChessboard = false;
};

// The chessboard under transparent parts: squares of this gray and its complement (0x999999, 0x666666).
constexpr gfx::TColor kAlphaChessboardColor = 0x999999;

// Nearest-pixel render into dib (24-bit) restricted to rect; rows[i] is dib.ScanLine(i).
void RenderFastInto(gfx::TDib& dib, uint8_t* const* rows, const gfx::TRect& rect, const TOXRenderInput& in);
// Render of the whole target (24-bit) with the zoom filter when it applies.
void RenderFullInto(gfx::TDib& target, const TOXRenderInput& in);

// Nearest-pixel stretch of source of image onto dest of target (24-bit), as the platform's DIB stretch does.
void StretchNearest(gfx::TDib& target, const gfx::TRect& dest, const gfx::TDib& image, const gfx::TRect& source);
// Resamples the source rectangle of a picture to w x h (24-bit) with filter; a 1-bit picture reduced below
// zoom 100 is box-averaged instead. False when nothing could be made.
bool ZoomFiltered(const gfx::TDib& image, const gfx::TRect& source, int w, int h, bool reduce1bit,
                  TResampleFilter filter, gfx::TDib& out);
// Copies a 24-bit picture onto target at (x, y), clipped.
void Blit24(gfx::TDib& target, int x, int y, const gfx::TDib& pic);

}  // namespace ox
