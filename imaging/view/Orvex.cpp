// TOrvex: the components are made lazily, report progress through the view and go before the view does.
#include "imaging/view/Orvex.h"

namespace ox {

TOrvex::~TOrvex() {
  proc_.reset();
  io_.reset();
}

TOrvexIO& TOrvex::IOComponent() {
  if (!io_) SetIOComponent(std::make_unique<TOrvexIO>());
  return *io_;
}

void TOrvex::SetIOComponent(std::unique_ptr<TOrvexIO> io) {
  io_ = std::move(io);
  if (!io_) return;
  io_->SetAttachedOrvex(this);
  // The view's handler is read at each report, so that it may be set or changed at any time.
  io_->OnProgress = [this](TOrvexIO*, int percent) {
    if (OnProgress) OnProgress(this, percent);
  };
}

TOrvexProc& TOrvex::ProcComponent() {
  if (!proc_) {
    proc_ = std::make_unique<TOrvexProc>();
    proc_->SetAttachedOrvex(this);
    proc_->System = &System();
    proc_->OnProgress = [this](TOrvexProc*, int percent) {
      if (OnProgress) OnProgress(this, percent);
    };
  }
  return *proc_;
}

}  // namespace ox
