// The emitter's primitives (pushes sharing one Push action, constants, markers) and the arena
// its actions live in.

#include "ascompiler/emitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <memory>
#include <string>
#include <vector>

#include "ascompiler/constant_pool.h"
#include "ascompiler/string_table.h"
#include "core/text.h"
#include "swf/actions.h"

namespace fc {
namespace {

std::string Disassembled(const TSWFActionList& list) {
  std::string out;
  for (const std::string& line : DisassembleActionList(list)) out += (out.empty() ? "" : "\n") + line;
  return out;
}

TEST(ActionArena, PiecesAreAlignedAndDoNotOverlap) {
  TActionArena arena;
  std::vector<std::pair<uintptr_t, size_t>> pieces;
  for (size_t size : {1u, 24u, 3u, 96u, 8u, 40000u, 7u, 16u}) {
    for (size_t align : {1u, 8u, 16u}) {
      auto* p = static_cast<std::byte*>(arena.Allocate(size, align));
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % align, 0u);
      std::fill(p, p + size, std::byte{0x5A});  // writable in full (ASan checks the bounds)
      pieces.emplace_back(reinterpret_cast<uintptr_t>(p), size);
    }
  }
  std::sort(pieces.begin(), pieces.end());
  for (size_t i = 1; i < pieces.size(); ++i) EXPECT_LE(pieces[i - 1].first + pieces[i - 1].second, pieces[i].first);
  EXPECT_THROW(arena.Allocate(8, 2 * alignof(std::max_align_t)), std::bad_alloc);
}

TEST(ActionArena, ManyPiecesSpanBlocks) {
  TActionArena arena;
  const size_t count = 3 * TActionArena::kBlockSize / 64;
  std::vector<std::byte*> pieces;
  for (size_t i = 0; i < count; ++i) {
    pieces.push_back(static_cast<std::byte*>(arena.Allocate(64, 8)));
    pieces.back()[0] = static_cast<std::byte>(i);
    pieces.back()[63] = static_cast<std::byte>(i);
  }
  for (size_t i = 0; i < count; ++i) {
    EXPECT_EQ(pieces[i][0], static_cast<std::byte>(i));
    EXPECT_EQ(pieces[i][63], static_cast<std::byte>(i));
  }
}

class EmitterTest : public ::testing::Test {
protected:
  TStringTable strings;
  TConstantPool pool;
  TSWFActionList list;
};

TEST_F(EmitterTest, ActionsOutliveTheEmitter) {
  std::shared_ptr<TSWFOffsetMarker> end;
  {
    TActionEmitter emit(list, pool, strings);
    end = emit.NewMarker();
    emit.If(end);
    emit.PushInteger(7);
    emit.Emit<TSWFActionTrace>();
    emit.Place(end);
  }
  // The emitter and its handle on the arena are gone; the list and the marker keep it.
  EXPECT_EQ(Disassembled(list), "  If (unnamed label)\n  Push 7\n  Trace\n:");
  std::vector<uint8_t> bytes;
  TBitsEngine be(&bytes);
  WriteActionList(be, list);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x9D, 0x02, 0x00, 0x09, 0x00, 0x96, 0x05, 0x00, 0x07, 7, 0, 0, 0, 0x26}));
  list.Clear();
  EXPECT_TRUE(end->Placed);  // the marker still lives on its own
}

TEST_F(EmitterTest, PushesShareOneActionUntilAnotherAction) {
  TActionEmitter emit(list, pool, strings);
  emit.PushConstant(strings.Intern("a"));
  emit.PushNumber(1.5);
  emit.PushNumber(3);
  emit.PushNumber(4294967296.0);  // outside 32 bits: a double, never truncated
  emit.PushBoolean(true);
  emit.PushNull();
  emit.PushUndefined();
  emit.PushRegister(2);
  emit.PushConstant(strings.Intern("a"));  // the same constant again
  emit.Emit<TSWFActionPop>();
  emit.PushString("b");
  EXPECT_EQ(Disassembled(list),
            "  Push c:0, 1.5, 3, 4294967296, true, null, undefined, r:2, c:0\n  Pop\n  Push \"b\"");
  EXPECT_EQ(pool.Count(), 1);
}

TEST_F(EmitterTest, ConstantsPastTheFirst256TakeTwoBytes) {
  TActionEmitter emit(list, pool, strings);
  for (int i = 0; i < 257; ++i) emit.PushConstant(strings.Intern(Format("n%d", i)));
  const auto* push = static_cast<const TSWFActionPush*>(list[0]);
  ASSERT_EQ(push->Values.size(), 257u);
  EXPECT_EQ(push->Values[255].ValueType, kPushConstant8);
  EXPECT_EQ(push->Values[256].ValueType, kPushConstant16);
  EXPECT_EQ(pool.Find(strings.Intern("n256")), 256);
  EXPECT_EQ(pool.Find(strings.Intern("never pushed")), -1);
  EXPECT_THROW(pool.IndexOf(kNullId), EVectorRangeError);  // a pseudo-id has no text
}

}  // namespace
}  // namespace fc
