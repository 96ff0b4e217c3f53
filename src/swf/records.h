#pragma once
// Record classes used inside many tags: rectangle, colours, colour transform, matrix.
// They carry no tag header; tags write them through the bit engine.

#include <cstdint>

#include "swf/bits_engine.h"

namespace fc {

// A rectangle in twips that always keeps Xmin <= Xmax and Ymin <= Ymax.
class TSWFRect {
public:
  TSWFRect() = default;
  static TSWFRect FromScreen(const TRect& r);  // left, top, right, bottom
  static TSWFRect FromSWF(const TRect& r);     // Xmin, Xmax, Ymin, Ymax

  int32_t Xmin() const { return xmin_; }
  int32_t Xmax() const { return xmax_; }
  int32_t Ymin() const { return ymin_; }
  int32_t Ymax() const { return ymax_; }
  void SetXmin(int32_t v);
  void SetXmax(int32_t v);
  void SetYmin(int32_t v);
  void SetYmax(int32_t v);
  void SetRect(const TRect& screen);
  void SetSWFRect(const TRect& swf);
  TRect Rect() const { return {xmin_, ymin_, xmax_, ymax_}; }
  TRect SWFRect() const { return {xmin_, xmax_, ymin_, ymax_}; }
  void Assign(const TSWFRect& other) { *this = other; }
  bool operator==(const TSWFRect&) const = default;

private:
  void Order();
  int32_t xmin_ = 0, xmax_ = 0, ymin_ = 0, ymax_ = 0;
};

class TSWFRGB {
public:
  TSWFRGB() = default;
  TSWFRGB(uint8_t r, uint8_t g, uint8_t b) : R(r), G(g), B(b) {}
  virtual ~TSWFRGB() = default;
  TSWFRGB(const TSWFRGB&) = default;
  TSWFRGB& operator=(const TSWFRGB&) = default;

  virtual void SetRGB(TColor packed);
  virtual void Assign(const TSWFRGB& Source);
  TSWFRGBRec RGBRec() const { return {R, G, B}; }
  TColor RGB() const { return SWFRGBA(R, G, B, 0); }

  uint8_t R = 0, G = 0, B = 0;
};

class TSWFRGBA : public TSWFRGB {
public:
  explicit TSWFRGBA(bool has_alpha = false) : has_alpha_(has_alpha) {}

  void SetRGB(TColor packed) override;  // alpha becomes 255, HasAlpha unchanged
  void SetRGBA(TColor packed);
  void Assign(const TSWFRGB& Source) override;
  TColor GetRGBA() const { return SWFRGBA(R, G, B, alpha_); }

  uint8_t Alpha() const { return alpha_; }
  void SetAlpha(uint8_t a);
  bool HasAlpha() const { return has_alpha_; }
  void SetHasAlpha(bool v);

private:
  uint8_t alpha_ = 255;
  bool has_alpha_ = false;
};

// A colour transform whose setters clamp: add terms to -255..255, multiply terms to 0..256.
class TSWFColorTransform {
public:
  int32_t AddR() const { return add_[0]; }
  int32_t AddG() const { return add_[1]; }
  int32_t AddB() const { return add_[2]; }
  int32_t AddA() const { return add_[3]; }
  int32_t MultR() const { return mult_[0]; }
  int32_t MultG() const { return mult_[1]; }
  int32_t MultB() const { return mult_[2]; }
  int32_t MultA() const { return mult_[3]; }
  void SetAddR(int32_t v) { SetAdd(0, v); }
  void SetAddG(int32_t v) { SetAdd(1, v); }
  void SetAddB(int32_t v) { SetAdd(2, v); }
  void SetAddA(int32_t v) { SetAdd(3, v); }
  void SetMultR(int32_t v) { SetMult(0, v); }
  void SetMultG(int32_t v) { SetMult(1, v); }
  void SetMultB(int32_t v) { SetMult(2, v); }
  void SetMultA(int32_t v) { SetMult(3, v); }

  bool HasAdd = false;
  bool HasAlpha = false;
  bool HasMult = false;

  void SetRec(const TSWFColorTransformRec& rec);
  TSWFColorTransformRec Rec() const;
  void Assign(const TSWFColorTransform& other) { *this = other; }
  bool operator==(const TSWFColorTransform&) const = default;

private:
  void SetAdd(int i, int32_t v);
  void SetMult(int i, int32_t v);
  int32_t add_[4] = {0, 0, 0, 0};
  int32_t mult_[4] = {256, 256, 256, 256};
};

class TSWFMatrix {
public:
  bool HasScale = false;
  bool HasRotate = false;
  int32_t ScaleX = 0, ScaleY = 0;            // 16.16
  int32_t RotateSkew1 = 0, RotateSkew0 = 0;  // 16.16
  int32_t TranslateX = 0, TranslateY = 0;    // twips

  void SetScale(float sx, float sy);
  void SetSkew0(float v);
  void SetSkew1(float v);
  void SetTranslate(int32_t x, int32_t y) { TranslateX = x; TranslateY = y; }
  float GetScaleX() const { return FixedToFloat(ScaleX); }
  float GetScaleY() const { return FixedToFloat(ScaleY); }
  float GetSkew0() const { return FixedToFloat(RotateSkew0); }
  float GetSkew1() const { return FixedToFloat(RotateSkew1); }
  // Multiplies the matrix on the left by the rotation of `Angle` degrees.
  void SetRotate(float Angle);

  void SetRec(const TSWFMatrixRec& r);
  TSWFMatrixRec Rec() const;
  void Assign(const TSWFMatrix& other) { *this = other; }
  bool operator==(const TSWFMatrix&) const = default;
};

}  // namespace fc
