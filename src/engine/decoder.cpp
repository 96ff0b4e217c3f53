#include "engine/decoder.h"

#include <cmath>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include "core/text.h"

namespace fc {
namespace detail {
namespace {

// The stream of `type` to decode: the one with the given id when asked (audio tracks), else
// FFmpeg's best choice within the program, else the best in the file.
int PickStream(AVFormatContext* fmt, AVMediaType type, const TDecodeOptions& options) {
  if (type == AVMEDIA_TYPE_AUDIO && options.AudioTrackID != 0) {
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
      const AVStream* st = fmt->streams[i];
      const int id = st->id != 0 ? st->id : st->index + 1;
      if (st->codecpar->codec_type == type && id == options.AudioTrackID) return static_cast<int>(i);
    }
  }
  if (options.ProgramID != 0) {
    for (unsigned p = 0; p < fmt->nb_programs; ++p) {
      const AVProgram* prog = fmt->programs[p];
      if (prog->id != options.ProgramID) continue;
      for (unsigned k = 0; k < prog->nb_stream_indexes; ++k) {
        const AVStream* st = fmt->streams[prog->stream_index[k]];
        if (st->codecpar->codec_type == type && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
          return static_cast<int>(st->index);
      }
    }
  }
  return av_find_best_stream(fmt, type, -1, -1, nullptr, 0);
}

// The next decoded frame of the reader's stream, feeding it packets as the codec asks; null at
// the end of the stream. A damaged packet is skipped: the picture or sound recovers at the next
// good one.
TFramePtr ReceiveFrame(TStreamReader& reader, AVPacket* packet, bool& draining, const char* what) {
  AVCodecContext* ctx = reader.Codec();
  for (;;) {
    TFramePtr frame = AllocFrame();
    const int r = avcodec_receive_frame(ctx, frame.get());
    if (r == 0) return frame;
    if (r == AVERROR_EOF) return nullptr;
    if (r != AVERROR(EAGAIN)) CheckAv(r, what);
    if (draining) return nullptr;
    if (!reader.ReadPacket(packet)) {
      draining = true;
      avcodec_send_packet(ctx, nullptr);
      continue;
    }
    const int s = avcodec_send_packet(ctx, packet);
    if (s < 0 && s != AVERROR(EAGAIN) && s != AVERROR_INVALIDDATA) CheckAv(s, what);
  }
}

}  // namespace

TStreamReader::TStreamReader(TInputContextPtr input, const std::string& path, AVMediaType type,
                           const TDecodeOptions& options)
    : path_(path), input_(std::move(input)) {
  const int index = PickStream(input_.get(), type, options);
  if (index < 0)
    throw MediaError(Format("%s has no %s stream", path.c_str(), av_get_media_type_string(type)));
  for (unsigned i = 0; i < input_->nb_streams; ++i)
    input_->streams[i]->discard = static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  stream_ = input_->streams[index];
  start_ts_ = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
  duration_ = TimestampSeconds(stream_->duration, stream_->time_base);
  if (!std::isfinite(duration_) || duration_ <= 0)
    duration_ = input_->duration > 0 ? static_cast<double>(input_->duration) / AV_TIME_BASE : 0;
}

double TStreamReader::ToSeconds(int64_t ts) const {
  if (ts == AV_NOPTS_VALUE) return NAN;
  return static_cast<double>(ts - start_ts_) * av_q2d(stream_->time_base);
}

bool TStreamReader::ReadPacket(AVPacket* packet) {
  for (;;) {
    av_packet_unref(packet);
    const int r = av_read_frame(input_.get(), packet);
    if (r == AVERROR_EOF) return false;
    CheckAv(r, "cannot read " + path_);
    if (packet->stream_index == stream_->index) return true;
  }
}

void TStreamReader::SeekBefore(double seconds) {
  const int64_t ts = start_ts_ + static_cast<int64_t>(std::floor(std::max(0.0, seconds) / av_q2d(stream_->time_base)));
  int r = avformat_seek_file(input_.get(), stream_->index, INT64_MIN, ts, ts, 0);
  if (r < 0) r = av_seek_frame(input_.get(), stream_->index, ts, AVSEEK_FLAG_BACKWARD);
  if (r < 0) r = av_seek_frame(input_.get(), stream_->index, ts, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
  CheckAv(r, Format("cannot seek %s to %.3f s", path_.c_str(), seconds));
  if (codec_) avcodec_flush_buffers(codec_.get());
}

void TStreamReader::OpenCodec() {
  const AVCodec* dec = avcodec_find_decoder(stream_->codecpar->codec_id);
  if (!dec)
    throw MediaError(Format("%s: no decoder for %s", path_.c_str(), avcodec_get_name(stream_->codecpar->codec_id)));
  codec_.reset(avcodec_alloc_context3(dec));
  if (!codec_) throw MediaError("out of memory for a decoder");
  CheckAv(avcodec_parameters_to_context(codec_.get(), stream_->codecpar), "decoder parameters of " + path_);
  codec_->pkt_timebase = stream_->time_base;
  // Decoding on every core is what keeps the pipeline fed.
  codec_->thread_count = 0;
  codec_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  CheckAv(avcodec_open2(codec_.get(), dec, nullptr), Format("cannot open the %s decoder", dec->name));
}

template <class TFrameRecord, class TTimeOf, class TReaches>
bool TStreamReader::ReadFrame(TFrameRecord& out, const char* what, TTimeOf&& time_of, TReaches&& reaches) {
  // Only copy mode leaves the stream without a decoder.
  if (!codec_) throw MediaError("a decoder in copy mode delivers packets, not frames");
  while (!ended_) {
    TFramePtr frame = ReceiveFrame(*this, packet_.get(), draining_, what);
    if (!frame) {
      ended_ = true;
      break;
    }
    out.Time = time_of(*frame);
    out.Frame = std::move(frame);
    if (seek_target_ >= 0) {
      if (!reaches(out, seek_target_)) continue;
      seek_target_ = -1;
    }
    return true;
  }
  return false;
}

void TStreamReader::Seek(double seconds) {
  SeekBefore(seconds);
  draining_ = false;
  ended_ = false;
  seek_target_ = std::max(0.0, seconds);
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------

TVideoDecoder::TVideoDecoder(const std::string& path, const TDecodeOptions& options)
    : TVideoDecoder([path] { return OpenInput(path); }, path, options) {}

TVideoDecoder::TVideoDecoder(const TInputOpener& open, const std::string& name, const TDecodeOptions& options)
    : open_(open), reader_(open_(), name, AVMEDIA_TYPE_VIDEO, options), copy_(options.Copy) {
  const AVStream* st = reader_.Stream();
  format_.Width = st->codecpar->width;
  format_.Height = st->codecpar->height;
  AVRational r = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? st->avg_frame_rate : st->r_frame_rate;
  format_.FrameRate = r.num > 0 && r.den > 0 ? av_q2d(r) : 0;
  AVRational sar = av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(reader_.Input()),
                                                const_cast<AVStream*>(st), nullptr);
  if (sar.num <= 0 || sar.den <= 0) sar = {1, 1};
  av_reduce(&format_.AspectX, &format_.AspectY, int64_t{format_.Width} * sar.num,
            int64_t{format_.Height} * sar.den, 1 << 20);
  if (!copy_) reader_.OpenCodec();
}

int TVideoDecoder::SubtitleOrdinal(int32_t id) const {
  int ordinal = 0;
  const AVFormatContext* fmt = reader_.Input();
  for (unsigned i = 0; i < fmt->nb_streams; ++i) {
    const AVStream* st = fmt->streams[i];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    if ((st->id != 0 ? st->id : st->index + 1) == id) return ordinal;
    ++ordinal;
  }
  return -1;
}

bool TVideoDecoder::SubtitleIsBitmap(int32_t id) const {
  const AVFormatContext* fmt = reader_.Input();
  for (unsigned i = 0; i < fmt->nb_streams; ++i) {
    const AVStream* st = fmt->streams[i];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE || (st->id != 0 ? st->id : st->index + 1) != id) continue;
    const AVCodecDescriptor* d = avcodec_descriptor_get(st->codecpar->codec_id);
    return d && (d->props & AV_CODEC_PROP_BITMAP_SUB);
  }
  return false;
}

bool TVideoDecoder::Read(TVideoFrame& out) {
  auto time_of = [this](const AVFrame& frame) {
    double t = reader_.ToSeconds(frame.best_effort_timestamp);
    if (!std::isfinite(t)) t = reader_.ToSeconds(frame.pts);
    return std::isfinite(t) ? t : 0;
  };
  auto reaches = [this](const TVideoFrame& frame, double target) {
    // Keep the frame that is on screen at the target: the last one starting at or before it.
    const double half = format_.FrameRate > 0 ? 0.5 / format_.FrameRate : 0.001;
    return frame.Time + half >= target;
  };
  return reader_.ReadFrame(out, "cannot decode video", time_of, reaches);
}

void TVideoDecoder::Seek(double seconds) { reader_.Seek(seconds); }

// ---------------------------------------------------------------------------------------------

TAudioDecoder::TAudioDecoder(const std::string& path, const TDecodeOptions& options)
    : TAudioDecoder([&path] { return OpenInput(path); }, path, options) {}

TAudioDecoder::TAudioDecoder(const TInputOpener& open, const std::string& name, const TDecodeOptions& options)
    : reader_(open(), name, AVMEDIA_TYPE_AUDIO, options), copy_(options.Copy) {
  const AVCodecParameters* par = reader_.Stream()->codecpar;
  format_.SampleRate = par->sample_rate;
  format_.Channels = par->ch_layout.nb_channels;
  format_.BitsPerSample = av_get_bytes_per_sample(static_cast<AVSampleFormat>(par->format)) * 8;
  if (!copy_) reader_.OpenCodec();
}

bool TAudioDecoder::Read(TAudioFrame& out) {
  auto time_of = [this](const AVFrame& frame) {
    double t = reader_.ToSeconds(frame.best_effort_timestamp);
    if (!std::isfinite(t)) t = next_time_;
    next_time_ = t + static_cast<double>(frame.nb_samples) / std::max(1, frame.sample_rate);
    return t;
  };
  auto reaches = [](TAudioFrame& frame, double target) { return TrimAudioFront(frame, target); };
  return reader_.ReadFrame(out, "cannot decode audio", time_of, reaches);
}

void TAudioDecoder::Seek(double seconds) {
  reader_.Seek(seconds);
  next_time_ = std::max(0.0, seconds);
}

bool TrimAudioFront(TAudioFrame& f, double seconds) {
  AVFrame* src = f.Frame.get();
  const int rate = std::max(1, src->sample_rate);
  const double skip_samples = std::round((seconds - f.Time) * rate);
  if (skip_samples <= 0) return true;
  if (skip_samples >= src->nb_samples) return false;
  const int skip = static_cast<int>(skip_samples);
  TFramePtr cut = AllocFrame();
  cut->format = src->format;
  cut->sample_rate = src->sample_rate;
  CheckAv(av_channel_layout_copy(&cut->ch_layout, &src->ch_layout), "audio layout");
  cut->nb_samples = src->nb_samples - skip;
  CheckAv(av_frame_get_buffer(cut.get(), 0), "audio buffer");
  CheckAv(av_samples_copy(cut->extended_data, src->extended_data, 0, skip, cut->nb_samples,
                          src->ch_layout.nb_channels, static_cast<AVSampleFormat>(src->format)),
          "audio copy");
  f.Frame = std::move(cut);
  f.Time += static_cast<double>(skip) / rate;
  return true;
}

}  // namespace fc
