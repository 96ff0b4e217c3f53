#pragma once
// The tag codes of the format, and the traits the reader, the writer, renumbering and the
// movie builder ask of a code. Names, classes and traits of each code are given once, in
// the tag table of tag_factory.cpp; ask it through TagName, TagHasTrait and CreateTagObject.

#include <cstdint>

namespace fc {

// Every code the format defines, and the internal code of a tag kept as raw bytes. A value
// read from a file that is not listed here is still a valid TSWFTagCode (any 10-bit code
// fits); the table treats it as unknown.
enum class TSWFTagCode : uint16_t {
  End = 0,
  ShowFrame = 1,
  DefineShape = 2,
  FreeCharacter = 3,
  PlaceObject = 4,
  RemoveObject = 5,
  DefineBits = 6,
  DefineButton = 7,
  JPEGTables = 8,
  SetBackgroundColor = 9,
  DefineFont = 10,
  DefineText = 11,
  DoAction = 12,
  DefineFontInfo = 13,
  DefineSound = 14,
  StartSound = 15,
  DefineButtonSound = 17,
  SoundStreamHead = 18,
  SoundStreamBlock = 19,
  DefineBitsLossless = 20,
  DefineBitsJPEG2 = 21,
  DefineShape2 = 22,
  DefineButtonCxform = 23,
  Protect = 24,
  PlaceObject2 = 26,
  RemoveObject2 = 28,
  DefineShape3 = 32,
  DefineText2 = 33,
  DefineButton2 = 34,
  DefineBitsJPEG3 = 35,
  DefineBitsLossless2 = 36,
  DefineEditText = 37,
  DefineSprite = 39,
  ProductInfo = 41,
  FrameLabel = 43,
  SoundStreamHead2 = 45,
  DefineMorphShape = 46,
  DefineFont2 = 48,
  ExportAssets = 56,
  ImportAssets = 57,
  EnableDebugger = 58,
  DoInitAction = 59,
  DefineVideoStream = 60,
  VideoFrame = 61,
  DefineFontInfo2 = 62,
  DebugID = 63,
  EnableDebugger2 = 64,
  ScriptLimits = 65,
  SetTabIndex = 66,
  FileAttributes = 69,
  PlaceObject3 = 70,
  ImportAssets2 = 71,
  DoABCDefine = 72,
  DefineFontAlignZones = 73,
  CSMTextSettings = 74,
  DefineFont3 = 75,
  SymbolClass = 76,
  Metadata = 77,
  DefineScalingGrid = 78,
  DoABC = 82,
  DefineShape4 = 83,
  DefineMorphShape2 = 84,
  DefineSceneAndFrameLabelData = 86,
  DefineBinaryData = 87,
  DefineFontName = 88,
  StartSound2 = 89,
  DefineBitsJPEG4 = 90,
  DefineFont4 = 91,
  EnableTelemetry = 93,
  ByteCode = 240,  // internal: a tag kept as raw bytes; no file uses this code
};

// The number written in a tag header.
constexpr uint16_t TagNumber(TSWFTagCode code) { return static_cast<uint16_t>(code); }

// The tag header word is code << kTagCodeShift | length. A length of kLongTagLength (also
// the mask of the field) says that a 32-bit length follows; shorter bodies may use either.
constexpr unsigned kTagCodeShift = 6;
constexpr uint16_t kLongTagLength = 63;
constexpr uint16_t kMaxTagCode = 0xFFFF >> kTagCodeShift;

// What a code says about its tag. A tag may have several; the table combines them with |.
enum class TSWFTagTrait : uint16_t {
  None = 0,
  // The body opens with the ID of the character the tag defines.
  DefinesCharacter = 1 << 0,
  // The body opens with the ID of a character (font, sound, sprite, stream) it refers to.
  RefersFirst = 1 << 1,
  // Always written with the long header, whatever the body's size.
  LongHeader = 1 << 2,
  // Bitmaps, JPEG tables, fonts and sounds: what moving resources takes to an earlier frame.
  Resource = 1 << 3,
  // The file's own settings (background, protection, attributes, metadata, the End), which
  // a movie that imports another writes for itself.
  FileLevel = 1 << 4,
  // Acts on the display list or on sound when its frame plays.
  Display = 1 << 5,
  // Belongs to a timeline: goes into the sprite when an imported movie becomes one.
  Timeline = 1 << 6,
  // Places a character (PlaceObject 1 to 3).
  Placement = 1 << 7,
  // Carries the name of an embedded font.
  NamesFont = 1 << 8,
};

constexpr TSWFTagTrait operator|(TSWFTagTrait a, TSWFTagTrait b) {
  return static_cast<TSWFTagTrait>(static_cast<uint16_t>(a) | static_cast<uint16_t>(b));
}

// True when `set` holds every trait of `traits`.
constexpr bool HasTraits(TSWFTagTrait set, TSWFTagTrait traits) {
  return (static_cast<uint16_t>(set) & static_cast<uint16_t>(traits)) == static_cast<uint16_t>(traits);
}

}  // namespace fc
