#pragma once
// A whole conversion run over the manager's job list: starts the jobs one after another on
// the main loop, tells an observer about every start, progress, end and skipped job, and stops
// when asked. The command line runs it to the end with Run(); the progress window calls Step()
// from its own timer, so the run never blocks the window.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tasks/encode_run.h"

namespace fc {

// What became of one job.
enum class TJobOutcome { NotRun, Skipped, Succeeded, Cancelled, Failed };

struct TJobResult {
  TMediaTask* Task = nullptr;
  std::string OutputPath;
  TJobOutcome Outcome = TJobOutcome::NotRun;
  std::string Error;               // why it was skipped or did not succeed
  std::vector<std::string> Files;  // what it wrote
};

struct TConversionSummary {
  int Succeeded = 0;
  int Failed = 0;        // jobs that ended otherwise, and jobs that could not start
  bool Interrupted = false;
};

class TConversionRun {
public:
  // The job list of the manager's tasks as they are now (CreateSerialEncodeList).
  TConversionRun(TMediaTaskMgr& manager, TMainLoop& loop);
  ~TConversionRun();
  TConversionRun(const TConversionRun&) = delete;
  TConversionRun& operator=(const TConversionRun&) = delete;

  // Main thread, each with the job concerned.
  std::function<void(const TMediaEncodeTask&)> OnStart;
  std::function<void(const TMediaEncodeTask&, const TProgressInfo&)> OnProgress;
  std::function<void(const TMediaEncodeTask&, TEncoderStatus)> OnEnd;      // an end status
  std::function<void(const TMediaEncodeTask&)> OnSkipped;                // it could not start

  TMediaSerialEncodeTaskList& Jobs() { return *jobs_; }

  // Asks the run to stop: the running job is stopped (its unfinished output removed) and no
  // further job starts. Safe from any thread and from a signal handler.
  void RequestStop() { stop_ = true; }
  // Also stops when this flag becomes true (for example one set by a signal handler).
  void StopWhen(const std::atomic<bool>* flag) { external_stop_ = flag; }
  bool StopRequested() const;

  // Main thread: starts the next job when none runs, otherwise handles the main loop's calls
  // for at most `ms` milliseconds. False once the run is over.
  bool Step(int ms);
  // Main thread: steps until the run is over.
  const TConversionSummary& Run();
  bool Finished() const { return finished_; }
  const TConversionSummary& Summary() const { return summary_; }
  // One entry per job, in job order.
  std::vector<TJobResult> Results() const;

private:
  bool StartNextJob();
  // Reports the jobs before `index` that were tried and could not start.
  void ReportSkippedUntil(size_t index);
  void Finish(bool interrupted);

  TMediaTaskMgr& manager_;
  TMainLoop& loop_;
  std::unique_ptr<TMediaSerialEncodeTaskList> jobs_;
  std::atomic<bool> stop_{false};
  const std::atomic<bool>* external_stop_ = nullptr;
  TMediaEncodeTask* current_ = nullptr;
  size_t reported_ = 0;
  bool finished_ = false;
  TConversionSummary summary_;
};

}  // namespace fc
