// flarecast-cli lang ...: the interface languages in Languages/*.dat.

#include <ostream>

#include "cli/command.h"
#include "core/error.h"
#include "core/language.h"

namespace fc::cli {
namespace {

int LangList(const TArgs&, std::ostream& out) {
  const TLanguageMgr& languages = TLanguageMgr::Instance();
  for (const auto& [display, item] : languages.ListLanguages()) {
    out << item->Id() << "\t" << display << (item == languages.Current() ? "\t(current)" : "") << "\n";
  }
  return 0;
}

int LangGet(const TArgs& args, std::ostream& out) {
  TLanguageMgr& languages = TLanguageMgr::Instance();
  if (const auto id = args.get("--lang")) {
    if (!languages.SelectLanguage(*id)) throw Error("No language with the identifier " + *id);
  }
  const auto def = args.get("--default");
  if (!def && !languages.Current()) throw Error("No interface language is selected (see System/DefLanguage)");
  std::string text;
  if (!languages.Current() || !languages.Current()->FindString(args.At(0), text)) {
    if (!def) throw Error("No text for the key " + args.At(0));
    text = *def;
  }
  out << text << "\n";
  return 0;
}

}  // namespace

void RegisterLanguageCommands(TCommandTable& table) {
  table.Add({.Name = "lang list",
             .Summary = "list the interface languages (identifier and name)",
             .Run = LangList});
  table.Add({.Name = "lang get",
             .Args = "KEY",
             .Summary = "print the text of a message key",
             .Details = "Uses the language of System/DefLanguage unless --lang names another.",
             .Options = {{"--lang", "ID", "language identifier, for example ENU"},
                         {"--default", "TEXT", "text to print when the key has none"}},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = LangGet});
}

}  // namespace fc::cli
