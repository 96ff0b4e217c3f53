#pragma once
// The file level of an SWF movie: header, body, compression and saving (TBasedSWFStream),
// and loading with a tag index and the editing operations used to merge template movies
// (TSWFStreamReader). The movie builder derives from TBasedSWFStream and fills the body.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/objects.h"

namespace fc {

enum class TSWFCompression { None, Zlib, LZMA };  // "FWS", "CWS", "ZWS"

// Progress kinds of OnProgress.
enum : int { kProgressParsing = 0, kProgressBuilding = 1, kProgressCompressing = 2 };

class TBasedSWFStream {
public:
  TBasedSWFStream();
  TBasedSWFStream(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, float FrameRate, bool InPixels);
  virtual ~TBasedSWFStream() = default;

  virtual void HeaderChanged() {}
  virtual size_t FindFrameEnd(uint16_t Frame) = 0;
  virtual void BuildBody() = 0;
  virtual void MoveResources(int ToFrame, int FromFrame, int UntilFrame) = 0;

  // All tags of the movie, without the file header.
  std::vector<uint8_t>& GetBodyStream() { return body_; }
  void SetBodyStream(std::vector<uint8_t> body) { body_ = std::move(body); }

  bool Compressed() const { return compression_ != TSWFCompression::None; }
  TSWFCompression Compression() const { return compression_; }
  void SetCompressed(bool Value) { SetCompression(Value ? TSWFCompression::Zlib : TSWFCompression::None); }
  // Zlib needs version 6 and LZMA version 13 at least; the version is raised to match.
  // Saving keeps the version as it stands, so a file read with a lower one (a "CWS" of
  // version 5) is written back with the version it says.
  void SetCompression(TSWFCompression c);
  uint8_t Version() const { return version_; }
  void SetVersion(uint8_t Value);
  float GetFrameRate() const { return Fixed8ToFloat(frame_rate_); }
  void SetFrameRate(float Value);
  uint16_t FrameRate8() const { return frame_rate_; }
  void SetFrameRate8(uint16_t v) { frame_rate_ = v; HeaderChanged(); }
  bool InPixels() const { return in_pixels_; }
  void SetInPixels(bool Value);
  uint8_t UnitsMultiplier() const { return units_; }

  TRect FrameRect;  // screen layout, twips
  uint16_t FrameCount = 0;
  uint32_t FileLength = 0;  // of the uncompressed file, as read or last written
  std::function<void(TBasedSWFStream& sender, int percent, int kind)> OnProgress;

  int32_t GetWidth() const { return (FrameRect.Right - FrameRect.Left) / units_; }
  int32_t GetHeight() const { return (FrameRect.Bottom - FrameRect.Top) / units_; }
  size_t GetHeaderSize() const;
  // Part 0: the whole header; 1: the first 8 bytes; 2: rectangle, frame rate and count.
  void WriteHeader(TBitsEngine& be, int Part);

  // Writes the whole file through `sink` (compressed as set).
  void SaveToStream(const std::function<void(std::span<const uint8_t>)>& sink);
  std::vector<uint8_t> SaveToBytes();
  // Writes a temporary file beside FileName and renames it into place, so a failed save
  // leaves any existing file as it was.
  void SaveToFile(const std::filesystem::path& FileName);
  // Saves a body that `write_body` produces piece by piece through the sink it is given, so
  // that no more than a piece is ever held: uncompressed, the header goes first and its
  // length and frame count are patched when the body is complete; zlib-compressed, the body
  // waits in a scratch file beside the target until its frame count is known. FrameCount
  // must be final when `write_body` returns. LZMA gathers the body in memory.
  using TBodySink = std::function<void(std::span<const uint8_t>)>;
  void SaveStreamed(const std::filesystem::path& FileName, const std::function<void(const TBodySink&)>& write_body);

protected:
  void Progress(int percent, int kind);
  void SetVersionAsRead(uint8_t v) { version_ = v; }
  // A compressed file as read, with its uncompressed content after the first 8 bytes. Saving
  // writes these bytes again while compression, version and content are unchanged: another
  // encoder (or level) packs the same content into other bytes, and a copy is byte-identical.
  void KeepCompressedFile(std::span<const uint8_t> file, std::vector<uint8_t> content);
  void ForgetCompressedFile() { as_read_ = {}; }
  // The rectangle bytes as read, reused while FrameRect is unchanged so that a copy keeps
  // a header written with a wider field than needed.
  std::vector<uint8_t> read_rect_bytes_;
  TRect read_rect_;

private:
  // True when `as_read_` holds the file and it may be written instead of a new compression.
  bool SavesAsRead(std::span<const uint8_t> header_rest) const;

  struct TCompressedAsRead {
    std::vector<uint8_t> File;
    std::vector<uint8_t> Content;  // the header after its first 8 bytes, then the body
    TSWFCompression Compression = TSWFCompression::None;
    uint8_t Version = 0;
  } as_read_;
  std::vector<uint8_t> body_;
  TSWFCompression compression_ = TSWFCompression::None;
  uint8_t version_ = 5;
  uint16_t frame_rate_ = 0;
  bool in_pixels_ = false;
  uint8_t units_ = 1;
};

// One tag of a loaded body.
struct TSWFTagInfo {
  TSWFTagInfo() = default;
  TSWFTagInfo(uint16_t tag_id, bool create_object);

  uint32_t Length = 0;
  uint16_t FrameNum = 1;
  uint16_t TagID = 0;
  bool LongHeader = false;
  size_t Position = 0;  // of the header in the body
  std::vector<std::unique_ptr<TSWFTagInfo>> SubTags;  // DefineSprite only
  TSWFObject* Object = nullptr;
  std::unique_ptr<TSWFObject> OwnedObject;  // set when the entry owns Object

  TSWFTagCode Code() const { return static_cast<TSWFTagCode>(TagID); }
  bool OwnsObject() const { return OwnedObject != nullptr; }
  void SetObject(std::unique_ptr<TSWFObject> obj);
  size_t TagSize() const { return Length + (LongHeader ? 6 : 2); }
};

class TSWFStreamReader : public TBasedSWFStream {
public:
  explicit TSWFStreamReader(const std::filesystem::path& FileName = {});

  bool IsValid = false;
  // Asked before an object is made for a tag; set accept false to keep the tag raw.
  std::function<void(TSWFTagInfo& info, bool& accept)> OnCreateTagObject;
  // Asked before renumbering a tag; set accept false to leave it.
  std::function<void(TSWFObject& obj, bool& accept)> OnRenumberTag;
  std::vector<std::unique_ptr<TSWFTagInfo>> TagList;
  // Problems met while loading and parsing that did not stop it (a cut file, bad tags).
  std::vector<std::string> Warnings;

  // Sets the compression from the signature; false when the bytes are no SWF.
  bool CheckSignature(std::span<const uint8_t> data);
  void LoadFromFile(const std::filesystem::path& FileName);
  // Reads the header and the body; tags are not parsed. Throws FormatError when the header
  // is cut; a body cut short keeps what is there.
  void LoadFromStream(std::span<const uint8_t> data);
  void ParseTags(bool CreateObjects, bool ParseActions);
  TSWFTagInfo& GetTagInfo(size_t Index) { return *TagList.at(Index); }

  size_t FindFrameEnd(uint16_t Frame) override;
  void BuildBody() override;
  // Gives the movie's characters the IDs StartID, StartID + 1, ... in order of definition
  // and fixes every reference; returns the next free ID.
  uint16_t RenumberIDs(uint16_t StartID);
  void MoveResources(int ToFrame, int FromFrame, int UntilFrame) override;

  // Bytes after the last whole tag (a cut file); written back after the tags.
  const std::vector<uint8_t>& Tail() const { return tail_; }

private:
  std::vector<uint8_t> tail_;
};

}  // namespace fc
