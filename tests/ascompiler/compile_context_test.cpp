// Parsing through the compile context: include paths and files, error positions in included
// files, and the limits that keep deep input from exhausting the stack.
#include "ascompiler/compile_context.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "parse_helpers.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

class CompileContextTest : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("flarecast_includes_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Inc" / "Sub");
  }
  void TearDown() override { fs::remove_all(root); }
  void Write(const fs::path& relative, const std::string& text) { std::ofstream(root / relative) << text; }
  std::string Parse(const std::string& text) { return testing::ParseToSexpr(context, text); }

  fs::path root;
  TCompileContext context;
};

TEST_F(CompileContextTest, IncludePathsMustExistAndKeepTheirCase) {
  try {
    context.AddIncludePath((root / "missing").string());
    FAIL();
  } catch (const EActionCompileError& e) {
    EXPECT_EQ(std::string(e.what()), "Include path \"" + (root / "missing").string() + "\" not found.");
  }
  context.AddIncludePath((root / "Inc").string());
  context.AddIncludePath((root / "Inc").string() + "/");
  ASSERT_EQ(context.IncludePaths.size(), 1u);
  EXPECT_EQ(context.IncludePaths[0], (root / "Inc").string() + "/");
}

TEST_F(CompileContextTest, IncludesAreFoundInThePathsWithEitherSlash) {
  Write("Inc/Sub/Lib.as", "function lib() {}\n");
  Write("Inc/one.as", "a = 1;");
  context.AddIncludePath((root / "Inc").string());
  EXPECT_EQ(Parse("#include \"Sub\\Lib.as\"\n#include 'one.as'\nb = 2;"),
            "(Program (Function lib Params) (Comma [unused] (Assign = Name a Number 1)) "
            "(Comma [unused] (Assign = Name b Number 2)))");
  EXPECT_EQ(Parse("#include \"sub/lib.as\"\n"), "ERROR: Include file \"sub/lib.as\" not found.");
  EXPECT_EQ(Parse("#include \"" + (root / "Inc" / "one.as").string() + "\"\n"),
            "(Program (Comma [unused] (Assign = Name a Number 1)))");
}

TEST_F(CompileContextTest, ErrorsInIncludedFilesNameTheFile) {
  Write("Inc/bad.as", "x = 1;\ny = ;\n");
  context.AddIncludePath((root / "Inc").string());
  EXPECT_EQ(Parse("a = 1;\n#include \"bad.as\"\n"), "ERROR: Parse Error in file: \"bad.as\" line: 2 pos: 6");
  // The include stack of the failed parse is gone: positions are the main text's again.
  EXPECT_EQ(Parse("a = 1;\nb = ;"), "ERROR: Parse Error in line: 2 pos: 6");
  EXPECT_EQ(Parse("a = 1;"), "(Program (Comma [unused] (Assign = Name a Number 1)))");
}

TEST_F(CompileContextTest, IncludeCyclesEndInACompileError) {
  Write("Inc/a.as", "#include \"b.as\"\n");
  Write("Inc/b.as", "x = 1;\n#include \"a.as\"\n");
  Write("Inc/self.as", "#include \"self.as\"\n");
  context.AddIncludePath((root / "Inc").string());
  EXPECT_EQ(Parse("#include \"a.as\"\n"), "ERROR: Include file \"a.as\" includes itself.");
  EXPECT_EQ(Parse("#include \"self.as\"\n"), "ERROR: Include file \"self.as\" includes itself.");
  EXPECT_EQ(Parse("#include \"b.as\"\n"), "ERROR: Include file \"b.as\" includes itself.");
}

TEST_F(CompileContextTest, ClassPathFoldersServeIncludesToo) {
  fs::create_directories(root / "classes" / "util");
  Write("classes/util/Bar.as", "class util.Bar { var b; }");
  Write("classes/util/helpers.as", "h = 1;\n");
  context.SetClassPath((root / "classes").string());
  EXPECT_EQ(Parse("#include \"helpers.as\"\nimport util.Bar;"),
            "(Program (Comma [unused] (Assign = Name h Number 1)) Import util.Bar Empty)");
}

TEST_F(CompileContextTest, ANestedParseRestoresTheCurrentUnitAndScopes) {
  TCompileUnit outer;
  context.CurrentUnit = &outer;
  context.OpenScope(TScopeKind::Program);
  TIdentTable* scope = context.CurrentScope();
  EXPECT_THROW(context.ParseUnit("class A { x }"), EActionCompileError);
  EXPECT_EQ(context.CurrentUnit, &outer);
  EXPECT_EQ(context.CurrentScope(), scope);
  auto unit = context.ParseUnit("x;");
  EXPECT_EQ(context.CurrentUnit, &outer);
  context.ForgetUnit(*unit);
}

TEST_F(CompileContextTest, DeepNestingIsACompileErrorNotACrash) {
  // Right-nested forms fill the parser stack (1024 entries): a parse error.
  const std::string parens = "x = " + std::string(2000, '(') + "1" + std::string(2000, ')') + ";";
  EXPECT_EQ(Parse(parens).rfind("ERROR: Parse Error in line: 1 pos: ", 0), 0u);
  // Left-nested forms keep the parser stack short but build deep trees: bounded too.
  std::string sum = "x = a";
  for (int i = 0; i < 100000; ++i) sum += "+a";
  EXPECT_EQ(Parse(sum + ";"), "ERROR: Nesting too deep in line: 1 pos: 1005");
  std::string chain = "x = a";
  for (int i = 0; i < 1000; ++i) chain += ".b";
  EXPECT_EQ(Parse(chain + ";").rfind("ERROR: Nesting too deep in line: 1 pos: ", 0), 0u);
  std::string calls = "f()";
  for (int i = 0; i < 1000; ++i) calls += ".g()";
  EXPECT_EQ(Parse(calls + ";").rfind("ERROR: Nesting too deep in line: 1 pos: ", 0), 0u);
  // Long flat programs are fine.
  std::string flat;
  for (int i = 0; i < 5000; ++i) flat += "x = x + 1;\n";
  EXPECT_EQ(Parse(flat).rfind("(Program ", 0), 0u);
}

}  // namespace
}  // namespace fc
