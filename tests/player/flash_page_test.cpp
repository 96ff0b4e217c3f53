// The main job end to end: a clip converted with an FLV profile becomes an FLV, a thumbnail, a
// player movie and a page, for each of the three layouts; the movie plays in Ruffle with the
// Player01 template, and the page, served by `flarecast-cli serve`, plays in headless
// Chromium: the player traces what it plays and the picture moves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "core/text.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Q;

struct TLayout {
  int Type;
  std::string Input;      // the source's file name
  std::string Played;     // what the player says it plays
  std::string Global;     // a line the movie's script must hold
  std::string Extra;      // more convert options
};

std::string Stem(const std::string& name) { return fs::path(name).stem().string(); }

TEST(FlashPage, EachLayoutOfAConvertedClipPlaysInTheMovieAndOnItsPage) {
  const fs::path dir = test::ScratchDir("flash_page");
  // A name a shell, a script and a page all treat specially (type 3 cannot carry '#' or ','
  // in its list, so it gets a plain one).
  const std::string hostile = "clip 'a' \"b\" & #1 <\xC3\xBC>.mp4";
  const std::vector<TLayout> layouts = {
      {2, hostile, "player:play " + Stem(hostile) + ".flv", "g_ArrFlvPath", ""},
      {3, "clip.mp4", "player:play clip.flv", "g_FLvFromUrlVar", "--url-var clips"},
      // Embedded sound would hold the timeline at the audio clock, which the harness has not.
      {1, "clip.mp4", "player:play mc1", "realTotalFrames", "--keep-flv --no-audio"},
  };
  std::vector<fs::path> movies;
  for (const TLayout& layout : layouts) {
    const fs::path out = dir / ("type" + std::to_string(layout.Type));
    fs::remove_all(out);
    fs::create_directories(out);
    const fs::path source = dir / layout.Input;
    if (!fs::exists(source))
      test::Shell("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=320x240:rate=25:duration=6 -f lavfi "
                  "-i sine=frequency=440:duration=6 -c:v libx264 -pix_fmt yuv420p -c:a aac " + Q(source));
    Cli("--ini " + Q(dir / "settings.ini") + " convert " + Q(source) + " -o " + Q(out) +
        " --profile 101 --player Player01 --debug-trace --swf-type " + std::to_string(layout.Type) + " " +
        layout.Extra);
    const std::string stem = Stem(layout.Input);
    for (const char* ext : {".flv", ".jpg", ".swf", ".HTML"})
      EXPECT_TRUE(fs::is_regular_file(out / (stem + ext))) << out / (stem + ext);
    EXPECT_TRUE(fs::is_regular_file(out / "ruffle" / "ruffle.js"));
    // No temporary folder is left in the user's folder.
    EXPECT_FALSE(fs::exists(out / "Temp"));
    std::string dump;
    ASSERT_EQ(test::RunCommand(Q(test::ProgramDir() / "flarecast-cli") + " swf dump --actions " +
                                   Q(out / (stem + ".swf")), &dump),
              0);
    EXPECT_NE(dump.find(layout.Global), std::string::npos) << dump;
    EXPECT_NE(dump.find("g_noDebug"), std::string::npos);
    if (layout.Type != 3) movies.push_back(out / (stem + ".swf"));
  }

  // The movies alone (type 3 needs its page for its list): each plays, and its picture after
  // 2 s differs from the one after 4 s.
  std::vector<std::vector<test::Image>> shots(movies.size());
  for (const int frames : {50, 100}) {
    test::PlayOptions options;
    options.frames = frames;
    options.screenshot_dir = dir / ("shots" + std::to_string(frames));
    fs::create_directories(options.screenshot_dir);
    const auto results = test::PlaySwfs(movies, options);
    ASSERT_EQ(results.size(), movies.size());
    for (size_t i = 0; i < results.size(); ++i) {
      ASSERT_TRUE(results[i].ok()) << results[i].file << ": " << results[i].error;
      const std::string& played = i == 0 ? layouts[0].Played : layouts[2].Played;
      EXPECT_EQ(results[i].trace, std::vector<std::string>{played}) << results[i].file;
      shots[i].push_back(test::ReadPng(results[i].screenshot));
    }
  }
  for (size_t i = 0; i < movies.size(); ++i)
    EXPECT_GT(test::PixelDifference(shots[i][0], shots[i][1]), 0.05) << movies[i] << ": the video does not move";

  // The embedded movie knows its length from its frames: a click at 53/76 of Player01's seek
  // bar (x 47 to 123 on a 320-pixel stage) seeks to that share of the 6 s.
  test::PlayOptions seek;
  seek.frames = 20;
  seek.clicks = {{100, 260, 10}};
  const auto sought = test::PlaySwfs({movies[1]}, seek);
  ASSERT_EQ(sought.size(), 1u);
  ASSERT_EQ(sought[0].trace.size(), 2u) << sought[0].error;
  ASSERT_TRUE(sought[0].trace[1].starts_with("player:seek ")) << sought[0].trace[1];
  EXPECT_NEAR(std::stod(sought[0].trace[1].substr(12)), 6 * 53.0 / 76, 0.2) << sought[0].trace[1];

  // The pages, served as a web server serves them.
  for (const TLayout& layout : layouts) {
    const fs::path out = dir / ("type" + std::to_string(layout.Type));
    test::TServedFolder served(out);
    test::TPageOptions options;
    options.Ms = 4000;
    options.Shots = {{1500, out / "early.png"}, {3500, out / "late.png"}};
    const std::string page = Stem(layout.Input) + ".HTML";
    // The server's address names the page percent-encoded.
    const test::TPageResult played = test::PlayPage(served.Url() + PercentEncode(page), options);
    ASSERT_TRUE(played.Ok()) << page << ": " << played.Error;
    EXPECT_TRUE(played.Loaded) << page;
    EXPECT_EQ(played.Trace, std::vector<std::string>{layout.Played}) << page;
    EXPECT_TRUE(played.ConsoleErrors.empty()) << page << ": " << played.ConsoleErrors.front();
    EXPECT_TRUE(played.HttpErrors.empty()) << page << ": " << played.HttpErrors.front();
    ASSERT_EQ(played.Screenshots.size(), 2u);
    EXPECT_GT(test::PixelDifference(test::ReadPng(played.Screenshots[0]), test::ReadPng(played.Screenshots[1])), 0.05)
        << page << ": the video does not move";
    EXPECT_EQ(served.Stop(), 0);
  }
}

}  // namespace
}  // namespace fc
