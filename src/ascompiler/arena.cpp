#include "ascompiler/arena.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

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

// The large blocks of arenas that were freed, kept (up to kLimit bytes) for the next units:
// a program that compiles movie after movie then reuses memory that is already faulted in
// instead of returning it to the system and faulting it in again. Shared by all threads.
class TBlockCache {
public:
  static TBlockCache& Instance() {
    // Never destroyed: arenas may be freed during exit, after static destructors ran.
    static TBlockCache* cache = new TBlockCache;
    return *cache;
  }

  // A cached block of at least `size` bytes, or none.
  bool Take(size_t size, void*& memory, size_t& blockSize) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < blocks_.size(); ++i) {
      if (blocks_[i].second < size) continue;
      memory = blocks_[i].first;
      blockSize = blocks_[i].second;
      bytes_ -= blockSize;
      blocks_[i] = blocks_.back();
      blocks_.pop_back();
      return true;
    }
    return false;
  }
  // False when the cache is full: the caller unmaps the block.
  bool Give(void* memory, size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (bytes_ + size > kLimit) return false;
    blocks_.emplace_back(memory, size);
    bytes_ += size;
    return true;
  }

private:
  static constexpr size_t kLimit = size_t{64} << 20;
  std::mutex mutex_;
  std::vector<std::pair<void*, size_t>> blocks_;
  size_t bytes_ = 0;
};

}  // namespace

TArena::~TArena() {
  for (const TBlock& block : blocks_) {
    // A cached block stays poisoned under AddressSanitizer: a node used after its unit was
    // freed is reported.
    if (block.mapped && TBlockCache::Instance().Give(block.memory, block.size)) continue;
#ifdef FC_ARENA_ASAN
    ASAN_UNPOISON_MEMORY_REGION(block.memory, block.size);  // the memory goes back clean
#endif
    if (block.mapped) munmap(block.memory, block.size);
    else std::free(block.memory);
  }
}

void* TArena::AllocateInNewBlock(size_t bytes, size_t alignment) {
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
    block = {nullptr, 0, true};
    if (!TBlockCache::Instance().Take(size, block.memory, block.size)) block = {MapAligned(size, kLargeBlock), size, true};
  }
  blocks_.push_back(block);
  next_ = reinterpret_cast<uintptr_t>(block.memory);
  end_ = next_ + block.size;
#ifdef FC_ARENA_ASAN
  ASAN_POISON_MEMORY_REGION(block.memory, block.size);
#endif
  return Allocate(bytes, alignment);
}

}  // namespace fc
