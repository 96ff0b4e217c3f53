// The preview player on a 30 s 1080p H.264 clip with edits (crop, brightness, contrast,
// saturation, flip) applied as the converter applies them, played without a clock: the counter
// "fps" is pictures per second and "realtime" that over the clip's 25 fps (the goal is 2 or
// more on two cores). BM_FirstPicture is the time from opening the file to its first picture
// (the goal is under 300 ms). Needs the ffmpeg tool.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "playback/media_player.h"
#include "tasks/media_task.h"
#include "tasks/task_source.h"

namespace {

namespace fs = std::filesystem;
using TSteady = std::chrono::steady_clock;

constexpr double kClipSeconds = 30;
constexpr double kClipRate = 25;

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

std::string Clip() {
  const fs::path dir = fs::temp_directory_path() / "fc_playback_bench";
  fs::create_directories(dir);
  const std::string path = (dir / "clip1080.mp4").string();
  if (!fs::exists(path))
    std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=30 -f lavfi -i "
                 "sine=frequency=440:sample_rate=48000:duration=30 -c:v libx264 -preset veryfast -g 250 "
                 "-pix_fmt yuv420p -c:a aac -ac 2 \"" + path + ".tmp.mp4\" && mv \"" + path + ".tmp.mp4\" \"" +
                 path + "\"").c_str());
  return path;
}

fc::TMediaBaseTask* AddTask(fc::TMediaTaskMgr& mgr, const std::string& path) {
  return static_cast<fc::TMediaBaseTask*>(mgr.Tasks().Add(
      std::make_unique<fc::TMediaBaseTask>(&mgr.Tasks(), std::make_unique<fc::TMediaTaskVideoSource>(path, 0))));
}

void BM_Play1080pWithEdits(benchmark::State& state) {
  if (!HaveFfmpeg()) return state.SkipWithError("the ffmpeg tool is not installed");
  const std::string clip = Clip();
  fc::TMediaTaskMgr mgr;
  fc::TMediaBaseTask* task = AddTask(mgr, clip);
  fc::TMediaTaskEditParams& edits = *task->EditParams();
  edits.Crop = {120, 60, 1800, 1020};
  edits.Brightness = 20;
  edits.Contrast = 10;
  edits.Saturation = -30;
  edits.FlipHorizontal = true;
  int64_t frames = 0;
  double seconds = 0;
  for (auto _ : state) {
    fc::TMediaPlayer player;
    player.SetUnpaced(true);
    player.AttachTask(*task, fc::TPictureMode::Processed);
    const auto began = TSteady::now();
    player.Play();
    while (player.State() == fc::TPlayerState::Playing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    seconds = std::chrono::duration<double>(TSteady::now() - began).count();
    frames = player.FramesShown();
  }
  if (frames < kClipSeconds * kClipRate - 1) return state.SkipWithError("the clip did not play to its end");
  state.counters["fps"] = frames / seconds;
  state.counters["realtime"] = frames / seconds / kClipRate;
}
BENCHMARK(BM_Play1080pWithEdits)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond)->UseRealTime();

void BM_FirstPicture(benchmark::State& state) {
  if (!HaveFfmpeg()) return state.SkipWithError("the ffmpeg tool is not installed");
  const std::string clip = Clip();
  for (auto _ : state) {
    fc::TMediaTaskMgr mgr;
    fc::TMediaBaseTask* task = AddTask(mgr, clip);  // reads the media information
    fc::TMediaPlayer player;
    player.AttachTask(*task, fc::TPictureMode::Processed);
    player.Seek(0);
    if (!player.WaitForPicture(10000) || !player.CurrentPicture()) state.SkipWithError("no picture");
  }
}
BENCHMARK(BM_FirstPicture)->Iterations(5)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
