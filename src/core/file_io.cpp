#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "core/error.h"
#include "core/text.h"

namespace fc {

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw IoError(Format("Unable to read %s", path.c_str()));
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw IoError(Format("Unable to read %s", path.c_str()));
  return data;
}

std::string ReadFileText(const std::filesystem::path& path) {
  const auto bytes = ReadFileBytes(path);
  return {bytes.begin(), bytes.end()};
}

void WriteFileAtomic(const std::filesystem::path& path, std::span<const uint8_t> data) {
  TAtomicFileWriter out(path);
  out.Write(data);
  out.Commit();
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view text) {
  WriteFileAtomic(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TAtomicFileWriter::TAtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {
  std::string pattern = target_.string() + ".tmp-XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) throw IoError(Format("Unable to write to %s: %s", target_.c_str(), std::strerror(errno)));
  temp_ = pattern;
  // mkstemp creates 0600; a finished file gets the usual permissions (subject to the umask),
  // or keeps those of the file it replaces.
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(target_.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  ::fchmod(fd_, mode);
}

TAtomicFileWriter::~TAtomicFileWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void TAtomicFileWriter::Fail(const char* step) {
  const std::string reason = std::strerror(errno);
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
    fd_ = -1;
  }
  throw IoError(Format("Unable to write to %s: %s (%s)", target_.c_str(), reason.c_str(), step));
}

void TAtomicFileWriter::Write(std::span<const uint8_t> data) {
  if (fd_ < 0) throw IoError(Format("Unable to write to %s", target_.c_str()));
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write");
    }
    done += static_cast<size_t>(n);
  }
  written_ += data.size();
}

void TAtomicFileWriter::WriteAt(uint64_t offset, std::span<const uint8_t> data) {
  if (fd_ < 0) throw IoError(Format("Unable to write to %s", target_.c_str()));
  if (offset > written_ || data.size() > written_ - offset)
    throw Error(Format("Patching %s beyond what was written", target_.c_str()));
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("pwrite");
    }
    done += static_cast<size_t>(n);
  }
}

void TAtomicFileWriter::Write(std::string_view text) {
  Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void TAtomicFileWriter::Commit() {
  if (fd_ < 0) throw IoError(Format("Unable to write to %s", target_.c_str()));
  if (::fsync(fd_) != 0) Fail("fsync");
  if (::close(fd_) != 0) {
    fd_ = -1;
    ::unlink(temp_.c_str());
    throw IoError(Format("Unable to write to %s: %s (close)", target_.c_str(), std::strerror(errno)));
  }
  fd_ = -1;
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temp_.c_str());
    throw IoError(Format("Unable to write to %s: %s (rename)", target_.c_str(), reason.c_str()));
  }
}

// ---------------------------------------------------------------------------------------
// TScratchFile

TScratchFile::TScratchFile(const std::filesystem::path& folder) {
  std::string pattern = (folder.empty() ? std::filesystem::path(".") : folder).string() + "/.scratch-XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) throw IoError(Format("Unable to create a scratch file in %s: %s", folder.c_str(), std::strerror(errno)));
  ::unlink(pattern.c_str());
}

TScratchFile::~TScratchFile() {
  if (fd_ >= 0) ::close(fd_);
}

void TScratchFile::Write(std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw IoError(Format("Unable to write a scratch file: %s", std::strerror(errno)));
    }
    done += static_cast<size_t>(n);
  }
  size_ += data.size();
}

void TScratchFile::ReadBack(const std::function<void(std::span<const uint8_t>)>& chunk) {
  std::vector<uint8_t> buffer(1 << 20);
  uint64_t offset = 0;
  while (offset < size_) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size_ - offset));
    const ssize_t n = ::pread(fd_, buffer.data(), want, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw IoError(Format("Unable to read a scratch file back: %s", n < 0 ? std::strerror(errno) : "it is shorter than written"));
    chunk(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
    offset += static_cast<uint64_t>(n);
  }
}

}  // namespace fc
