// The real printer: QPrinter on the system's CUPS queues, QPrintDialog for set-up, a PDF file without a queue.
#pragma once

#include <QImage>
#include <functional>
#include <memory>

#include "platform/print/Printer.h"

class QPrinter;
class QWidget;

namespace platform {

// The DIB as a QImage (1-bit mono, 8-bit indexed, 24-bit BGR; other depths through 24 bits).
QImage QImageOfDib(const gfx::TDib& dib);

class TPrinterQt : public TPrinter {
 public:
  // Dialogs are parented to the window `parent()` gives when they open.
  explicit TPrinterQt(QWidget* (*parent)() = nullptr);
  ~TPrinterQt() override;

  ox::TPrintDevice Device() override;
  bool Setup() override;
  bool PrintPage(const std::function<void(ox::TOXDrawTarget&)>& draw) override;
  std::string LastError() const override { return error_; }

  // With no queue on the machine the page goes to a PDF file: this asks for its name (empty: cancelled).
  // By default a save dialog; a test or a caller may answer it.
  std::function<std::string()> AskPdfFile;
  // True when the system offers no print queue, so that pages go to PDF files.
  bool PrintsToPdf() const { return pdfOnly_; }
  // Sends the pages to a queue by name (as CUPS knows it), or to a PDF file when `queue` is empty.
  void UseQueue(const std::string& queue);
  QPrinter& Qt() { return *printer_; }

 private:
  QWidget* Parent() const { return parent_ ? parent_() : nullptr; }

  QWidget* (*parent_)();
  std::unique_ptr<QPrinter> printer_;
  bool pdfOnly_ = false;
  std::string error_;
};

}  // namespace platform
