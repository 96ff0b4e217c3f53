#include "engine/av_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace fc {
namespace {

// Bytes in memory as a custom input; counts its destruction, so that a test sees it freed
// exactly once.
class TCountedInput : public TCustomInput {
public:
  TCountedInput(std::string bytes, int& destroyed) : bytes_(std::move(bytes)), destroyed_(destroyed) {}
  ~TCountedInput() override { ++destroyed_; }

  static int Read(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<TCountedInput*>(opaque);
    const size_t left = self->bytes_.size() - self->position_;
    if (left == 0) return AVERROR_EOF;
    const size_t n = std::min(left, static_cast<size_t>(size));
    std::memcpy(buffer, self->bytes_.data() + self->position_, n);
    self->position_ += n;
    return static_cast<int>(n);
  }
  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<TCountedInput*>(opaque);
    if (whence & AVSEEK_SIZE) return static_cast<int64_t>(self->bytes_.size());
    if ((whence & 3) != SEEK_SET || offset < 0 || offset > static_cast<int64_t>(self->bytes_.size()))
      return AVERROR(EINVAL);
    self->position_ = static_cast<size_t>(offset);
    return offset;
  }

private:
  std::string bytes_;
  size_t position_ = 0;
  int& destroyed_;
};

// A WAV file of `samples` silent 16-bit mono samples at 8 kHz.
std::string WaveBytes(uint32_t samples) {
  std::string b;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF); };
  auto u16 = [&](uint16_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>(v >> 8); };
  b += "RIFF";
  u32(36 + samples * 2);
  b += "WAVEfmt ";
  u32(16);
  u16(1);         // PCM
  u16(1);         // mono
  u32(8000);      // samples per second
  u32(16000);     // bytes per second
  u16(2);         // block
  u16(16);        // bits
  b += "data";
  u32(samples * 2);
  b.append(samples * 2, '\0');
  return b;
}

TCustomIoPtr Io(std::string bytes, int& destroyed) {
  return MakeCustomIo(std::make_unique<TCountedInput>(std::move(bytes), destroyed), 4096, TCountedInput::Read,
                      TCountedInput::Seek);
}

TEST(CustomInputTest, TheInputContextOwnsTheInputOnceOpen) {
  int destroyed = 0;
  {
    TInputContextPtr input = OpenCustomInput(Io(WaveBytes(800), destroyed), av_find_input_format("wav"), "open", "read");
    ASSERT_EQ(input->nb_streams, 1u);
    EXPECT_EQ(input->streams[0]->codecpar->sample_rate, 8000);
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(CustomInputTest, AnInputTheDemuxerRefusesIsFreedOnceWithItsContext) {
  int destroyed = 0;
  try {
    OpenCustomInput(Io("this is no wave file at all", destroyed), av_find_input_format("wav"), "cannot read the title",
                    "streams");
    ADD_FAILURE() << "a refused input opened";
  } catch (const MediaError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot read the title: ", 0), 0u) << e.what();
  }
  EXPECT_EQ(destroyed, 1);
  { const TCustomIoPtr unused = Io(WaveBytes(10), destroyed); }
  EXPECT_EQ(destroyed, 2);  // made but never opened
}

}  // namespace
}  // namespace fc
