#include "swf/placements.h"

#include <algorithm>

#include "core/text.h"

namespace fc {
namespace {

const char* FilterName(uint8_t id) {
  static const char* const names[] = {"DropShadow", "Blur",        "Glow",        "Bevel",
                                      "GradientGlow", "Convolution", "ColorMatrix", "GradientBevel"};
  return id < 8 ? names[id] : "Unknown";
}

// The flags byte that ends the shadow, glow and bevel filters: the modes, then the passes in
// the low five bits (four for the bevels, whose OnTop takes the fifth).
constexpr uint8_t kFilterInner = 0x80;
constexpr uint8_t kFilterKnockout = 0x40;
constexpr uint8_t kFilterCompositeSource = 0x20;
constexpr uint8_t kFilterOnTop = 0x10;
constexpr uint8_t kFilterPasses = 0x1F;
constexpr uint8_t kBevelPasses = 0x0F;
// The blur filter's last byte: the passes above three reserved bits.
constexpr unsigned kBlurPassesShift = 3;
// The convolution filter's last byte.
constexpr uint8_t kConvolutionClamp = 0x02;
constexpr uint8_t kConvolutionPreserveAlpha = 0x01;

// The modes and passes of a shadow, glow or bevel filter, as in its flags byte.
struct TFilterFlags {
  bool Inner = false, Knockout = false, CompositeSource = false, OnTop = false;
  uint8_t Passes = 0;
};

// `pass_mask` is kFilterPasses, or kBevelPasses for the filters that have OnTop (the others
// never set it, and read their fifth pass bit where OnTop would be).
uint8_t FilterFlagsByte(const TFilterFlags& f, uint8_t pass_mask) {
  return static_cast<uint8_t>(FlagIf(f.Inner, kFilterInner) | FlagIf(f.Knockout, kFilterKnockout) |
                              FlagIf(f.CompositeSource, kFilterCompositeSource) | FlagIf(f.OnTop, kFilterOnTop) |
                              (f.Passes & pass_mask));
}

TFilterFlags ReadFilterFlags(TBitsEngine& be, uint8_t pass_mask) {
  const uint8_t b = be.ReadByte("filter flags");
  return {(b & kFilterInner) != 0, (b & kFilterKnockout) != 0, (b & kFilterCompositeSource) != 0,
          (b & kFilterOnTop) != 0, static_cast<uint8_t>(b & pass_mask)};
}

// The fields that end the bevel and the gradient filters, which have the same names in both:
// blur, angle and distance (16.16), strength (8.8) and the flags byte with OnTop.
template <typename Filter>
void ReadBevelTail(TBitsEngine& be, Filter& f) {
  f.BlurX = static_cast<int32_t>(be.ReadDWord("BlurX"));
  f.BlurY = static_cast<int32_t>(be.ReadDWord("BlurY"));
  f.Angle = static_cast<int32_t>(be.ReadDWord("Angle"));
  f.Distance = static_cast<int32_t>(be.ReadDWord("Distance"));
  f.Strength = be.ReadWord("Strength");
  const TFilterFlags flags = ReadFilterFlags(be, kBevelPasses);
  f.InnerShadow = flags.Inner;
  f.Knockout = flags.Knockout;
  f.CompositeSource = flags.CompositeSource;
  f.OnTop = flags.OnTop;
  f.Passes = flags.Passes;
}

template <typename Filter>
void WriteBevelTail(TBitsEngine& be, const Filter& f) {
  for (int32_t v : {f.BlurX, f.BlurY, f.Angle, f.Distance}) be.WriteDWord(static_cast<uint32_t>(v));
  be.WriteWord(f.Strength);
  be.WriteByte(FilterFlagsByte({f.InnerShadow, f.Knockout, f.CompositeSource, f.OnTop, f.Passes}, kBevelPasses));
}

uint8_t ReverseBits(uint8_t b, unsigned n) {
  uint8_t r = 0;
  for (unsigned i = 0; i < n; ++i)
    if (b & (1u << i)) r |= static_cast<uint8_t>(1u << (n - 1 - i));
  return r;
}

void WriteCxformRGBA(TBitsEngine& be, const TSWFColorTransform& c, bool with_alpha) {
  TSWFColorTransformRec rec = c.Rec();
  rec.HasAlpha = with_alpha;
  be.WriteColorTransform(rec);
}

TSWFColorTransform ReadCxform(TBitsEngine& be, bool with_alpha) {
  TSWFColorTransform c;
  c.SetRec(be.ReadColorTransform(with_alpha));
  return c;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Helpers

void ReadEndedActionBlock(TBitsEngine& be, TSWFActionList& list, bool parse) {
  list.Clear();
  const size_t end = FindActionsEnd(be);  // throws when the End action is missing
  if (end != be.Size()) throw FormatError(Format("%zu byte(s) after the End action", be.Size() - end));
  if (parse) {
    ReadActionList(be, list);
    return;
  }
  auto block = be.ReadSpan(be.Remaining() - 1, "actions");
  be.ReadByte("End action");
  if (!block.empty()) list.Add(std::make_shared<TSWFActionByteCode>(block));
}

void WriteEndedActionBlock(TBitsEngine& be, TSWFActionList& list) {
  // The End byte is always written: a raw block ending in 0 may end inside an action's
  // payload (a pushed string), so its last byte says nothing about an End action.
  WriteActionList(be, list);
  be.WriteByte(0);
}

size_t CountActions(const TSWFActionList& list) {
  size_t n = 0;
  for (const auto& a : list) n += a->ActionCode != TSWFActionCode::Marker;
  return n;
}

std::string DescribeMatrix(const TSWFMatrix& m) {
  std::string s = "[";
  if (m.HasScale) s += Format("scale %s,%s ", FormatDouble(m.GetScaleX()).c_str(), FormatDouble(m.GetScaleY()).c_str());
  if (m.HasRotate) s += Format("skew %s,%s ", FormatDouble(m.GetSkew0()).c_str(), FormatDouble(m.GetSkew1()).c_str());
  return s + Format("move %d,%d]", m.TranslateX, m.TranslateY);
}

std::string DescribeColorTransform(const TSWFColorTransform& c) {
  std::string s = "[";
  if (c.HasMult) s += Format("mult %d,%d,%d,%d", c.MultR(), c.MultG(), c.MultB(), c.MultA());
  if (c.HasMult && c.HasAdd) s += " ";
  if (c.HasAdd) s += Format("add %d,%d,%d,%d", c.AddR(), c.AddG(), c.AddB(), c.AddA());
  return s + "]";
}

// ---------------------------------------------------------------------------------------
// Filters

std::string TSWFFilter::Describe() const { return FilterName(FilterID); }

void TSWFBlurFilter::ReadFromStream(TBitsEngine& be) {
  BlurX = static_cast<int32_t>(be.ReadDWord("BlurX"));
  BlurY = static_cast<int32_t>(be.ReadDWord("BlurY"));
  Passes = be.ReadByte("passes") >> kBlurPassesShift;
}
void TSWFBlurFilter::WriteToStream(TBitsEngine& be) const {
  be.WriteDWord(static_cast<uint32_t>(BlurX));
  be.WriteDWord(static_cast<uint32_t>(BlurY));
  be.WriteByte(static_cast<uint8_t>(Passes << kBlurPassesShift));
}

void TSWFDropShadowFilter::ReadFromStream(TBitsEngine& be) {
  Color = be.ReadRGBA();
  BlurX = static_cast<int32_t>(be.ReadDWord("BlurX"));
  BlurY = static_cast<int32_t>(be.ReadDWord("BlurY"));
  Angle = static_cast<int32_t>(be.ReadDWord("Angle"));
  Distance = static_cast<int32_t>(be.ReadDWord("Distance"));
  Strength = be.ReadWord("Strength");
  const TFilterFlags f = ReadFilterFlags(be, kFilterPasses);
  InnerShadow = f.Inner;
  Knockout = f.Knockout;
  CompositeSource = f.CompositeSource;
  Passes = f.Passes;
}
void TSWFDropShadowFilter::WriteToStream(TBitsEngine& be) const {
  be.WriteRGBA(Color);
  for (int32_t v : {BlurX, BlurY, Angle, Distance}) be.WriteDWord(static_cast<uint32_t>(v));
  be.WriteWord(Strength);
  be.WriteByte(FilterFlagsByte({InnerShadow, Knockout, CompositeSource, false, Passes}, kFilterPasses));
}

void TSWFGlowFilter::ReadFromStream(TBitsEngine& be) {
  Color = be.ReadRGBA();
  BlurX = static_cast<int32_t>(be.ReadDWord("BlurX"));
  BlurY = static_cast<int32_t>(be.ReadDWord("BlurY"));
  Strength = be.ReadWord("Strength");
  const TFilterFlags f = ReadFilterFlags(be, kFilterPasses);
  InnerGlow = f.Inner;
  Knockout = f.Knockout;
  CompositeSource = f.CompositeSource;
  Passes = f.Passes;
}
void TSWFGlowFilter::WriteToStream(TBitsEngine& be) const {
  be.WriteRGBA(Color);
  be.WriteDWord(static_cast<uint32_t>(BlurX));
  be.WriteDWord(static_cast<uint32_t>(BlurY));
  be.WriteWord(Strength);
  be.WriteByte(FilterFlagsByte({InnerGlow, Knockout, CompositeSource, false, Passes}, kFilterPasses));
}

void TSWFBevelFilter::ReadFromStream(TBitsEngine& be) {
  ShadowColor = be.ReadRGBA();
  HighlightColor = be.ReadRGBA();
  ReadBevelTail(be, *this);
}
void TSWFBevelFilter::WriteToStream(TBitsEngine& be) const {
  be.WriteRGBA(ShadowColor);
  be.WriteRGBA(HighlightColor);
  WriteBevelTail(be, *this);
}

void TSWFGradientGlowFilter::ReadFromStream(TBitsEngine& be) {
  const uint8_t n = be.ReadByte("NumColors");
  Stops.assign(n, {});
  for (auto& s : Stops) s.Color = be.ReadRGBA();
  for (auto& s : Stops) s.Ratio = be.ReadByte("gradient ratio");
  ReadBevelTail(be, *this);
}
void TSWFGradientGlowFilter::WriteToStream(TBitsEngine& be) const {
  if (Stops.size() > 255) throw Error(Format("%s filter: %zu colours do not fit the count byte", FilterName(FilterID), Stops.size()));
  be.WriteByte(static_cast<uint8_t>(Stops.size()));
  for (const auto& s : Stops) be.WriteRGBA(s.Color);
  for (const auto& s : Stops) be.WriteByte(s.Ratio);
  WriteBevelTail(be, *this);
}

void TSWFConvolutionFilter::ReadFromStream(TBitsEngine& be) {
  MatrixX = be.ReadByte("MatrixX");
  MatrixY = be.ReadByte("MatrixY");
  Divisor = be.ReadSingle();
  Bias = be.ReadSingle();
  const size_t n = size_t{MatrixX} * MatrixY;
  if (n * 4 > be.Remaining()) be.Fail("convolution matrix", n * 4);
  Matrix.resize(n);
  for (float& v : Matrix) v = be.ReadSingle();
  DefaultColor = be.ReadRGBA();
  const uint8_t f = be.ReadByte("filter flags");
  Clamp = f & kConvolutionClamp;
  PreserveAlpha = f & kConvolutionPreserveAlpha;
}
void TSWFConvolutionFilter::WriteToStream(TBitsEngine& be) const {
  if (Matrix.size() != size_t{MatrixX} * MatrixY)
    throw Error(Format("Convolution filter: %zu values for a %ux%u matrix", Matrix.size(), MatrixX, MatrixY));
  be.WriteByte(MatrixX);
  be.WriteByte(MatrixY);
  be.WriteSingle(Divisor);
  be.WriteSingle(Bias);
  for (float v : Matrix) be.WriteSingle(v);
  be.WriteRGBA(DefaultColor);
  be.WriteByte(
      static_cast<uint8_t>(FlagIf(Clamp, kConvolutionClamp) | FlagIf(PreserveAlpha, kConvolutionPreserveAlpha)));
}

void TSWFColorMatrixFilter::ReadFromStream(TBitsEngine& be) {
  for (float& v : Matrix) v = be.ReadSingle();
}
void TSWFColorMatrixFilter::WriteToStream(TBitsEngine& be) const {
  for (float v : Matrix) be.WriteSingle(v);
}

std::unique_ptr<TSWFFilter> CreateFilter(uint8_t FilterID) {
  switch (FilterID) {
    case kFilterDropShadow: return std::make_unique<TSWFDropShadowFilter>();
    case kFilterBlur: return std::make_unique<TSWFBlurFilter>();
    case kFilterGlow: return std::make_unique<TSWFGlowFilter>();
    case kFilterBevel: return std::make_unique<TSWFBevelFilter>();
    case kFilterGradientGlow: return std::make_unique<TSWFGradientGlowFilter>();
    case kFilterConvolution: return std::make_unique<TSWFConvolutionFilter>();
    case kFilterColorMatrix: return std::make_unique<TSWFColorMatrixFilter>();
    case kFilterGradientBevel: return std::make_unique<TSWFGradientBevelFilter>();
    default: throw FormatError(Format("unknown filter %u", FilterID));
  }
}

TSWFFilterList& TSWFFilterList::operator=(const TSWFFilterList& o) {
  if (this == &o) return *this;
  Items.clear();
  for (const auto& f : o.Items) Items.push_back(f->Clone());
  return *this;
}

void TSWFFilterList::ReadFromStream(TBitsEngine& be) {
  Items.clear();
  const uint8_t n = be.ReadByte("filter count");
  for (uint8_t i = 0; i < n; ++i) {
    auto f = CreateFilter(be.ReadByte("filter ID"));
    f->ReadFromStream(be);
    Items.push_back(std::move(f));
  }
}

void TSWFFilterList::WriteToStream(TBitsEngine& be) const {
  if (Items.size() > 255) throw Error(Format("%zu filters do not fit the count byte", Items.size()));
  be.WriteByte(static_cast<uint8_t>(Items.size()));
  for (const auto& f : Items) {
    be.WriteByte(f->FilterID);
    f->WriteToStream(be);
  }
}

std::string TSWFFilterList::Describe() const {
  std::string s;
  for (const auto& f : Items) s += (s.empty() ? "" : ",") + f->Describe();
  return s;
}

// ---------------------------------------------------------------------------------------
// Clip actions

// In the file, each of the first two bytes holds its eight events most significant first
// (KeyUp, mask 0x1, in bit 7); the third holds 5 reserved bits, then Construct, KeyPress and
// DragOut. The reserved bits go to mask bits 19..23 and the fourth byte to bits 24..31.
namespace {
// The third byte: the events from Construct (mask bit 16) on in its low bits, reversed; the
// reserved bits above them go to the mask from bit 19.
constexpr unsigned kClipThirdByteEvents = 3;
constexpr uint8_t kClipThirdByteEventBits = (1u << kClipThirdByteEvents) - 1;
constexpr unsigned kClipReservedShift = 16 + kClipThirdByteEvents;
constexpr uint8_t kClipReservedBits = 0xFF >> kClipThirdByteEvents;
// The first version whose event flags are 32 bits wide.
constexpr uint8_t kClipWideVersion = 6;
}  // namespace

void WriteClipEventFlags(TBitsEngine& be, uint32_t flags, uint8_t version) {
  if (version < kClipWideVersion && flags > 0xFFFF)
    throw Error(Format("clip event flags 0x%X need version 6 or later (the file is version %u)", flags, version));
  be.WriteByte(ReverseBits(static_cast<uint8_t>(flags), 8));
  be.WriteByte(ReverseBits(static_cast<uint8_t>(flags >> 8), 8));
  if (version < kClipWideVersion) return;
  be.WriteByte(static_cast<uint8_t>(ReverseBits((flags >> 16) & kClipThirdByteEventBits, kClipThirdByteEvents) |
                                    ((flags >> kClipReservedShift) & kClipReservedBits) << kClipThirdByteEvents));
  be.WriteByte(static_cast<uint8_t>(flags >> 24));
}

uint32_t ReadClipEventFlags(TBitsEngine& be, uint8_t version) {
  uint32_t f = ReverseBits(be.ReadByte("event flags"), 8);
  f |= uint32_t{ReverseBits(be.ReadByte("event flags"), 8)} << 8;
  if (version < kClipWideVersion) return f;
  const uint8_t b2 = be.ReadByte("event flags");
  f |= uint32_t{ReverseBits(b2 & kClipThirdByteEventBits, kClipThirdByteEvents)} << 16 |
       uint32_t{static_cast<uint8_t>(b2 >> kClipThirdByteEvents)} << kClipReservedShift;
  f |= uint32_t{be.ReadByte("event flags")} << 24;
  return f;
}

void TSWFClipActionRecord::SetKeyCode(uint8_t k) {
  KeyCode = k;
  if (k) EventFlags |= kClipKeyPress;
}

TSWFClipActionRecord* TSWFClipActions::AddRecord(uint32_t EventFlags, uint8_t KeyCode) {
  auto r = std::make_unique<TSWFClipActionRecord>();
  r->EventFlags = EventFlags;
  r->SetKeyCode(KeyCode);
  AllEventFlags |= r->EventFlags;
  Records.push_back(std::move(r));
  return Records.back().get();
}

void TSWFClipActions::Assign(const TSWFClipActions& Source) {
  AllEventFlags = Source.AllEventFlags;
  Records.clear();
  for (const auto& r : Source.Records) {
    auto c = std::make_unique<TSWFClipActionRecord>();
    c->EventFlags = r->EventFlags;
    c->KeyCode = r->KeyCode;
    CopyActionList(*r, *c);
    Records.push_back(std::move(c));
  }
}

// ---------------------------------------------------------------------------------------
// PlaceObject

void TSWFBasedPlaceObject::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFBasedPlaceObject>(Source);
  CharacterID = s.CharacterID;
  Depth = s.Depth;
}

void TSWFPlaceObject::Assign(const TBasedSWFObject& Source) {
  TSWFBasedPlaceObject::Assign(Source);
  const auto& s = AssignSource<TSWFPlaceObject>(Source);
  ColorTransform = s.ColorTransform;
  HasColorTransform = s.HasColorTransform;
  Matrix = s.Matrix;
}

void TSWFPlaceObject::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  Depth = be.ReadWord("Depth");
  Matrix.SetRec(be.ReadMatrix());
  HasColorTransform = !be.AtEnd();
  if (HasColorTransform) ColorTransform = ReadCxform(be, false);
}

void TSWFPlaceObject::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteWord(Depth);
  be.WriteMatrix(Matrix.Rec());
  if (HasColorTransform || ColorTransform.HasAdd || ColorTransform.HasMult) WriteCxformRGBA(be, ColorTransform, false);
}

std::string TSWFPlaceObject::Describe() const {
  std::string s = Format("depth=%u id=%u matrix=%s", Depth, CharacterID, DescribeMatrix(Matrix).c_str());
  if (HasColorTransform) s += " cxform=" + DescribeColorTransform(ColorTransform);
  return s;
}

// ---------------------------------------------------------------------------------------
// PlaceObject2

void TSWFPlaceObject2::Assign(const TBasedSWFObject& Source) {
  TSWFBasedPlaceObject::Assign(Source);
  const auto& s = AssignSource<TSWFPlaceObject2>(Source);
  Move = s.Move;
  HasCharacter = s.HasCharacter;
  HasMatrix = s.HasMatrix;
  HasColorTransform = s.HasColorTransform;
  HasRatio = s.HasRatio;
  HasName = s.HasName;
  HasClipDepth = s.HasClipDepth;
  HasClipActions = s.HasClipActions;
  Ratio = s.Ratio;
  ClipDepth = s.ClipDepth;
  Name = s.Name;
  Version = s.Version;
  ParseActions = s.ParseActions;
  matrix_ = s.matrix_;
  cxform_ = s.cxform_;
  clip_actions_.Assign(s.clip_actions_);
}

bool TSWFPlaceObject2::WritesClipActions() const { return HasClipActions && !clip_actions_.Records.empty(); }

uint8_t TSWFPlaceObject2::MinVersion() const {
  return WritesClipActions() ? std::max<uint8_t>(5, Version) : 3;
}

void TSWFPlaceObject2::PrepareRead(const TSWFReadContext& ctx) {
  Version = ctx.Version;
  ParseActions = ctx.ParseActions;
}

void TSWFPlaceObject2::ReadFromStream(TBitsEngine& be) {
  const uint8_t f = be.ReadByte("placement flags");
  HasClipActions = f & kHasClipActions;
  HasClipDepth = f & kHasClipDepth;
  HasName = f & kHasName;
  HasRatio = f & kHasRatio;
  HasColorTransform = f & kHasColorTransform;
  HasMatrix = f & kHasMatrix;
  HasCharacter = f & kHasCharacter;
  Move = f & kMove;
  ReadExtraFlags(be);
  Depth = be.ReadWord("Depth");
  ReadExtraAfterDepth(be);
  if (HasCharacter) CharacterID = be.ReadWord("CharacterID");
  if (HasMatrix) matrix_.SetRec(be.ReadMatrix());
  if (HasColorTransform) cxform_ = ReadCxform(be, true);
  if (HasRatio) Ratio = be.ReadWord("Ratio");
  if (HasName) Name = be.ReadString("Name");
  if (HasClipDepth) ClipDepth = be.ReadWord("ClipDepth");
  ReadExtraAfterClipDepth(be);
  clip_actions_ = {};
  if (!HasClipActions) return;
  be.ReadWord("clip actions reserved");
  clip_actions_.AllEventFlags = ReadClipEventFlags(be, Version);
  for (;;) {
    const uint32_t events = ReadClipEventFlags(be, Version);
    if (events == 0) break;
    auto r = std::make_unique<TSWFClipActionRecord>();
    r->EventFlags = events;
    TBitsEngine rec = be.Sub(be.ReadDWord("ActionRecordSize"), "clip action record");
    if (events & kClipKeyPress) r->KeyCode = rec.ReadByte("KeyCode");
    ReadEndedActionBlock(rec, *r, ParseActions);
    clip_actions_.Records.push_back(std::move(r));
  }
  if (clip_actions_.Records.empty()) HasClipActions = false;
}

void TSWFPlaceObject2::WriteTagBody(TBitsEngine& be) {
  const bool clip = WritesClipActions();
  be.WriteByte(static_cast<uint8_t>(FlagIf(clip, kHasClipActions) | FlagIf(HasClipDepth, kHasClipDepth) |
                                    FlagIf(HasName, kHasName) | FlagIf(HasRatio, kHasRatio) |
                                    FlagIf(HasColorTransform, kHasColorTransform) | FlagIf(HasMatrix, kHasMatrix) |
                                    FlagIf(HasCharacter, kHasCharacter) | FlagIf(Move, kMove)));
  WriteExtraFlags(be);
  be.WriteWord(Depth);
  WriteExtraAfterDepth(be);
  if (HasCharacter) be.WriteWord(CharacterID);
  if (HasMatrix) be.WriteMatrix(matrix_.Rec());
  if (HasColorTransform) WriteCxformRGBA(be, cxform_, true);
  if (HasRatio) be.WriteWord(Ratio);
  if (HasName) be.WriteString(Name);
  if (HasClipDepth) be.WriteWord(ClipDepth);
  WriteExtraAfterClipDepth(be);
  if (!clip) return;
  Version = std::max<uint8_t>(Version, 5);
  be.WriteWord(0);
  uint32_t all = clip_actions_.AllEventFlags;
  for (const auto& r : clip_actions_.Records) all |= r->EventFlags;
  WriteClipEventFlags(be, all, Version);
  for (const auto& r : clip_actions_.Records) {
    const uint32_t events = r->EventFlags | (r->KeyCode ? uint32_t{kClipKeyPress} : 0u);
    if (events == 0) throw Error("a clip action record without events would end the list");
    WriteClipEventFlags(be, events, Version);
    const size_t size_pos = be.Position();
    be.WriteDWord(0);
    if (events & kClipKeyPress) be.WriteByte(r->KeyCode);
    WriteEndedActionBlock(be, *r);
    const uint32_t size = static_cast<uint32_t>(be.Position() - size_pos - 4);
    const uint8_t b[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
                          static_cast<uint8_t>(size >> 24)};
    be.PatchBytes(size_pos, b);
  }
  WriteClipEventFlags(be, 0, Version);
}

void TSWFPlaceObject2::ForEachReferencedID(const TIDVisitor& visit) {
  if (HasCharacter) visit(CharacterID);
}

void TSWFPlaceObject2::ForEachActionList(const TActionListVisitor& visit) {
  if (!HasClipActions) return;
  for (size_t i = 0; i < clip_actions_.Records.size(); ++i) {
    auto& r = *clip_actions_.Records[i];
    visit(Format("clip actions %zu (events 0x%X%s)", i, r.EventFlags,
                 r.KeyCode ? Format(", key %u", r.KeyCode).c_str() : ""),
          r);
  }
}

std::string TSWFPlaceObject2::Describe() const {
  std::string s = Format("depth=%u", Depth);
  if (Move) s += " move";
  if (HasCharacter) s += Format(" id=%u", CharacterID);
  if (HasMatrix) s += " matrix=" + DescribeMatrix(matrix_);
  if (HasColorTransform) s += " cxform=" + DescribeColorTransform(cxform_);
  if (HasRatio) s += Format(" ratio=%u", Ratio);
  if (HasName) s += " name=\"" + Name + "\"";
  if (HasClipDepth) s += Format(" clipdepth=%u", ClipDepth);
  if (HasClipActions) {
    s += Format(" clipactions=%zu(", clip_actions_.Records.size());
    for (size_t i = 0; i < clip_actions_.Records.size(); ++i)
      s += Format("%s0x%X", i ? "," : "", clip_actions_.Records[i]->EventFlags);
    s += ")";
  }
  return s;
}

// ---------------------------------------------------------------------------------------
// PlaceObject3

void TSWFPlaceObject3::Assign(const TBasedSWFObject& Source) {
  TSWFPlaceObject2::Assign(Source);
  const auto& s = AssignSource<TSWFPlaceObject3>(Source);
  HasImage = s.HasImage;
  HasClassName = s.HasClassName;
  HasCacheAsBitmap = s.HasCacheAsBitmap;
  HasBlendMode = s.HasBlendMode;
  HasFilterList = s.HasFilterList;
  HasVisible = s.HasVisible;
  HasOpaqueBackground = s.HasOpaqueBackground;
  ReservedFlag = s.ReservedFlag;
  ClassName = s.ClassName;
  BlendMode = s.BlendMode;
  HasBitmapCacheValue = s.HasBitmapCacheValue;
  BitmapCacheValue = s.BitmapCacheValue;
  Visible = s.Visible;
  BackgroundColor = s.BackgroundColor;
  SkipExtras = s.SkipExtras;
  filters_ = s.filters_;
}

uint8_t TSWFPlaceObject3::MinVersion() const {
  if (SkipExtras) return TSWFPlaceObject2::MinVersion();
  uint8_t v = std::max<uint8_t>(8, TSWFPlaceObject2::MinVersion());
  if (HasImage || HasClassName) v = std::max<uint8_t>(v, 9);
  if (HasVisible || HasOpaqueBackground) v = std::max<uint8_t>(v, 11);
  return v;
}

void TSWFPlaceObject3::ReadExtraFlags(TBitsEngine& be) {
  const uint8_t f = be.ReadByte("placement flags 2");
  ReservedFlag = f & kReservedFlag;
  HasOpaqueBackground = f & kHasOpaqueBackground;
  HasVisible = f & kHasVisible;
  HasImage = f & kHasImage;
  HasClassName = f & kHasClassName;
  HasCacheAsBitmap = f & kHasCacheAsBitmap;
  HasBlendMode = f & kHasBlendMode;
  HasFilterList = f & kHasFilterList;
  SkipExtras = false;
}

void TSWFPlaceObject3::ReadExtraAfterDepth(TBitsEngine& be) {
  ClassName.clear();
  if (HasClassName || (HasImage && HasCharacter)) ClassName = be.ReadString("ClassName");
}

void TSWFPlaceObject3::ReadExtraAfterClipDepth(TBitsEngine& be) {
  filters_.Items.clear();
  if (HasFilterList) filters_.ReadFromStream(be);
  if (HasBlendMode) BlendMode = be.ReadByte("BlendMode");
  // The cache byte came later than the flag; writers differ on whether they write it. It
  // is there when bytes remain that are not the clip actions (whose first byte is 0).
  HasBitmapCacheValue = false;
  if (HasCacheAsBitmap && !be.AtEnd() && (!HasClipActions || be.Rest()[0] != 0)) {
    HasBitmapCacheValue = true;
    BitmapCacheValue = be.ReadByte("BitmapCache");
  }
  if (HasVisible) Visible = be.ReadByte("Visible");
  if (HasOpaqueBackground) BackgroundColor = be.ReadRGBA();
}

void TSWFPlaceObject3::WriteExtraFlags(TBitsEngine& be) {
  if (SkipExtras) return;
  const bool filters = HasFilterList && filters_.Count() > 0;
  be.WriteByte(static_cast<uint8_t>(FlagIf(ReservedFlag, kReservedFlag) |
                                    FlagIf(HasOpaqueBackground, kHasOpaqueBackground) |
                                    FlagIf(HasVisible, kHasVisible) | FlagIf(HasImage, kHasImage) |
                                    FlagIf(HasClassName, kHasClassName) |
                                    FlagIf(HasCacheAsBitmap, kHasCacheAsBitmap) | FlagIf(HasBlendMode, kHasBlendMode) |
                                    FlagIf(filters, kHasFilterList)));
}

void TSWFPlaceObject3::WriteExtraAfterDepth(TBitsEngine& be) {
  if (SkipExtras) return;
  if (HasClassName || (HasImage && HasCharacter)) be.WriteString(ClassName);
}

void TSWFPlaceObject3::WriteExtraAfterClipDepth(TBitsEngine& be) {
  if (SkipExtras) return;
  if (HasFilterList && filters_.Count() > 0) filters_.WriteToStream(be);
  if (HasBlendMode) be.WriteByte(BlendMode);
  if (HasCacheAsBitmap && HasBitmapCacheValue) be.WriteByte(BitmapCacheValue);
  if (HasVisible) be.WriteByte(Visible);
  if (HasOpaqueBackground) be.WriteRGBA(BackgroundColor);
}

std::string TSWFPlaceObject3::Describe() const {
  std::string s = TSWFPlaceObject2::Describe();
  if (SkipExtras) return s;
  if (!ClassName.empty()) s += " class=\"" + ClassName + "\"";
  if (HasImage) s += " image";
  if (HasFilterList) s += " filters=" + filters_.Describe();
  if (HasBlendMode) s += Format(" blend=%u", BlendMode);
  if (HasCacheAsBitmap) s += " cacheasbitmap";
  if (HasVisible) s += Format(" visible=%u", Visible);
  if (HasOpaqueBackground) s += Format(" background=%08X", BackgroundColor);
  return s;
}

}  // namespace fc
