// The texts shown to the user, and the web addresses the program opens.

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
