// TOrvex: the main window's view; its I/O and processing components join it as they are built.
#pragma once

#include "imaging/view/OrvexView.h"

namespace ox {

class TOrvex : public TOrvexView {
  Q_OBJECT

 public:
  using TOrvexView::TOrvexView;
};

}  // namespace ox
