#include "profiles/profile_catalogue.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "core/error.h"
#include "core/file_io.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"

namespace fc {
namespace {

TProfileCategoryType CategoryType(std::string_view text) {
  if (IEquals(text, "all")) return TProfileCategoryType::All;
  if (IEquals(text, "custom")) return TProfileCategoryType::Custom;
  if (IEquals(text, "recent")) return TProfileCategoryType::Recent;
  return TProfileCategoryType::Ordinary;
}

bool LoadXml(pugi::xml_document& doc, const std::string& file) {
  return !file.empty() && doc.load_file(file.c_str());
}

void LoadProfiles(const std::string& file, bool is_user, TProfileItemList& list) {
  list.Clear();
  pugi::xml_document doc;
  if (!LoadXml(doc, file)) return;
  for (pugi::xml_node node = doc.document_element().first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element || !IEquals(node.name(), "FormatInfo")) continue;
    if (ParseXmlBool(node.attribute("skip").value())) continue;
    auto item = std::make_unique<TProfileItem>(TProfileItem::FromXml(node));
    item->IsUser = is_user;
    list.AddOwned(std::move(item));
  }
}

}  // namespace

TProfileItem* TProfileItemList::FindById(int32_t id) const {
  for (TProfileItem* item : items_)
    if (item->EffectiveId() == id) return item;
  return nullptr;
}

void TProfileItemList::AddOwned(std::unique_ptr<TProfileItem> item) {
  AddView(item.get());
  owned_.push_back(std::move(item));
}

void TProfileItemList::AddView(TProfileItem* item) {
  items_.push_back(item);
  max_id_ = std::max(max_id_, item->EffectiveId());
}

void TProfileItemList::Clear() {
  items_.clear();
  owned_.clear();
  max_id_ = 0;
}

void TProfileCatalogue::LoadCatalogue(const std::string& folder, const TLanguageItem* language) {
  category_file_ = JoinPath(folder, "profile.dat");
  format_file_ = JoinPath(folder, "format.dat");
  user_file_ = JoinPath(folder, "UserFormats.dat");
  categories_.clear();
  current_category_ = -1;
  has_selection_ = false;

  pugi::xml_document doc;
  if (LoadXml(doc, category_file_)) {
    for (pugi::xml_node node = doc.document_element().first_child(); node; node = node.next_sibling()) {
      if (node.type() != pugi::node_element || !IEquals(node.name(), "category")) continue;
      if (ParseXmlBool(node.attribute("skip").value())) continue;
      auto category = std::make_unique<TProfileCategory>();
      category->Id = ParseInt32(node.attribute("id").value()).value_or(0);
      category->Title = node.attribute("title").value();
      category->Type = CategoryType(node.attribute("type").value());
      category->Icon = node.attribute("icon").value();
      categories_.push_back(std::move(category));
    }
  }
  LoadProfiles(format_file_, false, built_in_);
  LoadProfiles(user_file_, true, user_);
  ApplyLanguage(language);
  if (!categories_.empty()) current_category_ = 0;
}

void TProfileCatalogue::ReloadUserProfiles(const TLanguageItem* language) {
  const int32_t selected = selected_id_;
  const bool had_selection = has_selection_;
  LoadProfiles(user_file_, true, user_);
  ApplyLanguage(language);
  RefillCustomCategories();
  // A selected user profile that is gone leaves nothing selected.
  has_selection_ = had_selection && FindProfile(selected) != nullptr;
}

void TProfileCatalogue::RefillCustomCategories() {
  for (auto& c : categories_) {
    if (c->Type == TProfileCategoryType::Custom || c->Type == TProfileCategoryType::All) {
      c->Items.Clear();
      c->Filled = false;
    }
  }
}

TProfileCategory* TProfileCatalogue::FindCategory(int32_t id) const {
  for (const auto& c : categories_)
    if (c->Id == id) return c.get();
  return nullptr;
}

TProfileCategory* TProfileCatalogue::FindCategoryOfType(TProfileCategoryType type) const {
  for (const auto& c : categories_)
    if (c->Type == type) return c.get();
  return nullptr;
}

void TProfileCatalogue::FillCategory(TProfileCategory& category) {
  category.Items.Clear();
  switch (category.Type) {
    case TProfileCategoryType::Ordinary:
      for (TProfileItem* p : built_in_.Items())
        if (p->CategoryId == category.Id) category.Items.AddView(p);
      break;
    case TProfileCategoryType::All:
      for (TProfileItem* p : built_in_.Items()) {
        const TProfileCategory* own = FindCategory(p->CategoryId);
        if (p->CategoryId == 0 || (own && own->Type == TProfileCategoryType::Ordinary)) category.Items.AddView(p);
      }
      if (!ShowCategory)
        for (TProfileItem* p : user_.Items()) category.Items.AddView(p);
      break;
    case TProfileCategoryType::Custom:
      for (TProfileItem* p : user_.Items()) {
        p->CategoryId = category.Id;
        category.Items.AddView(p);
      }
      break;
    case TProfileCategoryType::Recent:
      return;  // filled by SetRecentList
  }
  category.Filled = true;
}

const TProfileItemList& TProfileCatalogue::CategoryItems(TProfileCategory& category) {
  if (!category.Filled) FillCategory(category);
  return category.Items;
}

TProfileItem* TProfileCatalogue::FindProfile(int32_t id) const {
  if (TProfileItem* p = user_.FindById(id)) return p;
  return built_in_.FindById(id);
}

namespace {
// The first user profile takes an identifier this far above the built-in ones.
constexpr int32_t kUserIdGap = 1000;
}  // namespace

TProfileItem* TProfileCatalogue::AddUserProfile(const TProfileItem& base, const std::string& name) {
  auto item = std::make_unique<TProfileItem>(base);
  item->Name = name;
  item->IsUser = true;
  item->NewId = user_.MaxId() < built_in_.MaxId() ? built_in_.MaxId() + kUserIdGap : user_.MaxId() + 1;
  if (const TProfileCategory* custom = FindCategoryOfType(TProfileCategoryType::Custom))
    item->CategoryId = custom->Id;
  TProfileItem* added = item.get();
  user_.AddOwned(std::move(item));
  RefillCustomCategories();
  return added;
}

bool TProfileCatalogue::DeleteUserProfile(int32_t id) {
  TProfileItem* doomed = user_.FindById(id);
  if (!doomed) return false;
  TProfileItemList kept;
  for (TProfileItem* p : user_.Items())
    if (p != doomed) kept.AddOwned(std::make_unique<TProfileItem>(*p));
  for (auto& c : categories_) {  // views may point at the old items
    c->Items.Clear();
    c->Filled = false;
  }
  user_ = std::move(kept);
  if (has_selection_ && selected_id_ == id) has_selection_ = false;
  return true;
}

void TProfileCatalogue::SaveUserProfiles() const {
  pugi::xml_document formats;
  LoadXml(formats, format_file_);
  pugi::xml_document out;
  out.append_child(pugi::node_declaration).append_attribute("version").set_value("1.0");
  pugi::xml_node product = out.append_child("Product");

  std::vector<const TProfileItem*> written;
  for (pugi::xml_node node = formats.document_element().first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element || !IEquals(node.name(), "FormatInfo")) continue;
    const int32_t id = ParseInt32(node.attribute("id").value()).value_or(0);
    if (id <= 0) continue;
    for (const TProfileItem* p : user_.Items()) {
      if (p->Id != id) continue;
      p->ToXml(product.append_copy(node));
      written.push_back(p);
    }
  }
  // A profile whose built-in base is no longer in "format.dat" is still the user's work:
  // it is written from its own values rather than dropped.
  for (const TProfileItem* p : user_.Items()) {
    if (std::find(written.begin(), written.end(), p) != written.end()) continue;
    p->ToXml(product.append_child("FormatInfo"));
  }
  std::ostringstream text;
  out.save(text, "  ");
  try {
    WriteFileAtomic(user_file_, text.str());
  } catch (const Error&) {
    throw IoError(Format("Unable to write to %s", user_file_.c_str()));
  }
}

void TProfileCatalogue::ApplyLanguage(const TLanguageItem* language) {
  if (!language || !language->HasDocument()) return;
  const pugi::xml_node root = language->Document().document_element();
  for (pugi::xml_node f = ChildNoCase(ChildNoCase(root, "Formats"), "FormatInfo"); f; f = f.next_sibling()) {
    if (!IEquals(f.name(), "FormatInfo")) continue;
    const int32_t id = ParseInt32(f.attribute("ID").value()).value_or(0);
    if (id == 0) continue;
    const std::string name = ChildNoCase(f, "name").text().get();
    const std::string description = ChildNoCase(f, "description").text().get();
    for (TProfileItemList* list : {&built_in_, &user_}) {
      for (TProfileItem* p : list->Items()) {
        if (p->Id != id) continue;
        if (!name.empty() && !p->IsUser) p->Name = name;  // a user profile keeps its own name
        if (!description.empty()) p->Description = description;
        if (p->Name.empty()) p->Name = std::exchange(p->Description, std::string());
      }
    }
  }
  for (pugi::xml_node c = ChildNoCase(ChildNoCase(root, "Profiles"), "category"); c; c = c.next_sibling()) {
    if (!IEquals(c.name(), "category")) continue;
    const int32_t id = ParseInt32(c.attribute("ID").value()).value_or(0);
    const std::string title = c.attribute("title").value();
    if (id == 0 || title.empty()) continue;
    if (TProfileCategory* category = FindCategory(id)) category->Title = title;
  }
}

void TProfileCatalogue::SetRecentList(const std::string& text) {
  TProfileCategory* recent = FindCategoryOfType(TProfileCategoryType::Recent);
  if (!recent) return;
  recent->Items.Clear();
  std::string normalised = text;
  std::replace(normalised.begin(), normalised.end(), ';', ',');
  for (const std::string& part : Split(normalised, ',')) {
    std::string digits;
    for (const char c : part)
      if (c != ' ' && c != '\t') digits += c;
    const auto id = ParseInt32(digits);
    if (!id) continue;
    if (TProfileItem* p = FindProfile(*id)) recent->Items.AddView(p);
  }
  recent->Filled = true;
}

void TProfileCatalogue::SelectProfile(int32_t id) {
  if (has_selection_ && selected_id_ == id) return;
  TProfileItem* profile = FindProfile(id);
  if (!profile) {
    has_selection_ = false;
    return;
  }
  TProfileCategory* current = CurrentCategory();
  if (!current || current->Id != profile->CategoryId) {
    TProfileCategory* target = FindCategory(profile->CategoryId);
    if (!target) target = FindCategoryOfType(TProfileCategoryType::All);
    for (size_t i = 0; i < categories_.size(); ++i)
      if (categories_[i].get() == target) current_category_ = static_cast<int>(i);
  }
  selected_id_ = profile->EffectiveId();
  has_selection_ = true;
}

TProfileItem* TProfileCatalogue::SelectedProfile() const { return has_selection_ ? FindProfile(selected_id_) : nullptr; }

int32_t TProfileCatalogue::SelectedId() const { return has_selection_ ? selected_id_ : 0; }

TProfileCategory* TProfileCatalogue::CurrentCategory() const {
  return current_category_ >= 0 ? categories_[static_cast<size_t>(current_category_)].get() : nullptr;
}

void TProfileCatalogue::SelectCategory(size_t index) {
  if (index < categories_.size()) current_category_ = static_cast<int>(index);
}

}  // namespace fc
