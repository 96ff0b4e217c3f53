#pragma once
// TWaveReader: a sound file chosen for a Flash movie (".MP3" or ".WAV"). It exposes the stream
// parameters that the movie's sound object turns into DefineSound, SoundStreamHead and
// SoundStreamBlock fields, and writes the sound data itself through a TBitsEngine: raw PCM,
// PCM or Microsoft ADPCM re-encoded as SWF ADPCM, or whole MP3 frames.
//
// Sound data that runs out never shortens a block: it is looped (when asked) or padded with
// silence, and data too short to loop is padded instead of looping forever.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "readers/media_source.h"
#include "readers/mpeg_audio.h"
#include "readers/swf_adpcm.h"
#include "swf/bits_engine.h"

namespace fc {

enum : uint16_t {
  kWaveFormatPCM = 1,
  kWaveFormatMSADPCM = 2,
  kWaveFormatMPEG = 80,
  kWaveFormatMPEGLayer3 = 85,
  kWaveFormatMP3File = 336,  // an MP3 file (not a WAV format tag)
  kWaveFormatExtensible = 0xFFFE,
};

const char* WaveFormatName(uint16_t format_tag);

class TWaveReader {
public:
  TWaveReader() = default;  // empty: FormatTag 0
  // Opens by extension (".MP3" or ".WAV", any case); other extensions read nothing.
  // Throws IoError when the file cannot be opened and FormatError for an invalid "fmt " chunk.
  explicit TWaveReader(const std::filesystem::path& file_name);
  // The same over given bytes; `extension` is ".MP3" or ".WAV".
  TWaveReader(std::unique_ptr<TMediaSource> source, std::string_view extension);

  // Writes Count bytes of PCM from the current data position: unchanged when Bits is 0,
  // else as SWF ADPCM with Bits-bit codes. Short data is looped or padded with zeros.
  void WritePCMBlock(TBitsEngine& engine, int64_t Count, unsigned Bits, bool Loop);
  // Writes one stream block of `Samples` sample frames of a Microsoft ADPCM source as SWF ADPCM.
  void WriteADPCMBlock(TBitsEngine& engine, uint32_t Samples, unsigned Bits, bool Loop);
  // Writes Count audio frames from frame `Index` on; returns the next index.
  uint32_t WriteMP3Frames(TBitsEngine& engine, uint32_t Index, bool Loop, uint32_t Count);
  // The whole Microsoft ADPCM source as one SWF ADPCM sound (DefineSound data).
  void WriteADPCMSound(TBitsEngine& engine, unsigned Bits);
  // Moves the data position back to DataOffset and drops decoded samples not yet written.
  void SeekData();

  std::string FileName;
  std::unique_ptr<TMediaSource> Source;
  std::unique_ptr<TMPEGaudio> MPEG;
  TADPCMFormat ADPCMFormat;
  uint16_t FormatTag = 0;
  uint16_t Channels = 0;
  uint32_t SampleRate = 0;
  uint16_t BitsPerSample = 0;
  uint16_t BlockAlign = 0;
  uint64_t SampleCount = 0;  // per channel
  uint64_t DataOffset = 0;
  uint64_t DataSize = 0;
  uint16_t SamplesPerFrame = 0;  // MP3
  uint16_t FrameSize = 0;        // MP3: length of the first frame
  uint32_t FrameCount = 0;       // MP3 (wide: long files have more than 65535 frames)
  uint16_t BitRate = 0;          // MP3, kbit/s
  double Duration = 0;
  uint64_t SourcePosition = 0;   // absolute offset of the next data byte (PCM) or block (ADPCM)

private:
  void Open(std::string_view extension);
  void OpenMPEG(const TMediaSource& stream, bool is_mp3_file);
  void ReadWaveHeader();
  void ReadFormatChunk(std::span<const uint8_t> fmt, uint64_t offset);
  // Appends up to `count` PCM bytes from SourcePosition, looping or padding as asked.
  void GatherPCM(std::vector<uint8_t>& out, uint64_t count, bool loop);
  // Decodes the next ADPCM block at SourcePosition into pending_; returns frames decoded.
  uint32_t DecodeNextBlock();
  unsigned ADPCMBits(unsigned bits) const;
  void RequireFormat(uint16_t tag, const char* operation) const;

  std::unique_ptr<TMediaSource> mpeg_window_;  // the data chunk of MPEG audio inside a WAV file
  const TMediaSource* mpeg_source_ = nullptr;  // where the MP3 frame positions point
  std::vector<int16_t> pending_;              // decoded ADPCM samples not yet written
};

}  // namespace fc
