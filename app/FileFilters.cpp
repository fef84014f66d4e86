// The open chooser's fixed filter and the save chooser's filter built from the format registry.
#include "app/FileFilters.h"

#include "imaging/io/oxio.h"
#include "imaging/io/oxregistry.h"

#include <cctype>

namespace app {

const std::string& OpenFilter() {
  static const std::string filter =
      "All graphics|*.tif;*.tiff;*.fax;*.jpg;*.jpeg;*.jpe;*.pcx;*.bmp;*.dib;*.rle;*.ico;*.cur;*.png;*.wmf;*.emf;*.tga;"
      "*.targa;*.vda;*.icb;*.vst;*.pix;*.pxm;*.ppm;*.pgm;*.pbm;*.avi;*.gif|TIFF Bitmap (TIF;TIFF;FAX)|*.tif;*.tiff;*.fax|"
      "JPEG Bitmap (JPG;JPEG;JPE)|*.jpg;*.jpeg;*.jpe|PaintBrush (PCX)|*.pcx|Windows Bitmap (BMP;DIB;RLE)|"
      "*.bmp;*.dib;*.rle|Windows Icon (ICO)|*.ico|Windows Cursor (CUR)|*.cur|Portable Network Graphics (PNG)|*.png|"
      "Windows Metafile (WMF)|*.wmf|Enhanced Windows Metafile (EMF)|*.emf|Targa Bitmap (TGA;TARGA;VDA;ICB;VST;PIX)|"
      "*.tga;*.targa;*.vda;*.icb;*.vst;*.pix|Portable Pixmap, GreyMap, BitMap (PXM;PPM;PGM;PBM)|*.pxm;*.ppm;*.pgm;"
      "*.pbm|Video for Windows (AVI)|*.avi|CompuServe Bitmap (GIF)|*.gif|All files|*";
  return filter;
}

std::string SaveFilter() {
  std::string filter;
  for (const ox::TOXFileFormatInfo& f : ox::FileFormatRegistry()) {
    std::string first = ox::FormatExtension(f.FormatId, 0);
    first.insert(0, 1, '.');
    first = ox::LowerExtension(first);
    if (first.size() < 2) continue;
    bool writable = f.WriteProc || ox::SaveFormatOfExtension(first) != ox::oxffUnknown;
    if (!writable) continue;
    std::string patterns;
    for (int k = 0; k < ox::FormatExtensionCount(f.FormatId); ++k) {
      std::string ext = ox::FormatExtension(f.FormatId, k);
      for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
      patterns += (patterns.empty() ? "*." : ";*.") + ext;
    }
    if (!filter.empty()) filter += "|";
    filter += f.Description + " (" + f.Extensions + ")|" + patterns;
  }
  return filter;
}

}  // namespace app
