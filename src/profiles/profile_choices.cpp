#include "profiles/profile_choices.h"

#include <cmath>

#include "core/text.h"

namespace fc {

namespace {
// What the sequence decoders of merges and slides are handed: YV12 pictures of 12 bits a pixel.
constexpr FourCC kSlidePixelFormat = MakeFourCC("YV12");
constexpr int32_t kSlideBitsPerPixel = 12;
// Bits per sample the audio processors work with.
constexpr int32_t kSampleBits = 16;
}  // namespace

bool ApplyProfile(const TProfileItem* p, EncodeParams* e) {
  if (!p || !e) return false;
  e->container_fourcc = p->FourCC;
  e->video_fourcc = p->VideoEncoder;
  e->width = p->Width;
  e->height = p->Height;
  e->frame_rate = p->FrameRate;
  e->video_bitrate = p->VideoBitrate;
  e->reserved28 = 0;
  e->reserved32 = 0;
  e->interpolation = p->Interpolation;
  e->slide_pixel_format = kSlidePixelFormat;
  e->slide_bits = kSlideBitsPerPixel;
  e->formate = p->Formate;
  e->norm = p->Norm;
  e->reserved60 = 0;
  e->reserved64 = 0;
  e->audio_fourcc = p->AudioEncoder;
  e->sample_rate = p->SampleRate;
  e->channels = p->Channels;
  e->audio_bitrate = p->AudioBitrate;
  e->reserved88 = 0;
  e->reserved92 = 0;
  e->sample_bits = kSampleBits;
  return true;
}

int ChoiceIndex(const std::vector<std::string>& list, const std::string& value) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].starts_with(value)) return static_cast<int>(i);
  return -1;
}

int AudioBitrateIndex(const TProfileItem& p) { return ChoiceIndex(p.AudioBitrates, std::to_string(p.AudioBitrate / 1000)); }
int VideoBitrateIndex(const TProfileItem& p) { return ChoiceIndex(p.VideoBitrates, std::to_string(p.VideoBitrate / 1000)); }
int ChannelsIndex(const TProfileItem& p) { return ChoiceIndex(p.ChannelChoices, std::to_string(p.Channels)); }
int SampleRateIndex(const TProfileItem& p) { return ChoiceIndex(p.SampleRates, std::to_string(p.SampleRate)); }
int FrameRateIndex(const TProfileItem& p) { return ChoiceIndex(p.FrameRates, FormatFrameRate(p.FrameRate)); }
int VideoEncoderIndex(const TProfileItem& p) { return CodecIndex(p.VideoEncoders, p.VideoEncoder); }
int AudioEncoderIndex(const TProfileItem& p) { return CodecIndex(p.AudioEncoders, p.AudioEncoder); }

int CodecIndex(const std::vector<TCodecChoice>& list, FourCC code) {
  const std::string text = FourCCToString(code);
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].Text == text) return static_cast<int>(i);
  const std::string_view trimmed = Trim(text);
  for (size_t i = 0; i < list.size(); ++i)
    if (Trim(list[i].Text) == trimmed) return static_cast<int>(i);
  return -1;
}

std::string FormatFrameRate(double fps) {
  std::string s = Format("%.2f", std::round(fps * 100) / 100);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string FrameRateCaption(double fps) { return FormatFrameRate(fps) + " fps"; }

}  // namespace fc
