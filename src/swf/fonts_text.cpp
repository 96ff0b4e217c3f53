#include "swf/fonts_text.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"

namespace fc {
namespace {

// Text shown in the dump: quoted, cut after 40 bytes, control characters escaped.
std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size() && i < 40; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') out += Format("\\%c", c);
    else if (c < 0x20) out += Format("\\x%02X", c);
    else out += static_cast<char>(c);
  }
  out += s.size() > 40 ? "\"..." : "\"";
  return out;
}

// The flags byte of DefineFont2 and 3.
constexpr uint8_t kFont2HasLayout = 0x80, kFont2ShiftJIS = 0x40, kFont2SmallText = 0x20, kFont2ANSI = 0x10,
                  kFont2WideOffsets = 0x08, kFont2WideCodes = 0x04, kFont2Italic = 0x02, kFont2Bold = 0x01;
// The flags byte of DefineFontInfo and 2: two reserved bits, then these.
constexpr uint8_t kInfoReserved = 0xC0, kInfoSmallText = 0x20, kInfoShiftJIS = 0x10, kInfoANSI = 0x08,
                  kInfoItalic = 0x04, kInfoBold = 0x02, kInfoWideCodes = 0x01;
// DefineFontAlignZones: the hint in the top two bits of its byte, and each zone's mask.
constexpr unsigned kCSMTableHintShift = 6;
constexpr uint8_t kCSMTableHintReserved = 0x3F;
constexpr uint8_t kZoneReserved = 0xFC, kZoneMaskY = 0x02, kZoneMaskX = 0x01;
// CSMTextSettings: UseFlashType (2 bits), GridFit (3 bits), three reserved bits.
constexpr unsigned kUseFlashTypeShift = 6, kGridFitShift = 3;
constexpr uint8_t kGridFitMask = 0x07, kCSMReserved = 0x07;

// A glyph opens with one byte of index widths: fill bits in the high nibble, line bits low.
constexpr unsigned kGlyphFillBitsShift = 4;
constexpr uint8_t kGlyphLineBitsMask = 0x0F;

std::string FontStyle(bool bold, bool italic) {
  if (bold && italic) return " bold italic";
  if (bold) return " bold";
  return italic ? " italic" : "";
}

}  // namespace

void WriteCountedName(TBitsEngine& be, const std::string& name, const char* field) {
  if (name.size() > 255)
    throw Error(Format("%s of %zu bytes does not fit its length byte (at most 255)", field, name.size()));
  be.WriteByte(static_cast<uint8_t>(name.size()));
  be.WriteString(name, false, true);
}

std::string ColorText(const TSWFRGBA& c) {
  return c.HasAlpha() ? Format("#%02X%02X%02X%02X", c.R, c.G, c.B, c.Alpha()) : Format("#%02X%02X%02X", c.R, c.G, c.B);
}

// ---------------------------------------------------------------------------------------
// DefineFont, DefineFont2, DefineFont3

namespace {

// A glyph drawn with no fill would not show: a first style change that selects no fill
// (no flag, or only index 0) selects fill 1, the one fill style of every glyph. A glyph that
// already selects a fill on either side keeps it.
void SelectGlyphFill(TSWFShapeRecords& glyph) {
  if (glyph.empty() || glyph.front()->RecordKind != kShapeRecordStyleChange) return;
  auto& sc = static_cast<TSWFStyleChangeRecord&>(*glyph.front());
  if ((sc.HasFillStyle0 && sc.FillStyle0 != 0) || (sc.HasFillStyle1 && sc.FillStyle1 != 0)) return;
  sc.HasFillStyle0 = false;
  sc.SetFillStyle1(1);
}

void WriteOffset(TBitsEngine& be, size_t offset, bool wide) {
  if (wide) be.WriteDWord(static_cast<uint32_t>(offset));
  else be.WriteWord(static_cast<uint16_t>(offset));
}

size_t TotalSize(const std::vector<std::vector<uint8_t>>& parts) {
  size_t n = 0;
  for (const auto& p : parts) n += p.size();
  return n;
}

}  // namespace

void TSWFDefineFont::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineFont>(Source);
  FontID = s.FontID;
  Glyphs.clear();
  for (const auto& g : s.Glyphs) CopyShapeRecords(g, AddGlyph());
}

std::vector<std::vector<uint8_t>> TSWFDefineFont::EncodeGlyphs() {
  std::vector<std::vector<uint8_t>> out;
  out.reserve(Glyphs.size());
  for (TSWFShapeRecords& g : Glyphs) {
    SelectGlyphFill(g);
    const TSWFStyleBits bits = StyleBitsFor(g, 1, 0);  // one fill style, no line style
    TBitsEngine ge(&out.emplace_back());
    ge.WriteByte(static_cast<uint8_t>(bits.Fill << kGlyphFillBitsShift | bits.Line));
    WriteShapeRecords(ge, g, bits.Fill, bits.Line);
  }
  return out;
}

void TSWFDefineFont::ReadGlyphs(TBitsEngine& be, size_t table_start, const std::vector<uint32_t>& offsets) {
  if (offsets.front() != be.Position() - table_start)
    throw FormatError(Format("the first glyph offset %u does not point after the offset table", offsets.front()));
  for (size_t i = 0; i + 1 < offsets.size(); ++i) {
    if (offsets[i + 1] < offsets[i]) throw FormatError(Format("glyph %zu: offsets out of order", i));
    TBitsEngine ge = be.Sub(offsets[i + 1] - offsets[i], "glyph");
    const uint8_t widths = ge.ReadByte("glyph index widths");
    ReadShapeRecords(ge, AddGlyph(), widths >> kGlyphFillBitsShift, widths & kGlyphLineBitsMask);
    if (!ge.AtEnd()) throw FormatError(Format("glyph %zu: %zu byte(s) after its end record", i, ge.Remaining()));
  }
}

void TSWFDefineFont::ReadFromStream(TBitsEngine& be) {
  FontID = be.ReadWord("FontID");
  Glyphs.clear();
  if (be.AtEnd()) return;
  const size_t table_start = be.Position();
  const uint16_t first = be.ReadWord("OffsetTable");
  if (first == 0) return;  // no glyphs
  if (first % 2 != 0) throw FormatError(Format("odd first glyph offset %u", first));
  std::vector<uint32_t> offsets{first};
  for (size_t i = 1; i < first / 2u; ++i) offsets.push_back(be.ReadWord("OffsetTable"));
  offsets.push_back(static_cast<uint32_t>(be.Size() - table_start));  // the last glyph ends the body
  ReadGlyphs(be, table_start, offsets);
}

void TSWFDefineFont::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontID);
  if (Glyphs.empty()) {
    be.WriteWord(0);
    return;
  }
  const auto glyphs = EncodeGlyphs();
  size_t offset = 2 * glyphs.size();
  for (const auto& g : glyphs) {
    // This tag has no wide form: a font this large needs DefineFont2 or 3.
    if (offset > 0xFFFF)
      throw Error(Format("OffsetTable: glyph data of %zu bytes does not fit the 16-bit offsets of DefineFont",
                         2 * glyphs.size() + TotalSize(glyphs)));
    WriteOffset(be, offset, false);
    offset += g.size();
  }
  for (const auto& g : glyphs) be.WriteBuffer(g);
}

std::string TSWFDefineFont::Describe() const { return Format("font=%u glyphs=%zu", FontID, Glyphs.size()); }

void TSWFDefineFont2::Assign(const TBasedSWFObject& Source) {
  TSWFDefineFont::Assign(Source);
  const auto& s = AssignSource<TSWFDefineFont2>(Source);
  HasLayout = s.HasLayout;
  ShiftJIS = s.ShiftJIS;
  SmallText = s.SmallText;
  ANSI = s.ANSI;
  WideOffsets = s.WideOffsets;
  WideCodes = s.WideCodes;
  Italic = s.Italic;
  Bold = s.Bold;
  LanguageCode = s.LanguageCode;
  FontName = s.FontName;
  CodeTable = s.CodeTable;
  Ascent = s.Ascent;
  Descent = s.Descent;
  Leading = s.Leading;
  AdvanceTable = s.AdvanceTable;
  BoundsTable = s.BoundsTable;
  KerningTable = s.KerningTable;
  Version = s.Version;
}

void TSWFDefineFont2::WriteCode(TBitsEngine& be, uint16_t code, const char* field) const {
  if (WideCodes) {
    be.WriteWord(code);
    return;
  }
  if (code > 255) throw Error(Format("%s: code %u needs WideCodes", field, code));
  be.WriteByte(static_cast<uint8_t>(code));
}

void TSWFDefineFont2::ReadFromStream(TBitsEngine& be) {
  FontID = be.ReadWord("FontID");
  const uint8_t f = be.ReadByte("font flags");
  HasLayout = f & kFont2HasLayout;
  ShiftJIS = f & kFont2ShiftJIS;
  SmallText = f & kFont2SmallText;
  ANSI = f & kFont2ANSI;
  WideOffsets = f & kFont2WideOffsets;
  WideCodes = f & kFont2WideCodes;
  Italic = f & kFont2Italic;
  Bold = f & kFont2Bold;
  LanguageCode = be.ReadByte("LanguageCode");
  auto name = be.ReadSpan(be.ReadByte("FontNameLen"), "FontName");
  FontName.assign(name.begin(), name.end());
  const uint16_t n = be.ReadWord("NumGlyphs");
  const size_t table_start = be.Position();
  auto read_offset = [&] { return WideOffsets ? be.ReadDWord("OffsetTable") : be.ReadWord("OffsetTable"); };
  std::vector<uint32_t> offsets;
  offsets.reserve(n + 1u);
  for (uint16_t i = 0; i < n; ++i) offsets.push_back(read_offset());
  Glyphs.clear();
  if (n > 0) {
    offsets.push_back(read_offset());  // CodeTableOffset: where the last glyph ends
    ReadGlyphs(be, table_start, offsets);
  } else if (be.Remaining() >= (WideOffsets ? 4u : 2u)) {
    // Without glyphs some writers leave the code table offset out; one that is there
    // points right after itself.
    const size_t pos = be.Position();
    if (read_offset() != be.Position() - table_start) be.Seek(pos);
  }
  CodeTable.clear();
  for (uint16_t i = 0; i < n; ++i) CodeTable.push_back(WideCodes ? be.ReadWord("CodeTable") : be.ReadByte("CodeTable"));
  AdvanceTable.clear();
  BoundsTable.clear();
  KerningTable.clear();
  if (!HasLayout) return;
  Ascent = be.ReadWord("FontAscent");
  Descent = be.ReadWord("FontDescent");
  Leading = static_cast<int16_t>(be.ReadWord("FontLeading"));
  for (uint16_t i = 0; i < n; ++i) AdvanceTable.push_back(static_cast<int16_t>(be.ReadWord("FontAdvanceTable")));
  for (uint16_t i = 0; i < n; ++i) BoundsTable.push_back(TSWFRect::FromScreen(be.ReadRect()));
  const uint16_t kernings = be.ReadWord("KerningCount");
  for (uint16_t i = 0; i < kernings; ++i) {
    TSWFKerningRecord k;
    k.Code1 = WideCodes ? be.ReadWord("KerningCode1") : be.ReadByte("KerningCode1");
    k.Code2 = WideCodes ? be.ReadWord("KerningCode2") : be.ReadByte("KerningCode2");
    k.Adjustment = static_cast<int16_t>(be.ReadWord("KerningAdjustment"));
    KerningTable.push_back(k);
  }
}

void TSWFDefineFont2::WriteTagBody(TBitsEngine& be) {
  const size_t n = Glyphs.size();
  if (n > 0xFFFF) throw Error(Format("NumGlyphs: %zu glyphs do not fit 16 bits", n));
  if (CodeTable.size() != n) throw Error(Format("CodeTable: %zu codes for %zu glyphs", CodeTable.size(), n));
  const bool layout = HasLayout && n > 0;
  if (layout && AdvanceTable.size() != n)
    throw Error(Format("AdvanceTable: %zu advances for %zu glyphs", AdvanceTable.size(), n));
  if (layout && BoundsTable.size() != n)
    throw Error(Format("BoundsTable: %zu rectangles for %zu glyphs", BoundsTable.size(), n));
  if (layout && KerningTable.size() > 0xFFFF)
    throw Error(Format("KerningCount: %zu kerning records do not fit 16 bits", KerningTable.size()));

  const auto glyphs = EncodeGlyphs();
  const size_t data = TotalSize(glyphs);
  // 32-bit offsets for large code tables, and whenever the glyphs would not fit 16 bits.
  WideOffsets = n > 128 || 2 * (n + 1) + data > 0xFFFF;
  const size_t table_size = (WideOffsets ? 4 : 2) * (n + 1);
  if (table_size + data > 0xFFFFFFFFu) throw Error("OffsetTable: glyph data does not fit 32-bit offsets");

  be.WriteWord(FontID);
  be.WriteByte(static_cast<uint8_t>(FlagIf(layout, kFont2HasLayout) | FlagIf(ShiftJIS, kFont2ShiftJIS) |
                                    FlagIf(SmallText, kFont2SmallText) | FlagIf(ANSI || n == 0, kFont2ANSI) |
                                    FlagIf(WideOffsets, kFont2WideOffsets) | FlagIf(WideCodes, kFont2WideCodes) |
                                    FlagIf(Italic, kFont2Italic) | FlagIf(Bold, kFont2Bold)));
  be.WriteByte(LanguageCode);
  WriteCountedName(be, FontName, "FontName");
  be.WriteWord(static_cast<uint16_t>(n));
  size_t offset = table_size;
  for (const auto& g : glyphs) {
    WriteOffset(be, offset, WideOffsets);
    offset += g.size();
  }
  WriteOffset(be, offset, WideOffsets);  // CodeTableOffset
  for (const auto& g : glyphs) be.WriteBuffer(g);
  for (uint16_t c : CodeTable) WriteCode(be, c, "CodeTable");
  if (!layout) return;
  be.WriteWord(Ascent);
  be.WriteWord(Descent);
  be.WriteWord(static_cast<uint16_t>(Leading));
  for (int16_t a : AdvanceTable) be.WriteWord(static_cast<uint16_t>(a));
  for (const TSWFRect& r : BoundsTable) be.WriteRect(r.Rect());
  be.WriteWord(static_cast<uint16_t>(KerningTable.size()));
  for (const TSWFKerningRecord& k : KerningTable) {
    WriteCode(be, k.Code1, "KerningTable");
    WriteCode(be, k.Code2, "KerningTable");
    be.WriteWord(static_cast<uint16_t>(k.Adjustment));
  }
}

std::string TSWFDefineFont2::Describe() const {
  std::string s = Format("font=%u name=%s glyphs=%zu codes=%zu%s", FontID, Quote(FontName).c_str(), Glyphs.size(),
                         CodeTable.size(), FontStyle(Bold, Italic).c_str());
  if (SmallText) s += " smalltext";
  if (ShiftJIS) s += " shiftjis";
  if (ANSI) s += " ansi";
  if (WideCodes) s += " widecodes";
  if (WideOffsets) s += " wideoffsets";
  if (LanguageCode) s += Format(" language=%u", LanguageCode);
  if (HasLayout)
    s += Format(" ascent=%u descent=%u leading=%d kerning=%zu", Ascent, Descent, Leading, KerningTable.size());
  return s;
}

// ---------------------------------------------------------------------------------------
// DefineFontInfo, DefineFontInfo2

void TSWFDefineFontInfo::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineFontInfo>(Source);
  FontID = s.FontID;
  FontName = s.FontName;
  SmallText = s.SmallText;
  ShiftJIS = s.ShiftJIS;
  ANSI = s.ANSI;
  Italic = s.Italic;
  Bold = s.Bold;
  WideCodes = s.WideCodes;
  CodeTable = s.CodeTable;
  Version = s.Version;
}

uint8_t TSWFDefineFontInfo::FlagsByte() const {
  return static_cast<uint8_t>(FlagIf(SmallText, kInfoSmallText) | FlagIf(ShiftJIS, kInfoShiftJIS) |
                              FlagIf(ANSI, kInfoANSI) | FlagIf(Italic, kInfoItalic) | FlagIf(Bold, kInfoBold) |
                              FlagIf(CodesAreWide(), kInfoWideCodes));
}

void TSWFDefineFontInfo::SetFlags(uint8_t f) {
  if (f & kInfoReserved) throw FormatError("reserved bits set in the font info flags");
  SmallText = f & kInfoSmallText;
  ShiftJIS = f & kInfoShiftJIS;
  ANSI = f & kInfoANSI;
  Italic = f & kInfoItalic;
  Bold = f & kInfoBold;
  WideCodes = (f & kInfoWideCodes) || CodesAreWide();
}

void TSWFDefineFontInfo::ReadFromStream(TBitsEngine& be) {
  FontID = be.ReadWord("FontID");
  const uint8_t len = be.ReadByte("FontNameLen");
  auto name = be.ReadSpan(len, "FontName");
  FontName.assign(name.begin(), name.end());
  SetFlags(be.ReadByte("font info flags"));
  ReadLanguage(be);
  // The code table fills the rest of the body: its size gives the glyph count of the font.
  const bool wide = CodesAreWide();
  if (wide && be.Remaining() % 2 != 0) throw FormatError("odd number of bytes in a table of 16-bit codes");
  CodeTable.clear();
  CodeTable.reserve(wide ? be.Remaining() / 2 : be.Remaining());
  while (!be.AtEnd()) CodeTable.push_back(wide ? be.ReadWord("CodeTable") : be.ReadByte("CodeTable"));
}

void TSWFDefineFontInfo::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontID);
  WriteCountedName(be, FontName, "FontName");
  be.WriteByte(FlagsByte());
  WriteLanguage(be);
  const bool wide = CodesAreWide();
  for (uint16_t c : CodeTable) {
    if (wide) {
      be.WriteWord(c);
    } else {
      if (c > 255) throw Error(Format("CodeTable: code %u needs WideCodes", c));
      be.WriteByte(static_cast<uint8_t>(c));
    }
  }
}

std::string TSWFDefineFontInfo::Describe() const {
  std::string s = Format("font=%u name=%s codes=%zu%s", FontID, Quote(FontName).c_str(), CodeTable.size(),
                         FontStyle(Bold, Italic).c_str());
  if (SmallText) s += " smalltext";
  if (ShiftJIS) s += " shiftjis";
  if (ANSI) s += " ansi";
  if (CodesAreWide()) s += " widecodes";
  return s;
}

void TSWFDefineFontInfo2::Assign(const TBasedSWFObject& Source) {
  TSWFDefineFontInfo::Assign(Source);
  LanguageCode = AssignSource<TSWFDefineFontInfo2>(Source).LanguageCode;
}

std::string TSWFDefineFontInfo2::Describe() const {
  return TSWFDefineFontInfo::Describe() + Format(" language=%u", LanguageCode);
}

// ---------------------------------------------------------------------------------------
// DefineFontAlignZones

void TSWFDefineFontAlignZones::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineFontAlignZones>(Source);
  FontID = s.FontID;
  CSMTableHint = s.CSMTableHint;
  ZoneTable = s.ZoneTable;
}

void TSWFDefineFontAlignZones::ReadFromStream(TBitsEngine& be) {
  FontID = be.ReadWord("FontID");
  const uint8_t hint = be.ReadByte("CSMTableHint");
  if (hint & kCSMTableHintReserved) throw FormatError("reserved bits set after CSMTableHint");
  CSMTableHint = hint >> kCSMTableHintShift;
  ZoneTable.clear();
  while (!be.AtEnd()) {
    TSWFZoneRecord& z = ZoneTable.emplace_back();
    const uint8_t n = be.ReadByte("NumZoneData");
    for (uint8_t i = 0; i < n; ++i) {
      TSWFZoneData d;
      d.AlignmentCoordinate = be.ReadWord("AlignmentCoordinate");
      d.Range = be.ReadWord("Range");
      z.ZoneData.push_back(d);
    }
    const uint8_t mask = be.ReadByte("zone mask");
    if (mask & kZoneReserved) throw FormatError("reserved bits set in the zone mask");
    z.ZoneMaskY = mask & kZoneMaskY;
    z.ZoneMaskX = mask & kZoneMaskX;
  }
}

void TSWFDefineFontAlignZones::WriteTagBody(TBitsEngine& be) {
  if (CSMTableHint > 3) throw Error(Format("CSMTableHint %u does not fit 2 bits", CSMTableHint));
  be.WriteWord(FontID);
  be.WriteByte(static_cast<uint8_t>(CSMTableHint << kCSMTableHintShift));
  for (size_t i = 0; i < ZoneTable.size(); ++i) {
    const TSWFZoneRecord& z = ZoneTable[i];
    // One record per glyph: a record cannot be split, so a count past 255 is refused.
    if (z.ZoneData.size() > 255)
      throw Error(Format("NumZoneData of glyph %zu: %zu zones do not fit the count byte", i, z.ZoneData.size()));
    be.WriteByte(z.NumZoneData());
    for (const TSWFZoneData& d : z.ZoneData) {
      be.WriteWord(d.AlignmentCoordinate);
      be.WriteWord(d.Range);
    }
    be.WriteByte(static_cast<uint8_t>(FlagIf(z.ZoneMaskY, kZoneMaskY) | FlagIf(z.ZoneMaskX, kZoneMaskX)));
  }
}

std::string TSWFDefineFontAlignZones::Describe() const {
  return Format("font=%u hint=%u zones=%zu", FontID, CSMTableHint, ZoneTable.size());
}

// ---------------------------------------------------------------------------------------
// DefineFontName

void TSWFDefineFontName::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineFontName>(Source);
  FontID = s.FontID;
  FontName = s.FontName;
  FontCopyright = s.FontCopyright;
}

void TSWFDefineFontName::ReadFromStream(TBitsEngine& be) {
  FontID = be.ReadWord("FontID");
  FontName = be.ReadString("FontName");
  FontCopyright = be.ReadString("FontCopyright");
}

void TSWFDefineFontName::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(FontID);
  be.WriteString(FontName, true, true);
  be.WriteString(FontCopyright, true, true);
}

std::string TSWFDefineFontName::Describe() const {
  std::string s = Format("font=%u name=%s", FontID, Quote(FontName).c_str());
  if (!FontCopyright.empty()) s += " copyright=" + Quote(FontCopyright);
  return s;
}

// ---------------------------------------------------------------------------------------
// CSMTextSettings

void TSWFCSMTextSettings::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFCSMTextSettings>(Source);
  TextID = s.TextID;
  UseFlashType = s.UseFlashType;
  GridFit = s.GridFit;
  Thickness = s.Thickness;
  Sharpness = s.Sharpness;
}

void TSWFCSMTextSettings::ReadFromStream(TBitsEngine& be) {
  TextID = be.ReadWord("TextID");
  const uint8_t f = be.ReadByte("CSM flags");
  if (f & kCSMReserved) throw FormatError("reserved bits set in the text settings flags");
  UseFlashType = f >> kUseFlashTypeShift;
  GridFit = (f >> kGridFitShift) & kGridFitMask;
  Thickness = be.ReadSingle();
  Sharpness = be.ReadSingle();
  if (be.ReadByte("reserved byte") != 0) throw FormatError("reserved byte of the text settings is not 0");
}

void TSWFCSMTextSettings::WriteTagBody(TBitsEngine& be) {
  if (UseFlashType > 3) throw Error(Format("UseFlashType %u does not fit 2 bits", UseFlashType));
  if (GridFit > 7) throw Error(Format("GridFit %u does not fit 3 bits", GridFit));
  be.WriteWord(TextID);
  be.WriteByte(static_cast<uint8_t>(UseFlashType << kUseFlashTypeShift | GridFit << kGridFitShift));
  be.WriteSingle(Thickness);
  be.WriteSingle(Sharpness);
  be.WriteByte(0);
}

std::string TSWFCSMTextSettings::Describe() const {
  return Format("text=%u flashtype=%u gridfit=%u thickness=%s sharpness=%s", TextID, UseFlashType, GridFit,
                FormatDouble(Thickness).c_str(), FormatDouble(Sharpness).c_str());
}

// ---------------------------------------------------------------------------------------
// Text records, DefineText, DefineText2

bool TSWFTextRecord::operator==(const TSWFTextRecord& o) const {
  return HasFont == o.HasFont && HasColor == o.HasColor && HasXOffset == o.HasXOffset &&
         HasYOffset == o.HasYOffset && GlyphsOnly == o.GlyphsOnly && GlyphEntries == o.GlyphEntries && font_id_ == o.font_id_ &&
         text_height_ == o.text_height_ && x_offset_ == o.x_offset_ && y_offset_ == o.y_offset_ &&
         color_.GetRGBA() == o.color_.GetRGBA();
}

void TSWFTextRecord::ReadFromStream(TBitsEngine& be, uint8_t flags, uint8_t glyph_bits, uint8_t advance_bits) {
  GlyphsOnly = !(flags & kStyleRecord);
  if (GlyphsOnly) {
    ReadGlyphs(be, flags & kGlyphsOnlyCount, glyph_bits, advance_bits);
    return;
  }
  if (flags & kReserved) throw FormatError("reserved bits set in a text record");
  HasFont = flags & kHasFont;
  HasColor = flags & kHasColor;
  HasYOffset = flags & kHasYOffset;
  HasXOffset = flags & kHasXOffset;
  if (HasFont) font_id_ = be.ReadWord("FontID");
  if (HasColor) {
    color_.SetHasAlpha(UseAlpha);
    if (UseAlpha) {
      color_.SetRGBA(be.ReadRGBA());
    } else {
      const TSWFRGBRec c = be.ReadRGB();
      color_.SetRGB(SWFRGBA(c.R, c.G, c.B, 255));
    }
  }
  if (HasXOffset) x_offset_ = static_cast<int16_t>(be.ReadWord("XOffset"));
  if (HasYOffset) y_offset_ = static_cast<int16_t>(be.ReadWord("YOffset"));
  if (HasFont) text_height_ = be.ReadWord("TextHeight");
  ReadGlyphs(be, be.ReadByte("GlyphCount"), glyph_bits, advance_bits);
}

void TSWFTextRecord::ReadGlyphs(TBitsEngine& be, uint8_t n, uint8_t glyph_bits, uint8_t advance_bits) {
  GlyphEntries.resize(n);
  for (TSWFGlyphEntry& g : GlyphEntries) {
    g.GlyphIndex = be.ReadUBits(glyph_bits);
    g.GlyphAdvance = be.ReadSBits(advance_bits);
  }
  be.FlushLastByte(false);
}

void TSWFTextRecord::WriteToStream(TBitsEngine& be, uint8_t glyph_bits, uint8_t advance_bits) const {
  // The glyph-only form cannot say "no glyphs" (its first byte would end the list) and
  // carries no style; a record that needs either is written in the full form.
  const bool glyphs_only = GlyphsOnly && !GlyphEntries.empty() && !HasFont && !HasColor && !HasXOffset && !HasYOffset;
  size_t next = 0;
  do {
    const bool first = next == 0;
    const size_t count = std::min<size_t>(glyphs_only ? kGlyphsOnlyCount : 255, GlyphEntries.size() - next);
    if (glyphs_only) {
      be.WriteByte(static_cast<uint8_t>(count));
      WriteGlyphs(be, next, count, glyph_bits, advance_bits);
      next += count;
      continue;
    }
    uint8_t flags = kStyleRecord;
    if (first)
      flags |= static_cast<uint8_t>(FlagIf(HasFont, kHasFont) | FlagIf(HasColor, kHasColor) |
                                    FlagIf(HasYOffset, kHasYOffset) | FlagIf(HasXOffset, kHasXOffset));
    be.WriteByte(flags);
    if (first) {
      if (HasFont) be.WriteWord(font_id_);
      if (HasColor) {
        if (UseAlpha) be.WriteRGBA(color_.GetRGBA());
        else be.WriteRGB(color_.RGB());
      }
      if (HasXOffset) be.WriteWord(static_cast<uint16_t>(x_offset_));
      if (HasYOffset) be.WriteWord(static_cast<uint16_t>(y_offset_));
      if (HasFont) be.WriteWord(text_height_);
    }
    be.WriteByte(static_cast<uint8_t>(count));
    WriteGlyphs(be, next, count, glyph_bits, advance_bits);
    next += count;
  } while (next < GlyphEntries.size());
}

void TSWFTextRecord::WriteGlyphs(TBitsEngine& be, size_t from, size_t count, uint8_t glyph_bits,
                                 uint8_t advance_bits) const {
  for (size_t i = from; i < from + count; ++i) {
    be.WriteBits(GlyphEntries[i].GlyphIndex, glyph_bits);
    be.WriteBits(static_cast<uint32_t>(GlyphEntries[i].GlyphAdvance), advance_bits);
  }
  be.FlushLastByte(true);
}

size_t TSWFDefineText::GlyphCount() const {
  size_t n = 0;
  for (const auto& r : TextRecords) n += r.GlyphEntries.size();
  return n;
}

void TSWFDefineText::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineText>(Source);
  CharacterID = s.CharacterID;
  TextBounds = s.TextBounds;
  TextMatrix = s.TextMatrix;
  GlyphBits = s.GlyphBits;
  AdvanceBits = s.AdvanceBits;
  TextRecords = s.TextRecords;
}

void TSWFDefineText::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  TextBounds = TSWFRect::FromScreen(be.ReadRect());
  TextMatrix.SetRec(be.ReadMatrix());
  GlyphBits = be.ReadByte("GlyphBits");
  AdvanceBits = be.ReadByte("AdvanceBits");
  if (GlyphBits > 32 || AdvanceBits > 32)
    throw FormatError(Format("glyph widths of %u and %u bits", GlyphBits, AdvanceBits));
  TextRecords.clear();
  // Records up to the 0 byte; whatever follows it stays in the body, so that a body with
  // bytes after its end marker is kept raw instead of losing them.
  for (uint8_t flags; (flags = be.ReadByte("text record")) != 0;) {
    TSWFTextRecord& r = TextRecords.emplace_back();
    r.UseAlpha = UseAlpha();
    r.ReadFromStream(be, flags, GlyphBits, AdvanceBits);
  }
}

void TSWFDefineText::WriteTagBody(TBitsEngine& be) {
  // Widths wide enough for every index and advance: a value is never cut to fit.
  uint32_t max_index = 0;
  int32_t max_advance = 0;
  for (const auto& r : TextRecords) {
    for (const auto& g : r.GlyphEntries) {
      max_index = std::max(max_index, g.GlyphIndex);
      max_advance = std::max(max_advance, AbsSaturated(g.GlyphAdvance));
    }
  }
  GlyphBits = std::max(GlyphBits, GetBitsCount(max_index));
  AdvanceBits = std::max(AdvanceBits, GetBitsCount(max_advance, 1));
  if (GlyphBits > 32 || AdvanceBits > 32) throw Error("GlyphBits and AdvanceBits are at most 32");
  be.WriteWord(CharacterID);
  be.WriteRect(TextBounds.Rect());
  be.WriteMatrix(TextMatrix.Rec());
  be.WriteByte(GlyphBits);
  be.WriteByte(AdvanceBits);
  for (TSWFTextRecord& r : TextRecords) {
    r.UseAlpha = UseAlpha();
    r.WriteToStream(be, GlyphBits, AdvanceBits);
  }
  be.WriteByte(0);
}

void TSWFDefineText::ForEachReferencedID(const TIDVisitor& visit) {
  for (TSWFTextRecord& r : TextRecords) {
    if (!r.HasFont) continue;
    uint16_t id = r.FontID();
    visit(id);
    r.SetFontID(id);
  }
}

std::string TSWFDefineText::Describe() const {
  const TRect b = TextBounds.Rect();
  return Format("id=%u bounds=(%d,%d)-(%d,%d) records=%zu glyphs=%zu bits=%u/%u", CharacterID, b.Left, b.Top,
                b.Right, b.Bottom, TextRecords.size(), GlyphCount(), GlyphBits, AdvanceBits);
}

// ---------------------------------------------------------------------------------------
// DefineEditText

void TSWFDefineEditText::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  *this = AssignSource<TSWFDefineEditText>(Source);
}

uint8_t TSWFDefineEditText::MinVersion() const {
  if (WritesFontClass()) return 9;
  return AutoSize ? 6 : 4;
}

std::string TSWFDefineEditText::InitialTextBytes() const {
  return InitialTextWide.empty() ? InitialText : Utf16ToUtf8(InitialTextWide);
}

void TSWFDefineEditText::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  Bounds = TSWFRect::FromScreen(be.ReadRect());
  const uint8_t f1 = be.ReadByte("edit text flags");
  const uint8_t f2 = be.ReadByte("edit text flags");
  HasText = f1 & kHasText;
  WordWrap = f1 & kWordWrap;
  Multiline = f1 & kMultiline;
  Password = f1 & kPassword;
  ReadOnly = f1 & kReadOnly;
  HasTextColor = f1 & kHasTextColor;
  HasMaxLength = f1 & kHasMaxLength;
  HasFont = f1 & kHasFont;
  // A set font class flag means the class is there, whatever the file version says: the
  // fields after it would be misread otherwise. Such a field needs a version 9 player.
  HasFontClass = f2 & kHasFontClass;
  AutoSize = f2 & kAutoSize;
  HasLayout = f2 & kHasLayout;
  NoSelect = f2 & kNoSelect;
  Border = f2 & kBorder;
  WasStatic = f2 & kWasStatic;
  HTML = f2 & kHTML;
  UseOutlines = f2 & kUseOutlines;
  if (HasFont) FontID = be.ReadWord("FontID");
  FontClass = HasFontClass ? be.ReadString("FontClass") : std::string();
  if (HasFontClass && FontClass.empty()) throw FormatError("empty FontClass");
  if (HasFontClass) Version = std::max<uint8_t>(Version, 9);
  if (HasFont || HasFontClass) FontHeight = be.ReadWord("FontHeight");
  if (HasTextColor) TextColor.SetRGBA(be.ReadRGBA());
  if (HasMaxLength) MaxLength = be.ReadWord("MaxLength");
  if (HasLayout) {
    Align = be.ReadByte("Align");
    LeftMargin = be.ReadWord("LeftMargin");
    RightMargin = be.ReadWord("RightMargin");
    Indent = be.ReadWord("Indent");
    Leading = static_cast<int16_t>(be.ReadWord("Leading"));
  }
  VariableName = be.ReadString("VariableName");
  InitialTextWide.clear();
  InitialText = HasText ? be.ReadString("InitialText") : std::string();
}

void TSWFDefineEditText::WriteTagBody(TBitsEngine& be) {
  HasFontClass = WritesFontClass();
  be.WriteWord(CharacterID);
  be.WriteRect(Bounds.Rect());
  be.WriteByte(static_cast<uint8_t>(FlagIf(HasText, kHasText) | FlagIf(WordWrap, kWordWrap) |
                                    FlagIf(Multiline, kMultiline) | FlagIf(Password, kPassword) |
                                    FlagIf(ReadOnly, kReadOnly) | FlagIf(HasTextColor, kHasTextColor) |
                                    FlagIf(HasMaxLength, kHasMaxLength) | FlagIf(HasFont, kHasFont)));
  be.WriteByte(static_cast<uint8_t>(FlagIf(HasFontClass, kHasFontClass) | FlagIf(AutoSize, kAutoSize) |
                                    FlagIf(HasLayout, kHasLayout) | FlagIf(NoSelect, kNoSelect) |
                                    FlagIf(Border, kBorder) | FlagIf(WasStatic, kWasStatic) | FlagIf(HTML, kHTML) |
                                    FlagIf(UseOutlines, kUseOutlines)));
  if (HasFont) be.WriteWord(FontID);
  if (HasFontClass) be.WriteString(FontClass);
  // The player reads a height after a font class too, not only after a font ID.
  if (HasFont || HasFontClass) be.WriteWord(FontHeight);
  if (HasTextColor) be.WriteRGBA(TextColor.GetRGBA());
  if (HasMaxLength) be.WriteWord(MaxLength);
  if (HasLayout) {
    be.WriteByte(Align);
    be.WriteWord(LeftMargin);
    be.WriteWord(RightMargin);
    be.WriteWord(Indent);
    be.WriteWord(static_cast<uint16_t>(Leading));
  }
  be.WriteString(VariableName, true, Version >= 6);
  if (HasText) be.WriteString(InitialTextBytes(), true, !HTML && Version > 5);
}

void TSWFDefineEditText::ForEachReferencedID(const TIDVisitor& visit) {
  if (HasFont) visit(FontID);
}

std::string TSWFDefineEditText::Describe() const {
  const TRect b = Bounds.Rect();
  std::string s = Format("id=%u bounds=(%d,%d)-(%d,%d)", CharacterID, b.Left, b.Top, b.Right, b.Bottom);
  if (HasFont) s += Format(" font=%u", FontID);
  if (WritesFontClass() || HasFontClass) s += " class=" + Quote(FontClass);
  if (HasFont || HasFontClass) s += Format(" height=%u", FontHeight);
  if (HasTextColor) s += " color=" + ColorText(TextColor);
  if (HasMaxLength) s += Format(" maxlength=%u", MaxLength);
  if (HasLayout) s += Format(" align=%u margins=%u/%u indent=%u leading=%d", Align, LeftMargin, RightMargin, Indent,
                             Leading);
  static const struct { bool TSWFDefineEditText::*Flag; const char* Name; } kFlags[] = {
      {&TSWFDefineEditText::WordWrap, "wordwrap"}, {&TSWFDefineEditText::Multiline, "multiline"},
      {&TSWFDefineEditText::Password, "password"}, {&TSWFDefineEditText::ReadOnly, "readonly"},
      {&TSWFDefineEditText::AutoSize, "autosize"}, {&TSWFDefineEditText::NoSelect, "noselect"},
      {&TSWFDefineEditText::Border, "border"},     {&TSWFDefineEditText::WasStatic, "wasstatic"},
      {&TSWFDefineEditText::HTML, "html"},         {&TSWFDefineEditText::UseOutlines, "outlines"},
  };
  for (const auto& f : kFlags)
    if (this->*f.Flag) s += std::string(" ") + f.Name;
  s += " var=" + Quote(VariableName);
  if (HasText) s += " text=" + Quote(InitialTextBytes());
  return s;
}

}  // namespace fc
