#pragma once
// Bitmap tags: JPEG sections (with shared tables, alpha and deblocking), and zlib-compressed
// lossless bitmaps. The payloads are framed, never decoded.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "swf/objects.h"

namespace fc {

// How a JPEG section frames Data. Auto is for objects made by a producer: a Data that starts
// with its own start marker is written after FF D9 FF D8, any other Data between FF D8 and
// FF D9. A section read from a file keeps the framing it had; one that is not a framed JPEG
// (PNG or GIF data, a section shorter than 4 bytes) is kept verbatim.
enum class TSWFJPEGFraming : uint8_t { Auto, Wrapped, ErrorHeader, Verbatim };

class TSWFImageTag : public TSWFDataObject {
public:
  uint16_t CharacterID = 0;
  TSWFJPEGFraming Framing = TSWFJPEGFraming::Auto;
  void Assign(const TBasedSWFObject& Source) override;
  void ForEachDefinedID(const TIDVisitor& visit) override { visit(CharacterID); }

protected:
  void ReadJPEGSection(std::span<const uint8_t> section);
  void WriteJPEGSection(TBitsEngine& be);
  // "JPEG", "PNG" or "GIF" by the first bytes of the section.
  std::string PayloadKind() const;
};

class TSWFDefineBits : public TSWFImageTag {
public:
  TSWFDefineBits() { SetCode(TSWFTagCode::DefineBits); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFJPEGTables : public TSWFImageTag {
public:
  TSWFJPEGTables() { SetCode(TSWFTagCode::JPEGTables); }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  void ForEachDefinedID(const TIDVisitor&) override {}
  std::string Describe() const override;
};

class TSWFDefineBitsJPEG2 : public TSWFDefineBits {
public:
  TSWFDefineBitsJPEG2() { SetCode(TSWFTagCode::DefineBitsJPEG2); }
  uint8_t MinVersion() const override;
};

class TSWFDefineBitsJPEG3 : public TSWFDefineBitsJPEG2 {
public:
  TSWFDefineBitsJPEG3() { SetCode(TSWFTagCode::DefineBitsJPEG3); }
  std::vector<uint8_t> AlphaData;  // zlib-compressed alpha plane
  bool OwnsAlphaData = true;
  std::function<void(TSWFDataObject& sender, TBitsEngine& be)> OnAlphaDataWrite;
  int32_t AlphaDataSize() const { return static_cast<int32_t>(AlphaData.size()); }
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override;
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;

protected:
  virtual void ReadDeblock(TBitsEngine& be) { (void)be; }
  virtual void WriteDeblock(TBitsEngine& be) { (void)be; }
};

class TSWFDefineBitsJPEG4 : public TSWFDefineBitsJPEG3 {
public:
  TSWFDefineBitsJPEG4() { SetCode(TSWFTagCode::DefineBitsJPEG4); }
  uint16_t DeblockParam = 0;  // 8.8
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 10; }
  std::string Describe() const override;

protected:
  void ReadDeblock(TBitsEngine& be) override { DeblockParam = be.ReadWord("DeblockParam"); }
  void WriteDeblock(TBitsEngine& be) override { be.WriteWord(DeblockParam); }
};

enum : uint8_t { kBitmapPalette = 3, kBitmap15 = 4, kBitmap32 = 5 };

class TSWFDefineBitsLossless : public TSWFImageTag {
public:
  TSWFDefineBitsLossless() { SetCode(TSWFTagCode::DefineBitsLossless); }
  uint8_t BitmapFormat = kBitmap32;
  uint16_t BitmapWidth = 0, BitmapHeight = 0;
  uint8_t BitmapColorTableSize = 0;  // palette entries - 1, format 3 only
  // Another tool's short header on this always-long code is kept for a copy.
  bool ShortHeaderAsRead = false;
  bool UsesLongHeader(uint32_t body_size) const override {
    return ShortHeaderAsRead && body_size < 63 ? false : TSWFImageTag::UsesLongHeader(body_size);
  }
  void PrepareRead(const TSWFReadContext& ctx) override { ShortHeaderAsRead = !ctx.LongHeader; }
  void Assign(const TBasedSWFObject& Source) override;
  uint8_t MinVersion() const override { return 2; }
  void ReadFromStream(TBitsEngine& be) override;
  void WriteTagBody(TBitsEngine& be) override;
  std::string Describe() const override;
};

class TSWFDefineBitsLossless2 : public TSWFDefineBitsLossless {
public:
  TSWFDefineBitsLossless2() { SetCode(TSWFTagCode::DefineBitsLossless2); }
  uint8_t MinVersion() const override { return 3; }
};

}  // namespace fc
