#include "swf/actions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <map>

#include "core/text.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// The action table

namespace {

using TActionMaker = std::unique_ptr<TSWFAction> (*)();

template <typename T>
std::unique_ptr<TSWFAction> Make() {
  return std::make_unique<T>();
}

// By code: how to make the object of each action class, placed at the class's own code.
template <typename... TClasses>
constexpr std::array<TActionMaker, 256> MakerTable() {
  std::array<TActionMaker, 256> table{};
  ((table[static_cast<uint8_t>(TClasses::kCode)] = &Make<TClasses>), ...);
  return table;
}

#define FC_SIMPLE_CLASS(Name, Base) TSWFAction##Name,
constexpr std::array<TActionMaker, 256> kMakers = MakerTable<
    FC_SWF_SIMPLE_ACTIONS(FC_SIMPLE_CLASS) TSWFActionGotoFrame, TSWFActionGetUrl, TSWFActionWaitForFrame,
    TSWFActionSetTarget, TSWFActionGoToLabel, TSWFActionPush, TSWFActionJump, TSWFActionIf, TSWFActionGetURL2,
    TSWFActionGotoFrame2, TSWFActionWaitForFrame2, TSWFActionConstantPool, TSWFActionDefineFunction,
    TSWFActionWith, TSWFActionStoreRegister, TSWFActionDefineFunction2, TSWFActionTry, TSWFActionByteCode,
    TSWFOffsetMarker>();
#undef FC_SIMPLE_CLASS

[[noreturn]] void FailFieldValue(int64_t v, uint8_t size, const char* name, const char* action) {
  throw Error(Format("%s: %s %lld does not fit its %d-bit field", action, name, static_cast<long long>(v), 8 * size));
}

// Inline: it runs for every length, offset and one-byte push value written.
inline void CheckFieldValue(int64_t v, uint8_t size, bool is_signed, const char* name, const char* action) {
  int64_t lo = is_signed ? -(int64_t{1} << (8 * size - 1)) : 0;
  int64_t hi = is_signed ? (int64_t{1} << (8 * size - 1)) - 1 : (int64_t{1} << (8 * size)) - 1;
  if (v < lo || v > hi) FailFieldValue(v, size, name, action);
}

void WriteField(TBitsEngine& be, int64_t v, uint8_t size) {
  if (size == 4) be.WriteDWord(static_cast<uint32_t>(v));
  else be.WriteWord(static_cast<uint16_t>(v));
}

uint16_t CheckedCount(size_t n, const char* what, const char* action) {
  if (n > 0xFFFF) throw Error(Format("%s: %zu %s exceed the 16-bit count", action, n, what));
  return static_cast<uint16_t>(n);
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::unique_ptr<TSWFAction> CreateActionObject(TSWFActionCode Code) {
  const TActionMaker make = kMakers[static_cast<uint8_t>(Code)];
  return make ? make() : nullptr;
}

std::unique_ptr<TSWFAction> CreateActionObject(uint8_t Code) {
  return CreateActionObject(static_cast<TSWFActionCode>(Code));
}

uint32_t GetFullSize(const TSWFAction& a) {
  if (a.ActionCode == TSWFActionCode::Marker) return 0;
  if (a.ActionCode == TSWFActionCode::ByteCode)
    return static_cast<uint32_t>(static_cast<const TSWFActionByteCode&>(a).Data.size());
  return HasActionBody(a.ActionCode) ? a.Length + 3u : 1;
}

// ---------------------------------------------------------------------------------------
// TSWFAction

void TSWFAction::WriteToStream(TBitsEngine& be) {
  StartPosition = be.Position();
  be.WriteByte(static_cast<uint8_t>(ActionCode));
  if (!HasActionBody(ActionCode)) return;
  // The body goes in place behind a length placeholder that is filled in afterwards.
  be.WriteWord(0);
  try {
    TBitsEngine body = be.BodyWriter();
    WriteActionBody(body);
    body.FlushLastByte(true);
    if (body.Position() > 0xFFFF)
      FailFieldValue(static_cast<int64_t>(body.Position()), 2, "action length", ActionName(ActionCode));
    Length = static_cast<uint16_t>(body.Position());
  } catch (...) {
    be.Truncate(StartPosition);  // a failed action leaves nothing behind
    throw;
  }
  const uint8_t length[2] = {static_cast<uint8_t>(Length), static_cast<uint8_t>(Length >> 8)};
  be.PatchBytes(StartPosition + 1, length);
}

std::unique_ptr<TSWFAction> TSWFAction::Clone() const {
  std::unique_ptr<TSWFAction> copy;
  if (dynamic_cast<const TSWFTryOffsetMarker*>(this)) copy = std::make_unique<TSWFTryOffsetMarker>();
  else copy = CreateActionObject(ActionCode);
  if (!copy) throw Error(Format("no action class for code 0x%02X", static_cast<unsigned>(ActionCode)));
  copy->Assign(*this);
  return copy;
}

void TSWFActionByteCode::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionByteCode&>(Source);
  Data = s.Data;
  OwnsData = s.OwnsData;
}

void TSWFActionByteCode::WriteActionBody(TBitsEngine& be) { be.WriteBuffer(Data); }

void TSWFActionByteCode::WriteToStream(TBitsEngine& be) {
  StartPosition = be.Position();
  WriteActionBody(be);
  Length = static_cast<uint16_t>(std::min<size_t>(Data.size(), 0xFFFF));
}

std::string TSWFActionByteCode::Describe() const {
  std::string s;
  for (size_t i = 0; i < Data.size() && i < 16; ++i) s += Format("%s%02X", i ? " " : "", Data[i]);
  if (Data.size() > 16) s += " ...";
  return s;
}

// ---------------------------------------------------------------------------------------
// Markers and branches

void TSWFOffsetMarker::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFOffsetMarker&>(Source);
  IsBackward = s.IsBackward;
  Enabled = s.Enabled;
  Name = s.Name;
  FieldSize = s.FieldSize;
}

void TSWFOffsetMarker::WriteActionBody(TBitsEngine& be) {
  Placed = true;
  WrittenPosition = be.Position();
  if (!Enabled) return;
  if (IsBackward) {
    SavedPosition = be.Position();
    PositionKnown = true;
    return;
  }
  if (!PatchPending) return;
  size_t base = SavedPosition + FieldSize;
  // Catch and finally blocks count from the end of the block before them.
  if (const TSWFOffsetMarker* previous = PreviousBlockEnd()) base = previous->WrittenPosition;
  if (HasBase) base = BasePosition;
  const int64_t v = static_cast<int64_t>(be.Position()) - static_cast<int64_t>(base);
  CheckFieldValue(v, FieldSize, FieldSigned, FieldName, Name.empty() ? "marker" : Name.c_str());
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
  be.PatchBytes(SavedPosition, std::span<const uint8_t>(bytes, FieldSize));
  PatchPending = false;
}

void TSWFOffsetMarker::WriteOffsetField(TBitsEngine& body, size_t field_position) {
  FieldPosition = field_position;
  if (!Enabled) return;
  if (FieldSize != 2 && FieldSize != 4) throw Error(Format("%s: field size %u", FieldName, FieldSize));
  if (IsBackward) {
    if (!PositionKnown)
      throw Error(Format("%s: the backward target '%s' is not written before its branch", FieldName, Name.c_str()));
    const int64_t v = static_cast<int64_t>(SavedPosition) - static_cast<int64_t>(FieldPosition + FieldSize);
    CheckFieldValue(v, FieldSize, FieldSigned, FieldName, Name.empty() ? "marker" : Name.c_str());
    WriteField(body, v, FieldSize);
  } else {
    SavedPosition = FieldPosition;
    PatchPending = true;
    WriteField(body, 0, FieldSize);
  }
}

std::shared_ptr<TSWFOffsetMarker> TSWFBranchField::GetMarker() {
  if (!Marker) Marker = std::make_shared<TSWFOffsetMarker>();
  return Marker;
}

void TSWFBranchField::Write(TBitsEngine& body, const TSWFAction& owner, bool is_signed, const char* name) {
  if (!Marker || OffsetIsStatic) {
    CheckFieldValue(Offset, 2, is_signed, name, ActionName(owner.ActionCode));
    body.WriteWord(static_cast<uint16_t>(Offset));
    return;
  }
  Marker->FieldSigned = is_signed;
  Marker->FieldName = name;
  Marker->WriteOffsetField(body, owner.StartPosition + 3 + body.Position());
}

// ---------------------------------------------------------------------------------------
// TSWFActionList

// Only markers carry their code, so the callers' code test spares the type check for every
// other action.
void TSWFActionList::NotePlaced(TSWFAction* action) {
  if (action->ActionCode != TSWFActionCode::Marker) return;
  if (auto* m = dynamic_cast<TSWFOffsetMarker*>(action)) m->Placed = true;
}

void TSWFActionList::Insert(size_t index, TPtr action) {
  NotePlaced(action.get());
  Items.insert(Items.begin() + static_cast<std::ptrdiff_t>(std::min(index, Items.size())), std::move(action));
}

int TSWFActionList::IndexOf(const TSWFAction* a) const {
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i].get() == a) return static_cast<int>(i);
  return -1;
}

uint8_t TSWFActionList::MinVersion() const {
  // Version 7 brought the last new actions: once an action needs it, no later one needs more,
  // and a long list is not walked to its end for nothing.
  constexpr uint8_t kNewestActions = 7;
  uint8_t v = 3;
  for (const auto& a : Items) {
    if (!IsPseudoAction(a->ActionCode)) v = std::max(v, a->MinVersion());
    if (v >= kNewestActions) break;
  }
  return v;
}

// ---------------------------------------------------------------------------------------
// Payload actions

void TSWFActionGotoFrame::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  Frame = dynamic_cast<const TSWFActionGotoFrame&>(Source).Frame;
}
void TSWFActionGotoFrame::ReadFromStream(TBitsEngine& be) { Frame = be.ReadWord("Frame"); }
void TSWFActionGotoFrame::WriteActionBody(TBitsEngine& be) { be.WriteWord(Frame); }
std::string TSWFActionGotoFrame::Describe() const { return Format("%u", Frame); }

void TSWFActionGetUrl::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionGetUrl&>(Source);
  URL = s.URL;
  Target = s.Target;
}
void TSWFActionGetUrl::ReadFromStream(TBitsEngine& be) {
  URL = be.ReadString("URL");
  Target = be.ReadString("Target");
}
void TSWFActionGetUrl::WriteActionBody(TBitsEngine& be) {
  be.WriteString(URL, true, true);
  be.WriteString(Target);
}
std::string TSWFActionGetUrl::Describe() const { return Quote(URL) + ", " + Quote(Target); }

void TSWFActionWaitForFrame::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionWaitForFrame&>(Source);
  Frame = s.Frame;
  SkipCount = s.SkipCount;
}
void TSWFActionWaitForFrame::ReadFromStream(TBitsEngine& be) {
  Frame = be.ReadWord("Frame");
  SkipCount = be.ReadByte("SkipCount");
}
void TSWFActionWaitForFrame::WriteActionBody(TBitsEngine& be) {
  be.WriteWord(Frame);
  be.WriteByte(SkipCount);
}
std::string TSWFActionWaitForFrame::Describe() const { return Format("%u, skip %u", Frame, SkipCount); }

void TSWFActionSetTarget::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  TargetName = dynamic_cast<const TSWFActionSetTarget&>(Source).TargetName;
}
void TSWFActionSetTarget::ReadFromStream(TBitsEngine& be) { TargetName = be.ReadString("TargetName"); }
void TSWFActionSetTarget::WriteActionBody(TBitsEngine& be) { be.WriteString(TargetName); }
std::string TSWFActionSetTarget::Describe() const { return Quote(TargetName); }

void TSWFActionGoToLabel::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  Label = dynamic_cast<const TSWFActionGoToLabel&>(Source).Label;
}
void TSWFActionGoToLabel::ReadFromStream(TBitsEngine& be) { Label = be.ReadString("Label"); }
void TSWFActionGoToLabel::WriteActionBody(TBitsEngine& be) { be.WriteString(Label); }
std::string TSWFActionGoToLabel::Describe() const { return Quote(Label); }

// --- Push ---

namespace {
int64_t PushInt(const TPushValue& v) {
  if (auto p = std::get_if<int32_t>(&v)) return *p;
  if (auto p = std::get_if<bool>(&v)) return *p ? 1 : 0;
  if (auto p = std::get_if<float>(&v)) return static_cast<int64_t>(*p);
  if (auto p = std::get_if<double>(&v)) return std::isfinite(*p) ? static_cast<int64_t>(std::clamp(*p, -2147483648.0, 2147483647.0)) : 0;
  if (auto p = std::get_if<std::string>(&v)) return ParseInt32(*p).value_or(0);
  return 0;
}
double PushDouble(const TPushValue& v) {
  if (auto p = std::get_if<float>(&v)) return *p;
  if (auto p = std::get_if<double>(&v)) return *p;
  if (auto p = std::get_if<std::string>(&v)) return ParseDouble(*p).value_or(0);
  return static_cast<double>(PushInt(v));
}
std::string PushString(const TPushValue& v) {
  if (auto p = std::get_if<std::string>(&v)) return *p;
  if (auto p = std::get_if<int32_t>(&v)) return std::to_string(*p);
  if (auto p = std::get_if<bool>(&v)) return *p ? "true" : "false";
  if (std::holds_alternative<float>(v) || std::holds_alternative<double>(v)) return FormatDouble(PushDouble(v));
  return {};
}
}  // namespace

void TSWFActionPush::AddValue(const std::string& v) {
  if (v == "FlashVar_undefined") Values.push_back({std::string("undefined"), kPushUndefined, true});
  else if (v == "FlashVar_null") Values.push_back({std::string("null"), kPushNull, true});
  else Values.push_back({v, kPushString, true});
}
void TSWFActionPush::AddValue(int32_t v) { Values.push_back({v, kPushInteger, true}); }
void TSWFActionPush::AddValue(float v) { Values.push_back({v, kPushFloat, true}); }
void TSWFActionPush::AddValue(double v) { Values.push_back({v, kPushDouble, true}); }
void TSWFActionPush::AddValue(bool v) { Values.push_back({v, kPushBoolean, true}); }
void TSWFActionPush::AddNull() { Values.push_back({std::monostate{}, kPushNull, true}); }
void TSWFActionPush::AddUndefined() { Values.push_back({std::monostate{}, kPushUndefined, true}); }
void TSWFActionPush::AddInvalid() { Values.push_back({std::monostate{}, kPushUndefined, false}); }

void TSWFActionPush::SetValueType(size_t Index, uint8_t Type) {
  if (Index >= Values.size()) throw Error(Format("Push: no value %zu", Index));
  if (Type != kPushKeepType) Values[Index].ValueType = Type;
}

void TSWFActionPush::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  Values = dynamic_cast<const TSWFActionPush&>(Source).Values;
}

uint8_t TSWFActionPush::MinVersion() const {
  for (const auto& v : Values)
    if (v.IsValid && v.ValueType != kPushString && v.ValueType != kPushFloat) return 5;
  return 4;
}

void TSWFActionPush::ReadFromStream(TBitsEngine& be) {
  Values.clear();
  while (!be.AtEnd()) {
    TPushValueInfo v;
    v.ValueType = be.ReadByte("Push type");
    switch (v.ValueType) {
      case kPushString: v.Value = be.ReadString("Push string"); break;
      case kPushFloat: v.Value = be.ReadSingle(); break;
      case kPushNull:
      case kPushUndefined: break;
      case kPushRegister:
      case kPushConstant8: v.Value = static_cast<int32_t>(be.ReadByte("Push value")); break;
      case kPushBoolean: v.Value = be.ReadByte("Push boolean") != 0; break;
      case kPushDouble: {
        const uint64_t hi = be.ReadDWord("Push double");
        const uint64_t lo = be.ReadDWord("Push double");
        v.Value = std::bit_cast<double>((hi << 32) | lo);
        break;
      }
      case kPushInteger: v.Value = static_cast<int32_t>(be.ReadDWord("Push integer")); break;
      case kPushConstant16: v.Value = static_cast<int32_t>(be.ReadWord("Push constant")); break;
      default: break;  // an unknown type carries no value bytes
    }
    Values.push_back(std::move(v));
  }
}

void TSWFActionPush::WriteActionBody(TBitsEngine& be) {
  for (const auto& v : Values) {
    if (!v.IsValid) continue;
    be.WriteByte(v.ValueType);
    switch (v.ValueType) {
      case kPushString: be.WriteString(PushString(v.Value)); break;
      case kPushFloat: be.WriteSingle(static_cast<float>(PushDouble(v.Value))); break;
      case kPushRegister:
      case kPushConstant8: {
        const int64_t n = PushInt(v.Value);
        CheckFieldValue(n, 1, false, v.ValueType == kPushRegister ? "register" : "constant index", "Push");
        be.WriteByte(static_cast<uint8_t>(n));
        break;
      }
      case kPushBoolean: be.WriteByte(PushInt(v.Value) != 0 ? 1 : 0); break;
      case kPushDouble: {
        const uint64_t bits = std::bit_cast<uint64_t>(PushDouble(v.Value));
        be.WriteDWord(static_cast<uint32_t>(bits >> 32));
        be.WriteDWord(static_cast<uint32_t>(bits));
        break;
      }
      case kPushInteger: be.WriteDWord(static_cast<uint32_t>(PushInt(v.Value))); break;
      case kPushConstant16: {
        const int64_t n = PushInt(v.Value);
        CheckFieldValue(n, 2, false, "constant index", "Push");
        be.WriteWord(static_cast<uint16_t>(n));
        break;
      }
      default: break;
    }
  }
}

std::string TSWFActionPush::Describe() const {
  std::string s;
  for (const auto& v : Values) {
    if (!v.IsValid) continue;
    if (!s.empty()) s += ", ";
    switch (v.ValueType) {
      case kPushString: s += Quote(PushString(v.Value)); break;
      case kPushFloat: s += FormatDouble(PushDouble(v.Value)) + "f"; break;
      case kPushNull: s += "null"; break;
      case kPushUndefined: s += "undefined"; break;
      case kPushRegister: s += Format("r:%lld", static_cast<long long>(PushInt(v.Value))); break;
      case kPushBoolean: s += PushInt(v.Value) ? "true" : "false"; break;
      case kPushDouble: s += FormatDouble(PushDouble(v.Value)); break;
      case kPushInteger: s += std::to_string(PushInt(v.Value)); break;
      case kPushConstant8:
      case kPushConstant16: s += Format("c:%lld", static_cast<long long>(PushInt(v.Value))); break;
      default: s += Format("type%u", v.ValueType); break;
    }
  }
  return s;
}

// --- Branches ---

namespace {
std::string DescribeBranch(const TSWFBranchField& f) {
  if (f.Marker && (f.Marker->Placed || !f.OffsetIsStatic)) {
    return f.Marker->Name.empty() ? std::string("(unnamed label)") : f.Marker->Name;
  }
  return Format("%+d", f.Offset);
}
void AssignBranch(TSWFBranchField& dst, const TSWFBranchField& src) {
  dst.Offset = src.Offset;
  dst.OffsetIsStatic = src.OffsetIsStatic;
  dst.Marker.reset();  // CopyActionList points it at the copied marker
}
}  // namespace

void TSWFActionJump::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  AssignBranch(Target, dynamic_cast<const TSWFActionJump&>(Source).Target);
}
void TSWFActionJump::ReadFromStream(TBitsEngine& be) {
  Target.SetOffset(static_cast<int16_t>(be.ReadWord("BranchOffset")));
}
void TSWFActionJump::WriteActionBody(TBitsEngine& be) { Target.Write(be, *this, true, "branch offset"); }
std::string TSWFActionJump::Describe() const { return DescribeBranch(Target); }

namespace {
// GetURL2's flags byte.
constexpr uint8_t kGetURL2LoadVariables = 0x80;
constexpr uint8_t kGetURL2LoadTarget = 0x40;
constexpr uint8_t kGetURL2MethodMask = 0x03;
}  // namespace

void TSWFActionGetURL2::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionGetURL2&>(Source);
  LoadVariables = s.LoadVariables;
  LoadTarget = s.LoadTarget;
  SendVarsMethod = s.SendVarsMethod;
}
void TSWFActionGetURL2::ReadFromStream(TBitsEngine& be) {
  const uint8_t b = be.ReadByte("GetURL2 flags");
  LoadVariables = b & kGetURL2LoadVariables;
  LoadTarget = b & kGetURL2LoadTarget;
  SendVarsMethod = b & kGetURL2MethodMask;
}
void TSWFActionGetURL2::WriteActionBody(TBitsEngine& be) {
  be.WriteByte(static_cast<uint8_t>((LoadVariables ? kGetURL2LoadVariables : 0) |
                                    (LoadTarget ? kGetURL2LoadTarget : 0) | (SendVarsMethod & kGetURL2MethodMask)));
}
std::string TSWFActionGetURL2::Describe() const {
  static const char* kMethods[] = {"none", "GET", "POST", "3"};
  return Format("method=%s%s%s", kMethods[SendVarsMethod & kGetURL2MethodMask], LoadTarget ? " target" : "",
                LoadVariables ? " variables" : "");
}

namespace {
// GotoFrame2's flags byte.
constexpr uint8_t kGotoFrame2SceneBias = 0x02;
constexpr uint8_t kGotoFrame2Play = 0x01;
}  // namespace

void TSWFActionGotoFrame2::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionGotoFrame2&>(Source);
  Play = s.Play;
  SceneBiasFlag = s.SceneBiasFlag;
  SceneBias = s.SceneBias;
}
void TSWFActionGotoFrame2::ReadFromStream(TBitsEngine& be) {
  const uint8_t b = be.ReadByte("GotoFrame2 flags");
  SceneBiasFlag = b & kGotoFrame2SceneBias;
  Play = b & kGotoFrame2Play;
  if (SceneBiasFlag) SceneBias = be.ReadWord("SceneBias");
}
void TSWFActionGotoFrame2::WriteActionBody(TBitsEngine& be) {
  be.WriteByte(static_cast<uint8_t>((SceneBiasFlag ? kGotoFrame2SceneBias : 0) | (Play ? kGotoFrame2Play : 0)));
  if (SceneBiasFlag) be.WriteWord(SceneBias);
}
std::string TSWFActionGotoFrame2::Describe() const {
  return std::string(Play ? "play" : "stop") + (SceneBiasFlag ? Format(" bias=%u", SceneBias) : "");
}

void TSWFActionWaitForFrame2::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  SkipCount = dynamic_cast<const TSWFActionWaitForFrame2&>(Source).SkipCount;
}
void TSWFActionWaitForFrame2::ReadFromStream(TBitsEngine& be) { SkipCount = be.ReadByte("SkipCount"); }
void TSWFActionWaitForFrame2::WriteActionBody(TBitsEngine& be) { be.WriteByte(SkipCount); }
std::string TSWFActionWaitForFrame2::Describe() const { return Format("skip %u", SkipCount); }

void TSWFActionConstantPool::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  ConstantPool = dynamic_cast<const TSWFActionConstantPool&>(Source).ConstantPool;
}
void TSWFActionConstantPool::ReadFromStream(TBitsEngine& be) {
  const uint16_t count = be.ReadWord("constant count");
  ConstantPool.clear();
  for (uint16_t i = 0; i < count; ++i) ConstantPool.push_back(be.ReadString("constant"));
}
void TSWFActionConstantPool::WriteActionBody(TBitsEngine& be) {
  be.WriteWord(CheckedCount(ConstantPool.size(), "constants", "ConstantPool"));
  for (const auto& s : ConstantPool) be.WriteString(s);
}
std::string TSWFActionConstantPool::Describe() const {
  std::string s;
  for (size_t i = 0; i < ConstantPool.size(); ++i) s += (i ? ", " : "") + Quote(ConstantPool[i]);
  return s;
}

void TSWFActionDefineFunction::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionDefineFunction&>(Source);
  Name = s.Name;
  Params = s.Params;
  AssignBranch(CodeSize, s.CodeSize);
}
void TSWFActionDefineFunction::ReadFromStream(TBitsEngine& be) {
  Name = be.ReadString("function name");
  const uint16_t n = be.ReadWord("NumParams");
  Params.clear();
  for (uint16_t i = 0; i < n; ++i) Params.push_back(be.ReadString("parameter"));
  CodeSize.SetOffset(be.ReadWord("CodeSize"));
}
void TSWFActionDefineFunction::WriteActionBody(TBitsEngine& be) {
  be.WriteString(Name);
  be.WriteWord(CheckedCount(Params.size(), "parameters", "DefineFunction"));
  for (const auto& p : Params) be.WriteString(p);
  CodeSize.Write(be, *this, false, "function size");
}
std::string TSWFActionDefineFunction::Describe() const {
  std::string s = Quote(Name) + " (";
  for (size_t i = 0; i < Params.size(); ++i) s += (i ? ", " : "") + Params[i];
  return s + ") until " + DescribeBranch(CodeSize);
}

void TSWFActionWith::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  AssignBranch(Size, dynamic_cast<const TSWFActionWith&>(Source).Size);
}
void TSWFActionWith::ReadFromStream(TBitsEngine& be) { Size.SetOffset(be.ReadWord("With size")); }
void TSWFActionWith::WriteActionBody(TBitsEngine& be) { Size.Write(be, *this, false, "With size"); }
std::string TSWFActionWith::Describe() const { return "until " + DescribeBranch(Size); }

void TSWFActionStoreRegister::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  RegisterNumber = dynamic_cast<const TSWFActionStoreRegister&>(Source).RegisterNumber;
}
void TSWFActionStoreRegister::ReadFromStream(TBitsEngine& be) { RegisterNumber = be.ReadByte("register"); }
void TSWFActionStoreRegister::WriteActionBody(TBitsEngine& be) { be.WriteByte(RegisterNumber); }
std::string TSWFActionStoreRegister::Describe() const { return Format("r:%u", RegisterNumber); }

namespace {
// DefineFunction2's 16 flag bits, in the order of the format (most significant first); the
// seven bits between PreloadThis and PreloadGlobal are reserved.
struct TFunction2Flag {
  uint16_t Bit;
  bool TSWFActionDefineFunction2::*Member;
  const char* Name;
};
constexpr TFunction2Flag kFunction2Flags[] = {
    {0x8000, &TSWFActionDefineFunction2::PreloadParent, "preloadParent"},
    {0x4000, &TSWFActionDefineFunction2::PreloadRoot, "preloadRoot"},
    {0x2000, &TSWFActionDefineFunction2::SuppressSuper, "suppressSuper"},
    {0x1000, &TSWFActionDefineFunction2::PreloadSuper, "preloadSuper"},
    {0x0800, &TSWFActionDefineFunction2::SuppressArguments, "suppressArguments"},
    {0x0400, &TSWFActionDefineFunction2::PreloadArguments, "preloadArguments"},
    {0x0200, &TSWFActionDefineFunction2::SuppressThis, "suppressThis"},
    {0x0100, &TSWFActionDefineFunction2::PreloadThis, "preloadThis"},
    {0x0001, &TSWFActionDefineFunction2::PreloadGlobal, "preloadGlobal"},
};
}  // namespace

void TSWFActionDefineFunction2::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionDefineFunction2&>(Source);
  Name = s.Name;
  RegisterCount = s.RegisterCount;
  for (const TFunction2Flag& f : kFunction2Flags) this->*f.Member = s.*f.Member;
  Params = s.Params;
  AssignBranch(CodeSize, s.CodeSize);
}
void TSWFActionDefineFunction2::ReadFromStream(TBitsEngine& be) {
  Name = be.ReadString("function name");
  const uint16_t n = be.ReadWord("NumParams");
  RegisterCount = be.ReadByte("RegisterCount");
  const uint16_t high = be.ReadByte("DefineFunction2 flags");
  const uint16_t flags = static_cast<uint16_t>(high << 8 | be.ReadByte("DefineFunction2 flags"));
  for (const TFunction2Flag& f : kFunction2Flags) this->*f.Member = (flags & f.Bit) != 0;
  Params.clear();
  for (uint16_t i = 0; i < n; ++i) {
    TSWFFunctionParam p;
    p.Register = be.ReadByte("parameter register");
    p.Name = be.ReadString("parameter name");
    Params.push_back(std::move(p));
  }
  CodeSize.SetOffset(be.ReadWord("CodeSize"));
}
void TSWFActionDefineFunction2::WriteActionBody(TBitsEngine& be) {
  be.WriteString(Name);
  be.WriteWord(CheckedCount(Params.size(), "parameters", "DefineFunction2"));
  be.WriteByte(RegisterCount);
  uint16_t flags = 0;
  for (const TFunction2Flag& f : kFunction2Flags)
    if (this->*f.Member) flags |= f.Bit;
  be.WriteByte(static_cast<uint8_t>(flags >> 8));
  be.WriteByte(static_cast<uint8_t>(flags));
  for (const auto& p : Params) {
    be.WriteByte(p.Register);
    be.WriteString(p.Name);
  }
  CodeSize.Write(be, *this, false, "function size");
}
std::string TSWFActionDefineFunction2::Describe() const {
  std::string s = Quote(Name) + " (";
  for (size_t i = 0; i < Params.size(); ++i) s += (i ? ", " : "") + Format("r:%u=", Params[i].Register) + Params[i].Name;
  s += Format(") registers=%u", RegisterCount);
  for (const TFunction2Flag& f : kFunction2Flags)
    if (this->*f.Member) s += std::string(" ") + f.Name;
  return s + " until " + DescribeBranch(CodeSize);
}

namespace {
// Try's flags byte; the five high bits are reserved.
constexpr uint8_t kTryReservedMask = 0xF8;
constexpr uint8_t kTryCatchInRegister = 0x04;
constexpr uint8_t kTryHasFinallyBlock = 0x02;
constexpr uint8_t kTryHasCatchBlock = 0x01;
}  // namespace

void TSWFActionTry::Assign(const TSWFAction& Source) {
  TSWFAction::Assign(Source);
  const auto& s = dynamic_cast<const TSWFActionTry&>(Source);
  CatchInRegister = s.CatchInRegister;
  HasCatchBlock = s.HasCatchBlock;
  HasFinallyBlock = s.HasFinallyBlock;
  ReservedFlags = s.ReservedFlags;
  AssignBranch(TrySize, s.TrySize);
  AssignBranch(CatchSize, s.CatchSize);
  AssignBranch(FinallySize, s.FinallySize);
  CatchRegister = s.CatchRegister;
  CatchName = s.CatchName;
}
void TSWFActionTry::CreateMarkers() {
  auto make = [](std::shared_ptr<TSWFOffsetMarker> previous) {
    auto m = std::make_shared<TSWFTryOffsetMarker>();
    m->IsBackward = false;
    m->Previous = std::move(previous);
    return m;
  };
  TrySize.OffsetIsStatic = false;
  TrySize.Marker = make(nullptr);
  std::shared_ptr<TSWFOffsetMarker> last = TrySize.Marker;
  if (HasCatchBlock) {
    CatchSize.OffsetIsStatic = false;
    CatchSize.Marker = last = make(last);
  }
  if (HasFinallyBlock) {
    FinallySize.OffsetIsStatic = false;
    FinallySize.Marker = make(last);
  }
}

void TSWFActionTry::ReadFromStream(TBitsEngine& be) {
  const uint8_t f = be.ReadByte("Try flags");
  ReservedFlags = f & kTryReservedMask;
  CatchInRegister = f & kTryCatchInRegister;
  HasFinallyBlock = f & kTryHasFinallyBlock;
  HasCatchBlock = f & kTryHasCatchBlock;
  TrySize.SetOffset(be.ReadWord("TrySize"));
  CatchSize.SetOffset(be.ReadWord("CatchSize"));
  FinallySize.SetOffset(be.ReadWord("FinallySize"));
  if (CatchInRegister) CatchRegister = be.ReadByte("CatchRegister");
  else CatchName = be.ReadString("CatchName");
}
void TSWFActionTry::WriteActionBody(TBitsEngine& be) {
  be.WriteByte(static_cast<uint8_t>(ReservedFlags | (CatchInRegister ? kTryCatchInRegister : 0) |
                                    (HasFinallyBlock ? kTryHasFinallyBlock : 0) |
                                    (HasCatchBlock ? kTryHasCatchBlock : 0)));
  TrySize.Write(be, *this, false, "try size");
  // A missing block has size 0 unless a size was read from a file.
  auto absent = [&](const TSWFBranchField& f, const char* name) {
    const int32_t v = f.OffsetIsStatic ? f.Offset : 0;
    CheckFieldValue(v, 2, false, name, "Try");
    be.WriteWord(static_cast<uint16_t>(v));
  };
  // A catch or finally size counts from the end of the block before it, which only a Try
  // marker knows; any other marker would give a wrong size.
  for (const TSWFBranchField* f : {&CatchSize, &FinallySize}) {
    if (f->Marker && !f->OffsetIsStatic) {
      const auto* t = dynamic_cast<const TSWFTryOffsetMarker*>(f->Marker.get());
      if (!t || !t->Previous) throw Error("Try: a catch or finally block needs the markers made by CreateMarkers");
    }
  }
  if (HasCatchBlock) CatchSize.Write(be, *this, false, "catch size");
  else absent(CatchSize, "catch size");
  if (HasFinallyBlock) FinallySize.Write(be, *this, false, "finally size");
  else absent(FinallySize, "finally size");
  if (CatchInRegister) be.WriteByte(CatchRegister);
  else be.WriteString(CatchName);
}
void TSWFActionTry::WriteToStream(TBitsEngine& be) {
  TSWFAction::WriteToStream(be);
  // The try block counts from the end of this action.
  if (TrySize.Marker && !TrySize.OffsetIsStatic) {
    TrySize.Marker->HasBase = true;
    TrySize.Marker->BasePosition = be.Position();
  }
}
std::string TSWFActionTry::Describe() const {
  std::string s = "try until " + DescribeBranch(TrySize);
  if (HasCatchBlock) s += ", catch " + (CatchInRegister ? Format("r:%u", CatchRegister) : Quote(CatchName)) + " until " + DescribeBranch(CatchSize);
  if (HasFinallyBlock) s += ", finally until " + DescribeBranch(FinallySize);
  return s;
}

// ---------------------------------------------------------------------------------------
// Reading, writing and copying lists

namespace {

// Gives every branch of a freshly read list a marker at its target.
void ResolveTargets(TSWFActionList& list) {
  const size_t n = list.Count();
  std::vector<int64_t> start(n + 1, 0);
  for (size_t i = 0; i < n; ++i) start[i + 1] = start[i] + GetFullSize(*list[i]);
  std::map<int64_t, size_t> index_at;  // byte offset -> index of the action starting there
  for (size_t i = n + 1; i-- > 0;) index_at[start[i]] = i;

  struct TPlacement {
    size_t Index;
    size_t Order;
    std::shared_ptr<TSWFOffsetMarker> Marker;
  };
  std::vector<TPlacement> places;
  int labels = 0, tries = 0;
  auto place = [&](TSWFBranchField& field, std::shared_ptr<TSWFOffsetMarker> marker, int64_t target,
                   const std::string& name, bool resolve) {
    field.Marker = marker;
    auto it = index_at.find(target);
    if (it == index_at.end()) {
      marker->Name = Format("Error Size offset: %d", field.Offset);
      return;
    }
    if (marker->Name.empty()) marker->Name = name;
    places.push_back({it->second, places.size(), marker});
    // The marker now stands where the offset pointed, so writing resolves through it and
    // the list stays right when it is edited.
    if (resolve) field.OffsetIsStatic = false;
  };

  for (size_t i = 0; i < n; ++i) {
    TSWFAction* a = list[i];
    const int64_t end = start[i + 1];
    if (auto* t = dynamic_cast<TSWFActionTry*>(a)) {
      ++tries;
      auto try_end = std::make_shared<TSWFTryOffsetMarker>();
      try_end->IsBackward = false;
      place(t->TrySize, try_end, end + t->TrySize.Offset, Format("Try %d", tries), false);
      std::shared_ptr<TSWFOffsetMarker> previous = try_end;
      const int64_t catch_end = end + t->TrySize.Offset + (t->HasCatchBlock ? t->CatchSize.Offset : 0);
      if (t->HasCatchBlock) {
        auto m = std::make_shared<TSWFTryOffsetMarker>();
        m->IsBackward = false;
        m->Previous = previous;
        place(t->CatchSize, m, catch_end, Format("Catch %d", tries), false);
        previous = m;
      }
      if (t->HasFinallyBlock) {
        auto m = std::make_shared<TSWFTryOffsetMarker>();
        m->IsBackward = false;
        m->Previous = previous;
        place(t->FinallySize, m, catch_end + t->FinallySize.Offset, Format("Finally %d", tries), false);
      }
      continue;
    }
    if (a->BranchCount() != 1) continue;
    TSWFBranchField* f = a->Branch(0);
    auto m = std::make_shared<TSWFOffsetMarker>();
    // Only Jump and If (a Jump) have signed offsets, which may point back.
    const bool is_jump = dynamic_cast<const TSWFActionJump*>(a) != nullptr;
    m->IsBackward = is_jump && f->Offset < 0;
    place(*f, m, end + f->Offset, Format("label %d", ++labels), true);
  }
  // Insert from the back so earlier indices stay valid; markers at one index keep their order.
  std::stable_sort(places.begin(), places.end(), [](const TPlacement& x, const TPlacement& y) {
    return x.Index != y.Index ? x.Index > y.Index : x.Order > y.Order;
  });
  for (auto& p : places) list.Insert(p.Index, p.Marker);
}

bool ReadActions(TBitsEngine& be, TSWFActionList& List) {
  while (!be.AtEnd()) {
    const uint8_t byte = be.ReadByte("action code");
    const auto code = static_cast<TSWFActionCode>(byte);
    if (code == TSWFActionCode::End) return true;
    // A pseudo-code in a stream is no action of ours: its bytes are kept like those of any
    // unknown code.
    std::unique_ptr<TSWFAction> a = IsPseudoAction(code) ? nullptr : CreateActionObject(code);
    if (!HasActionBody(code)) {
      if (!a) a = std::make_unique<TSWFActionByteCode>(std::span<const uint8_t>(&byte, 1));
      List.Add(std::shared_ptr<TSWFAction>(std::move(a)));
      continue;
    }
    const uint16_t len = be.ReadWord("action length");
    const uint64_t body_offset = be.FileOffset();
    auto body = be.ReadSpan(len, "action body");
    auto whole = [&] { return std::make_unique<TSWFActionByteCode>(std::span<const uint8_t>(body.data() - 3, len + 3u)); };
    if (a) {
      a->Length = len;
      try {
        TBitsEngine sub(body, body_offset);
        a->ReadFromStream(sub);
        if (!sub.AtEnd()) throw FormatError("payload longer than its fields");
      } catch (const Error&) {
        a = whole();  // kept as the bytes it was read from
      }
    } else {
      a = whole();
    }
    List.Add(std::shared_ptr<TSWFAction>(std::move(a)));
  }
  return false;
}

}  // namespace

void ReadActionList(TBitsEngine& be, TSWFActionList& List) {
  ReadActions(be, List);
  ResolveTargets(List);
}

namespace {
// The markers one list write has met. They are started afresh when the write first meets
// them, and let go of when it ends, also after an error.
class TMarkersMet {
public:
  TMarkersMet() = default;
  TMarkersMet(const TMarkersMet&) = delete;
  TMarkersMet& operator=(const TMarkersMet&) = delete;
  ~TMarkersMet() {
    for (TSWFOffsetMarker* m : met_) m->MetInWrite = false;
  }
  void Meet(TSWFOffsetMarker& m) {
    if (m.MetInWrite) return;
    met_.push_back(&m);
    m.MetInWrite = true;
    m.PatchPending = false;
    m.PositionKnown = false;
    m.HasBase = false;
  }

private:
  std::vector<TSWFOffsetMarker*> met_;
};
}  // namespace

void WriteActionList(TBitsEngine& be, TSWFActionList& List) {
  // Each write is one pass over the list. A marker's state is started afresh when the pass
  // first meets it, through the marker or through its branch, so nothing from an earlier
  // write (of this list or another) carries over; the actions are not visited twice.
  TMarkersMet markers;
  // Forward branches, checked at the end: none may still wait for its target.
  std::vector<std::pair<const TSWFAction*, TSWFBranchField*>> forward;
  for (const TSWFActionList::TPtr& item : List.Items) {
    TSWFAction* a = item.get();
    const TSWFActionCode code = a->ActionCode;
    if (!HasActionBody(code)) {
      a->StartPosition = be.Position();
      be.WriteByte(static_cast<uint8_t>(code));
      continue;
    }
    if (code == TSWFActionCode::Marker) {
      markers.Meet(static_cast<TSWFOffsetMarker&>(*a));
    } else if (MayHaveBranches(code)) {
      for (size_t i = 0, n = a->BranchCount(); i < n; ++i)
        if (TSWFBranchField* f = a->Branch(i); f && f->Marker) {
          markers.Meet(*f->Marker);
          if (!f->OffsetIsStatic && !f->Marker->IsBackward) forward.emplace_back(a, f);
        }
    }
    try {
      a->WriteToStream(be);
    } catch (const ActionWriteError&) {
      throw;
    } catch (const Error& e) {
      // Tell the caller which branch: a marker patches the forward branches that reach it,
      // any other action writes its own fields.
      const TSWFAction* culprit = a;
      const TSWFOffsetMarker* marker = nullptr;
      if (code == TSWFActionCode::Marker) {
        marker = static_cast<const TSWFOffsetMarker*>(a);
        for (const auto& [branching, field] : forward)
          if (field->Marker.get() == marker) {
            culprit = branching;
            break;
          }
      } else if (MayHaveBranches(code)) {
        for (size_t i = 0, n = a->BranchCount(); i < n && !marker; ++i)
          if (TSWFBranchField* f = a->Branch(i); f && f->Marker) marker = f->Marker.get();
      }
      throw ActionWriteError(e.what(), culprit, marker);
    }
  }
  for (const auto& [a, f] : forward)
    if (f->Marker->PatchPending)
      throw Error(Format("%s: the target '%s' is not in the action list", ActionName(a->ActionCode), f->Marker->Name.c_str()));
}

void CopyActionList(const TSWFActionList& Source, TSWFActionList& Dest) {
  const size_t base = Dest.Count();
  for (const auto& a : Source) Dest.Add(std::shared_ptr<TSWFAction>(a->Clone()));
  auto copy_of = [&](const std::shared_ptr<TSWFOffsetMarker>& m) -> std::shared_ptr<TSWFOffsetMarker> {
    if (!m) return nullptr;
    const int idx = Source.IndexOf(m.get());
    if (idx >= 0) return std::dynamic_pointer_cast<TSWFOffsetMarker>(Dest.Items[base + idx]);
    // A marker not in the source list: the copy gets its own, unplaced one.
    std::shared_ptr<TSWFOffsetMarker> fresh(static_cast<TSWFOffsetMarker*>(m->Clone().release()));
    fresh->Placed = false;
    return fresh;
  };
  for (size_t i = 0; i < Source.Count(); ++i) {
    TSWFAction* src = Source[i];
    TSWFAction* dst = Dest[base + i];
    for (size_t k = 0; k < src->BranchCount(); ++k) {
      TSWFBranchField* sf = src->Branch(k);
      if (sf->Marker) dst->Branch(k)->Marker = copy_of(sf->Marker);
    }
    if (auto* st = dynamic_cast<TSWFTryOffsetMarker*>(src); st && st->Previous)
      static_cast<TSWFTryOffsetMarker*>(dst)->Previous = copy_of(st->Previous);
  }
}

size_t FindActionsEnd(TBitsEngine& be) {
  const size_t saved = be.Position();
  size_t end = 0;
  try {
    for (;;) {
      const auto code = static_cast<TSWFActionCode>(be.ReadByte("action code"));
      if (code == TSWFActionCode::End) break;
      if (HasActionBody(code)) be.Skip(be.ReadWord("action length"), "action body");
    }
    end = be.Position();
  } catch (...) {
    be.Seek(saved);
    throw;
  }
  be.Seek(saved);
  return end;
}

std::vector<std::string> DisassembleActionList(const TSWFActionList& List) {
  std::vector<std::string> lines;
  for (const auto& a : List) {
    if (a->ActionCode == TSWFActionCode::Marker) {
      lines.push_back(static_cast<const TSWFOffsetMarker&>(*a).Name + ":");
      continue;
    }
    std::string name = a->ActionCode == TSWFActionCode::ByteCode ? "raw" : ActionName(a->ActionCode);
    const std::string args = a->Describe();
    lines.push_back("  " + name + (args.empty() ? "" : " " + args));
  }
  return lines;
}

// ---------------------------------------------------------------------------------------
// DoAction and DoInitAction

void TSWFDoAction::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDoAction>(Source);
  ParseActions = s.ParseActions;
  if (!owned_) {
    owned_ = std::make_unique<TSWFActionList>();
    Actions = owned_.get();
  }
  Actions->Clear();
  CopyActionList(*s.Actions, *Actions);
}

uint8_t TSWFDoAction::MinVersion() const { return std::max<uint8_t>(3, Actions->MinVersion()); }

namespace {
void ReadActionBlock(TBitsEngine& be, TSWFActionList& list, bool parse) {
  list.Clear();
  if (parse) {
    if (!ReadActions(be, list)) throw FormatError("action block without End action");
    ResolveTargets(list);
    return;
  }
  if (be.AtEnd()) throw FormatError("action block without End action");
  auto block = be.ReadSpan(be.Remaining() - 1, "actions");
  if (be.ReadByte("End action") != 0) throw FormatError("action block without End action");
  if (!block.empty()) list.Add(std::make_shared<TSWFActionByteCode>(block));
}
}  // namespace

void TSWFDoAction::ReadFromStream(TBitsEngine& be) { ReadActionBlock(be, *Actions, ParseActions); }

void TSWFDoAction::WriteTagBody(TBitsEngine& be) {
  WriteActionList(be, *Actions);
  be.WriteByte(0);
}

std::string TSWFDoAction::Describe() const {
  size_t n = 0;
  for (const auto& a : *Actions) n += a->ActionCode != TSWFActionCode::Marker;
  return Format("%zu actions", n);
}

void TSWFDoInitAction::Assign(const TBasedSWFObject& Source) {
  TSWFDoAction::Assign(Source);
  SpriteID = AssignSource<TSWFDoInitAction>(Source).SpriteID;
}

void TSWFDoInitAction::ReadFromStream(TBitsEngine& be) {
  SpriteID = be.ReadWord("SpriteID");
  ReadActionBlock(be, *Actions, ParseActions);
}

void TSWFDoInitAction::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(SpriteID);
  TSWFDoAction::WriteTagBody(be);
}

std::string TSWFDoInitAction::Describe() const { return Format("sprite=%u ", SpriteID) + TSWFDoAction::Describe(); }

}  // namespace fc
