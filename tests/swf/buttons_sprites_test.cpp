#include "swf/buttons_sprites.h"

#include <gtest/gtest.h>

#include "tag_test_util.h"

namespace fc {
namespace {

using test::As;
using test::Bytes;
using test::ExpectGolden;
using test::RawReason;
using test::ReadOne;

std::unique_ptr<TSWFDefineButton2> UpButton() {
  auto b = std::make_unique<TSWFDefineButton2>();
  b->ButtonID = 3;
  b->AddRecord(kButtonUp, 1, 1);
  return b;
}

TEST(ButtonTest, Button2WithoutConditionsKeepsActionOffsetZero) {
  auto b = UpButton();
  // ID, menu byte, ActionOffset 0, record (Up, id 1, depth 1, empty matrix, empty cxform), end.
  ExpectGolden(*b, {0x8D, 0x08, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00});
}

TEST(ButtonTest, Button2ConditionActions) {
  auto b = UpButton();
  b->AddCondAction(kCondOverDownToOverUp)->Add(CreateActionObject(0x07));
  // One condition: ActionOffset 10, CondActionSize 0 (last), conditions 08 00, Stop, End.
  ExpectGolden(*b, {0x93, 0x08, 0x03, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,
                    0x00, 0x00, 0x00, 0x08, 0x00, 0x07, 0x00});

  auto two = UpButton();
  two->Records[0]->StateMask = kButtonOver | kButtonDown | kButtonHitTest;
  two->AddCondAction(kCondOverDownToOutDown)->Add(CreateActionObject(0x07));
  two->AddCondAction(kCondOverDownToIdle, 5)->Add(CreateActionObject(0x07));
  const Bytes bytes = {0x99, 0x08, 0x03, 0x00, 0x00, 0x0A, 0x00, 0x0E, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                       0x06, 0x00, 0x10, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x0B, 0x07, 0x00};
  ExpectGolden(*two, bytes);
  auto back = ReadOne(bytes);
  auto& b2 = As<TSWFDefineButton2>(back);
  ASSERT_EQ(b2.Actions.size(), 2u);
  EXPECT_EQ(b2.Actions[0]->Conditions, kCondOverDownToOutDown);
  EXPECT_EQ(b2.Actions[1]->Conditions, kCondOverDownToIdle);
  EXPECT_EQ(b2.Actions[1]->KeyPress, 5);
  EXPECT_EQ(b2.Records[0]->StateMask, kButtonOver | kButtonDown | kButtonHitTest);
}

TEST(ButtonTest, ConditionActionLongerThanItsOffsetFieldIsRefused) {
  auto b = UpButton();
  auto* first = b->AddCondAction(kCondIdleToOverUp);
  for (int i = 0; i < 70000; ++i) first->Add(CreateActionObject(0x07));
  b->AddCondAction(kCondOverUpToIdle);
  EXPECT_THROW(b->ToBytes(), Error);
}

TEST(ButtonTest, DefineButtonRecordsAndActions) {
  TSWFDefineButton b;
  b.ButtonID = 2;
  b.AddRecord(kButtonUp | kButtonHitTest, 1, 1);
  b.Actions.Add(CreateActionObject(0x07));
  ExpectGolden(b, {0xCB, 0x01, 0x02, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00});
  EXPECT_EQ(ReadOne({0xCB, 0x01, 0x02, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00}, 10, false)->ToBytes(),
            (Bytes{0xCB, 0x01, 0x02, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00}));
  // Without its End action the body is kept raw.
  EXPECT_NE(RawReason(*ReadOne({0xCA, 0x01, 0x02, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07})), "");
}

TEST(ButtonTest, CxformAndSound) {
  TSWFDefineButtonCxform c;
  c.ButtonID = 1;
  c.ColorTransform.SetAddR(1);
  c.ColorTransform.SetAddG(2);
  c.ColorTransform.SetAddB(3);
  ExpectGolden(c, {0xC4, 0x05, 0x01, 0x00, 0x8C, 0xA6});

  TSWFDefineButtonSound s;
  s.ButtonID = 2;
  s.GetSound(TSWFDefineButtonSound::IdleToOverUp).SoundID = 5;
  s.GetSound(TSWFDefineButtonSound::OverDownToOverUp);  // ID 0: written as no sound
  ExpectGolden(s, {0x4B, 0x04, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
}

TEST(SpriteTest, EndTagAppendedOnce) {
  TSWFDefineSprite s;
  s.SpriteID = 1;
  s.FrameCount = 1;
  s.Add(std::make_unique<TSWFShowFrame>());
  const Bytes bytes = {0xC8, 0x09, 0x01, 0x00, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00};
  ExpectGolden(s, bytes);
  s.Add(std::make_unique<TSWFEnd>());
  EXPECT_EQ(s.ToBytes(), bytes);
  auto back = ReadOne(bytes);
  EXPECT_EQ(As<TSWFDefineSprite>(back).Tags.size(), 2u);  // the End tag is kept
}

TEST(SpriteTest, ASpriteReadWithoutEndIsWrittenWithoutOne) {
  const Bytes bytes = {0xC6, 0x09, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00};  // frame count 0, a ShowFrame
  auto back = ReadOne(bytes);
  auto& s = As<TSWFDefineSprite>(back);
  EXPECT_FALSE(s.AddEndTag);
  EXPECT_EQ(s.FrameCount, 0);
  EXPECT_NE(s.Describe().find("(no End)"), std::string::npos) << s.Describe();
  EXPECT_EQ(back->ToBytes(), bytes);
  EXPECT_EQ(back->Clone()->ToBytes(), bytes);
  // Asked for, the End comes back.
  s.AddEndTag = true;
  EXPECT_EQ(back->ToBytes(), (Bytes{0xC8, 0x09, 0x01, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00}));
}

TEST(SpriteTest, SubTagsPositionedAtTheirDeclaredEnd) {
  // A RemoveObject2 declared 3 bytes long (its field takes 2), then ShowFrame and End.
  const Bytes bytes = {0xCD, 0x09, 0x01, 0x00, 0x01, 0x00, 0x03, 0x07, 0x05, 0x00, 0xAA, 0x40, 0x00, 0x00, 0x00};
  auto back = ReadOne(bytes);
  auto& s = As<TSWFDefineSprite>(back);
  ASSERT_EQ(s.Tags.size(), 3u);
  EXPECT_NE(RawReason(*s.Tags[0]), "");  // kept as it was
  EXPECT_EQ(s.Tags[1]->Code(), TSWFTagCode::ShowFrame);
  EXPECT_EQ(s.Tags[2]->Code(), TSWFTagCode::End);
  EXPECT_EQ(back->ToBytes(), bytes);
  // A sub-tag running past the sprite keeps the whole sprite raw.
  auto cut = ReadOne({0xC8, 0x09, 0x01, 0x00, 0x01, 0x00, 0x05, 0x07, 0x05, 0x00});
  EXPECT_NE(RawReason(*cut), "");
}

TEST(SpriteTest, SubTagsGetTheSpritesContext) {
  // A sprite with an MP3 stream head and a block: the block reads the MP3 fields.
  TSWFDefineSprite s;
  s.SpriteID = 4;
  auto* head = s.Add(std::make_unique<TSWFSoundStreamHead>());
  head->StreamSoundCompression = kSoundMP3;
  auto* block = s.Add(std::make_unique<TSWFSoundStreamBlock>());
  block->StreamFormat = kSoundMP3;
  block->SampleCount = 576;
  block->Data = {0xFF, 0xFB};
  const Bytes bytes = s.ToBytes();
  auto back = ReadOne(bytes);
  auto& r = As<TSWFDefineSprite>(back);
  EXPECT_EQ(As<TSWFSoundStreamBlock>(r.Tags[1]).SampleCount, 576);
  EXPECT_EQ(back->ToBytes(), bytes);
}

TEST(SpriteTest, NestingIsBounded) {
  // Sprites nested 40 deep: the reader decodes 16 levels and keeps the rest raw.
  Bytes inner = {0x00, 0x00};
  for (int i = 0; i < 40; ++i) {
    Bytes body = {0x01, 0x00, 0x00, 0x00};
    body.insert(body.end(), inner.begin(), inner.end());
    if (i > 0) body.insert(body.end(), {0x00, 0x00});  // each sprite ends with its End tag
    const uint32_t n = static_cast<uint32_t>(body.size());
    if (n <= 62) {
      inner = {static_cast<uint8_t>(0xC0 | n), 0x09};
    } else {
      inner = {0xFF, 0x09};
      for (int k = 0; k < 4; ++k) inner.push_back(static_cast<uint8_t>(n >> (8 * k)));
    }
    inner.insert(inner.end(), body.begin(), body.end());
  }
  auto back = ReadOne(inner);
  int depth = 0;
  TSWFObject* t = back.get();
  while (auto* s = dynamic_cast<TSWFDefineSprite*>(t)) {
    ++depth;
    t = s->Tags[0].get();
  }
  EXPECT_EQ(depth, TSWFDefineSprite::kMaxNesting);
  EXPECT_NE(RawReason(*t), "");
  EXPECT_EQ(back->ToBytes(), inner);
}

TEST(SceneTest, FrameOffsetsKept) {
  TSWFDefineSceneAndFrameLabelData d;
  d.Scenes = {{0, "A"}, {5, "B"}};
  d.FrameLabels = {{2, "x"}};
  const Bytes bytes = {0x8B, 0x15, 0x02, 0x00, 'A', 0x00, 0x05, 'B', 0x00, 0x01, 0x02, 'x', 0x00};
  ExpectGolden(d, bytes);
  EXPECT_EQ(As<TSWFDefineSceneAndFrameLabelData>(ReadOne(bytes)).Scenes[1].Offset, 5u);
}

TEST(DoABCTest, FlagsNameVersionsAndData) {
  TSWFDoABC a;
  a.LazyInitialize = true;
  a.Name = "a";
  a.Data = {0x00};
  ExpectGolden(a, {0x8B, 0x14, 0x01, 0x00, 0x00, 0x00, 'a', 0x00, 0x10, 0x00, 0x2E, 0x00, 0x00});
}

}  // namespace
}  // namespace fc
