// Printing of the I/O component's picture: the page layout (margins, size mode, position, gamma), drawing
// through a tiled copy onto a device, and the scaled page of the preview.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imaging/model/oxvirtual.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Dib.h"

namespace ox {

class TOrvexIO;

enum TPrintSizeMode { psmNormal, psmFitToPage, psmStretchToPage, psmSpecifiedSize };
enum TPrintPosition { ppNear, ppCenter, ppFar };  // left/top, centred, right/bottom

// Every length in inches.
struct TPrintLayout {
  double LeftMargin = 1, TopMargin = 1, RightMargin = 1, BottomMargin = 1;
  int SizeMode = psmFitToPage;
  double SpecWidth = 6, SpecHeight = 4;
  int HorzPos = ppCenter, VertPos = ppCenter;
  double Gamma = 1;  // <= 0 or 1: none
};

// What the layout needs of a printer: its resolution and its printable area in device pixels.
struct TPrintDevice {
  int DpiX = 0, DpiY = 0;
  int PageWidth = 0, PageHeight = 0;
};

// Placed picture in inches from the page's top left.
struct TPrintPlacement {
  double X = 0, Y = 0, W = 0, H = 0;
};

// The dialogs' unit: inches, or centimetres converted to inches when read.
enum TMeasureUnit { muInches, muCentimeters };
constexpr double kCmPerInch = 2.54;
constexpr double kMmPerInch = 25.4;

// Where a picture of picW × picH pixels at picDpi goes on a page of pageW × pageH inches printed at dpi.
TPrintPlacement PlacePicture(int picW, int picH, double picDpiX, double picDpiY, double dpiX, double dpiY,
                             double pageW, double pageH, const TPrintLayout& layout);
// The device rectangle of a placement: trunc of each of left, top, width and height times the resolution.
gfx::TRect PlacementRect(const TPrintPlacement& p, double dpiX, double dpiY);
// t[i] = round(255 × (i / 255)^(1 / gamma)); the identity for gamma 1 or <= 0.
std::array<uint8_t, 256> GammaTable(double gamma);

// The dialogs' tolerant number reading: as written, then with its first "," and "." swapped; else `fallback`.
double ReadTolerant(const std::string& text, double fallback);
// Shortest decimal text of a value ("0.01", "1.1", "6").
std::string ShortestDecimal(double value);

// The picture's resolution as printed: the attached holder's or the parameters', 0 replaced by the screen's.
void PictureDpi(TOrvexIO& io, double& dpiX, double& dpiY);

// Places the component's picture by `layout` and draws it on the target (resolution dpi, page in inches).
// Nothing is drawn for a picture or page without size, or a picture neither 1- nor 24-bit.
void PlaceAndDraw(TOrvexIO& io, TOXDrawTarget& target, double dpiX, double dpiY, double pageWidth,
                  double pageHeight, const TPrintLayout& layout);
// A whole printer page (device pixels, the printable area's top left at 0, 0).
void PrintOnDevice(TOrvexIO& io, TOXDrawTarget& target, const TPrintDevice& device, const TPrintLayout& layout);
// The page scaled into a box of boxWidth × boxHeight with a 5-pixel allowance, white, with the picture and
// an inverting dashed margin frame. A box or page too small for one dot gives a white page.
void RenderPrintPreview(TOrvexIO& io, gfx::TDib& bitmap, int boxWidth, int boxHeight, const TPrintDevice& printer,
                        const TPrintLayout& layout);

}  // namespace ox
