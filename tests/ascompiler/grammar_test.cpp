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
  EXPECT_EQ(Expr("(x) = 1"), "ERROR: Parse Error in line: 1 pos: 6");
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
  EXPECT_EQ(Expr("f(, a)"), "(Call f @1:2 (Args Name a))");
  EXPECT_EQ(Expr("[1, , 2]"), "ERROR: Parse Error in line: 1 pos: 6");
}

TEST_F(GrammarTest, CallsMembersAndNew) {
  EXPECT_EQ(Expr("f(1, 2)"), "(Call f @1:2 (Args Number 1 Number 2))");
  EXPECT_EQ(Expr("o.m().n"), "(Member .n (Call m @1:4 Name o Args))");
  EXPECT_EQ(Expr("a.b.c"), "(Member .c (Member .b Name a))");
  EXPECT_EQ(Expr("f()()"), "ERROR: Parse Error in line: 1 pos: 5");
  EXPECT_EQ(Expr("new Foo(1)"), "(New Foo @1:8 (Args Number 1))");
  EXPECT_EQ(Expr("new Foo"), "(New Foo @1:8 Args)");
  EXPECT_EQ(Expr("new a.b.C()"), "(New C @1:10 (Member .b Name a) Args)");
  EXPECT_EQ(Expr("(a, b).c"), "(Member .c (Comma Name a Name b))");
}

TEST_F(GrammarTest, FunctionLiteralsOnlyWhereTheGrammarAllowsThem) {
  EXPECT_EQ(Parse("x = function (a) { return a; }"),
            "(Program (Assign = [unused] Name x (Function (literal) (Params Param a) (Statements (Return (Comma Name a (declared)))))))");
  EXPECT_EQ(Parse("var f = function () {};"), "(Program (VarList (Var f (Function (literal) Params))) Empty)");
  EXPECT_EQ(Parse("function () {};"), "(Program (Function (literal) [unused] Params))");
  EXPECT_EQ(Parse("f(function () {});"), "ERROR: Parse Error in line: 1 pos: 11");
  EXPECT_EQ(Parse("x = 1 + function () {};"), "ERROR: Parse Error in line: 1 pos: 17");
  EXPECT_EQ(Parse("var a = 1, f = function () {}, b;"),
            "(Program (VarList (Var a Number 1) (Var f (Function (literal) Params)) Var b))");
}

TEST_F(GrammarTest, ACommaAfterAFunctionLiteralIsAParseError) {
  EXPECT_EQ(Parse("function () {}, 1;"), "ERROR: Parse Error in line: 1 pos: 19");
  EXPECT_EQ(Parse("function () {}, function () {};"), "ERROR: Parse Error in line: 1 pos: 31");
  EXPECT_EQ(Parse("1, function () {};"), "(Program (Comma [unused] Number 1 (Function (literal) Params)))");
}

TEST_F(GrammarTest, IfElseBindsToTheNearestIf) {
  EXPECT_EQ(Parse("if (a) if (b) x(); else y();"),
            "(Program (If (Comma Name a) (If else (Comma Name b) (Comma [unused] (Call x @1:16 Args)) "
            "(Comma [unused] (Call y @1:26 Args)))))");
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
  EXPECT_EQ(Parse("var a"), "ERROR: Parse Error in line: 1 pos: 6");
  EXPECT_EQ(Parse("var a = ;"), "ERROR: Parse Error in line: 1 pos: 10");
}

TEST_F(GrammarTest, SwitchStatements) {
  EXPECT_EQ(Parse("switch (x) { case 1: a(); case 2: default: b(); break; }"),
            "(Program (Switch (Comma Name x) (Cases (Case (Comma Number 1) (Statements (Comma [unused] "
            "(Call a @1:23 Args)))) (Case (Comma Number 2)) (Default (Statements (Comma [unused] "
            "(Call b @1:45 Args)) Break)))))");
  EXPECT_EQ(Parse("switch (x) {}"), "(Program (Switch (Comma Name x)))");
  EXPECT_EQ(Parse("switch (x) { a(); }"), "ERROR: Parse Error in line: 1 pos: 15");
}

TEST_F(GrammarTest, Loops) {
  EXPECT_EQ(Parse("while (i < 3) i++;"),
            "(Program (While (Comma (BinOp < Name i Number 3)) (Comma [unused] (Assign ++ postfix Name i))))");
  EXPECT_EQ(Parse("do { x++; } while (c);"),
            "(Program (DoWhile (Comma Name c) (Statements (Comma [unused] (Assign ++ postfix Name x)))))");
  EXPECT_EQ(Parse("do x++; while (c);"), "ERROR: Parse Error in line: 1 pos: 5");
  EXPECT_EQ(Parse("do { x++; } while (c)"), "ERROR: Parse Error in line: 1 pos: 22");
  EXPECT_EQ(Parse("for (var i = 0; i < n; i++) {}"),
            "(Program (For (VarList (Var i Number 0)) (Comma (BinOp < Name i (declared) Name n)) "
            "(Comma [unused] (Assign ++ postfix Name i (declared))) Empty))");
  EXPECT_EQ(Parse("for (;;) break;"), "(Program (For Break))");
  EXPECT_EQ(Parse("for (i = 0, j = 1; ; ) continue;"),
            "(Program (For (Comma [unused] (Assign = Name i Number 0) (Assign = Name j Number 1)) Continue))");
  EXPECT_EQ(Parse("for (k in o) ;"), "(Program (ForIn k Name o Empty))");
  EXPECT_EQ(Parse("for (var k in o.p) ;"), "(Program (ForIn k (Member .p Name o) Empty))");
  EXPECT_EQ(Parse("for (k in a + b) ;"), "ERROR: Parse Error in line: 1 pos: 14");
}

TEST_F(GrammarTest, JumpsWithTellTargetAndIfFrameLoaded) {
  EXPECT_EQ(Parse("return;"), "(Program Return)");
  EXPECT_EQ(Parse("return a, b;"), "(Program (Return (Comma Name a Name b)))");
  EXPECT_EQ(Parse("break"), "ERROR: Parse Error in line: 1 pos: 6");
  EXPECT_EQ(Parse("with (o.p) x = 1;"),
            "(Program (With (Member .p Name o) (Comma [unused] (Assign = Name x Number 1))))");
  EXPECT_EQ(Parse("with (a + b) ;"), "ERROR: Parse Error in line: 1 pos: 10");
  EXPECT_EQ(Parse("tellTarget (\"/clip\") play();"),
            "(Program (TellTarget (Comma String \"/clip\") (Comma [unused] (Call play @1:26 Args))))");
  EXPECT_EQ(Parse("ifFrameLoaded (5) gotoAndStop(2);"),
            "(Program (IfFrameLoaded 5 (Comma [unused] (Call gotoAndStop @1:30 (Args Number 2)))))");
  EXPECT_EQ(Parse("ifFrameLoaded (\"s\", 5) ;"), "ERROR: Parse Error in line: 1 pos: 19");
  EXPECT_EQ(Parse("throw new Error(\"x\");"), "(Program (Throw (Comma (New Error @1:16 (class Error) (Args String \"x\")))))");
}

TEST_F(GrammarTest, TryCatchFinally) {
  EXPECT_EQ(Parse("try { a(); } catch (e:Error) { b(); } finally { c(); }"),
            "(Program (Try finally (Statements (Comma [unused] (Call a @1:8 Args))) (Catch e:Error (Statements "
            "(Comma [unused] (Call b @1:33 Args)))) (Statements (Comma [unused] (Call c @1:50 Args)))))");
  EXPECT_EQ(Parse("try a(); catch (e) {}"), "(Program (Try (Comma [unused] (Call a @1:6 Args)) Catch e))");
  EXPECT_EQ(Parse("try {} finally {}"), "(Program (Try finally Empty Statements))");
  EXPECT_EQ(Parse("try {} catch (e) b();"), "ERROR: Parse Error in line: 1 pos: 19");
  EXPECT_EQ(Parse("try {}"), "ERROR: Parse Error in line: 1 pos: 7");
}

TEST_F(GrammarTest, FunctionDeclarations) {
  EXPECT_EQ(Parse("function f(a:Number, b):String { return a; }"),
            "(Program (Function f:String (Params Param a:Number Param b) (Statements (Return (Comma Name a (declared))))))");
  EXPECT_EQ(Parse("function f() {}"), "(Program (Function f Params))");
  EXPECT_EQ(Parse("function f() { function g() {} }"), "ERROR: Parse Error in line: 1 pos: 26");
  EXPECT_EQ(Parse("function f() { var g = function () {}; }"),
            "(Program (Function f Params (Statements (VarList (Var g (Function (literal) Params))) Empty)))");
  EXPECT_EQ(Parse("if (a) function f() {}"), "ERROR: Parse Error in line: 1 pos: 18");
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
  EXPECT_EQ(Parse("class A {}"), "ERROR: Parse Error in line: 1 pos: 11");
  EXPECT_EQ(Parse("class A { function f() {}; }"), "ERROR: Parse Error in line: 1 pos: 29");
  EXPECT_EQ(Parse("class A { ; var a; }"), "ERROR: Parse Error in line: 1 pos: 12");
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
            "(Program (Handler Events on(press,release) @1 (Comma [unused] (Call play @1:27 Args))))");
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
  EXPECT_EQ(Parse("import a.b.*"), "ERROR: Parse Error in line: 1 pos: 13");
  EXPECT_EQ(Parse("import a.b.*;"), "(Program Import a.b.*)");
}

TEST_F(GrammarTest, ScriptsNeedAtLeastOneElement) {
  EXPECT_EQ(Parse(""), "ERROR: Parse Error in line: 1 pos: 1");
  EXPECT_EQ(Parse("// only a comment\n  /* and this */ "), "ERROR: Parse Error in line: 2 pos: 18");
  EXPECT_EQ(Parse("x = 019;"), "ERROR: Parse Error in line: 1 pos: 8");
  EXPECT_EQ(Parse("x = 1;\ny = @;"), "ERROR: Parse Error in line: 2 pos: 6");
  EXPECT_EQ(Parse("x = 1 // last line without newline"), "ERROR: Parse Error in line: 1 pos: 35");
  EXPECT_EQ(Parse("x = 1; // last line without newline"), "(Program (Comma [unused] (Assign = Name x Number 1)))");
}

}  // namespace
}  // namespace fc
