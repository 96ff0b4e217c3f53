#include "core/log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/paths.h"
#include "core/text.h"

namespace fc {
namespace {

TLogFile* g_process_log = nullptr;  // owned by the application object

constexpr int kMaxLogCopies = 1000;

}  // namespace

std::unique_ptr<TLogFile> TLogFile::Open(const std::string& folder, std::string_view name) {
  if (name.empty()) name = "Log.txt";
  std::string base(name), ext = ".txt";
  if (const size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0) {
    ext = base.substr(dot);
    base.resize(dot);
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);

  std::string file(name);
  for (int counter = 1; counter <= kMaxLogCopies; ++counter) {
    const std::string path = JoinPath(folder, file);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) throw IoError(Format("Unable to write to %s: %s", path.c_str(), std::strerror(errno)));
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      if (::ftruncate(fd, 0) != 0) { /* an old log that cannot be emptied is still usable */ }
      return std::unique_ptr<TLogFile>(new TLogFile(fd, path));
    }
    ::close(fd);  // held by another running copy: try the next name
    file = Format("%s(%d)%s", base.c_str(), counter, ext.c_str());
  }
  throw IoError(Format("Unable to open a log file in %s", folder.c_str()));
}

TLogFile::~TLogFile() {
  if (g_process_log == this) g_process_log = nullptr;
  ::close(fd_);  // also releases the lock
}

void TLogFile::Write(std::string_view line) {
  const std::time_t now = std::time(nullptr);
  std::tm tm {};
  ::localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &tm);
  std::string text = stamp;
  text += line;
  text += '\n';
  // One write() per line keeps lines whole even if two threads log at once.
  const ssize_t n = ::write(fd_, text.data(), text.size());
  (void)n;  // the log is best effort: a full disk must not stop a conversion
}

void SetProcessLog(TLogFile* log) { g_process_log = log; }

void Log(std::string_view line) {
  if (g_process_log) g_process_log->Write(line);
}

}  // namespace fc
