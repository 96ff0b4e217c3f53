#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace fc
