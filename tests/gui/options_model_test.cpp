#include "gui/model/options_model.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/language.h"
#include "core/paths.h"
#include "../core/test_folder.h"

namespace fc::gui {
namespace {

TEST(UploadListTest, ReadsAndWritesTheSettingUnchanged) {
  const std::vector<TUploadEntry> entries = ParseUploadList("1a<br>0b<br>");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (TUploadEntry{true, "a"}));
  EXPECT_EQ(entries[1], (TUploadEntry{false, "b"}));
  EXPECT_EQ(FormatUploadList(entries), "1a<br>0b<br>");
}

TEST(UploadListTest, EntriesWithoutAFlagAreUnchosenAddresses) {
  EXPECT_EQ(ParseUploadList("http://x<br><br>1http://y"),
            (std::vector<TUploadEntry>{{false, "http://x"}, {true, "http://y"}}));
  EXPECT_TRUE(ParseUploadList("").empty());
  EXPECT_EQ(BuiltInUploadList().size(), 10u);
  for (const TUploadEntry& e : BuiltInUploadList()) EXPECT_FALSE(e.Checked);
}

TEST(SnapshotFormatTest, ItemsAndValues) {
  const std::vector<std::string> items{"JPEG Image File (*.jpg)", "Bitmap file (*.bmp)"};
  EXPECT_EQ(SnapshotFormatIndex(items, "BMP"), 1u);
  EXPECT_EQ(SnapshotFormatIndex(items, "jpg"), 0u);
  EXPECT_EQ(SnapshotFormatIndex(items, "png"), 0u);
  EXPECT_EQ(SnapshotFormatOfItem(items[0]), "jpg");
  EXPECT_EQ(SnapshotFormatOfItem("Bitmap-Datei (*.bmp)"), "bmp");
  EXPECT_EQ(SnapshotFormatOfItem("Bitmap"), "bmp");
}

TEST(OptionsModelTest, AddAcceptsOnlyWebAddresses) {
  TOptionsModel model;
  EXPECT_EQ(model.AddUrl("http://"), TAddUrlResult::Ignored);
  EXPECT_EQ(model.AddUrl("   "), TAddUrlResult::Ignored);
  EXPECT_EQ(model.AddUrl("file:///home/user/.ssh/id_rsa"), TAddUrlResult::Refused);
  EXPECT_EQ(model.AddUrl("javascript:alert(1)"), TAddUrlResult::Refused);
  EXPECT_EQ(model.AddUrl("http://a.example/x<br>1file:///etc"), TAddUrlResult::Refused);
  EXPECT_TRUE(model.UploadList.empty());
  EXPECT_EQ(model.AddUrl("  https://a.example/up  "), TAddUrlResult::Added);
  EXPECT_EQ(model.UploadList, (std::vector<TUploadEntry>{{false, "https://a.example/up"}}));
}

TEST(OptionsModelTest, PasteAddsEachLineAndReportsTheRefusedOnes) {
  TOptionsModel model;
  const auto refused = model.PasteUrls("http://a.example\r\nsmb://share\n\nhttps://b.example\n");
  EXPECT_EQ(refused, (std::vector<std::string>{"smb://share"}));
  ASSERT_EQ(model.UploadList.size(), 2u);
  EXPECT_EQ(model.UploadList[1].Address, "https://b.example");
}

TEST(OptionsModelTest, RemoveSelectsTheEntryNowAtTheSamePlace) {
  TOptionsModel model;
  model.UploadList = ParseUploadList("0a<br>0b<br>0c<br>0d<br>");
  EXPECT_EQ(model.RemoveEntries({1, 2}), 1);  // "d" moved up to row 1
  EXPECT_EQ(FormatUploadList(model.UploadList), "0a<br>0d<br>");
  EXPECT_EQ(model.RemoveEntries({1}), 0);  // the last one went: select the new last
  EXPECT_EQ(model.RemoveEntries({0, 7, -1}), -1);
  EXPECT_TRUE(model.UploadList.empty());
}

class OptionsModelConfigTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  TConfig config;
  void SetUp() override { config.Init(dir.file("flarecast.ini")); }
};

TEST_F(OptionsModelConfigTest, LoadsDefaultsAndSavesWhatWasEdited) {
  TOptionsModel model;
  model.Load(config);
  EXPECT_EQ(model.SnapshotFormat, "jpg");
  EXPECT_EQ(model.SnapshotPath, DefaultSnapshotFolder(config));
  EXPECT_TRUE(model.IsUseUpload);
  EXPECT_EQ(model.UploadList, BuiltInUploadList());

  model.SnapshotFormat = "bmp";
  model.SnapshotPath = dir.file("snaps");
  model.LanguageId = "DEU";
  model.IsUseUpload = false;
  model.UploadList = ParseUploadList("1a<br>0b<br>");
  model.Save(config);
  EXPECT_EQ(config.ReadString(keys::kSystem, keys::kUploadList, ""), "1a<br>0b<br>");
  EXPECT_EQ(config.ReadString(keys::kSystem, keys::kDefLanguage, ""), "DEU");

  TOptionsModel again;
  again.Load(config);
  EXPECT_EQ(again.SnapshotFormat, "bmp");
  EXPECT_EQ(again.SnapshotPath, dir.file("snaps"));
  EXPECT_FALSE(again.IsUseUpload);
  EXPECT_EQ(again.UploadList, model.UploadList);
}

TEST_F(OptionsModelConfigTest, MissingSnapshotFolderIsCreatedOrReplacedByTheDefault) {
  TOptionsModel model;
  model.SnapshotPath = dir.file("a/b");
  EXPECT_TRUE(model.EnsureSnapshotFolder(config));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b")));

  dir.write("plain", "a file, not a folder");
  model.SnapshotPath = dir.file("plain/sub");
  EXPECT_FALSE(model.EnsureSnapshotFolder(config));
  EXPECT_EQ(model.SnapshotPath, DefaultSnapshotFolder(config));
}

TEST(DefaultLanguageTest, EnglishElseTheFirst) {
  test::TempFolder dir;
  TLanguageMgr languages;
  EXPECT_EQ(DefaultLanguageId(languages), "");
  dir.write("L/a.dat", "<LanguageResource Id=\"DEU\" name=\"Deutsch\"/>");
  languages.LoadLanguages(dir.file("L/*.dat"));
  EXPECT_EQ(DefaultLanguageId(languages), "DEU");
  dir.write("L/b.dat", "<LanguageResource Id=\"enu\" name=\"English\"/>");
  languages.LoadLanguages(dir.file("L/*.dat"));
  EXPECT_EQ(DefaultLanguageId(languages), "enu");
}

}  // namespace
}  // namespace fc::gui
