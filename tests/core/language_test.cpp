#include "core/language.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>

#include "core/text.h"
#include "test_folder.h"

namespace fc {
namespace {

std::string LanguageFile(const std::string& id, const std::string& name, const std::string& strings,
                         const std::string& extra_attributes = "") {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<LanguageResource Id=\"" + id + "\" name=\"" + name +
         "\" LocaleName=\"" + name + " locale\"" + extra_attributes +
         ">\n<Default><Font Charset=\"ANSI_CHARSET\" Name=\"Sans\" Size=\"9\" Color=\"clBlack\" "
         "Style=\"Bold, ITALIC\"/><Help file=\"help/index.html\"/></Default>\n<Strings>" +
         strings + "</Strings>\n<Forms><TMainForm name=\"MainForm\"><btnStart Caption=\"Go\"/></TMainForm></Forms>\n"
                   "</LanguageResource>\n";
}

class LanguageTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  TLanguageMgr mgr;
  void SetUp() override {
    dir.write("Languages/a_english.dat", LanguageFile("ENU", "English", "<Info_Title>Information</Info_Title>"));
    dir.write("Languages/b_german.dat", LanguageFile("DEU", "Deutsch", "<Info_Title>Hinweis</Info_Title>"));
    dir.write("Languages/c_broken.dat", "<LanguageResource Id=\"X\" name=\"broken\"><Strings>");
    dir.write("Languages/d_other_root.dat", "<Other Id=\"Y\" name=\"other\"/>");
    dir.write("Languages/e_no_name.dat", "<LanguageResource Id=\"Z\"/>");
    dir.write("Languages/readme.txt", LanguageFile("TXT", "not matched by the mask", ""));
  }
};

TEST_F(LanguageTest, LoadsOnlyValidLanguageFiles) {
  EXPECT_EQ(mgr.LoadLanguages(dir.file("Languages/*.dat")), 2);
  ASSERT_EQ(mgr.LoadErrors().size(), 1u);  // the malformed file is reported and skipped
  EXPECT_NE(mgr.LoadErrors()[0].find("c_broken.dat"), std::string::npos);
  const auto listed = mgr.ListLanguages();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].first, "English locale");
  EXPECT_EQ(listed[1].second->Id(), "DEU");
  const TLanguageItem& en = *listed[0].second;
  EXPECT_EQ(en.Font().Name, "Sans");
  EXPECT_EQ(en.Font().Size, 9);
  EXPECT_TRUE(en.Font().Bold);
  EXPECT_TRUE(en.Font().Italic);
  EXPECT_FALSE(en.Font().Underline);
  EXPECT_EQ(en.HelpFile(), dir.file("Languages/help/index.html"));
  EXPECT_FALSE(en.HasDocument());  // released after validation
}

TEST_F(LanguageTest, SelectionSwitchesTheTexts) {
  mgr.LoadLanguages(dir.file("Languages/*.dat"));
  EXPECT_EQ(mgr.GetString("Info_Title", "none"), "none");  // nothing selected yet
  ASSERT_TRUE(mgr.SelectLanguage("enu"));                  // ignoring case
  EXPECT_EQ(mgr.GetString("Info_Title"), "Information");
  EXPECT_EQ(mgr.GetString("INF_Unknown_Key", "fallback"), "fallback");
  EXPECT_EQ(mgr.GetString("bad key!", "fallback"), "fallback");
  ASSERT_TRUE(mgr.SelectLanguage("DEU"));
  EXPECT_EQ(mgr.GetString("Info_Title"), "Hinweis");
  EXPECT_EQ(mgr.HelpFile(), dir.file("Languages/help/index.html"));
}

TEST_F(LanguageTest, UnknownIdLeavesNoCurrentLanguage) {
  mgr.LoadLanguages(dir.file("Languages/*.dat"));
  ASSERT_TRUE(mgr.SelectLanguage("ENU"));
  EXPECT_FALSE(mgr.SelectLanguage("XYZ"));
  EXPECT_EQ(mgr.Current(), nullptr);
  EXPECT_EQ(mgr.GetString("Info_Title", "default"), "default");
  EXPECT_EQ(mgr.HelpFile(), "");
}

TEST_F(LanguageTest, CachedQueryDiesWithItsDocument) {
  mgr.LoadLanguages(dir.file("Languages/*.dat"));
  ASSERT_TRUE(mgr.SelectLanguage("ENU"));
  TLanguageItem* en = mgr.Current();
  const std::string query = "/LanguageResource/Forms/TMainForm[@name='MainForm']/btnStart";
  ASSERT_EQ(en->Select(query).size(), 1u);
  EXPECT_STREQ(en->Select(query).first().node().attribute("Caption").value(), "Go");
  ASSERT_TRUE(mgr.SelectLanguage("DEU"));  // releases the English document
  EXPECT_FALSE(en->HasDocument());
  EXPECT_TRUE(en->Select(query).empty());  // no node of the freed document comes back
  EXPECT_TRUE(mgr.Current()->Select("not a [valid query").empty());
}

TEST_F(LanguageTest, ReloadingForgetsTheOldList) {
  mgr.LoadLanguages(dir.file("Languages/*.dat"));
  mgr.SelectLanguage("ENU");
  EXPECT_EQ(mgr.LoadLanguages(dir.file("nowhere/*.dat")), 0);
  EXPECT_EQ(mgr.Current(), nullptr);
}

// The shipped language files: both load, and each has a text for every message key.
TEST(ShippedLanguages, EveryKeyInEveryLanguage) {
  TLanguageMgr mgr;
  ASSERT_GE(mgr.LoadLanguages(std::string(FLARECAST_PROGRAM_DIR) + "/Languages/*.dat"), 2);
  EXPECT_TRUE(mgr.LoadErrors().empty());
  std::ifstream keys(std::string(FLARECAST_TEST_DATA_DIR) + "/core/data/language_keys.txt");
  std::set<std::string> wanted;
  for (std::string line; std::getline(keys, line);)
    if (!Trim(line).empty()) wanted.insert(std::string(Trim(line)));
  ASSERT_GT(wanted.size(), 20u);
  for (const auto& [name, item] : mgr.ListLanguages()) {
    ASSERT_TRUE(mgr.SelectLanguage(item->Id()));
    for (const std::string& key : wanted) {
      std::string text;
      EXPECT_TRUE(item->FindString(key, text)) << item->Id() << " lacks " << key;
    }
  }
  EXPECT_TRUE(mgr.SelectLanguage("ENU"));
  EXPECT_TRUE(mgr.SelectLanguage("DEU"));
}

}  // namespace
}  // namespace fc
