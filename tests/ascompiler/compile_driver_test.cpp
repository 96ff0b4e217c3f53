// The compile entries: on(...) handlers into button conditions, onClipEvent(...) handlers into
// clip action records (golden tag bytes), scripts appended to lists that already hold code,
// and classes in init-action sprites of their own.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ascompiler/class_sprites.h"
#include "ascompiler/code_generator.h"
#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "swf/actions.h"
#include "swf/bits_engine.h"
#include "swf/buttons_sprites.h"
#include "swf/placements.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes TagBody(TSWFObject& tag) {
  Bytes out;
  TBitsEngine be(&out);
  tag.WriteTagBody(be);
  return out;
}

std::string Disassembled(const TSWFActionList& list) {
  std::string out;
  for (const std::string& line : DisassembleActionList(list)) out += (out.empty() ? "" : "\n") + line;
  return out;
}

template <typename F>
std::string ErrorOf(F&& compile) {
  try {
    compile();
  } catch (const EActionCompileError& e) {
    return e.what();
  }
  return "no error";
}

// --- Buttons ---

TEST(CompileButton, HandlersBecomeConditionsWithTheirEventFlags) {
  TCompileContext context;
  TSWFDefineButton2 button;
  button.ButtonID = 5;
  context.CompileButton("on (release) { x = 1; }\n"
                        "on (dragOut, menuDragOut) { play(); }\n"
                        "on (keyPress \"<Left>\") { stop(); }",
                        button);
  ASSERT_EQ(button.Actions.size(), 3u);
  EXPECT_EQ(button.Actions[0]->Conditions, kCondOverDownToOverUp);
  EXPECT_EQ(button.Actions[1]->Conditions, kCondOverDownToOutDown | kCondOverDownToIdle);
  EXPECT_EQ(button.Actions[2]->Conditions, 0);
  EXPECT_EQ(button.Actions[2]->KeyPress, 1);
  const Bytes expected = {
      0x05, 0x00, 0x00, 0x03, 0x00,  // ButtonID 5, not a menu, ActionOffset 3
      0x00,                          // no records
      // release: size 23, OverDownToOverUp; ConstantPool "x"; Push c:0, 1; SetVariable; end
      0x17, 0x00, 0x08, 0x00, 0x88, 0x04, 0x00, 0x01, 0x00, 'x', 0x00, 0x96, 0x07, 0x00, 0x08, 0x00, 0x07, 0x01,
      0x00, 0x00, 0x00, 0x1D, 0x00,
      // dragOut and menuDragOut: size 13, OverDownToOutDown in the first byte, OverDownToIdle in
      // the second; the unit's pool so far; Play
      0x0D, 0x00, 0x10, 0x01, 0x88, 0x04, 0x00, 0x01, 0x00, 'x', 0x00, 0x06, 0x00,
      // the key <Left> (code 1) in the upper seven bits; the last condition has size 0; Stop
      0x00, 0x00, 0x00, 0x02, 0x88, 0x04, 0x00, 0x01, 0x00, 'x', 0x00, 0x07, 0x00};
  EXPECT_EQ(TagBody(button), expected);
}

TEST(CompileButton, EveryButtonEventHasItsOwnCondition) {
  const char* names[] = {"rollOver", "rollOut", "press", "release", "dragOver",
                         "dragOut", "releaseOutside", "menuDragOver", "menuDragOut"};
  const uint16_t flags[] = {kCondIdleToOverUp,      kCondOverUpToIdle,      kCondOverUpToOverDown,
                            kCondOverDownToOverUp,  kCondOutDownToOverDown, kCondOverDownToOutDown,
                            kCondOutDownToIdle,     kCondIdleToOverDown,    kCondOverDownToIdle};
  for (size_t i = 0; i < std::size(names); ++i) {
    TCompileContext context;
    TSWFDefineButton2 button;
    context.CompileButton(std::string("on (") + names[i] + ") { play(); }", button);
    ASSERT_EQ(button.Actions.size(), 1u) << names[i];
    EXPECT_EQ(button.Actions[0]->Conditions, flags[i]) << names[i];
  }
}

TEST(CompileButton, EachHandlerGetsThePoolOfTheUnitSoFarAndThePostPass) {
  TCompileContext context;
  TSWFDefineButton2 button;
  context.CompileButton("on (press) { a = 1; function f() {} }\non (release) { b = a; }", button);
  ASSERT_EQ(button.Actions.size(), 2u);
  // The named function is hoisted behind the pool, within its own handler.
  EXPECT_EQ(Disassembled(*button.Actions[0]),
            "  ConstantPool \"a\"\n"
            "  DefineFunction2 \"f\" () registers=1 suppressSuper suppressArguments suppressThis until (unnamed label)\n"
            ":\n  Push c:0, 1\n  SetVariable");
  EXPECT_EQ(Disassembled(*button.Actions[1]),
            "  ConstantPool \"a\", \"b\"\n  Push c:1, c:0\n  GetVariable\n  SetVariable");
}

TEST(CompileButton, OnlyButtonHandlersFitAButton) {
  TCompileContext context;
  TSWFDefineButton2 button;
  EXPECT_EQ(ErrorOf([&] { context.CompileButton("\n\nonClipEvent (load) { play(); }", button); }),
            "Invalid event handler type in line 3");
  EXPECT_EQ(ErrorOf([&] { context.CompileButton("x = 1; on (press) { play(); }", button); }),
            "Only on (...) and onClipEvent (...) handlers can be compiled for a button or a placed clip: there is "
            "no frame for other code to run in.");
  // A button condition holds seven bits of key code.
  EXPECT_EQ(ErrorOf([&] { context.CompileButton("on (keyPress \"\xC3\") { play(); }", button); }),
            "Key \"\xC3\" cannot be used in a button handler in line 1");
  // A failed compilation adds no condition, not even for the handlers before the error.
  EXPECT_EQ(ErrorOf([&] { context.CompileButton("on (press) { play(); }\non (release) { break; }", button); }),
            "\"break\" is only possible inside a loop or a switch.");
  EXPECT_TRUE(button.Actions.empty());
}

TEST(CompileFrameScript, HandlersInAFrameScriptAreErrors) {
  TCompileContext context;
  TSWFActionList list;
  EXPECT_EQ(ErrorOf([&] { context.CompileFrameScript("x = 1;\non (press) { play(); }", list); }),
            "Invalid event handler type in line 2");
}

// --- Placed clips ---

TEST(CompileClipEvents, HandlersBecomeClipActionRecords) {
  TCompileContext context;
  TSWFPlaceObject2 place;
  place.Version = 6;
  place.Depth = 1;
  place.SetCharacterID(2);
  context.CompileClipEvents("onClipEvent (enterFrame) { play(); }\n"
                            "onClipEvent (load, construct) { stop(); }\n"
                            "on (keyPress \"Key.SPACE\") { stop(); }",
                            place);
  const TSWFClipActions& clip = place.ClipActions();
  ASSERT_EQ(clip.Records.size(), 3u);
  EXPECT_EQ(clip.Records[0]->EventFlags, kClipEnterFrame);
  EXPECT_EQ(clip.Records[1]->EventFlags, kClipLoad | kClipConstruct);
  EXPECT_EQ(clip.Records[2]->EventFlags, kClipKeyPress);
  EXPECT_EQ(clip.Records[2]->KeyCode, 32);
  const Bytes expected = {
      0x82, 0x01, 0x00, 0x02, 0x00,  // clip actions and character, depth 1, character 2
      0x00, 0x00,                    // reserved
      0x03, 0x00, 0x06, 0x00,        // all events: enterFrame, load; construct, keyPress
      0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00,  // enterFrame, size 2: Play
      0x01, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0x07, 0x00,  // load and construct: Stop
      0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x20, 0x07, 0x00,  // keyPress, key 32: Stop
      0x00, 0x00, 0x00, 0x00};  // end of the records
  EXPECT_EQ(TagBody(place), expected);
}

TEST(CompileClipEvents, AnUnknownKeyStillMakesAKeyPressRecord) {
  // A record without events would read as the end of the list.
  TCompileContext context;
  TSWFPlaceObject2 place;
  place.Version = 8;
  context.CompileClipEvents("on (keyPress \"<Nothing>\") { play(); }", place);
  ASSERT_EQ(place.ClipActions().Records.size(), 1u);
  EXPECT_EQ(place.ClipActions().Records[0]->EventFlags, kClipKeyPress);
  EXPECT_EQ(place.ClipActions().Records[0]->KeyCode, 0);
  EXPECT_NO_THROW(TagBody(place));
}

TEST(CompileClipEvents, EventsBeyondSixteenBitsNeedVersionSix) {
  TCompileContext context;
  context.SwfVersion = 5;
  TSWFPlaceObject2 place;
  place.Version = 5;
  EXPECT_EQ(ErrorOf([&] { context.CompileClipEvents("onClipEvent (load) { play(); }\non (keyPress \"a\") { stop(); }", place); }),
            "The events of the handler in line 2 need SWF version 6 or later");
  EXPECT_EQ(ErrorOf([&] { context.CompileClipEvents("onClipEvent (dragOut) { play(); }", place); }),
            "The events of the handler in line 1 need SWF version 6 or later");
  EXPECT_TRUE(place.ClipActions().Records.empty());
  context.CompileClipEvents("onClipEvent (mouseUp, data) { play(); }", place);
  // Two-byte event flags: mouseUp in the first byte, data in the second.
  EXPECT_EQ(TagBody(place), (Bytes{0x80, 0x00, 0x00,                     // clip actions, depth 0
                                    0x00, 0x00, 0x20, 0x01,               // reserved, all events
                                    0x20, 0x01, 0x02, 0x00, 0x00, 0x00,   // the record's events, size 2
                                    0x06, 0x00, 0x00, 0x00}));            // Play, end; end of the records
}

TEST(CompileClipEvents, OnlyClipHandlersFitAPlacement) {
  TCompileContext context;
  TSWFPlaceObject2 place;
  EXPECT_EQ(ErrorOf([&] { context.CompileClipEvents("on (press) { play(); }", place); }), "Invalid event handler type in line 1");
  EXPECT_EQ(ErrorOf([&] { context.CompileClipEvents("function f() { }", place); }).rfind("Only on (...)", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { context.CompileClipEvents("onClipEvent (fly) { play(); }", place); }),
            "Unknown clip event: fly in line 1");
  EXPECT_TRUE(place.ClipActions().Records.empty());
}

// --- Post-pass ---

TEST(PostPass, PopsGoWithTheirOneValuePushesAlsoWhenNested) {
  TSWFActionList list;
  auto push = [&](int32_t v) {
    auto* p = list.Add(std::make_unique<TSWFActionPush>());
    p->Values.emplace_back();
    p->Values.back().Value = v;
    p->Values.back().ValueType = kPushInteger;
  };
  list.Add(std::make_unique<TSWFActionPlay>());
  push(1);
  push(2);
  list.Add(std::make_unique<TSWFActionPop>());
  list.Add(std::make_unique<TSWFActionPop>());  // meets Push 1 once the inner pair is gone
  list.Add(std::make_unique<TSWFActionPop>());  // meets Play: stays
  RunPostPass(list);
  EXPECT_EQ(Disassembled(list), "  Play\n  Pop");
}

TEST(PostPass, NamedFunctionsGoFirstInSourceOrderWithWhatTheyHold) {
  TSWFActionList list;
  auto pool = std::make_unique<TSWFActionConstantPool>();
  pool->ConstantPool = {"a"};
  list.Add(std::move(pool));
  list.Add(std::make_unique<TSWFActionPlay>());
  // function a, holding the named function inner, which stays inside it
  auto define = [&](const std::string& name, const std::string& end) {
    auto f = std::make_unique<TSWFActionDefineFunction2>();
    f->Name = name;
    auto marker = f->CodeSize.GetMarker();
    marker->IsBackward = false;
    marker->Name = end;
    list.Add(std::move(f));
    return marker;
  };
  auto end_a = define("a", "end a");
  list.Add(std::make_unique<TSWFActionStop>());
  auto end_inner = define("inner", "end inner");
  list.Add(std::make_unique<TSWFActionPlay>());
  list.Add(end_inner);
  list.Add(end_a);
  auto push = list.Add(std::make_unique<TSWFActionPush>());
  push->AddValue(int32_t{1});
  list.Add(std::make_unique<TSWFActionPop>());
  auto end_anonymous = define("", "end anonymous");  // an expression: stays where it is
  list.Add(std::make_unique<TSWFActionNextFrame>());
  list.Add(end_anonymous);
  auto end_a2 = define("a", "end second a");
  list.Add(std::make_unique<TSWFActionPreviousFrame>());
  list.Add(end_a2);
  list.Add(std::make_unique<TSWFActionStop>());
  RunPostPass(list);
  EXPECT_EQ(Disassembled(list),
            "  ConstantPool \"a\"\n"
            "  DefineFunction2 \"a\" () registers=0 until end a\n  Stop\n"
            "  DefineFunction2 \"inner\" () registers=0 until end inner\n  Play\nend inner:\nend a:\n"
            "  DefineFunction2 \"a\" () registers=0 until end second a\n  PreviousFrame\nend second a:\n"
            "  Play\n"
            "  DefineFunction2 \"\" () registers=0 until end anonymous\n  NextFrame\nend anonymous:\n"
            "  Stop");
}

// --- Scripts into lists that hold code ---

TEST(CompileFrameScript, ASecondScriptKeepsItsOwnPoolAndHoisting) {
  TCompileContext context;
  TSWFActionList list;
  context.CompileFrameScript("a = 1;", list);
  context.CompileFrameScript("b = f(); function f() { return 2; }", list);
  EXPECT_EQ(Disassembled(list),
            "  ConstantPool \"a\"\n  Push c:0, 1\n  SetVariable\n"
            "  ConstantPool \"b\", \"f\"\n"
            "  DefineFunction2 \"f\" () registers=1 suppressSuper suppressArguments suppressThis until (unnamed label)\n"
            "  Push 2\n  Return\n:\n"
            "  Push c:0, 0, c:1\n  CallFunction\n  SetVariable");
  // A failed compilation leaves the list as it was.
  EXPECT_THROW(context.CompileFrameScript("c = 1; break;", list), EActionCompileError);
  EXPECT_EQ(list.Count(), 11u);
}

// --- Classes ---

class ClassSpritesTest : public ::testing::Test {
protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("flarecast_class_sprites_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "shapes");
  }
  void TearDown() override { fs::remove_all(root); }
  void Write(const fs::path& relative, const std::string& text) { std::ofstream(root / relative) << text; }

  fs::path root;
  TCompileContext context;
  uint16_t next_id = 7;
};

TEST_F(ClassSpritesTest, EachClassGetsASpriteWithItsInitActionsSuperclassFirst) {
  Write("shapes/Square.as", "class shapes.Square extends shapes.Shape implements shapes.Area {\n"
                            "  function Square() { super(); }\n}\n");
  Write("shapes/Shape.as", "class shapes.Shape { var name = \"shape\"; }\n");
  Write("shapes/Area.as", "interface shapes.Area { function size(); }\n");
  context.SetClassPath(root.string());
  TClassSprites sprites(context, [this] { return next_id++; });
  TSWFActionList frame;
  context.CompileFrameScript("import shapes.Square;\ns = new Square();", frame);

  std::vector<std::unique_ptr<TSWFObject>> tags = sprites.TakeTags();
  ASSERT_EQ(tags.size(), 6u);
  EXPECT_EQ(sprites.Classes(), 3u);
  std::vector<std::string> classes;
  for (size_t i = 0; i < tags.size(); i += 2) {
    auto* sprite = dynamic_cast<TSWFDefineSprite*>(tags[i].get());
    auto* init = dynamic_cast<TSWFDoInitAction*>(tags[i + 1].get());
    ASSERT_TRUE(sprite && init);
    EXPECT_EQ(sprite->SpriteID, 7 + i / 2);
    EXPECT_EQ(init->SpriteID, sprite->SpriteID);
    // An empty sprite of one frame: ShowFrame and End.
    EXPECT_EQ(TagBody(*sprite), (Bytes{static_cast<uint8_t>(7 + i / 2), 0x00, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00}));
    const std::string code = Disassembled(*init->Actions);
    classes.push_back(code.find("\"Square\"") != std::string::npos ? "Square"
                      : code.find("\"Area\"") != std::string::npos ? "Area"
                                                                    : "Shape");
  }
  // The superclass and the interface come before the class that needs them.
  EXPECT_EQ(classes.back(), "Square");
  // A second script of the same movie compiles no class again.
  context.CompileFrameScript("t = new shapes.Square();", frame);
  EXPECT_TRUE(sprites.TakeTags().empty());
}

// A class named only by its full name, to read a static member, is loaded too.
TEST_F(ClassSpritesTest, AClassReadThroughItsFullNameIsLoaded) {
  Write("shapes/Config.as", "class shapes.Config { static var NAME = \"cfg\"; }\n");
  context.SetClassPath(root.string());
  TClassSprites sprites(context, [this] { return next_id++; });
  TSWFActionList frame;
  context.CompileFrameScript("o = {shapes: 1}; trace(o.shapes.Config); trace(shapes.Config.NAME);", frame);
  EXPECT_EQ(sprites.Classes(), 1u);
}

TEST_F(ClassSpritesTest, AClassThatFailsGetsNoSprite) {
  Write("Broken.as", "class Broken { function f() { continue; } }\n");
  context.SetClassPath(root.string());
  TClassSprites sprites(context, [this] { return next_id++; });
  TSWFActionList frame;
  EXPECT_THROW(context.CompileFrameScript("b = new Broken();", frame), EActionCompileError);
  EXPECT_TRUE(sprites.TakeTags().empty());
  EXPECT_EQ(next_id, 7);
}

TEST_F(ClassSpritesTest, WithoutASpriteMakerAClassIsAnError) {
  Write("Lonely.as", "class Lonely { var x; }\n");
  context.SetClassPath(root.string());
  {
    TClassSprites sprites(context, [this] { return next_id++; });
  }  // gone again
  TSWFActionList frame;
  EXPECT_EQ(ErrorOf([&] { context.CompileFrameScript("l = new Lonely();", frame); }),
            "Class Lonely cannot be compiled here: it needs a sprite of its own.");
}

}  // namespace
}  // namespace fc
