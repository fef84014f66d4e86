// platform::print: the printer the print dialogs draw on, its set-up dialog and its page geometry.
#pragma once

#include <functional>
#include <string>

#include "imaging/io/oxprint.h"
#include "imaging/model/oxvirtual.h"

namespace platform {

class TPrinter {
 public:
  virtual ~TPrinter() = default;
  // Resolution and printable area (device pixels) of the current printer.
  virtual ox::TPrintDevice Device() = 0;
  // The set-up dialog; what it chose stays for the rest of the process. False when cancelled.
  virtual bool Setup() = 0;
  // One document of one page; `draw` paints on it with (0, 0) at the printable area's top left.
  // False when no job was made (cancelled, no output chosen, or a failure told by LastError).
  virtual bool PrintPage(const std::function<void(ox::TOXDrawTarget& page)>& draw) = 0;
  // Why the last PrintPage made no job; empty after a cancel.
  virtual std::string LastError() const = 0;
};

}  // namespace platform
