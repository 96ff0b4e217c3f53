// Any bytes as a picture of a movie: as a JPEG (progressive ones converted to baseline, then
// decoded for the lossless form), as a PNG and as a BMP, each encoded and written as its
// bitmap tag. Bad input must end in a FormatError, never a crash.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/error.h"
#include "movie/flash_image.h"
#include "swf/bits_engine.h"

namespace {

void WriteTag(fc::TFlashImage& image) {
  std::vector<uint8_t> out;
  fc::TBitsEngine be(&out);
  image.WriteToStream(be);
}

template <typename Load>
void Try(Load load) {
  fc::TFlashImage image;
  image.SetID(1);
  try {
    load(image);
    WriteTag(image);
    if (image.IsJPEG) {
      image.MakeLossless();
      WriteTag(image);
    }
  } catch (const fc::FormatError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  Try([&](fc::TFlashImage& image) { image.LoadJPEGFromMemory(bytes); });
  Try([&](fc::TFlashImage& image) { image.LoadPNGFromMemory(bytes); });
  Try([&](fc::TFlashImage& image) { image.LoadBitmapFromStream(bytes); });
  return 0;
}
