#pragma once
// Start-up decisions of the windowed program, without Qt: the developer switches that write
// a language file instead of starting, and where the style sheet skin is read from.

#include <optional>
#include <string>
#include <vector>

namespace fc {

struct TConfig;

namespace gui {

// "MakeLangRes[:file]" writes the translatable texts of every form (default file
// "MakeNewLang.dat"); "MakeFormRes[:file]" writes the full form definitions (default
// "MakeForms.xml"). The switch is matched ignoring case, anywhere on the command line.
struct TLanguageResourceSwitch {
  bool OnlyTranslatable = true;  // MakeLangRes
  std::string FileName;
};
std::optional<TLanguageResourceSwitch> FindLanguageResourceSwitch(const std::vector<std::string>& args);

// The files to add at start: the arguments that are not one of those switches, in order.
std::vector<std::string> StartupFiles(const std::vector<std::string>& args);

// The style sheet of the skin: "skin.qss" in the skin folder, which is the program folder +
// "SkinPath" (default "Skin") + "DefSkin" (default "Default"). The skin name is one folder
// name: separators and ".." in the setting cannot lead elsewhere.
std::string SkinStyleSheetFile(const std::string& program_folder, const TConfig& config);

}  // namespace gui
}  // namespace fc
