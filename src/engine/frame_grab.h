#pragma once
// Saving a decoded picture as an image file (snapshots and thumbnails).

#include <string>
#include <vector>

#include "engine/av_util.h"

namespace fc {

// Saves a frame as JPEG (".jpg", ".jpeg") or BMP (".bmp"), chosen by the extension; the file
// is replaced only once it is complete. Throws MediaError on another extension or a failure.
void SaveFrameImage(const AVFrame* frame, const std::string& path);
// The same picture file's bytes, for an extension such as ".jpg".
std::vector<uint8_t> EncodeFrameImage(const AVFrame* frame, const std::string& extension);

// Converts a frame to packed RGB24 rows (top row first), for tests and image services.
std::vector<uint8_t> FrameToRgb(const AVFrame* frame);

}  // namespace fc
