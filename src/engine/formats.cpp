#include "engine/formats.h"

#include <algorithm>
#include <cmath>

namespace fc {
namespace {

// `isDefault` 1 marks the container's default codec of its kind.
CodecEntry Codec(const char* code, const char* name, const char* encoder, uint16_t isDefault = 0) {
  return {MakeFourCC(code), isDefault, name, encoder};
}

std::vector<ContainerFormat> BuildFormats() {
  const CodecEntry flv1 = Codec("FLV1", "Sorenson H.263", "flv", 1);
  const CodecEntry h264 = Codec("H264", "H.264", "libx264", 1);
  const CodecEntry xvid = Codec("XVID", "Xvid", "mpeg4", 1);
  const CodecEntry mp3 = Codec("MP3 ", "MP3", "libmp3lame", 1);
  const CodecEntry aac = Codec("AAC ", "AAC", "aac", 1);
  const CodecEntry pcm = Codec("PCM ", "PCM 16-bit", "pcm_s16le", 1);
  const CodecEntry vorbis = Codec("VORB", "Vorbis", "libvorbis", 1);
  const CodecEntry opus = Codec("OPUS", "Opus", "libopus", 1);
  auto notDefault = [](CodecEntry c) { c.value = 0; return c; };
  return {
      {MakeFourCC("flv "), "Flash Video (FLV)", ".flv", "flv", {flv1, notDefault(h264)}, {mp3, notDefault(aac)}},
      {MakeFourCC("avm2"), "Flash movie with embedded video (SWF)", ".swf", "swf", {flv1}, {mp3}},
      {MakeFourCC("F4V "), "Flash Video (F4V)", ".f4v", "f4v", {h264}, {aac}},
      {MakeFourCC("mp4 "), "MPEG-4 (MP4)", ".mp4", "mp4", {h264, notDefault(xvid)}, {aac, notDefault(mp3)}},
      {MakeFourCC("webm"), "WebM", ".webm", "webm",
       {Codec("VP80", "VP8", "libvpx", 1), Codec("VP90", "VP9", "libvpx-vp9")}, {vorbis, notDefault(opus)}},
      {MakeFourCC("avi "), "AVI", ".avi", "avi", {xvid}, {mp3, notDefault(pcm)}},
      {MakeFourCC("mov "), "QuickTime (MOV)", ".mov", "mov", {h264, notDefault(xvid)}, {aac, notDefault(pcm)}},
      {MakeFourCC("mpg "), "MPEG-2 program stream", ".mpg", "vob",
       {Codec("MPG2", "MPEG-2", "mpeg2video", 1)}, {Codec("MP2 ", "MPEG audio layer 2", "mp2", 1)}},
      {MakeFourCC("3gp "), "3GPP", ".3gp", "3gp", {xvid, notDefault(h264)}, {aac}},
      {MakeFourCC("wmv "), "Windows Media Video", ".wmv", "asf",
       {Codec("WMV2", "Windows Media Video 8", "wmv2", 1)}, {Codec("WMA2", "Windows Media Audio 2", "wmav2", 1)}},
      {MakeFourCC("mp3 "), "MP3 audio", ".mp3", "mp3", {}, {mp3}},
      {MakeFourCC("wav "), "WAV audio", ".wav", "wav", {}, {pcm}},
      {MakeFourCC("m4a "), "AAC audio (M4A)", ".m4a", "ipod", {}, {aac}},
      {MakeFourCC("aac "), "AAC audio (ADTS)", ".aac", "adts", {}, {aac}},
      {MakeFourCC("ogg "), "Ogg audio", ".ogg", "ogg", {}, {vorbis, notDefault(opus)}},
  };
}

const CodecEntry* FindIn(const std::vector<CodecEntry>& list, FourCC codec) {
  for (const auto& c : list)
    if (c.fourcc == codec) return &c;
  return nullptr;
}

}  // namespace

const std::vector<ContainerFormat>& SupportedFormats() {
  static const std::vector<ContainerFormat> formats = BuildFormats();
  return formats;
}

const ContainerFormat* FindContainer(FourCC container) {
  for (const auto& f : SupportedFormats())
    if (f.fourcc == container) return &f;
  return nullptr;
}

const CodecEntry* FindVideoCodec(const ContainerFormat& container, FourCC codec) {
  return FindIn(container.video, codec);
}

const CodecEntry* FindAudioCodec(const ContainerFormat& container, FourCC codec) {
  return FindIn(container.audio, codec);
}

int SnapFlashSampleRate(int rate) {
  static constexpr int kRates[] = {44100, 22050, 11025};
  int best = kRates[0];
  for (const int r : kRates)
    if (std::abs(r - rate) < std::abs(best - rate)) best = r;
  return best;
}

int64_t DefaultVideoBitrate(int width, int height, double frameRate) {
  if (width <= 0 || height <= 0) width = 320, height = 240;
  if (!(frameRate > 0) || !std::isfinite(frameRate)) frameRate = 25;
  const double bits = 0.12 * width * height * std::min(frameRate, 60.0);
  return std::clamp<int64_t>(static_cast<int64_t>(bits), 100'000, 20'000'000);
}

int64_t DefaultAudioBitrate(FourCC audioCodec, int sampleRate, int channels) {
  if (sampleRate <= 0) sampleRate = 44100;
  if (channels <= 0) channels = 2;
  if (audioCodec == MakeFourCC("PCM ")) return int64_t{sampleRate} * channels * 16;
  return channels == 1 ? 64'000 : 128'000;
}

uint64_t EstimateDiskSpace(const EncodeParams& p, bool noVideo, bool noAudio, double duration) {
  if (!(duration > 0) || !std::isfinite(duration)) return 0;
  const ContainerFormat* c = FindContainer(p.container_fourcc);
  const bool hasVideo = !noVideo && !p.no_video && (c == nullptr || !c->video.empty());
  const bool hasAudio = !noAudio && !p.no_audio;
  double bitsPerSecond = 0;
  if (hasVideo)
    bitsPerSecond += p.video_bitrate > 0 ? p.video_bitrate
                                         : static_cast<double>(DefaultVideoBitrate(p.width, p.height, p.frame_rate));
  if (hasAudio)
    bitsPerSecond += p.audio_bitrate > 0 && p.audio_fourcc != MakeFourCC("PCM ")
                         ? p.audio_bitrate
                         : static_cast<double>(DefaultAudioBitrate(p.audio_fourcc, p.sample_rate, p.channels));
  // Container overhead: a few percent of headers, indexes and per-packet framing.
  const double bytes = bitsPerSecond / 8 * duration * 1.03 + 4096;
  return static_cast<uint64_t>(std::min(bytes, 1.8e19));
}

}  // namespace fc
