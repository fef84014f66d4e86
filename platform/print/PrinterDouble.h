// A recording stand-in for platform::print: a page of a chosen size drawn into a DIB, and every call in order.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/Dib.h"
#include "platform/print/Printer.h"

namespace platform {

class TPrinterDouble : public TPrinter {
 public:
  ox::TPrintDevice Page{100, 100, 850, 1100};  // letter at 100 dpi
  // What Setup does: a test may change the page there, as a user picking another printer would.
  std::function<bool(TPrinterDouble&)> OnSetup;
  bool FailPrint = false;
  // The last printed page, white where nothing was drawn.
  gfx::TDib Printed;
  // "setup ok|cancel", "print <w>x<h>", "print failed".
  std::vector<std::string> Log;

  ox::TPrintDevice Device() override { return Page; }
  bool Setup() override {
    const bool ok = OnSetup ? OnSetup(*this) : true;
    Log.push_back(ok ? "setup ok" : "setup cancel");
    return ok;
  }
  bool PrintPage(const std::function<void(ox::TOXDrawTarget&)>& draw) override {
    if (FailPrint) {
      Log.push_back("print failed");
      return false;
    }
    Printed = gfx::TDib(Page.PageWidth, Page.PageHeight, gfx::TPixelFormat::pf24bit);
    Printed.Canvas().Brush.Color = 0xFFFFFF;
    Printed.Canvas().FillRect({0, 0, Page.PageWidth, Page.PageHeight});
    ox::TOXCanvasTarget target(Printed.Canvas());
    draw(target);
    Log.push_back("print " + std::to_string(Page.PageWidth) + "x" + std::to_string(Page.PageHeight));
    return true;
  }
  std::string LastError() const override { return FailPrint ? "no printer" : ""; }
};

}  // namespace platform
