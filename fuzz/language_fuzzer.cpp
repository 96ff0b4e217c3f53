// Loads arbitrary bytes as a language file, selects it and looks keys up.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "core/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    char tmpl[] = "/tmp/fc-language-fuzz-XXXXXX";
    return std::string(::mkdtemp(tmpl));
  }();
  {
    std::ofstream out(folder + "/Fuzz.dat", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  fc::TLanguageMgr languages;
  if (languages.LoadLanguages(folder + "/*.dat") == 1) {
    const fc::TLanguageItem* item = languages.Languages().Item(0);
    if (languages.SelectLanguage(item->Id())) {
      (void)languages.GetString("Info_Title", "x");
      (void)languages.Current()->Select("/LanguageResource/Forms/*");
      (void)languages.Current()->Select("/LanguageResource/Forms/*");  // cached result
      (void)languages.SelectLanguage("no such language");
    }
  }
  return 0;
}
