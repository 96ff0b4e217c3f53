#pragma once
// The few primitives the code generator writes actions with: append an action, push values
// (consecutive pushes share one Push action), registers, and jump targets (markers that the
// action list resolves into byte offsets when it is written).

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "ascompiler/arena.h"
#include "ascompiler/constant_pool.h"
#include "ascompiler/string_table.h"
#include "swf/actions.h"

namespace fc {

// Whether a number is pushed as a 32-bit integer: integral, in range and not -0. All other
// numbers go as doubles.
bool PushesAsInteger(double value);

// Where a marker is placed: after the branches that refer to it, or before them.
enum class TMarkerDirection : uint8_t { Forward, Backward };

class TActionEmitter {
public:
  // The actions' large memory blocks come from `cache` when one is given.
  TActionEmitter(TSWFActionList& list, TConstantPool& pool, const TStringTable& strings,
                 std::shared_ptr<TArenaBlockCache> cache = nullptr)
      : arena_(std::make_shared<TOwningArena>(cache)),
        markers_(std::make_shared<TOwningArena>(std::move(cache))),
        list_(&list),
        pool_(&pool),
        strings_(strings) {}

  TSWFActionList& List() const { return *list_; }
  // A version-4 player's Push knows only strings and floats: every value then goes as its
  // text (numbers exact, true as 1, null and undefined as the empty text), and no constant
  // pool is used.
  bool StringPushesOnly = false;
  // Switches to another action list (event handlers). Values pushed next start a Push action
  // of their own: the size of one already at the end of that list is not known here.
  void SetList(TSWFActionList& list);

  template <typename T>
  T* Emit() {
    auto action = New<T>();
    T* raw = action.get();
    list_->Add(std::move(action));
    return raw;
  }
  // An action without a payload, by its code; any other code is an EActionCompileError.
  void Emit(TSWFActionCode code);

  // A string id: its constant-pool index, or the text inline once the pool is full.
  void PushConstant(TStrId id);
  void PushString(const std::string& text);
  void PushInteger(int32_t value);
  // Integral values in the 32-bit range go as integers, all others as doubles.
  void PushNumber(double value);
  void PushBoolean(bool value);
  void PushNull();
  void PushUndefined();
  void PushRegister(int n);
  void StoreRegister(int n);

  // A marker that branches will point at. Loop tops are placed before the branches that use
  // them (backward); all other markers after their single branch (forward).
  std::shared_ptr<TSWFOffsetMarker> NewMarker(TMarkerDirection direction = TMarkerDirection::Forward);
  void Place(const std::shared_ptr<TSWFOffsetMarker>& marker) { list_->Add(marker); }
  void Jump(const std::shared_ptr<TSWFOffsetMarker>& target);
  void If(const std::shared_ptr<TSWFOffsetMarker>& target);

private:
  // The actions live in an arena that owns them. Each entry of a list shares the ownership of
  // the whole arena, which destroys its actions when the last entry and this emitter are gone.
  // Markers live in an arena of their own: the branches that refer to them would keep an arena
  // they lived in for ever.
  template <typename T, typename... Args>
  static std::shared_ptr<T> NewIn(const std::shared_ptr<TOwningArena>& arena, Args&&... args) {
    return std::shared_ptr<T>(arena, arena->Make<T>(std::forward<Args>(args)...));
  }
  template <typename T, typename... Args>
  std::shared_ptr<T> New(Args&&... args) {
    return NewIn<T>(arena_, std::forward<Args>(args)...);
  }
  TPushValueInfo& NewValue(uint8_t type, size_t extra_bytes = 0);

  std::shared_ptr<TOwningArena> arena_;
  std::shared_ptr<TOwningArena> markers_;
  TSWFActionList* list_;
  TConstantPool* pool_;
  const TStringTable& strings_;
  size_t push_bytes_ = 0;      // body size of the Push action at the end of the list
  size_t pool_bytes_ = 0;      // body size of the constant pool so far
};

}  // namespace fc
