#include "swf/bitmaps.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "core/text.h"

namespace fc {
namespace {

// The JPEG markers that frame an image section: start and end of image, and the header of
// an erroneous end and start that old writers put before the data.
constexpr uint8_t kSOI[2] = {0xFF, 0xD8};
constexpr uint8_t kEOI[2] = {0xFF, 0xD9};
constexpr uint8_t kErrorHeader[4] = {kEOI[0], kEOI[1], kSOI[0], kSOI[1]};

bool StartsWith(std::span<const uint8_t> d, std::span<const uint8_t> p) {
  return d.size() >= p.size() && std::equal(p.begin(), p.end(), d.begin());
}

bool EndsWith(std::span<const uint8_t> d, std::span<const uint8_t> p) {
  return d.size() >= p.size() && std::equal(p.begin(), p.end(), d.end() - static_cast<std::ptrdiff_t>(p.size()));
}

const char* FramingName(TSWFJPEGFraming f) {
  switch (f) {
    case TSWFJPEGFraming::ErrorHeader: return " (FF D9 FF D8 header)";
    case TSWFJPEGFraming::Verbatim: return " (verbatim)";
    default: return "";
  }
}

}  // namespace

void TSWFImageTag::Assign(const TBasedSWFObject& Source) {
  TSWFDataObject::Assign(Source);
  const auto& s = AssignSource<TSWFImageTag>(Source);
  CharacterID = s.CharacterID;
  Framing = s.Framing;
}

void TSWFImageTag::ReadJPEGSection(std::span<const uint8_t> s) {
  OwnsData = true;
  if (StartsWith(s, kErrorHeader)) {
    Framing = TSWFJPEGFraming::ErrorHeader;
    Data.assign(s.begin() + std::size(kErrorHeader), s.end());
  } else if (s.size() >= std::size(kSOI) + std::size(kEOI) && StartsWith(s, kSOI) && EndsWith(s, kEOI)) {
    Framing = TSWFJPEGFraming::Wrapped;
    Data.assign(s.begin() + std::size(kSOI), s.end() - std::size(kEOI));
  } else {
    Framing = TSWFJPEGFraming::Verbatim;  // PNG, GIF, or too short to hold both markers
    Data.assign(s.begin(), s.end());
  }
}

void TSWFImageTag::WriteJPEGSection(TBitsEngine& be) {
  TSWFJPEGFraming f = Framing;
  if (f == TSWFJPEGFraming::Auto) {
    if (OnDataWrite) f = TSWFJPEGFraming::Verbatim;  // the event writes the whole section
    else if (StartsWith(Data, kSOI)) f = TSWFJPEGFraming::ErrorHeader;
    else f = TSWFJPEGFraming::Wrapped;
  }
  switch (f) {
    case TSWFJPEGFraming::ErrorHeader:
      be.WriteBuffer(kErrorHeader);
      WriteData(be);
      break;
    case TSWFJPEGFraming::Wrapped:
      be.WriteBuffer(kSOI);
      WriteData(be);
      be.WriteBuffer(kEOI);
      break;
    default:
      WriteData(be);
      break;
  }
}

std::string TSWFImageTag::PayloadKind() const {
  if (Framing == TSWFJPEGFraming::Verbatim) {
    static constexpr uint8_t kPNG[4] = {0x89, 'P', 'N', 'G'}, kGIF[4] = {'G', 'I', 'F', '8'};
    if (StartsWith(Data, kPNG)) return "PNG";
    if (StartsWith(Data, kGIF)) return "GIF";
  }
  return "JPEG";
}

void TSWFDefineBits::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  ReadJPEGSection(be.ReadSpan(be.Remaining(), "JPEG data"));
}

void TSWFDefineBits::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  WriteJPEGSection(be);
}

std::string TSWFDefineBits::Describe() const {
  return Format("id=%u %s data=%zu%s", CharacterID, PayloadKind().c_str(), Data.size(), FramingName(Framing));
}

void TSWFJPEGTables::ReadFromStream(TBitsEngine& be) { ReadJPEGSection(be.ReadSpan(be.Remaining(), "JPEG tables")); }

void TSWFJPEGTables::WriteTagBody(TBitsEngine& be) {
  if (Framing == TSWFJPEGFraming::Auto && Data.empty() && !OnDataWrite) return;  // no tables: an empty body
  WriteJPEGSection(be);
}

std::string TSWFJPEGTables::Describe() const { return Format("data=%zu%s", Data.size(), FramingName(Framing)); }

uint8_t TSWFDefineBitsJPEG2::MinVersion() const { return PayloadKind() == "JPEG" ? 2 : 8; }

void TSWFDefineBitsJPEG3::Assign(const TBasedSWFObject& Source) {
  TSWFDefineBitsJPEG2::Assign(Source);
  const auto& s = AssignSource<TSWFDefineBitsJPEG3>(Source);
  if (s.OnAlphaDataWrite) {
    OnAlphaDataWrite = s.OnAlphaDataWrite;
    return;
  }
  AlphaData = s.AlphaData;
  OwnsAlphaData = s.OwnsAlphaData;
}

uint8_t TSWFDefineBitsJPEG3::MinVersion() const { return PayloadKind() == "JPEG" ? 3 : 8; }

void TSWFDefineBitsJPEG3::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  const uint32_t offset = be.ReadDWord("AlphaDataOffset");
  ReadDeblock(be);
  ReadJPEGSection(be.ReadSpan(offset, "JPEG data"));
  auto alpha = be.ReadSpan(be.Remaining(), "alpha data");
  AlphaData.assign(alpha.begin(), alpha.end());
  OwnsAlphaData = true;
}

void TSWFDefineBitsJPEG3::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  const size_t offset_pos = be.Position();
  be.WriteDWord(0);
  WriteDeblock(be);
  const size_t start = be.Position();
  WriteJPEGSection(be);
  const size_t n = be.Position() - start;
  if (n > 0xFFFFFFFFu) throw Error("JPEG section longer than 4 GB");
  const uint8_t b[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                        static_cast<uint8_t>(n >> 24)};
  be.PatchBytes(offset_pos, b);
  if (OnAlphaDataWrite) OnAlphaDataWrite(*this, be);
  else be.WriteBuffer(AlphaData);
}

std::string TSWFDefineBitsJPEG3::Describe() const {
  return TSWFDefineBits::Describe() + Format(" alpha=%zu", AlphaData.size());
}

void TSWFDefineBitsJPEG4::Assign(const TBasedSWFObject& Source) {
  TSWFDefineBitsJPEG3::Assign(Source);
  DeblockParam = AssignSource<TSWFDefineBitsJPEG4>(Source).DeblockParam;
}

std::string TSWFDefineBitsJPEG4::Describe() const {
  return TSWFDefineBitsJPEG3::Describe() + " deblock=" + FormatDouble(Fixed8ToFloat(DeblockParam));
}

void TSWFDefineBitsLossless::Assign(const TBasedSWFObject& Source) {
  TSWFImageTag::Assign(Source);
  const auto& s = AssignSource<TSWFDefineBitsLossless>(Source);
  BitmapFormat = s.BitmapFormat;
  BitmapWidth = s.BitmapWidth;
  BitmapHeight = s.BitmapHeight;
  BitmapColorTableSize = s.BitmapColorTableSize;
  ShortHeaderAsRead = s.ShortHeaderAsRead;
}

void TSWFDefineBitsLossless::ReadFromStream(TBitsEngine& be) {
  CharacterID = be.ReadWord("CharacterID");
  BitmapFormat = be.ReadByte("BitmapFormat");
  BitmapWidth = be.ReadWord("BitmapWidth");
  BitmapHeight = be.ReadWord("BitmapHeight");
  if (BitmapFormat == kBitmapPalette) BitmapColorTableSize = be.ReadByte("BitmapColorTableSize");
  auto d = be.ReadSpan(be.Remaining(), "bitmap data");
  Data.assign(d.begin(), d.end());
  OwnsData = true;
}

void TSWFDefineBitsLossless::WriteTagBody(TBitsEngine& be) {
  be.WriteWord(CharacterID);
  be.WriteByte(BitmapFormat);
  be.WriteWord(BitmapWidth);
  be.WriteWord(BitmapHeight);
  if (BitmapFormat == kBitmapPalette) be.WriteByte(BitmapColorTableSize);
  WriteData(be);
}

std::string TSWFDefineBitsLossless::Describe() const {
  std::string f;
  switch (BitmapFormat) {
    case kBitmapPalette: f = Format("palette of %u", BitmapColorTableSize + 1u); break;
    case kBitmap15: f = "15-bit"; break;
    case kBitmap32: f = Code() == TSWFTagCode::DefineBitsLossless2 ? "32-bit ARGB" : "32-bit RGB"; break;
    default: f = Format("format %u", BitmapFormat); break;
  }
  return Format("id=%u %s %ux%u data=%zu", CharacterID, f.c_str(), BitmapWidth, BitmapHeight, Data.size());
}

}  // namespace fc
