#pragma once
// Round trip through FFmpeg's SWF ADPCM decoder: our packets go into FLV audio tags (sound
// format 1), which ffmpeg decodes back to 16-bit PCM.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "media_test_util.h"
#include "readers/swf_adpcm.h"

namespace fc::test {

// An audio-only FLV of SWF ADPCM tags at 44.1 kHz, 16-bit.
inline std::vector<uint8_t> AdpcmFlv(const std::vector<std::vector<uint8_t>>& blocks, unsigned channels,
                                     uint32_t frames_per_block) {
  Bytes b;
  b.str("FLV").u8(1).u8(4).be32(9).be32(0);
  uint32_t frames = 0;
  for (const auto& block : blocks) {
    const uint32_t ms = static_cast<uint32_t>(uint64_t{frames} * 1000 / 44100);
    const uint32_t size = static_cast<uint32_t>(block.size() + 1);
    b.u8(8).be24(size).be24(ms).u8(0).be24(0).u8(0x1E | (channels == 2 ? 1 : 0)).raw(block).be32(11 + size);
    frames += frames_per_block;
  }
  return b.v;
}

// The sample frames FFmpeg's decoder makes of one block: the bits that pad the last byte
// decode as one more sample when they are at least a code long (a player takes the count
// from the stream head instead).
inline size_t FfmpegBlockFrames(const std::vector<uint8_t>& block, unsigned channels) {
  if (block.empty()) return 0;
  const size_t nbits = (block[0] >> 6) + 2;
  const size_t buf_bits = block.size() * 8 - 2, header = 22 * channels;
  const size_t packet = header + nbits * channels * 4095;
  const size_t packets = buf_bits / packet, left = buf_bits - packets * packet;
  return packets * 4096 + (left >= header ? 1 + (left - header) / (nbits * channels) : 0);
}

// Decodes an FLV with ffmpeg to interleaved 16-bit samples (empty on failure).
inline std::vector<int16_t> DecodeFlvAudio(const std::vector<uint8_t>& flv) {
  TempDir dir;
  const auto in = dir / "adpcm.flv", out = dir / "out.raw";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(flv.data()), std::streamsize(flv.size()));
  if (!Run("ffmpeg -nostdin -y -loglevel error -i " + in.string() + " -f s16le -c:a pcm_s16le " + out.string()))
    return {};
  std::ifstream f(out, std::ios::binary);
  const std::vector<char> raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(raw.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<uint8_t>(raw[2 * i]) | (static_cast<uint8_t>(raw[2 * i + 1]) << 8));
  return samples;
}

// Decodes stream blocks of `frames_per_block` sample frames each, dropping the extra frame
// FFmpeg makes of a block's padding bits.
inline std::vector<int16_t> DecodeBlocks(const std::vector<std::vector<uint8_t>>& blocks, unsigned channels,
                                         uint32_t frames_per_block) {
  const auto decoded = DecodeFlvAudio(AdpcmFlv(blocks, channels, frames_per_block));
  std::vector<int16_t> out;
  size_t at = 0;
  for (const auto& block : blocks) {
    const size_t got = FfmpegBlockFrames(block, channels) * channels;
    const size_t keep = std::min<size_t>(got, size_t{frames_per_block} * channels);
    if (at + got > decoded.size()) return {};
    out.insert(out.end(), decoded.begin() + static_cast<ptrdiff_t>(at), decoded.begin() + static_cast<ptrdiff_t>(at + keep));
    at += got;
  }
  return out;
}

// Encodes in stream blocks of `frames_per_block` and decodes them again.
inline std::vector<int16_t> DecodeWithFfmpeg(const std::vector<int16_t>& input, unsigned channels, unsigned bits,
                                             uint32_t frames_per_block) {
  std::vector<std::vector<uint8_t>> blocks;
  for (size_t i = 0; i < input.size(); i += size_t{frames_per_block} * channels) {
    const size_t n = std::min(input.size() - i, size_t{frames_per_block} * channels);
    std::vector<uint8_t> block;
    TBitsEngine engine(&block);
    TSwfAdpcmEncoder encoder(engine, bits, channels);
    encoder.Begin(false);
    encoder.Add(std::span(input).subspan(i, n));
    encoder.Finish(true);
    blocks.push_back(std::move(block));
  }
  return DecodeBlocks(blocks, channels, frames_per_block);
}

// Signal-to-noise ratio of `decoded` against `reference` over their common length.
inline double SnrDb(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded) {
  const size_t n = std::min(reference.size(), decoded.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < n; ++i) {
    signal += double(reference[i]) * reference[i];
    const double d = double(reference[i]) - decoded[i];
    noise += d * d;
  }
  if (n == 0 || signal == 0) return 0;
  return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

}  // namespace fc::test
