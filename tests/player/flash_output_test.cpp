// The player movie of the Flash output plays in Ruffle: a stand-in player template (a
// one-frame movie tracing what it finds) sees the globals that frame 1 sets, hostile names
// and links intact, and the embedded layout walks through its segments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "flash/swf_feature.h"
#include "movie/flash_movie.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using test::Q;
using test::Shell;

// The stand-in player: traces the globals once, then every new frame of the main movie.
constexpr const char* kStandInPlayer = R"(
trace("flv:" + _global.g_ArrFlvPath.join("|"));
trace("click:" + _global.g_ClickingUrl + " " + _global.g_ClickingTarget);
trace("frames:" + _global.FramesArrays.join(",") + " total:" + _global.realTotalFrames);
var last = 0;
this.onEnterFrame = function() {
  if (_root._currentframe != last) { last = _root._currentframe; trace("frame:" + last); }
};
)";

void MakeStandIn(const fs::path& file) {
  fs::create_directories(file.parent_path());
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.SetVersion(8);
  ASSERT_TRUE(movie.FrameActions().Compile(std::string(kStandInPlayer))) << movie.CompileMessages;
  movie.ShowFrame();
  movie.Save(file);
}

TEST(FlashOutput, PlayerSeesTheGlobalsAndSegmentsFollowEachOther) {
  const fs::path dir = test::ScratchDir("flash_output");
  const fs::path program = dir / "program";
  MakeStandIn(program / "Templates/Players/Player01.swf");
  const std::string ffmpeg = "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=s=64x48:r=10 -frames:v 5 -c:v flv1 ";
  const std::string hostile = "it's \"q\" \\ #&<caf\xC3\xA9>.flv";
  Shell(ffmpeg + Q(dir / hostile));
  Shell(ffmpeg + Q(dir / "b.flv"));

  auto feature = [&](int type, const std::string& name) {
    TSwfFeature f;
    f.ProgramFolder = program.string();
    f.Base = {0, 0, 64, 48, 10, 0};
    f.PlayerID = "Player01";
    f.Generate.SwfType = static_cast<uint8_t>(type);
    f.Generate.GenerateHtml = false;
    f.Playback.LaunchClicking = true;
    f.Playback.ClickingUrl = "https://example.com/a?b=\"1\"&c=\\2#x";
    f.Playback.ClickingTarget = "_blank";
    f.OutputPath = dir.string();
    f.OutputFile = name;
    f.FlvFiles = {(dir / hostile).string(), (dir / "b.flv").string()};
    return f;
  };
  TSwfFeature external = feature(2, "external.swf");
  std::string error;
  ASSERT_TRUE(external.GenerateOutputs(&error)) << error;
  TSwfFeature embedded = feature(1, "embedded.swf");
  embedded.Generate.GenerateFlv = true;
  ASSERT_TRUE(embedded.GenerateOutputs(&error)) << error;

  test::PlayOptions options;
  options.frames = 20;
  const auto results = test::PlaySwfs({dir / "external.swf", dir / "embedded.swf"}, options);
  ASSERT_EQ(results.size(), 2u);
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
  EXPECT_THAT(results[0].trace, Contains("flv:" + hostile + "|b.flv"));
  EXPECT_THAT(results[0].trace, Contains("click:https://example.com/a?b=\"1\"&c=\\2#x _blank"));
  // Two segments of 5 frames: frames 2 and 3 show them, each advancing the movie at its end.
  EXPECT_THAT(results[1].trace, Contains("frames:5,5 total:10"));
  EXPECT_THAT(results[1].trace, Contains("frame:2"));
  EXPECT_THAT(results[1].trace, Contains("frame:3"));
}

}  // namespace
}  // namespace fc
