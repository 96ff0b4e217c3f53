#pragma once
// The conversion progress window's model: it runs a conversion over the task manager and
// tells the window what to show. Plain C++; the window owns a timer that calls Tick() (which
// never blocks), forwards the user's commands, and asks its questions through
// TProgressQuestions. Everything here runs on the main thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tasks/conversion_run.h"
#include "tasks/task_builder.h"

namespace fc::gui {

class TDesktopActions;

// What the window asks the user; tests answer instead.
class TProgressQuestions {
public:
  virtual ~TProgressQuestions() = default;
  // "the output exists: replace it?" (the question text, formatted), for one task.
  virtual TOverwriteAnswer AskOverwrite(const std::string& question, const TMediaTask& task) = 0;
  // Yes/No: true to cancel the conversion.
  virtual bool ConfirmCancel(const std::string& question) = 0;
  // An information message with its title.
  virtual void Inform(const std::string& title, const std::string& message) = 0;
};

enum class TProgressState {
  Ready,       // made, Start not called yet
  Running,
  Paused,
  Cancelling,  // the user confirmed Cancel; the running job is being stopped
  Finished,    // the run is over (also after Cancel)
};

// The captions the labels format. The window hands in its translated captions; one that does
// not take the built-in text's arguments keeps the built-in text.
struct TProgressTexts {
  std::string Caption = "Converting";
  std::string TotalProgress = "Total progress:  [%d / %d]";
  std::string CurrentFile = "Creating file: %s";
  std::string Elapsed = "Elapsed time : %s / Remaining time: %s";
  std::string Estimated = "Estimated size : %s";
};

// The settings the completion choices start from ("UploadList", "IsUseUpload").
struct TProgressSettings {
  std::string UploadList;
  bool UseUpload = false;
};
TProgressSettings ProgressSettingsFromConfig();

// The last picture encoded, as packed RGB24 rows; Serial grows with each new picture.
struct TPreviewPicture {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Rgb;
  uint64_t Serial = 0;
};

// The countdown before powering off: 30 seconds, advanced once a second by the window's
// timer. The power-off is requested once at most, at 0 or at once on ShutDownNow.
class TPowerOffCountdown {
public:
  static constexpr int kSeconds = 30;
  explicit TPowerOffCountdown(std::function<void()> power_off) : power_off_(std::move(power_off)) {}

  void Begin();
  void Second();  // one second passed
  void ShutDownNow();
  void Cancel();

  bool Active() const { return active_; }
  bool Fired() const { return fired_; }
  int SecondsLeft() const { return seconds_; }
  // "INF_ShutDownInfo" with the seconds left.
  std::string Text() const;

private:
  void Fire();

  std::function<void()> power_off_;
  int seconds_ = kSeconds;
  bool active_ = false;
  bool fired_ = false;
};

class TProgressModel {
public:
  TProgressModel(TMediaTaskMgr& manager, TMainLoop& loop, TProgressQuestions& questions, TDesktopActions& desktop,
                 TProgressSettings settings = {});
  ~TProgressModel();  // stops a job that still runs; no task stays excluded
  TProgressModel(const TProgressModel&) = delete;
  TProgressModel& operator=(const TProgressModel&) = delete;

  // Called by the window after it has changed anything it shows (also from inside Tick, while
  // the Flash output is made).
  std::function<void()> OnChanged;

  void SetTexts(const TProgressTexts& texts);

  // The first activation: the questions about outputs that exist, then the job list. False
  // when there is nothing to run (Cancel answered, or every job left out): the window closes.
  bool Start();
  // The window's timer: hands the converter's statuses over and starts the next job. Waits
  // at most `wait_ms` for a status (0: never blocks).
  void Tick(int wait_ms = 0);

  // Pause button: pauses the running job, or resumes the paused one.
  void TogglePause();
  bool Pause();
  bool Resume();
  // Cancel button and closing the window: pauses, asks "INF_Cancel_Convert" and on Yes stops
  // the running job (its unfinished output is removed) and ends the run; on No the job goes
  // on. True when the window may close.
  bool Cancel();

  void SetShowPreview(bool show);
  bool ShowPreview() const { return show_preview_; }
  // Minimising the window lowers the priority of the converter's worker threads (nice 10), the
  // running job's and every later one's; the window's own thread keeps its priority.
  // Restoring asks for the normal priority again, which an unprivileged process may be denied.
  void SetLowPriority(bool low);
  bool LowPriority() const { return low_priority_; }

  // The completion choices; power-off excludes the other two.
  void SetShutDown(bool on);
  void SetOpenTarget(bool on);
  void SetOpenUrl(bool on);
  bool ShutDown() const { return shut_down_; }
  bool OpenTarget() const { return open_target_; }
  bool OpenUrl() const { return open_url_; }
  bool OpenUrlAvailable() const { return !urls_.empty(); }  // an enabled page to open
  // After a completed run with power-off chosen: the countdown window's state, and its
  // commands (the window's one-second timer calls CountdownSecond). Cancelling it tells the
  // end message that the countdown held back.
  const TPowerOffCountdown& Countdown() const { return countdown_; }
  void CountdownSecond();
  void ShutDownNow();
  void CancelCountdown();

  // --- what the window shows ---
  TProgressState State() const { return state_; }
  int JobPercent() const { return job_percent_; }
  int TotalPercent() const;
  int JobsStarted() const;  // the number of the current job ("n of m")
  int JobCount() const;
  std::string CurrentFileName() const;  // the current task's output file name
  std::string TotalProgressText() const;
  std::string CurrentFileText() const;
  std::string ElapsedText() const;    // elapsed and remaining time
  std::string ConvertedText() const;  // "00:00:12/00:01:30" of the current job
  std::string EstimatedText() const;
  std::string FormatText() const;     // the current job's output format
  std::string WindowTitle() const;    // with the percentage
  // The language entry whose texts the pause button shows: "btnResume" while paused.
  std::string PauseButtonEntry() const;
  const TPreviewPicture& Preview() const { return preview_; }
  // The Flash output of the job that has just converted.
  bool FlashActive() const { return flash_active_; }
  int FlashPercent() const { return flash_percent_; }
  const std::string& FlashFile() const { return flash_file_; }

  // --- the outcome ---
  int Succeeded() const;
  int Errors() const;       // jobs that ended otherwise, could not start, or lost their Flash output
  bool Cancelled() const { return cancelled_; }
  bool Completed() const { return completed_; }  // ran to its end (the window's result is OK)
  // "INF_Error_Occur" or "INF_Convert_Finish".
  std::string EndMessage() const;
  // "output path: reason" of each job that did not succeed, in job order.
  std::vector<std::string> ErrorTexts() const;
  // Every file the run wrote (converted files and their Flash files).
  std::vector<std::string> WrittenFiles() const;

private:
  void Changed();
  void JobStarted(const TMediaEncodeTask& job);
  void JobProgress(const TMediaEncodeTask& job, const TProgressInfo& info);
  void JobEnded(const TMediaEncodeTask& job, TEncoderStatus status);
  void RunOver();
  void OpenPages();
  void PowerOff();
  void TellEnd();
  double ElapsedSeconds() const;

  TMediaTaskMgr& manager_;
  TMainLoop& loop_;
  TProgressQuestions& questions_;
  TDesktopActions& desktop_;
  TProgressTexts texts_;
  std::vector<std::string> urls_;
  std::unique_ptr<TConversionRun> run_;
  TProgressState state_ = TProgressState::Ready;
  std::chrono::steady_clock::time_point started_at_{};
  double finished_after_ = -1;  // seconds, once the run is over
  int job_percent_ = 0;
  int total_position_ = 0;  // 0 to jobs × 100
  double remaining_ = -1;   // seconds; unknown until the speed is
  double job_done_ = 0, job_length_ = 0;
  std::string format_text_;
  uint64_t estimated_size_ = 0;
  bool show_preview_ = true;
  bool low_priority_ = false;
  bool shut_down_ = false, open_target_ = false, open_url_ = false;
  TPreviewPicture preview_;
  bool flash_active_ = false;
  int flash_percent_ = 0;
  std::string flash_file_;
  bool cancelled_ = false;
  bool completed_ = false;
  bool told_ = false;
  TPowerOffCountdown countdown_;
};

// "FLV: Sorenson H.263 320x240 25 fps, MP3 22050 Hz mono": the output format of a record.
std::string EncodeFormatText(const TEncodeParams& params);

}  // namespace fc::gui
