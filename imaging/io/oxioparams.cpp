// Defaults and metadata clearing of the I/O parameter record; the process-wide hooks.
#include "imaging/io/oxioparams.h"

#include <cstring>

#include "imaging/io/GIFLzw.h"
#include "imaging/io/TIFFLzw.h"

namespace ox {

TGifLzwDecoder DefaultGifLzwDecoder = GifLzwDecode;
TGifLzwEncoder DefaultGifLzwEncoder = GifLzwEncode;
TTiffLzwDecoder DefaultTiffLzwDecoder = TiffLzwDecode;
TTiffLzwEncoder DefaultTiffLzwEncoder = TiffLzwEncode;

void TProgressRec::FillMissingRows(gfx::TDib& dib) {
  if (RestFilled || !PartialPicture() || dib.Empty() || PictureRows != dib.Height()) return;
  RestFilled = true;
  const int h = dib.Height(), first = int(RowsDelivered);
  auto rowOf = [&](int k) { return BottomUp ? h - 1 - k : k; };
  const int y0 = rowOf(first);
  for (int x = 0; x < dib.Width(); ++x) dib.SetPixelColor(x, y0, FillColor);
  for (int k = first + 1; k < h; ++k)
    std::memcpy(dib.ScanLine(rowOf(k)), dib.ScanLine(y0), size_t(dib.RowLength()));
}

TIOParamsVals::TIOParamsVals(TOrvexIO* owner) : Owner(owner) { ResetParams(); }

std::vector<TOXRGB>& TIOParamsVals::SetColorMapCount(int count) {
  if (count < 0) count = 0;
  ColorMap.assign(size_t(count), TOXRGB{});
  ColorMapCount = count;
  return ColorMap;
}

void TIOParamsVals::ResetParams() {
  // Size and resolution are the owner's to give; a record without an owner keeps its own.
  const int width = Width, height = Height, dpiX = DpiX, dpiY = DpiY;
  static_cast<TIOParamsData&>(*this) = TIOParamsData{};
  Width = width;
  Height = height;
  DpiX = dpiX;
  DpiY = dpiY;
  TiffLzwDecoder = DefaultTiffLzwDecoder;
  TiffLzwEncoder = DefaultTiffLzwEncoder;
  GifLzwDecoder = DefaultGifLzwDecoder;
  GifLzwEncoder = DefaultGifLzwEncoder;
  TgaDate = std::time(nullptr);
  if (OwnerDefaults) OwnerDefaults(*this);
  ClearMetadata();
}

void TIOParamsVals::ClearMetadata() {
  ExifThumbnail = gfx::TDib(1, 1, gfx::TPixelFormat::pf24bit);
  static_cast<TExifData&>(*this) = TExifData{};
}

}  // namespace ox
