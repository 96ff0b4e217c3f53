#include "engine/media_info.h"

#include <cmath>

#include "core/text.h"
#include "engine/av_util.h"

extern "C" {
#include <libavutil/dict.h>
}

namespace fc {
namespace {

std::string Language(const AVStream* st) {
  const AVDictionaryEntry* e = av_dict_get(st->metadata, "language", nullptr, 0);
  return e ? e->value : "";
}

std::string Title(const AVStream* st) {
  const AVDictionaryEntry* e = av_dict_get(st->metadata, "title", nullptr, 0);
  return e ? e->value : "";
}

int32_t StreamId(const AVStream* st) { return st->id != 0 ? st->id : st->index + 1; }

double StreamDuration(const AVStream* st, double file_duration) {
  const double d = TimestampSeconds(st->duration, st->time_base);
  return std::isfinite(d) && d > 0 ? d : file_duration;
}

// "Audio 2 (ac3, eng, Director's comment)"
std::string DisplayName(const char* kind, size_t number, const std::string& codec,
                        const std::string& language, const std::string& title) {
  std::string details = codec;
  if (!language.empty()) details += ", " + language;
  if (!title.empty()) details += ", " + title;
  return Format("%s %zu (%s)", kind, number, details.c_str());
}

double FrameRate(const AVStream* st) {
  AVRational r = st->avg_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = st->r_frame_rate;
  if (r.num <= 0 || r.den <= 0) return 0;
  const double fps = av_q2d(r);
  return fps > 0 && fps < 1000 ? fps : 0;
}

void AddStream(const AVFormatContext* fmt, const AVStream* st, double file_duration, ProgramInfo& p) {
  const AVCodecParameters* par = st->codecpar;
  const char* codec = avcodec_get_name(par->codec_id);
  switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
      if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) return;  // cover art is not video
      VideoStreamInfo v;
      v.id = StreamId(st);
      v.index = st->index;
      v.codec = codec;
      v.name = DisplayName("Video", p.video.size() + 1, v.codec, Language(st), Title(st));
      v.bit_rate = par->bit_rate;
      v.duration = StreamDuration(st, file_duration);
      v.format.width = par->width;
      v.format.height = par->height;
      v.format.frame_rate = FrameRate(st);
      AVRational sar = av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(fmt),
                                                    const_cast<AVStream*>(st), nullptr);
      if (sar.num <= 0 || sar.den <= 0) sar = {1, 1};
      AVRational dar{};
      av_reduce(&dar.num, &dar.den, int64_t{par->width} * sar.num, int64_t{par->height} * sar.den,
                1 << 20);
      v.format.aspect_x = dar.num;
      v.format.aspect_y = dar.den;
      if (v.bit_rate <= 0 && fmt->bit_rate <= 0) v.format.flags |= kFormatSizeUnknown;
      p.video.push_back(std::move(v));
      break;
    }
    case AVMEDIA_TYPE_AUDIO: {
      AudioStreamInfo a;
      a.id = StreamId(st);
      a.index = st->index;
      a.codec = codec;
      a.language = Language(st);
      a.name = DisplayName("Audio", p.audio.size() + 1, a.codec, a.language, Title(st));
      a.bit_rate = par->bit_rate;
      a.duration = StreamDuration(st, file_duration);
      a.format.sample_rate = par->sample_rate;
      a.format.channels = par->ch_layout.nb_channels;
      a.format.bits_per_sample = av_get_bytes_per_sample(static_cast<AVSampleFormat>(par->format)) * 8;
      if (a.bit_rate <= 0 && fmt->bit_rate <= 0) a.format.flags |= kFormatSizeUnknown;
      p.audio.push_back(std::move(a));
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE: {
      SubtitleStreamInfo s;
      s.id = StreamId(st);
      s.index = st->index;
      s.codec = codec;
      s.language = Language(st);
      s.name = DisplayName("Subtitle", p.subtitles.size() + 1, s.codec, s.language, Title(st));
      const AVCodecDescriptor* d = avcodec_descriptor_get(par->codec_id);
      s.bitmap = d && (d->props & AV_CODEC_PROP_BITMAP_SUB);
      p.subtitles.push_back(std::move(s));
      break;
    }
    default:
      break;
  }
}

void FinishProgram(ProgramInfo& p, double file_duration) {
  double d = 0;
  for (const auto& v : p.video) d = std::max(d, v.duration);
  for (const auto& a : p.audio) d = std::max(d, a.duration);
  p.duration = d > 0 ? d : file_duration;
  p.value = static_cast<int32_t>(p.video.size() + p.audio.size() + p.subtitles.size());
}

}  // namespace

MediaInfo LoadMediaInfo(const std::string& path) {
  InputContextPtr fmt = OpenInput(path);
  MediaInfo info;
  info.file_name = path;
  info.format_name = fmt->iformat->name;
  info.bit_rate = fmt->bit_rate;
  if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0)
    info.duration = static_cast<double>(fmt->duration) / AV_TIME_BASE;

  if (fmt->nb_programs > 0) {
    for (unsigned i = 0; i < fmt->nb_programs; ++i) {
      const AVProgram* prog = fmt->programs[i];
      ProgramInfo p;
      p.id = prog->id;
      for (unsigned k = 0; k < prog->nb_stream_indexes; ++k)
        AddStream(fmt.get(), fmt->streams[prog->stream_index[k]], info.duration, p);
      if (p.video.empty() && p.audio.empty()) continue;
      FinishProgram(p, info.duration);
      info.programs.push_back(std::move(p));
    }
  }
  if (info.programs.empty()) {
    ProgramInfo p;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) AddStream(fmt.get(), fmt->streams[i], info.duration, p);
    if (!p.video.empty() || !p.audio.empty()) {
      FinishProgram(p, info.duration);
      info.programs.push_back(std::move(p));
    }
  }
  if (info.programs.empty()) throw MediaError(path + " has no audio or video stream");
  if (info.duration <= 0) info.duration = info.programs.front().duration;
  return info;
}

}  // namespace fc
