// System colours: the values 0xFF0000ii that stand for system colour ii, and TSysColors, which resolves them.
#pragma once

#include <cstdint>

#include "platform/gfx/Dib.h"

namespace platform {

// Indices of the system colours; a colour value 0xFF0000ii names index ii.
enum TSysColorIndex : int {
  scScrollBar = 0, scBackground, scActiveCaption, scInactiveCaption, scMenu, scWindow, scWindowFrame,
  scMenuText, scWindowText, scCaptionText, scActiveBorder, scInactiveBorder, scAppWorkSpace, scHighlight,
  scHighlightText, scBtnFace, scBtnShadow, scGrayText, scBtnText, scInactiveCaptionText, scBtnHighlight,
  sc3DDkShadow, sc3DLight, scInfoText, scInfoBk, scSysColorCount
};

constexpr gfx::TColor SysColorValue(TSysColorIndex i) { return 0xFF000000u | uint32_t(i); }
constexpr bool IsSysColor(gfx::TColor c) { return (c >> 24) == 0xFF; }

// Declared here, below the services, because the core resolves system colours too (a background given as
// one); platform::ISystem provides it.
class TSysColors {
 public:
  virtual ~TSysColors() = default;
  // Colour 0x00BBGGRR of a system colour index; unknown indices give black.
  virtual gfx::TColor SysColor(int index) const = 0;
  // Plain colours lose their top byte; system colours are looked up.
  gfx::TColor ResolveColor(gfx::TColor c) const { return IsSysColor(c) ? SysColor(int(c & 0xFF)) : (c & 0xFFFFFF); }
};

}  // namespace platform
