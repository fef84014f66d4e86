// THistogramBox: labels, axes, the colour bar and the plot drawn into the box's own picture.
#include "imaging/view/HistogramBox.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

#include "imaging/model/Rounding.h"
#include "imaging/proc/oxproc.h"
#include "platform/ui/QtColor.h"

namespace ox {

THistogramBox::THistogramBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(256, 105);
}

void THistogramBox::SetAttachedOrvexProc(TOrvexProc* proc) {
  proc_ = proc;
  Update();
}

void THistogramBox::SetBackground(gfx::TColor c) {
  background_ = c;
  Update();
}

void THistogramBox::SetHistogramKind(THistogramKind k) {
  if (k == kind_) return;
  kind_ = k;
  Update();
}

void THistogramBox::SetLabels(THistogramLabels l) {
  if (l == labels_) return;
  labels_ = l;
  Update();
}

void THistogramBox::SetCompBar(bool on) {
  if (on == compBar_) return;
  compBar_ = on;
  Update();
}

void THistogramBox::SetHistogramStyle(THistogramStyle s) {
  if (s == style_) return;
  style_ = s;
  Update();
}

void THistogramBox::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Update();
}

void THistogramBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, image_);
}

void THistogramBox::Update() {
  image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  image_.fill(platform::ToQColor(background_));
  counts_ = THistogram{};
  plotLeft_ = x();
  update();
  if (!proc_ || !proc_->Target() || proc_->Target()->Width() <= 0 || !proc_->GetHistogram(counts_)) return;

  struct TChannel {
    THistogramKindItem kind;
    const std::array<uint32_t, 256>* counts;
    QColor colour;
  };
  const TChannel channels[] = {{hkRed, &counts_.Red, QColor(255, 0, 0)},
                               {hkGreen, &counts_.Green, QColor(0, 128, 0)},
                               {hkBlue, &counts_.Blue, QColor(0, 0, 255)},
                               {hkGray, &counts_.Gray, QColor(0, 0, 0)}};
  uint32_t max = 0;
  for (const TChannel& c : channels)
    if (kind_ & c.kind) max = std::max(max, *std::max_element(c.counts->begin(), c.counts->end()));
  if (max == 0) return;

  QPainter p(&image_);
  p.setFont(font());
  const QFontMetrics fm(font());
  int w = width(), h = height(), m = 0;
  const int fh = fm.height();
  const int barH = int(Trunc(fh * 1.2));
  if (compBar_) h -= barH + 2;
  p.setPen(palette().color(QPalette::WindowText));
  if (labels_ & hlVertical) {
    const QString top = QString::number(max);
    const int tw = fm.horizontalAdvance(top);
    p.drawText(QRect(0, h / 2, tw, fh), Qt::AlignLeft | Qt::AlignTop, QString::number(max / 2));
    p.drawText(QRect(0, 0, tw, fh), Qt::AlignLeft | Qt::AlignTop, top);
    w -= tw + 2;
    m += tw + 2;
  }
  if ((labels_ & hlHorizontal) && w > 0) {
    const int y = h - fh - 1;
    for (int i = 0; i < 4; ++i)
      p.drawText(QPoint(int(Round(i * 64.0 / 256 * w)) + m, y + fm.ascent()), QString::number(i * 64));
    p.drawText(QRect(m, y, w, fh), Qt::AlignRight | Qt::AlignTop, "255");
    h -= fh + 2;
    p.drawLine(m - 1, 0, m - 1, h);
    p.drawLine(m - 1, h, m + w, h);
  }
  plotLeft_ = x() + m;
  if (w <= 0 || h <= 0) return;

  if (compBar_) {
    const bool r = kind_ & (hkRed | hkGray), g = kind_ & (hkGreen | hkGray), b = kind_ & (hkBlue | hkGray);
    for (int e = 0; e < w; ++e) {
      const int v = int(std::min<int64_t>(255, Round(double(e) / w * 256)));
      const QRgb px = qRgb(r ? v : 0, g ? v : 0, b ? v : 0);
      for (int row = std::max(0, image_.height() - barH); row < image_.height(); ++row)
        if (m + e < image_.width()) image_.setPixel(m + e, row, px);
    }
  }

  auto top = [&](uint32_t count) { return h - int(Round(double(count) / max * h)) - 1; };
  for (const TChannel& c : channels) {
    if (!(kind_ & c.kind)) continue;
    p.setPen(c.colour);
    if (style_ == hsBars) {
      for (int i = 0; i < w; ++i) p.drawLine(m + i, h - 1, m + i, top((*c.counts)[size_t(Trunc(double(i) / w * 256))]));
    } else {
      QPoint last(m, h - 1);
      for (int i = 0; i < w; ++i) {
        const QPoint next(m + i, top((*c.counts)[size_t(Trunc(double(i) / w * 256))]));
        p.drawLine(last, next);
        last = next;
      }
    }
  }
}

}  // namespace ox
