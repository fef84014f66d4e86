// Headers of the two metafile kinds as read from their bytes, and the players that draw their records.
#pragma once

#include <QPainter>
#include <QRect>
#include <cstdint>

#include "platform/metafile/MetaDevice.h"

namespace platform::meta {

struct TWmfHeader {
  bool Placeable = false;
  QRect Bounds;  // logical units: the placeable bounding box, else the first window the records set
  int UnitsPerInch = 0;
  size_t RecordsAt = 0;
  int Objects = 0;
};

struct TEmfHeader {
  QRect Bounds;  // reference-device pixels, inclusive
  QRect Frame;   // 0.01 mm, inclusive
  int Handles = 0;
  int DeviceW = 0, DeviceH = 0, MillimetersW = 0, MillimetersH = 0;
};

bool ReadWmfHeader(TBytes data, TWmfHeader& h);
bool ReadEmfHeader(TBytes data, TEmfHeader& h);

// Draw the records onto `painter` (target pixels) so that the picture fills (0, 0, width, height).
// Text needs a running QGuiApplication; without one, `text` is false and text records are skipped.
void PlayWmf(TBytes data, const TWmfHeader& h, QPainter& painter, QSize device, double width, double height,
             bool text);
void PlayEmf(TBytes data, const TEmfHeader& h, QPainter& painter, QSize device, double width, double height,
             bool text);

}  // namespace platform::meta
