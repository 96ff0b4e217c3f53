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
struct TSubtitlePicture {
  int32_t X = 0, Y = 0;
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Rgba;  // width * height * 4
};

// What is on screen from `start` until `end` (seconds of source time): the rectangles on a
// canvas of canvas_width x canvas_height. An event without rectangles clears the screen.
struct TSubtitleEvent {
  double Start = 0;
  double end = std::numeric_limits<double>::infinity();
  int32_t CanvasWidth = 0, CanvasHeight = 0;
  std::vector<TSubtitlePicture> Pictures;
};

// Turns one decoded subtitle into an event: paletted rectangles become RGBA; text rectangles
// are skipped. `pts_us` is the subtitle's time in microseconds; the display times count from it.
TSubtitleEvent MakeSubtitleEvent(const AVSubtitle& sub, int64_t pts_us, int32_t canvas_width, int32_t canvas_height);

// Where and how strongly an event is blended into an output frame.
struct TSubtitleBlend {
  int32_t Opacity = 100;         // 0 to 100
  bool Move = false;             // place the event's top-left corner at (x, y) output pixels
  int32_t X = 0, Y = 0;
};

// Blends the event's rectangles into a YUV 4:2:0 frame, scaled from the event's canvas to the
// frame. The frame must be writable.
void BlendSubtitleEvent(AVFrame* frame, const TSubtitleEvent& event, const TSubtitleBlend& blend);

// The events of one picture subtitle stream, read in step with the picture.
class TBitmapSubtitleTrack {
public:
  // `decoder` gives the input to read and the time origin (its video stream's start);
  // throws MediaError when the stream cannot be found or decoded.
  TBitmapSubtitleTrack(const TVideoDecoder& decoder, int32_t stream_id);
  ~TBitmapSubtitleTrack();

  // The event on screen at `seconds` of source time, or null. Times may go backwards (after
  // a seek): the track then reads again from shortly before that time.
  const TSubtitleEvent* At(double seconds);

private:
  void Open(double seconds);
  std::optional<TSubtitleEvent> DecodeNext();

  TInputOpener open_;
  std::string name_;
  int32_t stream_id_;
  int64_t origin_us_ = 0;  // the video stream's start time, microseconds
  int32_t video_width_ = 0, video_height_ = 0;

  TInputContextPtr input_;
  AVStream* stream_ = nullptr;
  TCodecContextPtr codec_;
  TPacketPtr packet_ = AllocPacket();
  bool ended_ = false;
  double last_time_ = -1;
  std::optional<TSubtitleEvent> current_, pending_;
};

}  // namespace fc
