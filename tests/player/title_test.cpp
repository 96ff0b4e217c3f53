// Title screens in Ruffle: every animation plays, the text is where its motion puts it, and the
// embedded layout plays the opening title, the video and the closing title in order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "core/text.h"
#include "flash/title_animations.h"
#include "picture_checks.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Cli;
using test::Q;

const std::string kEightLines = "One#13Two#13Three#13Four#13Five#13Six#13Seven#13Eight";

// The box of the bright pixels (text drawn white on black); empty when there are none.
struct TBox {
  int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;
  bool Empty() const { return Right < 0; }
};
TBox BrightBox(const test::Image& image, int height, int threshold = 160) {
  TBox box;
  for (int y = 0; y < std::min(height, image.height); ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      if (p[0] > threshold && p[1] > threshold && p[2] > threshold) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x);
        box.Bottom = std::max(box.Bottom, y);
      }
    }
  return box;
}

// The share of the video area (the top 240 rows) close to a colour (0xRRGGBB).
double ShareOf(const test::Image& image, uint32_t rgb) { return test::ShareNear(image, 0, 0, image.width, 240, rgb, 40); }

// Each of the 18 at 1 frame a second for 1 second and at 30 for 60 seconds with eight lines.
TEST(TitleMovies, EveryAnimationBuildsWithItsFramesAndPlays) {
  const fs::path dir = test::ScratchDir("title_all");
  std::vector<fs::path> movies;
  for (const TTextEffect& effect : TextEffects()) {
    const std::string id(effect.ID);
    for (const auto& [fps, time] : {std::pair{1, 1}, std::pair{30, 60}}) {
      const fs::path movie = dir / Format("%s_%d_%d.swf", id.c_str(), fps, time);
      std::string json;
      ASSERT_EQ(test::RunCommand(Q(test::ProgramDir() / "flarecast-cli") + " flash title --anim " + id + " --text " +
                                     Q(kEightLines) + Format(" --fps %d --time %d --json -o ", fps, time) + Q(movie),
                                 &json),
                0);
      // The animation's frames and the one that moves the main movie on.
      EXPECT_NE(json.find(Format("\"frames\": %d", fps * time + 1)), std::string::npos) << id << ": " << json;
      movies.push_back(movie);
    }
  }
  test::PlayOptions options;
  options.frames = 10;
  for (const auto& result : test::PlaySwfs(movies, options)) {
    EXPECT_TRUE(result.ok()) << result.file << ": " << result.error;
    EXPECT_EQ(result.width, 320);
  }
}

// 10 frames a second for 4 seconds: screenshots after 7, 20 and 39 frames.
TEST(TitleMovies, TheTextIsWhereTheMotionPutsIt) {
  const fs::path dir = test::ScratchDir("title_motion");
  std::vector<fs::path> movies;
  for (const char* anim : {"MoveLeft", "ScrollUp", "TypeWriter", "Fade"}) {
    movies.push_back(dir / (std::string(anim) + ".swf"));
    Cli(std::string("flash title --anim ") + anim + " --text Hello --font-size 24 --color FFFFFF --background 000000"
        " --fps 10 --time 4 -o " + Q(movies.back()));
  }
  std::vector<std::vector<TBox>> boxes(movies.size());  // per movie, per moment
  std::vector<std::vector<test::Image>> shots(movies.size());
  for (const int frames : {7, 20, 39}) {
    test::PlayOptions options;
    options.frames = frames;
    options.screenshot_dir = dir / ("after" + std::to_string(frames));
    fs::create_directories(options.screenshot_dir);
    const auto results = test::PlaySwfs(movies, options);
    ASSERT_EQ(results.size(), movies.size());
    for (size_t i = 0; i < results.size(); ++i) {
      ASSERT_TRUE(results[i].ok()) << results[i].file << ": " << results[i].error;
      shots[i].push_back(test::ReadPng(results[i].screenshot));
      // Dim text counts too: the moves fade in.
      boxes[i].push_back(BrightBox(shots[i].back(), 240, 40));
    }
  }
  // MoveLeft enters from the right edge, arrives at the left edge and leaves through it.
  ASSERT_FALSE(boxes[0][0].Empty());
  EXPECT_GT(boxes[0][0].Left, 220);
  ASSERT_FALSE(boxes[0][1].Empty());
  EXPECT_LT(boxes[0][1].Left, boxes[0][0].Left - 100);
  EXPECT_TRUE(boxes[0][2].Empty() || boxes[0][2].Right < 30);
  // ScrollUp fades in at the bottom, then scrolls up and out of the top.
  ASSERT_FALSE(boxes[1][0].Empty());
  EXPECT_GT(boxes[1][0].Top, 180);
  ASSERT_FALSE(boxes[1][1].Empty());
  EXPECT_LT(boxes[1][1].Top, boxes[1][0].Top - 40);
  EXPECT_TRUE(boxes[1][2].Empty() || boxes[1][2].Bottom < 15) << boxes[1][2].Bottom;
  // TypeWriter: one character, then three, then the word, from the same left edge.
  ASSERT_FALSE(boxes[2][0].Empty());
  EXPECT_LT(boxes[2][0].Right - boxes[2][0].Left, boxes[2][1].Right - boxes[2][1].Left);
  EXPECT_LT(boxes[2][1].Right - boxes[2][1].Left, boxes[2][2].Right - boxes[2][2].Left);
  EXPECT_NEAR(boxes[2][0].Left, boxes[2][2].Left, 2);
  // Fade: dim at first, then the centred word in full.
  EXPECT_TRUE(BrightBox(shots[3][0], 240, 160).Empty());
  ASSERT_FALSE(BrightBox(shots[3][2], 240, 160).Empty());
  EXPECT_NEAR((boxes[3][2].Left + boxes[3][2].Right) / 2, 160, 6);
  EXPECT_NEAR((boxes[3][2].Top + boxes[3][2].Bottom) / 2, 120, 10);
}

// A clip converted into the embedded layout with an opening title on red and a closing title
// on green: the player plays mc1 (title), mc2 (video), mc3 (title).
TEST(TitleMovies, EmbeddedLayoutPlaysOpeningTitleVideoClosingTitle) {
  const fs::path dir = test::ScratchDir("title_embedded");
  const fs::path source = dir / "clip.mp4", out = dir / "out";
  fs::remove_all(out);
  test::Shell("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 -c:v libx264 "
              "-pix_fmt yuv420p " + Q(source));
  // Embedded sound would hold the timeline at the audio clock, which the harness has not.
  Cli("--ini " + Q(dir / "settings.ini") + " convert " + Q(source) + " -o " + Q(out) +
      " --profile 101 --player Player01 --debug-trace --swf-type 1 --keep-flv --no-audio --autoplay"
      " --head-anim ZoomOut --head-text 'Opening#13title' --head-background FF0000 --head-time 1"
      " --tail-anim Fade --tail-text 'The end' --tail-background 00AA00 --tail-time 1");
  // 25 frames a second: frame 1 holds the script, the opening title runs 26 frames from
  // frame 2, the video 50 frames from frame 28, the closing title from frame 78.
  const fs::path movie = out / "clip.swf";
  std::vector<test::Image> shots;
  std::vector<std::string> trace;
  for (const int frames : {15, 50, 95}) {
    test::PlayOptions options;
    options.frames = frames;
    options.screenshot_dir = dir / ("after" + std::to_string(frames));
    fs::create_directories(options.screenshot_dir);
    const auto results = test::PlaySwfs({movie}, options);
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0].ok()) << results[0].error;
    shots.push_back(test::ReadPng(results[0].screenshot));
    trace = results[0].trace;
  }
  EXPECT_GT(ShareOf(shots[0], 0xFF0000), 0.7);
  EXPECT_FALSE(BrightBox(shots[0], 240).Empty()) << "the opening title shows its text";
  EXPECT_LT(ShareOf(shots[1], 0xFF0000), 0.3);
  EXPECT_LT(ShareOf(shots[1], 0x00AA00), 0.3);
  EXPECT_GT(ShareOf(shots[2], 0x00AA00), 0.7);
  EXPECT_FALSE(BrightBox(shots[2], 240).Empty()) << "the closing title shows its text";
  EXPECT_THAT(trace, ::testing::IsSupersetOf({"player:play mc1", "player:play mc2", "player:play mc3"}));
  const auto at = [&](const std::string& line) { return std::find(trace.begin(), trace.end(), line) - trace.begin(); };
  EXPECT_LT(at("player:play mc1"), at("player:play mc2"));
  EXPECT_LT(at("player:play mc2"), at("player:play mc3"));
}

}  // namespace
}  // namespace fc
