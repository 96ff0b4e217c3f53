#pragma once
// The conversion run: one job per task to convert, executed one after another. Each job
// drives one encoder; its statuses arrive on the converter's thread and are handed to the
// main thread: progress and notices synchronously (the converter waits for the answer), end
// statuses queued (they free the converter that reports them). All list and task state is
// touched on the main thread only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/media_encoder.h"
#include "tasks/main_loop.h"
#include "tasks/media_task.h"

namespace fc {

class TMediaEncodeTaskList;

// One job.
class TMediaEncodeTask {
public:
  TMediaEncodeTask(TMediaEncodeTaskList* list, TMediaTask* task) : List(list), Task(task) {}

  TMediaEncodeTaskList* List;
  TMediaTask* Task;                       // not owned
  std::unique_ptr<TMediaEncoder> Encoder;  // while the job runs
  std::atomic<int32_t> Status{0};         // the last TEncoderStatus (0: none yet)
  std::atomic<int32_t> Percent{0};        // 0 to Scale
  static constexpr int32_t Scale = 100;
  const TProgressInfo* Info = nullptr;     // during a progress notification only
  std::atomic<bool> Answer{true};         // the last handler's answer

  // Main thread: why the job could not start or did not succeed (empty otherwise), and the
  // files it wrote.
  std::string Error;
  std::vector<std::string> Outputs;
  bool FlashFailed = false;  // converted, but its Flash output could not be made
  bool Started = false;
  bool Ended = false;
};

// (job, status, percent, scale, progress info or null): true to go on.
using TEncodeStatusHandler =
    std::function<bool(TMediaEncodeTask& job, TEncoderStatus status, int32_t percent, int32_t scale,
                       const TProgressInfo* info)>;

class TMediaEncodeTaskList {
public:
  TMediaEncodeTaskList(TMediaTaskMgr* manager, TMainLoop& loop);
  virtual ~TMediaEncodeTaskList();
  TMediaEncodeTaskList(const TMediaEncodeTaskList&) = delete;
  TMediaEncodeTaskList& operator=(const TMediaEncodeTaskList&) = delete;

  TMediaTaskMgr* Manager() const { return manager_; }
  TMainLoop& Loop() const { return loop_; }
  size_t Count() const { return jobs_.size(); }
  TMediaEncodeTask& Items(size_t i) const { return *jobs_.at(i); }
  auto begin() const { return jobs_.begin(); }
  auto end() const { return jobs_.end(); }
  TMediaEncodeTask& Add(TMediaTask* task);
  // Stable sort of the jobs by their task's Order.
  void SortByOrder();

  double TotalDuration() const;
  double Processed() const { return CurrentPosition + DoneDuration; }

  double CurrentPosition = 0;  // seconds converted of the current job
  double DoneDuration = 0;     // durations of the jobs that ended successfully
  TEncodeStatusHandler OnStatus;
  std::function<void(int)> OnFlashProgress;
  // The end-of-job finishing (the Flash output: FinishFlashJob unless replaced), with whether
  // the job succeeded; runs on the main thread while the job's encoder still exists, and for
  // a job that could not start.
  std::function<void(TMediaEncodeTask&, bool succeeded)> OnFinishJob;

protected:
  // The converter-thread side of a job's statuses.
  bool OnEncoderStatus(TMediaEncodeTask& job, TEncoderStatus status, int32_t value, const TProgressInfo* info,
                       std::stop_token stopping);
  // Main thread: the queued end of a job.
  void EndOfJob(TMediaEncodeTask& job, TEncoderStatus status);
  bool StatusNotification(TMediaEncodeTask& job, TEncoderStatus status, const TProgressInfo* info);
  void FinishJob(TMediaEncodeTask& job, bool succeeded);

  // Tells queued calls whether the list still exists.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

private:
  TMediaTaskMgr* manager_;
  TMainLoop& loop_;
  std::vector<std::unique_ptr<TMediaEncodeTask>> jobs_;
};

class TMediaSerialEncodeTaskList : public TMediaEncodeTaskList {
public:
  using TMediaEncodeTaskList::TMediaEncodeTaskList;
  ~TMediaSerialEncodeTaskList() override;

  int32_t NextIndex = 0;               // where the next start is tried; jobs started so far
  TMediaEncodeTask* Current = nullptr; // the running job

  // Starts the first job from NextIndex on that can start; false (Current null) when none.
  bool StartNext(int mode = 0);
  TMediaEncoder* CurrentEncoder() const { return Current ? Current->Encoder.get() : nullptr; }
  bool IsRunning() const;
  bool IsPaused() const;
  bool HasCurrent() const { return Current != nullptr; }
  bool Pause();
  bool Resume();
  void StopCurrent();
};

// Succeeded, Cancelled, Failed and WriteFailed: the statuses that end a job.
bool IsEndStatus(TEncoderStatus status);

// Seconds per piece of an SWF with embedded video (15900 frames): 15900 / rate + 0.5 rounded
// half to even; 0 for a rate of 0 or less.
int32_t EmbeddedSwfPieceSeconds(double frame_rate);

}  // namespace fc
