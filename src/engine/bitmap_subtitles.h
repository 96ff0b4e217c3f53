#pragma once
// Picture subtitles (DVD, Blu-ray PGS, DVB): the stream is read from its own opening of the
// source's input, decoded with libavcodec into paletted rectangles, turned into RGBA and
// blended onto the processed picture at the times each event is on screen.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "engine/decoder.h"

namespace fc {

// One rectangle of a subtitle event, RGBA (straight alpha), placed on the subtitle's canvas.
struct SubtitlePicture {
  int32_t x = 0, y = 0;
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4
};

// What is on screen from `start` until `end` (seconds of source time): the rectangles on a
// canvas of canvas_width x canvas_height. An event without rectangles clears the screen.
struct SubtitleEvent {
  double start = 0;
  double end = std::numeric_limits<double>::infinity();
  int32_t canvas_width = 0, canvas_height = 0;
  std::vector<SubtitlePicture> pictures;
};

// Turns one decoded subtitle into an event: paletted rectangles become RGBA; text rectangles
// are skipped. `ptsUs` is the subtitle's time in microseconds; the display times count from it.
SubtitleEvent MakeSubtitleEvent(const AVSubtitle& sub, int64_t ptsUs, int32_t canvasWidth, int32_t canvasHeight);

// Where and how strongly an event is blended into an output frame.
struct SubtitleBlend {
  int32_t opacity = 100;         // 0 to 100
  bool move = false;             // place the event's top-left corner at (x, y) output pixels
  int32_t x = 0, y = 0;
};

// Blends the event's rectangles into a YUV 4:2:0 frame, scaled from the event's canvas to the
// frame. The frame must be writable.
void BlendSubtitleEvent(AVFrame* frame, const SubtitleEvent& event, const SubtitleBlend& blend);

// The events of one picture subtitle stream, read in step with the picture.
class BitmapSubtitleTrack {
public:
  // `decoder` gives the input to read and the time origin (its video stream's start);
  // throws MediaError when the stream cannot be found or decoded.
  BitmapSubtitleTrack(const VideoDecoder& decoder, int32_t stream_id);
  ~BitmapSubtitleTrack();

  // The event on screen at `seconds` of source time, or null. Times may go backwards (after
  // a seek): the track then reads again from shortly before that time.
  const SubtitleEvent* At(double seconds);

private:
  void Open(double seconds);
  std::optional<SubtitleEvent> DecodeNext();

  InputOpener open_;
  std::string name_;
  int32_t stream_id_;
  int64_t origin_us_ = 0;  // the video stream's start time, microseconds
  int32_t video_width_ = 0, video_height_ = 0;

  InputContextPtr input_;
  AVStream* stream_ = nullptr;
  CodecContextPtr codec_;
  PacketPtr packet_ = AllocPacket();
  bool ended_ = false;
  double last_time_ = -1;
  std::optional<SubtitleEvent> current_, pending_;
};

}  // namespace fc
