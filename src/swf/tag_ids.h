#pragma once
// Character IDs in tags, wherever they sit: decoded tags report them through their own
// hooks, sprites through their sub-tags, and tags kept as bytes are walked by their code's
// layout (shape fill styles, button records, text records, edit-text fonts, button sounds,
// asset lists, nested sprite tags) with each ID patched in place.

#include <cstdint>
#include <span>
#include <vector>

#include "swf/objects.h"

namespace fc {

// Visits the IDs the tag defines and those it refers to; the visitors may change them.
// IDs inside a sprite count as references (a sprite defines only itself).
void VisitTagIDs(TSWFObject& tag, const TIDVisitor& defined, const TIDVisitor& referenced);

// The same over the body of a tag with code `code` (no header): the one walker of IDs in
// tags kept as bytes, used by TSWFByteCodeTag. Bytes that end early or do not follow the
// layout stop the walk; the IDs found before that are visited.
void VisitRawTagIDs(uint16_t code, std::span<uint8_t> body, const TIDVisitor& defined, const TIDVisitor& referenced);

// The number of IDs the tags define (ImportAssets count each asset).
uint32_t CountDefinedIDs(std::span<TSWFObject* const> tags);

// Gives the characters defined in `defining` the IDs start_id, start_id + 1, ... in order of
// definition and fixes every reference to them in `referring` (references to IDs defined
// nowhere stay). Returns the next free ID. Throws fc::Error, changing nothing, when the
// block would run past ID 65535.
uint32_t RenumberTagIDs(std::span<TSWFObject* const> defining, std::span<TSWFObject* const> referring,
                        uint16_t start_id);
// The same with one list for both.
uint32_t RenumberTagIDs(std::span<TSWFObject* const> tags, uint16_t start_id);

}  // namespace fc
