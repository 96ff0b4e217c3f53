#include "swf/bits_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/text.h"

namespace fc {

// ---------------------------------------------------------------------------------------
// Positions

void TBitsEngine::Fail(const char* what, size_t wanted) const {
  throw FormatError(Format("%s: %zu byte(s) wanted at offset %llu, %zu left", what, wanted,
                           static_cast<unsigned long long>(FileOffset()), Remaining()));
}

std::vector<uint8_t>& TBitsEngine::Out() {
  if (!out_) throw Error("the bit engine was made for reading");
  return *out_;
}

std::vector<uint8_t>& TBitsEngine::Output() { return Out(); }

void TBitsEngine::FailBodyWriter() const {
  if (!out_) throw Error("the bit engine was made for reading");
  throw Error("a record body must start on a byte boundary");
}

void TBitsEngine::FailPatch() const {
  if (!out_) throw Error("the bit engine was made for reading");
  throw Error("patch outside the written bytes");
}

void TBitsEngine::Truncate(size_t pos) {
  auto& out = Out();
  if (pos > out.size() - origin_) throw Error("truncate past the written bytes");
  out.resize(origin_ + pos);
  pending_ = 0;
  pending_count_ = 0;
}

void TBitsEngine::EraseBytes(size_t pos, size_t n) {
  auto& out = Out();
  if (pos > out.size() - origin_ || n > out.size() - origin_ - pos) throw Error("erase outside the written bytes");
  const auto first = out.begin() + static_cast<std::ptrdiff_t>(origin_ + pos);
  out.erase(first, first + static_cast<std::ptrdiff_t>(n));
}

void TBitsEngine::Seek(size_t pos) {
  if (out_) throw Error("the bit engine cannot seek while writing");
  if (pos > in_.size()) Fail("seek", pos - pos_);
  pos_ = pos;
  pending_count_ = 0;
}

void TBitsEngine::Skip(size_t n, const char* what) {
  Need(n, what);
  pos_ += n;
}

std::span<const uint8_t> TBitsEngine::ReadSpan(size_t n, const char* what) {
  Need(n, what);
  auto s = in_.subspan(pos_, n);
  pos_ += n;
  return s;
}

TBitsEngine TBitsEngine::Sub(size_t n, const char* what) {
  const uint64_t base = FileOffset();
  return TBitsEngine(ReadSpan(n, what), base);
}

void TBitsEngine::Put(uint8_t b) { Out().push_back(b); }

// ---------------------------------------------------------------------------------------
// Output

void TBitsEngine::FlushPendingBits(bool Write) {
  if (Write && out_) WriteBits(0, 8 - pending_count_);
  pending_ = 0;
  pending_count_ = 0;
}

void TBitsEngine::WriteBits(uint32_t Value, unsigned Bits) {
  if (Bits == 0) return;
  if (Bits > 32) throw Error(Format("bit field of %u bits", Bits));
  auto& out = Out();
  const uint64_t v = Bits == 32 ? Value : (Value & ((1u << Bits) - 1));
  uint64_t acc = (static_cast<uint64_t>(pending_) << Bits) | v;
  unsigned total = pending_count_ + Bits;
  while (total >= 8) {
    out.push_back(static_cast<uint8_t>(acc >> (total - 8)));
    total -= 8;
  }
  pending_count_ = static_cast<uint8_t>(total);
  pending_ = static_cast<uint8_t>(acc & ((1u << total) - 1));
}

void TBitsEngine::WriteUnalignedByte(uint8_t Value) {
  if (pending_count_ > 0) WriteBits(Value, 8);
  else Put(Value);
}

void TBitsEngine::WriteEncodedU32(uint32_t Value) {
  do {
    uint8_t b = Value & 0x7F;
    Value >>= 7;
    if (Value) b |= 0x80;
    WriteByte(b);
  } while (Value);
}

void TBitsEngine::WriteString(const std::string& S, bool NullTerminated, bool /*UTF8*/) {
  // The system code page is UTF-8: the conversion keeps the bytes.
  if (pending_count_ == 0) PutBytes(reinterpret_cast<const uint8_t*>(S.data()), S.size());
  else for (char c : S) WriteByte(static_cast<uint8_t>(c));
  if (NullTerminated) WriteByte(0);
}

void TBitsEngine::WriteBuffer(const uint8_t* P, int64_t Count, bool NullTerminated) {
  if (Count > 0) {
    if (pending_count_ == 0) Out().insert(Out().end(), P, P + Count);
    else for (int64_t i = 0; i < Count; ++i) WriteByte(P[i]);
  }
  if (NullTerminated) WriteByte(0);
}

void TBitsEngine::WriteEncodedString(const std::string& S) {
  if (S.size() > std::numeric_limits<uint32_t>::max()) throw Error("encoded string longer than 4 GB");
  WriteEncodedU32(static_cast<uint32_t>(S.size()));
  WriteString(S, false);
}


void TBitsEngine::WriteFixed(float Value) { WriteDWord(static_cast<uint32_t>(FloatToFixed(Value))); }

void TBitsEngine::WriteSingle(float Value) { WriteDWord(std::bit_cast<uint32_t>(Value)); }

void TBitsEngine::WriteRGB(TColor Packed) {
  Put(Packed & 0xFF);
  Put((Packed >> 8) & 0xFF);
  Put((Packed >> 16) & 0xFF);
}

void TBitsEngine::WriteRGBA(TColor Packed) {
  WriteRGB(Packed);
  Put(Packed >> 24);
}

void TBitsEngine::WriteQWord(uint64_t Value) {
  for (int i = 0; i < 8; ++i) Put(static_cast<uint8_t>(Value >> (8 * i)));
}

void TBitsEngine::WriteRectRaw(const TRect& R) {
  const uint8_t n = GetBitsCount(MaxAbs(R.Left, R.Top, R.Right, R.Bottom), 1);
  CheckBitWidth(n, 5, "rectangle coordinates");
  WriteBits(n, 5);
  WriteBits(static_cast<uint32_t>(R.Left), n);
  WriteBits(static_cast<uint32_t>(R.Top), n);
  WriteBits(static_cast<uint32_t>(R.Right), n);
  WriteBits(static_cast<uint32_t>(R.Bottom), n);
  FlushLastByte(true);
}

void TBitsEngine::WriteRect(const TRect& R) {
  WriteRectRaw(TRect{std::min(R.Left, R.Right), std::max(R.Left, R.Right), std::min(R.Top, R.Bottom),
                     std::max(R.Top, R.Bottom)});
}

void TBitsEngine::WriteMatrix(const TSWFMatrixRec& M) {
  WriteBit(M.HasScale);
  if (M.HasScale) {
    const uint8_t n = GetBitsCount(MaxAbs(M.ScaleX, M.ScaleY), 1);
    CheckBitWidth(n, 5, "matrix scale");
    WriteBits(n, 5);
    WriteBits(static_cast<uint32_t>(M.ScaleX), n);
    WriteBits(static_cast<uint32_t>(M.ScaleY), n);
  }
  WriteBit(M.HasRotate);
  if (M.HasRotate) {
    const uint8_t n = GetBitsCount(MaxAbs(M.RotateSkew0, M.RotateSkew1), 1);
    CheckBitWidth(n, 5, "matrix rotation");
    WriteBits(n, 5);
    WriteBits(static_cast<uint32_t>(M.RotateSkew0), n);
    WriteBits(static_cast<uint32_t>(M.RotateSkew1), n);
  }
  const uint8_t n = GetBitsCount(MaxAbs(M.TranslateX, M.TranslateY), 1);
  CheckBitWidth(n, 5, "matrix translation");
  WriteBits(n, 5);
  if (n) {
    WriteBits(static_cast<uint32_t>(M.TranslateX), n);
    WriteBits(static_cast<uint32_t>(M.TranslateY), n);
  }
  FlushLastByte(true);
}

void TBitsEngine::WriteColorTransform(const TSWFColorTransformRec& C) {
  WriteBit(C.HasAdd);
  WriteBit(C.HasMult);
  if (C.HasAdd || C.HasMult) {
    uint8_t n = 0;
    if (C.HasAdd) {
      int32_t m = MaxAbs(C.AddR, C.AddG, C.AddB, C.HasAlpha ? C.AddA : 0);
      n = std::max(n, GetBitsCount(m, 1));
    }
    if (C.HasMult) {
      int32_t m = MaxAbs(C.MultR, C.MultG, C.MultB, C.HasAlpha ? C.MultA : 0);
      n = std::max(n, GetBitsCount(m, 1));
    }
    CheckBitWidth(n, 4, "colour transform terms");
    WriteBits(n, 4);
    if (C.HasMult) {
      WriteBits(static_cast<uint16_t>(C.MultR), n);
      WriteBits(static_cast<uint16_t>(C.MultG), n);
      WriteBits(static_cast<uint16_t>(C.MultB), n);
      if (C.HasAlpha) WriteBits(static_cast<uint16_t>(C.MultA), n);
    }
    if (C.HasAdd) {
      WriteBits(static_cast<uint16_t>(C.AddR), n);
      WriteBits(static_cast<uint16_t>(C.AddG), n);
      WriteBits(static_cast<uint16_t>(C.AddB), n);
      if (C.HasAlpha) WriteBits(static_cast<uint16_t>(C.AddA), n);
    }
  }
  FlushLastByte(true);
}

// ---------------------------------------------------------------------------------------
// Input

uint8_t TBitsEngine::ReadByte(const char* what) {
  Need(1, what);
  return in_[pos_++];
}

uint16_t TBitsEngine::ReadWord(const char* what) {
  Need(2, what);
  const uint16_t v = static_cast<uint16_t>(in_[pos_] | (in_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint16_t TBitsEngine::ReadWordBE(const char* what) {
  Need(2, what);
  const uint16_t v = static_cast<uint16_t>((in_[pos_] << 8) | in_[pos_ + 1]);
  pos_ += 2;
  return v;
}

uint32_t TBitsEngine::ReadDWord(const char* what) {
  Need(4, what);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | in_[pos_ + i];
  pos_ += 4;
  return v;
}

uint64_t TBitsEngine::ReadQWord(const char* what) {
  Need(8, what);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in_[pos_ + i];
  pos_ += 8;
  return v;
}

uint32_t TBitsEngine::ReadBytes(uint8_t Count) {
  const unsigned n = std::min<unsigned>(Count, 4);
  Need(n, "bytes");
  uint32_t v = 0;
  for (unsigned i = 0; i < n; ++i) v |= static_cast<uint32_t>(in_[pos_ + i]) << (8 * i);
  pos_ += n;
  return v;
}

float TBitsEngine::ReadSingle() { return std::bit_cast<float>(ReadDWord("single")); }

float TBitsEngine::ReadFixed() { return static_cast<float>(static_cast<int32_t>(ReadDWord("fixed")) / 65536.0); }

double TBitsEngine::ReadDouble() { return std::bit_cast<double>(ReadQWord("double")); }

double TBitsEngine::ReadDoubleBE() {
  Need(8, "double");
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | in_[pos_ + i];
  pos_ += 8;
  return std::bit_cast<double>(v);
}

uint32_t TBitsEngine::ReadEncodedU32() {
  uint32_t v = 0;
  for (int i = 0; i < 5; ++i) {
    const uint8_t b = ReadByte("encoded integer");
    v |= static_cast<uint32_t>(b & 0x7F) << (7 * i);
    if (!(b & 0x80)) break;
  }
  return v;
}

std::string TBitsEngine::ReadString(const char* what) {
  for (size_t i = pos_; i < in_.size(); ++i) {
    if (in_[i] == 0) {
      std::string s(reinterpret_cast<const char*>(in_.data() + pos_), i - pos_);
      pos_ = i + 1;
      return s;
    }
  }
  Fail(what, Remaining() + 1);
}

std::string TBitsEngine::ReadFixedString(uint8_t Count) {
  auto b = ReadSpan(Count, "string");
  auto end = std::find(b.begin(), b.end(), uint8_t{0});
  return std::string(b.begin(), end);
}

std::string TBitsEngine::ReadLongString(bool Encoded) {
  const uint32_t len = Encoded ? ReadEncodedU32() : ReadWordBE("string length");
  if (len == 0) return {};
  if (len <= 255) return ReadFixedString(static_cast<uint8_t>(len));
  auto b = ReadSpan(len, "string");
  return std::string(b.begin(), b.end());
}

uint32_t TBitsEngine::ReadUBits(unsigned Count) {
  if (Count == 0) return 0;
  if (Count > 32) throw FormatError(Format("bit field of %u bits at offset %llu", Count,
                                           static_cast<unsigned long long>(FileOffset())));
  uint64_t v = 0;
  while (Count > 0) {
    if (pending_count_ == 0) {
      pending_ = ReadByte("bit field");
      pending_count_ = 8;
    }
    const unsigned take = std::min<unsigned>(Count, pending_count_);
    const unsigned shift = pending_count_ - take;
    v = (v << take) | ((pending_ >> shift) & ((1u << take) - 1));
    pending_count_ = static_cast<uint8_t>(shift);
    Count -= take;
  }
  return static_cast<uint32_t>(v);
}

int32_t TBitsEngine::ReadSBits(unsigned Count) {
  const uint32_t u = ReadUBits(Count);
  if (Count == 0 || Count >= 32) return static_cast<int32_t>(u);
  const uint32_t sign = 1u << (Count - 1);
  return static_cast<int32_t>((u ^ sign) - sign);
}

TSWFRGBRec TBitsEngine::ReadRGB() {
  auto b = ReadSpan(3, "RGB");
  return {b[0], b[1], b[2]};
}

TColor TBitsEngine::ReadRGBA() {
  auto b = ReadSpan(4, "RGBA");
  return SWFRGBA(b[0], b[1], b[2], b[3]);
}

TRect TBitsEngine::ReadRect() {
  const unsigned n = ReadUBits(5);
  TRect r;
  r.Left = ReadSBits(n);
  r.Right = ReadSBits(n);
  r.Top = ReadSBits(n);
  r.Bottom = ReadSBits(n);
  FlushLastByte(false);
  return r;
}

TSWFMatrixRec TBitsEngine::ReadMatrix() {
  TSWFMatrixRec m;
  m.HasScale = ReadBit();
  if (m.HasScale) {
    const unsigned n = ReadUBits(5);
    m.ScaleX = ReadSBits(n);
    m.ScaleY = ReadSBits(n);
  }
  m.HasRotate = ReadBit();
  if (m.HasRotate) {
    const unsigned n = ReadUBits(5);
    m.RotateSkew0 = ReadSBits(n);
    m.RotateSkew1 = ReadSBits(n);
  }
  const unsigned n = ReadUBits(5);
  m.TranslateX = ReadSBits(n);
  m.TranslateY = ReadSBits(n);
  FlushLastByte(false);
  return m;
}

TSWFColorTransformRec TBitsEngine::ReadColorTransform(bool WithAlpha) {
  TSWFColorTransformRec c;
  c.HasAlpha = WithAlpha;
  c.HasAdd = ReadBit();
  c.HasMult = ReadBit();
  const unsigned n = ReadUBits(4);
  auto term = [&] { return static_cast<int16_t>(ReadSBits(n)); };
  if (c.HasMult) {
    c.MultR = term();
    c.MultG = term();
    c.MultB = term();
    if (WithAlpha) c.MultA = term();
  }
  if (c.HasAdd) {
    c.AddR = term();
    c.AddG = term();
    c.AddB = term();
    if (WithAlpha) c.AddA = term();
  }
  FlushLastByte(false);
  return c;
}

// ---------------------------------------------------------------------------------------
// Helpers

uint8_t GetBitsCount(uint32_t Value) { return static_cast<uint8_t>(std::bit_width(Value)); }

int32_t AbsSaturated(int32_t v) {
  if (v == std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::max();
  return v < 0 ? -v : v;
}

uint8_t GetBitsCount(int32_t Value, uint8_t Add) {
  if (Value == 0) return 0;
  // The smallest integer needs exactly 32 signed bits; its magnitude is taken unsigned.
  const uint32_t mag = Value < 0 ? 0u - static_cast<uint32_t>(Value) : static_cast<uint32_t>(Value);
  return static_cast<uint8_t>(GetBitsCount(mag) + Add);
}

int32_t MaxAbs(int32_t a, int32_t b) { return std::max(AbsSaturated(a), AbsSaturated(b)); }

int32_t MaxAbs(int32_t a, int32_t b, int32_t c, int32_t d) { return std::max(MaxAbs(a, b), MaxAbs(c, d)); }

void CheckBitWidth(unsigned bits, unsigned width, const char* field) {
  if (bits >= (1u << width))
    throw Error(Format("%s: %u bits do not fit the %u-bit width field", field, bits, width));
}

int32_t FloatToFixed(double x) {
  if (std::isnan(x)) return 0;
  const double v = std::trunc(x * 65536.0);
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

float FixedToFloat(int32_t v) { return static_cast<float>(v / 65536.0); }

uint16_t FloatToFixed8(double x) {
  if (!std::isfinite(x)) return 0;
  x = std::clamp(x, -32768.0, 32768.0);
  const double ip = std::trunc(x);
  const double frac = std::nearbyint((x - ip) * 256.0);  // halves to even
  const int64_t v = static_cast<int64_t>(ip) * 256 + static_cast<int64_t>(frac);
  return static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xFFFF);
}

float Fixed8ToFloat(uint16_t v) { return static_cast<float>((v >> 8) + (v & 255) / 256.0); }

TSWFRGBRec SWFRGB(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }

namespace {
// System colours carry 0x80000000 plus an index; this program has no desktop theme to ask,
// so they resolve to the classic defaults.
uint32_t ResolveSystemColor(uint32_t c) {
  if (!(c & 0x80000000u)) return c & 0xFFFFFF;
  static constexpr uint32_t kDefaults[] = {
      0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
      0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
      0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
      0xE1FFFF};
  const uint32_t i = c & 0xFF;
  return i < std::size(kDefaults) ? kDefaults[i] : 0;
}
}  // namespace

TSWFRGBRec ColorToSWFRGB(uint32_t SystemColor) {
  const uint32_t c = ResolveSystemColor(SystemColor);
  return {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
}

TColor SWFRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return r | (g << 8) | (b << 16) | (static_cast<uint32_t>(a) << 24);
}

TColor ColorToSWFRGBA(uint32_t SystemColor, uint8_t alpha) {
  const TSWFRGBRec c = ColorToSWFRGB(SystemColor);
  return SWFRGBA(c.R, c.G, c.B, alpha);
}

TColor SetAlpha(TColor packed, uint8_t alpha) {
  return (packed & 0xFFFFFF) | (static_cast<uint32_t>(alpha) << 24);
}

}  // namespace fc
