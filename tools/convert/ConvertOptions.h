// Command line of vantrel-convert: what to read, the per-format parameters, the processing steps, what to write.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imaging/io/oxioparams.h"
#include "imaging/proc/oxresample.h"

namespace vc {

struct TStep {
  enum Kind { Resize, Rotate, Flip, Gray, Negative } kind;
  int width = 0, height = 0;
  ox::TResampleFilter filter = ox::rfLanczos3;
  double angle = 0;
  bool horizontal = true;
};

struct TOptions {
  bool help = false, version = false, info = false;
  std::string input, output;
  std::vector<TStep> steps;
  // Parameter settings applied to the I/O record before reading and writing.
  std::optional<int> page, frame, index, quality, bits, scale, pngLevel;
  std::optional<std::string> compression, bmpVersion;
  bool interlaced = false, progressive = false;
  // Resample non-square pixels (the file's two resolutions differ) to square ones after reading.
  bool squarePixels = false;
};

// Throws std::invalid_argument with a one-line message on a bad command line.
TOptions ParseOptions(const std::vector<std::string>& args);
// Sets the record's fields from the options; throws std::invalid_argument for a value the format rejects.
void ApplyParams(const TOptions& options, ox::TIOParamsVals& params, const std::string& outputExt);
const char* UsageText();

}  // namespace vc
