// The progress window's model over real conversions of generated clips: bars, counts, the
// questions, pause, cancel, failures and the completion actions.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/language.h"
#include "core/message_format.h"
#include "gui/model/desktop_actions.h"
#include "gui/model/progress_model.h"
#include "media_fixture.h"
#include "task_fixture.h"
#include "fake_run_answers.h"

namespace fc::gui {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProgressModel : public testing::Test {
protected:
  void SetUp() override {
    FC_REQUIRE_FFMPEG();
    a_ = test::MakeMedia("progress_a.mp4", "testsrc2=size=160x120:rate=15:duration=2",
                         "sine=frequency=300:sample_rate=22050:duration=2", "-c:v mpeg4 -c:a aac -ac 1");
    out_ = test::MediaDir() / ("out_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(out_);
    fs::create_directories(out_);
    mgr_.DefaultFlash.Generate.GenerateThumbnail = false;
  }

  // Tasks through the FLV profile, as the main window adds them.
  void Add(const std::vector<std::string>& inputs) { AddRunTasks(mgr_, test::FlvProfile(), inputs, out_); }

  // Long enough that its conversion lasts for several of the converter's progress reports
  // (one each 100 ms), even on a fast machine: pause and cancel land in the middle.
  std::string LongClip() {
    return test::MakeMedia("progress_long.mp4", "testsrc2=size=320x240:rate=25:duration=120",
                           "sine=frequency=400:sample_rate=44100:duration=120", "-c:v mpeg4 -c:a aac -ac 2");
  }

  // Ticks as the window's timer would until `done` or the run is over; false on a time-out.
  static bool TickUntil(TProgressModel& model, const std::function<bool()>& done = {}) {
    const auto limit = std::chrono::steady_clock::now() + 120s;
    while (model.State() != TProgressState::Finished && !(done && done())) {
      if (std::chrono::steady_clock::now() > limit) return false;
      model.Tick(0);
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }

  std::vector<std::string> Files() const { return FileNamesIn(out_); }

  std::string a_;
  fs::path out_;
  TMediaTaskMgr mgr_;
  TMainLoop loop_;
  TFakeQuestions questions_;
  TFakeDesktop desktop_;
};

TEST_F(ProgressModel, ARunFillsBothBarsMakesTheFlashFilesAndOpensWhatWasChosen) {
  const std::string b = test::MakeMedia("progress_b.mkv", "testsrc=size=200x150:rate=10:duration=1",
                                        "sine=frequency=600:sample_rate=44100:duration=1", "-c:v mpeg4 -c:a mp3 -ac 2");
  Add({a_, b});
  const std::string page = (out_ / "progress_a.HTML").string();
  TProgressSettings settings{"1http://example.com/up<br>0https://off.example<br>1javascript:alert(1)<br>1" +
                                 FileUrl(page) + "<br>1file:///etc/passwd",
                             true};
  TProgressModel model(mgr_, loop_, questions_, desktop_, settings);
  EXPECT_TRUE(model.OpenUrl());
  model.SetOpenTarget(true);
  EXPECT_EQ(model.WindowTitle(), "Converting");

  int last_total = 0, max_job = 0, flash_seen = 0;
  bool total_went_back = false;
  std::string format, title;
  model.OnChanged = [&] {
    total_went_back |= model.TotalPercent() < last_total;
    last_total = model.TotalPercent();
    max_job = std::max(max_job, model.JobPercent());
    if (model.FlashActive()) ++flash_seen;
    if (format.empty()) format = model.FormatText();
    if (model.State() == TProgressState::Running && model.TotalPercent() > 0) title = model.WindowTitle();
  };
  ASSERT_TRUE(model.Start());
  EXPECT_EQ(model.State(), TProgressState::Running);
  EXPECT_EQ(model.JobCount(), 2);
  EXPECT_NE(model.EstimatedText(), "Estimated size : 0");
  ASSERT_TRUE(TickUntil(model));

  EXPECT_TRUE(model.Completed());
  EXPECT_FALSE(model.Cancelled());
  EXPECT_EQ(model.Succeeded(), 2);
  EXPECT_EQ(model.Errors(), 0);
  EXPECT_EQ(model.ErrorTexts(), std::vector<std::string>{});
  EXPECT_EQ(model.JobPercent(), 100);
  EXPECT_EQ(model.TotalPercent(), 100);
  EXPECT_EQ(max_job, 100);
  EXPECT_FALSE(total_went_back);
  EXPECT_GT(flash_seen, 0);
  EXPECT_NE(format.find("Flash Video"), std::string::npos) << format;
  EXPECT_NE(title.find("% - Converting"), std::string::npos) << title;
  EXPECT_EQ(model.WindowTitle(), "100% - Converting");
  EXPECT_EQ(model.TotalProgressText(), "Total progress:  [2 / 2]");
  EXPECT_EQ(model.CurrentFileText(), "Creating file: ");
  EXPECT_NE(model.ElapsedText().find(" / Remaining time: 00:00:00"), std::string::npos) << model.ElapsedText();
  EXPECT_EQ(Files(), (std::vector<std::string>{"progress_a.HTML", "progress_a.flv", "progress_a.swf",
                                               "progress_b.HTML", "progress_b.flv", "progress_b.swf", "ruffle"}));
  // The folder, then the enabled pages that are web addresses or pages of this run.
  EXPECT_EQ(desktop_.Opened, (std::vector<std::string>{out_.string(), "http://example.com/up", FileUrl(page)}));
  ASSERT_EQ(questions_.Told.size(), 3u);
  EXPECT_NE(questions_.Told[0].find("javascript:alert(1)"), std::string::npos);
  EXPECT_NE(questions_.Told[1].find("file:///etc/passwd"), std::string::npos);
  EXPECT_EQ(questions_.Told[2], "Information: The conversion is complete.");
  EXPECT_TRUE(questions_.Asked.empty());
  EXPECT_EQ(desktop_.PowerOffs, 0);
}

TEST_F(ProgressModel, NoToAllConvertsNothingAndCancelAtTheQuestionsClosesTheWindow) {
  const std::string b = test::MakeMedia("progress_b.mkv", "testsrc=size=200x150:rate=10:duration=1",
                                        "sine=frequency=600:sample_rate=44100:duration=1", "-c:v mpeg4 -c:a mp3 -ac 2");
  Add({a_, b});
  {
    TProgressModel first(mgr_, loop_, questions_, desktop_);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(TickUntil(first));
    ASSERT_EQ(first.Succeeded(), 2);
  }
  const auto written = fs::last_write_time(out_ / "progress_a.flv");
  questions_.Told.clear();

  questions_.Overwrite = TOverwriteAnswer::NoToAll;
  {
    TProgressModel second(mgr_, loop_, questions_, desktop_);
    EXPECT_FALSE(second.Start());  // nothing left to convert: the window closes at once
    EXPECT_EQ(second.State(), TProgressState::Finished);
    EXPECT_FALSE(second.Completed());
  }
  EXPECT_EQ(questions_.Asked,
            std::vector<std::string>{"Are you sure you want to replace the existing file 'progress_a.flv'?"});
  EXPECT_TRUE(questions_.Told.empty());
  EXPECT_EQ(fs::last_write_time(out_ / "progress_a.flv"), written);
  EXPECT_EQ(mgr_.IncludedTasks().size(), 2u);  // left out for that run only

  questions_.Asked.clear();
  questions_.Overwrite = TOverwriteAnswer::Cancel;
  TProgressModel third(mgr_, loop_, questions_, desktop_);
  EXPECT_FALSE(third.Start());
  EXPECT_TRUE(third.Cancelled());
  EXPECT_EQ(questions_.Asked.size(), 1u);
  EXPECT_EQ(mgr_.IncludedTasks().size(), 2u);

  // No for the first, Yes to All from the second on: only the second converts again.
  questions_.Asked.clear();
  int answers = 0;
  struct TSequence : TFakeQuestions {
    int* count;
    TOverwriteAnswer AskOverwrite(const std::string&, const TMediaTask&) override {
      return (*count)++ == 0 ? TOverwriteAnswer::No : TOverwriteAnswer::YesToAll;
    }
  } sequence;
  sequence.count = &answers;
  TProgressModel fourth(mgr_, loop_, sequence, desktop_);
  ASSERT_TRUE(fourth.Start());
  EXPECT_EQ(fourth.JobCount(), 1);
  ASSERT_TRUE(TickUntil(fourth));
  EXPECT_EQ(fourth.Succeeded(), 1);
  EXPECT_EQ(fs::last_write_time(out_ / "progress_a.flv"), written);
}

TEST_F(ProgressModel, PauseHoldsTheProgressAndCancelAnsweredNoGoesOn) {
  Add({LongClip()});
  TProgressModel model(mgr_, loop_, questions_, desktop_);
  ASSERT_TRUE(model.Start());
  ASSERT_TRUE(TickUntil(model, [&] { return model.JobPercent() >= 5; }));
  ASSERT_TRUE(model.Pause());
  EXPECT_EQ(model.State(), TProgressState::Paused);
  EXPECT_EQ(model.PauseButtonEntry(), "btnResume");
  // Statuses already on their way arrive; then nothing moves.
  for (int i = 0; i < 20; ++i) model.Tick(10);
  const int held = model.JobPercent();
  for (int i = 0; i < 60; ++i) model.Tick(10);
  EXPECT_EQ(model.JobPercent(), held);
  EXPECT_EQ(model.State(), TProgressState::Paused);

  // Cancel while paused asks, and No resumes the job.
  questions_.Confirm = false;
  EXPECT_FALSE(model.Cancel());
  EXPECT_EQ(questions_.Asked, std::vector<std::string>{"Do you really want to cancel the conversion?"});
  EXPECT_EQ(model.State(), TProgressState::Running);
  EXPECT_EQ(model.PauseButtonEntry(), "btnPause");
  ASSERT_TRUE(TickUntil(model));
  EXPECT_GT(model.JobPercent(), held);
  EXPECT_TRUE(model.Completed());
  EXPECT_EQ(model.Succeeded(), 1);
}

TEST_F(ProgressModel, CancelInTheMiddleLeavesNoOutputAndStartsNoFurtherJob) {
  const std::string longer = LongClip();
  Add({longer, a_});
  TProgressModel model(mgr_, loop_, questions_, desktop_);
  model.SetOpenTarget(true);
  ASSERT_TRUE(model.Start());
  ASSERT_TRUE(TickUntil(model, [&] { return model.JobPercent() >= 10; }));
  EXPECT_TRUE(model.Cancel());
  EXPECT_EQ(model.State(), TProgressState::Finished);
  EXPECT_TRUE(model.Cancelled());
  EXPECT_FALSE(model.Completed());
  EXPECT_EQ(Files(), std::vector<std::string>{});
  EXPECT_TRUE(questions_.Told.empty());  // no end message and no completion action
  EXPECT_TRUE(desktop_.Opened.empty());
  EXPECT_TRUE(model.Cancel());  // closing now needs no question
  EXPECT_EQ(questions_.Asked.size(), 1u);
}

TEST_F(ProgressModel, FailingJobsCountAsErrorsAndTheRunGoesOn) {
  const fs::path gone = out_ / "gone.mp4";
  fs::copy_file(a_, gone);
  Add({gone.string(), a_});
  fs::remove(gone);  // the first job cannot start
  // The second task's Flash output cannot be made: its job fails after converting.
  TMediaTask* second = mgr_.Tasks().Items(1);
  second->Flash.ProgramFolder = (out_ / "no templates").string();
  const std::string c = test::MakeMedia("progress_c.mp4", "testsrc2=size=160x120:rate=15:duration=1",
                                        "sine=frequency=500:sample_rate=22050:duration=1", "-c:v mpeg4 -c:a aac");
  Add({c});
  TProgressModel model(mgr_, loop_, questions_, desktop_);
  ASSERT_TRUE(model.Start());
  ASSERT_EQ(model.JobCount(), 3);
  ASSERT_TRUE(TickUntil(model));
  EXPECT_TRUE(model.Completed());
  EXPECT_EQ(model.Succeeded(), 1);
  EXPECT_EQ(model.Errors(), 2);
  EXPECT_EQ(model.TotalPercent(), 100);
  EXPECT_TRUE(fs::exists(out_ / "progress_c.swf"));
  EXPECT_EQ(questions_.Told, std::vector<std::string>{
                                 "Information: Errors occurred during the conversion. Some files may not have been converted."});
}

TEST_F(ProgressModel, AnUnwritableFolderGivesTheErrorMessage) {
  Add({a_});
  const fs::path file = out_ / "a file";
  std::ofstream(file) << "x";
  mgr_.OutputFolder = (file / "sub").string();  // not even root can make this folder
  TProgressModel model(mgr_, loop_, questions_, desktop_);
  ASSERT_TRUE(model.Start());
  ASSERT_TRUE(TickUntil(model));
  EXPECT_EQ(model.Succeeded(), 0);
  EXPECT_EQ(model.Errors(), 1);
  EXPECT_EQ(model.EndMessage(), "Errors occurred during the conversion. Some files may not have been converted.");
  EXPECT_EQ(questions_.Told.size(), 1u);
  EXPECT_EQ(Files(), std::vector<std::string>{"a file"});
}

TEST_F(ProgressModel, MinimisingLowersTheConverterThreadsOnly) {
  Add({LongClip()});
  TProgressModel model(mgr_, loop_, questions_, desktop_);
  model.SetLowPriority(true);
  // Lowered from where this process started (the tests may run under `nice`).
  const int start_nice = getpriority(PRIO_PROCESS, 0);
  const std::string low_nice = std::to_string(std::min(start_nice + 10, 19));
  ASSERT_TRUE(model.Start());
  ASSERT_TRUE(TickUntil(model, [&] { return model.JobPercent() >= 5; }));
  // The nice value of each thread of this process (field 19 of its stat line).
  int lowered = 0;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream in(task.path() / "stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 19 && fields >> field; ++i) {
    }
    if (field == low_nice) ++lowered;
  }
  EXPECT_GE(lowered, 1);
  EXPECT_EQ(getpriority(PRIO_PROCESS, 0), start_nice);  // this (the window's) thread keeps its priority
  questions_.Confirm = true;
  EXPECT_TRUE(model.Cancel());
}

TEST_F(ProgressModel, PowerOffCountsDownAndAsksOnce) {
  Add({a_});
  desktop_.PowerOffWorks = false;
  TProgressModel model(mgr_, loop_, questions_, desktop_, {"1http://example.com", true});
  EXPECT_TRUE(model.OpenUrl());
  model.SetOpenTarget(true);
  model.SetShutDown(true);
  EXPECT_FALSE(model.OpenTarget());
  EXPECT_FALSE(model.OpenUrl());
  model.SetOpenTarget(true);  // one of the others clears power-off again
  EXPECT_FALSE(model.ShutDown());
  model.SetShutDown(true);
  ASSERT_TRUE(model.Start());
  ASSERT_TRUE(TickUntil(model));
  ASSERT_TRUE(model.Countdown().Active());
  EXPECT_TRUE(questions_.Told.empty());  // the end message waits for the countdown
  EXPECT_EQ(model.Countdown().Text(), "The conversion is complete. The computer will shut down in 30 seconds.");
  for (int i = 0; i < 29; ++i) model.CountdownSecond();
  EXPECT_EQ(model.Countdown().SecondsLeft(), 1);
  EXPECT_EQ(desktop_.PowerOffs, 0);
  model.CountdownSecond();
  model.CountdownSecond();
  model.ShutDownNow();
  EXPECT_EQ(desktop_.PowerOffs, 1);
  EXPECT_TRUE(desktop_.Opened.empty());
  // logind refused: the user is told, and the run's end after it.
  EXPECT_EQ(questions_.Told, (std::vector<std::string>{"Information: The computer could not be shut down.",
                                                       "Information: The conversion is complete."}));
}

TEST(PowerOffCountdown, CancelledItNeverFiresAndShutDownNowFiresAtOnce) {
  int fired = 0;
  TPowerOffCountdown countdown([&] { ++fired; });
  countdown.Second();  // not begun
  countdown.ShutDownNow();
  EXPECT_EQ(fired, 0);
  countdown.Begin();
  countdown.Second();
  countdown.Cancel();
  for (int i = 0; i < 40; ++i) countdown.Second();
  EXPECT_EQ(fired, 0);
  countdown.Begin();
  EXPECT_EQ(countdown.SecondsLeft(), 30);
  countdown.ShutDownNow();
  countdown.ShutDownNow();
  countdown.Begin();  // once fired, never again
  countdown.Second();
  EXPECT_EQ(fired, 1);
}

TEST(ProgressTexts, TranslatedFormatsThatTakeOtherArgumentsKeepTheBuiltInText) {
  const fs::path dir = fs::temp_directory_path() / "fc_progress_lang";
  fs::create_directories(dir);
  std::ofstream(dir / "x.dat") << "<?xml version=\"1.0\"?><LanguageResource Id=\"XX\" name=\"x\"><Strings>"
                                  "<INF_ShutDownInfo>in %s Sekunden %n</INF_ShutDownInfo>"
                                  "<INF_Convert_Finish>Fertig.</INF_Convert_Finish></Strings></LanguageResource>";
  TLanguageMgr& languages = TLanguageMgr::Instance();
  ASSERT_EQ(languages.LoadLanguages((dir / "*.dat").string()), 1);
  ASSERT_TRUE(languages.SelectLanguage("xx"));
  TPowerOffCountdown countdown(nullptr);
  EXPECT_EQ(countdown.Text(), "The conversion is complete. The computer will shut down in 30 seconds.");
  EXPECT_EQ(FormatMessage("INF_Convert_Finish", "The conversion is complete.", {}), "Fertig.");

  // German, from the language file that ships.
  ASSERT_GE(languages.LoadLanguages(FLARECAST_PROGRAM_DIR "/Languages/*.dat"), 2);
  ASSERT_TRUE(languages.SelectLanguage("DEU"));
  EXPECT_EQ(countdown.Text(),
            "Die Konvertierung ist abgeschlossen. Der Computer wird in 30 Sekunden heruntergefahren.");
  languages.SelectLanguage("none");
  fs::remove_all(dir);

  TMediaTaskMgr mgr;
  TMainLoop loop;
  TFakeQuestions questions;
  TFakeDesktop desktop;
  TProgressModel model(mgr, loop, questions, desktop);
  TProgressTexts texts;
  texts.TotalProgress = "Gesamt: %s";      // wrong argument: built-in text
  texts.CurrentFile = "Datei: %s";         // right
  texts.Caption = "Konvertieren";
  model.SetTexts(texts);
  EXPECT_EQ(model.TotalProgressText(), "Total progress:  [0 / 0]");
  EXPECT_EQ(model.CurrentFileText(), "Datei: ");
  EXPECT_EQ(model.WindowTitle(), "Konvertieren");
  EXPECT_EQ(model.EstimatedText(), "Estimated size : ");
  EXPECT_FALSE(model.OpenUrlAvailable());
  EXPECT_FALSE(model.Start());  // no task: nothing to run
}

TEST(ProgressTexts, TheOutputFormatNamesContainerCodecsAndSizes) {
  TEncodeParams p;
  p.ContainerFourCC = kFourCCFlv;
  p.VideoFourCC = MakeFourCC("FLV1");
  p.Width = 320;
  p.Height = 240;
  p.FrameRate = 29.97;
  p.AudioFourCC = MakeFourCC("mp3 ");
  p.SampleRate = 22050;
  p.Channels = 1;
  const std::string text = EncodeFormatText(p);
  EXPECT_NE(text.find("320x240 29.97 fps"), std::string::npos) << text;
  EXPECT_NE(text.find("22050 Hz mono"), std::string::npos) << text;
  p.NoAudio = 1;
  EXPECT_EQ(EncodeFormatText(p).find("Hz"), std::string::npos);
}

}  // namespace
}  // namespace fc::gui
