#pragma once
// Font and text tags: embedded fonts with their glyph outlines, code tables and layout, the
// font info and name tags, static text made of glyph records, edit fields, and the
// anti-aliasing settings of text.
//
// Counts that the format holds in one byte (name lengths, glyphs per text record, zone data
// per glyph) never wrap: what can be split is split when written (a text record of more than
// 255 glyphs becomes several), and the rest raises fc::Error naming the field.
//
// No reader here keeps state between tags: every body is read from its own bytes only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/objects.h"
#include "swf/records.h"
#include "swf/shapes.h"

namespace fc {

// Writes a byte-counted name: a length byte, then the bytes without terminator. A name
// longer than 255 bytes raises fc::Error naming `field`.
void WriteCountedName(TBitsEngine& be, const std::string& name, const char* field);
// "#RRGGBB", or "#RRGGBBAA" for a colour with alpha.
std::string ColorText(const TSWFRGBA& c);

// ---------------------------------------------------------------------------------------
// Fonts with glyph outlines

// DefineFont: glyph outlines only. Each glyph is a shape record list drawn with one
// fill style and no line style. The offset table is 16-bit in this tag: glyph data that
// does not fit it raises fc::Error.
class TSWFDefineFont : public TSWFObject {
public:
  TSWFDefineFont() { SetCode(TSWFTagCode::DefineFont); }
  uint16_t FontID = 0;
  std::vector<TSWFShapeRecords> Glyphs;

  TSWFShapeRecords& AddGlyph() { return Glyphs.emplace_back(); }
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(FontID); }
  std::string Describe() const override;

protected:
  // Each glyph as written: the widths byte, its records, an end record, alignment.
  std::vector<std::vector<uint8_t>> EncodeGlyphs();
  // Reads the glyphs that lie between consecutive offsets (relative to `table_start`); each
  // glyph must fill its span exactly.
  void ReadGlyphs(TBitsEngine& be, size_t table_start, const std::vector<uint32_t>& offsets);
};

struct TSWFKerningRecord {
  uint16_t Code1 = 0;
  uint16_t Code2 = 0;
  int16_t Adjustment = 0;
  bool operator==(const TSWFKerningRecord&) const = default;
};

// DefineFont2: outlines with name, flags, code table and optional layout. The offset
// table is 32-bit when the font has more than 128 codes or when its glyph data would not
// fit 16-bit offsets; the object's WideOffsets is set accordingly on every write.
class TSWFDefineFont2 : public TSWFDefineFont {
public:
  TSWFDefineFont2() { SetCode(TSWFTagCode::DefineFont2); }
  bool HasLayout = false, ShiftJIS = false, SmallText = false, ANSI = false, WideOffsets = false,
       WideCodes = false, Italic = false, Bold = false;
  uint8_t LanguageCode = 0;
  std::string FontName;
  std::vector<uint16_t> CodeTable;  // one per glyph
  uint16_t Ascent = 0, Descent = 0;
  int16_t Leading = 0;
  std::vector<int16_t> AdvanceTable;  // one per glyph, with HasLayout
  std::vector<TSWFRect> BoundsTable;  // one per glyph, with HasLayout
  std::vector<TSWFKerningRecord> KerningTable;
  uint8_t Version = 10;  // the file version; the name is UTF-8 from 6 on (this program's code page already is)

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 3; }
  void PrepareRead(const TSWFReadContext& ctx) override { Version = ctx.Version; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;

private:
  void WriteCode(TBitsEngine& be, uint16_t code, const char* field) const;
};

// DefineFont3: as DefineFont2 with outlines at 20 times the resolution; wide codes.
class TSWFDefineFont3 : public TSWFDefineFont2 {
public:
  TSWFDefineFont3() { SetCode(TSWFTagCode::DefineFont3); WideCodes = true; }
  uint8_t MinVersion() const override { return 8; }
};

// ---------------------------------------------------------------------------------------
// Font info, align zones and names

// DefineFontInfo: the name, style flags and code table of a DefineFont. The number of
// codes is what the body holds after the flags, one or two bytes per code by WideCodes.
class TSWFDefineFontInfo : public TSWFObject {
public:
  TSWFDefineFontInfo() { SetCode(TSWFTagCode::DefineFontInfo); }
  uint16_t FontID = 0;
  std::string FontName;
  bool SmallText = false, ShiftJIS = false, ANSI = false, Italic = false, Bold = false, WideCodes = false;
  std::vector<uint16_t> CodeTable;
  uint8_t Version = 10;  // the file version; the name is UTF-8 from 6 on (this program's code page already is)

  void Assign(const TBasedSWFObject& Source) override;
  void PrepareRead(const TSWFReadContext& ctx) override { Version = ctx.Version; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(FontID); }
  std::string Describe() const override;

protected:
  uint8_t FlagsByte() const;
  void SetFlags(uint8_t flags);
  virtual void ReadLanguage(TBitsEngine& be) { (void)be; }
  virtual void WriteLanguage(TBitsEngine& be) { (void)be; }
  virtual bool CodesAreWide() const { return WideCodes; }
};

// DefineFontInfo2: adds a language code; codes are always 16-bit.
class TSWFDefineFontInfo2 : public TSWFDefineFontInfo {
public:
  TSWFDefineFontInfo2() { SetCode(TSWFTagCode::DefineFontInfo2); WideCodes = true; }
  uint8_t LanguageCode = 0;
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 6; }
  std::string Describe() const override;

protected:
  void ReadLanguage(TBitsEngine& be) override { LanguageCode = be.ReadByte("LanguageCode"); }
  void WriteLanguage(TBitsEngine& be) override { be.WriteByte(LanguageCode); }
  bool CodesAreWide() const override { return true; }
};

struct TSWFZoneData {
  uint16_t AlignmentCoordinate = 0;  // half-precision float bits, kept as they are
  uint16_t Range = 0;
  bool operator==(const TSWFZoneData&) const = default;
};

struct TSWFZoneRecord {
  std::vector<TSWFZoneData> ZoneData;
  bool ZoneMaskY = false;
  bool ZoneMaskX = false;
  uint8_t NumZoneData() const { return static_cast<uint8_t>(ZoneData.size()); }
  bool operator==(const TSWFZoneRecord&) const = default;
};

// DefineFontAlignZones: one zone record per glyph of the font, up to the body's end.
class TSWFDefineFontAlignZones : public TSWFObject {
public:
  TSWFDefineFontAlignZones() { SetCode(TSWFTagCode::DefineFontAlignZones); }
  uint16_t FontID = 0;
  uint8_t CSMTableHint = 0;  // 2 bits: 0 thin, 1 medium, 2 thick
  std::vector<TSWFZoneRecord> ZoneTable;

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(FontID); }
  std::string Describe() const override;
};

// DefineFontName.
class TSWFDefineFontName : public TSWFObject {
public:
  TSWFDefineFontName() { SetCode(TSWFTagCode::DefineFontName); }
  uint16_t FontID = 0;
  std::string FontName;
  std::string FontCopyright;

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 9; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(FontID); }
  std::string Describe() const override;
};

// CSMTextSettings: how the player anti-aliases a text field.
class TSWFCSMTextSettings : public TSWFObject {
public:
  TSWFCSMTextSettings() { SetCode(TSWFTagCode::CSMTextSettings); }
  uint16_t TextID = 0;
  uint8_t UseFlashType = 0;  // 2 bits
  uint8_t GridFit = 0;       // 3 bits
  float Thickness = 0;
  float Sharpness = 0;

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 8; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(TextID); }
  std::string Describe() const override;
};

// ---------------------------------------------------------------------------------------
// Static text

struct TSWFGlyphEntry {
  uint32_t GlyphIndex = 0;
  int32_t GlyphAdvance = 0;
  bool operator==(const TSWFGlyphEntry&) const = default;
};

// One text record: optional font, colour and offsets, then glyphs. Setting the font or the
// height sets HasFont; setting an offset sets its flag; the colour is made on first access,
// which sets HasColor.
class TSWFTextRecord {
public:
  // The byte that opens a record. With kStyleRecord set: three reserved bits, then the style
  // flags, and the fields they announce follow. Without it: the glyph-only form, its glyph
  // count in the low seven bits. A byte of 0 ends the list.
  static constexpr uint8_t kStyleRecord = 0x80, kReserved = 0x70, kHasFont = 0x08, kHasColor = 0x04,
                           kHasYOffset = 0x02, kHasXOffset = 0x01, kGlyphsOnlyCount = 0x7F;

  bool HasFont = false, HasColor = false, HasXOffset = false, HasYOffset = false;
  std::vector<TSWFGlyphEntry> GlyphEntries;
  bool UseAlpha = false;  // taken from the text tag: RGBA in DefineText2, RGB in DefineText
  // The early glyph-only form: no style, the glyph count in the low 7 bits of the first byte
  // (high bit 0). Some writers still follow each style record with one; kept on write.
  bool GlyphsOnly = false;

  uint16_t FontID() const { return font_id_; }
  uint16_t TextHeight() const { return text_height_; }
  int16_t XOffset() const { return x_offset_; }
  int16_t YOffset() const { return y_offset_; }
  void SetFontID(uint16_t v) { font_id_ = v; HasFont = true; }
  void SetTextHeight(uint16_t v) { text_height_ = v; HasFont = true; }
  void SetXOffset(int16_t v) { x_offset_ = v; HasXOffset = true; }
  void SetYOffset(int16_t v) { y_offset_ = v; HasYOffset = true; }
  TSWFRGBA& GetTextColor() { HasColor = true; return color_; }
  const TSWFRGBA& TextColor() const { return color_; }
  void AddGlyph(uint32_t index, int32_t advance) { GlyphEntries.push_back({index, advance}); }

  // Reads the record after its first byte (`flags`, already read and not 0).
  void ReadFromStream(TBitsEngine& be, uint8_t flags, uint8_t glyph_bits, uint8_t advance_bits);
  // Writes the record; more than 255 glyphs go into further records that carry no style,
  // so the text continues where the previous record ended.
  void WriteToStream(TBitsEngine& be, uint8_t glyph_bits, uint8_t advance_bits) const;
  bool operator==(const TSWFTextRecord& o) const;

private:
  void ReadGlyphs(TBitsEngine& be, uint8_t n, uint8_t glyph_bits, uint8_t advance_bits);
  void WriteGlyphs(TBitsEngine& be, size_t from, size_t count, uint8_t glyph_bits, uint8_t advance_bits) const;

  uint16_t font_id_ = 0;
  uint16_t text_height_ = 0;
  int16_t x_offset_ = 0, y_offset_ = 0;
  TSWFRGBA color_;
};

// DefineText and DefineText2 (colours with alpha).
class TSWFDefineText : public TSWFObject {
public:
  TSWFDefineText() { SetCode(TSWFTagCode::DefineText); }
  uint16_t CharacterID = 0;
  TSWFRect TextBounds;
  TSWFMatrix TextMatrix;
  // Bit widths of glyph indexes and advances. A producer may leave them 0: writing widens
  // them to what the records need, so no index or advance is ever cut.
  uint8_t GlyphBits = 0;
  uint8_t AdvanceBits = 0;
  std::vector<TSWFTextRecord> TextRecords;

  TSWFTextRecord& AddRecord() { return TextRecords.emplace_back(); }
  size_t GlyphCount() const;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(CharacterID); }
  void ForEachReferencedID(const TIDVisitor& visit) override;
  std::string Describe() const override;

protected:
  virtual bool UseAlpha() const { return false; }
};

class TSWFDefineText2 : public TSWFDefineText {
public:
  TSWFDefineText2() { SetCode(TSWFTagCode::DefineText2); }
  uint8_t MinVersion() const override { return 3; }

protected:
  bool UseAlpha() const override { return true; }
};

// ---------------------------------------------------------------------------------------
// Edit fields

enum : uint8_t { kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2, kAlignJustify = 3 };

// DefineEditText.
class TSWFDefineEditText : public TSWFObject {
public:
  // The two flags bytes after the bounds, each most significant first.
  static constexpr uint8_t kHasText = 0x80, kWordWrap = 0x40, kMultiline = 0x20, kPassword = 0x10, kReadOnly = 0x08,
                           kHasTextColor = 0x04, kHasMaxLength = 0x02, kHasFont = 0x01;
  static constexpr uint8_t kHasFontClass = 0x80, kAutoSize = 0x40, kHasLayout = 0x20, kNoSelect = 0x10,
                           kBorder = 0x08, kWasStatic = 0x04, kHTML = 0x02, kUseOutlines = 0x01;

  TSWFDefineEditText() { SetCode(TSWFTagCode::DefineEditText); }
  uint16_t CharacterID = 0;
  TSWFRect Bounds;
  bool HasText = false, WordWrap = false, Multiline = false, Password = false, ReadOnly = false,
       HasTextColor = false, HasMaxLength = false, HasFont = false, HasFontClass = false, AutoSize = false,
       HasLayout = false, NoSelect = false, Border = false, HTML = false, UseOutlines = false;
  // The flag bit between Border and HTML: the authoring tool sets it on text that was static.
  bool WasStatic = false;
  uint16_t FontID = 0;
  uint16_t FontHeight = 0;
  std::string FontClass;
  TSWFRGBA TextColor{true};
  uint16_t MaxLength = 0;
  uint8_t Align = kAlignLeft;
  uint16_t LeftMargin = 0, RightMargin = 0, Indent = 0;
  int16_t Leading = 0;
  std::string VariableName;
  std::string InitialText;         // the bytes as read, or the text a producer sets
  std::u16string InitialTextWide;  // preferred over InitialText when not empty
  uint8_t Version = 10;            // the file version: font classes need 9

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void PrepareRead(const TSWFReadContext& ctx) override { Version = ctx.Version; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(CharacterID); }
  void ForEachReferencedID(const TIDVisitor& visit) override;
  std::string Describe() const override;
  // The initial text as written: InitialTextWide in UTF-8 when set, else InitialText.
  std::string InitialTextBytes() const;

private:
  bool WritesFontClass() const { return Version >= 9 && !FontClass.empty(); }
};

}  // namespace fc
