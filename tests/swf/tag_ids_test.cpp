#include "swf/tag_ids.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <span>
#include <vector>

#include "swf/buttons_sprites.h"
#include "swf/placements.h"

namespace fc {
namespace {

std::unique_ptr<TSWFByteCodeTag> Raw(uint16_t code, std::vector<uint8_t> body) {
  return std::make_unique<TSWFByteCodeTag>(code, body);
}

uint16_t WordAt(std::span<const uint8_t> b, size_t pos) { return static_cast<uint16_t>(b[pos] | (b[pos + 1] << 8)); }

// Every ID a raw body holds, patched through a map (old -> new); returns what was seen.
struct Seen {
  std::vector<uint16_t> defined, referenced;
};

Seen Patch(uint16_t code, std::vector<uint8_t>& body, const std::map<uint16_t, uint16_t>& to) {
  Seen seen;
  auto remap = [&](std::vector<uint16_t>& out) {
    return [&out, &to](uint16_t& id) {
      out.push_back(id);
      if (auto it = to.find(id); it != to.end()) id = it->second;
    };
  };
  VisitRawTagIDs(code, body, remap(seen.defined), remap(seen.referenced));
  return seen;
}

// --- Raw bodies, byte for byte: the ID fields move, nothing else does ---

TEST(RawTagIDs, ShapeBitmapFillsInTheStylesAndInNewStyles) {
  std::vector<uint8_t> body = {
      0x03, 0x00,                    // shape ID 3
      0x00,                          // bounds: 0-bit rectangle
      0x01, 0x41, 0x01, 0x00, 0x00,  // one clipped bitmap fill of bitmap 1, empty matrix
      0x00,                          // no line styles
      0x10,                          // 1 fill bit, 0 line bits
      0b0'10000'00,                  // style change with new styles, padded
      0x01, 0x43, 0x02, 0x00, 0x00,  // one bitmap fill of bitmap 2
      0x00,                          // no line styles
      0x10,                          // index widths
      0b0'00000'00,                  // end of shape
  };
  std::vector<uint8_t> expected = body;
  expected[0] = 12;
  expected[5] = 10;
  expected[13] = 11;
  const Seen seen = Patch(22, body, {{1, 10}, {2, 11}, {3, 12}});
  EXPECT_EQ(seen.defined, (std::vector<uint16_t>{3}));
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{1, 2}));
  EXPECT_EQ(body, expected);
}

TEST(RawTagIDs, Shape4LineStyleFilledWithABitmap) {
  std::vector<uint8_t> body = {
      0x05, 0x00, 0x00, 0x00, 0x00,  // ID, bounds, edge bounds, flags
      0x00,                          // no fill styles
      0x01, 0x14, 0x00,              // one LineStyle2 of width 20
      0x08, 0x00,                    // HasFill, round joins
      0x40, 0x07, 0x00, 0x00,        // repeating bitmap fill of bitmap 7
      0x01,                          // 0 fill bits, 1 line bit
      0x00,                          // end of shape
  };
  const Seen seen = Patch(83, body, {{7, 70}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{7}));
  EXPECT_EQ(WordAt(body, 12), 70);
}

TEST(RawTagIDs, MorphShapeFillOfABitmap) {
  std::vector<uint8_t> body = {
      0x09, 0x00, 0x00, 0x00,        // ID, start and end bounds
      0x00, 0x00, 0x00, 0x00,        // offset
      0x01, 0x42, 0x04, 0x00, 0x00, 0x00,  // one bitmap fill of bitmap 4, two matrices
      0x00,                          // no line styles
  };
  const Seen seen = Patch(46, body, {{4, 40}});
  EXPECT_EQ(seen.defined, (std::vector<uint16_t>{9}));
  EXPECT_EQ(WordAt(body, 10), 40);
}

TEST(RawTagIDs, Button2RecordsWithFiltersAndBlendMode) {
  std::vector<uint8_t> body = {
      0x08, 0x00, 0x00, 0x00, 0x00,  // ID 8, track as push, no actions
      0x31, 0x02, 0x00, 0x01, 0x00,  // up state, filter list, blend mode; character 2, depth 1
      0x00, 0x00,                    // matrix, colour transform
      0x01, 0x01,                    // one blur filter
      0, 0, 1, 0, 0, 0, 1, 0, 0x08,  // blur x, y, one pass
      0x03,                          // blend mode
      0x08, 0x03, 0x00, 0x02, 0x00,  // hit state, character 3, depth 2
      0x00, 0x00,
      0x00,                          // end of records
  };
  const Seen seen = Patch(34, body, {{2, 20}, {3, 30}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{2, 3}));
  EXPECT_EQ(WordAt(body, 6), 20);
  EXPECT_EQ(WordAt(body, 25), 30);
}

TEST(RawTagIDs, ButtonRecordsOfTheFirstKind) {
  std::vector<uint8_t> body = {0x08, 0x00, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
  const Seen seen = Patch(7, body, {{2, 20}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{2}));
  EXPECT_EQ(WordAt(body, 3), 20);
}

TEST(RawTagIDs, TextRecordsThatSetAFont) {
  std::vector<uint8_t> body = {
      0x0A, 0x00, 0x00, 0x00,        // ID, bounds, matrix
      0x01, 0x01,                    // glyph and advance bits
      0x8D, 0x06, 0x00,              // font 6, colour, x offset
      0x11, 0x22, 0x33, 0x05, 0x00,  // RGB, x
      0x40, 0x01,                    // height
      0x02, 0x00,                    // two glyphs of 2 bits
      0x88, 0x07, 0x00, 0x40, 0x01,  // font 7
      0x00, 0x00,                    // no glyphs; end
  };
  const Seen seen = Patch(11, body, {{6, 60}, {7, 70}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{6, 7}));
  EXPECT_EQ(WordAt(body, 7), 60);
  EXPECT_EQ(WordAt(body, 19), 70);
}

TEST(RawTagIDs, EditTextFontButNotWithoutIt) {
  std::vector<uint8_t> with_font = {0x0B, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0xF0, 0x00, 0x00};
  EXPECT_EQ(Patch(37, with_font, {{6, 60}}).referenced, (std::vector<uint16_t>{6}));
  EXPECT_EQ(WordAt(with_font, 5), 60);
  std::vector<uint8_t> without_font = {0x0B, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_TRUE(Patch(37, without_font, {}).referenced.empty());
}

TEST(RawTagIDs, ButtonSoundSlotsThatAreSet) {
  std::vector<uint8_t> body = {
      0x08, 0x00,                    // button
      0x0E, 0x00, 0x04, 0x02, 0x00,  // sound 14 with loops
      0x00, 0x00,                    // empty slot
      0x0F, 0x00, 0x08, 0x01, 0, 0, 0, 0, 0, 0, 0, 0,  // sound 15 with a one-point envelope
      0x00, 0x00,
  };
  const Seen seen = Patch(17, body, {{8, 80}, {14, 140}, {15, 150}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{8, 14, 15}));
  EXPECT_EQ(WordAt(body, 0), 80);
  EXPECT_EQ(WordAt(body, 2), 140);
  EXPECT_EQ(WordAt(body, 9), 150);
}

TEST(RawTagIDs, SpriteSubTagsReferToCharacters) {
  std::vector<uint8_t> body = {
      0x04, 0x00, 0x01, 0x00,              // sprite 4, one frame
      0x85, 0x06, 0x02, 0x01, 0x00, 0x02, 0x00,  // PlaceObject2: character 2 at depth 1
      0x44, 0x01, 0x02, 0x00, 0x01, 0x00,  // RemoveObject: character 2, depth 1
      0x40, 0x00,                          // ShowFrame
      0x00, 0x00,                          // End
  };
  const Seen seen = Patch(39, body, {{2, 20}, {4, 40}});
  EXPECT_EQ(seen.defined, (std::vector<uint16_t>{4}));
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{2, 2}));
  EXPECT_EQ(WordAt(body, 0), 40);
  EXPECT_EQ(WordAt(body, 9), 20);
  EXPECT_EQ(WordAt(body, 13), 20);
}

TEST(RawTagIDs, PlaceObject3CharacterAfterTheClassName) {
  std::vector<uint8_t> body = {0x02, 0x08, 0x01, 0x00, 'C', 0x00, 0x05, 0x00};
  EXPECT_EQ(Patch(70, body, {{5, 50}}).referenced, (std::vector<uint16_t>{5}));
  EXPECT_EQ(WordAt(body, 6), 50);
}

TEST(RawTagIDs, AssetListsAndSimpleReferences) {
  std::vector<uint8_t> exports = {0x02, 0x00, 0x01, 0x00, 'a', 0x00, 0x02, 0x00, 'b', 0x00};
  EXPECT_EQ(Patch(56, exports, {}).referenced, (std::vector<uint16_t>{1, 2}));
  std::vector<uint8_t> imports = {'u', 0x00, 0x01, 0x00, 0x09, 0x00, 'x', 0x00};
  EXPECT_EQ(Patch(57, imports, {}).defined, (std::vector<uint16_t>{9}));
  for (uint16_t code : {4, 5, 13, 15, 23, 59, 61, 62, 73, 74, 78, 88}) {
    std::vector<uint8_t> body = {0x03, 0x00, 0x01, 0x00};
    EXPECT_EQ(Patch(code, body, {{3, 30}}).referenced, (std::vector<uint16_t>{3})) << "code " << code;
    EXPECT_EQ(body[0], 30) << "code " << code;
  }
}

TEST(RawTagIDs, ABodyThatEndsEarlyKeepsTheIDsFoundBeforeIt) {
  std::vector<uint8_t> body = {0x08, 0x00, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x01};  // cut record
  const Seen seen = Patch(7, body, {{2, 20}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{2}));
  std::vector<uint8_t> tiny = {0x01};
  EXPECT_TRUE(Patch(4, tiny, {}).referenced.empty());
  std::vector<uint8_t> bad_fill = {0x03, 0x00, 0x00, 0x01, 0x77};
  EXPECT_EQ(Patch(22, bad_fill, {}).defined, (std::vector<uint16_t>{3}));
}

TEST(RawTagIDs, GlyphOnlyTextRecordsHoldNoFont) {
  // A style record with font 6 and no glyphs, then a glyph-only record of ten glyphs, whose
  // first byte (0x0A) is no style: its 0x08 bit is part of the glyph count.
  std::vector<uint8_t> body = {
      0x0A, 0x00, 0x00, 0x00,  // ID, bounds, matrix
      0x08, 0x00,              // glyph bits 8, advance bits 0
      0x88, 0x06, 0x00, 0x40, 0x01, 0x00,  // font 6, height, no glyphs
      0x0A, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,  // ten glyph indexes
      0x00,
  };
  const std::vector<uint8_t> expected = [&] {
    auto e = body;
    e[7] = 60;
    return e;
  }();
  const Seen seen = Patch(11, body, {{6, 60}, {0x0201, 0x0909}, {0x0403, 0x0909}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{6}));
  EXPECT_EQ(body, expected);
}

TEST(RawTagIDs, MorphGradientsWithModesAndFocalPointsBeforeABitmapFill) {
  std::vector<uint8_t> body = {
      0x09, 0x00, 0x00, 0x00,  // ID, start and end bounds
      0x00, 0x00, 0x00, 0x00,  // offset
      0x03,                    // three fills:
      0x10, 0x00, 0x00, 0x41,  // a linear gradient, two matrices, reflect mode, one record
      0x00, 1, 2, 3, 4, 0xFF, 5, 6, 7, 8,
      0x13, 0x00, 0x00, 0x01,  // a focal gradient, one record, two focal points
      0x00, 1, 2, 3, 4, 0xFF, 5, 6, 7, 8, 0x80, 0x00, 0x40, 0x00,
      0x41, 0x04, 0x00, 0x00, 0x00,  // a clipped bitmap fill of bitmap 4
      0x00,                    // no line styles
  };
  const Seen seen = Patch(46, body, {{4, 40}});
  EXPECT_EQ(seen.referenced, (std::vector<uint16_t>{4}));
  EXPECT_EQ(WordAt(body, 42), 40);
}

// A tag kept as bytes lists its IDs through the same walker that renumbering uses, for every
// layout the walker knows, not only for IDs at fixed places.
TEST(RawTagIDs, ARawTagListsEveryIDOfItsLayout) {
  auto referenced = [](uint16_t code, std::vector<uint8_t> body) {
    std::vector<uint16_t> ids;
    Raw(code, std::move(body))->ForEachReferencedID([&](uint16_t& id) { ids.push_back(id); });
    return ids;
  };
  EXPECT_EQ(referenced(5, {0x03, 0x00, 0x01, 0x00}), (std::vector<uint16_t>{3}));           // RemoveObject
  EXPECT_EQ(referenced(59, {0x03, 0x00, 0x00}), (std::vector<uint16_t>{3}));                // DoInitAction
  EXPECT_EQ(referenced(78, {0x03, 0x00, 0x00}), (std::vector<uint16_t>{3}));                // DefineScalingGrid
  EXPECT_EQ(referenced(88, {0x03, 0x00, 'a', 0x00, 0x00}), (std::vector<uint16_t>{3}));     // DefineFontName
  EXPECT_EQ(referenced(56, {0x01, 0x00, 0x03, 0x00, 'a', 0x00}), (std::vector<uint16_t>{3}));  // ExportAssets
  EXPECT_EQ(referenced(76, {0x01, 0x00, 0x03, 0x00, 'a', 0x00}), (std::vector<uint16_t>{3}));  // SymbolClass
  EXPECT_EQ(referenced(17, {0x08, 0x00, 0x0E, 0x00, 0x00, 0, 0, 0, 0, 0, 0}),
            (std::vector<uint16_t>{8, 14}));  // DefineButtonSound: the button and its sound
  EXPECT_EQ(referenced(7, {0x08, 0x00, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}),
            (std::vector<uint16_t>{2}));  // DefineButton records
  EXPECT_EQ(referenced(37, {0x0B, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0xF0, 0x00, 0x00}),
            (std::vector<uint16_t>{6}));  // DefineEditText font
  EXPECT_EQ(referenced(22, {0x03, 0x00, 0x00, 0x01, 0x41, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}),
            (std::vector<uint16_t>{1}));  // a bitmap fill of DefineShape2
  EXPECT_EQ(referenced(39, {0x04, 0x00, 0x01, 0x00, 0x44, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00}),
            (std::vector<uint16_t>{2}));  // a RemoveObject inside a sprite
  // PlaceObject3 with an image class name before the character.
  EXPECT_EQ(referenced(70, {0x02, 0x10, 0x01, 0x00, 'C', 0x00, 0x05, 0x00}), (std::vector<uint16_t>{5}));

  std::vector<uint16_t> defined;
  Raw(57, {'u', 0x00, 0x01, 0x00, 0x09, 0x00, 'x', 0x00})->ForEachDefinedID([&](uint16_t& id) {
    defined.push_back(id);
  });
  EXPECT_EQ(defined, (std::vector<uint16_t>{9}));  // ImportAssets
}

// --- Renumbering a tag list ---

TEST(RenumberTagIDs, DefinitionsInOrderAndReferencesToThem) {
  // Defines 1, 2, 5; a placement of 5 and one of an ID defined nowhere (9).
  auto sprite1 = Raw(39, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
  auto sprite2 = Raw(39, {0x02, 0x00, 0x00, 0x00, 0x00, 0x00});
  auto sprite5 = Raw(39, {0x05, 0x00, 0x00, 0x00, 0x00, 0x00});
  auto place5 = std::make_unique<TSWFPlaceObject2>();
  place5->SetCharacterID(5);
  auto place9 = Raw(26, {0x02, 0x01, 0x00, 0x09, 0x00});
  std::vector<TSWFObject*> tags = {sprite1.get(), sprite2.get(), sprite5.get(), place5.get(), place9.get()};
  EXPECT_EQ(RenumberTagIDs(tags, 100), 103u);
  EXPECT_EQ(WordAt(sprite1->Data, 0), 100);
  EXPECT_EQ(WordAt(sprite2->Data, 0), 101);
  EXPECT_EQ(WordAt(sprite5->Data, 0), 102);
  EXPECT_EQ(place5->CharacterID, 102);
  EXPECT_EQ(WordAt(place9->Data, 3), 9);
}

TEST(RenumberTagIDs, PlacementsInsideADecodedSprite) {
  TSWFDefineSprite outer;
  outer.SpriteID = 1;
  auto* inner = outer.Add(std::make_unique<TSWFPlaceObject2>());
  inner->SetCharacterID(2);
  outer.Add(Raw(5, {0x02, 0x00, 0x01, 0x00}));  // a RemoveObject kept as bytes
  auto shape = Raw(22, {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  std::vector<TSWFObject*> tags = {shape.get(), &outer};
  EXPECT_EQ(RenumberTagIDs(tags, 50), 52u);
  EXPECT_EQ(outer.SpriteID, 51);
  EXPECT_EQ(inner->CharacterID, 50);
  EXPECT_EQ(WordAt(static_cast<TSWFByteCodeTag&>(*outer.Tags[1]).Data, 0), 50);
}

TEST(RenumberTagIDs, ABlockPastTheLastIDIsRefusedAndNothingChanges) {
  std::vector<std::unique_ptr<TSWFByteCodeTag>> owned;
  std::vector<TSWFObject*> tags;
  for (uint16_t id = 1; id <= 10; ++id) {
    owned.push_back(Raw(39, {static_cast<uint8_t>(id & 0xFF), static_cast<uint8_t>(id >> 8), 0x00, 0x00, 0x00, 0x00}));
    tags.push_back(owned.back().get());
  }
  try {
    RenumberTagIDs(tags, 65530);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
  }
  for (uint16_t id = 1; id <= 10; ++id) EXPECT_EQ(WordAt(owned[id - 1]->Data, 0), id);
  // The last block that fits ends exactly at 65535.
  EXPECT_EQ(RenumberTagIDs(tags, 65526), 65536u);
  EXPECT_EQ(WordAt(owned[9]->Data, 0), 65535);
}

TEST(RenumberTagIDs, CountsImportedAssetsAsDefinitions) {
  auto imports = std::make_unique<TSWFImportAssets>();
  imports->URL = "lib.swf";
  imports->Assets = {{3, "a"}, {4, "b"}};
  auto sprite = Raw(39, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
  std::vector<TSWFObject*> tags = {imports.get(), sprite.get()};
  EXPECT_EQ(CountDefinedIDs(tags), 3u);
  EXPECT_EQ(RenumberTagIDs(tags, 10), 13u);
  EXPECT_EQ(imports->Assets[1].ID, 11);
}

}  // namespace
}  // namespace fc
