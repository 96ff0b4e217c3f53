#include "ascompiler/ident_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fc {
namespace {

namespace fs = std::filesystem;

class IdentTableTest : public ::testing::Test {
protected:
  TStringTable strings;
  TClassTable classes{strings};
  TStrId Id(const char* text) { return strings.Intern(text); }
};

TEST_F(IdentTableTest, RegistersGoToThisArgumentsThenLocalsAndRepeatsShare) {
  TIdentTable function(TScopeKind::Function, &classes, strings);
  function.Declare(Id("a"), -1);
  function.UseSpecial(TSpecial::Arguments);
  function.Declare(Id("b"), -1);
  TIdentInfo* a2 = function.Declare(Id("a"), -1);
  function.UseSpecial(TSpecial::This);
  function.AllocateRegisters(true);
  EXPECT_EQ(function.SpecialEntry(TSpecial::This)->Register, 1);
  EXPECT_EQ(function.SpecialEntry(TSpecial::Arguments)->Register, 2);
  EXPECT_EQ(function.Items()[0]->Register, 3);  // a
  EXPECT_EQ(function.Items()[2]->Register, 4);  // b
  EXPECT_EQ(a2->Register, 3);
  EXPECT_EQ(function.NextRegister, 5);
  EXPECT_EQ(function.UsedSpecials, kUsedThis | kUsedArguments);
}

TEST_F(IdentTableTest, SuperComesAfterArgumentsAndNeverLocalsStayOutOfRegisters) {
  TIdentTable function(TScopeKind::Function, &classes, strings);
  function.UseSpecial(TSpecial::Super);
  function.UseSpecial(TSpecial::This);
  TIdentInfo* f = function.Declare(Id("f"), -1);
  f->Register = kRegisterNever;
  TIdentInfo* x = function.Declare(Id("x"), -1);
  function.AllocateRegisters(true);
  EXPECT_EQ(function.SpecialEntry(TSpecial::Super)->Register, 2);
  EXPECT_EQ(f->Register, kRegisterNever);
  EXPECT_EQ(x->Register, 3);
}

TEST_F(IdentTableTest, AllocationStopsAfterRegister254AndRespectsTheOption) {
  TIdentTable function(TScopeKind::Function, &classes, strings);
  for (int i = 0; i < 300; ++i) function.Declare(Id(("v" + std::to_string(i)).c_str()), -1);
  function.AllocateRegisters(true);
  EXPECT_EQ(function.Items()[253]->Register, 254);
  EXPECT_EQ(function.Items()[254]->Register, 0);
  EXPECT_EQ(function.NextRegister, 255);

  TIdentTable plain(TScopeKind::Function, &classes, strings);
  plain.Declare(Id("a"), -1);
  plain.UseSpecial(TSpecial::This);
  plain.AllocateRegisters(false);
  EXPECT_EQ(plain.Items()[0]->Register, 0);
  EXPECT_EQ(plain.NextRegister, 2);
}

TEST_F(IdentTableTest, LookupModesWalkOutwardAndUpTheSuperclasses) {
  TIdentTable super_members(TScopeKind::Class, &classes, strings);
  TIdentInfo* inherited = super_members.Declare(Id("m"), -1);
  TIdentTable program(TScopeKind::Program, &classes, strings);
  TIdentInfo* global = program.Declare(Id("g"), -1);
  TIdentTable members(TScopeKind::Class, &program, strings);
  members.Base = &super_members;
  TIdentTable function(TScopeKind::Function, &members, strings);
  TIdentInfo* first = function.Declare(Id("x"), -1);
  TIdentInfo* second = function.Declare(Id("x"), -1);

  EXPECT_EQ(function.Lookup(Id("x"), TLookupMode::Own), second);  // newest first
  EXPECT_NE(first, second);
  EXPECT_EQ(function.Lookup(Id("g"), TLookupMode::Own), nullptr);
  EXPECT_EQ(function.Lookup(Id("g"), TLookupMode::Outward), global);
  EXPECT_EQ(function.Lookup(Id("m"), TLookupMode::Outward), nullptr);
  EXPECT_EQ(function.Lookup(Id("m"), TLookupMode::OutwardAndSuperclasses), inherited);
  EXPECT_EQ(members.Lookup(Id("m"), TLookupMode::Superclasses), inherited);
  EXPECT_EQ(function.Lookup(Id("X"), TLookupMode::OutwardAndSuperclasses), nullptr);  // names are case-sensitive
}

TEST_F(IdentTableTest, ClassTableIgnoresCaseAndAliasesYieldTheirTarget) {
  TClassInfo* foo = classes.DeclareClass(Id("a.b.Foo"));
  EXPECT_EQ(classes.DeclareClass(Id("A.B.FOO")), foo);
  TIdentTable program(TScopeKind::Program, &classes, strings);
  program.Declare(Id("Foo"), -1);  // a variable does not hide the class for FindClass
  program.AddAlias(Id("Foo"), foo);
  EXPECT_EQ(program.FindClass(Id("Foo")), foo);
  EXPECT_EQ(program.Lookup(Id("Foo"), TLookupMode::Own), foo);
  EXPECT_EQ(program.FindClass(Id("a.B.foo")), foo);
  EXPECT_EQ(program.FindClass(Id("Bar")), nullptr);
}

TEST_F(IdentTableTest, CyclicSuperclassLinksAreFound) {
  TClassInfo* a = classes.DeclareClass(Id("A"));
  TClassInfo* b = classes.DeclareClass(Id("B"));
  TClassInfo* c = classes.DeclareClass(Id("C"));
  a->SuperClass = b;
  b->SuperClass = c;
  EXPECT_FALSE(HasCyclicSuperClass(a));
  c->SuperClass = a;
  EXPECT_TRUE(HasCyclicSuperClass(a));
  EXPECT_TRUE(HasCyclicSuperClass(b));
}

TEST(IntrinsicClassesTest, MatchIgnoringCase) {
  EXPECT_TRUE(IsIntrinsicClass("MovieClip"));
  EXPECT_TRUE(IsIntrinsicClass("flash.geom.point"));
  EXPECT_TRUE(IsIntrinsicClass("mx.transitions.Version"));
  EXPECT_FALSE(IsIntrinsicClass("mx.transitions.Tween"));
}

class ClassPathTest : public IdentTableTest {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("flarecast_classpath_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }
  void Touch(const fs::path& relative) {
    fs::create_directories((root / relative).parent_path());
    std::ofstream(root / relative) << "class X {}";
  }
  TClassInfo* Find(const char* name) { return classes.FindClass(Id(name)); }
  fs::path root;
  std::vector<std::string> dirs;
};

TEST_F(ClassPathTest, PackagesFollowFoldersAndVersionFoldersAddNoPart) {
  Touch("util/Bar.as");
  Touch("FP8/Foo.as");
  Touch("FP7/Old.as");
  Touch("FP9/New.as");
  Touch("Top.AS");
  Touch("notes.txt");
  classes.ScanClassPath(root.string(), "", 8, strings, dirs);
  ASSERT_NE(Find("util.Bar"), nullptr);
  EXPECT_EQ(Find("util.Bar")->FileName, root.generic_string() + "/util/Bar.as");
  EXPECT_NE(Find("Foo"), nullptr);
  EXPECT_EQ(Find("Old"), nullptr);
  EXPECT_EQ(Find("New"), nullptr);
  EXPECT_NE(Find("Top"), nullptr);
  EXPECT_EQ(dirs.size(), 3u);  // root, FP8, util: each once, with "/"
  for (const std::string& dir : dirs) EXPECT_EQ(dir.back(), '/');

  TClassTable seven(strings);
  std::vector<std::string> seven_dirs;
  seven.ScanClassPath(root.string(), ".", 7, strings, seven_dirs);
  EXPECT_EQ(seven.FindClass(Id("Foo")), nullptr);
  EXPECT_NE(seven.FindClass(Id("Old")), nullptr);
}

TEST_F(ClassPathTest, IntrinsicClassesAreMarkedAndFolderCaseIsKept) {
  Touch("MovieClip.as");
  Touch("Flash/Geom/Point.as");
  classes.ScanClassPath(root.string(), "", 8, strings, dirs);
  EXPECT_EQ(Find("MovieClip")->ClassFlags, kClassIntrinsic);
  TClassInfo* point = Find("flash.geom.Point");
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->ClassFlags, kClassIntrinsic);
  EXPECT_EQ(point->FileName, root.generic_string() + "/Flash/Geom/Point.as");
  EXPECT_EQ(strings.Text(point->Name), "Flash.Geom.Point");
}

TEST_F(ClassPathTest, SymbolicLinkLoopsAreNotFollowed) {
  Touch("pkg/A.as");
  fs::create_directory_symlink(root, root / "pkg" / "loop");
  classes.ScanClassPath(root.string(), "", 8, strings, dirs);
  EXPECT_NE(Find("pkg.A"), nullptr);
  EXPECT_EQ(classes.Items().size(), 1u);
}

}  // namespace
}  // namespace fc
