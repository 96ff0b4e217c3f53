#include "engine/formats.h"

#include <algorithm>
#include <cmath>

namespace fc {
namespace {

CodecEntry V(const char* code, const char* name, const char* encoder, uint16_t def = 0) {
  return {MakeFourCC(code), def, name, encoder};
}
CodecEntry A(const char* code, const char* name, const char* encoder, uint16_t def = 0) {
  return {MakeFourCC(code), def, name, encoder};
}

std::vector<ContainerFormat> BuildFormats() {
  const CodecEntry flv1 = V("FLV1", "Sorenson H.263", "flv", 1);
  const CodecEntry h264 = V("H264", "H.264", "libx264", 1);
  const CodecEntry xvid = V("XVID", "Xvid", "mpeg4", 1);
  const CodecEntry mp3 = A("MP3 ", "MP3", "libmp3lame", 1);
  const CodecEntry aac = A("AAC ", "AAC", "aac", 1);
  const CodecEntry pcm = A("PCM ", "PCM 16-bit", "pcm_s16le", 1);
  const CodecEntry vorbis = A("VORB", "Vorbis", "libvorbis", 1);
  const CodecEntry opus = A("OPUS", "Opus", "libopus", 1);
  auto nodef = [](CodecEntry c) { c.value = 0; return c; };
  return {
      {MakeFourCC("flv "), "Flash Video (FLV)", ".flv", "flv", {flv1, nodef(h264)}, {mp3, nodef(aac)}},
      {MakeFourCC("avm2"), "Flash movie with embedded video (SWF)", ".swf", "swf", {flv1}, {mp3}},
      {MakeFourCC("F4V "), "Flash Video (F4V)", ".f4v", "f4v", {h264}, {aac}},
      {MakeFourCC("mp4 "), "MPEG-4 (MP4)", ".mp4", "mp4", {h264, nodef(xvid)}, {aac, nodef(mp3)}},
      {MakeFourCC("webm"), "WebM", ".webm", "webm",
       {V("VP80", "VP8", "libvpx", 1), V("VP90", "VP9", "libvpx-vp9")}, {vorbis, nodef(opus)}},
      {MakeFourCC("avi "), "AVI", ".avi", "avi", {xvid}, {mp3, nodef(pcm)}},
      {MakeFourCC("mov "), "QuickTime (MOV)", ".mov", "mov", {h264, nodef(xvid)}, {aac, nodef(pcm)}},
      {MakeFourCC("mpg "), "MPEG-2 program stream", ".mpg", "vob",
       {V("MPG2", "MPEG-2", "mpeg2video", 1)}, {A("MP2 ", "MPEG audio layer 2", "mp2", 1)}},
      {MakeFourCC("3gp "), "3GPP", ".3gp", "3gp", {xvid, nodef(h264)}, {aac}},
      {MakeFourCC("wmv "), "Windows Media Video", ".wmv", "asf",
       {V("WMV2", "Windows Media Video 8", "wmv2", 1)}, {A("WMA2", "Windows Media Audio 2", "wmav2", 1)}},
      {MakeFourCC("mp3 "), "MP3 audio", ".mp3", "mp3", {}, {mp3}},
      {MakeFourCC("wav "), "WAV audio", ".wav", "wav", {}, {pcm}},
      {MakeFourCC("m4a "), "AAC audio (M4A)", ".m4a", "ipod", {}, {aac}},
      {MakeFourCC("aac "), "AAC audio (ADTS)", ".aac", "adts", {}, {aac}},
      {MakeFourCC("ogg "), "Ogg audio", ".ogg", "ogg", {}, {vorbis, nodef(opus)}},
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

int64_t DefaultVideoBitrate(int width, int height, double frame_rate) {
  if (width <= 0 || height <= 0) width = 320, height = 240;
  if (!(frame_rate > 0) || !std::isfinite(frame_rate)) frame_rate = 25;
  const double bits = 0.12 * width * height * std::min(frame_rate, 60.0);
  return std::clamp<int64_t>(static_cast<int64_t>(bits), 100'000, 20'000'000);
}

int64_t DefaultAudioBitrate(FourCC audio_codec, int sample_rate, int channels) {
  if (sample_rate <= 0) sample_rate = 44100;
  if (channels <= 0) channels = 2;
  if (audio_codec == MakeFourCC("PCM ")) return int64_t{sample_rate} * channels * 16;
  return channels == 1 ? 64'000 : 128'000;
}

uint64_t EstimateDiskSpace(const EncodeParams& p, bool no_video, bool no_audio, double duration) {
  if (!(duration > 0) || !std::isfinite(duration)) return 0;
  const ContainerFormat* c = FindContainer(p.container_fourcc);
  const bool has_video = !no_video && !p.no_video && (c == nullptr || !c->video.empty());
  const bool has_audio = !no_audio && !p.no_audio;
  double bits_per_second = 0;
  if (has_video)
    bits_per_second += p.video_bitrate > 0 ? p.video_bitrate
                                           : static_cast<double>(DefaultVideoBitrate(p.width, p.height, p.frame_rate));
  if (has_audio)
    bits_per_second += p.audio_bitrate > 0 && p.audio_fourcc != MakeFourCC("PCM ")
                           ? p.audio_bitrate
                           : static_cast<double>(DefaultAudioBitrate(p.audio_fourcc, p.sample_rate, p.channels));
  // Container overhead: a few percent of headers, indexes and per-packet framing.
  const double bytes = bits_per_second / 8 * duration * 1.03 + 4096;
  return static_cast<uint64_t>(std::min(bytes, 1.8e19));
}

}  // namespace fc
