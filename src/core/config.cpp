#include "core/config.h"

#include "core/error.h"
#include "core/ini_file.h"
#include "core/text.h"

namespace fc {

void TConfig::Init(std::string file_name, std::string section) {
  FileName = std::move(file_name);
  Section = std::move(section);
}

std::string TConfig::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  if (FileName.empty()) return def;
  try {
    return TIniFile::Load(FileName).Get(section, key).value_or(def);
  } catch (const Error&) {
    return def;  // an unreadable file reads as all defaults, like a missing one
  }
}

int32_t TConfig::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
  const std::string text = ReadString(section, key, {});
  return ParseInt32(text).value_or(def);
}

bool TConfig::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TConfig::ReadFloat(const std::string& section, const std::string& key, double def) const {
  const std::string text = ReadString(section, key, {});
  return ParseDouble(text).value_or(def);
}

void TConfig::WriteString(const std::string& section, const std::string& key, const std::string& value) const {
  TConfigBatch batch(*this);
  batch.WriteString(section, key, value);
  batch.Commit();
}

void TConfig::WriteInteger(const std::string& section, const std::string& key, int32_t value) const {
  WriteString(section, key, std::to_string(value));
}

void TConfig::WriteBool(const std::string& section, const std::string& key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

void TConfig::WriteFloat(const std::string& section, const std::string& key, double value) const {
  WriteString(section, key, FormatDouble(value));
}

struct TConfigBatch::TState {
  TIniFile Ini;
  bool Loaded = false;
};

TConfigBatch::TConfigBatch(const TConfig& config) : config_(config), state_(std::make_unique<TState>()) {}
TConfigBatch::~TConfigBatch() = default;

void TConfigBatch::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!state_->Loaded) {
    try {
      state_->Ini = TIniFile::Load(config_.FileName);
    } catch (const Error&) {
      throw IoError(Format("Unable to write to %s", config_.FileName.c_str()));
    }
    state_->Loaded = true;
  }
  state_->Ini.Set(section, key, value);  // refuses line breaks with its own message
}

void TConfigBatch::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TConfigBatch::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TConfigBatch::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FormatDouble(value));
}

void TConfigBatch::Commit() {
  if (!state_->Loaded) return;
  try {
    if (config_.FileName.empty()) throw IoError("no settings file");
    state_->Ini.Save(config_.FileName);
  } catch (const Error&) {
    throw IoError(Format("Unable to write to %s", config_.FileName.c_str()));
  }
  state_->Loaded = false;
}

void TConfig::Flush() const {}

TConfig& GlobalConfig() {
  static TConfig config;
  return config;
}

}  // namespace fc
