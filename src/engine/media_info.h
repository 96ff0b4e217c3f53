#pragma once
// Media information of a file: its programs and, per program, the video, audio and subtitle
// streams with their ids, display names, bit rates and formats.

#include <cstdint>
#include <string>
#include <vector>

namespace fc {

// Bit 1 of a format's flags: the output size of this stream cannot be estimated (no bit rate
// known, for example a raw stream).
inline constexpr uint8_t kFormatSizeUnknown = 0x02;

struct TVideoFormat {
  int32_t Width = 0;
  int32_t Height = 0;
  double FrameRate = 0;       // frames per second, 0 when unknown
  int32_t AspectX = 0;        // display aspect ratio (0 when unknown)
  int32_t AspectY = 0;
  uint8_t Flags = 0;           // kFormatSizeUnknown
  bool operator==(const TVideoFormat&) const = default;
};

struct TAudioFormat {
  int32_t SampleRate = 0;
  int32_t Channels = 0;
  int32_t BitsPerSample = 0;
  uint8_t Flags = 0;           // kFormatSizeUnknown
  bool operator==(const TAudioFormat&) const = default;
};

// What every stream of a file has.
struct TStreamInfo {
  int32_t ID = 0;              // container stream id, or the stream index + 1 when it has none
  int32_t Index = 0;           // stream index in the file
  std::string Name;            // display name, "Video 1 (h264)", "Audio 1 (aac, eng)"
  std::string Codec;           // FFmpeg codec name
};

struct TVideoStreamInfo : TStreamInfo {
  int64_t BitRate = 0;
  double Duration = 0;
  TVideoFormat Format;
};

struct TAudioStreamInfo : TStreamInfo {
  std::string Language;
  int64_t BitRate = 0;
  double Duration = 0;
  TAudioFormat Format;
};

struct TSubtitleStreamInfo : TStreamInfo {
  std::string Language;
  bool Bitmap = false;         // picture subtitles (DVD, PGS) rather than text
};

struct TProgramInfo {
  int32_t ID = 0;
  double Duration = 0;         // seconds; 0 when the container does not say
  int32_t Value = 0;           // kept by the task with its source (the stream count here)
  std::vector<TVideoStreamInfo> Video;
  std::vector<TAudioStreamInfo> Audio;
  std::vector<TSubtitleStreamInfo> Subtitles;
};

struct TMediaInfo {
  std::string FileName;
  std::string FormatName;     // FFmpeg's demuxer name
  double Duration = 0;         // seconds, file level
  int64_t BitRate = 0;
  std::vector<TProgramInfo> Programs;  // at least one when the file has any stream
};

// Reads the information of any file FFmpeg can open. Throws MediaError when it cannot be
// opened or has no audio or video stream.
TMediaInfo LoadMediaInfo(const std::string& path);

}  // namespace fc
