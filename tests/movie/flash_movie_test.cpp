#include "movie/flash_movie.h"

#include <gtest/gtest.h>

#include "swf/streams.h"

namespace fc {
namespace {

TEST(FlashMovie, FrameActionsLiveUntilTheFrameIsShown) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashActionScript& first = movie.FrameActions();
  EXPECT_EQ(&first, &movie.FrameActions());
  movie.ShowFrame(0);  // closes exactly one frame
  EXPECT_EQ(movie.FrameCount, 1);
  EXPECT_EQ(movie.CurrentFrame, 0);
  EXPECT_EQ(movie.Objects.size(), 2u);  // the script, then ShowFrame
  EXPECT_EQ(movie.FrameIndex(1), 1u);
}

TEST(FlashMovie, AnEmptyMovieHasOnlyTheEndTag) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.BuildBody();
  EXPECT_EQ(movie.GetBodyStream(), (std::vector<uint8_t>{0x00, 0x00}));
  EXPECT_EQ(movie.FrameCount, 0);
}

TEST(FlashMovie, ACompileErrorGoesToTheMessages) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  EXPECT_FALSE(movie.FrameActions().Compile("x = ;"));
  EXPECT_EQ(movie.CompileMessages, "Parse Error in line: 1 pos: 6");
  EXPECT_TRUE(movie.FrameActions().Compile("stop();"));
}

TEST(FlashMovie, ACompiledScriptReadsBackAsADoAction) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.SetVersion(8);
  ASSERT_TRUE(movie.FrameActions().Compile("_root.nextFrame();"));
  movie.ShowFrame();
  movie.BuildBody();
  const std::vector<uint8_t> bytes = movie.SaveToBytes();
  TSWFStreamReader reader;
  reader.LoadFromStream(bytes);
  reader.ParseTags(true, true);
  ASSERT_EQ(reader.TagList.size(), 3u);  // DoAction, ShowFrame, End
  EXPECT_EQ(reader.TagList[0]->TagID, 12);
  EXPECT_EQ(reader.TagList[1]->TagID, 1);
  EXPECT_EQ(reader.FrameCount, 1);
  EXPECT_EQ(reader.Version(), 8);
}

}  // namespace
}  // namespace fc
