// The texts shown to the user, and translated formats checked against their arguments.

#include <gtest/gtest.h>

#include "core/text.h"

namespace fc {
namespace {

TEST(TextTest, TimesAndSizesAsTheWindowsShowThem) {
  EXPECT_EQ(TimeText(0), "00:00:00");
  EXPECT_EQ(TimeText(59.5), "00:01:00");  // rounded, halves to even
  EXPECT_EQ(TimeText(3725), "01:02:05");
  EXPECT_EQ(TimeText(-3), "00:00:00");
  EXPECT_EQ(SizeText(0), "0");
  EXPECT_EQ(SizeText(512), "512B");
  EXPECT_EQ(SizeText(1024), "1KB");
  EXPECT_EQ(SizeText(1536), "1.5KB");
  EXPECT_EQ(SizeText(3ull * 1024 * 1024), "3MB");
  EXPECT_EQ(SizeText(5ull << 40), "5TB");
  EXPECT_EQ(SizeText(5000ull << 40), "5000TB");  // no unit past TB
}

TEST(TextTest, FormatConversionsNameTheArgumentTypes) {
  EXPECT_EQ(FormatConversions("Total progress:  [%d / %d]"), "dd");
  EXPECT_EQ(FormatConversions("%s of %3d%% %.1f %lld %i %u"), "sdfllddd");
  EXPECT_EQ(FormatConversions("no arguments, 100%%"), "");
  EXPECT_EQ(FormatConversions("%n"), std::nullopt);
  EXPECT_EQ(FormatConversions("%*d"), std::nullopt);
  EXPECT_EQ(FormatConversions("ends with %"), std::nullopt);
}

TEST(TextTest, ATranslatedFormatWithOtherArgumentsFallsBackToTheBuiltInText) {
  const std::string built_in = "shut down in %d seconds";
  EXPECT_EQ(CheckedFormat("in %d Sekunden", built_in), "in %d Sekunden");
  EXPECT_EQ(CheckedFormat("in %s Sekunden", built_in), built_in);    // would read an int as a pointer
  EXPECT_EQ(CheckedFormat("in %d %d Sekunden", built_in), built_in);  // would read past the arguments
  EXPECT_EQ(CheckedFormat("bald", built_in), built_in);
  EXPECT_EQ(CheckedFormat("%n", "%n"), "%n");  // the built-in text is trusted as it is
}

TEST(IsWebAddressTest, AcceptsHttpAndHttpsAddressesOnly) {
  EXPECT_TRUE(IsWebAddress("http://www.example.com"));
  EXPECT_TRUE(IsWebAddress("HTTPS://example.com/upload?x=1"));
  EXPECT_TRUE(IsWebAddress("http://user@example.com:8080/"));
  EXPECT_FALSE(IsWebAddress("http://"));
  EXPECT_FALSE(IsWebAddress("https:///path"));
  EXPECT_FALSE(IsWebAddress("http://@:/"));
  EXPECT_FALSE(IsWebAddress("file:///etc/passwd"));
  EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
  EXPECT_FALSE(IsWebAddress("ftp://example.com"));
  EXPECT_FALSE(IsWebAddress("www.example.com"));
  EXPECT_FALSE(IsWebAddress("http://exa mple.com"));
  EXPECT_FALSE(IsWebAddress("http://example.com\n--flag"));
  EXPECT_FALSE(IsWebAddress(""));
}

}  // namespace
}  // namespace fc
