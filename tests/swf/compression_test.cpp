#include "swf/compression.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <vector>

#include "core/error.h"

namespace fc {
namespace {

using Bytes = std::vector<uint8_t>;

// Counts the codecs' allocations, so a test can see that every stream was released.
struct TCountingAllocator {
  int live = 0;
  int total = 0;
  TCodecAllocator hooks{&Alloc, &Free, this};

  static void* Alloc(void* opaque, size_t size) {
    auto* self = static_cast<TCountingAllocator*>(opaque);
    ++self->live;
    ++self->total;
    return std::malloc(size);
  }
  static void Free(void* opaque, void* ptr) {
    if (!ptr) return;
    --static_cast<TCountingAllocator*>(opaque)->live;
    std::free(ptr);
  }
};

// Data that compresses well, so that a small input inflates past a small limit.
Bytes Repetitive(size_t n) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), uint8_t{0});
  for (auto& x : b) x &= 0x0F;
  return b;
}

Bytes Deflated(const Bytes& plain) {
  Bytes out;
  TDeflateWriter writer([&](std::span<const uint8_t> s) { out.insert(out.end(), s.begin(), s.end()); });
  writer.Write(plain);
  writer.Finish();
  return out;
}

TEST(Compression, ZlibRoundTripReleasesItsStreams) {
  TCountingAllocator counter;
  const Bytes plain = Repetitive(300000);
  Bytes packed;
  {
    TDeflateWriter writer([&](std::span<const uint8_t> s) { packed.insert(packed.end(), s.begin(), s.end()); },
                          &counter.hooks);
    writer.Write(plain);
    writer.Finish();
  }
  bool complete = false;
  EXPECT_EQ(InflateAll(packed, plain.size(), &complete, &counter.hooks), plain);
  EXPECT_TRUE(complete);
  EXPECT_GT(counter.total, 0);
  EXPECT_EQ(counter.live, 0);
}

TEST(Compression, StreamsAreReleasedWhenAnErrorEndsThem) {
  TCountingAllocator counter;
  const Bytes plain = Repetitive(300000);
  bool complete = false;
  // Inflating past the limit.
  EXPECT_THROW(InflateAll(Deflated(plain), 1000, &complete, &counter.hooks), FormatError);
  EXPECT_EQ(counter.live, 0);

  // A sink that fails while deflating.
  EXPECT_THROW(
      {
        TDeflateWriter writer([](std::span<const uint8_t> s) {
          if (!s.empty()) throw Error("disk full");
        }, &counter.hooks);
        writer.Write(plain);
        writer.Finish();
      },
      Error);
  EXPECT_EQ(counter.live, 0);

  // LZMA decoding past the limit, and with properties the decoder refuses.
  uint8_t props[5];
  const Bytes lzma = LzmaEncode(plain, props, &counter.hooks);
  EXPECT_EQ(counter.live, 0);
  EXPECT_EQ(LzmaDecode(props, lzma, plain.size() * 2, static_cast<uint32_t>(plain.size()), &complete, &counter.hooks),
            plain);
  EXPECT_EQ(counter.live, 0);
  const int before = counter.total;
  EXPECT_THROW(LzmaDecode(props, lzma, 1000, static_cast<uint32_t>(plain.size()), &complete, &counter.hooks),
               FormatError);
  EXPECT_GT(counter.total, before);
  EXPECT_EQ(counter.live, 0);
  const uint8_t bad_props[5] = {0xFF, 0, 0, 1, 0};
  EXPECT_THROW(LzmaDecode(bad_props, lzma, plain.size(), 0, &complete, &counter.hooks), FormatError);
  EXPECT_EQ(counter.live, 0);
}

TEST(Compression, CutStreamsKeepWhatTheyHold) {
  const Bytes plain = Repetitive(5000);
  const Bytes packed = Deflated(plain);
  bool complete = true;
  const Bytes part = InflateAll(std::span(packed).first(packed.size() / 2), plain.size(), &complete);
  EXPECT_FALSE(complete);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), plain.begin()));
}

}  // namespace
}  // namespace fc
