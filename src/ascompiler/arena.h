#pragma once
// Memory for the many small objects of a compilation: a unit's parse-tree nodes, and the
// actions the code generator emits. Each kind goes into an arena that is freed as a whole.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace fc {

// The large blocks of arenas that were freed, kept (up to a limit) for the next arenas that
// use the same cache: a program that compiles script after script then reuses memory that is
// already faulted in instead of returning it to the system and faulting it in again. Whoever
// compiles owns the cache and hands it to the arenas, which keep it alive while they live; it
// gives its blocks back to the system when the last of them and its owner are gone. Arenas may
// go on any thread.
class TArenaBlockCache {
public:
  TArenaBlockCache() = default;
  ~TArenaBlockCache();
  TArenaBlockCache(const TArenaBlockCache&) = delete;
  TArenaBlockCache& operator=(const TArenaBlockCache&) = delete;

  struct TBlock {
    void* Memory = nullptr;
    size_t Size = 0;
  };
  // A cached block of at least `size` bytes, or one with no memory.
  TBlock Take(size_t size);
  // False when the cache is full: the caller frees the block.
  bool Give(TBlock block);

private:
  static constexpr size_t kLimit = size_t{64} << 20;
  std::mutex mutex_;
  std::vector<TBlock> blocks_;
  size_t bytes_ = 0;
};

// A bump allocator. The first block is small, since most scripts are a few lines; later
// blocks are 2 MB or more: a script of many thousand lines fills tens of megabytes of nodes
// and actions, and faulting that in 4 KB pages (expensive on virtual machines above all)
// costs more than building the nodes, so they are asked for as huge pages where the system
// has them. With a block cache the large blocks of a freed arena serve the next ones.
// Deallocation is a no-op.
// In sanitizer builds the free part of every block is poisoned and each allocation is
// followed by a poisoned gap, so that overruns from one object into the next are reported.
class TArena : public std::pmr::memory_resource {
public:
  static constexpr size_t kFirstBlock = 64 * 1024;
  static constexpr size_t kLargeBlock = size_t{2} << 20;

  explicit TArena(std::shared_ptr<TArenaBlockCache> cache = nullptr);
  ~TArena() override;
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  // `bytes` > 0; `alignment` a power of two.
  void* Allocate(size_t bytes, size_t alignment) {
    const uintptr_t start = (next_ + alignment - 1) & ~(uintptr_t{alignment} - 1);
    if (guarded_ || start < next_ || start > end_ || bytes > end_ - start) return AllocateChecked(bytes, alignment);
    next_ = start + bytes;
    return reinterpret_cast<void*>(start);
  }

private:
  void* do_allocate(size_t bytes, size_t alignment) override {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0) throw std::bad_alloc();
    return Allocate(bytes ? bytes : 1, alignment);
  }
  void do_deallocate(void*, size_t, size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

  // Allocations that need a new block, and every allocation of a sanitizer build.
  void* AllocateChecked(size_t bytes, size_t alignment);
  void NewBlock(size_t bytes, size_t alignment);

  struct TBlock {
    void* Memory;
    size_t Size;
    bool Large;
  };
  std::shared_ptr<TArenaBlockCache> cache_;
  std::vector<TBlock> blocks_;
  uintptr_t next_ = 0;
  uintptr_t end_ = 0;
  const bool guarded_;
};

// An arena that owns what it makes: the objects are destroyed, in the order they were made,
// when the arena goes. Objects that need no destructor cost no bookkeeping; the others are
// preceded by a record of how to destroy them, so that the bookkeeping needs no memory apart.
class TOwningArena {
public:
  explicit TOwningArena(std::shared_ptr<TArenaBlockCache> cache = nullptr) : memory_(std::move(cache)) {}
  ~TOwningArena() {
    for (TOwned* owned = first_; owned;) {
      TOwned* next = owned->Next;
      owned->Destroy(owned);
      owned = next;
    }
  }
  TOwningArena(const TOwningArena&) = delete;
  TOwningArena& operator=(const TOwningArena&) = delete;

  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    if constexpr (std::is_trivially_destructible_v<T>) {
      return new (memory_.Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(args)...);
    } else {
      constexpr size_t kOffset = (sizeof(TOwned) + alignof(T) - 1) / alignof(T) * alignof(T);
      char* memory = static_cast<char*>(memory_.Allocate(kOffset + sizeof(T), std::max(alignof(T), alignof(TOwned))));
      T* object = new (memory + kOffset) T(std::forward<Args>(args)...);
      // Recorded once made: an object whose constructor failed is not destroyed.
      auto* owned = new (memory) TOwned{nullptr, [](TOwned* o) {
        std::launder(reinterpret_cast<T*>(reinterpret_cast<char*>(o) + kOffset))->~T();
      }};
      *last_ = owned;
      last_ = &owned->Next;
      return object;
    }
  }
  // For containers of the objects that keep their items here too.
  TArena& Memory() { return memory_; }

private:
  struct TOwned {
    TOwned* Next;
    void (*Destroy)(TOwned*);
  };
  TArena memory_;
  TOwned* first_ = nullptr;
  TOwned** last_ = &first_;
};

}  // namespace fc
