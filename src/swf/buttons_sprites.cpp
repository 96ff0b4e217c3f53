#include "swf/buttons_sprites.h"

#include <algorithm>

#include "core/text.h"
#include "swf/tag_factory.h"

namespace fc {
namespace {

void PatchWord(TBitsEngine& be, size_t pos, size_t value, const char* field) {
  if (value > 0xFFFF) throw Error(Format("%s of %zu bytes does not fit its 16-bit field", field, value));
  const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  be.PatchBytes(pos, b);
}

// The condition bits in the file, first byte most significant first: IdleToOverDown,
// OutDownToIdle, OutDownToOverDown, OverDownToOutDown, OverDownToOverUp, OverUpToOverDown,
// OverUpToIdle, IdleToOverUp (bit i of the byte is entry i here).
const uint16_t kCondFileOrder[8] = {kCondIdleToOverUp,     kCondOverUpToIdle,      kCondOverUpToOverDown,
                                    kCondOverDownToOverUp, kCondOverDownToOutDown, kCondOutDownToOverDown,
                                    kCondOutDownToIdle,    kCondIdleToOverDown};
// The second byte: the key code in the upper seven bits, OverDownToIdle in the lowest.
constexpr uint8_t kCondKeyPressMask = 0x7F;
constexpr unsigned kCondKeyPressShift = 1;
constexpr uint8_t kCondOverDownToIdleBit = 0x01;

std::string StateNames(uint8_t mask) {
  std::string s;
  if (mask & kButtonUp) s += "up,";
  if (mask & kButtonOver) s += "over,";
  if (mask & kButtonDown) s += "down,";
  if (mask & kButtonHitTest) s += "hit,";
  if (!s.empty()) s.pop_back();
  return s.empty() ? "none" : s;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Button records

void TSWFButtonRecord::ReadFromStream(TBitsEngine& be, uint8_t flags, bool button2) {
  StateMask = flags & kStateBits;
  HasFilterList = button2 && (flags & kHasFilterList);
  HasBlendMode = button2 && (flags & kHasBlendMode);
  CharacterID = be.ReadWord("CharacterID");
  PlaceDepth = be.ReadWord("PlaceDepth");
  Matrix.SetRec(be.ReadMatrix());
  HasColorTransform = button2;
  if (button2) ColorTransform.SetRec(be.ReadColorTransform(true));
  filters_.Items.clear();
  if (HasFilterList) filters_.ReadFromStream(be);
  if (HasBlendMode) BlendMode = be.ReadByte("BlendMode");
}

void TSWFButtonRecord::WriteToStream(TBitsEngine& be, bool button2) const {
  const bool filters = button2 && HasFilterList && filters_.Count() > 0;
  const bool blend = button2 && HasBlendMode;
  be.WriteByte(static_cast<uint8_t>(FlagIf(blend, kHasBlendMode) | FlagIf(filters, kHasFilterList) |
                                    (StateMask & kStateBits)));
  be.WriteWord(CharacterID);
  be.WriteWord(PlaceDepth);
  be.WriteMatrix(Matrix.Rec());
  if (button2) {
    TSWFColorTransformRec c = ColorTransform.Rec();
    c.HasAlpha = true;
    be.WriteColorTransform(c);
  }
  if (filters) filters_.WriteToStream(be);
  if (blend) be.WriteByte(BlendMode);
}

std::string TSWFButtonRecord::Describe() const {
  std::string s = Format("[%s id=%u depth=%u matrix=%s", StateNames(StateMask).c_str(), CharacterID, PlaceDepth,
                         DescribeMatrix(Matrix).c_str());
  if (HasColorTransform && (ColorTransform.HasAdd || ColorTransform.HasMult))
    s += " cxform=" + DescribeColorTransform(ColorTransform);
  if (HasFilterList) s += " filters=" + filters_.Describe();
  if (HasBlendMode) s += Format(" blend=%u", BlendMode);
  return s + "]";
}

// ---------------------------------------------------------------------------------------
// Buttons

TSWFButtonRecord* TSWFBasedButton::AddRecord(uint8_t StateMask, uint16_t CharacterID, uint16_t Depth) {
  auto r = std::make_unique<TSWFButtonRecord>();
  r->StateMask = StateMask;
  r->CharacterID = CharacterID;
  r->PlaceDepth = Depth;
  Records.push_back(std::move(r));
  return Records.back().get();
}

void TSWFBasedButton::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFBasedButton>(Source);
  ButtonID = s.ButtonID;
  ParseActions = s.ParseActions;
  Records.clear();
  for (const auto& r : s.Records) Records.push_back(std::make_unique<TSWFButtonRecord>(*r));
}

void TSWFBasedButton::ForEachReferencedID(const TIDVisitor& visit) {
  for (auto& r : Records) visit(r->CharacterID);
}

void TSWFBasedButton::ReadRecords(TBitsEngine& be, bool button2) {
  Records.clear();
  for (;;) {
    const uint8_t flags = be.ReadByte("button record flags");
    if (flags == 0) break;
    auto r = std::make_unique<TSWFButtonRecord>();
    r->ReadFromStream(be, flags, button2);
    Records.push_back(std::move(r));
  }
}

void TSWFBasedButton::WriteRecords(TBitsEngine& be, bool button2) const {
  for (const auto& r : Records) {
    // A record with no state would read as the end of the list.
    if ((r->StateMask & TSWFButtonRecord::kStateBits) == 0)
      throw Error(Format("button %u: a record without any state", ButtonID));
    r->WriteToStream(be, button2);
  }
  be.WriteByte(0);
}

std::string TSWFBasedButton::DescribeRecords() const {
  std::string s = Format("id=%u records=%zu", ButtonID, Records.size());
  for (const auto& r : Records) s += " " + r->Describe();
  return s;
}

void TSWFDefineButton::Assign(const TBasedSWFObject& Source) {
  TSWFBasedButton::Assign(Source);
  Actions.Clear();
  CopyActionList(AssignSource<TSWFDefineButton>(Source).Actions, Actions);
}

void TSWFDefineButton::ReadFromStream(TBitsEngine& be) {
  ButtonID = be.ReadWord("ButtonID");
  ReadRecords(be, false);
  ReadEndedActionBlock(be, Actions, ParseActions);
}

void TSWFDefineButton::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonID);
  WriteRecords(be, false);
  WriteEndedActionBlock(be, Actions);
}

std::string TSWFDefineButton::Describe() const {
  return DescribeRecords() + Format(" actions=%zu", CountActions(Actions));
}

TSWFButtonCondAction* TSWFDefineButton2::AddCondAction(uint16_t Conditions, uint8_t KeyPress) {
  auto c = std::make_unique<TSWFButtonCondAction>();
  c->Conditions = Conditions;
  c->KeyPress = KeyPress & kCondKeyPressMask;
  Actions.push_back(std::move(c));
  return Actions.back().get();
}

void TSWFDefineButton2::Assign(const TBasedSWFObject& Source) {
  TSWFBasedButton::Assign(Source);
  const auto& s = AssignSource<TSWFDefineButton2>(Source);
  TrackAsMenu = s.TrackAsMenu;
  Actions.clear();
  for (const auto& a : s.Actions) {
    auto c = std::make_unique<TSWFButtonCondAction>();
    c->Conditions = a->Conditions;
    c->KeyPress = a->KeyPress;
    CopyActionList(*a, *c);
    Actions.push_back(std::move(c));
  }
}

uint8_t TSWFDefineButton2::MinVersion() const {
  uint8_t v = 3;
  for (const auto& a : Actions) v = std::max(v, a->MinVersion());
  for (const auto& r : Records)
    if (r->HasBlendMode || (r->HasFilterList && r->Filters().Count() > 0)) v = std::max<uint8_t>(v, 8);
  return v;
}

void TSWFDefineButton2::ReadFromStream(TBitsEngine& be) {
  ButtonID = be.ReadWord("ButtonID");
  TrackAsMenu = be.ReadByte("button flags") & kTrackAsMenu;
  const size_t offset_pos = be.Position();
  const uint16_t action_offset = be.ReadWord("ActionOffset");
  ReadRecords(be, true);
  Actions.clear();
  if (action_offset == 0) return;
  if (offset_pos + action_offset != be.Position())
    throw FormatError(Format("ActionOffset %u does not point at the end of the button records", action_offset));
  for (;;) {
    const uint16_t size = be.ReadWord("CondActionSize");
    if (size != 0 && size < 4) throw FormatError(Format("CondActionSize %u is too small", size));
    TBitsEngine rec = be.Sub(size == 0 ? be.Remaining() : size - 2u, "condition action");
    auto c = std::make_unique<TSWFButtonCondAction>();
    const uint8_t a = rec.ReadByte("conditions");
    const uint8_t b = rec.ReadByte("conditions");
    for (int i = 0; i < 8; ++i)
      if (a & (1 << i)) c->Conditions |= kCondFileOrder[i];
    if (b & kCondOverDownToIdleBit) c->Conditions |= kCondOverDownToIdle;
    c->KeyPress = b >> kCondKeyPressShift;
    ReadEndedActionBlock(rec, *c, ParseActions);
    Actions.push_back(std::move(c));
    if (size == 0) break;
  }
}

void TSWFDefineButton2::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonID);
  be.WriteByte(FlagIf(TrackAsMenu, kTrackAsMenu));
  const size_t offset_pos = be.Position();
  be.WriteWord(0);
  WriteRecords(be, true);
  if (Actions.empty()) return;
  PatchWord(be, offset_pos, be.Position() - offset_pos, "ActionOffset");
  for (size_t i = 0; i < Actions.size(); ++i) {
    auto& c = *Actions[i];
    const size_t start = be.Position();
    be.WriteWord(0);
    uint8_t a = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (c.Conditions & kCondFileOrder[bit]) a |= static_cast<uint8_t>(1 << bit);
    be.WriteByte(a);
    be.WriteByte(static_cast<uint8_t>((c.KeyPress & kCondKeyPressMask) << kCondKeyPressShift |
                                      FlagIf((c.Conditions & kCondOverDownToIdle) != 0, kCondOverDownToIdleBit)));
    WriteEndedActionBlock(be, c);
    if (i + 1 < Actions.size()) PatchWord(be, start, be.Position() - start, "CondActionSize");
  }
}

void TSWFDefineButton2::ForEachActionList(const TActionListVisitor& visit) {
  for (size_t i = 0; i < Actions.size(); ++i) {
    auto& c = *Actions[i];
    visit(Format("condition %zu (0x%X%s)", i, c.Conditions, c.KeyPress ? Format(", key %u", c.KeyPress).c_str() : ""),
          c);
  }
}

std::string TSWFDefineButton2::Describe() const {
  std::string s = DescribeRecords();
  if (TrackAsMenu) s += " menu";
  s += Format(" conditions=%zu", Actions.size());
  for (const auto& c : Actions) s += Format(" [0x%X key=%u actions=%zu]", c->Conditions, c->KeyPress, CountActions(*c));
  return s;
}

void TSWFDefineButtonCxform::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineButtonCxform>(Source);
  ButtonID = s.ButtonID;
  ColorTransform = s.ColorTransform;
}

void TSWFDefineButtonCxform::ReadFromStream(TBitsEngine& be) {
  ButtonID = be.ReadWord("ButtonID");
  ColorTransform.SetRec(be.ReadColorTransform(false));
}

void TSWFDefineButtonCxform::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonID);
  TSWFColorTransformRec c = ColorTransform.Rec();
  c.HasAlpha = false;
  be.WriteColorTransform(c);
}

std::string TSWFDefineButtonCxform::Describe() const {
  return Format("button=%u cxform=%s", ButtonID, DescribeColorTransform(ColorTransform).c_str());
}

TSWFStartSound& TSWFDefineButtonSound::GetSound(TSlot s) {
  if (!Sounds[s]) Sounds[s] = std::make_unique<TSWFStartSound>();
  return *Sounds[s];
}

void TSWFDefineButtonSound::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineButtonSound>(Source);
  ButtonID = s.ButtonID;
  for (int i = 0; i < 4; ++i) {
    Sounds[i].reset();
    if (s.Sounds[i]) {
      Sounds[i] = std::make_unique<TSWFStartSound>();
      Sounds[i]->Assign(*s.Sounds[i]);
    }
  }
}

void TSWFDefineButtonSound::ReadFromStream(TBitsEngine& be) {
  ButtonID = be.ReadWord("ButtonID");
  for (auto& slot : Sounds) {
    slot.reset();
    const uint16_t id = be.ReadWord("SoundID");
    if (id == 0) continue;
    slot = std::make_unique<TSWFStartSound>();
    slot->SoundID = id;
    slot->ReadSoundInfo(be);
  }
}

void TSWFDefineButtonSound::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ButtonID);
  for (auto& slot : Sounds) {
    if (slot && slot->SoundID != 0) {
      be.WriteWord(slot->SoundID);
      slot->WriteSoundInfo(be);
    } else {
      be.WriteWord(0);
    }
  }
}

void TSWFDefineButtonSound::ForEachReferencedID(const TIDVisitor& visit) {
  visit(ButtonID);
  for (auto& slot : Sounds)
    if (slot && slot->SoundID) visit(slot->SoundID);
}

std::string TSWFDefineButtonSound::Describe() const {
  static const char* const names[] = {"overup->idle", "idle->overup", "overup->overdown", "overdown->overup"};
  std::string s = Format("button=%u", ButtonID);
  for (int i = 0; i < 4; ++i)
    if (Sounds[i] && Sounds[i]->SoundID) s += Format(" %s=[", names[i]) + Sounds[i]->Describe() + "]";
  return s;
}

// ---------------------------------------------------------------------------------------
// Sprites

void TSWFDefineSprite::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineSprite>(Source);
  SpriteID = s.SpriteID;
  FrameCount = s.FrameCount;
  Version = s.Version;
  ParseActions = s.ParseActions;
  AddEndTag = s.AddEndTag;
  Tags.clear();
  for (const auto& t : s.Tags) Tags.push_back(t->Clone());
}

uint8_t TSWFDefineSprite::MinVersion() const {
  uint8_t v = 3;
  for (const auto& t : Tags) v = std::max(v, t->MinVersion());
  return v;
}

void TSWFDefineSprite::PrepareRead(const TSWFReadContext& ctx) {
  Version = ctx.Version;
  ParseActions = ctx.ParseActions;
  nesting_ = static_cast<uint8_t>(std::min<unsigned>(ctx.SpriteNesting + 1u, 255u));
}

void TSWFDefineSprite::ReadFromStream(TBitsEngine& be) {
  if (nesting_ > kMaxNesting) throw FormatError(Format("sprites nested more than %u deep", kMaxNesting));
  SpriteID = be.ReadWord("SpriteID");
  FrameCount = be.ReadWord("FrameCount");
  TSWFReadContext ctx;
  ctx.Version = Version;
  ctx.ParseActions = ParseActions;
  ctx.SpriteNesting = nesting_;
  ctx.SoundStreamFormat = 0;  // a sprite's stream blocks follow the sprite's own stream head
  bool truncated = false;
  Tags = ReadTagList(be, ctx, true, &truncated);
  if (truncated) throw FormatError("a sub-tag runs past the end of the sprite");
  AddEndTag = EndsWithEndTag();
}

bool TSWFDefineSprite::EndsWithEndTag() const {
  return !Tags.empty() && Tags.back()->HeaderCode() == TSWFTagCode::End;
}

void TSWFDefineSprite::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SpriteID);
  be.WriteWord(FrameCount);
  for (auto& t : Tags) t->WriteToStream(be);
  if (AddEndTag && !EndsWithEndTag()) TSWFEnd().WriteToStream(be);
}

std::string TSWFDefineSprite::Describe() const {
  return Format("id=%u frames=%u tags=%zu%s", SpriteID, FrameCount, Tags.size(),
                AddEndTag || EndsWithEndTag() ? "" : " (no End)");
}

// ---------------------------------------------------------------------------------------
// Scenes and frame labels

void TSWFDefineSceneAndFrameLabelData::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineSceneAndFrameLabelData>(Source);
  Scenes = s.Scenes;
  FrameLabels = s.FrameLabels;
}

void TSWFDefineSceneAndFrameLabelData::ReadFromStream(TBitsEngine& be) {
  Scenes.clear();
  FrameLabels.clear();
  const uint32_t scenes = be.ReadEncodedU32();
  for (uint32_t i = 0; i < scenes; ++i) {
    TSWFSceneInfo s;
    s.Offset = be.ReadEncodedU32();
    s.Name = be.ReadString("scene name");
    Scenes.push_back(std::move(s));
  }
  const uint32_t labels = be.ReadEncodedU32();
  for (uint32_t i = 0; i < labels; ++i) {
    TSWFFrameLabelInfo l;
    l.FrameNum = be.ReadEncodedU32();
    l.Name = be.ReadString("frame label");
    FrameLabels.push_back(std::move(l));
  }
}

void TSWFDefineSceneAndFrameLabelData::WriteTagBody(TBitsEngine& be) {
  be.WriteEncodedU32(static_cast<uint32_t>(Scenes.size()));
  for (const auto& s : Scenes) {
    be.WriteEncodedU32(s.Offset);
    be.WriteString(s.Name);
  }
  be.WriteEncodedU32(static_cast<uint32_t>(FrameLabels.size()));
  for (const auto& l : FrameLabels) {
    be.WriteEncodedU32(l.FrameNum);
    be.WriteString(l.Name);
  }
}

std::string TSWFDefineSceneAndFrameLabelData::Describe() const {
  std::string s = Format("scenes=%zu", Scenes.size());
  for (const auto& sc : Scenes) s += Format(" [%u \"%s\"]", sc.Offset, sc.Name.c_str());
  s += Format(" labels=%zu", FrameLabels.size());
  for (const auto& l : FrameLabels) s += Format(" [%u \"%s\"]", l.FrameNum, l.Name.c_str());
  return s;
}

// ---------------------------------------------------------------------------------------
// DoABC

void TSWFDoABC::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFDoABC>(Source);
  LazyInitialize = s.LazyInitialize;
  OtherFlags = s.OtherFlags;
  Name = s.Name;
  MinorVersion = s.MinorVersion;
  MajorVersion = s.MajorVersion;
}

void TSWFDoABC::ReadFromStream(TBitsEngine& be) {
  const uint32_t flags = be.ReadDWord("DoABC flags");
  LazyInitialize = flags & kLazyInitialize;
  OtherFlags = flags & ~kLazyInitialize;
  Name = be.ReadString("DoABC name");
  MinorVersion = be.ReadWord("ABC minor version");
  MajorVersion = be.ReadWord("ABC major version");
  auto d = be.ReadSpan(be.Remaining(), "ABC data");
  Data.assign(d.begin(), d.end());
  OwnsData = true;
}

void TSWFDoABC::WriteTagBody(TBitsEngine& be) {
  be.WriteDWord(OtherFlags | FlagIf(LazyInitialize, kLazyInitialize));
  be.WriteString(Name);
  be.WriteWord(MinorVersion);
  be.WriteWord(MajorVersion);
  WriteData(be);
}

std::string TSWFDoABC::Describe() const {
  return Format("name=\"%s\"%s abc %u.%u data=%zu", Name.c_str(), LazyInitialize ? " lazy" : "", MajorVersion,
                MinorVersion, Data.size());
}

}  // namespace fc
