#include "swf/shapes.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <type_traits>

#include "core/text.h"

namespace fc {
namespace {

// Edge records give their field width less 2 in 4 bits: 17 bits, so deltas up to 65535.
constexpr int64_t kMaxEdgeDelta = 65535;

void CheckField(unsigned value, unsigned bits, const char* field) {
  if (value >> bits) throw Error(Format("%s: %u does not fit %u bits", field, value, bits));
}

void ReadColor(TBitsEngine& be, TSWFRGBA& c, bool alpha) {
  c.SetHasAlpha(alpha);
  if (alpha) {
    c.SetRGBA(be.ReadRGBA());
  } else {
    const TSWFRGBRec rgb = be.ReadRGB();
    c.R = rgb.R;
    c.G = rgb.G;
    c.B = rgb.B;
  }
}

void WriteColor(TBitsEngine& be, const TSWFRGBA& c, bool alpha) {
  if (alpha) be.WriteRGBA(c.GetRGBA());
  else be.WriteRGB(c.RGB());
}

std::string DescribeColor(const TSWFRGBA& c) {
  return c.HasAlpha() ? Format("#%02X%02X%02X%02X", c.R, c.G, c.B, c.Alpha()) : Format("#%02X%02X%02X", c.R, c.G, c.B);
}

std::string DescribeRect(const TSWFRect& r) {
  return Format("(%d,%d)-(%d,%d)", r.Xmin(), r.Ymin(), r.Xmax(), r.Ymax());
}

void ReadMatrix(TBitsEngine& be, TSWFMatrix& m) { m.SetRec(be.ReadMatrix()); }
void WriteMatrix(TBitsEngine& be, const TSWFMatrix& m) { be.WriteMatrix(m.Rec()); }

size_t ReadStyleCount(TBitsEngine& be, bool extended, const char* field) {
  size_t n = be.ReadByte(field);
  if (n == kExtendedStyleCount && extended) n = be.ReadWord(field);
  return n;
}

void WriteStyleCount(TBitsEngine& be, size_t n, bool extended, const char* field) {
  if (n < kExtendedStyleCount) {
    be.WriteByte(static_cast<uint8_t>(n));
    return;
  }
  if (!extended) throw Error(Format("%s: %zu styles need the extended count of DefineShape2 or later", field, n));
  if (n > 0xFFFF) throw Error(Format("%s: %zu styles do not fit the 16-bit count", field, n));
  be.WriteByte(kExtendedStyleCount);
  be.WriteWord(static_cast<uint16_t>(n));
}

const char* FillKind(uint8_t type) {
  switch (type) {
    case kFillSolid: return "solid";
    case kFillLinearGradient: return "linear";
    case kFillRadialGradient: return "radial";
    case kFillFocalGradient: return "focal";
    case kFillRepeatingBitmap: return "bitmap repeat";
    case kFillClippedBitmap: return "bitmap clip";
    case kFillNonSmoothedRepeatingBitmap: return "bitmap repeat hard";
    case kFillNonSmoothedClippedBitmap: return "bitmap clip hard";
    default: return "unknown";
  }
}

// The gradient byte, and its fields as read.
struct TGradientHead {
  uint8_t SpreadMode = 0, InterpolationMode = 0, Count = 0;
};

void WriteGradientHead(TBitsEngine& be, uint8_t spread, uint8_t interpolation, size_t count, const char* what) {
  CheckField(spread, 2, Format("%s SpreadMode", what).c_str());
  CheckField(interpolation, 2, Format("%s InterpolationMode", what).c_str());
  if (count > kGradientCountMask)
    throw Error(Format("%s: %zu records do not fit the 4-bit count", what, count));
  be.WriteByte(static_cast<uint8_t>(spread << kGradientSpreadShift | interpolation << kGradientInterpolationShift |
                                    count));
}

TGradientHead ReadGradientHead(TBitsEngine& be, const char* what) {
  const uint8_t b = be.ReadByte(what);
  return {static_cast<uint8_t>(b >> kGradientSpreadShift),
          static_cast<uint8_t>((b >> kGradientInterpolationShift) & kGradientModeMask),
          static_cast<uint8_t>(b & kGradientCountMask)};
}

template <typename List>
std::string DescribeStyles(const char* name, const List& list) {
  std::string s = Format("%s=%zu", name, list.size());
  if (list.empty()) return s;
  // The first few styles; a shape can hold thousands.
  constexpr size_t kShown = 8;
  s += "[";
  for (size_t i = 0; i < list.size() && i < kShown; ++i) s += (i ? ", " : "") + list[i]->Describe();
  if (list.size() > kShown) s += Format(", ... %zu more", list.size() - kShown);
  return s + "]";
}

// The flags byte of DefineShape4 and DefineMorphShape2: reserved bits (kept as read), the
// winding rule (DefineShape4 only), then what the strokes are.
constexpr uint8_t kShape4Reserved = 0xF8;
constexpr uint8_t kMorph2Reserved = 0xFC;
constexpr uint8_t kUsesFillWindingRule = 0x04;
constexpr uint8_t kUsesNonScalingStrokes = 0x02;
constexpr uint8_t kUsesScalingStrokes = 0x01;

// The flags byte of DefineShape4 and DefineMorphShape2 sums up the strokes.
template <typename Styles>
void StrokeFlags(const Styles& list, bool& non_scaling, bool& scaling) {
  for (const auto& ls : list) {
    using TStyle2 = std::conditional_t<std::is_same_v<typename Styles::value_type, std::unique_ptr<TSWFLineStyle>>,
                                      TSWFLineStyle2, TSWFMorphLineStyle2>;
    const auto* l2 = dynamic_cast<const TStyle2*>(ls.get());
    if (l2 && (l2->NoHScale || l2->NoVScale)) non_scaling = true;
    else scaling = true;
  }
}

// The two flag bytes shared by LineStyle2 and MorphLineStyle2.
struct TLineFlags {
  bool HasFill = false;
  uint8_t StartCapStyle = 0, JoinStyle = 0;
  bool NoClose = false, NoHScale = false, NoVScale = false, PixelHinting = false;
  uint8_t EndCapStyle = 0;
};

template <typename T>
TLineFlags FlagsOf(const T& l, bool has_fill) {
  return {has_fill, l.StartCapStyle, l.JoinStyle, l.NoClose, l.NoHScale, l.NoVScale, l.PixelHinting, l.EndCapStyle};
}

template <typename T>
void SetFlags(T& l, const TLineFlags& f) {
  l.HasFill = f.HasFill;
  l.StartCapStyle = f.StartCapStyle;
  l.JoinStyle = f.JoinStyle;
  l.NoClose = f.NoClose;
  l.NoHScale = f.NoHScale;
  l.NoVScale = f.NoVScale;
  l.PixelHinting = f.PixelHinting;
  l.EndCapStyle = f.EndCapStyle;
}

void WriteLineFlags(TBitsEngine& be, const TLineFlags& f) {
  using L = TSWFLineStyle2;
  CheckField(f.StartCapStyle, 2, "StartCapStyle");
  CheckField(f.JoinStyle, 2, "JoinStyle");
  CheckField(f.EndCapStyle, 2, "EndCapStyle");
  be.WriteByte(static_cast<uint8_t>(f.StartCapStyle << L::kStartCapShift | f.JoinStyle << L::kJoinShift |
                                    FlagIf(f.HasFill, L::kHasFill) | FlagIf(f.NoHScale, L::kNoHScale) |
                                    FlagIf(f.NoVScale, L::kNoVScale) | FlagIf(f.PixelHinting, L::kPixelHinting)));
  be.WriteByte(static_cast<uint8_t>(FlagIf(f.NoClose, L::kNoClose) | f.EndCapStyle << L::kEndCapShift));
}

TLineFlags ReadLineFlags(TBitsEngine& be) {
  using L = TSWFLineStyle2;
  const uint8_t a = be.ReadByte("line style flags");
  const uint8_t b = be.ReadByte("line style flags");
  TLineFlags f;
  f.StartCapStyle = (a >> L::kStartCapShift) & L::kStyleMask;
  f.JoinStyle = (a >> L::kJoinShift) & L::kStyleMask;
  f.HasFill = a & L::kHasFill;
  f.NoHScale = a & L::kNoHScale;
  f.NoVScale = a & L::kNoVScale;
  f.PixelHinting = a & L::kPixelHinting;
  f.NoClose = b & L::kNoClose;
  f.EndCapStyle = (b >> L::kEndCapShift) & L::kStyleMask;
  return f;
}

std::string DescribeLineFlags(const TLineFlags& f) {
  std::string s;
  if (f.JoinStyle == kJoinBevel) s += " bevel";
  if (f.JoinStyle == kJoinMiter) s += " miter";
  if (f.StartCapStyle || f.EndCapStyle) s += Format(" caps %u/%u", f.StartCapStyle, f.EndCapStyle);
  if (f.NoHScale) s += " no-hscale";
  if (f.NoVScale) s += " no-vscale";
  if (f.PixelHinting) s += " hinted";
  if (f.NoClose) s += " no-close";
  return s;
}

// Fills a styles list with `n` items read one after the other. The list grows as items are
// read, so a count larger than the body costs nothing before the read fails.
template <typename List, typename ReadOne>
void ReadList(List& list, size_t n, ReadOne read_one) {
  list.clear();
  for (size_t i = 0; i < n; ++i) list.push_back(read_one());
}

// --- Edge writing ---

void WriteStraightBits(TBitsEngine& be, int32_t dx, int32_t dy) {
  unsigned n = GetBitsCount(MaxAbs(dx, dy), 1);
  if (n < 2) n = 2;
  be.WriteBits(1, 1);
  be.WriteBits(1, 1);
  be.WriteBits(n - 2, 4);
  if (dx != 0 && dy != 0) {
    be.WriteBit(true);
    be.WriteBits(static_cast<uint32_t>(dx), n);
    be.WriteBits(static_cast<uint32_t>(dy), n);
  } else {
    be.WriteBit(false);
    const bool vertical = dx == 0;
    be.WriteBit(vertical);
    be.WriteBits(static_cast<uint32_t>(vertical ? dy : dx), n);
  }
}

void WriteCurveBits(TBitsEngine& be, int64_t cx, int64_t cy, int64_t ax, int64_t ay) {
  if (cx == 0 && cy == 0 && ax == 0 && ay == 0) return;
  const int64_t m = std::max({std::abs(cx), std::abs(cy), std::abs(ax), std::abs(ay)});
  if (m > kMaxEdgeDelta) {
    // Split at t = 1/2 (de Casteljau) on the integer grid; the end point stays exact.
    auto half = [](int64_t v) { return v >= 0 ? (v + 1) / 2 : -((-v + 1) / 2); };
    auto quarter = [](int64_t v) { return v >= 0 ? (v + 2) / 4 : -((-v + 2) / 4); };
    const int64_t p1x = cx, p1y = cy, p2x = cx + ax, p2y = cy + ay;
    const int64_t q1x = half(p1x), q1y = half(p1y);
    const int64_t mx = quarter(2 * p1x + p2x), my = quarter(2 * p1y + p2y);
    const int64_t r1x = half(p1x + p2x), r1y = half(p1y + p2y);
    WriteCurveBits(be, q1x, q1y, mx - q1x, my - q1y);
    WriteCurveBits(be, r1x - mx, r1y - my, p2x - r1x, p2y - r1y);
    return;
  }
  const unsigned n = GetBitsCount(static_cast<int32_t>(m), 1);
  be.WriteBits(1, 1);
  be.WriteBits(0, 1);
  be.WriteBits(n - 2, 4);
  for (int64_t v : {cx, cy, ax, ay}) be.WriteBits(static_cast<uint32_t>(static_cast<int32_t>(v)), n);
}

// --- Index widths ---

unsigned IndexBits(size_t v) { return GetBitsCount(static_cast<uint32_t>(std::min<size_t>(v, 0xFFFFFFFFu))); }

TSWFStyleBits BitsForRange(std::span<const std::unique_ptr<TSWFShapeRecord>> records, size_t fill_count,
                           size_t line_count) {
  unsigned f = IndexBits(fill_count), l = IndexBits(line_count);
  for (const auto& r : records) {
    if (r->RecordKind != kShapeRecordStyleChange) continue;
    const auto& sc = static_cast<const TSWFStyleChangeRecord&>(*r);
    if (sc.HasFillStyle0) f = std::max(f, IndexBits(sc.FillStyle0));
    if (sc.HasFillStyle1) f = std::max(f, IndexBits(sc.FillStyle1));
    if (sc.HasLineStyle) l = std::max(l, IndexBits(sc.LineStyle));
    if (sc.HasNewStyles) break;  // the records after it use the widths it brings
  }
  CheckBitWidth(f, 4, "fill style index width");
  CheckBitWidth(l, 4, "line style index width");
  return {static_cast<uint8_t>(f), static_cast<uint8_t>(l)};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Fill styles

bool IsBitmapFill(uint8_t FillType) {
  return FillType >= kFillRepeatingBitmap && FillType <= kFillNonSmoothedClippedBitmap;
}

bool IsGradientFill(uint8_t FillType) {
  return FillType == kFillLinearGradient || FillType == kFillRadialGradient;
}

void TSWFFillStyle::Assign(const TSWFFillStyle& Source) {
  HasAlpha = Source.HasAlpha;
  FillType = Source.FillType;
}

void TSWFFillStyle::WriteToStream(TBitsEngine& be) const {
  be.WriteByte(FillType);
  WritePayload(be);
}

std::string TSWFFillStyle::Describe() const { return FillKind(FillType); }

std::unique_ptr<TSWFFillStyle> TSWFFillStyle::Clone() const {
  auto c = CreateSame();
  c->Assign(*this);
  return c;
}

std::unique_ptr<TSWFFillStyle> CreateFillStyle(uint8_t FillType) {
  std::unique_ptr<TSWFFillStyle> f;
  if (FillType == kFillSolid) f = std::make_unique<TSWFColorFill>();
  else if (IsGradientFill(FillType)) f = std::make_unique<TSWFGradientFill>();
  else if (FillType == kFillFocalGradient) f = std::make_unique<TSWFFocalGradientFill>();
  else if (IsBitmapFill(FillType)) f = std::make_unique<TSWFImageFill>();
  else throw FormatError(Format("fill style type 0x%02X", FillType));
  f->FillType = FillType;
  return f;
}

void TSWFColorFill::Assign(const TSWFFillStyle& Source) {
  TSWFFillStyle::Assign(Source);
  Color.Assign(dynamic_cast<const TSWFColorFill&>(Source).Color);
}

void TSWFColorFill::ReadFromStream(TBitsEngine& be) { ReadColor(be, Color, HasAlpha); }
void TSWFColorFill::WritePayload(TBitsEngine& be) const { WriteColor(be, Color, HasAlpha); }
std::string TSWFColorFill::Describe() const { return "solid " + DescribeColor(Color); }

TSWFGradientRecord& TSWFBaseGradientFill::Record(size_t i) {
  while (Records.size() <= i) Records.push_back(TSWFGradientRecord{0, TSWFRGBA(HasAlpha)});
  return Records[i];
}

void TSWFBaseGradientFill::Assign(const TSWFFillStyle& Source) {
  TSWFFillStyle::Assign(Source);
  const auto& s = dynamic_cast<const TSWFBaseGradientFill&>(Source);
  SpreadMode = s.SpreadMode;
  InterpolationMode = s.InterpolationMode;
  Records = s.Records;
}

void TSWFBaseGradientFill::ReadGradient(TBitsEngine& be) {
  const TGradientHead head = ReadGradientHead(be, "gradient");
  SpreadMode = head.SpreadMode;
  InterpolationMode = head.InterpolationMode;
  Records.clear();
  for (unsigned i = 0; i < head.Count; ++i) {
    TSWFGradientRecord r;
    r.Ratio = be.ReadByte("gradient ratio");
    ReadColor(be, r.Color, HasAlpha);
    Records.push_back(r);
  }
}

void TSWFBaseGradientFill::WriteGradient(TBitsEngine& be) const {
  WriteGradientHead(be, SpreadMode, InterpolationMode, Records.size(), "gradient");
  for (const auto& r : Records) {
    be.WriteByte(r.Ratio);
    WriteColor(be, r.Color, HasAlpha);
  }
}

std::string TSWFBaseGradientFill::DescribeGradient() const {
  std::string s = Format("%s %zu stops", FillKind(FillType), Records.size());
  for (const auto& r : Records) s += Format(" %u:", r.Ratio) + DescribeColor(r.Color);
  return s;
}

void TSWFGradientFill::Assign(const TSWFFillStyle& Source) {
  TSWFBaseGradientFill::Assign(Source);
  Matrix = dynamic_cast<const TSWFGradientFill&>(Source).Matrix;
}

void TSWFGradientFill::ReadFromStream(TBitsEngine& be) {
  ReadMatrix(be, Matrix);
  ReadGradient(be);
}

void TSWFGradientFill::WritePayload(TBitsEngine& be) const {
  WriteMatrix(be, Matrix);
  WriteGradient(be);
}

std::string TSWFGradientFill::Describe() const { return DescribeGradient(); }

void TSWFFocalGradientFill::SetFocalPoint(float x) {
  const double v = std::isnan(x) ? 0.0 : std::nearbyint(std::clamp(static_cast<double>(x) * 255.0, -255.0, 255.0));
  FocalPoint = static_cast<int16_t>(v);
}

float TSWFFocalGradientFill::GetFocalPoint() const { return std::clamp(FocalPoint / 255.0f, -1.0f, 1.0f); }

void TSWFFocalGradientFill::Assign(const TSWFFillStyle& Source) {
  TSWFGradientFill::Assign(Source);
  FocalPoint = dynamic_cast<const TSWFFocalGradientFill&>(Source).FocalPoint;
}

void TSWFFocalGradientFill::ReadFromStream(TBitsEngine& be) {
  TSWFGradientFill::ReadFromStream(be);
  FocalPoint = static_cast<int16_t>(be.ReadWord("FocalPoint"));
}

void TSWFFocalGradientFill::WritePayload(TBitsEngine& be) const {
  TSWFGradientFill::WritePayload(be);
  be.WriteWord(static_cast<uint16_t>(FocalPoint));
}

std::string TSWFFocalGradientFill::Describe() const {
  return DescribeGradient() + Format(" focal=%d/255", FocalPoint);
}

void TSWFImageFill::Assign(const TSWFFillStyle& Source) {
  TSWFFillStyle::Assign(Source);
  const auto& s = dynamic_cast<const TSWFImageFill&>(Source);
  BitmapID = s.BitmapID;
  Matrix = s.Matrix;
}

void TSWFImageFill::ReadFromStream(TBitsEngine& be) {
  BitmapID = be.ReadWord("BitmapID");
  ReadMatrix(be, Matrix);
}

void TSWFImageFill::WritePayload(TBitsEngine& be) const {
  be.WriteWord(BitmapID);
  WriteMatrix(be, Matrix);
}

std::string TSWFImageFill::Describe() const { return Format("%s %u", FillKind(FillType), BitmapID); }

// ---------------------------------------------------------------------------------------
// Line styles

void TSWFLineStyle::Assign(const TSWFLineStyle& Source) {
  Width = Source.Width;
  Color.Assign(Source.Color);
}

void TSWFLineStyle::ReadFromStream(TBitsEngine& be) {
  Width = be.ReadWord("line width");
  ReadColor(be, Color, Color.HasAlpha());
}

void TSWFLineStyle::WriteToStream(TBitsEngine& be) const {
  be.WriteWord(Width);
  WriteColor(be, Color, Color.HasAlpha());
}

std::string TSWFLineStyle::Describe() const { return Format("%u ", Width) + DescribeColor(Color); }

std::unique_ptr<TSWFLineStyle> TSWFLineStyle::Clone() const {
  auto c = CreateSame();
  c->Assign(*this);
  return c;
}

TSWFFillStyle* TSWFLineStyle2::GetFill(int FillType) {
  if (FillType < 0) return Fill.get();
  const auto type = static_cast<uint8_t>(FillType);
  if (!Fill || Fill->FillType != type) Fill = CreateFillStyle(type);
  Fill->HasAlpha = true;
  Fill->FillType = type;
  HasFill = true;
  return Fill.get();
}

void TSWFLineStyle2::Assign(const TSWFLineStyle& Source) {
  TSWFLineStyle::Assign(Source);
  const auto* s = dynamic_cast<const TSWFLineStyle2*>(&Source);
  if (!s) {
    Color.SetHasAlpha(true);
    return;
  }
  SetFlags(*this, FlagsOf(*s, s->HasFill));
  MiterLimitFactor = s->MiterLimitFactor;
  Fill = s->Fill ? s->Fill->Clone() : nullptr;
}

void TSWFLineStyle2::ReadFromStream(TBitsEngine& be) {
  Width = be.ReadWord("line width");
  SetFlags(*this, ReadLineFlags(be));
  if (JoinStyle == kJoinMiter) MiterLimitFactor = Fixed8ToFloat(be.ReadWord("MiterLimitFactor"));
  if (HasFill) {
    Fill = CreateFillStyle(be.ReadByte("fill type"));
    Fill->HasAlpha = true;
    Fill->ReadFromStream(be);
  } else {
    Fill.reset();
    ReadColor(be, Color, true);
  }
}

void TSWFLineStyle2::WriteToStream(TBitsEngine& be) const {
  const bool fill = HasFill && Fill;  // a fill flag without a fill writes the colour
  be.WriteWord(Width);
  WriteLineFlags(be, FlagsOf(*this, fill));
  if (JoinStyle == kJoinMiter) be.WriteWord(FloatToFixed8(MiterLimitFactor));
  if (fill) {
    Fill->HasAlpha = true;
    Fill->WriteToStream(be);
  } else {
    WriteColor(be, Color, true);
  }
}

std::string TSWFLineStyle2::Describe() const {
  std::string s = Format("%u ", Width) + (HasFill && Fill ? "fill " + Fill->Describe() : DescribeColor(Color));
  s += DescribeLineFlags(FlagsOf(*this, HasFill));
  if (JoinStyle == kJoinMiter) s += " limit " + FormatDouble(MiterLimitFactor);
  return s;
}

void ReadFillStyles(TBitsEngine& be, TSWFFillStyles& list, const TSWFStyleFormat& fmt) {
  const size_t n = ReadStyleCount(be, fmt.ExtendedCounts, "fill style count");
  ReadList(list, n, [&] {
    auto f = CreateFillStyle(be.ReadByte("fill type"));
    f->HasAlpha = fmt.HasAlpha;
    f->ReadFromStream(be);
    return f;
  });
}

void WriteFillStyles(TBitsEngine& be, const TSWFFillStyles& list, const TSWFStyleFormat& fmt) {
  WriteStyleCount(be, list.size(), fmt.ExtendedCounts, "fill style count");
  for (const auto& f : list) {
    f->HasAlpha = fmt.HasAlpha;
    f->WriteToStream(be);
  }
}

void ReadLineStyles(TBitsEngine& be, TSWFLineStyles& list, const TSWFStyleFormat& fmt) {
  const size_t n = ReadStyleCount(be, fmt.ExtendedCounts, "line style count");
  ReadList(list, n, [&]() -> std::unique_ptr<TSWFLineStyle> {
    std::unique_ptr<TSWFLineStyle> l;
    if (fmt.LineStyle2) l = std::make_unique<TSWFLineStyle2>();
    else l = std::make_unique<TSWFLineStyle>();
    l->Color.SetHasAlpha(fmt.HasAlpha || fmt.LineStyle2);
    l->ReadFromStream(be);
    return l;
  });
}

void WriteLineStyles(TBitsEngine& be, const TSWFLineStyles& list, const TSWFStyleFormat& fmt) {
  WriteStyleCount(be, list.size(), fmt.ExtendedCounts, "line style count");
  for (const auto& l : list) {
    const auto* l2 = dynamic_cast<const TSWFLineStyle2*>(l.get());
    if (fmt.LineStyle2) {
      if (l2) {
        l2->WriteToStream(be);
      } else {  // a plain line style in a shape whose lines are LineStyle2
        TSWFLineStyle2 as2;
        as2.Assign(*l);
        as2.WriteToStream(be);
      }
    } else {
      l->Color.SetHasAlpha(fmt.HasAlpha);
      l->TSWFLineStyle::WriteToStream(be);
    }
  }
}

void CopyFillStyles(const TSWFFillStyles& Source, TSWFFillStyles& Dest) {
  Dest.clear();
  for (const auto& f : Source) Dest.push_back(f->Clone());
}

void CopyLineStyles(const TSWFLineStyles& Source, TSWFLineStyles& Dest) {
  Dest.clear();
  for (const auto& l : Source) Dest.push_back(l->Clone());
}

// ---------------------------------------------------------------------------------------
// Shape records

void TSWFEndShapeRecord::Assign(const TSWFShapeRecord&) {}

void TSWFEndShapeRecord::WriteToStream(TBitsEngine& be) const { be.WriteBits(0, 6); }

void TSWFStraightEdgeRecord::Assign(const TSWFShapeRecord& Source) {
  const auto& s = dynamic_cast<const TSWFStraightEdgeRecord&>(Source);
  DeltaX = s.DeltaX;
  DeltaY = s.DeltaY;
}

void TSWFStraightEdgeRecord::WriteToStream(TBitsEngine& be) const {
  const int64_t dx = DeltaX, dy = DeltaY;
  const int64_t m = std::max(std::abs(dx), std::abs(dy));
  if (m <= kMaxEdgeDelta) {
    WriteStraightBits(be, DeltaX, DeltaY);
    return;
  }
  // Too long for one record: equal parts that add up to the exact delta.
  const int64_t parts = (m + kMaxEdgeDelta - 1) / kMaxEdgeDelta;
  for (int64_t i = 0; i < parts; ++i) {
    const int64_t px = dx * (i + 1) / parts - dx * i / parts;
    const int64_t py = dy * (i + 1) / parts - dy * i / parts;
    WriteStraightBits(be, static_cast<int32_t>(px), static_cast<int32_t>(py));
  }
}

std::string TSWFStraightEdgeRecord::Describe() const { return Format("line %d,%d", DeltaX, DeltaY); }

void TSWFStyleChangeRecord::Assign(const TSWFShapeRecord& Source) {
  TSWFStraightEdgeRecord::Assign(Source);
  const auto& s = dynamic_cast<const TSWFStyleChangeRecord&>(Source);
  FillBits = s.FillBits;
  LineBits = s.LineBits;
  FillStyle0 = s.FillStyle0;
  FillStyle1 = s.FillStyle1;
  LineStyle = s.LineStyle;
  HasFillStyle0 = s.HasFillStyle0;
  HasFillStyle1 = s.HasFillStyle1;
  HasLineStyle = s.HasLineStyle;
  HasMoveTo = s.HasMoveTo;
  HasNewStyles = s.HasNewStyles;
  HasAlpha = s.HasAlpha;
  LineStyle2 = s.LineStyle2;
  ExtendedCounts = s.ExtendedCounts;
  NewFillBits = s.NewFillBits;
  NewLineBits = s.NewLineBits;
  CopyFillStyles(s.new_fill_styles_, new_fill_styles_);
  CopyLineStyles(s.new_line_styles_, new_line_styles_);
}

void TSWFStyleChangeRecord::WriteToStream(TBitsEngine& be) const {
  // An index that needs more bits than its width is refused; an index of 0 at width 0 is
  // left out (there is no style to select, so selecting none is the same).
  auto keep = [](bool flag, uint16_t index, uint8_t width, const char* field) {
    if (!flag) return false;
    if (IndexBits(index) > width)
      throw Error(Format("style change: %s %u does not fit %u bits", field, index, width));
    return width > 0 || index != 0 ? true : false;
  };
  const bool fill0 = keep(HasFillStyle0, FillStyle0, FillBits, "FillStyle0");
  const bool fill1 = keep(HasFillStyle1, FillStyle1, FillBits, "FillStyle1");
  const bool line = keep(HasLineStyle, LineStyle, LineBits, "LineStyle");
  // A record with no flag at all would read as the end record: it moves instead.
  const bool move = (fill0 || fill1 || line || HasNewStyles) ? HasMoveTo : true;
  be.WriteBits(0, 1);  // not an edge
  be.WriteBits(FlagIf(HasNewStyles, kHasNewStyles) | FlagIf(line, kHasLineStyle) | FlagIf(fill1, kHasFillStyle1) |
                   FlagIf(fill0, kHasFillStyle0) | FlagIf(move, kHasMoveTo),
               kFlagBits);
  if (move) {
    const uint8_t n = GetBitsCount(MaxAbs(DeltaX, DeltaY), 1);
    CheckBitWidth(n, 5, "style change MoveTo");
    be.WriteBits(n, 5);
    be.WriteBits(static_cast<uint32_t>(DeltaX), n);
    be.WriteBits(static_cast<uint32_t>(DeltaY), n);
  }
  if (fill0) be.WriteBits(FillStyle0, FillBits);
  if (fill1) be.WriteBits(FillStyle1, FillBits);
  if (line) be.WriteBits(LineStyle, LineBits);
  if (HasNewStyles) {
    be.FlushLastByte(true);
    const TSWFStyleFormat fmt = StyleFormat();
    WriteFillStyles(be, new_fill_styles_, fmt);
    WriteLineStyles(be, new_line_styles_, fmt);
    be.FlushLastByte(true);
    const unsigned f = std::max<unsigned>(NewFillBits, IndexBits(new_fill_styles_.size()));
    const unsigned l = std::max<unsigned>(NewLineBits, IndexBits(new_line_styles_.size()));
    CheckBitWidth(f, 4, "fill style index width");
    CheckBitWidth(l, 4, "line style index width");
    be.WriteBits(f, 4);
    be.WriteBits(l, 4);
  }
}

std::string TSWFStyleChangeRecord::Describe() const {
  std::string s = "style";
  if (HasMoveTo) s += Format(" move %d,%d", DeltaX, DeltaY);
  if (HasFillStyle0) s += Format(" fill0=%u", FillStyle0);
  if (HasFillStyle1) s += Format(" fill1=%u", FillStyle1);
  if (HasLineStyle) s += Format(" line=%u", LineStyle);
  if (HasNewStyles) s += Format(" new fills=%zu lines=%zu", new_fill_styles_.size(), new_line_styles_.size());
  return s;
}

void TSWFCurvedEdgeRecord::Assign(const TSWFShapeRecord& Source) {
  const auto& s = dynamic_cast<const TSWFCurvedEdgeRecord&>(Source);
  AnchorDeltaX = s.AnchorDeltaX;
  AnchorDeltaY = s.AnchorDeltaY;
  ControlDeltaX = s.ControlDeltaX;
  ControlDeltaY = s.ControlDeltaY;
}

void TSWFCurvedEdgeRecord::WriteToStream(TBitsEngine& be) const {
  WriteCurveBits(be, ControlDeltaX, ControlDeltaY, AnchorDeltaX, AnchorDeltaY);
}

std::string TSWFCurvedEdgeRecord::Describe() const {
  return Format("curve %d,%d %d,%d", ControlDeltaX, ControlDeltaY, AnchorDeltaX, AnchorDeltaY);
}

std::unique_ptr<TSWFShapeRecord> CreateShapeRecord(uint8_t RecordKind) {
  switch (RecordKind) {
    case kShapeRecordEnd: return std::make_unique<TSWFEndShapeRecord>();
    case kShapeRecordStyleChange: return std::make_unique<TSWFStyleChangeRecord>();
    case kShapeRecordStraightEdge: return std::make_unique<TSWFStraightEdgeRecord>();
    case kShapeRecordCurvedEdge: return std::make_unique<TSWFCurvedEdgeRecord>();
    default: throw Error(Format("shape record kind %u", RecordKind));
  }
}

void CopyShapeRecords(const TSWFShapeRecords& Source, TSWFShapeRecords& Dest) {
  Dest.clear();
  Dest.reserve(Source.size());
  for (const auto& r : Source) {
    auto c = CreateShapeRecord(r->RecordKind);
    c->Assign(*r);
    Dest.push_back(std::move(c));
  }
}

TSWFStyleBits StyleBitsFor(const TSWFShapeRecords& List, size_t fill_count, size_t line_count) {
  return BitsForRange(List, fill_count, line_count);
}

void ReadShapeRecords(TBitsEngine& be, TSWFShapeRecords& List, uint8_t FillBits, uint8_t LineBits,
                      const TSWFStyleFormat& fmt) {
  unsigned fill_bits = FillBits, line_bits = LineBits;
  for (;;) {
    if (be.ReadBit()) {
      const bool straight = be.ReadBit();
      const unsigned n = be.ReadUBits(4) + 2;
      if (straight) {
        auto e = std::make_unique<TSWFStraightEdgeRecord>();
        if (be.ReadBit()) {
          e->DeltaX = be.ReadSBits(n);
          e->DeltaY = be.ReadSBits(n);
        } else if (be.ReadBit()) {
          e->DeltaY = be.ReadSBits(n);
        } else {
          e->DeltaX = be.ReadSBits(n);
        }
        List.push_back(std::move(e));
      } else {
        auto c = std::make_unique<TSWFCurvedEdgeRecord>();
        c->ControlDeltaX = be.ReadSBits(n);
        c->ControlDeltaY = be.ReadSBits(n);
        c->AnchorDeltaX = be.ReadSBits(n);
        c->AnchorDeltaY = be.ReadSBits(n);
        List.push_back(std::move(c));
      }
      continue;
    }
    using SC = TSWFStyleChangeRecord;
    const uint32_t flags = be.ReadUBits(SC::kFlagBits);
    if (flags == 0) {
      List.push_back(std::make_unique<TSWFEndShapeRecord>());
      break;
    }
    auto sc = std::make_unique<TSWFStyleChangeRecord>();
    sc->FillBits = static_cast<uint8_t>(fill_bits);
    sc->LineBits = static_cast<uint8_t>(line_bits);
    sc->HasAlpha = fmt.HasAlpha;
    sc->LineStyle2 = fmt.LineStyle2;
    sc->ExtendedCounts = fmt.ExtendedCounts;
    if (flags & SC::kHasMoveTo) {
      const unsigned n = be.ReadUBits(5);
      const int32_t x = be.ReadSBits(n);  // two statements: x is read first
      sc->SetMoveTo(x, be.ReadSBits(n));
    }
    if (flags & SC::kHasFillStyle0) sc->SetFillStyle0(static_cast<uint16_t>(be.ReadUBits(fill_bits)));
    if (flags & SC::kHasFillStyle1) sc->SetFillStyle1(static_cast<uint16_t>(be.ReadUBits(fill_bits)));
    if (flags & SC::kHasLineStyle) sc->SetLineStyle(static_cast<uint16_t>(be.ReadUBits(line_bits)));
    if (flags & SC::kHasNewStyles) {
      be.FlushLastByte(false);
      ReadFillStyles(be, sc->NewFillStyles(), fmt);
      ReadLineStyles(be, sc->NewLineStyles(), fmt);
      be.FlushLastByte(false);
      fill_bits = be.ReadUBits(4);
      line_bits = be.ReadUBits(4);
      sc->NewFillBits = static_cast<uint8_t>(fill_bits);
      sc->NewLineBits = static_cast<uint8_t>(line_bits);
    }
    List.push_back(std::move(sc));
  }
  be.FlushLastByte(false);
}

void WriteShapeRecords(TBitsEngine& be, TSWFShapeRecords& List, uint8_t FillBits, uint8_t LineBits,
                       const TSWFStyleFormat& fmt) {
  uint8_t f = FillBits, l = LineBits;
  for (size_t i = 0; i < List.size(); ++i) {
    TSWFShapeRecord& r = *List[i];
    if (r.RecordKind == kShapeRecordEnd) {
      if (i + 1 == List.size()) r.WriteToStream(be);
      continue;
    }
    if (r.RecordKind != kShapeRecordStyleChange) {
      r.WriteToStream(be);
      continue;
    }
    auto& sc = static_cast<TSWFStyleChangeRecord&>(r);
    sc.FillBits = f;
    sc.LineBits = l;
    sc.HasAlpha = fmt.HasAlpha;
    sc.LineStyle2 = fmt.LineStyle2;
    sc.ExtendedCounts = fmt.ExtendedCounts;
    if (sc.HasNewStyles) {
      const TSWFStyleBits next = BitsForRange(std::span(List).subspan(i + 1), sc.GetNewFillStyles().size(),
                                              sc.GetNewLineStyles().size());
      sc.NewFillBits = next.Fill;
      sc.NewLineBits = next.Line;
    }
    sc.WriteToStream(be);
    if (sc.HasNewStyles) {
      f = sc.NewFillBits;
      l = sc.NewLineBits;
    }
  }
  if (List.empty() || List.back()->RecordKind != kShapeRecordEnd) TSWFEndShapeRecord().WriteToStream(be);
  be.FlushLastByte(true);
}

std::string DescribeShapeRecords(const TSWFShapeRecords& List) {
  size_t edges = 0, curves = 0, styles = 0;
  for (const auto& r : List) {
    edges += r->RecordKind == kShapeRecordStraightEdge;
    curves += r->RecordKind == kShapeRecordCurvedEdge;
    styles += r->RecordKind == kShapeRecordStyleChange;
  }
  return Format("%zu edges, %zu curves, %zu style changes", edges, curves, styles);
}

// ---------------------------------------------------------------------------------------
// DefineShape 1 to 4

bool TSWFDefineShape::HasAlpha() const { return dynamic_cast<const TSWFDefineShape3*>(this) != nullptr; }

TSWFStyleFormat TSWFDefineShape::StyleFormat() const {
  TSWFStyleFormat fmt;
  fmt.HasAlpha = HasAlpha();
  fmt.LineStyle2 = dynamic_cast<const TSWFDefineShape4*>(this) != nullptr;
  fmt.ExtendedCounts = dynamic_cast<const TSWFDefineShape2*>(this) != nullptr;
  return fmt;
}

void TSWFDefineShape::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineShape>(Source);
  ShapeID = s.ShapeID;
  ShapeBounds = s.ShapeBounds;
  CopyFillStyles(s.FillStyles, FillStyles);
  CopyLineStyles(s.LineStyles, LineStyles);
  CopyShapeRecords(s.Records, Records);
}

void TSWFDefineShape::ReadFromStream(TBitsEngine& be) {
  ShapeID = be.ReadWord("ShapeID");
  ShapeBounds = TSWFRect::FromScreen(be.ReadRect());
  ReadExtra(be);
  const TSWFStyleFormat fmt = StyleFormat();
  ReadFillStyles(be, FillStyles, fmt);
  ReadLineStyles(be, LineStyles, fmt);
  const auto f = static_cast<uint8_t>(be.ReadUBits(4));
  const auto l = static_cast<uint8_t>(be.ReadUBits(4));
  Records.clear();
  ReadShapeRecords(be, Records, f, l, fmt);
}

void TSWFDefineShape::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(ShapeID);
  be.WriteRect(ShapeBounds.Rect());
  WriteExtra(be);
  const TSWFStyleFormat fmt = StyleFormat();
  WriteFillStyles(be, FillStyles, fmt);
  WriteLineStyles(be, LineStyles, fmt);
  const TSWFStyleBits bits = StyleBitsFor(Records, FillStyles.size(), LineStyles.size());
  be.WriteBits(bits.Fill, 4);
  be.WriteBits(bits.Line, 4);
  WriteShapeRecords(be, Records, bits.Fill, bits.Line, fmt);
}

namespace {
// Every bitmap a shape's styles draw: the style arrays and the new styles of the records.
void VisitBitmapIDs(TSWFFillStyles& fills, TSWFLineStyles& lines, TSWFShapeRecords& records, const TIDVisitor& visit) {
  auto one = [&](uint16_t* id) {
    if (id && *id != 0xFFFF) visit(*id);  // 0xFFFF: a bitmap fill that draws no bitmap
  };
  for (auto& f : fills) one(f->BitmapIDRef());
  for (auto& l : lines) one(l->BitmapIDRef());
  for (auto& r : records) {
    if (r->RecordKind != kShapeRecordStyleChange) continue;
    auto& sc = static_cast<TSWFStyleChangeRecord&>(*r);
    if (!sc.HasNewStyles) continue;
    for (auto& f : sc.NewFillStyles()) one(f->BitmapIDRef());
    for (auto& l : sc.NewLineStyles()) one(l->BitmapIDRef());
  }
}

template <typename List>
size_t CountNewStyles(const List& records) {
  size_t n = 0;
  for (const auto& r : records)
    if (r->RecordKind == kShapeRecordStyleChange && static_cast<const TSWFStyleChangeRecord&>(*r).HasNewStyles) ++n;
  return n;
}
}  // namespace

void TSWFDefineShape::ForEachReferencedID(const TIDVisitor& visit) {
  VisitBitmapIDs(FillStyles, LineStyles, Records, visit);
}

std::string TSWFDefineShape::Describe() const {
  std::string s = Format("id=%u bounds=%s ", ShapeID, DescribeRect(ShapeBounds).c_str());
  s += DescribeStyles("fills", FillStyles) + " " + DescribeStyles("lines", LineStyles);
  s += " records: " + DescribeShapeRecords(Records);
  if (const size_t n = CountNewStyles(Records)) s += Format(" (%zu with new styles)", n);
  return s;
}

void TSWFDefineShape4::Assign(const TBasedSWFObject& Source) {
  TSWFDefineShape3::Assign(Source);
  if (const auto* s = dynamic_cast<const TSWFDefineShape4*>(&Source)) {
    EdgeBounds = s->EdgeBounds;
    UsesNonScalingStrokes = s->UsesNonScalingStrokes;
    UsesScalingStrokes = s->UsesScalingStrokes;
    UsesFillWindingRule = s->UsesFillWindingRule;
    ReservedFlags = s->ReservedFlags;
  } else {
    EdgeBounds = ShapeBounds;
  }
}

void TSWFDefineShape4::ReadExtra(TBitsEngine& be) {
  EdgeBounds = TSWFRect::FromScreen(be.ReadRect());
  const uint8_t flags = be.ReadByte("shape flags");
  ReservedFlags = flags & kShape4Reserved;
  UsesFillWindingRule = flags & kUsesFillWindingRule;
  UsesNonScalingStrokes = flags & kUsesNonScalingStrokes;
  UsesScalingStrokes = flags & kUsesScalingStrokes;
}

void TSWFDefineShape4::WriteExtra(TBitsEngine& be) {
  be.WriteRectRaw(EdgeBounds.SWFRect());
  UsesNonScalingStrokes = false;
  UsesScalingStrokes = false;
  StrokeFlags(LineStyles, UsesNonScalingStrokes, UsesScalingStrokes);
  for (const auto& r : Records) {
    if (r->RecordKind != kShapeRecordStyleChange) continue;
    StrokeFlags(static_cast<const TSWFStyleChangeRecord&>(*r).GetNewLineStyles(), UsesNonScalingStrokes,
                UsesScalingStrokes);
  }
  be.WriteByte(static_cast<uint8_t>((ReservedFlags & kShape4Reserved) |
                                    FlagIf(UsesFillWindingRule, kUsesFillWindingRule) |
                                    FlagIf(UsesNonScalingStrokes, kUsesNonScalingStrokes) |
                                    FlagIf(UsesScalingStrokes, kUsesScalingStrokes)));
}

std::string TSWFDefineShape4::Describe() const {
  std::string s = TSWFDefineShape3::Describe() + " edges=" + DescribeRect(EdgeBounds);
  if (UsesNonScalingStrokes) s += " non-scaling";
  if (UsesScalingStrokes) s += " scaling";
  if (UsesFillWindingRule) s += " nonzero-winding";
  return s;
}

// ---------------------------------------------------------------------------------------
// Morph styles

void TSWFMorphFillStyle::Assign(const TSWFMorphFillStyle& Source) { FillType = Source.FillType; }

void TSWFMorphFillStyle::WriteToStream(TBitsEngine& be) const {
  be.WriteByte(FillType);
  WritePayload(be);
}

std::string TSWFMorphFillStyle::Describe() const { return FillKind(FillType); }

std::unique_ptr<TSWFMorphFillStyle> TSWFMorphFillStyle::Clone() const {
  auto c = CreateSame();
  c->Assign(*this);
  return c;
}

std::unique_ptr<TSWFMorphFillStyle> CreateMorphFillStyle(uint8_t FillType) {
  std::unique_ptr<TSWFMorphFillStyle> f;
  if (FillType == kFillSolid) f = std::make_unique<TSWFMorphColorFill>();
  else if (IsGradientFill(FillType)) f = std::make_unique<TSWFMorphGradientFill>();
  else if (FillType == kFillFocalGradient) f = std::make_unique<TSWFMorphFocalGradientFill>();
  else if (IsBitmapFill(FillType)) f = std::make_unique<TSWFMorphImageFill>();
  else throw FormatError(Format("morph fill style type 0x%02X", FillType));
  f->FillType = FillType;
  return f;
}

void TSWFMorphColorFill::Assign(const TSWFMorphFillStyle& Source) {
  TSWFMorphFillStyle::Assign(Source);
  const auto& s = dynamic_cast<const TSWFMorphColorFill&>(Source);
  StartColor.Assign(s.StartColor);
  EndColor.Assign(s.EndColor);
}

void TSWFMorphColorFill::ReadFromStream(TBitsEngine& be) {
  ReadColor(be, StartColor, true);
  ReadColor(be, EndColor, true);
}

void TSWFMorphColorFill::WritePayload(TBitsEngine& be) const {
  WriteColor(be, StartColor, true);
  WriteColor(be, EndColor, true);
}

std::string TSWFMorphColorFill::Describe() const {
  return "solid " + DescribeColor(StartColor) + ">" + DescribeColor(EndColor);
}

TSWFMorphGradientRecord& TSWFMorphGradientFill::Record(size_t i) {
  while (Records.size() <= i) Records.emplace_back();
  return Records[i];
}

void TSWFMorphGradientFill::Assign(const TSWFMorphFillStyle& Source) {
  TSWFMorphFillStyle::Assign(Source);
  const auto& s = dynamic_cast<const TSWFMorphGradientFill&>(Source);
  StartMatrix = s.StartMatrix;
  EndMatrix = s.EndMatrix;
  SpreadMode = s.SpreadMode;
  InterpolationMode = s.InterpolationMode;
  Records = s.Records;
}

void TSWFMorphGradientFill::ReadFromStream(TBitsEngine& be) {
  ReadMatrix(be, StartMatrix);
  ReadMatrix(be, EndMatrix);
  const TGradientHead head = ReadGradientHead(be, "morph gradient");
  SpreadMode = head.SpreadMode;
  InterpolationMode = head.InterpolationMode;
  Records.clear();
  for (unsigned i = 0; i < head.Count; ++i) {
    TSWFMorphGradientRecord r;
    r.StartRatio = be.ReadByte("gradient ratio");
    ReadColor(be, r.StartColor, true);
    r.EndRatio = be.ReadByte("gradient ratio");
    ReadColor(be, r.EndColor, true);
    Records.push_back(r);
  }
}

void TSWFMorphGradientFill::WritePayload(TBitsEngine& be) const {
  WriteMatrix(be, StartMatrix);
  WriteMatrix(be, EndMatrix);
  // The modes of a gradient that was read are written back; a new one has both 0.
  WriteGradientHead(be, SpreadMode, InterpolationMode, Records.size(), "morph gradient");
  for (const auto& r : Records) {
    be.WriteByte(r.StartRatio);
    WriteColor(be, r.StartColor, true);
    be.WriteByte(r.EndRatio);
    WriteColor(be, r.EndColor, true);
  }
}

std::string TSWFMorphGradientFill::Describe() const {
  return Format("%s %zu stops", FillKind(FillType), Records.size());
}

void TSWFMorphFocalGradientFill::Assign(const TSWFMorphFillStyle& Source) {
  TSWFMorphGradientFill::Assign(Source);
  const auto& s = dynamic_cast<const TSWFMorphFocalGradientFill&>(Source);
  StartFocalPoint = s.StartFocalPoint;
  EndFocalPoint = s.EndFocalPoint;
}

void TSWFMorphFocalGradientFill::ReadFromStream(TBitsEngine& be) {
  TSWFMorphGradientFill::ReadFromStream(be);
  StartFocalPoint = static_cast<int16_t>(be.ReadWord("StartFocalPoint"));
  EndFocalPoint = static_cast<int16_t>(be.ReadWord("EndFocalPoint"));
}

void TSWFMorphFocalGradientFill::WritePayload(TBitsEngine& be) const {
  TSWFMorphGradientFill::WritePayload(be);
  be.WriteWord(static_cast<uint16_t>(StartFocalPoint));
  be.WriteWord(static_cast<uint16_t>(EndFocalPoint));
}

std::string TSWFMorphFocalGradientFill::Describe() const {
  return TSWFMorphGradientFill::Describe() + Format(" focal=%d>%d", StartFocalPoint, EndFocalPoint);
}

void TSWFMorphImageFill::Assign(const TSWFMorphFillStyle& Source) {
  TSWFMorphFillStyle::Assign(Source);
  const auto& s = dynamic_cast<const TSWFMorphImageFill&>(Source);
  BitmapID = s.BitmapID;
  StartMatrix = s.StartMatrix;
  EndMatrix = s.EndMatrix;
}

void TSWFMorphImageFill::ReadFromStream(TBitsEngine& be) {
  BitmapID = be.ReadWord("BitmapID");
  ReadMatrix(be, StartMatrix);
  ReadMatrix(be, EndMatrix);
}

void TSWFMorphImageFill::WritePayload(TBitsEngine& be) const {
  be.WriteWord(BitmapID);
  WriteMatrix(be, StartMatrix);
  WriteMatrix(be, EndMatrix);
}

std::string TSWFMorphImageFill::Describe() const { return Format("%s %u", FillKind(FillType), BitmapID); }

void TSWFMorphLineStyle::Assign(const TSWFMorphLineStyle& Source) {
  StartWidth = Source.StartWidth;
  EndWidth = Source.EndWidth;
  StartColor.Assign(Source.StartColor);
  EndColor.Assign(Source.EndColor);
}

void TSWFMorphLineStyle::ReadFromStream(TBitsEngine& be) {
  StartWidth = be.ReadWord("StartWidth");
  EndWidth = be.ReadWord("EndWidth");
  ReadColor(be, StartColor, true);
  ReadColor(be, EndColor, true);
}

void TSWFMorphLineStyle::WriteToStream(TBitsEngine& be) const {
  be.WriteWord(StartWidth);
  be.WriteWord(EndWidth);
  WriteColor(be, StartColor, true);
  WriteColor(be, EndColor, true);
}

std::string TSWFMorphLineStyle::Describe() const {
  return Format("%u>%u ", StartWidth, EndWidth) + DescribeColor(StartColor) + ">" + DescribeColor(EndColor);
}

std::unique_ptr<TSWFMorphLineStyle> TSWFMorphLineStyle::Clone() const {
  auto c = CreateSame();
  c->Assign(*this);
  return c;
}

TSWFMorphFillStyle* TSWFMorphLineStyle2::GetFill(int FillType) {
  if (FillType < 0) return Fill.get();
  const auto type = static_cast<uint8_t>(FillType);
  if (!Fill || Fill->FillType != type) Fill = CreateMorphFillStyle(type);
  Fill->FillType = type;
  HasFill = true;
  return Fill.get();
}

void TSWFMorphLineStyle2::Assign(const TSWFMorphLineStyle& Source) {
  TSWFMorphLineStyle::Assign(Source);
  const auto* s = dynamic_cast<const TSWFMorphLineStyle2*>(&Source);
  if (!s) return;
  SetFlags(*this, FlagsOf(*s, s->HasFill));
  MiterLimitFactor = s->MiterLimitFactor;
  Fill = s->Fill ? s->Fill->Clone() : nullptr;
}

void TSWFMorphLineStyle2::ReadFromStream(TBitsEngine& be) {
  StartWidth = be.ReadWord("StartWidth");
  EndWidth = be.ReadWord("EndWidth");
  SetFlags(*this, ReadLineFlags(be));
  if (JoinStyle == kJoinMiter) MiterLimitFactor = Fixed8ToFloat(be.ReadWord("MiterLimitFactor"));
  if (HasFill) {
    Fill = CreateMorphFillStyle(be.ReadByte("fill type"));
    Fill->ReadFromStream(be);
  } else {
    Fill.reset();
    ReadColor(be, StartColor, true);
    ReadColor(be, EndColor, true);
  }
}

void TSWFMorphLineStyle2::WriteToStream(TBitsEngine& be) const {
  const bool fill = HasFill && Fill;
  be.WriteWord(StartWidth);
  be.WriteWord(EndWidth);
  WriteLineFlags(be, FlagsOf(*this, fill));
  if (JoinStyle == kJoinMiter) be.WriteWord(FloatToFixed8(MiterLimitFactor));
  if (fill) {
    Fill->WriteToStream(be);
  } else {
    WriteColor(be, StartColor, true);
    WriteColor(be, EndColor, true);
  }
}

std::string TSWFMorphLineStyle2::Describe() const {
  std::string s = HasFill && Fill ? Format("%u>%u fill ", StartWidth, EndWidth) + Fill->Describe()
                                  : TSWFMorphLineStyle::Describe();
  s += DescribeLineFlags(FlagsOf(*this, HasFill));
  if (JoinStyle == kJoinMiter) s += " limit " + FormatDouble(MiterLimitFactor);
  return s;
}

// ---------------------------------------------------------------------------------------
// DefineMorphShape and DefineMorphShape2

void TSWFDefineMorphShape::Assign(const TBasedSWFObject& Source) {
  TSWFObject::Assign(Source);
  const auto& s = AssignSource<TSWFDefineMorphShape>(Source);
  CharacterID = s.CharacterID;
  StartBounds = s.StartBounds;
  EndBounds = s.EndBounds;
  MorphFillStyles.clear();
  for (const auto& f : s.MorphFillStyles) MorphFillStyles.push_back(f->Clone());
  MorphLineStyles.clear();
  for (const auto& l : s.MorphLineStyles) MorphLineStyles.push_back(l->Clone());
  CopyShapeRecords(s.StartEdges, StartEdges);
  CopyShapeRecords(s.EndEdges, EndEdges);
}

void TSWFDefineMorphShape::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  StartBounds = TSWFRect::FromScreen(be.ReadRect());
  EndBounds = TSWFRect::FromScreen(be.ReadRect());
  ReadExtra(be);
  const uint32_t offset = be.ReadDWord("end edges offset");
  const size_t start = be.Position();
  ReadList(MorphFillStyles, ReadStyleCount(be, true, "morph fill style count"), [&] {
    auto f = CreateMorphFillStyle(be.ReadByte("fill type"));
    f->ReadFromStream(be);
    return f;
  });
  const bool morph2 = IsMorph2();
  ReadList(MorphLineStyles, ReadStyleCount(be, true, "morph line style count"),
           [&]() -> std::unique_ptr<TSWFMorphLineStyle> {
             std::unique_ptr<TSWFMorphLineStyle> l;
             if (morph2) l = std::make_unique<TSWFMorphLineStyle2>();
             else l = std::make_unique<TSWFMorphLineStyle>();
             l->ReadFromStream(be);
             return l;
           });
  const TSWFStyleFormat fmt{true, false, true};
  auto read_edges = [&](TSWFShapeRecords& list) {
    const auto f = static_cast<uint8_t>(be.ReadUBits(4));
    const auto l = static_cast<uint8_t>(be.ReadUBits(4));
    list.clear();
    ReadShapeRecords(be, list, f, l, fmt);
  };
  read_edges(StartEdges);
  // The end edges must start where the offset says; a tag whose offset points elsewhere is
  // kept as it was read rather than written back with a different layout.
  if (offset != be.Position() - start)
    throw FormatError(Format("end edges offset %u, but the start edges end at %zu", offset, be.Position() - start));
  read_edges(EndEdges);
}

void TSWFDefineMorphShape::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteRect(StartBounds.Rect());
  be.WriteRect(EndBounds.Rect());
  WriteExtra(be);
  const size_t offset_pos = be.Position();
  be.WriteDWord(0);
  const size_t start = be.Position();
  const bool morph2 = IsMorph2();
  WriteStyleCount(be, MorphFillStyles.size(), true, "morph fill style count");
  for (const auto& f : MorphFillStyles) f->WriteToStream(be);
  WriteStyleCount(be, MorphLineStyles.size(), true, "morph line style count");
  for (const auto& l : MorphLineStyles) {
    const auto* l2 = dynamic_cast<const TSWFMorphLineStyle2*>(l.get());
    if (!morph2) {
      l->TSWFMorphLineStyle::WriteToStream(be);
    } else if (l2) {
      l2->WriteToStream(be);
    } else {  // a plain morph line style in a shape whose lines are MorphLineStyle2
      TSWFMorphLineStyle2 as2;
      as2.Assign(*l);
      as2.WriteToStream(be);
    }
  }
  const TSWFStyleFormat fmt{true, false, true};
  const size_t fills = MorphFillStyles.size(), lines = MorphLineStyles.size();
  const TSWFStyleBits bits = StyleBitsFor(StartEdges, fills, lines);
  be.WriteBits(bits.Fill, 4);
  be.WriteBits(bits.Line, 4);
  WriteShapeRecords(be, StartEdges, bits.Fill, bits.Line, fmt);
  const size_t offset = be.Position() - start;
  if (offset > 0xFFFFFFFFu) throw Error("morph shape: start edges longer than 4 GB");
  const uint8_t b[4] = {static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                        static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24)};
  be.PatchBytes(offset_pos, b);
  // The end edges of DefineMorphShape carry widths 0 unless their records select styles;
  // DefineMorphShape2 repeats the start widths. Either way every index fits.
  TSWFStyleBits end_bits = StyleBitsFor(EndEdges, morph2 ? fills : 0, morph2 ? lines : 0);
  if (morph2) {
    end_bits.Fill = std::max(end_bits.Fill, bits.Fill);
    end_bits.Line = std::max(end_bits.Line, bits.Line);
  }
  be.WriteBits(end_bits.Fill, 4);
  be.WriteBits(end_bits.Line, 4);
  WriteShapeRecords(be, EndEdges, end_bits.Fill, end_bits.Line, fmt);
}

void TSWFDefineMorphShape::ForEachReferencedID(const TIDVisitor& visit) {
  auto one = [&](uint16_t* id) {
    if (id && *id != 0xFFFF) visit(*id);
  };
  for (auto& f : MorphFillStyles) one(f->BitmapIDRef());
  for (auto& l : MorphLineStyles) one(l->BitmapIDRef());
}

std::string TSWFDefineMorphShape::Describe() const {
  std::string s = Format("id=%u start=%s end=%s ", CharacterID, DescribeRect(StartBounds).c_str(),
                         DescribeRect(EndBounds).c_str());
  s += DescribeStyles("fills", MorphFillStyles) + " " + DescribeStyles("lines", MorphLineStyles);
  s += " start edges: " + DescribeShapeRecords(StartEdges) + "; end edges: " + DescribeShapeRecords(EndEdges);
  return s;
}

void TSWFDefineMorphShape2::Assign(const TBasedSWFObject& Source) {
  TSWFDefineMorphShape::Assign(Source);
  if (const auto* s = dynamic_cast<const TSWFDefineMorphShape2*>(&Source)) {
    StartEdgeBounds = s->StartEdgeBounds;
    EndEdgeBounds = s->EndEdgeBounds;
    UsesNonScalingStrokes = s->UsesNonScalingStrokes;
    UsesScalingStrokes = s->UsesScalingStrokes;
    ReservedFlags = s->ReservedFlags;
    return;
  }
  StartEdgeBounds = StartBounds;
  EndEdgeBounds = EndBounds;
  for (auto& l : MorphLineStyles) {
    auto l2 = std::make_unique<TSWFMorphLineStyle2>();
    l2->Assign(*l);
    l = std::move(l2);
  }
}

void TSWFDefineMorphShape2::ReadExtra(TBitsEngine& be) {
  StartEdgeBounds = TSWFRect::FromScreen(be.ReadRect());
  EndEdgeBounds = TSWFRect::FromScreen(be.ReadRect());
  const uint8_t flags = be.ReadByte("morph flags");
  ReservedFlags = flags & kMorph2Reserved;
  UsesNonScalingStrokes = flags & kUsesNonScalingStrokes;
  UsesScalingStrokes = flags & kUsesScalingStrokes;
}

void TSWFDefineMorphShape2::WriteExtra(TBitsEngine& be) {
  be.WriteRectRaw(StartEdgeBounds.SWFRect());
  be.WriteRectRaw(EndEdgeBounds.SWFRect());
  UsesNonScalingStrokes = false;
  UsesScalingStrokes = false;
  StrokeFlags(MorphLineStyles, UsesNonScalingStrokes, UsesScalingStrokes);
  be.WriteByte(static_cast<uint8_t>((ReservedFlags & kMorph2Reserved) |
                                    FlagIf(UsesNonScalingStrokes, kUsesNonScalingStrokes) |
                                    FlagIf(UsesScalingStrokes, kUsesScalingStrokes)));
}

std::string TSWFDefineMorphShape2::Describe() const {
  std::string s = TSWFDefineMorphShape::Describe() + " edge bounds " + DescribeRect(StartEdgeBounds) + ">" +
                  DescribeRect(EndEdgeBounds);
  if (UsesNonScalingStrokes) s += " non-scaling";
  if (UsesScalingStrokes) s += " scaling";
  return s;
}

}  // namespace fc
