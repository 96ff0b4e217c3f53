#include "gui/model/startup_switches.h"

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/config_keys.h"
#include "../core/test_folder.h"

namespace fc::gui {
namespace {

TEST(LanguageResourceSwitchTest, FindsEitherSwitchWithOrWithoutAFile) {
  EXPECT_FALSE(FindLanguageResourceSwitch({"flarecast", "movie.avi"}));
  auto s = FindLanguageResourceSwitch({"flarecast", "MakeLangRes"});
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->OnlyTranslatable);
  EXPECT_EQ(s->FileName, "MakeNewLang.dat");
  s = FindLanguageResourceSwitch({"flarecast", "makeformres"});
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->OnlyTranslatable);
  EXPECT_EQ(s->FileName, "MakeForms.xml");
  s = FindLanguageResourceSwitch({"flarecast", "MakeLangRes:/tmp/out.dat"});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FileName, "/tmp/out.dat");
  s = FindLanguageResourceSwitch({"MakeFormRes:"});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FileName, "MakeForms.xml");
  // A video whose name begins with the word is a video.
  EXPECT_FALSE(FindLanguageResourceSwitch({"MakeLangResources.avi"}));
}

TEST(SkinStyleSheetTest, ReadsTheSkinFolderSettings) {
  test::TempFolder dir;
  TConfig config;
  config.Init(dir.file("flarecast.ini"));
  EXPECT_EQ(SkinStyleSheetFile("/opt/fc", config), "/opt/fc/Skin/Default/skin.qss");
  config.WriteString(keys::kSystem, keys::kSkinPath, "Looks");
  config.WriteString(keys::kSystem, keys::kDefSkin, "Dark");
  EXPECT_EQ(SkinStyleSheetFile("/opt/fc", config), "/opt/fc/Looks/Dark/skin.qss");
  config.WriteString(keys::kSystem, keys::kDefSkin, "../../../etc");
  EXPECT_EQ(SkinStyleSheetFile("/opt/fc", config), "/opt/fc/Looks/_.._.._etc/skin.qss");
}

}  // namespace
TEST(StartupSwitchesTest, FilesAreTheArgumentsThatAreNotSwitches) {
  EXPECT_EQ(StartupFiles({"/v/a.mp4", "makelangres:x.dat", "b c.avi", "MakeFormRes"}),
            (std::vector<std::string>{"/v/a.mp4", "b c.avi"}));
  EXPECT_TRUE(StartupFiles({}).empty());
}

}  // namespace fc::gui
