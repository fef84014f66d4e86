// The real clipboard on QClipboard: pictures as image/bmp and image/png, files as URI lists, text.
#pragma once

#include <QByteArray>
#include <QImage>

#include "platform/clipboard/Clipboard.h"

namespace platform {

class TClipboardQt : public TClipboard {
 public:
  // Needs a QGuiApplication.
  std::vector<uint8_t> GetDib() override;
  void SetDib(std::vector<uint8_t> packed) override;
  void SetFiles(const std::vector<std::string>& paths, bool cut) override;
  void SetText(const std::string& text) override;
  std::string GetText() override;
  void Clear() override;
};

// The parts of the backend that need no clipboard, for the tests and the picture conversions.
// A BMP file of the block (14-byte file header + the block); empty when the block is no valid DIB.
QByteArray BmpFileOfDib(const std::vector<uint8_t>& packed);
// The packed DIB inside image/bmp data: a BMP file, or a bare block with a known header size; the rows
// are moved next to the colour table when the file puts them elsewhere. Empty for anything malformed.
std::vector<uint8_t> DibOfBmpData(const QByteArray& data);
// A 24-bit packed DIB, 32-bit (straight alpha) when the picture has an alpha channel; empty for a null
// picture or one past the size guard.
std::vector<uint8_t> DibOfImage(const QImage& image);
// The picture of a packed DIB as Qt holds it; null when the block is no valid DIB.
QImage ImageOfDib(const std::vector<uint8_t>& packed);

}  // namespace platform
