#pragma once
// The catalogue of output profiles: categories from "profile.dat", built-in profiles from
// "format.dat" and the user's own from "UserFormats.dat", all beside the program. This is the
// model behind the profile pane of the main window and of the Customize dialog; the pane only
// draws it.

#include <memory>
#include <string>
#include <vector>

#include "profiles/profile_item.h"

namespace fc {

class TLanguageItem;

enum class TProfileCategoryType { Ordinary = 0, Recent = 1, Custom = 2, All = 3 };

// An ordered list of profiles; owning for the built-in and user lists, a view inside a category.
class TProfileItemList {
public:
  size_t Count() const { return items_.size(); }
  TProfileItem* Item(size_t i) const { return items_.at(i); }
  const std::vector<TProfileItem*>& Items() const { return items_; }
  int32_t MaxId() const { return max_id_; }
  // The profile whose effective identifier is id, or nullptr.
  TProfileItem* FindById(int32_t id) const;

  void AddOwned(std::unique_ptr<TProfileItem> item);
  void AddView(TProfileItem* item);
  void Clear();

private:
  std::vector<std::unique_ptr<TProfileItem>> owned_;
  std::vector<TProfileItem*> items_;
  int32_t max_id_ = 0;
};

struct TProfileCategory {
  int32_t Id = 0;
  std::string Title;
  TProfileCategoryType Type = TProfileCategoryType::Ordinary;
  std::string Icon;
  bool Skip = false;
  TProfileItemList Items;  // a view, filled on first use
  bool Filled = false;
};

class TProfileCatalogue {
public:
  // Loads the three files of `folder` (categories first), skipping entries marked skip,
  // then applies the localised texts of `language` (may be null). Missing or unreadable files
  // give empty lists.
  void LoadCatalogue(const std::string& folder, const TLanguageItem* language = nullptr);
  void ReloadUserProfiles(const TLanguageItem* language = nullptr);
  // Writes the user's profiles to "UserFormats.dat", each as a copy of the built-in
  // "FormatInfo" it derives from. Throws IoError when the file cannot be written.
  void SaveUserProfiles() const;
  // A copy of base named name, appended to the user's profiles with a fresh identifier.
  TProfileItem* AddUserProfile(const TProfileItem& base, const std::string& name);
  // Removes a user profile; false when id names none.
  bool DeleteUserProfile(int32_t id);

  void ApplyLanguage(const TLanguageItem* language);
  // Fills the recent category from identifiers separated by "," or ";".
  void SetRecentList(const std::string& text);

  // Selects a profile by effective identifier, and its category (or the "all" category when
  // its own is missing). An unknown identifier leaves nothing selected.
  void SelectProfile(int32_t id);
  TProfileItem* SelectedProfile() const;
  int32_t SelectedId() const;
  TProfileCategory* CurrentCategory() const;
  void SelectCategory(size_t index);

  // Profiles of a category, filled on first use.
  const TProfileItemList& CategoryItems(TProfileCategory& category);
  // The profile with this effective identifier, user profiles first.
  TProfileItem* FindProfile(int32_t id) const;

  bool ShowCategory = true;  // the pane shows categories; otherwise "all" lists the user's too

  size_t CategoryCount() const { return categories_.size(); }
  TProfileCategory& Category(size_t i) const { return *categories_.at(i); }
  const TProfileItemList& BuiltIn() const { return built_in_; }
  const TProfileItemList& User() const { return user_; }
  const std::string& UserFile() const { return user_file_; }

private:
  TProfileCategory* FindCategory(int32_t id) const;
  TProfileCategory* FindCategoryOfType(TProfileCategoryType type) const;
  void FillCategory(TProfileCategory& category);
  void RefillCustomCategories();

  std::vector<std::unique_ptr<TProfileCategory>> categories_;
  TProfileItemList built_in_;
  TProfileItemList user_;
  std::string category_file_, format_file_, user_file_;
  int current_category_ = -1;
  int32_t selected_id_ = 0;
  bool has_selection_ = false;
};

}  // namespace fc
