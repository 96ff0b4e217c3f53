#pragma once
// TDibImage: a device-independent picture with alpha, 32 bits per pixel (blue, green, red,
// alpha in memory, rows top to bottom). Watermarks, credit pictures and rendered text travel
// as these.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/video_processor.h"

namespace fc {

// The picture's header, as a bitmap info header describes it.
struct TDibHeader {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Planes = 1;
  uint16_t BitCount = 32;
  uint32_t SizeImage = 0;  // bytes of pixel data
};

class TDibImage {
public:
  TDibImage() = default;
  TDibImage(int32_t width, int32_t height);  // transparent black

  // Loads any still picture FFmpeg decodes (PNG, JPEG, BMP, GIF, TIFF, ...). Throws MediaError
  // (the image keeps its old content) when the file is missing or not a picture.
  void LoadImage(const std::string& path);
  // Copies another image; false when the source is empty.
  bool CopyImage(const TDibImage& source);

  bool empty() const { return width_ <= 0 || height_ <= 0; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Pitch() const { return width_ * 4; }
  TDibHeader Header() const;
  // The pixels: pitch() bytes per row, top row first, B G R A.
  const std::vector<uint8_t>& Bits() const { return bits_; }
  std::vector<uint8_t>& Bits() { return bits_; }
  // The same picture as R G B A rows, for the watermark of a picture processor.
  TRgbaImage ToRgba() const;

private:
  int32_t width_ = 0, height_ = 0;
  std::vector<uint8_t> bits_;
};

}  // namespace fc
