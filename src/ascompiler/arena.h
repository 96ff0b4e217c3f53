#pragma once
// Memory for the many small objects of a compilation: a unit's parse-tree nodes, and the
// actions the code generator emits. Each kind goes into an arena that is freed as a whole.

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define FC_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FC_ARENA_ASAN 1
#endif
#endif
#ifdef FC_ARENA_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace fc {

// A bump allocator. The first block is small, since most scripts are a few lines; later
// blocks are 2 MB or more, mapped directly and offered to the kernel as huge pages: a
// script of many thousand lines fills tens of megabytes of nodes and actions, and faulting that in
// 4 KB pages (expensive on virtual machines above all) costs more than building the nodes.
// Where huge pages are off the blocks are plain mappings. The large blocks of a freed arena
// are kept (up to a limit) for the next one. Deallocation is a no-op.
// Under AddressSanitizer the free part of every block is poisoned and each allocation is
// followed by a poisoned gap, so that overruns from one object into the next are reported.
class TArena : public std::pmr::memory_resource {
public:
  static constexpr size_t kFirstBlock = 64 * 1024;
  static constexpr size_t kLargeBlock = size_t{2} << 20;

  TArena() = default;
  ~TArena() override;
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  // `bytes` > 0; `alignment` a power of two.
  void* Allocate(size_t bytes, size_t alignment) {
    const uintptr_t start = (next_ + alignment - 1) & ~(uintptr_t{alignment} - 1);
    if (start + bytes + kGap > end_ || start < next_) return AllocateInNewBlock(bytes, alignment);
    next_ = start + bytes + kGap;
#ifdef FC_ARENA_ASAN
    ASAN_UNPOISON_MEMORY_REGION(reinterpret_cast<void*>(start), bytes);
#endif
    return reinterpret_cast<void*>(start);
  }

private:
#ifdef FC_ARENA_ASAN
  static constexpr size_t kGap = 16;
#else
  static constexpr size_t kGap = 0;
#endif

  void* do_allocate(size_t bytes, size_t alignment) override {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0) throw std::bad_alloc();
    return Allocate(bytes ? bytes : 1, alignment);
  }
  void do_deallocate(void*, size_t, size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

  void* AllocateInNewBlock(size_t bytes, size_t alignment);

  struct TBlock {
    void* memory;
    size_t size;
    bool mapped;
  };
  std::vector<TBlock> blocks_;
  uintptr_t next_ = 0;
  uintptr_t end_ = 0;
};

}  // namespace fc
