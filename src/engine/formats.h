#pragma once
// The containers and codecs the converter writes, as FourCC codes, and the output size
// estimate. Every code listed here encodes for real (the tests convert through each one).

#include <cstdint>
#include <string>
#include <vector>

#include "engine/encode_params.h"

namespace fc {

struct CodecEntry {
  FourCC fourcc = 0;
  uint16_t value = 0;          // 1 for the container's default codec of its kind
  std::string display_name;    // "Sorenson H.263", "Xvid"
  std::string encoder;         // FFmpeg encoder name
};

struct ContainerFormat {
  FourCC fourcc = 0;
  std::string display_name;    // "Flash Video (FLV)"
  std::string extension;       // ".flv"
  std::string muxer;           // FFmpeg muxer name
  std::vector<CodecEntry> video;  // empty for audio-only containers
  std::vector<CodecEntry> audio;
};

// The format list, in the order shown to the user.
const std::vector<ContainerFormat>& SupportedFormats();
const ContainerFormat* FindContainer(FourCC container);
// The codec entry of `codec` within `container` (nullptr when the pair is not supported).
const CodecEntry* FindVideoCodec(const ContainerFormat& container, FourCC codec);
const CodecEntry* FindAudioCodec(const ContainerFormat& container, FourCC codec);

// The sample rates a Flash container can carry in MP3: a rate snaps to the nearest of them.
int SnapFlashSampleRate(int rate);

// Bit rates used when the record leaves them 0.
int64_t DefaultVideoBitrate(int width, int height, double frameRate);
int64_t DefaultAudioBitrate(FourCC audioCodec, int sampleRate, int channels);

// Bytes a conversion of `duration` seconds with these parameters is expected to write.
// A zero or unknown duration, or a frame rate of 0, never produces a division or a huge count.
uint64_t EstimateDiskSpace(const EncodeParams& params, bool noVideo, bool noAudio, double duration);

}  // namespace fc
