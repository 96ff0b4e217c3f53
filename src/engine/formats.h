#pragma once
// The containers and codecs the converter writes, as FourCC codes, and the output size
// estimate. Every code listed here encodes for real (the tests convert through each one).

#include <cstdint>
#include <string>
#include <vector>

#include "engine/encode_params.h"

namespace fc {

struct TCodecEntry {
  TFourCC FourCC = 0;
  uint16_t Value = 0;          // 1 for the container's default codec of its kind
  std::string DisplayName;    // "Sorenson H.263", "Xvid"
  std::string Encoder;         // FFmpeg encoder name
};

struct TContainerFormat {
  TFourCC FourCC = 0;
  std::string DisplayName;    // "Flash Video (FLV)"
  std::string Extension;       // ".flv"
  std::string Muxer;           // FFmpeg muxer name
  std::vector<TCodecEntry> Video;  // empty for audio-only containers
  std::vector<TCodecEntry> Audio;
};

// The format list, in the order shown to the user.
const std::vector<TContainerFormat>& SupportedFormats();
const TContainerFormat* FindContainer(TFourCC container);
// The codec entry of `codec` within `container` (nullptr when the pair is not supported).
const TCodecEntry* FindVideoCodec(const TContainerFormat& container, TFourCC codec);
const TCodecEntry* FindAudioCodec(const TContainerFormat& container, TFourCC codec);

// The sample rates a Flash container can carry in MP3: a rate snaps to the nearest of them.
int SnapFlashSampleRate(int rate);

// Bit rates used when the record leaves them 0.
int64_t DefaultVideoBitrate(int width, int height, double frame_rate);
int64_t DefaultAudioBitrate(TFourCC audio_codec, int sample_rate, int channels);

// Bytes a conversion of `duration` seconds with these parameters is expected to write.
// A zero or unknown duration, or a frame rate of 0, never produces a division or a huge count.
uint64_t EstimateDiskSpace(const TEncodeParams& params, bool no_video, bool no_audio, double duration);

}  // namespace fc
