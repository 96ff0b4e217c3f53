#include "readers/swf_adpcm.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>

#include "core/error.h"
#include "core/text.h"

namespace fc {
namespace {

constexpr std::array<int, 89> kStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kIndex2[] = {-1, 2};
constexpr int kIndex3[] = {-1, -1, 2, 4};
constexpr int kIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
constexpr const int* kIndexTables[] = {kIndex2, kIndex3, kIndex4, kIndex5};

constexpr int kMSAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

}  // namespace

unsigned SwfAdpcmInitialIndex(int a, int b) {
  const int diff = std::abs(b - a);
  for (unsigned i = 0; i < 63; ++i)
    if (kStepTable[i] >= diff) return i;
  return 63;
}

TSwfAdpcmEncoder::TSwfAdpcmEncoder(TBitsEngine& engine, unsigned bits, unsigned channels)
    : engine_(engine), bits_(bits), channels_(channels) {
  if (bits < 2 || bits > 5) throw Error(Format("SWF ADPCM codes have 2 to 5 bits, not %u", bits));
  if (channels < 1 || channels > 2) throw Error(Format("SWF ADPCM has 1 or 2 channels, not %u", channels));
  packet_.reserve(kSwfAdpcmPacketFrames * channels);
}

void TSwfAdpcmEncoder::Begin(bool continued) {
  packet_.clear();
  if (!continued) engine_.WriteBits(bits_ - 2, 2);
}

void TSwfAdpcmEncoder::Add(std::span<const int16_t> samples) {
  const size_t packet_samples = size_t{kSwfAdpcmPacketFrames} * channels_;
  while (!samples.empty()) {
    const size_t n = std::min(samples.size(), packet_samples - packet_.size());
    packet_.insert(packet_.end(), samples.begin(), samples.begin() + static_cast<ptrdiff_t>(n));
    samples = samples.subspan(n);
    if (packet_.size() == packet_samples) EncodePacket();
  }
}

void TSwfAdpcmEncoder::Finish(bool flush) {
  packet_.resize((packet_.size() + channels_ - 1) / channels_ * channels_, 0);
  if (!packet_.empty()) EncodePacket();
  if (flush) engine_.FlushLastByte(true);
}

void TSwfAdpcmEncoder::EncodePacket() {
  const size_t frames = packet_.size() / channels_;
  const int* index_table = kIndexTables[bits_ - 2];
  const int sign_bit = 1 << (bits_ - 1);
  int predicted[2] = {};
  int index[2] = {};
  for (unsigned ch = 0; ch < channels_; ++ch) {
    const int a = packet_[ch];
    const int b = frames > 1 ? packet_[channels_ + ch] : a;
    predicted[ch] = a;
    index[ch] = static_cast<int>(SwfAdpcmInitialIndex(a, b));
    engine_.WriteBits(static_cast<uint16_t>(a), 16);
    engine_.WriteBits(static_cast<uint32_t>(index[ch]), 6);
  }
  for (size_t n = 1; n < frames; ++n) {
    for (unsigned ch = 0; ch < channels_; ++ch) {
      int diff = packet_[n * channels_ + ch] - predicted[ch];
      int sign = 0;
      if (diff < 0) {
        sign = sign_bit;
        diff = -diff;
      }
      int step = kStepTable[index[ch]];
      int code = 0;
      int delta = step >> (bits_ - 1);
      for (int k = static_cast<int>(bits_) - 2; k >= 0; --k) {
        if (diff >= step) {
          code |= 1 << k;
          delta += step;
          diff -= step;
        }
        step >>= 1;
      }
      predicted[ch] = std::clamp(sign ? predicted[ch] - delta : predicted[ch] + delta, -32768, 32767);
      index[ch] = std::clamp(index[ch] + index_table[code], 0, 88);
      engine_.WriteBits(static_cast<uint32_t>(sign | code), bits_);
    }
  }
  frames_encoded_ += frames;
  packet_.clear();
}

void EncodeSWFADPCM(TBitsEngine& engine, std::span<const uint8_t> pcm, unsigned bits, bool is16bit, bool stereo,
                    bool continued, bool flush) {
  TSwfAdpcmEncoder encoder(engine, bits, stereo ? 2 : 1);
  encoder.Begin(continued);
  std::vector<int16_t> samples;
  if (is16bit) {
    samples.resize(pcm.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
  } else {
    samples.resize(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) samples[i] = static_cast<int16_t>((pcm[i] - 128) * 256);
  }
  encoder.Add(samples);
  encoder.Finish(flush);
}

uint32_t DecodeMSADPCMBlock(std::span<const uint8_t> block, const TADPCMFormat& format, unsigned channels,
                            std::vector<int16_t>& out, uint64_t file_offset) {
  if (channels < 1 || channels > 2 || block.size() < 7u * channels) return 0;
  size_t pos = 0;
  const auto s16 = [&] {
    const int16_t v = static_cast<int16_t>(block[pos] | (block[pos + 1] << 8));
    pos += 2;
    return v;
  };
  int coef1[2], coef2[2], delta[2], sample1[2], sample2[2];
  for (unsigned ch = 0; ch < channels; ++ch) {
    const uint8_t predictor = block[pos++];
    if (predictor >= format.Coefs.size())
      throw FormatError(Format("ADPCM block at offset 0x%llx uses predictor %u of %zu",
                               static_cast<unsigned long long>(file_offset), predictor, format.Coefs.size()));
    coef1[ch] = format.Coefs[predictor].first;
    coef2[ch] = format.Coefs[predictor].second;
  }
  for (unsigned ch = 0; ch < channels; ++ch) delta[ch] = s16();
  for (unsigned ch = 0; ch < channels; ++ch) sample1[ch] = s16();
  for (unsigned ch = 0; ch < channels; ++ch) sample2[ch] = s16();
  for (unsigned ch = 0; ch < channels; ++ch) out.push_back(static_cast<int16_t>(sample2[ch]));
  for (unsigned ch = 0; ch < channels; ++ch) out.push_back(static_cast<int16_t>(sample1[ch]));
  uint32_t frames = 2;

  // Nibbles come high first; a frame is decoded only while the block still has its bytes.
  size_t nibble_index = 0;  // nibbles consumed since the header
  const size_t nibbles_available = (block.size() - pos) * 2;
  for (uint32_t i = 2; i < format.SamplesPerBlock; ++i) {
    if (nibble_index + channels > nibbles_available) break;
    for (unsigned ch = 0; ch < channels; ++ch, ++nibble_index) {
      const uint8_t byte = block[pos + nibble_index / 2];
      const int raw = nibble_index % 2 == 0 ? byte >> 4 : byte & 15;
      const int nibble = raw >= 8 ? raw - 16 : raw;
      // Delta stays bounded so that a hostile block cannot overflow it.
      const int new_delta = std::clamp(kMSAdapt[raw] * delta[ch] / 256, 16, INT_MAX / 768);
      const int64_t predicted = (int64_t{sample1[ch]} * coef1[ch] + int64_t{sample2[ch]} * coef2[ch]) / 256;
      const int sample = static_cast<int>(std::clamp<int64_t>(predicted + int64_t{nibble} * delta[ch], -32768, 32767));
      sample2[ch] = sample1[ch];
      sample1[ch] = sample;
      delta[ch] = new_delta;
      out.push_back(static_cast<int16_t>(sample));
    }
    ++frames;
  }
  return frames;
}

}  // namespace fc
