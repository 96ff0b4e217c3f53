#include "swf/tag_factory.h"

#include <array>

#include "core/text.h"
#include "swf/actions.h"
#include "swf/bitmaps.h"
#include "swf/buttons_sprites.h"
#include "swf/fonts_text.h"
#include "swf/placements.h"
#include "swf/shapes.h"
#include "swf/sounds_video.h"

namespace fc {
namespace {

using TCreator = std::unique_ptr<TSWFObject> (*)();

template <typename T>
std::unique_ptr<TSWFObject> Make() {
  return std::make_unique<T>();
}

struct TTagEntry {
  TSWFTagCode Code;
  const char* Name;
  TCreator Create;  // null: kept as raw bytes until the class exists
  TSWFTagTrait Traits;
};

// Every tag code of the format, with its name, class and traits. A code whose class is not
// written yet has no creator and is read as a raw tag; giving it a creator is all it takes
// to decode it everywhere. A new trait is answered here and asked through TagHasTrait.
std::span<const TTagEntry> TagTable() {
  using enum TSWFTagCode;
  using enum TSWFTagTrait;
  static const TTagEntry kTags[] = {
      {End, "End", &Make<TSWFEnd>, FileLevel},
      {ShowFrame, "ShowFrame", &Make<TSWFShowFrame>, None},
      {DefineShape, "DefineShape", &Make<TSWFDefineShape>, DefinesCharacter},
      {FreeCharacter, "FreeCharacter", nullptr, None},
      {PlaceObject, "PlaceObject", &Make<TSWFPlaceObject>, RefersFirst | Display | Timeline | Placement},
      {RemoveObject, "RemoveObject", &Make<TSWFRemoveObject>, RefersFirst | Display | Timeline},
      {DefineBits, "DefineBits", &Make<TSWFDefineBits>, DefinesCharacter | Resource},
      {DefineButton, "DefineButton", &Make<TSWFDefineButton>, DefinesCharacter},
      {JPEGTables, "JPEGTables", &Make<TSWFJPEGTables>, Resource},
      {SetBackgroundColor, "SetBackgroundColor", &Make<TSWFSetBackgroundColor>, FileLevel},
      {DefineFont, "DefineFont", &Make<TSWFDefineFont>, DefinesCharacter | Resource},
      {DefineText, "DefineText", &Make<TSWFDefineText>, DefinesCharacter},
      {DoAction, "DoAction", &Make<TSWFDoAction>, Timeline},
      {DefineFontInfo, "DefineFontInfo", &Make<TSWFDefineFontInfo>, RefersFirst | NamesFont},
      {DefineSound, "DefineSound", &Make<TSWFDefineSound>, DefinesCharacter | Resource},
      {StartSound, "StartSound", &Make<TSWFStartSound>, RefersFirst | Display | Timeline},
      {DefineButtonSound, "DefineButtonSound", &Make<TSWFDefineButtonSound>, None},
      {SoundStreamHead, "SoundStreamHead", &Make<TSWFSoundStreamHead>, Timeline},
      {SoundStreamBlock, "SoundStreamBlock", &Make<TSWFSoundStreamBlock>, LongHeader | Timeline},
      {DefineBitsLossless, "DefineBitsLossless", &Make<TSWFDefineBitsLossless>,
       DefinesCharacter | LongHeader | Resource},
      {DefineBitsJPEG2, "DefineBitsJPEG2", &Make<TSWFDefineBitsJPEG2>, DefinesCharacter | Resource},
      {DefineShape2, "DefineShape2", &Make<TSWFDefineShape2>, DefinesCharacter},
      {DefineButtonCxform, "DefineButtonCxform", &Make<TSWFDefineButtonCxform>, RefersFirst},
      {Protect, "Protect", &Make<TSWFProtect>, FileLevel},
      {PlaceObject2, "PlaceObject2", &Make<TSWFPlaceObject2>, Display | Timeline | Placement},
      {RemoveObject2, "RemoveObject2", &Make<TSWFRemoveObject2>, Display | Timeline},
      {DefineShape3, "DefineShape3", &Make<TSWFDefineShape3>, DefinesCharacter},
      {DefineText2, "DefineText2", &Make<TSWFDefineText2>, DefinesCharacter},
      {DefineButton2, "DefineButton2", &Make<TSWFDefineButton2>, DefinesCharacter},
      {DefineBitsJPEG3, "DefineBitsJPEG3", &Make<TSWFDefineBitsJPEG3>, DefinesCharacter | Resource},
      {DefineBitsLossless2, "DefineBitsLossless2", &Make<TSWFDefineBitsLossless2>,
       DefinesCharacter | LongHeader | Resource},
      {DefineEditText, "DefineEditText", &Make<TSWFDefineEditText>, DefinesCharacter},
      {DefineSprite, "DefineSprite", &Make<TSWFDefineSprite>, DefinesCharacter},
      {ProductInfo, "ProductInfo", &Make<TSWFProductInfo>, None},
      {FrameLabel, "FrameLabel", &Make<TSWFFrameLabel>, Timeline},
      {SoundStreamHead2, "SoundStreamHead2", &Make<TSWFSoundStreamHead2>, Timeline},
      {DefineMorphShape, "DefineMorphShape", &Make<TSWFDefineMorphShape>, DefinesCharacter},
      {DefineFont2, "DefineFont2", &Make<TSWFDefineFont2>, DefinesCharacter | Resource | NamesFont},
      {ExportAssets, "ExportAssets", &Make<TSWFExportAssets>, None},
      {ImportAssets, "ImportAssets", &Make<TSWFImportAssets>, None},
      {EnableDebugger, "EnableDebugger", &Make<TSWFEnableDebugger>, FileLevel},
      {DoInitAction, "DoInitAction", &Make<TSWFDoInitAction>, RefersFirst},
      {DefineVideoStream, "DefineVideoStream", &Make<TSWFDefineVideoStream>, DefinesCharacter | LongHeader},
      {VideoFrame, "VideoFrame", &Make<TSWFVideoFrame>, RefersFirst | Timeline},
      {DefineFontInfo2, "DefineFontInfo2", &Make<TSWFDefineFontInfo2>, RefersFirst | NamesFont},
      {DebugID, "DebugID", nullptr, None},
      {EnableDebugger2, "EnableDebugger2", &Make<TSWFEnableDebugger2>, FileLevel},
      {ScriptLimits, "ScriptLimits", &Make<TSWFScriptLimits>, None},
      {SetTabIndex, "SetTabIndex", &Make<TSWFSetTabIndex>, None},
      {FileAttributes, "FileAttributes", &Make<TSWFFileAttributes>, FileLevel},
      {PlaceObject3, "PlaceObject3", &Make<TSWFPlaceObject3>, Display | Timeline | Placement},
      {ImportAssets2, "ImportAssets2", &Make<TSWFImportAssets2>, None},
      {DoABCDefine, "DoABCDefine", nullptr, None},
      {DefineFontAlignZones, "DefineFontAlignZones", &Make<TSWFDefineFontAlignZones>, RefersFirst},
      {CSMTextSettings, "CSMTextSettings", &Make<TSWFCSMTextSettings>, RefersFirst},
      {DefineFont3, "DefineFont3", &Make<TSWFDefineFont3>, DefinesCharacter | Resource | NamesFont},
      {SymbolClass, "SymbolClass", &Make<TSWFSymbolClass>, None},
      {Metadata, "Metadata", &Make<TSWFMetadata>, FileLevel},
      {DefineScalingGrid, "DefineScalingGrid", &Make<TSWFDefineScalingGrid>, RefersFirst},
      {DoABC, "DoABC", &Make<TSWFDoABC>, None},
      {DefineShape4, "DefineShape4", &Make<TSWFDefineShape4>, DefinesCharacter},
      {DefineMorphShape2, "DefineMorphShape2", &Make<TSWFDefineMorphShape2>, DefinesCharacter},
      {DefineSceneAndFrameLabelData, "DefineSceneAndFrameLabelData", &Make<TSWFDefineSceneAndFrameLabelData>, None},
      {DefineBinaryData, "DefineBinaryData", &Make<TSWFDefineBinaryData>, DefinesCharacter},
      {DefineFontName, "DefineFontName", &Make<TSWFDefineFontName>, RefersFirst},
      {StartSound2, "StartSound2", &Make<TSWFStartSound2>, Timeline},
      {DefineBitsJPEG4, "DefineBitsJPEG4", &Make<TSWFDefineBitsJPEG4>, DefinesCharacter | Resource},
      {DefineFont4, "DefineFont4", nullptr, DefinesCharacter},
      {EnableTelemetry, "EnableTelemetry", nullptr, None},
      {ByteCode, "ByteCode", &Make<TSWFByteCodeTag>, None},
  };
  return kTags;
}

const TTagEntry* FindTag(uint16_t code) {
  static const auto table = [] {
    std::array<const TTagEntry*, kMaxTagCode + 1> t{};
    for (const auto& e : TagTable()) t[TagNumber(e.Code)] = &e;
    return t;
  }();
  return code < table.size() ? table[code] : nullptr;
}

std::unique_ptr<TSWFObject> RawTag(const TSWFTagHeader& h, std::span<const uint8_t> body, std::string error) {
  auto raw = std::make_unique<TSWFByteCodeTag>(h.TagID, body, std::move(error));
  raw->LongHeader = h.LongHeader;
  raw->KeepHeaderForm = true;
  return raw;
}

}  // namespace

std::unique_ptr<TSWFObject> CreateTagObject(uint16_t TagID) {
  const TTagEntry* e = FindTag(TagID);
  if (e && e->Create) return e->Create();
  auto raw = std::make_unique<TSWFByteCodeTag>();
  raw->StoredTagID = TagID;
  raw->ErrorMessage = TSWFByteCodeTag::kUnknownTagMessage;
  return raw;
}

bool IsModelledTag(uint16_t TagID) {
  const TTagEntry* e = FindTag(TagID);
  return e && e->Create && e->Code != TSWFTagCode::ByteCode;
}

const char* TagName(uint16_t TagID) {
  const TTagEntry* e = FindTag(TagID);
  return e ? e->Name : "Unknown";
}

bool TagHasTrait(TSWFTagCode code, TSWFTagTrait trait) {
  const TTagEntry* e = FindTag(TagNumber(code));
  return e && HasTraits(e->Traits, trait);
}

TSWFTagHeader ReadTagHeader(TBitsEngine& be) {
  TSWFTagHeader h;
  h.Position = be.Position();
  const uint16_t w = be.ReadWord("tag header");
  h.TagID = w >> kTagCodeShift;
  h.Length = w & kLongTagLength;
  if (h.Length == kLongTagLength) {
    h.LongHeader = true;
    h.Length = be.ReadDWord("tag length");
  }
  return h;
}

std::unique_ptr<TSWFObject> ReadTagObject(const TSWFTagHeader& header, std::span<const uint8_t> body,
                                          uint64_t file_offset, const TSWFReadContext& ctx, bool decode) {
  if (!decode || !IsModelledTag(header.TagID))
    return RawTag(header, body, IsModelledTag(header.TagID) ? "" : TSWFByteCodeTag::kUnknownTagMessage);
  std::unique_ptr<TSWFObject> obj = CreateTagObject(header.TagID);
  TSWFReadContext tag_ctx = ctx;
  tag_ctx.LongHeader = header.LongHeader;
  obj->PrepareRead(tag_ctx);
  obj->BodySize = header.Length;
  try {
    TBitsEngine be(body, file_offset);
    obj->ReadFromStream(be);
    if (!be.AtEnd()) throw FormatError(Format("%zu byte(s) after the last field", be.Remaining()));
  } catch (const std::exception& e) {
    return RawTag(header, body, Format("%s: %s", TagName(header.TagID), e.what()));
  }
  return obj;
}

TSWFObjectList ReadTagList(TBitsEngine& be, TSWFReadContext ctx, bool decode, bool* truncated) {
  TSWFObjectList list;
  if (truncated) *truncated = false;
  while (!be.AtEnd()) {
    if (be.Remaining() < 2) {
      if (truncated) *truncated = true;
      break;
    }
    const size_t start = be.Position();
    TSWFTagHeader h;
    try {
      h = ReadTagHeader(be);
    } catch (const FormatError&) {
      be.Seek(start);
      if (truncated) *truncated = true;
      break;
    }
    if (h.Length > be.Remaining()) {
      be.Seek(start);
      if (truncated) *truncated = true;
      break;
    }
    const uint64_t offset = be.FileOffset();
    auto body = be.ReadSpan(h.Length, "tag body");
    list.push_back(ReadTagObject(h, body, offset, ctx, decode));
    list.back()->UpdateReadContext(ctx);
    if (h.Code() == TSWFTagCode::End) break;
  }
  return list;
}

}  // namespace fc
