#pragma once
// Random access to the bytes of a media file. Readers index a file once and copy payloads
// from it later, by 64-bit position, so that files larger than 4 GB work and nothing but
// headers is ever loaded. A memory source serves tests and the fuzzers.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace fc {

class TMediaSource {
public:
  virtual ~TMediaSource() = default;
  virtual uint64_t Size() const = 0;
  // Copies up to out.size() bytes from `position`; returns how many were copied (fewer only
  // at the end of the data). Throws IoError when the file cannot be read.
  virtual size_t ReadAt(uint64_t position, std::span<uint8_t> out) const = 0;

  // The bytes at [position, position + count), cut at the end of the data.
  std::vector<uint8_t> ReadBytes(uint64_t position, size_t count) const;
  // Bytes left from `position` to the end (0 past the end).
  uint64_t Remaining(uint64_t position) const { return position < Size() ? Size() - position : 0; }
};

// A file opened for reading; the descriptor stays open for the life of the object.
class TFileSource final : public TMediaSource {
public:
  explicit TFileSource(const std::filesystem::path& path);  // throws IoError
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  uint64_t Size() const override { return size_; }
  size_t ReadAt(uint64_t position, std::span<uint8_t> out) const override;
  const std::filesystem::path& Path() const { return path_; }

private:
  std::filesystem::path path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Bytes held in memory (owned).
class TMemorySource final : public TMediaSource {
public:
  explicit TMemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  TMemorySource(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  uint64_t Size() const override { return bytes_.size(); }
  size_t ReadAt(uint64_t position, std::span<uint8_t> out) const override;

private:
  std::vector<uint8_t> bytes_;
};

// A window [offset, offset + length) of another source, which must outlive it; used for
// MPEG audio inside the data chunk of a WAV file.
class TSliceSource final : public TMediaSource {
public:
  TSliceSource(const TMediaSource& parent, uint64_t offset, uint64_t length);
  uint64_t Size() const override { return length_; }
  size_t ReadAt(uint64_t position, std::span<uint8_t> out) const override;
  uint64_t Offset() const { return offset_; }

private:
  const TMediaSource& parent_;
  uint64_t offset_;
  uint64_t length_;
};

// Sequential reads through a window buffer, for index scans that read a few bytes per
// record over a whole file.
class TBufferedSourceReader {
public:
  explicit TBufferedSourceReader(const TMediaSource& source, size_t window = 64 * 1024)
      : source_(source), window_(window) {}
  // Copies what lies at [position, position + out.size()); returns the bytes copied.
  size_t ReadAt(uint64_t position, std::span<uint8_t> out);

private:
  const TMediaSource& source_;
  size_t window_;
  std::vector<uint8_t> buffer_;
  uint64_t buffer_start_ = 0;
};

}  // namespace fc
