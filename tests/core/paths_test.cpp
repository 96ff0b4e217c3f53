#include "core/paths.h"

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/version.h"
#include "test_folder.h"

namespace fc {
namespace {

TEST(SanitizePathComponent, NeverEscapesItsFolder) {
  EXPECT_EQ(SanitizePathComponent("Flarecast Pro", "x"), "Flarecast Pro");
  EXPECT_EQ(SanitizePathComponent("../../etc", "x"), "_.._etc");
  EXPECT_EQ(SanitizePathComponent("..", "fallback"), "fallback");
  EXPECT_EQ(SanitizePathComponent(" . ", "fallback"), "fallback");
  EXPECT_EQ(SanitizePathComponent("a/b\\c", "x"), "a_b_c");
  EXPECT_EQ(SanitizePathComponent(std::string("a\0b\nc", 5), "x"), "a_b_c");
  EXPECT_EQ(SanitizePathComponent(".hidden.", "x"), "hidden");
  EXPECT_EQ(SanitizePathComponent(std::string(300, 'n'), "x").size(), 255u);
}

TEST(JoinPath, ExactlyOneSeparator) {
  EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
  EXPECT_EQ(JoinPath("/", "b"), "/b");
  EXPECT_EQ(JoinPath("", "b"), "b");
  EXPECT_EQ(JoinPath("/a", ""), "/a");
}

class UserFoldersTest : public ::testing::Test {
protected:
  test::TempFolder home;
  test::ScopedEnv home_env{"HOME", home.path()};
  test::ScopedEnv xdg_env{"XDG_CONFIG_HOME", home.file(".config")};
  TConfig config{home.file("settings.ini"), ""};
};

TEST_F(UserFoldersTest, DocumentsFolderFollowsUserDirs) {
  EXPECT_EQ(DocumentsFolder(), home.file("Documents"));
  home.write(".config/user-dirs.dirs", "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DocumentsFolder(), home.file("Dokumente"));
}

TEST_F(UserFoldersTest, UserDataFolderUsesTheSanitisedFullName) {
  EXPECT_EQ(UserDataFolder(config, false), home.file(std::string("Documents/") + kProductName));
  EXPECT_FALSE(std::filesystem::exists(UserDataFolder(config, false)));
  config.WriteString("System", "FullName", "../../escape");
  EXPECT_EQ(UserDataFolder(config, true), home.file("Documents/_.._escape"));
  EXPECT_TRUE(std::filesystem::is_directory(home.file("Documents/_.._escape")));
  EXPECT_EQ(DefaultOutputFolder(config), home.file("Documents/_.._escape/Output"));
  EXPECT_EQ(DefaultSnapshotFolder(config), home.file("Documents/_.._escape/Snapshot"));
}

TEST_F(UserFoldersTest, ReadOnlyProgramFolderKeepsDataInTheUserConfigFolder) {
  EXPECT_EQ(DefaultConfigFile(home.path()), home.file("flarecast.ini"));
  EXPECT_EQ(WritableProgramDataFolder(home.file("no-such-program-folder")), home.file(".config/flarecast"));
  EXPECT_EQ(DefaultConfigFile(home.file("no-such-program-folder")), home.file(".config/flarecast/flarecast.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(home.file(".config/flarecast")));
}

}  // namespace
}  // namespace fc
