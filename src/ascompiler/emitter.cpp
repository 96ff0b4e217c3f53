#include "ascompiler/emitter.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "ascompiler/errors.h"
#include "core/text.h"

namespace fc {
namespace {

// A Push body, like every action body, has a 16-bit length: a longer run starts a new Push.
constexpr size_t kMaxPushBytes = 65535;
// The pool action's body: a 16-bit count and the zero-terminated texts.
constexpr size_t kMaxPoolBytes = 65535;
constexpr int kMaxPoolCount = 65535;

// Constant indexes from here on take two bytes.
constexpr int kFirstWideConstant = 256;

// By code: how to append each action without a payload.
using TEmitByCode = void (*)(TActionEmitter&);
constexpr std::array<TEmitByCode, 256> kEmitByCode = [] {
  std::array<TEmitByCode, 256> table{};
#define FC_EMIT_BY_CODE(Name, Base) \
  table[static_cast<uint8_t>(TSWFActionCode::Name)] = [](TActionEmitter& emit) { emit.Emit<TSWFAction##Name>(); };
  FC_SWF_SIMPLE_ACTIONS(FC_EMIT_BY_CODE)
#undef FC_EMIT_BY_CODE
  return table;
}();

}  // namespace

void TActionEmitter::Emit(TSWFActionCode code) {
  const TEmitByCode emit = kEmitByCode[static_cast<uint8_t>(code)];
  if (!emit) throw EActionCompileError("Unknown action command.");
  emit(*this);
}

void TActionEmitter::SetList(TSWFActionList& list) {
  list_ = &list;
  push_bytes_ = kMaxPushBytes;
}

// Appends a value of the given type to the current Push, or to a new one when it would pass
// the size limit; `extra_bytes` is what the value adds beyond its type (a string's text).
TPushValueInfo& TActionEmitter::NewValue(uint8_t type, size_t extra_bytes) {
  const size_t bytes = PushValueBytes(type) + extra_bytes;
  TSWFActionPush* push = nullptr;
  if (!list_->Items.empty() && list_->Items.back()->ActionCode == TSWFActionCode::Push)
    push = static_cast<TSWFActionPush*>(list_->Items.back().get());
  if (!push || push_bytes_ + bytes > kMaxPushBytes) {
    // The values go into the arena too: a malloc each would cost as much as the Push.
    auto action = New<TSWFActionPush>(&arena_->Memory());
    push = action.get();
    list_->Add(std::move(action));
    push->Values.reserve(2);  // most pushes carry one or two values
    push_bytes_ = 0;
  }
  push_bytes_ += bytes;
  TPushValueInfo& value = push->Values.emplace_back();
  value.ValueType = type;
  return value;
}

void TActionEmitter::PushConstant(TStrId id) {
  if (StringPushesOnly) return PushString(strings_.Text(id));
  int index = pool_->Find(id);
  if (index < 0) {
    const std::string& text = strings_.Text(id);
    if (pool_->Count() >= kMaxPoolCount || pool_bytes_ + text.size() + 1 > kMaxPoolBytes) {
      PushString(text);
      return;
    }
    index = pool_->IndexOf(id);
    pool_bytes_ += text.size() + 1;
  }
  const uint8_t type = index < kFirstWideConstant ? kPushConstant8 : kPushConstant16;
  NewValue(type).Value = static_cast<int32_t>(index);
}

void TActionEmitter::PushString(const std::string& text) {
  NewValue(kPushString, text.size()).Value = text;
}

void TActionEmitter::PushInteger(int32_t value) {
  if (StringPushesOnly) return PushString(std::to_string(value));
  NewValue(kPushInteger).Value = value;
}

bool PushesAsInteger(double value) {
  return std::isfinite(value) && value == std::trunc(value) && value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max() && !(value == 0 && std::signbit(value));
}

void TActionEmitter::PushNumber(double value) {
  if (StringPushesOnly) return PushString(FormatDouble(value));
  if (PushesAsInteger(value)) {
    PushInteger(static_cast<int32_t>(value));
    return;
  }
  NewValue(kPushDouble).Value = value;
}

void TActionEmitter::PushBoolean(bool value) {
  if (StringPushesOnly) return PushString(value ? "1" : "0");
  NewValue(kPushBoolean).Value = value;
}

void TActionEmitter::PushNull() {
  if (StringPushesOnly) return PushString("");
  NewValue(kPushNull);
}

void TActionEmitter::PushUndefined() {
  if (StringPushesOnly) return PushString("");
  NewValue(kPushUndefined);
}

void TActionEmitter::PushRegister(int n) {
  NewValue(kPushRegister).Value = static_cast<int32_t>(n);
}

void TActionEmitter::StoreRegister(int n) { Emit<TSWFActionStoreRegister>()->RegisterNumber = static_cast<uint8_t>(n); }

std::shared_ptr<TSWFOffsetMarker> TActionEmitter::NewMarker(TMarkerDirection direction) {
  auto marker = NewIn<TSWFOffsetMarker>(markers_);
  marker->IsBackward = direction == TMarkerDirection::Backward;
  return marker;
}

void TActionEmitter::Jump(const std::shared_ptr<TSWFOffsetMarker>& target) { Emit<TSWFActionJump>()->Target.Marker = target; }

void TActionEmitter::If(const std::shared_ptr<TSWFOffsetMarker>& target) { Emit<TSWFActionIf>()->Target.Marker = target; }

}  // namespace fc
