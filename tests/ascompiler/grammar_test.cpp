// The accepted language: one group of tests per grammar area, each with the wrong forms and
// the exact message and position they fail with.
#include <gtest/gtest.h>

#include "parse_helpers.h"

namespace fc {
namespace {

class GrammarTest : public ::testing::Test {
protected:
  std::string Parse(const std::string& text) { return testing::ParseToSexpr(context, text); }
  // The tree of one expression statement, without the Program and Comma around it.
  std::string Expr(const std::string& text) {
    const std::string tree = Parse(text + ";");
    const std::string prefix = "(Program (Comma [unused] ";
    if (tree.compare(0, prefix.size(), prefix) != 0) return tree;
    return tree.substr(prefix.size(), tree.size() - prefix.size() - 2);
  }
  TCompileContext context;
};

TEST_F(GrammarTest, BinaryOperatorsAssociateLeftByLevel) {
  EXPECT_EQ(Expr("a - b - c"), "(BinOp - (BinOp - Name a Name b) Name c)");
  EXPECT_EQ(Expr("a + b * c % d"), "(BinOp + Name a (BinOp % (BinOp * Name b Name c) Name d))");
  EXPECT_EQ(Expr("a < b == c < d"), "(BinOp == (BinOp < Name a Name b) (BinOp < Name c Name d))");
  EXPECT_EQ(Expr("a lt b == c"), "(BinOp == (BinOp lt Name a Name b) Name c)");
  EXPECT_EQ(Expr("a || b && c | d ^ e & f"),
            "(BinOp || Name a (BinOp && Name b (BinOp | Name c (BinOp ^ Name d (BinOp & Name e Name f)))))");
  EXPECT_EQ(Expr("a << b + c"), "(BinOp << Name a (BinOp + Name b Name c))");
  EXPECT_EQ(Expr("a >>> b < c"), "(BinOp < (BinOp >>> Name a Name b) Name c)");
  EXPECT_EQ(Expr("a instanceof b == c"), "(BinOp == (BinOp instanceof Name a Name b) Name c)");
  EXPECT_EQ(Expr("a add b eq c"), "(BinOp eq (BinOp add Name a Name b) Name c)");
  EXPECT_EQ(Expr("a and b or not c"), "(BinOp || (BinOp && Name a Name b) (UnOp ! Name c))");
  EXPECT_EQ(Expr("a === b !== c"), "(BinOp !== (BinOp === Name a Name b) Name c)");
  EXPECT_EQ(Expr("a <> b ne c"), "(BinOp ne (BinOp != Name a Name b) Name c)");
}

TEST_F(GrammarTest, GreaterAndLessOrEqualSwapTheirOperands) {
  EXPECT_EQ(Expr("a > b"), Expr("b < a"));
  EXPECT_EQ(Expr("a <= b"), Expr("b >= a"));
  EXPECT_EQ(Expr("a gt b"), "(BinOp lt Name b Name a)");
  EXPECT_EQ(Expr("a le b"), "(BinOp ge Name b Name a)");
  EXPECT_EQ(Expr("a ge b"), "(BinOp ge Name a Name b)");
}

TEST_F(GrammarTest, PrefixAndPostfixOperators) {
  EXPECT_EQ(Expr("-a * ~b"), "(BinOp * (UnOp - Name a) (UnOp ~ Name b))");
  EXPECT_EQ(Expr("!typeof void delete a.b"), "(UnOp ! (UnOp typeof (UnOp void (UnOp delete (Member .b Name a)))))");
  EXPECT_EQ(Expr("i++"), "(Assign ++ postfix Name i)");
  EXPECT_EQ(Expr("--i"), "(Assign -- prefix Name i)");
  EXPECT_EQ(Expr("-i--"), "(UnOp - (Assign -- postfix Name i))");
  EXPECT_EQ(Expr("a.b[c]++"), "(Assign ++ postfix (Member [] (Member .b Name a) (Comma Name c)))");
  EXPECT_EQ(Expr("++f()"), "ERROR: Parse Error in line: 1 pos: 7");
  EXPECT_EQ(Expr("1++"), "ERROR: Parse Error in line: 1 pos: 4");
}

TEST_F(GrammarTest, AssignmentIsRightAssociativeAndNeedsAnLvalue) {
  EXPECT_EQ(Expr("x = y = 3"), "(Assign = Name x (Assign = Name y Number 3))");
  EXPECT_EQ(Expr("x += y -= 1"), "(Assign += Name x (Assign -= Name y Number 1))");
  EXPECT_EQ(Expr("x >>>= 2"), "(Assign >>>= Name x Number 2)");
  EXPECT_EQ(Expr("eval(\"v\" + i) = 1"), "(Assign = (Eval (Comma (BinOp + String \"v\" Name i))) Number 1)");
  EXPECT_EQ(Expr("o[k] = a ? b : c"), "(Assign = (Member [] Name o (Comma Name k)) (If else Name a Name b Name c))");
  EXPECT_EQ(Expr("(x) = 1"), "ERROR: Parse Error in line: 1 pos: 9");
  EXPECT_EQ(Expr("x + y = 1"), "ERROR: Parse Error in line: 1 pos: 8");
}

TEST_F(GrammarTest, ConditionalBranchesAreAssignments) {
  EXPECT_EQ(Expr("a ? b : c ? d : e"), "(If else Name a Name b (If else Name c Name d Name e))");
  EXPECT_EQ(Expr("a ? b = 1 : c = 2"), "(If else Name a (Assign = Name b Number 1) (Assign = Name c Number 2))");
  EXPECT_EQ(Expr("a || b ? c : d"), "(If else (BinOp || Name a Name b) Name c Name d)");
}

TEST_F(GrammarTest, LiteralsAndLists) {
  EXPECT_EQ(Expr("[1, 'a', null, undefined, true, false]"),
            "(Array Number 1 String \"a\" null undefined true false)");
  EXPECT_EQ(Expr("x = {a: 1, b: 2.5}"), "(Assign = Name x (Object Number 1 String \"a\" Number 2.5 String \"b\"))");
  EXPECT_EQ(Expr("x = {}"), "(Assign = Name x Object)");
  EXPECT_EQ(Expr("x = []"), "(Assign = Name x Array)");
  EXPECT_EQ(Expr("a, b = 2, c"), "Name a (Assign = Name b Number 2) Name c");
  EXPECT_EQ(Expr("f(, a)"), "(Call f @1:0 (Args Name a))");
  EXPECT_EQ(Expr("[1, , 2]"), "ERROR: Parse Error in line: 1 pos: 6");
}

TEST_F(GrammarTest, CallsMembersAndNew) {
  EXPECT_EQ(Expr("f(1, 2)"), "(Call f @1:0 (Args Number 1 Number 2))");
  EXPECT_EQ(Expr("o.m().n"), "(Member .n (Call m @1:0 Name o Args))");
  EXPECT_EQ(Expr("a.b.c"), "(Member .c (Member .b Name a))");
  EXPECT_EQ(Expr("new Foo(1)"), "(New Foo @1:0 (Args Number 1))");
  EXPECT_EQ(Expr("new Foo"), "(New Foo @1:0 Args)");
  EXPECT_EQ(Expr("new a.b.C()"), "(New C @1:0 (Member .b Name a) Args)");
  EXPECT_EQ(Expr("(a, b).c"), "(Member .c (Comma Name a Name b))");
}

TEST_F(GrammarTest, TheFlash4WordOperatorsAreNamesAfterADot) {
  EXPECT_EQ(Expr("list.add(x)"), "(Call add @1:0 Name list (Args Name x))");
  EXPECT_EQ(Expr("a.and + b.not"), "(BinOp + (Member .and Name a) (Member .not Name b))");
  EXPECT_EQ(Expr("o = {eq: 1}"), "(Assign = Name o (Object Number 1 String \"eq\"))");
  EXPECT_EQ(Parse("class L { function add(x) {} }"), "(Program (Class L (Function L Params) (Members (Function add (Params Param x)))))");
  EXPECT_EQ(Expr("a.&&"), "ERROR: Parse Error in line: 1 pos: 5");
  EXPECT_EQ(Expr("a and b"), "(BinOp && Name a Name b)");
}

TEST_F(GrammarTest, CallsAndMembersOfAnyExpression) {
  EXPECT_EQ(Expr("f()()"), "(Call () @1:0 (Call f @1:0 Args) Args)");
  EXPECT_EQ(Expr("a[k](1)"), "(Call [] @1:0 Name a (Comma Name k) (Args Number 1))");
  EXPECT_EQ(Expr("(o.m)()"), "(Call m @1:0 Name o Args)");
  EXPECT_EQ(Expr("(a + b).m()"), "(Call m @1:0 (Comma (BinOp + Name a Name b)) Args)");
  EXPECT_EQ(Expr("'abc'.length"), "(Member .length String \"abc\")");
  EXPECT_EQ(Expr("f(1)[2].x"), "(Member .x (Member [] (Call f @1:0 (Args Number 1)) (Comma Number 2)))");
  // `new X(a).m()`: the arguments go to `new`, the call to the new object.
  EXPECT_EQ(Expr("new T(r).get(0)"), "(Call get @1:0 (New T @1:0 (Args Name r)) (Args Number 0))");
  EXPECT_EQ(Expr("new XML(s).firstChild"), "(Member .firstChild (New XML @1:0 (class XML) (Args Name s)))");
  EXPECT_EQ(Expr("new new F()()"), "(New () @1:0 (New F @1:4 Args) Args)");
  EXPECT_EQ(Expr("new a[k]"), "(New [] @1:0 Name a (Comma Name k) Args)");
}

TEST_F(GrammarTest, FunctionLiteralsStandWhereverAnExpressionMay) {
  EXPECT_EQ(Parse("x = function (a) { return a; }"),
            "(Program (Comma [unused] (Assign = Name x (Function (literal) (Params Param a) (Statements (Return (Comma Name a (declared))))))))");
  EXPECT_EQ(Parse("var f = function () {};"), "(Program (VarList (Var f (Function (literal) Params))))");
  EXPECT_EQ(Parse("var f = function () {}"), "(Program (VarList (Var f (Function (literal) Params))))");
  EXPECT_EQ(Parse("function () {};"), "(Program (Comma [unused] (Function (literal) Params)))");
  EXPECT_EQ(Parse("f(function () {});"), "(Program (Comma [unused] (Call f @1:0 (Args (Function (literal) Params)))))");
  EXPECT_EQ(Parse("x = 1 + function () {};"),
            "(Program (Comma [unused] (Assign = Name x (BinOp + Number 1 (Function (literal) Params)))))");
  EXPECT_EQ(Parse("o = {valueOf: function () { return 3; }};"),
            "(Program (Comma [unused] (Assign = Name o (Object (Function (literal) Params (Statements (Return "
            "(Comma Number 3)))) String \"valueOf\"))))");
  EXPECT_EQ(Parse("a = [function () {}, 1];"),
            "(Program (Comma [unused] (Assign = Name a (Array (Function (literal) Params) Number 1))))");
  EXPECT_EQ(Parse("(function (n) { return n; })(2);"),
            "(Program (Comma [unused] (Call () @1:0 (Function (literal) (Params Param n) (Statements (Return "
            "(Comma Name n (declared))))) (Args Number 2))))");
  EXPECT_EQ(Parse("var a = 1, f = function () {}, b;"),
            "(Program (VarList (Var a Number 1) (Var f (Function (literal) Params)) Var b))");
  EXPECT_EQ(Parse("function () {}, function () {};"),
            "(Program (Comma [unused] (Function (literal) Params) (Function (literal) Params)))");
}

TEST_F(GrammarTest, IfElseBindsToTheNearestIf) {
  EXPECT_EQ(Parse("if (a) if (b) x(); else y();"),
            "(Program (If (Comma Name a) (If else (Comma Name b) (Comma [unused] (Call x @1:14 Args)) "
            "(Comma [unused] (Call y @1:24 Args)))))");
}

TEST_F(GrammarTest, BlocksAndEmptyStatements) {
  EXPECT_EQ(Parse(";"), "(Program Empty)");
  EXPECT_EQ(Parse("{}"), "(Program Empty)");
  EXPECT_EQ(Parse("{ a; b; }"), "(Program (Statements (Comma [unused] Name a) (Comma [unused] Name b)))");
  // `{}` is a block before a token that could start a statement, else an object literal.
  EXPECT_EQ(Parse("{} - 1;"), "(Program Empty (Comma [unused] (UnOp - Number 1)))");
  EXPECT_EQ(Parse("{}.x = 1;"), "(Program (Comma [unused] (Assign = (Member .x Object) Number 1)))");
  EXPECT_EQ(Parse("//# note\n;"), "(Program Listing  note Empty)");
}

TEST_F(GrammarTest, VarStatements) {
  EXPECT_EQ(Parse("var a:Number = 1, b, c:String;"),
            "(Program (VarList (Var a:Number Number 1) Var b Var c:String))");
  EXPECT_EQ(Parse("var a"), "(Program (VarList Var a))");
  EXPECT_EQ(Parse("var a = ;"), "ERROR: Parse Error in line: 1 pos: 10");
}

TEST_F(GrammarTest, SwitchStatements) {
  EXPECT_EQ(Parse("switch (x) { case 1: a(); case 2: default: b(); break; }"),
            "(Program (Switch (Comma Name x) (Cases (Case (Comma Number 1) (Statements (Comma [unused] "
            "(Call a @1:21 Args)))) (Case (Comma Number 2)) (Default (Statements (Comma [unused] "
            "(Call b @1:43 Args)) Break)))))");
  EXPECT_EQ(Parse("switch (x) {}"), "(Program (Switch (Comma Name x)))");
  EXPECT_EQ(Parse("switch (x) { a(); }"), "ERROR: Parse Error in line: 1 pos: 15");
}

TEST_F(GrammarTest, Loops) {
  EXPECT_EQ(Parse("while (i < 3) i++;"),
            "(Program (While (Comma (BinOp < Name i Number 3)) (Comma [unused] (Assign ++ postfix Name i))))");
  EXPECT_EQ(Parse("do { x++; } while (c);"),
            "(Program (DoWhile (Comma Name c) (Statements (Comma [unused] (Assign ++ postfix Name x)))))");
  EXPECT_EQ(Parse("do x++; while (c);"), "ERROR: Parse Error in line: 1 pos: 5");
  EXPECT_EQ(Parse("do { x++; } while (c) x();"), "ERROR: Parse Error in line: 1 pos: 24");
  EXPECT_EQ(Parse("for (var i = 0; i < n; i++) {}"),
            "(Program (For (VarList (Var i Number 0)) (Comma (BinOp < Name i (declared) Name n)) "
            "(Comma [unused] (Assign ++ postfix Name i (declared))) Empty))");
  EXPECT_EQ(Parse("for (;;) break;"), "(Program (For Break))");
  EXPECT_EQ(Parse("for (i = 0, j = 1; ; ) continue;"),
            "(Program (For (Comma [unused] (Assign = Name i Number 0) (Assign = Name j Number 1)) Continue))");
  EXPECT_EQ(Parse("for (k in o) ;"), "(Program (ForIn k Name o Empty))");
  EXPECT_EQ(Parse("for (var k:String in o.p) ;"), "(Program (ForIn k (Member .p Name o) Empty))");
  EXPECT_EQ(Parse("for (k in a + b) ;"), "(Program (ForIn k (BinOp + Name a Name b) Empty))");
}

TEST_F(GrammarTest, JumpsWithTellTargetAndIfFrameLoaded) {
  EXPECT_EQ(Parse("return;"), "(Program Return)");
  EXPECT_EQ(Parse("return a, b;"), "(Program (Return (Comma Name a Name b)))");
  EXPECT_EQ(Parse("break"), "(Program Break)");
  EXPECT_EQ(Parse("with (o.p) x = 1;"),
            "(Program (With (Member .p Name o) (Comma [unused] (Assign = Name x Number 1))))");
  EXPECT_EQ(Parse("with (a + b) ;"), "(Program (With (BinOp + Name a Name b) Empty))");
  EXPECT_EQ(Parse("tellTarget (\"/clip\") play();"),
            "(Program (TellTarget (Comma String \"/clip\") (Comma [unused] (Call play @1:21 Args))))");
  EXPECT_EQ(Parse("ifFrameLoaded (5) gotoAndStop(2);"),
            "(Program (IfFrameLoaded 5 (Comma [unused] (Call gotoAndStop @1:18 (Args Number 2)))))");
  EXPECT_EQ(Parse("ifFrameLoaded (\"s\", 5) ;"), "ERROR: Parse Error in line: 1 pos: 19");
  EXPECT_EQ(Parse("throw new Error(\"x\");"), "(Program (Throw (Comma (New Error @1:6 (class Error) (Args String \"x\")))))");
}

TEST_F(GrammarTest, TryCatchFinally) {
  EXPECT_EQ(Parse("try { a(); } catch (e:Error) { b(); } finally { c(); }"),
            "(Program (Try finally (Statements (Comma [unused] (Call a @1:6 Args))) (Catch e:Error (Statements "
            "(Comma [unused] (Call b @1:31 Args)))) (Statements (Comma [unused] (Call c @1:48 Args)))))");
  EXPECT_EQ(Parse("try a(); catch (e) {}"), "(Program (Try (Comma [unused] (Call a @1:4 Args)) Catch e))");
  EXPECT_EQ(Parse("try {} finally {}"), "(Program (Try finally Empty Statements))");
  EXPECT_EQ(Parse("try {} catch (e) b();"), "ERROR: Parse Error in line: 1 pos: 19");
  EXPECT_EQ(Parse("try {}"), "ERROR: Parse Error in line: 1 pos: 7");
}

TEST_F(GrammarTest, FunctionDeclarations) {
  EXPECT_EQ(Parse("function f(a:Number, b):String { return a; }"),
            "(Program (Function f:String (Params Param a:Number Param b) (Statements (Return (Comma Name a (declared))))))");
  EXPECT_EQ(Parse("function f() {}"), "(Program (Function f Params))");
  // A function declared inside a function is a local of it.
  EXPECT_EQ(Parse("function f() { function g() {} }"), "(Program (Function f Params (Statements (Function g Params))))");
  EXPECT_EQ(Parse("function f() { var g = function () {}; }"),
            "(Program (Function f Params (Statements (VarList (Var g (Function (literal) Params))))))");
  EXPECT_EQ(Parse("if (a) function f() {}"), "(Program (If (Comma Name a) (Function f Params)))");
}

TEST_F(GrammarTest, ClassesWithMembersConstructorsAndAccessors) {
  EXPECT_EQ(Parse("class A { var x:Number = 1; static private var n; function A(v) { x = v; } "
                  "public function get y():Number { return x; } function set y(v) {} static function s() {} }"),
            "(Program (Class A (Function A (Params Param v) (Statements (Comma [unused] (Assign = Name x "
            "(declared) Name v (declared))))) (Members (VarList (Var x:Number Number 1)) (VarList static Var n "
            "static private) (Getter y:Number public Params (Statements (Return (Comma Name x (declared))))) "
            "(Setter y (Params Param v)) (Function s static Params))))");
  EXPECT_EQ(Parse("class A { function f() {} }"), "(Program (Class A (Function A Params) (Members (Function f Params))))");
  EXPECT_EQ(Parse("class A { var a; ; var b; }"), "(Program (Class A (Function A Params) (Members (VarList Var a) (VarList Var b))))");
}

TEST_F(GrammarTest, ClassBodyForms) {
  // As the authoring tools take them: no member at all, semicolons after members.
  EXPECT_EQ(Parse("class A {}"), "(Program (Class A (Function A Params) Members))");
  EXPECT_EQ(Parse("class A { function f() {}; }"), "(Program (Class A (Function A Params) (Members (Function f Params))))");
  EXPECT_EQ(Parse("class A { ; var a; }"), "(Program (Class A (Function A Params) (Members (VarList Var a))))");
  EXPECT_EQ(Parse("dynamic class A { }"), "(Program (Class A (Function A Params) Members))");
  EXPECT_EQ(Parse("intrinsic class A { function f():Void; }"), "ERROR: Parse Error in line: 1 pos: 39");
  EXPECT_EQ(Parse("static class A { }"), "ERROR: Parse Error in line: 1 pos: 7");
  EXPECT_EQ(Parse("magic class A { }"), "ERROR: Parse Error in line: 1 pos: 18");
  EXPECT_EQ(Parse("class A { a = 1; }"), "ERROR: Parse Error in line: 1 pos: 12");
  EXPECT_EQ(Parse("function f() { class A { var a; } }"), "ERROR: Parse Error in line: 1 pos: 21");
}

TEST_F(GrammarTest, Interfaces) {
  EXPECT_EQ(Parse("interface I { function f(a:Number):Void; function g(); }"), "(Program Interface I)");
  EXPECT_EQ(Parse("interface I {}"), "(Program Interface I)");
  EXPECT_EQ(Parse("interface I { function f() {} }"), "ERROR: Parse Error in line: 1 pos: 29");
  EXPECT_EQ(Parse("interface I { var a; }"), "ERROR: Parse Error in line: 1 pos: 18");
  EXPECT_EQ(Parse("interface I {} interface J extends I {} class C implements I, J { var a; }"),
            "(Program Interface I Interface J extends I (Class C Implements I J (Function C Params) (Members (VarList Var a))))");
}

TEST_F(GrammarTest, EventHandlers) {
  EXPECT_EQ(Parse("on (press, release) { play(); }"),
            "(Program (Handler Events on(press,release) @1 (Comma [unused] (Call play @1:22 Args))))");
  EXPECT_EQ(Parse("onClipEvent (enterFrame) { function f() {} }"),
            "(Program (Handler Events onClipEvent(enterFrame) @1 (Function f Params)))");
  EXPECT_EQ(Parse("on (keyPress \"<Enter>\") { x = 1; }"),
            "(Program (Handler Events key(keyPress \"<Enter>\") @1 (Comma [unused] (Assign = Name x Number 1))))");
  EXPECT_EQ(Parse("onClipEvent (keyDown(\"a\"), load) {;}"), "(Program (Handler Events key(keyDown \"a\",load) @1 Empty))");
  EXPECT_EQ(Parse("on () {}"), "ERROR: Parse Error in line: 1 pos: 6");
  EXPECT_EQ(Parse("on (press) {}"), "ERROR: Parse Error in line: 1 pos: 14");
  EXPECT_EQ(Parse("function f() { on (press) { } }"), "ERROR: Parse Error in line: 1 pos: 18");
}

TEST_F(GrammarTest, EventNamesAreCheckedAtOnce) {
  EXPECT_EQ(Parse("x = 1;\non (press, enterFrame) { ; }"), "ERROR: Unknown button event: enterFrame in line 2");
  EXPECT_EQ(Parse("onClipEvent (Load) { ; }"), "ERROR: Unknown clip event: Load in line 1");
  EXPECT_EQ(Parse("onClipEvent (keyPress) { ; }"), "ERROR: Parse Error in line: 1 pos: 22");
}

TEST_F(GrammarTest, ImportsNeedKnownClasses) {
  EXPECT_EQ(Parse("import a.b.C;"), "ERROR: Class a.b.C not found.");
  EXPECT_EQ(Parse("import a.b.*"), "(Program Import a.b.*)");
  EXPECT_EQ(Parse("import a.b.*;"), "(Program Import a.b.*)");
}

TEST_F(GrammarTest, ScriptsNeedAtLeastOneElement) {
  EXPECT_EQ(Parse(""), "ERROR: Parse Error in line: 1 pos: 1");
  EXPECT_EQ(Parse("// only a comment\n  /* and this */ "), "ERROR: Parse Error in line: 2 pos: 18");
  EXPECT_EQ(Parse("x = 019;"), "ERROR: Parse Error in line: 1 pos: 8");
  EXPECT_EQ(Parse("x = 1;\ny = @;"), "ERROR: Parse Error in line: 2 pos: 6");
  EXPECT_EQ(Parse("x = 1 // last line without newline"), "(Program (Comma [unused] (Assign = Name x Number 1)))");
  EXPECT_EQ(Parse("x = 1; // last line without newline"), "(Program (Comma [unused] (Assign = Name x Number 1)))");
}

// A line end stands for a semicolon where the statement could not go on.
TEST_F(GrammarTest, ALineEndEndsAStatementThatCannotGoOn) {
  EXPECT_EQ(Parse("a = 1\nb = 2\n"),
            "(Program (Comma [unused] (Assign = Name a Number 1)) (Comma [unused] (Assign = Name b Number 2)))");
  EXPECT_EQ(Parse("a = b\n(c)\n"), "(Program (Comma [unused] (Assign = Name a (Call b @1:4 (Args Name c)))))");
  EXPECT_EQ(Parse("a = 1 +\n 2"), "(Program (Comma [unused] (Assign = Name a (BinOp + Number 1 Number 2))))");
  EXPECT_EQ(Parse("{ f() }"), "(Program (Statements (Comma [unused] (Call f @1:2 Args))))");
  EXPECT_EQ(Parse("x = function () {} y = 2;"),
            "(Program (Comma [unused] (Assign = Name x (Function (literal) Params))) (Comma [unused] (Assign = "
            "Name y Number 2)))");
  EXPECT_EQ(Parse("a = 1 b = 2"), "ERROR: Parse Error in line: 1 pos: 8");
  // After return, break and continue the line end always ends the statement; before ++ too.
  EXPECT_EQ(Parse("function f() { return\n1 }"), "(Program (Function f Params (Statements Return (Comma [unused] Number 1))))");
  EXPECT_EQ(Parse("a\n++b"), "(Program (Comma [unused] Name a) (Comma [unused] (Assign ++ prefix Name b)))");
  // Never an empty statement: an empty text, and `if (a)` on a line of its own, stay errors.
  EXPECT_EQ(Parse("\n"), "ERROR: Parse Error in line: 2 pos: 1");
  EXPECT_EQ(Parse("if (a)\nelse b();"), "ERROR: Parse Error in line: 2 pos: 5");
  EXPECT_EQ(Parse("for (i = 0\ni < 2\ni++) ;"), "ERROR: Parse Error in line: 2 pos: 2");
}

// The messages a user reads: every error of a text (up to 20) with its place and what the
// parser expected.
class ParseDiagnosticsTest : public ::testing::Test {
protected:
  std::vector<TCompileDiagnostic> Errors(const std::string& text) {
    try {
      std::unique_ptr<TCompileUnit> unit = context.ParseUnit(text);
      context.ForgetUnit(*unit);
    } catch (const EActionCompileError& e) {
      message = e.what();
      return e.Diagnostics();
    }
    return {};
  }
  std::string Line(const TCompileDiagnostic& d) {
    return Format("%d:%d: %s", d.Line, d.Column, d.Message.c_str());
  }
  TCompileContext context;
  std::string message;
};

TEST_F(ParseDiagnosticsTest, SaysWhatWasExpectedAndWhere) {
  auto errors = Errors("x = 1;\nf(a b);\n");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Line(errors[0]), "2:5: syntax error: unexpected name 'b', expected ')' or ',' after the arguments");
  EXPECT_EQ(message, "Parse Error in line: 2 pos: 6");  // the text a movie records stays as it was
  errors = Errors("function f(a, {) {}");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Line(errors[0]), "1:15: syntax error: unexpected '{', expected a name");
  errors = Errors("x = (1 + 2;");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Line(errors[0]), "1:11: syntax error: unexpected ';', expected ')' or ',' after the expression");
  errors = Errors("x = \xE9;");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Line(errors[0]), "1:5: syntax error: unexpected character 0xE9, expected an expression");
  errors = Errors("x = ;");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Line(errors[0]), "1:5: syntax error: unexpected ';', expected an expression");
  errors = Errors("a.b() = 1;");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(Line(errors[0]), "1:1: syntax error: cannot assign to this expression");
}

TEST_F(ParseDiagnosticsTest, GoesOnAtTheNextStatementUpToTwentyErrors) {
  auto errors = Errors("a = ;\nb = 2;\nc = );\nfunction f() { d = ]; }\n");
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].Line, 1);
  EXPECT_EQ(errors[1].Line, 3);
  EXPECT_EQ(errors[2].Line, 4);
  EXPECT_EQ(message, "Parse Error in line: 1 pos: 6");
  std::string many;
  for (int i = 0; i < 30; ++i) many += "x = ;\n";
  EXPECT_EQ(Errors(many).size(), 20u);
  // An error an action raises ends the parse; the syntax errors before it are kept.
  errors = Errors("a = ;\nimport no.Such;\n");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[1].Message, "Class no.Such not found.");
  EXPECT_EQ(errors[1].Line, 2);
}

}  // namespace
}  // namespace fc
