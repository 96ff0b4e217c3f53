#include "core/update_config.h"

#include <gtest/gtest.h>

#include "core/file_io.h"
#include "test_folder.h"

namespace fc {
namespace {

const char* kConfigure =
    "<?xml version=\"1.0\"?>\n<Update><id>7</id><product>Flarecast Pro</product><version>1.0.0</version>"
    "<lastupdate>45000.5</lastupdate><period>30</period><url>http://example.invalid/u</url></Update>\n";

TEST(UpdateConfig, LoadedOnlyWhenTheFlagIsSetAndTheFileParses) {
  test::TempFolder dir;
  const std::string file = dir.write("Configure.xml", kConfigure);
  TUpdateConfig update;
  EXPECT_FALSE(update.Load(file, false));
  EXPECT_EQ(update.Period(), 0);
  EXPECT_TRUE(update.Load(file, true));
  EXPECT_EQ(update.Period(), 30);
  EXPECT_EQ(update.Element("product"), "Flarecast Pro");
  EXPECT_FALSE(update.Load(dir.file("missing.xml"), true));
  dir.write("bad.xml", "<Update><period>");
  EXPECT_FALSE(update.Load(dir.file("bad.xml"), true));
}

TEST(UpdateConfig, SettingThePeriodKeepsTheUpdatersElements) {
  test::TempFolder dir;
  const std::string file = dir.write("Configure.xml", kConfigure);
  TUpdateConfig update;
  ASSERT_TRUE(update.Load(file, true));
  update.SetPeriod(TUpdateConfig::PeriodOfChoice(0));
  TUpdateConfig again;
  ASSERT_TRUE(again.Load(file, true));
  EXPECT_EQ(again.Period(), 7);
  EXPECT_EQ(again.Element("url"), "http://example.invalid/u");
  EXPECT_EQ(again.Element("lastupdate"), "45000.5");
  EXPECT_EQ(TUpdateConfig::PeriodOfChoice(1), 30);
  EXPECT_EQ(TUpdateConfig::PeriodOfChoice(2), 0);
}

}  // namespace
}  // namespace fc
