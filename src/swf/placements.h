#pragma once
// Placement tags (PlaceObject 1 to 3) with their clip actions and filters.
//
// Every flag read from a placement is kept, and every flag written promises only data that
// is there: empty clip action and filter lists clear their flags on write.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/actions.h"
#include "swf/objects.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// Filters

enum : uint8_t {
  kFilterDropShadow = 0,
  kFilterBlur = 1,
  kFilterGlow = 2,
  kFilterBevel = 3,
  kFilterGradientGlow = 4,
  kFilterConvolution = 5,
  kFilterColorMatrix = 6,
  kFilterGradientBevel = 7,
};

// A filter writes and reads its body after the ID byte; the list writes the IDs.
// Blur sizes, angles and distances are 16.16 fixed, strengths 8.8 fixed, kept as read.
class TSWFFilter {
public:
  virtual ~TSWFFilter() = default;
  uint8_t FilterID = 0;
  virtual std::unique_ptr<TSWFFilter> Clone() const = 0;
  virtual void ReadFromStream(TBitsEngine& be) = 0;
  virtual void WriteToStream(TBitsEngine& be) const = 0;
  virtual std::string Describe() const;
};

class TSWFBlurFilter : public TSWFFilter {
public:
  TSWFBlurFilter() { FilterID = kFilterBlur; }
  int32_t BlurX = 0x50000, BlurY = 0x50000;
  uint8_t Passes = 1;
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFBlurFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

class TSWFDropShadowFilter : public TSWFFilter {
public:
  TSWFDropShadowFilter() { FilterID = kFilterDropShadow; }
  TColor Color = SWFRGBA(0, 0, 0, 255);
  int32_t BlurX = 0x40000, BlurY = 0x40000, Angle = 0, Distance = 0x40000;
  uint16_t Strength = 0x100;
  bool InnerShadow = false, Knockout = false, CompositeSource = true;
  uint8_t Passes = 1;  // 5 bits
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFDropShadowFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

class TSWFGlowFilter : public TSWFBlurFilter {
public:
  TSWFGlowFilter() { FilterID = kFilterGlow; }
  TColor Color = SWFRGBA(255, 0, 0, 255);
  uint16_t Strength = 0x100;
  bool InnerGlow = false, Knockout = false, CompositeSource = true;
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFGlowFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

class TSWFBevelFilter : public TSWFBlurFilter {
public:
  TSWFBevelFilter() { FilterID = kFilterBevel; }
  TColor ShadowColor = SWFRGBA(0, 0, 0, 255), HighlightColor = SWFRGBA(255, 255, 255, 255);
  int32_t Angle = 0, Distance = 0x40000;
  uint16_t Strength = 0x100;
  bool InnerShadow = false, Knockout = false, CompositeSource = true, OnTop = false;  // Passes: 4 bits
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFBevelFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

struct TSWFGradientStop {
  TColor Color = 0;
  uint8_t Ratio = 0;
  bool operator==(const TSWFGradientStop&) const = default;
};

class TSWFGradientGlowFilter : public TSWFBlurFilter {
public:
  TSWFGradientGlowFilter() { FilterID = kFilterGradientGlow; }
  std::vector<TSWFGradientStop> Stops{{SWFRGBA(255, 255, 255, 0), 0}, {SWFRGBA(0, 0, 0, 255), 255}};
  int32_t Angle = 0, Distance = 0x40000;
  uint16_t Strength = 0x100;
  bool InnerShadow = false, Knockout = false, CompositeSource = true, OnTop = false;  // Passes: 4 bits
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFGradientGlowFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

class TSWFGradientBevelFilter : public TSWFGradientGlowFilter {
public:
  TSWFGradientBevelFilter() { FilterID = kFilterGradientBevel; }
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFGradientBevelFilter>(*this); }
};

class TSWFConvolutionFilter : public TSWFFilter {
public:
  TSWFConvolutionFilter() { FilterID = kFilterConvolution; }
  uint8_t MatrixX = 0, MatrixY = 0;
  float Divisor = 1, Bias = 0;
  std::vector<float> Matrix;  // MatrixX * MatrixY values, row by row
  TColor DefaultColor = 0;
  bool Clamp = false, PreserveAlpha = false;
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFConvolutionFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

class TSWFColorMatrixFilter : public TSWFFilter {
public:
  TSWFColorMatrixFilter() { FilterID = kFilterColorMatrix; }
  float Matrix[20] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
  std::unique_ptr<TSWFFilter> Clone() const override { return std::make_unique<TSWFColorMatrixFilter>(*this); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
};

// The filter for an ID; throws FormatError for IDs the format does not have.
std::unique_ptr<TSWFFilter> CreateFilter(uint8_t FilterID);

class TSWFFilterList {
public:
  std::vector<std::unique_ptr<TSWFFilter>> Items;
  TSWFFilterList() = default;
  TSWFFilterList(const TSWFFilterList& o) { *this = o; }
  TSWFFilterList& operator=(const TSWFFilterList& o);
  size_t Count() const { return Items.size(); }
  template <typename T>
  T* Add() {
    auto f = std::make_unique<T>();
    T* raw = f.get();
    Items.push_back(std::move(f));
    return raw;
  }
  void ReadFromStream(TBitsEngine& be);
  void WriteToStream(TBitsEngine& be) const;  // throws when more than 255 filters
  std::string Describe() const;               // "DropShadow,Blur"
};

// ---------------------------------------------------------------------------------------
// Clip actions

// Clip event masks.
enum : uint32_t {
  kClipKeyUp = 0x1, kClipKeyDown = 0x2, kClipMouseUp = 0x4, kClipMouseDown = 0x8, kClipMouseMove = 0x10,
  kClipUnload = 0x20, kClipEnterFrame = 0x40, kClipLoad = 0x80, kClipDragOver = 0x100, kClipRollOut = 0x200,
  kClipRollOver = 0x400, kClipReleaseOutside = 0x800, kClipRelease = 0x1000, kClipPress = 0x2000,
  kClipInitialize = 0x4000, kClipData = 0x8000, kClipConstruct = 0x10000, kClipKeyPress = 0x20000,
  kClipDragOut = 0x40000,
};

// The event flags as written: 2 bytes before version 6, 4 bytes from 6 on. Bits the masks
// above do not name (the reserved ones) are kept in the mask's upper bits so nothing is lost.
void WriteClipEventFlags(TBitsEngine& be, uint32_t flags, uint8_t version);
uint32_t ReadClipEventFlags(TBitsEngine& be, uint8_t version);

class TSWFClipActionRecord : public TSWFActionList {
public:
  uint32_t EventFlags = 0;
  uint8_t KeyCode = 0;
  void SetKeyCode(uint8_t k);  // a key code sets the KeyPress event
};

class TSWFClipActions {
public:
  uint32_t AllEventFlags = 0;
  std::vector<std::unique_ptr<TSWFClipActionRecord>> Records;
  TSWFClipActionRecord* AddRecord(uint32_t EventFlags, uint8_t KeyCode = 0);
  void Assign(const TSWFClipActions& Source);
};

// ---------------------------------------------------------------------------------------
// Placements

class TSWFBasedPlaceObject : public TSWFObject {
public:
  uint16_t CharacterID = 0;
  uint16_t Depth = 0;
  virtual void SetCharacterID(uint16_t ID) { CharacterID = ID; }
  void Assign(const TBasedSWFObject& Source) override;
};

class TSWFPlaceObject : public TSWFBasedPlaceObject {
public:
  TSWFPlaceObject() { SetCode(TSWFTagCode::PlaceObject); }
  TSWFColorTransform ColorTransform;  // without alpha
  bool HasColorTransform = false;
  TSWFMatrix Matrix;
  void Assign(const TBasedSWFObject& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override { visit(CharacterID); }
  std::string Describe() const override;
};

class TSWFPlaceObject2 : public TSWFBasedPlaceObject {
public:
  // The flags byte that opens the body.
  static constexpr uint8_t kHasClipActions = 0x80, kHasClipDepth = 0x40, kHasName = 0x20, kHasRatio = 0x10,
                           kHasColorTransform = 0x08, kHasMatrix = 0x04, kHasCharacter = 0x02, kMove = 0x01;

  TSWFPlaceObject2() { SetCode(TSWFTagCode::PlaceObject2); }
  bool Move = false, HasCharacter = false, HasMatrix = false, HasColorTransform = false, HasRatio = false,
       HasName = false, HasClipDepth = false, HasClipActions = false;
  uint16_t Ratio = 0;
  uint16_t ClipDepth = 0;
  std::string Name;
  uint8_t Version = 3;        // the file version: decides the width of the event flags
  bool ParseActions = true;

  void SetCharacterID(uint16_t ID) override { CharacterID = ID; HasCharacter = true; }
  void SetName(std::string n) { Name = std::move(n); HasName = !Name.empty(); }
  // Created on first access, which sets their flags.
  TSWFMatrix& GetMatrix() { HasMatrix = true; return matrix_; }
  TSWFColorTransform& GetColorTransform() { HasColorTransform = true; return cxform_; }
  TSWFClipActions& GetClipActions() { HasClipActions = true; return clip_actions_; }
  const TSWFMatrix& Matrix() const { return matrix_; }
  const TSWFColorTransform& ColorTransform() const { return cxform_; }
  const TSWFClipActions& ClipActions() const { return clip_actions_; }

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void PrepareRead(const TSWFReadContext& ctx) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachReferencedID(const TIDVisitor& visit) override;
  void ForEachActionList(const TActionListVisitor& visit) override;
  std::string Describe() const override;

protected:
  bool WritesClipActions() const;
  virtual void ReadExtraFlags(TBitsEngine& be) { (void)be; }
  virtual void ReadExtraAfterDepth(TBitsEngine& be) { (void)be; }
  virtual void ReadExtraAfterClipDepth(TBitsEngine& be) { (void)be; }
  virtual void WriteExtraFlags(TBitsEngine& be) { (void)be; }
  virtual void WriteExtraAfterDepth(TBitsEngine& be) { (void)be; }
  virtual void WriteExtraAfterClipDepth(TBitsEngine& be) { (void)be; }

private:
  TSWFMatrix matrix_;
  TSWFColorTransform cxform_;
  TSWFClipActions clip_actions_;
};

// PlaceObject3. The class name follows the depth, as the format has it. The extra
// flags are read for every version: a flag that a version does not know is still a flag
// whose field is there.
class TSWFPlaceObject3 : public TSWFPlaceObject2 {
public:
  // The second flags byte.
  static constexpr uint8_t kReservedFlag = 0x80, kHasOpaqueBackground = 0x40, kHasVisible = 0x20, kHasImage = 0x10,
                           kHasClassName = 0x08, kHasCacheAsBitmap = 0x04, kHasBlendMode = 0x02,
                           kHasFilterList = 0x01;

  TSWFPlaceObject3() { SetCode(TSWFTagCode::PlaceObject3); Version = 8; }
  bool HasImage = false, HasClassName = false, HasCacheAsBitmap = false, HasBlendMode = false,
       HasFilterList = false;
  // Flags of later versions, kept with their fields so a copy loses nothing.
  bool HasVisible = false, HasOpaqueBackground = false, ReservedFlag = false;
  std::string ClassName;
  uint8_t BlendMode = 0;
  bool HasBitmapCacheValue = false;  // the optional cache byte after the blend mode
  uint8_t BitmapCacheValue = 1;
  uint8_t Visible = 1;
  TColor BackgroundColor = 0;
  // Write neither the extra flags nor their fields (with the PlaceObject2 code this is one).
  bool SkipExtras = false;

  void SetClassName(std::string n) { ClassName = std::move(n); HasClassName = !ClassName.empty(); }
  TSWFFilterList& GetFilters() { HasFilterList = true; return filters_; }
  const TSWFFilterList& Filters() const { return filters_; }

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  std::string Describe() const override;

protected:
  void ReadExtraFlags(TBitsEngine& be) override;
  void ReadExtraAfterDepth(TBitsEngine& be) override;
  void ReadExtraAfterClipDepth(TBitsEngine& be) override;
  void WriteExtraFlags(TBitsEngine& be) override;
  void WriteExtraAfterDepth(TBitsEngine& be) override;
  void WriteExtraAfterClipDepth(TBitsEngine& be) override;

private:
  TSWFFilterList filters_;
};

// --- Helpers shared by the tags that carry action blocks and display records ---

// Reads an action block that fills `be` exactly and ends with its End action (decoded, or
// kept as one raw block without the End byte). Throws FormatError otherwise.
void ReadEndedActionBlock(TBitsEngine& be, TSWFActionList& list, bool parse);
// Writes the actions and the End byte.
void WriteEndedActionBlock(TBitsEngine& be, TSWFActionList& list);
size_t CountActions(const TSWFActionList& list);
std::string DescribeMatrix(const TSWFMatrix& m);
std::string DescribeColorTransform(const TSWFColorTransform& c);

}  // namespace fc
