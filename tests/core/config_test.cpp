#include "core/config.h"

#include <clocale>
#include <gtest/gtest.h>

#include "core/error.h"
#include "core/file_io.h"
#include "test_folder.h"

namespace fc {
namespace {

class ConfigTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  TConfig config{dir.file("flarecast.ini"), ""};
  void SetFile(const std::string& text) { dir.write("flarecast.ini", text); }
};

TEST_F(ConfigTest, MissingFileReadsEveryDefault) {
  EXPECT_EQ(config.ReadString("System", "FullName", "dflt"), "dflt");
  EXPECT_EQ(config.ReadInteger("Output", "RecentFormatId", 42), 42);
  EXPECT_TRUE(config.ReadBool("System", "IsUseUpload", true));
  EXPECT_DOUBLE_EQ(config.ReadFloat("Output", "VideoFrameRate", 25.0), 25.0);
  EXPECT_FALSE(std::filesystem::exists(config.FileName));  // reading never creates the file
}

TEST_F(ConfigTest, IntegersReadDecimalAndHex) {
  SetFile("[S]\nhex=0x1F\nHEX=0X1f\nbare=0x\nneg=-12\nbad=12abc\nspace= 7 \nbig=99999999999\nwrap=0xFFFFFFFF\n");
  EXPECT_EQ(config.ReadInteger("S", "hex", -1), 31);
  EXPECT_EQ(config.ReadInteger("S", "bare", -1), -1);  // "0x" alone gives the default
  EXPECT_EQ(config.ReadInteger("S", "neg", 0), -12);
  EXPECT_EQ(config.ReadInteger("S", "bad", 5), 5);
  EXPECT_EQ(config.ReadInteger("S", "space", 0), 7);
  EXPECT_EQ(config.ReadInteger("S", "big", 5), 5);
  EXPECT_EQ(config.ReadInteger("S", "wrap", 5), -1);
}

TEST_F(ConfigTest, BooleansAreIntegers) {
  SetFile("[S]\nzero=0\none=1\nseven=7\nword=true\n");
  EXPECT_FALSE(config.ReadBool("S", "zero", true));
  EXPECT_TRUE(config.ReadBool("S", "one", false));
  EXPECT_TRUE(config.ReadBool("S", "seven", false));
  EXPECT_FALSE(config.ReadBool("S", "word", false));  // not an integer: the default
}

TEST_F(ConfigTest, FloatsUseTheCLocaleWhateverTheUserLocale) {
  // A German locale writes 29,97; such a value reads as the default everywhere.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // may be missing; the test holds either way
  config.WriteFloat("S", "rate", 29.97);
  config.WriteFloat("S", "third", 1.0 / 3.0);
  std::setlocale(LC_ALL, saved.c_str());
  SetFile(ReadFileText(config.FileName) + "comma=29,97\n");
  EXPECT_EQ(config.ReadString("S", "rate", ""), "29.97");
  EXPECT_EQ(config.ReadFloat("S", "third", 0), 1.0 / 3.0);  // shortest text that round-trips
  EXPECT_EQ(config.ReadFloat("S", "comma", -1), -1);
}

TEST_F(ConfigTest, WritesKeepOtherSectionsAndUnknownKeys) {
  SetFile("; my notes\n[System]\nFullName=Mine\nUnknownKey=keep me\n\n[Other]\nx=1\n");
  config.WriteInteger("System", "UpdateFlag", 1);
  config.WriteString("Output", "OutputPath", "/tmp/out");
  EXPECT_EQ(ReadFileText(config.FileName),
            "; my notes\n[System]\nFullName=Mine\nUnknownKey=keep me\nUpdateFlag=1\n\n[Other]\nx=1\n\n"
            "[Output]\nOutputPath=/tmp/out\n");
}

TEST_F(ConfigTest, DefaultSectionServesTheShortForms) {
  config.Section = "Output";
  config.WriteInteger("VideoWidth", 320);
  EXPECT_EQ(config.ReadInteger("Output", "VideoWidth", 0), 320);
  EXPECT_EQ(config.ReadInteger("VideoWidth", 0), 320);
}

TEST_F(ConfigTest, LongValuesAreNotCut) {
  const std::string list(10000, 'a');
  config.WriteString("System", "UploadList", list);
  EXPECT_EQ(config.ReadString("System", "UploadList", ""), list);
}

TEST_F(ConfigTest, LineBreaksNeverCreateKeys) {
  EXPECT_THROW(config.WriteString("System", "FullName", "x\n[Output]\nOutputPath=/etc"), Error);
  EXPECT_EQ(config.ReadString("Output", "OutputPath", "none"), "none");
}

TEST_F(ConfigTest, FailedWriteRaisesAndKeepsTheOldFile) {
  SetFile("[S]\nk=old\n");
  {
    test::FileSizeLimit limit(8);  // every write past 8 bytes fails, even for root
    try {
      config.WriteString("S", "k", "a value that does not fit");
      FAIL() << "the write should have failed";
    } catch (const IoError& e) {
      EXPECT_STREQ(e.what(), ("Unable to write to " + config.FileName).c_str());
    }
  }
  EXPECT_EQ(config.ReadString("S", "k", ""), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
}

TEST_F(ConfigTest, WriteIntoMissingFolderRaises) {
  TConfig nowhere{dir.file("no/such/folder/x.ini"), ""};
  EXPECT_THROW(nowhere.WriteString("S", "k", "v"), IoError);
}

}  // namespace
}  // namespace fc

namespace fc {
namespace {

TEST(ConfigBatch, WritesNothingUntilCommit) {
  test::TempFolder dir;
  TConfig config{dir.file("x.ini"), ""};
  {
    TConfigBatch batch(config);
    batch.WriteInteger("S", "a", 1);
    batch.WriteFloat("S", "b", 0.5);
  }
  EXPECT_FALSE(std::filesystem::exists(config.FileName));
  TConfigBatch batch(config);
  batch.WriteBool("S", "c", true);
  batch.WriteString("T", "d", "text");
  batch.Commit();
  EXPECT_EQ(ReadFileText(config.FileName), "[S]\nc=1\n\n[T]\nd=text\n");
}

}  // namespace
}  // namespace fc
