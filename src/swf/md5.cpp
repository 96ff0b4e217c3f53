// MD5 (RFC 1321) and the MD5-crypt password scheme of the protect and debugger tags.

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "swf/bits_engine.h"

namespace fc {
namespace {

using Digest = std::array<uint8_t, 16>;

class Md5 {
public:
  void Update(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    total_ += n;
    while (n > 0) {
      const size_t take = std::min(n, 64 - used_);
      std::memcpy(block_ + used_, p, take);
      used_ += take;
      p += take;
      n -= take;
      if (used_ == 64) {
        Transform(block_);
        used_ = 0;
      }
    }
  }
  void Update(const std::string& s) { Update(s.data(), s.size()); }
  void Update(const Digest& d, size_t n = 16) { Update(d.data(), n); }

  Digest Final() {
    const uint64_t bits = total_ * 8;
    const uint8_t pad = 0x80;
    Update(&pad, 1);
    const uint8_t zero = 0;
    while (used_ != 56) Update(&zero, 1);
    uint8_t len[8];
    for (int i = 0; i < 8; ++i) len[i] = static_cast<uint8_t>(bits >> (8 * i));
    Update(len, 8);
    Digest d;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) d[4 * i + j] = static_cast<uint8_t>(h_[i] >> (8 * j));
    return d;
  }

private:
  static uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

  void Transform(const uint8_t* b) {
    static constexpr uint32_t K[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static constexpr int S[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                  5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                  4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                  6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
      m[i] = b[4 * i] | (b[4 * i + 1] << 8) | (b[4 * i + 2] << 16) | (static_cast<uint32_t>(b[4 * i + 3]) << 24);
    uint32_t a = h_[0], bb = h_[1], c = h_[2], d = h_[3];
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int g;
      if (i < 16) { f = (bb & c) | (~bb & d); g = i; }
      else if (i < 32) { f = (d & bb) | (~d & c); g = (5 * i + 1) % 16; }
      else if (i < 48) { f = bb ^ c ^ d; g = (3 * i + 5) % 16; }
      else { f = c ^ (bb | ~d); g = (7 * i) % 16; }
      const uint32_t t = d;
      d = c;
      c = bb;
      bb = bb + Rotl(a + f + K[i] + m[g], S[i]);
      a = t;
    }
    h_[0] += a; h_[1] += bb; h_[2] += c; h_[3] += d;
  }

  uint32_t h_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint8_t block_[64] = {};
  size_t used_ = 0;
  uint64_t total_ = 0;
};

constexpr char kItoa64[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

void To64(std::string& out, uint32_t v, int n) {
  while (n-- > 0) {
    out += kItoa64[v & 0x3f];
    v >>= 6;
  }
}

}  // namespace

std::string MD5Crypt(const std::string& Password, const std::string& Salt) {
  static const std::string kMagic = "$1$";
  std::string salt = Salt.rfind(kMagic, 0) == 0 ? Salt.substr(kMagic.size()) : Salt;
  if (salt.size() >= 2) {
    salt = salt.substr(0, 2);
  } else {
    std::random_device rd;
    salt.clear();
    for (int i = 0; i < 2; ++i) salt += kItoa64[rd() % 64];
  }
  const std::string& pw = Password;

  Md5 alt;
  alt.Update(pw);
  alt.Update(salt);
  alt.Update(pw);
  Digest final = alt.Final();

  Md5 ctx;
  ctx.Update(pw);
  ctx.Update(kMagic);
  ctx.Update(salt);
  for (size_t pl = pw.size(); pl > 0; pl -= std::min<size_t>(pl, 16)) ctx.Update(final, std::min<size_t>(pl, 16));
  for (size_t i = pw.size(); i; i >>= 1) {
    if (i & 1) {
      const char zero = 0;
      ctx.Update(&zero, 1);
    } else {
      ctx.Update(pw.data(), 1);
    }
  }
  final = ctx.Final();

  for (int i = 0; i < 1000; ++i) {
    Md5 c1;
    if (i & 1) c1.Update(pw);
    else c1.Update(final);
    if (i % 3) c1.Update(salt);
    if (i % 7) c1.Update(pw);
    if (i & 1) c1.Update(final);
    else c1.Update(pw);
    final = c1.Final();
  }

  std::string out = kMagic + salt + "$";
  const auto& f = final;
  To64(out, (f[0] << 16) | (f[6] << 8) | f[12], 4);
  To64(out, (f[1] << 16) | (f[7] << 8) | f[13], 4);
  To64(out, (f[2] << 16) | (f[8] << 8) | f[14], 4);
  To64(out, (f[3] << 16) | (f[9] << 8) | f[15], 4);
  To64(out, (f[4] << 16) | (f[10] << 8) | f[5], 4);
  To64(out, f[11], 2);
  return out;
}

}  // namespace fc
