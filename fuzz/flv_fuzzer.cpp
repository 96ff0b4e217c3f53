// Any bytes as an FLV file: indexed, every payload read back, audio entries wrapped, the
// metadata tree searched. Bad bytes must end in empty or cut indexes, never a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/error.h"
#include "readers/flv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fc::TFLVData flv(std::make_unique<fc::TMemorySource>(data, size));
  for (const fc::TVFrame& frame : flv.VideoFrames) {
    // A tag cut before its payload keeps an entry of size 0 (its position may lie past the end).
    if (frame.Size < 0 || (frame.Size > 0 && frame.Position + static_cast<uint64_t>(frame.Size) > size)) std::abort();
    (void)flv.ReadPayload(frame);
  }
  for (uint32_t i = 0; i < flv.AudioFrameCount() * 2 && i < 64; ++i) {
    const fc::TVFrame& frame = flv.GetAudioFrame(i);
    if (frame.Size > 0 && frame.Position + static_cast<uint64_t>(frame.Size) > size) std::abort();
  }
  try {
    (void)flv.GetAudioFrame(0);
  } catch (const fc::Error&) {
    if (flv.AudioFrameCount() != 0) std::abort();
  }
  if (flv.MetaData)
    for (int name = 0; name <= static_cast<int>(fc::TFlvMetaName::keyframes); ++name)
      if (const auto* item = flv.MetaData->FindItem(static_cast<fc::TFlvMetaName>(name))) (void)item->GetAsInteger();
  (void)flv.FrameRateValue();
  return 0;
}
