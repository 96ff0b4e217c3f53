// Any bytes as an MP3 file: analysed, indexed, and frames written with and without looping.
// Every call must end and write exactly the frames asked for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/error.h"
#include "readers/wave_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fc::TWaveReader mp3(std::make_unique<fc::TMemorySource>(data, size), ".mp3");
  if (mp3.FormatTag == 0) return 0;
  for (const bool loop : {false, true}) {
    std::vector<uint8_t> out;
    fc::TBitsEngine engine(&out);
    uint32_t index = 0;
    for (int block = 0; block < 4; ++block) index = mp3.WriteMP3Frames(engine, index, loop, 3);
    if (mp3.MPEG->AudioFrameCount() == 0 && out.size() != 12u * mp3.FrameSize) std::abort();
  }
  return 0;
}
