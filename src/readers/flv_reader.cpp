#include "readers/flv_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/error.h"
#include "core/text.h"
#include "readers/reader_util.h"
#include "swf/bits_engine.h"

namespace fc {
using namespace detail;
namespace {

constexpr int kMaxScriptDepth = 32;
constexpr uint8_t kTagAudio = 8, kTagVideo = 9, kTagScript = 18;
constexpr uint8_t kMarkerObjectEnd = 9;

constexpr std::array<const char*, 20> kMetaNames = {
    "duration",      "lasttimestamp", "lastkeyframetimestamp", "width",         "height",
    "videodatarate", "audiodatarate", "framerate",             "creationdate",  "filesize",
    "videosize",     "audiosize",     "datasize",              "metadatacreator", "metadatadate",
    "videocodecid",  "audiocodecid",  "audiodelay",            "canseektoend",  "keyframes"};

// MSB-first bit fields over the few bytes of a codec header.
class THeaderBits {
public:
  explicit THeaderBits(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint32_t Read(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i, ++bit_) {
      const size_t byte = bit_ / 8;
      const uint8_t b = byte < bytes_.size() ? bytes_[byte] : 0;
      v = (v << 1) | ((b >> (7 - bit_ % 8)) & 1);
    }
    return v;
  }

private:
  std::span<const uint8_t> bytes_;
  size_t bit_ = 0;
};

double ReadDoubleBE(TByteReader& r) {
  const uint64_t bits = r.U64BE("number");
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void CheckDepth(int depth, const TByteReader& r) {
  if (depth > kMaxScriptDepth)
    throw FormatError(Format("script data nested deeper than %d at offset 0x%llx", kMaxScriptDepth,
                             static_cast<unsigned long long>(r.FileOffset())));
}

// Reads one value of the given marker; throws FormatError for a marker with no class.
std::unique_ptr<TFLVCustomData> ReadValue(TByteReader& r, uint8_t marker, std::string name, int depth) {
  auto value = MakeFlvValue(marker, name);
  if (!value)
    throw FormatError(Format("script data value of unknown type %u at offset 0x%llx", marker,
                             static_cast<unsigned long long>(r.FileOffset() - 1)));
  value->ReadFromStream(r, depth + 1);
  return value;
}

}  // namespace

const char* FlvVideoCodecName(uint8_t codec_id) {
  switch (codec_id) {
    case 1: return "JPEG";
    case kFlvCodecSorenson: return "Sorenson H.263";
    case kFlvCodecScreenVideo: return "Screen video";
    case kFlvCodecVP6: return "On2 VP6";
    case kFlvCodecVP6Alpha: return "On2 VP6 with alpha";
    case kFlvCodecScreenVideo2: return "Screen video 2";
    case kFlvCodecAVC: return "H.264";
    default: return "unknown";
  }
}

const char* FlvSoundFormatName(uint8_t sound_format) {
  static constexpr std::array<const char*, 16> kNames = {
      "PCM (platform endian)", "ADPCM", "MP3", "PCM (little endian)", "Nellymoser 16 kHz mono",
      "Nellymoser 8 kHz mono", "Nellymoser", "G.711 A-law", "G.711 mu-law", "reserved", "AAC",
      "Speex", "unknown", "unknown", "MP3 8 kHz", "device-specific"};
  return kNames[sound_format & 15];
}

const char* FlvMetaNameText(TFlvMetaName name) { return kMetaNames.at(static_cast<size_t>(name)); }

std::unique_ptr<TFLVCustomData> MakeFlvValue(uint8_t marker, std::string_view name) {
  std::unique_ptr<TFLVCustomData> v;
  switch (marker) {
    case 0: v = std::make_unique<TFLVDataNumber>(); break;
    case 1: v = std::make_unique<TFLVDataBoolean>(); break;
    case 2: case 4: case 12: v = std::make_unique<TFLVDataString>(); break;
    case 3:
      if (ToLowerAscii(name) == "keyframes") v = std::make_unique<TFLVKeyFramesObjectData>();
      else v = std::make_unique<TFLVDataObject>();
      break;
    case 5: case 6: v = std::make_unique<TFLVDataNull>(); break;
    case 7: v = std::make_unique<TFLVDataWord>(); break;
    case 8: v = std::make_unique<TFLVDataECMAArray>(); break;
    case 10: v = std::make_unique<TFLVDataStrictArray>(); break;
    case 11: v = std::make_unique<TFLVDataDate>(); break;
    default: return nullptr;
  }
  v->DataType = marker;
  v->Name = std::string(name);
  return v;
}

int64_t TFLVDataNumber::GetAsInteger() const { return RoundToInt64(Value); }

void TFLVDataNumber::ReadFromStream(TByteReader& r, int) { Value = ReadDoubleBE(r); }

void TFLVDataBoolean::ReadFromStream(TByteReader& r, int) { Value = r.U8("boolean"); }

int64_t TFLVDataString::GetAsInteger() const {
  const auto v = ParseInt64(Value);
  return v && Value.find_first_of("xX") == std::string::npos ? *v : 0;
}

void TFLVDataString::ReadFromStream(TByteReader& r, int) {
  const uint32_t length = DataType == 12 ? r.U32BE("long string length") : r.U16BE("string length");
  Value = r.String(length, "string");
}

void TFLVDataWord::ReadFromStream(TByteReader& r, int) { Value = r.U16BE("reference"); }

void TFLVDataDate::ReadFromStream(TByteReader& r, int) {
  Milliseconds = ReadDoubleBE(r);
  TimeZone = static_cast<int16_t>(r.U16BE("time zone"));
}

const TFLVCustomData* TFLVDataECMAArray::FindItem(std::string_view name) const {
  const TFLVCustomData* found = nullptr;
  for (const auto& item : Items)
    if (ToLowerAscii(item->Name) == name) found = item.get();
  return found;
}

void TFLVDataECMAArray::ReadProperties(TByteReader& r, uint32_t limit, int depth) {
  CheckDepth(depth, r);
  for (uint32_t i = 0; i < limit; ++i) {
    if (r.Remaining() <= 3) {  // only the end marker (or less) is left
      r.Skip(r.Remaining());
      return;
    }
    const uint16_t name_length = r.U16BE("property name length");
    std::string name = r.String(name_length, "property name");
    const uint8_t marker = r.U8("value type");
    if (marker == kMarkerObjectEnd) return;
    Items.push_back(ReadValue(r, marker, std::move(name), depth));
  }
}

void TFLVDataECMAArray::ReadFromStream(TByteReader& r, int depth) {
  // The count is only a hint (0 means "up to 10000"); it is never used to reserve memory.
  const uint32_t count = r.U32BE("array count");
  ReadProperties(r, count == 0 ? 10000 : count, depth);
  // Most writers end the array with an end marker even when they give the count.
  const auto rest = r.Rest();
  if (rest.size() >= 3 && rest[0] == 0 && rest[1] == 0 && rest[2] == kMarkerObjectEnd) r.Skip(3);
}

void TFLVDataObject::ReadFromStream(TByteReader& r, int depth) {
  ReadProperties(r, std::numeric_limits<uint32_t>::max(), depth);
}

void TFLVDataStrictArray::ReadFromStream(TByteReader& r, int depth) {
  CheckDepth(depth, r);
  const uint32_t count = r.U32BE("array count");
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t marker = r.U8("value type");  // fails on a count larger than the data
    Items.push_back(ReadValue(r, marker, std::string(), depth));
  }
}

void TFLVKeyFramesObjectData::ReadFromStream(TByteReader& r, int depth) {
  CheckDepth(depth, r);
  bool have_count = false;
  while (r.Remaining() > 3) {
    const uint16_t name_length = r.U16BE("property name length");
    const std::string name = ToLowerAscii(r.String(name_length, "property name"));
    const uint8_t marker = r.U8("value type");
    if (marker == kMarkerObjectEnd) return;
    const bool times = name == "times";
    if (marker != 10 || (!times && name != "filepositions")) {
      ReadValue(r, marker, name, depth);  // some writers add more; read and drop it
      continue;
    }
    const uint32_t count = r.U32BE("keyframe count");
    // Each value takes 9 bytes, so the count is bounded by what remains before anything is kept.
    if (count > r.Remaining() / 9)
      throw FormatError(Format("keyframe array of %u entries at offset 0x%llx is longer than its tag", count,
                               static_cast<unsigned long long>(r.FileOffset())));
    if (!have_count) {
      Count = count;
      have_count = true;
    }
    const bool keep = count <= Count && (times ? Times.empty() : FilePositions.empty());
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t value_marker = r.U8("keyframe value type");
      if (value_marker != 0)
        throw FormatError(Format("keyframe value of type %u at offset 0x%llx", value_marker,
                                 static_cast<unsigned long long>(r.FileOffset() - 1)));
      const double v = ReadDoubleBE(r);
      if (!keep) continue;
      if (times) Times.push_back(v);
      else FilePositions.push_back(RoundToInt64(v));
    }
  }
}

void TFLVonMetaData::ReadFromStream(TByteReader& r, int depth) {
  StartPosition = r.FileOffset();
  if (r.U8("script name type") != 2) throw FormatError("script data does not start with a name");
  const uint16_t length = r.U16BE("script name length");
  if (r.String(length, "script name") != "onMetaData") throw FormatError("script data is not onMetaData");
  DataType = r.U8("metadata type");
  Name = "onMetaData";
  if (DataType == 8) TFLVDataECMAArray::ReadFromStream(r, depth);
  else if (DataType == 3) ReadProperties(r, std::numeric_limits<uint32_t>::max(), depth);
}

// ---- TFLVData ----

TFLVData::TFLVData(const std::filesystem::path& file_name) : TFLVData(std::make_unique<TFileSource>(file_name)) {
  FileName = file_name;
}

TFLVData::TFLVData(std::unique_ptr<TMediaSource> source) : Stream(std::move(source)) { Index(); }

const TVFrame& TFLVData::GetVideoFrame(uint32_t index) const {
  if (index >= VideoFrames.size())
    throw Error(Format("video frame %u does not exist (the file has %zu)", index, VideoFrames.size()));
  return VideoFrames[index];
}

const TVFrame& TFLVData::GetAudioFrame(uint32_t index) const {
  if (AudioFrames.empty()) throw Error("the FLV file has no usable audio frames");
  return AudioFrames[index % AudioFrames.size()];
}

TSHeader& TFLVData::GetSoundHeader() {
  if (!SoundHeader) SoundHeader.emplace();
  return *SoundHeader;
}

std::vector<uint8_t> TFLVData::ReadPayload(const TVFrame& frame) const {
  if (!Stream || frame.Size <= 0) return {};
  return Stream->ReadBytes(frame.Position, static_cast<size_t>(frame.Size));
}

void TFLVData::Index() {
  const TMediaSource& src = *Stream;
  const uint64_t file_size = src.Size();
  // A small window: tags are read a few header bytes at a time, and large video tags are
  // stepped over without reading their payloads.
  TBufferedSourceReader in(src, 4096);
  std::array<uint8_t, 16> h{};
  if (in.ReadAt(0, std::span(h).first(9)) < 9 || h[0] != 'F' || h[1] != 'L' || h[2] != 'V' || h[3] != 1) return;
  IsFLV = true;
  Version = h[3];
  HasVideo = (h[4] & 0x01) != 0;
  HasAudio = (h[4] & 0x04) != 0;
  const uint32_t header_size = std::max<uint32_t>(ReadBE32(&h[5]), 9);

  bool audio_usable = true;
  bool first_audio = true;
  bool seen_video = false;
  uint32_t video_tags = 0;
  // p is the position just after a tag's DataSize field; the next tag starts at p + DataSize + 11.
  for (uint64_t tag = uint64_t{header_size} + 4; tag + 11 <= file_size;) {
    if (in.ReadAt(tag, std::span(h).first(11)) < 11) break;
    const uint8_t type = h[0] & 0x1f;  // the top bits are reserved or the encryption flag
    const uint32_t data_size = ReadBE24(&h[1]);
    const uint32_t timestamp = ReadBE24(&h[4]) | (uint32_t{h[7]} << 24);
    const uint64_t p = tag + 4;
    const uint64_t next = p + data_size + 11;
    const auto payload_size = [&](uint64_t position) {
      // DataSize - 1, cut to end at the end of the file; never negative.
      const uint64_t wanted = data_size > 0 ? data_size - 1 : 0;
      return static_cast<int32_t>(std::min<uint64_t>(wanted, src.Remaining(position)));
    };

    if (type == kTagAudio) {
      if (audio_usable && data_size > 0) {
        if (first_audio) {
          first_audio = false;
          std::array<uint8_t, 5> a{};
          in.ReadAt(p + 7, a);
          TSHeader& sound = GetSoundHeader();
          sound.Flags = a[0];
          if (sound.SoundFormat() == kFlvSoundMP3) sound.MP3FrameHeader = ReadBE32(&a[1]);
          audio_usable = FlvSoundIsEmbeddable(sound.SoundFormat());
        }
        if (audio_usable) AudioFrames.push_back({payload_size(p + 8), p + 8, video_tags});
      }
    } else if (type == kTagVideo) {
      std::array<uint8_t, 2> codec{};
      in.ReadAt(p + 7, codec);
      if (video_tags == 0 && !seen_video) {
        seen_video = true;
        VideoCodecID = codec[0] & 15;
        FirstFrameType = codec[0] >> 4;
        ReadFrameSize(p + 8, data_size);
      }
      // H.264 tags also carry the decoder configuration and the end of the sequence: not frames.
      const bool frame = VideoCodecID != kFlvCodecAVC || (data_size >= 2 && codec[1] == 1);
      if (frame) {
        VideoFrames.push_back({payload_size(p + 8), p + 8, video_tags});
        if (video_tags == 0) FirstVideoTimestamp = timestamp;
        ++video_tags;
        LastVideoTimestamp = timestamp;
      }
    } else if (type == kTagScript) {
      // Other script tags (cue points, text data) are not metadata and are passed over.
      static constexpr uint8_t kName[] = {2, 0, 10, 'o', 'n', 'M', 'e', 't', 'a', 'D', 'a', 't', 'a'};
      std::array<uint8_t, sizeof kName> name{};
      if (data_size >= sizeof kName && in.ReadAt(p + 7, name) == name.size() &&
          std::equal(std::begin(kName), std::end(kName), name.begin())) {
        const auto data = src.ReadBytes(p + 7, data_size);
        auto meta = std::make_unique<TFLVonMetaData>();
        TByteReader reader(data, p + 7);
        try {
          meta->ReadFromStream(reader, 0);
          MetaDataError.clear();
        } catch (const FormatError& e) {
          MetaDataError = e.what();  // what was read before the fault is kept
        }
        MetaData = std::move(meta);
      }
    }
    tag = next;
  }
  if (!audio_usable) AudioFrames.clear();

  FrameCount = video_tags;
  // The rate spans the first to the last frame: encoders that delay the video for the audio's
  // priming start it some milliseconds after 0.
  const uint32_t span = LastVideoTimestamp - std::min(FirstVideoTimestamp, LastVideoTimestamp);
  if (span > 0) {
    const double tenths = std::nearbyint((FrameCount - 1.0) * 10000.0 / span);
    FrameRate = FloatToFixed8(tenths / 10.0);
  } else {
    FrameRate = 11;  // the raw 8.8 value kept for a single frame at time 0
  }
  // Codecs whose frame header carries no size (H.264 among them) take it from the metadata.
  if (Width == 0 && Height == 0 && MetaData) {
    if (const auto* w = MetaData->FindItem(TFlvMetaName::width)) Width = ClampToU16(w->GetAsInteger());
    if (const auto* ht = MetaData->FindItem(TFlvMetaName::height)) Height = ClampToU16(ht->GetAsInteger());
  }
}

void TFLVData::ReadFrameSize(uint64_t codec_header, uint32_t data_size) {
  const auto bytes = Stream->ReadBytes(codec_header, std::min<uint32_t>(data_size, 16));
  switch (VideoCodecID) {
    case kFlvCodecSorenson: {
      THeaderBits bits(bytes);
      bits.Read(16);
      switch (bits.Read(17) & 7) {
        case 0: Width = static_cast<uint16_t>(bits.Read(8)); Height = static_cast<uint16_t>(bits.Read(8)); break;
        case 1: Width = static_cast<uint16_t>(bits.Read(16)); Height = static_cast<uint16_t>(bits.Read(16)); break;
        case 2: Width = 352; Height = 288; break;
        case 3: Width = 176; Height = 144; break;
        case 4: Width = 128; Height = 96; break;
        case 5: Width = 320; Height = 240; break;
        case 6: Width = 160; Height = 120; break;
        default: break;
      }
      break;
    }
    case kFlvCodecScreenVideo:
    case kFlvCodecScreenVideo2:
      if (bytes.size() >= 4) {
        Width = ReadBE16(&bytes[0]) & 0x0fff;
        Height = ReadBE16(&bytes[2]) & 0x0fff;
      }
      break;
    case kFlvCodecVP6:
      if (MetaData) {
        if (const auto* w = MetaData->FindItem(TFlvMetaName::width)) Width = ClampToU16(w->GetAsInteger());
        if (const auto* ht = MetaData->FindItem(TFlvMetaName::height)) Height = ClampToU16(ht->GetAsInteger());
      } else if (bytes.size() >= 5) {
        Height = static_cast<uint16_t>(bytes[3] * 16);
        Width = static_cast<uint16_t>(bytes[4] * 16);
      }
      break;
    default:
      break;
  }
}

}  // namespace fc
