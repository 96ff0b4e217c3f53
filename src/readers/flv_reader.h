#pragma once
// FLV reading for embedding: TFLVData opens an FLV file once, indexes every video and audio
// tag (payload position and size, the video frame each belongs to), derives frame size,
// codec, frame count and frame rate, and parses the "onMetaData" script tag into a tree of
// typed values. The movie builder later copies payloads straight from the file by position.
//
// Everything comes from a user's file: positions are 64-bit, payload sizes are cut at the
// end of the file, and metadata counts never drive an allocation.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "readers/media_source.h"

namespace fc {

// One indexed payload.
struct TVFrame {
  int32_t Size = 0;         // payload bytes after the codec/audio header byte, never negative
  uint64_t Position = 0;    // file offset of the payload
  uint32_t FrameIndex = 0;  // video tags seen before this tag (a video tag's own index)
};

// The audio format of the file, from the first audio tag.
struct TSHeader {
  uint8_t Flags = 0;            // SoundFormat:4 SoundRate:2 SoundSize:1 SoundType:1
  uint32_t MP3FrameHeader = 0;  // first four bytes of the first MP3 frame, big-endian

  uint8_t SoundFormat() const { return Flags >> 4; }
  uint8_t SoundRate() const { return (Flags >> 2) & 3; }  // 0 5.5 kHz, 1 11, 2 22, 3 44
  uint8_t SoundSize() const { return (Flags >> 1) & 1; }  // 1 = 16-bit
  uint8_t SoundType() const { return Flags & 1; }         // 1 = stereo
};

// FLV video codec ids and audio formats the embedding code knows.
enum : uint8_t {
  kFlvCodecSorenson = 2,
  kFlvCodecScreenVideo = 3,
  kFlvCodecVP6 = 4,
  kFlvCodecVP6Alpha = 5,
  kFlvCodecScreenVideo2 = 6,
  kFlvCodecAVC = 7,
};
enum : uint8_t {
  kFlvSoundPCM = 0,  // native byte order
  kFlvSoundADPCM = 1,
  kFlvSoundMP3 = 2,
  kFlvSoundPCMLittleEndian = 3,
  kFlvSoundNellymoser = 6,
  kFlvSoundAAC = 10,
};
// Formats whose audio tags are indexed: those an SWF stream sound can carry as they are.
constexpr bool FlvSoundIsEmbeddable(uint8_t sound_format) {
  return sound_format == kFlvSoundPCM || sound_format == kFlvSoundADPCM || sound_format == kFlvSoundMP3 ||
         sound_format == kFlvSoundPCMLittleEndian || sound_format == kFlvSoundNellymoser;
}

const char* FlvVideoCodecName(uint8_t codec_id);
const char* FlvSoundFormatName(uint8_t sound_format);

// ---- Script data values ----
// Each value keeps its type marker and property name. Reading takes a bounded reader over
// the tag's data and the nesting depth (deep nesting is refused, not followed).
class TFLVCustomData {
public:
  virtual ~TFLVCustomData() = default;
  virtual int64_t GetAsInteger() const { return 0; }
  virtual void ReadFromStream(TByteReader& reader, int depth) = 0;

  uint8_t DataType = 0;
  std::string Name;
};

class TFLVDataNumber : public TFLVCustomData {
public:
  int64_t GetAsInteger() const override;  // rounded, 0 for NaN, saturated at the int64 range
  void ReadFromStream(TByteReader& reader, int depth) override;
  double Value = 0;
};

class TFLVDataBoolean : public TFLVCustomData {
public:
  int64_t GetAsInteger() const override { return Value; }
  void ReadFromStream(TByteReader& reader, int depth) override;
  uint8_t Value = 0;
};

// Markers 2 (string) and 4 (movie clip path) carry a 16-bit length; 12 (long string) a 32-bit one.
class TFLVDataString : public TFLVCustomData {
public:
  int64_t GetAsInteger() const override;  // the text as a decimal integer, else 0
  void ReadFromStream(TByteReader& reader, int depth) override;
  std::string Value;
};

// Marker 7 (reference): a 16-bit value.
class TFLVDataWord : public TFLVCustomData {
public:
  int64_t GetAsInteger() const override { return Value; }
  void ReadFromStream(TByteReader& reader, int depth) override;
  uint16_t Value = 0;
};

// Markers 5 (null) and 6 (undefined): no payload.
class TFLVDataNull : public TFLVCustomData {
public:
  void ReadFromStream(TByteReader&, int) override {}
};

class TFLVDataDate : public TFLVCustomData {
public:
  void ReadFromStream(TByteReader& reader, int depth) override;
  double Milliseconds = 0;
  int16_t TimeZone = 0;  // minutes
};

// Marker 8: a 32-bit count (only a hint), then named properties up to the end marker.
class TFLVDataECMAArray : public TFLVCustomData {
public:
  void ReadFromStream(TByteReader& reader, int depth) override;
  // The last item whose lower-cased name is `name` (already lower case), or nullptr.
  const TFLVCustomData* FindItem(std::string_view name) const;

  std::vector<std::unique_ptr<TFLVCustomData>> Items;

protected:
  // Reads up to `limit` properties; stops at the end marker or when at most 3 bytes remain.
  void ReadProperties(TByteReader& reader, uint32_t limit, int depth);
};

// Marker 3 under any name but "keyframes": named properties up to the end marker.
class TFLVDataObject : public TFLVDataECMAArray {
public:
  void ReadFromStream(TByteReader& reader, int depth) override;
};

// Marker 10: a counted list of unnamed values.
class TFLVDataStrictArray : public TFLVCustomData {
public:
  void ReadFromStream(TByteReader& reader, int depth) override;
  std::vector<std::unique_ptr<TFLVCustomData>> Items;
};

// Marker 3 under the name "keyframes": the seek index as two parallel arrays.
class TFLVKeyFramesObjectData : public TFLVCustomData {
public:
  void ReadFromStream(TByteReader& reader, int depth) override;
  uint32_t Count = 0;
  std::vector<double> Times;            // seconds
  std::vector<int64_t> FilePositions;   // byte offsets
};

// Known metadata names, addressed by index in TFLVonMetaData::FindItem.
enum class TFlvMetaName {
  duration, lasttimestamp, lastkeyframetimestamp, width, height, videodatarate, audiodatarate,
  framerate, creationdate, filesize, videosize, audiosize, datasize, metadatacreator,
  metadatadate, videocodecid, audiocodecid, audiodelay, canseektoend, keyframes,
};
const char* FlvMetaNameText(TFlvMetaName name);

// The whole "onMetaData" script tag.
class TFLVonMetaData : public TFLVDataECMAArray {
public:
  // Reads a script tag's data; throws FormatError when it is not "onMetaData" or is cut.
  void ReadFromStream(TByteReader& reader, int depth) override;
  using TFLVDataECMAArray::FindItem;
  const TFLVCustomData* FindItem(TFlvMetaName name) const { return FindItem(FlvMetaNameText(name)); }
  uint64_t StartPosition = 0;  // file offset of the tag's data
};

// Creates the value class for a type marker, or nullptr for a marker with no class.
std::unique_ptr<TFLVCustomData> MakeFlvValue(uint8_t marker, std::string_view name);

// ---- The file ----
class TFLVData {
public:
  TFLVData() = default;  // empty: no file, nothing indexed
  explicit TFLVData(const std::filesystem::path& file_name);  // opens and indexes; IoError when unreadable
  explicit TFLVData(std::unique_ptr<TMediaSource> source);     // indexes the given bytes

  uint32_t VideoFrameCount() const { return static_cast<uint32_t>(VideoFrames.size()); }
  const TVFrame& GetVideoFrame(uint32_t index) const;  // throws Error when out of range
  uint32_t AudioFrameCount() const { return static_cast<uint32_t>(AudioFrames.size()); }
  // The entry at index modulo the count; throws Error when the file has no audio frames.
  const TVFrame& GetAudioFrame(uint32_t index) const;
  bool HasSound() const { return SoundHeader.has_value() || !AudioFrames.empty(); }
  TSHeader& GetSoundHeader();
  // The payload bytes of an entry, read from the file.
  std::vector<uint8_t> ReadPayload(const TVFrame& frame) const;

  double FrameRateValue() const { return (FrameRate >> 8) + (FrameRate & 255) / 256.0; }

  uint16_t FrameRate = 0;  // 8.8 fixed point
  std::unique_ptr<TMediaSource> Stream;
  std::filesystem::path FileName;
  std::vector<TVFrame> VideoFrames;
  std::vector<TVFrame> AudioFrames;
  uint8_t VideoCodecID = 0;
  uint32_t FrameCount = 0;  // number of video frames (wide: long files have more than 65535)
  uint8_t FirstFrameType = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  std::optional<TSHeader> SoundHeader;
  std::unique_ptr<TFLVonMetaData> MetaData;
  bool HasVideo = false;  // header flag 0x01
  bool HasAudio = false;  // header flag 0x04
  // Not in the header flags: facts found while indexing, for tools and tests.
  bool IsFLV = false;                  // "FLV" version 1 header found
  uint8_t Version = 0;
  uint32_t FirstVideoTimestamp = 0;    // milliseconds, with the extended timestamp byte
  uint32_t LastVideoTimestamp = 0;
  std::string MetaDataError;           // why the metadata scan stopped early, if it did

private:
  void Index();
  void ReadFrameSize(uint64_t codec_header, uint32_t data_size);
};

}  // namespace fc
