// `as compile --main CLASS`, judged by the player: a class-only program runs, whether the class
// is in the script or in a class-path folder, and main receives the root timeline.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

TEST(MainClass, FrameOneCallsTheStaticMainOfTheClass) {
  const fs::path dir = test::ScratchDir("main_class");
  // The script ends in a line comment without a newline.
  Write(dir / "Main.as",
        "class Main {\n  static function main(mc) {\n    trace(\"main \" + (mc == _root) + \" \" + helper());\n  }\n"
        "  static function helper() { return 3; }\n}\n// end");
  Write(dir / "classes" / "app" / "Start.as",
        "class app.Start {\n  static function main(mc) { trace(\"start \" + targetPath(mc)); }\n}\n");
  Write(dir / "empty.as", "");
  const std::string cli = test::ShellQuote((test::ProgramDir() / "flarecast-cli").string());
  const std::vector<std::pair<std::string, fs::path>> runs = {
      {"Main.as --main Main", dir / "own.swf"},
      {"empty.as --main app.Start --classpath " + test::ShellQuote((dir / "classes").string()), dir / "cp.swf"},
  };
  std::vector<fs::path> movies;
  for (const auto& [args, movie] : runs) {
    std::string messages;
    const std::string command = "cd " + test::ShellQuote(dir.string()) + " && " + cli + " as compile " + args +
                                " -o " + test::ShellQuote(movie.string()) + " 2>&1";
    ASSERT_EQ(test::RunCommand(command, &messages), 0) << messages;
    movies.push_back(movie);
  }
  const auto results = test::PlaySwfs(movies);
  ASSERT_EQ(results.size(), 2u);
  ASSERT_TRUE(results[0].ok()) << results[0].error;
  ASSERT_TRUE(results[1].ok()) << results[1].error;
  EXPECT_EQ(results[0].trace, std::vector<std::string>{"main true 3"});
  EXPECT_EQ(results[1].trace, std::vector<std::string>{"start _level0"});
}

}  // namespace
}  // namespace fc
