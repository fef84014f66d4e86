// The built-in codecs as the I/O component calls them: one reader, writer and content test per format.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/io/oxfailure.h"
#include "imaging/io/oxioparams.h"
#include "imaging/model/oxmask.h"

namespace ox {

// Everything a reader may need; each codec takes the parts its format uses.
struct TReadCall {
  TOXStream& Stream;
  gfx::TDib* Bitmap;  // null in params-only mode
  TIOParamsVals& Params;
  TProgressRec& Progress;
  bool ParamsOnly = false;
  TOXMask* AlphaMask = nullptr;  // the holder's alpha plane, when it has one
  int64_t DataLength = 0;        // bytes of image data when known (file size, header block), else 0
  bool RelativeOffsets = true;   // TIFF: offsets count from the stream position
};

struct TBuiltInCodec {
  std::function<void(TReadCall&)> Read;
  // The alpha mask (may be null) is for writers that keep transparency.
  std::function<void(TOXStream&, gfx::TDib&, TIOParamsVals&, TProgressRec&, TOXMask*)> Write;
  // Content test of format detection; restores nothing itself (the caller does).
  std::function<bool(TOXStream&)> Detect;
};

// The codec of a built-in format, or null when it is not built into this library.
const TBuiltInCodec* BuiltInCodec(TOXFileFormat format);

// The built-in formats whose content tests detection runs, in the order it runs them.
const std::vector<TOXFileFormat>& DetectionOrder();

// The codec boundary: runs a built-in reader or writer and says why it stopped. A stop without a reason of
// its own gets the format's general one; a picture cut short says where (empty when nothing failed).
TCodecFailure RunCodecRead(const TBuiltInCodec& codec, TOXFileFormat format, TReadCall& call);
TCodecFailure RunCodecWrite(const TBuiltInCodec& codec, TOXFileFormat format, TOXStream& stream, gfx::TDib& dib,
                            TIOParamsVals& params, TProgressRec& progress, TOXMask* mask);

}  // namespace ox
