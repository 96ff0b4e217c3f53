#pragma once
// AVM1 action records as objects, action lists with offset markers, and the DoAction and
// DoInitAction tags.
//
// Branches (Jump, If, With, DefineFunction, DefineFunction2, Try) either carry a static
// numeric offset or point at a TSWFOffsetMarker placed in the same list; marker offsets are
// resolved every time the list is written, so a list can be edited and written again.
// A value that does not fit its 16-bit field is never written wrapped: writing throws an
// fc::Error that names the field.

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "swf/action_codes.h"
#include "swf/bits_engine.h"
#include "swf/objects.h"

namespace fc {

class TSWFOffsetMarker;
struct TSWFBranchField;

class TSWFAction {
public:
  virtual ~TSWFAction() = default;
  TSWFActionCode ActionCode = TSWFActionCode::End;
  uint16_t Length = 0;        // body length, set when written or before reading
  size_t StartPosition = 0;   // where the code byte was last written

  virtual void Assign(const TSWFAction& Source) { Length = Source.Length; }
  virtual uint8_t MinVersion() const { return 3; }
  // Reads the payload from an engine over exactly Length bytes.
  virtual void ReadFromStream(TBitsEngine& be) { (void)be; }
  virtual void WriteActionBody(TBitsEngine& be) { (void)be; }
  // An action list writes actions without a body itself, as their code byte alone: only
  // actions with a body may override this.
  virtual void WriteToStream(TBitsEngine& be);
  // The operands for the disassembly ("" for none).
  virtual std::string Describe() const { return {}; }
  // Branch offset fields (Try has three). Only the codes of MayHaveBranches have any.
  virtual size_t BranchCount() const { return 0; }
  virtual TSWFBranchField* Branch(size_t i) { (void)i; return nullptr; }

  std::unique_ptr<TSWFAction> Clone() const;
};

// The groups of the SWF version that introduced an action.
class TSWFAction4 : public TSWFAction { public: uint8_t MinVersion() const override { return 4; } };
class TSWFAction5 : public TSWFAction { public: uint8_t MinVersion() const override { return 5; } };
class TSWFAction6 : public TSWFAction { public: uint8_t MinVersion() const override { return 6; } };
class TSWFAction7 : public TSWFAction { public: uint8_t MinVersion() const override { return 7; } };

// Raw action bytes (an unknown code, or a payload that could not be decoded), written verbatim.
class TSWFActionByteCode : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::ByteCode;
  TSWFActionByteCode() { ActionCode = kCode; }
  explicit TSWFActionByteCode(std::span<const uint8_t> bytes) : TSWFActionByteCode() { Data.assign(bytes.begin(), bytes.end()); }
  std::vector<uint8_t> Data;
  bool OwnsData = true;
  int32_t DataSize() const { return static_cast<int32_t>(Data.size()); }
  void Assign(const TSWFAction& Source) override;
  void WriteActionBody(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
};

// A branch target. It emits no bytes; writing it resolves the branch that refers to it.
class TSWFOffsetMarker : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::Marker;
  TSWFOffsetMarker() { ActionCode = kCode; }
  bool Placed = false;
  bool IsBackward = true;   // written before its branch
  bool Enabled = true;
  std::string Name;
  size_t FieldPosition = 0;  // of the referring offset field
  uint8_t FieldSize = 2;     // 2 or 4
  size_t SavedPosition = 0;
  // Set by the branch: how the field is checked, and where its offset counts from when that
  // is not the end of the field (the Try block sizes).
  bool FieldSigned = true;
  const char* FieldName = "branch offset";
  bool HasBase = false;
  size_t BasePosition = 0;
  bool PatchPending = false;     // a forward placeholder waits for this marker
  bool PositionKnown = false;    // a backward marker was written in this pass
  size_t WrittenPosition = 0;    // where it was last written
  // Set while a list write that met the marker is under way: WriteActionList starts the three
  // states above afresh the first time it meets the marker, through the marker itself or
  // through its branch, and clears this when it ends.
  bool MetInWrite = false;

  void Assign(const TSWFAction& Source) override;
  void WriteActionBody(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override { WriteActionBody(be); }
  std::string Describe() const override { return Name; }
  // Writes the referring field (called by the branch while it writes its body).
  void WriteOffsetField(TBitsEngine& body, size_t field_position);

protected:
  // The marker ending the block before this one when the size counts from there.
  virtual const TSWFOffsetMarker* PreviousBlockEnd() const { return nullptr; }
};

// The end of a Try block; Previous is the marker that ends the block before it.
class TSWFTryOffsetMarker : public TSWFOffsetMarker {
public:
  std::shared_ptr<TSWFOffsetMarker> Previous;

protected:
  const TSWFOffsetMarker* PreviousBlockEnd() const override { return Previous.get(); }
};

// One branch offset field.
struct TSWFBranchField {
  int32_t Offset = 0;           // numeric value (signed for Jump/If, size for the others)
  bool OffsetIsStatic = false;  // the number is authoritative
  std::shared_ptr<TSWFOffsetMarker> Marker;

  void SetOffset(int32_t v) { Offset = v; OffsetIsStatic = true; }
  // The marker, created on first request (a backward marker, as after construction).
  std::shared_ptr<TSWFOffsetMarker> GetMarker();
  void Write(TBitsEngine& body, const TSWFAction& owner, bool is_signed, const char* name);
};

// An owning list of actions. Markers are shared with the branch that refers to them; a
// marker no list holds dies with its branch.
class TSWFActionList {
public:
  using TPtr = std::shared_ptr<TSWFAction>;
  std::vector<TPtr> Items;

  // Move-only: a copy would share actions and markers; CopyActionList makes a deep one.
  TSWFActionList() = default;
  TSWFActionList(TSWFActionList&&) = default;
  TSWFActionList& operator=(TSWFActionList&&) = default;
  TSWFActionList(const TSWFActionList&) = delete;
  TSWFActionList& operator=(const TSWFActionList&) = delete;

  ~TSWFActionList() { Clear(); }

  size_t Count() const { return Items.size(); }
  TSWFAction* operator[](size_t i) const { return Items[i].get(); }
  TSWFAction* Add(TPtr action) {
    // Inline: code generation adds tens of thousands of actions; only markers need more.
    if (action->ActionCode == TSWFActionCode::Marker) NotePlaced(action.get());
    Items.push_back(std::move(action));
    return Items.back().get();
  }
  template <typename T>
  T* Add(std::unique_ptr<T> action) {
    T* raw = action.get();
    Add(TPtr(std::move(action)));
    return raw;
  }
  void Insert(size_t index, TPtr action);
  void Clear() { Items.clear(); }
  auto begin() const { return Items.begin(); }
  auto end() const { return Items.end(); }
  int IndexOf(const TSWFAction* a) const;
  // The highest MinVersion of the actions (3 for none).
  uint8_t MinVersion() const;

private:
  // Marks a marker as placed in a list.
  static void NotePlaced(TSWFAction* action);
};

// --- Actions with a payload ---

class TSWFActionGotoFrame : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::GotoFrame;
  TSWFActionGotoFrame() { ActionCode = kCode; }
  uint16_t Frame = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionGetUrl : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::GetUrl;
  TSWFActionGetUrl() { ActionCode = kCode; }
  std::string URL;
  std::string Target;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionWaitForFrame : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::WaitForFrame;
  TSWFActionWaitForFrame() { ActionCode = kCode; }
  uint16_t Frame = 0;
  uint8_t SkipCount = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionSetTarget : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::SetTarget;
  TSWFActionSetTarget() { ActionCode = kCode; }
  std::string TargetName;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionGoToLabel : public TSWFAction {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::GoToLabel;
  TSWFActionGoToLabel() { ActionCode = kCode; }
  std::string Label;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

// Push value types.
enum : uint8_t {
  kPushString = 0, kPushFloat = 1, kPushNull = 2, kPushUndefined = 3, kPushRegister = 4,
  kPushBoolean = 5, kPushDouble = 6, kPushInteger = 7, kPushConstant8 = 8, kPushConstant16 = 9,
  kPushKeepType = 10,
};

// The bytes a value of a Push type takes in a Push body, its type byte included; a string
// adds its text.
constexpr size_t PushValueBytes(uint8_t type) {
  switch (type) {
    case kPushString: return 2;  // the type and the terminating zero
    case kPushFloat: return 5;
    case kPushRegister:
    case kPushBoolean:
    case kPushConstant8: return 2;
    case kPushDouble: return 9;
    case kPushInteger: return 5;
    case kPushConstant16: return 3;
    default: return 1;
  }
}

using TPushValue = std::variant<std::monostate, bool, int32_t, float, double, std::string>;

struct TPushValueInfo {
  TPushValue Value;
  uint8_t ValueType = kPushUndefined;
  bool IsValid = true;
  bool operator==(const TPushValueInfo&) const = default;
};

class TSWFActionPush : public TSWFAction4 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::Push;
  // The values live in `memory`: a maker of many actions can keep them in memory of its own.
  explicit TSWFActionPush(std::pmr::memory_resource* memory = std::pmr::get_default_resource()) : Values(memory) {
    ActionCode = kCode;
  }
  std::pmr::vector<TPushValueInfo> Values;

  void AddValue(const std::string& v);  // "FlashVar_undefined" and "FlashVar_null" are special
  void AddValue(const char* v) { AddValue(std::string(v)); }
  void AddValue(int32_t v);
  void AddValue(float v);
  void AddValue(double v);
  void AddValue(bool v);
  void AddNull();
  void AddUndefined();
  void AddInvalid();  // a value of a type Push cannot carry; it is not written
  // Overrides a value's type (register 4, boolean 5, constants 8 and 9); 10 keeps it.
  void SetValueType(size_t Index, uint8_t Type);

  void Assign(const TSWFAction& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionJump : public TSWFAction4 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::Jump;
  TSWFActionJump() { ActionCode = kCode; }
  TSWFBranchField Target;
  int32_t BranchOffset() const { return Target.Offset; }
  void SetBranchOffset(int16_t v) { Target.SetOffset(v); }
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  size_t BranchCount() const override { return 1; }
  TSWFBranchField* Branch(size_t) override { return &Target; }
};

class TSWFActionIf : public TSWFActionJump {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::If;
  TSWFActionIf() { ActionCode = kCode; }
};

// GetURL2's SendVarsMethod.
inline constexpr uint8_t kSendVarsNone = 0;
inline constexpr uint8_t kSendVarsGet = 1;
inline constexpr uint8_t kSendVarsPost = 2;

class TSWFActionGetURL2 : public TSWFAction4 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::GetURL2;
  TSWFActionGetURL2() { ActionCode = kCode; }
  bool LoadVariables = false;
  bool LoadTarget = false;
  uint8_t SendVarsMethod = kSendVarsNone;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionGotoFrame2 : public TSWFAction4 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::GotoFrame2;
  TSWFActionGotoFrame2() { ActionCode = kCode; }
  bool Play = false;
  bool SceneBiasFlag = false;
  uint16_t SceneBias = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

// WaitForFrame2: the frame comes from the stack; the payload is the skip count.
class TSWFActionWaitForFrame2 : public TSWFAction4 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::WaitForFrame2;
  TSWFActionWaitForFrame2() { ActionCode = kCode; }
  uint8_t SkipCount = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionConstantPool : public TSWFAction5 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::ConstantPool;
  TSWFActionConstantPool() { ActionCode = kCode; }
  std::vector<std::string> ConstantPool;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionDefineFunction : public TSWFAction5 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::DefineFunction;
  TSWFActionDefineFunction() { ActionCode = kCode; }
  std::string Name;
  std::vector<std::string> Params;
  TSWFBranchField CodeSize;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  size_t BranchCount() const override { return 1; }
  TSWFBranchField* Branch(size_t) override { return &CodeSize; }
};

class TSWFActionWith : public TSWFAction5 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::With;
  TSWFActionWith() { ActionCode = kCode; }
  TSWFBranchField Size;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  size_t BranchCount() const override { return 1; }
  TSWFBranchField* Branch(size_t) override { return &Size; }
};

class TSWFActionStoreRegister : public TSWFAction5 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::StoreRegister;
  TSWFActionStoreRegister() { ActionCode = kCode; }
  uint8_t RegisterNumber = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

struct TSWFFunctionParam {
  std::string Name;
  uint8_t Register = 0;
  bool operator==(const TSWFFunctionParam&) const = default;
};

class TSWFActionDefineFunction2 : public TSWFAction7 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::DefineFunction2;
  TSWFActionDefineFunction2() { ActionCode = kCode; }
  std::string Name;
  uint8_t RegisterCount = 0;
  bool PreloadParent = false, PreloadRoot = false, SuppressSuper = false, PreloadSuper = false;
  bool SuppressArguments = false, PreloadArguments = false, SuppressThis = false, PreloadThis = false;
  bool PreloadGlobal = false;
  std::vector<TSWFFunctionParam> Params;
  TSWFBranchField CodeSize;

  void AddParam(const std::string& name, uint8_t reg) { Params.push_back({name, reg}); }
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
  size_t BranchCount() const override { return 1; }
  TSWFBranchField* Branch(size_t) override { return &CodeSize; }
};

// Try: TrySize counts from the end of the action, CatchSize from the end of the try block,
// FinallySize from the end of the block before it.
class TSWFActionTry : public TSWFAction7 {
public:
  static constexpr TSWFActionCode kCode = TSWFActionCode::Try;
  TSWFActionTry() { ActionCode = kCode; }
  bool CatchInRegister = false;
  bool HasCatchBlock = false;
  bool HasFinallyBlock = false;
  uint8_t ReservedFlags = 0;  // the five high bits, kept as read
  TSWFBranchField TrySize, CatchSize, FinallySize;
  uint8_t CatchRegister = 0;
  std::string CatchName;

  // Gives the sizes forward markers that end the try, catch and finally blocks (catch and
  // finally only when present), each counting from the end of the block before it. Place
  // them in the list where the blocks end.
  void CreateMarkers();

  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override;
  std::string Describe() const override;
  size_t BranchCount() const override { return 3; }
  TSWFBranchField* Branch(size_t i) override { return i == 0 ? &TrySize : i == 1 ? &CatchSize : &FinallySize; }
};

// --- Actions without a payload: TSWFActionStop and the rest, declared from one list ---
// X(Name, Base): Base is the class of the SWF version that brought the action; its code is
// TSWFActionCode::Name.
#define FC_SWF_SIMPLE_ACTIONS(X)                                                                \
  X(NextFrame, TSWFAction) X(PreviousFrame, TSWFAction) X(Play, TSWFAction) X(Stop, TSWFAction) \
  X(ToggleQuality, TSWFAction) X(StopSounds, TSWFAction)                                        \
  X(Pop, TSWFAction4) X(Add, TSWFAction4) X(Subtract, TSWFAction4) X(Multiply, TSWFAction4)     \
  X(Divide, TSWFAction4) X(Equals, TSWFAction4) X(Less, TSWFAction4) X(And, TSWFAction4)        \
  X(Or, TSWFAction4) X(Not, TSWFAction4) X(StringEquals, TSWFAction4)                           \
  X(StringLength, TSWFAction4) X(StringExtract, TSWFAction4) X(ToInteger, TSWFAction4)          \
  X(StringAdd, TSWFAction4) X(StringLess, TSWFAction4) X(MBStringLength, TSWFAction4)           \
  X(CharToAscii, TSWFAction4) X(AsciiToChar, TSWFAction4) X(MBStringExtract, TSWFAction4)       \
  X(MBCharToAscii, TSWFAction4) X(MBAsciiToChar, TSWFAction4) X(Call, TSWFAction4)              \
  X(GetVariable, TSWFAction4) X(SetVariable, TSWFAction4) X(SetTarget2, TSWFAction4)            \
  X(GetProperty, TSWFAction4) X(SetProperty, TSWFAction4) X(CloneSprite, TSWFAction4)           \
  X(RemoveSprite, TSWFAction4) X(StartDrag, TSWFAction4) X(EndDrag, TSWFAction4)                \
  X(Trace, TSWFAction4) X(GetTime, TSWFAction4) X(RandomNumber, TSWFAction4)                    \
  X(FSCommand2, TSWFAction4)                                                                    \
  X(CallFunction, TSWFAction5) X(CallMethod, TSWFAction5) X(DefineLocal, TSWFAction5)           \
  X(DefineLocal2, TSWFAction5) X(Delete, TSWFAction5) X(Delete2, TSWFAction5)                   \
  X(Enumerate, TSWFAction5) X(Equals2, TSWFAction5) X(GetMember, TSWFAction5)                   \
  X(InitArray, TSWFAction5) X(InitObject, TSWFAction5) X(NewMethod, TSWFAction5)                \
  X(NewObject, TSWFAction5) X(SetMember, TSWFAction5) X(TargetPath, TSWFAction5)                \
  X(ToNumber, TSWFAction5) X(ToString, TSWFAction5) X(TypeOf, TSWFAction5) X(Add2, TSWFAction5) \
  X(Less2, TSWFAction5) X(Modulo, TSWFAction5) X(BitAnd, TSWFAction5) X(BitLShift, TSWFAction5) \
  X(BitOr, TSWFAction5) X(BitRShift, TSWFAction5) X(BitURShift, TSWFAction5)                    \
  X(BitXor, TSWFAction5) X(Decrement, TSWFAction5) X(Increment, TSWFAction5)                    \
  X(PushDuplicate, TSWFAction5) X(Return, TSWFAction5) X(StackSwap, TSWFAction5)                \
  X(InstanceOf, TSWFAction6) X(Enumerate2, TSWFAction6) X(StrictEquals, TSWFAction6)            \
  X(Greater, TSWFAction6) X(StringGreater, TSWFAction6)                                         \
  X(Extends, TSWFAction7) X(CastOp, TSWFAction7) X(ImplementsOp, TSWFAction7)                   \
  X(Throw, TSWFAction7)

#define FC_DECLARE_SIMPLE_ACTION(Name, Base)                      \
  class TSWFAction##Name : public Base {                          \
  public:                                                         \
    static constexpr TSWFActionCode kCode = TSWFActionCode::Name; \
    TSWFAction##Name() { ActionCode = kCode; }                    \
  };
FC_SWF_SIMPLE_ACTIONS(FC_DECLARE_SIMPLE_ACTION)
#undef FC_DECLARE_SIMPLE_ACTION

// Whether the action of a code carries no payload: its class is declared from the list above.
constexpr bool IsSimpleAction(TSWFActionCode code) {
  switch (code) {
#define FC_SIMPLE_ACTION_CASE(Name, Base) case TSWFActionCode::Name:
    FC_SWF_SIMPLE_ACTIONS(FC_SIMPLE_ACTION_CASE)
#undef FC_SIMPLE_ACTION_CASE
    return true;
    default:
      return false;
  }
}

// --- Functions over actions ---

// The object for an action code: its action class, or the pseudo-action of a pseudo-code;
// null for the End code and for codes of no action.
std::unique_ptr<TSWFAction> CreateActionObject(TSWFActionCode Code);
std::unique_ptr<TSWFAction> CreateActionObject(uint8_t Code);
// Bytes the action occupies: 1 without a body, Length + 3 with one, 0 for markers.
uint32_t GetFullSize(const TSWFAction& a);

// Decodes actions until an End action (consumed, not stored) or the end of `be`. An action
// whose payload cannot be decoded, or is only partly decoded, is kept as raw bytes; a record
// length running past the end throws FormatError. Branch targets get markers.
void ReadActionList(TBitsEngine& be, TSWFActionList& List);
// A value of an action that does not fit its field, found while writing a list: the action
// being written and, for a branch, offset or size, the marker it reaches to.
class ActionWriteError : public Error {
public:
  ActionWriteError(const std::string& message, const TSWFAction* action, const TSWFOffsetMarker* marker)
      : Error(message), Action(action), Marker(marker) {}
  const TSWFAction* Action;
  const TSWFOffsetMarker* Marker;  // or null
};

// Writes the actions (no End action). Throws when a branch's forward marker is not in the
// list, and ActionWriteError when a value does not fit its field.
void WriteActionList(TBitsEngine& be, TSWFActionList& List);
// A deep copy; copied branches point at the copies of their markers, and a branch whose
// marker is not in the source list gets a fresh, unplaced marker.
void CopyActionList(const TSWFActionList& Source, TSWFActionList& Dest);
// The position just after the next End action, from the current position; the position is
// restored. Throws FormatError when the bytes end first.
size_t FindActionsEnd(TBitsEngine& be);
// One line per action, markers as "label:" lines, branches naming their targets.
std::vector<std::string> DisassembleActionList(const TSWFActionList& List);

// --- Tags ---

class TSWFDoAction : public TSWFObject {
public:
  TSWFDoAction() : owned_(std::make_unique<TSWFActionList>()), Actions(owned_.get()) { SetCode(TSWFTagCode::DoAction); }
  // Uses `list` without owning it.
  explicit TSWFDoAction(TSWFActionList* list) : Actions(list) { SetCode(TSWFTagCode::DoAction); }

  bool ParseActions = true;
  bool OwnsActions() const { return owned_ != nullptr; }

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void PrepareRead(const TSWFReadContext& ctx) override { ParseActions = ctx.ParseActions; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachActionList(const TActionListVisitor& visit) override { visit("actions", *Actions); }
  std::string Describe() const override;

private:
  std::unique_ptr<TSWFActionList> owned_;

public:
  TSWFActionList* Actions;
};

class TSWFDoInitAction : public TSWFDoAction {
public:
  TSWFDoInitAction() { SetCode(TSWFTagCode::DoInitAction); }
  uint16_t SpriteID = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 6; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(SpriteID); }
  std::string Describe() const override;
};

}  // namespace fc
