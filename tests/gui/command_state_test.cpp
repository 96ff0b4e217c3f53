#include "gui/model/command_state.h"

#include <gtest/gtest.h>

#include "model_fixture.h"

namespace fc::test {
namespace {

using gui::CommandStates;
using gui::TCommandStates;
using gui::TPlayerState;

TEST_F(JobListTest, AnEmptyListEnablesNothing) {
  EXPECT_EQ(CommandStates(list, {}, {}), TCommandStates{});
  const TCommandStates playing = CommandStates(list, {}, {.Playing = true});
  EXPECT_TRUE(playing.Play);
  EXPECT_TRUE(playing.Stop);
  EXPECT_FALSE(playing.Start);
}

TEST_F(JobListTest, EnabledStatesFollowTheSelection) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  list.Merge({items[1], items[2]}, *profile);
  gui::TJobItem* merge = list.Item(3);

  struct Row {
    const char* name;
    std::vector<gui::TJobItem*> selection;
    bool edit, trim, customize, merge, next, previous, rename;
  };
  const Row rows[] = {
      {"nothing", {}, false, false, false, false, false, false, false},
      {"first task", {items[0]}, true, true, true, true, true, false, true},
      {"last (merge)", {merge}, false, false, false, true, false, true, true},
      {"merge member", {merge->Child(0)}, false, false, false, false, false, true, false},
      {"two tasks", {items[0], items[1]}, false, false, false, true, true, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TCommandStates s = CommandStates(list, row.selection, {});
    EXPECT_TRUE(s.Start);
    EXPECT_EQ(s.Edit, row.edit);
    EXPECT_EQ(s.Trim, row.trim);
    EXPECT_EQ(s.Customize, row.customize);
    EXPECT_EQ(s.Merge, row.merge);
    EXPECT_EQ(s.Slide, row.merge);
    EXPECT_EQ(s.Next, row.next);
    EXPECT_EQ(s.Previous, row.previous);
    EXPECT_EQ(s.Rename, row.rename);
    EXPECT_FALSE(s.Stop);
    EXPECT_FALSE(s.Snapshot);
    EXPECT_FALSE(s.SubTitle);  // no DVD task
  }
}

TEST_F(JobListTest, PlayerAndCopiesEnableTheirCommands) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(2);
  TCommandStates s = CommandStates(list, {items[0]}, {.Paused = true});
  EXPECT_TRUE(s.Stop);
  EXPECT_TRUE(s.Snapshot);
  EXPECT_TRUE(s.Play);
  EXPECT_FALSE(s.PasteEffect);
  EXPECT_TRUE(s.CopyEffect);
  list.CopyEffect(*items[0]);
  s = CommandStates(list, {items[1]}, {});
  EXPECT_TRUE(s.PasteEffect);
  EXPECT_FALSE(s.PasteWatermark);
  EXPECT_FALSE(s.Snapshot);
  EXPECT_TRUE(s.MoveUp);
  EXPECT_FALSE(s.MoveDown);
}

}  // namespace
}  // namespace fc::test
