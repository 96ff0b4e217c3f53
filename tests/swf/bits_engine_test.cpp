#include "swf/bits_engine.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace fc {
namespace {

using Bytes = std::vector<uint8_t>;

template <typename F>
Bytes Written(F f) {
  Bytes out;
  TBitsEngine e(&out);
  f(e);
  e.FlushLastByte(true);
  return out;
}

TEST(BitsEngineWrite, BitPackingGolden) {
  EXPECT_EQ(Written([](TBitsEngine& e) {
              e.WriteBits(0b101, 3);
              e.WriteBits(0b00001, 5);
            }),
            (Bytes{0xA1}));
  EXPECT_EQ(Written([](TBitsEngine& e) {
              e.WriteBit(true);
              e.WriteWord(0x1234);
            }),
            (Bytes{0x80, 0x34, 0x12}));
  // WriteByte with bits pending does not align.
  Bytes out;
  TBitsEngine e(&out);
  e.WriteBits(0b111, 3);
  e.WriteByte(0);
  EXPECT_EQ(out, (Bytes{0xE0}));
  e.FlushLastByte(true);
  EXPECT_EQ(out, (Bytes{0xE0, 0x00}));
  // A 32-bit field across a byte boundary.
  EXPECT_EQ(Written([](TBitsEngine& e) {
              e.WriteBits(1, 4);
              e.WriteBits(0xDEADBEEF, 32);
            }),
            (Bytes{0x1D, 0xEA, 0xDB, 0xEE, 0xF0}));
}

TEST(BitsEngineWrite, EncodedU32Golden) {
  const std::pair<uint32_t, Bytes> table[] = {
      {0, {0x00}},
      {127, {0x7F}},
      {128, {0x80, 0x01}},
      {16384, {0x80, 0x80, 0x01}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
  };
  for (const auto& entry : table) {
    const uint32_t value = entry.first;
    const Bytes& bytes = entry.second;
    EXPECT_EQ(Written([&](TBitsEngine& e) { e.WriteEncodedU32(value); }), bytes);
    TBitsEngine r(bytes);
    EXPECT_EQ(r.ReadEncodedU32(), value);
    EXPECT_TRUE(r.AtEnd());
  }
  // Reading stops after five bytes whatever the top bits say.
  const Bytes five{0x80, 0x80, 0x80, 0x80, 0x80, 0x55};
  TBitsEngine r(five);
  EXPECT_EQ(r.ReadEncodedU32(), 0u);
  EXPECT_EQ(r.Position(), 5u);
}

TEST(BitsEngineWrite, BodyWriterCountsFromItsStart) {
  Bytes out{0xAA, 0xBB};
  TBitsEngine outer(&out);
  TBitsEngine body = outer.BodyWriter();
  EXPECT_EQ(body.Position(), 0u);
  body.WriteWord(0x0201);
  // A body inside the body: positions and patches are its own.
  TBitsEngine inner = body.BodyWriter();
  inner.WriteByte(7);
  inner.PatchBytes(0, Bytes{9});
  EXPECT_EQ(inner.Position(), 1u);
  body.PatchBytes(1, Bytes{0x22});
  EXPECT_EQ(body.Position(), 3u);
  EXPECT_EQ(outer.Position(), 5u);
  EXPECT_EQ(out, (Bytes{0xAA, 0xBB, 0x01, 0x22, 0x09}));
  EXPECT_THROW(body.PatchBytes(2, Bytes{1, 2}), Error);  // past its end

  // Bits start the body on a byte boundary only; a reader has no body to write.
  outer.WriteBits(1, 1);
  EXPECT_THROW(outer.BodyWriter(), Error);
  const Bytes in{1, 2};
  TBitsEngine reader(in);
  EXPECT_THROW(reader.BodyWriter(), Error);
}

TEST(BitsEngineWrite, TruncateAndEraseWithinTheBody) {
  Bytes out{1, 2, 3};
  TBitsEngine outer(&out);
  TBitsEngine body = outer.BodyWriter();
  body.WriteDWord(0x07060504);
  body.EraseBytes(1, 2);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 7}));
  body.WriteBits(1, 1);
  body.Truncate(1);  // pending bits go too
  body.FlushLastByte(true);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 4}));
  EXPECT_THROW(body.Truncate(2), Error);
  EXPECT_THROW(body.EraseBytes(0, 2), Error);
}

TEST(BitsEngineWrite, StringsAlignedOrNot) {
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteString("ab"); }), (Bytes{'a', 'b', 0}));
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteString("ab", false); }), (Bytes{'a', 'b'}));
  // With four bits pending every byte straddles two.
  EXPECT_EQ(Written([](TBitsEngine& e) {
              e.WriteBits(0xF, 4);
              e.WriteString("\x12", false);
            }),
            (Bytes{0xF1, 0x20}));
}

TEST(BitsEngineRecords, RectGoldenBothWays) {
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteRectRaw({}); }), (Bytes{0x00}));
  // 550 x 400 pixels: Xmax 11000, Ymax 8000 in a 15-bit field.
  const Bytes stage{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00};
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteRectRaw({0, 11000, 0, 8000}); }), stage);
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteRect({0, 0, 11000, 8000}); }), stage);
  TBitsEngine r(stage);
  EXPECT_EQ(r.ReadRect(), (TRect{0, 0, 11000, 8000}));
  EXPECT_TRUE(r.AtEnd());
  // Screen layout is normalised: right < left swaps.
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteRect({11000, 8000, 0, 0}); }), stage);
}

TEST(BitsEngineRecords, MatrixGoldenBothWays) {
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteMatrix({}); }), (Bytes{0x00}));
  TSWFMatrixRec t;
  t.TranslateX = 20;
  t.TranslateY = -20;
  // 0 | 0 | 00110 | 010100 | 101100 -> 6-bit fields
  const Bytes tb{0b0'0'00110'0, 0b10100'101, 0b100'00000};
  EXPECT_EQ(Written([&](TBitsEngine& e) { e.WriteMatrix(t); }), tb);
  TBitsEngine r(tb);
  EXPECT_EQ(r.ReadMatrix(), t);

  TSWFMatrixRec full;
  full.HasScale = true;
  full.ScaleX = 0x10000;
  full.ScaleY = -0x8000;
  full.HasRotate = true;
  full.RotateSkew0 = -1;
  full.RotateSkew1 = 3;
  full.TranslateX = -1;
  Bytes fb = Written([&](TBitsEngine& e) { e.WriteMatrix(full); });
  TBitsEngine fr(fb);
  EXPECT_EQ(fr.ReadMatrix(), full);
  EXPECT_TRUE(fr.AtEnd());
}

TEST(BitsEngineRecords, ColorTransformBothWays) {
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteColorTransform({}); }), (Bytes{0x00}));
  TSWFColorTransformRec c;
  c.HasMult = true;
  c.MultR = 256;
  c.MultG = 128;
  c.MultB = 0;
  c.HasAdd = true;
  c.AddR = -255;
  c.AddG = 1;
  c.AddB = 0;
  // width 10: 1 1 1010, then 256, 128, 0, -255, 1, 0 in 10 bits each.
  const Bytes cb = Written([&](TBitsEngine& e) { e.WriteColorTransform(c); });
  EXPECT_EQ(cb, (Bytes{0xE9, 0x00, 0x20, 0x00, 0x0C, 0x04, 0x01, 0x00, 0x00}));
  TBitsEngine r(cb);
  EXPECT_EQ(r.ReadColorTransform(false), c);
  c.HasAlpha = true;
  c.AddA = 100;
  c.MultA = 50;
  const Bytes ab = Written([&](TBitsEngine& e) { e.WriteColorTransform(c); });
  TBitsEngine ra(ab);
  EXPECT_EQ(ra.ReadColorTransform(true), c);
}

TEST(BitsEngineWrite, WidthFieldsNeverWrap) {
  Bytes out;
  TBitsEngine e(&out);
  EXPECT_THROW(e.WriteRectRaw({std::numeric_limits<int32_t>::min(), 0, 0, 0}), Error);
  TSWFMatrixRec m;
  m.TranslateX = 1 << 30;  // needs 32 bits: more than a 5-bit width can say
  EXPECT_THROW(e.WriteMatrix(m), Error);
  TSWFColorTransformRec c;
  c.HasAdd = true;
  c.AddR = 20000;  // 16 bits: more than a 4-bit width can say
  EXPECT_THROW(e.WriteColorTransform(c), Error);
}

TEST(BitsEngineRead, BitsAndSignExtension) {
  const Bytes b{0b1011'0111, 0xFF};
  TBitsEngine r(b);
  EXPECT_EQ(r.ReadUBits(0), 0u);
  EXPECT_EQ(r.ReadSBits(4), -5);
  EXPECT_EQ(r.ReadUBits(4), 7u);
  EXPECT_EQ(r.ReadSBits(2), -1);
  r.FlushLastByte(false);
  EXPECT_TRUE(r.AtEnd());
}

TEST(BitsEngineRead, PastTheEndThrowsWithOffset) {
  const Bytes b{0x01, 0x02, 0x03};
  TBitsEngine r(b, 100);
  r.ReadByte();
  try {
    r.ReadDWord("frame count");
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("frame count"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("101"), std::string::npos);
  }
  EXPECT_THROW(r.ReadString(), FormatError);  // no terminator
  EXPECT_THROW(r.ReadUBits(24), FormatError);
  TBitsEngine sub = TBitsEngine(b).Sub(2);
  sub.ReadWord();
  EXPECT_THROW(sub.ReadByte(), FormatError);
}

TEST(BitsEngineRead, Strings) {
  Bytes b{'a', 'b', 0, 'c', 0x00, 'x', 0x00, 0x0A, 'h', 'i', 0, 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  TBitsEngine r(b);
  EXPECT_EQ(r.ReadString(), "ab");
  EXPECT_EQ(r.ReadFixedString(2), "c");
  r.Skip(1);
  EXPECT_EQ(r.ReadLongString(false), "hi");  // 10 bytes: stops at the first zero
  EXPECT_TRUE(r.AtEnd());

  Bytes lng{0x01, 0x2C};
  for (int i = 0; i < 300; ++i) lng.push_back(i == 5 ? 0 : 'z');
  TBitsEngine rl(lng);
  EXPECT_EQ(rl.ReadLongString(false).size(), 300u);  // keeps embedded zero bytes

  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteEncodedString("ab"); }), (Bytes{0x02, 'a', 'b'}));
  EXPECT_EQ(Written([](TBitsEngine& e) { e.WriteString("ab", true, true); }), (Bytes{'a', 'b', 0}));
}

TEST(BitsHelpers, BitCounts) {
  EXPECT_EQ(GetBitsCount(0u), 0);
  EXPECT_EQ(GetBitsCount(0x80000000u), 32);
  EXPECT_EQ(GetBitsCount(int32_t{0}, 1), 0);
  EXPECT_EQ(GetBitsCount(int32_t{1}, 1), 2);
  EXPECT_EQ(GetBitsCount(int32_t{-1}, 1), 2);
  EXPECT_EQ(GetBitsCount(int32_t{-256}, 1), 10);
  EXPECT_EQ(GetBitsCount(int32_t{65536}, 1), 18);
  EXPECT_EQ(GetBitsCount(std::numeric_limits<int32_t>::min(), 1), 33);
  EXPECT_EQ(AbsSaturated(std::numeric_limits<int32_t>::min()), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(MaxAbs(-7, 3, 2, -9), 9);
}

TEST(BitsHelpers, FixedPoint) {
  EXPECT_EQ(FloatToFixed(-0.5), -32768);
  EXPECT_EQ(FloatToFixed(1.0), 65536);
  EXPECT_EQ(FloatToFixed(1.99999), 131071);
  EXPECT_EQ(FloatToFixed(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(FloatToFixed(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(FloatToFixed(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(FloatToFixed8(12.5), 0x0C80);
  EXPECT_EQ(FloatToFixed8(24), 0x1800);
  EXPECT_FLOAT_EQ(Fixed8ToFloat(0x0C80), 12.5f);
  EXPECT_FLOAT_EQ(FixedToFloat(-32768), -0.5f);
  Bytes out;
  TBitsEngine e(&out);
  e.WriteFixed(1.5f);
  EXPECT_EQ(out, (Bytes{0x00, 0x80, 0x01, 0x00}));
  TBitsEngine r(out);
  EXPECT_FLOAT_EQ(r.ReadFixed(), 1.5f);
}

TEST(BitsHelpers, Colours) {
  EXPECT_EQ(SWFRGBA(1, 2, 3, 4), 0x04030201u);
  EXPECT_EQ(ColorToSWFRGB(0x00336699), (TSWFRGBRec{0x99, 0x66, 0x33}));
  EXPECT_EQ(SetAlpha(0xFF112233, 0x10), 0x10112233u);
  Bytes out;
  TBitsEngine e(&out);
  e.WriteRGBA(SWFRGBA(1, 2, 3, 4));
  EXPECT_EQ(out, (Bytes{1, 2, 3, 4}));
}

TEST(BitsHelpers, MD5CryptMatchesThePublishedScheme) {
  EXPECT_EQ(MD5Crypt("password", "ab"), "$1$ab$oKsM6dtDD2L1bKowOBX.7.");
  EXPECT_EQ(MD5Crypt("password", "$1$abcdef"), "$1$ab$oKsM6dtDD2L1bKowOBX.7.");
  EXPECT_EQ(MD5Crypt("", "xy"), "$1$xy$JSgu5Zv4igzK2ULm5nTM30");
  const std::string random_salt = MD5Crypt("pw", "");
  EXPECT_EQ(random_salt.size(), 3u + 2 + 1 + 22);
  EXPECT_EQ(random_salt.substr(0, 3), "$1$");
  EXPECT_EQ(random_salt.find_first_not_of("./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 3), 5u);
  // A password longer than one MD5 block, and one of 16 bytes (the length loop's edge).
  EXPECT_EQ(MD5Crypt("a much longer password than sixteen bytes", "Zz"), "$1$Zz$Xo3LVFxYvSu6cgj5URRvT/");
  EXPECT_EQ(MD5Crypt("0123456789abcdef", "./"), "$1$./$9EpiuVI.C5ck0jtmTWSiR.");
}

TEST(BitsHelpers, MD5CryptRefusesSaltsAndPasswordsItCannotHash) {
  EXPECT_THROW(MD5Crypt("pw", "a:"), Error);   // a salt character outside the alphabet
  EXPECT_THROW(MD5Crypt("pw", "$1$a$"), Error);  // '$' would end the salt early
  EXPECT_THROW(MD5Crypt(std::string("p\0w", 3), "ab"), Error);
}

}  // namespace
}  // namespace fc
