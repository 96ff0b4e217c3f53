#include "ascompiler/arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory_resource>
#include <vector>

#include "ascompiler/compile_context.h"
#include "ascompiler/compile_unit.h"

namespace fc {
namespace {

bool Aligned(const void* p, size_t alignment) { return reinterpret_cast<uintptr_t>(p) % alignment == 0; }

TEST(ArenaTest, BlocksKeepTheirContentsAsTheArenaGrowsPastItsFirstBlocks) {
  TArena arena;
  // About 10 MB in pieces of varying size and alignment: the first small block, then several
  // large ones. Every piece is filled with its own byte and checked at the end.
  struct Piece {
    uint8_t* data;
    size_t size;
  };
  std::vector<Piece> pieces;
  for (int i = 0; i < 40000; ++i) {
    const size_t size = 1 + static_cast<size_t>(i * 37 % 500);
    const size_t alignment = size_t{1} << (i % 5);  // 1..16
    auto* data = static_cast<uint8_t*>(arena.Allocate(size, alignment));
    ASSERT_TRUE(Aligned(data, alignment));
    std::memset(data, i & 0xFF, size);
    pieces.push_back({data, size});
  }
  for (size_t i = 0; i < pieces.size(); ++i)
    for (size_t j = 0; j < pieces[i].size; ++j) ASSERT_EQ(pieces[i].data[j], i & 0xFF) << i;
}

TEST(ArenaTest, ServesRequestsLargerThanABlockAndWideAlignments) {
  TArena arena;
  const size_t big = TArena::kLargeBlock * 2 + 123;
  auto* data = static_cast<uint8_t*>(arena.Allocate(big, 8));
  data[0] = 1;
  data[big - 1] = 2;  // the whole request is writable
  void* page = arena.Allocate(100, 4096);
  EXPECT_TRUE(Aligned(page, 4096));
  void* after = arena.Allocate(TArena::kFirstBlock, 64);  // more than the first block holds
  EXPECT_TRUE(Aligned(after, 64));
  EXPECT_EQ(data[0], 1);
  EXPECT_EQ(data[big - 1], 2);
}

TEST(ArenaTest, LargeBlocksOfAFreedArenaServeTheNextOne) {
  const size_t big = TArena::kLargeBlock + 1000;
  auto cache = std::make_shared<TArenaBlockCache>();
  for (int round = 0; round < 3; ++round) {
    TArena arena(cache);
    for (int i = 0; i < 40; ++i) {  // 40 blocks: more than the cache keeps
      auto* data = static_cast<uint8_t*>(arena.Allocate(big, 16));
      std::memset(data, round, big);
      ASSERT_EQ(data[big - 1], round);
    }
  }
  // Through the cache the next arena gets the same block; an arena without one gets its own.
  cache = std::make_shared<TArenaBlockCache>();
  void* first = nullptr;
  {
    TArena arena(cache);
    first = arena.Allocate(TArena::kLargeBlock, 16);
  }
  TArena again(cache);
  EXPECT_EQ(again.Allocate(TArena::kLargeBlock, 16), first);
  TArena alone;
  EXPECT_NE(alone.Allocate(TArena::kLargeBlock, 16), first);
}

// The arenas that use a cache keep it: it goes with the last of them, once its owner let go.
TEST(ArenaTest, ACacheLivesAsLongAsItsArenas) {
  auto cache = std::make_shared<TArenaBlockCache>();
  std::weak_ptr<TArenaBlockCache> watch = cache;
  auto arena = std::make_unique<TArena>(cache);
  arena->Allocate(TArena::kLargeBlock, 16);
  cache.reset();
  EXPECT_FALSE(watch.expired());
  arena.reset();  // gives its block to the cache, then lets go of it
  EXPECT_TRUE(watch.expired());
}

TEST(ArenaTest, AnOwningArenaDestroysWhatItMadeInOrder) {
  std::vector<int> destroyed;
  struct Noted {
    std::vector<int>* Log;
    int Id;
    ~Noted() { Log->push_back(Id); }
  };
  {
    TOwningArena arena;
    for (int i = 0; i < 100; ++i) EXPECT_EQ(arena.Make<Noted>(&destroyed, i)->Id, i);
    EXPECT_EQ(*arena.Make<int>(7), 7);  // nothing to destroy
    EXPECT_TRUE(destroyed.empty());
  }
  ASSERT_EQ(destroyed.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(destroyed[i], i);
}

TEST(ArenaTest, WorksAsAMemoryResource) {
  TArena arena;
  std::pmr::vector<int> numbers(&arena);
  for (int i = 0; i < 100000; ++i) numbers.push_back(i);
  EXPECT_EQ(numbers[99999], 99999);
  EXPECT_NE(arena.allocate(0), nullptr);
  EXPECT_THROW((void)arena.allocate(8, 3), std::bad_alloc);  // not a power of two
}

// A request no memory can hold is refused, also when its size would wrap around the end of
// the address space from where the arena stands (it once got memory that overlapped the next
// allocations instead).
TEST(ArenaTest, RefusesRequestsLargerThanMemory) {
  TArena arena;
  auto* first = static_cast<uint8_t*>(arena.Allocate(16, 8));
  EXPECT_THROW((void)arena.Allocate(SIZE_MAX - 64, 8), std::bad_alloc);
  EXPECT_THROW((void)arena.allocate(SIZE_MAX / 2 + 1), std::bad_alloc);
  auto* next = static_cast<uint8_t*>(arena.Allocate(16, 8));
  EXPECT_TRUE(next >= first + 16 || next + 16 <= first);
}

// Nodes that own memory (positions of included text, long lists, listing lines) keep it
// after the parse and give it back with the unit: the sanitizer build checks the latter.
TEST(ArenaTest, NodesOfAUnitKeepWhatTheyOwnUntilTheUnitGoes) {
  TCompileContext context;
  context.SetIncludeOpener([](const std::string& name) -> TIncludeFile {
    return {"g(1, 2, 3, 4, 5, 6, 7, 8, 9);\n//# listed\n", name};
  });
  std::unique_ptr<TCompileUnit> unit = context.ParseUnit("f();\n#include \"lib/inc.as\"\nh();\n");
  ASSERT_EQ(unit->Root->Items.Count(), 4);
  auto call = [&](int i) {
    auto* list = static_cast<TExprListNode*>(unit->Root->Items[i]);
    return static_cast<TFuncCallNode*>(list->Items[0]);
  };
  EXPECT_EQ(call(0)->Pos.FileName, "");
  EXPECT_EQ(call(1)->Pos.FileName, "lib/inc.as");
  EXPECT_EQ(call(1)->Pos.Line, 1);
  EXPECT_EQ(call(1)->Arguments->Items.Count(), 9);
  EXPECT_EQ(static_cast<TListingStmtNode*>(unit->Root->Items[2])->Text, " listed");
  EXPECT_EQ(call(3)->Pos.FileName, "");
  context.ForgetUnit(*unit);
}

}  // namespace
}  // namespace fc
