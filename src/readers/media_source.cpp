#include "readers/media_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/error.h"
#include "core/text.h"

namespace fc {

std::vector<uint8_t> TMediaSource::ReadBytes(uint64_t position, size_t count) const {
  const uint64_t available = Remaining(position);
  std::vector<uint8_t> out(static_cast<size_t>(std::min<uint64_t>(count, available)));
  out.resize(ReadAt(position, out));
  return out;
}

TFileSource::TFileSource(const std::filesystem::path& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw IoError(Format("Unable to open %s: %s", path.c_str(), std::strerror(errno)));
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    throw IoError(Format("Unable to open %s: not a regular file", path.c_str()));
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

TFileSource::~TFileSource() {
  if (fd_ >= 0) ::close(fd_);
}

size_t TFileSource::ReadAt(uint64_t position, std::span<uint8_t> out) const {
  size_t done = 0;
  while (done < out.size() && position + done < size_) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(position + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw IoError(Format("Unable to read %s: %s", path_.c_str(), std::strerror(errno)));
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t TMemorySource::ReadAt(uint64_t position, std::span<uint8_t> out) const {
  if (out.empty() || position >= bytes_.size()) return 0;
  const size_t n = std::min<size_t>(out.size(), bytes_.size() - static_cast<size_t>(position));
  std::memcpy(out.data(), bytes_.data() + position, n);
  return n;
}

TSliceSource::TSliceSource(const TMediaSource& parent, uint64_t offset, uint64_t length)
    : parent_(parent), offset_(std::min(offset, parent.Size())), length_(std::min(length, parent.Remaining(offset_))) {}

size_t TSliceSource::ReadAt(uint64_t position, std::span<uint8_t> out) const {
  if (position >= length_) return 0;
  const uint64_t n = std::min<uint64_t>(out.size(), length_ - position);
  return parent_.ReadAt(offset_ + position, out.first(static_cast<size_t>(n)));
}

size_t TBufferedSourceReader::ReadAt(uint64_t position, std::span<uint8_t> out) {
  if (out.empty()) return 0;
  if (out.size() > window_) return source_.ReadAt(position, out);
  const bool inside = position >= buffer_start_ && position + out.size() <= buffer_start_ + buffer_.size();
  if (!inside) {
    buffer_.resize(window_);
    buffer_.resize(source_.ReadAt(position, buffer_));
    buffer_start_ = position;
  }
  const size_t offset = static_cast<size_t>(position - buffer_start_);
  const size_t n = std::min(out.size(), buffer_.size() - std::min(offset, buffer_.size()));
  if (n > 0) std::memcpy(out.data(), buffer_.data() + offset, n);
  return n;
}

}  // namespace fc
