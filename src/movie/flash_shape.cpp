#include "movie/flash_shape.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/error.h"
#include "core/text.h"
#include "movie/flash_image.h"

namespace fc {

namespace {

// Image fills are scaled in 16.16 fixed point: larger factors do not fit.
constexpr float kMaxFillScale = 16383;
// Older players draw bitmap fills a little off: the picture is moved 5 twips up and left
// and stretched by 15/4096 to cover the shape.
constexpr int32_t kFillCorrectionShift = 5;
constexpr float kFillCorrectionStretch = 15.0f / 4096;

// The points a curve is measured at when it is cut into dashes.
constexpr int kCurveSamples = 100;
// Dash pieces of a curve shorter than this are drawn straight.
constexpr double kMinCurvedPiece = 100;

struct TPointF {
  double X = 0, Y = 0;
};

TTwipsPoint Round(TPointF p) {
  return {static_cast<int32_t>(std::lround(p.X)), static_cast<int32_t>(std::lround(p.Y))};
}

TPointF Lerp(TTwipsPoint a, TTwipsPoint b, double t) {
  return {a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t};
}

// A quadratic curve from P0 through control C to P1.
struct TQuadratic {
  TTwipsPoint P0, C, P1;
  TPointF At(double t) const {
    const double u = 1 - t;
    return {u * u * P0.X + 2 * u * t * C.X + t * t * P1.X, u * u * P0.Y + 2 * u * t * C.Y + t * t * P1.Y};
  }
  // The control point of the part from t0 to t1.
  TPointF ControlOf(double t0, double t1) const {
    const double a = (1 - t0) * (1 - t1), b = (1 - t0) * t1 + t0 * (1 - t1), c = t0 * t1;
    return {a * P0.X + b * C.X + c * P1.X, a * P0.Y + b * C.Y + c * P1.Y};
  }
};

// Cuts edges into the dashes and gaps of a pattern and draws them into `out`. A dash or gap
// left unfinished at the end of an edge goes on along the next one. Gaps become moves, or
// edges in the gap style when there is one.
class TDasher {
public:
  TDasher(const TFlashLineStyle& pattern, uint16_t gap_style, TSWFShapeRecords& out)
      : pattern_(pattern), gap_style_(gap_style), out_(out), edges_(out) {
    left_ = pattern_.LengthAt(0);
    SkipEmpty();
  }

  // A style change of the source: its move and line style are followed; its fills are kept
  // when `keep_fills`, else the outline is drawn without fills.
  void StyleChange(const TSWFStyleChangeRecord& source, bool keep_fills) {
    if (source.HasMoveTo) pos_ = {source.DeltaX, source.DeltaY};
    if (source.HasLineStyle) line_style_ = source.LineStyle;
    if (keep_fills && (source.HasFillStyle0 || source.HasFillStyle1)) {
      auto& change = Change();
      if (source.HasFillStyle0) change.SetFillStyle0(source.FillStyle0);
      if (source.HasFillStyle1) change.SetFillStyle1(source.FillStyle1);
    }
  }
  // Clears the fills of the outline drawn after the filled area; the outline starts with a
  // move, wherever the area left the pen.
  void ClearFills() {
    pen_known_ = false;
    auto& change = Change();
    change.SetFillStyle0(0);
    change.SetFillStyle1(0);
  }

  void Line(int32_t dx, int32_t dy) {
    const TTwipsPoint a = pos_, b{a.X + dx, a.Y + dy};
    pos_ = b;
    if (line_style_ == 0) return Solid(a, [&] { edges_.LineByTwips(dx, dy); });
    const double length = std::hypot(double(dx), double(dy));
    Walk(length, [&](double d0, double d1, uint16_t style) {
      const TTwipsPoint p = Round(Lerp(a, b, d0 / length)), q = Round(Lerp(a, b, d1 / length));
      Draw(p, style, [&] { edges_.LineByTwips(q.X - p.X, q.Y - p.Y); });
    });
  }

  void Curve(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady) {
    const TQuadratic curve{pos_, {pos_.X + cdx, pos_.Y + cdy}, {pos_.X + cdx + adx, pos_.Y + cdy + ady}};
    pos_ = curve.P1;
    if (line_style_ == 0) return Solid(curve.P0, [&] { edges_.CurveByTwips(cdx, cdy, adx, ady); });
    // Arc lengths at evenly spaced parameters; a length is turned back into a parameter by
    // interpolating between them.
    std::array<double, kCurveSamples + 1> lengths{};
    TPointF last = curve.At(0);
    for (int i = 1; i <= kCurveSamples; ++i) {
      const TPointF p = curve.At(double(i) / kCurveSamples);
      lengths[i] = lengths[i - 1] + std::hypot(p.X - last.X, p.Y - last.Y);
      last = p;
    }
    auto param = [&](double s) {
      const auto it = std::lower_bound(lengths.begin() + 1, lengths.end(), s);
      if (it == lengths.end()) return 1.0;
      const int i = static_cast<int>(it - lengths.begin());
      const double span = lengths[i] - lengths[i - 1];
      const double f = span > 0 ? (s - lengths[i - 1]) / span : 0;
      return (i - 1 + f) / kCurveSamples;
    };
    Walk(lengths.back(), [&](double d0, double d1, uint16_t style) {
      const double t0 = param(d0), t1 = param(d1);
      const TTwipsPoint p = Round(curve.At(t0)), q = Round(curve.At(t1));
      Draw(p, style, [&] {
        if (d1 - d0 < kMinCurvedPiece) {
          edges_.LineByTwips(q.X - p.X, q.Y - p.Y);
        } else {
          const TTwipsPoint c = Round(curve.ControlOf(t0, t1));
          edges_.CurveByTwips(c.X - p.X, c.Y - p.Y, q.X - c.X, q.Y - c.Y);
        }
      });
    });
  }

private:
  // Calls piece(from, to, style) for every dash and gap along an edge of `length`; style 0
  // for an open gap.
  template <typename TPiece>
  void Walk(double length, TPiece piece) {
    double d = 0;
    while (length - d > 1e-9) {
      const double step = std::min(left_, length - d);
      const bool dash = k_ % 2 == 0;
      if (dash || gap_style_) piece(d, d + step, dash ? line_style_ : gap_style_);
      d += step;
      left_ -= step;
      if (left_ <= 1e-9) Advance();
    }
  }
  void Advance() {
    ++k_;
    left_ = pattern_.LengthAt(k_);
    SkipEmpty();
  }
  // Zero entries are passed over (the pattern has at least one non-zero entry).
  void SkipEmpty() {
    while (left_ <= 0) left_ = pattern_.LengthAt(++k_);
  }

  // An edge drawn whole, from `from`, in the style in force.
  template <typename TEdge>
  void Solid(TTwipsPoint from, TEdge edge) {
    MovePen(from);
    edge();
  }
  // A dash (or coloured gap) from `from` in `style`.
  template <typename TEdge>
  void Draw(TTwipsPoint from, uint16_t style, TEdge edge) {
    MovePen(from);
    if (style != out_style_) {
      Change().SetLineStyle(style);
      out_style_ = style;
    }
    edge();
  }
  void MovePen(TTwipsPoint to) {
    if (pen_known_ && edges_.Pen == to) return;
    pen_known_ = true;
    Change().SetMoveTo(to.X, to.Y);
    edges_.Pen = edges_.Start = to;
  }
  // The style change at the end of the output, appended when the last record is an edge.
  TSWFStyleChangeRecord& Change() {
    if (out_.empty() || out_.back()->RecordKind != kShapeRecordStyleChange)
      out_.push_back(std::make_unique<TSWFStyleChangeRecord>());
    return static_cast<TSWFStyleChangeRecord&>(*out_.back());
  }

  const TFlashLineStyle& pattern_;
  const uint16_t gap_style_;
  TSWFShapeRecords& out_;
  TFlashEdges edges_;
  TTwipsPoint pos_;         // where the source's pen is
  bool pen_known_ = true;   // the output's pen is where edges_ says
  uint16_t line_style_ = 0;  // the source's line style in force
  uint16_t out_style_ = 0;   // the output's line style in force
  size_t k_ = 0;             // the pattern entry being drawn: even ones are dashes
  double left_ = 0;          // of it, in twips
};

// Draws the records through the dasher.
void DashRecords(const TSWFShapeRecords& records, TDasher& dasher, bool keep_fills) {
  for (const auto& record : records) {
    switch (record->RecordKind) {
      case kShapeRecordStyleChange:
        dasher.StyleChange(static_cast<const TSWFStyleChangeRecord&>(*record), keep_fills);
        break;
      case kShapeRecordStraightEdge: {
        const auto& edge = static_cast<const TSWFStraightEdgeRecord&>(*record);
        dasher.Line(edge.DeltaX, edge.DeltaY);
        break;
      }
      case kShapeRecordCurvedEdge: {
        const auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*record);
        dasher.Curve(c.ControlDeltaX, c.ControlDeltaY, c.AnchorDeltaX, c.AnchorDeltaY);
        break;
      }
      default:
        break;
    }
  }
}

bool IsEmpty(const TSWFRect& r) { return r == TSWFRect(); }

}  // namespace

bool TFlashLineStyle::IsSolid() const {
  return std::all_of(Pattern.begin(), Pattern.end(), [](uint8_t v) { return v == 0; });
}

TFlashShape::TFlashShape() = default;

void TFlashShape::Assign(const TBasedSWFObject& Source) {
  TFlashVisualObject::Assign(Source);
  const auto* s = dynamic_cast<const TFlashShape*>(&Source);
  if (!s) return;
  CopyShapeRecords(s->Records, Records);
  CopyFillStyles(s->FillStyles, FillStyles);
  CopyLineStyles(s->LineStyles, LineStyles);
  Edges.Pen = s->Edges.Pen;
  Edges.Start = s->Edges.Start;
  Edges.InTwips = s->Edges.InTwips;
  Edges.Merge = s->Edges.Merge;
  Bounds = s->Bounds;
  SelectOnLast = s->SelectOnLast;
  HasAlpha = s->HasAlpha;
  UseLineStyle2 = s->UseLineStyle2;
  dash_ = s->dash_;
  gap_color_ = s->gap_color_;
}

void TFlashShape::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int64_t m = UnitsMultiplier();
  auto twips = [m](int32_t v) {
    const int64_t t = v * m;
    if (t < INT32_MIN / 2 || t > INT32_MAX / 2) throw Error(Format("Shape bound %d is too far off the stage.", v));
    return static_cast<int32_t>(t);
  };
  Bounds = TSWFRect::FromScreen({twips(left), twips(top), twips(right), twips(bottom)});
}

TSWFColorFill& TFlashShape::AddSolidFill(const TSWFRGBA& color) {
  auto fill = std::make_unique<TSWFColorFill>();
  fill->Color.Assign(color);
  if (color.Alpha() < 255) HasAlpha = true;
  auto& raw = *fill;
  FillStyles.push_back(std::move(fill));
  SelectFillStyle1(static_cast<uint16_t>(FillStyles.size()));
  return raw;
}

TSWFColorFill& TFlashShape::AddSolidFill(const TSWFRGB& color, uint8_t alpha) {
  TSWFRGBA rgba(true);
  rgba.Assign(color);
  rgba.SetAlpha(alpha);
  return AddSolidFill(rgba);
}

TSWFImageFill& TFlashShape::AddImageFill(const TFlashImage& image, TImageFillMode mode, float scale_x,
                                         float scale_y) {
  if (mode > kImageTiled) throw Error(Format("Image fill mode %d is not one of 0, 1 and 2.", mode));
  const bool correction = Owner && Owner->FillCorrection;
  const TSWFRect area = IsEmpty(Bounds) ? EdgeExtent() : Bounds;
  auto fill = std::make_unique<TSWFImageFill>();
  fill->FillType = mode == kImageTiled ? kFillRepeatingBitmap : kFillClippedBitmap;
  fill->BitmapID = image.GetID();
  const int32_t shift = correction ? kFillCorrectionShift : 0;
  fill->Matrix.SetTranslate(area.Xmin() - shift, area.Ymin() - shift);
  if (mode == kImageStretched) {
    if (image.Width <= 0 || image.Height <= 0)
      throw Error(Format("Image %u has no pixels (%dx%d): it cannot be stretched over a shape.", image.GetID(),
                         image.Width, image.Height));
    const float stretch = correction ? kFillCorrectionStretch : 0;
    auto factor = [&](int32_t twips, int32_t pixels) {
      return std::min(static_cast<float>(twips) / static_cast<float>(pixels) + stretch, kMaxFillScale);
    };
    fill->Matrix.SetScale(factor(area.Xmax() - area.Xmin(), image.Width), factor(area.Ymax() - area.Ymin(), image.Height));
  } else {
    fill->Matrix.SetScale(std::clamp(scale_x * 20, -kMaxFillScale, kMaxFillScale),
                          std::clamp(scale_y * 20, -kMaxFillScale, kMaxFillScale));
  }
  auto& raw = *fill;
  FillStyles.push_back(std::move(fill));
  SelectFillStyle1(static_cast<uint16_t>(FillStyles.size()));
  if (Owner) Owner->MoveInFront(this, &image);
  return raw;
}

TSWFLineStyle& TFlashShape::AddLineStyle(std::unique_ptr<TSWFLineStyle> style) {
  if (!style) style = std::make_unique<TSWFLineStyle>();
  auto& raw = *style;
  LineStyles.push_back(std::move(style));
  SelectLineStyle(static_cast<uint16_t>(LineStyles.size()));
  return raw;
}

TSWFLineStyle& TFlashShape::AddLineStyle(uint16_t width, const TSWFRGBA& color) {
  auto style = std::make_unique<TSWFLineStyle>();
  style->Width = width;
  style->Color.Assign(color);
  return AddLineStyle(std::move(style));
}

const TSWFStyleChangeRecord* TFlashShape::FindSelectionRecord() const {
  const TSWFStyleChangeRecord* found = nullptr;
  for (const auto& record : Records) {
    if (record->RecordKind != kShapeRecordStyleChange) continue;
    found = static_cast<const TSWFStyleChangeRecord*>(record.get());
    if (!SelectOnLast) break;
  }
  return found;
}

TSWFStyleChangeRecord* TFlashShape::SelectionRecord() {
  if (const auto* found = FindSelectionRecord()) return const_cast<TSWFStyleChangeRecord*>(found);
  // The edges start at the origin without a move (a move there adds no record): the styles
  // go into a style change in front of them, which a following move takes over.
  Records.insert(Records.begin(), std::make_unique<TSWFStyleChangeRecord>());
  return static_cast<TSWFStyleChangeRecord*>(Records.front().get());
}

void TFlashShape::SelectFillStyle0(uint16_t n) { SelectionRecord()->SetFillStyle0(n); }
void TFlashShape::SelectFillStyle1(uint16_t n) { SelectionRecord()->SetFillStyle1(n); }
void TFlashShape::SelectLineStyle(uint16_t n) { SelectionRecord()->SetLineStyle(n); }

uint16_t TFlashShape::Selected(bool TSWFStyleChangeRecord::*has, uint16_t TSWFStyleChangeRecord::*index) const {
  const auto* r = FindSelectionRecord();
  return r && r->*has ? r->*index : 0;
}
uint16_t TFlashShape::FillStyle0() const {
  return Selected(&TSWFStyleChangeRecord::HasFillStyle0, &TSWFStyleChangeRecord::FillStyle0);
}
uint16_t TFlashShape::FillStyle1() const {
  return Selected(&TSWFStyleChangeRecord::HasFillStyle1, &TSWFStyleChangeRecord::FillStyle1);
}
uint16_t TFlashShape::LineStyle() const {
  return Selected(&TSWFStyleChangeRecord::HasLineStyle, &TSWFStyleChangeRecord::LineStyle);
}

TFlashLineStyle& TFlashShape::DashPattern() {
  if (!dash_) dash_.emplace();
  return *dash_;
}

TSWFRGBA& TFlashShape::GapColor() {
  if (!gap_color_) gap_color_.emplace(true);
  return *gap_color_;
}

TSWFRect TFlashShape::EdgeExtent() const {
  bool any = false;
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  auto add = [&](int64_t x, int64_t y) {
    const auto xi = static_cast<int32_t>(x), yi = static_cast<int32_t>(y);
    if (!any) {
      x0 = x1 = xi, y0 = y1 = yi, any = true;
      return;
    }
    x0 = std::min(x0, xi), x1 = std::max(x1, xi), y0 = std::min(y0, yi), y1 = std::max(y1, yi);
  };
  int64_t x = 0, y = 0;
  for (const auto& record : Records) {
    switch (record->RecordKind) {
      case kShapeRecordStyleChange: {
        const auto& s = static_cast<const TSWFStyleChangeRecord&>(*record);
        if (s.HasMoveTo) x = s.DeltaX, y = s.DeltaY;
        break;
      }
      case kShapeRecordStraightEdge: {
        const auto& e = static_cast<const TSWFStraightEdgeRecord&>(*record);
        add(x, y);
        x += e.DeltaX, y += e.DeltaY;
        add(x, y);
        break;
      }
      case kShapeRecordCurvedEdge: {
        // The control point bounds the curve.
        const auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*record);
        add(x, y);
        x += c.ControlDeltaX, y += c.ControlDeltaY;
        add(x, y);
        x += c.AnchorDeltaX, y += c.AnchorDeltaY;
        add(x, y);
        break;
      }
      default:
        break;
    }
  }
  return TSWFRect::FromScreen({x0, y0, x1, y1});
}

std::unique_ptr<TSWFDefineShape> TFlashShape::BuildTag() const {
  const bool dashed = dash_ && !dash_->IsSolid() && !LineStyles.empty();
  auto alpha_below_opaque = [](const auto& style) { return style->Color.Alpha() < 255; };
  const bool alpha = HasAlpha || std::any_of(LineStyles.begin(), LineStyles.end(), alpha_below_opaque) ||
                     (dashed && gap_color_ && gap_color_->Alpha() < 255);
  std::unique_ptr<TSWFDefineShape> tag;
  if (UseLineStyle2) tag = std::make_unique<TSWFDefineShape4>();
  else if (alpha) tag = std::make_unique<TSWFDefineShape3>();
  else tag = std::make_unique<TSWFDefineShape2>();
  tag->ShapeID = GetID();
  CopyFillStyles(FillStyles, tag->FillStyles);
  if (UseLineStyle2) {
    for (const auto& style : LineStyles) {
      auto converted = std::make_unique<TSWFLineStyle2>();
      converted->Assign(*style);
      tag->LineStyles.push_back(std::move(converted));
    }
  } else {
    CopyLineStyles(LineStyles, tag->LineStyles);
  }

  const TSWFRect edges = IsEmpty(Bounds) ? EdgeExtent() : Bounds;
  uint16_t widest = 0;
  for (const auto& style : LineStyles) widest = std::max(widest, style->Width);
  const int32_t grow = widest / 2;
  tag->ShapeBounds = TSWFRect::FromScreen(
      {edges.Xmin() - grow, edges.Ymin() - grow, edges.Xmax() + grow, edges.Ymax() + grow});
  if (UseLineStyle2) static_cast<TSWFDefineShape4&>(*tag).EdgeBounds = edges;

  if (!dashed) {
    CopyShapeRecords(Records, tag->Records);
    return tag;
  }
  uint16_t gap_style = 0;
  if (gap_color_) {
    auto gap = tag->LineStyles.front()->CreateSame();
    gap->Assign(*tag->LineStyles.front());
    gap->Color.Assign(*gap_color_);
    tag->LineStyles.push_back(std::move(gap));
    gap_style = static_cast<uint16_t>(tag->LineStyles.size());
  }
  TDasher dasher(*dash_, gap_style, tag->Records);
  if (Edges.Pen == Edges.Start && !FillStyles.empty()) {
    // A closed outline of a filled area: the area first without its outline, then the
    // outline dashed over it.
    CopyShapeRecords(Records, tag->Records);
    for (auto& record : tag->Records)
      if (record->RecordKind == kShapeRecordStyleChange) {
        auto& change = static_cast<TSWFStyleChangeRecord&>(*record);
        if (change.HasLineStyle) change.SetLineStyle(0);
      }
    dasher.ClearFills();
    DashRecords(Records, dasher, false);
  } else {
    DashRecords(Records, dasher, true);
  }
  return tag;
}

uint8_t TFlashShape::MinVersion() const { return BuildTag()->MinVersion(); }

void TFlashShape::WriteToStream(TBitsEngine& be) { BuildTag()->WriteToStream(be); }

// ---------------------------------------------------------------------------------------

TFlashShape* TFlashMovie::AddShape(std::unique_ptr<TFlashShape> shape) {
  if (!shape) shape = std::make_unique<TFlashShape>();
  TFlashShape* raw = AddDefinition(std::move(shape));
  Shapes.push_back(raw);
  return raw;
}

TFlashShape* TFlashMovie::AddRectangle(const TRect& rect) {
  TFlashShape* shape = AddShape();
  shape->SetBounds(rect.Left, rect.Top, rect.Right, rect.Bottom);
  shape->Edges.MoveTo(rect.Left, rect.Top);
  shape->Edges.Rectangle(rect.Right - rect.Left, rect.Bottom - rect.Top);
  shape->Edges.Close();
  return shape;
}

}  // namespace fc
