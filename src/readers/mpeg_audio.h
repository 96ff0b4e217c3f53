#pragma once
// MPEG audio (MP3) analysis: TMPEGaudio skips ID3 tags, finds the first frame (two valid
// headers in a row), reads a Xing/VBRI/Info header and indexes every frame of the file.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "readers/media_source.h"

namespace fc {

// The decoded header of one frame. A cleared record holds the "unknown" values.
struct TMPEGFrameData {
  bool Found = false;
  uint64_t Position = 0;  // byte offset of the frame, counted from the end of the ID3v2 tag
  uint16_t Size = 0;      // frame length in bytes
  std::array<uint8_t, 4> Data{};
  uint8_t VersionID = 1;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
  uint8_t LayerID = 0;    // 1 Layer III, 2 Layer II, 3 Layer I
  bool ProtectionBit = false;
  uint16_t BitRateID = 0;
  uint16_t SampleRateID = 3;
  bool PaddingBit = false;
  bool PrivateBit = false;
  uint8_t ModeID = 4;  // 3 = mono
  uint8_t ModeExtensionID = 4;
  bool CopyrightBit = false;
  bool OriginalBit = false;
  uint8_t EmphasisID = 2;

  // Fills the fields from four header bytes (not checked; see IsValidFrameHeader).
  void Decode(const uint8_t* header);
  uint32_t BitRate() const;        // kbit/s from the table, 0 when unknown
  uint32_t SampleRate() const;     // Hz from the table, 0 when unknown
  uint32_t SamplesPerFrame() const;
  uint32_t Coefficient() const { return SamplesPerFrame() / 8; }
  uint32_t PaddingLength() const;  // 4 for Layer I, 1 otherwise, 0 without padding
  uint32_t FrameLength() const;    // GetFrameLength; 0 when the header is unusable
  bool Mono() const { return ModeID == 3; }
};

bool IsValidFrameHeader(const uint8_t* b);

struct TMPEGVBRData {
  bool Found = false;
  std::string ID;  // "Xing", "VBRI" or "Info"
  uint32_t Frames = 0;
  uint32_t Bytes = 0;
  uint8_t Scale = 0;
  std::string VendorID;
};

// One frame of the index.
struct TMP3FrameInfo {
  uint64_t Position = 0;  // absolute byte offset of the frame header
  uint16_t Size = 0;
  bool IsAudio = true;    // false for the Xing/Info/LAME header frame
  std::array<uint8_t, 4> Header{};
};

struct TID3v1 {
  bool Exists = false;
  uint32_t Size = 0;  // 0 or 128
};

struct TID3v2 {
  bool Exists = false;
  uint8_t Version = 0;
  uint64_t Size = 0;  // the whole tag including its 10-byte header, or 0
};

class TMPEGaudio {
public:
  // Analyses the stream: true when it was read without a stream error (a file without
  // frames also gives true, with Frame.Found false). The source must outlive the index only
  // while the caller copies frames from it.
  bool ReadFromFile(const TMediaSource& stream);
  void Clear();

  uint32_t FrameCount() const;  // wide: long files have more than 65535 frames
  uint32_t BitRate() const;     // kbit/s
  uint32_t SampleRate() const { return Frame.SampleRate(); }
  double Duration() const;
  uint32_t AudioFrameCount() const;  // index entries that carry audio

  std::vector<TMP3FrameInfo> FrameList;
  uint64_t FileLength = 0;
  TMPEGVBRData VBR;
  TMPEGFrameData Frame;  // the first frame
  TID3v1 ID3v1;
  TID3v2 ID3v2;

private:
  void FindFrame(const std::vector<uint8_t>& buffer);
  void ReadVBR(const std::vector<uint8_t>& buffer, size_t at);
  void BuildFrameIndex(const TMediaSource& stream);
};

}  // namespace fc
