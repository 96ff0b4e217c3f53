#pragma once
// Sound tags (event sounds, sound starts, streamed sound) and embedded video tags. The
// payloads are framed, never decoded.

#include <cstdint>
#include <string>
#include <vector>

#include "swf/objects.h"

namespace fc {

enum : uint8_t {
  kSoundUncompressed = 0,
  kSoundADPCM = 1,
  kSoundMP3 = 2,
  kSoundUncompressedLE = 3,
  kSoundNellymoser16k = 4,
  kSoundNellymoser8k = 5,
  kSoundNellymoser = 6,
  kSoundSpeex = 11,
};

const char* SoundFormatName(uint8_t format);
const char* SoundRateName(uint8_t rate);  // "5.5 kHz" ...

class TSWFDefineSound : public TSWFDataObject {
public:
  TSWFDefineSound() { SetCode(TSWFTagCode::DefineSound); }
  uint16_t SoundID = 0;
  uint8_t SoundFormat = 0;  // 4 bits
  uint8_t SoundRate = 0;    // 2 bits
  bool SoundSize = false;   // 16-bit samples
  bool SoundType = false;   // stereo
  uint32_t SoundSampleCount = 0;
  uint16_t SeekSamples = 0;  // MP3 only
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(SoundID); }
  std::string Describe() const override;
};

struct TSWFSoundEnvelope {
  uint32_t Pos44 = 0;
  uint16_t LeftLevel = 0;
  uint16_t RightLevel = 0;
  bool operator==(const TSWFSoundEnvelope&) const = default;
};

// StartSound: SoundID and the sound info. DefineButtonSound uses the same body.
class TSWFStartSound : public TSWFObject {
public:
  // The flags byte that opens the sound info: two reserved bits, then these.
  static constexpr uint8_t kReserved = 0xC0, kSyncStop = 0x20, kSyncNoMultiple = 0x10, kHasEnvelope = 0x08,
                           kHasLoops = 0x04, kHasOutPoint = 0x02, kHasInPoint = 0x01;

  TSWFStartSound() { SetCode(TSWFTagCode::StartSound); }
  uint16_t SoundID = 0;
  bool SyncStop = false, SyncNoMultiple = false, HasEnvelope = false, HasLoops = false, HasOutPoint = false,
       HasInPoint = false;
  uint32_t InPoint = 0, OutPoint = 0;
  uint16_t LoopCount = 0;
  std::vector<TSWFSoundEnvelope> Envelope;

  void SetInPoint(uint32_t v) { InPoint = v; HasInPoint = v != 0; }
  void SetOutPoint(uint32_t v) { OutPoint = v; HasOutPoint = v != 0; }
  void SetLoopCount(uint16_t v) { LoopCount = v; HasLoops = v != 0; }

  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(SoundID); }
  std::string Describe() const override;

  // The sound info record alone (after the ID or class name). More than 255 envelope
  // points do not fit the count byte and are refused.
  void ReadSoundInfo(TBitsEngine& be);
  void WriteSoundInfo(TBitsEngine& be);
  std::string DescribeSoundInfo() const;
};

class TSWFStartSound2 : public TSWFStartSound {
public:
  TSWFStartSound2() { SetCode(TSWFTagCode::StartSound2); }
  std::string SoundClassName;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 9; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor&) override {}
  std::string Describe() const override;
};

class TSWFSoundStreamHead : public TSWFObject {
public:
  TSWFSoundStreamHead() { SetCode(TSWFTagCode::SoundStreamHead); }
  uint8_t PlaybackSoundRate = 0;  // 2 bits
  bool PlaybackSoundSize = false, PlaybackSoundType = false;
  uint8_t StreamSoundCompression = 0;  // 4 bits
  uint8_t StreamSoundRate = 0;         // 2 bits
  bool StreamSoundSize = false, StreamSoundType = false;
  uint16_t StreamSoundSampleCount = 0;
  int16_t LatencySeek = 0;
  bool HasLatencySeek = true;  // MP3 heads written by some tools stop before it
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void UpdateReadContext(TSWFReadContext& ctx) const override;
  std::string Describe() const override;
};

class TSWFSoundStreamHead2 : public TSWFSoundStreamHead {
public:
  TSWFSoundStreamHead2() { SetCode(TSWFTagCode::SoundStreamHead2); }
  uint8_t MinVersion() const override;
};

class TSWFSoundStreamBlock : public TSWFDataObject {
public:
  TSWFSoundStreamBlock() { SetCode(TSWFTagCode::SoundStreamBlock); }
  uint16_t SampleCount = 0;  // MP3 only
  int16_t SeekSamples = 0;   // MP3 only
  uint8_t StreamFormat = 0;  // the compression of the stream head in force
  void Assign(const TBasedSWFObject& Source) override;
  // Another tool's short header on this always-long code is kept for a copy.
  bool ShortHeaderAsRead = false;
  bool UsesLongHeader(uint32_t body_size) const override {
    return ShortHeaderAsRead && body_size < 63 ? false : TSWFDataObject::UsesLongHeader(body_size);
  }
  void PrepareRead(const TSWFReadContext& ctx) override {
    StreamFormat = ctx.SoundStreamFormat;
    ShortHeaderAsRead = !ctx.LongHeader;
  }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

enum : uint8_t { kVideoH263 = 2, kVideoScreen = 3, kVideoVP6 = 4, kVideoVP6Alpha = 5, kVideoScreen2 = 6, kVideoAVC = 7 };
const char* VideoCodecName(uint8_t codec);

class TSWFDefineVideoStream : public TSWFObject {
public:
  TSWFDefineVideoStream() { SetCode(TSWFTagCode::DefineVideoStream); }
  uint16_t CharacterID = 0;
  uint16_t NumFrames = 0;
  uint16_t Width = 0, Height = 0;
  uint8_t VideoFlagsDeblocking = 0;  // 3 bits
  bool VideoFlagsSmoothing = false;
  uint8_t CodecID = kVideoH263;
  // Another tool's short header on this always-long code is kept for a copy.
  bool ShortHeaderAsRead = false;
  bool UsesLongHeader(uint32_t body_size) const override {
    return ShortHeaderAsRead && body_size < 63 ? false : TSWFObject::UsesLongHeader(body_size);
  }
  void PrepareRead(const TSWFReadContext& ctx) override { ShortHeaderAsRead = !ctx.LongHeader; }
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(CharacterID); }
  std::string Describe() const override;
};

class TSWFVideoFrame : public TSWFDataObject {
public:
  TSWFVideoFrame() { SetCode(TSWFTagCode::VideoFrame); }
  uint16_t StreamID = 0;
  uint16_t FrameNum = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 6; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(StreamID); }
  std::string Describe() const override;
};

}  // namespace fc
