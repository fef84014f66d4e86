// The QClipboard backend: pictures out as image/bmp, image/png and Qt's image and back, pictures other
// programs offer, untrusted image/bmp data, file lists and text, and the processing component on top.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "imaging/proc/oxclipdib.h"
#include "imaging/proc/oxproc.h"
#include "platform/clipboard/ClipboardQt.h"

using namespace platform;

namespace {

QClipboard* Clip() { return QGuiApplication::clipboard(); }

void Paint(gfx::TDib& d) {
  for (int y = 0; y < d.Height(); ++y)
    for (int x = 0; x < d.Width(); ++x) d.SetPixelColor(x, y, gfx::RGBColor(uint8_t(40 * x + 1), uint8_t(70 * y + 2), 200));
}

void ExpectSamePixels(const gfx::TDib& got, const gfx::TDib& want) {
  ASSERT_EQ(got.Width(), want.Width());
  ASSERT_EQ(got.Height(), want.Height());
  for (int y = 0; y < want.Height(); ++y)
    for (int x = 0; x < want.Width(); ++x) EXPECT_EQ(got.GetPixelColor(x, y), want.GetPixelColor(x, y)) << x << "," << y;
}

void ExpectSamePixels(const QImage& got, const gfx::TDib& want) {
  ASSERT_EQ(got.width(), want.Width());
  ASSERT_EQ(got.height(), want.Height());
  for (int y = 0; y < want.Height(); ++y)
    for (int x = 0; x < want.Width(); ++x) {
      const gfx::TColor c = want.GetPixelColor(x, y);
      EXPECT_EQ(got.pixel(x, y), qRgb(gfx::RedOf(c), gfx::GreenOf(c), gfx::BlueOf(c))) << x << "," << y;
    }
}

gfx::TDib Decode(const std::vector<uint8_t>& block) {
  gfx::TDib dib;
  EXPECT_TRUE(ox::DecodeClipboardDib(block, dib));
  return dib;
}

void Offer(const QString& format, const QByteArray& data) {
  auto* mime = new QMimeData;
  mime->setData(format, data);
  Clip()->setMimeData(mime);
}

uint32_t Get32(const QByteArray& b, int at) {
  const auto* u = reinterpret_cast<const uint8_t*>(b.constData() + at);
  return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
void Put32(QByteArray& b, int at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(uint8_t(v >> (8 * i)));
}

// An 8-bit BMP file of 2 × 2 with a 2-entry table and `gap` bytes between the table and the rows.
QByteArray Bmp8(int gap) {
  QByteArray b(14 + 40 + 8 + gap + 8, '\0');
  b[0] = 'B', b[1] = 'M';
  Put32(b, 2, uint32_t(b.size()));
  Put32(b, 10, uint32_t(14 + 40 + 8 + gap));
  Put32(b, 14, 40);
  Put32(b, 18, 2);
  Put32(b, 22, 2);
  b[26] = 1;
  b[28] = 8;
  Put32(b, 46, 2);
  b[54] = 10, b[55] = 20, b[56] = 30;  // entry 0: blue 10, green 20, red 30
  b[58] = 40, b[59] = 50, b[60] = 60;
  for (int i = 0; i < gap; ++i) b[62 + i] = char(0xEE);
  const int rows = 62 + gap;
  b[rows] = 0, b[rows + 1] = 1;      // bottom row
  b[rows + 4] = 1, b[rows + 5] = 0;  // top row
  return b;
}

}  // namespace

TEST(ClipboardQt, PicturesGoOutInEveryFormAndComeBackAsTheSameBlock) {
  gfx::TDib rgb(5, 3, gfx::TPixelFormat::pf24bit);
  Paint(rgb);
  gfx::TDib pal(4, 2, gfx::TPixelFormat::pf8bit);
  pal.SetPalette({{255, 0, 0}, {0, 128, 0}, {1, 2, 3}});
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) pal.ScanLine(y)[x] = uint8_t((x + y) % 3);
  gfx::TDib mono(11, 3, gfx::TPixelFormat::pf1bit);
  for (int x = 0; x < 11; x += 3) mono.SetPixelColor(x, 1, 0xFFFFFF);

  TClipboardQt clipboard;
  for (const gfx::TDib* picture : {&rgb, &pal, &mono}) {
    SCOPED_TRACE(picture->BitsPerPixel());
    const std::vector<uint8_t> block = ox::EncodeClipboardDib(*picture);
    clipboard.SetDib(block);
    EXPECT_EQ(clipboard.GetDib(), block);
    ExpectSamePixels(Decode(clipboard.GetDib()), *picture);

    const QMimeData* mime = Clip()->mimeData();
    ASSERT_TRUE(mime);
    const QByteArray bmp = mime->data("image/bmp");
    ASSERT_EQ(size_t(bmp.size()), 14 + block.size());
    EXPECT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(Get32(bmp, 2), uint32_t(bmp.size()));
    EXPECT_EQ(Get32(bmp, 10), picture == &mono ? 14u + 48 : 14u + 40);
    EXPECT_EQ(std::vector<uint8_t>(bmp.begin() + 14, bmp.end()), block);
    ExpectSamePixels(QImage::fromData(bmp, "BMP"), *picture);
    ExpectSamePixels(QImage::fromData(mime->data("image/png"), "PNG"), *picture);
    ExpectSamePixels(Clip()->image(), *picture);
  }
  clipboard.SetDib({1, 2, 3});  // not a picture: the clipboard keeps what it had
  EXPECT_EQ(Decode(clipboard.GetDib()).Width(), 11);
}

TEST(ClipboardQt, PicturesPutByPlainQtComeAsPackedDibs) {
  QImage opaque(3, 2, QImage::Format_RGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) opaque.setPixel(x, y, qRgb(10 * x, 100 + y, 7));
  Clip()->setImage(opaque);
  TClipboardQt clipboard;
  std::vector<uint8_t> block = clipboard.GetDib();
  ASSERT_GE(block.size(), 40u);
  EXPECT_EQ(block[14], 24);
  gfx::TDib dib = Decode(block);
  ASSERT_EQ(dib.Width(), 3);
  EXPECT_EQ(dib.GetPixelColor(2, 0), gfx::RGBColor(20, 100, 7));
  EXPECT_EQ(dib.GetPixelColor(0, 1), gfx::RGBColor(0, 101, 7));

  // A picture with alpha travels as 32 bits whose colour bytes are not premultiplied.
  QImage alpha(2, 1, QImage::Format_ARGB32_Premultiplied);
  alpha.setPixelColor(0, 0, QColor(200, 100, 50, 128));
  alpha.setPixelColor(1, 0, QColor(0, 0, 255, 255));
  Clip()->setImage(alpha);
  block = clipboard.GetDib();
  ASSERT_GE(block.size(), 40u + 8);
  EXPECT_EQ(block[14], 32);
  EXPECT_EQ(block[40 + 7], 255);
  dib = Decode(block);
  EXPECT_NEAR(gfx::RedOf(dib.GetPixelColor(0, 0)), 200, 2);
  EXPECT_NEAR(gfx::GreenOf(dib.GetPixelColor(0, 0)), 100, 2);
  EXPECT_EQ(dib.GetPixelColor(1, 0), gfx::RGBColor(0, 0, 255));
}

TEST(ClipboardQt, ImageBmpFromOtherPrograms) {
  TClipboardQt clipboard;
  // A file written by Qt's own BMP writer.
  QImage img(5, 4, QImage::Format_RGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) img.setPixel(x, y, qRgb(50 * x, 60 * y, 9));
  QByteArray file;
  QBuffer buffer(&file);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(img.save(&buffer, "BMP"));
  Offer("image/bmp", file);
  gfx::TDib dib = Decode(clipboard.GetDib());
  ASSERT_EQ(dib.Width(), 5);
  EXPECT_EQ(dib.GetPixelColor(4, 0), gfx::RGBColor(200, 0, 9));
  EXPECT_EQ(dib.GetPixelColor(1, 3), gfx::RGBColor(50, 180, 9));

  // Rows placed after a gap: the block handed on has them right after the table.
  for (int gap : {0, 6}) {
    Offer("image/bmp", Bmp8(gap));
    const std::vector<uint8_t> block = clipboard.GetDib();
    EXPECT_EQ(block.size(), 40u + 8 + 8) << gap;
    dib = Decode(block);
    ASSERT_EQ(dib.Width(), 2) << gap;
    EXPECT_EQ(dib.GetPixelColor(0, 0), gfx::RGBColor(60, 50, 40)) << gap;
    EXPECT_EQ(dib.GetPixelColor(0, 1), gfx::RGBColor(30, 20, 10)) << gap;
    EXPECT_EQ(dib.GetPixelColor(1, 1), gfx::RGBColor(60, 50, 40)) << gap;
  }
  // The bare block, as some programs offer it, under either name.
  Offer("image/x-bmp", Bmp8(0).mid(14));
  EXPECT_EQ(Decode(clipboard.GetDib()).GetPixelColor(1, 0), gfx::RGBColor(30, 20, 10));
}

TEST(ClipboardQt, MalformedImageBmpGivesNoPicture) {
  std::vector<std::pair<const char*, QByteArray>> bad;
  QByteArray b = Bmp8(0);
  bad.emplace_back("file size past the data", b), Put32(bad.back().second, 2, uint32_t(b.size() + 1));
  bad.emplace_back("file size inside the header", b), Put32(bad.back().second, 2, 30);
  bad.emplace_back("rows inside the table", b), Put32(bad.back().second, 10, 14 + 44);
  bad.emplace_back("rows past the data", b), Put32(bad.back().second, 10, 0x7FFFFFF0);
  bad.emplace_back("rows cut short", b.left(b.size() - 1));
  bad.emplace_back("table past the data", b), Put32(bad.back().second, 46, 200);
  bad.emplace_back("header of 12 bytes", b), Put32(bad.back().second, 14, 12);
  bad.emplace_back("huge dimensions", b), Put32(bad.back().second, 18, 1 << 30);
  bad.emplace_back("signature only", QByteArray("BM"));
  bad.emplace_back("nothing", QByteArray());
  bad.emplace_back("bare block of unknown header size", b.mid(14)), Put32(bad.back().second, 0, 64);
  bad.emplace_back("bare block cut short", b.mid(14, 50));
  bad.emplace_back("text", QByteArray("hello, this is no picture at all............................"));

  TClipboardQt clipboard;
  gfx::TDib target(2, 2, gfx::TPixelFormat::pf24bit);
  ox::TOrvexProc proc;
  proc.SetTarget(&target);
  proc.Clipboard = &clipboard;
  for (const auto& [what, data] : bad) {
    Offer("image/bmp", data);
    EXPECT_TRUE(clipboard.GetDib().empty()) << what;
    proc.PasteFromClipboard();
    EXPECT_EQ(target.Width(), 2) << what;
    EXPECT_EQ(proc.UndoCount(), 0) << what;
  }
  Offer("image/png", "\x89PNG\r\n\x1a\n broken");
  EXPECT_TRUE(clipboard.GetDib().empty());
  Clip()->clear();
  EXPECT_TRUE(clipboard.GetDib().empty());
}

TEST(ClipboardQt, ProcessingComponentCopiesAndPastesThroughTheClipboard) {
  TClipboardQt clipboard;
  gfx::TDib source(7, 5, gfx::TPixelFormat::pf24bit);
  Paint(source);
  ox::TOrvexProc from;
  from.SetTarget(&source);
  from.Clipboard = &clipboard;
  from.CopyToClipboard();
  ExpectSamePixels(Clip()->image(), source);

  gfx::TDib target(2, 2, gfx::TPixelFormat::pf1bit);
  ox::TOrvexProc to;
  to.SetTarget(&target);
  to.Clipboard = &clipboard;
  to.PasteFromClipboard();
  EXPECT_EQ(target.PixelFormat(), gfx::TPixelFormat::pf24bit);
  ExpectSamePixels(target, source);
  EXPECT_EQ(to.UndoCaption(0), "PastFromClipboard");

  // What another program put through Qt pastes the same way.
  QImage img(3, 1, QImage::Format_RGB32);
  img.fill(qRgb(1, 2, 3));
  Clip()->setImage(img);
  to.PasteFromClipboard();
  EXPECT_EQ(target.Width(), 3);
  EXPECT_EQ(target.GetPixelColor(2, 0), gfx::RGBColor(1, 2, 3));
}

TEST(ClipboardQt, FileListsAndText) {
  TClipboardQt clipboard;
  clipboard.SetFiles({"/tmp/a b.png", "/tmp/\xC3\xBC#1.jpg"}, false);
  const QMimeData* mime = Clip()->mimeData();
  ASSERT_TRUE(mime);
  EXPECT_EQ(mime->data("text/uri-list"), "file:///tmp/a%20b.png\r\nfile:///tmp/%C3%BC%231.jpg\r\n");
  EXPECT_EQ(mime->data("x-special/gnome-copied-files"), "copy\nfile:///tmp/a%20b.png\nfile:///tmp/%C3%BC%231.jpg");
  EXPECT_FALSE(mime->hasFormat("application/x-kde-cutselection"));
  EXPECT_EQ(clipboard.GetText(), "/tmp/a b.png\n/tmp/\xC3\xBC#1.jpg");
  EXPECT_TRUE(clipboard.GetDib().empty());

  clipboard.SetFiles({"/srv/x.tif"}, true);
  mime = Clip()->mimeData();
  EXPECT_EQ(mime->data("x-special/gnome-copied-files"), "cut\nfile:///srv/x.tif");
  EXPECT_EQ(mime->data("application/x-kde-cutselection"), "1");

  // An empty list still replaces the clipboard's content.
  clipboard.SetText("old");
  clipboard.SetFiles({}, false);
  mime = Clip()->mimeData();
  EXPECT_EQ(mime->data("x-special/gnome-copied-files"), "copy");
  EXPECT_TRUE(mime->hasFormat("text/uri-list"));
  EXPECT_EQ(clipboard.GetText(), "");

  clipboard.SetText("/home/\xC3\xA9t\xC3\xA9/pic.png");
  EXPECT_EQ(clipboard.GetText(), "/home/\xC3\xA9t\xC3\xA9/pic.png");
  EXPECT_EQ(Clip()->text(), QString::fromUtf8("/home/été/pic.png"));
  clipboard.Clear();
  EXPECT_EQ(clipboard.GetText(), "");
}
