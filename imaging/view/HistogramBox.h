// THistogramBox: the red, green, blue and gray counts of an attached processing component as bars or lines.
#pragma once

#include <QImage>
#include <QWidget>

#include "imaging/proc/oxcolourops.h"
#include "platform/gfx/Dib.h"

namespace ox {

class TOrvexProc;

enum THistogramKindItem { hkRed = 1, hkGreen = 2, hkBlue = 4, hkGray = 8 };
using THistogramKind = unsigned;
enum THistogramLabel { hlVertical = 1, hlHorizontal = 2 };
using THistogramLabels = unsigned;
enum THistogramStyle { hsBars, hsLines };

class THistogramBox : public QWidget {
 public:
  explicit THistogramBox(QWidget* parent = nullptr);

  TOrvexProc* AttachedOrvexProc() const { return proc_; }
  void SetAttachedOrvexProc(TOrvexProc* proc);
  gfx::TColor Background() const { return background_; }
  void SetBackground(gfx::TColor c);
  THistogramKind HistogramKind() const { return kind_; }
  void SetHistogramKind(THistogramKind k);
  THistogramLabels Labels() const { return labels_; }
  void SetLabels(THistogramLabels l);
  bool CompBar() const { return compBar_; }
  void SetCompBar(bool on);
  THistogramStyle HistogramStyle() const { return style_; }
  void SetHistogramStyle(THistogramStyle s);
  // The control's left plus the plot's left margin, after each Update.
  int PlotLeft() const { return plotLeft_; }

  // Redraws the picture of the box from the attached component's counts.
  void Update();
  // The counts of the last Update (all zero without a picture).
  const THistogram& Counts() const { return counts_; }
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  TOrvexProc* proc_ = nullptr;
  gfx::TColor background_ = 0xFFFFFF;
  THistogramKind kind_ = hkGray;
  THistogramLabels labels_ = hlVertical | hlHorizontal;
  bool compBar_ = true;
  THistogramStyle style_ = hsBars;
  int plotLeft_ = 0;
  THistogram counts_;
  QImage image_;
};

}  // namespace ox
