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
struct TDecodeOptions {
  int32_t ProgramID = 0;
  int32_t AudioTrackID = 0;
  int32_t SubtitleID = 0;
  bool Copy = false;
};

// Opens the demuxer a decoder reads from: a file, or the blocks of a DVD title.
using TInputOpener = std::function<TInputContextPtr()>;

namespace detail {

// One stream of one opened file: packets, seeking, the decoder context and the frames it
// decodes.
class TStreamReader {
public:
  TStreamReader(TInputContextPtr input, const std::string& name, AVMediaType type, const TDecodeOptions& options);

  AVStream* Stream() const { return stream_; }
  const AVFormatContext* Input() const { return input_.get(); }
  double ToSeconds(int64_t ts) const;
  double Duration() const { return duration_; }
  // Next packet of the stream (false at the end of the file).
  bool ReadPacket(AVPacket* packet);
  // Keyframe seek at or before `seconds`; packets follow from there.
  void SeekBefore(double seconds);

  AVCodecContext* Codec() const { return codec_.get(); }
  void OpenCodec();
  const std::string& Name() const { return path_; }

  // The next decoded frame that reaches the target of the last Seek(), its time from
  // `time_of(frame)`; `reaches(out, target)` says whether it does (and may trim it). False at
  // the end of the stream. Throws MediaError in copy mode (no decoder). Used by the decoders
  // only, so it is defined with them.
  template <class TFrameRecord, class TTimeOf, class TReaches>
  bool ReadFrame(TFrameRecord& out, const char* what, TTimeOf&& time_of, TReaches&& reaches);
  // Keyframe seek before `seconds`; ReadFrame() drops what comes before it.
  void Seek(double seconds);

private:
  std::string path_;
  TInputContextPtr input_;
  AVStream* stream_ = nullptr;
  TCodecContextPtr codec_;
  int64_t start_ts_ = 0;
  double duration_ = 0;
  TPacketPtr packet_ = AllocPacket();
  bool draining_ = false;
  bool ended_ = false;
  double seek_target_ = -1;  // frames before it are dropped after a seek
};

}  // namespace detail

class TVideoDecoder : public TVideoSource {
public:
  TVideoDecoder(const std::string& path, const TDecodeOptions& options = {});
  // Over an input that is not a plain file; `name` names it in messages.
  TVideoDecoder(const TInputOpener& open, const std::string& name, const TDecodeOptions& options = {});

  TVideoFormat VideoFormat() const override { return format_; }
  double Duration() const override { return reader_.Duration(); }
  bool Read(TVideoFrame& out) override;
  void Seek(double seconds) override;

  // Copy mode: the compressed stream. Packet times stay in Stream().time_base.
  const AVStream* Stream() const { return reader_.Stream(); }
  bool ReadPacket(AVPacket* packet) { return reader_.ReadPacket(packet); }
  double ToSeconds(int64_t ts) const { return reader_.ToSeconds(ts); }
  bool Copy() const { return copy_; }

  // The file the decoder reads (for filters that open it themselves, like text subtitles).
  const std::string& Name() const { return reader_.Name(); }
  // Opens the decoder's input once more (picture subtitles read their stream from it).
  const TInputOpener& Opener() const { return open_; }
  // The position of the subtitle stream with this id among the file's subtitle streams, or -1.
  int SubtitleOrdinal(int32_t id) const;
  bool SubtitleIsBitmap(int32_t id) const;
  // True for inputs that announce streams as they come (program streams, DVD titles): a
  // subtitle stream not seen yet may still appear.
  bool StreamsMayAppear() const { return reader_.Input()->ctx_flags & AVFMTCTX_NOHEADER; }

private:
  TInputOpener open_;
  detail::TStreamReader reader_;
  TVideoFormat format_;
  bool copy_ = false;
};

class TAudioDecoder : public TAudioSource {
public:
  TAudioDecoder(const std::string& path, const TDecodeOptions& options = {});
  TAudioDecoder(const TInputOpener& open, const std::string& name, const TDecodeOptions& options = {});

  TAudioFormat AudioFormat() const override { return format_; }
  double Duration() const override { return reader_.Duration(); }
  bool Read(TAudioFrame& out) override;
  void Seek(double seconds) override;

  const AVStream* Stream() const { return reader_.Stream(); }
  bool ReadPacket(AVPacket* packet) { return reader_.ReadPacket(packet); }
  double ToSeconds(int64_t ts) const { return reader_.ToSeconds(ts); }
  bool Copy() const { return copy_; }

private:
  detail::TStreamReader reader_;
  TAudioFormat format_;
  bool copy_ = false;
  double next_time_ = 0;  // for frames without timestamps
};

// Drops the samples of `frame` before `seconds` (the frame starts at `frame_time`). Returns
// false when nothing is left.
bool TrimAudioFront(TAudioFrame& frame, double seconds);

}  // namespace fc
