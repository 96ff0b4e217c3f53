#include "ascompiler/arena_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

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

namespace fc::arena_pages {

void* MapLarge(size_t size, size_t alignment) {
  // Only aligned ranges can be backed by huge pages: one unit more is mapped and the ends cut.
  void* mapped = mmap(nullptr, size + alignment, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto* start = static_cast<uint8_t*>(mapped);
  const uintptr_t first = reinterpret_cast<uintptr_t>(start);
  auto* aligned = reinterpret_cast<uint8_t*>((first + alignment - 1) / alignment * alignment);
  if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
  const size_t tail = static_cast<size_t>(start + size + alignment - (aligned + size));
  if (tail > 0) munmap(aligned + size, tail);
#ifdef MADV_HUGEPAGE
  madvise(aligned, size, MADV_HUGEPAGE);  // only a hint
#endif
  return aligned;
}

void UnmapLarge(void* memory, size_t size) { munmap(memory, size); }

#ifdef FC_ARENA_ASAN
bool Guarded() { return true; }
void Poison(void* memory, size_t size) { ASAN_POISON_MEMORY_REGION(memory, size); }
void Unpoison(void* memory, size_t size) { ASAN_UNPOISON_MEMORY_REGION(memory, size); }
#else
bool Guarded() { return false; }
void Poison(void*, size_t) {}
void Unpoison(void*, size_t) {}
#endif

}  // namespace fc::arena_pages
