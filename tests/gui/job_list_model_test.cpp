#include "gui/model/job_list_model.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/language.h"
#include "gui/model/clip_list_model.h"
#include "model_fixture.h"
#include "tasks/task_source.h"

namespace fc::test {
namespace {

namespace fs = std::filesystem;
using gui::TJobColumn;
using gui::TJobIcon;
using gui::TMessage;

// A single message without arguments.
std::vector<TMessage> Only(const char* key) { return {TMessage{key, {}}}; }

TEST_F(JobListTest, AddedFilesGetUniqueNamesThroughTheProfile) {
  FC_REQUIRE_FFMPEG();
  const std::string clip = Clip("a.mp4");
  const gui::TAddResult r = list.AddPaths({clip, clip}, *profile);
  EXPECT_EQ(r.Added, 2);
  EXPECT_TRUE(r.Messages.empty());
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(r.Select, list.Item(0));
  const gui::TJobItem& first = *list.Item(0);
  EXPECT_EQ(list.Caption(first), "a.mp4");
  EXPECT_EQ(list.ColumnText(first, TJobColumn::Length), "00:00:03");
  EXPECT_EQ(list.ColumnText(first, TJobColumn::OutputFile), "a.flv");
  EXPECT_NE(list.ColumnText(first, TJobColumn::EstimatedSize), "0");
  EXPECT_EQ(list.ColumnText(*list.Item(1), TJobColumn::OutputFile), "a(1).flv");
  EXPECT_EQ(list.Icon(first), TJobIcon::BaseTask);
  EXPECT_TRUE(first.Checked);
  EXPECT_EQ(first.Task()->FormatId, 101);
  EXPECT_EQ(first.Task()->ProfileExt, ".flv");
}

TEST_F(JobListTest, RefusedPathsAreReportedByName) {
  FC_REQUIRE_FFMPEG();
  std::ofstream(dir / "movie.swf") << "FWS";
  std::ofstream(dir / "notes.mp4") << "not a video";
  gui::TAddResult r = list.AddPaths({(dir / "movie.swf").string(), (dir / "notes.mp4").string()}, *profile);
  EXPECT_EQ(r.Added, 0);
  EXPECT_EQ(r.Failed, 2);
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Messages[0], (TMessage{"INF_ErrorAdd", {int64_t{2}, std::string("movie.swf\nnotes.mp4")}}));
  EXPECT_TRUE(r.ShowGettingStarted);
  EXPECT_EQ(manager.Tasks().Count(), 0u);  // no task is left behind without an item

  r = list.AddPaths({Clip("a.mp4"), (dir / "movie.swf").string()}, *profile);
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Messages[0], (TMessage{"INF_ErrorAddFile", {int64_t{1}, int64_t{1}, std::string("movie.swf")}}));
}

TEST_F(JobListTest, AnAudioOnlyFileIsRefused) {
  FC_REQUIRE_FFMPEG();
  const std::string audio = MakeMedia("tone.mp4", "", "sine=frequency=440:sample_rate=44100:duration=1", "-c:a aac");
  const gui::TAddResult r = list.AddPaths({audio}, *profile);
  EXPECT_EQ(r.Added, 0);
  EXPECT_EQ(r.Failed, 1);
  EXPECT_EQ(manager.Tasks().Count(), 0u);
}

TEST_F(JobListTest, DroppingAFolderOntoAnEmptyListIsRefused) {
  fs::create_directories(dir / "videos");
  const gui::TAddResult r = list.AddPaths({(dir / "videos").string()}, *profile, {.Dropping = true});
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Messages[0].Key, "INF_DropFolderFile");
  EXPECT_TRUE(r.ShowGettingStarted);
  EXPECT_TRUE(list.Empty());
}

TEST_F(JobListTest, ALoneVideoTsIfoAddsNothing) {
  fs::create_directories(dir / "VIDEO_TS");
  std::ofstream(dir / "VIDEO_TS" / "VIDEO_TS.IFO") << "menu";
  const gui::TAddResult r = list.AddPaths({(dir / "VIDEO_TS" / "VIDEO_TS.IFO").string()}, *profile);
  ASSERT_EQ(r.Messages.size(), 1u);
  EXPECT_EQ(r.Messages[0], (TMessage{"INF_Select_File", {int64_t{0}, int64_t{0}, std::string()}}));
  EXPECT_TRUE(list.Empty());
}

TEST_F(JobListTest, FolderScansTakeSupportedVideosOnly) {
  FC_REQUIRE_FFMPEG();
  fs::create_directories(dir / "in" / "sub");
  fs::copy_file(StandardClip(), dir / "in" / "one.MP4");
  fs::copy_file(StandardClip(), dir / "in" / "sub" / "deeper.mp4");
  std::ofstream(dir / "in" / "readme.txt") << "text";
  gui::TAddResult r = list.AddFolder((dir / "in").string(), *profile);
  EXPECT_EQ(r.Added, 1);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Caption(*list.Item(0)), "one.MP4");

  r = list.AddFolder((dir / "in" / "sub" / "none").string(), *profile);
  EXPECT_EQ(r.Messages, Only("INF_FolderInvalid"));
  r = list.AddDvdFolder((dir / "in").string(), *profile);
  EXPECT_EQ(r.Messages, Only("INF_FolderInvalid"));
}

TEST_F(JobListTest, DvdFoldersNeedTheFirstTitleSet) {
  fs::create_directories(dir / "disc" / "VIDEO_TS");
  std::ofstream(dir / "disc" / "VIDEO_TS" / "VTS_02_0.IFO") << "x";
  EXPECT_TRUE(gui::FindDvdIfoFiles((dir / "disc").string()).empty());
  std::ofstream(dir / "disc" / "VIDEO_TS" / "VTS_01_0.IFO") << "x";
  std::ofstream(dir / "disc" / "VIDEO_TS" / "VIDEO_TS.IFO") << "x";
  const std::vector<std::string> found = gui::FindDvdIfoFiles((dir / "disc").string());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(fs::path(found[0]).filename(), "VTS_01_0.IFO");
  EXPECT_EQ(gui::FindDvdIfoFiles((dir / "disc" / "VIDEO_TS").string()), found);
}

TEST_F(JobListTest, RenameKeepsNamesSafeAndUnique) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(2);
  gui::TJobItem& b = *items[1];
  list.Rename(b, "a");
  EXPECT_EQ(b.Task()->OutputFileName, "a(1).flv");
  list.Rename(b, "");
  EXPECT_EQ(b.Task()->OutputFileName, "a(1).flv");
  list.Rename(b, " .. ");
  EXPECT_EQ(b.Task()->OutputFileName, "a(1).flv");
  list.Rename(b, "../up/and\\away\x01");
  EXPECT_EQ(b.Task()->OutputFileName, "_up_and_away_.flv");
  // Renaming to its own name is no clash.
  list.Rename(*items[0], "A");
  EXPECT_EQ(items[0]->Task()->OutputFileName, "A.flv");
}

TEST_F(JobListTest, MergeNeedsTwoItemsAndItsMembersSurviveIt) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  gui::TCommandResult r = list.Merge({items[0]}, *profile);
  EXPECT_EQ(r.Messages, Only("INF_MainMergeInf"));
  EXPECT_EQ(list.Count(), 3u);

  r = list.Merge({items[0], items[1]}, *profile);
  EXPECT_TRUE(r.Messages.empty());
  ASSERT_EQ(list.Count(), 4u);
  gui::TJobItem* merge = list.Item(3);
  EXPECT_EQ(r.Select, merge);
  EXPECT_EQ(list.Icon(*merge), TJobIcon::Merge);
  EXPECT_EQ(list.Caption(*merge), GetString("INF_MergedItemInfo", "Merged") + " 1");
  EXPECT_EQ(merge->Task()->OutputFileName, list.Caption(*merge) + ".flv");
  EXPECT_TRUE(merge->Expanded);
  ASSERT_EQ(merge->ChildCount(), 2u);
  EXPECT_EQ(merge->Child(0)->Task(), items[0]->Task());
  EXPECT_EQ(list.ColumnText(*merge->Child(0), TJobColumn::Length), "-");
  EXPECT_EQ(list.ColumnText(*merge->Child(0), TJobColumn::OutputFile), "-");
  EXPECT_FALSE(items[0]->Checked);
  EXPECT_FALSE(items[1]->Checked);
  EXPECT_DOUBLE_EQ(merge->Task()->Duration(), 6.0);
  EXPECT_EQ(list.MergeCounter(), 1);

  // A member cannot join another merge.
  r = list.Merge({merge->Child(0), items[2]}, *profile);
  EXPECT_EQ(r.Messages, Only("INF_MainMergeInf"));

  // Removing a member leaves its task in the list; the merge goes when its last member goes.
  TMediaTask* first = items[0]->Task();
  list.Remove({merge->Child(0)});
  EXPECT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.FindItem(first), items[0]);
  ASSERT_EQ(merge->ChildCount(), 1u);
  list.Remove({merge->Child(0)});
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(manager.Tasks().Count(), 3u);
}

TEST_F(JobListTest, RemovingAMergeKeepsItsMembers) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(2);
  list.Merge({items[0], items[1]}, *profile);
  const gui::TCommandResult r = list.Remove({list.Item(2)});
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(manager.Tasks().Count(), 2u);
  EXPECT_EQ(r.Select, list.Item(1));
}

TEST_F(JobListTest, RemovingAMemberTaskShrinksTheMergeAndAnEmptyOneGoes) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  list.Merge({items[0], items[1]}, *profile);
  gui::TJobItem* merge = list.Item(3);
  list.Remove({items[0]});
  ASSERT_EQ(list.Count(), 3u);
  ASSERT_EQ(merge->ChildCount(), 1u);
  EXPECT_DOUBLE_EQ(merge->Task()->Duration(), 3.0);
  list.Remove({items[1]});
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(manager.Tasks().Count(), 1u);
  // Clear leaves nothing.
  list.Clear();
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(manager.Tasks().Count(), 0u);
}

TEST_F(JobListTest, SlideMembersWriteFilesOfTheirOwn) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(2);
  const gui::TCommandResult r = list.Slide({items[0], items[1]}, *profile);
  ASSERT_NE(r.Select, nullptr);
  gui::TJobItem& slide = *r.Select;
  EXPECT_EQ(list.Icon(slide), TJobIcon::Slide);
  EXPECT_TRUE(slide.Task()->Flash.ShowSlide);
  ASSERT_EQ(slide.ChildCount(), 2u);
  EXPECT_EQ(list.Icon(*slide.Child(0)), TJobIcon::SlideMember);
  const std::string slide_stem = fs::path(slide.Task()->OutputFileName).stem().string();
  EXPECT_EQ(list.ColumnText(*slide.Child(0), TJobColumn::OutputFile), slide_stem + "_a.flv");
  EXPECT_EQ(list.ColumnText(*slide.Child(1), TJobColumn::OutputFile), slide_stem + "_b.flv");
  EXPECT_EQ(list.ColumnText(*slide.Child(0), TJobColumn::Length), "-");

  // Removing a source task takes its member out; the slide goes with its last member.
  list.Remove({items[0]});
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(slide.ChildCount(), 1u);
  list.Remove({list.Item(0)});
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(manager.Tasks().Count(), 0u);
}

TEST_F(JobListTest, MoveTakesTheItemOnePlace) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  EXPECT_TRUE(list.Move(*items[0], +1).Changed);
  EXPECT_EQ(list.Item(1), items[0]);
  EXPECT_TRUE(list.Move(*items[0], -1).Changed);
  EXPECT_EQ(list.Item(0), items[0]);
  EXPECT_FALSE(list.Move(*items[0], -1).Changed);
  EXPECT_FALSE(list.Move(*items[2], +1).Changed);
}

TEST_F(JobListTest, PastingEffectsAndWatermarks) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  EXPECT_FALSE(list.CanPasteEffect());
  TMediaTaskEditParams& source = *items[0]->Task()->EditParams();
  source.Brightness = 30;
  source.Deinterlace = 2;
  source.Watermark.Enabled = true;
  source.Watermark.Text = "mine";
  source.Watermark.X = 10;
  source.Watermark.Width = 100;
  list.CopyEffect(*items[0]);
  list.CopyWatermark(*items[0]);
  EXPECT_TRUE(list.PasteEffect(*items[1]).Changed);
  EXPECT_EQ(items[1]->Task()->EditParams()->Brightness, 30);
  EXPECT_EQ(items[1]->Task()->EditParams()->Deinterlace, 2);
  // The watermark follows the target's output size.
  items[1]->Task()->Record().Width = 640;
  items[1]->Task()->Record().Height = 480;
  EXPECT_TRUE(list.PasteWatermark(*items[1]).Changed);
  const TMediaTaskWatermark& w = items[1]->Task()->EditParams()->Watermark;
  EXPECT_TRUE(w.Enabled);
  EXPECT_EQ(w.Text, "mine");
  EXPECT_EQ(w.X, 20);
  EXPECT_EQ(w.Width, 200);

  EXPECT_TRUE(list.EffectApplyToAll(*items[0]).Changed);
  EXPECT_EQ(items[2]->Task()->EditParams()->Brightness, 30);

  // The copied source is forgotten with its task.
  list.Remove({items[0]});
  EXPECT_FALSE(list.CanPasteEffect());
  EXPECT_FALSE(list.CanPasteWatermark());
  EXPECT_FALSE(list.PasteEffect(*list.Item(0)).Changed);
}

TEST_F(JobListTest, ATaskDeletedElsewhereLeavesTheList) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(2);
  list.CopyEffect(*items[1]);
  items[1]->Task()->Delete();
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_FALSE(list.CanPasteEffect());
}

TEST_F(JobListTest, ApplyingAProfileScalesTheWatermarkWithoutDividingByZero) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(1);
  TMediaTask& task = *items[0]->Task();
  TMediaTaskWatermark& w = task.EditParams()->Watermark;
  w.Enabled = true;
  w.X = 16;
  w.Width = 32;
  const TProfileItem* larger = nullptr;
  for (const TProfileItem* p : catalogue.BuiltIn().Items())
    if (p->FourCC == profile->FourCC && p->Width == 640) larger = p;
  if (larger) {
    list.ApplyProfile(task, *larger);
    EXPECT_EQ(task.Record().Width, 640);
    EXPECT_EQ(w.X, 32);
    EXPECT_EQ(w.Width, 64);
  }
  // A task without a size (no video to fall back on) scales from 1, never by 0.
  task.Record().Width = task.Record().Height = 0;
  task.Source()->VideoFormat.Width = task.Source()->VideoFormat.Height = 0;
  list.ApplyProfile(task, *profile);
  EXPECT_EQ(task.Record().Width, profile->Width);
  EXPECT_EQ(task.OutputFileName, "a.flv");
}

TEST_F(JobListTest, CustomizedSettingsReachTheCheckedTasksAndTheCustomizedOne) {
  FC_REQUIRE_FFMPEG();
  list.Catalogue = &catalogue;
  const auto items = AddClips(3);
  items[1]->Checked = false;
  items[2]->Checked = false;
  TSwfFeature flash;
  flash.PlayerID = "Minimal.png";
  flash.Generate.SwfType = kSwfTypeEmbedded;
  flash.ShowSlide = true;  // the dialog's mark of its task, not a setting
  TCustomProfileSettings custom;
  custom.FormatId = profile->EffectiveId();
  custom.VideoWidth = 480;
  custom.VideoHeight = 360;
  custom.VideoFrameRate = 12;
  const gui::TCommandResult result = list.ApplyCustomized(flash, custom, *profile, *items[1]);
  EXPECT_TRUE(result.Changed);
  EXPECT_EQ(manager.DefaultFlash.PlayerID, "Minimal.png");
  EXPECT_FALSE(manager.DefaultFlash.ShowSlide);
  EXPECT_EQ(manager.CustomProfile.VideoWidth, 480);
  for (const int i : {0, 1}) {
    const TMediaTask& task = *items[i]->Task();
    EXPECT_EQ(task.Flash.PlayerID, "Minimal.png") << i;
    EXPECT_EQ(task.Flash.Generate.SwfType, kSwfTypeEmbedded) << i;
    EXPECT_EQ(task.Record().Width, 480) << i;
    EXPECT_EQ(task.Record().FrameRate, 12) << i;
  }
  // Neither checked nor customised: untouched.
  EXPECT_NE(items[2]->Task()->Flash.PlayerID, "Minimal.png");
  EXPECT_EQ(items[2]->Task()->Record().Width, profile->Width);
}

class StartTest : public JobListTest {
protected:
  gui::TStartEnvironment Environment(uint64_t free_space = ~0ull) {
    return {(dir / "default").string(), [free_space](const std::string&) { return free_space; }};
  }
};

TEST_F(StartTest, TheFolderMustBeAnAbsolutePathAndIsMadeWhenMissing) {
  FC_REQUIRE_FFMPEG();
  AddClips(1);
  gui::TStartResult r = list.PrepareStart("relative/out", Environment());
  EXPECT_FALSE(r.Ready);
  EXPECT_EQ(r.Messages, Only("INF_InvalidDir"));
  EXPECT_EQ(r.FolderText, (dir / "default").string());

  std::ofstream(dir / "file") << "x";
  r = list.PrepareStart((dir / "file" / "out").string(), Environment());
  EXPECT_EQ(r.Messages, Only("INF_MainDiscError"));
  EXPECT_TRUE(r.SelectFolderText);

  r = list.PrepareStart("  " + (dir / "new" / "out").string() + " ", Environment());
  EXPECT_TRUE(r.Ready);
  EXPECT_TRUE(fs::is_directory(dir / "new" / "out"));
  EXPECT_EQ(manager.OutputFolder, (dir / "new" / "out").string());

  r = list.ValidateOutputFolder("out", "/default");
  EXPECT_EQ(r.Messages, Only("INF_InvalidDir"));
  r = list.ValidateOutputFolder((dir / "file" / "x").string(), "/default");
  EXPECT_EQ(r.Messages, Only("INF_CreateFolder_Error"));
  EXPECT_EQ(r.FolderText, "/default");
}

TEST_F(StartTest, ChecksComeInOrder) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(2);
  const std::string out = (dir / "out").string();
  for (gui::TJobItem* item : items) item->Checked = false;
  gui::TStartResult r = list.PrepareStart(out, Environment());
  EXPECT_EQ(r.Messages, Only("INF_LackTask"));

  items[1]->Checked = true;
  items[1]->Task()->Record().ContainerFourCC = kFourCCCopy;
  r = list.PrepareStart(out, Environment());
  EXPECT_EQ(r.Messages, Only("INF_DvdCopy"));

  items[1]->Task()->Record().ContainerFourCC = profile->FourCC;
  r = list.PrepareStart(out, Environment(1));
  EXPECT_EQ(r.Messages, Only("INF_NoSpace"));
  EXPECT_FALSE(r.Ready);

  r = list.PrepareStart(out, Environment());
  EXPECT_TRUE(r.Ready);
  EXPECT_TRUE(items[0]->Task()->Excluded);
  EXPECT_FALSE(items[1]->Task()->Excluded);
  EXPECT_EQ(items[1]->Task()->Order, 1);
}

TEST_F(StartTest, TasksAreNumberedAsTheListShowsThem) {
  FC_REQUIRE_FFMPEG();
  const auto items = AddClips(3);
  list.Move(*items[2], -1);
  list.Move(*items[2], -1);
  list.Slide({items[0], items[1]}, *profile);
  gui::TJobItem* slide = list.Item(3);
  ASSERT_TRUE(list.PrepareStart((dir / "out").string(), Environment()).Ready);
  EXPECT_EQ(manager.Tasks().Items(0), items[2]->Task());
  EXPECT_TRUE(slide->Task()->Excluded);                // its members are converted
  EXPECT_FALSE(slide->Child(0)->Task()->Excluded);
  EXPECT_TRUE(items[0]->Task()->Excluded);             // unchecked by the slide
  std::vector<TMediaTask*> included = manager.IncludedTasks();
  EXPECT_EQ(included.size(), 3u);

  slide->Checked = false;
  ASSERT_TRUE(list.PrepareStart((dir / "out").string(), Environment()).Ready);
  EXPECT_EQ(manager.IncludedTasks().size(), 1u);
}

}  // namespace
}  // namespace fc::test

namespace fc::test {
namespace {

TEST_F(JobListTest, TheClipDialogsCopyBecomesTheTasksClips) {
  FC_REQUIRE_FFMPEG();
  gui::TJobItem& item = *AddClips(1)[0];
  auto& base = static_cast<TMediaBaseTask&>(*item.Task());
  {
    gui::TClipListModel dialog(base, 0);  // the first clip: the whole 3 s
    dialog.SetEnd(2);
    dialog.NewClip();
    dialog.SetStart(1.5);
    const gui::TCommandResult r = list.TakeClips(item, dialog.Working(), 1);
    EXPECT_TRUE(r.Changed);
    ASSERT_EQ(item.ChildCount(), 2u);
    EXPECT_EQ(r.Select, item.Child(1));
  }
  ASSERT_EQ(base.Clips().Count(), 2u);
  EXPECT_FALSE(item.Checked);
  EXPECT_TRUE(item.Expanded);
  EXPECT_TRUE(item.Child(0)->Checked);
  EXPECT_EQ(item.Child(0)->Task(), base.Clips().Items(0));
  EXPECT_DOUBLE_EQ(base.Clips().Items(1)->StartTime(), 1.5);
  EXPECT_EQ(list.Icon(*item.Child(0)), gui::TJobIcon::Clip);

  // A clip deleted in the dialog goes the usual way: its row and the copy source forget it.
  list.CopyEffect(*item.Child(0));
  ASSERT_NE(list.EffectSource(), nullptr);
  {
    gui::TClipListModel dialog(base, 0);
    dialog.DeleteClip(0);
    dialog.NewClip();
    list.TakeClips(item, dialog.Working(), 0);
  }
  EXPECT_EQ(list.EffectSource(), nullptr);
  ASSERT_EQ(base.Clips().Count(), 2u);
  EXPECT_EQ(static_cast<TMediaClipTask*>(base.Clips().Items(0))->ClipId, 2);
  EXPECT_EQ(static_cast<TMediaClipTask*>(base.Clips().Items(1))->ClipId, 3);  // never a reused id

  // No clip left: the task is converted whole again.
  {
    gui::TClipListModel dialog(base, 0);
    dialog.DeleteClip(1);
    dialog.DeleteClip(0);
    list.TakeClips(item, dialog.Working(), -1);
  }
  EXPECT_EQ(base.Clips().Count(), 0u);
  EXPECT_EQ(item.ChildCount(), 0u);
  EXPECT_TRUE(item.Checked);
}

}  // namespace
}  // namespace fc::test
