// Task assembly from a request: names, clip rules, merges, slides and outputs that exist.
// Sources with made-up values stand in for media; the runs with real media are in
// conversion_test.cpp.

#include "tasks/task_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <tuple>

#include "../core/test_folder.h"
#include "core/error.h"
#include "engine/formats.h"
#include "task_fixture.h"

namespace fc {
namespace {

using test::FakeSource;

TProfileItem FlvProfile() {
  TProfileItem p;
  p.Id = 101;
  p.Name = "FLV";
  p.FourCC = kFourCCFlv;
  p.Width = 320;
  p.Height = 240;
  p.FrameRate = 25;
  p.VideoBitrate = 400000;
  p.AudioBitrate = 64000;
  p.SampleRate = 22050;
  p.Channels = 1;
  p.ResizeStyle = static_cast<int32_t>(TScaleMode::LetterBox);
  return p;
}

class TaskBuilder : public testing::Test {
protected:
  TMediaBaseTask* Add(const std::string& stem, double length = 10) {
    return builder.AddBaseTask(std::make_unique<FakeSource>(length), stem, request);
  }
  std::vector<std::string> OutputNames() {
    std::vector<std::string> names;
    for (TMediaTask* t : mgr.IncludedTasks()) names.push_back(t->OutputFileName);
    return names;
  }

  TMediaTaskMgr mgr;
  TProfileItem profile = FlvProfile();
  TTaskBuilder builder{mgr, profile};
  TConversionRequest request;
};

TEST(TimeRange, StartsAtZeroOrLaterAndEndsAfterItsStartOrRunsToTheEnd) {
  EXPECT_TRUE((TTimeRange{0, 0}).IsValid());
  EXPECT_TRUE((TTimeRange{1.5, 4}).IsValid());
  EXPECT_TRUE((TTimeRange{3, 0}).IsValid());  // to the end
  EXPECT_FALSE((TTimeRange{4, 4}).IsValid());
  EXPECT_FALSE((TTimeRange{4, 2}).IsValid());
  EXPECT_FALSE((TTimeRange{-1, 2}).IsValid());
  EXPECT_FALSE((TTimeRange{0, std::numeric_limits<double>::infinity()}).IsValid());
  EXPECT_EQ((TTimeRange{1.5, 4}).Text(), "1.5-4");
  EXPECT_EQ((TTimeRange{1, 0}).Text(), "1-");
}

TEST_F(TaskBuilder, TheProfileAndTheChoicesFillTheRecord) {
  request.Encode.Width = 641;  // rounded down to even sizes
  request.Encode.Height = 361;
  request.Encode.AudioBitrate = 96000;
  request.Encode.NoAudio = true;
  TMediaBaseTask* t = Add("a");
  const TEncodeParams& p = t->Record();
  EXPECT_EQ(p.ContainerFourCC, kFourCCFlv);
  EXPECT_EQ(p.Width, 640);
  EXPECT_EQ(p.Height, 360);
  EXPECT_DOUBLE_EQ(p.FrameRate, 25);       // the profile's
  EXPECT_EQ(p.VideoBitrate, 400000);       // the profile's
  EXPECT_EQ(p.AudioBitrate, 96000);
  EXPECT_EQ(p.NoAudio, 1);
  EXPECT_EQ(p.ScaleMode, static_cast<int32_t>(TScaleMode::LetterBox));  // the profile's zoom
  EXPECT_EQ(t->EditParams()->UserScaleMode, 0);
  EXPECT_EQ(t->FormatId, 101);
  EXPECT_EQ(t->ProfileExt, ".flv");
  EXPECT_EQ(t->Title, "a");
  EXPECT_EQ(t->OutputFileName, "a.flv");

  request.Encode.ScaleMode = static_cast<int32_t>(TScaleMode::PanScan);
  request.Edits.Brightness = 30;
  request.Edits.Watermark.Enabled = true;
  request.Edits.Watermark.Kind = kWatermarkText;
  request.Edits.Watermark.Text = "mark";
  TMediaBaseTask* zoomed = Add("b");
  EXPECT_EQ(zoomed->Record().ScaleMode, static_cast<int32_t>(TScaleMode::PanScan));
  EXPECT_EQ(zoomed->EditParams()->UserScaleMode, 1);  // chosen by the user: profiles keep it
  EXPECT_EQ(zoomed->EditParams()->Brightness, 30);
  EXPECT_EQ(zoomed->EditParams()->Owner, zoomed);  // the request's copy is the task's own
  EXPECT_EQ(zoomed->EditParams()->Watermark.Text, "mark");
}

TEST_F(TaskBuilder, OutputNamesAreUniqueAmongTheTasks) {
  Add("a");
  Add("a");
  Add("A");  // compared without case
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.flv", "a(1).flv", "A(2).flv"}));
}

TEST_F(TaskBuilder, AChoiceThatDoesNotFitLeavesNoTaskBehind) {
  request.AudioTrack = 2;  // the fake source lists no audio track
  EXPECT_THROW(Add("a"), Error);
  request.AudioTrack = 0;
  request.Subtitle = 1;
  EXPECT_THROW(Add("a"), Error);
  request.Subtitle = 0;
  request.Edits.Watermark.Enabled = true;
  request.Edits.Watermark.ImageFile = "/no/such/picture.png";
  EXPECT_THROW(Add("a"), Error);
  request.Edits.Watermark.Enabled = false;
  request.RangeStart = 20;  // after the media's end
  EXPECT_THROW(Add("a"), Error);
  EXPECT_EQ(mgr.Tasks().Count(), 0u);
}

TEST_F(TaskBuilder, AnInputThatCannotBeLoadedIsRecordedWithItsMessage) {
  request.Inputs = {"/no/such/file.mp4"};
  EXPECT_TRUE(builder.Build(request).empty());
  ASSERT_EQ(builder.Failures().size(), 1u);
  EXPECT_EQ(builder.Failures()[0].Input, "/no/such/file.mp4");
  EXPECT_TRUE(builder.Failures()[0].Message.starts_with("Fail to load file /no/such/file.mp4")) << builder.Failures()[0].Message;
  EXPECT_EQ(mgr.Tasks().Count(), 0u);
}

TEST_F(TaskBuilder, ARangeIsCountedFromTheInputsBeginningAndCutAtItsEnd) {
  request.RangeStart = 2;
  request.RangeEnd = 50;
  TMediaBaseTask* t = Add("a", 10);
  EXPECT_DOUBLE_EQ(t->StartTime(), 2);
  EXPECT_DOUBLE_EQ(t->EndTime(), 10);
  request.RangeStart.reset();
  request.RangeEnd = 4;
  EXPECT_DOUBLE_EQ(Add("b", 10)->Duration(), 4);
}

TEST_F(TaskBuilder, ClipsKeepTheirRangesWithinTheMediaAndAreNamedAfterTheirInput) {
  TMediaBaseTask* base = Add("a", 10);
  TMediaClipTask* first = builder.AddClip(*base, {1, 4});
  TMediaClipTask* rest = builder.AddClip(*base, {4, 0});      // to the end
  TMediaClipTask* longer = builder.AddClip(*base, {8, 30});   // cut at the end
  EXPECT_DOUBLE_EQ(first->StartTime(), 1);
  EXPECT_DOUBLE_EQ(first->EndTime(), 4);
  EXPECT_DOUBLE_EQ(rest->StartTime(), 4);
  EXPECT_DOUBLE_EQ(rest->EndTime(), 10);
  EXPECT_DOUBLE_EQ(longer->EndTime(), 10);
  EXPECT_EQ(first->OutputFileName, "a_clip1.flv");
  EXPECT_EQ(rest->OutputFileName, "a_clip2.flv");
  EXPECT_EQ(longer->OutputFileName, "a_clip3.flv");
  EXPECT_THROW(builder.AddClip(*base, {10, 12}), Error);  // starts at the end
  EXPECT_THROW(builder.AddClip(*base, {5, 3}), Error);    // ends before it starts
  EXPECT_EQ(base->Clips().Count(), 3u);
}

// Two inputs of the same name: their clips must not write the same file.
TEST_F(TaskBuilder, ClipsOfInputsWithTheSameNameGetTheirOwnOutputs) {
  request.Clips = {{0, 2}, {2, 0}};
  const std::vector<TMediaBaseTask*> bases = {Add("a"), Add("a")};
  builder.Assemble(bases, request);
  EXPECT_TRUE(bases[0]->Excluded);
  EXPECT_TRUE(bases[1]->Excluded);
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a_clip1.flv", "a_clip2.flv", "a(1)_clip1.flv", "a(1)_clip2.flv"}));
}

TEST_F(TaskBuilder, AMergeHoldsItsInputsInOrderUnderAUniqueName) {
  Add("both");  // takes the name first
  const std::vector<TMediaBaseTask*> bases = {Add("a", 2), Add("b", 3)};
  request.Join = TJoinMode::Merge;
  request.Name = "both";
  builder.Assemble(bases, request);
  auto* merge = static_cast<TMediaMergeTask*>(mgr.Tasks().Last());
  ASSERT_EQ(merge->Kind(), TMediaTaskKind::Merge);
  EXPECT_EQ(merge->Title, "both");
  EXPECT_EQ(merge->OutputFileName, "both(1).flv");
  ASSERT_EQ(merge->MergeSource().Members().Count(), 2u);
  EXPECT_EQ(merge->MergeSource().Members().Items(0), bases[0]);
  EXPECT_EQ(merge->MergeSource().Members().Items(1), bases[1]);
  EXPECT_DOUBLE_EQ(merge->Duration(), 5);
  EXPECT_EQ(merge->Record().ContainerFourCC, kFourCCFlv);
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"both.flv", "both(1).flv"}));  // the members are not converted

  TMediaMergeTask* unnamed = builder.AddMerge({bases[0]}, "", request.Encode);
  EXPECT_EQ(unnamed->Title, "merged");
  EXPECT_EQ(unnamed->OutputFileName, "merged.flv");
}

TEST_F(TaskBuilder, ASlideConvertsOneMemberPerInputNamedAfterTheSlide) {
  const std::vector<TMediaBaseTask*> bases = {Add("a"), Add("b")};
  request.Join = TJoinMode::Slide;
  request.Name = "show/1";  // made into one path component
  builder.Assemble(bases, request);
  auto* slide = static_cast<TMediaSlideTask*>(mgr.Tasks().Last());
  ASSERT_EQ(slide->Kind(), TMediaTaskKind::Slide);
  EXPECT_TRUE(slide->Excluded);
  EXPECT_TRUE(slide->Flash.ShowSlide);
  ASSERT_EQ(slide->MergeSource().Members().Count(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    TMediaTask* member = slide->MergeSource().Members().Items(i);
    EXPECT_EQ(member->Kind(), TMediaTaskKind::MultiProfile);
    EXPECT_EQ(static_cast<TMediaMultiProfileTask*>(member)->OwnerTask, bases[i]);
    EXPECT_TRUE(bases[i]->Excluded);
  }
  const std::vector<std::string> names = OutputNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_TRUE(names[0].ends_with("_a.flv")) << names[0];
  EXPECT_TRUE(names[1].ends_with("_b.flv")) << names[1];
  EXPECT_EQ(names[0].find('/'), std::string::npos);
  EXPECT_EQ(slide->OutputFileName, names[0].substr(0, names[0].size() - 6) + ".flv");
}

TEST_F(TaskBuilder, ANameGoesToASingleOutputOnly) {
  request.Name = "renamed";
  builder.Assemble({Add("a")}, request);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"renamed.flv"});
  builder.Assemble({Add("b"), Add("c")}, request);  // two outputs keep their own names
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"renamed.flv", "b.flv", "c.flv"}));
}

TEST_F(TaskBuilder, OutputsThatExistAreRefusedSkippedOrReplaced) {
  test::TempFolder folder;
  mgr.OutputFolder = folder.path();
  TMediaBaseTask* a = Add("a");
  Add("b");
  TMediaClipTask* clip = builder.AddClip(*a, {0, 1});
  std::ofstream(folder.file("b.flv")) << "x";
  std::ofstream(folder.file("a_clip1.flv")) << "x";

  EXPECT_TRUE(ApplyExistingOutputPolicy(mgr, TExistingOutputPolicy::Overwrite).empty());
  EXPECT_EQ(mgr.IncludedTasks().size(), 3u);

  const std::vector<TExistingOutput> refused = ApplyExistingOutputPolicy(mgr, TExistingOutputPolicy::Refuse);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0].Task, clip);  // children come right after their task
  EXPECT_EQ(refused[0].OutputPath, folder.file("a_clip1.flv"));
  EXPECT_TRUE(refused[0].Refused);
  EXPECT_EQ(mgr.IncludedTasks(), std::vector<TMediaTask*>{a});

  mgr.IncludeAll();
  const std::vector<TExistingOutput> skipped = ApplyExistingOutputPolicy(mgr, TExistingOutputPolicy::Skip);
  ASSERT_EQ(skipped.size(), 2u);
  EXPECT_FALSE(skipped[1].Refused);
  EXPECT_EQ(skipped[1].OutputPath, folder.file("b.flv"));
  EXPECT_EQ(mgr.IncludedTasks(), std::vector<TMediaTask*>{a});
}

// The Flash files count as outputs too: an embedded movie may have removed its FLV, and a
// slide's movie is made by its members.
TEST_F(TaskBuilder, FlashFilesThatExistCountAsOutputs) {
  test::TempFolder folder;
  mgr.OutputFolder = folder.path();
  TMediaBaseTask* a = Add("a");
  TMediaBaseTask* b = Add("b");
  a->Record().ContainerFourCC = b->Record().ContainerFourCC = kFourCCFlv;
  std::ofstream(folder.file("a.HTML")) << "x";
  const std::vector<TExistingOutput> found = ApplyExistingOutputPolicy(mgr, TExistingOutputPolicy::Skip);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].OutputPath, folder.file("a.HTML"));
  EXPECT_EQ(mgr.IncludedTasks(), std::vector<TMediaTask*>{b});

  mgr.IncludeAll();
  TMediaSlideTask* slide = builder.AddSlide({a, b}, "show", request.Encode);
  slide->Record().ContainerFourCC = kFourCCFlv;
  for (TMediaTask* member : slide->MergeSource().Members()) member->Record().ContainerFourCC = kFourCCFlv;
  std::ofstream(folder.file(ChangeFileExt(slide->OutputFileName, ".swf"))) << "x";
  const std::vector<TExistingOutput> refused = ApplyExistingOutputPolicy(mgr, TExistingOutputPolicy::Refuse);
  ASSERT_EQ(refused.size(), 2u);  // each member would write it
  EXPECT_EQ(refused[0].OutputPath, folder.file(ChangeFileExt(slide->OutputFileName, ".swf")));
  EXPECT_TRUE(mgr.IncludedTasks().empty());
}

TEST_F(TaskBuilder, TheOverwriteQuestionsComeTaskByTaskUntilAnAnswerForAll) {
  test::TempFolder folder;
  mgr.OutputFolder = folder.path();
  for (const char* name : {"a", "b", "c", "d"}) {
    Add(name);
    std::ofstream(folder.file(std::string(name) + ".flv")) << "x";
  }
  Add("new");  // no file: never asked about
  const auto ask = [&](std::vector<TOverwriteAnswer> answers) {
    mgr.IncludeAll();
    std::vector<std::string> asked;
    const bool done = AskAboutExistingOutputs(mgr, [&](TMediaTask& t, const std::string& path) {
      EXPECT_EQ(path, t.OutputPath());
      asked.push_back(t.Title);
      const TOverwriteAnswer a = answers.front();
      answers.erase(answers.begin());
      return a;
    });
    std::string excluded;
    for (TMediaTask* t : mgr.Tasks()) excluded += t->Excluded ? t->Title + " " : "";
    return std::make_tuple(done, asked, excluded);
  };
  using A = TOverwriteAnswer;
  EXPECT_EQ(ask({A::Yes, A::No, A::Yes, A::No}),
            std::make_tuple(true, std::vector<std::string>{"a", "b", "c", "d"}, std::string("b d ")));
  EXPECT_EQ(ask({A::No, A::YesToAll}), std::make_tuple(true, std::vector<std::string>{"a", "b"}, std::string("a ")));
  EXPECT_EQ(ask({A::Yes, A::NoToAll}),
            std::make_tuple(true, std::vector<std::string>{"a", "b"}, std::string("b c d ")));
  EXPECT_EQ(ask({A::No, A::Cancel}), std::make_tuple(false, std::vector<std::string>{"a", "b"}, std::string("a ")));
}

TEST(TaskBuilderProfile, AContainerThisProgramCannotWriteIsRefused) {
  TMediaTaskMgr mgr;
  TProfileItem profile = FlvProfile();
  profile.FourCC = MakeFourCC("zzzz");
  EXPECT_THROW(TTaskBuilder(mgr, profile), Error);
}

TEST(TaskStems, InputsAndDvdTitlesNameTheirOutputs) {
  EXPECT_EQ(InputStem("/videos/holiday.mp4"), "holiday");
  EXPECT_EQ(InputStem("/discs/VIDEO_TS/"), "VIDEO_TS");
  EXPECT_EQ(InputStem(""), "output");
  EXPECT_EQ(DvdTaskStem("MY DISC", 0, -1), "MY DISC_title1");
  EXPECT_EQ(DvdTaskStem("", 1, 2), "DVD_title2_chapter3");
}

}  // namespace
}  // namespace fc
