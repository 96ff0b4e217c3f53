#include "movie/flash_sound.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "core/text.h"
#include "movie/mp3_stream.h"
#include "readers/wave_reader.h"

namespace fc {
namespace {

// The rate each SWF rate code stands for.
constexpr uint32_t kFlashRates[4] = {5512, 11025, 22050, 44100};
// Event sound data is copied and encoded in pieces of this many sample frames (whole SWF
// ADPCM packets, so that the pieces join into one run of packets).
constexpr uint64_t kCopyFrames = 16 * kSwfAdpcmPacketFrames;

bool IsFlashRate(uint32_t rate, uint8_t code) {
  // 5512.5 Hz is written either way.
  return rate == kFlashRates[code] || (code == 0 && rate == 5513);
}

}  // namespace

TFlashSound::TFlashSound(const std::filesystem::path& file_name) : FileName(file_name.string()) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(file_name, ec)) LoadFromFile(file_name);
}

TFlashSound::~TFlashSound() = default;

void TFlashSound::LoadFromFile(const std::filesystem::path& file_name) {
  FileName = file_name.string();
  Reader = std::make_unique<TWaveReader>(file_name);
  switch (Reader->FormatTag) {
    case kWaveFormatPCM: Format = kSoundUncompressed; break;
    case kWaveFormatMSADPCM: Format = kSoundADPCM; break;
    case kWaveFormatMPEGLayer3:
    case kWaveFormatMP3File:
      Format = kSoundMP3;
      FrameSamples = Reader->SamplesPerFrame;
      break;
    default: break;  // refused when written
  }
  SampleRate = Reader->SampleRate;
  switch (SampleRate / 5000) {
    case 1: RateCode = 0; break;
    case 2: RateCode = 1; break;
    case 3: case 4: RateCode = 2; break;
    case 8: RateCode = 3; break;
    default: break;  // no Flash rate: refused when written
  }
  Is16Bit = Format != kSoundUncompressed || Reader->BitsPerSample != 8;
  Stereo = Reader->Channels == 2;
  DataOffset = Reader->DataOffset;
  DataSize = Reader->DataSize;
  SampleCount = Reader->SampleCount;
}

bool TFlashSound::IsEmpty() const { return !Reader || Reader->FormatTag == 0; }

void TFlashSound::SetADPCMBits(int bits) {
  adpcm_bits_ = static_cast<uint8_t>(bits > 5 ? 5 : bits == 1 || bits < 0 ? 0 : bits);
}

uint8_t TFlashSound::Compression() const {
  return Format == kSoundUncompressed && adpcm_bits_ != 0 ? uint8_t{kSoundADPCM} : Format;
}

bool TFlashSound::SoundSize16() const { return Format != kSoundUncompressed || adpcm_bits_ != 0 || Is16Bit; }

uint8_t TFlashSound::MinVersion() const {
  switch (Format) {
    case 2: case 3: return 4;
    case 5: return 8;
    case 6: return 6;
    default: return 1;
  }
}

void TFlashSound::CheckWritable() const {
  if (FileName.empty()) throw Error("The sound has no file loaded.");
  if (!Reader) throw Error(fc::Format("The sound file %s does not exist.", FileName.c_str()));
  if (Reader->FormatTag == 0) throw Error(fc::Format("%s holds no sound Flash can read.", FileName.c_str()));
  const TWaveReader& r = *Reader;
  const uint16_t tag = r.FormatTag;
  if (tag != kWaveFormatPCM && tag != kWaveFormatMSADPCM && tag != kWaveFormatMPEGLayer3 && tag != kWaveFormatMP3File)
    throw Error(fc::Format("%s is %s sound; a Flash movie takes PCM or Microsoft ADPCM WAV files and MP3 files.",
                           FileName.c_str(), WaveFormatName(tag)));
  if (r.Channels < 1 || r.Channels > 2)
    throw Error(fc::Format("%s has %u channels; Flash sound has 1 or 2.", FileName.c_str(), r.Channels));
  if (tag == kWaveFormatPCM && r.BitsPerSample != 8 && r.BitsPerSample != 16)
    throw Error(fc::Format("%s has %u bits per sample; Flash sound has 8 or 16.", FileName.c_str(), r.BitsPerSample));
  if (!IsFlashRate(SampleRate, RateCode))
    throw Error(fc::Format("%s has a sample rate of %u Hz; Flash plays sound at 5512, 11025, 22050 or 44100 Hz only "
                           "(convert it first, it would play at the wrong speed).",
                           FileName.c_str(), SampleRate));
  if (Format == kSoundMP3 && FrameSamples == 0)
    throw Error(fc::Format("%s has no MPEG audio frame.", FileName.c_str()));
}

// ---------------------------------------------------------------------------------------
// Stream sound

void TFlashSound::SetupStreamHead(TSWFSoundStreamHead& head, float frame_rate) {
  CheckWritable();
  if (!(frame_rate > 0))
    throw Error(fc::Format("A stream sound needs a frame rate above 0 (the movie has %g).", double(frame_rate)));
  const double per_frame = std::trunc(SampleRate / double(frame_rate));
  if (per_frame < 1 || per_frame > 0xFFFF)
    throw Error(fc::Format("At %g frames per second a frame holds %.0f samples of %s; a stream sound block holds 1 "
                           "to 65535.",
                           double(frame_rate), per_frame, FileName.c_str()));
  head.StreamSoundCompression = Compression();
  head.StreamSoundRate = RateCode;
  head.StreamSoundSize = SoundSize16();
  head.StreamSoundType = Stereo;
  head.PlaybackSoundRate = head.StreamSoundRate;
  head.PlaybackSoundSize = head.StreamSoundSize;
  head.PlaybackSoundType = head.StreamSoundType;
  samples_per_frame_ = static_cast<uint32_t>(per_frame);
  head.StreamSoundSampleCount = static_cast<uint16_t>(samples_per_frame_);
  if (Format == kSoundMP3) head.LatencySeek = 0;

  block_count_ = 0;
  samples_streamed_ = 0;
  mp3_frames_written_ = 0;
  mp3_index_ = 0;
  block_bytes_ = Format == kSoundUncompressed ? samples_per_frame_ * (Stereo ? 2 : 1) * (Is16Bit ? 2 : 1) : 0;
  Reader->SeekData();  // every write of the movie streams from the beginning
}

uint32_t TFlashSound::MP3AudioFrames() const { return Reader->MPEG ? Reader->MPEG->AudioFrameCount() : 0; }

void TFlashSound::WriteStreamBlock(TBitsEngine& be) {
  if (samples_per_frame_ == 0) throw Error("A stream sound block was asked for before the stream head.");
  if (Format == kSoundMP3) {
    WriteMP3Block(be);
  } else {
    // Once the data is written whole the stream ends (unless it loops); the last block is
    // padded to the full frame by the reader.
    if (!Loop && samples_streamed_ >= SampleCount) return;
    TSWFSoundStreamBlock block;
    block.StreamFormat = Compression();
    block.OnDataWrite = [this](TSWFDataObject&, TBitsEngine& body) {
      if (Format == kSoundUncompressed) Reader->WritePCMBlock(body, block_bytes_, adpcm_bits_, Loop);
      else Reader->WriteADPCMBlock(body, samples_per_frame_, adpcm_bits_, Loop);
    };
    block.WriteToStream(be);
    samples_streamed_ += samples_per_frame_;
  }
  ++block_count_;
}

// The MPEG frames due by the end of this block that earlier blocks did not bring.
void TFlashSound::WriteMP3Block(TBitsEngine& be) {
  const uint32_t audio_frames = MP3AudioFrames();
  if (!Loop && mp3_frames_written_ >= audio_frames) return;  // everything is out
  const uint64_t needed = mp3_stream::FramesDue(block_count_, samples_per_frame_, FrameSamples);
  uint64_t count = needed - std::min(needed, mp3_frames_written_);
  if (!Loop) count = std::min<uint64_t>(count, audio_frames - mp3_frames_written_);
  if (count * FrameSamples > 0xFFFF)
    throw Error(fc::Format("A stream block of %s would hold %llu samples; a block holds at most 65535.",
                           FileName.c_str(), static_cast<unsigned long long>(count * FrameSamples)));
  TSWFSoundStreamBlock block;
  block.StreamFormat = kSoundMP3;
  block.SampleCount = static_cast<uint16_t>(count * FrameSamples);
  block.SeekSamples = mp3_stream::SeekSamples(block_count_, samples_per_frame_, FrameSamples);
  block.OnDataWrite = [this, count](TSWFDataObject&, TBitsEngine& body) {
    if (count > 0) mp3_index_ = Reader->WriteMP3Frames(body, mp3_index_, Loop, static_cast<uint32_t>(count));
  };
  block.WriteToStream(be);
  mp3_frames_written_ += count;
}

uint32_t TFlashSound::StreamFrameCount(float frame_rate) const {
  if (!(frame_rate > 0) || IsEmpty()) return 0;
  const uint64_t per_frame = static_cast<uint64_t>(std::trunc(SampleRate / double(frame_rate)));
  if (per_frame == 0) return 0;
  uint64_t frames = (SampleCount + per_frame - 1) / per_frame;
  if (Format == kSoundMP3 && FrameSamples > 0) {
    // The block that brings the last MPEG frame: the first whose end lies past the start of
    // that frame.
    const uint64_t audio = MP3AudioFrames();
    if (audio > 0) frames = std::max(frames, (audio - 1) * FrameSamples / per_frame + 1);
  }
  return static_cast<uint32_t>(std::min<uint64_t>(frames, 0xFFFFFFFFu));
}

void TFlashSound::WriteHead(TBitsEngine& be) {
  head_written_ = false;
  if (FileName.empty()) return;  // a stream sound never given a file
  if (!Owner) throw Error("A stream sound needs its movie (for the frame rate): it has no owner.");
  TSWFSoundStreamHead2 head;
  SetupStreamHead(head, Owner->GetFrameRate());
  head.WriteToStream(be);
  head_written_ = true;
}

void TFlashSound::WriteFrame(TBitsEngine& be, int frame) {
  if (head_written_ && frame >= StartFrame) WriteStreamBlock(be);
}

// ---------------------------------------------------------------------------------------
// Event sound

void TFlashSound::WriteToStream(TBitsEngine& be) {
  CheckWritable();
  TSWFDefineSound tag;
  tag.SoundID = GetID();
  tag.SoundFormat = Compression();
  tag.SoundRate = RateCode;
  tag.SoundSize = SoundSize16();
  tag.SoundType = Stereo;
  tag.SoundSampleCount = static_cast<uint32_t>(std::min<uint64_t>(SampleCount, 0xFFFFFFFFu));
  tag.SeekSamples = 0;
  tag.OnDataWrite = [this](TSWFDataObject&, TBitsEngine& body) {
    if (Format == kSoundADPCM) Reader->WriteADPCMSound(body, adpcm_bits_);
    else if (Format == kSoundUncompressed && adpcm_bits_ != 0) EncodePCMData(body);
    else CopyData(body);
  };
  tag.WriteToStream(be);
}

// The data unchanged (MP3 frames, or PCM kept uncompressed), piece by piece.
void TFlashSound::CopyData(TBitsEngine& be) {
  const uint64_t piece = kCopyFrames * 4;
  for (uint64_t done = 0; done < DataSize;) {
    const size_t n = static_cast<size_t>(std::min(piece, DataSize - done));
    std::vector<uint8_t> bytes = Reader->Source->ReadBytes(DataOffset + done, n);
    bytes.resize(n, 0);  // the file shrank under us
    be.WriteBuffer(bytes);
    done += n;
  }
}

// PCM as one SWF ADPCM sound: pieces of whole packets continue one run of packets.
void TFlashSound::EncodePCMData(TBitsEngine& be) {
  const uint64_t frame_bytes = uint64_t{Reader->Channels} * (Reader->BitsPerSample / 8);
  const uint64_t piece = kCopyFrames * frame_bytes;
  const uint64_t size = DataSize - DataSize % frame_bytes;  // a cut sample frame is dropped
  bool continued = false;
  for (uint64_t done = 0; done < size || !continued;) {
    const size_t n = static_cast<size_t>(std::min(piece, size - done));
    std::vector<uint8_t> bytes = Reader->Source->ReadBytes(DataOffset + done, n);
    bytes.resize(n, 0);
    done += n;
    EncodeSWFADPCM(be, bytes, adpcm_bits_, Reader->BitsPerSample == 16, Stereo, continued, done >= size);
    continued = true;
  }
}

// ---------------------------------------------------------------------------------------
// The movie's sound operations

TFlashSound* TFlashMovie::AddSound(const std::filesystem::path& file_name) {
  return AddDefinition(std::make_unique<TFlashSound>(file_name));
}

TFlashSound& TFlashMovie::AddStreamSound(const std::filesystem::path& file_name, int start_frame) {
  if (start_frame < 0 || start_frame > 0xFFFF)
    throw Error(fc::Format("Start frame %d is outside 0..65535.", start_frame));
  auto sound = std::make_unique<TFlashSound>(file_name);
  sound->SetOwner(this);
  sound->StartFrame = static_cast<uint16_t>(start_frame);
  TFlashSound& raw = *sound;
  SetStreamSound(std::move(sound));
  return raw;
}

TSWFStartSound* TFlashMovie::StartSound(TFlashSound* sound, uint16_t loop_count) {
  if (!sound) throw Error("StartSound needs a sound.");
  auto tag = std::make_unique<TSWFStartSound>();
  tag->SoundID = sound->GetID();
  tag->SetLoopCount(loop_count);
  TSWFStartSound* raw = Add(std::move(tag));
  MoveInFront(raw, sound);
  return raw;
}

}  // namespace fc
