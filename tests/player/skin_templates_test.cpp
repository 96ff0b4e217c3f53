// The player skins beside Player01 (Templates/Players/Minimal.swf and LargeButtons.swf) in host
// movies made as the Flash output makes them: they trace the same vocabulary as Player01 for
// auto play, clicks on their own controls, the end and the embedded layout, and show their bars
// and the big button in the skin colour where they draw them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "player_host.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using namespace test;

const std::string kEndUrl = "https://example.com/end?a=1&b=\"2\"";
const std::string kRed = "_global.g_SkinColor = 16711680 ;\n_global.g_SkinColorSaturation = 100 ;\n";
const std::string kAutoPlay = "_global.g_AutoPlay = true ;\n";
// Ruffle's getTimer runs on the wall clock, not on the harness's frames: a delay of ten minutes
// never runs out in a test, one of a millisecond at once.
const std::string kLongDelay = "_global.g_AutoHideDelay = 600000 ;\n";

void ExpectPlayed(const std::vector<PlayResult>& results, size_t count) {
  ASSERT_EQ(results.size(), count);
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
}

// The seconds of a "player:seek SECONDS" line.
double SeekSeconds(const std::string& line) {
  EXPECT_TRUE(line.starts_with("player:seek ")) << line;
  return line.starts_with("player:seek ") ? std::stod(line.substr(12)) : -1;
}

TEST(PlayerSkins, AutoPlayTheEndAndEmbeddedSegmentsTraceThePlayersVocabulary) {
  const fs::path dir = ScratchDir("player_skins_play");
  fs::copy_file(ProgramDir() / "Templates" / "Fcst.flv", dir / "Fcst.flv", fs::copy_options::overwrite_existing);
  for (const char* segment : {"seg1", "seg2"}) {
    MakeFlv(dir / (std::string(segment) + ".flv"), 1, "160x120");
    WriteSegment(dir / (std::string(segment) + ".flv"), dir / (std::string(segment) + ".swf"));
  }
  const std::string end_link = kAutoPlay + "_global.g_EndUrl = " + Literal(kEndUrl) +
                               " ;\n_global.g_EndTarget = \"_blank\" ;\n" + FlvList({"Fcst.flv"});
  const std::string embedded = kAutoPlay +
                               "_global.FramesArrays = Array();\n_global.FramesArrays[0] = 15 ;\n"
                               "_global.FramesArrays[1] = 15 ;\n_global.realTotalFrames = 30 ;\n"
                               "_global.swffps = 15 ;\n";
  std::vector<fs::path> movies;
  for (const std::string skin : {"Minimal", "LargeButtons"}) {
    movies.push_back(dir / (skin + "_end.swf"));
    WriteHost({.Player = skin, .Globals = end_link}, movies.back());
    // The bar over the video: the frame has no strip.
    movies.push_back(dir / (skin + "_over.swf"));
    WriteHost({.Player = skin, .Globals = "_global.g_AutoHideSkin = true ;\n" + end_link, .Height = 240},
              movies.back());
    movies.push_back(dir / (skin + "_embedded.swf"));
    WriteHost({.Player = skin, .Globals = embedded, .Segments = {dir / "seg1.swf", dir / "seg2.swf"}}, movies.back());
  }
  const auto results = PlaySwfs(movies, {.frames = 260});
  ExpectPlayed(results, movies.size());
  for (size_t i = 0; i < results.size(); i += 3) {
    for (size_t j = i; j < i + 2; ++j)
      EXPECT_EQ(results[j].trace, (TLines{"player:play Fcst.flv", "player:end", "player:url " + kEndUrl + " _blank"}))
          << results[j].file;
    EXPECT_EQ(results[i + 2].trace, (TLines{"player:play mc1", "player:play mc2", "player:end"})) << results[i + 2].file;
  }
}

TEST(PlayerSkins, TheMinimalBarPlaysPausesSeeksAndHidesWhenTheMouseLeaves) {
  const fs::path dir = ScratchDir("player_skins_minimal_click");
  MakeFlv(dir / "long.flv", 12);
  const fs::path movie = dir / "minimal.swf";
  WriteHost({.Player = "Minimal", .Globals = kRed + kLongDelay + FlvList({"long.flv"})}, movie);
  // 320 x 281: the slim bar (26 pixels) at the bottom of the 41-pixel strip; the play button
  // is its first 26 pixels, the seek line runs from x 30 for 200 pixels (the time after it).
  PlayOptions options;
  options.frames = 110;
  options.screenshot_dir = dir / "shots";
  options.moves = {{160, 268, 3}, {160, 120, 103}, {400, 120, 104}};
  options.clicks = {{160, 120, 5},     // the video: start
                    {13, 268, 90},     // the play button: pause
                    {170, 268, 100}};  // the seek line, at 70 %
  const auto results = PlaySwfs({movie}, options);
  ExpectPlayed(results, 1);
  const TLines& trace = results[0].trace;
  ASSERT_EQ(trace.size(), 3u) << ::testing::PrintToString(trace);
  EXPECT_EQ(Prefix(trace, 2), (TLines{"player:play long.flv", "player:pause"}));
  EXPECT_NEAR(SeekSeconds(trace[2]), 12 * 0.7, 0.2);
  // The mouse left the movie over the video: the bar has faded, the strip is plain black.
  const Image shot = ReadPng(results[0].screenshot);
  EXPECT_GT(ShareNear(shot, 0, 241, 320, 281, 0x000000), 0.95);
}

TEST(PlayerSkins, LargeButtonsStartWithTheBigButtonPauseAndSeekOnTheBar) {
  const fs::path dir = ScratchDir("player_skins_large_click");
  MakeFlv(dir / "long.flv", 12);
  const fs::path movie = dir / "large.swf";
  WriteHost({.Player = "LargeButtons", .Globals = kRed + FlvList({"long.flv"})}, movie);
  // 320 x 281: the big button in the middle of the video; in the bar the play button (41
  // pixels), the seek bar from x 45 for 185 pixels, mute and full screen (41 each).
  PlayOptions options;
  options.frames = 110;
  options.clicks = {{160, 120, 5},     // the big button: start
                    {258, 260, 50},    // mute: no trace
                    {20, 260, 90},     // the play button: pause
                    {175, 260, 100}};  // the seek bar, at 130 of 185 pixels
  const auto results = PlaySwfs({movie}, options);
  ExpectPlayed(results, 1);
  const TLines& trace = results[0].trace;
  ASSERT_EQ(trace.size(), 3u) << ::testing::PrintToString(trace);
  EXPECT_EQ(Prefix(trace, 2), (TLines{"player:play long.flv", "player:pause"}));
  EXPECT_NEAR(SeekSeconds(trace[2]), 12 * 130.0 / 185, 0.2);
}

TEST(PlayerSkins, TheBarsAndTheBigButtonShowInTheSkinColour) {
  const fs::path dir = ScratchDir("player_skins_shots");
  MakeFlv(dir / "long.flv", 12);
  const std::string flv = FlvList({"long.flv"});
  const fs::path minimal = dir / "minimal.swf", over = dir / "over.swf", fading = dir / "fading.swf",
                 waiting = dir / "waiting.swf", small = dir / "small.swf";
  WriteHost({.Player = "Minimal", .Globals = kAutoPlay + kRed + kLongDelay + flv}, minimal);
  WriteHost({.Player = "Minimal",
             .Globals = kAutoPlay + kRed + kLongDelay + "_global.g_AutoHideSkin = true ;\n" + flv,
             .Height = 240},
            over);
  WriteHost({.Player = "Minimal", .Globals = kAutoPlay + kRed + "_global.g_AutoHideDelay = 1 ;\n" + flv}, fading);
  // Waiting for a click, LargeButtons shows its big button; 120 x 120 is the smallest frame.
  WriteHost({.Player = "LargeButtons", .Globals = kRed + flv}, waiting);
  WriteHost({.Player = "LargeButtons", .Globals = kRed + flv, .Width = 120, .Height = 161}, small);

  std::vector<std::vector<Image>> shots;  // [0: no mouse movement, 1: after one][movie]
  for (const bool moved : {false, true}) {
    PlayOptions options;
    options.frames = 30;
    options.screenshot_dir = dir / (moved ? "moved" : "still");
    if (moved) options.moves = {{160, 200, 3}};
    const auto results = PlaySwfs({minimal, over, fading, waiting, small}, options);
    ExpectPlayed(results, 5);
    shots.emplace_back();
    for (const auto& r : results) shots.back().push_back(ReadPng(r.screenshot));
  }
  const auto& still = shots[0];
  const auto& moved = shots[1];
  // Minimal: without a movement the strip under the video is plain; after one the bar shows
  // in red at the bottom of the strip (between the play button and the seek line), and over
  // the video when the bar hides itself. A bar whose delay has run out has faded.
  EXPECT_GT(ShareNear(still[0], 0, 241, 320, 281, 0x000000), 0.95);
  EXPECT_GT(ShareNear(moved[0], 26, 257, 30, 279, 0xFF0000), 0.9);
  EXPECT_GT(ShareNear(moved[0], 0, 241, 320, 254, 0x000000), 0.95);
  EXPECT_LT(ShareNear(still[1], 0, 214, 320, 240, 0xFF0000, 60), 0.3);
  EXPECT_GT(ShareNear(moved[1], 26, 216, 30, 238, 0xFF0000, 60), 0.9);
  EXPECT_GT(ShareNear(moved[2], 0, 241, 320, 281, 0x000000), 0.95);
  // LargeButtons: the bar in red (right of the seek bar) and the big button's red left of its
  // play sign, in the middle of the video, at both sizes.
  for (const auto* shot : {&still[3], &moved[3]}) {
    EXPECT_GT(ShareNear(*shot, 231, 245, 237, 276, 0xFF0000), 0.9);
    EXPECT_GT(ShareNear(*shot, 118, 112, 140, 128, 0xFF0000, 60), 0.9);
    EXPECT_LT(ShareNear(*shot, 0, 0, 100, 100, 0xFF0000, 60), 0.1);
  }
  EXPECT_GT(ShareNear(still[4], 113, 125, 119, 156, 0xFF0000), 0.9);
  EXPECT_GT(ShareNear(still[4], 41, 56, 50, 64, 0xFF0000, 60), 0.9);
}

}  // namespace
}  // namespace fc
