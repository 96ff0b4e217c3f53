// What the code generator emits for each target version, and what it refuses.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "swf/actions.h"

namespace fc {
namespace {

std::string Compiled(const std::string& text, int version) {
  TCompileContext context;
  context.SetSwfVersion(version);
  TSWFActionList list;
  context.CompileFrameScript(text, list);
  std::string out;
  for (const std::string& line : DisassembleActionList(list)) out += (out.empty() ? "" : "\n") + line;
  return out;
}

std::string ErrorAt(const std::string& text, int version) {
  TCompileContext context;
  context.SetSwfVersion(version);
  TSWFActionList list;
  try {
    context.CompileFrameScript(text, list);
  } catch (const EActionCompileError& e) {
    return e.what();
  }
  return "no error";
}

bool Has(const std::string& code, const std::string& part) { return code.find(part) != std::string::npos; }

TEST(CodeGeneratorVersions, TheVersionSetsTheOptions) {
  TCompileContext context;
  context.SetSwfVersion(4);
  EXPECT_EQ(context.Options, kOptionSwf4);
  EXPECT_TRUE(context.Swf4Code());
  context.SetSwfVersion(6);
  EXPECT_EQ(context.Options, 0);
  EXPECT_FALSE(context.Swf4Code());
  context.SetSwfVersion(7);
  EXPECT_EQ(context.Options, kOptionRegisters | kOptionDefineFunction2);
  context.SetSwfVersion(43);
  EXPECT_EQ(context.Options, kOptionRegisters | kOptionDefineFunction2);
}

TEST(CodeGeneratorVersions, FunctionsBeforeSevenAreDefineFunctionWithoutRegisters) {
  const std::string script = "function f(a, b) { var c = a + b; return this.k + arguments.length + c; }";
  for (int version : {5, 6}) {
    const std::string code = Compiled(script, version);
    EXPECT_TRUE(Has(code, "  DefineFunction \"f\" (a, b)")) << code;
    EXPECT_FALSE(Has(code, "DefineFunction2")) << code;
    EXPECT_FALSE(Has(code, "r:")) << code;  // neither locals nor this nor arguments in registers
    EXPECT_TRUE(Has(code, "\"this\"") && Has(code, "\"arguments\"") && Has(code, "DefineLocal")) << code;
  }
  EXPECT_TRUE(Has(Compiled(script, 7), "DefineFunction2"));
  EXPECT_TRUE(Has(Compiled(script, 43), "DefineFunction2"));
}

TEST(CodeGeneratorVersions, ClassesBeforeSevenChainPrototypesByScript) {
  const std::string script =
      "interface I { }\n"
      "class A { function A(n) { } function m() { return 1; } }\n"
      "class B extends A implements I { var v = 2; function B() { super(3); } function m() { return super.m(); } }\n"
      "var b = B(x);";
  const std::string code = Compiled(script, 6);
  for (const char* missing : {"Extends", "ImplementsOp", "CastOp", "DefineFunction2"})
    EXPECT_FALSE(Has(code, missing)) << missing << "\n" << code;
  for (const char* present : {"\"__proto__\"", "\"__constructor__\"", "\"ASSetPropFlags\"", "\"super\""})
    EXPECT_TRUE(Has(code, present)) << present << "\n" << code;
  const std::string modern = Compiled(script, 7);
  for (const char* present : {"Extends", "ImplementsOp", "CastOp"}) EXPECT_TRUE(Has(modern, present)) << present;
}

TEST(CodeGeneratorVersions, VersionFourPushesTextAndUsesTheSwf4Actions) {
  // No constant pool, every value as text, Add and Less instead of Add2 and Less2.
  EXPECT_EQ(Compiled("x = 3 + y;", 4), "  Push \"x\", \"3\", \"y\"\n  GetVariable\n  Add\n  SetVariable");
  EXPECT_EQ(Compiled("x = true;\ny = 1.5;", 4), "  Push \"x\", \"1\"\n  SetVariable\n  Push \"y\", \"1.5\"\n  SetVariable");
  EXPECT_EQ(Compiled("/:x = a < 2;", 4), "  Push \"/:x\", \"a\"\n  GetVariable\n  Push \"2\"\n  Less\n  SetVariable");
  EXPECT_EQ(Compiled("i++;", 4), "  Push \"i\", \"i\"\n  GetVariable\n  Push \"1\"\n  Add\n  SetVariable");
  EXPECT_EQ(Compiled("var v = 1;\nvar w;", 4), "  Push \"v\", \"1\"\n  SetVariable");
  // a % b is a - int(a / b) * b.
  const std::string modulo = Compiled("z = a % b;", 4);
  EXPECT_TRUE(Has(modulo, "ToInteger") && !Has(modulo, "Modulo")) << modulo;
  // && and || branch without PushDuplicate.
  const std::string logical = Compiled("z = a && b || c;", 4);
  EXPECT_FALSE(Has(logical, "PushDuplicate")) << logical;
  EXPECT_EQ(Compiled("gotoAndPlay(3);", 4), "  GotoFrame 2\n  Play");
}

TEST(CodeGeneratorVersions, ConstructsTheTargetLacksAreRefusedByName) {
  struct TCase {
    const char* Script;
    int Version;
    const char* Error;
  };
  const TCase cases[] = {
      {"function f() { }", 4, "Functions are not available in SWF version 4 movies"},
      {"f();", 4, "Function calls are not available in SWF version 4 movies (line 1)"},
      {"\nx = new Object();", 4, "new expressions are not available in SWF version 4 movies (line 2)"},
      {"o.x = 1;", 4, "Objects and member access with \".\" are not available in SWF version 4 movies"},
      {"a = [1, 2];", 4, "Arrays are not available in SWF version 4 movies"},
      {"a = {k: 1};", 4, "Objects are not available in SWF version 4 movies"},
      {"with (a) { b = 1; }", 4, "with statements are not available in SWF version 4 movies"},
      {"for (k in o) { }", 4, "for-in loops are not available in SWF version 4 movies"},
      {"switch (a) { case 1: b = 2; }", 4, "switch statements are not available in SWF version 4 movies"},
      {"a = typeof b;", 4, "typeof expressions are not available in SWF version 4 movies"},
      {"delete a;", 4, "delete expressions are not available in SWF version 4 movies"},
      {"a = b & c;", 4, "Bit operators are not available in SWF version 4 movies"},
      {"a ^= 1;", 4, "Bit operators are not available in SWF version 4 movies"},
      {"a %= 2;", 4, "%= assignments are not available in SWF version 4 movies"},
      {"a = b = c;", 4, "Assignments used as values are not available in SWF version 4 movies"},
      {"a = b++ % c;", 4, "Operands of % with side effects are not available in SWF version 4 movies"},
      {"a = Number(b);", 4, "\"Number\" calls are not available in SWF version 4 movies (line 1)"},
      {"a = b === c;", 5, "Strict equality operators (=== and !==) are not available in SWF version 5 movies"},
      {"a = b instanceof c;", 5, "instanceof expressions are not available in SWF version 5 movies"},
      {"for (k in f()) { }", 5, "for-in loops over anything but a variable name are not available in SWF version 5 movies"},
      {"try { a = 1; } catch (e) { }", 6, "try/catch/finally statements are not available in SWF version 6 movies"},
      {"throw 1;", 6, "throw statements are not available in SWF version 6 movies"},
  };
  for (const TCase& c : cases) EXPECT_EQ(ErrorAt(c.Script, c.Version), c.Error) << c.Script;
  // What one version refuses the next one takes.
  EXPECT_EQ(ErrorAt("a = b === c;\nfor (k in f()) { }", 6), "no error");
  EXPECT_EQ(ErrorAt("try { a = 1; } catch (e) { throw e; }", 7), "no error");
}

}  // namespace
}  // namespace fc
