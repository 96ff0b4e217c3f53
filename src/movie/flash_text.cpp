#include "movie/flash_text.h"

#include <algorithm>
#include <cmath>

#include "core/text.h"
#include "swf/fonts_text.h"

namespace fc {
namespace {

int32_t RoundHalfEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }
int16_t ClampToInt16(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)); }
uint16_t ClampToUInt16(int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535)); }

}  // namespace

void TFlashText::SetFont(TFlashFont* font) {
  font_ = font;
  if (!font_) return;
  font_->Usage |= edit_text_ ? TFlashFont::kUsedByEditText : TFlashFont::kUsedByStaticText;
  // A text set before its font would otherwise refer to glyphs the font never got.
  font_->AddChars(text_);
  font_->AddChars(ansi_text_);
}

void TFlashText::SetText(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  SetWideText(wide);
  SetAnsiText(WideToAnsi(wide));
}

void TFlashText::SetWideText(const std::u16string& text) {
  if (text == text_) return;
  if (font_) font_->AddChars(text);
  text_ = text;
}

void TFlashText::SetAnsiText(const std::string& text) {
  if (text == ansi_text_) return;
  if (font_) font_->AddChars(std::string_view(text));
  ansi_text_ = text;
}

void TFlashText::SetHeight(uint16_t height) { height_ = static_cast<uint16_t>(height * UnitsMultiplier()); }

void TFlashText::SetAlign(uint8_t align) {
  SetHasLayout(true);
  align_ = align;
}

void TFlashText::SetHasLayout(bool flag) {
  if (font_) font_->SetHasLayout(flag);
  has_layout_ = flag;
}

void TFlashText::SetLayoutValue(int32_t& field, int32_t v) {
  SetHasLayout(true);
  field = v * UnitsMultiplier();
}

TSWFMatrix& TFlashText::Matrix() {
  if (!matrix_) matrix_ = std::make_unique<TSWFMatrix>();
  return *matrix_;
}

void TFlashText::SetEditText(bool flag) {
  if (flag && !edit_text_) ReadOnly = NoSelect = false;
  edit_text_ = flag;
}

void TFlashText::SetHTML(bool flag) {
  if (flag) edit_text_ = true;
  html_ = flag;
}

void TFlashText::SetUseOutlines(bool flag) {
  use_outlines_ = flag;
  if (font_) font_->DeviceFont = false;
}

void TFlashText::Assign(const TBasedSWFObject& Source) {
  TFlashVisualObject::Assign(Source);
  const auto& s = AssignSource<TFlashText>(Source);
  if (s.Owner == Owner) font_ = s.font_;
  text_ = s.text_;
  ansi_text_ = s.ansi_text_;
  color_.Assign(s.color_);
  has_color_ = s.has_color_;
  X = s.X;
  Y = s.Y;
  height_ = s.height_;
  align_ = s.align_;
  has_layout_ = s.has_layout_;
  indent_ = s.indent_;
  leading_ = s.leading_;
  left_margin_ = s.left_margin_;
  right_margin_ = s.right_margin_;
  AutoBounds = s.AutoBounds;
  Bounds = s.Bounds;
  matrix_ = s.matrix_ ? std::make_unique<TSWFMatrix>(*s.matrix_) : nullptr;
  edit_text_ = s.edit_text_;
  html_ = s.html_;
  use_outlines_ = s.use_outlines_;
  AutoSize = s.AutoSize;
  Border = s.Border;
  Multiline = s.Multiline;
  NoSelect = s.NoSelect;
  Password = s.Password;
  ReadOnly = s.ReadOnly;
  WordWrap = s.WordWrap;
  VariableName = s.VariableName;
  max_length_ = s.max_length_;
  has_max_length_ = s.has_max_length_;
}

void TFlashText::WriteToStream(TBitsEngine& be) {
  if (edit_text_) WriteEditText(be);
  else WriteStaticText(be);
}

TRect TFlashText::TextRect() const {
  if (!AutoBounds) return {Bounds.Xmin(), Bounds.Ymin(), Bounds.Xmax(), Bounds.Ymax()};
  int32_t w = 0, h = 0;
  if (font_ && !text_.empty()) {
    const TTextExtent extent = font_->MeasureText(std::u16string_view(text_));
    w = extent.Width;
    h = extent.Height;
  } else if (font_ && !ansi_text_.empty()) {
    const TTextExtent extent = font_->MeasureText(std::string_view(ansi_text_));
    if (font_->Size() != 0) {
      w = RoundHalfEven(double(extent.Width) / font_->Size() * height_);
      h = RoundHalfEven(double(extent.Height) / font_->Size() * height_);
    } else {
      // A font without a size measures 0 and would divide by it: scale from the em instead.
      const TTextExtent em = font_->MeasureTextEm(AnsiToWide(ansi_text_));
      w = RoundHalfEven(em.Width / 1024.0 * height_);
      h = RoundHalfEven(em.Height / 1024.0 * height_);
    }
  }
  TRect r{X, Y, X + w, Y + h};
  int32_t shift = 0;
  if (align_ == kAlignRight) shift = w;
  else if (align_ == kAlignCenter || align_ == kAlignJustify) shift = w / 2;
  r.Left -= shift;
  r.Right -= shift;
  return r;
}

void TFlashText::WriteStaticText(TBitsEngine& be) {
  const bool wide = !text_.empty();
  if (!wide && ansi_text_.empty()) return;
  if (!font_) return;  // glyphs need a font to refer to
  std::unique_ptr<TSWFDefineText> tag =
      color_.Alpha() == 255 ? std::make_unique<TSWFDefineText>() : std::make_unique<TSWFDefineText2>();
  font_->BuildGlyphs();
  tag->CharacterID = GetID();
  const TRect rect = TextRect();
  tag->TextBounds = TSWFRect::FromScreen(rect);
  if (matrix_) tag->TextMatrix = *matrix_;

  TSWFTextRecord& record = tag->AddRecord();
  record.SetFontID(font_->GetID());
  record.GetTextColor().Assign(color_);
  record.SetTextHeight(height_);
  record.SetYOffset(ClampToInt16(int64_t{RoundHalfEven(font_->Ascent / 1024.0 * height_)} + rect.Top));
  if (rect.Left != 0) record.SetXOffset(ClampToInt16(rect.Left));

  // The ANSI form of a font with 8-bit codes indexes the glyphs as the font writes them:
  // ordered by code.
  const bool ordered_by_code =
      !wide && !(font_->HasWideGlyphs() || font_->Encoding == TFlashFont::kEncodingWide);
  uint32_t max_index = 0;
  int32_t max_advance = 0;
  const auto add = [&](uint16_t code) {
    const std::optional<size_t> index = font_->GlyphIndex(code, ordered_by_code);
    if (!index) return;  // the font lacks it: left out rather than drawn as another glyph
    const int32_t advance = RoundHalfEven(font_->FindGlyph(code)->Advance / 1024.0 * height_);
    record.AddGlyph(static_cast<uint32_t>(*index), advance);
    max_index = std::max<uint32_t>(max_index, static_cast<uint32_t>(*index));
    max_advance = std::max(max_advance, std::abs(advance));
  };
  if (wide) {
    for (const char16_t unit : text_) add(unit);
  } else {
    for (const char c : ansi_text_) add(static_cast<uint8_t>(c));
  }
  tag->GlyphBits = GetBitsCount(max_index);
  tag->AdvanceBits = GetBitsCount(max_advance, 1);
  tag->WriteToStream(be);
}

void TFlashText::WriteEditText(TBitsEngine& be) {
  TSWFDefineEditText tag;
  tag.Version = Owner ? Owner->Version() : 6;
  tag.CharacterID = GetID();
  tag.Bounds = AutoBounds ? TSWFRect::FromScreen({X, Y, X, Y}) : Bounds;
  tag.AutoSize = AutoSize;
  tag.Border = Border;
  tag.HTML = html_;
  tag.Multiline = Multiline;
  tag.NoSelect = NoSelect;
  tag.Password = Password;
  tag.ReadOnly = ReadOnly;
  tag.WordWrap = WordWrap;
  tag.UseOutlines = use_outlines_ || (font_ && !font_->DeviceFont);
  if (font_) {
    tag.HasFont = true;
    tag.FontID = font_->GetID();
    tag.FontHeight = height_;
  }
  if (has_color_) {
    tag.HasTextColor = true;
    tag.TextColor.Assign(color_);
    tag.TextColor.SetHasAlpha(true);
  }
  if (has_max_length_) {
    tag.HasMaxLength = true;
    tag.MaxLength = max_length_;
  }
  if (has_layout_) {
    tag.HasLayout = true;
    tag.Align = align_;
    tag.LeftMargin = ClampToUInt16(left_margin_);
    tag.RightMargin = ClampToUInt16(right_margin_);
    tag.Indent = ClampToUInt16(indent_);
    tag.Leading = ClampToInt16(leading_);
  }
  tag.VariableName = VariableName;

  std::string prefix, suffix;
  if (html_ && font_) {
    prefix = "<font face=\"" + font_->Name + "\">";
    if (font_->Bold) prefix += "<b>";
    if (font_->Italic) prefix += "<i>";
    if (font_->Italic) suffix += "</i>";
    if (font_->Bold) suffix += "</b>";
    suffix += "</font>";
  }
  if (font_ && font_->HasWideGlyphs()) {
    if (!text_.empty()) {
      tag.HasText = true;
      tag.InitialTextWide = Utf8ToUtf16(prefix) + text_ + Utf8ToUtf16(suffix);
    }
  } else if (!ansi_text_.empty()) {
    tag.HasText = true;
    // The file's strings are UTF-8 from version 6 on; older players read the code page's bytes.
    const std::string body = tag.Version >= 6 ? Utf16ToUtf8(AnsiToWide(ansi_text_)) : ansi_text_;
    tag.InitialText = prefix + body + suffix;
  }
  tag.WriteToStream(be);
}

// ---------------------------------------------------------------------------------------
// The movie's texts

TFlashText* TFlashMovie::AddText(const std::string& text, TColor color, TFlashFont* font, int32_t x, int32_t y,
                                 uint8_t align) {
  TFlashText* added = AddDefinition(std::make_unique<TFlashText>());
  Texts.push_back(added);
  added->SetFont(font);
  added->SetText(text);
  added->Color().SetRGBA(color);
  added->X = x * added->UnitsMultiplier();
  added->Y = y * added->UnitsMultiplier();
  added->SetAlign(align);
  added->AutoSize = true;
  added->AutoBounds = true;
  if (font) {
    added->height_ = font->Size();
    added->use_outlines_ = !font->DeviceFont;
  }
  return added;
}

}  // namespace fc
