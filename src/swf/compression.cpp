#include "swf/compression.h"

#include <algorithm>
#include <limits>

#include "core/error.h"

namespace fc {
namespace {

constexpr size_t kChunk = 1 << 16;

// The decoder allocates its whole dictionary up front, so the size from the file is capped:
// a dictionary larger than the movie is never needed.
constexpr uint32_t kMaxLzmaDictionary = 1u << 28;

voidpf ZAlloc(voidpf opaque, uInt items, uInt size) {
  const auto* a = static_cast<const TCodecAllocator*>(opaque);
  return a->Alloc(a->Opaque, static_cast<size_t>(items) * size);
}

void ZFree(voidpf opaque, voidpf ptr) {
  const auto* a = static_cast<const TCodecAllocator*>(opaque);
  a->Free(a->Opaque, ptr);
}

void* LzmaAlloc(void* opaque, size_t nmemb, size_t size) {
  const auto* a = static_cast<const TCodecAllocator*>(opaque);
  return a->Alloc(a->Opaque, nmemb * size);
}

void LzmaFree(void* opaque, void* ptr) {
  const auto* a = static_cast<const TCodecAllocator*>(opaque);
  a->Free(a->Opaque, ptr);
}

// Codes into a growing buffer, a chunk at a time: step(window, left) codes into the window
// of `left` bytes, sets `left` to what it did not fill, and returns whether to go on. An
// output past `limit` bytes throws FormatError(too_large).
template <typename Step>
std::vector<uint8_t> CodeInChunks(size_t limit, const char* too_large, Step step) {
  std::vector<uint8_t> out;
  for (;;) {
    const size_t before = out.size();
    out.resize(before + kChunk);
    size_t left = kChunk;
    const bool more = step(out.data() + before, left);
    out.resize(before + (kChunk - left));
    if (!more) return out;
    if (out.size() > limit) throw FormatError(too_large);
  }
}

// The hooks in liblzma's form; its null means its default allocator.
lzma_allocator LzmaHooks(const TCodecAllocator* allocator) {
  return {&LzmaAlloc, &LzmaFree, const_cast<TCodecAllocator*>(allocator)};
}

// The LZMA1 filter chain decoded from the five property bytes; its options are freed with
// the allocator that made them.
class TLzmaFilters {
public:
  TLzmaFilters(std::span<const uint8_t> props, const TCodecAllocator* allocator)
      : hooks_(LzmaHooks(allocator)), allocator_(allocator ? &hooks_ : nullptr) {
    filters_[0].id = LZMA_FILTER_LZMA1;
    filters_[0].options = nullptr;
    filters_[1].id = LZMA_VLI_UNKNOWN;
    filters_[1].options = nullptr;
    if (lzma_properties_decode(&filters_[0], allocator_, props.data(), props.size()) != LZMA_OK)
      throw FormatError("ZWS: bad LZMA properties");
  }
  ~TLzmaFilters() { lzma_filters_free(filters_, allocator_); }
  TLzmaFilters(const TLzmaFilters&) = delete;
  TLzmaFilters& operator=(const TLzmaFilters&) = delete;

  lzma_filter* Get() { return filters_; }
  lzma_options_lzma& Options() { return *static_cast<lzma_options_lzma*>(filters_[0].options); }

private:
  lzma_allocator hooks_;
  const lzma_allocator* allocator_;  // &hooks_, or null for liblzma's own
  lzma_filter filters_[2];
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Stream owners

TZStream::TZStream(TMode mode, const TCodecAllocator* allocator) : mode_(mode) {
  if (allocator) {
    stream_.zalloc = &ZAlloc;
    stream_.zfree = &ZFree;
    stream_.opaque = const_cast<TCodecAllocator*>(allocator);
  }
  const int r = mode == TMode::Inflate ? inflateInit(&stream_) : deflateInit(&stream_, Z_DEFAULT_COMPRESSION);
  if (r != Z_OK) throw Error("zlib could not start");
}

TZStream::~TZStream() {
  if (mode_ == TMode::Inflate) inflateEnd(&stream_);
  else deflateEnd(&stream_);
}

TLzmaStream::TLzmaStream(const TCodecAllocator* allocator) {
  if (!allocator) return;
  allocator_ = LzmaHooks(allocator);
  stream_.allocator = &allocator_;
}

TLzmaStream::~TLzmaStream() { lzma_end(&stream_); }

// ---------------------------------------------------------------------------------------
// zlib

std::vector<uint8_t> InflateAll(std::span<const uint8_t> data, size_t limit, bool* complete,
                                const TCodecAllocator* allocator) {
  *complete = false;
  TZStream stream(TZStream::TMode::Inflate, allocator);
  z_stream& zs = stream.Get();
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = static_cast<uInt>(std::min<size_t>(data.size(), std::numeric_limits<uInt>::max()));
  const char* too_large = "CWS: the body inflates beyond the 4 GB an SWF can hold";
  return CodeInChunks(limit, too_large, [&](uint8_t* window, size_t& left) {
    zs.next_out = window;
    zs.avail_out = static_cast<uInt>(left);
    const int r = inflate(&zs, Z_NO_FLUSH);
    left = zs.avail_out;
    if (r == Z_STREAM_END) {
      *complete = true;
      return false;
    }
    return r == Z_OK;  // cut or corrupt: keep what came out before it
  });
}

TDeflateWriter::TDeflateWriter(TSink sink, const TCodecAllocator* allocator)
    : stream_(TZStream::TMode::Deflate, allocator), sink_(std::move(sink)), out_(kChunk) {}

void TDeflateWriter::Write(std::span<const uint8_t> data) {
  z_stream& zs = stream_.Get();
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = static_cast<uInt>(data.size());
  do {
    zs.next_out = out_.data();
    zs.avail_out = kChunk;
    if (deflate(&zs, Z_NO_FLUSH) == Z_STREAM_ERROR) throw Error("zlib compression failed");
    sink_(std::span<const uint8_t>(out_.data(), kChunk - zs.avail_out));
  } while (zs.avail_out == 0);
}

void TDeflateWriter::Finish() {
  z_stream& zs = stream_.Get();
  // Finish until zlib reports the end of the stream.
  for (;;) {
    zs.next_in = nullptr;
    zs.avail_in = 0;
    zs.next_out = out_.data();
    zs.avail_out = kChunk;
    const int r = deflate(&zs, Z_FINISH);
    sink_(std::span<const uint8_t>(out_.data(), kChunk - zs.avail_out));
    if (r == Z_STREAM_END) break;
    if (r != Z_OK && r != Z_BUF_ERROR) throw Error("zlib compression failed");
  }
}

// ---------------------------------------------------------------------------------------
// LZMA

std::vector<uint8_t> LzmaDecode(std::span<const uint8_t> props, std::span<const uint8_t> data, size_t limit,
                                uint32_t declared_size, bool* complete, const TCodecAllocator* allocator) {
  *complete = false;
  TLzmaFilters filters(props, allocator);
  lzma_options_lzma& options = filters.Options();
  // LZMA cannot expand one input byte into more than a few thousand, which bounds what a
  // dictionary can be useful for when FileLength is wrong.
  const uint64_t reachable = std::max<uint64_t>(data.size(), 1) * 4096;
  const uint64_t useful = std::min<uint64_t>({options.dict_size, declared_size, reachable, kMaxLzmaDictionary});
  options.dict_size = static_cast<uint32_t>(std::max<uint64_t>(useful, LZMA_DICT_SIZE_MIN));
  TLzmaStream stream(allocator);
  lzma_stream& strm = stream.Get();
  if (lzma_raw_decoder(&strm, filters.Get()) != LZMA_OK)
    throw FormatError("ZWS: the LZMA decoder refused the properties");
  strm.next_in = data.data();
  strm.avail_in = data.size();
  const char* too_large = "ZWS: the body inflates beyond the 4 GB an SWF can hold";
  return CodeInChunks(limit, too_large, [&](uint8_t* window, size_t& left) {
    strm.next_out = window;
    strm.avail_out = left;
    const lzma_ret r = lzma_code(&strm, LZMA_RUN);
    const bool produced = strm.avail_out != left;
    left = strm.avail_out;
    // The end marker, or (for a stream written without one) all input used and no output.
    if (r == LZMA_STREAM_END || (r == LZMA_OK && !produced && strm.avail_in == 0)) {
      *complete = true;
      return false;
    }
    return r == LZMA_OK;  // corrupt data: keep what came out before it
  });
}

std::vector<uint8_t> LzmaEncode(std::span<const uint8_t> data, uint8_t (&props)[5], const TCodecAllocator* allocator) {
  lzma_options_lzma opt;
  if (lzma_lzma_preset(&opt, LZMA_PRESET_DEFAULT)) throw Error("LZMA preset unavailable");
  lzma_filter filters[2];
  filters[0].id = LZMA_FILTER_LZMA1;
  filters[0].options = &opt;
  filters[1].id = LZMA_VLI_UNKNOWN;
  if (lzma_properties_encode(&filters[0], props) != LZMA_OK) throw Error("LZMA properties could not be encoded");
  TLzmaStream stream(allocator);
  lzma_stream& strm = stream.Get();
  if (lzma_raw_encoder(&strm, filters) != LZMA_OK) throw Error("the LZMA encoder could not start");
  strm.next_in = data.data();
  strm.avail_in = data.size();
  return CodeInChunks(std::numeric_limits<size_t>::max(), "", [&](uint8_t* window, size_t& left) {
    strm.next_out = window;
    strm.avail_out = left;
    const lzma_ret r = lzma_code(&strm, LZMA_FINISH);
    left = strm.avail_out;
    if (r != LZMA_OK && r != LZMA_STREAM_END) throw Error("LZMA compression failed");
    return r == LZMA_OK;
  });
}

}  // namespace fc
