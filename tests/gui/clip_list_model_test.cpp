// The clip dialog's rules, on tasks with made-up sources: a copy is edited, the numbering,
// the start and end rules, typed times, and taking the copy's clips over into the list.

#include "gui/model/clip_list_model.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "gui/model/job_list_model.h"
#include "gui/model/track_scale.h"
#include "task_fixture.h"

namespace fc {
namespace {

using gui::TClipColumn;
using gui::TClipListModel;
using test::AddFakeTask;

struct TClipState {
  std::string Title;
  double Start, End;
  int32_t Id;
  bool operator==(const TClipState&) const = default;
};

std::vector<TClipState> Clips(TMediaBaseTask& base) {
  std::vector<TClipState> out;
  for (TMediaTask* t : base.Clips())
    out.push_back({t->Title, t->StartTime(), t->EndTime(), static_cast<TMediaClipTask*>(t)->ClipId});
  return out;
}

TEST(ClipList, TheFirstClipIsTheWholeSourceAndNumbersFollowTheLargest) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* base = AddFakeTask(mgr, 60);
  TClipListModel model(*base, 0);
  ASSERT_EQ(model.Count(), 1u);
  EXPECT_EQ(model.Clip(0).Title, "Clip_1");
  EXPECT_DOUBLE_EQ(model.Start(), 0);
  EXPECT_DOUBLE_EQ(model.End(), 60);
  EXPECT_TRUE(model.Unsaved());
  EXPECT_EQ(base->Clips().Count(), 0u);  // the task itself is untouched

  model.Clip(0).Title = "Clip_5";
  model.NewClip();
  EXPECT_EQ(model.Clip(1).Title, "Clip_6");
  EXPECT_EQ(model.Selected(), 1);
  model.Clip(1).Title = "odd_x";  // no number: counts 0
  model.NewClip();
  EXPECT_EQ(model.Clip(2).Title, "Clip_6");
  EXPECT_EQ(model.TitleCaption(), (gui::TMessage{"INF_DisplayTotalSegment", {int64_t{3}}}));
}

TEST(ClipList, StartAndEndRulesKeepTheClipInsideAndASecondLong) {
  TMediaTaskMgr mgr;
  TClipListModel model(*AddFakeTask(mgr, 60), 0);
  EXPECT_FALSE(model.SetStart(0));  // unchanged: nothing stored
  EXPECT_TRUE(model.SetStart(59));
  EXPECT_DOUBLE_EQ(model.Start(), 59);
  EXPECT_DOUBLE_EQ(model.End(), 60);
  EXPECT_FALSE(model.SetStart(60));  // becomes end - 1: the same as before
  EXPECT_DOUBLE_EQ(model.Start(), 59);
  EXPECT_TRUE(model.SetStart(-3));
  EXPECT_DOUBLE_EQ(model.Start(), 0);

  EXPECT_FALSE(model.SetEnd(90));  // kept at D, which it was already
  EXPECT_DOUBLE_EQ(model.End(), 60);
  EXPECT_TRUE(model.SetEnd(10));
  EXPECT_TRUE(model.SetStart(9.5));  // a start too near the end moves the end
  EXPECT_DOUBLE_EQ(model.Start(), 9.5);
  EXPECT_DOUBLE_EQ(model.End(), 10.5);
  EXPECT_FALSE(model.SetEnd(0));  // not above the start: start + 1, as it is
  EXPECT_TRUE(model.SetEnd(60));
  EXPECT_TRUE(model.SetStart(40));
  EXPECT_TRUE(model.SetEnd(40.5));  // an end too near the start moves the start
  EXPECT_DOUBLE_EQ(model.Start(), 39.5);
  EXPECT_DOUBLE_EQ(model.End(), 40.5);
  EXPECT_TRUE(model.SetStart(0));
  EXPECT_TRUE(model.SetEnd(0.5));  // the start cannot go below 0: the end gives way
  EXPECT_DOUBLE_EQ(model.Start(), 0);
  EXPECT_DOUBLE_EQ(model.End(), 1);
  // The clip's own range follows.
  EXPECT_DOUBLE_EQ(model.Clip(0).StartTime(), model.Start());
  EXPECT_DOUBLE_EQ(model.Clip(0).EndTime(), model.End());
  const gui::TClipRow row = model.Row(0);
  EXPECT_EQ(row.Length, TimeText(model.End() - model.Start()));
}

TEST(ClipList, ASourceShorterThanASecondIsOneWholeClip) {
  TMediaTaskMgr mgr;
  TClipListModel model(*AddFakeTask(mgr, 0.6), 0);
  EXPECT_DOUBLE_EQ(model.Start(), 0);
  EXPECT_DOUBLE_EQ(model.End(), 0.6);
  model.SetStart(0.3);
  model.SetEnd(0.1);
  EXPECT_DOUBLE_EQ(model.Start(), 0);
  EXPECT_DOUBLE_EQ(model.End(), 0.6);
  TMediaTaskMgr empty_mgr;
  TClipListModel empty(*AddFakeTask(empty_mgr, 0), 0);  // no length at all
  EXPECT_DOUBLE_EQ(empty.End(), 0);
  EXPECT_FALSE(empty.SetEnd(5));
}

TEST(ClipList, TypedTimesAreCorrectedAfterAMessage) {
  EXPECT_DOUBLE_EQ(gui::ParseTimeText("01:02:03"), 3723);
  EXPECT_DOUBLE_EQ(gui::ParseTimeText(" 0: 1: 5"), 65);
  EXPECT_DOUBLE_EQ(gui::ParseTimeText("12"), 12 * 3600);
  EXPECT_DOUBLE_EQ(gui::ParseTimeText("::7"), 7);
  EXPECT_DOUBLE_EQ(gui::ParseTimeText("ab:cd:ef"), 0);

  TMediaTaskMgr mgr;
  TClipListModel model(*AddFakeTask(mgr, 60), 0);
  gui::TTimeEditResult r = model.EditTime(TClipColumn::End, "99:99:99");
  ASSERT_TRUE(r.Message);
  EXPECT_EQ(r.Message->Key, "INF_Endtime_Big");
  EXPECT_DOUBLE_EQ(model.End(), 60);
  r = model.EditTime(TClipColumn::Start, "00:01:00");
  ASSERT_TRUE(r.Message);
  EXPECT_EQ(r.Message->Key, "INF_Starttime_Big");
  EXPECT_TRUE(r.Restored);
  EXPECT_DOUBLE_EQ(model.Start(), 0);
  r = model.EditTime(TClipColumn::Start, "00:00:20");
  EXPECT_FALSE(r.Message);
  EXPECT_TRUE(r.Changed);
  EXPECT_DOUBLE_EQ(model.Start(), 20);
  r = model.EditTime(TClipColumn::End, "00:00:10");  // not above the start: start + 1
  ASSERT_TRUE(r.Message);
  EXPECT_DOUBLE_EQ(model.End(), 21);
}

TEST(ClipList, CancelLeavesTheTaskAsItWasAndDeletingFreesOnlyTheCopy) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* base = AddFakeTask(mgr, 60);
  base->AddClip()->SetRange(0, 10);
  base->AddClip()->SetRange(10, 20);
  TMediaTask* kept = base->Clips().Items(0);
  const std::vector<TClipState> before = Clips(*base);
  {
    TClipListModel model(*base, 1);
    EXPECT_EQ(model.Selected(), 1);
    EXPECT_DOUBLE_EQ(model.Start(), 10);
    model.SetStart(12);
    model.DeleteClip(0);
    EXPECT_EQ(model.Selected(), 0);
    model.NewClip();
    EXPECT_TRUE(model.Unsaved());
  }  // Cancel: the copy goes
  EXPECT_EQ(Clips(*base), before);
  EXPECT_EQ(base->Clips().Items(0), kept);
  EXPECT_EQ(kept->Title, before[0].Title);  // still a live clip
}

TEST(TrackScale, NeverDividesByZero) {
  EXPECT_EQ(gui::BarPosition(5, 10, 0, 100), 50);
  EXPECT_EQ(gui::BarPosition(5, 0, 0, 100), 0);     // no length
  EXPECT_EQ(gui::BarPosition(5, 10, 20, 20), 20);   // no width
  EXPECT_EQ(gui::BarPosition(50, 10, 0, 100), 100); // kept on the bar
  EXPECT_EQ(gui::BarPosition(-1, 10, 3, 100), 3);
  EXPECT_DOUBLE_EQ(gui::BarTime(50, 0, 100, 10), 5);
  EXPECT_DOUBLE_EQ(gui::BarTime(50, 0, 0, 10), 0);
  EXPECT_DOUBLE_EQ(gui::BarTime(50, 0, 100, 0), 0);
  EXPECT_DOUBLE_EQ(gui::BarTime(500, 0, 100, 10), 10);
}

}  // namespace
}  // namespace fc
