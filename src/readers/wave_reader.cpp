#include "readers/wave_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/error.h"
#include "core/text.h"
#include "readers/reader_util.h"

namespace fc {
namespace {

using detail::ReadLE16;
using detail::ReadLE32;

constexpr uint32_t kMaxSampleRate = 1'000'000;
constexpr size_t kMaxFmtChunk = 256;
constexpr uint16_t kMaxCoefficients = 256;

[[noreturn]] void InvalidFmt(uint64_t offset, const std::string& why) {
  throw FormatError(Format("invalid \"fmt \" chunk at offset 0x%llx: %s", static_cast<unsigned long long>(offset),
                           why.c_str()));
}

}  // namespace

const char* WaveFormatName(uint16_t format_tag) {
  switch (format_tag) {
    case 0: return "none";
    case kWaveFormatPCM: return "PCM";
    case kWaveFormatMSADPCM: return "Microsoft ADPCM";
    case 3: return "IEEE float";
    case 6: return "A-law";
    case 7: return "mu-law";
    case 0x11: return "IMA ADPCM";
    case kWaveFormatMPEG: return "MPEG audio in WAV";
    case kWaveFormatMPEGLayer3: return "MP3 in WAV";
    case kWaveFormatMP3File: return "MP3";
    default: return "unknown";
  }
}

TWaveReader::TWaveReader(const std::filesystem::path& file_name) : FileName(file_name.string()) {
  const std::string extension = ToUpperAscii(file_name.extension().string());
  if (extension != ".MP3" && extension != ".WAV") return;
  Source = std::make_unique<TFileSource>(file_name);
  Open(extension);
}

TWaveReader::TWaveReader(std::unique_ptr<TMediaSource> source, std::string_view extension) : Source(std::move(source)) {
  Open(ToUpperAscii(extension));
}

void TWaveReader::Open(std::string_view extension) {
  if (extension == ".MP3") OpenMPEG(*Source, true);
  else if (extension == ".WAV") ReadWaveHeader();
  SourcePosition = DataOffset;
}

void TWaveReader::OpenMPEG(const TMediaSource& stream, bool is_mp3_file) {
  MPEG = std::make_unique<TMPEGaudio>();
  MPEG->ReadFromFile(stream);
  mpeg_source_ = &stream;
  const TMPEGFrameData& frame = MPEG->Frame;
  if (!frame.Found) return;
  if (is_mp3_file) {
    FormatTag = kWaveFormatMP3File;
    DataOffset = frame.Position + MPEG->ID3v2.Size;
    DataSize = MPEG->FileLength - std::min(MPEG->FileLength, DataOffset + MPEG->ID3v1.Size);
  }
  Channels = frame.Mono() ? 1 : 2;
  SampleRate = frame.SampleRate();
  BitsPerSample = 16;
  Duration = MPEG->Duration();
  SampleCount = static_cast<uint64_t>(std::max(0.0, std::nearbyint(SampleRate * Duration)));
  FrameSize = frame.Size;
  FrameCount = MPEG->FrameCount();
  BitRate = static_cast<uint16_t>(std::min<uint32_t>(MPEG->BitRate(), 65535));
  SamplesPerFrame = static_cast<uint16_t>(frame.SamplesPerFrame());
  // A count taken from a VBR header or estimated is capped by what the file can hold; a count
  // from the frame index is exact (its first frame, an encoder's tag, is often the largest).
  if (MPEG->FrameList.empty() && FrameSize > 0 && MPEG->FileLength < uint64_t{FrameSize} * FrameCount)
    FrameCount = static_cast<uint32_t>(MPEG->FileLength / FrameSize);
}

void TWaveReader::ReadWaveHeader() {
  const TMediaSource& src = *Source;
  const auto riff = src.ReadBytes(0, 12);
  if (riff.size() < 12 || std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(&riff[8], "WAVE", 4) != 0) return;

  // Chunks follow each other to the end of the file (the RIFF size is often wrong in files
  // written to a pipe); each is padded to an even length.
  bool have_fmt = false, have_data = false;
  uint64_t fmt_offset = 0, fmt_size = 0;
  const uint64_t file_size = src.Size();
  for (uint64_t pos = 12; pos + 8 <= file_size && !(have_fmt && have_data);) {
    const auto h = src.ReadBytes(pos, 8);
    const uint64_t size = ReadLE32(&h[4]);
    if (!have_fmt && std::memcmp(h.data(), "fmt ", 4) == 0) {
      have_fmt = true;
      fmt_offset = pos + 8;
      fmt_size = size;
    } else if (!have_data && std::memcmp(h.data(), "data", 4) == 0) {
      have_data = true;
      DataOffset = pos + 8;
      DataSize = std::min(size, src.Remaining(DataOffset));  // cut at the end of the file
    }
    pos += 8 + size + (size & 1);
  }
  if (!have_fmt) throw FormatError("the WAV file has no \"fmt \" chunk");
  const auto fmt = src.ReadBytes(fmt_offset, static_cast<size_t>(std::min<uint64_t>(fmt_size, kMaxFmtChunk)));
  ReadFormatChunk(fmt, fmt_offset);
  if (Duration == 0 && SampleRate > 0) Duration = double(SampleCount) / SampleRate;
}

void TWaveReader::ReadFormatChunk(std::span<const uint8_t> fmt, uint64_t offset) {
  if (fmt.size() < 16) InvalidFmt(offset, Format("%zu bytes, at least 16 are needed", fmt.size()));
  FormatTag = ReadLE16(&fmt[0]);
  Channels = ReadLE16(&fmt[2]);
  SampleRate = ReadLE32(&fmt[4]);
  BlockAlign = ReadLE16(&fmt[12]);
  BitsPerSample = ReadLE16(&fmt[14]);
  // WAVE_FORMAT_EXTENSIBLE names the real format in the first word of its sub-format GUID.
  if (FormatTag == kWaveFormatExtensible) {
    if (fmt.size() < 26 || ReadLE16(&fmt[16]) < 10) InvalidFmt(offset, "extensible format without a sub-format");
    FormatTag = ReadLE16(&fmt[24]);
  }
  if (Channels == 0) InvalidFmt(offset, "no channels");
  if (SampleRate == 0 || SampleRate > kMaxSampleRate) InvalidFmt(offset, Format("sample rate %u", SampleRate));
  if (BlockAlign == 0) InvalidFmt(offset, "block align 0");

  switch (FormatTag) {
    case kWaveFormatPCM: {
      if (BitsPerSample == 0 || BitsPerSample % 8 != 0 || BitsPerSample > 32)
        InvalidFmt(offset, Format("PCM with %u bits per sample", BitsPerSample));
      SampleCount = DataSize * 8 / (uint64_t{BitsPerSample} * Channels);
      break;
    }
    case kWaveFormatMSADPCM: {
      if (Channels > 2) InvalidFmt(offset, Format("Microsoft ADPCM with %u channels", Channels));
      if (BitsPerSample != 4) InvalidFmt(offset, Format("Microsoft ADPCM with %u bits per sample", BitsPerSample));
      if (fmt.size() < 22) InvalidFmt(offset, "Microsoft ADPCM without its coefficient count");
      ADPCMFormat.BlockAlign = BlockAlign;
      ADPCMFormat.BitsPerSample = BitsPerSample;
      ADPCMFormat.SamplesPerBlock = ReadLE16(&fmt[18]);
      ADPCMFormat.NumCoef = ReadLE16(&fmt[20]);
      if (ADPCMFormat.NumCoef == 0 || ADPCMFormat.NumCoef > kMaxCoefficients ||
          22 + 4u * ADPCMFormat.NumCoef > fmt.size())
        InvalidFmt(offset, Format("%u coefficient pairs in %zu bytes", ADPCMFormat.NumCoef, fmt.size()));
      ADPCMFormat.Coefs.clear();
      for (size_t i = 0; i < ADPCMFormat.NumCoef; ++i)
        ADPCMFormat.Coefs.emplace_back(static_cast<int16_t>(ReadLE16(&fmt[22 + 4 * i])),
                                       static_cast<int16_t>(ReadLE16(&fmt[24 + 4 * i])));
      // A block holds a 7-byte header per channel and two samples per byte after it.
      const uint32_t header = 7u * Channels;
      if (BlockAlign < header) InvalidFmt(offset, Format("block align %u below the %u-byte block header", BlockAlign, header));
      const uint32_t capacity = (BlockAlign - header) * 2 / Channels + 2;
      if (ADPCMFormat.SamplesPerBlock < 2 || ADPCMFormat.SamplesPerBlock > capacity)
        InvalidFmt(offset, Format("%u samples per block in blocks of %u bytes", ADPCMFormat.SamplesPerBlock, BlockAlign));
      const uint64_t whole = ADPCMFormat.SamplesPerBlock * DataSize / BlockAlign;
      SampleCount = whole > 2 ? whole - 2 : 0;
      break;
    }
    case kWaveFormatMPEG:
    case kWaveFormatMPEGLayer3:
      // The data chunk holds plain MPEG frames; they are analysed as an MP3 file of their own.
      mpeg_window_ = std::make_unique<TSliceSource>(*Source, DataOffset, DataSize);
      OpenMPEG(*mpeg_window_, false);
      break;
    default:
      if (BitsPerSample > 0) SampleCount = DataSize * 8 / (uint64_t{BitsPerSample} * Channels);
      break;
  }
}

// ---- Writing ----

void TWaveReader::RequireFormat(uint16_t tag, const char* operation) const {
  if (FormatTag != tag)
    throw Error(Format("%s needs %s sound, %s is %s", operation, WaveFormatName(tag), FileName.c_str(),
                       WaveFormatName(FormatTag)));
  if (Channels < 1 || Channels > 2)
    throw Error(Format("Flash sound has 1 or 2 channels, %s has %u", FileName.c_str(), Channels));
}

unsigned TWaveReader::ADPCMBits(unsigned bits) const {
  return bits == 0 || bits > BitsPerSample ? BitsPerSample : bits;
}

void TWaveReader::SeekData() {
  SourcePosition = DataOffset;
  pending_.clear();
}

void TWaveReader::GatherPCM(std::vector<uint8_t>& out, uint64_t count, bool loop) {
  const uint64_t data_end = DataOffset + DataSize;
  uint64_t wanted = count;
  while (wanted > 0) {
    if (SourcePosition < DataOffset || SourcePosition > data_end) SourcePosition = data_end;
    const uint64_t n = std::min(wanted, data_end - SourcePosition);
    if (n > 0) {
      auto bytes = Source->ReadBytes(SourcePosition, static_cast<size_t>(n));
      if (bytes.size() < n) bytes.resize(static_cast<size_t>(n), 0);  // the file shrank under us
      out.insert(out.end(), bytes.begin(), bytes.end());
      SourcePosition += n;
      wanted -= n;
      continue;
    }
    if (!loop || DataSize == 0) break;  // nothing to loop over: pad below
    SourcePosition = DataOffset;
  }
  out.resize(out.size() + static_cast<size_t>(wanted), 0);
}

void TWaveReader::WritePCMBlock(TBitsEngine& engine, int64_t Count, unsigned Bits, bool Loop) {
  if (Count <= 0) return;
  RequireFormat(kWaveFormatPCM, "writing PCM");
  if (BitsPerSample != 8 && BitsPerSample != 16)
    throw Error(Format("Flash sound has 8 or 16 bits per sample, %s has %u", FileName.c_str(), BitsPerSample));
  std::vector<uint8_t> pcm;
  pcm.reserve(static_cast<size_t>(std::min<uint64_t>(Count, DataSize + 65536)));
  GatherPCM(pcm, static_cast<uint64_t>(Count), Loop);
  if (Bits == 0) engine.WriteBuffer(pcm);
  else EncodeSWFADPCM(engine, pcm, Bits, BitsPerSample == 16, Channels == 2, false, true);
}

uint32_t TWaveReader::DecodeNextBlock() {
  const uint64_t data_end = DataOffset + DataSize;
  if (SourcePosition < DataOffset || SourcePosition >= data_end) return 0;
  const uint64_t n = std::min<uint64_t>(BlockAlign, data_end - SourcePosition);
  const auto block = Source->ReadBytes(SourcePosition, static_cast<size_t>(n));
  const uint32_t frames = DecodeMSADPCMBlock(block, ADPCMFormat, Channels, pending_, SourcePosition);
  SourcePosition += n;
  return frames;
}

void TWaveReader::WriteADPCMBlock(TBitsEngine& engine, uint32_t Samples, unsigned Bits, bool Loop) {
  RequireFormat(kWaveFormatMSADPCM, "writing ADPCM blocks");
  const size_t wanted = size_t{Samples} * Channels;
  uint64_t decoded_this_pass = 0;
  while (pending_.size() < wanted) {
    if (SourcePosition < DataOffset + DataSize) {
      decoded_this_pass += DecodeNextBlock();
    } else if (Loop && decoded_this_pass > 0) {
      SourcePosition = DataOffset;  // start again; the last pass proved there is sound to repeat
      decoded_this_pass = 0;
    } else {
      pending_.resize(wanted, 0);  // the data has ended (or holds nothing to loop): silence
    }
  }
  TSwfAdpcmEncoder encoder(engine, ADPCMBits(Bits), Channels);
  encoder.Begin(false);
  encoder.Add(std::span(pending_).first(wanted));
  encoder.Finish(true);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(wanted));
}

void TWaveReader::WriteADPCMSound(TBitsEngine& engine, unsigned Bits) {
  RequireFormat(kWaveFormatMSADPCM, "writing ADPCM sound");
  TSwfAdpcmEncoder encoder(engine, ADPCMBits(Bits), Channels);
  encoder.Begin(false);
  std::vector<int16_t> samples;
  const uint64_t data_end = DataOffset + DataSize;
  for (uint64_t pos = DataOffset; pos < data_end;) {
    const uint64_t n = std::min<uint64_t>(BlockAlign, data_end - pos);
    samples.clear();
    DecodeMSADPCMBlock(Source->ReadBytes(pos, static_cast<size_t>(n)), ADPCMFormat, Channels, samples, pos);
    encoder.Add(samples);
    pos += n;
  }
  encoder.Finish(true);
}

uint32_t TWaveReader::WriteMP3Frames(TBitsEngine& engine, uint32_t Index, bool Loop, uint32_t Count) {
  if (FormatTag != kWaveFormatMP3File && FormatTag != kWaveFormatMPEGLayer3 && FormatTag != kWaveFormatMPEG)
    throw Error(Format("writing MP3 frames needs MPEG audio, %s is %s", FileName.c_str(), WaveFormatName(FormatTag)));
  const auto& frames = MPEG->FrameList;
  // Looping needs at least one audio frame to repeat; without one the block is padded.
  const bool can_loop = Loop && MPEG->AudioFrameCount() > 0;
  uint32_t written = 0;
  while (written < Count) {
    if (Index < frames.size()) {
      const TMP3FrameInfo& f = frames[Index];
      if (f.IsAudio) {
        auto bytes = mpeg_source_->ReadBytes(f.Position, f.Size);
        bytes.resize(f.Size, 0);  // a frame cut by the end of the file is completed with zeros
        engine.WriteBuffer(bytes);
        ++written;
      }
      ++Index;
    }
    if (Index >= frames.size()) {
      if (can_loop) {
        Index = 0;
        continue;
      }
      const std::vector<uint8_t> silence(size_t{Count - written} * FrameSize, 0);
      engine.WriteBuffer(silence);
      break;
    }
  }
  return Index;
}

}  // namespace fc
