#pragma once
// Interface languages. Every visible text of the program comes from a language file, an XML
// document "LanguageResource" with the attributes Id, name, LocaleName, LangID and CodePage,
// a "Default" element (font and help file), a "Strings" element with one child per message
// key, and a "Forms" element with the window texts (applied by the GUI).
//
// TLanguageMgr is the process-wide manager; GetString(key) is the lookup every message uses.
// Nothing here depends on Qt: the GUI applies the "Forms" texts to its widgets itself.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace fc {

class TLanguageList;

struct TLanguageFont {
  std::string Charset;
  std::string Name;
  int Size = 0;
  std::string Color;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

class TLanguageItem {
public:
  TLanguageItem(TLanguageList* list, std::string file_path);

  // Reads the file's attributes and releases the document again. False when the file is not
  // a language file (another document element, or no "name"); throws Error when it is not
  // well-formed XML or cannot be read.
  bool LoadInfo();
  // Loads the document on demand (for lookups); throws Error when the file cannot be parsed.
  void LoadDocument();
  void ReleaseDocument();
  bool HasDocument() const { return loaded_; }
  const pugi::xml_document& Document() const { return doc_; }

  // Evaluates an XPath query over the document. The last query and its result are cached;
  // the cache is dropped whenever the document is loaded or released, so a cached result
  // never refers to nodes of a freed document. Malformed queries give an empty set.
  const pugi::xpath_node_set& Select(const std::string& query) const;

  // The text of /LanguageResource/Strings/<key>, or nullptr-equivalent (false) when absent.
  bool FindString(std::string_view key, std::string& text) const;

  TLanguageList* List() const { return list_; }
  const std::string& FilePath() const { return file_path_; }
  const std::string& Folder() const { return folder_; }
  const std::string& Id() const { return id_; }
  const std::string& Name() const { return name_; }
  const std::string& LocaleName() const { return locale_name_; }
  int LangID() const { return lang_id_; }
  int CodePage() const { return code_page_; }
  const TLanguageFont& Font() const { return font_; }
  const std::string& HelpFile() const { return help_file_; }
  // Set by the GUI when window elements were found through the class-and-name form.
  bool FoundByClassName = false;

private:
  void ClearCache() const;

  TLanguageList* list_;
  std::string file_path_, folder_;
  pugi::xml_document doc_;
  bool loaded_ = false;
  std::string id_, name_, locale_name_, help_file_;
  int lang_id_ = 0, code_page_ = 0;
  TLanguageFont font_;
  mutable std::string cached_query_;
  mutable pugi::xpath_node_set cached_result_;
  mutable bool has_cache_ = false;
};

class TLanguageList {
public:
  size_t Count() const { return items_.size(); }
  TLanguageItem* Item(size_t i) const { return items_.at(i).get(); }
  TLanguageItem* Add(std::unique_ptr<TLanguageItem> item);
  void Clear() { items_.clear(); }
  // The item whose Id equals id ignoring case, or nullptr.
  TLanguageItem* FindById(std::string_view id) const;

private:
  std::vector<std::unique_ptr<TLanguageItem>> items_;
};

class TLanguageMgr {
public:
  TLanguageMgr() = default;
  TLanguageMgr(const TLanguageMgr&) = delete;
  TLanguageMgr& operator=(const TLanguageMgr&) = delete;

  // The process-wide manager, created on first use.
  static TLanguageMgr& Instance();

  // Clears the list and loads every file matching the mask ("<folder>/*.dat"), in name
  // order. Files that are not language files are skipped; files that fail to load are
  // skipped and their messages kept in LoadErrors(). Returns the number of languages.
  int LoadLanguages(const std::string& file_mask);
  const std::vector<std::string>& LoadErrors() const { return load_errors_; }

  // Makes the language with this Id (ignoring case) current. False, and no current
  // language, when none matches or its file cannot be loaded.
  bool SelectLanguage(std::string_view id);

  std::string GetString(std::string_view key, std::string_view def = {}) const;

  // Display names (LocaleName, or name when that is empty) with their items, in list order.
  std::vector<std::pair<std::string, TLanguageItem*>> ListLanguages() const;

  std::string HelpFile() const;
  TLanguageItem* Current() const { return current_; }
  int CurrentIndex() const { return current_index_; }
  const TLanguageList& Languages() const { return list_; }

private:
  TLanguageList list_;
  TLanguageItem* current_ = nullptr;
  int current_index_ = -1;
  std::vector<std::string> load_errors_;
};

// The text of a message key in the current interface language, or def.
std::string GetString(std::string_view key, std::string_view def = {});
// (A text used as a format: FormatMessage of core/message_format.h.)

// The language name the system gives a Windows language id (LangID), or "" when unknown.
std::string_view SystemLanguageName(int lang_id);

}  // namespace fc
