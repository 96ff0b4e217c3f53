#pragma once
// The SWF tag model: the object root shared with the movie builder, the tag base class, the
// raw-data base, the fallback for tags kept as bytes, and the control tags.
//
// A tag class holds the tag's fields, writes its body (WriteTagBody), reads it back from an
// engine bounded to exactly that body (ReadFromStream), copies itself (Assign) and reports
// the lowest SWF version its content needs. The hooks after those let the file reader, the
// dump and ID renumbering work with every tag class without knowing it: a new tag class
// overrides the hooks it needs and gets a factory entry (tag_factory.cpp), nothing else.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/records.h"
#include "swf/tag_codes.h"

namespace fc {

class TSWFActionList;
class TSWFObject;
using TSWFObjectList = std::vector<std::unique_ptr<TSWFObject>>;

// What the file reader knows when it reads a tag body.
struct TSWFReadContext {
  uint8_t Version = 0;           // the file's version
  bool ParseActions = true;      // decode action lists, or keep them as raw bytes
  uint8_t SoundStreamFormat = 0; // format of the current sound stream (0 none)
  uint8_t SpriteNesting = 0;     // how many sprites enclose the tag being read
  bool LongHeader = false;       // the header form the tag being read was written with
};

class TBasedSWFObject {
public:
  virtual ~TBasedSWFObject() = default;
  virtual void Assign(const TBasedSWFObject& Source) = 0;
  // 0 for tag objects; 1 for the movie builder's own objects.
  virtual uint8_t LibraryLevel() const = 0;
  virtual uint8_t MinVersion() const { return 1; }
  virtual void WriteToStream(TBitsEngine& be) = 0;
};

using TIDVisitor = std::function<void(uint16_t& id)>;
using TActionListVisitor = std::function<void(const std::string& label, TSWFActionList& list)>;

class TSWFObject : public TBasedSWFObject {
public:
  uint32_t BodySize = 0;
  uint16_t TagID = 0;

  TSWFTagCode Code() const { return static_cast<TSWFTagCode>(TagID); }
  void SetCode(TSWFTagCode code) { TagID = TagNumber(code); }
  // The code written in the header, as the enumeration.
  TSWFTagCode HeaderCode() const { return static_cast<TSWFTagCode>(HeaderTagID()); }

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t LibraryLevel() const override { return 0; }
  uint8_t MinVersion() const override { return 1; }
  // Header and body. The header is recomputed: short form up to 62 bytes, long form above
  // or when the tag code always takes it (the LongHeader trait).
  void WriteToStream(TBitsEngine& be) override;
  // Reads the body from an engine over exactly BodySize bytes.
  virtual void ReadFromStream(TBitsEngine& be) { (void)be; }
  virtual void WriteTagBody(TBitsEngine& be) { (void)be; }

  // --- Hooks for the file reader, renumbering and the dump ---
  // The code written in the header (a raw tag writes the code it was read with).
  virtual uint16_t HeaderTagID() const { return TagID; }
  virtual bool UsesLongHeader(uint32_t body_size) const;
  // Takes what the reader knows before ReadFromStream (version, action parsing, sound format).
  virtual void PrepareRead(const TSWFReadContext& ctx) { (void)ctx; }
  // Passes on what later tags need to know (a sound stream head sets the stream format).
  virtual void UpdateReadContext(TSWFReadContext& ctx) const { (void)ctx; }
  // The character IDs this tag defines, and those it refers to.
  virtual void ForEachDefinedID(const TIDVisitor& visit) { (void)visit; }
  virtual void ForEachReferencedID(const TIDVisitor& visit) { (void)visit; }
  // Every action list the tag carries (DoAction, button conditions, clip actions).
  virtual void ForEachActionList(const TActionListVisitor& visit) { (void)visit; }
  // The tags nested in a sprite; null for every other tag.
  virtual TSWFObjectList* SubTags() { return nullptr; }
  // The key fields for the dump, "" when there is nothing to say.
  virtual std::string Describe() const { return {}; }

  // A deep copy made through the tag factory and Assign.
  std::unique_ptr<TSWFObject> Clone() const;
  // The written tag (header and body) as bytes.
  std::vector<uint8_t> ToBytes();
};

// Base of tags that carry an opaque byte block. OnDataWrite, when set, writes the block
// itself instead of Data (used by writers that stream large payloads).
class TSWFDataObject : public TSWFObject {
public:
  std::vector<uint8_t> Data;
  std::function<void(TSWFDataObject& sender, TBitsEngine& be)> OnDataWrite;
  bool OwnsData = true;

  int32_t DataSize() const { return static_cast<int32_t>(Data.size()); }
  void Assign(const TBasedSWFObject& Source) override;

protected:
  void WriteData(TBitsEngine& be);
};

// A tag kept as raw bytes: every code without a modelled class, and every modelled tag
// whose body could not be read (ErrorMessage then says why). It is written back unchanged,
// in the header form it was read with.
class TSWFByteCodeTag : public TSWFDataObject {
public:
  // The ErrorMessage of a tag kept raw because its code has no class (the product's text).
  static constexpr const char* kUnknownTagMessage = "Uniknow tag";

  TSWFByteCodeTag() { SetCode(TSWFTagCode::ByteCode); }
  TSWFByteCodeTag(uint16_t stored_tag_id, std::span<const uint8_t> body, std::string error = {});

  uint16_t StoredTagID = 0;
  std::string ErrorMessage;
  // The header form it was read with; kept on write while the body has the same size, so
  // that a short header on a code that is normally long (or the reverse) survives a copy.
  bool LongHeader = false;
  bool KeepHeaderForm = false;

  // True when the tag is raw because its code has no class, not because reading failed.
  bool IsUnknownCode() const { return ErrorMessage == kUnknownTagMessage; }
  // True when a modelled class could not read the body; ErrorMessage says why.
  bool HasReadError() const { return !ErrorMessage.empty() && !IsUnknownCode(); }

  void Assign(const TBasedSWFObject& Source) override;
  uint16_t HeaderTagID() const override { return StoredTagID; }
  bool UsesLongHeader(uint32_t body_size) const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
  // The IDs of the body, found by the layout of StoredTagID (see VisitRawTagIDs) and patched
  // in place: one walk visits both kinds.
  void VisitIDs(const TIDVisitor& defined, const TIDVisitor& referenced);
  void ForEachDefinedID(const TIDVisitor& visit) override;
  void ForEachReferencedID(const TIDVisitor& visit) override;
};

// --- Control tags ---

class TSWFEnd : public TSWFObject {
public:
  TSWFEnd() { SetCode(TSWFTagCode::End); }
};

class TSWFShowFrame : public TSWFObject {
public:
  TSWFShowFrame() { SetCode(TSWFTagCode::ShowFrame); }
};

class TSWFRemoveObject : public TSWFObject {
public:
  TSWFRemoveObject() { SetCode(TSWFTagCode::RemoveObject); }
  uint16_t CharacterID = 0;
  uint16_t Depth = 0;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(CharacterID); }
  std::string Describe() const override;
};

class TSWFRemoveObject2 : public TSWFObject {
public:
  TSWFRemoveObject2() { SetCode(TSWFTagCode::RemoveObject2); }
  uint16_t Depth = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFSetBackgroundColor : public TSWFObject {
public:
  TSWFSetBackgroundColor() { SetCode(TSWFTagCode::SetBackgroundColor); }
  TSWFRGB Color;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

// Protect, EnableDebugger, EnableDebugger2: a password hash. A plain Password,
// when set, is hashed on every write; a Hash read from a file is written back as it was.
class TSWFProtect : public TSWFObject {
public:
  TSWFProtect() { SetCode(TSWFTagCode::Protect); }
  std::string Password;
  std::string Hash;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFEnableDebugger : public TSWFProtect {
public:
  TSWFEnableDebugger() { SetCode(TSWFTagCode::EnableDebugger); }
  uint8_t MinVersion() const override { return 5; }
};

class TSWFEnableDebugger2 : public TSWFProtect {
public:
  TSWFEnableDebugger2() { SetCode(TSWFTagCode::EnableDebugger2); }
  uint8_t MinVersion() const override { return 6; }
};

class TSWFProductInfo : public TSWFObject {
public:
  TSWFProductInfo() { SetCode(TSWFTagCode::ProductInfo); }
  uint32_t ProductID = 0;
  uint32_t Edition = 0;
  uint8_t MajorVersion = 0;
  uint8_t MinorVersion = 0;
  uint32_t BuildLow = 0;
  uint32_t BuildHigh = 0;
  uint64_t CompilationDate = 0;  // carried as is
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 9; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFFrameLabel : public TSWFObject {
public:
  TSWFFrameLabel() { SetCode(TSWFTagCode::FrameLabel); }
  explicit TSWFFrameLabel(std::string name) : TSWFFrameLabel() { Name = std::move(name); }
  std::string Name;
  bool NamedAnchor = false;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return NamedAnchor ? 6 : 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

struct TSWFAsset {
  uint16_t ID = 0;
  std::string Name;
  bool operator==(const TSWFAsset&) const = default;
};

// ExportAssets and SymbolClass: a count and (ID, name) pairs.
class TSWFExportAssets : public TSWFObject {
public:
  TSWFExportAssets() { SetCode(TSWFTagCode::ExportAssets); }
  std::vector<TSWFAsset> Assets;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 5; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override;
  std::string Describe() const override;

protected:
  void ReadAssets(TBitsEngine& be);
  void WriteAssets(TBitsEngine& be);
};

class TSWFSymbolClass : public TSWFExportAssets {
public:
  TSWFSymbolClass() { SetCode(TSWFTagCode::SymbolClass); }
  uint8_t MinVersion() const override { return 9; }
};

// ImportAssets: URL then the pairs; the imported IDs are defined by this movie.
class TSWFImportAssets : public TSWFExportAssets {
public:
  TSWFImportAssets() { SetCode(TSWFTagCode::ImportAssets); }
  std::string URL;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor&) override {}
  void ForEachDefinedID(const TIDVisitor& visit) override;
  std::string Describe() const override;
};

// ImportAssets2: URL, two reserved bytes (1, 0), then the pairs.
class TSWFImportAssets2 : public TSWFImportAssets {
public:
  TSWFImportAssets2() { SetCode(TSWFTagCode::ImportAssets2); }
  uint8_t Reserved1 = 1;
  uint8_t Reserved2 = 0;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
};

class TSWFScriptLimits : public TSWFObject {
public:
  TSWFScriptLimits() { SetCode(TSWFTagCode::ScriptLimits); }
  uint16_t MaxRecursionDepth = 256;
  uint16_t ScriptTimeoutSeconds = 15;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 7; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFSetTabIndex : public TSWFObject {
public:
  TSWFSetTabIndex() { SetCode(TSWFTagCode::SetTabIndex); }
  uint16_t Depth = 0;
  uint16_t TabIndex = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 7; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

// FileAttributes. Flag bits this program does not use (direct blit, GPU) are kept in
// OtherFlags so that a file written back loses none of them.
class TSWFFileAttributes : public TSWFObject {
public:
  static constexpr uint32_t kHasMetadata = 0x10, kActionScript3 = 0x08, kUseNetwork = 0x01;
  static constexpr uint32_t kNamedFlags = kHasMetadata | kActionScript3 | kUseNetwork;

  TSWFFileAttributes() { SetCode(TSWFTagCode::FileAttributes); }
  bool HasMetadata = false;
  bool ActionScript3 = false;
  bool UseNetwork = false;
  uint32_t OtherFlags = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFMetadata : public TSWFObject {
public:
  TSWFMetadata() { SetCode(TSWFTagCode::Metadata); }
  std::string Metadata;  // UTF-8
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFDefineScalingGrid : public TSWFObject {
public:
  TSWFDefineScalingGrid() { SetCode(TSWFTagCode::DefineScalingGrid); }
  uint16_t CharacterID = 0;
  TSWFRect Splitter;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(CharacterID); }
  std::string Describe() const override;
};

class TSWFDefineBinaryData : public TSWFDataObject {
public:
  TSWFDefineBinaryData() { SetCode(TSWFTagCode::DefineBinaryData); }
  uint16_t CharacterID = 0;  // the "Tag" field
  uint32_t Reserved = 0;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(CharacterID); }
  std::string Describe() const override;
};

// Casts an Assign source to the caller's class; throws fc::Error when the classes differ.
template <typename T>
const T& AssignSource(const TBasedSWFObject& source) {
  if (const auto* s = dynamic_cast<const T*>(&source)) return *s;
  throw Error("Assign between objects of different classes");
}

}  // namespace fc
