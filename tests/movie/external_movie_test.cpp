#include "movie/external_movie.h"

#include <gtest/gtest.h>

#include "movie/flash_sprite.h"
#include "movie_test_util.h"
#include "swf/actions.h"
#include "swf/buttons_sprites.h"
#include "swf/placements.h"

namespace fc {
namespace {

using test::Codes;
using test::Raw;
using test::ReadBack;
using test::WordAt;
using V = std::vector<uint16_t>;

std::vector<uint8_t> Save(TFlashMovie& movie) {
  movie.WriteBody();
  return movie.SaveToBytes();
}

// A template of two frames: a sprite (1) and a shape kept as bytes (2) filled with a bitmap
// defined nowhere (9), a placement of the sprite, a label and a script, then a removal.
std::vector<uint8_t> TwoFrameTemplate(uint8_t version = 6) {
  TFlashMovie t(0, 0, 200, 100, 24);
  t.SetVersion(version);
  t.BackgroundColor() = TSWFRGB(9, 9, 9);
  TFlashSprite* sprite = t.AddSprite();
  t.Add(Raw(22, {0x02, 0x00, 0x00, 0x01, 0x41, 0x09, 0x00, 0x00, 0x00, 0x10, 0x00}));
  t.TakeID();
  t.PlaceObject(sprite, 1);
  t.FrameLabel = "start";
  EXPECT_TRUE(t.FrameActions().Compile("trace('hello');"));
  t.ShowFrame();
  t.RemoveObject(1);
  t.ShowFrame();
  return Save(t);
}

// --- The four modes ---

TEST(ExternalMovie, TimelineModeAddsTheFrames) {
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddSprite();
  TFlashExternalMovie* ext = host.AddExternalMovie(TwoFrameTemplate(), kExternalTimeline);
  EXPECT_EQ(ext->GetID(), 2);
  EXPECT_EQ(host.NextID, 5u);  // definitions 2 and 3, one spare
  auto reader = ReadBack(host);
  EXPECT_EQ(Codes(*reader), (V{39, 39, 22, 26, 43, 12, 1, 28, 1, 0}));  // no second background
  EXPECT_EQ(reader->FrameCount, 2);
  EXPECT_EQ(static_cast<TSWFDefineSprite&>(*reader->TagList[1]->Object).SpriteID, 2);
  EXPECT_EQ(WordAt(test::BodyOf(*reader, 2), 0), 3);  // the raw shape
  EXPECT_EQ(WordAt(test::BodyOf(*reader, 2), 5), 9);  // its bitmap is defined nowhere
  EXPECT_EQ(static_cast<TSWFPlaceObject2&>(*reader->TagList[3]->Object).CharacterID, 2);
}

TEST(ExternalMovie, LibraryModeKeepsDefinitionsAndScripts) {
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddExternalMovie(TwoFrameTemplate(), kExternalLibrary);
  host.ShowFrame();
  auto reader = ReadBack(host);
  EXPECT_EQ(Codes(*reader), (V{39, 22, 43, 12, 1, 0}));
  EXPECT_EQ(reader->FrameCount, 1);
}

TEST(ExternalMovie, OneFrameModeMergesTheFrames) {
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddExternalMovie(TwoFrameTemplate(), kExternalOneFrame);
  auto reader = ReadBack(host);
  // No ShowFrame of its own, but it placed something: the movie gets one frame.
  EXPECT_EQ(Codes(*reader), (V{39, 22, 26, 43, 12, 28, 1, 0}));
  EXPECT_EQ(reader->FrameCount, 1);
}

TEST(ExternalMovie, SpriteModeMakesItsTimelineASprite) {
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddSprite();
  TFlashExternalMovie* ext = host.AddExternalMovie(TwoFrameTemplate(), kExternalSprite);
  ASSERT_NE(ext->Sprite(), nullptr);
  EXPECT_EQ(ext->Sprite()->GetID(), 2);
  EXPECT_EQ(host.Sprites.back(), ext->Sprite());
  EXPECT_EQ(host.NextID, 6u);
  host.PlaceObject(ext->Sprite(), 5)->SetName("guest");
  host.ShowFrame();
  auto reader = ReadBack(host);
  EXPECT_EQ(Codes(*reader), (V{39, 39, 22, 39, 26, 1, 0}));
  EXPECT_EQ(reader->FrameCount, 1);
  auto& guest = static_cast<TSWFDefineSprite&>(*reader->TagList[3]->Object);
  EXPECT_EQ(guest.SpriteID, 2);
  EXPECT_EQ(guest.FrameCount, 2);
  EXPECT_EQ(Codes(guest.Tags), (V{26, 43, 12, 1, 28, 1, 0}));
  EXPECT_EQ(static_cast<TSWFPlaceObject2&>(*guest.Tags[0]).CharacterID, 3);
  EXPECT_EQ(static_cast<TSWFPlaceObject2&>(*reader->TagList[4]->Object).CharacterID, 2);
  // Written again, the sprite is rebuilt, not doubled.
  auto again = ReadBack(host);
  EXPECT_EQ(Codes(static_cast<TSWFDefineSprite&>(*again->TagList[3]->Object).Tags), (V{26, 43, 12, 1, 28, 1, 0}));
}

TEST(ExternalMovie, SpriteModeIDBlock) {
  // Two definitions, then a template of five in sprite mode: ID 3, its definitions from 4,
  // and the next ID 10.
  TFlashMovie t(0, 0, 10, 10, 12);
  for (int i = 0; i < 5; ++i) t.AddSprite();
  const std::vector<uint8_t> five = Save(t);
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddSprite();
  host.AddSprite();
  TFlashExternalMovie* ext = host.AddExternalMovie(five, kExternalSprite);
  EXPECT_EQ(ext->GetID(), 3);
  EXPECT_EQ(ext->DefinitionCount(), 5u);
  EXPECT_EQ(host.NextID, 10u);
  auto reader = ReadBack(host);
  std::vector<uint16_t> ids;
  for (const auto& info : reader->TagList)
    if (auto* s = dynamic_cast<TSWFDefineSprite*>(info->Object)) ids.push_back(s->SpriteID);
  EXPECT_EQ(ids, (V{1, 2, 4, 5, 6, 7, 8, 3}));
}

TEST(ExternalMovie, ModesByNameOrNumber) {
  EXPECT_EQ(ParseExternalMode("sprite"), kExternalSprite);
  EXPECT_EQ(ParseExternalMode("Library"), kExternalLibrary);
  EXPECT_EQ(ParseExternalMode("2"), kExternalOneFrame);
  EXPECT_EQ(ParseExternalMode("4"), -1);
  EXPECT_STREQ(ExternalModeName(0), "timeline");
  TFlashMovie host(0, 0, 100, 100, 12);
  EXPECT_THROW(host.AddExternalMovie(TwoFrameTemplate(), 7), Error);
  EXPECT_TRUE(host.Objects.empty());
}

// --- Renumbering ---

TEST(ExternalMovie, EveryReferenceFollowsItsCharacter) {
  // Bitmap 1 and shape 2 kept as bytes, a sprite (3) placing the shape, its init actions,
  // an export of the sprite and a button sound of a button defined nowhere.
  TFlashMovie t(0, 0, 10, 10, 12);
  t.SetVersion(8);
  t.Add(Raw(20, {0x01, 0x00, 0x05, 0x01, 0x00, 0x01, 0x00, 0x00}));
  t.Add(Raw(22, {0x02, 0x00, 0x00, 0x01, 0x41, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00}));
  t.NextID = 3;
  TFlashSprite* sprite = t.AddSprite();
  sprite->PlaceCharacter(2, 1);
  ASSERT_TRUE(sprite->InitActions().Compile("_global.x = 1;"));
  auto exports = std::make_unique<TSWFExportAssets>();
  exports->Assets = {{3, "clip"}};
  t.Add(std::move(exports));
  t.Add(Raw(17, {0x09, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  t.ShowFrame();
  const std::vector<uint8_t> bytes = Save(t);

  TFlashMovie host(0, 0, 100, 100, 12);
  host.NextID = 40;
  host.AddExternalMovie(bytes, kExternalTimeline);
  EXPECT_EQ(host.NextID, 44u);
  auto reader = ReadBack(host);
  ASSERT_EQ(Codes(*reader), (V{20, 22, 39, 59, 56, 17, 1, 0}));
  auto body = [&](size_t i) { return test::BodyOf(*reader, i); };
  EXPECT_EQ(WordAt(body(0), 0), 40);  // the bitmap kept as bytes (or decoded)
  EXPECT_EQ(WordAt(body(1), 0), 41);  // the shape
  EXPECT_EQ(WordAt(body(1), 5), 40);  // its fill
  auto& s = static_cast<TSWFDefineSprite&>(*reader->TagList[2]->Object);
  EXPECT_EQ(s.SpriteID, 42);
  EXPECT_EQ(static_cast<TSWFPlaceObject2&>(*s.Tags[0]).CharacterID, 41);
  EXPECT_EQ(static_cast<TSWFDoInitAction&>(*reader->TagList[3]->Object).SpriteID, 42);
  EXPECT_EQ(static_cast<TSWFExportAssets&>(*reader->TagList[4]->Object).Assets[0].ID, 42);
  EXPECT_EQ(WordAt(body(5), 0), 9);  // defined nowhere: left alone
}

TEST(ExternalMovie, ATagKeptAsBytesIsRenumberedInsideToo) {
  // A button whose body runs on after its records: no class reads it in full, so it stays
  // bytes; its record's character is still found and moved.
  TFlashMovie t(0, 0, 10, 10, 12);
  t.AddSprite();
  t.Add(Raw(34, {0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xEE}));
  t.NextID = 3;
  t.ShowFrame();
  TFlashMovie host(0, 0, 100, 100, 12);
  host.NextID = 10;
  TFlashExternalMovie* ext = host.AddExternalMovie(Save(t), kExternalTimeline);
  ASSERT_NE(dynamic_cast<TSWFByteCodeTag*>(ext->Reader.TagList[1]->Object), nullptr) << "the button was decoded";
  auto reader = ReadBack(host);
  const std::vector<uint8_t> button = test::BodyOf(*reader, 1);
  EXPECT_EQ(WordAt(button, 0), 11);
  EXPECT_EQ(WordAt(button, 6), 10);
  EXPECT_EQ(button.back(), 0xEE);
}

TEST(ExternalMovie, ASpriteWithoutEndOrFramesIsImportedAsItIs) {
  // Sprite 1 says 0 frames and shows one without an End tag; players tell both apart.
  TFlashMovie t(0, 0, 10, 10, 12);
  t.Add(Raw(39, {0x01, 0x00, 0x00, 0x00, 0x40, 0x00}));
  t.NextID = 2;
  t.ShowFrame();
  TFlashMovie host(0, 0, 100, 100, 12);
  host.NextID = 7;
  TFlashExternalMovie* ext = host.AddExternalMovie(Save(t), kExternalTimeline);
  ASSERT_NE(dynamic_cast<TSWFDefineSprite*>(ext->Reader.TagList[0]->Object), nullptr) << "the sprite was not decoded";
  auto reader = ReadBack(host);
  ASSERT_EQ(Codes(*reader), (V{39, 1, 0}));
  EXPECT_EQ(test::BodyOf(*reader, 0), (std::vector<uint8_t>{0x07, 0x00, 0x00, 0x00, 0x40, 0x00}));
}

TEST(ExternalMovie, KeptIDsAreNotHandedOutAgain) {
  TFlashMovie t(0, 0, 10, 10, 12);
  t.NextID = 30;
  t.AddSprite();
  const std::vector<uint8_t> bytes = Save(t);
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddExternalMovie(bytes, kExternalLibrary, false);
  EXPECT_EQ(host.AddSprite()->GetID(), 31);
}

TEST(ExternalMovie, AnImportPastID65535IsRefusedAndChangesNothing) {
  TFlashMovie t(0, 0, 10, 10, 12);
  for (int i = 0; i < 10; ++i) t.AddSprite();
  const std::vector<uint8_t> ten = Save(t);
  TFlashMovie host(0, 0, 100, 100, 12);
  host.NextID = 65530;
  try {
    host.AddExternalMovie(ten, kExternalSprite);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(host.Objects.empty());
  EXPECT_EQ(host.NextID, 65530u);
  // The block that fits exactly: ID 65524, definitions 65525..65534, the spare one 65535.
  host.NextID = 65524;
  TFlashExternalMovie* ext = host.AddExternalMovie(ten, kExternalSprite);
  EXPECT_EQ(ext->GetID(), 65524);
  EXPECT_EQ(host.NextID, 65536u);
  EXPECT_THROW(host.AddSprite(), Error);
  auto reader = ReadBack(host);
  EXPECT_EQ(static_cast<TSWFDefineSprite&>(*reader->TagList[9]->Object).SpriteID, 65534);
}

TEST(ExternalMovie, NoSWFIsRefused) {
  TFlashMovie host(0, 0, 100, 100, 12);
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_THROW(host.AddExternalMovie(text, kExternalTimeline), FormatError);
  EXPECT_TRUE(host.Objects.empty());
  EXPECT_EQ(host.NextID, 1u);
}

// --- Versions, filters and fonts ---

TEST(ExternalMovie, ClipEventsOfAnOlderTemplateTakeTheMoviesWidth) {
  TFlashMovie t(0, 0, 10, 10, 12);
  t.SetVersion(5);
  TFlashPlaceObject* place = t.PlaceObject(t.AddSprite(), 1);
  ASSERT_TRUE(place->ClipScript(*place->AddClipAction(kClipEnterFrame)).Compile("play();"));
  t.ShowFrame();
  const std::vector<uint8_t> old = Save(t);
  ASSERT_EQ(old[3], 5);

  TFlashMovie host(0, 0, 100, 100, 12);
  host.SetVersion(8);
  host.AddExternalMovie(old, kExternalTimeline);
  auto reader = ReadBack(host);
  EXPECT_EQ(reader->Version(), 8);
  auto* tag = dynamic_cast<TSWFPlaceObject2*>(reader->TagList[1]->Object);
  ASSERT_NE(tag, nullptr);
  ASSERT_EQ(tag->ClipActions().Records.size(), 1u);
  EXPECT_EQ(tag->ClipActions().Records[0]->EventFlags, kClipEnterFrame);
}

TEST(ExternalMovie, TheTemplatesVersionRaisesTheMovies) {
  TFlashMovie host(0, 0, 100, 100, 12);
  host.AddExternalMovie(TwoFrameTemplate(9), kExternalLibrary);
  EXPECT_EQ(ReadBack(host)->Version(), 9);
}

TEST(ExternalMovie, OnTagLeavesTagsOut) {
  TFlashMovie host(0, 0, 100, 100, 12);
  TFlashExternalMovie* ext = host.AddExternalMovie(TwoFrameTemplate(), kExternalTimeline);
  ext->OnTag = [](TSWFObject& tag) { return tag.HeaderTagID() != 12 && tag.HeaderTagID() != 43; };
  EXPECT_EQ(Codes(*ReadBack(host)), (V{39, 22, 26, 1, 28, 1, 0}));
}

// An embedded font of one empty glyph named "Arial", a device font of the same name, and an
// HTML text field of the embedded one.
std::vector<uint8_t> FontTemplate() {
  TFlashMovie t(0, 0, 10, 10, 12);
  t.SetVersion(8);
  t.Add(Raw(48, {0x01, 0x00, 0x00, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x01, 0x00,
                 0x04, 0x00, 0x06, 0x00, 0x00, 0x00, 'A'}));
  t.Add(Raw(48, {0x02, 0x00, 0x00, 0x00, 0x05, 'A', 'r', 'i', 'a', 'l', 0x00, 0x00, 0x00, 0x00}));
  const std::string html = "<font FACE='Arial' size='9'>Hi</font><font face=\"Arial\">!</font>";
  std::vector<uint8_t> text = {0x03, 0x00, 0x00, 0x81, 0x02, 0x01, 0x00, 0xF0, 0x00, 0x00};
  text.insert(text.end(), html.begin(), html.end());
  text.push_back(0);
  t.Add(Raw(37, text));
  t.NextID = 4;
  t.ShowFrame();
  return Save(t);
}

std::string FontName(const std::vector<uint8_t>& body) {
  return std::string(body.begin() + 5, body.begin() + 5 + body[4]);
}

TEST(ExternalMovie, EmbeddedFontsAndHtmlFacesGetThePrefix) {
  TFlashMovie host(0, 0, 100, 100, 12);
  host.NextID = 20;
  TFlashExternalMovie* ext = host.AddExternalMovie(FontTemplate(), kExternalTimeline);
  ext->FontPrefix = "123";
  auto reader = ReadBack(host);
  ASSERT_EQ(Codes(*reader), (V{48, 48, 37, 1, 0}));
  EXPECT_EQ(FontName(test::BodyOf(*reader, 0)), "123Arial");
  EXPECT_EQ(FontName(test::BodyOf(*reader, 1)), "Arial");  // no glyphs: a system font
  const std::vector<uint8_t> text = test::BodyOf(*reader, 2);
  EXPECT_EQ(WordAt(text, 5), 20);  // the field's font, renumbered
  const std::string html(text.begin() + 10, text.end() - 1);
  EXPECT_EQ(html, "<font FACE='123Arial' size='9'>Hi</font><font face=\"123Arial\">!</font>");
  // Written again: still one prefix.
  EXPECT_EQ(FontName(test::BodyOf(*ReadBack(host), 0)), "123Arial");
}

TEST(ExternalMovie, FontsKeepTheirNamesWhenAsked) {
  TFlashMovie host(0, 0, 100, 100, 12);
  TFlashExternalMovie* ext = host.AddExternalMovie(FontTemplate(), kExternalTimeline);
  ext->RenameFonts = false;
  auto reader = ReadBack(host);
  EXPECT_EQ(FontName(test::BodyOf(*reader, 0)), "Arial");
  EXPECT_TRUE(ext->FontPrefix.empty());
}

TEST(ExternalMovie, ARandomPrefixIsANumberBelow65535) {
  TFlashMovie host(0, 0, 100, 100, 12);
  TFlashExternalMovie* ext = host.AddExternalMovie(FontTemplate(), kExternalTimeline);
  host.WriteBody();
  ASSERT_FALSE(ext->FontPrefix.empty());
  EXPECT_LE(std::stoi(ext->FontPrefix), 65534);
  EXPECT_EQ(ext->FontPrefix.find_first_not_of("0123456789"), std::string::npos);
}

}  // namespace
}  // namespace fc
