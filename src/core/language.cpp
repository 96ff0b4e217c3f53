#include "core/language.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/paths.h"
#include "core/text.h"

namespace fc {
namespace {

constexpr const char* kRootName = "LanguageResource";

void LoadXml(pugi::xml_document& doc, const std::string& path) {
  const pugi::xml_parse_result result = doc.load_file(path.c_str());
  if (!result)
    throw Error(Format("%s: %s at offset %lld", path.c_str(), result.description(),
                       static_cast<long long>(result.offset)));
}

int AttributeInt(const pugi::xml_node& node, const char* name) {
  return ParseInt32(node.attribute(name).value()).value_or(0);
}

}  // namespace

TLanguageItem::TLanguageItem(TLanguageList* list, std::string file_path)
    : list_(list), file_path_(std::move(file_path)) {
  folder_ = std::filesystem::path(file_path_).parent_path().string();
}

void TLanguageItem::ClearCache() const {
  has_cache_ = false;
  cached_query_.clear();
  cached_result_ = pugi::xpath_node_set();
}

void TLanguageItem::LoadDocument() {
  if (loaded_) return;
  ClearCache();
  LoadXml(doc_, file_path_);
  loaded_ = true;
}

void TLanguageItem::ReleaseDocument() {
  ClearCache();
  doc_.reset();
  loaded_ = false;
}

bool TLanguageItem::LoadInfo() {
  LoadDocument();
  const pugi::xml_node root = doc_.document_element();
  bool valid = std::string_view(root.name()) == kRootName;
  if (valid) {
    id_ = root.attribute("Id").value();
    name_ = root.attribute("name").value();
    locale_name_ = root.attribute("LocaleName").value();
    lang_id_ = AttributeInt(root, "LangID");
    code_page_ = AttributeInt(root, "CodePage");
    if (const std::string_view system = SystemLanguageName(lang_id_); !system.empty())
      locale_name_ = std::string(system);

    const pugi::xml_node defaults = root.child("Default");
    const pugi::xml_node font = defaults.child("Font");
    font_.Charset = font.attribute("Charset").value();
    font_.Name = font.attribute("Name").value();
    font_.Size = AttributeInt(font, "Size");
    font_.Color = font.attribute("Color").value();
    for (const std::string& word : Split(ToLowerAscii(font.attribute("Style").value()), ',')) {
      for (const std::string& w : Split(word, ' ')) {
        const std::string_view t = Trim(w);
        if (t == "bold") font_.Bold = true;
        if (t == "italic") font_.Italic = true;
        if (t == "underline") font_.Underline = true;
        if (t == "strikeout") font_.StrikeOut = true;
      }
    }
    const std::string help = defaults.child("Help").attribute("file").value();
    help_file_ = help.empty() ? std::string() : JoinPath(folder_, help);
    valid = !name_.empty();
  }
  ReleaseDocument();
  return valid;
}

const pugi::xpath_node_set& TLanguageItem::Select(const std::string& query) const {
  if (has_cache_ && cached_query_ == query) return cached_result_;
  ClearCache();
  if (loaded_) {
    try {
      cached_result_ = doc_.select_nodes(query.c_str());
    } catch (const pugi::xpath_exception&) {
      cached_result_ = pugi::xpath_node_set();
    }
  }
  cached_query_ = query;
  has_cache_ = true;
  return cached_result_;
}

bool TLanguageItem::FindString(std::string_view key, std::string& text) const {
  if (!loaded_ || key.empty()) return false;
  const pugi::xml_node strings = doc_.child(kRootName).child("Strings");
  if (!strings) return false;
  const pugi::xml_node node = strings.child(std::string(key).c_str());
  if (!node) return false;
  text = node.text().get();
  return true;
}

TLanguageItem* TLanguageList::Add(std::unique_ptr<TLanguageItem> item) {
  items_.push_back(std::move(item));
  return items_.back().get();
}

TLanguageItem* TLanguageList::FindById(std::string_view id) const {
  for (const auto& item : items_)
    if (IEquals(item->Id(), id)) return item.get();
  return nullptr;
}

TLanguageMgr& TLanguageMgr::Instance() {
  static TLanguageMgr manager;
  return manager;
}

int TLanguageMgr::LoadLanguages(const std::string& file_mask) {
  current_ = nullptr;
  current_index_ = -1;
  list_.Clear();
  load_errors_.clear();

  const std::filesystem::path mask(file_mask);
  const std::string folder = mask.parent_path().string();
  const std::string pattern = mask.filename().string();
  std::vector<std::string> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->is_regular_file(ec) && WildcardMatch(pattern, it->path().filename().string()))
      files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());

  for (const std::string& file : files) {
    auto item = std::make_unique<TLanguageItem>(&list_, file);
    try {
      if (item->LoadInfo()) list_.Add(std::move(item));
    } catch (const std::exception& e) {
      load_errors_.push_back(e.what());
    }
  }
  return static_cast<int>(list_.Count());
}

bool TLanguageMgr::SelectLanguage(std::string_view id) {
  if (current_) current_->ReleaseDocument();
  current_ = nullptr;
  current_index_ = -1;
  for (size_t i = 0; i < list_.Count(); ++i) {
    TLanguageItem* item = list_.Item(i);
    if (!IEquals(item->Id(), id)) continue;
    try {
      item->LoadDocument();
    } catch (const std::exception& e) {
      load_errors_.push_back(e.what());
      return false;
    }
    current_ = item;
    current_index_ = static_cast<int>(i);
    return true;
  }
  return false;
}

std::string TLanguageMgr::GetString(std::string_view key, std::string_view def) const {
  std::string text;
  if (current_ && current_->FindString(key, text)) return text;
  return std::string(def);
}

std::vector<std::pair<std::string, TLanguageItem*>> TLanguageMgr::ListLanguages() const {
  std::vector<std::pair<std::string, TLanguageItem*>> out;
  for (size_t i = 0; i < list_.Count(); ++i) {
    TLanguageItem* item = list_.Item(i);
    out.emplace_back(item->LocaleName().empty() ? item->Name() : item->LocaleName(), item);
  }
  return out;
}

std::string TLanguageMgr::HelpFile() const { return current_ ? current_->HelpFile() : std::string(); }

std::string GetString(std::string_view key, std::string_view def) {
  return TLanguageMgr::Instance().GetString(key, def);
}

std::string_view SystemLanguageName(int lang_id) {
  // The names Windows gives the language ids that language files commonly carry.
  struct TEntry {
    int ID;
    const char* Name;
  };
  static constexpr TEntry kNames[] = {
      {0x0404, "Chinese (Traditional)"}, {0x0405, "Czech"},   {0x0406, "Danish"},
      {0x0407, "German (Germany)"},      {0x0408, "Greek"},   {0x0409, "English (United States)"},
      {0x040B, "Finnish"},               {0x040C, "French (France)"},
      {0x0410, "Italian (Italy)"},       {0x0411, "Japanese"}, {0x0412, "Korean"},
      {0x0413, "Dutch (Netherlands)"},   {0x0414, "Norwegian (Bokmal)"},
      {0x0415, "Polish"},                {0x0416, "Portuguese (Brazil)"},
      {0x0419, "Russian"},               {0x041D, "Swedish"}, {0x041F, "Turkish"},
      {0x0804, "Chinese (Simplified)"},  {0x0809, "English (United Kingdom)"},
      {0x0816, "Portuguese (Portugal)"}, {0x0C0A, "Spanish (Spain)"},
  };
  for (const TEntry& e : kNames)
    if (e.ID == lang_id) return e.Name;
  return {};
}

}  // namespace fc
