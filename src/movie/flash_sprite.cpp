#include "movie/flash_sprite.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "core/error.h"
#include "core/text.h"
#include "movie/external_movie.h"
#include "swf/buttons_sprites.h"

namespace fc {

namespace {

uint16_t CheckedDepth(int depth) {
  if (depth < 0 || depth > 0xFFFF) throw Error(Format("Depth %d is outside 0..65535.", depth));
  return static_cast<uint16_t>(depth);
}

int32_t ToTwips(int32_t value, int32_t multiplier) {
  const int64_t twips = static_cast<int64_t>(value) * multiplier;
  if (twips < std::numeric_limits<int32_t>::min() / 2 || twips > std::numeric_limits<int32_t>::max() / 2)
    throw Error(Format("Position %d is too far off the stage.", value));
  return static_cast<int32_t>(twips);
}

bool IsShowFrameTag(const TBasedSWFObject& object) {
  const auto* tag = dynamic_cast<const TSWFObject*>(&object);
  return tag && tag->HeaderCode() == TSWFTagCode::ShowFrame;
}

}  // namespace

void WriteTagBytes(TBitsEngine& be, uint16_t code, std::span<const uint8_t> body) {
  TSWFByteCodeTag tag(code, body);
  tag.WriteToStream(be);
}

void SetFileVersion(TBasedSWFObject& object, uint8_t version) {
  if (auto* place = dynamic_cast<TFlashPlaceObject*>(&object)) {
    place->SetFileVersion(version);
  } else if (auto* sprite = dynamic_cast<TFlashSprite*>(&object)) {
    for (auto& tag : sprite->ControlTags) SetFileVersion(*tag, version);
  } else if (auto* external = dynamic_cast<TFlashExternalMovie*>(&object)) {
    for (auto& info : external->Reader.TagList)
      if (info->Object) SetFileVersion(*info->Object, version);
    if (external->Sprite()) SetFileVersion(*external->Sprite(), version);
  } else if (auto* place2 = dynamic_cast<TSWFPlaceObject2*>(&object)) {
    place2->Version = version;
  } else if (auto* tag = dynamic_cast<TSWFObject*>(&object)) {
    if (TSWFObjectList* subs = tag->SubTags())
      for (auto& sub : *subs) SetFileVersion(*sub, version);
  }
}

// ---------------------------------------------------------------------------------------
// Placements

TFlashPlaceObject::TFlashPlaceObject(TFlashMovie* owner, TFlashVisualObject* character, uint16_t character_id,
                                     int depth)
    : Character(character) {
  Owner = owner;
  Tag.Depth = CheckedDepth(depth);
  Tag.Version = owner ? std::max<uint8_t>(owner->Version(), 3) : 3;
  if (character || character_id) Tag.SetCharacterID(character_id);
}

void TFlashPlaceObject::SetPosition(int32_t x, int32_t y) {
  if (x == 0 && y == 0 && !Tag.HasMatrix && !Tag.Move) return;
  const int32_t m = Owner ? Owner->UnitsMultiplier() : 1;
  Tag.GetMatrix().SetTranslate(ToTwips(x, m), ToTwips(y, m));
}

void TFlashPlaceObject::SetScale(float sx, float sy) {
  scale_x_ = sx;
  scale_y_ = sy;
  UpdateMatrix();
}

void TFlashPlaceObject::SetRotation(float degrees) {
  rotation_ = degrees;
  UpdateMatrix();
}

void TFlashPlaceObject::UpdateMatrix() {
  // Scale first, then rotation (clockwise on the screen, where y points down).
  TSWFMatrix& m = Tag.GetMatrix();
  const double rad = rotation_ * std::numbers::pi / 180.0;
  const double c = std::cos(rad), s = std::sin(rad);
  m.HasScale = true;
  m.ScaleX = FloatToFixed(scale_x_ * c);
  m.ScaleY = FloatToFixed(scale_y_ * c);
  m.HasRotate = rotation_ != 0;
  m.RotateSkew0 = m.HasRotate ? FloatToFixed(scale_x_ * s) : 0;
  m.RotateSkew1 = m.HasRotate ? FloatToFixed(-scale_y_ * s) : 0;
}

void TFlashPlaceObject::SetRatio(uint16_t ratio) {
  Tag.Ratio = ratio;
  Tag.HasRatio = true;
}

void TFlashPlaceObject::SetClipDepth(uint16_t depth) {
  Tag.ClipDepth = depth;
  Tag.HasClipDepth = true;
}

bool TFlashPlaceObject::PlacesSprite() const { return dynamic_cast<const TFlashSprite*>(Character) != nullptr; }

TSWFClipActionRecord* TFlashPlaceObject::FindClipAction(uint32_t event, bool create) {
  if (!PlacesSprite()) return nullptr;
  for (const auto& record : Tag.ClipActions().Records)
    if (record->EventFlags & event) return record.get();
  return create ? Tag.GetClipActions().AddRecord(event) : nullptr;
}

TSWFClipActionRecord* TFlashPlaceObject::AddClipAction(uint32_t events) {
  if (!PlacesSprite()) return nullptr;
  return Tag.GetClipActions().AddRecord(events);
}

TFlashActionScript& TFlashPlaceObject::ClipScript(TSWFClipActionRecord& record) {
  for (auto& script : clip_scripts_)
    if (&script->Actions() == &record) return *script;
  clip_scripts_.push_back(std::make_unique<TFlashActionScript>(Owner, &record));
  return *clip_scripts_.back();
}

namespace {
bool NeedsPlaceObject3(const TSWFPlaceObject3& tag) {
  return (tag.HasBlendMode && tag.BlendMode > 1) || (tag.HasFilterList && tag.Filters().Count() > 0) ||
         tag.HasCacheAsBitmap;
}
}  // namespace

uint8_t TFlashPlaceObject::MinVersion() const {
  if (NeedsPlaceObject3(Tag)) return 8;
  uint8_t v = 3;
  if (Tag.HasClipActions && !Tag.ClipActions().Records.empty()) {
    v = 5;
    for (const auto& record : Tag.ClipActions().Records) {
      // Events above the first 16 exist only where the flags are 32 bits wide.
      if (record->EventFlags > 0xFFFF) v = std::max<uint8_t>(v, 6);
      v = std::max(v, record->MinVersion());
    }
  }
  return v;
}

void TFlashPlaceObject::WriteToStream(TBitsEngine& be) {
  const bool three = NeedsPlaceObject3(Tag);
  Tag.SetCode(three ? TSWFTagCode::PlaceObject3 : TSWFTagCode::PlaceObject2);
  Tag.SkipExtras = !three;
  Tag.WriteToStream(be);
}

// ---------------------------------------------------------------------------------------
// Sprites

void TFlashSprite::OwnerChanged() {
  if (init_actions_) init_actions_->Owner = Owner;
  if (frame_actions_) frame_actions_->Owner = Owner;
}

TFlashActionScript& TFlashSprite::InitActions() {
  if (!init_actions_) init_actions_ = std::make_unique<TFlashActionScript>(Owner);
  return *init_actions_;
}

TFlashActionScript& TFlashSprite::FrameActions() {
  if (!frame_actions_) frame_actions_ = std::make_unique<TFlashActionScript>(Owner);
  return *frame_actions_;
}

TFlashPlaceObject* TFlashSprite::PlaceObject(TFlashVisualObject* object, int depth) {
  if (!object) throw Error("PlaceObject needs an object to place.");
  if (object == this) throw Error("A sprite cannot place itself.");
  auto* place = AddControlTag(std::make_unique<TFlashPlaceObject>(Owner, object, object->GetID(), depth));
  MaxDepth = std::max(MaxDepth, depth);
  if (Owner) Owner->MoveInFront(this, object);
  return place;
}

TFlashPlaceObject* TFlashSprite::PlaceCharacter(uint16_t character_id, int depth) {
  auto* place = AddControlTag(std::make_unique<TFlashPlaceObject>(Owner, nullptr, character_id, depth));
  MaxDepth = std::max(MaxDepth, depth);
  return place;
}

void TFlashSprite::RemoveObject(int depth, TFlashIDObject* object) {
  if (object) {
    auto tag = std::make_unique<TSWFRemoveObject>();
    tag->CharacterID = object->GetID();
    tag->Depth = CheckedDepth(depth);
    AddControlTag(std::move(tag));
  } else {
    auto tag = std::make_unique<TSWFRemoveObject2>();
    tag->Depth = CheckedDepth(depth);
    AddControlTag(std::move(tag));
  }
}

void TFlashSprite::ShowFrame(int count) {
  count = std::max(count, 1);
  if (FrameCount + count > 0xFFFF) throw Error("A sprite holds at most 65535 frames.");
  if (frame_actions_) ControlTags.push_back(std::move(frame_actions_));
  if (!FrameLabel.empty()) {
    AddControlTag(std::make_unique<TSWFFrameLabel>(FrameLabel));
    FrameLabel.clear();
  }
  for (int i = 0; i < count; ++i) AddControlTag(std::make_unique<TSWFShowFrame>());
  FrameCount = static_cast<uint16_t>(FrameCount + count);
  CurrentFrame = FrameCount - 1;
}

void TFlashSprite::SetFrameCount(int n) {
  if (n < 0 || n > 0xFFFF) throw Error(Format("Frame count %d is outside 0..65535.", n));
  FrameCount = static_cast<uint16_t>(n);
}

void TFlashSprite::ClearTimeline() {
  ControlTags.clear();
  frame_actions_.reset();
  FrameLabel.clear();
  FrameCount = 0;
  CurrentFrame = -1;
}

uint8_t TFlashSprite::MinVersion() const {
  uint8_t v = 3;
  for (const auto& tag : ControlTags) v = std::max(v, tag->MinVersion());
  if (init_actions_) v = std::max<uint8_t>({v, 6, init_actions_->MinVersion()});
  if (stream_sound_) v = std::max(v, stream_sound_->MinVersion());
  for (const auto& video : PlacedVideos) v = std::max(v, video->MinVersion());
  return v;
}

void TFlashSprite::WriteTimeline(TBitsEngine& b, uint16_t frame_count, const std::function<void()>& after_frame) {
  b.WriteWord(GetID());
  b.WriteWord(frame_count);
  if (stream_sound_) stream_sound_->WriteHead(b);
  int frame = 0;
  for (auto& tag : ControlTags) {
    const bool show_frame = IsShowFrameTag(*tag);
    if (show_frame) {
      for (const auto& video : PlacedVideos) video->WriteFrame(b, frame);
      if (stream_sound_) stream_sound_->WriteFrame(b, frame);
      ++frame;
    }
    tag->WriteToStream(b);
    if (show_frame) after_frame();
  }
  const auto* last = dynamic_cast<const TSWFObject*>(ControlTags.back().get());
  if (!last || last->HeaderCode() != TSWFTagCode::End) TSWFEnd().WriteToStream(b);
}

void TFlashSprite::WriteToStream(TBitsEngine& be) {
  // A sprite without frames still shows one, so that the player runs its tags.
  if (std::none_of(ControlTags.begin(), ControlTags.end(), [](const auto& t) { return IsShowFrameTag(*t); }))
    ShowFrame(1);
  uint16_t shown = 0;
  for (const auto& tag : ControlTags) shown = static_cast<uint16_t>(shown + (IsShowFrameTag(*tag) ? 1 : 0));
  const uint16_t frame_count = std::max(FrameCount, shown);
  if (PlacedVideos.empty() && !stream_sound_) {
    std::vector<uint8_t> body;
    TBitsEngine b(&body);
    WriteTimeline(b, frame_count, [] {});
    WriteTagBytes(be, TagNumber(TSWFTagCode::DefineSprite), body);
  } else {
    // Embedded video and sound would make the body as large as the media: it is written
    // twice instead, first frame by frame into a small buffer only to learn its length (the
    // tag header comes first), then into the movie's body, which the movie hands on to its
    // file between frames. The frame writers start again at their first frame.
    std::vector<uint8_t> scratch;
    TBitsEngine counter(&scratch);
    uint64_t length = 0;
    const auto count_frame = [&] {
      length += counter.Position();
      counter.Truncate(0);
    };
    WriteTimeline(counter, frame_count, count_frame);
    count_frame();
    if (length > 0xFFFFFFFFu) throw Error(Format("The sprite %u is larger than a tag can hold.", GetID()));
    be.WriteWord(static_cast<uint16_t>(TagNumber(TSWFTagCode::DefineSprite) << 6 | 0x3F));
    be.WriteDWord(static_cast<uint32_t>(length));
    uint64_t written = 0;
    size_t mark = be.Position();
    const auto flush_frame = [&] {
      written += be.Position() - mark;
      if (Owner) Owner->FlushWrittenBody();
      mark = be.Position();
    };
    WriteTimeline(be, frame_count, flush_frame);
    written += be.Position() - mark;
    if (written != length)
      throw Error(Format("The sprite %u wrote %llu bytes after announcing %llu.", GetID(),
                         static_cast<unsigned long long>(written), static_cast<unsigned long long>(length)));
  }
  if (init_actions_) {
    TSWFDoInitAction init;
    init.SpriteID = GetID();
    init.Actions = &init_actions_->Actions();
    init.WriteToStream(be);
  }
}

}  // namespace fc
