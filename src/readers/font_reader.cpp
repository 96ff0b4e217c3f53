#include "readers/font_reader.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "core/text.h"
#include "readers/font_match.h"
#include "readers/font_outline.h"

namespace fc {
namespace {

constexpr int kEm = 1024;

int32_t RoundFixed(double fixed) { return static_cast<int32_t>(std::nearbyint(fixed / 65536.0)); }
int32_t FixedToInt64(int64_t v) { return FixedToInt(static_cast<int32_t>(v)); }
int32_t IntegerPart(int64_t v) { return static_cast<int32_t>(v >> 16); }  // fraction dropped

struct TPoint {
  double X, Y;
};

// Draws one run of quadratic-spline points: all but the last are control points, the last is
// on the curve. Anchors between two controls are their rounded midpoints.
void DrawSpline(const std::vector<detail::TOutlinePoint>& record, TOutlineSink& edges) {
  const detail::TOutlinePoint* p = &record[0];
  for (size_t k = 1; k < record.size(); ++k) {
    const detail::TOutlinePoint& q = record[k];
    int32_t ax, ay;
    if (k + 1 < record.size()) {
      ax = RoundFixed((double(p->X) + double(q.X)) / 2);
      ay = RoundFixed((double(p->Y) + double(q.Y)) / 2);
    } else {
      ax = IntegerPart(q.X);
      ay = IntegerPart(q.Y);
    }
    edges.CurveTo(FixedToInt64(p->X), FixedToInt64(p->Y), ax, ay);
    p = &q;
  }
}

// A cubic arc as quadratics: split into pieces few enough to stay within half a font unit,
// each piece drawn with the control point that matches its end tangents on average.
void DrawCubic(const detail::TOutlinePoint& from, const detail::TOutlinePoint& c1, const detail::TOutlinePoint& c2,
               const detail::TOutlinePoint& to, TOutlineSink& edges) {
  const TPoint p0{double(from.X), double(from.Y)}, p1{double(c1.X), double(c1.Y)}, p2{double(c2.X), double(c2.Y)},
      p3{double(to.X), double(to.Y)};
  const double ex = p3.X - 3 * p2.X + 3 * p1.X - p0.X, ey = p3.Y - 3 * p2.Y + 3 * p1.Y - p0.Y;
  const double error = std::hypot(ex, ey) * std::sqrt(3.0) / 36 / 65536;  // font units, one piece
  const int pieces = std::clamp(static_cast<int>(std::ceil(std::cbrt(error / 0.5))), 1, 16);
  const auto at = [&](double t) {
    const double u = 1 - t;
    return TPoint{u * u * u * p0.X + 3 * u * u * t * p1.X + 3 * u * t * t * p2.X + t * t * t * p3.X,
                 u * u * u * p0.Y + 3 * u * u * t * p1.Y + 3 * u * t * t * p2.Y + t * t * t * p3.Y};
  };
  const auto slope = [&](double t) {
    const double u = 1 - t;
    return TPoint{3 * (u * u * (p1.X - p0.X) + 2 * u * t * (p2.X - p1.X) + t * t * (p3.X - p2.X)),
                 3 * (u * u * (p1.Y - p0.Y) + 2 * u * t * (p2.Y - p1.Y) + t * t * (p3.Y - p2.Y))};
  };
  for (int i = 0; i < pieces; ++i) {
    const double t0 = double(i) / pieces, t1 = double(i + 1) / pieces, h = t1 - t0;
    const TPoint a = at(t0), b = at(t1), da = slope(t0), db = slope(t1);
    // Control = average of the points the two end tangents reach at a third of the piece's span.
    const TPoint c{(a.X + da.X * h / 2 + b.X - db.X * h / 2) / 2, (a.Y + da.Y * h / 2 + b.Y - db.Y * h / 2) / 2};
    const bool last = i + 1 == pieces;
    edges.CurveTo(RoundFixed(c.X), RoundFixed(c.Y), last ? FixedToInt64(to.X) : RoundFixed(b.X),
                  last ? FixedToInt64(to.Y) : RoundFixed(b.Y));
  }
}

}  // namespace

int32_t FixedToInt(int32_t fixed) {
  const int32_t integer = fixed >> 16;  // the signed integer part
  const uint32_t fraction = static_cast<uint32_t>(fixed) & 0xFFFF;
  if (fraction == 0) return integer;
  return static_cast<int32_t>(std::nearbyint(integer + fraction / 65536.0));
}

// ---- TGlyphOutline ----

void TGlyphOutline::MoveTo(int32_t x, int32_t y) {
  Segments.push_back({TOutlineSegment::Move, x, y});
  start_x_ = pen_x_ = x;
  start_y_ = pen_y_ = y;
}

void TGlyphOutline::LineTo(int32_t x, int32_t y) {
  Segments.push_back({TOutlineSegment::Line, x, y});
  pen_x_ = x;
  pen_y_ = y;
}

void TGlyphOutline::CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y) {
  Segments.push_back({TOutlineSegment::Curve, x, y, cx, cy});
  pen_x_ = x;
  pen_y_ = y;
}

void TGlyphOutline::Close() {
  if (pen_x_ != start_x_ || pen_y_ != start_y_) LineTo(start_x_, start_y_);
}

void TGlyphOutline::Flip(bool horizontal, bool vertical) {
  for (TOutlineSegment& s : Segments) {
    if (horizontal) s.X = -s.X, s.Cx = -s.Cx;
    if (vertical) s.Y = -s.Y, s.Cy = -s.Cy;
  }
}

// ---- Contours ----

void detail::DrawContours(const std::vector<TOutlineContour>& contours, TOutlineSink& edges) {
  bool drawn = false;
  for (const TOutlineContour& contour : contours) {
    const size_t n = contour.size();
    if (n < 2) continue;
    // Start on a point of the curve: the first one, or between two controls when there is none.
    size_t first_on = n;
    for (size_t i = 0; i < n; ++i)
      if (contour[i].Tag == TOutlinePoint::On) {
        first_on = i;
        break;
      }
    std::vector<TOutlinePoint> seq;  // the points after the start, in order, ending at the start
    TOutlinePoint start;
    if (first_on < n) {
      start = contour[first_on];
      for (size_t k = 1; k < n; ++k) seq.push_back(contour[(first_on + k) % n]);
    } else {
      start = {(contour[n - 1].X + contour[0].X) / 2, (contour[n - 1].Y + contour[0].Y) / 2, TOutlinePoint::On};
      seq = contour;
    }
    seq.push_back(start);  // closing back to the start: drawn by Close unless a curve needs it

    edges.MoveTo(FixedToInt64(start.X), FixedToInt64(start.Y));
    TOutlinePoint pen = start;
    for (size_t i = 0; i < seq.size();) {
      const TOutlinePoint& p = seq[i];
      if (p.Tag == TOutlinePoint::On) {
        if (i + 1 < seq.size()) edges.LineTo(FixedToInt64(p.X), FixedToInt64(p.Y));
        pen = p;
        ++i;
      } else if (p.Tag == TOutlinePoint::Cubic && i + 2 < seq.size() && seq[i + 1].Tag == TOutlinePoint::Cubic) {
        DrawCubic(pen, p, seq[i + 1], seq[i + 2], edges);
        pen = seq[i + 2];
        i += 3;
      } else {
        std::vector<TOutlinePoint> record;  // controls up to the next point on the curve
        while (i < seq.size() && seq[i].Tag != TOutlinePoint::On) record.push_back(seq[i++]);
        if (i < seq.size()) record.push_back(seq[i++]);
        else record.push_back(start);
        DrawSpline(record, edges);
        pen = record.back();
      }
    }
    edges.Close();
    drawn = true;
  }
  if (drawn) edges.Flip(false, true);
}

// ---- Fonts ----

TFontDescription MakeLogFont(const TFontRequest& font) {
  if (font.LogFont && !font.LogFont->FaceName.empty()) return *font.LogFont;
  TFontDescription d;
  d.FaceName = font.Name;
  d.CharSet = font.Charset;
  d.Height = -kEm;
  d.Weight = font.Bold ? 700 : 400;
  d.Italic = font.Italic;
  d.Quality = font.Smoothed ? 4 : 3;
  return d;
}

namespace {

struct TLibraryDeleter { void operator()(FT_Library p) const { FT_Done_FreeType(p); } };
struct TFaceDeleter { void operator()(FT_Face p) const { FT_Done_Face(p); } };

}  // namespace

struct TFontFace::TImpl {
  // Declared before the face: the face is released first.
  std::unique_ptr<FT_LibraryRec_, TLibraryDeleter> Library;
  std::vector<uint8_t> FileBytes;  // a face opened from memory reads them while it lives
  std::unique_ptr<FT_FaceRec_, TFaceDeleter> Face;
  std::string Path;
  std::string Family;
  bool Embolden = false;
  bool Oblique = false;
};

// Checks that the opened face has outlines and sets one pixel per font unit (an em of 1024).
void TFontFace::SetUpFace(TImpl& impl) {
  const FT_Face face = impl.Face.get();
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0)
    throw Error(Format("The font %s has no outlines", impl.Path.c_str()));
  if (FT_Set_Char_Size(face, 0, kEm * 64, 72, 72) != 0)
    throw Error(Format("The font %s cannot be scaled", impl.Path.c_str()));
}

TFontFace::TFontFace(const TFontDescription& description) : impl_(std::make_unique<TImpl>()) {
  const std::string family = description.FaceName.empty() ? "sans-serif" : description.FaceName;
  const std::optional<TFontMatch> match = MatchFont(family, description.Weight >= 600, description.Italic);
  if (!match) throw Error(Format("No installed font can stand in for \"%s\"", family.c_str()));
  impl_->Path = match->FilePath;
  impl_->Family = match->Family.empty() ? family : match->Family;
  impl_->Embolden = match->Embolden;
  impl_->Oblique = description.Italic && !match->Slanted;  // no italic face: slant it

  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw Error("FreeType could not be initialised");
  impl_->Library.reset(library);
  FT_Face face = nullptr;
  if (impl_->Path.empty() || FT_New_Face(library, impl_->Path.c_str(), match->FaceIndex, &face) != 0)
    throw Error(Format("Unable to open the font file %s", impl_->Path.c_str()));
  impl_->Face.reset(face);
  SetUpFace(*impl_);
}

TFontFace::TFontFace(std::span<const uint8_t> font_file) : impl_(std::make_unique<TImpl>()) {
  impl_->Path = "(memory)";
  impl_->FileBytes.assign(font_file.begin(), font_file.end());
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) throw Error("FreeType could not be initialised");
  impl_->Library.reset(library);
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library, impl_->FileBytes.data(), static_cast<FT_Long>(impl_->FileBytes.size()), 0, &face) != 0)
    throw Error("Unable to read the font file");
  impl_->Face.reset(face);
  impl_->Family = face->family_name ? face->family_name : "";
  SetUpFace(*impl_);
}

TFontFace::~TFontFace() = default;

const std::string& TFontFace::FilePath() const { return impl_->Path; }
const std::string& TFontFace::FamilyName() const { return impl_->Family; }

TFontMetrics TFontFace::Metrics() const {
  const FT_Face face = impl_->Face.get();
  double ascent = face->ascender, descent = -face->descender;
  // The Windows metrics of the OS/2 table are what the font's makers set for text layout.
  if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  }
  const double scale = double(kEm) / face->units_per_EM;
  TFontMetrics m;
  m.Ascent = static_cast<int16_t>(std::clamp(std::nearbyint(ascent * scale), -32768.0, 32767.0));
  m.Descent = static_cast<int16_t>(std::clamp(std::nearbyint(descent * scale), -32768.0, 32767.0));
  m.Leading = static_cast<int16_t>(std::max(0, m.Ascent + m.Descent - kEm));
  return m;
}

namespace {

// Emboldening strength as FreeType's synthetic bold: a 24th of the em, in 26.6.
constexpr FT_Pos kEmboldenStrength = kEm * 64 / 24;

bool LoadGlyph(FT_Face face, char16_t code) {
  const FT_UInt index = FT_Get_Char_Index(face, code);
  return FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_NO_AUTOHINT) == 0;
}

}  // namespace

void TFontFace::ReadGlyphOutline(char16_t code, TOutlineSink& edges) {
  const FT_Face face = impl_->Face.get();
  if (!LoadGlyph(face, code) || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return;
  FT_Outline& outline = face->glyph->outline;
  if (impl_->Embolden) FT_Outline_EmboldenXY(&outline, kEmboldenStrength, kEmboldenStrength);
  if (impl_->Oblique) {
    const FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
    FT_Outline_Transform(&outline, &shear);
  }
  std::vector<detail::TOutlineContour> contours;
  int first = 0;
  for (int c = 0; c < outline.n_contours; ++c) {
    const int last = outline.contours[c];
    detail::TOutlineContour contour;
    for (int i = first; i <= last && i < outline.n_points; ++i) {
      detail::TOutlinePoint p;
      p.X = int64_t{outline.points[i].x} * 1024;  // 26.6 to 16.16
      p.Y = int64_t{outline.points[i].y} * 1024;
      switch (FT_CURVE_TAG(outline.tags[i])) {
        case FT_CURVE_TAG_ON: p.Tag = detail::TOutlinePoint::On; break;
        case FT_CURVE_TAG_CUBIC: p.Tag = detail::TOutlinePoint::Cubic; break;
        default: p.Tag = detail::TOutlinePoint::Conic; break;
      }
      contour.push_back(p);
    }
    contours.push_back(std::move(contour));
    first = last + 1;
  }
  detail::DrawContours(contours, edges);
}

int32_t TFontFace::Advance(char16_t code) {
  const FT_Face face = impl_->Face.get();
  if (!LoadGlyph(face, code)) return 0;
  int32_t advance = FixedToInt(static_cast<int32_t>(face->glyph->linearHoriAdvance));
  if (impl_->Embolden) advance += static_cast<int32_t>(kEmboldenStrength / 64);
  return advance;
}

TTextExtent TFontFace::MeasureText(std::u16string_view text) {
  TTextExtent extent;
  const TFontMetrics metrics = Metrics();
  extent.Height = metrics.Ascent + metrics.Descent;
  for (const char16_t code : text) extent.Width += Advance(code);
  return extent;
}

void TFontFace::ReadGlyph(TFlashGlyph& glyph) {
  glyph.Built = true;
  ReadGlyphOutline(glyph.Code, glyph.Outline);
  glyph.Advance = Advance(glyph.Code);
}

TFontMetrics ReadFontMetrics(const TFontRequest& font) { return TFontFace(MakeLogFont(font)).Metrics(); }

}  // namespace fc
