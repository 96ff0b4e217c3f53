#include "tasks/encode_run.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <filesystem>

#include "core/log.h"
#include "tasks/flash_finishing.h"
#include "tasks/task_source.h"

namespace fc {

bool IsEndStatus(TEncoderStatus status) {
  return status >= TEncoderStatus::Succeeded && status <= TEncoderStatus::WriteFailed;
}

int32_t EmbeddedSwfPieceSeconds(double frame_rate) {
  if (!(frame_rate > 0)) return 0;
  // nearbyint rounds in the current mode, which is to nearest, halves to even.
  return static_cast<int32_t>(std::nearbyint(15900.0 / frame_rate + 0.5));
}

// ---------------------------------------------------------------------------------------------

TMediaEncodeTaskList::TMediaEncodeTaskList(TMediaTaskMgr* manager, TMainLoop& loop)
    : OnFinishJob(FinishFlashJob), manager_(manager), loop_(loop) {}

TMediaEncodeTaskList::~TMediaEncodeTaskList() { *alive_ = false; }

TMediaEncodeTask& TMediaEncodeTaskList::Add(TMediaTask* task) {
  jobs_.push_back(std::make_unique<TMediaEncodeTask>(this, task));
  return *jobs_.back();
}

void TMediaEncodeTaskList::SortByOrder() {
  std::stable_sort(jobs_.begin(), jobs_.end(),
                   [](const auto& a, const auto& b) { return a->Task->Order < b->Task->Order; });
}

double TMediaEncodeTaskList::TotalDuration() const {
  double total = 0;
  for (const auto& j : jobs_) total += j->Task->Duration();
  return total;
}

bool TMediaEncodeTaskList::OnEncoderStatus(TMediaEncodeTask& job, TEncoderStatus status, int32_t value,
                                           const TProgressInfo* info, std::stop_token stopping) {
  job.Status = static_cast<int32_t>(status);
  job.Percent = status == TEncoderStatus::Progress ? std::clamp(value / 100, 0, 100) : job.Percent.load();
  if (IsEndStatus(status)) {
    // Queued: handling the end frees the converter that is calling now.
    std::weak_ptr<bool> alive = alive_;
    TMediaEncodeTask* j = &job;
    loop_.Post([this, alive, j, status] {
      const auto a = alive.lock();
      if (a && *a) EndOfJob(*j, status);
    });
    return job.Answer;
  }
  bool answer = true;
  const bool handled = loop_.Send(
      [&] {
        job.Info = info;
        answer = StatusNotification(job, status, info);
        job.Info = nullptr;
      },
      stopping);
  if (!handled) return true;  // stopping: the answer no longer matters
  job.Answer = answer;
  return answer;
}

void TMediaEncodeTaskList::EndOfJob(TMediaEncodeTask& job, TEncoderStatus status) {
  if (job.Ended) return;
  job.Ended = true;
  if (job.Encoder) {
    job.Outputs = job.Encoder->TargetFiles();
    if (status != TEncoderStatus::Succeeded) {
      job.Error = job.Encoder->LastError();
      if (job.Error.empty()) job.Error = status == TEncoderStatus::Cancelled ? "cancelled" : "the conversion failed";
    }
  }
  if (status == TEncoderStatus::Succeeded) {
    if (job.Outputs.empty() && std::filesystem::exists(job.Task->OutputPath()))
      job.Outputs.push_back(job.Task->OutputPath());
  }
  // A cancelled job ends the run: nothing more is made from it.
  if (status != TEncoderStatus::Cancelled) FinishJob(job, status == TEncoderStatus::Succeeded);
  job.Encoder.reset();
  StatusNotification(job, status, nullptr);
}

void TMediaEncodeTaskList::FinishJob(TMediaEncodeTask& job, bool succeeded) {
  if (!OnFinishJob) return;
  try {
    OnFinishJob(job, succeeded);
  } catch (const std::exception& e) {
    // The finishing reports its own failures; one of them never stops the run.
    Log(std::string("Finishing ") + job.Task->OutputPath() + " failed: " + e.what());
  }
}

bool TMediaEncodeTaskList::StatusNotification(TMediaEncodeTask& job, TEncoderStatus status, const TProgressInfo* info) {
  if (status == TEncoderStatus::Progress && info) CurrentPosition = info->ConvertedLength;
  if (status == TEncoderStatus::Succeeded) {
    CurrentPosition = 0;
    DoneDuration += job.Task->Duration();
  }
  if (!OnStatus) return true;
  return OnStatus(job, status, job.Percent, TMediaEncodeTask::Scale, info);
}

// ---------------------------------------------------------------------------------------------

TMediaSerialEncodeTaskList::~TMediaSerialEncodeTaskList() {
  *alive_ = false;
  if (Current && Current->Encoder) Current->Encoder->Stop();
  for (const auto& j : *this) j->Encoder.reset();
}

bool TMediaSerialEncodeTaskList::StartNext(int mode) {
  for (size_t i = static_cast<size_t>(std::max(NextIndex, 0)); i < Count(); ++i) {
    TMediaEncodeTask& job = Items(i);
    TMediaTask& task = *job.Task;
    job.Encoder.reset();
    job.Error.clear();
    const bool member = task.Kind() == TMediaTaskKind::MultiProfile;
    if (member)
      if (TMediaSlideTask* slide = SlideOf(Manager(), &task)) task.Record() = slide->Record();
    std::unique_ptr<TMediaEncoder> encoder;
    try {
      encoder = task.CreateEncoder();
      if (!encoder) job.Error = "there is nothing to convert";
    } catch (const TVideoDecodeException& e) {
      job.Error = e.Reason.empty() ? e.what() : std::string(e.what()) + ": " + e.Reason;
    } catch (const std::exception& e) {
      job.Error = e.what();
    }
    if (!encoder) {
      Log("Skipped " + task.OutputPath() + ": " + job.Error);
      FinishJob(job, false);
      continue;
    }
    const TMediaTaskMediaSource* source = task.Source();
    const double start = task.StartTime() - (source ? source->DecoderOrigin() : 0);
    const double length = task.Duration();
    if (!member && task.Flash.EffectiveSwfType() == kSwfTypeEmbedded) {
      const int32_t piece = EmbeddedSwfPieceSeconds(encoder->EncodeParams().FrameRate);
      if (piece > 0 && length > piece) encoder->SetSplit(kSplitByLength, static_cast<int64_t>(piece) * 1000);
    }
    job.Encoder = std::move(encoder);
    job.Status = 0;
    job.Percent = 0;
    job.Answer = true;
    job.Ended = false;
    job.Outputs.clear();
    const bool started = job.Encoder->Start(
        start, length, mode,
        [this, &job](TEncoderStatus status, int32_t value, const TProgressInfo* info, std::stop_token stopping) {
          return OnEncoderStatus(job, status, value, info, stopping);
        });
    if (!started) {
      job.Error = job.Encoder->LastError();
      job.Encoder.reset();
      Log("Could not start " + task.OutputPath() + ": " + job.Error);
      FinishJob(job, false);
      continue;
    }
    job.Started = true;
    NextIndex = static_cast<int32_t>(i + 1);
    Current = &job;
    return true;
  }
  NextIndex = static_cast<int32_t>(Count());
  Current = nullptr;
  return false;
}

bool TMediaSerialEncodeTaskList::IsRunning() const {
  const TMediaEncoder* e = CurrentEncoder();
  return e && (e->State() == TEncoderState::Running || e->State() == TEncoderState::Paused);
}

bool TMediaSerialEncodeTaskList::IsPaused() const {
  const TMediaEncoder* e = CurrentEncoder();
  return e && e->State() == TEncoderState::Paused;
}

bool TMediaSerialEncodeTaskList::Pause() {
  TMediaEncoder* e = CurrentEncoder();
  return e && e->Pause();
}

bool TMediaSerialEncodeTaskList::Resume() {
  TMediaEncoder* e = CurrentEncoder();
  return e && e->Resume();
}

void TMediaSerialEncodeTaskList::StopCurrent() {
  // An end that is already queued is handled first, so that it is not lost.
  Loop().ProcessPending();
  if (!Current || !Current->Encoder) return;
  Current->Encoder->Stop();
  Current->Encoder.reset();
  if (!Current->Ended) {
    Current->Ended = true;
    Current->Error = "cancelled";
    Current->Status = static_cast<int32_t>(TEncoderStatus::Cancelled);
  }
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<TMediaSerialEncodeTaskList> TMediaTaskMgr::CreateSerialEncodeList(TMainLoop& loop) {
  auto list = std::make_unique<TMediaSerialEncodeTaskList>(this, loop);
  for (TMediaTask* t : IncludedTasks()) list->Add(t);
  list->SortByOrder();
  return list;
}

}  // namespace fc
