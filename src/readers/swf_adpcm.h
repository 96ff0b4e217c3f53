#pragma once
// SWF ADPCM encoding (the only producer of SWF ADPCM data in the program) and decoding of
// Microsoft ADPCM blocks, the one compressed WAV flavour that is re-encoded for Flash.
//
// SWF ADPCM: a 2-bit code size (code bits - 2), then packets of 4096 sample frames. A packet
// starts with, per channel, the first sample (16 bits) and a 6-bit step index; every further
// sample frame is one code per channel.

#include <cstdint>
#include <span>
#include <vector>

#include "swf/bits_engine.h"

namespace fc {

inline constexpr unsigned kSwfAdpcmPacketFrames = 4096;

// Streams sample frames into SWF ADPCM through a TBitsEngine. Frames are buffered up to a
// packet, so that input may arrive in pieces of any size.
class TSwfAdpcmEncoder {
public:
  // bits: code size 2..5; channels: 1 or 2. Throws Error otherwise.
  TSwfAdpcmEncoder(TBitsEngine& engine, unsigned bits, unsigned channels);

  // Starts a new run of packets; writes the code size unless `continued` (the data follows
  // earlier packets of the same sound).
  void Begin(bool continued);
  // Interleaved 16-bit samples, left first; a trailing partial frame is completed with zeros.
  void Add(std::span<const int16_t> samples);
  // Encodes what is buffered; with `flush` the last byte is completed with zero bits.
  void Finish(bool flush);

  uint64_t FramesEncoded() const { return frames_encoded_; }

private:
  void EncodePacket();

  TBitsEngine& engine_;
  unsigned bits_;
  unsigned channels_;
  std::vector<int16_t> packet_;  // interleaved frames of the packet being gathered
  uint64_t frames_encoded_ = 0;
};

// EncodeSWFADPCM: encodes PCM bytes (8-bit unsigned or 16-bit signed little-endian,
// interleaved when stereo) as one run of packets.
void EncodeSWFADPCM(TBitsEngine& engine, std::span<const uint8_t> pcm, unsigned bits, bool is16bit, bool stereo,
                    bool continued, bool flush);

// The smallest step index below 63 whose step covers |b - a|, else 63 (the field has 6 bits).
unsigned SwfAdpcmInitialIndex(int a, int b);

// The layout of a Microsoft ADPCM "fmt " chunk.
struct TADPCMFormat {
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
  uint16_t SamplesPerBlock = 0;
  uint16_t NumCoef = 0;
  std::vector<std::pair<int16_t, int16_t>> Coefs;  // Coef1, Coef2 of each predictor
};

// Decodes one Microsoft ADPCM block (possibly cut short) and appends its interleaved 16-bit
// samples to `out`; returns the sample frames appended (0 when even the block header is cut).
// Throws FormatError when a predictor index has no coefficient pair.
uint32_t DecodeMSADPCMBlock(std::span<const uint8_t> block, const TADPCMFormat& format, unsigned channels,
                            std::vector<int16_t>& out, uint64_t file_offset = 0);

}  // namespace fc
