// Enhanced metafile through the I/O component's metafile import.
#include "fuzz/MetafileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ImportMetafile(data, size, ".emf");
  return 0;
}
