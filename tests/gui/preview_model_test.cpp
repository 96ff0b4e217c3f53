#include "gui/model/preview_model.h"

#include <gtest/gtest.h>

#include <set>

#include "model_fixture.h"
#include "gui/model/track_scale.h"

namespace fc::test {
namespace {

using namespace gui;

TEST_F(JobListTest, NextAndPreviousPlayTheNeighbouringTopLevelTaskAndWrap) {
  EXPECT_EQ(NeighbourToPlay(list, nullptr, 1), nullptr);  // an empty list
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  EXPECT_EQ(NeighbourToPlay(list, items[0], 1), items[1]);
  EXPECT_EQ(NeighbourToPlay(list, items[2], 1), items[0]);
  EXPECT_EQ(NeighbourToPlay(list, items[0], -1), items[2]);
  EXPECT_EQ(NeighbourToPlay(list, items[1], -1), items[0]);
  EXPECT_EQ(NeighbourToPlay(list, nullptr, 1), items[0]);
  EXPECT_EQ(NeighbourToPlay(list, nullptr, -1), items[2]);
  // A member counts as its top-level item.
  list.Merge({items[1], items[2]}, *profile);
  TJobItem* merge = list.Item(3);
  EXPECT_EQ(NeighbourToPlay(list, merge->Child(0), 1), items[0]);
  EXPECT_EQ(NeighbourToPlay(list, merge->Child(1), -1), items[2]);
  // One task alone is its own neighbour.
  list.Clear();
  const auto one = AddClips(1);
  EXPECT_EQ(NeighbourToPlay(list, one[0], 1), one[0]);
  EXPECT_EQ(NeighbourToPlay(list, one[0], -1), one[0]);
}

TEST(PreviewModelTest, SnapshotNamesCountUpWhileTaken) {
  std::set<std::string> taken;
  const auto exists = [&](const std::string& path) { return taken.count(path) > 0; };
  EXPECT_EQ(SnapshotPath("/snaps", "Clip", "jpg", exists), "/snaps/Clip.jpg");
  taken.insert("/snaps/Clip.jpg");
  EXPECT_EQ(SnapshotPath("/snaps", "Clip", "jpg", exists), "/snaps/Clip_1.jpg");
  taken.insert("/snaps/Clip_1.jpg");
  EXPECT_EQ(SnapshotPath("/snaps", "Clip", "JPG", exists), "/snaps/Clip_2.jpg");
  // Anything but jpg is a bitmap; a title is made safe as a file name.
  EXPECT_EQ(SnapshotPath("/snaps", "Clip", "png", exists), "/snaps/Clip.bmp");
  EXPECT_EQ(SnapshotPath("/snaps", "Clip", "", exists), "/snaps/Clip.bmp");
  EXPECT_EQ(SnapshotPath("/snaps", "../a/b", "jpg", exists), "/snaps/_a_b.jpg");
  EXPECT_EQ(SnapshotPath("/snaps", "  ", "jpg", exists), "/snaps/Snapshot.jpg");
}

TEST(PreviewModelTest, TimesAndTheSliderNeverDivideByZero) {
  EXPECT_EQ(PlayTimeText(0, 0), "00:00:00/00:00:00");
  EXPECT_EQ(PlayTimeText(61.6, 3725), "00:01:02/01:02:05");
  EXPECT_EQ(PlayTimeText(-3, 10), "00:00:00/00:00:10");
  EXPECT_EQ(BarPosition(5, 10, 0, 1000), 500);
  EXPECT_EQ(BarPosition(20, 10, 0, 1000), 1000);
  EXPECT_EQ(BarPosition(-1, 10, 0, 1000), 0);
  EXPECT_EQ(BarPosition(5, 0, 0, 1000), 0);
  EXPECT_EQ(BarPosition(5, 10, 0, 0), 0);
  EXPECT_DOUBLE_EQ(BarTime(250, 0, 1000, 8), 2.0);
  EXPECT_DOUBLE_EQ(BarTime(250, 0, 0, 8), 0.0);
  EXPECT_DOUBLE_EQ(BarTime(250, 0, 1000, 0), 0.0);
  EXPECT_DOUBLE_EQ(BarTime(2000, 0, 1000, 8), 8.0);
}

}  // namespace
}  // namespace fc::test
