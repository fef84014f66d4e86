// Binds each built-in format to its codec functions.
#include "imaging/io/oxcodecs.h"

#include <array>

#include "imaging/io/JPEGFilt.h"

namespace ox {

namespace {

std::array<TBuiltInCodec, 13> MakeTable() {
  std::array<TBuiltInCodec, 13> t{};
  t[oxffJPEG].Read = [](TReadCall& c) {
    ReadJpegStream(c.Stream, c.Bitmap, c.Params, c.ParamsOnly, c.Progress);
    JpegReadMetadata(c.Params);
  };
  t[oxffJPEG].Write = [](TOXStream& s, gfx::TDib& d, TIOParamsVals& p, TProgressRec& r) { WriteJpegStream(s, d, p, r); };
  t[oxffJPEG].Detect = [](TOXStream& s) { return JpegFindSOI(s) >= 0; };
  return t;
}

}  // namespace

const TBuiltInCodec* BuiltInCodec(TOXFileFormat format) {
  static const std::array<TBuiltInCodec, 13> table = MakeTable();
  if (format <= oxffUnknown || format > oxffPXM) return nullptr;
  const TBuiltInCodec& c = table[size_t(format)];
  return (c.Read || c.Write || c.Detect) ? &c : nullptr;
}

}  // namespace ox
