// Fuzzes the copy-protection check over DVD title blocks read from a disc.
#include <cstddef>
#include <cstdint>

#include "engine/dvd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fc::DvdBlocksScrambled({data, size});
  return 0;
}
