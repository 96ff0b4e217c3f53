// Video embedded frame by frame by `flarecast-cli swf video`, played in Ruffle: the picture
// after N frames is ffmpeg's decode of the FLV's frame N - 1 (the first frame shows video
// frame 0), for Sorenson H.263 and screen video, and a movie with streamed sound plays.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;
using test::Cli;
using test::Psnr;
using test::Q;
using test::Shell;

TEST(EmbeddedVideo, RuffleShowsTheFramesFfmpegDecodes) {
  const fs::path dir = test::ScratchDir("video");
  const std::string cli = Q(test::ProgramDir() / "flarecast-cli");
  const std::string ffmpeg = "ffmpeg -nostdin -y -loglevel error ";
  // Smooth colours that change at every frame, so that a neighbouring frame differs clearly.
  const std::string source =
      "-f lavfi -i \"nullsrc=s=160x120:r=25:d=2,geq=r='mod(N*37\\,256)':g='mod(X*2+N*11\\,256)':b='mod(Y*2\\,256)'\"";
  const std::vector<std::pair<std::string, std::string>> videos = {
      {"h263", "-c:v flv1 -q:v 2"}, {"screen", "-c:v flashsv"}};
  std::vector<fs::path> movies;
  for (const auto& [name, codec] : videos) {
    const fs::path flv = dir / (name + ".flv");
    Shell(ffmpeg + source + " " + codec + " " + Q(flv));
    movies.push_back(dir / (name + ".swf"));
    Shell(cli + " swf video " + Q(flv) + " --no-sound -o " + Q(movies.back()));
  }
  // With its sound (Ruffle holds such a movie near its start without an audio clock).
  const fs::path sound_flv = dir / "sound.flv";
  Shell(ffmpeg + source + " -f lavfi -i sine=d=2:r=22050 -c:v flv1 -c:a libmp3lame " + Q(sound_flv));
  const fs::path sound_swf = dir / "sound.swf";
  Shell(cli + " swf video " + Q(sound_flv) + " -o " + Q(sound_swf));

  for (const int frames : {5, 31}) {
    std::vector<fs::path> files = movies;
    if (frames == 5) files.push_back(sound_swf);
    test::PlayOptions options;
    options.frames = frames;
    options.screenshot_dir = dir / ("shots" + std::to_string(frames));
    fs::create_directories(options.screenshot_dir);
    const auto results = test::PlaySwfs(files, options);
    ASSERT_EQ(results.size(), files.size());
    for (const auto& result : results) EXPECT_TRUE(result.ok()) << result.file << ": " << result.error;
    for (size_t i = 0; i < videos.size(); ++i) {
      const fs::path flv = dir / (videos[i].first + ".flv");
      auto decoded = [&](int n) {
        const fs::path png = dir / (videos[i].first + "_" + std::to_string(n) + ".png");
        Shell(ffmpeg + "-i " + Q(flv) + " -vf \"select=eq(n\\," + std::to_string(n) + ")\" -frames:v 1 " + Q(png));
        return test::ReadPng(png);
      };
      const test::Image shot = test::ReadPng(results[i].screenshot);
      EXPECT_EQ(shot.width, 160);
      EXPECT_EQ(shot.height, 120);
      const double match = Psnr(shot, decoded(frames - 1));
      EXPECT_GE(match, 30) << videos[i].first << " after " << frames << " frames";
      // The frame before is clearly another picture: the match is the right frame.
      EXPECT_LT(Psnr(shot, decoded(frames - 2)), match - 10) << videos[i].first;
    }
  }
}

}  // namespace
}  // namespace fc
