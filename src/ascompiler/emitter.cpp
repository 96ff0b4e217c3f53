#include "ascompiler/emitter.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "ascompiler/errors.h"

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

TPushValueInfo& TActionEmitter::NewValue(size_t bytes) {
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
  push->Values.emplace_back();
  return push->Values.back();
}

void TActionEmitter::PushConstant(TStrId id) {
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
  TPushValueInfo& v = NewValue(PushValueBytes(type));
  v.Value = static_cast<int32_t>(index);
  v.ValueType = type;
}

void TActionEmitter::PushString(const std::string& text) {
  TPushValueInfo& v = NewValue(PushValueBytes(kPushString) + text.size());
  v.Value = text;
  v.ValueType = kPushString;
}

void TActionEmitter::PushInteger(int32_t value) {
  TPushValueInfo& v = NewValue(PushValueBytes(kPushInteger));
  v.Value = value;
  v.ValueType = kPushInteger;
}

bool PushesAsInteger(double value) {
  return std::isfinite(value) && value == std::trunc(value) && value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max() && !(value == 0 && std::signbit(value));
}

void TActionEmitter::PushNumber(double value) {
  if (PushesAsInteger(value)) {
    PushInteger(static_cast<int32_t>(value));
    return;
  }
  TPushValueInfo& v = NewValue(PushValueBytes(kPushDouble));
  v.Value = value;
  v.ValueType = kPushDouble;
}

void TActionEmitter::PushBoolean(bool value) {
  TPushValueInfo& v = NewValue(PushValueBytes(kPushBoolean));
  v.Value = value;
  v.ValueType = kPushBoolean;
}

void TActionEmitter::PushNull() {
  TPushValueInfo& v = NewValue(PushValueBytes(kPushNull));
  v.ValueType = kPushNull;
}

void TActionEmitter::PushUndefined() {
  TPushValueInfo& v = NewValue(PushValueBytes(kPushUndefined));
  v.ValueType = kPushUndefined;
}

void TActionEmitter::PushRegister(int n) {
  TPushValueInfo& v = NewValue(PushValueBytes(kPushRegister));
  v.Value = static_cast<int32_t>(n);
  v.ValueType = kPushRegister;
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
