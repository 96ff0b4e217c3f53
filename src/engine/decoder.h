#pragma once
// Video and audio decoders over one file. Each decoder opens its own demuxer and reads only
// its stream, so the two can run on different threads. In copy mode ("COPY" output) the
// decoder hands out the compressed packets instead of frames.

#include <functional>
#include <string>

#include "engine/source.h"

namespace fc {

// The decode options a task keeps with its source: the program, the chosen audio track and
// subtitle by stream id (0 = the first audio track, no subtitle), and stream copy.
struct DecodeOptions {
  int32_t program_id = 0;
  int32_t audio_track_id = 0;
  int32_t subtitle_id = 0;
  bool copy = false;
};

// Opens the demuxer a decoder reads from: a file, or the blocks of a DVD title.
using InputOpener = std::function<InputContextPtr()>;

namespace detail {

// One stream of one opened file: packets, seeking and the decoder context.
class StreamReader {
public:
  StreamReader(InputContextPtr input, const std::string& name, AVMediaType type, const DecodeOptions& options);

  AVStream* stream() const { return stream_; }
  const AVFormatContext* input() const { return input_.get(); }
  double ToSeconds(int64_t ts) const;
  double duration() const { return duration_; }
  // Next packet of the stream (false at the end of the file).
  bool ReadPacket(AVPacket* packet);
  // Keyframe seek at or before `seconds`; packets follow from there.
  void SeekBefore(double seconds);

  AVCodecContext* codec() const { return codec_.get(); }
  void OpenCodec();
  const std::string& name() const { return path_; }

private:
  std::string path_;
  InputContextPtr input_;
  AVStream* stream_ = nullptr;
  CodecContextPtr codec_;
  int64_t start_ts_ = 0;
  double duration_ = 0;
};

}  // namespace detail

class VideoDecoder : public VideoSource {
public:
  VideoDecoder(const std::string& path, const DecodeOptions& options = {});
  // Over an input that is not a plain file; `name` names it in messages.
  VideoDecoder(const InputOpener& open, const std::string& name, const DecodeOptions& options = {});

  VideoFormat format() const override { return format_; }
  double duration() const override { return reader_.duration(); }
  bool Read(VideoFrame& out) override;
  void Seek(double seconds) override;

  // Copy mode: the compressed stream. Packet times stay in stream().time_base.
  const AVStream* stream() const { return reader_.stream(); }
  bool ReadPacket(AVPacket* packet) { return reader_.ReadPacket(packet); }
  double ToSeconds(int64_t ts) const { return reader_.ToSeconds(ts); }
  bool copy() const { return copy_; }

  // The file the decoder reads (for filters that open it themselves, like text subtitles).
  const std::string& name() const { return reader_.name(); }
  // Opens the decoder's input once more (picture subtitles read their stream from it).
  const InputOpener& opener() const { return open_; }
  // The position of the subtitle stream with this id among the file's subtitle streams, or -1.
  int SubtitleOrdinal(int32_t id) const;
  bool SubtitleIsBitmap(int32_t id) const;
  // True for inputs that announce streams as they come (program streams, DVD titles): a
  // subtitle stream not seen yet may still appear.
  bool StreamsMayAppear() const { return reader_.input()->ctx_flags & AVFMTCTX_NOHEADER; }

private:
  bool Decode(VideoFrame& out);

  InputOpener open_;
  detail::StreamReader reader_;
  VideoFormat format_;
  bool copy_ = false;
  bool draining_ = false;
  bool ended_ = false;
  double seek_target_ = -1;  // frames before it are dropped after a seek
  PacketPtr packet_ = AllocPacket();
};

class AudioDecoder : public AudioSource {
public:
  AudioDecoder(const std::string& path, const DecodeOptions& options = {});
  AudioDecoder(const InputOpener& open, const std::string& name, const DecodeOptions& options = {});

  AudioFormat format() const override { return format_; }
  double duration() const override { return reader_.duration(); }
  bool Read(AudioFrame& out) override;
  void Seek(double seconds) override;

  const AVStream* stream() const { return reader_.stream(); }
  bool ReadPacket(AVPacket* packet) { return reader_.ReadPacket(packet); }
  double ToSeconds(int64_t ts) const { return reader_.ToSeconds(ts); }
  bool copy() const { return copy_; }

private:
  bool Decode(AudioFrame& out);

  detail::StreamReader reader_;
  AudioFormat format_;
  bool copy_ = false;
  bool draining_ = false;
  bool ended_ = false;
  double seek_target_ = -1;
  double next_time_ = 0;  // for frames without timestamps
  PacketPtr packet_ = AllocPacket();
};

// Drops the samples of `frame` before `seconds` (the frame starts at `frame_time`). Returns
// false when nothing is left.
bool TrimAudioFront(AudioFrame& frame, double seconds);

}  // namespace fc
