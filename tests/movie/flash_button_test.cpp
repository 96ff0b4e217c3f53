#include "movie/flash_button.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "movie/flash_shape.h"
#include "movie_test_util.h"

namespace fc {
namespace {

using V = std::vector<uint8_t>;

V Written(TFlashButton& button) {
  V out;
  TBitsEngine be(&out);
  button.WriteToStream(be);
  return out;
}

TEST(FlashButton, Button2WithARecordAndAReleaseAction) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashShape* shape = movie.AddRectangle({0, 0, 10, 10});
  TFlashButton* button = movie.AddButton();
  EXPECT_TRUE(button->IsButton2());
  EXPECT_EQ(movie.Buttons, (std::vector<TFlashButton*>{button}));
  TSWFButtonRecord& record = button->AddRecord(*shape, kButtonUp, 1);
  EXPECT_TRUE(record.HasColorTransform);
  button->ReleaseActions().Add<TSWFActionStop>();
  EXPECT_EQ(button->MinVersion(), 3);
  // DefineButton2 (34), ID 2, no track-as-menu, action offset 10; a record for the up state
  // of character 1 at depth 1 with an empty matrix and colour transform, the end of the
  // records; the last condition (size 0) on release (0x0008): Stop, End.
  EXPECT_EQ(Written(*button), (V{0x93, 0x08, 0x02, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x07, 0x00}));
}

TEST(FlashButton, TrackAsMenuAndTheStatesOfTheRecords) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashButton* button = movie.AddButton(true);
  TFlashShape* up = movie.AddRectangle({0, 0, 10, 10});
  TFlashShape* hit = movie.AddRectangle({0, 0, 20, 20});
  button->AddRecord(*up, kButtonUp | kButtonOver | kButtonDown, 1);
  button->AddRecord(*hit, kButtonHitTest, 2);
  // The shapes are defined before the button that shows them.
  EXPECT_LT(movie.IndexOf(up), movie.IndexOf(button));
  EXPECT_LT(movie.IndexOf(hit), movie.IndexOf(button));
  movie.PlaceObject(button, 1);
  auto reader = test::ReadBack(movie);
  EXPECT_EQ(test::Codes(*reader), (std::vector<uint16_t>{22, 22, 34, 26, 1, 0}));
  auto& tag = static_cast<TSWFDefineButton2&>(*reader->TagList[2]->Object);
  EXPECT_TRUE(tag.TrackAsMenu);
  EXPECT_EQ(tag.ButtonID, 1);
  ASSERT_EQ(tag.Records.size(), 2u);
  EXPECT_EQ(tag.Records[0]->StateMask, 0x7);
  EXPECT_EQ(tag.Records[0]->CharacterID, 2);
  EXPECT_EQ(tag.Records[1]->StateMask, kButtonHitTest);
  EXPECT_EQ(tag.Records[1]->PlaceDepth, 2);
  EXPECT_THROW(button->AddRecord(*up, kButtonUp, 70000), Error);
}

TEST(FlashButton, ConditionsAreFoundByTheirEvents) {
  TFlashButton button;
  EXPECT_EQ(button.FindCondition(kButtonPress, false), nullptr);
  TSWFButtonCondAction& both = button.AddCondition(ButtonEventMask(kButtonRollOver) | ButtonEventMask(kButtonRollOut));
  EXPECT_EQ(both.Conditions, kCondIdleToOverUp | kCondOverUpToIdle);
  EXPECT_EQ(button.FindCondition(kButtonRollOut, false), &both);
  TSWFButtonCondAction* press = button.FindCondition(kButtonPress, true);
  ASSERT_NE(press, nullptr);
  EXPECT_EQ(press->Conditions, kCondOverUpToOverDown);
  EXPECT_EQ(button.FindCondition(kButtonPress, true), press);

  TFlashActionScript& release = button.ReleaseActions();
  EXPECT_EQ(&release, &button.ReleaseActions());
  EXPECT_FALSE(release.OwnsActions());
  EXPECT_EQ(&release.Actions(), button.FindCondition(kButtonRelease, false));
  EXPECT_EQ(button.FindCondition(kButtonRelease, false)->Conditions, kCondOverDownToOverUp);
}

TEST(FlashButton, ReleaseActionsAreCompiledIntoTheButton) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashButton* button = movie.AddButton();
  ASSERT_TRUE(button->ReleaseActions().Compile("stop();")) << movie.CompileMessages;
  const auto* condition = button->FindCondition(kButtonRelease, false);
  ASSERT_NE(condition, nullptr);
  ASSERT_EQ(condition->Count(), 1u);
  EXPECT_EQ(condition->Items[0]->ActionCode, TSWFActionCode::Stop);
}

TEST(FlashButton, APlainDefineButtonRunsItsActionsOnRelease) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashButton* button = movie.AddButton(false, false);
  EXPECT_FALSE(button->IsButton2());
  EXPECT_EQ(button->MinVersion(), 1);
  TFlashShape* shape = movie.AddRectangle({0, 0, 10, 10});
  EXPECT_FALSE(button->AddRecord(*shape, kButtonUp, 1).HasColorTransform);
  EXPECT_EQ(button->FindCondition(kButtonRelease, true), nullptr);
  EXPECT_THROW(button->AddCondition(ButtonEventMask(kButtonPress)), Error);
  button->ReleaseActions().Add<TSWFActionStop>();
  EXPECT_EQ(static_cast<TSWFDefineButton&>(button->Tag()).Actions.Count(), 1u);
  // DefineButton (7), ID 1, the record (up, character 2, depth 1, empty matrix), end of
  // records, Stop, End.
  EXPECT_EQ(Written(*button), (V{0xCB, 0x01, 0x01, 0x00, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00}));
}

TEST(FlashButton, SoundsAreWrittenAfterTheButtonWhenSet) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashButton* button = movie.AddButton();
  const size_t plain = Written(*button).size();
  button->SetSound(TSWFDefineButtonSound::IdleToOverUp, 5);
  EXPECT_TRUE(button->HasSounds());
  const V out = Written(*button);
  // DefineButtonSound (17): button 1; slots: none, sound 5 with empty sound info, none, none.
  EXPECT_EQ(V(out.begin() + static_cast<std::ptrdiff_t>(plain), out.end()),
            (V{0x4B, 0x04, 0x01, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  TFlashShape* sound_like = movie.AddShape();  // any character stands for a sound here
  button->SetSound(TSWFDefineButtonSound::OverDownToOverUp, *sound_like);
  EXPECT_EQ(button->Sounds.GetSound(TSWFDefineButtonSound::OverDownToOverUp).SoundID, sound_like->GetID());
  button->SetSound(TSWFDefineButtonSound::IdleToOverUp, 0);
  button->SetSound(TSWFDefineButtonSound::OverDownToOverUp, 0);
  EXPECT_FALSE(button->HasSounds());
  EXPECT_EQ(Written(*button).size(), plain);
}

}  // namespace
}  // namespace fc
