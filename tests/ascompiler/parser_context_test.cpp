// Side effects of the reductions: scopes, declarations, name resolution, class references.
#include "ascompiler/parser_context.h"

#include <gtest/gtest.h>

#include "parse_helpers.h"

namespace fc {
namespace {

class ParserActionsTest : public ::testing::Test {
protected:
  TCompileUnit& Parse(const std::string& text) {
    unit = context.ParseUnit(text);
    return *unit;
  }
  void TearDown() override {
    if (unit) context.ForgetUnit(*unit);
  }
  TClassInfo* Class(const char* name) { return context.ClassTable.DeclareClass(context.StringTable.Intern(name)); }
  // The nodes of one kind, children before parents (the order the parser makes them in).
  template <typename T>
  std::vector<T*> All(TNodeKind kind) {
    std::vector<T*> nodes;
    auto walk = [&](auto& self, TParseTreeNode* node) -> void {
      if (!node) return;
      VisitChildren(node, [&](TParseTreeNode* child) { self(self, child); });
      if (node->Kind == TNodeKind::Program) self(self, static_cast<TProgramNode*>(node)->EventList);
      if (node->Kind == kind) nodes.push_back(static_cast<T*>(node));
    };
    walk(walk, unit->Root);
    return nodes;
  }
  TIdentInfo* Entry(TIdentTable* scope, const char* name) {
    return scope->Lookup(context.StringTable.Intern(name), TLookupMode::Own);
  }

  TCompileContext context;
  std::unique_ptr<TCompileUnit> unit;
};

TEST_F(ParserActionsTest, ScopesNestProgramFunctionAndAreClosedAtTheEnd) {
  TCompileUnit& u = Parse("var a; function f(p) { var b; var g = function (q) { return a + b + p; }; }");
  ASSERT_EQ(u.Scopes.size(), 3u);
  TIdentTable* program = u.Scopes[0].get();
  TIdentTable* f = u.Scopes[1].get();
  TIdentTable* literal = u.Scopes[2].get();
  EXPECT_EQ(program->Kind, TScopeKind::Program);
  EXPECT_EQ(program->Parent, &context.ClassTable);
  EXPECT_EQ(f->Parent, program);
  EXPECT_EQ(literal->Parent, f);
  EXPECT_TRUE(context.ScopeStack.empty());
  EXPECT_EQ(u.Root->Scope, program);

  // f's entry is a named function in the program scope, declared before its body.
  TIdentInfo* f_entry = Entry(program, "f");
  EXPECT_EQ(f_entry->Flags, kIdentNamedFunction);
  EXPECT_EQ(f_entry->TypeName, TStringTable::EmptyId);
  EXPECT_EQ(Entry(f, "p")->Flags, kIdentDeclared);
  // Locals of f used by the literal never go to registers; a program variable is untouched.
  EXPECT_EQ(Entry(f, "b")->Register, kRegisterNever);
  EXPECT_EQ(Entry(f, "p")->Register, kRegisterNever);
  EXPECT_EQ(Entry(f, "g")->Register, kRegisterNever);  // initialised with a function literal
  EXPECT_EQ(Entry(program, "a")->Register, kRegisterUnassigned);
  EXPECT_EQ(Entry(literal, "q")->Register, kRegisterUnassigned);
}

TEST_F(ParserActionsTest, InitialisersResolveBeforeTheirVariableIsDeclared) {
  TCompileUnit& u = Parse("function f() { var x = x; }");
  auto names = All<TLvalueNode>(TNodeKind::Lvalue);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0]->Entry, nullptr);
  EXPECT_NE(Entry(u.Scopes[1].get(), "x"), nullptr);
}

TEST_F(ParserActionsTest, SpecialNamesAreDeclaredOnFirstUse) {
  TCompileUnit& u = Parse("function f() { this.a = arguments[0]; this.b = 1; super(); }");
  TIdentTable* f = u.Scopes[1].get();
  EXPECT_EQ(f->UsedSpecials, kUsedThis | kUsedArguments | kUsedSuper);
  EXPECT_FALSE(f->SuperCallMissing);
  int this_entries = 0;
  for (const auto& item : f->Items()) this_entries += item->Name == TStringTable::ThisId;
  EXPECT_EQ(this_entries, 1);
  for (TLvalueNode* name : All<TLvalueNode>(TNodeKind::Lvalue)) {
    if (name->Name() == TStringTable::ThisId) {
      EXPECT_TRUE(name->Resolved);
    }
  }
}

TEST_F(ParserActionsTest, ForInDeclaresItsVariable) {
  TCompileUnit& u = Parse("function f(o) { for (k in o) ; }");
  auto loops = All<TForInStmtNode>(TNodeKind::ForIn);
  ASSERT_EQ(loops.size(), 1u);
  EXPECT_EQ(loops[0]->VariableEntry, Entry(u.Scopes[1].get(), "k"));
  EXPECT_EQ(loops[0]->VariableEntry->Flags, kIdentDeclared);
}

TEST_F(ParserActionsTest, ClassesOpenAClassScopeAndTakeTheirConstructorOut) {
  Class("Base");
  TCompileUnit& u = Parse("class p.C extends Base { var v; function C() {} private function m() {} }");
  auto classes = All<TClassImplNode>(TNodeKind::ClassImpl);
  ASSERT_EQ(classes.size(), 1u);
  TClassImplNode* c = classes[0];
  EXPECT_EQ(c->Scope->Kind, TScopeKind::Class);
  EXPECT_EQ(c->Scope->ClassName(), c->Name);
  EXPECT_EQ(c->Info->Members, c->Scope);
  EXPECT_EQ(c->Info->SuperClass, Class("Base"));
  EXPECT_EQ(Class("Base")->ClassFlags, kClassReferenced);
  EXPECT_EQ(c->Scope->Base, nullptr);  // Base has not been parsed yet
  EXPECT_EQ(context.StringTable.Text(c->Constructor->Name), "C");
  EXPECT_TRUE(c->Constructor->Has(kNodeClassMember));
  ASSERT_EQ(c->Body->Methods.Count(), 1);
  EXPECT_TRUE(c->Body->Methods[0]->Has(kNodeClassMember));
  EXPECT_EQ(c->Body->Methods[0]->Entry->Flags, kIdentNamedFunction | kIdentPrivate);
  EXPECT_TRUE(c->Body->Fields[0]->Items[0]->Has(kNodeClassMember));
  TStringTable& strings = context.StringTable;
  EXPECT_EQ(c->Dependencies(strings), (TStrIdArray{strings.Intern("Base")}));
  (void)u;
}

TEST_F(ParserActionsTest, AClassWithoutConstructorGetsAnEmptyOne) {
  Parse("class A { var v; }");
  TClassImplNode* a = All<TClassImplNode>(TNodeKind::ClassImpl)[0];
  ASSERT_NE(a->Constructor, nullptr);
  EXPECT_EQ(a->Constructor->Parameters->Items.Count(), 0);
  EXPECT_EQ(a->Constructor->Body, nullptr);
  EXPECT_EQ(a->Constructor->Scope->Kind, TScopeKind::Function);
  EXPECT_EQ(a->Constructor->Scope->Parent, a->Scope);
}

TEST_F(ParserActionsTest, MissingSuperclassesAndInterfacesAreReported) {
  EXPECT_EQ(testing::ParseToSexpr(context, "class A extends a.B { var v; }"), "ERROR: Superclass a.B not found.");
  EXPECT_EQ(testing::ParseToSexpr(context, "class A implements I, J { var v; }"), "ERROR: Interface I not found.");
  EXPECT_EQ(testing::ParseToSexpr(context, "interface I extends J {}"), "ERROR: Superclass J not found.");
  // Interfaces are resolved before the superclass.
  EXPECT_EQ(testing::ParseToSexpr(context, "class A extends B implements I { var v; }"),
            "ERROR: Interface I not found.");
}

TEST_F(ParserActionsTest, CyclicExtendsIsReported) {
  EXPECT_EQ(testing::ParseToSexpr(context, "class A { var a; } class B extends A { var b; } class A extends B { var c; }"),
            "ERROR: Class A extends itself.");
  Class("Self");
  EXPECT_EQ(testing::ParseToSexpr(context, "class Self extends Self { var a; }"), "ERROR: Class Self extends itself.");
  // The class path entry keeps no link to the failed declaration.
  EXPECT_EQ(Class("Self")->SuperClass, nullptr);
}

TEST_F(ParserActionsTest, ImportsAddAliasesAndShortNamesBecomeFullNames) {
  TClassInfo* tween = Class("mx.transitions.Tween");
  Class("mx.transitions.easing.Regular");
  Class("mx.Transitions.Zoom");
  TCompileUnit& u = Parse("import mx.transitions.Tween; import mx.transitions.*; class A extends Tween { var t; } "
                          "x = new Zoom(); y = Tween;");
  TIdentTable* program = u.Scopes[0].get();
  EXPECT_EQ(program->FindClass(context.StringTable.Intern("Tween")), tween);
  EXPECT_NE(program->FindClass(context.StringTable.Intern("Zoom")), nullptr);
  EXPECT_EQ(program->FindClass(context.StringTable.Intern("Regular")), nullptr);  // one part deeper
  TClassImplNode* a = All<TClassImplNode>(TNodeKind::ClassImpl)[0];
  EXPECT_EQ(a->Super->Text(context.StringTable), "mx.transitions.Tween");
  EXPECT_EQ(tween->ClassFlags, kClassReferenced);
  // The name Tween in an expression becomes mx.transitions.Tween.
  const std::string tree = DumpTree(u.Root, context.StringTable);
  EXPECT_NE(tree.find("Member .Tween (class mx.transitions.Tween)\n        Member .transitions\n          Name mx"),
            std::string::npos)
      << tree;
  EXPECT_EQ(Class("mx.Transitions.Zoom")->ClassFlags, kClassReferenced);
}

TEST_F(ParserActionsTest, DottedClassCallsAreCastsAndNewMarksTheClass) {
  TClassInfo* point = Class("geo.Point");
  TClassInfo* other = Class("a.B");
  Parse("p = geo.Point(o); q = new a.B();");
  auto calls = All<TFuncCallNode>(TNodeKind::FuncCall);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]->ClassRef, point);
  EXPECT_EQ(point->ClassFlags, kClassReferenced);
  EXPECT_TRUE(calls[1]->Has(kNodeConstructorCall));
  EXPECT_EQ(other->ClassFlags, kClassReferenced);
}

TEST_F(ParserActionsTest, CallsRememberWhereTheyStand) {
  Parse("\n  foo (1);");
  auto calls = All<TFuncCallNode>(TNodeKind::FuncCall);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]->Pos.Line, 2);
  EXPECT_EQ(calls[0]->Pos.Column, 2);  // where the callee begins
  EXPECT_EQ(calls[0]->Pos.FileName, "");
}

TEST_F(ParserActionsTest, EventListsCollectTheirEvents) {
  Parse("on (rollOver, press, menuDragOut) {;} onClipEvent (load, enterFrame, keyUp) {;} "
        "on (keyPress \"<Left>\") {;}");
  auto lists = All<TEventListNode>(TNodeKind::EventList);
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(lists[0]->Kind, TEventKind::Button);
  EXPECT_EQ(lists[0]->ButtonEvents, (1 << 0) | (1 << 2) | (1 << 8));
  EXPECT_EQ(lists[1]->Kind, TEventKind::Clip);
  EXPECT_EQ(lists[1]->ClipEvents, (1u << 7) | (1u << 6) | (1u << 0));
  EXPECT_EQ(lists[2]->Kind, TEventKind::KeyPress);
  EXPECT_EQ(lists[2]->ClipEvents, 1u << 17);
  EXPECT_EQ(lists[2]->KeyName, "<Left>");
  EXPECT_EQ(KeyCode(lists[2]->KeyName), 1);
  EXPECT_EQ(KeyCode("a"), 'a');
  EXPECT_EQ(KeyCode("Key.PGDN"), 34);
  EXPECT_EQ(KeyCode("<Nothing>"), 0);
}

TEST_F(ParserActionsTest, SlashPathsSplitTargetAndProperty) {
  context.Options |= kOptionSwf4;
  Parse("/:score = _root/clip:_X + ../a:b;");
  auto paths = All<TLvalueNode>(TNodeKind::Lvalue);
  ASSERT_EQ(paths.size(), 3u);
  TStringTable& strings = context.StringTable;
  EXPECT_EQ(strings.Text(paths[0]->Path), "/:score");
  EXPECT_EQ(strings.Text(paths[0]->PathTarget), "/");
  EXPECT_EQ(paths[0]->PropertyIndex, -1);
  EXPECT_EQ(strings.Text(paths[1]->PathTarget), "_root/clip");
  EXPECT_EQ(paths[1]->PropertyIndex, 0);  // _x, matched ignoring case
  EXPECT_EQ(strings.Text(paths[2]->PathTarget), "../a");
  EXPECT_TRUE(paths[0]->Has(kNodeTarget));
}

TEST_F(ParserActionsTest, StaticMemberListsAreMarked) {
  Parse("class A { static public var a = 1, b; var c; }");
  auto lists = All<TVarDeclListNode>(TNodeKind::VarDeclList);
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_TRUE(lists[0]->IsStatic);
  EXPECT_EQ(static_cast<TVarDeclNode*>(lists[0]->Items[1])->Entry->Flags, kIdentDeclared | kIdentStatic | kIdentPublic);
  EXPECT_FALSE(lists[1]->IsStatic);
}

}  // namespace
}  // namespace fc
