// Any bytes as a BMP file: loaded (or refused with a FormatError), every pixel's colour read,
// the palette analysed and compacted.
#include <cstddef>
#include <cstdint>

#include "core/error.h"
#include "readers/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fc::TBMPReader bmp;
  try {
    bmp.LoadFromBytes(std::span(data, size), 1 << 20);
  } catch (const fc::FormatError&) {
    return 0;
  }
  unsigned sum = 0;
  for (uint32_t y = 0; y < bmp.RowCount(); y += 7)
    for (uint32_t x = 0; x < static_cast<uint32_t>(bmp.Width()); x += 7) sum += bmp.ColorAt(x, y).Red;
  (void)bmp.ColorCount();
  (void)sum;
  return 0;
}
