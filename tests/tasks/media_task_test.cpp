#include "tasks/media_task.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "core/config.h"
#include "engine/formats.h"
#include "task_fixture.h"
#include "tasks/encode_run.h"

namespace fc {
namespace {

using test::AddFakeTask;

// --- unique names -----------------------------------------------------------------------------

TEST(MakeUniqueName, CountsClashesThenTriesTheNextNumbers) {
  TMediaTaskMgr mgr;
  TMediaTaskList& list = mgr.Tasks();
  TMediaTask* self = AddFakeTask(mgr, 1, "self.flv");
  EXPECT_EQ(list.MakeUniqueName(self, "a", ".flv"), "a.flv");
  AddFakeTask(mgr, 1, "a.flv");
  EXPECT_EQ(list.MakeUniqueName(self, "a", ".flv"), "a(1).flv");
  AddFakeTask(mgr, 1, "A.FLV");  // compared without case
  EXPECT_EQ(list.MakeUniqueName(self, "a", ".flv"), "a(2).flv");
}

TEST(MakeUniqueName, SkipsTakenNumbersAndTheExceptedTask) {
  TMediaTaskMgr mgr;
  TMediaTask* first = AddFakeTask(mgr, 1, "a.flv");
  AddFakeTask(mgr, 1, "a(1).flv");
  EXPECT_EQ(mgr.Tasks().MakeUniqueName(nullptr, "a", ".flv"), "a(2).flv");
  // The task being named does not clash with itself.
  EXPECT_EQ(mgr.Tasks().MakeUniqueName(first, "a", ".flv"), "a.flv");
}

TEST(MakeUniqueName, UserTextIsNeverAFormat) {
  TMediaTaskMgr mgr;
  AddFakeTask(mgr, 1, "100%s%n%d.flv");
  EXPECT_EQ(mgr.Tasks().MakeUniqueName(nullptr, "100%s%n%d", ".flv"), "100%s%n%d(1).flv");
}

// --- ids and clips ----------------------------------------------------------------------------

TEST(TaskIds, WrapFromTheLargestValueToZero) {
  int32_t counter = INT32_MAX - 1;
  EXPECT_EQ(NextWrappingId(counter), INT32_MAX);
  EXPECT_EQ(NextWrappingId(counter), 0);
  EXPECT_EQ(NextWrappingId(counter), 1);
  const int32_t a = NextTaskId(), b = NextTaskId();
  EXPECT_NE(a, b);
}

TEST(Clips, EachNewClipStartsWhereTheLastEnds) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* base = AddFakeTask(mgr, 10);
  base->SetRange(1, 9);
  TMediaClipTask* c1 = base->AddClip();
  EXPECT_EQ(c1->Kind(), TMediaTaskKind::Clip);
  EXPECT_EQ(c1->Parent, base);
  EXPECT_EQ(c1->ClipId, 1);
  EXPECT_EQ(c1->Title, "Segment 1");
  EXPECT_DOUBLE_EQ(c1->StartTime(), 1);  // the first clip keeps the parent's range
  EXPECT_DOUBLE_EQ(c1->EndTime(), 9);
  c1->SetRange(1, 3);
  TMediaClipTask* c2 = base->AddClip();
  EXPECT_DOUBLE_EQ(c2->StartTime(), 3);
  EXPECT_DOUBLE_EQ(c2->EndTime(), 10);  // to the media's length
  c2->SetRange(3, 5);
  TMediaClipTask* c3 = base->AddClip();
  EXPECT_DOUBLE_EQ(c3->StartTime(), 5);
  EXPECT_DOUBLE_EQ(c3->Duration(), 5);
  EXPECT_EQ(c3->Title, "Segment 3");
  EXPECT_EQ(c3->ClipId, 3);
  // Clips share the parent's edits but each keeps its own range.
  EXPECT_EQ(c3->EditParams(), base->EditParams());
  EXPECT_DOUBLE_EQ(base->StartTime(), 1);
}

TEST(Clips, SyncFromRemovesUpdatesAndAddsByClipId) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* base = AddFakeTask(mgr, 10);
  base->AddClip()->SetRange(0, 2);
  base->AddClip()->SetRange(2, 4);
  // The trim dialog edits a copy.
  auto copy = base->NewLike(&mgr.Tasks());
  copy->Assign(*base, TAssignMode::Clones);
  auto& edited = static_cast<TMediaBaseTask&>(*copy);
  ASSERT_EQ(edited.Clips().Count(), 2u);
  edited.Clips().Remove(edited.Clips().FindByClipId(1));
  edited.Clips().FindByClipId(2)->SetRange(2.5, 3.5);
  TMediaClipTask* added = edited.AddClip();
  EXPECT_EQ(added->ClipId, 3);
  base->Clips().SyncFrom(edited.Clips(), TAssignMode::Shallow);
  ASSERT_EQ(base->Clips().Count(), 2u);
  EXPECT_EQ(base->Clips().IndexOfClipId(1), -1);
  EXPECT_DOUBLE_EQ(base->Clips().FindByClipId(2)->StartTime(), 2.5);
  EXPECT_NE(base->Clips().FindByClipId(3), nullptr);
  EXPECT_EQ(base->Clips().FindByClipId(3)->Parent, base);
}

TEST(Clips, TakingAnEditedCopyOverKeepsClipIdsUnique) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* base = AddFakeTask(mgr, 10);
  // Two sessions of the trim dialog, each on a clone: the second must not hand out the ids the
  // first one did, or taking it over would overwrite a clip made in the first.
  for (int session = 0; session < 2; ++session) {
    std::unique_ptr<TMediaTask> copy = base->Clone();
    auto& edited = static_cast<TMediaBaseTask&>(*copy);
    edited.AddClip()->SetRange(session * 4, session * 4 + 2);
    base->SyncClipsFrom(edited);
  }
  ASSERT_EQ(base->Clips().Count(), 2u);
  EXPECT_EQ(static_cast<TMediaClipTask*>(base->Clips().Items(0))->ClipId, 1);
  EXPECT_EQ(static_cast<TMediaClipTask*>(base->Clips().Items(1))->ClipId, 2);
  EXPECT_DOUBLE_EQ(base->Clips().Items(0)->StartTime(), 0);
  EXPECT_DOUBLE_EQ(base->Clips().Items(1)->StartTime(), 4);
  EXPECT_EQ(base->ClipCounter(), 2);
  EXPECT_EQ(base->AddClip()->ClipId, 3);
}

// --- Assign, clone, children ------------------------------------------------------------------

TEST(Assign, CopiesValuesSourceAndEditsDeeply) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 8, "x.mp4");
  a->Order = 7;
  a->Title = "Überschrift";
  a->Tag = "kept";
  a->FormatId = 101;
  a->ProfileExt = ".flv";
  a->Record().Width = 176;
  a->Flash.Playback.AutoRewind = true;
  a->EditParams()->Brightness = 30;
  a->EditParams()->Watermark.Text = "w";
  a->SetRange(2, 6);
  std::unique_ptr<TMediaTask> b = a->Clone();
  EXPECT_EQ(b->Kind(), TMediaTaskKind::Base);
  EXPECT_NE(b->Id, a->Id);
  EXPECT_EQ(b->Order, 7);
  EXPECT_EQ(b->Title, "Überschrift");
  EXPECT_EQ(b->Tag, "kept");
  EXPECT_EQ(b->OutputFileName, "x.mp4");
  EXPECT_EQ(b->FormatId, 101);
  EXPECT_EQ(b->ProfileExt, ".flv");
  EXPECT_EQ(b->Record().Width, 176);
  EXPECT_TRUE(b->Flash.Playback.AutoRewind);
  EXPECT_EQ(b->EditParams()->Brightness, 30);
  EXPECT_DOUBLE_EQ(b->StartTime(), 2);
  // Deep: changing the copy leaves the original alone.
  b->EditParams()->Brightness = -5;
  b->SetRange(0, 1);
  EXPECT_EQ(a->EditParams()->Brightness, 30);
  EXPECT_DOUBLE_EQ(a->StartTime(), 2);
  EXPECT_NE(b->Source(), a->Source());
  EXPECT_EQ(b->Source()->Owner, b.get());
}

TEST(Assign, ModesDecideWhatHappensToTheClips) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 8);
  a->AddClip();
  TMediaBaseTask* b = AddFakeTask(mgr, 8);
  b->Assign(*a, TAssignMode::Shallow);
  EXPECT_EQ(b->Clips().Count(), 0u);
  b->Assign(*a, TAssignMode::Clones);
  ASSERT_EQ(b->Clips().Count(), 1u);
  EXPECT_NE(b->Clips().Items(0), a->Clips().Items(0));
  EXPECT_EQ(static_cast<TMediaClipTask*>(b->Clips().Items(0))->Parent, b);
  EXPECT_EQ(b->ClipCounter(), a->ClipCounter());
}

TEST(Children, SubTasksComeBeforeClips) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 8);
  TMediaClipTask* clip = a->AddClip();
  TMediaMultiProfileTask* member = TMediaMultiProfileTask::Create(a);
  TMediaTaskList& children = a->ChildTasks();
  ASSERT_EQ(children.Count(), 2u);
  EXPECT_EQ(children.Items(0), member);
  EXPECT_EQ(children.Items(1), clip);
}

TEST(MultiProfile, SharesTheOwnersSourceAndEdits) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 8);
  a->Record().ContainerFourCC = kFourCCFlv;
  TMediaMultiProfileTask* m = TMediaMultiProfileTask::Create(a);
  EXPECT_EQ(m->Kind(), TMediaTaskKind::MultiProfile);
  EXPECT_EQ(m->OwnerTask, a);
  EXPECT_EQ(m->Source(), a->Source());
  EXPECT_EQ(m->Source()->Owner, m);  // asking points the source back at the member
  EXPECT_EQ(m->EditParams(), a->EditParams());
  EXPECT_EQ(m->Record().ContainerFourCC, kFourCCFlv);
  EXPECT_TRUE(a->SubTasks.Contains(m));
}

// --- slides, merges and deleting --------------------------------------------------------------

TEST(Slides, MembersLeaveWithTheirSourceTaskAndWithTheSlide) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 4);
  TMediaBaseTask* b = AddFakeTask(mgr, 6);
  auto* slide = static_cast<TMediaSlideTask*>(mgr.Tasks().Add(std::make_unique<TMediaSlideTask>(&mgr.Tasks())));
  EXPECT_TRUE(slide->Excluded);
  slide->AddSlideMember(a);
  slide->AddSlideMember(b);
  EXPECT_DOUBLE_EQ(slide->Duration(), 10);
  EXPECT_DOUBLE_EQ(slide->MergeSource().MemberOffset(b->SubTasks.Items(0)), 4);
  std::vector<TMediaTask*> told;
  const int key = mgr.AddRemovalListener([&](TMediaTask* t) { told.push_back(t); });
  a->Delete();  // frees its member too
  EXPECT_EQ(told, std::vector<TMediaTask*>{a});
  EXPECT_EQ(slide->MergeSource().Members().Count(), 1u);
  EXPECT_DOUBLE_EQ(slide->Duration(), 6);
  mgr.RemoveRemovalListener(key);
  slide->Delete();  // takes the remaining member out of b's SubTasks
  EXPECT_EQ(told.size(), 1u);
  EXPECT_EQ(b->SubTasks.Count(), 0u);
}

TEST(Merges, InformationComesFromTheMembers) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 3);
  a->Source()->HasVideo = false;
  a->Source()->ProgramValue = 2;
  auto* b = static_cast<TMediaBaseTask*>(mgr.Tasks().Add(
      std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::make_unique<test::FakeSource>(5, 640, 360))));
  TMediaBaseTask* c = AddFakeTask(mgr, 2);  // 320x240, after b
  auto* merge = static_cast<TMediaMergeTask*>(mgr.Tasks().Add(std::make_unique<TMediaMergeTask>(&mgr.Tasks())));
  merge->MergeSource().AddMember(a);
  merge->MergeSource().AddMember(b);
  merge->MergeSource().AddMember(c);
  merge->MergeSource().AddMember(merge);  // never itself
  const TMediaTaskMediaSource* s = merge->Source();
  EXPECT_DOUBLE_EQ(s->Length, 10);
  EXPECT_EQ(s->ProgramValue, 2);
  EXPECT_EQ(s->VideoFormat.Width, 640);  // the first member with video wins
  EXPECT_EQ(merge->EditParams(), nullptr);
  merge->MergeSource().RemoveMember(b);
  EXPECT_DOUBLE_EQ(merge->Duration(), 5);
  EXPECT_EQ(merge->Source()->VideoFormat.Width, 320);
  c->Delete();  // a freed member leaves the merge
  EXPECT_EQ(merge->MergeSource().Members().Count(), 1u);
}

TEST(Manager, ClearingWithSlidesAndMergesFreesEverythingOnce) {
  auto mgr = std::make_unique<TMediaTaskMgr>();
  TMediaBaseTask* a = AddFakeTask(*mgr, 4);
  a->AddClip();
  auto* slide = static_cast<TMediaSlideTask*>(mgr->Tasks().Add(std::make_unique<TMediaSlideTask>(&mgr->Tasks())));
  slide->AddSlideMember(a);
  auto* merge = static_cast<TMediaMergeTask*>(mgr->Tasks().Add(std::make_unique<TMediaMergeTask>(&mgr->Tasks())));
  merge->MergeSource().AddMember(a);
  mgr->Tasks().Clear();
  EXPECT_EQ(mgr->Tasks().Count(), 0u);
  AddFakeTask(*mgr, 1);
  mgr.reset();  // the sanitizer build checks that nothing is freed twice or leaked
}

// --- sizes, paths, totals ---------------------------------------------------------------------

TEST(Task, DurationOutputSizeAndPath) {
  TMediaTaskMgr mgr;
  mgr.OutputFolder = "/tmp/out/";
  TMediaBaseTask* a = AddFakeTask(mgr, 8, "a.flv");
  a->Source()->EndTime = 0;  // 0 means "to the end"
  a->Source()->StartTime = 3;
  EXPECT_DOUBLE_EQ(a->Duration(), 5);
  int32_t w = 0, h = 0;
  a->OutputSize(w, h);
  EXPECT_EQ(w, 320);
  a->Record().Width = 176;  // only one of the two set: the source's size
  a->OutputSize(w, h);
  EXPECT_EQ(w, 320);
  a->Record().Height = 144;
  a->OutputSize(w, h);
  EXPECT_EQ(w, 176);
  EXPECT_EQ(h, 144);
  EXPECT_EQ(a->OutputPath(), "/tmp/out/a.flv");
}

TEST(Task, DefaultCodecsComeFromTheContainer) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 8);
  a->Record().ContainerFourCC = kFourCCFlv;
  a->Record().AudioFourCC = MakeFourCC("AAC");
  const TEncodeParams& p = a->EncodeParams().Params;
  const TContainerFormat* flv = FindContainer(kFourCCFlv);
  ASSERT_NE(flv, nullptr);
  EXPECT_EQ(p.VideoFourCC, flv->Video.front().FourCC);
  EXPECT_EQ(p.AudioFourCC, MakeFourCC("AAC"));  // set values stay
}

TEST(Manager, TotalSizeSkipsExcludedTasksAndIncludeAllClearsThem) {
  TMediaTaskMgr mgr;
  TMediaBaseTask* a = AddFakeTask(mgr, 10);
  a->Record().ContainerFourCC = kFourCCFlv;
  a->Record().VideoBitrate = 800000;
  a->Record().AudioBitrate = 64000;
  const uint64_t one = a->EstimatedSize();
  EXPECT_GT(one, 0u);
  TMediaClipTask* clip = a->AddClip();
  EXPECT_EQ(mgr.TasksTotalSize(), 2 * one);
  a->Excluded = true;
  clip->Excluded = true;
  EXPECT_EQ(mgr.TasksTotalSize(), 0u);
  mgr.IncludeAll();
  EXPECT_FALSE(a->Excluded);
  EXPECT_FALSE(clip->Excluded);
  a->Source()->VideoFormat.Flags = kFormatSizeUnknown;
  EXPECT_TRUE(a->SizeUnknown());
}

// --- the custom profile -----------------------------------------------------------------------

TEST(CustomProfile, SavesLoadsAndAppliesOnlyWhatIsSet) {
  const auto file = std::filesystem::temp_directory_path() / "tasks_custom_profile.ini";
  std::filesystem::remove(file);
  TConfig config;
  config.Init(file.string());
  TCustomProfileSettings s;
  s.FormatId = 104;
  s.VideoFourCC = MakeFourCC("H264");
  s.VideoFrameRate = 29.97;
  s.VideoWidth = 640;
  s.VideoHeight = 360;
  s.AudioSampleRate = 44100;
  s.SaveToConfig(config);
  TCustomProfileSettings loaded;
  loaded.Channels = 2;  // the stored 0 replaces it
  loaded.LoadFromConfig(config);
  EXPECT_EQ(loaded.FormatId, 104);
  EXPECT_EQ(loaded.VideoFourCC, MakeFourCC("H264"));
  EXPECT_DOUBLE_EQ(loaded.VideoFrameRate, 29.97);
  EXPECT_EQ(loaded.Channels, 0);
  std::filesystem::remove(file);
  TCustomProfileSettings missing;
  missing.Channels = 2;
  missing.FormatId = 9;
  missing.LoadFromConfig(config);  // no file: FormatId 0, the rest unchanged
  EXPECT_EQ(missing.FormatId, 0);
  EXPECT_EQ(missing.Channels, 2);

  TMediaTaskMgr mgr;
  TMediaBaseTask* t = AddFakeTask(mgr, 1);
  t->Record().AudioBitrate = 64000;
  missing.ApplyTo(*t, true);  // FormatId 0: nothing
  EXPECT_EQ(t->FormatId, 0);
  loaded.ApplyTo(*t, false);
  EXPECT_EQ(t->FormatId, 104);
  EXPECT_EQ(t->Record().Width, 0);  // size only when asked
  EXPECT_EQ(t->Record().AudioBitrate, 64000);  // zero values leave the task's
  EXPECT_DOUBLE_EQ(t->Record().FrameRate, 29.97);
  loaded.ApplyTo(*t, true);
  EXPECT_EQ(t->Record().Width, 640);
  TCustomProfileSettings captured;
  captured.CaptureFrom(*t);
  EXPECT_EQ(captured.VideoWidth, 640);
  EXPECT_EQ(captured.FormatId, 104);
}

}  // namespace
}  // namespace fc
