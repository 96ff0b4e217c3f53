#include "tasks/flash_finishing.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "core/file_io.h"
#include "core/log.h"
#include "engine/decoder.h"
#include "engine/formats.h"
#include "engine/frame_grab.h"
#include "flash/swf_feature.h"
#include "tasks/encode_run.h"
#include "tasks/task_source.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

// The candidates: 0.5 s, then every half second up to 15.5 s.
constexpr double kFirstThumbnailTime = 0.5;
constexpr double kThumbnailStep = 0.5;
constexpr int kThumbnailCandidates = 31;

bool IsMember(const TMediaTask& task) { return task.Kind() == TMediaTaskKind::MultiProfile; }

// The picture size and rate of the movie: the encode record's, or the converted file's where
// the record keeps the source's (0).
void FillFrame(TSwfFeature& flash, const TMediaTask& size_task, double record_rate, const std::string& media_file) {
  int32_t width = 0, height = 0;
  size_task.OutputSize(width, height);
  double rate = record_rate;
  if (width <= 0 || height <= 0 || !(rate > 0)) {
    try {
      const TVideoFormat format = TVideoDecoder(media_file).VideoFormat();
      if (width <= 0 || height <= 0) {
        width = format.Width;
        height = format.Height;
      }
      if (!(rate > 0)) rate = format.FrameRate;
    } catch (const std::exception& e) {
      Log("Cannot read the picture format of " + media_file + ": " + e.what());
    }
  }
  flash.Base.Width = width;
  flash.Base.Height = height;
  // A rate that is still unknown would reach divisions in the movie; the settings' default
  // stands instead.
  if (rate > 0) flash.Base.FPS = static_cast<float>(rate);
}

void Thumbnail(TMediaEncodeTask& job, const std::string& media_file) {
  const std::string jpg = ChangeFileExt(job.Task->OutputPath(), ".jpg");
  try {
    if (MakeThumbnail(media_file, jpg)) job.Outputs.push_back(jpg);
  } catch (const std::exception& e) {
    // A missing thumbnail leaves the player without a poster, nothing worse.
    Log("No thumbnail for " + media_file + ": " + e.what());
  }
}

// A job that will still run or is running.
bool Pending(const TMediaEncodeTask& job) { return !job.Ended && job.Error.empty(); }

bool Succeeded(const TMediaEncodeTask& job) {
  return job.Ended && job.Status.load() == static_cast<int32_t>(TEncoderStatus::Succeeded);
}

struct TMovieJob {
  TMediaTask* Owner = nullptr;  // whose settings and output name the movie takes
  std::vector<std::string> Files;
};

// A slide's movie once none of its members' jobs is left to run: the outputs of the members
// that converted, in member order.
std::optional<TMovieJob> SlideMovie(TMediaEncodeTaskList& list, TMediaSlideTask& slide) {
  TMovieJob movie{&slide, {}};
  for (TMediaTask* member : slide.MergeSource().Members()) {
    if (member->Excluded) continue;
    for (const auto& other : list) {
      if (other->Task != member) continue;
      if (Pending(*other)) return std::nullopt;
      if (Succeeded(*other)) movie.Files.push_back(member->OutputPath());
    }
  }
  if (movie.Files.empty()) return std::nullopt;
  return movie;
}

}  // namespace

bool MakeThumbnail(const std::string& media_file, const std::string& jpg_path) {
  TVideoDecoder decoder(media_file);
  std::vector<uint8_t> best;
  TVideoFrame frame;
  double next = kFirstThumbnailTime;
  // One pass over the first seconds instead of a seek per candidate: the candidate at time t
  // is the first picture shown at or after t.
  for (int taken = 0; taken < kThumbnailCandidates && decoder.Read(frame);) {
    if (frame.Time + 1e-6 < next) continue;
    std::vector<uint8_t> jpeg = EncodeFrameImage(frame.Frame.get(), ".jpg");
    if (jpeg.size() > best.size()) best = std::move(jpeg);
    ++taken;
    next = kFirstThumbnailTime + taken * kThumbnailStep;
  }
  // A clip shorter than half a second: its last picture.
  if (best.empty() && frame.Frame) best = EncodeFrameImage(frame.Frame.get(), ".jpg");
  if (best.empty()) return false;
  WriteFileAtomic(jpg_path, best);
  return true;
}

bool MakesFlashOutput(const TMediaTask& task) { return task.Record().ContainerFourCC == kFourCCFlv; }

std::vector<std::string> FlashOutputPaths(const TMediaTask& task) {
  std::vector<std::string> paths;
  const TSwfFeature& flash = task.Flash;
  const bool slide = task.Kind() == TMediaTaskKind::Slide;
  if (!slide && !MakesFlashOutput(task)) return paths;
  if (!slide && (IsMember(task) || flash.Generate.GenerateThumbnail))
    paths.push_back(ChangeFileExt(task.OutputPath(), ".jpg"));
  if (IsMember(task)) return paths;
  if (flash.EffectiveSwfType() != 0) paths.push_back(ChangeFileExt(task.OutputPath(), ".swf"));
  if (flash.EffectiveGenerateHtml()) paths.push_back(ChangeFileExt(task.OutputPath(), ".HTML"));
  return paths;
}

TMediaSlideTask* SlideOf(TMediaTaskMgr* manager, const TMediaTask* member) {
  if (!manager) return nullptr;
  for (TMediaTask* t : manager->Tasks())
    if (t->Kind() == TMediaTaskKind::Slide && static_cast<TMediaSlideTask*>(t)->MergeSource().Members().Contains(member))
      return static_cast<TMediaSlideTask*>(t);
  return nullptr;
}

void FinishFlashJob(TMediaEncodeTask& job, bool succeeded) {
  TMediaTask& task = *job.Task;
  if (!MakesFlashOutput(task)) return;
  TMediaEncodeTaskList& list = *job.List;
  std::optional<TMovieJob> movie;
  if (IsMember(task)) {
    if (succeeded) Thumbnail(job, task.OutputPath());
    if (TMediaSlideTask* slide = SlideOf(list.Manager(), &task)) movie = SlideMovie(list, *slide);
  } else if (succeeded) {
    movie = TMovieJob{&task, job.Outputs};
    if (movie->Files.empty()) movie->Files.push_back(task.OutputPath());
    if (task.Flash.Generate.GenerateThumbnail) Thumbnail(job, movie->Files.front());
  }
  if (!movie || movie->Owner->Flash.EffectiveSwfType() == 0) return;

  TMediaTask& owner = *movie->Owner;
  TSwfFeature& flash = owner.Flash;
  const double record_rate = job.Encoder ? job.Encoder->EncodeParams().FrameRate : task.Record().FrameRate;
  FillFrame(flash, owner, record_rate, movie->Files.front());
  flash.OutputPath = fs::path(owner.OutputPath()).parent_path().string();
  flash.OutputFile = ChangeFileExt(owner.OutputPath(), ".swf");
  flash.FlvFiles = movie->Files;
  flash.OnProgress = [&list](int, int value) {
    if (list.OnFlashProgress) list.OnFlashProgress(value);
  };
  std::string error;
  const bool made = flash.GenerateOutputs(&error);
  flash.OnProgress = nullptr;
  for (const std::string& warning : flash.Warnings) Log("Flash output of " + owner.OutputPath() + ": " + warning);
  if (!made) {
    job.FlashFailed = true;
    job.Error = "the Flash output failed: " + error;
    Log("Flash output of " + owner.OutputPath() + " failed: " + error);
    return;
  }
  // The embedded layout may have removed the FLVs it took in.
  std::erase_if(job.Outputs, [](const std::string& file) { return !fs::exists(file); });
  for (const std::string& file : flash.WrittenFiles) job.Outputs.push_back(file);
}

}  // namespace fc
