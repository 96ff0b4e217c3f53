// The opening effects (Templates/Effect) and preloaders (Templates/Preloader) in the movies the
// Flash output writes around the sample video, played in Ruffle: an effect covers the picture
// when the movie starts, lets clicks through to the player and is gone after its run; a
// preview's preloader shows its progress while the player waits for it, and every preloader
// hides once the video plays.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "picture_checks.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Q;
using test::ShareNear;
using TLines = std::vector<std::string>;

const std::vector<std::string> kEffects = {"FadeIn", "Iris", "Wipe", "Blinds"};
// Name and frame size of each preloader.
struct TPreloader {
  std::string Name;
  int Width;
  int Height;
};
const std::vector<TPreloader> kPreloaders = {{"Bar", 160, 40}, {"Ring", 96, 96}, {"Percent", 120, 48}};
const std::string kClickUrl = "https://example.com/clicked";
// The skin colour the preloaders draw their progress in: brown, a colour the sample video lacks.
constexpr uint32_t kProgress = 0x804000;

fs::path Template(const std::string& folder, const std::string& name) {
  return test::ProgramDir() / "Templates" / folder / (name + ".swf");
}

fs::path SampleIn(const fs::path& dir) {
  const fs::path flv = dir / "Fcst.flv";
  fs::copy_file(test::ProgramDir() / "Templates" / "Fcst.flv", flv, fs::copy_options::overwrite_existing);
  return flv;
}

// The external layout's movie DIR/NAME.swf for the sample video, the players tracing.
fs::path BuildMovie(const fs::path& dir, const std::string& name, const std::string& options) {
  test::Cli("flash build " + Q(SampleIn(dir)) + " -o " + Q(dir) + " --name " + name +
            " --swf-type 2 --no-html --no-thumbnail --autoplay --debug-trace " + options);
  return dir / (name + ".swf");
}

std::vector<test::PlayResult> Play(const std::vector<fs::path>& movies, test::PlayOptions options,
                                   const fs::path& shots) {
  fs::create_directories(shots);
  options.screenshot_dir = shots;
  auto results = test::PlaySwfs(movies, options);
  EXPECT_EQ(results.size(), movies.size());
  for (const auto& r : results) EXPECT_TRUE(r.ok()) << r.file << ": " << r.error;
  return results;
}

TEST(OpeningEffects, CoverTheStartLetClicksThroughAndLeaveThePicture) {
  const fs::path dir = test::ScratchDir("opening_effects");
  std::vector<fs::path> movies;
  for (const std::string& effect : kEffects)
    movies.push_back(BuildMovie(dir, effect,
                                "--player None --opening-effect " + Q(Template("Effect", effect)) + " --click-url " +
                                    kClickUrl + " --click-target _blank"));
  // The list's "None" entry builds and plays as a movie without an effect.
  movies.push_back(BuildMovie(dir, "no_effect",
                              "--player None --opening-effect " + Q(Template("Effect", "None")) + " --click-url " +
                                  kClickUrl + " --click-target _blank"));

  const auto start = Play(movies, {.frames = 2}, dir / "start");
  test::PlayOptions later;
  // 4 s at the sample's 25 fps: the 3 s video has ended and shows its last picture.
  later.frames = 100;
  // A click while the effect still runs (it takes 8 frames at least) reaches the player.
  later.clicks = {{160, 120, 4}};
  const auto end = Play(movies, later, dir / "end");
  ASSERT_EQ(end.size(), movies.size());
  ASSERT_EQ(start.size(), movies.size());
  for (size_t i = 0; i < kEffects.size(); ++i) {
    SCOPED_TRACE(kEffects[i]);
    EXPECT_EQ(end[i].trace, (TLines{"player:play Fcst.flv", "player:url " + kClickUrl + " _blank", "player:end"}));
    const test::Image first = test::ReadPng(start[i].screenshot), last = test::ReadPng(end[i].screenshot);
    ASSERT_EQ(last.width, 320);
    ASSERT_EQ(last.height, 240);
    // At the start the cover hides most of the picture; at the end the video shows, as in
    // the movie without an effect.
    EXPECT_GT(ShareNear(first, 0, 0, 320, 240, 0x000000, 40), 0.6);
    EXPECT_LT(ShareNear(last, 0, 0, 320, 240, 0x000000, 16), 0.5);
    EXPECT_LT(test::PixelDifference(last, test::ReadPng(end.back().screenshot), 24), 0.05);
  }
  EXPECT_EQ(end.back().trace, (TLines{"player:play Fcst.flv", "player:url " + kClickUrl + " _blank", "player:end"}));
}

TEST(Preloaders, ShowTheirProgressInAPreviewAndHideWhenTheVideoPlays) {
  const fs::path dir = test::ScratchDir("preloaders");
  // The preview: each preloader demonstrates itself while the player holds auto play.
  std::vector<fs::path> previews;
  for (const TPreloader& p : kPreloaders) {
    const fs::path cache = dir / ("cache_" + p.Name);
    fs::create_directories(cache);
    test::Shell("XDG_CACHE_HOME=" + Q(cache) + " " + Q(test::ProgramDir() / "flarecast-cli") + " flash preview " +
                Q(SampleIn(dir)) + " --swf-type 2 --player Player01 --skin-color 804000 --autoplay --debug-trace --preloader " +
                Q(Template("Preloader", p.Name)) + " >/dev/null");
    previews.push_back(cache / "flarecast" / "preview" / "Preview.Swf");
  }
  // The movies of a user: the preloader hides once the video plays; "None" builds no preloader.
  std::vector<fs::path> movies;
  for (const TPreloader& p : kPreloaders)
    movies.push_back(BuildMovie(dir, p.Name,
                                "--player Player01 --skin-color 804000 --preloader " + Q(Template("Preloader", p.Name))));
  movies.push_back(BuildMovie(dir, "no_preloader", "--player None --preloader " + Q(Template("Preloader", "None"))));

  // Mid-demonstration (between 6/45 and 6/8 of it) the player still waits.
  const auto demo = Play(previews, {.frames = 8}, dir / "demo");
  // Enough for the demonstration (45 frames at most) and the 3 s video at the preview's 15 fps.
  test::PlayOptions later;
  later.frames = 150;
  const auto played = Play(previews, later, dir / "played");
  const auto user = Play(movies, later, dir / "user");
  ASSERT_EQ(demo.size(), kPreloaders.size());
  ASSERT_EQ(played.size(), kPreloaders.size());
  ASSERT_EQ(user.size(), movies.size());
  for (size_t i = 0; i < kPreloaders.size(); ++i) {
    const TPreloader& p = kPreloaders[i];
    SCOPED_TRACE(p.Name);
    EXPECT_EQ(demo[i].trace, TLines{});
    EXPECT_EQ(played[i].trace, (TLines{"player:play Fcst.flv", "player:end"}));
    EXPECT_EQ(user[i].trace, (TLines{"player:play Fcst.flv", "player:end"}));
    // The preloader's box, centred on the video and bar (320x281): its progress in the skin's
    // colour while it shows, none once it has hidden.
    const int x0 = (320 - p.Width) / 2, y0 = (281 - p.Height) / 2;
    const auto progress_in_box = [&](const test::PlayResult& r) {
      const test::Image shot = test::ReadPng(r.screenshot);
      EXPECT_EQ(shot.height, 281);
      return ShareNear(shot, x0, y0, x0 + p.Width, y0 + p.Height, kProgress, 30);
    };
    EXPECT_GT(progress_in_box(demo[i]), 0.002);
    EXPECT_LT(progress_in_box(played[i]), 0.001);
    EXPECT_LT(progress_in_box(user[i]), 0.001);
  }
  EXPECT_EQ(user.back().trace, (TLines{"player:play Fcst.flv", "player:end"}));
}

}  // namespace
}  // namespace fc
