#include "profiles/profile_choices.h"

#include <cmath>

#include "core/text.h"

namespace fc {

namespace {
// What the sequence decoders of merges and slides are handed: YV12 pictures of 12 bits a pixel.
constexpr TFourCC kSlidePixelFormat = MakeFourCC("YV12");
constexpr int32_t kSlideBitsPerPixel = 12;
// Bits per sample the audio processors work with.
constexpr int32_t kSampleBits = 16;
}  // namespace

bool ApplyProfile(const TProfileItem* p, TEncodeParams* e) {
  if (!p || !e) return false;
  e->ContainerFourCC = p->FourCC;
  e->VideoFourCC = p->VideoEncoder;
  e->Width = p->Width;
  e->Height = p->Height;
  e->FrameRate = p->FrameRate;
  e->VideoBitrate = p->VideoBitrate;
  e->Reserved28 = 0;
  e->Reserved32 = 0;
  e->Interpolation = p->Interpolation;
  e->SlidePixelFormat = kSlidePixelFormat;
  e->SlideBits = kSlideBitsPerPixel;
  e->Formate = p->Formate;
  e->Norm = p->Norm;
  e->Reserved60 = 0;
  e->Reserved64 = 0;
  e->AudioFourCC = p->AudioEncoder;
  e->SampleRate = p->SampleRate;
  e->Channels = p->Channels;
  e->AudioBitrate = p->AudioBitrate;
  e->Reserved88 = 0;
  e->Reserved92 = 0;
  e->SampleBits = kSampleBits;
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

int CodecIndex(const std::vector<TCodecChoice>& list, TFourCC code) {
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
