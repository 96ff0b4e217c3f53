#include "readers/font_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <span>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>

#include "core/error.h"
#include "readers/font_outline.h"

namespace fc {
namespace {

using detail::TOutlineContour;
using detail::TOutlinePoint;
using Seg = TOutlineSegment;

int64_t Fx(double v) { return static_cast<int64_t>(std::llround(v * 65536)); }
TOutlinePoint On(double x, double y) { return {Fx(x), Fx(y), TOutlinePoint::On}; }
TOutlinePoint Conic(double x, double y) { return {Fx(x), Fx(y), TOutlinePoint::Conic}; }
TOutlinePoint Cubic(double x, double y) { return {Fx(x), Fx(y), TOutlinePoint::Cubic}; }

TEST(FontFixed, FixedToIntRoundsHalvesToEven) {
  EXPECT_EQ(FixedToInt(0x18000), 2);                       // 1.5
  EXPECT_EQ(FixedToInt(0x28000), 2);                       // 2.5
  EXPECT_EQ(FixedToInt(static_cast<int32_t>(0xFFFF8000)), 0);  // -0.5: integer -1, fraction 0x8000
  EXPECT_EQ(FixedToInt(0x30000), 3);
  EXPECT_EQ(FixedToInt(static_cast<int32_t>(0xFFFD0000)), -3);
  EXPECT_EQ(FixedToInt(0x1C000), 2);  // 1.75
}

TEST(FontOutline, SplineRecordGivesMidpointAnchorsAndTruncatedLastPoint) {
  TGlyphOutline g;
  detail::DrawContours({{On(0, 0), Conic(10, 20), Conic(31, 41), On(50.75, 0.5)}}, g);
  const std::vector<Seg> want = {
      {Seg::Move, 0, 0},
      {Seg::Curve, 20, -30, 10, -20},  // control P1, anchor the midpoint (20.5, 30.5) rounded to even
      {Seg::Curve, 50, 0, 31, -41},    // control P2, anchor P3's integer part
      {Seg::Line, 0, 0},               // closed back to the start
  };
  EXPECT_EQ(g.Segments, want);
}

TEST(FontOutline, LinesAndClose) {
  TGlyphOutline g;
  detail::DrawContours({{On(0, 0), On(100, 0), On(100, 100)}, {On(5, 5)}}, g);  // a one-point contour is skipped
  const std::vector<Seg> want = {{Seg::Move, 0, 0}, {Seg::Line, 100, 0}, {Seg::Line, 100, -100}, {Seg::Line, 0, 0}};
  EXPECT_EQ(g.Segments, want);
}

TEST(FontOutline, ContourOfControlPointsOnlyStartsBetweenTwoOfThem) {
  TGlyphOutline g;
  detail::DrawContours({{Conic(0, 100), Conic(100, 100), Conic(100, 0), Conic(0, 0)}}, g);
  ASSERT_EQ(g.Segments.size(), 5u);
  EXPECT_EQ(g.Segments[0], (Seg{Seg::Move, 0, -50}));
  EXPECT_EQ(g.Segments[1], (Seg{Seg::Curve, 50, -100, 0, -100}));
  EXPECT_EQ(g.Segments[4], (Seg{Seg::Curve, 0, -50, 0, 0}));  // back at the start: nothing to close
}

TEST(FontOutline, ContourEndingInControlsCurvesBackToItsStart) {
  TGlyphOutline g;
  detail::DrawContours({{On(0, 0), On(100, 0), Conic(100, 100)}}, g);
  ASSERT_EQ(g.Segments.size(), 3u);
  EXPECT_EQ(g.Segments[2], (Seg{Seg::Curve, 0, 0, 100, -100}));
}

TEST(FontOutline, CubicArcsBecomeQuadraticsThatFollowThem) {
  TGlyphOutline g;
  detail::DrawContours({{On(0, 0), Cubic(0, 500), Cubic(1000, 500), On(1000, 0)}}, g);
  ASSERT_GE(g.Segments.size(), 3u);
  const Seg& last_curve = g.Segments[g.Segments.size() - 2];
  EXPECT_EQ(last_curve.Kind, Seg::Curve);
  EXPECT_EQ(last_curve.X, 1000);
  EXPECT_EQ(last_curve.Y, 0);
  // Every anchor lies on the cubic (x(t), y(t)) within a unit: y = 1500 t (1 - t), x = 1000 t^2 (3 - 2t).
  for (size_t i = 1; i + 1 < g.Segments.size(); ++i) {
    const Seg& s = g.Segments[i];
    ASSERT_EQ(s.Kind, Seg::Curve);
    double lo = 0, hi = 1;
    for (int k = 0; k < 60; ++k) {
      const double t = (lo + hi) / 2;
      (1000 * t * t * (3 - 2 * t) < s.X ? lo : hi) = t;
    }
    EXPECT_NEAR(-s.Y, 1500 * lo * (1 - lo), 1.0) << i;
  }
}

TEST(FontOutline, NothingDrawnMeansNoFlip) {
  struct Counter : TOutlineSink {
    int calls = 0;
    void MoveTo(int32_t, int32_t) override { ++calls; }
    void LineTo(int32_t, int32_t) override { ++calls; }
    void CurveTo(int32_t, int32_t, int32_t, int32_t) override { ++calls; }
    void Close() override { ++calls; }
    void Flip(bool, bool) override { ++calls; }
  } sink;
  detail::DrawContours({}, sink);
  EXPECT_EQ(sink.calls, 0);
}

TEST(FontDescription, WeightItalicAndQuality) {
  const TFontDescription bold = MakeLogFont({"DejaVu Sans", true, true, 0, false});
  EXPECT_EQ(bold.Weight, 700);
  EXPECT_TRUE(bold.Italic);
  EXPECT_EQ(bold.Height, -1024);
  EXPECT_EQ(bold.Quality, 3);
  const TFontDescription regular = MakeLogFont({"DejaVu Sans", false, false, 0, true});
  EXPECT_EQ(regular.Weight, 400);
  EXPECT_EQ(regular.Quality, 4);
  TFontRequest own{"Ignored"};
  own.LogFont = TFontDescription{"DejaVu Serif", -1024, 400};
  EXPECT_EQ(MakeLogFont(own).FaceName, "DejaVu Serif");
}

// ---- DejaVu Sans, which the project installs ----

class DejaVu : public ::testing::Test {
protected:
  void SetUp() override {
    face_ = std::make_unique<TFontFace>(MakeLogFont({"DejaVu Sans"}));
    if (face_->FamilyName() != "DejaVu Sans") GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_EQ(FT_Init_FreeType(&library_), 0);
    ASSERT_EQ(FT_New_Face(library_, face_->FilePath().c_str(), 0, &ft_), 0);
  }
  void TearDown() override {
    if (ft_) FT_Done_Face(ft_);
    if (library_) FT_Done_FreeType(library_);
  }
  // The advance in font units of the font file, scaled to the 1024 em.
  double UnscaledAdvance(char16_t c) {
    EXPECT_EQ(FT_Load_Char(ft_, c, FT_LOAD_NO_SCALE), 0);
    return double(ft_->glyph->advance.x) * 1024 / ft_->units_per_EM;
  }

  std::unique_ptr<TFontFace> face_;
  FT_Library library_ = nullptr;
  FT_Face ft_ = nullptr;
};

TEST_F(DejaVu, AdvancesAreTheLinearAdvancesInEmUnits) {
  for (const char16_t c : std::u16string(u"AaWi1 .\u00e9\u0416")) {
    TFlashGlyph glyph;
    glyph.Code = c;
    face_->ReadGlyph(glyph);
    EXPECT_TRUE(glyph.Built);
    EXPECT_EQ(glyph.Advance, std::nearbyint(UnscaledAdvance(c))) << int(c);
  }
}

TEST_F(DejaVu, SpaceHasNoEdgesButAnAdvance) {
  TFlashGlyph space;
  space.Code = u' ';
  face_->ReadGlyph(space);
  EXPECT_TRUE(space.Built);
  EXPECT_TRUE(space.Outline.Segments.empty());
  EXPECT_GT(space.Advance, 200);
}

TEST_F(DejaVu, AscentAndDescentInEmUnits) {
  const TFontMetrics m = face_->Metrics();
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_OS2));
  ASSERT_TRUE(os2);
  EXPECT_EQ(m.Ascent, std::nearbyint(os2->usWinAscent * 1024.0 / ft_->units_per_EM));
  EXPECT_EQ(m.Descent, std::nearbyint(os2->usWinDescent * 1024.0 / ft_->units_per_EM));
  EXPECT_EQ(m.Leading, m.Ascent + m.Descent - 1024);
  EXPECT_EQ(ReadFontMetrics({"DejaVu Sans"}), m);
}

TEST_F(DejaVu, OutlinesAreClosedContoursInTheEmWithYDown) {
  TGlyphOutline o;
  face_->ReadGlyphOutline(u'O', o);
  ASSERT_FALSE(o.Segments.empty());
  EXPECT_EQ(o.Segments.front().Kind, Seg::Move);
  int moves = 0;
  int32_t min_y = 0, max_y = 0;
  for (size_t i = 0; i < o.Segments.size(); ++i) {
    const Seg& s = o.Segments[i];
    if (s.Kind == Seg::Move) {
      if (i > 0) {  // the previous contour ended where it started
        size_t start = i - 1;
        while (o.Segments[start].Kind != Seg::Move) --start;
        EXPECT_EQ(o.Segments[i - 1].X, o.Segments[start].X);
        EXPECT_EQ(o.Segments[i - 1].Y, o.Segments[start].Y);
      }
      ++moves;
    }
    min_y = std::min(min_y, s.Y);
    max_y = std::max(max_y, s.Y);
  }
  EXPECT_EQ(moves, 2);  // outer and inner ring
  EXPECT_LT(min_y, -700);  // the top of a capital, above the baseline, is negative
  EXPECT_GT(min_y, -800);
  EXPECT_GE(max_y, -1);
  EXPECT_LT(max_y, 30);
}

TEST_F(DejaVu, BoldAndItalicFindTheirFaces) {
  TFontFace bold(MakeLogFont({"DejaVu Sans", true, false}));
  EXPECT_NE(bold.FilePath().find("Bold"), std::string::npos) << bold.FilePath();
  TFontFace italic(MakeLogFont({"DejaVu Sans", false, true}));
  EXPECT_NE(italic.FilePath().find("Oblique"), std::string::npos) << italic.FilePath();
}

TEST_F(DejaVu, MeasureTextAddsTheAdvancesAndTakesAscentPlusDescent) {
  const TFontMetrics m = face_->Metrics();
  const TTextExtent extent = face_->MeasureText(u"Hi \u00fc");
  EXPECT_EQ(extent.Width, face_->Advance(u'H') + face_->Advance(u'i') + face_->Advance(u' ') + face_->Advance(u'\u00fc'));
  EXPECT_EQ(extent.Height, m.Ascent + m.Descent);
  EXPECT_EQ(face_->MeasureText(u"").Width, 0);
}

TEST_F(DejaVu, FaceFromTheFileBytesReadsTheSameOutlines) {
  std::ifstream in(face_->FilePath(), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TFontFace from_memory{std::span<const uint8_t>(bytes)};
  EXPECT_EQ(from_memory.FamilyName(), "DejaVu Sans");
  EXPECT_EQ(from_memory.Metrics(), face_->Metrics());
  TGlyphOutline a, b;
  face_->ReadGlyphOutline(u'g', a);
  from_memory.ReadGlyphOutline(u'g', b);
  EXPECT_EQ(a.Segments, b.Segments);
  EXPECT_EQ(from_memory.Advance(u'g'), face_->Advance(u'g'));
}

TEST(FontFromBytes, BytesThatAreNoFontAreRefused) {
  const std::vector<uint8_t> junk = {0, 1, 0, 0, 0, 9, 0, 0, 'x', 'y'};
  EXPECT_THROW(TFontFace{std::span<const uint8_t>(junk)}, Error);
  EXPECT_THROW(TFontFace{std::span<const uint8_t>()}, Error);
}

TEST(FontSubstitution, MissingFamilyGetsAnInstalledFont) {
  TFontFace face(MakeLogFont({"No Such Family Anywhere 4711"}));
  EXPECT_FALSE(face.FilePath().empty());
  TGlyphOutline o;
  face.ReadGlyphOutline(u'A', o);
  EXPECT_FALSE(o.Segments.empty());
}

}  // namespace
}  // namespace fc

// fontconfig keeps 288 bytes of its own caches unreachable at exit even when every pattern is
// destroyed (a quirk of the library, seen with a plain FcInit and FcFontMatch): LeakSanitizer
// is told to look past them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
