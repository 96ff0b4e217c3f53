#include "movie/flash_font.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "swf/fonts_text.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// The ANSI code page

namespace {

// Windows-1252 at 0x80..0x9F; 0 where the code page defines nothing. 0xA0..0xFF are Latin-1.
constexpr std::array<char16_t, 32> kAnsiHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char16_t AnsiToWide(uint8_t ansi) {
  if (ansi >= 0x80 && ansi < 0xA0 && kAnsiHigh[ansi - 0x80] != 0) return kAnsiHigh[ansi - 0x80];
  return ansi;
}

std::u16string AnsiToWide(std::string_view ansi) {
  std::u16string wide;
  wide.reserve(ansi.size());
  for (const char c : ansi) wide.push_back(AnsiToWide(static_cast<uint8_t>(c)));
  return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
  std::string ansi;
  ansi.reserve(wide.size());
  for (const char16_t unit : wide) {
    char byte = '?';
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
      byte = static_cast<char>(unit);
    } else if (const auto* found = std::find(kAnsiHigh.begin(), kAnsiHigh.end(), unit);
               unit != 0 && found != kAnsiHigh.end()) {
      byte = static_cast<char>(0x80 + (found - kAnsiHigh.begin()));
    } else if (unit >= 0x80 && unit < 0xA0 && kAnsiHigh[unit - 0x80] == 0) {
      byte = static_cast<char>(unit);  // the undefined bytes map to themselves both ways
    }
    ansi.push_back(byte);
  }
  return ansi;
}

// ---------------------------------------------------------------------------------------
// TFlashChar

TFlashChar::TFlashChar(uint16_t code, bool wide) : code_(code), wide_(wide) {}

uint16_t TFlashChar::WideCode() const {
  return code_ > 255 || wide_ ? code_ : AnsiToWide(static_cast<uint8_t>(code_));
}

void TFlashChar::Assign(const TFlashChar& source) {
  code_ = source.code_;
  wide_ = source.wide_;
  Built = source.Built;
  if (Built) {
    Advance = source.Advance;
    CopyShapeRecords(source.records_, records_);
  }
}

// ---------------------------------------------------------------------------------------
// TFlashFont

int32_t TFlashFont::Multiplier() const { return Owner ? Owner->UnitsMultiplier() : 1; }

void TFlashFont::SetSize(uint16_t size) { size_ = static_cast<uint16_t>(size * Multiplier()); }

void TFlashFont::SetCharset(uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  // Windows character set -> DefineFont2 language code and encoding (nullopt: unchanged).
  struct TCharsetEntry {
    uint8_t Charset, Language;
    std::optional<uint8_t> Encoding;
  };
  static constexpr std::array<TCharsetEntry, 7> kCharsets = {{{0, 0, kEncodingAnsi},          // ANSI
                                                              {2, 0, kEncodingAnsi},          // symbol
                                                              {1, 0, kEncodingWide},          // default
                                                              {128, 2, kEncodingShiftJIS},    // Shift-JIS
                                                              {129, 3, std::nullopt},         // Hangeul
                                                              {134, 4, std::nullopt},         // GB2312
                                                              {136, 5, std::nullopt}}};       // Big5
  const auto* entry = std::find_if(kCharsets.begin(), kCharsets.end(),
                                   [&](const TCharsetEntry& e) { return e.Charset == charset; });
  const TCharsetEntry other{charset, 64, kEncodingWide};
  const TCharsetEntry& found = entry != kCharsets.end() ? *entry : other;
  LanguageCode = found.Language;
  if (found.Encoding) Encoding = *found.Encoding;
}

void TFlashFont::SetHasLayout(bool flag) {
  if (flag && !has_layout_) ReadMetrics();
  has_layout_ = flag;
}

bool TFlashFont::AddChar(uint16_t code) {
  if (code > 255) wide_ = true;
  bool added = true;
  if (glyphs_.empty()) {
    glyphs_.push_back(std::make_unique<TFlashChar>(code, wide_));
  } else {
    const uint16_t key = wide_ ? code : AnsiToWide(static_cast<uint8_t>(code));
    for (size_t i = 0; i < glyphs_.size(); ++i) {
      const uint16_t c = code < 128 ? glyphs_[i]->Code() : glyphs_[i]->WideCode();
      if (c == key) {
        added = false;
        break;
      }
      if (c > key) {
        glyphs_.insert(glyphs_.begin() + static_cast<std::ptrdiff_t>(i), std::make_unique<TFlashChar>(code, wide_));
        break;
      }
      if (i + 1 == glyphs_.size()) {
        glyphs_.push_back(std::make_unique<TFlashChar>(code, wide_));
        break;
      }
    }
  }
  // Wide codes in DefineFont2 need a version 6 player.
  if (wide_ && Owner && Owner->Version() < 6) Owner->SetVersion(6);
  return added;
}

void TFlashFont::AddChars(std::string_view ansi_text) {
  for (const char c : ansi_text) AddChar(static_cast<uint8_t>(c));
}

void TFlashFont::AddChars(std::u16string_view wide_text) {
  if (wide_text.empty()) return;
  wide_ = true;
  for (const char16_t unit : wide_text) AddChar(unit);
}

const TFlashChar* TFlashFont::FindGlyph(uint16_t code) const {
  for (const auto& glyph : glyphs_)
    if (glyph->Code() == code) return glyph.get();
  return nullptr;
}

std::optional<size_t> TFlashFont::GlyphIndex(uint16_t code, bool ordered_by_code) const {
  const TFlashChar* glyph = FindGlyph(code);
  if (!glyph) return std::nullopt;
  if (!ordered_by_code) {
    for (size_t i = 0; i < glyphs_.size(); ++i)
      if (glyphs_[i].get() == glyph) return i;
  }
  // Among the glyphs ordered by Code (a stable order, as the font writes them): the glyphs
  // with a smaller code and those of the same code that come first in the list.
  size_t index = 0;
  for (const auto& g : glyphs_) {
    if (g.get() == glyph) continue;
    if (g->Code() < glyph->Code()) ++index;
  }
  for (const auto& g : glyphs_) {
    if (g.get() == glyph) break;
    if (g->Code() == glyph->Code()) ++index;
  }
  return index;
}

TFontRequest TFlashFont::Request() const {
  TFontRequest request;
  request.Name = Name;
  request.Bold = Bold;
  request.Italic = Italic;
  request.Charset = charset_;
  request.Smoothed = !SmallText;
  request.LogFont = LogFont;
  return request;
}

void TFlashFont::ReadMetrics() {
  const TFontMetrics metrics = ReadFontMetrics(Request());
  Ascent = metrics.Ascent;
  Descent = metrics.Descent;
  Leading = metrics.Leading;
}

void TFlashFont::BuildGlyphs() {
  if (glyphs_.empty()) return;
  ReadMetrics();
  if (std::all_of(glyphs_.begin(), glyphs_.end(), [](const auto& g) { return g->Built; })) return;
  TFontFace face(MakeLogFont(Request()));
  for (auto& glyph : glyphs_) {
    if (glyph->Built) continue;
    glyph->Built = true;
    face.ReadGlyphOutline(glyph->WideCode(), glyph->Outline());
    glyph->Advance = face.Advance(glyph->WideCode());
  }
}

int32_t TFlashFont::ScaleFromEm(double value) const {
  return static_cast<int32_t>(std::nearbyint(value / kEmSize * size_));
}

TTextExtent TFlashFont::MeasureTextEm(std::u16string_view wide_text) const {
  return TFontFace(MakeLogFont(Request())).MeasureText(wide_text);
}

TTextExtent TFlashFont::MeasureText(std::u16string_view wide_text) const {
  const TTextExtent em = MeasureTextEm(wide_text);
  return {ScaleFromEm(em.Width), ScaleFromEm(em.Height)};
}

TTextExtent TFlashFont::MeasureText(std::string_view ansi_text) const { return MeasureText(AnsiToWide(ansi_text)); }

bool TFlashFont::HasWideGlyphs() const {
  if (wide_) return true;
  if (DeviceFont) return false;
  return std::any_of(glyphs_.begin(), glyphs_.end(), [](const auto& g) { return g->Wide(); });
}

void TFlashFont::Assign(const TBasedSWFObject& Source) {
  TFlashIDObject::Assign(Source);
  const auto& s = AssignSource<TFlashFont>(Source);
  Name = s.Name;
  Bold = s.Bold;
  Italic = s.Italic;
  SmallText = s.SmallText;
  DeviceFont = s.DeviceFont;
  Encoding = s.Encoding;
  LanguageCode = s.LanguageCode;
  Ascent = s.Ascent;
  Descent = s.Descent;
  Leading = s.Leading;
  Usage = s.Usage;
  LogFont = s.LogFont;
  size_ = s.size_;
  charset_ = s.charset_;
  has_layout_ = s.has_layout_;
  wide_ = s.wide_;
  glyphs_.clear();
  for (const auto& source_glyph : s.glyphs_) {
    auto glyph = std::make_unique<TFlashChar>(source_glyph->Code(), s.wide_);
    glyph->Assign(*source_glyph);
    glyphs_.push_back(std::move(glyph));
  }
}

void TFlashFont::WriteToStream(TBitsEngine& be) {
  TSWFDefineFont2 tag;
  tag.Version = Owner ? Owner->Version() : 6;
  tag.FontID = GetID();
  tag.HasLayout = has_layout_ || (Usage & kUsedByEditText);
  tag.ShiftJIS = Encoding == kEncodingShiftJIS;
  tag.ANSI = Encoding == kEncodingAnsi;
  tag.SmallText = SmallText;
  tag.WideCodes = Encoding == kEncodingWide || HasWideGlyphs();
  tag.Italic = Italic;
  tag.Bold = Bold;
  tag.LanguageCode = LanguageCode;
  tag.FontName = Name;
  if ((tag.HasLayout || !glyphs_.empty()) && Ascent == 0 && Descent == 0 && Leading == 0) ReadMetrics();
  if (tag.HasLayout) {
    tag.Ascent = static_cast<uint16_t>(Ascent);
    tag.Descent = static_cast<uint16_t>(Descent);
    tag.Leading = Leading;
  }
  if ((!DeviceFont || (Usage & kUsedByStaticText)) && !glyphs_.empty()) {
    BuildGlyphs();
    std::vector<const TFlashChar*> order;
    for (const auto& glyph : glyphs_) order.push_back(glyph.get());
    // 8-bit codes go in ascending code order; static text indexes them the same way.
    if (!tag.WideCodes)
      std::stable_sort(order.begin(), order.end(), [](const TFlashChar* a, const TFlashChar* b) { return a->Code() < b->Code(); });
    for (const TFlashChar* glyph : order) {
      TSWFShapeRecords& records = tag.AddGlyph();
      CopyShapeRecords(glyph->Records(), records);
      // The font tag selects the glyph's fill in its first record, which must be a style
      // change: an outline starting at the origin has no move of its own.
      if (!records.empty() && records.front()->RecordKind != kShapeRecordStyleChange) {
        auto move = std::make_unique<TSWFStyleChangeRecord>();
        move->SetMoveTo(0, 0);
        records.insert(records.begin(), std::move(move));
      }
      tag.CodeTable.push_back(tag.WideCodes ? glyph->WideCode() : glyph->Code());
      if (tag.HasLayout) {
        tag.AdvanceTable.push_back(static_cast<int16_t>(std::clamp(glyph->Advance, -32768, 32767)));
        tag.BoundsTable.emplace_back();
      }
    }
  }
  tag.WriteToStream(be);
}

// ---------------------------------------------------------------------------------------
// The movie's fonts

TFlashFont* TFlashMovie::AddFont() {
  auto font = std::make_unique<TFlashFont>();
  font->DeviceFont = true;
  TFlashFont* added = AddDefinition(std::move(font));
  Fonts.push_back(added);
  return added;
}

TFlashFont* TFlashMovie::AddFont(const TSystemFont& system_font, bool device_font) {
  TFlashFont* font = AddFont();
  font->Name = system_font.Name;
  font->SetSize(static_cast<uint16_t>(std::abs(system_font.Height)));
  font->Bold = system_font.Bold;
  font->Italic = system_font.Italic;
  font->DeviceFont = device_font;
  font->SetCharset(system_font.Charset);
  return font;
}

}  // namespace fc
