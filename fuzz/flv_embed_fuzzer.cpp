// Any bytes as an FLV file embedded in a movie: the video placed with its sound over more
// frames than it has, and the movie written. Bad bytes must end in a refusal (fc::Error) or
// a movie, never a fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/error.h"
#include "movie/flash_video.h"
#include "readers/flv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    fc::TFlashMovie movie(0, 0, 320, 240, 12);
    auto video = std::make_unique<fc::TFlashVideo>(
        std::make_unique<fc::TFLVData>(std::make_unique<fc::TMemorySource>(data, size)));
    fc::TFlashVideo* added = movie.AddVideo(std::move(video));
    fc::TFlashPlaceVideo* placed = movie.PlaceVideo(added, 1);
    placed->Loop = size % 2 == 0;
    placed->EnableSound(true);
    movie.ShowFrame(std::min(added->FrameCount() + 3, 200));
    movie.WriteBody();
  } catch (const fc::Error&) {
  }
  return 0;
}
