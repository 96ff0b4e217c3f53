#include "core/text.h"

#include <gtest/gtest.h>

namespace fc {
namespace {

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
