#pragma once
// Another SWF merged into the movie (a template): its tags are read once and written into
// the body where the object stands, with their character IDs moved into a block of the
// movie's own so that nothing clashes.

#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "movie/flash_movie.h"
#include "swf/streams.h"

namespace fc {

// How an imported movie joins the movie.
enum TExternalMode : uint8_t {
  // Everything: its frames follow in the movie's timeline.
  kExternalTimeline = 0,
  // Definitions and scripts only: no frames, placements, removals or sounds started.
  kExternalLibrary = 1,
  // Everything in the movie's current frame: its frames are merged into one.
  kExternalOneFrame = 2,
  // Its timeline becomes a sprite (the object's ID), to be placed like any character.
  kExternalSprite = 3,
};

// The mode for a name ("timeline", "library", "frame", "sprite") or a digit 0..3; -1 when
// the text is neither.
int ParseExternalMode(const std::string& text);
const char* ExternalModeName(int mode);

class TFlashExternalMovie : public TFlashIDObject {
public:
  // Reads the file (or bytes) and decodes its tags; action blocks are kept as bytes.
  explicit TFlashExternalMovie(const std::filesystem::path& file_name);
  explicit TFlashExternalMovie(std::span<const uint8_t> bytes);
  ~TFlashExternalMovie() override;

  TSWFStreamReader Reader;
  uint8_t Mode = kExternalTimeline;
  // Font names (and the face= attributes of HTML text fields) get a numeric prefix, so that
  // fonts of different templates never meet under one name in the player.
  bool RenameFonts = true;
  // The prefix: a random number 0..65534 chosen on the first write when empty.
  std::string FontPrefix;
  // Asked for every tag that would be written; answer false to leave it out.
  std::function<bool(TSWFObject& tag)> OnTag;
  // Mode kExternalSprite: the sprite the timeline goes into (ID of this object).
  TFlashSprite* Sprite() const { return sprite_.get(); }
  void SetID(uint16_t id) override;
  void OwnerChanged() override;

  // Frames the last write added to the movie's timeline, and whether it placed anything.
  int FramesWritten() const { return frames_written_; }
  bool PlacedWritten() const { return placed_written_; }

  // Character IDs the movie's definitions use (after renumbering, the block from the start
  // ID); the largest of them.
  uint32_t DefinitionCount() const;
  uint16_t LargestID() const;
  // Gives the definitions the IDs start_id, start_id + 1, ... and fixes every reference,
  // including those inside sprites and tags kept as bytes; returns the next free ID.
  uint32_t Renumber(uint16_t start_id);
  // Creates the sprite of kExternalSprite.
  void MakeSprite();

  // The template's own version: its action bytes may need it.
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  void Load();
  std::vector<TSWFObject*> TopLevelTags() const;
  bool Skipped(TSWFTagCode code) const;
  void WriteTag(TBitsEngine& be, TSWFObject& tag);

  std::unique_ptr<TFlashSprite> sprite_;
  int frames_written_ = 0;
  bool placed_written_ = false;
};

}  // namespace fc
