#include "core/application.h"

#include "core/config_keys.h"
#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/version.h"

namespace fc {

TApplicationCore::TApplicationCore(TStartupOptions options)
    : program_folder_(options.ProgramFolder.empty() ? fc::ProgramFolder() : options.ProgramFolder) {
  TConfig& config = GlobalConfig();
  config.Init(options.IniFile.empty() ? DefaultConfigFile(program_folder_) : options.IniFile);

  if (options.OpenLog) {
    try {
      log_ = TLogFile::Open(JoinPath(WritableProgramDataFolder(program_folder_), "Log"));
      SetProcessLog(log_.get());
      const std::string full_name = config.ReadString(keys::kSystem, keys::kFullName, kProductName);
      log_->Write(LogHeader(full_name));
    } catch (const Error& e) {
      warnings_.push_back(e.what());  // the program runs without a log rather than not at all
    }
  }

  TLanguageMgr& languages = TLanguageMgr::Instance();
  languages.LoadLanguages(JoinPath(program_folder_, "Languages/*.dat"));
  for (const std::string& message : languages.LoadErrors()) warnings_.push_back(message);
  languages.SelectLanguage(config.ReadString(keys::kSystem, keys::kDefLanguage, ""));
}

TApplicationCore::~TApplicationCore() {
  GlobalConfig().Flush();
  SetProcessLog(nullptr);
}

std::string TApplicationCore::VersionText() {
  return Format("%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRelease);
}

std::string TApplicationCore::LogHeader(const std::string& full_name) {
  return Format("==%s(Version: %s)===", full_name.c_str(), VersionText().c_str());
}

}  // namespace fc
