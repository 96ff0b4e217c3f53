// The emitter's primitives (pushes sharing one Push action, constants, markers). The arena
// its actions live in has tests of its own (arena_test.cpp).

#include "ascompiler/emitter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "ascompiler/constant_pool.h"
#include "ascompiler/errors.h"
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

// The actions share their arena: it goes, with every action in it, once the emitter and the
// last list entry are gone. Markers live in an arena of their own: the branches that point at
// them would otherwise keep the actions' arena for ever.
TEST_F(EmitterTest, TheArenasGoWithTheLastActionAndMarker) {
  std::weak_ptr<TSWFAction> first;
  std::weak_ptr<TSWFOffsetMarker> marker;
  {
    TActionEmitter emit(list, pool, strings);
    auto end = emit.NewMarker();
    marker = end;
    emit.If(end);
    emit.PushInteger(1);
    emit.Place(end);
    first = list.Items[0];
  }
  ASSERT_EQ(list.Count(), 3u);
  TSWFActionList rest;
  rest.Add(list.Items[1]);
  list.Clear();
  EXPECT_FALSE(first.expired());  // the Push in the other list holds the arena
  EXPECT_FALSE(marker.expired());  // and the If in it its marker
  rest.Clear();
  EXPECT_TRUE(first.expired());
  EXPECT_TRUE(marker.expired());
}

TEST_F(EmitterTest, ActionsWithoutPayloadByCode) {
  TActionEmitter emit(list, pool, strings);
  emit.Emit(TSWFActionCode::Trace);
  emit.Emit(TSWFActionCode::StringAdd);
  EXPECT_EQ(Disassembled(list), "  Trace\n  StringAdd");
  EXPECT_THROW(emit.Emit(TSWFActionCode::Push), EActionCompileError);
  EXPECT_THROW(emit.Emit(TSWFActionCode::End), EActionCompileError);
  EXPECT_THROW(emit.Emit(static_cast<TSWFActionCode>(0x02)), EActionCompileError);
  EXPECT_EQ(list.Count(), 2u);
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

// A Push body has a 16-bit length: values that would pass it start the next Push.
TEST_F(EmitterTest, APushEndsBeforeItsBodyPassesItsLength) {
  TActionEmitter emit(list, pool, strings);
  for (int i = 0; i < 14000; ++i) emit.PushInteger(i);  // 5 bytes each
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(static_cast<const TSWFActionPush*>(list[0])->Values.size(), 13107u);  // 65,535 / 5
  EXPECT_EQ(static_cast<const TSWFActionPush*>(list[1])->Values.size(), 14000u - 13107u);
  std::vector<uint8_t> bytes;
  TBitsEngine be(&bytes);
  WriteActionList(be, list);
  EXPECT_EQ(bytes.size(), 3 + 65535 + 3 + (14000 - 13107) * 5u);
}

// The ConstantPool body has a 16-bit length too: a text that no longer fits is pushed inline,
// while texts already pooled keep their index.
TEST_F(EmitterTest, TextsGoInlineOnceThePoolIsFull) {
  TActionEmitter emit(list, pool, strings);
  const std::string a(40000, 'a'), b(40000, 'b');
  emit.PushConstant(strings.Intern(a));
  emit.PushConstant(strings.Intern(b));
  emit.PushConstant(strings.Intern(a));
  EXPECT_EQ(pool.Count(), 1);
  const auto* push = static_cast<const TSWFActionPush*>(list[0]);
  ASSERT_EQ(push->Values.size(), 3u);
  EXPECT_EQ(push->Values[0].ValueType, kPushConstant8);
  EXPECT_EQ(push->Values[1].ValueType, kPushString);
  EXPECT_EQ(std::get<std::string>(push->Values[1].Value), b);
  EXPECT_EQ(push->Values[2].ValueType, kPushConstant8);
}

}  // namespace
}  // namespace fc
