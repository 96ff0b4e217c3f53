#include "engine/media_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/av_util.h"
#include "media_fixture.h"

namespace fc {
namespace {

TEST(MediaInfoTest, ReadsStreamsOfAVideoFile) {
  FC_REQUIRE_FFMPEG();
  const MediaInfo info = LoadMediaInfo(test::StandardClip());
  EXPECT_NEAR(info.duration, 3.0, 0.05);
  ASSERT_EQ(info.programs.size(), 1u);
  const ProgramInfo& p = info.programs[0];
  EXPECT_NEAR(p.duration, 3.0, 0.05);
  ASSERT_EQ(p.video.size(), 1u);
  ASSERT_EQ(p.audio.size(), 1u);
  EXPECT_TRUE(p.subtitles.empty());
  EXPECT_EQ(p.video[0].codec, "h264");
  EXPECT_EQ(p.video[0].format.width, 320);
  EXPECT_EQ(p.video[0].format.height, 240);
  EXPECT_DOUBLE_EQ(p.video[0].format.frame_rate, 25.0);
  EXPECT_EQ(p.video[0].format.aspect_x, 4);
  EXPECT_EQ(p.video[0].format.aspect_y, 3);
  EXPECT_GT(p.video[0].bit_rate, 0);
  EXPECT_EQ(p.video[0].format.flags & kFormatSizeUnknown, 0);
  EXPECT_EQ(p.audio[0].format.sample_rate, 44100);
  EXPECT_EQ(p.audio[0].format.channels, 1);
  EXPECT_EQ(p.audio[0].name, "Audio 1 (aac, und)");
  EXPECT_NE(p.audio[0].id, 0);  // ids of 0 mean "none" to the task model
  EXPECT_NE(p.audio[0].id, p.video[0].id);
}

TEST(MediaInfoTest, ListsSubtitleAndSecondAudioStreamsWithLanguages) {
  FC_REQUIRE_FFMPEG();
  const auto srt = test::MediaDir() / "subs.srt";
  std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n";
  const std::string path = test::MakeMedia(
      "subs.mkv", "testsrc2=size=160x120:rate=10:duration=1", "sine=frequency=300:duration=1",
      "-f lavfi -i sine=frequency=600:duration=1 -i \"" + srt.string() +
          "\" -map 0:v -map 1:a -map 2:a -map 3:s -c:v mpeg4 -c:a mp2 -c:s srt "
          "-metadata:s:a:1 language=fre -metadata:s:s:0 language=eng");
  const MediaInfo info = LoadMediaInfo(path);
  ASSERT_EQ(info.programs.size(), 1u);
  const ProgramInfo& p = info.programs[0];
  ASSERT_EQ(p.audio.size(), 2u);
  EXPECT_EQ(p.audio[1].language, "fre");
  EXPECT_EQ(p.audio[1].name, "Audio 2 (mp2, fre)");
  ASSERT_EQ(p.subtitles.size(), 1u);
  EXPECT_EQ(p.subtitles[0].codec, "subrip");
  EXPECT_EQ(p.subtitles[0].language, "eng");
  EXPECT_FALSE(p.subtitles[0].bitmap);
  EXPECT_EQ(p.value, 4);
}

TEST(MediaInfoTest, AudioOnlyFileHasNoVideoStream) {
  FC_REQUIRE_FFMPEG();
  const MediaInfo info =
      LoadMediaInfo(test::MakeMedia("tone.wav", "", "sine=frequency=440:sample_rate=22050:duration=2", ""));
  ASSERT_EQ(info.programs.size(), 1u);
  EXPECT_TRUE(info.programs[0].video.empty());
  ASSERT_EQ(info.programs[0].audio.size(), 1u);
  EXPECT_EQ(info.programs[0].audio[0].format.sample_rate, 22050);
  EXPECT_EQ(info.programs[0].audio[0].format.bits_per_sample, 16);
  EXPECT_NEAR(info.duration, 2.0, 0.01);
}

TEST(MediaInfoTest, MissingFileFailsWithItsName) {
  try {
    LoadMediaInfo("/nonexistent/clip.avi");
    FAIL() << "no error";
  } catch (const MediaError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/clip.avi"), std::string::npos);
  }
}

TEST(MediaInfoTest, FileThatIsNoMediaFails) {
  const auto path = test::MediaDir() / "not_media.avi";
  std::ofstream(path) << "this is a text file, not a video";
  EXPECT_THROW(LoadMediaInfo(path.string()), MediaError);
}

}  // namespace
}  // namespace fc
