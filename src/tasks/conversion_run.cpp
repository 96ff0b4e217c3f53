#include "tasks/conversion_run.h"

namespace fc {

TConversionRun::TConversionRun(TMediaTaskMgr& manager, TMainLoop& loop)
    : manager_(manager), loop_(loop), jobs_(manager.CreateSerialEncodeList(loop)) {
  jobs_->OnStatus = [this](TMediaEncodeTask& job, TEncoderStatus status, int32_t, int32_t, const TProgressInfo* info) {
    if (status == TEncoderStatus::Progress) {
      if (info && OnProgress) OnProgress(job, *info);
    } else if (IsEndStatus(status)) {
      if (OnEnd) OnEnd(job, status);
      if (status == TEncoderStatus::Succeeded && !job.FlashFailed) ++summary_.Succeeded;
      else ++summary_.Failed;
    }
    // Answering "stop" makes the converter give up at its next report.
    return !StopRequested();
  };
}

TConversionRun::~TConversionRun() {
  jobs_.reset();  // stops the job that still runs
  if (!finished_) manager_.IncludeAll();
}

bool TConversionRun::StopRequested() const { return stop_ || (external_stop_ && *external_stop_); }

bool TConversionRun::StartNextJob() {
  if (!jobs_->StartNext()) return false;
  ReportSkippedUntil(static_cast<size_t>(jobs_->NextIndex) - 1);
  current_ = jobs_->Current;
  if (OnStart) OnStart(*current_);
  reported_ = static_cast<size_t>(jobs_->NextIndex);
  return true;
}

void TConversionRun::ReportSkippedUntil(size_t index) {
  for (; reported_ < index && reported_ < jobs_->Count(); ++reported_) {
    const TMediaEncodeTask& job = jobs_->Items(reported_);
    if (job.Started) continue;
    if (OnSkipped) OnSkipped(job);
    ++summary_.Failed;
  }
}

void TConversionRun::Finish(bool interrupted) {
  summary_.Interrupted = interrupted;
  finished_ = true;
  current_ = nullptr;
  // Tasks excluded for this run only (outputs that exist) take part again next time.
  manager_.IncludeAll();
}

bool TConversionRun::Step(int ms) {
  if (finished_) return false;
  if (!current_) {
    const bool untried = static_cast<size_t>(jobs_->NextIndex) < jobs_->Count();
    if (untried && StopRequested()) {
      Finish(true);
      return false;
    }
    if (!StartNextJob()) {
      ReportSkippedUntil(jobs_->Count());
      Finish(false);
      return false;
    }
    return true;
  }
  loop_.RunFor(ms);
  if (StopRequested()) {
    jobs_->StopCurrent();
    Finish(true);
    return false;
  }
  if (current_->Ended) current_ = nullptr;
  return true;
}

const TConversionSummary& TConversionRun::Run() {
  while (Step(100)) {
  }
  return summary_;
}

std::vector<TJobResult> TConversionRun::Results() const {
  std::vector<TJobResult> results;
  const size_t tried = static_cast<size_t>(jobs_->NextIndex);
  for (size_t i = 0; i < jobs_->Count(); ++i) {
    const TMediaEncodeTask& job = jobs_->Items(i);
    TJobResult r{job.Task, job.Task->OutputPath(), TJobOutcome::NotRun, job.Error, job.Outputs};
    if (!job.Started) {
      if (i < tried) r.Outcome = TJobOutcome::Skipped;
    } else if (job.Ended) {
      const auto status = static_cast<TEncoderStatus>(job.Status.load());
      r.Outcome = status == TEncoderStatus::Succeeded && !job.FlashFailed ? TJobOutcome::Succeeded
                  : status == TEncoderStatus::Cancelled ? TJobOutcome::Cancelled
                                                       : TJobOutcome::Failed;
    }
    results.push_back(std::move(r));
  }
  return results;
}

}  // namespace fc
