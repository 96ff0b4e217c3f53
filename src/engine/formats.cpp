#include "engine/formats.h"

#include <algorithm>
#include <cmath>

namespace fc {
namespace {

// `is_default` 1 marks the container's default codec of its kind.
TCodecEntry Codec(const char* code, const char* name, const char* encoder, uint16_t is_default = 0) {
  return {MakeFourCC(code), is_default, name, encoder};
}

std::vector<TContainerFormat> BuildFormats() {
  const TCodecEntry flv1 = Codec("FLV1", "Sorenson H.263", "flv", 1);
  const TCodecEntry h264 = Codec("H264", "H.264", "libx264", 1);
  const TCodecEntry xvid = Codec("XVID", "Xvid", "mpeg4", 1);
  const TCodecEntry mp3 = Codec("MP3 ", "MP3", "libmp3lame", 1);
  const TCodecEntry aac = Codec("AAC ", "AAC", "aac", 1);
  const TCodecEntry pcm = Codec("PCM ", "PCM 16-bit", "pcm_s16le", 1);
  const TCodecEntry vorbis = Codec("VORB", "Vorbis", "libvorbis", 1);
  const TCodecEntry opus = Codec("OPUS", "Opus", "libopus", 1);
  auto not_default = [](TCodecEntry c) { c.Value = 0; return c; };
  return {
      {MakeFourCC("flv "), "Flash Video (FLV)", ".flv", "flv", {flv1, not_default(h264)}, {mp3, not_default(aac)}},
      {MakeFourCC("avm2"), "Flash movie with embedded video (SWF)", ".swf", "swf", {flv1}, {mp3}},
      {MakeFourCC("F4V "), "Flash Video (F4V)", ".f4v", "f4v", {h264}, {aac}},
      {MakeFourCC("mp4 "), "MPEG-4 (MP4)", ".mp4", "mp4", {h264, not_default(xvid)}, {aac, not_default(mp3)}},
      {MakeFourCC("webm"), "WebM", ".webm", "webm",
       {Codec("VP80", "VP8", "libvpx", 1), Codec("VP90", "VP9", "libvpx-vp9")}, {vorbis, not_default(opus)}},
      {MakeFourCC("avi "), "AVI", ".avi", "avi", {xvid}, {mp3, not_default(pcm)}},
      {MakeFourCC("mov "), "QuickTime (MOV)", ".mov", "mov", {h264, not_default(xvid)}, {aac, not_default(pcm)}},
      {MakeFourCC("mpg "), "MPEG-2 program stream", ".mpg", "vob",
       {Codec("MPG2", "MPEG-2", "mpeg2video", 1)}, {Codec("MP2 ", "MPEG audio layer 2", "mp2", 1)}},
      {MakeFourCC("3gp "), "3GPP", ".3gp", "3gp", {xvid, not_default(h264)}, {aac}},
      {MakeFourCC("wmv "), "Windows Media Video", ".wmv", "asf",
       {Codec("WMV2", "Windows Media Video 8", "wmv2", 1)}, {Codec("WMA2", "Windows Media Audio 2", "wmav2", 1)}},
      {MakeFourCC("mp3 "), "MP3 audio", ".mp3", "mp3", {}, {mp3}},
      {MakeFourCC("wav "), "WAV audio", ".wav", "wav", {}, {pcm}},
      {MakeFourCC("m4a "), "AAC audio (M4A)", ".m4a", "ipod", {}, {aac}},
      {MakeFourCC("aac "), "AAC audio (ADTS)", ".aac", "adts", {}, {aac}},
      {MakeFourCC("ogg "), "Ogg audio", ".ogg", "ogg", {}, {vorbis, not_default(opus)}},
  };
}

const TCodecEntry* FindIn(const std::vector<TCodecEntry>& list, TFourCC codec) {
  for (const auto& c : list)
    if (c.FourCC == codec) return &c;
  return nullptr;
}

}  // namespace

const std::vector<TContainerFormat>& SupportedFormats() {
  static const std::vector<TContainerFormat> formats = BuildFormats();
  return formats;
}

const TContainerFormat* FindContainer(TFourCC container) {
  for (const auto& f : SupportedFormats())
    if (f.FourCC == container) return &f;
  return nullptr;
}

const TCodecEntry* FindVideoCodec(const TContainerFormat& container, TFourCC codec) {
  return FindIn(container.Video, codec);
}

const TCodecEntry* FindAudioCodec(const TContainerFormat& container, TFourCC codec) {
  return FindIn(container.Audio, codec);
}

int SnapFlashSampleRate(int rate) {
  static constexpr int kRates[] = {44100, 22050, 11025};
  int best = kRates[0];
  for (const int r : kRates)
    if (std::abs(r - rate) < std::abs(best - rate)) best = r;
  return best;
}

int64_t DefaultVideoBitrate(int width, int height, double frame_rate) {
  if (width <= 0 || height <= 0) width = 320, height = 240;
  if (!(frame_rate > 0) || !std::isfinite(frame_rate)) frame_rate = 25;
  const double bits = 0.12 * width * height * std::min(frame_rate, 60.0);
  return std::clamp<int64_t>(static_cast<int64_t>(bits), 100'000, 20'000'000);
}

int64_t DefaultAudioBitrate(TFourCC audio_codec, int sample_rate, int channels) {
  if (sample_rate <= 0) sample_rate = 44100;
  if (channels <= 0) channels = 2;
  if (audio_codec == MakeFourCC("PCM ")) return int64_t{sample_rate} * channels * 16;
  return channels == 1 ? 64'000 : 128'000;
}

uint64_t EstimateDiskSpace(const TEncodeParams& p, bool no_video, bool no_audio, double duration) {
  if (!(duration > 0) || !std::isfinite(duration)) return 0;
  const TContainerFormat* c = FindContainer(p.ContainerFourCC);
  const bool has_video = !no_video && !p.NoVideo && (c == nullptr || !c->Video.empty());
  const bool has_audio = !no_audio && !p.NoAudio;
  double bits_per_second = 0;
  if (has_video)
    bits_per_second += p.VideoBitrate > 0 ? p.VideoBitrate
                                         : static_cast<double>(DefaultVideoBitrate(p.Width, p.Height, p.FrameRate));
  if (has_audio)
    bits_per_second += p.AudioBitrate > 0 && p.AudioFourCC != MakeFourCC("PCM ")
                         ? p.AudioBitrate
                         : static_cast<double>(DefaultAudioBitrate(p.AudioFourCC, p.SampleRate, p.Channels));
  // Container overhead: a few percent of headers, indexes and per-packet framing.
  const double bytes = bits_per_second / 8 * duration * 1.03 + 4096;
  return static_cast<uint64_t>(std::min(bytes, 1.8e19));
}

}  // namespace fc
