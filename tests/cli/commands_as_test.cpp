// flarecast-cli as compile seen from outside: the movie it writes (classes in init-action
// sprites of their own before the frame's actions) and the compiler's messages on errors.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/actions.h"
#include "swf/buttons_sprites.h"
#include "swf/objects.h"
#include "swf/streams.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";

class AsCompileTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini")});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
};

TEST_F(AsCompileTest, ClassesGoIntoSpritesInFrontOfTheFrameActions) {
  dir.write("classes/zoo/Animal.as", "class zoo.Animal { var name; function Animal(n) { name = n; } }\n");
  dir.write("classes/zoo/Dog.as", "class zoo.Dog extends zoo.Animal { function Dog() { super(\"dog\"); } }\n");
  const std::string script = dir.write("main.as", "import zoo.Dog;\nvar d = new Dog();\ntrace(d.name);\n");
  const auto r = Cli({"as", "compile", script, "--classpath", dir.file("classes"), "-o", dir.file("out.swf")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("2 classes"), std::string::npos) << r.out;

  TSWFStreamReader reader;
  reader.LoadFromFile(dir.file("out.swf"));
  reader.ParseTags(true, true);
  EXPECT_TRUE(reader.Warnings.empty());
  std::vector<uint16_t> codes;
  for (const auto& tag : reader.TagList) codes.push_back(tag->TagID);
  // Sprite, its init actions; the same for the subclass; then the frame.
  EXPECT_EQ(codes, (std::vector<uint16_t>{39, 59, 39, 59, 12, 1, 0}));
  auto* super_init = dynamic_cast<TSWFDoInitAction*>(reader.TagList[1]->Object);
  auto* sub_init = dynamic_cast<TSWFDoInitAction*>(reader.TagList[3]->Object);
  ASSERT_TRUE(super_init && sub_init);
  EXPECT_EQ(super_init->SpriteID, dynamic_cast<TSWFDefineSprite*>(reader.TagList[0]->Object)->SpriteID);
  EXPECT_EQ(sub_init->SpriteID, dynamic_cast<TSWFDefineSprite*>(reader.TagList[2]->Object)->SpriteID);
  auto text = [](const TSWFActionList& list) {
    std::string all;
    for (const std::string& line : DisassembleActionList(list)) all += line + "\n";
    return all;
  };
  EXPECT_NE(text(*super_init->Actions).find("\"Animal\""), std::string::npos);
  EXPECT_EQ(text(*super_init->Actions).find("\"Dog\""), std::string::npos);
  EXPECT_NE(text(*sub_init->Actions).find("Extends"), std::string::npos);
}

TEST_F(AsCompileTest, CompileErrorsPrintTheCompilersMessage) {
  const std::string script = dir.write("bad.as", "x = 1;\ny = ;\n");
  const auto r = Cli({"as", "compile", script, "-o", dir.file("out.swf")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("Parse Error in line: 2 pos: 6"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.swf")));

  dir.write("classes/Broken.as", "class Broken { function f() { break; } }\n");
  const std::string user = dir.write("user.as", "b = new Broken();\n");
  const auto c = Cli({"as", "compile", user, "--classpath", dir.file("classes"), "-o", dir.file("out.swf")});
  EXPECT_EQ(c.exit_code, 1);
  EXPECT_NE(c.err.find("\"break\" is only possible inside a loop or a switch."), std::string::npos) << c.err;
}

TEST_F(AsCompileTest, TheMovieKeepsTheVersionAskedForAndStaysActionScript2) {
  // A version-6 movie used to come out as version 7: its functions were DefineFunction2.
  const std::string script = dir.write("f.as", "function f(n) { return n + 1; }\ntrace(f(1));\n");
  for (int version : {5, 6, 7, 10, 43, 255}) {
    const auto r = Cli({"as", "compile", script, "--swf-version", std::to_string(version), "-o", dir.file("out.swf")});
    ASSERT_EQ(r.exit_code, 0) << version << ": " << r.err;
    std::ifstream in(dir.file("out.swf"), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[3]), version);
    TSWFStreamReader reader;
    reader.LoadFromFile(dir.file("out.swf"));
    reader.ParseTags(true, true);
    for (const auto& tag : reader.TagList)
      if (auto* attributes = dynamic_cast<TSWFFileAttributes*>(tag->Object)) EXPECT_FALSE(attributes->ActionScript3);
  }
  const auto old = Cli({"as", "compile", script, "--swf-version", "4", "-o", dir.file("out4.swf")});
  EXPECT_EQ(old.exit_code, 1);
  EXPECT_NE(old.err.find("Functions are not available in SWF version 4 movies"), std::string::npos) << old.err;
  EXPECT_NE(Cli({"as", "compile", script, "--swf-version", "3", "-o", dir.file("out3.swf")}).exit_code, 0);
  EXPECT_NE(Cli({"as", "compile", script, "--swf-version", "256", "-o", dir.file("out256.swf")}).exit_code, 0);
}

}  // namespace
}  // namespace fc
