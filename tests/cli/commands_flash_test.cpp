// flarecast-cli flash build, run from a private program folder whose player templates are
// stand-ins (one-frame movies), as a user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../core/test_folder.h"
#include "movie/flash_movie.h"
#include "run_program.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

const std::string kBin = FLARECAST_PROGRAM_DIR;

class FlashBuildTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    fs::copy_file(kBin + "/flarecast-cli", program.file("flarecast-cli"));
    fs::permissions(program.file("flarecast-cli"), fs::perms::owner_all);
    fs::copy(kBin + "/Languages", program.file("Languages"));
    for (const char* name : {"Player01", "None"}) {
      fs::create_directories(program.file("Templates/Players"));
      TFlashMovie movie(0, 0, 100, 100, 12);
      movie.SetVersion(8);
      ASSERT_TRUE(movie.FrameActions().Compile(std::string("trace(\"") + name + "\");"));
      movie.ShowFrame();
      movie.Save(program.file(std::string("Templates/Players/") + name + ".swf"));
    }
    program.write("ruffle/ruffle.js", "// ruffle");
    const std::string cmd = "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=s=96x64:r=12 -frames:v 6 -c:v flv1 " +
                            test::ShellQuote(work.file("clip.flv"));
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", work.file("settings.ini"), "flash", "build"});
    return test::RunProgram(program.file("flarecast-cli"), args, work.path(), "HOME=" + test::ShellQuote(work.path()));
  }
  test::TempFolder program, work;
};

TEST_F(FlashBuildTest, WritesMovieSiblingsAndReportsThemAsJson) {
  const auto r = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--swf-type", "2",
                      "--player", "Player01", "--click-url", "example.com/x", "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto json = nlohmann::json::parse(r.out);
  const std::vector<std::string> files = json["files"];
  for (const char* name : {"out/movie.swf", "out/movie.HTML", "out/ruffle", "out/clip.flv"})
    EXPECT_NE(std::find(files.begin(), files.end(), work.file(name)), files.end()) << name << "\n" << r.out;
  EXPECT_TRUE(fs::is_regular_file(work.file("out/ruffle/ruffle.js")));
  EXPECT_TRUE(fs::is_regular_file(work.file("clip.flv")));  // the given FLV stays
  // The frame comes from the FLV, with the control bar below it.
  const std::string page = test::Slurp(work.file("out/movie.HTML"));
  EXPECT_NE(page.find(std::string("W\0i\0d\0t\0h\0=\0\"\0" "9\0" "6\0\"\0", 20)), std::string::npos);
}

TEST_F(FlashBuildTest, FailuresExitNonZeroWithTheReason) {
  auto r = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--player", "Gone"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("Gone.swf"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_regular_file(work.file("clip.flv")));
  r = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--url-var", "9x"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("--url-var"), std::string::npos) << r.err;
  r = Cli({work.file("none.flv"), "-o", work.file("out"), "--name", "movie"});
  EXPECT_NE(r.exit_code, 0);
  r = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--opening-effect", "Gone", "--swf-type", "2"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("warning: "), std::string::npos) << r.out;
}

// convert with an FLV profile: the Flash settings of a fresh settings file embed the video and
// remove the FLV; the movie and page count as outputs that exist; a failed Flash output fails
// the job and keeps the FLV.
TEST_F(FlashBuildTest, ConvertMakesTheFlashFilesAndTreatsThemAsOutputs) {
  for (const char* file : {"profile.dat", "format.dat"}) fs::copy_file(kBin + "/" + file, program.file(file));
  const auto convert = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", work.file("settings.ini"), "convert", work.file("clip.flv"), "-o",
                               work.file("conv"), "--profile", "101"});
    return test::RunProgram(program.file("flarecast-cli"), args, work.path(), "HOME=" + test::ShellQuote(work.path()));
  };
  auto r = convert({"--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* name : {"clip.swf", "clip.HTML", "clip.jpg", "ruffle/ruffle.js"})
    EXPECT_TRUE(fs::is_regular_file(work.file("conv/" + std::string(name)))) << name;
  EXPECT_FALSE(fs::exists(work.file("conv/clip.flv")));  // embedded, and not to be kept
  EXPECT_FALSE(fs::exists(work.file("conv/Temp")));
  std::vector<std::string> files;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    const auto j = nlohmann::json::parse(line);
    if (j["event"] == "end") files = j["files"].get<std::vector<std::string>>();
  }
  EXPECT_EQ(files, (std::vector<std::string>{work.file("conv/clip.jpg"), work.file("conv/clip.swf"),
                                             work.file("conv/clip.HTML"), work.file("conv/ruffle")}));

  // The movie exists though the FLV does not: refused, skipped or replaced as asked.
  r = convert({});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("clip.jpg exists already"), std::string::npos) << r.err;
  EXPECT_EQ(convert({"--skip-existing"}).exit_code, 0);

  r = convert({"--overwrite", "--swf-type", "2", "--player", "Gone"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("the Flash output failed: the player template"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_regular_file(work.file("conv/clip.flv")));
}

// The Customize page's preview, on the command line: the sample video when no FLV is given,
// in the user's cache folder.
TEST_F(FlashBuildTest, PreviewGoesToTheUsersCacheWithTheSample) {
  fs::copy_file(kBin + "/Templates/Fcst.flv", program.file("Templates/Fcst.flv"));
  const auto r = test::RunProgram(program.file("flarecast-cli"),
                                  {"--ini", work.file("settings.ini"), "flash", "preview", "--swf-type", "2", "--json"},
                                  work.path(), "XDG_CACHE_HOME=" + test::ShellQuote(work.file("cache")));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["movie"], work.file("cache/flarecast/preview/Preview.Swf"));
  EXPECT_TRUE(fs::is_regular_file(work.file("cache/flarecast/preview/Preview.Swf")));
  EXPECT_TRUE(fs::is_regular_file(work.file("cache/flarecast/preview/Fcst.flv")));  // the player's video
  EXPECT_FALSE(fs::exists(program.file("Temp")));  // nothing in the program folder
}

TEST_F(FlashBuildTest, TitlesOfTheEmbeddedLayoutCountTheirFrames) {
  // 12 frames a second: two seconds of opening title and one of closing title, each with the
  // frame that moves on, around the clip's 6 frames.
  const auto r = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--swf-type", "1",
                      "--head-anim", "TypeWriter", "--head-text", "Line one\nLine two", "--head-time", "2",
                      "--tail-anim", "ScrollRight", "--tail-text", "End", "--tail-time", "1", "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["segment_frames"], (std::vector<int>{25, 6, 13}));
  const auto bad = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--head-anim", "fade"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.err.find("no animation \"fade\""), std::string::npos) << bad.err;
  const auto long_time = Cli({work.file("clip.flv"), "-o", work.file("out"), "--name", "movie", "--tail-time", "301"});
  EXPECT_EQ(long_time.exit_code, 2) << long_time.err;
}

TEST_F(FlashBuildTest, FlashTitleListsAndMakesOneTitle) {
  const auto title = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"flash", "title"});
    return test::RunProgram(program.file("flarecast-cli"), args, work.path());
  };
  const auto list = title({"--list"});
  ASSERT_EQ(list.exit_code, 0) << list.err;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 18);
  EXPECT_EQ(list.out.substr(0, 16), "Fade\nTypeWriter\n");
  const auto made = title({"--anim", "Rotate", "--text", "Hi", "--fps", "25", "--time", "2", "--size", "200x100",
                           "--background", "336699", "-o", work.file("t.swf"), "--json"});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  EXPECT_EQ(nlohmann::json::parse(made.out)["frames"], 51);
  const auto dump = test::RunProgram(program.file("flarecast-cli"), {"swf", "dump", work.file("t.swf")}, work.path());
  EXPECT_NE(dump.out.find("200x100 px, rate 25 fps, 51 frames"), std::string::npos) << dump.out.substr(0, 300);
  EXPECT_NE(dump.out.find("color=#336699"), std::string::npos);
  EXPECT_EQ(title({"--text", "x", "-o", work.file("u.swf")}).exit_code, 2);  // no animation
  EXPECT_EQ(title({"--anim", "Fade"}).exit_code, 2);                        // nowhere to write
  EXPECT_EQ(title({"--anim", "Fade", "--fps", "0", "-o", work.file("u.swf")}).exit_code, 2);
}

TEST_F(FlashBuildTest, HelpNamesTheSharedOptions) {
  const auto r = Cli({"--help"});
  EXPECT_EQ(r.exit_code, 0);
  for (const char* option : {"--swf-type", "--ruffle", "--credit-text", "--debug-trace", "--url-var", "-o DIR",
                             "--head-anim NAME", "--tail-picture FILE"})
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace fc
