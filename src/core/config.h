#pragma once
// TConfig: the accessor record over the program's initialisation file. Every part of the
// program reads and writes its settings through it.
//
// Reading rules: a missing file or key gives the caller's default; integers are decimal, or
// hexadecimal when the text has at least three characters and begins with "0x"/"0X";
// booleans are integers (non-zero is true); floats use the C locale, so "1,5" gives the
// default. A value that does not parse gives the default. Writes go straight to the file
// (atomically) and raise IoError "Unable to write to %s" when they fail.

#include <cstdint>
#include <memory>
#include <string>

namespace fc {

struct TConfig {
  std::string FileName;  // full path of the initialisation file
  std::string Section;   // default section of the accessors that take none

  void Init(std::string file_name, std::string section = {});

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  double ReadFloat(const std::string& section, const std::string& key, double def) const;

  std::string ReadString(const std::string& key, const std::string& def) const { return ReadString(Section, key, def); }
  int32_t ReadInteger(const std::string& key, int32_t def) const { return ReadInteger(Section, key, def); }
  bool ReadBool(const std::string& key, bool def) const { return ReadBool(Section, key, def); }
  double ReadFloat(const std::string& key, double def) const { return ReadFloat(Section, key, def); }

  void WriteString(const std::string& section, const std::string& key, const std::string& value) const;
  void WriteInteger(const std::string& section, const std::string& key, int32_t value) const;
  void WriteBool(const std::string& section, const std::string& key, bool value) const;
  void WriteFloat(const std::string& section, const std::string& key, double value) const;

  void WriteString(const std::string& key, const std::string& value) const { WriteString(Section, key, value); }
  void WriteInteger(const std::string& key, int32_t value) const { WriteInteger(Section, key, value); }
  void WriteBool(const std::string& key, bool value) const { WriteBool(Section, key, value); }
  void WriteFloat(const std::string& key, double value) const { WriteFloat(Section, key, value); }

  // Every write already reaches the disk before it returns; Flush is kept for the callers
  // that mark the points where the settings must be on disk (program exit).
  void Flush() const;
};

// Several writes saved together: the file is read once and written once (atomically) on
// Commit. Nothing reaches the file without Commit.
class TConfigBatch {
public:
  explicit TConfigBatch(const TConfig& config);
  ~TConfigBatch();
  TConfigBatch(const TConfigBatch&) = delete;
  TConfigBatch& operator=(const TConfigBatch&) = delete;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  // Throws IoError "Unable to write to %s" when the file cannot be written.
  void Commit();

private:
  struct TState;
  const TConfig& config_;
  std::unique_ptr<TState> state_;
};

// The process-wide configuration, made at start-up.
TConfig& GlobalConfig();

}  // namespace fc
