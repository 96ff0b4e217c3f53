#include "swf/tag_ids.h"

#include <unordered_map>
#include <unordered_set>

#include "core/error.h"
#include "core/text.h"
#include "swf/bits_engine.h"
#include "swf/placements.h"
#include "swf/tag_factory.h"

namespace fc {

namespace {

const TIDVisitor kIgnore = [](uint16_t&) {};

// Sprites hold no sprites in a valid movie; a file that nests them anyway is walked this deep.
constexpr int kMaxRawNesting = 16;

// Finds the ID fields of one tag body by its code's layout. The positions are collected
// first and patched afterwards, so that a body that ends early still gets the IDs found
// before the point where it stops making sense.
class RawIDWalker {
public:
  explicit RawIDWalker(std::span<uint8_t> body) : body_(body), be_(std::span<const uint8_t>(body)) {}

  void Walk(uint16_t code, int nesting) {
    try {
      WalkBody(code, nesting);
    } catch (const FormatError&) {
      // Keep what was found: those fields were read before the bytes went wrong.
    }
  }

  void Visit(const TIDVisitor& defined, const TIDVisitor& referenced) {
    for (size_t pos : defined_) VisitAt(pos, defined);
    for (size_t pos : referenced_) VisitAt(pos, referenced);
  }

private:
  void VisitAt(size_t pos, const TIDVisitor& visit) {
    uint16_t id = static_cast<uint16_t>(body_[pos] | (body_[pos + 1] << 8));
    visit(id);
    body_[pos] = static_cast<uint8_t>(id & 0xFF);
    body_[pos + 1] = static_cast<uint8_t>(id >> 8);
  }

  // The field is read before its place is kept: a field cut short is no ID.
  void Defined() {
    const size_t pos = be_.Position();
    be_.ReadWord("defined ID");
    defined_.push_back(pos);
  }
  void Referenced() {
    const size_t pos = be_.Position();
    be_.ReadWord("referenced ID");
    referenced_.push_back(pos);
  }
  void Matrix() {
    be_.ReadMatrix();
    be_.FlushLastByte(false);
  }
  void Rect() {
    be_.ReadRect();
    be_.FlushLastByte(false);
  }

  void WalkBody(uint16_t code, int nesting) {
    switch (code) {
      case 2: case 22: case 32: case 83:
        return Shape(code);
      case 46: case 84:
        return MorphShape(code);
      case 7: case 34:
        return Button(code);
      case 11: case 33:
        return Text(code);
      case 37:
        Defined();
        Rect();
        if (be_.ReadByte("flags") & 0x01) {  // HasFont
          be_.ReadByte("flags");
          Referenced();
        }
        return;
      case 39:
        return Sprite(nesting);
      case 17:
        return ButtonSound();
      case 56: case 76: {  // ExportAssets, SymbolClass
        const uint16_t count = be_.ReadWord("count");
        for (uint16_t i = 0; i < count; ++i) {
          Referenced();
          be_.ReadString("asset name");
        }
        return;
      }
      case 57: case 71: {  // ImportAssets: the imported characters are defined here
        be_.ReadString("URL");
        if (code == 71) be_.Skip(2, "reserved");
        const uint16_t count = be_.ReadWord("count");
        for (uint16_t i = 0; i < count; ++i) {
          Defined();
          be_.ReadString("asset name");
        }
        return;
      }
      case 26: {  // PlaceObject2: flags, depth, the character when flagged
        const uint8_t flags = be_.ReadByte("flags");
        be_.ReadWord("depth");
        if (flags & 0x02) Referenced();
        return;
      }
      case 70: {  // PlaceObject3: two flag bytes, depth, class name when flagged, character
        const uint8_t flags = be_.ReadByte("flags");
        const uint8_t flags2 = be_.ReadByte("flags");
        be_.ReadWord("depth");
        if ((flags2 & 0x08) || ((flags2 & 0x10) && (flags & 0x02))) be_.ReadString("class name");
        if (flags & 0x02) Referenced();
        return;
      }
      // The referred ID opens the body: placements and removals, font information and
      // alignment, text settings, sounds started, button colours, init actions, video
      // frames, scaling grids, font names.
      case 4: case 5: case 13: case 15: case 23: case 59: case 61: case 62: case 73: case 74: case 78: case 88:
        return Referenced();
      default:
        if (IsDefiningTag(code)) Defined();
        return;
    }
  }

  void FillStyle(bool rgba, bool morph) {
    const uint8_t type = be_.ReadByte("fill style type");
    if (type == 0x00) {
      be_.Skip(morph ? 8 : (rgba ? 4 : 3), "fill colour");
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
      Matrix();
      if (morph) {
        Matrix();
        const uint8_t count = be_.ReadByte("gradient count");
        be_.Skip(count * 10u, "morph gradient");
      } else {
        const uint8_t count = be_.ReadByte("gradient count") & 0x0F;
        be_.Skip(count * (rgba ? 5u : 4u), "gradient");
        if (type == 0x13) be_.ReadWord("focal point");
      }
    } else if (type >= 0x40 && type <= 0x43) {
      Referenced();  // the bitmap
      Matrix();
      if (morph) Matrix();
    } else {
      throw FormatError(Format("fill style type 0x%02X", type));
    }
  }

  void FillStyles(bool rgba, bool extended, bool morph) {
    uint16_t count = be_.ReadByte("fill style count");
    if (count == 0xFF && extended) count = be_.ReadWord("fill style count");
    for (uint16_t i = 0; i < count; ++i) FillStyle(rgba, morph);
  }

  // kind 2: the LineStyle2 records of DefineShape4 and DefineMorphShape2, which may fill
  // their strokes with a bitmap.
  void LineStyles(int kind, bool rgba, bool extended, bool morph) {
    uint16_t count = be_.ReadByte("line style count");
    if (count == 0xFF && extended) count = be_.ReadWord("line style count");
    for (uint16_t i = 0; i < count; ++i) {
      be_.Skip(morph ? 4 : 2, "line width");
      if (kind == 1) {
        be_.Skip(morph ? 8 : (rgba ? 4 : 3), "line colour");
        continue;
      }
      const uint8_t flags = be_.ReadByte("line flags");
      be_.ReadByte("line flags");
      if (((flags >> 4) & 3) == 2) be_.ReadWord("miter limit");
      if (flags & 0x08) FillStyle(true, morph);
      else be_.Skip(morph ? 8 : 4, "line colour");
    }
  }

  void Shape(uint16_t code) {
    Defined();
    Rect();
    if (code == 83) {
      Rect();
      be_.ReadByte("shape flags");
    }
    const bool rgba = code == 32 || code == 83;
    const bool extended = code != 2;
    const int lineKind = code == 83 ? 2 : 1;
    FillStyles(rgba, extended, false);
    LineStyles(lineKind, rgba, extended, false);
    unsigned fillBits = be_.ReadUBits(4), lineBits = be_.ReadUBits(4);
    for (;;) {
      if (be_.ReadUBits(1) == 0) {
        const uint32_t flags = be_.ReadUBits(5);
        if (flags == 0) return;  // end of shape
        if (flags & 0x01) {
          const unsigned n = be_.ReadUBits(5);
          be_.ReadSBits(n);
          be_.ReadSBits(n);
        }
        if (flags & 0x02) be_.ReadUBits(fillBits);
        if (flags & 0x04) be_.ReadUBits(fillBits);
        if (flags & 0x08) be_.ReadUBits(lineBits);
        if (flags & 0x10) {  // new styles, byte-aligned, then the new index widths
          be_.FlushLastByte(false);
          FillStyles(rgba, extended, false);
          LineStyles(lineKind, rgba, extended, false);
          fillBits = be_.ReadUBits(4);
          lineBits = be_.ReadUBits(4);
        }
      } else if (be_.ReadUBits(1) == 1) {  // straight edge
        const unsigned n = be_.ReadUBits(4) + 2;
        if (be_.ReadUBits(1)) {
          be_.ReadSBits(n);
          be_.ReadSBits(n);
        } else {
          be_.ReadUBits(1);
          be_.ReadSBits(n);
        }
      } else {  // curved edge
        const unsigned n = be_.ReadUBits(4) + 2;
        for (int i = 0; i < 4; ++i) be_.ReadSBits(n);
      }
    }
  }

  void MorphShape(uint16_t code) {
    Defined();
    Rect();
    Rect();
    if (code == 84) {
      Rect();
      Rect();
      be_.ReadByte("morph flags");
    }
    be_.ReadDWord("offset");
    FillStyles(true, true, true);
    LineStyles(code == 84 ? 2 : 1, true, true, true);
  }

  void Button(uint16_t code) {
    Defined();
    const bool two = code == 34;
    if (two) {
      be_.ReadByte("track as menu");
      be_.ReadWord("action offset");
    }
    for (;;) {
      const uint8_t flags = be_.ReadByte("button record flags");
      if (flags == 0) return;
      Referenced();
      be_.ReadWord("depth");
      Matrix();
      if (!two) continue;
      be_.ReadColorTransform(true);
      be_.FlushLastByte(false);
      if (flags & 0x10) TSWFFilterList().ReadFromStream(be_);
      if (flags & 0x20) be_.ReadByte("blend mode");
    }
  }

  void Text(uint16_t code) {
    Defined();
    Rect();
    Matrix();
    const uint8_t glyphBits = be_.ReadByte("glyph bits");
    const uint8_t advanceBits = be_.ReadByte("advance bits");
    for (;;) {
      const uint8_t flags = be_.ReadByte("text record flags");
      if (flags == 0) return;
      if (flags & 0x08) Referenced();  // the font
      if (flags & 0x04) be_.Skip(code == 33 ? 4 : 3, "text colour");
      if (flags & 0x01) be_.ReadWord("x offset");
      if (flags & 0x02) be_.ReadWord("y offset");
      if (flags & 0x08) be_.ReadWord("text height");
      const uint8_t glyphs = be_.ReadByte("glyph count");
      for (uint8_t i = 0; i < glyphs; ++i) {
        be_.ReadUBits(glyphBits);
        be_.ReadUBits(advanceBits);
      }
      be_.FlushLastByte(false);
    }
  }

  void ButtonSound() {
    Referenced();  // the button
    for (int slot = 0; slot < 4; ++slot) {
      const size_t pos = be_.Position();
      if (be_.ReadWord("sound ID") == 0) continue;
      referenced_.push_back(pos);
      const uint8_t flags = be_.ReadByte("sound info flags");
      if (flags & 0x01) be_.ReadDWord("in point");
      if (flags & 0x02) be_.ReadDWord("out point");
      if (flags & 0x04) be_.ReadWord("loops");
      if (flags & 0x08) be_.Skip(be_.ReadByte("envelope count") * 8u, "envelope");
    }
  }

  // The tags of a sprite refer to characters; each sub-tag is walked over its own body.
  void Sprite(int nesting) {
    Defined();
    be_.ReadWord("frame count");
    if (nesting >= kMaxRawNesting) return;
    while (!be_.AtEnd()) {
      const TSWFTagHeader header = ReadTagHeader(be_);
      if (header.Length > be_.Remaining()) return;
      const size_t start = be_.Position();
      be_.Skip(header.Length, "sub-tag");
      RawIDWalker sub(body_.subspan(start, header.Length));
      sub.Walk(header.TagID, nesting + 1);
      for (size_t pos : sub.referenced_) referenced_.push_back(start + pos);
      if (header.TagID == kTagEnd) return;
    }
  }

  std::span<uint8_t> body_;
  TBitsEngine be_;
  std::vector<size_t> defined_;
  std::vector<size_t> referenced_;
};

// Decoded tags report their own IDs; a sprite's sub-tags are walked here as well. A field
// reached twice (should a tag class also walk its sub-tags) is visited once.
void VisitDecoded(TSWFObject& tag, const TIDVisitor& defined, const TIDVisitor& referenced,
                  std::unordered_set<uint16_t*>& seen, int nesting) {
  if (auto* raw = dynamic_cast<TSWFByteCodeTag*>(&tag)) {
    RawIDWalker walker(raw->Data);
    walker.Walk(raw->StoredTagID, nesting);
    walker.Visit(defined, referenced);
    return;
  }
  auto once = [&seen](const TIDVisitor& visit) {
    return [&seen, &visit](uint16_t& id) {
      if (seen.insert(&id).second) visit(id);
    };
  };
  tag.ForEachDefinedID(once(defined));
  tag.ForEachReferencedID(once(referenced));
  if (TSWFObjectList* subs = tag.SubTags(); subs && nesting < kMaxRawNesting)
    for (auto& sub : *subs) VisitDecoded(*sub, kIgnore, referenced, seen, nesting + 1);
}

}  // namespace

void VisitRawTagIDs(uint16_t code, std::span<uint8_t> body, const TIDVisitor& defined, const TIDVisitor& referenced) {
  RawIDWalker walker(body);
  walker.Walk(code, 0);
  walker.Visit(defined, referenced);
}

void VisitTagIDs(TSWFObject& tag, const TIDVisitor& defined, const TIDVisitor& referenced) {
  std::unordered_set<uint16_t*> seen;
  VisitDecoded(tag, defined, referenced, seen, 0);
}

uint32_t CountDefinedIDs(std::span<TSWFObject* const> tags) {
  uint32_t count = 0;
  for (TSWFObject* tag : tags) VisitTagIDs(*tag, [&count](uint16_t&) { ++count; }, kIgnore);
  return count;
}

uint32_t RenumberTagIDs(std::span<TSWFObject* const> tags, uint16_t startID) {
  const uint32_t count = CountDefinedIDs(tags);
  if (static_cast<uint64_t>(startID) + count > 0x10000)
    throw Error(Format("Renumbering %u characters from ID %u runs past the last character ID 65535.", count, startID));
  std::unordered_map<uint16_t, uint16_t> newID;  // the first definition of an ID wins
  uint32_t next = startID;
  for (TSWFObject* tag : tags) {
    VisitTagIDs(*tag, [&](uint16_t& id) {
      const auto assigned = static_cast<uint16_t>(next++);
      newID.emplace(id, assigned);
      id = assigned;
    }, kIgnore);
  }
  for (TSWFObject* tag : tags) {
    VisitTagIDs(*tag, kIgnore, [&](uint16_t& id) {
      if (auto it = newID.find(id); it != newID.end()) id = it->second;
    });
  }
  return next;
}

}  // namespace fc
