// flarecast-cli seen from outside: exit codes, standard output and error, and the files it
// leaves behind.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../core/test_folder.h"
#include "run_program.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

const std::string kBin = FLARECAST_PROGRAM_DIR;
const std::string kCli = kBin + "/flarecast-cli";

class CliTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  std::string ini = dir.file("settings.ini");

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", ini});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
  std::string Get(const std::vector<std::string>& args) {
    std::vector<std::string> full = {"config", "get"};
    full.insert(full.end(), args.begin(), args.end());
    const auto r = Cli(full);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
  }
};

TEST_F(CliTest, HelpListsEveryCommandAndUsageErrorsExitNonZero) {
  const auto help = Cli({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  for (const char* command : {"config get", "config set", "lang list", "lang get"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;

  const auto command_help = Cli({"config", "get", "--help"});
  EXPECT_EQ(command_help.exit_code, 0);
  EXPECT_NE(command_help.out.find("Usage: flarecast-cli config get [options] SECTION KEY"), std::string::npos);

  const auto unknown = Cli({"frobnicate"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_NE(unknown.err.find("unknown command"), std::string::npos);

  const auto missing = Cli({"config", "get", "System"});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("wrong number of arguments"), std::string::npos);

  const auto bad_option = Cli({"config", "get", "System", "X", "--nope"});
  EXPECT_EQ(bad_option.exit_code, 2);
  EXPECT_NE(bad_option.err.find("unknown option --nope"), std::string::npos);
}

TEST_F(CliTest, ConfigReadingRules) {
  // A missing file reads every default, the table's own or the given one.
  EXPECT_EQ(Get({"System", "DefSkin"}), "Default\n");
  EXPECT_EQ(Get({"System", "UpdateFlag"}), "0\n");
  EXPECT_EQ(Get({"Output", "Unknown", "--default", "d"}), "d\n");
  EXPECT_FALSE(fs::exists(ini));

  dir.write("settings.ini", "[Output]\nRecentFormatId=0x1F\nVideoWidth=0x\nVideoFrameRate=29,97\n");
  EXPECT_EQ(Get({"Output", "RecentFormatId"}), "31\n");
  EXPECT_EQ(Get({"Output", "VideoWidth", "--default", "320"}), "320\n");
  EXPECT_EQ(Get({"Output", "VideoFrameRate", "--default", "25"}), "25\n");
  EXPECT_EQ(Get({"Output", "VideoWidth", "--type", "string"}), "0x\n");
}

TEST_F(CliTest, ConfigSetKeepsTheRestOfTheFile) {
  dir.write("settings.ini", "; kept\n[System]\nCustomKey=untouched\n\n[Mine]\nx=1\n");
  ASSERT_EQ(Cli({"config", "set", "System", "DefLanguage", "DEU"}).exit_code, 0);
  ASSERT_EQ(Cli({"config", "set", "Output", "VideoFrameRate", "29.970"}).exit_code, 0);
  EXPECT_EQ(test::Slurp(ini),
            "; kept\n[System]\nCustomKey=untouched\nDefLanguage=DEU\n\n[Mine]\nx=1\n\n[Output]\nVideoFrameRate=29.97\n");
  EXPECT_EQ(Get({"System", "CustomKey"}), "untouched\n");

  const auto typed = Cli({"config", "set", "Output", "VideoWidth", "wide"});
  EXPECT_EQ(typed.exit_code, 2);
  EXPECT_NE(typed.err.find("VideoWidth is an integer"), std::string::npos);
}

TEST_F(CliTest, FailedWriteReportsTheFile) {
  ini = dir.file("missing-folder/settings.ini");
  const auto r = Cli({"config", "set", "System", "DefSkin", "Blue"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "flarecast-cli: Unable to write to " + ini + "\n");
}

TEST_F(CliTest, LanguagesSwitch) {
  const auto list = Cli({"lang", "list"});
  EXPECT_EQ(list.exit_code, 0);
  EXPECT_NE(list.out.find("ENU\t"), std::string::npos);
  EXPECT_NE(list.out.find("DEU\t"), std::string::npos);

  EXPECT_EQ(Cli({"lang", "get", "Info_Title", "--lang", "ENU"}).out, "Information\n");
  ASSERT_EQ(Cli({"config", "set", "System", "DefLanguage", "deu"}).exit_code, 0);
  const auto german = Cli({"lang", "get", "Info_Title"});
  EXPECT_EQ(german.exit_code, 0);
  EXPECT_NE(german.out, "Information\n");

  const auto missing = Cli({"lang", "get", "No_Such_Key"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(Cli({"lang", "get", "No_Such_Key", "--default", "dflt"}).out, "dflt\n");
  EXPECT_EQ(Cli({"lang", "get", "Info_Title", "--lang", "XYZ"}).exit_code, 1);
}

// A second running copy of the program logs to Log(1).txt. The GUI keeps running while the
// command-line tool starts, both from a private program folder.
TEST(SecondCopy, LogsToNumberedFile) {
  const std::string gui = kBin + "/flarecast";
  if (!fs::exists(gui)) GTEST_SKIP() << "the GUI is not built";
  test::TempFolder program;
  fs::copy_file(gui, program.file("flarecast"));
  fs::copy_file(kCli, program.file("flarecast-cli"));
  fs::copy(kBin + "/Languages", program.file("Languages"));
  fs::permissions(program.file("flarecast"), fs::perms::owner_all);
  fs::permissions(program.file("flarecast-cli"), fs::perms::owner_all);

  const std::string env = "QT_QPA_PLATFORM=offscreen HOME=" + test::ShellQuote(program.path());
  const std::string start_gui = env + " " + test::ShellQuote(program.file("flarecast")) +
                                " --quit-after 20000 >/dev/null 2>&1 & echo $! > " +
                                test::ShellQuote(program.file("gui.pid"));
  ASSERT_EQ(std::system(start_gui.c_str()), 0);
  const std::string first_log = program.file("Log/Log.txt");
  for (int i = 0; i < 200 && test::Slurp(first_log).find("===") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  const auto cli = test::RunProgram(program.file("flarecast-cli"), {"config", "path"}, program.path(), env);
  std::system(("kill $(cat " + test::ShellQuote(program.file("gui.pid")) + ") 2>/dev/null").c_str());

  EXPECT_EQ(cli.exit_code, 0) << cli.err;
  EXPECT_EQ(cli.out, program.file("flarecast.ini") + "\n");  // the program folder is writable
  EXPECT_NE(test::Slurp(first_log).find("==Flarecast Pro(Version: "), std::string::npos);
  EXPECT_NE(test::Slurp(program.file("Log/Log(1).txt")).find("==Flarecast Pro(Version: "), std::string::npos);
}

}  // namespace
}  // namespace fc
