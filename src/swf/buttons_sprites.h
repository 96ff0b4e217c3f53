#pragma once
// Buttons (records, condition actions, colour transforms and sounds), sprites with their
// own tag list, scene and frame label data, and the ActionScript 3 block tag.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/actions.h"
#include "swf/objects.h"
#include "swf/placements.h"
#include "swf/sounds_video.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// Buttons

enum : uint8_t { kButtonUp = 0x1, kButtonOver = 0x2, kButtonDown = 0x4, kButtonHitTest = 0x8 };

class TSWFButtonRecord {
public:
  // The flags byte that opens a record: two reserved bits, then these, then the states
  // (kButtonUp and the others, at the same bits as in StateMask). A byte of 0 ends the list.
  static constexpr uint8_t kHasBlendMode = 0x20, kHasFilterList = 0x10, kStateBits = 0x0F;

  uint8_t StateMask = 0;  // kButtonUp | kButtonOver | ...
  bool HasBlendMode = false, HasFilterList = false, HasColorTransform = false;
  uint16_t CharacterID = 0;
  uint16_t PlaceDepth = 0;
  TSWFMatrix Matrix;
  TSWFColorTransform ColorTransform;  // with alpha
  uint8_t BlendMode = 0;
  TSWFFilterList& GetFilters() { HasFilterList = true; return filters_; }
  const TSWFFilterList& Filters() const { return filters_; }

  // Button2 records always carry the colour transform; Button records never do.
  void ReadFromStream(TBitsEngine& be, uint8_t flags, bool button2);
  void WriteToStream(TBitsEngine& be, bool button2) const;
  std::string Describe() const;

private:
  TSWFFilterList filters_;
};

// Condition masks of DefineButton2 actions.
enum : uint16_t {
  kCondIdleToOverUp = 0x1, kCondOverUpToIdle = 0x2, kCondOverUpToOverDown = 0x4, kCondOverDownToOverUp = 0x8,
  kCondOutDownToOverDown = 0x10, kCondOverDownToOutDown = 0x20, kCondOutDownToIdle = 0x40,
  kCondIdleToOverDown = 0x80, kCondOverDownToIdle = 0x100,
};

class TSWFButtonCondAction : public TSWFActionList {
public:
  uint16_t Conditions = 0;
  uint8_t KeyPress = 0;  // 7 bits
};

class TSWFBasedButton : public TSWFObject {
public:
  uint16_t ButtonID = 0;
  std::vector<std::unique_ptr<TSWFButtonRecord>> Records;
  bool ParseActions = true;
  TSWFButtonRecord* AddRecord(uint8_t StateMask, uint16_t CharacterID, uint16_t Depth);
  void Assign(const TBasedSWFObject& Source) override;
  void PrepareRead(const TSWFReadContext& ctx) override { ParseActions = ctx.ParseActions; }
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(ButtonID); }
  void ForEachReferencedID(const TIDVisitor& visit) override;

protected:
  void ReadRecords(TBitsEngine& be, bool button2);
  void WriteRecords(TBitsEngine& be, bool button2) const;
  std::string DescribeRecords() const;
};

class TSWFDefineButton : public TSWFBasedButton {
public:
  TSWFDefineButton() { SetCode(TSWFTagCode::DefineButton); }
  TSWFActionList Actions;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return std::max<uint8_t>(3, Actions.MinVersion()); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachActionList(const TActionListVisitor& visit) override { visit("button actions", Actions); }
  std::string Describe() const override;
};

class TSWFDefineButton2 : public TSWFBasedButton {
public:
  // The flags byte after the button ID (seven reserved bits).
  static constexpr uint8_t kTrackAsMenu = 0x01;

  TSWFDefineButton2() { SetCode(TSWFTagCode::DefineButton2); }
  bool TrackAsMenu = false;
  std::vector<std::unique_ptr<TSWFButtonCondAction>> Actions;
  TSWFButtonCondAction* AddCondAction(uint16_t Conditions, uint8_t KeyPress = 0);
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  // Offsets that do not fit their 16-bit fields are refused: they cannot be split.
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachActionList(const TActionListVisitor& visit) override;
  std::string Describe() const override;
};

class TSWFDefineButtonCxform : public TSWFObject {
public:
  TSWFDefineButtonCxform() { SetCode(TSWFTagCode::DefineButtonCxform); }
  uint16_t ButtonID = 0;
  TSWFColorTransform ColorTransform;  // without alpha
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 2; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(ButtonID); }
  std::string Describe() const override;
};

class TSWFDefineButtonSound : public TSWFObject {
public:
  TSWFDefineButtonSound() { SetCode(TSWFTagCode::DefineButtonSound); }
  uint16_t ButtonID = 0;
  // The slots in body order; null (or a sound ID of 0) means no sound for that transition.
  enum TSlot { OverUpToIdle, IdleToOverUp, OverUpToOverDown, OverDownToOverUp };
  std::unique_ptr<TSWFStartSound> Sounds[4];
  TSWFStartSound& GetSound(TSlot s);
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 2; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override;
  std::string Describe() const override;
};

// ---------------------------------------------------------------------------------------
// Sprites

class TSWFDefineSprite : public TSWFObject {
public:
  // Sprites nested deeper than this are refused when read (the tag is then kept raw).
  static constexpr uint8_t kMaxNesting = 16;

  TSWFDefineSprite() { SetCode(TSWFTagCode::DefineSprite); }
  uint16_t SpriteID = 0;
  uint16_t FrameCount = 0;  // written as it stands: a count of 0 is kept
  TSWFObjectList Tags;
  uint8_t Version = 0;
  bool ParseActions = true;
  // Write an End tag after the tags when the last one is not an End. Reading clears it when
  // the sprite in the file has no End, so that a copy keeps it that way: players treat such
  // a sprite differently, and an added End would change what the movie does.
  bool AddEndTag = true;

  template <typename T>
  T* Add(std::unique_ptr<T> tag) {
    T* raw = tag.get();
    Tags.push_back(std::move(tag));
    return raw;
  }
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void PrepareRead(const TSWFReadContext& ctx) override;
  // Each sub-tag is read through its own header and positioned at its declared end, so a
  // sub-tag whose fields are mis-sized cannot shift the ones after it.
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(SpriteID); }
  TSWFObjectList* SubTags() override { return &Tags; }
  std::string Describe() const override;
  bool EndsWithEndTag() const;

private:
  uint8_t nesting_ = 0;  // of this sprite while it is read
};

// ---------------------------------------------------------------------------------------
// Scenes and frame labels

struct TSWFSceneInfo {
  uint32_t Offset = 0;  // the frame the scene starts at
  std::string Name;
  bool operator==(const TSWFSceneInfo&) const = default;
};

struct TSWFFrameLabelInfo {
  uint32_t FrameNum = 0;
  std::string Name;
  bool operator==(const TSWFFrameLabelInfo&) const = default;
};

class TSWFDefineSceneAndFrameLabelData : public TSWFObject {
public:
  TSWFDefineSceneAndFrameLabelData() { SetCode(TSWFTagCode::DefineSceneAndFrameLabelData); }
  std::vector<TSWFSceneInfo> Scenes;   // offsets as read are written back
  std::vector<TSWFFrameLabelInfo> FrameLabels;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 9; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

// ---------------------------------------------------------------------------------------
// ActionScript 3 block: kept as the bytes read after the versions.

class TSWFDoABC : public TSWFDataObject {
public:
  static constexpr uint32_t kLazyInitialize = 0x01;  // in the 32-bit flags

  TSWFDoABC() { SetCode(TSWFTagCode::DoABC); }
  bool LazyInitialize = false;  // bit 0 of the flags
  uint32_t OtherFlags = 0;      // the rest of the flags, kept as read
  std::string Name;
  uint16_t MinorVersion = 16;
  uint16_t MajorVersion = 46;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 9; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

}  // namespace fc
