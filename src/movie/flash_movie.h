#pragma once
// The movie builder: a movie made of definitions, placements, frame actions and labels, with
// character IDs handed out in creation order and the movie's own ActionScript compiler.

#include <memory>
#include <string>
#include <vector>

#include "swf/actions.h"
#include "swf/records.h"
#include "swf/objects.h"
#include "swf/streams.h"

namespace fc {

class TCompileContext;
class TFlashMovie;

// Base of the builder's own objects; the movie owns them.
class TFlashObject : public TBasedSWFObject {
public:
  void Assign(const TBasedSWFObject& Source) override { (void)Source; }
  uint8_t LibraryLevel() const override { return 1; }
  virtual void OwnerChanged() {}
  void SetOwner(TFlashMovie* owner) {
    Owner = owner;
    OwnerChanged();
  }
  TFlashMovie* Owner = nullptr;
};

// One action list with the compile entry the output generation uses. Written as a DoAction
// tag (or, for class set-up code, a DoInitAction of its sprite).
class TFlashActionScript : public TFlashObject {
public:
  // A script over its own list.
  explicit TFlashActionScript(TFlashMovie* owner);
  // A script over a list owned elsewhere (a button condition, a clip action).
  TFlashActionScript(TFlashMovie* owner, TSWFActionList* list);

  TSWFActionList& Actions() { return *actions_; }
  bool OwnsActions() const { return owned_ != nullptr; }

  // Compiles ActionScript into the list. On an error the message goes to the movie's
  // CompileMessages and the result is false; the list may then hold part of the code.
  bool Compile(const std::string& text);
  bool Compile(const std::vector<std::string>& lines);

  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  std::unique_ptr<TSWFActionList> owned_;
  TSWFActionList* actions_;
};

class TFlashMovie : public TBasedSWFStream {
public:
  // The rectangle in pixels when inPixels (times 20 into twips), else in twips.
  TFlashMovie(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, float frameRate, bool inPixels = true);
  ~TFlashMovie() override;

  // Objects: the body's content in file order (builder objects and plain tags).
  std::vector<std::unique_ptr<TBasedSWFObject>> Objects;
  uint16_t NextID = 1;
  int CurrentFrame = -1;  // index of the last closed frame
  std::string FrameLabel;  // of the frame being built

  // Appends a plain tag or builder object; returns it.
  template <typename T>
  T* Add(std::unique_ptr<T> object) {
    T* raw = object.get();
    if constexpr (std::is_base_of_v<TFlashObject, T>) raw->SetOwner(this);
    Objects.push_back(std::move(object));
    return raw;
  }
  // A new character ID (they are handed out in creation order).
  uint16_t TakeID();

  TSWFRGB& BackgroundColor();
  // The actions of the frame being built, created on first access.
  TFlashActionScript& FrameActions();
  // Closes `count` frames (at least one): label, frame actions, ShowFrame tags.
  void ShowFrame(int count = 1);
  // The index in Objects of the n-th ShowFrame (from 1); 0 for n = 0 or no objects.
  size_t FrameIndex(int n) const;

  TCompileContext& CompileContext();
  std::string CompileMessages;  // the texts of compile errors, one after the other

  size_t FindFrameEnd(uint16_t Frame) override { return FrameIndex(Frame); }
  // Writes the body (the version rises to what the content needs).
  void BuildBody() override;
  void MoveResources(int ToFrame, int FromFrame, int UntilFrame) override;

private:
  std::unique_ptr<TCompileContext> compileContext_;
  std::unique_ptr<TFlashActionScript> frameActions_;
  std::unique_ptr<TSWFRGB> background_;
};

}  // namespace fc
