#pragma once
// Sprites (movie clips with a timeline of their own and optional init actions) and
// placements (a character put on the display list of the movie or of a sprite).

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "movie/flash_movie.h"
#include "swf/placements.h"

namespace fc {

// A placement. Written as PlaceObject2 unless a blend mode above 1, filters or bitmap
// caching need PlaceObject3.
class TFlashPlaceObject : public TFlashObject {
public:
  // `character` may be null when only its ID is known (a character of an imported movie).
  TFlashPlaceObject(TFlashMovie* owner, TFlashVisualObject* character, uint16_t character_id, int depth);

  TFlashVisualObject* Character = nullptr;
  TSWFPlaceObject3 Tag;

  // The translation in the owner movie's units (pixels or twips). Left out while both are 0
  // and nothing else asks for a matrix.
  void SetPosition(int32_t x, int32_t y);
  void SetScale(float sx, float sy);
  // Rotation in degrees, keeping the scale set before.
  void SetRotation(float degrees);
  TSWFColorTransform& ColorTransform() { return Tag.GetColorTransform(); }
  void SetName(const std::string& name) { Tag.SetName(name); }
  // A placement that changes the character already at its depth.
  void SetMove(bool move) { Tag.Move = move; }
  void SetRatio(uint16_t ratio);
  void SetClipDepth(uint16_t depth);

  // Clip actions exist for placed sprites only (null for other characters). FindClipAction
  // finds the first record whose events contain `event` (a kClip... mask), creating one with
  // just that event when asked.
  TSWFClipActionRecord* FindClipAction(uint32_t event, bool create);
  TSWFClipActionRecord* AddClipAction(uint32_t events);
  // A script over a clip action record's list, so that it can be compiled into.
  TFlashActionScript& ClipScript(TSWFClipActionRecord& record);
  bool PlacesSprite() const;

  // The version of the file being written: decides the width of clip event flags.
  void SetFileVersion(uint8_t version) { Tag.Version = std::max<uint8_t>(version, 3); }
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  void UpdateMatrix();
  float scale_x_ = 1, scale_y_ = 1, rotation_ = 0;
  bool transformed_ = false;
  std::vector<std::unique_ptr<TFlashActionScript>> clip_scripts_;
};

// A movie clip: a DefineSprite with its own control tags and frames, followed by a
// DoInitAction for its ID when init actions exist (class set-up code goes there).
class TFlashSprite : public TFlashVisualObject {
public:
  TFlashSprite() = default;
  void OwnerChanged() override;

  // The sprite's timeline in order: placements, removals, frame actions, labels, ShowFrame.
  std::vector<std::unique_ptr<TBasedSWFObject>> ControlTags;
  uint16_t FrameCount = 0;
  int CurrentFrame = -1;  // the last closed frame
  int MaxDepth = 0;
  std::string FrameLabel;  // of the frame being built
  std::vector<std::unique_ptr<TFlashFrameWriter>> PlacedVideos;

  template <typename T>
  T* AddControlTag(std::unique_ptr<T> tag) {
    T* raw = tag.get();
    if constexpr (std::is_base_of_v<TFlashObject, T>) raw->SetOwner(Owner);
    ControlTags.push_back(std::move(tag));
    return raw;
  }

  // Run once when the sprite's definition is reached, before the frame's actions.
  TFlashActionScript& InitActions();
  bool HasInitActions() const { return init_actions_ != nullptr; }
  // The actions of the sprite's frame being built, created on first access.
  TFlashActionScript& FrameActions();
  // The sprite's stream sound: a head before its tags and a block at every frame.
  void SetStreamSound(std::unique_ptr<TFlashFrameWriter> sound) { stream_sound_ = std::move(sound); }
  TFlashFrameWriter* StreamSound() const { return stream_sound_.get(); }

  TFlashPlaceObject* PlaceObject(TFlashVisualObject* object, int depth);
  TFlashPlaceObject* PlaceCharacter(uint16_t character_id, int depth);
  // Places a video from the sprite's current frame on (flash_video.h).
  TFlashPlaceVideo* PlaceVideo(TFlashVideo* video, int depth);
  void RemoveObject(int depth, TFlashIDObject* object = nullptr);
  // Closes `count` frames (0 counts as 1): frame actions, label, ShowFrame tags.
  void ShowFrame(int count = 1);
  void SetFrameCount(int n);
  // Drops the timeline (control tags, frames, pending actions and label).
  void ClearTimeline();

  // At least 3; the highest of the control tags, 6 with init actions.
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  // The sprite's ID, frame count and tags, calling after_frame after each ShowFrame.
  void WriteTimeline(TBitsEngine& b, uint16_t frame_count, const std::function<void()>& after_frame);
  std::unique_ptr<TFlashActionScript> init_actions_;
  std::unique_ptr<TFlashActionScript> frame_actions_;
  std::unique_ptr<TFlashFrameWriter> stream_sound_;
};

// Writes a tag from its code and body (short or long header as the size needs).
void WriteTagBytes(TBitsEngine& be, uint16_t code, std::span<const uint8_t> body);

// The version of the file being written, told to placements (their clip event flags are 16
// or 32 bits wide by it) before anything is written; nested sprites pass it on.
void SetFileVersion(TBasedSWFObject& object, uint8_t version);

}  // namespace fc
