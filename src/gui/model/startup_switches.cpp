#include "gui/model/startup_switches.h"

#include "core/config.h"
#include "core/config_keys.h"
#include "core/paths.h"
#include "core/text.h"

namespace fc::gui {
std::optional<TLanguageResourceSwitch> FindLanguageResourceSwitch(const std::vector<std::string>& args) {
  struct TKind {
    std::string_view Switch;
    std::string_view DefaultFile;
    bool OnlyTranslatable;
  };
  static constexpr TKind kKinds[] = {{"MakeLangRes", "MakeNewLang.dat", true}, {"MakeFormRes", "MakeForms.xml", false}};
  for (const std::string& arg : args) {
    for (const TKind& kind : kKinds) {
      if (!IStartsWith(arg, kind.Switch)) continue;
      const std::string_view rest = std::string_view(arg).substr(kind.Switch.size());
      if (rest.empty()) return TLanguageResourceSwitch{kind.OnlyTranslatable, std::string(kind.DefaultFile)};
      if (rest[0] != ':') continue;  // a file that merely begins with the word
      const std::string_view file = rest.substr(1);
      return TLanguageResourceSwitch{kind.OnlyTranslatable, std::string(file.empty() ? kind.DefaultFile : file)};
    }
  }
  return std::nullopt;
}

std::string SkinStyleSheetFile(const std::string& program_folder, const TConfig& config) {
  const std::string skin_path =
      config.ReadString(keys::kSystem, keys::kSkinPath, SettingDefault(keys::kSystem, keys::kSkinPath, config));
  const std::string default_skin = SettingDefault(keys::kSystem, keys::kDefSkin, config);
  const std::string skin = SanitizePathComponent(config.ReadString(keys::kSystem, keys::kDefSkin, default_skin), default_skin);
  return JoinPath(JoinPath(JoinPath(program_folder, skin_path), skin), "skin.qss");
}

std::vector<std::string> StartupFiles(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  for (const std::string& arg : args)
    if (!arg.empty() && !FindLanguageResourceSwitch({arg})) files.push_back(arg);
  return files;
}

}  // namespace fc::gui
