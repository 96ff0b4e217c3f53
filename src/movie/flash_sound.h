#pragma once
// TFlashSound: a WAV or MP3 file in a movie, either as an event sound (a DefineSound started
// by StartSound) or as the stream sound of the movie or of a sprite (a SoundStreamHead2 and
// one SoundStreamBlock per frame). The sound data is copied from the file while the tags are
// written, never held whole in memory.
//
// Flash plays sound at 5512, 11025, 22050 and 44100 Hz only; a sound at any other rate is
// refused when written (it would play at the wrong speed) rather than converted.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "movie/flash_movie.h"
#include "swf/sounds_video.h"

namespace fc {

class TWaveReader;

class TFlashSound : public TFlashIDObject, public TFlashFrameWriter {
public:
  TFlashSound() = default;
  // Loads the file when it exists (an empty sound otherwise).
  explicit TFlashSound(const std::filesystem::path& file_name);
  ~TFlashSound() override;

  // Reads the file's stream parameters; formats Flash cannot carry leave Format unchanged and
  // are refused when written.
  void LoadFromFile(const std::filesystem::path& file_name);
  bool IsEmpty() const;

  // The SWF ADPCM code size written: above 5 gives 5, 1 gives 0 (0 keeps PCM uncompressed and
  // gives a Microsoft ADPCM source its own code size).
  void SetADPCMBits(int bits);
  uint8_t ADPCMBits() const { return adpcm_bits_; }

  // The head's fields for a stream at `frame_rate` frames per second; starts the stream state
  // (the next block is the first). Throws Error for a sound Flash cannot play as it is and for
  // a frame rate that leaves no whole sample per frame or more than 65535.
  void SetupStreamHead(TSWFSoundStreamHead& head, float frame_rate);
  // The block of the next frame. Nothing once the data has been written whole (unless Loop).
  void WriteStreamBlock(TBitsEngine& be);
  // Frames the stream needs to carry the whole sound at `frame_rate` (its length in frames,
  // and at least every block that still brings MP3 frames).
  uint32_t StreamFrameCount(float frame_rate) const;

  // As a stream sound: the head before the timeline's tags, a block from StartFrame on.
  void WriteHead(TBitsEngine& be) override;
  void WriteFrame(TBitsEngine& be, int frame) override;
  // As an event sound: the DefineSound.
  void WriteToStream(TBitsEngine& be) override;
  uint8_t MinVersion() const override;
  bool IsResource() const override { return true; }

  std::string FileName;
  std::unique_ptr<TWaveReader> Reader;  // readers/wave_reader.h
  uint8_t Format = kSoundUncompressed;  // of the source: uncompressed, ADPCM or MP3
  uint32_t SampleRate = 0;              // Hz
  uint8_t RateCode = 0;                 // 0..3: 5.5, 11, 22, 44 kHz
  bool Is16Bit = false;
  bool Stereo = false;
  uint64_t DataOffset = 0;
  uint64_t DataSize = 0;
  uint64_t SampleCount = 0;  // per channel
  uint16_t FrameSamples = 0;  // MP3: samples in one MPEG frame
  bool Loop = false;          // data that runs out starts again; otherwise the stream ends
  uint16_t StartFrame = 0;    // the first timeline frame that gets a block

  // Streaming state, reset by SetupStreamHead.
  uint32_t SamplesPerFrame() const { return samples_per_frame_; }
  uint32_t BlockCount() const { return block_count_; }

private:
  // The head's format byte values (shared by the stream head and the DefineSound).
  uint8_t Compression() const;
  bool SoundSize16() const;
  // Throws Error when the sound cannot be written as Flash sound unchanged.
  void CheckWritable() const;
  uint32_t MP3AudioFrames() const;
  void WriteMP3Block(TBitsEngine& be);
  void CopyData(TBitsEngine& be);
  void EncodePCMData(TBitsEngine& be);

  uint8_t adpcm_bits_ = 4;
  bool head_written_ = false;
  uint32_t samples_per_frame_ = 0;
  uint32_t block_bytes_ = 0;
  uint32_t block_count_ = 0;
  uint64_t samples_streamed_ = 0;  // PCM and ADPCM: sample frames written in blocks
  uint64_t mp3_frames_written_ = 0;
  uint32_t mp3_index_ = 0;
};

}  // namespace fc
