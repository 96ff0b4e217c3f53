#pragma once
// The action codes, each written once: the enum TSWFActionCode, the names and the kind of
// every code come from FC_SWF_ACTION_CODES. To add an action, give it a row there; an action
// without a payload also gets a row in FC_SWF_SIMPLE_ACTIONS (actions.h), which declares its
// class, and one with a payload gets a class of its own and a place in the action factory.

#include <array>
#include <cstdint>

namespace fc {

// What an action list, a reader or a writer needs to know of a code.
enum class TSWFActionKind : uint8_t {
  Unknown,    // no action of this format: read and written as raw bytes
  End,        // ends an action block; never an object of a list
  Plain,      // an action
  Branching,  // an action with branch offset fields resolved through markers
  Pseudo,     // an object of a list that is never written as a code (raw bytes, markers)
};

// X(Name, Code, Kind). The class of an action is TSWFAction<Name>; the pseudo-codes name
// TSWFActionByteCode and TSWFOffsetMarker.
#define FC_SWF_ACTION_CODES(X)                                                                      \
  X(End, 0x00, End)                                                                                 \
  X(NextFrame, 0x04, Plain) X(PreviousFrame, 0x05, Plain) X(Play, 0x06, Plain) X(Stop, 0x07, Plain) \
  X(ToggleQuality, 0x08, Plain) X(StopSounds, 0x09, Plain) X(Add, 0x0A, Plain)                      \
  X(Subtract, 0x0B, Plain) X(Multiply, 0x0C, Plain) X(Divide, 0x0D, Plain) X(Equals, 0x0E, Plain)   \
  X(Less, 0x0F, Plain) X(And, 0x10, Plain) X(Or, 0x11, Plain) X(Not, 0x12, Plain)                   \
  X(StringEquals, 0x13, Plain) X(StringLength, 0x14, Plain) X(StringExtract, 0x15, Plain)           \
  X(Pop, 0x17, Plain) X(ToInteger, 0x18, Plain) X(GetVariable, 0x1C, Plain)                         \
  X(SetVariable, 0x1D, Plain) X(SetTarget2, 0x20, Plain) X(StringAdd, 0x21, Plain)                  \
  X(GetProperty, 0x22, Plain) X(SetProperty, 0x23, Plain) X(CloneSprite, 0x24, Plain)               \
  X(RemoveSprite, 0x25, Plain) X(Trace, 0x26, Plain) X(StartDrag, 0x27, Plain)                      \
  X(EndDrag, 0x28, Plain) X(StringLess, 0x29, Plain) X(Throw, 0x2A, Plain) X(CastOp, 0x2B, Plain)   \
  X(ImplementsOp, 0x2C, Plain) X(FSCommand2, 0x2D, Plain) X(RandomNumber, 0x30, Plain)              \
  X(MBStringLength, 0x31, Plain) X(CharToAscii, 0x32, Plain) X(AsciiToChar, 0x33, Plain)            \
  X(GetTime, 0x34, Plain) X(MBStringExtract, 0x35, Plain) X(MBCharToAscii, 0x36, Plain)             \
  X(MBAsciiToChar, 0x37, Plain) X(Delete, 0x3A, Plain) X(Delete2, 0x3B, Plain)                      \
  X(DefineLocal, 0x3C, Plain) X(CallFunction, 0x3D, Plain) X(Return, 0x3E, Plain)                   \
  X(Modulo, 0x3F, Plain) X(NewObject, 0x40, Plain) X(DefineLocal2, 0x41, Plain)                     \
  X(InitArray, 0x42, Plain) X(InitObject, 0x43, Plain) X(TypeOf, 0x44, Plain)                       \
  X(TargetPath, 0x45, Plain) X(Enumerate, 0x46, Plain) X(Add2, 0x47, Plain) X(Less2, 0x48, Plain)   \
  X(Equals2, 0x49, Plain) X(ToNumber, 0x4A, Plain) X(ToString, 0x4B, Plain)                         \
  X(PushDuplicate, 0x4C, Plain) X(StackSwap, 0x4D, Plain) X(GetMember, 0x4E, Plain)                 \
  X(SetMember, 0x4F, Plain) X(Increment, 0x50, Plain) X(Decrement, 0x51, Plain)                     \
  X(CallMethod, 0x52, Plain) X(NewMethod, 0x53, Plain) X(InstanceOf, 0x54, Plain)                   \
  X(Enumerate2, 0x55, Plain) X(BitAnd, 0x60, Plain) X(BitOr, 0x61, Plain) X(BitXor, 0x62, Plain)    \
  X(BitLShift, 0x63, Plain) X(BitRShift, 0x64, Plain) X(BitURShift, 0x65, Plain)                    \
  X(StrictEquals, 0x66, Plain) X(Greater, 0x67, Plain) X(StringGreater, 0x68, Plain)                \
  X(Extends, 0x69, Plain) X(GotoFrame, 0x81, Plain) X(GetUrl, 0x83, Plain)                          \
  X(StoreRegister, 0x87, Plain) X(ConstantPool, 0x88, Plain) X(WaitForFrame, 0x8A, Plain)           \
  X(SetTarget, 0x8B, Plain) X(GoToLabel, 0x8C, Plain) X(WaitForFrame2, 0x8D, Plain)                 \
  X(DefineFunction2, 0x8E, Branching) X(Try, 0x8F, Branching) X(With, 0x94, Branching)              \
  X(Push, 0x96, Plain) X(Jump, 0x99, Branching) X(GetURL2, 0x9A, Plain)                             \
  X(DefineFunction, 0x9B, Branching) X(If, 0x9D, Branching) X(Call, 0x9E, Plain)                    \
  X(GotoFrame2, 0x9F, Plain) X(ByteCode, 0xFE, Pseudo) X(Marker, 0xFF, Pseudo)

enum class TSWFActionCode : uint8_t {
#define FC_ACTION_ENUMERATOR(Name, Code, Kind) Name = Code,
  FC_SWF_ACTION_CODES(FC_ACTION_ENUMERATOR)
#undef FC_ACTION_ENUMERATOR
};

// Codes from here on are followed by a 16-bit length and a body of that many bytes.
inline constexpr uint8_t kFirstActionWithBody = 0x80;

struct TSWFActionCodeInfo {
  const char* Name = "";  // the format's name ("GetURL2"), "" for codes of no action
  TSWFActionKind Kind = TSWFActionKind::Unknown;
};

// By code.
inline constexpr std::array<TSWFActionCodeInfo, 256> kSWFActionCodes = [] {
  std::array<TSWFActionCodeInfo, 256> table{};
#define FC_ACTION_INFO(Name, Code, Kind) table[Code] = {#Name, TSWFActionKind::Kind};
  FC_SWF_ACTION_CODES(FC_ACTION_INFO)
#undef FC_ACTION_INFO
  return table;
}();

constexpr TSWFActionKind ActionKind(TSWFActionCode code) { return kSWFActionCodes[static_cast<uint8_t>(code)].Kind; }
constexpr const char* ActionName(TSWFActionCode code) { return kSWFActionCodes[static_cast<uint8_t>(code)].Name; }
// Whether actions of this code can carry branch fields: long lists are walked without asking
// every action.
constexpr bool MayHaveBranches(TSWFActionCode code) { return ActionKind(code) == TSWFActionKind::Branching; }
constexpr bool IsPseudoAction(TSWFActionCode code) { return ActionKind(code) == TSWFActionKind::Pseudo; }
// Whether a code read from a stream, or an action's code, is followed by a length and a body.
constexpr bool HasActionBody(uint8_t code) { return code >= kFirstActionWithBody; }
constexpr bool HasActionBody(TSWFActionCode code) { return HasActionBody(static_cast<uint8_t>(code)); }

}  // namespace fc
