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

// Every error as FILE:LINE:COLUMN: error: MESSAGE, its source line and a caret under the column.
TEST_F(AsCompileTest, CompileErrorsPointAtTheCode) {
  const std::string script = dir.write("bad.as", "x = 1;\ny = ;\nf(a b);\n");
  const auto r = Cli({"as", "compile", script, "-o", dir.file("out.swf")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, script + ":2:5: error: syntax error: unexpected ';', expected an expression\n"
                   "  y = ;\n"
                   "      ^\n" +
                   script + ":3:5: error: syntax error: unexpected name 'b', expected ')' or ',' after the arguments\n"
                   "  f(a b);\n"
                   "      ^\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.swf")));

  // An error in a class file names the class file; one found after parsing, its construct.
  const std::string broken = dir.write("classes/Broken.as", "class Broken {\n  function f() { break; }\n}\n");
  const std::string user = dir.write("user.as", "b = new Broken();\n");
  const auto c = Cli({"as", "compile", user, "--classpath", dir.file("classes"), "-o", dir.file("out.swf")});
  EXPECT_EQ(c.exit_code, 1);
  EXPECT_NE(c.err.find(":2:18: error: \"break\" is only possible inside a loop or a switch.\n"
                       "    function f() { break; }\n"
                       "                   ^\n"),
            std::string::npos)
      << c.err;
  EXPECT_NE(c.err.find("Broken.as:2:18"), std::string::npos) << c.err;

  const auto p = Cli({"as", "parse", script});
  EXPECT_EQ(p.exit_code, 1);
  EXPECT_EQ(p.err.rfind(script + ":2:5: error: ", 0), 0u) << p.err;
}

// A class-only program runs through --main: frame 1 calls CLASS.main(this) after the classes
// are defined, whether the class is in the script or in a class-path folder.
TEST_F(AsCompileTest, MainCallsTheStaticMainOfAClass) {
  auto frame_text = [](const std::string& file) {
    TSWFStreamReader reader;
    reader.LoadFromFile(file);
    reader.ParseTags(true, true);
    std::string all;
    for (const auto& tag : reader.TagList)
      if (auto* actions = dynamic_cast<TSWFDoAction*>(tag->Object))
        for (const std::string& line : DisassembleActionList(*actions->Actions)) all += line + "\n";
    return all;
  };
  // The script ends in a line comment without a newline: the call still stands on its own.
  const std::string own = dir.write("Main.as", "class Main { static function main(mc) { trace(mc); } }\n// end");
  const auto r = Cli({"as", "compile", own, "--main", "Main", "-o", dir.file("own.swf")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string text = frame_text(dir.file("own.swf"));
  // The class is set up first, then Main.main(this) is called.
  ASSERT_NE(text.find("SetMember"), std::string::npos) << text;
  EXPECT_NE(text.find("CallMethod", text.find("SetMember")), std::string::npos) << text;
  EXPECT_NE(text.find("\"main\""), std::string::npos) << text;

  dir.write("classes/app/Start.as", "class app.Start { static function main(mc) { mc.started = true; } }\n");
  const std::string empty = dir.write("empty.as", "");
  const auto c = Cli({"as", "compile", empty, "--classpath", dir.file("classes"), "--main", "app.Start", "-o",
                      dir.file("cp.swf")});
  ASSERT_EQ(c.exit_code, 0) << c.err;
  EXPECT_NE(c.out.find("1 classes"), std::string::npos) << c.out;
  EXPECT_NE(frame_text(dir.file("cp.swf")).find("\"Start\""), std::string::npos);

  for (const char* bad : {"", "1Main", "a..b", "Main()", "Main;x"}) {
    const auto u = Cli({"as", "compile", own, "--main", bad, "-o", dir.file("bad.swf")});
    EXPECT_NE(u.exit_code, 0) << bad;
    EXPECT_NE(u.err.find("--main needs a class name"), std::string::npos) << bad << ": " << u.err;
  }
  const auto help = Cli({"as", "compile", "--help"});
  EXPECT_NE(help.out.find("CLASS.main(this)"), std::string::npos) << help.out;
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
