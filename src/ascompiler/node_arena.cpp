#include "ascompiler/node_arena.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace fc {

namespace {

size_t RoundUp(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit * unit; }

// A mapping of `size` bytes (a multiple of `align`) that starts on a multiple of `align`:
// only aligned ranges can be backed by huge pages. One unit more is mapped and the ends cut.
void* MapAligned(size_t size, size_t align) {
  void* mapped = mmap(nullptr, size + align, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto* start = static_cast<uint8_t*>(mapped);
  auto* aligned = reinterpret_cast<uint8_t*>(RoundUp(reinterpret_cast<uintptr_t>(start), align));
  if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
  const size_t tail = static_cast<size_t>(start + size + align - (aligned + size));
  if (tail > 0) munmap(aligned + size, tail);
#ifdef MADV_HUGEPAGE
  madvise(aligned, size, MADV_HUGEPAGE);  // only a hint
#endif
  return aligned;
}

}  // namespace

TNodeArena::~TNodeArena() {
  for (const TBlock& block : blocks_) {
#ifdef FC_NODE_ARENA_ASAN
    ASAN_UNPOISON_MEMORY_REGION(block.memory, block.size);  // the memory goes back clean
#endif
    if (block.mapped) munmap(block.memory, block.size);
    else std::free(block.memory);
  }
}

void* TNodeArena::AllocateInNewBlock(size_t bytes, size_t alignment) {
  if (alignment == 0 || (alignment & (alignment - 1)) != 0 || alignment > kLargeBlock ||
      bytes > SIZE_MAX - kLargeBlock - alignment - kGap)
    throw std::bad_alloc();
  blocks_.reserve(blocks_.size() + 1);  // before mapping, so that the push below cannot fail
  TBlock block;
  if (blocks_.empty() && bytes + alignment + kGap <= kFirstBlock) {
    block = {std::malloc(kFirstBlock), kFirstBlock, false};
    if (!block.memory) throw std::bad_alloc();
  } else {
    const size_t size = RoundUp(bytes + alignment + kGap, kLargeBlock);
    block = {MapAligned(size, kLargeBlock), size, true};
  }
  blocks_.push_back(block);
  next_ = reinterpret_cast<uintptr_t>(block.memory);
  end_ = next_ + block.size;
#ifdef FC_NODE_ARENA_ASAN
  ASAN_POISON_MEMORY_REGION(block.memory, block.size);
#endif
  return Allocate(bytes, alignment);
}

}  // namespace fc
