// The ActionScript compiler, judged by a real Flash player: every tests/player/scripts/X.as
// is compiled with `flarecast-cli as compile` and played, and its trace output must equal
// X.expected line for line. All scripts play in one browser session.
//
// To add a test, drop X.as and X.expected (the exact trace lines) into the folder; classes go
// into its class path folder "classes" (with packages as subfolders). A script
// that needs more than a few frames (onEnterFrame, intervals) says so in a line
// "// frames: N"; the session then runs that many frames for every script. A line
// "// as compile: ARGS" gives extra arguments to `as compile`, split on white space (for
// example "// as compile: --swf-version 6" for a version-6 movie).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

const int kDefaultFrames = 3;

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The frame count a script asks for, or the default.
int FramesWanted(const fs::path& script) {
  static const std::regex kFrames(R"(^\s*//\s*frames:\s*(\d+)\s*$)");
  for (const std::string& line : ReadLines(script)) {
    std::smatch m;
    if (std::regex_match(line, m, kFrames)) return std::clamp(std::stoi(m[1].str()), 1, 1000);
  }
  return kDefaultFrames;
}

// The extra `as compile` arguments of a script's "// as compile: ARGS" lines, shell-quoted,
// each with a leading space.
std::string CompileArguments(const fs::path& script) {
  static const std::regex kArgs(R"(^\s*//\s*as compile:(.*)$)");
  std::string arguments;
  for (const std::string& line : ReadLines(script)) {
    std::smatch m;
    if (!std::regex_match(line, m, kArgs)) continue;
    std::istringstream words(m[1].str());
    for (std::string word; words >> word;) arguments += " " + test::ShellQuote(word);
  }
  return arguments;
}

// Lists every difference between what a script traced and what it should have.
std::string Differences(const std::string& name, const std::vector<std::string>& got,
                        const std::vector<std::string>& expected) {
  std::ostringstream out;
  const size_t n = std::max(got.size(), expected.size());
  for (size_t i = 0; i < n; ++i) {
    if (i < got.size() && i < expected.size() && got[i] == expected[i]) continue;
    out << name << " line " << i + 1 << ": got ";
    if (i < got.size()) out << '"' << got[i] << '"';
    else out << "(nothing)";
    out << ", expected ";
    if (i < expected.size()) out << '"' << expected[i] << '"';
    else out << "(nothing)";
    out << '\n';
  }
  return out.str();
}

TEST(Scripts, EachScriptTracesItsExpectedLines) {
  const fs::path source = fs::path(FLARECAST_TEST_DATA_DIR) / "player" / "scripts";
  std::vector<fs::path> scripts;
  for (const auto& entry : fs::directory_iterator(source)) {
    if (entry.path().extension() == ".as") scripts.push_back(entry.path());
  }
  std::sort(scripts.begin(), scripts.end());
  ASSERT_FALSE(scripts.empty()) << "no scripts in " << source;

  const fs::path out = test::ScratchDir("scripts");
  const fs::path cli = test::ProgramDir() / "flarecast-cli";
  std::vector<fs::path> movies;
  std::vector<std::string> names;
  int frames = kDefaultFrames;
  for (const fs::path& script : scripts) {
    const std::string name = script.filename().string();
    if (!fs::exists(fs::path(script).replace_extension(".expected"))) {
      ADD_FAILURE() << name << ": no " << script.stem().string() << ".expected beside it";
      continue;
    }
    const fs::path movie = out / (script.stem().string() + ".swf");
    std::string messages;
    std::string command = test::ShellQuote(cli.string()) + " as compile " + test::ShellQuote(script.string()) +
                          " -o " + test::ShellQuote(movie.string()) + CompileArguments(script) + " 2>&1";
    // AS2 classes the scripts use live in the class path folder "classes" beside them.
    if (fs::is_directory(source / "classes")) command += " --classpath " + test::ShellQuote((source / "classes").string());
    if (test::RunCommand(command, &messages) != 0) {
      ADD_FAILURE() << name << " does not compile:\n" << messages;
      continue;
    }
    movies.push_back(movie);
    names.push_back(name);
    frames = std::max(frames, FramesWanted(script));
  }
  if (movies.empty()) return;

  const auto results = test::PlaySwfs(movies, {.frames = frames});
  ASSERT_EQ(results.size(), movies.size());
  int passed = 0;
  for (size_t i = 0; i < results.size(); ++i) {
    if (!results[i].ok()) {
      ADD_FAILURE() << names[i] << " did not play: " << results[i].error;
      continue;
    }
    const fs::path expected_file = fs::path(scripts[0]).replace_filename(names[i]).replace_extension(".expected");
    const std::string diff = Differences(names[i], results[i].trace, ReadLines(expected_file));
    if (diff.empty()) {
      ++passed;
    } else {
      ADD_FAILURE() << diff;
    }
  }
  std::cout << passed << " of " << scripts.size() << " scripts traced what they should\n";
}

}  // namespace
}  // namespace fc
