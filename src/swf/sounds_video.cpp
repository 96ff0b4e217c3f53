#include "swf/sounds_video.h"

#include <algorithm>

#include "core/text.h"

namespace fc {

const char* SoundFormatName(uint8_t format) {
  switch (format) {
    case kSoundUncompressed: return "uncompressed";
    case kSoundADPCM: return "ADPCM";
    case kSoundMP3: return "MP3";
    case kSoundUncompressedLE: return "uncompressed LE";
    case kSoundNellymoser16k: return "Nellymoser 16 kHz";
    case kSoundNellymoser8k: return "Nellymoser 8 kHz";
    case kSoundNellymoser: return "Nellymoser";
    case kSoundSpeex: return "Speex";
    default: return "unknown";
  }
}

const char* SoundRateName(uint8_t rate) {
  static const char* const names[] = {"5.5 kHz", "11 kHz", "22 kHz", "44 kHz"};
  return names[rate & 3];
}

namespace {

std::string SoundShape(uint8_t format, uint8_t rate, bool size16, bool stereo) {
  return Format("%s %s %s %s", SoundFormatName(format), SoundRateName(rate), size16 ? "16-bit" : "8-bit",
                stereo ? "stereo" : "mono");
}

// The byte that describes a sound (DefineSound, and both formats of a stream head): the
// format in the high nibble (0 in a playback format), the rate in two bits, then 16-bit
// samples and stereo.
constexpr unsigned kSoundFormatShift = 4, kSoundRateShift = 2;
constexpr uint8_t kSoundFormatMask = 0x0F, kSoundRateMask = 0x03, kSound16Bit = 0x02, kSoundStereo = 0x01;

struct TSoundBits {
  uint8_t Format = 0, Rate = 0;
  bool Size16 = false, Stereo = false;
};

uint8_t SoundByte(const TSoundBits& b) {
  return static_cast<uint8_t>((b.Format & kSoundFormatMask) << kSoundFormatShift |
                              (b.Rate & kSoundRateMask) << kSoundRateShift | FlagIf(b.Size16, kSound16Bit) |
                              FlagIf(b.Stereo, kSoundStereo));
}

TSoundBits ReadSoundByte(TBitsEngine& be, const char* field) {
  const uint8_t f = be.ReadByte(field);
  return {static_cast<uint8_t>(f >> kSoundFormatShift), static_cast<uint8_t>((f >> kSoundRateShift) & kSoundRateMask),
          (f & kSound16Bit) != 0, (f & kSoundStereo) != 0};
}

// DefineVideoStream's flags byte: four reserved bits, deblocking (3 bits), smoothing.
constexpr uint8_t kVideoReserved = 0xF0, kVideoDeblockingMask = 0x07, kVideoSmoothing = 0x01;
constexpr unsigned kVideoDeblockingShift = 1;

}  // namespace

// ---------------------------------------------------------------------------------------
// DefineSound

void TSWFDefineSound::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineSound>(Source);
  SoundID = s.SoundID;
  SoundFormat = s.SoundFormat;
  SoundRate = s.SoundRate;
  SoundSize = s.SoundSize;
  SoundType = s.SoundType;
  SoundSampleCount = s.SoundSampleCount;
  SeekSamples = s.SeekSamples;
}

uint8_t TSWFDefineSound::MinVersion() const {
  switch (SoundFormat) {
    case kSoundMP3: case kSoundUncompressedLE: return 4;
    case kSoundNellymoser: return 6;
    case kSoundNellymoser16k: case kSoundNellymoser8k: return 10;
    case kSoundSpeex: return 10;
    default: return 1;
  }
}

void TSWFDefineSound::ReadFromStream(TBitsEngine& be) {
  SoundID = be.ReadWord("SoundID");
  const TSoundBits f = ReadSoundByte(be, "sound format");
  SoundFormat = f.Format;
  SoundRate = f.Rate;
  SoundSize = f.Size16;
  SoundType = f.Stereo;
  SoundSampleCount = be.ReadDWord("SoundSampleCount");
  if (SoundFormat == kSoundMP3) SeekSamples = be.ReadWord("SeekSamples");
  auto d = be.ReadSpan(be.Remaining(), "sound data");
  Data.assign(d.begin(), d.end());
  OwnsData = true;
}

void TSWFDefineSound::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SoundID);
  be.WriteByte(SoundByte({SoundFormat, SoundRate, SoundSize, SoundType}));
  be.WriteDWord(SoundSampleCount);
  if (SoundFormat == kSoundMP3) be.WriteWord(SeekSamples);
  WriteData(be);
}

std::string TSWFDefineSound::Describe() const {
  return Format("id=%u %s samples=%u", SoundID, SoundShape(SoundFormat, SoundRate, SoundSize, SoundType).c_str(),
                SoundSampleCount) +
         (SoundFormat == kSoundMP3 ? Format(" seek=%u", SeekSamples) : "") + Format(" data=%zu", Data.size());
}

// ---------------------------------------------------------------------------------------
// StartSound

void TSWFStartSound::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFStartSound>(Source);
  SoundID = s.SoundID;
  SyncStop = s.SyncStop;
  SyncNoMultiple = s.SyncNoMultiple;
  HasEnvelope = s.HasEnvelope;
  HasLoops = s.HasLoops;
  HasOutPoint = s.HasOutPoint;
  HasInPoint = s.HasInPoint;
  InPoint = s.InPoint;
  OutPoint = s.OutPoint;
  LoopCount = s.LoopCount;
  Envelope = s.Envelope;
}

void TSWFStartSound::ReadSoundInfo(TBitsEngine& be) {
  const uint8_t f = be.ReadByte("sound info flags");
  if (f & kReserved) throw FormatError("reserved bits set in the sound info flags");
  SyncStop = f & kSyncStop;
  SyncNoMultiple = f & kSyncNoMultiple;
  HasEnvelope = f & kHasEnvelope;
  HasLoops = f & kHasLoops;
  HasOutPoint = f & kHasOutPoint;
  HasInPoint = f & kHasInPoint;
  if (HasInPoint) InPoint = be.ReadDWord("InPoint");
  if (HasOutPoint) OutPoint = be.ReadDWord("OutPoint");
  if (HasLoops) LoopCount = be.ReadWord("LoopCount");
  Envelope.clear();
  if (HasEnvelope) {
    const uint8_t n = be.ReadByte("envelope points");
    for (uint8_t i = 0; i < n; ++i) {
      TSWFSoundEnvelope e;
      e.Pos44 = be.ReadDWord("Pos44");
      e.LeftLevel = be.ReadWord("LeftLevel");
      e.RightLevel = be.ReadWord("RightLevel");
      Envelope.push_back(e);
    }
    // The writer never promises an envelope without points; such a record stays raw.
    if (n == 0) throw FormatError("sound envelope flag with no points");
  }
}

void TSWFStartSound::WriteSoundInfo(TBitsEngine& be) {
  if (Envelope.size() > 255)
    throw Error(Format("%zu sound envelope points do not fit the count byte (at most 255)", Envelope.size()));
  HasEnvelope = HasEnvelope && !Envelope.empty();
  be.WriteByte(static_cast<uint8_t>(FlagIf(SyncStop, kSyncStop) | FlagIf(SyncNoMultiple, kSyncNoMultiple) |
                                    FlagIf(HasEnvelope, kHasEnvelope) | FlagIf(HasLoops, kHasLoops) |
                                    FlagIf(HasOutPoint, kHasOutPoint) | FlagIf(HasInPoint, kHasInPoint)));
  if (HasInPoint) be.WriteDWord(InPoint);
  if (HasOutPoint) be.WriteDWord(OutPoint);
  if (HasLoops) be.WriteWord(LoopCount);
  if (HasEnvelope) {
    be.WriteByte(static_cast<uint8_t>(Envelope.size()));
    for (const auto& e : Envelope) {
      be.WriteDWord(e.Pos44);
      be.WriteWord(e.LeftLevel);
      be.WriteWord(e.RightLevel);
    }
  }
}

std::string TSWFStartSound::DescribeSoundInfo() const {
  std::string s;
  if (SyncStop) s += " stop";
  if (SyncNoMultiple) s += " nomultiple";
  if (HasInPoint) s += Format(" in=%u", InPoint);
  if (HasOutPoint) s += Format(" out=%u", OutPoint);
  if (HasLoops) s += Format(" loops=%u", LoopCount);
  if (HasEnvelope) s += Format(" envelope=%zu", Envelope.size());
  return s;
}

void TSWFStartSound::ReadFromStream(TBitsEngine& be) {
  SoundID = be.ReadWord("SoundID");
  ReadSoundInfo(be);
}

void TSWFStartSound::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SoundID);
  WriteSoundInfo(be);
}

std::string TSWFStartSound::Describe() const { return Format("sound=%u", SoundID) + DescribeSoundInfo(); }

void TSWFStartSound2::Assign(const TBasedSWFObject& Source) {
  TSWFStartSound::Assign(Source);
  SoundClassName = AssignSource<TSWFStartSound2>(Source).SoundClassName;
}

void TSWFStartSound2::ReadFromStream(TBitsEngine& be) {
  SoundClassName = be.ReadString("SoundClassName");
  ReadSoundInfo(be);
}

void TSWFStartSound2::WriteTagBody(TBitsEngine& be) {
  be.WriteString(SoundClassName);
  WriteSoundInfo(be);
}

std::string TSWFStartSound2::Describe() const { return "class=\"" + SoundClassName + "\"" + DescribeSoundInfo(); }

// ---------------------------------------------------------------------------------------
// Sound stream heads and blocks

void TSWFSoundStreamHead::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFSoundStreamHead>(Source);
  PlaybackSoundRate = s.PlaybackSoundRate;
  PlaybackSoundSize = s.PlaybackSoundSize;
  PlaybackSoundType = s.PlaybackSoundType;
  StreamSoundCompression = s.StreamSoundCompression;
  StreamSoundRate = s.StreamSoundRate;
  StreamSoundSize = s.StreamSoundSize;
  StreamSoundType = s.StreamSoundType;
  StreamSoundSampleCount = s.StreamSoundSampleCount;
  LatencySeek = s.LatencySeek;
  HasLatencySeek = s.HasLatencySeek;
}

uint8_t TSWFSoundStreamHead::MinVersion() const { return StreamSoundCompression == kSoundMP3 ? 4 : 1; }

uint8_t TSWFSoundStreamHead2::MinVersion() const {
  switch (StreamSoundCompression) {
    case kSoundMP3: return 4;
    case kSoundNellymoser: return 6;
    default: return 3;
  }
}

void TSWFSoundStreamHead::ReadFromStream(TBitsEngine& be) {
  const TSoundBits p = ReadSoundByte(be, "playback format");
  if (p.Format != 0) throw FormatError("reserved bits set in the playback format");
  PlaybackSoundRate = p.Rate;
  PlaybackSoundSize = p.Size16;
  PlaybackSoundType = p.Stereo;
  const TSoundBits s = ReadSoundByte(be, "stream format");
  StreamSoundCompression = s.Format;
  StreamSoundRate = s.Rate;
  StreamSoundSize = s.Size16;
  StreamSoundType = s.Stereo;
  StreamSoundSampleCount = be.ReadWord("StreamSoundSampleCount");
  HasLatencySeek = StreamSoundCompression == kSoundMP3 && !be.AtEnd();
  if (HasLatencySeek) LatencySeek = static_cast<int16_t>(be.ReadWord("LatencySeek"));
}

void TSWFSoundStreamHead::WriteTagBody(TBitsEngine& be) {
  be.WriteByte(SoundByte({0, PlaybackSoundRate, PlaybackSoundSize, PlaybackSoundType}));
  be.WriteByte(SoundByte({StreamSoundCompression, StreamSoundRate, StreamSoundSize, StreamSoundType}));
  be.WriteWord(StreamSoundSampleCount);
  if (StreamSoundCompression == kSoundMP3 && HasLatencySeek) be.WriteWord(static_cast<uint16_t>(LatencySeek));
}

void TSWFSoundStreamHead::UpdateReadContext(TSWFReadContext& ctx) const {
  ctx.SoundStreamFormat = StreamSoundCompression;
}

std::string TSWFSoundStreamHead::Describe() const {
  std::string s = "stream " + SoundShape(StreamSoundCompression, StreamSoundRate, StreamSoundSize, StreamSoundType) +
                  Format(" samples/frame=%u", StreamSoundSampleCount);
  if (StreamSoundCompression == kSoundMP3 && HasLatencySeek) s += Format(" latency=%d", LatencySeek);
  return s + ", playback " + SoundShape(StreamSoundCompression, PlaybackSoundRate, PlaybackSoundSize, PlaybackSoundType)
                                 .substr(std::string(SoundFormatName(StreamSoundCompression)).size() + 1);
}

void TSWFSoundStreamBlock::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFSoundStreamBlock>(Source);
  SampleCount = s.SampleCount;
  SeekSamples = s.SeekSamples;
  StreamFormat = s.StreamFormat;
  ShortHeaderAsRead = s.ShortHeaderAsRead;
}

void TSWFSoundStreamBlock::ReadFromStream(TBitsEngine& be) {
  if (StreamFormat == kSoundMP3) {
    SampleCount = be.ReadWord("SampleCount");
    SeekSamples = static_cast<int16_t>(be.ReadWord("SeekSamples"));
  }
  auto d = be.ReadSpan(be.Remaining(), "sound data");
  Data.assign(d.begin(), d.end());
  OwnsData = true;
}

void TSWFSoundStreamBlock::WriteTagBody(TBitsEngine& be) {
  if (StreamFormat == kSoundMP3) {
    be.WriteWord(SampleCount);
    be.WriteWord(static_cast<uint16_t>(SeekSamples));
  }
  WriteData(be);
}

std::string TSWFSoundStreamBlock::Describe() const {
  std::string s = SoundFormatName(StreamFormat);
  if (StreamFormat == kSoundMP3) s += Format(" samples=%u seek=%d", SampleCount, SeekSamples);
  return s + Format(" data=%zu", Data.size());
}

// ---------------------------------------------------------------------------------------
// Video

const char* VideoCodecName(uint8_t codec) {
  switch (codec) {
    case kVideoH263: return "Sorenson H.263";
    case kVideoScreen: return "screen video";
    case kVideoVP6: return "VP6";
    case kVideoVP6Alpha: return "VP6 alpha";
    case kVideoScreen2: return "screen video 2";
    case kVideoAVC: return "H.264";
    default: return "unknown";
  }
}

void TSWFDefineVideoStream::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineVideoStream>(Source);
  CharacterID = s.CharacterID;
  NumFrames = s.NumFrames;
  Width = s.Width;
  Height = s.Height;
  VideoFlagsDeblocking = s.VideoFlagsDeblocking;
  VideoFlagsSmoothing = s.VideoFlagsSmoothing;
  CodecID = s.CodecID;
  ShortHeaderAsRead = s.ShortHeaderAsRead;
}

uint8_t TSWFDefineVideoStream::MinVersion() const {
  switch (CodecID) {
    case kVideoScreen: return 7;
    case kVideoVP6: case kVideoVP6Alpha: return 8;
    case kVideoScreen2: return 8;
    default: return 6;
  }
}

void TSWFDefineVideoStream::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  NumFrames = be.ReadWord("NumFrames");
  Width = be.ReadWord("Width");
  Height = be.ReadWord("Height");
  const uint8_t f = be.ReadByte("video flags");
  if (f & kVideoReserved) throw FormatError("reserved bits set in the video flags");
  VideoFlagsDeblocking = (f >> kVideoDeblockingShift) & kVideoDeblockingMask;
  VideoFlagsSmoothing = f & kVideoSmoothing;
  CodecID = be.ReadByte("CodecID");
}

void TSWFDefineVideoStream::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteWord(NumFrames);
  be.WriteWord(Width);
  be.WriteWord(Height);
  be.WriteByte(static_cast<uint8_t>((VideoFlagsDeblocking & kVideoDeblockingMask) << kVideoDeblockingShift |
                                    FlagIf(VideoFlagsSmoothing, kVideoSmoothing)));
  be.WriteByte(CodecID);
}

std::string TSWFDefineVideoStream::Describe() const {
  return Format("id=%u %s %ux%u frames=%u deblocking=%u%s", CharacterID, VideoCodecName(CodecID), Width, Height,
                NumFrames, VideoFlagsDeblocking, VideoFlagsSmoothing ? " smoothing" : "");
}

void TSWFVideoFrame::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFVideoFrame>(Source);
  StreamID = s.StreamID;
  FrameNum = s.FrameNum;
}

void TSWFVideoFrame::ReadFromStream(TBitsEngine& be) {
  StreamID = be.ReadWord("StreamID");
  FrameNum = be.ReadWord("FrameNum");
  auto d = be.ReadSpan(be.Remaining(), "video data");
  Data.assign(d.begin(), d.end());
  OwnsData = true;
}

void TSWFVideoFrame::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(StreamID);
  be.WriteWord(FrameNum);
  WriteData(be);
}

std::string TSWFVideoFrame::Describe() const {
  return Format("stream=%u frame=%u data=%zu", StreamID, FrameNum, Data.size());
}

}  // namespace fc
