#pragma once
// Text objects of the movie builder: static text (DefineText, or DefineText2 for a colour with
// alpha) drawn with the glyphs of a TFlashFont, or an edit field (DefineEditText).
//
// Every character of a text is added to its font when the text is set, so the font always
// holds the glyphs the text needs. Static text is one record on one line.

#include <cstdint>
#include <memory>
#include <string>

#include "movie/flash_font.h"
#include "swf/fonts_text.h"  // kAlignLeft, ...
#include "swf/records.h"

namespace fc {

class TFlashText : public TFlashVisualObject {
public:
  TFlashFont* Font() const { return font_; }
  // Stores the font; an edit field marks it used by edit fields, static text by static text.
  // Characters of a text set before the font are added to it now.
  void SetFont(TFlashFont* font);

  const std::u16string& Text() const { return text_; }
  const std::string& AnsiText() const { return ansi_text_; }
  // A UTF-8 text: its wide form, then its ANSI (Windows-1252) form.
  void SetText(const std::string& text);
  void SetWideText(const std::u16string& text);
  // Bytes in the ANSI code page (Windows-1252), not UTF-8.
  void SetAnsiText(const std::string& text);

  // Accessing the colour makes the text carry one.
  TSWFRGBA& Color() {
    has_color_ = true;
    return color_;
  }
  bool HasColor() const { return has_color_; }

  int32_t X = 0, Y = 0;  // twips
  uint16_t Height() const { return height_; }
  // The height in the object's units.
  void SetHeight(uint16_t height);

  uint8_t Align() const { return align_; }
  void SetAlign(uint8_t align);
  bool HasLayout() const { return has_layout_; }
  void SetHasLayout(bool flag);
  // Layout values in the object's units; reading gives them back in those units.
  int32_t Indent() const { return indent_ / UnitsMultiplier(); }
  int32_t Leading() const { return leading_ / UnitsMultiplier(); }
  int32_t LeftMargin() const { return left_margin_ / UnitsMultiplier(); }
  int32_t RightMargin() const { return right_margin_ / UnitsMultiplier(); }
  void SetIndent(int32_t v) { SetLayoutValue(indent_, v); }
  void SetLeading(int32_t v) { SetLayoutValue(leading_, v); }
  void SetLeftMargin(int32_t v) { SetLayoutValue(left_margin_, v); }
  void SetRightMargin(int32_t v) { SetLayoutValue(right_margin_, v); }

  bool AutoBounds = true;  // the bounds come from the measured text; else Bounds
  TSWFRect Bounds;         // twips
  // Created on first access; identity until then.
  TSWFMatrix& Matrix();

  bool EditText() const { return edit_text_; }
  // An edit field; turning it on clears ReadOnly and NoSelect.
  void SetEditText(bool flag);
  bool HTML() const { return html_; }
  // HTML text is an edit field.
  void SetHTML(bool flag);
  bool UseOutlines() const { return use_outlines_; }
  // Also makes the font embed its outlines (DeviceFont off), whatever the flag.
  void SetUseOutlines(bool flag);
  bool AutoSize = true, Border = false, Multiline = false, NoSelect = false, Password = false, ReadOnly = false,
       WordWrap = false;
  std::string VariableName;
  uint16_t MaxLength() const { return max_length_; }
  bool HasMaxLength() const { return has_max_length_; }
  void SetMaxLength(uint16_t n) {
    max_length_ = n;
    has_max_length_ = true;
  }

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return edit_text_ ? 4 : 3; }
  void WriteToStream(TBitsEngine& be) override;

  // The rectangle static text is written with (twips): measured with AutoBounds, else Bounds.
  TRect TextRect() const;

private:
  friend class TFlashMovie;  // AddText sets height and outlines from the font as they are
  void SetLayoutValue(int32_t& field, int32_t v);
  void WriteStaticText(TBitsEngine& be);
  void WriteEditText(TBitsEngine& be);

  TFlashFont* font_ = nullptr;
  std::u16string text_;
  std::string ansi_text_;
  TSWFRGBA color_{true};
  bool has_color_ = false;
  uint16_t height_ = 0;
  uint8_t align_ = 0;
  bool has_layout_ = false;
  int32_t indent_ = 0, leading_ = 0, left_margin_ = 0, right_margin_ = 0;
  std::unique_ptr<TSWFMatrix> matrix_;
  bool edit_text_ = false, html_ = false, use_outlines_ = false;
  uint16_t max_length_ = 0;
  bool has_max_length_ = false;
};

}  // namespace fc
