#include "engine/text_renderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "core/text.h"
#include "readers/font_match.h"

namespace fc {
namespace {

struct TLibraryDeleter { void operator()(FT_Library p) const { FT_Done_FreeType(p); } };
struct TFaceDeleter { void operator()(FT_Face p) const { FT_Done_Face(p); } };
using TLibraryPtr = std::unique_ptr<FT_LibraryRec_, TLibraryDeleter>;
using TFacePtr = std::unique_ptr<FT_FaceRec_, TFaceDeleter>;

TLibraryPtr StartFreeType() {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw MediaError("FreeType cannot start");
  return TLibraryPtr(library);
}

// The installed font nearest to the family and style, at `pixels` pixels per em.
TFacePtr OpenFace(FT_Library library, const std::string& family, bool bold, bool italic, int pixels) {
  const std::optional<TFontMatch> match = MatchFont(family, bold, italic);
  if (!match) throw MediaError("no font is installed that could draw \"" + family + "\"");
  if (match->FilePath.empty()) throw MediaError("no font file for \"" + family + "\"");
  FT_Face raw = nullptr;
  if (FT_New_Face(library, match->FilePath.c_str(), match->FaceIndex, &raw) != 0)
    throw MediaError("cannot open the font " + match->FilePath);
  TFacePtr face(raw);
  if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(pixels)) != 0)
    throw MediaError("the font " + match->FilePath + " cannot be drawn at this size");
  return face;
}

std::u32string CodePoints(const std::string& utf8) {
  const std::u16string u = Utf8ToUtf16(utf8);
  std::u32string out;
  for (size_t i = 0; i < u.size(); ++i) {
    char32_t c = u[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::string CutToUtf16Units(const std::string& text, size_t max_units) {
  const std::u16string u = Utf8ToUtf16(text);
  if (u.size() <= max_units) return text;
  size_t n = max_units;
  if (n > 0 && u[n - 1] >= 0xD800 && u[n - 1] <= 0xDBFF) --n;  // never half a surrogate pair
  return Utf16ToUtf8(u.substr(0, n));
}

TDibImage RenderText(const TTextRequest& request) {
  const std::string text = CutToUtf16Units(request.Text, kMaxTextUnits);
  const std::string family = CutToUtf16Units(request.FontName, kMaxFontNameUnits);
  if (text.empty()) return {};
  const bool bold = request.Style & kTextBold, italic = request.Style & kTextItalic;
  // The library is declared before the face: the face is released first.
  const TLibraryPtr library = StartFreeType();
  const int px = std::clamp(static_cast<int>(std::lround(std::clamp(request.PointSize, 1, 1000) * 96.0 / 72)), 1, 2000);
  const TFacePtr owned_face = OpenFace(library.get(), family, bold, italic, px);
  const FT_Face face = owned_face.get();
  // Styles the font file lacks are made up: thicker outlines, slanted letters.
  const bool fake_bold = bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  const bool fake_italic = italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  if (fake_italic) {
    FT_Matrix shear{0x10000, static_cast<FT_Fixed>(0.2 * 0x10000), 0, 0x10000};
    FT_Set_Transform(face, &shear, nullptr);
  }
  const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
  const int line_height = std::max(1, static_cast<int>(face->size->metrics.height >> 6));
  const int bold_extra = fake_bold ? std::max(1, px / 24) : 0;

  struct TGlyph {
    std::vector<uint8_t> Alpha;
    int Width = 0, Rows = 0, Left = 0, Top = 0, Advance = 0;
  };
  std::vector<std::vector<TGlyph>> lines(1);
  for (const char32_t c : CodePoints(text)) {
    if (c == U'\n') {
      lines.emplace_back();
      continue;
    }
    if (c == U'\r') continue;
    if (FT_Load_Char(face, c, FT_LOAD_NO_BITMAP) != 0) continue;
    FT_GlyphSlot slot = face->glyph;
    if (fake_bold && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Embolden(&slot->outline, bold_extra * 64);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) continue;
    TGlyph g;
    g.Width = static_cast<int>(slot->bitmap.width);
    g.Rows = static_cast<int>(slot->bitmap.rows);
    g.Left = slot->bitmap_left;
    g.Top = slot->bitmap_top;
    g.Advance = static_cast<int>(slot->advance.x >> 6) + bold_extra;
    g.Alpha.resize(static_cast<size_t>(g.Width) * g.Rows);
    for (int y = 0; y < g.Rows; ++y)
      std::copy_n(slot->bitmap.buffer + static_cast<ptrdiff_t>(y) * slot->bitmap.pitch, g.Width,
                  g.Alpha.data() + static_cast<size_t>(y) * g.Width);
    lines.back().push_back(std::move(g));
  }

  int width = 1;
  for (const auto& line : lines) {
    int w = 0;
    for (const TGlyph& g : line) w = std::max(w + g.Advance, w + g.Left + g.Width);
    width = std::max(width, w);
  }
  width += fake_italic ? px / 4 : 0;
  const int height = static_cast<int>(lines.size()) * line_height;
  TDibImage image(width, std::max(1, height));
  std::vector<uint8_t> alpha(static_cast<size_t>(width) * image.Height(), 0);
  auto plot = [&](int x, int y, uint8_t a) {
    if (x < 0 || y < 0 || x >= width || y >= image.Height()) return;
    uint8_t& d = alpha[static_cast<size_t>(y) * width + x];
    d = std::max(d, a);
  };
  const int rule = std::max(1, px / 16);
  for (size_t li = 0; li < lines.size(); ++li) {
    const int baseline = static_cast<int>(li) * line_height + ascender;
    int pen = 0;
    for (const TGlyph& g : lines[li]) {
      for (int y = 0; y < g.Rows; ++y)
        for (int x = 0; x < g.Width; ++x) plot(pen + g.Left + x, baseline - g.Top + y, g.Alpha[y * g.Width + x]);
      pen += g.Advance;
    }
    if (request.Style & kTextUnderline)
      for (int t = 0; t < rule; ++t)
        for (int x = 0; x < pen; ++x) plot(x, baseline + std::max(1, px / 10) + t, 255);
    if (request.Style & kTextStrikeOut)
      for (int t = 0; t < rule; ++t)
        for (int x = 0; x < pen; ++x) plot(x, baseline - px * 3 / 10 + t, 255);
  }
  const uint8_t r = (request.Color >> 16) & 0xFF, g = (request.Color >> 8) & 0xFF, b = request.Color & 0xFF;
  std::vector<uint8_t>& bits = image.Bits();
  for (size_t i = 0; i < alpha.size(); ++i) {
    bits[i * 4] = b;
    bits[i * 4 + 1] = g;
    bits[i * 4 + 2] = r;
    bits[i * 4 + 3] = alpha[i];
  }
  return image;
}

}  // namespace fc
