#pragma once
// The tag table (code -> name, class and traits, in tag_factory.cpp), and reading one tag
// from bytes. The file reader and the sprite tag both read their tags through ReadTagObject,
// so a tag class added to the table is read everywhere at once.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "swf/objects.h"
#include "swf/tag_codes.h"

namespace fc {

// The class for a tag code; unknown codes give a TSWFByteCodeTag with ErrorMessage
// TSWFByteCodeTag::kUnknownTagMessage and StoredTagID = the code.
std::unique_ptr<TSWFObject> CreateTagObject(uint16_t TagID);
// True when the code has a class of its own.
bool IsModelledTag(uint16_t TagID);
// The format's name of a tag code ("DefineShape3"), "Unknown" when there is none.
const char* TagName(uint16_t TagID);
// True when the table gives the code every trait of `trait`; false for unknown codes.
bool TagHasTrait(TSWFTagCode code, TSWFTagTrait trait);

struct TSWFTagHeader {
  uint16_t TagID = 0;
  uint32_t Length = 0;
  bool LongHeader = false;
  size_t Position = 0;   // of the header within the bytes read
  size_t HeaderSize() const { return LongHeader ? 6 : 2; }
  TSWFTagCode Code() const { return static_cast<TSWFTagCode>(TagID); }
};

// Reads a tag header (throws FormatError when the header itself is cut).
TSWFTagHeader ReadTagHeader(TBitsEngine& be);

// Turns a tag body into its object. With decode false, or when the code has no class, the
// result is a raw tag. A body that a class cannot read, or reads only in part, becomes a raw
// tag carrying the reason, so no byte is lost.
std::unique_ptr<TSWFObject> ReadTagObject(const TSWFTagHeader& header, std::span<const uint8_t> body,
                                          uint64_t file_offset, const TSWFReadContext& ctx, bool decode);

// Reads tags from `be` until an End tag (consumed and kept) or the end of the bytes. A tag
// whose declared length runs past the end keeps nothing of itself but everything before it;
// `truncated` (when given) reports that case.
TSWFObjectList ReadTagList(TBitsEngine& be, TSWFReadContext ctx, bool decode, bool* truncated = nullptr);

}  // namespace fc
