#include "movie/flash_button.h"

#include <algorithm>

#include "core/error.h"
#include "core/text.h"

namespace fc {

TFlashButton::TFlashButton(bool track_as_menu, bool use_button2) {
  if (use_button2) {
    auto tag = std::make_unique<TSWFDefineButton2>();
    tag->TrackAsMenu = track_as_menu;
    button2_ = tag.get();
    tag_ = std::move(tag);
  } else {
    tag_ = std::make_unique<TSWFDefineButton>();
  }
}

TFlashButton::~TFlashButton() = default;

void TFlashButton::SetID(uint16_t id) {
  TFlashVisualObject::SetID(id);
  tag_->ButtonID = id;
  Sounds.ButtonID = id;
}

TSWFButtonRecord& TFlashButton::AddRecord(TFlashVisualObject& object, uint8_t states, int depth) {
  if (depth < 0 || depth > 0xFFFF) throw Error(Format("Depth %d is outside 0..65535.", depth));
  TSWFButtonRecord* record = tag_->AddRecord(states, object.GetID(), static_cast<uint16_t>(depth));
  // DefineButton2 records carry a colour transform (the identity unless set).
  record->HasColorTransform = IsButton2();
  if (Owner) Owner->MoveInFront(this, &object);
  return *record;
}

TSWFButtonCondAction& TFlashButton::AddCondition(uint16_t events) {
  if (!button2_) throw Error("A DefineButton has no event conditions: its actions run on release.");
  return *button2_->AddCondAction(events);
}

TSWFButtonCondAction* TFlashButton::FindCondition(TButtonEvent event, bool create) {
  if (!button2_) return nullptr;
  const uint16_t mask = ButtonEventMask(event);
  for (auto& condition : button2_->Actions)
    if (condition->Conditions & mask) return condition.get();
  return create ? &AddCondition(mask) : nullptr;
}

TFlashActionScript& TFlashButton::ReleaseActions() {
  TSWFActionList* list = nullptr;
  if (button2_) list = FindCondition(kButtonRelease, true);
  else list = &static_cast<TSWFDefineButton&>(*tag_).Actions;
  if (!release_script_ || &release_script_->Actions() != list)
    release_script_ = std::make_unique<TFlashActionScript>(Owner, list);
  return *release_script_;
}

void TFlashButton::SetSound(TSWFDefineButtonSound::TSlot slot, uint16_t sound_id) {
  Sounds.GetSound(slot).SoundID = sound_id;
}

void TFlashButton::SetSound(TSWFDefineButtonSound::TSlot slot, const TFlashIDObject& sound) {
  SetSound(slot, sound.GetID());
}

bool TFlashButton::HasSounds() const {
  return std::any_of(std::begin(Sounds.Sounds), std::end(Sounds.Sounds),
                     [](const auto& sound) { return sound && sound->SoundID != 0; });
}

uint8_t TFlashButton::MinVersion() const {
  // A DefineButton2 answers for its actions and record effects; a DefineButton needs
  // version 1, or what the actions compiled into it need.
  uint8_t version = 1;
  if (button2_) {
    version = button2_->MinVersion();
  } else if (const auto& actions = static_cast<const TSWFDefineButton&>(*tag_).Actions; actions.Count() > 0) {
    version = actions.MinVersion();
  }
  if (HasSounds()) version = std::max(version, Sounds.MinVersion());
  return version;
}

void TFlashButton::WriteToStream(TBitsEngine& be) {
  tag_->WriteToStream(be);
  if (HasSounds()) Sounds.WriteToStream(be);
}

// ---------------------------------------------------------------------------------------

TFlashButton* TFlashMovie::AddButton(bool track_as_menu, bool use_button2) {
  TFlashButton* button = AddDefinition(std::make_unique<TFlashButton>(track_as_menu, use_button2));
  Buttons.push_back(button);
  return button;
}

}  // namespace fc
