// The converter against the ffmpeg tool on the same job: a 60 s 640x480 clip to FLV with
// Sorenson H.263 and MP3. The counter "ratio" is our wall time over ffmpeg's (the goal is 0.9
// or less: decoding, filtering and encoding run on both cores). Needs the ffmpeg tool.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/audio_processor.h"
#include "engine/decoder.h"
#include "engine/media_encoder.h"
#include "engine/video_processor.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Dir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "fc_engine_bench";
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::string Clip() {
  const std::string path = (Dir() / "clip60.mp4").string();
  if (!fs::exists(path))
    std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=60 -f lavfi -i "
                 "sine=frequency=440:sample_rate=44100:duration=60 -c:v libx264 -preset ultrafast -pix_fmt yuv420p "
                 "-c:a aac -ac 2 \"" + path + "\"").c_str());
  return path;
}

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The program's own chain: decoders, processors (Flash rate), converter.
double ConvertWithEngine(const std::string& input) {
  const auto start = std::chrono::steady_clock::now();
  auto video = std::make_shared<fc::TVideoDecoder>(input);
  auto audio = std::make_shared<fc::TAudioDecoder>(input);
  fc::TEncodeParams p;
  p.ContainerFourCC = fc::kFourCCFlv;
  p.VideoFourCC = fc::MakeFourCC("FLV1");
  p.AudioFourCC = fc::MakeFourCC("MP3");
  p.VideoBitrate = 800000;
  p.AudioBitrate = 128000;
  p.SampleRate = 44100;
  auto vp = std::make_shared<fc::TVideoProcessor>(video, fc::TVideoOutput{.Width = 640, .Height = 480, .FrameRate = 25});
  auto ap = std::make_shared<fc::TAudioProcessor>(audio, 44100, 2, 16, true);
  fc::TMediaEncoder encoder(vp, ap);
  encoder.SetOutputFile((Dir() / "engine.flv").string());
  encoder.SetEncodeParams(p);
  if (!encoder.Start(0, 0, 0, nullptr)) return -1;
  encoder.Wait();
  return encoder.State() == fc::TEncoderState::Finished ? Seconds(start) : -1;
}

double ConvertWithFfmpeg(const std::string& input) {
  const auto start = std::chrono::steady_clock::now();
  const int r = std::system(("ffmpeg -nostdin -v error -y -i \"" + input +
                             "\" -c:v flv -b:v 800k -g 50 -c:a libmp3lame -b:a 128k -ar 44100 "
                             "-flvflags add_keyframe_index \"" + (Dir() / "ffmpeg.flv").string() + "\"")
                                .c_str());
  return r == 0 ? Seconds(start) : -1;
}

void BM_FlvAgainstFfmpeg(benchmark::State& state) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0) {
    state.SkipWithError("the ffmpeg tool is not installed");
    return;
  }
  const std::string input = Clip();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    ours = ConvertWithEngine(input);
    theirs = ConvertWithFfmpeg(input);
  }
  if (ours < 0 || theirs <= 0) {
    state.SkipWithError("a conversion failed");
    return;
  }
  state.counters["engine_s"] = ours;
  state.counters["ffmpeg_s"] = theirs;
  state.counters["ratio"] = ours / theirs;
}
BENCHMARK(BM_FlvAgainstFfmpeg)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
