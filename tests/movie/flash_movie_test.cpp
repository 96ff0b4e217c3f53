#include "movie/flash_movie.h"

#include <gtest/gtest.h>

#include "../core/test_folder.h"
#include "core/file_io.h"
#include "movie/flash_sprite.h"
#include "movie_test_util.h"
#include "swf/actions.h"
#include "swf/bits_engine.h"
#include "swf/buttons_sprites.h"
#include "swf/placements.h"
#include "swf/streams.h"

namespace fc {
namespace {

using test::Codes;
using test::ReadBack;
using V = std::vector<uint16_t>;

// --- Frames, frame actions and labels ---

TEST(FlashMovie, FrameActionsLiveUntilTheFrameIsShown) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashActionScript& first = movie.FrameActions();
  EXPECT_EQ(&first, &movie.FrameActions());
  movie.ShowFrame(0);  // closes exactly one frame
  EXPECT_EQ(movie.FrameCount, 1);
  EXPECT_EQ(movie.CurrentFrame, 0);
  EXPECT_EQ(movie.Objects.size(), 2u);  // the script, then ShowFrame
  EXPECT_EQ(movie.FrameIndex(1), 1u);
  EXPECT_NE(&first, &movie.FrameActions());
}

TEST(FlashMovie, LabelsAndActionsCloseTheirFrame) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.FrameLabel = "intro";
  movie.FrameActions().AddFSCommand("quit", "");
  movie.ShowFrame(2);
  movie.FrameLabel = "end";
  movie.ShowFrame();
  EXPECT_EQ(movie.FrameCount, 3);
  EXPECT_EQ(movie.FrameIndex(0), 0u);
  EXPECT_EQ(movie.FrameIndex(2), 3u);
  EXPECT_EQ(movie.FrameIndex(9), 5u);  // fewer frames: the last index
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{43, 12, 1, 1, 43, 1, 0}));
  EXPECT_EQ(static_cast<TSWFFrameLabel&>(*reader->TagList[0]->Object).Name, "intro");
  EXPECT_EQ(reader->FrameCount, 3);
  auto& actions = *static_cast<TSWFDoAction&>(*reader->TagList[1]->Object).Actions;
  ASSERT_EQ(actions.Count(), 1u);
  EXPECT_EQ(static_cast<TSWFActionGetUrl&>(*actions.Items[0]).URL, "FSCommand:quit");
}

TEST(FlashMovie, AnEmptyMovieHasOnlyTheEndTag) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.BuildBody();
  EXPECT_EQ(movie.GetBodyStream(), (std::vector<uint8_t>{0x00, 0x00}));
  EXPECT_EQ(movie.FrameCount, 0);
}

TEST(FlashMovie, APlacementWithoutAFrameGetsOne) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashSprite* sprite = movie.AddSprite();
  movie.PlaceObject(sprite, 1);
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{39, 26, 1, 0}));
  EXPECT_EQ(reader->FrameCount, 1);
}

TEST(FlashMovie, HeaderTagsComeFirst) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.ShowFrame();
  movie.BackgroundColor() = TSWFRGB(1, 2, 3);
  movie.WriteFileAttributes = true;
  movie.FileAttributes().HasMetadata = true;
  movie.MetadataText = "<rdf/>";
  movie.Protect = true;
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{69, 77, 9, 24, 1, 0}));
  EXPECT_EQ(reader->Version(), 8);  // FileAttributes needs 8
  EXPECT_FALSE(movie.FillCorrection);
}

// --- Compiling ---

TEST(FlashMovie, ACompileErrorGoesToTheMessages) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  EXPECT_FALSE(movie.FrameActions().Compile("x = ;"));
  EXPECT_EQ(movie.CompileMessages, "Parse Error in line: 1 pos: 6");
  EXPECT_TRUE(movie.FrameActions().Compile("stop();"));
}

TEST(FlashMovie, ACompiledScriptReadsBackAsADoAction) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.SetVersion(8);
  ASSERT_TRUE(movie.FrameActions().Compile("_root.nextFrame();"));
  movie.ShowFrame();
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{12, 1, 0}));
  EXPECT_EQ(reader->FrameCount, 1);
  EXPECT_EQ(reader->Version(), 8);
}

// --- Scripts built action by action ---

std::vector<uint8_t> ActionBytes(TFlashActionScript& script) {
  std::vector<uint8_t> bytes;
  TBitsEngine be(&bytes);
  WriteActionList(be, script.Actions());
  return bytes;
}

TEST(FlashActionScript, ConsecutivePushesShareOnePushAction) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashActionScript& script = movie.FrameActions();
  script.PushString("a");
  script.PushInteger(7);
  script.PushBoolean(true);
  script.PushNull();
  script.PushUndefined();
  script.PushRegister(2);
  script.Add<TSWFActionSetVariable>();
  script.PushNumber(1.5);
  script.StoreRegister(1);
  EXPECT_EQ(ActionBytes(script), (std::vector<uint8_t>{
      0x96, 0x0E, 0x00,                         // Push, 14 bytes:
      0x00, 'a', 0x00,                          //   "a"
      0x07, 0x07, 0x00, 0x00, 0x00,             //   7
      0x05, 0x01,                               //   true
      0x02, 0x03,                               //   null, undefined
      0x04, 0x02,                               //   register 2
      0x1D,                                     // SetVariable
      0x96, 0x09, 0x00, 0x06,                   // Push 1.5 (a double: high word first)
      0x00, 0x00, 0xF8, 0x3F, 0x00, 0x00, 0x00, 0x00,
      0x87, 0x01, 0x00, 0x01}));                // StoreRegister 1
}

TEST(FlashActionScript, NumbersGoAsIntegersOnlyWhenTheyAreIntegersInRange) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashActionScript& script = movie.FrameActions();
  for (double v : {3.0, -2147483648.0, 2147483648.0, -0.0, 0.25}) script.PushNumber(v);
  auto* push = static_cast<TSWFActionPush*>(script.Actions()[0]);
  ASSERT_EQ(script.Actions().Count(), 1u);
  std::vector<int> types;
  for (const TPushValueInfo& v : push->Values) types.push_back(v.ValueType);
  EXPECT_EQ(types, (std::vector<int>{kPushInteger, kPushInteger, kPushDouble, kPushDouble, kPushDouble}));
}

TEST(FlashActionScript, APushThatWouldPassItsLengthStartsAnother) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashActionScript& script = movie.FrameActions();
  const std::string text(30000, 'x');
  script.PushString(text);  // 30,002 bytes
  script.PushString(text);  // 60,004
  script.PushString(text);  // would be 90,006: a second Push
  ASSERT_EQ(script.Actions().Count(), 2u);
  EXPECT_EQ(static_cast<TSWFActionPush*>(script.Actions()[0])->Values.size(), 2u);
  EXPECT_EQ(static_cast<TSWFActionPush*>(script.Actions()[1])->Values.size(), 1u);
  EXPECT_NO_THROW(ActionBytes(script));
}

TEST(FlashActionScript, PushesAfterCompiledCodeJoinItsLastPush) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.SetVersion(6);
  TFlashActionScript& script = movie.FrameActions();
  ASSERT_TRUE(script.Compile("stop();"));
  const size_t count = script.Actions().Count();
  script.PushString("x");  // after Stop: a Push of its own
  script.PushInteger(1);
  script.Add<TSWFActionSetVariable>();
  EXPECT_EQ(script.Actions().Count(), count + 2);
  EXPECT_EQ(script.Actions()[count]->ActionCode, TSWFActionCode::Push);
}

// --- IDs ---

TEST(FlashMovie, IDsInCreationOrderAndNeverPastTheLast) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  EXPECT_EQ(movie.AddSprite()->GetID(), 1);
  EXPECT_EQ(movie.AddSprite()->GetID(), 2);
  EXPECT_EQ(movie.Sprites.size(), 2u);
  movie.NextID = 65535;
  EXPECT_EQ(movie.TakeID(), 65535);
  EXPECT_EQ(movie.NextID, 65536u);
  EXPECT_THROW(movie.TakeID(), Error);
  EXPECT_THROW(movie.AddSprite(), Error);
  EXPECT_EQ(movie.Objects.size(), 2u);  // the refused sprite was not added
  EXPECT_THROW(movie.ReserveIDs(65000, 600), Error);
}

// --- Placements ---

TEST(FlashMovie, APlacementIsAPlaceObject2InTheMovieUnits) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashSprite* sprite = movie.AddSprite();
  TFlashPlaceObject* place = movie.PlaceObject(sprite, 3);
  place->SetPosition(10, 20);  // pixels: 200, 400 twips
  place->SetName("clip");
  movie.ShowFrame();
  EXPECT_EQ(movie.MaxDepth, 3);
  auto reader = ReadBack(movie);
  ASSERT_EQ(Codes(*reader), (V{39, 26, 1, 0}));
  // Flags: name, matrix, character; depth 3; character 1; a matrix that only translates by
  // (200, 400) in 10-bit fields (0 0 01010 0011001000 0110010000, padded); the name.
  const std::vector<uint8_t> expected = {0x26, 0x03, 0x00, 0x01, 0x00, 0x14, 0x64, 0x32, 0x00,
                                         'c',  'l',  'i',  'p',  0x00};
  EXPECT_EQ(test::BodyOf(*reader, 1), expected);
  const auto& tag = static_cast<TSWFPlaceObject2&>(*reader->TagList[1]->Object);
  EXPECT_EQ(tag.Matrix().TranslateX, 200);
  EXPECT_EQ(tag.Matrix().TranslateY, 400);
  EXPECT_EQ(tag.Name, "clip");
}

TEST(FlashMovie, ScaleAndRotationKeepEachOther) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashPlaceObject* place = movie.PlaceObject(movie.AddSprite(), 1);
  place->SetScale(2, 3);
  place->SetRotation(90);
  const TSWFMatrix& m = place->Tag.Matrix();
  EXPECT_NEAR(FixedToFloat(m.ScaleX), 0, 1e-4);
  EXPECT_NEAR(FixedToFloat(m.RotateSkew0), 2, 1e-4);
  EXPECT_NEAR(FixedToFloat(m.RotateSkew1), -3, 1e-4);
  place->SetRotation(0);
  EXPECT_FALSE(m.HasRotate);
  EXPECT_NEAR(FixedToFloat(m.ScaleY), 3, 1e-4);
}

TEST(FlashMovie, ABlendModeNeedsPlaceObject3AndVersion8) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashPlaceObject* place = movie.PlaceObject(movie.AddSprite(), 1);
  place->Tag.HasBlendMode = true;
  place->Tag.BlendMode = 2;
  movie.ShowFrame();
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{39, 70, 1, 0}));
  EXPECT_EQ(reader->Version(), 8);
}

TEST(FlashMovie, ClipEventsAreWrittenInTheWidthOfTheFinalVersion) {
  // The placement comes before a tag that raises the version from 5 to 8: its event flags
  // must still be 32 bits wide, as a version 8 player reads them.
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashPlaceObject* place = movie.PlaceObject(movie.AddSprite(), 1);
  TSWFClipActionRecord* load = place->FindClipAction(kClipLoad, true);
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(place->FindClipAction(kClipLoad, false), load);
  EXPECT_EQ(place->FindClipAction(kClipEnterFrame, false), nullptr);
  ASSERT_TRUE(place->ClipScript(*load).Compile("trace(1);"));
  TFlashPlaceObject* later = movie.PlaceObject(movie.AddSprite(), 2);
  later->Tag.HasBlendMode = true;
  later->Tag.BlendMode = 3;
  movie.ShowFrame();
  auto reader = ReadBack(movie);
  ASSERT_EQ(reader->Version(), 8);
  auto* tag = dynamic_cast<TSWFPlaceObject2*>(reader->TagList[1]->Object);
  ASSERT_NE(tag, nullptr) << "the placement did not read back";
  ASSERT_EQ(tag->ClipActions().Records.size(), 1u);
  EXPECT_EQ(tag->ClipActions().Records[0]->EventFlags, kClipLoad);
}

TEST(FlashMovie, ClipActionsOnlyForPlacedSprites) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashPlaceObject* place = movie.PlaceCharacter(7, 1);
  EXPECT_EQ(place->FindClipAction(kClipLoad, true), nullptr);
  EXPECT_EQ(place->Tag.CharacterID, 7);
}

TEST(FlashMovie, RemovalsByCharacterOrByDepth) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashSprite* sprite = movie.AddSprite();
  movie.RemoveObject(4, sprite);
  movie.RemoveObject(5);
  EXPECT_THROW(movie.RemoveObject(70000), Error);
  movie.ShowFrame();
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{39, 5, 28, 1, 0}));
  EXPECT_EQ(static_cast<TSWFRemoveObject&>(*reader->TagList[1]->Object).CharacterID, 1);
}

// --- Sprites ---

TEST(FlashSprite, AnEmptySpriteShowsOneFrame) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.AddSprite();
  auto reader = ReadBack(movie);
  auto& sprite = static_cast<TSWFDefineSprite&>(*reader->TagList[0]->Object);
  EXPECT_EQ(sprite.FrameCount, 1);
  EXPECT_EQ(Codes(sprite.Tags), (V{1, 0}));
}

TEST(FlashSprite, OwnTimelineWithFramesLabelsAndActions) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashSprite* inner = movie.AddSprite();
  TFlashSprite* clip = movie.AddSprite(inner);  // inner at depth 1
  clip->FrameLabel = "loop";
  ASSERT_TRUE(clip->FrameActions().Compile("stop();"));
  clip->ShowFrame(0);
  clip->RemoveObject(1);
  clip->ShowFrame(2);
  EXPECT_EQ(clip->FrameCount, 3);
  EXPECT_EQ(clip->CurrentFrame, 2);
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{39, 39, 0}));
  auto& tag = static_cast<TSWFDefineSprite&>(*reader->TagList[1]->Object);
  EXPECT_EQ(tag.SpriteID, 2);
  EXPECT_EQ(tag.FrameCount, 3);
  EXPECT_EQ(Codes(tag.Tags), (V{26, 12, 43, 1, 28, 1, 1, 0}));
  EXPECT_EQ(static_cast<TSWFPlaceObject2&>(*tag.Tags[0]).CharacterID, 1);
}

TEST(FlashSprite, InitActionsFollowTheDefinitionAsDoInitAction) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.AddSprite();
  TFlashSprite* class_sprite = movie.AddSprite();
  ASSERT_TRUE(class_sprite->InitActions().Compile("_global.ready = true;"));
  movie.ShowFrame();
  auto reader = ReadBack(movie);
  EXPECT_EQ(Codes(*reader), (V{39, 39, 59, 1, 0}));
  EXPECT_EQ(static_cast<TSWFDoInitAction&>(*reader->TagList[2]->Object).SpriteID, 2);
  EXPECT_EQ(reader->Version(), 6);  // init actions need 6
}

TEST(FlashSprite, APlacedDefinitionMovesInFrontOfTheSprite) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashSprite* holder = movie.AddSprite();
  TFlashSprite* content = movie.AddSprite();
  holder->PlaceObject(content, 1);
  ASSERT_EQ(movie.Objects[0].get(), content);
  auto reader = ReadBack(movie);
  EXPECT_EQ(static_cast<TSWFDefineSprite&>(*reader->TagList[0]->Object).SpriteID, 2);
  EXPECT_THROW(holder->PlaceObject(holder, 2), Error);
}

// --- Moving resources ---

uint16_t CodeAt(const TFlashMovie& movie, size_t i) {
  if (dynamic_cast<const TFlashSprite*>(movie.Objects[i].get())) return 39;
  if (dynamic_cast<const TFlashPlaceObject*>(movie.Objects[i].get())) return 26;
  return dynamic_cast<const TSWFObject&>(*movie.Objects[i]).HeaderTagID();
}

TEST(FlashMovie, ResourcesOfLaterFramesMoveToTheFirstInOrder) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.AddSprite();                                  // 0
  movie.ShowFrame();                                  // 1
  movie.Add(test::Raw(20, {0x02, 0x00}));             // 2: lossless bitmap
  movie.PlaceCharacter(1, 1);                         // 3
  movie.ShowFrame();                                  // 4
  movie.Add(test::Raw(14, {0x03, 0x00}));             // 5: sound
  movie.Add(test::Raw(8, {}));                        // 6: JPEG tables
  movie.ShowFrame();                                  // 7
  movie.Add(test::Raw(48, {0x04, 0x00}));             // 8: font after the last frame
  auto code_at = [&](size_t i) { return CodeAt(movie, i); };
  movie.MoveResources(0, 1, 1);  // frame 2 only
  EXPECT_EQ(code_at(0), 20);
  EXPECT_EQ(code_at(5), 14);
  movie.MoveResources(0, 1, -1);  // every later frame, keeping the order
  std::vector<uint16_t> codes;
  for (size_t i = 0; i < movie.Objects.size(); ++i) codes.push_back(code_at(i));
  EXPECT_EQ(codes, (V{14, 8, 48, 20, 39, 1, 26, 1, 1}));  // in front of the one moved before
}

TEST(FlashMovie, MovingResourcesWithinAFrameKeepsTheirOrder) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.Add(test::Raw(20, {0x01, 0x00}));
  movie.AddSprite();
  movie.Add(test::Raw(36, {0x03, 0x00}));
  movie.ShowFrame();
  movie.MoveResources(0, 0, 0);
  auto code_at = [&](size_t i) { return CodeAt(movie, i); };
  EXPECT_EQ(code_at(0), 20);
  EXPECT_EQ(code_at(1), 36);
  EXPECT_EQ(code_at(2), 39);
}

// --- Objects that write at every frame ---

// Writes a label naming itself and the frame, so the file shows when it was asked.
class LabelWriter : public TFlashFrameWriter {
public:
  explicit LabelWriter(std::string name, uint8_t version = 1) : name_(std::move(name)), version_(version) {}
  void WriteHead(TBitsEngine& be) override { TSWFFrameLabel(name_ + " head").WriteToStream(be); }
  void WriteFrame(TBitsEngine& be, int frame) override {
    TSWFFrameLabel(name_ + " " + std::to_string(frame)).WriteToStream(be);
  }
  uint8_t MinVersion() const override { return version_; }

private:
  std::string name_;
  uint8_t version_;
};

std::vector<std::string> Labels(const TSWFObjectList& tags) {
  std::vector<std::string> out;
  for (const auto& tag : tags)
    if (auto* label = dynamic_cast<TSWFFrameLabel*>(tag.get())) out.push_back(label->Name);
  return out;
}

TEST(FlashMovie, PlacedVideosAndTheStreamSoundWriteAtEveryFrame) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.PlaceVideo(std::make_unique<LabelWriter>("video", 6), 7);
  movie.SetStreamSound(std::make_unique<LabelWriter>("sound"), 1);
  movie.ShowFrame(3);
  EXPECT_EQ(movie.MaxDepth, 7);
  auto reader = ReadBack(movie);
  TSWFObjectList tags;
  for (auto& info : reader->TagList) tags.push_back(info->Object->Clone());
  EXPECT_EQ(Labels(tags), (std::vector<std::string>{"sound head", "video 0", "video 1", "sound 0", "video 2",
                                                    "sound 1"}));
  EXPECT_EQ(reader->Version(), 6);
  EXPECT_EQ(reader->FrameCount, 3);
}

TEST(FlashSprite, WritersOfASpriteFollowItsOwnFrames) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  TFlashSprite* sprite = movie.AddSprite();
  sprite->PlacedVideos.push_back(std::make_unique<LabelWriter>("video"));
  sprite->SetStreamSound(std::make_unique<LabelWriter>("sound"));
  sprite->ShowFrame(2);
  auto reader = ReadBack(movie);
  auto& tag = static_cast<TSWFDefineSprite&>(*reader->TagList[0]->Object);
  EXPECT_EQ(Labels(tag.Tags), (std::vector<std::string>{"sound head", "video 0", "sound 0", "video 1", "sound 1"}));
}

// --- Progress ---

TEST(FlashMovie, BuildingReportsProgressPerEntry) {
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.AddSprite();
  movie.AddSprite();
  movie.ShowFrame();
  std::vector<int> seen;
  movie.OnProgress = [&](TBasedSWFStream&, int percent, int kind) {
    if (kind == kProgressBuilding) seen.push_back(percent);
  };
  movie.WriteBody();
  EXPECT_EQ(seen, (std::vector<int>{33, 67, 100}));
}

// --- Saving: the body goes to the file as it grows ---

// A movie whose body passes the streaming buffer several times: 40 frames with a 100 kB
// tag each.
void FillLargeMovie(TFlashMovie& movie) {
  movie.BackgroundColor() = TSWFRGB(1, 2, 3);
  for (int i = 0; i < 40; ++i) {
    movie.Add(test::Raw(87, std::vector<uint8_t>(100000, static_cast<uint8_t>(i))));  // DefineBinaryData
    movie.ShowFrame();
  }
}

TEST(FlashMovieSave, StreamedFileEqualsTheMovieWrittenInMemory) {
  test::TempFolder folder;
  for (TSWFCompression compression : {TSWFCompression::None, TSWFCompression::Zlib, TSWFCompression::LZMA}) {
    SCOPED_TRACE(static_cast<int>(compression));
    TFlashMovie streamed(0, 0, 320, 240, 25), in_memory(0, 0, 320, 240, 25);
    for (TFlashMovie* movie : {&streamed, &in_memory}) {
      movie->SetCompression(compression);
      FillLargeMovie(*movie);
    }
    const std::string path = folder.file("large.swf");
    streamed.Save(path);
    in_memory.WriteBody();
    const std::vector<uint8_t> expected = in_memory.SaveToBytes();
    const std::vector<uint8_t> file = ReadFileBytes(path);
    EXPECT_EQ(streamed.FrameCount, 40);
    EXPECT_EQ(streamed.FileLength, in_memory.FileLength);
    EXPECT_EQ(streamed.Version(), in_memory.Version());
    if (compression == TSWFCompression::None) {
      EXPECT_EQ(file, expected);  // length and frame count patched into the header
    } else {
      // Compressed bytes may be packed differently; the content must be the same.
      TSWFStreamReader a, b;
      a.LoadFromStream(file);
      b.LoadFromStream(expected);
      EXPECT_TRUE(a.IsValid);
      EXPECT_EQ(a.FrameCount, 40);
      EXPECT_EQ(a.FileLength, b.FileLength);
      EXPECT_EQ(a.GetBodyStream(), b.GetBodyStream());
    }
    // Nothing but the movie is left in the folder (no temporary or scratch file).
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
  }
}

TEST(FlashMovieSave, AFailedBodyLeavesTheOldFile) {
  test::TempFolder folder;
  const std::string path = folder.write("old.swf", "old content");
  TFlashMovie movie(0, 0, 100, 100, 12);
  movie.ShowFrame();
  movie.SetCompressed(true);
  movie.ShowFrame();
  // Too many frames: the writer stops with an error in the middle of the body.
  for (int i = 0; i < 0x10000; ++i) movie.Add(std::make_unique<TSWFShowFrame>());
  EXPECT_THROW(movie.Save(path), Error);
  EXPECT_EQ(ReadFileText(path), "old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

}  // namespace
}  // namespace fc

