#pragma once
// Bitmap images of a movie: JPEG files passed through as DefineBitsJPEG2 (or DefineBitsJPEG3
// with an alpha plane), BMP and PNG pictures encoded as zlib-compressed lossless bitmaps.
//
// Lossless pixels are kept decoded until the image is first written; they are then encoded
// in the SWF layout and compressed once. Bitmaps with alpha are written premultiplied, as
// the players expect DefineBitsLossless2 data.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "movie/flash_movie.h"

namespace fc {

class TFlashImage;
class TBMPReader;

// Where the encoded data of an image lies.
enum class TImageDataState : uint8_t {
  None = 0,
  InMemory = 1,        // decoded pixels, or a JPEG given as bytes
  Compressed = 2,      // zlib-compressed lossless data in Data
  JPEGInFile = 3,      // the JPEG is streamed from FileName while the tag is written
  ConvertedJPEG = 4,   // a baseline JPEG made from the file, in Data
  JPEGFileOpened = 5,  // kept for stored states; this builder streams without it
};

// SWF lossless formats, and the marker of 32-bit source pixels before encoding.
inline constexpr uint8_t kImageSource32 = 1;
inline constexpr uint8_t kImagePalette = 3;
inline constexpr uint8_t kImage15 = 4;
inline constexpr uint8_t kImage32 = 5;

// The largest picture taken: each side fits the 16-bit fields of the bitmap tags, and the
// pixel count is what the players show (and bounds the memory a hostile file can claim).
inline constexpr int32_t kMaxImageSide = 0xFFFF;
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 24;

// Loads pictures of other formats for LoadFromFile; installed once for the program (an empty
// function removes it). `extension` is upper-case without the dot.
using TImageLoader = std::function<void(TFlashImage& image, const std::filesystem::path& file_name,
                                        const std::string& extension)>;
void SetCustomImageLoader(TImageLoader loader);

class TFlashImage : public TFlashIDObject {
public:
  TFlashImage();
  ~TFlashImage() override;

  int32_t Width = 0, Height = 0;  // pixels
  bool IsJPEG = false;
  bool HasAlpha = false;
  // kImagePalette, kImage15 or kImage32 (kImageSource32 while 32-bit pixels wait to be encoded).
  uint8_t BitmapFormat = 0;
  int32_t RowWidth = 0;  // pixels per row after padding
  int32_t PaletteSize = 0;
  TImageDataState DataState = TImageDataState::None;
  std::filesystem::path FileName;
  std::vector<uint8_t> Data;       // the JPEG, or the compressed lossless data
  std::vector<uint8_t> AlphaData;  // a JPEG's alpha plane, Width x Height bytes, top row first
  bool ConvertProgressive = true;

  // By extension: JPG/JPEG, BMP, PNG, else the custom loader; throws Error
  // `Image format "EXT" not supported!` without one. IoError for unreadable files, FormatError
  // for broken, cut or oversized pictures. The owning movie's OnLoadImage may cancel the load.
  void LoadFromFile(const std::filesystem::path& file_name);
  // A BMP file's bytes.
  void LoadBitmapFromStream(std::span<const uint8_t> bytes);
  void LoadBitmap(const TBMPReader& bitmap);
  // A JPEG file's bytes; progressive ones (any without a readable size) are made baseline
  // when ConvertProgressive is on.
  void LoadJPEGFromMemory(std::span<const uint8_t> bytes);
  void LoadPNGFromMemory(std::span<const uint8_t> bytes);
  // Straight (not premultiplied) RGBA pixels, top row first. HasAlpha when any is not opaque.
  void SetRGBA(int32_t width, int32_t height, std::span<const uint8_t> rgba);
  // Colour-mapped bitmaps: the palette entry gets the alpha (and black for alpha 0).
  void SetTransparentIndex(int index, uint8_t alpha);
  // On for a JPEG kept in its file: decodes it and, when progressive, re-encodes it as a
  // baseline JPEG in memory.
  void SetConvertProgressive(bool convert);
  // A JPEG's alpha plane (Width x Height bytes, top row first): written as DefineBitsJPEG3.
  void SetAlphaData(std::span<const uint8_t> alpha);
  // A JPEG's alpha plane from another picture of the same size: its alpha where it has any,
  // else its grey level (white opaque, black clear), as masks are drawn.
  void SetAlphaFromMask(const TFlashImage& mask);
  // A JPEG becomes a lossless bitmap of its decoded pixels (with its alpha plane, if any).
  void MakeLossless();

  // The straight RGBA pixels of the picture (decoding a JPEG), top row first. Not available
  // once lossless data is compressed.
  std::vector<uint8_t> DecodeRGBA() const;

  bool IsResource() const override { return true; }
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  void Reset();
  void SetSize(int64_t width, int64_t height);
  void ConvertJPEG(std::span<const uint8_t> jpeg);
  void EncodeLossless();

  // Decoded lossless pixels until encoding: palette indexes (one byte each), 15-bit pixels
  // (two bytes, SWF order) or RGBA; top row first, unpadded.
  std::vector<uint8_t> pixels_;
  std::vector<std::array<uint8_t, 4>> palette_;  // RGBA, straight
};

}  // namespace fc
