// Any bytes as a WAV file: the header either reads or fails with a FormatError; readable
// PCM, Microsoft ADPCM and MPEG data are then written as stream blocks (looped and padded)
// and as one sound. Every call must end.
#include <cstddef>
#include <cstdint>

#include "core/error.h"
#include "readers/wave_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<fc::TWaveReader> wav;
  try {
    wav = std::make_unique<fc::TWaveReader>(std::make_unique<fc::TMemorySource>(data, size), ".wav");
  } catch (const fc::FormatError&) {
    return 0;
  }
  for (const bool loop : {false, true}) {
    for (const unsigned bits : {0u, 5u}) {
      std::vector<uint8_t> out;
      fc::TBitsEngine engine(&out);
      wav->SeekData();
      try {
        switch (wav->FormatTag) {
          case fc::kWaveFormatPCM:
            for (int block = 0; block < 3; ++block) wav->WritePCMBlock(engine, 150, bits, loop);
            break;
          case fc::kWaveFormatMSADPCM:
            for (int block = 0; block < 3; ++block) wav->WriteADPCMBlock(engine, 150, bits, loop);
            if (wav->DataSize < 4096) wav->WriteADPCMSound(engine, bits);
            break;
          case fc::kWaveFormatMPEG:
          case fc::kWaveFormatMPEGLayer3:
            if (wav->MPEG && wav->MPEG->Frame.Found) wav->WriteMP3Frames(engine, 0, loop, 5);
            break;
          default:
            break;
        }
      } catch (const fc::Error&) {
        // unsupported widths or channel counts, bad ADPCM predictors: clear errors
      }
    }
  }
  return 0;
}
