#include "core/output_folders.h"

#include <gtest/gtest.h>

namespace fc {
namespace {

const auto kExists = [](const std::string&) { return true; };
const auto kMissing = [](const std::string&) { return false; };

TEST(OutputFolderBox, LoadRestoresSavedOrder) {
  const TOutputFolderBox box = LoadOutputFolderBox("c:\\b", "|c:\\b|c:\\a", "default", kExists);
  EXPECT_EQ(box.Items, (std::vector<std::string>{"c:\\a", "c:\\b", "Clear"}));
  EXPECT_EQ(box.Text(), "c:\\b");
  EXPECT_EQ(SaveOutputFolderList(box), "|c:\\b|c:\\a");
}

TEST(OutputFolderBox, MissingOutputFolderGivesTheDefaultOnly) {
  const TOutputFolderBox box = LoadOutputFolderBox("/gone", "|/x|/y", "/home/u/Out", kMissing);
  EXPECT_EQ(box.Items, (std::vector<std::string>{"/home/u/Out"}));
  EXPECT_EQ(box.ItemIndex, 0);
  EXPECT_EQ(SaveOutputFolderList(box), "|/home/u/Out");
}

TEST(OutputFolderBox, ChoosingBuildsTheRecentListAndSurvivesARestart) {
  TOutputFolderBox box = LoadOutputFolderBox("", "", "/d", kExists);
  ChooseOutputFolder(box, "/x");
  EXPECT_EQ(box.Items, (std::vector<std::string>{"/x", "/d", "Clear"}));
  ChooseOutputFolder(box, "/y");
  EXPECT_EQ(box.Items, (std::vector<std::string>{"/y", "/x", "/d", "Clear"}));
  ChooseOutputFolder(box, "/d");  // an old folder moves to the front, once
  EXPECT_EQ(box.Items, (std::vector<std::string>{"/d", "/y", "/x", "Clear"}));

  const TOutputFolderBox again = LoadOutputFolderBox(box.Text(), SaveOutputFolderList(box), "/d", kExists);
  EXPECT_EQ(again.Items, box.Items);
  EXPECT_EQ(again.ItemIndex, 0);
}

TEST(OutputFolderBox, SingleItemListKeepsTheCurrentFolder) {
  const TOutputFolderBox box = LoadOutputFolderBox("/only", "|/only", "/d", kExists);
  EXPECT_EQ(box.Items, (std::vector<std::string>{"/only"}));
  EXPECT_EQ(box.Text(), "/only");
}

}  // namespace
}  // namespace fc
