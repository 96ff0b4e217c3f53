#pragma once
// TBMPReader: a device-independent bitmap held in plain memory with row access, loaded from a
// BMP file (all bit depths, run-length compressed or not, bit fields), with the palette
// analysis that finds a transparent entry and the colour count that compacts a palette.
// Rows lie in BMP order: bottom row first when the height is positive.
//
// Everything in the file is checked: sizes are computed, never taken from the header; runs
// and deltas are clipped to the bitmap; what cannot be drawn is refused with a FormatError.

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace fc {

struct TBitmapInfoHeader {
  uint32_t Size = 40;
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Planes = 1;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  uint32_t SizeImage = 0;
  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;
  uint32_t ClrUsed = 0;
  uint32_t ClrImportant = 0;
};

struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;  // Reserved is read as alpha
  bool operator==(const TRGBQuad&) const = default;
};

enum : uint32_t { kBmpRGB = 0, kBmpRLE8 = 1, kBmpRLE4 = 2, kBmpBitFields = 3 };

// Largest pixel memory a load may allocate unless the caller asks otherwise.
inline constexpr uint64_t kDefaultMaxBitmapBytes = 512ull << 20;

class TBMPReader {
public:
  TBMPReader() = default;

  // Throws IoError when the file cannot be read and FormatError when it is not a BMP that can
  // be drawn (the reader is then left empty).
  void LoadFromFile(const std::filesystem::path& file_name, uint64_t max_bytes = kDefaultMaxBitmapBytes);
  void LoadFromBytes(std::span<const uint8_t> file, uint64_t max_bytes = kDefaultMaxBitmapBytes);

  // Sets the format and allocates zeroed pixels. BitCount 0 means 32 bits. Mask sizes other
  // than 0 make 16- and 32-bit bitmaps use bit fields (blue lowest, then green, then red).
  void SetFormat(int32_t Width, int32_t Height, uint16_t BitCount, uint8_t BlueBits = 0, uint8_t GreenBits = 0,
                 uint8_t RedBits = 0, uint64_t max_bytes = kDefaultMaxBitmapBytes);

  const TBitmapInfoHeader& Info() const { return info_; }
  int32_t Width() const { return info_.Width; }
  int32_t Height() const { return info_.Height; }
  uint16_t BitCount() const { return info_.BitCount; }
  uint32_t Compression() const { return info_.Compression; }
  uint32_t RowBytes() const { return row_bytes_; }
  uint32_t RowPadding() const { return row_padding_; }
  uint32_t RowCount() const { return static_cast<uint32_t>(info_.Height < 0 ? -int64_t{info_.Height} : info_.Height); }
  uint64_t ImageSize() const { return pixels_.size(); }
  // Row `i` in memory order (row 0 at the start of the pixel memory).
  uint8_t* Row(uint32_t i) { return pixels_.data() + size_t{i} * row_bytes_; }
  const uint8_t* Row(uint32_t i) const { return pixels_.data() + size_t{i} * row_bytes_; }
  std::span<const uint8_t> Pixels() const { return pixels_; }

  std::array<TRGBQuad, 256>& Palette() { return palette_; }
  const std::array<TRGBQuad, 256>& Palette() const { return palette_; }
  int TransparentIndex = -1;

  // Bit-field masks and their sizes (16 and 32 bits).
  uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0;
  uint8_t RedBits = 0, GreenBits = 0, BlueBits = 0;

  // The colour of pixel (x, y), y counted from the top of the picture; alpha from the palette
  // entry for palette images, 255 otherwise.
  TRGBQuad ColorAt(uint32_t x, uint32_t y) const;

  // The palette's fourth byte read as alpha: see the source for the rules.
  void AnalysePalette();
  // Palette entries in use (1, 4 and 8 bits; 0 otherwise); compacts the palette.
  int ColorCount();

  void DecodeRLE(std::span<const uint8_t> data);

private:
  void SetPixelIndex(uint32_t x, uint32_t row, uint8_t index);
  uint8_t PixelIndex(uint32_t x, uint32_t row) const;
  void Reset();

  TBitmapInfoHeader info_;
  std::array<TRGBQuad, 256> palette_{};
  uint32_t colors_used_ = 0;  // palette entries given by the file (at most 256)
  std::vector<uint8_t> pixels_;
  uint32_t row_bytes_ = 0;
  uint32_t row_padding_ = 0;
};

}  // namespace fc
