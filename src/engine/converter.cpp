#include "engine/converter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "core/text.h"
#include "engine/audio_conformer.h"
#include "engine/bounded_queue.h"
#include "engine/decoder.h"
#include "engine/formats.h"
#include "engine/piece_writer.h"

namespace fc {
namespace {

using TClock = std::chrono::steady_clock;
constexpr double kNoEnd = std::numeric_limits<double>::infinity();
// How far ahead of the picture the sound is written.
constexpr double kSoundLead = 0.2;

// The job was stopped: by Stop, or by the callback answering "stop".
class TJobCancelled : public std::exception {
public:
  const char* what() const noexcept override { return "stopped"; }
};

// An exact rational for common rates (29.97 is 30000/1001, not 2997/100).
AVRational RateToRational(double fps) {
  const double ntsc = fps * 1.001;
  if (std::fabs(ntsc - std::round(ntsc)) < 0.005 && std::fabs(fps - std::round(fps)) > 0.01)
    return {static_cast<int>(std::round(ntsc)) * 1000, 1001};
  return av_d2q(fps, 100000);
}

AVRational NearestSupportedRate(const AVCodec* codec, AVRational want) {
  if (!codec->supported_framerates) return want;
  AVRational best = codec->supported_framerates[0];
  for (const AVRational* r = codec->supported_framerates; r->num; ++r)
    if (std::fabs(av_q2d(*r) - av_q2d(want)) < std::fabs(av_q2d(best) - av_q2d(want))) best = *r;
  return best;
}

int NearestSupportedSampleRate(const AVCodec* codec, int want) {
  if (!codec->supported_samplerates) return want;
  int best = codec->supported_samplerates[0];
  for (const int* r = codec->supported_samplerates; *r; ++r)
    if (std::abs(*r - want) < std::abs(best - want)) best = *r;
  return best;
}

int SupportedChannels(const AVCodec* codec, int want) {
  if (!codec->ch_layouts) return want;
  int best = codec->ch_layouts[0].nb_channels;
  for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
    if (l->nb_channels == want) return want;
    if (std::abs(l->nb_channels - want) < std::abs(best - want)) best = l->nb_channels;
  }
  return best;
}

const AVCodec* FindEncoder(const std::string& name) {
  const AVCodec* c = avcodec_find_encoder_by_name(name.c_str());
  if (!c) throw MediaError("this build of FFmpeg has no " + name + " encoder");
  return c;
}

// "clip.flv" -> "clip_2.flv" for the second piece of a split output.
std::string PiecePath(const std::string& path, int piece) {
  std::filesystem::path p(path);
  return (p.parent_path() / (p.stem().string() + Format("_%d", piece) + p.extension().string())).string();
}

// ---------------------------------------------------------------------------------------------
// What the conversion writes: the container, the codecs and their settings, chosen at Start
// from the encode record and the sources. Read-only while the job runs, so any thread reads it.

struct TEncodeSetup {
  const TContainerFormat* Container = nullptr;
  const AVCodec* VideoCodec = nullptr;  // null: no pictures are written
  const AVCodec* AudioCodec = nullptr;  // null: no sound is written
  int Width = 0;
  int Height = 0;
  AVRational FrameRate{25, 1};
  AVPixelFormat PixelFormat = AV_PIX_FMT_YUV420P;
  int64_t VideoBitrate = 0;
  int SwsFlags = SWS_BICUBIC;
  int SampleRate = 0;
  int Channels = 0;
  AVSampleFormat SampleFormat = AV_SAMPLE_FMT_S16;
  int64_t AudioBitrate = 0;

  bool HasVideo() const { return VideoCodec != nullptr; }
  bool HasAudio() const { return AudioCodec != nullptr; }
};

TEncodeSetup ChooseEncodeSetup(const TEncodeParams& p, const TVideoSource* video, const TAudioSource* audio) {
  TEncodeSetup s;
  s.Container = FindContainer(p.ContainerFourCC);
  if (!s.Container)
    throw MediaError("unknown output container \"" + FourCCToString(p.ContainerFourCC) + "\"");
  const bool flash = IsFlashContainer(p.ContainerFourCC);
  if (video && !p.NoVideo && !s.Container->Video.empty()) {
    const TCodecEntry* entry =
        p.VideoFourCC ? FindVideoCodec(*s.Container, p.VideoFourCC) : &s.Container->Video.front();
    if (!entry)
      throw MediaError("the container \"" + FourCCToString(p.ContainerFourCC) + "\" cannot carry the video codec \"" +
                       FourCCToString(p.VideoFourCC) + "\"");
    s.VideoCodec = FindEncoder(entry->Encoder);
    const TVideoFormat in = video->VideoFormat();
    s.Width = p.Width > 0 ? p.Width : in.Width;
    s.Height = p.Height > 0 ? p.Height : in.Height;
    // 4:2:0 pictures need even sizes.
    s.Width = std::max(2, s.Width & ~1);
    s.Height = std::max(2, s.Height & ~1);
    double fps = p.FrameRate > 0 && std::isfinite(p.FrameRate) ? p.FrameRate : in.FrameRate;
    if (!(fps > 0) || !std::isfinite(fps)) fps = 25;  // never let a rate of 0 through
    s.FrameRate = NearestSupportedRate(s.VideoCodec, RateToRational(std::min(fps, 240.0)));
    s.PixelFormat = s.VideoCodec->pix_fmts ? s.VideoCodec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    s.VideoBitrate =
        p.VideoBitrate > 0 ? p.VideoBitrate : DefaultVideoBitrate(s.Width, s.Height, av_q2d(s.FrameRate));
    static constexpr int kScalers[] = {SWS_BICUBIC, SWS_BILINEAR, SWS_FAST_BILINEAR, SWS_LANCZOS};
    s.SwsFlags = kScalers[(p.Interpolation >= 0 && p.Interpolation < 4) ? p.Interpolation : 0];
  }
  if (audio && !p.NoAudio && !s.Container->Audio.empty()) {
    const TCodecEntry* entry =
        p.AudioFourCC ? FindAudioCodec(*s.Container, p.AudioFourCC) : &s.Container->Audio.front();
    if (!entry)
      throw MediaError("the container \"" + FourCCToString(p.ContainerFourCC) + "\" cannot carry the audio codec \"" +
                       FourCCToString(p.AudioFourCC) + "\"");
    s.AudioCodec = FindEncoder(entry->Encoder);
    const TAudioFormat in = audio->AudioFormat();
    int rate = p.SampleRate > 0 ? p.SampleRate : (in.SampleRate > 0 ? in.SampleRate : 44100);
    if (flash) rate = SnapFlashSampleRate(rate);
    s.SampleRate = NearestSupportedSampleRate(s.AudioCodec, rate);
    const int channels = p.Channels > 0 ? p.Channels : (in.Channels > 0 ? in.Channels : 2);
    s.Channels = SupportedChannels(s.AudioCodec, std::min(channels, 8));
    s.SampleFormat = s.AudioCodec->sample_fmts ? s.AudioCodec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    s.AudioBitrate =
        p.AudioBitrate > 0 ? p.AudioBitrate : DefaultAudioBitrate(entry->FourCC, s.SampleRate, s.Channels);
  }
  if (!s.HasVideo() && !s.HasAudio()) throw MediaError("nothing to convert: no audio or video stream is selected");
  return s;
}

// ---------------------------------------------------------------------------------------------
// Tells the callback how the job goes: progress at most every 100 ms (or when forced), the
// piece notices and the end.
//   All fields and calls belong to the writing thread, where the callback runs; `preview_` is
//   the converter's flag, which the caller's thread may change at any time (an atomic).

class TProgressReporter {
public:
  TProgressReporter(TConverterCallback callback, double total, const std::atomic<bool>& preview)
      : callback_(std::move(callback)), total_(total), preview_(preview) {}

  // The work starts now (the speed counts from here).
  void Begin() { started_ = TClock::now(); }
  void AddPause(double seconds) { paused_seconds_ += seconds; }
  double Total() const { return total_; }
  double Position() const { return position_; }
  void SetPosition(double seconds) { position_ = seconds; }
  void SetPiece(int32_t piece) { piece_ = piece; }
  // The last picture encoded, shown with the progress while preview is on.
  void KeepPreview(TFramePtr frame) { preview_frame_ = std::move(frame); }

  // Throws TJobCancelled when the callback answers "stop".
  void Report(bool force) {
    const auto now = TClock::now();
    if (!force && now - last_report_ < std::chrono::milliseconds(100)) return;
    last_report_ = now;
    const int32_t hundredths =
        total_ > 0 ? static_cast<int32_t>(std::clamp(position_ / total_, 0.0, 1.0) * 10000) : 0;
    Notify(TConverterMessage::Progress, hundredths);
  }

  // A message with the progress block; throws TJobCancelled when the callback answers "stop".
  void Notify(TConverterMessage message, int32_t value) {
    const TProgressInfo info = Info();
    if (!Call(message, value, &info)) throw TJobCancelled();
  }

  // True to go on. A throwing callback counts as "stop": it ends the job, not the process.
  bool Call(TConverterMessage message, int32_t value, const TProgressInfo* info) {
    if (!callback_) return true;
    try {
      return callback_(message, value, info);
    } catch (...) {
      return false;
    }
  }

private:
  TProgressInfo Info() const {
    TProgressInfo info;
    info.TotalLength = total_;
    info.ConvertedLength = position_;
    info.Piece = piece_;
    info.Preview = preview_ ? preview_frame_.get() : nullptr;
    const double work = std::chrono::duration<double>(TClock::now() - started_).count() - paused_seconds_;
    info.Speed = work > 0 ? position_ / work : 0;
    return info;
  }

  TConverterCallback callback_;
  const double total_;
  const std::atomic<bool>& preview_;
  TFramePtr preview_frame_;
  TClock::time_point started_{};
  TClock::time_point last_report_{};
  double paused_seconds_ = 0;
  double position_ = 0;
  int32_t piece_ = 0;
};

// ---------------------------------------------------------------------------------------------
// The pictures: read from the source and conformed to the encoder's size and pixel format on
// the producer thread, then encoded on the writing thread with a fresh encoder per piece (each
// piece starts with a keyframe and headers of its own).
//   producer thread: producer_ runs ProducerLoop; sws_ and the source's Read are its own.
//   writing thread: encoder_, stream_, packet_, last_pts_ (between BeginPiece and EndPiece).
//   shared: queue_ (its own lock), control_ (see TRunControl); setup_ is read-only.

class TVideoEncoding {
public:
  TVideoEncoding(TVideoSource& source, const TEncodeSetup& setup, TRunControl& control, double start, double end)
      : source_(source), setup_(setup), control_(control), start_(start), end_(end) {}
  ~TVideoEncoding() {
    Release();
    Join();
  }
  TVideoEncoding(const TVideoEncoding&) = delete;
  TVideoEncoding& operator=(const TVideoEncoding&) = delete;

  // The source stands at the start.
  void StartProducer() {
    producer_ = std::thread([this] { ProducerLoop(); });
  }
  // Any thread: lets both sides go (stop).
  void Release() { queue_.Close(); }
  void Join() {
    if (producer_.joinable()) producer_.join();
  }

  // The next conformed picture; false at the end or after Release. Throws what stopped the
  // producer.
  bool Next(TVideoFrame& frame) {
    if (queue_.Pop(frame)) return true;
    if (const std::string e = queue_.Error(); !e.empty()) throw MediaError(e);
    return false;
  }

  // Opens the encoder of a new piece and adds its stream (the piece's first).
  void BeginPiece(TPieceWriter& piece) {
    encoder_ = OpenEncoder(piece.WantsGlobalHeader());
    stream_ = piece.NewStream();
    CheckAv(avcodec_parameters_from_context(stream_->codecpar, encoder_.get()), "video stream parameters");
    // The muxers size their buffers from the encoder's rate-control properties.
    for (int i = 0; i < encoder_->nb_coded_side_data; ++i) {
      const AVPacketSideData& sd = encoder_->coded_side_data[i];
      uint8_t* dst = av_stream_new_side_data(stream_, sd.type, sd.size);
      if (!dst) throw MediaError("out of memory for stream data");
      memcpy(dst, sd.data, sd.size);
    }
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = setup_.FrameRate;
    last_pts_ = std::numeric_limits<int64_t>::min();
  }

  // Encodes a picture of the job at its time within the piece; false (nothing encoded) when it
  // falls on the same output frame as the one before.
  bool Encode(TVideoFrame& frame, double piece_begin, TPieceWriter& piece) {
    const double t = frame.Time - start_ - piece_begin;
    const int64_t pts = std::llround(t * av_q2d(setup_.FrameRate));
    if (pts <= last_pts_) return false;
    last_pts_ = pts;
    AVFrame* f = frame.Frame.get();
    f->pts = pts;
    f->pict_type = AV_PICTURE_TYPE_NONE;
    f->sample_aspect_ratio = {1, 1};
    Send(f, piece);
    return true;
  }

  // Drains the encoder into the piece before it is finished.
  void EndPiece(TPieceWriter& piece) {
    Send(nullptr, piece);
    encoder_.reset();
    stream_ = nullptr;
  }

private:
  void ProducerLoop() {
    TThreadPriority priority;
    try {
      TVideoFrame f;
      while (!control_.StopRequested()) {
        priority.Follow(control_);
        if (!source_.Read(f) || f.Time >= end_) break;
        // The picture on screen at the start may begin up to half a frame before it.
        if (f.Time < start_ - 0.5 / av_q2d(setup_.FrameRate)) continue;
        TFramePtr conformed = Conform(f.Frame.get());
        if (!queue_.Push({std::move(conformed), f.Time})) return;
      }
      queue_.Finish();
    } catch (const std::exception& e) {
      queue_.Finish(e.what());
    }
  }

  // The picture in the encoder's size and pixel format.
  TFramePtr Conform(const AVFrame* in) {
    if (in->width == setup_.Width && in->height == setup_.Height && in->format == setup_.PixelFormat)
      return CloneFrame(in);
    sws_.reset(sws_getCachedContext(sws_.release(), in->width, in->height, static_cast<AVPixelFormat>(in->format),
                                    setup_.Width, setup_.Height, setup_.PixelFormat, setup_.SwsFlags, nullptr,
                                    nullptr, nullptr));
    if (!sws_) throw MediaError(Format("cannot convert pictures of %dx%d", in->width, in->height));
    TFramePtr out = AllocPicture(setup_.Width, setup_.Height, setup_.PixelFormat, "picture buffer");
    sws_scale(sws_.get(), in->data, in->linesize, 0, in->height, out->data, out->linesize);
    return out;
  }

  TCodecContextPtr OpenEncoder(bool global_header) const {
    const AVCodec* codec = setup_.VideoCodec;
    TCodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c) throw MediaError("out of memory for an encoder");
    c->width = setup_.Width;
    c->height = setup_.Height;
    c->time_base = av_inv_q(setup_.FrameRate);
    c->framerate = setup_.FrameRate;
    c->pix_fmt = setup_.PixelFormat;
    c->bit_rate = setup_.VideoBitrate;
    c->sample_aspect_ratio = {1, 1};
    // A keyframe every two seconds keeps seeking in players quick.
    c->gop_size = std::max(1, static_cast<int>(std::lround(av_q2d(setup_.FrameRate) * 2)));
    c->thread_count = 0;
    if (codec->id == AV_CODEC_ID_MPEG4 || codec->id == AV_CODEC_ID_FLV1 || codec->id == AV_CODEC_ID_WMV2 ||
        codec->id == AV_CODEC_ID_MPEG2VIDEO) {
      c->rc_max_rate = 0;
      c->qmin = 2;
    }
    if (global_header) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // FLV timestamps cannot go below zero, so B-frames there would shift the whole file.
    if (setup_.Container->Muxer == "flv") c->max_b_frames = 0;
    TAvOptions options;
    if (codec->id == AV_CODEC_ID_H264) options.Set("preset", "veryfast");
    if (codec->id == AV_CODEC_ID_VP8 || codec->id == AV_CODEC_ID_VP9) {
      options.Set("deadline", "realtime");
      options.Set("cpu-used", "8");
    }
    CheckAv(avcodec_open2(c.get(), codec, options.Address()),
            Format("cannot open the %s encoder at %dx%d", codec->name, setup_.Width, setup_.Height));
    return c;
  }

  // Sends a picture (null: the end) and writes what the encoder has ready.
  void Send(const AVFrame* frame, TPieceWriter& piece) {
    const int r = avcodec_send_frame(encoder_.get(), frame);
    if (r < 0 && r != AVERROR_EOF) throw MediaError("encoding failed: " + AvErrorText(r));
    for (;;) {
      const int g = avcodec_receive_packet(encoder_.get(), packet_.get());
      if (g == AVERROR(EAGAIN) || g == AVERROR_EOF) return;
      if (g < 0) throw MediaError("encoding failed: " + AvErrorText(g));
      av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
      packet_->stream_index = stream_->index;
      piece.Write(packet_.get());
    }
  }

  TVideoSource& source_;
  const TEncodeSetup& setup_;
  TRunControl& control_;
  const double start_;
  const double end_;
  TBoundedQueue<TVideoFrame> queue_{8};
  std::thread producer_;
  TSwsContextPtr sws_;
  TCodecContextPtr encoder_;
  AVStream* stream_ = nullptr;
  TPacketPtr packet_ = AllocPacket();
  int64_t last_pts_ = std::numeric_limits<int64_t>::min();
};

// ---------------------------------------------------------------------------------------------
// The sound: conformed and encoded on the audio thread with one encoder for the whole job (its
// frames cross split points unharmed); the writing thread takes the packets in time order and
// writes them into the piece they fall in.
//   audio thread: thread_ runs AudioLoop; conformer_ and encoder_ are its own once it runs.
//   writing thread: Start, and stream_, piece_base_, pending_, done_, written_.
//   set by Start before the audio thread begins, read-only afterwards: parameters_,
//   time_base_, frame_size_.
//   shared: queue_ (its own lock), control_ (see TRunControl); setup_ is read-only.

class TAudioEncoding {
public:
  TAudioEncoding(TAudioSource& source, const TEncodeSetup& setup, TRunControl& control, double start, double end)
      : source_(source), setup_(setup), control_(control), start_(start), end_(end) {}
  ~TAudioEncoding() {
    Release();
    Join();
  }
  TAudioEncoding(const TAudioEncoding&) = delete;
  TAudioEncoding& operator=(const TAudioEncoding&) = delete;

  // Opens the encoder and starts the audio thread; the source stands at the start.
  void Start() {
    const AVOutputFormat* format = av_guess_format(setup_.Container->Muxer.c_str(), nullptr, nullptr);
    encoder_ = OpenEncoder(format && (format->flags & AVFMT_GLOBALHEADER));
    frame_size_ = encoder_->frame_size > 0 ? encoder_->frame_size : 1024;
    time_base_ = encoder_->time_base;
    // The pieces' streams take the parameters from this copy: the encoder itself is the audio
    // thread's from now on.
    parameters_.reset(avcodec_parameters_alloc());
    if (!parameters_) throw MediaError("out of memory for stream parameters");
    CheckAv(avcodec_parameters_from_context(parameters_.get(), encoder_.get()), "audio stream parameters");
    const bool whole_frames_only =
        !(setup_.AudioCodec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE));
    conformer_ = std::make_unique<TAudioConformer>(
        source_, TAudioTarget{setup_.SampleFormat, setup_.SampleRate, setup_.Channels, frame_size_, whole_frames_only},
        start_, end_);
    thread_ = std::thread([this] { AudioLoop(); });
  }
  // Any thread: lets both sides go (stop).
  void Release() { queue_.Close(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  // Adds the sound's stream to a new piece that starts at `piece_begin` seconds of the job.
  void BeginPiece(TPieceWriter& piece, double piece_begin) {
    stream_ = piece.NewStream();
    CheckAv(avcodec_parameters_copy(stream_->codecpar, parameters_.get()), "audio stream parameters");
    stream_->time_base = time_base_;
    piece_base_ = std::llround(piece_begin * setup_.SampleRate);
  }

  // Writes the encoded sound that starts before `until` seconds of the job. Throws what
  // stopped the audio thread.
  void WriteUntil(double until, TPieceWriter& piece) {
    for (;;) {
      if (!pending_) {
        TPacketPtr next;
        if (done_ || !queue_.Pop(next)) {
          done_ = true;
          if (const std::string e = queue_.Error(); !e.empty()) throw MediaError(e);
          return;
        }
        pending_ = std::move(next);
      }
      AVPacket* pk = pending_.get();
      // Times in samples, the encoder's time base, until rescaled for the piece.
      const double t = static_cast<double>(pk->pts) / setup_.SampleRate;
      if (t >= until) return;
      written_ = t + static_cast<double>(pk->duration > 0 ? pk->duration : frame_size_) / setup_.SampleRate;
      pk->pts -= piece_base_;
      pk->dts -= piece_base_;
      av_packet_rescale_ts(pk, time_base_, stream_->time_base);
      pk->stream_index = stream_->index;
      TPacketPtr packet = std::move(pending_);
      piece.Write(packet.get());
    }
  }

  // All the sound is written (or the queue was released).
  bool Done() const { return done_; }
  // Seconds of the job up to the end of the sound written.
  double Written() const { return written_; }

private:
  void AudioLoop() {
    TThreadPriority priority;
    try {
      while (EncodeFrame()) {
        if (control_.StopRequested()) return;
        priority.Follow(control_);
        control_.WaitWhilePaused();
      }
      queue_.Finish();
    } catch (const std::exception& e) {
      queue_.Finish(e.what());
    }
  }

  // Encodes one frame of sound and queues its packets; false at the end (after the flush).
  bool EncodeFrame() {
    const TFramePtr frame = conformer_->Next();
    Send(frame.get());
    return frame != nullptr;
  }

  void Send(const AVFrame* frame) {
    const int r = avcodec_send_frame(encoder_.get(), frame);
    if (r < 0 && r != AVERROR_EOF) throw MediaError("audio encoding failed: " + AvErrorText(r));
    for (;;) {
      TPacketPtr pk = AllocPacket();
      const int g = avcodec_receive_packet(encoder_.get(), pk.get());
      if (g == AVERROR(EAGAIN) || g == AVERROR_EOF) return;
      if (g < 0) throw MediaError("audio encoding failed: " + AvErrorText(g));
      if (!queue_.Push(std::move(pk))) return;
    }
  }

  TCodecContextPtr OpenEncoder(bool global_header) const {
    const AVCodec* codec = setup_.AudioCodec;
    TCodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c) throw MediaError("out of memory for an encoder");
    c->sample_rate = setup_.SampleRate;
    c->sample_fmt = setup_.SampleFormat;
    av_channel_layout_default(&c->ch_layout, setup_.Channels);
    c->bit_rate = setup_.AudioBitrate;
    c->time_base = {1, setup_.SampleRate};
    if (global_header) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    CheckAv(avcodec_open2(c.get(), codec, nullptr), Format("cannot open the %s encoder at %d Hz, %d channels",
                                                           codec->name, setup_.SampleRate, setup_.Channels));
    return c;
  }

  TAudioSource& source_;
  const TEncodeSetup& setup_;
  TRunControl& control_;
  const double start_;
  const double end_;
  TBoundedQueue<TPacketPtr> queue_{64};
  std::thread thread_;
  std::unique_ptr<TAudioConformer> conformer_;
  TCodecContextPtr encoder_;
  TCodecParametersPtr parameters_;
  AVRational time_base_{1, 1};
  int frame_size_ = 1024;
  AVStream* stream_ = nullptr;
  int64_t piece_base_ = 0;  // samples of the job before the piece
  TPacketPtr pending_;      // taken from the queue, not yet due
  bool done_ = false;
  double written_ = 0;
};

double JobLength(double start, double end, const TVideoSource* video, const TAudioSource* audio) {
  if (std::isfinite(end)) return end - start;
  double d = 0;
  if (video) d = std::max(d, video->Duration());
  if (audio) d = std::max(d, audio->Duration());
  return std::max(0.0, d - start);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// One conversion: wires the parts together. Made on the caller's thread by Start; from then on
// its fields belong to the writing thread (TConverter::Run), except Release, which any thread
// may call to let the worker threads go. The parts say which of their fields the producer and
// audio threads own.

class TConverter::TJob {
public:
  TJob(TConverter& owner, TConverterCallback callback, double start, double end)
      : owner_(owner),
        start_(start),
        end_(end),
        copy_(owner.params_.ContainerFourCC == kFourCCCopy),
        setup_(copy_ ? TEncodeSetup{} : ChooseEncodeSetup(owner.params_, owner.video_.get(), owner.audio_.get())),
        piece_length_(!copy_ && owner.split_mode_ == kSplitByLength && owner.split_ms_ > 0 ? static_cast<double>(owner.split_ms_) / 1000.0
                                                                            : 0),
        reporter_(std::move(callback), JobLength(start, end, owner.video_.get(), owner.audio_.get()), owner.preview_) {
    if (setup_.HasVideo())
      video_ = std::make_unique<TVideoEncoding>(*owner.video_, setup_, owner.control_, start_, end_);
    if (setup_.HasAudio())
      audio_ = std::make_unique<TAudioEncoding>(*owner.audio_, setup_, owner.control_, start_, end_);
  }

  const TEncodeSetup& Setup() const { return setup_; }

  // Runs the job to its end; the reason it ended, and the error text of a failure.
  std::pair<TEndReason, std::string> Run() {
    try {
      if (copy_) RunCopy();
      else RunEncode();
      return {TEndReason::Success, {}};
    } catch (const TJobCancelled&) {
      return {TEndReason::Cancelled, {}};
    } catch (const TWriteError& e) {
      return {TEndReason::WriteFailed, e.what()};
    } catch (const std::exception& e) {
      return {TEndReason::Failed, e.what()};
    }
  }

  // Stops and joins the worker threads, and throws away a piece left unfinished: a failed or
  // stopped job leaves no half-written file behind.
  void Wind() {
    Release();
    if (video_) video_->Join();
    if (audio_) audio_->Join();
    piece_.reset();
  }

  void Release() {
    if (video_) video_->Release();
    if (audio_) audio_->Release();
  }

  void ReportEnd(TEndReason reason) { reporter_.Call(TConverterMessage::End, static_cast<int32_t>(reason), nullptr); }

private:
  void RunEncode() {
    reporter_.Begin();
    if (video_) owner_.video_->Seek(start_);
    if (audio_) {
      owner_.audio_->Seek(start_);
      audio_->Start();
    }
    OpenPiece(0);
    reporter_.Report(true);
    if (video_) {
      video_->StartProducer();
      TVideoFrame f;
      for (;;) {
        Checkpoint();
        priority_.Follow(owner_.control_);
        if (!video_->Next(f)) break;
        const double t = f.Time - start_;
        MaybeSplit(t);
        // Sound a little ahead of the picture, but never past the end of the piece.
        WriteSound(piece_length_ > 0 ? std::min(t + kSoundLead, piece_begin_ + piece_length_) : t + kSoundLead);
        if (video_->Encode(f, piece_begin_, *piece_) && owner_.preview_) reporter_.KeepPreview(std::move(f.Frame));
        reporter_.SetPosition(audio_ && !audio_->Done() ? std::min(t, audio_->Written()) : t);
        reporter_.Report(false);
      }
    }
    while (audio_ && !audio_->Done()) {
      Checkpoint();
      priority_.Follow(owner_.control_);
      const double next = audio_->Written() + 0.5;
      MaybeSplit(audio_->Written());
      WriteSound(piece_length_ > 0 ? std::min(next, piece_begin_ + piece_length_) : next);
      reporter_.SetPosition(std::max(reporter_.Position(), audio_->Written()));
      reporter_.Report(false);
    }
    // A stop releases the queues, which then look like a finished source: never keep the
    // piece of a stopped job.
    if (owner_.control_.StopRequested()) throw TJobCancelled();
    ClosePiece();
    reporter_.SetPosition(reporter_.Total());
    reporter_.Report(true);
  }

  void RunCopy() {
    reporter_.Begin();
    auto* video_decoder = dynamic_cast<TVideoDecoder*>(owner_.video_.get());
    auto* audio_decoder = dynamic_cast<TAudioDecoder*>(owner_.audio_.get());
    if ((owner_.video_ && (!video_decoder || !video_decoder->Copy())) ||
        (owner_.audio_ && (!audio_decoder || !audio_decoder->Copy())))
      throw MediaError("stream copy needs decoders opened in copy mode");
    if (owner_.params_.NoVideo) video_decoder = nullptr;
    if (owner_.params_.NoAudio) audio_decoder = nullptr;
    if (!video_decoder && !audio_decoder) throw MediaError("nothing to copy");

    piece_ = TPieceWriter::ForFileName(owner_.output_);
    auto add = [&](const AVStream* in) {
      AVStream* st = piece_->NewStream();
      CheckAv(avcodec_parameters_copy(st->codecpar, in->codecpar), "stream parameters");
      st->codecpar->codec_tag = 0;
      st->time_base = in->time_base;
      return st;
    };
    AVStream* video_out = video_decoder ? add(video_decoder->Stream()) : nullptr;
    AVStream* audio_out = audio_decoder ? add(audio_decoder->Stream()) : nullptr;
    TAvOptions options;
    piece_->Begin(options, "the output format cannot carry these streams");
    piece_number_ = 1;
    reporter_.SetPiece(piece_number_);
    reporter_.Notify(TConverterMessage::PieceStarted, piece_number_);

    // Copy starts at the keyframe at or before the start time.
    if (video_decoder) video_decoder->Seek(start_);
    if (audio_decoder) audio_decoder->Seek(start_);
    TPacketPtr video_packet = AllocPacket(), audio_packet = AllocPacket();
    bool video_left = video_decoder && video_decoder->ReadPacket(video_packet.get());
    bool audio_left = audio_decoder && audio_decoder->ReadPacket(audio_packet.get());
    auto time_of = [](auto* decoder, const AVPacket* pk) {
      const double t = decoder->ToSeconds(pk->dts != AV_NOPTS_VALUE ? pk->dts : pk->pts);
      return std::isfinite(t) ? t : 0.0;
    };
    double origin = kNoEnd;
    if (video_left) origin = std::min(origin, time_of(video_decoder, video_packet.get()));
    if (audio_left) origin = std::min(origin, time_of(audio_decoder, audio_packet.get()));
    while (video_left || audio_left) {
      Checkpoint();
      priority_.Follow(owner_.control_);
      const bool take_video =
          video_left && (!audio_left || time_of(video_decoder, video_packet.get()) <= time_of(audio_decoder, audio_packet.get()));
      AVPacket* pk = take_video ? video_packet.get() : audio_packet.get();
      const double t = take_video ? time_of(video_decoder, pk) : time_of(audio_decoder, pk);
      if (t >= end_) {
        (take_video ? video_left : audio_left) = false;
        continue;
      }
      const AVStream* in = take_video ? video_decoder->Stream() : audio_decoder->Stream();
      const AVStream* out = take_video ? video_out : audio_out;
      const int64_t shift = static_cast<int64_t>(std::llround(origin / av_q2d(in->time_base))) +
                            (in->start_time != AV_NOPTS_VALUE ? in->start_time : 0);
      if (pk->pts != AV_NOPTS_VALUE) pk->pts -= shift;
      if (pk->dts != AV_NOPTS_VALUE) pk->dts -= shift;
      av_packet_rescale_ts(pk, in->time_base, out->time_base);
      pk->stream_index = out->index;
      pk->pos = -1;
      piece_->Write(pk);
      reporter_.SetPosition(std::max(reporter_.Position(), t - start_));
      reporter_.Report(false);
      if (take_video) video_left = video_decoder->ReadPacket(video_packet.get());
      else audio_left = audio_decoder->ReadPacket(audio_packet.get());
    }
    ClosePiece();
    reporter_.SetPosition(reporter_.Total());
    reporter_.Report(true);
  }

  // Waits while paused; throws when stopped.
  void Checkpoint() {
    if (owner_.control_.StopRequested()) throw TJobCancelled();
    reporter_.AddPause(owner_.control_.WaitWhilePaused());
    if (owner_.control_.StopRequested()) throw TJobCancelled();
  }

  void OpenPiece(double begin) {
    ++piece_number_;
    const std::string path = piece_length_ > 0 ? PiecePath(owner_.output_, piece_number_) : owner_.output_;
    const std::string& muxer = setup_.Container->Muxer;
    piece_ = TPieceWriter::ForMuxer(path, muxer);
    piece_begin_ = begin;
    if (video_) video_->BeginPiece(*piece_);
    if (audio_) audio_->BeginPiece(*piece_, piece_begin_);
    TAvOptions options;
    // Seeking players need the keyframe index in onMetaData.
    if (muxer == "flv") options.Set("flvflags", "add_keyframe_index");
    if (muxer == "mp4" || muxer == "mov" || muxer == "ipod" || muxer == "f4v" || muxer == "3gp")
      options.Set("movflags", "+faststart");
    piece_->Begin(options, "cannot write the header of " + path);
    reporter_.SetPiece(piece_number_);
    reporter_.Notify(TConverterMessage::PieceStarted, piece_number_);
  }

  // Finishes the piece and gives it its name.
  void ClosePiece() {
    if (video_) video_->EndPiece(*piece_);
    piece_->Finish();
    const std::string path = piece_->Path();
    piece_.reset();
    {
      std::lock_guard lock(owner_.mutex_);
      owner_.targets_.push_back(path);
    }
    reporter_.Notify(TConverterMessage::PieceFinished, piece_number_);
  }

  // Closes the piece and opens the next one when `t` has reached the split length.
  void MaybeSplit(double t) {
    while (piece_length_ > 0 && t >= piece_begin_ + piece_length_) {
      const double boundary = piece_begin_ + piece_length_;
      WriteSound(boundary);
      ClosePiece();
      OpenPiece(boundary);
    }
  }

  void WriteSound(double until) {
    if (audio_) audio_->WriteUntil(until, *piece_);
  }

  // Set on the caller's thread, read-only afterwards.
  TConverter& owner_;
  const double start_;
  const double end_;
  const bool copy_;
  const TEncodeSetup setup_;
  const double piece_length_;  // 0: no split
  // The writing thread's.
  TProgressReporter reporter_;
  std::unique_ptr<TVideoEncoding> video_;  // null when no pictures are written
  std::unique_ptr<TAudioEncoding> audio_;  // null when no sound is written
  std::unique_ptr<TPieceWriter> piece_;    // the piece being written
  int32_t piece_number_ = 0;
  double piece_begin_ = 0;                  // seconds of the job where the piece starts
  TThreadPriority priority_;
};

// ---------------------------------------------------------------------------------------------

TConverter::TConverter(std::shared_ptr<TVideoSource> video, std::shared_ptr<TAudioSource> audio)
    : video_(std::move(video)), audio_(std::move(audio)) {
  QuietFfmpegLog();
}

TConverter::~TConverter() { Stop(); }

void TConverter::SetOutputFile(const std::string& path) {
  if (running_) throw MediaError("the output file cannot change while converting");
  output_ = path;
}

void TConverter::SetEncodeParams(const TEncodeParams& params) {
  if (running_) throw MediaError("the encode parameters cannot change while converting");
  params_ = params;
}

TEncodeParams TConverter::EncodeParams() const { return params_; }

void TConverter::SetSplit(int mode, int64_t piece_ms) {
  if (running_) throw MediaError("splitting cannot change while converting");
  split_mode_ = mode;
  split_ms_ = piece_ms;
}

void TConverter::SetLowPriority(bool low) { control_.SetLowPriority(low); }

void TConverter::Start(double start, double duration, int /*mode*/, TConverterCallback callback) {
  if (running_) throw MediaError("the converter is already running");
  if (thread_.joinable()) thread_.join();
  if (output_.empty()) throw MediaError("no output file is set");
  if (!video_ && !audio_) throw MediaError("the converter has no source");
  if (!std::isfinite(start) || start < 0) start = 0;

  const double end = duration > 0 && std::isfinite(duration) ? start + duration : kNoEnd;
  auto job = std::make_unique<TJob>(*this, std::move(callback), start, end);
  // The record reports what is really written.
  const TEncodeSetup& setup = job->Setup();
  if (setup.HasVideo()) {
    params_.Width = setup.Width;
    params_.Height = setup.Height;
    params_.FrameRate = av_q2d(setup.FrameRate);
    params_.VideoBitrate = static_cast<int32_t>(setup.VideoBitrate);
  }
  if (setup.HasAudio()) {
    params_.SampleRate = setup.SampleRate;
    params_.Channels = setup.Channels;
    params_.AudioBitrate = static_cast<int32_t>(setup.AudioBitrate);
  }
  {
    std::lock_guard lock(mutex_);
    targets_.clear();
    error_.clear();
  }
  control_.Reset();
  running_ = true;
  job_ = std::move(job);
  thread_ = std::thread([this] { Run(); });
}

void TConverter::Run() {
  TJob& job = *job_;
  const auto [reason, error] = job.Run();
  job.Wind();
  {
    std::lock_guard lock(mutex_);
    error_ = error;
  }
  running_ = false;
  job.ReportEnd(reason);
}

void TConverter::Pause() { control_.Pause(); }

void TConverter::Resume() { control_.Resume(); }

void TConverter::Stop() {
  control_.RequestStop();
  if (job_) job_->Release();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TConverter::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

std::vector<std::string> TConverter::TargetFiles() const {
  std::lock_guard lock(mutex_);
  return targets_;
}

std::string TConverter::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

}  // namespace fc
