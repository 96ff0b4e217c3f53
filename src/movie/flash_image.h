#pragma once
// Bitmap images of a movie: JPEG files passed through as DefineBitsJPEG2 (or DefineBitsJPEG3
// with an alpha plane), BMP and PNG pictures encoded as zlib-compressed lossless bitmaps.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "movie/flash_movie.h"
#include "readers/bmp_reader.h"

namespace fc {

class TFlashImage;

// Where the encoded data of an image lies.
enum class TImageDataState : uint8_t {
  None = 0,
  InMemory = 1,        // raw bitmap data, not yet encoded
  Compressed = 2,      // zlib-compressed lossless data
  JPEGInFile = 3,      // the JPEG is streamed from FileName while the tag is written
  ConvertedJPEG = 4,   // a baseline JPEG made from the file, in Data
  JPEGFileOpened = 5,
};

// Lossless source marker: 32-bit source pixels (their alpha is kept).
inline constexpr uint8_t kBitmapSource32 = 1;

// Loads pictures of other formats; installed once for the program. Returns false when it
// cannot load the file either.
using TImageLoader = std::function<bool(TFlashImage& image, const std::filesystem::path& file_name,
                                        const std::string& extension)>;
void SetCustomImageLoader(TImageLoader loader);

class TFlashImage : public TFlashIDObject {
public:
  TFlashImage();
  ~TFlashImage() override;

  int32_t Width = 0, Height = 0;  // pixels
  bool IsJPEG = false;
  bool HasAlpha = false;
  // 3 colour-mapped, 4 15-bit, 5 24/32-bit; kBitmapSource32 while 32-bit pixels are not encoded.
  uint8_t BitmapFormat = 0;
  int32_t RowWidth = 0;  // pixels per row after padding
  int32_t PaletteSize = 0;
  TImageDataState DataState = TImageDataState::None;
  std::filesystem::path FileName;
  std::vector<uint8_t> Data;       // the JPEG file, or the (compressed) bitmap data
  std::vector<uint8_t> AlphaData;  // 8-bit alpha plane of a JPEG, Width x Height, top row first
  bool ConvertProgressive = true;

  // By extension: JPG/JPEG, BMP, PNG, else the custom loader. Throws on unreadable files and
  // unsupported formats.
  void LoadFromFile(const std::filesystem::path& file_name);
  // A BMP file's bytes.
  void LoadBitmapFromStream(std::span<const uint8_t> bytes);
  void LoadJPEGFromMemory(std::span<const uint8_t> bytes);
  void LoadPNGFromMemory(std::span<const uint8_t> bytes);
  // Straight (not premultiplied) RGBA pixels, top row first.
  void SetRGBA(int32_t width, int32_t height, std::span<const uint8_t> rgba);
  // Colour-mapped bitmaps: the palette entry gets the alpha (and black for alpha 0).
  void SetTransparentIndex(int index, uint8_t alpha);
  void SetConvertProgressive(bool convert);
  // A JPEG's alpha plane (Width x Height bytes), making it a DefineBitsJPEG3.
  void SetAlphaData(std::span<const uint8_t> alpha);
  // Turns a JPEG into a lossless bitmap (its pixels decoded).
  void MakeLossless();

  TBMPReader& BitmapReader() { return bitmap_; }

  bool IsResource() const override { return true; }
  uint8_t MinVersion() const override;
  void WriteToStream(TBitsEngine& be) override;

private:
  std::unique_ptr<TSWFDataObject> MakeTag();
  TBMPReader bitmap_;
};

}  // namespace fc
