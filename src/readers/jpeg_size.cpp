#include "readers/jpeg_size.h"

#include "readers/media_source.h"

namespace fc {

bool ReadJPEGSize(const std::filesystem::path& file_name, uint16_t& Width, uint16_t& Height) {
  const TFileSource file(file_name);
  return ReadJPEGSize(file, Width, Height);
}

bool ReadJPEGSize(const TMediaSource& file, uint16_t& Width, uint16_t& Height) {
  TBufferedSourceReader in(file, 4096);
  uint64_t pos = 0;
  uint8_t b[8];
  const auto byte = [&](uint8_t& out) {
    if (in.ReadAt(pos, std::span(&out, 1)) != 1) return false;
    ++pos;
    return true;
  };
  if (in.ReadAt(0, std::span(b, 2)) != 2 || b[0] != 0xFF || b[1] != 0xD8) return false;
  pos = 2;
  uint8_t next = 0;
  if (!byte(next)) return false;
  // Every step moves forward by at least one byte, so the scan ends at the end of the file.
  while (next == 0xFF) {
    uint8_t marker = 0;
    if (!byte(marker)) return false;
    if (marker == 0xFF) continue;  // fill byte: the marker follows
    if (marker == 0xC0 || marker == 0xC1) {
      if (in.ReadAt(pos, std::span(b, 7)) != 7) return false;
      Height = static_cast<uint16_t>((b[3] << 8) | b[4]);  // after length (2) and precision (1)
      Width = static_cast<uint16_t>((b[5] << 8) | b[6]);
      return true;
    }
    if (marker != 0x01 && !(marker >= 0xD0 && marker <= 0xD7)) {
      if (in.ReadAt(pos, std::span(b, 2)) != 2) return false;
      const uint32_t length = (uint32_t{b[0]} << 8) | b[1];
      if (length < 2) return false;  // a length that cannot hold itself: no size
      pos += length;
    }
    if (!byte(next)) return false;
  }
  return false;
}

}  // namespace fc
