#include "readers/mpeg_audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "readers/reader_util.h"

namespace fc {
namespace {

constexpr size_t kSearchBuffer = 3458;
constexpr size_t kSearchOffsets = 1730;  // candidate offsets 0..1729

// kbit/s by [MPEG 1 / MPEG 2 and 2.5][Layer I, II, III][BitRateID].
constexpr uint16_t kBitRates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

// Hz by VersionID (0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1) and SampleRateID.
constexpr uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

bool Matches(const std::vector<uint8_t>& b, size_t at, const char* id) {
  return at + 4 <= b.size() && std::memcmp(&b[at], id, 4) == 0;
}

uint32_t BE32At(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? detail::ReadBE32(&b[at]) : 0;
}

uint8_t ByteAt(const std::vector<uint8_t>& b, size_t at) { return at < b.size() ? b[at] : 0; }

// Where a Xing, Info or VBRI header lies in a frame: after the 4-byte header and the side
// information.
uint32_t VBROffset(const TMPEGFrameData& f) {
  if (f.VersionID == 3) return f.Mono() ? 21 : 36;
  return f.Mono() ? 13 : 21;
}

}  // namespace

bool IsValidFrameHeader(const uint8_t* b) {
  if (b[0] != 0xFF || b[1] < 0xE0) return false;
  const uint8_t version = (b[1] >> 3) & 3, layer = (b[1] >> 1) & 3;
  const uint8_t rate = (b[2] >> 2) & 3, emphasis = b[3] & 3;
  return version != 1 && layer != 0 && b[2] < 0xF0 && b[2] > 0x0F && rate != 3 && emphasis != 2;
}

void TMPEGFrameData::Decode(const uint8_t* b) {
  std::memcpy(Data.data(), b, 4);
  VersionID = (b[1] >> 3) & 3;
  LayerID = (b[1] >> 1) & 3;
  ProtectionBit = (b[1] & 1) == 0;
  BitRateID = b[2] >> 4;
  SampleRateID = (b[2] >> 2) & 3;
  PaddingBit = (b[2] & 2) != 0;
  PrivateBit = (b[2] & 1) != 0;
  ModeID = b[3] >> 6;
  ModeExtensionID = (b[3] >> 4) & 3;
  CopyrightBit = (b[3] & 8) != 0;
  OriginalBit = (b[3] & 4) != 0;
  EmphasisID = b[3] & 3;
}

uint32_t TMPEGFrameData::BitRate() const {
  if (VersionID == 1 || VersionID > 3 || LayerID == 0 || LayerID > 3 || BitRateID > 15) return 0;
  return kBitRates[VersionID == 3 ? 0 : 1][3 - LayerID][BitRateID];
}

uint32_t TMPEGFrameData::SampleRate() const {
  if (VersionID > 3 || SampleRateID > 2) return 0;
  return kSampleRates[VersionID][SampleRateID];
}

uint32_t TMPEGFrameData::SamplesPerFrame() const {
  switch (LayerID) {
    case 3: return 384;
    case 2: return 1152;
    case 1: return VersionID == 3 ? 1152 : 576;
    default: return 0;
  }
}

uint32_t TMPEGFrameData::PaddingLength() const { return PaddingBit ? (LayerID == 3 ? 4 : 1) : 0; }

uint32_t TMPEGFrameData::FrameLength() const {
  const uint64_t rate = SampleRate();
  if (rate == 0) return 0;
  return static_cast<uint32_t>(uint64_t{Coefficient()} * BitRate() * 1000 / rate) + PaddingLength();
}

void TMPEGaudio::Clear() { *this = TMPEGaudio(); }

void TMPEGaudio::ReadVBR(const std::vector<uint8_t>& b, size_t frame) {
  const size_t at = frame + VBROffset(Frame);
  if (Matches(b, at, "Xing")) {
    VBR = {true, "Xing", BE32At(b, at + 8), BE32At(b, at + 12), ByteAt(b, at + 119), {}};
    for (size_t i = 0; i < 8 && at + 120 + i < b.size(); ++i) VBR.VendorID.push_back(static_cast<char>(b[at + 120 + i]));
  } else if (Matches(b, at, "VBRI")) {
    VBR = {true, "VBRI", BE32At(b, at + 14), BE32At(b, at + 10), ByteAt(b, at + 9), {}};
  } else if (Matches(b, at, "Info")) {
    VBR = {true, "Info", 0, 0, 0, {}};
    const uint8_t flags = ByteAt(b, at + 7);
    if (flags & 1) VBR.Frames = BE32At(b, at + 8);
    if (flags & 2) VBR.Bytes = BE32At(b, at + 12);
    if (flags & 8) VBR.Scale = ByteAt(b, at + 119);
  }
}

void TMPEGaudio::FindFrame(const std::vector<uint8_t>& buffer) {
  std::vector<uint8_t> b = buffer;
  b.resize(kSearchBuffer, 0);  // bytes past the end of the file count as 0
  for (size_t i = 0; i < kSearchOffsets; ++i) {
    if (!IsValidFrameHeader(&b[i])) continue;
    TMPEGFrameData f;
    f.Decode(&b[i]);
    const uint32_t length = f.FrameLength();
    if (length == 0 || i + length + 4 > b.size() || !IsValidFrameHeader(&b[i + length])) continue;
    Frame = f;
    Frame.Found = true;
    Frame.Position = i;
    Frame.Size = static_cast<uint16_t>(length);
    ReadVBR(b, i);
    return;
  }
}

bool TMPEGaudio::ReadFromFile(const TMediaSource& stream) {
  Clear();
  FileLength = stream.Size();
  if (FileLength >= 128) {
    const auto tail = stream.ReadBytes(FileLength - 128, 3);
    if (tail.size() == 3 && std::memcmp(tail.data(), "TAG", 3) == 0) ID3v1 = {true, 128};
  }
  const auto head = stream.ReadBytes(0, 10);
  if (head.size() == 10 && std::memcmp(head.data(), "ID3", 3) == 0) {
    ID3v2.Exists = true;
    ID3v2.Version = head[3];
    ID3v2.Size = (uint64_t{head[6]} << 21) + (uint64_t{head[7]} << 14) + (uint64_t{head[8]} << 7) + head[9] + 10;
    if (ID3v2.Size > FileLength) ID3v2.Size = 0;
  }

  FindFrame(stream.ReadBytes(ID3v2.Size, kSearchBuffer));
  if (!Frame.Found) {
    const uint64_t middle = (FileLength - ID3v2.Size) / 2;
    FindFrame(stream.ReadBytes(ID3v2.Size + middle, kSearchBuffer));
    if (Frame.Found) Frame.Position += middle;
  }
  if (Frame.Found) {
    BuildFrameIndex(stream);
  } else {
    const TID3v1 v1 = ID3v1;
    const TID3v2 v2 = ID3v2;
    const uint64_t length = FileLength;
    Clear();
    FileLength = length;
    ID3v1 = v1;
    ID3v2 = v2;
  }
  return true;
}

void TMPEGaudio::BuildFrameIndex(const TMediaSource& stream) {
  TBufferedSourceReader in(stream);
  const uint64_t end = FileLength - std::min<uint64_t>(ID3v1.Size, FileLength);
  for (uint64_t offset = Frame.Position + ID3v2.Size; offset < end;) {
    uint8_t h[4];
    if (in.ReadAt(offset, h) < 4 || !IsValidFrameHeader(h)) break;
    TMPEGFrameData f;
    f.Decode(h);
    const uint32_t length = f.FrameLength();
    if (length == 0) break;
    TMP3FrameInfo info;
    info.Position = offset;
    info.Size = static_cast<uint16_t>(length);
    std::memcpy(info.Header.data(), h, 4);
    // The header frame of an encoder carries its tag after the side information, whose size
    // depends on version and mode; +36 alone misses it in mono and MPEG 2 files.
    for (const uint32_t at : {VBROffset(f), 36u}) {
      uint8_t tag[4] = {};
      in.ReadAt(offset + at, tag);
      for (const char* id : {"Info", "UUUU", "Xing", "LAME", "VBRI"})
        if (std::memcmp(tag, id, 4) == 0) info.IsAudio = false;
    }
    FrameList.push_back(info);
    offset += length;
  }
}

uint32_t TMPEGaudio::FrameCount() const {
  if (!FrameList.empty()) return static_cast<uint32_t>(FrameList.size());
  if (VBR.Found) return VBR.Frames;
  if (Frame.Size == 0) return 0;
  const uint64_t start = ID3v2.Size + Frame.Position;
  return static_cast<uint32_t>(std::min<uint64_t>((FileLength - std::min(start, FileLength)) / Frame.Size, UINT32_MAX));
}

uint32_t TMPEGaudio::BitRate() const {
  if (VBR.Found && VBR.Frames > 0 && Frame.Coefficient() > 0) {
    const double v = (double(VBR.Bytes) / VBR.Frames - Frame.PaddingLength()) * SampleRate() / Frame.Coefficient() / 1000;
    if (v >= 1 && v < 100000) return static_cast<uint32_t>(std::nearbyint(v));
  }
  return Frame.BitRate();
}

double TMPEGaudio::Duration() const {
  if (!Frame.Found || SampleRate() == 0) return 0;
  if (VBR.Found && VBR.Frames > 0) return double(VBR.Frames) * Frame.SamplesPerFrame() / SampleRate();
  const uint32_t rate = BitRate();
  if (rate == 0) return 0;
  const uint64_t start = ID3v2.Size + Frame.Position;
  return double(FileLength - std::min(start, FileLength)) * 8 / rate / 1000;
}

uint32_t TMPEGaudio::AudioFrameCount() const {
  return static_cast<uint32_t>(std::count_if(FrameList.begin(), FrameList.end(), [](const auto& f) { return f.IsAudio; }));
}

}  // namespace fc
