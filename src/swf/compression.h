#pragma once
// zlib and LZMA coding of SWF bodies ("CWS" and "ZWS"). Every codec stream lives in an owner
// that releases it when it goes out of scope, so no path, a thrown error included, leaks a
// stream. Private to the swf library.

#include <lzma.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace fc {

// Memory hooks for the codecs' own allocations; null means their defaults. Tests count with
// them that every stream is released.
struct TCodecAllocator {
  void* (*Alloc)(void* opaque, size_t size) = nullptr;
  void (*Free)(void* opaque, void* ptr) = nullptr;
  void* Opaque = nullptr;
};

// A z_stream set up for inflating or deflating, ended by the destructor. zlib keeps a
// pointer to the stream, so it neither copies nor moves. Throws fc::Error when zlib cannot
// start.
class TZStream {
public:
  enum class TMode { Inflate, Deflate };
  explicit TZStream(TMode mode, const TCodecAllocator* allocator = nullptr);
  ~TZStream();
  TZStream(const TZStream&) = delete;
  TZStream& operator=(const TZStream&) = delete;

  z_stream& Get() { return stream_; }

private:
  z_stream stream_{};
  TMode mode_;
};

// An lzma_stream, ended by the destructor (also when no coder was ever set up on it).
class TLzmaStream {
public:
  explicit TLzmaStream(const TCodecAllocator* allocator = nullptr);
  ~TLzmaStream();
  TLzmaStream(const TLzmaStream&) = delete;
  TLzmaStream& operator=(const TLzmaStream&) = delete;

  lzma_stream& Get() { return stream_; }

private:
  lzma_allocator allocator_{};  // the stream points here when hooks were given
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

// Inflates zlib data (as much as is there); `complete` reports whether the stream ended.
// Throws FormatError when the output would pass `limit` bytes.
std::vector<uint8_t> InflateAll(std::span<const uint8_t> data, size_t limit, bool* complete,
                                const TCodecAllocator* allocator = nullptr);

// Inflates LZMA data in the SWF layout (5 property bytes, then the raw stream). The
// dictionary the properties ask for is capped by what the data can use (see the .cpp).
// Throws FormatError for bad properties and when the output would pass `limit` bytes.
std::vector<uint8_t> LzmaDecode(std::span<const uint8_t> props, std::span<const uint8_t> data, size_t limit,
                                uint32_t declared_size, bool* complete, const TCodecAllocator* allocator = nullptr);

// Compresses `data` as a raw LZMA stream at the default preset; `props` receives the five
// property bytes.
std::vector<uint8_t> LzmaEncode(std::span<const uint8_t> data, uint8_t (&props)[5],
                                const TCodecAllocator* allocator = nullptr);

// Deflates at the default level into `sink`, piece by piece, without a second copy of the
// data. Finish completes the zlib stream.
class TDeflateWriter {
public:
  using TSink = std::function<void(std::span<const uint8_t>)>;
  explicit TDeflateWriter(TSink sink, const TCodecAllocator* allocator = nullptr);

  void Write(std::span<const uint8_t> data);
  void Finish();

private:
  TZStream stream_;
  TSink sink_;
  std::vector<uint8_t> out_;
};

}  // namespace fc
