#pragma once
// Video embedded frame by frame: TFlashVideo is the video character over an indexed FLV file
// (a DefineVideoStream); TFlashPlaceVideo places it on a timeline and, at every frame of that
// timeline, writes the frame's VideoFrame, the placement that shows it and, with its sound
// enabled, the FLV's audio as the timeline's stream sound.
//
// Payloads are copied from the FLV file while their tags are written, so nothing ever holds
// the whole video; the file stays open as long as the video object lives.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include <string>

#include "movie/flash_movie.h"
#include "movie/flash_sprite.h"

namespace fc {

// Kept out of this header: the command line meets another TMediaSource there.
class TFLVData;

// The video character. Refuses (FormatError) a file that is no FLV, video an SWF cannot
// carry (H.264) and more frames than a DefineVideoStream counts.
class TFlashVideo : public TFlashVisualObject {
public:
  explicit TFlashVideo(const std::filesystem::path& file_name);
  explicit TFlashVideo(std::unique_ptr<TFLVData> flv);
  ~TFlashVideo() override;

  TFLVData& FLV() { return *flv_; }
  const TFLVData& FLV() const { return *flv_; }
  uint16_t FrameCount() const;
  uint16_t Width() const;
  uint16_t Height() const;
  uint16_t FrameRate8() const;  // the FLV's frame rate, 8.8 fixed point; 0 when unknown
  std::string CodecName() const;
  std::string SoundName() const;  // the FLV's sound format, empty without sound

  // 6 for Sorenson H.263, 7 for screen video, 8 for VP6 and screen video 2.
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  std::unique_ptr<TFLVData> flv_;
};

// A video object for script: a DefineVideoStream with no frames of its own, placed under an
// instance name so that ActionScript can attach a NetStream to it (AVM1 cannot create a
// Video object at run time; a player movie carries one).
class TFlashScriptVideo : public TFlashVisualObject {
public:
  TFlashScriptVideo(uint16_t width, uint16_t height) : width_(width), height_(height) {}

  uint16_t Width() const { return width_; }
  uint16_t Height() const { return height_; }

  uint8_t MinVersion() const override { return 6; }  // NetStream video came with version 6
  void WriteToStream(TBitsEngine& be) override;

private:
  uint16_t width_;
  uint16_t height_;
};

// What a placed video is about to show at one frame of its timeline.
struct TFlashVideoFrameInfo {
  uint16_t Frame = 0;       // timeline frames since StartFrame
  uint16_t VideoID = 0;
  uint16_t Depth = 0;
  uint16_t VideoFrame = 0;  // the video frame shown
};

// A placed video. Its own placement fields (matrix, colour transform, name) are copied into
// the placement written at every frame: ratio 0 at StartFrame, then a move with the ratio of
// the video frame shown.
class TFlashPlaceVideo : public TFlashPlaceObject, public TFlashFrameWriter {
public:
  // `sprite` is the timeline the video is placed in, null for the movie's own.
  TFlashPlaceVideo(TFlashMovie* owner, TFlashSprite* sprite, TFlashVideo* video, int depth);

  TFlashVideo& Video() const { return *video_; }

  uint16_t StartFrame = 0;  // the timeline frame that shows video frame 0
  bool Loop = true;         // repeat the video while the timeline goes on
  // Replaces everything written for a frame (the sound too).
  std::function<void(const TFlashVideoFrameInfo&)> OnWriteFrame;
  // Called before the placement is written; it may change it.
  std::function<void(const TFlashVideoFrameInfo&, TFlashPlaceObject&)> OnPlaceFrame;

  // Makes the FLV's audio the timeline's only stream sound: the timeline's own stream sound
  // and the other placed videos' sound are switched off. An FLV without sound leaves it off;
  // sound whose format an SWF cannot carry (AAC, Speex, ...) is refused with an Error.
  void EnableSound(bool enable);
  bool SoundEnabled() const { return sound_enabled_; }

  // The sound's streaming values, set at the video's first frame.
  uint32_t SoundRate() const { return sound_rate_; }
  uint32_t SamplesPerFrame() const { return samples_per_frame_; }
  uint32_t FrameSamples() const { return frame_samples_; }  // MP3: samples in one MPEG frame

  uint8_t MinVersion() const override;
  // Writes the video's tags for timeline frame `frame` (from 0), before its ShowFrame.
  void WriteFrame(TBitsEngine& be, int frame) override;
  // A placed video is written by its timeline frame by frame, never as an object.
  void WriteToStream(TBitsEngine& be) override { (void)be; }

private:
  void StartSound();
  void WriteSoundHead(TBitsEngine& be);
  void WriteSoundBlock(TBitsEngine& be, uint32_t r, uint32_t v);
  // `last`: the video's last frame, which takes the rest of the sound.
  void WriteMP3Block(TBitsEngine& be, uint32_t r, bool last);
  void WriteNellymoserBlock(TBitsEngine& be, uint32_t v, bool last);
  void WriteADPCMBlock(TBitsEngine& be, uint32_t r);
  void WritePCMBlock(TBitsEngine& be, uint32_t r, bool last);
  void WriteVideoFrame(TBitsEngine& be, uint32_t v);

  TFlashVideo* video_;
  TFlashSprite* sprite_;
  bool sound_enabled_ = false;
  // Streaming state of one write of the timeline, reset at the first frame.
  uint32_t sound_rate_ = 0;
  uint32_t samples_per_frame_ = 0;
  uint32_t frame_samples_ = 0;
  uint32_t next_audio_frame_ = 0;
  uint32_t audio_offset_ = 0;   // PCM: bytes of the next audio frame already written
  uint64_t samples_sent_ = 0;   // samples written so far (MP3: whole MPEG frames)
};

}  // namespace fc
