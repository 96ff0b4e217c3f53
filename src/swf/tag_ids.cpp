#include "swf/tag_ids.h"

#include <unordered_map>
#include <unordered_set>

#include "core/error.h"
#include "core/text.h"
#include "swf/bits_engine.h"
#include "swf/buttons_sprites.h"
#include "swf/fonts_text.h"
#include "swf/placements.h"
#include "swf/shapes.h"
#include "swf/sounds_video.h"
#include "swf/tag_factory.h"

namespace fc {

namespace {

const TIDVisitor kIgnore = [](uint16_t&) {};

// Sprites hold no sprites in a valid movie; a file that nests them anyway is walked this deep.
constexpr int kMaxRawNesting = 16;

// Finds the ID fields of one tag body by its code's layout. The positions are collected
// first and patched afterwards, so that a body that ends early still gets the IDs found
// before the point where it stops making sense.
class TRawIDWalker {
public:
  explicit TRawIDWalker(std::span<uint8_t> body) : body_(body), be_(std::span<const uint8_t>(body)) {}

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

  void WalkBody(uint16_t number, int nesting) {
    using enum TSWFTagCode;
    const auto code = static_cast<TSWFTagCode>(number);
    switch (code) {
      case DefineShape: case DefineShape2: case DefineShape3: case DefineShape4:
        return Shape(code);
      case DefineMorphShape: case DefineMorphShape2:
        return MorphShape(code);
      case DefineButton: case DefineButton2:
        return Button(code);
      case DefineText: case DefineText2:
        return Text(code);
      case DefineEditText:
        return EditText();
      case DefineSprite:
        return Sprite(nesting);
      case DefineButtonSound:
        return ButtonSound();
      case ExportAssets: case SymbolClass:
        return Assets(false);
      case ImportAssets:  // the imported characters are defined here
        be_.ReadString("URL");
        return Assets(true);
      case ImportAssets2:
        be_.ReadString("URL");
        be_.Skip(2, "reserved");
        return Assets(true);
      case PlaceObject2: case PlaceObject3:
        return Placement(code);
      default:
        if (TagHasTrait(code, TSWFTagTrait::DefinesCharacter)) Defined();
        else if (TagHasTrait(code, TSWFTagTrait::RefersFirst)) Referenced();
        return;
    }
  }

  // A count, then (ID, name) pairs.
  void Assets(bool defined) {
    const uint16_t count = be_.ReadWord("count");
    for (uint16_t i = 0; i < count; ++i) {
      if (defined) Defined();
      else Referenced();
      be_.ReadString("asset name");
    }
  }

  // Flags, PlaceObject3's second flags, depth, the class name when flagged, the character
  // when flagged.
  void Placement(TSWFTagCode code) {
    using P3 = TSWFPlaceObject3;
    const uint8_t flags = be_.ReadByte("flags");
    const uint8_t flags2 = code == TSWFTagCode::PlaceObject3 ? be_.ReadByte("flags") : 0;
    be_.ReadWord("depth");
    const bool character = flags & P3::kHasCharacter;
    if ((flags2 & P3::kHasClassName) || ((flags2 & P3::kHasImage) && character)) be_.ReadString("class name");
    if (character) Referenced();
  }

  void EditText() {
    Defined();
    Rect();
    if (be_.ReadByte("flags") & TSWFDefineEditText::kHasFont) {
      be_.ReadByte("flags");
      Referenced();
    }
  }

  void FillStyle(bool rgba, bool morph) {
    const uint8_t type = be_.ReadByte("fill style type");
    const size_t color = morph ? 8 : (rgba ? 4 : 3);
    if (type == kFillSolid) {
      be_.Skip(color, "fill colour");
    } else if (IsGradientFill(type) || type == kFillFocalGradient) {
      Matrix();
      if (morph) Matrix();
      const uint8_t count = be_.ReadByte("gradient") & kGradientCountMask;
      be_.Skip(count * (morph ? 2 + color : 1 + color), "gradient");
      if (type == kFillFocalGradient) be_.Skip(morph ? 4 : 2, "focal point");
    } else if (IsBitmapFill(type)) {
      Referenced();  // the bitmap
      Matrix();
      if (morph) Matrix();
    } else {
      throw FormatError(Format("fill style type 0x%02X", type));
    }
  }

  void FillStyles(bool rgba, bool extended, bool morph) {
    uint16_t count = be_.ReadByte("fill style count");
    if (count == kExtendedStyleCount && extended) count = be_.ReadWord("fill style count");
    for (uint16_t i = 0; i < count; ++i) FillStyle(rgba, morph);
  }

  // line_style2: the line styles of DefineShape4 and DefineMorphShape2, which may fill their
  // strokes with a bitmap.
  void LineStyles(bool line_style2, bool rgba, bool extended, bool morph) {
    using L = TSWFLineStyle2;
    uint16_t count = be_.ReadByte("line style count");
    if (count == kExtendedStyleCount && extended) count = be_.ReadWord("line style count");
    for (uint16_t i = 0; i < count; ++i) {
      be_.Skip(morph ? 4 : 2, "line width");
      if (!line_style2) {
        be_.Skip(morph ? 8 : (rgba ? 4 : 3), "line colour");
        continue;
      }
      const uint8_t flags = be_.ReadByte("line flags");
      be_.ReadByte("line flags");
      if (((flags >> L::kJoinShift) & L::kStyleMask) == kJoinMiter) be_.ReadWord("miter limit");
      if (flags & L::kHasFill) FillStyle(true, morph);
      else be_.Skip(morph ? 8 : 4, "line colour");
    }
  }

  void Shape(TSWFTagCode code) {
    using SC = TSWFStyleChangeRecord;
    const bool shape4 = code == TSWFTagCode::DefineShape4;
    Defined();
    Rect();
    if (shape4) {
      Rect();
      be_.ReadByte("shape flags");
    }
    const bool rgba = shape4 || code == TSWFTagCode::DefineShape3;
    const bool extended = code != TSWFTagCode::DefineShape;
    FillStyles(rgba, extended, false);
    LineStyles(shape4, rgba, extended, false);
    unsigned fill_bits = be_.ReadUBits(4), line_bits = be_.ReadUBits(4);
    for (;;) {
      if (be_.ReadUBits(1) == 0) {
        const uint32_t flags = be_.ReadUBits(SC::kFlagBits);
        if (flags == 0) return;  // end of shape
        if (flags & SC::kHasMoveTo) {
          const unsigned n = be_.ReadUBits(5);
          be_.ReadSBits(n);
          be_.ReadSBits(n);
        }
        if (flags & SC::kHasFillStyle0) be_.ReadUBits(fill_bits);
        if (flags & SC::kHasFillStyle1) be_.ReadUBits(fill_bits);
        if (flags & SC::kHasLineStyle) be_.ReadUBits(line_bits);
        if (flags & SC::kHasNewStyles) {  // new styles, byte-aligned, then the new index widths
          be_.FlushLastByte(false);
          FillStyles(rgba, extended, false);
          LineStyles(shape4, rgba, extended, false);
          fill_bits = be_.ReadUBits(4);
          line_bits = be_.ReadUBits(4);
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

  void MorphShape(TSWFTagCode code) {
    const bool morph2 = code == TSWFTagCode::DefineMorphShape2;
    Defined();
    Rect();
    Rect();
    if (morph2) {
      Rect();
      Rect();
      be_.ReadByte("morph flags");
    }
    be_.ReadDWord("offset");
    FillStyles(true, true, true);
    LineStyles(morph2, true, true, true);
  }

  void Button(TSWFTagCode code) {
    using R = TSWFButtonRecord;
    Defined();
    const bool two = code == TSWFTagCode::DefineButton2;
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
      if (flags & R::kHasFilterList) TSWFFilterList().ReadFromStream(be_);
      if (flags & R::kHasBlendMode) be_.ReadByte("blend mode");
    }
  }

  void Text(TSWFTagCode code) {
    using R = TSWFTextRecord;
    Defined();
    Rect();
    Matrix();
    const uint8_t glyph_bits = be_.ReadByte("glyph bits");
    const uint8_t advance_bits = be_.ReadByte("advance bits");
    for (;;) {
      const uint8_t flags = be_.ReadByte("text record flags");
      if (flags == 0) return;
      uint8_t glyphs = flags & R::kGlyphsOnlyCount;
      if (flags & R::kStyleRecord) {
        if (flags & R::kHasFont) Referenced();
        if (flags & R::kHasColor) be_.Skip(code == TSWFTagCode::DefineText2 ? 4 : 3, "text colour");
        if (flags & R::kHasXOffset) be_.ReadWord("x offset");
        if (flags & R::kHasYOffset) be_.ReadWord("y offset");
        if (flags & R::kHasFont) be_.ReadWord("text height");
        glyphs = be_.ReadByte("glyph count");
      }
      for (uint8_t i = 0; i < glyphs; ++i) {
        be_.ReadUBits(glyph_bits);
        be_.ReadUBits(advance_bits);
      }
      be_.FlushLastByte(false);
    }
  }

  void ButtonSound() {
    using S = TSWFStartSound;
    Referenced();  // the button
    for (int slot = 0; slot < 4; ++slot) {
      const size_t pos = be_.Position();
      if (be_.ReadWord("sound ID") == 0) continue;
      referenced_.push_back(pos);
      const uint8_t flags = be_.ReadByte("sound info flags");
      if (flags & S::kHasInPoint) be_.ReadDWord("in point");
      if (flags & S::kHasOutPoint) be_.ReadDWord("out point");
      if (flags & S::kHasLoops) be_.ReadWord("loops");
      if (flags & S::kHasEnvelope) be_.Skip(be_.ReadByte("envelope count") * 8u, "envelope");
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
      TRawIDWalker sub(body_.subspan(start, header.Length));
      sub.Walk(header.TagID, nesting + 1);
      for (size_t pos : sub.referenced_) referenced_.push_back(start + pos);
      if (header.Code() == TSWFTagCode::End) return;
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
    // One walk for both kinds; its visitors see copies of the bytes, so "seen" has no use.
    raw->VisitIDs(defined, referenced);
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
  TRawIDWalker walker(body);
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

uint32_t RenumberTagIDs(std::span<TSWFObject* const> defining, std::span<TSWFObject* const> referring,
                        uint16_t start_id) {
  const uint32_t count = CountDefinedIDs(defining);
  if (static_cast<uint64_t>(start_id) + count > 0x10000)
    throw Error(Format("Renumbering %u characters from ID %u runs past the last character ID 65535.", count, start_id));
  std::unordered_map<uint16_t, uint16_t> new_id;  // the first definition of an ID wins
  uint32_t next = start_id;
  for (TSWFObject* tag : defining) {
    VisitTagIDs(*tag, [&](uint16_t& id) {
      const auto assigned = static_cast<uint16_t>(next++);
      new_id.emplace(id, assigned);
      id = assigned;
    }, kIgnore);
  }
  for (TSWFObject* tag : referring) {
    VisitTagIDs(*tag, kIgnore, [&](uint16_t& id) {
      if (auto it = new_id.find(id); it != new_id.end()) id = it->second;
    });
  }
  return next;
}

uint32_t RenumberTagIDs(std::span<TSWFObject* const> tags, uint16_t start_id) {
  return RenumberTagIDs(tags, tags, start_id);
}

}  // namespace fc
