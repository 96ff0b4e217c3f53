// flarecast-cli swf video seen from outside: a movie of the FLV's size, rate and frames with
// its sound, and clear refusals of what an SWF cannot carry.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/actions.h"
#include "swf/sounds_video.h"
#include "swf/streams.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";

class SwfVideoTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini")});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
  // An FLV made by ffmpeg; false when ffmpeg is missing or cannot make it.
  bool Ffmpeg(const std::string& args, const std::string& name) {
    const std::string command = "ffmpeg -nostdin -y -loglevel error " + args + " " + test::ShellQuote(dir.file(name)) +
                                " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
};

TEST_F(SwfVideoTest, TheMovieTakesTheVideosSizeRateFramesAndSound) {
  if (!Ffmpeg("-f lavfi -i testsrc=d=1:s=96x64:r=20 -f lavfi -i sine=d=1:r=22050 -c:v flv1 -c:a libmp3lame", "in.flv"))
    GTEST_SKIP() << "ffmpeg could not make an FLV";
  const auto r = Cli({"swf", "video", dir.file("in.flv"), "-o", dir.file("out.swf")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("20 frames of Sorenson H.263 video 96x64 with MP3 sound; 20 frames, version 6"),
            std::string::npos)
      << r.out;

  TSWFStreamReader reader;
  reader.LoadFromFile(dir.file("out.swf"));
  reader.ParseTags(true, true);
  EXPECT_EQ(reader.FrameRect.Right, 96 * 20);
  EXPECT_EQ(reader.FrameRect.Bottom, 64 * 20);
  EXPECT_EQ(reader.FrameRate8(), 20 * 256);
  EXPECT_EQ(reader.FrameCount, 20);
  int heads = 0, frames = 0, stops = 0;
  for (const auto& tag : reader.TagList) {
    heads += dynamic_cast<TSWFSoundStreamHead*>(tag->Object) != nullptr;
    frames += dynamic_cast<TSWFVideoFrame*>(tag->Object) != nullptr;
    stops += dynamic_cast<TSWFDoAction*>(tag->Object) != nullptr;
  }
  EXPECT_EQ(heads, 1);
  EXPECT_EQ(frames, 20);
  EXPECT_EQ(stops, 0);

  // Silent, stopping at its last frame, at another rate.
  const auto quiet = Cli({"swf", "video", dir.file("in.flv"), "-o", dir.file("quiet.swf"), "--no-sound", "--no-loop",
                          "--fps", "10"});
  ASSERT_EQ(quiet.exit_code, 0) << quiet.err;
  TSWFStreamReader quiet_reader;
  quiet_reader.LoadFromFile(dir.file("quiet.swf"));
  quiet_reader.ParseTags(true, true);
  EXPECT_EQ(quiet_reader.FrameRate8(), 10 * 256);
  EXPECT_EQ(quiet_reader.FrameCount, 20);
  for (const auto& tag : quiet_reader.TagList) {
    EXPECT_EQ(dynamic_cast<TSWFSoundStreamHead*>(tag->Object), nullptr);
    EXPECT_EQ(dynamic_cast<TSWFSoundStreamBlock*>(tag->Object), nullptr);
  }
  // One stop() action, in the last frame.
  int shown = 0;
  std::vector<int> action_frames;
  for (const auto& tag : quiet_reader.TagList) {
    if (dynamic_cast<TSWFDoAction*>(tag->Object)) action_frames.push_back(shown);
    shown += tag->TagID == 1;
  }
  EXPECT_EQ(action_frames, std::vector<int>{19});
}

TEST_F(SwfVideoTest, WhatAnSwfCannotCarryIsRefusedOnStandardError) {
  if (!Ffmpeg("-f lavfi -i testsrc=d=1:s=96x64:r=20 -f lavfi -i sine=d=1 -c:v flv1 -c:a aac", "aac.flv"))
    GTEST_SKIP() << "ffmpeg could not make an FLV";
  const auto aac = Cli({"swf", "video", dir.file("aac.flv"), "-o", dir.file("aac.swf")});
  EXPECT_EQ(aac.exit_code, 1);
  EXPECT_TRUE(aac.out.empty());
  EXPECT_NE(aac.err.find("AAC sound (format 10) cannot be embedded"), std::string::npos) << aac.err;
  EXPECT_NE(aac.err.find("--no-sound"), std::string::npos) << aac.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("aac.swf")));
  const auto silent = Cli({"swf", "video", dir.file("aac.flv"), "-o", dir.file("aac.swf"), "--no-sound"});
  EXPECT_EQ(silent.exit_code, 0) << silent.err;

  dir.write("not.flv", "not a video");
  const auto bad = Cli({"swf", "video", dir.file("not.flv"), "-o", dir.file("bad.swf")});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.err.find("is not an FLV file"), std::string::npos) << bad.err;
  const auto no_output = Cli({"swf", "video", dir.file("aac.flv")});
  EXPECT_EQ(no_output.exit_code, 2);
  EXPECT_NE(no_output.err.find("swf video needs -o OUT.swf"), std::string::npos) << no_output.err;
}

}  // namespace
}  // namespace fc
