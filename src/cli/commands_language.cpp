// flarecast-cli lang ...: the interface languages in Languages/*.dat.

#include <ostream>

#include "cli/command.h"
#include "core/error.h"
#include "core/language.h"

namespace fc::cli {
namespace {

int LangList(const Args&, std::ostream& out) {
  const TLanguageMgr& languages = TLanguageMgr::Instance();
  for (const auto& [display, item] : languages.ListLanguages()) {
    out << item->Id() << "\t" << display << (item == languages.Current() ? "\t(current)" : "") << "\n";
  }
  return 0;
}

int LangGet(const Args& args, std::ostream& out) {
  TLanguageMgr& languages = TLanguageMgr::Instance();
  if (const auto id = args.get("--lang")) {
    if (!languages.SelectLanguage(*id)) throw Error("No language with the identifier " + *id);
  }
  const auto def = args.get("--default");
  if (!def && !languages.Current()) throw Error("No interface language is selected (see System/DefLanguage)");
  std::string text;
  if (!languages.Current() || !languages.Current()->FindString(args.at(0), text)) {
    if (!def) throw Error("No text for the key " + args.at(0));
    text = *def;
  }
  out << text << "\n";
  return 0;
}

}  // namespace

void RegisterLanguageCommands(CommandTable& table) {
  table.Add({.name = "lang list",
             .summary = "list the interface languages (identifier and name)",
             .run = LangList});
  table.Add({.name = "lang get",
             .args = "KEY",
             .summary = "print the text of a message key",
             .details = "Uses the language of System/DefLanguage unless --lang names another.",
             .options = {{"--lang", "ID", "language identifier, for example ENU"},
                         {"--default", "TEXT", "text to print when the key has none"}},
             .min_positional = 1,
             .max_positional = 1,
             .run = LangGet});
}

}  // namespace fc::cli
