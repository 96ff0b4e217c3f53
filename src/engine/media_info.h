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

struct VideoFormat {
  int32_t width = 0;
  int32_t height = 0;
  double frame_rate = 0;       // frames per second, 0 when unknown
  int32_t aspect_x = 0;        // display aspect ratio (0 when unknown)
  int32_t aspect_y = 0;
  uint8_t flags = 0;           // kFormatSizeUnknown
  bool operator==(const VideoFormat&) const = default;
};

struct AudioFormat {
  int32_t sample_rate = 0;
  int32_t channels = 0;
  int32_t bits_per_sample = 0;
  uint8_t flags = 0;           // kFormatSizeUnknown
  bool operator==(const AudioFormat&) const = default;
};

struct VideoStreamInfo {
  int32_t id = 0;              // container stream id, or the stream index + 1 when it has none
  int32_t index = 0;           // stream index in the file
  std::string name;            // display name, "Video 1 (h264)"
  std::string codec;           // FFmpeg codec name
  int64_t bit_rate = 0;
  double duration = 0;
  VideoFormat format;
};

struct AudioStreamInfo {
  int32_t id = 0;
  int32_t index = 0;
  std::string name;            // "Audio 1 (aac, eng)"
  std::string codec;
  std::string language;
  int64_t bit_rate = 0;
  double duration = 0;
  AudioFormat format;
};

struct SubtitleStreamInfo {
  int32_t id = 0;
  int32_t index = 0;
  std::string name;
  std::string codec;
  std::string language;
  bool bitmap = false;         // picture subtitles (DVD, PGS) rather than text
};

struct ProgramInfo {
  int32_t id = 0;
  double duration = 0;         // seconds; 0 when the container does not say
  int32_t value = 0;           // kept by the task with its source (the stream count here)
  std::vector<VideoStreamInfo> video;
  std::vector<AudioStreamInfo> audio;
  std::vector<SubtitleStreamInfo> subtitles;
};

struct MediaInfo {
  std::string file_name;
  std::string format_name;     // FFmpeg's demuxer name
  double duration = 0;         // seconds, file level
  int64_t bit_rate = 0;
  std::vector<ProgramInfo> programs;  // at least one when the file has any stream
};

// Reads the information of any file FFmpeg can open. Throws MediaError when it cannot be
// opened or has no audio or video stream.
MediaInfo LoadMediaInfo(const std::string& path);

}  // namespace fc
