#include "engine/converter.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cmath>
#include <deque>
#include <filesystem>
#include <limits>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
}

#include "core/text.h"
#include "engine/decoder.h"
#include "engine/formats.h"

namespace fc {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kNoEnd = std::numeric_limits<double>::infinity();

struct FifoDeleter { void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); } };
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, FifoDeleter>;

// A failure that ends the job, with the reason it reports.
struct JobFailure : MediaError {
  JobFailure(EndReason r, const std::string& what) : MediaError(what), reason(r) {}
  EndReason reason;
};

void ApplyThreadPriority(bool low, bool& applied) {
  if (low == applied) return;
  // Best effort: raising the priority back may need rights the user lacks.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), low ? 10 : 0);
  applied = low;
}

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

// Items handed from a worker thread (pictures, encoded sound) to the writing thread.
template <typename T>
class BoundedQueue {
public:
  explicit BoundedQueue(size_t capacity) : capacity_(capacity) {}
  // False when the queue was closed meanwhile.
  bool Push(T item) {
    std::unique_lock lock(mutex_);
    not_full_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
    if (closed_) return false;
    items_.push_back(std::move(item));
    not_empty_.notify_one();
    return true;
  }
  // False at the end (finished and drained, or closed).
  bool Pop(T& item) {
    std::unique_lock lock(mutex_);
    not_empty_.wait(lock, [&] { return finished_ || closed_ || !items_.empty(); });
    if (closed_ || items_.empty()) return false;
    item = std::move(items_.front());
    items_.pop_front();
    not_full_.notify_one();
    return true;
  }
  // The producer is done; `error` tells why when it failed.
  void Finish(std::string error = {}) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = std::move(error);
    not_empty_.notify_all();
  }
  // Releases both sides at once (stop).
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    not_empty_.notify_all();
    not_full_.notify_all();
  }
  std::string error() const {
    std::lock_guard lock(mutex_);
    return error_;
  }

private:
  mutable std::mutex mutex_;
  std::condition_variable not_full_, not_empty_;
  std::deque<T> items_;
  size_t capacity_;
  bool finished_ = false, closed_ = false;
  std::string error_;
};

using FrameQueue = BoundedQueue<VideoFrame>;
using PacketQueue = BoundedQueue<PacketPtr>;

}  // namespace

// ---------------------------------------------------------------------------------------------
// The state of one conversion, owned by the converter while it runs.

struct Converter::Job {
  Converter& owner;
  ConverterCallback callback;
  double start = 0;
  double end = kNoEnd;
  bool copy = false;

  // Encoder choices, fixed at Start.
  const ContainerFormat* container = nullptr;
  const AVCodec* video_codec = nullptr;
  const AVCodec* audio_codec = nullptr;
  int width = 0, height = 0;
  AVRational frame_rate{25, 1};
  AVPixelFormat pixel_format = AV_PIX_FMT_YUV420P;
  int64_t video_bitrate = 0;
  int sample_rate = 0, channels = 0;
  AVSampleFormat sample_format = AV_SAMPLE_FMT_S16;
  int64_t audio_bitrate = 0;
  int sws_flags = SWS_BICUBIC;

  // The piece being written.
  struct Piece {
    std::string path, temp_path;
    OutputContextPtr mux;
    CodecContextPtr venc;
    AVStream* vst = nullptr;
    AVStream* ast = nullptr;
    double begin = 0;               // seconds of the job where this piece starts
    int64_t audio_base = 0;         // job samples before this piece
    int64_t last_video_pts = std::numeric_limits<int64_t>::min();
  };
  std::unique_ptr<Piece> piece;
  int piece_number = 0;
  double piece_length = 0;          // 0: no split
  double next_piece_begin = 0;

  // Audio conforming.
  SwrContextPtr swr;
  AudioFifoPtr fifo;
  int audio_frame_size = 1024;
  int64_t audio_samples_out = 0;    // samples encoded in the whole job
  int64_t audio_sample_limit = std::numeric_limits<int64_t>::max();
  bool audio_source_ended = false;
  // The sound is encoded on its own thread with one encoder for the whole job (its frames
  // cross split points unharmed); the writing thread takes its packets in time order.
  CodecContextPtr audio_encoder;
  std::unique_ptr<PacketQueue> audio_queue;
  std::thread audio_thread;
  PacketPtr audio_pending;          // taken from the queue, not yet due
  bool audio_done = false;
  double audio_written = 0;         // seconds of sound written

  // Pictures.
  std::unique_ptr<FrameQueue> queue;
  std::thread producer;
  SwsContextPtr sws;

  // Progress.
  Clock::time_point last_progress{};
  Clock::time_point started{};
  double paused_seconds = 0;
  double position = 0;
  FramePtr preview;
  PacketPtr packet = AllocPacket();

  Job(Converter& o, ConverterCallback cb) : owner(o), callback(std::move(cb)) {}

  ~Job() { JoinWorkers(); }

  void JoinWorkers() {
    if (queue) queue->Close();
    if (audio_queue) audio_queue->Close();
    if (producer.joinable()) producer.join();
    if (audio_thread.joinable()) audio_thread.join();
  }

  bool has_video() const { return owner.video_ && video_codec; }
  bool has_audio() const { return owner.audio_ && audio_codec; }
  double total() const {
    if (std::isfinite(end)) return end - start;
    double d = 0;
    if (owner.video_) d = std::max(d, owner.video_->duration());
    if (owner.audio_) d = std::max(d, owner.audio_->duration());
    return std::max(0.0, d - start);
  }

  // --- setup ------------------------------------------------------------------------------

  void Configure(const EncodeParams& p) {
    container = FindContainer(p.container_fourcc);
    if (!container)
      throw MediaError("unknown output container \"" + FourCCToString(p.container_fourcc) + "\"");
    const bool flash = IsFlashContainer(p.container_fourcc);
    if (owner.video_ && !p.no_video && !container->video.empty()) {
      const CodecEntry* entry = p.video_fourcc ? FindVideoCodec(*container, p.video_fourcc) : &container->video.front();
      if (!entry)
        throw MediaError("the container \"" + FourCCToString(p.container_fourcc) + "\" cannot carry the video codec \"" +
                         FourCCToString(p.video_fourcc) + "\"");
      video_codec = FindEncoder(entry->encoder);
      const VideoFormat in = owner.video_->format();
      width = p.width > 0 ? p.width : in.width;
      height = p.height > 0 ? p.height : in.height;
      // 4:2:0 pictures need even sizes.
      width = std::max(2, width & ~1);
      height = std::max(2, height & ~1);
      double fps = p.frame_rate > 0 && std::isfinite(p.frame_rate) ? p.frame_rate : in.frame_rate;
      if (!(fps > 0) || !std::isfinite(fps)) fps = 25;  // never let a rate of 0 through
      frame_rate = NearestSupportedRate(video_codec, RateToRational(std::min(fps, 240.0)));
      pixel_format = video_codec->pix_fmts ? video_codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
      video_bitrate = p.video_bitrate > 0 ? p.video_bitrate : DefaultVideoBitrate(width, height, av_q2d(frame_rate));
      static constexpr int kScalers[] = {SWS_BICUBIC, SWS_BILINEAR, SWS_FAST_BILINEAR, SWS_LANCZOS};
      sws_flags = kScalers[(p.interpolation >= 0 && p.interpolation < 4) ? p.interpolation : 0];
    }
    if (owner.audio_ && !p.no_audio && !container->audio.empty()) {
      const CodecEntry* entry = p.audio_fourcc ? FindAudioCodec(*container, p.audio_fourcc) : &container->audio.front();
      if (!entry)
        throw MediaError("the container \"" + FourCCToString(p.container_fourcc) + "\" cannot carry the audio codec \"" +
                         FourCCToString(p.audio_fourcc) + "\"");
      audio_codec = FindEncoder(entry->encoder);
      const AudioFormat in = owner.audio_->format();
      int rate = p.sample_rate > 0 ? p.sample_rate : (in.sample_rate > 0 ? in.sample_rate : 44100);
      if (flash) rate = SnapFlashSampleRate(rate);
      sample_rate = NearestSupportedSampleRate(audio_codec, rate);
      const int ch = p.channels > 0 ? p.channels : (in.channels > 0 ? in.channels : 2);
      channels = SupportedChannels(audio_codec, std::min(ch, 8));
      sample_format = audio_codec->sample_fmts ? audio_codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
      audio_bitrate = p.audio_bitrate > 0 ? p.audio_bitrate
                                          : DefaultAudioBitrate(entry->fourcc, sample_rate, channels);
    }
    if (!has_video() && !has_audio()) throw MediaError("nothing to convert: no audio or video stream is selected");
  }

  CodecContextPtr OpenVideoEncoder(bool global_header) {
    CodecContextPtr c(avcodec_alloc_context3(video_codec));
    if (!c) throw MediaError("out of memory for an encoder");
    c->width = width;
    c->height = height;
    c->time_base = av_inv_q(frame_rate);
    c->framerate = frame_rate;
    c->pix_fmt = pixel_format;
    c->bit_rate = video_bitrate;
    c->sample_aspect_ratio = {1, 1};
    // A keyframe every two seconds keeps seeking in players quick.
    c->gop_size = std::max(1, static_cast<int>(std::lround(av_q2d(frame_rate) * 2)));
    c->thread_count = 0;
    if (video_codec->id == AV_CODEC_ID_MPEG4 || video_codec->id == AV_CODEC_ID_FLV1 ||
        video_codec->id == AV_CODEC_ID_WMV2 || video_codec->id == AV_CODEC_ID_MPEG2VIDEO) {
      c->rc_max_rate = 0;
      c->qmin = 2;
    }
    if (global_header) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // FLV timestamps cannot go below zero, so B-frames there would shift the whole file.
    if (container->muxer == "flv") c->max_b_frames = 0;
    AVDictionary* opts = nullptr;
    if (video_codec->id == AV_CODEC_ID_H264) av_dict_set(&opts, "preset", "veryfast", 0);
    if (video_codec->id == AV_CODEC_ID_VP8 || video_codec->id == AV_CODEC_ID_VP9) {
      av_dict_set(&opts, "deadline", "realtime", 0);
      av_dict_set(&opts, "cpu-used", "8", 0);
    }
    const int r = avcodec_open2(c.get(), video_codec, &opts);
    av_dict_free(&opts);
    CheckAv(r, Format("cannot open the %s encoder at %dx%d", video_codec->name, width, height));
    return c;
  }

  CodecContextPtr OpenAudioEncoder(bool global_header) {
    CodecContextPtr c(avcodec_alloc_context3(audio_codec));
    if (!c) throw MediaError("out of memory for an encoder");
    c->sample_rate = sample_rate;
    c->sample_fmt = sample_format;
    av_channel_layout_default(&c->ch_layout, channels);
    c->bit_rate = audio_bitrate;
    c->time_base = {1, sample_rate};
    if (global_header) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    CheckAv(avcodec_open2(c.get(), audio_codec, nullptr),
            Format("cannot open the %s encoder at %d Hz, %d channels", audio_codec->name, sample_rate, channels));
    return c;
  }

  void OpenPiece() {
    auto p = std::make_unique<Piece>();
    ++piece_number;
    p->path = piece_length > 0 ? PiecePath(owner.output_, piece_number) : owner.output_;
    p->temp_path = p->path + ".part";
    p->begin = next_piece_begin;
    p->audio_base = std::llround(p->begin * sample_rate);
    AVFormatContext* raw = nullptr;
    CheckAv(avformat_alloc_output_context2(&raw, nullptr, container->muxer.c_str(), p->temp_path.c_str()),
            "cannot create the " + container->muxer + " output");
    p->mux.reset(raw);
    const bool global = p->mux->oformat->flags & AVFMT_GLOBALHEADER;
    if (has_video()) {
      p->venc = OpenVideoEncoder(global);
      p->vst = avformat_new_stream(p->mux.get(), nullptr);
      if (!p->vst) throw MediaError("out of memory for a stream");
      CheckAv(avcodec_parameters_from_context(p->vst->codecpar, p->venc.get()), "video stream parameters");
      // The muxers size their buffers from the encoder's rate-control properties.
      for (int i = 0; i < p->venc->nb_coded_side_data; ++i) {
        const AVPacketSideData& sd = p->venc->coded_side_data[i];
        uint8_t* dst = av_stream_new_side_data(p->vst, sd.type, sd.size);
        if (!dst) throw MediaError("out of memory for stream data");
        memcpy(dst, sd.data, sd.size);
      }
      p->vst->time_base = p->venc->time_base;
      p->vst->avg_frame_rate = frame_rate;
    }
    if (has_audio()) {
      p->ast = avformat_new_stream(p->mux.get(), nullptr);
      if (!p->ast) throw MediaError("out of memory for a stream");
      CheckAv(avcodec_parameters_from_context(p->ast->codecpar, audio_encoder.get()), "audio stream parameters");
      p->ast->time_base = audio_encoder->time_base;
    }
    const int r = avio_open(&p->mux->pb, p->temp_path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) throw JobFailure(EndReason::WriteFailed, "cannot write " + p->path + ": " + AvErrorText(r));
    AVDictionary* opts = nullptr;
    // Seeking players need the keyframe index in onMetaData.
    if (container->muxer == "flv") av_dict_set(&opts, "flvflags", "add_keyframe_index", 0);
    if (container->muxer == "mp4" || container->muxer == "mov" || container->muxer == "ipod" ||
        container->muxer == "f4v" || container->muxer == "3gp")
      av_dict_set(&opts, "movflags", "+faststart", 0);
    const int h = avformat_write_header(p->mux.get(), &opts);
    av_dict_free(&opts);
    if (h < 0) throw JobFailure(EndReason::WriteFailed, "cannot write the header of " + p->path + ": " + AvErrorText(h));
    piece = std::move(p);
    Notify(ConverterMessage::PieceStarted, piece_number);
  }

  void WritePackets(AVCodecContext* enc, AVStream* st) {
    for (;;) {
      const int r = avcodec_receive_packet(enc, packet.get());
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
      if (r < 0) throw JobFailure(EndReason::Failed, "encoding failed: " + AvErrorText(r));
      av_packet_rescale_ts(packet.get(), enc->time_base, st->time_base);
      packet->stream_index = st->index;
      const int w = av_interleaved_write_frame(piece->mux.get(), packet.get());
      if (w < 0) throw JobFailure(EndReason::WriteFailed, "cannot write " + piece->path + ": " + AvErrorText(w));
    }
  }

  void Encode(AVCodecContext* enc, AVStream* st, const AVFrame* frame) {
    const int r = avcodec_send_frame(enc, frame);
    if (r < 0 && r != AVERROR_EOF) throw JobFailure(EndReason::Failed, "encoding failed: " + AvErrorText(r));
    WritePackets(enc, st);
  }

  // Finishes the piece and moves it to its name (keep), or throws it away.
  void ClosePiece(bool keep) {
    if (!piece) return;
    if (keep) {
      if (piece->venc) Encode(piece->venc.get(), piece->vst, nullptr);
      const int t = av_write_trailer(piece->mux.get());
      if (t < 0) throw JobFailure(EndReason::WriteFailed, "cannot finish " + piece->path + ": " + AvErrorText(t));
    }
    const std::string temp = piece->temp_path, path = piece->path;
    piece.reset();  // closes the file
    std::error_code ec;
    if (!keep) {
      std::filesystem::remove(temp, ec);
      return;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) throw JobFailure(EndReason::WriteFailed, "cannot rename the output to " + path + ": " + ec.message());
    {
      std::lock_guard lock(owner.mutex_);
      owner.targets_.push_back(path);
    }
    Notify(ConverterMessage::PieceFinished, piece_number);
  }

  // --- audio ------------------------------------------------------------------------------

  // Reads and converts source samples into the FIFO; false when the source has ended.
  bool FillAudio() {
    if (audio_source_ended) return false;
    AudioFrame f;
    for (;;) {
      if (!owner.audio_->Read(f) || f.time >= end) {
        audio_source_ended = true;
        if (swr) {  // the resampler's delayed samples
          FramePtr out = ConvertAudio(nullptr);
          if (out) PushFifo(out.get());
        }
        return false;
      }
      if (f.time + static_cast<double>(f.frame->nb_samples) / std::max(1, f.frame->sample_rate) <= start) continue;
      if (f.time < start && !TrimAudioFront(f, start)) continue;
      break;
    }
    if (!swr) {
      SwrContext* s = nullptr;
      AVChannelLayout out_layout{};
      av_channel_layout_default(&out_layout, channels);
      CheckAv(swr_alloc_set_opts2(&s, &out_layout, sample_format, sample_rate, &f.frame->ch_layout,
                                  static_cast<AVSampleFormat>(f.frame->format), f.frame->sample_rate, 0, nullptr),
              "audio conversion");
      swr.reset(s);
      CheckAv(swr_init(swr.get()), "audio conversion");
      fifo.reset(av_audio_fifo_alloc(sample_format, channels, 4096));
      if (!fifo) throw MediaError("out of memory for audio");
    }
    FramePtr out = ConvertAudio(f.frame.get());
    if (out) PushFifo(out.get());
    return true;
  }

  FramePtr ConvertAudio(const AVFrame* in) {
    const int in_samples = in ? in->nb_samples : 0;
    const int max_out = swr_get_out_samples(swr.get(), in_samples);
    if (max_out <= 0) return nullptr;
    FramePtr out = AllocFrame();
    out->format = sample_format;
    out->sample_rate = sample_rate;
    av_channel_layout_default(&out->ch_layout, channels);
    out->nb_samples = max_out;
    CheckAv(av_frame_get_buffer(out.get(), 0), "audio buffer");
    const int n = swr_convert(swr.get(), out->extended_data, max_out,
                              in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, in_samples);
    if (n < 0) throw JobFailure(EndReason::Failed, "audio conversion failed: " + AvErrorText(n));
    out->nb_samples = n;
    return n > 0 ? std::move(out) : nullptr;
  }

  void PushFifo(const AVFrame* f) {
    if (av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(f->extended_data), f->nb_samples) < f->nb_samples)
      throw MediaError("out of memory for audio");
  }

  // The sound thread: source samples in, encoded packets (timed in samples of the job) out.
  void StartAudio() {
    const AVOutputFormat* fmt = av_guess_format(container->muxer.c_str(), nullptr, nullptr);
    audio_encoder = OpenAudioEncoder(fmt && (fmt->flags & AVFMT_GLOBALHEADER));
    audio_frame_size = audio_encoder->frame_size > 0 ? audio_encoder->frame_size : 1024;
    audio_thread = std::thread([this] {
      bool low = false;
      try {
        while (EncodeAudioFrame()) {
          if (owner.stop_) return;
          ApplyThreadPriority(owner.low_priority_, low);
          if (owner.paused_) {
            std::unique_lock lock(owner.mutex_);
            owner.cv_.wait(lock, [&] { return !owner.paused_ || owner.stop_; });
          }
        }
        audio_queue->Finish();
      } catch (const std::exception& e) {
        audio_queue->Finish(e.what());
      }
    });
  }

  // Encodes one frame of sound and queues its packets; false at the end (after the flush).
  bool EncodeAudioFrame() {
    while ((!fifo || av_audio_fifo_size(fifo.get()) < audio_frame_size) && FillAudio()) {
    }
    const int available = fifo ? av_audio_fifo_size(fifo.get()) : 0;
    const int n = static_cast<int>(
        std::min<int64_t>(std::min(available, audio_frame_size), audio_sample_limit - audio_samples_out));
    if (n <= 0) {
      SendAudio(nullptr);
      return false;
    }
    // A short last frame is padded with silence for encoders that take whole frames only.
    const bool whole_frames_only =
        !(audio_codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE));
    FramePtr frame = AllocFrame();
    frame->format = sample_format;
    frame->sample_rate = sample_rate;
    av_channel_layout_default(&frame->ch_layout, channels);
    frame->nb_samples = whole_frames_only ? audio_frame_size : n;
    CheckAv(av_frame_get_buffer(frame.get(), 0), "audio buffer");
    av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, channels, sample_format);
    av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->extended_data), n);
    frame->pts = audio_samples_out;
    audio_samples_out += n;
    SendAudio(frame.get());
    return true;
  }

  void SendAudio(const AVFrame* frame) {
    const int r = avcodec_send_frame(audio_encoder.get(), frame);
    if (r < 0 && r != AVERROR_EOF) throw MediaError("audio encoding failed: " + AvErrorText(r));
    for (;;) {
      PacketPtr pk = AllocPacket();
      const int g = avcodec_receive_packet(audio_encoder.get(), pk.get());
      if (g == AVERROR(EAGAIN) || g == AVERROR_EOF) return;
      if (g < 0) throw MediaError("audio encoding failed: " + AvErrorText(g));
      if (!audio_queue->Push(std::move(pk))) return;
    }
  }

  // Writes the encoded sound that starts before `until` seconds of the job.
  void PumpAudio(double until) {
    if (!has_audio()) return;
    for (;;) {
      if (!audio_pending) {
        PacketPtr pk;
        if (audio_done || !audio_queue->Pop(pk)) {
          audio_done = true;
          if (const std::string e = audio_queue->error(); !e.empty()) throw JobFailure(EndReason::Failed, e);
          return;
        }
        audio_pending = std::move(pk);
      }
      AVPacket* pk = audio_pending.get();
      const double t = static_cast<double>(pk->pts) / sample_rate;
      if (t >= until) return;
      pk->pts -= piece->audio_base;
      pk->dts -= piece->audio_base;
      av_packet_rescale_ts(pk, audio_encoder->time_base, piece->ast->time_base);
      pk->stream_index = piece->ast->index;
      audio_written = t + static_cast<double>(pk->duration > 0 ? pk->duration : audio_frame_size) / sample_rate;
      const int w = av_interleaved_write_frame(piece->mux.get(), pk);
      audio_pending.reset();
      if (w < 0) throw JobFailure(EndReason::WriteFailed, "cannot write " + piece->path + ": " + AvErrorText(w));
    }
  }

  double audio_position() const { return audio_written; }

  // --- pictures ---------------------------------------------------------------------------

  void StartProducer() {
    producer = std::thread([this] {
      bool low = false;
      try {
        VideoFrame f;
        while (!owner.stop_) {
          ApplyThreadPriority(owner.low_priority_, low);
          if (!owner.video_->Read(f) || f.time >= end) break;
          // The picture on screen at the start may begin up to half a frame before it.
          if (f.time < start - 0.5 / av_q2d(frame_rate)) continue;
          FramePtr conformed = Conform(f.frame.get());
          if (!queue->Push({std::move(conformed), f.time})) return;
        }
        queue->Finish();
      } catch (const std::exception& e) {
        queue->Finish(e.what());
      }
    });
  }

  // The picture in the encoder's size and pixel format.
  FramePtr Conform(const AVFrame* in) {
    if (in->width == width && in->height == height && in->format == pixel_format) return CloneFrame(in);
    sws.reset(sws_getCachedContext(sws.release(), in->width, in->height, static_cast<AVPixelFormat>(in->format),
                                   width, height, pixel_format, sws_flags, nullptr, nullptr, nullptr));
    if (!sws) throw MediaError(Format("cannot convert pictures of %dx%d", in->width, in->height));
    FramePtr out = AllocFrame();
    out->width = width;
    out->height = height;
    out->format = pixel_format;
    CheckAv(av_frame_get_buffer(out.get(), 0), "picture buffer");
    sws_scale(sws.get(), in->data, in->linesize, 0, in->height, out->data, out->linesize);
    return out;
  }

  void EncodePicture(VideoFrame& f) {
    const double t = f.time - start - piece->begin;
    const int64_t pts = std::llround(t * av_q2d(frame_rate));
    if (pts <= piece->last_video_pts) return;  // two source pictures on one output frame
    piece->last_video_pts = pts;
    AVFrame* frame = f.frame.get();
    frame->pts = pts;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->sample_aspect_ratio = {1, 1};
    Encode(piece->venc.get(), piece->vst, frame);
    if (owner.preview_) preview = std::move(f.frame);
  }

  // --- flow -------------------------------------------------------------------------------

  void Notify(ConverterMessage m, int32_t value) {
    ProgressInfo info = MakeInfo();
    if (!Call(m, value, &info)) throw JobFailure(EndReason::Cancelled, "stopped");
  }

  ProgressInfo MakeInfo() const {
    ProgressInfo info;
    info.total_length = total();
    info.converted_length = position;
    info.piece = piece_number;
    info.preview = owner.preview_ ? preview.get() : nullptr;
    const double work =
        std::chrono::duration<double>(Clock::now() - started).count() - paused_seconds;
    info.speed = work > 0 ? position / work : 0;
    return info;
  }

  bool Call(ConverterMessage m, int32_t value, const ProgressInfo* info) {
    if (!callback) return true;
    try {
      return callback(m, value, info);
    } catch (...) {
      return false;  // a throwing handler ends the job instead of the process
    }
  }

  void Progress(bool force) {
    const auto now = Clock::now();
    if (!force && now - last_progress < std::chrono::milliseconds(100)) return;
    last_progress = now;
    const double tot = total();
    const int32_t hundredths =
        tot > 0 ? static_cast<int32_t>(std::clamp(position / tot, 0.0, 1.0) * 10000) : 0;
    ProgressInfo info = MakeInfo();
    if (!Call(ConverterMessage::Progress, hundredths, &info)) throw JobFailure(EndReason::Cancelled, "stopped");
  }

  // Waits while paused; throws when stopped.
  void Checkpoint() {
    if (owner.stop_) throw JobFailure(EndReason::Cancelled, "stopped");
    if (!owner.paused_) return;
    const auto began = Clock::now();
    std::unique_lock lock(owner.mutex_);
    owner.cv_.wait(lock, [&] { return !owner.paused_ || owner.stop_; });
    paused_seconds += std::chrono::duration<double>(Clock::now() - began).count();
    if (owner.stop_) throw JobFailure(EndReason::Cancelled, "stopped");
  }

  // Closes the piece and opens the next one when `t` has reached the split length.
  void MaybeSplit(double t) {
    while (piece_length > 0 && t >= piece->begin + piece_length) {
      const double boundary = piece->begin + piece_length;
      PumpAudio(boundary);
      ClosePiece(true);
      next_piece_begin = boundary;
      OpenPiece();
    }
  }

  void RunEncode() {
    started = Clock::now();
    if (std::isfinite(end) && has_audio())
      audio_sample_limit = static_cast<int64_t>(std::llround((end - start) * sample_rate));
    if (has_video()) owner.video_->Seek(start);
    if (has_audio()) {
      owner.audio_->Seek(start);
      StartAudio();
    }
    OpenPiece();
    Progress(true);
    bool low = false;
    if (has_video()) {
      StartProducer();
      VideoFrame f;
      for (;;) {
        Checkpoint();
        ApplyThreadPriority(owner.low_priority_, low);
        if (!queue->Pop(f)) break;
        const double t = f.time - start;
        MaybeSplit(t);
        // Sound a little ahead of the picture, but never past the end of the piece.
        PumpAudio(piece_length > 0 ? std::min(t + 0.2, piece->begin + piece_length) : t + 0.2);
        EncodePicture(f);
        position = has_audio() && !audio_done ? std::min(t, audio_position()) : t;
        Progress(false);
      }
      if (const std::string e = queue->error(); !e.empty()) throw JobFailure(EndReason::Failed, e);
    }
    while (has_audio() && !audio_done) {
      Checkpoint();
      ApplyThreadPriority(owner.low_priority_, low);
      const double next = audio_position() + 0.5;
      MaybeSplit(audio_position());
      PumpAudio(piece_length > 0 ? std::min(next, piece->begin + piece_length) : next);
      position = std::max(position, audio_position());
      Progress(false);
    }
    ClosePiece(true);
    position = total();
    Progress(true);
  }

  // --- stream copy ------------------------------------------------------------------------

  void RunCopy() {
    started = Clock::now();
    auto* vdec = dynamic_cast<VideoDecoder*>(owner.video_.get());
    auto* adec = dynamic_cast<AudioDecoder*>(owner.audio_.get());
    if ((owner.video_ && (!vdec || !vdec->copy())) || (owner.audio_ && (!adec || !adec->copy())))
      throw MediaError("stream copy needs decoders opened in copy mode");
    if (owner.params_.no_video) vdec = nullptr;
    if (owner.params_.no_audio) adec = nullptr;
    if (!vdec && !adec) throw MediaError("nothing to copy");

    auto p = std::make_unique<Piece>();
    p->path = owner.output_;
    p->temp_path = p->path + ".part";
    const AVOutputFormat* fmt = av_guess_format(nullptr, p->path.c_str(), nullptr);
    if (!fmt) throw MediaError("cannot tell the output format from the name " + p->path);
    AVFormatContext* raw = nullptr;
    CheckAv(avformat_alloc_output_context2(&raw, fmt, nullptr, p->temp_path.c_str()), "cannot create the output");
    p->mux.reset(raw);
    auto add = [&](const AVStream* in) {
      AVStream* st = avformat_new_stream(p->mux.get(), nullptr);
      if (!st) throw MediaError("out of memory for a stream");
      CheckAv(avcodec_parameters_copy(st->codecpar, in->codecpar), "stream parameters");
      st->codecpar->codec_tag = 0;
      st->time_base = in->time_base;
      return st;
    };
    if (vdec) p->vst = add(vdec->stream());
    if (adec) p->ast = add(adec->stream());
    const int r = avio_open(&p->mux->pb, p->temp_path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) throw JobFailure(EndReason::WriteFailed, "cannot write " + p->path + ": " + AvErrorText(r));
    const int h = avformat_write_header(p->mux.get(), nullptr);
    if (h < 0)
      throw JobFailure(EndReason::WriteFailed, "the output format cannot carry these streams: " + AvErrorText(h));
    piece_number = 1;
    piece = std::move(p);
    Notify(ConverterMessage::PieceStarted, 1);

    // Copy starts at the keyframe at or before the start time.
    if (vdec) vdec->Seek(start);
    if (adec) adec->Seek(start);
    PacketPtr vp = AllocPacket(), ap = AllocPacket();
    bool v_ok = vdec && vdec->ReadPacket(vp.get());
    bool a_ok = adec && adec->ReadPacket(ap.get());
    auto time_of = [](auto* dec, const AVPacket* pk) {
      const double t = dec->ToSeconds(pk->dts != AV_NOPTS_VALUE ? pk->dts : pk->pts);
      return std::isfinite(t) ? t : 0.0;
    };
    double origin = kNoEnd;
    if (v_ok) origin = std::min(origin, time_of(vdec, vp.get()));
    if (a_ok) origin = std::min(origin, time_of(adec, ap.get()));
    bool low = false;
    while (v_ok || a_ok) {
      Checkpoint();
      ApplyThreadPriority(owner.low_priority_, low);
      const bool take_video = v_ok && (!a_ok || time_of(vdec, vp.get()) <= time_of(adec, ap.get()));
      AVPacket* pk = take_video ? vp.get() : ap.get();
      const double t = take_video ? time_of(vdec, pk) : time_of(adec, pk);
      if (t >= end) {
        (take_video ? v_ok : a_ok) = false;
        continue;
      }
      const AVStream* in = take_video ? vdec->stream() : adec->stream();
      AVStream* out = take_video ? piece->vst : piece->ast;
      const int64_t shift = static_cast<int64_t>(std::llround(origin / av_q2d(in->time_base))) +
                            (in->start_time != AV_NOPTS_VALUE ? in->start_time : 0);
      if (pk->pts != AV_NOPTS_VALUE) pk->pts -= shift;
      if (pk->dts != AV_NOPTS_VALUE) pk->dts -= shift;
      av_packet_rescale_ts(pk, in->time_base, out->time_base);
      pk->stream_index = out->index;
      pk->pos = -1;
      const int w = av_interleaved_write_frame(piece->mux.get(), pk);
      if (w < 0) throw JobFailure(EndReason::WriteFailed, "cannot write " + piece->path + ": " + AvErrorText(w));
      position = std::max(position, t - start);
      Progress(false);
      if (take_video) v_ok = vdec->ReadPacket(vp.get());
      else a_ok = adec->ReadPacket(ap.get());
    }
    const int t = av_write_trailer(piece->mux.get());
    if (t < 0) throw JobFailure(EndReason::WriteFailed, "cannot finish " + piece->path + ": " + AvErrorText(t));
    const std::string temp = piece->temp_path, path = piece->path;
    piece.reset();
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) throw JobFailure(EndReason::WriteFailed, "cannot rename the output to " + path + ": " + ec.message());
    {
      std::lock_guard lock(owner.mutex_);
      owner.targets_.push_back(path);
    }
    Notify(ConverterMessage::PieceFinished, 1);
    position = total();
    Progress(true);
  }
};

// ---------------------------------------------------------------------------------------------

Converter::Converter(std::shared_ptr<VideoSource> video, std::shared_ptr<AudioSource> audio)
    : video_(std::move(video)), audio_(std::move(audio)) {
  QuietFfmpegLog();
}

Converter::~Converter() { Stop(); }

void Converter::SetOutputFile(const std::string& path) {
  if (running_) throw MediaError("the output file cannot change while converting");
  output_ = path;
}

void Converter::SetEncodeParams(const EncodeParams& params) {
  if (running_) throw MediaError("the encode parameters cannot change while converting");
  params_ = params;
}

EncodeParams Converter::encode_params() const { return params_; }

void Converter::SetSplit(int mode, int64_t piece_ms) {
  if (running_) throw MediaError("splitting cannot change while converting");
  split_mode_ = mode;
  split_ms_ = piece_ms;
}

void Converter::SetLowPriority(bool low) { low_priority_ = low; }

void Converter::Start(double start, double duration, int /*mode*/, ConverterCallback callback) {
  if (running_) throw MediaError("the converter is already running");
  if (thread_.joinable()) thread_.join();
  if (output_.empty()) throw MediaError("no output file is set");
  if (!video_ && !audio_) throw MediaError("the converter has no source");
  if (!std::isfinite(start) || start < 0) start = 0;

  auto job = std::make_unique<Job>(*this, std::move(callback));
  job->start = start;
  job->end = duration > 0 && std::isfinite(duration) ? start + duration : kNoEnd;
  job->copy = params_.container_fourcc == kFourCCCopy;
  job->queue = std::make_unique<FrameQueue>(8);
  job->audio_queue = std::make_unique<PacketQueue>(64);
  if (!job->copy) {
    job->Configure(params_);
    // The record reports what is really written.
    if (job->has_video()) {
      params_.width = job->width;
      params_.height = job->height;
      params_.frame_rate = av_q2d(job->frame_rate);
      params_.video_bitrate = static_cast<int32_t>(job->video_bitrate);
    }
    if (job->has_audio()) {
      params_.sample_rate = job->sample_rate;
      params_.channels = job->channels;
      params_.audio_bitrate = static_cast<int32_t>(job->audio_bitrate);
    }
    if (split_mode_ == 1 && split_ms_ > 0) job->piece_length = static_cast<double>(split_ms_) / 1000.0;
  }
  {
    std::lock_guard lock(mutex_);
    targets_.clear();
    error_.clear();
  }
  stop_ = false;
  paused_ = false;
  running_ = true;
  job_ = std::move(job);
  thread_ = std::thread([this] { Run(); });
}

void Converter::Run() {
  Job& job = *job_;
  EndReason reason = EndReason::Success;
  std::string error;
  try {
    if (job.copy) job.RunCopy();
    else job.RunEncode();
  } catch (const JobFailure& e) {
    reason = e.reason;
    if (e.reason != EndReason::Cancelled) error = e.what();
  } catch (const std::exception& e) {
    reason = EndReason::Failed;
    error = e.what();
  }
  job.JoinWorkers();
  if (reason != EndReason::Success) {
    // A failed or stopped job leaves no half-written file behind.
    try {
      job.ClosePiece(false);
    } catch (...) {
    }
  }
  {
    std::lock_guard lock(mutex_);
    error_ = error;
  }
  running_ = false;
  job.Call(ConverterMessage::End, static_cast<int32_t>(reason), nullptr);
}

void Converter::Pause() {
  paused_ = true;
}

void Converter::Resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  cv_.notify_all();
}

void Converter::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
  if (job_) {
    job_->queue->Close();
    job_->audio_queue->Close();
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void Converter::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

std::vector<std::string> Converter::TargetFiles() const {
  std::lock_guard lock(mutex_);
  return targets_;
}

std::string Converter::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

}  // namespace fc
