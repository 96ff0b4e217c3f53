#include "gui/model/job_texts.h"

#include <gtest/gtest.h>

#include "core/text.h"

namespace fc::gui {
namespace {

TEST(JobTextsTest, LengthIsRoundedSecondsAsHoursMinutesSeconds) {
  EXPECT_EQ(TimeText(0), "00:00:00");
  EXPECT_EQ(TimeText(3725.4), "01:02:05");
  EXPECT_EQ(TimeText(59.5), "00:01:00");
  EXPECT_EQ(TimeText(-3), "00:00:00");
  EXPECT_EQ(TimeText(100 * 3600.0), "100:00:00");
}

TEST(JobTextsTest, SizesHaveOneDecimalWithoutTrailingZeros) {
  EXPECT_EQ(SizeText(0), "0");
  EXPECT_EQ(SizeText(512), "512B");
  EXPECT_EQ(SizeText(1023), "1023B");
  EXPECT_EQ(SizeText(1024), "1KB");
  EXPECT_EQ(SizeText(1536), "1.5KB");
  EXPECT_EQ(SizeText(2ull << 20), "2MB");
  EXPECT_EQ(SizeText((5ull << 30) / 4), "1.2GB");  // 1.25 rounds to one decimal
  EXPECT_EQ(SizeText(3ull << 40), "3TB");
  EXPECT_EQ(SizeText(5000ull << 40), "5000TB");
}

TEST(JobTextsTest, SupportedExtensionsIgnoreCaseAndKnowDottedOnes) {
  EXPECT_TRUE(IsSupportedVideoFile("/x/a.MP4"));
  EXPECT_TRUE(IsSupportedVideoFile("a.mkv"));
  EXPECT_TRUE(IsSupportedVideoFile("clip.h.264"));
  EXPECT_FALSE(IsSupportedVideoFile("a.swf"));
  EXPECT_FALSE(IsSupportedVideoFile("a.264"));
  EXPECT_FALSE(IsSupportedVideoFile("mp4"));
  const std::string list = SupportedVideoExtensionsText();
  EXPECT_EQ(list.rfind("*.avi; *.mp4; *.mpg;", 0), 0u);
  EXPECT_EQ(list.substr(list.size() - 6), "*.nsv;");
  const std::vector<std::string> filters = VideoFileFilters();
  ASSERT_GE(filters.size(), 3u);
  EXPECT_EQ(filters.front().rfind("All supported Video formats (*.avi;*.mp4;", 0), 0u);
  EXPECT_EQ(filters.back(), "All files (*)|*");
}

TEST(JobTextsTest, TypedAndDiscNamesCannotLeaveTheFolder) {
  EXPECT_EQ(SafeFileStem("holiday"), "holiday");
  EXPECT_EQ(SafeFileStem("../../etc/passwd"), "_.._etc_passwd");
  EXPECT_EQ(SafeFileStem("a\\b"), "a_b");
  EXPECT_EQ(SafeFileStem("a\nb\x7f"), "a_b_");
  EXPECT_EQ(SafeFileStem(".."), "");
  EXPECT_EQ(SafeFileStem("  . "), "");
  // Long names are cut at a character boundary.
  const std::string long_name(300, 'x');
  EXPECT_EQ(SafeFileStem(long_name).size(), 240u);
  const std::string umlauts = std::string(239, 'x') + "\xC3\xA4\xC3\xA4";
  EXPECT_EQ(SafeFileStem(umlauts), std::string(239, 'x'));
}

TEST(JobTextsTest, MessagesAreFormattedWithTheirArguments) {
  EXPECT_EQ(MessageText({"INF_ErrorAdd", {int64_t{2}, std::string("a.swf\nb.swf")}}),
            "2 file(s) could not be added because they are not supported or cannot be read:\na.swf\nb.swf");
  EXPECT_EQ(MessageText({"INF_LackTask", {}}), std::string(BuiltInMessageText("INF_LackTask")));
  // A "%s" given a number does not read the number as a text: the built-in text is kept as it stands.
  EXPECT_EQ(MessageText({"INF_ErrorAdd", {std::string("x"), int64_t{1}}}), std::string(BuiltInMessageText("INF_ErrorAdd")));
  EXPECT_TRUE(BuiltInMessageText("NoSuchKey").empty());
}

TEST(JobTextsTest, RecentProfilesPutTheChosenOneFirstOnce) {
  EXPECT_EQ(PushRecentProfile("", 101), "101");
  EXPECT_EQ(PushRecentProfile("102, 101;103", 101), "101,102,103");
  EXPECT_EQ(PushRecentProfile(" 5,,6 ", 7), "7,5,6");
  EXPECT_EQ(PushRecentProfile("1,2,3,4", 9, 3), "9,1,2");
}

}  // namespace
}  // namespace fc::gui
