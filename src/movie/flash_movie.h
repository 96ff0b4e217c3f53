#pragma once
// The movie builder: a movie made of definitions, placements, frame actions and labels, with
// character IDs handed out in creation order and the movie's own ActionScript compiler.
//
// The movie owns every object added to it (Objects, in file order). Definitions take their
// character ID from NextID when they are added; typed lists (Sprites, ...) are views onto
// the same objects. Shapes, images, buttons, fonts, texts, sounds and videos plug in through
// TFlashIDObject / TFlashVisualObject and AddDefinition; objects that write something at
// every frame (placed videos, the stream sound) through TFlashFrameWriter.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "ascompiler/errors.h"
#include "swf/actions.h"
#include "swf/objects.h"
#include "swf/records.h"
#include "swf/streams.h"

namespace fc {

class TCompileContext;
class TFlashMovie;
class TFlashSprite;
class TFlashPlaceObject;
class TFlashExternalMovie;
class TFlashShape;
class TFlashImage;
class TFlashButton;
class TFlashFont;
class TFlashText;
class TFlashVideo;
class TFlashScriptVideo;
struct TSystemFont;
class TFlashSound;
class TSWFStartSound;
class TFlashPlaceVideo;

// The last character ID of the format.
constexpr uint32_t kMaxCharacterID = 0xFFFF;

// Base of the builder's own objects; the movie owns them.
class TFlashObject : public TBasedSWFObject {
public:
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t LibraryLevel() const override { return 1; }
  virtual void OwnerChanged() {}
  void SetOwner(TFlashMovie* owner) {
    Owner = owner;
    OwnerChanged();
  }
  // Images, sounds and fonts answer true: MoveResources moves them to an earlier frame.
  virtual bool IsResource() const { return false; }
  TFlashMovie* Owner = nullptr;
};

// An object with a character ID.
class TFlashIDObject : public TFlashObject {
public:
  // Takes the owner (when unset) and the ID of the source.
  void Assign(const TBasedSWFObject& Source) override;
  virtual uint16_t GetID() const { return id_; }
  // Sprites and buttons also copy the ID into their tag.
  virtual void SetID(uint16_t id) { id_ = id; }

private:
  uint16_t id_ = 0;
};

// A character that can be placed on the display list. With InTwips its coordinates are
// twips whatever the movie's units.
class TFlashVisualObject : public TFlashIDObject {
public:
  void Assign(const TBasedSWFObject& Source) override;
  bool InTwips = false;
  // 1 when InTwips or without an owner, else the movie's multiplier (20 for pixels).
  int32_t UnitsMultiplier() const;
};

// Writes data at every frame of the timeline it belongs to (a placed video its frame, the
// stream sound its block). Frame numbers count from 0.
class TFlashFrameWriter {
public:
  virtual ~TFlashFrameWriter() = default;
  // Written once before the first tag of the timeline (a sound stream head); nothing by default.
  virtual void WriteHead(TBitsEngine& be) { (void)be; }
  virtual void WriteFrame(TBitsEngine& be, int frame) = 0;
  virtual uint8_t MinVersion() const { return 1; }
};

// A non-owning list of the movie's objects of one kind.
template <typename T>
using TFlashObjectList = std::vector<T*>;

// One action list with the compile entry the output generation uses. Written as a DoAction
// tag (a sprite writes its init actions as the DoInitAction of its ID).
class TFlashActionScript : public TFlashObject {
public:
  // A script over its own list.
  explicit TFlashActionScript(TFlashMovie* owner);
  // A script over a list owned elsewhere (a button condition, a clip action).
  TFlashActionScript(TFlashMovie* owner, TSWFActionList* list);

  TSWFActionList& Actions() { return *actions_; }
  const TSWFActionList& Actions() const { return *actions_; }
  bool OwnsActions() const { return owned_ != nullptr; }

  // Compiles ActionScript into the list. On an error the message goes to the movie's
  // CompileMessages and the result is false; the list may then hold part of the code.
  bool Compile(const std::string& text);
  bool Compile(const std::vector<std::string>& lines);

  // Appends an action of any kind: Add<TSWFActionStop>(), Add<TSWFActionGotoFrame>()->Frame = 2.
  template <typename T>
  T* Add() {
    static_assert(std::is_base_of_v<TSWFAction, T>);
    return actions_->Add(std::make_unique<T>());
  }
  // FSCommand is a GetURL to "FSCommand:" + the command.
  void AddGetURL(const std::string& url, const std::string& target);
  void AddFSCommand(const std::string& command, const std::string& arguments);

  // Pushes. A value joins the Push action at the end of the list while that action's body
  // stays within its 16-bit length, so consecutive pushes make one Push action.
  void PushString(const std::string& text);
  void PushInteger(int32_t value);
  // Integral values in the 32-bit range go as integers, all others as doubles.
  void PushNumber(double value);
  void PushBoolean(bool value);
  void PushNull();
  void PushUndefined();
  void PushRegister(uint8_t n);
  void StoreRegister(uint8_t n);

  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  void Push(TPushValueInfo value);

  std::unique_ptr<TSWFActionList> owned_;
  TSWFActionList* actions_;
};

class TFlashMovie : public TBasedSWFStream {
public:
  // The rectangle in pixels when in_pixels (times 20 into twips), else in twips.
  TFlashMovie(int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max, float frame_rate, bool in_pixels = true);
  ~TFlashMovie() override;

  // Objects: the body's content in file order (builder objects and plain tags).
  std::vector<std::unique_ptr<TBasedSWFObject>> Objects;
  // The next character ID; one past 65535 once every ID is taken, so it never wraps.
  uint32_t NextID = 1;
  int CurrentFrame = -1;  // index of the last closed frame
  int MaxDepth = 0;       // the deepest placement so far
  std::string FrameLabel;  // of the frame being built
  // Image fills are shifted half a pixel for older players; off from version 8.
  bool FillCorrection = true;
  bool Protect = false;
  std::string ProtectPassword;
  bool WriteFileAttributes = false;
  std::string MetadataText;  // written after FileAttributes when its metadata flag is set

  TFlashObjectList<TFlashSprite> Sprites;
  TFlashObjectList<TFlashShape> Shapes;
  TFlashObjectList<TFlashImage> Images;
  TFlashObjectList<TFlashButton> Buttons;
  TFlashObjectList<TFlashFont> Fonts;
  TFlashObjectList<TFlashText> Texts;
  TFlashObjectList<TFlashVideo> Videos;
  // Placed videos write their frames at every ShowFrame; they are kept outside Objects.
  std::vector<std::unique_ptr<TFlashFrameWriter>> PlacedVideos;

  // Appends a plain tag or builder object; returns it.
  template <typename T>
  T* Add(std::unique_ptr<T> object) {
    T* raw = object.get();
    if constexpr (std::is_base_of_v<TFlashObject, T>) raw->SetOwner(this);
    Objects.push_back(std::move(object));
    return raw;
  }
  // Appends a definition and gives it the next character ID.
  template <typename T>
  T* AddDefinition(std::unique_ptr<T> object) {
    static_assert(std::is_base_of_v<TFlashIDObject, T>);
    object->SetID(TakeID());
    return Add(std::move(object));
  }
  // A new character ID (they are handed out in creation order). Throws when none is left.
  uint16_t TakeID();
  // Reserves `count` IDs after `first` (an imported movie's block): NextID becomes
  // first + count unless it is already beyond. Throws when the block runs past the last ID.
  void ReserveIDs(uint32_t first, uint32_t count);

  TSWFRGB& BackgroundColor();
  bool HasBackgroundColor() const { return background_ != nullptr; }
  TSWFFileAttributes& FileAttributes();
  // The movie's stream sound, written as a head before the tags and a block per frame.
  void SetStreamSound(std::unique_ptr<TFlashFrameWriter> sound, int start_frame = 0);
  TFlashFrameWriter* StreamSound() const { return stream_sound_.get(); }

  // The actions of the frame being built, created on first access.
  TFlashActionScript& FrameActions();
  // Closes `count` frames (at least one): label, frame actions, ShowFrame tags.
  void ShowFrame(int count = 1);
  // The index in Objects of the n-th ShowFrame (from 1); 0 for n = 0 or no objects; the last
  // index when there are fewer frames.
  size_t FrameIndex(int n) const;

  // A new sprite with its own timeline; `first`, when given, is placed in it at depth 1.
  TFlashSprite* AddSprite(TFlashVisualObject* first = nullptr);
  // The shape given, or a new empty one.
  TFlashShape* AddShape(std::unique_ptr<TFlashShape> shape = nullptr);
  // A shape tracing the rectangle (left, top, right, bottom in the movie's units), which is
  // also its bounds; the caller adds the fill and line styles.
  TFlashShape* AddRectangle(const TRect& rect);
  // A DefineButton2 (with the track-as-menu flag) or, without use_button2, a DefineButton.
  TFlashButton* AddButton(bool track_as_menu = false, bool use_button2 = true);
  // An image loaded from the file (JPEG, BMP or PNG); without a name an empty image.
  TFlashImage* AddImage(const std::filesystem::path& file_name = {});
  // An image loaded beforehand.
  TFlashImage* AddImage(std::unique_ptr<TFlashImage> image);
  // Called before an image loads its file; returning false cancels the load.
  std::function<bool(TFlashImage& image, const std::filesystem::path& file_name)> OnLoadImage;
  // A font with DeviceFont set and nothing else; the caller sets name, size and style.
  TFlashFont* AddFont();
  // A font of a system font's name, height in pixels, style and character set.
  TFlashFont* AddFont(const TSystemFont& system_font, bool device_font);
  // A text of a UTF-8 string at (x, y) in the movie's units, in `font` at the font's size,
  // with a packed RGBA colour and an alignment (kAlignLeft, ...: 0 left, 1 right, 2 center,
  // 3 justify).
  TFlashText* AddText(const std::string& text, TColor color, TFlashFont* font, int32_t x, int32_t y,
                      uint8_t align = 0);
  // Sounds (flash_sound.cpp). An event sound (DefineSound) from a WAV or MP3 file; the
  // movie's stream sound from one, with blocks from `start_frame` on; a StartSound of an
  // event sound in the frame being built (loop_count 0 plays it once).
  TFlashSound* AddSound(const std::filesystem::path& file_name);
  TFlashSound& AddStreamSound(const std::filesystem::path& file_name, int start_frame = 0);
  TSWFStartSound* StartSound(TFlashSound* sound, uint16_t loop_count = 0);
  // A video over an FLV file, embedded frame by frame (flash_video.h). Throws when the file
  // cannot be embedded.
  TFlashVideo* AddVideo(const std::filesystem::path& file_name);
  TFlashVideo* AddVideo(std::unique_ptr<TFlashVideo> video);
  // A video object without frames, for a NetStream that script attaches (see TFlashScriptVideo).
  TFlashScriptVideo* AddScriptVideo(uint16_t width, uint16_t height);
  // Puts the object on the display list at `depth`; the caller sets position, name, ...
  TFlashPlaceObject* PlaceObject(TFlashVisualObject* object, int depth);
  // A placement of a character given by ID only (one defined by an imported movie).
  TFlashPlaceObject* PlaceCharacter(uint16_t character_id, int depth);
  // A placed video: kept outside Objects, it writes its frame at every ShowFrame.
  TFlashFrameWriter* PlaceVideo(std::unique_ptr<TFlashFrameWriter> placed, int depth);
  // Places a video from the current frame on (flash_video.h).
  TFlashPlaceVideo* PlaceVideo(TFlashVideo* video, int depth);
  // With an object: RemoveObject of its ID at the depth; without: RemoveObject2.
  void RemoveObject(int depth, TFlashIDObject* object = nullptr);
  // Imports another SWF (see TFlashExternalMovie for the modes).
  TFlashExternalMovie* AddExternalMovie(const std::filesystem::path& file_name, int mode, bool renumber = true);
  TFlashExternalMovie* AddExternalMovie(std::span<const uint8_t> bytes, int mode, bool renumber = true);

  // Moves `used` in front of `user` in Objects when it stands after it, so that every
  // definition precedes its first use in the file.
  void MoveInFront(const TBasedSWFObject* user, const TBasedSWFObject* used);
  size_t IndexOf(const TBasedSWFObject* object) const;

  TCompileContext& CompileContext();
  std::string CompileMessages;  // the texts of compile errors, one after the other
  // Each compile error with its place, where the compiler knows it (for a user's display).
  std::vector<TCompileDiagnostic> CompileDiagnostics;

  void HeaderChanged() override;
  size_t FindFrameEnd(uint16_t Frame) override { return FrameIndex(Frame); }
  // Writes the body; returns the version the content needs and raises the movie's version
  // to it. The frame count becomes the number of frames written.
  uint8_t WriteBody();
  void BuildBody() override { WriteBody(); }
  // Moves the resource definitions (images, sounds, fonts, bitmap tags) of frames
  // from_frame..last_frame into frame to_frame, keeping their order. Frames count from 0;
  // last_frame -1 means the last frame.
  void MoveResources(int to_frame, int from_frame, int last_frame) override;
  // Saves the file (temporary file, then rename), writing the body to it as it grows:
  // embedded video and sound pass through without the whole body being held.
  void Save(const std::filesystem::path& file_name);
  // While Save writes the body: hands the bytes written so far on to the file once enough
  // have gathered. A sprite with embedded media calls it between its frames; at other times
  // it does nothing.
  void FlushWrittenBody() {
    if (flush_body_) flush_body_();
  }

private:
  // Raises the version to what the content needs and tells the placements; returns it.
  uint8_t SettleVersion();
  // Writes the body into `body` (the version settled beforehand); with a sink, hands the
  // bytes on piece by piece.
  void WriteBodyTo(std::vector<uint8_t>& body, const TBodySink* sink);
  TFlashExternalMovie* AddExternal(std::unique_ptr<TFlashExternalMovie> movie, int mode, bool renumber);

  std::function<void()> flush_body_;  // set while WriteBodyTo streams to a sink
  std::unique_ptr<TCompileContext> compile_context_;
  std::unique_ptr<TFlashActionScript> frame_actions_;
  std::unique_ptr<TSWFRGB> background_;
  std::unique_ptr<TSWFFileAttributes> file_attributes_;
  std::unique_ptr<TFlashFrameWriter> stream_sound_;
  int stream_sound_start_ = 0;
};

}  // namespace fc
