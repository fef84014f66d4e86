// TOrvex: the components are made lazily and dropped before the view goes away.
#include "imaging/view/Orvex.h"

namespace ox {

TOrvex::~TOrvex() {
  proc_.reset();
  io_.reset();
}

TOrvexIO& TOrvex::IOComponent() {
  if (!io_) {
    io_ = std::make_unique<TOrvexIO>();
    io_->SetAttachedOrvex(this);
  }
  return *io_;
}

TOrvexProc& TOrvex::ProcComponent() {
  if (!proc_) {
    proc_ = std::make_unique<TOrvexProc>();
    proc_->SetAttachedOrvex(this);
  }
  return *proc_;
}

}  // namespace ox
