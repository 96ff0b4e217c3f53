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

using Creator = std::unique_ptr<TSWFObject> (*)();

template <typename T>
std::unique_ptr<TSWFObject> Make() {
  return std::make_unique<T>();
}

struct TagEntry {
  uint16_t code;
  const char* name;
  Creator create;  // null: kept as raw bytes until the class exists
};

// Every tag code of the format. A code whose class is not written yet has no creator and
// is read as a raw tag; giving it a creator is all it takes to decode it everywhere.
const TagEntry kTags[] = {
    {0, "End", &Make<TSWFEnd>},
    {1, "ShowFrame", &Make<TSWFShowFrame>},
    {2, "DefineShape", &Make<TSWFDefineShape>},
    {3, "FreeCharacter", nullptr},
    {4, "PlaceObject", &Make<TSWFPlaceObject>},
    {5, "RemoveObject", &Make<TSWFRemoveObject>},
    {6, "DefineBits", &Make<TSWFDefineBits>},
    {7, "DefineButton", &Make<TSWFDefineButton>},
    {8, "JPEGTables", &Make<TSWFJPEGTables>},
    {9, "SetBackgroundColor", &Make<TSWFSetBackgroundColor>},
    {10, "DefineFont", &Make<TSWFDefineFont>},
    {11, "DefineText", &Make<TSWFDefineText>},
    {12, "DoAction", &Make<TSWFDoAction>},
    {13, "DefineFontInfo", &Make<TSWFDefineFontInfo>},
    {14, "DefineSound", &Make<TSWFDefineSound>},
    {15, "StartSound", &Make<TSWFStartSound>},
    {17, "DefineButtonSound", &Make<TSWFDefineButtonSound>},
    {18, "SoundStreamHead", &Make<TSWFSoundStreamHead>},
    {19, "SoundStreamBlock", &Make<TSWFSoundStreamBlock>},
    {20, "DefineBitsLossless", &Make<TSWFDefineBitsLossless>},
    {21, "DefineBitsJPEG2", &Make<TSWFDefineBitsJPEG2>},
    {22, "DefineShape2", &Make<TSWFDefineShape2>},
    {23, "DefineButtonCxform", &Make<TSWFDefineButtonCxform>},
    {24, "Protect", &Make<TSWFProtect>},
    {26, "PlaceObject2", &Make<TSWFPlaceObject2>},
    {28, "RemoveObject2", &Make<TSWFRemoveObject2>},
    {32, "DefineShape3", &Make<TSWFDefineShape3>},
    {33, "DefineText2", &Make<TSWFDefineText2>},
    {34, "DefineButton2", &Make<TSWFDefineButton2>},
    {35, "DefineBitsJPEG3", &Make<TSWFDefineBitsJPEG3>},
    {36, "DefineBitsLossless2", &Make<TSWFDefineBitsLossless2>},
    {37, "DefineEditText", &Make<TSWFDefineEditText>},
    {39, "DefineSprite", &Make<TSWFDefineSprite>},
    {41, "ProductInfo", &Make<TSWFProductInfo>},
    {43, "FrameLabel", &Make<TSWFFrameLabel>},
    {45, "SoundStreamHead2", &Make<TSWFSoundStreamHead2>},
    {46, "DefineMorphShape", &Make<TSWFDefineMorphShape>},
    {48, "DefineFont2", &Make<TSWFDefineFont2>},
    {56, "ExportAssets", &Make<TSWFExportAssets>},
    {57, "ImportAssets", &Make<TSWFImportAssets>},
    {58, "EnableDebugger", &Make<TSWFEnableDebugger>},
    {59, "DoInitAction", &Make<TSWFDoInitAction>},
    {60, "DefineVideoStream", &Make<TSWFDefineVideoStream>},
    {61, "VideoFrame", &Make<TSWFVideoFrame>},
    {62, "DefineFontInfo2", &Make<TSWFDefineFontInfo2>},
    {63, "DebugID", nullptr},
    {64, "EnableDebugger2", &Make<TSWFEnableDebugger2>},
    {65, "ScriptLimits", &Make<TSWFScriptLimits>},
    {66, "SetTabIndex", &Make<TSWFSetTabIndex>},
    {69, "FileAttributes", &Make<TSWFFileAttributes>},
    {70, "PlaceObject3", &Make<TSWFPlaceObject3>},
    {71, "ImportAssets2", &Make<TSWFImportAssets2>},
    {72, "DoABCDefine", nullptr},
    {73, "DefineFontAlignZones", &Make<TSWFDefineFontAlignZones>},
    {74, "CSMTextSettings", &Make<TSWFCSMTextSettings>},
    {75, "DefineFont3", &Make<TSWFDefineFont3>},
    {76, "SymbolClass", &Make<TSWFSymbolClass>},
    {77, "Metadata", &Make<TSWFMetadata>},
    {78, "DefineScalingGrid", &Make<TSWFDefineScalingGrid>},
    {82, "DoABC", &Make<TSWFDoABC>},
    {83, "DefineShape4", &Make<TSWFDefineShape4>},
    {84, "DefineMorphShape2", &Make<TSWFDefineMorphShape2>},
    {86, "DefineSceneAndFrameLabelData", &Make<TSWFDefineSceneAndFrameLabelData>},
    {87, "DefineBinaryData", &Make<TSWFDefineBinaryData>},
    {88, "DefineFontName", &Make<TSWFDefineFontName>},
    {89, "StartSound2", &Make<TSWFStartSound2>},
    {90, "DefineBitsJPEG4", &Make<TSWFDefineBitsJPEG4>},
    {91, "DefineFont4", nullptr},
    {93, "EnableTelemetry", nullptr},
    {kTagByteCode, "ByteCode", &Make<TSWFByteCodeTag>},
};

const TagEntry* FindTag(uint16_t code) {
  static const auto table = [] {
    std::array<const TagEntry*, 1024> t{};
    for (const auto& e : kTags) t[e.code] = &e;
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
  const TagEntry* e = FindTag(TagID);
  if (e && e->create) return e->create();
  auto raw = std::make_unique<TSWFByteCodeTag>();
  raw->StoredTagID = TagID;
  raw->ErrorMessage = "Uniknow tag";
  return raw;
}

bool IsModelledTag(uint16_t TagID) {
  const TagEntry* e = FindTag(TagID);
  return e && e->create && TagID != kTagByteCode;
}

const char* TagName(uint16_t TagID) {
  const TagEntry* e = FindTag(TagID);
  return e ? e->name : "Unknown";
}

TSWFTagHeader ReadTagHeader(TBitsEngine& be) {
  TSWFTagHeader h;
  h.Position = be.Position();
  const uint16_t w = be.ReadWord("tag header");
  h.TagID = w >> 6;
  h.Length = w & 63;
  if (h.Length == 63) {
    h.LongHeader = true;
    h.Length = be.ReadDWord("tag length");
  }
  return h;
}

std::unique_ptr<TSWFObject> ReadTagObject(const TSWFTagHeader& header, std::span<const uint8_t> body,
                                          uint64_t fileOffset, const TSWFReadContext& ctx, bool decode) {
  if (!decode || !IsModelledTag(header.TagID))
    return RawTag(header, body, IsModelledTag(header.TagID) ? "" : "Uniknow tag");
  std::unique_ptr<TSWFObject> obj = CreateTagObject(header.TagID);
  TSWFReadContext tagCtx = ctx;
  tagCtx.LongHeader = header.LongHeader;
  obj->PrepareRead(tagCtx);
  obj->BodySize = header.Length;
  try {
    TBitsEngine be(body, fileOffset);
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
    if (h.TagID == kTagEnd) break;
  }
  return list;
}

}  // namespace fc
