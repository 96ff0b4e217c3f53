#include "readers/bmp_reader.h"

#include <algorithm>
#include <bit>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "readers/reader_util.h"

namespace fc {
namespace {

using detail::ReadLE16;
using detail::ReadLE32;

constexpr uint32_t kFileHeader = 14;
constexpr int32_t kMaxDimension = 65535;  // bitmap tags hold 16-bit sizes

[[noreturn]] void Bad(const std::string& why) { throw FormatError("BMP: " + why); }

// The bit span of a mask: highest set bit - lowest set bit + 1, 0 for no bits.
uint8_t MaskSpan(uint32_t mask) {
  if (mask == 0) return 0;
  return static_cast<uint8_t>(32 - std::countl_zero(mask) - std::countr_zero(mask));
}

uint8_t Expand(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const uint32_t v = (value & mask) >> std::countr_zero(mask);
  const uint32_t max = mask >> std::countr_zero(mask);
  return static_cast<uint8_t>((uint64_t{v} * 255 + max / 2) / max);
}

}  // namespace

void TBMPReader::Reset() { *this = TBMPReader(); }

void TBMPReader::LoadFromFile(const std::filesystem::path& file_name, uint64_t max_bytes) {
  const auto bytes = ReadFileBytes(file_name);
  LoadFromBytes(bytes, max_bytes);
}

void TBMPReader::LoadFromBytes(std::span<const uint8_t> file, uint64_t max_bytes) {
  Reset();
  try {
    if (file.size() < kFileHeader + 12 || file[0] != 'B' || file[1] != 'M') Bad("not a BMP file");
    const uint32_t data_offset = ReadLE32(&file[10]);
    const uint32_t header_size = ReadLE32(&file[14]);
    TBitmapInfoHeader info;
    uint32_t palette_offset = kFileHeader + header_size;
    uint32_t entry_size = 4;
    if (header_size == 12) {  // the older core header: 16-bit sizes, three-byte palette entries
      info.Width = ReadLE16(&file[18]);
      info.Height = static_cast<int16_t>(ReadLE16(&file[20]));
      info.BitCount = ReadLE16(&file[24]);
      entry_size = 3;
    } else if (header_size == 40 || header_size == 52 || header_size == 56 || header_size == 64 ||
               header_size == 108 || header_size == 124) {
      if (file.size() < kFileHeader + 40) Bad("info header cut short");
      const uint8_t* h = &file[kFileHeader];
      info.Width = static_cast<int32_t>(ReadLE32(h + 4));
      info.Height = static_cast<int32_t>(ReadLE32(h + 8));
      info.Planes = ReadLE16(h + 12);
      info.BitCount = ReadLE16(h + 14);
      info.Compression = ReadLE32(h + 16);
      info.SizeImage = ReadLE32(h + 20);
      info.XPelsPerMeter = static_cast<int32_t>(ReadLE32(h + 24));
      info.YPelsPerMeter = static_cast<int32_t>(ReadLE32(h + 28));
      info.ClrUsed = ReadLE32(h + 32);
      info.ClrImportant = ReadLE32(h + 36);
    } else {
      Bad(Format("info header of %u bytes", header_size));
    }
    if (header_size == 64 && info.Compression == 3) Bad("OS/2 Huffman compression");
    if (info.Compression == 6) info.Compression = kBmpBitFields;  // bit fields with an alpha mask

    // Masks follow a 40-byte header and lie inside the larger ones: at file offset 54 either way.
    uint32_t masks[3] = {};
    if (info.Compression == kBmpBitFields) {
      if (file.size() < kFileHeader + 40 + 12) Bad("bit-field masks cut short");
      for (int i = 0; i < 3; ++i) masks[i] = ReadLE32(&file[kFileHeader + 40 + 4 * i]);
      if (header_size == 40) palette_offset += 12;
    }

    const uint16_t bits = info.BitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
      Bad(Format("%u bits per pixel", bits));
    if (info.Width <= 0 || info.Width > kMaxDimension) Bad(Format("width %d", info.Width));
    if (info.Height == 0 || info.Height < -kMaxDimension || info.Height > kMaxDimension)
      Bad(Format("height %d", info.Height));
    switch (info.Compression) {
      case kBmpRGB: break;
      case kBmpRLE8: if (bits != 8) Bad(Format("RLE8 with %u bits per pixel", bits)); break;
      case kBmpRLE4: if (bits != 4) Bad(Format("RLE4 with %u bits per pixel", bits)); break;
      case kBmpBitFields:
        if (bits != 16 && bits != 32) Bad(Format("bit fields with %u bits per pixel", bits));
        if (masks[0] == 0 || masks[1] == 0 || masks[2] == 0 || (masks[0] & masks[1]) || (masks[1] & masks[2]) ||
            (masks[0] & masks[2]) || (bits == 16 && (masks[0] | masks[1] | masks[2]) > 0xFFFF))
          Bad("bit-field masks that overlap, are empty or exceed the pixel");
        break;
      default: Bad(Format("compression %u", info.Compression));
    }
    if ((info.Compression == kBmpRLE8 || info.Compression == kBmpRLE4) && info.Height < 0)
      Bad("run-length data in a top-down bitmap");

    SetFormat(info.Width, info.Height, bits, 0, 0, 0, max_bytes);
    const int32_t width = info.Width, height = info.Height;
    const auto keep_dims = info_;
    info_ = info;
    info_.Width = width;
    info_.Height = height;
    info_.SizeImage = keep_dims.SizeImage;  // computed, never the header's
    if (info.Compression == kBmpBitFields || bits == 16 || bits == 32) {
      if (info.Compression != kBmpBitFields) {
        masks[0] = bits == 16 ? 0x7C00 : 0xFF0000;
        masks[1] = bits == 16 ? 0x03E0 : 0x00FF00;
        masks[2] = bits == 16 ? 0x001F : 0x0000FF;
      }
      RedMask = masks[0];
      GreenMask = masks[1];
      BlueMask = masks[2];
      RedBits = MaskSpan(RedMask);
      GreenBits = MaskSpan(GreenMask);
      BlueBits = MaskSpan(BlueMask);
    }

    if (bits <= 8) {
      // More entries than the pixels can index are never used: the palette holds at most 2^bits.
      const uint32_t possible = 1u << bits;
      colors_used_ = info.ClrUsed == 0 || info.ClrUsed > possible ? possible : info.ClrUsed;
      if (header_size == 12) colors_used_ = possible;
      for (uint32_t i = 0; i < colors_used_; ++i) {
        const uint64_t at = uint64_t{palette_offset} + uint64_t{i} * entry_size;
        if (at + entry_size > file.size()) break;
        palette_[i] = {file[at], file[at + 1], file[at + 2], entry_size == 4 ? file[at + 3] : uint8_t{0}};
      }
      info_.ClrUsed = colors_used_;
    }
    TransparentIndex = -1;
    AnalysePalette();

    const std::span<const uint8_t> data = data_offset < file.size() ? file.subspan(data_offset) : std::span<const uint8_t>();
    if (info.Compression == kBmpRLE8 || info.Compression == kBmpRLE4) DecodeRLE(data);
    else std::copy_n(data.begin(), std::min(data.size(), pixels_.size()), pixels_.begin());
  } catch (...) {
    Reset();
    throw;
  }
}

void TBMPReader::SetFormat(int32_t Width, int32_t Height, uint16_t BitCount, uint8_t BlueBits_, uint8_t GreenBits_,
                           uint8_t RedBits_, uint64_t max_bytes) {
  if (BitCount == 0) BitCount = 32;
  if (Width <= 0 || Width > kMaxDimension || Height == 0 || Height < -kMaxDimension || Height > kMaxDimension)
    throw FormatError(Format("BMP: a bitmap of %d x %d pixels cannot be drawn", Width, Height));
  const uint64_t row_bits = uint64_t{static_cast<uint32_t>(Width)} * BitCount;
  const uint64_t row_bytes = (row_bits + 31) / 32 * 4;
  const uint64_t rows = Height < 0 ? -int64_t{Height} : Height;
  if (row_bytes * rows > max_bytes)
    throw FormatError(Format("BMP: %d x %d pixels at %u bits need %llu bytes, more than the %llu allowed", Width,
                             Height, BitCount, static_cast<unsigned long long>(row_bytes * rows),
                             static_cast<unsigned long long>(max_bytes)));
  const bool masks = BlueBits_ || GreenBits_ || RedBits_;
  info_ = TBitmapInfoHeader();
  info_.Width = Width;
  info_.Height = Height;
  info_.BitCount = BitCount;
  info_.Compression = masks && (BitCount == 16 || BitCount == 32) ? kBmpBitFields : kBmpRGB;
  if (!masks) {
    BlueBits_ = GreenBits_ = RedBits_ = BitCount == 16 ? 5 : 8;
  }
  BlueBits = GreenBits = RedBits = 0;
  BlueMask = GreenMask = RedMask = 0;
  if (BitCount == 16 || BitCount == 32) {
    BlueBits = BlueBits_;
    GreenBits = GreenBits_;
    RedBits = RedBits_;
    const auto low = [](unsigned n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1; };
    BlueMask = low(BlueBits);
    GreenMask = low(GreenBits) << BlueBits;
    RedMask = low(RedBits) << (BlueBits + GreenBits);
  }
  row_bytes_ = static_cast<uint32_t>(row_bytes);
  row_padding_ = BitCount == 32 ? 0 : static_cast<uint32_t>(row_bytes - (row_bits + 7) / 8);
  info_.SizeImage = static_cast<uint32_t>(row_bytes * rows);
  pixels_.assign(static_cast<size_t>(row_bytes * rows), 0);
}

void TBMPReader::SetPixelIndex(uint32_t x, uint32_t row, uint8_t index) {
  uint8_t* r = Row(row);
  switch (info_.BitCount) {
    case 1: r[x / 8] = static_cast<uint8_t>((r[x / 8] & ~(0x80 >> (x % 8))) | ((index & 1) << (7 - x % 8))); break;
    case 4:
      if (x % 2 == 0) r[x / 2] = static_cast<uint8_t>((r[x / 2] & 0x0F) | (index << 4));
      else r[x / 2] = static_cast<uint8_t>((r[x / 2] & 0xF0) | (index & 0x0F));
      break;
    case 8: r[x] = index; break;
    default: break;
  }
}

uint8_t TBMPReader::PixelIndex(uint32_t x, uint32_t row) const {
  const uint8_t* r = Row(row);
  switch (info_.BitCount) {
    case 1: return (r[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 == 0 ? r[x / 2] >> 4 : r[x / 2] & 0x0F;
    case 8: return r[x];
    default: return 0;
  }
}

// RLE8 and RLE4 share their opcodes: a run of one byte, end of line, end of bitmap, a
// delta, and absolute runs padded to a whole word. In RLE4 a byte holds two pixels, high
// nibble first. Every step consumes input, so the loop ends with the data; writes are
// clipped to the bitmap.
void TBMPReader::DecodeRLE(std::span<const uint8_t> data) {
  const bool nibbles = info_.BitCount == 4;
  const uint32_t width = static_cast<uint32_t>(info_.Width), rows = RowCount();
  uint64_t x = 0, y = 0;
  size_t i = 0;
  const auto pixel = [nibbles](uint8_t byte, uint32_t k) -> uint8_t {
    return !nibbles ? byte : k % 2 == 0 ? byte >> 4 : byte & 0x0F;
  };
  const auto put = [&](uint64_t column, uint8_t index) {
    if (column < width) SetPixelIndex(static_cast<uint32_t>(column), static_cast<uint32_t>(y), index);
  };
  while (y < rows && i + 1 < data.size()) {
    const uint8_t n = data[i++], c = data[i++];
    if (n > 0) {
      for (uint32_t k = 0; k < n && x + k < width; ++k) put(x + k, pixel(c, k));
      x += n;
    } else if (c == 0) {
      x = 0;
      ++y;
    } else if (c == 1) {
      return;
    } else if (c == 2) {
      if (i + 1 >= data.size()) return;
      x += data[i++];
      y += data[i++];
    } else {
      const size_t bytes = nibbles ? (c + 1u) / 2 : c;
      for (uint32_t k = 0; k < c; ++k) {
        const size_t at = i + (nibbles ? k / 2 : k);
        if (at >= data.size()) break;
        put(x + k, pixel(data[at], k));
      }
      x += c;
      i += bytes + (bytes % 2);
    }
  }
}

void TBMPReader::AnalysePalette() {
  const uint16_t bits = info_.BitCount;
  if (bits == 1 || bits == 4) {
    for (uint32_t i = 0; i < (1u << bits); ++i) palette_[i].Reserved = 255;
    return;
  }
  if (bits != 8) return;
  const uint32_t used = info_.ClrUsed == 0 || info_.ClrUsed > 256 ? 256 : info_.ClrUsed;
  int first_clear = -1;
  bool any_opaque = false;
  for (uint32_t i = 0; i < used; ++i) {
    if (palette_[i].Reserved == 0 && first_clear < 0) first_clear = static_cast<int>(i);
    if (palette_[i].Reserved == 255) any_opaque = true;
  }
  if (first_clear < 0) return;
  if (!any_opaque) {
    for (auto& entry : palette_) entry.Reserved = 255;  // no alpha at all: the reserved bytes were just zero
  } else {
    TransparentIndex = first_clear;
  }
}

int TBMPReader::ColorCount() {
  const uint16_t bits = info_.BitCount;
  if (bits != 1 && bits != 4 && bits != 8) return 0;
  const uint32_t width = static_cast<uint32_t>(info_.Width), rows = RowCount();
  std::array<bool, 256> used{};
  int count = 0;
  const int limit = 1 << bits;
  for (uint32_t y = 0; y < rows && count < limit; ++y)
    for (uint32_t x = 0; x < width && count < limit; ++x) {
      const uint8_t i = PixelIndex(x, y);
      if (!used[i]) {
        used[i] = true;
        ++count;
      }
    }
  if (bits == 1) return used[1] ? 2 : 1;
  if (count == limit) return count;
  if (count == 1 && used[1]) return 2;  // index 1 alone: keep the palette as it is
  std::array<uint8_t, 256> renumber{};
  std::array<TRGBQuad, 256> compact{};
  int next = 0;
  for (int i = 0; i < limit; ++i)
    if (used[i]) {
      renumber[i] = static_cast<uint8_t>(next);
      compact[next++] = palette_[i];
    }
  if (TransparentIndex >= 0)
    TransparentIndex = used[TransparentIndex] ? renumber[TransparentIndex] : -1;
  palette_ = compact;
  for (uint32_t y = 0; y < rows; ++y)
    for (uint32_t x = 0; x < width; ++x) SetPixelIndex(x, y, renumber[PixelIndex(x, y)]);
  return count;
}

TRGBQuad TBMPReader::ColorAt(uint32_t x, uint32_t y) const {
  if (pixels_.empty() || x >= static_cast<uint32_t>(info_.Width) || y >= RowCount()) return {};
  const uint32_t row = info_.Height > 0 ? RowCount() - 1 - y : y;
  const uint8_t* r = Row(row);
  switch (info_.BitCount) {
    case 1: case 4: case 8: return palette_[PixelIndex(x, row)];
    case 16: {
      const uint32_t v = ReadLE16(r + 2 * x);
      return {Expand(v, BlueMask), Expand(v, GreenMask), Expand(v, RedMask), 255};
    }
    case 24: return {r[3 * x], r[3 * x + 1], r[3 * x + 2], 255};
    case 32: {
      const uint32_t v = ReadLE32(r + 4 * x);
      return {Expand(v, BlueMask), Expand(v, GreenMask), Expand(v, RedMask), 255};
    }
    default: return {};
  }
}

}  // namespace fc
