#pragma once
// Whole-file reading and crash-safe writing. Output goes to a temporary file beside the
// target and is renamed over it only when complete, so an interrupted or failed write never
// leaves a half file in the place of a good one.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fc {

// Throws IoError when the file cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
std::string ReadFileText(const std::filesystem::path& path);

// Writes the whole content atomically. Throws IoError with `failure_message` (or a message
// naming the file) when any step fails; the previous file is then left as it was.
void WriteFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> data);
void WriteFileAtomic(const std::filesystem::path& path, std::string_view text);

// Streams output into "<target>.tmp-XXXXXX" and renames it into place on Commit().
// Destroying it without Commit() removes the temporary file.
class TAtomicFileWriter {
public:
  explicit TAtomicFileWriter(std::filesystem::path target);
  ~TAtomicFileWriter();
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

  void Write(std::span<const uint8_t> data);
  void Write(std::string_view text);
  // Overwrites bytes already written (a length field patched once the content is known).
  void WriteAt(uint64_t offset, std::span<const uint8_t> data);
  uint64_t BytesWritten() const { return written_; }
  void Commit();
  const std::filesystem::path& Target() const { return target_; }

private:
  [[noreturn]] void Fail(const char* step);

  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
  uint64_t written_ = 0;
};

// A file for data too large to keep in memory while it is produced: created in `folder`
// and removed from it at once, so it goes away with the object (or the process) whatever
// happens. Written front to back, then read back front to back.
class TScratchFile {
public:
  explicit TScratchFile(const std::filesystem::path& folder);
  ~TScratchFile();
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;

  void Write(std::span<const uint8_t> data);
  uint64_t Size() const { return size_; }
  // Passes the whole content to `chunk`, piece by piece, from the start.
  void ReadBack(const std::function<void(std::span<const uint8_t>)>& chunk);

private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace fc
