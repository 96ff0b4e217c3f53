#include "engine/media_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/av_util.h"
#include "media_fixture.h"

namespace fc {
namespace {

TEST(MediaInfoTest, ReadsStreamsOfAVideoFile) {
  FC_REQUIRE_FFMPEG();
  const TMediaInfo info = LoadMediaInfo(test::StandardClip());
  EXPECT_NEAR(info.Duration, 3.0, 0.05);
  ASSERT_EQ(info.Programs.size(), 1u);
  const TProgramInfo& p = info.Programs[0];
  EXPECT_NEAR(p.Duration, 3.0, 0.05);
  ASSERT_EQ(p.Video.size(), 1u);
  ASSERT_EQ(p.Audio.size(), 1u);
  EXPECT_TRUE(p.Subtitles.empty());
  EXPECT_EQ(p.Video[0].Codec, "h264");
  EXPECT_EQ(p.Video[0].Format.Width, 320);
  EXPECT_EQ(p.Video[0].Format.Height, 240);
  EXPECT_DOUBLE_EQ(p.Video[0].Format.FrameRate, 25.0);
  EXPECT_EQ(p.Video[0].Format.AspectX, 4);
  EXPECT_EQ(p.Video[0].Format.AspectY, 3);
  EXPECT_GT(p.Video[0].BitRate, 0);
  EXPECT_EQ(p.Video[0].Format.Flags & kFormatSizeUnknown, 0);
  EXPECT_EQ(p.Audio[0].Format.SampleRate, 44100);
  EXPECT_EQ(p.Audio[0].Format.Channels, 1);
  EXPECT_EQ(p.Audio[0].Name, "Audio 1 (aac, und)");
  EXPECT_NE(p.Audio[0].ID, 0);  // ids of 0 mean "none" to the task model
  EXPECT_NE(p.Audio[0].ID, p.Video[0].ID);
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
  const TMediaInfo info = LoadMediaInfo(path);
  ASSERT_EQ(info.Programs.size(), 1u);
  const TProgramInfo& p = info.Programs[0];
  ASSERT_EQ(p.Audio.size(), 2u);
  EXPECT_EQ(p.Audio[1].Language, "fre");
  EXPECT_EQ(p.Audio[1].Name, "Audio 2 (mp2, fre)");
  ASSERT_EQ(p.Subtitles.size(), 1u);
  EXPECT_EQ(p.Subtitles[0].Codec, "subrip");
  EXPECT_EQ(p.Subtitles[0].Language, "eng");
  EXPECT_FALSE(p.Subtitles[0].Bitmap);
  EXPECT_EQ(p.Value, 4);
}

TEST(MediaInfoTest, AudioOnlyFileHasNoVideoStream) {
  FC_REQUIRE_FFMPEG();
  const TMediaInfo info =
      LoadMediaInfo(test::MakeMedia("tone.wav", "", "sine=frequency=440:sample_rate=22050:duration=2", ""));
  ASSERT_EQ(info.Programs.size(), 1u);
  EXPECT_TRUE(info.Programs[0].Video.empty());
  ASSERT_EQ(info.Programs[0].Audio.size(), 1u);
  EXPECT_EQ(info.Programs[0].Audio[0].Format.SampleRate, 22050);
  EXPECT_EQ(info.Programs[0].Audio[0].Format.BitsPerSample, 16);
  EXPECT_NEAR(info.Duration, 2.0, 0.01);
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
