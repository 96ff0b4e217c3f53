#pragma once
// Buttons: the characters shown in the up, over, down and hit states, actions run on button
// events (the release actions, compiled into like any script) and the sounds of the four
// state transitions.

#include <cstdint>
#include <memory>

#include "movie/flash_movie.h"
#include "swf/buttons_sprites.h"

namespace fc {

// Button events by index, as the compiler's `on (...)` handlers number them: event i is
// condition bit 1 << i of a DefineButton2 action.
enum TButtonEvent : uint8_t {
  kButtonRollOver = 0,
  kButtonRollOut = 1,
  kButtonPress = 2,
  kButtonRelease = 3,
  kButtonDragOver = 4,
  kButtonDragOut = 5,
  kButtonReleaseOutside = 6,
  kButtonMenuDragOver = 7,
  kButtonMenuDragOut = 8,
};
constexpr uint16_t ButtonEventMask(TButtonEvent event) { return static_cast<uint16_t>(1u << event); }

class TFlashButton : public TFlashVisualObject {
public:
  // A DefineButton2 with the track-as-menu flag, or a DefineButton.
  explicit TFlashButton(bool track_as_menu = false, bool use_button2 = true);
  ~TFlashButton() override;

  bool IsButton2() const { return button2_ != nullptr; }
  TSWFBasedButton& Tag() { return *tag_; }
  const TSWFBasedButton& Tag() const { return *tag_; }
  // The sounds of the state transitions; written after the button when a slot is set.
  TSWFDefineButtonSound Sounds;

  void SetID(uint16_t id) override;

  // Shows `object` in the states (kButtonUp | kButtonOver | ...) at `depth`. The object moves
  // in front of the button in the movie when it stands after it.
  TSWFButtonRecord& AddRecord(TFlashVisualObject& object, uint8_t states, int depth);
  // A condition run on the events (a set of ButtonEventMask bits). DefineButton2 only.
  TSWFButtonCondAction& AddCondition(uint16_t events);
  // The first condition whose events hold `event`, added with just that event when absent
  // and `create` is set; null otherwise (always null for a DefineButton).
  TSWFButtonCondAction* FindCondition(TButtonEvent event, bool create);
  // The actions run on release (the release condition's, or a DefineButton's only list).
  TFlashActionScript& ReleaseActions();

  // The sound played on a transition: a sound character by ID (0 for none) or the object.
  void SetSound(TSWFDefineButtonSound::TSlot slot, uint16_t sound_id);
  void SetSound(TSWFDefineButtonSound::TSlot slot, const TFlashIDObject& sound);
  bool HasSounds() const;

  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  std::unique_ptr<TSWFBasedButton> tag_;
  TSWFDefineButton2* button2_ = nullptr;
  std::unique_ptr<TFlashActionScript> release_script_;
};

}  // namespace fc
