// The player templates (Templates/Players/None.swf and Player01.swf, built from templates/) in
// a host movie made the way the Flash output makes it: frame 1 the _global lines (tracing on),
// frame 2 the template imported as the sprite "player_mc" at depth 4000 and a Stop; in the
// embedded layout frame 2 + j holds segment j as "mc" + (j + 1). Played in Ruffle beside FLVs
// made by ffmpeg, they trace what they do and show the video and the bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "core/file_io.h"
#include "movie/external_movie.h"
#include "movie/flash_sprite.h"
#include "movie/flash_video.h"
#include "picture_checks.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::Q;
using test::ShareNear;
using test::Shell;

constexpr int kPlayerDepth = 4000;
constexpr int kFirstSegmentDepth = 501;
constexpr float kFps = 15;
// Links and names with everything that must come through a script untouched.
const std::string kHostileUrl = "https://example.com/a b?x=1&y=\"q\"#frag<p>'s\\ü";
const std::string kHostileName = "it's \"q\" \\ #&<ü.flv";

fs::path Template(const std::string& name) { return test::ProgramDir() / "Templates" / "Players" / (name + ".swf"); }

// A text as an ActionScript string literal.
std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

struct THost {
  std::string Player = "Player01";
  std::string Globals;  // after g_noDebug = false
  int Width = 320;
  int Height = 281;
  std::vector<fs::path> Segments;  // the embedded layout's segment movies
};

void WriteHost(const THost& host, const fs::path& out) {
  TFlashMovie movie(0, 0, host.Width, host.Height, kFps);
  movie.SetVersion(8);
  ASSERT_TRUE(movie.FrameActions().Compile("_global.g_noDebug = false;\n" + host.Globals)) << movie.CompileMessages;
  movie.ShowFrame();
  movie.PlaceObject(movie.AddExternalMovie(Template(host.Player), kExternalSprite)->Sprite(), kPlayerDepth)
      ->SetName("player_mc");
  if (host.Segments.empty()) {
    ASSERT_TRUE(movie.FrameActions().Compile("stop();"));
    movie.ShowFrame();
  }
  for (size_t j = 0; j < host.Segments.size(); ++j) {
    const int depth = kFirstSegmentDepth + static_cast<int>(j);
    movie.PlaceObject(movie.AddExternalMovie(host.Segments[j], kExternalSprite)->Sprite(), depth)
        ->SetName("mc" + std::to_string(j + 1));
    ASSERT_TRUE(movie.FrameActions().Compile("stop();"));
    movie.ShowFrame();
    movie.RemoveObject(depth);
  }
  movie.Save(out);
}

// A segment movie: the FLV embedded frame by frame, its last frame moving the main timeline on.
void WriteSegment(const fs::path& flv, const fs::path& out) {
  TFlashMovie movie(0, 0, 320, 240, kFps);
  movie.SetVersion(8);
  TFlashVideo* video = movie.AddVideo(flv);
  movie.PlaceVideo(video, 1)->Loop = false;
  for (int frame = 0; frame < video->FrameCount(); ++frame) {
    if (frame + 1 == video->FrameCount()) ASSERT_TRUE(movie.FrameActions().Compile("_root.nextFrame();"));
    movie.ShowFrame();
  }
  movie.Save(out);
}

// An H.263 FLV of the test pattern with a tone, `seconds` long.
void MakeFlv(const fs::path& out, int seconds, const std::string& size = "320x240") {
  Shell("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=s=" + size + ":r=15:d=" + std::to_string(seconds) +
        " -f lavfi -i sine=d=" + std::to_string(seconds) + ":r=22050 -c:v flv1 -q:v 4 -c:a libmp3lame -ar 22050 " +
        Q(out));
}

std::string FlvList(const std::vector<std::string>& names) {
  std::string out = "_global.g_ArrFlvPath = Array();\n";
  for (size_t i = 0; i < names.size(); ++i)
    out += "_global.g_ArrFlvPath[" + std::to_string(i) + "] = " + Literal(names[i]) + " ;\n";
  return out;
}

using TLines = std::vector<std::string>;

TLines Prefix(const TLines& lines, size_t count) {
  return TLines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(count, lines.size())));
}

TEST(PlayerTemplates, PlayEndRepeatFollowTheEndLinkAndPlayEmbeddedSegments) {
  const fs::path dir = test::ScratchDir("player_templates_play");
  const fs::path sample = test::ProgramDir() / "Templates" / "Fcst.flv";  // 320x240, 3.05 s
  fs::copy_file(sample, dir / "Fcst.flv", fs::copy_options::overwrite_existing);
  fs::copy_file(sample, dir / "second.flv", fs::copy_options::overwrite_existing);
  Shell("ffmpeg -nostdin -y -loglevel error -i " + Q(sample) + " -frames:v 1 " + Q(dir / "Fcst.jpg"));
  for (const char* segment : {"seg1", "seg2"}) {
    MakeFlv(dir / (std::string(segment) + ".flv"), 1, "160x120");
    WriteSegment(dir / (std::string(segment) + ".flv"), dir / (std::string(segment) + ".swf"));
  }
  const std::string auto_play = "_global.g_AutoPlay = true ;\n";
  std::vector<fs::path> movies;
  auto add = [&](const std::string& name, const THost& host) {
    movies.push_back(dir / (name + ".swf"));
    WriteHost(host, movies.back());
  };
  add("end_link", {.Player = "None",
                   .Globals = auto_play + "_global.g_EndUrl = " + Literal(kHostileUrl) +
                              " ;\n_global.g_EndTarget = \"_blank\" ;\n_global.g_noPlayer = true ;\n" +
                              FlvList({"Fcst.flv"}),
                   .Height = 240});
  add("repeat_slides", {.Globals = auto_play + "_global.g_Repetition = true ;\n_global.g_bSlide = true ;\n" +
                                   FlvList({"Fcst.flv", "second.flv"})});
  // Waiting for a click, it shows the first clip's poster.
  add("waits", {.Globals = FlvList({"Fcst.flv"}) +
                           "_global.g_ArrPhotoPath = Array();\n_global.g_ArrPhotoPath[0] = \"Fcst.jpg\" ;\n"});
  add("url_variable", {.Player = "None",
                       .Globals = auto_play + "_root.clips = \"Fcst.flv,Fcst.jpg#second.flv\";\n"
                                              "_global.g_FLvFromUrlVar = \"clips\" ;\n",
                       .Height = 240});
  add("embedded", {.Globals = auto_play +
                              "_global.FramesArrays = Array();\n_global.FramesArrays[0] = 15 ;\n"
                              "_global.FramesArrays[1] = 15 ;\n_global.realTotalFrames = 30 ;\n_global.swffps = 15 ;\n",
                   .Segments = {dir / "seg1.swf", dir / "seg2.swf"}});

  const fs::path shots = dir / "shots";
  fs::create_directories(shots);
  const auto results = test::PlaySwfs(movies, {.frames = 260, .screenshot_dir = shots});
  ASSERT_EQ(results.size(), movies.size());
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
  EXPECT_EQ(results[0].trace, (TLines{"player:play Fcst.flv", "player:end", "player:url " + kHostileUrl + " _blank"}));
  // Two clips in order, then again from the first.
  EXPECT_EQ(Prefix(results[1].trace, 4),
            (TLines{"player:play Fcst.flv", "player:play second.flv", "player:end", "player:play Fcst.flv"}));
  EXPECT_EQ(results[2].trace, TLines{});
  EXPECT_LT(ShareNear(test::ReadPng(results[2].screenshot), 0, 0, 320, 240, 0xFFFFFF), 0.5);
  EXPECT_EQ(results[3].trace, (TLines{"player:play Fcst.flv", "player:play second.flv", "player:end"}));
  EXPECT_EQ(results[4].trace, (TLines{"player:play mc1", "player:play mc2", "player:end"}));
}

TEST(PlayerTemplates, ClicksStartPauseSeekAndFollowTheClickLink) {
  const fs::path dir = test::ScratchDir("player_templates_click");
  MakeFlv(dir / "long.flv", 12);
  const fs::path controls = dir / "controls.swf", link = dir / "link.swf";
  // Both 320x281: the same clicks land on Player01's bar and on None's video.
  WriteHost({.Globals = FlvList({"long.flv"})}, controls);
  WriteHost({.Player = "None",
             .Globals = "_global.g_ClickingUrl = " + Literal(kHostileUrl) +
                        " ;\n_global.g_ClickingTarget = \"\" ;\n_global.g_noPlayer = true ;\n" + FlvList({"long.flv"})},
            link);
  test::PlayOptions options;
  options.frames = 110;
  options.clicks = {{160, 120, 5},    // the video: start
                    {20, 260, 90},    // Player01's play button: pause
                    {100, 260, 100}};  // Player01's seek bar, at 70 % of the clip
  const auto results = test::PlaySwfs({controls, link}, options);
  ASSERT_EQ(results.size(), 2u);
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
  ASSERT_EQ(results[0].trace.size(), 3u) << ::testing::PrintToString(results[0].trace);
  EXPECT_EQ(Prefix(results[0].trace, 2), (TLines{"player:play long.flv", "player:pause"}));
  // 53 of the bar's 76 pixels of a 12-second clip.
  const std::string seek = results[0].trace[2];
  ASSERT_TRUE(seek.starts_with("player:seek ")) << seek;
  EXPECT_NEAR(std::stod(seek.substr(12)), 12 * 53.0 / 76, 0.3) << seek;
  // None has no controls: after the start every click on the video follows the link, whose
  // empty target is the same window.
  EXPECT_EQ(results[1].trace,
            (TLines{"player:play long.flv", "player:url " + kHostileUrl + " ", "player:url " + kHostileUrl + " "}));
}

TEST(PlayerTemplates, TheBarTakesTheSkinColourAndTheVideoMoves) {
  const fs::path dir = test::ScratchDir("player_templates_shots");
  MakeFlv(dir / "long.flv", 12);
  fs::copy_file(dir / "long.flv", dir / kHostileName, fs::copy_options::overwrite_existing);
  const fs::path skin = dir / "skin.swf", none = dir / "none.swf";
  WriteHost({.Globals = "_global.g_AutoPlay = true ;\n_global.g_SkinColor = 16711680 ;\n"
                        "_global.g_SkinColorSaturation = 100 ;\n" +
                        FlvList({"long.flv"})},
            skin);
  WriteHost({.Player = "None",
             .Globals = "_global.g_AutoPlay = true ;\n_global.g_noPlayer = true ;\n" + FlvList({kHostileName}),
             .Height = 240},
            none);
  // The bar over the video that hides after a while without mouse movement. The player
  // measures the while with getTimer, which runs on the wall clock in Ruffle whatever the
  // harness's frame clock does: one bar hides after a millisecond, the other after ten minutes.
  const auto hiding_host = [&](int delay_ms, const fs::path& file) {
    WriteHost({.Globals = "_global.g_AutoPlay = true ;\n_global.g_SkinColor = 16711680 ;\n"
                          "_global.g_SkinColorSaturation = 100 ;\n_global.g_AutoHideSkin = true ;\n"
                          "_global.g_AutoHideMouse = true ;\n_global.g_AutoHideDelay = " +
                          std::to_string(delay_ms) + " ;\n" + FlvList({"long.flv"}),
               .Height = 240},
              file);
  };
  const fs::path hiding = dir / "hiding.swf", showing = dir / "showing.swf";
  hiding_host(1, hiding);
  hiding_host(600000, showing);
  std::vector<std::vector<test::Image>> shots;  // [time][movie]
  for (const int frames : {8, 75}) {
    test::PlayOptions options;
    options.frames = frames;
    options.screenshot_dir = dir / ("shots" + std::to_string(frames));
    fs::create_directories(options.screenshot_dir);
    const auto results = test::PlaySwfs({skin, none, hiding, showing}, options);
    ASSERT_EQ(results.size(), 4u);
    shots.emplace_back();
    for (const auto& r : results) {
      ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
      shots.back().push_back(test::ReadPng(r.screenshot));
    }
    EXPECT_EQ(results[1].trace, TLines{"player:play " + kHostileName});
  }
  const test::Image& bar = shots[1][0];
  ASSERT_EQ(bar.height, 281);
  // The bar's background, right of the play button: red.
  EXPECT_GT(ShareNear(bar, 42, 245, 46, 276, 0xFF0000), 0.9);
  // Over the video no red bar; None has no bar at all.
  EXPECT_LT(ShareNear(bar, 0, 0, 320, 200, 0xFF0000), 0.5);
  EXPECT_LT(ShareNear(shots[1][1], 0, 200, 320, 240, 0xFF0000), 0.5);
  // The bar that hides (85 % opaque) shows over the bottom of the video until its time is up.
  EXPECT_GT(ShareNear(shots[1][3], 0, 201, 320, 240, 0xFF0000, 60), 0.6);
  EXPECT_LT(ShareNear(shots[1][2], 0, 201, 320, 240, 0xFF0000, 60), 0.3);
  // The video shows: the test pattern's white and black are not the whole picture.
  for (size_t movie = 0; movie < 2; ++movie)
    EXPECT_LT(ShareNear(shots[1][movie], 0, 0, 320, 240, 0xFFFFFF), 0.5) << movie;
  // The video plays: the picture after five seconds is not the one after half a second, also
  // for the FLV whose name has quotes, a backslash, "#", "&", "<" and a non-ASCII letter.
  for (size_t movie = 0; movie < 2; ++movie)
    EXPECT_GT(test::PixelDifference(shots[0][movie], shots[1][movie]), 0.05) << movie;
}

}  // namespace
}  // namespace fc
