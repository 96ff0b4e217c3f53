#include "swf/objects.h"

#include "core/text.h"
#include "swf/tag_factory.h"
#include "swf/tag_ids.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// TSWFObject

void TSWFObject::Assign(const TBasedSWFObject& Source) {
  const auto& s = AssignSource<TSWFObject>(Source);
  BodySize = s.BodySize;
}

bool TSWFObject::UsesLongHeader(uint32_t body_size) const {
  return body_size >= kLongTagLength || TagHasTrait(HeaderCode(), TSWFTagTrait::LongHeader);
}

void TSWFObject::WriteToStream(TBitsEngine& be) {
  const uint16_t code = HeaderTagID();
  if (code > kMaxTagCode) throw Error(Format("tag code %u does not fit the 10-bit header field", code));
  if (Code() == TSWFTagCode::End || Code() == TSWFTagCode::ShowFrame) {  // never a body
    be.WriteWord(static_cast<uint16_t>(code << kTagCodeShift));
    BodySize = 0;
    return;
  }
  // The body goes in place behind room for a long header; a body that takes the short
  // header moves down over the unused four bytes (it is shorter than 63 bytes).
  be.FlushLastByte(true);
  const size_t start = be.Position();
  const uint8_t room[6] = {};
  be.WriteBuffer(room, 6);
  size_t size = 0;
  try {
    TBitsEngine body = be.BodyWriter();
    WriteTagBody(body);
    body.FlushLastByte(true);
    size = body.Position();
    if (size > 0xFFFFFFFFu) throw Error(Format("%s: tag body longer than 4 GB", TagName(code)));
  } catch (...) {
    be.Truncate(start);  // a failed tag leaves nothing behind
    throw;
  }
  BodySize = static_cast<uint32_t>(size);
  const bool long_header = UsesLongHeader(BodySize);
  const uint16_t head = static_cast<uint16_t>((code << kTagCodeShift) | (long_header ? kLongTagLength : BodySize));
  const uint8_t header[6] = {static_cast<uint8_t>(head), static_cast<uint8_t>(head >> 8),
                             static_cast<uint8_t>(BodySize), static_cast<uint8_t>(BodySize >> 8),
                             static_cast<uint8_t>(BodySize >> 16), static_cast<uint8_t>(BodySize >> 24)};
  if (long_header) {
    be.PatchBytes(start, header);
  } else {
    be.PatchBytes(start, std::span<const uint8_t>(header, 2));
    be.EraseBytes(start + 2, 4);
  }
}

std::unique_ptr<TSWFObject> TSWFObject::Clone() const {
  std::unique_ptr<TSWFObject> copy = CreateTagObject(TagID);
  copy->Assign(*this);
  return copy;
}

std::vector<uint8_t> TSWFObject::ToBytes() {
  std::vector<uint8_t> out;
  TBitsEngine be(&out);
  WriteToStream(be);
  return out;
}

// ---------------------------------------------------------------------------------------
// Raw data

void TSWFDataObject::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDataObject>(Source);
  if (s.OnDataWrite) {
    OnDataWrite = s.OnDataWrite;
    return;
  }
  Data = s.Data;
  OwnsData = s.OwnsData;
}

void TSWFDataObject::WriteData(TBitsEngine& be) {
  if (OnDataWrite) OnDataWrite(*this, be);
  else be.WriteBuffer(Data);
}

TSWFByteCodeTag::TSWFByteCodeTag(uint16_t stored_tag_id, std::span<const uint8_t> body, std::string error)
    : TSWFByteCodeTag() {
  StoredTagID = stored_tag_id;
  Data.assign(body.begin(), body.end());
  BodySize = static_cast<uint32_t>(body.size());
  ErrorMessage = std::move(error);
}

void TSWFByteCodeTag::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFByteCodeTag>(Source);
  StoredTagID = s.StoredTagID;
  ErrorMessage = s.ErrorMessage;
  LongHeader = s.LongHeader;
  KeepHeaderForm = s.KeepHeaderForm;
}

bool TSWFByteCodeTag::UsesLongHeader(uint32_t body_size) const {
  if (KeepHeaderForm && body_size == Data.size() && (LongHeader || body_size < kLongTagLength)) return LongHeader;
  return TSWFObject::UsesLongHeader(body_size);
}

void TSWFByteCodeTag::ReadFromStream(TBitsEngine& be) {
  auto b = be.ReadSpan(be.Remaining(), "tag body");
  Data.assign(b.begin(), b.end());
}

void TSWFByteCodeTag::WriteTagBody(TBitsEngine& be) { WriteData(be); }

std::string TSWFByteCodeTag::Describe() const {
  std::string s = "raw";
  if (HasReadError()) s += " (" + ErrorMessage + ")";
  return s;
}

void TSWFByteCodeTag::VisitIDs(const TIDVisitor& defined, const TIDVisitor& referenced) {
  VisitRawTagIDs(StoredTagID, Data, defined, referenced);
}

void TSWFByteCodeTag::ForEachDefinedID(const TIDVisitor& visit) {
  VisitIDs(visit, [](uint16_t&) {});
}

void TSWFByteCodeTag::ForEachReferencedID(const TIDVisitor& visit) {
  VisitIDs([](uint16_t&) {}, visit);
}

// ---------------------------------------------------------------------------------------
// Control tags

void TSWFRemoveObject::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFRemoveObject>(Source);
  CharacterID = s.CharacterID;
  Depth = s.Depth;
}
void TSWFRemoveObject::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  Depth = be.ReadWord("Depth");
}
void TSWFRemoveObject::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteWord(Depth);
}
std::string TSWFRemoveObject::Describe() const { return Format("id=%u depth=%u", CharacterID, Depth); }

void TSWFRemoveObject2::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  Depth = AssignSource<TSWFRemoveObject2>(Source).Depth;
}
void TSWFRemoveObject2::ReadFromStream(TBitsEngine& be) { Depth = be.ReadWord("Depth"); }
void TSWFRemoveObject2::WriteTagBody(TBitsEngine& be) { be.WriteWord(Depth); }
std::string TSWFRemoveObject2::Describe() const { return Format("depth=%u", Depth); }

void TSWFSetBackgroundColor::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  Color.Assign(AssignSource<TSWFSetBackgroundColor>(Source).Color);
}
void TSWFSetBackgroundColor::ReadFromStream(TBitsEngine& be) {
  const TSWFRGBRec c = be.ReadRGB();
  Color = TSWFRGB(c.R, c.G, c.B);
}
void TSWFSetBackgroundColor::WriteTagBody(TBitsEngine& be) { be.WriteRGB(Color.RGB()); }
std::string TSWFSetBackgroundColor::Describe() const { return Format("color=#%02X%02X%02X", Color.R, Color.G, Color.B); }

void TSWFProtect::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFProtect>(Source);
  Password = s.Password;
  Hash = s.Hash;
}
uint8_t TSWFProtect::MinVersion() const { return Password.empty() && Hash.empty() ? 2 : 5; }
void TSWFProtect::ReadFromStream(TBitsEngine& be) {
  if (be.AtEnd()) return;
  be.ReadWord("reserved");
  // The hash is a zero-terminated string filling the rest of the body.
  Hash = be.ReadString("password hash");
}
void TSWFProtect::WriteTagBody(TBitsEngine& be) {
  if (!Password.empty()) Hash = MD5Crypt(Password, "");
  if (Hash.empty()) return;
  be.WriteWord(0);
  be.WriteString(Hash);
}
std::string TSWFProtect::Describe() const { return Hash.empty() ? std::string() : "hash=" + Hash; }

void TSWFProductInfo::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFProductInfo>(Source);
  ProductID = s.ProductID;
  Edition = s.Edition;
  MajorVersion = s.MajorVersion;
  MinorVersion = s.MinorVersion;
  BuildLow = s.BuildLow;
  BuildHigh = s.BuildHigh;
  CompilationDate = s.CompilationDate;
}
void TSWFProductInfo::ReadFromStream(TBitsEngine& be) {
  ProductID = be.ReadDWord("ProductID");
  Edition = be.ReadDWord("Edition");
  MajorVersion = be.ReadByte("MajorVersion");
  MinorVersion = be.ReadByte("MinorVersion");
  BuildLow = be.ReadDWord("BuildLow");
  BuildHigh = be.ReadDWord("BuildHigh");
  CompilationDate = be.ReadQWord("CompilationDate");
}
void TSWFProductInfo::WriteTagBody(TBitsEngine& be) {
  be.WriteDWord(ProductID);
  be.WriteDWord(Edition);
  be.WriteByte(MajorVersion);
  be.WriteByte(MinorVersion);
  be.WriteDWord(BuildLow);
  be.WriteDWord(BuildHigh);
  be.WriteQWord(CompilationDate);
}
std::string TSWFProductInfo::Describe() const {
  return Format("product=%u edition=%u version=%u.%u build=%u", ProductID, Edition, MajorVersion, MinorVersion, BuildLow);
}

void TSWFFrameLabel::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFFrameLabel>(Source);
  Name = s.Name;
  NamedAnchor = s.NamedAnchor;
}
void TSWFFrameLabel::ReadFromStream(TBitsEngine& be) {
  Name = be.ReadString("frame label");
  NamedAnchor = false;
  if (be.Remaining() == 1) NamedAnchor = be.ReadByte() == 1;
}
void TSWFFrameLabel::WriteTagBody(TBitsEngine& be) {
  be.WriteString(Name);
  if (NamedAnchor) be.WriteByte(1);
}
std::string TSWFFrameLabel::Describe() const {
  return "name=\"" + Name + "\"" + (NamedAnchor ? " anchor" : "");
}

namespace {
std::string DescribeAssets(const std::vector<TSWFAsset>& assets) {
  std::string s = Format("count=%zu", assets.size());
  for (const auto& a : assets) s += Format(" %u:\"%s\"", a.ID, a.Name.c_str());
  return s;
}
}  // namespace

void TSWFExportAssets::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  Assets = AssignSource<TSWFExportAssets>(Source).Assets;
}
void TSWFExportAssets::ReadAssets(TBitsEngine& be) {
  const uint16_t count = be.ReadWord("asset count");
  Assets.clear();
  // No reserve from the count: each entry is read (and bounded) before it is stored.
  for (uint16_t i = 0; i < count; ++i) {
    TSWFAsset a;
    a.ID = be.ReadWord("asset ID");
    a.Name = be.ReadString("asset name");
    Assets.push_back(std::move(a));
  }
}
void TSWFExportAssets::WriteAssets(TBitsEngine& be) {
  if (Assets.size() > 0xFFFF) throw Error(Format("%s: %zu assets exceed the 16-bit count", TagName(TagID), Assets.size()));
  be.WriteWord(static_cast<uint16_t>(Assets.size()));
  for (const auto& a : Assets) {
    be.WriteWord(a.ID);
    be.WriteString(a.Name);
  }
}
void TSWFExportAssets::ReadFromStream(TBitsEngine& be) { ReadAssets(be); }
void TSWFExportAssets::WriteTagBody(TBitsEngine& be) { WriteAssets(be); }
void TSWFExportAssets::ForEachReferencedID(const TIDVisitor& visit) {
  for (auto& a : Assets) visit(a.ID);
}
std::string TSWFExportAssets::Describe() const { return DescribeAssets(Assets); }

void TSWFImportAssets::Assign(const TBasedSWFObject& Source) {
  TSWFExportAssets::Assign(Source);
  URL = AssignSource<TSWFImportAssets>(Source).URL;
}
void TSWFImportAssets::ReadFromStream(TBitsEngine& be) {
  URL = be.ReadString("URL");
  ReadAssets(be);
}
void TSWFImportAssets::WriteTagBody(TBitsEngine& be) {
  be.WriteString(URL);
  WriteAssets(be);
}
void TSWFImportAssets::ForEachDefinedID(const TIDVisitor& visit) {
  for (auto& a : Assets) visit(a.ID);
}
std::string TSWFImportAssets::Describe() const { return "url=\"" + URL + "\" " + DescribeAssets(Assets); }

void TSWFImportAssets2::Assign(const TBasedSWFObject& Source) {
  TSWFImportAssets::Assign(Source);
  const auto& s = AssignSource<TSWFImportAssets2>(Source);
  Reserved1 = s.Reserved1;
  Reserved2 = s.Reserved2;
}
void TSWFImportAssets2::ReadFromStream(TBitsEngine& be) {
  URL = be.ReadString("URL");
  Reserved1 = be.ReadByte("reserved");
  Reserved2 = be.ReadByte("reserved");
  ReadAssets(be);
}
void TSWFImportAssets2::WriteTagBody(TBitsEngine& be) {
  be.WriteString(URL);
  be.WriteByte(Reserved1);
  be.WriteByte(Reserved2);
  WriteAssets(be);
}

void TSWFScriptLimits::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFScriptLimits>(Source);
  MaxRecursionDepth = s.MaxRecursionDepth;
  ScriptTimeoutSeconds = s.ScriptTimeoutSeconds;
}
void TSWFScriptLimits::ReadFromStream(TBitsEngine& be) {
  MaxRecursionDepth = be.ReadWord("MaxRecursionDepth");
  ScriptTimeoutSeconds = be.ReadWord("ScriptTimeoutSeconds");
}
void TSWFScriptLimits::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(MaxRecursionDepth);
  be.WriteWord(ScriptTimeoutSeconds);
}
std::string TSWFScriptLimits::Describe() const {
  return Format("recursion=%u timeout=%u", MaxRecursionDepth, ScriptTimeoutSeconds);
}

void TSWFSetTabIndex::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFSetTabIndex>(Source);
  Depth = s.Depth;
  TabIndex = s.TabIndex;
}
void TSWFSetTabIndex::ReadFromStream(TBitsEngine& be) {
  Depth = be.ReadWord("Depth");
  TabIndex = be.ReadWord("TabIndex");
}
void TSWFSetTabIndex::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(Depth);
  be.WriteWord(TabIndex);
}
std::string TSWFSetTabIndex::Describe() const { return Format("depth=%u tab=%u", Depth, TabIndex); }

void TSWFFileAttributes::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFFileAttributes>(Source);
  HasMetadata = s.HasMetadata;
  ActionScript3 = s.ActionScript3;
  UseNetwork = s.UseNetwork;
  OtherFlags = s.OtherFlags;
}
void TSWFFileAttributes::ReadFromStream(TBitsEngine& be) {
  const uint32_t f = be.ReadDWord("flags");
  HasMetadata = f & kHasMetadata;
  ActionScript3 = f & kActionScript3;
  UseNetwork = f & kUseNetwork;
  OtherFlags = f & ~kNamedFlags;
}
void TSWFFileAttributes::WriteTagBody(TBitsEngine& be) {
  be.WriteDWord(FlagIf(HasMetadata, kHasMetadata) | FlagIf(ActionScript3, kActionScript3) |
                FlagIf(UseNetwork, kUseNetwork) | (OtherFlags & ~kNamedFlags));
}
std::string TSWFFileAttributes::Describe() const {
  std::string s;
  if (HasMetadata) s += " metadata";
  if (ActionScript3) s += " as3";
  if (UseNetwork) s += " network";
  if (OtherFlags) s += Format(" other=0x%X", OtherFlags);
  return s.empty() ? "none" : s.substr(1);
}

void TSWFMetadata::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  Metadata = AssignSource<TSWFMetadata>(Source).Metadata;
}
void TSWFMetadata::ReadFromStream(TBitsEngine& be) { Metadata = be.ReadString("metadata"); }
void TSWFMetadata::WriteTagBody(TBitsEngine& be) { be.WriteString(Metadata, true, true); }
std::string TSWFMetadata::Describe() const { return Format("%zu bytes", Metadata.size()); }

void TSWFDefineScalingGrid::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineScalingGrid>(Source);
  CharacterID = s.CharacterID;
  Splitter = s.Splitter;
}
void TSWFDefineScalingGrid::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  Splitter = TSWFRect::FromScreen(be.ReadRect());
}
void TSWFDefineScalingGrid::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteRect(Splitter.Rect());
}
std::string TSWFDefineScalingGrid::Describe() const {
  return Format("id=%u grid=(%d,%d)-(%d,%d)", CharacterID, Splitter.Xmin(), Splitter.Ymin(), Splitter.Xmax(), Splitter.Ymax());
}

void TSWFDefineBinaryData::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineBinaryData>(Source);
  CharacterID = s.CharacterID;
  Reserved = s.Reserved;
}
void TSWFDefineBinaryData::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("Tag");
  Reserved = be.ReadDWord("reserved");
  auto b = be.ReadSpan(be.Remaining(), "data");
  Data.assign(b.begin(), b.end());
}
void TSWFDefineBinaryData::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteDWord(Reserved);
  WriteData(be);
}
std::string TSWFDefineBinaryData::Describe() const { return Format("id=%u %zu bytes", CharacterID, Data.size()); }

}  // namespace fc
