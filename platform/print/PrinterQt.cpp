// QPrinter backend: the page geometry from its layout, tiles drawn as images, PDF files written whole.
#include "platform/print/PrinterQt.h"

#include <QFileDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

class TPainterTarget : public ox::TOXDrawTarget {
 public:
  explicit TPainterTarget(QPainter& painter) : painter_(painter) {}
  void StretchDib(const gfx::TRect& dest, const gfx::TDib& tile) override {
    painter_.drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), QImageOfDib(tile));
  }

 private:
  QPainter& painter_;
};

}  // namespace

QImage QImageOfDib(const gfx::TDib& source) {
  const gfx::TDib* dib = &source;
  gfx::TDib converted;
  const int bits = source.BitsPerPixel();
  if (bits != 1 && bits != 8 && bits != 24) {
    converted = source;
    converted.SetPixelFormat(gfx::TPixelFormat::pf24bit);
    dib = &converted;
  }
  const int w = dib->Width(), h = dib->Height();
  const QImage::Format format = dib->BitsPerPixel() == 1   ? QImage::Format_Mono
                                : dib->BitsPerPixel() == 8 ? QImage::Format_Indexed8
                                                           : QImage::Format_BGR888;
  QImage img(w, h, format);
  if (img.isNull()) return img;
  if (format != QImage::Format_BGR888) {
    QList<QRgb> table;
    for (const gfx::TRGB& c : dib->Palette()) table.push_back(qRgb(c.r, c.g, c.b));
    while (table.size() < (format == QImage::Format_Mono ? 2 : 256)) table.push_back(qRgb(0, 0, 0));
    img.setColorTable(table);
  }
  const qsizetype bytes = (qsizetype(w) * dib->BitsPerPixel() + 7) / 8;
  for (int y = 0; y < h; ++y) std::memcpy(img.scanLine(y), dib->ScanLine(y), size_t(bytes));
  return img;
}

TPrinterQt::TPrinterQt(QWidget* (*parent)()) : parent_(parent), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  pdfOnly_ = QPrinterInfo::availablePrinters().isEmpty();
  if (pdfOnly_) printer_->setOutputFormat(QPrinter::PdfFormat);
}

TPrinterQt::~TPrinterQt() = default;

void TPrinterQt::UseQueue(const std::string& queue) {
  if (queue.empty()) {
    printer_->setOutputFormat(QPrinter::PdfFormat);
    pdfOnly_ = true;
  } else {
    printer_->setOutputFormat(QPrinter::NativeFormat);
    printer_->setPrinterName(QString::fromStdString(queue));
    pdfOnly_ = false;
  }
}

ox::TPrintDevice TPrinterQt::Device() {
  const int dpi = printer_->resolution();
  const QRect paint = printer_->pageLayout().paintRectPixels(dpi);
  return {dpi, dpi, paint.width(), paint.height()};
}

bool TPrinterQt::Setup() {
  QPrintDialog dialog(printer_.get(), Parent());
  return dialog.exec() == QDialog::Accepted;
}

bool TPrinterQt::PrintPage(const std::function<void(ox::TOXDrawTarget&)>& draw) {
  error_.clear();
  // Without a queue the user names the PDF file; it is written beside it and renamed when whole.
  std::string pdf;
  const bool toPdf = printer_->outputFormat() == QPrinter::PdfFormat;
  if (toPdf) {
    pdf = printer_->outputFileName().toStdString();
    if (pdf.empty() || pdfOnly_) {
      pdf = AskPdfFile ? AskPdfFile()
                       : QFileDialog::getSaveFileName(Parent(), "Print to PDF file", QString(), "PDF (*.pdf)")
                             .toStdString();
      if (pdf.empty()) return false;
    }
    printer_->setOutputFileName(QString::fromStdString(pdf + ".part"));
  }
  QPainter painter;
  bool ok = painter.begin(printer_.get());
  if (ok) {
    TPainterTarget target(painter);
    draw(target);
    ok = painter.end() && printer_->printerState() != QPrinter::Error;
  }
  if (toPdf) {
    const std::string part = pdf + ".part";
    // An empty name would switch the printer back to its native format.
    printer_->setOutputFileName(QString::fromStdString(pdf));
    if (ok && std::rename(part.c_str(), pdf.c_str()) != 0) ok = false;
    if (!ok) std::remove(part.c_str());
  }
  if (!ok) error_ = toPdf ? "The PDF file " + pdf + " could not be written." : "The printer did not accept the job.";
  return ok;
}

}  // namespace platform
