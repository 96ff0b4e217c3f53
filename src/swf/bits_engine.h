#pragma once
// TBitsEngine: the one primitive through which every SWF record is written and read.
// Bit fields are packed most significant bit first, integers are little-endian.
//
// An engine either writes, appending to a byte vector it does not own, or reads from a
// bounded span of bytes. A read past the end of the span throws fc::FormatError naming the
// field and the offset, so a tag body read through an engine over exactly that body can never
// overrun it. Width fields that would wrap on write throw fc::Error naming the field.
//
// Strings are byte strings. The system code page of this program is UTF-8, so the "UTF-8"
// conversion of WriteString keeps the bytes as they are and a read string writes back
// unchanged.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"

namespace fc {

// A rectangle of four signed twip values. In the screen layout the slots are left, top,
// right, bottom; in the SWF layout the same four slots hold Xmin, Xmax, Ymin, Ymax.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TRect&) const = default;
};

struct TSWFMatrixRec {
  bool HasScale = false;
  bool HasRotate = false;
  int32_t ScaleX = 0;       // 16.16
  int32_t ScaleY = 0;       // 16.16
  int32_t RotateSkew1 = 0;  // 16.16, the second rotation term in the file
  int32_t RotateSkew0 = 0;  // 16.16, the first rotation term in the file
  int32_t TranslateX = 0;   // twips
  int32_t TranslateY = 0;   // twips
  bool operator==(const TSWFMatrixRec&) const = default;
};

struct TSWFColorTransformRec {
  int16_t AddR = 0, AddG = 0, AddB = 0, AddA = 0;
  int16_t MultR = 256, MultG = 256, MultB = 256, MultA = 256;  // 256 is 1.0
  bool HasAdd = false;
  bool HasMult = false;
  bool HasAlpha = false;
  bool operator==(const TSWFColorTransformRec&) const = default;
};

struct TSWFRGBRec {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TSWFRGBRec&) const = default;
};

// A packed colour: red | green << 8 | blue << 16 | alpha << 24.
using TColor = uint32_t;

class TBitsEngine {
public:
  // A writing engine that appends to `*out` (a pointer, so that a vector handed over for
  // reading can never pick this constructor by accident).
  explicit TBitsEngine(std::vector<uint8_t>* out) : out_(out) {}
  // A reading engine over exactly `in`; `base_offset` is where `in` starts in the file,
  // for error messages.
  explicit TBitsEngine(std::span<const uint8_t> in, uint64_t base_offset = 0)
      : in_(in), base_(base_offset) {}

  bool IsWriter() const { return out_ != nullptr; }

  // A writing engine that appends to the same bytes, from their current end, and counts its
  // positions from there. A record body written through it sees the positions it would see
  // in a buffer of its own, but lands in place: no scratch buffer, no copy. While it is in
  // use this engine must not write. Throws when this engine reads or has pending bits.
  TBitsEngine BodyWriter() {
    if (!out_ || pending_count_ > 0) FailBodyWriter();
    return TBitsEngine(out_, out_->size());
  }
  // Drops the bytes written from `pos` on (writer only; pending bits go too).
  void Truncate(size_t pos);
  // Removes `n` written bytes at `pos`; the bytes after them move down.
  void EraseBytes(size_t pos, size_t n);

  // --- Positions (of the underlying bytes; pending bits are not counted) ---
  size_t Position() const { return out_ ? out_->size() - origin_ : pos_; }
  size_t Size() const { return out_ ? out_->size() - origin_ : in_.size(); }
  size_t Remaining() const { return out_ ? 0 : in_.size() - pos_; }
  bool AtEnd() const { return Remaining() == 0; }
  uint64_t FileOffset() const { return base_ + Position(); }
  void Seek(size_t pos);                      // reader only
  void Skip(size_t n, const char* what = "skip");
  std::span<const uint8_t> ReadSpan(size_t n, const char* what = "bytes");
  std::span<const uint8_t> Rest() const { return in_.subspan(pos_); }
  // A reading engine over exactly the next n bytes; this engine moves past them.
  TBitsEngine Sub(size_t n, const char* what = "record");
  // Overwrites bytes already written (used to resolve forward branch offsets).
  void PatchBytes(size_t pos, std::span<const uint8_t> bytes) {
    if (!out_ || pos > Position() || bytes.size() > Position() - pos) FailPatch();
    std::copy(bytes.begin(), bytes.end(), out_->begin() + static_cast<std::ptrdiff_t>(origin_ + pos));
  }
  std::vector<uint8_t>& Output();

  // --- Alignment ---
  void FlushLastByte(bool Write = true) {
    if (pending_count_ > 0) FlushPendingBits(Write);
    pending_ = 0;
  }

  // --- Bit output ---
  void WriteBits(uint32_t Value, unsigned Bits);
  void WriteBit(bool Value) { WriteBits(Value ? 1 : 0, 1); }
  void WriteByte(uint8_t Value) {
    // Byte-aligned output is by far the most common case; it stays inline.
    if (pending_count_ == 0 && out_) out_->push_back(Value);
    else WriteUnalignedByte(Value);
  }
  void WriteEncodedU32(uint32_t Value);
  void WriteString(const std::string& S, bool NullTerminated = true, bool UTF8 = false);
  void WriteBuffer(const uint8_t* P, int64_t Count, bool NullTerminated = false);
  void WriteBuffer(std::span<const uint8_t> data) { WriteBuffer(data.data(), static_cast<int64_t>(data.size())); }
  void WriteEncodedString(const std::string& S);

  // --- Aligned output ---
  void WriteWord(uint16_t Value) {
    FlushLastByte(true);
    const uint8_t bytes[2] = {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8)};
    PutBytes(bytes, 2);
  }
  void WriteDWord(uint32_t Value) {
    FlushLastByte(true);
    const uint8_t bytes[4] = {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8),
                              static_cast<uint8_t>(Value >> 16), static_cast<uint8_t>(Value >> 24)};
    PutBytes(bytes, 4);
  }
  void WriteFixed(float Value);
  void WriteSingle(float Value);

  // --- Raw output (callers are aligned) ---
  void WriteRGB(TColor Packed);
  void WriteRGBA(TColor Packed);
  void WriteQWord(uint64_t Value);

  // --- Composite records ---
  void WriteRectRaw(const TRect& R);  // SWF layout
  void WriteRect(const TRect& R);     // screen layout
  void WriteMatrix(const TSWFMatrixRec& M);
  void WriteColorTransform(const TSWFColorTransformRec& C);

  // --- Input (byte reads take the next whole byte and ignore pending bits) ---
  uint8_t ReadByte(const char* what = "byte");
  uint16_t ReadWord(const char* what = "word");
  uint16_t ReadWordBE(const char* what = "word");
  uint32_t ReadDWord(const char* what = "dword");
  uint32_t ReadBytes(uint8_t Count);
  uint64_t ReadQWord(const char* what = "qword");
  float ReadSingle();
  float ReadFixed();
  double ReadDouble();
  double ReadDoubleBE();
  uint32_t ReadEncodedU32();
  std::string ReadString(const char* what = "string");
  std::string ReadFixedString(uint8_t Count);
  std::string ReadLongString(bool Encoded);
  uint32_t ReadUBits(unsigned Count);
  int32_t ReadSBits(unsigned Count);
  bool ReadBit() { return ReadUBits(1) != 0; }
  TSWFRGBRec ReadRGB();
  TColor ReadRGBA();
  TRect ReadRect();  // screen layout
  TSWFMatrixRec ReadMatrix();
  TSWFColorTransformRec ReadColorTransform(bool WithAlpha);

  [[noreturn]] void Fail(const char* what, size_t wanted) const;

private:
  void Need(size_t n, const char* what) const {
    if (n > in_.size() - pos_) Fail(what, n);
  }
  TBitsEngine(std::vector<uint8_t>* out, size_t origin) : out_(out), origin_(origin) {}
  [[noreturn]] void FailBodyWriter() const;
  void FlushPendingBits(bool Write);
  [[noreturn]] void FailPatch() const;
  void Put(uint8_t b);
  void WriteUnalignedByte(uint8_t Value);
  // Appends `n` bytes when aligned (the caller flushed).
  void PutBytes(const uint8_t* p, size_t n) {
    if (n == 0) return;
    auto& out = Out();
    out.insert(out.end(), p, p + n);
  }
  std::vector<uint8_t>& Out();

  std::vector<uint8_t>* out_ = nullptr;
  size_t origin_ = 0;  // writer: where position 0 is in *out_
  std::span<const uint8_t> in_;
  size_t pos_ = 0;
  uint64_t base_ = 0;
  uint8_t pending_ = 0;       // pending bits, right-aligned
  uint8_t pending_count_ = 0;  // 0..7 writing, 0..8 reading
};

// --- Helpers used by every tag class ---

// 0 for 0; 32 when the top bit is set; else the position of the highest set bit plus one.
uint8_t GetBitsCount(uint32_t Value);
// 0 when Value is 0; otherwise GetBitsCount(|Value|) + Add. Signed fields use Add = 1.
uint8_t GetBitsCount(int32_t Value, uint8_t Add);
// |v| with the smallest integer saturated to the largest, so nothing is undefined.
int32_t AbsSaturated(int32_t v);
int32_t MaxAbs(int32_t a, int32_t b);
int32_t MaxAbs(int32_t a, int32_t b, int32_t c, int32_t d);
// Throws fc::Error naming `field` when `bits` does not fit a width field of `width` bits.
void CheckBitWidth(unsigned bits, unsigned width, const char* field);

// `mask` when `on`, else 0. Flag bytes are written as FlagIf(HasX, kHasX) | FlagIf(...), with
// the same named masks that the reader tests.
template <typename T>
constexpr T FlagIf(bool on, T mask) {
  return on ? mask : T{};
}

// 16.16 fixed point, truncated toward zero and saturated to the 32-bit range.
int32_t FloatToFixed(double x);
float FixedToFloat(int32_t v);
// 8.8 fixed point of frame rates and font sizes.
uint16_t FloatToFixed8(double x);
float Fixed8ToFloat(uint16_t v);

TSWFRGBRec SWFRGB(uint8_t r, uint8_t g, uint8_t b);
TSWFRGBRec ColorToSWFRGB(uint32_t SystemColor);
TColor SWFRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
TColor ColorToSWFRGBA(uint32_t SystemColor, uint8_t alpha);
TColor SetAlpha(TColor packed, uint8_t alpha);

// MD5-crypt ("$1$" + two-character salt + "$" + 22 characters). A salt of fewer than two
// characters (after a leading "$1$") is replaced by two random ones.
std::string MD5Crypt(const std::string& Password, const std::string& Salt);

}  // namespace fc
