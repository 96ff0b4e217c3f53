#pragma once
// ReadJPEGSize: the pixel size of a JPEG file from its baseline or extended frame header
// (SOF0 or SOF1), read without decoding. JPEG files pass into the movie unchanged; only their
// size is needed.

#include <cstdint>
#include <filesystem>
#include <span>

namespace fc {

class TMediaSource;

// Returns false and leaves Width and Height unchanged when no such frame header is found
// (progressive files among them, and files whose markers do not follow the format).
// Throws IoError when the file cannot be read.
bool ReadJPEGSize(const std::filesystem::path& file_name, uint16_t& Width, uint16_t& Height);
bool ReadJPEGSize(const TMediaSource& file, uint16_t& Width, uint16_t& Height);

}  // namespace fc
