#include "movie/flash_video.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "core/text.h"
#include "movie/mp3_stream.h"
#include "readers/flv_reader.h"
#include "readers/mpeg_audio.h"
#include "swf/sounds_video.h"

namespace fc {

namespace {

constexpr uint32_t kSoundRates[] = {5512, 11025, 22050, 44100};  // by the 2-bit rate code
constexpr uint32_t kAdpcmPacketSamples = 4096;  // one packet: a header sample and 4095 codes

// Copies `size` bytes at `position` of the FLV file into the tag being written, a window at a
// time, so that a payload never sits in memory whole.
void CopyPayload(TBitsEngine& be, const TMediaSource& source, uint64_t position, uint64_t size) {
  std::array<uint8_t, 64 * 1024> window;
  while (size > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(size, window.size()));
    const size_t got = source.ReadAt(position, std::span(window).first(want));
    if (got == 0) throw IoError("The FLV file ended before a frame it indexed: it changed while being embedded.");
    be.WriteBuffer(window.data(), static_cast<int64_t>(got));
    position += got;
    size -= got;
  }
}

// The samples one FLV tag of SWF ADPCM holds, from its length: a 2-bit code size, then
// packets of a 22-bit header per channel and up to 4095 codes per channel.
uint32_t AdpcmSamples(uint64_t payload_bytes, uint8_t first_byte, uint32_t channels) {
  const uint64_t code_bits = (first_byte >> 6) + 2u;
  uint64_t bits = payload_bytes * 8;
  if (bits < 2) return 0;
  bits -= 2;
  uint32_t samples = 0;
  while (bits >= 22 * channels) {
    bits -= 22 * channels;
    const uint64_t codes = std::min<uint64_t>(kAdpcmPacketSamples - 1, bits / (code_bits * channels));
    samples += static_cast<uint32_t>(1 + codes);
    bits -= codes * code_bits * channels;
    if (codes < kAdpcmPacketSamples - 1) break;
  }
  return samples;
}

void CheckEmbeddable(const TFLVData& flv, const std::string& name) {
  if (!flv.IsFLV) throw FormatError(Format("%s is not an FLV file.", name.c_str()));
  const uint8_t codec = flv.VideoCodecID;
  if (flv.VideoFrameCount() == 0) return;  // placed, it shows nothing
  if (codec < kFlvCodecSorenson || codec > kFlvCodecScreenVideo2)
    throw FormatError(Format("%s: %s video (codec %u) cannot be embedded in an SWF movie; embeddable are Sorenson "
                             "H.263, screen video and On2 VP6.",
                             name.c_str(), FlvVideoCodecName(codec), codec));
  if (flv.VideoFrameCount() > 0xFFFF)
    throw FormatError(Format("%s has %u video frames; an embedded video holds at most 65535.", name.c_str(),
                             flv.VideoFrameCount()));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The video character

TFlashVideo::TFlashVideo(const std::filesystem::path& file_name)
    : TFlashVideo(std::make_unique<TFLVData>(file_name)) {}

TFlashVideo::TFlashVideo(std::unique_ptr<TFLVData> flv) : flv_(std::move(flv)) {
  CheckEmbeddable(*flv_, flv_->FileName.empty() ? std::string("The video") : flv_->FileName.string());
}

TFlashVideo::~TFlashVideo() = default;

uint16_t TFlashVideo::FrameCount() const { return static_cast<uint16_t>(flv_->VideoFrameCount()); }
uint16_t TFlashVideo::Width() const { return flv_->Width; }
uint16_t TFlashVideo::Height() const { return flv_->Height; }
uint16_t TFlashVideo::FrameRate8() const { return flv_->FrameRate; }
std::string TFlashVideo::CodecName() const { return FlvVideoCodecName(flv_->VideoCodecID); }

std::string TFlashVideo::SoundName() const {
  return flv_->HasSound() ? FlvSoundFormatName(flv_->SoundHeader ? flv_->SoundHeader->SoundFormat() : 0) : "";
}

uint8_t TFlashVideo::MinVersion() const {
  switch (flv_->VideoCodecID) {
    case kFlvCodecSorenson: return 6;
    case kFlvCodecScreenVideo: return 7;
    case kFlvCodecVP6:
    case kFlvCodecVP6Alpha:
    case kFlvCodecScreenVideo2: return 8;
    default: return 9;
  }
}

void TFlashVideo::WriteToStream(TBitsEngine& be) {
  TSWFDefineVideoStream tag;
  tag.CharacterID = GetID();
  tag.NumFrames = FrameCount();
  tag.Width = flv_->Width;
  tag.Height = flv_->Height;
  tag.CodecID = flv_->VideoCodecID;
  tag.WriteToStream(be);
}

void TFlashScriptVideo::WriteToStream(TBitsEngine& be) {
  TSWFDefineVideoStream tag;
  tag.CharacterID = GetID();
  tag.NumFrames = 0;
  tag.Width = width_;
  tag.Height = height_;
  tag.VideoFlagsSmoothing = true;  // a streamed picture is scaled to the video area
  tag.CodecID = kVideoH263;
  tag.WriteToStream(be);
}

TFlashScriptVideo* TFlashMovie::AddScriptVideo(uint16_t width, uint16_t height) {
  if (width == 0 || height == 0) throw Error("A video object needs a width and a height.");
  return AddDefinition(std::make_unique<TFlashScriptVideo>(width, height));
}

TFlashVideo* TFlashMovie::AddVideo(const std::filesystem::path& file_name) {
  return AddVideo(std::make_unique<TFlashVideo>(file_name));
}

TFlashVideo* TFlashMovie::AddVideo(std::unique_ptr<TFlashVideo> video) {
  TFlashVideo* added = AddDefinition(std::move(video));
  Videos.push_back(added);
  return added;
}

namespace {
// A placed video that shows video frame 0 at the timeline's next frame.
std::unique_ptr<TFlashPlaceVideo> NewPlacedVideo(TFlashMovie* owner, TFlashSprite* sprite, TFlashVideo* video,
                                                 int depth, uint16_t start_frame) {
  if (!video) throw Error("PlaceVideo needs a video to place.");
  auto placed = std::make_unique<TFlashPlaceVideo>(owner, sprite, video, depth);
  placed->StartFrame = start_frame;
  return placed;
}
}  // namespace

TFlashPlaceVideo* TFlashMovie::PlaceVideo(TFlashVideo* video, int depth) {
  auto placed = NewPlacedVideo(this, nullptr, video, depth, FrameCount);
  TFlashPlaceVideo* raw = placed.get();
  PlaceVideo(std::move(placed), depth);
  return raw;
}

TFlashPlaceVideo* TFlashSprite::PlaceVideo(TFlashVideo* video, int depth) {
  auto placed = NewPlacedVideo(Owner, this, video, depth, FrameCount);
  TFlashPlaceVideo* raw = placed.get();
  PlacedVideos.push_back(std::move(placed));
  MaxDepth = std::max(MaxDepth, depth);
  if (Owner) Owner->MoveInFront(this, video);
  return raw;
}

// ---------------------------------------------------------------------------------------
// The placed video

TFlashPlaceVideo::TFlashPlaceVideo(TFlashMovie* owner, TFlashSprite* sprite, TFlashVideo* video, int depth)
    : TFlashPlaceObject(owner, video, video->GetID(), depth), video_(video), sprite_(sprite) {}

void TFlashPlaceVideo::EnableSound(bool enable) {
  const TFLVData& flv = video_->FLV();
  if (enable && flv.HasSound() && flv.AudioFrames.empty()) {
    const uint8_t format = flv.SoundHeader ? flv.SoundHeader->SoundFormat() : 0;
    throw FormatError(Format("%s sound (format %u) cannot be embedded in an SWF movie; embeddable are MP3, ADPCM, "
                             "PCM and Nellymoser.",
                             FlvSoundFormatName(format), format));
  }
  sound_enabled_ = enable && flv.HasSound();
  if (!sound_enabled_) return;
  // One sound source per timeline: the stream sound and the other videos fall silent.
  std::vector<std::unique_ptr<TFlashFrameWriter>>* videos = nullptr;
  if (sprite_) {
    sprite_->SetStreamSound(nullptr);
    videos = &sprite_->PlacedVideos;
  } else if (Owner) {
    Owner->SetStreamSound(nullptr);
    videos = &Owner->PlacedVideos;
  }
  if (!videos) return;
  for (const auto& writer : *videos)
    if (auto* other = dynamic_cast<TFlashPlaceVideo*>(writer.get()); other && other != this) other->EnableSound(false);
}

uint8_t TFlashPlaceVideo::MinVersion() const {
  uint8_t version = std::max<uint8_t>(video_->MinVersion(), TFlashPlaceObject::MinVersion());
  if (sound_enabled_ && video_->FLV().SoundHeader) {
    TSWFSoundStreamHead head;
    head.StreamSoundCompression = video_->FLV().SoundHeader->SoundFormat();
    version = std::max(version, head.MinVersion());
  }
  return version;
}

void TFlashPlaceVideo::WriteFrame(TBitsEngine& be, int frame) {
  const uint32_t count = video_->FLV().VideoFrameCount();
  if (frame < StartFrame || count == 0) return;
  const uint32_t r = static_cast<uint32_t>(frame - StartFrame);
  if (!Loop && r >= count) return;
  const uint32_t v = r % count;
  TFlashVideoFrameInfo info{static_cast<uint16_t>(r), video_->GetID(), Tag.Depth, static_cast<uint16_t>(v)};
  if (OnWriteFrame) {
    OnWriteFrame(info);
    return;
  }

  TFlashPlaceObject place(Owner, video_, video_->GetID(), Tag.Depth);
  place.Tag.Assign(Tag);
  if (r == 0) {
    place.SetRatio(0);
  } else {
    place.SetMove(true);
    place.SetRatio(static_cast<uint16_t>(v));
  }
  if (r == 0) StartSound();
  if (sound_enabled_) {
    if (r == 0) WriteSoundHead(be);
    WriteSoundBlock(be, r, v);
  }
  WriteVideoFrame(be, v);
  if (OnPlaceFrame) OnPlaceFrame(info, place);
  place.WriteToStream(be);
}

void TFlashPlaceVideo::StartSound() {
  next_audio_frame_ = 0;
  audio_offset_ = 0;
  samples_sent_ = 0;
  if (!sound_enabled_) return;
  const TSHeader& sound = *video_->FLV().SoundHeader;
  sound_rate_ = kSoundRates[sound.SoundRate()];
  const uint16_t rate8 = Owner ? Owner->FrameRate8() : 0;
  if (rate8 == 0) throw Error("A movie with a frame rate of 0 cannot stream a video's sound: set a frame rate.");
  const double per_frame = std::nearbyint(sound_rate_ * 256.0 / rate8);  // halves to even
  if (per_frame > 0xFFFF)
    throw Error(Format("At %.2f frames per second a frame holds %.0f samples of sound at %u Hz; a sound stream "
                       "holds at most 65535 per frame.",
                       rate8 / 256.0, per_frame, sound_rate_));
  samples_per_frame_ = static_cast<uint32_t>(std::max(per_frame, 1.0));
  frame_samples_ = 0;
  if (sound.SoundFormat() == kFlvSoundMP3) {
    uint8_t header[4] = {static_cast<uint8_t>(sound.MP3FrameHeader >> 24),
                         static_cast<uint8_t>(sound.MP3FrameHeader >> 16),
                         static_cast<uint8_t>(sound.MP3FrameHeader >> 8), static_cast<uint8_t>(sound.MP3FrameHeader)};
    TMPEGFrameData mpeg;
    mpeg.Decode(header);
    frame_samples_ = mpeg.SamplesPerFrame();
    if (frame_samples_ == 0) throw FormatError("The FLV's MP3 sound starts with no valid MPEG frame header.");
  }
}

void TFlashPlaceVideo::WriteSoundHead(TBitsEngine& be) {
  const TSHeader& sound = *video_->FLV().SoundHeader;
  TSWFSoundStreamHead head;
  head.PlaybackSoundRate = head.StreamSoundRate = sound.SoundRate();
  head.PlaybackSoundSize = head.StreamSoundSize = sound.SoundSize() != 0;
  head.PlaybackSoundType = head.StreamSoundType = sound.SoundType() != 0;
  head.StreamSoundCompression = sound.SoundFormat();
  head.StreamSoundSampleCount = static_cast<uint16_t>(samples_per_frame_);
  if (frame_samples_ > 0) head.LatencySeek = static_cast<int16_t>(samples_per_frame_ % frame_samples_);
  head.WriteToStream(be);
}

void TFlashPlaceVideo::WriteSoundBlock(TBitsEngine& be, uint32_t r, uint32_t v) {
  const TFLVData& flv = video_->FLV();
  if (next_audio_frame_ >= flv.AudioFrameCount()) return;  // the sound has ended
  // The sound that runs on past the last video frame goes with it, so that its end is not lost.
  const bool last = r + 1 == flv.VideoFrameCount();
  switch (flv.SoundHeader->SoundFormat()) {
    case kFlvSoundMP3: WriteMP3Block(be, r, last); break;
    case kFlvSoundNellymoser: WriteNellymoserBlock(be, v, last); break;
    case kFlvSoundADPCM: WriteADPCMBlock(be, r); break;
    default: WritePCMBlock(be, r, last); break;
  }
}

void TFlashPlaceVideo::WriteMP3Block(TBitsEngine& be, uint32_t r, bool last) {
  const TFLVData& flv = video_->FLV();
  // Whole MPEG frames up to the end of this timeline frame.
  const uint64_t frames_due = mp3_stream::FramesDue(r, samples_per_frame_, frame_samples_);
  const uint64_t frames_sent = samples_sent_ / frame_samples_;
  uint32_t k = static_cast<uint32_t>(frames_due > frames_sent ? frames_due - frames_sent : 0);
  const uint32_t left = flv.AudioFrameCount() - next_audio_frame_;
  // A block counts its samples in 16 bits: a tail longer than that goes on in later frames.
  k = std::min({last ? left : k, left, 0xFFFFu / frame_samples_});
  if (k == 0) return;
  const uint32_t first = next_audio_frame_;
  TSWFSoundStreamBlock block;
  block.StreamFormat = kFlvSoundMP3;
  block.SampleCount = static_cast<uint16_t>(k * frame_samples_);
  block.SeekSamples = mp3_stream::SeekSamples(r, samples_per_frame_, frame_samples_);
  block.OnDataWrite = [&flv, first, k](TSWFDataObject&, TBitsEngine& body) {
    for (uint32_t i = first; i < first + k; ++i) {
      const TVFrame& f = flv.AudioFrames[i];
      CopyPayload(body, *flv.Stream, f.Position, static_cast<uint64_t>(f.Size));
    }
  };
  block.WriteToStream(be);
  next_audio_frame_ += k;
  samples_sent_ += uint64_t{k} * frame_samples_;
}

void TFlashPlaceVideo::WriteNellymoserBlock(TBitsEngine& be, uint32_t v, bool last) {
  const TFLVData& flv = video_->FLV();
  // The audio tags that came before video frame v in the file.
  const uint32_t first = next_audio_frame_;
  uint32_t end = first;
  while (end < flv.AudioFrameCount() && (flv.AudioFrames[end].FrameIndex == v || (last && flv.AudioFrames[end].FrameIndex >= v)))
    ++end;
  TSWFSoundStreamBlock block;
  block.StreamFormat = kFlvSoundNellymoser;
  block.OnDataWrite = [&flv, first, end](TSWFDataObject&, TBitsEngine& body) {
    for (uint32_t i = first; i < end; ++i)
      CopyPayload(body, *flv.Stream, flv.AudioFrames[i].Position, static_cast<uint64_t>(flv.AudioFrames[i].Size));
  };
  block.WriteToStream(be);
  next_audio_frame_ = end;
}

void TFlashPlaceVideo::WriteADPCMBlock(TBitsEngine& be, uint32_t r) {
  const TFLVData& flv = video_->FLV();
  // Each tag is a whole ADPCM stream (its own code size and packets), so a block carries one
  // tag: written whenever the sound is behind the end of this timeline frame.
  if (samples_sent_ >= uint64_t{r + 1} * samples_per_frame_) return;
  const TVFrame& f = flv.AudioFrames[next_audio_frame_];
  uint8_t code_size = 0;
  if (f.Size > 0) flv.Stream->ReadAt(f.Position, std::span(&code_size, 1));
  TSWFSoundStreamBlock block;
  block.StreamFormat = kFlvSoundADPCM;
  block.OnDataWrite = [&flv, &f](TSWFDataObject&, TBitsEngine& body) {
    CopyPayload(body, *flv.Stream, f.Position, static_cast<uint64_t>(f.Size));
  };
  block.WriteToStream(be);
  ++next_audio_frame_;
  const uint32_t samples = AdpcmSamples(static_cast<uint64_t>(f.Size), code_size, flv.SoundHeader->SoundType() + 1u);
  samples_sent_ += std::max<uint32_t>(samples, 1);  // a broken tag still moves the sound on
}

void TFlashPlaceVideo::WritePCMBlock(TBitsEngine& be, uint32_t r, bool last) {
  const TFLVData& flv = video_->FLV();
  // Samples can be cut anywhere: each block holds exactly this frame's share, gathered across
  // tag boundaries.
  const TSHeader& sound = *flv.SoundHeader;
  const uint64_t sample_bytes = (sound.SoundType() + 1u) * (sound.SoundSize() + 1u);
  const uint64_t wanted = uint64_t{r + 1} * samples_per_frame_;
  if (samples_sent_ >= wanted && !last) return;
  // Where this block's bytes are: (frame, offset) pairs walked from the current position.
  struct TPiece {
    uint64_t Position, Size;
  };
  std::vector<TPiece> pieces;
  uint64_t need = last ? std::numeric_limits<uint64_t>::max() : (wanted - samples_sent_) * sample_bytes;
  uint32_t frame = next_audio_frame_;
  uint32_t offset = audio_offset_;
  uint64_t taken = 0;
  while (need > 0 && frame < flv.AudioFrameCount()) {
    const TVFrame& f = flv.AudioFrames[frame];
    const uint64_t left = static_cast<uint64_t>(f.Size) - offset;
    const uint64_t take = std::min(left, need);
    if (take > 0) pieces.push_back({f.Position + offset, take});
    need -= take;
    taken += take;
    if (take == left) {
      ++frame;
      offset = 0;
    } else {
      offset += static_cast<uint32_t>(take);
    }
  }
  if (taken == 0) {
    next_audio_frame_ = frame;
    return;
  }
  TSWFSoundStreamBlock block;
  block.StreamFormat = sound.SoundFormat();
  block.OnDataWrite = [&flv, &pieces](TSWFDataObject&, TBitsEngine& body) {
    for (const TPiece& piece : pieces) CopyPayload(body, *flv.Stream, piece.Position, piece.Size);
  };
  block.WriteToStream(be);
  next_audio_frame_ = frame;
  audio_offset_ = offset;
  samples_sent_ += taken / sample_bytes;
}

void TFlashPlaceVideo::WriteVideoFrame(TBitsEngine& be, uint32_t v) {
  const TFLVData& flv = video_->FLV();
  const TVFrame& f = flv.GetVideoFrame(v);
  const uint8_t codec = flv.VideoCodecID;
  TSWFVideoFrame tag;
  tag.StreamID = video_->GetID();
  tag.FrameNum = static_cast<uint16_t>(v);
  tag.OnDataWrite = [&flv, &f, codec](TSWFDataObject&, TBitsEngine& body) {
    uint64_t position = f.Position, size = static_cast<uint64_t>(f.Size);
    if (codec == kFlvCodecVP6 || codec == kFlvCodecVP6Alpha) {
      // The FLV's VP6 frames start with the crop adjustment byte, which an SWF frame has not.
      if (size > 0) {
        ++position;
        --size;
      }
    } else if (codec == kFlvCodecScreenVideo || codec == kFlvCodecScreenVideo2) {
      // An SWF screen video frame keeps the frame type and codec byte in front: the frame's
      // own, so that an inter frame is not marked as a key frame.
      --position;
      ++size;
    }
    CopyPayload(body, *flv.Stream, position, size);
  };
  tag.WriteToStream(be);
}

}  // namespace fc
