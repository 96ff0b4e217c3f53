// Reading and writing a large zlib-compressed SWF (60 MB body of video-frame-like tags)
// against plain zlib inflate plus deflate of the same body: the file layer should add
// little over the compression itself (goal: less than 1.5 times).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <vector>

#include "swf/streams.h"

namespace {

class Movie : public fc::TBasedSWFStream {
public:
  using TBasedSWFStream::TBasedSWFStream;
  size_t FindFrameEnd(uint16_t) override { return 0; }
  void BuildBody() override {}
  void MoveResources(int, int, int) override {}
};

// Tags of 8 KB: half noise, half repeats, so deflate has work of both kinds.
std::vector<uint8_t> MakeBody(size_t bytes) {
  std::mt19937 rng(7);
  std::vector<uint8_t> body;
  body.reserve(bytes + 9000);
  uint16_t frame = 0;
  while (body.size() < bytes) {
    const uint32_t len = 8192;
    const uint16_t header = static_cast<uint16_t>(61 << 6 | 63);
    for (uint8_t b : {uint8_t(header), uint8_t(header >> 8), uint8_t(len), uint8_t(len >> 8), uint8_t(0), uint8_t(0)})
      body.push_back(b);
    for (uint32_t i = 0; i < len; ++i) body.push_back(i < len / 2 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(i / 64 + frame));
    body.push_back(0x40);  // ShowFrame
    body.push_back(0x00);
    ++frame;
  }
  body.push_back(0);
  body.push_back(0);
  return body;
}

const std::vector<uint8_t>& Body() {
  static const std::vector<uint8_t> body = MakeBody(60u << 20);
  return body;
}

const std::vector<uint8_t>& CompressedFile() {
  static const std::vector<uint8_t> file = [] {
    Movie m(0, 0, 320, 240, 25, true);
    m.SetBodyStream(Body());
    m.SetCompressed(true);
    return m.SaveToBytes();
  }();
  return file;
}

void BM_SwfReadWriteCWS(benchmark::State& state) {
  const auto& file = CompressedFile();
  for (auto _ : state) {
    fc::TSWFStreamReader r;
    r.LoadFromStream(file);
    r.ParseTags(false, true);
    std::vector<uint8_t> out = r.SaveToBytes();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Body().size()));
}

void BM_ZlibInflateDeflate(benchmark::State& state) {
  const auto& file = CompressedFile();
  const auto& body = Body();
  for (auto _ : state) {
    std::vector<uint8_t> plain(body.size() + 64);
    uLongf plain_len = static_cast<uLongf>(plain.size());
    uncompress(plain.data(), &plain_len, file.data() + 8, static_cast<uLong>(file.size() - 8));
    std::vector<uint8_t> packed(compressBound(plain_len));
    uLongf packed_len = static_cast<uLongf>(packed.size());
    compress2(packed.data(), &packed_len, plain.data(), plain_len, Z_DEFAULT_COMPRESSION);
    benchmark::DoNotOptimize(packed.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
}

}  // namespace

BENCHMARK(BM_SwfReadWriteCWS)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ZlibInflateDeflate)->Unit(benchmark::kMillisecond)->Iterations(3);
