#pragma once
// Every window of the program, by object name, with a way to create it. The language file
// skeleton (MakeLangRes, MakeFormRes) is written from this list: a new window adds one line
// to the table in form_list.cpp and is part of the next skeleton.

#include <functional>
#include <memory>
#include <span>
#include <string>

#include <pugixml.hpp>

class QWidget;

namespace fc {
struct TConfig;
}

namespace fc::gui {

class TDesktopActions;
class TUserPrompts;

struct TFormContext {
  const TConfig& Config;
  TUserPrompts& Prompts;
  TDesktopActions& Desktop;
  std::string ProgramFolder;  // where the profiles and the help are
};

struct TFormFactory {
  const char* Name;  // the window's object name
  std::function<std::unique_ptr<QWidget>(const TFormContext&)> Create;
};

std::span<const TFormFactory> FormFactories();

// A "LanguageResource" document whose "Forms" element holds every listed window, created
// hidden: only the translatable texts, or the full definitions.
void MakeLanguageResource(pugi::xml_document& doc, const TFormContext& context, bool only_translatable);
// The same, saved to a file. Throws IoError when it cannot be written.
void SaveLanguageResource(const std::string& file_name, const TFormContext& context, bool only_translatable);

}  // namespace fc::gui
