#include "core/ini_file.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace fc {
namespace {

TEST(IniFileRead, FollowsPrivateProfileRules) {
  const TIniFile ini = TIniFile::Parse(
      "; a comment\n"
      "[System]\n"
      "  FullName  =  My Product  \n"
      "Quoted=\"  spaced  \"\n"
      "Single='x'\n"
      "NoEquals line\n"
      "Dup=first\n"
      "dup=second\n"
      "[system]\n"
      "Late=shadowed\n");
  EXPECT_EQ(ini.Get("SYSTEM", "fullname"), "My Product");
  EXPECT_EQ(ini.Get("System", "Quoted"), "  spaced  ");
  EXPECT_EQ(ini.Get("System", "Single"), "x");
  EXPECT_EQ(ini.Get("System", "Dup"), "first");
  EXPECT_EQ(ini.Get("System", "Late"), std::nullopt);  // the first section of a name wins
  EXPECT_EQ(ini.Get("System", "NoEquals line"), std::nullopt);
  EXPECT_EQ(ini.Get("Other", "FullName"), std::nullopt);
}

TEST(IniFileWrite, KeepsEveryOtherLine) {
  const std::string original =
      "; settings\r\n[System]\r\nA=1\r\n\r\n[Output]\r\nB=2\r\n; tail comment\r\n";
  TIniFile ini = TIniFile::Parse(original);
  ini.Set("System", "A", "1");
  EXPECT_EQ(ini.Serialize(), original);  // rewriting a value unchanged changes nothing

  ini.Set("system", "New", "x");
  ini.Set("Output", "B", "3");
  ini.Set("Fresh", "K", "v");
  EXPECT_EQ(ini.Serialize(),
            "; settings\r\n[System]\r\nA=1\r\nNew=x\r\n\r\n[Output]\r\nB=3\r\n; tail comment\r\n"
            "\r\n[Fresh]\r\nK=v\r\n");
}

TEST(IniFileWrite, ValuesReadBackExactly) {
  TIniFile ini;
  const std::string long_value(100000, 'x');  // no 4096-character cut
  for (const std::string& v : {std::string("plain"), std::string("  blanks  "), std::string("\"quoted\""),
                               std::string("'q'"), std::string(""), std::string("a=b;c"), long_value}) {
    ini.Set("S", "K", v);
    EXPECT_EQ(TIniFile::Parse(ini.Serialize()).Get("S", "K"), v) << v.substr(0, 20);
  }
}

TEST(IniFileWrite, RefusesLineBreaksThatWouldCreateKeys) {
  TIniFile ini = TIniFile::Parse("[S]\nK=old\n");
  EXPECT_THROW(ini.Set("S", "K", "x\n[Evil]\nInjected=1"), Error);
  EXPECT_THROW(ini.Set("S", "K", "x\rY=1"), Error);
  EXPECT_THROW(ini.Set("S\nT", "K", "v"), Error);
  EXPECT_THROW(ini.Set("S", "K=1", "v"), Error);
  EXPECT_THROW(ini.Set("S]", "K", "v"), Error);
  EXPECT_EQ(ini.Get("S", "K"), "old");
  EXPECT_EQ(ini.Sections().size(), 1u);
}

TEST(IniFileParse, BomAndMissingFinalNewlineSurvive) {
  const std::string text = "\xEF\xBB\xBF[S]\nK=v";
  TIniFile ini = TIniFile::Parse(text);
  EXPECT_EQ(ini.Get("S", "K"), "v");
  EXPECT_EQ(ini.Serialize(), text);
}

}  // namespace
}  // namespace fc
