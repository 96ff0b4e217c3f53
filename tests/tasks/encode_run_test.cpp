#include "tasks/encode_run.h"

#include "tasks/conversion_run.h"

#include <gtest/gtest.h>

#include "engine/encode_params.h"
#include "media_fixture.h"
#include "task_fixture.h"

namespace fc {
namespace {

using test::AddFakeTask;

TEST(EmbeddedSwfSplit, PiecesOf15900FramesRoundedHalfToEven) {
  EXPECT_EQ(EmbeddedSwfPieceSeconds(25), 636);  // 636.5 rounds to 636
  EXPECT_EQ(EmbeddedSwfPieceSeconds(15), 1060);  // 1060.5 -> 1060
  EXPECT_EQ(EmbeddedSwfPieceSeconds(30), 530);   // 530.5 -> 530
  EXPECT_EQ(EmbeddedSwfPieceSeconds(29.97), 531);
  EXPECT_EQ(EmbeddedSwfPieceSeconds(0), 0);
  EXPECT_EQ(EmbeddedSwfPieceSeconds(-1), 0);
  // 1000 s at 25 fps is split, 600 s is not.
  EXPECT_GT(1000, EmbeddedSwfPieceSeconds(25));
  EXPECT_LT(600, EmbeddedSwfPieceSeconds(25));
}

TEST(JobList, OneJobPerIncludedTaskAndChildSortedByOrder) {
  TMediaTaskMgr mgr;
  TMainLoop loop;
  TMediaBaseTask* a = AddFakeTask(mgr, 4, "a.flv");
  TMediaBaseTask* b = AddFakeTask(mgr, 4, "b.flv");
  TMediaBaseTask* c = AddFakeTask(mgr, 4, "c.flv");
  a->Order = 3;
  b->Order = 1;
  c->Order = 2;
  TMediaClipTask* clip = c->AddClip();  // children of an excluded task still count
  c->Excluded = true;
  clip->Order = 0;
  auto* slide = static_cast<TMediaSlideTask*>(mgr.Tasks().Add(std::make_unique<TMediaSlideTask>(&mgr.Tasks())));
  slide->Order = 5;
  TMediaMultiProfileTask* member = slide->AddSlideMember(b);
  member->Order = 4;
  auto run = mgr.CreateSerialEncodeList(loop);
  std::vector<TMediaTask*> jobs;
  for (const auto& j : *run) jobs.push_back(j->Task);
  EXPECT_EQ(jobs, (std::vector<TMediaTask*>{clip, b, a, member}));  // no job for c nor the slide
  EXPECT_DOUBLE_EQ(run->TotalDuration(), 16);
}

TEST(JobList, AJobThatCannotStartIsSkippedAndCurrentStaysEmpty) {
  TMediaTaskMgr mgr;
  TMainLoop loop;
  AddFakeTask(mgr, 4);  // a source that never loaded: no encoder
  auto run = mgr.CreateSerialEncodeList(loop);
  ASSERT_EQ(run->Count(), 1u);
  EXPECT_FALSE(run->StartNext());
  EXPECT_EQ(run->Current, nullptr);
  EXPECT_FALSE(run->HasCurrent());
  EXPECT_FALSE(run->IsRunning());
  EXPECT_FALSE(run->Pause());
  EXPECT_FALSE(run->Resume());
  run->StopCurrent();  // harmless without a job
  EXPECT_FALSE(run->Items(0).Error.empty());
  EXPECT_FALSE(run->Items(0).Started);
}

TEST(JobList, AFailedStartAtKThenAStartAtKPlusOneMovesNextIndexToKPlusTwo) {
  FC_REQUIRE_FFMPEG();
  const std::string clip = test::MakeMedia("order.mp4", "testsrc2=size=160x120:rate=10:duration=1",
                                           "sine=frequency=300:sample_rate=22050:duration=1", "-c:v mpeg4 -c:a aac");
  TMediaTaskMgr mgr;
  mgr.OutputFolder = (test::MediaDir() / "order").string();
  std::filesystem::create_directories(mgr.OutputFolder);
  TMainLoop loop;
  AddFakeTask(mgr, 1, "bad.flv");  // k = 0 cannot start
  auto* good = static_cast<TMediaBaseTask*>(mgr.Tasks().Add(
      std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::make_unique<TMediaTaskVideoSource>(clip, 0))));
  good->OutputFileName = "good.flv";
  good->Record().ContainerFourCC = kFourCCFlv;
  good->Order = 1;
  AddFakeTask(mgr, 1, "after.flv")->Order = 2;
  auto run = mgr.CreateSerialEncodeList(loop);
  run->OnFinishJob = nullptr;  // the job alone: no thumbnail or movie
  std::vector<int> statuses;
  run->OnStatus = [&](TMediaEncodeTask&, TEncoderStatus s, int32_t, int32_t, const TProgressInfo*) {
    statuses.push_back(static_cast<int>(s));
    return true;
  };
  ASSERT_TRUE(run->StartNext());
  EXPECT_EQ(run->NextIndex, 2);
  EXPECT_EQ(run->Current, &run->Items(1));
  EXPECT_TRUE(run->Items(1).Started);
  loop.Run([&] { return run->Items(1).Ended; });
  EXPECT_EQ(statuses.back(), static_cast<int>(TEncoderStatus::Succeeded));
  EXPECT_EQ(run->Items(1).Outputs, std::vector<std::string>{good->OutputPath()});
  EXPECT_DOUBLE_EQ(run->DoneDuration, good->Duration());
  EXPECT_DOUBLE_EQ(run->Processed(), good->Duration());
  EXPECT_FALSE(run->StartNext());  // the last job cannot start either
  EXPECT_EQ(run->Current, nullptr);
}

TEST(ConversionRun, JobsThatCannotStartAreReportedSkippedAndCountedFailed) {
  TMediaTaskMgr mgr;
  TMainLoop loop;
  AddFakeTask(mgr, 4, "a.flv");
  AddFakeTask(mgr, 4, "b.flv")->Excluded = true;  // no job
  AddFakeTask(mgr, 4, "c.flv");
  TConversionRun run(mgr, loop);
  std::vector<std::string> skipped;
  run.OnSkipped = [&](const TMediaEncodeTask& job) { skipped.push_back(job.Task->OutputFileName); };
  run.OnStart = [](const TMediaEncodeTask&) { ADD_FAILURE() << "nothing can start"; };
  const TConversionSummary& summary = run.Run();
  EXPECT_EQ(skipped, (std::vector<std::string>{"a.flv", "c.flv"}));
  EXPECT_EQ(summary.Succeeded, 0);
  EXPECT_EQ(summary.Failed, 2);
  EXPECT_FALSE(summary.Interrupted);
  for (const TJobResult& r : run.Results()) EXPECT_EQ(r.Outcome, TJobOutcome::Skipped);
  EXPECT_EQ(mgr.IncludedTasks().size(), 3u);  // the run ends with every task included again
}

TEST(ConversionRun, AStopBeforeTheFirstJobStartsNothing) {
  TMediaTaskMgr mgr;
  TMainLoop loop;
  AddFakeTask(mgr, 4);
  TConversionRun run(mgr, loop);
  run.RequestStop();
  EXPECT_TRUE(run.StopRequested());
  EXPECT_TRUE(run.Run().Interrupted);
  EXPECT_EQ(run.Summary().Failed, 0);
  ASSERT_EQ(run.Results().size(), 1u);
  EXPECT_EQ(run.Results()[0].Outcome, TJobOutcome::NotRun);
}

TEST(ConversionRun, AnEmptyJobListFinishesAtOnce) {
  TMediaTaskMgr mgr;
  TMainLoop loop;
  TConversionRun run(mgr, loop);
  EXPECT_FALSE(run.Step(0));
  EXPECT_TRUE(run.Finished());
  EXPECT_FALSE(run.Summary().Interrupted);
}

}  // namespace
}  // namespace fc
