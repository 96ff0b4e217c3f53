#pragma once
// Vector shapes: fill and line styles, shape records (style changes, straight and curved
// edges, end), the four DefineShape tags and the two morph shape tags.
//
// The tag that holds a style decides how it is coded (RGB or RGBA colours, plain or
// LineStyle2 line styles, whether a style count may use the 0xFF + 16-bit form), not the
// class of the style object: a producer may put any line style into any shape and it is
// written in the layout of that shape. Index widths are computed from the style counts and
// from the indexes the records actually use, so an index is never cut to fewer bits.
// Glyph outlines of fonts are shape record lists too (ReadShapeRecords, WriteShapeRecords).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/objects.h"

namespace fc {

// How the styles inside a tag are coded. A record list without a shape (font glyphs, morph
// edges) uses the defaults: RGBA colours, plain line styles.
struct TSWFStyleFormat {
  bool HasAlpha = true;        // colours are RGBA
  bool LineStyle2 = false;     // line styles in the LineStyle2 layout (DefineShape4)
  bool ExtendedCounts = true;  // a count of 255 or more as 0xFF and a 16-bit count
};

// ---------------------------------------------------------------------------------------
// Fill styles

enum : uint8_t {
  kFillSolid = 0x00,
  kFillLinearGradient = 0x10,
  kFillRadialGradient = 0x12,
  kFillFocalGradient = 0x13,
  kFillRepeatingBitmap = 0x40,
  kFillClippedBitmap = 0x41,
  kFillNonSmoothedRepeatingBitmap = 0x42,
  kFillNonSmoothedClippedBitmap = 0x43,
};

class TSWFFillStyle {
public:
  virtual ~TSWFFillStyle() = default;
  bool HasAlpha = false;  // colours are RGBA
  uint8_t FillType = kFillSolid;

  virtual void Assign(const TSWFFillStyle& Source);
  // The payload after the type byte, which the caller has read.
  virtual void ReadFromStream(TBitsEngine& be) = 0;
  // The type byte and the payload.
  virtual void WriteToStream(TBitsEngine& be) const;
  virtual std::string Describe() const;
  // The bitmap this fill draws, for renumbering; null when it draws none.
  virtual uint16_t* BitmapIDRef() { return nullptr; }
  virtual std::unique_ptr<TSWFFillStyle> CreateSame() const = 0;
  std::unique_ptr<TSWFFillStyle> Clone() const;

protected:
  virtual void WritePayload(TBitsEngine& be) const = 0;
};

using TSWFFillStyles = std::vector<std::unique_ptr<TSWFFillStyle>>;

// A new fill object of the class for FillType; throws fc::FormatError for a type outside
// the table.
std::unique_ptr<TSWFFillStyle> CreateFillStyle(uint8_t FillType);

class TSWFColorFill : public TSWFFillStyle {
public:
  TSWFColorFill() { FillType = kFillSolid; }
  TSWFRGBA Color;
  std::unique_ptr<TSWFFillStyle> CreateSame() const override { return std::make_unique<TSWFColorFill>(); }
  void Assign(const TSWFFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  void WritePayload(TBitsEngine& be) const override;
};

struct TSWFGradientRecord {
  uint8_t Ratio = 0;
  TSWFRGBA Color;
};

// True for the bitmap fills (repeating or clipped, smoothed or not) and for the gradients
// (linear and radial; the focal gradient has a field more).
bool IsBitmapFill(uint8_t FillType);
bool IsGradientFill(uint8_t FillType);

// The byte that opens a gradient: SpreadMode << kGradientSpreadShift | InterpolationMode <<
// kGradientInterpolationShift | the record count (kGradientCountMask).
constexpr unsigned kGradientSpreadShift = 6;
constexpr unsigned kGradientInterpolationShift = 4;
constexpr uint8_t kGradientModeMask = 0x03;
constexpr uint8_t kGradientCountMask = 0x0F;

// A gradient: the byte above, then per record the ratio and the colour. At most 15 records;
// writing more raises an error.
class TSWFBaseGradientFill : public TSWFFillStyle {
public:
  TSWFBaseGradientFill() { FillType = kFillLinearGradient; }
  uint8_t SpreadMode = 0;         // 2 bits
  uint8_t InterpolationMode = 0;  // 2 bits
  std::vector<TSWFGradientRecord> Records;

  size_t Count() const { return Records.size(); }
  // Record i (0-based), added with the colour black when it is not there yet.
  TSWFGradientRecord& Record(size_t i);
  void Assign(const TSWFFillStyle& Source) override;

protected:
  void ReadGradient(TBitsEngine& be);
  void WriteGradient(TBitsEngine& be) const;
  std::string DescribeGradient() const;
};

class TSWFGradientFill : public TSWFBaseGradientFill {
public:
  TSWFMatrix Matrix;
  std::unique_ptr<TSWFFillStyle> CreateSame() const override { return std::make_unique<TSWFGradientFill>(); }
  void Assign(const TSWFFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  void WritePayload(TBitsEngine& be) const override;
};

class TSWFFocalGradientFill : public TSWFGradientFill {
public:
  TSWFFocalGradientFill() { FillType = kFillFocalGradient; }
  int16_t FocalPoint = 0;  // 255 is the edge of the gradient circle
  // Stores Round(x * 255) clamped to -255..255.
  void SetFocalPoint(float x);
  // FocalPoint / 255 clamped to -1..1.
  float GetFocalPoint() const;
  std::unique_ptr<TSWFFillStyle> CreateSame() const override { return std::make_unique<TSWFFocalGradientFill>(); }
  void Assign(const TSWFFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  void WritePayload(TBitsEngine& be) const override;
};

class TSWFImageFill : public TSWFFillStyle {
public:
  TSWFImageFill() { FillType = kFillClippedBitmap; }
  uint16_t BitmapID = 0;
  TSWFMatrix Matrix;
  std::unique_ptr<TSWFFillStyle> CreateSame() const override { return std::make_unique<TSWFImageFill>(); }
  void Assign(const TSWFFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;
  uint16_t* BitmapIDRef() override { return &BitmapID; }

protected:
  void WritePayload(TBitsEngine& be) const override;
};

// ---------------------------------------------------------------------------------------
// Line styles

class TSWFLineStyle {
public:
  TSWFLineStyle() = default;
  virtual ~TSWFLineStyle() = default;
  TSWFRGBA Color;      // written as RGBA when it has alpha
  uint16_t Width = 0;  // twips

  virtual void Assign(const TSWFLineStyle& Source);
  // Width, then the colour (RGBA when Color.HasAlpha(), else RGB).
  virtual void ReadFromStream(TBitsEngine& be);
  virtual void WriteToStream(TBitsEngine& be) const;
  virtual std::string Describe() const;
  virtual uint16_t* BitmapIDRef() { return nullptr; }
  std::unique_ptr<TSWFLineStyle> Clone() const;
  virtual std::unique_ptr<TSWFLineStyle> CreateSame() const { return std::make_unique<TSWFLineStyle>(); }
};

using TSWFLineStyles = std::vector<std::unique_ptr<TSWFLineStyle>>;

enum : uint8_t { kCapRound = 0, kCapNone = 1, kCapSquare = 2 };
enum : uint8_t { kJoinRound = 0, kJoinBevel = 1, kJoinMiter = 2 };

// The line style of DefineShape4: cap and join styles, scaling flags and an optional fill.
class TSWFLineStyle2 : public TSWFLineStyle {
public:
  // The two flags bytes (shared with TSWFMorphLineStyle2). First: StartCapStyle and
  // JoinStyle in bit pairs, then the flags; second: five reserved bits, NoClose, EndCapStyle.
  static constexpr unsigned kStartCapShift = 6, kJoinShift = 4, kEndCapShift = 0;
  static constexpr uint8_t kStyleMask = 0x03;
  static constexpr uint8_t kHasFill = 0x08, kNoHScale = 0x04, kNoVScale = 0x02, kPixelHinting = 0x01;
  static constexpr uint8_t kNoClose = 0x04;

  TSWFLineStyle2() { Color.SetHasAlpha(true); }
  bool HasFill = false;
  uint8_t StartCapStyle = kCapRound;  // 2 bits
  uint8_t JoinStyle = kJoinRound;     // 2 bits
  bool NoClose = false;
  bool NoHScale = false;
  bool NoVScale = false;
  bool PixelHinting = false;
  uint8_t EndCapStyle = kCapRound;  // 2 bits
  std::unique_ptr<TSWFFillStyle> Fill;
  float MiterLimitFactor = 0;  // written as 8.8 fixed, only with the miter join

  // FillType < 0: the current fill. Otherwise a fill of that type (the current one when it
  // already has it), with alpha; HasFill is set.
  TSWFFillStyle* GetFill(int FillType);

  void Assign(const TSWFLineStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
  std::string Describe() const override;
  uint16_t* BitmapIDRef() override { return Fill && HasFill ? Fill->BitmapIDRef() : nullptr; }
  std::unique_ptr<TSWFLineStyle> CreateSame() const override { return std::make_unique<TSWFLineStyle2>(); }
};

// Style arrays: the count (one byte; kExtendedStyleCount and a 16-bit count for 255 or more
// where the format allows it, an error naming the field otherwise), then the styles.
constexpr uint8_t kExtendedStyleCount = 0xFF;
void ReadFillStyles(TBitsEngine& be, TSWFFillStyles& list, const TSWFStyleFormat& fmt);
void WriteFillStyles(TBitsEngine& be, const TSWFFillStyles& list, const TSWFStyleFormat& fmt);
void ReadLineStyles(TBitsEngine& be, TSWFLineStyles& list, const TSWFStyleFormat& fmt);
void WriteLineStyles(TBitsEngine& be, const TSWFLineStyles& list, const TSWFStyleFormat& fmt);
void CopyFillStyles(const TSWFFillStyles& Source, TSWFFillStyles& Dest);
void CopyLineStyles(const TSWFLineStyles& Source, TSWFLineStyles& Dest);

// ---------------------------------------------------------------------------------------
// Shape records

enum : uint8_t {
  kShapeRecordEnd = 0,
  kShapeRecordStyleChange = 1,
  kShapeRecordStraightEdge = 2,
  kShapeRecordCurvedEdge = 3,
};

class TSWFShapeRecord {
public:
  virtual ~TSWFShapeRecord() = default;
  uint8_t RecordKind = kShapeRecordEnd;
  virtual void Assign(const TSWFShapeRecord& Source) = 0;
  // The record's bit fields; no alignment. A style change uses its FillBits, LineBits and
  // HasAlpha as they stand (the list writer sets them).
  virtual void WriteToStream(TBitsEngine& be) const = 0;
  virtual std::string Describe() const = 0;
};

using TSWFShapeRecords = std::vector<std::unique_ptr<TSWFShapeRecord>>;

class TSWFEndShapeRecord : public TSWFShapeRecord {
public:
  TSWFEndShapeRecord() { RecordKind = kShapeRecordEnd; }
  void Assign(const TSWFShapeRecord& Source) override;
  void WriteToStream(TBitsEngine& be) const override;  // six zero bits
  std::string Describe() const override { return "end"; }
};

class TSWFStraightEdgeRecord : public TSWFShapeRecord {
public:
  TSWFStraightEdgeRecord() { RecordKind = kShapeRecordStraightEdge; }
  TSWFStraightEdgeRecord(int32_t dx, int32_t dy) : TSWFStraightEdgeRecord() { DeltaX = dx; DeltaY = dy; }
  int32_t DeltaX = 0;  // twips
  int32_t DeltaY = 0;
  void Assign(const TSWFShapeRecord& Source) override;
  // An edge too long for one record (beyond +-65535 twips) is written as several.
  void WriteToStream(TBitsEngine& be) const override;
  std::string Describe() const override;
};

// A style change. DeltaX and DeltaY are the MoveTo coordinates.
class TSWFStyleChangeRecord : public TSWFStraightEdgeRecord {
public:
  // The five flag bits after the record's 0 type bit, most significant first. All 0 is the
  // end record.
  static constexpr uint8_t kHasNewStyles = 0x10, kHasLineStyle = 0x08, kHasFillStyle1 = 0x04,
                           kHasFillStyle0 = 0x02, kHasMoveTo = 0x01;
  static constexpr unsigned kFlagBits = 5;

  TSWFStyleChangeRecord() { RecordKind = kShapeRecordStyleChange; }
  uint8_t FillBits = 0;  // the index widths in force when the record is written
  uint8_t LineBits = 0;
  uint16_t FillStyle0 = 0;
  uint16_t FillStyle1 = 0;
  uint16_t LineStyle = 0;
  bool HasFillStyle0 = false;
  bool HasFillStyle1 = false;
  bool HasLineStyle = false;
  bool HasMoveTo = false;
  bool HasNewStyles = false;
  bool HasAlpha = false;     // colours of the new styles are RGBA
  bool LineStyle2 = false;   // new line styles in the LineStyle2 layout
  bool ExtendedCounts = true;
  // The widths that follow the new styles: at least what their counts need (the list
  // writer widens them for the indexes of the records that follow).
  uint8_t NewFillBits = 0;
  uint8_t NewLineBits = 0;

  void SetFillStyle0(uint16_t v) { FillStyle0 = v; HasFillStyle0 = true; }
  void SetFillStyle1(uint16_t v) { FillStyle1 = v; HasFillStyle1 = true; }
  void SetLineStyle(uint16_t v) { LineStyle = v; HasLineStyle = true; }
  void SetMoveTo(int32_t x, int32_t y) { DeltaX = x; DeltaY = y; HasMoveTo = true; }
  // Created on first access, which sets HasNewStyles.
  TSWFFillStyles& NewFillStyles() { HasNewStyles = true; return new_fill_styles_; }
  TSWFLineStyles& NewLineStyles() { HasNewStyles = true; return new_line_styles_; }
  const TSWFFillStyles& GetNewFillStyles() const { return new_fill_styles_; }
  const TSWFLineStyles& GetNewLineStyles() const { return new_line_styles_; }
  TSWFStyleFormat StyleFormat() const { return {HasAlpha, LineStyle2, ExtendedCounts}; }

  void Assign(const TSWFShapeRecord& Source) override;
  // Throws fc::Error when a style index does not fit its width; an index of 0 with a width
  // of 0 is left out.
  void WriteToStream(TBitsEngine& be) const override;
  std::string Describe() const override;

private:
  TSWFFillStyles new_fill_styles_;
  TSWFLineStyles new_line_styles_;
};

class TSWFCurvedEdgeRecord : public TSWFShapeRecord {
public:
  TSWFCurvedEdgeRecord() { RecordKind = kShapeRecordCurvedEdge; }
  TSWFCurvedEdgeRecord(int32_t cx, int32_t cy, int32_t ax, int32_t ay) : TSWFCurvedEdgeRecord() {
    ControlDeltaX = cx; ControlDeltaY = cy; AnchorDeltaX = ax; AnchorDeltaY = ay;
  }
  int32_t AnchorDeltaX = 0, AnchorDeltaY = 0;    // twips, from the control point
  int32_t ControlDeltaX = 0, ControlDeltaY = 0;  // twips, from the current point
  void Assign(const TSWFShapeRecord& Source) override;
  // A curve whose deltas are all 0 writes nothing; one too large for a record is split in
  // halves until each part fits (the end point stays exact).
  void WriteToStream(TBitsEngine& be) const override;
  std::string Describe() const override;
};

// A new record of the kind, empty.
std::unique_ptr<TSWFShapeRecord> CreateShapeRecord(uint8_t RecordKind);
// Replaces Dest by deep copies of the records of Source.
void CopyShapeRecords(const TSWFShapeRecords& Source, TSWFShapeRecords& Dest);

struct TSWFStyleBits {
  uint8_t Fill = 0;
  uint8_t Line = 0;
};

// The index widths for a record list that starts with `fill_count` fill and `line_count`
// line styles: wide enough for the counts and for every index used up to the first record
// that brings new styles. Throws when a width exceeds the 4-bit field.
TSWFStyleBits StyleBitsFor(const TSWFShapeRecords& List, size_t fill_count, size_t line_count);

// Appends the records up to and including the end record (kept in the list), then aligns.
// New styles inside style changes are read in `fmt`.
void ReadShapeRecords(TBitsEngine& be, TSWFShapeRecords& List, uint8_t FillBits, uint8_t LineBits,
                      const TSWFStyleFormat& fmt = {});
// Writes the records with the given starting widths (the widths byte is the caller's): an
// end record that is not the last is skipped, one is appended when the list does not end
// with it, widths switch after a style change with new styles; then aligns. Sets FillBits,
// LineBits and the format of every style change. Throws fc::Error naming the field when a
// value does not fit.
void WriteShapeRecords(TBitsEngine& be, TSWFShapeRecords& List, uint8_t FillBits, uint8_t LineBits,
                       const TSWFStyleFormat& fmt = {});
// "3 edges, 1 curve, 2 style changes".
std::string DescribeShapeRecords(const TSWFShapeRecords& List);

// ---------------------------------------------------------------------------------------
// DefineShape 1 to 4

class TSWFDefineShape : public TSWFObject {
public:
  TSWFDefineShape() { SetCode(TSWFTagCode::DefineShape); }
  uint16_t ShapeID = 0;
  TSWFRect ShapeBounds;
  TSWFFillStyles FillStyles;
  TSWFLineStyles LineStyles;
  TSWFShapeRecords Records;
  // Colours are RGBA in DefineShape3 and 4; the class decides.
  bool HasAlpha() const;

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 1; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(ShapeID); }
  void ForEachReferencedID(const TIDVisitor& visit) override;
  std::string Describe() const override;
  TSWFStyleFormat StyleFormat() const;

protected:
  virtual void ReadExtra(TBitsEngine& be) { (void)be; }
  virtual void WriteExtra(TBitsEngine& be) { (void)be; }
};

class TSWFDefineShape2 : public TSWFDefineShape {
public:
  TSWFDefineShape2() { SetCode(TSWFTagCode::DefineShape2); }
  uint8_t MinVersion() const override { return 2; }
};

class TSWFDefineShape3 : public TSWFDefineShape2 {
public:
  TSWFDefineShape3() { SetCode(TSWFTagCode::DefineShape3); }
  uint8_t MinVersion() const override { return 3; }
};

class TSWFDefineShape4 : public TSWFDefineShape3 {
public:
  TSWFDefineShape4() { SetCode(TSWFTagCode::DefineShape4); }
  TSWFRect EdgeBounds;
  bool UsesNonScalingStrokes = false;  // derived from the line styles on write
  bool UsesScalingStrokes = false;
  bool UsesFillWindingRule = false;    // kept as read
  uint8_t ReservedFlags = 0;           // the other bits of the flags byte, kept as read
  void Assign(const TBasedSWFObject& Source) override;  // from a shape 1 to 3: edge bounds = bounds
  uint8_t MinVersion() const override { return 8; }
  std::string Describe() const override;

protected:
  void ReadExtra(TBitsEngine& be) override;
  void WriteExtra(TBitsEngine& be) override;
};

// ---------------------------------------------------------------------------------------
// Morph styles

class TSWFMorphFillStyle {
public:
  virtual ~TSWFMorphFillStyle() = default;
  uint8_t FillType = kFillSolid;
  virtual void Assign(const TSWFMorphFillStyle& Source);
  virtual void ReadFromStream(TBitsEngine& be) = 0;  // after the type byte
  virtual void WriteToStream(TBitsEngine& be) const;  // the type byte and the payload
  virtual std::string Describe() const;
  virtual uint16_t* BitmapIDRef() { return nullptr; }
  virtual std::unique_ptr<TSWFMorphFillStyle> CreateSame() const = 0;
  std::unique_ptr<TSWFMorphFillStyle> Clone() const;

protected:
  virtual void WritePayload(TBitsEngine& be) const = 0;
};

using TSWFMorphFillStyles = std::vector<std::unique_ptr<TSWFMorphFillStyle>>;

std::unique_ptr<TSWFMorphFillStyle> CreateMorphFillStyle(uint8_t FillType);

class TSWFMorphColorFill : public TSWFMorphFillStyle {
public:
  TSWFMorphColorFill() { FillType = kFillSolid; }
  TSWFRGBA StartColor{true};
  TSWFRGBA EndColor{true};
  std::unique_ptr<TSWFMorphFillStyle> CreateSame() const override { return std::make_unique<TSWFMorphColorFill>(); }
  void Assign(const TSWFMorphFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  void WritePayload(TBitsEngine& be) const override;
};

struct TSWFMorphGradientRecord {
  uint8_t StartRatio = 0;
  TSWFRGBA StartColor{true};
  uint8_t EndRatio = 0;
  TSWFRGBA EndColor{true};
};

// Both matrices, the gradient byte (spread and interpolation modes as read, then the count),
// and per record the start and end ratio and colour (always RGBA).
class TSWFMorphGradientFill : public TSWFMorphFillStyle {
public:
  TSWFMorphGradientFill() { FillType = kFillLinearGradient; }
  TSWFMatrix StartMatrix;
  TSWFMatrix EndMatrix;
  uint8_t SpreadMode = 0;
  uint8_t InterpolationMode = 0;
  std::vector<TSWFMorphGradientRecord> Records;
  size_t Count() const { return Records.size(); }
  TSWFMorphGradientRecord& Record(size_t i);
  std::unique_ptr<TSWFMorphFillStyle> CreateSame() const override { return std::make_unique<TSWFMorphGradientFill>(); }
  void Assign(const TSWFMorphFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  void WritePayload(TBitsEngine& be) const override;
};

class TSWFMorphFocalGradientFill : public TSWFMorphGradientFill {
public:
  TSWFMorphFocalGradientFill() { FillType = kFillFocalGradient; }
  int16_t StartFocalPoint = 0;
  int16_t EndFocalPoint = 0;
  std::unique_ptr<TSWFMorphFillStyle> CreateSame() const override { return std::make_unique<TSWFMorphFocalGradientFill>(); }
  void Assign(const TSWFMorphFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  void WritePayload(TBitsEngine& be) const override;
};

class TSWFMorphImageFill : public TSWFMorphFillStyle {
public:
  TSWFMorphImageFill() { FillType = kFillClippedBitmap; }
  uint16_t BitmapID = 0;
  TSWFMatrix StartMatrix;
  TSWFMatrix EndMatrix;
  std::unique_ptr<TSWFMorphFillStyle> CreateSame() const override { return std::make_unique<TSWFMorphImageFill>(); }
  void Assign(const TSWFMorphFillStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  std::string Describe() const override;
  uint16_t* BitmapIDRef() override { return &BitmapID; }

protected:
  void WritePayload(TBitsEngine& be) const override;
};

class TSWFMorphLineStyle {
public:
  virtual ~TSWFMorphLineStyle() = default;
  uint16_t StartWidth = 0;
  uint16_t EndWidth = 0;
  TSWFRGBA StartColor{true};
  TSWFRGBA EndColor{true};
  virtual void Assign(const TSWFMorphLineStyle& Source);
  virtual void ReadFromStream(TBitsEngine& be);
  virtual void WriteToStream(TBitsEngine& be) const;
  virtual std::string Describe() const;
  virtual uint16_t* BitmapIDRef() { return nullptr; }
  std::unique_ptr<TSWFMorphLineStyle> Clone() const;
  virtual std::unique_ptr<TSWFMorphLineStyle> CreateSame() const { return std::make_unique<TSWFMorphLineStyle>(); }
};

using TSWFMorphLineStyles = std::vector<std::unique_ptr<TSWFMorphLineStyle>>;

class TSWFMorphLineStyle2 : public TSWFMorphLineStyle {
public:
  bool HasFill = false;
  uint8_t StartCapStyle = kCapRound;
  uint8_t JoinStyle = kJoinRound;
  bool NoClose = false;
  bool NoHScale = false;
  bool NoVScale = false;
  bool PixelHinting = false;
  uint8_t EndCapStyle = kCapRound;
  std::unique_ptr<TSWFMorphFillStyle> Fill;
  float MiterLimitFactor = 0;

  // As TSWFLineStyle2::GetFill.
  TSWFMorphFillStyle* GetFill(int FillType);
  void Assign(const TSWFMorphLineStyle& Source) override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteToStream(TBitsEngine& be) const override;
  std::string Describe() const override;
  uint16_t* BitmapIDRef() override { return Fill && HasFill ? Fill->BitmapIDRef() : nullptr; }
  std::unique_ptr<TSWFMorphLineStyle> CreateSame() const override { return std::make_unique<TSWFMorphLineStyle2>(); }
};

// ---------------------------------------------------------------------------------------
// DefineMorphShape and DefineMorphShape2

class TSWFDefineMorphShape : public TSWFObject {
public:
  TSWFDefineMorphShape() { SetCode(TSWFTagCode::DefineMorphShape); }
  uint16_t CharacterID = 0;
  TSWFRect StartBounds;
  TSWFRect EndBounds;
  TSWFMorphFillStyles MorphFillStyles;
  TSWFMorphLineStyles MorphLineStyles;
  TSWFShapeRecords StartEdges;
  TSWFShapeRecords EndEdges;

  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 3; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(CharacterID); }
  void ForEachReferencedID(const TIDVisitor& visit) override;
  std::string Describe() const override;

protected:
  virtual bool IsMorph2() const { return false; }
  virtual void ReadExtra(TBitsEngine& be) { (void)be; }
  virtual void WriteExtra(TBitsEngine& be) { (void)be; }
};

class TSWFDefineMorphShape2 : public TSWFDefineMorphShape {
public:
  TSWFDefineMorphShape2() { SetCode(TSWFTagCode::DefineMorphShape2); }
  TSWFRect StartEdgeBounds;
  TSWFRect EndEdgeBounds;
  bool UsesNonScalingStrokes = false;  // derived from the line styles on write
  bool UsesScalingStrokes = false;
  uint8_t ReservedFlags = 0;  // the other bits of the flags byte, kept as read
  // From a plain morph shape: its bounds become the edge bounds and its line styles become
  // TSWFMorphLineStyle2 with the same widths and colours.
  void Assign(const TBasedSWFObject& Source) override;
  std::string Describe() const override;

protected:
  bool IsMorph2() const override { return true; }
  void ReadExtra(TBitsEngine& be) override;
  void WriteExtra(TBitsEngine& be) override;
};

}  // namespace fc
