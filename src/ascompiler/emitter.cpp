#include "ascompiler/emitter.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <mutex>
#include <new>

namespace fc {
namespace {

// A Push body, like every action body, has a 16-bit length: a longer run starts a new Push.
constexpr size_t kMaxPushBytes = 65535;
// The pool action's body: a 16-bit count and the zero-terminated texts.
constexpr size_t kMaxPoolBytes = 65535;
constexpr int kMaxPoolCount = 65535;

// Arena blocks kept between compilations: up to 16 MiB, more than a 10,000-line script
// takes. Constant-initialised, so it outlives every arena, also those of static objects.
struct TBlockStock {
  static constexpr size_t kMaxBlocks = 256;
  std::mutex mutex;
  std::vector<std::unique_ptr<std::byte[]>> blocks;
};
constinit TBlockStock stock;

std::unique_ptr<std::byte[]> TakeBlock() {
  {
    std::lock_guard<std::mutex> lock(stock.mutex);
    if (!stock.blocks.empty()) {
      std::unique_ptr<std::byte[]> block = std::move(stock.blocks.back());
      stock.blocks.pop_back();
      return block;
    }
  }
  return std::make_unique_for_overwrite<std::byte[]>(TActionArena::kBlockSize);
}

}  // namespace

TActionArena::~TActionArena() {
  std::lock_guard<std::mutex> lock(stock.mutex);
  for (auto& block : blocks_) {
    if (stock.blocks.size() >= TBlockStock::kMaxBlocks) break;  // the rest goes to the heap
    stock.blocks.push_back(std::move(block));
  }
}

void* TActionArena::Allocate(size_t size, size_t align) {
  // Blocks come from new[], aligned for any fundamental type; no action asks for more.
  if (align > alignof(std::max_align_t)) throw std::bad_alloc();
  // A piece larger than a quarter block (no action is) gets memory of its own, so that the
  // rest of the current block is not wasted.
  if (size > kBlockSize / 4) return large_.emplace_back(std::make_unique_for_overwrite<std::byte[]>(size)).get();
  size_t at = (used_ + align - 1) & ~(align - 1);
  if (at + size > kBlockSize) {
    blocks_.push_back(TakeBlock());
    at = 0;
  }
  used_ = at + size;
  return blocks_.back().get() + at;
}

void TActionEmitter::SetList(TSWFActionList& list) {
  list_ = &list;
  pushBytes_ = kMaxPushBytes;
}

TPushValueInfo& TActionEmitter::NewValue(size_t bytes) {
  TSWFActionPush* push = nullptr;
  if (!list_->Items.empty() && list_->Items.back()->ActionCode == 0x96)
    push = static_cast<TSWFActionPush*>(list_->Items.back().get());
  if (!push || pushBytes_ + bytes > kMaxPushBytes) {
    push = Emit<TSWFActionPush>();
    push->Values.reserve(4);  // most pushes carry one to four values: one allocation
    pushBytes_ = 0;
  }
  pushBytes_ += bytes;
  push->Values.emplace_back();
  return push->Values.back();
}

void TActionEmitter::PushConstant(TStrId id) {
  int index = pool_->Find(id);
  if (index < 0) {
    const std::string& text = strings_.Text(id);
    if (pool_->Count() >= kMaxPoolCount || poolBytes_ + text.size() + 1 > kMaxPoolBytes) {
      PushString(text);
      return;
    }
    index = pool_->IndexOf(id);
    poolBytes_ += text.size() + 1;
  }
  TPushValueInfo& v = NewValue(index < 256 ? 2 : 3);
  v.Value = static_cast<int32_t>(index);
  v.ValueType = index < 256 ? kPushConstant8 : kPushConstant16;
}

void TActionEmitter::PushString(const std::string& text) {
  TPushValueInfo& v = NewValue(text.size() + 2);
  v.Value = text;
  v.ValueType = kPushString;
}

void TActionEmitter::PushInteger(int32_t value) {
  TPushValueInfo& v = NewValue(5);
  v.Value = value;
  v.ValueType = kPushInteger;
}

void TActionEmitter::PushNumber(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && value >= std::numeric_limits<int32_t>::min() &&
      value <= std::numeric_limits<int32_t>::max() && !(value == 0 && std::signbit(value))) {
    PushInteger(static_cast<int32_t>(value));
    return;
  }
  TPushValueInfo& v = NewValue(9);
  v.Value = value;
  v.ValueType = kPushDouble;
}

void TActionEmitter::PushBoolean(bool value) {
  TPushValueInfo& v = NewValue(2);
  v.Value = value;
  v.ValueType = kPushBoolean;
}

void TActionEmitter::PushNull() {
  TPushValueInfo& v = NewValue(1);
  v.ValueType = kPushNull;
}

void TActionEmitter::PushUndefined() {
  TPushValueInfo& v = NewValue(1);
  v.ValueType = kPushUndefined;
}

void TActionEmitter::PushRegister(int n) {
  TPushValueInfo& v = NewValue(2);
  v.Value = static_cast<int32_t>(n);
  v.ValueType = kPushRegister;
}

void TActionEmitter::StoreRegister(int n) { Emit<TSWFActionStoreRegister>()->RegisterNumber = static_cast<uint8_t>(n); }

std::shared_ptr<TSWFOffsetMarker> TActionEmitter::NewMarker(bool backward) {
  auto marker = New<TSWFOffsetMarker>();
  marker->IsBackward = backward;
  return marker;
}

void TActionEmitter::Jump(const std::shared_ptr<TSWFOffsetMarker>& target) { Emit<TSWFActionJump>()->Target.Marker = target; }

void TActionEmitter::If(const std::shared_ptr<TSWFOffsetMarker>& target) { Emit<TSWFActionIf>()->Target.Marker = target; }

}  // namespace fc
