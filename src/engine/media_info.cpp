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

// Fills what every kind of stream has; `kind` and `number` (counting from 1 within the kind)
// make up its display name.
void DescribeStream(TStreamInfo& info, const AVStream* st, const char* kind, size_t number,
                    const std::string& language) {
  info.ID = StreamId(st);
  info.Index = st->index;
  info.Codec = avcodec_get_name(st->codecpar->codec_id);
  info.Name = DisplayName(kind, number, info.Codec, language, Title(st));
}

double FrameRate(const AVStream* st) {
  AVRational r = st->avg_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = st->r_frame_rate;
  if (r.num <= 0 || r.den <= 0) return 0;
  const double fps = av_q2d(r);
  return fps > 0 && fps < 1000 ? fps : 0;
}

void AddStream(const AVFormatContext* fmt, const AVStream* st, double file_duration, TProgramInfo& p) {
  const AVCodecParameters* par = st->codecpar;
  switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
      if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) return;  // cover art is not video
      TVideoStreamInfo v;
      DescribeStream(v, st, "Video", p.Video.size() + 1, Language(st));
      v.BitRate = par->bit_rate;
      v.Duration = StreamDuration(st, file_duration);
      v.Format.Width = par->width;
      v.Format.Height = par->height;
      v.Format.FrameRate = FrameRate(st);
      AVRational sar = av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(fmt),
                                                    const_cast<AVStream*>(st), nullptr);
      if (sar.num <= 0 || sar.den <= 0) sar = {1, 1};
      AVRational dar{};
      av_reduce(&dar.num, &dar.den, int64_t{par->width} * sar.num, int64_t{par->height} * sar.den,
                1 << 20);
      v.Format.AspectX = dar.num;
      v.Format.AspectY = dar.den;
      if (v.BitRate <= 0 && fmt->bit_rate <= 0) v.Format.Flags |= kFormatSizeUnknown;
      p.Video.push_back(std::move(v));
      break;
    }
    case AVMEDIA_TYPE_AUDIO: {
      TAudioStreamInfo a;
      a.Language = Language(st);
      DescribeStream(a, st, "Audio", p.Audio.size() + 1, a.Language);
      a.BitRate = par->bit_rate;
      a.Duration = StreamDuration(st, file_duration);
      a.Format.SampleRate = par->sample_rate;
      a.Format.Channels = par->ch_layout.nb_channels;
      a.Format.BitsPerSample = av_get_bytes_per_sample(static_cast<AVSampleFormat>(par->format)) * 8;
      if (a.BitRate <= 0 && fmt->bit_rate <= 0) a.Format.Flags |= kFormatSizeUnknown;
      p.Audio.push_back(std::move(a));
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE: {
      TSubtitleStreamInfo s;
      s.Language = Language(st);
      DescribeStream(s, st, "Subtitle", p.Subtitles.size() + 1, s.Language);
      const AVCodecDescriptor* d = avcodec_descriptor_get(par->codec_id);
      s.Bitmap = d && (d->props & AV_CODEC_PROP_BITMAP_SUB);
      p.Subtitles.push_back(std::move(s));
      break;
    }
    default:
      break;
  }
}

void FinishProgram(TProgramInfo& p, double file_duration) {
  double d = 0;
  for (const auto& v : p.Video) d = std::max(d, v.Duration);
  for (const auto& a : p.Audio) d = std::max(d, a.Duration);
  p.Duration = d > 0 ? d : file_duration;
  p.Value = static_cast<int32_t>(p.Video.size() + p.Audio.size() + p.Subtitles.size());
}

}  // namespace

TMediaInfo LoadMediaInfo(const std::string& path) {
  TInputContextPtr fmt = OpenInput(path);
  TMediaInfo info;
  info.FileName = path;
  info.FormatName = fmt->iformat->name;
  info.BitRate = fmt->bit_rate;
  if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0)
    info.Duration = static_cast<double>(fmt->duration) / AV_TIME_BASE;

  if (fmt->nb_programs > 0) {
    for (unsigned i = 0; i < fmt->nb_programs; ++i) {
      const AVProgram* prog = fmt->programs[i];
      TProgramInfo p;
      p.ID = prog->id;
      for (unsigned k = 0; k < prog->nb_stream_indexes; ++k)
        AddStream(fmt.get(), fmt->streams[prog->stream_index[k]], info.Duration, p);
      if (p.Video.empty() && p.Audio.empty()) continue;
      FinishProgram(p, info.Duration);
      info.Programs.push_back(std::move(p));
    }
  }
  if (info.Programs.empty()) {
    TProgramInfo p;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) AddStream(fmt.get(), fmt->streams[i], info.Duration, p);
    if (!p.Video.empty() || !p.Audio.empty()) {
      FinishProgram(p, info.Duration);
      info.Programs.push_back(std::move(p));
    }
  }
  if (info.Programs.empty()) throw MediaError(path + " has no audio or video stream");
  if (info.Duration <= 0) info.Duration = info.Programs.front().Duration;
  return info;
}

}  // namespace fc
