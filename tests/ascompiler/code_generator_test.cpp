// Golden action sequences of compiled scripts, as disassembly lines.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ascompiler/code_generator.h"
#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "core/text.h"
#include "swf/bits_engine.h"
#include "swf/actions.h"

namespace fc {
namespace {

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += (out.empty() ? "" : "\n") + line;
  return out;
}

std::string Compiled(const std::string& text, int version = 8) {
  TCompileContext context;
  context.SetSwfVersion(version);
  TSWFActionList list;
  context.CompileFrameScript(text, list);
  return Join(DisassembleActionList(list));
}

std::string CompileError(const std::string& text, int version = 8) {
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

std::vector<uint8_t> Bytes(const std::string& text) {
  TCompileContext context;
  TSWFActionList list;
  context.CompileFrameScript(text, list);
  std::vector<uint8_t> out;
  TBitsEngine be(&out);
  WriteActionList(be, list);
  return out;
}

std::string Lines(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* line : lines) out += (out.empty() ? "" : "\n") + std::string(line);
  return out;
}

TEST(CodeGeneratorExpressions, AssignmentPushesShareOnePushAndUseTheConstantPool) {
  EXPECT_EQ(Compiled("x = 3;"), Lines({"  ConstantPool \"x\"", "  Push c:0, 3", "  SetVariable"}));
  // ConstantPool "x"; Push constant 0, integer 3; SetVariable
  EXPECT_EQ(Bytes("x = 3;"), (std::vector<uint8_t>{0x88, 0x04, 0x00, 0x01, 0x00, 'x', 0x00, 0x96, 0x07, 0x00, 0x08,
                                                    0x00, 0x07, 0x03, 0x00, 0x00, 0x00, 0x1D}));
  EXPECT_EQ(Compiled("y = x = 3;"), Lines({"  ConstantPool \"y\", \"x\"", "  Push c:0, c:1, 3", "  StoreRegister r:0",
                                           "  SetVariable", "  Push r:0", "  SetVariable"}));
}

TEST(CodeGeneratorExpressions, IncrementsKeepTheOldValueInRegisterZero) {
  EXPECT_EQ(Compiled("x++;"), Lines({"  ConstantPool \"x\"", "  Push c:0, c:0", "  GetVariable", "  Increment", "  SetVariable"}));
  EXPECT_EQ(Compiled("y = x++;"), Lines({"  ConstantPool \"y\", \"x\"", "  Push c:0, c:1, c:1", "  GetVariable",
                                         "  StoreRegister r:0", "  Increment", "  SetVariable", "  Push r:0", "  SetVariable"}));
}

TEST(CodeGeneratorExpressions, SideEffectingBasesAndIndexesAreEvaluatedOnce) {
  EXPECT_EQ(Compiled("f().x++;"), Lines({"  ConstantPool \"f\", \"x\"", "  Push 0, c:0", "  CallFunction", "  Push c:1",
                                          "  StoreRegister r:0", "  Pop", "  PushDuplicate", "  Push r:0", "  StackSwap",
                                          "  Push r:0", "  GetMember", "  Increment", "  SetMember"}));
  const std::string indexed = Compiled("a[i++] += 1;");
  EXPECT_EQ(indexed.find("Increment"), indexed.rfind("Increment"));  // i++ once
  // A plain base keeps the two evaluations.
  EXPECT_EQ(Compiled("a.b += 1;"), Lines({"  ConstantPool \"a\", \"b\"", "  Push c:0", "  GetVariable", "  Push c:1, c:0",
                                          "  GetVariable", "  Push c:1", "  GetMember", "  Push 1", "  Add2", "  SetMember"}));
}

TEST(CodeGeneratorExpressions, LiteralsAndOperators) {
  EXPECT_EQ(Compiled("x = 2.5; y = 2.0;"), Lines({"  ConstantPool \"x\", \"y\"", "  Push c:0, 2.5", "  SetVariable",
                                                  "  Push c:1, 2", "  SetVariable"}));
  EXPECT_EQ(Compiled("trace(3000000000);"), Lines({"  Push 3e+09", "  Trace"}));  // a double, not truncated
  EXPECT_EQ(Compiled("x; 5;"), "");
  EXPECT_EQ(Compiled("t = a > b;"), Lines({"  ConstantPool \"t\", \"b\", \"a\"", "  Push c:0, c:1", "  GetVariable",
                                           "  Push c:2", "  GetVariable", "  Less2", "  SetVariable"}));
  EXPECT_EQ(Compiled("t = a >= b;"), Lines({"  ConstantPool \"t\", \"a\", \"b\"", "  Push c:0, c:1", "  GetVariable",
                                            "  Push c:2", "  GetVariable", "  Less2", "  Not", "  SetVariable"}));
  EXPECT_EQ(Compiled("a.b.c = 1;"), Lines({"  ConstantPool \"a\", \"b\", \"c\"", "  Push c:0", "  GetVariable", "  Push c:1",
                                           "  GetMember", "  Push c:2, 1", "  SetMember"}));
}

TEST(CodeGeneratorExpressions, CallsAndBuiltIns) {
  EXPECT_EQ(Compiled("f(1, 2);"), Lines({"  ConstantPool \"f\"", "  Push 2, 1, 2, c:0", "  CallFunction", "  Pop"}));
  EXPECT_EQ(Compiled("stop();"), "  Stop");
  EXPECT_EQ(Compiled("STOP();"), "  Stop");
  EXPECT_EQ(Compiled("new Array(1, 2);"), Lines({"  Push 2, 1, 2", "  InitArray", "  Pop"}));
  // One argument is a length for the player's constructor.
  EXPECT_EQ(Compiled("new Array(3);"), Lines({"  ConstantPool \"Array\"", "  Push 3, 1, c:0", "  NewObject", "  Pop"}));
  EXPECT_EQ(Compiled("new Object();"), Lines({"  ConstantPool \"Object\"", "  Push 0, c:0", "  NewObject", "  Pop"}));
  EXPECT_EQ(Compiled("getURL(\"u\");"), Lines({"  ConstantPool \"u\"", "  Push c:0, \"\"", "  GetURL2 method=none"}));
  EXPECT_EQ(Compiled("trace(x);"), Lines({"  ConstantPool \"x\"", "  Push c:0", "  GetVariable", "  Trace"}));
  // The frame is the last argument; the scene never stands for it.
  EXPECT_EQ(Compiled("gotoAndPlay(\"s\", 5);"), Lines({"  Push 5", "  GotoFrame2 play"}));
  EXPECT_EQ(Compiled("gotoAndStop(\"s\", 5);", 4), "  GotoFrame 4");
  EXPECT_EQ(CompileError("length(1, 2);"), "Invalid parameters count in \"length\" in line 1\nRequires 1 parameters, actual - 2.");
  // A command computed at run time is the same request, made from the stack.
  EXPECT_EQ(Compiled("fscommand(a, \"b\");"),
            Lines({"  ConstantPool \"a\", \"b\"", "  Push \"FSCommand:\", c:0", "  GetVariable", "  StringAdd",
                   "  Push c:1", "  GetURL2 method=none"}));
}

// Each built-in function compiles to its arguments and actions (the value of a call used as
// a statement is dropped again, with the undefined that stands for it).
TEST(CodeGeneratorBuiltIns, EveryBuiltInFunction) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"length(\"abc\");", {"  ConstantPool \"abc\"", "  Push c:0", "  StringLength", "  Pop"}},
      {"int(x);", {"  ConstantPool \"x\"", "  Push c:0", "  GetVariable", "  ToInteger", "  Pop"}},
      {"random(10);", {"  Push 10", "  RandomNumber", "  Pop"}},
      {"call(\"f\");", {"  ConstantPool \"f\"", "  Push c:0", "  Call"}},
      {"chr(65);", {"  Push 65", "  AsciiToChar", "  Pop"}},
      {"ord(\"A\");", {"  ConstantPool \"A\"", "  Push c:0", "  CharToAscii", "  Pop"}},
      {"substring(\"hello\", 1, 2);", {"  ConstantPool \"hello\"", "  Push c:0, 1, 2", "  StringExtract", "  Pop"}},
      {"mbord(\"A\");", {"  ConstantPool \"A\"", "  Push c:0", "  MBCharToAscii", "  Pop"}},
      {"mbchr(66);", {"  Push 66", "  MBAsciiToChar", "  Pop"}},
      {"mblength(\"xy\");", {"  ConstantPool \"xy\"", "  Push c:0", "  MBStringLength", "  Pop"}},
      {"stopDrag();", {"  EndDrag"}},
      {"Number(\"3\");", {"  ConstantPool \"3\"", "  Push c:0", "  ToNumber", "  Pop"}},
      {"String(4);", {"  Push 4", "  ToString", "  Pop"}},
      {"getTimer();", {"  GetTime", "  Pop"}},
      {"duplicateMovieClip(\"a\", \"b\", 3);", {"  ConstantPool \"a\", \"b\"", "  Push c:0, c:1, 3", "  CloneSprite"}},
      {"removeMovieClip(\"b\");", {"  ConstantPool \"b\"", "  Push c:0", "  RemoveSprite"}},
      {"play();", {"  Play"}},
      {"stop();", {"  Stop"}},
      {"nextFrame();", {"  NextFrame"}},
      {"prevFrame();", {"  PreviousFrame"}},
      {"stopAllSounds();", {"  StopSounds"}},
      {"set(\"v\", 5);", {"  ConstantPool \"v\"", "  Push c:0, 5", "  SetVariable"}},
      {"trace(\"x\");", {"  ConstantPool \"x\"", "  Push c:0", "  Trace"}},
      {"startDrag(\"t\");", {"  ConstantPool \"t\"", "  Push 0, 0, c:0", "  StartDrag"}},
      {"startDrag(\"t\", true);", {"  ConstantPool \"t\"", "  Push 0, true, c:0", "  StartDrag"}},
      {"startDrag(\"t\", false, 1, 2, 3, 4);",
       {"  ConstantPool \"t\"", "  Push 1, 2, 3, 4, 1, false, c:0", "  StartDrag"}},
      {"getProperty(\"_root\", _x);", {"  ConstantPool \"_root\"", "  Push c:0, 0", "  GetProperty", "  Pop"}},
      {"setProperty(\"_root\", _alpha, 50);", {"  ConstantPool \"_root\"", "  Push c:0, 6, 50", "  SetProperty"}},
      {"getURL(\"u\");", {"  ConstantPool \"u\"", "  Push c:0, \"\"", "  GetURL2 method=none"}},
      {"getURL(\"u\", \"_blank\");", {"  ConstantPool \"u\", \"_blank\"", "  Push c:0, c:1", "  GetURL2 method=none"}},
      {"getURL(\"u\", \"_self\", \"GET\");",
       {"  ConstantPool \"u\", \"_self\"", "  Push c:0, c:1", "  GetURL2 method=GET"}},
      {"getURL(\"u\", \"_self\", \"post\");",
       {"  ConstantPool \"u\", \"_self\"", "  Push c:0, c:1", "  GetURL2 method=POST"}},
      {"loadMovie(\"m.swf\", \"t\");",
       {"  ConstantPool \"m.swf\", \"t\"", "  Push c:0, c:1", "  GetURL2 method=none target"}},
      {"loadMovie(\"m.swf\", \"t\", \"get\");",
       {"  ConstantPool \"m.swf\", \"t\"", "  Push c:0, c:1", "  GetURL2 method=GET target"}},
      {"loadMovieNum(\"m.swf\", 3);",
       {"  ConstantPool \"m.swf\"", "  Push c:0, \"_level3\"", "  GetURL2 method=none target"}},
      {"loadMovieNum(\"m.swf\", 2.7, \"POST\");",
       {"  ConstantPool \"m.swf\"", "  Push c:0, \"_level2\"", "  GetURL2 method=POST target"}},
      {"loadVariables(\"v.txt\", \"t\");",
       {"  ConstantPool \"v.txt\", \"t\"", "  Push c:0, c:1", "  GetURL2 method=none target variables"}},
      {"loadVariables(\"v.txt\", \"t\", \"GeT\");",
       {"  ConstantPool \"v.txt\", \"t\"", "  Push c:0, c:1", "  GetURL2 method=GET target variables"}},
      {"loadVariablesNum(\"v.txt\", 1);",
       {"  ConstantPool \"v.txt\"", "  Push c:0, \"_level1\"", "  GetURL2 method=none target variables"}},
      {"loadVariablesNum(\"v.txt\", 0, \"x\");",
       {"  ConstantPool \"v.txt\"", "  Push c:0, \"_level0\"", "  GetURL2 method=POST target variables"}},
      {"unloadMovie(\"t\");", {"  ConstantPool \"t\"", "  Push \"\", c:0", "  GetURL2 method=none target"}},
      {"unloadMovieNum(4);", {"  Push \"\", \"_level4\"", "  GetURL2 method=none target"}},
      {"fscommand(\"quit\", \"true\");", {"  GetUrl \"FSCommand:quit\", \"true\""}},
      {"fscommand(\"quit\");", {"  GetUrl \"FSCommand:quit\", \"\""}},
      {"fscommand(\"a\", b);",
       {"  ConstantPool \"a\", \"b\"", "  Push \"FSCommand:\", c:0", "  StringAdd", "  Push c:1", "  GetVariable",
        "  GetURL2 method=none"}},
      {"x = targetPath(mc);", {"  ConstantPool \"x\", \"mc\"", "  Push c:0, c:1", "  GetVariable", "  TargetPath", "  SetVariable"}},
      {"x = String();", {"  ConstantPool \"x\", \"String\"", "  Push c:0, 0, c:1", "  CallFunction", "  SetVariable"}},
      {"x = Number(1, 2);", {"  ConstantPool \"x\", \"Number\"", "  Push c:0, 2, 1, 2, c:1", "  CallFunction", "  SetVariable"}},
      {"print(mc, \"bframe\");", {"  ConstantPool \"mc\"", "  Push \"print:#bframe\", c:0", "  GetVariable", "  GetURL2 method=none"}},
      {"printAsBitmapNum(2, \"bmax\");", {"  Push \"printasbitmap:#bmax\", \"_level2\"", "  GetURL2 method=none"}},
      {"fscommand2(\"a\", 1, 2);", {"  ConstantPool \"a\"", "  Push 2, 1, c:0, 3", "  FSCommand2", "  Pop"}},
      {"gotoAndPlay(3);", {"  Push 3", "  GotoFrame2 play"}},
      {"gotoAndStop(\"lbl\");", {"  ConstantPool \"lbl\"", "  Push c:0", "  GotoFrame2 stop"}},
      {"gotoAndPlay(\"scene\", 2);", {"  Push 2", "  GotoFrame2 play"}},
      {"x = TRACE(2);", {"  ConstantPool \"x\"", "  Push c:0, 2", "  Trace", "  Push undefined", "  SetVariable"}},
      {"x = mbChr(67);", {"  ConstantPool \"x\"", "  Push c:0, 67", "  MBAsciiToChar", "  SetVariable"}},
  };
  for (const auto& [script, lines] : cases) EXPECT_EQ(Compiled(script), Join(lines)) << script;
}

TEST(CodeGeneratorBuiltIns, ArgumentRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"stop(1);", "Invalid parameters count in \"stop\" in line 1\nRequires 0 parameters, actual - 1."},
      {"substring(\"a\");", "Invalid parameters count in \"substring\" in line 1\nRequires 3 parameters, actual - 1."},
      {"startDrag(\"t\", 1, 2);",
       "Invalid parameters list in \"startDrag\" in line 1\n\"startDrag\" requires 1 (target), 2 (target+lock) or 6 "
       "(target+lock+constraint) parameters"},
      {"getProperty(\"_root\", \"_x\");", "Invalid parameters list in \"getProperty\" in line 1"},
      {"getProperty(\"_root\", _nothing);", "Invalid property name in \"getProperty\" in line 1"},
      {"setProperty(\"_root\", 3, 1);", "Invalid parameters list in \"setProperty\" in line 1"},
      {"getURL();", "Invalid parameters list in \"getUrl\" in line 1\n\"getUrl\" requires 1, 2 or 3 parameters"},
      {"getURL(\"u\", \"t\", m);", "Invalid parameters 3 in \"getUrl\" in line 1"},
      {"loadMovie(\"u\");",
       "Invalid parameters list in \"loadMovie\" in line 1\n\"loadMovie\" requires 2 or 3 parameters"},
      {"loadMovie(\"u\", \"t\", m);", "Invalid parameters 3 in \"loadMovie\" in line 1"},
      {"loadMovieNum(\"u\", n);", "Invalid parameters 2 in \"loadMovieNum\" in line 1"},
      {"loadVariables(\"u\");",
       "Invalid parameters list in \"loadVariables\" in line 1\n\"loadVariables\" requires 2 or 3 parameters"},
      {"loadVariables(\"u\", \"t\", m);", "Invalid parameters 3 in \"loadVariables\" in line 1"},
      {"loadVariablesNum(\"u\", n);", "Invalid parameters 2 in \"loadVariablesNum\" in line 1"},
      {"unloadMovieNum(n);", "Invalid parameters 1 in \"unloadMovieNum\" in line 1"},
      {"unloadMovie();", "Invalid parameters count in \"unloadMovie\" in line 1\nRequires 1 parameters, actual - 0."},
      {"fscommand();",
       "Invalid parameters list in \"fscommand\" in line 1\n\"fscommand\" requires 1 (command) or 2 "
       "(command+parameters) parameters"},
      {"print(mc, \"bpage\");",
       "Invalid parameters 2 in \"print\" in line 1\nThe bounding box is \"bmovie\", \"bframe\" or \"bmax\"."},
      {"printNum(n, \"bmax\");", "Invalid parameters 1 in \"printNum\" in line 1"},
      {"fscommand2();", "Invalid parameters list in \"fscommand2\" in line 1\n"},
      {"gotoAndPlay();",
       "Invalid parameters list in \"gotoAndPlay\" in line 1\n\"gotoAndPlay\" requires 1 (frame) or 2 (scene+frame) "
       "parameters"},
      {"GotoAndStop(1, 2, 3);",
       "Invalid parameters list in \"GotoAndStop\" in line 1\n\"GotoAndStop\" requires 1 (frame) or 2 (scene+frame) "
       "parameters"},
      {"loadMovieNum(\"u\", 1e12);", "Invalid parameters 2 in \"loadMovieNum\" in line 1"},
  };
  for (const auto& [script, message] : cases) EXPECT_EQ(CompileError(script), message) << script;
}

TEST(CodeGeneratorStatements, LocalsUsedByNestedFunctionsStayNamedWhateverTheOrder) {
  const std::string code = Compiled("function f() { var g = function () { return t; }; var t = 1; return g; }");
  EXPECT_NE(code.find("  Push c:1, 1\n  DefineLocal"), std::string::npos) << code;
  // Without a nested use the local goes to a register.
  const std::string plain = Compiled("function f() { var t = 1; return t; }");
  EXPECT_NE(plain.find("StoreRegister r:1"), std::string::npos) << plain;
}

// Inside `with` the object's members come before the function's locals, so the locals of a
// function that has a `with` are kept by name, not in registers.
TEST(CodeGeneratorStatements, AFunctionWithAWithKeepsItsLocalsByName) {
  const std::string with = Compiled("function f(o, p) { var a = 1; with (o) { trace(a + p); } }");
  EXPECT_NE(with.find("(r:0=o, r:0=p) registers=1"), std::string::npos) << with;
  EXPECT_EQ(with.find("StoreRegister"), std::string::npos) << with;
  const std::string nested = Compiled("function f(o) { var a = 1; g = function () { with (o) {} }; return a; }");
  EXPECT_NE(nested.find("StoreRegister"), std::string::npos) << nested;
}

// A function declared in a function is defined first, by name (a local of the function).
TEST(CodeGeneratorStatements, NestedFunctionDeclarationsComeFirstAndStayNamed) {
  const std::string code = Compiled("function f() { var x = g(); function g() { return 1; } return x; }");
  const size_t inner = code.find("DefineFunction2 \"g\"");
  ASSERT_NE(inner, std::string::npos) << code;
  EXPECT_LT(inner, code.find("CallFunction")) << code;
}

TEST(CodeGeneratorStatements, FunctionsInsideTopLevelStatementsArePreparedToo) {
  // The same nested use, in a function expression of a top-level statement and of a loop
  // body: the local stays named in each.
  for (const std::string text : {"var f = function () { var g = function () { return t; }; var t = 1; return g; };",
                                 "while (a) { h = function () { var g = function () { return t; }; var t = 1; }; }"}) {
    const std::string code = Compiled(text);
    EXPECT_EQ(code.find("StoreRegister r:1"), std::string::npos) << code;
    EXPECT_NE(code.find("  DefineLocal"), std::string::npos) << code;
  }
  // Without the nested use the local of the function expression takes a register.
  const std::string plain = Compiled("var f = function () { var t = 1; return t; };");
  EXPECT_NE(plain.find("StoreRegister r:1"), std::string::npos) << plain;
}

TEST(CodeGeneratorStatements, ATopLevelForInCreatesItsVariableWhereItAssignsIt) {
  // No DefineLocal2 before the loop: it would put the name on the timeline being enumerated.
  for (const char* text : {"for (var k in _root) {}", "for (k in o) {}"}) {
    const std::string code = Compiled(text);
    EXPECT_EQ(code.find("DefineLocal"), std::string::npos) << code;
    EXPECT_NE(code.find("  StackSwap\n  SetVariable"), std::string::npos) << code;
  }
  // In a function the variable stays a local: a register, or a named local declared first.
  EXPECT_NE(Compiled("function f(o) { for (var k in o) {} }").find("StoreRegister r:2"), std::string::npos);
  const std::string named = Compiled("function f(o) { for (var k in o) { g = function () { return k; }; } }");
  EXPECT_NE(named.find("DefineLocal2"), std::string::npos) << named;
}

TEST(CodeGeneratorStatements, BareClipPropertiesInsideTellTargetAreTheTargetsProperties) {
  EXPECT_EQ(Compiled("tellTarget (\"kid\") { trace(_name); _x = 5; }"),
            Lines({"  ConstantPool \"kid\", \"\"", "  Push c:0", "  SetTarget2", "  Push \"\", 13", "  GetProperty",
                   "  Trace", "  Push \"\", 0, 5", "  SetProperty", "  Push c:1", "  SetTarget2"}));
  // A with-object, a function and a declared name keep the name a variable.
  for (const char* text : {"tellTarget (\"kid\") { with (o) { trace(_name); } }",
                           "tellTarget (\"kid\") { f = function () { return _name; }; }",
                           "function f() { var _name = 1; tellTarget (\"kid\") { trace(_name); } }",
                           "trace(_name);"}) {
    const std::string code = Compiled(text);
    EXPECT_EQ(code.find("GetProperty"), std::string::npos) << text << "\n" << code;
  }
  // getProperty names the property it reads.
  EXPECT_EQ(Compiled("tellTarget (\"kid\") { x = getProperty(\"\", _x); }"),
            Lines({"  ConstantPool \"kid\", \"x\", \"\"", "  Push c:0", "  SetTarget2", "  Push c:1, c:2, 0",
                   "  GetProperty", "  SetVariable", "  Push c:2", "  SetTarget2"}));
}

TEST(CodeGeneratorClasses, MovieClipSubclassesUseTheirOwnClipForBareNames) {
  const std::string code =
      Compiled("class Clip extends MovieClip { function f() { stop(); gotoAndStop(2); return _x + getDepth(); } }");
  EXPECT_EQ(code.find("  Stop"), std::string::npos) << code;
  EXPECT_EQ(code.find("GotoFrame2"), std::string::npos) << code;
  EXPECT_NE(code.find("Push 0, r:1, c:"), std::string::npos) << code;  // this.stop()
  EXPECT_NE(code.find("Push r:1, c:"), std::string::npos) << code;     // this._x
  // Outside a MovieClip subclass the built-in actions stay.
  const std::string plain = Compiled("class Plain { function f() { stop(); return _x; } }");
  EXPECT_NE(plain.find("  Stop"), std::string::npos) << plain;
}

TEST(CodeGeneratorClasses, IntrinsicClassesAreKnownWithoutAClassPath) {
  EXPECT_EQ(Compiled("import flash.geom.Point;\nvar p:Point = new Point(1, 2);"),
            Lines({"  ConstantPool \"p\", \"flash\", \"geom\", \"Point\"", "  Push c:0, 2, 1, 2, c:1", "  GetVariable",
                   "  Push c:2", "  GetMember", "  Push c:3", "  NewMethod", "  DefineLocal"}));
  EXPECT_EQ(CompileError("import flash.filters.*;\nimport flash.display.BitmapData;\nimport flash.geom.Nothing;"),
            "Class flash.geom.Nothing not found.");
  // Conversion functions stay calls; a cast to a player class stays a cast.
  for (const char* name : {"Boolean", "Array", "Object", "Date", "Function", "String", "Number"}) {
    const std::string code = Compiled(std::string("x = ") + name + "(1, 2);");
    EXPECT_NE(code.find("CallFunction"), std::string::npos) << code;
  }
  EXPECT_NE(Compiled("x = Boolean(1);").find("CallFunction"), std::string::npos);
  EXPECT_NE(Compiled("x = MovieClip(y);").find("CastOp"), std::string::npos);
  // A script's own lower-case names are no casts even though class names ignore case.
  EXPECT_EQ(Compiled("x = point(y);").find("CastOp"), std::string::npos);
}

TEST(CodeGeneratorStatements, ContinueInsideASwitchPopsTheSwitchValue) {
  EXPECT_EQ(Compiled("while (a) { switch (b) { case 1: continue; } }"),
            Lines({"  ConstantPool \"a\", \"b\"", ":", "  Push c:0", "  GetVariable", "  Not", "  If (unnamed label)",
                   "  Jump (unnamed label)", ":", "  Pop", "  Jump (unnamed label)", "  Jump (unnamed label)", ":", "  Push c:1",
                   "  GetVariable", "  PushDuplicate", "  Push 1", "  Equals2", "  If (unnamed label)", ":", "  Pop",
                   "  Jump (unnamed label)", ":"}));
}

TEST(CodeGeneratorStatements, AReturnDropsWhatSwitchesAndForInLoopsKeepOnTheStack) {
  // The caller shares the stack: a switch value left behind would join its expression.
  EXPECT_EQ(Compiled("function f(n) { switch (n) { case 1: return 2; } }"),
            Lines({"  DefineFunction2 \"f\" (r:1=n) registers=2 suppressSuper suppressArguments suppressThis until "
                   "(unnamed label)",
                   "  Jump (unnamed label)", ":", "  Pop", "  Push 2", "  Return", "  Jump (unnamed label)", ":",
                   "  Push r:1", "  PushDuplicate", "  Push 1", "  Equals2", "  If (unnamed label)", ":", "  Pop", ":"}));
  // Inside a for-in loop the names not handed out yet go, down to the null end mark; the
  // innermost switch value first.
  const std::string code = Compiled("function f(o) { for (var k in o) { switch (k) { case 1: return k; } } }");
  EXPECT_NE(code.find("  Pop\n:\n  Push null\n  Equals2\n  Not\n  If (unnamed label)\n  Push r:2\n  Return"),
            std::string::npos)
      << code;
  // Other loops keep nothing on the stack.
  EXPECT_NE(Compiled("function f() { while (1) { return 3; } }").find("  Not\n  If (unnamed label)\n  Push 3\n  Return"),
            std::string::npos);
}

TEST(CodeGeneratorStatements, BreakAndContinueOutsideLoopsAreErrors) {
  EXPECT_EQ(CompileError("break;"), "\"break\" is only possible inside a loop or a switch.");
  EXPECT_EQ(CompileError("switch (a) { case 1: continue; }"), "\"continue\" is only possible inside a loop.");
  EXPECT_EQ(CompileError("while (a) { f = function () { break; }; }"), "\"break\" is only possible inside a loop or a switch.");
}

TEST(CodeGeneratorStatements, WaitForFrameSkipsTheActionsFinallyWritten) {
  EXPECT_EQ(Compiled("ifFrameLoaded (5) { stop(); x = 1; }"),
            Lines({"  ConstantPool \"x\"", "  WaitForFrame 5, skip 3", "  Stop", "  Push c:0, 1", "  SetVariable", ":"}));
}

TEST(CodeGeneratorStatements, NamedFunctionsAreHoistedInSourceOrder) {
  const std::string code = Compiled("x = f(); function f() { return 1; } function f() { return 2; }");
  const size_t first = code.find("Push 1");
  const size_t second = code.find("Push 2");
  const size_t call = code.find("CallFunction");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, call);
  EXPECT_EQ(code.find("  ConstantPool"), 0u);
}

// Branch offsets and function sizes have 16 bits; code that needs more is a compile error
// naming the field, never a wrapped offset.
TEST(CodeGeneratorStatements, CodeThatDoesNotFitItsFieldsIsACompileError) {
  std::string body;
  for (int i = 0; i < 1800; ++i) body += "x = x + 1;\n";  // 18 bytes each
  EXPECT_NO_THROW(Compiled("if (c) {\n" + body + "}"));   // the If skips 32,400 bytes
  EXPECT_EQ(CompileError("if (c) {\n" + body + body + "}"),
            "The compiled code does not fit the SWF format: marker: branch offset 64800 does not fit its 16-bit field");
  EXPECT_EQ(CompileError("function f() {\n" + body + body + body + body + "}"),
            "The compiled code does not fit the SWF format: marker: function size 129600 does not fit its 16-bit field");
  // The error names the statement whose branch it is, not only the field.
  TCompileContext context;
  TSWFActionList list;
  try {
    context.CompileFrameScript("x = 1;\n  while (c) {\n" + body + body + "}", list);
    ADD_FAILURE() << "compiled";
  } catch (const EActionCompileError& e) {
    ASSERT_EQ(e.Diagnostics().size(), 1u);
    EXPECT_EQ(e.Diagnostics()[0].Line, 2);
    EXPECT_EQ(e.Diagnostics()[0].Column, 3);
  }
}

// Errors found while generating code carry the place of the construct that caused them.
TEST(CodeGeneratorStatements, ErrorsCarryThePlaceOfTheirConstruct) {
  TCompileContext context;
  TSWFActionList list;
  try {
    context.CompileFrameScript("a = 1;\nif (a) {\n  b = getProperty(c, _nope);\n}", list);
    ADD_FAILURE() << "compiled";
  } catch (const EActionCompileError& e) {
    EXPECT_STREQ(e.what(), "Invalid property name in \"getProperty\" in line 3");
    ASSERT_EQ(e.Diagnostics().size(), 1u);
    EXPECT_EQ(e.Diagnostics()[0].Line, 3);
    EXPECT_EQ(e.Diagnostics()[0].Column, 7);
    EXPECT_EQ(e.Diagnostics()[0].Message, e.what());
  }
}

TEST(CodeGeneratorStatements, ThePlayerSizesOfTryBlocks) {
  // Try: flags 5 (catch, finally), try size 2 (a Push of undefined... here: Push 1 = 8 bytes).
  const std::vector<uint8_t> bytes = Bytes("try { throw 1; } catch (e) { } finally { }");
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(bytes[0], 0x8F);
  EXPECT_EQ(bytes[3], 0x03);                 // catch and finally blocks
  EXPECT_EQ(bytes[4] | bytes[5] << 8, 9);    // Push 1 (8 bytes) and Throw
  EXPECT_EQ(bytes[6] | bytes[7] << 8, 0);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 0);
}

TEST(CodeGeneratorClasses, AClassSetsUpItsPrototype) {
  TCompileContext context;
  TSWFActionList script;
  std::vector<std::unique_ptr<TSWFActionList>> classes;
  context.OnClassScript = [&](TClassInfo&) -> TSWFActionList& { return *classes.emplace_back(std::make_unique<TSWFActionList>()); };
  context.CompileFrameScript("class P { var v = 1; function get x() { return v; } function P() {} }", script);
  const std::string code = Join(DisassembleActionList(script));
  EXPECT_NE(code.find("\"__get__x\""), std::string::npos) << code;
  EXPECT_NE(code.find("\"addProperty\""), std::string::npos) << code;
  EXPECT_NE(code.find("Push c:0\n  GetVariable\n  StoreRegister r:1"), std::string::npos) << code;  // _global
}

// What the code generator emits for each target version, and what it refuses.

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
      {"function f() { }", 4, "Functions are not available in SWF version 4 movies (line 1)"},
      {"f();", 4, "Function calls are not available in SWF version 4 movies (line 1)"},
      {"\nx = new Object();", 4, "new expressions are not available in SWF version 4 movies (line 2)"},
      {"o.x = 1;", 4, "Objects and member access with \".\" are not available in SWF version 4 movies (line 1)"},
      {"a = [1, 2];", 4, "Arrays are not available in SWF version 4 movies (line 1)"},
      {"a = {k: 1};", 4, "Objects are not available in SWF version 4 movies (line 1)"},
      {"with (a) { b = 1; }", 4, "with statements are not available in SWF version 4 movies (line 1)"},
      {"for (k in o) { }", 4, "for-in loops are not available in SWF version 4 movies (line 1)"},
      {"switch (a) { case 1: b = 2; }", 4, "switch statements are not available in SWF version 4 movies (line 1)"},
      {"a = typeof b;", 4, "typeof expressions are not available in SWF version 4 movies (line 1)"},
      {"delete a;", 4, "delete expressions are not available in SWF version 4 movies (line 1)"},
      {"a = b & c;", 4, "Bit operators are not available in SWF version 4 movies (line 1)"},
      {"a ^= 1;", 4, "Bit operators are not available in SWF version 4 movies (line 1)"},
      {"a %= 2;", 4, "%= assignments are not available in SWF version 4 movies (line 1)"},
      {"a = b = c;", 4, "Assignments used as values are not available in SWF version 4 movies (line 1)"},
      {"a = b++ % c;", 4, "Operands of % with side effects are not available in SWF version 4 movies (line 1)"},
      // Each operand of the emulated % is compiled twice: nested, the code would double per level.
      {"a = b % c % d;", 4, "Nested % operators are not available in SWF version 4 movies (line 1)"},
      {"a = Number(b);", 4, "\"Number\" calls are not available in SWF version 4 movies (line 1)"},
      {"a = b === c;", 5, "Strict equality operators (=== and !==) are not available in SWF version 5 movies (line 1)"},
      {"a = b instanceof c;", 5, "instanceof expressions are not available in SWF version 5 movies (line 1)"},
      {"for (k in f()) { }", 5, "for-in loops over anything but a variable name are not available in SWF version 5 movies (line 1)"},
      {"class K { var v; }", 5, "Classes are not available in SWF version 5 movies (line 1)"},
      {"interface K { }", 5, "Interfaces are not available in SWF version 5 movies (line 1)"},
      {"try { a = 1; } catch (e) { }", 6, "try/catch/finally statements are not available in SWF version 6 movies (line 1)"},
      {"throw 1;", 6, "throw statements are not available in SWF version 6 movies (line 1)"},
  };
  for (const TCase& c : cases) EXPECT_EQ(CompileError(c.Script, c.Version), c.Error) << c.Script;
  // What one version refuses the next one takes.
  EXPECT_EQ(CompileError("a = b === c;\nfor (k in f()) { }", 6), "no error");
  EXPECT_EQ(CompileError("try { a = 1; } catch (e) { throw e; }", 7), "no error");
}

}  // namespace
}  // namespace fc
