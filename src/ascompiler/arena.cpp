#include "ascompiler/arena.h"

#include <cstdint>
#include <cstdlib>

#include "ascompiler/arena_pages.h"

namespace fc {

namespace {

size_t RoundUp(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit * unit; }

// Sanitizer builds leave a poisoned gap after every allocation.
constexpr size_t kGuardGap = 16;

}  // namespace

TArenaBlockCache::~TArenaBlockCache() {
  for (const TBlock& block : blocks_) {
    arena_pages::Unpoison(block.Memory, block.Size);  // the memory goes back clean
    arena_pages::UnmapLarge(block.Memory, block.Size);
  }
}

TArenaBlockCache::TBlock TArenaBlockCache::Take(size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < blocks_.size(); ++i) {
    if (blocks_[i].Size < size) continue;
    const TBlock block = blocks_[i];
    bytes_ -= block.Size;
    blocks_[i] = blocks_.back();
    blocks_.pop_back();
    return block;
  }
  return {};
}

bool TArenaBlockCache::Give(TBlock block) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (bytes_ + block.Size > kLimit) return false;
  blocks_.push_back(block);
  bytes_ += block.Size;
  return true;
}

TArena::TArena(std::shared_ptr<TArenaBlockCache> cache) : cache_(std::move(cache)), guarded_(arena_pages::Guarded()) {}

TArena::~TArena() {
  for (const TBlock& block : blocks_) {
    // A cached block stays poisoned in sanitizer builds: an object used after its arena was
    // freed is reported.
    if (block.Large && cache_ && cache_->Give({block.Memory, block.Size})) continue;
    arena_pages::Unpoison(block.Memory, block.Size);  // the memory goes back clean
    if (block.Large) arena_pages::UnmapLarge(block.Memory, block.Size);
    else std::free(block.Memory);
  }
}

void* TArena::AllocateChecked(size_t bytes, size_t alignment) {
  if (bytes > SIZE_MAX / 2) throw std::bad_alloc();  // no block could hold it
  const size_t gap = guarded_ ? kGuardGap : 0;
  auto fits = [&](uintptr_t start) {
    return start >= next_ && start <= end_ && end_ - start >= bytes && end_ - start - bytes >= gap;
  };
  auto aligned = [&] { return (next_ + alignment - 1) & ~(uintptr_t{alignment} - 1); };
  uintptr_t start = aligned();
  if (!fits(start)) {
    NewBlock(bytes + gap, alignment);
    start = aligned();
  }
  next_ = start + bytes + gap;
  arena_pages::Unpoison(reinterpret_cast<void*>(start), bytes);
  return reinterpret_cast<void*>(start);
}

void TArena::NewBlock(size_t bytes, size_t alignment) {
  if (alignment == 0 || (alignment & (alignment - 1)) != 0 || alignment > kLargeBlock ||
      bytes > SIZE_MAX - kLargeBlock - alignment)
    throw std::bad_alloc();
  blocks_.reserve(blocks_.size() + 1);  // before mapping, so that the push below cannot fail
  TBlock block{nullptr, 0, false};
  if (blocks_.empty() && bytes + alignment <= kFirstBlock) {
    block = {std::malloc(kFirstBlock), kFirstBlock, false};
    if (!block.Memory) throw std::bad_alloc();
  } else {
    const size_t size = RoundUp(bytes + alignment, kLargeBlock);
    TArenaBlockCache::TBlock cached = cache_ ? cache_->Take(size) : TArenaBlockCache::TBlock{};
    if (!cached.Memory) cached = {arena_pages::MapLarge(size, kLargeBlock), size};
    block = {cached.Memory, cached.Size, true};
  }
  blocks_.push_back(block);
  next_ = reinterpret_cast<uintptr_t>(block.Memory);
  end_ = next_ + block.Size;
  arena_pages::Poison(block.Memory, block.Size);
}

}  // namespace fc
