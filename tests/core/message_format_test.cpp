#include "core/message_format.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/language.h"
#include "test_folder.h"

namespace fc {
namespace {

std::optional<std::string> Fmt(std::string_view format, std::vector<TFormatArg> args) {
  return FormatChecked(format, args);
}

TEST(FormatCheckedTest, FillsDirectivesThatFitTheirArguments) {
  EXPECT_EQ(Fmt("%d file(s) added:\n%s", {3, "a.avi"}), "3 file(s) added:\na.avi");
  EXPECT_EQ(Fmt("%.2u:%.2u:%.2u", {1u, 2, 30}), "01:02:30");
  EXPECT_EQ(Fmt("%5.1f%%", {12.345}), " 12.3%");
  EXPECT_EQ(Fmt("%-4s|%x|%c", {"ab", 255, 'Z'}), "ab  |ff|Z");
  EXPECT_EQ(Fmt("no directives", {}), "no directives");
  // Length modifiers in the text do not matter: every argument uses its own.
  EXPECT_EQ(Fmt("%ld and %hhd and %lld", {int64_t{1} << 40, 300, -2}), "1099511627776 and 300 and -2");
}

TEST(FormatCheckedTest, RefusesTextsThatDoNotFit) {
  EXPECT_EQ(Fmt("%s", {5}), std::nullopt);           // a number read as a text
  EXPECT_EQ(Fmt("%d", {"five"}), std::nullopt);      // a text read as a number
  EXPECT_EQ(Fmt("%f", {5}), std::nullopt);
  EXPECT_EQ(Fmt("%d %d", {1}), std::nullopt);        // too few arguments
  EXPECT_EQ(Fmt("%d", {1, 2}), std::nullopt);        // an argument left over
  EXPECT_EQ(Fmt("%s %d", {1, "x"}), std::nullopt);   // swapped
  EXPECT_EQ(Fmt("%n", {1}), std::nullopt);           // writes memory: never
  EXPECT_EQ(Fmt("%p", {1}), std::nullopt);
  EXPECT_EQ(Fmt("%2$s %1$s", {"a", "b"}), std::nullopt);
  EXPECT_EQ(Fmt("%*d", {3, 4}), std::nullopt);
  EXPECT_EQ(Fmt("%.*s", {3, "abcdef"}), std::nullopt);
  EXPECT_EQ(Fmt("%99999999d", {1}), std::nullopt);   // a width no layout needs
  EXPECT_EQ(Fmt("100%", {}), std::nullopt);          // a lone percent at the end
  EXPECT_EQ(Fmt("%y", {1}), std::nullopt);
}

TEST(FormatCheckedTest, DoublePercentNeedsNoArgument) {
  EXPECT_EQ(Fmt("100%%", {}), "100%");
  EXPECT_EQ(Fmt("%d%% done", {40}), "40% done");
}

TEST(FormatWithFallbackTest, UsesTheBuiltInTextWhenTheTranslationDoesNotFit) {
  const std::vector<TFormatArg> args{2, "x.avi"};
  EXPECT_EQ(FormatWithFallback("%d Dateien: %s", "%d files: %s", args), "2 Dateien: x.avi");
  EXPECT_EQ(FormatWithFallback("%s Dateien: %d", "%d files: %s", args), "2 files: x.avi");
  EXPECT_EQ(FormatWithFallback("%n", "%d files: %s", args), "2 files: x.avi");
  // Even a broken built-in text is shown rather than formatted wrongly.
  EXPECT_EQ(FormatWithFallback("%s", "broken %s", std::vector<TFormatArg>{1}), "broken %s");
}

TEST(FormatMessageTest, ReadsTheTranslationOfTheKey) {
  test::TempFolder dir;
  dir.write("Languages/de.dat",
            "<LanguageResource Id=\"DEU\" name=\"Deutsch\"><Strings>"
            "<INF_Good>%d Kanäle</INF_Good><INF_Bad>%s Kanäle</INF_Bad></Strings></LanguageResource>");
  TLanguageMgr& languages = TLanguageMgr::Instance();
  ASSERT_EQ(languages.LoadLanguages(dir.file("Languages/*.dat")), 1);
  ASSERT_TRUE(languages.SelectLanguage("DEU"));
  EXPECT_EQ(FormatMessage("INF_Good", "%d channels", {2}), "2 Kanäle");
  EXPECT_EQ(FormatMessage("INF_Bad", "%d channels", {2}), "2 channels");
  EXPECT_EQ(FormatMessage("INF_Missing", "%d channels", {2}), "2 channels");
  languages.LoadLanguages(dir.file("none/*.dat"));  // leave no current language behind
}

}  // namespace
}  // namespace fc
