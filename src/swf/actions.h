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

#include "swf/bits_engine.h"
#include "swf/objects.h"

namespace fc {

class TSWFOffsetMarker;
struct TSWFBranchField;

class TSWFAction {
public:
  virtual ~TSWFAction() = default;
  uint8_t ActionCode = 0;
  uint16_t Length = 0;        // body length, set when written or before reading
  size_t StartPosition = 0;   // where the code byte was last written

  virtual void Assign(const TSWFAction& Source) { Length = Source.Length; }
  virtual uint8_t MinVersion() const { return 3; }
  // Reads the payload from an engine over exactly Length bytes.
  virtual void ReadFromStream(TBitsEngine& be) { (void)be; }
  virtual void WriteActionBody(TBitsEngine& be) { (void)be; }
  // An action list writes actions below 0x80 itself, as their code byte alone: only actions
  // with a body may override this.
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

enum : uint8_t { kActionByteCode = 254, kActionOffsetMarker = 255 };

// Whether actions of this code can carry branch fields: With, DefineFunction2, Try, Jump,
// DefineFunction and If. Long lists are walked without asking every action.
constexpr bool MayHaveBranches(uint8_t code) {
  return code == 0x94 || code == 0x8E || code == 0x8F || code == 0x99 || code == 0x9B || code == 0x9D;
}

// Raw action bytes (an unknown code, or a payload that could not be decoded), written verbatim.
class TSWFActionByteCode : public TSWFAction {
public:
  TSWFActionByteCode() { ActionCode = kActionByteCode; }
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
  TSWFOffsetMarker() { ActionCode = kActionOffsetMarker; }
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
  // The list write the three states above belong to: WriteActionList starts them afresh the
  // first time it meets the marker, through the marker itself or through its branch.
  uint64_t WritePass = 0;

  void Assign(const TSWFAction& Source) override;
  void WriteActionBody(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) override { WriteActionBody(be); }
  std::string Describe() const override { return Name; }
  // Writes the referring field (called by the branch while it writes its body).
  void WriteOffsetField(TBitsEngine& body, size_t fieldPosition);

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
  void Write(TBitsEngine& body, const TSWFAction& owner, bool isSigned, const char* name);
};

// An owning list of actions. Markers are shared with the branch that refers to them; a
// marker no list holds dies with its branch.
class TSWFActionList {
public:
  using Ptr = std::shared_ptr<TSWFAction>;
  std::vector<Ptr> Items;

  // Move-only: a copy would share actions and markers; CopyActionList makes a deep one.
  TSWFActionList() = default;
  TSWFActionList(TSWFActionList&&) = default;
  TSWFActionList& operator=(TSWFActionList&&) = default;
  TSWFActionList(const TSWFActionList&) = delete;
  TSWFActionList& operator=(const TSWFActionList&) = delete;

  ~TSWFActionList() { Clear(); }

  size_t Count() const { return Items.size(); }
  // Asks the processor to fetch the action at `index` (if any) ahead of a walk reaching it:
  // the actions of a long list lie in more memory than the caches hold, and a walk that
  // waits for each in turn is bound by memory latency.
  void Prefetch(size_t index) const {
    if (index >= Items.size()) return;
    const char* action = reinterpret_cast<const char*>(Items[index].get());
    __builtin_prefetch(action);
    // An action made by make_shared or allocate_shared has its reference counts just in
    // front of it, on this cache line or the one before.
    __builtin_prefetch(action - 32);
  }
  TSWFAction* operator[](size_t i) const { return Items[i].get(); }
  TSWFAction* Add(Ptr action) {
    // Inline: code generation adds tens of thousands of actions; only markers need more.
    if (action->ActionCode == kActionOffsetMarker) NotePlaced(action.get());
    Items.push_back(std::move(action));
    return Items.back().get();
  }
  template <typename T>
  T* Add(std::unique_ptr<T> action) {
    T* raw = action.get();
    Add(Ptr(std::move(action)));
    return raw;
  }
  void Insert(size_t index, Ptr action);
  // Frees the actions in order, fetching ahead.
  void Clear() {
    for (size_t i = 0, n = Items.size(); i < n; ++i) {
      Prefetch(i + kPrefetchDistance);
      Items[i].reset();
    }
    Items.clear();
  }
  static constexpr size_t kPrefetchDistance = 32;
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
  TSWFActionGotoFrame() { ActionCode = 0x81; }
  uint16_t Frame = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionGetUrl : public TSWFAction {
public:
  TSWFActionGetUrl() { ActionCode = 0x83; }
  std::string URL;
  std::string Target;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionWaitForFrame : public TSWFAction {
public:
  TSWFActionWaitForFrame() { ActionCode = 0x8A; }
  uint16_t Frame = 0;
  uint8_t SkipCount = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionSetTarget : public TSWFAction {
public:
  TSWFActionSetTarget() { ActionCode = 0x8B; }
  std::string TargetName;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionGoToLabel : public TSWFAction {
public:
  TSWFActionGoToLabel() { ActionCode = 0x8C; }
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

using TPushValue = std::variant<std::monostate, bool, int32_t, float, double, std::string>;

struct TPushValueInfo {
  TPushValue Value;
  uint8_t ValueType = kPushUndefined;
  bool IsValid = true;
  bool operator==(const TPushValueInfo&) const = default;
};

class TSWFActionPush : public TSWFAction4 {
public:
  // The values live in `memory`: a compiler keeps them in the arena of its actions.
  explicit TSWFActionPush(std::pmr::memory_resource* memory = std::pmr::get_default_resource()) : Values(memory) {
    ActionCode = 0x96;
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
  TSWFActionJump() { ActionCode = 0x99; }
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
  TSWFActionIf() { ActionCode = 0x9D; }
};

class TSWFActionGetURL2 : public TSWFAction4 {
public:
  TSWFActionGetURL2() { ActionCode = 0x9A; }
  bool LoadVariables = false;
  bool LoadTarget = false;
  uint8_t SendVarsMethod = 0;  // 0 none, 1 GET, 2 POST
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionGotoFrame2 : public TSWFAction4 {
public:
  TSWFActionGotoFrame2() { ActionCode = 0x9F; }
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
  TSWFActionWaitForFrame2() { ActionCode = 0x8D; }
  uint8_t SkipCount = 0;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionConstantPool : public TSWFAction5 {
public:
  TSWFActionConstantPool() { ActionCode = 0x88; }
  std::vector<std::string> ConstantPool;
  void Assign(const TSWFAction& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteActionBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFActionDefineFunction : public TSWFAction5 {
public:
  TSWFActionDefineFunction() { ActionCode = 0x9B; }
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
  TSWFActionWith() { ActionCode = 0x94; }
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
  TSWFActionStoreRegister() { ActionCode = 0x87; }
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
  TSWFActionDefineFunction2() { ActionCode = 0x8E; }
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
  TSWFActionTry() { ActionCode = 0x8F; }
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

// --- Actions without a payload: TSWFActionStop and the rest, declared from one table ---
#define FC_SWF_SIMPLE_ACTIONS(X)                                                                  \
  X(NextFrame, 0x04, TSWFAction) X(PreviousFrame, 0x05, TSWFAction) X(Play, 0x06, TSWFAction)     \
  X(Stop, 0x07, TSWFAction) X(ToggleQuality, 0x08, TSWFAction) X(StopSounds, 0x09, TSWFAction)    \
  X(Pop, 0x17, TSWFAction4) X(Add, 0x0A, TSWFAction4) X(Subtract, 0x0B, TSWFAction4)              \
  X(Multiply, 0x0C, TSWFAction4) X(Divide, 0x0D, TSWFAction4) X(Equals, 0x0E, TSWFAction4)        \
  X(Less, 0x0F, TSWFAction4) X(And, 0x10, TSWFAction4) X(Or, 0x11, TSWFAction4)                   \
  X(Not, 0x12, TSWFAction4) X(StringEquals, 0x13, TSWFAction4) X(StringLength, 0x14, TSWFAction4) \
  X(StringExtract, 0x15, TSWFAction4) X(ToInteger, 0x18, TSWFAction4)                             \
  X(StringAdd, 0x21, TSWFAction4) X(StringLess, 0x29, TSWFAction4)                                \
  X(MBStringLength, 0x31, TSWFAction4) X(CharToAscii, 0x32, TSWFAction4)                          \
  X(AsciiToChar, 0x33, TSWFAction4) X(MBStringExtract, 0x35, TSWFAction4)                         \
  X(MBCharToAscii, 0x36, TSWFAction4) X(MBAsciiToChar, 0x37, TSWFAction4)                         \
  X(Call, 0x9E, TSWFAction4) X(GetVariable, 0x1C, TSWFAction4) X(SetVariable, 0x1D, TSWFAction4)  \
  X(SetTarget2, 0x20, TSWFAction4) X(GetProperty, 0x22, TSWFAction4)                              \
  X(SetProperty, 0x23, TSWFAction4) X(CloneSprite, 0x24, TSWFAction4)                             \
  X(RemoveSprite, 0x25, TSWFAction4) X(StartDrag, 0x27, TSWFAction4) X(EndDrag, 0x28, TSWFAction4) \
  X(Trace, 0x26, TSWFAction4) X(GetTime, 0x34, TSWFAction4) X(RandomNumber, 0x30, TSWFAction4)    \
  X(FSCommand2, 0x2D, TSWFAction4)                                                                \
  X(CallFunction, 0x3D, TSWFAction5) X(CallMethod, 0x52, TSWFAction5)                             \
  X(DefineLocal, 0x3C, TSWFAction5) X(DefineLocal2, 0x41, TSWFAction5) X(Delete, 0x3A, TSWFAction5) \
  X(Delete2, 0x3B, TSWFAction5) X(Enumerate, 0x46, TSWFAction5) X(Equals2, 0x49, TSWFAction5)     \
  X(GetMember, 0x4E, TSWFAction5) X(InitArray, 0x42, TSWFAction5) X(InitObject, 0x43, TSWFAction5) \
  X(NewMethod, 0x53, TSWFAction5) X(NewObject, 0x40, TSWFAction5) X(SetMember, 0x4F, TSWFAction5) \
  X(TargetPath, 0x45, TSWFAction5) X(ToNumber, 0x4A, TSWFAction5) X(ToString, 0x4B, TSWFAction5)  \
  X(TypeOf, 0x44, TSWFAction5) X(Add2, 0x47, TSWFAction5) X(Less2, 0x48, TSWFAction5)             \
  X(Modulo, 0x3F, TSWFAction5) X(BitAnd, 0x60, TSWFAction5) X(BitLShift, 0x63, TSWFAction5)       \
  X(BitOr, 0x61, TSWFAction5) X(BitRShift, 0x64, TSWFAction5) X(BitURShift, 0x65, TSWFAction5)    \
  X(BitXor, 0x62, TSWFAction5) X(Decrement, 0x51, TSWFAction5) X(Increment, 0x50, TSWFAction5)    \
  X(PushDuplicate, 0x4C, TSWFAction5) X(Return, 0x3E, TSWFAction5) X(StackSwap, 0x4D, TSWFAction5) \
  X(InstanceOf, 0x54, TSWFAction6) X(Enumerate2, 0x55, TSWFAction6)                               \
  X(StrictEquals, 0x66, TSWFAction6) X(Greater, 0x67, TSWFAction6)                                \
  X(StringGreater, 0x68, TSWFAction6)                                                             \
  X(Extends, 0x69, TSWFAction7) X(CastOp, 0x2B, TSWFAction7) X(ImplementsOp, 0x2C, TSWFAction7)   \
  X(Throw, 0x2A, TSWFAction7)

#define FC_DECLARE_SIMPLE_ACTION(Name, Code, Base) \
  class TSWFAction##Name : public Base {           \
  public:                                          \
    TSWFAction##Name() { ActionCode = Code; }      \
  };
FC_SWF_SIMPLE_ACTIONS(FC_DECLARE_SIMPLE_ACTION)
#undef FC_DECLARE_SIMPLE_ACTION

// --- Functions over actions ---

// The class for an action code; 254 and 255 give the pseudo-actions; others give null.
std::unique_ptr<TSWFAction> CreateActionObject(uint8_t Code);
// The format's name of an action code ("GetURL2"), "" when unknown.
const char* ActionName(uint8_t Code);
// Bytes the action occupies: 1 below 0x80, Length + 3 otherwise, 0 for markers.
uint32_t GetFullSize(const TSWFAction& a);

// Decodes actions until an End action (consumed, not stored) or the end of `be`. An action
// whose payload cannot be decoded, or is only partly decoded, is kept as raw bytes; a record
// length running past the end throws FormatError. Branch targets get markers.
void ReadActionList(TBitsEngine& be, TSWFActionList& List);
// Writes the actions (no End action). Throws when a branch's forward marker is not in the list.
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
  TSWFDoAction() : owned_(std::make_unique<TSWFActionList>()), Actions(owned_.get()) { TagID = 12; }
  // Uses `list` without owning it.
  explicit TSWFDoAction(TSWFActionList* list) : Actions(list) { TagID = 12; }

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
  TSWFDoInitAction() { TagID = 59; }
  uint16_t SpriteID = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 6; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(SpriteID); }
  std::string Describe() const override;
};

}  // namespace fc
