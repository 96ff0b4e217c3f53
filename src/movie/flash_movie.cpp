#include "movie/flash_movie.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ascompiler/compile_context.h"
#include "ascompiler/emitter.h"
#include "ascompiler/errors.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/external_movie.h"
#include "movie/flash_sprite.h"
#include "swf/tag_factory.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// Objects

void TFlashObject::Assign(const TBasedSWFObject& Source) { (void)Source; }

void TFlashIDObject::Assign(const TBasedSWFObject& Source) {
  const auto& s = AssignSource<TFlashIDObject>(Source);
  if (!Owner) SetOwner(s.Owner);
  SetID(s.GetID());
}

void TFlashVisualObject::Assign(const TBasedSWFObject& Source) {
  TFlashIDObject::Assign(Source);
  InTwips = AssignSource<TFlashVisualObject>(Source).InTwips;
}

int32_t TFlashVisualObject::UnitsMultiplier() const {
  return InTwips || !Owner ? 1 : Owner->UnitsMultiplier();
}

// ---------------------------------------------------------------------------------------
// Scripts

TFlashActionScript::TFlashActionScript(TFlashMovie* owner)
    : owned_(std::make_unique<TSWFActionList>()), actions_(owned_.get()) {
  Owner = owner;
}

TFlashActionScript::TFlashActionScript(TFlashMovie* owner, TSWFActionList* list) : actions_(list) { Owner = owner; }

bool TFlashActionScript::Compile(const std::string& text) {
  if (!Owner) throw Error("A script outside a movie cannot be compiled.");
  try {
    TCompileContext& context = Owner->CompileContext();
    context.SetSwfVersion(Owner->Version());
    context.CompileFrameScript(text, *actions_);
    return true;
  } catch (const EActionCompileError& e) {
    Owner->CompileMessages += e.what();
    Owner->CompileDiagnostics.insert(Owner->CompileDiagnostics.end(), e.Diagnostics().begin(), e.Diagnostics().end());
    return false;
  } catch (const std::exception& e) {  // file and format errors alike
    Owner->CompileMessages += e.what();
    return false;
  }
}

bool TFlashActionScript::Compile(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return Compile(text);
}

void TFlashActionScript::AddGetURL(const std::string& url, const std::string& target) {
  auto action = std::make_unique<TSWFActionGetUrl>();
  action->URL = url;
  action->Target = target;
  actions_->Add(std::move(action));
}

void TFlashActionScript::AddFSCommand(const std::string& command, const std::string& arguments) {
  AddGetURL("FSCommand:" + command, arguments);
}

void TFlashActionScript::Push(TPushValueInfo value) {
  constexpr size_t kMaxBody = 65535;  // an action body has a 16-bit length
  TSWFAction* last = actions_->Items.empty() ? nullptr : actions_->Items.back().get();
  if (last && last->ActionCode == TSWFActionCode::Push) {
    // Measured by writing it: the push may come from compiled code. Scripts built here
    // push a handful of values, so the repeated measuring costs nothing that matters.
    auto* push = static_cast<TSWFActionPush*>(last);
    push->Values.push_back(value);
    std::vector<uint8_t> body;
    TBitsEngine be(&body);
    push->WriteActionBody(be);
    be.FlushLastByte(true);
    if (body.size() <= kMaxBody) return;
    push->Values.pop_back();
  }
  Add<TSWFActionPush>()->Values.push_back(std::move(value));
}

void TFlashActionScript::PushString(const std::string& text) { Push({text, kPushString}); }
void TFlashActionScript::PushInteger(int32_t value) { Push({value, kPushInteger}); }

void TFlashActionScript::PushNumber(double value) {
  if (PushesAsInteger(value))
    PushInteger(static_cast<int32_t>(value));
  else
    Push({value, kPushDouble});
}

void TFlashActionScript::PushBoolean(bool value) { Push({value, kPushBoolean}); }
void TFlashActionScript::PushNull() { Push({std::monostate{}, kPushNull}); }
void TFlashActionScript::PushUndefined() { Push({std::monostate{}, kPushUndefined}); }
void TFlashActionScript::PushRegister(uint8_t n) { Push({static_cast<int32_t>(n), kPushRegister}); }
void TFlashActionScript::StoreRegister(uint8_t n) { Add<TSWFActionStoreRegister>()->RegisterNumber = n; }

uint8_t TFlashActionScript::MinVersion() const { return std::max<uint8_t>(1, actions_->MinVersion()); }

void TFlashActionScript::WriteToStream(TBitsEngine& be) {
  TSWFDoAction tag(actions_);
  tag.WriteToStream(be);
}

// ---------------------------------------------------------------------------------------
// The movie

TFlashMovie::TFlashMovie(int32_t x_min, int32_t y_min, int32_t x_max, int32_t y_max, float frame_rate, bool in_pixels)
    : TBasedSWFStream(x_min, y_min, x_max, y_max, frame_rate, in_pixels) {}

TFlashMovie::~TFlashMovie() = default;

uint16_t TFlashMovie::TakeID() {
  if (NextID > kMaxCharacterID) throw Error("The movie has no character IDs left: every ID up to 65535 is taken.");
  return static_cast<uint16_t>(NextID++);
}

void TFlashMovie::ReserveIDs(uint32_t first, uint32_t count) {
  const uint64_t end = static_cast<uint64_t>(first) + count;  // one past the block
  if (end > kMaxCharacterID + 1ull)
    throw Error(Format("The movie needs %u character IDs from %u, past the last character ID 65535.", count, first));
  NextID = std::max<uint32_t>(NextID, static_cast<uint32_t>(end));
}

void TFlashMovie::HeaderChanged() {
  if (Version() >= 8) FillCorrection = false;
}

TSWFRGB& TFlashMovie::BackgroundColor() {
  if (!background_) background_ = std::make_unique<TSWFRGB>(255, 255, 255);
  return *background_;
}

TSWFFileAttributes& TFlashMovie::FileAttributes() {
  if (!file_attributes_) file_attributes_ = std::make_unique<TSWFFileAttributes>();
  return *file_attributes_;
}

void TFlashMovie::SetStreamSound(std::unique_ptr<TFlashFrameWriter> sound, int start_frame) {
  stream_sound_ = std::move(sound);
  stream_sound_start_ = start_frame;
}

TFlashActionScript& TFlashMovie::FrameActions() {
  if (!frame_actions_) frame_actions_ = std::make_unique<TFlashActionScript>(this);
  return *frame_actions_;
}

void TFlashMovie::ShowFrame(int count) {
  if (!FrameLabel.empty()) {
    Add(std::make_unique<TSWFFrameLabel>(FrameLabel));
    FrameLabel.clear();
  }
  if (frame_actions_) Objects.push_back(std::move(frame_actions_));
  for (int i = 0; i < std::max(count, 1); ++i) {
    if (FrameCount == 0xFFFF) throw Error("A movie holds at most 65535 frames.");
    Add(std::make_unique<TSWFShowFrame>());
    ++FrameCount;
  }
  CurrentFrame = FrameCount - 1;
}

namespace {

// The tag of a raw object; null for the builder's own objects, which have no code.
const TSWFObject* AsTag(const TBasedSWFObject& object) { return dynamic_cast<const TSWFObject*>(&object); }

bool IsTag(const TBasedSWFObject& object, TSWFTagCode code) {
  const TSWFObject* tag = AsTag(object);
  return tag && tag->HeaderCode() == code;
}

bool HasTrait(const TBasedSWFObject& object, TSWFTagTrait trait) {
  const TSWFObject* tag = AsTag(object);
  return tag && TagHasTrait(tag->HeaderCode(), trait);
}

}  // namespace

size_t TFlashMovie::FrameIndex(int n) const {
  if (n <= 0 || Objects.empty()) return 0;
  int seen = 0;
  for (size_t i = 0; i < Objects.size(); ++i)
    if (IsTag(*Objects[i], TSWFTagCode::ShowFrame) && ++seen == n) return i;
  return Objects.size() - 1;
}

TFlashSprite* TFlashMovie::AddSprite(TFlashVisualObject* first) {
  TFlashSprite* sprite = AddDefinition(std::make_unique<TFlashSprite>());
  Sprites.push_back(sprite);
  if (first) sprite->PlaceObject(first, 1);
  return sprite;
}

TFlashPlaceObject* TFlashMovie::PlaceObject(TFlashVisualObject* object, int depth) {
  if (!object) throw Error("PlaceObject needs an object to place.");
  auto* place = Add(std::make_unique<TFlashPlaceObject>(this, object, object->GetID(), depth));
  MaxDepth = std::max(MaxDepth, depth);
  return place;
}

TFlashPlaceObject* TFlashMovie::PlaceCharacter(uint16_t character_id, int depth) {
  auto* place = Add(std::make_unique<TFlashPlaceObject>(this, nullptr, character_id, depth));
  MaxDepth = std::max(MaxDepth, depth);
  return place;
}

TFlashFrameWriter* TFlashMovie::PlaceVideo(std::unique_ptr<TFlashFrameWriter> placed, int depth) {
  PlacedVideos.push_back(std::move(placed));
  MaxDepth = std::max(MaxDepth, depth);
  return PlacedVideos.back().get();
}

void TFlashMovie::RemoveObject(int depth, TFlashIDObject* object) {
  if (depth < 0 || depth > 0xFFFF) throw Error(Format("Depth %d is outside 0..65535.", depth));
  if (object) {
    auto tag = std::make_unique<TSWFRemoveObject>();
    tag->CharacterID = object->GetID();
    tag->Depth = static_cast<uint16_t>(depth);
    Add(std::move(tag));
  } else {
    auto tag = std::make_unique<TSWFRemoveObject2>();
    tag->Depth = static_cast<uint16_t>(depth);
    Add(std::move(tag));
  }
}

TFlashExternalMovie* TFlashMovie::AddExternalMovie(const std::filesystem::path& file_name, int mode, bool renumber) {
  return AddExternal(std::make_unique<TFlashExternalMovie>(file_name), mode, renumber);
}

TFlashExternalMovie* TFlashMovie::AddExternalMovie(std::span<const uint8_t> bytes, int mode, bool renumber) {
  return AddExternal(std::make_unique<TFlashExternalMovie>(bytes), mode, renumber);
}

TFlashExternalMovie* TFlashMovie::AddExternal(std::unique_ptr<TFlashExternalMovie> movie, int mode, bool renumber) {
  if (mode < kExternalTimeline || mode > kExternalSprite)
    throw Error(Format("Import mode %d is unknown (0 timeline, 1 library, 2 one frame, 3 sprite).", mode));
  if (!movie->Reader.IsValid) throw FormatError("The imported file is no SWF movie.");
  movie->Mode = static_cast<uint8_t>(mode);
  const bool sprite = mode == kExternalSprite;
  // The whole block is checked before anything changes, so a failed import leaves the movie
  // as it was: the object's ID, then (for a sprite) the definitions after it.
  const uint32_t count = movie->DefinitionCount();
  const uint32_t first = NextID;
  const uint64_t block_end = static_cast<uint64_t>(first) + count + 1 + (sprite ? 1 : 0);
  if (block_end > kMaxCharacterID + 1ull)
    throw Error(Format("The imported movie defines %u characters; from ID %u they run past the last character ID 65535.",
                       count, first));
  movie->SetID(TakeID());
  if (renumber) movie->Renumber(static_cast<uint16_t>(first + (sprite ? 1 : 0)));
  ReserveIDs(first, static_cast<uint32_t>(block_end - first));
  // Kept IDs must not be handed out again.
  if (!renumber && count > 0) ReserveIDs(movie->LargestID(), 1);
  TFlashExternalMovie* raw = Add(std::move(movie));
  if (sprite) {
    raw->MakeSprite();
    Sprites.push_back(raw->Sprite());
  }
  return raw;
}

void TFlashMovie::MoveInFront(const TBasedSWFObject* user, const TBasedSWFObject* used) {
  const size_t u = IndexOf(user), d = IndexOf(used);
  if (u == Objects.size() || d == Objects.size() || d < u) return;
  auto moving = std::move(Objects[d]);
  Objects.erase(Objects.begin() + static_cast<std::ptrdiff_t>(d));
  Objects.insert(Objects.begin() + static_cast<std::ptrdiff_t>(u), std::move(moving));
}

size_t TFlashMovie::IndexOf(const TBasedSWFObject* object) const {
  for (size_t i = 0; i < Objects.size(); ++i)
    if (Objects[i].get() == object) return i;
  return Objects.size();
}

TCompileContext& TFlashMovie::CompileContext() {
  if (!compile_context_) {
    compile_context_ = std::make_unique<TCompileContext>();
    compile_context_->SetSwfVersion(Version());
    // Each class compiled for the movie gets a sprite of its own whose init actions hold the
    // class's set-up code; the sprite stands in front of the frame being built.
    compile_context_->OnClassScript = [this](TClassInfo&) -> TSWFActionList& {
      return AddSprite()->InitActions().Actions();
    };
  }
  return *compile_context_;
}

uint8_t TFlashMovie::SettleVersion() {
  // The version is settled before anything is written: placements write their clip event
  // flags 16 or 32 bits wide by it, and fonts and edit fields take it into their tags, so a
  // later tag that raises it must be known first.
  uint8_t required = Version();
  if (WriteFileAttributes) required = std::max(required, FileAttributes().MinVersion());
  if (stream_sound_) required = std::max(required, stream_sound_->MinVersion());
  for (const auto& video : PlacedVideos) required = std::max(required, video->MinVersion());
  if (Protect) required = std::max<uint8_t>(required, 2);
  for (const auto& object : Objects) required = std::max(required, object->MinVersion());
  if (Compressed()) required = std::max<uint8_t>(required, 6);
  if (required > Version()) SetVersion(required);
  for (const auto& object : Objects) SetFileVersion(*object, required);
  return required;
}

uint8_t TFlashMovie::WriteBody() {
  const uint8_t required = SettleVersion();
  std::vector<uint8_t> body;
  WriteBodyTo(body, nullptr);
  SetBodyStream(std::move(body));
  return required;
}

void TFlashMovie::WriteBodyTo(std::vector<uint8_t>& body, const TBodySink* sink) {
  // Streamed, the bytes go on to the sink after each object once this many have gathered:
  // an embedded video's frames pass through a buffer of this size, never held whole.
  constexpr size_t kFlushBytes = 1 << 20;
  auto flush = [&](bool always) {
    if (sink && (always || body.size() >= kFlushBytes) && !body.empty()) {
      (*sink)(body);
      body.clear();
    }
  };
  TBitsEngine be(&body);
  flush_body_ = [&] { flush(false); };
  struct TReset {
    std::function<void()>& f;
    ~TReset() { f = nullptr; }
  } reset{flush_body_};

  if (WriteFileAttributes) {
    TSWFFileAttributes& attributes = FileAttributes();
    attributes.WriteToStream(be);
    if (attributes.HasMetadata) {
      TSWFMetadata metadata;
      metadata.Metadata = MetadataText;
      metadata.WriteToStream(be);
    }
  }
  if (background_) {
    TSWFSetBackgroundColor tag;
    tag.Color = *background_;
    tag.WriteToStream(be);
  }
  if (stream_sound_) stream_sound_->WriteHead(be);
  if (Protect) {
    TSWFProtect tag;
    tag.Password = ProtectPassword;
    tag.WriteToStream(be);
  }
  int frame = 0;
  bool placed = false;
  for (size_t i = 0; i < Objects.size(); ++i) {
    TBasedSWFObject& object = *Objects[i];
    Progress(static_cast<int>(std::lround((i + 1) * 100.0 / Objects.size())), kProgressBuilding);
    const bool show_frame = IsTag(object, TSWFTagCode::ShowFrame);
    if (show_frame) {
      for (const auto& video : PlacedVideos) video->WriteFrame(be, frame);
      if (stream_sound_ && frame >= stream_sound_start_) stream_sound_->WriteFrame(be, frame - stream_sound_start_);
    }
    object.WriteToStream(be);
    if (show_frame) ++frame;
    if (HasTrait(object, TSWFTagTrait::Placement) || dynamic_cast<TFlashPlaceObject*>(&object)) placed = true;
    if (auto* external = dynamic_cast<TFlashExternalMovie*>(&object)) {
      frame += external->FramesWritten();
      placed = placed || external->PlacedWritten();
    }
    if (frame > 0xFFFF) throw Error(Format("The movie has %d frames; a movie holds at most 65535.", frame));
    flush(false);
  }
  if (frame == 0 && placed) {
    TSWFShowFrame().WriteToStream(be);
    frame = 1;
  }
  if (Objects.empty() || !IsTag(*Objects.back(), TSWFTagCode::End)) TSWFEnd().WriteToStream(be);
  flush(true);
  FrameCount = static_cast<uint16_t>(frame);
}

void TFlashMovie::MoveResources(int to_frame, int from_frame, int last_frame) {
  if (to_frame > from_frame) to_frame = from_frame;
  if (last_frame == -1) last_frame = FrameCount;
  if (last_frame <= 0 || last_frame < from_frame) last_frame = from_frame;
  if (to_frame < 0 || from_frame < 0) throw Error("Frames to move resources between count from 0.");
  // Frame f (from 0) runs from just after the f-th ShowFrame to the (f + 1)-th one.
  auto frame_start = [&](int f) -> size_t { return f <= 0 || Objects.empty() ? 0 : std::min(FrameIndex(f) + 1, Objects.size()); };
  auto frame_end = [&](int f) -> size_t {  // one past the frame's ShowFrame, or the end
    int seen = 0;
    for (size_t i = 0; i < Objects.size(); ++i)
      if (IsTag(*Objects[i], TSWFTagCode::ShowFrame) && ++seen == f + 1) return i;
    return Objects.size();
  };
  const size_t insert = frame_start(to_frame);
  const size_t end = frame_end(last_frame);
  size_t moved = 0;
  for (size_t i = std::max(frame_start(from_frame), insert); i < end; ++i) {
    const auto* flash = dynamic_cast<const TFlashObject*>(Objects[i].get());
    const bool resource = flash ? flash->IsResource() : HasTrait(*Objects[i], TSWFTagTrait::Resource);
    if (!resource) continue;
    // Entries between the insertion point and i shift by one; i now holds one already seen.
    auto entry = std::move(Objects[i]);
    Objects.erase(Objects.begin() + static_cast<std::ptrdiff_t>(i));
    Objects.insert(Objects.begin() + static_cast<std::ptrdiff_t>(insert + moved), std::move(entry));
    ++moved;
  }
}

void TFlashMovie::Save(const std::filesystem::path& file_name) {
  // The version goes into the header, which is written before the body.
  SettleVersion();
  SaveStreamed(file_name, [&](const TBodySink& sink) {
    std::vector<uint8_t> buffer;
    WriteBodyTo(buffer, &sink);
  });
}

}  // namespace fc
