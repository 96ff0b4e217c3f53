#pragma once
// Start-up and shut-down of the program's core, shared by flarecast (GUI) and flarecast-cli:
//   1. the global configuration: "flarecast.ini" in the program folder, or in
//      $XDG_CONFIG_HOME/flarecast when the program folder is not writable;
//   2. the log "Log/Log.txt" (Log(1).txt, ... when another running copy holds it) and its
//      header line "==<FullName>(Version: x.y.z)===";
//   3. the interface languages from "Languages/*.dat" and the "DefLanguage" selection.
// The destructor flushes the configuration and closes the log.

#include <memory>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/log.h"

namespace fc {

struct TStartupOptions {
  std::string ProgramFolder;  // empty: the folder of the running executable
  std::string IniFile;        // empty: the default settings file
  bool OpenLog = true;
};

class TApplicationCore {
public:
  explicit TApplicationCore(TStartupOptions options = {});
  ~TApplicationCore();
  TApplicationCore(const TApplicationCore&) = delete;
  TApplicationCore& operator=(const TApplicationCore&) = delete;

  const std::string& ProgramFolder() const { return program_folder_; }
  TConfig& Config() const { return GlobalConfig(); }
  TLogFile* LogFile() const { return log_.get(); }
  // Problems met on the way that did not stop the start (a language file that failed to
  // load, a log that could not be opened). The caller shows them.
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // "major.minor.release" of this build.
  static std::string VersionText();
  // The header line written first to the log.
  static std::string LogHeader(const std::string& full_name);

private:
  std::string program_folder_;
  std::unique_ptr<TLogFile> log_;
  std::vector<std::string> warnings_;
};

}  // namespace fc
