// Burning text subtitles into the picture (the picture processor with a file decoder).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/decoder.h"
#include "engine/media_info.h"
#include "engine/video_processor.h"
#include "media_fixture.h"

namespace fc {
namespace {

class SubtitleBurnTest : public testing::Test {
protected:
  void SetUp() override {
    if (!test::HaveTool("ffmpeg") || !test::HaveTool("ffprobe")) GTEST_SKIP() << "the ffmpeg tools are not installed";
    const auto srt = test::MediaDir() / "burn.srt";
    std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:01,000\nHELLO WORLD\n\n";
    clip_ = test::MakeMedia("burn.mkv", "color=c=black:size=320x240:rate=10:duration=2", "",
                            "-i \"" + srt.string() + "\" -map 0:v -map 1:s -c:v mpeg4 -c:s srt");
    id_ = LoadMediaInfo(clip_).Programs[0].Subtitles.at(0).ID;
  }

  // Counts pixels brighter than `level` in the rows [top, bottom) of the frame at `time`.
  int BrightPixels(const TSubtitleSettings& s, int opacity, double time, int top, int bottom, int level = 100) {
    auto decoder = std::make_shared<TVideoDecoder>(clip_);
    TVideoProcessor p(decoder, TVideoOutput{});
    p.SetSubtitle(s, opacity);
    p.Seek(time);
    TVideoFrame f;
    EXPECT_TRUE(p.Read(f));
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < f.Frame->width; ++x) n += f.Frame->data[0][y * f.Frame->linesize[0] + x] > level;
    return n;
  }

  std::string clip_;
  int32_t id_ = 0;
};

TEST_F(SubtitleBurnTest, TextAppearsWhileItsCueIsOnScreen) {
  const TSubtitleSettings s{.StreamID = id_};
  EXPECT_GT(BrightPixels(s, 100, 0.5, 120, 240), 100);  // near the bottom, in the file's style
  EXPECT_EQ(BrightPixels(s, 100, 1.5, 0, 240), 0);      // after the cue
  EXPECT_EQ(BrightPixels({}, 100, 0.5, 0, 240), 0);     // no subtitle chosen
}

TEST_F(SubtitleBurnTest, OwnStyleMovesTheTextAndOpacityFadesIt) {
  const TSubtitleSettings own{.StreamID = id_, .OwnStyle = true, .X = 10, .Y = 10, .FontName = "DejaVu Sans",
                             .FontSize = 30};
  EXPECT_GT(BrightPixels(own, 100, 0.5, 0, 80), 100);   // at the top now
  EXPECT_EQ(BrightPixels(own, 100, 0.5, 160, 240), 0);
  EXPECT_EQ(BrightPixels(own, 0, 0.5, 0, 240, 40), 0);  // fully transparent
}

TEST_F(SubtitleBurnTest, UnknownStreamsAndOtherSourcesAreRefused) {
  auto decoder = std::make_shared<TVideoDecoder>(clip_);
  TVideoProcessor p(decoder, TVideoOutput{});
  EXPECT_THROW(p.SetSubtitle({.StreamID = 999}, 100), MediaError);
  TVideoProcessor over_processor(std::make_shared<TVideoProcessor>(decoder, TVideoOutput{}), TVideoOutput{});
  EXPECT_THROW(over_processor.SetSubtitle({.StreamID = id_}, 100), MediaError);
  EXPECT_NO_THROW(over_processor.SetSubtitle({}, 100));  // clearing always works
}

TEST_F(SubtitleBurnTest, SubtitlesThatCannotBeReadFailEveryReadAndLeakNothing) {
  // The subtitle filter reads the file by its name: once the file is gone it cannot.
  const std::filesystem::path gone = test::MediaDir() / "burn_gone.mkv";
  std::filesystem::copy_file(clip_, gone, std::filesystem::copy_options::overwrite_existing);
  auto decoder = std::make_shared<TVideoDecoder>(gone.string());
  TVideoProcessor p(decoder, TVideoOutput{});
  p.SetSubtitle({.StreamID = id_}, 100);
  std::filesystem::remove(gone);
  TVideoFrame f;
  try {
    p.Read(f);
    ADD_FAILURE() << "read subtitles from a removed file";
  } catch (const MediaError& e) {
    EXPECT_NE(std::string(e.what()).find("cannot read the subtitles of"), std::string::npos) << e.what();
  }
  // The graph that failed half-way is not used for the next picture.
  EXPECT_THROW(p.Read(f), MediaError);
}

}  // namespace
}  // namespace fc
