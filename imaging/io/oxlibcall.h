// Stream transfers made from inside a C library's callbacks (libjpeg, libpng).
#pragma once

#include <cstdint>
#include <exception>

#include "imaging/model/oxstreams.h"

namespace ox {

// The library's frames cannot carry a C++ exception: one thrown by the stream is kept in `error` for the
// codec to rethrow once the library has returned, and the transfer counts as 0 bytes.
inline int64_t ReadCaptured(TOXStream& stream, void* buffer, int64_t n, std::exception_ptr& error) {
  try {
    return stream.Read(buffer, n);
  } catch (...) {
    error = std::current_exception();
    return 0;
  }
}

inline int64_t WriteCaptured(TOXStream& stream, const void* buffer, int64_t n, std::exception_ptr& error) {
  try {
    return stream.Write(buffer, n);
  } catch (...) {
    error = std::current_exception();
    return 0;
  }
}

}  // namespace ox
