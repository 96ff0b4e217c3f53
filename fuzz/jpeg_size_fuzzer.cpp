// Any bytes as a JPEG file: the marker scan must end, with or without a size.
#include <cstddef>
#include <cstdint>

#include "readers/jpeg_size.h"
#include "readers/media_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint16_t width = 0, height = 0;
  (void)fc::ReadJPEGSize(fc::TMemorySource(data, size), width, height);
  return 0;
}
