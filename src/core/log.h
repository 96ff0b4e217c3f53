#pragma once
// The program log: "Log/Log.txt" in the program's data folder, one line per call.
//
// A running copy holds an exclusive lock on its log file for as long as it runs. A second
// copy finds "Log.txt" locked and logs to "Log(1).txt", a third to "Log(2).txt", and so on.

#include <memory>
#include <string>
#include <string_view>

namespace fc {

class TLogFile {
public:
  // Opens (and truncates) the first free name in `folder` (created when missing), starting
  // from `name` ("Log.txt" when empty). Throws IoError when no file can be opened.
  static std::unique_ptr<TLogFile> Open(const std::string& folder, std::string_view name = {});
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // Appends one line, prefixed with the local date and time.
  void Write(std::string_view line);
  const std::string& Path() const { return path_; }

private:
  TLogFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

// The process log used by Log(): set by the application at start-up, cleared at exit.
void SetProcessLog(TLogFile* log);
// Writes one line to the process log; does nothing when no log is open.
void Log(std::string_view line);

}  // namespace fc
