#include "swf/records.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace fc {

TSWFRect TSWFRect::FromScreen(const TRect& r) {
  TSWFRect out;
  out.SetRect(r);
  return out;
}

TSWFRect TSWFRect::FromSWF(const TRect& r) {
  TSWFRect out;
  out.SetSWFRect(r);
  return out;
}

void TSWFRect::Order() {
  if (xmin_ > xmax_) std::swap(xmin_, xmax_);
  if (ymin_ > ymax_) std::swap(ymin_, ymax_);
}

void TSWFRect::SetXmin(int32_t v) { xmin_ = v; Order(); }
void TSWFRect::SetXmax(int32_t v) { xmax_ = v; Order(); }
void TSWFRect::SetYmin(int32_t v) { ymin_ = v; Order(); }
void TSWFRect::SetYmax(int32_t v) { ymax_ = v; Order(); }

void TSWFRect::SetRect(const TRect& screen) {
  xmin_ = screen.Left;
  ymin_ = screen.Top;
  xmax_ = screen.Right;
  ymax_ = screen.Bottom;
  Order();
}

void TSWFRect::SetSWFRect(const TRect& swf) {
  xmin_ = swf.Left;
  xmax_ = swf.Top;
  ymin_ = swf.Right;
  ymax_ = swf.Bottom;
  Order();
}

void TSWFRGB::SetRGB(TColor packed) {
  R = packed & 0xFF;
  G = (packed >> 8) & 0xFF;
  B = (packed >> 16) & 0xFF;
}

void TSWFRGB::Assign(const TSWFRGB& Source) {
  R = Source.R;
  G = Source.G;
  B = Source.B;
}

void TSWFRGBA::SetRGB(TColor packed) {
  TSWFRGB::SetRGB(packed);
  alpha_ = 255;
}

void TSWFRGBA::SetRGBA(TColor packed) {
  TSWFRGB::SetRGB(packed);
  SetAlpha(packed >> 24);
}

void TSWFRGBA::Assign(const TSWFRGB& Source) {
  TSWFRGB::Assign(Source);
  if (const auto* a = dynamic_cast<const TSWFRGBA*>(&Source)) {
    alpha_ = a->alpha_;
    has_alpha_ = a->has_alpha_;
  } else {
    alpha_ = 255;
  }
}

void TSWFRGBA::SetAlpha(uint8_t a) {
  alpha_ = a;
  if (a != 255) has_alpha_ = true;
}

void TSWFRGBA::SetHasAlpha(bool v) {
  has_alpha_ = v;
  if (!v) alpha_ = 255;
}

void TSWFColorTransform::SetAdd(int i, int32_t v) {
  add_[i] = std::clamp(v, -255, 255);
  HasAdd = true;
  if (i == 3) HasAlpha = true;
}

void TSWFColorTransform::SetMult(int i, int32_t v) {
  mult_[i] = std::clamp(v, 0, 256);
  HasMult = true;
  if (i == 3) HasAlpha = true;
}

void TSWFColorTransform::SetRec(const TSWFColorTransformRec& rec) {
  HasAlpha = rec.HasAlpha;
  if (rec.HasAdd) {
    SetAddR(rec.AddR);
    SetAddG(rec.AddG);
    SetAddB(rec.AddB);
    if (rec.HasAlpha) SetAddA(rec.AddA);
  } else {
    HasAdd = false;
  }
  if (rec.HasMult) {
    SetMultR(rec.MultR);
    SetMultG(rec.MultG);
    SetMultB(rec.MultB);
    if (rec.HasAlpha) SetMultA(rec.MultA);
  } else {
    HasMult = false;
  }
  HasAlpha = rec.HasAlpha;
}

TSWFColorTransformRec TSWFColorTransform::Rec() const {
  TSWFColorTransformRec r;
  r.HasAdd = HasAdd;
  r.HasMult = HasMult;
  r.HasAlpha = HasAlpha;
  r.AddR = static_cast<int16_t>(add_[0]);
  r.AddG = static_cast<int16_t>(add_[1]);
  r.AddB = static_cast<int16_t>(add_[2]);
  r.AddA = static_cast<int16_t>(add_[3]);
  r.MultR = static_cast<int16_t>(mult_[0]);
  r.MultG = static_cast<int16_t>(mult_[1]);
  r.MultB = static_cast<int16_t>(mult_[2]);
  r.MultA = static_cast<int16_t>(mult_[3]);
  return r;
}

void TSWFMatrix::SetScale(float sx, float sy) {
  ScaleX = FloatToFixed(sx);
  ScaleY = FloatToFixed(sy);
  HasScale = true;
}

void TSWFMatrix::SetSkew0(float v) {
  RotateSkew0 = FloatToFixed(v);
  HasRotate = true;
}

void TSWFMatrix::SetSkew1(float v) {
  RotateSkew1 = FloatToFixed(v);
  HasRotate = true;
}

void TSWFMatrix::SetRotate(float Angle) {
  const double a = HasScale ? ScaleX / 65536.0 : 1.0;
  const double d = HasScale ? ScaleY / 65536.0 : 1.0;
  const double b = HasRotate ? RotateSkew0 / 65536.0 : 0.0;
  const double c = HasRotate ? RotateSkew1 / 65536.0 : 0.0;
  const double rad = Angle * std::numbers::pi / 180.0;
  const double s = std::sin(rad), k = std::cos(rad);
  ScaleX = FloatToFixed(k * a + s * b);
  ScaleY = FloatToFixed(k * d - s * c);
  RotateSkew1 = FloatToFixed(s * d + k * c);
  RotateSkew0 = FloatToFixed(-s * a + k * b);
  HasScale = true;
  HasRotate = true;
}

void TSWFMatrix::SetRec(const TSWFMatrixRec& r) {
  HasScale = r.HasScale;
  HasRotate = r.HasRotate;
  ScaleX = r.ScaleX;
  ScaleY = r.ScaleY;
  RotateSkew0 = r.RotateSkew0;
  RotateSkew1 = r.RotateSkew1;
  TranslateX = r.TranslateX;
  TranslateY = r.TranslateY;
}

TSWFMatrixRec TSWFMatrix::Rec() const {
  return {HasScale, HasRotate, ScaleX, ScaleY, RotateSkew1, RotateSkew0, TranslateX, TranslateY};
}

}  // namespace fc
