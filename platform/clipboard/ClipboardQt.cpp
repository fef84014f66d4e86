// QClipboard backend: a picture goes out as image/bmp, image/png and Qt's own image, rendered when asked.
#include "platform/clipboard/ClipboardQt.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <cstring>

#include "imaging/proc/oxclipdib.h"
#include "platform/gfx/SizeGuard.h"

namespace platform {

namespace {

const QString kBmp = QStringLiteral("image/bmp");
const QString kPng = QStringLiteral("image/png");
const QString kQtImage = QStringLiteral("application/x-qt-image");

uint32_t Get32(const char* p) {
  const auto* u = reinterpret_cast<const uint8_t*>(p);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The picture on offer, kept as the packed block; the other forms are made only when a program asks.
class TDibMimeData : public QMimeData {
 public:
  explicit TDibMimeData(std::vector<uint8_t> packed) : packed_(std::move(packed)) {}
  const std::vector<uint8_t>& Packed() const { return packed_; }

  QStringList formats() const override { return {kPng, kBmp, kQtImage}; }
  bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
    if (mimeType == kBmp) return BmpFileOfDib(packed_);
    if (mimeType == kQtImage) return ImageOfDib(packed_);
    if (mimeType == kPng) {
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      // Quality 80 is the lightest zlib level: a large picture must not stall the program it goes to.
      if (!ImageOfDib(packed_).save(&buffer, "PNG", 80)) return QVariant();
      return png;
    }
    return QMimeData::retrieveData(mimeType, type);
  }

 private:
  std::vector<uint8_t> packed_;
};

QString FileNameOf(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

QByteArray BmpFileOfDib(const std::vector<uint8_t>& packed) {
  ox::TClipDibLayout l;
  if (!ox::ReadClipboardDibLayout(packed, l) || packed.size() > 0x7FFFFFFF - 14) return {};
  QByteArray file(qsizetype(14 + packed.size()), '\0');
  auto* p = reinterpret_cast<uint8_t*>(file.data());
  p[0] = 'B', p[1] = 'M';
  Put32(p + 2, uint32_t(file.size()));
  Put32(p + 10, uint32_t(14 + l.pixelOffset));
  std::memcpy(p + 14, packed.data(), packed.size());
  return file;
}

std::vector<uint8_t> DibOfBmpData(const QByteArray& data) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  const size_t size = size_t(data.size());
  ox::TClipDibLayout l;
  if (size >= 14 && bytes[0] == 'B' && bytes[1] == 'M') {
    // The file size may be 0 (unknown) or shorter than the data; never longer than what arrived.
    const uint32_t fileSize = Get32(data.constData() + 2);
    const uint32_t pixels = Get32(data.constData() + 10);
    const size_t total = fileSize == 0 ? size : size_t(fileSize);
    if (total < 14 + 40 || total > size) return {};
    const std::span<const uint8_t> block(bytes + 14, total - 14);
    if (!ox::ReadClipboardDibHeader(block, l)) return {};
    // A packed block has its rows right after the colour table; a file may put them further on.
    const size_t rows = pixels == 0 ? l.pixelOffset : size_t(pixels) < 14 ? 0 : size_t(pixels) - 14;
    if (rows < l.pixelOffset || rows > block.size()) return {};
    std::vector<uint8_t> packed(block.begin(), block.begin() + ptrdiff_t(l.pixelOffset));
    packed.insert(packed.end(), block.begin() + ptrdiff_t(rows), block.end());
    if (!ox::ReadClipboardDibLayout(packed, l)) return {};
    return packed;
  }
  // Some programs offer the bare block under the same name.
  if (size < 4 || !ox::IsClipboardDibHeaderSize(Get32(data.constData()))) return {};
  const std::span<const uint8_t> block(bytes, size);
  if (!ox::ReadClipboardDibLayout(block, l)) return {};
  return std::vector<uint8_t>(block.begin(), block.end());
}

std::vector<uint8_t> DibOfImage(const QImage& image) {
  if (image.isNull() || !gfx::ImageSizeAllowed(image.width(), image.height(), 32)) return {};
  const bool alpha = image.hasAlphaChannel();
  // Straight alpha: the B, G, R bytes of each pixel are its colour whatever the reader does with A.
  const QImage img = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
  if (img.isNull()) return {};
  const int w = img.width(), h = img.height(), bits = alpha ? 32 : 24;
  const size_t row = size_t(gfx::RowBytes(w, bits));
  std::vector<uint8_t> block(40 + row * size_t(h) + 4, 0);
  Put32(&block[0], 40);
  Put32(&block[4], uint32_t(w));
  Put32(&block[8], uint32_t(h));
  block[12] = 1;
  block[14] = uint8_t(bits);
  const size_t used = size_t(w) * size_t(bits / 8);
  uint8_t* out = block.data() + 40;
  for (int y = h - 1; y >= 0; --y, out += row) std::memcpy(out, img.constScanLine(y), used);
  return block;
}

QImage ImageOfDib(const std::vector<uint8_t>& packed) {
  gfx::TDib dib;
  if (!ox::DecodeClipboardDib(packed, dib)) return {};
  const bool mono = dib.PixelFormat() == gfx::TPixelFormat::pf1bit;
  QImage img(dib.Width(), dib.Height(), mono ? QImage::Format_Mono : QImage::Format_BGR888);
  if (img.isNull()) return {};
  if (mono) {
    QList<QRgb> table;
    for (const gfx::TRGB& c : dib.Palette()) table.push_back(qRgb(c.r, c.g, c.b));
    img.setColorTable(table);
  }
  const size_t bytes = size_t(std::min<int64_t>(img.bytesPerLine(), dib.RowLength()));
  for (int y = 0; y < dib.Height(); ++y) std::memcpy(img.scanLine(y), dib.ScanLine(y), bytes);
  return img;
}

std::vector<uint8_t> TClipboardQt::GetDib() {
  QClipboard* clip = QGuiApplication::clipboard();
  const QMimeData* mime = clip->mimeData();
  if (!mime) return {};
  if (const auto* ours = dynamic_cast<const TDibMimeData*>(mime)) return ours->Packed();
  for (const char* name : {"image/bmp", "image/x-bmp", "image/x-MS-bmp"})
    if (mime->hasFormat(QLatin1String(name))) return DibOfBmpData(mime->data(QLatin1String(name)));
  return DibOfImage(clip->image());
}

void TClipboardQt::SetDib(std::vector<uint8_t> packed) {
  ox::TClipDibLayout l;
  if (!ox::ReadClipboardDibLayout(packed, l)) return;
  QGuiApplication::clipboard()->setMimeData(new TDibMimeData(std::move(packed)));
}

void TClipboardQt::SetFiles(const std::vector<std::string>& paths, bool cut) {
  QList<QUrl> urls;
  QByteArray gnome = cut ? "cut" : "copy";
  QStringList text;
  for (const std::string& path : paths) {
    const QUrl url = QUrl::fromLocalFile(FileNameOf(path));
    urls.push_back(url);
    gnome += '\n' + url.toEncoded();
    text.push_back(FileNameOf(path));
  }
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  mime->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
  if (cut) mime->setData(QStringLiteral("application/x-kde-cutselection"), "1");
  mime->setText(text.join('\n'));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void TClipboardQt::SetText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string TClipboardQt::GetText() { return QGuiApplication::clipboard()->text().toStdString(); }

void TClipboardQt::Clear() { QGuiApplication::clipboard()->clear(); }

}  // namespace platform
