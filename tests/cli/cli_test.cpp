// flarecast-cli seen from outside: exit codes, standard output and error, and the files it
// leaves behind.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

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

// Every line of a status stream is one JSON object.
std::vector<nlohmann::ordered_json> JsonLines(const std::string& text) {
  std::vector<nlohmann::ordered_json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::ordered_json::parse(line));
  return lines;
}

std::vector<std::string> Keys(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : object.items()) keys.push_back(key);
  return keys;
}

const std::string kSampleFlv = kBin + "/Templates/Fcst.flv";

TEST_F(CliTest, MediaInfoJsonIsOneDocumentNamingEveryStream) {
  const auto r = Cli({"media", "info", kSampleFlv, "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto info = nlohmann::json::parse(r.out);
  EXPECT_EQ(info["file"], kSampleFlv);
  EXPECT_EQ(info["format"], "flv");
  EXPECT_GT(info["duration"].get<double>(), 0);
  ASSERT_EQ(info["programs"].size(), 1u);
  const auto& video = info["programs"][0]["video"];
  ASSERT_EQ(video.size(), 1u);
  EXPECT_GT(video[0]["width"].get<int>(), 0);
  EXPECT_TRUE(video[0]["aspect"].is_string());
  EXPECT_TRUE(video[0]["size_unknown"].is_boolean());
  EXPECT_TRUE(info["programs"][0]["subtitles"].is_array());
  for (const char* key : {"id", "index", "name", "codec", "language", "bit_rate", "duration", "sample_rate", "channels",
                          "size_unknown"})
    for (const auto& audio : info["programs"][0]["audio"]) EXPECT_TRUE(audio.contains(key)) << key;
}

// File names are bytes: one that is not UTF-8 still gives valid JSON (U+FFFD in its place).
TEST_F(CliTest, JsonStaysValidForFileNamesThatAreNotUtf8) {
  const std::string odd = dir.file("clip\xff.flv");
  fs::copy_file(kSampleFlv, odd);
  const auto r = Cli({"media", "info", odd, "--json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out)["file"], dir.file("clip\xef\xbf\xbd.flv"));
  const auto flv = Cli({"flv", "info", odd, "--json"});
  ASSERT_EQ(flv.exit_code, 0) << flv.err;
  EXPECT_NO_THROW(nlohmann::json::parse(flv.out));
}

TEST_F(CliTest, ProfilesAndFlvInfoJson) {
  const auto profiles = Cli({"profiles", "list", "--json"});
  ASSERT_EQ(profiles.exit_code, 0) << profiles.err;
  const auto lines = JsonLines(profiles.out);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(Keys(lines[0]), (std::vector<std::string>{"id", "name", "category", "user", "container", "video_codec",
                                                      "width", "height", "frame_rate", "video_bitrate", "audio_codec",
                                                      "sample_rate", "channels", "audio_bitrate"}));
  bool found = false;
  for (const auto& p : lines)
    if (p["id"] == 101) {
      found = true;
      EXPECT_EQ(p["container"], "flv");
      EXPECT_EQ(p["width"], 320);
    }
  EXPECT_TRUE(found);

  const auto flv = Cli({"flv", "info", kSampleFlv, "--json"});
  ASSERT_EQ(flv.exit_code, 0) << flv.err;
  const auto j = nlohmann::json::parse(flv.out);
  EXPECT_EQ(j["file"], kSampleFlv);
  EXPECT_EQ(j["version"], 1);
  EXPECT_GT(j["video"]["width"].get<int>(), 0);
}

TEST_F(CliTest, ConvertJsonIsOneStatusPerLine) {
  const std::string out = dir.file("out");
  // The FLV alone: the Flash files have tests of their own.
  auto r = Cli({"convert", kSampleFlv, "-o", out, "--json", "--end", "0:01", "--vbitrate", "300k", "--rate", "22.05kHz",
                "--no-swf", "--no-thumbnail"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto lines = JsonLines(r.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Keys(lines.front()), (std::vector<std::string>{"event", "task", "output", "duration"}));
  EXPECT_EQ(lines.front()["event"], "start");
  EXPECT_EQ(lines.front()["output"], out + "/Fcst.flv");
  EXPECT_DOUBLE_EQ(lines.front()["duration"].get<double>(), 1);
  const auto& end = lines[lines.size() - 2];
  EXPECT_EQ(Keys(end), (std::vector<std::string>{"event", "output", "status", "files"}));
  EXPECT_EQ(end["status"], "succeeded");
  EXPECT_EQ(end["files"], nlohmann::json::array({out + "/Fcst.flv"}));
  EXPECT_EQ(lines.back(), nlohmann::ordered_json({{"event", "finished"}, {"succeeded", 1}, {"failed", 0}}));
  for (size_t i = 1; i + 2 < lines.size(); ++i)
    EXPECT_EQ(Keys(lines[i]), (std::vector<std::string>{"event", "output", "percent", "position", "duration", "speed",
                                                        "remaining"}));

  // The output exists now: skipped when asked, refused otherwise.
  r = Cli({"convert", kSampleFlv, "-o", out, "--json", "--skip-existing"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  lines = JsonLines(r.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], nlohmann::ordered_json(
                          {{"event", "skipped"}, {"output", out + "/Fcst.flv"}, {"reason", "it exists already"}}));
  r = Cli({"convert", kSampleFlv, "-o", out, "--json"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("exists already (give --overwrite or --skip-existing)"), std::string::npos);
  EXPECT_EQ(JsonLines(r.out).back(), nlohmann::ordered_json({{"event", "finished"}, {"succeeded", 0}, {"failed", 1}}));
}

TEST_F(CliTest, BadOptionValuesSayWhatIsAccepted) {
  auto r = Cli({"convert", kSampleFlv, "--vbitrate", "fast"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("--vbitrate takes a bit rate from 8 to 100000 kbit/s"), std::string::npos) << r.err;
  r = Cli({"media", "convert", kSampleFlv, dir.file("x.mp4"), "--abitrate", "2M"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("--abitrate takes a bit rate from 0 to 1536 kbit/s"), std::string::npos) << r.err;
  r = Cli({"media", "estimate", "--container", "flv", "--vbitrate", "1x"});
  EXPECT_EQ(r.exit_code, 2);
  r = Cli({"convert", kSampleFlv, "--zoom", "huge"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("full, keep, 16:9, 4:3, letterbox or panscan"), std::string::npos) << r.err;
  r = Cli({"convert", kSampleFlv, "--clip", "4-2"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("with END after START"), std::string::npos) << r.err;
  EXPECT_EQ(Cli({"as", "compile", dir.file("none.as"), "-o", dir.file("x.swf"), "--size", "10"}).exit_code, 2);
}

// The same bit rate means the same in every command: kbit/s without a unit.
TEST_F(CliTest, BitRatesMeanTheSameInEveryCommand) {
  const auto estimate = [&](const std::string& rate) {
    const auto r = Cli({"media", "estimate", "--container", "flv", "--vbitrate", rate, "--duration", "8"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
  };
  EXPECT_EQ(estimate("800"), estimate("800k"));
  EXPECT_EQ(estimate("800"), estimate("800000bit"));
  EXPECT_EQ(estimate("1.5M"), estimate("1500"));
  EXPECT_NE(estimate("800"), estimate("1500"));
  for (const std::vector<std::string>& command : {std::vector<std::string>{"convert", "--help"},
                                                 std::vector<std::string>{"media", "convert", "--help"},
                                                 std::vector<std::string>{"media", "estimate", "--help"}}) {
    const auto help = Cli(command);
    EXPECT_NE(help.out.find("--vbitrate RATE"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("kbit/s"), std::string::npos) << help.out;
  }
  EXPECT_NE(Cli({"media", "convert", "--help"}).out.find("--sample-rate, --rate HZ"), std::string::npos);
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
