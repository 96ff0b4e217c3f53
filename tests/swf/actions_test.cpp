#include "swf/actions.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "swf/tag_factory.h"

namespace fc {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(TSWFActionList& list) {
  Bytes out;
  TBitsEngine be(&out);
  WriteActionList(be, list);
  return out;
}

Bytes Written(TSWFAction& a) {
  Bytes out;
  TBitsEngine be(&out);
  a.WriteToStream(be);
  return out;
}

// Appends a Jump or If whose target is a forward marker, and returns the marker (not yet in
// the list).
template <typename Branch>
std::shared_ptr<TSWFOffsetMarker> AddForwardBranch(TSWFActionList& list) {
  auto branch = std::make_unique<Branch>();
  auto marker = branch->Target.GetMarker();
  marker->IsBackward = false;
  list.Add(std::move(branch));
  return marker;
}

TSWFActionList Read(const Bytes& bytes) {
  TSWFActionList list;
  TBitsEngine be(bytes);
  ReadActionList(be, list);
  return list;
}

TEST(SWFActions, GoldenSingleActions) {
  TSWFActionStop stop;
  EXPECT_EQ(Written(stop), (Bytes{0x07}));
  TSWFActionGotoFrame go;
  go.Frame = 5;
  EXPECT_EQ(Written(go), (Bytes{0x81, 0x02, 0x00, 0x05, 0x00}));
  TSWFActionCall call;
  EXPECT_EQ(Written(call), (Bytes{0x9E, 0x00, 0x00}));

  TSWFActionPush push;
  push.AddValue("a");
  push.AddValue(int32_t{1});
  EXPECT_EQ(Written(push), (Bytes{0x96, 0x08, 0x00, 0x00, 0x61, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(push.MinVersion(), 5);
  TSWFActionPush one;
  one.AddValue("a");
  EXPECT_EQ(one.MinVersion(), 4);
  TSWFActionPush special;
  special.AddValue("FlashVar_null");
  special.AddValue("FlashVar_undefined");
  special.AddInvalid();
  EXPECT_EQ(Written(special), (Bytes{0x96, 0x02, 0x00, 0x02, 0x03}));
}

TEST(SWFActions, PushValueTypesBothWays) {
  TSWFActionPush p;
  p.AddValue(1.5f);
  p.AddValue(0.1);
  p.AddValue(true);
  p.AddNull();
  p.AddValue(int32_t{3});
  p.SetValueType(4, kPushRegister);
  p.AddValue(int32_t{300});
  p.SetValueType(5, kPushConstant16);
  p.AddValue(int32_t{7});
  p.SetValueType(6, kPushConstant8);
  p.SetValueType(6, kPushKeepType);
  const Bytes b = Written(p);
  // double 0.1 = 3FB999999999999A: high word first, each little-endian.
  const Bytes expected{0x96, 0x18, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x3F, 0x06, 0x99, 0x99, 0xB9, 0x3F, 0x9A, 0x99,
                       0x99, 0x99, 0x05, 0x01, 0x02, 0x04, 0x03, 0x09, 0x2C, 0x01, 0x08, 0x07};
  EXPECT_EQ(b, expected);
  TSWFActionList list = Read(b);
  ASSERT_EQ(list.Count(), 1u);
  auto& back = dynamic_cast<TSWFActionPush&>(*list[0]);
  EXPECT_EQ(back.Values.size(), 7u);
  EXPECT_EQ(std::get<double>(back.Values[1].Value), 0.1);
  EXPECT_EQ(Written(back), b);
  EXPECT_EQ(back.Describe(), "1.5f, 0.1, true, null, r:3, c:300, c:7");
}

// What a value adds to a Push body, for those who keep a Push within its 16-bit length
// without writing it.
TEST(SWFActions, PushValueBytesAreWhatAValueWrites) {
  const std::pair<TPushValueInfo, size_t> values[] = {
      {{std::string("abc"), kPushString}, PushValueBytes(kPushString) + 3},
      {{1.5f, kPushFloat}, PushValueBytes(kPushFloat)},
      {{std::monostate{}, kPushNull}, PushValueBytes(kPushNull)},
      {{std::monostate{}, kPushUndefined}, PushValueBytes(kPushUndefined)},
      {{int32_t{3}, kPushRegister}, PushValueBytes(kPushRegister)},
      {{true, kPushBoolean}, PushValueBytes(kPushBoolean)},
      {{0.1, kPushDouble}, PushValueBytes(kPushDouble)},
      {{int32_t{-7}, kPushInteger}, PushValueBytes(kPushInteger)},
      {{int32_t{9}, kPushConstant8}, PushValueBytes(kPushConstant8)},
      {{int32_t{300}, kPushConstant16}, PushValueBytes(kPushConstant16)},
  };
  for (const auto& [value, bytes] : values) {
    TSWFActionPush push;
    push.Values.push_back(value);
    EXPECT_EQ(Written(push).size(), 3 + bytes) << int{value.ValueType};
  }
}

TEST(SWFActions, MarkersResolveOnWrite) {
  TSWFActionList fwd;
  auto marker = AddForwardBranch<TSWFActionJump>(fwd);
  fwd.Add(std::make_unique<TSWFActionStop>());
  fwd.Add(std::make_unique<TSWFActionStop>());
  fwd.Add(marker);
  EXPECT_EQ(Written(fwd), (Bytes{0x99, 0x02, 0x00, 0x02, 0x00, 0x07, 0x07}));
  EXPECT_EQ(Written(fwd), (Bytes{0x99, 0x02, 0x00, 0x02, 0x00, 0x07, 0x07}));  // again: same bytes

  TSWFActionList back;
  auto bj = std::make_unique<TSWFActionJump>();
  back.Add(bj->Target.GetMarker());
  back.Add(std::make_unique<TSWFActionStop>());
  back.Add(std::make_unique<TSWFActionStop>());
  back.Add(std::move(bj));
  EXPECT_EQ(Written(back), (Bytes{0x07, 0x07, 0x99, 0x02, 0x00, 0xF9, 0xFF}));
}

// A write starts every marker afresh: what an earlier write of another list (or one that
// failed half way) left in a marker does not resolve a branch of this one.
TEST(SWFActions, MarkerStateDoesNotCarryOverBetweenWrites) {
  auto bj = std::make_unique<TSWFActionJump>();
  auto back = bj->Target.GetMarker();
  TSWFActionList with_marker;
  with_marker.Add(back);
  with_marker.Add(std::make_unique<TSWFActionStop>());
  Written(with_marker);  // the marker's position is now known to that write
  TSWFActionList branch_only;
  branch_only.Add(std::move(bj));
  EXPECT_THROW(Written(branch_only), Error);  // not written before its branch in this list

  // A forward branch whose first write failed leaves a pending patch; the next write of a
  // list that holds its target resolves it as usual.
  TSWFActionList no_target;
  auto fwd = AddForwardBranch<TSWFActionJump>(no_target);
  EXPECT_THROW(Written(no_target), Error);
  no_target.Add(std::make_unique<TSWFActionStop>());
  no_target.Add(fwd);
  EXPECT_EQ(Written(no_target), (Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x07}));
}

// Lists skip asking most actions for branch fields; every action class that has some must
// carry one of the codes MayHaveBranches names.
TEST(SWFActions, OnlyTheBranchingCodesHaveBranchFields) {
  for (int code = 0; code < 256; ++code) {
    std::unique_ptr<TSWFAction> a = CreateActionObject(static_cast<uint8_t>(code));
    if (!a) continue;
    EXPECT_EQ(a->BranchCount() > 0, MayHaveBranches(static_cast<TSWFActionCode>(code))) << "code " << code;
  }
}

// The code table and the classes agree: every code of an action or pseudo-action makes an
// object that carries that code, and the End code and codes of no action make none.
TEST(SWFActions, EveryCodeOfTheTableHasItsClass) {
  int actions = 0;
  for (int i = 0; i < 256; ++i) {
    const auto code = static_cast<TSWFActionCode>(i);
    const TSWFActionKind kind = ActionKind(code);
    std::unique_ptr<TSWFAction> a = CreateActionObject(code);
    if (kind == TSWFActionKind::Unknown || kind == TSWFActionKind::End) {
      EXPECT_EQ(a, nullptr) << "code " << i;
      continue;
    }
    ASSERT_NE(a, nullptr) << "code " << i;
    EXPECT_EQ(a->ActionCode, code) << "code " << i;
    EXPECT_STRNE(ActionName(code), "") << "code " << i;
    EXPECT_EQ(HasActionBody(code), i >= 0x80) << "code " << i;
    if (kind != TSWFActionKind::Pseudo) ++actions;
  }
  EXPECT_EQ(actions, 100);
  EXPECT_STREQ(ActionName(TSWFActionCode::GetURL2), "GetURL2");
  EXPECT_STREQ(ActionName(static_cast<TSWFActionCode>(0x02)), "");
  EXPECT_EQ(GetFullSize(TSWFActionStop()), 1u);
  EXPECT_EQ(GetFullSize(TSWFOffsetMarker()), 0u);
}

TEST(SWFActions, OffsetsThatDoNotFitRaiseErrors) {
  TSWFActionList list;
  auto marker = AddForwardBranch<TSWFActionIf>(list);
  auto pad = std::make_unique<TSWFActionPush>();
  for (int i = 0; i < 7000; ++i) pad->AddValue(int32_t{i});  // 35000 bytes
  list.Add(std::move(pad));
  list.Add(marker);
  EXPECT_THROW(Written(list), Error);

  TSWFActionJump fixed;
  fixed.Target.SetOffset(40000);
  EXPECT_THROW(Written(fixed), Error);

  TSWFActionPush big;
  for (int i = 0; i < 14000; ++i) big.AddValue(int32_t{i});  // 70000 bytes: action length
  try {
    Written(big);
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("action length"), std::string::npos);
  }

  TSWFActionList missing;
  AddForwardBranch<TSWFActionJump>(missing);  // the marker never enters the list
  EXPECT_THROW(Written(missing), Error);
}

TEST(SWFActions, WrittenAfterOtherBytes) {
  // Branch fields and length patches count within the list's engine, wherever its bytes
  // start in the buffer.
  TSWFActionList list;
  auto marker = AddForwardBranch<TSWFActionIf>(list);
  auto push = std::make_unique<TSWFActionPush>();
  push->AddValue(int32_t{1});
  list.Add(std::move(push));
  list.Add(marker);
  const Bytes alone = Written(list);
  EXPECT_EQ(alone, (Bytes{0x9D, 0x02, 0x00, 0x08, 0x00, 0x96, 0x05, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00}));

  Bytes out{0x11, 0x22, 0x33};
  TBitsEngine outer(&out);
  TBitsEngine body = outer.BodyWriter();
  WriteActionList(body, list);
  Bytes expected{0x11, 0x22, 0x33};
  expected.insert(expected.end(), alone.begin(), alone.end());
  EXPECT_EQ(out, expected);

  // An action that cannot be written leaves nothing of itself behind.
  TSWFActionPush big;
  for (int i = 0; i < 14000; ++i) big.AddValue(int32_t{i});
  EXPECT_THROW(big.WriteToStream(body), Error);
  EXPECT_EQ(out, expected);
}

TEST(SWFActions, ReadingLabelsBranchTargets) {
  TSWFActionList list = Read({0x99, 0x02, 0x00, 0x02, 0x00, 0x07, 0x07, 0x00});
  ASSERT_EQ(list.Count(), 4u);
  auto* marker = dynamic_cast<TSWFOffsetMarker*>(list[3]);
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker->Name, "label 1");
  EXPECT_TRUE(marker->Placed);
  EXPECT_EQ(Written(list), (Bytes{0x99, 0x02, 0x00, 0x02, 0x00, 0x07, 0x07}));

  // Backward, and an edit between branch and target moves the written offset with it.
  TSWFActionList loop = Read({0x07, 0x99, 0x02, 0x00, 0xFA, 0xFF, 0x00});
  ASSERT_EQ(loop.Count(), 3u);
  EXPECT_EQ(dynamic_cast<TSWFOffsetMarker*>(loop[0])->Name, "label 1");
  loop.Insert(1, std::make_shared<TSWFActionPlay>());
  EXPECT_EQ(Written(loop), (Bytes{0x06, 0x07, 0x99, 0x02, 0x00, 0xF9, 0xFF}));  // was -6

  // An offset into the middle of an action gets an unplaced marker and keeps its number.
  TSWFActionList bad = Read({0x99, 0x02, 0x00, 0x01, 0x00, 0x81, 0x02, 0x00, 0x01, 0x00, 0x00});
  ASSERT_EQ(bad.Count(), 2u);
  auto* j = dynamic_cast<TSWFActionJump*>(bad[0]);
  EXPECT_EQ(j->Target.Marker->Name, "Error Size offset: 1");
  EXPECT_FALSE(j->Target.Marker->Placed);
  EXPECT_EQ(Written(bad), (Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x81, 0x02, 0x00, 0x01, 0x00}));
}

TEST(SWFActions, FunctionsWithAndTryRoundTrip) {
  // DefineFunction2 "f"(r1 = x) with preloaded this, a body of one action, then With and Try.
  const Bytes bytes{
      0x8E, 0x0C, 0x00, 'f', 0x00, 0x01, 0x00, 0x02, 0x01, 0x00, 0x01, 'x', 0x00, 0x01, 0x00,  // 15
      0x3E,                                                                                      // Return
      0x94, 0x02, 0x00, 0x01, 0x00, 0x07,                                                        // With { Stop }
      0x8F, 0x09, 0x00, 0x03, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 'e', 0x00, 0x06, 0x07, 0x09,  // Try
      0x9B, 0x08, 0x00, 'g', 0x00, 0x01, 0x00, 'a', 0x00, 0x00, 0x00,                            // empty g(a)
      0x00};
  TSWFActionList list = Read(bytes);
  const Bytes expected(bytes.begin(), bytes.end() - 1);
  EXPECT_EQ(Written(list), expected);
  const auto lines = DisassembleActionList(list);
  std::string all;
  for (const auto& l : lines) all += l + "\n";
  EXPECT_NE(all.find("DefineFunction2 \"f\" (r:1=x) registers=2 preloadThis until label 1"), std::string::npos) << all;
  EXPECT_NE(all.find("Try 1:"), std::string::npos) << all;
  EXPECT_NE(all.find("Finally 1:"), std::string::npos) << all;

  TSWFActionList copy;
  CopyActionList(list, copy);
  EXPECT_EQ(Written(copy), expected);
  for (size_t i = 0; i < copy.Count(); ++i)
    for (size_t k = 0; k < copy[i]->BranchCount(); ++k)
      if (auto& m = copy[i]->Branch(k)->Marker) {
        EXPECT_GE(copy.IndexOf(m.get()), 0);
      }
}

// Each flag of DefineFunction2, GetURL2, GotoFrame2 and Try sits in its own bit, is read back
// into its own field and shows in the disassembly.
TEST(SWFActions, FlagBitsBothWays) {
  struct Flag {
    bool TSWFActionDefineFunction2::*Member;
    uint16_t Bits;  // as written, most significant first
    const char* Name;
  };
  const Flag flags[] = {
      {&TSWFActionDefineFunction2::PreloadParent, 0x8000, "preloadParent"},
      {&TSWFActionDefineFunction2::PreloadRoot, 0x4000, "preloadRoot"},
      {&TSWFActionDefineFunction2::SuppressSuper, 0x2000, "suppressSuper"},
      {&TSWFActionDefineFunction2::PreloadSuper, 0x1000, "preloadSuper"},
      {&TSWFActionDefineFunction2::SuppressArguments, 0x0800, "suppressArguments"},
      {&TSWFActionDefineFunction2::PreloadArguments, 0x0400, "preloadArguments"},
      {&TSWFActionDefineFunction2::SuppressThis, 0x0200, "suppressThis"},
      {&TSWFActionDefineFunction2::PreloadThis, 0x0100, "preloadThis"},
      {&TSWFActionDefineFunction2::PreloadGlobal, 0x0001, "preloadGlobal"},
  };
  for (const Flag& flag : flags) {
    TSWFActionDefineFunction2 f;
    f.*flag.Member = true;
    f.CodeSize.SetOffset(0);
    const Bytes b = Written(f);
    const Bytes expected{0x8E, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, static_cast<uint8_t>(flag.Bits >> 8),
                         static_cast<uint8_t>(flag.Bits), 0x00, 0x00};
    EXPECT_EQ(b, expected) << flag.Name;
    TSWFActionList list = Read(b);
    auto* back = dynamic_cast<TSWFActionDefineFunction2*>(list[0]);
    ASSERT_NE(back, nullptr) << flag.Name;
    for (const Flag& other : flags) EXPECT_EQ(back->*other.Member, &other == &flag) << flag.Name << " " << other.Name;
    EXPECT_EQ(back->Describe(), std::string("\"\" () registers=0 ") + flag.Name + " until label 1");
    TSWFActionDefineFunction2 copy;
    copy.Assign(*back);
    EXPECT_EQ(Written(copy), expected) << flag.Name;
  }

  TSWFActionGetURL2 url;
  url.LoadVariables = true;
  url.SendVarsMethod = kSendVarsPost;
  EXPECT_EQ(Written(url), (Bytes{0x9A, 0x01, 0x00, 0x82}));
  url.LoadVariables = false;
  url.LoadTarget = true;
  url.SendVarsMethod = kSendVarsGet;
  EXPECT_EQ(Written(url), (Bytes{0x9A, 0x01, 0x00, 0x41}));
  TSWFActionList urls = Read({0x9A, 0x01, 0x00, 0x82, 0x00});
  auto* url_back = dynamic_cast<TSWFActionGetURL2*>(urls[0]);
  ASSERT_NE(url_back, nullptr);
  EXPECT_EQ(url_back->Describe(), "method=POST variables");

  TSWFActionGotoFrame2 go;
  go.SceneBiasFlag = true;
  go.SceneBias = 3;
  EXPECT_EQ(Written(go), (Bytes{0x9F, 0x03, 0x00, 0x02, 0x03, 0x00}));
  go.SceneBiasFlag = false;
  go.Play = true;
  EXPECT_EQ(Written(go), (Bytes{0x9F, 0x01, 0x00, 0x01}));

  // CatchInRegister and the reserved bits, which are kept as read.
  const Bytes try_bytes{0x8F, 0x08, 0x00, 0xA5, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04};
  TSWFActionList tries = Read(try_bytes);
  auto* t = dynamic_cast<TSWFActionTry*>(tries[0]);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->CatchInRegister);
  EXPECT_TRUE(t->HasCatchBlock);
  EXPECT_FALSE(t->HasFinallyBlock);
  EXPECT_EQ(t->ReservedFlags, 0xA0);
  EXPECT_EQ(t->CatchRegister, 4);
  EXPECT_EQ(Written(tries), try_bytes);
}

TEST(SWFActions, TryBlocksThroughMarkers) {
  TSWFActionList list;
  auto t = std::make_unique<TSWFActionTry>();
  t->HasCatchBlock = true;
  t->HasFinallyBlock = true;
  t->CatchName = "e";
  t->CreateMarkers();
  auto try_end = t->TrySize.Marker, catch_end = t->CatchSize.Marker, finally_end = t->FinallySize.Marker;
  list.Add(std::move(t));
  list.Add(std::make_unique<TSWFActionPlay>());
  list.Add(std::make_unique<TSWFActionPlay>());
  list.Add(try_end);
  list.Add(std::make_unique<TSWFActionStop>());
  list.Add(catch_end);
  list.Add(std::make_unique<TSWFActionStopSounds>());
  list.Add(std::make_unique<TSWFActionStopSounds>());
  list.Add(std::make_unique<TSWFActionStopSounds>());
  list.Add(finally_end);
  EXPECT_EQ(Written(list), (Bytes{0x8F, 0x09, 0x00, 0x03, 0x02, 0x00, 0x01, 0x00, 0x03, 0x00, 'e', 0x00,
                                  0x06, 0x06, 0x07, 0x09, 0x09, 0x09}));

  // A plain marker on the catch size would count from the wrong place: refused.
  TSWFActionTry plain;
  plain.HasCatchBlock = true;
  plain.CatchSize.GetMarker()->IsBackward = false;
  EXPECT_THROW(Written(plain), Error);
}

TEST(SWFActions, CopyGivesAnUnplacedMarkerAFreshOne) {
  TSWFActionList src;
  auto jump = std::make_unique<TSWFActionJump>();
  auto orphan = jump->Target.GetMarker();
  orphan->Name = "nowhere";
  src.Add(std::move(jump));
  TSWFActionList dst;
  CopyActionList(src, dst);
  auto& copied = dynamic_cast<TSWFActionJump&>(*dst[0]);
  ASSERT_NE(copied.Target.Marker, nullptr);
  EXPECT_NE(copied.Target.Marker, orphan);
  EXPECT_FALSE(copied.Target.Marker->Placed);
  EXPECT_EQ(copied.Target.Marker->Name, "nowhere");
}

TEST(SWFActions, UnknownAndUndecodableActionsStayRaw) {
  // 0x02 unknown without payload, 0xA0 unknown with payload, GotoFrame with a 3-byte payload.
  const Bytes bytes{0x02, 0xA0, 0x01, 0x00, 0x55, 0x81, 0x03, 0x00, 0x01, 0x00, 0x02, 0x07, 0x00};
  TSWFActionList list = Read(bytes);
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list[0]->ActionCode, TSWFActionCode::ByteCode);
  EXPECT_EQ(list[1]->ActionCode, TSWFActionCode::ByteCode);
  EXPECT_EQ(list[2]->ActionCode, TSWFActionCode::ByteCode);
  EXPECT_EQ(Written(list), Bytes(bytes.begin(), bytes.end() - 1));

  // A record length past the end of the block is an error, not a read past it.
  TSWFActionList cut;
  const Bytes over{0x96, 0x10, 0x00, 0x00};
  TBitsEngine be(over);
  EXPECT_THROW(ReadActionList(be, cut), FormatError);

  // A constant pool claiming 65535 strings in 3 bytes.
  TSWFActionList pool = Read({0x88, 0x03, 0x00, 0xFF, 0xFF, 'a', 0x00});
  EXPECT_EQ(pool[0]->ActionCode, TSWFActionCode::ByteCode);
}

TEST(SWFActions, FindActionsEnd) {
  const Bytes b{0x07, 0x96, 0x02, 0x00, 0x00, 0x00, 0x00, 0x06};
  TBitsEngine be(b);
  EXPECT_EQ(FindActionsEnd(be), 7u);
  EXPECT_EQ(be.Position(), 0u);
  const Bytes no_end{0x07, 0x06};
  TBitsEngine ne(no_end);
  EXPECT_THROW(FindActionsEnd(ne), FormatError);
  EXPECT_EQ(ne.Position(), 0u);
}

TEST(SWFDoAction, ParsedAndRawBodiesRoundTrip) {
  const Bytes tag{0x0A, 0x03,  // DoAction, 10 bytes
                  0x96, 0x04, 0x00, 0x00, 'h', 'i', 0x00, 0x26, 0x07, 0x00};
  for (bool parse : {true, false}) {
    TBitsEngine be(tag);
    TSWFTagHeader h = ReadTagHeader(be);
    TSWFReadContext ctx;
    ctx.ParseActions = parse;
    auto obj = ReadTagObject(h, be.ReadSpan(h.Length), 2, ctx, true);
    auto* da = dynamic_cast<TSWFDoAction*>(obj.get());
    ASSERT_NE(da, nullptr);
    EXPECT_EQ(da->Actions->Count(), parse ? 3u : 1u);
    EXPECT_EQ(obj->ToBytes(), tag);
    if (parse) {
      EXPECT_EQ(obj->MinVersion(), 4);
    }
  }
  // Without an End action the tag stays raw, so nothing is added on write.
  const Bytes no_end{0x01, 0x03, 0x07};
  TBitsEngine be(no_end);
  TSWFTagHeader h = ReadTagHeader(be);
  auto obj = ReadTagObject(h, be.ReadSpan(h.Length), 2, {}, true);
  EXPECT_NE(dynamic_cast<TSWFByteCodeTag*>(obj.get()), nullptr);
  EXPECT_EQ(obj->ToBytes(), no_end);
}

TEST(SWFDoAction, DoInitActionAndAssign) {
  TSWFDoInitAction init;
  init.SpriteID = 4;
  init.Actions->Add(std::make_unique<TSWFActionPlay>());
  EXPECT_EQ(init.ToBytes(), (Bytes{0xC4, 0x0E, 0x04, 0x00, 0x06, 0x00}));
  EXPECT_EQ(init.MinVersion(), 6);
  auto copy = init.Clone();
  EXPECT_EQ(copy->ToBytes(), init.ToBytes());

  TSWFActionList shared;
  TSWFDoAction view(&shared);
  EXPECT_FALSE(view.OwnsActions());
  shared.Add(std::make_unique<TSWFActionStop>());
  EXPECT_EQ(view.ToBytes(), (Bytes{0x02, 0x03, 0x07, 0x00}));
}

}  // namespace
}  // namespace fc
