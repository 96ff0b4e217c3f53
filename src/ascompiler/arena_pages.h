#pragma once
// How the arena gets its memory from the system, and how sanitizer builds fence it. Only the
// arena uses this.

#include <cstddef>

namespace fc::arena_pages {

// Large blocks: `size` bytes (a multiple of `alignment`) on a multiple of `alignment`, asked
// for as huge pages where the system offers them. Throws std::bad_alloc.
void* MapLarge(size_t size, size_t alignment);
void UnmapLarge(void* memory, size_t size);

// Whether this build reports accesses to poisoned memory (AddressSanitizer).
bool Guarded();
// No-ops unless Guarded().
void Poison(void* memory, size_t size);
void Unpoison(void* memory, size_t size);

}  // namespace fc::arena_pages
