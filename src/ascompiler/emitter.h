#pragma once
// The few primitives the code generator writes actions with: append an action, push values
// (consecutive pushes share one Push action), registers, and jump targets (markers that the
// action list resolves into byte offsets when it is written).

#include <ext/atomicity.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ascompiler/arena.h"
#include "ascompiler/constant_pool.h"
#include "ascompiler/string_table.h"
#include "swf/actions.h"

namespace fc {

// An arena that counts the allocators holding it and goes with the last of them. Counted the
// way the standard library counts shared owners: with plain arithmetic while the process has
// one thread, atomically once it has more.
class TSharedArena : public TArena {
public:
  // Holders take the arena over; the last to go frees it.
  static TSharedArena* Make() { return new TSharedArena; }
  void Hold() noexcept { __gnu_cxx::__atomic_add_dispatch(&holders_, 1); }
  void Release() noexcept {
    if (__gnu_cxx::__exchange_and_add_dispatch(&holders_, -1) == 1) delete this;
  }

private:
  TSharedArena() = default;
  _Atomic_word holders_ = 0;
};

// The allocator that puts an action and its reference count into the arena of its
// compilation. Actions come by the ten thousand and die with their list; each keeps the arena
// alive through the allocator stored with its reference count, and the arena goes with the
// last of them.
template <typename T>
class TArenaAllocator {
public:
  using value_type = T;
  explicit TArenaAllocator(TSharedArena* arena) noexcept : arena_(arena) { arena_->Hold(); }
  TArenaAllocator(const TArenaAllocator& other) noexcept : arena_(other.arena_) { arena_->Hold(); }
  template <typename U>
  TArenaAllocator(const TArenaAllocator<U>& other) noexcept : arena_(other.arena_) { arena_->Hold(); }
  TArenaAllocator& operator=(const TArenaAllocator&) = delete;
  ~TArenaAllocator() { arena_->Release(); }
  TArena* Arena() const { return arena_; }
  T* allocate(size_t n) { return static_cast<T*>(arena_->Allocate(n * sizeof(T), alignof(T))); }
  void deallocate(T*, size_t) noexcept {}  // the arena's blocks go as a whole
  template <typename U>
  bool operator==(const TArenaAllocator<U>& other) const { return arena_ == other.arena_; }

private:
  template <typename U>
  friend class TArenaAllocator;
  TSharedArena* arena_;
};

// Whether a number is pushed as a 32-bit integer: integral, in range and not -0. All other
// numbers go as doubles.
bool PushesAsInteger(double value);

class TActionEmitter {
public:
  TActionEmitter(TSWFActionList& list, TConstantPool& pool, const TStringTable& strings)
      : list_(&list), pool_(&pool), strings_(strings) {}

  TSWFActionList& List() const { return *list_; }
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
  std::shared_ptr<TSWFOffsetMarker> NewMarker(bool backward = false);
  void Place(const std::shared_ptr<TSWFOffsetMarker>& marker) { list_->Add(marker); }
  void Jump(const std::shared_ptr<TSWFOffsetMarker>& target);
  void If(const std::shared_ptr<TSWFOffsetMarker>& target);

private:
  template <typename T, typename... Args>
  std::shared_ptr<T> New(Args&&... args) {
    return std::allocate_shared<T>(TArenaAllocator<T>(allocator_), std::forward<Args>(args)...);
  }
  TPushValueInfo& NewValue(size_t bytes);

  TArenaAllocator<TSWFAction> allocator_{TSharedArena::Make()};

  TSWFActionList* list_;
  TConstantPool* pool_;
  const TStringTable& strings_;
  size_t pushBytes_ = 0;      // body size of the Push action at the end of the list
  size_t poolBytes_ = 0;      // body size of the constant pool so far
};

}  // namespace fc
