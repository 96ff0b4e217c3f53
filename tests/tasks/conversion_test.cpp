// End to end: generated clips converted through the task model and the run, every output
// checked with ffprobe; the convert command; and a long run commanded at random moments.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "engine/dvd.h"
#include "engine/formats.h"
#include "media_fixture.h"
#include "test_dvd.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_choices.h"
#include "tasks/conversion_run.h"
#include "tasks/encode_run.h"
#include "tasks/task_builder.h"
#include "tasks/task_source.h"
#include "task_fixture.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

class Conversion : public testing::Test {
protected:
  void SetUp() override {
    FC_REQUIRE_FFMPEG();
    a_ = test::MakeMedia("conv_a.mp4", "testsrc2=size=160x120:rate=15:duration=2",
                         "sine=frequency=300:sample_rate=22050:duration=2", "-c:v mpeg4 -c:a aac -ac 1");
    b_ = test::MakeMedia("conv_b.mkv", "testsrc=size=200x150:rate=10:duration=1",
                         "sine=frequency=600:sample_rate=44100:duration=1", "-c:v mpeg4 -c:a mp3 -ac 2");
    out_ = test::MediaDir() / ("out_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(out_);
    fs::create_directories(out_);
    mgr_.OutputFolder = out_.string();
    // The converted files alone; the Flash files made from them have tests of their own.
    mgr_.DefaultFlash.Generate.GenerateSwf = false;
    mgr_.DefaultFlash.Generate.GenerateThumbnail = false;
  }

  TMediaBaseTask* AddFile(const std::string& path, const std::string& name, TFourCC container = kFourCCFlv) {
    auto* t = static_cast<TMediaBaseTask*>(mgr_.Tasks().Add(
        std::make_unique<TMediaBaseTask>(&mgr_.Tasks(), std::make_unique<TMediaTaskVideoSource>(path, 0))));
    t->OutputFileName = name;
    t->Record().ContainerFourCC = container;
    t->Order = static_cast<int32_t>(mgr_.Tasks().Count());
    return t;
  }

  // Runs every job to its end; returns the jobs' errors ("" for success), in job order.
  std::vector<std::string> RunAll() {
    TMainLoop loop;
    auto run = mgr_.CreateSerialEncodeList(loop);
    std::vector<std::string> results;
    while (run->StartNext()) loop.Run([&] { return run->Current->Ended; });
    for (const auto& j : *run) results.push_back(j->Started ? j->Error : "not started: " + j->Error);
    return results;
  }

  static double Duration(const fs::path& file) { return test::ProbeFile(file.string()).Duration(); }
  static std::string Field(const test::Probe& p, const std::string& type, const std::string& key) {
    const auto* s = p.Stream(type);
    return s && s->count(key) ? s->at(key) : "";
  }

  std::string a_, b_;
  fs::path out_;
  TMediaTaskMgr mgr_;
};

TEST_F(Conversion, EveryBuiltInProfileEncodes) {
  TProfileCatalogue catalogue;
  catalogue.LoadCatalogue(std::string(FLARECAST_TEST_DATA_DIR) + "/../data");
  ASSERT_GT(catalogue.BuiltIn().Count(), 10u);
  std::vector<std::pair<const TProfileItem*, TMediaTask*>> tasks;
  for (const TProfileItem* p : catalogue.BuiltIn().Items()) {
    const TContainerFormat* container = FindContainer(p->FourCC);
    ASSERT_NE(container, nullptr) << p->Name;
    TMediaBaseTask* t = AddFile(a_, "p" + std::to_string(p->EffectiveId()) + container->Extension);
    ApplyProfile(p, &t->Record());
    t->SetRange(0.5, 1.5);  // one second from the middle: a clip through every profile
    tasks.emplace_back(p, t);
  }
  const std::vector<std::string> results = RunAll();
  ASSERT_EQ(results.size(), tasks.size());
  for (size_t i = 0; i < tasks.size(); ++i) {
    const TProfileItem& p = *tasks[i].first;
    const std::string file = tasks[i].second->OutputPath();
    SCOPED_TRACE(p.Name + " -> " + file);
    EXPECT_EQ(results[i], "");
    ASSERT_TRUE(fs::exists(file));
    EXPECT_FALSE(fs::exists(file + ".part"));
    const test::Probe probe = test::ProbeFile(file);
    if (p.NoVideo()) {
      EXPECT_EQ(probe.Stream("video"), nullptr);
    } else {
      ASSERT_NE(probe.Stream("video"), nullptr);
      EXPECT_EQ(Field(probe, "video", "width"), std::to_string(p.Width));
      EXPECT_EQ(Field(probe, "video", "height"), std::to_string(p.Height));
    }
    ASSERT_NE(probe.Stream("audio"), nullptr);
    if (const double d = probe.Duration(); d > 0) {
      EXPECT_NEAR(d, 1.0, 0.3);
    }
  }
}

TEST_F(Conversion, ClipsKeepTheirRanges) {
  TMediaBaseTask* base = AddFile(a_, "a.flv");
  TMediaClipTask* c1 = base->AddClip();
  c1->SetRange(0, 0.8);
  c1->OutputFileName = "a_clip1.flv";
  TMediaClipTask* c2 = base->AddClip();  // from 0.8 to the end
  c2->OutputFileName = "a_clip2.flv";
  base->Excluded = true;  // only the clips (clips copy Excluded from their parent when made)
  EXPECT_EQ(RunAll(), (std::vector<std::string>{"", ""}));
  EXPECT_FALSE(fs::exists(out_ / "a.flv"));
  EXPECT_NEAR(Duration(out_ / "a_clip1.flv"), 0.8, 0.15);
  EXPECT_NEAR(Duration(out_ / "a_clip2.flv"), 1.2, 0.15);
}

TEST_F(Conversion, AMergePlaysItsMembersBackToBack) {
  TMediaBaseTask* a = AddFile(a_, "a.flv");
  TMediaBaseTask* b = AddFile(b_, "b.flv");
  a->Excluded = b->Excluded = true;
  b->EditParams()->EffectFlags = kEffectGray;  // members keep their own edits
  auto* merge = static_cast<TMediaMergeTask*>(mgr_.Tasks().Add(std::make_unique<TMediaMergeTask>(&mgr_.Tasks())));
  merge->MergeSource().AddMember(a);
  merge->MergeSource().AddMember(b);
  merge->OutputFileName = "merged.mp4";
  merge->Record().ContainerFourCC = MakeFourCC("mp4");
  merge->Record().Width = 176;
  merge->Record().Height = 144;
  EXPECT_EQ(RunAll(), std::vector<std::string>{""});
  const test::Probe probe = test::ProbeFile((out_ / "merged.mp4").string());
  EXPECT_EQ(Field(probe, "video", "width"), "176");
  ASSERT_NE(probe.Stream("audio"), nullptr);
  EXPECT_NEAR(probe.Duration(), 3.0, 0.2);
}

TEST_F(Conversion, ASlideEncodesEachMemberInTheSlidesFormat) {
  TMediaBaseTask* a = AddFile(a_, "a.flv");
  TMediaBaseTask* b = AddFile(b_, "b.flv");
  a->Excluded = b->Excluded = true;
  auto* slide = static_cast<TMediaSlideTask*>(mgr_.Tasks().Add(std::make_unique<TMediaSlideTask>(&mgr_.Tasks())));
  slide->Record().ContainerFourCC = kFourCCFlv;
  slide->Record().Width = 176;
  slide->Record().Height = 144;
  slide->AddSlideMember(a)->OutputFileName = "s_a.flv";
  slide->AddSlideMember(b)->OutputFileName = "s_b.flv";
  EXPECT_EQ(RunAll(), (std::vector<std::string>{"", ""}));
  for (const char* name : {"s_a.flv", "s_b.flv"}) {
    const test::Probe probe = test::ProbeFile((out_ / name).string());
    EXPECT_EQ(Field(probe, "video", "width"), "176") << name;
    EXPECT_EQ(Field(probe, "video", "codec_name"), "flv1") << name;
  }
  EXPECT_NEAR(Duration(out_ / "s_b.flv"), 1.0, 0.15);
}

// A slide's movie is made once no member is left to run, from the members that converted:
// here the second member cannot start (its source went away).
TEST_F(Conversion, ASlideGetsItsMovieFromTheMembersThatConverted) {
  const fs::path gone = out_ / "gone.mp4";
  fs::copy_file(a_, gone);
  TMediaBaseTask* a = AddFile(a_, "a.flv");
  TMediaBaseTask* b = AddFile(gone.string(), "b.flv");
  a->Excluded = b->Excluded = true;
  auto* slide = static_cast<TMediaSlideTask*>(mgr_.Tasks().Add(std::make_unique<TMediaSlideTask>(&mgr_.Tasks())));
  slide->OutputFileName = "show.flv";
  slide->Record().ContainerFourCC = kFourCCFlv;
  slide->Flash.ProgramFolder = FLARECAST_PROGRAM_DIR;  // its player templates
  slide->Flash.Generate.GenerateSwf = true;
  slide->Flash.Generate.SwfType = kSwfTypeExternalFlv;
  slide->Flash.Generate.GenerateThumbnail = true;
  slide->Flash.Generate.GenerateHtml = true;
  slide->AddSlideMember(a)->OutputFileName = "s_a.flv";
  slide->AddSlideMember(b)->OutputFileName = "s_b.flv";
  fs::remove(gone);

  const std::vector<std::string> results = RunAll();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0], "");
  EXPECT_NE(results[1], "");
  EXPECT_TRUE(fs::is_regular_file(out_ / "s_a.jpg"));  // members always get their thumbnail
  ASSERT_TRUE(fs::is_regular_file(out_ / "show.swf"));
  EXPECT_TRUE(fs::is_regular_file(out_ / "show.HTML"));
  // The movie's script names the member that converted and not the other.
  std::ifstream in(out_ / "show.swf", std::ios::binary);
  const std::string movie((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(movie.find("s_a.flv"), std::string::npos);
  EXPECT_NE(movie.find("s_a.jpg"), std::string::npos);
  EXPECT_EQ(movie.find("s_b.flv"), std::string::npos);
}

TEST_F(Conversion, EveryEditGoesIntoTheOutput) {
  TMediaBaseTask* t = AddFile(a_, "edited.flv");
  t->Record().Width = 160;
  t->Record().Height = 120;
  TMediaTaskEditParams& e = *t->EditParams();
  e.Crop = {10, 10, 150, 110};
  t->Record().ScaleMode = static_cast<int32_t>(TScaleMode::LetterBox);
  e.Brightness = 20;
  e.Contrast = 10;
  e.Saturation = -30;
  e.EffectFlags = kEffectGray | kEffectOldFilm;
  e.FlipHorizontal = e.FlipVertical = true;
  e.Deinterlace = 3;
  e.Mute = true;
  e.Watermark.Enabled = true;
  e.Watermark.Kind = 1;
  e.Watermark.Text = "Flarecast";
  e.Watermark.Font.Size = 12;
  e.Watermark.X = 8;
  e.Watermark.Y = 8;
  e.Watermark.Transparency = 30;
  // A second task: the sound turned down, with an added track mixed in.
  TMediaBaseTask* v = AddFile(b_, "volume.flv");
  v->EditParams()->Volume = 50;
  v->Source()->ExternalAudio.FileName = a_;
  v->Source()->ExternalAudio.Loop = true;
  EXPECT_EQ(RunAll(), (std::vector<std::string>{"", ""}));
  const test::Probe probe = test::ProbeFile((out_ / "edited.flv").string());
  EXPECT_EQ(Field(probe, "video", "width"), "160");
  EXPECT_NEAR(probe.Duration(), 2.0, 0.2);
  // Muted: silence.
  const std::string volume =
      test::Capture("ffmpeg -hide_banner -nostats -i \"" + (out_ / "edited.flv").string() +
                    "\" -af volumedetect -f null - 2>&1 | grep max_volume");
  EXPECT_NE(volume.find("-91"), std::string::npos) << volume;
  EXPECT_NEAR(Duration(out_ / "volume.flv"), 1.0, 0.15);
}

// A selected, enabled subtitle stream is burnt into the picture; without it the frame stays black.
TEST_F(Conversion, SubtitleIsBurntIn) {
  const fs::path srt = out_ / "words.srt";
  std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:02,000\nHELLO WORLD\n";
  const std::string movie = (out_ / "subtitled.mkv").string();
  ASSERT_TRUE(test::Run("ffmpeg -hide_banner -loglevel error -y -f lavfi -i color=black:size=160x120:rate=10:duration=2 -i \"" +
                        srt.string() + "\" -c:v mpeg4 -c:s srt \"" + movie + "\""));
  const auto brightest = [](const fs::path& file) {
    const std::string text = test::Capture("ffmpeg -hide_banner -nostats -ss 1 -i \"" + file.string() +
                                           "\" -frames:v 1 -vf signalstats,metadata=print:key=lavfi.signalstats.YMAX"
                                           " -f null - 2>&1 | grep -o 'YMAX=[0-9]*' | head -1");
    return text.size() > 5 ? std::stoi(text.substr(5)) : -1;
  };
  for (const bool enabled : {true, false}) {
    TMediaBaseTask* t = AddFile(movie, enabled ? "with.flv" : "without.flv");
    t->Record().Width = 160;
    t->Record().Height = 120;
    ASSERT_FALSE(t->Source()->Subtitles.empty());
    t->Source()->SelectSubtitle(0);
    t->EditParams()->Subtitle.Enabled = enabled;
  }
  EXPECT_EQ(RunAll(), (std::vector<std::string>{"", ""}));
  EXPECT_GT(brightest(out_ / "with.flv"), 150);
  EXPECT_LT(brightest(out_ / "without.flv"), 60);
}

TEST_F(Conversion, AFileThatCannotBeLoadedSaysSo) {
  const fs::path bad = out_ / "not-media.mp4";
  std::ofstream(bad) << "this is text";
  try {
    TMediaTaskVideoSource source(bad.string(), 0);
    FAIL() << "loaded a text file";
  } catch (const TVideoDecodeException& e) {
    EXPECT_EQ(std::string(e.what()), "Fail to load file " + bad.string());
    EXPECT_FALSE(e.Reason.empty());
  }
}

// A PAL disc: one title of 3 s with chapters at 0 and 1.5 s. Empty when it cannot be made.
std::string TestDvd() {
  const fs::path dir = test::MediaDir() / "tasks_dvd";
  return test::MakeTestDvd(dir, {{3, "0,1.5"}}) ? (dir / "disc").string() : std::string();
}

TEST_F(Conversion, ADvdChapterConverts) {
  if (!test::HaveTool("dvdauthor")) GTEST_SKIP() << "dvdauthor is not installed";
  const std::string disc = TestDvd();
  ASSERT_FALSE(disc.empty());
  // dvdauthor moves chapter marks to picture-group boundaries: the reader says where they are.
  const TDVDIFOInfo dvd(disc);
  ASSERT_EQ(dvd.ChapterCount(0), 2);
  const double begin = dvd.ChapterBeginTime(0, 1), length = dvd.ChapterLength(0, 1);
  EXPECT_NEAR(begin, 1.5, 0.5);
  auto source = std::make_unique<TMediaTaskDVDSource>(disc, &dvd, 1, 0, 0);
  EXPECT_EQ(source->SourceKind, TSourceKind::Dvd);
  EXPECT_DOUBLE_EQ(source->StartTime, begin);
  EXPECT_DOUBLE_EQ(source->Duration(), length);
  EXPECT_DOUBLE_EQ(source->DecoderOrigin(), begin);
  EXPECT_FALSE(source->AudioTracks.empty());
  auto* t = static_cast<TMediaBaseTask*>(
      mgr_.Tasks().Add(std::make_unique<TMediaBaseTask>(&mgr_.Tasks(), std::move(source))));
  t->OutputFileName = "chapter2.flv";
  t->Record().ContainerFourCC = kFourCCFlv;
  t->Record().Width = 176;
  t->Record().Height = 144;
  EXPECT_EQ(RunAll(), std::vector<std::string>{""});
  EXPECT_NEAR(Duration(out_ / "chapter2.flv"), length, 0.15);
  EXPECT_THROW(TMediaTaskDVDSource(disc, nullptr, 5, 0, 0), TVideoDecodeException);
}

// --- task assembly and the run, as the convert command and the progress window use them -------

TEST_F(Conversion, DvdTitlesAndChaptersBecomeOneTaskEach) {
  if (!test::HaveTool("dvdauthor")) GTEST_SKIP() << "dvdauthor is not installed";
  const std::string disc = TestDvd();
  ASSERT_FALSE(disc.empty());
  const TDVDIFOInfo dvd(disc);
  TTaskBuilder builder(mgr_, test::FlvProfile());
  TConversionRequest r;
  r.Inputs = {disc};
  r.DvdChapters = {2, 1};
  const std::vector<TMediaBaseTask*> chapters = builder.Build(r);
  ASSERT_EQ(chapters.size(), 2u);
  EXPECT_EQ(chapters[0]->OutputFileName, DvdTaskStem(dvd.VolumeName(), 0, 1) + ".flv");
  EXPECT_EQ(chapters[1]->OutputFileName, DvdTaskStem(dvd.VolumeName(), 0, 0) + ".flv");
  EXPECT_DOUBLE_EQ(chapters[0]->StartTime(), dvd.ChapterBeginTime(0, 1));
  EXPECT_NEAR(chapters[0]->Duration() + chapters[1]->Duration(), 3, 0.2);

  r.DvdChapters.clear();
  const std::vector<TMediaBaseTask*> title = builder.Build(r);
  ASSERT_EQ(title.size(), 1u);
  EXPECT_EQ(title[0]->OutputFileName, DvdTaskStem(dvd.VolumeName(), 0, -1) + ".flv");
  EXPECT_NEAR(title[0]->Duration(), 3, 0.2);

  r.DvdChapters = {3};
  EXPECT_TRUE(builder.Build(r).empty());
  r.DvdChapters.clear();
  r.DvdTitle = 2;
  EXPECT_TRUE(builder.Build(r).empty());
  ASSERT_EQ(builder.Failures().size(), 2u);
  EXPECT_EQ(builder.Failures()[0].Message, disc + ": title 1 has 2 chapter(s); chapter 3 is not one of them");
  EXPECT_EQ(builder.Failures()[1].Message, disc + ": the DVD has 1 title(s), not 2");
  EXPECT_EQ(mgr_.Tasks().Count(), 3u);
}

TEST_F(Conversion, ARunTellsAboutEveryJobAndGoesOnAfterOneThatCannotStart) {
  TTaskBuilder builder(mgr_, test::FlvProfile());
  TConversionRequest r;
  r.Inputs = {a_, "/no/such/file.mp4"};
  r.OutputFolder = out_.string();
  r.Clips = {{0, 1}, {1, 0}};
  ASSERT_EQ(builder.Build(r).size(), 1u);
  EXPECT_EQ(builder.Failures().size(), 1u);
  test::AddFakeTask(mgr_, 1, "fake.flv")->Order = 99;  // never loaded: cannot start

  TMainLoop loop;
  TConversionRun run(mgr_, loop);
  std::vector<std::string> events;
  int progress = 0;
  run.OnStart = [&](const TMediaEncodeTask& job) { events.push_back("start " + job.Task->OutputFileName); };
  run.OnProgress = [&](const TMediaEncodeTask&, const TProgressInfo& info) {
    ++progress;
    EXPECT_GE(info.ConvertedLength, 0);
  };
  run.OnEnd = [&](const TMediaEncodeTask& job, TEncoderStatus status) {
    events.push_back("end " + job.Task->OutputFileName + " " + std::to_string(static_cast<int>(status)));
  };
  run.OnSkipped = [&](const TMediaEncodeTask& job) { events.push_back("skipped " + job.Task->OutputFileName); };
  const TConversionSummary& summary = run.Run();
  EXPECT_FALSE(summary.Interrupted);
  EXPECT_EQ(summary.Succeeded, 2);
  EXPECT_EQ(summary.Failed, 1);
  EXPECT_GT(progress, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"start conv_a_clip1.flv", "end conv_a_clip1.flv 2",
                                              "start conv_a_clip2.flv", "end conv_a_clip2.flv 2", "skipped fake.flv"}));
  const std::vector<TJobResult> results = run.Results();
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].Outcome, TJobOutcome::Succeeded);
  EXPECT_EQ(results[0].Files, std::vector<std::string>{(out_ / "conv_a_clip1.flv").string()});
  EXPECT_EQ(results[1].Outcome, TJobOutcome::Succeeded);
  EXPECT_EQ(results[2].Outcome, TJobOutcome::Skipped);
  EXPECT_FALSE(results[2].Error.empty());
  EXPECT_NEAR(Duration(out_ / "conv_a_clip1.flv"), 1.0, 0.15);
  EXPECT_NEAR(Duration(out_ / "conv_a_clip2.flv"), 1.0, 0.15);
  EXPECT_FALSE(fs::exists(out_ / "conv_a.flv"));
  EXPECT_TRUE(run.Finished());
  EXPECT_FALSE(run.Step(0));
  EXPECT_TRUE(mgr_.IncludedTasks().size() == mgr_.Tasks().Count() + 2);  // nothing stays excluded
}

TEST_F(Conversion, AStoppedRunLeavesNoPartAndStartsNoFurtherJob) {
  const std::string longer = test::MakeMedia("conv_long.mp4", "testsrc2=size=320x240:rate=25:duration=8",
                                             "sine=frequency=400:sample_rate=44100:duration=8",
                                             "-c:v mpeg4 -c:a aac -ac 2");
  TTaskBuilder builder(mgr_, test::FlvProfile());
  TConversionRequest r;
  r.Inputs = {longer, longer};
  r.OutputFolder = out_.string();
  ASSERT_EQ(builder.Build(r).size(), 2u);
  TMainLoop loop;
  TConversionRun run(mgr_, loop);
  std::atomic<bool> interrupted{false};  // as a signal handler would set it
  run.StopWhen(&interrupted);
  int starts = 0;
  run.OnStart = [&](const TMediaEncodeTask&) { ++starts; };
  run.OnProgress = [&](const TMediaEncodeTask&, const TProgressInfo&) { interrupted = true; };
  EXPECT_TRUE(run.Run().Interrupted);
  EXPECT_EQ(starts, 1);
  const std::vector<TJobResult> results = run.Results();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].Outcome, TJobOutcome::Cancelled);
  EXPECT_EQ(results[1].Outcome, TJobOutcome::NotRun);
  EXPECT_TRUE(fs::is_empty(out_));
}

// --- the convert command ----------------------------------------------------------------------

// Runs the built flarecast-cli (beside the profiles it reads); stdout only.
int Cli(const std::vector<std::string>& args, std::string* out_text = nullptr, const std::string& prefix = "") {
  // A settings file of its own; conversions make the FLVs alone (the Flash files have tests
  // of their own).
  std::string command = prefix + "\"" FLARECAST_PROGRAM_DIR "/flarecast-cli\" --ini '" +
                        (test::MediaDir() / "conversion.ini").string() + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  if (!args.empty() && args[0] == "convert") command += " --no-swf --no-thumbnail";
  int code = -1;
  const std::string text = test::Capture("( " + command + " 2>/dev/null )", &code);
  if (out_text) *out_text = text;
  return code;
}

TEST_F(Conversion, CommandGoesOnAfterAFailedInputAndSaysSoInItsExitCode) {
  if (!fs::exists(FLARECAST_PROGRAM_DIR "/flarecast-cli")) GTEST_SKIP() << "flarecast-cli is not built";
  std::string text;
  const std::string dir = out_.string();
  EXPECT_EQ(Cli({"convert", "/no/such/file.mp4", a_, "-o", dir, "--json"}, &text), 1);
  EXPECT_TRUE(fs::exists(out_ / "conv_a.flv"));
  std::istringstream lines(text);
  std::string line;
  int ends = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line.front(), '{') << line;
    EXPECT_EQ(line.back(), '}') << line;
    if (line.find("\"event\":\"end\"") != std::string::npos) {
      ++ends;
      EXPECT_NE(line.find("\"succeeded\""), std::string::npos);
    }
  }
  EXPECT_EQ(ends, 1);
  EXPECT_NE(text.find("\"event\":\"finished\",\"succeeded\":1,\"failed\":1"), std::string::npos) << text;
  // An output that exists is refused, skipped or replaced as asked.
  EXPECT_EQ(Cli({"convert", a_, "-o", dir}), 1);
  EXPECT_EQ(Cli({"convert", a_, "-o", dir, "--skip-existing"}), 0);
  EXPECT_EQ(Cli({"convert", a_, "-o", dir, "--overwrite", "--clip", "0-1", "--clip", "1-", "--profile", "103"}), 0);
  EXPECT_NEAR(Duration(out_ / "conv_a_clip2.flv"), 1.0, 0.15);
  EXPECT_EQ(Cli({"convert", a_, b_, "-o", dir, "--merge", "--name", "both", "--watermark-text", "x", "--volume", "80"}), 0);
  EXPECT_NEAR(Duration(out_ / "both.flv"), 3.0, 0.2);
  EXPECT_EQ(Cli({"convert", a_, "-o", dir, "--profile", "no such profile"}), 1);
  EXPECT_EQ(Cli({"convert", a_, "-o", dir, "--brightness", "200"}), 2);
}

TEST_F(Conversion, CtrlCStopsTheCommandAndLeavesNoOutput) {
  if (!fs::exists(FLARECAST_PROGRAM_DIR "/flarecast-cli")) GTEST_SKIP() << "flarecast-cli is not built";
  const std::string longer = test::MakeMedia("conv_ctrlc.mp4", "testsrc2=size=320x240:rate=25:duration=30",
                                             "sine=frequency=400:sample_rate=44100:duration=30", "-c:v mpeg4 -c:a aac");
  EXPECT_EQ(Cli({"convert", longer, "-o", out_.string(), "--profile", "106"}, nullptr,
                "timeout --preserve-status -s INT 0.8 "),
            130);
  EXPECT_TRUE(fs::is_empty(out_));
}

// --- a long run commanded from another thread -------------------------------------------------

TEST_F(Conversion, PauseResumeAndStopAtRandomMomentsLeaveOnlyWholeFiles) {
  const std::string longer = test::MakeMedia("conv_long.mp4", "testsrc2=size=320x240:rate=25:duration=8",
                                             "sine=frequency=400:sample_rate=44100:duration=8",
                                             "-c:v mpeg4 -c:a aac -ac 2");
  for (int i = 0; i < 6; ++i) {
    TMediaBaseTask* t = AddFile(longer, "long" + std::to_string(i) + ".mp4", MakeFourCC("mp4"));
    t->Record().Width = 640;
    t->Record().Height = 360;
  }
  TMainLoop loop;
  auto run = mgr_.CreateSerialEncodeList(loop);
  std::atomic<bool> commands_done{false};
  std::atomic<int> stops{0};
  // The controller posts commands to the main thread, as the progress window's buttons do.
  std::thread controller([&] {
    std::mt19937 random(12345);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % 60));
      switch (random() % 7) {
        case 0: case 1: case 2: loop.Post([&] { run->Pause(); }); break;
        case 3: case 4: case 5: loop.Post([&] { run->Resume(); }); break;
        default:
          loop.Post([&] {
            if (run->IsRunning()) ++stops;
            run->StopCurrent();
          });
      }
    }
    loop.Post([&] { run->Resume(); });
    commands_done = true;
  });
  int progress = 0;
  run->OnStatus = [&](TMediaEncodeTask&, TEncoderStatus s, int32_t, int32_t, const TProgressInfo*) {
    if (s == TEncoderStatus::Progress) ++progress;
    return true;
  };
  bool more = run->StartNext();
  while (more || !commands_done) {
    loop.RunFor(20);
    if (more && run->Current->Ended) more = run->StartNext();
    if (!more && !commands_done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  controller.join();
  loop.ProcessPending();
  run.reset();  // stops whatever still runs
  EXPECT_GT(progress, 0);
  for (const auto& entry : fs::directory_iterator(out_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    // Whatever is there is whole: its full length, readable.
    EXPECT_NEAR(Duration(entry.path()), 8.0, 0.2) << name;
  }
}

}  // namespace
}  // namespace fc
