#include "gui/model/progress_model.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/language.h"
#include "core/log.h"
#include "core/message_format.h"
#include "core/text.h"
#include "engine/av_util.h"
#include "engine/formats.h"
#include "engine/frame_grab.h"
#include "gui/model/desktop_actions.h"
#include "gui/model/upload_list.h"
#include "tasks/flash_finishing.h"

namespace fc::gui {

namespace {

// Message keys with their built-in texts.
constexpr const char* kInfoTitle = "Information";
constexpr const char* kReplaceFile = "Are you sure you want to replace the existing file '%s'?";
constexpr const char* kCancelConvert = "Do you really want to cancel the conversion?";
constexpr const char* kErrorOccur = "Errors occurred during the conversion. Some files may not have been converted.";
constexpr const char* kConvertFinish = "The conversion is complete.";
constexpr const char* kShutDownInfo = "The conversion is complete. The computer will shut down in %d seconds.";
constexpr const char* kShutDownFailed = "The computer could not be shut down.";
constexpr const char* kPageRefused = "Only web addresses (http or https) and the pages just made can be opened: %s";

std::string InfoTitle() { return GetString("Info_Title", kInfoTitle); }

}  // namespace

TProgressSettings ProgressSettingsFromConfig() {
  const TConfig& config = GlobalConfig();
  return {config.ReadString(keys::kSystem, keys::kUploadList, ""), config.ReadBool(keys::kSystem, keys::kIsUseUpload, true)};
}

std::string EncodeFormatText(const TEncodeParams& p) {
  const TContainerFormat* container = FindContainer(p.ContainerFourCC);
  std::string text = container ? container->DisplayName : std::string(Trim(FourCCToString(p.ContainerFourCC)));
  std::vector<std::string> parts;
  if (!p.NoVideo && p.VideoFourCC != 0) {
    const TCodecEntry* codec = container ? FindVideoCodec(*container, p.VideoFourCC) : nullptr;
    std::string video = codec ? codec->DisplayName : std::string(Trim(FourCCToString(p.VideoFourCC)));
    if (p.Width > 0 && p.Height > 0) video += Format(" %dx%d", p.Width, p.Height);
    if (p.FrameRate > 0) video += " " + FormatDouble(std::round(p.FrameRate * 100) / 100) + " fps";
    parts.push_back(video);
  }
  if (!p.NoAudio && p.AudioFourCC != 0) {
    const TCodecEntry* codec = container ? FindAudioCodec(*container, p.AudioFourCC) : nullptr;
    std::string audio = codec ? codec->DisplayName : std::string(Trim(FourCCToString(p.AudioFourCC)));
    if (p.SampleRate > 0) audio += Format(" %d Hz", p.SampleRate);
    if (p.Channels == 1) audio += " mono";
    else if (p.Channels == 2) audio += " stereo";
    else if (p.Channels > 2) audio += Format(" %d channels", p.Channels);
    parts.push_back(audio);
  }
  for (size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? ": " : ", ") + parts[i];
  return text;
}

// --- the countdown ----------------------------------------------------------------------------

void TPowerOffCountdown::Begin() {
  if (fired_) return;
  seconds_ = kSeconds;
  active_ = true;
}

void TPowerOffCountdown::Second() {
  if (!active_) return;
  if (--seconds_ <= 0) Fire();
}

void TPowerOffCountdown::ShutDownNow() {
  if (active_) Fire();
}

void TPowerOffCountdown::Cancel() { active_ = false; }

std::string TPowerOffCountdown::Text() const {
  return FormatMessage("INF_ShutDownInfo", kShutDownInfo, {seconds_});
}

void TPowerOffCountdown::Fire() {
  active_ = false;
  seconds_ = 0;
  if (fired_) return;
  fired_ = true;
  if (power_off_) power_off_();
}

// --- the model --------------------------------------------------------------------------------

TProgressModel::TProgressModel(TMediaTaskMgr& manager, TMainLoop& loop, TProgressQuestions& questions,
                               TDesktopActions& desktop, TProgressSettings settings)
    : manager_(manager),
      loop_(loop),
      questions_(questions),
      desktop_(desktop),
      urls_(EnabledUploadUrls(settings.UploadList)),
      countdown_([this] { PowerOff(); }) {
  open_url_ = settings.UseUpload && !urls_.empty();
}

TProgressModel::~TProgressModel() {
  run_.reset();
  manager_.IncludeAll();
}

void TProgressModel::Changed() {
  if (OnChanged) OnChanged();
}

void TProgressModel::SetTexts(const TProgressTexts& texts) {
  // Each text is checked against its arguments when it is used (FormatWithFallback).
  texts_ = texts;
}

bool TProgressModel::Start() {
  // Once only: a second call tells whether the run is still going.
  if (state_ != TProgressState::Ready) return state_ != TProgressState::Finished;
  const bool go_on = AskAboutExistingOutputs(manager_, [&](TMediaTask& task, const std::string&) {
    return questions_.AskOverwrite(FormatMessage("INF_Replace_File", kReplaceFile, {task.OutputFileName}), task);
  });
  started_at_ = std::chrono::steady_clock::now();
  if (!go_on) {
    cancelled_ = true;
    state_ = TProgressState::Finished;
    manager_.IncludeAll();
    Changed();
    return false;
  }
  estimated_size_ = manager_.TasksTotalSize();
  run_ = std::make_unique<TConversionRun>(manager_, loop_);
  run_->OnStart = [this](const TMediaEncodeTask& job) { JobStarted(job); };
  run_->OnProgress = [this](const TMediaEncodeTask& job, const TProgressInfo& info) { JobProgress(job, info); };
  run_->OnEnd = [this](const TMediaEncodeTask& job, TEncoderStatus status) { JobEnded(job, status); };
  run_->Jobs().OnFlashProgress = [this](int position) {
    const TMediaEncodeTask* job = run_->Jobs().Current;
    flash_active_ = true;
    flash_percent_ = std::clamp(position, 0, 100);
    flash_file_ = job ? job->Task->OutputFileName : "";
    Changed();
  };
  if (run_->Jobs().Count() == 0) {
    // Every output existed and was kept: nothing to do, and nothing to tell.
    run_.reset();
    manager_.IncludeAll();
    state_ = TProgressState::Finished;
    Changed();
    return false;
  }
  state_ = TProgressState::Running;
  Changed();
  return true;
}

void TProgressModel::Tick(int wait_ms) {
  if (!run_ || run_->Finished()) return;
  if (state_ != TProgressState::Running && state_ != TProgressState::Paused && state_ != TProgressState::Cancelling)
    return;
  const bool more = run_->Step(wait_ms);
  if (!more) RunOver();
  Changed();
}

void TProgressModel::JobStarted(const TMediaEncodeTask& job) {
  if (state_ == TProgressState::Paused) state_ = TProgressState::Running;  // a new job starts running
  flash_active_ = false;
  job_percent_ = 0;
  job_done_ = 0;
  job_length_ = job.Task->Duration();
  total_position_ = std::max(0, JobsStarted() - 1) * 100;
  if (TMediaEncoder* encoder = job.Encoder.get()) {
    encoder->EnablePreview(show_preview_);
    encoder->SetLowPriority(low_priority_);
    format_text_ = EncodeFormatText(encoder->EncodeParams());
  } else {
    format_text_.clear();
  }
  Changed();
}

void TProgressModel::JobProgress(const TMediaEncodeTask& job, const TProgressInfo& info) {
  if (state_ == TProgressState::Cancelling || state_ == TProgressState::Finished) return;
  job_percent_ = std::clamp(job.Percent.load(), 0, 100);
  if (job_percent_ > 0) total_position_ = JobsStarted() * 100 + job_percent_ - 100;
  job_done_ = info.ConvertedLength;
  job_length_ = info.TotalLength;
  if (info.Speed > 0) {
    const TMediaSerialEncodeTaskList& jobs = run_->Jobs();
    remaining_ = std::max(0.0, (jobs.TotalDuration() - jobs.Processed()) / info.Speed);
  }
  if (show_preview_ && info.Preview) {
    const AVFrame* frame = info.Preview;
    preview_.Width = frame->width;
    preview_.Height = frame->height;
    preview_.Rgb = FrameToRgb(frame);
    ++preview_.Serial;
  }
  Changed();
}

void TProgressModel::JobEnded(const TMediaEncodeTask& job, TEncoderStatus status) {
  flash_active_ = false;
  if (status == TEncoderStatus::Succeeded) {
    job_percent_ = 100;
    job_done_ = job_length_;
    total_position_ = JobsStarted() * 100;
  } else {
    Log("Conversion of " + job.Task->OutputPath() + " ended without success: " + job.Error);
  }
  Changed();
}

void TProgressModel::RunOver() {
  finished_after_ = ElapsedSeconds();
  flash_active_ = false;
  if (run_->Summary().Interrupted) {
    state_ = TProgressState::Finished;
    return;
  }
  Log("Elapsed time: " + TimeText(finished_after_));
  state_ = TProgressState::Finished;
  completed_ = true;
  job_percent_ = 100;
  total_position_ = JobCount() * 100;
  preview_.Rgb.clear();
  preview_.Width = preview_.Height = 0;
  ++preview_.Serial;
  if (shut_down_) {
    // The message waits for the countdown: it is told when the user cancels it.
    countdown_.Begin();
    Changed();
    return;
  }
  if (open_target_ && !desktop_.OpenFolder(manager_.OutputFolder)) Log("Could not open " + manager_.OutputFolder);
  if (open_url_) OpenPages();
  TellEnd();
}

void TProgressModel::OpenPages() {
  const std::vector<std::string> written = WrittenFiles();
  for (const std::string& url : urls_) {
    const std::string path = PathOfFileUrl(url);
    const bool ours = !path.empty() && std::find(written.begin(), written.end(), path) != written.end();
    if (!IsWebAddress(url) && !ours) {
      questions_.Inform(InfoTitle(), Format(kPageRefused, url.c_str()));
      continue;
    }
    if (!desktop_.OpenUrl(url)) Log("Could not open " + url);
  }
}

void TProgressModel::PowerOff() {
  if (!desktop_.PowerOff()) {
    questions_.Inform(InfoTitle(), GetString("INF_ShutDownFailed", kShutDownFailed));
    TellEnd();
  }
}

void TProgressModel::TellEnd() {
  if (told_) return;
  told_ = true;
  questions_.Inform(InfoTitle(), EndMessage());
}

void TProgressModel::CountdownSecond() {
  countdown_.Second();
  Changed();
}

void TProgressModel::ShutDownNow() {
  countdown_.ShutDownNow();
  Changed();
}

void TProgressModel::CancelCountdown() {
  if (!countdown_.Active()) return;
  countdown_.Cancel();
  TellEnd();
  Changed();
}

void TProgressModel::TogglePause() {
  if (state_ == TProgressState::Paused) Resume();
  else Pause();
}

bool TProgressModel::Pause() {
  if (state_ != TProgressState::Running || !run_ || !run_->Jobs().IsRunning() || run_->Jobs().IsPaused()) return false;
  if (!run_->Jobs().Pause()) return false;
  state_ = TProgressState::Paused;
  Changed();
  return true;
}

bool TProgressModel::Resume() {
  if (state_ != TProgressState::Paused || !run_) return false;
  run_->Jobs().Resume();
  state_ = TProgressState::Running;
  Changed();
  return true;
}

bool TProgressModel::Cancel() {
  if (state_ == TProgressState::Finished || state_ == TProgressState::Ready) {
    // Closing a finished window ends a countdown that still runs.
    CancelCountdown();
    return true;
  }
  if (state_ == TProgressState::Cancelling) return true;
  Pause();
  if (!questions_.ConfirmCancel(GetString("INF_Cancel_Convert", kCancelConvert))) {
    Resume();
    return false;
  }
  state_ = TProgressState::Cancelling;
  cancelled_ = true;
  Changed();
  run_->RequestStop();
  while (run_->Step(0)) {
  }
  RunOver();
  Changed();
  return true;
}

void TProgressModel::SetShowPreview(bool show) {
  show_preview_ = show;
  if (run_)
    if (TMediaEncoder* encoder = run_->Jobs().CurrentEncoder()) encoder->EnablePreview(show);
}

void TProgressModel::SetLowPriority(bool low) {
  low_priority_ = low;
  if (run_)
    if (TMediaEncoder* encoder = run_->Jobs().CurrentEncoder()) encoder->SetLowPriority(low);
}

void TProgressModel::SetShutDown(bool on) {
  shut_down_ = on;
  if (on) open_target_ = open_url_ = false;
}

void TProgressModel::SetOpenTarget(bool on) {
  open_target_ = on;
  if (on) shut_down_ = false;
}

void TProgressModel::SetOpenUrl(bool on) {
  open_url_ = on && OpenUrlAvailable();
  if (open_url_) shut_down_ = false;
}

// --- what the window shows --------------------------------------------------------------------

int TProgressModel::JobCount() const { return run_ ? static_cast<int>(run_->Jobs().Count()) : 0; }

int TProgressModel::JobsStarted() const { return run_ ? run_->Jobs().NextIndex : 0; }

int TProgressModel::TotalPercent() const {
  const int count = JobCount();
  return count > 0 ? std::clamp(total_position_ / count, 0, 100) : (completed_ ? 100 : 0);
}

std::string TProgressModel::CurrentFileName() const {
  const TMediaEncodeTask* job = run_ ? run_->Jobs().Current : nullptr;
  return job && state_ != TProgressState::Finished ? job->Task->OutputFileName : "";
}

std::string TProgressModel::TotalProgressText() const {
  if (!run_) return FormatWithFallback(texts_.TotalProgress, TProgressTexts{}.TotalProgress, {0, 0});
  return FormatWithFallback(texts_.TotalProgress, TProgressTexts{}.TotalProgress, {JobsStarted(), JobCount()});
}

std::string TProgressModel::CurrentFileText() const {
  return FormatWithFallback(texts_.CurrentFile, TProgressTexts{}.CurrentFile, {CurrentFileName()});
}

double TProgressModel::ElapsedSeconds() const {
  if (state_ == TProgressState::Ready) return 0;
  if (finished_after_ >= 0) return finished_after_;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_at_).count();
}

std::string TProgressModel::ElapsedText() const {
  // Whole seconds, as a clock shows them.
  const double remaining = completed_ ? 0 : remaining_;
  return FormatWithFallback(texts_.Elapsed, TProgressTexts{}.Elapsed,
                            {TimeText(std::floor(ElapsedSeconds())), remaining >= 0 ? TimeText(remaining) : ""});
}

std::string TProgressModel::ConvertedText() const {
  return TimeText(job_done_) + "/" + TimeText(job_length_);
}

std::string TProgressModel::EstimatedText() const {
  return FormatWithFallback(texts_.Estimated, TProgressTexts{}.Estimated,
                            {run_ ? SizeText(estimated_size_) : std::string()});
}

std::string TProgressModel::FormatText() const { return state_ == TProgressState::Finished ? "" : format_text_; }

std::string TProgressModel::WindowTitle() const {
  if (!run_ || state_ == TProgressState::Ready) return texts_.Caption;
  return Format("%d%% - %s", TotalPercent(), texts_.Caption.c_str());
}

std::string TProgressModel::PauseButtonEntry() const {
  return state_ == TProgressState::Paused ? "btnResume" : "btnPause";
}

int TProgressModel::Succeeded() const { return run_ ? run_->Summary().Succeeded : 0; }

int TProgressModel::Errors() const { return run_ ? run_->Summary().Failed : 0; }

std::string TProgressModel::EndMessage() const {
  return Errors() > 0 ? GetString("INF_Error_Occur", kErrorOccur) : GetString("INF_Convert_Finish", kConvertFinish);
}

std::vector<std::string> TProgressModel::ErrorTexts() const {
  std::vector<std::string> texts;
  if (!run_) return texts;
  for (const TJobResult& r : run_->Results())
    if (r.Outcome != TJobOutcome::Succeeded && r.Outcome != TJobOutcome::NotRun) texts.push_back(r.OutputPath + ": " + r.Error);
  return texts;
}

std::vector<std::string> TProgressModel::WrittenFiles() const {
  std::vector<std::string> files;
  if (!run_) return files;
  for (const TJobResult& r : run_->Results()) {
    if (r.Outcome != TJobOutcome::Succeeded) continue;
    files.insert(files.end(), r.Files.begin(), r.Files.end());
    for (const std::string& f : FlashOutputPaths(*r.Task))
      if (std::filesystem::exists(f)) files.push_back(f);
  }
  return files;
}

}  // namespace fc::gui
